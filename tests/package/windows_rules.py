#!/usr/bin/env python3
"""Checks a built Windows executable against the rules Windows itself
enforces when it loads a program, rules Wine lets pass: the manifest, the
version resource, the PE header and the import table.

    tests/package/windows_rules.py Nivarra.exe

Reads the file with Debian's tools only (wrestool for resources,
x86_64-w64-mingw32-objdump for the header and imports). Prints one PASS or
FAIL line per rule and exits 1 when any rule fails.
"""

import re
import struct
import subprocess
import sys
import xml.etree.ElementTree as ET
from pathlib import Path

HERE = Path(__file__).resolve().parent
OBJDUMP = "x86_64-w64-mingw32-objdump"

ASM_V1 = "urn:schemas-microsoft-com:asm.v1"
ASM_V3 = "urn:schemas-microsoft-com:asm.v3"
COMPATIBILITY_V1 = "urn:schemas-microsoft-com:compatibility.v1"

# Where Windows' application manifest reference puts each element. An
# element in another namespace is not that element to Windows: at best it
# is ignored (a dpiAwareness in the wrong namespace leaves the program
# unaware and blurred), at worst the activation context is refused.
ELEMENT_NAMESPACES = {
    "assembly": {ASM_V1},
    "assemblyIdentity": {ASM_V1},
    "description": {ASM_V1},
    "dependency": {ASM_V1},
    "dependentAssembly": {ASM_V1},
    "file": {ASM_V1},
    "noInherit": {ASM_V1},
    "noInheritable": {ASM_V1},
    "compatibility": {COMPATIBILITY_V1},
    "supportedOS": {COMPATIBILITY_V1},
    "maxversiontested": {COMPATIBILITY_V1},
    # application is asm.v3 under assembly, compatibility.v1 under compatibility.
    "application": {ASM_V3, COMPATIBILITY_V1},
    "windowsSettings": {ASM_V3},
    # trustInfo was asm.v2 in Vista's documents and is asm.v3 now; both load.
    "trustInfo": {ASM_V3, "urn:schemas-microsoft-com:asm.v2"},
    "security": {ASM_V3, "urn:schemas-microsoft-com:asm.v2"},
    "requestedPrivileges": {ASM_V3, "urn:schemas-microsoft-com:asm.v2"},
    "requestedExecutionLevel": {ASM_V3, "urn:schemas-microsoft-com:asm.v2"},
    # Each windowsSettings element has the namespace of the release that
    # brought it.
    "autoElevate": {"http://schemas.microsoft.com/SMI/2005/WindowsSettings"},
    "disableTheming": {"http://schemas.microsoft.com/SMI/2005/WindowsSettings"},
    "dpiAware": {"http://schemas.microsoft.com/SMI/2005/WindowsSettings"},
    "disableWindowFiltering": {"http://schemas.microsoft.com/SMI/2011/WindowsSettings"},
    "printerDriverIsolation": {"http://schemas.microsoft.com/SMI/2011/WindowsSettings"},
    "highResolutionScrollingAware": {"http://schemas.microsoft.com/SMI/2013/WindowsSettings"},
    "ultraHighResolutionScrollingAware": {"http://schemas.microsoft.com/SMI/2013/WindowsSettings"},
    "dpiAwareness": {"http://schemas.microsoft.com/SMI/2016/WindowsSettings"},
    "longPathAware": {"http://schemas.microsoft.com/SMI/2016/WindowsSettings"},
    "gdiScaling": {"http://schemas.microsoft.com/SMI/2017/WindowsSettings"},
    "activeCodePage": {"http://schemas.microsoft.com/SMI/2019/WindowsSettings"},
    "heapType": {"http://schemas.microsoft.com/SMI/2020/WindowsSettings"},
}

# The processorArchitecture a manifest must name for the PE machine
# (IMAGE_FILE_MACHINE_*): a mismatch makes the loader look for another
# assembly and fail.
MACHINE_ARCHITECTURE = {0x8664: "amd64", 0x14C: "x86", 0xAA64: "arm64"}

# DLLs every Windows from 7 on has in System32. Anything else would have to
# travel with the program, which ships as one file.
SYSTEM_DLLS = {
    "advapi32.dll", "comctl32.dll", "comdlg32.dll", "crypt32.dll", "dwmapi.dll", "gdi32.dll", "imm32.dll",
    "kernel32.dll", "msimg32.dll", "msvcrt.dll", "ntdll.dll", "ole32.dll", "oleaut32.dll", "rpcrt4.dll",
    "secur32.dll", "shell32.dll", "shlwapi.dll", "user32.dll", "uxtheme.dll", "version.dll", "winmm.dll",
    "ws2_32.dll", "wtsapi32.dll",
}

results = []


def rule(name, ok, detail=""):
    results.append(ok)
    print(f"{'PASS' if ok else 'FAIL'} {len(results)}: {name}" + ("" if ok or not detail else f": {detail}"))


def run(*command):
    return subprocess.run(command, check=True, capture_output=True).stdout


def resource(exe, kind, name):
    try:
        return run("wrestool", "-x", "--raw", f"--type={kind}", f"--name={name}", exe)
    except subprocess.CalledProcessError:
        return b""


# --- the PE header -------------------------------------------------------------

def pe_header(exe):
    data = Path(exe).read_bytes()
    if data[:2] != b"MZ":
        return None
    (pe,) = struct.unpack_from("<I", data, 0x3C)
    if data[pe:pe + 4] != b"PE\0\0":
        return None
    machine, _, _, _, _, optional_size, characteristics = struct.unpack_from("<HHIIIHH", data, pe + 4)
    optional = pe + 24
    (magic,) = struct.unpack_from("<H", data, optional)
    subsystem, dll_characteristics = struct.unpack_from("<HH", data, optional + 68)
    return {"machine": machine, "characteristics": characteristics, "magic": magic,
            "subsystem": subsystem, "dll_characteristics": dll_characteristics}


def check_header(exe, header, sections):
    if header is None:
        rule("a PE image", False, "no MZ/PE signature")
        return
    # The program is built for x64 Windows; a PE32 image would run in WOW64
    # and see another registry view.
    rule("64-bit image (PE32+, AMD64)", header["magic"] == 0x20B and header["machine"] == 0x8664,
         f"magic {header['magic']:#x}, machine {header['machine']:#x}")
    # IMAGE_SUBSYSTEM_WINDOWS_GUI (2): a console subsystem opens a console
    # window beside the globe at every start.
    rule("GUI subsystem", header["subsystem"] == 2, f"subsystem {header['subsystem']}")
    # ASLR needs IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE (0x40) and the
    # relocations to move the image (no IMAGE_FILE_RELOCS_STRIPPED, 0x1);
    # HIGH_ENTROPY_VA (0x20) lets a 64-bit image use the full address range;
    # NX_COMPAT (0x100) opts into DEP.
    flags = header["dll_characteristics"]
    missing = [name for bit, name in ((0x40, "DYNAMIC_BASE"), (0x20, "HIGH_ENTROPY_VA"), (0x100, "NX_COMPAT"))
               if not flags & bit]
    if header["characteristics"] & 0x1:
        missing.append("relocations (stripped)")
    if ".reloc" not in sections:
        missing.append(".reloc section")
    rule("ASLR (DYNAMIC_BASE, HIGH_ENTROPY_VA, relocations) and DEP (NX_COMPAT)", not missing, ", ".join(missing))
    # Debug information ships separately; in the image it only makes the
    # download bigger.
    debug = sorted(s for s in sections if s.startswith(".debug"))
    rule("no debug sections", not debug, ", ".join(debug))


def sections_of(exe):
    out = run(OBJDUMP, "-h", exe).decode()
    return {m.group(1) for m in re.finditer(r"^\s*\d+\s+(\S+)\s", out, re.M)}


def imports_of(exe):
    """{dll (lower case): [function, ...]} from objdump's import tables."""
    imports = {}
    current = None
    for line in run(OBJDUMP, "-p", exe).decode(errors="replace").splitlines():
        if line and not line[0].isspace():
            current = None  # the next table of objdump's report
            continue
        m = re.match(r"\s*DLL Name: (\S+)", line)
        if m:
            current = imports.setdefault(m.group(1).lower(), [])
            continue
        m = re.match(r"\s*[0-9a-f]+\s+(\d+)\s+(\S+)\s*$", line)
        if m and current is not None:
            current.append(m.group(2))
    return imports


def later_functions():
    """The functions Windows 7 does not export, by DLL, from the list beside this file."""
    later = {}
    for line in (HERE / "after_windows7.txt").read_text().splitlines():
        line = line.split("#", 1)[0].strip()
        if line:
            dll, function = line.split()
            later.setdefault(dll.lower(), set()).add(function)
    return later


def check_imports(imports):
    foreign = sorted(dll for dll in imports if dll not in SYSTEM_DLLS)
    # A DLL the system does not have stops the program before it starts
    # ("The code execution cannot proceed because X.dll was not found").
    rule("only system DLLs imported", bool(imports) and not foreign, ", ".join(foreign) or "no imports read")
    # A function missing from a system DLL stops it the same way ("The
    # procedure entry point X could not be located"): what came after
    # Windows 7 is reached through GetProcAddress, never imported.
    later = later_functions()
    found = sorted(f"{dll}!{f}" for dll, functions in imports.items() for f in functions
                   if f in later.get(dll, set()))
    found += sorted(dll for dll in imports if "*" in later.get(dll, set()) or dll.startswith("api-ms-win-crt-"))
    rule("nothing imported that Windows 7 lacks", not found, ", ".join(found))


# --- the manifest --------------------------------------------------------------

def split_tag(tag):
    return tag[1:].split("}", 1) if tag.startswith("{") else ("", tag)


def four_part_version(text):
    parts = (text or "").split(".")
    return len(parts) == 4 and all(p.isdigit() and int(p) <= 65535 for p in parts)


def check_manifest(raw, header):
    # Windows parses the manifest as XML before the program runs; any error
    # ends the start with "side-by-side configuration is incorrect".
    try:
        raw.decode("utf-8")
        root = ET.fromstring(raw)
        declared = re.match(rb'<\?xml[^>]*encoding="([^"]+)"', raw.lstrip(b"\xef\xbb\xbf"))
        ok = declared is None or declared.group(1).lower() == b"utf-8"
        rule("the manifest is well-formed UTF-8 XML", ok, "declares another encoding")
    except (UnicodeDecodeError, ET.ParseError) as error:
        rule("the manifest is well-formed UTF-8 XML", False, str(error))
        return
    rule("the manifest's root is assembly in urn:schemas-microsoft-com:asm.v1 with manifestVersion 1.0",
         root.tag == f"{{{ASM_V1}}}assembly" and root.get("manifestVersion") == "1.0", root.tag)

    # The program's own identity: exactly one, as a child of assembly.
    # Windows requires type win32 and a version of four parts, each 0 to
    # 65535 ("0.1" is refused outright), and the architecture of the image.
    identities = root.findall(f"{{{ASM_V1}}}assemblyIdentity")
    rule("exactly one assemblyIdentity of the program", len(identities) == 1, f"{len(identities)} found")
    if identities:
        identity = identities[0]
        rule("its type is win32", identity.get("type") == "win32", repr(identity.get("type")))
        rule("its version has four parts of 0 to 65535", four_part_version(identity.get("version")),
             repr(identity.get("version")))
        want = MACHINE_ARCHITECTURE.get(header["machine"] if header else None)
        rule("its processorArchitecture matches the image", identity.get("processorArchitecture") == want,
             f"{identity.get('processorArchitecture')!r} for {want!r}")
    # A dependency's version has four parts too.
    for dependent in root.iter(f"{{{ASM_V1}}}dependentAssembly"):
        for identity in dependent.findall(f"{{{ASM_V1}}}assemblyIdentity"):
            rule(f"dependency {identity.get('name')}: type win32, four-part version",
                 identity.get("type") == "win32" and four_part_version(identity.get("version")),
                 f"{identity.get('type')!r}, {identity.get('version')!r}")

    wrong = []
    for element in root.iter():
        namespace, name = split_tag(element.tag)
        allowed = ELEMENT_NAMESPACES.get(name)
        if allowed is None:
            wrong.append(f"{name} (not a manifest element)")
        elif namespace not in allowed:
            wrong.append(f"{name} in {namespace or 'no namespace'}")
    rule("each element in the namespace Windows documents for it", not wrong, "; ".join(wrong))

    # dpiAware: true, false, true/pm or per monitor. dpiAwareness: a comma
    # list of unaware, system, permonitor, permonitorv2 (case and spaces do
    # not matter); Windows takes the first it knows, and ignores the
    # setting when a value is not one of these.
    bad = []
    for element in root.iter():
        _, name = split_tag(element.tag)
        value = (element.text or "").strip()
        if name == "dpiAware" and value.lower() not in {"true", "false", "true/pm", "per monitor"}:
            bad.append(f"dpiAware {value!r}")
        if name == "dpiAwareness":
            values = [v.strip().lower() for v in value.split(",")]
            if not values or any(v not in {"unaware", "system", "permonitor", "permonitorv2"} for v in values):
                bad.append(f"dpiAwareness {value!r}")
    rule("dpiAware and dpiAwareness values are documented ones", not bad, "; ".join(bad))
    return identities[0].get("version") if len(identities) == 1 else None


# --- the version resource --------------------------------------------------------

def version_blocks(data, offset=0, end=None):
    """Parses VS_VERSIONINFO-style blocks: [(key, value bytes, value type, children)]."""
    end = len(data) if end is None else end
    blocks = []
    while offset + 6 <= end:
        length, value_length, kind = struct.unpack_from("<HHH", data, offset)
        if length < 6 or offset + length > end:
            raise ValueError(f"block of length {length} at {offset}")
        at = offset + 6
        key_end = at
        while key_end + 1 < offset + length and data[key_end:key_end + 2] != b"\0\0":
            key_end += 2
        key = data[at:key_end].decode("utf-16-le")
        at = (key_end + 2 + 3) & ~3
        value_bytes = value_length * 2 if kind == 1 else value_length
        value = data[at:at + value_bytes]
        children_at = (at + value_bytes + 3) & ~3
        children = version_blocks(data, children_at, offset + length) if children_at < offset + length else []
        blocks.append((key, value, kind, children))
        offset = (offset + length + 3) & ~3
    return blocks


def check_version(raw):
    try:
        [(key, fixed, _, children)] = version_blocks(raw)
        assert key == "VS_VERSION_INFO" and len(fixed) >= 52
    except (ValueError, AssertionError, struct.error) as error:
        rule("a VS_VERSION_INFO resource", False, str(error) or "missing or malformed")
        return
    signature, _, file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<6I", fixed)

    def quad(ms, ls):
        return f"{ms >> 16}.{ms & 0xFFFF}.{ls >> 16}.{ls & 0xFFFF}"

    file_version, product_version = quad(file_ms, file_ls), quad(product_ms, product_ls)
    # VS_FIXEDFILEINFO holds four 16-bit parts of each version; its
    # signature marks it as one.
    rule("VS_FIXEDFILEINFO with FILEVERSION and PRODUCTVERSION", signature == 0xFEEF04BD,
         f"signature {signature:#x}")

    tables = [(table_key, strings) for key, _, _, blocks in children if key == "StringFileInfo"
              for table_key, _, _, strings in blocks]
    rule("one StringFileInfo table", len(tables) == 1, f"{len(tables)} found")
    if not tables:
        return
    table_key, strings = tables[0]
    values = {key: value.decode("utf-16-le").rstrip("\0") for key, value, _, _ in strings}
    # Explorer's Details show the strings; installers and update tools
    # compare the fixed numbers. They must say the same four-part version.
    for name, numbers in (("FileVersion", file_version), ("ProductVersion", product_version)):
        rule(f"{name} string is the fixed {numbers}", values.get(name) == numbers, repr(values.get(name)))

    # VarFileInfo's Translation names the language and code page of the
    # string table to read; a mismatch leaves the strings unfound.
    translations = [value for key, _, _, blocks in children if key == "VarFileInfo"
                    for block_key, value, _, _ in blocks if block_key == "Translation"]
    pairs = [struct.unpack_from("<HH", t, i) for t in translations for i in range(0, len(t) - 3, 4)]
    wanted = (int(table_key[:4], 16), int(table_key[4:], 16)) if re.fullmatch(r"[0-9A-Fa-f]{8}", table_key) else None
    rule(f"Translation matches the string table {table_key}", wanted is not None and wanted in pairs,
         f"translations {[(f'{l:04x}', c) for l, c in pairs]}")
    return file_version


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    exe = sys.argv[1]
    header = pe_header(exe)
    check_header(exe, header, sections_of(exe))
    check_imports(imports_of(exe))
    manifest_version = check_manifest(resource(exe, 24, 1), header)
    file_version = check_version(resource(exe, 16, 1))
    # One version everywhere, so Windows, Explorer and an installer agree.
    rule("the manifest names the file's version", manifest_version is not None and manifest_version == file_version,
         f"manifest {manifest_version!r}, file {file_version!r}")
    failed = results.count(False)
    print(f"windows rules: {len(results) - failed} passed, {failed} failed")
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()

#!/usr/bin/env bash
# The shipped Windows executable: its icon group with every size (PNG at
# 256 px), version information naming the project's version, a manifest
# Windows will load (per-monitor DPI aware), the layout resource TFRMMAIN
# with the dense artwork GLOBEART2X and GLOBEART3X beside it, and no debug
# sections, and Windows' own load-time rules (windows_rules.py).
#
#   tests/package/exe.sh [Nivarra.exe]     (default build/windows/src/app/Nivarra.exe)
set -uo pipefail

root="$(cd "$(dirname "$0")/../.." && pwd)"
exe="$(realpath -m "${1:-$root/build/windows/src/app/Nivarra.exe}")"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# shellcheck source=../lib/checks.sh
source "$root/tests/lib/checks.sh"

# Windows writes versions in four parts; the missing ones are 0.
version="$(sed -n 's/^project(Nivarra VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")"
while [ "$(tr -cd . <<<"$version" | wc -c)" -lt 3 ]; do version="$version.0"; done
wrestool -l "$exe" >"$work/resources" || { echo "exe: FAIL: cannot read $exe"; exit 1; }
check "the layout resource TFRMMAIN is an RCDATA" grep -q -- "--type=10 --name='TFRMMAIN' " "$work/resources"
for name in GLOBEART2X GLOBEART3X; do
  check "the artwork resource $name is an RCDATA layout stream" bash -c \
    "grep -q -- \"--type=10 --name='$name' \" '$work/resources' &&
     wrestool -x --raw --type=10 --name=$name '$exe' 2>/dev/null | head -c 4 | grep -q '^TPF0'"
done

# wrestool puts the group and its images back together as an .ico file.
wrestool -x --type=14 --name=1 "$exe" >"$work/group.ico" 2>/dev/null
check "icon group 1 holds 16 to 256 px, PNG only at 256" python3 - "$work/group.ico" <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read()
_, kind, count = struct.unpack_from("<HHH", data)
entries = []
for i in range(count):
    w, h, _, _, _, bits, size, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
    png = data[offset:offset + 8] == b"\x89PNG\r\n\x1a\n"
    entries.append((w or 256, h or 256, bits, png))
want = [(n, n, 32, n == 256) for n in (16, 24, 32, 48, 64, 128, 256)]
sys.exit(0 if kind == 1 and entries == want else f"icon entries {entries}")
PY

wrestool -x --raw --type=16 --name=1 "$exe" >"$work/version" 2>/dev/null
check "version information: Nivarra.exe, Desktop snow globe, version $version" python3 - "$work/version" "$version" <<'PY'
import sys
text = open(sys.argv[1], "rb").read().decode("utf-16-le", "replace")
def value(key):
    at = text.find(key + "\0")
    return text[at + len(key):].lstrip("\0").split("\0", 1)[0] if at >= 0 else None
got = {k: value(k) for k in ("OriginalFilename", "InternalName", "FileDescription", "ProductName", "ProductVersion")}
want = {"OriginalFilename": "Nivarra.exe", "InternalName": "Nivarra", "FileDescription": "Desktop snow globe",
        "ProductName": "Desktop snow globe", "ProductVersion": sys.argv[2]}
sys.exit(0 if got == want else f"version strings {got}")
PY

# A manifest Windows cannot parse stops the program before it starts.
wrestool -x --raw --type=24 --name=1 "$exe" >"$work/manifest" 2>/dev/null
check "the manifest parses: Windows 7 to 11, Common Controls 6, UTF-8, per-monitor DPI aware (v2, else v1)" python3 - "$work/manifest" <<'PY'
import sys
import xml.etree.ElementTree as ET
root = ET.parse(sys.argv[1]).getroot()
ids = {e.get("Id").lower() for e in root.iter("{urn:schemas-microsoft-com:compatibility.v1}supportedOS")}
names = {e.get("name") for e in root.iter("{urn:schemas-microsoft-com:asm.v1}assemblyIdentity")}
tags = {e.tag.rsplit("}", 1)[-1]: (e.text or "").strip() for e in root.iter()}
problems = []
if ids != {"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",
           "{1f676c76-80e1-4239-95bb-83d0f6d0da78}", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}:
    problems.append(f"supportedOS {sorted(ids)}")
if "Microsoft.Windows.Common-Controls" not in names:
    problems.append("no Common Controls 6")
if tags.get("activeCodePage") != "UTF-8":
    problems.append("no UTF-8 code page")
# Without it Windows stretches the globe's frames and they blur.
if tags.get("dpiAwareness") != "PerMonitorV2, PerMonitor" or tags.get("dpiAware") != "true/pm":
    problems.append(f"DPI awareness {tags.get('dpiAwareness')!r}, {tags.get('dpiAware')!r}")
sys.exit("; ".join(problems) or 0)
PY

x86_64-w64-mingw32-objdump -h "$exe" >"$work/sections"
check "no debug sections, a link to Nivarra.exe.debug instead" \
  bash -c "! grep -q ' \.debug_' '$work/sections' && grep -q ' \.gnu_debuglink ' '$work/sections'"

# The rules Windows enforces at load time and Wine does not.
check "Windows' own rules for the manifest, version resource, PE header and imports" \
  python3 "$root/tests/package/windows_rules.py" "$exe"

echo "exe: $passed passed, $failed failed"
[ "$failed" -eq 0 ]

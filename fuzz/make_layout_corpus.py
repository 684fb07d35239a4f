#!/usr/bin/env python3
"""Writes the seed layouts of the layout fuzzer into corpus/layout/."""
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "corpus", "layout")


def short(text):
    data = text.encode("latin-1")
    return bytes([len(data)]) + data


def png():
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    rows = b"".join(b"\x01" + bytes([10, 20, 30, 255] * 3) for _ in range(2))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 3, 2, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))


def prop_int(name, value):
    return short(name) + b"\x02" + struct.pack("<b", value)


def prop_ident(name, value):
    return short(name) + b"\x07" + short(value)


def prop_bool(name, value):
    return short(name) + (b"\x09" if value else b"\x08")


def prop_binary(name, data):
    return short(name) + b"\x0a" + struct.pack("<i", len(data)) + data


def record(cls, name, props, children=b""):
    return short(cls) + short(name) + props + b"\x00" + children + b"\x00"


def main():
    os.makedirs(OUT, exist_ok=True)
    picture = short("TPNGObject") + png()
    bmp = short("TBitmap") + struct.pack("<I", 62) + b"BM" + struct.pack("<IHHI", 62, 0, 0, 54) + struct.pack(
        "<IiiHHIIiiII", 40, 2, 1, 1, 24, 0, 8, 0, 0, 0, 0) + bytes(8)
    image = record("TImage", "imgTree", prop_bool("AutoSize", True) + prop_binary("Picture.Data", picture))
    mask = record("TImage", "imgMask", prop_binary("Picture.Data", bmp))
    items = record("TMenuItem", "pmiA", short("Caption") + b"\x06" + short("Snow") + prop_ident("OnClick", "pmiClick"),
                   record("TMenuItem", "pmiB", prop_bool("RadioItem", True) + prop_bool("Checked", True)))
    menu = record("TPopupMenu", "PopupMenu1", prop_int("Left", 8) + prop_int("Top", 16), items)
    timer = record("TTimer", "Timer1", prop_int("Interval", 20) + prop_bool("Enabled", False))
    form_props = (prop_int("Left", 10) + prop_ident("BorderStyle", "bsNone") + prop_ident("Color", "clBtnFace")
                  + short("Font.Height") + b"\x02\xf5" + short("Font.Style") + b"\x0b\x00"
                  + prop_ident("PopupMenu", "PopupMenu1") + prop_ident("OnShow", "FormShow")
                  + prop_int("TextHeight", 13))
    seeds = {
        "full.bin": b"TPF0" + record("TFuzzForm", "frmMain", form_props, image + mask + menu + timer),
        "empty_form.bin": b"TPF0" + record("TFuzzForm", "frmMain", b""),
        "prefixed.bin": b"TPF0" + record("TFuzzForm", "frmMain", b"", menu + b"\xf1" + record("TPopupMenu", "PopupMenu1", b"")),
        "values.bin": b"TPF0" + record("TFuzzForm", "frmMain", short("Tag") + b"\x01\x02\x05\x03\x01\x00\x00"
                                       + short("Hint") + b"\x0e\x02\x01\x01" + short("X") + b"\x02\x01\x00\x00"),
    }
    for name, data in seeds.items():
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()

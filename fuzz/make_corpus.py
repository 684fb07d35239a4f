#!/usr/bin/env python3
"""Writes the seed corpus of the PNG read fuzzer into fuzz/corpus/png/.

Every seed is built here from formulas with zlib and struct only, so running
the script again gives the same bytes (for the same zlib). The seeds are
small on purpose: the fuzzer mutates them, the corruption sweep reads some.

    python3 fuzz/make_corpus.py [output-dir]
"""

import os
import struct
import sys
import zlib

SIGNATURE = b"\x89PNG\r\n\x1a\n"
CHANNELS = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}
# Adam7: column start, row start, column step, row step.
ADAM7 = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4),
         (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2)]


def chunk(kind, data=b"", crc=None):
    if isinstance(kind, str):
        kind = kind.encode("latin-1")
    if crc is None:
        crc = zlib.crc32(kind + data)
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", crc & 0xFFFFFFFF)


def ihdr(width, height, depth, colour, interlace=0, compression=0, filter_method=0):
    return chunk("IHDR", struct.pack(">IIBBBBB", width, height, depth, colour,
                                     compression, filter_method, interlace))


def pack_row(pixels, depth):
    """pixels: list of sample tuples; returns the packed row bytes."""
    samples = [s for px in pixels for s in px]
    if depth == 16:
        return b"".join(struct.pack(">H", s) for s in samples)
    if depth == 8:
        return bytes(samples)
    out = bytearray()
    acc = 0
    bits = 0
    for s in samples:
        acc = (acc << depth) | (s & ((1 << depth) - 1))
        bits += depth
        if bits == 8:
            out.append(acc)
            acc = 0
            bits = 0
    if bits:
        out.append(acc << (8 - bits))
    return bytes(out)


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    if pb <= pc:
        return b
    return c


def filter_row(kind, row, prev, bpp):
    if kind > 4:
        # Unknown filter types reach the reader unchanged.
        return bytes([kind]) + row
    out = bytearray([kind])
    for i, x in enumerate(row):
        a = row[i - bpp] if i >= bpp else 0
        b = prev[i]
        c = prev[i - bpp] if i >= bpp else 0
        pred = (0, a, b, (a + b) // 2, paeth(a, b, c))[kind]
        out.append((x - pred) & 0xFF)
    return bytes(out)


def filtered_stream(rows, depth, colour, filters):
    """rows: list of pixel rows. filters: one filter type per row, cycled."""
    bpp = max(1, CHANNELS[colour] * depth // 8)
    raw = bytearray()
    prev = None
    for y, pixels in enumerate(rows):
        packed = pack_row(pixels, depth)
        if prev is None:
            prev = bytes(len(packed))
        raw += filter_row(filters[y % len(filters)], packed, prev, bpp)
        prev = packed
    return bytes(raw)


def image_data(image, depth, colour, interlace, filters):
    if not interlace:
        return filtered_stream(image, depth, colour, filters)
    height = len(image)
    width = len(image[0]) if height else 0
    raw = b""
    for x0, y0, dx, dy in ADAM7:
        rows = [image[y][x0::dx] for y in range(y0, height, dy)]
        if rows and rows[0]:
            raw += filtered_stream(rows, depth, colour, filters)
    return raw


def make_image(width, height, colour, depth, seed=1):
    """A smooth picture with some noise, every sample within the bit depth."""
    top = (1 << depth) - 1
    state = seed
    image = []
    for y in range(height):
        row = []
        for x in range(width):
            state = (state * 1103515245 + 12345) & 0x7FFFFFFF
            noise = (state >> 16) & 0xF
            base = (x * 37 + y * 23 + noise) * top // (37 * max(width, 1) + 23 * max(height, 1) + 15)
            samples = []
            for c in range(CHANNELS[colour]):
                samples.append((base + c * top // 3 + (noise if depth >= 8 else 0)) % (top + 1))
            row.append(tuple(samples))
        image.append(row)
    return image


def png(width, height, colour, depth, interlace=0, filters=(0,), before=(), after=(),
        idat_parts=1, tail=b"", level=9, image=None):
    if image is None:
        image = make_image(width, height, colour, depth)
    data = zlib.compress(image_data(image, depth, colour, interlace, list(filters)), level)
    out = SIGNATURE + ihdr(width, height, depth, colour, interlace)
    out += b"".join(before)
    step = -(-len(data) // idat_parts)
    for i in range(idat_parts):
        out += chunk("IDAT", data[i * step:(i + 1) * step])
    out += b"".join(after)
    return out + chunk("IEND") + tail


def palette(count):
    return chunk("PLTE", bytes((i * 53 + c * 91) & 0xFF for i in range(count) for c in range(3)))


def text(keyword, value):
    return chunk("tEXt", keyword.encode("latin-1") + b"\0" + value.encode("latin-1"))


def itxt(keyword, value):
    return chunk("iTXt", keyword.encode("latin-1") + b"\0\0\0en\0\0" + value.encode("utf-8"))


def scene_sample():
    """Artwork-shaped: 40x30 RGBA, a soft snowy blob with an alpha falloff,
    Sub on every row, chunks IHDR tEXt iTXt IDAT IEND."""
    width, height = 40, 30
    image = []
    for y in range(height):
        row = []
        for x in range(width):
            dx = (x - 19.5) / 17.0
            dy = (y - 15.5) / 12.0
            d2 = dx * dx + dy * dy
            alpha = max(0, min(255, int(round(255 * (1.15 - d2)))))
            shade = max(0, min(255, 255 - int(60 * d2) - (x + y) % 3))
            row.append((shade - 20 if shade >= 20 else 0, shade - 8 if shade >= 8 else 0, shade,
                        alpha if d2 < 1.15 else 0))
        image.append(row)
    data = zlib.compress(filtered_stream(image, 8, 6, [1]), 9)
    return (SIGNATURE + ihdr(width, height, 8, 6) +
            text("Software", "Nivarra scene artwork") +
            itxt("Title", "Snow \u2744 sample") +
            chunk("IDAT", data) + chunk("IEND"))


def seeds():
    s = {}
    s["scene_sample.png"] = scene_sample()

    # Every colour type and bit depth, interlaced and not, all filter types.
    all_filters = (0, 1, 2, 3, 4)
    s["gray1.png"] = png(13, 7, 0, 1, filters=all_filters)
    s["gray2_adam7.png"] = png(11, 9, 0, 2, interlace=1, filters=all_filters)
    # A colour table in a greyscale image must not change the grey levels.
    s["gray4.png"] = png(9, 6, 0, 4, filters=(4, 3), before=[palette(3), chunk("tRNS", b"\x00\x05")])
    s["gray8_filters.png"] = png(16, 10, 0, 8, filters=all_filters,
                                 before=[chunk("gAMA", struct.pack(">I", 45455))])
    s["gray16_adam7.png"] = png(10, 10, 0, 16, interlace=1, filters=all_filters)
    s["rgb8_key.png"] = png(12, 8, 2, 8, filters=all_filters,
                            before=[chunk("tRNS", b"\x00\x10\x00\x20\x00\x30")])
    s["rgb16_adam7.png"] = png(9, 9, 2, 16, interlace=1, filters=(2, 4, 1))
    s["pal1.png"] = png(17, 5, 3, 1, before=[palette(2)])
    s["pal2_adam7.png"] = png(10, 10, 3, 2, interlace=1, filters=all_filters,
                              before=[palette(4), chunk("tRNS", b"\x00\x80\xff")])
    s["pal4_key.png"] = png(11, 6, 3, 4, filters=(1, 2),
                            before=[palette(16), chunk("tRNS", b"\xff\x00")])
    s["pal8_adam7.png"] = png(12, 12, 3, 8, interlace=1, filters=all_filters,
                              before=[palette(256), chunk("tRNS", bytes(range(0, 256, 8)))])
    s["graya8.png"] = png(10, 8, 4, 8, filters=all_filters)
    s["graya16_adam7.png"] = png(7, 7, 4, 16, interlace=1, filters=(3, 4))
    s["rgba8_adam7_split.png"] = png(24, 20, 6, 8, interlace=1, filters=all_filters,
                                     idat_parts=3,
                                     before=[text("Comment", "interlaced, three IDAT chunks")])
    s["rgba16.png"] = png(6, 5, 6, 16, filters=all_filters)

    # The rarer shapes of a valid stream.
    s["width1_adam7.png"] = png(1, 9, 6, 8, interlace=1, filters=(4,))
    s["zero_width.png"] = png(0, 3, 6, 8, image=[[] for _ in range(3)])
    s["filter7.png"] = png(8, 4, 2, 8, filters=(7, 0, 7, 1))
    s["idat_many.png"] = png(16, 16, 6, 8, filters=(1,), idat_parts=9, level=1)
    chrm = chunk("cHRM", struct.pack(">8I", 31270, 32900, 64000, 33000,
                                     30000, 60000, 15000, 6000))
    ztxt = chunk("zTXt", b"Comment\0\0" + zlib.compress(b"packed words " * 8))
    time = chunk("tIME", struct.pack(">HBBBBB", 2024, 12, 24, 18, 30, 5))
    s["chunks_all.png"] = png(
        10, 10, 6, 8, filters=(1,),
        before=[chunk("gAMA", struct.pack(">I", 100000)), chrm, text("Title", "Globe"), ztxt,
                itxt("Author", "Nivarra"), time, chunk("abCD", b"ancillary")],
        after=[text("Late", "after data"), chunk("IDAT", b"second run, never read"),
               chunk("IDAT", b"", crc=0)],
        tail=b"trailing bytes after IEND")
    # Text and time chunks too short to split; a zTXt whose zlib data is bad.
    s["odd_text_chunks.png"] = png(4, 4, 2, 8, before=[
        chunk("zTXt", b"k\0\0\x78\x9c\xff\xff"), chunk("tEXt", b"k"), chunk("tEXt", b"no-zero-byte"), chunk("zTXt", b"ab\0"),
        chunk("tIME", b"\x07"), chunk("gAMA", b"\x01")])
    s["pal8_no_plte.png"] = png(5, 5, 3, 8, before=[chunk("tRNS", b"\x00\x00\x40")])
    s["pal4_index_beyond.png"] = png(6, 4, 3, 4, before=[palette(3), chunk("tRNS", b"\x10\x20")])
    s["odd_depth.png"] = png(5, 5, 2, 8).replace(
        ihdr(5, 5, 8, 2), ihdr(5, 5, 4, 2))

    # Invalid streams.
    good = png(8, 8, 6, 8, filters=(1,), before=[text("Title", "x")])
    s["bad_signature.png"] = b"\x89PNG\r\n\x1a\x0b" + good[8:]
    s["bad_crc_text.png"] = good.replace(text("Title", "x"), chunk("tEXt", b"Title\0x", crc=1))
    idat_start = good.index(b"IDAT") - 4
    idat_len = struct.unpack(">I", good[idat_start:idat_start + 4])[0]
    crc_at = idat_start + 8 + idat_len
    s["bad_crc_idat.png"] = good[:crc_at] + bytes(b ^ 0x5A for b in good[crc_at:crc_at + 4]) + good[crc_at + 4:]
    s["truncated.png"] = good[:idat_start + 8 + idat_len // 2]
    s["missing_iend.png"] = good[:good.index(b"IEND") - 4]
    s["ihdr_not_first.png"] = SIGNATURE + text("Title", "first") + good[8:]
    s["unknown_critical.png"] = png(4, 4, 2, 8, before=[chunk("ABCD", b"critical")])
    s["no_idat.png"] = SIGNATURE + ihdr(4, 4, 8, 2) + chunk("IEND")
    s["too_wide.png"] = SIGNATURE + ihdr(65536, 1, 8, 0) + chunk("IDAT", zlib.compress(b"\0" * 16)) + chunk("IEND")
    s["huge_dimensions.png"] = SIGNATURE + ihdr(65535, 65535, 8, 6) + chunk("IDAT", zlib.compress(b"\0" * 64)) + chunk("IEND")
    s["short_ihdr.png"] = SIGNATURE + chunk("IHDR", struct.pack(">II", 4, 4)) + good[33:]
    s["bad_compression.png"] = SIGNATURE + ihdr(4, 4, 8, 2, compression=1) + good[33:]
    s["bad_interlace.png"] = SIGNATURE + ihdr(4, 4, 8, 2, interlace=2) + good[33:]
    s["bad_zlib.png"] = SIGNATURE + ihdr(4, 4, 8, 0) + chunk("IDAT", b"\x78\x9c\xff\xff\xff\xff\x00\x00") + chunk("IEND")
    s["missing_idat_parts.png"] = SIGNATURE + ihdr(16, 16, 8, 2) + chunk(
        "IDAT", zlib.compress(bytes(49 * 8))) + chunk("IEND")
    s["bad_palette.png"] = png(4, 4, 3, 8, before=[palette(257)], image=[[(0,)] * 4] * 4)
    s["chunk_length_2g.png"] = SIGNATURE + ihdr(4, 4, 8, 0) + struct.pack(">I", 0x80000000) + b"tEXt" + b"abc"
    return s


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "corpus", "png")
    os.makedirs(out_dir, exist_ok=True)
    for name, data in sorted(seeds().items()):
        if len(data) >= 4096:
            raise SystemExit(f"{name} is {len(data)} bytes; seeds stay below 4 KiB")
        with open(os.path.join(out_dir, name), "wb") as f:
            f.write(data)
    print(f"wrote {len(seeds())} seeds to {out_dir}")


if __name__ == "__main__":
    main()

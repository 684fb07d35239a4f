"""Pictures for the end-to-end checks: the X server's framebuffer (an XWD
file that Xvfb keeps up to date), the globe's outline from its mask bitmap,
and PNG files of what was seen. Standard library only."""

import struct
import zlib


class Image:
    """Pixels as (red, green, blue), row by row from the top."""

    def __init__(self, width, height, rgb):
        self.width = width
        self.height = height
        self.rgb = rgb  # bytes, 3 per pixel

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return self.rgb[i], self.rgb[i + 1], self.rgb[i + 2]

    def crop(self, left, top, width, height):
        left = max(0, left)
        top = max(0, top)
        width = min(width, self.width - left)
        height = min(height, self.height - top)
        rows = []
        for y in range(top, top + height):
            start = (y * self.width + left) * 3
            rows.append(self.rgb[start:start + width * 3])
        return Image(width, height, b"".join(rows))

    def save_png(self, path):
        raw = b"".join(b"\0" + self.rgb[y * self.width * 3:(y + 1) * self.width * 3] for y in range(self.height))

        def chunk(kind, data):
            body = kind + data
            return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

        header = struct.pack(">IIBBBBB", self.width, self.height, 8, 2, 0, 0, 0)
        with open(path, "wb") as f:
            f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 6)) +
                    chunk(b"IEND", b""))


def read_framebuffer(path):
    """The screen as Xvfb's -fbdir file holds it (32 bits per pixel, in
    the byte order its header gives)."""
    with open(path, "rb") as f:
        data = f.read()
    fields = struct.unpack(">25I", data[:100])
    header_size, depth, width, height = fields[0], fields[3], fields[4], fields[5]
    byte_order, bits_per_pixel, bytes_per_line, ncolors = fields[7], fields[11], fields[12], fields[19]
    if bits_per_pixel != 32 or depth != 24:
        raise RuntimeError(f"unexpected framebuffer format: depth {depth}, {bits_per_pixel} bits per pixel")
    offset = header_size + ncolors * 12
    rgb = bytearray(width * height * 3)
    for y in range(height):
        row = data[offset + y * bytes_per_line:offset + y * bytes_per_line + width * 4]
        if byte_order == 0:  # least significant byte first: blue, green, red, pad
            rgb[y * width * 3 + 0:(y + 1) * width * 3:3] = row[2::4]
            rgb[y * width * 3 + 1:(y + 1) * width * 3:3] = row[1::4]
            rgb[y * width * 3 + 2:(y + 1) * width * 3:3] = row[0::4]
        else:
            rgb[y * width * 3 + 0:(y + 1) * width * 3:3] = row[1::4]
            rgb[y * width * 3 + 1:(y + 1) * width * 3:3] = row[2::4]
            rgb[y * width * 3 + 2:(y + 1) * width * 3:3] = row[3::4]
    return Image(width, height, bytes(rgb))


class PixelPeek:
    """A few framebuffer pixels, read without converting the whole screen."""

    def __init__(self, path):
        self.path = path

    def pixels(self, points):
        with open(self.path, "rb") as f:
            head = f.read(100)
            fields = struct.unpack(">25I", head)
            header_size, byte_order, bytes_per_line, ncolors = fields[0], fields[7], fields[12], fields[19]
            offset = header_size + ncolors * 12
            result = []
            for x, y in points:
                f.seek(offset + y * bytes_per_line + x * 4)
                b = f.read(4)
                result.append((b[2], b[1], b[0]) if byte_order == 0 else (b[1], b[2], b[3]))
            return result


def read_mask(path):
    """The globe's outline from its 24-bit mask bitmap: a list of rows, True
    where the pixel is pure white (outside the globe)."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:2] != b"BM":
        raise RuntimeError(f"{path} is not a bitmap")
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height = struct.unpack_from("<ii", data, 18)
    bits = struct.unpack_from("<H", data, 28)[0]
    if bits != 24:
        raise RuntimeError(f"{path}: {bits} bits per pixel, 24 expected")
    stride = (width * 3 + 3) // 4 * 4
    bottom_up = height > 0
    height = abs(height)
    rows = []
    for y in range(height):
        stored = height - 1 - y if bottom_up else y
        row = data[offset + stored * stride:offset + stored * stride + width * 3]
        rows.append([row[i:i + 3] == b"\xff\xff\xff" for i in range(0, width * 3, 3)])
    return rows

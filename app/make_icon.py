#!/usr/bin/env python3
"""Draws the program's icon and writes it as a multi-size .ico file.

The picture: a deep blue rounded tile holding three list lines, with a
four-pointed golden spark at the upper right, the "glimmer" of the name.
Every size is rendered from the same vector shapes with 4x4 supersampling.

    make_icon.py OUT.ico [logo OUT.bmp WIDTH HEIGHT [OUT.bmp WIDTH HEIGHT ...]]

Each logo size is drawn from the shapes, not scaled from another, so that
the About box shows a sharp picture at every screen density.
"""
import struct
import sys
import zlib

SIZES = (16, 20, 24, 32, 40, 48, 64, 256)


def inside_round_rect(x, y, x0, y0, x1, y1, r):
    cx = min(max(x, x0 + r), x1 - r)
    cy = min(max(y, y0 + r), y1 - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r and x0 <= x <= x1 and y0 <= y <= y1


def inside_spark(x, y, cx, cy, r):
    # A four-pointed star: |dx|^0.5 + |dy|^0.5 <= r^0.5
    dx, dy = abs(x - cx), abs(y - cy)
    return dx ** 0.5 + dy ** 0.5 <= r ** 0.5


def shade(u, v):
    """Colour (r, g, b, a) of the unit-square point (u, v), y downwards."""
    if inside_spark(u, v, 0.76, 0.24, 0.22):
        return (255, 214, 64, 255)
    if inside_round_rect(u, v, 0.06, 0.10, 0.90, 0.94, 0.14):
        for top in (0.40, 0.56, 0.72):
            if inside_round_rect(u, v, 0.20, top, 0.76, top + 0.075, 0.03):
                return (236, 242, 250, 255)
        shade_ = int(40 + 50 * (1 - v))
        return (20, shade_, 120 + int(40 * (1 - v)), 255)
    return (0, 0, 0, 0)


def render(width, height, picture=shade, samples=4):
    rows = []
    for y in range(height):
        row = []
        for x in range(width):
            acc = [0, 0, 0, 0]
            for sy in range(samples):
                for sx in range(samples):
                    u = (x + (sx + 0.5) / samples) / width
                    v = (y + (sy + 0.5) / samples) / height
                    c = picture(u, v)
                    a = c[3]
                    acc[0] += c[0] * a
                    acc[1] += c[1] * a
                    acc[2] += c[2] * a
                    acc[3] += a
            n = samples * samples
            a = acc[3] / n
            if acc[3]:
                row.append((acc[0] // acc[3], acc[1] // acc[3], acc[2] // acc[3], int(a)))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


def png(rows):
    h, w = len(rows), len(rows[0])
    raw = b"".join(b"\0" + bytes(v for px in row for v in px) for row in rows)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def dib(rows):
    """A 32-bit icon bitmap: header with doubled height, BGRA bottom-up, AND mask."""
    h, w = len(rows), len(rows[0])
    header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
    stride = ((w + 31) // 32) * 4
    mask = b""
    for row in reversed(rows):
        bits = bytearray(stride)
        for x, px in enumerate(row):
            if px[3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(bits)
    return header + pixels + mask


def write_ico(path):
    images = []
    for s in SIZES:
        rows = render(s, s, samples=4 if s <= 64 else 2)
        images.append((s, png(rows) if s >= 256 else dib(rows)))
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for s, data in images:
        dim = 0 if s >= 256 else s
        out += struct.pack("<BBBBHHII", dim, dim, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    out += b"".join(data for _, data in images)
    with open(path, "wb") as f:
        f.write(out)


def logo_picture(u, v, aspect):
    # The About box banner: a blue gradient with the tile at the left and a
    # row of sparks trailing off to the right.
    x = u * aspect
    tile = shade(x / 1.0 * 1.0 if x < 1 else 2.0, v) if x < 1.0 else (0, 0, 0, 0)
    if x < 1.0 and tile[3]:
        return tile
    for i, (cx, cy, r) in enumerate(((1.35, 0.30, 0.10), (1.75, 0.55, 0.07), (2.10, 0.30, 0.05))):
        if inside_spark(x, v, cx, cy, r):
            return (255, 214, 64, 255)
    g = int(60 + 80 * (1 - v))
    return (24, g, 150 + int(60 * u), 255)


def write_logo_bmp(path, width, height):
    aspect = width / height
    rows = render(width, height, picture=lambda u, v: logo_picture(u, v, aspect), samples=2)
    stride = (width * 3 + 3) & ~3
    pixels = b""
    for row in reversed(rows):
        line = b"".join(bytes((b, g, r)) for (r, g, b, a) in row)
        pixels += line + b"\0" * (stride - len(line))
    header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(b"BM" + struct.pack("<IHHI", 14 + len(header) + len(pixels), 0, 0, 14 + len(header)))
        f.write(header + pixels)


if __name__ == "__main__":
    write_ico(sys.argv[1])
    if len(sys.argv) >= 6 and sys.argv[2] == "logo":
        args = sys.argv[3:]
        for i in range(0, len(args) - 2, 3):
            write_logo_bmp(args[i], int(args[i + 1]), int(args[i + 2]))

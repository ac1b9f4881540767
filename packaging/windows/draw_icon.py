#!/usr/bin/env python3
"""Draws the icon of TARN's Windows programs and writes it as an .ico file.

    draw_icon.py OUT.ico

A white check mark on a night-blue rounded square, with a gold star for the game's space
above it at the sizes large enough to show one. Every shape is drawn from its signed
distance, so each size is sharp and smoothed without a drawing library: the build needs
Python alone, and the same script always writes the same bytes.
"""
import math
import os
import struct
import sys
import zlib

SIZES = (16, 24, 32, 48, 64, 256)
TOP, BOTTOM = (0x16, 0x24, 0x45), (0x23, 0x4d, 0x8a)
WHITE, GOLD = (0xff, 0xff, 0xff), (0xf5, 0xb8, 0x2e)
CHECK = ((0.25, 0.53), (0.43, 0.71), (0.77, 0.34))  # in parts of the side


def segment_distance(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(px - ax - t * dx, py - ay - t * dy)


def rounded_square(px, py, size):
    """Signed distance (pixels) from the rounded square filling the icon, one margin in."""
    half, radius = size * 0.47, size * 0.2
    qx = abs(px - size / 2) - (half - radius)
    qy = abs(py - size / 2) - (half - radius)
    outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
    return outside + min(max(qx, qy), 0.0) - radius


def check_mark(px, py, size):
    points = [(x * size, y * size) for x, y in CHECK]
    line = min(segment_distance(px, py, *points[i], *points[i + 1]) for i in range(2))
    return line - max(size * 0.065, 1.1)


def star(px, py, size):
    """A four-pointed star at the upper left: its distance, negative inside."""
    cx, cy, outer, inner = size * 0.3, size * 0.3, size * 0.14, size * 0.035
    corners = []
    for i in range(8):
        angle = math.pi / 4 * i - math.pi / 2
        r = outer if i % 2 == 0 else inner
        corners.append((cx + r * math.cos(angle), cy + r * math.sin(angle)))
    edges = list(zip(corners, corners[1:] + corners[:1]))
    distance = min(segment_distance(px, py, *a, *b) for a, b in edges)
    inside = False
    for (ax, ay), (bx, by) in edges:
        if (ay > py) != (by > py) and px < ax + (py - ay) * (bx - ax) / (by - ay):
            inside = not inside
    return -distance if inside else distance


def coverage(distance):
    return max(0.0, min(1.0, 0.5 - distance))


def over(below, colour, alpha):
    """colour at alpha over the straight-alpha pixel below."""
    r, g, b, a = below
    out = alpha + a * (1 - alpha)
    if out == 0:
        return (0.0, 0.0, 0.0, 0.0)
    mix = [(c * alpha + d * a * (1 - alpha)) / out for c, d in zip(colour, (r, g, b))]
    return (*mix, out)


def draw(size):
    """Rows of (r, g, b, a) bytes, top row first."""
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            px, py = x + 0.5, y + 0.5
            t = py / size
            pixel = over((0, 0, 0, 0), [a + (b - a) * t for a, b in zip(TOP, BOTTOM)],
                         coverage(rounded_square(px, py, size)))
            pixel = over(pixel, WHITE, coverage(check_mark(px, py, size)))
            if size >= 32:
                pixel = over(pixel, GOLD, coverage(star(px, py, size)))
            row.append(tuple(int(round(c)) for c in pixel[:3]) + (int(round(pixel[3] * 255)),))
        rows.append(row)
    return rows


def png(rows):
    """The PNG form, which icons of 256 pixels are stored in."""
    size = len(rows)
    raw = b"".join(b"\0" + bytes(c for pixel in row for c in pixel) for row in rows)

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xffffffff))

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def bitmap(rows):
    """The device-independent bitmap form of the smaller sizes, which every Windows reads:
    colour rows bottom up in BGRA, then the transparency mask the format still wants."""
    size = len(rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for r, g, b, a in row)
    stride = (size + 31) // 32 * 4
    mask = b""
    for row in reversed(rows):
        bits = bytearray(stride)
        for x, pixel in enumerate(row):
            if pixel[3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(bits)
    return header + colour + mask


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: draw_icon.py OUT.ico")
    images = [png(draw(s)) if s >= 256 else bitmap(draw(s)) for s in SIZES]
    data = struct.pack("<HHH", 0, 1, len(SIZES))
    offset = len(data) + 16 * len(SIZES)
    for size, image in zip(SIZES, images):
        side = 0 if size >= 256 else size
        data += struct.pack("<BBBBHHII", side, side, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    data += b"".join(images)
    # Written whole or not at all: a build stopped half-way leaves no broken icon behind.
    part = sys.argv[1] + ".part"
    with open(part, "wb") as out:
        out.write(data)
    os.replace(part, sys.argv[1])


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Draws the Sonorix icon: a flat, dead grey line that comes back to life as a
green sound wave swelling to the right, on a dark rounded tile.

Writes one .ico file holding a 32x32 and a 16x16 image, 16 colours each
(4 bits per pixel, one plane).  Usage: draw_icon.py OUTPUT.ico
"""

import math
import struct
import sys

# The standard 16-colour palette, as (red, green, blue).
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
BLACK, GREEN, NAVY, GREY, LIME, YELLOW, WHITE = 0, 2, 4, 8, 10, 11, 15


def tile_mask(size):
    """True where the rounded tile covers the pixel."""
    radius = size // 5
    inside = [[True] * size for _ in range(size)]
    for y in range(size):
        for x in range(size):
            cx = min(max(x, radius), size - 1 - radius)
            cy = min(max(y, radius), size - 1 - radius)
            if (x - cx) ** 2 + (y - cy) ** 2 > radius * radius:
                inside[y][x] = False
    return inside


def wave_points(size):
    """The curve as one y per column: flat up to the spark, then a sine whose
    amplitude grows towards the right edge."""
    margin = max(2, size // 8)
    mid = size // 2
    start = size * 3 // 8
    end = size - margin
    points = {}
    for x in range(margin, end):
        if x < start:
            points[x] = mid
            continue
        t = (x - start) / (end - start)
        amplitude = (mid - margin - 1) * min(1.0, 0.2 + t)
        points[x] = round(mid - amplitude * math.sin(t * 2 * 2 * math.pi))
    return points, start, mid


def draw(size):
    inside = tile_mask(size)
    pixels = [[NAVY if inside[y][x] else BLACK for x in range(size)] for y in range(size)]
    points, start, mid = wave_points(size)
    previous = None
    for x in sorted(points):
        y = points[x]
        colour = GREY if x < start else LIME
        low, high = (y, y) if previous is None else (min(y, previous), max(y, previous))
        for row in range(low, high + 1):
            pixels[row][x] = colour
            if size >= 32 and colour == LIME and pixels[row][x - 1] == NAVY:
                pixels[row][x - 1] = GREEN
        previous = y
    # The spark where the line comes back to life.
    spark = [(0, 0), (-1, 0), (1, 0), (0, -1), (0, 1)]
    if size >= 32:
        spark += [(-2, 0), (2, 0), (0, -2), (0, 2)]
    for dx, dy in spark:
        pixels[mid + dy][start + dx] = YELLOW
    pixels[mid][start] = WHITE
    return pixels, inside


def image(size):
    """One icon image as stored: header, palette, colour bits, mask bits."""
    pixels, inside = draw(size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    colour = bytearray()
    mask = bytearray()
    mask_stride = ((size + 31) // 32) * 4
    for y in reversed(range(size)):
        row = pixels[y]
        for x in range(0, size, 2):
            colour.append((row[x] << 4) | row[x + 1])
        bits = bytearray(mask_stride)
        for x in range(size):
            if not inside[y][x]:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + palette + bytes(colour) + bytes(mask)


def icon_file(sizes):
    images = [image(size) for size in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    return out + b"".join(images)


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: draw_icon.py OUTPUT.ico")
    with open(sys.argv[1], "wb") as output:
        output.write(icon_file([32, 16]))


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Draws the application icon, resources/Tinemaster.ico, with nothing but the
standard library: a dark key-shaped tile with a row of tines of falling
length, at 16, 32 and 48 pixels, 32-bit colour with alpha. The output is the
same on every run; the committed file is this script's output.

    python3 tools/make_icon.py [OUT.ico]
"""
import os
import struct
import sys

SIZES = (16, 32, 48)
TILE = (0x2B, 0x2F, 0x3A)        # dark slate
TILE_EDGE = (0x15, 0x17, 0x1E)
TINE_TOP = (0xF4, 0xD2, 0x7A)    # brass, lighter at the struck end
TINE_BOTTOM = (0xB8, 0x86, 0x2E)
BAR = (0xD9, 0xDD, 0xE6)         # the tone bar the tines hang from


def inside_rounded(x, y, size, radius):
    """Whether the pixel centre lies in a square with rounded corners."""
    cx, cy = x + 0.5, y + 0.5
    r = radius
    nx = min(max(cx, r), size - r)
    ny = min(max(cy, r), size - r)
    return (cx - nx) ** 2 + (cy - ny) ** 2 <= r * r


def mix(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


def draw(size):
    """Rows top to bottom of (r, g, b, a)."""
    s = size / 32.0
    radius = 6 * s
    pixels = [[(0, 0, 0, 0)] * size for _ in range(size)]
    for y in range(size):
        for x in range(size):
            if inside_rounded(x, y, size, radius):
                edge = not all(0 <= nx < size and 0 <= ny < size and inside_rounded(nx, ny, size, radius)
                               for nx, ny in ((x - 1, y), (x + 1, y), (x, y - 1), (x, y + 1)))
                pixels[y][x] = (*(TILE_EDGE if edge else TILE), 255)
    # The bar across the top.
    bar_top, bar_bottom = int(5 * s), int(8 * s)
    for y in range(bar_top, max(bar_bottom, bar_top + 1)):
        for x in range(int(4 * s), size - int(4 * s)):
            pixels[y][x] = (*BAR, 255)
    # Five tines, longest on the left like the low keys.
    count = 5
    left, right = 5 * s, size - 5 * s
    pitch = (right - left) / count
    width = max(1, int(round(pitch * 0.55)))
    for i in range(count):
        x0 = int(round(left + i * pitch + (pitch - width) / 2))
        length = (26 - 3.2 * i) * s
        y0 = max(bar_bottom, bar_top + 1)
        y1 = min(size - int(2 * s) - 1, int(round(y0 + length - 8 * s)))
        for y in range(y0, y1 + 1):
            t = (y - y0) / max(1, y1 - y0)
            for x in range(x0, min(size, x0 + width)):
                pixels[y][x] = (*mix(TINE_BOTTOM, TINE_TOP, t), 255)
    return pixels


def image_entry(size):
    """BITMAPINFOHEADER, bottom-up BGRA pixels and an all-clear AND mask."""
    rows = draw(size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    xor = bytearray()
    for row in reversed(rows):
        for r, g, b, a in row:
            xor += bytes((b, g, r, a))
    mask_row = ((size + 31) // 32) * 4
    return header + bytes(xor) + bytes(mask_row * size)


def icon_bytes():
    images = [image_entry(size) for size in SIZES]
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for size, data in zip(SIZES, images):
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for data in images:
        out += data
    return bytes(out)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    path = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "resources", "Tinemaster.ico")
    with open(path, "wb") as f:
        f.write(icon_bytes())


if __name__ == "__main__":
    main()

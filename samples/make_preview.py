#!/usr/bin/env python3
"""Writes the demo's preview bitmap: 350 x 150, 24 bits per pixel, always
the same bytes (a sea-coloured gradient with a few rising bubbles).

usage: make_preview.py OUT.bmp [WIDTH HEIGHT]
"""

import struct
import sys

BUBBLES = [(60, 110, 18), (120, 60, 10), (200, 95, 24), (270, 40, 14), (315, 120, 8)]


def pixel(x, y, width, height):
    """(blue, green, red) of the pixel at column x, row y (row 0 at the top)."""
    depth = y / max(height - 1, 1)
    blue = int(230 - 90 * depth)
    green = int(190 - 120 * depth + 20 * ((x // 25) % 2))
    red = int(40 - 30 * depth)
    for cx, cy, radius in BUBBLES:
        d2 = (x - cx) ** 2 + (y - cy) ** 2
        if d2 <= radius * radius:
            ring = d2 >= (radius - 2) ** 2
            return (255, 255, 255) if ring else (min(blue + 20, 255), min(green + 40, 255), 120)
    return (blue, green, red)


def bitmap_bytes(width=350, height=150):
    """A BITMAPFILEHEADER + BITMAPINFOHEADER + bottom-up pixel rows.

    Layout: 'BM', u32 file size, u32 0, u32 54 (pixel offset); then a 40-byte
    info header: u32 40, s32 width, s32 height (positive: bottom-up), u16 1
    plane, u16 24 bits, u32 0 (BI_RGB), u32 image size, s32 2835 x 2 (72 dpi),
    u32 0 colours, u32 0 important. Each row is padded to 4 bytes.
    """
    row_size = (width * 3 + 3) & ~3
    image_size = row_size * height
    header = struct.pack("<2sIII", b"BM", 54 + image_size, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, image_size, 2835, 2835, 0, 0)
    rows = []
    for y in reversed(range(height)):
        row = bytearray()
        for x in range(width):
            row += bytes(pixel(x, y, width, height))
        row += b"\0" * (row_size - width * 3)
        rows.append(bytes(row))
    return header + info + b"".join(rows)


def main(argv):
    if len(argv) not in (2, 4):
        print(__doc__, file=sys.stderr)
        return 2
    width, height = (int(argv[2]), int(argv[3])) if len(argv) == 4 else (350, 150)
    with open(argv[1], "wb") as out:
        out.write(bitmap_bytes(width, height))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

#!/usr/bin/env python3
"""Draws the installer's icon and writes it as a Windows .ico file.

One icon, three images (16, 32 and 48 pixels square), 256 colours each: a
monitor showing a night sea under a moon and stars, with a green install arrow.
Only the standard library is used and the output is the same on every run:

    python3 make_icon.py installer.ico
"""

import math
import struct
import sys

SIZES = (16, 32, 48)
SUPERSAMPLE = 4


def palette():
    """A 6x6x6 colour cube and a 40-step grey ramp: 256 colours."""
    levels = (0, 51, 102, 153, 204, 255)
    colours = [(r, g, b) for r in levels for g in levels for b in levels]
    colours += [(round(i * 255 / 39),) * 3 for i in range(40)]
    return colours


def nearest(colour, colours, cache):
    if colour not in cache:
        cache[colour] = min(
            range(len(colours)),
            key=lambda i: sum((a - b) ** 2 for a, b in zip(colour, colours[i])),
        )
    return cache[colour]


def rounded_box(x, y, left, top, right, bottom, radius):
    cx = min(max(x, left + radius), right - radius)
    cy = min(max(y, top + radius), bottom - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius**2 and left <= x <= right and top <= y <= bottom


def screen_colour(x, y):
    """The picture on the monitor: sky gradient, stars, moon, waves."""
    t = (y - 0.15) / 0.51
    sky = (int(10 + 20 * t), int(30 + 90 * t), int(90 + 110 * t))
    if (x - 0.68) ** 2 + (y - 0.28) ** 2 <= 0.07**2:
        return (250, 240, 170)
    for sx, sy in ((0.25, 0.24), (0.42, 0.20), (0.34, 0.35), (0.55, 0.31)):
        if abs(x - sx) + abs(y - sy) <= 0.025:
            return (255, 255, 255)
    wave = 0.50 + 0.04 * math.sin((x - 0.13) * 4 * math.pi)
    if y >= wave:
        depth = (y - wave) / 0.2
        return (0, int(190 - 90 * depth), int(200 - 60 * depth))
    return sky


def arrow_colour(x, y):
    """A green disc with a white downward arrow, or None outside the disc."""
    cx, cy, r = 0.76, 0.76, 0.22
    if (x - cx) ** 2 + (y - cy) ** 2 > r**2:
        return None
    u, v = x - cx, y - cy
    if (abs(u) <= 0.045 and -0.15 <= v <= 0.02) or (0.0 <= v <= 0.13 and abs(u) <= 0.13 - v):
        return (255, 255, 255)
    if (x - cx) ** 2 + (y - cy) ** 2 > (r - 0.025) ** 2:
        return (0, 90, 0)
    return (40, 170, 40)


def sample(x, y):
    """Colour at a point of the unit square, or None where transparent."""
    badge = arrow_colour(x, y)
    if badge is not None:
        return badge
    if 0.13 <= x <= 0.87 and 0.15 <= y <= 0.66:
        return screen_colour(x, y)
    if rounded_box(x, y, 0.04, 0.07, 0.96, 0.74, 0.06):
        return (70, 70, 80)
    if 0.42 <= x <= 0.58 and 0.74 <= y <= 0.84:
        return (120, 120, 130)
    if rounded_box(x, y, 0.24, 0.84, 0.76, 0.93, 0.03):
        return (150, 150, 160)
    return None


def render(size):
    """Pixels top-down as (r, g, b) or None, averaged over sub-samples."""
    rows = []
    n = SUPERSAMPLE
    for py in range(size):
        row = []
        for px in range(size):
            hits = []
            for sy in range(n):
                for sx in range(n):
                    c = sample((px + (sx + 0.5) / n) / size, (py + (sy + 0.5) / n) / size)
                    if c is not None:
                        hits.append(c)
            if len(hits) * 2 < n * n:
                row.append(None)
            else:
                row.append(tuple(round(sum(c[i] for c in hits) / len(hits)) for i in range(3)))
        rows.append(row)
    return rows


def image_bytes(size, colours):
    """BITMAPINFOHEADER, palette, 8-bit XOR rows and 1-bit AND rows, bottom-up."""
    rows = render(size)
    cache = {}
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 8, 0, 0, 0, 0, 256, 0)
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in colours)
    xor_stride = (size + 3) & ~3
    and_stride = ((size + 31) // 32) * 4
    xor = bytearray()
    mask = bytearray()
    for row in reversed(rows):
        line = bytes(0 if c is None else nearest(c, colours, cache) for c in row)
        xor += line + bytes(xor_stride - size)
        bits = bytearray(and_stride)
        for x, c in enumerate(row):
            if c is None:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + table + bytes(xor) + bytes(mask)


def icon_file():
    colours = palette()
    images = [image_bytes(size, colours) for size in SIZES]
    # ICONDIR: reserved, type 1 (icon), count; then one 16-byte entry per image:
    # width, height, colour count (0 = 256), reserved, planes, bits, size, offset.
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip(SIZES, images):
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 8, len(data), offset)
        offset += len(data)
    return out + b"".join(images)


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_icon.py OUTPUT.ico")
    with open(sys.argv[1], "wb") as f:
        f.write(icon_file())


if __name__ == "__main__":
    main()

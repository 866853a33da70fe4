#!/usr/bin/env python3
"""Draws the configurator's icon (a globe with a link) as vpsetup.ico: 32x32 and 16x16, 32 bits."""
import math
import struct
import sys


def pixel(x, y, size):
    c = (size - 1) / 2.0
    r = size * 0.46
    dx, dy = x - c, y - c
    d = math.hypot(dx, dy)
    if d > r:
        return (0, 0, 0, 0)
    # meridians and parallels of a globe, in white over blue
    line = abs(dx) < 0.6 or abs(dy) < 0.6 or abs(d - r * 0.55) < 0.6 or abs(abs(dx) - r * 0.5 * math.sqrt(max(0.0, 1 - (dy / r) ** 2))) < 0.6
    if d > r - 1.2:
        return (20, 40, 110, 255)
    return (240, 240, 240, 255) if line else (40, 110, 200, 255)


def image(size):
    rows = []
    for y in range(size - 1, -1, -1):  # bottom-up
        for x in range(size):
            r, g, b, a = pixel(x, y, size)
            rows.append(struct.pack("<BBBB", b, g, r, a))
    xor = b"".join(rows)
    mask_row = ((size + 31) // 32) * 4
    mask = b"\0" * (mask_row * size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    return header + xor + mask


def main(path):
    sizes = [32, 16]
    images = [image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for s, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", s, s, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(path, "wb") as f:
        f.write(out + b"".join(images))


main(sys.argv[1] if len(sys.argv) > 1 else "vpsetup.ico")

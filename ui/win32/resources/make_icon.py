#!/usr/bin/env python3
"""Writes the program icon: a tile with the drum list's three target colours.

Usage: make_icon.py OUTPUT.ico

Drawn here rather than committed as a binary. Each size is a 32-bit BGRA
bitmap with its AND mask, the layout that every Windows version reads.
"""

import struct
import sys

OUTLINE = (60, 60, 70, 255)
BANDS = [(200, 230, 255, 255), (255, 220, 220, 255), (220, 255, 220, 255)]  # TR4, TR5, BOTH
CLEAR = (0, 0, 0, 0)


def pixel(x, y, size):
    """The colour at (x, y), y counted from the top."""
    margin = size // 16
    inner = size - 2 * margin
    if not (margin <= x < size - margin and margin <= y < size - margin):
        return CLEAR
    border = max(1, size // 16)
    if x < margin + border or x >= size - margin - border or y < margin + border or y >= size - margin - border:
        return OUTLINE
    band = min(2, (y - margin) * 3 // inner)
    # A dark divider between the bands, like the rows of the list.
    if (y - margin) * 3 % inner < 3 * border and band > 0:
        return OUTLINE
    return BANDS[band]


def bitmap(size):
    rows = []
    for y in reversed(range(size)):  # bottom-up
        rows.append(b"".join(bytes((b, g, r, a)) for r, g, b, a in (pixel(x, y, size) for x in range(size))))
    colour = b"".join(rows)
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for y in reversed(range(size)):
        row = bytearray(mask_stride)
        for x in range(size):
            if pixel(x, y, size)[3] == 0:
                row[x // 8] |= 0x80 >> (x % 8)
        mask += row
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(colour) + len(mask), 0, 0, 0, 0)
    return header + colour + bytes(mask)


def icon(sizes):
    images = [bitmap(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    return out + b"".join(images)


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit("usage: make_icon.py OUTPUT.ico")
    with open(sys.argv[1], "wb") as f:
        f.write(icon([16, 32, 48]))

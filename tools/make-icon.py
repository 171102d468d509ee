#!/usr/bin/env python3
"""Writes the program's icon (app/saver.ico): a few stars of the saver's own
palette on black, at 16, 32 and 48 pixels, as 32-bit images with an AND mask.
The icon is kept in the repository; run this again after changing it:

    tools/make-icon.py app/saver.ico
"""
import struct
import sys

# Star centres on a 48-pixel grid, with their brightness (0-255).
STARS = [(9, 11, 255), (34, 8, 180), (24, 24, 255), (40, 30, 140), (14, 36, 200), (30, 41, 120),
         (20, 15, 90), (43, 17, 110), (6, 26, 130)]


def pixel(x, y, size):
    """The BGRA colour at (x, y) of an image of `size` pixels."""
    scale = 48 / size
    gx, gy = (x + 0.5) * scale, (y + 0.5) * scale
    light = 0
    for sx, sy, brightness in STARS:
        distance = max(abs(gx - sx - 0.5), abs(gy - sy - 0.5))
        if distance <= max(1.0, scale * 0.75):
            light = max(light, brightness)
    return bytes((light, light, light, 255))


def image(size):
    """One icon image: BITMAPINFOHEADER, bottom-up pixels, AND mask."""
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(pixel(x, y, size) for y in reversed(range(size)) for x in range(size))
    mask_row = ((size + 31) // 32) * 4
    return header + pixels + bytes(mask_row * size)


def icon(sizes):
    images = [image(size) for size in sizes]
    offset = 6 + 16 * len(images)
    directory = struct.pack("<HHH", 0, 1, len(images))
    for size, data in zip(sizes, images):
        directory += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return directory + b"".join(images)


if __name__ == "__main__":
    with open(sys.argv[1], "wb") as out:
        out.write(icon([16, 32, 48]))

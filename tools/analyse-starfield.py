#!/usr/bin/env python3
"""Checks a picture of the saver's screen: mostly black, with a few stars.

Reads raw 8-bit RGB pixels (ImageMagick: convert shot.png -depth 8 rgb:-) on
standard input; WIDTH and HEIGHT are the arguments. Stars are grey: red, green
and blue equal, and never darker than the farthest star (grey 32); the
message line across the middle (13 rows from half the height) is left out, as
its text may be smoothed. Exits 1
with the reason when the picture does not look like that.
"""
import sys


def main():
    width, height = int(sys.argv[1]), int(sys.argv[2])
    data = sys.stdin.buffer.read()
    pixels = width * height
    if len(data) != pixels * 3:
        print(f"expected {pixels * 3} bytes, got {len(data)}")
        return 1
    lit = 0
    coloured = 0
    too_dark = 0
    line_top = height // 2
    line_rows = range(line_top * width * 3, (line_top + 13) * width * 3)
    for i in range(0, len(data), 3):
        if i in line_rows:
            continue
        r, g, b = data[i], data[i + 1], data[i + 2]
        if r == g == b == 0:
            continue
        lit += 1
        if not r == g == b:
            coloured += 1
        elif r < 32:
            too_dark += 1
    print(f"{lit} of {pixels} pixels lit, {coloured} not grey, {too_dark} darker than grey 32")
    if lit * 10 > pixels:
        print("more than a tenth of the screen is lit: not a black saver screen")
        return 1
    if lit < 5:
        print("no stars on the screen")
        return 1
    if coloured or too_dark:
        print("some lit pixels are not star greys")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())

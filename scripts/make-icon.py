#!/usr/bin/env python3
"""Draws the loader's icon (a white arrow into a tray on a blue rounded tile) and writes it as
resources/loader.ico: one 32x32 image at 32 bits per pixel, with its AND mask."""
import os
import struct

SIZE = 32


def inside_rounded_square(x, y, margin=1, radius=6):
    lo, hi = margin, SIZE - 1 - margin
    if not (lo <= x <= hi and lo <= y <= hi):
        return False
    cx = min(max(x, lo + radius), hi - radius)
    cy = min(max(y, lo + radius), hi - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


def is_arrow(x, y):
    shaft = 14 <= x <= 17 and 6 <= y <= 15
    head = 16 <= y <= 21 and abs(x - 15.5) <= 21.5 - y
    return shaft or head


def is_tray(x, y):
    bottom = 23 <= y <= 25 and 7 <= x <= 24
    sides = 19 <= y <= 25 and (7 <= x <= 9 or 22 <= x <= 24)
    return bottom or sides


def pixel(x, y):
    """BGRA of the pixel at column x, row y counted from the top."""
    if not inside_rounded_square(x, y):
        return (0, 0, 0, 0)
    if is_arrow(x, y) or is_tray(x, y):
        return (255, 255, 255, 255)
    shade = 40 + (y * 3)
    return (200, 110 + shade // 4, shade // 2, 255)


def main():
    rows = []
    for y in reversed(range(SIZE)):  # bitmaps are stored bottom-up
        rows.append(b"".join(bytes(pixel(x, y)) for x in range(SIZE)))
    xor = b"".join(rows)
    and_mask = bytes(4 * SIZE)  # all zero: transparency comes from the alpha channel
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 32, 0, len(xor) + len(and_mask),
                         0, 0, 0, 0)
    image = header + xor + and_mask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 32, len(image), 6 + 16)
    target = os.path.join(os.path.dirname(__file__), "..", "resources", "loader.ico")
    with open(target, "wb") as out:
        out.write(directory + entry + image)


if __name__ == "__main__":
    main()

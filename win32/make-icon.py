#!/usr/bin/env python3
"""Writes TarnwellUpdate.ico: one 32x32 image in 16 colours, a box with an arrow rising out of it.

Run from this folder; the result is committed, so the build needs no Python.
"""
import struct
import sys

SIZE = 32

# The standard 16-colour palette, as (blue, green, red, 0) quads.
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]  # (red, green, blue)
BLACK, DARK_YELLOW, GREY, GREEN, DARK_GREEN, YELLOW = 0, 3, 8, 10, 2, 11

TRANSPARENT = None


def draw():
    """Rows top to bottom; None marks a transparent pixel."""
    px = [[TRANSPARENT] * SIZE for _ in range(SIZE)]

    def fill(x0, y0, x1, y1, colour):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                px[y][x] = colour

    # The box: an open carton in the lower half, outlined in black.
    fill(4, 16, 27, 30, DARK_YELLOW)
    fill(6, 18, 25, 28, YELLOW)
    fill(4, 16, 27, 16, BLACK)
    fill(4, 30, 27, 30, BLACK)
    fill(4, 16, 4, 30, BLACK)
    fill(27, 16, 27, 30, BLACK)
    fill(5, 29, 26, 29, GREY)
    # The arrow: a shaft out of the box and a head at the top.
    fill(13, 9, 18, 24, GREEN)
    for row in range(8):
        y = 1 + row
        fill(15 - row, y, 16 + row, y, GREEN)
    # Its outline, so it reads on any background.
    for row in range(8):
        y = 1 + row
        px[y][14 - row] = DARK_GREEN
        px[y][17 + row] = DARK_GREEN
    fill(7, 9, 12, 9, DARK_GREEN)
    fill(19, 9, 24, 9, DARK_GREEN)
    fill(12, 10, 12, 24, DARK_GREEN)
    fill(19, 10, 19, 24, DARK_GREEN)
    fill(12, 25, 19, 25, DARK_GREEN)
    return px


def ico(px):
    # Bitmap rows go bottom to top; 4 bits per pixel, the high nibble first.
    xor = bytearray()
    mask = bytearray()
    for y in reversed(range(SIZE)):
        row = px[y]
        for x in range(0, SIZE, 2):
            a = row[x] if row[x] is not None else 0
            b = row[x + 1] if row[x + 1] is not None else 0
            xor.append((a << 4) | b)
        bits = 0
        for x in range(SIZE):
            bits = (bits << 1) | (1 if row[x] is None else 0)
        mask += struct.pack(">I", bits)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 4, 0,
                         len(xor) + len(mask), 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    image = header + palette + bytes(xor) + bytes(mask)
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "TarnwellUpdate.ico"
    with open(out, "wb") as f:
        f.write(ico(draw()))


if __name__ == "__main__":
    main()

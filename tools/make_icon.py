#!/usr/bin/env python3
"""Writes installer/res/program.ico: a blue square with a white "Z".

The icon holds a 32x32 and a 16x16 image, both 16-colour (4 bits per pixel)
device-independent bitmaps, because that format is shown correctly by every
Windows version the installer runs on, the 9x family included.

Usage: make_icon.py [output path]   (default: installer/res/program.ico
next to this script's parent folder)
"""

import os
import struct
import sys

# Palette indices; the remaining entries of the 16-colour palette are black.
BORDER = 0
FILL = 1
LETTER = 2
PALETTE = [
    (0x10, 0x2A, 0x6B),  # dark blue frame
    (0x1E, 0x5A, 0xC8),  # blue fill
    (0xFF, 0xFF, 0xFF),  # white letter
]


def z_pixels(size):
    """Returns rows (top first) of palette indices for one image."""
    margin = size // 4          # the letter's left and right edge
    bar = max(2, size // 10)    # thickness of the bars and of the stroke
    top = size // 4 - 1
    bottom = size - size // 4
    left, right = margin, size - 1 - margin
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            if x == 0 or y == 0 or x == size - 1 or y == size - 1:
                row.append(BORDER)
                continue
            in_top_bar = top <= y < top + bar and left <= x <= right
            in_bottom_bar = bottom - bar < y <= bottom and left <= x <= right
            in_stroke = False
            if top + bar <= y <= bottom - bar:
                # The stroke runs from the top bar's right end down to the
                # bottom bar's left end.
                t = (y - (top + bar)) / max(1, (bottom - bar) - (top + bar))
                start, end = right - bar / 2, left + bar / 2
                centre = start + t * (end - start)
                in_stroke = left <= x <= right and abs(x - centre) < bar * 0.75
            row.append(LETTER if (in_top_bar or in_bottom_bar or in_stroke) else FILL)
        rows.append(row)
    return rows


def padded(data):
    """Pads one bitmap row to the 4-byte boundary that DIBs require."""
    return data + b"\0" * (-len(data) % 4)


def bmp_image(size):
    """Encodes one icon image: header, palette, colour bits, AND mask."""
    rows = z_pixels(size)
    xor_bits = b""
    and_bits = b""
    for row in reversed(rows):  # DIB rows go bottom-up
        packed = bytes((row[i] << 4) | row[i + 1] for i in range(0, size, 2))
        xor_bits += padded(packed)
        # Every pixel is opaque, so the mask is all zero.
        and_bits += padded(b"\0" * ((size + 7) // 8))
    palette = b""
    for index in range(16):
        red, green, blue = PALETTE[index] if index < len(PALETTE) else (0, 0, 0)
        palette += struct.pack("<BBBB", blue, green, red, 0)
    # The height counts both the colour bitmap and the mask.
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0,
                         len(xor_bits) + len(and_bits), 0, 0, 16, 0)
    return header + palette + xor_bits + and_bits


def ico_file(sizes):
    images = [bmp_image(size) for size in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(image), offset)
        offset += len(image)
    return out + b"".join(images)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    default = os.path.join(here, "..", "installer", "res", "program.ico")
    path = sys.argv[1] if len(sys.argv) > 1 else default
    with open(path, "wb") as handle:
        handle.write(ico_file([32, 16]))
    return 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""Draws Murvane's icon, a pair of beamed eighth notes in white on a blue
rounded square, and writes it as a Windows icon with a 32x32 and a 16x16
256-colour image.

    scripts/make-icon.py [OUTPUT]     default: res/murvane.ico

Standard library only, and deterministic: the same bytes on every run, so the
committed res/murvane.ico can be checked against a fresh one.
"""

import math
import pathlib
import struct
import sys

SIZES = (32, 16)
SAMPLES = 8  # per pixel and axis, for the shapes' edges
SQUARE = (36, 104, 188)
NOTE = (255, 255, 255)

# Palette: index 0 is the (masked) transparent pixel, indices 1 to 255 blend
# the square's blue into the note's white.
PALETTE = [(0, 0, 0)] + [
    tuple(round(s + (n - s) * i / 254) for s, n in zip(SQUARE, NOTE)) for i in range(255)
]


def in_rounded_square(x, y):
    low, high, radius = 0.02, 0.98, 0.22
    cx = min(max(x, low + radius), high - radius)
    cy = min(max(y, low + radius), high - radius)
    return low <= x <= high and low <= y <= high and (x - cx) ** 2 + (y - cy) ** 2 <= radius**2


HEADS = ((0.31, 0.75), (0.69, 0.66))
HEAD_AXES = (0.135, 0.095)
HEAD_TILT = math.radians(-22)
STEM_WIDTH = 0.06
BEAM_THICKNESS = 0.11


def in_head(x, y, centre):
    dx, dy = x - centre[0], y - centre[1]
    u = dx * math.cos(HEAD_TILT) + dy * math.sin(HEAD_TILT)
    v = -dx * math.sin(HEAD_TILT) + dy * math.cos(HEAD_TILT)
    return (u / HEAD_AXES[0]) ** 2 + (v / HEAD_AXES[1]) ** 2 <= 1


def stem_right(centre):
    return centre[0] + HEAD_AXES[0] - 0.005


def beam_top(x):
    # The beam rises to the right, from the first stem to the second.
    x0, x1 = stem_right(HEADS[0]) - STEM_WIDTH, stem_right(HEADS[1])
    y0, y1 = 0.24, 0.15
    return y0 + (y1 - y0) * (x - x0) / (x1 - x0)


def in_note(x, y):
    if any(in_head(x, y, head) for head in HEADS):
        return True
    for head in HEADS:
        right = stem_right(head)
        if right - STEM_WIDTH <= x <= right and beam_top(x) <= y <= head[1]:
            return True
    left, right = stem_right(HEADS[0]) - STEM_WIDTH, stem_right(HEADS[1])
    return left <= x <= right and beam_top(x) <= y <= beam_top(x) + BEAM_THICKNESS


def render(size):
    """Rows top to bottom of (palette index, transparent)."""
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            square = note = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    x = (px + (sx + 0.5) / SAMPLES) / size
                    y = (py + (sy + 0.5) / SAMPLES) / size
                    if in_rounded_square(x, y):
                        square += 1
                        note += in_note(x, y)
            if square * 2 < SAMPLES * SAMPLES:
                row.append((0, True))
            else:
                row.append((1 + round(254 * note / square), False))
        rows.append(row)
    return rows


def bitmap(size):
    """One icon image: header, palette, colour pixels and the AND mask."""
    rows = render(size)
    pixels = bytearray()
    mask = bytearray()
    mask_stride = (size + 31) // 32 * 4
    for row in reversed(rows):  # bottom-up
        pixels += bytes(index for index, _ in row)
        pixels += bytes(-size % 4)
        bits = bytearray(mask_stride)
        for x, (_, transparent) in enumerate(row):
            if transparent:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 8, 0, len(pixels) + len(mask), 0, 0, 256, 0)
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in PALETTE)
    return header + palette + bytes(pixels) + bytes(mask)


def icon():
    images = [bitmap(size) for size in SIZES]
    data = struct.pack('<HHH', 0, 1, len(images))
    offset = len(data) + 16 * len(images)
    for size, image in zip(SIZES, images):
        data += struct.pack('<BBBBHHII', size, size, 0, 0, 1, 8, len(image), offset)
        offset += len(image)
    return data + b''.join(images)


def main():
    root = pathlib.Path(__file__).resolve().parent.parent
    output = pathlib.Path(sys.argv[1]) if len(sys.argv) > 1 else root / 'res' / 'murvane.ico'
    output.write_bytes(icon())


if __name__ == '__main__':
    main()

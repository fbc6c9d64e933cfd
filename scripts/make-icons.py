#!/usr/bin/env python3
"""Draws the program's icons as 16-colour .ico files (32 x 32 and 16 x 16).

    scripts/make-icons.py src/platform/win32/res

Tapivex.ico, the application icon: a wooden picture frame around a landscape
(sky, sun, sea, hill). The pictures are drawn from shapes, so both sizes come from
the same description.
"""
import struct
import sys
from pathlib import Path

# The standard 16-colour palette, as (red, green, blue).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
    (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
    (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, DARK_RED, DARK_GREEN, OLIVE, NAVY, TEAL, GREY, GREEN, YELLOW, BLUE, AQUA, WHITE = (
    0, 1, 2, 3, 4, 6, 8, 10, 11, 12, 14, 15)
CLEAR = None


def landscape_frame(size):
    """Pixel rows of palette indices (None: transparent) for one size."""
    s = size / 32.0  # shapes are described on a 32-pixel grid
    border = max(2, round(4 * s))
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            gx, gy = (x + 0.5) / s, (y + 0.5) / s
            if x == 0 or y == 0 or x == size - 1 or y == size - 1:
                row.append(BLACK)
            elif x < border or y < border or x >= size - border or y >= size - border:
                # the wooden frame: lighter on the top and left edges
                row.append(OLIVE if (x < border and x < size - y) or (y < border and y < size - x) else DARK_RED)
            elif x == border or y == border or x == size - border - 1 or y == size - border - 1:
                row.append(BLACK)
            else:
                hill = 22 - 0.025 * (gx - 20) ** 2
                if (gx - 12) ** 2 + (gy - 11) ** 2 <= 12:
                    row.append(YELLOW)
                elif gy >= hill + 3:
                    row.append(DARK_GREEN)
                elif gy >= hill:
                    row.append(GREEN)
                else:
                    row.append(AQUA if gy < 9 else BLUE if gy > 18 else AQUA)
        rows.append(row)
    return rows


def icon_image(rows):
    size = len(rows)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in PALETTE)
    xor_stride = (size * 4 + 31) // 32 * 4
    and_stride = (size + 31) // 32 * 4
    xor = b''
    mask = b''
    for row in reversed(rows):  # bitmaps are stored bottom-up
        nibbles = [0 if c is CLEAR else c for c in row]
        line = bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, size, 2))
        xor += line.ljust(xor_stride, b'\0')
        bits = 0
        line = b''
        for i, c in enumerate(row):
            bits = (bits << 1) | (1 if c is CLEAR else 0)
            if i % 8 == 7:
                line += bytes([bits])
                bits = 0
        mask += line.ljust(and_stride, b'\0')
    return header + palette + xor + mask


def write_icon(path, images):
    data = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    blobs = []
    for rows in images:
        blob = icon_image(rows)
        size = len(rows)
        data += struct.pack('<BBBBHHII', size, size, 16, 0, 1, 4, len(blob), offset)
        offset += len(blob)
        blobs.append(blob)
    Path(path).write_bytes(data + b''.join(blobs))


def main():
    out = Path(sys.argv[1] if len(sys.argv) > 1 else 'src/platform/win32/res')
    out.mkdir(parents=True, exist_ok=True)
    write_icon(out / 'Tapivex.ico', [landscape_frame(32), landscape_frame(16)])


if __name__ == '__main__':
    main()

#!/usr/bin/env python3
"""Draws the program's icons as 16-colour .ico files (32 x 32 and 16 x 16).

    scripts/make-icons.py src/platform/win32/res

Tapivex.ico, the application icon: a wooden picture frame around a landscape
(sky, sun, sea, hill). Settings.ico, the settings dialog's icon: a small
dialog window with a title bar, two option buttons and a text field.
Hand.cur, the pointer over links: a hand with a raised index finger, its hot
spot at the fingertip (12, 1). The pictures are drawn from shapes, so both
icon sizes come from the same description.
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


def settings_dialog(size):
    s = size / 32.0
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            gx, gy = (x + 0.5) / s, (y + 0.5) / s
            if not (1 <= gx < 31 and 3 <= gy < 29):
                row.append(CLEAR)
            elif gx < 2 or gy < 4 or gx >= 30 or gy >= 28:
                row.append(BLACK)
            elif gy < 9:
                row.append(NAVY if gx < 25 else GREY)  # title bar and its close box
            elif (gx - 8) ** 2 + (gy - 14) ** 2 <= 9 or (gx - 8) ** 2 + (gy - 21) ** 2 <= 9:
                # two option buttons, the first one chosen
                chosen = (gx - 8) ** 2 + (gy - 14) ** 2 <= 2.5
                row.append(BLACK if chosen else WHITE)
            elif 13 <= gx < 27 and (12.5 <= gy < 15.5 or 19.5 <= gy < 22.5):
                row.append(WHITE if 13.5 <= gx < 26.5 and (13 <= gy < 15 or 20 <= gy < 22) else GREY)
            else:
                row.append(7)  # silver face
        rows.append(row)
    return rows


def hand_cursor():
    """32 x 32 rows of 'o' white, '#' black outline, ' ' transparent."""
    fill = set()
    shapes = [(10, 1, 15, 17), (14, 7, 19, 17), (18, 9, 23, 17), (22, 11, 26, 18), (10, 14, 26, 25),
              (5, 14, 11, 19), (7, 18, 12, 22), (12, 24, 24, 29)]
    for x0, y0, x1, y1 in shapes:
        fill.update((x, y) for x in range(x0, x1) for y in range(y0, y1))
    rows = []
    for y in range(32):
        row = ''
        for x in range(32):
            if (x, y) not in fill:
                row += ' '
            elif any((x + dx, y + dy) not in fill for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1))):
                row += '#'
            elif (x in (14, 18, 22) and y < 15) or (y == 14 and x < 11):
                row += '#'  # the gaps between the fingers, and the thumb's edge
            else:
                row += 'o'
        rows.append(row)
    return rows


def cursor_file(rows, hot_x, hot_y):
    size = 32
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 1, 0, 0, 0, 0, 2, 0)
    palette = struct.pack('<BBBB', 0, 0, 0, 0) + struct.pack('<BBBB', 255, 255, 255, 0)
    xor = b''
    mask = b''
    for row in reversed(rows):
        xor_bits = int(''.join('1' if c == 'o' else '0' for c in row), 2)
        and_bits = int(''.join('1' if c == ' ' else '0' for c in row), 2)
        xor += xor_bits.to_bytes(4, 'big')
        mask += and_bits.to_bytes(4, 'big')
    blob = header + palette + xor + mask
    return struct.pack('<HHH', 0, 2, 1) + struct.pack('<BBBBHHII', size, size, 2, 0, hot_x, hot_y, len(blob), 22) + blob


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
    write_icon(out / 'Settings.ico', [settings_dialog(32), settings_dialog(16)])
    (out / 'Hand.cur').write_bytes(cursor_file(hand_cursor(), 12, 1))


if __name__ == '__main__':
    main()

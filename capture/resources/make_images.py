#!/usr/bin/env python3
"""Draws the program's toolbar bitmap (8 buttons of 16 x 15, 16 colours)
and its two icons (32 x 32, 16 colours). Run it to regenerate toolbar.bmp,
mainframe.ico and capture.ico beside it."""
import os
import struct

# The standard 16-colour palette (B, G, R).
PALETTE = [(0, 0, 0), (0, 0, 128), (0, 128, 0), (0, 128, 128), (128, 0, 0), (128, 0, 128),
           (128, 128, 0), (192, 192, 192), (128, 128, 128), (0, 0, 255), (0, 255, 0),
           (0, 255, 255), (255, 0, 0), (255, 0, 255), (255, 255, 0), (255, 255, 255)]
BLACK, GREY, DARK, WHITE = 0, 7, 8, 15
RED, GREEN, BLUE, YELLOW, CYAN, NAVY = 9, 10, 12, 11, 14, 4


def canvas(w, h, fill=GREY):
    return [[fill] * w for _ in range(h)]


def rect(img, x0, y0, x1, y1, c, filled=True):
    for y in range(y0, y1 + 1):
        for x in range(x0, x1 + 1):
            if filled or x in (x0, x1) or y in (y0, y1):
                img[y][x] = c


def button_new(b):
    rect(b, 3, 1, 11, 13, WHITE)
    rect(b, 3, 1, 11, 13, BLACK, False)
    rect(b, 9, 1, 11, 3, GREY)
    for i in range(3):
        b[1 + i][9 + i] = BLACK


def button_open(b):
    rect(b, 1, 4, 13, 12, YELLOW)
    rect(b, 1, 4, 13, 12, BLACK, False)
    rect(b, 2, 2, 6, 4, YELLOW)
    rect(b, 2, 2, 6, 4, BLACK, False)


def button_copy(b):
    for ox, oy in ((1, 1), (6, 5)):
        rect(b, ox, oy, ox + 7, oy + 8, WHITE)
        rect(b, ox, oy, ox + 7, oy + 8, BLACK, False)
        for y in range(oy + 2, oy + 8, 2):
            rect(b, ox + 2, y, ox + 5, y, NAVY)


def button_preview(b):
    rect(b, 1, 2, 14, 12, BLACK)
    for i, c in enumerate([WHITE, YELLOW, CYAN, GREEN, 13, RED]):
        rect(b, 2 + i * 2, 3, 3 + i * 2, 11, c)


def button_overlay(b):
    rect(b, 0, 1, 12, 10, DARK)
    rect(b, 0, 1, 12, 10, BLACK, False)
    rect(b, 3, 4, 15, 13, CYAN)
    rect(b, 3, 4, 15, 13, BLACK, False)


def button_single(b):
    rect(b, 1, 3, 14, 12, BLACK)
    rect(b, 3, 5, 12, 10, CYAN)
    rect(b, 5, 1, 10, 3, BLACK)
    rect(b, 6, 6, 9, 9, WHITE)


def button_capture(b):
    rect(b, 1, 4, 10, 11, BLACK)
    for i in range(4):
        rect(b, 11, 7 - i, 11 + i, 8 + i, BLACK, False)
    rect(b, 3, 6, 5, 9, RED)


def button_about(b):
    rect(b, 5, 1, 9, 12, NAVY)
    rect(b, 6, 2, 8, 3, WHITE)
    rect(b, 6, 5, 8, 11, WHITE)


def write_bmp(path, img):
    h, w = len(img), len(img[0])
    row = ((w * 4 + 31) // 32) * 4
    pixels = b''
    for y in range(h - 1, -1, -1):
        data = bytearray()
        for x in range(0, w, 2):
            hi = img[y][x]
            lo = img[y][x + 1] if x + 1 < w else 0
            data.append((hi << 4) | lo)
        pixels += bytes(data) + b'\0' * (row - len(data))
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for (b, g, r) in PALETTE)
    header = struct.pack('<IiiHHIIiiII', 40, w, h, 1, 4, 0, len(pixels), 0, 0, 16, 0)
    offset = 14 + len(header) + len(palette)
    with open(path, 'wb') as f:
        f.write(b'BM' + struct.pack('<IHHI', offset + len(pixels), 0, 0, offset))
        f.write(header + palette + pixels)


def write_ico(path, img):
    h, w = len(img), len(img[0])
    xor = b''
    for y in range(h - 1, -1, -1):
        xor += bytes((img[y][x] << 4) | img[y][x + 1] for x in range(0, w, 2))
    mask = b'\0' * (((w + 31) // 32) * 4 * h)
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for (b, g, r) in PALETTE)
    dib = struct.pack('<IiiHHIIiiII', 40, w, h * 2, 1, 4, 0, len(xor) + len(mask), 0, 0, 16, 0)
    body = dib + palette + xor + mask
    with open(path, 'wb') as f:
        f.write(struct.pack('<HHH', 0, 1, 1))
        f.write(struct.pack('<BBBBHHII', w, h, 16, 0, 1, 4, len(body), 22))
        f.write(body)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    strip = canvas(16 * 8, 15)
    painters = [button_new, button_open, button_copy, button_preview, button_overlay,
                button_single, button_capture, button_about]
    for i, paint in enumerate(painters):
        b = canvas(16, 15)
        paint(b)
        for y in range(15):
            strip[y][i * 16:(i + 1) * 16] = b[y]
    write_bmp(os.path.join(here, 'toolbar.bmp'), strip)

    main_icon = canvas(32, 32, NAVY)
    rect(main_icon, 3, 8, 24, 25, BLACK)
    rect(main_icon, 5, 10, 22, 23, CYAN)
    for i in range(6):
        rect(main_icon, 25, 14 - i, 25 + i, 19 + i, BLACK, False)
    rect(main_icon, 8, 13, 12, 20, RED)
    write_ico(os.path.join(here, 'mainframe.ico'), main_icon)

    doc_icon = canvas(32, 32, WHITE)
    rect(doc_icon, 2, 4, 29, 27, BLACK)
    bars = [WHITE, YELLOW, CYAN, GREEN, 13, RED, BLUE]
    for i, c in enumerate(bars):
        rect(doc_icon, 4 + i * 3 + (1 if i == 6 else 0), 6, 6 + i * 3 + (1 if i == 6 else 0), 25, c)
    write_ico(os.path.join(here, 'capture.ico'), doc_icon)


if __name__ == '__main__':
    main()

#!/usr/bin/env python3
"""Draws the program's toolbar bitmaps and its two icons, 16 colours each, at
the display scales the program knows: 100% (buttons of 16 x 15, icons of
32 x 32), 150%, 200% and 250%. Each scale is drawn from the same shapes at
its own size, never stretched from a smaller picture, so that every edge
stays sharp. Run it to regenerate toolbar*.bmp, mainframe.ico and
capture.ico beside it."""
import math
import os
import struct

# The standard 16-colour palette (B, G, R).
PALETTE = [(0, 0, 0), (0, 0, 128), (0, 128, 0), (0, 128, 128), (128, 0, 0), (128, 0, 128),
           (128, 128, 0), (192, 192, 192), (128, 128, 128), (0, 0, 255), (0, 255, 0),
           (0, 255, 255), (255, 0, 0), (255, 0, 255), (255, 255, 0), (255, 255, 255)]
BLACK, GREY, DARK, WHITE = 0, 7, 8, 15
RED, GREEN, BLUE, YELLOW, CYAN, NAVY = 9, 10, 12, 11, 14, 4

# Scales in percent, each with the file name of its toolbar bitmap.
TOOLBAR_SCALES = [(100, 'toolbar.bmp'), (150, 'toolbar-150.bmp'), (200, 'toolbar-200.bmp'),
                  (250, 'toolbar-250.bmp')]
BUTTON_W, BUTTON_H = 16, 15
ICON_SIZE = 32


def scaled(length, scale):
    """A length of the 100% picture at a scale, rounded half up."""
    return int(math.floor(length * scale + 0.5))


class Canvas:
    """Pixels of one picture, drawn in the coordinates of its 100% design:
    each design pixel covers its share of the scaled grid, and outlines are
    as thick as the scale's whole part, so that lines stay sharp."""

    def __init__(self, w, h, scale=1.0, fill=GREY):
        self.scale = scale
        self.line = max(1, int(scale))
        self.pixels = [[fill] * scaled(w, scale) for _ in range(scaled(h, scale))]

    def box(self, x0, y0, x1, y1):
        s = self.scale
        return scaled(x0, s), scaled(y0, s), scaled(x1 + 1, s) - 1, scaled(y1 + 1, s) - 1


def canvas(w, h, fill=GREY, scale=1.0):
    return Canvas(w, h, scale, fill)


def rect(img, x0, y0, x1, y1, c, filled=True):
    """A rectangle over design pixels x0..x1, y0..y1, filled or outlined."""
    px0, py0, px1, py1 = img.box(x0, y0, x1, y1)
    t = img.line
    for y in range(py0, py1 + 1):
        for x in range(px0, px1 + 1):
            if filled or x < px0 + t or x > px1 - t or y < py0 + t or y > py1 - t:
                img.pixels[y][x] = c


def dot(img, x, y, c):
    rect(img, x, y, x, y, c)


def button_new(b):
    rect(b, 3, 1, 11, 13, WHITE)
    rect(b, 3, 1, 11, 13, BLACK, False)
    rect(b, 9, 1, 11, 3, GREY)
    for i in range(3):
        dot(b, 9 + i, 1 + i, BLACK)


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
    rect(b, 11, 4, 14, 11, BLACK)
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


def icon_image(img):
    """The image of one icon size: header, palette, colours and an empty mask."""
    h, w = len(img), len(img[0])
    xor = b''
    for y in range(h - 1, -1, -1):
        xor += bytes((img[y][x] << 4) | img[y][x + 1] for x in range(0, w, 2))
    mask = b'\0' * (((w + 31) // 32) * 4 * h)
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for (b, g, r) in PALETTE)
    dib = struct.pack('<IiiHHIIiiII', 40, w, h * 2, 1, 4, 0, len(xor) + len(mask), 0, 0, 16, 0)
    return w, h, dib + palette + xor + mask


def write_ico(path, images):
    """An icon file of several sizes, the 100% one first."""
    entries = [icon_image(img) for img in images]
    offset = 6 + 16 * len(entries)
    with open(path, 'wb') as f:
        f.write(struct.pack('<HHH', 0, 1, len(entries)))
        for w, h, body in entries:
            # A size of 256 would be written as 0; the largest here is 80.
            f.write(struct.pack('<BBBBHHII', w, h, 16, 0, 1, 4, len(body), offset))
            offset += len(body)
        for _, _, body in entries:
            f.write(body)


def toolbar_strip(scale):
    painters = [button_new, button_open, button_copy, button_preview, button_overlay,
                button_single, button_capture, button_about]
    w, h = scaled(BUTTON_W, scale), scaled(BUTTON_H, scale)
    strip = [[GREY] * (w * len(painters)) for _ in range(h)]
    for i, paint in enumerate(painters):
        b = canvas(BUTTON_W, BUTTON_H, scale=scale)
        paint(b)
        for y in range(h):
            strip[y][i * w:(i + 1) * w] = b.pixels[y]
    return strip


def main_icon(scale):
    icon = canvas(ICON_SIZE, ICON_SIZE, NAVY, scale)
    rect(icon, 3, 8, 24, 25, BLACK)
    rect(icon, 5, 10, 22, 23, CYAN)
    rect(icon, 25, 9, 30, 24, BLACK)
    rect(icon, 8, 13, 12, 20, RED)
    return icon.pixels


def document_icon(scale):
    icon = canvas(ICON_SIZE, ICON_SIZE, WHITE, scale)
    rect(icon, 2, 4, 29, 27, BLACK)
    bars = [WHITE, YELLOW, CYAN, GREEN, 13, RED, BLUE]
    for i, c in enumerate(bars):
        x = 4 + i * 3 + (1 if i == 6 else 0)
        rect(icon, x, 6, x + 2, 25, c)
    return icon.pixels


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    for percent, name in TOOLBAR_SCALES:
        write_bmp(os.path.join(here, name), toolbar_strip(percent / 100))
    scales = [percent / 100 for percent, _ in TOOLBAR_SCALES]
    write_ico(os.path.join(here, 'mainframe.ico'), [main_icon(s) for s in scales])
    write_ico(os.path.join(here, 'capture.ico'), [document_icon(s) for s in scales])


if __name__ == '__main__':
    main()

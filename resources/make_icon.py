#!/usr/bin/env python3
"""Draws the program's icon and writes it as an .ico file of 32-bit images (with alpha).

A page of text with one line marked as found, under a magnifying glass. Each size is
drawn from the same shapes, given in parts of the icon's side, at 8 x 8 samples a pixel;
lines and rims keep a width of at least one pixel, so that the small sizes stay sharp.

Usage: make_icon.py [OUTPUT]   (default: fuzzyreplace.ico beside this script)
"""
import math
import os
import struct
import sys

SIZES = (16, 20, 24, 32, 40, 48)   # 100 %, 125 % and 150 % of the small and large icon
SAMPLES = 8

PAGE = (1.0, 1.0, 1.0)
PAGE_EDGE = (0.45, 0.47, 0.50)
TEXT = (0.62, 0.64, 0.68)
FOUND = (1.0, 0.78, 0.10)
RIM = (0.12, 0.38, 0.78)
GLASS = (0.55, 0.78, 1.0)
HANDLE = (0.22, 0.22, 0.26)


def rounded_box(left, top, right, bottom, radius):
    def inside(x, y):
        cx = min(max(x, left + radius), right - radius)
        cy = min(max(y, top + radius), bottom - radius)
        return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2
    return inside


def disc(cx, cy, radius):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


def ring(cx, cy, outer, inner):
    return lambda x, y: inner ** 2 < (x - cx) ** 2 + (y - cy) ** 2 <= outer ** 2


def stroke(x0, y0, x1, y1, width):
    """A segment with round ends."""
    dx, dy = x1 - x0, y1 - y0
    length2 = dx * dx + dy * dy

    def inside(x, y):
        t = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / length2))
        px, py = x0 + t * dx, y0 + t * dy
        return (x - px) ** 2 + (y - py) ** 2 <= (width / 2) ** 2
    return inside


def layers(size):
    """The shapes from the back to the front, in pixels: (test, colour, opacity)."""
    s = float(size)
    line = max(1.0, round(s / 16))          # a text line's thickness
    edge = max(1.0, s / 32)                 # the page's outline
    rim = max(1.5, s / 11)                  # the glass's rim
    page = tuple(float(round(part * s)) for part in (0.10, 0.04, 0.74, 0.90))   # on whole pixels
    shapes = [
        (rounded_box(*page, 0.06 * s), PAGE_EDGE, 1.0),
        (rounded_box(page[0] + edge, page[1] + edge, page[2] - edge, page[3] - edge,
                     max(0.5, 0.06 * s - edge)), PAGE, 1.0),
    ]
    rows = 4 if size < 24 else 5
    first, last = 0.18 * s, 0.76 * s
    ys = [round(first + (last - first) * row / (rows - 1)) for row in range(rows)]
    marked = rows // 2 + 1 if rows == 5 else rows // 2
    # The glass lies over the marked line.
    cx, cy, radius = 0.60 * s, ys[marked] + line, 0.25 * s
    for row, y in enumerate(ys):
        found = row == marked
        colour = FOUND if found else TEXT
        height = line * (2 if found else 1)
        length = 0.46 if found else 0.44 if row % 2 == 0 else 0.32
        left, right = round(0.20 * s), round((0.20 + length) * s)
        shapes.append((lambda x, y, y0=y, h=height, l=left, r=right:
                       l <= x < r and y0 <= y < y0 + h, colour, 1.0))
    shapes += [
        (disc(cx, cy, radius), GLASS, 0.35),
        (stroke(cx + radius * 0.62, cy + radius * 0.62, 0.93 * s, 0.93 * s, 0.13 * s), HANDLE, 1.0),
        (ring(cx, cy, radius, radius - rim), RIM, 1.0),
    ]
    return shapes


def draw(size):
    """Rows of (r, g, b, a) from the top, straight (not premultiplied) alpha, 0..255."""
    shapes = layers(size)
    step = 1.0 / SAMPLES
    image = []
    for py in range(size):
        row = []
        for px in range(size):
            red = green = blue = alpha = 0.0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    x, y = px + (sx + 0.5) * step, py + (sy + 0.5) * step
                    r = g = b = a = 0.0
                    for inside, colour, opacity in shapes:
                        if inside(x, y):   # "over", premultiplied
                            r = colour[0] * opacity + r * (1 - opacity)
                            g = colour[1] * opacity + g * (1 - opacity)
                            b = colour[2] * opacity + b * (1 - opacity)
                            a = opacity + a * (1 - opacity)
                    red, green, blue, alpha = red + r, green + g, blue + b, alpha + a
            n = SAMPLES * SAMPLES
            a = alpha / n
            if a > 0:
                row.append(tuple(int(round(c / n / a * 255)) for c in (red, green, blue)) +
                           (int(round(a * 255)),))
            else:
                row.append((0, 0, 0, 0))
        image.append(row)
    return image


def icon_image(size):
    """One image of the .ico: a BITMAPINFOHEADER, the colours bottom-up as BGRA, and the
    1-bit mask (set where the icon is transparent) that older systems draw with."""
    pixels = draw(size)
    mask_stride = ((size + 31) // 32) * 4
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0,
                         size * size * 4 + mask_stride * size, 0, 0, 0, 0)
    colours = bytearray()
    mask = bytearray()
    for row in reversed(pixels):
        bits = bytearray(mask_stride)
        for x, (r, g, b, a) in enumerate(row):
            colours += bytes((b, g, r, a))
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + bytes(colours) + bytes(mask)


def icon_file(sizes):
    images = [icon_image(size) for size in sizes]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip(sizes, images):
        out += struct.pack('<BBBBHHII', size % 256, size % 256, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    return out + b''.join(images)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    output = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, 'fuzzyreplace.ico')
    with open(output, 'wb') as file:
        file.write(icon_file(SIZES))
    print(output)


if __name__ == '__main__':
    main()

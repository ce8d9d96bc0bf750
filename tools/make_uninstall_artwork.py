#!/usr/bin/env python3
"""Draws the uninstaller's artwork as 16-colour Windows bitmaps and icon.

    tools/make_uninstall_artwork.py [OUTPUT_DIR]   (default: uninstall/res)

Writes picture.bmp (200 x 200, resource 12: a printer with a removal badge),
banner.bmp (165 x 81, resource 13: the maker and product words) and setup.ico
(32 x 32, the program icon). Standard library only; the output is the same on
every run, so the generated files are kept in the repository.
"""
import os
import struct

from rle4_bitmap import write_rle4_bmp

# The standard palette, the font and the bitmap headers are the installer's
# artwork's.
from make_setup_artwork import FONT, info_header, output_folder, palette_bytes
from make_setup_artwork import BLACK, MAROON, GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER  # noqa: F401
from make_setup_artwork import GREY, RED, LIME, YELLOW, BLUE, FUCHSIA, AQUA, WHITE  # noqa: F401


class Canvas:
    def __init__(self, width, height, colour):
        self.width, self.height = width, height
        self.pixels = [[colour] * width for _ in range(height)]

    def put(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = colour

    def rect(self, x0, y0, x1, y1, colour):
        for y in range(y0, y1):
            for x in range(x0, x1):
                self.put(x, y, colour)

    def frame(self, x0, y0, x1, y1, colour, thickness=1):
        self.rect(x0, y0, x1, y0 + thickness, colour)
        self.rect(x0, y1 - thickness, x1, y1, colour)
        self.rect(x0, y0, x0 + thickness, y1, colour)
        self.rect(x1 - thickness, y0, x1, y1, colour)

    def disc(self, cx, cy, radius, colour):
        for y in range(cy - radius, cy + radius + 1):
            for x in range(cx - radius, cx + radius + 1):
                if (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius:
                    self.put(x, y, colour)

    def text(self, x, y, word, scale, colour, shadow=None):
        for letter in word:
            rows = FONT[letter]
            for row, bits in enumerate(rows):
                for col, bit in enumerate(bits):
                    if bit == "1":
                        if shadow is not None:
                            self.rect(x + col * scale + 1, y + row * scale + 1,
                                      x + (col + 1) * scale + 1, y + (row + 1) * scale + 1, shadow)
                        self.rect(x + col * scale, y + row * scale,
                                  x + (col + 1) * scale, y + (row + 1) * scale, colour)
            x += 6 * scale


def text_width(word, scale):
    return len(word) * 6 * scale - scale


def packed_rows(canvas):
    """Bottom-up rows of 4-bit pixels, each padded to 4 bytes."""
    stride = ((canvas.width + 7) // 8) * 4
    data = bytearray()
    for y in range(canvas.height - 1, -1, -1):
        row = bytearray()
        line = canvas.pixels[y]
        for x in range(0, canvas.width, 2):
            high = line[x]
            low = line[x + 1] if x + 1 < canvas.width else 0
            row.append((high << 4) | low)
        row.extend(b"\0" * (stride - len(row)))
        data += row
    return bytes(data)


def write_bmp(path, canvas):
    write_rle4_bmp(path, canvas.width, canvas.height, canvas.pixels, palette_bytes())


def write_ico(path, canvas, transparent):
    mask_stride = ((canvas.width + 31) // 32) * 4
    mask = bytearray()
    for y in range(canvas.height - 1, -1, -1):
        row = bytearray(mask_stride)
        for x in range(canvas.width):
            if canvas.pixels[y][x] == transparent:
                row[x // 8] |= 0x80 >> (x % 8)
        mask += row
    # Transparent pixels are black in the colour plane.
    colours = packed_rows(without_colour(canvas, transparent))
    image = info_header(canvas.width, canvas.height * 2, len(colours) + len(mask)) + palette_bytes()
    image += colours + bytes(mask)
    with open(path, "wb") as out:
        out.write(struct.pack("<HHH", 0, 1, 1))
        out.write(struct.pack("<BBBBHHII", canvas.width, canvas.height, 16, 0, 1, 4, len(image), 22))
        out.write(image)


def without_colour(canvas, transparent):
    copy = Canvas(canvas.width, canvas.height, BLACK)
    for y in range(canvas.height):
        for x in range(canvas.width):
            colour = canvas.pixels[y][x]
            copy.pixels[y][x] = BLACK if colour == transparent else colour
    return copy


def draw_printer(c, x0, y0, scale):
    """A desk printer with a sheet in it; (x0, y0) is the top left of the sheet."""
    s = scale
    # Sheet standing out of the paper slot, with lines of print.
    c.rect(x0 + 20 * s, y0, x0 + 60 * s, y0 + 36 * s, WHITE)
    c.frame(x0 + 20 * s, y0, x0 + 60 * s, y0 + 36 * s, GREY, max(1, s // 2))
    for i in range(5):
        width = 30 if i % 2 == 0 else 22
        c.rect(x0 + 25 * s, y0 + (6 + 5 * i) * s, x0 + (25 + width) * s, y0 + (7 + 5 * i) * s + max(0, s // 2 - 1), NAVY)
    # Body.
    c.rect(x0, y0 + 30 * s, x0 + 80 * s, y0 + 62 * s, GREY)
    c.rect(x0 + 2 * s, y0 + 32 * s, x0 + 78 * s, y0 + 40 * s, SILVER)
    c.frame(x0, y0 + 30 * s, x0 + 80 * s, y0 + 62 * s, BLACK, max(1, s // 2))
    # Paper slot and output tray.
    c.rect(x0 + 16 * s, y0 + 34 * s, x0 + 64 * s, y0 + 36 * s, BLACK)
    c.rect(x0 + 10 * s, y0 + 62 * s, x0 + 70 * s, y0 + 66 * s, SILVER)
    c.frame(x0 + 10 * s, y0 + 62 * s, x0 + 70 * s, y0 + 66 * s, BLACK, max(1, s // 2))
    # Control panel: a green lamp and two buttons.
    c.rect(x0 + 60 * s, y0 + 46 * s, x0 + 64 * s, y0 + 50 * s, LIME)
    c.rect(x0 + 68 * s, y0 + 46 * s, x0 + 74 * s, y0 + 50 * s, SILVER)
    c.rect(x0 + 68 * s, y0 + 53 * s, x0 + 74 * s, y0 + 57 * s, SILVER)
    # Teal stripe with the maker's colour.
    c.rect(x0 + 6 * s, y0 + 46 * s, x0 + 52 * s, y0 + 50 * s, TEAL)


def draw_badge(c, cx, cy, radius):
    """A red disc with a white bar: the package is being taken away."""
    c.disc(cx + 2, cy + 2, radius, GREY)
    c.disc(cx, cy, radius, MAROON)
    c.disc(cx, cy, radius - max(1, radius // 8), RED)
    bar = max(1, radius // 4)
    c.rect(cx - radius * 3 // 5, cy - bar, cx + radius * 3 // 5 + 1, cy + bar + 1, WHITE)


def picture():
    c = Canvas(200, 200, SILVER)
    # Floor shadow under the printer.
    c.rect(28, 172, 182, 178, GREY)
    draw_printer(c, 20, 36, 2)
    draw_badge(c, 152, 150, 28)
    return c


def banner():
    c = Canvas(165, 81, TEAL)
    c.frame(0, 0, 165, 81, BLACK, 2)
    c.frame(3, 3, 162, 78, AQUA, 1)
    c.text((165 - text_width("ORVAN", 4)) // 2, 10, "ORVAN", 4, WHITE, shadow=NAVY)
    c.rect(14, 42, 151, 44, YELLOW)
    c.text((165 - text_width("VIREO", 3)) // 2, 50, "VIREO", 3, YELLOW, shadow=BLACK)
    return c


def icon():
    c = Canvas(32, 32, FUCHSIA)
    # A small printer.
    c.rect(9, 3, 23, 14, WHITE)
    c.frame(9, 3, 23, 14, GREY)
    for i in range(3):
        c.rect(11, 6 + 2 * i, 21 - 3 * (i % 2), 7 + 2 * i, NAVY)
    c.rect(2, 12, 30, 25, GREY)
    c.rect(3, 13, 29, 16, SILVER)
    c.frame(2, 12, 30, 25, BLACK)
    c.rect(7, 14, 25, 15, BLACK)
    c.rect(4, 19, 16, 21, TEAL)
    c.rect(24, 19, 26, 21, LIME)
    draw_badge(c, 24, 24, 7)
    return c


def main():
    out_dir = output_folder("uninstall")
    write_bmp(os.path.join(out_dir, "picture.bmp"), picture())
    write_bmp(os.path.join(out_dir, "banner.bmp"), banner())
    write_ico(os.path.join(out_dir, "setup.ico"), icon(), FUCHSIA)


if __name__ == "__main__":
    main()

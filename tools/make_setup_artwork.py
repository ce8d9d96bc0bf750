#!/usr/bin/env python3
"""Draws the installer's artwork as 16-colour Windows bitmaps and icons.

    tools/make_setup_artwork.py [OUTPUT_DIR]     (default: setup/res)

Writes logo.bmp (129 x 38, the welcome screen's logo, bitmap 103),
picture.bmp (101 x 192, the printer picture, bitmap 102), setup.ico (the
window class icon "SetupIcon") and package.ico (icon 951), all with the
standard 16-colour VGA palette. Only the standard library is used; the
generated files are kept in the source tree so that building needs no Python.
"""

import os
import struct
import sys

from rle4_bitmap import write_rle4_bmp

# The standard 16-colour palette (index: name).
PALETTE = [
    (0, 0, 0),        # 0 black
    (128, 0, 0),      # 1 maroon
    (0, 128, 0),      # 2 green
    (128, 128, 0),    # 3 olive
    (0, 0, 128),      # 4 navy
    (128, 0, 128),    # 5 purple
    (0, 128, 128),    # 6 teal
    (192, 192, 192),  # 7 silver
    (128, 128, 128),  # 8 grey
    (255, 0, 0),      # 9 red
    (0, 255, 0),      # 10 lime
    (255, 255, 0),    # 11 yellow
    (0, 0, 255),      # 12 blue
    (255, 0, 255),    # 13 fuchsia
    (0, 255, 255),    # 14 aqua
    (255, 255, 255),  # 15 white
]
BLACK, MAROON, GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER = range(8)
GREY, RED, LIME, YELLOW, BLUE, FUCHSIA, AQUA, WHITE = range(8, 16)
CLEAR = -1  # transparent (icons only)

# A 5 x 7 pixel font with the characters the pictures use.
FONT = {
    "A": ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    "E": ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    "I": ["11111", "00100", "00100", "00100", "00100", "00100", "11111"],
    "L": ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
    "N": ["10001", "11001", "10101", "10011", "10001", "10001", "10001"],
    "O": ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
    "P": ["11110", "10001", "10001", "11110", "10000", "10000", "10000"],
    "R": ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    "V": ["10001", "10001", "10001", "10001", "10001", "01010", "00100"],
    "0": ["01110", "10001", "10011", "10101", "11001", "10001", "01110"],
    "2": ["01110", "10001", "00001", "00010", "00100", "01000", "11111"],
    "5": ["11111", "10000", "11110", "00001", "00001", "10001", "01110"],
    "/": ["00001", "00010", "00010", "00100", "01000", "01000", "10000"],
    " ": ["00000"] * 7,
}


class Canvas:
    def __init__(self, width, height, fill):
        self.width = width
        self.height = height
        self.px = [[fill] * width for _ in range(height)]

    def set(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.px[y][x] = colour

    def fill(self, x0, y0, x1, y1, colour):
        """Fills the rectangle from (x0, y0) to (x1, y1), both included."""
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.set(x, y, colour)

    def frame(self, x0, y0, x1, y1, colour):
        self.fill(x0, y0, x1, y0, colour)
        self.fill(x0, y1, x1, y1, colour)
        self.fill(x0, y0, x0, y1, colour)
        self.fill(x1, y0, x1, y1, colour)

    def bevel(self, x0, y0, x1, y1, face, light=WHITE, dark=GREY, outline=BLACK):
        """A raised box in the style of the period's 3-D controls."""
        self.fill(x0, y0, x1, y1, face)
        self.frame(x0, y0, x1, y1, outline)
        self.fill(x0 + 1, y0 + 1, x1 - 1, y0 + 1, light)
        self.fill(x0 + 1, y0 + 1, x0 + 1, y1 - 1, light)
        self.fill(x0 + 1, y1 - 1, x1 - 1, y1 - 1, dark)
        self.fill(x1 - 1, y0 + 1, x1 - 1, y1 - 1, dark)

    def dither(self, x0, y0, x1, y1, a, b):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.set(x, y, a if (x + y) % 2 == 0 else b)

    def text(self, x, y, s, colour, sx=1, sy=1, gap=1):
        for ch in s:
            rows = FONT[ch]
            for r, row in enumerate(rows):
                for c, bit in enumerate(row):
                    if bit == "1":
                        self.fill(x + c * sx, y + r * sy, x + c * sx + sx - 1, y + r * sy + sy - 1, colour)
            x += 5 * sx + gap

    @staticmethod
    def text_width(s, sx=1, gap=1):
        return len(s) * (5 * sx + gap) - gap


def rows_4bpp(canvas, transparent_as=BLACK):
    """Bottom-up rows of packed 4-bit pixels, each padded to 4 bytes."""
    out = bytearray()
    stride = ((canvas.width * 4 + 31) // 32) * 4
    for y in range(canvas.height - 1, -1, -1):
        row = bytearray()
        for x in range(0, canvas.width, 2):
            hi = canvas.px[y][x]
            lo = canvas.px[y][x + 1] if x + 1 < canvas.width else 0
            hi = transparent_as if hi == CLEAR else hi
            lo = transparent_as if lo == CLEAR else lo
            row.append((hi << 4) | lo)
        row.extend(b"\0" * (stride - len(row)))
        out.extend(row)
    return bytes(out)


def mask_1bpp(canvas):
    """Bottom-up AND mask: 1 where the icon is transparent."""
    out = bytearray()
    stride = ((canvas.width + 31) // 32) * 4
    for y in range(canvas.height - 1, -1, -1):
        row = bytearray(stride)
        for x in range(canvas.width):
            if canvas.px[y][x] == CLEAR:
                row[x // 8] |= 0x80 >> (x % 8)
        out.extend(row)
    return bytes(out)


def palette_bytes():
    return b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in PALETTE)


def info_header(width, height, image_size):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, 4, 0, image_size, 2835, 2835, 16, 16)


def write_bmp(path, canvas):
    write_rle4_bmp(path, canvas.width, canvas.height, canvas.px, palette_bytes())


def write_ico(path, canvas):
    xor = rows_4bpp(canvas)
    andm = mask_1bpp(canvas)
    image = info_header(canvas.width, canvas.height * 2, len(xor) + len(andm)) + palette_bytes() + xor + andm
    data = (struct.pack("<HHH", 0, 1, 1)
            + struct.pack("<BBBBHHII", canvas.width, canvas.height, 16, 0, 1, 4, len(image), 6 + 16)
            + image)
    with open(path, "wb") as f:
        f.write(data)


def draw_logo():
    """Bitmap 103: the maker's name plate, 129 x 38."""
    c = Canvas(129, 38, NAVY)
    c.frame(0, 0, 128, 37, BLACK)
    c.fill(1, 1, 127, 1, BLUE)
    c.fill(1, 36, 127, 36, BLACK)
    # A red and yellow rule across the plate, behind the lettering.
    c.fill(1, 27, 127, 27, RED)
    c.fill(1, 28, 127, 28, YELLOW)
    word = "ORVAN"
    w = Canvas.text_width(word, sx=4, gap=4)
    x = (129 - w) // 2
    c.text(x + 1, 4, word, BLACK, sx=4, sy=3, gap=4)       # shadow
    c.text(x, 3, word, WHITE, sx=4, sy=3, gap=4)
    small = "PELORA 200/250"
    w = Canvas.text_width(small)
    c.fill((129 - w) // 2 - 3, 29, (129 + w) // 2 + 2, 35, NAVY)
    c.text((129 - w) // 2, 29, small, AQUA)
    return c


def draw_picture():
    """Bitmap 102: a page printer with its paper hopper, 101 x 192."""
    c = Canvas(101, 192, SILVER)
    # Paper in the hopper, standing up behind the printer.
    for i, (dx, dy) in enumerate([(6, 0), (3, 3), (0, 6)]):
        x0, y0 = 22 + dx, 8 + dy
        c.fill(x0, y0, x0 + 50, 74, WHITE)
        c.frame(x0, y0, x0 + 50, 74, GREY)
    c.fill(20, 62, 80, 74, GREY)  # hopper guide
    c.frame(20, 62, 80, 74, BLACK)
    c.dither(21, 63, 79, 73, GREY, SILVER)
    # The printer's body with a lighter top face.
    c.bevel(6, 72, 94, 150, SILVER)
    c.fill(8, 74, 92, 84, WHITE)
    c.dither(8, 85, 92, 86, WHITE, SILVER)
    c.fill(8, 87, 92, 87, GREY)
    # Name plate.
    c.fill(12, 92, 44, 100, NAVY)
    c.text(14, 93, "ORVAN", WHITE)
    # Control panel: display, lamps and keys.
    c.fill(56, 91, 90, 111, GREY)
    c.frame(56, 91, 90, 111, BLACK)
    c.fill(59, 94, 87, 100, TEAL)
    c.frame(59, 94, 87, 100, BLACK)
    c.fill(61, 96, 72, 98, AQUA)
    c.fill(60, 104, 62, 106, LIME)
    c.fill(65, 104, 67, 106, YELLOW)
    c.fill(70, 104, 72, 106, MAROON)
    c.bevel(76, 103, 80, 108, SILVER)
    c.bevel(82, 103, 86, 108, SILVER)
    # Vent slots on the side of the front.
    for y in range(106, 121, 3):
        c.fill(12, y, 44, y, GREY)
    # Paper exit slot and output tray.
    c.fill(14, 124, 86, 128, BLACK)
    c.fill(14, 129, 86, 129, GREY)
    # Output tray lip and feet, under the page that lies on it.
    c.bevel(10, 150, 90, 156, SILVER)
    c.fill(12, 157, 20, 161, BLACK)
    c.fill(80, 157, 88, 161, BLACK)
    # The printed page coming out.
    c.fill(20, 126, 80, 178, WHITE)
    c.frame(20, 126, 80, 178, GREY)
    c.fill(24, 132, 36, 138, NAVY)
    c.fill(27, 134, 33, 136, RED)
    for n, y in enumerate(range(142, 175, 4)):
        length = 50 if n % 3 != 2 else 32
        c.fill(24, y, 24 + length, y, BLACK if n % 2 == 0 else GREY)
    # Shadow on the desk.
    c.dither(8, 180, 96, 184, GREY, SILVER)
    c.fill(6, 186, 94, 186, GREY)
    return c


def draw_printer_icon():
    """Icon "SetupIcon": a printer printing, with a diskette in the corner."""
    c = Canvas(32, 32, CLEAR)
    c.fill(9, 1, 24, 10, WHITE)       # paper in
    c.frame(9, 1, 24, 10, BLACK)
    for y in (4, 6, 8):
        c.fill(11, y, 21, y, GREY)
    c.bevel(2, 9, 29, 21, SILVER)     # body
    c.fill(5, 16, 26, 17, BLACK)      # slot
    c.fill(24, 12, 25, 13, LIME)      # lamp
    c.fill(7, 17, 24, 27, WHITE)      # paper out
    c.frame(7, 17, 24, 27, BLACK)
    for y in (20, 22, 24):
        c.fill(9, y, 20, y, BLUE)
    # Diskette in the lower right corner.
    c.fill(19, 20, 31, 31, NAVY)
    c.frame(19, 20, 31, 31, BLACK)
    c.fill(22, 20, 28, 24, SILVER)
    c.fill(26, 21, 27, 23, BLACK)
    c.fill(21, 27, 29, 31, WHITE)
    c.fill(22, 28, 28, 28, RED)
    return c


def draw_diskette_icon():
    """Icon 951: the package's diskette."""
    c = Canvas(32, 32, CLEAR)
    c.fill(3, 2, 28, 29, NAVY)
    c.frame(3, 2, 28, 29, BLACK)
    c.set(28, 2, CLEAR)
    c.fill(9, 2, 22, 11, SILVER)      # shutter
    c.frame(9, 2, 22, 11, BLACK)
    c.fill(18, 4, 20, 9, NAVY)
    c.fill(7, 15, 24, 29, WHITE)      # label
    c.frame(7, 15, 24, 29, BLACK)
    c.fill(9, 17, 22, 18, RED)
    c.text(10, 20, "V", NAVY)
    c.fill(17, 22, 22, 22, GREY)
    c.fill(17, 25, 22, 25, GREY)
    c.fill(4, 27, 5, 28, BLACK)       # write-protect hole
    return c


def output_folder(program):
    """The folder named on the command line, else the program's res folder."""
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", program, "res")
    os.makedirs(out, exist_ok=True)
    return out


def main():
    out = output_folder("setup")
    write_bmp(os.path.join(out, "logo.bmp"), draw_logo())
    write_bmp(os.path.join(out, "picture.bmp"), draw_picture())
    write_ico(os.path.join(out, "setup.ico"), draw_printer_icon())
    write_ico(os.path.join(out, "package.ico"), draw_diskette_icon())


if __name__ == "__main__":
    main()

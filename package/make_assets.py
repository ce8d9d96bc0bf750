#!/usr/bin/env python3
"""Makes the package's generated files into OUT_DIR:

  BITMAPS/LOGO.BMP, PAPER50.BMP, PAPER200.BMP   small 24-bit Windows bitmaps
  FONTS/LTRGOTH.TTF, LTRGOTHB.TTF, LTRGOTHI.TTF, MARIGOLD.TTF
      TrueType fonts cut down to printable ASCII from Debian's DejaVu fonts
      (fonts-dejavu-core) and renamed, as their licence asks of changed fonts
  FONTS/FONTS.TXT   the fonts' licence

The output is the same on every run (no time stamps are written).
usage: make_assets.py OUT_DIR [DEJAVU_DIR]
"""
import os
import struct
import sys

DEJAVU = "/usr/share/fonts/truetype/dejavu"
COPYRIGHT = "/usr/share/doc/fonts-dejavu-core/copyright"

# file name, DejaVu source, family, style
FONTS = [
    ("LTRGOTH.TTF", "DejaVuSansMono.ttf", "Pelora Sample Mono", "Regular"),
    ("LTRGOTHB.TTF", "DejaVuSansMono-Bold.ttf", "Pelora Sample Mono", "Bold"),
    ("LTRGOTHI.TTF", "DejaVuSansMono-Oblique.ttf", "Pelora Sample Mono", "Italic"),
    ("MARIGOLD.TTF", "DejaVuSerif-Italic.ttf", "Pelora Sample Serif", "Italic"),
]


def bitmap(width, height, pixel):
    """A bottom-up 24-bit BMP; pixel(x, y) gives (r, g, b) with y from the top."""
    stride = (width * 3 + 3) & ~3
    rows = []
    for y in range(height - 1, -1, -1):
        row = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)
            row += bytes((b, g, r))
        row += b"\0" * (stride - width * 3)
        rows.append(bytes(row))
    data = b"".join(rows)
    header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(data), 0, 0, 14 + 40)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    return header + info + data


def logo(x, y):
    # teal frame, white field, a dark diagonal band
    if x < 3 or y < 3 or x >= 93 or y >= 29:
        return (0, 128, 128)
    if abs((x - 10) - 2 * y) < 6:
        return (32, 32, 96)
    return (255, 255, 255)


def paper(sheets):
    def pixel(x, y):
        # a stack of sheets: one line per 25 sheets of the hopper
        lines = sheets // 25
        if 4 <= x < 28 and 30 - 2 * lines <= y < 30 and y % 2 == 0:
            return (240, 240, 240)
        return (192, 192, 192)
    return pixel


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def make_font(src, dst, family, style):
    from fontTools import subset
    from fontTools.ttLib import TTFont

    options = subset.Options()
    options.hinting = False
    options.layout_features = []
    options.name_IDs = ["*"]
    options.name_languages = ["*"]
    options.notdef_outline = True
    options.glyph_names = False
    options.drop_tables += ["FFTM", "GDEF", "GPOS", "GSUB", "kern", "DSIG", "MATH"]
    font = TTFont(src, recalcTimestamp=False)
    subsetter = subset.Subsetter(options)
    subsetter.populate(unicodes=range(0x20, 0x7F))
    subsetter.subset(font)
    full = family if style == "Regular" else family + " " + style
    names = {
        1: family,
        2: style,
        3: "ORVAN:" + full.replace(" ", "") + ":2.10",
        4: full,
        5: "Version 2.10",
        6: full.replace(" ", "-"),
    }
    table = font["name"]
    table.names = [n for n in table.names if n.nameID not in (16, 17, 18, 21, 22)]
    for record in table.names:
        if record.nameID in names:
            record.string = names[record.nameID]
    for record in table.names:
        text = record.toUnicode()
        if record.nameID in names and ("Vera" in text or "Bitstream" in text):
            raise SystemExit("renamed font still carries a reserved name: " + text)
    font.save(dst)


def licence_text():
    lines = open(COPYRIGHT, encoding="utf-8").read().splitlines()
    out, keep = [], False
    for line in lines:
        if line.startswith("Files: *"):
            keep = True
        elif line.startswith("Files: "):
            keep = False
        if keep:
            out.append(" " if line.strip() == "." else line)
    head = [
        "Typefaces of the ORVAN Pelora 200/250 sample package",
        "",
        "LTRGOTH.TTF, LTRGOTHB.TTF, LTRGOTHI.TTF and MARIGOLD.TTF are the DejaVu fonts",
        "DejaVu Sans Mono, Sans Mono Bold, Sans Mono Oblique and Serif Italic, cut down",
        "to the printable ASCII characters and renamed Pelora Sample Mono and Pelora",
        "Sample Serif. DejaVu fonts: https://dejavu-fonts.github.io/",
        "",
    ]
    return ("\r\n".join(head + out) + "\r\n").encode("ascii", "replace")


def main():
    if len(sys.argv) < 2:
        raise SystemExit(__doc__)
    out = sys.argv[1]
    dejavu = sys.argv[2] if len(sys.argv) > 2 else DEJAVU
    write(os.path.join(out, "BITMAPS", "LOGO.BMP"), bitmap(96, 32, logo))
    write(os.path.join(out, "BITMAPS", "PAPER50.BMP"), bitmap(32, 32, paper(50)))
    write(os.path.join(out, "BITMAPS", "PAPER200.BMP"), bitmap(32, 32, paper(200)))
    os.makedirs(os.path.join(out, "FONTS"), exist_ok=True)
    for name, src, family, style in FONTS:
        make_font(os.path.join(dejavu, src), os.path.join(out, "FONTS", name), family, style)
    write(os.path.join(out, "FONTS", "FONTS.TXT"), licence_text())


if __name__ == "__main__":
    main()

"""Writes a 16-colour Windows bitmap compressed as BI_RLE4, the run-length
form that Windows has read since 3.0 (LoadBitmap and LoadImage unpack it
into the device bitmap): the programs' artwork is large blocks of one colour
and dithered two-colour areas, which this form stores in a fraction of the
plain rows' bytes. Shared by tools/make_setup_artwork.py and
tools/make_uninstall_artwork.py.
"""
import struct

BI_RLE4 = 2


def _row_runs(line):
    """One row's RLE4 codes: runs of two alternating colours (count, a<<4|b),
    and literal stretches in absolute mode (0, count, packed pixels, padded
    to a 16-bit boundary); ends with the end-of-line escape."""
    out = bytearray()
    literal = []

    def flush():
        while literal:
            chunk = literal[:252]
            del literal[:252]
            if len(chunk) < 3:
                # Absolute mode needs at least 3 pixels: a run of one or two.
                out.extend((len(chunk), (chunk[0] << 4) | (chunk[1] if len(chunk) > 1 else 0)))
                continue
            packed = bytearray()
            for i in range(0, len(chunk), 2):
                packed.append((chunk[i] << 4) | (chunk[i + 1] if i + 1 < len(chunk) else 0))
            if len(packed) % 2:
                packed.append(0)
            out.extend((0, len(chunk)))
            out.extend(packed)

    x, width = 0, len(line)
    while x < width:
        a = line[x]
        b = line[x + 1] if x + 1 < width else a
        end = x
        while end < width and end - x < 255 and line[end] == (a if (end - x) % 2 == 0 else b):
            end += 1
        if end - x >= 4 or (end == width and not literal):
            flush()
            out.extend((end - x, (a << 4) | b))
            x = end
        else:
            literal.append(a)
            x += 1
    flush()
    out.extend((0, 0))
    return out


def write_rle4_bmp(path, width, height, rows, palette):
    """rows: the colour indices of each row, top row first; palette: the 16
    RGBQUAD entries (64 bytes)."""
    pixels = bytearray()
    for line in reversed(rows):
        pixels.extend(_row_runs(line))
    pixels[-2:] = b"\0\1"  # the last end of line is the end of the bitmap
    header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 4, BI_RLE4, len(pixels), 2835, 2835, 16, 16) + palette
    offset = 14 + len(header)
    with open(path, "wb") as out:
        out.write(struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset))
        out.write(header)
        out.write(pixels)

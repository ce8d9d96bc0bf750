#!/usr/bin/python3
"""Marks a PE executable without base relocations as such.

   pe_relocs_stripped.py FILE

strip removes the .reloc section that GNU ld builds for an executable that
exports names, but keeps the file header's IMAGE_FILE_RELOCS_STRIPPED flag
clear, as ld left it; a loader that moves images (Windows with mandatory ASLR)
could then take the program for relocatable. This sets the flag and writes
the header's checksum anew (after checking that the old one is the one the
file had, so that the sum is computed the way the linker computes it). The
file must have no base relocation directory and no .reloc section. Exit code
0 on success, 1 with a message otherwise.
"""
import struct
import sys

RELOCS_STRIPPED = 0x0001


def fail(path, message):
    print(f"pe_relocs_stripped: {path}: {message}", file=sys.stderr)
    sys.exit(1)


def checksum(data, field):
    """The PE image checksum: the 16-bit one's-complement sum of the file
    (without the checksum field) plus the file's length."""
    total = 0
    words = struct.unpack_from(f"<{len(data) // 2}H", data)
    for index, word in enumerate(words):
        if index * 2 in (field, field + 2):
            continue
        total += word
        total = (total & 0xFFFF) + (total >> 16)
    if len(data) % 2:
        total += data[-1]
        total = (total & 0xFFFF) + (total >> 16)
    return (total + len(data)) & 0xFFFFFFFF


def read_pe(path):
    """The file's bytes and the offset of its PE signature."""
    data = bytearray(open(path, "rb").read())
    if data[:2] != b"MZ" or len(data) < 0x40:
        fail(path, "not an MZ file")
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        fail(path, "no PE header")
    return data, pe


def read_pe_argument(tool):
    """The bytes and PE offset of the one file named on the command line."""
    if len(sys.argv) != 2:
        print(f"usage: {tool} FILE", file=sys.stderr)
        sys.exit(2)
    return (sys.argv[1],) + read_pe(sys.argv[1])


def write_characteristics(path, data, pe, characteristics):
    """Writes the file header's characteristics and the checksum anew, after
    checking that the old checksum is the file's sum."""
    field = pe + 24 + 64
    stored, = struct.unpack_from("<I", data, field)
    if stored and stored != checksum(data, field):
        fail(path, f"its checksum {stored:#x} is not the file's sum {checksum(data, field):#x}")
    struct.pack_into("<H", data, pe + 22, characteristics)
    struct.pack_into("<I", data, field, checksum(data, field))
    with open(path, "r+b") as out:
        out.write(data)


def main():
    path, data, pe = read_pe_argument("pe_relocs_stripped.py")
    sections, = struct.unpack_from("<H", data, pe + 6)
    optional_size, characteristics = struct.unpack_from("<HH", data, pe + 20)
    optional = pe + 24
    magic, = struct.unpack_from("<H", data, optional)
    if magic == 0x10B:
        directories = optional + 96
    elif magic == 0x20B:
        directories = optional + 112
    else:
        fail(path, f"unknown optional header magic {magic:#x}")
    if characteristics & 0x2000:
        fail(path, "is a DLL, which keeps its relocations")
    reloc_rva, reloc_size = struct.unpack_from("<II", data, directories + 5 * 8)
    if reloc_rva or reloc_size:
        fail(path, "has a base relocation directory")
    table = optional + optional_size
    for index in range(sections):
        name = bytes(data[table + 40 * index:table + 40 * index + 8]).rstrip(b"\0")
        if name == b".reloc":
            fail(path, "has a .reloc section")
    write_characteristics(path, data, pe, characteristics | RELOCS_STRIPPED)


if __name__ == "__main__":
    main()

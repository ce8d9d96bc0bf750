#!/usr/bin/python3
"""Asks Windows to run a PE image from its swap file.

   pe_run_from_swap.py FILE

Sets IMAGE_FILE_REMOVABLE_RUN_FROM_SWAP (0x0400) and IMAGE_FILE_NET_RUN_FROM_SWAP
(0x0800) in the file header, which GNU ld cannot set, and writes the header's
checksum anew (after checking that the old one is the file's sum). Windows NT
then copies an image on a diskette, CD or network drive into its paging file
before it runs it, instead of paging it from the medium, so that the user may
take the diskette out while the program runs. Exit code 0 on success, 1 with
a message otherwise.
"""
import struct
import sys

from pe_relocs_stripped import checksum, fail

RUN_FROM_SWAP = 0x0400 | 0x0800


def main():
    if len(sys.argv) != 2:
        print("usage: pe_run_from_swap.py FILE", file=sys.stderr)
        sys.exit(2)
    path = sys.argv[1]
    data = bytearray(open(path, "rb").read())
    if data[:2] != b"MZ" or len(data) < 0x40:
        fail(path, "not an MZ file")
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        fail(path, "no PE header")
    characteristics, = struct.unpack_from("<H", data, pe + 22)
    field = pe + 24 + 64
    stored, = struct.unpack_from("<I", data, field)
    if stored and stored != checksum(data, field):
        fail(path, f"its checksum {stored:#x} is not the file's sum {checksum(data, field):#x}")
    struct.pack_into("<H", data, pe + 22, characteristics | RUN_FROM_SWAP)
    struct.pack_into("<I", data, field, checksum(data, field))
    with open(path, "r+b") as out:
        out.write(data)


if __name__ == "__main__":
    main()

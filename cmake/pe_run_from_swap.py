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

from pe_relocs_stripped import read_pe_argument, write_characteristics

RUN_FROM_SWAP = 0x0400 | 0x0800


def main():
    path, data, pe = read_pe_argument("pe_run_from_swap.py")
    characteristics, = struct.unpack_from("<H", data, pe + 22)
    write_characteristics(path, data, pe, characteristics | RUN_FROM_SWAP)


if __name__ == "__main__":
    main()

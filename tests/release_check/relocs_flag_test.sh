#!/bin/bash
# check-release on a copy of the release set in which TLSETUP.EXE's header
# no longer says that its relocations are stripped and ZEROZ32.DLL's says
# that its are: two findings, one naming each file; on the copy of the set
# before the change, none. Then, on a fresh copy, both files without the
# run-from-swap flags: four findings, two naming each file.
#   relocs_flag_test.sh CHECK_RELEASE WIN32_BUILD_DIR
set -u
check=$1 tree=$2
fail() { echo "FAIL: $*" >&2; exit 1; }
for file in bin/tlsetup.exe bin/ZEROZ32.DLL dist/manifest.txt; do
    [ -f "$tree/$file" ] || fail "$tree/$file is missing (build the win32 preset)"
done
work=$(mktemp -d "${TMPDIR:-/tmp}/relocs_flag.XXXXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir "$work/dist"
cp -r "$tree/bin" "$work/bin"
cp "$tree/dist/manifest.txt" "$work/dist/"
out=$("$check" "$work" 2>&1) || fail "check-release refused the copy of the release set: $out"
# Flips IMAGE_FILE_RELOCS_STRIPPED (bit 0 of the COFF header's
# characteristics) of each file named.
/usr/bin/python3 - "$work/bin/tlsetup.exe" "$work/bin/ZEROZ32.DLL" <<'PY' || fail "could not change the headers"
import struct, sys
for path in sys.argv[1:]:
    data = bytearray(open(path, "rb").read())
    flags = struct.unpack_from("<I", data, 0x3C)[0] + 22
    data[flags] ^= 0x01
    open(path, "wb").write(data)
PY
out=$("$check" "$work" 2>&1) && fail "check-release passed the changed headers: $out"
findings=$(grep -v '^check-release: [^:]* [0-9]* KB, imports:\|^check-release: [^:]* (as ' <<<"$out")
[ "$(grep -c . <<<"$findings")" -eq 2 ] || fail "expected two findings, saw: $findings"
grep -qx 'check-release: tlsetup.exe does not set IMAGE_FILE_RELOCS_STRIPPED in its header' <<<"$findings" ||
    fail "no finding for tlsetup.exe's header: $findings"
grep -qx 'check-release: ZEROZ32.DLL, a DLL, sets IMAGE_FILE_RELOCS_STRIPPED' <<<"$findings" ||
    fail "no finding for ZEROZ32.DLL's header: $findings"
echo "check-release refused both headers: $findings"

rm -rf "$work/bin"
cp -r "$tree/bin" "$work/bin"
# Clears IMAGE_FILE_REMOVABLE_RUN_FROM_SWAP and IMAGE_FILE_NET_RUN_FROM_SWAP
# (0x0400, 0x0800) of each file named.
/usr/bin/python3 - "$work/bin/tlsetup.exe" "$work/bin/ZEROZ32.DLL" <<'PY' || fail "could not change the headers"
import struct, sys
for path in sys.argv[1:]:
    data = bytearray(open(path, "rb").read())
    flags = struct.unpack_from("<I", data, 0x3C)[0] + 22
    data[flags + 1] &= ~0x0C & 0xFF
    open(path, "wb").write(data)
PY
out=$("$check" "$work" 2>&1) && fail "check-release passed the images without run-from-swap flags: $out"
findings=$(grep -v '^check-release: [^:]* [0-9]* KB, imports:\|^check-release: [^:]* (as ' <<<"$out")
[ "$(grep -c . <<<"$findings")" -eq 4 ] || fail "expected four findings, saw: $findings"
for name in tlsetup.exe ZEROZ32.DLL; do
    for flag in REMOVABLE NET; do
        grep -qx "check-release: $name does not set IMAGE_FILE_${flag}_RUN_FROM_SWAP in its header" <<<"$findings" ||
            fail "no finding for $name without the $flag flag: $findings"
    done
done
echo "check-release refused both images without run-from-swap flags: $findings"

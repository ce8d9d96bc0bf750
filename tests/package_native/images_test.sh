#!/bin/bash
# Diskette images of mkdist --images: a two-disk set with a compressed file,
# an empty file and a subfolder passes scripts/check-images (files read back
# byte-identical, labels, fsck.fat), which in turn notices a changed file; a
# disk filled to the last cluster of a 720 KB diskette is taken, one byte more
# is refused before anything is written, naming the disk and both sizes.
#   images_test.sh MKDIST CHECK_IMAGES
set -u
mkdist=${1:?usage: images_test.sh MKDIST CHECK_IMAGES}
check=${2:?usage: images_test.sh MKDIST CHECK_IMAGES}
work=$(mktemp -d "${TMPDIR:-/tmp}/tls-images-test.XXXXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
in=$work/in out=$work/out
mkdir -p "$in/DRIVER"
printf '%s\r\n' '[Application]' 'AppName=Vireo' 'DefDir=C:\VIREO' '[Disks]' '1=#1 - Programs' \
    '2=#2 driver/PS: fonts' '[Dirs]' '1=.' '2=DRIVER' '[Files]' 'VIREO.EXE,1,VIREO.EX_,1,1,Y' \
    'README.TXT,1,README.TXT,1,1,N' 'BIG.DAT,1,BIG.DAT,2,2,N' '[End]' >"$in/TLSETUP.INF"
seq 1 20000 >"$in/VIREO.EXE"
: >"$in/README.TXT"
# DISK2 holds DRIVER (one 1024-byte cluster on a 720 KB diskette) and BIG.DAT.
big() { head -c "$1" /dev/zero | tr '\0' B >"$in/DRIVER/BIG.DAT"; }
build() { "$mkdist" --quiet --script "$in/TLSETUP.INF" --input "$in" --out "$out" --manifest "$out/manifest.txt" "$@"; }

big $((713 * 1024 - 1024))
build --images >"$work/log" 2>&1 || fail "mkdist --images ended with $?: $(cat "$work/log")"
"$check" "$out" || fail "check-images finds the 1.44 MB images wrong"
for want in "DISK1 #1 - PROGRA" "DISK2 #2 DRIVER_P"; do
    got=$(MTOOLSRC=/dev/null mlabel -s -i "$out/${want%% *}.IMG" ::)
    [ "$got" = " Volume label is ${want#* }" ] || fail "${want%% *}.IMG label: '$got', not '${want#* }'"
done
build --capacity 720 >"$work/log" 2>&1 || fail "a disk filling a 720 KB diskette was refused: $(cat "$work/log")"
"$check" --capacity 720 "$out" || fail "check-images finds the 720 KB images wrong"

echo changed >>"$out/DISK1/README.TXT"
"$check" --capacity 720 "$out" 2>"$work/log" && fail "check-images passed a changed README.TXT"
grep -q 'README.TXT differs' "$work/log" || fail "check-images did not name README.TXT: $(cat "$work/log")"

big $((713 * 1024 - 1023))
before=$(find "$out" -type f -print0 | sort -z | xargs -0 md5sum)
build --capacity 720 >"$work/log" 2>&1
rc=$?
[ $rc = 5 ] || fail "one byte too many: mkdist ended with $rc, not 5"
grep -qF 'DISK2 (#2 driver/PS: fonts) does not fit on a 720 KB diskette: its files and folders need 731136 bytes, the diskette holds 730112 bytes' \
    "$work/log" || fail "the refusal says: $(cat "$work/log")"
after=$(find "$out" -type f -print0 | sort -z | xargs -0 md5sum)
[ "$before" = "$after" ] || fail "the refused build changed the output: $(diff <(echo "$before") <(echo "$after"))"
ls -A "$work" | grep -q mkdist && fail "the refused build left its staging folder: $(ls -A "$work")"
[ $failures = 0 ] && echo "images test passed" || echo "images test: $failures failure(s)"
exit $((failures > 0))

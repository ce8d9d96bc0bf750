#!/bin/bash
# Diskette images of mkdist --images: a two-disk set with a compressed file,
# an empty file and a subfolder passes scripts/check-images (files read back
# byte-identical, labels, fsck.fat), which in turn notices a changed file; a
# disk filled to the last cluster of a 720 KB diskette is taken, one byte more
# is refused before anything is written, naming the disk and both sizes;
# --date (or SOURCE_DATE_EPOCH) dates every file and folder, and each image's
# volume serial number follows its disk's files.
#   images_test.sh MKDIST CHECK_IMAGES
set -u
mkdist=${1:?usage: images_test.sh MKDIST CHECK_IMAGES}
check=${2:?usage: images_test.sh MKDIST CHECK_IMAGES}
work=$(mktemp -d "${TMPDIR:-/tmp}/tls-images-test.XXXXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0
unset SOURCE_DATE_EPOCH
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
# Dates and serial numbers: every file and folder, in the folders and in the
# images, carries the --date; SOURCE_DATE_EPOCH gives the same bytes; each
# image's serial number follows its own disk's files.
serial() { MTOOLSRC=/dev/null mdir -i "$out/$1.IMG" :: | sed -n 's/.*Serial Number is //p'; }
cp "$out/DISK1.IMG" "$work/default.img"
build --images --date 1234567890 >"$work/log" 2>&1 || fail "mkdist --date ended with $?: $(cat "$work/log")"
listing=$(MTOOLSRC=/dev/null MTOOLS_NO_VFAT=1 mdir -i "$out/DISK2.IMG" -/ -a ::)
grep -q '^DRIVER .*<DIR> *2009-02-13 *23:31' <<<"$listing" || fail "DISK2.IMG: DRIVER not dated --date: $listing"
grep -q '^BIG *DAT .* 2009-02-13 *23:31' <<<"$listing" || fail "DISK2.IMG: BIG.DAT not dated --date: $listing"
stamps=$(find "$out/DISK1" "$out/DISK2" -printf '%T@ %p\n' | grep -v '^1234567890.0* ')
[ -z "$stamps" ] || fail "set files not dated --date: $stamps"
cmp -s "$work/default.img" "$out/DISK1.IMG" && fail "DISK1.IMG is the same with --date as without"
cp "$out/DISK1.IMG" "$work/dated1.img"
cp "$out/DISK2.IMG" "$work/dated2.img"
[ "$(serial DISK1)" != "$(serial DISK2)" ] || fail "both disks have the serial number $(serial DISK1)"
SOURCE_DATE_EPOCH=1234567890 build --images >"$work/log" 2>&1 || fail "SOURCE_DATE_EPOCH build: $(cat "$work/log")"
cmp "$work/dated1.img" "$out/DISK1.IMG" || fail "SOURCE_DATE_EPOCH and --date give different DISK1.IMG"
serial2=$(serial DISK2)
echo changed >"$in/README.TXT"
build --images --date 1234567890 >"$work/log" 2>&1 || fail "mkdist ended with $?: $(cat "$work/log")"
[ "$(MTOOLSRC=/dev/null mdir -i "$work/dated1.img" :: | sed -n 's/.*Serial Number is //p')" != "$(serial DISK1)" ] ||
    fail "DISK1's serial number $(serial DISK1) did not change with its README.TXT"
[ "$(serial DISK2)" = "$serial2" ] || fail "DISK2's serial number changed from $serial2 to $(serial DISK2)"
cmp "$work/dated2.img" "$out/DISK2.IMG" || fail "DISK2.IMG changed with a file of DISK1"
: >"$in/README.TXT"
build --images --date 12 >"$work/log" 2>&1 && fail "mkdist took --date 12 (1970)"
grep -qF -- '--date "12" is not a time from 1980 to 2107' "$work/log" || fail "--date 12: $(cat "$work/log")"

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

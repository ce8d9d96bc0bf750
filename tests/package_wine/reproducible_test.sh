#!/bin/bash
# The build records one time, the tree's build time, and nothing of the
# machine's clock, time zone or locale:
#  - the PE headers (and export and resource directories) of the shipped
#    programs and of the package's companion programs carry the build time
#    (or zero), and no program holds the source or build folder's path;
#  - the package's bitmaps and fonts, made again at another clock, are the
#    tree's byte for byte;
#  - the distribution set and its diskette images, made again by mkdist with
#    the tree's own arguments at two other clocks, in two other time zones
#    and locales, are the tree's byte for byte (folders and images), and the
#    manifest names no original by an absolute path;
#  - the images' files and folders show the build date, and the two
#    diskettes have different volume serial numbers.
# Exit code 0 when everything holds, 1 otherwise; every finding is printed.
#   reproducible_test.sh SOURCE_DIR BUILD_DIR [BUILD_TIME]
# BUILD_TIME defaults to the --date of BUILD_DIR/dist-arguments.txt (the
# arguments of the tree's mkdist run, one a line).
set -u
src=${1:?source folder}
tree=${2:?build folder}
fail=0
problem() { echo "reproducible: $*" >&2; fail=1; }
work=$(mktemp -d "${TMPDIR:-/tmp}/reproducible.XXXXXXXX")
trap 'rm -rf "$work"' EXIT
unset SOURCE_DATE_EPOCH
command -v faketime >/dev/null || { problem "faketime is missing (scripts/setup installs it)"; exit 1; }

arguments=$tree/dist-arguments.txt
[ -f "$arguments" ] || { problem "no $arguments: build the tree first"; exit 1; }
mapfile -t args < "$arguments"
time=${3:-}
for ((i = 0; i + 1 < ${#args[@]}; i++)); do
    [ "${args[i]}" = --date ] && [ -z "$time" ] && time=${args[i + 1]}
done
[[ $time =~ ^[0-9]+$ ]] || { problem "no build time: $arguments has no --date"; exit 1; }
echo "reproducible: $tree, build time $time ($(date -u -d "@$time" '+%Y-%m-%d %H:%M:%S UTC'))"

# The PE time stamps, read from the files: the COFF header's, and those of
# the export and resource directories when the file has them.
programs=()
for name in tlsetup.exe tldesetup.exe ZEROZ32.DLL pelorasd.exe vireo.exe plspool.exe pltest.exe plpanel.exe \
            pldriver.dll; do
    if [ -f "$tree/bin/$name" ]; then programs+=("$tree/bin/$name"); else problem "$tree/bin/$name is missing"; fi
done
/usr/bin/python3 - "$time" "${programs[@]}" <<'EOF' || fail=1
import struct, sys
want = int(sys.argv[1])
bad = False
for path in sys.argv[2:]:
    data = open(path, "rb").read()
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    sections, stamp = struct.unpack_from("<HI", data, pe + 6)
    optional = pe + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    dirs = optional + (96 if magic == 0x10B else 112)
    stamps = [("header", stamp)]
    table = optional + struct.unpack_from("<H", data, pe + 20)[0]
    def offset(rva):
        for s in range(sections):
            vsize, vaddr, rsize, raw = struct.unpack_from("<IIII", data, table + 40 * s + 8)
            if vaddr <= rva < vaddr + max(vsize, rsize):
                return raw + rva - vaddr
        return None
    for index, what in ((0, "export directory"), (2, "resource directory")):
        rva, size = struct.unpack_from("<II", data, dirs + 8 * index)
        at = offset(rva) if rva and size else None
        if at is not None:
            stamps.append((what, struct.unpack_from("<I", data, at + 4)[0]))
    for what, value in stamps:
        if value not in (want, 0):
            print("reproducible: %s: %s time stamp is %d, not the build time %d or 0" % (path, what, value, want),
                  file=sys.stderr)
            bad = True
sys.exit(1 if bad else 0)
EOF
for p in "${programs[@]}"; do
    for folder in "$src" "$tree"; do
        grep -qaF "$folder" "$p" && problem "$p holds the path $folder"
    done
done

# Bitmaps and fonts, made at another clock.
faketime '2031-07-15 12:00:01' /usr/bin/python3 "$src/package/make_assets.py" "$work/assets" \
    /usr/share/fonts/truetype/dejavu >/dev/null || problem "make_assets.py failed"
diff -r "$tree/package/assets" "$work/assets" >&2 || problem "the bitmaps and fonts differ when made at another clock"

# The set, made twice more at other clocks, zones and locales.
run_mkdist() {   # out clock zone locale
    local out=$1 clock=$2 zone=$3 locale=$4 a=() i
    for ((i = 0; i < ${#args[@]}; i++)); do
        case ${args[i]} in
            --out) a+=(--out "$out"); i=$((i + 1)) ;;
            --manifest) a+=(--manifest "$out/manifest.txt"); i=$((i + 1)) ;;
            *) a+=("${args[i]}") ;;
        esac
    done
    TZ=$zone LC_ALL=$locale faketime "$clock" "$tree/host/mkdist" "${a[@]}" ||
        problem "mkdist at $clock ($zone, $locale) failed"
}
run_mkdist "$work/early" '1999-12-31 23:59:58' Pacific/Kiritimati C.UTF-8
run_mkdist "$work/late" '2031-07-15 12:00:01' America/St_Johns C
# (The manifests name the originals relative to their own folders, which lie
# elsewhere here: the tree's must name none by an absolute path.)
for again in early late; do
    diff -r -x manifest.txt "$tree/dist" "$work/$again" >&2 ||
        problem "the set made at the $again clock differs from $tree/dist"
done
absolute=$(grep -P '\t/' "$tree/dist/manifest.txt")
[ -z "$absolute" ] || problem "$tree/dist/manifest.txt names originals by absolute paths: $absolute"

# The images' dates and serial numbers.
export MTOOLSRC=/dev/null MTOOLS_SKIP_CHECK=1 MTOOLS_NO_VFAT=1 MTOOLS_LOWER_CASE=0 LC_ALL=C
day=$(date -u -d "@$time" +%Y-%m-%d)
serials=()
for image in "$tree"/dist/DISK*.IMG; do
    listing=$(mdir -i "$image" -/ -a ::) || { problem "mdir cannot read $image"; continue; }
    entry='^[.A-Z0-9_$~!#%&@^(){}-]+ +([A-Z0-9_$~!#%&@^(){}-]+ +)?(<DIR>|[0-9]+) +[0-9]{4}-'
    dated=$(grep -cE "$entry" <<<"$listing")
    undated=$(grep -E "$entry" <<<"$listing" | grep -vF " $day ")
    [ "$dated" -gt 0 ] || problem "$image: mdir shows no dated entry"
    [ -z "$undated" ] || problem "$image: entries not dated $day: $undated"
    serials+=("$(sed -n 's/.*Serial Number is //p' <<<"$listing")")
done
[ ${#serials[@]} -ge 2 ] && [ "${serials[0]}" = "${serials[1]}" ] &&
    problem "DISK1.IMG and DISK2.IMG share the volume serial number ${serials[0]}"

[ $fail = 0 ] && echo "reproducible: $tree: same bytes at every clock, dated $day"
exit $fail

#!/bin/bash
# Runs the demo on a built win64 tree: a fresh Windows 95-like Wine machine
# with the sample package's first diskette in drive A: (the second in B:),
# A:\TLSETUP.EXE run by tools/demo's driver, then the installed uninstaller,
# and a report of what changed on the machine. Used by scripts/demo and by
# the ctests "demo.headless.win32" and "demo.headless.win64".
#
#   demo-run.sh --build DIR [--set DIR] [--from-images] [--out DIR] [--headless]
#               [--keep] [--bound SECONDS]
#
# --build: the win64 tree, whose driver, seed program and Wine prefix
#   template make the machine.
# --set: the distribution set run (DISK1, DISK2; default BUILD/dist), e.g. the
#   win32 tree's dist for the 32-bit release set.
# --from-images: the diskettes are the set's images DISK1.IMG and DISK2.IMG,
#   each read out with mtools into a folder of its own, as a drive presents it.
# --headless (the default when DISPLAY is unset): under an Xvfb display of
#   its own; the driver answers every screen with its default answer and
#   saves a PNG picture of each into the output folder (default
#   ./demo-output). Otherwise the programs run on $DISPLAY for the user.
# --keep: keep the Wine prefix (its path is printed) instead of deleting it.
# --bound: the longest the whole run may take (default 1200 s headless,
#   4000 s interactive).
# When the installer asks for the second diskette the driver has this script
# re-point A: at it, as a user swapping diskettes would.
# Exit code: the driver's (0 when the installer and the uninstaller got
# through), 124 when the bound ran out, 2 for a usage or set-up error.
set -u
build="" set="" images=0 out="demo-output" headless=0 keep=0 bound=""
usage="usage: demo-run.sh --build DIR [--set DIR] [--from-images] [--out DIR] [--headless] [--keep] [--bound SECONDS]"
[ -z "${DISPLAY:-}" ] && headless=1
while [ $# -gt 0 ]; do
    case "$1" in
        --build) build="$2"; shift 2 ;;
        --set) set="$2"; shift 2 ;;
        --from-images) images=1; shift ;;
        --out) out="$2"; shift 2 ;;
        --headless) headless=1; shift ;;
        --keep) keep=1; shift ;;
        --bound) bound="$2"; shift 2 ;;
        *) echo "$usage" >&2; exit 2 ;;
    esac
done
[ -n "$build" ] || { echo "$usage" >&2; exit 2; }
[ -n "$bound" ] || bound=$([ $headless = 1 ] && echo 1200 || echo 4000)
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$build" && pwd) || exit 2
bin=$build/bin
set=$(cd "${set:-$build/dist}" && pwd) || exit 2
# The set as the report names it: below the source tree, relative to it.
root=$(cd "$here/.." && pwd)
set_name=${set#"$root"/}
for f in "$bin/demo_driver.exe" "$bin/seed_machine.exe"; do
    [ -e "$f" ] || { echo "demo: $f is missing; build the win64 preset first" >&2; exit 2; }
done
if [ $images = 1 ]; then
    for f in "$set/DISK1.IMG" "$set/DISK2.IMG"; do
        [ -f "$f" ] || { echo "demo: $f is missing; build the set's preset first" >&2; exit 2; }
    done
    set_name="$set_name, from the images DISK1.IMG and DISK2.IMG"
else
    for f in "$set/DISK1/TLSETUP.EXE" "$set/DISK1/TLSETUP.INF" "$set/DISK2"; do
        [ -e "$f" ] || { echo "demo: $f is missing; build the set's preset first" >&2; exit 2; }
    done
fi
mkdir -p "$out" || exit 2
out=$(cd "$out" && pwd)
rm -f "$out"/[0-9][0-9]-*.png "$out"/[0-9][0-9]-*.bmp "$out/report.txt" "$out"/.swap-request "$out"/.swap-done

WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver
export WINEDEBUG=-all
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree,mshtml="
say() { echo "demo: $*"; }

# The template prefix is made (and seeded) by the test wrapper on first use.
template=$build/wine-template
if [ ! -f "$template/.ready" ]; then
    say "making the Windows 95-like machine (first run only, a minute or two)..."
    "$here/wine-run.sh" --template "$template" --seed "$bin/seed_machine.exe" -- "$bin/seed_machine.exe" >/dev/null 2>&1
    [ -f "$template/.ready" ] || { echo "demo: could not make the Wine prefix $template" >&2; exit 2; }
fi

prefix=$(mktemp -d "${TMPDIR:-/tmp}/tls-demo.XXXXXXXX")
watcher=""
cleanup() {
    [ -n "$watcher" ] && kill "$watcher" 2>/dev/null
    WINEPREFIX=$prefix "$WINESERVER" -k 2>/dev/null
    if [ $keep = 1 ]; then
        say "the Wine prefix is kept in $prefix (WINEPREFIX=$prefix $WINE ...)"
    else
        rm -rf "$prefix"
    fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

say "copying a fresh machine into $prefix..."
if [ $keep = 1 ]; then
    # A kept machine is the user's to change: nothing of it is shared.
    cp -a "$template/." "$prefix/"
else
    . "$here/prefix-copy.sh"
    copy_template "$prefix"
fi
rm -f "$prefix/.ready"
export WINEPREFIX=$prefix
if [ $images = 1 ]; then
    # Each image read out with mtools, as a drive presents the diskette.
    for n in 1 2; do
        mkdir -p "$prefix/diskettes/DISK$n"
        MTOOLSRC=/dev/null MTOOLS_SKIP_CHECK=1 MTOOLS_LOWER_CASE=0 \
            mcopy -s -n -m -i "$set/DISK$n.IMG" '::*' "$prefix/diskettes/DISK$n/" ||
            { echo "demo: cannot read $set/DISK$n.IMG with mtools" >&2; exit 2; }
    done
    say "the diskettes are read out of $set/DISK1.IMG and DISK2.IMG"
    disk1=$prefix/diskettes/DISK1 disk2=$prefix/diskettes/DISK2
else
    disk1=$set/DISK1 disk2=$set/DISK2
fi
# The diskettes: the first in drive A:, the second in B:.
ln -sfn "$disk1" "$prefix/dosdevices/a:"
ln -sfn "$disk2" "$prefix/dosdevices/b:"

# Swaps the diskette in A: when the driver asks for it (bounded by the run).
(
    end=$((SECONDS + bound))
    while [ $SECONDS -lt $end ]; do
        if [ -e "$out/.swap-request" ]; then
            rm -f "$out/.swap-request"
            ln -sfn "$disk2" "$prefix/dosdevices/a:"
            : > "$out/.swap-done"
        fi
        sleep 0.2
    done
) &
watcher=$!

winpath() { echo "Z:$1" | tr / '\\'; }
driver_args=(--out "$(winpath "$out")" --setup 'A:\TLSETUP.EXE' --disk2 'B:\' --swap --set "$set_name")
[ $headless = 1 ] || driver_args+=(--interactive)

# One Wine session: seed the machine, make it one 800x600 desktop (which
# Wine draws whole, so that every dialog shows in the pictures), run the
# driver. Arguments: the driver's arguments.
session='
    "$WINESERVER" -p 2>/dev/null
    "$WINE" "$bin/seed_machine.exe" >/dev/null 2>&1 || { echo "demo: seeding the machine failed" >&2; exit 2; }
    "$WINE" reg add "HKCU\\Software\\Wine\\Explorer" /v Desktop /d Default /f >/dev/null 2>&1
    "$WINE" reg add "HKCU\\Software\\Wine\\Explorer\\Desktops" /v Default /d 800x600 /f >/dev/null 2>&1
    timeout --kill-after=10 "$bound" "$WINE" "$bin/demo_driver.exe" "$@" 2>>"$WINEPREFIX/wine-stderr.log"'
export WINE WINESERVER bin bound

if [ $headless = 1 ]; then
    say "starting the machine (headless, under Xvfb)..."
    # xvfb-run -a searches upward from -n; a random start keeps parallel runs apart.
    xvfb-run -a -n $((100 + RANDOM % 800)) -s "-screen 0 1024x768x24" bash -c "$session" demo-session "${driver_args[@]}"
    rc=$?
else
    say "starting the machine on display $DISPLAY..."
    bash -c "$session" demo-session "${driver_args[@]}"
    rc=$?
fi
WINEPREFIX=$prefix "$WINESERVER" -k 2>/dev/null
[ $rc = 124 ] && echo "demo: the run took longer than its bound of $bound s and was stopped" >&2

shopt -s nullglob
bmps=("$out"/[0-9][0-9]-*.bmp)
if [ ${#bmps[@]} -gt 0 ]; then
    say "converting ${#bmps[@]} pictures to PNG..."
    for b in "${bmps[@]}"; do
        convert "$b" "${b%.bmp}.png" && rm -f "$b"
    done
fi
rm -f "$out/.swap-request" "$out/.swap-done"

if [ -f "$out/report.txt" ]; then
    echo
    cat "$out/report.txt"
    echo
    [ $headless = 1 ] && say "pictures and report.txt are in $out"
else
    echo "demo: the driver wrote no report" >&2
fi
if [ $rc != 0 ]; then
    if [ -s "$prefix/wine-stderr.log" ]; then
        echo "demo: the last lines Wine wrote:" >&2
        tail -n 20 "$prefix/wine-stderr.log" >&2
    fi
    echo "demo: FAILED (exit code $rc)" >&2
fi
exit $rc

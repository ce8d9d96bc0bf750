#!/bin/bash
# Runs one Windows test program under wine64 in a Wine prefix of its own.
#
#   wine-run.sh --template DIR --seed SEED.EXE -- PROGRAM [ARGS...]
#
# The template prefix is made once (wineboot, then seeded as a Windows 95-like
# machine) and reused; every run copies it to a fresh prefix, starts a
# persistent wineserver under its own Xvfb display, seeds the machine state
# again (HKEY_DYN_DATA is volatile, and the seed program may be newer than the
# template), runs the program, ends the wineserver and deletes the prefix.
# TLS_WINE_DRIVES maps extra drive letters (see below). A program that exits
# with 75 is run again in a new Wine session on the same prefix, a restart of
# Windows (TLS_WINE_SESSION tells it which session it is in: 1, 2, ...).
# TLS_WINE_KEEP=1 keeps the prefix and prints where it is.
set -u
template="" seed=""
while [ $# -gt 0 ]; do
    case "$1" in
        --template) template="$2"; shift 2 ;;
        --seed) seed="$2"; shift 2 ;;
        --) shift; break ;;
        *) break ;;
    esac
done
if [ -z "$template" ] || [ $# -lt 1 ]; then
    echo "usage: wine-run.sh --template DIR [--seed SEED.EXE] -- PROGRAM [ARGS...]" >&2
    exit 2
fi
WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver
export WINEDEBUG=-all
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY

# xvfb-run -a picks the first free display from -n on; start the search at a
# random number so that parallel runs do not race for the same display.
xvfb() {
    xvfb-run -a -n $((100 + RANDOM % 800)) -s "-screen 0 1024x768x24" "$@"
}

# The template, made once under a lock so that parallel tests wait for it.
# Its windows are unmanaged: with a managed window Wine waits about two
# seconds for a window manager (there is none under Xvfb) at every hidden
# top-level window. A template of an earlier layout is made anew.
template_version="2 unmanaged"
mkdir -p "$(dirname "$template")"
(
    flock 9
    if [ "$(cat "$template/.ready" 2>/dev/null)" != "$template_version" ]; then
        rm -rf "$template"
        mkdir -p "$template"
        echo "wine-run: creating template prefix $template" >&2
        WINEPREFIX="$template" xvfb bash -c '
            "$0" -p10 </dev/null >/dev/null 2>&1
            "$1" wineboot -i >/dev/null 2>&1
            "$1" reg add "HKCU\\Software\\Wine\\X11 Driver" /v Managed /d N /f >/dev/null 2>&1
            if [ -n "$2" ]; then "$1" "$2" >/dev/null 2>&1 || echo "wine-run: seeding failed" >&2; fi
            "$0" -k' "$WINESERVER" "$WINE" "$seed"
        WINEPREFIX="$template" "$WINESERVER" -w 2>/dev/null
        echo "$template_version" > "$template/.ready"
    fi
) 9>"$template.lock"

prefix=""
cleanup() {
    [ -n "$prefix" ] || return
    WINEPREFIX="$prefix" "$WINESERVER" -k </dev/null >/dev/null 2>&1
    if [ "${TLS_WINE_KEEP:-0}" = 1 ]; then
        echo "wine-run: prefix kept in $prefix" >&2
    else
        rm -rf "$prefix"
    fi
    prefix=""
}
trap 'cleanup; exit 130' INT TERM

# A fresh prefix from the template. The template is about 1.3 GB, nearly all
# of it Wine's own program files in system32 and syswow64, which nothing
# changes in place (an installation adds files or deletes them, which only
# unlinks): those are hard links to the template's, every other file a copy.
copy_template() {
    cp -al "$template/." "$1/" || return 1
    (cd "$template" && find . -type f ! \( \( -path './drive_c/windows/system32/*' -o \
        -path './drive_c/windows/syswow64/*' \) -iregex '.*\.\(dll\|exe\|drv\|sys\|ocx\|cpl\|acm\|tlb\|ax\|ds\|nls\)' \) \
        -print0 | xargs -0 -r cp -p --remove-destination --parents -t "$1")
}

# The kernel's messages since a mark: a process that dies inside Wine's own
# start-up says nothing itself, but a crash or a kill is in the kernel's log.
kernel_mark() { dmesg 2>/dev/null | wc -l; }
kernel_since() {
    local lines
    lines=$(dmesg 2>/dev/null | tail -n +"$(($1 + 1))")
    if [ -n "$lines" ]; then printf '%s\n' "$lines" | sed 's/^/wine-run:   /'; else echo "wine-run:   (none)"; fi
}

# One run of the program in a fresh copy of the template; its output is
# also kept in $log.
attempt() {
    local kernel_start
    kernel_start=$(kernel_mark)
    prefix=$(mktemp -d "${TMPDIR:-/tmp}/tls-wine.XXXXXXXX")
    copy_template "$prefix"
    rm -f "$prefix/.ready"
    export WINEPREFIX="$prefix"
    # TLS_WINE_DRIVES="d:=/some/dir e:=/other/dir" maps further drive letters.
    for drive in ${TLS_WINE_DRIVES:-}; do
        ln -sfn "${drive#*=}" "$prefix/dosdevices/${drive%%=*}"
    done
    set -o pipefail
    xvfb bash -c '
        wineserver="$1" wine="$2" seed="$3"; shift 3
        # Persistent for a few seconds only, so that the volatile registry seeded
        # below survives until the program starts, yet a server left behind by a
        # killed run ends by itself. Its output must not hold the caller'"'"'s pipes.
        # A program that ends with 75 asks for a restart of Windows: the
        # session ends (the server writes the registry out), a new one starts
        # on the same prefix and carries out the next-start file operations,
        # and the program runs again with TLS_WINE_SESSION one higher.
        session=1
        while :; do
            "$wineserver" -p10 </dev/null >/dev/null 2>&1
            if [ -n "$seed" ]; then "$wine" "$seed" >/dev/null 2>&1 || echo "wine-run: seeding failed" >&2; fi
            TLS_WINE_SESSION=$session "$wine" "$@"
            rc=$?
            "$wineserver" -k 2>/dev/null
            [ $rc = 75 ] && [ $session -lt 4 ] || break
            "$wineserver" -w 2>/dev/null
            session=$((session + 1))
            echo "wine-run: restarting the Wine session (session $session)" >&2
        done
        exit $rc' wine-session "$WINESERVER" "$WINE" "$seed" "$@" 2>&1 | tee "$log"
    local rc=$?
    set +o pipefail
    # A program the test started that Wine failed to start (error 1359, see
    # tests/machine/start_process.h): what the kernel saw meanwhile.
    if grep -q 'error 1359' "$log"; then
        echo "wine-run: a start failed inside Wine's own start-up (error 1359); the kernel's messages during the run:" >&2
        kernel_since "$kernel_start" >&2
    fi
    cleanup
    return $rc
}

log=$(mktemp "${TMPDIR:-/tmp}/tls-wine-log.XXXXXXXX")
attempt "$@"
rc=$?
# Wine itself occasionally fails to start one of its own programs under load
# (a DLL reported missing). That says nothing about the program under test:
# such a run is repeated once in a fresh prefix.
if [ $rc != 0 ] && grep -q -E '^wine: (failed to open|could not load)|wine client error' "$log"; then
    echo "wine-run: Wine failed to start one of its programs; running again in a fresh prefix" >&2
    attempt "$@"
    rc=$?
fi
rm -f "$log"
exit $rc

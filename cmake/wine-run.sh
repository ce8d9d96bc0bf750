#!/bin/bash
# Runs one Windows test program under wine64 in a Wine prefix of its own.
#
#   wine-run.sh --template DIR --seed SEED.EXE -- PROGRAM [ARGS...]
#
# The template prefix is made once (wineboot, then seeded as a Windows 95-like
# machine) and reused; every run copies it to a fresh prefix, starts a
# persistent wineserver under an Xvfb display of its own, seeds the machine
# state again (HKEY_DYN_DATA is volatile, and the seed program may be newer
# than the template), runs the program, ends the session's processes and
# deletes the prefix. TLS_WINE_DRIVES maps extra drive letters (see below). A
# program that exits with 75 is run again in a new Wine session on the same
# prefix, a restart of Windows (TLS_WINE_SESSION tells it which session it is
# in: 1, 2, ...). TLS_WINE_KEEP=1 keeps the prefix and prints where it is.
#
# TLS_WINE_CASES="Suite.Case Suite.Other ..." runs the GoogleTest program
# once for each case named, each in a process of its own, all in one Wine
# session: before every case but the first, the prefix's C: drive is put back
# as the copy made it (what the cases added is deleted, what they changed or
# deleted is copied or linked again from the template) and the machine is
# seeded again. Only what a case adds to the registry outside the seeded keys
# stays for the next: a case deletes the keys it makes. A case that passes
# prints one line, one that fails its whole output.
#
# What a run costs besides the program itself, and where it went (a trivial
# program, 2-core machine): the start of the Wine session (wineboot and the
# services it starts) most of it, then the end of the session, the display
# and the copy of the prefix. Hence the template starts only the services the
# programs use, the last session of a run is ended by killing its processes
# (its registry is not written out: the prefix is deleted), the display is
# an Xvfb started directly (xvfb-run's authority file costs more than the
# server) and the copy hard-links every program file the programs never
# write.
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
# Wine takes only an absolute WINEPREFIX.
case "$template" in /*) ;; *) template="$PWD/$template" ;; esac
WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver
export WINEDEBUG=-all
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY WINEPREFIX

# TLS_WINE_TIMES=1 prints how long each step of the run took (milliseconds).
export TLS_WINE_TIMES=${TLS_WINE_TIMES:-0}
step_start=${EPOCHREALTIME/./}
step() {
    [ "$TLS_WINE_TIMES" = 1 ] || return 0
    local now=${EPOCHREALTIME/./}
    printf 'wine-run: %-8s %6d ms\n' "$1" $(((now - step_start) / 1000)) >&2
    step_start=$now
}

# An Xvfb display of its own: the server picks a free display number itself
# and writes it to a pipe once it takes connections. Sets xvfb_pid and
# DISPLAY; false when no server came up within ten seconds.
xvfb_pid=""
start_xvfb() {
    local fifo display=""
    fifo=$(mktemp -u "${TMPDIR:-/tmp}/tls-xvfb.XXXXXXXX")
    mkfifo "$fifo" || return 1
    Xvfb -displayfd 3 -nolisten tcp -screen 0 1024x768x24 3>"$fifo" </dev/null >/dev/null 2>&1 &
    xvfb_pid=$!
    read -r -t 10 display <"$fifo"
    rm -f "$fifo"
    if [ -z "$display" ]; then
        stop_xvfb
        echo "wine-run: Xvfb did not start" >&2
        return 1
    fi
    export DISPLAY=":$display"
}
stop_xvfb() {
    [ -n "$xvfb_pid" ] || return
    kill "$xvfb_pid" 2>/dev/null
    wait "$xvfb_pid" 2>/dev/null
    xvfb_pid=""
    unset DISPLAY
}

# The folder of the prefix's wineserver socket, below the temporary folder
# the prefix's "wineserver" file names: server-DEVICE-INODE of the prefix in
# hexadecimal. The server leaves it behind.
server_dir() {
    local parent dev ino
    parent=$(cat "$1/wineserver" 2>/dev/null) || return 1
    read -r dev ino < <(stat -c '%d %i' "$1") || return 1
    case "$parent" in
        /*) ;;
        *) parent="${TMPDIR:-/tmp}/$parent" ;;
    esac
    printf '%s/server-%x-%x\n' "$parent" "$dev" "$ino"
}

# The template, made once under a lock so that parallel tests wait for it.
# Its windows are unmanaged: with a managed window Wine waits about two
# seconds for a window manager (there is none under Xvfb) at every hidden
# top-level window. Of the services Wine starts with every session only the
# mount manager stays (the drives); the event log, the network drivers and
# the plug and play manager, with the HID and USB bus drivers of its root
# devices, are started only on demand, which none of the programs makes. A
# template of an earlier layout is made anew.
template_version="3 unmanaged, lean services"
mkdir -p "$(dirname "$template")"
(
    flock 9
    if [ "$(cat "$template/.ready" 2>/dev/null)" != "$template_version" ]; then
        rm -rf "$template"
        mkdir -p "$template"
        echo "wine-run: creating template prefix $template" >&2
        start_xvfb || exit 1
        WINEPREFIX="$template" bash -c '
            wineserver=$1 wine=$2 seed=$3
            "$wineserver" -p10 </dev/null >/dev/null 2>&1
            "$wine" wineboot -i >/dev/null 2>&1
            "$wine" reg add "HKCU\\Software\\Wine\\X11 Driver" /v Managed /d N /f >/dev/null 2>&1
            for service in Eventlog NDIS nsiproxy PlugPlay; do
                "$wine" reg add "HKLM\\System\\CurrentControlSet\\Services\\$service" /v Start /t REG_DWORD /d 3 /f \
                    >/dev/null 2>&1 || echo "wine-run: service $service not set to start on demand" >&2
            done
            "$wine" reg delete "HKLM\\System\\CurrentControlSet\\Enum\\ROOT\\WINE" /f >/dev/null 2>&1 ||
                echo "wine-run: root devices not removed" >&2
            if [ -n "$seed" ]; then "$wine" "$seed" >/dev/null 2>&1 || echo "wine-run: seeding failed" >&2; fi
            "$wineserver" -k
            "$wineserver" -w' wine-template "$WINESERVER" "$WINE" "$seed"
        stop_xvfb
        rm -rf "$(server_dir "$template")"
        if [ ! -f "$template/system.reg" ] || [ ! -d "$template/dosdevices" ]; then
            echo "wine-run: wineboot made no prefix in $template" >&2
            exit 1
        fi
        echo "$template_version" > "$template/.ready"
    fi
) 9>"$template.lock"
if [ "$(cat "$template/.ready" 2>/dev/null)" != "$template_version" ]; then
    echo "wine-run: no template prefix in $template" >&2
    exit 1
fi

# The processes of the Wine session on a prefix (the wineserver among them):
# every process whose environment names the prefix. This script itself does
# not export WINEPREFIX, so it is not among them.
session_processes() {
    grep -lzx -F "WINEPREFIX=$1" /proc/[0-9]*/environ 2>/dev/null | sed -n 's|^/proc/\([0-9]*\)/environ$|\1|p'
}

# Ends the Wine session on the prefix at once: its processes are killed, the
# registry in the server's memory is dropped with the prefix. Waits (up to
# five seconds) until they are gone.
kill_session() {
    local pids pid i
    pids=$(session_processes "$1")
    [ -n "$pids" ] || return 0
    # shellcheck disable=SC2086
    kill -KILL $pids 2>/dev/null
    for i in $(seq 100); do
        for pid in $pids; do
            [ -e "/proc/$pid" ] && ! grep -q '^State:[[:space:]]*Z' "/proc/$pid/status" 2>/dev/null && break
            pid=""
        done
        [ -z "$pid" ] && return 0
        sleep 0.05
    done
    echo "wine-run: processes of the Wine session still running: $(session_processes "$1" | tr '\n' ' ')" >&2
}

prefix=""
cleanup() {
    [ -n "$prefix" ] || return
    local socket_dir
    socket_dir=$(server_dir "$prefix")
    if [ "${TLS_WINE_KEEP:-0}" = 1 ]; then
        # The registry is written out for whoever looks at the prefix.
        WINEPREFIX="$prefix" "$WINESERVER" -k </dev/null >/dev/null 2>&1
        WINEPREFIX="$prefix" "$WINESERVER" -w </dev/null >/dev/null 2>&1
        echo "wine-run: prefix kept in $prefix" >&2
    else
        step program
        kill_session "$prefix"
        step end
        # The socket folder first: once the prefix is gone, a parallel run's
        # new prefix may get its inode, and with it the same folder name.
        [ -n "$socket_dir" ] && rm -rf "$socket_dir"
        rm -rf "$prefix"
        step delete
    fi
    stop_xvfb
    prefix=""
}
trap 'cleanup; exit 130' INT TERM

# copy_template and find_copied_files.
. "$(dirname "${BASH_SOURCE[0]}")/prefix-copy.sh"

# The entries of the prefix's C: drive, one a line: path, then type, inode,
# size and time of the last change for a file (path and type alone for a
# folder), sorted.
drive_entries() {
    (cd "$prefix" && find drive_c \( -type d -printf '%p\td\n' \) -o -printf '%p\t%y %i %s %T@\n' | LC_ALL=C sort)
}
# The C: drive put back as the copy made it: an entry that is new or not the
# same file any more is deleted, and every entry of the copy that is then
# missing is made again from the template, linked or copied as copy_template
# does. Sets copy_entries, the entries as the copy made them.
copy_entries=""
reset_drive() {
    local stale missing
    stale=$(LC_ALL=C comm -13 <(printf '%s\n' "$copy_entries") <(drive_entries) | cut -f1)
    if [ -n "$stale" ]; then
        (cd "$prefix" && printf '%s\n' "$stale" | tr '\n' '\0' | xargs -0 rm -rf)
    fi
    missing=$(LC_ALL=C comm -23 <(printf '%s\n' "$copy_entries") <(drive_entries) | cut -f1)
    if [ -n "$missing" ]; then
        (cd "$template" && printf '%s\n' "$missing" | tr '\n' '\0' |
            xargs -0 cp -al --no-dereference --parents -t "$prefix" 2>/dev/null)
        (cd "$template" && printf '%s\n' "$missing" | tr '\n' '\0' | find_copied_files -files0-from - |
            xargs -0 -r cp -p --remove-destination --parents -t "$prefix")
    fi
    copy_entries=$(drive_entries)
}

# The kernel's messages since a mark: a process that dies inside Wine's own
# start-up says nothing itself, but a crash or a kill is in the kernel's log.
kernel_mark() { dmesg 2>/dev/null | wc -l; }
kernel_since() {
    local lines
    lines=$(dmesg 2>/dev/null | tail -n +"$(($1 + 1))")
    if [ -n "$lines" ]; then printf '%s\n' "$lines" | sed 's/^/wine-run:   /'; else echo "wine-run:   (none)"; fi
}

# The Wine sessions of one run on $prefix. Only the Wine commands get
# WINEPREFIX, so that session_processes finds them and nothing of this script.
# The wineserver is persistent for a few seconds only, so that the volatile
# registry seeded below survives until the program starts, yet a server left
# behind by a killed run ends by itself; its output must not hold the
# caller's pipes. A program that ends with 75 asks for a restart of Windows:
# the session ends (the server writes the registry out), a new one starts on
# the same prefix and carries out the next-start file operations, and the
# program runs again with TLS_WINE_SESSION one higher. The last session is
# ended here, at once: Wine's own processes that the program started (the
# desktop lingers a second after the last window) would otherwise hold the
# output pipe open.
sessions() {
    local session=1 start rc
    [ -n "${TLS_WINE_CASES:-}" ] && { cases "$@"; return; }
    while :; do
        start=${EPOCHREALTIME/./}
        WINEPREFIX="$prefix" "$WINESERVER" -p10 </dev/null >/dev/null 2>&1
        if [ -n "$seed" ]; then
            WINEPREFIX="$prefix" "$WINE" "$seed" </dev/null >/dev/null 2>&1 || echo "wine-run: seeding failed" >&2
        fi
        [ "$TLS_WINE_TIMES" = 1 ] &&
            echo "wine-run: session $session started and seeded after $(((${EPOCHREALTIME/./} - start) / 1000)) ms" >&2
        WINEPREFIX="$prefix" TLS_WINE_SESSION=$session "$WINE" "$@"
        rc=$?
        [ $rc = 75 ] && [ $session -lt 4 ] || break
        WINEPREFIX="$prefix" "$WINESERVER" -k 2>/dev/null
        WINEPREFIX="$prefix" "$WINESERVER" -w 2>/dev/null
        session=$((session + 1))
        echo "wine-run: restarting the Wine session (session $session)" >&2
    done
    [ "${TLS_WINE_KEEP:-0}" = 1 ] || kill_session "$prefix"
    return $rc
}

# The cases of TLS_WINE_CASES in one session (see the head of this file).
cases() {
    local case out rc=0 case_rc failed=0 count=0 first=1 start
    out=$(mktemp "${TMPDIR:-/tmp}/tls-wine-case.XXXXXXXX")
    copy_entries=$(drive_entries)
    WINEPREFIX="$prefix" "$WINESERVER" -p10 </dev/null >/dev/null 2>&1
    for case in $TLS_WINE_CASES; do
        if [ $first = 0 ]; then reset_drive; fi
        if [ -n "$seed" ]; then
            WINEPREFIX="$prefix" "$WINE" "$seed" </dev/null >/dev/null 2>&1 || echo "wine-run: seeding failed" >&2
        fi
        first=0
        count=$((count + 1))
        start=${EPOCHREALTIME/./}
        WINEPREFIX="$prefix" TLS_WINE_SESSION=1 "$WINE" "$@" "--gtest_filter=$case" >"$out" 2>&1
        case_rc=$?
        if [ $case_rc = 0 ] && grep -q '^\[  PASSED  \] 1 test' "$out"; then
            echo "wine-run: passed $case ($(((${EPOCHREALTIME/./} - start) / 1000)) ms)"
        else
            cat "$out"
            echo "wine-run: FAILED $case (exit code $case_rc)"
            failed=$((failed + 1))
            rc=1
        fi
    done
    rm -f "$out"
    echo "wine-run: $count cases, $failed failed"
    kill_session "$prefix"
    return $rc
}

# One run of the program in a fresh copy of the template; its output is
# also kept in $log.
attempt() {
    local kernel_start
    kernel_start=$(kernel_mark)
    prefix=$(mktemp -d "${TMPDIR:-/tmp}/tls-wine.XXXXXXXX")
    step start
    copy_template "$prefix"
    step copy
    rm -f "$prefix/.ready"
    # TLS_WINE_DRIVES="d:=/some/dir e:=/other/dir" maps further drive letters.
    for drive in ${TLS_WINE_DRIVES:-}; do
        ln -sfn "${drive#*=}" "$prefix/dosdevices/${drive%%=*}"
    done
    start_xvfb || { cleanup; return 1; }
    step display
    set -o pipefail
    sessions "$@" 2>&1 | tee "$log"
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

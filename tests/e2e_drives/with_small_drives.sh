#!/bin/bash
# Mounts two small tmpfs drives (700 KB and 3 MB), maps them as D: and E: of
# the Wine machine and runs the given command (the Wine wrapper and the test
# program); unmounts them afterwards. Needs the right to mount (root).
set -u
dir=$(mktemp -d "${TMPDIR:-/tmp}/tls-drives.XXXXXXXX")
mkdir -p "$dir/d" "$dir/e"
cleanup() {
    umount "$dir/d" "$dir/e" 2>/dev/null
    rm -rf "$dir"
}
trap cleanup EXIT
if ! mount -t tmpfs -o size=700k tmpfs "$dir/d" || ! mount -t tmpfs -o size=3m tmpfs "$dir/e"; then
    echo "with_small_drives: cannot mount tmpfs drives (not root?)" >&2
    exit 1
fi
TLS_WINE_DRIVES="d:=$dir/d e:=$dir/e" "$@"

#!/bin/bash
# check-release --file on a program that imports GetLongPathNameA fails with
# one finding, naming the file, KERNEL32.DLL and the function.
#   planted_test.sh CHECK_RELEASE PLANTED_EXE
set -u
check=$1 planted=$2
fail() { echo "FAIL: $*" >&2; exit 1; }
[ -f "$planted" ] || fail "$planted is missing (build the win32 preset)"
out=$("$check" --file "$planted" 2>&1) && fail "check-release passed the planted import: $out"
findings=$(grep -c '^check-release: ' <<<"$out")
[ "$findings" -eq 1 ] || fail "expected one finding, saw $findings: $out"
grep -q 'planted_import.exe imports KERNEL32.DLL GetLongPathNameA' <<<"$out" ||
    fail "the finding does not name the file, KERNEL32.DLL and GetLongPathNameA: $out"
echo "check-release refused the planted import: $out"

#!/bin/bash
# The headless demo end to end through cmake/demo-run.sh, the entry point of
# scripts/demo: checks that it succeeds, writes its report with the install
# and the removal (the Uninstall entry read in the registry view the programs
# used), names the build it ran, and leaves a PNG picture of the welcome
# screen, the port dialog, the restart prompt and the uninstaller's
# confirmation and closing message.
#
#   demo_test.sh DEMO_RUN_SH BUILD_DIR BUILD_LINE [demo-run.sh options]
set -u
usage="usage: demo_test.sh DEMO_RUN_SH BUILD_DIR BUILD_LINE [options]"
run=${1:?$usage}
build=${2:?$usage}
build_line=${3:?$usage}
shift 3
out=$(mktemp -d "${TMPDIR:-/tmp}/tls-demo-test.XXXXXXXX")
trap 'rm -rf "$out"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

env -u DISPLAY "$run" --build "$build" --out "$out" --headless --bound 1000 "$@"
rc=$?
[ $rc = 0 ] || fail "demo-run.sh ended with exit code $rc"

echo "== output folder:"
ls -l "$out"
for shot in welcome port-selection restart-prompt uninstall-confirmation uninstall-closing-message; do
    files=("$out"/[0-9][0-9]-"$shot".png)
    if [ ! -f "${files[0]}" ]; then
        fail "no picture of $shot"
    elif ! file "${files[0]}" | grep -q 'PNG image data, 800 x 600'; then
        fail "${files[0]} is not an 800x600 PNG: $(file "${files[0]}")"
    fi
done
if [ ! -f "$out/report.txt" ]; then
    fail "no report.txt"
else
    first=$(head -n 1 "$out/report.txt")
    [ "$first" = "$build_line" ] || fail "the report's first line is '$first', not '$build_line'"
    for line in 'After the installation' 'After the removal' \
                '+ HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\ORVAN Pelora 200/250' \
                '+ C:\VIREO\VIREO.EXE' '- C:\VIREO\VIREO.EXE' \
                'WIN.INI [windows] run' 'SYSTEM.INI [386Enh] PeloraLPT' \
                'HKLM\Enum\LPTENUM\ROVOZIZUDAR_200_OREV766' \
                'ORVAN Pelora 200_250 Tools' 'printer "ORVAN Pelora 200/250 PCL"'; do
        grep -qF -- "$line" "$out/report.txt" || fail "the report does not mention: $line"
    done
    grep -q '^FAILED' "$out/report.txt" && fail "the report says: $(grep '^FAILED' "$out/report.txt")"
fi
[ $failures = 0 ] && echo "demo test passed" || echo "demo test: $failures failure(s)"
exit $((failures > 0))

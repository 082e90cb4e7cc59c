#!/usr/bin/env bash
# Runs the Windows tests of the 64-bit cross build under wine64: headless, in
# a throwaway Wine prefix that is removed afterwards, so nothing they write
# (the Run key, the counter switches) reaches a real machine.
# Usage: scripts/wine-tests.sh [build dir of the x86_64 build]
set -euo pipefail
build_dir=${1:-build/windows-x64}

wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=$(command -v wine64) || { echo "wine64 is not installed" >&2; exit 1; }
wineserver=$(dirname "$wine")/wineserver
[ -x "$wineserver" ] || wineserver=$(command -v wineserver)

tests=("$build_dir"/tests/*_tests.exe)
program=$build_dir/vantrel.exe
[ -e "${tests[0]}" ] && [ -e "$program" ] || { echo "no Windows test build in $build_dir" >&2; exit 1; }

export WINEDEBUG=-all
WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/vantrel-wine.XXXXXX")
export WINEPREFIX
# No Mono or Gecko: nothing here needs them, and their setup would ask.
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
log=$WINEPREFIX/run.log
cleanup() {
    "$wineserver" -k 2>/dev/null || true
    rm -rf "$WINEPREFIX"
}
trap cleanup EXIT

start=$(date +%s)
timeout 300 "$wine" wineboot --init >/dev/null 2>&1
echo "wine prefix ready in $(( $(date +%s) - start )) s"

failed=0
for exe in "${tests[@]}"; do
    echo "--- $(basename "$exe")"
    # Under script(1), so that the process has a console: the key wait is
    # tested against a real console input queue.
    status=0
    timeout 300 script -qec "$(printf '%q ' "$wine" "$exe" --gtest_brief=1) >$(printf '%q' "$log") 2>&1" \
        /dev/null </dev/null >/dev/null || status=$?
    cat "$log"
    if [ "$status" -ne 0 ]; then
        echo "FAILED: $(basename "$exe") ended with exit code $status"
        failed=1
    elif grep -q '^\[  SKIPPED \]' "$log"; then
        echo "FAILED: $(basename "$exe") skipped tests; under Wine every test must run"
        failed=1
    fi
done

# The program itself: any first argument but "/run" ends it at once,
# silently, with exit code 0.
echo "--- $(basename "$program")"
for arg in /RUN run /run1; do
    status=0
    timeout 60 "$wine" "$program" "$arg" </dev/null >"$log" 2>&1 || status=$?
    if [ "$status" -ne 0 ] || [ -s "$log" ]; then
        echo "FAILED: vantrel.exe $arg: exit code $status, output:"
        cat "$log"
        failed=1
    else
        echo "vantrel.exe $arg: exit code 0, no output"
    fi
done

[ "$failed" -eq 0 ] && echo "Windows tests passed"
exit "$failed"

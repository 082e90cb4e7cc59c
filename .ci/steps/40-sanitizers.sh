#!/usr/bin/env bash
# The whole Linux suite under AddressSanitizer and UndefinedBehaviorSanitizer,
# and under LeakSanitizer where the machine lets it run: it needs to stop and
# inspect the process, which some containers forbid.
set -euo pipefail
scripts/ensure-packages.sh make g++

probe=$(mktemp -d)
trap 'rm -rf "$probe"' EXIT
echo 'int main() { return 0; }' >"$probe/probe.cpp"
g++ -fsanitize=address "$probe/probe.cpp" -o "$probe/probe"
if ! ASAN_OPTIONS=detect_leaks=1 "$probe/probe" >"$probe/out" 2>&1; then
    echo "40-sanitizers: LeakSanitizer cannot run here; running without it:"
    cat "$probe/out"
    export ASAN_OPTIONS="detect_leaks=0${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
fi

make asan-test WERROR=ON

#!/usr/bin/env bash
# Windows: cross-builds the 32-bit program and checks what kind of file it
# is; builds the 64-bit twin and runs the Windows tests under wine64.
set -euo pipefail
scripts/ensure-packages.sh file

make windows WERROR=ON
exe=build/windows-i686/vantrel.exe
objdump=i686-w64-mingw32-objdump
failed=0
fail() {
    echo "FAILED: $*"
    failed=1
}

# A 32-bit console program for Windows.
kind=$(file -b "$exe")
echo "$exe: $kind"
case "$kind" in
PE32\ executable\ \(console\)\ Intel\ 80386*) ;;
*) fail "not a PE32 console executable for Intel 80386" ;;
esac

# Only DLLs that every Windows has; the C++ runtime is linked in.
imports=$("$objdump" -p "$exe" | awk '/DLL Name:/ {print tolower($3)}' | sort -u)
echo "imports: $(echo $imports)"
for dll in $imports; do
    case "$dll" in
    kernel32.dll | advapi32.dll | user32.dll | shell32.dll | msvcrt.dll) ;;
    *) fail "unexpected DLL import $dll" ;;
    esac
done

# The manifest and the version information are embedded.
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' build/windows-i686/CMakeCache.txt)
strings_ascii=$(i686-w64-mingw32-strings "$exe")
strings_wide=$(i686-w64-mingw32-strings -el "$exe")
grep -q 'requestedExecutionLevel level="asInvoker"' <<<"$strings_ascii" || fail "no asInvoker manifest"
grep -q '8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a' <<<"$strings_ascii" || fail "manifest does not name Windows 10"
for text in Vantrel Corvane "$version"; do
    grep -qx -- "$text" <<<"$strings_wide" || fail "version information lacks \"$text\""
done

# The usage arithmetic must round each step to double: SSE2, never the x87
# unit with its extended precision.
for obj in $(find build/windows-i686/CMakeFiles/vantrel_core.dir -name '*.obj'); do
    if "$objdump" -d --no-show-raw-insn "$obj" | grep -qE '\s(f|fi)(add|sub|subr|mul|div|divr)[a-z]*\s'; then
        fail "x87 arithmetic in $obj"
    fi
done
walk=build/windows-i686/CMakeFiles/vantrel_core.dir/sampler/perf_walk.cpp.obj
"$objdump" -d --no-show-raw-insn "$walk" | awk '/ComputeUsagePercent.*>:$/ {p = 1} p && /^$/ {exit} p' |
    grep -q divsd || fail "ComputeUsagePercent does not divide in SSE2"

[ "$failed" -eq 0 ] || exit 1
echo "32-bit program checked"

make windows-test WERROR=ON

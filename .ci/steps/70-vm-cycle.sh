#!/usr/bin/env bash
# The whole cycle in a qemu virtual machine. The test shows the serial
# console log on its own failures; when something else ends it (this
# step's limit, ctest's timeout), the log is shown here instead.
set -euo pipefail
log=build/vm/vm-serial.log
out=$(mktemp)
trap 'rm -f "$out"' EXIT
rm -f "$log"
rc=0
timeout --kill-after=10 900 make vm-test WERROR=ON 2>&1 | tee "$out" || rc=$?
if [ "$rc" -ne 0 ] && [ -f "$log" ] && ! grep -q -- '---- end of serial console log' "$out"; then
    echo "---- serial console log ----"
    sed 's/\x1b\[[0-9;?]*[A-Za-z]//g; s/\r//g' "$log"
    echo "---- end of serial console log ----"
fi
exit "$rc"

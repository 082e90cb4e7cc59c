#!/usr/bin/env bash
# Fuzzes the performance-data reader and walk for a minute; any finding
# fails the step and its input is printed. The committed corpus is only read.
set -euo pipefail
scripts/ensure-packages.sh make clang libclang-rt-14-dev
make fuzz WERROR=ON FUZZ_SECONDS=60

#!/usr/bin/env bash
# clang-tidy, cppcheck and clang-format, all clean on the project's own code.
set -euo pipefail
scripts/static-analysis.sh

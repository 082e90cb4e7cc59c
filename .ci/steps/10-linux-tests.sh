#!/usr/bin/env bash
# The README's test command, with warnings as errors.
set -euo pipefail
WERROR=ON ./build.sh test

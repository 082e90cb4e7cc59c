#!/usr/bin/env bash
# The README's test command: builds with warnings as errors and runs the suite.
set -euo pipefail
make test WERROR=ON

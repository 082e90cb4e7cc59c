#!/usr/bin/env bash
# One entry for a fresh machine: installs make if it is missing, then runs
# the Makefile target named (for example "run" or "test"), which installs
# the rest of what it needs.
set -euo pipefail
cd "$(dirname "$0")"
scripts/ensure-packages.sh make
exec make "$@"

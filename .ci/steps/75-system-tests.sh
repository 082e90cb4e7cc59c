#!/usr/bin/env bash
# The tests that measure this machine: it is idle while CI runs nothing else.
set -euo pipefail
WERROR=ON ./build.sh system-test

#!/usr/bin/env bash
# Builds the benchmarks with warnings as errors and runs each briefly. The
# step checks that they build and run; their timings depend on the machine
# and its load, so a missed target is reported, never a failure.
set -euo pipefail
scripts/ensure-packages.sh libbenchmark-dev
make bench WERROR=ON BENCH_ARGS=--benchmark_min_time=0.05
build/bench/bench/vantrel_wait_cost 2

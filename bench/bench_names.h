// Names of the benchmarks whose figures the targets are held against.
#pragma once

// Open, read and close /proc/stat: the floor under any sample on Linux.
const char* const BENCH_PROC_STAT_BARE = "proc_stat_read_bare";
// One ProcessUsage call on the idle process through the Linux layer.
const char* const BENCH_LINUX_SAMPLE = "linux_sample_full";
// The walk alone over a Process block of a busy Windows machine.
const char* const BENCH_WALK_BUSY_BLOCK = "walk_2000_instances";

// The targets: a whole sample costs little more than reading the text it is
// built from, the walk stays far below the pause between samples, and a
// sample reuses its buffer instead of allocating.
const double SAMPLE_TO_READ_LIMIT = 1.5;
const double WALK_LIMIT_US = 50.0;
const double SAMPLE_ALLOCATIONS_LIMIT = 0.0;

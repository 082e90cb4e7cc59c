// Counts the heap allocations of the whole benchmark program, so that a
// benchmark can report how many its operation makes per call.
#pragma once

#include <benchmark/benchmark.h>

// Calls of malloc, calloc and realloc since the program started; operator
// new reaches them through malloc.
unsigned long long AllocationCount();

// True when an allocation moves the count, that is when the hooks of this
// program stand in front of the C library's allocator.
bool AllocationCountWorks();

// Sets the counter "allocs_per_op": allocations since ullBefore per
// iteration. Call it right after the loop: setting any counter allocates.
void ReportAllocations(benchmark::State& state, unsigned long long ullBefore);

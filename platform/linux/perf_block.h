// The performance data block that answers for the Process object on Linux:
// one object, the counters % Processor Time and ID Process, and the two
// instances "Idle" and "_Total", in the little-endian layout that the walk
// reads on Windows.
#pragma once

#include "proc_stat.h"
#include "win_api.h"

#include <cstddef>

// Highest clock-tick rate taken; the kernel reports 100 on every architecture.
const long PERF_MAX_TICKS_PER_SECOND = 1000000000L;

// Clock ticks in 100-ns units: exact while the result fits, else the
// LONGLONG maximum. 0 for a rate outside 1..PERF_MAX_TICKS_PER_SECOND.
LONGLONG TicksTo100ns(unsigned long long ullTicks, long lTicksPerSecond);

// Builds the block from the processor times and the time stamp. Returns the
// bytes that the block needs and writes it only when cbBuffer holds them;
// 0 when lTicksPerSecond is out of range. "Idle" (ID Process 0) comes
// first with idle + iowait, then "_Total" (ID Process 0) with all time.
size_t BuildIdleProcessBlock(const CpuTimes& times, LONGLONG llPerfTime100ns, long lTicksPerSecond, BYTE* pBuffer,
                             size_t cbBuffer);

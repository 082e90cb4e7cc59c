// The processor times of /proc/stat: the pure parser and the one reader.
#pragma once

#include "win_api.h"

#include <cstddef>

// The aggregate "cpu" line, in clock ticks (sysconf(_SC_CLK_TCK) per second).
struct CpuTimes {
    unsigned long long ullIdleTicks;   // idle + iowait of all processors
    unsigned long long ullTotalTicks;  // every field that counts time; guest and guest_nice are inside user and nice
    DWORD dwCpuLines;                  // "cpuN" lines seen in the text
};

// Parses the text of /proc/stat. The aggregate line must come first, end
// with a line end and carry at least user, nice, system and idle. False for
// empty, cut or garbled text and for numbers or sums past 64 bits; times is
// then left unchanged. "cpuN" lines are counted as far as the text goes.
bool ParseProcStat(const char* pszText, size_t cbText, CpuTimes& times);

// Reads and parses /proc/stat with one open and a fixed buffer. bWhole tells
// whether the whole file fit, so that every "cpuN" line was counted.
// ERROR_SUCCESS, or a nonzero code when the file cannot be read or parsed.
LONG ReadProcStat(CpuTimes& times, bool& bWhole);

// Points the reader at another file; nullptr goes back to /proc/stat.
void SetProcStatPathForTest(const char* pszPath);

// Share of processor time taken by one process between two calls, read from
// successive snapshots of the system's performance data.
#pragma once

#include "perf_layout.h"
#include "perf_snapshot.h"
#include "perf_walk.h"
#include "win_api.h"

enum WindowsFamily {
    WF_NT4 = 0,
    WF_NT_OTHER = 1,
    WF_9X = 2,
    WF_UNKNOWN = 3,
};

class CCpuUsage {
public:
    CCpuUsage();
    virtual ~CCpuUsage();
    CCpuUsage(const CCpuUsage&) = delete;
    CCpuUsage& operator=(const CCpuUsage&) = delete;

    // Percentage of processor time that the process used since the previous
    // call, summed over all processors; 0 on the first call.
    int ProcessUsage(DWORD dwProcessId);

    // Switches the system's counter collection on or off where the Windows
    // family needs it. False when a Performance key fails to open.
    bool SetCounterCollection(BOOL bEnable);

private:
    bool m_bFirstSample;
    LONGLONG m_llLastValue;
    LONGLONG m_llLastTime;
};

WindowsFamily ClassifyWindows();

// Reads one snapshot of the object and returns the counter value of the
// process; the snapshot is handed back through view.
LONGLONG FindProcessCounter(DWORD dwObjectIndex, DWORD dwCounterIndex, DWORD dwProcessId, PerfSnapshotView& view);

// Every registry location that the program reads or writes.
#pragma once

#include "win_api.h"

// The machine-wide autostart key and the value that starts the measurement.
#define RUN_KEY_PATH "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run"
#define AUTOSTART_VALUE "WinVantrel"

// The switches of the system's counter collection: 0 collects, 1 stops.
#define PERFOS_KEY_PATH "SYSTEM\\CurrentControlSet\\Services\\PerfOS\\Performance"
#define PERFPROC_KEY_PATH "SYSTEM\\CurrentControlSet\\Services\\PerfProc\\Performance"
#define DISABLE_COUNTERS_VALUE "Disable Performance Counters"

// What became of one operation on the autostart entry: the result of opening
// the Run key and, when it opened, of the write or delete.
struct AutostartResult {
    LONG lOpen;
    LONG lValue;
};

// Records the command line as the autostart value; the key is opened,
// written and closed within the call.
AutostartResult WriteAutostartEntry(const char* pszCommandLine);

// Deletes the autostart value; the key is opened and closed within the call.
AutostartResult DeleteAutostartEntry();

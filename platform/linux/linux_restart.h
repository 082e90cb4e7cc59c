// The restart of the machine and the right to it, on Linux.
#pragma once

#include <cstdint>
#include <string>

// The steps of a forced restart. Tests put fakes here, so that no test can
// ever restart the machine it runs on.
struct RestartActions {
    // A folder that exists when systemd is the init system.
    const char* pszSystemdMarker;
    // Writes file data out to the disks.
    void (*pfnSyncDisks)();
    // Runs a program (argv[0] looked up in PATH) and waits for it: its exit
    // status, or -1 with errno set when it could not be started.
    int (*pfnRunCommand)(const char* const argv[]);
    // Restarts the kernel at once: returns only on failure, -1 with errno set.
    int (*pfnRebootNow)();
};

// nullptr goes back to the real steps.
void SetRestartActionsForTest(const RestartActions* pActions);

// The bit of CAP_SYS_BOOT, the capability that lets a process restart the
// machine, in the capability sets of the kernel.
const unsigned CAP_SYS_BOOT_BIT = 22;

// Reads the effective capability set from the text of /proc/<pid>/status
// (the "CapEff:" line, 16 hexadecimal digits). False when there is no such
// line or it does not read as hexadecimal.
bool ParseEffectiveCaps(const std::string& strStatus, std::uint64_t& ullCaps);

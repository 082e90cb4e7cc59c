// System information, time and errors on Linux. (Being filled in.)
#include "linux_internal.h"
#include "platform.h"

#include <cerrno>
#include <ctime>
#include <unistd.h>

namespace {
thread_local DWORD t_dwLastError = 0;
}

void SetLinuxLastError(DWORD dwError) { t_dwLastError = dwError; }
DWORD GetLastError() { return t_dwLastError; }

LONG ErrnoToWinError(int nErrno)
{
    switch (nErrno) {
    case 0: return ERROR_SUCCESS;
    case EACCES: case EPERM: case EROFS: return ERROR_ACCESS_DENIED;
    case ENOENT: case ENOTDIR: return ERROR_FILE_NOT_FOUND;
    default: return 1000 + nErrno;  // nonzero and tells the errno apart
    }
}

BOOL GetVersionExA(LPOSVERSIONINFOA) { return FALSE; }
DWORD GetTickCount()
{
    timespec ts{};
    clock_gettime(CLOCK_BOOTTIME, &ts);
    return static_cast<DWORD>(static_cast<unsigned long long>(ts.tv_sec) * 1000ULL +
                              static_cast<unsigned long long>(ts.tv_nsec) / 1000000ULL);
}
void Sleep(DWORD dwMilliseconds) { usleep(dwMilliseconds * 1000u); }
DWORD GetLogicalProcessorCount() { return 1; }
void PrepareConsoleOutput() {}

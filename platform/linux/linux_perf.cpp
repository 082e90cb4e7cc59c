// The performance data query on Linux. The Process object is built from the
// aggregate processor times of /proc/stat: its "Idle" instance carries the
// idle time of all processors, stamped with the time since boot, so the
// idle process is sampled here as it is on Windows.
#include "cpu_usage.h"
#include "linux_internal.h"
#include "perf_block.h"
#include "proc_stat.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <unistd.h>

namespace {

const char* const PROC_STAT_PATH = "/proc/stat";
const char* g_pszProcStatPath = PROC_STAT_PATH;
int g_fdProcStat = -1;

void CloseProcStat()
{
    if (g_fdProcStat >= 0)
        close(g_fdProcStat);
    g_fdProcStat = -1;
}

// Holds the whole file on all but the largest machines; the aggregate line,
// the only part the query needs, comes first.
const size_t PROC_STAT_BUFFER = size_t{64} * 1024;

const DWORD PERF_VALUE_TYPE = 3;      // REG_BINARY
const LONG PERF_ERROR_BAD_DATA = 13;  // ERROR_INVALID_DATA: read, but not the expected text

// A failed call always gives a nonzero code, even if errno was left at 0.
LONG ErrorFromErrno(int nErrno)
{
    const LONG lError = ErrnoToWinError(nErrno);
    return lError != ERROR_SUCCESS ? lError : ERROR_ACCESS_DENIED;
}

LONGLONG BootTime100ns()
{
    timespec ts{};
    if (clock_gettime(CLOCK_BOOTTIME, &ts) != 0)
        clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<LONGLONG>(ts.tv_sec) * 10000000LL + static_cast<LONGLONG>(ts.tv_nsec / 100);
}

long TicksPerSecond()
{
    const long lTicks = sysconf(_SC_CLK_TCK);
    return (lTicks > 0 && lTicks <= PERF_MAX_TICKS_PER_SECOND) ? lTicks : 100;  // USER_HZ everywhere
}

// The value name is the object's title index in decimal.
bool IsProcessValueName(LPCSTR lpValueName)
{
    char szProcess[16];
    std::snprintf(szProcess, sizeof(szProcess), "%lu", static_cast<unsigned long>(PERF_OBJ_PROCESS));
    return lpValueName != nullptr && std::strcmp(lpValueName, szProcess) == 0;
}

}  // namespace

void SetProcStatPathForTest(const char* pszPath)
{
    CloseProcStat();
    g_pszProcStatPath = pszPath != nullptr ? pszPath : PROC_STAT_PATH;
}

LONG ReadProcStat(CpuTimes& times, bool& bWhole)
{
    // The file stays open between samples: opening and closing it cost more
    // than the read itself, once a second on a machine meant to be idle. A
    // read from offset 0 makes the kernel render it afresh.
    if (g_fdProcStat < 0) {
        g_fdProcStat = open(g_pszProcStatPath, O_RDONLY | O_CLOEXEC);
        if (g_fdProcStat < 0)
            return ErrorFromErrno(errno);
    }

    char szText[PROC_STAT_BUFFER];
    size_t cbRead = 0;
    bool bEnd = false;
    while (cbRead < sizeof(szText)) {
        const ssize_t cbChunk =
            pread(g_fdProcStat, szText + cbRead, sizeof(szText) - cbRead, static_cast<off_t>(cbRead));
        if (cbChunk < 0) {
            if (errno == EINTR)
                continue;
            const int nErrno = errno;
            CloseProcStat();  // the next sample opens it afresh
            return ErrorFromErrno(nErrno);
        }
        if (cbChunk == 0) {
            bEnd = true;
            break;
        }
        cbRead += static_cast<size_t>(cbChunk);
    }

    if (!ParseProcStat(szText, cbRead, times))
        return PERF_ERROR_BAD_DATA;
    bWhole = bEnd;
    return ERROR_SUCCESS;
}

LONG RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData,
                      LPDWORD lpcbData)
{
    // Only the performance data is ever queried; other keys hold nothing to read.
    if (hKey != HKEY_PERFORMANCE_DATA || !IsProcessValueName(lpValueName))
        return ERROR_FILE_NOT_FOUND;
    if (lpReserved != nullptr || lpcbData == nullptr)
        return ERROR_INVALID_PARAMETER;
    if (lpType != nullptr)
        *lpType = PERF_VALUE_TYPE;

    // The block has one size whatever the times, so a short buffer is
    // answered before the file is read.
    const long lTicksPerSecond = TicksPerSecond();
    const CpuTimes noTimes = {0, 0, 0};
    const size_t cbNeeded = BuildIdleProcessBlock(noTimes, 0, lTicksPerSecond, nullptr, 0);
    if (lpData == nullptr || *lpcbData < cbNeeded) {
        *lpcbData = static_cast<DWORD>(cbNeeded);
        return ERROR_MORE_DATA;
    }

    CpuTimes times = {0, 0, 0};
    bool bWhole = false;
    const LONG lResult = ReadProcStat(times, bWhole);
    if (lResult != ERROR_SUCCESS)
        return lResult;
    const size_t cbWritten = BuildIdleProcessBlock(times, BootTime100ns(), lTicksPerSecond, lpData, *lpcbData);
    if (cbWritten == 0 || cbWritten > *lpcbData)
        return PERF_ERROR_BAD_DATA;
    *lpcbData = static_cast<DWORD>(cbWritten);
    return ERROR_SUCCESS;
}

// System information, time and errors on Linux.
#include "linux_internal.h"
#include "platform.h"
#include "proc_stat.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

namespace {
thread_local DWORD t_dwLastError = 0;

const DWORD VERSION_QUERY_NOT_SUPPORTED = 50;  // ERROR_NOT_SUPPORTED
const long NANOSECONDS_PER_SECOND = 1000000000L;
}  // namespace

void SetLinuxLastError(DWORD dwError)
{
    t_dwLastError = dwError;
}
DWORD GetLastError()
{
    return t_dwLastError;
}

LONG ErrnoToWinError(int nErrno)
{
    switch (nErrno) {
    case 0:
        return ERROR_SUCCESS;
    case EACCES:
    case EPERM:
    case EROFS:
        return ERROR_ACCESS_DENIED;
    case ENOENT:
    case ENOTDIR:
        return ERROR_FILE_NOT_FOUND;
    default:
        return 1000 + nErrno;  // nonzero and tells the errno apart
    }
}

// There is no Windows version to report, so the family reads as unknown
// and the Windows counter switches are never written here.
BOOL GetVersionExA(LPOSVERSIONINFOA)
{
    SetLinuxLastError(VERSION_QUERY_NOT_SUPPORTED);
    return FALSE;
}

// Milliseconds since boot, suspended time included, cut to 32 bits as on Windows.
DWORD GetTickCount()
{
    timespec ts{};
    if (clock_gettime(CLOCK_BOOTTIME, &ts) != 0)
        clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<DWORD>(static_cast<unsigned long long>(ts.tv_sec) * 1000ULL +
                              static_cast<unsigned long long>(ts.tv_nsec) / 1000000ULL);
}

// Sleeps the full time: a signal only wakes the wait, which then goes on to
// the same deadline.
void Sleep(DWORD dwMilliseconds)
{
    if (dwMilliseconds == 0) {
        sched_yield();
        return;
    }
    timespec tsDeadline{};
    if (clock_gettime(CLOCK_MONOTONIC, &tsDeadline) != 0) {
        timespec tsLeft{};
        tsLeft.tv_sec = static_cast<time_t>(dwMilliseconds / 1000u);
        tsLeft.tv_nsec = static_cast<long>(dwMilliseconds % 1000u) * 1000000L;
        while (nanosleep(&tsLeft, &tsLeft) != 0 && errno == EINTR) {
        }
        return;
    }
    tsDeadline.tv_sec += static_cast<time_t>(dwMilliseconds / 1000u);
    tsDeadline.tv_nsec += static_cast<long>(dwMilliseconds % 1000u) * 1000000L;
    if (tsDeadline.tv_nsec >= NANOSECONDS_PER_SECOND) {
        tsDeadline.tv_sec += 1;
        tsDeadline.tv_nsec -= NANOSECONDS_PER_SECOND;
    }
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &tsDeadline, nullptr) == EINTR) {
    }
}

// The processors whose times the aggregate "cpu" line sums: one "cpuN" line
// each. When the file was too large to count them all, or cannot be read,
// the online count stands in where it is larger.
DWORD GetLogicalProcessorCount()
{
    CpuTimes times = {0, 0, 0};
    bool bWhole = false;
    DWORD dwCount = 0;
    if (ReadProcStat(times, bWhole) == ERROR_SUCCESS)
        dwCount = times.dwCpuLines;
    if (dwCount == 0 || !bWhole) {
        const long lOnline = sysconf(_SC_NPROCESSORS_ONLN);
        if (lOnline > 0 && static_cast<unsigned long>(lOnline) > dwCount)
            dwCount = static_cast<DWORD>(lOnline);
    }
    return dwCount > 0 ? dwCount : 1;
}

// A terminal shows text written without a line end at once, as a Windows
// console does; files and pipes keep their buffering.
void PrepareConsoleOutput()
{
    // A standard stream that was closed gets /dev/null, so that no file the
    // program opens later can take its number and receive the console text.
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (fcntl(fd, F_GETFD) < 0 && errno == EBADF) {
            const int fdNull = open("/dev/null", O_RDWR);
            if (fdNull >= 0 && fdNull != fd) {
                dup2(fdNull, fd);
                close(fdNull);
            }
        }
    }
    // Output that nobody reads any more must not end the program before it
    // has shown its result and removed its autostart entry.
    std::signal(SIGPIPE, SIG_IGN);
    if (isatty(STDOUT_FILENO))
        std::setvbuf(stdout, nullptr, _IONBF, 0);
}

// The cost of waiting, over as long as asked: the measuring mode's loop,
// one sample of the idle process and then the pause, without its end. The
// program itself stops ten seconds after the machine has become idle, too
// soon to time its waiting there; this loop goes on for the given time.
// Usage: vantrel_wait_cost [seconds]   (default 60)
#include "cpu_usage.h"
#include "mode_control.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

const long DEFAULT_SECONDS = 60;
const long MAX_SECONDS = 86400;
// A hundredth of a percent of one processor: 6 ms of CPU time per minute.
const double WAIT_SHARE_LIMIT_PERCENT = 0.01;

double Seconds(clockid_t clockId)
{
    timespec ts{};
    clock_gettime(clockId, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

}  // namespace

int main(int argc, char** argv)
{
    long lSeconds = DEFAULT_SECONDS;
    if (argc > 1) {
        char* pszEnd = nullptr;
        lSeconds = std::strtol(argv[1], &pszEnd, 10);
        if (argc > 2 || *pszEnd != '\0' || lSeconds < 1 || lSeconds > MAX_SECONDS) {
            std::fprintf(stderr, "usage: %s [seconds, 1 to %ld]\n", argv[0], MAX_SECONDS);
            return 2;
        }
    }

    // The first sample takes the baseline and allocates the buffer: the
    // start, not the waiting.
    CCpuUsage cpuUsage;
    cpuUsage.ProcessUsage(IDLE_PROCESS_ID);
    Sleep(SAMPLE_PAUSE_MS);

    const double dCpuStart = Seconds(CLOCK_PROCESS_CPUTIME_ID);
    const double dWallStart = Seconds(CLOCK_MONOTONIC);
    int nShare = 0;
    for (long i = 0; i < lSeconds; ++i) {
        nShare = cpuUsage.ProcessUsage(IDLE_PROCESS_ID);
        Sleep(SAMPLE_PAUSE_MS);
    }
    const double dCpu = Seconds(CLOCK_PROCESS_CPUTIME_ID) - dCpuStart;
    const double dWall = Seconds(CLOCK_MONOTONIC) - dWallStart;

    const double dPercent = dCpu / dWall * 100.0;
    std::printf("%ld samples in %.1f s, %.1f us CPU each: %.3f ms CPU per minute = %.5f %% of one processor "
                "(target under %.2f %%: %s); last idle share %d\n",
                lSeconds, dWall, dCpu / static_cast<double>(lSeconds) * 1e6, dCpu / dWall * 60e3, dPercent,
                WAIT_SHARE_LIMIT_PERCENT, dPercent < WAIT_SHARE_LIMIT_PERCENT ? "met" : "MISSED", nShare);
    return 0;
}

// One sample on this system, beside the floor it cannot go below: the bare
// read of /proc/stat, from which the Linux layer builds its block.
#include "alloc_count.h"
#include "bench_names.h"
#include "cpu_usage.h"
#include "mode_control.h"

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

namespace {

// As large as the Linux layer's own read buffer.
const size_t PROC_STAT_READ_BYTES = size_t{64} * 1024u;

// Open, one read, close: all the kernel work that a sample needs, no more.
void ProcStatBareRead(benchmark::State& state)
{
    char szText[PROC_STAT_READ_BYTES];
    const unsigned long long ullAllocations = AllocationCount();
    long long llBytes = 0;
    for (auto _ : state) {
        const int fd = open("/proc/stat", O_RDONLY | O_CLOEXEC);
        const ssize_t cbRead = fd < 0 ? -1 : read(fd, szText, sizeof(szText));
        if (fd >= 0)
            close(fd);
        if (cbRead <= 0) {
            state.SkipWithError("/proc/stat cannot be read");
            break;
        }
        llBytes += cbRead;
    }
    ReportAllocations(state, ullAllocations);  // first: the counters allocate
    state.SetBytesProcessed(llBytes);
}

// ProcessUsage on the idle process, as the measuring mode calls it once a
// second: read and parse /proc/stat, build the block, query, walk, divide.
void LinuxSampleFull(benchmark::State& state)
{
    CCpuUsage cpuUsage;
    cpuUsage.ProcessUsage(IDLE_PROCESS_ID);  // the first call: baseline and buffer

    // A failing source would make every sample a cheap zero: refuse to time it.
    PerfSnapshotView view = {nullptr, 0};
    const LONGLONG llIdle = FindProcessCounter(PERF_OBJ_PROCESS, PERF_CTR_PROCESSOR_TIME, IDLE_PROCESS_ID, view);
    if (view.cbData == 0 || llIdle <= 0) {
        state.SkipWithError("the performance data query gave no idle time");
        return;
    }

    const unsigned long long ullAllocations = AllocationCount();
    for (auto _ : state)
        benchmark::DoNotOptimize(cpuUsage.ProcessUsage(IDLE_PROCESS_ID));
    ReportAllocations(state, ullAllocations);
}

}  // namespace

BENCHMARK(ProcStatBareRead)->Name(BENCH_PROC_STAT_BARE)->Unit(benchmark::kMicrosecond);
BENCHMARK(LinuxSampleFull)->Name(BENCH_LINUX_SAMPLE)->Unit(benchmark::kMicrosecond);

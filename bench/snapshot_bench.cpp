// The snapshot reader against a scripted source: the retry after
// ERROR_MORE_DATA, and for comparison the snapshots that fit at once.
#include "alloc_count.h"
#include "busy_block.h"
#include "cpu_usage.h"
#include "perf_snapshot.h"
#include "scripted_source.h"

#include <benchmark/benchmark.h>

namespace {

// A small block, as on Linux, where zero-filling the 100 KB buffer is most
// of what a snapshot costs in user space.
const DWORD SMALL_INSTANCES = 2;

// Times ReadPerfSnapshot for one script. bFreshBuffer starts from the
// buffer of a new process, so that a small block is read into 100 KB.
void TimeSnapshots(benchmark::State& state, DWORD dwInstances, bool bMoreDataFirst, bool bFreshBuffer)
{
    const std::vector<BYTE> block = BuildBusyProcessBlock(dwInstances, 1, 1);
    if (bFreshBuffer)
        ReleasePerfSnapshot();
    ScriptPerfSource(&block, bMoreDataFirst);
    // The first snapshot grows the buffer where the block needs it.
    if (ReadPerfSnapshot(PERF_OBJ_PROCESS).cbData != block.size()) {
        state.SkipWithError("the snapshot did not hold the scripted block");
        ScriptPerfSource(nullptr, false);
        return;
    }

    ScriptPerfSource(&block, bMoreDataFirst);
    const unsigned long long ullAllocations = AllocationCount();
    for (auto _ : state)
        benchmark::DoNotOptimize(ReadPerfSnapshot(PERF_OBJ_PROCESS));
    ReportAllocations(state, ullAllocations);
    state.counters["queries_per_op"] =
        benchmark::Counter(static_cast<double>(ScriptedQueryCount()), benchmark::Counter::kAvgIterations);
    state.counters["buffer_bytes"] = static_cast<double>(GetPerfSnapshotCapacity());
    state.SetBytesProcessed(static_cast<long long>(state.iterations()) * static_cast<long long>(block.size()));
    ScriptPerfSource(nullptr, false);
}

void SnapshotMoreDataFirst(benchmark::State& state)
{
    TimeSnapshots(state, BUSY_INSTANCES, true, false);
}

void SnapshotBusyFits(benchmark::State& state)
{
    TimeSnapshots(state, BUSY_INSTANCES, false, false);
}

void SnapshotSmallFits(benchmark::State& state)
{
    TimeSnapshots(state, SMALL_INSTANCES, false, true);
}

}  // namespace

BENCHMARK(SnapshotMoreDataFirst)->Name("snapshot_more_data_first_1MB")->Unit(benchmark::kMicrosecond);
BENCHMARK(SnapshotBusyFits)->Name("snapshot_fits_1MB")->Unit(benchmark::kMicrosecond);
BENCHMARK(SnapshotSmallFits)->Name("snapshot_fits_small_block")->Unit(benchmark::kMicrosecond);

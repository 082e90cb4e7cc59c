// The walk alone over the Process block of a busy Windows machine, where it
// matters most: the wanted instance is the last of 2,000.
#include "alloc_count.h"
#include "bench_names.h"
#include "busy_block.h"
#include "cpu_usage.h"
#include "mode_control.h"

#include <benchmark/benchmark.h>
#include <string>

namespace {

const LONGLONG BUSY_IDLE_VALUE = 1234567890123LL;
const LONGLONG BUSY_TIME = 9876543210987LL;

void WalkBusyBlock(benchmark::State& state)
{
    const std::vector<BYTE> block = BuildBusyProcessBlock(BUSY_INSTANCES, BUSY_IDLE_VALUE, BUSY_TIME);
    // A walk that stops early would look fast: check that it reaches the end.
    if (FindCounterInBlock(block.data(), block.size(), PERF_OBJ_PROCESS, PERF_CTR_PROCESSOR_TIME, IDLE_PROCESS_ID) !=
        BUSY_IDLE_VALUE) {
        state.SkipWithError("the walk did not find the idle instance");
        return;
    }

    const unsigned long long ullAllocations = AllocationCount();
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            FindCounterInBlock(block.data(), block.size(), PERF_OBJ_PROCESS, PERF_CTR_PROCESSOR_TIME, IDLE_PROCESS_ID));
    }
    ReportAllocations(state, ullAllocations);  // first: the counters allocate
    state.SetBytesProcessed(static_cast<long long>(state.iterations()) * static_cast<long long>(block.size()));
    state.SetLabel(std::to_string(block.size()) + "-byte block");
}

}  // namespace

BENCHMARK(WalkBusyBlock)->Name(BENCH_WALK_BUSY_BLOCK)->Unit(benchmark::kMicrosecond);

// The entry of each benchmark program: Google Benchmark's own flags, the
// console report with the targets appended, and a nonzero exit code only
// when a benchmark could not run. Timings never fail the run: they vary
// with the machine and its load.
#include "alloc_count.h"
#include "target_report.h"

#include <benchmark/benchmark.h>
#include <unistd.h>

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    CTargetReporter reporter(isatty(STDOUT_FILENO) != 0, AllocationCountWorks());
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return reporter.ErrorCount() == 0 ? 0 : 1;
}

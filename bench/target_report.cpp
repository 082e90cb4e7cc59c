#include "target_report.h"

#include "bench_names.h"

#include <cstdio>
#include <ostream>

CTargetReporter::CTargetReporter(bool bColor, bool bAllocationsCounted)
    : benchmark::ConsoleReporter(bColor ? OO_Color : OO_None), m_bAllocationsCounted(bAllocationsCounted), m_nErrors(0)
{
}

void CTargetReporter::ReportRuns(const std::vector<Run>& runs)
{
    benchmark::ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
        if (run.error_occurred) {
            ++m_nErrors;
            continue;
        }
        const bool bMedian = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
        if (run.run_type != Run::RT_Iteration && !bMedian)
            continue;
        const double dCpuNs = run.GetAdjustedCPUTime() * 1e9 / benchmark::GetTimeUnitMultiplier(run.time_unit);
        const auto itAllocations = run.counters.find("allocs_per_op");
        const double dAllocations = itAllocations != run.counters.end() ? itAllocations->second.value : 0.0;
        Figures& figures = m_figures.emplace(run.run_name.str(), Figures{0.0, 0.0, 0, false, 0.0, 0.0}).first->second;
        if (bMedian) {
            figures.bMedian = true;
            figures.dMedianCpuNs = dCpuNs;
            figures.dMedianAllocations = dAllocations;
        } else {
            figures.dCpuNsSum += dCpuNs;
            figures.dAllocationsSum += dAllocations;
            ++figures.nRuns;
        }
    }
}

bool CTargetReporter::FindFigures(const char* pszName, double& dCpuNs, double& dAllocations) const
{
    const auto it = m_figures.find(pszName);
    if (it == m_figures.end())
        return false;
    const Figures& figures = it->second;
    if (figures.bMedian) {
        dCpuNs = figures.dMedianCpuNs;
        dAllocations = figures.dMedianAllocations;
        return true;
    }
    if (figures.nRuns == 0)
        return false;
    dCpuNs = figures.dCpuNsSum / figures.nRuns;
    dAllocations = figures.dAllocationsSum / figures.nRuns;
    return true;
}

void CTargetReporter::PrintTarget(const char* pszWhat, const std::string& strFigure, const char* pszTarget, bool bMet)
{
    char szLine[160];
    std::snprintf(szLine, sizeof(szLine), "  %-46s %-10s %-22s %s\n", pszWhat, strFigure.c_str(), pszTarget,
                  bMet ? "met" : "MISSED");
    GetOutputStream() << szLine;
}

void CTargetReporter::Finalize()
{
    double dReadNs = 0.0;
    double dSampleNs = 0.0;
    double dWalkNs = 0.0;
    double dAllocations = 0.0;
    double dUnused = 0.0;
    const bool bSample = FindFigures(BENCH_LINUX_SAMPLE, dSampleNs, dAllocations);
    const bool bRatio = bSample && FindFigures(BENCH_PROC_STAT_BARE, dReadNs, dUnused) && dReadNs > 0.0;
    const bool bWalk = FindFigures(BENCH_WALK_BUSY_BLOCK, dWalkNs, dUnused);
    if (!bSample && !bWalk)
        return;  // none of the benchmarks that hold a target ran

    char szFigure[32];
    std::ostream& out = GetOutputStream();
    out << "\nTargets (CPU time per operation in this run; with repetitions, their median):\n";
    if (bRatio) {
        const double dRatio = dSampleNs / dReadNs;
        std::snprintf(szFigure, sizeof(szFigure), "%.2fx", dRatio);
        PrintTarget("full Linux sample / bare /proc/stat read", szFigure, "at most 1.5x",
                    dRatio <= SAMPLE_TO_READ_LIMIT);
    }
    if (bWalk) {
        const double dWalkUs = dWalkNs / 1000.0;
        std::snprintf(szFigure, sizeof(szFigure), "%.1f us", dWalkUs);
        PrintTarget("walk over the 2,000-instance block", szFigure, "under 50 us", dWalkUs < WALK_LIMIT_US);
    }
    if (bSample) {
        if (m_bAllocationsCounted) {
            std::snprintf(szFigure, sizeof(szFigure), "%.3g", dAllocations);
            PrintTarget("allocations per steady-state sample", szFigure, "0", dAllocations <= SAMPLE_ALLOCATIONS_LIMIT);
        } else {
            out << "  allocations per steady-state sample: not counted, the allocator hooks are not in place\n";
        }
    }
    out.flush();
}

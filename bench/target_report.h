// The console report with the targets appended: after the usual table it
// states each target, the figure of this run and whether it was met.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

class CTargetReporter : public benchmark::ConsoleReporter {
public:
    CTargetReporter(bool bColor, bool bAllocationsCounted);

    void ReportRuns(const std::vector<Run>& runs) override;
    void Finalize() override;

    // Benchmarks that stopped with an error; missed targets are not errors.
    int ErrorCount() const { return m_nErrors; }

private:
    // What the runs of one benchmark gave. With repetitions, their median
    // is taken, being the least moved by a disturbed repetition; otherwise
    // the mean of the runs.
    struct Figures {
        double dCpuNsSum;
        double dAllocationsSum;
        int nRuns;
        bool bMedian;
        double dMedianCpuNs;
        double dMedianAllocations;
    };

    // CPU time per operation in ns and allocations per operation; false
    // when the benchmark did not run.
    bool FindFigures(const char* pszName, double& dCpuNs, double& dAllocations) const;
    void PrintTarget(const char* pszWhat, const std::string& strFigure, const char* pszTarget, bool bMet);

    bool m_bAllocationsCounted;
    int m_nErrors;
    std::map<std::string, Figures> m_figures;
};

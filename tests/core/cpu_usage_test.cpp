#include "cpu_usage.h"
#include "fake_fixture.h"
#include "perf_block_builder.h"
#include "registry_access.h"

#include "case_name.h"

#include <gtest/gtest.h>

namespace {

const std::string PERFOS_KEY = "HKLM\\" PERFOS_KEY_PATH;
const std::string PERFPROC_KEY = "HKLM\\" PERFPROC_KEY_PATH;
const LONGLONG SECOND = 10000000;

class CpuUsageTest : public CFakeTest {
protected:
    static std::vector<BYTE> SwitchValue(const std::string& strKey)
    {
        return Fake().m_registry[strKey][DISABLE_COUNTERS_VALUE].data;
    }
    void UseWindows(DWORD dwPlatformId, DWORD dwMajor)
    {
        Fake().m_bVersionOk = true;
        Fake().m_dwPlatformId = dwPlatformId;
        Fake().m_dwMajorVersion = dwMajor;
    }
};

TEST_F(CpuUsageTest, FirstCallIsTheBaselineThenSharesFollow)
{
    Fake().AddProcessSample(50 * SECOND, 100 * SECOND);
    Fake().AddProcessSample(51 * SECOND, 101 * SECOND);      // idle all the second
    Fake().AddProcessSample(51 * SECOND + 1, 102 * SECOND);  // busy all the second
    CCpuUsage usage;
    EXPECT_EQ(usage.ProcessUsage(0), 0);
    EXPECT_EQ(usage.ProcessUsage(0), 100);
    EXPECT_EQ(usage.ProcessUsage(0), 0);
    EXPECT_EQ(Fake().m_nPerfQueries, 3) << "one query a sample";
}

TEST_F(CpuUsageTest, EverySampleIsZeroWhenEveryQueryFails)
{
    CCpuUsage usage;
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(usage.ProcessUsage(0), 0);
}

TEST_F(CpuUsageTest, MissingIdleInstanceEntersAsMinusOne)
{
    // Baseline at -1 (not found), then a real value: the difference is huge
    // but the result is still a plain number.
    Fake().m_perfAnswers.push_back(
        {ERROR_SUCCESS,
         CPerfBlockBuilder().Time(SECOND).Object(230, CPerfBlockBuilder::StandardCounters(), {{4, 5}}).Build(), 0});
    Fake().AddProcessSample(SECOND / 2 - 1, 2 * SECOND);
    CCpuUsage usage;
    EXPECT_EQ(usage.ProcessUsage(0), 0);
    EXPECT_EQ(usage.ProcessUsage(0), 50);
}

struct FamilyCase {
    const char* pszName;
    bool bVersionOk;
    DWORD dwPlatformId;
    DWORD dwMajor;
    WindowsFamily family;
};

class WindowsFamilies : public CpuUsageTest, public ::testing::WithParamInterface<FamilyCase> {};

TEST_P(WindowsFamilies, DecideWhetherTheCounterSwitchesAreWritten)
{
    const FamilyCase& c = GetParam();
    Fake().m_bVersionOk = c.bVersionOk;
    Fake().m_dwPlatformId = c.dwPlatformId;
    Fake().m_dwMajorVersion = c.dwMajor;
    EXPECT_EQ(ClassifyWindows(), c.family);

    Fake().ScriptShares({100, 100});
    CCpuUsage usage;
    usage.ProcessUsage(0);
    usage.ProcessUsage(0);
    usage.ProcessUsage(0);
    const size_t nWrites = Fake().EventsStartingWith("RegSetValueExA").size();
    if (c.family == WF_NT_OTHER) {
        EXPECT_EQ(nWrites, 2u) << "both switches, on the first call only";
        const std::vector<BYTE> zero = {0, 0, 0, 0};
        EXPECT_EQ(SwitchValue(PERFOS_KEY), zero);
        EXPECT_EQ(SwitchValue(PERFPROC_KEY), zero);
        EXPECT_EQ(Fake().m_registry[PERFOS_KEY][DISABLE_COUNTERS_VALUE].dwType, REG_DWORD);
        EXPECT_EQ(Fake().EventsStartingWith("access ").front(), "access " + std::to_string(0x2001F));
    } else {
        EXPECT_EQ(nWrites, 0u);
        EXPECT_TRUE(Fake().EventsStartingWith("RegOpenKeyExA").empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Families, WindowsFamilies,
                         ::testing::Values(FamilyCase{"QueryFails", false, 2, 10, WF_UNKNOWN},
                                           FamilyCase{"Nt4", true, VER_PLATFORM_WIN32_NT, 4, WF_NT4},
                                           FamilyCase{"Windows2000", true, VER_PLATFORM_WIN32_NT, 5, WF_NT_OTHER},
                                           FamilyCase{"Windows10", true, VER_PLATFORM_WIN32_NT, 10, WF_NT_OTHER},
                                           FamilyCase{"Windows98", true, VER_PLATFORM_WIN32_WINDOWS, 4, WF_9X},
                                           FamilyCase{"OtherPlatform", true, 3, 10, WF_UNKNOWN}),
                         CaseName());

TEST_F(CpuUsageTest, CounterSwitchesReportAKeyThatFailsToOpen)
{
    UseWindows(VER_PLATFORM_WIN32_NT, 6);
    CCpuUsage usage;
    EXPECT_TRUE(usage.SetCounterCollection(FALSE));
    EXPECT_EQ(SwitchValue(PERFOS_KEY), (std::vector<BYTE>{1, 0, 0, 0}));

    Fake().m_openErrors[PERFOS_KEY] = ERROR_ACCESS_DENIED;
    Fake().m_events.clear();
    EXPECT_FALSE(usage.SetCounterCollection(TRUE));
    EXPECT_TRUE(Fake().EventsStartingWith("RegOpenKeyExA HKLM\\" PERFPROC_KEY_PATH).empty())
        << "PerfProc is not tried after PerfOS failed";

    Fake().m_openErrors.clear();
    Fake().m_openErrors[PERFPROC_KEY] = ERROR_ACCESS_DENIED;
    EXPECT_FALSE(usage.SetCounterCollection(TRUE));
    EXPECT_EQ(SwitchValue(PERFOS_KEY), (std::vector<BYTE>{0, 0, 0, 0}));

    // A failed write goes unnoticed: the keys opened.
    Fake().m_openErrors.clear();
    Fake().m_lSetError = ERROR_ACCESS_DENIED;
    EXPECT_TRUE(usage.SetCounterCollection(TRUE));
}

// The snapshot buffer: its size, its growth and what a failed query leaves.
class PerfSnapshotTest : public CFakeTest {};

TEST_F(PerfSnapshotTest, GrowsToTheReportedCountPlusOneStepAndKeepsThatSize)
{
    Fake().m_perfAnswers.push_back({ERROR_MORE_DATA, {}, 300000});
    Fake().AddProcessSample(7, 8);
    PerfSnapshotView view = ReadPerfSnapshot(230);
    EXPECT_EQ(GetPerfSnapshotCapacity(), 300000u + PERF_BUFFER_STEP);
    EXPECT_EQ(ReadPerfTime(view.pData, view.cbData), 8);

    const std::vector<std::string> queries = Fake().EventsStartingWith("RegQueryValueExA");
    ASSERT_EQ(queries.size(), 2u);
    EXPECT_EQ(queries[0], "RegQueryValueExA 230 size 102400");
    EXPECT_EQ(queries[1], "RegQueryValueExA 230 size 310240");

    Fake().AddProcessSample(7, 9);
    ReadPerfSnapshot(230);
    EXPECT_EQ(Fake().EventsStartingWith("RegQueryValueExA").back(), "RegQueryValueExA 230 size 310240");
}

TEST_F(PerfSnapshotTest, ResizeFollowsTheReportEvenWhenSmaller)
{
    Fake().m_perfAnswers.push_back({ERROR_MORE_DATA, {}, 1000});
    Fake().AddProcessSample(7, 8);
    ReadPerfSnapshot(230);
    EXPECT_EQ(GetPerfSnapshotCapacity(), 1000u + PERF_BUFFER_STEP);
}

TEST_F(PerfSnapshotTest, EndlessMoreDataEndsAsAFailedQuery)
{
    for (int i = 0; i < PERF_MAX_RETRIES + 10; ++i)
        Fake().m_perfAnswers.push_back({ERROR_MORE_DATA, {}, 500});
    const PerfSnapshotView view = ReadPerfSnapshot(230);
    EXPECT_EQ(view.cbData, 0u);
    EXPECT_EQ(Fake().m_nPerfQueries, PERF_MAX_RETRIES + 1);
}

TEST_F(PerfSnapshotTest, ReportPastTheLimitEndsAsAFailedQueryAndKeepsTheBuffer)
{
    Fake().AddProcessSample(7, 8);
    ReadPerfSnapshot(230);
    Fake().m_perfAnswers.push_back({ERROR_MORE_DATA, {}, PERF_BUFFER_LIMIT});
    const PerfSnapshotView view = ReadPerfSnapshot(230);
    EXPECT_EQ(view.cbData, 0u);
    EXPECT_EQ(GetPerfSnapshotCapacity(), PERF_BUFFER_INITIAL);
    EXPECT_EQ(Fake().m_nPerfQueries, 2);
}

TEST_F(PerfSnapshotTest, FailedQueryAfterAResizeNeverShowsTheEarlierAnswer)
{
    Fake().AddProcessSample(7, 8);
    ReadPerfSnapshot(230);
    Fake().m_perfAnswers.push_back({ERROR_MORE_DATA, {}, 200000});
    Fake().m_perfAnswers.push_back({ERROR_ACCESS_DENIED, {}, 0});
    const PerfSnapshotView view = ReadPerfSnapshot(230);
    EXPECT_EQ(FindCounterInBlock(view.pData, view.cbData, 230, 6, 0), 0);
    EXPECT_EQ(ReadPerfTime(view.pData, view.cbData), 0);
}

TEST_F(PerfSnapshotTest, EverySnapshotStartsFromAZeroedBuffer)
{
    const std::vector<BYTE> scribble(5000, 0xAB);
    Fake().AddProcessSample(7, 8);
    Fake().m_perfAnswers.push_back({ERROR_ACCESS_DENIED, scribble, 0});
    Fake().AddProcessSample(7, 9);
    Fake().m_perfAnswers.push_back({ERROR_MORE_DATA, scribble, 120000});
    Fake().AddProcessSample(7, 10);
    Fake().AddProcessSample(7, 11);
    for (int i = 0; i < 5; ++i)
        ReadPerfSnapshot(230);
    // The query after a resize is the one exception: the buffer is not zeroed again.
    const std::vector<bool> expected = {true, true, true, true, false, true};
    EXPECT_EQ(Fake().m_queryBufferWasZero, expected);
}

}  // namespace

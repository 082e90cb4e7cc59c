#include "fake_fixture.h"
#include "mode_control.h"

#include <gtest/gtest.h>

namespace {

class SettleTest : public CFakeTest {
protected:
    // Runs the detector over scripted shares; each counting sample reads a
    // tick, handed out as 1000, 2000, ... in order.
    DWORD Settle(const std::vector<int>& shares)
    {
        Fake().ScriptShares(shares);
        for (DWORD i = 1; i <= 100; ++i)
            Fake().m_ticks.push_back(i * 1000);
        CCpuUsage usage;
        return WaitForIdleSettle(usage);
    }
    size_t Samples() const { return static_cast<size_t>(Fake().m_nPerfQueries); }
    size_t Pauses() const { return Fake().EventsStartingWith("Sleep 1000").size(); }
};

std::vector<int> Repeat(int nShare, int nTimes)
{
    return std::vector<int>(static_cast<size_t>(nTimes), nShare);
}

std::vector<int> Concat(std::initializer_list<std::vector<int>> parts)
{
    std::vector<int> all;
    for (const std::vector<int>& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

TEST_F(SettleTest, ShortestWaitIsElevenSamplesAndElevenPauses)
{
    EXPECT_EQ(Settle(Repeat(100, 10)), 1000u);
    EXPECT_EQ(Samples(), 11u);
    EXPECT_EQ(Pauses(), 11u);
    EXPECT_EQ(Fake().EventsStartingWith("GetTickCount").size(), 1u) << "the tick is read at the streak's start only";
    EXPECT_EQ(Fake().m_events.back(), "Sleep 1000") << "the last sample is paused after too";
}

TEST_F(SettleTest, BrokenStreakTakesAFreshStartTick)
{
    // 0 (baseline), 96 nine times, 90, then 97 ten times.
    EXPECT_EQ(Settle(Concat({Repeat(96, 9), {90}, Repeat(97, 10)})), 2000u);
    EXPECT_EQ(Samples(), 21u);
    EXPECT_EQ(Pauses(), 21u);
}

TEST_F(SettleTest, ExactlyTheThresholdCountsAndOneBelowBreaks)
{
    EXPECT_EQ(Settle(Concat({Repeat(95, 5), {94}, Repeat(95, 10)})), 2000u);
    EXPECT_EQ(Samples(), 17u);
}

struct ScaledCase {
    DWORD dwProcessors;
    int nCounts;  // the lowest share that counts
};

class ScaledThreshold : public SettleTest, public ::testing::WithParamInterface<ScaledCase> {};

TEST_P(ScaledThreshold, IsNinetyFivePerProcessor)
{
    const ScaledCase& c = GetParam();
    Fake().m_dwProcessors = c.dwProcessors;
    EXPECT_EQ(IdleThresholdFor(c.dwProcessors), c.nCounts);
    // One processor idle out of several must break the streak.
    EXPECT_EQ(Settle(Concat({Repeat(c.nCounts, 3), {c.nCounts - 1}, Repeat(c.nCounts, 10)})), 2000u);
}

INSTANTIATE_TEST_SUITE_P(Processors, ScaledThreshold,
                         ::testing::Values(ScaledCase{1, 95}, ScaledCase{2, 190}, ScaledCase{4, 380},
                                           ScaledCase{64, 6080}));

TEST(IdleThreshold, NeverBelowOneProcessorNorPastTheIntRange)
{
    EXPECT_EQ(IdleThresholdFor(0), 95);
    EXPECT_EQ(IdleThresholdFor(0xFFFFFFFFu), 2147483647);
}

struct TimeCase {
    DWORD dwTick;
    const char* pszText;
};

class BootTimeText : public ::testing::TestWithParam<TimeCase> {};

TEST_P(BootTimeText, ShowsSecondsWithThreeDecimals)
{
    EXPECT_EQ(FormatBootTime(GetParam().dwTick), GetParam().pszText);
}

INSTANTIATE_TEST_SUITE_P(Ticks, BootTimeText,
                         ::testing::Values(TimeCase{0, "Windows Bootup Time =  0.000  seconds "},
                                           TimeCase{999, "Windows Bootup Time =  0.999  seconds "},
                                           TimeCase{42195, "Windows Bootup Time =  42.195  seconds "},
                                           // Single precision cannot hold three decimals here: the
                                           // printed value is the float's, not the exact 50000.002.
                                           TimeCase{50000002, "Windows Bootup Time =  50000.004  seconds "},
                                           TimeCase{123456789, "Windows Bootup Time =  123456.789  seconds "},
                                           // Past 24.8 days of uptime the tick's top bit is set: still positive.
                                           TimeCase{2147483648u, "Windows Bootup Time =  2147483.750  seconds "},
                                           TimeCase{4294967295u, "Windows Bootup Time =  4294967.500  seconds "}));

}  // namespace

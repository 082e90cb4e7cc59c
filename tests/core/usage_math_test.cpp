#include "perf_walk.h"

#include "case_name.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

struct UsageCase {
    const char* pszName;
    LONGLONG llValueDiff;
    LONGLONG llTimeDiff;
    int nExpected;
};

class UsageMath : public ::testing::TestWithParam<UsageCase> {};

TEST_P(UsageMath, GivesTheExpectedShare)
{
    EXPECT_EQ(ComputeUsagePercent(GetParam().llValueDiff, GetParam().llTimeDiff), GetParam().nExpected);
}

INSTANTIATE_TEST_SUITE_P(Cases, UsageMath,
                         ::testing::Values(UsageCase{"Idle", 10000000, 10000000, 100},
                                           UsageCase{"TwiceTheTime", 200, 100, 200},
                                           UsageCase{"QuotientRoundsBeforeScaling", 29, 100, 28},
                                           UsageCase{"CounterWentBackwards", -5000, 10000000, 0},
                                           UsageCase{"ZeroTimeDifference", 12345, 0, 0},
                                           UsageCase{"NothingChanged", 0, 0, 0},
                                           UsageCase{"TimeWentBackwards", 100, -100, 0},
                                           UsageCase{"NotFoundAfterValue", -1 - 5000000, 10000000, 0},
                                           UsageCase{"OverflowClamps", LLONG_MAX, 1, INT_MAX},
                                           UsageCase{"JustBelowTheClamp", 2147483600, 100, 2147483600},
                                           UsageCase{"SmallShareTruncates", 99, 10000, 0}),
                         CaseName());

TEST(UsageMath, ExactSharesFrom95To112ComeOutUnchanged)
{
    for (int nShare = 95; nShare <= 112; ++nShare) {
        EXPECT_EQ(ComputeUsagePercent(nShare, 100), nShare) << nShare << " over 100";
        EXPECT_EQ(ComputeUsagePercent(nShare * 100000LL, 10000000), nShare) << nShare << " over one second";
    }
}

}  // namespace

// The parser of /proc/stat over good, cut and garbled texts.
#include "proc_stat.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <ostream>
#include <string>

namespace {

struct GoodCase {
    const char* pszName;
    std::string strText;
    unsigned long long ullIdle;
    unsigned long long ullTotal;
    DWORD dwCpuLines;
};

const GoodCase GOOD_CASES[] = {
    // guest (9) and guest_nice (10) are already inside user and nice.
    {"AllTenFields", "cpu  1 2 3 4 5 6 7 8 9 10\ncpu0 1 2 3 4 5 6 7 8 9 10\nintr 1 2\n", 4 + 5, 36, 1},
    {"OldKernelFourFields", "cpu 10 20 30 40\ncpu0 10 20 30 40\n", 40, 100, 1},
    {"FieldsOfLaterKernelsIgnored", "cpu 1 1 1 1 1 1 1 1 1 1 1000\n", 2, 8, 0},
    {"TabsAndTrailingBlanks", "cpu\t1 2 3 4 \ncpu0 1 2 3 4\ncpu1 0 0 0 0\n", 4, 10, 2},
    {"NoCpuLinesAfterAggregate", "cpu 0 0 0 7 3 0 0 0 0 0\nintr 0\n", 10, 10, 0},
    // Counting stops at the first other line: the per-processor lines come together.
    {"CountStopsAtOtherLine", "cpu 1 1 1 1\ncpu0 1 1 1 1\nintr 1\ncpu1 1 1 1 1\n", 1, 4, 1},
    // A buffer that ends inside the per-processor lines counts what it holds.
    {"CutInsideCpuLine", "cpu 1 1 1 1\ncpu0 1 1 1 1\ncpu1 12", 1, 4, 2},
    {"CutBeforeCpuDigit", "cpu 1 1 1 1\ncpu0 1 1 1 1\ncpu", 1, 4, 1},
    {"LargestNumber", "cpu 0 0 0 18446744073709551615 0 0 0 0 0 0\n", 18446744073709551615ULL, 18446744073709551615ULL,
     0},
    {"GuestMayBeHuge", "cpu 1 1 1 1 1 1 1 1 18446744073709551615 18446744073709551615\n", 2, 8, 0},
};

void PrintTo(const GoodCase& c, std::ostream* pStream)
{
    *pStream << c.pszName;
}

class ParseProcStatGood : public ::testing::TestWithParam<GoodCase> {};

TEST_P(ParseProcStatGood, SumsTheAggregateLine)
{
    const GoodCase& c = GetParam();
    CpuTimes times = {0, 0, 0};
    ASSERT_TRUE(ParseProcStat(c.strText.data(), c.strText.size(), times));
    EXPECT_EQ(times.ullIdleTicks, c.ullIdle);
    EXPECT_EQ(times.ullTotalTicks, c.ullTotal);
    EXPECT_EQ(times.dwCpuLines, c.dwCpuLines);
}

INSTANTIATE_TEST_SUITE_P(Texts, ParseProcStatGood, ::testing::ValuesIn(GOOD_CASES),
                         [](const ::testing::TestParamInfo<GoodCase>& param) { return param.param.pszName; });

struct BadCase {
    const char* pszName;
    std::string strText;
};

const BadCase BAD_CASES[] = {
    {"Empty", ""},
    {"OnlyLineEnd", "\n"},
    {"FirstLineCut", "cpu  3943 0 3474 70438 379 0 59 49 0 0"},
    {"FirstLineCutInNumber", "cpu  3943 0 34"},
    {"MissingFields", "cpu 1 2 3\ncpu0 1 2 3\n"},
    {"NoFields", "cpu\n"},
    {"NotStat", "hello world\n"},
    {"PerProcessorLineFirst", "cpu0 1 2 3 4\ncpu 1 2 3 4\n"},
    {"WordGluedToCpu", "cpux 1 2 3 4\n"},
    {"LetterInField", "cpu 1 2 x 4\n"},
    {"LetterGluedToNumber", "cpu 1 2 3 4x\n"},
    {"NegativeNumber", "cpu -1 2 3 4\n"},
    {"NulInsideLine", std::string("cpu 1 2\0 3 4\n", 13)},
    {"NumberPast64Bits", "cpu 18446744073709551616 0 0 0\n"},
    {"LongNumber", "cpu 1 1 1 100000000000000000000000000000000000000000\n"},
    {"TotalPast64Bits", "cpu 18446744073709551615 1 0 0\n"},
    {"IdleAndIowaitPast64Bits", "cpu 0 0 0 9223372036854775808 9223372036854775808\n"},
};

void PrintTo(const BadCase& c, std::ostream* pStream)
{
    *pStream << c.pszName;
}

class ParseProcStatBad : public ::testing::TestWithParam<BadCase> {};

TEST_P(ParseProcStatBad, FailsAndLeavesTimesAlone)
{
    const BadCase& c = GetParam();
    CpuTimes times = {11, 22, 33};
    EXPECT_FALSE(ParseProcStat(c.strText.data(), c.strText.size(), times));
    EXPECT_EQ(times.ullIdleTicks, 11u);
    EXPECT_EQ(times.ullTotalTicks, 22u);
    EXPECT_EQ(times.dwCpuLines, 33u);
}

INSTANTIATE_TEST_SUITE_P(Texts, ParseProcStatBad, ::testing::ValuesIn(BAD_CASES),
                         [](const ::testing::TestParamInfo<BadCase>& param) { return param.param.pszName; });

TEST(ParseProcStat, NullTextFails)
{
    CpuTimes times = {0, 0, 0};
    EXPECT_FALSE(ParseProcStat(nullptr, 0, times));
}

// The length bounds the parse: a line end past it does not count.
TEST(ParseProcStat, ReadsNoFurtherThanTheLength)
{
    const std::string strText = "cpu 1 2 3 4\n";
    CpuTimes times = {0, 0, 0};
    EXPECT_FALSE(ParseProcStat(strText.data(), strText.size() - 1, times));
}

TEST(ParseProcStat, ParsesThisMachine)
{
    std::ifstream file("/proc/stat", std::ios::binary);
    ASSERT_TRUE(file.good());
    const std::string strText((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    CpuTimes times = {0, 0, 0};
    ASSERT_TRUE(ParseProcStat(strText.data(), strText.size(), times));
    EXPECT_GE(times.dwCpuLines, 1u);
    EXPECT_GT(times.ullTotalTicks, 0u);
    EXPECT_LE(times.ullIdleTicks, times.ullTotalTicks);
}

}  // namespace

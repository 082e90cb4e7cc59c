// The Process block built from captured /proc/stat texts, read back by the
// core's walk and, for what the walk does not look at, by its own layout.
#include "cpu_usage.h"
#include "perf_block.h"
#include "perf_layout.h"
#include "perf_walk.h"
#include "proc_stat.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstddef>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

namespace {

const long TICKS_PER_SECOND = 100;
const LONGLONG PERF_TIME = 123456789012345LL;

// Instance names sit at the offset and length that the instance records.
const size_t INSTANCE_NAME_OFFSET = 16;
const size_t INSTANCE_NAME_LENGTH = 20;

DWORD Get32(const std::vector<BYTE>& block, size_t off)
{
    return static_cast<DWORD>(block.at(off)) | (static_cast<DWORD>(block.at(off + 1)) << 8) |
           (static_cast<DWORD>(block.at(off + 2)) << 16) | (static_cast<DWORD>(block.at(off + 3)) << 24);
}

std::string ReadFixture(const char* pszName)
{
    std::ifstream file(std::string(VANTREL_LINUX_TEST_DATA) + "/" + pszName, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

std::vector<BYTE> BuildBlock(const CpuTimes& times, long lTicksPerSecond)
{
    const size_t cbNeeded = BuildIdleProcessBlock(times, PERF_TIME, lTicksPerSecond, nullptr, 0);
    std::vector<BYTE> block(cbNeeded);
    EXPECT_EQ(BuildIdleProcessBlock(times, PERF_TIME, lTicksPerSecond, block.data(), block.size()), cbNeeded);
    return block;
}

struct Instance {
    std::string strName;
    LONGLONG llProcessorTime;
    DWORD dwProcessId;
};

// Lists the instances of the first object, names decoded from UTF-16.
std::vector<Instance> ListInstances(const std::vector<BYTE>& block)
{
    std::vector<Instance> instances;
    const size_t cbObject = Get32(block, PDB_HEADER_LENGTH);
    const size_t cbFirstDef = cbObject + Get32(block, cbObject + POT_HEADER_LENGTH);
    const size_t cbSecondDef = cbFirstDef + Get32(block, cbFirstDef + PCD_BYTE_LENGTH);
    EXPECT_EQ(Get32(block, cbFirstDef + PCD_COUNTER_NAME_TITLE_INDEX), PERF_CTR_PROCESSOR_TIME);
    EXPECT_EQ(Get32(block, cbSecondDef + PCD_COUNTER_NAME_TITLE_INDEX), PERF_CTR_ID_PROCESS);
    const size_t cbTimeAt = Get32(block, cbFirstDef + PCD_COUNTER_OFFSET);
    const size_t cbIdAt = Get32(block, cbSecondDef + PCD_COUNTER_OFFSET);

    size_t cbInstance = cbObject + Get32(block, cbObject + POT_DEFINITION_LENGTH);
    const LONG lCount = static_cast<LONG>(Get32(block, cbObject + POT_NUM_INSTANCES));
    for (LONG i = 0; i < lCount; ++i) {
        Instance instance;
        const size_t cbName = cbInstance + Get32(block, cbInstance + INSTANCE_NAME_OFFSET);
        const size_t cbNameLength = Get32(block, cbInstance + INSTANCE_NAME_LENGTH);
        for (size_t j = 0; j + 2 < cbNameLength; j += 2) {
            EXPECT_EQ(block.at(cbName + j + 1), 0) << "not UTF-16";
            instance.strName += static_cast<char>(block.at(cbName + j));
        }
        EXPECT_EQ(Get32(block, cbName + cbNameLength - 2) & 0xFFFFu, 0u) << "name without its null";
        const size_t cbCounters = cbInstance + Get32(block, cbInstance + PID_BYTE_LENGTH);
        instance.llProcessorTime =
            static_cast<LONGLONG>(static_cast<unsigned long long>(Get32(block, cbCounters + cbTimeAt)) |
                                  (static_cast<unsigned long long>(Get32(block, cbCounters + cbTimeAt + 4)) << 32));
        instance.dwProcessId = Get32(block, cbCounters + cbIdAt);
        instances.push_back(instance);
        cbInstance = cbCounters + Get32(block, cbCounters + PCB_BYTE_LENGTH);
    }
    EXPECT_EQ(cbInstance, cbObject + Get32(block, cbObject + POT_TOTAL_BYTE_LENGTH)) << "object length";
    return instances;
}

struct FixtureCase {
    const char* pszFile;
    DWORD dwCpuLines;
    LONGLONG llIdle100ns;
    LONGLONG llTotal100ns;
};

// Expected values worked out by hand from the first line of each file.
const FixtureCase FIXTURE_CASES[] = {
    {"proc_stat_2cpu.txt", 2, (70438LL + 379LL) * 100000LL, 78342LL * 100000LL},
    {"proc_stat_4cpu.txt", 4, (46828483LL + 16683LL) * 100000LL, 60553557LL * 100000LL},
};

void PrintTo(const FixtureCase& c, std::ostream* pStream)
{
    *pStream << c.pszFile;
}

class CapturedStat : public ::testing::TestWithParam<FixtureCase> {};

TEST_P(CapturedStat, WalkFindsTheIdleTimeOfProcessZero)
{
    const FixtureCase& c = GetParam();
    const std::string strText = ReadFixture(c.pszFile);
    CpuTimes times = {0, 0, 0};
    ASSERT_TRUE(ParseProcStat(strText.data(), strText.size(), times));
    EXPECT_EQ(times.dwCpuLines, c.dwCpuLines);

    const std::vector<BYTE> block = BuildBlock(times, TICKS_PER_SECOND);
    EXPECT_EQ(FindCounterInBlock(block.data(), block.size(), PERF_OBJ_PROCESS, PERF_CTR_PROCESSOR_TIME, 0),
              c.llIdle100ns);
    EXPECT_EQ(ReadPerfTime(block.data(), block.size()), PERF_TIME);
}

TEST_P(CapturedStat, IdleComesFirstThenTotal)
{
    const FixtureCase& c = GetParam();
    const std::string strText = ReadFixture(c.pszFile);
    CpuTimes times = {0, 0, 0};
    ASSERT_TRUE(ParseProcStat(strText.data(), strText.size(), times));

    const std::vector<Instance> instances = ListInstances(BuildBlock(times, TICKS_PER_SECOND));
    ASSERT_EQ(instances.size(), 2u);
    EXPECT_EQ(instances[0].strName, "Idle");
    EXPECT_EQ(instances[0].llProcessorTime, c.llIdle100ns);
    EXPECT_EQ(instances[0].dwProcessId, 0u);
    EXPECT_EQ(instances[1].strName, "_Total");
    EXPECT_EQ(instances[1].llProcessorTime, c.llTotal100ns);
    EXPECT_EQ(instances[1].dwProcessId, 0u);
}

INSTANTIATE_TEST_SUITE_P(Files, CapturedStat, ::testing::ValuesIn(FIXTURE_CASES));

TEST(IdleProcessBlock, HeaderAsOnWindows)
{
    const std::vector<BYTE> block = BuildBlock(CpuTimes{1, 2, 1}, TICKS_PER_SECOND);
    const BYTE abSignature[] = {'P', 0, 'E', 0, 'R', 0, 'F', 0};
    ASSERT_GE(block.size(), PDB_MIN_SIZE);
    EXPECT_TRUE(std::equal(std::begin(abSignature), std::end(abSignature), block.begin()));
    EXPECT_EQ(Get32(block, 20), block.size()) << "TotalByteLength";
    EXPECT_EQ(Get32(block, PDB_NUM_OBJECT_TYPES), 1u);
    EXPECT_EQ(Get32(block, Get32(block, PDB_HEADER_LENGTH) + POT_OBJECT_NAME_TITLE_INDEX), PERF_OBJ_PROCESS);
    // The 64-bit counters sit on 8-byte boundaries, as the Windows layout has them.
    EXPECT_EQ(Get32(block, PDB_HEADER_LENGTH) % 8u, 0u);
    EXPECT_EQ(block.size() % 8u, 0u);
}

TEST(IdleProcessBlock, ShortBufferIsLeftUntouched)
{
    const CpuTimes times = {5, 10, 1};
    const size_t cbNeeded = BuildIdleProcessBlock(times, PERF_TIME, TICKS_PER_SECOND, nullptr, 0);
    ASSERT_GE(cbNeeded, PDB_MIN_SIZE);
    std::vector<BYTE> buffer(cbNeeded + 8, 0xAB);
    EXPECT_EQ(BuildIdleProcessBlock(times, PERF_TIME, TICKS_PER_SECOND, buffer.data(), cbNeeded - 1), cbNeeded);
    EXPECT_EQ(std::count(buffer.begin(), buffer.end(), 0xAB), static_cast<std::ptrdiff_t>(buffer.size()));
    // Fitting exactly writes the block and nothing past it.
    EXPECT_EQ(BuildIdleProcessBlock(times, PERF_TIME, TICKS_PER_SECOND, buffer.data(), cbNeeded), cbNeeded);
    EXPECT_EQ(std::count(buffer.begin() + static_cast<std::ptrdiff_t>(cbNeeded), buffer.end(), 0xAB), 8);
}

TEST(IdleProcessBlock, RateOutOfRangeBuildsNothing)
{
    BYTE abBuffer[1024] = {};
    for (long lRate : {0L, -100L, PERF_MAX_TICKS_PER_SECOND + 1})
        EXPECT_EQ(BuildIdleProcessBlock(CpuTimes{1, 2, 1}, PERF_TIME, lRate, abBuffer, sizeof(abBuffer)), 0u);
}

struct TicksCase {
    unsigned long long ullTicks;
    long lRate;
    LONGLONG llExpected;
};

const TicksCase TICKS_CASES[] = {
    {0, 100, 0},
    {1, 100, 100000},
    {70817, 100, 7081700000LL},
    {3, 1024, 29296},                        // 3e7 / 1024 = 29296.875, cut
    {5 * 1024 + 3, 1024, 50000000 + 29296},  // whole seconds and the rest apart
    {7, 3, 23333333},
    {PERF_MAX_TICKS_PER_SECOND, PERF_MAX_TICKS_PER_SECOND, 10000000},
    {92233720368547ULL, 100, 9223372036854700000LL},  // the largest whole count that fits
    {92233720368548ULL, 100, LLONG_MAX},
    {ULLONG_MAX, 100, LLONG_MAX},
    {ULLONG_MAX, 1, LLONG_MAX},
    {1, 0, 0},
    {1, -1, 0},
};

void PrintTo(const TicksCase& c, std::ostream* pStream)
{
    *pStream << c.ullTicks << " ticks at " << c.lRate;
}

class TicksConversion : public ::testing::TestWithParam<TicksCase> {};

TEST_P(TicksConversion, ExactOrSaturated)
{
    const TicksCase& c = GetParam();
    EXPECT_EQ(TicksTo100ns(c.ullTicks, c.lRate), c.llExpected);
}

INSTANTIATE_TEST_SUITE_P(Rates, TicksConversion, ::testing::ValuesIn(TICKS_CASES));

}  // namespace

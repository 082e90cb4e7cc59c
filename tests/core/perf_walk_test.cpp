#include "cpu_usage.h"
#include "perf_block_builder.h"
#include "perf_walk.h"

#include "case_name.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using Block = std::vector<BYTE>;
using Builder = CPerfBlockBuilder;

const LONGLONG IDLE_VALUE = 0x123456789ALL;

LONGLONG Walk(const Block& block, DWORD dwProcessId = 0)
{
    return FindCounterInBlock(block.data(), block.size(), PERF_OBJ_PROCESS, PERF_CTR_PROCESSOR_TIME, dwProcessId);
}

TEST(PerfWalk, FindsTheIdleInstanceOfAWellFormedBlock)
{
    const Block block = Builder::ProcessBlock(IDLE_VALUE, 99);
    EXPECT_EQ(Walk(block), IDLE_VALUE);
    EXPECT_EQ(Walk(block, 4), 12345);
    EXPECT_EQ(ReadPerfTime(block.data(), block.size()), 99);
}

struct BuiltCase {
    const char* pszName;
    Block block;
    DWORD dwProcessId;
    LONGLONG llExpected;
};

class PerfWalkBuilt : public ::testing::TestWithParam<BuiltCase> {};

TEST_P(PerfWalkBuilt, GivesTheExpectedValue)
{
    EXPECT_EQ(Walk(GetParam().block, GetParam().dwProcessId), GetParam().llExpected);
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, PerfWalkBuilt,
    ::testing::Values(
        BuiltCase{"ProcessAfterOtherObjects",
                  Builder()
                      .Object(238, Builder::StandardCounters(), {{0, 1}})
                      .Object(2, Builder::StandardCounters(), {})
                      .Object(230, Builder::StandardCounters(), {{0, 77}})
                      .Build(),
                  0, 77},
        BuiltCase{"FirstProcessObjectDecides",
                  Builder()
                      .Object(230, Builder::StandardCounters(), {{5, 1}})
                      .Object(230, Builder::StandardCounters(), {{0, 2}})
                      .Build(),
                  0, COUNTER_NOT_FOUND},
        BuiltCase{"FirstOfTwoIdInstancesWins",
                  Builder().Object(230, Builder::StandardCounters(), {{0, 11}, {0, 22}}).Build(), 0, 11},
        BuiltCase{"NoInstancesMarker", Builder().Object(230, Builder::StandardCounters(), {{0, 11}}, -1).Build(), 0,
                  COUNTER_NOT_FOUND},
        BuiltCase{"ZeroInstances", Builder().Object(230, Builder::StandardCounters(), {{0, 11}}, 0).Build(), 0,
                  COUNTER_NOT_FOUND},
        BuiltCase{"NoMatchingInstance", Builder().Object(230, Builder::StandardCounters(), {{4, 11}}).Build(), 0,
                  COUNTER_NOT_FOUND},
        BuiltCase{"NoIdProcessDefinition", Builder().Object(230, {{6, 8}}, {{0, 11}}).Build(), 0, COUNTER_NOT_FOUND},
        BuiltCase{"NoProcessorTimeDefinition", Builder().Object(230, {{784, 16}}, {{0, 11}}).Build(), 0,
                  COUNTER_NOT_FOUND},
        BuiltCase{"NoProcessObject", Builder().Object(238, Builder::StandardCounters(), {{0, 11}}).Build(), 0, 0},
        BuiltCase{"NoObjectsAtAll", Builder().Build(), 0, 0},
        BuiltCase{"LaterDuplicateDefinitionIsUsed",
                  // The first % Processor Time definition points at the ID field.
                  Builder().Object(230, {{6, 16}, {6, 8}, {784, 16}}, {{0, 11}}).Build(), 0, 11}),
    CaseName());

// Malformed blocks: a well-formed one with one field changed. Whatever the
// bytes say, the walk stays inside the block and ends.
struct MalformedCase {
    const char* pszName;
    std::function<void(Block&)> mutate;
    LONGLONG llExpected;
};

class PerfWalkMalformed : public ::testing::TestWithParam<MalformedCase> {};

TEST_P(PerfWalkMalformed, StaysInsideAndEnds)
{
    Block block = Builder::ProcessBlock(IDLE_VALUE, 99);
    GetParam().mutate(block);
    // A copy of exactly the block's size, so that a read past its end is
    // caught by the sanitizers.
    std::vector<BYTE> exact(block);
    exact.shrink_to_fit();
    EXPECT_EQ(Walk(exact), GetParam().llExpected);
}

void Set32(Block& block, size_t off, DWORD dwValue)
{
    Builder::Put32(block, off, dwValue);
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, PerfWalkMalformed,
    ::testing::Values(
        MalformedCase{"EmptyBlock", [](Block& b) { b.clear(); }, 0},
        MalformedCase{"HeaderOnlyHalf", [](Block& b) { b.resize(20); }, 0},
        MalformedCase{"HeaderLengthPastEnd", [](Block& b) { Set32(b, 24, 0xFFFFFF00u); }, 0},
        MalformedCase{"ObjectCutShort", [](Block& b) { b.resize(BUILT_OBJECT + 20); }, 0},
        MalformedCase{"InstancesCutShort", [](Block& b) { b.resize(BUILT_COUNTERS0 + 12); }, COUNTER_NOT_FOUND},
        MalformedCase{"ManyObjectsZeroLength",
                      [](Block& b) {
                          Set32(b, 28, 0xFFFFFFFFu);
                          Set32(b, BUILT_OBJECT + 12, 238);
                          Set32(b, BUILT_OBJECT, 0);
                      },
                      0},
        MalformedCase{"ObjectLengthWrapsAround",
                      [](Block& b) {
                          Set32(b, 28, 3);
                          Set32(b, BUILT_OBJECT + 12, 238);
                          Set32(b, BUILT_OBJECT, 0xFFFFFFF0u);
                      },
                      0},
        MalformedCase{"DefinitionLengthZeroBeforeBoth", [](Block& b) { Set32(b, BUILT_DEF_TIME, 0); },
                      COUNTER_NOT_FOUND},
        MalformedCase{"DefinitionsPastEnd", [](Block& b) { Set32(b, BUILT_OBJECT + 8, 0x7FFFFFFFu); },
                      COUNTER_NOT_FOUND},
        MalformedCase{"DefinitionLengthWrapsAround", [](Block& b) { Set32(b, BUILT_DEF_TIME, 0xFFFFFFD8u); },
                      COUNTER_NOT_FOUND},
        MalformedCase{"InstancesPastEnd", [](Block& b) { Set32(b, BUILT_OBJECT + 4, 0xFFFFFFFFu); }, COUNTER_NOT_FOUND},
        MalformedCase{"InstanceLengthPastEnd", [](Block& b) { Set32(b, BUILT_INSTANCE0, 0xFFFFFFF8u); },
                      COUNTER_NOT_FOUND},
        MalformedCase{"CounterBlockLengthZero",
                      [](Block& b) {
                          Set32(b, BUILT_COUNTERS0 + 16, 9);  // first instance no longer matches
                          Set32(b, BUILT_COUNTERS0, 0);
                          Set32(b, BUILT_OBJECT + 40, 0x7FFFFFFF);
                      },
                      COUNTER_NOT_FOUND},
        MalformedCase{"CounterBlockLengthWrapsAround",
                      [](Block& b) {
                          Set32(b, BUILT_COUNTERS0 + 16, 9);
                          Set32(b, BUILT_COUNTERS0, 0xFFFFFFF0u);
                      },
                      COUNTER_NOT_FOUND},
        MalformedCase{"IdOffsetPastEnd", [](Block& b) { Set32(b, BUILT_DEF_ID + 36, 0xFFFFFFFEu); }, COUNTER_NOT_FOUND},
        MalformedCase{"ValueOffsetPastEnd", [](Block& b) { Set32(b, BUILT_DEF_TIME + 36, 0x7FFFFFFFu); },
                      COUNTER_NOT_FOUND},
        MalformedCase{"ValueCrossesTheEnd",
                      [](Block& b) {
                          Set32(b, BUILT_DEF_TIME + 36, 20);  // the value now ends 4 bytes past its block
                          b.resize(BUILT_COUNTERS0 + 24);     // which is the last of the buffer
                      },
                      COUNTER_NOT_FOUND},
        MalformedCase{"HugeInstanceCountEndsAtTheEnd",
                      [](Block& b) {
                          Set32(b, BUILT_COUNTERS0 + 16, 9);
                          Set32(b, BUILT_INSTANCE1 + 8 + 16, 9);
                          Set32(b, BUILT_OBJECT + 40, 0x7FFFFFFF);
                      },
                      COUNTER_NOT_FOUND}),
    CaseName());

TEST(PerfWalk, TimeStampNeedsTheWholeField)
{
    Block block = Builder::ProcessBlock(1, 0x0102030405060708LL);
    EXPECT_EQ(ReadPerfTime(block.data(), 80), 0x0102030405060708LL);
    EXPECT_EQ(ReadPerfTime(block.data(), 79), 0);
    EXPECT_EQ(ReadPerfTime(nullptr, 0), 0);
}

}  // namespace

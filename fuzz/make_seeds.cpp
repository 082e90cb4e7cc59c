// Writes the seed corpus of the performance-data fuzzer: well-formed blocks
// over several samples, the query's ways of asking for more room or failing,
// the Linux layer's block, and the malformed blocks that the walk must end
// on. Each seed is checked to decode back to the script it was made from.
//
// Usage: vantrel_fuzz_seeds <folder>   (existing seeds of the same names are replaced)
#include "cpu_usage.h"
#include "perf_block.h"
#include "perf_block_builder.h"
#include "perf_script.h"
#include "perf_snapshot.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

using Block = std::vector<BYTE>;
using Builder = CPerfBlockBuilder;

const LONGLONG SECOND = 10000000;  // in 100-ns units

struct Seed {
    std::string strName;
    PerfScript script;
};

ScriptedAnswer Success(const Block& block)
{
    return ScriptedAnswer{PAK_SUCCESS, 0, block};
}

ScriptedAnswer SuccessCount(DWORD dwCount, const Block& block)
{
    return ScriptedAnswer{PAK_SUCCESS_COUNT, dwCount, block};
}

ScriptedAnswer MoreData(DWORD dwCount, const Block& block = Block())
{
    return ScriptedAnswer{PAK_MORE_DATA, dwCount, block};
}

ScriptedAnswer Error(DWORD dwResult)
{
    return ScriptedAnswer{PAK_ERROR, dwResult, Block()};
}

// A script with the usual settings: the idle process, a Windows that needs
// its counters switched on, and keys that open.
PerfScript Script(int nSteps, unsigned uCheckedSteps, const std::vector<ScriptedAnswer>& answers)
{
    PerfScript script;
    script.dwProcessId = 0;
    script.nFamily = WF_NT_OTHER;
    script.bKeysOpen = true;
    script.nSteps = nSteps;
    script.uCheckedSteps = uCheckedSteps;
    script.dwWalkObject = PERF_OBJ_PROCESS;
    script.dwWalkCounter = PERF_CTR_PROCESSOR_TIME;
    script.dwWalkOffset = static_cast<DWORD>(BUILT_OBJECT);
    script.llValueDiff = SECOND / 4;
    script.llTimeDiff = SECOND;
    script.answers = answers;
    return script;
}

Block Sample(int n)
{
    return Builder::ProcessBlock(5 * SECOND + n * (SECOND / 2), 7 * SECOND + n * SECOND);
}

Block LinuxSample(unsigned long long ullIdleTicks, unsigned long long ullTotalTicks, LONGLONG llTime)
{
    const CpuTimes times = {ullIdleTicks, ullTotalTicks, 2};
    Block block(BuildIdleProcessBlock(times, llTime, 100, nullptr, 0));
    BuildIdleProcessBlock(times, llTime, 100, block.data(), block.size());
    return block;
}

// A well-formed block with one change.
Block Mutated(const std::function<void(Block&)>& mutate)
{
    Block block = Sample(0);
    mutate(block);
    return block;
}

void Set32(Block& block, size_t off, DWORD dwValue)
{
    Builder::Put32(block, off, dwValue);
}

// A malformed block, walked by a checked snapshot and by ProcessUsage.
Seed WalkCase(const char* pszName, const Block& block)
{
    return Seed{std::string("walk_") + pszName, Script(3, 0x2u, {Success(Sample(0)), Success(block), Success(block)})};
}

std::vector<Seed> AllSeeds()
{
    std::vector<Seed> seeds = {
        {"samples_four",
         Script(4, 0x2u, {Success(Sample(0)), Success(Sample(1)), Success(Sample(2)), Success(Sample(3))})},
        {"more_data_then_block", Script(2, 0x3u, {MoreData(150000), Success(Sample(0)), Success(Sample(1))})},
        {"more_data_past_limit", Script(2, 0x1u, {MoreData(0xFFFFFFFFu), Success(Sample(0))})},
        {"more_data_shrinks", Script(2, 0x3u, {MoreData(0), Success(Sample(0)), Success(Sample(1))})},
        {"more_data_partial_then_error", Script(2, 0x1u, {MoreData(120000, Sample(0)), Error(ERROR_FILE_NOT_FOUND)})},
        {"more_data_near_limit", Script(2, 0x1u, {MoreData(64u * 1024u * 1024u - 10240u), Success(Sample(0))})},
        {"success_count_past_buffer", Script(1, 0x1u, {SuccessCount(0xFFFFFFFFu, Sample(0))})},
        {"success_count_short", Script(1, 0x1u, {SuccessCount(40, Sample(0))})},
        {"error_then_block", Script(3, 0x5u, {Error(ERROR_ACCESS_DENIED), Success(Sample(0))})},
        {"empty_answer", Script(2, 0x1u, {Success(Block()), Success(Block())})},
        {"more_data_forever", Script(2, 0x1u, std::vector<ScriptedAnswer>(PERF_MAX_RETRIES + 2, MoreData(0)))},
        {"linux_block",
         Script(2, 0x2u, {Success(LinuxSample(1000, 4000, 7 * SECOND)), Success(LinuxSample(1150, 4200, 8 * SECOND))})},
        WalkCase(
            "other_objects_first", Builder()
                                       .Object(238, Builder::StandardCounters(), {{0, 1}})
                                       .Object(2, Builder::StandardCounters(), {})
                                       .Object(230, Builder::StandardCounters(), {{0, 77}})
                                       .Build()),
        WalkCase("no_instances_marker", Builder().Object(230, Builder::StandardCounters(), {{0, 11}}, -1).Build()),
        WalkCase("zero_instances", Builder().Object(230, Builder::StandardCounters(), {{0, 11}}, 0).Build()),
        WalkCase("no_id_definition", Builder().Object(230, {{6, 8}}, {{0, 11}}).Build()),
        WalkCase("no_matching_instance",
                 Builder().Object(230, Builder::StandardCounters(), {{4, 11}, {8, 12}}).Build()),
        WalkCase("header_length_past_end", Mutated([](Block& b) { Set32(b, 24, 0xFFFFFF00u); })),
        WalkCase("object_cut_short", Mutated([](Block& b) { b.resize(BUILT_OBJECT + 20); })),
        WalkCase("object_length_zero", Mutated([](Block& b) {
                     Set32(b, 28, 0xFFFFFFFFu);
                     Set32(b, BUILT_OBJECT + 12, 238);
                     Set32(b, BUILT_OBJECT, 0);
                 })),
        WalkCase("object_length_wraps", Mutated([](Block& b) {
                     Set32(b, 28, 3);
                     Set32(b, BUILT_OBJECT + 12, 238);
                     Set32(b, BUILT_OBJECT, 0xFFFFFFF0u);
                 })),
        WalkCase("definition_length_zero", Mutated([](Block& b) { Set32(b, BUILT_DEF_TIME, 0); })),
        WalkCase("definition_length_wraps", Mutated([](Block& b) { Set32(b, BUILT_DEF_TIME, 0xFFFFFFD8u); })),
        WalkCase("definitions_past_end", Mutated([](Block& b) { Set32(b, BUILT_OBJECT + 8, 0x7FFFFFFFu); })),
        WalkCase("instance_length_wraps", Mutated([](Block& b) { Set32(b, BUILT_INSTANCE0, 0xFFFFFFF8u); })),
        WalkCase("counter_block_length_zero", Mutated([](Block& b) {
                     Set32(b, BUILT_COUNTERS0 + 16, 9);
                     Set32(b, BUILT_COUNTERS0, 0);
                     Set32(b, BUILT_OBJECT + 40, 0x7FFFFFFF);
                 })),
        WalkCase("counter_block_length_wraps", Mutated([](Block& b) {
                     Set32(b, BUILT_COUNTERS0 + 16, 9);
                     Set32(b, BUILT_COUNTERS0, 0xFFFFFFF0u);
                 })),
        WalkCase("id_offset_past_end", Mutated([](Block& b) { Set32(b, BUILT_DEF_ID + 36, 0xFFFFFFFEu); })),
        WalkCase("value_crosses_end", Mutated([](Block& b) {
                     Set32(b, BUILT_DEF_TIME + 36, 20);
                     b.resize(BUILT_COUNTERS0 + 24);
                 })),
        WalkCase("huge_instance_count", Mutated([](Block& b) {
                     Set32(b, BUILT_COUNTERS0 + 16, 9);
                     Set32(b, BUILT_INSTANCE1 + 8 + 16, 9);
                     Set32(b, BUILT_OBJECT + 40, 0x7FFFFFFF);
                 })),
    };
    // Another process, a Windows family without the switches, keys that fail.
    Seed other{"samples_other_process", Script(3, 0x0u, {Success(Sample(0)), Success(Sample(1)), Success(Sample(2))})};
    other.script.dwProcessId = 4;
    other.script.nFamily = WF_NT4;
    other.script.bKeysOpen = false;
    seeds.push_back(other);
    Seed closed{"keys_closed", Script(2, 0x0u, {Success(Sample(0)), Success(Sample(1))})};
    closed.script.bKeysOpen = false;
    seeds.push_back(closed);
    // The other answers of the version query.
    Seed old{"family_9x", Script(2, 0x0u, {Success(Sample(0)), Success(Sample(1))})};
    old.script.nFamily = WF_9X;
    seeds.push_back(old);
    Seed unknown{"family_unknown", Script(2, 0x0u, {Success(Sample(0)), Success(Sample(1))})};
    unknown.script.nFamily = WF_UNKNOWN;
    seeds.push_back(unknown);
    Seed noVersion{"version_fails", Script(2, 0x0u, {Success(Sample(0)), Success(Sample(1))})};
    noVersion.script.nFamily = SCRIPT_VERSION_FAILS;
    seeds.push_back(noVersion);
    return seeds;
}

bool WriteFile(const std::string& strPath, const std::vector<uint8_t>& bytes)
{
    FILE* pFile = std::fopen(strPath.c_str(), "wb");
    if (pFile == nullptr)
        return false;
    const bool bWritten = std::fwrite(bytes.data(), 1, bytes.size(), pFile) == bytes.size();
    return std::fclose(pFile) == 0 && bWritten;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "Usage: %s <folder>\n", argv[0]);
        return 2;
    }
    for (const Seed& seed : AllSeeds()) {
        const std::vector<uint8_t> bytes = EncodePerfScript(seed.script);
        FuzzedDataProvider fdp(bytes.data(), bytes.size());
        if (!(DecodePerfScript(fdp) == seed.script)) {
            std::fprintf(stderr, "%s: the seed does not decode to its script\n", seed.strName.c_str());
            return 1;
        }
        const std::string strPath = std::string(argv[1]) + "/" + seed.strName;
        if (!WriteFile(strPath, bytes)) {
            std::perror(strPath.c_str());
            return 1;
        }
    }
    return 0;
}

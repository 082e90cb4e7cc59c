// Fuzzes the performance-data reader and the walk. The input is a script:
// the bytes, counts and results that successive queries answer, and how
// the sampler reads them (its usual ProcessUsage, or a snapshot taken and
// checked on its own). Every answer is also walked directly, from a heap
// copy of exactly its size, so that a read past its end is caught.
#include "cpu_usage.h"
#include "perf_layout.h"
#include "perf_script.h"
#include "perf_snapshot.h"
#include "perf_walk.h"
#include "scripted_source.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>

namespace {

// A heap copy of exactly the bytes given; nothing past them is readable.
std::unique_ptr<BYTE[]> ExactCopy(const BYTE* pBytes, size_t cbBytes)
{
    std::unique_ptr<BYTE[]> pCopy(new BYTE[cbBytes]);
    if (cbBytes != 0)
        std::memcpy(pCopy.get(), pBytes, cbBytes);
    return pCopy;
}

DWORD Read32(const BYTE* p)
{
    return static_cast<DWORD>(p[0]) | (static_cast<DWORD>(p[1]) << 8) | (static_cast<DWORD>(p[2]) << 16) |
           (static_cast<DWORD>(p[3]) << 24);
}

void WalkAnswer(const std::vector<BYTE>& data, const PerfScript& script)
{
    const size_t cbBlock = data.size();
    const std::unique_ptr<BYTE[]> pBlock = ExactCopy(data.data(), cbBlock);
    const BYTE* p = pBlock.get();
    FindCounterInBlock(p, cbBlock, PERF_OBJ_PROCESS, PERF_CTR_PROCESSOR_TIME, script.dwProcessId);
    FindCounterInBlock(p, cbBlock, script.dwWalkObject, script.dwWalkCounter, script.dwProcessId);
    ReadPerfTime(p, cbBlock);
    // The first object, wherever the header says it starts.
    if (cbBlock >= PDB_HEADER_LENGTH + sizeof(DWORD))
        FindInstanceValue(p, cbBlock, Read32(p + PDB_HEADER_LENGTH), PERF_CTR_PROCESSOR_TIME, script.dwProcessId);
    FindInstanceValue(p, cbBlock, script.dwWalkOffset, script.dwWalkCounter, script.dwProcessId);
}

void CheckShareArithmetic(LONGLONG llValueDiff, LONGLONG llTimeDiff)
{
    const int nPercent = ComputeUsagePercent(llValueDiff, llTimeDiff);
    FUZZ_CHECK(nPercent >= 0);
    const bool bPositive = (llValueDiff > 0 && llTimeDiff > 0) || (llValueDiff < 0 && llTimeDiff < 0);
    if (!bPositive)
        FUZZ_CHECK(nPercent == 0);
}

// One snapshot taken the way ProcessUsage takes it, then held against what
// the source answered.
void CheckedSnapshot(DWORD dwProcessId)
{
    PerfSnapshotView view = {nullptr, 0};
    const LONGLONG llValue = FindProcessCounter(PERF_OBJ_PROCESS, PERF_CTR_PROCESSOR_TIME, dwProcessId, view);
    const QueryTally& tally = GetQueryTally();
    const DWORD cbCapacity = GetPerfSnapshotCapacity();
    FUZZ_CHECK(tally.bAnswered);
    FUZZ_CHECK(view.pData != nullptr && view.cbData <= cbCapacity);

    // A failed snapshot is empty, never what an earlier answer left.
    if (tally.lLastResult != ERROR_SUCCESS) {
        FUZZ_CHECK(view.cbData == 0);
        FUZZ_CHECK(llValue == 0);
        return;
    }
    FUZZ_CHECK(view.cbData == std::min(tally.dwLastCount, cbCapacity));
    const ScriptedAnswer* pAnswer = tally.pLastAnswer;
    if (pAnswer != nullptr && pAnswer->nKind == PAK_SUCCESS) {
        FUZZ_CHECK(view.cbData == pAnswer->data.size());
        FUZZ_CHECK(view.cbData == 0 || std::memcmp(view.pData, pAnswer->data.data(), view.cbData) == 0);
    }

    // The walk over the snapshot gives what it gives over an exact copy.
    const std::unique_ptr<BYTE[]> pCopy = ExactCopy(view.pData, view.cbData);
    FUZZ_CHECK(FindCounterInBlock(pCopy.get(), view.cbData, PERF_OBJ_PROCESS, PERF_CTR_PROCESSOR_TIME, dwProcessId) ==
               llValue);
}

void SampleThroughTheSource(const PerfScript& script)
{
    StartScriptedSource(script);
    {
        CCpuUsage usage;
        for (int nStep = 0; nStep < script.nSteps; ++nStep) {
            ResetQueryTally();
            if ((script.uCheckedSteps >> nStep) & 1u)
                CheckedSnapshot(script.dwProcessId);
            else
                FUZZ_CHECK(usage.ProcessUsage(script.dwProcessId) >= 0);
            // However the source answers, the retries and the buffer stay bounded.
            FUZZ_CHECK(GetQueryTally().nQueries <= PERF_MAX_RETRIES + 1);
            FUZZ_CHECK(GetPerfSnapshotCapacity() <= PERF_BUFFER_LIMIT);
        }
        usage.SetCounterCollection(FALSE);
    }
    FUZZ_CHECK(OpenKeyCount() == 0);
    // The next input starts without a buffer, as a new process would.
    ReleasePerfSnapshot();
    StopScriptedSource();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t cbData)
{
    FuzzedDataProvider fdp(pData, cbData);
    const PerfScript script = DecodePerfScript(fdp);
    for (const ScriptedAnswer& answer : script.answers)
        WalkAnswer(answer.data, script);
    CheckShareArithmetic(script.llValueDiff, script.llTimeDiff);
    SampleThroughTheSource(script);
    return 0;
}

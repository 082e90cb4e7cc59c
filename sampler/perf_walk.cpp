#include "perf_walk.h"

#include "perf_layout.h"

#include <climits>
#include <cmath>

namespace {

// Little-endian reads that need no alignment; the caller has checked the range.
DWORD Read32(const BYTE* p)
{
    return static_cast<DWORD>(p[0]) | (static_cast<DWORD>(p[1]) << 8) | (static_cast<DWORD>(p[2]) << 16) |
           (static_cast<DWORD>(p[3]) << 24);
}

LONGLONG Read64(const BYTE* p)
{
    const unsigned long long ull =
        static_cast<unsigned long long>(Read32(p)) | (static_cast<unsigned long long>(Read32(p + 4)) << 32);
    return static_cast<LONGLONG>(ull);
}

// True when len bytes at off lie inside a block of size bytes.
bool Fits(size_t size, size_t off, size_t len)
{
    return !(off > size || len > size - off);
}

// Moves off on by len when the result stays inside the block; written so
// that it cannot wrap, even with a 32-bit size_t.
bool Advance(size_t size, size_t& off, size_t len)
{
    if (off > size || len > size - off)
        return false;
    off += len;
    return true;
}

}  // namespace

LONGLONG FindInstanceValue(const BYTE* pBlock, size_t cbBlock, size_t cbObject, DWORD dwCounterIndex, DWORD dwProcessId)
{
    if (!Fits(cbBlock, cbObject, POT_MIN_SIZE))
        return COUNTER_NOT_FOUND;
    const BYTE* pObject = pBlock + cbObject;
    const size_t cbRest = cbBlock - cbObject;  // bytes from the object to the end

    // The counter definitions: remember the ID Process one and the wanted one.
    bool bHaveId = false;
    bool bHaveCounter = false;
    DWORD dwIdOffset = 0;
    DWORD dwCounterOffset = 0;
    size_t cbDef = Read32(pObject + POT_HEADER_LENGTH);  // checked before each use
    const DWORD dwNumCounters = Read32(pObject + POT_NUM_COUNTERS);
    for (DWORD i = 0; i < dwNumCounters && !(bHaveId && bHaveCounter); ++i) {
        if (!Fits(cbRest, cbDef, PCD_MIN_SIZE))
            break;
        const BYTE* pDef = pObject + cbDef;
        const DWORD dwIndex = Read32(pDef + PCD_COUNTER_NAME_TITLE_INDEX);
        if (dwIndex == PERF_CTR_ID_PROCESS) {
            dwIdOffset = Read32(pDef + PCD_COUNTER_OFFSET);
            bHaveId = true;
        }
        if (dwIndex == dwCounterIndex) {
            dwCounterOffset = Read32(pDef + PCD_COUNTER_OFFSET);
            bHaveCounter = true;
        }
        const DWORD dwLength = Read32(pDef + PCD_BYTE_LENGTH);
        if (dwLength == 0 || !Advance(cbRest, cbDef, dwLength))
            break;
    }

    const LONG lNumInstances = static_cast<LONG>(Read32(pObject + POT_NUM_INSTANCES));
    if (lNumInstances < 1 || !bHaveId || !bHaveCounter)
        return COUNTER_NOT_FOUND;

    size_t cbInstance = Read32(pObject + POT_DEFINITION_LENGTH);
    for (LONG i = 0; i < lNumInstances; ++i) {
        if (!Fits(cbRest, cbInstance, PID_MIN_SIZE))
            return COUNTER_NOT_FOUND;
        size_t cbCounters = cbInstance;
        if (!Advance(cbRest, cbCounters, Read32(pObject + cbInstance + PID_BYTE_LENGTH)) ||
            !Fits(cbRest, cbCounters, PCB_MIN_SIZE) || !Fits(cbRest - cbCounters, dwIdOffset, sizeof(DWORD)))
            return COUNTER_NOT_FOUND;
        const BYTE* pCounters = pObject + cbCounters;
        if (Read32(pCounters + dwIdOffset) == dwProcessId) {
            if (!Fits(cbRest - cbCounters, dwCounterOffset, sizeof(LONGLONG)))
                return COUNTER_NOT_FOUND;
            return Read64(pCounters + dwCounterOffset);
        }
        const DWORD dwLength = Read32(pCounters + PCB_BYTE_LENGTH);
        cbInstance = cbCounters;
        if (dwLength == 0 || !Advance(cbRest, cbInstance, dwLength))
            return COUNTER_NOT_FOUND;
    }
    return COUNTER_NOT_FOUND;
}

LONGLONG FindCounterInBlock(const BYTE* pBlock, size_t cbBlock, DWORD dwObjectIndex, DWORD dwCounterIndex,
                            DWORD dwProcessId)
{
    if (!Fits(cbBlock, 0, PDB_NUM_OBJECT_TYPES + sizeof(DWORD)))
        return 0;
    size_t cbObject = Read32(pBlock + PDB_HEADER_LENGTH);
    const DWORD dwNumObjects = Read32(pBlock + PDB_NUM_OBJECT_TYPES);
    for (DWORD i = 0; i < dwNumObjects; ++i) {
        if (!Fits(cbBlock, cbObject, POT_MIN_SIZE))
            return 0;
        const BYTE* pObject = pBlock + cbObject;
        if (Read32(pObject + POT_OBJECT_NAME_TITLE_INDEX) == dwObjectIndex)
            return FindInstanceValue(pBlock, cbBlock, cbObject, dwCounterIndex, dwProcessId);
        const DWORD dwLength = Read32(pObject + POT_TOTAL_BYTE_LENGTH);
        if (dwLength == 0 || !Advance(cbBlock, cbObject, dwLength))
            return 0;
    }
    return 0;
}

LONGLONG ReadPerfTime(const BYTE* pBlock, size_t cbBlock)
{
    if (!Fits(cbBlock, PDB_PERF_TIME_100NSEC, sizeof(LONGLONG)))
        return 0;
    return Read64(pBlock + PDB_PERF_TIME_100NSEC);
}

int ComputeUsagePercent(LONGLONG llValueDiff, LONGLONG llTimeDiff)
{
    // Each step rounds to double on its own, so 29 over 100 gives 28.
    const double dQuotient = static_cast<double>(llValueDiff) / static_cast<double>(llTimeDiff);
    if (!std::isfinite(dQuotient))  // a zero time difference
        return 0;
    const double dPercent = dQuotient * 100.0;
    if (!(dPercent > 0.0))
        return 0;
    if (dPercent >= 2147483648.0)
        return INT_MAX;
    return static_cast<int>(dPercent);
}

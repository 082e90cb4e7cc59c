#include "perf_snapshot.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// The one buffer that every query of the process fills.
struct PerfDataBuffer {
    BYTE* m_pData;
    DWORD m_cbAlloc;
    // Bytes from the start that may be other than zero. The whole buffer is
    // zero before every snapshot; only what the last query may have written
    // needs clearing, which spares a 100 KB fill every second.
    DWORD m_cbDirty;
};

PerfDataBuffer PerfDataSnapshot = {nullptr, 0, 0};

bool AllocatePerfSnapshot()
{
    static bool s_bReleaseRegistered = false;
    PerfDataSnapshot.m_pData = static_cast<BYTE*>(std::malloc(PERF_BUFFER_INITIAL));
    if (PerfDataSnapshot.m_pData == nullptr)
        return false;
    PerfDataSnapshot.m_cbAlloc = PERF_BUFFER_INITIAL;
    PerfDataSnapshot.m_cbDirty = PERF_BUFFER_INITIAL;
    if (!s_bReleaseRegistered)
        s_bReleaseRegistered = std::atexit(ReleasePerfSnapshot) == 0;
    return true;
}

// Resizes to the reported count plus one step; on failure the old buffer stays.
bool GrowPerfSnapshot(DWORD cbReported)
{
    if (cbReported > PERF_BUFFER_LIMIT - PERF_BUFFER_STEP)
        return false;
    const DWORD cbNew = cbReported + PERF_BUFFER_STEP;
    void* pNew = std::realloc(PerfDataSnapshot.m_pData, cbNew);
    if (pNew == nullptr)
        return false;
    PerfDataSnapshot.m_pData = static_cast<BYTE*>(pNew);
    PerfDataSnapshot.m_cbAlloc = cbNew;
    return true;
}

}  // namespace

PerfSnapshotView ReadPerfSnapshot(DWORD dwObjectIndex)
{
    if (PerfDataSnapshot.m_pData == nullptr && !AllocatePerfSnapshot())
        return PerfSnapshotView{nullptr, 0};

    char szValueName[16];
    std::snprintf(szValueName, sizeof(szValueName), "%lu", static_cast<unsigned long>(dwObjectIndex));

    std::memset(PerfDataSnapshot.m_pData, 0, PerfDataSnapshot.m_cbDirty);
    // Until a query has answered in full, it may have written anywhere.
    PerfDataSnapshot.m_cbDirty = PerfDataSnapshot.m_cbAlloc;
    DWORD cbData = PerfDataSnapshot.m_cbAlloc;
    LONG lResult =
        RegQueryValueExA(HKEY_PERFORMANCE_DATA, szValueName, nullptr, nullptr, PerfDataSnapshot.m_pData, &cbData);
    const LONG lFirstResult = lResult;
    for (int nRetry = 0; lResult == ERROR_MORE_DATA; ++nRetry) {
        if (nRetry == PERF_MAX_RETRIES || !GrowPerfSnapshot(cbData))
            break;
        cbData = PerfDataSnapshot.m_cbAlloc;
        PerfDataSnapshot.m_cbDirty = PerfDataSnapshot.m_cbAlloc;  // the resized part is not zeroed
        lResult =
            RegQueryValueExA(HKEY_PERFORMANCE_DATA, szValueName, nullptr, nullptr, PerfDataSnapshot.m_pData, &cbData);
    }

    // A failed snapshot reads as empty, never as what an earlier answer left.
    if (lResult != ERROR_SUCCESS)
        return PerfSnapshotView{PerfDataSnapshot.m_pData, 0};
    if (cbData > PerfDataSnapshot.m_cbAlloc)
        cbData = PerfDataSnapshot.m_cbAlloc;
    // Answers before a resize may have written past this one's end.
    if (lFirstResult == ERROR_SUCCESS)
        PerfDataSnapshot.m_cbDirty = cbData;
    return PerfSnapshotView{PerfDataSnapshot.m_pData, cbData};
}

DWORD GetPerfSnapshotCapacity()
{
    return PerfDataSnapshot.m_cbAlloc;
}

void ReleasePerfSnapshot()
{
    std::free(PerfDataSnapshot.m_pData);
    PerfDataSnapshot.m_pData = nullptr;
    PerfDataSnapshot.m_cbAlloc = 0;
    PerfDataSnapshot.m_cbDirty = 0;
}

#include "scripted_source.h"

#include <cstring>

namespace {

struct ScriptedSource {
    const std::vector<BYTE>* pBlock;
    bool bMoreDataFirst;
    bool bMoreDataGiven;  // the snapshot under way has had its ERROR_MORE_DATA
    unsigned long long ullQueries;
};

ScriptedSource g_source = {nullptr, false, false, 0};

}  // namespace

void ScriptPerfSource(const std::vector<BYTE>* pBlock, bool bMoreDataFirst)
{
    g_source = ScriptedSource{pBlock, bMoreDataFirst, false, 0};
}

unsigned long long ScriptedQueryCount()
{
    return g_source.ullQueries;
}

// The one call of the contract that the snapshot reader makes.
LONG RegQueryValueExA(HKEY hKey, LPCSTR, LPDWORD, LPDWORD, LPBYTE lpData, LPDWORD lpcbData)
{
    ++g_source.ullQueries;
    if (hKey != HKEY_PERFORMANCE_DATA || g_source.pBlock == nullptr || lpcbData == nullptr)
        return ERROR_FILE_NOT_FOUND;
    const DWORD cbBlock = static_cast<DWORD>(g_source.pBlock->size());
    const bool bMoreData = g_source.bMoreDataFirst && !g_source.bMoreDataGiven;
    g_source.bMoreDataGiven = bMoreData;
    if (bMoreData || lpData == nullptr || *lpcbData < cbBlock) {
        *lpcbData = cbBlock;
        return ERROR_MORE_DATA;
    }
    std::memcpy(lpData, g_source.pBlock->data(), cbBlock);
    *lpcbData = cbBlock;
    return ERROR_SUCCESS;
}

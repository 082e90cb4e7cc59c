#include "scripted_source.h"

#include "cpu_usage.h"
#include "perf_snapshot.h"

#include <algorithm>
#include <cstring>

namespace {

struct ScriptedSource {
    const PerfScript* pScript;
    size_t iNextAnswer;
    QueryTally tally;
    int nOpenKeys;
};

ScriptedSource g_source = {};

// Distinct handles for the two Performance keys; only their addresses count.
char g_achKeys[2];

bool IsOurKey(HKEY hKey)
{
    return reinterpret_cast<char*>(hKey) == &g_achKeys[0] || reinterpret_cast<char*>(hKey) == &g_achKeys[1];
}

// Writes as much of the answer's bytes as the caller's buffer holds.
void WriteAnswerBytes(const ScriptedAnswer& answer, LPBYTE lpData, DWORD cbBuffer)
{
    const size_t cbCopy = std::min<size_t>(answer.data.size(), cbBuffer);
    if (cbCopy != 0)
        std::memcpy(lpData, answer.data.data(), cbCopy);
}

LONG Answer(const ScriptedAnswer& answer, LPBYTE lpData, LPDWORD lpcbData)
{
    const DWORD cbBuffer = *lpcbData;
    WriteAnswerBytes(answer, lpData, cbBuffer);
    switch (answer.nKind) {
    case PAK_SUCCESS:
        *lpcbData = static_cast<DWORD>(answer.data.size());
        return answer.data.size() > cbBuffer ? ERROR_MORE_DATA : ERROR_SUCCESS;
    case PAK_SUCCESS_COUNT:
        *lpcbData = answer.dwValue;
        return ERROR_SUCCESS;
    case PAK_MORE_DATA:
        *lpcbData = answer.dwValue;
        return ERROR_MORE_DATA;
    default:
        return static_cast<LONG>(answer.dwValue);
    }
}

}  // namespace

void StartScriptedSource(const PerfScript& script)
{
    g_source = ScriptedSource{};
    g_source.pScript = &script;
}

void StopScriptedSource()
{
    g_source = ScriptedSource{};
}

void ResetQueryTally()
{
    g_source.tally = QueryTally{};
}

const QueryTally& GetQueryTally()
{
    return g_source.tally;
}

int OpenKeyCount()
{
    return g_source.nOpenKeys;
}

LONG RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData,
                      LPDWORD lpcbData)
{
    FUZZ_CHECK(g_source.pScript != nullptr);
    FUZZ_CHECK(hKey == HKEY_PERFORMANCE_DATA);
    FUZZ_CHECK(lpValueName != nullptr && std::strcmp(lpValueName, "230") == 0);
    FUZZ_CHECK(lpReserved == nullptr && lpType == nullptr);
    FUZZ_CHECK(lpData != nullptr && lpcbData != nullptr);
    // The size handed in is the buffer's own: its last byte must be there.
    FUZZ_CHECK(*lpcbData != 0 && *lpcbData <= GetPerfSnapshotCapacity());
    volatile BYTE* pLast = lpData + (*lpcbData - 1);
    *pLast = *pLast;

    QueryTally& tally = g_source.tally;
    ++tally.nQueries;
    tally.bAnswered = true;
    const std::vector<ScriptedAnswer>& answers = g_source.pScript->answers;
    if (g_source.iNextAnswer == answers.size()) {
        tally.pLastAnswer = nullptr;
        tally.lLastResult = ERROR_FILE_NOT_FOUND;
    } else {
        tally.pLastAnswer = &answers[g_source.iNextAnswer++];
        tally.lLastResult = Answer(*tally.pLastAnswer, lpData, lpcbData);
    }
    tally.dwLastCount = *lpcbData;
    return tally.lLastResult;
}

BOOL GetVersionExA(LPOSVERSIONINFOA lpVersionInformation)
{
    FUZZ_CHECK(g_source.pScript != nullptr);
    FUZZ_CHECK(lpVersionInformation->dwOSVersionInfoSize == sizeof(OSVERSIONINFOA));
    switch (g_source.pScript->nFamily) {
    case WF_NT4:
        lpVersionInformation->dwPlatformId = VER_PLATFORM_WIN32_NT;
        lpVersionInformation->dwMajorVersion = 4;
        return TRUE;
    case WF_NT_OTHER:
        lpVersionInformation->dwPlatformId = VER_PLATFORM_WIN32_NT;
        lpVersionInformation->dwMajorVersion = 5;
        return TRUE;
    case WF_9X:
        lpVersionInformation->dwPlatformId = VER_PLATFORM_WIN32_WINDOWS;
        lpVersionInformation->dwMajorVersion = 4;
        return TRUE;
    case WF_UNKNOWN:
        lpVersionInformation->dwPlatformId = 0;  // neither family
        lpVersionInformation->dwMajorVersion = 3;
        return TRUE;
    default:
        return FALSE;
    }
}

LONG RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, REGSAM, PHKEY phkResult)
{
    FUZZ_CHECK(g_source.pScript != nullptr);
    FUZZ_CHECK(hKey == HKEY_LOCAL_MACHINE && lpSubKey != nullptr && phkResult != nullptr);
    if (!g_source.pScript->bKeysOpen)
        return ERROR_ACCESS_DENIED;
    *phkResult = reinterpret_cast<HKEY>(&g_achKeys[g_source.nOpenKeys % 2]);
    ++g_source.nOpenKeys;
    return ERROR_SUCCESS;
}

LONG RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD, DWORD dwType, const BYTE* lpData, DWORD cbData)
{
    FUZZ_CHECK(IsOurKey(hKey) && lpValueName != nullptr);
    FUZZ_CHECK(dwType == REG_DWORD && cbData == sizeof(DWORD) && lpData != nullptr);
    FUZZ_CHECK(lpData[0] <= 1 && lpData[1] == 0 && lpData[2] == 0 && lpData[3] == 0);
    return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY hKey)
{
    FUZZ_CHECK(IsOurKey(hKey) && g_source.nOpenKeys > 0);
    --g_source.nOpenKeys;
    return ERROR_SUCCESS;
}

#include "fake_winapi.h"

#include "perf_block_builder.h"
#include "platform.h"

#include <algorithm>
#include <cstring>

namespace {

const std::string HKLM_PREFIX = "HKLM\\";

struct FakeKey {
    std::string strPath;
};

std::string KeyPath(HKEY hKey)
{
    return reinterpret_cast<FakeKey*>(hKey)->strPath;
}

LONG OpenFakeKey(const char* pszCall, HKEY hRoot, LPCSTR lpSubKey, PHKEY phkResult)
{
    CFakeSystem& fake = CFakeSystem::Get();
    const std::string strPath = HKLM_PREFIX + lpSubKey;
    fake.Log(std::string(pszCall) + " " + strPath);
    if (hRoot != HKEY_LOCAL_MACHINE)
        return ERROR_FILE_NOT_FOUND;
    const auto itError = fake.m_openErrors.find(strPath);
    if (itError != fake.m_openErrors.end())
        return itError->second;
    if (fake.m_registry.find(strPath) == fake.m_registry.end())
        return ERROR_FILE_NOT_FOUND;
    *phkResult = reinterpret_cast<HKEY>(new FakeKey{strPath});
    ++fake.m_nOpenKeys;
    return ERROR_SUCCESS;
}

ssize_t WriteConsoleCookie(void*, const char* pBuffer, size_t cbBuffer)
{
    CFakeSystem::Get().Log("out:" + std::string(pBuffer, cbBuffer));
    return static_cast<ssize_t>(cbBuffer);
}

}  // namespace

CFakeSystem& CFakeSystem::Get()
{
    static CFakeSystem s_fake;
    return s_fake;
}

void CFakeSystem::Reset()
{
    *this = CFakeSystem();
    m_registry[HKLM_PREFIX + "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run"];
    m_registry[HKLM_PREFIX + "SYSTEM\\CurrentControlSet\\Services\\PerfOS\\Performance"];
    m_registry[HKLM_PREFIX + "SYSTEM\\CurrentControlSet\\Services\\PerfProc\\Performance"];
}

std::vector<std::string> CFakeSystem::EventsStartingWith(const std::string& strPrefix) const
{
    std::vector<std::string> found;
    for (const std::string& strEvent : m_events)
        if (strEvent.compare(0, strPrefix.size(), strPrefix) == 0)
            found.push_back(strEvent);
    return found;
}

std::string CFakeSystem::ConsoleText() const
{
    std::string strText;
    for (const std::string& strEvent : EventsStartingWith("out:"))
        strText += strEvent.substr(4);
    return strText;
}

void CFakeSystem::AddProcessSample(LONGLONG llIdleValue, LONGLONG llTime)
{
    m_perfAnswers.push_back({ERROR_SUCCESS, CPerfBlockBuilder::ProcessBlock(llIdleValue, llTime), 0});
}

void CFakeSystem::ScriptShares(const std::vector<int>& shares)
{
    const LONGLONG llSecond = 10000000;  // in 100-ns units
    LONGLONG llValue = 5 * llSecond;
    LONGLONG llTime = 7 * llSecond;
    AddProcessSample(llValue, llTime);
    for (int nShare : shares) {
        llValue += nShare * (llSecond / 100);
        llTime += llSecond;
        AddProcessSample(llValue, llTime);
    }
}

FILE* CFakeSystem::OpenConsoleStream()
{
    cookie_io_functions_t functions = {};
    functions.write = WriteConsoleCookie;
    FILE* pStream = fopencookie(nullptr, "w", functions);
    // Fully buffered, so that only flushes reach the log, as on a file.
    setvbuf(pStream, nullptr, _IOFBF, 1 << 16);
    return pStream;
}

// The contract, answered from the script.

LONG RegOpenKeyA(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult)
{
    return OpenFakeKey("RegOpenKeyA", hKey, lpSubKey, phkResult);
}

LONG RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, REGSAM samDesired, PHKEY phkResult)
{
    CFakeSystem::Get().Log("access " + std::to_string(samDesired));
    return OpenFakeKey("RegOpenKeyExA", hKey, lpSubKey, phkResult);
}

LONG RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD, DWORD dwType, const BYTE* lpData, DWORD cbData)
{
    CFakeSystem& fake = CFakeSystem::Get();
    fake.Log("RegSetValueExA " + KeyPath(hKey) + " " + lpValueName + " type " + std::to_string(dwType) + " size " +
             std::to_string(cbData));
    if (fake.m_lSetError != ERROR_SUCCESS)
        return fake.m_lSetError;
    fake.m_registry[KeyPath(hKey)][lpValueName] = FakeRegValue{dwType, std::vector<BYTE>(lpData, lpData + cbData)};
    return ERROR_SUCCESS;
}

LONG RegDeleteValueA(HKEY hKey, LPCSTR lpValueName)
{
    CFakeSystem& fake = CFakeSystem::Get();
    fake.Log("RegDeleteValueA " + KeyPath(hKey) + " " + lpValueName);
    if (fake.m_lDeleteError != ERROR_SUCCESS)
        return fake.m_lDeleteError;
    return fake.m_registry[KeyPath(hKey)].erase(lpValueName) == 1 ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
}

LONG RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD, LPDWORD, LPBYTE lpData, LPDWORD lpcbData)
{
    CFakeSystem& fake = CFakeSystem::Get();
    ++fake.m_nPerfQueries;
    fake.Log(std::string("RegQueryValueExA ") + lpValueName + " size " + std::to_string(*lpcbData));
    fake.m_queryBufferWasZero.push_back(std::all_of(lpData, lpData + *lpcbData, [](BYTE b) { return b == 0; }));
    if (hKey != HKEY_PERFORMANCE_DATA || fake.m_perfAnswers.empty())
        return ERROR_FILE_NOT_FOUND;
    FakePerfAnswer answer = fake.m_perfAnswers.front();
    fake.m_perfAnswers.pop_front();
    // A failing source may still have scribbled over the buffer.
    if (answer.lResult != ERROR_SUCCESS && answer.data.size() <= *lpcbData)
        std::copy(answer.data.begin(), answer.data.end(), lpData);
    if (answer.lResult == ERROR_MORE_DATA) {
        *lpcbData = answer.cbReported;
        return ERROR_MORE_DATA;
    }
    if (answer.lResult != ERROR_SUCCESS)
        return answer.lResult;
    if (answer.data.size() > *lpcbData) {
        *lpcbData = static_cast<DWORD>(answer.data.size());
        return ERROR_MORE_DATA;
    }
    std::copy(answer.data.begin(), answer.data.end(), lpData);
    *lpcbData = static_cast<DWORD>(answer.data.size());
    return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY hKey)
{
    CFakeSystem& fake = CFakeSystem::Get();
    fake.Log("RegCloseKey " + KeyPath(hKey));
    delete reinterpret_cast<FakeKey*>(hKey);
    --fake.m_nOpenKeys;
    return ERROR_SUCCESS;
}

BOOL GetVersionExA(LPOSVERSIONINFOA lpVersionInformation)
{
    CFakeSystem& fake = CFakeSystem::Get();
    if (!fake.m_bVersionOk || lpVersionInformation->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA))
        return FALSE;
    lpVersionInformation->dwPlatformId = fake.m_dwPlatformId;
    lpVersionInformation->dwMajorVersion = fake.m_dwMajorVersion;
    return TRUE;
}

DWORD GetTickCount()
{
    CFakeSystem& fake = CFakeSystem::Get();
    if (!fake.m_ticks.empty()) {
        fake.m_dwLastTick = fake.m_ticks.front();
        fake.m_ticks.pop_front();
    }
    fake.Log("GetTickCount " + std::to_string(fake.m_dwLastTick));
    return fake.m_dwLastTick;
}

void Sleep(DWORD dwMilliseconds)
{
    CFakeSystem::Get().Log("Sleep " + std::to_string(dwMilliseconds));
}

namespace {
DWORD g_dwLastError = 0;
}

DWORD GetLastError()
{
    return g_dwLastError;
}

DWORD GetModuleFileNameA(HMODULE, LPSTR lpFilename, DWORD nSize)
{
    CFakeSystem& fake = CFakeSystem::Get();
    fake.Log("GetModuleFileNameA");
    const std::string& strPath = fake.m_strModulePath;
    const size_t cchCopy = std::min<size_t>(strPath.size(), nSize - 1);
    std::memcpy(lpFilename, strPath.data(), cchCopy);
    lpFilename[cchCopy] = '\0';
    if (fake.m_dwModuleResult != 0)
        return fake.m_dwModuleResult;
    return strPath.size() >= nSize ? nSize : static_cast<DWORD>(strPath.size());
}

int MessageBoxA(HWND, LPCSTR lpText, LPCSTR lpCaption, UINT uType)
{
    CFakeSystem& fake = CFakeSystem::Get();
    fake.Log(std::string("MessageBoxA [") + lpCaption + "] " + lpText + " style " + std::to_string(uType));
    if (!fake.m_boxAnswers.empty()) {
        const int nAnswer = fake.m_boxAnswers.front();
        fake.m_boxAnswers.pop_front();
        return nAnswer;
    }
    return (uType & MB_YESNO) != 0 ? IDNO : IDOK;
}

HINSTANCE ShellExecuteA(HWND, LPCSTR lpOperation, LPCSTR lpFile, LPCSTR lpParameters, LPCSTR lpDirectory, int nShowCmd)
{
    CFakeSystem::Get().Log(std::string("ShellExecuteA ") + lpOperation + " " + lpFile + " " +
                           (lpParameters != nullptr ? lpParameters : "-") + " " +
                           (lpDirectory != nullptr ? lpDirectory : "-") + " " + std::to_string(nShowCmd));
    return reinterpret_cast<HINSTANCE>(static_cast<std::uintptr_t>(42));
}

HANDLE GetCurrentProcess()
{
    return reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(-1));
}

BOOL OpenProcessToken(HANDLE, DWORD DesiredAccess, PHANDLE TokenHandle)
{
    CFakeSystem& fake = CFakeSystem::Get();
    fake.Log("OpenProcessToken " + std::to_string(DesiredAccess));
    if (!fake.m_bOpenTokenOk)
        return FALSE;
    *TokenHandle = reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(7));
    return TRUE;
}

BOOL LookupPrivilegeValueA(LPCSTR lpSystemName, LPCSTR lpName, PLUID lpLuid)
{
    CFakeSystem::Get().Log(std::string("LookupPrivilegeValueA ") + (lpSystemName ? lpSystemName : "-") + " " + lpName);
    lpLuid->LowPart = 19;
    lpLuid->HighPart = 0;
    return TRUE;
}

BOOL AdjustTokenPrivileges(HANDLE, BOOL DisableAllPrivileges, PTOKEN_PRIVILEGES NewState, DWORD, PTOKEN_PRIVILEGES,
                           LPDWORD)
{
    CFakeSystem& fake = CFakeSystem::Get();
    fake.Log("AdjustTokenPrivileges disableAll " + std::to_string(DisableAllPrivileges) + " count " +
             std::to_string(NewState->PrivilegeCount) + " luid " +
             std::to_string(NewState->Privileges[0].Luid.LowPart) + " attributes " +
             std::to_string(NewState->Privileges[0].Attributes));
    g_dwLastError = fake.m_dwAdjustError;
    return fake.m_bAdjustOk;
}

BOOL ExitWindowsEx(UINT uFlags, DWORD dwReason)
{
    CFakeSystem& fake = CFakeSystem::Get();
    fake.Log("ExitWindowsEx " + std::to_string(uFlags) + " " + std::to_string(dwReason));
    return fake.m_bExitOk;
}

BOOL CloseHandle(HANDLE)
{
    CFakeSystem::Get().Log("CloseHandle");
    return TRUE;
}

// The platform header.

DWORD GetLogicalProcessorCount()
{
    return CFakeSystem::Get().m_dwProcessors;
}

void PrepareConsoleOutput() {}

void WaitForKeyPress()
{
    CFakeSystem::Get().Log("WaitForKeyPress");
}

const char* AutostartEntryLocation()
{
    return "<autostart folder>/WinVantrel";
}

const char* AdministratorAccountName()
{
    return "the administrator";
}

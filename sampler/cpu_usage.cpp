#include "cpu_usage.h"

#include "registry_access.h"

CCpuUsage::CCpuUsage() : m_bFirstSample(true), m_llLastValue(0), m_llLastTime(0) {}

CCpuUsage::~CCpuUsage() = default;

int CCpuUsage::ProcessUsage(DWORD dwProcessId)
{
    if (m_bFirstSample)
        SetCounterCollection(TRUE);

    PerfSnapshotView view = {nullptr, 0};
    const LONGLONG llValue = FindProcessCounter(PERF_OBJ_PROCESS, PERF_CTR_PROCESSOR_TIME, dwProcessId, view);
    const LONGLONG llTime = ReadPerfTime(view.pData, view.cbData);

    if (m_bFirstSample) {
        m_llLastValue = llValue;
        m_llLastTime = llTime;
        m_bFirstSample = false;
        return 0;
    }

    // Differences taken in unsigned arithmetic, so that wild values from the
    // source wrap instead of overflowing.
    const LONGLONG llValueDiff = static_cast<LONGLONG>(static_cast<unsigned long long>(llValue) -
                                                       static_cast<unsigned long long>(m_llLastValue));
    const LONGLONG llTimeDiff =
        static_cast<LONGLONG>(static_cast<unsigned long long>(llTime) - static_cast<unsigned long long>(m_llLastTime));
    m_llLastValue = llValue;
    m_llLastTime = llTime;
    return ComputeUsagePercent(llValueDiff, llTimeDiff);
}

bool CCpuUsage::SetCounterCollection(BOOL bEnable)
{
    if (ClassifyWindows() != WF_NT_OTHER)
        return true;

    const DWORD dwDisable = bEnable ? 0 : 1;
    const char* const apszKeys[] = {PERFOS_KEY_PATH, PERFPROC_KEY_PATH};
    for (const char* pszKey : apszKeys) {
        HKEY hKey = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, pszKey, 0, KEY_READ | KEY_WRITE, &hKey) != ERROR_SUCCESS)
            return false;
        RegSetValueExA(hKey, DISABLE_COUNTERS_VALUE, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dwDisable),
                       sizeof(dwDisable));
        RegCloseKey(hKey);
    }
    return true;
}

WindowsFamily ClassifyWindows()
{
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof(info);
    if (!GetVersionExA(&info))
        return WF_UNKNOWN;
    if (info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS)
        return WF_9X;
    if (info.dwPlatformId == VER_PLATFORM_WIN32_NT)
        return info.dwMajorVersion == 4 ? WF_NT4 : WF_NT_OTHER;
    return WF_UNKNOWN;
}

LONGLONG FindProcessCounter(DWORD dwObjectIndex, DWORD dwCounterIndex, DWORD dwProcessId, PerfSnapshotView& view)
{
    view = ReadPerfSnapshot(dwObjectIndex);
    return FindCounterInBlock(view.pData, view.cbData, dwObjectIndex, dwCounterIndex, dwProcessId);
}

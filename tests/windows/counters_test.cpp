// The sampler against what the system really answers: the counter switches
// and a performance data query of the Process object.
#include "cpu_usage.h"
#include "perf_layout.h"
#include "registry_access.h"
#include "wine_only.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

bool CanOpenForWrite(const char* pszKey)
{
    HKEY hKey = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, pszKey, 0, KEY_READ | KEY_WRITE, &hKey) != ERROR_SUCCESS)
        return false;
    RegCloseKey(hKey);
    return true;
}

LONG ReadSwitch(const char* pszKey, DWORD& dwType, DWORD& dwValue)
{
    HKEY hKey = nullptr;
    LONG lResult = RegOpenKeyExA(HKEY_LOCAL_MACHINE, pszKey, 0, KEY_READ, &hKey);
    if (lResult != ERROR_SUCCESS)
        return lResult;
    DWORD cbValue = sizeof(dwValue);
    lResult =
        RegQueryValueExA(hKey, DISABLE_COUNTERS_VALUE, nullptr, &dwType, reinterpret_cast<BYTE*>(&dwValue), &cbValue);
    RegCloseKey(hKey);
    return lResult;
}

// Creates a key path level by level and removes, on destruction, exactly
// the levels that it created.
class CScratchKeyPath {
public:
    explicit CScratchKeyPath(const std::string& strPath) : m_bOk(true)
    {
        std::string strSoFar;
        size_t nStart = 0;
        while (m_bOk && nStart <= strPath.size()) {
            size_t nEnd = strPath.find('\\', nStart);
            if (nEnd == std::string::npos)
                nEnd = strPath.size();
            strSoFar = strPath.substr(0, nEnd);
            HKEY hKey = nullptr;
            DWORD dwDisposition = 0;
            m_bOk = RegCreateKeyExA(HKEY_LOCAL_MACHINE, strSoFar.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                                    &hKey, &dwDisposition) == ERROR_SUCCESS;
            if (m_bOk) {
                RegCloseKey(hKey);
                if (dwDisposition == REG_CREATED_NEW_KEY)
                    m_created.push_back(strSoFar);
            }
            nStart = nEnd + 1;
        }
    }
    ~CScratchKeyPath()
    {
        for (auto it = m_created.rbegin(); it != m_created.rend(); ++it)
            RegDeleteKeyA(HKEY_LOCAL_MACHINE, it->c_str());
    }
    CScratchKeyPath(const CScratchKeyPath&) = delete;
    CScratchKeyPath& operator=(const CScratchKeyPath&) = delete;

    bool IsOk() const { return m_bOk; }

private:
    bool m_bOk;
    std::vector<std::string> m_created;
};

TEST(WindowsFamily, EverySupportedWindowsIsAnNtSystemAfterNt4)
{
    EXPECT_EQ(ClassifyWindows(), WF_NT_OTHER);
}

using CounterSwitchTest = WineOnlyTest;

TEST_F(CounterSwitchTest, ResultTellsWhetherBothKeysOpenedAsTheSystemHasThem)
{
    // Wine has no Performance keys of its own: the switch then fails.
    const bool bExpected =
        ClassifyWindows() != WF_NT_OTHER || (CanOpenForWrite(PERFOS_KEY_PATH) && CanOpenForWrite(PERFPROC_KEY_PATH));
    CCpuUsage cpuUsage;
    EXPECT_EQ(cpuUsage.SetCounterCollection(TRUE), bExpected);
}

TEST_F(CounterSwitchTest, BothSwitchesAreWrittenWhenBothKeysExist)
{
    ASSERT_EQ(ClassifyWindows(), WF_NT_OTHER);
    CScratchKeyPath perfOs(PERFOS_KEY_PATH);
    CScratchKeyPath perfProc(PERFPROC_KEY_PATH);
    ASSERT_TRUE(perfOs.IsOk() && perfProc.IsOk());

    CCpuUsage cpuUsage;
    const struct {
        BOOL bEnable;
        DWORD dwExpected;
    } aSteps[] = {{FALSE, 1}, {TRUE, 0}};
    for (const auto& step : aSteps) {
        SCOPED_TRACE(step.bEnable ? "enable" : "disable");
        EXPECT_TRUE(cpuUsage.SetCounterCollection(step.bEnable));
        for (const char* pszKey : {PERFOS_KEY_PATH, PERFPROC_KEY_PATH}) {
            DWORD dwType = 0;
            DWORD dwValue = 0xDEAD;
            ASSERT_EQ(ReadSwitch(pszKey, dwType, dwValue), ERROR_SUCCESS) << pszKey;
            EXPECT_EQ(dwType, static_cast<DWORD>(REG_DWORD)) << pszKey;
            EXPECT_EQ(dwValue, step.dwExpected) << pszKey;
        }
    }
}

TEST_F(CounterSwitchTest, MissingProcessKeyFailsTheSwitch)
{
    ASSERT_EQ(ClassifyWindows(), WF_NT_OTHER);
    ASSERT_FALSE(CanOpenForWrite(PERFPROC_KEY_PATH)) << "Wine has no such key";
    CScratchKeyPath perfOs(PERFOS_KEY_PATH);
    ASSERT_TRUE(perfOs.IsOk());
    CCpuUsage cpuUsage;
    EXPECT_FALSE(cpuUsage.SetCounterCollection(TRUE));
}

TEST(PerformanceData, ProcessObjectQueryIsAnsweredAndWalked)
{
    PerfSnapshotView view = {nullptr, 0};
    const LONGLONG llValue = FindProcessCounter(PERF_OBJ_PROCESS, PERF_CTR_PROCESSOR_TIME, 0, view);

    ASSERT_NE(view.pData, nullptr);
    ASSERT_GE(view.cbData, PDB_MIN_SIZE);
    EXPECT_EQ(std::memcmp(view.pData, L"PERF", 8), 0) << "block signature";
    EXPECT_GT(ReadPerfTime(view.pData, view.cbData), 0);
    if (IsRunningUnderWine()) {
        // Wine's answer holds no Process object, which the walk reads as 0.
        EXPECT_EQ(llValue, 0);
    } else {
        // The idle process has run since the system started.
        EXPECT_GT(llValue, 0);
    }
}

using SamplingTest = WineOnlyTest;

TEST_F(SamplingTest, IdleShareReadsZeroWithoutAProcessObject)
{
    CCpuUsage cpuUsage;
    EXPECT_EQ(cpuUsage.ProcessUsage(0), 0);
    Sleep(20);
    EXPECT_EQ(cpuUsage.ProcessUsage(0), 0);
}

}  // namespace

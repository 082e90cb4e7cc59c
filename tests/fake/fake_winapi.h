// A scripted stand-in for every call of the Windows API contract and of the
// platform header, so that the core runs in tests without the real system.
// Every call is logged in order; results come from the script.
#pragma once

#include "win_api.h"

#include <cstdio>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

struct FakePerfAnswer {
    LONG lResult;
    std::vector<BYTE> data;  // copied into the caller's buffer when it fits, also with an error
    DWORD cbReported;        // left in the size argument on ERROR_MORE_DATA
};

struct FakeRegValue {
    DWORD dwType;
    std::vector<BYTE> data;
};

class CFakeSystem {
public:
    static CFakeSystem& Get();

    // Back to a fresh machine: empty registry with the usual keys, no script.
    void Reset();

    // The log of calls and console output, in order.
    std::vector<std::string> m_events;
    void Log(const std::string& strEvent) { m_events.push_back(strEvent); }
    std::vector<std::string> EventsStartingWith(const std::string& strPrefix) const;
    // Everything written to the console stream, in the order it was flushed.
    std::string ConsoleText() const;

    // Performance data: answers in order; when none is left, the query fails.
    std::deque<FakePerfAnswer> m_perfAnswers;
    void AddProcessSample(LONGLONG llIdleValue, LONGLONG llTime);
    // Scripts the idle shares that successive samples will yield, after a
    // baseline sample; one second between samples.
    void ScriptShares(const std::vector<int>& shares);
    int m_nPerfQueries = 0;
    // For each query, whether the whole buffer it was given held zeros.
    std::vector<bool> m_queryBufferWasZero;

    // Registry: key path ("HKLM\\...") to its values; keys not listed do not exist.
    std::map<std::string, std::map<std::string, FakeRegValue>> m_registry;
    std::map<std::string, LONG> m_openErrors;  // key path to the error its open answers
    LONG m_lSetError = ERROR_SUCCESS;
    LONG m_lDeleteError = ERROR_SUCCESS;
    int m_nOpenKeys = 0;

    // Version query: fails unless set.
    bool m_bVersionOk = false;
    DWORD m_dwPlatformId = 0;
    DWORD m_dwMajorVersion = 0;

    // Ticks handed out by GetTickCount in order; then the last one again.
    std::deque<DWORD> m_ticks;
    DWORD m_dwLastTick = 0;

    std::deque<int> m_boxAnswers;  // then IDOK / IDNO
    std::string m_strModulePath = "/opt/vantrel/vantrel";
    DWORD m_dwModuleResult = 0;  // 0: the path's length, else this value
    BOOL m_bOpenTokenOk = TRUE;
    BOOL m_bAdjustOk = TRUE;
    DWORD m_dwAdjustError = ERROR_SUCCESS;
    BOOL m_bExitOk = TRUE;
    DWORD m_dwProcessors = 1;

    // Console output: a stream whose flushes land in the event log.
    FILE* OpenConsoleStream();
};

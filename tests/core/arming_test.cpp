#include "fake_fixture.h"
#include "mode_control.h"
#include "registry_access.h"

#include "case_name.h"

#include <gtest/gtest.h>

namespace {

const std::string RUN_KEY = "HKLM\\" RUN_KEY_PATH;
const char* const PROMPT_BOX =
    "MessageBoxA [ CORVANE UTILITY ] Windows has to reboot to measure boot time. Do you want to restart your "
    "computer now? style 4100";
const char* const LATER_BOX =
    "MessageBoxA [ CORVANE UTILITY ] The boot time utility will launch the next time you restart your computer "
    "style 4096";

class ArmingTest : public CFakeTest {
protected:
    int Arm()
    {
        char szProgram[] = "vantrel";
        char* argv[] = {szProgram, nullptr};
        const int nExit = VantrelMain(1, argv);
        FlushConsole();
        return nExit;
    }

    std::string StoredCommand()
    {
        const std::vector<BYTE>& data = Fake().m_registry[RUN_KEY][AUTOSTART_VALUE].data;
        return std::string(data.begin(), data.end());
    }

    // The calls that matter, in order, without the console.
    std::vector<std::string> Calls() const
    {
        std::vector<std::string> calls;
        for (const std::string& strEvent : Fake().m_events)
            if (strEvent.rfind("out:", 0) != 0 && strEvent.rfind("GetModuleFileNameA", 0) != 0)
                calls.push_back(strEvent);
        return calls;
    }
};

TEST_F(ArmingTest, YesRecordsTheEntryThenRestarts)
{
    Fake().m_boxAnswers.push_back(IDYES);
    EXPECT_EQ(Arm(), 0);
    const std::vector<std::string> expected = {
        "RegOpenKeyA " + RUN_KEY,
        "RegSetValueExA " + RUN_KEY + " WinVantrel type 1 size 28",
        "RegCloseKey " + RUN_KEY,
        PROMPT_BOX,
        "OpenProcessToken 40",
        "LookupPrivilegeValueA - SeShutdownPrivilege",
        "AdjustTokenPrivileges disableAll 0 count 1 luid 19 attributes 2",
        "CloseHandle",
        "ExitWindowsEx 6 0",
    };
    EXPECT_EQ(Calls(), expected);
    EXPECT_EQ(StoredCommand(), std::string("\"/opt/vantrel/vantrel\" /run") + '\0');
    EXPECT_EQ(Fake().m_registry[RUN_KEY][AUTOSTART_VALUE].dwType, REG_SZ);
    EXPECT_EQ(Fake().ConsoleText(), "Restarting now...");
}

TEST_F(ArmingTest, NoKeepsTheEntryAndSaysWhenItWillRun)
{
    Fake().m_boxAnswers.push_back(IDNO);
    EXPECT_EQ(Arm(), 0);
    const std::vector<std::string> calls = Calls();
    ASSERT_EQ(calls.size(), 5u);
    EXPECT_EQ(calls[3], PROMPT_BOX);
    EXPECT_EQ(calls[4], LATER_BOX);
    EXPECT_EQ(Fake().m_registry[RUN_KEY].count(AUTOSTART_VALUE), 1u);
    EXPECT_EQ(Fake().ConsoleText(), "");
}

TEST_F(ArmingTest, AnyAnswerButYesIsNo)
{
    Fake().m_boxAnswers.push_back(IDOK);
    EXPECT_EQ(Arm(), 0);
    EXPECT_TRUE(Fake().EventsStartingWith("OpenProcessToken").empty());
    EXPECT_EQ(Fake().EventsStartingWith("MessageBoxA").back(), LATER_BOX);
}

TEST_F(ArmingTest, TwoRunsLeaveOneEntry)
{
    Arm();
    Fake().m_strModulePath = "/usr/local/bin/vantrel";
    Arm();
    EXPECT_EQ(Fake().m_registry[RUN_KEY].size(), 1u);
    EXPECT_EQ(StoredCommand(), std::string("\"/usr/local/bin/vantrel\" /run") + '\0');
}

TEST_F(ArmingTest, PathWithBlanksIsQuoted)
{
    Fake().m_strModulePath = "C:\\Program Files\\Vantrel\\vantrel.exe";
    Arm();
    EXPECT_EQ(StoredCommand(), std::string("\"C:\\Program Files\\Vantrel\\vantrel.exe\" /run") + '\0');
}

TEST_F(ArmingTest, LongPathIsRecordedWhole)
{
    Fake().m_strModulePath = "/" + std::string(300, 'd') + "/vantrel";
    Arm();
    EXPECT_EQ(StoredCommand(), "\"" + Fake().m_strModulePath + "\" /run" + '\0');
}

// When nothing could be recorded, a restart would close every program for
// nothing: the program says what failed and asks nothing.
struct RecordFailure {
    const char* pszName;
    std::function<void(CFakeSystem&)> arrange;
    const char* pszLine;
};

class ArmingRecordFailure : public ArmingTest, public ::testing::WithParamInterface<RecordFailure> {};

TEST_P(ArmingRecordFailure, SaysWhatFailedAndDoesNotAsk)
{
    GetParam().arrange(Fake());
    Fake().m_boxAnswers.push_back(IDYES);
    EXPECT_EQ(Arm(), 1);
    EXPECT_TRUE(Fake().EventsStartingWith("MessageBoxA").empty());
    EXPECT_TRUE(Fake().EventsStartingWith("ExitWindowsEx").empty());
    EXPECT_EQ(Fake().ConsoleText(), std::string(GetParam().pszLine) + "\n");
}

INSTANTIATE_TEST_SUITE_P(
    Failures, ArmingRecordFailure,
    ::testing::Values(
        RecordFailure{"PathUnreadable",
                      [](CFakeSystem& f) {
                          f.m_dwModuleResult = 0xFFFFFFFF;
                          f.m_strModulePath = "";
                      },
                      "Could not read the full path of this program, so no autostart entry was recorded and no "
                      "restart was requested."},
        RecordFailure{"PathTruncated", [](CFakeSystem& f) { f.m_strModulePath = std::string(40000, 'p'); },
                      "Could not read the full path of this program, so no autostart entry was recorded and no "
                      "restart was requested."},
        RecordFailure{"RunKeyDenied",
                      [](CFakeSystem& f) { f.m_openErrors["HKLM\\" RUN_KEY_PATH] = ERROR_ACCESS_DENIED; },
                      "Could not record the autostart entry <autostart folder>/WinVantrel (error 5). Run this "
                      "program as the administrator. No restart was requested."},
        RecordFailure{"RunKeyMissing",
                      [](CFakeSystem& f) { f.m_openErrors["HKLM\\" RUN_KEY_PATH] = ERROR_FILE_NOT_FOUND; },
                      "Could not record the autostart entry <autostart folder>/WinVantrel (error 2). No restart "
                      "was requested."},
        RecordFailure{"WriteDenied", [](CFakeSystem& f) { f.m_lSetError = ERROR_ACCESS_DENIED; },
                      "Could not record the autostart entry <autostart folder>/WinVantrel (error 5). Run this "
                      "program as the administrator. No restart was requested."}),
    CaseName());

// When the restart cannot be requested, the entry stays and the user is told.
struct RestartFailure {
    const char* pszName;
    std::function<void(CFakeSystem&)> arrange;
    const char* pszReason;
};

class ArmingRestartFailure : public ArmingTest, public ::testing::WithParamInterface<RestartFailure> {};

TEST_P(ArmingRestartFailure, EndsTheLineWithTheReason)
{
    GetParam().arrange(Fake());
    Fake().m_boxAnswers.push_back(IDYES);
    EXPECT_EQ(Arm(), 1);
    EXPECT_EQ(Fake().ConsoleText(), std::string("Restarting now... failed.\nThe restart could not be requested: ") +
                                        GetParam().pszReason +
                                        ". Run this program as the administrator, or restart by hand: the "
                                        "measurement runs at the next restart.\n");
    EXPECT_EQ(Fake().m_registry[RUN_KEY].count(AUTOSTART_VALUE), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Failures, ArmingRestartFailure,
    ::testing::Values(RestartFailure{"TokenDoesNotOpen", [](CFakeSystem& f) { f.m_bOpenTokenOk = FALSE; },
                                     "the process token could not be opened"},
                      RestartFailure{"AdjustFails", [](CFakeSystem& f) { f.m_bAdjustOk = FALSE; },
                                     "this account may not shut the system down"},
                      RestartFailure{"PrivilegeNotHeld",
                                     [](CFakeSystem& f) { f.m_dwAdjustError = ERROR_NOT_ALL_ASSIGNED; },
                                     "this account may not shut the system down"},
                      RestartFailure{"RestartRefused", [](CFakeSystem& f) { f.m_bExitOk = FALSE; },
                                     "the system refused the restart"}),
    CaseName());

TEST_F(ArmingTest, NoRestartIsRequestedWhenThePrivilegeIsMissing)
{
    Fake().m_boxAnswers.push_back(IDYES);
    Fake().m_dwAdjustError = ERROR_NOT_ALL_ASSIGNED;
    Arm();
    EXPECT_TRUE(Fake().EventsStartingWith("ExitWindowsEx").empty());
    EXPECT_EQ(Fake().EventsStartingWith("CloseHandle").size(), 1u) << "the token is closed";
}

}  // namespace

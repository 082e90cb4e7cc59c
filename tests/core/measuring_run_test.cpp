#include "fake_fixture.h"
#include "mode_control.h"
#include "registry_access.h"

#include "case_name.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

const std::string RUN_KEY = "HKLM\\" RUN_KEY_PATH;

class MeasuringRunTest : public CFakeTest {
protected:
    void PlantEntry()
    {
        const std::string strCommand = "\"/opt/vantrel/vantrel\" /run";
        Fake().m_registry[RUN_KEY][AUTOSTART_VALUE] =
            FakeRegValue{REG_SZ, std::vector<BYTE>(strCommand.c_str(), strCommand.c_str() + strCommand.size() + 1)};
    }

    // Runs the whole mode over an idle machine whose streak starts at tick 5000.
    void RunIdleMachine()
    {
        Fake().ScriptShares(std::vector<int>(10, 100));
        Fake().m_ticks.push_back(5000);
        char szProgram[] = "vantrel";
        char szRun[] = "/run";
        char* argv[] = {szProgram, szRun, nullptr};
        EXPECT_EQ(VantrelMain(2, argv), 0);
        FlushConsole();
    }

    // The events after the result box, without the samples before it.
    std::vector<std::string> EventsAfterResult() const
    {
        const std::vector<std::string>& events = Fake().m_events;
        auto it = std::find_if(events.begin(), events.end(),
                               [](const std::string& e) { return e.rfind("MessageBoxA", 0) == 0; });
        return std::vector<std::string>(it, events.end());
    }
};

const char* const FAREWELL_TEXT = "\n"
                                  "Cleaning up.....Done!!\n"
                                  "\n"
                                  "***************************************************\n"
                                  "Thank you for using Corvane utility\n"
                                  "We hope you liked it & will make more use of it\n"
                                  "\n"
                                  "\n"
                                  "\n"
                                  "Please feel free to pass it to friends\n"
                                  "who might have use for this utility\n"
                                  "\n"
                                  "\n"
                                  "Lastly, please support us by clicking \n"
                                  "on our sponsors at http://WWW.CORVANE.EXAMPLE \n"
                                  "\n"
                                  " ....Its just a small Click but will go a\n"
                                  " long way in keeping this site running...\n"
                                  "\n"
                                  "\n"
                                  "Press Enter to exit\n";

TEST_F(MeasuringRunTest, WritesTheWholeTextInOrder)
{
    PlantEntry();
    RunIdleMachine();
    EXPECT_EQ(Fake().ConsoleText(), std::string("Please wait....\n"
                                                "IMPORTANT: Do not use mouse or keyboard at this time\n"
                                                "\n"
                                                "\n") +
                                        FAREWELL_TEXT);
}

TEST_F(MeasuringRunTest, ShowsTheResultThenCleansUpBeforeTheFarewell)
{
    PlantEntry();
    RunIdleMachine();
    const std::vector<std::string> expected = {
        "MessageBoxA [ CORVANE UTILITY ] Windows Bootup Time =  5.000  seconds  style 4096",
        "out:\n",
        "RegOpenKeyA " + RUN_KEY,
        "RegDeleteValueA " + RUN_KEY + " WinVantrel",
        "RegCloseKey " + RUN_KEY,
        "ShellExecuteA Open http://www.corvane.example/vantrelsupp.html - - 1",
        // "Cleaning up....." is not flushed: it reaches the stream with "Done!!".
        "out:Cleaning up.....Done!!\n",
        "out:\n",
        "out:***************************************************\n",
        "out:Thank you for using Corvane utility\n",
        "out:We hope you liked it & will make more use of it\n",
        "out:\n",
        "out:\n",
        "Sleep 500",
        "out:\n",
        "out:Please feel free to pass it to friends\n",
        "out:who might have use for this utility\n",
        "out:\n",
        "out:\n",
        "Sleep 500",
        "out:Lastly, please support us by clicking \n",
        "out:on our sponsors at http://WWW.CORVANE.EXAMPLE \n",
        "out:\n",
        "Sleep 500",
        "out: ....Its just a small Click but will go a\n",
        "out: long way in keeping this site running...\n",
        "out:\n",
        "out:\n",
        "out:Press Enter to exit\n",
        "WaitForKeyPress",
    };
    EXPECT_EQ(EventsAfterResult(), expected);
    EXPECT_EQ(Fake().m_registry[RUN_KEY].count(AUTOSTART_VALUE), 0u) << "the entry is gone after a measurement";
}

TEST_F(MeasuringRunTest, GreetsBeforeTheFirstSample)
{
    RunIdleMachine();
    const std::vector<std::string>& events = Fake().m_events;
    ASSERT_GE(events.size(), 3u);
    EXPECT_EQ(events[0], "out:Please wait....\n");
    EXPECT_EQ(events[1], "out:IMPORTANT: Do not use mouse or keyboard at this time\n");
    EXPECT_EQ(events[2].rfind("RegQueryValueExA 230", 0), 0u);
}

struct CleanupCase {
    const char* pszName;
    LONG lOpenError;
    LONG lDeleteError;
    bool bPlanted;
    const char* pszWarning;  // nullptr: no warning
};

class CleanupOutcome : public MeasuringRunTest, public ::testing::WithParamInterface<CleanupCase> {};

TEST_P(CleanupOutcome, WarnsOnlyWhenTheEntryMayRemain)
{
    const CleanupCase& c = GetParam();
    if (c.bPlanted)
        PlantEntry();
    if (c.lOpenError != ERROR_SUCCESS)
        Fake().m_openErrors[RUN_KEY] = c.lOpenError;
    Fake().m_lDeleteError = c.lDeleteError;
    RunIdleMachine();

    std::string strExpected = FAREWELL_TEXT;
    if (c.pszWarning != nullptr) {
        const std::string strAfterDone = "Done!!\n\n";
        strExpected.insert(strExpected.find(strAfterDone) + strAfterDone.size(), std::string(c.pszWarning) + "\n\n");
    }
    const std::string strText = Fake().ConsoleText();
    EXPECT_EQ(strText.substr(strText.find("\nCleaning")), strExpected);
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, CleanupOutcome,
    ::testing::Values(
        CleanupCase{"Removed", ERROR_SUCCESS, ERROR_SUCCESS, true, nullptr},
        CleanupCase{"AlreadyGone", ERROR_SUCCESS, ERROR_SUCCESS, false, nullptr},
        CleanupCase{"NoRunKey", ERROR_FILE_NOT_FOUND, ERROR_SUCCESS, true, nullptr},
        CleanupCase{"KeyDenied", ERROR_ACCESS_DENIED, ERROR_SUCCESS, true,
                    "The autostart entry \"WinVantrel\" could not be removed (error 5); remove it by hand: "
                    "<autostart folder>/WinVantrel"},
        CleanupCase{"DeleteDenied", ERROR_SUCCESS, ERROR_ACCESS_DENIED, true,
                    "The autostart entry \"WinVantrel\" could not be removed (error 5); remove it by hand: "
                    "<autostart folder>/WinVantrel"},
        CleanupCase{"DeleteOtherError", ERROR_SUCCESS, 1017, true,
                    "The autostart entry \"WinVantrel\" could not be removed (error 1017); remove it by hand: "
                    "<autostart folder>/WinVantrel"}),
    CaseName());

TEST_F(MeasuringRunTest, OtherArgumentsEndAtOnceWithoutAWord)
{
    for (const char* pszArgument : {"/RUN", "run", "/run1", "/Run", "", " /run", "/run "}) {
        Fake().Reset();
        char szProgram[] = "vantrel";
        std::string strArgument = pszArgument;
        char* argv[] = {szProgram, &strArgument[0], nullptr};
        EXPECT_EQ(VantrelMain(2, argv), 0) << pszArgument;
        FlushConsole();
        EXPECT_TRUE(Fake().m_events.empty()) << "'" << pszArgument << "' did something";
    }
}

TEST_F(MeasuringRunTest, FurtherArgumentsAreIgnored)
{
    Fake().ScriptShares(std::vector<int>(10, 100));
    char szProgram[] = "vantrel";
    char szRun[] = "/run";
    char szExtra[] = "extra";
    char* argv[] = {szProgram, szRun, szExtra, nullptr};
    EXPECT_EQ(VantrelMain(3, argv), 0);
    EXPECT_EQ(Fake().EventsStartingWith("MessageBoxA").size(), 1u);
}

}  // namespace

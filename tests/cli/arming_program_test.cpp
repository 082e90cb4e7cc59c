// The real program armed through a terminal, in a private autostart folder.
#include "support/case_name.h"
#include "support/private_autostart.h"
#include "support/pty_child.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

namespace {

const char* const PROMPT = "Do you want to restart";
const char* const LATER = "launch the next time you restart";
const char* const REFUSED = "Could not record the autostart entry /etc/xdg/autostart/WinVantrel.desktop (error 5). "
                            "Run this program as root. No restart was requested.\n";

struct ArmingCase {
    const char* pszName;
    AutostartState state;
    ProgramOutput output;
    bool bUnprivileged;
    int nExitCode;
    const char* pszStdout;  // exact standard output, when it reaches the test
    const char* pszFolder;  // what the folder holds afterwards
    bool bAsks;             // the restart question is shown (and answered No)
};

class ArmingProgram : public ::testing::TestWithParam<ArmingCase> {
protected:
    void SetUp() override
    {
        std::string strWhyNot;
        if (!CanUsePrivateAutostart(strWhyNot))
            GTEST_SKIP() << strWhyNot;
    }
};

TEST_P(ArmingProgram, RecordsTheEntryOrSaysWhyNot)
{
    const ArmingCase& c = GetParam();
    ProgramRun run;
    run.state = c.state;
    run.output = c.output;
    run.bUnprivileged = c.bUnprivileged;
    CPtyChild child;
    ASSERT_TRUE(child.Start([run] { return RunInPrivateAutostart(run); }));
    if (c.bAsks) {
        ASSERT_TRUE(child.WaitForOutput(PROMPT)) << child.ScreenText();
        child.Send("n");
        ASSERT_TRUE(child.WaitForOutput(LATER)) << child.ScreenText();
        child.Send("\r");
    }
    int nStatus = 0;
    ASSERT_TRUE(child.WaitForExit(&nStatus)) << child.ScreenText();
    ASSERT_TRUE(WIFEXITED(nStatus));
    EXPECT_EQ(WEXITSTATUS(nStatus), c.nExitCode) << child.ReadStderr();
    if (!c.bAsks) {
        EXPECT_EQ(child.ScreenText().find(PROMPT), std::string::npos) << "asked although nothing was recorded";
    }
    if (c.output == OUTPUT_TO_TEST) {
        EXPECT_EQ(child.ReadStdout(), c.pszStdout);
    }
    const std::string strStderr = child.ReadStderr();
    EXPECT_NE(strStderr.find(std::string("@@autostart ") + c.pszFolder + "\n"), std::string::npos) << strStderr;
}

const std::string ENTRY = std::string("[WinVantrel.desktop]Exec=\"") + VANTREL_PROGRAM + "\" /run";

INSTANTIATE_TEST_SUITE_P(
    Cases, ArmingProgram,
    ::testing::Values(
        ArmingCase{"AnswerNoKeepsTheEntry", AUTOSTART_EMPTY, OUTPUT_TO_TEST, false, 0, "", ENTRY.c_str(), true},
        ArmingCase{"MissingFolderIsMade", AUTOSTART_MISSING, OUTPUT_TO_TEST, false, 0, "", ENTRY.c_str(), true},
        ArmingCase{"UnprivilegedUserIsToldAndNotAsked", AUTOSTART_EMPTY, OUTPUT_TO_TEST, true, 1, REFUSED, "empty",
                   false},
        ArmingCase{"ReadOnlyFolder", AUTOSTART_READ_ONLY, OUTPUT_TO_TEST, false, 1, REFUSED, "empty", false},
        ArmingCase{"FileInPlaceOfTheFolder", AUTOSTART_FILE_IN_PLACE, OUTPUT_TO_TEST, false, 1,
                   "Could not record the autostart entry /etc/xdg/autostart/WinVantrel.desktop (error 2). "
                   "No restart was requested.\n",
                   "file", false},
        // Output nobody reads, or none at all, must not kill the program.
        ArmingCase{"BrokenPipe", AUTOSTART_READ_ONLY, OUTPUT_BROKEN_PIPE, false, 1, "", "empty", false},
        ArmingCase{"ClosedOutput", AUTOSTART_READ_ONLY, OUTPUT_CLOSED, false, 1, "", "empty", false},
        ArmingCase{"ClosedOutputStillAsks", AUTOSTART_EMPTY, OUTPUT_CLOSED, false, 0, "", ENTRY.c_str(), true}),
    CaseName());

}  // namespace

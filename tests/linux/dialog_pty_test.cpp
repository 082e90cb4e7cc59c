// Message boxes on a real (pseudo-)terminal: drawn there and not on standard
// output, answered by keys, and the terminal's mode given back.
#include "support/case_name.h"
#include "support/pty_child.h"
#include "win_api.h"

#include <gtest/gtest.h>

#include <csignal>
#include <ostream>
#include <string>
#include <sys/wait.h>

namespace {

const char CAPTION[] = " TEST CAPTION ";
const char TEXT[] = "Ready to measure?";

std::function<int()> ShowBox(UINT uType)
{
    return [uType] { return MessageBoxA(nullptr, TEXT, CAPTION, uType); };
}

// The box is fully drawn once its last text line is on screen.
const char* LastLineOf(UINT uType)
{
    return (uType & 0xFu) == MB_YESNO ? "press Y or N" : "press Enter";
}

void ExpectTerminalCooked(const CPtyChild& child)
{
    struct termios ti;
    ASSERT_TRUE(child.GetMode(&ti));
    EXPECT_TRUE(IsCookedMode(ti)) << "lflag " << std::hex << ti.c_lflag;
}

int ExitCodeOf(int nStatus)
{
    return WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : -WTERMSIG(nStatus);
}

struct AnswerCase {
    const char* pszName;
    UINT uType;
    const char* pszKeys;
    int nAnswer;
};

void PrintTo(const AnswerCase& c, std::ostream* pStream)
{
    *pStream << c.pszName;
}

const UINT OK_BOX = MB_OK | MB_SYSTEMMODAL;
const UINT YESNO_BOX = MB_YESNO | MB_SYSTEMMODAL;

const AnswerCase ANSWER_CASES[] = {
    {"OkByEnter", OK_BOX, "\r", IDOK},
    {"OkBySpace", OK_BOX, " ", IDOK},
    {"OkByLoneEsc", OK_BOX, "\x1b", IDOK},
    {"OkAfterIgnoredKeys", OK_BOX,
     "xq\x1b[A\x1bOP\x1b"
     "a\t\r",
     IDOK},
    {"OkByCtrlC", OK_BOX, "\x03", IDOK},
    {"YesBySmallY", YESNO_BOX, "y", IDYES},
    {"YesByCapitalY", YESNO_BOX, "Y", IDYES},
    {"NoBySmallN", YESNO_BOX, "n", IDNO},
    {"NoByCapitalN", YESNO_BOX, "N", IDNO},
    {"YesAfterIgnoredKeys", YESNO_BOX, "x\r \x1b[A\x1b[15~\t\x1bny", IDYES},
    {"NoAfterAltY", YESNO_BOX, "\x1byn", IDNO},
    {"NoByCtrlC", YESNO_BOX, "\x03", IDNO},
};

class DialogOnTerminal : public ::testing::TestWithParam<AnswerCase> {};

TEST_P(DialogOnTerminal, AnswersByKeyAndRestoresTheMode)
{
    const AnswerCase& c = GetParam();
    CPtyChild child;
    ASSERT_TRUE(child.Start(ShowBox(c.uType)));
    ASSERT_TRUE(child.WaitForOutput(LastLineOf(c.uType))) << child.ScreenText();
    child.Send(c.pszKeys);

    int nStatus = 0;
    ASSERT_TRUE(child.WaitForExit(&nStatus)) << "the box did not close";
    EXPECT_EQ(ExitCodeOf(nStatus), c.nAnswer);
    EXPECT_NE(child.ScreenText().find(CAPTION), std::string::npos);
    EXPECT_NE(child.ScreenText().find(TEXT), std::string::npos);
    EXPECT_EQ(child.ReadStdout(), "");
    // The box stays on screen and what follows starts on a line of its own.
    EXPECT_EQ(child.ScreenText().substr(child.ScreenText().size() - 3), "+\r\n");
    ExpectTerminalCooked(child);
}

INSTANTIATE_TEST_SUITE_P(Keys, DialogOnTerminal, ::testing::ValuesIn(ANSWER_CASES), CaseName());

// An arrow key is read whole and ignored; the key after the answer stays
// for whoever reads the terminal next.
TEST(DialogOnTerminalInput, ReadsSequencesWholeAndNoFurther)
{
    CPtyChild child;
    ASSERT_TRUE(child.Start([] {
        int nAnswer = MessageBoxA(nullptr, TEXT, CAPTION, OK_BOX);
        WriteStdout(TakeTerminalInput(300));
        return nAnswer;
    }));
    ASSERT_TRUE(child.WaitForOutput(LastLineOf(OK_BOX)));
    child.Send("\x1b[A\x1b[1;5B\x1bOQ\rz");
    int nStatus = 0;
    ASSERT_TRUE(child.WaitForExit(&nStatus));
    EXPECT_EQ(ExitCodeOf(nStatus), IDOK);
    EXPECT_EQ(child.ReadStdout(), "z");
}

// Keys typed before the question showed cannot answer it.
TEST(DialogOnTerminalInput, IgnoresKeysTypedBeforeTheBox)
{
    CPtyChild child;
    ASSERT_TRUE(child.Start(ShowBox(YESNO_BOX), CPtyChild::WITH_TERMINAL, true));
    child.Send("y");
    ASSERT_TRUE(child.WaitForOutput("y"));  // echoed: the terminal holds it
    child.Release();
    ASSERT_TRUE(child.WaitForOutput(LastLineOf(YESNO_BOX)));
    child.Send("n");
    int nStatus = 0;
    ASSERT_TRUE(child.WaitForExit(&nStatus));
    EXPECT_EQ(ExitCodeOf(nStatus), IDNO);
}

// An OK box leaves the queue alone: what was typed while the machine settled
// is still there for the final key wait.
TEST(DialogOnTerminalInput, OkBoxKeepsKeysTypedBeforeIt)
{
    CPtyChild child;
    ASSERT_TRUE(child.Start(ShowBox(OK_BOX), CPtyChild::WITH_TERMINAL, true));
    child.Send("\r");
    child.Release();
    int nStatus = 0;
    ASSERT_TRUE(child.WaitForExit(&nStatus));
    EXPECT_EQ(ExitCodeOf(nStatus), IDOK);
}

struct FallbackCase {
    const char* pszName;
    UINT uType;
    int nAnswer;
};

void PrintTo(const FallbackCase& c, std::ostream* pStream)
{
    *pStream << c.pszName;
}

const FallbackCase FALLBACK_CASES[] = {
    {"OkBox", OK_BOX, IDOK},
    {"YesNoBoxSaysNo", YESNO_BOX, IDNO},
};

class DialogWithoutPerson : public ::testing::TestWithParam<FallbackCase> {};

TEST_P(DialogWithoutPerson, NoTerminalTellsStandardErrorAndReturns)
{
    const FallbackCase& c = GetParam();
    CPtyChild child;
    ASSERT_TRUE(child.Start(ShowBox(c.uType), CPtyChild::WITHOUT_TERMINAL));
    int nStatus = 0;
    ASSERT_TRUE(child.WaitForExit(&nStatus)) << "the box waited with no terminal";
    EXPECT_EQ(ExitCodeOf(nStatus), c.nAnswer);
    std::string strError = child.ReadStderr();
    EXPECT_NE(strError.find(CAPTION), std::string::npos) << strError;
    EXPECT_NE(strError.find(TEXT), std::string::npos) << strError;
    EXPECT_EQ(child.ReadStdout(), "");
}

// A terminal that goes away mid-question is nobody's Yes.
TEST_P(DialogWithoutPerson, HangUpGivesTheSafeAnswer)
{
    const FallbackCase& c = GetParam();
    CPtyChild child;
    ASSERT_TRUE(child.Start([&c] {
        std::signal(SIGHUP, SIG_IGN);
        return MessageBoxA(nullptr, TEXT, CAPTION, c.uType);
    }));
    ASSERT_TRUE(child.WaitForOutput(LastLineOf(c.uType)));
    child.HangUp();
    int nStatus = 0;
    ASSERT_TRUE(child.WaitForExit(&nStatus));
    EXPECT_EQ(ExitCodeOf(nStatus), c.nAnswer);
}

INSTANTIATE_TEST_SUITE_P(Boxes, DialogWithoutPerson, ::testing::ValuesIn(FALLBACK_CASES), CaseName());

TEST(DialogOnTerminalSignal, TermRestoresTheModeAndStillEndsTheProcess)
{
    CPtyChild child;
    ASSERT_TRUE(child.Start(ShowBox(YESNO_BOX)));
    ASSERT_TRUE(child.WaitForOutput(LastLineOf(YESNO_BOX)));
    struct termios ti;
    ASSERT_TRUE(child.GetMode(&ti));
    EXPECT_EQ(ti.c_lflag & (ICANON | ECHO | ISIG), 0u) << "the box should read raw keys";

    kill(child.Pid(), SIGTERM);
    int nStatus = 0;
    ASSERT_TRUE(child.WaitForExit(&nStatus));
    ASSERT_TRUE(WIFSIGNALED(nStatus));
    EXPECT_EQ(WTERMSIG(nStatus), SIGTERM);
    ExpectTerminalCooked(child);
}

}  // namespace

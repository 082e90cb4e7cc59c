// The final key wait on a real (pseudo-)terminal: which keys end it, that it
// takes one whole key and no more, and that the terminal's mode comes back.
#include "platform.h"
#include "support/case_name.h"
#include "support/pty_child.h"

#include <gtest/gtest.h>

#include <csignal>
#include <ostream>
#include <string>
#include <sys/wait.h>

namespace {

const int LEFTOVER_QUIET_MS = 300;
const int EXIT_MODE_NOT_RESTORED = 3;

// Waits for a key, then reports on standard output what the terminal still
// holds; exits 0 when the mode was restored.
int WaitThenReportLeftover()
{
    WaitForKeyPress();
    bool bCooked = ControllingTerminalIsCooked();
    WriteStdout(TakeTerminalInput(LEFTOVER_QUIET_MS));
    return bCooked ? 0 : EXIT_MODE_NOT_RESTORED;
}

struct KeyCase {
    const char* pszName;
    const char* pszKeys;
    const char* pszLeftover;
};

void PrintTo(const KeyCase& c, std::ostream* pStream)
{
    *pStream << c.pszName;
}

const KeyCase KEY_CASES[] = {
    {"Enter", "\r", ""},
    {"Letter", "a", ""},
    {"Digit", "5", ""},
    {"LoneEsc", "\x1b", ""},
    {"Tab", "\t", ""},
    {"Backspace", "\x7f", ""},
    {"CtrlC", "\x03", ""},
    {"CtrlBackslash", "\x1c", ""},
    {"CtrlZ", "\x1a", ""},
    {"CtrlS", "\x13", ""},
    {"UpCsi", "\x1b[A", ""},
    {"UpSs3", "\x1bOA", ""},
    {"CtrlUp", "\x1b[1;5A", ""},
    {"F1", "\x1bOP", ""},
    {"F5", "\x1b[15~", ""},
    {"ShiftF12", "\x1b[24;2~", ""},
    {"Home", "\x1b[H", ""},
    {"Delete", "\x1b[3~", ""},
    {"PageDown", "\x1b[6~", ""},
    {"AltX", "\x1bx", ""},
    {"Utf8Character", "\xc3\xa9", ""},
    {"NextLetterKept", "ab", "b"},
    {"KeyAfterArrowKept", "\x1b[Bq", "q"},
    {"SequenceAfterLetterKept", "q\x1b[B", "\x1b[B"},
};

class KeyWaitOnTerminal : public ::testing::TestWithParam<KeyCase> {};

TEST_P(KeyWaitOnTerminal, EndsOnOneWholeKey)
{
    const KeyCase& c = GetParam();
    CPtyChild child;
    ASSERT_TRUE(child.Start(WaitThenReportLeftover));
    ASSERT_TRUE(child.WaitForRawMode());
    child.Send(c.pszKeys);

    int nStatus = 0;
    ASSERT_TRUE(child.WaitForExit(&nStatus)) << "the key did not end the wait";
    ASSERT_TRUE(WIFEXITED(nStatus)) << "ended by signal " << WTERMSIG(nStatus);
    EXPECT_EQ(WEXITSTATUS(nStatus), 0) << "mode not restored";
    EXPECT_EQ(child.ReadStdout(), c.pszLeftover);
    EXPECT_EQ(child.ScreenText(), "") << "the key was echoed";
}

INSTANTIATE_TEST_SUITE_P(Keys, KeyWaitOnTerminal, ::testing::ValuesIn(KEY_CASES), CaseName());

TEST(KeyWaitOnTerminalQueue, KeyPressedBeforeTheWaitEndsItAtOnce)
{
    CPtyChild child;
    ASSERT_TRUE(child.Start(WaitThenReportLeftover, CPtyChild::WITH_TERMINAL, true));
    child.Send("k");
    ASSERT_TRUE(child.WaitForOutput("k"));  // echoed: the terminal holds it
    child.Release();
    int nStatus = 0;
    ASSERT_TRUE(child.WaitForExit(&nStatus)) << "the early key was lost";
    ASSERT_TRUE(WIFEXITED(nStatus));
    EXPECT_EQ(WEXITSTATUS(nStatus), 0);
    EXPECT_EQ(child.ReadStdout(), "");
}

TEST(KeyWaitWithoutPerson, NoTerminalReturnsAtOnce)
{
    CPtyChild child;
    ASSERT_TRUE(child.Start(
        [] {
            WaitForKeyPress();
            return 0;
        },
        CPtyChild::WITHOUT_TERMINAL));
    int nStatus = 0;
    ASSERT_TRUE(child.WaitForExit(&nStatus)) << "waited with no terminal";
    ASSERT_TRUE(WIFEXITED(nStatus));
    EXPECT_EQ(WEXITSTATUS(nStatus), 0);
}

// Also shows that a signal the process ignores stays ignored during the wait.
TEST(KeyWaitWithoutPerson, HangUpEndsTheWait)
{
    CPtyChild child;
    ASSERT_TRUE(child.Start([] {
        std::signal(SIGHUP, SIG_IGN);
        WaitForKeyPress();
        return 0;
    }));
    ASSERT_TRUE(child.WaitForRawMode());
    child.HangUp();
    int nStatus = 0;
    ASSERT_TRUE(child.WaitForExit(&nStatus));
    ASSERT_TRUE(WIFEXITED(nStatus)) << "ended by signal " << WTERMSIG(nStatus);
    EXPECT_EQ(WEXITSTATUS(nStatus), 0);
}

struct SignalCase {
    const char* pszName;
    int nSignal;
};

void PrintTo(const SignalCase& c, std::ostream* pStream)
{
    *pStream << c.pszName;
}

const SignalCase SIGNAL_CASES[] = {
    {"Interrupt", SIGINT},
    {"Terminate", SIGTERM},
    {"HangUp", SIGHUP},
    {"Quit", SIGQUIT},
};

class KeyWaitSignal : public ::testing::TestWithParam<SignalCase> {};

TEST_P(KeyWaitSignal, RestoresTheModeAndStillEndsTheProcess)
{
    const SignalCase& c = GetParam();
    CPtyChild child;
    ASSERT_TRUE(child.Start([] {
        WaitForKeyPress();
        return 0;
    }));
    ASSERT_TRUE(child.WaitForRawMode());
    kill(child.Pid(), c.nSignal);

    int nStatus = 0;
    ASSERT_TRUE(child.WaitForExit(&nStatus));
    ASSERT_TRUE(WIFSIGNALED(nStatus)) << "exit code " << WEXITSTATUS(nStatus);
    EXPECT_EQ(WTERMSIG(nStatus), c.nSignal);
    struct termios ti;
    ASSERT_TRUE(child.GetMode(&ti));
    EXPECT_TRUE(IsCookedMode(ti)) << "lflag " << std::hex << ti.c_lflag;
}

INSTANTIATE_TEST_SUITE_P(Signals, KeyWaitSignal, ::testing::ValuesIn(SIGNAL_CASES), CaseName());

}  // namespace

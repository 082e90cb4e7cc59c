// The real program measuring this machine, in a private autostart folder
// with an entry planted and a stand-in browser opener. It needs an idle
// machine: these are system tests.
#include "support/case_name.h"
#include "support/private_autostart.h"
#include "support/pty_child.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {

// Ten idle seconds after the greeting at the least; a busy machine takes longer.
const int SETTLE_WAIT_MS = 180000;

struct MeasureCase {
    const char* pszName;
    ProgramOutput output;
};

class MeasuringProgram : public ::testing::TestWithParam<MeasureCase> {
protected:
    void SetUp() override
    {
        std::string strWhyNot;
        if (!CanUsePrivateAutostart(strWhyNot))
            GTEST_SKIP() << strWhyNot;
        char szFolder[] = "/tmp/vantrel-opener-XXXXXX";
        ASSERT_NE(mkdtemp(szFolder), nullptr);
        m_strFolder = szFolder;
        std::ofstream(m_strFolder + "/xdg-open") << "#!/bin/sh\necho \"$@\" > " << m_strFolder << "/opened\n";
        chmod((m_strFolder + "/xdg-open").c_str(), 0755);
    }

    void TearDown() override
    {
        if (m_strFolder.empty())
            return;
        unlink((m_strFolder + "/opened").c_str());
        unlink((m_strFolder + "/xdg-open").c_str());
        rmdir(m_strFolder.c_str());
    }

    // What the stand-in opener was given, once it has run.
    std::string Opened() const
    {
        for (int i = 0; i < 50; ++i) {
            std::ifstream file(m_strFolder + "/opened");
            std::stringstream text;
            text << file.rdbuf();
            if (!text.str().empty())
                return text.str();
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return "";
    }

    std::string m_strFolder;
};

double SecondsSinceBoot()
{
    std::ifstream uptime("/proc/uptime");
    double dSeconds = 0;
    uptime >> dSeconds;
    return dSeconds;
}

// True once the terminal reads by lines again, as after the result box.
bool WaitForLineMode(CPtyChild& child)
{
    for (int i = 0; i < CPtyChild::WAIT_MS / 10; ++i) {
        struct termios ti = {};
        if (child.GetMode(&ti) && (ti.c_lflag & ICANON) != 0)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

TEST_P(MeasuringProgram, MeasuresCleansUpAndEndsOnAKey)
{
    ProgramRun run;
    run.args = {"/run"};
    run.state = AUTOSTART_WITH_ENTRY;
    run.output = GetParam().output;
    run.strPath = m_strFolder + ":/usr/bin:/bin";
    CPtyChild child;
    ASSERT_TRUE(child.Start([run] { return RunInPrivateAutostart(run); }));

    const std::string strResult = "Windows Bootup Time =  ";
    ASSERT_TRUE(child.WaitForOutput(strResult, SETTLE_WAIT_MS)) << "never settled:\n" << child.ScreenText();
    const std::string& strScreen = child.ScreenText();
    const double dBootTime = std::strtod(strScreen.c_str() + strScreen.find(strResult) + strResult.size(), nullptr);
    EXPECT_GT(dBootTime, 0.0);
    EXPECT_LT(dBootTime, SecondsSinceBoot() - 9.0) << "the streak's start lies ten samples back";

    // The text goes to standard output, not to the terminal: the key wait
    // shows itself by taking the terminal out of line mode once more.
    child.Send("\r");
    ASSERT_TRUE(WaitForLineMode(child)) << child.ScreenText();
    ASSERT_TRUE(child.WaitForRawMode());
    child.Send("x");
    int nStatus = 0;
    ASSERT_TRUE(child.WaitForExit(&nStatus)) << child.ScreenText();
    ASSERT_TRUE(WIFEXITED(nStatus));
    EXPECT_EQ(WEXITSTATUS(nStatus), 0);

    EXPECT_EQ(Opened(), "http://www.corvane.example/vantrelsupp.html\n");
    const std::string strStderr = child.ReadStderr();
    EXPECT_NE(strStderr.find("@@autostart empty\n"), std::string::npos) << strStderr;
    if (GetParam().output == OUTPUT_TO_TEST) {
        const std::string strOut = child.ReadStdout();
        EXPECT_EQ(strOut.rfind("Please wait....\nIMPORTANT: Do not use mouse or keyboard at this time\n\n\n\n", 0), 0u)
            << strOut;
        EXPECT_NE(strOut.find("\nCleaning up.....Done!!\n\n****"), std::string::npos) << strOut;
        EXPECT_NE(strOut.find("on our sponsors at http://WWW.CORVANE.EXAMPLE \n"), std::string::npos);
        const std::string strEnd = "Press Enter to exit\n";
        EXPECT_EQ(strOut.substr(strOut.size() - strEnd.size()), strEnd);
    }
}

INSTANTIATE_TEST_SUITE_P(Outputs, MeasuringProgram,
                         ::testing::Values(MeasureCase{"ToTheTest", OUTPUT_TO_TEST},
                                           MeasureCase{"BrokenPipe", OUTPUT_BROKEN_PIPE}),
                         CaseName());

}  // namespace

// Opening the support page: a stand-in xdg-open on a PATH of the test's own
// records what it was started with.
#include "linux/scratch_folder.h"
#include "win_api.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

const char PAGE[] = "http://www.corvane.example/vantrelsupp.html?a=1&b='2' $HOME";

bool Succeeded(HINSTANCE hResult)
{
    return reinterpret_cast<std::intptr_t>(hResult) > 32;
}

// The stand-in waits until the test lets it go, so a caller that waited for
// it would be caught, then writes its arguments, its standard streams and
// its session in one step.
const char OPENER_SCRIPT[] = R"(#!/bin/sh
dir="$(/usr/bin/dirname "$0")/.."
count=$#
target=$1
i=0
while [ ! -e "$dir/release" ] && [ $i -lt 500 ]; do /bin/sleep 0.02; i=$((i + 1)); done
released=waited-out
[ -e "$dir/release" ] && released=released
streams=$(/bin/readlink /proc/$$/fd/0 /proc/$$/fd/1 /proc/$$/fd/2)
set -- $(/bin/cat /proc/$$/stat)
printf '%s\n' "$count" "$target" "$released" "$streams" "$6" > "$dir/opened.tmp"
/bin/mv "$dir/opened.tmp" "$dir/opened"
)";

class ShellOpenTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_scratch.IsValid());
        const char* pszPath = std::getenv("PATH");
        m_bHadPath = pszPath != nullptr;
        if (m_bHadPath)
            m_strOldPath = pszPath;
        m_strBin = m_scratch.Path() + "/bin";
        ASSERT_EQ(mkdir(m_strBin.c_str(), 0755), 0);
    }
    void TearDown() override
    {
        if (m_bHadPath)
            setenv("PATH", m_strOldPath.c_str(), 1);
        else
            unsetenv("PATH");
    }

    void InstallOpener(const std::string& strScript)
    {
        const std::string strOpener = m_strBin + "/xdg-open";
        WriteWholeFile(strOpener, strScript);
        ASSERT_EQ(chmod(strOpener.c_str(), 0755), 0);
        ASSERT_EQ(setenv("PATH", ("/nonexistent-vantrel:" + m_strBin).c_str(), 1), 0);
    }

    // What the stand-in wrote, after a bounded wait for it.
    std::string WaitForRecord()
    {
        const std::string strRecord = m_scratch.Path() + "/opened";
        for (int i = 0; i < 1000 && ModeOf(strRecord) < 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return ReadWholeFile(strRecord);
    }

    CScratchFolder m_scratch;
    std::string m_strBin;
    std::string m_strOldPath;
    bool m_bHadPath = false;
};

TEST_F(ShellOpenTest, StartsOpenerDetachedWithThePage)
{
    InstallOpener(OPENER_SCRIPT);
    const HINSTANCE hResult = ShellExecuteA(nullptr, "Open", PAGE, nullptr, nullptr, SW_SHOWNORMAL);
    ASSERT_TRUE(Succeeded(hResult)) << reinterpret_cast<std::intptr_t>(hResult);
    // Back before the opener is done; and no child is left to reap.
    WriteWholeFile(m_scratch.Path() + "/release", "");
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);

    const std::string strExpected = "1\n" + std::string(PAGE) + "\nreleased\n/dev/null\n/dev/null\n/dev/null\n";
    const std::string strRecord = WaitForRecord();
    ASSERT_EQ(strRecord.compare(0, strExpected.size(), strExpected), 0) << strRecord;
    const std::string strSession = strRecord.substr(strExpected.size());
    EXPECT_NE(std::stol(strSession), static_cast<long>(getsid(0))) << "still in the caller's session";
}

TEST_F(ShellOpenTest, VerbOpenInAnyCase)
{
    InstallOpener("#!/bin/sh\nexit 0\n");
    // No verb is the default one, which opens.
    const char* const openVerbs[] = {"Open", "open", "OPEN", nullptr};
    for (const char* pszVerb : openVerbs)
        EXPECT_TRUE(Succeeded(ShellExecuteA(nullptr, pszVerb, PAGE, nullptr, nullptr, SW_SHOWNORMAL))) << pszVerb;
    for (const char* pszVerb : {"edit", "print", "", "opened"})
        EXPECT_FALSE(Succeeded(ShellExecuteA(nullptr, pszVerb, PAGE, nullptr, nullptr, SW_SHOWNORMAL))) << pszVerb;
}

TEST_F(ShellOpenTest, NoOpenerIsAQuietFailure)
{
    InstallOpener(OPENER_SCRIPT);
    // The opener in the working folder must not count: PATH has no entry for it.
    char szOldCwd[4096];
    ASSERT_NE(getcwd(szOldCwd, sizeof(szOldCwd)), nullptr);
    ASSERT_EQ(chdir(m_strBin.c_str()), 0);
    for (const char* pszPath : {"", ":", "/nonexistent-vantrel"}) {
        ASSERT_EQ(setenv("PATH", pszPath, 1), 0);
        EXPECT_FALSE(Succeeded(ShellExecuteA(nullptr, "Open", PAGE, nullptr, nullptr, SW_SHOWNORMAL)))
            << "PATH=" << pszPath;
    }
    unsetenv("PATH");
    EXPECT_FALSE(Succeeded(ShellExecuteA(nullptr, "Open", PAGE, nullptr, nullptr, SW_SHOWNORMAL)));
    ASSERT_EQ(chdir(szOldCwd), 0);
    EXPECT_EQ(ModeOf(m_scratch.Path() + "/opened"), -1);
}

// Found in PATH but cannot be started: the failure still comes back.
TEST_F(ShellOpenTest, OpenerThatCannotStartIsAFailure)
{
    InstallOpener("#!/nonexistent-vantrel/sh\n");
    EXPECT_FALSE(Succeeded(ShellExecuteA(nullptr, "Open", PAGE, nullptr, nullptr, SW_SHOWNORMAL)));
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
}

TEST_F(ShellOpenTest, TargetsThatAreNoPageAreRefused)
{
    InstallOpener(OPENER_SCRIPT);
    for (const char* pszTarget : {"", "--help"})
        EXPECT_FALSE(Succeeded(ShellExecuteA(nullptr, "Open", pszTarget, nullptr, nullptr, SW_SHOWNORMAL)));
    EXPECT_FALSE(Succeeded(ShellExecuteA(nullptr, "Open", nullptr, nullptr, nullptr, SW_SHOWNORMAL)));
    EXPECT_EQ(ModeOf(m_scratch.Path() + "/opened"), -1);
}

}  // namespace

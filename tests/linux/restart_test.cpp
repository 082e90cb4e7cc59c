// The executable's path, the shutdown privilege and the choice of the way
// to restart. The restart itself only ever meets fakes here.
#include "linux/scratch_folder.h"
#include "linux_restart.h"
#include "support/case_name.h"
#include "win_api.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <linux/capability.h>
#include <string>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

// What the fakes were asked to do, in order.
std::vector<std::string> g_calls;
int g_nRunResult = 0;
int g_nRunErrno = 0;
int g_nRebootResult = 0;
int g_nRebootErrno = 0;

void FakeSync()
{
    g_calls.push_back("sync");
}

int FakeRun(const char* const argv[])
{
    std::string strCall = "run";
    for (const char* const* ppszArg = argv; *ppszArg != nullptr; ++ppszArg)
        strCall += std::string(" ") + *ppszArg;
    g_calls.push_back(strCall);
    errno = g_nRunErrno;
    return g_nRunResult;
}

int FakeReboot()
{
    g_calls.push_back("reboot");
    errno = g_nRebootErrno;
    return g_nRebootResult;
}

// In place from the start of the program: a call that slips past the
// fixtures fails the test instead of restarting the machine.
int TripRun(const char* const[])
{
    ADD_FAILURE() << "a command was run by a restart outside the fakes";
    errno = EPERM;
    return -1;
}
int TripReboot()
{
    ADD_FAILURE() << "the machine was asked to restart outside the fakes";
    errno = EPERM;
    return -1;
}
void TripSync() {}

const RestartActions TRIPWIRE_ACTIONS = {"/nonexistent-vantrel-marker", TripSync, TripRun, TripReboot};

struct CRestartGuard {
    CRestartGuard() { SetRestartActionsForTest(&TRIPWIRE_ACTIONS); }
} g_restartGuard;

enum Init { SYSTEMD, NO_SYSTEMD, MARKER_IS_FILE };

struct RestartCase {
    const char* pszName;
    Init init;
    int nRunResult;
    int nRunErrno;
    int nRebootResult;
    int nRebootErrno;
    BOOL bExpected;
    DWORD dwExpectedError;
    std::vector<std::string> expectedCalls;
};

const char SYSTEMCTL_CALL[] = "run systemctl reboot --force";

class RestartPathTest : public ::testing::TestWithParam<RestartCase> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_scratch.IsValid());
        g_calls.clear();
        const RestartCase& c = GetParam();
        g_nRunResult = c.nRunResult;
        g_nRunErrno = c.nRunErrno;
        g_nRebootResult = c.nRebootResult;
        g_nRebootErrno = c.nRebootErrno;
        m_strMarker = m_scratch.Path() + "/systemd";
        if (c.init == SYSTEMD) {
            ASSERT_TRUE(std::filesystem::create_directory(m_strMarker));
        }
        if (c.init == MARKER_IS_FILE)
            WriteWholeFile(m_strMarker, "");
        m_actions = {m_strMarker.c_str(), FakeSync, FakeRun, FakeReboot};
        SetRestartActionsForTest(&m_actions);
    }
    void TearDown() override { SetRestartActionsForTest(&TRIPWIRE_ACTIONS); }

    CScratchFolder m_scratch;
    std::string m_strMarker;
    RestartActions m_actions{};
};

TEST_P(RestartPathTest, SyncsThenTakesTheRightWay)
{
    const RestartCase& c = GetParam();
    EXPECT_EQ(ExitWindowsEx(EWX_REBOOT | EWX_FORCE, 0), c.bExpected);
    EXPECT_EQ(GetLastError(), c.dwExpectedError);
    EXPECT_EQ(g_calls, c.expectedCalls);
}

INSTANTIATE_TEST_SUITE_P(
    Ways, RestartPathTest,
    ::testing::Values(
        RestartCase{"SystemdRestarts", SYSTEMD, 0, 0, -1, EPERM, TRUE, ERROR_SUCCESS, {"sync", SYSTEMCTL_CALL}},
        RestartCase{"SystemctlFailsKernelRestarts",
                    SYSTEMD,
                    1,
                    0,
                    0,
                    0,
                    TRUE,
                    ERROR_SUCCESS,
                    {"sync", SYSTEMCTL_CALL, "reboot"}},
        RestartCase{"NeitherStarts",
                    SYSTEMD,
                    -1,
                    ENOENT,
                    -1,
                    EPERM,
                    FALSE,
                    ERROR_ACCESS_DENIED,
                    {"sync", SYSTEMCTL_CALL, "reboot"}},
        RestartCase{"NoSystemdKernelRestarts", NO_SYSTEMD, 0, 0, 0, 0, TRUE, ERROR_SUCCESS, {"sync", "reboot"}},
        RestartCase{"NoSystemdNoRight", NO_SYSTEMD, 0, 0, -1, EPERM, FALSE, ERROR_ACCESS_DENIED, {"sync", "reboot"}},
        RestartCase{"MarkerFileIsNotSystemd", MARKER_IS_FILE, 0, 0, 0, 0, TRUE, ERROR_SUCCESS, {"sync", "reboot"}}),
    CaseName());

TEST(RestartFlagsTest, OnlyTheForcedRebootIsOffered)
{
    g_calls.clear();
    const RestartActions actions = {"/", FakeSync, FakeRun, FakeReboot};
    SetRestartActionsForTest(&actions);
    for (UINT uFlags : {0u, EWX_REBOOT, EWX_FORCE, EWX_REBOOT | EWX_FORCE | 0x10u}) {
        EXPECT_EQ(ExitWindowsEx(uFlags, 0), FALSE) << uFlags;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    }
    SetRestartActionsForTest(&TRIPWIRE_ACTIONS);
    EXPECT_TRUE(g_calls.empty());
}

struct CapsCase {
    const char* pszName;
    std::string strStatus;
    bool bParsed;
    std::uint64_t ullCaps;
};

class EffectiveCapsTest : public ::testing::TestWithParam<CapsCase> {};

TEST_P(EffectiveCapsTest, ReadsTheCapEffLine)
{
    const CapsCase& c = GetParam();
    std::uint64_t ullCaps = 0xdeadu;
    EXPECT_EQ(ParseEffectiveCaps(c.strStatus, ullCaps), c.bParsed);
    EXPECT_EQ(ullCaps, c.bParsed ? c.ullCaps : 0xdeadu);
}

const char ROOT_STATUS[] = "Name:\tvantrel\nUid:\t0\t0\t0\t0\nCapInh:\t0000000000000000\nCapPrm:\t000001ffffffffff\n"
                           "CapEff:\t000001ffffffffff\nCapBnd:\t000001ffffffffff\nCapAmb:\t0000000000000000\n";

INSTANTIATE_TEST_SUITE_P(
    Lines, EffectiveCapsTest,
    ::testing::Values(CapsCase{"Root", ROOT_STATUS, true, 0x1ffffffffffull},
                      CapsCase{"User", "CapPrm:\t0000000000400000\nCapEff:\t0000000000000000\n", true, 0},
                      CapsCase{"BootOnlyLastLine", "Name:\tx\nCapEff:\t0000000000400000", true, 1ull << 22},
                      CapsCase{"UpperCase", "CapEff:\t00000000004000AB\n", true, 0x4000abull},
                      CapsCase{"Missing", "Name:\tx\nCapPrm:\t0000000000400000\n", false, 0},
                      CapsCase{"NotAtLineStart", "XCapEff:\t0000000000400000\n", false, 0},
                      CapsCase{"NoDigits", "CapEff:\t\nCapBnd:\t0000000000400000\n", false, 0},
                      CapsCase{"NotHex", "CapEff:\t00000000004g0000\n", false, 0},
                      CapsCase{"TooLong", "CapEff:\t10000000000400000\n", false, 0}),
    CaseName());

bool ProcessHoldsBootCap()
{
    std::uint64_t ullCaps = 0;
    return ParseEffectiveCaps(ReadWholeFile("/proc/self/status"), ullCaps) && ((ullCaps >> CAP_SYS_BOOT_BIT) & 1u) != 0;
}

DWORD EnableShutdownPrivilege()
{
    HANDLE hToken = nullptr;
    EXPECT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &hToken));
    TOKEN_PRIVILEGES privileges{};
    EXPECT_TRUE(LookupPrivilegeValueA(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid));
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    EXPECT_EQ(AdjustTokenPrivileges(hToken, FALSE, &privileges, 0, nullptr, nullptr), TRUE);
    const DWORD dwError = GetLastError();
    EXPECT_TRUE(CloseHandle(hToken));
    return dwError;
}

TEST(ShutdownPrivilegeTest, FollowsTheBootCapability)
{
    EXPECT_EQ(EnableShutdownPrivilege(),
              ProcessHoldsBootCap() ? static_cast<DWORD>(ERROR_SUCCESS) : static_cast<DWORD>(ERROR_NOT_ALL_ASSIGNED));
}

// A child drops CAP_SYS_BOOT from its effective set and asks again.
TEST(ShutdownPrivilegeTest, NotAssignedWithoutTheCapability)
{
    if (!ProcessHoldsBootCap())
        GTEST_SKIP() << "covered by FollowsTheBootCapability: this process lacks the capability";
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
        __user_cap_data_struct data[2]{};
        if (syscall(SYS_capget, &header, data) != 0)
            _exit(2);
        data[0].effective &= ~(1u << CAP_SYS_BOOT_BIT);
        if (syscall(SYS_capset, &header, data) != 0 || ProcessHoldsBootCap())
            _exit(2);
        _exit(EnableShutdownPrivilege() == static_cast<DWORD>(ERROR_NOT_ALL_ASSIGNED) ? 0 : 1);
    }
    int nStatus = 0;
    ASSERT_EQ(waitpid(pid, &nStatus, 0), pid);
    ASSERT_TRUE(WIFEXITED(nStatus));
    ASSERT_NE(WEXITSTATUS(nStatus), 2) << "the capability could not be dropped";
    EXPECT_EQ(WEXITSTATUS(nStatus), 0);
}

TEST(ShutdownPrivilegeTest, OtherPrivilegesAreUnknownOrNotHeld)
{
    LUID luid{};
    EXPECT_FALSE(LookupPrivilegeValueA(nullptr, "SeDebugPrivilege", &luid));
    EXPECT_NE(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_FALSE(LookupPrivilegeValueA("otherhost", SE_SHUTDOWN_NAME, &luid));

    HANDLE hToken = nullptr;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &hToken));
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Luid = LUID{12345, 0};
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    EXPECT_EQ(AdjustTokenPrivileges(hToken, FALSE, &privileges, 0, nullptr, nullptr), TRUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ALL_ASSIGNED));
    EXPECT_FALSE(AdjustTokenPrivileges(nullptr, FALSE, &privileges, 0, nullptr, nullptr));
    EXPECT_TRUE(CloseHandle(hToken));
    EXPECT_FALSE(CloseHandle(nullptr));
}

class ModulePathTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_strExpected = std::filesystem::read_symlink("/proc/self/exe").string();
        ASSERT_GT(m_strExpected.size(), 4u);
    }
    std::string m_strExpected;
};

TEST_F(ModulePathTest, FitsWhole)
{
    std::vector<char> buffer(m_strExpected.size() + 10, 'Z');
    const DWORD dwSize = static_cast<DWORD>(m_strExpected.size() + 1);
    EXPECT_EQ(GetModuleFileNameA(nullptr, buffer.data(), dwSize), m_strExpected.size());
    EXPECT_STREQ(buffer.data(), m_strExpected.c_str());
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(buffer[dwSize], 'Z');
}

// Cut to size - 1 characters and a zero, answering size, as Windows does;
// no byte past the buffer is touched.
TEST_F(ModulePathTest, TooSmallIsCutAndSaysSo)
{
    const std::size_t sizes[] = {1, 5, m_strExpected.size()};
    for (std::size_t size : sizes) {
        std::vector<char> buffer(size + 1, 'Z');
        EXPECT_EQ(GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(size)), size);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
        EXPECT_EQ(std::string(buffer.data()), m_strExpected.substr(0, size - 1));
        EXPECT_EQ(buffer[size], 'Z');
    }
}

TEST_F(ModulePathTest, OtherModulesAreRefused)
{
    char szBuffer[16] = "unchanged";
    EXPECT_EQ(GetModuleFileNameA(reinterpret_cast<HMODULE>(szBuffer), szBuffer, sizeof(szBuffer)), 0u);
    EXPECT_NE(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(GetModuleFileNameA(nullptr, szBuffer, 0), 0u);
    EXPECT_STREQ(szBuffer, "unchanged");
}

}  // namespace

// The Linux stand-ins on this machine: the performance data query, the
// tick count, the pause, the version query, the processor count and the
// console output.
#include "cpu_usage.h"
#include "perf_walk.h"
#include "platform.h"
#include "proc_stat.h"
#include "win_api.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const DWORD BINARY_VALUE_TYPE = 3;  // REG_BINARY

LONGLONG BootClock100ns()
{
    timespec ts{};
    clock_gettime(CLOCK_BOOTTIME, &ts);
    return static_cast<LONGLONG>(ts.tv_sec) * 10000000LL + ts.tv_nsec / 100;
}

DWORD NeededSize()
{
    DWORD cbData = 0;
    EXPECT_EQ(RegQueryValueExA(HKEY_PERFORMANCE_DATA, "230", nullptr, nullptr, nullptr, &cbData), ERROR_MORE_DATA);
    return cbData;
}

DWORD CountCpuLinesOfProcStat()
{
    std::ifstream file("/proc/stat");
    DWORD dwCount = 0;
    for (std::string strLine; std::getline(file, strLine);)
        if (strLine.size() > 3 && strLine.compare(0, 3, "cpu") == 0 &&
            std::isdigit(static_cast<unsigned char>(strLine[3])))
            ++dwCount;
    return dwCount;
}

// Points the reader at files of the test's own and back at /proc/stat after.
class ProcStatSource : public ::testing::Test {
protected:
    void SetUp() override
    {
        char szDir[] = "/tmp/vantrel-procstat-XXXXXX";
        ASSERT_NE(mkdtemp(szDir), nullptr);
        m_strDir = szDir;
    }

    void TearDown() override
    {
        SetProcStatPathForTest(nullptr);
        for (const std::string& strPath : m_files)
            unlink(strPath.c_str());
        rmdir(m_strDir.c_str());
    }

    std::string WriteText(const char* pszName, const std::string& strText)
    {
        std::string strPath = m_strDir + "/" + pszName;
        std::ofstream(strPath, std::ios::binary) << strText;
        m_files.push_back(strPath);
        return strPath;
    }

    std::string m_strDir;
    std::vector<std::string> m_files;
};

TEST_F(ProcStatSource, AnswersFromThisMachine)
{
    const DWORD cbNeeded = NeededSize();
    std::vector<BYTE> buffer(cbNeeded + 64);
    DWORD cbData = static_cast<DWORD>(buffer.size());
    DWORD dwType = 0;
    const LONGLONG llBefore = BootClock100ns();
    ASSERT_EQ(RegQueryValueExA(HKEY_PERFORMANCE_DATA, "230", nullptr, &dwType, buffer.data(), &cbData), ERROR_SUCCESS);
    const LONGLONG llAfter = BootClock100ns();
    EXPECT_EQ(dwType, BINARY_VALUE_TYPE);
    EXPECT_EQ(cbData, cbNeeded);

    const LONGLONG llIdle = FindCounterInBlock(buffer.data(), cbData, PERF_OBJ_PROCESS, PERF_CTR_PROCESSOR_TIME, 0);
    EXPECT_NE(llIdle, COUNTER_NOT_FOUND);
    EXPECT_GE(llIdle, 0);
    const LONGLONG llTime = ReadPerfTime(buffer.data(), cbData);
    EXPECT_GE(llTime, llBefore);
    EXPECT_LE(llTime, llAfter);
}

TEST_F(ProcStatSource, ShortBufferGetsTheNeededSize)
{
    const DWORD cbNeeded = NeededSize();
    ASSERT_GT(cbNeeded, 0u);
    std::vector<BYTE> buffer(cbNeeded, 0xAB);
    DWORD cbData = cbNeeded - 1;
    EXPECT_EQ(RegQueryValueExA(HKEY_PERFORMANCE_DATA, "230", nullptr, nullptr, buffer.data(), &cbData),
              ERROR_MORE_DATA);
    EXPECT_EQ(cbData, cbNeeded);
    EXPECT_EQ(std::count(buffer.begin(), buffer.end(), 0xAB), static_cast<std::ptrdiff_t>(cbNeeded));

    cbData = 0;
    EXPECT_EQ(RegQueryValueExA(HKEY_PERFORMANCE_DATA, "230", nullptr, nullptr, buffer.data(), &cbData),
              ERROR_MORE_DATA);
    EXPECT_EQ(cbData, cbNeeded);

    // No buffer at all, whatever size is claimed.
    cbData = 1u << 20;
    EXPECT_EQ(RegQueryValueExA(HKEY_PERFORMANCE_DATA, "230", nullptr, nullptr, nullptr, &cbData), ERROR_MORE_DATA);
    EXPECT_EQ(cbData, cbNeeded);

    EXPECT_EQ(RegQueryValueExA(HKEY_PERFORMANCE_DATA, "230", nullptr, nullptr, buffer.data(), nullptr),
              ERROR_INVALID_PARAMETER);
}

TEST_F(ProcStatSource, OtherNamesAndKeysAreNotFound)
{
    std::vector<BYTE> buffer(4096);
    const char* const apszNames[] = {"231", "238", "", "Global", "Costly", "0230", "230 ", "2300", nullptr};
    for (const char* pszName : apszNames) {
        DWORD cbData = static_cast<DWORD>(buffer.size());
        EXPECT_EQ(RegQueryValueExA(HKEY_PERFORMANCE_DATA, pszName, nullptr, nullptr, buffer.data(), &cbData),
                  ERROR_FILE_NOT_FOUND)
            << (pszName ? pszName : "(null)");
    }
    DWORD cbData = static_cast<DWORD>(buffer.size());
    EXPECT_EQ(RegQueryValueExA(HKEY_LOCAL_MACHINE, "230", nullptr, nullptr, buffer.data(), &cbData),
              ERROR_FILE_NOT_FOUND);
}

TEST_F(ProcStatSource, CapturedFileGivesTheExactIdleTime)
{
    SetProcStatPathForTest(VANTREL_LINUX_TEST_DATA "/proc_stat_4cpu.txt");
    std::vector<BYTE> buffer(NeededSize());
    DWORD cbData = static_cast<DWORD>(buffer.size());
    ASSERT_EQ(RegQueryValueExA(HKEY_PERFORMANCE_DATA, "230", nullptr, nullptr, buffer.data(), &cbData), ERROR_SUCCESS);
    // idle + iowait of the first line, in clock ticks of this machine.
    const LONGLONG llExpected = (46828483LL + 16683LL) * 10000000LL / sysconf(_SC_CLK_TCK);
    EXPECT_EQ(FindCounterInBlock(buffer.data(), cbData, PERF_OBJ_PROCESS, PERF_CTR_PROCESSOR_TIME, 0), llExpected);
    EXPECT_EQ(GetLogicalProcessorCount(), 4u);
}

struct FaultCase {
    const char* pszName;
    const char* pszText;
};

const FaultCase FAULT_CASES[] = {
    {"empty", ""},
    {"cut", "cpu  3943 0 3474 70438 379"},
    {"garbled", "\x7f"
                "ELF\x02\x01\x01\n"},
    {"missing_fields", "cpu  3943 0 3474\ncpu0 1 2 3\n"},
};

TEST_F(ProcStatSource, FaultySourceNeverAnswersSuccess)
{
    std::vector<std::string> paths;
    for (const FaultCase& c : FAULT_CASES)
        paths.push_back(WriteText(c.pszName, c.pszText));
    paths.push_back(m_strDir + "/missing");
    paths.push_back(m_strDir);  // a folder: opens, but cannot be read

    std::vector<BYTE> buffer(NeededSize(), 0xAB);
    for (const std::string& strPath : paths) {
        SetProcStatPathForTest(strPath.c_str());
        DWORD cbData = static_cast<DWORD>(buffer.size());
        const LONG lResult = RegQueryValueExA(HKEY_PERFORMANCE_DATA, "230", nullptr, nullptr, buffer.data(), &cbData);
        EXPECT_NE(lResult, ERROR_SUCCESS) << strPath;
        EXPECT_NE(lResult, ERROR_MORE_DATA) << strPath;
    }
}

TEST_F(ProcStatSource, UnreadableSourceFallsBackToOnlineCount)
{
    SetProcStatPathForTest(WriteText("empty", "").c_str());
    const long lOnline = sysconf(_SC_NPROCESSORS_ONLN);
    EXPECT_EQ(GetLogicalProcessorCount(), static_cast<DWORD>(std::max(lOnline, 1L)));
}

TEST(LinuxProcessors, CountIsTheNumberOfCpuLines)
{
    EXPECT_EQ(GetLogicalProcessorCount(), CountCpuLinesOfProcStat());
}

TEST(LinuxCpuUsage, TwoRealSnapshotsGiveAShare)
{
    PerfSnapshotView view = {nullptr, 0};
    const LONGLONG llIdle = FindProcessCounter(PERF_OBJ_PROCESS, PERF_CTR_PROCESSOR_TIME, 0, view);
    ASSERT_GT(view.cbData, 0u);
    EXPECT_GE(llIdle, 0);

    CCpuUsage usage;
    EXPECT_EQ(usage.ProcessUsage(0), 0);
    Sleep(300);
    const int nShare = usage.ProcessUsage(0);
    EXPECT_GE(nShare, 0);
    // A wrong unit would miss by powers of ten; allow generous slack for tick rounding.
    EXPECT_LE(nShare, static_cast<int>(GetLogicalProcessorCount()) * 100 * 2);
}

TEST(LinuxTime, TickCountFollowsTheBootClock)
{
    const LONGLONG llBefore = BootClock100ns() / 10000;
    const DWORD dwTick = GetTickCount();
    const LONGLONG llAfter = BootClock100ns() / 10000;
    // Compared in 32-bit arithmetic, so a wrap between the reads does no harm.
    EXPECT_LE(static_cast<DWORD>(dwTick - static_cast<DWORD>(llBefore)), static_cast<DWORD>(llAfter - llBefore));
}

volatile std::sig_atomic_t g_bAlarmSeen = 0;

void OnAlarm(int)
{
    g_bAlarmSeen = 1;
}

TEST(LinuxTime, SleepLastsItsFullTimeThroughSignals)
{
    struct sigaction action = {};
    action.sa_handler = OnAlarm;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no SA_RESTART: the wait is woken
    struct sigaction previous = {};
    ASSERT_EQ(sigaction(SIGALRM, &action, &previous), 0);
    itimerval timer = {};
    timer.it_value.tv_usec = 40000;
    timer.it_interval.tv_usec = 40000;
    ASSERT_EQ(setitimer(ITIMER_REAL, &timer, nullptr), 0);

    timespec tsStart{};
    clock_gettime(CLOCK_MONOTONIC, &tsStart);
    Sleep(300);
    timespec tsEnd{};
    clock_gettime(CLOCK_MONOTONIC, &tsEnd);

    const itimerval stop = {};
    setitimer(ITIMER_REAL, &stop, nullptr);
    sigaction(SIGALRM, &previous, nullptr);

    const long long llElapsedMs =
        (tsEnd.tv_sec - tsStart.tv_sec) * 1000LL + (tsEnd.tv_nsec - tsStart.tv_nsec) / 1000000LL;
    EXPECT_EQ(g_bAlarmSeen, 1);
    EXPECT_GE(llElapsedMs, 300);
}

TEST(LinuxVersion, QueryFailsSoTheFamilyIsUnknown)
{
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof(info);
    EXPECT_EQ(GetVersionExA(&info), FALSE);
    EXPECT_NE(GetLastError(), 0u);
    EXPECT_EQ(ClassifyWindows(), WF_UNKNOWN);
}

// On a terminal a text without a line end shows before anything else is written.
TEST(LinuxConsole, TerminalShowsTextWithoutLineEndAtOnce)
{
    int aiRelease[2];
    ASSERT_EQ(pipe(aiRelease), 0);
    std::fflush(stdout);  // nothing pending may be written twice
    int fdTerminal = -1;
    const pid_t pid = forkpty(&fdTerminal, nullptr, nullptr, nullptr);
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        close(aiRelease[1]);
        PrepareConsoleOutput();
        std::fputs("Please wait....", stdout);
        char c = 0;
        const ssize_t cbRead = read(aiRelease[0], &c, 1);  // held until the test has looked
        _exit(cbRead < 0 ? 1 : 0);
    }
    close(aiRelease[0]);

    std::string strSeen;
    pollfd fd = {fdTerminal, POLLIN, 0};
    while (strSeen.find("Please wait....") == std::string::npos && poll(&fd, 1, 5000) > 0) {
        char acChunk[64];
        const ssize_t cbChunk = read(fdTerminal, acChunk, sizeof(acChunk));
        if (cbChunk <= 0)
            break;
        strSeen.append(acChunk, static_cast<size_t>(cbChunk));
    }
    close(aiRelease[1]);
    int nStatus = 0;
    waitpid(pid, &nStatus, 0);
    close(fdTerminal);
    EXPECT_NE(strSeen.find("Please wait...."), std::string::npos) << strSeen;
}

}  // namespace

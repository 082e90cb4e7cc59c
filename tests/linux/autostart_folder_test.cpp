// The Run key as the autostart folder, through the registry calls. Every
// test works in a folder of its own under /tmp, never the machine's.
#include "autostart_folder.h"
#include "desktop_entry.h"
#include "linux/scratch_folder.h"
#include "registry_access.h"
#include "support/case_name.h"
#include "win_api.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <sched.h>
#include <sstream>
#include <string>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

const char REAL_FOLDER[] = "/etc/xdg/autostart";
// Under a character device: nothing can ever be created there.
const char GUARD_FOLDER[] = "/dev/null/vantrel-tests-use-no-real-folder";
const char ENTRY_FILE[] = "WinVantrel.desktop";

// From the start of the program, before any test runs.
struct CFolderGuard {
    CFolderGuard() { SetAutostartFolderForTest(GUARD_FOLDER); }
} g_folderGuard;

std::string ExecOf(const std::string& strFile)
{
    std::istringstream lines(strFile);
    std::string strLine;
    while (std::getline(lines, strLine)) {
        if (strLine.rfind("Exec=", 0) == 0)
            return strLine.substr(5);
    }
    return std::string();
}

class AutostartKeyTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_scratch.IsValid());
        m_strFolder = m_scratch.Path() + "/xdg/autostart";
        UseFolder(m_strFolder);
    }
    void TearDown() override { SetAutostartFolderForTest(GUARD_FOLDER); }

    void UseFolder(const std::string& strFolder)
    {
        SetAutostartFolderForTest(strFolder.c_str());
        ASSERT_EQ(GetAutostartFolder(), strFolder);
        ASSERT_NE(GetAutostartFolder(), REAL_FOLDER);
    }

    HKEY OpenRun()
    {
        HKEY hKey = nullptr;
        EXPECT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, RUN_KEY_PATH, &hKey), ERROR_SUCCESS);
        return hKey;
    }

    // One open, write, close, as the arming mode does it.
    LONG WriteCommand(const std::string& strCommand)
    {
        HKEY hKey = OpenRun();
        if (hKey == nullptr)
            return -1;
        const LONG lResult =
            RegSetValueExA(hKey, AUTOSTART_VALUE, 0, REG_SZ, reinterpret_cast<const BYTE*>(strCommand.c_str()),
                           static_cast<DWORD>(strCommand.size() + 1));
        EXPECT_EQ(RegCloseKey(hKey), ERROR_SUCCESS);
        return lResult;
    }

    std::string EntryPath() const { return m_strFolder + "/" + ENTRY_FILE; }

    CScratchFolder m_scratch;
    std::string m_strFolder;
};

TEST_F(AutostartKeyTest, OpenCreatesFolderReadableByEveryone)
{
    const mode_t oldMask = umask(077);
    HKEY hKey = OpenRun();
    umask(oldMask);
    ASSERT_NE(hKey, nullptr);
    EXPECT_EQ(ModeOf(m_scratch.Path() + "/xdg"), 0755);
    EXPECT_EQ(ModeOf(m_strFolder), 0755);
    EXPECT_EQ(RegCloseKey(hKey), ERROR_SUCCESS);
}

TEST_F(AutostartKeyTest, PathIsMatchedWithoutCase)
{
    HKEY hKey = nullptr;
    ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "software\\microsoft\\windows\\currentversion\\RUN", &hKey),
              ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(hKey), ERROR_SUCCESS);
}

TEST_F(AutostartKeyTest, OtherKeysAreNotFoundAndCreateNothing)
{
    struct {
        HKEY hRoot;
        const char* pszPath;
        bool bEx;
    } const cases[] = {
        {HKEY_LOCAL_MACHINE, PERFOS_KEY_PATH, true},      {HKEY_LOCAL_MACHINE, PERFPROC_KEY_PATH, true},
        {HKEY_LOCAL_MACHINE, "SOFTWARE\\Vantrel", false}, {HKEY_LOCAL_MACHINE, RUN_KEY_PATH "\\Sub", false},
        {HKEY_PERFORMANCE_DATA, RUN_KEY_PATH, false},     {HKEY_LOCAL_MACHINE, nullptr, false},
    };
    for (const auto& c : cases) {
        HKEY hKey = reinterpret_cast<HKEY>(&m_strFolder);  // must be cleared
        const LONG lResult = c.bEx ? RegOpenKeyExA(c.hRoot, c.pszPath, 0, KEY_READ | KEY_WRITE, &hKey)
                                   : RegOpenKeyA(c.hRoot, c.pszPath, &hKey);
        EXPECT_EQ(lResult, ERROR_FILE_NOT_FOUND) << (c.pszPath ? c.pszPath : "(null)");
        EXPECT_EQ(hKey, nullptr);
    }
    EXPECT_EQ(ModeOf(m_scratch.Path() + "/xdg"), -1);
}

TEST_F(AutostartKeyTest, WriteLeavesOneReadableEntryThatStartsThePath)
{
    const std::string strPath = "/opt/my apps/v\\a$n`t\"r%e'l";
    const mode_t oldMask = umask(077);
    const LONG lResult = WriteCommand("\"" + strPath + "\" /run");
    umask(oldMask);
    ASSERT_EQ(lResult, ERROR_SUCCESS);

    EXPECT_EQ(ListFolder(m_strFolder), std::set<std::string>{ENTRY_FILE});
    EXPECT_EQ(ModeOf(EntryPath()), 0644);
    const std::string strFile = ReadWholeFile(EntryPath());
    EXPECT_EQ(strFile.rfind("[Desktop Entry]\n", 0), 0u);
    std::vector<std::string> args;
    ASSERT_TRUE(SplitDesktopExec(ExecOf(strFile), args)) << strFile;
    EXPECT_EQ(args, (std::vector<std::string>{strPath, "/run"}));
}

TEST_F(AutostartKeyTest, SecondWriteReplacesTheFirst)
{
    ASSERT_EQ(WriteCommand("\"/opt/old/vantrel\" /run"), ERROR_SUCCESS);
    ASSERT_EQ(WriteCommand("\"/opt/new/vantrel\" /run"), ERROR_SUCCESS);
    EXPECT_EQ(ListFolder(m_strFolder), std::set<std::string>{ENTRY_FILE});
    EXPECT_EQ(ExecOf(ReadWholeFile(EntryPath())), "\"/opt/new/vantrel\" /run");
}

TEST_F(AutostartKeyTest, DataIsTakenByCountNotByTerminator)
{
    // Bytes past the count are never read; a missing terminator is fine.
    const char szData[] = "\"/opt/v\" /runEXTRA";
    HKEY hKey = OpenRun();
    ASSERT_NE(hKey, nullptr);
    EXPECT_EQ(RegSetValueExA(hKey, AUTOSTART_VALUE, 0, REG_SZ, reinterpret_cast<const BYTE*>(szData), 13),
              ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(hKey), ERROR_SUCCESS);
    EXPECT_EQ(ExecOf(ReadWholeFile(EntryPath())), "\"/opt/v\" /run");
}

struct RefusedWrite {
    const char* pszName;
    const char* pszValueName;
    DWORD dwType;
    std::string strData;  // taken whole, terminator included when wanted
};

class RefusedWriteTest : public AutostartKeyTest, public ::testing::WithParamInterface<RefusedWrite> {};

TEST_P(RefusedWriteTest, AnswersInvalidParameterAndLeavesNothing)
{
    const RefusedWrite& w = GetParam();
    HKEY hKey = OpenRun();
    ASSERT_NE(hKey, nullptr);
    EXPECT_EQ(RegSetValueExA(hKey, w.pszValueName, 0, w.dwType, reinterpret_cast<const BYTE*>(w.strData.data()),
                             static_cast<DWORD>(w.strData.size())),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegCloseKey(hKey), ERROR_SUCCESS);
    EXPECT_TRUE(ListFolder(m_strFolder).empty());
}

using namespace std::string_literals;

INSTANTIATE_TEST_SUITE_P(Writes, RefusedWriteTest,
                         ::testing::Values(RefusedWrite{"DwordType", AUTOSTART_VALUE, REG_DWORD, "\"/opt/v\" /run\0"s},
                                           RefusedWrite{"EmptyName", "", REG_SZ, "\"/opt/v\" /run\0"s},
                                           RefusedWrite{"DotName", ".WinVantrel", REG_SZ, "\"/opt/v\" /run\0"s},
                                           RefusedWrite{"SlashName", "../WinVantrel", REG_SZ, "\"/opt/v\" /run\0"s},
                                           RefusedWrite{"NoData", AUTOSTART_VALUE, REG_SZ, ""},
                                           RefusedWrite{"LineBreak", AUTOSTART_VALUE, REG_SZ, "\"/opt/v\" /run\n\0"s},
                                           RefusedWrite{"ZeroInside", AUTOSTART_VALUE, REG_SZ, "\"/opt/v\"\0 /run\0"s},
                                           RefusedWrite{"Unbalanced", AUTOSTART_VALUE, REG_SZ, "\"/opt/v /run\0"s}),
                         CaseName());

TEST_F(AutostartKeyTest, DeleteRemovesEntryThenFindsNothing)
{
    ASSERT_EQ(WriteCommand("\"/opt/v\" /run"), ERROR_SUCCESS);
    HKEY hKey = OpenRun();
    ASSERT_NE(hKey, nullptr);
    EXPECT_EQ(RegDeleteValueA(hKey, AUTOSTART_VALUE), ERROR_SUCCESS);
    EXPECT_TRUE(ListFolder(m_strFolder).empty());
    EXPECT_EQ(RegDeleteValueA(hKey, AUTOSTART_VALUE), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegCloseKey(hKey), ERROR_SUCCESS);
}

// A temporary left by a crash is not the entry: it is neither deleted as
// the entry nor read in its place, and its name keeps launchers away.
TEST_F(AutostartKeyTest, StaleTemporaryIsNeverTheEntry)
{
    HKEY hKey = OpenRun();
    ASSERT_NE(hKey, nullptr);
    const std::string strStale = m_strFolder + "/.WinVantrel.desktop.abc123";
    WriteWholeFile(strStale, "[Desktop Entry]\nType=Application\nExec=/bin/false\n");

    EXPECT_EQ(RegDeleteValueA(hKey, AUTOSTART_VALUE), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegCloseKey(hKey), ERROR_SUCCESS);
    ASSERT_EQ(WriteCommand("\"/opt/v\" /run"), ERROR_SUCCESS);

    EXPECT_EQ(ExecOf(ReadWholeFile(EntryPath())), "\"/opt/v\" /run");
    EXPECT_EQ(ExecOf(ReadWholeFile(strStale)), "/bin/false");
    for (const std::string& strName : ListFolder(m_strFolder)) {
        const bool bLauncherReads = strName.size() > 8 && strName.compare(strName.size() - 8, 8, ".desktop") == 0;
        EXPECT_EQ(bLauncherReads, strName == ENTRY_FILE) << strName;
    }
}

TEST_F(AutostartKeyTest, FailedReplaceLeavesNoTemporary)
{
    // A folder in the entry's place makes the final rename fail.
    ASSERT_EQ(EnsureFolder(EntryPath() + "/inside"), 0);
    EXPECT_NE(WriteCommand("\"/opt/v\" /run"), ERROR_SUCCESS);
    EXPECT_EQ(ListFolder(m_strFolder), std::set<std::string>{ENTRY_FILE});
}

TEST_F(AutostartKeyTest, FileInPlaceOfFolderIsAClearError)
{
    WriteWholeFile(m_scratch.Path() + "/file", "not a folder");
    for (const std::string& strFolder : {m_scratch.Path() + "/file", m_scratch.Path() + "/file/autostart"}) {
        UseFolder(strFolder);
        HKEY hKey = nullptr;
        const LONG lResult = RegOpenKeyA(HKEY_LOCAL_MACHINE, RUN_KEY_PATH, &hKey);
        EXPECT_NE(lResult, ERROR_SUCCESS) << strFolder;
        EXPECT_EQ(hKey, nullptr);
    }
    EXPECT_EQ(ReadWholeFile(m_scratch.Path() + "/file"), "not a folder");
    EXPECT_EQ(ListFolder(m_scratch.Path()), std::set<std::string>{"file"});
}

// Results of the calls on a read-only folder, made in a child that has the
// folder mounted read-only in a mount namespace of its own.
struct ReadOnlyResults {
    LONG lOpen;
    LONG lSet;
    LONG lDelete;
    LONG lOpenMissing;
};

const int EXIT_CANNOT_ISOLATE = 77;

[[noreturn]] void RunReadOnlyChild(const std::string& strFolder, int fdResults)
{
    if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mount(strFolder.c_str(), strFolder.c_str(), nullptr, MS_BIND, nullptr) != 0 ||
        mount(nullptr, strFolder.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0)
        _exit(EXIT_CANNOT_ISOLATE);

    ReadOnlyResults results{};
    HKEY hKey = nullptr;
    results.lOpen = RegOpenKeyA(HKEY_LOCAL_MACHINE, RUN_KEY_PATH, &hKey);
    const char szCommand[] = "\"/opt/new\" /run";
    results.lSet =
        RegSetValueExA(hKey, AUTOSTART_VALUE, 0, REG_SZ, reinterpret_cast<const BYTE*>(szCommand), sizeof(szCommand));
    results.lDelete = RegDeleteValueA(hKey, AUTOSTART_VALUE);
    RegCloseKey(hKey);
    SetAutostartFolderForTest((strFolder + "/missing").c_str());
    HKEY hMissing = nullptr;
    results.lOpenMissing = RegOpenKeyA(HKEY_LOCAL_MACHINE, RUN_KEY_PATH, &hMissing);
    const bool bSent = write(fdResults, &results, sizeof(results)) == static_cast<ssize_t>(sizeof(results));
    _exit(bSent ? 0 : 1);
}

TEST_F(AutostartKeyTest, ReadOnlyFolderIsAccessDenied)
{
    ASSERT_EQ(WriteCommand("\"/opt/old\" /run"), ERROR_SUCCESS);
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        close(fds[0]);
        RunReadOnlyChild(m_strFolder, fds[1]);
    }
    close(fds[1]);
    ReadOnlyResults results{};
    const ssize_t cbRead = read(fds[0], &results, sizeof(results));
    close(fds[0]);
    int nStatus = 0;
    ASSERT_EQ(waitpid(pid, &nStatus, 0), pid);
    ASSERT_TRUE(WIFEXITED(nStatus));
    if (WEXITSTATUS(nStatus) == EXIT_CANNOT_ISOLATE)
        GTEST_SKIP() << "no private mount namespace for a read-only folder here";
    ASSERT_EQ(WEXITSTATUS(nStatus), 0);
    ASSERT_EQ(cbRead, static_cast<ssize_t>(sizeof(results)));

    EXPECT_EQ(results.lOpen, ERROR_SUCCESS);
    EXPECT_EQ(results.lSet, ERROR_ACCESS_DENIED);
    EXPECT_EQ(results.lDelete, ERROR_ACCESS_DENIED);
    EXPECT_EQ(results.lOpenMissing, ERROR_ACCESS_DENIED);
    // The entry from before stands as it was, and nothing was added.
    EXPECT_EQ(ListFolder(m_strFolder), std::set<std::string>{ENTRY_FILE});
    EXPECT_EQ(ExecOf(ReadWholeFile(EntryPath())), "\"/opt/old\" /run");
}

TEST(AutostartGuardTest, TestsNeverSeeTheRealFolder)
{
    EXPECT_EQ(GetAutostartFolder(), GUARD_FOLDER);
    HKEY hKey = nullptr;
    EXPECT_NE(RegOpenKeyA(HKEY_LOCAL_MACHINE, RUN_KEY_PATH, &hKey), ERROR_SUCCESS);
    EXPECT_EQ(hKey, nullptr);
}

}  // namespace

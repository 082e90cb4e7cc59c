// The executable's path, the shutdown privilege and the forced restart on
// Linux. The privilege stands for CAP_SYS_BOOT; the restart goes through
// systemd where it runs the machine, else straight to the kernel.
#include "linux_restart.h"
#include "linux_internal.h"

#include <cerrno>
#include <fstream>
#include <iterator>
#include <spawn.h>
#include <string>
#include <strings.h>
#include <sys/reboot.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const DWORD ERROR_INVALID_HANDLE_CODE = 6;
const DWORD ERROR_NO_SUCH_PRIVILEGE_CODE = 1313;
// Our own identifier for the one privilege there is.
const DWORD SHUTDOWN_LUID_LOW = 0x5642;

// Largest path read from /proc/self/exe; far beyond any real one.
const std::size_t MODULE_PATH_LIMIT = 1u << 16;

char g_tokenObject;
HANDLE const PROCESS_PSEUDO_HANDLE = reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1));
HANDLE const TOKEN_HANDLE = &g_tokenObject;

void SyncDisks()
{
    sync();
}

int RunCommand(const char* const argv[])
{
    pid_t pid = 0;
    // posix_spawnp wants non-const strings but does not change them.
    const int nSpawn = posix_spawnp(&pid, argv[0], nullptr, nullptr, const_cast<char* const*>(argv), environ);
    if (nSpawn != 0) {
        errno = nSpawn;
        return -1;
    }
    int nStatus = 0;
    while (waitpid(pid, &nStatus, 0) < 0) {
        if (errno != EINTR)
            return -1;
    }
    if (WIFEXITED(nStatus))
        return WEXITSTATUS(nStatus);
    return 128 + WTERMSIG(nStatus);
}

int RebootNow()
{
    return reboot(RB_AUTOBOOT);
}

const RestartActions REAL_ACTIONS = {"/run/systemd/system", SyncDisks, RunCommand, RebootNow};
const RestartActions* g_pTestActions = nullptr;

const RestartActions& CurrentActions()
{
    return g_pTestActions != nullptr ? *g_pTestActions : REAL_ACTIONS;
}

bool IsFolder(const char* pszPath)
{
    struct stat st {};
    return pszPath != nullptr && stat(pszPath, &st) == 0 && S_ISDIR(st.st_mode);
}

bool HoldsBootCapability()
{
    std::ifstream file("/proc/self/status");
    const std::string strStatus((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::uint64_t ullCaps = 0;
    return ParseEffectiveCaps(strStatus, ullCaps) && ((ullCaps >> CAP_SYS_BOOT_BIT) & 1u) != 0;
}

int HexDigit(char ch)
{
    if (ch >= '0' && ch <= '9')
        return ch - '0';
    if (ch >= 'a' && ch <= 'f')
        return ch - 'a' + 10;
    if (ch >= 'A' && ch <= 'F')
        return ch - 'A' + 10;
    return -1;
}

}  // namespace

void SetRestartActionsForTest(const RestartActions* pActions)
{
    g_pTestActions = pActions;
}

bool ParseEffectiveCaps(const std::string& strStatus, std::uint64_t& ullCaps)
{
    static const std::string KEY = "CapEff:";
    std::string::size_type pos = 0;
    while (strStatus.compare(pos, KEY.size(), KEY) != 0) {
        pos = strStatus.find('\n', pos);
        if (pos == std::string::npos)
            return false;
        ++pos;
    }
    pos += KEY.size();
    while (pos < strStatus.size() && (strStatus[pos] == ' ' || strStatus[pos] == '\t'))
        ++pos;

    std::uint64_t ullValue = 0;
    unsigned nDigits = 0;
    for (; pos < strStatus.size() && strStatus[pos] != '\n'; ++pos) {
        const int nDigit = HexDigit(strStatus[pos]);
        if (nDigit < 0 || ++nDigits > 16)
            return false;
        ullValue = (ullValue << 4) | static_cast<std::uint64_t>(nDigit);
    }
    if (nDigits == 0)
        return false;
    ullCaps = ullValue;
    return true;
}

DWORD GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize)
{
    if (hModule != nullptr || lpFilename == nullptr) {
        SetLinuxLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    // A link that fills the buffer may have been cut: grow and read again.
    // When the file was deleted after the start, the kernel's text ends in
    // " (deleted)"; it is passed on as it is.
    std::string strPath(256, '\0');
    for (;;) {
        const ssize_t cchLink = readlink("/proc/self/exe", &strPath[0], strPath.size());
        if (cchLink < 0) {
            SetLinuxLastError(static_cast<DWORD>(ErrnoToWinError(errno)));
            return 0;
        }
        if (static_cast<std::size_t>(cchLink) < strPath.size()) {
            strPath.resize(static_cast<std::size_t>(cchLink));
            break;
        }
        if (strPath.size() >= MODULE_PATH_LIMIT) {
            SetLinuxLastError(ERROR_INSUFFICIENT_BUFFER);
            return 0;
        }
        strPath.resize(strPath.size() * 2);
    }

    if (nSize == 0) {
        SetLinuxLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    // As Windows does: a path that does not fit is cut to size - 1
    // characters, ended with a zero, and the whole size is answered.
    if (strPath.size() >= nSize) {
        strPath.copy(lpFilename, nSize - 1);
        lpFilename[nSize - 1] = '\0';
        SetLinuxLastError(ERROR_INSUFFICIENT_BUFFER);
        return nSize;
    }
    strPath.copy(lpFilename, strPath.size());
    lpFilename[strPath.size()] = '\0';
    SetLinuxLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(strPath.size());
}

HANDLE GetCurrentProcess()
{
    return PROCESS_PSEUDO_HANDLE;
}

BOOL OpenProcessToken(HANDLE ProcessHandle, DWORD, PHANDLE TokenHandle)
{
    if (ProcessHandle != PROCESS_PSEUDO_HANDLE || TokenHandle == nullptr) {
        SetLinuxLastError(ProcessHandle != PROCESS_PSEUDO_HANDLE ? ERROR_INVALID_HANDLE_CODE
                                                                 : static_cast<DWORD>(ERROR_INVALID_PARAMETER));
        return FALSE;
    }
    *TokenHandle = TOKEN_HANDLE;
    SetLinuxLastError(ERROR_SUCCESS);
    return TRUE;
}

BOOL LookupPrivilegeValueA(LPCSTR lpSystemName, LPCSTR lpName, PLUID lpLuid)
{
    // Only the local system, and only the privilege to shut it down.
    if (lpLuid == nullptr || lpName == nullptr || (lpSystemName != nullptr && lpSystemName[0] != '\0')) {
        SetLinuxLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (strcasecmp(lpName, SE_SHUTDOWN_NAME) != 0) {
        SetLinuxLastError(ERROR_NO_SUCH_PRIVILEGE_CODE);
        return FALSE;
    }
    lpLuid->LowPart = SHUTDOWN_LUID_LOW;
    lpLuid->HighPart = 0;
    SetLinuxLastError(ERROR_SUCCESS);
    return TRUE;
}

BOOL AdjustTokenPrivileges(HANDLE TokenHandle, BOOL DisableAllPrivileges, PTOKEN_PRIVILEGES NewState, DWORD,
                           PTOKEN_PRIVILEGES PreviousState, LPDWORD ReturnLength)
{
    if (TokenHandle != TOKEN_HANDLE) {
        SetLinuxLastError(ERROR_INVALID_HANDLE_CODE);
        return FALSE;
    }
    if (!DisableAllPrivileges && NewState == nullptr) {
        SetLinuxLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // Capabilities are not switched on and off here, so there is no earlier
    // state worth reporting.
    if (PreviousState != nullptr)
        PreviousState->PrivilegeCount = 0;
    if (ReturnLength != nullptr)
        *ReturnLength = 0;

    // Enabling succeeds when the process holds the capability behind the
    // privilege; otherwise TRUE with ERROR_NOT_ALL_ASSIGNED, as Windows
    // answers for a privilege that the token lacks.
    DWORD dwResult = ERROR_SUCCESS;
    if (!DisableAllPrivileges) {
        const LUID_AND_ATTRIBUTES* pEntries = NewState->Privileges;
        for (DWORD i = 0; i < NewState->PrivilegeCount; ++i) {
            if ((pEntries[i].Attributes & SE_PRIVILEGE_ENABLED) == 0)
                continue;
            const bool bShutdown = pEntries[i].Luid.LowPart == SHUTDOWN_LUID_LOW && pEntries[i].Luid.HighPart == 0;
            if (!bShutdown || !HoldsBootCapability())
                dwResult = ERROR_NOT_ALL_ASSIGNED;
        }
    }
    SetLinuxLastError(dwResult);
    return TRUE;
}

BOOL ExitWindowsEx(UINT uFlags, DWORD)
{
    // Only the forced restart is offered.
    if (uFlags != (EWX_REBOOT | EWX_FORCE)) {
        SetLinuxLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const RestartActions& actions = CurrentActions();
    actions.pfnSyncDisks();

    // systemd ends the services itself without asking them (--force), and
    // may never return here. When it cannot, the kernel restarts directly.
    if (IsFolder(actions.pszSystemdMarker)) {
        static const char* const SYSTEMCTL_ARGV[] = {"systemctl", "reboot", "--force", nullptr};
        if (actions.pfnRunCommand(SYSTEMCTL_ARGV) == 0) {
            SetLinuxLastError(ERROR_SUCCESS);
            return TRUE;
        }
    }
    errno = 0;
    if (actions.pfnRebootNow() == 0) {
        SetLinuxLastError(ERROR_SUCCESS);
        return TRUE;
    }
    SetLinuxLastError(static_cast<DWORD>(ErrnoToWinError(errno != 0 ? errno : EIO)));
    return FALSE;
}

BOOL CloseHandle(HANDLE hObject)
{
    if (hObject == TOKEN_HANDLE || hObject == PROCESS_PSEUDO_HANDLE) {
        SetLinuxLastError(ERROR_SUCCESS);
        return TRUE;
    }
    SetLinuxLastError(ERROR_INVALID_HANDLE_CODE);
    return FALSE;
}

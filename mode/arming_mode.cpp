#include "mode_control.h"

#include "platform.h"
#include "registry_access.h"

#include <string>
#include <vector>

namespace {

// Room for long paths; a path that does not fit is refused, not cut.
const DWORD MODULE_PATH_CAPACITY = 32768;

void PrintFailure(const std::string& strText)
{
    PrintLine(strText.c_str());
}

}  // namespace

bool BuildAutostartCommand(std::string& strCommand)
{
    std::vector<char> path(MODULE_PATH_CAPACITY, '\0');
    const DWORD cchPath = GetModuleFileNameA(nullptr, path.data(), MODULE_PATH_CAPACITY);
    if (cchPath == 0 || cchPath >= MODULE_PATH_CAPACITY)
        return false;
    // Quoted, so that a path with blanks starts this program and nothing else.
    strCommand = "\"" + std::string(path.data(), cchPath) + "\" /run";
    return true;
}

bool ForceRestart()
{
    PrintText("Restarting now...");

    const char* pszFailure = nullptr;
    HANDLE hToken = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &hToken)) {
        pszFailure = "the process token could not be opened";
    } else {
        TOKEN_PRIVILEGES privileges = {};
        LookupPrivilegeValueA(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid);
        privileges.PrivilegeCount = 1;
        privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
        // Success with ERROR_NOT_ALL_ASSIGNED means the privilege is not held.
        const BOOL bAdjusted = AdjustTokenPrivileges(hToken, FALSE, &privileges, 0, nullptr, nullptr);
        const DWORD dwAdjustError = GetLastError();
        CloseHandle(hToken);
        if (!bAdjusted || dwAdjustError == ERROR_NOT_ALL_ASSIGNED)
            pszFailure = "this account may not shut the system down";
        else if (!ExitWindowsEx(EWX_REBOOT | EWX_FORCE, 0))
            pszFailure = "the system refused the restart";
    }
    if (pszFailure == nullptr)
        return true;

    PrintLine(" failed.");
    PrintFailure(std::string("The restart could not be requested: ") + pszFailure + ". Run this program as " +
                 AdministratorAccountName() + ", or restart by hand: the measurement runs at the next restart.");
    return false;
}

int RunArmingMode()
{
    std::string strCommand;
    if (!BuildAutostartCommand(strCommand)) {
        PrintFailure("Could not read the full path of this program, so no autostart entry was recorded "
                     "and no restart was requested.");
        return 1;
    }

    // Without the entry a restart could not lead to a measurement: stop here.
    const AutostartResult result = WriteAutostartEntry(strCommand.c_str());
    if (result.lOpen != ERROR_SUCCESS || result.lValue != ERROR_SUCCESS) {
        const LONG lError = result.lOpen != ERROR_SUCCESS ? result.lOpen : result.lValue;
        const std::string strAdvice = lError == ERROR_ACCESS_DENIED
                                          ? std::string(" Run this program as ") + AdministratorAccountName() + "."
                                          : std::string();
        PrintFailure(std::string("Could not record the autostart entry ") + AutostartEntryLocation() +
                     ErrorSuffix(lError) + "." + strAdvice + " No restart was requested.");
        return 1;
    }

    const int nAnswer = MessageBoxA(nullptr,
                                    "Windows has to reboot to measure boot time. "
                                    "Do you want to restart your computer now?",
                                    RESULT_CAPTION, MB_YESNO | MB_SYSTEMMODAL);
    if (nAnswer == IDYES)
        return ForceRestart() ? 0 : 1;

    MessageBoxA(nullptr, "The boot time utility will launch the next time you restart your computer", RESULT_CAPTION,
                MB_OK | MB_SYSTEMMODAL);
    return 0;
}

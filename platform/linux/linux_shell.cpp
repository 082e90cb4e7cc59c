// Opening a page in the default browser on Linux: xdg-open, started on its
// own and not waited for. Results follow Windows: above 32 is success.
#include "linux_internal.h"

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <strings.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const std::intptr_t SHELL_SUCCESS = 42;
const std::intptr_t SHELL_OUT_OF_RESOURCES = 0;
const std::intptr_t SHELL_FILE_NOT_FOUND = 2;
const std::intptr_t SHELL_ACCESS_DENIED = 5;
const std::intptr_t SHELL_NO_ASSOCIATION = 31;

const char OPENER_NAME[] = "xdg-open";

HINSTANCE ShellResult(std::intptr_t nCode, DWORD dwLastError)
{
    SetLinuxLastError(dwLastError);
    return reinterpret_cast<HINSTANCE>(nCode);
}

// Looks the opener up in PATH. Empty entries (the current folder) are
// skipped: a page is never opened by whatever lies in the working folder.
bool FindOpener(std::string& strPath)
{
    const char* pszPath = std::getenv("PATH");
    if (pszPath == nullptr)
        return false;
    const std::string strDirs(pszPath);
    std::string::size_type start = 0;
    while (start <= strDirs.size()) {
        std::string::size_type end = strDirs.find(':', start);
        if (end == std::string::npos)
            end = strDirs.size();
        if (end > start) {
            const std::string strCandidate = strDirs.substr(start, end - start) + "/" + OPENER_NAME;
            struct stat st {};
            if (stat(strCandidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
                access(strCandidate.c_str(), X_OK) == 0) {
                strPath = strCandidate;
                return true;
            }
        }
        start = end + 1;
    }
    return false;
}

// Only async-signal-safe calls from here on: the program may have threads.
[[noreturn]] void ReportAndExit(int fdReport, int nErr)
{
    const ssize_t cbWritten = write(fdReport, &nErr, sizeof(nErr));
    _exit(cbWritten == static_cast<ssize_t>(sizeof(nErr)) ? 127 : 126);
}

// The grandchild runs the opener in a session of its own, with the
// standard streams on /dev/null; the child in between ends at once, so
// the opener is adopted by init and never stays behind as a zombie.
[[noreturn]] void RunDetached(const char* pszOpener, char* const argv[], int fdReport)
{
    setsid();
    const pid_t pid = fork();
    if (pid < 0)
        ReportAndExit(fdReport, errno);
    if (pid > 0)
        _exit(0);
    const int fdNull = open("/dev/null", O_RDWR);
    if (fdNull < 0)
        ReportAndExit(fdReport, errno);
    for (int fd = 0; fd <= 2; ++fd) {
        if (dup2(fdNull, fd) < 0)
            ReportAndExit(fdReport, errno);
    }
    if (fdNull > 2)
        close(fdNull);
    // The program ignores broken pipes; the browser should not inherit that.
    struct sigaction defaultAction = {};
    defaultAction.sa_handler = SIG_DFL;
    sigaction(SIGPIPE, &defaultAction, nullptr);
    execv(pszOpener, argv);
    ReportAndExit(fdReport, errno);
}

// 0 once the opener runs, else an errno value. The report pipe closes on
// exec, so the wait here lasts only until the opener has started.
int StartDetached(const std::string& strOpener, const char* pszTarget)
{
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return errno;
    std::string strArg0(OPENER_NAME);
    std::string strTarget(pszTarget);
    char* argv[] = {&strArg0[0], &strTarget[0], nullptr};

    const pid_t pid = fork();
    if (pid < 0) {
        const int nErr = errno;
        close(fds[0]);
        close(fds[1]);
        return nErr;
    }
    if (pid == 0) {
        close(fds[0]);
        RunDetached(strOpener.c_str(), argv, fds[1]);
    }
    close(fds[1]);

    int nStatus = 0;
    while (waitpid(pid, &nStatus, 0) < 0 && errno == EINTR) {
    }
    int nErr = 0;
    ssize_t cbRead = 0;
    do {
        cbRead = read(fds[0], &nErr, sizeof(nErr));
    } while (cbRead < 0 && errno == EINTR);
    close(fds[0]);
    if (cbRead == static_cast<ssize_t>(sizeof(nErr)))
        return nErr != 0 ? nErr : ECHILD;
    if (!WIFEXITED(nStatus) || WEXITSTATUS(nStatus) != 0)
        return ECHILD;
    return 0;
}

}  // namespace

// Parameters and working folder have no meaning for a page and are not used.
HINSTANCE ShellExecuteA(HWND, LPCSTR lpOperation, LPCSTR lpFile, LPCSTR, LPCSTR, int)
{
    // No verb means the default one, which is to open.
    if (lpOperation != nullptr && strcasecmp(lpOperation, "open") != 0)
        return ShellResult(SHELL_NO_ASSOCIATION, ERROR_INVALID_PARAMETER);
    // A target with a leading dash would be read as an option of the opener.
    if (lpFile == nullptr || lpFile[0] == '\0' || lpFile[0] == '-')
        return ShellResult(SHELL_FILE_NOT_FOUND, ERROR_FILE_NOT_FOUND);

    std::string strOpener;
    if (!FindOpener(strOpener))
        return ShellResult(SHELL_FILE_NOT_FOUND, ERROR_FILE_NOT_FOUND);
    const int nErr = StartDetached(strOpener, lpFile);
    if (nErr == 0)
        return ShellResult(SHELL_SUCCESS, ERROR_SUCCESS);
    const LONG lError = ErrnoToWinError(nErr);
    std::intptr_t nCode = SHELL_OUT_OF_RESOURCES;
    if (lError == ERROR_FILE_NOT_FOUND)
        nCode = SHELL_FILE_NOT_FOUND;
    else if (lError == ERROR_ACCESS_DENIED)
        nCode = SHELL_ACCESS_DENIED;
    return ShellResult(nCode, static_cast<DWORD>(lError));
}

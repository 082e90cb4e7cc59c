#include "private_autostart.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const char* const XDG_FOLDER = "/etc/xdg";
const char* const AUTOSTART_FOLDER = "/etc/xdg/autostart";
const int CAP_SYS_BOOT_NUMBER = 22;
const char* const PLANTED_ENTRY = "[Desktop Entry]\nType=Application\nName=Vantrel\n"
                                  "Exec=\"/opt/vantrel/vantrel\" /run\nTerminal=true\n";

bool WriteFile(const char* pszPath, const char* pszText)
{
    std::ofstream file(pszPath, std::ios::binary);
    file << pszText;
    return static_cast<bool>(file);
}

bool PrepareNamespace(AutostartState state)
{
    if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        return false;
    if (mount("vantrel-test", XDG_FOLDER, "tmpfs", 0, "mode=0755,size=1m") != 0)
        return false;
    switch (state) {
    case AUTOSTART_MISSING:
        return true;
    case AUTOSTART_FILE_IN_PLACE:
        return WriteFile(AUTOSTART_FOLDER, "not a folder\n");
    case AUTOSTART_WITH_ENTRY:
        return mkdir(AUTOSTART_FOLDER, 0755) == 0 && WriteFile("/etc/xdg/autostart/WinVantrel.desktop", PLANTED_ENTRY);
    case AUTOSTART_READ_ONLY:
        return mkdir(AUTOSTART_FOLDER, 0755) == 0 &&
               mount(nullptr, XDG_FOLDER, nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    case AUTOSTART_EMPTY:
        return mkdir(AUTOSTART_FOLDER, 0755) == 0;
    }
    return false;
}

std::string DescribeAutostart()
{
    struct stat st = {};
    if (stat(AUTOSTART_FOLDER, &st) != 0)
        return "none";
    if (!S_ISDIR(st.st_mode))
        return "file";
    std::string strText;
    DIR* pDir = opendir(AUTOSTART_FOLDER);
    if (pDir == nullptr)
        return "unreadable";
    while (const dirent* pEntry = readdir(pDir)) {
        const std::string strName = pEntry->d_name;
        if (strName == "." || strName == "..")
            continue;
        strText += "[" + strName + "]";
        std::ifstream file(std::string(AUTOSTART_FOLDER) + "/" + strName);
        for (std::string strLine; std::getline(file, strLine);)
            if (strLine.rfind("Exec=", 0) == 0)
                strText += strLine;
    }
    closedir(pDir);
    return strText.empty() ? "empty" : strText;
}

// The program itself: its output as asked, no shutdown capability, and it
// dies with the test's child.
[[noreturn]] void ExecProgram(const ProgramRun& run)
{
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (run.output == OUTPUT_BROKEN_PIPE) {
        int fds[2];
        if (pipe(fds) != 0)
            _exit(125);
        close(fds[0]);
        dup2(fds[1], STDOUT_FILENO);
        close(fds[1]);
    } else if (run.output == OUTPUT_CLOSED) {
        close(STDOUT_FILENO);
    }
    if (prctl(PR_CAPBSET_DROP, CAP_SYS_BOOT_NUMBER, 0, 0, 0) != 0)
        _exit(125);
    if (run.bUnprivileged && (setgid(65534) != 0 || setuid(65534) != 0))
        _exit(125);
    if (!run.strPath.empty())
        setenv("PATH", run.strPath.c_str(), 1);
    std::vector<std::string> args = run.args;
    std::vector<char*> argv;
    std::string strProgram = VANTREL_PROGRAM;
    argv.push_back(&strProgram[0]);
    for (std::string& strArg : args)
        argv.push_back(&strArg[0]);
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
}

}  // namespace

bool CanUsePrivateAutostart(std::string& strWhyNot)
{
    struct stat st = {};
    if (geteuid() != 0)
        strWhyNot = "needs root for a mount namespace";
    else if (stat(XDG_FOLDER, &st) != 0 || !S_ISDIR(st.st_mode))
        strWhyNot = "this machine has no /etc/xdg to lay a private file system over";
    else
        return true;
    return false;
}

int RunInPrivateAutostart(const ProgramRun& run)
{
    if (!PrepareNamespace(run.state)) {
        std::perror("private autostart folder");
        return 124;
    }
    // The program starts with the default action for broken pipes, as from a shell.
    std::signal(SIGPIPE, SIG_DFL);
    const pid_t pid = fork();
    if (pid < 0)
        return 124;
    if (pid == 0)
        ExecProgram(run);
    int nStatus = 0;
    while (waitpid(pid, &nStatus, 0) < 0 && errno == EINTR) {
    }
    std::fprintf(stderr, "@@autostart %s\n", DescribeAutostart().c_str());
    if (WIFSIGNALED(nStatus))
        return 128 + WTERMSIG(nStatus);
    return WEXITSTATUS(nStatus);
}

// A child process on a pseudo-terminal, for tests of terminal code.
#include "support/pty_child.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

void CloseFd(int* pfd)
{
    if (*pfd >= 0)
        close(*pfd);
    *pfd = -1;
}

int MillisecondsLeft(Clock::time_point tDeadline)
{
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(tDeadline - Clock::now()).count();
    return ms > 0 ? static_cast<int>(ms) : 0;
}

// In the child: a clean start whatever the test runner left behind.
void ResetChildSignals()
{
    for (int nSignal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE})
        std::signal(nSignal, SIG_DFL);
    sigset_t setNone;
    sigemptyset(&setNone);
    sigprocmask(SIG_SETMASK, &setNone, nullptr);
    struct rlimit rlNoCore = {0, 0};  // SIGQUIT tests leave no core files
    setrlimit(RLIMIT_CORE, &rlNoCore);
}

}  // namespace

bool IsCookedMode(const struct termios& ti)
{
    return (ti.c_lflag & ICANON) != 0 && (ti.c_lflag & ECHO) != 0 && (ti.c_lflag & ISIG) != 0;
}

CPtyChild::CPtyChild() : m_pid(-1), m_fdMaster(-1), m_fdSlave(-1), m_fdStdout(-1), m_fdStderr(-1), m_fdRelease(-1) {}

CPtyChild::~CPtyChild()
{
    if (m_pid > 0) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
    }
    for (int* pfd : {&m_fdMaster, &m_fdSlave, &m_fdStdout, &m_fdStderr, &m_fdRelease})
        CloseFd(pfd);
}

bool CPtyChild::Start(const std::function<int()>& fnBody, TerminalChoice choice, bool bHeld)
{
    m_fdMaster = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_fdMaster < 0 || grantpt(m_fdMaster) != 0 || unlockpt(m_fdMaster) != 0)
        return false;
    const char* pszSlave = ptsname(m_fdMaster);
    if (pszSlave == nullptr)
        return false;
    const std::string strSlave = pszSlave;
    m_fdSlave = open(strSlave.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    struct winsize ws = {};
    ws.ws_row = 24;
    ws.ws_col = 80;
    ioctl(m_fdMaster, TIOCSWINSZ, &ws);

    int afdOut[2], afdErr[2], afdRelease[2];
    if (m_fdSlave < 0 || pipe2(afdOut, O_CLOEXEC) != 0 || pipe2(afdErr, O_CLOEXEC) != 0 ||
        pipe2(afdRelease, O_CLOEXEC) != 0)
        return false;

    m_pid = fork();
    if (m_pid < 0)
        return false;
    if (m_pid == 0) {
        // Only the test's side of the terminal may hold the master open, or
        // closing it would not hang the terminal up.
        for (int fd : {m_fdMaster, m_fdSlave, afdOut[0], afdErr[0], afdRelease[1]})
            close(fd);
        ResetChildSignals();
        setsid();
        if (choice == WITH_TERMINAL) {
            // The first terminal a session leader opens becomes its controlling one.
            int fdTerminal = open(strSlave.c_str(), O_RDWR);
            if (fdTerminal < 0)
                _exit(120);
            close(fdTerminal);
        }
        int fdNull = open("/dev/null", O_RDONLY);
        if (fdNull < 0 || dup2(fdNull, 0) < 0 || dup2(afdOut[1], 1) < 0 || dup2(afdErr[1], 2) < 0)
            _exit(121);
        if (bHeld) {
            char ch = 0;
            if (read(afdRelease[0], &ch, 1) != 1)
                _exit(122);
        }
        _exit(fnBody());
    }

    close(afdOut[1]);
    close(afdErr[1]);
    close(afdRelease[0]);
    m_fdStdout = afdOut[0];
    m_fdStderr = afdErr[0];
    m_fdRelease = afdRelease[1];
    return true;
}

void CPtyChild::Release()
{
    char ch = 'g';
    if (write(m_fdRelease, &ch, 1) != 1)
        CloseFd(&m_fdRelease);  // the child then ends at once, and the test sees it
}

void CPtyChild::Send(const std::string& strKeys)
{
    size_t cbDone = 0;
    while (cbDone < strKeys.size()) {
        ssize_t cb = write(m_fdMaster, strKeys.data() + cbDone, strKeys.size() - cbDone);
        if (cb < 0 && errno == EINTR)
            continue;
        if (cb <= 0)
            return;
        cbDone += static_cast<size_t>(cb);
    }
}

void CPtyChild::DrainScreen(int msWait)
{
    if (m_fdMaster < 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(msWait));
        return;
    }
    for (int msNext = msWait;; msNext = 0) {
        struct pollfd pfd = {m_fdMaster, POLLIN, 0};
        if (poll(&pfd, 1, msNext) <= 0)
            return;
        if ((pfd.revents & POLLIN) == 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(msNext));  // hung up: do not spin
            return;
        }
        char achBuffer[1024];
        ssize_t cb = read(m_fdMaster, achBuffer, sizeof(achBuffer));
        if (cb <= 0)
            return;
        m_strScreen.append(achBuffer, static_cast<size_t>(cb));
    }
}

bool CPtyChild::WaitForOutput(const std::string& strNeedle, int msWait)
{
    const Clock::time_point tDeadline = Clock::now() + std::chrono::milliseconds(msWait);
    while (m_strScreen.find(strNeedle) == std::string::npos) {
        if (MillisecondsLeft(tDeadline) == 0)
            return false;
        DrainScreen(std::min(MillisecondsLeft(tDeadline), 50));
    }
    return true;
}

bool CPtyChild::WaitForRawMode()
{
    const Clock::time_point tDeadline = Clock::now() + std::chrono::milliseconds(WAIT_MS);
    struct termios ti;
    while (GetMode(&ti) && (ti.c_lflag & ICANON) != 0) {
        if (MillisecondsLeft(tDeadline) == 0)
            return false;
        DrainScreen(5);
    }
    return true;
}

bool CPtyChild::GetMode(struct termios* pti) const
{
    return m_fdSlave >= 0 && tcgetattr(m_fdSlave, pti) == 0;
}

void CPtyChild::HangUp()
{
    CloseFd(&m_fdMaster);
    CloseFd(&m_fdSlave);
}

bool CPtyChild::WaitForExit(int* pnStatus)
{
    const Clock::time_point tDeadline = Clock::now() + std::chrono::milliseconds(WAIT_MS);
    for (;;) {
        pid_t pid = waitpid(m_pid, pnStatus, WNOHANG);
        if (pid == m_pid) {
            m_pid = -1;
            DrainScreen(0);
            return true;
        }
        if (MillisecondsLeft(tDeadline) == 0) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
            m_pid = -1;
            return false;
        }
        DrainScreen(10);
    }
}

std::string CPtyChild::ReadAllOf(int* pfd)
{
    std::string strText;
    char achBuffer[1024];
    for (;;) {
        ssize_t cb = *pfd >= 0 ? read(*pfd, achBuffer, sizeof(achBuffer)) : 0;
        if (cb < 0 && errno == EINTR)
            continue;
        if (cb <= 0)
            break;
        strText.append(achBuffer, static_cast<size_t>(cb));
    }
    CloseFd(pfd);
    return strText;
}

bool ControllingTerminalIsCooked()
{
    int fd = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    struct termios ti;
    bool bCooked = fd >= 0 && tcgetattr(fd, &ti) == 0 && IsCookedMode(ti);
    if (fd >= 0)
        close(fd);
    return bCooked;
}

std::string TakeTerminalInput(int msQuiet)
{
    int fd = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    struct termios tiSaved;
    if (fd < 0 || tcgetattr(fd, &tiSaved) != 0)
        return "<no terminal>";
    struct termios tiRaw = tiSaved;
    tiRaw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ISIG);
    tiRaw.c_cc[VMIN] = 1;
    tiRaw.c_cc[VTIME] = 0;
    tcsetattr(fd, TCSANOW, &tiRaw);
    std::string strInput;
    for (;;) {
        struct pollfd pfd = {fd, POLLIN, 0};
        char ch = 0;
        if (poll(&pfd, 1, msQuiet) <= 0 || read(fd, &ch, 1) != 1)
            break;
        strInput += ch;
    }
    tcsetattr(fd, TCSANOW, &tiSaved);
    close(fd);
    return strInput;
}

void WriteStdout(const std::string& strText)
{
    size_t cbDone = 0;
    while (cbDone < strText.size()) {
        ssize_t cb = write(1, strText.data() + cbDone, strText.size() - cbDone);
        if (cb <= 0)
            return;
        cbDone += static_cast<size_t>(cb);
    }
}

// A child process whose controlling terminal is a pseudo-terminal that the
// test holds the other side of: it types the keys and reads the screen.
// Every wait is bounded, and a child that outlives the test is killed.
#pragma once

#include <functional>
#include <string>
#include <sys/types.h>
#include <termios.h>

class CPtyChild {
public:
    enum TerminalChoice { WITH_TERMINAL, WITHOUT_TERMINAL };

    // How long any one wait lasts before the test gives up.
    static constexpr int WAIT_MS = 5000;

    CPtyChild();
    ~CPtyChild();
    CPtyChild(const CPtyChild&) = delete;
    CPtyChild& operator=(const CPtyChild&) = delete;

    // Forks a child in a session of its own: with the terminal as its
    // controlling terminal, or with none at all. Its standard input is
    // /dev/null, its standard output and error are kept apart for the test.
    // When bHeld, it waits for Release before fnBody runs. It ends with
    // fnBody's result as exit code.
    bool Start(const std::function<int()>& fnBody, TerminalChoice choice = WITH_TERMINAL, bool bHeld = false);
    void Release();

    pid_t Pid() const { return m_pid; }

    // Types on the terminal.
    void Send(const std::string& strKeys);
    // Reads the screen until it holds strNeedle, for at most msWait.
    bool WaitForOutput(const std::string& strNeedle, int msWait = WAIT_MS);
    // Waits until the terminal no longer reads by lines.
    bool WaitForRawMode();
    bool GetMode(struct termios* pti) const;
    // Closes the test's side: the child's terminal hangs up.
    void HangUp();

    // Waits for the child's end; kills it and returns false when it does not end.
    bool WaitForExit(int* pnStatus);

    const std::string& ScreenText() const { return m_strScreen; }
    // The child's standard output and error; read once it has ended.
    std::string ReadStdout() { return ReadAllOf(&m_fdStdout); }
    std::string ReadStderr() { return ReadAllOf(&m_fdStderr); }

private:
    void DrainScreen(int msWait);
    static std::string ReadAllOf(int* pfd);

    pid_t m_pid;
    int m_fdMaster;
    int m_fdSlave;  // kept open so that the terminal's mode can be read after the child ends
    int m_fdStdout;
    int m_fdStderr;
    int m_fdRelease;
    std::string m_strScreen;
};

// True when the terminal reads by lines, echoes and turns Ctrl+C into a signal.
bool IsCookedMode(const struct termios& ti);

// For the child: whether its controlling terminal is in cooked mode now.
bool ControllingTerminalIsCooked();

// For the child: the bytes its controlling terminal still holds for reading,
// taken until none has come for msQuiet; the mode is left as it was.
std::string TakeTerminalInput(int msQuiet);

// For the child: writes a text to standard output.
void WriteStdout(const std::string& strText);

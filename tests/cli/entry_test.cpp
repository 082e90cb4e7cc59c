// The real program, started with arguments that must not start a mode.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

struct RunResult {
    int nExitCode;  // -1 when it did not exit normally
    std::string strOutput;
};

// Starts the program with no terminal, stdin from /dev/null, and collects
// standard output and error until it ends or nMaxBytes have come.
RunResult RunProgram(const std::vector<std::string>& args, size_t nMaxBytes = 1 << 20)
{
    int fds[2];
    if (pipe(fds) != 0)
        return {-1, ""};
    const pid_t pid = fork();
    if (pid == 0) {
        setsid();  // no controlling terminal: no dialog can wait for a key
        dup2(fds[1], 1);
        dup2(fds[1], 2);
        close(fds[0]);
        close(fds[1]);
        const int fdNull = open("/dev/null", O_RDONLY);
        if (fdNull < 0 || dup2(fdNull, 0) < 0)
            _exit(126);
        std::vector<char*> argv;
        std::vector<std::string> copy(args);
        std::string strProgram = VANTREL_PROGRAM;
        argv.push_back(&strProgram[0]);
        for (std::string& strArg : copy)
            argv.push_back(&strArg[0]);
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(fds[1]);
    RunResult result = {-1, ""};
    char buffer[4096];
    ssize_t cbRead;
    while (result.strOutput.size() < nMaxBytes && (cbRead = read(fds[0], buffer, sizeof(buffer))) > 0)
        result.strOutput.append(buffer, static_cast<size_t>(cbRead));
    if (result.strOutput.size() >= nMaxBytes)
        kill(pid, SIGKILL);
    close(fds[0]);
    int nStatus = 0;
    waitpid(pid, &nStatus, 0);
    if (WIFEXITED(nStatus))
        result.nExitCode = WEXITSTATUS(nStatus);
    return result;
}

TEST(Entry, UnknownFirstArgumentEndsAtOnceWithoutOutput)
{
    for (const char* pszArgument : {"/RUN", "run", "/run1", "/Run", "-run", ""}) {
        const RunResult result = RunProgram({pszArgument});
        EXPECT_EQ(result.nExitCode, 0) << pszArgument;
        EXPECT_EQ(result.strOutput, "") << pszArgument;
    }
}

TEST(Entry, RunFollowedByMoreArgumentsMeasures)
{
    // Only the greeting is awaited; the program is stopped before it could
    // finish a measurement and touch the autostart entry.
    const std::string strGreeting = "Please wait....\n";
    const RunResult result = RunProgram({"/run", "x"}, strGreeting.size());
    EXPECT_EQ(result.strOutput.substr(0, strGreeting.size()), strGreeting);
}

}  // namespace

// Message boxes on Linux: a framed box drawn on the controlling terminal,
// answered by a key. Standard output stays the program's own.
#include "dialog_layout.h"
#include "terminal.h"
#include "win_api.h"

#include <cerrno>
#include <cstdio>
#include <poll.h>
#include <string>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

const size_t DEFAULT_TERMINAL_WIDTH = 80;

bool IsYesNo(UINT uType)
{
    return (uType & 0xFu) == MB_YESNO;
}

// The answer when no person can give one: a Yes/No box never says Yes.
int AnswerWithoutPerson(UINT uType)
{
    return IsYesNo(uType) ? IDNO : IDOK;
}

size_t TerminalWidth(int fd)
{
    struct winsize ws = {};
    if (ioctl(fd, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0)
        return ws.ws_col;
    return DEFAULT_TERMINAL_WIDTH;
}

void WriteAll(int fd, const std::string& str)
{
    size_t cbDone = 0;
    while (cbDone < str.size()) {
        ssize_t cbWritten = write(fd, str.data() + cbDone, str.size() - cbDone);
        if (cbWritten < 0 && errno == EINTR)
            continue;
        if (cbWritten <= 0)
            return;
        cbDone += static_cast<size_t>(cbWritten);
    }
}

// A question answers only keys pressed while it is shown, as a window that takes
// the focus would: what was typed before it appeared cannot say Yes to a
// question nobody has read. Only this box's reads do it; the terminal's
// queue is otherwise left alone.
void DiscardTypedAhead(int fd)
{
    unsigned char abDiscard[256];
    for (int nRound = 0; nRound < 64; ++nRound) {
        struct pollfd pfd = {fd, POLLIN, 0};
        if (poll(&pfd, 1, 0) <= 0 || (pfd.revents & POLLIN) == 0)
            return;
        if (read(fd, abDiscard, sizeof(abDiscard)) <= 0)
            return;
    }
}

int RunTerminalDialog(int fd, LPCSTR lpText, LPCSTR lpCaption, UINT uType)
{
    CRawTerminal raw(fd);
    if (!raw.IsRaw())
        return 0;
    const bool bYesNo = IsYesNo(uType);
    // An OK box keeps the queue, so a key typed while the machine settled
    // still ends the final wait at once, as on a Windows console.
    if (bYesNo)
        DiscardTypedAhead(fd);

    std::string strBox;
    for (const std::string& strLine : LayoutDialog(lpCaption, lpText, bYesNo, TerminalWidth(fd)))
        strBox += strLine + "\n";  // the box stays on screen, and what follows starts on a new line
    WriteAll(fd, strBox);

    CKeyReader reader(fd);
    for (;;) {
        DecodedKey key;
        if (!reader.ReadKey(&key))
            return AnswerWithoutPerson(uType);
        int nAnswer = DialogAnswerForKey(key, bYesNo);
        if (nAnswer != 0)
            return nAnswer;
    }
}

}  // namespace

int MessageBoxA(HWND, LPCSTR lpText, LPCSTR lpCaption, UINT uType)
{
    int fd = OpenControllingTerminal();
    int nAnswer = 0;
    if (fd >= 0) {
        nAnswer = RunTerminalDialog(fd, lpText, lpCaption, uType);
        close(fd);
    }
    if (nAnswer == 0) {
        // No terminal to ask on: say it where it can still be read.
        std::fprintf(stderr, "%s\n%s\n", lpCaption ? lpCaption : "", lpText ? lpText : "");
        std::fflush(stderr);
        nAnswer = AnswerWithoutPerson(uType);
    }
    return nAnswer;
}

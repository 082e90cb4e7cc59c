// Raw-mode sessions on the controlling terminal, and reading keys in them.
#include "terminal.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace {

const int s_anSessionSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// What a signal handler needs to put the terminal back. Written before the
// handlers go in and read only by them and the session that owns them.
volatile sig_atomic_t s_fdRestore = -1;
struct termios s_tiRestore;

extern "C" void RestoreTerminalAndResignal(int nSignal)
{
    int nSavedErrno = errno;
    if (s_fdRestore >= 0)
        tcsetattr(s_fdRestore, TCSANOW, &s_tiRestore);
    // Die by the signal as if we had never caught it: it is blocked while this
    // handler runs and arrives again, with the default action, once it returns.
    struct sigaction saDefault;
    std::memset(&saDefault, 0, sizeof(saDefault));
    saDefault.sa_handler = SIG_DFL;
    sigemptyset(&saDefault.sa_mask);
    sigaction(nSignal, &saDefault, nullptr);
    raise(nSignal);
    errno = nSavedErrno;
}

}  // namespace

int OpenControllingTerminal()
{
    int fd = -1;
    do {
        fd = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

CRawTerminal::CRawTerminal(int fd) : m_fd(fd), m_bOwner(false), m_bRaw(false), m_abHandled(), m_asaPrevious()
{
    struct termios tiSaved;
    if (s_fdRestore >= 0 || fd < 0 || tcgetattr(fd, &tiSaved) != 0)
        return;
    s_tiRestore = tiSaved;
    s_fdRestore = fd;
    m_bOwner = true;

    // The handlers go in before the mode changes, so no signal finds the
    // terminal raw without a way back.
    for (int i = 0; i < SIGNAL_COUNT; ++i) {
        if (sigaction(s_anSessionSignals[i], nullptr, &m_asaPrevious[i]) != 0)
            continue;
        if ((m_asaPrevious[i].sa_flags & SA_SIGINFO) == 0 && m_asaPrevious[i].sa_handler == SIG_IGN)
            continue;  // nohup and the like: an ignored signal ends nothing
        struct sigaction saRestore;
        std::memset(&saRestore, 0, sizeof(saRestore));
        saRestore.sa_handler = RestoreTerminalAndResignal;
        sigemptyset(&saRestore.sa_mask);
        for (int nSignal : s_anSessionSignals)
            sigaddset(&saRestore.sa_mask, nSignal);
        m_abHandled[i] = sigaction(s_anSessionSignals[i], &saRestore, nullptr) == 0;
    }

    struct termios tiRaw = tiSaved;
    tiRaw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ISIG | IEXTEN);
    tiRaw.c_iflag &= ~static_cast<tcflag_t>(IXON);  // Ctrl+S and Ctrl+Q are keys too
    tiRaw.c_cc[VMIN] = 1;
    tiRaw.c_cc[VTIME] = 0;
    // TCSANOW, not TCSAFLUSH: keys typed before the session are kept.
    m_bRaw = tcsetattr(fd, TCSANOW, &tiRaw) == 0;
}

CRawTerminal::~CRawTerminal()
{
    if (!m_bOwner)
        return;
    if (m_bRaw)
        tcsetattr(m_fd, TCSANOW, &s_tiRestore);
    // The mode is back before the handlers go, so a late signal cannot leave it raw.
    for (int i = 0; i < SIGNAL_COUNT; ++i) {
        if (m_abHandled[i])
            sigaction(s_anSessionSignals[i], &m_asaPrevious[i], nullptr);
    }
    s_fdRestore = -1;
}

CKeyReader::CKeyReader(int fd) : m_fd(fd), m_cbPending(0), m_abPending() {}

bool CKeyReader::ReadKey(DecodedKey* pKey)
{
    for (;;) {
        if (m_cbPending > 0) {
            DecodedKey key = DecodeKey(m_abPending, m_cbPending, m_cbPending == sizeof(m_abPending));
            if (key.kind == KeyKind::Incomplete) {
                // The rest of a sequence follows its start at once; a person's next key does not.
                struct pollfd pfd = {m_fd, POLLIN, 0};
                int nReady = poll(&pfd, 1, KEY_SEQUENCE_WAIT_MS);
                if (nReady < 0 && errno == EINTR)
                    continue;
                if (nReady == 0)
                    key = DecodeKey(m_abPending, m_cbPending, true);
            }
            if (key.kind != KeyKind::Incomplete) {
                m_cbPending -= key.cbUsed;
                std::memmove(m_abPending, m_abPending + key.cbUsed, m_cbPending);
                *pKey = key;
                return true;
            }
        }
        ssize_t cbRead = read(m_fd, m_abPending + m_cbPending, 1);
        if (cbRead < 0 && errno == EINTR)
            continue;
        if (cbRead <= 0)
            return false;
        m_cbPending += 1;
    }
}

// The controlling terminal as the message boxes and the key wait use it:
// opened on its own, switched to reading single unechoed keys for as long as
// a session lasts, and left in the mode it was found in.
#pragma once

#include "key_decode.h"

#include <cstddef>
#include <signal.h>
#include <termios.h>

// Opens /dev/tty for reading and writing without making it the controlling
// terminal. Returns -1 when the process has no terminal.
int OpenControllingTerminal();

// While it lives, the terminal delivers every byte at once, unechoed, with
// Ctrl+C, Ctrl+\, Ctrl+Z, Ctrl+S and Ctrl+Q as plain keys. Input that is
// already queued stays queued. The saved mode comes back when the object
// dies and also when SIGINT, SIGTERM, SIGHUP or SIGQUIT end the process
// meanwhile: their handlers restore it, then let the signal take its default
// action, which ends the process.
// Signals the process ignores stay ignored. Sessions do not nest; an inner
// one leaves the terminal as the outer one set it.
class CRawTerminal {
public:
    explicit CRawTerminal(int fd);
    ~CRawTerminal();
    CRawTerminal(const CRawTerminal&) = delete;
    CRawTerminal& operator=(const CRawTerminal&) = delete;

    // False when fd is no terminal or its mode could not be changed.
    bool IsRaw() const { return m_bRaw; }

private:
    static const int SIGNAL_COUNT = 4;

    int m_fd;
    bool m_bOwner;  // this session saved the mode and set the handlers
    bool m_bRaw;
    bool m_abHandled[SIGNAL_COUNT];
    struct sigaction m_asaPrevious[SIGNAL_COUNT];
};

// How long the rest of an escape sequence may take to follow its ESC. After
// that a lone ESC is the Esc key.
const int KEY_SEQUENCE_WAIT_MS = 50;

// Reads key presses from a terminal in a CRawTerminal session, one byte at a
// time, so that nothing after the key is taken from the terminal unless a
// broken sequence forces it; such bytes are kept for the next ReadKey.
class CKeyReader {
public:
    explicit CKeyReader(int fd);

    // Waits for a key and reads it whole. False on a read error or end of input.
    bool ReadKey(DecodedKey* pKey);

private:
    int m_fd;
    size_t m_cbPending;
    unsigned char m_abPending[32];
};

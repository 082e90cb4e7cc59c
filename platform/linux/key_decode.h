// Tells one key press apart from the bytes a terminal sends for it.
//
// A terminal sends most keys as one byte, but the cursor block, the function
// keys and Alt combinations as escape sequences. Whoever reads the terminal
// hands the bytes it has to DecodeKey, learns how many of them one key
// occupies, and reads on when the answer is Incomplete.
#pragma once

#include <cstddef>

enum class KeyKind {
    Incomplete,  // the bytes so far begin a key but do not finish it
    Character,   // a printable character; a UTF-8 sequence counts as one
    Enter,
    Escape,  // the Esc key on its own
    Tab,
    Backspace,
    Control,   // Ctrl with a letter or with one of @ [ \ ] ^ _
    Cursor,    // arrows, Home, End, Insert, Delete, Page Up, Page Down
    Function,  // F1 and up
    Unknown    // a whole sequence that names no key we know
};

enum class CursorKey { None, Up, Down, Right, Left, Home, End, Begin, Insert, Delete, PageUp, PageDown };

// Modifier bits, as xterm counts them in its sequences (its parameter less one).
const unsigned KEYMOD_SHIFT = 1;
const unsigned KEYMOD_ALT = 2;
const unsigned KEYMOD_CTRL = 4;
const unsigned KEYMOD_META = 8;

struct DecodedKey {
    size_t cbUsed;  // bytes of the input that this key occupies; 0 when Incomplete
    KeyKind kind;
    char ch;              // Character: its (first) byte; Control: the lower-case letter or @[\]^_
    CursorKey cursor;     // Cursor: which key
    int nFunction;        // Function: 1 for F1 and so on
    unsigned uModifiers;  // KEYMOD_* bits; Alt also when Esc came first
};

// Decodes the key at the start of pbInput. bFinal says that no more bytes of
// this key will come (the short wait after the last one ran out): a lone ESC
// is then the Esc key and an unfinished sequence is taken whole as Unknown,
// so with bFinal and at least one byte the answer is never Incomplete.
DecodedKey DecodeKey(const unsigned char* pbInput, size_t cbInput, bool bFinal);

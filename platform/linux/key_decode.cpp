// Decoding of terminal key bytes: plain bytes, UTF-8, CSI and SS3 sequences,
// and Esc as the Alt prefix.
#include "key_decode.h"

namespace {

const unsigned char KEY_ESC = 0x1B;

DecodedKey MakeKey(size_t cbUsed, KeyKind kind)
{
    DecodedKey key{};
    key.cbUsed = cbUsed;
    key.kind = kind;
    key.cursor = CursorKey::None;
    return key;
}

DecodedKey MakeCharacter(size_t cbUsed, unsigned char bFirst)
{
    DecodedKey key = MakeKey(cbUsed, KeyKind::Character);
    key.ch = static_cast<char>(bFirst);
    return key;
}

DecodedKey MakeCursor(size_t cbUsed, CursorKey cursor, unsigned uModifiers)
{
    DecodedKey key = MakeKey(cbUsed, KeyKind::Cursor);
    key.cursor = cursor;
    key.uModifiers = uModifiers;
    return key;
}

DecodedKey MakeFunction(size_t cbUsed, int nFunction, unsigned uModifiers)
{
    DecodedKey key = MakeKey(cbUsed, KeyKind::Function);
    key.nFunction = nFunction;
    key.uModifiers = uModifiers;
    return key;
}

// An unfinished key: wait for more, or take what there is as one unknown key.
DecodedKey Unfinished(size_t cbInput, bool bFinal)
{
    return bFinal ? MakeKey(cbInput, KeyKind::Unknown) : MakeKey(0, KeyKind::Incomplete);
}

bool IsFinalByte(unsigned char b)
{
    return b >= 0x40 && b <= 0x7E;
}

// The numbers of a parameter string such as "1;5"; absent ones read as 0.
// Large values saturate rather than overflow.
void ReadParameters(const unsigned char* pb, size_t cb, int* pnFirst, int* pnLast)
{
    int nCurrent = 0;
    bool bFirstDone = false;
    *pnFirst = 0;
    for (size_t i = 0; i < cb; ++i) {
        if (pb[i] == ';') {
            if (!bFirstDone) {
                *pnFirst = nCurrent;
                bFirstDone = true;
            }
            nCurrent = 0;
        } else if (pb[i] >= '0' && pb[i] <= '9') {
            nCurrent = nCurrent > 9999 ? nCurrent : nCurrent * 10 + (pb[i] - '0');
        }
    }
    if (!bFirstDone)
        *pnFirst = nCurrent;
    *pnLast = nCurrent;
}

// xterm sends the modifiers as one more than their bit sum; 0 or 1 means none.
unsigned ModifiersFromParameter(int nParameter)
{
    return nParameter > 1 ? static_cast<unsigned>(nParameter - 1) & 0xFu : 0u;
}

bool CursorFromFinal(unsigned char b, CursorKey* pCursor)
{
    switch (b) {
    case 'A':
        *pCursor = CursorKey::Up;
        return true;
    case 'B':
        *pCursor = CursorKey::Down;
        return true;
    case 'C':
        *pCursor = CursorKey::Right;
        return true;
    case 'D':
        *pCursor = CursorKey::Left;
        return true;
    case 'H':
        *pCursor = CursorKey::Home;
        return true;
    case 'F':
        *pCursor = CursorKey::End;
        return true;
    case 'E':
        *pCursor = CursorKey::Begin;
        return true;
    default:
        return false;
    }
}

// The keys of "ESC [ n ~" by their number n (VT220, xterm and rxvt codes).
DecodedKey TildeKey(size_t cbUsed, int nCode, unsigned uModifiers)
{
    switch (nCode) {
    case 1:
    case 7:
        return MakeCursor(cbUsed, CursorKey::Home, uModifiers);
    case 2:
        return MakeCursor(cbUsed, CursorKey::Insert, uModifiers);
    case 3:
        return MakeCursor(cbUsed, CursorKey::Delete, uModifiers);
    case 4:
    case 8:
        return MakeCursor(cbUsed, CursorKey::End, uModifiers);
    case 5:
        return MakeCursor(cbUsed, CursorKey::PageUp, uModifiers);
    case 6:
        return MakeCursor(cbUsed, CursorKey::PageDown, uModifiers);
    default:
        break;
    }
    // F1-F5 are 11-15, F6-F10 17-21, F11-F14 23-26, F15-F16 28-29, F17-F20 31-34.
    static const int s_anFirstCode[] = {11, 17, 23, 28, 31};
    static const int s_anLastCode[] = {15, 21, 26, 29, 34};
    static const int s_anFirstKey[] = {1, 6, 11, 15, 17};
    for (size_t i = 0; i < sizeof(s_anFirstCode) / sizeof(s_anFirstCode[0]); ++i) {
        if (nCode >= s_anFirstCode[i] && nCode <= s_anLastCode[i])
            return MakeFunction(cbUsed, s_anFirstKey[i] + nCode - s_anFirstCode[i], uModifiers);
    }
    return MakeKey(cbUsed, KeyKind::Unknown);
}

// pb starts with ESC '['.
DecodedKey DecodeCsi(const unsigned char* pb, size_t cb, bool bFinal)
{
    // The Linux console sends F1-F5 as ESC [ [ A to ESC [ [ E.
    if (cb > 2 && pb[2] == '[') {
        if (cb < 4)
            return Unfinished(cb, bFinal);
        if (pb[3] >= 'A' && pb[3] <= 'E')
            return MakeFunction(4, pb[3] - 'A' + 1, 0);
        return MakeKey(4, KeyKind::Unknown);
    }
    size_t iParamEnd = 2;
    while (iParamEnd < cb && pb[iParamEnd] >= 0x30 && pb[iParamEnd] <= 0x3F)
        ++iParamEnd;
    size_t iFinal = iParamEnd;
    while (iFinal < cb && pb[iFinal] >= 0x20 && pb[iFinal] <= 0x2F)
        ++iFinal;
    if (iFinal == cb) {
        if (bFinal && cb == 2)
            return DecodedKey{2, KeyKind::Character, '[', CursorKey::None, 0, KEYMOD_ALT};
        return Unfinished(cb, bFinal);
    }
    unsigned char bLast = pb[iFinal];
    if (!IsFinalByte(bLast))
        return MakeKey(iFinal + 1, KeyKind::Unknown);  // broken off: the stray byte goes with it
    size_t cbUsed = iFinal + 1;
    // Private markers (mouse reports and the like) and intermediates name no key.
    if (iFinal != iParamEnd || (iParamEnd > 2 && pb[2] >= 0x3C))
        return MakeKey(cbUsed, KeyKind::Unknown);

    int nFirst = 0;
    int nLast = 0;
    ReadParameters(pb + 2, iParamEnd - 2, &nFirst, &nLast);
    // Modifiers come as a second parameter: "1;5A" is Ctrl+Up, "15;2~" Shift+F5.
    unsigned uModifiers = 0;
    for (size_t i = 2; i < iParamEnd; ++i) {
        if (pb[i] == ';')
            uModifiers = ModifiersFromParameter(nLast);
    }

    CursorKey cursor = CursorKey::None;
    if (CursorFromFinal(bLast, &cursor))
        return MakeCursor(cbUsed, cursor, uModifiers);
    switch (bLast) {
    case 'P':
    case 'Q':
    case 'R':
    case 'S':
        return MakeFunction(cbUsed, bLast - 'P' + 1, uModifiers);
    case 'Z': {
        DecodedKey key = MakeKey(cbUsed, KeyKind::Tab);
        key.uModifiers = KEYMOD_SHIFT;
        return key;
    }
    case '~':
        return TildeKey(cbUsed, nFirst, uModifiers);
    case '^':
        return TildeKey(cbUsed, nFirst, KEYMOD_CTRL);  // rxvt's modified keys
    case '$':
        return TildeKey(cbUsed, nFirst, KEYMOD_SHIFT);
    case '@':
        return TildeKey(cbUsed, nFirst, KEYMOD_CTRL | KEYMOD_SHIFT);
    default:
        return MakeKey(cbUsed, KeyKind::Unknown);
    }
}

// pb starts with ESC 'O'.
DecodedKey DecodeSs3(const unsigned char* pb, size_t cb, bool bFinal)
{
    size_t iFinal = 2;
    while (iFinal < cb && ((pb[iFinal] >= '0' && pb[iFinal] <= '9') || pb[iFinal] == ';'))
        ++iFinal;
    if (iFinal == cb) {
        if (bFinal && cb == 2)
            return DecodedKey{2, KeyKind::Character, 'O', CursorKey::None, 0, KEYMOD_ALT};
        return Unfinished(cb, bFinal);
    }
    unsigned char bLast = pb[iFinal];
    size_t cbUsed = iFinal + 1;
    if (!IsFinalByte(bLast))
        return MakeKey(cbUsed, KeyKind::Unknown);
    int nFirst = 0;
    int nLast = 0;
    ReadParameters(pb + 2, iFinal - 2, &nFirst, &nLast);
    unsigned uModifiers = ModifiersFromParameter(nLast);

    CursorKey cursor = CursorKey::None;
    if (CursorFromFinal(bLast, &cursor))
        return MakeCursor(cbUsed, cursor, uModifiers);
    if (bLast >= 'P' && bLast <= 'S')
        return MakeFunction(cbUsed, bLast - 'P' + 1, uModifiers);
    if (bLast == 'M')
        return MakeKey(cbUsed, KeyKind::Enter);  // keypad Enter
    if (bLast >= 'j' && bLast <= 'y')
        return MakeCharacter(cbUsed, static_cast<unsigned char>(bLast - 0x40));  // keypad * + , - . / 0-9
    return MakeKey(cbUsed, KeyKind::Unknown);
}

DecodedKey DecodeEscape(const unsigned char* pb, size_t cb, bool bFinal)
{
    if (cb == 1)
        return bFinal ? MakeKey(1, KeyKind::Escape) : MakeKey(0, KeyKind::Incomplete);
    if (pb[1] == '[')
        return DecodeCsi(pb, cb, bFinal);
    if (pb[1] == 'O')
        return DecodeSs3(pb, cb, bFinal);

    DecodedKey key{};
    if (pb[1] == KEY_ESC) {
        // Some terminals send Alt with a cursor key as ESC before its sequence;
        // otherwise two Escs are two key presses.
        if (cb == 2)
            return bFinal ? MakeKey(1, KeyKind::Escape) : MakeKey(0, KeyKind::Incomplete);
        if (pb[2] != '[' && pb[2] != 'O')
            return MakeKey(1, KeyKind::Escape);
        key = DecodeEscape(pb + 1, cb - 1, bFinal);
    } else {
        key = DecodeKey(pb + 1, cb - 1, bFinal);
    }
    if (key.kind == KeyKind::Incomplete)
        return key;
    key.cbUsed += 1;
    key.uModifiers |= KEYMOD_ALT;
    return key;
}

// Length of the UTF-8 sequence that a lead byte begins; 0 for no lead byte.
size_t Utf8Length(unsigned char b)
{
    if (b >= 0xC2 && b <= 0xDF)
        return 2;
    if (b >= 0xE0 && b <= 0xEF)
        return 3;
    if (b >= 0xF0 && b <= 0xF4)
        return 4;
    return 0;
}

DecodedKey DecodeUtf8(const unsigned char* pb, size_t cb, bool bFinal)
{
    size_t cbSequence = Utf8Length(pb[0]);
    if (cbSequence == 0)
        return MakeCharacter(1, pb[0]);  // a byte of some other code page
    for (size_t i = 1; i < cbSequence; ++i) {
        if (i == cb)
            return bFinal ? MakeCharacter(1, pb[0]) : MakeKey(0, KeyKind::Incomplete);
        if ((pb[i] & 0xC0) != 0x80)
            return MakeCharacter(1, pb[0]);
    }
    return MakeCharacter(cbSequence, pb[0]);
}

}  // namespace

DecodedKey DecodeKey(const unsigned char* pbInput, size_t cbInput, bool bFinal)
{
    if (cbInput == 0)
        return MakeKey(0, KeyKind::Incomplete);
    unsigned char b = pbInput[0];
    if (b == KEY_ESC)
        return DecodeEscape(pbInput, cbInput, bFinal);
    if (b == '\r' || b == '\n')
        return MakeKey(1, KeyKind::Enter);
    if (b == '\t')
        return MakeKey(1, KeyKind::Tab);
    if (b == 0x7F || b == 0x08)
        return MakeKey(1, KeyKind::Backspace);
    if (b < 0x20) {
        DecodedKey key = MakeKey(1, KeyKind::Control);
        key.ch = static_cast<char>(b >= 0x01 && b <= 0x1A ? b + 0x60 : b + 0x40);
        return key;
    }
    if (b < 0x80)
        return MakeCharacter(1, b);
    return DecodeUtf8(pbInput, cbInput, bFinal);
}

// The terminal key decoder over the bytes that common terminals send.
#include "key_decode.h"
#include "support/case_name.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <utility>

namespace {

struct KeyCase {
    const char* pszName;
    std::string strBytes;
    KeyKind kind;
    char ch;
    CursorKey cursor;
    int nFunction;
    unsigned uModifiers;
};

void PrintTo(const KeyCase& c, std::ostream* pStream)
{
    *pStream << c.pszName;
}

const CursorKey NO_CURSOR = CursorKey::None;

KeyCase Chr(const char* pszName, std::string strBytes, char ch, unsigned uModifiers = 0)
{
    return {pszName, std::move(strBytes), KeyKind::Character, ch, NO_CURSOR, 0, uModifiers};
}
KeyCase Plain(const char* pszName, std::string strBytes, KeyKind kind, unsigned uModifiers = 0)
{
    return {pszName, std::move(strBytes), kind, '\0', NO_CURSOR, 0, uModifiers};
}
KeyCase Ctl(const char* pszName, std::string strBytes, char ch)
{
    return {pszName, std::move(strBytes), KeyKind::Control, ch, NO_CURSOR, 0, 0};
}
KeyCase Cur(const char* pszName, std::string strBytes, CursorKey cursor, unsigned uModifiers = 0)
{
    return {pszName, std::move(strBytes), KeyKind::Cursor, '\0', cursor, 0, uModifiers};
}
KeyCase Fn(const char* pszName, std::string strBytes, int nFunction, unsigned uModifiers = 0)
{
    return {pszName, std::move(strBytes), KeyKind::Function, '\0', NO_CURSOR, nFunction, uModifiers};
}

// Each key complete, as a terminal sends it in one go.
const KeyCase WHOLE_KEYS[] = {
    Plain("EnterCr", "\r", KeyKind::Enter),
    Plain("EnterLf", "\n", KeyKind::Enter),
    Chr("Letter", "a", 'a'),
    Chr("CapitalLetter", "Y", 'Y'),
    Chr("Digit", "7", '7'),
    Chr("Space", " ", ' '),
    Chr("Punctuation", "~", '~'),
    Plain("Tab", "\t", KeyKind::Tab),
    Plain("ShiftTab", "\x1b[Z", KeyKind::Tab, KEYMOD_SHIFT),
    Plain("BackspaceDel", "\x7f", KeyKind::Backspace),
    Plain("BackspaceCtrlH", "\x08", KeyKind::Backspace),
    Ctl("CtrlC", "\x03", 'c'),
    Ctl("CtrlA", "\x01", 'a'),
    Ctl("CtrlZ", "\x1a", 'z'),
    Ctl("CtrlBackslash", "\x1c", '\\'),
    Ctl("CtrlSpace", std::string(1, '\0'), '@'),
    Cur("UpCsi", "\x1b[A", CursorKey::Up),
    Cur("DownCsi", "\x1b[B", CursorKey::Down),
    Cur("RightCsi", "\x1b[C", CursorKey::Right),
    Cur("LeftCsi", "\x1b[D", CursorKey::Left),
    Cur("UpSs3", "\x1bOA", CursorKey::Up),
    Cur("LeftSs3", "\x1bOD", CursorKey::Left),
    Cur("CtrlUp", "\x1b[1;5A", CursorKey::Up, KEYMOD_CTRL),
    Cur("ShiftAltRight", "\x1b[1;4C", CursorKey::Right, KEYMOD_SHIFT | KEYMOD_ALT),
    Cur("AltUpRxvt", "\x1b\x1b[A", CursorKey::Up, KEYMOD_ALT),
    Cur("HomeCsi", "\x1b[H", CursorKey::Home),
    Cur("EndCsi", "\x1b[F", CursorKey::End),
    Cur("HomeSs3", "\x1bOH", CursorKey::Home),
    Cur("EndSs3", "\x1bOF", CursorKey::End),
    Cur("HomeVt220", "\x1b[1~", CursorKey::Home),
    Cur("EndVt220", "\x1b[4~", CursorKey::End),
    Cur("HomeRxvt", "\x1b[7~", CursorKey::Home),
    Cur("Insert", "\x1b[2~", CursorKey::Insert),
    Cur("Delete", "\x1b[3~", CursorKey::Delete),
    Cur("CtrlDelete", "\x1b[3;5~", CursorKey::Delete, KEYMOD_CTRL),
    Cur("PageUp", "\x1b[5~", CursorKey::PageUp),
    Cur("PageDown", "\x1b[6~", CursorKey::PageDown),
    Cur("CtrlPageDownRxvt", "\x1b[6^", CursorKey::PageDown, KEYMOD_CTRL),
    Cur("KeypadFive", "\x1b[E", CursorKey::Begin),
    Fn("F1Ss3", "\x1bOP", 1),
    Fn("F2Ss3", "\x1bOQ", 2),
    Fn("F3Ss3", "\x1bOR", 3),
    Fn("F4Ss3", "\x1bOS", 4),
    Fn("ShiftF1", "\x1b[1;2P", 1, KEYMOD_SHIFT),
    Fn("CtrlF4OldXterm", "\x1bO5S", 4, KEYMOD_CTRL),
    Fn("F1Vt220", "\x1b[11~", 1),
    Fn("F5", "\x1b[15~", 5),
    Fn("F6", "\x1b[17~", 6),
    Fn("F7", "\x1b[18~", 7),
    Fn("F8", "\x1b[19~", 8),
    Fn("F9", "\x1b[20~", 9),
    Fn("F10", "\x1b[21~", 10),
    Fn("F11", "\x1b[23~", 11),
    Fn("F12", "\x1b[24~", 12),
    Fn("ShiftF5", "\x1b[15;2~", 5, KEYMOD_SHIFT),
    Fn("CtrlAltF12", "\x1b[24;7~", 12, KEYMOD_CTRL | KEYMOD_ALT),
    Fn("F1LinuxConsole", "\x1b[[A", 1),
    Fn("F5LinuxConsole", "\x1b[[E", 5),
    Chr("AltX", "\x1bx", 'x', KEYMOD_ALT),
    Chr("AltShiftX", "\x1bX", 'X', KEYMOD_ALT),
    Chr("AltDigit",
        "\x1b"
        "1",
        '1', KEYMOD_ALT),
    Plain("AltEnter", "\x1b\r", KeyKind::Enter, KEYMOD_ALT),
    Plain("AltBackspace", "\x1b\x7f", KeyKind::Backspace, KEYMOD_ALT),
    Chr("KeypadDigitApplicationMode", "\x1bOq", '1'),
    Plain("KeypadEnterApplicationMode", "\x1bOM", KeyKind::Enter),
    Chr("Utf8TwoBytes", "\xc3\xa9", '\xc3'),
    Chr("Utf8ThreeBytes", "\xe2\x82\xac", '\xe2'),
    Chr("Utf8FourBytes", "\xf0\x9f\x98\x80", '\xf0'),
    Chr("Latin1Byte", "\xa4", '\xa4'),
    Plain("UnknownCsiFinal", "\x1b[1;5x", KeyKind::Unknown),
    Plain("UnknownTildeCode", "\x1b[99~", KeyKind::Unknown),
    Plain("BracketedPasteStart", "\x1b[200~", KeyKind::Unknown),
    Plain("SgrMouseReport", "\x1b[<0;12;5M", KeyKind::Unknown),
};

class DecodeWholeKey : public ::testing::TestWithParam<KeyCase> {};

const unsigned char* Bytes(const std::string& str)
{
    return reinterpret_cast<const unsigned char*>(str.data());
}

void ExpectKey(const DecodedKey& key, const KeyCase& c, size_t cbExpected)
{
    EXPECT_EQ(key.cbUsed, cbExpected);
    EXPECT_EQ(key.kind, c.kind);
    if (c.kind == KeyKind::Character || c.kind == KeyKind::Control) {
        EXPECT_EQ(key.ch, c.ch);
    }
    EXPECT_EQ(key.cursor, c.cursor);
    EXPECT_EQ(key.nFunction, c.nFunction);
    EXPECT_EQ(key.uModifiers, c.uModifiers);
}

TEST_P(DecodeWholeKey, TakesExactlyItsBytes)
{
    const KeyCase& c = GetParam();
    for (bool bFinal : {false, true}) {
        SCOPED_TRACE(bFinal ? "final" : "more may come");
        ExpectKey(DecodeKey(Bytes(c.strBytes), c.strBytes.size(), bFinal), c, c.strBytes.size());
    }
}

// A key typed right after must stay for the next call, whatever it is.
TEST_P(DecodeWholeKey, LeavesTheNextKeyAlone)
{
    const KeyCase& c = GetParam();
    for (const char* pszNext : {"a", "\r", "\x1b[B"}) {
        std::string strInput = c.strBytes + pszNext;
        SCOPED_TRACE(pszNext);
        ExpectKey(DecodeKey(Bytes(strInput), strInput.size(), false), c, c.strBytes.size());
    }
}

// Any start of a longer key waits for the rest while more may come, and
// with nothing more to come is taken whole: never left half read.
TEST_P(DecodeWholeKey, PrefixesWaitOrAreTakenWhole)
{
    const KeyCase& c = GetParam();
    for (size_t cb = 1; cb < c.strBytes.size(); ++cb) {
        SCOPED_TRACE(cb);
        DecodedKey keyWaiting = DecodeKey(Bytes(c.strBytes), cb, false);
        EXPECT_EQ(keyWaiting.kind, KeyKind::Incomplete);
        EXPECT_EQ(keyWaiting.cbUsed, 0u);
        DecodedKey keyFinal = DecodeKey(Bytes(c.strBytes), cb, true);
        EXPECT_NE(keyFinal.kind, KeyKind::Incomplete);
        EXPECT_GE(keyFinal.cbUsed, 1u);
        EXPECT_LE(keyFinal.cbUsed, cb);
    }
}

INSTANTIATE_TEST_SUITE_P(Terminals, DecodeWholeKey, ::testing::ValuesIn(WHOLE_KEYS), CaseName());

// Bytes that stop short of a key, taken as final because nothing followed.
struct FinalCase {
    const char* pszName;
    std::string strBytes;
    size_t cbUsed;
    KeyKind kind;
    char ch;
    unsigned uModifiers;
};

void PrintTo(const FinalCase& c, std::ostream* pStream)
{
    *pStream << c.pszName;
}

const FinalCase FINAL_CASES[] = {
    {"LoneEsc", "\x1b", 1, KeyKind::Escape, '\0', 0},
    {"TwoEscsAreTwoKeys", "\x1b\x1b", 1, KeyKind::Escape, '\0', 0},
    {"EscBeforeLetterOfSecondEsc", "\x1b\x1bx", 1, KeyKind::Escape, '\0', 0},
    {"AltOpenBracket", "\x1b[", 2, KeyKind::Character, '[', KEYMOD_ALT},
    {"AltCapitalO", "\x1bO", 2, KeyKind::Character, 'O', KEYMOD_ALT},
    {"CutCsiTakenWhole", "\x1b[1;5", 5, KeyKind::Unknown, '\0', 0},
    {"CutLinuxConsoleF", "\x1b[[", 3, KeyKind::Unknown, '\0', 0},
    {"CsiBrokenByControlByte", "\x1b[1\x03", 4, KeyKind::Unknown, '\0', 0},
    {"CutUtf8IsOneByte", "\xe2\x82", 1, KeyKind::Character, '\xe2', 0},
    {"Utf8LeadBeforeAscii",
     "\xc3"
     "a",
     1, KeyKind::Character, '\xc3', 0},
};

class DecodeFinal : public ::testing::TestWithParam<FinalCase> {};

TEST_P(DecodeFinal, TakesWhatCameAsOneKey)
{
    const FinalCase& c = GetParam();
    DecodedKey key = DecodeKey(Bytes(c.strBytes), c.strBytes.size(), true);
    EXPECT_EQ(key.cbUsed, c.cbUsed);
    EXPECT_EQ(key.kind, c.kind);
    EXPECT_EQ(key.ch, c.ch);
    EXPECT_EQ(key.uModifiers, c.uModifiers);
}

INSTANTIATE_TEST_SUITE_P(Terminals, DecodeFinal, ::testing::ValuesIn(FINAL_CASES), CaseName());

TEST(DecodeKey, NothingToDecodeIsIncomplete)
{
    for (bool bFinal : {false, true}) {
        DecodedKey key = DecodeKey(nullptr, 0, bFinal);
        EXPECT_EQ(key.kind, KeyKind::Incomplete);
        EXPECT_EQ(key.cbUsed, 0u);
    }
}

TEST(DecodeKey, HugeParametersDoNotOverflow)
{
    std::string strInput = "\x1b[99999999999999999999;99999999999999999A";
    DecodedKey key = DecodeKey(Bytes(strInput), strInput.size(), false);
    EXPECT_EQ(key.cbUsed, strInput.size());
    EXPECT_EQ(key.kind, KeyKind::Cursor);
}

}  // namespace

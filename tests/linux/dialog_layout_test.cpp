// The terminal message box's layout and the keys that answer it.
#include "dialog_layout.h"
#include "support/case_name.h"
#include "win_api.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

namespace {

const char CAPTION[] = " CORVANE UTILITY ";
const char RESTART_QUESTION[] = "Windows has to reboot to measure boot time. Do you want to restart your computer now?";

size_t Columns(const std::string& str)
{
    size_t cx = 0;
    for (char c : str)
        cx += (static_cast<unsigned char>(c) & 0xC0) == 0x80 ? 0 : 1;
    return cx;
}

// The text rows between the frame, without the frame and padding.
std::vector<std::string> InnerRows(const std::vector<std::string>& vLines)
{
    std::vector<std::string> vRows;
    for (size_t i = 1; i + 1 < vLines.size(); ++i) {
        std::string strRow = vLines[i].substr(2, vLines[i].size() - 4);
        strRow.erase(strRow.find_last_not_of(' ') + 1);
        vRows.push_back(strRow);
    }
    return vRows;
}

struct LayoutCase {
    const char* pszName;
    const char* pszText;
    bool bYesNo;
    size_t cxTerminal;
};

void PrintTo(const LayoutCase& c, std::ostream* pStream)
{
    *pStream << c.pszName;
}

const LayoutCase LAYOUT_CASES[] = {
    {"ResultBox", "Windows Bootup Time =  12.345  seconds ", false, 80},
    {"RestartQuestionWide", RESTART_QUESTION, true, 200},
    {"RestartQuestionNarrow", RESTART_QUESTION, true, 30},
    {"TerminalNarrowerThanBox", RESTART_QUESTION, true, 5},
    {"UnknownWidth", "Short", false, 0},
    {"OverlongWord", "x123456789012345678901234567890123456789 end", false, 30},
    {"Utf8Text",
     "Gr\xc3\xbc\xc3\x9f"
     "e \xe2\x82\xac und mehr Text, der umbrechen muss",
     false, 24},
    {"EmptyText", "", false, 80},
};

class DialogLayout : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(DialogLayout, FramesEveryLineToOneWidthThatFits)
{
    const LayoutCase& c = GetParam();
    std::vector<std::string> vLines = LayoutDialog(CAPTION, c.pszText, c.bYesNo, c.cxTerminal);
    ASSERT_GE(vLines.size(), 6u);
    const size_t cxBox = Columns(vLines[0]);
    EXPECT_LE(cxBox, std::max(c.cxTerminal, DIALOG_MIN_WIDTH));
    EXPECT_LE(cxBox, DIALOG_MAX_WIDTH);
    for (const std::string& strLine : vLines) {
        EXPECT_EQ(Columns(strLine), cxBox) << strLine;
        EXPECT_TRUE(strLine.front() == '+' || strLine.front() == '|') << strLine;
    }
    EXPECT_EQ(vLines.back(), "+" + std::string(cxBox - 2, '-') + "+");
}

// Nothing of the text is lost by wrapping: the rows hold its words in order.
TEST_P(DialogLayout, KeepsEveryWordInOrder)
{
    const LayoutCase& c = GetParam();
    std::vector<std::string> vRows = InnerRows(LayoutDialog(CAPTION, c.pszText, c.bYesNo, c.cxTerminal));
    std::string strJoined;
    for (size_t i = 1; i + 3 < vRows.size(); ++i)  // text rows: after the blank, before blank, buttons, keys
        strJoined += vRows[i];
    std::string strWanted;
    for (const char* pch = c.pszText; *pch != '\0'; ++pch) {
        if (*pch != ' ')
            strWanted += *pch;
    }
    strJoined.erase(std::remove(strJoined.begin(), strJoined.end(), ' '), strJoined.end());
    EXPECT_EQ(strJoined, strWanted);
}

INSTANTIATE_TEST_SUITE_P(Texts, DialogLayout, ::testing::ValuesIn(LAYOUT_CASES), CaseName());

TEST(DialogLayoutContent, ShowsCaptionTextButtonsAndKeys)
{
    std::vector<std::string> vOk = LayoutDialog(CAPTION, "Windows Bootup Time =  12.345  seconds ", false, 80);
    EXPECT_EQ(vOk[0].rfind("+- CORVANE UTILITY -", 0), 0u) << vOk[0];
    std::vector<std::string> vRows = InnerRows(vOk);
    // The text's own blanks survive; only the trailing one is lost in padding.
    EXPECT_EQ(vRows[1], "Windows Bootup Time =  12.345  seconds");
    EXPECT_NE(vOk[vOk.size() - 3].find("[ OK ]"), std::string::npos);
    EXPECT_NE(vOk[vOk.size() - 2].find("Enter"), std::string::npos);

    std::vector<std::string> vYesNo = LayoutDialog(CAPTION, RESTART_QUESTION, true, 80);
    EXPECT_NE(vYesNo[vYesNo.size() - 3].find("[ Yes ]  [ No ]"), std::string::npos);
    EXPECT_NE(vYesNo[vYesNo.size() - 2].find("Y or N"), std::string::npos);
}

TEST(DialogLayoutContent, WrapsAtBlanks)
{
    std::vector<std::string> vRows = InnerRows(LayoutDialog(CAPTION, RESTART_QUESTION, true, 40));
    EXPECT_EQ(vRows[1], "Windows has to reboot to measure");
    EXPECT_EQ(vRows[2], "boot time. Do you want to restart");
    EXPECT_EQ(vRows[3], "your computer now?");
}

TEST(DialogLayoutContent, KeepsLineBreaksOfTheText)
{
    std::vector<std::string> vRows = InnerRows(LayoutDialog("", "first\n\nthird", false, 80));
    EXPECT_EQ(vRows[1], "first");
    EXPECT_EQ(vRows[2], "");
    EXPECT_EQ(vRows[3], "third");
}

// A text must not be able to send the terminal commands of its own.
TEST(DialogLayoutContent, ShowsControlCharactersHarmlessly)
{
    std::vector<std::string> vLines = LayoutDialog("cap\x1b[2J", "a\x1b]0;title\x07z\tq", false, 80);
    for (const std::string& strLine : vLines) {
        for (char c : strLine)
            EXPECT_GE(static_cast<unsigned char>(c), 0x20u) << strLine;
    }
    EXPECT_NE(vLines[0].find("cap?[2J"), std::string::npos);
    EXPECT_EQ(InnerRows(vLines)[1], "a?]0;title?z q");
}

TEST(DialogLayoutContent, TakesNullTexts)
{
    std::vector<std::string> vLines = LayoutDialog(nullptr, nullptr, true, 80);
    EXPECT_EQ(vLines[0].rfind("+--", 0), 0u);
}

struct AnswerCase {
    const char* pszName;
    DecodedKey key;
    int nOkAnswer;
    int nYesNoAnswer;
};

void PrintTo(const AnswerCase& c, std::ostream* pStream)
{
    *pStream << c.pszName;
}

DecodedKey Key(KeyKind kind, char ch = '\0', unsigned uModifiers = 0)
{
    return DecodedKey{1, kind, ch, CursorKey::None, 0, uModifiers};
}

const AnswerCase ANSWER_CASES[] = {
    {"Enter", Key(KeyKind::Enter), IDOK, 0},
    {"Space", Key(KeyKind::Character, ' '), IDOK, 0},
    {"Esc", Key(KeyKind::Escape), IDOK, 0},
    {"SmallY", Key(KeyKind::Character, 'y'), 0, IDYES},
    {"CapitalY", Key(KeyKind::Character, 'Y'), 0, IDYES},
    {"SmallN", Key(KeyKind::Character, 'n'), 0, IDNO},
    {"CapitalN", Key(KeyKind::Character, 'N'), 0, IDNO},
    {"CtrlCLeavesThingsAsTheyAre", Key(KeyKind::Control, 'c'), IDOK, IDNO},
    {"OtherLetter", Key(KeyKind::Character, 'x'), 0, 0},
    {"OtherControl", Key(KeyKind::Control, 'd'), 0, 0},
    {"Tab", Key(KeyKind::Tab), 0, 0},
    {"Arrow", DecodedKey{3, KeyKind::Cursor, '\0', CursorKey::Up, 0, 0}, 0, 0},
    {"FunctionKey", DecodedKey{5, KeyKind::Function, '\0', CursorKey::None, 5, 0}, 0, 0},
    {"UnknownSequence", Key(KeyKind::Unknown), 0, 0},
    {"AltY", Key(KeyKind::Character, 'y', KEYMOD_ALT), 0, 0},
    {"AltEnter", Key(KeyKind::Enter, '\0', KEYMOD_ALT), 0, 0},
    {"AltEsc", Key(KeyKind::Escape, '\0', KEYMOD_ALT), 0, 0},
};

class DialogAnswer : public ::testing::TestWithParam<AnswerCase> {};

TEST_P(DialogAnswer, FollowsTheBoxKind)
{
    const AnswerCase& c = GetParam();
    EXPECT_EQ(DialogAnswerForKey(c.key, false), c.nOkAnswer);
    EXPECT_EQ(DialogAnswerForKey(c.key, true), c.nYesNoAnswer);
}

INSTANTIATE_TEST_SUITE_P(Keys, DialogAnswer, ::testing::ValuesIn(ANSWER_CASES), CaseName());

}  // namespace

// The autostart entry's Exec value: what a launcher makes of it must be the
// program path and "/run", exactly, whatever the path holds.
#include "desktop_entry.h"
#include "support/case_name.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace std::string_literals;
using Args = std::vector<std::string>;

struct PathCase {
    const char* pszName;
    std::string strPath;
};

class AwkwardPathTest : public ::testing::TestWithParam<PathCase> {};

TEST_P(AwkwardPathTest, LauncherGetsPathAndRunSwitch)
{
    const std::string& strPath = GetParam().strPath;
    std::string strExec;
    ASSERT_TRUE(FormatDesktopExec("\"" + strPath + "\" /run", strExec));

    // A string value holds no control characters, raw tabs included.
    for (char ch : strExec)
        EXPECT_GE(static_cast<unsigned char>(ch), 0x20u) << strExec;

    Args args;
    ASSERT_TRUE(SplitDesktopExec(strExec, args)) << strExec;
    EXPECT_EQ(args, (Args{strPath, "/run"})) << strExec;
}

INSTANTIATE_TEST_SUITE_P(
    Paths, AwkwardPathTest,
    ::testing::Values(PathCase{"Plain", "/opt/vantrel/vantrel"}, PathCase{"Blanks", "/opt/my  apps/vantrel"},
                      PathCase{"DoubleQuote", "/tmp/a\"b/vantrel"}, PathCase{"QuoteBlank", "/tmp/x\" /y/vantrel"},
                      PathCase{"Dollar", "/tmp/$HOME/vantrel"}, PathCase{"Percent", "/tmp/100%/%u%%/vantrel"},
                      PathCase{"Backslash", "/tmp/back\\slash\\\\/vantrel"}, PathCase{"Backtick", "/tmp/`id`/vantrel"},
                      PathCase{"Utf8", "/tmp/\xc3\x9c"
                                       "bersicht/\xe6\x97\xa5\xe6\x9c\xac/vantrel"},
                      PathCase{"SingleQuote", "/home/o'brien/vantrel"}, PathCase{"Tab", "/tmp/tab\there/vantrel"},
                      PathCase{"ShellChars", "/tmp/a;b&c|d(e)*f?g#h~i<j>k/vantrel"},
                      PathCase{"BlankStartsName", "/tmp/ x/vantrel"}),
    CaseName());

struct ExecCase {
    const char* pszName;
    std::string strCommand;
    std::string strExec;
};

class ExecTextTest : public ::testing::TestWithParam<ExecCase> {};

// The exact text in the file, where the layers of escaping meet.
TEST_P(ExecTextTest, WritesExactValue)
{
    std::string strExec;
    ASSERT_TRUE(FormatDesktopExec(GetParam().strCommand, strExec));
    EXPECT_EQ(strExec, GetParam().strExec);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, ExecTextTest,
    ::testing::Values(ExecCase{"Plain", "\"/opt/v\" /run", "\"/opt/v\" /run"},
                      ExecCase{"BackslashTakesFour", "\"/a\\b/v\" /run", "\"/a\\\\\\\\b/v\" /run"},
                      ExecCase{"DollarEscapedThenDoubled", "\"/a$b/v\" /run", "\"/a\\\\$b/v\" /run"},
                      ExecCase{"QuoteEscaped", "\"/a\"b/v\" /run", "\"/a\\\\\"b/v\" /run"},
                      ExecCase{"BacktickEscaped", "\"/a`b/v\" /run", "\"/a\\\\`b/v\" /run"},
                      ExecCase{"PercentDoubled", "\"/a%b/v\" /run", "\"/a%%b/v\" /run"},
                      ExecCase{"TabAsEscape", "\"/a\tb/v\" /run", "\"/a\\tb/v\" /run"},
                      ExecCase{"SingleQuoteAsIs", "\"/a'b/v\" /run", "\"/a'b/v\" /run"},
                      ExecCase{"BlanksCollapse", "  \"/opt/v\"   /run  ", "\"/opt/v\" /run"},
                      ExecCase{"UnquotedProgramQuoted", "/opt/v /run", "\"/opt/v\" /run"},
                      ExecCase{"UnquotedReservedArgQuoted", "/opt/v a;b 50%", "\"/opt/v\" \"a;b\" 50%%"},
                      ExecCase{"NoArguments", "\"/opt/v\"", "\"/opt/v\""}),
    CaseName());

struct RefusedCase {
    const char* pszName;
    std::string strCommand;
};

class RefusedCommandTest : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(RefusedCommandTest, CannotBeExpressed)
{
    std::string strExec = "untouched";
    EXPECT_FALSE(FormatDesktopExec(GetParam().strCommand, strExec));
    EXPECT_EQ(strExec, "untouched");
}

INSTANTIATE_TEST_SUITE_P(
    Commands, RefusedCommandTest,
    ::testing::Values(RefusedCase{"Empty", ""}, RefusedCase{"OnlyBlanks", " \t "},
                      RefusedCase{"LineBreak", "\"/a\nb/v\" /run"}, RefusedCase{"CarriageReturn", "\"/a/v\" /run\r"},
                      RefusedCase{"Nul", "\"/a\0b/v\" /run"s}, RefusedCase{"OtherControl", "\"/a\x01/v\" /run"},
                      RefusedCase{"Delete", "\"/a\x7f/v\" /run"}, RefusedCase{"Unterminated", "\"/opt/v /run"},
                      RefusedCase{"EmptyProgram", "\"\" /run"}, RefusedCase{"TextAfterQuote", "\"/opt/v\"x /run"},
                      RefusedCase{"QuoteInUnquoted", "/opt/a\"b /run"},
                      RefusedCase{"EqualsInProgram", "\"/opt/a=b/v\" /run"}),
    CaseName());

TEST(DesktopEntryFileTest, IsAnApplicationEntryInATerminal)
{
    const std::string strFile = FormatDesktopEntry("\"/opt/v\" /run");
    std::istringstream lines(strFile);
    std::string strLine;
    ASSERT_TRUE(std::getline(lines, strLine));
    EXPECT_EQ(strLine, "[Desktop Entry]");

    std::vector<std::string> keys;
    while (std::getline(lines, strLine)) {
        const std::string::size_type eq = strLine.find('=');
        ASSERT_NE(eq, std::string::npos) << strLine;
        keys.push_back(strLine.substr(0, eq));
        const std::string strValue = strLine.substr(eq + 1);
        if (keys.back() == "Exec") {
            EXPECT_EQ(strValue, "\"/opt/v\" /run");
        } else if (keys.back() == "Type") {
            EXPECT_EQ(strValue, "Application");
        } else if (keys.back() == "Terminal") {
            EXPECT_EQ(strValue, "true");
        }
    }
    EXPECT_EQ(strFile.back(), '\n');
    for (const char* pszKey : {"Type", "Name", "Comment", "Exec", "Terminal"})
        EXPECT_EQ(std::count(keys.begin(), keys.end(), pszKey), 1) << pszKey;
}

struct MalformedCase {
    const char* pszName;
    std::string strValue;
};

class MalformedExecTest : public ::testing::TestWithParam<MalformedCase> {};

// The reader is strict, so that a fault in the writer cannot hide behind a
// forgiving reader.
TEST_P(MalformedExecTest, IsRejected)
{
    Args args;
    EXPECT_FALSE(SplitDesktopExec(GetParam().strValue, args));
}

INSTANTIATE_TEST_SUITE_P(
    Values, MalformedExecTest,
    ::testing::Values(MalformedCase{"Empty", ""}, MalformedCase{"Blank", "\\s"},
                      MalformedCase{"Unterminated", "\"/opt/v /run"}, MalformedCase{"PartQuoted", "\"/opt\"v /run"},
                      MalformedCase{"ReservedUnquoted", "/opt/a;b /run"}, MalformedCase{"FieldCode", "\"/opt/v\" %u"},
                      MalformedCase{"LonePercent", "\"/opt/v\" 5%"}, MalformedCase{"UnknownEscape", "\"/opt/v\\q\""},
                      MalformedCase{"BadQuoteEscape", "\"/opt\\\\qv\""}, MalformedCase{"RawTab", "\"/a\tb\""},
                      MalformedCase{"TrailingBackslash", "\"/opt/v\" \\"}),
    CaseName());

TEST(EntryNameTest, OnlyPlainFileNames)
{
    EXPECT_TRUE(IsPlainEntryName("WinVantrel"));
    EXPECT_TRUE(IsPlainEntryName("a.b"));
    for (const char* pszName : {"", ".WinVantrel", "..", "a/b", "/etc/passwd"})
        EXPECT_FALSE(IsPlainEntryName(pszName)) << pszName;
}

}  // namespace

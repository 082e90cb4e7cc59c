// Exec values of the Desktop Entry format. Three layers sit on top of each
// other, and a launcher peels them off in this order: the string escapes of
// the file (\\ \s \t \n \r), then the double-quote quoting of each argument
// (\" \` \$ \\ inside quotes), then the field codes (%% is a percent sign).
// So a backslash inside a quoted argument is written as four backslashes.
#include "desktop_entry.h"

#include <cstring>

namespace {

// Characters that force an argument into quotes.
const char RESERVED_CHARS[] = " \t\n\"'\\><~|&;$*?#()`";
// Characters that need a backslash inside quotes.
const char QUOTE_ESCAPED_CHARS[] = "\"`$\\";

bool IsOneOf(char ch, const char* pszSet)
{
    return ch != '\0' && std::strchr(pszSet, ch) != nullptr;
}

bool IsBlank(char ch)
{
    return ch == ' ' || ch == '\t';
}

// Control characters have no place in a string value; tab has an escape.
bool HasForbiddenControl(const std::string& strText)
{
    for (char ch : strText) {
        const unsigned char uch = static_cast<unsigned char>(ch);
        if ((uch < 0x20 && ch != '\t') || uch == 0x7f)
            return true;
    }
    return false;
}

bool NeedsQuotes(const std::string& strArg)
{
    for (char ch : strArg) {
        if (IsOneOf(ch, RESERVED_CHARS))
            return true;
    }
    return false;
}

// One argument as it stands in the Exec value, before the string escapes.
std::string QuoteArgument(const std::string& strArg, bool bQuote)
{
    std::string strOut;
    if (bQuote)
        strOut += '"';
    for (char ch : strArg) {
        if (bQuote && IsOneOf(ch, QUOTE_ESCAPED_CHARS))
            strOut += '\\';
        if (ch == '%')
            strOut += '%';
        strOut += ch;
    }
    if (bQuote)
        strOut += '"';
    return strOut;
}

// The general escapes of a string value.
std::string EscapeStringValue(const std::string& strValue)
{
    std::string strOut;
    for (std::string::size_type i = 0; i < strValue.size(); ++i) {
        const char ch = strValue[i];
        if (ch == '\\')
            strOut += "\\\\";
        else if (ch == '\t')
            strOut += "\\t";
        else if (ch == ' ' && i == 0)
            strOut += "\\s";  // a leading blank would be trimmed away
        else
            strOut += ch;
    }
    return strOut;
}

bool UnescapeStringValue(const std::string& strValue, std::string& strOut)
{
    strOut.clear();
    for (std::string::size_type i = 0; i < strValue.size(); ++i) {
        const char ch = strValue[i];
        if (ch != '\\') {
            strOut += ch;
            continue;
        }
        if (++i == strValue.size())
            return false;
        switch (strValue[i]) {
        case 's':
            strOut += ' ';
            break;
        case 't':
            strOut += '\t';
            break;
        case 'n':
            strOut += '\n';
            break;
        case 'r':
            strOut += '\r';
            break;
        case '\\':
            strOut += '\\';
            break;
        default:
            return false;
        }
    }
    return true;
}

void SplitWords(const std::string& strText, std::vector<std::string>& words)
{
    std::string strWord;
    for (char ch : strText) {
        if (IsBlank(ch)) {
            if (!strWord.empty())
                words.push_back(strWord);
            strWord.clear();
        } else {
            strWord += ch;
        }
    }
    if (!strWord.empty())
        words.push_back(strWord);
}

bool ExpandFieldCodes(const std::string& strArg, std::string& strOut)
{
    strOut.clear();
    for (std::string::size_type i = 0; i < strArg.size(); ++i) {
        if (strArg[i] != '%') {
            strOut += strArg[i];
            continue;
        }
        if (++i == strArg.size() || strArg[i] != '%')
            return false;
        strOut += '%';
    }
    return true;
}

}  // namespace

bool IsPlainEntryName(const std::string& strName)
{
    return !strName.empty() && strName[0] != '.' && strName.find('/') == std::string::npos;
}

bool FormatDesktopExec(const std::string& strCommandLine, std::string& strExec)
{
    if (HasForbiddenControl(strCommandLine))
        return false;
    const std::string::size_type start = strCommandLine.find_first_not_of(" \t");
    if (start == std::string::npos)
        return false;

    std::string strProgram;
    std::vector<std::string> args;
    if (strCommandLine[start] == '"') {
        const std::string::size_type close = strCommandLine.rfind('"');
        if (close == start)
            return false;
        if (close + 1 < strCommandLine.size() && !IsBlank(strCommandLine[close + 1]))
            return false;
        strProgram = strCommandLine.substr(start + 1, close - start - 1);
        SplitWords(strCommandLine.substr(close + 1), args);
    } else {
        if (strCommandLine.find('"') != std::string::npos)
            return false;
        SplitWords(strCommandLine, args);
        if (args.empty())
            return false;
        strProgram = args.front();
        args.erase(args.begin());
    }
    if (strProgram.empty() || strProgram.find('=') != std::string::npos)
        return false;

    std::string strValue = QuoteArgument(strProgram, true);
    for (const std::string& strArg : args)
        strValue += ' ' + QuoteArgument(strArg, NeedsQuotes(strArg));
    strExec = EscapeStringValue(strValue);
    return true;
}

std::string FormatDesktopEntry(const std::string& strExec)
{
    // No NoDisplay: session tools then list the entry, and the user can see
    // it and switch it off there. Enabled is the default, so it is not said.
    return "[Desktop Entry]\n"
           "Version=1.5\n"
           "Type=Application\n"
           "Name=Vantrel\n"
           "Comment=Measures how long this machine took to settle after the restart\n"
           "Exec=" +
           strExec +
           "\n"
           "Terminal=true\n";
}

bool SplitDesktopExec(const std::string& strExecValue, std::vector<std::string>& args)
{
    args.clear();
    std::string strLine;
    if (HasForbiddenControl(strExecValue) || strExecValue.find('\t') != std::string::npos ||
        !UnescapeStringValue(strExecValue, strLine))
        return false;

    std::string::size_type i = 0;
    while (i < strLine.size()) {
        if (strLine[i] == ' ') {
            ++i;
            continue;
        }
        std::string strArg;
        if (strLine[i] == '"') {
            for (++i;; ++i) {
                if (i == strLine.size())
                    return false;  // no closing quote
                if (strLine[i] == '"')
                    break;
                if (strLine[i] == '\\') {
                    if (++i == strLine.size() || !IsOneOf(strLine[i], QUOTE_ESCAPED_CHARS))
                        return false;
                }
                strArg += strLine[i];
            }
            ++i;
            // Quoting covers a whole argument, never a part of one.
            if (i < strLine.size() && strLine[i] != ' ')
                return false;
        } else {
            for (; i < strLine.size() && strLine[i] != ' '; ++i) {
                if (IsOneOf(strLine[i], RESERVED_CHARS))
                    return false;
                strArg += strLine[i];
            }
        }
        std::string strExpanded;
        if (!ExpandFieldCodes(strArg, strExpanded))
            return false;
        args.push_back(strExpanded);
    }
    return !args.empty();
}

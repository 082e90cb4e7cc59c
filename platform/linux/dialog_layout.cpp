// Layout of a message box on the terminal and the keys that answer it.
#include "dialog_layout.h"

#include "win_api.h"

#include <algorithm>

namespace {

bool IsContinuationByte(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Columns a narrow or UTF-8 text takes, a character to a column.
size_t Columns(const std::string& str)
{
    size_t cx = 0;
    for (char c : str)
        cx += IsContinuationByte(c) ? 0 : 1;
    return cx;
}

// Bytes of the longest start of str that takes at most cx columns, never
// ending inside a UTF-8 character.
size_t BytesWithin(const std::string& str, size_t cx)
{
    size_t cxUsed = 0;
    size_t i = 0;
    for (; i < str.size(); ++i) {
        if (!IsContinuationByte(str[i])) {
            if (cxUsed == cx)
                break;
            ++cxUsed;
        }
    }
    return i;
}

std::string Sanitize(const char* psz)
{
    std::string str;
    for (const char* pch = psz ? psz : ""; *pch != '\0'; ++pch) {
        unsigned char b = static_cast<unsigned char>(*pch);
        if (b == '\r')
            continue;
        if (b == '\t')
            str += ' ';
        else if (b == '\n')
            str += '\n';
        else if (b < 0x20 || b == 0x7F)
            str += '?';
        else
            str += static_cast<char>(b);
    }
    return str;
}

void TrimLeft(std::string* pstr)
{
    pstr->erase(0, pstr->find_first_not_of(' '));
}

void TrimRight(std::string* pstr)
{
    size_t iLast = pstr->find_last_not_of(' ');
    pstr->erase(iLast == std::string::npos ? 0 : iLast + 1);
}

// Breaks one paragraph into lines of at most cxWidth columns, at blanks
// where there are any, inside a word only where the word is too long.
void WrapParagraph(std::string strRest, size_t cxWidth, std::vector<std::string>* pvLines)
{
    while (Columns(strRest) > cxWidth) {
        size_t cbFit = BytesWithin(strRest, cxWidth);
        size_t iBlank = strRest.rfind(' ', cbFit);
        std::string strLine = strRest.substr(0, iBlank == std::string::npos ? 0 : iBlank);
        TrimRight(&strLine);
        if (strLine.empty()) {
            strLine = strRest.substr(0, cbFit);
            strRest.erase(0, cbFit);
        } else {
            strRest.erase(0, iBlank + 1);
        }
        TrimLeft(&strRest);
        pvLines->push_back(strLine);
    }
    pvLines->push_back(strRest);
}

std::string Centred(const std::string& str, size_t cxWidth)
{
    size_t cx = Columns(str);
    size_t cxLeft = cx < cxWidth ? (cxWidth - cx) / 2 : 0;
    return std::string(cxLeft, ' ') + str;
}

std::string Framed(const std::string& str, size_t cxInner)
{
    size_t cx = Columns(str);
    return "| " + str + std::string(cx < cxInner ? cxInner - cx : 0, ' ') + " |";
}

}  // namespace

std::vector<std::string> LayoutDialog(const char* pszCaption, const char* pszText, bool bYesNo, size_t cxTerminal)
{
    const size_t cxBox = std::min(std::max(cxTerminal, DIALOG_MIN_WIDTH), DIALOG_MAX_WIDTH);
    const size_t cxTextMax = cxBox - 4;  // "| " and " |"
    const std::string strButtons = bYesNo ? "[ Yes ]  [ No ]" : "[ OK ]";
    const std::string strKeys = bYesNo ? "press Y or N" : "press Enter";

    std::vector<std::string> vText;
    std::string strText = Sanitize(pszText);
    for (size_t iStart = 0;;) {
        size_t iEnd = strText.find('\n', iStart);
        WrapParagraph(strText.substr(iStart, iEnd == std::string::npos ? std::string::npos : iEnd - iStart), cxTextMax,
                      &vText);
        if (iEnd == std::string::npos)
            break;
        iStart = iEnd + 1;
    }

    std::string strCaption = Sanitize(pszCaption);
    std::replace(strCaption.begin(), strCaption.end(), '\n', ' ');
    size_t cxInner = std::max(Columns(strButtons), Columns(strKeys));
    cxInner = std::max(cxInner, Columns(strCaption));
    for (const std::string& strLine : vText)
        cxInner = std::max(cxInner, Columns(strLine));
    cxInner = std::min(cxInner, cxTextMax);
    strCaption.erase(BytesWithin(strCaption, cxInner));

    std::vector<std::string> vLines;
    vLines.push_back("+-" + strCaption + std::string(cxInner + 1 - Columns(strCaption), '-') + "+");
    vLines.push_back(Framed("", cxInner));
    for (const std::string& strLine : vText)
        vLines.push_back(Framed(strLine, cxInner));
    vLines.push_back(Framed("", cxInner));
    vLines.push_back(Framed(Centred(strButtons, cxInner), cxInner));
    vLines.push_back(Framed(Centred(strKeys, cxInner), cxInner));
    vLines.push_back("+" + std::string(cxInner + 2, '-') + "+");
    return vLines;
}

int DialogAnswerForKey(const DecodedKey& key, bool bYesNo)
{
    if (key.uModifiers != 0)
        return 0;  // Alt+y is no Yes, and an Esc that began a sequence is no Esc
    if (key.kind == KeyKind::Control && key.ch == 'c')
        return bYesNo ? IDNO : IDOK;
    if (bYesNo) {
        if (key.kind == KeyKind::Character && (key.ch == 'y' || key.ch == 'Y'))
            return IDYES;
        if (key.kind == KeyKind::Character && (key.ch == 'n' || key.ch == 'N'))
            return IDNO;
        return 0;
    }
    if (key.kind == KeyKind::Enter || key.kind == KeyKind::Escape || (key.kind == KeyKind::Character && key.ch == ' '))
        return IDOK;
    return 0;
}

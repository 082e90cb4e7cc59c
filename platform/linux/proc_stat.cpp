#include "proc_stat.h"

#include <climits>
#include <cstring>

namespace {

// Fields of the aggregate line, in the kernel's order.
const size_t CPU_FIELD_IDLE = 3;
const size_t CPU_FIELD_IOWAIT = 4;
const size_t CPU_MIN_FIELDS = 4;   // user nice system idle: older kernels stop there
const size_t CPU_TIME_FIELDS = 8;  // up to steal; guest and guest_nice follow and are already counted

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Reads the unsigned decimal at pos within cbLine bytes; false when there is
// none, when a non-digit is glued to it or when it passes 64 bits.
bool ReadNumber(const char* pszLine, size_t cbLine, size_t& pos, unsigned long long& ull)
{
    if (pos >= cbLine || !IsDigit(pszLine[pos]))
        return false;
    ull = 0;
    for (; pos < cbLine && IsDigit(pszLine[pos]); ++pos) {
        const unsigned int uDigit = static_cast<unsigned int>(pszLine[pos] - '0');
        if (ull > (ULLONG_MAX - uDigit) / 10u)
            return false;
        ull = ull * 10u + uDigit;
    }
    return pos == cbLine || pszLine[pos] == ' ' || pszLine[pos] == '\t';
}

// True when a + b fits; the sum goes to a.
bool AddChecked(unsigned long long& a, unsigned long long b)
{
    if (b > ULLONG_MAX - a)
        return false;
    a += b;
    return true;
}

// A "cpuN" line; a line cut after its first digit still counts.
bool IsCpuLine(const char* pszLine, size_t cbLine)
{
    return cbLine >= 4 && std::memcmp(pszLine, "cpu", 3) == 0 && IsDigit(pszLine[3]);
}

}  // namespace

bool ParseProcStat(const char* pszText, size_t cbText, CpuTimes& times)
{
    if (pszText == nullptr)
        return false;
    const void* pNewline = std::memchr(pszText, '\n', cbText);
    if (pNewline == nullptr)  // empty, or the first line is cut
        return false;
    const size_t cbLine = static_cast<size_t>(static_cast<const char*>(pNewline) - pszText);
    if (cbLine < 4 || std::memcmp(pszText, "cpu", 3) != 0 || (pszText[3] != ' ' && pszText[3] != '\t'))
        return false;

    unsigned long long ullIdle = 0;
    unsigned long long ullTotal = 0;
    size_t nFields = 0;
    size_t pos = 3;
    for (;;) {
        while (pos < cbLine && (pszText[pos] == ' ' || pszText[pos] == '\t'))
            ++pos;
        if (pos == cbLine)
            break;
        unsigned long long ullField = 0;
        if (!ReadNumber(pszText, cbLine, pos, ullField))
            return false;
        if (nFields < CPU_TIME_FIELDS && !AddChecked(ullTotal, ullField))
            return false;
        if ((nFields == CPU_FIELD_IDLE || nFields == CPU_FIELD_IOWAIT) && !AddChecked(ullIdle, ullField))
            return false;
        ++nFields;
    }
    if (nFields < CPU_MIN_FIELDS)
        return false;

    // The "cpuN" lines follow the aggregate one; the first other line ends them.
    DWORD dwCpuLines = 0;
    size_t off = cbLine + 1;
    while (off < cbText) {
        const char* pszNext = pszText + off;
        const size_t cbRest = cbText - off;
        const void* pEnd = std::memchr(pszNext, '\n', cbRest);
        const size_t cbNext = pEnd ? static_cast<size_t>(static_cast<const char*>(pEnd) - pszNext) : cbRest;
        if (!IsCpuLine(pszNext, cbNext))
            break;
        ++dwCpuLines;
        if (pEnd == nullptr)
            break;
        off += cbNext + 1;
    }

    times.ullIdleTicks = ullIdle;
    times.ullTotalTicks = ullTotal;
    times.dwCpuLines = dwCpuLines;
    return true;
}

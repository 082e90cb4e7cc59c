#include "mode_control.h"

#include "platform.h"

#include <cstring>

namespace {

FILE* g_pConsole = nullptr;

}  // namespace

FILE* GetConsoleStream()
{
    return g_pConsole != nullptr ? g_pConsole : stdout;
}

void SetConsoleStream(FILE* pStream)
{
    g_pConsole = pStream;
}

void PrintLine(const char* pszText)
{
    FILE* pOut = GetConsoleStream();
    if (pszText != nullptr)
        std::fputs(pszText, pOut);
    std::fputc('\n', pOut);
    std::fflush(pOut);
}

void PrintText(const char* pszText)
{
    std::fputs(pszText, GetConsoleStream());
}

std::string ErrorSuffix(LONG lError)
{
    return " (error " + std::to_string(lError) + ")";
}

int VantrelMain(int argc, char** argv)
{
    // Only the first argument is looked at, byte for byte.
    const char* pszMode = argc > 1 ? argv[1] : nullptr;
    if (pszMode == nullptr) {
        PrepareConsoleOutput();
        return RunArmingMode();
    }
    if (std::strcmp(pszMode, "/run") != 0)
        return 0;
    PrepareConsoleOutput();
    RunMeasuringMode();
    return 0;
}

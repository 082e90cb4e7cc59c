// Dialogs and the key wait on Linux. (Being filled in.)
#include "platform.h"

#include <cstdio>

int MessageBoxA(HWND, LPCSTR lpText, LPCSTR lpCaption, UINT uType)
{
    std::fprintf(stderr, "%s\n%s\n", lpCaption, lpText);
    return (uType & MB_YESNO) ? IDNO : IDOK;
}
void WaitForKeyPress() {}

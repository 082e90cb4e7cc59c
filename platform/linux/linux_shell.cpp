// Opening a page in the default browser on Linux. (Being filled in.)
#include "win_api.h"

HINSTANCE ShellExecuteA(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, int) { return nullptr; }

// Registry keys on Linux: the Run key is the XDG autostart folder. (Being filled in.)
#include "win_api.h"

LONG RegOpenKeyA(HKEY, LPCSTR, PHKEY) { return ERROR_FILE_NOT_FOUND; }
LONG RegOpenKeyExA(HKEY, LPCSTR, DWORD, REGSAM, PHKEY) { return ERROR_FILE_NOT_FOUND; }
LONG RegSetValueExA(HKEY, LPCSTR, DWORD, DWORD, const BYTE*, DWORD) { return ERROR_ACCESS_DENIED; }
LONG RegDeleteValueA(HKEY, LPCSTR) { return ERROR_FILE_NOT_FOUND; }
LONG RegCloseKey(HKEY) { return ERROR_SUCCESS; }

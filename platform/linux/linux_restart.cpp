// The executable's path, the shutdown privilege and the restart on Linux. (Being filled in.)
#include "win_api.h"

DWORD GetModuleFileNameA(HMODULE, LPSTR, DWORD) { return 0; }
HANDLE GetCurrentProcess() { return nullptr; }
BOOL OpenProcessToken(HANDLE, DWORD, PHANDLE) { return FALSE; }
BOOL LookupPrivilegeValueA(LPCSTR, LPCSTR, PLUID) { return FALSE; }
BOOL AdjustTokenPrivileges(HANDLE, BOOL, PTOKEN_PRIVILEGES, DWORD, PTOKEN_PRIVILEGES, LPDWORD) { return FALSE; }
BOOL ExitWindowsEx(UINT, DWORD) { return FALSE; }
BOOL CloseHandle(HANDLE) { return TRUE; }

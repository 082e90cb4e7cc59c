// System calls on Linux. (Being filled in.)
#include "platform.h"

#include <ctime>
#include <unistd.h>

BOOL GetVersionExA(LPOSVERSIONINFOA) { return FALSE; }
DWORD GetTickCount()
{
    timespec ts{};
    clock_gettime(CLOCK_BOOTTIME, &ts);
    return static_cast<DWORD>(static_cast<unsigned long long>(ts.tv_sec) * 1000ULL + static_cast<unsigned long long>(ts.tv_nsec) / 1000000ULL);
}
void Sleep(DWORD dwMilliseconds) { usleep(dwMilliseconds * 1000u); }
DWORD GetLastError() { return 0; }
DWORD GetModuleFileNameA(HMODULE, LPSTR, DWORD) { return 0; }
HINSTANCE ShellExecuteA(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, int) { return nullptr; }
HANDLE GetCurrentProcess() { return nullptr; }
BOOL OpenProcessToken(HANDLE, DWORD, PHANDLE) { return FALSE; }
BOOL LookupPrivilegeValueA(LPCSTR, LPCSTR, PLUID) { return FALSE; }
BOOL AdjustTokenPrivileges(HANDLE, BOOL, PTOKEN_PRIVILEGES, DWORD, PTOKEN_PRIVILEGES, LPDWORD) { return FALSE; }
BOOL ExitWindowsEx(UINT, DWORD) { return FALSE; }
BOOL CloseHandle(HANDLE) { return TRUE; }
DWORD GetLogicalProcessorCount() { return 1; }
void PrepareConsoleOutput() {}

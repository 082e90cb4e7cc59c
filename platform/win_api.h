// The subset of the Windows API that the core calls, and nothing more.
//
// On Windows this is the system's own API. Elsewhere the types, constants and
// functions below are ours, written for what the core needs; the platform
// layer (or the test fake) that CMake links in implements the functions.
// This is the only place where the two systems part.
#pragma once

#ifdef _WIN32

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

// Needs the declarations of windows.h before it.
#include <shellapi.h>

#else

#include <cstdint>

// Integer types by width, as the core uses them.
typedef std::uint8_t BYTE;
typedef std::uint32_t DWORD;
typedef std::int32_t LONG;
typedef std::int64_t LONGLONG;
typedef int BOOL;
typedef unsigned int UINT;
typedef char CHAR;
typedef const char* LPCSTR;
typedef char* LPSTR;
typedef BYTE* LPBYTE;
typedef DWORD* LPDWORD;
typedef DWORD REGSAM;

// Handles are opaque pointers that only the layer behind them looks into.
typedef struct VtRegKey* HKEY;
typedef HKEY* PHKEY;
typedef void* HANDLE;
typedef HANDLE* PHANDLE;
typedef struct VtWindow* HWND;
typedef struct VtModule* HMODULE;
typedef struct VtInstance* HINSTANCE;

// The predefined registry roots that the core names.
HKEY const HKEY_LOCAL_MACHINE = reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000002u));
HKEY const HKEY_PERFORMANCE_DATA = reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000004u));

// Result codes.
const LONG ERROR_SUCCESS = 0;
const LONG ERROR_FILE_NOT_FOUND = 2;
const LONG ERROR_ACCESS_DENIED = 5;
const LONG ERROR_INVALID_PARAMETER = 87;
const LONG ERROR_INSUFFICIENT_BUFFER = 122;
const LONG ERROR_MORE_DATA = 234;
const LONG ERROR_NOT_ALL_ASSIGNED = 1300;

const BOOL FALSE = 0;
const BOOL TRUE = 1;
const DWORD MAX_PATH = 260;

// Registry value types and access rights.
const DWORD REG_SZ = 1;
const DWORD REG_DWORD = 4;
const REGSAM KEY_READ = 0x20019;
const REGSAM KEY_WRITE = 0x20006;

// Message boxes.
const UINT MB_OK = 0x0;
const UINT MB_YESNO = 0x4;
const UINT MB_SYSTEMMODAL = 0x1000;
const int IDOK = 1;
const int IDYES = 6;
const int IDNO = 7;

// Version query.
const DWORD VER_PLATFORM_WIN32_WINDOWS = 1;
const DWORD VER_PLATFORM_WIN32_NT = 2;

struct OSVERSIONINFOA {
    DWORD dwOSVersionInfoSize;
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformId;
    CHAR szCSDVersion[128];
};
typedef OSVERSIONINFOA* LPOSVERSIONINFOA;

// Privileges and shutdown.
const DWORD TOKEN_ADJUST_PRIVILEGES = 0x20;
const DWORD TOKEN_QUERY = 0x8;
const DWORD SE_PRIVILEGE_ENABLED = 0x2;
#define SE_SHUTDOWN_NAME "SeShutdownPrivilege"
const UINT EWX_REBOOT = 0x2;
const UINT EWX_FORCE = 0x4;

struct LUID {
    DWORD LowPart;
    LONG HighPart;
};
typedef LUID* PLUID;

struct LUID_AND_ATTRIBUTES {
    LUID Luid;
    DWORD Attributes;
};

struct TOKEN_PRIVILEGES {
    DWORD PrivilegeCount;
    LUID_AND_ATTRIBUTES Privileges[1];
};
typedef TOKEN_PRIVILEGES* PTOKEN_PRIVILEGES;

// Shell.
const int SW_SHOWNORMAL = 1;

// Registry.
LONG RegOpenKeyA(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult);
LONG RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions, REGSAM samDesired, PHKEY phkResult);
LONG RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD Reserved, DWORD dwType, const BYTE* lpData, DWORD cbData);
LONG RegDeleteValueA(HKEY hKey, LPCSTR lpValueName);
LONG RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData,
                      LPDWORD lpcbData);
LONG RegCloseKey(HKEY hKey);

// System information, time and errors.
BOOL GetVersionExA(LPOSVERSIONINFOA lpVersionInformation);
DWORD GetTickCount();
void Sleep(DWORD dwMilliseconds);
DWORD GetLastError();
DWORD GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize);

// User interface and shell.
int MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType);
HINSTANCE ShellExecuteA(HWND hwnd, LPCSTR lpOperation, LPCSTR lpFile, LPCSTR lpParameters, LPCSTR lpDirectory,
                        int nShowCmd);

// Privileges and shutdown.
HANDLE GetCurrentProcess();
BOOL OpenProcessToken(HANDLE ProcessHandle, DWORD DesiredAccess, PHANDLE TokenHandle);
BOOL LookupPrivilegeValueA(LPCSTR lpSystemName, LPCSTR lpName, PLUID lpLuid);
BOOL AdjustTokenPrivileges(HANDLE TokenHandle, BOOL DisableAllPrivileges, PTOKEN_PRIVILEGES NewState,
                           DWORD BufferLength, PTOKEN_PRIVILEGES PreviousState, LPDWORD ReturnLength);
BOOL ExitWindowsEx(UINT uFlags, DWORD dwReason);
BOOL CloseHandle(HANDLE hObject);

#endif

// The few needs of the core that are no single Windows call.
#include "platform.h"
#include "windows_keys.h"

#include <atomic>

namespace {

typedef decltype(&GetActiveProcessorCount) PFN_GET_ACTIVE_PROCESSOR_COUNT;

// The console input whose mode a key wait has changed, so that the mode
// is put back even when Ctrl+Break or closing the window ends the process.
// The handler below runs on a thread of its own.
std::atomic<HANDLE> g_hWaitInput(INVALID_HANDLE_VALUE);
std::atomic<DWORD> g_dwSavedInputMode(0);

BOOL WINAPI RestoreInputOnExit(DWORD)
{
    const HANDLE hInput = g_hWaitInput.load();
    if (hInput != INVALID_HANDLE_VALUE)
        SetConsoleMode(hInput, g_dwSavedInputMode.load());
    return FALSE;  // the system's own handling goes on
}

// Takes input events one at a time, oldest first, until a key that ends
// the wait or a failed read.
void ReadUntilEndingKey(HANDLE hInput)
{
    for (;;) {
        INPUT_RECORD record = {};
        DWORD dwRead = 0;
        if (!ReadConsoleInputA(hInput, &record, 1, &dwRead) || dwRead == 0)
            return;
        if (record.EventType == KEY_EVENT && IsKeyEndingWait(KeyEventFromRecord(record.Event.KeyEvent)))
            return;
    }
}

}  // namespace

DWORD GetLogicalProcessorCount()
{
    // Looked up, not linked, so that a system without processor groups
    // still starts the program.
    HMODULE hKernel = GetModuleHandleA("kernel32.dll");
    FARPROC pfnFound = hKernel != nullptr ? GetProcAddress(hKernel, "GetActiveProcessorCount") : nullptr;
    if (pfnFound != nullptr) {
        const PFN_GET_ACTIVE_PROCESSOR_COUNT pfnCount =
            reinterpret_cast<PFN_GET_ACTIVE_PROCESSOR_COUNT>(reinterpret_cast<void (*)()>(pfnFound));
        const DWORD dwCount = pfnCount(ALL_PROCESSOR_GROUPS);
        if (dwCount >= 1)
            return dwCount;
    }
    SYSTEM_INFO info = {};
    GetSystemInfo(&info);
    return info.dwNumberOfProcessors >= 1 ? info.dwNumberOfProcessors : 1;
}

void PrepareConsoleOutput()
{
    // The Windows console already shows text without a line end at once.
}

void WaitForKeyPress()
{
    // The console itself, not standard input, which may be redirected.
    HANDLE hInput = CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    if (hInput == INVALID_HANDLE_VALUE)
        return;
    DWORD dwSavedMode = 0;
    if (!GetConsoleMode(hInput, &dwSavedMode)) {
        CloseHandle(hInput);
        return;
    }

    // Mode 0: no line input, no echo, and Ctrl+C arrives as a key.
    g_dwSavedInputMode.store(dwSavedMode);
    g_hWaitInput.store(hInput);
    const BOOL bHandlerSet = SetConsoleCtrlHandler(RestoreInputOnExit, TRUE);
    SetConsoleMode(hInput, 0);
    ReadUntilEndingKey(hInput);

    SetConsoleMode(hInput, dwSavedMode);
    if (bHandlerSet)
        SetConsoleCtrlHandler(RestoreInputOnExit, FALSE);
    g_hWaitInput.store(INVALID_HANDLE_VALUE);
    CloseHandle(hInput);
}

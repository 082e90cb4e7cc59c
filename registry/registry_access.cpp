#include "registry_access.h"

#include <cstring>

AutostartResult WriteAutostartEntry(const char* pszCommandLine)
{
    AutostartResult result = {ERROR_SUCCESS, ERROR_SUCCESS};
    HKEY hKey = nullptr;
    result.lOpen = RegOpenKeyA(HKEY_LOCAL_MACHINE, RUN_KEY_PATH, &hKey);
    if (result.lOpen != ERROR_SUCCESS)
        return result;
    // The length counts the terminating zero, as a REG_SZ value must.
    const DWORD cbData = static_cast<DWORD>(std::strlen(pszCommandLine) + 1);
    result.lValue =
        RegSetValueExA(hKey, AUTOSTART_VALUE, 0, REG_SZ, reinterpret_cast<const BYTE*>(pszCommandLine), cbData);
    RegCloseKey(hKey);
    return result;
}

AutostartResult DeleteAutostartEntry()
{
    AutostartResult result = {ERROR_SUCCESS, ERROR_SUCCESS};
    HKEY hKey = nullptr;
    result.lOpen = RegOpenKeyA(HKEY_LOCAL_MACHINE, RUN_KEY_PATH, &hKey);
    if (result.lOpen != ERROR_SUCCESS)
        return result;
    result.lValue = RegDeleteValueA(hKey, AUTOSTART_VALUE);
    RegCloseKey(hKey);
    return result;
}

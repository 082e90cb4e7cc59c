// Registry keys on Linux. The one key there is, the machine-wide Run key,
// is the XDG autostart folder: each value is a Desktop Entry file named
// after it, which the desktop session starts at the next logon.
#include "autostart_folder.h"
#include "desktop_entry.h"
#include "linux_internal.h"
#include "registry_access.h"

#include <cstdint>
#include <string>
#include <strings.h>

// What an open key of ours holds: the folder, fixed when the key opened.
struct VtRegKey {
    std::uint32_t dwMagic;
    std::string strFolder;
};

namespace {

const std::uint32_t REG_KEY_MAGIC = 0x5652454bu;
const char ENTRY_SUFFIX[] = ".desktop";

// The predefined roots are small constants, never one of our objects.
bool IsPredefinedKey(HKEY hKey)
{
    const std::uintptr_t uValue = reinterpret_cast<std::uintptr_t>(hKey);
    return uValue >= 0x80000000u && uValue <= 0x800000ffu;
}

VtRegKey* OurKey(HKEY hKey)
{
    if (hKey == nullptr || IsPredefinedKey(hKey) || hKey->dwMagic != REG_KEY_MAGIC)
        return nullptr;
    return hKey;
}

LONG OpenKey(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult)
{
    if (phkResult == nullptr)
        return ERROR_INVALID_PARAMETER;
    *phkResult = nullptr;
    // Registry paths are compared without regard to case, as Windows does.
    if (hKey != HKEY_LOCAL_MACHINE || lpSubKey == nullptr || strcasecmp(lpSubKey, RUN_KEY_PATH) != 0)
        return ERROR_FILE_NOT_FOUND;

    const std::string strFolder = GetAutostartFolder();
    const int nErr = EnsureFolder(strFolder);
    if (nErr != 0)
        return ErrnoToWinError(nErr);
    *phkResult = new VtRegKey{REG_KEY_MAGIC, strFolder};
    return ERROR_SUCCESS;
}

}  // namespace

LONG RegOpenKeyA(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult)
{
    return OpenKey(hKey, lpSubKey, phkResult);
}

LONG RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, REGSAM, PHKEY phkResult)
{
    return OpenKey(hKey, lpSubKey, phkResult);
}

LONG RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD, DWORD dwType, const BYTE* lpData, DWORD cbData)
{
    const VtRegKey* pKey = OurKey(hKey);
    if (pKey == nullptr || lpValueName == nullptr || !IsPlainEntryName(lpValueName) || dwType != REG_SZ ||
        lpData == nullptr || cbData == 0)
        return ERROR_INVALID_PARAMETER;

    // The count includes the terminating zero; a string without one is
    // taken as it is. A zero anywhere else would cut the command short.
    std::string strCommand(reinterpret_cast<const char*>(lpData), cbData);
    if (!strCommand.empty() && strCommand.back() == '\0')
        strCommand.pop_back();
    std::string strExec;
    if (strCommand.find('\0') != std::string::npos || !FormatDesktopExec(strCommand, strExec))
        return ERROR_INVALID_PARAMETER;

    const int nErr =
        WriteFileAtomically(pKey->strFolder, std::string(lpValueName) + ENTRY_SUFFIX, FormatDesktopEntry(strExec));
    return nErr == 0 ? ERROR_SUCCESS : ErrnoToWinError(nErr);
}

LONG RegDeleteValueA(HKEY hKey, LPCSTR lpValueName)
{
    const VtRegKey* pKey = OurKey(hKey);
    if (pKey == nullptr || lpValueName == nullptr || !IsPlainEntryName(lpValueName))
        return ERROR_INVALID_PARAMETER;
    const int nErr = RemoveFileDurably(pKey->strFolder, std::string(lpValueName) + ENTRY_SUFFIX);
    return nErr == 0 ? ERROR_SUCCESS : ErrnoToWinError(nErr);
}

LONG RegCloseKey(HKEY hKey)
{
    if (hKey != nullptr && IsPredefinedKey(hKey))
        return ERROR_SUCCESS;
    VtRegKey* pKey = OurKey(hKey);
    if (pKey == nullptr)
        return ERROR_INVALID_PARAMETER;
    pKey->dwMagic = 0;
    delete pKey;
    return ERROR_SUCCESS;
}

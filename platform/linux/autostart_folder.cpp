// Files in the autostart folder: an entry is replaced whole through a
// temporary file and a rename, so a crash or a full disk never leaves a
// half-written entry for the next logon to run.
#include "autostart_folder.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

const char DEFAULT_AUTOSTART_FOLDER[] = "/etc/xdg/autostart";
const mode_t FOLDER_MODE = 0755;
const mode_t ENTRY_MODE = 0644;

// Function-local, so that a test may set it from a static initializer.
std::string& FolderOverride()
{
    static std::string s_strFolder;
    return s_strFolder;
}

int MakeOneFolder(const std::string& strPath)
{
    if (mkdir(strPath.c_str(), FOLDER_MODE) == 0) {
        // The umask may have taken bits away; sessions must read the folder.
        return chmod(strPath.c_str(), FOLDER_MODE) == 0 ? 0 : errno;
    }
    const int nErr = errno;
    if (nErr != EEXIST)
        return nErr;
    struct stat st {};
    if (stat(strPath.c_str(), &st) != 0)
        return errno;
    return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
}

int WriteAll(int fd, const std::string& strContent)
{
    const char* pData = strContent.data();
    std::string::size_type cbLeft = strContent.size();
    while (cbLeft > 0) {
        const ssize_t cbWritten = write(fd, pData, cbLeft);
        if (cbWritten < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (cbWritten == 0)
            return ENOSPC;
        pData += cbWritten;
        cbLeft -= static_cast<std::string::size_type>(cbWritten);
    }
    return 0;
}

// Makes a rename or unlink in the folder survive a crash. Best effort: the
// change itself has already happened, and the restart syncs all disks.
void SyncFolder(const std::string& strFolder)
{
    const int fd = open(strFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    fsync(fd);
    close(fd);
}

}  // namespace

void SetAutostartFolderForTest(const char* pszFolder)
{
    FolderOverride() = pszFolder != nullptr ? pszFolder : "";
}

std::string GetAutostartFolder()
{
    const std::string& strOverride = FolderOverride();
    return strOverride.empty() ? std::string(DEFAULT_AUTOSTART_FOLDER) : strOverride;
}

int EnsureFolder(const std::string& strFolder)
{
    if (strFolder.empty())
        return ENOENT;
    struct stat st {};
    if (stat(strFolder.c_str(), &st) == 0)
        return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;

    // Each parent in turn, as mkdir -p does.
    std::string::size_type pos = 0;
    while (pos != std::string::npos) {
        pos = strFolder.find('/', pos + 1);
        const std::string strPrefix = strFolder.substr(0, pos);
        if (strPrefix.empty() || strPrefix.back() == '/')
            continue;
        const int nErr = MakeOneFolder(strPrefix);
        if (nErr != 0)
            return nErr;
    }
    return 0;
}

int WriteFileAtomically(const std::string& strFolder, const std::string& strName, const std::string& strContent)
{
    const std::string strFinal = strFolder + "/" + strName;
    // A leading dot and a suffix after ".desktop": no launcher ever reads a
    // temporary, not even one left behind by a crash.
    const std::string strPattern = strFolder + "/." + strName + ".XXXXXX";
    std::vector<char> tempPath(strPattern.begin(), strPattern.end());
    tempPath.push_back('\0');

    const int fd = mkostemp(tempPath.data(), O_CLOEXEC);
    if (fd < 0)
        return errno;
    int nErr = 0;
    if (fchmod(fd, ENTRY_MODE) != 0)
        nErr = errno;
    if (nErr == 0)
        nErr = WriteAll(fd, strContent);
    if (nErr == 0 && fsync(fd) != 0)
        nErr = errno;
    if (close(fd) != 0 && nErr == 0)
        nErr = errno;
    if (nErr == 0 && rename(tempPath.data(), strFinal.c_str()) != 0)
        nErr = errno;
    if (nErr != 0) {
        unlink(tempPath.data());
        return nErr;
    }
    SyncFolder(strFolder);
    return 0;
}

int RemoveFileDurably(const std::string& strFolder, const std::string& strName)
{
    const std::string strPath = strFolder + "/" + strName;
    if (unlink(strPath.c_str()) != 0)
        return errno;
    SyncFolder(strFolder);
    return 0;
}

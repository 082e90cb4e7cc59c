// A fresh folder under /tmp for one test, removed with all it holds.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <sys/stat.h>

class CScratchFolder {
public:
    CScratchFolder()
    {
        char szTemplate[] = "/tmp/vantrel-test-XXXXXX";
        const char* pszPath = mkdtemp(szTemplate);
        if (pszPath != nullptr)
            m_strPath = pszPath;
    }
    ~CScratchFolder()
    {
        if (m_strPath.empty())
            return;
        std::error_code error;
        std::filesystem::remove_all(m_strPath, error);
    }
    CScratchFolder(const CScratchFolder&) = delete;
    CScratchFolder& operator=(const CScratchFolder&) = delete;

    bool IsValid() const { return !m_strPath.empty(); }
    const std::string& Path() const { return m_strPath; }

private:
    std::string m_strPath;
};

// The names in a folder, dot files included; empty when it cannot be read.
inline std::set<std::string> ListFolder(const std::string& strFolder)
{
    std::set<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(strFolder, error))
        names.insert(entry.path().filename().string());
    return names;
}

inline std::string ReadWholeFile(const std::string& strPath)
{
    std::ifstream file(strPath, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

inline void WriteWholeFile(const std::string& strPath, const std::string& strContent)
{
    std::ofstream file(strPath, std::ios::binary | std::ios::trunc);
    file << strContent;
}

// The permission bits of a path, or -1 when it is missing.
inline int ModeOf(const std::string& strPath)
{
    struct stat st {};
    return stat(strPath.c_str(), &st) == 0 ? static_cast<int>(st.st_mode & 07777) : -1;
}

// The Windows layer's own functions and the system calls that the arming
// relies on.
#include "mode_control.h"
#include "platform.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

namespace {

std::string ModulePath()
{
    std::vector<char> path(32768, '\0');
    const DWORD cchPath = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    return std::string(path.data(), cchPath);
}

TEST(ProcessorCount, CountsAtLeastTheProcessorsOfTheOwnGroup)
{
    SYSTEM_INFO info = {};
    GetSystemInfo(&info);
    const DWORD dwCount = GetLogicalProcessorCount();
    EXPECT_GE(dwCount, 1u);
    // Across all groups, never fewer than in this process's group.
    EXPECT_GE(dwCount, info.dwNumberOfProcessors);
}

TEST(ModulePath, IsTheFullPathOfThisProgram)
{
    const std::string strPath = ModulePath();
    ASSERT_GE(strPath.size(), 3u);
    EXPECT_TRUE(std::isalpha(static_cast<unsigned char>(strPath[0])) && strPath.compare(1, 2, ":\\") == 0) << strPath;
    EXPECT_EQ(strPath.compare(strPath.size() - 4, 4, ".exe"), 0) << strPath;
    const DWORD dwAttributes = GetFileAttributesA(strPath.c_str());
    EXPECT_NE(dwAttributes, INVALID_FILE_ATTRIBUTES) << strPath;
}

TEST(ModulePath, TooSmallBufferAnswersItsFullSize)
{
    // The arming tells a cut path from a whole one by this answer.
    char szPath[8];
    const DWORD cchCopied = GetModuleFileNameA(nullptr, szPath, sizeof(szPath));
    EXPECT_EQ(cchCopied, static_cast<DWORD>(sizeof(szPath)));
}

TEST(ModulePath, AutostartCommandQuotesThePath)
{
    std::string strCommand;
    ASSERT_TRUE(BuildAutostartCommand(strCommand));
    EXPECT_EQ(strCommand, "\"" + ModulePath() + "\" /run");
}

}  // namespace

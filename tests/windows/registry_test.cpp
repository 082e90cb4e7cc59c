// The autostart entry against the real registry: written, read back byte
// for byte, overwritten and deleted.
#include "registry_access.h"
#include "wine_only.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

class RunKeyTest : public WineOnlyTest {
protected:
    void TearDown() override { DeleteAutostartEntry(); }

    // The value's type and data, terminating zero included, as stored.
    static LONG ReadEntry(DWORD& dwType, std::vector<char>& data)
    {
        HKEY hKey = nullptr;
        LONG lResult = RegOpenKeyExA(HKEY_LOCAL_MACHINE, RUN_KEY_PATH, 0, KEY_READ, &hKey);
        if (lResult != ERROR_SUCCESS)
            return lResult;
        DWORD cbData = 0;
        lResult = RegQueryValueExA(hKey, AUTOSTART_VALUE, nullptr, &dwType, nullptr, &cbData);
        if (lResult == ERROR_SUCCESS) {
            data.assign(cbData, '\x7f');
            lResult = RegQueryValueExA(hKey, AUTOSTART_VALUE, nullptr, &dwType, reinterpret_cast<BYTE*>(data.data()),
                                       &cbData);
            data.resize(cbData);
        }
        RegCloseKey(hKey);
        return lResult;
    }

    static void ExpectStoredExactly(const char* pszCommand)
    {
        DWORD dwType = 0;
        std::vector<char> data;
        ASSERT_EQ(ReadEntry(dwType, data), ERROR_SUCCESS);
        EXPECT_EQ(dwType, static_cast<DWORD>(REG_SZ));
        const std::vector<char> expected(pszCommand, pszCommand + std::strlen(pszCommand) + 1);
        EXPECT_EQ(data, expected) << "stored: " << std::string(data.begin(), data.end());
    }
};

TEST_F(RunKeyTest, CommandLinesReadBackByteForByte)
{
    const char* const apszCommands[] = {
        "\"C:\\Program Files (x86)\\Corvane\\Vantrel\\vantrel.exe\" /run", "\"C:\\Tools\\vantrel.exe\" /run",
        "\"C:\\Users\\J\xe9r\xf4me\\Desktop\\boot timer\\vantrel.exe\" /run",  // bytes of the ANSI code page
    };
    for (const char* pszCommand : apszCommands) {
        SCOPED_TRACE(pszCommand);
        const AutostartResult result = WriteAutostartEntry(pszCommand);
        EXPECT_EQ(result.lOpen, ERROR_SUCCESS);
        EXPECT_EQ(result.lValue, ERROR_SUCCESS);
        ExpectStoredExactly(pszCommand);
    }
}

TEST_F(RunKeyTest, ShorterCommandOverwritesWithoutLeftovers)
{
    ASSERT_EQ(WriteAutostartEntry("\"C:\\A much longer folder name\\with blanks\\vantrel.exe\" /run").lValue,
              ERROR_SUCCESS);
    ASSERT_EQ(WriteAutostartEntry("\"C:\\v.exe\" /run").lValue, ERROR_SUCCESS);
    ExpectStoredExactly("\"C:\\v.exe\" /run");
}

TEST_F(RunKeyTest, DeleteRemovesTheEntryAndASecondDeleteFindsNothing)
{
    ASSERT_EQ(WriteAutostartEntry("\"C:\\Tools\\vantrel.exe\" /run").lValue, ERROR_SUCCESS);

    const AutostartResult first = DeleteAutostartEntry();
    EXPECT_EQ(first.lOpen, ERROR_SUCCESS);
    EXPECT_EQ(first.lValue, ERROR_SUCCESS);
    DWORD dwType = 0;
    std::vector<char> data;
    EXPECT_EQ(ReadEntry(dwType, data), ERROR_FILE_NOT_FOUND);

    const AutostartResult second = DeleteAutostartEntry();
    EXPECT_EQ(second.lOpen, ERROR_SUCCESS);
    EXPECT_EQ(second.lValue, ERROR_FILE_NOT_FOUND);
}

}  // namespace

// Tests that change machine-wide settings (the Run key, the counter
// switches) run only under Wine, whose prefix is a throwaway copy made for
// the test run; on a real Windows machine they skip and say why.
#pragma once

#include "win_api.h"

#include <gtest/gtest.h>

inline bool IsRunningUnderWine()
{
    HMODULE hNtdll = GetModuleHandleA("ntdll.dll");
    return hNtdll != nullptr && GetProcAddress(hNtdll, "wine_get_version") != nullptr;
}

class WineOnlyTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!IsRunningUnderWine())
            GTEST_SKIP() << "changes machine-wide settings; runs only in a throwaway Wine prefix";
    }
};

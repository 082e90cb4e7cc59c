// A fresh fake machine for every test, with the console captured.
#pragma once

#include "fake_winapi.h"
#include "mode_control.h"
#include "perf_snapshot.h"

#include <gtest/gtest.h>

class CFakeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Fake().Reset();
        ReleasePerfSnapshot();
        m_pConsole = Fake().OpenConsoleStream();
        SetConsoleStream(m_pConsole);
    }

    void TearDown() override
    {
        SetConsoleStream(nullptr);
        std::fclose(m_pConsole);
        ReleasePerfSnapshot();
        EXPECT_EQ(Fake().m_nOpenKeys, 0) << "every registry key is closed after use";
    }

    static CFakeSystem& Fake() { return CFakeSystem::Get(); }

    // Whatever is still buffered reaches the log.
    void FlushConsole() { std::fflush(m_pConsole); }

private:
    FILE* m_pConsole = nullptr;
};

// The console's key records as the key rule sees them, and the key wait
// against a real console input queue.
#include "platform.h"
#include "windows_keys.h"

#include <gtest/gtest.h>

namespace {

KEY_EVENT_RECORD MakeKeyRecord(WORD wKey, char chChar, DWORD dwState, bool bDown)
{
    KEY_EVENT_RECORD record = {};
    record.bKeyDown = bDown ? TRUE : FALSE;
    record.wRepeatCount = 1;
    record.wVirtualKeyCode = wKey;
    record.wVirtualScanCode = static_cast<WORD>(MapVirtualKeyA(wKey, 0));
    record.uChar.AsciiChar = chChar;
    record.dwControlKeyState = dwState;
    return record;
}

TEST(KeyRecord, CarriesEveryFieldThatTheRuleReads)
{
    const KEY_EVENT_RECORD record = MakeKeyRecord(VK_HOME, static_cast<char>(0xE4), NUMLOCK_ON | ENHANCED_KEY, true);
    const KeyEventInfo keyEvent = KeyEventFromRecord(record);
    EXPECT_EQ(keyEvent.wVirtualKey, VK_HOME);
    EXPECT_EQ(keyEvent.chChar, static_cast<char>(0xE4));
    EXPECT_EQ(keyEvent.dwControlState, static_cast<std::uint32_t>(NUMLOCK_ON | ENHANCED_KEY));
    EXPECT_TRUE(keyEvent.bKeyDown);
    EXPECT_FALSE(KeyEventFromRecord(MakeKeyRecord(VK_HOME, 0, 0, false)).bKeyDown);
}

TEST(KeyRecord, SystemCodesMeetTheRule)
{
    EXPECT_TRUE(IsKeyEndingWait(KeyEventFromRecord(MakeKeyRecord(VK_F1, 0, 0, true))));
    EXPECT_TRUE(IsKeyEndingWait(KeyEventFromRecord(MakeKeyRecord(VK_DOWN, 0, ENHANCED_KEY, true))));
    EXPECT_FALSE(IsKeyEndingWait(KeyEventFromRecord(MakeKeyRecord(VK_UP, 0, SHIFT_PRESSED, true))));
    EXPECT_FALSE(IsKeyEndingWait(KeyEventFromRecord(MakeKeyRecord(VK_LSHIFT, 0, SHIFT_PRESSED, true))));
    EXPECT_TRUE(IsKeyEndingWait(KeyEventFromRecord(MakeKeyRecord('K', 0, LEFT_ALT_PRESSED, true))));
}

// Feeds input records to this process's console and checks what the key
// wait leaves behind.
class KeyWaitTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_hInput = CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
        if (m_hInput == INVALID_HANDLE_VALUE || !GetConsoleMode(m_hInput, &m_dwOriginalMode))
            GTEST_SKIP() << "no console to feed";
        FlushConsoleInputBuffer(m_hInput);
        SetConsoleMode(m_hInput, TEST_MODE);
    }
    void TearDown() override
    {
        if (m_hInput == INVALID_HANDLE_VALUE)
            return;
        FlushConsoleInputBuffer(m_hInput);
        SetConsoleMode(m_hInput, m_dwOriginalMode);
        CloseHandle(m_hInput);
    }

    void Feed(const KEY_EVENT_RECORD& keyRecord)
    {
        INPUT_RECORD record = {};
        record.EventType = KEY_EVENT;
        record.Event.KeyEvent = keyRecord;
        DWORD dwWritten = 0;
        ASSERT_TRUE(WriteConsoleInputA(m_hInput, &record, 1, &dwWritten));
        ASSERT_EQ(dwWritten, 1u);
    }

    void FeedFocusEvent()
    {
        INPUT_RECORD record = {};
        record.EventType = FOCUS_EVENT;
        record.Event.FocusEvent.bSetFocus = TRUE;
        DWORD dwWritten = 0;
        ASSERT_TRUE(WriteConsoleInputA(m_hInput, &record, 1, &dwWritten));
    }

    // The oldest event still queued: the one the wait did not take. A
    // terminal behind the console may add events of its own later on.
    bool PeekOldest(INPUT_RECORD& record) const
    {
        DWORD dwRead = 0;
        return PeekConsoleInputA(m_hInput, &record, 1, &dwRead) && dwRead == 1;
    }

    void ExpectOldestIsMarker() const
    {
        INPUT_RECORD record = {};
        ASSERT_TRUE(PeekOldest(record)) << "the wait took the key after the one that ended it";
        EXPECT_EQ(record.EventType, KEY_EVENT);
        EXPECT_EQ(record.Event.KeyEvent.wVirtualKeyCode, MARKER_KEY);
    }

    // Line input and echo, which the wait must switch off and back on. Not
    // processed input: a fed Ctrl+C would then stop the test program.
    static constexpr DWORD TEST_MODE = ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT;
    // Fed after the key that should end the wait; still queued afterwards.
    static constexpr WORD MARKER_KEY = 'X';
    HANDLE m_hInput = INVALID_HANDLE_VALUE;
    DWORD m_dwOriginalMode = 0;
};

TEST_F(KeyWaitTest, SkipsWhatDoesNotCountAndLeavesLaterKeysQueued)
{
    FeedFocusEvent();
    Feed(MakeKeyRecord('Q', 'q', 0, false));
    Feed(MakeKeyRecord(VK_SHIFT, 0, SHIFT_PRESSED, true));
    Feed(MakeKeyRecord(VK_CONTROL, 0, LEFT_CTRL_PRESSED, true));
    Feed(MakeKeyRecord(VK_MENU, 0, LEFT_ALT_PRESSED, true));
    Feed(MakeKeyRecord(VK_RETURN, '\r', 0, true));
    Feed(MakeKeyRecord(MARKER_KEY, 'x', 0, true));

    WaitForKeyPress();

    // Enter ended it; the key typed after it was not thrown away.
    ExpectOldestIsMarker();
}

TEST_F(KeyWaitTest, CtrlCEndsTheWaitAndTheModeComesBack)
{
    Feed(MakeKeyRecord('C', '\x03', LEFT_CTRL_PRESSED, true));
    Feed(MakeKeyRecord(MARKER_KEY, 'x', 0, true));

    WaitForKeyPress();

    ExpectOldestIsMarker();
    DWORD dwMode = 0;
    ASSERT_TRUE(GetConsoleMode(m_hInput, &dwMode));
    EXPECT_EQ(dwMode, TEST_MODE);
}

}  // namespace

#include "key_rule.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct KeyCase {
    const char* pszName;
    std::uint16_t wVirtualKey;
    char chChar;
    std::uint32_t dwControlState;
    bool bEndsWait;
};

const std::uint32_t NONE = 0;
const std::uint32_t ENH = VT_KS_ENHANCED_KEY;
const std::uint32_t NUM = VT_KS_NUMLOCK_ON;

std::string KeyCaseName(const ::testing::TestParamInfo<KeyCase>& param)
{
    return param.param.pszName;
}

class KeyRule : public ::testing::TestWithParam<KeyCase> {};

TEST_P(KeyRule, PressEndsTheWaitOnlyForKeysOfTheRule)
{
    const KeyCase& keyCase = GetParam();
    const KeyEventInfo keyEvent = {keyCase.wVirtualKey, keyCase.chChar, keyCase.dwControlState, true};
    EXPECT_EQ(IsKeyEndingWait(keyEvent), keyCase.bEndsWait);
}

TEST_P(KeyRule, ReleaseNeverEndsTheWait)
{
    const KeyCase& keyCase = GetParam();
    const KeyEventInfo keyEvent = {keyCase.wVirtualKey, keyCase.chChar, keyCase.dwControlState, false};
    EXPECT_FALSE(IsKeyEndingWait(keyEvent));
}

INSTANTIATE_TEST_SUITE_P(
    Characters, KeyRule,
    ::testing::Values(
        KeyCase{"Enter", VT_VK_RETURN, '\r', NONE, true}, KeyCase{"KeypadEnter", VT_VK_RETURN, '\r', ENH | NUM, true},
        KeyCase{"Letter", 'A', 'a', NONE, true}, KeyCase{"ShiftLetter", 'A', 'A', VT_KS_SHIFT, true},
        KeyCase{"CapsLockLetter", 'Q', 'Q', VT_KS_CAPSLOCK_ON, true}, KeyCase{"Digit", '7', '7', NONE, true},
        KeyCase{"KeypadDigitNumLockOn", VT_VK_NUMPAD0 + 5, '5', NUM, true},
        KeyCase{"Punctuation", 0xBE, '.', NONE, true}, KeyCase{"Space", VT_VK_SPACE, ' ', NONE, true},
        KeyCase{"Escape", VT_VK_ESCAPE, '\x1b', NONE, true}, KeyCase{"Tab", VT_VK_TAB, '\t', NONE, true},
        KeyCase{"Backspace", VT_VK_BACK, '\b', NONE, true}, KeyCase{"CtrlC", 'C', '\x03', VT_KS_LEFT_CTRL, true},
        KeyCase{"CtrlZ", 'Z', '\x1a', VT_KS_RIGHT_CTRL, true},
        KeyCase{"AltGrCharacter", 'Q', '@', VT_KS_RIGHT_ALT | VT_KS_LEFT_CTRL, true},
        KeyCase{"HighCodePageCharacter", 0xDE, static_cast<char>(0xE4), NONE, true}),
    KeyCaseName);

INSTANTIATE_TEST_SUITE_P(
    ExtendedKeys, KeyRule,
    ::testing::Values(KeyCase{"F1", VT_VK_F1, 0, NONE, true}, KeyCase{"F12", VT_VK_F12, 0, NONE, true},
                      KeyCase{"ShiftF5", VT_VK_F1 + 4, 0, VT_KS_SHIFT, true},
                      KeyCase{"CtrlF7", VT_VK_F1 + 6, 0, VT_KS_LEFT_CTRL, true},
                      KeyCase{"AltF4", VT_VK_F1 + 3, 0, VT_KS_LEFT_ALT, true},
                      KeyCase{"F13IsNotOnTheStandardKeyboard", VT_VK_F13, 0, NONE, false},
                      KeyCase{"ArrowUp", VT_VK_UP, 0, ENH, true}, KeyCase{"ArrowLeft", VT_VK_LEFT, 0, ENH, true},
                      KeyCase{"ArrowRight", VT_VK_RIGHT, 0, ENH, true}, KeyCase{"ArrowDown", VT_VK_DOWN, 0, ENH, true},
                      KeyCase{"Home", VT_VK_HOME, 0, ENH, true}, KeyCase{"End", VT_VK_END, 0, ENH, true},
                      KeyCase{"PageUp", VT_VK_PRIOR, 0, ENH, true}, KeyCase{"PageDown", VT_VK_NEXT, 0, ENH, true},
                      KeyCase{"Insert", VT_VK_INSERT, 0, ENH, true}, KeyCase{"Delete", VT_VK_DELETE, 0, ENH, true},
                      KeyCase{"ShiftArrow", VT_VK_UP, 0, ENH | VT_KS_SHIFT, true},
                      KeyCase{"CtrlHome", VT_VK_HOME, 0, ENH | VT_KS_LEFT_CTRL, true},
                      KeyCase{"AltDelete", VT_VK_DELETE, 0, ENH | VT_KS_LEFT_ALT, true},
                      KeyCase{"CursorBlockWithNumLockOn", VT_VK_END, 0, ENH | NUM, true}),
    KeyCaseName);

// The keypad's cursor keys carry no enhanced-key flag.
INSTANTIATE_TEST_SUITE_P(Keypad, KeyRule,
                         ::testing::Values(KeyCase{"KeypadHome", VT_VK_HOME, 0, NONE, true},
                                           KeyCase{"KeypadArrow", VT_VK_LEFT, 0, NONE, true},
                                           KeyCase{"KeypadPageDown", VT_VK_NEXT, 0, NONE, true},
                                           KeyCase{"KeypadInsert", VT_VK_INSERT, 0, NONE, true},
                                           KeyCase{"KeypadDelete", VT_VK_DELETE, 0, NONE, true},
                                           KeyCase{"CtrlKeypadEnd", VT_VK_END, 0, VT_KS_RIGHT_CTRL, true},
                                           KeyCase{"ShiftKeypadArrow", VT_VK_UP, 0, VT_KS_SHIFT, false},
                                           KeyCase{"AltKeypadArrow", VT_VK_UP, 0, VT_KS_LEFT_ALT, false},
                                           KeyCase{"ShiftOverNumLockOn", VT_VK_HOME, 0, VT_KS_SHIFT | NUM, false},
                                           KeyCase{"KeypadFiveNumLockOff", VT_VK_CLEAR, 0, NONE, false}),
                         KeyCaseName);

// Alt with a letter or a main-block digit counts even when the console
// yields no character for it.
INSTANTIATE_TEST_SUITE_P(Alt, KeyRule,
                         ::testing::Values(KeyCase{"AltLetter", 'X', 0, VT_KS_LEFT_ALT, true},
                                           KeyCase{"RightAltLetter", 'A', 0, VT_KS_RIGHT_ALT, true},
                                           KeyCase{"AltFirstLetter", VT_VK_A, 0, VT_KS_LEFT_ALT, true},
                                           KeyCase{"AltLastLetter", VT_VK_Z, 0, VT_KS_LEFT_ALT, true},
                                           KeyCase{"AltDigit", VT_VK_0, 0, VT_KS_LEFT_ALT, true},
                                           KeyCase{"AltNine", VT_VK_9, 0, VT_KS_LEFT_ALT, true},
                                           KeyCase{"AltKeypadDigit", VT_VK_NUMPAD0 + 1, 0, VT_KS_LEFT_ALT | NUM, false},
                                           KeyCase{"LetterWithoutCharacterOrAlt", 'X', 0, VT_KS_LEFT_CTRL | VT_KS_SHIFT,
                                                   false}),
                         KeyCaseName);

INSTANTIATE_TEST_SUITE_P(
    ModifiersAlone, KeyRule,
    ::testing::Values(KeyCase{"Shift", VT_VK_SHIFT, 0, VT_KS_SHIFT, false},
                      KeyCase{"Ctrl", VT_VK_CONTROL, 0, VT_KS_LEFT_CTRL, false},
                      KeyCase{"RightCtrl", VT_VK_CONTROL, 0, VT_KS_RIGHT_CTRL | ENH, false},
                      KeyCase{"Alt", VT_VK_MENU, 0, VT_KS_LEFT_ALT, false},
                      KeyCase{"AltGr", VT_VK_MENU, 0, VT_KS_RIGHT_ALT | VT_KS_LEFT_CTRL | ENH, false},
                      KeyCase{"CapsLock", VT_VK_CAPITAL, 0, VT_KS_CAPSLOCK_ON, false},
                      KeyCase{"NumLock", VT_VK_NUMLOCK, 0, NUM | ENH, false},
                      KeyCase{"ScrollLock", VT_VK_SCROLL, 0, VT_KS_SCROLLLOCK_ON, false},
                      KeyCase{"LeftWindows", VT_VK_LWIN, 0, ENH, false},
                      KeyCase{"RightWindows", VT_VK_RWIN, 0, ENH, false}, KeyCase{"MenuKey", VT_VK_APPS, 0, ENH, false},
                      KeyCase{"CtrlShiftAlone", VT_VK_SHIFT, 0, VT_KS_SHIFT | VT_KS_LEFT_CTRL, false},
                      KeyCase{"Pause", VT_VK_PAUSE, 0, NONE, false}),
    KeyCaseName);

}  // namespace

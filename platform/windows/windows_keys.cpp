#include "windows_keys.h"

// The rule's codes are the console's own; a mismatch would make keys
// end the wait, or not, by accident.
static_assert(VT_VK_F1 == VK_F1 && VT_VK_F12 == VK_F12, "function keys");
static_assert(VT_VK_PRIOR == VK_PRIOR && VT_VK_DOWN == VK_DOWN, "cursor keys");
static_assert(VT_VK_INSERT == VK_INSERT && VT_VK_DELETE == VK_DELETE, "cursor keys");
static_assert(VT_VK_SHIFT == VK_SHIFT && VT_VK_MENU == VK_MENU && VT_VK_APPS == VK_APPS, "modifier keys");
static_assert(VT_KS_RIGHT_ALT == RIGHT_ALT_PRESSED && VT_KS_LEFT_ALT == LEFT_ALT_PRESSED, "Alt state");
static_assert(VT_KS_RIGHT_CTRL == RIGHT_CTRL_PRESSED && VT_KS_LEFT_CTRL == LEFT_CTRL_PRESSED, "Ctrl state");
static_assert(VT_KS_SHIFT == SHIFT_PRESSED && VT_KS_NUMLOCK_ON == NUMLOCK_ON, "Shift and Num Lock state");
static_assert(VT_KS_ENHANCED_KEY == ENHANCED_KEY, "cursor block");

KeyEventInfo KeyEventFromRecord(const KEY_EVENT_RECORD& record)
{
    KeyEventInfo keyEvent = {};
    keyEvent.wVirtualKey = record.wVirtualKeyCode;
    keyEvent.chChar = record.uChar.AsciiChar;
    keyEvent.dwControlState = record.dwControlKeyState;
    keyEvent.bKeyDown = record.bKeyDown != FALSE;
    return keyEvent;
}

// Which key presses end the final wait. Pure, and the same on every system:
// each key wait turns what its console or terminal reports into a
// KeyEventInfo and asks IsKeyEndingWait.
#pragma once

#include <cstdint>

// Virtual-key codes that the rule names. The values are those of the
// Windows console, so that its key records need no translation.
const std::uint16_t VT_VK_BACK = 0x08;
const std::uint16_t VT_VK_TAB = 0x09;
const std::uint16_t VT_VK_CLEAR = 0x0C;
const std::uint16_t VT_VK_RETURN = 0x0D;
const std::uint16_t VT_VK_SHIFT = 0x10;
const std::uint16_t VT_VK_CONTROL = 0x11;
const std::uint16_t VT_VK_MENU = 0x12;  // Alt
const std::uint16_t VT_VK_PAUSE = 0x13;
const std::uint16_t VT_VK_CAPITAL = 0x14;  // Caps Lock
const std::uint16_t VT_VK_ESCAPE = 0x1B;
const std::uint16_t VT_VK_SPACE = 0x20;
const std::uint16_t VT_VK_PRIOR = 0x21;  // Page Up
const std::uint16_t VT_VK_NEXT = 0x22;   // Page Down
const std::uint16_t VT_VK_END = 0x23;
const std::uint16_t VT_VK_HOME = 0x24;
const std::uint16_t VT_VK_LEFT = 0x25;
const std::uint16_t VT_VK_UP = 0x26;
const std::uint16_t VT_VK_RIGHT = 0x27;
const std::uint16_t VT_VK_DOWN = 0x28;
const std::uint16_t VT_VK_INSERT = 0x2D;
const std::uint16_t VT_VK_DELETE = 0x2E;
const std::uint16_t VT_VK_0 = 0x30;  // '0' to '9' follow in order
const std::uint16_t VT_VK_9 = 0x39;
const std::uint16_t VT_VK_A = 0x41;  // 'A' to 'Z' follow in order
const std::uint16_t VT_VK_Z = 0x5A;
const std::uint16_t VT_VK_LWIN = 0x5B;
const std::uint16_t VT_VK_RWIN = 0x5C;
const std::uint16_t VT_VK_APPS = 0x5D;  // the menu key
const std::uint16_t VT_VK_NUMPAD0 = 0x60;
const std::uint16_t VT_VK_NUMPAD9 = 0x69;
const std::uint16_t VT_VK_F1 = 0x70;  // F1 to F24 follow in order
const std::uint16_t VT_VK_F12 = 0x7B;
const std::uint16_t VT_VK_F13 = 0x7C;
const std::uint16_t VT_VK_NUMLOCK = 0x90;
const std::uint16_t VT_VK_SCROLL = 0x91;

// Bits of the control-key state that comes with each key event, again with
// the values of the Windows console.
const std::uint32_t VT_KS_RIGHT_ALT = 0x0001;
const std::uint32_t VT_KS_LEFT_ALT = 0x0002;
const std::uint32_t VT_KS_RIGHT_CTRL = 0x0004;
const std::uint32_t VT_KS_LEFT_CTRL = 0x0008;
const std::uint32_t VT_KS_SHIFT = 0x0010;
const std::uint32_t VT_KS_NUMLOCK_ON = 0x0020;
const std::uint32_t VT_KS_SCROLLLOCK_ON = 0x0040;
const std::uint32_t VT_KS_CAPSLOCK_ON = 0x0080;
// Set for the keys of the cursor block (and the other keys that a
// keyboard doubles); clear for the numeric keypad's own keys.
const std::uint32_t VT_KS_ENHANCED_KEY = 0x0100;

const std::uint32_t VT_KS_ALT = VT_KS_RIGHT_ALT | VT_KS_LEFT_ALT;
const std::uint32_t VT_KS_CTRL = VT_KS_RIGHT_CTRL | VT_KS_LEFT_CTRL;

// One key event as the console reports it.
struct KeyEventInfo {
    std::uint16_t wVirtualKey;     // VT_VK_* code of the key
    char chChar;                   // the character it yields; 0 for none
    std::uint32_t dwControlState;  // VT_KS_* bits
    bool bKeyDown;                 // a press, not a release
};

// True when the event is a key press that ends the wait: one that yields a
// character; F1 to F12 with any modifier; the cursor block's arrow, Home,
// End, Page Up, Page Down, Insert and Delete with any modifier; the numeric
// keypad's cursor keys with Num Lock off, alone or with Ctrl; Alt with a
// letter or a digit of the main block. Modifier and lock keys alone, and
// every release, do not end it.
bool IsKeyEndingWait(const KeyEventInfo& keyEvent);

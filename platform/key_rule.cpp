#include "key_rule.h"

namespace {

bool IsFunctionKey(std::uint16_t wKey)
{
    return wKey >= VT_VK_F1 && wKey <= VT_VK_F12;
}

// Arrows, Home, End, Page Up, Page Down, Insert and Delete: the cursor
// block has them, and so has the numeric keypad with Num Lock off.
bool IsCursorKey(std::uint16_t wKey)
{
    return (wKey >= VT_VK_PRIOR && wKey <= VT_VK_DOWN) || wKey == VT_VK_INSERT || wKey == VT_VK_DELETE;
}

bool IsLetterOrMainDigit(std::uint16_t wKey)
{
    return (wKey >= VT_VK_A && wKey <= VT_VK_Z) || (wKey >= VT_VK_0 && wKey <= VT_VK_9);
}

}  // namespace

bool IsKeyEndingWait(const KeyEventInfo& keyEvent)
{
    if (!keyEvent.bKeyDown)
        return false;
    if (keyEvent.chChar != '\0')
        return true;

    const std::uint16_t wKey = keyEvent.wVirtualKey;
    const std::uint32_t dwState = keyEvent.dwControlState;
    if (IsFunctionKey(wKey))
        return true;
    // Alt with a letter often yields no character, and still counts.
    if ((dwState & VT_KS_ALT) != 0 && IsLetterOrMainDigit(wKey))
        return true;
    if (IsCursorKey(wKey)) {
        if ((dwState & VT_KS_ENHANCED_KEY) != 0)
            return true;
        // The keypad's own cursor keys count only as plain keys or with Ctrl.
        return (dwState & (VT_KS_NUMLOCK_ON | VT_KS_SHIFT | VT_KS_ALT)) == 0;
    }
    return false;
}

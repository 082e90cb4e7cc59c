// What a message box on the terminal shows and which keys answer it,
// apart from the terminal itself.
#pragma once

#include "key_decode.h"

#include <cstddef>
#include <string>
#include <vector>

// Narrowest and widest box drawn, in columns.
const size_t DIALOG_MIN_WIDTH = 24;
const size_t DIALOG_MAX_WIDTH = 72;

// The lines of a framed box, without line ends: the caption in the top
// border, the text wrapped at blanks, the buttons and the keys that press
// them. cxTerminal is the terminal's width; the box fits it down to
// DIALOG_MIN_WIDTH. Control characters in caption or text show as '?',
// so that no text can steer the terminal.
std::vector<std::string> LayoutDialog(const char* pszCaption, const char* pszText, bool bYesNo, size_t cxTerminal);

// The answer a key gives: IDOK for Enter, Space or a lone Esc in an OK box,
// IDYES for y or Y and IDNO for n or N in a Yes/No box; Ctrl+C gives the
// answer that leaves everything as it is (OK, or No). 0 for any other key,
// which the box ignores.
int DialogAnswerForKey(const DecodedKey& key, bool bYesNo);

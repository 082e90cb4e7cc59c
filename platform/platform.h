// The few needs of the core that are no single Windows call. Each system
// implements these once, in its own folder beside this header.
#pragma once

#include "win_api.h"

// Number of logical processors whose idle time the performance data sums.
// Never less than 1.
DWORD GetLogicalProcessorCount();

// Called once at start: makes console output behave as on a Windows console,
// where a text written without a line end shows at once.
void PrepareConsoleOutput();

// Waits for one key press on the console or terminal itself, by the rule of
// keys that end the wait. Returns at once when there is no console to read.
void WaitForKeyPress();

// Where the autostart entry lives on this system, for messages that tell
// the user what to remove or fix by hand.
const char* AutostartEntryLocation();

// The account that may write the autostart entry and restart the machine.
const char* AdministratorAccountName();

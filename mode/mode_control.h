// The program's entry, its two modes and their console and dialog output.
#pragma once

#include "cpu_usage.h"
#include "win_api.h"

#include <cstdio>
#include <string>

// Caption of every message box of the program.
#define RESULT_CAPTION " CORVANE UTILITY "

// A sample counts toward the streak when the idle share is at least this,
// per logical processor.
const int IDLE_THRESHOLD = 95;
// Counting samples in a row that end the wait.
const int SETTLE_SAMPLES = 10;
// Pause after every sample, the last one included.
const DWORD SAMPLE_PAUSE_MS = 1000;
// The system idle process.
const DWORD IDLE_PROCESS_ID = 0;

// Runs the mode that the first argument chooses; returns the exit code.
int VantrelMain(int argc, char** argv);

// Writes the text (if any) and a line end to standard output, then flushes.
void PrintLine(const char* pszText = nullptr);

// Writes the text without a line end and without a flush.
void PrintText(const char* pszText);

// Where standard output goes; tests point it elsewhere.
FILE* GetConsoleStream();
void SetConsoleStream(FILE* pStream);

// " (error N)", for messages that name a failed call's result.
std::string ErrorSuffix(LONG lError);

// Measuring mode: samples until the machine has settled, shows the result,
// then cleans up and says farewell.
void RunMeasuringMode();
DWORD WaitForIdleSettle(CCpuUsage& cpuUsage);

// The idle share that counts as idle on a machine with this many processors.
int IdleThresholdFor(DWORD dwProcessors);

// The result text for a start tick.
std::string FormatBootTime(DWORD dwStartTick);

// Arming mode: records the autostart entry, asks whether to restart now and
// on Yes forces the restart. Returns the exit code: 1 when the entry could not
// be recorded or the restart could not be requested.
int RunArmingMode();

// The command line that starts the measurement: the quoted path of this
// program and "/run". False when the path cannot be read whole.
bool BuildAutostartCommand(std::string& strCommand);

// Writes "Restarting now..." and requests a forced restart; false, after a
// line that says why, when the restart could not be requested.
bool ForceRestart();

// The end of a measurement: removes the autostart entry, opens the support
// page, writes the closing text and waits for a key.
void FinishMeasuring();

std::string SupportPageUrl();
std::string SponsorLine();

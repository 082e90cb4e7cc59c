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

void RunMeasuringMode();
DWORD WaitForIdleSettle(CCpuUsage& cpuUsage);

// The idle share that counts as idle on a machine with this many processors.
int IdleThresholdFor(DWORD dwProcessors);

// The result text for a start tick.
std::string FormatBootTime(DWORD dwStartTick);

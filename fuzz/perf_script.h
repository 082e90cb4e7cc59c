// The script that one fuzz input stands for: how the sampler is driven and
// what the performance-data query answers, call after call. The fuzzer's
// bytes are decoded into it; the seed generator encodes into it the other
// way, so that its seeds decode to exactly the scripts it meant.
#pragma once

#include "win_api.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class FuzzedDataProvider;

// What one answer of the query does.
enum PerfAnswerKind {
    PAK_SUCCESS = 0,        // the bytes when they fit, else ERROR_MORE_DATA with their count
    PAK_SUCCESS_COUNT = 1,  // success with dwValue as the count, whatever was written
    PAK_MORE_DATA = 2,      // ERROR_MORE_DATA with dwValue as the count, bytes written as far as they fit
    PAK_ERROR = 3,          // dwValue as the result, bytes written as far as they fit, count untouched
};
const int PAK_LAST = PAK_ERROR;

struct ScriptedAnswer {
    int nKind;
    DWORD dwValue;
    std::vector<BYTE> data;
};

const int SCRIPT_VERSION_FAILS = 4;
const int SCRIPT_MAX_STEPS = 16;
const size_t SCRIPT_MAX_ANSWERS = 1024;
const size_t SCRIPT_MAX_ANSWER_BYTES = 0xFFFF;

struct PerfScript {
    DWORD dwProcessId;       // the process whose share is sampled
    int nFamily;             // what the version query reports: a WindowsFamily value, or
                             // SCRIPT_VERSION_FAILS
    bool bKeysOpen;          // whether the counter collection switches open
    int nSteps;              // samples taken, 1..SCRIPT_MAX_STEPS
    unsigned uCheckedSteps;  // bit i: step i reads the snapshot itself and checks it
    DWORD dwWalkObject;      // arguments of the direct walk besides the usual ones
    DWORD dwWalkCounter;
    DWORD dwWalkOffset;
    LONGLONG llValueDiff;  // a direct call of the share arithmetic
    LONGLONG llTimeDiff;
    std::vector<ScriptedAnswer> answers;
};

// Takes the whole input apart; answers run until the bytes end.
PerfScript DecodePerfScript(FuzzedDataProvider& fdp);

// The bytes that DecodePerfScript turns back into the script.
std::vector<uint8_t> EncodePerfScript(const PerfScript& script);

bool operator==(const ScriptedAnswer& a, const ScriptedAnswer& b);
bool operator==(const PerfScript& a, const PerfScript& b);

// The few calls of the Windows API contract that the sampler makes, answered
// from a fuzz script: the performance-data query, the version query and the
// Performance keys. Each call also checks what the sampler hands it.
#pragma once

#include "perf_script.h"
#include "win_api.h"

#include <cstdio>
#include <cstdlib>

// A broken expectation is a finding: the fuzzer sees the abort as a crash.
#define FUZZ_CHECK(cond) ((cond) ? static_cast<void>(0) : FuzzCheckFailed(#cond, __FILE__, __LINE__))

[[noreturn]] inline void FuzzCheckFailed(const char* pszCondition, const char* pszFile, int nLine)
{
    std::fprintf(stderr, "%s:%d: expectation failed: %s\n", pszFile, nLine, pszCondition);
    std::abort();
}

// What the source has seen since the last ResetQueryTally.
struct QueryTally {
    int nQueries;
    bool bAnswered;                     // false when no query was made
    LONG lLastResult;                   // of the last query
    DWORD dwLastCount;                  // left in the size argument by the last query
    const ScriptedAnswer* pLastAnswer;  // nullptr when the script had run out
};

// Answers from the script's first answer on; the script must outlive the run.
void StartScriptedSource(const PerfScript& script);
void StopScriptedSource();

void ResetQueryTally();
const QueryTally& GetQueryTally();

// Performance keys opened and not yet closed.
int OpenKeyCount();

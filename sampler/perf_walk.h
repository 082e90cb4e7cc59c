// The walk over a performance data block: pure functions over bytes.
//
// The block comes from another program and is walked by offsets that it
// supplies, so every offset, length and count is checked against the bytes
// actually returned; a record that would cross the end, or a length that
// would never advance, ends the walk as "not found".
#pragma once

#include "win_api.h"

#include <cstddef>

// All bits set: the Process object holds no instance with the wanted ID.
const LONGLONG COUNTER_NOT_FOUND = -1;

// Value of the counter for the instance whose ID Process equals dwProcessId,
// inside the object record that starts at cbObject bytes into the block.
// COUNTER_NOT_FOUND when the object has no instances, lacks either counter
// definition, has no matching instance or is malformed.
LONGLONG FindInstanceValue(const BYTE* pBlock, size_t cbBlock, size_t cbObject, DWORD dwCounterIndex,
                           DWORD dwProcessId);

// Value of the counter for the process inside the first object with the
// wanted title index; 0 when the block holds no such object.
LONGLONG FindCounterInBlock(const BYTE* pBlock, size_t cbBlock, DWORD dwObjectIndex, DWORD dwCounterIndex,
                            DWORD dwProcessId);

// The block's time stamp in 100-ns units; 0 when the block is too short.
LONGLONG ReadPerfTime(const BYTE* pBlock, size_t cbBlock);

// Share of processor time, in percent, from the change of the counter and
// of the time stamp. Negative results, a zero time difference and anything
// not a number give 0; results past the int range give its maximum.
int ComputeUsagePercent(LONGLONG llValueDiff, LONGLONG llTimeDiff);

// A performance-data source that answers from a prepared block, for timing
// the snapshot reader without the cost of a real source in the figures.
#pragma once

#include "win_api.h"

#include <vector>

// Answers every later query with block. With bMoreDataFirst, each
// snapshot's first query answers ERROR_MORE_DATA with the block's size, as
// when the process list grows between two queries; the query repeated
// after the resize gets the block. The query count starts again at 0.
void ScriptPerfSource(const std::vector<BYTE>* pBlock, bool bMoreDataFirst);

// Queries answered since the last ScriptPerfSource.
unsigned long long ScriptedQueryCount();

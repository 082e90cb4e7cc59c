// The snapshot reader and its process-wide buffer.
#pragma once

#include "win_api.h"

#include <cstddef>

const DWORD PERF_BUFFER_INITIAL = 102400;
const DWORD PERF_BUFFER_STEP = 10240;
// A query that keeps asking for more past this size, or past this many
// retries, counts as failed, so that a misbehaving source cannot grow the
// buffer without end or keep the sampler in its retry loop.
const DWORD PERF_BUFFER_LIMIT = 64u * 1024u * 1024u;
const int PERF_MAX_RETRIES = 256;

// One snapshot: the start of the buffer and the bytes that the last
// successful query returned there. A failed snapshot has no bytes.
struct PerfSnapshotView {
    const BYTE* pData;
    size_t cbData;
};

// Fills the process-wide buffer with the block for one object.
PerfSnapshotView ReadPerfSnapshot(DWORD dwObjectIndex);

// The buffer's allocated size in bytes; 0 before the first snapshot.
DWORD GetPerfSnapshotCapacity();

// Releases the buffer; registered to run at process exit.
void ReleasePerfSnapshot();

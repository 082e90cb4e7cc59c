// The walk reads the performance data block by byte offsets of its own; here
// the compiler holds them against the system's declarations, on every
// Windows build, 32-bit and 64-bit alike.
#include "perf_layout.h"
#include "win_api.h"

#include <cstddef>
#include <winperf.h>

static_assert(offsetof(PERF_DATA_BLOCK, HeaderLength) == PDB_HEADER_LENGTH, "data block header length");
static_assert(offsetof(PERF_DATA_BLOCK, NumObjectTypes) == PDB_NUM_OBJECT_TYPES, "data block object count");
static_assert(offsetof(PERF_DATA_BLOCK, PerfTime100nSec) == PDB_PERF_TIME_100NSEC, "data block time stamp");

static_assert(offsetof(PERF_OBJECT_TYPE, TotalByteLength) == POT_TOTAL_BYTE_LENGTH, "object length");
static_assert(offsetof(PERF_OBJECT_TYPE, DefinitionLength) == POT_DEFINITION_LENGTH, "object definition length");
static_assert(offsetof(PERF_OBJECT_TYPE, HeaderLength) == POT_HEADER_LENGTH, "object header length");
static_assert(offsetof(PERF_OBJECT_TYPE, ObjectNameTitleIndex) == POT_OBJECT_NAME_TITLE_INDEX, "object title");
static_assert(offsetof(PERF_OBJECT_TYPE, NumCounters) == POT_NUM_COUNTERS, "object counter count");
static_assert(offsetof(PERF_OBJECT_TYPE, NumInstances) == POT_NUM_INSTANCES, "object instance count");

static_assert(offsetof(PERF_COUNTER_DEFINITION, ByteLength) == PCD_BYTE_LENGTH, "counter definition length");
static_assert(offsetof(PERF_COUNTER_DEFINITION, CounterNameTitleIndex) == PCD_COUNTER_NAME_TITLE_INDEX,
              "counter title");
static_assert(offsetof(PERF_COUNTER_DEFINITION, CounterOffset) == PCD_COUNTER_OFFSET, "counter offset");
static_assert(sizeof(PERF_COUNTER_DEFINITION) >= PCD_MIN_SIZE, "counter definition size");

static_assert(offsetof(PERF_INSTANCE_DEFINITION, ByteLength) == PID_BYTE_LENGTH, "instance length");
static_assert(offsetof(PERF_COUNTER_BLOCK, ByteLength) == PCB_BYTE_LENGTH, "counter block length");

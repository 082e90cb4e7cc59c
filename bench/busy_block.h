// A Process block of the kind a busy Windows machine returns: thousands of
// named instances with a full counter set, the idle process last, so that
// the walk has to pass every other instance to reach it.
#pragma once

#include "win_api.h"

#include <cstddef>
#include <vector>

const DWORD BUSY_INSTANCES = 2000;
// Instance record, name and counter block together: 2,000 of them make
// about a megabyte, as on a machine with many long-named processes.
const size_t BUSY_INSTANCE_BYTES = 504;

// One Process object (title index 230) with dwInstances instances; every
// one but the last has a nonzero ID Process, the last is the idle process
// (ID 0) with llIdleValue as its % Processor Time. At least one instance.
std::vector<BYTE> BuildBusyProcessBlock(DWORD dwInstances, LONGLONG llIdleValue, LONGLONG llTime);

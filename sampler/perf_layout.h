// Byte offsets of the performance data block fields that the walk reads.
// All records are little-endian; fields are unsigned 32-bit unless noted.
#pragma once

#include <cstddef>
#include <cstdint>

// Title indexes of the objects and counters that are read.
const std::uint32_t PERF_OBJ_PROCESS = 230;
const std::uint32_t PERF_CTR_PROCESSOR_TIME = 6;
const std::uint32_t PERF_CTR_ID_PROCESS = 784;

// PERF_DATA_BLOCK
const size_t PDB_HEADER_LENGTH = 24;
const size_t PDB_NUM_OBJECT_TYPES = 28;
const size_t PDB_PERF_TIME_100NSEC = 72;  // signed 64-bit
const size_t PDB_MIN_SIZE = 80;

// PERF_OBJECT_TYPE
const size_t POT_TOTAL_BYTE_LENGTH = 0;
const size_t POT_DEFINITION_LENGTH = 4;
const size_t POT_HEADER_LENGTH = 8;
const size_t POT_OBJECT_NAME_TITLE_INDEX = 12;
const size_t POT_NUM_COUNTERS = 32;
const size_t POT_NUM_INSTANCES = 40;  // signed 32-bit
const size_t POT_MIN_SIZE = 44;

// PERF_COUNTER_DEFINITION
const size_t PCD_BYTE_LENGTH = 0;
const size_t PCD_COUNTER_NAME_TITLE_INDEX = 4;
const size_t PCD_COUNTER_OFFSET = 36;
const size_t PCD_MIN_SIZE = 40;

// PERF_INSTANCE_DEFINITION and PERF_COUNTER_BLOCK both start with ByteLength.
const size_t PID_BYTE_LENGTH = 0;
const size_t PCB_BYTE_LENGTH = 0;
const size_t PID_MIN_SIZE = 4;
const size_t PCB_MIN_SIZE = 4;

#include "busy_block.h"

#include "cpu_usage.h"
#include "perf_layout.h"

#include <cstdio>
#include <cstring>

namespace {

// Sizes of the records as the block writes them.
const size_t BLOCK_HEADER_BYTES = 88;
const size_t OBJECT_HEADER_BYTES = 64;
const size_t COUNTER_DEF_BYTES = 40;
const size_t INSTANCE_HEADER_BYTES = 24;
const size_t INSTANCE_NAME_BYTES = 64;  // UTF-16, null included, room to spare
const size_t COUNTER_BLOCK_BYTES = BUSY_INSTANCE_BYTES - INSTANCE_HEADER_BYTES - INSTANCE_NAME_BYTES;

// Fields the walk does not read, written so that the block looks whole.
const size_t BLOCK_LITTLE_ENDIAN = 8;
const size_t BLOCK_TOTAL_LENGTH = 20;
const size_t INSTANCE_UNIQUE_ID = 12;
const size_t INSTANCE_NAME_OFFSET = 16;
const size_t INSTANCE_NAME_LENGTH = 20;

// The Process object's counter set; % Processor Time comes first and ID
// Process halfway, so that the definitions are walked as far as there.
const DWORD NUM_COUNTERS = 28;
const DWORD ID_PROCESS_POSITION = 14;
const size_t FIRST_COUNTER_OFFSET = 8;  // after the counter block's length, 8-aligned

size_t CounterOffset(DWORD dwPosition)
{
    return FIRST_COUNTER_OFFSET + size_t{8} * dwPosition;
}

void Put32(std::vector<BYTE>& bytes, size_t off, DWORD dwValue)
{
    for (size_t i = 0; i < 4; ++i)
        bytes[off + i] = static_cast<BYTE>(dwValue >> (8 * i));
}

void Put64(std::vector<BYTE>& bytes, size_t off, LONGLONG llValue)
{
    const unsigned long long ull = static_cast<unsigned long long>(llValue);
    Put32(bytes, off, static_cast<DWORD>(ull));
    Put32(bytes, off + 4, static_cast<DWORD>(ull >> 32));
}

// ASCII as UTF-16LE into zeroed bytes; returns the bytes with the null.
size_t PutName(std::vector<BYTE>& bytes, size_t off, const char* pszName)
{
    const size_t cch = std::strlen(pszName);
    for (size_t i = 0; i < cch; ++i)
        bytes[off + 2 * i] = static_cast<BYTE>(pszName[i]);
    return (cch + 1) * 2;
}

void PutInstance(std::vector<BYTE>& bytes, size_t off, const char* pszName, DWORD dwProcessId, LONGLONG llValue)
{
    Put32(bytes, off + PID_BYTE_LENGTH, static_cast<DWORD>(INSTANCE_HEADER_BYTES + INSTANCE_NAME_BYTES));
    Put32(bytes, off + INSTANCE_UNIQUE_ID, 0xFFFFFFFFu);  // instances are told apart by name
    Put32(bytes, off + INSTANCE_NAME_OFFSET, static_cast<DWORD>(INSTANCE_HEADER_BYTES));
    const size_t cbName = PutName(bytes, off + INSTANCE_HEADER_BYTES, pszName);
    Put32(bytes, off + INSTANCE_NAME_LENGTH, static_cast<DWORD>(cbName));

    const size_t offCounters = off + INSTANCE_HEADER_BYTES + INSTANCE_NAME_BYTES;
    Put32(bytes, offCounters + PCB_BYTE_LENGTH, static_cast<DWORD>(COUNTER_BLOCK_BYTES));
    Put64(bytes, offCounters + CounterOffset(0), llValue);
    Put32(bytes, offCounters + CounterOffset(ID_PROCESS_POSITION), dwProcessId);
}

}  // namespace

std::vector<BYTE> BuildBusyProcessBlock(DWORD dwInstances, LONGLONG llIdleValue, LONGLONG llTime)
{
    if (dwInstances < 1)
        dwInstances = 1;
    const size_t cbDefinitions = OBJECT_HEADER_BYTES + NUM_COUNTERS * COUNTER_DEF_BYTES;
    const size_t cbObject = cbDefinitions + dwInstances * BUSY_INSTANCE_BYTES;
    std::vector<BYTE> bytes(BLOCK_HEADER_BYTES + cbObject, 0);

    const BYTE signature[8] = {'P', 0, 'E', 0, 'R', 0, 'F', 0};
    std::memcpy(bytes.data(), signature, sizeof(signature));
    Put32(bytes, BLOCK_LITTLE_ENDIAN, 1);
    Put32(bytes, BLOCK_TOTAL_LENGTH, static_cast<DWORD>(bytes.size()));
    Put32(bytes, PDB_HEADER_LENGTH, static_cast<DWORD>(BLOCK_HEADER_BYTES));
    Put32(bytes, PDB_NUM_OBJECT_TYPES, 1);
    Put64(bytes, PDB_PERF_TIME_100NSEC, llTime);

    const size_t offObject = BLOCK_HEADER_BYTES;
    Put32(bytes, offObject + POT_TOTAL_BYTE_LENGTH, static_cast<DWORD>(cbObject));
    Put32(bytes, offObject + POT_DEFINITION_LENGTH, static_cast<DWORD>(cbDefinitions));
    Put32(bytes, offObject + POT_HEADER_LENGTH, static_cast<DWORD>(OBJECT_HEADER_BYTES));
    Put32(bytes, offObject + POT_OBJECT_NAME_TITLE_INDEX, PERF_OBJ_PROCESS);
    Put32(bytes, offObject + POT_NUM_COUNTERS, NUM_COUNTERS);
    Put32(bytes, offObject + POT_NUM_INSTANCES, dwInstances);

    for (DWORD i = 0; i < NUM_COUNTERS; ++i) {
        const size_t offDef = offObject + OBJECT_HEADER_BYTES + i * COUNTER_DEF_BYTES;
        DWORD dwIndex = 1000 + 2 * i;  // counters the walk passes over
        if (i == 0)
            dwIndex = PERF_CTR_PROCESSOR_TIME;
        else if (i == ID_PROCESS_POSITION)
            dwIndex = PERF_CTR_ID_PROCESS;
        Put32(bytes, offDef + PCD_BYTE_LENGTH, static_cast<DWORD>(COUNTER_DEF_BYTES));
        Put32(bytes, offDef + PCD_COUNTER_NAME_TITLE_INDEX, dwIndex);
        Put32(bytes, offDef + PCD_COUNTER_OFFSET, static_cast<DWORD>(CounterOffset(i)));
    }

    char szName[INSTANCE_NAME_BYTES / 2];
    for (DWORD i = 0; i + 1 < dwInstances; ++i) {
        std::snprintf(szName, sizeof(szName), "service_host_process#%lu", static_cast<unsigned long>(i));
        const LONGLONG llValue = 100000LL * (i + 1);
        PutInstance(bytes, offObject + cbDefinitions + i * BUSY_INSTANCE_BYTES, szName, 4 * (i + 1), llValue);
    }
    PutInstance(bytes, offObject + cbDefinitions + (dwInstances - 1) * static_cast<size_t>(BUSY_INSTANCE_BYTES), "Idle",
                0, llIdleValue);
    return bytes;
}

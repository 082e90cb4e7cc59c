#include "perf_block.h"

#include "cpu_usage.h"

#include <climits>
#include <cstring>

namespace {

const LONGLONG UNITS_PER_SECOND = 10000000;  // 100-ns units

// The data block header.
const size_t BLK_SIGNATURE = 0;  // "PERF" in UTF-16
const size_t BLK_LITTLE_ENDIAN = 8;
const size_t BLK_VERSION = 12;
const size_t BLK_REVISION = 16;
const size_t BLK_TOTAL_LENGTH = 20;
const size_t BLK_HEADER_LENGTH = 24;
const size_t BLK_NUM_OBJECTS = 28;
const size_t BLK_DEFAULT_OBJECT = 32;
const size_t BLK_PERF_TIME = 56;  // after the system time (36..51) and 4 bytes of alignment
const size_t BLK_PERF_FREQ = 64;
const size_t BLK_PERF_TIME_100NS = 72;
const size_t BLK_SIZE = 88;  // no system name follows

// The object header.
const size_t OBJ_TOTAL_LENGTH = 0;
const size_t OBJ_DEFINITION_LENGTH = 4;
const size_t OBJ_HEADER_LENGTH = 8;
const size_t OBJ_NAME_INDEX = 12;
const size_t OBJ_HELP_INDEX = 20;
const size_t OBJ_DETAIL_LEVEL = 28;
const size_t OBJ_NUM_COUNTERS = 32;
const size_t OBJ_NUM_INSTANCES = 40;
const size_t OBJ_PERF_TIME = 48;
const size_t OBJ_PERF_FREQ = 56;
const size_t OBJ_SIZE = 64;

// One counter definition.
const size_t CTR_BYTE_LENGTH = 0;
const size_t CTR_NAME_INDEX = 4;
const size_t CTR_HELP_INDEX = 12;
const size_t CTR_DETAIL_LEVEL = 24;
const size_t CTR_TYPE = 28;
const size_t CTR_SIZE = 32;
const size_t CTR_OFFSET = 36;
const size_t CTR_DEF_SIZE = 40;

// One instance definition; its UTF-16 name follows, padded to 8 bytes.
const size_t INS_BYTE_LENGTH = 0;
const size_t INS_UNIQUE_ID = 12;
const size_t INS_NAME_OFFSET = 16;
const size_t INS_NAME_LENGTH = 20;
const size_t INS_SIZE = 24;

// The counter block of each instance; the 64-bit counter sits 8-aligned.
const size_t CBK_BYTE_LENGTH = 0;
const size_t CBK_PROCESSOR_TIME = 8;
const size_t CBK_ID_PROCESS = 16;
const size_t CBK_SIZE = 24;

const DWORD PROCESS_HELP_INDEX = 231;
const DWORD PROCESSOR_TIME_HELP_INDEX = 7;
const DWORD ID_PROCESS_HELP_INDEX = 785;
const DWORD DETAIL_NOVICE = 100;
const DWORD TYPE_100NS_TIMER = 0x20510500;  // a time in 100-ns units, shown as a share
const DWORD TYPE_RAW_COUNT = 0x00010000;    // a plain number
const DWORD NO_UNIQUE_ID = 0xFFFFFFFFu;

struct InstanceName {
    const char* pszName;
    size_t cchName;  // without the terminating null
};
const InstanceName IDLE_INSTANCE = {"Idle", 4};
const InstanceName TOTAL_INSTANCE = {"_Total", 6};

constexpr size_t RoundUp8(size_t cb)
{
    return (cb + 7u) & ~static_cast<size_t>(7u);
}

constexpr size_t NameBytes(const InstanceName& name)
{
    return (name.cchName + 1u) * 2u;
}

constexpr size_t InstanceBytes(const InstanceName& name)
{
    return RoundUp8(INS_SIZE + NameBytes(name)) + CBK_SIZE;
}

const size_t OBJ_DEFINITION_BYTES = OBJ_SIZE + 2u * CTR_DEF_SIZE;
const size_t OBJ_TOTAL_BYTES = OBJ_DEFINITION_BYTES + InstanceBytes(IDLE_INSTANCE) + InstanceBytes(TOTAL_INSTANCE);
const size_t BLOCK_BYTES = BLK_SIZE + OBJ_TOTAL_BYTES;

void Put32(BYTE* p, DWORD dw)
{
    p[0] = static_cast<BYTE>(dw);
    p[1] = static_cast<BYTE>(dw >> 8);
    p[2] = static_cast<BYTE>(dw >> 16);
    p[3] = static_cast<BYTE>(dw >> 24);
}

void Put64(BYTE* p, LONGLONG ll)
{
    const unsigned long long ull = static_cast<unsigned long long>(ll);
    Put32(p, static_cast<DWORD>(ull));
    Put32(p + 4, static_cast<DWORD>(ull >> 32));
}

void PutSize(BYTE* p, size_t cb)
{
    Put32(p, static_cast<DWORD>(cb));
}

// ASCII text as UTF-16LE; the caller has zeroed the bytes, so the null is there.
void PutUtf16(BYTE* p, const char* psz, size_t cch)
{
    for (size_t i = 0; i < cch; ++i)
        p[2 * i] = static_cast<BYTE>(psz[i]);
}

void PutCounterDefinition(BYTE* pDef, DWORD dwIndex, DWORD dwHelpIndex, DWORD dwType, size_t cbSize, size_t cbOffset)
{
    PutSize(pDef + CTR_BYTE_LENGTH, CTR_DEF_SIZE);
    Put32(pDef + CTR_NAME_INDEX, dwIndex);
    Put32(pDef + CTR_HELP_INDEX, dwHelpIndex);
    Put32(pDef + CTR_DETAIL_LEVEL, DETAIL_NOVICE);
    Put32(pDef + CTR_TYPE, dwType);
    PutSize(pDef + CTR_SIZE, cbSize);
    PutSize(pDef + CTR_OFFSET, cbOffset);
}

// Writes one instance with its counter block; returns the bytes it took.
size_t PutInstance(BYTE* pInstance, const InstanceName& name, LONGLONG llProcessorTime)
{
    const size_t cbDefinition = RoundUp8(INS_SIZE + NameBytes(name));
    PutSize(pInstance + INS_BYTE_LENGTH, cbDefinition);
    Put32(pInstance + INS_UNIQUE_ID, NO_UNIQUE_ID);
    PutSize(pInstance + INS_NAME_OFFSET, INS_SIZE);
    PutSize(pInstance + INS_NAME_LENGTH, NameBytes(name));
    PutUtf16(pInstance + INS_SIZE, name.pszName, name.cchName);

    BYTE* pCounters = pInstance + cbDefinition;
    PutSize(pCounters + CBK_BYTE_LENGTH, CBK_SIZE);
    Put64(pCounters + CBK_PROCESSOR_TIME, llProcessorTime);
    Put32(pCounters + CBK_ID_PROCESS, 0);  // both stand for the system, as on Windows
    return cbDefinition + CBK_SIZE;
}

}  // namespace

LONGLONG TicksTo100ns(unsigned long long ullTicks, long lTicksPerSecond)
{
    if (lTicksPerSecond <= 0 || lTicksPerSecond > PERF_MAX_TICKS_PER_SECOND)
        return 0;
    // Whole seconds and the rest apart, so that no step overflows; the rest
    // times 10^7 stays below 10^16.
    const unsigned long long ullRate = static_cast<unsigned long long>(lTicksPerSecond);
    const unsigned long long ullUnits = static_cast<unsigned long long>(UNITS_PER_SECOND);
    const unsigned long long ullSeconds = ullTicks / ullRate;
    const unsigned long long ullRest = (ullTicks % ullRate) * ullUnits / ullRate;
    const unsigned long long ullMax = static_cast<unsigned long long>(LLONG_MAX);
    if (ullSeconds > (ullMax - ullRest) / ullUnits)
        return LLONG_MAX;
    return static_cast<LONGLONG>(ullSeconds * ullUnits + ullRest);
}

size_t BuildIdleProcessBlock(const CpuTimes& times, LONGLONG llPerfTime100ns, long lTicksPerSecond, BYTE* pBuffer,
                             size_t cbBuffer)
{
    if (lTicksPerSecond <= 0 || lTicksPerSecond > PERF_MAX_TICKS_PER_SECOND)
        return 0;
    if (pBuffer == nullptr || cbBuffer < BLOCK_BYTES)
        return BLOCK_BYTES;
    std::memset(pBuffer, 0, BLOCK_BYTES);

    PutUtf16(pBuffer + BLK_SIGNATURE, "PERF", 4);
    Put32(pBuffer + BLK_LITTLE_ENDIAN, 1);
    Put32(pBuffer + BLK_VERSION, 1);
    Put32(pBuffer + BLK_REVISION, 1);
    PutSize(pBuffer + BLK_TOTAL_LENGTH, BLOCK_BYTES);
    PutSize(pBuffer + BLK_HEADER_LENGTH, BLK_SIZE);
    Put32(pBuffer + BLK_NUM_OBJECTS, 1);
    Put32(pBuffer + BLK_DEFAULT_OBJECT, PERF_OBJ_PROCESS);
    Put64(pBuffer + BLK_PERF_TIME, llPerfTime100ns);
    Put64(pBuffer + BLK_PERF_FREQ, UNITS_PER_SECOND);
    Put64(pBuffer + BLK_PERF_TIME_100NS, llPerfTime100ns);

    BYTE* pObject = pBuffer + BLK_SIZE;
    PutSize(pObject + OBJ_TOTAL_LENGTH, OBJ_TOTAL_BYTES);
    PutSize(pObject + OBJ_DEFINITION_LENGTH, OBJ_DEFINITION_BYTES);
    PutSize(pObject + OBJ_HEADER_LENGTH, OBJ_SIZE);
    Put32(pObject + OBJ_NAME_INDEX, PERF_OBJ_PROCESS);
    Put32(pObject + OBJ_HELP_INDEX, PROCESS_HELP_INDEX);
    Put32(pObject + OBJ_DETAIL_LEVEL, DETAIL_NOVICE);
    Put32(pObject + OBJ_NUM_COUNTERS, 2);
    Put32(pObject + OBJ_NUM_INSTANCES, 2);
    Put64(pObject + OBJ_PERF_TIME, llPerfTime100ns);
    Put64(pObject + OBJ_PERF_FREQ, UNITS_PER_SECOND);

    PutCounterDefinition(pObject + OBJ_SIZE, PERF_CTR_PROCESSOR_TIME, PROCESSOR_TIME_HELP_INDEX, TYPE_100NS_TIMER,
                         sizeof(LONGLONG), CBK_PROCESSOR_TIME);
    PutCounterDefinition(pObject + OBJ_SIZE + CTR_DEF_SIZE, PERF_CTR_ID_PROCESS, ID_PROCESS_HELP_INDEX, TYPE_RAW_COUNT,
                         sizeof(DWORD), CBK_ID_PROCESS);

    BYTE* pInstance = pObject + OBJ_DEFINITION_BYTES;
    pInstance += PutInstance(pInstance, IDLE_INSTANCE, TicksTo100ns(times.ullIdleTicks, lTicksPerSecond));
    PutInstance(pInstance, TOTAL_INSTANCE, TicksTo100ns(times.ullTotalTicks, lTicksPerSecond));
    return BLOCK_BYTES;
}

// Builds performance data blocks for tests, well-formed or deliberately not.
#pragma once

#include "perf_layout.h"
#include "win_api.h"

#include <cstring>
#include <vector>

// Where the records of CPerfBlockBuilder::ProcessBlock lie, for tests that
// change one field of an otherwise well-formed block.
const size_t BUILT_OBJECT = 96;
const size_t BUILT_DEF_TIME = BUILT_OBJECT + 64;
const size_t BUILT_DEF_ID = BUILT_DEF_TIME + 40;
const size_t BUILT_INSTANCE0 = BUILT_DEF_ID + 40;
const size_t BUILT_COUNTERS0 = BUILT_INSTANCE0 + 8;
const size_t BUILT_INSTANCE1 = BUILT_COUNTERS0 + 24;

class CPerfBlockBuilder {
public:
    struct Counter {
        DWORD dwIndex;
        DWORD dwOffset;  // inside each counter block
    };
    struct Instance {
        DWORD dwProcessId;
        LONGLONG llValue;
    };

    // A Process-like object: % Processor Time at offset 8 (64-bit) and
    // ID Process at offset 16 (32-bit) of each counter block.
    static std::vector<Counter> StandardCounters() { return {{6, 8}, {784, 16}}; }

    CPerfBlockBuilder& Time(LONGLONG llTime)
    {
        m_llTime = llTime;
        return *this;
    }

    // Adds an object; lNumInstances overrides the instance count written
    // into its header (for -1 and 0), otherwise the list's length is used.
    CPerfBlockBuilder& Object(DWORD dwIndex, const std::vector<Counter>& counters,
                              const std::vector<Instance>& instances, LONG lNumInstances = -2)
    {
        const size_t cbDefs = counters.size() * PCD_MIN_SIZE;
        const size_t cbHeader = 64;
        const size_t cbInstance = 8;   // ByteLength + padding
        const size_t cbCounters = 24;  // ByteLength, pad, value, id, pad
        std::vector<BYTE> obj(cbHeader + cbDefs + instances.size() * (cbInstance + cbCounters), 0);
        Put32(obj, POT_TOTAL_BYTE_LENGTH, static_cast<DWORD>(obj.size()));
        Put32(obj, POT_DEFINITION_LENGTH, static_cast<DWORD>(cbHeader + cbDefs));
        Put32(obj, POT_HEADER_LENGTH, static_cast<DWORD>(cbHeader));
        Put32(obj, POT_OBJECT_NAME_TITLE_INDEX, dwIndex);
        Put32(obj, POT_NUM_COUNTERS, static_cast<DWORD>(counters.size()));
        Put32(obj, POT_NUM_INSTANCES,
              static_cast<DWORD>(lNumInstances == -2 ? static_cast<LONG>(instances.size()) : lNumInstances));
        size_t off = cbHeader;
        DWORD dwIdOffset = 16;
        DWORD dwValueOffset = 8;
        for (const Counter& counter : counters) {
            Put32(obj, off + PCD_BYTE_LENGTH, static_cast<DWORD>(PCD_MIN_SIZE));
            Put32(obj, off + PCD_COUNTER_NAME_TITLE_INDEX, counter.dwIndex);
            Put32(obj, off + PCD_COUNTER_OFFSET, counter.dwOffset);
            if (counter.dwIndex == PERF_CTR_ID_PROCESS)
                dwIdOffset = counter.dwOffset;
            else
                dwValueOffset = counter.dwOffset;
            off += PCD_MIN_SIZE;
        }
        for (const Instance& instance : instances) {
            Put32(obj, off + PID_BYTE_LENGTH, static_cast<DWORD>(cbInstance));
            off += cbInstance;
            Put32(obj, off + PCB_BYTE_LENGTH, static_cast<DWORD>(cbCounters));
            if (dwValueOffset + 8 <= cbCounters)
                Put64(obj, off + dwValueOffset, instance.llValue);
            if (dwIdOffset + 4 <= cbCounters)
                Put32(obj, off + dwIdOffset, instance.dwProcessId);
            off += cbCounters;
        }
        m_objects.push_back(obj);
        return *this;
    }

    // The usual block: one Process object with the idle instance first.
    static std::vector<BYTE> ProcessBlock(LONGLONG llIdleValue, LONGLONG llTime)
    {
        return CPerfBlockBuilder().Time(llTime).Object(230, StandardCounters(), {{0, llIdleValue}, {4, 12345}}).Build();
    }

    std::vector<BYTE> Build() const
    {
        std::vector<BYTE> block(PDB_MIN_SIZE + 16, 0);
        const BYTE signature[8] = {'P', 0, 'E', 0, 'R', 0, 'F', 0};
        std::memcpy(block.data(), signature, sizeof(signature));
        Put32(block, PDB_HEADER_LENGTH, static_cast<DWORD>(block.size()));
        Put32(block, PDB_NUM_OBJECT_TYPES, static_cast<DWORD>(m_objects.size()));
        Put64(block, PDB_PERF_TIME_100NSEC, m_llTime);
        for (const std::vector<BYTE>& obj : m_objects)
            block.insert(block.end(), obj.begin(), obj.end());
        return block;
    }

    static void Put32(std::vector<BYTE>& bytes, size_t off, DWORD dwValue)
    {
        for (int i = 0; i < 4; ++i)
            bytes[off + static_cast<size_t>(i)] = static_cast<BYTE>(dwValue >> (8 * i));
    }

    static void Put64(std::vector<BYTE>& bytes, size_t off, LONGLONG llValue)
    {
        const unsigned long long ull = static_cast<unsigned long long>(llValue);
        Put32(bytes, off, static_cast<DWORD>(ull));
        Put32(bytes, off + 4, static_cast<DWORD>(ull >> 32));
    }

private:
    LONGLONG m_llTime = 0;
    std::vector<std::vector<BYTE>> m_objects;
};

#include "alloc_count.h"

#include <atomic>
#include <cstddef>
#include <cstdlib>

// The C library's own allocator behind its public names. The program's
// malloc, calloc and realloc below take the place of the library's for every
// caller in the process (the C++ runtime and libbenchmark among them), count
// the call and hand it on; free needs no stand-in, the memory is the same.
extern "C" {
void* __libc_malloc(std::size_t cb) noexcept;
void* __libc_calloc(std::size_t nCount, std::size_t cb) noexcept;
void* __libc_realloc(void* p, std::size_t cb) noexcept;
}

namespace {

// Zero before any constructor runs: the loader itself may allocate first.
std::atomic<unsigned long long> g_ullAllocations{0};

void CountAllocation()
{
    g_ullAllocations.fetch_add(1, std::memory_order_relaxed);
}

}  // namespace

// The C library declares these with reserved parameter names.
// NOLINTBEGIN(readability-inconsistent-declaration-parameter-name)
extern "C" void* malloc(std::size_t cb) noexcept
{
    CountAllocation();
    return __libc_malloc(cb);
}

extern "C" void* calloc(std::size_t nCount, std::size_t cb) noexcept
{
    CountAllocation();
    return __libc_calloc(nCount, cb);
}

extern "C" void* realloc(void* p, std::size_t cb) noexcept
{
    CountAllocation();
    return __libc_realloc(p, cb);
}
// NOLINTEND(readability-inconsistent-declaration-parameter-name)

unsigned long long AllocationCount()
{
    return g_ullAllocations.load(std::memory_order_relaxed);
}

bool AllocationCountWorks()
{
    const unsigned long long ullBefore = AllocationCount();
    // Through volatile pointers, so that neither pair is optimised away.
    void* volatile pMemory = std::malloc(16);
    std::free(pMemory);
    const bool bMalloc = AllocationCount() != ullBefore;
    int* volatile pnValue = new int(1);
    delete pnValue;
    return bMalloc && AllocationCount() >= ullBefore + 2;
}

void ReportAllocations(benchmark::State& state, unsigned long long ullBefore)
{
    state.counters["allocs_per_op"] =
        benchmark::Counter(static_cast<double>(AllocationCount() - ullBefore), benchmark::Counter::kAvgIterations);
}

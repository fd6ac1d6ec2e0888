#include "bench/support/PeakMemory.h"

#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>

namespace {

constexpr double MiB = 1024.0 * 1024.0;

// The private writable mappings (the heap arena, stacks and blocks mapped
// on their own), in bytes: the data field of /proc/self/statm.
size_t PrivateMappedBytes()
{
    FILE* Statm = std::fopen("/proc/self/statm", "r");
    if (!Statm)
        return 0;
    unsigned long Size = 0, Resident = 0, Shared = 0, Text = 0, Lib = 0, Data = 0;
    const int Read = std::fscanf(Statm, "%lu %lu %lu %lu %lu %lu", &Size, &Resident, &Shared,
                                 &Text, &Lib, &Data);
    std::fclose(Statm);
    return Read == 6 ? Data * static_cast<size_t>(sysconf(_SC_PAGESIZE)) : 0;
}

}  // namespace

size_t MemoryInUse()
{
    const struct mallinfo2 Heap = mallinfo2();
    // The arena counts in the mappings whole; only its blocks in use count.
    return Heap.uordblks + PrivateMappedBytes() - Heap.arena;
}

size_t PeakMemoryScope::PeakBytes() const
{
    return FHeap.PeakBytes();
}

void PeakMemoryScope::Report(benchmark::State& State) const
{
    rusage Usage{};
    getrusage(RUSAGE_SELF, &Usage);
    State.counters["heap_peak_MiB"] = double(PeakBytes()) / MiB;
    State.counters["max_rss_MiB"] = double(Usage.ru_maxrss) * 1024.0 / MiB;
}

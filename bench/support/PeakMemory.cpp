#include "bench/support/PeakMemory.h"

#include <sys/resource.h>

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<size_t> Held{0};
std::atomic<size_t> Peak{0};

// Relaxed: the counts need no order with other memory, and the benchmarks
// run on one thread; the cost per allocation stays a few instructions.
void* Allocate(size_t Size)
{
    void* P = std::malloc(Size ? Size : 1);
    if (!P)
        throw std::bad_alloc();
    const size_t Bytes = malloc_usable_size(P);
    const size_t Now = Held.fetch_add(Bytes, std::memory_order_relaxed) + Bytes;
    if (Now > Peak.load(std::memory_order_relaxed))
        Peak.store(Now, std::memory_order_relaxed);
    return P;
}

void Release(void* P) noexcept
{
    if (!P)
        return;
    Held.fetch_sub(malloc_usable_size(P), std::memory_order_relaxed);
    std::free(P);
}

constexpr double MiB = 1024.0 * 1024.0;

}  // namespace

void* operator new(size_t Size) { return Allocate(Size); }
void* operator new[](size_t Size) { return Allocate(Size); }
void operator delete(void* P) noexcept { Release(P); }
void operator delete[](void* P) noexcept { Release(P); }
void operator delete(void* P, size_t) noexcept { Release(P); }
void operator delete[](void* P, size_t) noexcept { Release(P); }

PeakMemoryScope::PeakMemoryScope() : FStart(Held.load())
{
    Peak.store(FStart);
}

size_t PeakMemoryScope::PeakBytes() const
{
    const size_t P = Peak.load();
    return P > FStart ? P - FStart : 0;
}

void PeakMemoryScope::Report(benchmark::State& State) const
{
    rusage Usage{};
    getrusage(RUSAGE_SELF, &Usage);
    State.counters["heap_peak_MiB"] = double(PeakBytes()) / MiB;
    State.counters["max_rss_MiB"] = double(Usage.ru_maxrss) * 1024.0 / MiB;
}

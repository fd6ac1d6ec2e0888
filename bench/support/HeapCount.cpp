#include "bench/support/HeapCount.h"

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

// Within a scope every allocation and release is counted, so the change of
// Held is exact there, whatever was allocated before; its absolute value is
// not used. Relaxed: the counts need no order with other memory.
std::atomic<int> Scopes{0};
std::atomic<int64_t> Held{0};
std::atomic<int64_t> Peak{0};

void* Allocate(size_t Size)
{
    void* P = std::malloc(Size ? Size : 1);
    if (!P)
        throw std::bad_alloc();
    if (Scopes.load(std::memory_order_relaxed) > 0) {
        const auto Bytes = static_cast<int64_t>(malloc_usable_size(P));
        const int64_t Now = Held.fetch_add(Bytes, std::memory_order_relaxed) + Bytes;
        int64_t Old = Peak.load(std::memory_order_relaxed);
        while (Now > Old && !Peak.compare_exchange_weak(Old, Now, std::memory_order_relaxed)) {
        }
    }
    return P;
}

void Release(void* P) noexcept
{
    if (!P)
        return;
    if (Scopes.load(std::memory_order_relaxed) > 0)
        Held.fetch_sub(static_cast<int64_t>(malloc_usable_size(P)), std::memory_order_relaxed);
    std::free(P);
}

}  // namespace

void* operator new(size_t Size) { return Allocate(Size); }
void* operator new[](size_t Size) { return Allocate(Size); }
void operator delete(void* P) noexcept { Release(P); }
void operator delete[](void* P) noexcept { Release(P); }
void operator delete(void* P, size_t) noexcept { Release(P); }
void operator delete[](void* P, size_t) noexcept { Release(P); }

HeapCountScope::HeapCountScope() : FStart(Held.load())
{
    Peak.store(FStart);
    Scopes.fetch_add(1);
}

HeapCountScope::~HeapCountScope()
{
    Scopes.fetch_sub(1);
}

size_t HeapCountScope::PeakBytes() const
{
    const int64_t P = Peak.load();
    return P > FStart ? size_t(P - FStart) : 0;
}

void HeapCountScope::Restart()
{
    FStart = Held.load();
    Peak.store(FStart);
}

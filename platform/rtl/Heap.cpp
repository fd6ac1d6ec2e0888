#include "platform/rtl/Heap.h"

#include <malloc.h>
#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>

namespace {

// Blocks below this come from the heap, and the heap keeps up to this much
// free at its top.
constexpr int HeapThreshold = 64 << 20;
// Less than the threshold, so the free block stays in the heap.
constexpr size_t HugeReserve = size_t(48) << 20;
constexpr uintptr_t HugePage = uintptr_t(2) << 20;
constexpr uintptr_t SmallPage = 4096;

#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23
#endif

}  // namespace

void UseProgramHeap()
{
    mallopt(M_MMAP_THRESHOLD, HeapThreshold);
    mallopt(M_TRIM_THRESHOLD, HeapThreshold);
    // The block grows the heap and goes back to its free top at once; the
    // blocks allocated later are carved from the same addresses.
    void* Block = std::malloc(HugeReserve);
    if (!Block)
        return;
    const uintptr_t Start = reinterpret_cast<uintptr_t>(Block);
    std::free(Block);
    const uintptr_t From = (Start + HugePage - 1) & ~(HugePage - 1);
    const uintptr_t To = (Start + HugeReserve) & ~(HugePage - 1);
    // A system without such pages refuses the advice; the heap works as
    // before.
    if (To > From)
        (void)madvise(reinterpret_cast<void*>(From), To - From, MADV_HUGEPAGE);
    // Below the first 2 MB boundary the heap stays in 4 KB pages, and the
    // start fills them one fault at a time; they are taken in one call
    // instead (at most 2 MB, most of which the start uses anyway). An
    // older system refuses the call and the pages come as they are used.
    const uintptr_t Low = Start & ~(SmallPage - 1);
    if (From > Low)
        (void)madvise(reinterpret_cast<void*>(Low), From - Low, MADV_POPULATE_WRITE);
}

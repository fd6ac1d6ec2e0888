#include "platform/rtl/Heap.h"

#include <malloc.h>

void UseProgramHeap()
{
    mallopt(M_MMAP_THRESHOLD, 64 << 20);
    mallopt(M_TRIM_THRESHOLD, 64 << 20);
}

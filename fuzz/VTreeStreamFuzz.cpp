// Tree streams read the way a tree loads a file: any bytes must end in a
// loaded tree or a clean error, never a crash, a hang, a read past the data
// or a huge allocation, and the counts must match the nodes read.

#include "common/vtree/VTree.h"

#include "platform/classes/Streams.h"
#include "platform/rtl/Exceptions.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    MemoryBlockStream Stream(Data, Size);
    TBaseVirtualTree Tree(nullptr);
    Tree.TreeOptions()->SetSelectionOptions({toMultiSelect});
    try {
        Tree.LoadFromStream(&Stream);
    } catch (const Exception&) {
        // A clean load error.
    }
    // What was read must add up: walk it and compare with the totals.
    Cardinal Count = 0;
    for (PVirtualNode Run = Tree.FirstNodeRaw(); Run; Run = Tree.NextNodeRaw(Run))
        ++Count;
    if (Count != Tree.TotalCount())
        std::abort();
    return 0;
}

// Header streams read the way a tree loads its column layout: any bytes
// must end in a header or a clean error, never a crash, a read past the
// data or a huge allocation, and the columns' positions must stay a
// permutation of their indices.

#include "common/vtree/VTree.h"

#include "platform/classes/Streams.h"
#include "platform/rtl/Exceptions.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    MemoryBlockStream Stream(Data, Size);
    TBaseVirtualTree Tree(nullptr);
    TVTHeader* Header = Tree.Header();
    try {
        Header->ReadFromStream(&Stream);
    } catch (const Exception&) {
        // A clean load error.
    }
    TVirtualTreeColumns* Columns = Header->Columns();
    const std::vector<TColumnIndex>& Positions = Columns->PositionToIndex();
    if (Positions.size() != static_cast<size_t>(Columns->Count()))
        std::abort();
    std::vector<bool> Seen(Positions.size());
    for (TColumnIndex I : Positions) {
        if (I < 0 || I >= Columns->Count() || Seen[static_cast<size_t>(I)])
            std::abort();
        Seen[static_cast<size_t>(I)] = true;
    }
    if (Header->MainColumn() >= Columns->Count() || Header->SortColumn() >= Columns->Count())
        std::abort();
    return 0;
}

// The debug tables of a data block, read the way the first lookup of a
// report reads them, in both name forms, then looked up. Any bytes must end
// in tables or a clean error, never a crash, a read past the data or a huge
// allocation.

#include "exceptionlog/DataBlock.h"
#include "exceptionlog/DebugData.h"

#include "platform/classes/Streams.h"
#include "platform/rtl/Exceptions.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    const std::string Bytes(reinterpret_cast<const char*>(Data), Size);
    for (const Word Version : {Word(449), Word(513)}) {
        try {
            (void)ReadDebugTables(Bytes, Version, "pw", true);
        } catch (const Exception&) {
            // A clean refusal.
        }
    }
    // Lookups over whatever loaded (damaged tables name nothing).
    ModuleRecord Rec;
    Rec.DataVersion = 449;
    Rec.DebugData = std::make_unique<TMemoryStream>();
    if (Size > 0)
        Rec.DebugData->WriteBuffer(Data, int(Size));
    Rec.DebugDataPresent = true;
    for (const uint64_t Address : {uint64_t(0), uint64_t(0x150), uint64_t(0x1000), UINT64_MAX}) {
        StackEntry E;
        (void)FindSymbol(Rec, Address, true, E);
    }
    return 0;
}

// Data blocks read the way start-up reads them: as a block in section form
// and as a whole program file (ELF section or trailer). Any bytes must end
// in a loaded block, "no block" or a clean error, never a crash, a read
// past the data or a huge allocation.

#include "exceptionlog/DataBlock.h"

#include "platform/classes/Streams.h"
#include "platform/rtl/Exceptions.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    const PasswordSource Password = [] { return AnsiString("pw"); };
    try {
        ModuleRecord Rec;
        ReadDataBlock(Data, Size, /*WantDebug=*/true, Password, Rec);
        // The packed debug part is unpacked when a report first needs it.
        (void)ModuleDebugData(Rec);
    } catch (const Exception&) {
        // A clean refusal.
    }
    try {
        MemoryBlockStream File(Data, Size);
        ModuleRecord Rec;
        (void)ReadModuleBlock(File, /*WantDebug=*/true, Password, Rec);
    } catch (const Exception&) {
        // A clean refusal.
    }
    return 0;
}

// Report templates read the way the program reads them from memory: either
// form, sniffed. Any bytes must end in a loaded template or a clean load
// error, never a crash, a read past the data, a hang or a huge allocation.

#include "common/reports/RP_Document.h"

#include "platform/classes/Streams.h"
#include "platform/rtl/Exceptions.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    MemoryBlockStream Stream(Data, Size);
    TDocument Doc(nullptr);
    try {
        Doc.LoadFromAnyStream(Stream);
    } catch (const Exception&) {
        // A clean load error.
    }
    return 0;
}

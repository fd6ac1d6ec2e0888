// Tagged records read the way the program's data-file readers read them:
// any bytes must end in a loaded record or a clean error, never a crash, a
// read past the data or a huge allocation.

#include "common/base/Funcs.h"

#include "platform/classes/Streams.h"
#include "platform/rtl/Exceptions.h"

#include "tests/common/base/TaggedRecordModel.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    MemoryBlockStream Stream(Data, Size);
    tagged_model::Doc D;
    try {
        tagged_model::ReadDoc(Stream, D);
    } catch (const Exception&) {
        // A clean load error.
    }
    return 0;
}

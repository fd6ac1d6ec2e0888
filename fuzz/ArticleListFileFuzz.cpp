// The article file reader over arbitrary bytes: every input either loads
// or raises the program's Exception; nothing else may happen.

#include "app/ArticleList.h"

#include "platform/classes/Streams.h"
#include "platform/rtl/Exceptions.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    MemoryBlockStream Stream(Data, Size);
    TshArticleList List;
    try {
        List.LoadFromStream(Stream, "Articles.fl");
    } catch (const Exception&) {
        // A clean load error is the expected answer to broken bytes.
    }
    return 0;
}

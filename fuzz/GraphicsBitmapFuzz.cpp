// Bitmap files from outside (pictures of templates, chosen in the picture
// editor) are read from a stream. Any bytes must end in a picture or a
// refusal, never a crash, a read past the data, a hang or a huge
// allocation.

#include "fuzz/FuzzGui.h"

#include "platform/classes/Streams.h"
#include "platform/forms/Graphics.h"
#include "platform/rtl/Exceptions.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    StartGuiOnce("GraphicsBitmapFuzz");
    MemoryBlockStream Stream(Data, Size);
    TBitmap B;
    try {
        B.LoadFromStream(&Stream);
    } catch (const Exception&) {
        // A clean refusal.
    }
    return 0;
}

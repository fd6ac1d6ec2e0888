// Metafiles from outside (generated report files, the clipboard) are
// checked and played onto a small bitmap, and read from a stream. Any bytes
// must end in a played picture or a refusal, never a crash, a read past
// the data, a hang or a huge allocation.

#include "fuzz/FuzzGui.h"

#include "platform/classes/Streams.h"
#include "platform/forms/Graphics.h"
#include "platform/forms/Metafiles.h"
#include "platform/rtl/Exceptions.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    StartGuiOnce("MetafilesPlayerFuzz");
    TBitmap Target;
    Target.SetSize(48, 32);
    PlayEnhMetaFileBits(Target.Canvas()->Handle(), Data, Size, Rect(0, 0, 48, 32));
    MemoryBlockStream Stream(Data, Size);
    TMetafile M;
    try {
        M.LoadFromStream(&Stream);
    } catch (const Exception&) {
        // A clean refusal.
    }
    return 0;
}

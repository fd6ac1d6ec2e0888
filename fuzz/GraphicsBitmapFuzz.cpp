// Bitmap files from outside (pictures of templates, chosen in the picture
// editor) are read from a stream. Any bytes must end in a picture or a
// refusal, never a crash, a read past the data, a hang or a huge
// allocation.

#include "platform/classes/Streams.h"
#include "platform/gui/Forms.h"
#include "platform/gui/Graphics.h"
#include "platform/rtl/Exceptions.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void StartOnce()
{
    static bool Started = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        static int Argc = 1;
        static char Name[] = "GraphicsBitmapFuzz";
        static char* Argv[] = {Name, nullptr};
        GuiStartup(Argc, Argv);
        return true;
    }();
    (void)Started;
}

}  // namespace

// The font configuration library keeps its caches for the life of the
// process; the leak checker is told so.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig\n";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    StartOnce();
    MemoryBlockStream Stream(Data, Size);
    TBitmap B;
    try {
        B.LoadFromStream(&Stream);
    } catch (const Exception&) {
        // A clean refusal.
    }
    return 0;
}

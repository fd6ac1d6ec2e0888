// Generated-report files read the way the print view reads them: a ".rep"
// through its header check and reader, and the same bytes as an older
// ".qrp", and every page read drawn onto a small picture as the print view
// draws it. Any bytes must end in pages or a clean refusal, never a crash,
// a read past the data, a hang or a huge allocation.

#include "common/reports/RP_PreviewForm.h"

#include "common/reports/RP_Document.h"

#include "platform/classes/Streams.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Graphics.h"
#include "platform/forms/Metafiles.h"
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
        static char Name[] = "RP_PreviewFormFileFuzz";
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
    for (const bool Qrp : {false, true}) {
        MemoryBlockStream Stream(Data, Size);
        try {
            if (!Qrp)
                TPreviewForm::CheckPrintFile(Stream, /*RaiseErrors=*/true);
            const PrintFileContents Pages = ReadPrintStream(Stream, Qrp);
            TBitmap Target;
            Target.SetSize(60, 80);
            for (const auto& Page : Pages.Pages)
                if (const TMetafile* M = Page->Metafile())
                    PlayEnhMetaFile(Target.Canvas()->Handle(), M, Rect(0, 0, 60, 80));
        } catch (const Exception&) {
            // A clean refusal.
        }
    }
    return 0;
}

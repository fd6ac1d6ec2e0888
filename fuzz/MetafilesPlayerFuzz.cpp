// Metafiles from outside (generated report files, the clipboard) are
// checked and played onto a small bitmap and into a PDF page (as a print
// of an opened report file into a file does), and read from a stream. Any
// bytes must end in a played picture or a refusal, never a crash, a read
// past the data, a hang or a huge allocation.

#include "fuzz/FuzzGui.h"

#include "platform/classes/Streams.h"
#include "platform/forms/Graphics.h"
#include "platform/forms/Metafiles.h"
#include "platform/rtl/Exceptions.h"
#include "platform/winapi/DeviceContexts.h"

#include <cstddef>
#include <cstdint>
#include <string>

#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    StartGuiOnce("MetafilesPlayerFuzz");
    TBitmap Target;
    Target.SetSize(48, 32);
    PlayEnhMetaFileBits(Target.Canvas()->Handle(), Data, Size, Rect(0, 0, 48, 32));
    // A small page at a low resolution keeps each run short.
    static const std::string Pdf = "/tmp/metafiles-player-fuzz-" + std::to_string(::getpid()) + ".pdf";
    TPdfPage Page;
    Page.PaperWidth = 5000;
    Page.PaperHeight = 4000;
    Page.Dpi = 96;
    if (HDC DC = CreatePdfDC(AnsiString(Pdf.c_str()), Page)) {
        PlayEnhMetaFileBits(DC, Data, Size, Rect(0, 0, 180, 150));
        DeleteDC(DC);
    }
    MemoryBlockStream Stream(Data, Size);
    TMetafile M;
    try {
        M.LoadFromStream(&Stream);
    } catch (const Exception&) {
        // A clean refusal.
    }
    return 0;
}

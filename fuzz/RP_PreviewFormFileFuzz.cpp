// Generated-report files read the way the print view reads them: a ".rep"
// through its header check and reader, and the same bytes as an older
// ".qrp". Any bytes must end in pages or a clean refusal, never a crash, a
// read past the data, a hang or a huge allocation.

#include "common/reports/RP_PreviewForm.h"

#include "platform/classes/Streams.h"
#include "platform/rtl/Exceptions.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    for (const bool Qrp : {false, true}) {
        MemoryBlockStream Stream(Data, Size);
        try {
            if (!Qrp)
                TPreviewForm::CheckPrintFile(Stream, /*RaiseErrors=*/true);
            const PrintFileContents Pages = ReadPrintStream(Stream, Qrp);
            (void)Pages;
        } catch (const Exception&) {
            // A clean refusal.
        }
    }
    return 0;
}

// Report logs read the way the exception log reads them: any bytes must
// load as the reports they hold (or none), and every stored report must
// give its fields, sections and XML without a crash or a read past its
// text; the report window's pages read each report as well.

#include "exceptionlog/LogFile.h"
#include "exceptionlog/ReportPages.h"

#include "platform/rtl/Exceptions.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    if (Size > size_t(MaxLogFileSize))
        return 0;
    TLogFile Log("", /*ReadOnly=*/true);
    for (const AnsiString& Report :
         TLogFile::ParseLogText(AnsiString(reinterpret_cast<const char*>(Data), int(Size))))
        Log.Add(Report, /*MaxCount=*/1000);
    for (int I = 0; I < Log.Count(); ++I) {
        (void)Log.GetValue(I, "2.5");
        (void)Log.GetHowToReproduce(I);
        (void)Log.ToXML(I);
        (void)ReportPagesFromText(Log.Item(I));
    }
    return 0;
}

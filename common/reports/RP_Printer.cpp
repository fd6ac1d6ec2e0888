// Documents' printer metrics from the process's printer.

#include "common/reports/RP_Printer.h"

#include "platform/gui/Printers.h"

namespace {

class PlatformPrinter final : public ReportPrinter {
public:
    int PrinterIndex() override { return Printer()->PrinterIndex(); }

    PrinterCaps ReadCaps(Byte Orientation) override
    {
        TPrinter* P = Printer();
        P->SetOrientation(Orientation == 0 ? poPortrait : poLandscape);
        HDC DC = P->Handle();
        PrinterCaps Caps;
        Caps.LogPixelsX = GetDeviceCaps(DC, LOGPIXELSX);
        Caps.LogPixelsY = GetDeviceCaps(DC, LOGPIXELSY);
        Caps.PhysWidth = GetDeviceCaps(DC, PHYSICALWIDTH);
        Caps.PhysHeight = GetDeviceCaps(DC, PHYSICALHEIGHT);
        Caps.PhysOffsetX = GetDeviceCaps(DC, PHYSICALOFFSETX);
        Caps.PhysOffsetY = GetDeviceCaps(DC, PHYSICALOFFSETY);
        Caps.HorzRes = GetDeviceCaps(DC, HORZRES);
        Caps.VertRes = GetDeviceCaps(DC, VERTRES);
        return Caps;
    }
};

}  // namespace

ReportPrinter* PlatformReportPrinter()
{
    static PlatformPrinter Port;
    return &Port;
}

// Documents' printer metrics from the process's printer.

#include "common/reports/RP_Printer.h"

#include "platform/classes/Strings.h"
#include "platform/forms/Metafiles.h"
#include "platform/forms/Printers.h"

namespace {

// A job into a PDF file is laid out on the file's paper, whatever printer
// is chosen; its metrics are kept apart from every printer's (index -1, as
// when none is installed), and the printer list, which loads the print
// system's plugin and asks the print service, is not read for it.
bool PrintsToFile()
{
    return !Printer()->OutputFileName().IsEmpty();
}

class PlatformPrinter final : public ReportPrinter {
public:
    int PrinterIndex() override { return PrintsToFile() ? -1 : Printer()->PrinterIndex(); }

    bool SelectNamed(const AnsiString& Name) override
    {
        if (PrintsToFile())
            return false;
        const int Index = Printer()->Printers()->IndexOf(Name);
        if (Index < 0)
            return false;
        Printer()->SetPrinterIndex(Index);
        return true;
    }

    void SelectDefault() override
    {
        if (!PrintsToFile())
            Printer()->SetPrinterIndex(-1);
    }

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

class PlatformPrintJob final : public ReportPrintJob {
public:
    Byte Orientation() override { return Printer()->Orientation() == poPortrait ? 0 : 1; }
    void SetOrientation(Byte Value) override
    {
        Printer()->SetOrientation(Value == 0 ? poPortrait : poLandscape);
    }
    void SetCopies(int Value) override { Printer()->SetCopies(Value); }
    void BeginDoc(const AnsiString& Title) override
    {
        Printer()->SetTitle(Title);
        Printer()->BeginDoc();
    }
    void NewPage() override { Printer()->NewPage(); }
    void EndDoc() override { Printer()->EndDoc(); }
    bool Printing() override { return Printer()->Printing(); }
    void DrawPage(TPageInfo& Page, const TRect& DeviceRect) override
    {
        if (Page.Metafile())
            Printer()->Canvas()->StretchDraw(DeviceRect, Page.Metafile());
    }
};

}  // namespace

ReportPrintJob* PlatformReportPrintJob()
{
    static PlatformPrintJob Job;
    return &Job;
}

ReportPrinter* PlatformReportPrinter()
{
    static PlatformPrinter Port;
    return &Port;
}

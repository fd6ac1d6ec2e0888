// Template files: the binary form (".dcr", host streams, undo snapshots),
// the ini form (".dcf"), recognition of a file's form, the file-name rules,
// Load and Save. Readers fill a staging document and hand its template over
// only when the whole read has succeeded.

#include "common/reports/RP_Document.h"

#include "common/reports/RP_Page.h"
#include "common/reports/RP_View.h"

#include "common/base/Funcs.h"
#include "common/base/IniFiles.h"
#include "platform/classes/Streams.h"
#include "platform/classes/Strings.h"
#include "platform/forms/Graphics.h"
#include "platform/winapi/Windows.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/StrUtils.h"

#include <algorithm>
#include <string_view>

namespace {

const char* const SFileHeader = "Report Description File";
const char* const SIniHeaderSection = "Report Description File";

// The smallest page and element records: tag 255 and their end marker.
constexpr Int64 MinPageRecordBytes = 8;
constexpr Int64 MinViewRecordBytes = 8;

// What a template may hold. An element costs about a kilobyte in memory
// however short its record, so a file of nothing but empty records would
// take a hundred times its size; no designer makes more than these.
constexpr Int64 MaxTemplatePages = 1000;
constexpr Int64 MaxTemplateViews = 20000;
// A picture beside a template is a logo or a photograph, not gigabytes.
constexpr Int64 MaxPictureBytes = Int64(64) << 20;

/// Refuses pages or elements past what a template may hold, before they
/// are made.
void CheckTemplateSize(Int64 Pages, Int64 Views)
{
    if (Pages > MaxTemplatePages)
        RaiseReportLoadError(Format("Страниц в шаблоне больше %d"_a, {Integer(MaxTemplatePages)}));
    if (Views > MaxTemplateViews)
        RaiseReportLoadError(Format("Элементов в шаблоне больше %d"_a, {Integer(MaxTemplateViews)}));
}

// How many leading bytes recognition looks at, and how many it needs.
constexpr int SniffBytes = 47;
constexpr int SniffMinBytes = 25;

/// The name of an existing file spelled as on disk; Name when none.
AnsiString OnDisk(const AnsiString& Name)
{
    return ResolveFileNameCase(Name);
}

bool Exists(const AnsiString& Name)
{
    return !Name.IsEmpty() && FileExists(OnDisk(Name));
}

AnsiString PageSection(const AnsiString& Prefix, int Index)
{
    return (Prefix.IsEmpty() ? AnsiString() : Prefix + " ") + "P" + IntToStr(Index);
}

/// Clears a flag that lives for one operation, whatever way it ends.
class FlagScope {
public:
    explicit FlagScope(bool& Flag) : FFlag(Flag) { FFlag = true; }
    ~FlagScope() { FFlag = false; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& FFlag;
};

}  // namespace

// ---- staging ---------------------------------------------------------------

void TDocument::CopyTemplateSettings(const TDocument& From)
{
    FNameDocument = From.FNameDocument;
    FCategory = From.FCategory;
    FVersion = From.FVersion;
    DoubleOnSheet = From.DoubleOnSheet;
    MarginLeft = From.MarginLeft;
    MarginRight = From.MarginRight;
    MarginBottom = From.MarginBottom;
    MarginTop = From.MarginTop;
    PrinterType = From.PrinterType;
    PrinterName = From.PrinterName;
    PrinterPageDefaultSize = From.PrinterPageDefaultSize;
    PrinterPageWidth = From.PrinterPageWidth;
    PrinterPageHeight = From.PrinterPageHeight;
    PrinterPageOffsetX = From.PrinterPageOffsetX;
    PrinterPageOffsetY = From.PrinterPageOffsetY;
    PrintStretchDraw = From.PrintStretchDraw;
    ViewCopyToClipboardEnable = From.ViewCopyToClipboardEnable;
}

void TDocument::CopyPrinterState(const TDocument& From)
{
    for (int O = 0; O < 2; ++O) {
        TPrnInfo& D = *FPrnInfo[O];
        const TPrnInfo& S = *From.FPrnInfo[O];
        D.ScaleX = S.ScaleX;
        D.ScaleY = S.ScaleY;
        D.PhysWidth = S.PhysWidth;
        D.PhysHeight = S.PhysHeight;
        D.PhysOffsetX = S.PhysOffsetX;
        D.PhysOffsetY = S.PhysOffsetY;
        D.HorzRes = S.HorzRes;
        D.VertRes = S.VertRes;
        D.LogPixelsX = S.LogPixelsX;
        D.LogPixelsY = S.LogPixelsY;
        D.PageWidth = S.PageWidth;
        D.PageHeight = S.PageHeight;
        D.OffsetX = S.OffsetX;
        D.OffsetY = S.OffsetY;
        D.PrintWidth = S.PrintWidth;
        D.PrintHeight = S.PrintHeight;
    }
    PrnTick = From.PrnTick;
    PrnIndex = From.PrnIndex;
    DefaultPrinterIndex = From.DefaultPrinterIndex;
    PageWidth = From.PageWidth;
    PageHeight = From.PageHeight;
    OffsetX = From.OffsetX;
    OffsetY = From.OffsetY;
}

std::unique_ptr<TDocument> TDocument::MakeStaging() const
{
    auto Staging = std::make_unique<TDocument>(nullptr);
    Staging->CopyTemplateSettings(*this);
    Staging->DefDesigner->AssignFrom(*DefDesigner);
    Staging->CopyPrinterState(*this);
    Staging->FNameSaveFile = FNameSaveFile;
    Staging->HeaderOnly = HeaderOnly;
    Staging->Printing = Printing;
    return Staging;
}

void TDocument::AdoptTemplate(TDocument& Staging)
{
    ClearPageInfos();
    FPages = std::move(Staging.FPages);
    Staging.FPages.clear();
    FPageIndex = Staging.FPageIndex;
    Staging.FPageIndex = -1;
    for (const auto& Page : FPages) {
        Page->Document = this;
        for (int I = 0; I < Page->ViewCount(); ++I) {
            TView* View = Page->GetView(I);
            View->Document = this;
            // Read at scale 1.0; this document may show another.
            View->InvalidatePixelCache();
        }
    }
    CopyTemplateSettings(Staging);
    DefDesigner->AssignFrom(*Staging.DefDesigner);
    CopyPrinterState(Staging);
    Saved = true;
}

void TDocument::ReloadPicture(TView* View)
{
    if (View->Kind != vkPicture || View->Lines->Count() == 0)
        return;
    const AnsiString Name = OnDisk(View->Lines->Strings(0));
    if (!FileExists(Name))
        return;
    try {
        // Only a file of bounded size: a pipe or a device named in a
        // template would hold the load for ever, a huge file fill memory.
        TFileStream File(Name, fmOpenRead | fmShareDenyWrite);
        if (!FileIsRegular(File.Handle()) || File.Size() > MaxPictureBytes)
            return;
        View->Picture->LoadFromStream(&File);
    } catch (const Exception&) {
        // Pictures live beside the template, not in it: an unreadable one
        // leaves the element empty and the template loads.
        View->Picture = std::make_unique<TBitmap>();
    }
}

void TDocument::FitDesignerPlacement()
{
    T_RPDefDesigner& D = *DefDesigner;
    const int SW = GetSystemMetrics(SM_CXSCREEN);
    const int SH = GetSystemMetrics(SM_CYSCREEN);
    if (D.WState != 2)
        D.WState = 0;
    if (D.Left < -10 || D.Left > SW - 10)
        D.Left = 10;
    if (D.Top < -10 || D.Top > SH - 30)
        D.Top = 10;
    if (D.Height < 30 || D.Height > SH - 30)
        D.Height = SH - 30;
    if (D.Width < 30 || D.Width > SW - 30)
        D.Width = SW - 30;
}

// ---- binary form -----------------------------------------------------------------

void TDocument::ReadFileHeader(TStream& Stream)
{
    const Int64 Start = Stream.Position();
    const AnsiString S = RP_Eng::ReadString(Stream);
    if (S == SFileHeader)
        return;
    if (S == "FRDCR") {
        Stream.SetPosition(Start);
        return;
    }
    RaiseReportLoadError();
}

void TDocument::LoadFromStream(TStream& Stream, bool Undo)
{
    std::unique_ptr<TDocument> Staging = MakeStaging();
    Staging->ReadBinary(Stream, Undo);
    AdoptTemplate(*Staging);
}

void TDocument::ReadBinary(TStream& Stream, bool Undo)
{
    New();
    Saved = true;
    ReadFileHeader(Stream);
    CheckReportLoad(RP_Eng::ReadString(Stream) == "FRDCR");
    if (!HeaderOnly) {
        // A template loads without a printer too: its pages stand on the
        // fallback paper, and the build tells the operator why.
        try {
            UpdatePrnInfo(false);
        } catch (const Exception&) {
        }
    }
    ReadDocumentTags(Stream, Undo);
    SetPageIndex(0);
    PrnTick = 0;
    FitDesignerPlacement();
}

void TDocument::ReadDocumentTags(TStream& Stream, bool Undo)
{
    // Tag 10 gives the number of page records that tag 12 reads.
    Integer PagesToRead = 0;
    for (;;) {
        const Byte Tag = RP_Eng::ReadByte(Stream);
        switch (Tag) {
        case 1: (void)RP_Eng::ReadInteger(Stream); break;  // SourceVersion: always written as 1
        case 2: FCategory = RP_Eng::ReadInteger(Stream); break;
        case 3: FNameDocument = RP_Eng::ReadString(Stream); break;
        case 4: FVersion = RP_Eng::ReadInteger(Stream); break;
        case 5: DoubleOnSheet = RP_Eng::ReadBoolean(Stream); break;
        case 6: MarginLeft = RP_Eng::ReadInteger(Stream); break;
        case 7: MarginTop = RP_Eng::ReadInteger(Stream); break;
        case 8: MarginRight = RP_Eng::ReadInteger(Stream); break;
        case 9:
            MarginBottom = RP_Eng::ReadInteger(Stream);
            if (HeaderOnly) {
                HeaderOnly = false;
                return;
            }
            break;
        case 10: PagesToRead = std::max(RP_Eng::ReadInteger(Stream), 1); break;
        case 11:
            CheckReportLoad(RP_Eng::ReadString(Stream) == "DEFDES");
            ReadDesigner(Stream);
            break;
        case 12:
            CheckReportLoad(RP_Eng::ReadString(Stream) == "PAGES");
            ReadPages(Stream, PagesToRead, Undo);
            break;
        case 13:
        case 14: (void)RP_Eng::ReadInteger(Stream); break;
        case 15: PrinterType = RP_Eng::ReadInteger(Stream); break;
        case 16: PrinterName = RP_Eng::ReadString(Stream); break;
        case 17: PrinterPageDefaultSize = RP_Eng::ReadBoolean(Stream); break;
        case 18: PrinterPageWidth = RP_Eng::ReadInteger(Stream); break;
        case 19: PrinterPageHeight = RP_Eng::ReadInteger(Stream); break;
        case 20: PrinterPageOffsetX = RP_Eng::ReadInteger(Stream); break;
        case 21: PrinterPageOffsetY = RP_Eng::ReadInteger(Stream); break;
        case 22: PrintStretchDraw = RP_Eng::ReadBoolean(Stream); break;
        case 23: ViewCopyToClipboardEnable = RP_Eng::ReadBoolean(Stream); break;
        case 255: CheckReportLoad(RP_Eng::ReadString(Stream) == "ENDFR"); return;
        default: RaiseUnknownDataPrefix(Tag);
        }
    }
}

void TDocument::ReadDesigner(TStream& Stream)
{
    T_RPDefDesigner& D = *DefDesigner;
    for (;;) {
        const Byte Tag = RP_Eng::ReadByte(Stream);
        switch (Tag) {
        case 1: D.Left = RP_Eng::ReadInteger(Stream); break;
        case 2: D.Top = RP_Eng::ReadInteger(Stream); break;
        case 3: D.Height = RP_Eng::ReadInteger(Stream); break;
        case 4: D.Width = RP_Eng::ReadInteger(Stream); break;
        case 5: D.WState = static_cast<Byte>(RP_Eng::ReadInteger(Stream)); break;
        case 6: D.GridSize = RP_Eng::ReadInteger(Stream); break;
        case 7: D.ShowGrid = RP_Eng::ReadBoolean(Stream); break;
        case 8: D.SnapToGrid = RP_Eng::ReadBoolean(Stream); break;
        case 9: D.ShapeInvers = RP_Eng::ReadBoolean(Stream); break;
        case 10: D.LabelText = RP_Eng::ReadString(Stream); break;
        case 11: D.FontName = RP_Eng::ReadString(Stream); break;
        case 12: D.FontSize = RP_Eng::ReadInteger(Stream); break;
        case 13: D.FontStyle = static_cast<Word>(RP_Eng::ReadInteger(Stream)); break;
        case 14: D.FrameWidth = RP_Eng::ReadInteger(Stream); break;
        case 15: D.FrameTyp = static_cast<Word>(RP_Eng::ReadInteger(Stream)); break;
        case 16: D.ClearAsWhite = RP_Eng::ReadBoolean(Stream); break;
        case 17: D.ShowBandName = RP_Eng::ReadBoolean(Stream); break;
        case 18: D.BandNameRus = RP_Eng::ReadBoolean(Stream); break;
        case 19: D.BMasterCount = RP_Eng::ReadInteger(Stream); break;
        case 20: D.BDetailCount = RP_Eng::ReadInteger(Stream); break;
        case 21: D.BSubDetailCount = RP_Eng::ReadInteger(Stream); break;
        // Settings of older designers, no longer used.
        case 22:
        case 26:
        case 27:
        case 28:
        case 29: (void)RP_Eng::ReadInteger(Stream); break;
        case 23: (void)RP_Eng::ReadString(Stream); break;
        case 24:
        case 25: (void)RP_Eng::ReadBoolean(Stream); break;
        case 30: D.CoordMM = RP_Eng::ReadBoolean(Stream); break;
        case 31: D.CheckDimensions = RP_Eng::ReadBoolean(Stream); break;
        case 255: CheckReportLoad(RP_Eng::ReadString(Stream) == "ENDDD"); return;
        default: RaiseUnknownDataPrefix(Tag);
        }
    }
}

void TDocument::ReadPages(TStream& Stream, int Count, bool Undo)
{
    // A count the remaining bytes cannot hold is damage; refused before
    // any page is made.
    CheckReportLoad(Count <= RP_Eng::BytesLeft(Stream) / MinPageRecordBytes);
    CheckTemplateSize(Count, 0);
    Int64 ViewsRead = 0;
    for (int I = 0; I < Count; ++I)
        ReadPage(Stream, Count, Undo, ViewsRead);
}

void TDocument::ReadPage(TStream& Stream, int Count, bool Undo, Int64& ViewsRead)
{
    for (;;) {
        const Byte Tag = RP_Eng::ReadByte(Stream);
        switch (Tag) {
        case 1: CheckReportLoad(RP_Eng::ReadString(Stream) == "PAGE"); break;
        case 2: {
            // A page outside the template's page count would make up to
            // 2^31 empty pages, or none to put the elements on.
            const Integer Index = RP_Eng::ReadInteger(Stream);
            CheckReportLoad(Index >= 0 && Index < Count);
            SetPageIndex(Index);
            break;
        }
        case 3: CurrentPage()->Orientation = static_cast<Byte>(RP_Eng::ReadInteger(Stream)); break;
        case 4: CurrentPage()->PageHeaderOnFirst = RP_Eng::ReadBoolean(Stream); break;
        case 5: CurrentPage()->PrintToPrevPage = RP_Eng::ReadBoolean(Stream); break;
        case 10: {
            const Integer Views = RP_Eng::ReadInteger(Stream);
            CheckReportLoad(Views >= 0 && Views <= RP_Eng::BytesLeft(Stream) / MinViewRecordBytes);
            ViewsRead += Views;
            CheckTemplateSize(0, ViewsRead);
            for (Integer I = 0; I < Views; ++I) {
                auto* View = new TView(vkText, this);
                CurrentPage()->AddView(View);
                View->LoadFromStream(Stream, Undo);
                ReloadPicture(View);
            }
            break;
        }
        case 255: CheckReportLoad(RP_Eng::ReadString(Stream) == "ENDPG"); return;
        default: RaiseUnknownDataPrefix(Tag);
        }
    }
}

void TDocument::SaveToStream(TStream& Stream, bool Undo)
{
    const ScaleOneScope ScaleOne(*this);
    RP_Eng::WriteString(Stream, "FRDCR");
    RP_Eng::WriteIntegerTag(Stream, 1, SourceVersion);
    RP_Eng::WriteIntegerTag(Stream, 2, FCategory);
    RP_Eng::WriteStringTag(Stream, 3, FNameDocument);
    RP_Eng::WriteIntegerTag(Stream, 4, FVersion);
    RP_Eng::WriteBooleanTag(Stream, 5, DoubleOnSheet);
    RP_Eng::WriteIntegerTag(Stream, 6, MarginLeft);
    RP_Eng::WriteIntegerTag(Stream, 7, MarginTop);
    RP_Eng::WriteIntegerTag(Stream, 8, MarginRight);
    RP_Eng::WriteIntegerTag(Stream, 9, MarginBottom);
    RP_Eng::WriteIntegerTag(Stream, 15, PrinterType);
    RP_Eng::WriteStringTag(Stream, 16, PrinterName);
    RP_Eng::WriteBooleanTag(Stream, 17, PrinterPageDefaultSize);
    RP_Eng::WriteIntegerTag(Stream, 18, PrinterPageWidth);
    RP_Eng::WriteIntegerTag(Stream, 19, PrinterPageHeight);
    RP_Eng::WriteIntegerTag(Stream, 20, PrinterPageOffsetX);
    RP_Eng::WriteIntegerTag(Stream, 21, PrinterPageOffsetY);
    RP_Eng::WriteBooleanTag(Stream, 22, PrintStretchDraw);
    RP_Eng::WriteBooleanTag(Stream, 23, ViewCopyToClipboardEnable);
    RP_Eng::WriteIntegerTag(Stream, 10, PageCount());
    RP_Eng::WriteStringTag(Stream, 11, "DEFDES");
    WriteDesigner(Stream);
    RP_Eng::WriteStringTag(Stream, 12, "PAGES");
    for (int I = 0; I < PageCount(); ++I) {
        TPage& Page = *FPages[static_cast<size_t>(I)];
        RP_Eng::WriteStringTag(Stream, 1, "PAGE");
        RP_Eng::WriteIntegerTag(Stream, 2, I);
        RP_Eng::WriteIntegerTag(Stream, 3, Page.Orientation);
        RP_Eng::WriteBooleanTag(Stream, 4, Page.PageHeaderOnFirst);
        RP_Eng::WriteBooleanTag(Stream, 5, Page.PrintToPrevPage);
        RP_Eng::WriteIntegerTag(Stream, 10, Page.ViewCount());
        for (int J = 0; J < Page.ViewCount(); ++J)
            Page.GetView(J)->SaveToStream(Stream, Undo);
        RP_Eng::WriteStringTag(Stream, 255, "ENDPG");
    }
    RP_Eng::WriteStringTag(Stream, 255, "ENDFR");
    Saved = true;
}

void TDocument::WriteDesigner(TStream& Stream)
{
    const T_RPDefDesigner& D = *DefDesigner;
    RP_Eng::WriteIntegerTag(Stream, 1, D.Left);
    RP_Eng::WriteIntegerTag(Stream, 2, D.Top);
    RP_Eng::WriteIntegerTag(Stream, 3, D.Height);
    RP_Eng::WriteIntegerTag(Stream, 4, D.Width);
    RP_Eng::WriteIntegerTag(Stream, 5, D.WState);
    RP_Eng::WriteIntegerTag(Stream, 6, D.GridSize);
    RP_Eng::WriteBooleanTag(Stream, 7, D.ShowGrid);
    RP_Eng::WriteBooleanTag(Stream, 8, D.SnapToGrid);
    RP_Eng::WriteBooleanTag(Stream, 9, D.ShapeInvers);
    RP_Eng::WriteStringTag(Stream, 10, D.LabelText);
    RP_Eng::WriteStringTag(Stream, 11, D.FontName);
    RP_Eng::WriteIntegerTag(Stream, 12, D.FontSize);
    RP_Eng::WriteIntegerTag(Stream, 13, D.FontStyle);
    RP_Eng::WriteIntegerTag(Stream, 14, D.FrameWidth);
    RP_Eng::WriteIntegerTag(Stream, 15, D.FrameTyp);
    RP_Eng::WriteBooleanTag(Stream, 16, D.ClearAsWhite);
    RP_Eng::WriteBooleanTag(Stream, 17, D.ShowBandName);
    RP_Eng::WriteBooleanTag(Stream, 18, D.BandNameRus);
    RP_Eng::WriteIntegerTag(Stream, 19, D.BMasterCount);
    RP_Eng::WriteIntegerTag(Stream, 20, D.BDetailCount);
    RP_Eng::WriteIntegerTag(Stream, 21, D.BSubDetailCount);
    RP_Eng::WriteBooleanTag(Stream, 30, D.CoordMM);
    RP_Eng::WriteBooleanTag(Stream, 31, D.CheckDimensions);
    RP_Eng::WriteStringTag(Stream, 255, "ENDDD");
}

// ---- ini form ------------------------------------------------------------------------

void TDocument::LoadFromIni(TIniFile& Ini, const AnsiString& Prefix)
{
    std::unique_ptr<TDocument> Staging = MakeStaging();
    Staging->ReadIni(Ini, Prefix);
    AdoptTemplate(*Staging);
}

void TDocument::ReadIni(TIniFile& Ini, const AnsiString& Prefix)
{
    New();
    Saved = true;
    const AnsiString Doc = Prefix.IsEmpty() ? AnsiString("COMMON") : Prefix;
    (void)Ini.ReadInteger(Doc, "SourceVersion", 0);
    FCategory = Ini.ReadInteger(Doc, "Category", FCategory);
    FNameDocument = Ini.ReadQuotedString(Doc, "NameDocument", FNameDocument);
    FVersion = Ini.ReadInteger(Doc, "Version", FVersion);
    DoubleOnSheet = Ini.ReadBool(Doc, "DoubleOnSheet", DoubleOnSheet);
    MarginLeft = Ini.ReadInteger(Doc, "MarginLeft", 0);
    MarginTop = Ini.ReadInteger(Doc, "MarginTop", 0);
    MarginRight = Ini.ReadInteger(Doc, "MarginRight", 0);
    MarginBottom = Ini.ReadInteger(Doc, "MarginBottom", 0);
    if (HeaderOnly) {
        HeaderOnly = false;
        PrnTick = 0;
        return;
    }
    PrinterType = Ini.ReadInteger(Doc, "PrinterType", PrinterType);
    PrinterName = Ini.ReadQuotedString(Doc, "PrinterName", PrinterName);
    PrinterPageDefaultSize = Ini.ReadBool(Doc, "PrinterPageDefaultSize", PrinterPageDefaultSize);
    PrinterPageWidth = Ini.ReadInteger(Doc, "PrinterPageWidth", PrinterPageWidth);
    PrinterPageHeight = Ini.ReadInteger(Doc, "PrinterPageHeight", PrinterPageHeight);
    PrinterPageOffsetX = Ini.ReadInteger(Doc, "PrinterPageOffsetX", PrinterPageOffsetX);
    PrinterPageOffsetY = Ini.ReadInteger(Doc, "PrinterPageOffsetY", PrinterPageOffsetY);
    // Paper under 5 mm is no paper: the printer's own is used.
    if (PrinterPageWidth < 500 || PrinterPageHeight < 500)
        PrinterPageDefaultSize = true;
    PrintStretchDraw = Ini.ReadBool(Doc, "PrintStretchDraw", PrintStretchDraw);
    ViewCopyToClipboardEnable =
        Ini.ReadBool(Doc, "ViewCopyToClipboardEnable", ViewCopyToClipboardEnable);
    ReadIniDesigner(Ini, Prefix.IsEmpty() ? AnsiString("Designer") : Prefix + " Designer");
    UpdatePrnInfo(false);

    // Every page and every element has a section of its own, so counts
    // above the file's sections are damage; refused before pages and
    // elements are made for them.
    TStringList Sections;
    Ini.ReadSections(&Sections);
    const Integer Pages = std::max(Ini.ReadInteger(Doc, "P.Count", 0), 1);
    CheckReportLoad(Pages <= std::max(Sections.Count(), 1));
    CheckTemplateSize(Pages, 0);
    Int64 TotalViews = 0;
    for (Integer I = 0; I < Pages; ++I) {
        SetPageIndex(I);
        TPage& Page = *CurrentPage();
        const AnsiString PSect = PageSection(Prefix, I);
        Page.Orientation = static_cast<Byte>(Ini.ReadInteger(PSect, "O", 0));
        Page.PageHeaderOnFirst = Ini.ReadBool(PSect, "F", false);
        Page.PrintToPrevPage = Ini.ReadBool(PSect, "P", false);
        // Summed in 64 bits: a huge count must not wrap round past the check.
        const Integer Views = std::max(Ini.ReadInteger(PSect, "V.Count", 0), 0);
        TotalViews += Views;
        CheckReportLoad(TotalViews <= Sections.Count());
        CheckTemplateSize(0, TotalViews);
        for (Integer J = 0; J < Views; ++J) {
            const AnsiString VSect = PSect + "V" + IntToStr(J);
            // Each element is a section of its own name; other sections do
            // not make up for a missing one.
            CheckReportLoad(Ini.SectionExists(VSect));
            auto* View = new TView(static_cast<Byte>(Ini.ReadInteger(VSect, "T", 0)), this);
            Page.AddView(View);
            View->LoadFromIni(Ini, VSect);
            ReloadPicture(View);
        }
    }
    SetPageIndex(0);
    PrnTick = 0;
    FitDesignerPlacement();
}

void TDocument::ReadIniDesigner(TIniFile& Ini, const AnsiString& Section)
{
    T_RPDefDesigner& D = *DefDesigner;
    D.Left = Ini.ReadInteger(Section, "Left", D.Left);
    D.Top = Ini.ReadInteger(Section, "Top", D.Top);
    D.Height = Ini.ReadInteger(Section, "Height", D.Height);
    D.Width = Ini.ReadInteger(Section, "Width", D.Width);
    D.WState = static_cast<Byte>(Ini.ReadInteger(Section, "WState", D.WState));
    D.GridSize = Ini.ReadInteger(Section, "GridSize", D.GridSize);
    D.ShowGrid = Ini.ReadBool(Section, "ShowGrid", D.ShowGrid);
    D.SnapToGrid = Ini.ReadBool(Section, "SnapToGrid", D.SnapToGrid);
    D.ShapeInvers = Ini.ReadBool(Section, "ShapeInvers", D.ShapeInvers);
    D.LabelText = Ini.ReadQuotedString(Section, "LabelText", D.LabelText);
    D.FontName = Ini.ReadQuotedString(Section, "FontName", D.FontName);
    D.FontSize = Ini.ReadInteger(Section, "FontSize", D.FontSize);
    D.FontStyle = static_cast<Word>(Ini.ReadInteger(Section, "FontStyle", D.FontStyle));
    D.FrameWidth = Ini.ReadInteger(Section, "FrameWidth", D.FrameWidth);
    D.FrameTyp = static_cast<Word>(Ini.ReadInteger(Section, "FrameTyp", D.FrameTyp));
    D.ClearAsWhite = Ini.ReadBool(Section, "ClearAsWhite", D.ClearAsWhite);
    D.ShowBandName = Ini.ReadBool(Section, "ShowBandName", D.ShowBandName);
    D.BandNameRus = Ini.ReadBool(Section, "BandNameRus", D.BandNameRus);
    D.BMasterCount = Ini.ReadInteger(Section, "BMasterCount", D.BMasterCount);
    D.BDetailCount = Ini.ReadInteger(Section, "BDetailCount", D.BDetailCount);
    D.BSubDetailCount = Ini.ReadInteger(Section, "BSubDetailCount", D.BSubDetailCount);
    D.CoordMM = Ini.ReadBool(Section, "CoordMM", D.CoordMM);
    D.CheckDimensions = Ini.ReadBool(Section, "CheckDimensions", D.CheckDimensions);
}

void TDocument::SaveToIni(TIniFile& Ini, const AnsiString& Prefix)
{
    const ScaleOneScope ScaleOne(*this);
    if (IniRewrite) {
        IniRewrite = false;
        Ini.Clear();
        Ini.WriteInteger(SIniHeaderSection, "Version", SourceVersion);
    }
    const AnsiString Doc = Prefix.IsEmpty() ? AnsiString("COMMON") : Prefix;
    Ini.EraseSection(Doc);
    Ini.WriteInteger(Doc, "SourceVersion", SourceVersion);
    Ini.WriteInteger(Doc, "Category", FCategory);
    Ini.WriteQuotedString(Doc, "NameDocument", FNameDocument);
    Ini.WriteInteger(Doc, "Version", FVersion);
    Ini.WriteBool(Doc, "DoubleOnSheet", DoubleOnSheet);
    Ini.WriteInteger(Doc, "MarginLeft", MarginLeft);
    Ini.WriteInteger(Doc, "MarginTop", MarginTop);
    Ini.WriteInteger(Doc, "MarginRight", MarginRight);
    Ini.WriteInteger(Doc, "MarginBottom", MarginBottom);
    Ini.WriteInteger(Doc, "PrinterType", PrinterType);
    Ini.WriteQuotedString(Doc, "PrinterName", PrinterName);
    Ini.WriteBool(Doc, "PrinterPageDefaultSize", PrinterPageDefaultSize);
    Ini.WriteInteger(Doc, "PrinterPageWidth", PrinterPageWidth);
    Ini.WriteInteger(Doc, "PrinterPageHeight", PrinterPageHeight);
    Ini.WriteInteger(Doc, "PrinterPageOffsetX", PrinterPageOffsetX);
    Ini.WriteInteger(Doc, "PrinterPageOffsetY", PrinterPageOffsetY);
    Ini.WriteBool(Doc, "PrintStretchDraw", PrintStretchDraw);
    Ini.WriteBool(Doc, "ViewCopyToClipboardEnable", ViewCopyToClipboardEnable);
    Ini.WriteInteger(Doc, "P.Count", PageCount());
    WriteIniDesigner(Ini, Prefix.IsEmpty() ? AnsiString("Designer") : Prefix + " Designer");
    for (int I = 0; I < PageCount(); ++I) {
        TPage& Page = *FPages[static_cast<size_t>(I)];
        const AnsiString PSect = PageSection(Prefix, I);
        Ini.EraseSection(PSect);
        Ini.WriteInteger(PSect, "O", Page.Orientation);
        Ini.WriteBool(PSect, "F", Page.PageHeaderOnFirst);
        Ini.WriteBool(PSect, "P", Page.PrintToPrevPage);
        Ini.WriteInteger(PSect, "V.Count", Page.ViewCount());
        for (int J = 0; J < Page.ViewCount(); ++J)
            Page.GetView(J)->SaveToIni(Ini, PSect + "V" + IntToStr(J));
    }
    Saved = true;
}

void TDocument::WriteIniDesigner(TIniFile& Ini, const AnsiString& Section)
{
    const T_RPDefDesigner& D = *DefDesigner;
    Ini.WriteInteger(Section, "Left", D.Left);
    Ini.WriteInteger(Section, "Top", D.Top);
    Ini.WriteInteger(Section, "Height", D.Height);
    Ini.WriteInteger(Section, "Width", D.Width);
    Ini.WriteInteger(Section, "WState", D.WState);
    Ini.WriteInteger(Section, "GridSize", D.GridSize);
    Ini.WriteBool(Section, "ShowGrid", D.ShowGrid);
    Ini.WriteBool(Section, "SnapToGrid", D.SnapToGrid);
    Ini.WriteBool(Section, "ShapeInvers", D.ShapeInvers);
    Ini.WriteQuotedString(Section, "LabelText", D.LabelText);
    Ini.WriteQuotedString(Section, "FontName", D.FontName);
    Ini.WriteInteger(Section, "FontSize", D.FontSize);
    Ini.WriteInteger(Section, "FontStyle", D.FontStyle);
    Ini.WriteInteger(Section, "FrameWidth", D.FrameWidth);
    Ini.WriteInteger(Section, "FrameTyp", D.FrameTyp);
    Ini.WriteBool(Section, "ClearAsWhite", D.ClearAsWhite);
    Ini.WriteBool(Section, "ShowBandName", D.ShowBandName);
    Ini.WriteBool(Section, "BandNameRus", D.BandNameRus);
    Ini.WriteInteger(Section, "BMasterCount", D.BMasterCount);
    Ini.WriteInteger(Section, "BDetailCount", D.BDetailCount);
    Ini.WriteInteger(Section, "BSubDetailCount", D.BSubDetailCount);
    Ini.WriteBool(Section, "CoordMM", D.CoordMM);
    Ini.WriteBool(Section, "CheckDimensions", D.CheckDimensions);
}

// ---- recognition and names -------------------------------------------------------------

bool TDocument::DetectFormat(TStream& Stream, bool AsIni)
{
    const Int64 Start = Stream.Position();
    char Buf[SniffBytes];
    const int Read = Stream.Read(Buf, SniffBytes);
    Stream.SetPosition(Start);
    if (Read < SniffMinBytes)
        return false;
    const std::string_view Bytes(Buf, static_cast<size_t>(Read));
    const size_t R = Bytes.find('R');
    const int I = R == std::string_view::npos ? SniffBytes : static_cast<int>(R);
    if (I > 24)
        return false;
    const auto UpToZero = [](std::string_view S) { return S.substr(0, S.find('\0')); };
    if (AsIni) {
        const size_t From = static_cast<size_t>(I > 0 ? I - 1 : 0);
        const std::string_view Text = UpToZero(Bytes.substr(From));
        const std::string_view Header = "[Report Description File]";
        const size_t At = Text.find(Header);
        if (At == std::string_view::npos || At + Header.size() >= Text.size())
            return false;
        const char After = Text[At + Header.size()];
        return After == '\n' || After == '\r';
    }
    const size_t Len = std::min(Bytes.size(), static_cast<size_t>(SniffBytes - I));
    const std::string_view Text = UpToZero(Bytes.substr(0, Len));
    const bool Both = Text.find(SFileHeader) != std::string_view::npos &&
                      Text.find("FRDCR") != std::string_view::npos;
    // Older files begin with the string "FRDCR" itself: prefix, length, text.
    return Both || Text.find("FRDCR") == 2;
}

bool TDocument::IsCfgFile0(const AnsiString& FileName, int tip)
{
    const AnsiString Name = GetTemplateFileName(FileName, false);
    if (!FileExists(Name))
        return false;
    if (tip >= 3)
        throw Exception("IsCfgFile0: Неправильный параметр tip"_a);
    TFileStream File(Name, fmOpenRead | fmShareDenyWrite);
    if ((tip == 0 || tip == 1) && DetectFormat(File, false))
        return true;
    return (tip == 0 || tip == 2) && DetectFormat(File, true);
}

AnsiString TDocument::GetTemplateFileName(const AnsiString& FileName, bool AsIni)
{
    AnsiString Result = FileName.IsEmpty() ? FNameSaveFile : FileName;
    if (ExtractFileExt(Result).IsEmpty() && !Exists(FileName))
        Result += AsIni ? ".dcf" : ".dcr";
    // Templates are named as users typed them; the disk may spell them
    // in another case.
    return OnDisk(Result);
}

AnsiString TDocument::DefaultExt() const
{
    return FDefSaveAsIni ? ".dcf" : ".dcr";
}

// ---- files ----------------------------------------------------------------------------------

void TDocument::LoadFromBinaryFile(const AnsiString& FileName)
{
    const AnsiString Name = GetTemplateFileName(FileName, false);
    if (!IsBinCfgFile(Name))
        RaiseNotConfigFile();
    TFileStream File(Name, fmOpenRead | fmShareDenyWrite);
    ReadBinaryFile(File, Name);
}

void TDocument::ReadBinaryFile(TStream& File, const AnsiString& Name)
{
    std::unique_ptr<TDocument> Staging = MakeStaging();
    Staging->FNameSaveFile = Name;
    Staging->ReadBinary(File, false);
    AdoptTemplate(*Staging);
    FNameSaveFile = Name;
}

void TDocument::SaveToBinaryFile(const AnsiString& FileName)
{
    AnsiString Name = GetTemplateFileName(FileName, false);
    if (DesignerOpen)
        OnSaveDesign(this, Name);
    if (ReadOnly)
        return;
    // Through a temporary file, so a failed write keeps the old template.
    SaveDataFile(Name, [this](TStream& Stream) {
        RP_Eng::WriteString(Stream, SFileHeader);
        SaveToStream(Stream, false);
    });
    FNameSaveFile = Name;
}

void TDocument::LoadFromIniFile(const AnsiString& FileName)
{
    const AnsiString Name = GetTemplateFileName(FileName, true);
    if (!IsIniCfgFile(Name))
        RaiseNotConfigFile();
    TIniFile Ini(Name);
    Ini.SetAutoSave(false);
    std::unique_ptr<TDocument> Staging = MakeStaging();
    Staging->FNameSaveFile = Name;
    Staging->ReadIni(Ini, "");
    AdoptTemplate(*Staging);
    FNameSaveFile = Name;
}

void TDocument::SaveToIniFile(const AnsiString& FileName)
{
    AnsiString Name = GetTemplateFileName(FileName, true);
    if (DesignerOpen)
        OnSaveDesign(this, Name);
    if (ReadOnly)
        return;
    TIniFile Ini(Name);
    // Written here, so that a failure is raised rather than only logged
    // when the object is freed.
    Ini.SetAutoSave(false);
    Ini.Clear();
    {
        const FlagScope Rewrite(IniRewrite);
        SaveToIni(Ini, "");
    }
    Ini.UpdateFile();
    FNameSaveFile = Name;
}

bool TDocument::LoadHeaderFromFile(const AnsiString& FileName)
{
    // The menus read the headers of all the templates at a start: the file
    // is opened once, recognised and read through the same stream.
    const AnsiString Name = GetTemplateFileName(FileName, false);
    if (!FileExists(Name))
        return false;
    TFileStream File(Name, fmOpenRead | fmShareDenyWrite);
    if (!DetectFormat(File, false))
        return false;
    const FlagScope Header(HeaderOnly);
    ReadBinaryFile(File, Name);
    return true;
}

void TDocument::LoadFromAnyStream(TStream& Stream)
{
    if (!DetectFormat(Stream, true)) {
        LoadFromStream(Stream, false);
        return;
    }
    AnsiString Text;
    Text.SetLength(static_cast<int>(RP_Eng::BytesLeft(Stream)));
    if (Text.Length() > 0)
        Stream.ReadBuffer(Text.Data(), Text.Length());
    TStringList Lines;
    Lines.SetText(Text);
    TIniFile Ini(/*InMemory=*/true, "");
    Ini.SetStrings(&Lines);
    LoadFromIni(Ini, "");
}

void TDocument::Load()
{
    if (ExtractFileExt(FNameSaveFile).IsEmpty() && !Exists(FNameSaveFile)) {
        const AnsiString Default = FNameSaveFile + DefaultExt();
        const AnsiString Other = FNameSaveFile + (FDefSaveAsIni ? ".dcr" : ".dcf");
        FNameSaveFile = !Exists(Default) && Exists(Other) ? Other : Default;
    }
    if (DesignerOpen && !Exists(FNameSaveFile))
        return;
    if (OnLoadBegin && OnLoadEnd) {
        TStream* sm = nullptr;
        try {
            DoLoadBegin(sm);
            // The host may hold a template of either form in memory.
            if (sm)
                LoadFromAnyStream(*sm);
        } catch (const Exception&) {
            OnLoadEnd(this);
            throw;
        }
        OnLoadEnd(this);
        if (sm)
            return;
    }
    if (IsIniCfgFile(FNameSaveFile))
        LoadFromIniFile(FNameSaveFile);
    else
        LoadFromBinaryFile(FNameSaveFile);
}

void TDocument::Save()
{
    if (OnSaveBegin && OnSaveEnd) {
        TStream* sm = nullptr;
        try {
            DoSaveBegin(sm);
            if (sm)
                SaveToStream(*sm, false);
        } catch (const Exception&) {
            OnSaveEnd(this);
            throw;
        }
        OnSaveEnd(this);
        if (sm)
            return;
    }
    AnsiString Name = FNameSaveFile;
    if (ExtractFileExt(Name).IsEmpty()) {
        const AnsiString Default = FNameSaveFile + DefaultExt();
        const AnsiString Other = FNameSaveFile + (FDefSaveAsIni ? ".dcr" : ".dcf");
        Name = !Exists(Default) && Exists(Other) ? Other : Default;
    }
    SaveToFileOfName(Name);
}

void TDocument::SaveToFileOfName(const AnsiString& Name)
{
    // An existing file keeps its form; a new one is binary only by its
    // extension.
    const bool Binary =
        Exists(Name) ? IsBinCfgFile(Name) : AnsiUpperCase(ExtractFileExt(Name)) == ".DCR";
    if (Binary)
        SaveToBinaryFile(Name);
    else
        SaveToIniFile(Name);
}

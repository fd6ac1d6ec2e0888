#include "common/reports/RP_Document.h"

#include "common/reports/RP_Page.h"
#include "common/reports/RP_View.h"

#include "common/base/Funcs.h"
#include "platform/classes/Lists.h"
#include "platform/classes/Strings.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/StrUtils.h"
#include "platform/rtl/Ticks.h"

#include <cassert>
#include <map>

namespace {

ReportPrinter* gPrinterPort = nullptr;

// What each printer of the installed port reported, by printer index, with
// the tick it was read at.
struct CachedCaps {
    PrinterCaps Caps[2];
    Cardinal Tick = 0;
};
std::map<int, CachedCaps>& CapsCache()
{
    static std::map<int, CachedCaps> Cache;
    return Cache;
}

// Fallback device capabilities: A4 at 600 dpi, portrait and landscape.
constexpr PrinterCaps FallbackCaps[2] = {
    {600, 600, 4960, 7015, 142, 100, 4676, 6815},
    {600, 600, 7015, 4960, 118, 100, 6779, 4760},
};

// How long printer metrics are trusted without asking the printer again.
constexpr Cardinal PrnInfoLifeMs = 60000;

}  // namespace

void InstallReportPrinter(ReportPrinter* Port)
{
    gPrinterPort = Port;
    CapsCache().clear();
}

ReportPrinter* InstalledReportPrinter()
{
    return gPrinterPort;
}

// ---- TPrnInfo ---------------------------------------------------------------

PRICETAGS_DEFINE_CLASS(TPrnInfo)

TPrnInfo::~TPrnInfo() = default;

void TPrnInfo::Fill(const PrinterCaps& Caps)
{
    if (Caps.LogPixelsX < 5)
        throw Exception("prn.LogPixelsX = 0");
    if (Caps.LogPixelsY < 5)
        throw Exception("prn.LogPixelsY = 0");
    LogPixelsX = Caps.LogPixelsX;
    LogPixelsY = Caps.LogPixelsY;
    ScaleX = 96.0 / LogPixelsX;
    ScaleY = 96.0 / LogPixelsY;
    PhysWidth = Caps.PhysWidth;
    PhysHeight = Caps.PhysHeight;
    PhysOffsetX = Caps.PhysOffsetX;
    PhysOffsetY = Caps.PhysOffsetY;
    HorzRes = Caps.HorzRes;
    VertRes = Caps.VertRes;
    PageWidth = static_cast<Integer>(Round(PhysWidth * ScaleX));
    PageHeight = static_cast<Integer>(Round(PhysHeight * ScaleY));
    OffsetX = static_cast<Integer>(Round(PhysOffsetX * ScaleX));
    OffsetY = static_cast<Integer>(Round(PhysOffsetY * ScaleY));
    PrintWidth = static_cast<Integer>(Round(HorzRes * ScaleX));
    PrintHeight = static_cast<Integer>(Round(VertRes * ScaleY));
}

void TPrnInfo::SetFallback(Byte Orientation)
{
    Fill(FallbackCaps[Orientation == 0 ? 0 : 1]);
}

// ---- TPageInfo, T_RPDefDesigner ----------------------------------------------

PRICETAGS_DEFINE_CLASS(T_RPDefDesigner)

T_RPDefDesigner::T_RPDefDesigner()
{
    SetDefaults();
}

T_RPDefDesigner::~T_RPDefDesigner() = default;

void T_RPDefDesigner::SetDefaults()
{
    Left = 10;
    Top = 10;
    Height = 470;
    Width = 590;
    WState = 2;
    GridSize = 4;
    ShowGrid = true;
    SnapToGrid = true;
    ShapeInvers = false;
    LabelText = "Text";
    FontName = "Arial";
    FontSize = 10;
    FontStyle = 0;
    LabelAlignment = 0;
    LabelVertCenter = false;
    LabelWordWrap = false;
    LabelVertical = false;
    FrameWidth = 1;
    FrameTyp = 0;
    ShowBandName = true;
    BandNameRus = true;
    CoordMM = false;
    CheckDimensions = true;
    BMasterCount = 3;
    BDetailCount = 3;
    BSubDetailCount = 2;
}

void T_RPDefDesigner::AssignFrom(const T_RPDefDesigner& Source)
{
    Left = Source.Left;
    Top = Source.Top;
    Height = Source.Height;
    Width = Source.Width;
    WState = Source.WState;
    GridSize = Source.GridSize;
    ShowGrid = Source.ShowGrid;
    SnapToGrid = Source.SnapToGrid;
    ShapeInvers = Source.ShapeInvers;
    LabelText = Source.LabelText;
    FontName = Source.FontName;
    FontSize = Source.FontSize;
    FontStyle = Source.FontStyle;
    LabelAlignment = Source.LabelAlignment;
    LabelVertCenter = Source.LabelVertCenter;
    LabelWordWrap = Source.LabelWordWrap;
    LabelVertical = Source.LabelVertical;
    FrameWidth = Source.FrameWidth;
    FrameTyp = Source.FrameTyp;
    ClearAsWhite = Source.ClearAsWhite;
    ShowBandName = Source.ShowBandName;
    BandNameRus = Source.BandNameRus;
    CoordMM = Source.CoordMM;
    CheckDimensions = Source.CheckDimensions;
    BMasterCount = Source.BMasterCount;
    BDetailCount = Source.BDetailCount;
    BSubDetailCount = Source.BSubDetailCount;
}

// ---- TDocument -----------------------------------------------------------------

PRICETAGS_DEFINE_CLASS(TDocument,
    Property("Margins", &TDocument::Margins, &TDocument::SetMargins),
    Property("Title", &TDocument::Title, &TDocument::SetTitle),
    Property("Variables", &TDocument::Variables, &TDocument::SetVariables),
    Property("NameDocument", &TDocument::NameDocument, &TDocument::SetNameDocument),
    Property("NameSaveFile", &TDocument::NameSaveFile, &TDocument::SetNameSaveFile),
    Property("Category", &TDocument::Category, &TDocument::SetCategory),
    Property("Version", &TDocument::Version, &TDocument::SetVersion),
    Property("Charset", &TDocument::Charset, &TDocument::SetCharset),
    Property("DefSaveAsIni", &TDocument::DefSaveAsIni, &TDocument::SetDefSaveAsIni),
    Property("OnBeginDoc", &TDocument::OnBeginDoc, &TDocument::OnBeginDoc),
    Property("OnEndDoc", &TDocument::OnEndDoc, &TDocument::OnEndDoc),
    Property("OnBeginPage", &TDocument::OnBeginPage, &TDocument::OnBeginPage),
    Property("OnEndPage", &TDocument::OnEndPage, &TDocument::OnEndPage),
    Property("OnGetValue", &TDocument::OnGetValue, &TDocument::OnGetValue),
    Property("OnEnterRect", &TDocument::OnEnterRect, &TDocument::OnEnterRect),
    Property("OnOwnerDraw", &TDocument::OnOwnerDraw, &TDocument::OnOwnerDraw),
    Property("OnNeedData", &TDocument::OnNeedData, &TDocument::OnNeedData),
    Property("OnProgress", &TDocument::OnProgress, &TDocument::OnProgress),
    Property("OnBegDesign", &TDocument::OnBegDesign, &TDocument::OnBegDesign),
    Property("OnEndDesign", &TDocument::OnEndDesign, &TDocument::OnEndDesign),
    Property("OnBegPrintView", &TDocument::OnBegPrintView, &TDocument::OnBegPrintView),
    Property("OnEndPrintView", &TDocument::OnEndPrintView, &TDocument::OnEndPrintView),
    Property("OnLoadBegin", &TDocument::OnLoadBegin, &TDocument::OnLoadBegin),
    Property("OnSaveBegin", &TDocument::OnSaveBegin, &TDocument::OnSaveBegin),
    Property("OnLoadEnd", &TDocument::OnLoadEnd, &TDocument::OnLoadEnd),
    Property("OnSaveEnd", &TDocument::OnSaveEnd, &TDocument::OnSaveEnd),
    Property("OnSaveDesign", &TDocument::OnSaveDesign, &TDocument::OnSaveDesign),
    Property("OnSetPrinterEvent", &TDocument::OnSetPrinterEvent,
             &TDocument::OnSetPrinterEvent))

TDocument::TDocument(TComponent* AOwner)
    : TComponent(AOwner), DefDesigner(std::make_unique<T_RPDefDesigner>()),
      FVariables(std::make_unique<TStringList>())
{
    FPrnInfo[0] = std::make_unique<TPrnInfo>();
    FPrnInfo[1] = std::make_unique<TPrnInfo>();
    SetPageIndex(0);
}

TDocument::~TDocument()
{
    CloseOpenDesigner();
    CloseOpenPrintView();
    Clear();
}

bool TDocument::Margins() const
{
    return MarginLeft != 0 || MarginRight != 0 || MarginTop != 0 || MarginBottom != 0;
}

TStrings* TDocument::Variables() const
{
    return FVariables.get();
}

void TDocument::SetVariables(TStrings* Value)
{
    FVariables->Assign(Value);
}

AnsiString TDocument::NameDocument() const
{
    return FNameDocument.IsEmpty() ? FTitle : FNameDocument;
}

void TDocument::SetNameSaveFile(const AnsiString& Value)
{
    if (Value != FNameSaveFile)
        FNameSaveFile = Value;
}

void TDocument::Clear()
{
    ClearPageInfos();
    FPages.clear();
    FPageIndex = -1;
    DefDesigner->SetDefaults();
}

void TDocument::New()
{
    Clear();
    SetPageIndex(0);
}

int TDocument::AddPage(Byte AOrientation)
{
    FPages.push_back(std::make_unique<TPage>(AOrientation, this));
    return PageCount() - 1;
}

void TDocument::DeletePage(int Index)
{
    assert(Index >= 0 && Index < PageCount() && "a page of the template");
    FPages.erase(FPages.begin() + Index);
    if (FPageIndex >= PageCount())
        FPageIndex = PageCount() - 1;
}

TPage* TDocument::GetPage(int Index) const
{
    if (Index < 0 || Index >= PageCount())
        TList::Error("List index out of bounds (%d)", Index);
    return FPages[static_cast<size_t>(Index)].get();
}

void TDocument::SetPageIndex(int i)
{
    assert(i >= 0 && "a page index is never negative");
    while (PageCount() <= i)
        AddPage(0);
    FPageIndex = i;
}

TPage* TDocument::CurrentPage() const
{
    if (FPageIndex < 0 || FPageIndex >= PageCount())
        return nullptr;
    return FPages[static_cast<size_t>(FPageIndex)].get();
}

int TDocument::SelectedCount() const
{
    TPage* Page = CurrentPage();
    return Page ? Page->GetSelectedCount() : 0;
}

void TDocument::SetScale(Extended Value)
{
    if (Value == FScale)
        return;
    FScale = Value;
    for (const auto& Page : FPages)
        for (int I = 0; I < Page->ViewCount(); ++I)
            Page->GetView(I)->InvalidatePixelCache();
}

AnsiString TDocument::BandName(int b) const
{
    return BandTypeName(b, DefDesigner->BandNameRus);
}

void TDocument::ClearPageInfos()
{
    FPageInfos.clear();
}

TPageInfo* TDocument::AddPageInfo()
{
    FPageInfos.push_back(std::make_unique<TPageInfo>());
    return FPageInfos.back().get();
}

void TDocument::AdoptPageInfo(std::unique_ptr<TPageInfo> Page)
{
    FPageInfos.push_back(std::move(Page));
}

TPageInfo* TDocument::GetPageInfo(int i) const
{
    if (i < 0 || i >= PageInfoCount())
        TList::Error("List index out of bounds (%d)", i);
    return FPageInfos[static_cast<size_t>(i)].get();
}

// ---- printer metrics ------------------------------------------------------------

TPrnInfo* TDocument::PrnInfo(int Orientation) const
{
    return FPrnInfo[Orientation == 0 ? 0 : 1].get();
}

void TDocument::SelectPrinter()
{
    if (!gPrinterPort)
        return;
    if (OnSetPrinterEvent && OnSetPrinterEvent(this, PrinterType, PrinterName)) {
        PrnIndex = gPrinterPort->PrinterIndex();
        return;
    }
    const bool Named = PrinterType < 0 && gPrinterPort->SelectNamed(PrinterName);
    if (!Named && gPrinterPort->PrinterIndex() != DefaultPrinterIndex) {
        gPrinterPort->SelectDefault();
        DefaultPrinterIndex = gPrinterPort->PrinterIndex();
    }
    PrnIndex = gPrinterPort->PrinterIndex();
}

void TDocument::RefreshPrnInfo(bool Force)
{
    if (!gPrinterPort) {
        FPrnInfo[0]->SetFallback(0);
        FPrnInfo[1]->SetFallback(1);
        PrnIndex = -2;
        return;
    }
    // Every document of the process shares what one printer reported in
    // the last minute: a template load or another document does not make
    // the printer switch orientations again.
    std::map<int, CachedCaps>& Cache = CapsCache();
    try {
        SelectPrinter();
        const int Index = gPrinterPort->PrinterIndex();
        auto It = Cache.find(Index);
        if (Force || It == Cache.end() || TickPassed(It->second.Tick + PrnInfoLifeMs)) {
            CachedCaps Fresh;
            Fresh.Caps[1] = gPrinterPort->ReadCaps(1);
            Fresh.Caps[0] = gPrinterPort->ReadCaps(0);
            Fresh.Tick = GetTickCount();
            // Checked before it is kept, so unusable metrics are read again.
            TPrnInfo Check;
            Check.Fill(Fresh.Caps[0]);
            Check.Fill(Fresh.Caps[1]);
            It = Cache.insert_or_assign(Index, Fresh).first;
        }
        FPrnInfo[1]->Fill(It->second.Caps[1]);
        FPrnInfo[0]->Fill(It->second.Caps[0]);
        PrnIndex = Index;
    } catch (const Exception&) {
        // The pages are still laid out, on the fallback paper; the caller
        // learns why.
        FPrnInfo[0]->SetFallback(0);
        FPrnInfo[1]->SetFallback(1);
        PrnIndex = -2;
        throw;
    }
}

void TDocument::UpdatePrnInfo(bool Force)
{
    const bool PrinterChanged =
        gPrinterPort && PrnIndex != -2 && gPrinterPort->PrinterIndex() != PrnIndex;
    const auto TakeExtent = [this] {
        const TPage* Page = CurrentPage();
        GetPageExtent(Page ? Page->Orientation : 0, PageWidth, OffsetY, OffsetX, PageHeight);
        PrnTick = GetTickCount();
    };
    if (Force || PrnTick == 0 || PrinterChanged || TickPassed(PrnTick + PrnInfoLifeMs)) {
        try {
            RefreshPrnInfo(Force);
        } catch (const Exception&) {
            // The fallback paper stands until the next period.
            TakeExtent();
            throw;
        }
    }
    TakeExtent();
}

void TDocument::GetPageExtent(Byte Orientation, int& APageWidth, int& AOffsetY, int& AOffsetX,
                              int& APageHeight)
{
    TPrnInfo& P = *PrnInfo(Orientation);
    // Templates give their own paper from 5 mm up.
    if (!PrinterPageDefaultSize && PrinterPageWidth >= 500 && PrinterPageHeight >= 500) {
        P.OffsetX = HundredthsMMToPixels(PrinterPageOffsetX);
        P.OffsetY = HundredthsMMToPixels(PrinterPageOffsetY);
        P.PageWidth = HundredthsMMToPixels(PrinterPageWidth);
        P.PageHeight = HundredthsMMToPixels(PrinterPageHeight);
        P.PrintWidth = P.PageWidth - 2 * P.OffsetX;
        P.PrintHeight = P.PageHeight - 2 * P.OffsetY;
    }
    APageWidth = P.PageWidth;
    AOffsetY = P.OffsetY;
    AOffsetX = P.OffsetX;
    APageHeight = P.PageHeight;
}

// ---- data for the build -------------------------------------------------------------

void TDocument::GetSystemValue(TBandType b, const AnsiString& ParName, AnsiString& ParValue)
{
    const AnsiString N = AnsiUpperCase(ParName);
    if (N == "NAMEDOCUMENT")
        ParValue = NameDocument();
    else if (N == "REPORTTITLE")
        ParValue = FTitle;
    else if (N == "DATE")
        ParValue = DateToStr(Date());
    else if (N == "TIME")
        ParValue = TimeToStr(Now());
    else if (N == "DATETIME")
        ParValue = DateTimeToStr(Now());
    else if (N == "PAGENUMBER" || N == "PAGE")
        ParValue = IntToStr(PageNo + 1);
    else if (N == "LINEMASTER")
        ParValue = IntToStr(LineMaster);
    else if (N == "LINEDETAIL")
        ParValue = IntToStr(LineDetail);
    else if (N == "LINESUBDETAIL")
        ParValue = IntToStr(LineSubDetail);
    else if (N == "LINEDETAILTOTAL")
        ParValue = IntToStr(LineDetailTotal);
    else if (N == "LINESUBDETAILTOTAL")
        ParValue = IntToStr(LineSubDetailTotal);
    else if (N == "LINE" || N == "N" || N == "NN") {
        if (b == btDetailData || b == btSubDetailHeader || b == btSubDetailFooter)
            ParValue = IntToStr(LineDetail);
        else if (b == btSubDetailData)
            ParValue = IntToStr(LineSubDetail);
        else
            ParValue = IntToStr(LineMaster);
    }
}

void TDocument::DoBeginDoc()
{
    OnBeginDoc(this);
}

void TDocument::DoBeginPage(int pg, TStringList* MasterMemo, TStringList* DetailMemo,
                            TStringList* SubDetailMemo)
{
    LineMaster = LineDetail = LineSubDetail = LineDetailTotal = LineSubDetailTotal = 0;
    if (OnBeginPage) {
        OnBeginPage(this, pg, MasterMemo, DetailMemo, SubDetailMemo);
    } else if (SamplePreview) {
        SampleMaster = DefDesigner->BMasterCount;
        SampleDetail = DefDesigner->BDetailCount;
        SampleSubDetail = DefDesigner->BSubDetailCount;
    }
}

void TDocument::DoNeedData(TBandType b, bool& NeedMore)
{
    if (OnNeedData) {
        OnNeedData(this, b, NeedMore);
    } else if (SamplePreview) {
        if (b == btMasterData) {
            --SampleMaster;
            NeedMore = SampleMaster >= 0;
            SampleDetail = DefDesigner->BDetailCount;
        } else if (b == btDetailData) {
            --SampleDetail;
            NeedMore = SampleDetail >= 0;
            SampleSubDetail = DefDesigner->BSubDetailCount;
        } else if (b == btSubDetailData) {
            --SampleSubDetail;
            NeedMore = SampleSubDetail >= 0;
        }
    }
    if (!NeedMore)
        return;
    if (b == btMasterData) {
        ++LineMaster;
        LineDetail = LineSubDetail = 0;
    } else if (b == btDetailData) {
        ++LineDetail;
        ++LineDetailTotal;
        LineSubDetail = 0;
    } else if (b == btSubDetailData) {
        ++LineSubDetail;
        ++LineSubDetailTotal;
    }
}

void TDocument::DoGetValue(TBandType b, const AnsiString& ParName, AnsiString& ParValue)
{
    OnGetValue(this, b, ParName, ParValue);
    if (ParValue == VarNotAnswered)
        GetSystemValue(b, ParName, ParValue);
}

void TDocument::DoProgress(int n)
{
    OnProgress(this, n);
}

void TDocument::DoLoadBegin(TStream*& sm)
{
    sm = nullptr;
    OnLoadBegin(this, FNameSaveFile, sm);
}

void TDocument::DoSaveBegin(TStream*& sm)
{
    sm = nullptr;
    OnSaveBegin(this, FNameSaveFile, sm);
}

// ---- ScaleOneScope ------------------------------------------------------------------

ScaleOneScope::ScaleOneScope(TDocument& Doc) : FDoc(Doc), FSaved(Doc.Scale())
{
    FDoc.SetScale(1.0);
}

ScaleOneScope::~ScaleOneScope()
{
    FDoc.SetScale(FSaved);
}

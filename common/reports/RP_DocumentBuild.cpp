// Building output pages from the template pages, the print-area check and
// printing.

#include "common/reports/RP_Document.h"

#include "common/reports/RP_Page.h"
#include "common/reports/RP_View.h"

#include "platform/classes/Strings.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Graphics.h"
#include "platform/forms/Metafiles.h"
#include "platform/winapi/Windows.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Numbers.h"

#include <algorithm>
#include <climits>
#include <vector>

namespace {

ReportPrintJob* gPrintJob = nullptr;

bool Inside(const TRect& R, const TRect& Area)
{
    return R.Left >= Area.Left && R.Right <= Area.Right && R.Top >= Area.Top &&
           R.Bottom <= Area.Bottom;
}

bool WhollyOutside(const TRect& R, const TRect& Area)
{
    return R.Left >= Area.Right || R.Right <= Area.Left || R.Top >= Area.Bottom ||
           R.Bottom <= Area.Top;
}

int RoundInt(Extended Value)
{
    return static_cast<int>(Round(Value));
}

// A printer that cannot give its metrics: a build goes on with the
// fallback paper after telling the operator; a print job stops.
void UpdateMetricsOrReport(TDocument& Doc)
{
    try {
        Doc.UpdatePrnInfo(false);
    } catch (const Exception& E) {
        const AnsiString Text =
            "Не установлен принтер по умолчанию или ошибка драйвера принтера"_a +
            "\r\n\r\n\t" + "Ошибка Windows: "_a + "\r\n" + E.Message;
        if (Doc.Printing)
            throw Exception(Text);
        Application->MessageBox(Text, "Printer error", MB_OK);
    }
}

}  // namespace

void InstallReportPrintJob(ReportPrintJob* Job)
{
    gPrintJob = Job;
}

ReportPrintJob* InstalledReportPrintJob()
{
    return gPrintJob;
}

// ---- TPageInfo ------------------------------------------------------------------------

PRICETAGS_DEFINE_CLASS(TPageInfo)

TPageInfo::TPageInfo() = default;

TPageInfo::~TPageInfo()
{
    // The canvas hands its records to the metafile as it goes.
    FCanvas.reset();
}

void TPageInfo::NewDrawing(int Width, int Height)
{
    FCanvas.reset();
    FMetafile = std::make_unique<TMetafile>();
    FMetafile->SetWidth(std::max(Width, 1));
    FMetafile->SetHeight(std::max(Height, 1));
    FCanvas = std::make_unique<TMetafileCanvas>(FMetafile.get(), nullptr);
}

TCanvas* TPageInfo::Canvas() const
{
    return FCanvas.get();
}

void TPageInfo::SetMetafile(std::unique_ptr<TMetafile> Value)
{
    FCanvas.reset();
    FMetafile = std::move(Value);
}

void TPageInfo::CloseCanvas()
{
    FCanvas.reset();
}

int TPageInfo::DrawingWidth() const
{
    return FMetafile ? FMetafile->Width() : 0;
}

int TPageInfo::DrawingHeight() const
{
    return FMetafile ? FMetafile->Height() : 0;
}

bool TPageInfo::PlayOn(HDC Target) const
{
    return FMetafile &&
           PlayEnhMetaFile(Target, FMetafile.get(), Rect(0, 0, DrawingWidth(), DrawingHeight()));
}

void TPageInfo::ScaleRect(TRect& R) const
{
    if (!OutsidePrint || PrintWidth <= 0 || PrintHeight <= 0)
        return;
    // Each axis by its own scale: a printer's resolution need not be square.
    const Extended KX = static_cast<Extended>(R.Right - R.Left) / PrintWidth;
    const Extended KY = static_cast<Extended>(R.Bottom - R.Top) / PrintHeight;
    const int DX = MinX < 0 ? -MinX : 0;
    const int DY = MinY < 0 ? -MinY : 0;
    OffsetRect(R, RoundInt(DX * KX), RoundInt(DY * KY));
    const Extended SX = static_cast<Extended>(PrintWidth) / std::max(PrintWidth, MaxX + DX);
    const Extended SY = static_cast<Extended>(PrintHeight) / std::max(PrintHeight, MaxY + DY);
    R.Left = RoundInt(R.Left * SX);
    R.Right = RoundInt(R.Right * SX);
    R.Top = RoundInt(R.Top * SY);
    R.Bottom = RoundInt(R.Bottom * SY);
}

// ---- page extent and print area ----------------------------------------------------------

void TDocument::GetScaledPageExtent(Byte Orientation, Extended Factor, int& APageWidth,
                                    int& AOffsetY, int& AOffsetX, int& APageHeight)
{
    UpdatePrnInfo(false);
    GetPageExtent(Orientation, APageWidth, AOffsetY, AOffsetX, APageHeight);
    APageWidth = RoundInt(APageWidth * Factor);
    AOffsetY = RoundInt(AOffsetY * Factor);
    AOffsetX = RoundInt(AOffsetX * Factor);
    APageHeight = RoundInt(APageHeight * Factor);
}

void TDocument::SetScaledPageExtent(Extended Factor)
{
    const TPage* Page = CurrentPage();
    GetScaledPageExtent(Page ? Page->Orientation : 0, Factor, PageWidth, OffsetY, OffsetX,
                        PageHeight);
}

TRect TDocument::PageRect() const
{
    TRect R = Rect(0, 0, PageWidth, PageHeight);
    if (OutputMode)
        OffsetRect(R, -OffsetX, -OffsetY);
    return R;
}

TRect TDocument::PrintRect() const
{
    TRect R = PageRect();
    R.Left += OffsetX;
    R.Right -= OffsetX;
    R.Top += OffsetY;
    R.Bottom -= OffsetY;
    return R;
}

int TDocument::CheckPrintArea()
{
    const int Saved = PageIndex();
    bool AnyOutsidePrint = false;
    bool AnyOutsidePage = false;
    for (int I = 0; I < PageCount(); ++I) {
        SetPageIndex(I);
        SetScaledPageExtent(1.0);
        TPage& Page = *CurrentPage();
        const TRect PgR = PageRect();
        const TRect PR = PrintRect();
        Page.PrintWidth = PR.Right - PR.Left;
        Page.PrintHeight = PR.Bottom - PR.Top;
        Page.MinX = 0;
        Page.MaxX = Page.PrintWidth;
        Page.MinY = 0;
        Page.MaxY = Page.PrintHeight;
        Page.OutsidePrint = Page.OutsidePage = Page.OutsidePrintAll = false;
        for (int V = 0; V < Page.ViewCount(); ++V) {
            TView& View = *Page.GetView(V);
            TRect R = View.GetDisplayRect();
            const bool Area = View.Kind == vkBandArea;
            if (Area) {
                R.Left = PR.Left;
                R.Right = PR.Right;
                if (View.BandTyp == btOverlay) {
                    R.Top = PR.Top;
                    R.Bottom = PR.Bottom;
                }
            }
            if (!Inside(R, PgR)) {
                AnyOutsidePage = true;
                if (WhollyOutside(R, PgR))
                    Page.OutsidePage = true;
            }
            if (!Inside(R, PR)) {
                AnyOutsidePrint = true;
                Page.OutsidePrint = true;
                if (!Area) {
                    Page.MinX = std::min<int>(Page.MinX, R.Left);
                    Page.MaxX = std::max<int>(Page.MaxX, R.Right);
                }
                Page.MinY = std::min<int>(Page.MinY, R.Top);
                Page.MaxY = std::max<int>(Page.MaxY, R.Bottom);
                if (WhollyOutside(R, PR))
                    Page.OutsidePrintAll = true;
            }
        }
    }
    if (Saved >= 0)
        SetPageIndex(Saved);
    return AnyOutsidePrint ? 3 : AnyOutsidePage ? 1 : 0;
}

void TDocument::FitIntoPrintArea(bool Proportional)
{
    const int Saved = PageIndex();
    for (int P = 0; P < PageCount(); ++P) {
        SetPageIndex(P);
        SetScaledPageExtent(1.0);
        TPage& Page = *CurrentPage();
        const int N = Page.ViewCount();
        if (N == 0)
            continue;
        // Positions relative to the printable area.
        const int PW = PageWidth - 2 * OffsetX;
        const int PH = PageHeight - 2 * OffsetY;
        const auto IsOverlay = [](TView& V) {
            return V.Kind == vkBandArea && V.BandTyp == btOverlay;
        };
        const auto Area = [&](TView& V) {
            TRect R = V.GetBoundsRect();
            if (V.Kind == vkBandArea) {
                R.Left = 0;
                R.Right = PW;
                if (V.BandTyp == btOverlay) {
                    R.Top = std::min<int>(R.Top, 0);
                    R.Bottom = std::max<int>(R.Bottom, PH);
                }
            }
            return R;
        };
        for (int I = 0; I < N; ++I) {
            TView& V = *Page.GetView(I);
            if (Area(V).Bottom <= 0)
                V.SetTop(0);
        }
        // Groups of elements below the area move up together, the lowest
        // first, each kept below what stays in place.
        std::vector<int> Group(static_cast<size_t>(N), -1);
        for (int G = 0;; ++G) {
            int Start = -1;
            for (int I = 0; I < N; ++I) {
                const TRect R = Area(*Page.GetView(I));
                if (Group[size_t(I)] < 0 && R.Top >= PH &&
                    (Start < 0 || R.Bottom > Area(*Page.GetView(Start)).Bottom))
                    Start = I;
            }
            if (Start < 0)
                break;
            Group[size_t(Start)] = G;
            int SpanTop = Area(*Page.GetView(Start)).Top - 2;
            int SpanBottom = Area(*Page.GetView(Start)).Bottom;
            for (int I = 0; I < N; ++I) {
                TView& V = *Page.GetView(I);
                const TRect R = Area(V);
                if (Group[size_t(I)] >= 0 || IsOverlay(V) || R.Bottom <= PH / 2)
                    continue;
                const bool Overlaps = (R.Top >= SpanTop && R.Top <= SpanBottom) ||
                                      (R.Bottom >= SpanTop && R.Bottom <= SpanBottom) ||
                                      (R.Top <= SpanTop && R.Bottom >= SpanBottom);
                if (!Overlaps)
                    continue;
                Group[size_t(I)] = G;
                if (R.Top - 2 < SpanTop || R.Bottom > SpanBottom) {
                    SpanTop = std::min(SpanTop, R.Top - 2);
                    SpanBottom = std::max<int>(SpanBottom, R.Bottom);
                    I = -1;  // widened: search again from the first element
                }
            }
            int GroupTop = INT_MAX;
            int GroupBottom = INT_MIN;
            int OtherBottom = INT_MIN;
            for (int I = 0; I < N; ++I) {
                TView& V = *Page.GetView(I);
                const TRect R = Area(V);
                if (Group[size_t(I)] == G) {
                    GroupTop = std::min<int>(GroupTop, R.Top);
                    GroupBottom = std::max<int>(GroupBottom, R.Bottom);
                } else if (Group[size_t(I)] < 0 && !IsOverlay(V)) {
                    OtherBottom = std::max<int>(OtherBottom, R.Bottom);
                }
            }
            int D = PH - GroupBottom - 1;
            if (OtherBottom != INT_MIN)
                D = std::max(D, OtherBottom - GroupTop + 1);
            if (D >= 0)
                break;
            for (int I = 0; I < N; ++I)
                if (Group[size_t(I)] == G) {
                    TView& V = *Page.GetView(I);
                    V.SetTop(V.GetTop() + D);
                }
        }
        if (Proportional && Page.MaxX > Page.MinX) {
            const Extended K = static_cast<Extended>(PW - 1) / (Page.MaxX - Page.MinX);
            for (int I = 0; I < N; ++I) {
                TView& V = *Page.GetView(I);
                if (V.Kind == vkBandArea)
                    continue;
                const int L = RoundInt((V.GetLeft() - Page.MinX) * K);
                const int R = RoundInt((V.GetRight() - Page.MinX) * K);
                V.SetLeft(L);
                V.SetWidth(R - L);
            }
        }
        for (int I = 0; I < N; ++I) {
            TView& V = *Page.GetView(I);
            if (IsOverlay(V))
                continue;
            if (V.Kind != vkBandArea) {
                if (V.GetWidth() > PW) {
                    V.SetLeft(0);
                    V.SetWidth(PW);
                } else if (V.GetLeft() < 0) {
                    V.SetLeft(0);
                } else if (V.GetRight() > PW) {
                    V.SetLeft(PW - V.GetWidth());
                }
            }
            if (V.GetHeight() > PH) {
                V.SetTop(0);
                V.SetHeight(PH);
            } else if (V.GetTop() < 0) {
                V.SetTop(0);
            } else if (V.GetBottom() > PH) {
                V.SetTop(PH - V.GetHeight());
            }
        }
    }
    if (Saved >= 0)
        SetPageIndex(Saved);
}

// ---- building ------------------------------------------------------------------------------

TPageInfo* TDocument::PreparePageInfo(int i)
{
    while (PageInfoCount() <= i)
        AddPageInfo();
    TPageInfo* Info = GetPageInfo(i);
    const TPage& Page = *CurrentPage();
    Info->Orientation = Page.Orientation;
    Info->PrintWidth = Page.PrintWidth;
    Info->PrintHeight = Page.PrintHeight;
    Info->MinX = Page.MinX;
    Info->MaxX = Page.MaxX;
    Info->MinY = Page.MinY;
    Info->MaxY = Page.MaxY;
    Info->OutsidePrint = Page.OutsidePrint;
    Info->OutsidePage = Page.OutsidePage;
    Info->OutsidePrintAll = Page.OutsidePrintAll;
    SetScaledPageExtent(1.0);
    Info->NewDrawing(PageWidth - 2 * OffsetX, PageHeight - 2 * OffsetY);
    return Info;
}

void TDocument::CloseCurCanvas()
{
    if (!CurCanvas)
        return;
    for (int I = PageInfoCount() - 1; I >= 0; --I)
        if (GetPageInfo(I)->Canvas() == CurCanvas) {
            GetPageInfo(I)->CloseCanvas();
            break;
        }
    CurCanvas = nullptr;
}

namespace {

// Every band built is released and the output page closed, also when the
// host or the template stops the build with an error.
class BuildScope {
public:
    explicit BuildScope(TDocument& Doc) : FDoc(Doc), FSavedPage(Doc.PageIndex()) {}
    ~BuildScope()
    {
        if (FBands)
            FBands->ReleaseBands();
        FDoc.CloseCurCanvas();
        if (FSavedPage >= 0)
            FDoc.SetPageIndex(FSavedPage);
    }
    BuildScope(const BuildScope&) = delete;
    BuildScope& operator=(const BuildScope&) = delete;

    TPage* FBands = nullptr;

private:
    TDocument& FDoc;
    int FSavedPage;
};

}  // namespace

void TDocument::BuildReport()
{
    UpdateMetricsOrReport(*this);
    OutputMode = true;
    const ScaleOneScope ScaleOne(*this);
    // Pages of an earlier build would outlive a shorter report.
    ClearPageInfos();
    CurCanvas = nullptr;
    DoProgress(0);
    CheckPrintArea();
    DoProgress(1);
    DoBeginDoc();
    {
        BuildScope Scope(*this);
        const int Selected = std::max(PageIndex(), 0);
        const int Passes = DoubleOnSheet ? 2 : 1;
        for (int Pass = 0; Pass < Passes; ++Pass) {
            PageNo = 0;
            SetPageIndex(Selected);
            if (Pass == 0) {
                CurrentPage()->Continue = false;
            } else {
                CurrentPage()->Continue = true;
                UsedHeight = CurrentPage()->PrintableHeight() / 2;
            }
            for (int I = 0; I < PageCount(); ++I) {
                SetPageIndex(I);
                TPage& Page = *CurrentPage();
                SetScaledPageExtent(1.0);
                if (I > 0) {
                    Page.Continue = Page.PrintToPrevPage;
                    if (Page.PrintToPrevPage)
                        --PageNo;
                }
                if (!Page.Continue)
                    CloseCurCanvas();
                Scope.FBands = &Page;
                Page.PrepareBands();
                DoBeginPage(I, Page.GetBand(btMasterData)->Memo.get(),
                            Page.GetBand(btDetailData)->Memo.get(),
                            Page.GetBand(btSubDetailData)->Memo.get());
                Page.Generate(PageNo);
                Scope.FBands = nullptr;
                Page.ReleaseBands();
                OnEndPage(this, I);
                DoProgress(PageNo);
            }
            if (Pass == 0) {
                SetPageIndex(Selected);
                const int Half = CurrentPage()->PrintableHeight() / 2;
                if (!(DoubleOnSheet && PageNo <= 1 && Half >= UsedHeight))
                    break;
            }
        }
    }
    OnEndDoc(this);
}

// ---- printing ---------------------------------------------------------------------------------

TRect TDocument::PrintPageRect(const TPageInfo& Page, const TPrnInfo& Info) const
{
    // A margin in 0.01 mm as device pixels past the unprintable border,
    // each axis at its own resolution.
    const auto MX = [&Info](int M) {
        const Extended PerPx = Info.PageWidth > 0
                                   ? static_cast<Extended>(Info.PhysWidth) / Info.PageWidth
                                   : 0;
        return std::max(0, RoundInt(M / 2540.0 * PerPx * 96 + 0.5) - Info.PhysOffsetX);
    };
    const auto MY = [&Info](int M) {
        const Extended PerPx = Info.PageHeight > 0
                                   ? static_cast<Extended>(Info.PhysHeight) / Info.PageHeight
                                   : 0;
        return std::max(0, RoundInt(M / 2540.0 * PerPx * 96 + 0.5) - Info.PhysOffsetY);
    };
    // The page in device pixels at its own size.
    const Extended PageW = Page.DrawingWidth() * static_cast<Extended>(Info.LogPixelsX) / 96;
    const Extended PageH = Page.DrawingHeight() * static_cast<Extended>(Info.LogPixelsY) / 96;
    TRect R;
    if (PrintStretchDraw) {
        const TRect Area = Rect(MX(MarginLeft), MY(MarginTop), Info.HorzRes - MX(MarginRight),
                                Info.VertRes - MY(MarginBottom));
        // Into the area between the margins, keeping the page's shape.
        Extended K = 1;
        if (PageW > 0 && PageH > 0)
            K = std::min((Area.Right - Area.Left) / PageW, (Area.Bottom - Area.Top) / PageH);
        R = Rect(Area.Left, Area.Top, Area.Left + RoundInt(PageW * K),
                 Area.Top + RoundInt(PageH * K));
        Page.ScaleRect(R);
        return R;
    }
    int W = RoundInt(PageW);
    int H = RoundInt(PageH);
    if (!PrinterPageDefaultSize && PrinterPageWidth >= 500 && PrinterPageHeight >= 500) {
        W = RoundInt(PrinterPageWidth * static_cast<Extended>(Info.LogPixelsX) / 2540);
        H = RoundInt(PrinterPageHeight * static_cast<Extended>(Info.LogPixelsY) / 2540);
    }
    R = Rect(0, 0, W, H);
    OffsetRect(R, MX(MarginLeft), MY(MarginTop));
    return R;
}

void TDocument::Print(int From, int To, int Copies, bool Collate)
{
    struct PrintingScope {
        bool& Flag;
        explicit PrintingScope(bool& F) : Flag(F) { Flag = true; }
        ~PrintingScope() { Flag = false; }
    } Scope(Printing);
    UpdateMetricsOrReport(*this);
    const int Count = PageInfoCount();
    if (From < 1)
        From = 1;
    if (To < 1 || To > Count)
        To = Count;
    AnsiString Title = NameDocument();
    if (Title.IsEmpty())
        Title = "Печать документа"_a;
    if (Count == 0)
        throw Exception("Нет данных для печати"_a);
    ReportPrintJob* Job = gPrintJob;
    if (!Job)
        throw Exception("Принтер не установлен"_a);
    Copies = std::max(Copies, 1);

    std::vector<int> Order;
    if (Collate) {
        for (int C = 0; C < Copies; ++C)
            for (int P = From; P <= To; ++P)
                Order.push_back(P - 1);
    } else {
        for (int P = From; P <= To; ++P)
            for (int C = 0; C < Copies; ++C)
                Order.push_back(P - 1);
    }
    DoProgress(0);
    // A job opens with the orientation of its first page, so none is empty.
    bool Open = false;
    int Jobs = 0;
    Byte JobOrientation = 0;
    int Done = 0;
    try {
        for (int Index : Order) {
            if (Open && !Job->Printing())
                break;
            TPageInfo& Page = *GetPageInfo(Index);
            if (Open && Page.Orientation != JobOrientation) {
                Job->EndDoc();
                Open = false;
            }
            if (!Open) {
                ++Jobs;
                JobOrientation = Page.Orientation;
                Job->SetOrientation(JobOrientation);
                Job->SetCopies(1);
                Job->BeginDoc(Jobs == 1 ? Title
                                        : Title + " (" + FormatFloat("000", Jobs) + ")");
                Open = true;
            } else {
                Job->NewPage();
            }
            Job->DrawPage(Page, PrintPageRect(Page, *PrnInfo(JobOrientation)));
            ++Done;
            DoProgress(Done * 100 / static_cast<int>(Order.size()));
        }
    } catch (const Exception&) {
        // The printer's job is closed before the error goes on.
        if (Open)
            Job->EndDoc();
        throw;
    }
    if (Open)
        Job->EndDoc();
}

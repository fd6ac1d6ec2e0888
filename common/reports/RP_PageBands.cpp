// Bands of a template page and the generation of its output pages.

#include "common/reports/RP_Page.h"

#include "common/reports/RP_Document.h"
#include "common/reports/RP_View.h"

#include "platform/classes/Strings.h"
#include "platform/rtl/Format.h"

#include <algorithm>
#include <climits>

namespace {

bool IsDataBand(int T)
{
    return T == btMasterData || T == btDetailData || T == btSubDetailData;
}

/// Page footers, overlays and the elements outside bands stand at their
/// template places; every other band flows down the output page.
bool Flows(int T)
{
    return T != btPageFooter && T != btOverlay && T != btNone;
}

// Data rows answered without the output moving down or a page being
// finished; past this many the host or the template makes no progress.
constexpr int MaxStalledRows = 100000;

[[noreturn]] void RaiseBandLimit()
{
    throw Exception(Format("Количество Band'ов больше %s"_a, {IntToStr(MaxBandsOfType)}));
}

}  // namespace

PRICETAGS_DEFINE_CLASS(TBand)

TBand::TBand(TBandType ABandType) : BandType(ABandType), Memo(std::make_unique<TStringList>())
{
}

TBand::~TBand()
{
    // A long chain is freed in a loop, not by recursion.
    std::unique_ptr<TBand> Rest = std::move(Next);
    while (Rest)
        Rest = std::move(Rest->Next);
}

/// The state of one Generate: first output page of the template page,
/// nothing printed yet on the output page, the progress guard, and whether
/// a new output page is being opened (its overlay and page header print
/// where they are, whether they fit or not: starting yet another page for
/// them would never end).
struct TPage::GenState {
    int& PageNo;
    bool F = true;
    bool E = true;
    int StalledRows = 0;
    bool OpeningPage = false;
};

TBand* TPage::GetBand(int BandType) const
{
    return BandType >= 0 && BandType < BandTypeCount ? FBands[BandType].get() : nullptr;
}

int TPage::TopLimit() const
{
    return Document->Margins() ? Document->PrnInfo(Orientation)->OffsetY : 0;
}

int TPage::PrintableHeight() const
{
    TPrnInfo* P = Document->PrnInfo(Orientation);
    if (P->PageHeight == 0)
        Document->UpdatePrnInfo(false);
    // An output page is the paper less its unprintable borders, margins or
    // not (margins only place it on the paper when it is printed), so the
    // body never reaches past it.
    return P->PageHeight - 2 * P->OffsetY;
}

bool TPage::HasBand(int BandType) const
{
    if (IsDataBand(BandType) && Document->OnNeedData)
        return true;
    const TBand* B = GetBand(BandType);
    return B && !B->Views.empty();
}

void TPage::PrepareBands()
{
    for (int T = 0; T < BandTypeCount; ++T)
        FBands[T] = std::make_unique<TBand>(static_cast<TBandType>(T));
    for (const auto& View : FViews) {
        View->SavedTop = View->GetTop();
        View->SavedHeight = View->GetHeight();
        View->SavedTopMM = View->TopMM();
        View->SavedHeightMM = View->HeightMM();
        View->Unassigned = View->Kind != vkBandArea;
        View->Band = nullptr;
    }
    for (int T = 0; T < btNone; ++T) {
        std::vector<std::unique_ptr<TBand>> Chain;
        for (const auto& Area : FViews) {
            if (Area->Kind != vkBandArea || Area->BandTyp != T)
                continue;
            if (Chain.size() + 1 >= MaxBandsOfType)
                RaiseBandLimit();
            auto B = Chain.empty() ? std::move(FBands[T])
                                   : std::make_unique<TBand>(static_cast<TBandType>(T));
            B->Memo->Assign(Area->Lines.get());
            B->Top = Area->GetTop();
            B->Height = Area->GetHeight();
            B->OutHeight = B->Height;
            for (const auto& View : FViews) {
                if (!View->Unassigned)
                    continue;
                const int Top = View->GetTop();
                if (Top < B->Top || Top + View->GetHeight() > B->Top + B->Height)
                    continue;
                View->SetTop(Top - B->Top);
                View->Band = B.get();
                View->Unassigned = false;
                B->Views.push_back(View.get());
            }
            Chain.push_back(std::move(B));
        }
        if (Chain.empty())
            continue;
        std::stable_sort(Chain.begin(), Chain.end(),
                         [](const auto& A, const auto& B) { return A->Top < B->Top; });
        for (size_t I = Chain.size() - 1; I > 0; --I) {
            Chain[I]->Prev = Chain[I - 1].get();
            Chain[I - 1]->Next = std::move(Chain[I]);
        }
        Chain[0]->Prev = nullptr;
        FBands[T] = std::move(Chain[0]);
    }
    TBand* Rest = FBands[btNone].get();
    for (const auto& View : FViews)
        if (View->Unassigned) {
            View->Band = Rest;
            View->Unassigned = false;
            Rest->Views.push_back(View.get());
        }
    // Page footers stay on the paper.
    if (TBand* Footer = FBands[btPageFooter].get(); Footer && Footer->Height > 0) {
        int Bottom = INT_MAX;
        for (TBand* B = Footer; B; B = B->Next.get())
            Bottom = std::min(Bottom, B->Top + B->Height);
        const int P = Document->PageRect().Bottom;
        if (P - Bottom < 0)
            for (TBand* B = Footer; B; B = B->Next.get())
                B->Top -= Bottom - P;
    }
}

void TPage::ReleaseBands()
{
    for (auto& B : FBands)
        B.reset();
    for (const auto& View : FViews) {
        View->SetTopMM(View->SavedTopMM);
        View->SetHeightMM(View->SavedHeightMM);
        View->Band = nullptr;
    }
}

void TPage::OpenOutputPage(int PageNo)
{
    TPageInfo* Info = Document->PreparePageInfo(PageNo);
    Document->CurCanvas = Info->Canvas();
}

void TPage::Generate(int& PageNo)
{
    TDocument& Doc = *Document;
    GenState G{PageNo};
    if (!Continue || !Doc.CurCanvas)
        OpenOutputPage(PageNo);

    if (!(Continue && FooterPrinted)) {
        int Limit = std::min(Doc.PrintRect().Bottom, FBands[btPageFooter]->Top);
        if (Limit == 0)
            Limit = PrintableHeight();
        Doc.PageLimit = Limit;
    }
    if (!Continue) {
        Y = 0;
        PrintBands(G, btOverlay, false);
        PrintBands(G, btNone, false);
    } else {
        Y = Doc.UsedHeight;
    }
    PrintBands(G, btReportTitle, false);
    if (HasBand(btPageHeader) && PageHeaderOnFirst)
        PrintBands(G, btPageHeader, false);

    while (PrintBands(G, btMasterData, false)) {
        while (PrintBands(G, btDetailData, false)) {
            while (PrintBands(G, btSubDetailData, false)) {
            }
            if (Doc.LineSubDetail > 0)
                PrintBands(G, btSubDetailFooter, false);
        }
        if (Doc.LineDetail > 0)
            PrintBands(G, btDetailFooter, false);
    }

    PrintBands(G, btMasterFooter, false);
    PrintBands(G, btReportSummary, false);
    Doc.UsedHeight = Y;
    PrintBands(G, btPageFooter, false);
    ++PageNo;
}

bool TPage::PrintBands(GenState& G, int BandType, bool Measuring)
{
    TBand* First = FBands[BandType].get();
    if (!First->Next)
        return PrintBand(G, *First, Measuring, /*Drawing=*/false, /*DataRequest=*/true);

    if (!Flows(BandType)) {
        // Each band of the chain at its own place; none starts a page (a
        // footer that did would print itself again, for ever).
        bool Printed = false;
        for (TBand* B = First; B; B = B->Next.get())
            Printed = PrintBand(G, *B, Measuring, /*Drawing=*/false, /*DataRequest=*/true) || Printed;
        if (BandType == btPageFooter)
            FooterPrinted = Printed;
        return Printed;
    }

    const int Start = Y;
    const bool StartE = G.E;
    if (!PrintBand(G, *First, /*Measuring=*/true, /*Drawing=*/false, /*DataRequest=*/true)) {
        Y = Start;
        return false;
    }
    for (TBand* B = First->Next.get(); B; B = B->Next.get())
        PrintBand(G, *B, /*Measuring=*/true, /*Drawing=*/false, /*DataRequest=*/false);
    if (Measuring)
        return true;
    // The page break is decided before the group, on all of its bands (and
    // the level header above them), so a record is not split over pages.
    if (Y > Document->PageLimit) {
        NewOutputPage(G);
    } else {
        Y = Start;
        G.E = StartE;
    }
    PrintBand(G, *First, /*Measuring=*/false, /*Drawing=*/true, /*DataRequest=*/false);
    for (TBand* B = First->Next.get(); B; B = B->Next.get()) {
        // Only a group taller than a page gets here past the limit.
        if (Y + B->OutHeight > Document->PageLimit)
            NewOutputPage(G);
        PrintBand(G, *B, /*Measuring=*/false, /*Drawing=*/true, /*DataRequest=*/false);
    }
    return true;
}

void TPage::PrintHeaderOfLevel(GenState& G, TBand& B, bool Measuring)
{
    const TDocument& Doc = *Document;
    const int T = B.BandType;
    const int Line = T == btMasterData ? Doc.LineMaster
                   : T == btDetailData ? Doc.LineDetail : Doc.LineSubDetail;
    if (Line == 1 && !B.Prev && HasBand(T - 1))
        PrintBands(G, T - 1, Measuring);
}

void TPage::DrawBandViews(TBand& B)
{
    TCanvas* Canvas = Document->CurCanvas;
    for (TView* View : B.Views)
        View->Draw(Canvas, View->SC ? dmPrepared : dmOutput);
    for (TView* View : B.Views)
        View->SetHeightMM(View->SavedHeightMM);
}

bool TPage::PrintBand(GenState& G, TBand& B, bool Measuring, bool Drawing, bool DataRequest)
{
    TDocument& Doc = *Document;
    const int T = B.BandType;
    const bool First = !B.Prev;
    const int TemplateTop = B.Top;

    switch (T) {
    case btReportTitle:
        if (!Continue && First && (Y < 1 || (G.F && Y < TemplateTop)))
            Y = std::max<int>(Y, TemplateTop);
        break;
    case btPageHeader:
        // A chain's later bands follow the first one down the page.
        if (!G.F && First)
            Y = TopLimit();
        else if (First && (G.E || Y < 1))
            Y = std::max<int>(Y, TemplateTop);
        G.E = false;
        break;
    case btMasterHeader:
        if (!Continue && First && G.F && (G.E || Y < 1))
            Y = std::max<int>(Y, TemplateTop);
        G.E = false;
        break;
    case btMasterData:
        if (!HasBand(btMasterHeader)) {
            if (!Continue && First && G.F && (G.E || Y < 1))
                Y = std::max<int>(Y, TemplateTop);
            G.E = false;
        }
        break;
    default: break;
    }

    if (T == btPageFooter)
        FooterPrinted = false;
    if (B.Views.empty()) {
        if (!IsDataBand(T) || !DataRequest)
            return false;
        bool NeedMore = false;
        Doc.DoNeedData(B.BandType, NeedMore);
        if (NeedMore) {
            if (++G.StalledRows > MaxStalledRows)
                RaiseBandLimit();
            PrintHeaderOfLevel(G, B, Measuring);
        }
        return NeedMore;
    }
    if (IsDataBand(T) && DataRequest) {
        bool NeedMore = false;
        Doc.DoNeedData(B.BandType, NeedMore);
        if (!NeedMore)
            return false;
    }
    // A measured band measures its header: the header is drawn once, in
    // the drawing pass.
    if (IsDataBand(T) && (DataRequest || Drawing))
        PrintHeaderOfLevel(G, B, Measuring);

    if (T == btPageFooter || T == btOverlay || T == btNone) {
        const int Saved = Y;
        Y = T == btPageFooter ? TemplateTop : T == btOverlay ? TemplateTop : 0;
        B.Top = Y;
        if (!Measuring)
            for (TView* View : B.Views)
                View->Draw(Doc.CurCanvas, dmOutput);
        B.Top = TemplateTop;
        if (T == btPageFooter) {
            Y += B.Height;
            FooterPrinted = true;
        } else {
            Y = Saved;
        }
        return true;
    }

    if (!Drawing) {
        Doc.GrowBottom = std::min<int>(Doc.PrnInfo(Orientation)->PageHeight, B.Height);
        for (TView* View : B.Views)
            if (View->SC)
                View->Draw(Doc.CurCanvas, dmMeasure);
        B.OutHeight = Doc.GrowBottom;
        for (TView* View : B.Views)
            if (View->SC)
                View->SetHeight(B.OutHeight - View->GetTop());
    }
    if (!Measuring && !Drawing && Y + B.OutHeight > Doc.PageLimit)
        NewOutputPage(G);
    if (!Measuring) {
        B.Top = Y;
        DrawBandViews(B);
        B.Top = TemplateTop;
    }
    const int Before = Y;
    Y += B.OutHeight;
    if (Y != Before)
        G.StalledRows = 0;
    else if (IsDataBand(T) && ++G.StalledRows > MaxStalledRows)
        RaiseBandLimit();
    return true;
}

void TPage::NewOutputPage(GenState& G)
{
    if (G.OpeningPage)
        return;
    TDocument& Doc = *Document;
    if (!(Continue && FooterPrinted))
        PrintBands(G, btPageFooter, false);
    G.F = false;
    Doc.CloseCurCanvas();
    Doc.DoProgress(G.PageNo + 1);
    ++G.PageNo;
    OpenOutputPage(G.PageNo);
    Continue = false;
    G.StalledRows = 0;
    G.OpeningPage = true;
    PrintBands(G, btOverlay, false);
    Y = TopLimit();
    PrintBands(G, btPageHeader, false);
    G.OpeningPage = false;
}

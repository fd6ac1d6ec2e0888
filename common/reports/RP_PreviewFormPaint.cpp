// Painting the print view: pages into the off-screen bitmap, the bitmap
// onto the paint box, and scrolling by shifting what is drawn.

#include "common/reports/RP_PreviewForm.h"

#include "common/reports/RP_Document.h"

#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Metafiles.h"
#include "platform/forms/StdCtrls.h"
#include "platform/winapi/Windows.h"
#include "platform/rtl/Numbers.h"

#include <algorithm>

namespace {

constexpr TColor BackColor = 0x808080;
constexpr TColor PageColor = 0xFFFFFF;
constexpr TColor PrintAreaColor = 0xC0C0C0;
constexpr TColor ShadowColor = 0x404040;
constexpr int ShadowDepth = 4;

int RoundInt(Extended Value)
{
    return static_cast<int>(Round(Value));
}

/// A template margin (0.01 mm) in pixels at zoom K.
int MarginPx(Integer Margin, Extended K)
{
    return RoundInt(Margin * K * 96 / 2540);
}

}  // namespace

void TPreviewForm::PBoxScrPaint(TObject*)
{
    if (!FPainting)
        return;
    if (!FBitmapValid || FBitmap->Width() != PBoxScr->Width() ||
        FBitmap->Height() != PBoxScr->Height()) {
        PaintPages();
        return;
    }
    CopyToBox();
}

void TPreviewForm::CopyToBox()
{
    PBoxScr->Canvas()->Draw(0, 0, FBitmap.get());
}

void TPreviewForm::PaintPages()
{
    if (!FPainting || FClosing)
        return;
    const int W = std::max(PBoxScr->Width(), 1);
    const int H = std::max(PBoxScr->Height(), 1);
    if (FBitmap->Width() != W || FBitmap->Height() != H)
        FBitmap->SetSize(W, H);
    FDrawnX = HScrollBar->Position();
    FDrawnY = VScrollBar->Position();
    DrawPages(Rect(0, 0, W, H));
    FBitmapValid = true;
    FStripPaints = 0;
    PBoxScr->Invalidate();
}

void TPreviewForm::RenderTo(TBitmap& Into)
{
    if (!FBitmapValid)
        PaintPages();
    Into.Assign(FBitmap.get());
}

void TPreviewForm::ShiftView(int Dx, int Dy)
{
    if (Dx == 0 && Dy == 0)
        return;
    const int W = FBitmap->Width();
    const int H = FBitmap->Height();
    if (!FPainting || !FBitmapValid || std::abs(Dx) >= W || std::abs(Dy) >= H) {
        PaintPages();
        return;
    }
    // What stays visible moves; only the strip it leaves is drawn anew.
    TBitmap Old;
    Old.Assign(FBitmap.get());
    const TRect Src = Rect(std::max(0, -Dx), std::max(0, -Dy), W - std::max(0, Dx),
                           H - std::max(0, Dy));
    const TRect Dest = Rect(Src.Left + Dx, Src.Top + Dy, Src.Right + Dx, Src.Bottom + Dy);
    FBitmap->Canvas()->SetCopyMode(SRCCOPY);
    FBitmap->Canvas()->CopyRect(Dest, Old.Canvas(), Src);
    FDrawnX -= Dx;
    FDrawnY -= Dy;
    if (Dy > 0)
        DrawPages(Rect(0, 0, W, Dy));
    else if (Dy < 0)
        DrawPages(Rect(0, H + Dy, W, H));
    if (Dx > 0)
        DrawPages(Rect(0, 0, Dx, H));
    else if (Dx < 0)
        DrawPages(Rect(W + Dx, 0, W, H));
    ++FStripPaints;
    PBoxScr->Invalidate();
}

void TPreviewForm::DrawPages(const TRect& Clip)
{
    TCanvas& C = *FBitmap->Canvas();
    HDC DC = C.Handle();
    const int Saved = SaveDC(DC);
    IntersectClipRect(DC, Clip.Left, Clip.Top, Clip.Right, Clip.Bottom);
    C.Brush()->SetStyle(bsSolid);
    C.Brush()->SetColor(BackColor);
    C.FillRect(Clip);
    try {
        const int Count = std::min(ShownPages(), static_cast<int>(FViewRects.size()));
        for (int I = 0; I < Count; ++I) {
            TRect R = FViewRects[static_cast<size_t>(I)];
            OffsetRect(R, -FDrawnX, -FDrawnY);
            const TRect WithShadow = Rect(R.Left, R.Top, R.Right + ShadowDepth,
                                          R.Bottom + ShadowDepth);
            TRect Meets;
            if (!IntersectRect(Meets, WithShadow, Clip))
                continue;
            DrawPage(C, I, R);
        }
    } catch (const Exception&) {
        C.Brush()->SetColor(BackColor);
        C.FillRect(Clip);
        C.Font()->SetColor(clWhite);
        C.Brush()->SetStyle(bsClear);
        C.TextOut(10, 10, "Ошибка при прорисовке"_a);
    }
    RestoreDC(DC, Saved);
}

void TPreviewForm::DrawPage(TCanvas& C, int Index, const TRect& R)
{
    const TPageInfo& Page = *FDocument->GetPageInfo(Index);
    C.Brush()->SetStyle(bsSolid);
    C.Brush()->SetColor(ShadowColor);
    C.FillRect(Rect(R.Left + ShadowDepth, R.Bottom, R.Right + ShadowDepth, R.Bottom + ShadowDepth));
    C.FillRect(Rect(R.Right, R.Top + ShadowDepth, R.Right + ShadowDepth, R.Bottom));
    C.Brush()->SetColor(PageColor);
    C.FillRect(R);
    C.Brush()->SetColor(clBlack);
    C.FrameRect(R);

    // Each margin at least the unprintable border of its side.
    int PageW = 0, OffY = 0, OffX = 0, PageH = 0;
    FDocument->GetPageExtent(Page.Orientation, PageW, OffY, OffX, PageH);
    const int OX = RoundInt(OffX * FZoom);
    const int OY = RoundInt(OffY * FZoom);
    const int ML = std::max(MarginPx(FDocument->MarginLeft, FZoom), OX);
    const int MT = std::max(MarginPx(FDocument->MarginTop, FZoom), OY);
    const int MR = std::max(MarginPx(FDocument->MarginRight, FZoom), OX);
    const int MB = std::max(MarginPx(FDocument->MarginBottom, FZoom), OY);
    const TRect Printable = Rect(R.Left + OX, R.Top + OY, R.Right - OX, R.Bottom - OY);
    // The mark goes round the printable area, so the drawing never hides it.
    C.Brush()->SetColor(PrintAreaColor);
    C.FrameRect(Rect(Printable.Left - 1, Printable.Top - 1, Printable.Right + 1,
                     Printable.Bottom + 1));
    TRect Area = Rect(R.Left + ML, R.Top + MT, R.Right - MR, R.Bottom - MB);
    if (Area.Right <= Area.Left || Area.Bottom <= Area.Top || !Page.Metafile())
        return;
    if (Area != Printable) {
        // The template's margins inside the printable area.
        C.Pen()->SetColor(PrintAreaColor);
        C.Pen()->SetStyle(psDot);
        C.Brush()->SetStyle(bsClear);
        C.Rectangle(Area);
        C.Pen()->SetStyle(psSolid);
        C.Brush()->SetStyle(bsSolid);
    }
    if (Page.OutsidePrint) {
        TRect Fit = Rect(0, 0, Area.Width(), Area.Height());
        Page.ScaleRect(Fit);
        OffsetRect(Fit, Area.Left, Area.Top);
        Area = Fit;
    }
    C.StretchDraw(Area, Page.Metafile());
}

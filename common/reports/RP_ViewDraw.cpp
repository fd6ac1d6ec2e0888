// Drawing of an element: fill, text, picture, frame and the designer's
// marks, in every drawing mode.

#include "common/reports/RP_View.h"

#include "common/reports/RP_Document.h"
#include "common/reports/RP_Page.h"

#include "platform/classes/Strings.h"
#include "platform/forms/Graphics.h"
#include "platform/winapi/Windows.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/StrUtils.h"

#include <algorithm>
#include <array>

namespace {

// Faces whose fonts take the document's character set.
constexpr std::array<const char*, 14> CharsetFaces = {
    "TIMES NEW ROMAN", "ARIAL", "COURIER NEW", "MS SANS SERIF", "ARIAL CYR", "ARIAL BLACK",
    "ARIAL NARROW", "BOOKMAN OLD STYLE", "COMIC SANS MS", "MICROSOFT SANS SERIF", "TAHOMA",
    "VERDANA", "LUCIDA CONSOLE", "COURIER",
};

constexpr TColor BandAreaFontColor = 0x808080;
// The smallest type a text is shrunk to when it is fitted to its box.
constexpr Integer MinFitFontSize = 4;
constexpr TColor White = 0xFFFFFF;

/// Puts a font size back at scope end.
struct SizeRestorer {
    Integer& Size;
    const Integer Own;
    ~SizeRestorer() { Size = Own; }
};

// Frame sides.
constexpr Word SideRight = 1;
constexpr Word SideBottom = 2;
constexpr Word SideLeft = 4;
constexpr Word SideTop = 8;

}  // namespace

void TView::MakeFont(TFont* Target, Byte AKind) const
{
    AnsiString Name = FontName;
    int Size = FontSize;
    TColor Color = FontColor;
    Word Style = FontStyle;
    if (AKind == vkPicture || AKind == vkOwnerDraw || AKind == vkBandArea) {
        Name = "Arial";
        Size = 8;
        Color = AKind == vkBandArea ? BandAreaFontColor : 0;
        Style = 0;
    }
    const Extended Scale = Document ? Document->Scale() : 1.0;
    TFontStyles Styles;
    if (Style & 1)
        Styles.Include(fsItalic);
    if (Style & 2)
        Styles.Include(fsBold);
    if (Style & 4)
        Styles.Include(fsUnderline);
    Target->SetName(Name);
    Target->SetSize(std::max(4, static_cast<int>(Round(Size * Scale))));
    Target->SetColor(Color);
    Target->SetStyle(Styles);
    Target->SetOrientation(0);
    const AnsiString Upper = AnsiUpperCase(Name);
    for (const char* Face : CharsetFaces)
        if (Upper == Face) {
            Target->SetCharset(Document ? Document->Charset() : 204);
            break;
        }
}

void TView::Draw(TCanvas* Canvas, int Mode)
{
    const bool Output = Document && Document->OutputMode;
    if (Kind == vkBandArea) {
        FrameTyp = 0x0F;
        FrameWidth = 1;
        FontColor = RP_NoColor;
        FillColor = RP_NoColor;
    }
    TRect R = GetDisplayRect();
    if (Output && Band)
        OffsetRect(R, 0, Band->Top);
    FDrawRect = R;

    if (Output) {
        if (Mode == dmPrepared) {
            Memo->Assign(PreparedMemo.get());
            PreparedMemo->Clear();
            FMemoSubstituted = true;
        } else {
            Memo->Assign(Lines.get());
            FMemoSubstituted = false;
            Hidden = false;
            if (Kind == vkOwnerDraw) {
                if (Document->OnOwnerDraw) {
                    MakeFont(Canvas->Font(), Kind);
                    TRect DrawRect = R;
                    Document->OnOwnerDraw(Document, DrawBandType(), Memo.get(), Canvas, DrawRect);
                }
            } else if (Document->OnEnterRect) {
                Document->OnEnterRect(Document, DrawBandType(), Memo.get(), this);
            }
        }
    } else if (Mode != dmMarks && Mode != dmMarksFrame) {
        Memo->Assign(Lines.get());
        FMemoSubstituted = false;
    }
    if (Output && Kind == vkOwnerDraw)
        return;
    if (Output && Hidden) {
        // The drawing after a measuring pass finds nothing prepared.
        if (Mode == dmMeasure)
            PreparedMemo->Clear();
        return;
    }

    int T = 0;
    if (Mode == dmDesign || Mode == dmOutput || Mode == dmMeasure || Mode == dmPrepared)
        DrawContents(Canvas, Mode, R, T);
    if (Mode == dmDesign || Mode == dmOutput || Mode == dmPrepared)
        DrawFrame(Canvas, Mode, R);
    if (!Output && Selected && Mode != dmOutput)
        DrawMarks(Canvas, Mode, R);
    if (Mode == dmMeasure) {
        PreparedMemo->Assign(Memo.get());
        if (Document)
            Document->GrowBottom = std::max(Document->GrowBottom, GetTop() + T + 2);
    }
}

void TView::DrawContents(TCanvas* Canvas, int Mode, const TRect& Bounds, int& T)
{
    const bool Output = Document && Document->OutputMode;
    TRect TR = Bounds;
    if (Kind != vkPicture) {
        const int Half = FrameWidth / 2;
        const int HalfUp = (FrameWidth + 1) / 2;
        if (FrameTyp & SideRight)
            TR.Right -= Half + 1;
        if (FrameTyp & SideBottom)
            TR.Bottom -= Half + 1;
        if (FrameTyp & SideLeft)
            TR.Left += HalfUp + 1;
        if (FrameTyp & SideTop)
            TR.Top += HalfUp + 1;
    }

    TColor Fill = FillColor;
    if (!Output && Fill == RP_NoColor && Document && Document->DefDesigner->ClearAsWhite)
        Fill = White;
    if (Fill != RP_NoColor && Kind != vkBandArea && Mode != dmMeasure) {
        Canvas->Brush()->SetColor(Fill);
        Canvas->Brush()->SetStyle(bsSolid);
        TRect FillR = Bounds;
        if (!Output) {
            FillR = TR;
            InflateRect(FillR, 1, 1);
        }
        Canvas->FillRect(FillR);
    }
    Canvas->Brush()->SetStyle(bsClear);

    if (Kind == vkText) {
        // A text fitted to its box is drawn in a smaller type this time only.
        const SizeRestorer KeepSize{FontSize, FontSize};
        MakeFont(Canvas->Font(), Kind);
        if (DrawTextToFrame && !Vertical())
            FitFontToFrame(Canvas, TR);
        const int VA = VertAlign();
        if (VA == 0x80 || VA == 0x88) {
            int Measured = 0;
            if (Vertical())
                DrawVerticalText(Canvas, dmMeasure, TR, Measured);
            else
                DrawHorizontalText(Canvas, dmMeasure, TR, Measured);
            const int Room = Vertical() ? Bounds.Right - Bounds.Left : Bounds.Bottom - Bounds.Top;
            if (Room > Measured) {
                if (Vertical())
                    FDrawRect.Left = VA == 0x88 ? TR.Left + (Room - Measured)
                                                : TR.Left + (Room - Measured) / 2;
                else
                    FDrawRect.Top = VA == 0x88 ? TR.Bottom - Measured
                                               : TR.Top + (Room - Measured) / 2;
            }
        }
        if (Vertical())
            DrawVerticalText(Canvas, Mode, TR, T);
        else
            DrawHorizontalText(Canvas, Mode, TR, T);
        FDrawRect = Bounds;
    }

    if (Kind == vkPicture && Mode != dmMeasure)
        DrawPicture(Canvas, TR);

    if (Kind == vkBandArea && !Output && Document && Document->DefDesigner->ShowBandName) {
        MakeFont(Canvas->Font(), vkBandArea);
        Canvas->TextOut(Bounds.Left + 2, Bounds.Top + 2,
                        Document->BandName(std::min<int>(BandTyp, btNone)));
    }
}

void TView::FitFontToFrame(TCanvas* Canvas, const TRect& TR)
{
    // The layout grows the text rectangle's right edge by 1, but a fitted
    // text keeps inside the element.
    const int RoomWidth = TR.Right - TR.Left;
    const int RoomHeight = TR.Bottom - TR.Top;
    for (;;) {
        int Height = 0;
        int Widest = 0;
        DrawHorizontalText(Canvas, dmMeasure, TR, Height, &Widest);
        const bool TooWide = Widest > RoomWidth;
        // A text that can grow makes its band taller instead.
        const bool TooTall = !SC && Height > RoomHeight;
        if ((!TooWide && !TooTall) || FontSize <= MinFitFontSize)
            return;
        // Text widths follow the type size closely: shrink in proportion,
        // then a point at a time while it still does not fit.
        double Ratio = 1;
        if (TooWide)
            Ratio = std::min(Ratio, static_cast<double>(RoomWidth) / Widest);
        if (TooTall)
            Ratio = std::min(Ratio, static_cast<double>(RoomHeight) / Height);
        const int Next = std::min<int>(FontSize - 1, static_cast<int>(FontSize * Ratio));
        FontSize = std::max<Integer>(MinFitFontSize, Next);
        MakeFont(Canvas->Font(), Kind);
    }
}

void TView::DrawPicture(TCanvas* Canvas, const TRect& R)
{
    if (!Picture || Picture->Empty())
        return;
    const Extended Scale = Document ? Document->Scale() : 1.0;
    if (ScaledPictureScale != Scale) {
        const int W = static_cast<int>(Round(Picture->Width() * Scale));
        const int H = static_cast<int>(Round(Picture->Height() * Scale));
        ScaledPicture->SetSize(W, H);
        ScaledPicture->Canvas()->StretchDraw(Rect(0, 0, W, H), Picture.get());
        ScaledPictureScale = Scale;
    }
    if (Stretch()) {
        Canvas->StretchDraw(R, Picture.get());
        return;
    }
    const int W = ScaledPicture->Width();
    const int H = ScaledPicture->Height();
    if (W <= 0 || H <= 0)
        return;
    if (!Tile()) {
        const int CW = std::min(W, R.Right - R.Left);
        const int CH = std::min(H, R.Bottom - R.Top);
        if (CW > 0 && CH > 0)
            Canvas->CopyRect(Rect(R.Left, R.Top, R.Left + CW, R.Top + CH),
                             ScaledPicture->Canvas(), Rect(0, 0, CW, CH));
        return;
    }
    for (int Y = R.Top; Y < R.Bottom; Y += H)
        for (int X = R.Left; X < R.Right; X += W) {
            const int CW = std::min(W, R.Right - X);
            const int CH = std::min(H, R.Bottom - Y);
            Canvas->CopyRect(Rect(X, Y, X + CW, Y + CH), ScaledPicture->Canvas(),
                             Rect(0, 0, CW, CH));
        }
}

void TView::DrawFrame(TCanvas* Canvas, int Mode, const TRect& Bounds)
{
    const bool Output = Document && Document->OutputMode;
    const int L = Bounds.Left;
    const int Tp = Bounds.Top;
    const int W = Bounds.Right - Bounds.Left;
    const int H = Bounds.Bottom - Bounds.Top;
    TPen* Pen = Canvas->Pen();
    if (!Output && Mode == dmDesign) {
        // Corner marks show where an element without visible sides lies.
        const bool Thin = W < 4 || H < 4;
        const bool Show = !Thin || ((W >= 4 || !(FrameTyp & (SideRight | SideLeft))) &&
                                    (H >= 4 || !(FrameTyp & (SideBottom | SideTop))));
        if (Show) {
            Pen->SetColor(0);
            Pen->SetWidth(1);
            Pen->SetStyle(psSolid);
            Pen->SetMode(pmNot);
            const auto MarkLen = [](int Size) { return Size > 18 ? 8 : Size < 8 ? Size : 4; };
            const int MX = MarkLen(W);
            const int MY = MarkLen(H) - 1;
            const int Rt = L + W - 1;
            const int Bt = Tp + H - 1;
            const auto Mark = [Canvas](int X1, int Y1, int X2, int Y2) {
                Canvas->MoveTo(X1, Y1);
                Canvas->LineTo(X2, Y2);
            };
            Mark(L, Tp, L + MX, Tp);
            Mark(L, Tp, L, Tp + MY);
            Mark(Rt, Tp, Rt - MX, Tp);
            Mark(Rt, Tp, Rt, Tp + MY);
            Mark(L, Bt, L + MX, Bt);
            Mark(L, Bt, L, Bt - MY);
            Mark(Rt, Bt, Rt - MX, Bt);
            Mark(Rt, Bt, Rt, Bt - MY);
        }
    }
    if (FrameTyp == 0)
        return;
    Pen->SetColor(0);
    Pen->SetWidth(FrameWidth);
    Pen->SetMode(pmCopy);
    Pen->SetStyle(Kind == vkBandArea ? psDot : psSolid);
    if (FrameTyp & SideRight) {
        Canvas->MoveTo(L + W, Tp);
        Canvas->LineTo(L + W, Tp + H);
    }
    if (FrameTyp & SideLeft) {
        Canvas->MoveTo(L, Tp);
        Canvas->LineTo(L, Tp + H);
    }
    if (FrameTyp & SideBottom) {
        Canvas->MoveTo(L, Tp + H);
        Canvas->LineTo(L + W, Tp + H);
    }
    if (FrameTyp & SideTop) {
        Canvas->MoveTo(L, Tp);
        Canvas->LineTo(L + W, Tp);
    }
    Pen->SetStyle(psSolid);
}

void TView::DrawMarks(TCanvas* Canvas, int Mode, const TRect& Bounds)
{
    TPen* Pen = Canvas->Pen();
    if (Mode == dmMarksFrame) {
        const TRect R = Rect(Bounds.Left, Bounds.Top, Bounds.Right + 1, Bounds.Bottom + 1);
        if (Document && Document->DefDesigner->ShapeInvers) {
            Pen->SetMode(pmNot);
            Pen->SetWidth(1);
            Canvas->Brush()->SetStyle(bsSolid);
            Canvas->Rectangle(R);
            Pen->SetMode(pmCopy);
        } else {
            DrawSelectionRect(Canvas, R);
        }
        return;
    }
    Pen->SetMode(pmNot);
    Pen->SetWidth(5);
    Pen->SetStyle(psSolid);
    const auto Dot = [Canvas](int X, int Y) {
        Canvas->MoveTo(X, Y);
        Canvas->LineTo(X, Y);
    };
    const int MidX = (Bounds.Left + Bounds.Right) / 2;
    const int MidY = (Bounds.Top + Bounds.Bottom) / 2;
    if (Kind == vkBandArea) {
        Dot(MidX, Bounds.Top);
        Dot(MidX, Bounds.Bottom);
    } else {
        Dot(Bounds.Left, Bounds.Top);
        Dot(Bounds.Right, Bounds.Top);
        Dot(Bounds.Left, Bounds.Bottom);
        Dot(Bounds.Right, Bounds.Bottom);
        if (Page && Page->GetSelectedCount() == 1) {
            Dot(MidX, Bounds.Top);
            Dot(MidX, Bounds.Bottom);
            Dot(Bounds.Left, MidY);
            Dot(Bounds.Right, MidY);
        }
    }
    Pen->SetMode(pmCopy);
    Pen->SetWidth(1);
}

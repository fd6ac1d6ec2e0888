// The designer's rulers (centimetres of paper counted from the edge of the
// printable area, shading beyond the page, the pointer line) and the
// colour routines that derive their colours from the panel's.

#include "common/reports/RP_DesignForm.h"

#include "platform/forms/Forms.h"
#include "platform/rtl/Numbers.h"
#include "platform/winapi/Windows.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int NoPointer = 0x7FFFFFFF;

int RoundInt(Extended V)
{
    return static_cast<int>(Round(V));
}

int Clamp255(Extended V)
{
    return std::clamp(RoundInt(V), 0, 255);
}

}  // namespace

YCbCr RGBToYCbCr(TColor C)
{
    const COLORREF Rgb = ColorToRGB(C);
    const Extended R = Rgb & 0xFF;
    const Extended G = (Rgb >> 8) & 0xFF;
    const Extended B = (Rgb >> 16) & 0xFF;
    return {RoundInt(0.299 * R + 0.587 * G + 0.114 * B),
            RoundInt(-0.1687 * R - 0.3313 * G + 0.5 * B + 128),
            RoundInt(0.5 * R - 0.4187 * G - 0.0813 * B + 128)};
}

TColor YCbCrToRGB(const YCbCr& V)
{
    const int R = Clamp255(V.Y + 1.402 * (V.Cr - 128));
    const int G = Clamp255(V.Y - 0.34414 * (V.Cb - 128) - 0.71414 * (V.Cr - 128));
    const int B = Clamp255(V.Y + 1.772 * (V.Cb - 128));
    return static_cast<TColor>(R | (G << 8) | (B << 16));
}

TColor Lighten(TColor C, int P)
{
    YCbCr V = RGBToYCbCr(C);
    V.Y += RoundInt((255 - V.Y) * static_cast<Extended>(P) / 100);
    return YCbCrToRGB(V);
}

TColor ScaleLuminance(TColor C, int P)
{
    YCbCr V = RGBToYCbCr(C);
    V.Y = RoundInt(V.Y * static_cast<Extended>(P) / 100);
    return YCbCrToRGB(V);
}

TColor AverageColor(TColor A, TColor B)
{
    const COLORREF X = ColorToRGB(A);
    const COLORREF Y = ColorToRGB(B);
    TColor Result = 0;
    for (int Shift = 0; Shift <= 16; Shift += 8) {
        const int Part = ((static_cast<int>((X >> Shift) & 0xFF)) +
                          static_cast<int>((Y >> Shift) & 0xFF)) / 2;
        Result |= Part << Shift;
    }
    return Result;
}

PRICETAGS_DEFINE_CLASS(TRule)

TRule::TRule(TDesignForm* AOwner) : TPanel(AOwner), Designer(AOwner)
{
    SetBevelOuter(bvNone);
    SetBevelInner(bvNone);
    SetBorderWidth(0);
    SetCaption("");
    SetFullRepaint(false);
    FTickBitmap = std::make_unique<TBitmap>();
}

TRule::~TRule() = default;

void TRule::SetVertical(bool Value)
{
    Vertical = Value;
    CachedSize = {0, 0};
    Invalidate();
}

void TRule::SetColors(TColor C)
{
    BaseColor = C;
    SetColor(C);
    DarkColor = ScaleLuminance(C, 25);
    LightColor = Lighten(C, 75);
    CachedSize = {0, 0};
    Invalidate();
}

void TRule::SetZoom(Extended Value)
{
    Zoom = Value;
    CachedSize = {0, 0};
    Invalidate();
}

void TRule::SetPointer(int Pos)
{
    if (Pos == PointerPos)
        return;
    const TRect Place = PagePlace();
    const auto Strip = [&](int P) {
        const int At = (Vertical ? Place.Top : Place.Left) + P;
        return Vertical ? Rect(0, std::max(0, At - 10), Width(), At + 11)
                        : Rect(std::max(0, At - 10), 0, At + 11, Height());
    };
    const int Offset = Designer && Designer->Document
                           ? (Vertical ? Designer->Document->OffsetY : Designer->Document->OffsetX)
                           : 0;
    if (HandleAllocated() && PointerPos != NoPointer) {
        const TRect Old = Strip(PointerPos + Offset);
        InvalidateRect(Handle(), &Old, /*Erase=*/0);
    }
    PointerPos = Pos;
    if (HandleAllocated() && PointerPos != NoPointer) {
        const TRect New = Strip(PointerPos + Offset);
        InvalidateRect(Handle(), &New, /*Erase=*/0);
    }
}

TRect TRule::PagePlace() const
{
    TDocument* D = Designer ? Designer->Document : nullptr;
    TPreview* Surface = Designer ? Designer->Surface : nullptr;
    if (!D || !Surface || !Surface->HandleAllocated() || !HandleAllocated())
        return Rect(1, 1, Width() - 1, Height() - 1);
    TPoint P = Surface->ClientToScreen(Point(0, 0));
    P = const_cast<TRule*>(this)->ScreenToClient(P);
    if (Vertical)
        return Rect(1, P.Y, Width() - 1, P.Y + D->PageHeight);
    return Rect(P.X, 1, P.X + D->PageWidth, Height() - 1);
}

void TRule::DrawTicks(int Length, int Thickness)
{
    TDocument* D = Designer->Document;
    const int L = std::max(Length, 1);
    const int T = std::max(Thickness, 1);
    if (Vertical)
        FTickBitmap->SetSize(T, L);
    else
        FTickBitmap->SetSize(L, T);
    TCanvas* C = FTickBitmap->Canvas();
    C->Brush()->SetColor(LightColor);
    C->FillRect(Rect(0, 0, FTickBitmap->Width(), FTickBitmap->Height()));
    C->Pen()->SetColor(DarkColor);
    C->Pen()->SetWidth(1);
    C->Font()->SetName("Arial");
    C->Font()->SetColor(DarkColor);
    C->Font()->SetHeight(-(T < 9 ? 6 : 8));
    C->Font()->SetOrientation(Vertical ? 900 : 0);
    C->Brush()->SetStyle(bsClear);
    // Ticks every 5 mm of paper; the tick at the printable edge is long and
    // the numbers count centimetres from it both ways.
    const Extended Step = Round(Zoom * 500) * PixelsPerHundredthMM;
    const Extended Offset = (Vertical ? D->OffsetY : D->OffsetX);
    const int FirstIndex = -static_cast<int>(std::floor(Offset / Step));
    const int Count = static_cast<int>(L / Step) + 1;
    const int LongTick = T * 3 / 4;
    const int ShortTick = LongTick * 2 / 3;
    for (int K = FirstIndex; K < FirstIndex + Count + 1; ++K) {
        const int At = RoundInt(Offset + K * Step);
        if (At < 0 || At >= L)
            continue;
        const bool Long = K % 2 == 0;
        const int Len = Long ? LongTick : ShortTick;
        if (Vertical) {
            C->MoveTo(T - Len, At);
            C->LineTo(T, At);
        } else {
            C->MoveTo(At, T - Len);
            C->LineTo(At, T);
        }
        if (!Long || K == 0)
            continue;
        const AnsiString Number = IntToStr(std::abs(K / 2));
        if (Vertical)
            C->TextOut(0, At - 2, Number);
        else
            C->TextOut(At + 2, 0, Number);
    }
    C->Brush()->SetStyle(bsSolid);
    C->Font()->SetOrientation(0);
}

void TRule::Paint()
{
    if (!Visible() || !Designer || !Designer->Document || Designer->IsUpdating())
        return;
    TDocument* D = Designer->Document;
    TCanvas* C = Canvas();
    const TRect Place = PagePlace();
    const int Length = Vertical ? D->PageHeight : D->PageWidth;
    const int Thickness = Vertical ? Width() - 2 : Height() - 2;
    const TPoint Want = Vertical ? Point(Thickness, Length) : Point(Length, Thickness);
    if (Want.X != CachedSize.X || Want.Y != CachedSize.Y) {
        DrawTicks(Length, Thickness);
        CachedSize = Want;
    }
    C->Brush()->SetColor(BaseColor);
    C->FillRect(ClientRect());
    C->Draw(Place.Left, Place.Top, FTickBitmap.get());
    C->Brush()->SetColor(Lighten(DarkColor, 50));
    C->FrameRect(Rect(Place.Left, Place.Top, Place.Left + FTickBitmap->Width(),
                      Place.Top + FTickBitmap->Height()));
    DrawPointer(C);
}

void TRule::DrawPointer(TCanvas* C)
{
    if (PointerPos == NoPointer || !Designer->Document)
        return;
    const TRect Place = PagePlace();
    const int Offset = Vertical ? Designer->Document->OffsetY : Designer->Document->OffsetX;
    const int At = (Vertical ? Place.Top : Place.Left) + PointerPos + Offset;
    C->Pen()->SetColor(AverageColor(DarkColor, LightColor));
    C->Pen()->SetWidth(1);
    C->Brush()->SetColor(DarkColor);
    if (Vertical) {
        C->MoveTo(1, At);
        C->LineTo(Width() - 2, At);
        C->Polygon({Point(1, At - 3), Point(4, At), Point(1, At + 3)});
    } else {
        C->MoveTo(At, 1);
        C->LineTo(At, Height() - 2);
        C->Polygon({Point(At - 3, 1), Point(At, 4), Point(At + 3, 1)});
    }
}

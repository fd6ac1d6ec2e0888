// The 3-D edges and frame controls of the classic look, in system colours.

#include "platform/winapi/GdiPrivate.h"

#include <algorithm>

namespace {

void Fill(HDC DC, int L, int T, int R, int B, int SysColor)
{
    if (R <= L || B <= T)
        return;
    FillRect(DC, Rect(L, T, R, B), GetSysColorBrush(SysColor));
}

// One ring of an edge: top and left in LightColor, bottom and right in
// DarkColor; the dark lines take the top-right and bottom-left corners.
void Ring(HDC DC, const TRect& R, UINT Flags, int LightColor, int DarkColor)
{
    if (Flags & BF_TOP)
        Fill(DC, R.Left, R.Top, R.Right - ((Flags & BF_RIGHT) ? 1 : 0), R.Top + 1, LightColor);
    if (Flags & BF_LEFT)
        Fill(DC, R.Left, R.Top, R.Left + 1, R.Bottom - ((Flags & BF_BOTTOM) ? 1 : 0), LightColor);
    if (Flags & BF_BOTTOM)
        Fill(DC, R.Left, R.Bottom - 1, R.Right, R.Bottom, DarkColor);
    if (Flags & BF_RIGHT)
        Fill(DC, R.Right - 1, R.Top, R.Right, R.Bottom, DarkColor);
}

TRect Shrink(TRect R, UINT Flags)
{
    if (Flags & BF_LEFT)
        ++R.Left;
    if (Flags & BF_TOP)
        ++R.Top;
    if (Flags & BF_RIGHT)
        --R.Right;
    if (Flags & BF_BOTTOM)
        --R.Bottom;
    return R;
}

}  // namespace

BOOL DrawEdge(HDC DC, TRect& Rect, UINT Edge, UINT Flags)
{
    if (!DC)
        return false;
    const UINT Outer = Edge & BDR_OUTER;
    const UINT Inner = Edge & BDR_INNER;
    // Colours of each ring: (top-left, bottom-right).
    int OuterLight = COLOR_3DLIGHT, OuterDark = COLOR_3DDKSHADOW;
    int InnerLight = COLOR_3DHILIGHT, InnerDark = COLOR_3DSHADOW;
    if (Outer == BDR_SUNKENOUTER) {
        OuterLight = COLOR_3DSHADOW;
        OuterDark = COLOR_3DHILIGHT;
    }
    if (Inner == BDR_SUNKENINNER) {
        InnerLight = COLOR_3DDKSHADOW;
        InnerDark = COLOR_3DLIGHT;
    }
    if (Flags & BF_SOFT) {
        // Soft edges swap the light greys of the two rings.
        if (Outer == BDR_RAISEDOUTER)
            OuterLight = COLOR_3DHILIGHT;
        if (Inner == BDR_RAISEDINNER)
            InnerLight = COLOR_3DLIGHT;
    }
    if (Flags & BF_MONO) {
        OuterLight = OuterDark = COLOR_WINDOWFRAME;
        InnerLight = InnerDark = COLOR_WINDOW;
    } else if (Flags & BF_FLAT) {
        OuterLight = OuterDark = COLOR_3DSHADOW;
        InnerLight = InnerDark = COLOR_3DFACE;
    }
    TRect R = Rect;
    if (Outer == BDR_RAISEDOUTER || Outer == BDR_SUNKENOUTER) {
        Ring(DC, R, Flags, OuterLight, OuterDark);
        R = Shrink(R, Flags);
    }
    if (Inner == BDR_RAISEDINNER || Inner == BDR_SUNKENINNER) {
        Ring(DC, R, Flags, InnerLight, InnerDark);
        R = Shrink(R, Flags);
    }
    if (Flags & BF_MIDDLE)
        Fill(DC, R.Left, R.Top, R.Right, R.Bottom, (Flags & BF_MONO) ? COLOR_WINDOW : COLOR_3DFACE);
    if (Flags & BF_ADJUST)
        Rect = R;
    return true;
}

namespace {

// A filled triangle centred in R, Size pixels across its base, pointing
// the way Kind (a DFCS_SCROLL arrow) says.
void Arrow(HDC DC, const TRect& R, UINT Kind, int SysColor, int Size)
{
    const int Height = (Size + 1) / 2;
    const bool Vertical = Kind == DFCS_SCROLLUP || Kind == DFCS_SCROLLDOWN;
    const int Left = R.Left + (R.Width() - (Vertical ? Size : Height)) / 2;
    const int Top = R.Top + (R.Height() - (Vertical ? Height : Size)) / 2;
    for (int I = 0; I < Height; ++I) {
        switch (Kind) {
        case DFCS_SCROLLUP:
            Fill(DC, Left + I, Top + Height - 1 - I, Left + Size - I, Top + Height - I, SysColor);
            break;
        case DFCS_SCROLLLEFT:
            Fill(DC, Left + Height - 1 - I, Top + I, Left + Height - I, Top + Size - I, SysColor);
            break;
        case DFCS_SCROLLRIGHT:
            Fill(DC, Left + I, Top + I, Left + I + 1, Top + Size - I, SysColor);
            break;
        default:
            Fill(DC, Left + I, Top + I, Left + Size - I, Top + I + 1, SysColor);
            break;
        }
    }
}

void DrawArrowGlyph(HDC DC, const TRect& Inner, UINT Kind, UINT State)
{
    const int Size = std::max(3, (std::min(Inner.Width(), Inner.Height()) / 2) | 1);
    TRect R = Inner;
    if (State & DFCS_PUSHED)
        OffsetRect(R, 1, 1);
    if (State & DFCS_INACTIVE) {
        // Disabled arrows are grey with a white copy one pixel down-right.
        TRect Shadow = R;
        OffsetRect(Shadow, 1, 1);
        Arrow(DC, Shadow, Kind, COLOR_3DHILIGHT, Size);
        Arrow(DC, R, Kind, COLOR_3DSHADOW, Size);
        return;
    }
    Arrow(DC, R, Kind, COLOR_BTNTEXT, Size);
}

// The body of a push-like frame control: raised, pushed (sunken or one
// flat shadow line) or flat, filled with the face colour. Returns the
// inside.
TRect ButtonBody(HDC DC, TRect R, UINT State)
{
    if (State & DFCS_FLAT) {
        DrawEdge(DC, R, (State & DFCS_PUSHED) ? BDR_SUNKENOUTER : BDR_RAISEDINNER,
            BF_RECT | BF_MIDDLE | BF_ADJUST);
        return R;
    }
    if (State & DFCS_PUSHED) {
        FrameRect(DC, R, GetSysColorBrush(COLOR_3DSHADOW));
        InflateRect(R, -1, -1);
        Fill(DC, R.Left, R.Top, R.Right, R.Bottom, COLOR_3DFACE);
        return R;
    }
    DrawEdge(DC, R, EDGE_RAISED, BF_RECT | BF_MIDDLE | BF_ADJUST);
    return R;
}

void DrawCheckBox(HDC DC, const TRect& Box, UINT State)
{
    const int Size = std::min(13, std::min(Box.Width(), Box.Height()));
    TRect R = Bounds(Box.Left + (Box.Width() - Size) / 2, Box.Top + (Box.Height() - Size) / 2, Size, Size);
    if (State & DFCS_FLAT) {
        FrameRect(DC, R, GetSysColorBrush(COLOR_3DSHADOW));
        InflateRect(R, -1, -1);
    } else {
        DrawEdge(DC, R, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    }
    const bool Grey = (State & (DFCS_PUSHED | DFCS_INACTIVE)) != 0;
    Fill(DC, R.Left, R.Top, R.Right, R.Bottom, Grey ? COLOR_3DFACE : COLOR_WINDOW);
    if (!(State & DFCS_CHECKED))
        return;
    // The tick: seven columns three pixels tall, down then up.
    static constexpr int ColumnTop[7] = {2, 3, 4, 3, 2, 1, 0};
    const int Color = (State & DFCS_INACTIVE) ? COLOR_GRAYTEXT : COLOR_WINDOWTEXT;
    const int X = R.Left + (R.Width() - 7) / 2;
    const int Y = R.Top + (R.Height() - 7) / 2;
    for (int I = 0; I < 7; ++I)
        Fill(DC, X + I, Y + ColumnTop[I], X + I + 1, Y + ColumnTop[I] + 3, Color);
}

void DrawRadio(HDC DC, const TRect& Box, UINT State)
{
    const int Size = std::min(12, std::min(Box.Width(), Box.Height()));
    const TRect R = Bounds(Box.Left + (Box.Width() - Size) / 2, Box.Top + (Box.Height() - Size) / 2, Size, Size);
    const HBRUSH Back = GetSysColorBrush((State & (DFCS_PUSHED | DFCS_INACTIVE)) ? COLOR_3DFACE : COLOR_WINDOW);
    const HPEN Shadow = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_3DSHADOW));
    const HGDIOBJ OldPen = SelectObject(DC, Shadow);
    const HGDIOBJ OldBrush = SelectObject(DC, Back);
    Ellipse(DC, R.Left, R.Top, R.Right, R.Bottom);
    if (State & DFCS_CHECKED) {
        const HBRUSH Dot = GetSysColorBrush((State & DFCS_INACTIVE) ? COLOR_GRAYTEXT : COLOR_WINDOWTEXT);
        SelectObject(DC, Dot);
        SelectObject(DC, GetStockObject(NULL_PEN));
        const int C = Size / 2;
        Ellipse(DC, R.Left + C - 2, R.Top + C - 2, R.Left + C + 3, R.Top + C + 3);
    }
    SelectObject(DC, OldPen);
    SelectObject(DC, OldBrush);
    DeleteObject(Shadow);
}

}  // namespace

BOOL DrawFrameControl(HDC DC, TRect& Rect, UINT Type, UINT State)
{
    if (!DC)
        return false;
    switch (Type) {
    case DFC_SCROLL: {
        const UINT Kind = State & 0xFF;
        if (Kind == DFCS_SCROLLSIZEGRIP) {
            Fill(DC, Rect.Left, Rect.Top, Rect.Right, Rect.Bottom, COLOR_3DFACE);
            return true;
        }
        const TRect Inner = ButtonBody(DC, Rect, State);
        DrawArrowGlyph(DC, Inner, Kind == DFCS_SCROLLCOMBOBOX ? DFCS_SCROLLDOWN : Kind, State);
        return true;
    }
    case DFC_BUTTON: {
        if (State & DFCS_BUTTONPUSH) {
            ButtonBody(DC, Rect, State);
            return true;
        }
        if (State & (DFCS_BUTTONRADIO | DFCS_BUTTONRADIOIMAGE)) {
            DrawRadio(DC, Rect, State);
            return true;
        }
        DrawCheckBox(DC, Rect, State);
        return true;
    }
    case DFC_CAPTION:
    case DFC_MENU: {
        const TRect Inner = ButtonBody(DC, Rect, State);
        // A cross for close, a bar for minimise, a box for maximise.
        const int Color = (State & DFCS_INACTIVE) ? COLOR_3DSHADOW : COLOR_BTNTEXT;
        const int S = std::max(4, std::min(Inner.Width(), Inner.Height()) - 6);
        const int X = Inner.Left + (Inner.Width() - S) / 2;
        const int Y = Inner.Top + (Inner.Height() - S) / 2;
        switch (State & 0xFF) {
        case DFCS_CAPTIONCLOSE:
            for (int I = 0; I < S; ++I) {
                Fill(DC, X + I, Y + I, X + I + 2, Y + I + 1, Color);
                Fill(DC, X + S - 2 - I, Y + I, X + S - I, Y + I + 1, Color);
            }
            break;
        case DFCS_CAPTIONMIN: Fill(DC, X, Y + S - 2, X + S, Y + S, Color); break;
        default:
            Fill(DC, X, Y, X + S, Y + 2, Color);
            FrameRect(DC, ::Rect(X, Y, X + S, Y + S), GetSysColorBrush(Color));
            break;
        }
        return true;
    }
    default:
        return false;
    }
}

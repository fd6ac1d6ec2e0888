// The scroll bars windows draw in their frame (WS_HSCROLL, WS_VSCROLL)
// and scroll bar controls (SB_CTL, the whole client area): state, painting
// in the classic look, and the mouse on arrows, track and thumb, reported
// as WM_HSCROLL/WM_VSCROLL to the window (frame bars) or to the control's
// parent with the control's handle (SB_CTL).

#include "platform/winapi/WindowPrivate.h"

#include <algorithm>

namespace {

struct BarGeometry {
    TRect Bar;        // the whole bar
    TRect LessArrow;  // up or left
    TRect MoreArrow;  // down or right
    int TrackStart = 0;
    int TrackLength = 0;
    int ThumbStart = 0;  // along the bar
    int ThumbLength = 0; // 0: no thumb
    bool Vertical = true;
};

uint32_t BarStyle(int Bar)
{
    return Bar == SB_VERT ? WS_VSCROLL : WS_HSCROLL;
}

bool BarShown(HWND Wnd, int Bar)
{
    return Bar == SB_CTL || (Wnd->Style & BarStyle(Bar)) != 0;
}

bool ValidBar(int Bar)
{
    return Bar == SB_HORZ || Bar == SB_VERT || Bar == SB_CTL;
}

int Range(const ScrollBarState& S)
{
    return S.Max - S.Min + 1;
}

// The highest position: a page ending at Max.
int MaxPos(const ScrollBarState& S)
{
    return std::max(S.Min, S.Max - std::max(static_cast<int>(S.Page) - 1, 0));
}

bool Scrollable(const ScrollBarState& S)
{
    return S.Enabled && S.Max > S.Min && (S.Page == 0 || static_cast<int>(S.Page) < Range(S));
}

BarGeometry Geometry(HWND Wnd, int Bar)
{
    BarGeometry G;
    const TRect C = Wnd->Client;
    const ScrollBarState& S = Wnd->Scroll[Bar];
    if (Bar == SB_CTL) {
        G.Vertical = (Wnd->Style & SBS_VERT) != 0;
        G.Bar = C;
    } else if (Bar == SB_VERT) {
        G.Vertical = true;
        G.Bar = Rect(C.Right, C.Top, C.Right + GetSystemMetrics(SM_CXVSCROLL), C.Bottom);
    } else {
        G.Vertical = false;
        G.Bar = Rect(C.Left, C.Bottom, C.Right, C.Bottom + GetSystemMetrics(SM_CYHSCROLL));
    }
    const int Length = G.Vertical ? G.Bar.Height() : G.Bar.Width();
    // Arrows are square unless the bar is too short for two of them.
    const int Arrow = std::min(G.Vertical ? GetSystemMetrics(SM_CYVSCROLL) : GetSystemMetrics(SM_CXHSCROLL),
        Length / 2);
    if (G.Vertical) {
        G.LessArrow = Rect(G.Bar.Left, G.Bar.Top, G.Bar.Right, G.Bar.Top + Arrow);
        G.MoreArrow = Rect(G.Bar.Left, G.Bar.Bottom - Arrow, G.Bar.Right, G.Bar.Bottom);
    } else {
        G.LessArrow = Rect(G.Bar.Left, G.Bar.Top, G.Bar.Left + Arrow, G.Bar.Bottom);
        G.MoreArrow = Rect(G.Bar.Right - Arrow, G.Bar.Top, G.Bar.Right, G.Bar.Bottom);
    }
    G.TrackStart = (G.Vertical ? G.Bar.Top : G.Bar.Left) + Arrow;
    G.TrackLength = Length - 2 * Arrow;
    if (!Scrollable(S))
        return G;
    const int MinThumb = 8;
    int Thumb = S.Page == 0 ? GetSystemMetrics(G.Vertical ? SM_CYVTHUMB : SM_CXHTHUMB)
                            : static_cast<int>(static_cast<int64_t>(G.TrackLength) * S.Page / Range(S));
    Thumb = std::max(Thumb, MinThumb);
    if (Thumb > G.TrackLength)
        return G;
    G.ThumbLength = Thumb;
    const int Span = MaxPos(S) - S.Min;
    const int Free = G.TrackLength - Thumb;
    G.ThumbStart = G.TrackStart + (Span > 0 ? static_cast<int>(static_cast<int64_t>(Free) * (S.Pos - S.Min) / Span) : 0);
    return G;
}

void FrameChanged(HWND Wnd)
{
    SetWindowPos(Wnd, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
    if (IsLiveWindow(Wnd) && Wnd->Widget)
        InvalidateWindow(Wnd, QRegion(Wnd->Widget->rect()), true);
}

void InvalidateBar(HWND Wnd, int Bar)
{
    if (!BarShown(Wnd, Bar))
        return;
    InvalidateWindow(Wnd, QRegion(ToQRect(Geometry(Wnd, Bar).Bar)), false);
}

// Shows or hides a bar to match its range; true when that changed it.
bool UpdateVisibility(HWND Wnd, int Bar, bool KeepShown)
{
    if (Bar == SB_CTL)
        return false;
    const bool Needed = Scrollable(Wnd->Scroll[Bar]) || KeepShown;
    if (Needed == BarShown(Wnd, Bar))
        return false;
    if (Needed)
        Wnd->Style |= BarStyle(Bar);
    else
        Wnd->Style &= ~BarStyle(Bar);
    return true;
}

struct Tracking {
    HWND Wnd = nullptr;
    int Bar = SB_VERT;
    int GrabOffset = 0;
    bool Thumb = false;
    bool Active = false;
};
Tracking gTrack;

void SendScroll(HWND Wnd, int Bar, int Code, int Pos)
{
    if (Bar != SB_CTL) {
        SendMessage(Wnd, Bar == SB_VERT ? WM_VSCROLL : WM_HSCROLL, MakeWParam(Code, Pos), 0);
        return;
    }
    HWND Parent = Wnd->Control ? Wnd->Control->OwnerParentWindow() : nullptr;
    if (!Parent)
        return;
    SendMessage(Parent, (Wnd->Style & SBS_VERT) ? WM_VSCROLL : WM_HSCROLL, MakeWParam(Code, Pos),
        reinterpret_cast<LPARAM>(Wnd));
}

void PaintBar(HWND Wnd, HDC DC, int Bar)
{
    const BarGeometry G = Geometry(Wnd, Bar);
    const bool Active = Scrollable(Wnd->Scroll[Bar]);
    const UINT State = Active ? 0u : UINT(DFCS_INACTIVE);
    TRect Less = G.LessArrow;
    TRect More = G.MoreArrow;
    DrawFrameControl(DC, Less, DFC_SCROLL, (G.Vertical ? DFCS_SCROLLUP : DFCS_SCROLLLEFT) | State);
    DrawFrameControl(DC, More, DFC_SCROLL, (G.Vertical ? DFCS_SCROLLDOWN : DFCS_SCROLLRIGHT) | State);
    const TRect Track = G.Vertical ? Rect(G.Bar.Left, G.TrackStart, G.Bar.Right, G.TrackStart + G.TrackLength)
                                   : Rect(G.TrackStart, G.Bar.Top, G.TrackStart + G.TrackLength, G.Bar.Bottom);
    FillRect(DC, Track, GetSysColorBrush(COLOR_SCROLLBAR));
    if (G.ThumbLength > 0) {
        TRect Thumb = G.Vertical ? Rect(G.Bar.Left, G.ThumbStart, G.Bar.Right, G.ThumbStart + G.ThumbLength)
                                 : Rect(G.ThumbStart, G.Bar.Top, G.ThumbStart + G.ThumbLength, G.Bar.Bottom);
        DrawEdge(DC, Thumb, EDGE_RAISED, BF_RECT | BF_MIDDLE);
    }
}

// A press on a bar (window coordinates): the arrows and the track step,
// the thumb starts a drag.
void PressBar(HWND Wnd, int Bar, int X, int Y)
{
    const BarGeometry G = Geometry(Wnd, Bar);
    const int At = G.Vertical ? Y : X;
    gTrack = {Wnd, Bar, 0, false, true};
    if (PtInRect(G.LessArrow, Point(X, Y))) {
        SendScroll(Wnd, Bar, SB_LINEUP, 0);
    } else if (PtInRect(G.MoreArrow, Point(X, Y))) {
        SendScroll(Wnd, Bar, SB_LINEDOWN, 0);
    } else if (G.ThumbLength > 0 && At >= G.ThumbStart && At < G.ThumbStart + G.ThumbLength) {
        gTrack.Thumb = true;
        gTrack.GrabOffset = At - G.ThumbStart;
        Wnd->Scroll[Bar].TrackPos = Wnd->Scroll[Bar].Pos;
    } else {
        SendScroll(Wnd, Bar, At < G.ThumbStart ? SB_PAGEUP : SB_PAGEDOWN, 0);
    }
}

// The mouse while a press on a bar is held; true when it was the bar's.
bool TrackBar(HWND Wnd, UINT Msg, int X, int Y)
{
    if (!gTrack.Active || gTrack.Wnd != Wnd)
        return false;
    const int Bar = gTrack.Bar;
    ScrollBarState& S = Wnd->Scroll[Bar];
    if (Msg == WM_MOUSEMOVE && gTrack.Thumb) {
        const BarGeometry G = Geometry(Wnd, Bar);
        const int Free = G.TrackLength - G.ThumbLength;
        const int Start = std::clamp((G.Vertical ? Y : X) - gTrack.GrabOffset, G.TrackStart, G.TrackStart + Free);
        const int Span = MaxPos(S) - S.Min;
        S.TrackPos = S.Min + (Free > 0 ? static_cast<int>((static_cast<int64_t>(Start - G.TrackStart) * Span + Free / 2) / Free) : 0);
        SendScroll(Wnd, Bar, SB_THUMBTRACK, S.TrackPos);
        return true;
    }
    if (Msg == WM_LBUTTONUP) {
        gTrack.Active = false;
        if (gTrack.Thumb)
            SendScroll(Wnd, Bar, SB_THUMBPOSITION, S.TrackPos);
        if (IsLiveWindow(Wnd))
            SendScroll(Wnd, Bar, SB_ENDSCROLL, 0);
    }
    return true;
}

}  // namespace

int SetScrollInfo(HWND Wnd, int Bar, const SCROLLINFO& Info, BOOL Redraw)
{
    if (!IsLiveWindow(Wnd) || !ValidBar(Bar))
        return 0;
    ScrollBarState& S = Wnd->Scroll[Bar];
    if (Info.fMask & SIF_RANGE) {
        S.Min = Info.nMin;
        S.Max = std::max(Info.nMax, Info.nMin);
    }
    if (Info.fMask & SIF_PAGE)
        S.Page = static_cast<UINT>(std::min<int64_t>(Info.nPage, static_cast<int64_t>(Range(S))));
    if (Info.fMask & SIF_POS)
        S.Pos = Info.nPos;
    S.Pos = std::clamp(S.Pos, S.Min, MaxPos(S));
    const bool Changed = UpdateVisibility(Wnd, Bar, (Info.fMask & SIF_DISABLENOSCROLL) != 0);
    const int Pos = S.Pos;
    if (Changed)
        FrameChanged(Wnd);
    else if (Redraw && IsLiveWindow(Wnd))
        InvalidateBar(Wnd, Bar);
    return Pos;
}

BOOL GetScrollInfo(HWND Wnd, int Bar, SCROLLINFO& Info)
{
    if (!IsLiveWindow(Wnd) || !ValidBar(Bar))
        return false;
    const ScrollBarState& S = Wnd->Scroll[Bar];
    if (Info.fMask & SIF_RANGE) {
        Info.nMin = S.Min;
        Info.nMax = S.Max;
    }
    if (Info.fMask & SIF_PAGE)
        Info.nPage = S.Page;
    if (Info.fMask & SIF_POS)
        Info.nPos = S.Pos;
    if (Info.fMask & SIF_TRACKPOS)
        Info.nTrackPos = S.TrackPos;
    return true;
}

int SetScrollPos(HWND Wnd, int Bar, int Pos, BOOL Redraw)
{
    if (!IsLiveWindow(Wnd) || !ValidBar(Bar))
        return 0;
    const int Old = Wnd->Scroll[Bar].Pos;
    SCROLLINFO I;
    I.fMask = SIF_POS;
    I.nPos = Pos;
    SetScrollInfo(Wnd, Bar, I, Redraw);
    return Old;
}

int GetScrollPos(HWND Wnd, int Bar)
{
    if (!IsLiveWindow(Wnd) || !ValidBar(Bar))
        return 0;
    return Wnd->Scroll[Bar].Pos;
}

BOOL SetScrollRange(HWND Wnd, int Bar, int Min, int Max, BOOL Redraw)
{
    SCROLLINFO I;
    I.fMask = SIF_RANGE;
    I.nMin = Min;
    I.nMax = Max;
    SetScrollInfo(Wnd, Bar, I, Redraw);
    return IsLiveWindow(Wnd);
}

BOOL GetScrollRange(HWND Wnd, int Bar, int& Min, int& Max)
{
    SCROLLINFO I;
    I.fMask = SIF_RANGE;
    if (!GetScrollInfo(Wnd, Bar, I))
        return false;
    Min = I.nMin;
    Max = I.nMax;
    return true;
}

BOOL ShowScrollBar(HWND Wnd, int Bar, BOOL Show)
{
    if (!IsLiveWindow(Wnd))
        return false;
    const uint32_t Bits = Bar == SB_BOTH ? (WS_HSCROLL | WS_VSCROLL) : BarStyle(Bar);
    const uint32_t Old = Wnd->Style;
    Wnd->Style = Show ? (Wnd->Style | Bits) : (Wnd->Style & ~Bits);
    if (Wnd->Style != Old)
        FrameChanged(Wnd);
    return true;
}

BOOL EnableScrollBar(HWND Wnd, int Bar, UINT Arrows)
{
    if (!IsLiveWindow(Wnd))
        return false;
    for (int B : {SB_HORZ, SB_VERT, SB_CTL})
        if (Bar == SB_BOTH ? B != SB_CTL : Bar == B) {
            Wnd->Scroll[B].Enabled = Arrows != ESB_DISABLE_BOTH;
            InvalidateBar(Wnd, B);
        }
    return true;
}

void PaintScrollBars(HWND Wnd, HDC DC)
{
    for (int Bar : {SB_HORZ, SB_VERT})
        if (BarShown(Wnd, Bar))
            PaintBar(Wnd, DC, Bar);
    if (BarShown(Wnd, SB_HORZ) && BarShown(Wnd, SB_VERT)) {
        const TRect C = Wnd->Client;
        FillRect(DC, Rect(C.Right, C.Bottom, C.Right + GetSystemMetrics(SM_CXVSCROLL),
                         C.Bottom + GetSystemMetrics(SM_CYHSCROLL)),
            GetSysColorBrush(COLOR_3DFACE));
    }
}

bool ScrollBarMouse(HWND Wnd, UINT Msg, int X, int Y)
{
    if (TrackBar(Wnd, Msg, X, Y))
        return true;
    if (Msg != WM_LBUTTONDOWN && Msg != WM_LBUTTONDBLCLK)
        return false;
    for (int Bar : {SB_HORZ, SB_VERT}) {
        if (!BarShown(Wnd, Bar))
            continue;
        const BarGeometry G = Geometry(Wnd, Bar);
        if (!PtInRect(G.Bar, Point(X, Y)))
            continue;
        if (Scrollable(Wnd->Scroll[Bar]))
            PressBar(Wnd, Bar, X, Y);
        return true;
    }
    // The size grip corner belongs to the frame too.
    return !PtInRect(Wnd->Client, Point(X, Y)) && (BarShown(Wnd, SB_HORZ) || BarShown(Wnd, SB_VERT)) &&
        X >= Wnd->Client.Right && Y >= Wnd->Client.Bottom;
}

void PaintScrollBarControl(HWND Wnd, HDC DC)
{
    if (!IsLiveWindow(Wnd))
        return;
    // The paint DC's origin is the client's top-left.
    TPoint Old;
    OffsetViewportOrgEx(DC, -Wnd->Client.Left, -Wnd->Client.Top, &Old);
    PaintBar(Wnd, DC, SB_CTL);
    SetViewportOrgEx(DC, Old.X, Old.Y, nullptr);
}

void ScrollBarControlMouse(HWND Wnd, UINT Msg, int X, int Y)
{
    if (!IsLiveWindow(Wnd))
        return;
    X += Wnd->Client.Left;
    Y += Wnd->Client.Top;
    if (TrackBar(Wnd, Msg, X, Y))
        return;
    if ((Msg == WM_LBUTTONDOWN || Msg == WM_LBUTTONDBLCLK) && Scrollable(Wnd->Scroll[SB_CTL]))
        PressBar(Wnd, SB_CTL, X, Y);
}

int SyncScrollBar(HWND Wnd, int Bar, int Count, int Page, int Pos)
{
    Count = std::max(Count, 0);
    Page = std::max(Page, 0);
    const int Held = std::clamp(Pos, 0, std::max(0, Count - Page));
    if (!IsLiveWindow(Wnd))
        return Held;
    const ScrollBarState& S = Wnd->Scroll[Bar];
    const bool Shown = BarShown(Wnd, Bar);
    // Nothing to do keeps the frame still: resizing calls this again.
    if (S.Min == 0 && S.Max == std::max(Count - 1, 0) && static_cast<int>(S.Page) == std::min(Page, std::max(Count, 1))
        && S.Pos == Held && Shown == (Count > Page))
        return Held;
    SCROLLINFO I;
    I.fMask = SIF_ALL;
    I.nMin = 0;
    I.nMax = std::max(Count - 1, 0);
    I.nPage = static_cast<UINT>(Page);
    I.nPos = Held;
    return SetScrollInfo(Wnd, Bar, I, true);
}

int ScrolledPos(HWND Wnd, int Bar, int Code, int Line)
{
    if (!IsLiveWindow(Wnd) || !ValidBar(Bar))
        return 0;
    const ScrollBarState& S = Wnd->Scroll[Bar];
    const int Page = std::max(static_cast<int>(S.Page), 1);
    int Pos = S.Pos;
    switch (Code) {
    case SB_LINEUP: Pos -= Line; break;
    case SB_LINEDOWN: Pos += Line; break;
    case SB_PAGEUP: Pos -= Page; break;
    case SB_PAGEDOWN: Pos += Page; break;
    // The message carries only 16 bits of it; the bar keeps all of them.
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: Pos = S.TrackPos; break;
    case SB_TOP: Pos = S.Min; break;
    case SB_BOTTOM: Pos = S.Max; break;
    default: break;
    }
    return std::clamp(Pos, S.Min, MaxPos(S));
}

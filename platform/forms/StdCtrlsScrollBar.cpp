// The scroll bar control.

#include "platform/forms/StdCtrls.h"

#include "platform/forms/StdPrivate.h"
#include "platform/rtl/Exceptions.h"

#include <algorithm>
#include <utility>

namespace {

const char* const SScrollBarRange = "Scroll bar property out of range";

}  // namespace

PRICETAGS_DEFINE_CLASS(TScrollBar)

TScrollBar::TScrollBar(TComponent* AOwner) : TWinControl(AOwner)
{
    FTabStop = true;
    SetBounds(FLeft, FTop, 121, GetSystemMetrics(SM_CYHSCROLL));
}

TScrollBar::~TScrollBar() = default;

void TScrollBar::CreateParams(TCreateParams& Params)
{
    inherited::CreateParams(Params);
    if (FKind == sbVertical)
        Params.Style |= SBS_VERT;
}

void TScrollBar::CreateWnd()
{
    inherited::CreateWnd();
    UpdateBar();
}

void TScrollBar::SetKind(TScrollBarKind Value)
{
    if (FKind == Value)
        return;
    FKind = Value;
    SetBounds(FLeft, FTop, FHeight, FWidth);
    if (HandleAllocated())
        RecreateWnd();
}

void TScrollBar::SetParams(int APosition, int AMin, int AMax)
{
    if (AMax < AMin)
        throw EInvalidOperation(SScrollBarRange);
    // A page ends at Max: the highest position shows the last page.
    APosition = std::clamp(APosition, AMin, std::max(AMin, AMax - std::max(FPageSize - 1, 0)));
    const bool Changed = APosition != FPosition;
    FMin = AMin;
    FMax = AMax;
    FPosition = APosition;
    UpdateBar();
    if (Changed)
        Change();
}

void TScrollBar::SetPageSize(int Value)
{
    if (Value < 0 || Value > FMax - FMin + 1)
        throw EInvalidOperation(SScrollBarRange);
    FPageSize = Value;
    SetParams(FPosition, FMin, FMax);
}

void TScrollBar::UpdateBar()
{
    if (!HandleAllocated())
        return;
    SCROLLINFO I;
    I.fMask = SIF_ALL;
    I.nMin = FMin;
    I.nMax = FMax;
    I.nPage = static_cast<UINT>(FPageSize);
    I.nPos = FPosition;
    SetScrollInfo(FHandle, SB_CTL, I, true);
    Invalidate();
}

void TScrollBar::Change()
{
    OnChange(this);
}

void TScrollBar::Scroll(TScrollCode ScrollCode, int& ScrollPos)
{
    OnScroll(this, ScrollCode, ScrollPos);
}

void TScrollBar::DoScroll(TWMScroll& Message)
{
    int ScrollPos = FPosition;
    const auto Code = static_cast<TScrollCode>(Message.ScrollCode);
    switch (Message.ScrollCode) {
    case SB_LINEUP: ScrollPos -= FSmallChange; break;
    case SB_LINEDOWN: ScrollPos += FSmallChange; break;
    case SB_PAGEUP: ScrollPos -= FLargeChange; break;
    case SB_PAGEDOWN: ScrollPos += FLargeChange; break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: {
        // The message holds 16 bits of the position; the bar all of them.
        SCROLLINFO I;
        I.fMask = SIF_TRACKPOS;
        GetScrollInfo(FHandle, SB_CTL, I);
        ScrollPos = I.nTrackPos;
        break;
    }
    case SB_TOP: ScrollPos = FMin; break;
    case SB_BOTTOM: ScrollPos = FMax; break;
    case SB_ENDSCROLL: break;
    default: return;
    }
    Scroll(Code, ScrollPos);
    SetPosition(ScrollPos);
}

void TScrollBar::SendCode(int Code)
{
    if (!FParent || !FParent->HandleAllocated())
        return;
    SendMessage(FParent->Handle(), FKind == sbVertical ? WM_VSCROLL : WM_HSCROLL, MakeWParam(Code, 0),
        reinterpret_cast<LPARAM>(Handle()));
}

void TScrollBar::PaintWindow(HDC DC)
{
    PaintScrollBarControl(FHandle, DC);
}

void TScrollBar::Dispatch(TMessage& Message)
{
    switch (Message.Msg) {
    case CN_HSCROLL:
    case CN_VSCROLL: {
        TWMScroll M(Message);
        DoScroll(M);
        return;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (CanFocus() && !Focused())
            SetFocus();
        inherited::Dispatch(Message);
        if (HandleAllocated())
            ScrollBarControlMouse(FHandle, Message.Msg, GetXLParam(Message.LParam), GetYLParam(Message.LParam));
        return;
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP:
        inherited::Dispatch(Message);
        if (HandleAllocated())
            ScrollBarControlMouse(FHandle, Message.Msg, GetXLParam(Message.LParam), GetYLParam(Message.LParam));
        return;
    case WM_ERASEBKGND:
        // The bar paints every pixel.
        Message.Result = 1;
        return;
    default: inherited::Dispatch(Message); return;
    }
}

void TScrollBar::KeyDown(Word& Key, TShiftState Shift)
{
    inherited::KeyDown(Key, Shift);
    int Code = -1;
    switch (Key) {
    case VK_UP:
    case VK_LEFT: Code = SB_LINEUP; break;
    case VK_DOWN:
    case VK_RIGHT: Code = SB_LINEDOWN; break;
    case VK_PRIOR: Code = SB_PAGEUP; break;
    case VK_NEXT: Code = SB_PAGEDOWN; break;
    case VK_HOME: Code = SB_TOP; break;
    case VK_END: Code = SB_BOTTOM; break;
    default: return;
    }
    SendCode(Code);
    SendCode(SB_ENDSCROLL);
}

bool TScrollBar::DoMouseWheelDown(TShiftState Shift, TPoint MousePos)
{
    if (!inherited::DoMouseWheelDown(Shift, MousePos))
        for (int I = 0; I < WheelScrollLines; ++I)
            SendCode(SB_LINEDOWN);
    return true;
}

bool TScrollBar::DoMouseWheelUp(TShiftState Shift, TPoint MousePos)
{
    if (!inherited::DoMouseWheelUp(Shift, MousePos))
        for (int I = 0; I < WheelScrollLines; ++I)
            SendCode(SB_LINEUP);
    return true;
}

void TScrollBar::WMGetDlgCode(TMessageRecord& Message)
{
    Message.Result = DLGC_WANTARROWS;
}

// Scrolling windows: TControlScrollBar, TScrollingWinControl, TScrollBox
// and frames.

#include "platform/forms/Forms.h"

#include "platform/forms/StdPrivate.h"

#include <algorithm>

#define PT_META(T)                                                    \
    TClass T::StaticClass()                                           \
    {                                                                 \
        static const MetaClass Class = MetaClass::Make<T>(#T);        \
        return &Class;                                                \
    }

PT_META(TControlScrollBar)
PT_META(TScrollingWinControl)
PT_META(TScrollBox)
PT_META(TCustomFrame)
PT_META(TFrame)
#undef PT_META

// ---- TControlScrollBar ------------------------------------------------------------------------

TControlScrollBar::TControlScrollBar(TScrollingWinControl* Control, TScrollBarKind Kind)
    : FControl(Control), FKind(Kind)
{
}

TControlScrollBar::~TControlScrollBar() = default;

void TControlScrollBar::Assign(TPersistent* Source)
{
    auto* S = dynamic_cast<TControlScrollBar*>(Source);
    if (!S) {
        inherited::Assign(Source);
        return;
    }
    FIncrement = S->FIncrement;
    FTracking = S->FTracking;
    FVisible = S->FVisible;
    DoSetRange(S->FRange);
    SetPosition(S->FPosition);
}

// The children's last moves may still have to reach the range.
int TControlScrollBar::Position() const
{
    FControl->AlignWaiting();
    return FPosition;
}

int TControlScrollBar::Range() const
{
    FControl->AlignWaiting();
    return FRange;
}

void TControlScrollBar::SetIncrement(int Value)
{
    FIncrement = std::max(Value, 1);
}

int TControlScrollBar::ControlSize() const
{
    return FKind == sbHorizontal ? FControl->ClientWidth() : FControl->ClientHeight();
}

bool TControlScrollBar::IsScrollBarVisible() const
{
    FControl->AlignWaiting();
    return FVisible && FRange > ControlSize();
}

void TControlScrollBar::SetPosition(int Value)
{
    FControl->AlignWaiting();
    const int Max = IsScrollBarVisible() ? FRange - ControlSize() : 0;
    Value = std::clamp(Value, 0, std::max(Max, 0));
    if (Value == FPosition)
        return;
    const int Delta = FPosition - Value;
    FPosition = Value;
    if (FKind == sbHorizontal)
        FControl->ScrollBy(Delta, 0);
    else
        FControl->ScrollBy(0, Delta);
    FControl->UpdateScrollBars();
}

void TControlScrollBar::SetRange(int Value)
{
    FControl->FAutoScroll = false;
    DoSetRange(Value);
}

void TControlScrollBar::DoSetRange(int Value)
{
    FRange = std::max(Value, 0);
    FControl->UpdateScrollBars();
}

void TControlScrollBar::SetVisible(bool Value)
{
    FVisible = Value;
    FControl->UpdateScrollBars();
}

void TControlScrollBar::ScrollMessage(TWMScroll& Message)
{
    FControl->AlignWaiting();
    if (!FControl->HandleAllocated())
        return;
    const int Bar = FKind == sbHorizontal ? SB_HORZ : SB_VERT;
    // Without Tracking the thumb moves alone until it is let go.
    if (Message.ScrollCode == SB_THUMBTRACK && !FTracking)
        return;
    const int Pos = ScrolledPos(FControl->Handle(), Bar, Message.ScrollCode, FIncrement);
    SetPosition(Pos);
}

// ---- TScrollingWinControl ---------------------------------------------------------------------

TScrollingWinControl::TScrollingWinControl(TComponent* AOwner)
    : TWinControl(AOwner), FHorzScrollBar(std::make_unique<TControlScrollBar>(this, sbHorizontal)),
      FVertScrollBar(std::make_unique<TControlScrollBar>(this, sbVertical))
{
}

TScrollingWinControl::~TScrollingWinControl() = default;

void TScrollingWinControl::SetAutoScroll(bool Value)
{
    if (FAutoScroll == Value)
        return;
    FAutoScroll = Value;
    if (Value) {
        CalcAutoRange();
        return;
    }
    FHorzScrollBar->DoSetRange(0);
    FVertScrollBar->DoSetRange(0);
}

void TScrollingWinControl::DisableAutoRange()
{
    ++FAutoRangeCount;
}

void TScrollingWinControl::EnableAutoRange()
{
    if (FAutoRangeCount > 0 && --FAutoRangeCount == 0)
        CalcAutoRange();
}

void TScrollingWinControl::CalcAutoRange()
{
    if (!FAutoScroll || FAutoRangeCount > 0)
        return;
    int Right = 0, Bottom = 0;
    for (int I = 0; I < ControlCount(); ++I) {
        TControl* C = Controls(I);
        if (!C->Visible())
            continue;
        // A control stretched along a side follows the range; it cannot
        // make it.
        const TAlign A = C->Align();
        if (A == alNone || A == alLeft)
            Right = std::max(Right, C->Left() + C->Width() + FHorzScrollBar->FPosition);
        if (A == alNone || A == alTop)
            Bottom = std::max(Bottom, C->Top() + C->Height() + FVertScrollBar->FPosition);
    }
    FHorzScrollBar->FRange = Right;
    FVertScrollBar->FRange = Bottom;
    UpdateScrollBars();
}

void TScrollingWinControl::UpdateScrollBars()
{
    if (!HandleAllocated() || FUpdatingScrollBars)
        return;
    FUpdatingScrollBars = true;
    TControlScrollBar* const Bars[] = {FHorzScrollBar.get(), FVertScrollBar.get()};
    // Each bar takes room from the other's page: twice settles both.
    for (int Pass = 0; Pass < 2; ++Pass)
        for (TControlScrollBar* B : Bars) {
            const int Bar = B->FKind == sbHorizontal ? SB_HORZ : SB_VERT;
            const int Range = B->FVisible ? B->FRange : 0;
            const int Held = SyncScrollBar(Handle(), Bar, Range, B->ControlSize(), B->FPosition);
            if (Held != B->FPosition) {
                const int Delta = B->FPosition - Held;
                B->FPosition = Held;
                ScrollBy(B->FKind == sbHorizontal ? Delta : 0, B->FKind == sbVertical ? Delta : 0);
            }
        }
    FUpdatingScrollBars = false;
}

void TScrollingWinControl::AdjustClientRect(TRect& Rect)
{
    // Aligned children take the scrolled area, at least the client.
    Rect = Bounds(-FHorzScrollBar->FPosition, -FVertScrollBar->FPosition,
        std::max(FHorzScrollBar->FRange, Rect.Width()), std::max(FVertScrollBar->FRange, Rect.Height()));
}

void TScrollingWinControl::AlignControls(TControl* AControl, TRect& Rect)
{
    inherited::AlignControls(AControl, Rect);
    CalcAutoRange();
}

void TScrollingWinControl::CreateWnd()
{
    inherited::CreateWnd();
    UpdateScrollBars();
}

void TScrollingWinControl::WMSize(TWMSize& Message)
{
    inherited::WMSize(Message);
    UpdateScrollBars();
}

void TScrollingWinControl::WMHScroll(TWMScroll& Message)
{
    if (Message.ScrollBar) {
        inherited::WMHScroll(Message);
        return;
    }
    FHorzScrollBar->ScrollMessage(Message);
}

void TScrollingWinControl::WMVScroll(TWMScroll& Message)
{
    if (Message.ScrollBar) {
        inherited::WMVScroll(Message);
        return;
    }
    FVertScrollBar->ScrollMessage(Message);
}

bool TScrollingWinControl::DoMouseWheelDown(TShiftState Shift, TPoint MousePos)
{
    if (!inherited::DoMouseWheelDown(Shift, MousePos))
        FVertScrollBar->SetPosition(FVertScrollBar->FPosition + WheelScrollLines * FVertScrollBar->FIncrement);
    return true;
}

bool TScrollingWinControl::DoMouseWheelUp(TShiftState Shift, TPoint MousePos)
{
    if (!inherited::DoMouseWheelUp(Shift, MousePos))
        FVertScrollBar->SetPosition(FVertScrollBar->FPosition - WheelScrollLines * FVertScrollBar->FIncrement);
    return true;
}

void TScrollingWinControl::ScrollInView(TControl* AControl)
{
    if (!AControl || !ContainsControl(AControl))
        return;
    // The control's rectangle in this window's client pixels.
    TRect R = AControl->BoundsRect();
    for (TWinControl* P = AControl->Parent(); P && P != this; P = P->Parent())
        OffsetRect(R, P->Left(), P->Top());
    const auto Bring = [](TControlScrollBar* Bar, int Start, int End) {
        const int Size = Bar->ControlSize();
        int Pos = Bar->Position();
        if (End > Size)
            Pos += End - Size;
        // The start wins when the control is larger than the client.
        if (Start - (Pos - Bar->Position()) < 0)
            Pos = Bar->Position() + Start;
        Bar->SetPosition(Pos);
    };
    Bring(FHorzScrollBar.get(), R.Left, R.Right);
    Bring(FVertScrollBar.get(), R.Top, R.Bottom);
}

// ---- TScrollBox -------------------------------------------------------------------------------

TScrollBox::TScrollBox(TComponent* AOwner) : TScrollingWinControl(AOwner)
{
    SetControlStyle({csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks});
    FTabStop = false;
    SetBounds(FLeft, FTop, 185, 41);
}

TScrollBox::~TScrollBox() = default;

void TScrollBox::CreateParams(TCreateParams& Params)
{
    inherited::CreateParams(Params);
    if (FBorderStyle == bsSingle)
        AddSingleBorder(Params, Ctl3D());
}

void TScrollBox::SetBorderStyle(TFormBorderStyle Value)
{
    if (FBorderStyle == Value)
        return;
    FBorderStyle = Value;
    if (HandleAllocated())
        RecreateWnd();
}

// ---- frames --------------------------------------------------------------------------------------

TCustomFrame::TCustomFrame(TComponent* AOwner) : TScrollingWinControl(AOwner)
{
    SetControlStyle({csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks});
    SetBounds(FLeft, FTop, 320, 240);
}

TCustomFrame::~TCustomFrame() = default;

TFrame::~TFrame() = default;

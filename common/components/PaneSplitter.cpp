#include "common/components/PaneSplitter.h"

#include "platform/forms/Forms.h"
#include "platform/winapi/Messages.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/Ticks.h"

#include <algorithm>
#include <cstdlib>

namespace {

/// Live resizing waits this long between two updates of the control.
constexpr DWORD LiveUpdatePause = 21;

HBRUSH CreateLineBrush(bool Pattern)
{
    if (!Pattern)
        return CreateSolidBrush(RGB(255, 255, 255));
    TBitmap Checker;
    Checker.SetSize(8, 8);
    for (int Y = 0; Y < 8; ++Y)
        for (int X = 0; X < 8; ++X)
            Checker.Canvas()->SetPixels(X, Y, (X + Y) % 2 ? clWhite : clBlack);
    return CreatePatternBrush(Checker.Handle());
}

} // namespace

// ---- action link ------------------------------------------------------------------------------

PRICETAGS_DEFINE_CLASS(TPaneSplitterActionLink)

TPaneSplitterActionLink::~TPaneSplitterActionLink()
{
    Restore();
}

void TPaneSplitterActionLink::Restore()
{
    if (auto* A = dynamic_cast<TCustomAction*>(FAction)) {
        A->SetAutoCheck(FSavedAutoCheck);
        A->SetGroupIndex(FSavedGroupIndex);
    }
}

void TPaneSplitterActionLink::Link(TBasicAction* Value)
{
    Restore();
    SetAction(Value);
    if (auto* A = dynamic_cast<TCustomAction*>(Value)) {
        FSavedAutoCheck = A->AutoCheck();
        FSavedGroupIndex = A->GroupIndex();
        A->SetAutoCheck(true);
        A->SetGroupIndex(0);
        A->SetChecked(!FClient->IsSnapped());
    }
}

bool TPaneSplitterActionLink::IsCheckedLinked() const
{
    auto* A = dynamic_cast<TCustomAction*>(FAction);
    return A && A->Checked() == !FClient->IsSnapped();
}

void TPaneSplitterActionLink::SetChecked(bool Value)
{
    FClient->CancelDrag();
    FClient->SetIsSnapped(!Value);
}

// ---- splitter ---------------------------------------------------------------------------------------

PRICETAGS_DEFINE_CLASS(TPaneSplitter,
    Property("Size", &TPaneSplitter::Size, &TPaneSplitter::SetSize),
    Property("MinSize", &TPaneSplitter::MinSize, &TPaneSplitter::SetMinSize),
    Property("AutoSnap", &TPaneSplitter::AutoSnap, &TPaneSplitter::SetAutoSnap),
    Property("IsSnapped", &TPaneSplitter::IsSnapped, &TPaneSplitter::SetIsSnapped),
    Property("AllowDrag", &TPaneSplitter::AllowDrag, &TPaneSplitter::SetAllowDrag),
    Property("Beveled", &TPaneSplitter::Beveled, &TPaneSplitter::SetBeveled),
    Property("ButtonVisible", &TPaneSplitter::ButtonVisible, &TPaneSplitter::SetButtonVisible),
    Property("ButtonAlign", &TPaneSplitter::ButtonAlign, &TPaneSplitter::SetButtonAlign),
    Property("ButtonPosition", &TPaneSplitter::ButtonPosition, &TPaneSplitter::SetButtonPosition),
    Property("ButtonWidthType", &TPaneSplitter::ButtonWidthType, &TPaneSplitter::SetButtonWidthType),
    Property("ButtonWidth", &TPaneSplitter::ButtonWidth, &TPaneSplitter::SetButtonWidth))

TPaneSplitter::TPaneSplitter(TComponent* AOwner) : TCustomControl(AOwner)
{
    FParentColor = true;
    TControl::SetAlign(alLeft);
    SetBounds(FLeft, FTop, 8, 100);
    SetCursor(crHSplit);
}

TPaneSplitter::~TPaneSplitter()
{
    Destroying();
    StopDrag();
    FSplitterLink.reset();
}

// ---- geometry and snapping --------------------------------------------------------------------

int TPaneSplitter::Size() const
{
    return Horizontal() ? Width() : Height();
}

void TPaneSplitter::SetSize(int Value)
{
    if (Value < 1 || Value > 36)
        return;
    if (Horizontal())
        SetWidth(Value);
    else
        SetHeight(Value);
}

void TPaneSplitter::SetAlign(TAlign Value)
{
    if (Value == alClient)
        return;
    const int Thickness = Size();
    TControl::SetAlign(Value);
    SetSize(Thickness);
    FBarCursor = Horizontal() ? crHSplit : crVSplit;
    SetCursor(FBarCursor);
    if (ComponentState().Contains(csLoading))
        return;
    SetAlignControl(FindAlignControl());
}

TControl* TPaneSplitter::FindAlignControl()
{
    if (!Parent())
        return nullptr;
    TPoint P {Left(), Top()};
    switch (FAlign) {
    case alLeft: --P.X; break;
    case alRight: P.X += Width(); break;
    case alTop: --P.Y; break;
    case alBottom: P.Y += Height(); break;
    case alNone:
    case alClient:
    case alCustom: return nullptr;
    }
    for (int I = 0; I < Parent()->ControlCount(); ++I) {
        TControl* C = Parent()->Controls(I);
        if (C == this || !C->Visible())
            continue;
        TRect R = C->BoundsRect();
        // A control collapsed to nothing still touches the bar.
        if (R.Width() == 0)
            (FAlign == alLeft) ? --R.Left : ++R.Right;
        if (R.Height() == 0)
            (FAlign == alTop) ? --R.Top : ++R.Bottom;
        if (P.X >= R.Left && P.X < R.Right && P.Y >= R.Top && P.Y < R.Bottom)
            return C;
    }
    return nullptr;
}

void TPaneSplitter::SetAlignControl(TControl* Value)
{
    if (FAlignControl == Value)
        return;
    if (FAlignControl)
        FAlignControl->RemoveFreeNotification(this);
    FAlignControl = Value;
    if (Value) {
        Value->FreeNotification(this);
        PlaceNextToControl();
    }
}

void TPaneSplitter::PlaceNextToControl()
{
    if (!FAlignControl || ComponentState().Contains(csLoading))
        return;
    switch (FAlign) {
    case alTop: SetTop(FAlignControl->Top() + FAlignControl->Height()); break;
    case alBottom: SetTop(FAlignControl->Top() - Height()); break;
    case alLeft: SetLeft(FAlignControl->Left() + FAlignControl->Width()); break;
    case alRight: SetLeft(FAlignControl->Left() - Width()); break;
    case alNone:
    case alClient:
    case alCustom: break;
    }
}

int TPaneSplitter::CurrentControlSize() const
{
    if (!FAlignControl)
        return 0;
    return Horizontal() ? FAlignControl->Width() : FAlignControl->Height();
}

void TPaneSplitter::ApplyControlSize(int Value)
{
    if (!FAlignControl)
        return;
    Value = std::max(Value, 0);
    if (Horizontal()) {
        // A control on the right grows to the left: keep its right edge.
        if (FAlign == alRight)
            FAlignControl->SetBounds(FAlignControl->Left() + FAlignControl->Width() - Value,
                FAlignControl->Top(), Value, FAlignControl->Height());
        else
            FAlignControl->SetWidth(Value);
    } else if (FAlign == alBottom) {
        FAlignControl->SetBounds(FAlignControl->Left(), FAlignControl->Top() + FAlignControl->Height() - Value,
            FAlignControl->Width(), Value);
    } else {
        FAlignControl->SetHeight(Value);
    }
    PlaceNextToControl();
}

void TPaneSplitter::ChangeSnapped(bool Value)
{
    if (FIsSnapped == Value)
        return;
    FIsSnapped = Value;
    OnSnap(this);
    Invalidate();
    if (FSplitterLink)
        if (auto* A = dynamic_cast<TCustomAction*>(FSplitterLink->Action()); A && A->Checked() == Value)
            A->SetChecked(!Value);
}

void TPaneSplitter::SetIsSnapped(bool Value)
{
    if (ComponentState().Contains(csLoading)) {
        FIsSnapped = Value;
        return;
    }
    if (!FAlignControl)
        Value = false;
    if (Value == FIsSnapped)
        return;
    if (!FDragging) {
        const bool Sided = FAlign == alTop || FAlign == alBottom || FAlign == alLeft || FAlign == alRight;
        if (Value && !Sided)
            return;
        if (Value) {
            FRestoreSize = CurrentControlSize();
            ApplyControlSize(0);
        } else {
            ApplyControlSize(FRestoreSize);
        }
    }
    ChangeSnapped(Value);
    PlaceNextToControl();
}

int TPaneSplitter::ControlSize()
{
    if (!FIsSnapped && FAlignControl)
        FRestoreSize = CurrentControlSize();
    return FRestoreSize;
}

void TPaneSplitter::SetControlSize(int Value)
{
    FRestoreSize = Value;
    if (!FIsSnapped && !ComponentState().Contains(csLoading))
        ApplyControlSize(Value);
}

void TPaneSplitter::Loaded()
{
    inherited::Loaded();
    if (!FAlignControl) {
        FIsSnapped = false;
        return;
    }
    if (FIsSnapped)
        ApplyControlSize(0);
    else if (FRestoreSize > 0)
        ApplyControlSize(FRestoreSize);
    PlaceNextToControl();
}

void TPaneSplitter::Notification(TComponent* AComponent, TOperation Operation)
{
    inherited::Notification(AComponent, Operation);
    if (Operation != opRemove)
        return;
    if (AComponent == FAlignControl) {
        FAlignControl = nullptr;
        ChangeSnapped(false);
    }
    if (FSplitterLink && AComponent == FSplitterLink->Action())
        FSplitterLink.reset();
}

void TPaneSplitter::SetAction(TBasicAction* Value)
{
    if (!Value) {
        FSplitterLink.reset();
        return;
    }
    if (!FSplitterLink)
        FSplitterLink = std::make_unique<TPaneSplitterActionLink>(this);
    FSplitterLink->Link(Value);
    Value->FreeNotification(this);
}

TBasicAction* TPaneSplitter::LinkedAction() const
{
    return FSplitterLink ? FSplitterLink->Action() : nullptr;
}

// ---- setters of the look ---------------------------------------------------------------------------

#define PANE_SETTER(Name, Type, Field)        \
    void TPaneSplitter::Set##Name(Type Value) \
    {                                         \
        if (Field == Value)                   \
            return;                           \
        Field = Value;                        \
        Invalidate();                         \
    }

PANE_SETTER(Beveled, bool, FBeveled)
PANE_SETTER(ButtonVisible, bool, FButtonVisible)
PANE_SETTER(ButtonAlign, int, FButtonAlign)
PANE_SETTER(ButtonPosition, int, FButtonPosition)
PANE_SETTER(ArrowColor, TColor, FArrowColor)
PANE_SETTER(ButtonColor, TColor, FButtonColor)
PANE_SETTER(ButtonHighlightColor, TColor, FButtonHighlightColor)
PANE_SETTER(TextureColor1, TColor, FTextureColor1)
PANE_SETTER(TextureColor2, TColor, FTextureColor2)

#undef PANE_SETTER

void TPaneSplitter::SetButtonWidthType(int Value)
{
    if (Value == FButtonWidthType)
        return;
    FButtonWidthType = Value;
    if (Value == 1 && FButtonWidth > 100)
        FButtonWidth = 100;
    Invalidate();
}

void TPaneSplitter::SetButtonWidth(int Value)
{
    Value = FButtonWidthType == 1 ? std::clamp(Value, 0, 100) : std::max(Value, 0);
    if (Value == FButtonWidth)
        return;
    FButtonWidth = Value;
    Invalidate();
}

void TPaneSplitter::SetAutoHighlightColor(bool Value)
{
    FAutoHighlightColor = Value;
    if (!Value)
        FButtonHighlightColor = static_cast<TColor>(0xFFCFCF);
    Invalidate();
}

// ---- painting -----------------------------------------------------------------------------------------

int TPaneSplitter::BarLength()
{
    return Horizontal() ? ClientHeight() : ClientWidth();
}

TRect TPaneSplitter::ButtonRect()
{
    const int Bar = BarLength();
    const int L = FButtonWidthType == 1 ? MulDiv(Bar, FButtonWidth, 100) : FButtonWidth;
    if (L < 1)
        return {0, 0, 0, 0};
    int P = FButtonPosition;
    if (FButtonAlign == 1)
        P = (Bar - L) / 2 + FButtonPosition;
    else if (FButtonAlign == 2)
        P = Bar - L - FButtonPosition;
    if (Horizontal())
        return {0, P, ClientWidth(), P + L};
    return {P, 0, P + L, ClientHeight()};
}

void TPaneSplitter::Paint()
{
    TCanvas* C = Canvas();
    TRect R = ClientRect();
    if (FBeveled)
        DrawEdge(C->Handle(), R, BDR_RAISEDOUTER, (Horizontal() ? BF_LEFT | BF_RIGHT : BF_TOP | BF_BOTTOM) | BF_FLAT | BF_ADJUST);
    C->Brush()->SetStyle(bsSolid);
    C->Brush()->SetColor(Color());
    C->FillRect(R);
    if (FButtonVisible)
        DrawButton(C);
    OnPaint(this);
}

void TPaneSplitter::DrawButton(TCanvas* Canvas)
{
    const TRect BR = ButtonRect();
    const int W = BR.Width(), H = BR.Height();
    if (W <= 0 || H <= 0 || !HandleAllocated())
        return;
    if (FAutoHighlightColor) {
        const COLORREF A = ColorToRGB(clActiveCaption), F = ColorToRGB(clBtnFace);
        FButtonHighlightColor = static_cast<TColor>(RGB((GetRValue(A) + GetRValue(F)) / 2,
            (GetGValue(A) + GetGValue(F)) / 2, (GetBValue(A) + GetBValue(F)) / 2));
    }
    TBitmap Bmp;
    Bmp.SetSize(W, H);
    TCanvas* B = Bmp.Canvas();
    B->Brush()->SetColor(static_cast<TColor>(0x808080));
    B->FillRect({0, 0, W, H});
    B->Brush()->SetColor(FOverButton ? FButtonHighlightColor : FButtonColor);
    B->FillRect({1, 1, W - 1, H - 1});
    B->Brush()->SetColor(clWhite);
    B->FillRect({1, 1, W - 1, 2});
    B->FillRect({1, 1, 2, H - 1});

    // Along runs down a bar aligned left or right and across one aligned
    // top or bottom; Across the other way. The face inside frame and white
    // lines starts at 2 across.
    const bool Vert = Horizontal();
    const int Along = Vert ? H : W;
    const int Thick = Vert ? W : H;
    const auto Set = [&](int A, int X, TColor Color) {
        if (Vert)
            B->SetPixels(X, A, Color);
        else
            B->SetPixels(A, X, Color);
    };
    int N = Thick - 2;
    if (N % 2 == 0)
        --N;
    N = std::max(N, 1);
    const int ArrowLen = 2 * N - 1;
    const int AcrossStart = (Thick - N) / 2;
    // Towards the control: left/up for a bar aligned left/top, else right/down.
    bool TowardsStart = FAlign == alLeft || FAlign == alTop;
    if (FIsSnapped)
        TowardsStart = !TowardsStart;
    const auto Arrow = [&](int AlongStart) {
        const int Mid = AlongStart + N - 1;
        for (int Col = 0; Col < N; ++Col) {
            // Column 0 across is the tip when the arrow points to the start.
            const int Half = TowardsStart ? Col : N - 1 - Col;
            for (int A = Mid - Half; A <= Mid + Half; ++A)
                Set(A, AcrossStart + Col, FArrowColor);
        }
    };
    const int First = 4;
    const int Second = Along - 4 - ArrowLen;
    if (Second >= First) {
        Arrow(First);
        Arrow(Second);
        const int TexFrom = First + ArrowLen + 4;
        const int TexTo = Second - 4;
        const int TexAcrossFrom = 2, TexAcrossTo = Thick - 1;
        if (TexTo - TexFrom >= 3 && TexAcrossTo - TexAcrossFrom >= 3) {
            for (int A = TexFrom; A + 3 <= TexTo; A += 3)
                for (int X = TexAcrossFrom; X + 3 <= TexAcrossTo; X += 3) {
                    Set(A + 1, X + 1, FTextureColor1);
                    Set(A + 2, X + 2, FTextureColor2);
                }
        }
    }
    Canvas->Draw(BR.Left, BR.Top, &Bmp);
}

// ---- mouse --------------------------------------------------------------------------------------

bool TPaneSplitter::CanResize(int& NewSize)
{
    bool Accept = true;
    OnCanResize(this, NewSize, Accept);
    return Accept;
}

void TPaneSplitter::UpdateHover(int X, int Y)
{
    if (FDragging || ComponentState().Contains(csDesigning))
        return;
    const TRect BR = ButtonRect();
    const bool Over = FButtonVisible && X >= BR.Left && X < BR.Right && Y >= BR.Top && Y < BR.Bottom;
    SetCursor(Over ? FButtonCursor : FBarCursor);
    if (Over == FOverButton)
        return;
    FOverButton = Over;
    Invalidate();
}

void TPaneSplitter::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    inherited::MouseDown(Button, Shift, X, Y);
    if (Button != mbLeft || !Enabled() || !FAlignControl)
        return;
    const TRect BR = ButtonRect();
    FPressedOnButton = FButtonVisible && X >= BR.Left && X < BR.Right && Y >= BR.Top && Y < BR.Bottom;
    FSizeAtPress = FIsSnapped ? 0 : CurrentControlSize();
    FNewSize = FSizeAtPress;
    if (!FAllowDrag) {
        if (FPressedOnButton)
            SetIsSnapped(!FIsSnapped);
        FPressedOnButton = false;
        return;
    }
    FDownPos = {X, Y};
    FDragging = true;
    FLastUpdate = 0;
    // The largest size: the parent's room across, less the smallest size,
    // less what the other bars and controls on that axis take.
    const bool Vert = Horizontal();
    FMaxSize = (Vert ? Parent()->ClientWidth() : Parent()->ClientHeight()) - FMinSize;
    for (int I = 0; I < Parent()->ControlCount(); ++I) {
        TControl* C = Parent()->Controls(I);
        if (!C->Visible())
            continue;
        const bool OnAxis = Vert ? (C->Align() == alLeft || C->Align() == alRight)
                                 : (C->Align() == alTop || C->Align() == alBottom);
        if (OnAxis)
            FMaxSize -= Vert ? C->Width() : C->Height();
    }
    FMaxSize += CurrentControlSize();
    if (FResizeStyle == rsLine || FResizeStyle == rsPattern) {
        FLineDC = GetDCEx(Parent()->Handle(), nullptr, DCX_CACHE | DCX_CLIPSIBLINGS | DCX_LOCKWINDOWUPDATE);
        HBRUSH Brush = CreateLineBrush(FResizeStyle == rsPattern);
        DeleteObject(SelectObject(FLineDC, Brush));
        FSplit = 0;
        DrawLine();
    }
    HookFocusKeys();
}

void TPaneSplitter::CalcNewSize(int X, int Y, int& NewSize)
{
    const int Split = Horizontal() ? X - FDownPos.X : Y - FDownPos.Y;
    int S = CurrentControlSize();
    S = (FAlign == alLeft || FAlign == alTop) ? S + Split : S - Split;
    if (S < FMinSize)
        NewSize = FAutoSnap ? 0 : std::min(FMinSize, std::max(FMaxSize, 0));
    else
        NewSize = std::min(S, std::max(FMaxSize, FMinSize));
    // Where the line stands for that size (line styles move no control).
    const int Base = CurrentControlSize();
    FSplit = (FAlign == alLeft || FAlign == alTop) ? NewSize - Base : Base - NewSize;
}

void TPaneSplitter::DrawLine()
{
    if (!FLineDC)
        return;
    FLineVisible = !FLineVisible;
    TPoint P {Left(), Top()};
    if (Horizontal())
        P.X += FSplit;
    else
        P.Y += FSplit;
    PatBlt(FLineDC, P.X, P.Y, Width(), Height(), PATINVERT);
}

void TPaneSplitter::MouseMove(TShiftState Shift, int X, int Y)
{
    inherited::MouseMove(Shift, X, Y);
    if (!FDragging) {
        UpdateHover(X, Y);
        return;
    }
    if (FPressedOnButton && (std::abs(X - FDownPos.X) > 2 || std::abs(Y - FDownPos.Y) > 2))
        FPressedOnButton = false;
    if (FPressedOnButton)
        return;
    int NewSize = 0;
    const int OldSplit = FSplit;
    CalcNewSize(X, Y, NewSize);
    if (!CanResize(NewSize)) {
        FSplit = OldSplit;
        return;
    }
    if (FResizeStyle == rsLine || FResizeStyle == rsPattern) {
        const int NewSplit = FSplit;
        FSplit = OldSplit;
        DrawLine();
        FSplit = NewSplit;
        DrawLine();
        FNewSize = NewSize;
    } else if (FResizeStyle == rsUpdate) {
        FNewSize = NewSize;
        const DWORD Now = GetTickCount();
        if (NewSize > FMinSize && FLastUpdate != 0 && Now - FLastUpdate < LiveUpdatePause) {
            ChangeSnapped(NewSize == 0);
            return;
        }
        ApplyControlSize(NewSize);
        FLastUpdate = Now == 0 ? 1 : Now;
    } else {
        FNewSize = NewSize;
    }
    ChangeSnapped(NewSize == 0);
}

void TPaneSplitter::StopDrag()
{
    if (FLineDC) {
        if (FLineVisible)
            DrawLine();
        ReleaseDC(Parent() ? Parent()->Handle() : nullptr, FLineDC);
        FLineDC = nullptr;
        FLineVisible = false;
    }
    UnhookFocusKeys();
    FDragging = false;
}

void TPaneSplitter::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    inherited::MouseUp(Button, Shift, X, Y);
    if (Button != mbLeft || !FDragging)
        return;
    StopDrag();
    if (FPressedOnButton) {
        FPressedOnButton = false;
        SetIsSnapped(!FIsSnapped);
        return;
    }
    ApplyControlSize(FNewSize);
    // A drag down to nothing keeps the size it started from, for the
    // button to bring back.
    if (FNewSize == 0 && FSizeAtPress > 0)
        FRestoreSize = FSizeAtPress;
    ChangeSnapped(FNewSize == 0);
    OnMoved(this);
}

void TPaneSplitter::CancelDrag()
{
    if (!FDragging)
        return;
    StopDrag();
    FPressedOnButton = false;
    ApplyControlSize(FSizeAtPress);
    ChangeSnapped(FSizeAtPress == 0);
    OnMoved(this);
}

void TPaneSplitter::FocusKeyDown(TObject* Sender, Word& Key, TShiftState Shift)
{
    if (Key == VK_ESCAPE && FDragging) {
        CancelDrag();
        Key = 0;
        return;
    }
    FSavedKeyDown(Sender, Key, Shift);
}

void TPaneSplitter::HookFocusKeys()
{
    TCustomForm* Form = GetParentForm(this);
    TWinControl* Active = Form ? Form->ActiveControl() : nullptr;
    if (!Active)
        return;
    FKeyHookedControl = Active;
    FSavedKeyDown = Active->OnKeyDown;
    Active->OnKeyDown = TKeyEvent(this, &TPaneSplitter::FocusKeyDown);
}

void TPaneSplitter::UnhookFocusKeys()
{
    if (!FKeyHookedControl)
        return;
    FKeyHookedControl->OnKeyDown = FSavedKeyDown;
    FKeyHookedControl = nullptr;
    FSavedKeyDown = nullptr;
}

void TPaneSplitter::Dispatch(TMessage& Message)
{
    switch (Message.Msg) {
    case WM_LBUTTONUP: {
        // The release lets the capture go before it arrives here: that
        // loss is no cancel.
        FReleasing = true;
        struct Done {
            bool& F;
            ~Done() { F = false; }
        } Guard {FReleasing};
        inherited::Dispatch(Message);
        return;
    }
    case WM_CAPTURECHANGED:
        if (FDragging && !FReleasing)
            CancelDrag();
        return;
    case WM_KEYDOWN:
        if (FDragging && LoWord(Message.WParam) == VK_ESCAPE) {
            CancelDrag();
            return;
        }
        break;
    case CM_HINTSHOW:
        // A hint only while not dragging, and over the button when there is one.
        if (FDragging || (FButtonVisible && !FOverButton))
            Message.Result = 1;
        return;
    default:
        break;
    }
    inherited::Dispatch(Message);
}

void TPaneSplitter::WMEraseBkgnd(TWMEraseBkgnd& Message)
{
    Message.Result = 1;
}

void TPaneSplitter::WMCancelMode(TMessageRecord& Message)
{
    CancelDrag();
    inherited::WMCancelMode(Message);
}

void TPaneSplitter::CMMouseLeave(TMessageRecord& Message)
{
    inherited::CMMouseLeave(Message);
    if (FOverButton) {
        FOverButton = false;
        Invalidate();
    }
}

void TPaneSplitter::CMEnabledChanged(TMessageRecord& Message)
{
    inherited::CMEnabledChanged(Message);
    Invalidate();
}

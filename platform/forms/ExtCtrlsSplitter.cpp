// TSplitter: finding the control beside the bar, dragging and painting.

#include "platform/forms/ExtCtrls.h"

#include <algorithm>

namespace {

bool Horizontal(TAlign Align)
{
    return Align == alLeft || Align == alRight;
}

/// The 8 x 8 checker brush of the dragging line.
HBRUSH CreateCheckerBrush()
{
    TBitmap Pattern;
    Pattern.SetWidth(8);
    Pattern.SetHeight(8);
    for (int Y = 0; Y < 8; ++Y)
        for (int X = 0; X < 8; ++X)
            Pattern.Canvas()->SetPixels(X, Y, (X + Y) % 2 ? clWhite : clBlack);
    return CreatePatternBrush(Pattern.Handle());
}

}  // namespace

PRICETAGS_DEFINE_CLASS(TSplitter,
    Property("AutoSnap", &TSplitter::AutoSnap, &TSplitter::SetAutoSnap),
    Property("Beveled", &TSplitter::Beveled, &TSplitter::SetBeveled),
    Property("MinSize", &TSplitter::MinSize, &TSplitter::SetMinSize))

TSplitter::TSplitter(TComponent* AOwner) : TGraphicControl(AOwner)
{
    SetAlign(alLeft);
    SetWidth(3);
    SetCursor(crHSplit);
}

TSplitter::~TSplitter()
{
    Destroying();
    ReleaseLineDC();
}

void TSplitter::SetBeveled(bool Value)
{
    if (FBeveled == Value)
        return;
    FBeveled = Value;
    Invalidate();
}

void TSplitter::SetMinSize(int Value)
{
    FMinSize = std::max(Value, 1);
}

void TSplitter::RequestAlign()
{
    TGraphicControl::RequestAlign();
    // A bar across the parent is moved up and down, one along it sideways.
    if (FCursor != crVSplit && FCursor != crHSplit)
        return;
    SetCursor(Horizontal(FAlign) ? crHSplit : crVSplit);
}

TControl* TSplitter::FindControl()
{
    if (!FParent)
        return nullptr;
    // A point just outside the bar on the side of its alignment.
    TPoint P {FLeft, FTop};
    switch (FAlign) {
    case alLeft: --P.X; break;
    case alRight: P.X += FWidth; break;
    case alTop: --P.Y; break;
    case alBottom: P.Y += FHeight; break;
    case alNone:
    case alClient:
    case alCustom: return nullptr;
    }
    for (int I = 0; I < FParent->ControlCount(); ++I) {
        TControl* C = FParent->Controls(I);
        if (C == this || !C->Visible() || !C->Enabled())
            continue;
        TRect R = C->BoundsRect();
        // A control collapsed to nothing still lies beside the bar.
        if (R.Width() == 0) {
            if (FAlign == alTop || FAlign == alLeft)
                --R.Left;
            else
                ++R.Right;
        }
        if (R.Height() == 0) {
            if (FAlign == alTop || FAlign == alLeft)
                --R.Top;
            else
                ++R.Bottom;
        }
        if (PtInRect(R, P))
            return C;
    }
    return nullptr;
}

bool TSplitter::CanResize(int& NewSize)
{
    bool Accept = true;
    OnCanResize(this, NewSize, Accept);
    return Accept;
}

bool TSplitter::DoCanResize(int& NewSize)
{
    const bool Result = CanResize(NewSize);
    if (Result && NewSize <= FMinSize && FAutoSnap)
        NewSize = 0;
    return Result;
}

void TSplitter::CalcSplitSize(int X, int Y, int& NewSize, int& Split)
{
    Split = Horizontal(FAlign) ? X - FDownPos.X : Y - FDownPos.Y;
    int S = 0;
    switch (FAlign) {
    case alLeft: S = FControl->Width() + Split; break;
    case alRight: S = FControl->Width() - Split; break;
    case alTop: S = FControl->Height() + Split; break;
    case alBottom: S = FControl->Height() - Split; break;
    case alNone:
    case alClient:
    case alCustom: break;
    }
    NewSize = std::clamp(S, std::min(FMinSize, FMaxSize), std::max(FMaxSize, 0));
    // The line stays where the limited size puts it.
    if (S != NewSize)
        Split += (FAlign == alRight || FAlign == alBottom) ? S - NewSize : NewSize - S;
}

void TSplitter::UpdateSize(int X, int Y)
{
    CalcSplitSize(X, Y, FNewSize, FSplit);
}

void TSplitter::AllocateLineDC()
{
    // The line is drawn over the parent's children as well.
    FLineDC = GetDCEx(FParent->Handle(), nullptr, DCX_CACHE | DCX_CLIPSIBLINGS | DCX_LOCKWINDOWUPDATE);
    if (FResizeStyle == rsPattern) {
        FBrush = CreateCheckerBrush();
        FPrevBrush = static_cast<HBRUSH>(SelectObject(FLineDC, FBrush));
    }
}

void TSplitter::ReleaseLineDC()
{
    if (!FLineDC)
        return;
    if (FPrevBrush)
        SelectObject(FLineDC, FPrevBrush);
    ReleaseDC(FParent ? FParent->Handle() : nullptr, FLineDC);
    if (FBrush)
        DeleteObject(FBrush);
    FLineDC = nullptr;
    FBrush = nullptr;
    FPrevBrush = nullptr;
}

void TSplitter::DrawLine()
{
    if (!FLineDC)
        return;
    FLineVisible = !FLineVisible;
    TPoint P {FLeft, FTop};
    if (Horizontal(FAlign))
        P.X += FSplit;
    else
        P.Y += FSplit;
    PatBlt(FLineDC, P.X, P.Y, FWidth, FHeight, PATINVERT);
}

void TSplitter::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TGraphicControl::MouseDown(Button, Shift, X, Y);
    if (Button != mbLeft)
        return;
    TControl* Found = FindControl();
    if (!Found)
        return;
    FControl = Found;
    FControl->FreeNotification(this);
    FDownPos = {X, Y};
    const bool Horz = Horizontal(FAlign);
    FMaxSize = (Horz ? FParent->ClientWidth() : FParent->ClientHeight()) - FMinSize;
    for (int I = 0; I < FParent->ControlCount(); ++I) {
        TControl* C = FParent->Controls(I);
        if (!C->Visible())
            continue;
        if (Horz && (C->Align() == alLeft || C->Align() == alRight))
            FMaxSize -= C->Width();
        else if (!Horz && (C->Align() == alTop || C->Align() == alBottom))
            FMaxSize -= C->Height();
    }
    FMaxSize += Horz ? FControl->Width() : FControl->Height();
    FPressSize = Horz ? FControl->Width() : FControl->Height();
    FOldSize = FPressSize;
    UpdateSize(X, Y);
    if (FResizeStyle == rsLine || FResizeStyle == rsPattern) {
        AllocateLineDC();
        DrawLine();
    }
}

void TSplitter::MouseMove(TShiftState Shift, int X, int Y)
{
    TGraphicControl::MouseMove(Shift, X, Y);
    if (!Shift.Contains(ssLeft) || !FControl)
        return;
    int NewSize = 0;
    int Split = 0;
    CalcSplitSize(X, Y, NewSize, Split);
    if (!DoCanResize(NewSize))
        return;
    const bool Line = FResizeStyle == rsLine || FResizeStyle == rsPattern;
    if (Line && FLineVisible)
        DrawLine();
    FNewSize = NewSize;
    FSplit = Split;
    if (FResizeStyle == rsUpdate)
        UpdateControlSize();
    if (Line)
        DrawLine();
}

void TSplitter::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TGraphicControl::MouseUp(Button, Shift, X, Y);
    if (!FControl)
        return;
    if (FLineVisible)
        DrawLine();
    UpdateControlSize();
    StopSizing();
}

void TSplitter::UpdateControlSize()
{
    if (!FControl || FNewSize == FOldSize)
        return;
    switch (FAlign) {
    case alLeft: FControl->SetWidth(FNewSize); break;
    case alTop: FControl->SetHeight(FNewSize); break;
    case alRight:
        // The right edge stays; the parent realigns once.
        FParent->DisableAlign();
        FControl->SetBounds(FControl->Left() + FControl->Width() - FNewSize, FControl->Top(), FNewSize,
            FControl->Height());
        FParent->EnableAlign();
        break;
    case alBottom:
        FParent->DisableAlign();
        FControl->SetBounds(FControl->Left(), FControl->Top() + FControl->Height() - FNewSize, FControl->Width(),
            FNewSize);
        FParent->EnableAlign();
        break;
    case alNone:
    case alClient:
    case alCustom: break;
    }
    FOldSize = FNewSize;
    Update();
    OnMoved(this);
}

void TSplitter::StopSizing()
{
    if (FLineVisible)
        DrawLine();
    ReleaseLineDC();
    if (FControl)
        FControl->RemoveFreeNotification(this);
    FControl = nullptr;
}

void TSplitter::WMCancelMode(TMessageRecord& Message)
{
    // The drag is cancelled: the control gets back its size at the press.
    if (FControl) {
        if (FLineVisible)
            DrawLine();
        FNewSize = FPressSize;
        UpdateControlSize();
        StopSizing();
    }
    TGraphicControl::WMCancelMode(Message);
}

void TSplitter::Notification(TComponent* AComponent, TOperation Operation)
{
    TGraphicControl::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FControl) {
        if (FLineVisible)
            DrawLine();
        ReleaseLineDC();
        FControl = nullptr;
    }
}

void TSplitter::Paint()
{
    TCanvas* C = Canvas();
    TRect R = ClientRect();
    C->Brush()->SetColor(Color());
    C->FillRect(R);
    if (FBeveled) {
        // A raised edge along the two long sides.
        if (Horizontal(FAlign))
            InflateRect(R, -1, 2);
        else
            InflateRect(R, 2, -1);
        OffsetRect(R, 1, 1);
        C->Brush()->SetColor(clBtnHighlight);
        C->FrameRect(R);
        OffsetRect(R, -2, -2);
        C->Brush()->SetColor(clBtnShadow);
        C->FrameRect(R);
    }
    OnPaint(this);
}

// The application's hints: which control's hint shows when, and the hint
// window that shows it.

#include "platform/forms/Forms.h"

#include "platform/forms/ControlsPrivate.h"

#include <QCoreApplication>
#include <QTimer>

namespace {

/// Whether a control shows hints (its own setting or, by ParentShowHint,
/// its parents').
bool ShowsHint(TControl* C)
{
    while (C && C->ParentShowHint() && C->Parent())
        C = C->Parent();
    return C && C->ShowHint();
}

/// The control whose hint the mouse over Control shows: the nearest one,
/// Control or a parent, that shows hints.
TControl* HintControlOf(TControl* Control)
{
    while (Control && !ShowsHint(Control))
        Control = Control->Parent();
    return Control;
}

/// The hint of a control or of its nearest parent that has one.
AnsiString HintOf(TControl* Control)
{
    while (Control && Control->Hint().IsEmpty())
        Control = Control->Parent();
    return Control ? Control->Hint() : AnsiString();
}

/// Height of the cursor below the hot spot: hints show below it.
constexpr int CursorHeight = 20;

}  // namespace

void TApplication::StartHintTimer(int Milliseconds, bool Hide)
{
    if (!FHintTimer) {
        FHintTimer = std::make_unique<QTimer>();
        FHintTimer->setSingleShot(true);
        QObject::connect(FHintTimer.get(), &QTimer::timeout, [this] { Barrier([this] { HintTimerFired(); }); });
    }
    FHintTimerHides = Hide;
    FHintTimer->start(std::max(Milliseconds, 0));
}

void TApplication::StopHintTimer()
{
    if (FHintTimer)
        FHintTimer->stop();
}

void TApplication::HintTimerFired()
{
    if (FHintTimerHides) {
        HideHint();
        return;
    }
    TPoint P;
    GetCursorPos(P);
    ActivateHint(P);
}

void TApplication::HintMouseMessage(TControl* Control, TMessage& Message)
{
    if (!Control)
        return;
    const TPoint At = Control->ClientToScreen(Point(GetXLParam(Message.LParam), GetYLParam(Message.LParam)));
    TControl* Under = FindDragTarget(At, true);
    TControl* NewHintControl = FShowHint ? HintControlOf(Under) : nullptr;
    if (!NewHintControl) {
        CancelHint();
        return;
    }
    if (NewHintControl == FHintControl && PtInRect(FHintCursorRect, At))
        return;
    int Pause = FHintActive ? FHintShortPause : FHintPause;
    NewHintControl->Perform(CM_HINTSHOWPAUSE, FHintActive ? 1 : 0, reinterpret_cast<LPARAM>(&Pause));
    FHintControl = NewHintControl;
    if (Pause == 0) {
        ActivateHint(At);
        return;
    }
    StartHintTimer(Pause, false);
}

void TApplication::ActivateHint(const TPoint& CursorPos)
{
    StopHintTimer();
    if (!FHintControl)
        return;
    THintInfo Info;
    Info.HintControl = FHintControl;
    Info.HintWindowClass = HintWindowClass;
    Info.HintPos = {CursorPos.X, CursorPos.Y + CursorHeight};
    Info.HintMaxWidth = Screen->Width();
    Info.CursorRect = FHintControl->ClientRect();
    Info.CursorPos = FHintControl->ScreenToClient(CursorPos);
    Info.HintStr = GetShortHint(HintOf(FHintControl));
    Info.HideTimeout = FHintHidePause;
    TControl* Shown = FHintControl;
    const bool CanShow = Shown->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&Info)) == 0;
    // The control may have been freed or the hint cancelled meanwhile.
    if (FHintControl != Shown)
        return;
    FHintActive = CanShow;
    if (!CanShow || Info.HintStr.IsEmpty()) {
        HideHint();
        FHintActive = false;
        if (Info.ReshowTimeout > 0)
            StartHintTimer(Info.ReshowTimeout, false);
        return;
    }
    if (!Info.HintWindowClass)
        Info.HintWindowClass = HintWindowClass;
    if (FHintWindow && FHintWindow->ClassType() != static_cast<TClass>(Info.HintWindowClass)) {
        delete FHintWindow;
        FHintWindow = nullptr;
    }
    if (!FHintWindow)
        FHintWindow = Info.HintWindowClass.Create(this);
    const TPoint Origin = Shown->ClientToScreen(Info.CursorRect.TopLeft());
    FHintCursorRect = Bounds(Origin.X, Origin.Y, Info.CursorRect.Width(), Info.CursorRect.Height());
    TRect R = FHintWindow->CalcHintRect(Info.HintMaxWidth, Info.HintStr, Info.HintData);
    OffsetRect(R, Info.HintPos.X, Info.HintPos.Y);
    FHintWindow->SetColor(Info.HintColor);
    FHintWindow->ActivateHintData(R, Info.HintStr, Info.HintData);
    if (Info.ReshowTimeout > 0)
        StartHintTimer(Info.ReshowTimeout, false);
    else if (Info.HideTimeout > 0)
        StartHintTimer(Info.HideTimeout, true);
}

void TApplication::HideHint()
{
    StopHintTimer();
    if (FHintWindow && FHintWindow->HandleAllocated())
        FHintWindow->ReleaseHandle();
}

void TApplication::CancelHint()
{
    if (!FHintControl)
        return;
    HideHint();
    FHintControl = nullptr;
    FHintActive = false;
    FHintCursorRect = TRect();
}

void TApplication::HintInputMessage(const MSG& Msg)
{
    if (FHintWindow && FHintWindow->HandleAllocated() && FHintWindow->IsHintMsg(Msg))
        CancelHint();
}

void TApplication::ForgetHintControl(TControl* Control)
{
    if (Control == FHintWindow) {
        FHintWindow = nullptr;
        StopHintTimer();
        FHintActive = false;
        return;
    }
    if (Control == FHintControl)
        CancelHint();
}

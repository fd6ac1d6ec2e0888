// The controls as the window layer sees them: each TWinControl owns its
// window, and the class library is the host of the window layer (the
// application, its hints, the screen's cursor and the active form). Here
// too: the control under the mouse and the control holding the capture.

#include "platform/forms/ControlsPrivate.h"

#include "platform/forms/Forms.h"

#include <vector>

namespace {

TControl* gCaptureControl = nullptr;
TControl* gMouseControl = nullptr;

}  // namespace

// ---- the window's owner ------------------------------------------------------------------------

LRESULT TWinControl::OwnerPerform(UINT Msg, WPARAM WParam, LPARAM LParam)
{
    return Perform(Msg, WParam, LParam);
}

TRect TWinControl::OwnerBounds()
{
    return Bounds(Left(), Top(), Width(), Height());
}

void TWinControl::OwnerSetBounds(int ALeft, int ATop, int AWidth, int AHeight)
{
    SetBounds(ALeft, ATop, AWidth, AHeight);
}

TRect TWinControl::OwnerClientRect()
{
    return ClientRect();
}

TRect TWinControl::OwnerWindowClientRect()
{
    return WindowClientRect();
}

TPoint TWinControl::OwnerClientOrigin()
{
    return ClientOrigin();
}

TPoint TWinControl::OwnerClientToScreen(const TPoint& P)
{
    return ClientToScreen(P);
}

TPoint TWinControl::OwnerScreenToClient(const TPoint& P)
{
    return ScreenToClient(P);
}

HWND TWinControl::OwnerParentWindow()
{
    TWinControl* P = Parent();
    return P && P->HandleAllocated() ? P->Handle() : nullptr;
}

bool TWinControl::OwnerShowing()
{
    return Showing();
}

bool TWinControl::OwnerEnabled()
{
    return Enabled();
}

TRect TWinControl::OwnerWidgetRect()
{
    return TopLevelWidgetRect(this);
}

bool TWinControl::OwnerFormInactive()
{
    TCustomForm* Form = GetParentForm(this);
    return Form && !Form->Active();
}

void TWinControl::OwnerActivateForm(WPARAM How)
{
    if (TCustomForm* Form = GetParentForm(this))
        Form->Perform(WM_ACTIVATE, How, 0);
}

void TWinControl::OwnerChildWindows(std::vector<HWND>& Windows)
{
    for (int I = 0; I < ControlCount(); ++I)
        if (auto* W = dynamic_cast<TWinControl*>(Controls(I)); W && W->HandleAllocated())
            Windows.push_back(W->Handle());
}

// ---- mouse and capture ---------------------------------------------------------------------------

TControl* GetCaptureControl()
{
    TControl* C = FindControl(GetCapture());
    if (C && gCaptureControl && gCaptureControl->Parent() == C)
        return gCaptureControl;
    return C;
}

void SetCaptureControl(TControl* Control)
{
    ReleaseCapture();
    gCaptureControl = nullptr;
    if (!Control)
        return;
    if (!dynamic_cast<TWinControl*>(Control)) {
        if (!Control->Parent())
            return;
        gCaptureControl = Control;
        Control = Control->Parent();
    }
    SetCapture(static_cast<TWinControl*>(Control)->Handle());
}

TControl* MouseControl()
{
    return gMouseControl;
}

void SetMouseControl(TControl* Control)
{
    if (Control == gMouseControl)
        return;
    TControl* Old = gMouseControl;
    gMouseControl = Control;
    // The status line shows the long part of the hint of the control under
    // the mouse (or of its nearest parent that has one).
    if (Application) {
        TControl* C = Control;
        while (C && C->Hint().IsEmpty())
            C = C->Parent();
        Application->SetHint(C ? GetLongHint(C->Hint()) : AnsiString());
    }
    if (Old)
        Old->Perform(CM_MOUSELEAVE, 0, reinterpret_cast<LPARAM>(Old));
    if (Control && gMouseControl == Control)
        Control->Perform(CM_MOUSEENTER, 0, reinterpret_cast<LPARAM>(Control));
}


void ForgetControl(TControl* Control)
{
    if (Application)
        Application->ForgetHintControl(Control);
    if (gMouseControl == Control)
        gMouseControl = nullptr;
    if (gCaptureControl == Control)
        gCaptureControl = nullptr;
}

// ---- the host of the window layer -------------------------------------------------------------

namespace {

class FormsWindowHost : public TWindowHost {
public:
    void HandleException() override
    {
        if (Application)
            Application->HandleException(nullptr);
    }

    bool FilterMessage(MSG& Msg) override
    {
        if (!Application)
            return false;
        bool Handled = false;
        Application->OnMessage(Msg, Handled);
        return Handled;
    }

    void ThreadMessage(TMessage& Message) override
    {
        if (Application)
            Application->CallHooks(Message);
    }

    void InputMessage(const MSG& Msg) override
    {
        if (Application)
            Application->HintInputMessage(Msg);
    }

    void MouseAt(HWND Wnd, int X, int Y, UINT Msg, UINT Keys) override
    {
        // The control under the mouse (whoever has the capture) gets
        // CM_MOUSEENTER, the one it left CM_MOUSELEAVE.
        TWinControl* Win = FindControl(Wnd);
        if (!Win)
            return;
        TControl* Under = nullptr;
        if (PtInRect(Win->ClientRect(), Point(X, Y))) {
            Under = Win->ControlAtPos(Point(X, Y), false);
            if (!Under)
                Under = Win;
        }
        SetMouseControl(Under);
        if (Msg != WM_MOUSEMOVE || !IsWindow(Wnd) || !Application)
            return;
        TMessage M;
        M.Msg = WM_MOUSEMOVE;
        M.WParam = Keys;
        M.LParam = MakeLParam(X, Y);
        Application->HintMouseMessage(Win, M);
    }

    void MouseLeft(HWND Wnd) override
    {
        TControl* Top = MouseControl();
        TWinControl* Win = FindControl(Wnd);
        while (Top && Top != Win)
            Top = Top->Parent();
        if (Top)
            SetMouseControl(nullptr);
    }

    void CaptureReleased() override { gCaptureControl = nullptr; }

    void WindowMinimized(HWND Wnd, bool Minimized) override
    {
        if (Application && Application->MainForm() && Application->MainForm() == FindControl(Wnd))
            Application->MainFormMinimized(Minimized);
    }

    HWND ActiveWindow() override
    {
        if (Screen && Screen->ActiveForm() && Screen->ActiveForm()->HandleAllocated())
            return Screen->ActiveForm()->Handle();
        return nullptr;
    }

    bool DefaultCursor(HCURSOR& Cursor) override
    {
        if (Screen && Screen->Cursor() != crDefault)
            return false;
        Cursor = Screen ? Screen->Cursors(crDefault) : 0;
        return true;
    }

    void AlignPending() override
    {
        if (gDeferredAligns != 0)
            AlignDeferredControls();
    }
};

FormsWindowHost gFormsHost;

// Windows made before the application starts have their host too.
[[maybe_unused]] const bool gHostInstalled = (InstallFormsWindowHost(), true);

}  // namespace

void InstallFormsWindowHost()
{
    SetWindowHost(&gFormsHost);
    InstallDialogWindowMaker();
}

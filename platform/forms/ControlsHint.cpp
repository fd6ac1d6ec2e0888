// THintWindow: the pop-up window that shows a hint.

#include "platform/forms/Controls.h"

#include "platform/forms/Forms.h"
#include "platform/forms/ControlsPrivate.h"
#include "platform/forms/HintPlacement.h"

#include <QWidget>

THintWindowClass HintWindowClass = THintWindow::StaticClass();

PRICETAGS_DEFINE_CLASS(THintWindow)

THintWindow::THintWindow(TComponent* AOwner) : TCustomControl(AOwner)
{
    FColor = clInfoBk;
    FParentColor = false;
    Font()->Assign(Screen->HintFont());
    FParentFont = false;
    FVisible = false;
}

THintWindow::~THintWindow() = default;

void THintWindow::CreateParams(TCreateParams& Params)
{
    TCustomControl::CreateParams(Params);
    // A window of its own above the others; its frame is painted with it.
    Params.Style = WS_POPUP;
    Params.WndParent = nullptr;
}

void THintWindow::CreateWnd()
{
    TCustomControl::CreateWnd();
    if (QWidget* W = Widget()) {
        W->setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
        W->setAttribute(Qt::WA_ShowWithoutActivating);
    }
}

void THintWindow::WMNCHitTest(TWMNCHitTest& Message)
{
    // The mouse passes through to what lies below.
    Message.Result = HTTRANSPARENT;
}

TRect THintWindow::CalcHintRect(int MaxWidth, const AnsiString& AHint, void*)
{
    TRect Result = Rect(0, 0, MaxWidth, 0);
    HDC DC = GetDC(nullptr);
    const int Saved = SaveDC(DC);
    SelectObject(DC, Font()->Handle());
    DrawText(DC, AHint, Result, DT_CALCRECT | DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
    RestoreDC(DC, Saved);
    ReleaseDC(nullptr, DC);
    Result.Right += 6;
    Result.Bottom += 2;
    return Result;
}

TRect HintRectInsideDesktop(TRect Rect)
{
    const TRect Desk = Screen->DesktopRect();
    const int W = Rect.Width();
    const int H = Rect.Height();
    if (Rect.Top + H > Desk.Bottom)
        Rect.Top = Desk.Bottom - H;
    if (Rect.Left + W > Desk.Right)
        Rect.Left = Desk.Right - W;
    if (Rect.Left < Desk.Left)
        Rect.Left = Desk.Left;
    if (Rect.Top < Desk.Top)
        Rect.Top = Desk.Top;
    Rect.Right = Rect.Left + W;
    Rect.Bottom = Rect.Top + H;
    return Rect;
}

void THintWindow::ActivateHint(TRect Rect, const AnsiString& AHint)
{
    SetCaption(AHint);
    Rect.Bottom += 4;
    Rect = HintRectInsideDesktop(Rect);
    const int W = Rect.Width();
    const int H = Rect.Height();
    FVisible = true;
    SetWindowPos(Handle(), HWND_TOPMOST, Rect.Left, Rect.Top, W, H, SWP_SHOWWINDOW | SWP_NOACTIVATE);
    Invalidate();
}

void THintWindow::ActivateHintData(TRect Rect, const AnsiString& AHint, void*)
{
    ActivateHint(Rect, AHint);
}

bool THintWindow::IsHintMsg(const MSG& Msg)
{
    const UINT M = Msg.message;
    return (M >= WM_KEYFIRST && M <= WM_KEYLAST) || M == CM_ACTIVATE || M == CM_DEACTIVATE || M == WM_COMMAND ||
        (M > WM_MOUSEMOVE && M <= WM_MOUSELAST) || M == WM_NCMOUSEMOVE;
}

void THintWindow::ReleaseHandle()
{
    FVisible = false;
    DestroyHandle();
}

void THintWindow::Paint()
{
    TCanvas* C = Canvas();
    TRect R = ClientRect();
    C->Brush()->SetColor(Color());
    C->FillRect(R);
    C->Brush()->SetColor(clWindowFrame);
    C->FrameRect(R);
    R.Left += 2;
    R.Top += 2;
    C->Font()->Assign(Font());
    C->Brush()->SetStyle(bsClear);
    DrawText(C->Handle(), Caption(), R, DT_LEFT | DT_NOPREFIX | DT_WORDBREAK);
    C->Brush()->SetStyle(bsSolid);
}

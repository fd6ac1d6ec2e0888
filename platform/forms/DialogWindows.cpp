// The windows of the dialog manager (platform/winapi/DialogBoxes.h): a form
// whose messages go to the dialog procedure first, and the template's
// controls as class-library controls that answer the dialog messages
// (BM_, PBM_, TCM_, WM_SETFONT, WM_SETTEXT) and tell the dialog of clicks
// and tab changes with WM_COMMAND and WM_NOTIFY.

#include "platform/forms/ComCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Graphics.h"
#include "platform/forms/StdCtrls.h"
#include "platform/forms/ControlsPrivate.h"
#include "platform/winapi/DialogBoxes.h"
#include "platform/rtl/StrUtils.h"

#include <QWindow>

#include <algorithm>

#include <string>

namespace {

/// Answers the messages every dialog control takes. True when handled.
bool CommonControlMessage(TWinControl& C, TMessage& M, bool& InSetText)
{
    switch (M.Msg) {
    case WM_SETFONT:
        if (M.WParam)
            C.Font()->SetHandle(reinterpret_cast<HFONT>(M.WParam));
        M.Result = 0;
        return true;
    case WM_GETFONT: M.Result = reinterpret_cast<LRESULT>(C.Font()->Handle()); return true;
    case WM_SHOWWINDOW:
        // ShowWindow on a dialog control: the control's own visibility
        // follows, or the next layout would show it again.
        C.SetVisible(M.WParam != 0);
        return false;
    case WM_SETTEXT:
        if (InSetText)
            return false;
        // Through SetText, so that the control repaints and resizes as a
        // caption set by the program does.
        InSetText = true;
        C.SetText(M.LParam ? AnsiString(reinterpret_cast<const char*>(M.LParam)) : AnsiString());
        InSetText = false;
        M.Result = 1;
        return true;
    default: return false;
    }
}

void NotifyCommand(TWinControl& C, int Code)
{
    HWND Dlg = nullptr;
    int Id = 0;
    if (C.HandleAllocated() && DialogOfControl(C.Handle(), Dlg, Id))
        SendMessage(Dlg, WM_COMMAND, MakeWParam(Id, Code), reinterpret_cast<LPARAM>(C.Handle()));
}

class DialogButton : public TButton {
public:
    explicit DialogButton(TComponent* AOwner) : TButton(AOwner) {}
    void Click() override
    {
        TButton::Click();
        NotifyCommand(*this, BN_CLICKED);
    }

protected:
    void WndProc(TMessage& M) override
    {
        if (!CommonControlMessage(*this, M, FInSetText))
            TButton::WndProc(M);
    }
    bool FInSetText = false;
};

class DialogCheckBox : public TCheckBox {
public:
    DialogCheckBox(TComponent* AOwner, bool RightText) : TCheckBox(AOwner), FRightText(RightText) {}
    void Click() override
    {
        TCheckBox::Click();
        // A check set by the program is no click.
        if (!FSetting)
            NotifyCommand(*this, BN_CLICKED);
    }

protected:
    void WndProc(TMessage& M) override
    {
        if (M.Msg == BM_SETCHECK) {
            FSetting = true;
            SetChecked(M.WParam == BST_CHECKED);
            FSetting = false;
            M.Result = 0;
            return;
        }
        if (M.Msg == BM_GETCHECK) {
            M.Result = Checked() ? BST_CHECKED : BST_UNCHECKED;
            return;
        }
        if (!CommonControlMessage(*this, M, FInSetText))
            TCheckBox::WndProc(M);
    }
    void PaintButton(TCanvas& C) override
    {
        TCheckBox::PaintButton(C);
        if (!FRightText)
            return;
        // BS_RIGHT: the text stands against the box on the right; the
        // text drawn on the left is painted over.
        const TRect R = ClientRect();
        TRect T = Rect(0, 0, R.Right - 13 - 4, R.Bottom);
        C.Brush()->SetColor(Color());
        C.FillRect(T);
        HDC DC = C.Handle();
        SetBkMode(DC, TRANSPARENT);
        SetTextColor(DC, ColorToRGB(Enabled() ? Font()->Color() : clGrayText));
        DrawText(DC, Caption(), T, DT_SINGLELINE | DT_VCENTER | DT_RIGHT);
    }
    bool FInSetText = false;
    bool FSetting = false;
    bool FRightText = false;
};

/// Text (SS_LEFT, SS_CENTER, SS_RIGHT, word-wrapped) or an etched line.
class DialogStatic : public TCustomControl {
public:
    DialogStatic(TComponent* AOwner, uint32_t Style) : TCustomControl(AOwner), FStyle(Style) {}

protected:
    void WndProc(TMessage& M) override
    {
        if (!CommonControlMessage(*this, M, FInSetText))
            TCustomControl::WndProc(M);
    }
    void Paint() override
    {
        HDC DC = Canvas()->Handle();
        TRect R = ClientRect();
        // The dialog may give the background (WM_CTLCOLORSTATIC), as the
        // system asks it.
        HBRUSH Brush = nullptr;
        HWND Dlg = nullptr;
        int Id = 0;
        if (DialogOfControl(Handle(), Dlg, Id))
            Brush = reinterpret_cast<HBRUSH>(
                SendMessage(Dlg, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(DC),
                    reinterpret_cast<LPARAM>(Handle())));
        FillRect(DC, R, Brush ? Brush : GetSysColorBrush(COLOR_BTNFACE));
        if (FStyle & SS_ETCHEDHORZ) {
            TRect Line = Rect(0, 0, R.Right, 2);
            DrawEdge(DC, Line, EDGE_ETCHED, BF_TOP);
            return;
        }
        HGDIOBJ Old = SelectObject(DC, Font()->Handle());
        SetBkMode(DC, TRANSPARENT);
        if (!Brush)
            SetTextColor(DC, GetSysColor(COLOR_BTNTEXT));
        UINT Format = DT_WORDBREAK | DT_EXPANDTABS;
        if ((FStyle & 3) == SS_CENTER)
            Format |= DT_CENTER;
        else if ((FStyle & 3) == SS_RIGHT)
            Format |= DT_RIGHT;
        DrawText(DC, GetText(), R, Format);
        SelectObject(DC, Old);
    }
    uint32_t FStyle;
    bool FInSetText = false;
};

class DialogEdit : public TMemo {
public:
    explicit DialogEdit(TComponent* AOwner) : TMemo(AOwner) {}

protected:
    void WndProc(TMessage& M) override
    {
        if (!CommonControlMessage(*this, M, FInSetText))
            TMemo::WndProc(M);
    }
    bool FInSetText = false;
};

class DialogProgress : public TProgressBar {
public:
    explicit DialogProgress(TComponent* AOwner) : TProgressBar(AOwner) {}

protected:
    void WndProc(TMessage& M) override
    {
        switch (M.Msg) {
        case PBM_SETPOS:
            M.Result = Position();
            SetPosition(static_cast<int>(M.WParam));
            return;
        case PBM_GETPOS: M.Result = Position(); return;
        case PBM_SETRANGE:
            M.Result = MakeLParam(Min(), Max());
            SetMin(GetXLParam(M.LParam));
            SetMax(GetYLParam(M.LParam));
            return;
        default: break;
        }
        if (!CommonControlMessage(*this, M, FInSetText))
            TProgressBar::WndProc(M);
    }
    bool FInSetText = false;
};

/// A tab control: TCM_ messages over the pages of a page control; the
/// dialog places what a tab shows itself.
class DialogTabs : public TPageControl {
public:
    explicit DialogTabs(TComponent* AOwner) : TPageControl(AOwner)
    {
        OnChange = TNotifyEvent(this, &DialogTabs::Changed);
    }

protected:
    void Changed(TObject*)
    {
        HWND Dlg = nullptr;
        int Id = 0;
        if (!DialogOfControl(Handle(), Dlg, Id))
            return;
        NMHDR Header;
        Header.hwndFrom = Handle();
        Header.idFrom = static_cast<UINT_PTR>(Id);
        Header.code = TCN_SELCHANGE;
        SendMessage(Dlg, WM_NOTIFY, static_cast<WPARAM>(Id), reinterpret_cast<LPARAM>(&Header));
    }
    void WndProc(TMessage& M) override
    {
        switch (M.Msg) {
        case TCM_INSERTITEM: {
            const auto* Item = reinterpret_cast<const TCITEM*>(M.LParam);
            auto* Sheet = new TTabSheet(Owner());
            Sheet->SetPageControl(this);
            if (Item && (Item->mask & TCIF_TEXT) && Item->pszText)
                Sheet->SetCaption(AnsiString(Item->pszText));
            const int Index = std::min(static_cast<int>(M.WParam), PageCount() - 1);
            Sheet->SetPageIndex(Index);
            M.Result = Index;
            return;
        }
        case TCM_GETITEMCOUNT: M.Result = PageCount(); return;
        case TCM_DELETEALLITEMS:
            while (PageCount() > 0)
                delete Pages(PageCount() - 1);
            M.Result = 1;
            return;
        case TCM_GETCURSEL: M.Result = ActivePageIndex(); return;
        case TCM_SETCURSEL:
            M.Result = ActivePageIndex();
            SetActivePageIndex(static_cast<int>(M.WParam));
            return;
        case TCM_ADJUSTRECT: {
            // WParam false: a window rectangle (in the parent) to the
            // display area within it.
            auto* R = reinterpret_cast<TRect*>(M.LParam);
            if (R && !M.WParam) {
                const TRect D = DisplayRect();
                *R = Rect(R->Left + D.Left, R->Top + D.Top, R->Left + D.Right, R->Top + D.Bottom);
            }
            return;
        }
        default: break;
        }
        if (!CommonControlMessage(*this, M, FInSetText))
            TPageControl::WndProc(M);
    }
    bool FInSetText = false;
};

/// The dialog window: the procedure sees each message first.
class DialogForm : public TForm {
public:
    DialogForm() : TForm(nullptr, 0) {}

    void SetOwnFrame(bool Own)
    {
        if (Own == FOwnFrame)
            return;
        FOwnFrame = Own;
        if (QWidget* W = Widget()) {
            const bool Visible = W->isVisible();
            // The caption hints would bring the window system's frame back.
            if (Own) {
                FSystemFlags = W->windowFlags();
                W->setWindowFlags((FSystemFlags & (Qt::WindowType_Mask | Qt::WindowStaysOnTopHint)) |
                                  Qt::FramelessWindowHint);
            } else {
                W->setWindowFlags(FSystemFlags | (W->windowFlags() & Qt::WindowStaysOnTopHint));
            }
            if (Visible)
                W->show();
        }
        // The frame moved into the window or out of it.
        SetWindowPos(Handle(), nullptr, 0, 0, 0, 0,
            SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        RedrawWindow(Handle(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
    }

protected:
    void WndProc(TMessage& M) override
    {
        if (M.Msg == WM_SETTEXT && !FInSetText) {
            FInSetText = true;
            SetCaption(M.LParam ? AnsiString(reinterpret_cast<const char*>(M.LParam)) : AnsiString());
            FInSetText = false;
            if (FOwnFrame && HandleAllocated())
                RedrawWindow(Handle(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
            M.Result = 1;
            return;
        }
        if (!HandleAllocated() || M.Msg == WM_DESTROY) {
            TForm::WndProc(M);
            return;
        }
        // A move or size of the own frame takes the mouse until it ends.
        if (FDragHit && DragMessage(M))
            return;
        if (M.Msg == WM_PAINT) {
            // The form paints its background first; the procedure draws over it.
            TForm::WndProc(M);
            LRESULT Ignored = 0;
            DialogMessage(Handle(), WM_PAINT, 0, 0, Ignored);
            return;
        }
        if (M.Msg == WM_ERASEBKGND && EraseWithDialogBrush(reinterpret_cast<HDC>(M.WParam))) {
            M.Result = 1;
            return;
        }
        LRESULT Result = 0;
        if (DialogMessage(Handle(), M.Msg, M.WParam, M.LParam, Result)) {
            M.Result = Result;
            return;
        }
        // Dialogs do not reflect commands to their controls: a control
        // told the dialog of its click already.
        if (M.Msg == WM_COMMAND || M.Msg == WM_NOTIFY)
            return;
        if (FOwnFrame && OwnFrameMessage(M))
            return;
        TForm::WndProc(M);
    }

private:
    /// The dialog's brush for its background (WM_CTLCOLORDLG), when it
    /// gives one.
    bool EraseWithDialogBrush(HDC DC)
    {
        LRESULT Brush = 0;
        if (!DC || !DialogMessage(Handle(), WM_CTLCOLORDLG, reinterpret_cast<WPARAM>(DC),
                       reinterpret_cast<LPARAM>(Handle()), Brush) || !Brush)
            return false;
        FillRect(DC, ClientRect(), reinterpret_cast<HBRUSH>(Brush));
        return true;
    }

    /// The frame of the styles inside the window: its width and the
    /// caption's height.
    void FrameSizes(int& Border, int& Caption)
    {
        const uint32_t Style = static_cast<uint32_t>(GetWindowLong(Handle(), GWL_STYLE));
        const uint32_t Ex = static_cast<uint32_t>(GetWindowLong(Handle(), GWL_EXSTYLE));
        if (Style & WS_THICKFRAME)
            Border = GetSystemMetrics(SM_CXFRAME);
        else if ((Style & DS_MODALFRAME) || (Ex & WS_EX_DLGMODALFRAME) || (Style & WS_CAPTION) == WS_DLGFRAME)
            Border = GetSystemMetrics(SM_CXDLGFRAME);
        else if (Style & WS_BORDER)
            Border = GetSystemMetrics(SM_CXBORDER);
        else
            Border = 0;
        Caption = (Style & WS_CAPTION) == WS_CAPTION
                      ? GetSystemMetrics((Ex & WS_EX_TOOLWINDOW) ? SM_CYSMCAPTION : SM_CYCAPTION)
                      : 0;
    }

    /// The close box in window coordinates (a WS_SYSMENU window's caption).
    TRect CloseBox(int Border, int Caption)
    {
        const int Right = Width() - Border - 2;
        return Rect(Right - (Caption - 4), Border + 2, Right, Border + Caption - 2);
    }

    int HitTest(const TPoint& Screen)
    {
        TRect W;
        GetWindowRect(Handle(), W);
        const TPoint P = Point(Screen.X - W.Left, Screen.Y - W.Top);
        if (P.X < 0 || P.Y < 0 || P.X >= W.Width() || P.Y >= W.Height())
            return HTNOWHERE;
        int Border = 0, Caption = 0;
        FrameSizes(Border, Caption);
        const uint32_t Style = static_cast<uint32_t>(GetWindowLong(Handle(), GWL_STYLE));
        if (Style & WS_THICKFRAME) {
            // The corners reach along the edges as far as a caption is high.
            const int Corner = std::max(Border, GetSystemMetrics(SM_CYSMCAPTION));
            const bool Left = P.X < Border, Right = P.X >= W.Width() - Border;
            const bool Top = P.Y < Border, Bottom = P.Y >= W.Height() - Border;
            const bool NearLeft = P.X < Corner, NearRight = P.X >= W.Width() - Corner;
            const bool NearTop = P.Y < Corner, NearBottom = P.Y >= W.Height() - Corner;
            if ((Top && NearLeft) || (Left && NearTop))
                return HTTOPLEFT;
            if ((Top && NearRight) || (Right && NearTop))
                return HTTOPRIGHT;
            if ((Bottom && NearLeft) || (Left && NearBottom))
                return HTBOTTOMLEFT;
            if ((Bottom && NearRight) || (Right && NearBottom))
                return HTBOTTOMRIGHT;
            if (Left)
                return HTLEFT;
            if (Right)
                return HTRIGHT;
            if (Top)
                return HTTOP;
            if (Bottom)
                return HTBOTTOM;
        }
        if (P.Y >= Border && P.Y < Border + Caption && P.X >= Border && P.X < W.Width() - Border) {
            if ((Style & WS_SYSMENU) && PtInRect(CloseBox(Border, Caption), P))
                return HTCLOSE;
            return HTCAPTION;
        }
        TRect C = WindowClientRect();
        return PtInRect(C, P) ? HTCLIENT : HTBORDER;
    }

    /// What the window system does for a frame it draws.
    bool OwnFrameMessage(TMessage& M)
    {
        switch (M.Msg) {
        case WM_NCCALCSIZE: {
            auto* R = reinterpret_cast<TRect*>(M.LParam);
            if (!R)
                return true;
            int Border = 0, Caption = 0;
            FrameSizes(Border, Caption);
            *R = Rect(R->Left + Border, R->Top + Border + Caption, R->Right - Border, R->Bottom - Border);
            return true;
        }
        case WM_NCHITTEST: M.Result = HitTest(Point(GetXLParam(M.LParam), GetYLParam(M.LParam))); return true;
        case WM_NCPAINT:
        case WM_NCACTIVATE: PaintPlainFrame(); return true;
        case WM_NCLBUTTONDOWN: StartDrag(static_cast<int>(M.WParam)); return true;
        case WM_NCLBUTTONUP:
            if (M.WParam == HTCLOSE)
                PostMessage(Handle(), WM_CLOSE, 0, 0);
            return true;
        case WM_ACTIVATE: {
            TForm::WndProc(M);
            LRESULT Ignored = 0;
            const WPARAM Active = LoWord(M.WParam) != WA_INACTIVE;
            if (!DialogMessage(Handle(), WM_NCACTIVATE, Active, 0, Ignored))
                RedrawWindow(Handle(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
            return true;
        }
        default: return false;
        }
    }

    /// A frame for a dialog whose procedure paints none: raised edges and
    /// the caption in the system's colours.
    void PaintPlainFrame()
    {
        HDC DC = GetWindowDC(Handle());
        if (!DC)
            return;
        int Border = 0, Caption = 0;
        FrameSizes(Border, Caption);
        TRect R = Rect(0, 0, Width(), Height());
        DrawEdge(DC, R, EDGE_RAISED, BF_RECT);
        const TRect Bar = Rect(Border, Border, Width() - Border, Border + Caption);
        FillRect(DC, Bar, GetSysColorBrush(COLOR_ACTIVECAPTION));
        SetBkMode(DC, TRANSPARENT);
        SetTextColor(DC, GetSysColor(COLOR_CAPTIONTEXT));
        TRect Text = Bar;
        Text.Left += 4;
        DrawText(DC, Caption > 0 ? this->Caption() : AnsiString(), Text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
        ReleaseDC(Handle(), DC);
    }

    void StartDrag(int Hit)
    {
        if (Hit != HTCAPTION && (Hit < HTLEFT || Hit > HTBOTTOMRIGHT))
            return;
        // The window system moves or sizes it where it can (it knows the
        // desktop's edges and works where windows cannot place themselves).
        if (QWindow* Win = Widget() ? Widget()->windowHandle() : nullptr) {
            if (Hit == HTCAPTION ? Win->startSystemMove() : Win->startSystemResize(EdgesOf(Hit)))
                return;
        }
        FDragHit = Hit;
        GetCursorPos(FDragStart);
        FDragBounds = BoundsRect();
        SetCapture(Handle());
    }

    static Qt::Edges EdgesOf(int Hit)
    {
        Qt::Edges E;
        if (Hit == HTLEFT || Hit == HTTOPLEFT || Hit == HTBOTTOMLEFT)
            E |= Qt::LeftEdge;
        if (Hit == HTRIGHT || Hit == HTTOPRIGHT || Hit == HTBOTTOMRIGHT)
            E |= Qt::RightEdge;
        if (Hit == HTTOP || Hit == HTTOPLEFT || Hit == HTTOPRIGHT)
            E |= Qt::TopEdge;
        if (Hit == HTBOTTOM || Hit == HTBOTTOMLEFT || Hit == HTBOTTOMRIGHT)
            E |= Qt::BottomEdge;
        return E;
    }

    /// Mouse messages while the window is moved or sized by our own drag.
    bool DragMessage(TMessage& M)
    {
        switch (M.Msg) {
        case WM_MOUSEMOVE: {
            TPoint P;
            GetCursorPos(P);
            const int DX = P.X - FDragStart.X, DY = P.Y - FDragStart.Y;
            TRect B = FDragBounds;
            if (FDragHit == HTCAPTION) {
                OffsetRect(B, DX, DY);
            } else {
                const Qt::Edges E = EdgesOf(FDragHit);
                const int MinW = GetSystemMetrics(SM_CXMINTRACK), MinH = GetSystemMetrics(SM_CYMINTRACK);
                if (E & Qt::LeftEdge)
                    B.Left = std::min(B.Left + DX, B.Right - MinW);
                if (E & Qt::RightEdge)
                    B.Right = std::max(B.Right + DX, B.Left + MinW);
                if (E & Qt::TopEdge)
                    B.Top = std::min(B.Top + DY, B.Bottom - MinH);
                if (E & Qt::BottomEdge)
                    B.Bottom = std::max(B.Bottom + DY, B.Top + MinH);
            }
            SetBounds(B.Left, B.Top, B.Width(), B.Height());
            return true;
        }
        case WM_LBUTTONUP:
        case WM_CAPTURECHANGED:
        case WM_CANCELMODE:
            FDragHit = 0;
            if (GetCapture() == Handle())
                ReleaseCapture();
            return M.Msg != WM_CAPTURECHANGED;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_RBUTTONUP:
            return true;
        default: return false;
        }
    }

    bool FInSetText = false;
    bool FOwnFrame = false;
    /// The window flags of the window system's frame, while ours is drawn.
    Qt::WindowFlags FSystemFlags;
    /// The part of the frame our own drag holds (0: none), where the mouse
    /// started and the window's bounds then.
    int FDragHit = 0;
    TPoint FDragStart;
    TRect FDragBounds;
};

TWinControl* MakeControl(DialogForm& Form, const DialogItemTemplate& I)
{
    const AnsiString Class = AnsiString(I.ClassName);
    auto Is = [&](const char* Name) { return SameText(Class, Name); };
    if (Is("BUTTON")) {
        const uint32_t Kind = I.Style & BS_TYPEMASK;
        if (Kind == BS_CHECKBOX || Kind == BS_AUTOCHECKBOX) {
            auto* Box = new DialogCheckBox(&Form, (I.Style & BS_RIGHT) != 0);
            Box->SetAlignment((I.Style & BS_LEFTTEXT) ? taLeftJustify : taRightJustify);
            return Box;
        }
        auto* Button = new DialogButton(&Form);
        Button->SetDefault(Kind == BS_DEFPUSHBUTTON);
        Button->SetCancel(I.Id == IDCANCEL);
        return Button;
    }
    if (Is("EDIT")) {
        auto* Edit = new DialogEdit(&Form);
        Edit->SetWordWrap(true);
        Edit->SetScrollBars((I.Style & WS_VSCROLL) ? ssVertical : ssNone);
        Edit->SetWantReturns((I.Style & ES_WANTRETURN) != 0);
        return Edit;
    }
    if (Is("SysTabControl32"))
        return new DialogTabs(&Form);
    if (Is("msctls_progress32"))
        return new DialogProgress(&Form);
    return new DialogStatic(&Form, I.Style);
}

class FormsDialogMaker : public DialogWindowMaker {
public:
    HWND MakeDialog(const DialogTemplate& T, const TRect& Bounds, const std::vector<TRect>& ItemRects,
        HWND Owner, std::vector<HWND>& Controls) override
    {
        auto* Form = new DialogForm();
        Form->SetCaption(T.Caption);
        Form->SetBorderStyle((T.Style & (WS_THICKFRAME | WS_MAXIMIZEBOX)) ? bsSizeable : bsDialog);
        if (!(T.Style & WS_MAXIMIZEBOX))
            Form->SetBorderIcons(TBorderIcons{biSystemMenu});
        Form->SetPosition(poDesigned);
        Form->Font()->SetName(T.FaceName);
        Form->Font()->SetSize(T.PointSize);
        Form->SetClientWidth(Bounds.Width());
        Form->SetClientHeight(Bounds.Height());
        Form->SetLeft(Bounds.Left);
        Form->SetTop(Bounds.Top);
        if (T.ExStyle & WS_EX_TOPMOST)
            Form->SetFormStyle(fsStayOnTop);
        for (size_t I = 0; I < T.Items.size(); ++I) {
            const DialogItemTemplate& Item = T.Items[I];
            TWinControl* C = MakeControl(*Form, Item);
            C->SetParent(Form);
            const TRect& R = ItemRects[I];
            C->SetBounds(R.Left, R.Top, R.Width(), R.Height());
            C->SetText(Item.Text);
            C->SetVisible((Item.Style & WS_VISIBLE) != 0 || Item.Style == 0);
            C->SetTabStop((Item.Style & WS_TABSTOP) != 0);
            Controls.push_back(C->Handle());
        }
        HWND Dlg = Form->Handle();
        if (Owner)
            SetWindowLong(Dlg, GWL_HWNDPARENT, reinterpret_cast<intptr_t>(Owner));
        SetWindowLong(Dlg, GWL_STYLE, static_cast<intptr_t>(T.Style));
        SetWindowLong(Dlg, GWL_EXSTYLE, static_cast<intptr_t>(T.ExStyle));
        return Dlg;
    }
    void RunModal(HWND Dlg) override
    {
        auto* Form = dynamic_cast<DialogForm*>(FindControl(Dlg));
        if (Form && Form->ModalResult() == mrNone)
            Form->ShowModal();
    }
    void ShowModeless(HWND Dlg) override
    {
        if (auto* Form = dynamic_cast<DialogForm*>(FindControl(Dlg)))
            Form->Show();
    }
    void EndModal(HWND Dlg) override
    {
        auto* Form = dynamic_cast<DialogForm*>(FindControl(Dlg));
        if (!Form)
            return;
        if (Form->FormState().Contains(fsModal))
            Form->SetModalResult(mrOk);
        else
            Form->Hide();
    }
    void FreeDialog(HWND Dlg) override { delete dynamic_cast<DialogForm*>(FindControl(Dlg)); }
    void EnableControl(HWND Wnd, bool Enable) override
    {
        if (TWinControl* C = FindControl(Wnd))
            C->SetEnabled(Enable);
    }
    void SetOwnFrame(HWND Dlg, bool Own) override
    {
        if (auto* Form = dynamic_cast<DialogForm*>(FindControl(Dlg)))
            Form->SetOwnFrame(Own);
    }
};

FormsDialogMaker gMaker;

}  // namespace

void InstallDialogWindowMaker()
{
    SetDialogWindowMaker(&gMaker);
}

#include "platform/forms/ComCtrls.h"

#include "platform/forms/ActnList.h"
#include "platform/forms/ImgList.h"
#include "platform/forms/Menus.h"
#include "platform/forms/StdPrivate.h"
#include "platform/classes/Strings.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Numbers.h"

#include <algorithm>

PRICETAGS_DEFINE_CLASS(TToolButton)
PRICETAGS_DEFINE_CLASS(TToolBar)
PRICETAGS_DEFINE_CLASS(TStatusBar)
PRICETAGS_DEFINE_CLASS(TTabSheet)
PRICETAGS_DEFINE_CLASS(TPageControl)
PRICETAGS_DEFINE_CLASS(TProgressBar)
PRICETAGS_DEFINE_CLASS(TUpDown)
PRICETAGS_DEFINE_CLASS(THeaderControl)

// ---- TToolButton ----------------------------------------------------------------------------

TToolButton::TToolButton(TComponent* AOwner) : TGraphicControl(AOwner)
{
    FControlStyle = {csCaptureMouse, csSetCaption, csClickEvents};
    SetBounds(FLeft, FTop, 23, 22);
}

TToolButton::~TToolButton() = default;

TToolBar* TToolButton::Bar() const
{
    return dynamic_cast<TToolBar*>(FParent);
}

void TToolButton::SetStyle(TToolButtonStyle Value)
{
    if (FStyle == Value)
        return;
    FStyle = Value;
    if (TToolBar* B = Bar())
        B->ArrangeButtons();
    Invalidate();
}

void TToolButton::SetImageIndex(int Value)
{
    if (FImageIndex == Value)
        return;
    FImageIndex = Value;
    Invalidate();
}

void TToolButton::SetDown(bool Value)
{
    if (FDown == Value)
        return;
    FDown = Value;
    Invalidate();
    if (!Value || !FGrouped || FStyle != tbsCheck)
        return;
    // The run of grouped check buttons around this one keeps one down.
    TToolBar* B = Bar();
    if (!B)
        return;
    const int Me = Index();
    for (int Step : {-1, 1}) {
        for (int I = Me + Step; I >= 0 && I < B->ButtonCount(); I += Step) {
            TToolButton* Other = B->Buttons(I);
            if (!Other->FGrouped || Other->FStyle != tbsCheck)
                break;
            if (Other->FDown) {
                Other->FDown = false;
                Other->Invalidate();
            }
        }
    }
}

void TToolButton::SetDropdownMenu(TPopupMenu* Value)
{
    FDropdownMenu = Value;
    if (Value)
        Value->FreeNotification(this);
}

void TToolButton::Notification(TComponent* AComponent, TOperation Operation)
{
    TGraphicControl::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FDropdownMenu)
        FDropdownMenu = nullptr;
}

int TToolButton::Index() const
{
    TToolBar* B = Bar();
    if (!B)
        return -1;
    for (int I = 0; I < B->ButtonCount(); ++I)
        if (B->Buttons(I) == this)
            return I;
    return -1;
}

bool TToolButton::CheckMenuDropdown()
{
    if (!FDropdownMenu)
        return false;
    const TPoint P = ClientToScreen({0, Height()});
    FDropdownMenu->SetPopupComponent(this);
    FDropdownMenu->Popup(P.X, P.Y);
    return true;
}

void TToolButton::Click()
{
    if (FStyle == tbsSeparator || FStyle == tbsDivider)
        return;
    if (FStyle == tbsCheck && !Action()) {
        // A check button toggles; the last one of a group stays down unless
        // the group allows all up.
        if (!FDown)
            SetDown(true);
        else if (!FGrouped || FAllowAllUp)
            SetDown(false);
    }
    TGraphicControl::Click();
}

void TToolButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TGraphicControl::MouseDown(Button, Shift, X, Y);
    if (Button != mbLeft || !Enabled() || FStyle == tbsSeparator || FStyle == tbsDivider)
        return;
    if (FStyle == tbsDropDown && X >= Width() - 13) {
        CheckMenuDropdown();
        return;
    }
    FPressed = true;
    Invalidate();
}

void TToolButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TGraphicControl::MouseUp(Button, Shift, X, Y);
    if (!FPressed)
        return;
    FPressed = false;
    Invalidate();
    if (X >= 0 && X < Width() && Y >= 0 && Y < Height())
        Click();
}

void TToolButton::CMMouseEnter(TMessageRecord& Message)
{
    TGraphicControl::CMMouseEnter(Message);
    FHot = true;
    Invalidate();
}

void TToolButton::CMMouseLeave(TMessageRecord& Message)
{
    TGraphicControl::CMMouseLeave(Message);
    FHot = false;
    Invalidate();
}

void TToolButton::Paint()
{
    TCanvas& C = *Canvas();
    TRect R = ClientRect();
    TToolBar* B = Bar();
    if (FStyle == tbsSeparator || FStyle == tbsDivider) {
        if (FStyle == tbsDivider) {
            TRect Line {R.Width() / 2 - 1, R.Top + 2, R.Width() / 2 + 1, R.Bottom - 2};
            DrawEdge(C.Handle(), Line, EDGE_ETCHED, BF_LEFT);
        }
        return;
    }
    const bool Flat = B && B->Flat();
    const bool Pushed = FPressed || FDown;
    if (!Flat || Pushed || (FHot && Enabled())) {
        TRect Face = R;
        if (Flat)
            DrawEdge(C.Handle(), Face, Pushed ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
        else
            DrawEdge(C.Handle(), Face, Pushed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
    }
    TRect Content = R;
    if (FStyle == tbsDropDown) {
        Content.Right -= 13;
        const int AX = Content.Right + 3;
        const int AY = R.Height() / 2 - 1;
        C.Pen()->SetColor(Enabled() ? clBtnText : clGrayText);
        for (int I = 0; I < 3; ++I) {
            C.MoveTo(AX + I, AY + I);
            C.LineTo(AX + 5 - I, AY + I);
        }
    }
    if (Pushed)
        OffsetRect(Content, 1, 1);
    TCustomImageList* Images = B ? B->Images() : nullptr;
    const bool ShowCaption = B && B->ShowCaptions();
    int ImageBottom = Content.Top;
    if (Images && FImageIndex >= 0 && FImageIndex < Images->Count()) {
        const int X = Content.Left + (Content.Width() - Images->Width()) / 2;
        const int Y = ShowCaption ? Content.Top + 3 : Content.Top + (Content.Height() - Images->Height()) / 2;
        TCustomImageList* Use = Images;
        if (!Enabled() && B->DisabledImages())
            Use = B->DisabledImages();
        Use->Draw(&C, X, Y, FImageIndex, Enabled() || Use != Images);
        ImageBottom = Y + Images->Height();
    }
    if (ShowCaption) {
        C.Font()->Assign(Font());
        TRect T = Content;
        if (ImageBottom > Content.Top)
            T.Top = ImageBottom;
        DrawAlignedText(C, T, StripHotkey(Caption()), taCenter,
            Enabled() ? Font()->Color() : clGrayText);
    }
}

// ---- TToolBar ---------------------------------------------------------------------------------

TToolBar::TToolBar(TComponent* AOwner) : TCustomControl(AOwner)
{
    FControlStyle = {csAcceptsControls, csCaptureMouse, csClickEvents, csDoubleClicks, csOpaque};
    FColor = clBtnFace;
    FParentColor = false;
    SetBounds(FLeft, FTop, 150, 29);
    SetAlign(alTop);
}

TToolBar::~TToolBar() = default;

std::vector<TControl*> TToolBar::OrderedControls() const
{
    std::vector<TControl*> List;
    for (int I = 0; I < ControlCount(); ++I)
        List.push_back(Controls(I));
    // Left to right as placed; equal positions keep insertion order.
    std::stable_sort(List.begin(), List.end(), [](TControl* A, TControl* B) {
        return A->Top() / 4 != B->Top() / 4 ? A->Top() < B->Top() : A->Left() < B->Left();
    });
    return List;
}

int TToolBar::ButtonCount() const
{
    int N = 0;
    for (int I = 0; I < ControlCount(); ++I)
        if (dynamic_cast<TToolButton*>(Controls(I)))
            ++N;
    return N;
}

TToolButton* TToolBar::Buttons(int Index) const
{
    int N = 0;
    for (TControl* C : OrderedControls())
        if (auto* B = dynamic_cast<TToolButton*>(C)) {
            if (N == Index)
                return B;
            ++N;
        }
    ListIndexError(Index);
}

void TToolBar::SetButtonWidth(int Value)
{
    FButtonWidth = std::max(Value, 1);
    ArrangeButtons();
}

void TToolBar::SetButtonHeight(int Value)
{
    FButtonHeight = std::max(Value, 1);
    ArrangeButtons();
}

void TToolBar::SetImages(TCustomImageList* Value)
{
    FImages = Value;
    if (Value) {
        Value->FreeNotification(this);
        FButtonWidth = std::max(FButtonWidth, Value->Width() + 7);
        FButtonHeight = std::max(FButtonHeight, Value->Height() + 6);
    }
    ArrangeButtons();
}

void TToolBar::SetDisabledImages(TCustomImageList* Value)
{
    FDisabledImages = Value;
    if (Value)
        Value->FreeNotification(this);
    Invalidate();
}

void TToolBar::SetShowCaptions(bool Value)
{
    FShowCaptions = Value;
    ArrangeButtons();
}

void TToolBar::SetFlat(bool Value)
{
    FFlat = Value;
    Invalidate();
}

void TToolBar::SetWrapable(bool Value)
{
    FWrapable = Value;
    ArrangeButtons();
}

void TToolBar::Notification(TComponent* AComponent, TOperation Operation)
{
    TCustomControl::Notification(AComponent, Operation);
    if (Operation != opRemove)
        return;
    if (AComponent == FImages)
        FImages = nullptr;
    if (AComponent == FDisabledImages)
        FDisabledImages = nullptr;
}

void TToolBar::ArrangeButtons()
{
    if (FArranging)
        return;
    FArranging = true;
    struct Done {
        bool& F;
        ~Done() { F = false; }
    } Guard {FArranging};
    int X = 0;
    int Y = 2;
    int RowHeight = FButtonHeight;
    const int Limit = std::max(Width(), 1);
    for (TControl* C : OrderedControls()) {
        if (!C->Visible())
            continue;
        int W = C->Width();
        int H = C->Height();
        if (auto* B = dynamic_cast<TToolButton*>(C)) {
            H = FButtonHeight;
            switch (B->Style()) {
            case tbsSeparator:
            case tbsDivider: W = 8; break;
            case tbsDropDown: W = FButtonWidth + 13; break;
            case tbsButton:
            case tbsCheck: W = FButtonWidth; break;
            }
            if (FShowCaptions && B->Style() != tbsSeparator && B->Style() != tbsDivider)
                W = std::max(W, MeasureTextWidth(B->Font(), StripHotkey(B->Caption())) + 12);
        }
        if (FWrapable && X > 0 && X + W > Limit) {
            X = 0;
            Y += RowHeight;
        }
        // Other controls sit centred in the row.
        const int Top = dynamic_cast<TToolButton*>(C) ? Y : Y + std::max(0, (FButtonHeight - H) / 2);
        C->SetBounds(X, Top, W, H);
        X += W;
        RowHeight = std::max(RowHeight, H);
    }
}

void TToolBar::AlignControls(TControl* AControl, TRect& Rect)
{
    TCustomControl::AlignControls(AControl, Rect);
    ArrangeButtons();
}

void TToolBar::Paint()
{
    TCanvas& C = *Canvas();
    C.Brush()->SetColor(Color());
    C.FillRect(ClientRect());
}

// ---- TStatusBar ---------------------------------------------------------------------------------

void TStatusPanel::SetText(const AnsiString& Value)
{
    FText = Value;
    FBar->Invalidate();
}

void TStatusPanel::SetWidth(int Value)
{
    FWidth = std::max(Value, 0);
    FBar->Invalidate();
}

void TStatusPanel::SetAlignment(TAlignment Value)
{
    FAlignment = Value;
    FBar->Invalidate();
}

void TStatusPanel::SetBevel(TStatusPanelBevel Value)
{
    FBevel = Value;
    FBar->Invalidate();
}

void TStatusPanel::SetStyle(TStatusPanelStyle Value)
{
    FStyle = Value;
    FBar->Invalidate();
}

TStatusBar::TStatusBar(TComponent* AOwner) : TCustomControl(AOwner)
{
    FColor = clBtnFace;
    FParentColor = false;
    SetBounds(FLeft, FTop, 150, 19);
    SetAlign(alBottom);
}

TStatusBar::~TStatusBar() = default;

void TStatusBar::SetSimplePanel(bool Value)
{
    FSimplePanel = Value;
    Invalidate();
}

void TStatusBar::SetSimpleText(const AnsiString& Value)
{
    FSimpleText = Value;
    Invalidate();
}

void TStatusBar::SetSizeGrip(bool Value)
{
    FSizeGrip = Value;
    Invalidate();
}

TRect TStatusBar::PanelRect(int Index)
{
    FPanels.Items(Index);
    const TRect Client = ClientRect();
    int X = 0;
    for (int I = 0; I < Index; ++I)
        X += FPanels[I]->Width();
    int Right = Index == FPanels.Count() - 1 ? Client.Right : X + FPanels[Index]->Width();
    Right = std::min(Right, Client.Right);
    return {std::min(X, Client.Right), Client.Top + 2, Right, Client.Bottom};
}

void TStatusBar::Paint()
{
    TCanvas& C = *Canvas();
    const TRect Client = ClientRect();
    C.Brush()->SetColor(Color());
    C.FillRect(Client);
    C.Font()->Assign(Font());
    if (FSimplePanel || FPanels.Count() == 0) {
        TRect R {Client.Left, Client.Top + 2, Client.Right, Client.Bottom};
        TRect Edge = R;
        DrawEdge(C.Handle(), Edge, BDR_SUNKENOUTER, BF_RECT);
        InflateRect(R, -3, 0);
        DrawAlignedText(C, R, FSimplePanel ? FSimpleText : AnsiString(), taLeftJustify,
            Font()->Color());
        return;
    }
    for (int I = 0; I < FPanels.Count(); ++I) {
        TStatusPanel* P = FPanels[I];
        TRect R = PanelRect(I);
        if (R.Width() <= 0)
            continue;
        if (P->Bevel() != pbNone) {
            TRect Edge = R;
            DrawEdge(C.Handle(), Edge, P->Bevel() == pbLowered ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
        }
        InflateRect(R, -2, -1);
        if (P->Style() == psOwnerDraw) {
            OnDrawPanel(this, P, R);
            continue;
        }
        InflateRect(R, -1, 0);
        DrawAlignedText(C, R, P->Text(), P->Alignment(), Font()->Color());
    }
}

// ---- TTabSheet, TPageControl ---------------------------------------------------------------------------

TTabSheet::TTabSheet(TComponent* AOwner) : TCustomControl(AOwner)
{
    FControlStyle = {csAcceptsControls, csCaptureMouse, csClickEvents, csDoubleClicks, csOpaque};
    FVisible = false;
    FColor = clBtnFace;
}

TTabSheet::~TTabSheet()
{
    if (FPageControl)
        FPageControl->RemovePage(this);
}

void TTabSheet::SetPageControl(TPageControl* Value)
{
    if (FPageControl == Value)
        return;
    if (FPageControl)
        FPageControl->RemovePage(this);
    SetParent(Value);
    if (Value)
        Value->InsertPage(this);
}

int TTabSheet::PageIndex() const
{
    if (!FPageControl)
        return -1;
    const auto& P = FPageControl->FPages;
    return static_cast<int>(std::find(P.begin(), P.end(), this) - P.begin());
}

void TTabSheet::SetPageIndex(int Value)
{
    if (!FPageControl)
        return;
    auto& P = FPageControl->FPages;
    Value = std::clamp(Value, 0, static_cast<int>(P.size()) - 1);
    P.erase(P.begin() + PageIndex());
    P.insert(P.begin() + Value, this);
    FPageControl->Invalidate();
}

void TTabSheet::SetTabVisible(bool Value)
{
    if (FTabVisible == Value)
        return;
    FTabVisible = Value;
    if (!FPageControl)
        return;
    if (!Value && FPageControl->FActivePage == this)
        FPageControl->SetActivePage(FPageControl->FindNextPage(this, true, true));
    FPageControl->Invalidate();
}

int TTabSheet::TabIndex() const
{
    if (!FTabVisible || !FPageControl)
        return -1;
    int N = 0;
    for (TTabSheet* S : FPageControl->FPages) {
        if (S == this)
            return N;
        if (S->FTabVisible)
            ++N;
    }
    return -1;
}

void TTabSheet::CMTextChanged(TMessageRecord& Message)
{
    TCustomControl::CMTextChanged(Message);
    if (FPageControl)
        FPageControl->Invalidate();
}

TPageControl::TPageControl(TComponent* AOwner) : TCustomControl(AOwner)
{
    FControlStyle = {csCaptureMouse, csClickEvents, csDoubleClicks, csOpaque};
    FColor = clBtnFace;
    FParentColor = false;
    FTabStop = true;
    SetBounds(FLeft, FTop, 289, 193);
}

TPageControl::~TPageControl()
{
    for (TTabSheet* S : FPages)
        S->FPageControl = nullptr;
}

TTabSheet* TPageControl::Pages(int Index) const
{
    if (Index < 0 || Index >= PageCount())
        ListIndexError(Index);
    return FPages[static_cast<size_t>(Index)];
}

void TPageControl::InsertPage(TTabSheet* Page)
{
    FPages.push_back(Page);
    Page->FPageControl = this;
    Page->SetBoundsRect(DisplayRect());
    if (!FActivePage && Page->FTabVisible)
        SetActivePage(Page);
    Invalidate();
}

void TPageControl::RemovePage(TTabSheet* Page)
{
    const auto It = std::find(FPages.begin(), FPages.end(), Page);
    if (It == FPages.end())
        return;
    TTabSheet* Next = FActivePage == Page ? FindNextPage(Page, true, true) : FActivePage;
    FPages.erase(It);
    Page->FPageControl = nullptr;
    if (Next == Page)
        Next = nullptr;
    if (FActivePage == Page) {
        FActivePage = nullptr;
        SetActivePage(Next);
    }
    Invalidate();
}

void TPageControl::SetActivePage(TTabSheet* Value)
{
    if (Value && (Value->FPageControl != this || !Value->FTabVisible))
        return;
    if (FActivePage == Value)
        return;
    TTabSheet* Old = FActivePage;
    FActivePage = Value;
    if (Value) {
        Value->SetBoundsRect(DisplayRect());
        Value->BringToFront();
        Value->SetVisible(true);
    }
    if (Old && Old->FPageControl == this)
        Old->SetVisible(false);
    Invalidate();
}

int TPageControl::ActivePageIndex() const
{
    if (!FActivePage)
        return -1;
    return static_cast<int>(std::find(FPages.begin(), FPages.end(), FActivePage) - FPages.begin());
}

void TPageControl::SetActivePageIndex(int Value)
{
    if (Value < 0 || Value >= PageCount()) {
        SetActivePage(nullptr);
        return;
    }
    SetActivePage(FPages[static_cast<size_t>(Value)]);
}

TTabSheet* TPageControl::FindNextPage(TTabSheet* Current, bool GoForward, bool CheckTabVisible)
{
    const int N = PageCount();
    if (N == 0)
        return nullptr;
    int Start = static_cast<int>(std::find(FPages.begin(), FPages.end(), Current) - FPages.begin());
    if (Start == N)
        Start = GoForward ? N - 1 : 0;
    int I = Start;
    for (int Step = 0; Step < N; ++Step) {
        I = GoForward ? (I + 1) % N : (I + N - 1) % N;
        TTabSheet* S = FPages[static_cast<size_t>(I)];
        if (!CheckTabVisible || S->FTabVisible)
            return S;
    }
    return nullptr;
}

void TPageControl::ChangeActivePage(TTabSheet* Page)
{
    if (!Page || Page == FActivePage)
        return;
    bool Allow = true;
    OnChanging(this, Allow);
    if (!Allow)
        return;
    SetActivePage(Page);
    OnChange(this);
}

void TPageControl::SelectNextPage(bool GoForward)
{
    ChangeActivePage(FindNextPage(FActivePage, GoForward, true));
}

void TPageControl::SetTabHeight(int Value)
{
    FTabHeight = std::max(Value, 1);
    Realign();
    Invalidate();
}

TRect TPageControl::TabRect(int TabIndex)
{
    int X = 2;
    int N = 0;
    for (TTabSheet* S : FPages) {
        if (!S->FTabVisible)
            continue;
        const int W = MeasureTextWidth(Font(), StripHotkey(S->Caption())) + 16;
        if (N == TabIndex)
            return {X, 2, X + W, 2 + FTabHeight};
        X += W;
        ++N;
    }
    return {};
}

int TPageControl::IndexOfTabAt(int X, int Y)
{
    for (int I = 0;; ++I) {
        const TRect R = TabRect(I);
        if (IsRectEmpty(R))
            return -1;
        if (X >= R.Left && X < R.Right && Y >= R.Top && Y < R.Bottom)
            return I;
    }
}

TRect TPageControl::DisplayRect()
{
    TRect R = TControl::ClientRect();
    R.Top += FTabHeight + 2;
    InflateRect(R, -4, -4);
    R.Top -= 2;
    return R;
}

void TPageControl::AdjustClientRect(TRect& Rect)
{
    Rect = DisplayRect();
}

void TPageControl::WMSize(TWMSize& Message)
{
    inherited::WMSize(Message);
    if (FActivePage)
        FActivePage->SetBoundsRect(DisplayRect());
}

void TPageControl::Paint()
{
    TCanvas& C = *Canvas();
    const TRect Client = TControl::ClientRect();
    C.Brush()->SetColor(Color());
    C.FillRect(Client);
    TRect Body {Client.Left, Client.Top + FTabHeight + 2, Client.Right, Client.Bottom};
    DrawEdge(C.Handle(), Body, EDGE_RAISED, BF_RECT);
    C.Font()->Assign(Font());
    const int Active = FActivePage ? FActivePage->TabIndex() : -1;
    int N = 0;
    for (TTabSheet* S : FPages) {
        if (!S->FTabVisible)
            continue;
        TRect R = TabRect(N);
        if (N == Active) {
            InflateRect(R, 2, 2);
            R.Bottom += 1;
        }
        C.Brush()->SetColor(Color());
        C.FillRect(R);
        TRect Edge = R;
        DrawEdge(C.Handle(), Edge, EDGE_RAISED, BF_LEFT | BF_TOP | BF_RIGHT);
        DrawAlignedText(C, R, S->Caption(), taCenter, Enabled() ? Font()->Color() : clGrayText);
        if (N == Active && Focused()) {
            TRect F = R;
            InflateRect(F, -3, -3);
            C.DrawFocusRect(F);
        }
        ++N;
    }
}

void TPageControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TCustomControl::MouseDown(Button, Shift, X, Y);
    if (Button != mbLeft)
        return;
    const int Tab = IndexOfTabAt(X, Y);
    if (Tab < 0)
        return;
    for (TTabSheet* S : FPages)
        if (S->TabIndex() == Tab) {
            ChangeActivePage(S);
            return;
        }
}

void TPageControl::CMDialogKey(TCMDialogKey& Message)
{
    // Ctrl+Tab and Ctrl+Shift+Tab turn the pages of the focused control's page control.
    if (Message.CharCode == VK_TAB && GetKeyState(VK_CONTROL) < 0 && Focused()) {
        SelectNextPage(GetKeyState(VK_SHIFT) >= 0);
        Message.Result = 1;
        return;
    }
    TCustomControl::CMDialogKey(Message);
}

// ---- TProgressBar -------------------------------------------------------------------------------------

TProgressBar::TProgressBar(TComponent* AOwner) : TWinControl(AOwner)
{
    SetBounds(FLeft, FTop, 150, 16);
}

TProgressBar::~TProgressBar() = default;

void TProgressBar::SetMin(int Value)
{
    FMin = Value;
    FMax = std::max(FMax, FMin);
    SetPosition(FPosition);
    Invalidate();
}

void TProgressBar::SetMax(int Value)
{
    FMax = Value;
    FMin = std::min(FMin, FMax);
    SetPosition(FPosition);
    Invalidate();
}

void TProgressBar::SetPosition(int Value)
{
    Value = std::clamp(Value, FMin, FMax);
    if (FPosition == Value)
        return;
    FPosition = Value;
    Invalidate();
}

void TProgressBar::StepIt()
{
    StepBy(FStep);
}

void TProgressBar::StepBy(int Delta)
{
    int P = FPosition + Delta;
    if (P > FMax)
        P = FMin + (P - FMax - 1) % std::max(1, FMax - FMin + 1);
    SetPosition(P);
}

void TProgressBar::SetSmooth(bool Value)
{
    FSmooth = Value;
    Invalidate();
}

void TProgressBar::SetOrientation(TProgressBarOrientation Value)
{
    FOrientation = Value;
    Invalidate();
}

void TProgressBar::PaintWindow(HDC DC)
{
    CanvasOnDC P(DC, Font());
    TCanvas& C = P.Canvas();
    TRect R = ClientRect();
    C.Brush()->SetColor(clBtnFace);
    C.FillRect(R);
    TRect Edge = R;
    DrawEdge(C.Handle(), Edge, BDR_SUNKENOUTER, BF_RECT);
    InflateRect(R, -2, -2);
    const int Range = FMax - FMin;
    if (Range <= 0 || R.Width() <= 0 || R.Height() <= 0)
        return;
    const bool Horz = FOrientation == pbHorizontal;
    const int Length = Horz ? R.Width() : R.Height();
    const int Filled = static_cast<int>(static_cast<int64_t>(FPosition - FMin) * Length / Range);
    C.Brush()->SetColor(clHighlight);
    if (FSmooth) {
        const TRect Bar = Horz ? TRect {R.Left, R.Top, R.Left + Filled, R.Bottom}
                               : TRect {R.Left, R.Bottom - Filled, R.Right, R.Bottom};
        C.FillRect(Bar);
        return;
    }
    // Blocks two thirds as long as the bar is thick, one pixel apart.
    const int Block = std::max(2, (Horz ? R.Height() : R.Width()) * 2 / 3);
    for (int Pos = 0; Pos < Filled; Pos += Block + 1) {
        const int End = std::min(Pos + Block, Length);
        const TRect Bar = Horz ? TRect {R.Left + Pos, R.Top, R.Left + End, R.Bottom}
                               : TRect {R.Left, R.Bottom - End, R.Right, R.Bottom - Pos};
        C.FillRect(Bar);
    }
}

// ---- TUpDown -------------------------------------------------------------------------------------------

TUpDown::TUpDown(TComponent* AOwner) : TWinControl(AOwner)
{
    SetBounds(FLeft, FTop, 15, 25);
}

TUpDown::~TUpDown()
{
    if (FAssociate && FAssociate->OnKeyDown == TKeyEvent(this, &TUpDown::AssociateKeyDown))
        FAssociate->OnKeyDown = nullptr;
}

void TUpDown::SetMin(int Value)
{
    FMin = Value;
    SetPosition(FPosition);
}

void TUpDown::SetMax(int Value)
{
    FMax = Value;
    SetPosition(FPosition);
}

void TUpDown::SetPosition(int Value)
{
    const int Lo = std::min(FMin, FMax);
    const int Hi = std::max(FMin, FMax);
    Value = std::clamp(Value, Lo, Hi);
    const bool Changed = FPosition != Value;
    FPosition = Value;
    UpdateAssociate();
    if (Changed)
        OnChange(this);
}

void TUpDown::SetThousands(bool Value)
{
    FThousands = Value;
    UpdateAssociate();
}

void TUpDown::SetOrientation(TUDOrientation Value)
{
    FOrientation = Value;
    Invalidate();
}

void TUpDown::SetAlignButton(TUDAlignButton Value)
{
    FAlignButton = Value;
    PlaceBesideAssociate();
}

void TUpDown::SetAssociate(TWinControl* Value)
{
    if (FAssociate && FAssociate->OnKeyDown == TKeyEvent(this, &TUpDown::AssociateKeyDown))
        FAssociate->OnKeyDown = nullptr;
    FAssociate = Value;
    if (!Value)
        return;
    Value->FreeNotification(this);
    if (FArrowKeys && !Value->OnKeyDown.Assigned())
        Value->OnKeyDown = TKeyEvent(this, &TUpDown::AssociateKeyDown);
    PlaceBesideAssociate();
    UpdateAssociate();
}

void TUpDown::Notification(TComponent* AComponent, TOperation Operation)
{
    TWinControl::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FAssociate)
        FAssociate = nullptr;
}

void TUpDown::UpdateAssociate()
{
    if (!FAssociate)
        return;
    AnsiString Text = IntToStr(FPosition);
    if (FThousands && std::abs(FPosition) >= 1000) {
        // Groups of three digits with the locale's separator.
        AnsiString Digits = IntToStr(std::abs(FPosition));
        AnsiString Grouped;
        const int N = Digits.Length();
        for (int I = 1; I <= N; ++I) {
            Grouped += Digits[I];
            if ((N - I) % 3 == 0 && I < N)
                Grouped += FormatSettings().ThousandSeparator;
        }
        Text = (FPosition < 0 ? AnsiString("-") : AnsiString()) + Grouped;
    }
    FAssociate->SetText(Text);
}

void TUpDown::PlaceBesideAssociate()
{
    if (!FAssociate || FAssociate->Parent() != FParent)
        return;
    const int X = FAlignButton == udRight ? FAssociate->Left() + FAssociate->Width()
                                          : FAssociate->Left() - Width();
    SetBounds(X, FAssociate->Top(), Width(), FAssociate->Height());
}

void TUpDown::AssociateKeyDown(TObject*, Word& Key, TShiftState)
{
    if (Key == VK_UP || Key == VK_DOWN) {
        DoStep(Key == VK_UP ? btNext : btPrev);
        Key = 0;
    }
}

void TUpDown::DoStep(TUDBtnType Button)
{
    bool Allow = true;
    OnChanging(this, Allow);
    if (!Allow)
        return;
    int P = FPosition + (Button == btNext ? FIncrement : -FIncrement);
    const int Lo = std::min(FMin, FMax);
    const int Hi = std::max(FMin, FMax);
    if (FWrap) {
        if (P > Hi)
            P = Lo;
        else if (P < Lo)
            P = Hi;
    }
    SetPosition(P);
    OnClick(this, Button);
}

void TUpDown::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TWinControl::MouseDown(Button, Shift, X, Y);
    if (Button != mbLeft || !Enabled())
        return;
    // Up (or right) is the next value.
    const bool Next = FOrientation == udVertical ? Y < Height() / 2 : X >= Width() / 2;
    FPressedHalf = Next ? 0 : 1;
    Invalidate();
    DoStep(Next ? btNext : btPrev);
}

void TUpDown::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TWinControl::MouseUp(Button, Shift, X, Y);
    FPressedHalf = -1;
    Invalidate();
}

void TUpDown::PaintWindow(HDC DC)
{
    CanvasOnDC P(DC, Font());
    const TRect R = ClientRect();
    const bool Vert = FOrientation == udVertical;
    TRect First = Vert ? TRect {R.Left, R.Top, R.Right, R.Height() / 2}
                       : TRect {R.Left, R.Top, R.Width() / 2, R.Bottom};
    TRect Second = Vert ? TRect {R.Left, R.Height() / 2, R.Right, R.Bottom}
                        : TRect {R.Width() / 2, R.Top, R.Right, R.Bottom};
    const UINT Inactive = Enabled() ? 0u : UINT(DFCS_INACTIVE);
    const UINT Pushed = DFCS_PUSHED;
    const UINT FirstKind = Vert ? UINT(DFCS_SCROLLUP) : UINT(DFCS_SCROLLLEFT);
    const UINT SecondKind = Vert ? UINT(DFCS_SCROLLDOWN) : UINT(DFCS_SCROLLRIGHT);
    DrawFrameControl(DC, First, DFC_SCROLL, FirstKind | Inactive | (FPressedHalf == (Vert ? 0 : 1) ? Pushed : 0u));
    DrawFrameControl(DC, Second, DFC_SCROLL, SecondKind | Inactive | (FPressedHalf == (Vert ? 1 : 0) ? Pushed : 0u));
}

// ---- THeaderControl -----------------------------------------------------------------------------------------

template <class TOwnerControl>
void SizedColumn<TOwnerControl>::SetCaptionText(const AnsiString& Value)
{
    FCaption = Value;
    FControl->Invalidate();
}

template <class TOwnerControl>
void SizedColumn<TOwnerControl>::SetWidth(int Value)
{
    Value = std::max(Value, FMinWidth);
    if (FMaxWidth > 0)
        Value = std::min(Value, FMaxWidth);
    if (FWidth == Value)
        return;
    FWidth = Value;
    FControl->Invalidate();
}

template <class TOwnerControl>
void SizedColumn<TOwnerControl>::SetMinWidth(int Value)
{
    FMinWidth = std::max(Value, 0);
    SetWidth(FWidth);
}

template <class TOwnerControl>
void SizedColumn<TOwnerControl>::SetMaxWidth(int Value)
{
    FMaxWidth = std::max(Value, 0);
    SetWidth(FWidth);
}

template <class TOwnerControl>
void SizedColumn<TOwnerControl>::SetAlignment(TAlignment Value)
{
    FAlignment = Value;
    FControl->Invalidate();
}

// The list view's columns (ComCtrlsList.cpp) share them too; both instances
// are made here so the members stay out of the header.
template class SizedColumn<THeaderControl>;
template class SizedColumn<TCustomListView>;

int THeaderSection::Index() const
{
    return FControl->FSections.IndexOf(this);
}

int THeaderSection::Left() const
{
    int X = 0;
    for (int I = 0; I < Index(); ++I)
        X += FControl->FSections[I]->Width();
    return X;
}

template <class TItem, class TOwnerControl>
TItem* OwnedItemList<TItem, TOwnerControl>::Items(int Index) const
{
    if (Index < 0 || Index >= Count())
        ListIndexError(Index);
    return FItems[static_cast<size_t>(Index)].get();
}

template <class TItem, class TOwnerControl>
TItem* OwnedItemList<TItem, TOwnerControl>::Add()
{
    FItems.push_back(std::make_unique<TItem>(FControl));
    FControl->Invalidate();
    return FItems.back().get();
}

template <class TItem, class TOwnerControl>
void OwnedItemList<TItem, TOwnerControl>::Delete(int Index)
{
    Items(Index);
    FItems.erase(FItems.begin() + Index);
    FControl->Invalidate();
}

template <class TItem, class TOwnerControl>
void OwnedItemList<TItem, TOwnerControl>::Clear()
{
    FItems.clear();
    FControl->Invalidate();
}

template <class TItem, class TOwnerControl>
int OwnedItemList<TItem, TOwnerControl>::IndexOf(const TItem* Item) const
{
    for (size_t I = 0; I < FItems.size(); ++I)
        if (FItems[I].get() == Item)
            return static_cast<int>(I);
    return -1;
}

// The list view's columns (ComCtrlsList.cpp) use the same list; all
// instances are made here so the members stay out of the header.
template class OwnedItemList<TStatusPanel, TStatusBar>;
template class OwnedItemList<THeaderSection, THeaderControl>;
template class OwnedItemList<TListColumn, TCustomListView>;

THeaderControl::THeaderControl(TComponent* AOwner) : TCustomControl(AOwner)
{
    FColor = clBtnFace;
    FParentColor = false;
    SetBounds(FLeft, FTop, 150, 17);
    SetAlign(alTop);
}

THeaderControl::~THeaderControl() = default;

int THeaderControl::SectionEdgeAt(int X)
{
    for (int I = 0; I < FSections.Count(); ++I)
        if (std::abs(FSections[I]->Right() - X) <= 3)
            return I;
    return -1;
}

int THeaderControl::SectionAt(int X)
{
    for (int I = 0; I < FSections.Count(); ++I)
        if (X >= FSections[I]->Left() && X < FSections[I]->Right())
            return I;
    return -1;
}

void THeaderControl::Paint()
{
    TCanvas& C = *Canvas();
    const TRect Client = ClientRect();
    C.Brush()->SetColor(Color());
    C.FillRect(Client);
    C.Font()->Assign(Font());
    for (int I = 0; I < FSections.Count(); ++I) {
        THeaderSection* S = FSections[I];
        TRect R {S->Left(), Client.Top, S->Right(), Client.Bottom};
        TRect Edge = R;
        DrawEdge(C.Handle(), Edge, I == FPressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
        InflateRect(R, -4, 0);
        if (I == FPressed)
            OffsetRect(R, 1, 1);
        DrawAlignedText(C, R, S->Text(), S->Alignment(), Font()->Color());
    }
}

void THeaderControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TCustomControl::MouseDown(Button, Shift, X, Y);
    if (Button != mbLeft)
        return;
    const int Edge = SectionEdgeAt(X);
    if (Edge >= 0) {
        FTracking = Edge;
        FTrackStartX = X;
        FTrackStartWidth = FSections[Edge]->Width();
        OnSectionTrack(this, FSections[Edge], FTrackStartWidth, tsTrackBegin);
        return;
    }
    const int S = SectionAt(X);
    if (S >= 0 && FSections[S]->AllowClick()) {
        FPressed = S;
        Invalidate();
    }
}

void THeaderControl::MouseMove(TShiftState Shift, int X, int Y)
{
    TCustomControl::MouseMove(Shift, X, Y);
    if (FTracking < 0) {
        SetCursor(SectionEdgeAt(X) >= 0 ? crHSplit : crDefault);
        return;
    }
    THeaderSection* S = FSections[FTracking];
    S->SetWidth(FTrackStartWidth + X - FTrackStartX);
    OnSectionTrack(this, S, S->Width(), tsTrackMove);
}

void THeaderControl::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TCustomControl::MouseUp(Button, Shift, X, Y);
    if (FTracking >= 0) {
        THeaderSection* S = FSections[FTracking];
        FTracking = -1;
        OnSectionTrack(this, S, S->Width(), tsTrackEnd);
        OnSectionResize(this, S);
        return;
    }
    if (FPressed < 0)
        return;
    const int Pressed = FPressed;
    FPressed = -1;
    Invalidate();
    if (SectionAt(X) == Pressed)
        OnSectionClick(this, FSections[Pressed]);
}

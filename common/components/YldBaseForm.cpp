#include "common/components/YldBaseForm.h"

#include "common/components/FuncsVCL.h"
#include "platform/classes/Filer.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Grids.h"
#include "platform/forms/StdCtrls.h"
#include "platform/winapi/Windows.h"

#include <vector>

PRICETAGS_DEFINE_CLASS(TBaseForm)

namespace {

BaseFormTreeSupport& TreeSupport()
{
    static BaseFormTreeSupport Support;
    return Support;
}

bool IsTree(TControl* Control)
{
    return TreeSupport().IsTree && TreeSupport().IsTree(Control);
}

/// Horizontal, vertical and font ratios (multiplier over divisor).
struct ScaleRatios {
    int Mx, Dx, My, Dy, Mf, Df;
};

void ScaleConstraints(TSizeConstraints& C, const ScaleRatios& R)
{
    C.SetMaxHeight(MulDiv(C.MaxHeight(), R.My, R.Dy));
    C.SetMinHeight(MulDiv(C.MinHeight(), R.My, R.Dy));
    C.SetMaxWidth(MulDiv(C.MaxWidth(), R.Mx, R.Dx));
    C.SetMinWidth(MulDiv(C.MinWidth(), R.Mx, R.Dx));
}

void ScaleGrid(TCustomGrid& Grid, const ScaleRatios& R)
{
    // Setting the default width forgets the columns' own widths, so the
    // default goes first and the own widths (scaled) are put back after it;
    // the other order would leave every column at the default width.
    std::vector<int> Widths(Grid.ColCount());
    for (int I = 0; I < Grid.ColCount(); ++I)
        Widths[I] = MulDiv(Grid.ColWidths(I), R.Mx, R.Dx);
    std::vector<int> Heights(Grid.RowCount());
    for (int I = 0; I < Grid.RowCount(); ++I)
        Heights[I] = MulDiv(Grid.RowHeights(I), R.My, R.Dy);
    const int DefaultWidth = MulDiv(Grid.DefaultColWidth(), R.Mx, R.Dx);
    const int DefaultHeight = MulDiv(Grid.DefaultRowHeight(), R.My, R.Dy);
    Grid.SetDefaultColWidth(DefaultWidth);
    Grid.SetDefaultRowHeight(DefaultHeight);
    for (int I = 0; I < static_cast<int>(Widths.size()); ++I)
        if (Widths[I] != DefaultWidth)
            Grid.SetColWidths(I, Widths[I]);
    for (int I = 0; I < static_cast<int>(Heights.size()); ++I)
        if (Heights[I] != DefaultHeight)
            Grid.SetRowHeights(I, Heights[I]);
}

void ScaleControl(TControl* C, const ScaleRatios& R)
{
    const int X = MulDiv(C->Left(), R.Mx, R.Dx);
    const int Y = MulDiv(C->Top(), R.My, R.Dy);
    const int W = C->ControlStyle().Contains(csFixedWidth)
                      ? C->Width() : MulDiv(C->Left() + C->Width(), R.Mx, R.Dx) - X;
    const int H = C->ControlStyle().Contains(csFixedHeight)
                      ? C->Height() : MulDiv(C->Top() + C->Height(), R.My, R.Dy) - Y;
    ScaleConstraints(*C->Constraints(), R);
    if (auto* Grid = dynamic_cast<TCustomGrid*>(C))
        ScaleGrid(*Grid, R);
    if (IsTree(C) && TreeSupport().ScaleTree) {
        // The tree's own scaling also moves it and scales its font: both
        // are set below from the values before it.
        const int FontSize = C->Font()->Size();
        TreeSupport().ScaleTree(C, R.Mx, R.Dx);
        if (!C->ParentFont())
            C->Font()->SetSize(FontSize);
    }
    C->SetBounds(X, Y, W, H);
    // The anchor reference points follow from the new bounds when the
    // anchors are put back (ScaleControlTree).
    if (!C->ParentFont() && R.Mf != R.Df)
        C->Font()->SetSize(MulDiv(C->Font()->Size(), R.Mf, R.Df));
}

void ScaleScrollRanges(TScrollingWinControl& C, const ScaleRatios& R)
{
    if (C.AutoScroll())
        return;
    TControlScrollBar* Horz = C.HorzScrollBar();
    Horz->SetPosition(0);
    Horz->SetRange(MulDiv(Horz->Range(), R.Mx, R.Dx));
    TControlScrollBar* Vert = C.VertScrollBar();
    Vert->SetPosition(0);
    Vert->SetRange(MulDiv(Vert->Range(), R.My, R.Dy));
}

/// A constraint of the whole window with the frame kept; 0 stays 0.
int ScaleFrameConstraint(int Value, int Frame, int M, int D)
{
    if (Value == 0)
        return 0;
    const int Result = MulDiv(Value - Frame, M, D) + Frame;
    return Result < 0 ? 0 : Result;
}

void ScaleForm(TCustomForm* F, const ScaleRatios& R)
{
    const int FrameW = F->Width() - F->ClientWidth();
    const int FrameH = F->Height() - F->ClientHeight();
    if (R.Mf != R.Df)
        F->Font()->SetHeight(MulDiv(F->Font()->Height(), R.Mf, R.Df));
    const int NewW = MulDiv(F->ClientWidth(), R.Mx, R.Dx) + FrameW;
    const int NewH = MulDiv(F->ClientHeight(), R.My, R.Dy) + FrameH;
    TSizeConstraints& C = *F->Constraints();
    C.SetMaxWidth(ScaleFrameConstraint(C.MaxWidth(), FrameW, R.Mx, R.Dx));
    C.SetMinWidth(ScaleFrameConstraint(C.MinWidth(), FrameW, R.Mx, R.Dx));
    C.SetMaxHeight(ScaleFrameConstraint(C.MaxHeight(), FrameH, R.My, R.Dy));
    C.SetMinHeight(ScaleFrameConstraint(C.MinHeight(), FrameH, R.My, R.Dy));
    // One pixel more when shrinking, so that rounding down never cuts the
    // last row of pixels of the content.
    F->SetBounds(F->Left(), F->Top(), R.Dx > R.Mx ? NewW + 1 : NewW,
                 R.Dy > R.My ? NewH + 1 : NewH);
}

void ScaleControlTree(TControl* Control, const ScaleRatios& R)
{
    auto* Win = dynamic_cast<TWinControl*>(Control);
    if (!Win) {
        ScaleControl(Control, R);
        return;
    }
    const int Count = Win->ControlCount();
    std::vector<TControl*> Children(Count);
    std::vector<TAnchors> Saved(Count);
    for (int I = 0; I < Count; ++I) {
        Children[I] = Win->Controls(I);
        Saved[I] = Children[I]->Anchors();
        Children[I]->SetAnchors({akLeft, akTop});
    }
    Win->DisableAlign();
    try {
        if (auto* Form = dynamic_cast<TCustomForm*>(Win)) {
            ScaleForm(Form, R);
        } else {
            if (auto* Scrolling = dynamic_cast<TScrollingWinControl*>(Win))
                ScaleScrollRanges(*Scrolling, R);
            ScaleControl(Win, R);
        }
        for (TControl* Child : Children)
            ScaleControlTree(Child, R);
    } catch (...) {
        Win->EnableAlign();
        throw;
    }
    Win->EnableAlign();
    for (int I = 0; I < Count; ++I)
        Children[I]->SetAnchors(Saved[I]);
    if (dynamic_cast<TCustomRadioGroup*>(Win) && Win->HandleAllocated())
        PostMessage(Win->Handle(), WM_SIZE, 0, 0);
}

/// Set while BringFormsToTop runs.
bool gBringingFormsToTop = false;

} // namespace

void SetBaseFormTreeSupport(const BaseFormTreeSupport& Support)
{
    TreeSupport() = Support;
}

TBaseForm::TBaseForm(TComponent* AOwner) : TForm(AOwner, 0)
{
    InitBaseForm();
}

TBaseForm::~TBaseForm() = default;

void TBaseForm::InitBaseForm()
{
    FCloseOnEscape = 1;
    FEscapeLock = 0;
    SetParentFont(true);
    FSavePlacement = true;
    FWheelRouting = true;
}

void TBaseForm::ScaleControlBy(TControl* Control, int M, int D)
{
    ScaleControlTree(Control, {M, D, M, D, M, D});
}

void TBaseForm::BringFormsToTop()
{
    if (gBringingFormsToTop || !Screen)
        return;
    gBringingFormsToTop = true;
    try {
        for (int I = Screen->CustomFormCount() - 1; I >= 0; --I) {
            TCustomForm* F = Screen->CustomForms(I);
            if (F->HandleAllocated())
                BringWindowToTop(F->Handle());
        }
    } catch (...) {
        gBringingFormsToTop = false;
        throw;
    }
    gBringingFormsToTop = false;
}

bool TBaseForm::KeepsPlacement()
{
    return FSavePlacement && !Name().IsEmpty() && !Parent();
}

bool TBaseForm::NeedsScaling() const
{
    return FStoredPixelsPerInch > 0 && FStoredPixelsPerInch != Screen->PixelsPerInch();
}

void TBaseForm::SetName(const AnsiString& NewName)
{
    const AnsiString OldName = Name();
    inherited::SetName(NewName);
    if (!ComponentState().Contains(csLoading) && !OldName.IsEmpty() && OldName != NewName &&
        KeepsPlacement())
        RestoreFormPosition(this);
}

void TBaseForm::DefineProperties(TFiler* Filer)
{
    inherited::DefineProperties(Filer);
    // Forms have no scroll bars of their own here, so the class library
    // always stores Width and Height: the client size is never written
    // but still read from older streams.
    Filer->DefineProperty("ClientHeight", TReaderProc(this, &TBaseForm::ReadClientHeight),
                          TWriterProc(this, &TBaseForm::WriteClientHeight), false);
    Filer->DefineProperty("ClientWidth", TReaderProc(this, &TBaseForm::ReadClientWidth),
                          TWriterProc(this, &TBaseForm::WriteClientWidth), false);
    Filer->DefineProperty("ScaleFix", TReaderProc(this, &TBaseForm::ReadScaleFix),
                          TWriterProc(this, &TBaseForm::WriteScaleFix), Scaled());
}

void TBaseForm::ReadScaleFix(TReader* Reader)
{
    if (!Reader->ReadBoolean())
        return;
    FStoredPixelsPerInch = PixelsPerInch();
    SetPixelsPerInch(Screen->PixelsPerInch());
}

void TBaseForm::WriteScaleFix(TWriter* Writer)
{
    Writer->WriteBoolean(true);
}

void TBaseForm::ReadClientHeight(TReader* Reader)
{
    SetClientHeight(Reader->ReadInteger());
}

void TBaseForm::WriteClientHeight(TWriter* Writer)
{
    Writer->WriteInteger(ClientHeight());
}

void TBaseForm::ReadClientWidth(TReader* Reader)
{
    SetClientWidth(Reader->ReadInteger());
}

void TBaseForm::WriteClientWidth(TWriter* Writer)
{
    Writer->WriteInteger(ClientWidth());
}

void TBaseForm::PrepareChildControls(TWinControl* Parent, bool Before)
{
    for (int I = 0; I < Parent->ControlCount(); ++I) {
        TControl* C = Parent->Controls(I);
        if (Before) {
            if (NeedsScaling() && IsTree(C) && TreeSupport().AddAutoChangeScale)
                TreeSupport().AddAutoChangeScale(C);
        } else if (auto* Memo = dynamic_cast<TCustomMemo*>(C); Memo && FWheelRouting) {
            if (!Memo->OnMouseWheel && !Memo->OnMouseWheelDown && !Memo->OnMouseWheelUp)
                Memo->OnMouseWheel = TMouseWheelEvent(this, &TBaseForm::MemoMouseWheel);
        }
        if (auto* Win = dynamic_cast<TWinControl*>(C))
            PrepareChildControls(Win, Before);
    }
}

void TBaseForm::Loaded()
{
    PrepareChildControls(this, true);
    if (NeedsScaling())
        ScaleControlBy(this, Screen->PixelsPerInch(), FStoredPixelsPerInch);
    inherited::Loaded();
    PrepareChildControls(this, false);
}

void TBaseForm::MemoMouseWheel(TObject* Sender, TShiftState Shift, int WheelDelta, TPoint,
                               bool& Handled)
{
    auto* Memo = static_cast<TCustomMemo*>(Sender);
    const int Lines = WheelDelta < 0 ? 1 : -1;
    if (Shift == TShiftState{ssCtrl})
        Memo->Perform(EM_LINESCROLL, static_cast<WPARAM>(Lines), 0);
    else
        Memo->Perform(EM_LINESCROLL, 0, static_cast<LPARAM>(Lines));
    Handled = true;
}

void TBaseForm::DoShow()
{
    if (!FShown) {
        if (KeepsPlacement())
            RestoreFormPosition(this);
        FirstShow();
        FShown = true;
    }
    inherited::DoShow();
}

void TBaseForm::DoClose(TCloseAction& Action)
{
    if (FFreeOnClose)
        Action = caFree;
    if (KeepsPlacement())
        SaveFormPosition(this);
    inherited::DoClose(Action);
}

void TBaseForm::DoHide()
{
    inherited::DoHide();
    FHideObject.reset();
}

void TBaseForm::CMDialogKey(TCMDialogKey& Message)
{
    const bool NoShift = GetKeyState(VK_SHIFT) >= 0 && GetKeyState(VK_CONTROL) >= 0 &&
                         GetKeyState(VK_MENU) >= 0;
    if (Message.CharCode == VK_ESCAPE && NoShift && FCloseOnEscape != 0 && FEscapeLock <= 0) {
        if (FormState().Contains(fsModal))
            SetModalResult(mrCancel);
        else if (!Parent())
            PostMessage(Handle(), WM_CLOSE, 0, 0);
        Message.Result = 1;
        return;
    }
    inherited::CMDialogKey(Message);
}

void TBaseForm::MouseWheelHandler(TMessage& Message)
{
    if (FWheelRouting) {
        const TWMMouseWheel Wheel(Message);
        TControl* Target = nullptr;
        if (HWND Wnd = WindowFromPoint(Wheel.Pos()))
            Target = FindControl(Wnd);
        if (Target && Target != ActiveControl() &&
            (IsTree(Target) || dynamic_cast<TDrawGrid*>(Target) ||
             dynamic_cast<TCustomMemo*>(Target))) {
            Message.Result = Target->Perform(CM_MOUSEWHEEL, Message.WParam, Message.LParam);
            return;
        }
    }
    inherited::MouseWheelHandler(Message);
}

void TBaseForm::Dispatch(TMessage& Message)
{
    switch (Message.Msg) {
    case WM_SYSCOMMAND:
        if ((Message.WParam & 0xFFF0) == SC_MINIMIZE && FormState().Contains(fsModal)) {
            Application->Minimize();
            return;
        }
        break;
    case WM_ACTIVATE:
        if (LoWord(Message.WParam) != WA_INACTIVE && HandleAllocated() &&
            !IsWindowEnabled(Handle()))
            BringFormsToTop();
        break;
    default: break;
    }
    inherited::Dispatch(Message);
}

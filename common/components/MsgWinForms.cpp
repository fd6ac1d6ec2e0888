// The window and control routines of the message unit: stop points, text
// measuring, showing forms, visibility and enabling over lists of
// components, focus moves and cell text.

#include "common/components/MsgWin.h"

#include "common/base/Funcs.h"
#include "common/components/Stopp.h"
#include "platform/forms/ActnList.h"
#include "platform/forms/ComCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Grids.h"
#include "platform/forms/Menus.h"
#include "platform/winapi/Messages.h"
#include "platform/forms/Timers.h"
#include "platform/classes/Strings.h"
#include "platform/rtl/Numbers.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace {

/// Keeps a list of components and drops each one that is freed, so a form
/// hidden at a minimise or the control of the last stop point is never
/// touched after it is gone.
class ComponentWatch : public TComponent {
public:
    ComponentWatch() : TComponent(nullptr) {}
    ~ComponentWatch() override { Clear(); }

    void Add(TComponent* C)
    {
        if (!C || Contains(C))
            return;
        FItems.push_back(C);
        C->FreeNotification(this);
    }
    bool Contains(TComponent* C) const
    {
        return std::find(FItems.begin(), FItems.end(), C) != FItems.end();
    }
    int IndexOf(TComponent* C) const
    {
        const auto It = std::find(FItems.begin(), FItems.end(), C);
        return It == FItems.end() ? -1 : static_cast<int>(It - FItems.begin());
    }
    void Clear()
    {
        for (TComponent* C : FItems)
            C->RemoveFreeNotification(this);
        FItems.clear();
    }
    const std::vector<TComponent*>& Items() const { return FItems; }

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override
    {
        TComponent::Notification(AComponent, Operation);
        if (Operation == opRemove)
            FItems.erase(std::remove(FItems.begin(), FItems.end(), AComponent), FItems.end());
    }

private:
    std::vector<TComponent*> FItems;
};

/// The unit's state (the form list, the forms hidden at the last minimise,
/// the stop window, the control of the last stop point, the cell bitmap).
struct MsgWinState {
    ComponentWatch FormList;
    ComponentWatch HiddenForms;
    ComponentWatch LastStopControl;
    ComponentWatch StopForm;
    std::unique_ptr<TBitmap> CellBitmap;

    /// Application.OnMinimize: hides every visible form but the main one.
    void HideForms(TObject*)
    {
        HiddenForms.Clear();
        for (int I = 0; I < Screen->FormCount(); ++I) {
            TCustomForm* Form = Screen->Forms(I);
            if (Form->Visible() && Form != Application->MainForm())
                HiddenForms.Add(Form);
        }
        const std::vector<TComponent*> Hide = HiddenForms.Items();
        for (TComponent* C : Hide)
            static_cast<TCustomForm*>(C)->Hide();
    }
    /// Application.OnRestore: shows them again, the last first.
    void RestoreForms(TObject*)
    {
        const std::vector<TComponent*> Forms = HiddenForms.Items();
        for (auto It = Forms.rbegin(); It != Forms.rend(); ++It) {
            auto* Form = static_cast<TCustomForm*>(*It);
            if (!Form->HandleAllocated())
                continue;
            Form->SetVisible(true);
            BringWindowToTop(Form->Handle());
        }
        HiddenForms.Clear();
    }
};

std::unique_ptr<MsgWinState>& StatePtr()
{
    static std::unique_ptr<MsgWinState> State;
    return State;
}

MsgWinState& State()
{
    if (!StatePtr())
        StatePtr() = std::make_unique<MsgWinState>();
    return *StatePtr();
}

TControl* AsControl(TObject* Item)
{
    return Item && Item->InheritsFrom(ClassOf<TControl>()) ? static_cast<TControl*>(Item)
                                                           : nullptr;
}

} // namespace

// ---- the stop point ----------------------------------------------------------

TStopForm* GetStopForm()
{
    // The application owns and frees the window; the watch forgets it then.
    ComponentWatch& Watch = State().StopForm;
    if (Watch.Items().empty())
        Watch.Add(new TStopForm(Application));
    return static_cast<TStopForm*>(Watch.Items().front());
}

void StopPoint(TVarRecs Args)
{
    if (!gDeveloperMode || (Application && Application->Terminated()))
        return;
    TStopForm* Form = GetStopForm();
    // A stop point waits for the one before it.
    while (Form->Visible() && !Application->Terminated())
        Application->ProcessMessages();
    MsgWinState& S = State();
    if (!Form->Visible()) {
        S.LastStopControl.Clear();
        TWinControl* Active = Screen->ActiveControl();
        S.LastStopControl.Add(Active);
        Form->PanelStopTitle->SetCaption(Active && !Active->Name().IsEmpty()
                                             ? Active->Name() + ": "
                                             : AnsiString(" Stop: "));
        Form->PanelStrTitle->SetCaption(" <" + ArgsToStr(Args, "") + ">");
        Form->SetModalResult(Form->ShowModal());
    }
    if (gStopRefocus && !S.LastStopControl.Items().empty()) {
        auto* Control = static_cast<TWinControl*>(S.LastStopControl.Items().front());
        if (Control->CanFocus() && Control->Parent() &&
            !SameText(Control->Parent()->Name(), "pnStopp"))
            Control->SetFocus();
    }
    Application->ProcessMessages();
}

// ---- text measuring -------------------------------------------------------------

void MeasureText(const AnsiString& Text, TFont* Font, Integer Width, TPoint& Size, bool WordWrap)
{
    HDC DC = GetDC(nullptr);
    const HGDIOBJ Old = SelectObject(DC, Font->Handle());
    TRect R = Rect(0, 0, Width, 0);
    UINT Flags = DT_CALCRECT | DT_EXPANDTABS;
    if (WordWrap)
        Flags |= DT_WORDBREAK;
    DrawText(DC, Text, R, Flags);
    SelectObject(DC, Old);
    ReleaseDC(nullptr, DC);
    Size = Point(R.Right, R.Bottom);
}

TPoint TextSize(const AnsiString& Text, TFont* Font)
{
    TPoint Size;
    MeasureText(Text, Font, 0, Size, false);
    return Size;
}

Integer GetTextWidth(const AnsiString& Text, TFont* Font)
{
    return TextSize(Text, Font).X;
}

Integer TextWidth(const AnsiString& Text, TFont* Font)
{
    return TextSize(Text, Font).X;
}

Integer TextHeight(const AnsiString& Text, TFont* Font)
{
    return TextSize(Text, Font).Y;
}

TPoint TextSizeWrapped(const AnsiString& Text, TFont* Font, Integer Width)
{
    TPoint Size;
    MeasureText(Text, Font, Width, Size, true);
    return Size;
}

// ---- forms and controls -------------------------------------------------------------

void ShowFormMode(TForm* Form, bool Modal)
{
    if (Form->WindowState() == wsMinimized)
        Form->SetWindowState(wsNormal);
    if (!Modal) {
        Form->Show();
        return;
    }
    if (Form->Visible())
        Form->Close();
    Form->SetModalResult(Form->ShowModal());
    Application->ProcessMessages();
}

void ShowFormModeless(TForm* Form)
{
    ShowFormMode(Form, false);
}

void SetFormOwnerWindow(TForm* Form, TWinControl* Owner)
{
    if (!Form || !Owner)
        return;
    SetWindowLong(Form->Handle(), GWL_HWNDPARENT, reinterpret_cast<intptr_t>(Owner->Handle()));
}

void SetVisiblesValue(std::initializer_list<TObject*> Items, bool Value)
{
    int Index = 0;
    for (TObject* Item : Items) {
        if (!Item) {
        } else if (Item->InheritsFrom(ClassOf<TTabSheet>())) {
            static_cast<TTabSheet*>(Item)->SetTabVisible(Value);
        } else if (TControl* C = AsControl(Item)) {
            C->SetVisible(Value);
        } else if (Item->InheritsFrom(ClassOf<TMenuItem>())) {
            static_cast<TMenuItem*>(Item)->SetVisible(Value);
        } else {
            RaiseAppError("SetVisiblesValue: ar[" + IntToStr(Index) + "] is not a TControl");
        }
        ++Index;
    }
}

void SetVisiblesOnOff(std::initializer_list<TObject*> First, std::initializer_list<TObject*> Second,
                      bool Value)
{
    SetVisiblesValue(First, Value);
    SetVisiblesValue(Second, !Value);
}

void SetEnabled(TObject* Item, bool Value)
{
    if (!Item)
        return;
    if (TControl* C = AsControl(Item))
        return C->SetEnabled(Value);
    if (Item->InheritsFrom(ClassOf<TCustomAction>()))
        return static_cast<TCustomAction*>(Item)->SetEnabled(Value);
    if (Item->InheritsFrom(ClassOf<TTimer>()))
        return static_cast<TTimer*>(Item)->SetEnabled(Value);
    if (Item->InheritsFrom(ClassOf<TMenuItem>()))
        return static_cast<TMenuItem*>(Item)->SetEnabled(Value);
    RaiseAppError("SetEnabled: Unknown type of Component");
}

void SetEnabledOnOff(std::initializer_list<TObject*> First, bool Value,
                     std::initializer_list<TObject*> Second)
{
    for (TObject* Item : First)
        SetEnabled(Item, Value);
    for (TObject* Item : Second)
        SetEnabled(Item, !Value);
}

void SetChildControlsEnabled(TWinControl* Control, bool Value)
{
    Control->SetEnabled(Value);
    for (int I = 0; I < Control->ControlCount(); ++I) {
        TControl* Child = Control->Controls(I);
        if (Child->InheritsFrom(ClassOf<TWinControl>()) &&
            static_cast<TWinControl*>(Child)->ControlCount() > 0)
            SetChildControlsEnabled(static_cast<TWinControl*>(Child), Value);
        else
            Child->SetEnabled(Value);
    }
}

void FitListColumn(TListView* ListView, Integer Index)
{
    TListColumns* Columns = ListView->Columns();
    if (Index < 0 || Index >= Columns->Count())
        return;
    int Others = 0;
    for (int I = 0; I < Columns->Count(); ++I)
        if (I != Index)
            Others += Columns->Items(I)->Width();
    TListColumn* Column = Columns->Items(Index);
    Column->SetWidth(std::max(Column->MinWidth(), ListView->ClientWidth() - Others));
}

Integer RegisterForm(TCustomForm* Form)
{
    ComponentWatch& List = State().FormList;
    List.Add(Form);
    return List.IndexOf(Form);
}

Word ArrowKeyToFocus(TWinControl* Form, Word& Key, TShiftState Shift)
{
    if (Key != VK_UP && Key != VK_DOWN)
        return 0;
    if (Form->InheritsFrom(ClassOf<TCustomForm>())) {
        TWinControl* Active = static_cast<TCustomForm*>(Form)->ActiveControl();
        if (Active && Active->InheritsFrom(ClassOf<TCustomGrid>()) &&
            Shift != TShiftState{ssCtrl})
            return 0;
    }
    SendMessage(Form->Handle(), WM_NEXTDLGCTL, Key == VK_UP ? 1 : 0, 0);
    return Key;
}

void ArrowKeysMoveFocus(TWinControl* Form, Word& Key, TShiftState Shift)
{
    if (ArrowKeyToFocus(Form, Key, Shift) != 0)
        Key = 0;
}

void SetItemIndexByText(TCustomComboBox* Combo, const AnsiString& Text, Integer DefaultIndex)
{
    int Index = Combo->Items()->IndexOf(Text);
    if (Index == -1)
        Index = DefaultIndex >= 0 ? DefaultIndex : -1;
    Combo->SetItemIndex(Index);
}

void MaxToVariant(Integer A, Integer B, Variant& V)
{
    V = std::max(A, B);
}

void RepostQuitMessage(HWND Wnd, UINT Msg)
{
    MSG M;
    if (PeekMessage(M, Wnd, Msg, Msg, PM_REMOVE) && M.message == WM_QUIT)
        PostQuitMessage(static_cast<int>(M.wParam));
}

void DrawCenteredGraphic(TControl* Control, const TRect& Rect, TGraphic* Graphic)
{
    TCanvas* Canvas = nullptr;
    if (Control->InheritsFrom(ClassOf<TGraphicControl>()))
        Canvas = static_cast<TGraphicControl*>(Control)->Canvas();
    else if (Control->InheritsFrom(ClassOf<TCustomControl>()))
        Canvas = static_cast<TCustomControl*>(Control)->Canvas();
    if (!Canvas || !Graphic)
        return;
    Canvas->Draw((Rect.Left + Rect.Right - Graphic->Width()) / 2,
                 (Rect.Top + Rect.Bottom - Graphic->Height()) / 2, Graphic);
}

void WriteCellText(TCanvas* Canvas, const TRect& Rect, Integer DX, bool RightToLeft, bool WordWrap,
                   TAlignment Alignment, const AnsiString& Text, Integer DY)
{
    if (Rect.Right <= Rect.Left || Rect.Bottom <= Rect.Top)
        return;
    const COLORREF Brush = ColorToRGB(Canvas->Brush()->Color());
    const bool PureColour = GetNearestColor(Canvas->Handle(), Brush) == Brush;
    if (!WordWrap && PureColour && Text.Pos("\r") == 0) {
        // Canvases here are always left to right (CP1251 text has no
        // right-to-left script), so the alignment is never mirrored.
        const TAlignment A = Alignment;
        int X = Rect.Left + DX;
        if (A == taRightJustify)
            X = Rect.Right - Canvas->TextWidth(Text) - 3;
        else if (A == taCenter)
            X = Rect.Left + (Rect.Right - Rect.Left) / 2 - Canvas->TextWidth(Text) / 2;
        Canvas->TextRect(Rect, X, Rect.Top + DY, Text);
        return;
    }
    // Wrapped text (or a dithered brush) is drawn off-screen first, so the
    // cell's background fills only the cell.
    std::unique_ptr<TBitmap>& Bitmap = State().CellBitmap;
    if (!Bitmap)
        Bitmap = std::make_unique<TBitmap>();
    const int W = Rect.Right - Rect.Left;
    const int H = Rect.Bottom - Rect.Top;
    if (Bitmap->Width() < W)
        Bitmap->SetWidth(W);
    if (Bitmap->Height() < H)
        Bitmap->SetHeight(H);
    TCanvas* C = Bitmap->Canvas();
    C->Font()->Assign(Canvas->Font());
    C->Brush()->Assign(Canvas->Brush());
    C->FillRect(::Rect(0, 0, W, H));
    SetBkMode(C->Handle(), TRANSPARENT);
    UINT Flags = DT_EXPANDTABS | DT_NOPREFIX;
    if (Alignment == taRightJustify)
        Flags |= DT_RIGHT;
    else if (Alignment == taCenter)
        Flags |= DT_CENTER;
    if (RightToLeft)
        Flags |= DT_RTLREADING;
    if (WordWrap)
        Flags |= DT_WORDBREAK;
    TRect R = ::Rect(DX, DY, W - 1, H - 1);
    DrawText(C->Handle(), Text, R, Flags);
    Canvas->CopyRect(Rect, C, ::Rect(0, 0, W, H));
}

// ---- the unit's life ------------------------------------------------------------------

void MsgWinInitialization()
{
    MsgWinState& S = State();
    if (Application) {
        Application->OnMinimize = TNotifyEvent(&S, &MsgWinState::HideForms);
        Application->OnRestore = TNotifyEvent(&S, &MsgWinState::RestoreForms);
    }
}

void MsgWinFinalization()
{
    if (Application && StatePtr()) {
        Application->OnMinimize = {};
        Application->OnRestore = {};
    }
    StatePtr().reset();
}

#include "platform/forms/Controls.h"

#include "platform/forms/Forms.h"
#include "platform/forms/StdPrivate.h"
#include "platform/forms/ControlsPrivate.h"
#include "platform/classes/RtlConsts.h"
#include "platform/rtl/Cp1251.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/StrUtils.h"

#include <algorithm>
#include <cassert>
#include <cstring>

// ---- shift states, short-cuts, hints ---------------------------------------------------

TShiftState KeyboardStateToShiftState()
{
    TShiftState S;
    if (GetKeyState(VK_SHIFT) < 0)
        S.Include(ssShift);
    if (GetKeyState(VK_CONTROL) < 0)
        S.Include(ssCtrl);
    if (GetKeyState(VK_MENU) < 0)
        S.Include(ssAlt);
    return S;
}

TShiftState KeyDataToShiftState(int32_t KeyData)
{
    TShiftState S;
    if (GetKeyState(VK_SHIFT) < 0)
        S.Include(ssShift);
    if (GetKeyState(VK_CONTROL) < 0)
        S.Include(ssCtrl);
    if (KeyData & AltMask)
        S.Include(ssAlt);
    return S;
}

TShiftState KeysToShiftState(UINT Keys)
{
    TShiftState S;
    if (Keys & MK_SHIFT)
        S.Include(ssShift);
    if (Keys & MK_CONTROL)
        S.Include(ssCtrl);
    if (Keys & MK_LBUTTON)
        S.Include(ssLeft);
    if (Keys & MK_RBUTTON)
        S.Include(ssRight);
    if (Keys & MK_MBUTTON)
        S.Include(ssMiddle);
    if (GetKeyState(VK_MENU) < 0)
        S.Include(ssAlt);
    return S;
}

TShortCut ShortCut(Word Key, TShiftState Shift)
{
    if (Key & 0xFF00)
        return scNone;
    TShortCut Result = Key;
    if (Shift.Contains(ssShift))
        Result |= scShift;
    if (Shift.Contains(ssCtrl))
        Result |= scCtrl;
    if (Shift.Contains(ssAlt))
        Result |= scAlt;
    return Result;
}

void ShortCutToKey(TShortCut Value, Word& Key, TShiftState& Shift)
{
    Key = Value & 0xFF;
    Shift = {};
    if (Value & scShift)
        Shift.Include(ssShift);
    if (Value & scCtrl)
        Shift.Include(ssCtrl);
    if (Value & scAlt)
        Shift.Include(ssAlt);
}

namespace {

struct KeyName {
    Word Key;
    const char* Name;
};

// Names of the keys that are not a printable character.
constexpr KeyName KeyNames[] = {
    {VK_BACK, "BkSp"}, {VK_TAB, "Tab"}, {VK_RETURN, "Enter"}, {VK_ESCAPE, "Esc"},
    {VK_SPACE, "Space"}, {VK_PRIOR, "PgUp"}, {VK_NEXT, "PgDn"}, {VK_END, "End"},
    {VK_HOME, "Home"}, {VK_LEFT, "Left"}, {VK_UP, "Up"}, {VK_RIGHT, "Right"}, {VK_DOWN, "Down"},
    {VK_INSERT, "Ins"}, {VK_DELETE, "Del"},
};

AnsiString KeyText(Word Key)
{
    for (const KeyName& N : KeyNames)
        if (N.Key == Key)
            return N.Name;
    if ((Key >= '0' && Key <= '9') || (Key >= 'A' && Key <= 'Z'))
        return AnsiString(static_cast<char>(Key));
    if (Key >= VK_F1 && Key <= VK_F12)
        return "F" + AnsiString(std::to_string(Key - VK_F1 + 1));
    return "";
}

}  // namespace

AnsiString ShortCutToText(TShortCut Value)
{
    const AnsiString Name = KeyText(Value & 0xFF);
    if (Name.IsEmpty())
        return "";
    AnsiString Result;
    if (Value & scShift)
        Result += "Shift+";
    if (Value & scCtrl)
        Result += "Ctrl+";
    if (Value & scAlt)
        Result += "Alt+";
    return Result + Name;
}

TShortCut TextToShortCut(const AnsiString& Text)
{
    AnsiString Rest = Text;
    TShortCut Mods = 0;
    const auto TakePrefix = [&](const char* Prefix, TShortCut Mod) {
        const int Len = static_cast<int>(std::strlen(Prefix));
        if (Rest.Length() > Len && SameText(Rest.SubString(1, Len), Prefix)) {
            Mods |= Mod;
            Rest = Rest.SubString(Len + 1, Rest.Length());
            return true;
        }
        return false;
    };
    while (TakePrefix("Shift+", scShift) || TakePrefix("Ctrl+", scCtrl) || TakePrefix("Alt+", scAlt)) {
    }
    for (int Key = 1; Key < 256; ++Key) {
        const AnsiString Name = KeyText(static_cast<Word>(Key));
        if (!Name.IsEmpty() && SameText(Name, Rest))
            return static_cast<TShortCut>(Key | Mods);
    }
    return 0;
}

bool IsAccel(Word Key, const AnsiString& Caption)
{
    for (int I = 1; I < Caption.Length(); ++I) {
        if (Caption[I] != '&')
            continue;
        if (Caption[I + 1] == '&') {
            ++I;
            continue;
        }
        const auto A = cp1251::ToUpper(static_cast<unsigned char>(Caption[I + 1]));
        const auto B = cp1251::ToUpper(static_cast<unsigned char>(Key & 0xFF));
        return A == B;
    }
    return false;
}

AnsiString GetShortHint(const AnsiString& Hint)
{
    const int I = Hint.Pos("|");
    return I == 0 ? Hint : Hint.SubString(1, I - 1);
}

AnsiString GetLongHint(const AnsiString& Hint)
{
    const int I = Hint.Pos("|");
    return I == 0 ? Hint : Hint.SubString(I + 1, Hint.Length());
}

// ---- type information -------------------------------------------------------------------

PTypeInfo TypeInfoOf(const TAlign*)
{
    static const TTypeInfo Info = EnumTypeInfo("TAlign",
        {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient", "alCustom"});
    return &Info;
}

PTypeInfo TypeInfoOf(const TAnchorKind*)
{
    static const TTypeInfo Info = EnumTypeInfo("TAnchorKind", {"akLeft", "akTop", "akRight", "akBottom"});
    return &Info;
}

PTypeInfo TypeInfoOf(const TAnchors*)
{
    static const TTypeInfo Info = SetTypeInfo("TAnchors", TypeInfo<TAnchorKind>());
    return &Info;
}

TAnchors AnchorAlign(TAlign Align)
{
    switch (Align) {
    case alNone: return {akLeft, akTop};
    case alTop: return {akLeft, akTop, akRight};
    case alBottom: return {akLeft, akRight, akBottom};
    case alLeft: return {akLeft, akTop, akBottom};
    case alRight: return {akRight, akTop, akBottom};
    case alClient: return {akLeft, akTop, akRight, akBottom};
    case alCustom: return {akLeft, akTop};
    }
    return {akLeft, akTop};
}

// ---- constraints ------------------------------------------------------------------------

TSizeConstraints::TSizeConstraints(TControl* Control) : FControl(Control) {}
TSizeConstraints::~TSizeConstraints() = default;

PRICETAGS_DEFINE_CLASS(TSizeConstraints,
    Property("MaxHeight", &TSizeConstraints::MaxHeight, &TSizeConstraints::SetMaxHeight).WithDefault(0),
    Property("MaxWidth", &TSizeConstraints::MaxWidth, &TSizeConstraints::SetMaxWidth).WithDefault(0),
    Property("MinHeight", &TSizeConstraints::MinHeight, &TSizeConstraints::SetMinHeight).WithDefault(0),
    Property("MinWidth", &TSizeConstraints::MinWidth, &TSizeConstraints::SetMinWidth).WithDefault(0))

void TSizeConstraints::Assign(TPersistent* Source)
{
    if (auto* C = dynamic_cast<TSizeConstraints*>(Source)) {
        FMinWidth = C->FMinWidth;
        FMinHeight = C->FMinHeight;
        FMaxWidth = C->FMaxWidth;
        FMaxHeight = C->FMaxHeight;
        Changed();
        return;
    }
    inherited::Assign(Source);
}

void TSizeConstraints::Changed()
{
    OnChange(this);
}

namespace {

/// Stores Value (never below 0) in Own, one limit of the pair Min..Max, and
/// moves the other limit onto it when the two cross; a Max of 0 means no
/// maximum. False when Own held Value already.
bool SetPairLimit(int Value, int& Own, int& Min, int& Max)
{
    if (Value == Own)
        return false;
    Own = std::max(Value, 0);
    if (Max > 0 && Min > Max)
        (&Own == &Min ? Max : Min) = Own;
    return true;
}

}  // namespace

void TSizeConstraints::SetMinWidth(int Value)
{
    if (SetPairLimit(Value, FMinWidth, FMinWidth, FMaxWidth))
        Changed();
}

void TSizeConstraints::SetMinHeight(int Value)
{
    if (SetPairLimit(Value, FMinHeight, FMinHeight, FMaxHeight))
        Changed();
}

void TSizeConstraints::SetMaxWidth(int Value)
{
    if (SetPairLimit(Value, FMaxWidth, FMinWidth, FMaxWidth))
        Changed();
}

void TSizeConstraints::SetMaxHeight(int Value)
{
    if (SetPairLimit(Value, FMaxHeight, FMinHeight, FMaxHeight))
        Changed();
}

// ---- TControl ----------------------------------------------------------------------------

TControl::TControl(TComponent* AOwner)
    : TComponent(AOwner), FConstraints(std::make_unique<TSizeConstraints>(this)),
      FFont(std::make_unique<TFont>())
{
    FFont->OnChange = TNotifyEvent(this, &TControl::FontChanged);
    FConstraints->OnChange = TNotifyEvent(this, &TControl::ConstraintsChanged);
}

TControl::~TControl()
{
    ForgetDragControl(this);
    ForgetControl(this);
    if (FParent)
        FParent->RemoveControl(this);
}

PRICETAGS_DEFINE_CLASS(TControl,
    Property("Left", &TControl::Left, &TControl::SetLeft),
    Property("Top", &TControl::Top, &TControl::SetTop),
    Property("Width", &TControl::Width, &TControl::SetWidth),
    Property("Height", &TControl::Height, &TControl::SetHeight),
    Property("Align", &TControl::Align, &TControl::SetAlign).WithDefault(alNone),
    Property("Anchors", &TControl::Anchors, &TControl::SetAnchors),
    Property("Color", &TControl::Color, &TControl::SetColor).WithType(TypeInfoOfColor()),
    Property("Constraints", &TControl::Constraints),
    Property("Enabled", &TControl::Enabled, &TControl::SetEnabled),
    Property("Font", &TControl::Font, &TControl::SetFont),
    Property("Hint", &TControl::Hint, &TControl::SetHint),
    Property("ParentColor", &TControl::ParentColor, &TControl::SetParentColor),
    Property("ParentFont", &TControl::ParentFont, &TControl::SetParentFont),
    Property("ParentShowHint", &TControl::ParentShowHint, &TControl::SetParentShowHint),
    Property("ShowHint", &TControl::ShowHint, &TControl::SetShowHint),
    Property("Visible", &TControl::Visible, &TControl::SetVisible))

void TControl::SetParent(TWinControl* AParent)
{
    if (AParent == FParent)
        return;
    if (AParent == this)
        throw EInvalidOperation("A control cannot have itself as its parent");
    if (FParent)
        FParent->RemoveControl(this);
    if (AParent)
        AParent->InsertControl(this);
}

void TControl::ConstrainedResize(int& NewWidth, int& NewHeight)
{
    const TSizeConstraints& C = *FConstraints;
    if (C.MaxWidth() > 0 && NewWidth > C.MaxWidth())
        NewWidth = C.MaxWidth();
    if (NewWidth < C.MinWidth())
        NewWidth = C.MinWidth();
    if (C.MaxHeight() > 0 && NewHeight > C.MaxHeight())
        NewHeight = C.MaxHeight();
    if (NewHeight < C.MinHeight())
        NewHeight = C.MinHeight();
}

void TControl::ConstraintsChanged(TObject*)
{
    SetBounds(FLeft, FTop, FWidth, FHeight);
}

void TControl::SetBoundsCore(int ALeft, int ATop, int AWidth, int AHeight)
{
    FLeft = ALeft;
    FTop = ATop;
    FWidth = AWidth;
    FHeight = AHeight;
    if (!FAnchorMove)
        UpdateAnchorRules();
}

void TControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight)
{
    ConstrainedResize(AWidth, AHeight);
    if (ALeft == FLeft && ATop == FTop && AWidth == FWidth && AHeight == FHeight)
        return;
    const bool Sized = AWidth != FWidth || AHeight != FHeight;
    InvalidateControl(Visible(), false);
    SetBoundsCore(ALeft, ATop, AWidth, AHeight);
    InvalidateControl(Visible(), false);
    Perform(WM_WINDOWPOSCHANGED);
    RequestAlign();
    if (Sized && !ComponentState().Contains(csLoading))
        Resize();
}

void TControl::UpdateAnchorRules()
{
    if (!FParent || ComponentState().Contains(csLoading))
        return;
    const TRect PR = FParent->ClientRect();
    FOriginalParentSize = {PR.Right, PR.Bottom};
    // Each rule is what stays fixed: the width with both edges anchored,
    // the left edge with the right one only, the centre with neither.
    if (FAnchors.Contains(akRight))
        FAnchorRules.X = FAnchors.Contains(akLeft) ? FWidth : FLeft;
    else
        FAnchorRules.X = FLeft + FWidth / 2;
    if (FAnchors.Contains(akBottom))
        FAnchorRules.Y = FAnchors.Contains(akTop) ? FHeight : FTop;
    else
        FAnchorRules.Y = FTop + FHeight / 2;
}

TRect TControl::ClientRect()
{
    AlignPending();
    return Rect(0, 0, FWidth, FHeight);
}

void TControl::SetClientWidth(int Value)
{
    SetWidth(FWidth - ClientWidth() + Value);
}

void TControl::SetClientHeight(int Value)
{
    SetHeight(FHeight - ClientHeight() + Value);
}

TPoint TControl::ClientOrigin()
{
    AlignPending();
    if (!FParent)
        return {FLeft, FTop};
    const TPoint P = FParent->ClientOrigin();
    return {P.X + FLeft, P.Y + FTop};
}

TPoint TControl::ClientToScreen(const TPoint& Point)
{
    const TPoint O = ClientOrigin();
    return {Point.X + O.X, Point.Y + O.Y};
}

TPoint TControl::ScreenToClient(const TPoint& Point)
{
    const TPoint O = ClientOrigin();
    return {Point.X - O.X, Point.Y - O.Y};
}

void TControl::SetAlign(TAlign Value)
{
    if (Value == FAlign)
        return;
    const TAlign Old = FAlign;
    FAlign = Value;
    FAnchors = AnchorAlign(Value);
    if (!ComponentState().Contains(csLoading) && Old != alNone && Value == alNone)
        UpdateAnchorRules();
    RequestAlign();
}

void TControl::SetAnchors(TAnchors Value)
{
    if (Value == FAnchors)
        return;
    FAnchors = Value;
    UpdateAnchorRules();
}

void TControl::RequestAlign()
{
    if (FParent)
        FParent->AlignControl(this);
}

void TControl::SetVisible(bool Value)
{
    if (Value == FVisible)
        return;
    VisibleChanging();
    FVisible = Value;
    Perform(CM_VISIBLECHANGED, Value);
    RequestAlign();
}

void TControl::SetEnabled(bool Value)
{
    if (Value == FEnabled)
        return;
    FEnabled = Value;
    Perform(CM_ENABLEDCHANGED);
}

void TControl::SetColor(TColor Value)
{
    if (Value == FColor) {
        FParentColor = false;
        return;
    }
    FColor = Value;
    FParentColor = false;
    Perform(CM_COLORCHANGED);
}

void TControl::SetParentFont(bool Value)
{
    if (Value == FParentFont)
        return;
    FParentFont = Value;
    if (FParent && Value && !ComponentState().Contains(csReading))
        Perform(CM_PARENTFONTCHANGED);
}

void TControl::SetParentColor(bool Value)
{
    if (Value == FParentColor)
        return;
    FParentColor = Value;
    if (FParent && Value && !ComponentState().Contains(csReading))
        Perform(CM_PARENTCOLORCHANGED);
}

void TControl::SetShowHint(bool Value)
{
    if (Value == FShowHint) {
        FParentShowHint = false;
        return;
    }
    FShowHint = Value;
    FParentShowHint = false;
    Perform(CM_SHOWHINTCHANGED);
}

void TControl::SetParentShowHint(bool Value)
{
    if (Value == FParentShowHint)
        return;
    FParentShowHint = Value;
    if (FParent && Value)
        Perform(CM_PARENTSHOWHINTCHANGED);
}

void TControl::SetCursor(TCursor Value)
{
    if (Value == FCursor)
        return;
    FCursor = Value;
    Perform(CM_CURSORCHANGED);
}

void TControl::SetText(const AnsiString& Value)
{
    if (GetText() == Value)
        return;
    Perform(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Value.c_str()));
    Perform(CM_TEXTCHANGED);
}

void TControl::SetBiDiMode(TBiDiMode Value)
{
    if (Value == FBiDiMode)
        return;
    FBiDiMode = Value;
    Perform(CM_BIDIMODECHANGED);
}

void TControl::FontChanged(TObject*)
{
    if (!FUpdatingFont)
        FParentFont = false;
    Perform(CM_FONTCHANGED);
}

bool TControl::MouseCapture() const
{
    return GetCaptureControl() == this;
}

void TControl::SetMouseCapture(bool Value)
{
    if (MouseCapture() == Value)
        return;
    SetCaptureControl(Value ? this : nullptr);
}

bool TControl::Showing() const
{
    return FVisible && FParent && FParent->Showing();
}

LRESULT TControl::Perform(UINT Msg, WPARAM WParam, LPARAM LParam)
{
    TMessage M;
    M.Msg = Msg;
    M.WParam = WParam;
    M.LParam = LParam;
    WndProc(M);
    return M.Result;
}

void TControl::InvalidateControl(bool IsVisible, bool /*IsOpaque*/)
{
    if (!IsVisible || !FParent || dynamic_cast<TWinControl*>(this))
        return;
    if (!FParent->HandleAllocated())
        return;
    const TRect R = BoundsRect();
    FParent->Perform(CM_INVALIDATE, 1, reinterpret_cast<LPARAM>(&R));
}

void TControl::Invalidate()
{
    InvalidateControl(Visible(), FControlStyle.Contains(csOpaque));
}

void TControl::Update()
{
    if (FParent)
        FParent->Update();
}

void TControl::Repaint()
{
    Invalidate();
    Update();
}

// Moves the control to the end (front) or start (back) of its parent's
// list of its kind; a windowed control's window follows, so it is drawn
// above or below its siblings' windows.
void TControl::SetZOrder(bool TopMost)
{
    if (!FParent)
        return;
    auto Move = [TopMost](auto& List, auto* Item) {
        const auto It = std::find(List.begin(), List.end(), Item);
        if (It == List.end())
            return false;
        List.erase(It);
        if (TopMost)
            List.push_back(Item);
        else
            List.insert(List.begin(), Item);
        return true;
    };
    if (auto* Win = dynamic_cast<TWinControl*>(this)) {
        if (!Move(FParent->FWinControls, Win))
            return;
        if (Win->HandleAllocated())
            SetWindowPos(Win->Handle(), TopMost ? HWND_TOP : HWND_BOTTOM, 0, 0, 0, 0,
                SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        return;
    }
    if (Move(FParent->FControls, this))
        Invalidate();
}

void TControl::BringToFront()
{
    SetZOrder(true);
}

void TControl::SendToBack()
{
    SetZOrder(false);
}

void TControl::ChangeScale(int M, int D)
{
    if (M == D)
        return;
    const int L = MulDiv(FLeft, M, D);
    const int T = MulDiv(FTop, M, D);
    const int W = FControlStyle.Contains(csFixedWidth) ? FWidth : MulDiv(FLeft + FWidth, M, D) - L;
    const int H = FControlStyle.Contains(csFixedHeight) ? FHeight : MulDiv(FTop + FHeight, M, D) - T;
    SetBounds(L, T, W, H);
    if (!FParentFont)
        FFont->SetSize(MulDiv(FFont->Size(), M, D));
}

void TControl::Loaded()
{
    inherited::Loaded();
    if (FParent) {
        if (FParentColor)
            Perform(CM_PARENTCOLORCHANGED);
        if (FParentFont)
            Perform(CM_PARENTFONTCHANGED);
    }
    UpdateAnchorRules();
    RequestAlign();
}

void (*ContextPopupHandler)(TControl* Control, TPoint ScreenPos, bool& Handled) = nullptr;

void TControl::Notification(TComponent* AComponent, TOperation Operation)
{
    inherited::Notification(AComponent, Operation);
    // The menu's class is not known here; a popup menu is a component whose
    // component part starts the object, so the addresses compare.
    if (Operation == opRemove && FPopupMenu &&
        static_cast<const void*>(AComponent) == static_cast<const void*>(FPopupMenu))
        FPopupMenu = nullptr;
}

void TControl::Resize()
{
    OnResize(this);
}

void TControl::Click()
{
    if (ExecuteActionLink())
        return;
    OnClick(this);
}

void TControl::DblClick()
{
    OnDblClick(this);
}

void TControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    OnMouseDown(this, Button, Shift, X, Y);
}

void TControl::MouseMove(TShiftState Shift, int X, int Y)
{
    OnMouseMove(this, Shift, X, Y);
}

void TControl::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    OnMouseUp(this, Button, Shift, X, Y);
}

bool TControl::DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos)
{
    bool Handled = false;
    OnMouseWheel(this, Shift, WheelDelta, MousePos, Handled);
    if (Handled)
        return true;
    return WheelDelta < 0 ? DoMouseWheelDown(Shift, MousePos) : DoMouseWheelUp(Shift, MousePos);
}

bool TControl::DoMouseWheelDown(TShiftState Shift, TPoint MousePos)
{
    bool Handled = false;
    OnMouseWheelDown(this, Shift, MousePos, Handled);
    return Handled;
}

bool TControl::DoMouseWheelUp(TShiftState Shift, TPoint MousePos)
{
    bool Handled = false;
    OnMouseWheelUp(this, Shift, MousePos, Handled);
    return Handled;
}

void TControl::MouseWheelHandler(TMessage& Message)
{
    if (TCustomForm* Form = GetParentForm(this); Form && Form != this) {
        Form->MouseWheelHandler(Message);
        return;
    }
    Message.Result = Perform(CM_MOUSEWHEEL, Message.WParam, Message.LParam);
}

void ListIndexError(int Index)
{
    throw EListError(Format(SListIndexError, {Index}));
}

// ---- messages ------------------------------------------------------------------------------

namespace {

// Cancels what the active control of the form is doing (a drop-down, a
// drag) before another control takes the mouse.
void SendCancelMode(TControl* Sender)
{
    TCustomForm* Form = GetParentForm(Sender);
    if (!Form || !Form->Active())
        return;
    if (TWinControl* Active = Form->ActiveControl(); Active && Active != Sender)
        Active->Perform(CM_CANCELMODE, 0, reinterpret_cast<LPARAM>(Sender));
}


}  // namespace

void TControl::WndProc(TMessage& Message)
{
    if (HandleDragMessage(*this, Message))
        return;
    if (Message.Msg >= WM_MOUSEFIRST && Message.Msg < WM_MOUSEWHEEL) {
        if (!FControlStyle.Contains(csDoubleClicks)) {
            switch (Message.Msg) {
            case WM_LBUTTONDBLCLK:
            case WM_RBUTTONDBLCLK:
            case WM_MBUTTONDBLCLK: Message.Msg -= WM_LBUTTONDBLCLK - WM_LBUTTONDOWN; break;
            default: break;
            }
        }
        switch (Message.Msg) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            FControlState.Include(csLButtonDown);
            // An automatic drag takes the press instead of the control.
            if (FDragMode == dmAutomatic && FDragKind == dkDrag) {
                BeginAutoDrag();
                return;
            }
            break;
        case WM_LBUTTONUP: FControlState.Exclude(csLButtonDown); break;
        default: break;
        }
    }
    Dispatch(Message);
}

void TControl::Dispatch(TMessage& M)
{
    switch (M.Msg) {
    case WM_LBUTTONDOWN: Call<TWMMouse>(M, this, &TControl::WMLButtonDown); return;
    case WM_LBUTTONUP: Call<TWMMouse>(M, this, &TControl::WMLButtonUp); return;
    case WM_LBUTTONDBLCLK: Call<TWMMouse>(M, this, &TControl::WMLButtonDblClk); return;
    case WM_RBUTTONDOWN: Call<TWMMouse>(M, this, &TControl::WMRButtonDown); return;
    case WM_RBUTTONUP: Call<TWMMouse>(M, this, &TControl::WMRButtonUp); return;
    case WM_RBUTTONDBLCLK: Call<TWMMouse>(M, this, &TControl::WMRButtonDblClk); return;
    case WM_MBUTTONDOWN: Call<TWMMouse>(M, this, &TControl::WMMButtonDown); return;
    case WM_MBUTTONUP: Call<TWMMouse>(M, this, &TControl::WMMButtonUp); return;
    case WM_MBUTTONDBLCLK: Call<TWMMouse>(M, this, &TControl::WMMButtonDblClk); return;
    case WM_MOUSEMOVE: Call<TWMMouse>(M, this, &TControl::WMMouseMove); return;
    case WM_MOUSEWHEEL: Call<TWMMouseWheel>(M, this, &TControl::WMMouseWheel); return;
    case WM_CANCELMODE: Call<TMessageRecord>(M, this, &TControl::WMCancelMode); return;
    case WM_WINDOWPOSCHANGED: Call<TMessageRecord>(M, this, &TControl::WMWindowPosChanged); return;
    case WM_CONTEXTMENU: Call<TMessageRecord>(M, this, &TControl::WMContextMenu); return;
    case CM_MOUSEWHEEL: Call<TCMMouseWheel>(M, this, &TControl::CMMouseWheel); return;
    case CM_ENABLEDCHANGED: Call<TMessageRecord>(M, this, &TControl::CMEnabledChanged); return;
    case CM_VISIBLECHANGED: Call<TMessageRecord>(M, this, &TControl::CMVisibleChanged); return;
    case CM_FONTCHANGED: Call<TMessageRecord>(M, this, &TControl::CMFontChanged); return;
    case CM_COLORCHANGED: Call<TMessageRecord>(M, this, &TControl::CMColorChanged); return;
    case CM_PARENTFONTCHANGED: Call<TMessageRecord>(M, this, &TControl::CMParentFontChanged); return;
    case CM_PARENTCOLORCHANGED: Call<TMessageRecord>(M, this, &TControl::CMParentColorChanged); return;
    case CM_PARENTSHOWHINTCHANGED: Call<TMessageRecord>(M, this, &TControl::CMParentShowHintChanged); return;
    case CM_TEXTCHANGED: Call<TMessageRecord>(M, this, &TControl::CMTextChanged); return;
    case CM_MOUSEENTER: Call<TMessageRecord>(M, this, &TControl::CMMouseEnter); return;
    case CM_MOUSELEAVE: Call<TMessageRecord>(M, this, &TControl::CMMouseLeave); return;
    case CM_HITTEST: Call<TMessageRecord>(M, this, &TControl::CMHitTest); return;
    case CM_BIDIMODECHANGED: Call<TMessageRecord>(M, this, &TControl::CMBiDiModeChanged); return;
    case CM_SYSCOLORCHANGE: Call<TMessageRecord>(M, this, &TControl::CMSysColorChange); return;
    case CM_CANCELMODE: Call<TMessageRecord>(M, this, &TControl::CMCancelMode); return;
    case CM_DRAG: Call<TCMDrag>(M, this, &TControl::CMDrag); return;
    default: DefaultHandler(M); return;
    }
}

void TControl::DefaultHandler(TMessage& Message)
{
    switch (Message.Msg) {
    case WM_GETTEXT: {
        // WParam is the buffer size, LParam the buffer; the result the
        // number of bytes copied without the terminating zero.
        auto* Buffer = reinterpret_cast<char*>(Message.LParam);
        const int Size = static_cast<int>(Message.WParam);
        if (!Buffer || Size <= 0) {
            Message.Result = 0;
            return;
        }
        const int N = std::min(FText.Length(), Size - 1);
        std::memcpy(Buffer, FText.Data(), static_cast<size_t>(N));
        Buffer[N] = '\0';
        Message.Result = N;
        return;
    }
    case WM_GETTEXTLENGTH: Message.Result = FText.Length(); return;
    case WM_SETTEXT: {
        const char* Text = reinterpret_cast<const char*>(Message.LParam);
        FText = Text ? AnsiString(Text) : AnsiString();
        Message.Result = 1;
        return;
    }
    default: return;
    }
}

void TControl::DoMouseDown(TWMMouse& Message, TMouseButton Button, TShiftState Shift)
{
    if (FControlStyle.Contains(csNoStdEvents))
        return;
    MouseDown(Button, KeysToShiftState(Message.Keys) + Shift, Message.XPos, Message.YPos);
}

void TControl::DoMouseUp(TWMMouse& Message, TMouseButton Button)
{
    if (FControlStyle.Contains(csNoStdEvents))
        return;
    MouseUp(Button, KeysToShiftState(Message.Keys), Message.XPos, Message.YPos);
}

void TControl::WMLButtonDown(TWMMouse& Message)
{
    SendCancelMode(this);
    if (FControlStyle.Contains(csCaptureMouse))
        SetMouseCapture(true);
    if (FControlStyle.Contains(csClickEvents))
        FControlState.Include(csClicked);
    DoMouseDown(Message, mbLeft, {});
}

void TControl::WMLButtonDblClk(TWMMouse& Message)
{
    SendCancelMode(this);
    if (FControlStyle.Contains(csCaptureMouse))
        SetMouseCapture(true);
    if (FControlStyle.Contains(csClickEvents))
        DblClick();
    DoMouseDown(Message, mbLeft, {ssDouble});
}

void TControl::WMLButtonUp(TWMMouse& Message)
{
    if (FControlStyle.Contains(csCaptureMouse))
        SetMouseCapture(false);
    if (FControlState.Contains(csClicked)) {
        FControlState.Exclude(csClicked);
        if (PtInRect(ClientRect(), Message.Pos()))
            Click();
    }
    DoMouseUp(Message, mbLeft);
}

void TControl::WMRButtonDown(TWMMouse& Message)
{
    DoMouseDown(Message, mbRight, {});
}

void TControl::WMRButtonUp(TWMMouse& Message)
{
    DoMouseUp(Message, mbRight);
    // The window system follows a right click with the context-menu request.
    const TPoint P = ClientToScreen(Message.Pos());
    Perform(WM_CONTEXTMENU, 0, MakeLParam(P.X, P.Y));
}

void TControl::WMRButtonDblClk(TWMMouse& Message)
{
    DoMouseDown(Message, mbRight, {ssDouble});
}

void TControl::WMMButtonDown(TWMMouse& Message)
{
    DoMouseDown(Message, mbMiddle, {});
}

void TControl::WMMButtonUp(TWMMouse& Message)
{
    DoMouseUp(Message, mbMiddle);
}

void TControl::WMMButtonDblClk(TWMMouse& Message)
{
    DoMouseDown(Message, mbMiddle, {ssDouble});
}

void TControl::WMMouseMove(TWMMouse& Message)
{
    if (!FControlStyle.Contains(csNoStdEvents))
        MouseMove(KeysToShiftState(Message.Keys), Message.XPos, Message.YPos);
}

void TControl::WMMouseWheel(TWMMouseWheel& Message)
{
    // The wheel goes to the form's focused control as CM_MOUSEWHEEL, which
    // rises through the parents until one handles it.
    TMessage M = Message;
    MouseWheelHandler(M);
    Message.Result = M.Result;
}

void TControl::CMMouseWheel(TCMMouseWheel& Message)
{
    const TShiftState Shift = KeysToShiftState(Message.Keys);
    if (DoMouseWheel(Shift, Message.WheelDelta, Message.Pos()))
        Message.Result = 1;
    else if (FParent)
        Message.Result = FParent->Perform(CM_MOUSEWHEEL, Message.WParam, Message.LParam);
}

void TControl::WMCancelMode(TMessageRecord& Message)
{
    // A graphic child holding the capture through this window is the one
    // whose mode is cancelled.
    if (TControl* Captured = GetCaptureControl(); Captured && Captured != this && Captured->Parent() == this &&
        !dynamic_cast<TWinControl*>(Captured)) {
        Message.Result = Captured->Perform(WM_CANCELMODE, Message.WParam, Message.LParam);
        return;
    }
    if (MouseCapture()) {
        SetMouseCapture(false);
        if (FControlState.Contains(csLButtonDown))
            Perform(WM_LBUTTONUP, 0, MakeLParam(-1, -1));
    }
}

void TControl::WMWindowPosChanged(TMessageRecord&) {}

void TControl::WMContextMenu(TMessageRecord& Message)
{
    TPoint P {GetXLParam(Message.LParam), GetYLParam(Message.LParam)};
    bool Handled = false;
    const TPoint Local = ScreenToClient(P);
    OnContextPopup(this, Local, Handled);
    if (!Handled && FPopupMenu && ContextPopupHandler)
        ContextPopupHandler(this, P, Handled);
    Message.Result = Handled ? 1 : 0;
    if (!Handled && FParent)
        Message.Result = FParent->Perform(WM_CONTEXTMENU, Message.WParam, Message.LParam);
}

void TControl::CMEnabledChanged(TMessageRecord&)
{
    Invalidate();
}

void TControl::CMVisibleChanged(TMessageRecord& Message)
{
    InvalidateControl(true, FVisible && FControlStyle.Contains(csOpaque));
    (void)Message;
}

void TControl::CMFontChanged(TMessageRecord&)
{
    Invalidate();
}

void TControl::CMColorChanged(TMessageRecord&)
{
    Invalidate();
}

void TControl::CMParentFontChanged(TMessageRecord& Message)
{
    if (!FParentFont)
        return;
    FUpdatingFont = true;
    if (Message.WParam != 0)
        FFont->Assign(reinterpret_cast<TFont*>(Message.LParam));
    else if (FParent)
        FFont->Assign(FParent->Font());
    FUpdatingFont = false;
    FParentFont = true;
}

void TControl::CMParentColorChanged(TMessageRecord& Message)
{
    if (!FParentColor)
        return;
    if (Message.WParam != 0)
        SetColor(static_cast<TColor>(Message.LParam));
    else if (FParent)
        SetColor(FParent->Color());
    FParentColor = true;
}

void TControl::CMParentShowHintChanged(TMessageRecord&)
{
    if (FParentShowHint && FParent) {
        SetShowHint(FParent->ShowHint());
        FParentShowHint = true;
    }
}

void TControl::CMTextChanged(TMessageRecord&)
{
    Invalidate();
}

void TControl::CMMouseEnter(TMessageRecord&) {}
void TControl::CMMouseLeave(TMessageRecord&) {}

void TControl::CMHitTest(TMessageRecord& Message)
{
    Message.Result = HTCLIENT;
}

void TControl::CMBiDiModeChanged(TMessageRecord&)
{
    Invalidate();
}

void TControl::CMSysColorChange(TMessageRecord&)
{
    Invalidate();
}

void TControl::CMCancelMode(TMessageRecord&) {}

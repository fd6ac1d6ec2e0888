// Value checks of typed cell texts, the pick-list box and the in-place
// editors of the grids.

#include "common/components/YLDGrids.h"

#include "common/base/Funcs.h"
#include "common/components/MsgWin.h"
#include "platform/forms/Forms.h"
#include "platform/forms/ImgList.h"
#include "platform/classes/Strings.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/StrUtils.h"
#include "platform/rtl/Ticks.h"

#include <algorithm>

AnsiString gPickSearchText;
DWORD gPickSearchTick = 0xFFFFFFFF;

namespace {

const char* const SNoValidValue = "No valid value";
const char* const SUnknownFormat = "Unknown format";

/// Letters on the key that types today in a date or time cell: N and the
/// Cyrillic Т (0xD2/0xF2) on the same key.
bool IsTodayKey(char Key)
{
    const auto B = static_cast<unsigned char>(Key);
    return Key == 'N' || Key == 'n' || B == 0xD2 || B == 0xF2;
}

/// Formats the data editor checks; the flag table's cfCurrency entry is
/// passed to IsFloatText, which ignores it.
constexpr bool CurrencyFlag[2] = {false, true};

bool IsIntText(const AnsiString& T)
{
    return StrToIntDef(T, 0) != 0 || StrToIntDef(T, 1) != 1;
}

} // namespace

// ---- value checks ------------------------------------------------------------------------------

namespace YLDGrids {

bool IsFloatText(const AnsiString& Text, bool)
{
    const AnsiString T = CleanNumStr(Text);
    if (T.IsEmpty())
        return false;
    return StrToFloatDef(T, 0) != 0 || StrToFloatDef(T, 1) != 1;
}

int SplitAtSeparator(const AnsiString& Text, char Sep, AnsiString& First, AnsiString& Second,
                     AnsiString& Third)
{
    First = Text;
    int Count = 0;
    int P = First.Pos(AnsiString(Sep));
    if (P == 0)
        return Count;
    Second = First.SubString(P + 1, First.Length() - P);
    First = First.SubString(1, P - 1);
    Count = 1;
    P = Second.Pos(AnsiString(Sep));
    if (P == 0)
        return Count;
    Third = Second.SubString(P + 1, Second.Length() - P);
    Second = Second.SubString(1, P - 1);
    Count = 2;
    if (Third.Pos(AnsiString(Sep)) != 0)
        Count = 3;
    return Count;
}

int DateOrderOf(const AnsiString& DateFormat)
{
    for (int I = 1; I <= DateFormat.Length(); ++I) {
        switch (DateFormat[I]) {
        case 'D': case 'd': return doDMY;
        case 'M': case 'm': return doMDY;
        case 'Y': case 'y': case 'E': case 'e': return doYMD;
        default: break;
        }
    }
    return doMDY;
}

bool IsDateText(const AnsiString& Text)
{
    const TFormatSettings& FS = FormatSettings();
    AnsiString P1, P2, P3;
    if (SplitAtSeparator(Text, FS.DateSeparator, P1, P2, P3) > 2)
        return false;
    AnsiString Year, Month, Day;
    switch (DateOrderOf(FS.ShortDateFormat)) {
    case doDMY: Day = P1; Month = P2; Year = P3; break;
    case doYMD: Year = P1; Month = P2; Day = P3; break;
    default: Month = P1; Day = P2; Year = P3; break;
    }
    if (!Year.IsEmpty() && (Year.Length() > 4 || StrToIntDef(Year, -1) < 0))
        return false;
    if (!Month.IsEmpty() && (Month.Length() > 2 || StrToIntDef(Month, 13) >= 13))
        return false;
    if (!Day.IsEmpty() && (Day.Length() > 2 || StrToIntDef(Day, 32) >= 32))
        return false;
    return true;
}

bool IsTimeText(const AnsiString& Text)
{
    AnsiString H, M, S;
    if (SplitAtSeparator(Text, FormatSettings().TimeSeparator, H, M, S) > 2)
        return false;
    if (!H.IsEmpty() && (H.Length() > 2 || StrToIntDef(H, 25) >= 25))
        return false;
    if (!M.IsEmpty() && (M.Length() > 2 || StrToIntDef(M, 60) >= 60))
        return false;
    if (!S.IsEmpty() && (!IsFloatText(S) || StrToFloatDef(CleanNumStr(S), 60) >= 60.0))
        return false;
    return true;
}

void RemoveChars(const AnsiString& Chars, const AnsiString& Text, AnsiString& Result)
{
    Result = AnsiString();
    for (int I = 1; I <= Text.Length(); ++I)
        if (Chars.Pos(AnsiString(Text[I])) == 0)
            Result += Text[I];
}

void CleanFloatText(const AnsiString& Text, AnsiString& Result)
{
    const TFormatSettings& FS = FormatSettings();
    AnsiString Chars(" ");
    if (FS.ThousandSeparator != FS.DecimalSeparator)
        Chars += FS.ThousandSeparator;
    RemoveChars(Chars, Text, Result);
    if (Result.IsEmpty())
        Result = "0";
    else if (Result == "-")
        Result = "-0";
}

} // namespace YLDGrids

using namespace YLDGrids;

// ---- TPopupListbox -----------------------------------------------------------------------------

PRICETAGS_DEFINE_CLASS(TPopupListbox)

TPopupListbox::TPopupListbox(TComponent* AOwner) : TCustomListBox(AOwner)
{
    FVisible = false;
}

TPopupListbox::~TPopupListbox() = default;

void TPopupListbox::CreateParams(TCreateParams& Params)
{
    inherited::CreateParams(Params);
    // A window of its own over every other, which the window system does
    // not activate: the editor keeps the focus while the list is down.
    Params.Style = WS_POPUP | WS_BORDER;
    Params.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
    Params.WindowClassStyle |= CS_SAVEBITS;
    Params.WndParent = nullptr;
}

void TPopupListbox::CreateWnd()
{
    inherited::CreateWnd();
}

void TPopupListbox::Dispatch(TMessage& Message)
{
    if (Message.Msg == WM_MOUSEACTIVATE) {
        Message.Result = MA_NOACTIVATE;
        return;
    }
    inherited::Dispatch(Message);
}

void TPopupListbox::PaintWindow(HDC DC)
{
    inherited::PaintWindow(DC);
    FrameRect(DC, ClientRect(), GetSysColorBrush(COLOR_WINDOWFRAME));
}

void TPopupListbox::KeyPress(char& Key)
{
    const auto B = static_cast<unsigned char>(Key);
    if (Key == VK_BACK || Key == VK_ESCAPE) {
        SearchText = AnsiString();
    } else if (B >= 32) {
        const DWORD Now = GetTickCount();
        if (TickDiff(Now, SearchTick) > 4000)
            SearchText = AnsiString();
        SearchTick = Now;
        if (SearchText.Length() < 32)
            SearchText += Key;
        Perform(LB_SELECTSTRING, 0xFFFF, reinterpret_cast<LPARAM>(SearchText.c_str()));
        Key = 0;
    }
    inherited::KeyPress(Key);
}

void TPopupListbox::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    inherited::MouseUp(Button, Shift, X, Y);
    if (auto* Editor = dynamic_cast<Tyl_InplaceEdit*>(Owner()))
        Editor->HidePickList(X >= 0 && Y >= 0 && X < ClientWidth() && Y < ClientHeight());
}

// ---- Tyl_InplaceEdit ---------------------------------------------------------------------------

PRICETAGS_DEFINE_CLASS(Tyl_InplaceEdit)

Tyl_InplaceEdit::Tyl_InplaceEdit(TComponent* AOwner) : TInplaceEdit(AOwner)
{
    FButtonWidth = GetSystemMetrics(SM_CXVSCROLL);
}

Tyl_InplaceEdit::~Tyl_InplaceEdit() = default;

Tyl_CustomDrawGrid* Tyl_InplaceEdit::DrawGrid() const
{
    return dynamic_cast<Tyl_CustomDrawGrid*>(Grid());
}

void Tyl_InplaceEdit::CreateParams(TCreateParams& Params)
{
    inherited::CreateParams(Params);
    static constexpr DWORD Styles[] = {ES_LEFT, ES_RIGHT, ES_CENTER};
    Params.Style |= Styles[FAlignment];
}

void Tyl_InplaceEdit::SetAlignment(TAlignment Value)
{
    if (FAlignment == Value)
        return;
    FAlignment = Value;
    // The edit reads its alignment from the window style, so the style is
    // changed in place rather than by re-creating a focused window.
    if (HandleAllocated()) {
        auto Style = static_cast<DWORD>(GetWindowLong(Handle(), GWL_STYLE));
        Style = (Style & ~static_cast<DWORD>(ES_RIGHT | ES_CENTER)) |
                static_cast<DWORD>(Value == taRightJustify ? ES_RIGHT : Value == taCenter ? ES_CENTER : ES_LEFT);
        SetWindowLong(Handle(), GWL_STYLE, static_cast<intptr_t>(Style));
        Invalidate();
    }
}

TRect Tyl_InplaceEdit::ButtonRect()
{
    return Rect(Width() - FButtonWidth, 0, Width(), Height());
}

void Tyl_InplaceEdit::BoundsChanged()
{
    TRect R = Rect(2, 2, Width() - 2, Height());
    if (FEditStyle != ieSimple)
        R.Right -= FButtonWidth;
    Perform(EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&R));
    Perform(EM_SCROLLCARET);
}

void Tyl_InplaceEdit::UpdateContents()
{
    Tyl_CustomDrawGrid* G = DrawGrid();
    if (!G) {
        inherited::UpdateContents();
        return;
    }
    EditCol = G->Col();
    EditRow = G->GetRow();
    SetAlignment(G->GetEditAlign(EditCol, EditRow));
    SetEditStyle(G->GetEditStyle(EditCol, EditRow));
    inherited::UpdateContents();
    G->ClearCanceling();
}

void Tyl_InplaceEdit::SetEditStyle(TInplaceEditStyle Value)
{
    if (Value == FEditStyle)
        return;
    FEditStyle = Value;
    if (Value == iePickList) {
        if (!FPickList) {
            FPickList = new TPopupListbox(this);
            FPickList->SetVisible(false);
            FPickList->SetIntegralHeight(true);
            FPickList->SetItemHeight(11);
        }
        FActiveList = FPickList;
    } else {
        FActiveList = nullptr;
    }
    BoundsChanged();
    Invalidate();
}

void Tyl_InplaceEdit::PaintButton(HDC DC)
{
    TRect R = ButtonRect();
    switch (FEditStyle) {
    case ieSimple:
        return;
    case ieEllipsis: {
        DrawEdge(DC, R, EDGE_RAISED, BF_RECT | BF_MIDDLE | (FButtonPressed ? static_cast<UINT>(BF_FLAT) : 0u));
        const int G = std::clamp((FButtonWidth - 12) / 2, 1, 3);
        int X = R.Left + (FButtonWidth - 3 * 2 - 2 * G) / 2 + (FButtonPressed ? 1 : 0);
        const int Y = R.Top + (ClientHeight() - 2) / 2;
        for (int I = 0; I < 3; ++I, X += G + 2)
            PatBlt(DC, X, Y, 2, 2, BLACKNESS);
        return;
    }
    case iePickList: {
        UINT Flags = DFCS_SCROLLCOMBOBOX;
        if (!FActiveList)
            Flags |= DFCS_INACTIVE;
        else if (FButtonPressed)
            Flags |= DFCS_FLAT | DFCS_PUSHED;
        DrawFrameControl(DC, R, DFC_SCROLL, Flags);
        return;
    }
    }
}

void Tyl_InplaceEdit::PaintWindow(HDC DC)
{
    if (FEditStyle != ieSimple) {
        PaintButton(DC);
        const TRect R = ButtonRect();
        const int Saved = SaveDC(DC);
        ExcludeClipRect(DC, R.Left, R.Top, R.Right, R.Bottom);
        inherited::PaintWindow(DC);
        RestoreDC(DC, Saved);
        return;
    }
    inherited::PaintWindow(DC);
}

void Tyl_InplaceEdit::UpdateButtonState(int X, int Y)
{
    const bool Pressed = FEditStyle != ieSimple && PtInRect(ButtonRect(), Point(X, Y));
    if (Pressed == FButtonPressed)
        return;
    FButtonPressed = Pressed;
    if (HandleAllocated()) {
        const TRect R = ButtonRect();
        ::InvalidateRect(Handle(), &R, false);
    }
}

void Tyl_InplaceEdit::EndButtonTracking()
{
    if (!FButtonTracking)
        return;
    UpdateButtonState(-1, -1);
    FButtonTracking = false;
    SetMouseCapture(false);
}

void Tyl_InplaceEdit::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (Button == mbLeft && FEditStyle != ieSimple && PtInRect(ButtonRect(), Point(X, Y))) {
        if (Shift.Contains(ssDouble))
            return;
        if (FListVisible) {
            HidePickList(false);
            return;
        }
        SetMouseCapture(true);
        FButtonTracking = true;
        UpdateButtonState(X, Y);
        if (FActiveList)
            ShowPickList();
        return;
    }
    inherited::MouseDown(Button, Shift, X, Y);
}

void Tyl_InplaceEdit::MouseMove(TShiftState Shift, int X, int Y)
{
    if (FButtonTracking) {
        UpdateButtonState(X, Y);
        if (FListVisible && FActiveList) {
            const TPoint P = FActiveList->ScreenToClient(ClientToScreen(Point(X, Y)));
            if (PtInRect(FActiveList->ClientRect(), P)) {
                EndButtonTracking();
                FActiveList->Perform(WM_LBUTTONDOWN, 0, MakeLParam(P.X, P.Y));
            }
        }
        return;
    }
    inherited::MouseMove(Shift, X, Y);
}

void Tyl_InplaceEdit::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    // The release point decides, even when no move was reported before it.
    if (FButtonTracking)
        UpdateButtonState(X, Y);
    const bool WasPressed = FButtonPressed;
    const bool WasTracking = FButtonTracking;
    EndButtonTracking();
    if (Button == mbLeft && FEditStyle == ieEllipsis && WasPressed) {
        if (Tyl_CustomDrawGrid* G = DrawGrid())
            G->EditButtonClick();
    }
    if (!WasTracking)
        inherited::MouseUp(Button, Shift, X, Y);
}

void Tyl_InplaceEdit::KeyDown(Word& Key, TShiftState Shift)
{
    if (FEditStyle == ieEllipsis && Key == VK_RETURN && Shift == TShiftState{ssCtrl}) {
        if (Tyl_CustomDrawGrid* G = DrawGrid())
            G->EditButtonClick();
        if (HandleAllocated())
            RepostQuitMessage(Handle(), WM_CHAR);
        Key = 0;
        return;
    }
    inherited::KeyDown(Key, Shift);
}

void Tyl_InplaceEdit::HandleListKeys(Word& Key, TShiftState Shift)
{
    if ((Key == VK_UP || Key == VK_DOWN) && Shift.Contains(ssAlt)) {
        if (!FListVisible)
            ShowPickList();
        else
            HidePickList(true);
        Key = 0;
        return;
    }
    if ((Key == VK_RETURN || Key == VK_ESCAPE) && !Shift.Contains(ssAlt) && FListVisible) {
        HidePickList(Key == VK_RETURN);
        Key = 0;
    }
}

void Tyl_InplaceEdit::WndProc(TMessage& Message)
{
    if (FEditStyle == iePickList &&
        (Message.Msg == WM_KEYDOWN || Message.Msg == WM_SYSKEYDOWN || Message.Msg == WM_CHAR)) {
        auto Key = static_cast<Word>(Message.WParam);
        HandleListKeys(Key, KeyDataToShiftState(static_cast<int32_t>(Message.LParam)));
        if (Key == 0) {
            Message.Result = 0;
            return;
        }
        if (FListVisible && FActiveList) {
            FActiveList->Perform(Message.Msg, Message.WParam, Message.LParam);
            return;
        }
    }
    inherited::WndProc(Message);
}

void Tyl_InplaceEdit::DropList(int Rows, bool Always)
{
    TPopupListbox* L = FActiveList;
    L->SetWidth(Width());
    L->SetColor(Color());
    L->Font()->Assign(Font());
    L->Items()->Clear();
    if (Tyl_CustomDrawGrid* G = DrawGrid())
        G->GetPickList(EditCol, G->GetRow(), L->Items());
    if (Always && L->Items()->Count() == 0)
        L->Items()->Add(AnsiString());
    const int Count = L->Items()->Count();
    const int Shown = std::max(1, std::min(Count, Rows));
    L->SetHeight(L->ItemHeight() * Shown + 4);
    int Index = L->Items()->IndexOf(Text());
    if (Always && Index < 0)
        Index = 0;
    L->SetItemIndex(Index);
    // The list is as wide as its longest item.
    int W = L->ClientWidth();
    TCanvas* C = L->Canvas();
    C->Font()->Assign(L->Font());
    for (int I = 0; I < Count; ++I)
        W = std::max(W, C->TextWidth(L->Items()->Strings(I)));
    if (Count > Rows)
        W += GetSystemMetrics(SM_CXVSCROLL);
    L->SetClientWidth(W);
    TPoint P = Parent() ? Parent()->ClientToScreen(Point(Left(), Top())) : Point(Left(), Top());
    const int ScreenH = Screen ? Screen->Height() : 768;
    int Y = P.Y + Height();
    if (Y + L->Height() > ScreenH)
        Y = P.Y - L->Height();
    L->SetBounds(P.X, Y, L->Width(), L->Height());
    L->SetVisible(true);
    SetWindowPos(L->Handle(), HWND_TOP, P.X, Y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    FListVisible = true;
    Invalidate();
    if (CanFocus() && !Focused())
        TCustomMaskEdit::SetFocus();
}

void Tyl_InplaceEdit::ShowPickList()
{
    if (FListVisible || !FActiveList)
        return;
    DropList(8, false);
}

void Tyl_InplaceEdit::HidePickList(bool Accept)
{
    if (!FListVisible)
        return;
    if (HWND Captured = GetCapture())
        SendMessage(Captured, WM_CANCELMODE, 0, 0);
    AnsiString ListValue;
    bool HasValue = false;
    if (FActiveList && FActiveList->ItemIndex() >= 0) {
        ListValue = FActiveList->Items()->Strings(FActiveList->ItemIndex());
        HasValue = true;
    }
    if (FActiveList) {
        if (FActiveList->HandleAllocated())
            SetWindowPos(FActiveList->Handle(), nullptr, 0, 0, 0, 0,
                         SWP_NOZORDER | SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_HIDEWINDOW);
        FActiveList->SetVisible(false);
    }
    FListVisible = false;
    Invalidate();
    if (Accept && HasValue && !Trim(ListValue).IsEmpty() && (EditCanModify() || !ReadOnly())) {
        SetEditText(ListValue);
        SetModified(true);
        // The grid stores the chosen text as it does a typed one.
        if (Tyl_CustomDrawGrid* G = DrawGrid())
            G->SetEditText(EditCol, EditRow, Text());
    }
}

void Tyl_InplaceEdit::WMKillFocus(TWMKillFocus& Message)
{
    inherited::WMKillFocus(Message);
    HidePickList(false);
}

void Tyl_InplaceEdit::WMCancelMode(TMessageRecord& Message)
{
    EndButtonTracking();
    inherited::WMCancelMode(Message);
}

void Tyl_InplaceEdit::CMCancelMode(TMessageRecord& Message)
{
    // A click elsewhere closes the list; one in the editor or its list does not.
    auto* Sender = reinterpret_cast<TControl*>(Message.LParam);
    if (Sender != this && Sender != FActiveList)
        HidePickList(false);
    inherited::CMCancelMode(Message);
}

// ---- Tyl_DataInplaceEdit -----------------------------------------------------------------------

PRICETAGS_DEFINE_CLASS(Tyl_DataInplaceEdit)

Tyl_DataInplaceEdit::Tyl_DataInplaceEdit(TComponent* AOwner) : Tyl_InplaceEdit(AOwner) {}

Tyl_DataInplaceEdit::~Tyl_DataInplaceEdit() = default;

Tyl_DataDrawGrid* Tyl_DataInplaceEdit::DataGrid() const
{
    return dynamic_cast<Tyl_DataDrawGrid*>(Grid());
}

TColumn* Tyl_DataInplaceEdit::Column() const
{
    Tyl_DataDrawGrid* G = DataGrid();
    return G ? G->ColumnOf(EditCol) : nullptr;
}

void Tyl_DataInplaceEdit::SetEditStyle(TInplaceEditStyle Value)
{
    TColumn* C = Column();
    SetReadOnly(C && (C->ReadOnly() || (Value == iePickList && C->LimitToList())));
    inherited::SetEditStyle(Value);
}

void Tyl_DataInplaceEdit::BoundsChanged()
{
    inherited::BoundsChanged();
    Tyl_DataDrawGrid* G = DataGrid();
    if (!G || !G->Images() || G->GetImageIndex(EditCol, EditRow) < 0)
        return;
    TRect R = Rect(2 + G->Images()->Width() + 4, 2, Width() - 2, Height());
    if (FEditStyle != ieSimple)
        R.Right -= FButtonWidth;
    Perform(EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&R));
}

void Tyl_DataInplaceEdit::PaintButton(HDC DC)
{
    Tyl_DataDrawGrid* G = DataGrid();
    if (G && G->Images()) {
        const int Index = G->GetImageIndex(EditCol, EditRow);
        TCustomImageList* Images = G->Images();
        if (Index >= 0 && Index < Images->Count()) {
            const int Top = (Height() - Images->Height()) / 2;
            TCanvas Canvas;
            Canvas.SetHandle(DC);
            Images->Draw(&Canvas, 2, Top, Index);
            Canvas.SetHandle(nullptr);
            ExcludeClipRect(DC, 2, Top, Images->Width() + 4, Top + Images->Height());
        }
    }
    inherited::PaintButton(DC);
}

void Tyl_DataInplaceEdit::ShowPickList()
{
    if (FListVisible || !FActiveList)
        return;
    TColumn* C = Column();
    DropList(C ? C->DropDownRows() : 7, true);
}

AnsiString Tyl_DataInplaceEdit::TextWithKey(char Key)
{
    AnsiString T = EditText();
    const int Start = std::clamp(SelStart(), 0, T.Length());
    const int Len = std::clamp(SelLength(), 0, T.Length() - Start);
    T = T.SubString(1, Start) + AnsiString(Key) + T.SubString(Start + Len + 1, T.Length() - Start - Len);
    AnsiString Result;
    CleanFloatText(T, Result);
    return Result;
}

bool Tyl_DataInplaceEdit::IsValidKey(char& Key)
{
    TColumn* C = Column();
    const TColumnFormat F = C ? C->Format() : cfString;
    if (F == cfString)
        return true;
    if (static_cast<int>(F) < 0 || static_cast<int>(F) > static_cast<int>(cfCurrency))
        throw Exception(SUnknownFormat);
    const TFormatSettings& FS = FormatSettings();
    const bool Sign = Key == '+' || Key == '-';
    const bool Digit = Key >= '0' && Key <= '9';
    bool Result = Sign || Digit;
    switch (F) {
    case cfString:
        return true;
    case cfNumber:
    case cfCurrency:
        if (Key == ',' || Key == '.')
            Key = FS.DecimalSeparator;
        return IsFloatText(TextWithKey(Key), CurrencyFlag[F == cfCurrency]);
    case cfDate:
        if (Sign)
            return true;
        if (Key == ',' || Key == '.' || Key == '/')
            Key = FS.DateSeparator;
        return (Digit || Key == FS.DateSeparator) && IsDateText(TextWithKey(Key));
    case cfTime:
        if (Sign)
            return true;
        if (Key == '/' || Key == ':')
            Key = FS.TimeSeparator;
        else if (Key == ',' || Key == '.')
            Key = FS.DecimalSeparator;
        return (Digit || Key == FS.TimeSeparator || Key == FS.DecimalSeparator) &&
               IsTimeText(TextWithKey(Key));
    case cfInteger:
        if (Result) {
            const AnsiString T = TextWithKey(Key);
            Result = T == "+" || T == "-" || IsIntText(T);
        }
        return Result;
    }
    throw Exception(SUnknownFormat);
}

bool Tyl_DataInplaceEdit::IsValidText()
{
    const AnsiString T = Text();
    if (!Modified() || T.IsEmpty())
        return true;
    TColumn* C = Column();
    const TColumnFormat F = C ? C->Format() : cfString;
    switch (F) {
    case cfString:
        return true;
    case cfNumber:
    case cfCurrency:
        return IsFloatText(T, CurrencyFlag[F == cfCurrency]);
    case cfInteger:
        return IsIntText(T);
    case cfDate:
    case cfTime:
        try {
            if (F == cfDate)
                (void)StrToDate(T);
            else
                (void)StrToTime(T);
            return true;
        } catch (const EConvertError&) {
            MessageBeep(0);
            return false;
        }
    }
    throw Exception(SUnknownFormat);
}

void Tyl_DataInplaceEdit::CheckValidText()
{
    if (!IsValidText())
        throw Exception(SNoValidValue);
}

void Tyl_DataInplaceEdit::KeyDown(Word& Key, TShiftState Shift)
{
    if (FEditStyle == ieEllipsis && Key == VK_RETURN && Shift == TShiftState{ssCtrl}) {
        Key = 0;
        if (HandleAllocated())
            RepostQuitMessage(Handle(), WM_CHAR);
        if (Tyl_CustomDrawGrid* G = DrawGrid())
            G->EditButtonClick();
        return;
    }
    const int Len = GetTextLen();
    const bool AllSelected = Len > 0 && SelStart() == 0 && SelLength() == Len;
    switch (Key) {
    case VK_TAB: case VK_PRIOR: case VK_NEXT: case VK_END: case VK_HOME: case VK_UP: case VK_DOWN:
        CheckValidText();
        break;
    case VK_LEFT:
        if (!AllSelected && SelStart() == 0 && SelLength() == 0)
            CheckValidText();
        break;
    case VK_RIGHT:
        if (!AllSelected && SelStart() + SelLength() >= Len)
            CheckValidText();
        break;
    default:
        break;
    }
    Tyl_DataDrawGrid* G = DataGrid();
    if (G && G->IsRowKey(Key, Shift)) {
        G->GridKeyDown(Key, Shift);
        Key = 0;
        return;
    }
    inherited::KeyDown(Key, Shift);
}

void Tyl_DataInplaceEdit::KeyPress(char& Key)
{
    if (Key == VK_RETURN)
        CheckValidText();
    TColumn* C = Column();
    const TColumnFormat F = C ? C->Format() : cfString;
    if (IsTodayKey(Key) && GetTextLen() == 0 && (F == cfDate || F == cfTime)) {
        UserSetText(F == cfDate ? DateToStr(Date()) : TimeToStr(Time()), -1);
        Key = 0;
        return;
    }
    const bool ListOnly = FEditStyle == iePickList && ReadOnly() && C && C->LimitToList();
    // A refused character is dropped before the edit takes it.
    if (!ListOnly && static_cast<unsigned char>(Key) > 31 && !IsValidKey(Key)) {
        MessageBeep(0);
        Key = 0;
        return;
    }
    if (ListOnly && !FListVisible && Key != 0) {
        if (Key == VK_BACK) {
            gPickSearchText = AnsiString();
            Key = 0;
            return;
        }
        if (static_cast<unsigned char>(Key) < 32) {
            inherited::KeyPress(Key);
            return;
        }
        const DWORD Now = GetTickCount();
        if (TickDiff(Now, gPickSearchTick) >= 2001)
            gPickSearchText = AnsiString();
        gPickSearchText += AnsiUpperCase(AnsiString(Key));
        gPickSearchTick = Now;
        Key = 0;
        TStrings* List = C->PickList();
        const int N = gPickSearchText.Length();
        for (int I = 0; I < List->Count(); ++I) {
            const AnsiString Item = List->Strings(I);
            if (AnsiUpperCase(Item.SubString(1, N)) != gPickSearchText)
                continue;
            SetEditText(Item);
            if (Tyl_CustomDrawGrid* G = DrawGrid())
                G->SetEditText(EditCol, EditRow, Item);
            SetModified(true);
            break;
        }
        return;
    }
    inherited::KeyPress(Key);
}

void Tyl_DataInplaceEdit::WMKillFocus(TWMKillFocus& Message)
{
    inherited::WMKillFocus(Message);
    gPickSearchText = AnsiString();
}

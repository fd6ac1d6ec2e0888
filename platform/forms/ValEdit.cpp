#include "platform/forms/ValEdit.h"

#include "platform/forms/Forms.h"
#include "platform/forms/Menus.h"
#include "platform/forms/StdPrivate.h"
#include "platform/winapi/SystemMetrics.h"
#include "platform/classes/Strings.h"
#include "platform/rtl/StrUtils.h"

#include <algorithm>

namespace {

AnsiString KeyOf(const AnsiString& Key)
{
    return AnsiUpperCase(Key);
}

/// A menu caption that shows Text as it is ("&" is no accelerator mark).
AnsiString PlainCaption(const AnsiString& Text)
{
    AnsiString Result;
    for (int I = 1; I <= Text.Length(); ++I) {
        if (Text[I] == '&')
            Result += '&';
        Result += Text[I];
    }
    // A lone "-" would make a separator line.
    return Result == cLineCaption ? AnsiString("- ") : Result;
}

}  // namespace

// ---- TItemProp ------------------------------------------------------------------------------

PRICETAGS_DEFINE_CLASS(TItemProp)

TItemProp::TItemProp(TValueListEditor* AOwner) : FOwner(AOwner) {}

TItemProp::~TItemProp() = default;

void TItemProp::Assign(TPersistent* Source)
{
    auto* Other = dynamic_cast<TItemProp*>(Source);
    if (!Other) {
        TPersistent::Assign(Source);
        return;
    }
    FReadOnly = Other->FReadOnly;
    FEditStyle = Other->FEditStyle;
    FEditMask = Other->FEditMask;
    FMaxLength = Other->FMaxLength;
    if (Other->HasPickList())
        PickList()->Assign(Other->FPickList.get());
    else if (FPickList)
        FPickList->Clear();
    Changed();
}

void TItemProp::Changed()
{
    if (FOwner)
        FOwner->ItemPropChanged();
}

void TItemProp::PickListChanged(TObject*)
{
    Changed();
}

void TItemProp::SetReadOnly(bool Value)
{
    if (FReadOnly == Value)
        return;
    FReadOnly = Value;
    Changed();
}

TEditStyle TItemProp::EditStyle() const
{
    return FEditStyle == esSimple && HasPickList() ? esPickList : FEditStyle;
}

void TItemProp::SetEditStyle(TEditStyle Value)
{
    if (FEditStyle == Value)
        return;
    FEditStyle = Value;
    Changed();
}

TStrings* TItemProp::PickList()
{
    if (!FPickList) {
        FPickList = std::make_unique<TStringList>();
        FPickList->OnChange = TNotifyEvent(this, &TItemProp::PickListChanged);
    }
    return FPickList.get();
}

bool TItemProp::HasPickList() const
{
    return FPickList && FPickList->Count() > 0;
}

void TItemProp::SetEditMask(const AnsiString& Value)
{
    FEditMask = Value;
    Changed();
}

void TItemProp::SetMaxLength(int Value)
{
    FMaxLength = std::max(Value, 0);
    Changed();
}

// ---- TInplaceEditList --------------------------------------------------------------------------

PRICETAGS_DEFINE_CLASS(TInplaceEditList)

TInplaceEditList::TInplaceEditList(TComponent* AOwner)
    : TInplaceEdit(AOwner), FPickList(std::make_unique<TStringList>()),
      FButtonWidth(GetSystemMetrics(SM_CXVSCROLL))
{
}

TInplaceEditList::~TInplaceEditList() = default;

TStrings* TInplaceEditList::PickList() const
{
    return FPickList.get();
}

TValueListEditor* TInplaceEditList::ListGrid() const
{
    return dynamic_cast<TValueListEditor*>(FGrid);
}

void TInplaceEditList::UpdateContents()
{
    inherited::UpdateContents();
    FPickList->Clear();
    FEditStyle = esSimple;
    TValueListEditor* Grid = ListGrid();
    if (!Grid)
        return;
    if (TItemProp* Prop = Grid->ItemPropsOfRow(Grid->Row())) {
        FEditStyle = Prop->EditStyle();
        if (Prop->HasPickList())
            FPickList->Assign(Prop->PickList());
    }
    BoundsChanged();
    Invalidate();
}

void TInplaceEditList::BoundsChanged()
{
    TRect R = Rect(2, 2, Width() - 2, Height());
    if (FEditStyle != esSimple)
        R.Right -= FButtonWidth;
    Perform(EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&R));
    Perform(EM_SCROLLCARET);
}

bool TInplaceEditList::OverButton(int X) const
{
    return FEditStyle != esSimple && X >= Width() - FButtonWidth;
}

void TInplaceEditList::Paint(HDC DC)
{
    inherited::Paint(DC);
    if (FEditStyle == esSimple)
        return;
    TRect R = Rect(Width() - FButtonWidth, 0, Width(), Height());
    if (FEditStyle == esPickList) {
        DrawFrameControl(DC, R, DFC_SCROLL, DFCS_SCROLLCOMBOBOX);
        return;
    }
    // The ellipsis button: three dots on a raised face.
    DrawFrameControl(DC, R, DFC_BUTTON, DFCS_BUTTONPUSH);
    const int Y = (R.Top + R.Bottom) / 2;
    const int X = (R.Left + R.Right) / 2;
    HBRUSH Dot = GetSysColorBrush(COLOR_BTNTEXT);
    for (int I = -1; I <= 1; ++I)
        FillRect(DC, Rect(X + I * 3 - 1, Y, X + I * 3 + 1, Y + 2), Dot);
}

void TInplaceEditList::WMLButtonDown(TWMMouse& Message)
{
    if (!OverButton(Message.XPos)) {
        inherited::WMLButtonDown(Message);
        return;
    }
    if (CanFocus() && !Focused())
        SetFocus();
    if (FEditStyle == esPickList)
        DropDown();
}

void TInplaceEditList::WMSetCursor(TWMSetCursor& Message)
{
    TPoint P;
    GetCursorPos(P);
    if (Message.HitTest == HTCLIENT && OverButton(ScreenToClient(P).X)) {
        ::SetCursor(Screen->Cursors(crArrow));
        Message.Result = 1;
        return;
    }
    inherited::WMSetCursor(Message);
}

void TInplaceEditList::KeyDown(Word& Key, TShiftState Shift)
{
    const bool Drop = (Key == VK_DOWN && Shift == TShiftState {ssAlt}) || (Key == VK_F4 && Shift.Empty());
    if (Drop && FEditStyle == esPickList) {
        DropDown();
        Key = 0;
        return;
    }
    inherited::KeyDown(Key, Shift);
}

void TInplaceEditList::DblClick()
{
    if (FEditStyle != esPickList || FPickList->Count() == 0) {
        inherited::DblClick();
        return;
    }
    // A double click takes the value after the current one, round the list.
    const int I = FPickList->IndexOf(Text());
    TakeValue((I + 1) % FPickList->Count());
}

namespace {

/// Notes which value of a dropped-down pick list was clicked.
struct PickReceiver : TComponent {
    PickReceiver() : TComponent(nullptr) {}
    void Clicked(TObject* Sender)
    {
        if (auto* Item = dynamic_cast<TMenuItem*>(Sender))
            Picked = Item->MenuIndex();
    }
    int Picked = -1;
};

}  // namespace

void TInplaceEditList::DropDown()
{
    if (FEditStyle != esPickList || FPickList->Count() == 0)
        return;
    // The list drops down as a menu of the values below the editor, the
    // current value checked.
    TPopupMenu List(nullptr);
    PickReceiver Receiver;
    const AnsiString Current = Text();
    for (int I = 0; I < FPickList->Count(); ++I) {
        auto* Item = new TMenuItem(&List);
        Item->SetCaption(PlainCaption(FPickList->Strings(I)));
        Item->SetChecked(FPickList->Strings(I) == Current);
        Item->OnClick = TNotifyEvent(&Receiver, &PickReceiver::Clicked);
        List.Items()->Add(Item);
    }
    const TPoint At = ClientToScreen(Point(0, Height()));
    // The list's loop runs other messages: the editor may go meanwhile.
    const FreeWatch Watch({this});
    List.Popup(At.X, At.Y);
    if (!Watch.Gone() && Receiver.Picked >= 0)
        TakeValue(Receiver.Picked);
}

void TInplaceEditList::TakeValue(int Index)
{
    if (Index < 0 || Index >= FPickList->Count() || !FGrid)
        return;
    const AnsiString Value = FPickList->Strings(Index);
    if (Value != Text()) {
        // A value of the list is taken even where typing is not allowed.
        SetText(Value);
        if (TValueListEditor* Grid = ListGrid())
            Grid->SetEditText(Grid->Col(), Grid->Row(), Value);
    }
    SelectAll();
}

// ---- TValueListEditor -----------------------------------------------------------------------------

PRICETAGS_DEFINE_CLASS(TValueListEditor)

TValueListEditor::TValueListEditor(TComponent* AOwner)
    : TCustomGrid(AOwner), FStrings(std::make_unique<TStringList>()),
      FTitleCaptions(std::make_unique<TStringList>())
{
    FTitleCaptions->Add("Key");
    FTitleCaptions->Add("Value");
    FStrings->OnChange = TNotifyEvent(this, &TValueListEditor::StringsChanged);
    FTitleCaptions->OnChange = TNotifyEvent(this, &TValueListEditor::TitlesChanged);
    SetColCount(2);
    SetDefaultColWidth(150);
    SetDefaultRowHeight(18);
    SetOptions({goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goColSizing, goEditing,
        goAlwaysShowEditor, goThumbTracking});
    StringsChanged(nullptr);
}

TValueListEditor::~TValueListEditor()
{
    Destroying();
    FStrings->OnChange = TNotifyEvent();
    FTitleCaptions->OnChange = TNotifyEvent();
}

TStrings* TValueListEditor::Strings() const
{
    return FStrings.get();
}

void TValueListEditor::SetStrings(TStrings* Value)
{
    FStrings->Assign(Value);
}

TStrings* TValueListEditor::TitleCaptions() const
{
    return FTitleCaptions.get();
}

void TValueListEditor::SetTitleCaptions(TStrings* Value)
{
    FTitleCaptions->Assign(Value);
}

void TValueListEditor::SetDisplayOptions(TDisplayOptions Value)
{
    if (FDisplayOptions == Value)
        return;
    FDisplayOptions = Value;
    StringsChanged(nullptr);
}

int TValueListEditor::RowCountOfStrings() const
{
    return FStrings->Count();
}

int TValueListEditor::LineOf(int ARow) const
{
    const int Line = ARow - (FDisplayOptions.Contains(doColumnTitles) ? 1 : 0);
    return Line >= 0 && Line < FStrings->Count() ? Line : -1;
}

void TValueListEditor::StringsChanged(TObject*)
{
    if (FAdjusting)
        return;
    FAdjusting = true;
    const int Titles = FDisplayOptions.Contains(doColumnTitles) ? 1 : 0;
    // An empty list still shows one empty row under the titles.
    SetRowCount(std::max(FStrings->Count(), 1) + Titles);
    SetFixedRows(Titles);
    SetFixedCols(FDisplayOptions.Contains(doKeyColFixed) ? 1 : 0);
    if (Col() == 0)
        SetCol(1);
    FAdjusting = false;
    AdjustColWidths();
    InvalidateGrid();
    // The editor's own typing must not reload it (that would select the
    // text again and the next key would replace it).
    if (!FStoringEdit)
        InvalidateEditor();
    if (!ComponentState().Contains(csDestroying))
        OnStringsChange(this);
}

void TValueListEditor::TitlesChanged(TObject*)
{
    InvalidateGrid();
}

void TValueListEditor::AdjustColWidths()
{
    if (FAdjusting || !FDisplayOptions.Contains(doAutoColResize))
        return;
    FAdjusting = true;
    // The value column takes the room the key column leaves.
    const int Line = Options().Contains(goVertLine) ? GridLineWidth() : 0;
    const int Rest = ClientWidth() - ColWidths(0) - 2 * Line;
    if (Rest > 0)
        SetColWidths(1, Rest);
    FAdjusting = false;
}

void TValueListEditor::WMSize(TWMSize& Message)
{
    inherited::WMSize(Message);
    AdjustColWidths();
}

void TValueListEditor::ColWidthsChanged()
{
    AdjustColWidths();
    inherited::ColWidthsChanged();
}

void TValueListEditor::ItemPropChanged()
{
    InvalidateEditor();
}

AnsiString TValueListEditor::Keys(int ARow) const
{
    const int Line = LineOf(ARow);
    if (Line < 0)
        throw EInvalidGridOperation(SGridIndexOutOfRange);
    return FStrings->Names(Line);
}

void TValueListEditor::SetKeys(int ARow, const AnsiString& Value)
{
    const int Line = LineOf(ARow);
    if (Line < 0)
        throw EInvalidGridOperation(SGridIndexOutOfRange);
    FStrings->SetStrings(Line, Value + "=" + FStrings->ValueFromIndex(Line));
}

bool TValueListEditor::FindRow(const AnsiString& KeyName, int& Row) const
{
    const int Line = FStrings->IndexOfName(KeyName);
    if (Line < 0)
        return false;
    Row = Line + (FDisplayOptions.Contains(doColumnTitles) ? 1 : 0);
    return true;
}

AnsiString TValueListEditor::Values(const AnsiString& Key) const
{
    return FStrings->Values(Key);
}

void TValueListEditor::SetValues(const AnsiString& Key, const AnsiString& Value)
{
    int Row = 0;
    if (FindRow(Key, Row))
        SetCells(1, Row, Value);
    else
        InsertRow(Key, Value, true);
}

int TValueListEditor::InsertRow(const AnsiString& KeyName, const AnsiString& Value, bool Append)
{
    const int Titles = FDisplayOptions.Contains(doColumnTitles) ? 1 : 0;
    const AnsiString Line = KeyName + "=" + Value;
    int Index = FStrings->Count();
    if (!Append && LineOf(Row()) >= 0)
        Index = LineOf(Row());
    FStrings->Insert(Index, Line);
    return Index + Titles;
}

void TValueListEditor::DeleteRow(int ARow)
{
    const int Line = LineOf(ARow);
    if (Line < 0)
        throw EInvalidGridOperation(SGridIndexOutOfRange);
    FStrings->Delete(Line);
}

TItemProp* TValueListEditor::ItemProps(const AnsiString& Key)
{
    std::unique_ptr<TItemProp>& Prop = FItemProps[KeyOf(Key)];
    if (!Prop)
        Prop = std::make_unique<TItemProp>(this);
    return Prop.get();
}

TItemProp* TValueListEditor::ItemPropsOfRow(int ARow)
{
    const int Line = LineOf(ARow);
    if (Line < 0)
        return nullptr;
    const auto It = FItemProps.find(KeyOf(FStrings->Names(Line)));
    return It == FItemProps.end() ? nullptr : It->second.get();
}

AnsiString TValueListEditor::Cells(int ACol, int ARow) const
{
    if (FDisplayOptions.Contains(doColumnTitles) && ARow == 0)
        return ACol >= 0 && ACol < FTitleCaptions->Count() ? FTitleCaptions->Strings(ACol) : AnsiString();
    const int Line = LineOf(ARow);
    if (Line < 0)
        return AnsiString();
    return ACol == 0 ? FStrings->Names(Line) : FStrings->ValueFromIndex(Line);
}

void TValueListEditor::SetCells(int ACol, int ARow, const AnsiString& Value)
{
    if (FDisplayOptions.Contains(doColumnTitles) && ARow == 0) {
        if (ACol >= 0 && ACol < FTitleCaptions->Count())
            FTitleCaptions->SetStrings(ACol, Value);
        return;
    }
    const int Line = LineOf(ARow);
    if (Line < 0) {
        // The empty row of an empty list becomes the first line.
        if (FStrings->Count() == 0 && ARow == FixedRows())
            FStrings->Add(ACol == 0 ? Value + "=" : "=" + Value);
        return;
    }
    if (ACol == 0)
        SetKeys(ARow, Value);
    else
        FStrings->SetValueFromIndex(Line, Value);
}

void TValueListEditor::DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState)
{
    TCanvas* C = Canvas();
    C->Brush()->SetStyle(bsClear);
    C->TextRect(ARect, ARect.Left + 2, ARect.Top + 2, Cells(ACol, ARow));
    C->Brush()->SetStyle(bsSolid);
}

bool TValueListEditor::SelectCell(int ACol, int ARow)
{
    // Keys are shown, not edited: the value column takes the focus.
    return ACol == 1 && inherited::SelectCell(ACol, ARow);
}

AnsiString TValueListEditor::GetEditText(int ACol, int ARow)
{
    return Cells(ACol, ARow);
}

void TValueListEditor::SetEditText(int ACol, int ARow, const AnsiString& Value)
{
    if (Cells(ACol, ARow) == Value)
        return;
    FStoringEdit = true;
    try {
        SetCells(ACol, ARow, Value);
    } catch (...) {
        FStoringEdit = false;
        throw;
    }
    FStoringEdit = false;
}

AnsiString TValueListEditor::GetEditMask(int, int ARow)
{
    TItemProp* Prop = ItemPropsOfRow(ARow);
    return Prop ? Prop->EditMask() : AnsiString();
}

int TValueListEditor::GetEditLimit()
{
    TItemProp* Prop = ItemPropsOfRow(Row());
    return Prop ? Prop->MaxLength() : 0;
}

bool TValueListEditor::CanEditModify()
{
    // The empty row of an empty list takes the first value typed.
    const bool HasLine = LineOf(Row()) >= 0 || (FStrings->Count() == 0 && Row() == FixedRows());
    TItemProp* Prop = ItemPropsOfRow(Row());
    return inherited::CanEditModify() && Col() == 1 && HasLine && !(Prop && Prop->ReadOnly());
}

TInplaceEdit* TValueListEditor::CreateEditor()
{
    return new TInplaceEditList(this);
}

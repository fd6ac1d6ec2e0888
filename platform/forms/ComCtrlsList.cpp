// The list view and the tree view of ComCtrls.h.

#include "platform/forms/ComCtrls.h"

#include "platform/forms/ImgList.h"
#include "platform/forms/StdPrivate.h"
#include "platform/classes/Strings.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Format.h"

#include <algorithm>

PRICETAGS_DEFINE_CLASS(TCustomListView)

PRICETAGS_DEFINE_CLASS(TListView)

PRICETAGS_DEFINE_CLASS(TCustomTreeView)

PRICETAGS_DEFINE_CLASS(TTreeView)

TListView::~TListView() = default;
TTreeView::~TTreeView() = default;

// ---- columns -------------------------------------------------------------------------------

int TListColumn::Index() const
{
    return FControl->FColumns.IndexOf(this);
}

// ---- items -------------------------------------------------------------------------------------

TListItem::TListItem(TListItems* Owner) : FOwner(Owner), FSubItems(std::make_unique<TStringList>()) {}

TListItem::~TListItem() = default;

TStrings* TListItem::SubItems() const
{
    return FSubItems.get();
}

void TListItem::SetCaption(const AnsiString& Value)
{
    FCaption = Value;
    Update();
}

void TListItem::SetImageIndex(int Value)
{
    FImageIndex = Value;
    Update();
}

void TListItem::SetStateIndex(int Value)
{
    FStateIndex = Value;
    Update();
}

TCustomListView* TListItem::ListView() const
{
    return FOwner->Owner();
}

bool TListItem::Selected() const
{
    return ListView()->IsSelected(FIndex);
}

void TListItem::SetSelected(bool Value)
{
    ListView()->SelectIndex(FIndex, Value);
}

bool TListItem::Focused() const
{
    return FIndex >= 0 && ListView()->FFocused == FIndex;
}

void TListItem::SetFocused(bool Value)
{
    TCustomListView* LV = ListView();
    if (Value)
        LV->FFocused = FIndex;
    else if (LV->FFocused == FIndex)
        LV->FFocused = -1;
    LV->Invalidate();
}

void TListItem::MakeVisible(bool)
{
    ListView()->MakeVisible(FIndex);
}

void TListItem::Delete()
{
    FOwner->Delete(FIndex);
}

void TListItem::Update()
{
    if (FOwner->FUpdateCount == 0)
        ListView()->Invalidate();
}

TListItems::~TListItems() = default;

int TListItems::Count() const
{
    return FOwner->FOwnerData ? FOwnerDataCount : static_cast<int>(FItems.size());
}

void TListItems::SetCount(int Value)
{
    if (!FOwner->FOwnerData)
        return;
    FOwnerDataCount = std::max(Value, 0);
    FOwner->FOwnerSelection.assign(static_cast<size_t>(FOwnerDataCount), 0);
    if (FOwner->FFocused >= FOwnerDataCount)
        FOwner->FFocused = -1;
    FOwner->FAnchor = -1;
    FOwner->SetTopIndex(FOwner->FTopIndex);
    FOwner->ItemsChanged();
}

TListItem* TListItems::Item(int Index) const
{
    if (Index < 0 || Index >= Count())
        ListIndexError(Index);
    return FOwner->GetItem(Index);
}

TListItem* TListItems::Add()
{
    return Insert(Count());
}

TListItem* TListItems::Insert(int Index)
{
    if (FOwner->FOwnerData || Index < 0 || Index > Count())
        ListIndexError(Index);
    FItems.insert(FItems.begin() + Index, std::make_unique<TListItem>(this));
    Renumber(Index);
    FOwner->ItemInserted(Index);
    return FItems[static_cast<size_t>(Index)].get();
}

void TListItems::Delete(int Index)
{
    if (FOwner->FOwnerData || Index < 0 || Index >= Count())
        ListIndexError(Index);
    FItems.erase(FItems.begin() + Index);
    Renumber(Index);
    FOwner->ItemRemoved(Index);
}

void TListItems::Clear()
{
    if (FOwner->FOwnerData) {
        SetCount(0);
        return;
    }
    FItems.clear();
    FOwner->FFocused = -1;
    FOwner->FAnchor = -1;
    FOwner->FTopIndex = 0;
    FOwner->ItemsChanged();
}

int TListItems::IndexOf(const TListItem* Item) const
{
    return Item && Item->FOwner == this ? Item->FIndex : -1;
}

void TListItems::BeginUpdate()
{
    ++FUpdateCount;
}

void TListItems::EndUpdate()
{
    if (FUpdateCount > 0 && --FUpdateCount == 0)
        FOwner->ItemsChanged();
}

void TListItems::Renumber(int From)
{
    for (size_t I = static_cast<size_t>(From); I < FItems.size(); ++I)
        FItems[I]->FIndex = static_cast<int>(I);
}

// ---- TCustomListView ---------------------------------------------------------------------------

TCustomListView::TCustomListView(TComponent* AOwner)
    : TWinControl(AOwner), FTempItem(std::make_unique<TListItem>(&FItems))
{
    FTabStop = true;
    FColor = clWindow;
    FParentColor = false;
    SetBounds(FLeft, FTop, 250, 150);
}

TCustomListView::~TCustomListView() = default;

void TCustomListView::CreateParams(TCreateParams& Params)
{
    TWinControl::CreateParams(Params);
    Params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TCustomListView::CreateWnd()
{
    TWinControl::CreateWnd();
    UpdateScrollBars();
}

// Every change of rows, columns or sizes repaints, so the bars follow here.
void TCustomListView::Invalidate()
{
    TWinControl::Invalidate();
    UpdateScrollBars();
}

void TCustomListView::UpdateScrollBars()
{
    if (!HandleAllocated() || FSyncingBars)
        return;
    FSyncingBars = true;
    // Each bar takes room from the other's page: twice settles both.
    for (int Pass = 0; Pass < 2; ++Pass) {
        const int Wide = FViewStyle == vsReport ? ColumnsWidth() : 0;
        FScrollX = SyncScrollBar(FHandle, SB_HORZ, Wide, ClientWidth(), FScrollX);
        FTopIndex = SyncScrollBar(FHandle, SB_VERT, FItems.Count(), VisibleRowCount(), FTopIndex);
    }
    FSyncingBars = false;
}

void TCustomListView::WMSize(TWMSize& Message)
{
    TWinControl::WMSize(Message);
    UpdateScrollBars();
}

void TCustomListView::WMVScroll(TWMScroll& Message)
{
    if (Message.ScrollBar) {
        TWinControl::WMVScroll(Message);
        return;
    }
    SetTopIndex(ScrolledPos(FHandle, SB_VERT, Message.ScrollCode, 1));
}

void TCustomListView::WMHScroll(TWMScroll& Message)
{
    if (Message.ScrollBar) {
        TWinControl::WMHScroll(Message);
        return;
    }
    const int X = ScrolledPos(FHandle, SB_HORZ, Message.ScrollCode, RowHeight());
    Scroll(X - FScrollX, 0);
}

void TCustomListView::SetViewStyle(TViewStyle Value)
{
    FViewStyle = Value;
    Invalidate();
}

void TCustomListView::SetOwnerData(bool Value)
{
    if (FOwnerData == Value)
        return;
    FItems.FItems.clear();
    FItems.FOwnerDataCount = 0;
    FOwnerSelection.clear();
    FOwnerData = Value;
    FFocused = -1;
    FAnchor = -1;
    FTopIndex = 0;
    Invalidate();
}

void TCustomListView::SetMultiSelect(bool Value)
{
    FMultiSelect = Value;
    if (!Value) {
        const int Keep = ItemIndex();
        ClearSelection();
        if (Keep >= 0)
            SelectIndex(Keep, true);
    }
}

void TCustomListView::SetRowSelect(bool Value)
{
    FRowSelect = Value;
    Invalidate();
}

void TCustomListView::SetHideSelection(bool Value)
{
    FHideSelection = Value;
    Invalidate();
}

void TCustomListView::SetGridLines(bool Value)
{
    FGridLines = Value;
    Invalidate();
}

void TCustomListView::SetShowColumnHeaders(bool Value)
{
    FShowColumnHeaders = Value;
    Invalidate();
}

void TCustomListView::SetSmallImages(TCustomImageList* Value)
{
    FSmallImages = Value;
    if (Value)
        Value->FreeNotification(this);
    Invalidate();
}

void TCustomListView::SetOwnerDraw(bool Value)
{
    if (FOwnerDraw == Value)
        return;
    FOwnerDraw = Value;
    Invalidate();
}

void TCustomListView::SetLargeImages(TCustomImageList* Value)
{
    FLargeImages = Value;
    if (Value)
        Value->FreeNotification(this);
    Invalidate();
}

void TCustomListView::SetStateImages(TCustomImageList* Value)
{
    FStateImages = Value;
    if (Value)
        Value->FreeNotification(this);
    Invalidate();
}

void TCustomListView::Notification(TComponent* AComponent, TOperation Operation)
{
    TWinControl::Notification(AComponent, Operation);
    if (Operation != opRemove)
        return;
    if (AComponent == FSmallImages)
        FSmallImages = nullptr;
    if (AComponent == FLargeImages)
        FLargeImages = nullptr;
    if (AComponent == FStateImages)
        FStateImages = nullptr;
}

TListItem* TCustomListView::GetItem(int Index)
{
    if (!FOwnerData)
        return FItems.FItems[static_cast<size_t>(Index)].get();
    // One item is filled again for every row asked for, as the owner
    // keeps the data.
    TListItem& T = *FTempItem;
    T.FCaption = AnsiString();
    T.FSubItems->Clear();
    T.FImageIndex = -1;
    T.FStateIndex = -1;
    T.FData = nullptr;
    T.FIndex = Index;
    ++FItems.FUpdateCount;
    struct Done {
        int& Count;
        ~Done() { --Count; }
    } Guard {FItems.FUpdateCount};
    OnData(this, &T);
    return &T;
}

bool TCustomListView::IsSelected(int Index) const
{
    const int Count = FItems.Count();
    if (Index < 0 || Index >= Count)
        return false;
    if (FOwnerData)
        return FOwnerSelection[static_cast<size_t>(Index)] != 0;
    return FItems.FItems[static_cast<size_t>(Index)]->FSelected;
}

void TCustomListView::SelectIndex(int Index, bool Value)
{
    if (Index < 0 || Index >= FItems.Count() || IsSelected(Index) == Value)
        return;
    if (Value && !FMultiSelect) {
        // One selected item at a time.
        for (int I = 0; I < FItems.Count(); ++I)
            if (I != Index && IsSelected(I))
                SelectIndex(I, false);
    }
    if (FOwnerData)
        FOwnerSelection[static_cast<size_t>(Index)] = Value ? 1 : 0;
    else
        FItems.FItems[static_cast<size_t>(Index)]->FSelected = Value;
    Invalidate();
    OnSelectItem(this, GetItem(Index), Value);
}

int TCustomListView::SelCount() const
{
    int N = 0;
    for (int I = 0; I < FItems.Count(); ++I)
        if (IsSelected(I))
            ++N;
    return N;
}

TListItem* TCustomListView::Selected()
{
    const int I = ItemIndex();
    return I < 0 ? nullptr : GetItem(I);
}

void TCustomListView::SetSelected(TListItem* Item)
{
    SetItemIndex(Item ? Item->Index() : -1);
}

int TCustomListView::ItemIndex()
{
    for (int I = 0; I < FItems.Count(); ++I)
        if (IsSelected(I))
            return I;
    return -1;
}

void TCustomListView::SetItemIndex(int Value)
{
    if (Value < -1 || Value >= FItems.Count())
        Value = -1;
    for (int I = 0; I < FItems.Count(); ++I)
        if (I != Value && IsSelected(I))
            SelectIndex(I, false);
    if (Value >= 0) {
        SelectIndex(Value, true);
        FFocused = Value;
        FAnchor = Value;
        MakeVisible(Value);
    }
    Invalidate();
}

TListItem* TCustomListView::ItemFocused()
{
    return FFocused >= 0 && FFocused < FItems.Count() ? GetItem(FFocused) : nullptr;
}

void TCustomListView::SetItemFocused(TListItem* Item)
{
    FFocused = Item ? Item->Index() : -1;
    Invalidate();
}

void TCustomListView::ClearSelection()
{
    for (int I = 0; I < FItems.Count(); ++I)
        if (IsSelected(I))
            SelectIndex(I, false);
}

void TCustomListView::SelectAll()
{
    if (!FMultiSelect)
        return;
    for (int I = 0; I < FItems.Count(); ++I)
        SelectIndex(I, true);
}

TListItem* TCustomListView::GetNextItem(TListItem* StartItem, TItemState State)
{
    const int Start = StartItem ? StartItem->Index() : -1;
    for (int I = Start + 1; I < FItems.Count(); ++I) {
        const bool Match = State == isSelected ? IsSelected(I) : State == isFocused ? I == FFocused : true;
        if (Match)
            return GetItem(I);
    }
    return nullptr;
}

int TCustomListView::RowHeight()
{
    int H = MeasureTextHeight(Font()) + 4;
    if (FSmallImages)
        H = std::max(H, FSmallImages->Height() + 1);
    if (FStateImages)
        H = std::max(H, FStateImages->Height() + 1);
    return H;
}

int TCustomListView::HeaderHeight()
{
    return FViewStyle == vsReport && FShowColumnHeaders ? MeasureTextHeight(Font()) + 6 : 0;
}

int TCustomListView::VisibleRowCount()
{
    return std::max(0, (ClientHeight() - HeaderHeight()) / RowHeight());
}

TListItem* TCustomListView::TopItem()
{
    return FTopIndex < FItems.Count() ? GetItem(FTopIndex) : nullptr;
}

void TCustomListView::SetTopIndex(int Value)
{
    const int MaxTop = std::max(0, FItems.Count() - std::max(VisibleRowCount(), 1));
    Value = std::clamp(Value, 0, MaxTop);
    if (FTopIndex == Value)
        return;
    FTopIndex = Value;
    Invalidate();
}

void TCustomListView::Scroll(int DX, int DY)
{
    FScrollX = std::clamp(FScrollX + DX, 0, std::max(0, ColumnsWidth() - ClientWidth()));
    SetTopIndex(FTopIndex + DY / std::max(RowHeight(), 1));
    Invalidate();
}

int TCustomListView::ColumnsWidth() const
{
    int W = 0;
    for (int I = 0; I < FColumns.Count(); ++I)
        W += FColumns[I]->Width();
    return W;
}

TRect TCustomListView::ItemRect(int Index)
{
    const int H = RowHeight();
    const int Top = HeaderHeight() + (Index - FTopIndex) * H;
    const int Right = FViewStyle == vsReport && FColumns.Count() > 0 ? ColumnsWidth() - FScrollX : ClientWidth();
    return {-FScrollX, Top, Right, Top + H};
}

int TCustomListView::IndexAt(int X, int Y)
{
    const int Top = HeaderHeight();
    if (Y < Top || X < 0)
        return -1;
    const int Index = FTopIndex + (Y - Top) / RowHeight();
    if (Index >= FItems.Count())
        return -1;
    if (FViewStyle == vsReport && FColumns.Count() > 0 && X >= ColumnsWidth() - FScrollX)
        return -1;
    return Index;
}

TListItem* TCustomListView::GetItemAt(int X, int Y)
{
    const int I = IndexAt(X, Y);
    return I < 0 ? nullptr : GetItem(I);
}

void TCustomListView::UpdateItems(int, int)
{
    Invalidate();
}

void TCustomListView::MakeVisible(int Index)
{
    if (Index < 0)
        return;
    const int Rows = std::max(VisibleRowCount(), 1);
    if (Index < FTopIndex)
        SetTopIndex(Index);
    else if (Index >= FTopIndex + Rows)
        SetTopIndex(Index - Rows + 1);
}

void TCustomListView::ItemsChanged()
{
    if (FItems.FUpdateCount == 0)
        Invalidate();
}

void TCustomListView::ItemInserted(int Index)
{
    if (FFocused >= Index)
        ++FFocused;
    if (FAnchor >= Index)
        ++FAnchor;
    ItemsChanged();
}

void TCustomListView::ItemRemoved(int Index)
{
    if (FFocused == Index)
        FFocused = -1;
    else if (FFocused > Index)
        --FFocused;
    if (FAnchor >= Index)
        FAnchor = FAnchor == Index ? -1 : FAnchor - 1;
    SetTopIndex(FTopIndex);
    ItemsChanged();
}

void TCustomListView::UserSelect(int Index, TShiftState Shift)
{
    if (Index < 0 || Index >= FItems.Count())
        return;
    if (FMultiSelect && Shift.Contains(ssShift) && FAnchor >= 0) {
        const int Lo = std::min(FAnchor, Index);
        const int Hi = std::max(FAnchor, Index);
        for (int I = 0; I < FItems.Count(); ++I)
            if ((I < Lo || I > Hi) && !Shift.Contains(ssCtrl))
                SelectIndex(I, false);
        for (int I = Lo; I <= Hi; ++I)
            SelectIndex(I, true);
    } else if (FMultiSelect && Shift.Contains(ssCtrl)) {
        SelectIndex(Index, !IsSelected(Index));
        FAnchor = Index;
    } else {
        for (int I = 0; I < FItems.Count(); ++I)
            if (I != Index)
                SelectIndex(I, false);
        SelectIndex(Index, true);
        FAnchor = Index;
    }
    FFocused = Index;
    MakeVisible(Index);
    Invalidate();
}

void TCustomListView::KeyDown(Word& Key, TShiftState Shift)
{
    TWinControl::KeyDown(Key, Shift);
    const int Count = FItems.Count();
    if (Key == 0 || Count == 0)
        return;
    const int Page = std::max(VisibleRowCount() - 1, 1);
    int Index = FFocused;
    switch (Key) {
    case VK_UP: Index = std::max(0, Index - 1); break;
    case VK_DOWN: Index = std::min(Count - 1, Index + 1); break;
    case VK_PRIOR: Index = std::max(0, Index - Page); break;
    case VK_NEXT: Index = std::min(Count - 1, Index + Page); break;
    case VK_HOME: Index = 0; break;
    case VK_END: Index = Count - 1; break;
    case VK_SPACE:
        if (FMultiSelect && Shift.Contains(ssCtrl) && FFocused >= 0)
            SelectIndex(FFocused, !IsSelected(FFocused));
        return;
    default: return;
    }
    if (Index < 0)
        Index = 0;
    UserSelect(Index, Shift);
}

void TCustomListView::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (CanFocus() && !Focused())
        SetFocus();
    if (Y < HeaderHeight()) {
        const int Edge = Button == mbLeft ? ColumnEdgeAt(X) : -1;
        if (Edge >= 0) {
            FSizing = Edge;
            FSizingStartX = X;
            FSizingStartWidth = FColumns[Edge]->Width();
            TWinControl::MouseDown(Button, Shift, X, Y);
            return;
        }
        // A click on a column's title.
        int Left = -FScrollX;
        for (int I = 0; I < FColumns.Count(); ++I) {
            const int Right = Left + FColumns[I]->Width();
            if (X >= Left && X < Right && Button == mbLeft) {
                OnColumnClick(this, FColumns[I]);
                break;
            }
            Left = Right;
        }
        TWinControl::MouseDown(Button, Shift, X, Y);
        return;
    }
    const int Index = IndexAt(X, Y);
    if (Index >= 0) {
        if (Button == mbLeft || !IsSelected(Index))
            UserSelect(Index, Button == mbLeft ? Shift : TShiftState {});
    } else if (Button == mbLeft && !Shift.Contains(ssCtrl)) {
        ClearSelection();
    }
    TWinControl::MouseDown(Button, Shift, X, Y);
}

int TCustomListView::ColumnEdgeAt(int X) const
{
    if (FViewStyle != vsReport)
        return -1;
    int Right = -FScrollX;
    for (int I = 0; I < FColumns.Count(); ++I) {
        Right += FColumns[I]->Width();
        if (std::abs(Right - X) <= 3)
            return I;
    }
    return -1;
}

void TCustomListView::MouseMove(TShiftState Shift, int X, int Y)
{
    TWinControl::MouseMove(Shift, X, Y);
    if (FSizing < 0) {
        if (Y < HeaderHeight())
            SetCursor(ColumnEdgeAt(X) >= 0 ? crHSplit : crDefault);
        return;
    }
    FColumns[FSizing]->SetWidth(FSizingStartWidth + X - FSizingStartX);
}

void TCustomListView::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TWinControl::MouseUp(Button, Shift, X, Y);
    if (Button == mbLeft)
        FSizing = -1;
}

bool TCustomListView::DoMouseWheelDown(TShiftState Shift, TPoint MousePos)
{
    if (TWinControl::DoMouseWheelDown(Shift, MousePos))
        return true;
    SetTopIndex(FTopIndex + WheelScrollLines);
    return true;
}

bool TCustomListView::DoMouseWheelUp(TShiftState Shift, TPoint MousePos)
{
    if (TWinControl::DoMouseWheelUp(Shift, MousePos))
        return true;
    SetTopIndex(FTopIndex - WheelScrollLines);
    return true;
}

void TCustomListView::WMGetDlgCode(TMessageRecord& Message)
{
    Message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS;
}

void TCustomListView::DrawRow(TCanvas& C, int Index, const TRect& Row)
{
    TListItem* Item = GetItem(Index);
    const bool Sel = IsSelected(Index) && (Focused() || !FHideSelection);
    const TColor TextColor = !Enabled() ? clGrayText : Sel ? clHighlightText : Font()->Color();
    int X = Row.Left + 2;
    if (FStateImages && Item->StateIndex() >= 0) {
        FStateImages->Draw(&C, X, Row.Top + (Row.Height() - FStateImages->Height()) / 2, Item->StateIndex(),
            Enabled());
        X += FStateImages->Width();
    }
    if (FSmallImages && Item->ImageIndex() >= 0) {
        FSmallImages->Draw(&C, X, Row.Top + (Row.Height() - FSmallImages->Height()) / 2, Item->ImageIndex(),
            Enabled());
        X += FSmallImages->Width() + 2;
    }
    const bool Report = FViewStyle == vsReport && FColumns.Count() > 0;
    const int FirstRight = Report ? Row.Left + FColumns[0]->Width() : Row.Right;
    TRect Text {X, Row.Top, FirstRight - 2, Row.Bottom};
    if (Sel) {
        // The selection covers the whole row with RowSelect, else the caption.
        TRect Band = FRowSelect && Report ? TRect {X, Row.Top, Row.Right, Row.Bottom}
                                          : TRect {X, Row.Top, std::min(FirstRight, X + MeasureTextWidth(Font(), Item->Caption()) + 4), Row.Bottom};
        C.Brush()->SetColor(Focused() ? clHighlight : clBtnFace);
        C.FillRect(Band);
    }
    DrawAlignedText(C, {Text.Left + 2, Text.Top, Text.Right, Text.Bottom}, Item->Caption(),
        Report ? FColumns[0]->Alignment() : taLeftJustify, Sel ? TextColor : (Enabled() ? Font()->Color() : clGrayText));
    if (!Report)
        return;
    int Left = FirstRight;
    for (int Col = 1; Col < FColumns.Count(); ++Col) {
        const int Right = Left + FColumns[Col]->Width();
        const AnsiString S = Col - 1 < Item->SubItems()->Count() ? Item->SubItems()->Strings(Col - 1) : AnsiString();
        const TColor Color = Sel && FRowSelect ? TextColor : (Enabled() ? Font()->Color() : clGrayText);
        DrawAlignedText(C, {Left + 6, Row.Top, Right - 6, Row.Bottom}, S, FColumns[Col]->Alignment(),
            Color);
        Left = Right;
    }
}

void TCustomListView::PaintWindow(HDC DC)
{
    CanvasOnDC P(DC, Font());
    TCanvas& C = P.Canvas();
    const TRect Client = ClientRect();
    C.Brush()->SetColor(Color());
    C.FillRect(Client);
    const bool Report = FViewStyle == vsReport && FColumns.Count() > 0;
    const int Header = HeaderHeight();
    for (int I = FTopIndex; I < FItems.Count(); ++I) {
        const TRect Row = ItemRect(I);
        if (Row.Top >= Client.Bottom)
            break;
        C.Font()->Assign(Font());
        if (FOwnerDraw && Report) {
            TOwnerDrawState State;
            if (IsSelected(I))
                State.Include(odSelected);
            if (I == FFocused)
                State.Include(odFocused);
            // The canvas is lent for the handler only, exceptions included.
            struct Lend {
                TCanvas*& Slot;
                ~Lend() { Slot = nullptr; }
            } Lent {FPaintCanvas};
            FPaintCanvas = &C;
            OnDrawItem(this, GetItem(I), Row, State);
            continue;
        }
        DrawRow(C, I, Row);
        if (I == FFocused && Focused()) {
            C.Brush()->SetColor(Color());
            C.DrawFocusRect(FRowSelect || !Report ? Row : TRect {Row.Left, Row.Top, Row.Left + FColumns[0]->Width(), Row.Bottom});
        }
        if (FGridLines && Report) {
            C.Pen()->SetColor(clBtnFace);
            C.MoveTo(Row.Left, Row.Bottom - 1);
            C.LineTo(Row.Right, Row.Bottom - 1);
        }
    }
    if (FGridLines && Report) {
        int X = -FScrollX;
        C.Pen()->SetColor(clBtnFace);
        for (int Col = 0; Col < FColumns.Count(); ++Col) {
            X += FColumns[Col]->Width();
            C.MoveTo(X - 1, Header);
            C.LineTo(X - 1, Client.Bottom);
        }
    }
    if (!Header)
        return;
    // Column titles as header buttons; the space after the last column too.
    int Left = -FScrollX;
    C.Font()->Assign(Font());
    for (int Col = 0; Col <= FColumns.Count(); ++Col) {
        const int Right = Col < FColumns.Count() ? Left + FColumns[Col]->Width() : std::max(Left, Client.Right);
        TRect R {Left, 0, Right, Header};
        C.Brush()->SetColor(clBtnFace);
        C.FillRect(R);
        TRect Edge = R;
        DrawEdge(C.Handle(), Edge, EDGE_RAISED, BF_RECT);
        if (Col < FColumns.Count())
            DrawAlignedText(C, {Left + 6, 0, Right - 6, Header}, FColumns[Col]->Caption(),
                FColumns[Col]->Alignment(), clBtnText);
        Left = Right;
    }
}

// ---- tree nodes -------------------------------------------------------------------------------------

TTreeNode::TTreeNode(TTreeNodes* Owner, TTreeNode* Parent) : FOwner(Owner), FParent(Parent) {}

TTreeNode::~TTreeNode() = default;

void TTreeNode::SetText(const AnsiString& Value)
{
    FText = Value;
    FTextWidth = -1;
    FOwner->Changed();
}

void TTreeNode::SetImageIndex(int Value)
{
    FImageIndex = Value;
    FOwner->Changed();
}

void TTreeNode::SetSelectedIndex(int Value)
{
    FSelectedIndex = Value;
    FOwner->Changed();
}

TTreeNode* TTreeNode::Item(int Index) const
{
    if (Index < 0 || Index >= Count())
        ListIndexError(Index);
    return FChildren[static_cast<size_t>(Index)].get();
}

int TTreeNode::Index() const
{
    if (!FParent)
        return -1;
    const auto& C = FParent->FChildren;
    for (size_t I = 0; I < C.size(); ++I)
        if (C[I].get() == this)
            return static_cast<int>(I);
    return -1;
}

int TTreeNode::Level() const
{
    int L = -1;
    for (const TTreeNode* P = FParent; P; P = P->FParent)
        ++L;
    return L;
}

int TTreeNode::AbsoluteIndex() const
{
    int N = 0;
    for (TTreeNode* Node = FOwner->GetFirstNode(); Node; Node = Node->GetNext(), ++N)
        if (Node == this)
            return N;
    return -1;
}

void TTreeNode::SetExpanded(bool Value)
{
    if (FExpanded == Value)
        return;
    FExpanded = Value;
    FOwner->FOwner->NodeExpandedChanged(this);
}

void TTreeNode::Expand(bool Recurse)
{
    SetExpanded(true);
    if (Recurse)
        for (auto& C : FChildren)
            C->Expand(true);
}

void TTreeNode::Collapse(bool Recurse)
{
    SetExpanded(false);
    if (Recurse)
        for (auto& C : FChildren)
            C->Collapse(true);
}

bool TTreeNode::Selected() const
{
    return FOwner->FOwner->FSelected == this;
}

void TTreeNode::SetSelected(bool Value)
{
    TCustomTreeView* TV = FOwner->FOwner;
    if (Value)
        TV->SetSelected(this);
    else if (TV->FSelected == this)
        TV->SetSelected(nullptr);
}

TTreeNode* TTreeNode::GetNextSibling() const
{
    if (!FParent)
        return nullptr;
    const int I = Index();
    return I + 1 < FParent->Count() ? FParent->FChildren[static_cast<size_t>(I + 1)].get() : nullptr;
}

TTreeNode* TTreeNode::GetPrevSibling() const
{
    if (!FParent)
        return nullptr;
    const int I = Index();
    return I > 0 ? FParent->FChildren[static_cast<size_t>(I - 1)].get() : nullptr;
}

TTreeNode* TTreeNode::GetNext() const
{
    if (!FChildren.empty())
        return FChildren.front().get();
    for (const TTreeNode* N = this; N && N->FParent; N = N->FParent)
        if (TTreeNode* S = N->GetNextSibling())
            return S;
    return nullptr;
}

bool TTreeNode::IsVisible() const
{
    for (const TTreeNode* P = FParent; P && P->FParent; P = P->FParent)
        if (!P->FExpanded)
            return false;
    return true;
}

void TTreeNode::Delete()
{
    FOwner->Delete(this);
}

void TTreeNode::DeleteChildren()
{
    while (!FChildren.empty())
        FOwner->Delete(FChildren.back().get());
}

TTreeNodes::TTreeNodes(TCustomTreeView* Owner)
    : FOwner(Owner), FRoot(std::make_unique<TTreeNode>(this, nullptr))
{
    FRoot->FExpanded = true;
}

TTreeNodes::~TTreeNodes() = default;

int TTreeNodes::Count() const
{
    int N = 0;
    for (TTreeNode* Node = GetFirstNode(); Node; Node = Node->GetNext())
        ++N;
    return N;
}

TTreeNode* TTreeNodes::Item(int Index) const
{
    int N = 0;
    for (TTreeNode* Node = GetFirstNode(); Node; Node = Node->GetNext(), ++N)
        if (N == Index)
            return Node;
    ListIndexError(Index);
}

TTreeNode* TTreeNodes::GetFirstNode() const
{
    return FRoot->GetFirstChild();
}

TTreeNode* TTreeNodes::Add(TTreeNode* Sibling, const AnsiString& S)
{
    return AddChildObject(Sibling ? Sibling->Parent() : nullptr, S, nullptr);
}

TTreeNode* TTreeNodes::AddObject(TTreeNode* Sibling, const AnsiString& S, void* Ptr)
{
    return AddChildObject(Sibling ? Sibling->Parent() : nullptr, S, Ptr);
}

TTreeNode* TTreeNodes::AddChild(TTreeNode* Parent, const AnsiString& S)
{
    return AddChildObject(Parent, S, nullptr);
}

TTreeNode* TTreeNodes::AddChildObject(TTreeNode* Parent, const AnsiString& S, void* Ptr)
{
    TTreeNode* P = Parent ? Parent : FRoot.get();
    assert(P->FOwner == this && "a node of this tree is expected");
    P->FChildren.push_back(std::make_unique<TTreeNode>(this, P));
    TTreeNode* Node = P->FChildren.back().get();
    Node->FText = S;
    Node->FData = Ptr;
    Changed();
    return Node;
}

void TTreeNodes::Delete(TTreeNode* Node)
{
    if (!Node || Node == FRoot.get())
        return;
    FOwner->NodeDeleting(Node);
    auto& C = Node->FParent->FChildren;
    const auto It = std::find_if(C.begin(), C.end(), [&](const auto& P) { return P.get() == Node; });
    if (It != C.end())
        C.erase(It);
    Changed();
}

void TTreeNodes::Clear()
{
    FOwner->FSelected = nullptr;
    FRoot->FChildren.clear();
    FOwner->FTopIndex = 0;
    Changed();
}

void TTreeNodes::BeginUpdate()
{
    ++FUpdateCount;
}

void TTreeNodes::EndUpdate()
{
    if (FUpdateCount > 0 && --FUpdateCount == 0)
        Changed();
}

void TTreeNodes::Changed()
{
    if (FUpdateCount == 0)
        FOwner->Invalidate();
}

// ---- TCustomTreeView --------------------------------------------------------------------------------

TCustomTreeView::TCustomTreeView(TComponent* AOwner) : TWinControl(AOwner)
{
    FTabStop = true;
    FColor = clWindow;
    FParentColor = false;
    SetBounds(FLeft, FTop, 121, 97);
}

TCustomTreeView::~TCustomTreeView()
{
    // The nodes go before the control's own state.
    FSelected = nullptr;
}

void TCustomTreeView::CreateParams(TCreateParams& Params)
{
    TWinControl::CreateParams(Params);
    Params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TCustomTreeView::CreateWnd()
{
    TWinControl::CreateWnd();
    UpdateScrollBars();
}

// Adding, deleting, opening and closing nodes all repaint, so the bars
// follow here.
void TCustomTreeView::Invalidate()
{
    TWinControl::Invalidate();
    UpdateScrollBars();
}

int TCustomTreeView::NodeLeft(TTreeNode* Node) const
{
    return (Node->Level() + (FShowRoot ? 1 : 0)) * FIndent;
}

int TCustomTreeView::RowsWidth(const std::vector<TTreeNode*>& Rows)
{
    const int ImageWidth = FImages ? FImages->Width() + 2 : 0;
    int Widest = 0;
    // The bars follow every change of the nodes: each text is measured once.
    for (TTreeNode* Node : Rows) {
        if (Node->FTextWidth < 0)
            Node->FTextWidth = MeasureTextWidth(Font(), Node->Text());
        Widest = std::max(Widest, NodeLeft(Node) + ImageWidth + Node->FTextWidth + 4);
    }
    return Widest;
}

void TCustomTreeView::CMFontChanged(TMessageRecord& Message)
{
    for (TTreeNode* N = FNodes.GetFirstNode(); N; N = N->GetNext())
        N->FTextWidth = -1;
    TWinControl::CMFontChanged(Message);
}

void TCustomTreeView::UpdateScrollBars()
{
    if (!HandleAllocated() || FSyncingBars || FNodes.FUpdateCount > 0)
        return;
    FSyncingBars = true;
    const std::vector<TTreeNode*> Rows = VisibleNodes();
    const int Wide = RowsWidth(Rows);
    // Each bar takes room from the other's page: twice settles both.
    for (int Pass = 0; Pass < 2; ++Pass) {
        FScrollX = SyncScrollBar(FHandle, SB_HORZ, Wide, ClientWidth(), FScrollX);
        FTopIndex = SyncScrollBar(FHandle, SB_VERT, static_cast<int>(Rows.size()), ClientHeight() / RowHeight(),
            FTopIndex);
    }
    FSyncingBars = false;
}

void TCustomTreeView::SetTopIndex(int Value)
{
    const int Rows = static_cast<int>(VisibleNodes().size());
    Value = std::clamp(Value, 0, std::max(0, Rows - ClientHeight() / RowHeight()));
    if (Value == FTopIndex)
        return;
    FTopIndex = Value;
    Invalidate();
}

void TCustomTreeView::WMSize(TWMSize& Message)
{
    TWinControl::WMSize(Message);
    UpdateScrollBars();
}

void TCustomTreeView::WMVScroll(TWMScroll& Message)
{
    if (Message.ScrollBar) {
        TWinControl::WMVScroll(Message);
        return;
    }
    SetTopIndex(ScrolledPos(FHandle, SB_VERT, Message.ScrollCode, 1));
}

void TCustomTreeView::WMHScroll(TWMScroll& Message)
{
    if (Message.ScrollBar) {
        TWinControl::WMHScroll(Message);
        return;
    }
    const int X = ScrolledPos(FHandle, SB_HORZ, Message.ScrollCode, FIndent);
    if (X != FScrollX) {
        FScrollX = X;
        Invalidate();
    }
}

bool TCustomTreeView::DoMouseWheelDown(TShiftState Shift, TPoint MousePos)
{
    if (!TWinControl::DoMouseWheelDown(Shift, MousePos))
        SetTopIndex(FTopIndex + WheelScrollLines);
    return true;
}

bool TCustomTreeView::DoMouseWheelUp(TShiftState Shift, TPoint MousePos)
{
    if (!TWinControl::DoMouseWheelUp(Shift, MousePos))
        SetTopIndex(FTopIndex - WheelScrollLines);
    return true;
}

void TCustomTreeView::SetSelected(TTreeNode* Node)
{
    if (FSelected == Node)
        return;
    FSelected = Node;
    if (Node)
        MakeVisible(Node);
    Invalidate();
    OnChange(this, Node);
}

void TCustomTreeView::SetImages(TCustomImageList* Value)
{
    FImages = Value;
    if (Value)
        Value->FreeNotification(this);
    Invalidate();
}

void TCustomTreeView::Notification(TComponent* AComponent, TOperation Operation)
{
    TWinControl::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FImages)
        FImages = nullptr;
}

void TCustomTreeView::SetShowLines(bool Value)
{
    FShowLines = Value;
    Invalidate();
}

void TCustomTreeView::SetShowRoot(bool Value)
{
    FShowRoot = Value;
    Invalidate();
}

void TCustomTreeView::SetShowButtons(bool Value)
{
    FShowButtons = Value;
    Invalidate();
}

void TCustomTreeView::SetIndent(int Value)
{
    FIndent = std::max(Value, 1);
    Invalidate();
}

void TCustomTreeView::FullExpand()
{
    for (TTreeNode* N = FNodes.GetFirstNode(); N; N = N->GetNextSibling())
        N->Expand(true);
}

void TCustomTreeView::FullCollapse()
{
    for (TTreeNode* N = FNodes.GetFirstNode(); N; N = N->GetNextSibling())
        N->Collapse(true);
}

std::vector<TTreeNode*> TCustomTreeView::VisibleNodes() const
{
    std::vector<TTreeNode*> List;
    for (TTreeNode* N = FNodes.GetFirstNode(); N; N = N->GetNext())
        if (N->IsVisible())
            List.push_back(N);
    return List;
}

int TCustomTreeView::RowHeight()
{
    int H = MeasureTextHeight(Font()) + 3;
    if (FImages)
        H = std::max(H, FImages->Height() + 1);
    return H;
}

TTreeNode* TCustomTreeView::GetNodeAt(int, int Y)
{
    if (Y < 0)
        return nullptr;
    const std::vector<TTreeNode*> Rows = VisibleNodes();
    const size_t I = static_cast<size_t>(FTopIndex + Y / RowHeight());
    return I < Rows.size() ? Rows[I] : nullptr;
}

void TCustomTreeView::NodeDeleting(TTreeNode* Node)
{
    for (TTreeNode* S = FSelected; S; S = S->Parent())
        if (S == Node) {
            // The selection moves to a neighbour that stays.
            TTreeNode* Next = Node->GetNextSibling();
            if (!Next)
                Next = Node->GetPrevSibling();
            if (!Next && Node->Parent() && Node->Parent() != FNodes.FRoot.get())
                Next = Node->Parent();
            FSelected = nullptr;
            SetSelected(Next);
            return;
        }
}

void TCustomTreeView::NodeExpandedChanged(TTreeNode* Node)
{
    if (Node->Expanded())
        OnExpanded(this, Node);
    else
        OnCollapsed(this, Node);
    // A selection inside a closed node moves to that node.
    if (!Node->Expanded())
        for (TTreeNode* P = FSelected ? FSelected->Parent() : nullptr; P; P = P->Parent())
            if (P == Node) {
                SetSelected(Node);
                break;
            }
    const int Rows = static_cast<int>(VisibleNodes().size());
    FTopIndex = std::clamp(FTopIndex, 0, std::max(0, Rows - 1));
    Invalidate();
}

void TCustomTreeView::MakeVisible(TTreeNode* Node)
{
    for (TTreeNode* P = Node->Parent(); P && P != FNodes.FRoot.get(); P = P->Parent())
        if (!P->Expanded())
            P->SetExpanded(true);
    const std::vector<TTreeNode*> Rows = VisibleNodes();
    const int Index = static_cast<int>(std::find(Rows.begin(), Rows.end(), Node) - Rows.begin());
    const int Shown = std::max(1, ClientHeight() / RowHeight());
    if (Index < FTopIndex)
        FTopIndex = Index;
    else if (Index >= FTopIndex + Shown)
        FTopIndex = Index - Shown + 1;
}

void TCustomTreeView::KeyDown(Word& Key, TShiftState Shift)
{
    TWinControl::KeyDown(Key, Shift);
    const std::vector<TTreeNode*> Rows = VisibleNodes();
    if (Key == 0 || Rows.empty())
        return;
    int Index = static_cast<int>(std::find(Rows.begin(), Rows.end(), FSelected) - Rows.begin());
    const int Count = static_cast<int>(Rows.size());
    if (Index == Count)
        Index = -1;
    switch (Key) {
    case VK_UP: SetSelected(Rows[static_cast<size_t>(std::max(0, Index - 1))]); break;
    case VK_DOWN: SetSelected(Rows[static_cast<size_t>(std::min(Count - 1, Index + 1))]); break;
    case VK_HOME: SetSelected(Rows.front()); break;
    case VK_END: SetSelected(Rows.back()); break;
    case VK_PRIOR:
    case VK_NEXT: {
        const int Step = std::max(ClientHeight() / RowHeight() - 1, 1);
        const int To = Key == VK_PRIOR ? std::max(0, Index - Step) : std::min(Count - 1, std::max(Index, 0) + Step);
        SetSelected(Rows[static_cast<size_t>(To)]);
        break;
    }
    case VK_LEFT:
        if (!FSelected)
            break;
        if (FSelected->Expanded() && FSelected->HasChildren())
            FSelected->Collapse(false);
        else if (FSelected->Parent() && FSelected->Parent() != FNodes.FRoot.get())
            SetSelected(FSelected->Parent());
        break;
    case VK_RIGHT:
        if (!FSelected || !FSelected->HasChildren())
            break;
        if (!FSelected->Expanded())
            FSelected->Expand(false);
        else
            SetSelected(FSelected->GetFirstChild());
        break;
    case VK_ADD:
        if (FSelected)
            FSelected->Expand(false);
        break;
    case VK_SUBTRACT:
        if (FSelected)
            FSelected->Collapse(false);
        break;
    default: return;
    }
    Invalidate();
}

void TCustomTreeView::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (CanFocus() && !Focused())
        SetFocus();
    if (TTreeNode* Node = GetNodeAt(X, Y)) {
        X += FScrollX;
        const int Offset = NodeLeft(Node);
        // The button square left of the node opens or closes it.
        if (Node->HasChildren() && X < Offset && X >= Offset - FIndent)
            Node->SetExpanded(!Node->Expanded());
        else
            SetSelected(Node);
        if (Button == mbLeft && Shift.Contains(ssDouble) && Node->HasChildren() && X >= Offset)
            Node->SetExpanded(!Node->Expanded());
    }
    TWinControl::MouseDown(Button, Shift, X, Y);
}

void TCustomTreeView::WMGetDlgCode(TMessageRecord& Message)
{
    Message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS;
}

namespace {

// Connector lines are dotted: every other pixel, on a grid fixed to the
// window, so that lines meeting at a corner keep the pattern.
void DottedLine(TCanvas& C, int X1, int Y1, int X2, int Y2, TColor Color)
{
    for (int X = X1; X <= X2; ++X)
        for (int Y = Y1; Y <= Y2; ++Y)
            if (((X + Y) & 1) == 0)
                C.SetPixels(X, Y, Color);
}

}  // namespace

void TCustomTreeView::PaintConnectors(TCanvas& C, TTreeNode* Node, int Left, int Top, int H)
{
    const TTreeNode* Root = FNodes.FRoot.get();
    const int Mid = Top + H / 2;
    const int Bottom = Top + H - 1;
    // Top-level nodes without ShowRoot have no column of their own.
    if (Left >= FIndent) {
        const int X = Left - FIndent / 2;
        DottedLine(C, X, Mid, Left - 1, Mid, clGrayText);
        const bool FirstOfAll = Node->Parent() == Root && !Node->GetPrevSibling();
        DottedLine(C, X, FirstOfAll ? Mid : Top, X, Node->GetNextSibling() ? Bottom : Mid, clGrayText);
    }
    // Ancestors with siblings still to come run their line past this row.
    int AncestorLeft = Left - FIndent;
    for (TTreeNode* P = Node->Parent(); P && P != Root; P = P->Parent()) {
        if (AncestorLeft >= FIndent && P->GetNextSibling())
            DottedLine(C, AncestorLeft - FIndent / 2, Top, AncestorLeft - FIndent / 2, Bottom, clGrayText);
        AncestorLeft -= FIndent;
    }
}

void TCustomTreeView::PaintWindow(HDC DC)
{
    CanvasOnDC P(DC, Font());
    TCanvas& C = P.Canvas();
    const TRect Client = ClientRect();
    C.Brush()->SetColor(Color());
    C.FillRect(Client);
    const std::vector<TTreeNode*> Rows = VisibleNodes();
    const int H = RowHeight();
    for (size_t I = static_cast<size_t>(FTopIndex); I < Rows.size(); ++I) {
        const int Top = (static_cast<int>(I) - FTopIndex) * H;
        if (Top >= Client.Bottom)
            break;
        TTreeNode* Node = Rows[I];
        int X = NodeLeft(Node) - FScrollX;
        const int Mid = Top + H / 2;
        if (FShowLines)
            PaintConnectors(C, Node, X, Top, H);
        if (FShowButtons && Node->HasChildren() && X >= FIndent) {
            const int BX = X - FIndent / 2;
            C.Pen()->SetColor(clGrayText);
            C.Brush()->SetColor(Color());
            C.Rectangle(BX - 4, Mid - 4, BX + 5, Mid + 5);
            C.Pen()->SetColor(clWindowText);
            C.MoveTo(BX - 2, Mid);
            C.LineTo(BX + 3, Mid);
            if (!Node->Expanded()) {
                C.MoveTo(BX, Mid - 2);
                C.LineTo(BX, Mid + 3);
            }
        }
        if (FImages) {
            const int Image = Node == FSelected && Node->SelectedIndex() >= 0 ? Node->SelectedIndex() : Node->ImageIndex();
            if (Image >= 0)
                FImages->Draw(&C, X + 1, Top + (H - FImages->Height()) / 2, Image, Enabled());
            X += FImages->Width() + 2;
        }
        const int W = MeasureTextWidth(Font(), Node->Text()) + 4;
        const TRect R {X, Top, X + W, Top + H};
        const bool Sel = Node == FSelected;
        if (Sel) {
            C.Brush()->SetColor(Focused() ? clHighlight : clBtnFace);
            C.FillRect(R);
        }
        C.Font()->Assign(Font());
        DrawAlignedText(C, {R.Left + 2, R.Top, R.Right, R.Bottom}, Node->Text(), taLeftJustify,
            !Enabled() ? clGrayText : Sel && Focused() ? clHighlightText : Font()->Color());
        if (Sel && Focused())
            C.DrawFocusRect(R);
    }
}

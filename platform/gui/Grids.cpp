#include "platform/gui/Grids.h"

#include "platform/gui/StdPrivate.h"
#include "platform/classes/Strings.h"

#include <algorithm>

const char* const SGridIndexOutOfRange = "Grid index out of range";
const char* const SFixedColTooBig = "Fixed column count must be less than column count";
const char* const SFixedRowTooBig = "Fixed row count must be less than row count";

namespace {

[[noreturn]] void InvalidOp(const char* Text)
{
    throw EInvalidGridOperation(Text);
}

TGridRect GridRect(TGridCoord A, TGridCoord B)
{
    return {std::min(A.X, B.X), std::min(A.Y, B.Y), std::max(A.X, B.X), std::max(A.Y, B.Y)};
}

bool PointInGridRect(int Col, int Row, const TGridRect& R)
{
    return Col >= R.Left && Col <= R.Right && Row >= R.Top && Row <= R.Bottom;
}

void Restrict(TGridCoord& Coord, int MinX, int MinY, int MaxX, int MaxY)
{
    Coord.X = std::max(MinX, std::min(Coord.X, MaxX));
    Coord.Y = std::max(MinY, std::min(Coord.Y, MaxY));
}

/// Moves the element at From to To, shifting those between.
template <class T>
void MoveItem(std::vector<T>& V, int From, int To)
{
    if (From < 0 || To < 0 || From >= static_cast<int>(V.size()) || To >= static_cast<int>(V.size()))
        return;
    T Item = std::move(V[static_cast<size_t>(From)]);
    V.erase(V.begin() + From);
    V.insert(V.begin() + To, std::move(Item));
}

/// Width of the scroll bars the grid draws.
int BarWidth() { return GetSystemMetrics(SM_CXVSCROLL); }
int BarHeight() { return GetSystemMetrics(SM_CYHSCROLL); }

/// Index of a cell that moved from From to To, for a cell at Index before.
int MovedIndex(int Index, int From, int To)
{
    if (Index == From)
        return To;
    if (From < To && Index > From && Index <= To)
        return Index - 1;
    if (From > To && Index >= To && Index < From)
        return Index + 1;
    return Index;
}

} // namespace

// ---- metaclasses ---------------------------------------------------------------------------

PTypeInfo TypeInfoOf(const TGridOption*)
{
    static const TTypeInfo Info = EnumTypeInfo(
        "TGridOption", {"goFixedVertLine", "goFixedHorzLine", "goVertLine", "goHorzLine", "goRangeSelect",
                        "goDrawFocusSelected", "goRowSizing", "goColSizing", "goRowMoving", "goColMoving",
                        "goEditing", "goTabs", "goRowSelect", "goAlwaysShowEditor", "goThumbTracking"});
    return &Info;
}

PTypeInfo TypeInfoOf(const TGridOptions*)
{
    static const TTypeInfo Info = SetTypeInfo("TGridOptions", TypeInfo<TGridOption>());
    return &Info;
}

PRICETAGS_DEFINE_CLASS(TInplaceEdit)

PRICETAGS_DEFINE_CLASS(TCustomGrid)

PRICETAGS_DEFINE_CLASS(TDrawGrid)

PRICETAGS_DEFINE_CLASS(TStringGrid)

// ---- TInplaceEdit ----------------------------------------------------------------------------

TInplaceEdit::TInplaceEdit(TComponent* AOwner) : TCustomMaskEdit(AOwner)
{
    SetParentCtl3D(false);
    SetCtl3D(false);
    FTabStop = false;
    FBorderStyle = bsNone;
    FAutoSize = false;
    FVisible = false;
}

TInplaceEdit::~TInplaceEdit() = default;

void TInplaceEdit::CreateParams(TCreateParams& Params)
{
    inherited::CreateParams(Params);
    Params.Style |= ES_MULTILINE;
}

void TInplaceEdit::NotifyChanged()
{
    // The grid learns of the change by EN_CHANGE; OnChange is left to
    // whoever handles that notification.
    if (Parent() && HandleAllocated())
        Parent()->Perform(WM_COMMAND, MakeWParam(0, EN_CHANGE), reinterpret_cast<LPARAM>(Handle()));
}

bool TInplaceEdit::EditCanModify()
{
    return FGrid ? FGrid->CanEditModify() : true;
}

void TInplaceEdit::Deselect()
{
    FSelStart = GetTextLen();
    FSelLength = 0;
    Invalidate();
}

bool TInplaceEdit::Showing() const
{
    return Visible() && TCustomMaskEdit::Showing();
}

void TInplaceEdit::HideEdit()
{
    if (!Visible())
        return;
    const bool HadFocus = HandleAllocated() && Focused();
    Hide();
    if (HadFocus && FGrid && FGrid->CanFocus())
        FGrid->SetFocus();
}

void TInplaceEdit::InternalMove(const TRect& Loc, bool Redraw)
{
    if (IsRectEmpty(Loc)) {
        HideEdit();
        return;
    }
    HandleNeeded();
    SetBounds(Loc.Left, Loc.Top, Loc.Width(), Loc.Height());
    Show();
    BoundsChanged();
    if (Redraw)
        Invalidate();
    if (FGrid && FGrid->HandleAllocated() && FGrid->Focused())
        TCustomMaskEdit::SetFocus();
}

void TInplaceEdit::Move(const TRect& Loc)
{
    InternalMove(Loc, true);
}

void TInplaceEdit::UpdateLoc(const TRect& Loc)
{
    InternalMove(Loc, false);
}

bool TInplaceEdit::PosEqual(const TRect& Rect) const
{
    return BoundsRect() == Rect;
}

void TInplaceEdit::SetFocus()
{
    if (Visible() && CanFocus())
        TCustomMaskEdit::SetFocus();
}

void TInplaceEdit::BoundsChanged()
{
    TRect R = Rect(2, 2, Width() - 2, Height());
    Perform(EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&R));
    Perform(EM_SCROLLCARET);
}

void TInplaceEdit::UpdateContents()
{
    if (!FGrid)
        return;
    SetText(AnsiString());
    SetEditMask(FGrid->GetEditMask(FGrid->Col(), FGrid->Row()));
    SetText(FGrid->GetEditText(FGrid->Col(), FGrid->Row()));
    SetMaxLength(FGrid->GetEditLimit());
}

void TInplaceEdit::WMGetDlgCode(TMessageRecord& Message)
{
    Message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS;
    if (FGrid && FGrid->Options().Contains(goTabs))
        Message.Result |= DLGC_WANTTAB;
}

void TInplaceEdit::WMSetFocus(TWMSetFocus& Message)
{
    inherited::WMSetFocus(Message);
}

void TInplaceEdit::WMKillFocus(TWMKillFocus& Message)
{
    inherited::WMKillFocus(Message);
}

void TInplaceEdit::KeyDown(Word& Key, TShiftState Shift)
{
    if (!FGrid) {
        inherited::KeyDown(Key, Shift);
        return;
    }
    const bool Ctrl = Shift.Contains(ssCtrl);
    const bool ForwardMovement = FGrid->Options().Contains(goAlwaysShowEditor);
    const int Len = GetTextLen();
    const int SelEnd = FSelStart + FSelLength;
    const bool LeftSide = FSelStart == 0 && (SelEnd == 0 || SelEnd == Len);
    const bool RightSide = (FSelStart == 0 || SelEnd == FSelStart) && SelEnd == Len;
    auto SendToParent = [&] {
        FGrid->KeyDown(Key, Shift);
        Key = 0;
    };
    switch (Key) {
    case VK_UP:
    case VK_DOWN:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_ESCAPE:
        SendToParent();
        break;
    case VK_INSERT:
        if (Shift.Empty())
            SendToParent();
        else if (Shift == TShiftState{ssShift} && !FGrid->CanEditModify())
            Key = 0;
        break;
    case VK_LEFT:
    case VK_HOME:
        if (ForwardMovement && (Ctrl || LeftSide))
            SendToParent();
        break;
    case VK_RIGHT:
    case VK_END:
        if (ForwardMovement && (Ctrl || RightSide))
            SendToParent();
        break;
    case VK_F2:
        FGrid->OnKeyDown(FGrid, Key, Shift);
        if (Key == VK_F2) {
            Deselect();
            Key = 0;
            return;
        }
        break;
    case VK_TAB:
        if (!Shift.Contains(ssAlt))
            SendToParent();
        break;
    case VK_DELETE:
        if (Ctrl)
            SendToParent();
        else if (!FGrid->CanEditModify())
            Key = 0;
        break;
    default:
        break;
    }
    if (Key != 0) {
        FGrid->OnKeyDown(FGrid, Key, Shift);
        if (Key != 0)
            inherited::KeyDown(Key, Shift);
    }
}

void TInplaceEdit::KeyPress(char& Key)
{
    if (!FGrid) {
        inherited::KeyPress(Key);
        return;
    }
    FGrid->KeyPress(Key);
    const auto B = static_cast<unsigned char>(Key);
    if (B >= 0x20 && !FGrid->CanEditAcceptKey(Key)) {
        Key = 0;
        MessageBeep(0);
    }
    switch (static_cast<unsigned char>(Key)) {
    case VK_TAB:
    case VK_ESCAPE:
        Key = 0;
        break;
    case VK_RETURN:
        if (FSelStart == 0 && FSelLength == GetTextLen())
            Deselect();
        else
            SelectAll();
        Key = 0;
        break;
    case VK_BACK:
    case 22: // Ctrl+V
    case 24: // Ctrl+X
        if (!FGrid->CanEditModify())
            Key = 0;
        break;
    default:
        if (static_cast<unsigned char>(Key) >= 0x20 && !FGrid->CanEditModify())
            Key = 0;
        break;
    }
    if (Key != 0)
        inherited::KeyPress(Key);
}

void TInplaceEdit::KeyUp(Word& Key, TShiftState Shift)
{
    if (FGrid)
        FGrid->KeyUp(Key, Shift);
}

void TInplaceEdit::DblClick()
{
    if (FGrid)
        FGrid->DblClick();
}

bool TInplaceEdit::DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos)
{
    return FGrid ? FGrid->DoMouseWheel(Shift, WheelDelta, MousePos) : false;
}

// ---- TCustomGrid: construction and properties -------------------------------------------------

TCustomGrid::TCustomGrid(TComponent* AOwner) : TCustomControl(AOwner)
{
    SetControlStyle({csCaptureMouse, csOpaque, csDoubleClicks});
    FCanEditModify = true;
    FParentColor = false;
    FColor = clWindow;
    FTabStop = true;
    FTopLeft = {FFixedCols, FFixedRows};
    FCurrent = FTopLeft;
    FAnchor = FCurrent;
    SetBounds(FLeft, FTop, FColCount * (FDefaultColWidth + FGridLineWidth),
              FRowCount * (FDefaultRowHeight + FGridLineWidth));
}

TCustomGrid::~TCustomGrid()
{
    Destroying();
    DestroyComponents();
    FInplaceEdit = nullptr;
}

void TCustomGrid::CreateParams(TCreateParams& Params)
{
    inherited::CreateParams(Params);
    Params.Style |= WS_TABSTOP;
    if (FBorderStyle == bsSingle)
        AddSingleBorder(Params, Ctl3D());
    Params.WindowClassStyle |= CS_DBLCLKS;
}

void TCustomGrid::Loaded()
{
    inherited::Loaded();
    ClampTopLeft();
}

int TCustomGrid::Extent(bool Horizontal, int Index) const
{
    return Horizontal ? ColWidths(Index) : RowHeights(Index);
}

int TCustomGrid::ColWidths(int Index) const
{
    if (Index < 0 || Index >= FColCount)
        InvalidOp(SGridIndexOutOfRange);
    return FColWidths.empty() ? FDefaultColWidth : FColWidths[static_cast<size_t>(Index)];
}

int TCustomGrid::RowHeights(int Index) const
{
    if (Index < 0 || Index >= FRowCount)
        InvalidOp(SGridIndexOutOfRange);
    return FRowHeights.empty() ? FDefaultRowHeight : FRowHeights[static_cast<size_t>(Index)];
}

void TCustomGrid::ResizeCol(int Index, int Value)
{
    if (FColWidths.empty())
        FColWidths.assign(static_cast<size_t>(FColCount), FDefaultColWidth);
    FColWidths[static_cast<size_t>(Index)] = Value;
}

void TCustomGrid::ResizeRow(int Index, int Value)
{
    if (FRowHeights.empty())
        FRowHeights.assign(static_cast<size_t>(FRowCount), FDefaultRowHeight);
    FRowHeights[static_cast<size_t>(Index)] = Value;
}

void TCustomGrid::SetColWidths(int Index, int Value)
{
    if (Index < 0 || Index >= FColCount)
        InvalidOp(SGridIndexOutOfRange);
    if (Value < 0)
        Value = 0;
    if (ColWidths(Index) == Value)
        return;
    ResizeCol(Index, Value);
    ColWidthsChanged();
}

void TCustomGrid::SetRowHeights(int Index, int Value)
{
    if (Index < 0 || Index >= FRowCount)
        InvalidOp(SGridIndexOutOfRange);
    if (Value < 0)
        Value = 0;
    if (RowHeights(Index) == Value)
        return;
    ResizeRow(Index, Value);
    RowHeightsChanged();
}

bool TCustomGrid::TabStops(int Index) const
{
    if (Index < 0 || Index >= FColCount)
        InvalidOp(SGridIndexOutOfRange);
    return FTabStops.empty() ? true : FTabStops[static_cast<size_t>(Index)];
}

void TCustomGrid::SetTabStops(int Index, bool Value)
{
    if (Index < 0 || Index >= FColCount)
        InvalidOp(SGridIndexOutOfRange);
    if (FTabStops.empty())
        FTabStops.assign(static_cast<size_t>(FColCount), true);
    FTabStops[static_cast<size_t>(Index)] = Value;
}

void TCustomGrid::SetDefaultColWidth(int Value)
{
    FColWidths.clear();
    FDefaultColWidth = Value;
    ColWidthsChanged();
    InvalidateGrid();
}

void TCustomGrid::SetDefaultRowHeight(int Value)
{
    FRowHeights.clear();
    FDefaultRowHeight = Value;
    RowHeightsChanged();
    InvalidateGrid();
}

void TCustomGrid::SetGridLineWidth(int Value)
{
    if (Value == FGridLineWidth)
        return;
    FGridLineWidth = std::max(0, Value);
    ClampTopLeft();
    InvalidateGrid();
    UpdateEdit();
}

int TCustomGrid::GridWidth() const
{
    int W = 0;
    for (int I = 0; I < FColCount; ++I)
        W += ColWidths(I) + FGridLineWidth;
    return W;
}

int TCustomGrid::GridHeight() const
{
    int H = 0;
    for (int I = 0; I < FRowCount; ++I)
        H += RowHeights(I) + FGridLineWidth;
    return H;
}

void TCustomGrid::ChangeSize(int NewColCount, int NewRowCount)
{
    const int OldColCount = FColCount;
    const int OldRowCount = FRowCount;
    if (NewColCount == OldColCount && NewRowCount == OldRowCount)
        return;
    struct Changing {
        bool& Flag;
        bool Old;
        ~Changing() { Flag = Old; }
    } Scope{FChangingSize, FChangingSize};
    FChangingSize = true;
    // Widths, heights and tab stops of the cells that stay are kept; new
    // ones take the defaults.
    if (!FColWidths.empty())
        FColWidths.resize(static_cast<size_t>(NewColCount), FDefaultColWidth);
    if (!FTabStops.empty())
        FTabStops.resize(static_cast<size_t>(NewColCount), true);
    if (!FRowHeights.empty())
        FRowHeights.resize(static_cast<size_t>(NewRowCount), FDefaultRowHeight);
    FColCount = NewColCount;
    FRowCount = NewRowCount;
    if (FTopLeft.X >= FColCount)
        FTopLeft.X = std::max(FFixedCols, FColCount - 1);
    if (FTopLeft.Y >= FRowCount)
        FTopLeft.Y = std::max(FFixedRows, FRowCount - 1);
    TGridCoord Cur = FCurrent;
    Restrict(Cur, FFixedCols, FFixedRows, FColCount - 1, FRowCount - 1);
    FCurrent = Cur;
    Restrict(FAnchor, FFixedCols, FFixedRows, FColCount - 1, FRowCount - 1);
    if (FOptions.Contains(goRowSelect)) {
        FCurrent.X = FFixedCols;
        FAnchor.X = FColCount - 1;
    }
    ClampTopLeft();
    SizeChanged(OldColCount, OldRowCount);
    InvalidateGrid();
    if (FEditorMode)
        UpdateEdit();
}

void TCustomGrid::SetColCount(int Value)
{
    if (Value < 1)
        Value = 1;
    if (Value <= FFixedCols)
        FFixedCols = Value - 1;
    ChangeSize(Value, FRowCount);
}

void TCustomGrid::SetRowCount(int Value)
{
    if (Value < 1)
        Value = 1;
    if (Value <= FFixedRows)
        FFixedRows = Value - 1;
    ChangeSize(FColCount, Value);
}

void TCustomGrid::SetFixedCols(int Value)
{
    if (Value < 0)
        InvalidOp(SGridIndexOutOfRange);
    if (Value >= FColCount)
        InvalidOp(SFixedColTooBig);
    FFixedCols = Value;
    FTopLeft.X = std::max(FTopLeft.X, Value);
    FCurrent.X = std::max(FCurrent.X, Value);
    FAnchor.X = std::max(FAnchor.X, Value);
    ClampTopLeft();
    InvalidateGrid();
    UpdateEdit();
}

void TCustomGrid::SetFixedRows(int Value)
{
    if (Value < 0)
        InvalidOp(SGridIndexOutOfRange);
    if (Value >= FRowCount)
        InvalidOp(SFixedRowTooBig);
    FFixedRows = Value;
    FTopLeft.Y = std::max(FTopLeft.Y, Value);
    FCurrent.Y = std::max(FCurrent.Y, Value);
    FAnchor.Y = std::max(FAnchor.Y, Value);
    ClampTopLeft();
    InvalidateGrid();
    UpdateEdit();
}

void TCustomGrid::SetOptions(TGridOptions Value)
{
    if (FOptions == Value)
        return;
    if (Value.Contains(goRowSelect))
        Value.Exclude(goAlwaysShowEditor);
    FOptions = Value;
    if (!FEditorMode) {
        if (Value.Contains(goAlwaysShowEditor))
            ShowEditor();
        else
            HideEditor();
    }
    if (FEditorMode && !Value.Contains(goEditing))
        HideEditor();
    if (Value.Contains(goRowSelect))
        MoveCurrent(FCurrent.X, FCurrent.Y, true, false);
    ClampTopLeft();
    InvalidateGrid();
}

void TCustomGrid::SetBorderStyle(TBorderStyle Value)
{
    if (FBorderStyle == Value)
        return;
    FBorderStyle = Value;
    if (HandleAllocated())
        RecreateWnd();
}

void TCustomGrid::SetScrollBars(TScrollStyle Value)
{
    if (FScrollBars == Value)
        return;
    FScrollBars = Value;
    ClampTopLeft();
    InvalidateGrid();
}

void TCustomGrid::SetFixedColor(TColor Value)
{
    if (FFixedColor == Value)
        return;
    FFixedColor = Value;
    InvalidateGrid();
}

void TCustomGrid::SetDefaultDrawing(bool Value)
{
    if (FDefaultDrawing == Value)
        return;
    FDefaultDrawing = Value;
    Invalidate();
}

void TCustomGrid::SetEditorMode(bool Value)
{
    if (!Value) {
        HideEditor();
    } else {
        ShowEditor();
        if (FInplaceEdit)
            FInplaceEdit->Deselect();
    }
}

void TCustomGrid::SetCol(int Value)
{
    if (Value != Col())
        FocusCell(Value, Row(), true);
}

void TCustomGrid::SetRow(int Value)
{
    if (Value != Row())
        FocusCell(Col(), Value, true);
}

void TCustomGrid::SetLeftCol(int Value)
{
    Value = std::clamp(Value, FFixedCols, std::max(FFixedCols, FColCount - 1));
    if (Value != FTopLeft.X)
        MoveTopLeft(Value, FTopLeft.Y);
}

void TCustomGrid::SetTopRow(int Value)
{
    Value = std::clamp(Value, FFixedRows, std::max(FFixedRows, FRowCount - 1));
    if (Value != FTopLeft.Y)
        MoveTopLeft(FTopLeft.X, Value);
}

TGridRect TCustomGrid::Selection() const
{
    TGridRect R = GridRect(FCurrent, FAnchor);
    if (FOptions.Contains(goRowSelect)) {
        R.Left = FFixedCols;
        R.Right = FColCount - 1;
    }
    return R;
}

void TCustomGrid::SetSelection(const TGridRect& Value)
{
    const TGridRect OldSel = Selection();
    FAnchor = {Value.Left, Value.Top};
    FCurrent = {Value.Right, Value.Bottom};
    Restrict(FAnchor, FFixedCols, FFixedRows, FColCount - 1, FRowCount - 1);
    Restrict(FCurrent, FFixedCols, FFixedRows, FColCount - 1, FRowCount - 1);
    SelectionMoved(OldSel);
}

// ---- geometry -------------------------------------------------------------------------------

TRect TCustomGrid::ClientRect()
{
    TRect R = inherited::ClientRect();
    bool Horz = false, Vert = false;
    CalcScrollBars(Horz, Vert);
    if (Vert)
        R.Right = std::max(R.Left, R.Right - BarWidth());
    if (Horz)
        R.Bottom = std::max(R.Top, R.Bottom - BarHeight());
    return R;
}

void TCustomGrid::CalcScrollBars(bool& Horz, bool& Vert)
{
    const TRect Full = TCustomControl::ClientRect();
    const bool AllowH = FScrollBars == ssHorizontal || FScrollBars == ssBoth;
    const bool AllowV = FScrollBars == ssVertical || FScrollBars == ssBoth;
    // Each bar is needed when the scrolled cells do not fit in the room the
    // other bar leaves; two passes settle the dependence.
    auto NeedAxis = [this](bool Horizontal, int Room) {
        const int Count = Horizontal ? FColCount : FRowCount;
        const int Fixed = Horizontal ? FFixedCols : FFixedRows;
        if (Count <= Fixed)
            return false;
        // Stops as soon as the cells pass the room: long grids ask this on
        // every paint and every geometry query.
        int Total = 0;
        for (int I = 0; I < Count; ++I) {
            Total += Extent(Horizontal, I) + FGridLineWidth;
            if (Total - FGridLineWidth > Room)
                return true;
        }
        return false;
    };
    Horz = false;
    Vert = false;
    for (int Pass = 0; Pass < 2; ++Pass) {
        Vert = AllowV && NeedAxis(false, Full.Height() - (Horz ? BarHeight() : 0));
        Horz = AllowH && NeedAxis(true, Full.Width() - (Vert ? BarWidth() : 0));
    }
}

void TCustomGrid::CalcAxis(TGridAxisDrawInfo& Axis, bool Horizontal)
{
    const TRect R = ClientRect();
    Axis.GridExtent = Horizontal ? R.Width() : R.Height();
    Axis.FixedCellCount = Horizontal ? FFixedCols : FFixedRows;
    Axis.FirstGridCell = Horizontal ? FTopLeft.X : FTopLeft.Y;
    Axis.GridCellCount = Horizontal ? FColCount : FRowCount;
    // The fixed lines count for the geometry as soon as either kind of line
    // of the axis is drawn.
    const bool Lines = Horizontal ? (FOptions.Contains(goFixedVertLine) || FOptions.Contains(goVertLine))
                                  : (FOptions.Contains(goFixedHorzLine) || FOptions.Contains(goHorzLine));
    Axis.EffectiveLineWidth = Lines ? FGridLineWidth : 0;
    Axis.FixedBoundary = 0;
    for (int I = 0; I < Axis.FixedCellCount; ++I)
        Axis.FixedBoundary += Extent(Horizontal, I) + Axis.EffectiveLineWidth;
    Axis.GridBoundary = Axis.FixedBoundary;
    Axis.FullVisBoundary = Axis.FixedBoundary;
    Axis.LastFullVisibleCell = Axis.FirstGridCell;
    for (int I = Axis.FirstGridCell; I < Axis.GridCellCount; ++I) {
        Axis.GridBoundary += Extent(Horizontal, I) + Axis.EffectiveLineWidth;
        if (Axis.GridBoundary > Axis.GridExtent + Axis.EffectiveLineWidth) {
            Axis.GridBoundary = Axis.GridExtent;
            break;
        }
        Axis.LastFullVisibleCell = I;
        Axis.FullVisBoundary = Axis.GridBoundary;
    }
}

void TCustomGrid::CalcDrawInfo(TGridDrawInfo& DrawInfo)
{
    CalcAxis(DrawInfo.Horz, true);
    CalcAxis(DrawInfo.Vert, false);
}

int TCustomGrid::VisibleColCount()
{
    TGridDrawInfo D;
    CalcDrawInfo(D);
    return D.Horz.LastFullVisibleCell - LeftCol() + 1;
}

int TCustomGrid::VisibleRowCount()
{
    TGridDrawInfo D;
    CalcDrawInfo(D);
    return D.Vert.LastFullVisibleCell - TopRow() + 1;
}

TGridCoord TCustomGrid::CalcMaxTopLeft(const TGridCoord& Coord, const TGridDrawInfo& DrawInfo)
{
    auto CalcMaxCell = [this](const TGridAxisDrawInfo& Axis, bool Horizontal, int Start) {
        int Result = Start;
        int Line = Axis.GridExtent + Axis.EffectiveLineWidth;
        for (int I = Start; I >= Axis.FixedCellCount; --I) {
            Line -= Extent(Horizontal, I) + Axis.EffectiveLineWidth;
            if (Line < Axis.FixedBoundary)
                break;
            Result = I;
        }
        return std::max(Result, Axis.FixedCellCount);
    };
    return {CalcMaxCell(DrawInfo.Horz, true, Coord.X), CalcMaxCell(DrawInfo.Vert, false, Coord.Y)};
}

int TCustomGrid::CellStart(const TGridAxisDrawInfo& Axis, bool Horizontal, int Index) const
{
    if (Index < Axis.FixedCellCount) {
        int Pos = 0;
        for (int I = 0; I < Index; ++I)
            Pos += Extent(Horizontal, I) + Axis.EffectiveLineWidth;
        return Pos;
    }
    if (Index < Axis.FirstGridCell)
        return -1;
    int Pos = Axis.FixedBoundary;
    for (int I = Axis.FirstGridCell; I < Index; ++I) {
        Pos += Extent(Horizontal, I) + Axis.EffectiveLineWidth;
        if (Pos >= Axis.GridExtent)
            return -1;
    }
    return Pos < Axis.GridExtent ? Pos : -1;
}

TRect TCustomGrid::BoxRect(int ALeft, int ATop, int ARight, int ABottom)
{
    TGridDrawInfo D;
    CalcDrawInfo(D);
    if (ARight < ALeft)
        std::swap(ALeft, ARight);
    if (ABottom < ATop)
        std::swap(ATop, ABottom);
    auto AxisRange = [this](const TGridAxisDrawInfo& Axis, bool Horizontal, int First, int Last, int& Start,
                            int& Stop) {
        // The visible cells of First..Last: fixed ones and those from the
        // first shown scrolled cell.
        Start = -1;
        Stop = -1;
        for (int I = First; I <= Last; ++I) {
            const int S = CellStart(Axis, Horizontal, I);
            if (S < 0)
                continue;
            if (Start < 0)
                Start = S;
            Stop = std::min(S + Extent(Horizontal, I), Axis.GridExtent);
        }
        return Start >= 0;
    };
    int X1, X2, Y1, Y2;
    if (!AxisRange(D.Horz, true, ALeft, ARight, X1, X2) || !AxisRange(D.Vert, false, ATop, ABottom, Y1, Y2))
        return TRect();
    return Rect(X1, Y1, X2, Y2);
}

TRect TCustomGrid::CellRect(int ACol, int ARow)
{
    if (ACol < 0 || ARow < 0 || ACol >= FColCount || ARow >= FRowCount)
        return TRect();
    return BoxRect(ACol, ARow, ACol, ARow);
}

TGridCoord TCustomGrid::CalcCoordFromPoint(int X, int Y, const TGridDrawInfo& DrawInfo)
{
    auto CalcAxis = [this](const TGridAxisDrawInfo& Axis, bool Horizontal, int N) {
        if (N < 0)
            return -1;
        int Start = 0;
        int Line = 0;
        if (N < Axis.FixedBoundary) {
            for (int I = 0; I < Axis.FixedCellCount; ++I) {
                Line += Extent(Horizontal, I) + Axis.EffectiveLineWidth;
                if (N < Line)
                    return I;
            }
            return -1;
        }
        Start = Axis.FirstGridCell;
        Line = Axis.FixedBoundary;
        for (int I = Start; I < Axis.GridCellCount; ++I) {
            Line += Extent(Horizontal, I) + Axis.EffectiveLineWidth;
            if (N < Line)
                return N < Axis.GridExtent ? I : -1;
        }
        return -1;
    };
    return {CalcAxis(DrawInfo.Horz, true, X), CalcAxis(DrawInfo.Vert, false, Y)};
}

TGridCoord TCustomGrid::MouseCoord(int X, int Y)
{
    TGridDrawInfo D;
    CalcDrawInfo(D);
    TGridCoord C = CalcCoordFromPoint(X, Y, D);
    if (C.X < 0)
        C.Y = -1;
    else if (C.Y < 0)
        C.X = -1;
    return C;
}

void TCustomGrid::MouseToCell(int X, int Y, int& ACol, int& ARow)
{
    const TGridCoord C = MouseCoord(X, Y);
    ACol = C.X;
    ARow = C.Y;
}

void TCustomGrid::CalcSizingState(int X, int Y, TGridState& State, int& Index, int& SizingPos,
                                  int& SizingOfs, const TGridDrawInfo& DrawInfo)
{
    State = gsNormal;
    Index = -1;
    auto CalcAxisState = [&](const TGridAxisDrawInfo& Axis, bool Horizontal, int Pos, TGridState NewState) {
        // The sizing zone is the line after a cell widened to 4 pixels.
        const int Range = std::max(Axis.EffectiveLineWidth, 4);
        const int Back = (Range - Axis.EffectiveLineWidth) / 2;
        int Line = 0;
        auto Check = [&](int I) {
            Line += Extent(Horizontal, I);
            if (Line > Axis.GridBoundary)
                return true;
            if (Pos >= Line - Back && Pos <= Line - Back + Range) {
                State = NewState;
                SizingPos = Line;
                SizingOfs = Line - Pos;
                Index = I;
                return true;
            }
            Line += Axis.EffectiveLineWidth;
            return false;
        };
        for (int I = 0; I < Axis.FixedCellCount; ++I)
            if (Check(I))
                return;
        for (int I = Axis.FirstGridCell; I < Axis.GridCellCount; ++I)
            if (Check(I))
                return;
    };
    if (FOptions.Contains(goColSizing) && Y >= 0 && Y < DrawInfo.Vert.FixedBoundary)
        CalcAxisState(DrawInfo.Horz, true, X, gsColSizing);
    if (State == gsNormal && FOptions.Contains(goRowSizing) && X >= 0 && X < DrawInfo.Horz.FixedBoundary)
        CalcAxisState(DrawInfo.Vert, false, Y, gsRowSizing);
}

// ---- movement ---------------------------------------------------------------------------------

bool TCustomGrid::IsActiveControl()
{
    if (!HandleAllocated())
        return false;
    const HWND Focus = GetFocus();
    if (Focus && Focus == Handle())
        return true;
    return FInplaceEdit && FInplaceEdit->HandleAllocated() && Focus == FInplaceEdit->Handle();
}

void TCustomGrid::SelectionMoved(const TGridRect& OldSel)
{
    InvalidateRect(OldSel);
    InvalidateRect(Selection());
}

void TCustomGrid::MoveCurrent(int ACol, int ARow, bool MoveAnchor, bool Show)
{
    if (ACol < 0 || ARow < 0 || ACol >= FColCount || ARow >= FRowCount)
        InvalidOp(SGridIndexOutOfRange);
    if (!SelectCell(ACol, ARow))
        return;
    const TGridRect OldSel = Selection();
    FCurrent = {ACol, ARow};
    if (!FOptions.Contains(goAlwaysShowEditor))
        HideEditor();
    if (MoveAnchor || !FOptions.Contains(goRangeSelect)) {
        FAnchor = FCurrent;
        if (FOptions.Contains(goRowSelect))
            FAnchor.X = FColCount - 1;
    }
    if (FOptions.Contains(goRowSelect))
        FCurrent.X = FFixedCols;
    if (Show)
        ClampInView(FCurrent);
    SelectionMoved(OldSel);
}

void TCustomGrid::MoveAnchor(const TGridCoord& NewAnchor)
{
    if (!FOptions.Contains(goRangeSelect)) {
        MoveCurrent(NewAnchor.X, NewAnchor.Y, true, true);
        return;
    }
    const TGridRect OldSel = Selection();
    FAnchor = NewAnchor;
    if (FOptions.Contains(goRowSelect))
        FAnchor.X = FColCount - 1;
    ClampInView(NewAnchor);
    SelectionMoved(OldSel);
}

void TCustomGrid::FocusCell(int ACol, int ARow, bool MoveAnchor)
{
    MoveCurrent(ACol, ARow, MoveAnchor, true);
    UpdateEdit();
    Click();
}

void TCustomGrid::MoveColRow(int ACol, int ARow, bool MoveAnchor, bool Show)
{
    MoveCurrent(ACol, ARow, MoveAnchor, Show);
}

void TCustomGrid::ClampInView(const TGridCoord& Coord)
{
    TGridDrawInfo D;
    CalcDrawInfo(D);
    if (Coord.X <= D.Horz.LastFullVisibleCell && Coord.Y <= D.Vert.LastFullVisibleCell &&
        Coord.X >= LeftCol() && Coord.Y >= TopRow())
        return;
    const TGridCoord OldTopLeft = FTopLeft;
    const TGridCoord MaxTopLeft = CalcMaxTopLeft(Coord, D);
    if (Coord.X < LeftCol() && Coord.X >= FFixedCols)
        FTopLeft.X = Coord.X;
    else if (Coord.X > D.Horz.LastFullVisibleCell)
        FTopLeft.X = MaxTopLeft.X;
    if (Coord.Y < TopRow() && Coord.Y >= FFixedRows)
        FTopLeft.Y = Coord.Y;
    else if (Coord.Y > D.Vert.LastFullVisibleCell)
        FTopLeft.Y = MaxTopLeft.Y;
    TopLeftMoved(OldTopLeft);
}

void TCustomGrid::MoveTopLeft(int ALeft, int ATop)
{
    if (ALeft == FTopLeft.X && ATop == FTopLeft.Y)
        return;
    const TGridCoord OldTopLeft = FTopLeft;
    FTopLeft = {ALeft, ATop};
    TopLeftMoved(OldTopLeft);
}

void TCustomGrid::TopLeftMoved(const TGridCoord& OldTopLeft)
{
    if (OldTopLeft == FTopLeft)
        return;
    InvalidateGrid();
    UpdateEdit();
    TopLeftChanged();
}

void TCustomGrid::ClampTopLeft()
{
    TGridDrawInfo D;
    CalcDrawInfo(D);
    const TGridCoord MaxTopLeft = CalcMaxTopLeft({FColCount - 1, FRowCount - 1}, D);
    const TGridCoord OldTopLeft = FTopLeft;
    FTopLeft.X = std::clamp(FTopLeft.X, FFixedCols, std::max(FFixedCols, MaxTopLeft.X));
    FTopLeft.Y = std::clamp(FTopLeft.Y, FFixedRows, std::max(FFixedRows, MaxTopLeft.Y));
    TopLeftMoved(OldTopLeft);
}

void TCustomGrid::MoveColumn(int FromIndex, int ToIndex)
{
    if (FromIndex == ToIndex)
        return;
    if (FromIndex < 0 || ToIndex < 0 || FromIndex >= FColCount || ToIndex >= FColCount)
        InvalidOp(SGridIndexOutOfRange);
    if (!FColWidths.empty())
        MoveItem(FColWidths, FromIndex, ToIndex);
    if (!FTabStops.empty())
        MoveItem(FTabStops, FromIndex, ToIndex);
    FCurrent.X = MovedIndex(FCurrent.X, FromIndex, ToIndex);
    FAnchor.X = MovedIndex(FAnchor.X, FromIndex, ToIndex);
    ColumnMoved(FromIndex, ToIndex);
    InvalidateGrid();
    UpdateEdit();
}

void TCustomGrid::MoveRow(int FromIndex, int ToIndex)
{
    if (FromIndex == ToIndex)
        return;
    if (FromIndex < 0 || ToIndex < 0 || FromIndex >= FRowCount || ToIndex >= FRowCount)
        InvalidOp(SGridIndexOutOfRange);
    if (!FRowHeights.empty())
        MoveItem(FRowHeights, FromIndex, ToIndex);
    FCurrent.Y = MovedIndex(FCurrent.Y, FromIndex, ToIndex);
    FAnchor.Y = MovedIndex(FAnchor.Y, FromIndex, ToIndex);
    RowMoved(FromIndex, ToIndex);
    InvalidateGrid();
    UpdateEdit();
}

void TCustomGrid::DeleteColumn(int ACol)
{
    MoveColumn(ACol, FColCount - 1);
    SetColCount(FColCount - 1);
}

void TCustomGrid::DeleteRow(int ARow)
{
    MoveRow(ARow, FRowCount - 1);
    SetRowCount(FRowCount - 1);
}

void TCustomGrid::ScrollData(int, int)
{
    InvalidateGrid();
}

// ---- overridables ------------------------------------------------------------------------------

bool TCustomGrid::SelectCell(int, int) { return true; }
AnsiString TCustomGrid::GetEditText(int, int) { return AnsiString(); }
void TCustomGrid::SetEditText(int, int, const AnsiString&) {}
AnsiString TCustomGrid::GetEditMask(int, int) { return AnsiString(); }
int TCustomGrid::GetEditLimit() { return 0; }
bool TCustomGrid::CanEditAcceptKey(char&) { return true; }
bool TCustomGrid::CanGridAcceptKey(Word, TShiftState) { return true; }
bool TCustomGrid::CanEditModify() { return FCanEditModify; }
void TCustomGrid::ColumnMoved(int, int) {}
void TCustomGrid::RowMoved(int, int) {}
void TCustomGrid::SizeChanged(int, int) {}
void TCustomGrid::TopLeftChanged() {}
bool TCustomGrid::BeginColumnDrag(int&, int&, const TPoint&) { return true; }
bool TCustomGrid::BeginRowDrag(int&, int&, const TPoint&) { return true; }
bool TCustomGrid::CheckColumnDrag(int&, int&, const TPoint&) { return true; }
bool TCustomGrid::CheckRowDrag(int&, int&, const TPoint&) { return true; }
bool TCustomGrid::EndColumnDrag(int&, int&, const TPoint&) { return true; }
bool TCustomGrid::EndRowDrag(int&, int&, const TPoint&) { return true; }

void TCustomGrid::ColWidthsChanged()
{
    ClampTopLeft();
    InvalidateGrid();
    UpdateEdit();
}

void TCustomGrid::RowHeightsChanged()
{
    ClampTopLeft();
    InvalidateGrid();
    UpdateEdit();
}

// ---- invalidation ------------------------------------------------------------------------------

void TCustomGrid::InvalidateGrid()
{
    Invalidate();
}

void TCustomGrid::InvalidateRect(const TGridRect& ARect)
{
    if (!HandleAllocated())
        return;
    const TRect R = BoxRect(ARect.Left, ARect.Top, ARect.Right, ARect.Bottom);
    if (IsRectEmpty(R))
        return;
    // The line after the cells belongs to them when painting.
    TRect Wide = R;
    Wide.Right += FGridLineWidth;
    Wide.Bottom += FGridLineWidth;
    ::InvalidateRect(Handle(), &Wide, false);
}

void TCustomGrid::InvalidateCell(int ACol, int ARow)
{
    InvalidateRect({ACol, ARow, ACol, ARow});
}

void TCustomGrid::InvalidateCol(int ACol)
{
    InvalidateRect({ACol, 0, ACol, FRowCount - 1});
}

void TCustomGrid::InvalidateRow(int ARow)
{
    InvalidateRect({0, ARow, FColCount - 1, ARow});
}

// ---- editing -------------------------------------------------------------------------------------

TInplaceEdit* TCustomGrid::CreateEditor()
{
    return new TInplaceEdit(this);
}

bool TCustomGrid::CanEditShow()
{
    const bool EditingOnly = FOptions.Contains(goEditing) && !FOptions.Contains(goRowSelect);
    return EditingOnly && FEditorMode && HandleAllocated() &&
           (FOptions.Contains(goAlwaysShowEditor) || IsActiveControl());
}

void TCustomGrid::ShowEditor()
{
    FEditorMode = true;
    UpdateEdit();
}

void TCustomGrid::HideEditor()
{
    FEditorMode = false;
    HideEdit();
}

void TCustomGrid::ShowEditorChar(char Ch)
{
    ShowEditor();
    if (FInplaceEdit && FInplaceEdit->Visible()) {
        // The character replaces the text the editor selected on showing.
        TMessage M;
        M.Msg = WM_CHAR;
        M.WParam = static_cast<unsigned char>(Ch);
        FInplaceEdit->Perform(M.Msg, M.WParam, 0);
    }
}

void TCustomGrid::InvalidateEditor()
{
    FInplaceCol = -1;
    FInplaceRow = -1;
    UpdateEdit();
}

void TCustomGrid::UpdateText()
{
    if (FInplaceEdit && FInplaceCol != -1 && FInplaceRow != -1)
        SetEditText(FInplaceCol, FInplaceRow, FInplaceEdit->Text());
}

void TCustomGrid::HideEdit()
{
    if (!FInplaceEdit)
        return;
    try {
        UpdateText();
    } catch (...) {
        FInplaceCol = -1;
        FInplaceRow = -1;
        FInplaceEdit->HideEdit();
        throw;
    }
    FInplaceCol = -1;
    FInplaceRow = -1;
    FInplaceEdit->HideEdit();
}

void TCustomGrid::UpdateEdit()
{
    auto UpdateEditor = [this] {
        // The editor loads the cell before it is bound to it, so the
        // changes of loading are not stored back into the cell.
        FInplaceCol = -1;
        FInplaceRow = -1;
        FInplaceEdit->UpdateContents();
        FInplaceCol = Col();
        FInplaceRow = Row();
        FCanEditModify = FInplaceEdit->MaxLength() != -1;
        FInplaceEdit->SelectAll();
    };
    if (!CanEditShow())
        return;
    if (!FInplaceEdit) {
        FInplaceEdit = CreateEditor();
        FInplaceEdit->SetGrid(this);
        FInplaceEdit->SetParent(this);
        UpdateEditor();
    } else if (Col() != FInplaceCol || Row() != FInplaceRow) {
        HideEdit();
        UpdateEditor();
    }
    if (CanEditShow())
        FInplaceEdit->Move(CellRect(Col(), Row()));
}

// ---- painting ---------------------------------------------------------------------------------------

void TCustomGrid::DrawCells(int ACol, int ARow, int StartX, int StartY, int StopX, int StopY, TColor AColor,
                            TGridDrawState IncludeDrawState, const TGridDrawInfo& DrawInfo)
{
    TCanvas* C = Canvas();
    const TGridRect Sel = Selection();
    const bool Active = IsActiveControl();
    UINT FrameFlags1 = 0, FrameFlags2 = 0;
    if (FOptions.Contains(goFixedVertLine)) {
        FrameFlags1 = BF_RIGHT;
        FrameFlags2 = BF_LEFT;
    }
    if (FOptions.Contains(goFixedHorzLine)) {
        FrameFlags1 |= BF_BOTTOM;
        FrameFlags2 |= BF_TOP;
    }
    // Cells outside the clip (the part of the window being repainted) are
    // neither drawn nor asked for their contents.
    TRect Clip;
    const bool Clipped = GetClipBox(C->Handle(), Clip) != ERROR && !IsRectEmpty(Clip);
    int CurRow = ARow;
    TRect Where;
    Where.Top = StartY;
    while (Where.Top < StopY && CurRow < FRowCount) {
        int CurCol = ACol;
        Where.Left = StartX;
        Where.Bottom = Where.Top + RowHeights(CurRow);
        const bool RowShown = !Clipped || (Where.Bottom + DrawInfo.Vert.EffectiveLineWidth > Clip.Top &&
                                           Where.Top < std::min(Clip.Bottom, DrawInfo.Vert.GridExtent));
        while (RowShown && Where.Left < StopX && CurCol < FColCount) {
            Where.Right = Where.Left + ColWidths(CurCol);
            TRect Visible = Where;
            Visible.Right = std::min(Where.Right + DrawInfo.Horz.EffectiveLineWidth, DrawInfo.Horz.GridExtent);
            Visible.Bottom = std::min(Where.Bottom + DrawInfo.Vert.EffectiveLineWidth, DrawInfo.Vert.GridExtent);
            const bool ColShown = !Clipped || RectVisible(C->Handle(), Visible);
            if (Where.Right > Where.Left && ColShown) {
                TGridDrawState DrawState = IncludeDrawState;
                if (Active && CurRow == Row() && CurCol == Col())
                    DrawState.Include(gdFocused);
                if (PointInGridRect(CurCol, CurRow, Sel))
                    DrawState.Include(gdSelected);
                const bool EditorCovers = DrawState.Contains(gdFocused) && FOptions.Contains(goEditing) &&
                                          FEditorMode && FInplaceEdit && FInplaceEdit->Visible();
                if (!EditorCovers) {
                    if (FDefaultDrawing) {
                        C->Font()->Assign(Font());
                        const bool Highlight =
                            DrawState.Contains(gdSelected) &&
                            (!DrawState.Contains(gdFocused) || FOptions.Contains(goDrawFocusSelected) ||
                             FOptions.Contains(goRowSelect));
                        if (Highlight) {
                            C->Brush()->SetColor(clHighlight);
                            C->Font()->SetColor(clHighlightText);
                        } else {
                            C->Brush()->SetColor(AColor);
                        }
                        C->FillRect(Where);
                    }
                    DrawCell(CurCol, CurRow, Where, DrawState);
                    if (FDefaultDrawing && DrawState.Contains(gdFocused) &&
                        !(FOptions.Contains(goEditing) && FOptions.Contains(goAlwaysShowEditor)) &&
                        !FOptions.Contains(goRowSelect)) {
                        C->Brush()->SetColor(AColor);
                        C->Font()->SetColor(Font()->Color());
                        C->DrawFocusRect(Where);
                    }
                    if (FDefaultDrawing && DrawState.Contains(gdFixed) && Ctl3D() &&
                        (FrameFlags1 | FrameFlags2) != 0) {
                        TRect TempRect = Where;
                        if ((FrameFlags1 & BF_RIGHT) == 0)
                            TempRect.Right += DrawInfo.Horz.EffectiveLineWidth;
                        else if ((FrameFlags1 & BF_BOTTOM) == 0)
                            TempRect.Bottom += DrawInfo.Vert.EffectiveLineWidth;
                        TRect R1 = TempRect, R2 = TempRect;
                        DrawEdge(C->Handle(), R1, BDR_RAISEDINNER, FrameFlags1);
                        DrawEdge(C->Handle(), R2, BDR_RAISEDINNER, FrameFlags2);
                    }
                }
            }
            Where.Left = Where.Right + DrawInfo.Horz.EffectiveLineWidth;
            ++CurCol;
        }
        Where.Top = Where.Bottom + DrawInfo.Vert.EffectiveLineWidth;
        ++CurRow;
    }
}

void TCustomGrid::DrawLines(const TGridDrawInfo& DrawInfo)
{
    TCanvas* C = Canvas();
    const int LW = FGridLineWidth;
    if (LW <= 0)
        return;
    auto Line = [&](bool Vertical, int Pos, int From, int To, TColor Color) {
        C->Brush()->SetColor(Color);
        if (Vertical)
            C->FillRect(Rect(Pos, From, Pos + LW, To));
        else
            C->FillRect(Rect(From, Pos, To, Pos + LW));
    };
    const TColor FixedLine = Ctl3D() ? clBlack : clBlack;
    const TColor GridLine = clSilver;
    const int Right = DrawInfo.Horz.GridBoundary;
    const int Bottom = DrawInfo.Vert.GridBoundary;
    // Lines after the columns: in the fixed rows with goFixedVertLine, in
    // the data rows with goVertLine (fixed columns with the fixed kind).
    int X = 0;
    auto ColLines = [&](int First, int Last, bool FixedCol) {
        for (int I = First; I <= Last && X < Right; ++I) {
            X += ColWidths(I);
            if (FixedCol || FOptions.Contains(goFixedVertLine))
                if (FOptions.Contains(goFixedVertLine))
                    Line(true, X, 0, FixedCol ? Bottom : DrawInfo.Vert.FixedBoundary, FixedLine);
            if (!FixedCol && FOptions.Contains(goVertLine))
                Line(true, X, DrawInfo.Vert.FixedBoundary, Bottom, GridLine);
            if (FixedCol && !FOptions.Contains(goFixedVertLine) && FOptions.Contains(goVertLine))
                Line(true, X, 0, Bottom, GridLine);
            X += DrawInfo.Horz.EffectiveLineWidth;
        }
    };
    if (DrawInfo.Horz.EffectiveLineWidth > 0) {
        ColLines(0, FFixedCols - 1, true);
        ColLines(LeftCol(), FColCount - 1, false);
    }
    int Y = 0;
    auto RowLines = [&](int First, int Last, bool FixedRow) {
        for (int I = First; I <= Last && Y < Bottom; ++I) {
            Y += RowHeights(I);
            if (FOptions.Contains(goFixedHorzLine))
                Line(false, Y, 0, FixedRow ? Right : DrawInfo.Horz.FixedBoundary, FixedLine);
            if (!FixedRow && FOptions.Contains(goHorzLine))
                Line(false, Y, DrawInfo.Horz.FixedBoundary, Right, GridLine);
            if (FixedRow && !FOptions.Contains(goFixedHorzLine) && FOptions.Contains(goHorzLine))
                Line(false, Y, 0, Right, GridLine);
            Y += DrawInfo.Vert.EffectiveLineWidth;
        }
    };
    if (DrawInfo.Vert.EffectiveLineWidth > 0) {
        RowLines(0, FFixedRows - 1, true);
        RowLines(TopRow(), FRowCount - 1, false);
    }
}

void TCustomGrid::Paint()
{
    TGridDrawInfo D;
    CalcDrawInfo(D);
    TCanvas* C = Canvas();
    DrawLines(D);
    DrawCells(0, 0, 0, 0, D.Horz.FixedBoundary, D.Vert.FixedBoundary, FFixedColor, {gdFixed}, D);
    DrawCells(LeftCol(), 0, D.Horz.FixedBoundary, 0, D.Horz.GridBoundary, D.Vert.FixedBoundary, FFixedColor,
              {gdFixed}, D);
    DrawCells(0, TopRow(), 0, D.Vert.FixedBoundary, D.Horz.FixedBoundary, D.Vert.GridBoundary, FFixedColor,
              {gdFixed}, D);
    DrawCells(LeftCol(), TopRow(), D.Horz.FixedBoundary, D.Vert.FixedBoundary, D.Horz.GridBoundary,
              D.Vert.GridBoundary, Color(), {}, D);
    if (FOptions.Contains(goRowSelect) && FDefaultDrawing && IsActiveControl()) {
        const TGridRect Sel = Selection();
        TRect Focus = BoxRect(Sel.Left, Sel.Top, Sel.Right, Sel.Bottom);
        if (!IsRectEmpty(Focus)) {
            C->Brush()->SetColor(Color());
            C->Font()->SetColor(Font()->Color());
            C->DrawFocusRect(Focus);
        }
    }
    // What no cell covers takes the grid's colour.
    C->Brush()->SetColor(Color());
    if (D.Horz.GridBoundary < D.Horz.GridExtent)
        C->FillRect(Rect(D.Horz.GridBoundary, 0, D.Horz.GridExtent, D.Vert.GridBoundary));
    if (D.Vert.GridBoundary < D.Vert.GridExtent)
        C->FillRect(Rect(0, D.Vert.GridBoundary, D.Horz.GridExtent, D.Vert.GridExtent));
    // The insertion mark of a column or row being moved.
    if (FGridState == gsColMoving || FGridState == gsRowMoving) {
        const bool Cols = FGridState == gsColMoving;
        const TRect R = Cols ? CellRect(FMovePos, 0) : CellRect(0, FMovePos);
        C->Brush()->SetColor(clBlack);
        if (!IsRectEmpty(R)) {
            if (Cols) {
                const int X = FMovePos > FMoveIndex ? R.Right : R.Left - 1;
                C->FillRect(Rect(X - 1, 0, X + 2, D.Vert.GridBoundary));
            } else {
                const int Y = FMovePos > FMoveIndex ? R.Bottom : R.Top - 1;
                C->FillRect(Rect(0, Y - 1, D.Horz.GridBoundary, Y + 2));
            }
        }
    }
    // The line of a column or row being sized.
    if (FGridState == gsColSizing)
        C->FillRect(Rect(FSizingPos, 0, FSizingPos + 1, D.Vert.GridExtent));
    if (FGridState == gsRowSizing)
        C->FillRect(Rect(0, FSizingPos, D.Horz.GridExtent, FSizingPos + 1));
    DrawScrollBars();
}

void TCustomGrid::DrawScrollBars()
{
    bool Horz = false, Vert = false;
    CalcScrollBars(Horz, Vert);
    if (!Horz && !Vert)
        return;
    TCanvas* C = Canvas();
    const TRect Full = TCustomControl::ClientRect();
    const TRect Client = ClientRect();
    TGridDrawInfo D;
    CalcDrawInfo(D);
    auto Bar = [&](bool Horizontal) {
        const TRect R = Horizontal ? Rect(Full.Left, Client.Bottom, Client.Right, Full.Bottom)
                                   : Rect(Client.Right, Full.Top, Full.Right, Client.Bottom);
        C->Brush()->SetColor(clScrollBar);
        C->FillRect(R);
        const int Arrow = Horizontal ? R.Height() : R.Width();
        TRect A1 = Horizontal ? Rect(R.Left, R.Top, R.Left + Arrow, R.Bottom) : Rect(R.Left, R.Top, R.Right, R.Top + Arrow);
        TRect A2 = Horizontal ? Rect(R.Right - Arrow, R.Top, R.Right, R.Bottom)
                              : Rect(R.Left, R.Bottom - Arrow, R.Right, R.Bottom);
        DrawFrameControl(C->Handle(), A1, DFC_SCROLL, Horizontal ? DFCS_SCROLLLEFT : DFCS_SCROLLUP);
        DrawFrameControl(C->Handle(), A2, DFC_SCROLL, Horizontal ? DFCS_SCROLLRIGHT : DFCS_SCROLLDOWN);
        // The thumb: its position and size follow the first shown scrolled
        // cell among all scrolled cells.
        const int Fixed = Horizontal ? FFixedCols : FFixedRows;
        const int Count = (Horizontal ? FColCount : FRowCount) - Fixed;
        const int First = (Horizontal ? LeftCol() : TopRow()) - Fixed;
        const int Visible = (Horizontal ? D.Horz.LastFullVisibleCell - LeftCol() : D.Vert.LastFullVisibleCell - TopRow()) + 1;
        const int Track = (Horizontal ? R.Width() : R.Height()) - 2 * Arrow;
        if (Count <= 0 || Track <= 8)
            return;
        const int ThumbSize = std::max(8, Track * std::min(Visible, Count) / Count);
        const int MaxFirst = std::max(1, Count - Visible);
        const int ThumbPos = (Track - ThumbSize) * std::min(First, MaxFirst) / MaxFirst;
        TRect Thumb = Horizontal ? Rect(R.Left + Arrow + ThumbPos, R.Top, R.Left + Arrow + ThumbPos + ThumbSize, R.Bottom)
                                 : Rect(R.Left, R.Top + Arrow + ThumbPos, R.Right, R.Top + Arrow + ThumbPos + ThumbSize);
        C->Brush()->SetColor(clBtnFace);
        C->FillRect(Thumb);
        DrawEdge(C->Handle(), Thumb, EDGE_RAISED, BF_RECT);
    };
    if (Vert)
        Bar(false);
    if (Horz)
        Bar(true);
    if (Horz && Vert) {
        C->Brush()->SetColor(clBtnFace);
        C->FillRect(Rect(Client.Right, Client.Bottom, Full.Right, Full.Bottom));
    }
}

// ---- scrolling ------------------------------------------------------------------------------------

void TCustomGrid::ScrollAxis(bool Horizontal, int ScrollCode, int Pos)
{
    TGridDrawInfo D;
    CalcDrawInfo(D);
    const TGridCoord MaxTopLeft = CalcMaxTopLeft({FColCount - 1, FRowCount - 1}, D);
    const int Fixed = Horizontal ? FFixedCols : FFixedRows;
    const int Max = Horizontal ? MaxTopLeft.X : MaxTopLeft.Y;
    const int Cur = Horizontal ? LeftCol() : TopRow();
    const int Page = std::max(1, Horizontal ? D.Horz.LastFullVisibleCell - LeftCol() + 1
                                            : D.Vert.LastFullVisibleCell - TopRow() + 1);
    int New = Cur;
    switch (ScrollCode) {
    case SB_LINEUP: New = Cur - 1; break;
    case SB_LINEDOWN: New = Cur + 1; break;
    case SB_PAGEUP: New = Cur - Page; break;
    case SB_PAGEDOWN: New = Cur + Page; break;
    case SB_THUMBTRACK:
        if (!FOptions.Contains(goThumbTracking))
            return;
        New = Fixed + Pos;
        break;
    case SB_THUMBPOSITION: New = Fixed + Pos; break;
    case SB_TOP: New = Fixed; break;
    case SB_BOTTOM: New = Max; break;
    default: return;
    }
    New = std::clamp(New, Fixed, std::max(Fixed, Max));
    if (Horizontal)
        MoveTopLeft(New, TopRow());
    else
        MoveTopLeft(LeftCol(), New);
}

void TCustomGrid::WMHScroll(TWMScroll& Message)
{
    ScrollAxis(true, Message.ScrollCode, Message.Pos);
}

void TCustomGrid::WMVScroll(TWMScroll& Message)
{
    ScrollAxis(false, Message.ScrollCode, Message.Pos);
}

bool TCustomGrid::ScrollBarHit(int X, int Y)
{
    bool Horz = false, Vert = false;
    CalcScrollBars(Horz, Vert);
    const TRect Full = TCustomControl::ClientRect();
    const TRect Client = ClientRect();
    auto Hit = [&](bool Horizontal) {
        const TRect R = Horizontal ? Rect(Full.Left, Client.Bottom, Client.Right, Full.Bottom)
                                   : Rect(Client.Right, Full.Top, Full.Right, Client.Bottom);
        if (!PtInRect(R, Point(X, Y)))
            return false;
        const int Arrow = Horizontal ? R.Height() : R.Width();
        const int P = Horizontal ? X - R.Left : Y - R.Top;
        const int Len = Horizontal ? R.Width() : R.Height();
        const UINT Msg = Horizontal ? WM_HSCROLL : WM_VSCROLL;
        if (P < Arrow) {
            Perform(Msg, SB_LINEUP);
            return true;
        }
        if (P >= Len - Arrow) {
            Perform(Msg, SB_LINEDOWN);
            return true;
        }
        // In the track: before or after the thumb pages, on it drags.
        TGridDrawInfo D;
        CalcDrawInfo(D);
        const int Fixed = Horizontal ? FFixedCols : FFixedRows;
        const int Count = (Horizontal ? FColCount : FRowCount) - Fixed;
        const int First = (Horizontal ? LeftCol() : TopRow()) - Fixed;
        const int Visible = (Horizontal ? D.Horz.LastFullVisibleCell - LeftCol() : D.Vert.LastFullVisibleCell - TopRow()) + 1;
        const int Track = Len - 2 * Arrow;
        const int ThumbSize = Count > 0 ? std::max(8, Track * std::min(Visible, Count) / Count) : Track;
        const int MaxFirst = std::max(1, Count - Visible);
        const int ThumbPos = Arrow + (Track - ThumbSize) * std::min(First, MaxFirst) / MaxFirst;
        if (P < ThumbPos)
            Perform(Msg, SB_PAGEUP);
        else if (P >= ThumbPos + ThumbSize)
            Perform(Msg, SB_PAGEDOWN);
        else {
            FThumbTracking = true;
            FThumbHorz = Horizontal;
            FThumbGrab = P - ThumbPos;
            SetMouseCapture(true);
        }
        return true;
    };
    return (Vert && Hit(false)) || (Horz && Hit(true));
}

void TCustomGrid::WMLButtonDown(TWMMouse& Message)
{
    if (ScrollBarHit(Message.XPos, Message.YPos))
        return;
    inherited::WMLButtonDown(Message);
}

// ---- keys ---------------------------------------------------------------------------------------

void TCustomGrid::WMGetDlgCode(TMessageRecord& Message)
{
    Message.Result = DLGC_WANTARROWS;
    if (FOptions.Contains(goRowSelect))
        return;
    if (FOptions.Contains(goTabs))
        Message.Result |= DLGC_WANTTAB;
    if (FOptions.Contains(goEditing))
        Message.Result |= DLGC_WANTCHARS;
}

void TCustomGrid::KeyDown(Word& Key, TShiftState Shift)
{
    inherited::KeyDown(Key, Shift);
    if (!CanGridAcceptKey(Key, Shift))
        Key = 0;
    if (Key == 0)
        return;
    TGridDrawInfo D;
    CalcDrawInfo(D);
    const int PageWidth = std::max(1, D.Horz.LastFullVisibleCell - LeftCol() + 1);
    const int PageHeight = std::max(1, D.Vert.LastFullVisibleCell - TopRow() + 1);
    TGridCoord NewTopLeft = FTopLeft;
    TGridCoord NewCurrent = FCurrent;
    const bool RowSelect = FOptions.Contains(goRowSelect);
    if (Shift.Contains(ssCtrl)) {
        switch (Key) {
        case VK_UP: --NewTopLeft.Y; break;
        case VK_DOWN: ++NewTopLeft.Y; break;
        case VK_LEFT:
            if (!RowSelect) {
                NewCurrent.X -= PageWidth;
                NewTopLeft.X -= PageWidth;
            }
            break;
        case VK_RIGHT:
            if (!RowSelect) {
                NewCurrent.X += PageWidth;
                NewTopLeft.X += PageWidth;
            }
            break;
        case VK_PRIOR: NewCurrent.Y = TopRow(); break;
        case VK_NEXT: NewCurrent.Y = D.Vert.LastFullVisibleCell; break;
        case VK_HOME:
            NewCurrent.X = FFixedCols;
            NewCurrent.Y = FFixedRows;
            break;
        case VK_END:
            NewCurrent.X = FColCount - 1;
            NewCurrent.Y = FRowCount - 1;
            break;
        default: break;
        }
    } else {
        switch (Key) {
        case VK_UP: --NewCurrent.Y; break;
        case VK_DOWN: ++NewCurrent.Y; break;
        case VK_LEFT:
            if (RowSelect)
                --NewTopLeft.X;
            else
                --NewCurrent.X;
            break;
        case VK_RIGHT:
            if (RowSelect)
                ++NewTopLeft.X;
            else
                ++NewCurrent.X;
            break;
        case VK_NEXT:
            NewCurrent.Y += PageHeight;
            NewTopLeft.Y += PageHeight;
            break;
        case VK_PRIOR:
            NewCurrent.Y -= PageHeight;
            NewTopLeft.Y -= PageHeight;
            break;
        case VK_HOME:
            if (RowSelect)
                NewCurrent.Y = FFixedRows;
            else
                NewCurrent.X = FFixedCols;
            break;
        case VK_END:
            if (RowSelect)
                NewCurrent.Y = FRowCount - 1;
            else
                NewCurrent.X = FColCount - 1;
            break;
        case VK_TAB:
            if (!Shift.Contains(ssAlt)) {
                bool Backward = Shift.Contains(ssShift);
                int Guard = FColCount * FRowCount + 1;
                do {
                    if (Backward) {
                        --NewCurrent.X;
                        if (NewCurrent.X < FFixedCols) {
                            NewCurrent.X = FColCount - 1;
                            --NewCurrent.Y;
                            if (NewCurrent.Y < FFixedRows)
                                NewCurrent.Y = FRowCount - 1;
                        }
                    } else {
                        ++NewCurrent.X;
                        if (NewCurrent.X >= FColCount) {
                            NewCurrent.X = FFixedCols;
                            ++NewCurrent.Y;
                            if (NewCurrent.Y >= FRowCount)
                                NewCurrent.Y = FFixedRows;
                        }
                    }
                } while (!TabStops(NewCurrent.X) && NewCurrent.X != FCurrent.X && --Guard > 0);
                // The selection does not stretch along with Tab.
                Shift.Exclude(ssShift);
            }
            break;
        case VK_F2:
            SetEditorMode(true);
            break;
        default: break;
        }
    }
    const TGridCoord MaxTopLeft = CalcMaxTopLeft({FColCount - 1, FRowCount - 1}, D);
    Restrict(NewTopLeft, FFixedCols, FFixedRows, std::max(FFixedCols, MaxTopLeft.X),
             std::max(FFixedRows, MaxTopLeft.Y));
    if (NewTopLeft.X != LeftCol() || NewTopLeft.Y != TopRow())
        MoveTopLeft(NewTopLeft.X, NewTopLeft.Y);
    Restrict(NewCurrent, FFixedCols, FFixedRows, FColCount - 1, FRowCount - 1);
    if (NewCurrent.X != Col() || NewCurrent.Y != Row())
        FocusCell(NewCurrent.X, NewCurrent.Y, !Shift.Contains(ssShift));
}

void TCustomGrid::KeyPress(char& Key)
{
    inherited::KeyPress(Key);
    if (!FOptions.Contains(goAlwaysShowEditor) && Key == VK_RETURN) {
        if (FEditorMode)
            HideEditor();
        else
            ShowEditor();
        Key = 0;
    }
}

void TCustomGrid::WMChar(TWMKey& Message)
{
    const auto Ch = static_cast<unsigned char>(Message.CharCode);
    if (FOptions.Contains(goEditing) && (Ch == VK_BACK || Ch >= 0x20)) {
        // The grid's own key handlers see the character first.
        char C = static_cast<char>(Ch);
        OnKeyPress(this, C);
        if (C == 0)
            return;
        ShowEditorChar(C);
        return;
    }
    inherited::WMChar(Message);
}

// ---- mouse ----------------------------------------------------------------------------------------

void TCustomGrid::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (!ComponentState().Contains(csDesigning) && (CanFocus() || !GetParentForm(this))) {
        if (!Focused() && CanFocus())
            SetFocus();
        if (!IsActiveControl()) {
            SetMouseCapture(false);
            return;
        }
    }
    if (Button == mbLeft && Shift.Contains(ssDouble)) {
        DblClick();
    } else if (Button == mbLeft) {
        TGridDrawInfo D;
        CalcDrawInfo(D);
        CalcSizingState(X, Y, FGridState, FSizingIndex, FSizingPos, FSizingOfs, D);
        if (FGridState != gsNormal) {
            Invalidate();
            inherited::MouseDown(Button, Shift, X, Y);
            return;
        }
        const TGridCoord CellHit = CalcCoordFromPoint(X, Y, D);
        if (CellHit.X >= FFixedCols && CellHit.Y >= FFixedRows) {
            if (FOptions.Contains(goEditing)) {
                if (CellHit.X == FCurrent.X && CellHit.Y == FCurrent.Y) {
                    ShowEditor();
                } else {
                    MoveCurrent(CellHit.X, CellHit.Y, true, true);
                    UpdateEdit();
                }
                Click();
            } else {
                FGridState = gsSelecting;
                if (Shift.Contains(ssShift))
                    MoveAnchor(CellHit);
                else
                    MoveCurrent(CellHit.X, CellHit.Y, true, true);
            }
        } else if (FOptions.Contains(goRowMoving) && CellHit.X >= 0 && CellHit.X < FFixedCols &&
                   CellHit.Y >= FFixedRows) {
            FMoveIndex = CellHit.Y;
            FMovePos = FMoveIndex;
            if (BeginRowDrag(FMoveIndex, FMovePos, Point(X, Y))) {
                FGridState = gsRowMoving;
                Invalidate();
            }
        } else if (FOptions.Contains(goColMoving) && CellHit.Y >= 0 && CellHit.Y < FFixedRows &&
                   CellHit.X >= FFixedCols) {
            FMoveIndex = CellHit.X;
            FMovePos = FMoveIndex;
            if (BeginColumnDrag(FMoveIndex, FMovePos, Point(X, Y))) {
                FGridState = gsColMoving;
                Invalidate();
            }
        }
    }
    inherited::MouseDown(Button, Shift, X, Y);
}

void TCustomGrid::MouseMove(TShiftState Shift, int X, int Y)
{
    if (FThumbTracking) {
        const TRect Client = ClientRect();
        const int Arrow = FThumbHorz ? BarHeight() : BarWidth();
        const int Track = (FThumbHorz ? Client.Width() : Client.Height()) - 2 * Arrow;
        const int Fixed = FThumbHorz ? FFixedCols : FFixedRows;
        const int Count = (FThumbHorz ? FColCount : FRowCount) - Fixed;
        const int Visible = FThumbHorz ? VisibleColCount() : VisibleRowCount();
        const int ThumbSize = Count > 0 ? std::max(8, Track * std::min(Visible, Count) / Count) : Track;
        const int P = (FThumbHorz ? X : Y) - Arrow - FThumbGrab;
        const int MaxFirst = std::max(1, Count - Visible);
        const int Room = std::max(1, Track - ThumbSize);
        const int Pos = std::clamp(P * MaxFirst / Room, 0, MaxFirst);
        Perform(FThumbHorz ? WM_HSCROLL : WM_VSCROLL, MakeWParam(SB_THUMBTRACK, Pos));
        inherited::MouseMove(Shift, X, Y);
        return;
    }
    TGridDrawInfo D;
    CalcDrawInfo(D);
    switch (FGridState) {
    case gsSelecting:
    case gsColMoving:
    case gsRowMoving: {
        const TGridCoord CellHit = CalcCoordFromPoint(X, Y, D);
        if (CellHit.X >= FFixedCols && CellHit.Y >= FFixedRows && CellHit.X <= D.Horz.LastFullVisibleCell + 1 &&
            CellHit.Y <= D.Vert.LastFullVisibleCell + 1) {
            if (FGridState == gsSelecting) {
                if (CellHit.X != FAnchor.X || CellHit.Y != FAnchor.Y)
                    MoveAnchor(CellHit);
            } else if (FGridState == gsColMoving) {
                int Pos = CellHit.X;
                if (Pos != FMovePos && CheckColumnDrag(FMoveIndex, Pos, Point(X, Y))) {
                    FMovePos = Pos;
                    Invalidate();
                }
            } else {
                int Pos = CellHit.Y;
                if (Pos != FMovePos && CheckRowDrag(FMoveIndex, Pos, Point(X, Y))) {
                    FMovePos = Pos;
                    Invalidate();
                }
            }
        } else if ((FGridState == gsColMoving || FGridState == gsRowMoving) &&
                   (FGridState == gsColMoving ? CellHit.Y >= 0 : CellHit.X >= 0)) {
            // Over the fixed cells of the other axis the column (row) under
            // the mouse still counts.
            int Pos = FGridState == gsColMoving ? CellHit.X : CellHit.Y;
            const int Min = FGridState == gsColMoving ? FFixedCols : FFixedRows;
            if (Pos >= Min && Pos != FMovePos) {
                const bool Ok = FGridState == gsColMoving ? CheckColumnDrag(FMoveIndex, Pos, Point(X, Y))
                                                          : CheckRowDrag(FMoveIndex, Pos, Point(X, Y));
                if (Ok) {
                    FMovePos = Pos;
                    Invalidate();
                }
            }
        }
        break;
    }
    case gsColSizing:
        FSizingPos = X + FSizingOfs;
        Invalidate();
        break;
    case gsRowSizing:
        FSizingPos = Y + FSizingOfs;
        Invalidate();
        break;
    case gsNormal:
        break;
    }
    inherited::MouseMove(Shift, X, Y);
}

int TCustomGrid::ResizeLine(const TGridAxisDrawInfo& Axis, bool Horizontal)
{
    const int Start = CellStart(Axis, Horizontal, FSizingIndex);
    return FSizingPos - std::max(0, Start);
}

void TCustomGrid::EndSizing(const TGridDrawInfo& D)
{
    if (FGridState == gsColSizing) {
        const int NewSize = ResizeLine(D.Horz, true);
        if (NewSize > 1)
            SetColWidths(FSizingIndex, NewSize);
    } else if (FGridState == gsRowSizing) {
        const int NewSize = ResizeLine(D.Vert, false);
        if (NewSize > 1)
            SetRowHeights(FSizingIndex, NewSize);
    }
}

void TCustomGrid::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (FThumbTracking) {
        FThumbTracking = false;
        SetMouseCapture(false);
        const int Pos = FThumbHorz ? LeftCol() - FFixedCols : TopRow() - FFixedRows;
        Perform(FThumbHorz ? WM_HSCROLL : WM_VSCROLL, MakeWParam(SB_THUMBPOSITION, Pos));
        inherited::MouseUp(Button, Shift, X, Y);
        return;
    }
    struct StateReset {
        TGridState& S;
        ~StateReset() { S = gsNormal; }
    } Reset{FGridState};
    TGridDrawInfo D;
    CalcDrawInfo(D);
    switch (FGridState) {
    case gsSelecting:
        MouseMove(Shift, X, Y);
        UpdateEdit();
        Click();
        break;
    case gsRowSizing:
    case gsColSizing:
        EndSizing(D);
        Invalidate();
        break;
    case gsColMoving:
        if (EndColumnDrag(FMoveIndex, FMovePos, Point(X, Y)))
            MoveColumn(FMoveIndex, FMovePos);
        Invalidate();
        UpdateEdit();
        break;
    case gsRowMoving:
        if (EndRowDrag(FMoveIndex, FMovePos, Point(X, Y)))
            MoveRow(FMoveIndex, FMovePos);
        Invalidate();
        UpdateEdit();
        break;
    case gsNormal:
        UpdateEdit();
        break;
    }
    inherited::MouseUp(Button, Shift, X, Y);
}

bool TCustomGrid::DoMouseWheelDown(TShiftState Shift, TPoint MousePos)
{
    if (inherited::DoMouseWheelDown(Shift, MousePos))
        return true;
    if (Row() < FRowCount - 1)
        SetRow(Row() + 1);
    return true;
}

bool TCustomGrid::DoMouseWheelUp(TShiftState Shift, TPoint MousePos)
{
    if (inherited::DoMouseWheelUp(Shift, MousePos))
        return true;
    if (Row() > FFixedRows)
        SetRow(Row() - 1);
    return true;
}

void TCustomGrid::WMSetCursor(TWMSetCursor& Message)
{
    if (Message.HitTest == HTCLIENT && FGridState == gsNormal) {
        TPoint P;
        GetCursorPos(P);
        P = ScreenToClient(P);
        TGridDrawInfo D;
        CalcDrawInfo(D);
        TGridState State = gsNormal;
        int Index = 0, Pos = 0, Ofs = 0;
        CalcSizingState(P.X, P.Y, State, Index, Pos, Ofs, D);
        if (State != gsNormal) {
            ::SetCursor(Screen->Cursors(State == gsColSizing ? crHSplit : crVSplit));
            Message.Result = 1;
            return;
        }
    }
    inherited::WMSetCursor(Message);
}

void TCustomGrid::WMCancelMode(TMessageRecord& Message)
{
    inherited::WMCancelMode(Message);
    FThumbTracking = false;
    if (FGridState != gsNormal) {
        FGridState = gsNormal;
        Invalidate();
    }
}

void TCustomGrid::CMCancelMode(TMessageRecord& Message)
{
    inherited::CMCancelMode(Message);
}

// ---- focus, size, commands ----------------------------------------------------------------------------

void TCustomGrid::WMSetFocus(TWMSetFocus& Message)
{
    inherited::WMSetFocus(Message);
    if (!FInplaceEdit || !FInplaceEdit->HandleAllocated() || Message.FocusedWnd != FInplaceEdit->Handle()) {
        InvalidateRect(Selection());
        UpdateEdit();
    }
}

void TCustomGrid::WMKillFocus(TWMKillFocus& Message)
{
    inherited::WMKillFocus(Message);
    InvalidateRect(Selection());
    if (FInplaceEdit && (!FInplaceEdit->HandleAllocated() || Message.FocusedWnd != FInplaceEdit->Handle()))
        FInplaceEdit->HideEdit();
}

void TCustomGrid::WMSize(TWMSize& Message)
{
    inherited::WMSize(Message);
    // After the window grew the last page stays full: the top-left cell
    // comes back as far as the cells allow.
    ClampTopLeft();
    InvalidateGrid();
    if (FInplaceEdit && FInplaceEdit->Visible())
        FInplaceEdit->UpdateLoc(CellRect(Col(), Row()));
}

void TCustomGrid::WMCommand(TWMCommand& Message)
{
    if (FInplaceEdit && FInplaceEdit->HandleAllocated() && Message.Ctl == FInplaceEdit->Handle()) {
        if (Message.NotifyCode == EN_CHANGE)
            UpdateText();
        return;
    }
    inherited::WMCommand(Message);
}

void TCustomGrid::CMFontChanged(TMessageRecord& Message)
{
    if (FInplaceEdit)
        FInplaceEdit->Font()->Assign(Font());
    inherited::CMFontChanged(Message);
}

// ---- TDrawGrid -------------------------------------------------------------------------------------------

TDrawGrid::TDrawGrid(TComponent* AOwner) : TCustomGrid(AOwner) {}

TDrawGrid::~TDrawGrid() = default;

void TDrawGrid::DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState)
{
    OnDrawCell(this, ACol, ARow, ARect, AState);
}

bool TDrawGrid::SelectCell(int ACol, int ARow)
{
    bool CanSelect = true;
    OnSelectCell(this, ACol, ARow, CanSelect);
    return CanSelect;
}

AnsiString TDrawGrid::GetEditText(int ACol, int ARow)
{
    AnsiString Value;
    OnGetEditText(this, ACol, ARow, Value);
    return Value;
}

void TDrawGrid::SetEditText(int ACol, int ARow, const AnsiString& Value)
{
    OnSetEditText(this, ACol, ARow, Value);
}

AnsiString TDrawGrid::GetEditMask(int ACol, int ARow)
{
    AnsiString Value;
    OnGetEditMask(this, ACol, ARow, Value);
    return Value;
}

void TDrawGrid::ColumnMoved(int FromIndex, int ToIndex)
{
    OnColumnMoved(this, FromIndex, ToIndex);
}

void TDrawGrid::RowMoved(int FromIndex, int ToIndex)
{
    OnRowMoved(this, FromIndex, ToIndex);
}

void TDrawGrid::TopLeftChanged()
{
    inherited::TopLeftChanged();
    OnTopLeftChanged(this);
}

// ---- TStringGrid ---------------------------------------------------------------------------------------------

TStringGrid::TStringGrid(TComponent* AOwner) : TDrawGrid(AOwner) {}

TStringGrid::~TStringGrid() = default;

const TStringGrid::CellData* TStringGrid::Find(int ACol, int ARow) const
{
    if (ACol < 0 || ARow < 0 || ARow >= static_cast<int>(FData.size()))
        return nullptr;
    const auto& RowData = FData[static_cast<size_t>(ARow)];
    if (ACol >= static_cast<int>(RowData.size()))
        return nullptr;
    return &RowData[static_cast<size_t>(ACol)];
}

TStringGrid::CellData* TStringGrid::Find(int ACol, int ARow)
{
    return const_cast<CellData*>(static_cast<const TStringGrid*>(this)->Find(ACol, ARow));
}

TStringGrid::CellData& TStringGrid::Ensure(int ACol, int ARow)
{
    if (ACol < 0 || ARow < 0 || ACol >= ColCount() || ARow >= RowCount())
        throw EInvalidGridOperation(SGridIndexOutOfRange);
    if (ARow >= static_cast<int>(FData.size()))
        FData.resize(static_cast<size_t>(ARow) + 1);
    auto& RowData = FData[static_cast<size_t>(ARow)];
    if (ACol >= static_cast<int>(RowData.size()))
        RowData.resize(static_cast<size_t>(ACol) + 1);
    return RowData[static_cast<size_t>(ACol)];
}

AnsiString TStringGrid::Cells(int ACol, int ARow) const
{
    const CellData* C = Find(ACol, ARow);
    return C ? C->Text : AnsiString();
}

void TStringGrid::SetCells(int ACol, int ARow, const AnsiString& Value)
{
    Ensure(ACol, ARow).Text = Value;
    InvalidateCell(ACol, ARow);
    // The editor over this cell shows the new text.
    if (FInplaceEdit && FInplaceEdit->Visible() && ACol == FInplaceCol && ARow == FInplaceRow &&
        FInplaceEdit->Text() != Value)
        FInplaceEdit->UpdateContents();
}

TObject* TStringGrid::Objects(int ACol, int ARow) const
{
    const CellData* C = Find(ACol, ARow);
    return C ? C->Object : nullptr;
}

void TStringGrid::SetObjects(int ACol, int ARow, TObject* Value)
{
    Ensure(ACol, ARow).Object = Value;
}

void TStringGrid::GetRows(int ARow, TStrings* Dest) const
{
    Dest->Clear();
    for (int I = 0; I < ColCount(); ++I)
        Dest->AddObject(Cells(I, ARow), Objects(I, ARow));
}

void TStringGrid::SetRows(int ARow, TStrings* Source)
{
    for (int I = 0; I < ColCount() && I < Source->Count(); ++I) {
        SetCells(I, ARow, Source->Strings(I));
        SetObjects(I, ARow, Source->Objects(I));
    }
}

void TStringGrid::GetCols(int ACol, TStrings* Dest) const
{
    Dest->Clear();
    for (int I = 0; I < RowCount(); ++I)
        Dest->AddObject(Cells(ACol, I), Objects(ACol, I));
}

void TStringGrid::SetCols(int ACol, TStrings* Source)
{
    for (int I = 0; I < RowCount() && I < Source->Count(); ++I) {
        SetCells(ACol, I, Source->Strings(I));
        SetObjects(ACol, I, Source->Objects(I));
    }
}

void TStringGrid::DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState)
{
    if (DefaultDrawing()) {
        TCanvas* C = Canvas();
        C->Brush()->SetStyle(bsClear);
        C->TextRect(ARect, ARect.Left + 2, ARect.Top + 2, Cells(ACol, ARow));
        C->Brush()->SetStyle(bsSolid);
    }
    inherited::DrawCell(ACol, ARow, ARect, AState);
}

AnsiString TStringGrid::GetEditText(int ACol, int ARow)
{
    AnsiString Value = Cells(ACol, ARow);
    OnGetEditText(this, ACol, ARow, Value);
    return Value;
}

void TStringGrid::SetEditText(int ACol, int ARow, const AnsiString& Value)
{
    if (Cells(ACol, ARow) != Value) {
        Ensure(ACol, ARow).Text = Value;
        InvalidateCell(ACol, ARow);
    }
    inherited::SetEditText(ACol, ARow, Value);
}

void TStringGrid::ColumnMoved(int FromIndex, int ToIndex)
{
    for (auto& RowData : FData) {
        if (static_cast<int>(RowData.size()) < ColCount())
            RowData.resize(static_cast<size_t>(ColCount()));
        MoveItem(RowData, FromIndex, ToIndex);
    }
    inherited::ColumnMoved(FromIndex, ToIndex);
}

void TStringGrid::RowMoved(int FromIndex, int ToIndex)
{
    if (static_cast<int>(FData.size()) < RowCount())
        FData.resize(static_cast<size_t>(RowCount()));
    MoveItem(FData, FromIndex, ToIndex);
    inherited::RowMoved(FromIndex, ToIndex);
}

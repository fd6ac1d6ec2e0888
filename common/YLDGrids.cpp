// The owner-drawn grid: fixed-cell buttons, cell colours, the update
// count, the row focus rectangle, wheel steps and the edit events.

#include "common/YLDGrids.h"

#include "common/YLDGridsPrivate.h"

#include "platform/gui/Forms.h"
#include "platform/classes/Strings.h"

#include <algorithm>

namespace {

const TGridOptions DefaultDrawGridOptions = {goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine,
                                             goDrawFocusSelected, goColSizing};

} // namespace

PRICETAGS_DEFINE_CLASS(Tyl_CustomDrawGrid,
    Property("DefaultRowHeight", &Tyl_CustomDrawGrid::DefaultRowHeight, &Tyl_CustomDrawGrid::SetDefaultRowHeight),
    Property("Options", &Tyl_CustomDrawGrid::Options, &Tyl_CustomDrawGrid::SetOptions),
    Property("FixedButtons", &Tyl_CustomDrawGrid::FixedButtons, &Tyl_CustomDrawGrid::SetFixedButtons),
    Property("RowCount", &Tyl_CustomDrawGrid::RowCountProp, &Tyl_CustomDrawGrid::SetRowCount))

PRICETAGS_DEFINE_CLASS(Tyl_DrawGrid,
    Property("FixedRowHeight", &Tyl_DrawGrid::FixedRowHeight, &Tyl_DrawGrid::SetFixedRowHeight))

Tyl_CustomDrawGrid::Tyl_CustomDrawGrid(TComponent* AOwner) : TDrawGrid(AOwner)
{
    SetDefaultRowHeight(18);
    SetOptions(DefaultDrawGridOptions);
}

Tyl_CustomDrawGrid::~Tyl_CustomDrawGrid()
{
    // No repainting while the grid goes.
    FUpdateCount = 1;
    OnChangeFocus = {};
}

// ---- repainting --------------------------------------------------------------------------------

void Tyl_CustomDrawGrid::BeginUpdate()
{
    FUpdateCount = std::max(FUpdateCount, 0) + 1;
}

void Tyl_CustomDrawGrid::EndUpdate()
{
    if (FUpdateCount > 0)
        --FUpdateCount;
    InvalidateGrid();
}

void Tyl_CustomDrawGrid::InvalidateGrid()
{
    if (FUpdateCount < 1)
        inherited::InvalidateGrid();
}

void Tyl_CustomDrawGrid::InvalidateRect(const TGridRect& ARect)
{
    if (FUpdateCount < 1)
        inherited::InvalidateRect(ARect);
}

void Tyl_CustomDrawGrid::InvalidateRow(int ARow)
{
    inherited::InvalidateRow(ARow);
}

void Tyl_CustomDrawGrid::InvalidateCell(int ACol, int ARow)
{
    inherited::InvalidateCell(ACol, ARow);
}

void Tyl_CustomDrawGrid::RepaintRowMove(const TGridRect& OldSel, int OldRow, int OldTop)
{
    if (!HandleAllocated())
        return;
    ScrollRowMove(OldRow, OldTop);
    // A range selected before the step loses its highlight; invalidated
    // after the scroll, which moves what is invalid with the pixels.
    const bool OneRow = OldSel.Top == OldSel.Bottom &&
                        (OldSel.Left == OldSel.Right || Options().Contains(goRowSelect));
    if (!OneRow)
        InvalidateRect(OldSel);
}

void Tyl_CustomDrawGrid::ScrollRowMove(int OldRow, int OldTop)
{
    const int NewTop = TopRow();
    if (NewTop == OldTop) {
        if (OldRow != Row()) {
            InvalidateRow(OldRow);
            InvalidateRow(Row());
        }
        return;
    }
    // The rows that stay on the screen are moved as pixels; only the rows
    // the scroll uncovered and the two rows whose selection changed are
    // drawn again.
    TGridDrawInfo D;
    CalcDrawInfo(D);
    const int First = std::min(OldTop, NewTop);
    const int Last = std::max(OldTop, NewTop);
    const int Area = D.Vert.GridExtent - D.Vert.FixedBoundary;
    // A jump of a page or more (End on a long grid) stops counting early.
    int DY = 0;
    for (int I = First; I < Last && DY < Area; ++I)
        DY += RowHeights(I) + D.Vert.EffectiveLineWidth;
    const TRect Full = TCustomControl::ClientRect();
    const TRect Client = ClientRect();
    if (DY >= Area || D.Vert.FixedBoundary >= D.Vert.GridExtent) {
        InvalidateGrid();
        return;
    }
    const TRect Scrolled = Rect(0, D.Vert.FixedBoundary, Client.Right, D.Vert.GridExtent);
    if (!ScrollWindow(Handle(), 0, NewTop > OldTop ? -DY : DY, &Scrolled, &Scrolled)) {
        InvalidateGrid();
        return;
    }
    InvalidateRow(OldRow);
    InvalidateRow(Row());
    // The scroll bar's thumb moved.
    const TRect Bar = Rect(Client.Right, 0, Full.Right, Full.Bottom);
    if (!IsRectEmpty(Bar))
        ::InvalidateRect(Handle(), &Bar, false);
}

// ---- properties --------------------------------------------------------------------------------

int Tyl_CustomDrawGrid::GetRow()
{
    return Row();
}

void Tyl_CustomDrawGrid::SetRow(int Value)
{
    TCustomGrid::SetRow(Value);
}

int Tyl_CustomDrawGrid::GetRowCount()
{
    return RowCount();
}

void Tyl_CustomDrawGrid::SetRowCount(int Value)
{
    TCustomGrid::SetRowCount(Value);
}

void Tyl_CustomDrawGrid::SetOptions(TGridOptions Value)
{
    const TGridOptions Old = Options();
    inherited::SetOptions(Value);
    if (Old.Contains(goRowSelect) && !Value.Contains(goRowSelect))
        SetSelection({Col(), Row(), Col(), Row()});
}

void Tyl_CustomDrawGrid::SetFixedButtons(bool Value)
{
    if (FFixedButtons == Value)
        return;
    FFixedButtons = Value;
    Invalidate();
}

void Tyl_CustomDrawGrid::SetFixedRowHeight(int Value)
{
    if (FFixedRowHeight == Value)
        return;
    FFixedRowHeight = Value;
    RowHeightsChanged();
    Invalidate();
}

TColor Tyl_CustomDrawGrid::GetCellColor(int ACol, int ARow)
{
    TColor Result = Color();
    OnGetEditColor(this, ACol, ARow, Result);
    return Result;
}

bool Tyl_CustomDrawGrid::IsEditorShown() const
{
    return FEditorMode && FInplaceEdit && FInplaceEdit->Visible();
}

// ---- size notifications ------------------------------------------------------------------------

void Tyl_CustomDrawGrid::RowHeightsChanged()
{
    inherited::RowHeightsChanged();
    EndFixedTracking();
    OnRowSized(this);
    // Fixed rows keep their own height whatever the user dragged.
    for (int I = 0; I < FixedRows() && I < RowCount(); ++I)
        if (RowHeights(I) != FFixedRowHeight)
            SetRowHeights(I, FFixedRowHeight);
}

void Tyl_CustomDrawGrid::ColWidthsChanged()
{
    inherited::ColWidthsChanged();
    EndFixedTracking();
    OnColumnSized(this);
}

void Tyl_CustomDrawGrid::TopLeftChanged()
{
    if (Options().Contains(goRowSelect) && DefaultDrawing())
        InvalidateRow(Row());
    inherited::TopLeftChanged();
    EndFixedTracking();
}

// ---- painting ----------------------------------------------------------------------------------

void Tyl_CustomDrawGrid::Paint()
{
    FSavedDefaultDrawing = FDefaultDrawing;
    FDefaultDrawing = false;
    struct Restore {
        Tyl_CustomDrawGrid* G;
        ~Restore() { G->FDefaultDrawing = G->FSavedDefaultDrawing; }
    } RestoreDrawing{this};
    inherited::Paint();
    FDefaultDrawing = FSavedDefaultDrawing;
    const TGridOptions O = Options();
    if (ComponentState().Contains(csDesigning) || !FDefaultDrawing || !IsActiveControl() ||
        !O.Contains(goRowSelect) || O.Contains(goRangeSelect))
        return;
    TCanvas* C = Canvas();
    C->Font()->SetColor(Font()->Color());
    C->Brush()->SetColor(Color());
    TRect R = BoxRect(FixedCols(), Row(), ColCount() - 1, Row());
    if (IsRectEmpty(R))
        return;
    if (!O.Contains(goHorzLine))
        R.Bottom += GridLineWidth();
    C->DrawFocusRect(R);
}

void Tyl_CustomDrawGrid::DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState)
{
    const bool Designing = ComponentState().Contains(csDesigning);
    const TGridOptions O = Options();
    const bool Fixed = AState.Contains(gdFixed);

    TCanvas* C = Canvas();
    TRect R = ARect;
    if (FSavedDefaultDrawing || Designing) {
        AssignFontIfChanged(C->Font(), Font());
        if (!Fixed && O.Contains(goRowSelect)) {
            if (!O.Contains(goVertLine))
                R.Right += GridLineWidth();
            if (!O.Contains(goHorzLine))
                R.Bottom += GridLineWidth();
        }
        const bool Selected = AState.Contains(gdSelected);
        const bool Focused = AState.Contains(gdFocused);
        if (!Selected ||
            (Focused && !O.Contains(goRowSelect) && !O.Contains(goDrawFocusSelected))) {
            C->Brush()->SetColor(Fixed ? FixedColor() : GetCellColor(ACol, ARow));
        } else if (IsActiveControl() || Designing) {
            C->Brush()->SetColor(clHighlight);
            SetFontColorIfChanged(C->Font(), clHighlightText);
        } else {
            C->Brush()->SetColor(O.Contains(goDrawFocusSelected) ? clBtnFace : GetCellColor(ACol, ARow));
        }
        C->FillRect(R);
    }
    const bool Pressed = FFixedButtons && Ctl3D() && !ComponentState().Contains(csLoading) && FButtonDown &&
                         FSavedDefaultDrawing && FPressedCell.X == ACol && FPressedCell.Y == ARow;
    TRect CellR = R;
    if (Pressed)
        OffsetRect(CellR, GridLineWidth(), GridLineWidth());
    FDefaultDrawing = FSavedDefaultDrawing;
    try {
        inherited::DrawCell(ACol, ARow, CellR, AState);
    } catch (...) {
        FDefaultDrawing = false;
        throw;
    }
    FDefaultDrawing = false;
    if (Fixed && FSavedDefaultDrawing && Ctl3D()) {
        UINT Flags1 = 0, Flags2 = 0;
        if (O.Contains(goFixedVertLine)) {
            Flags1 = BF_RIGHT;
            Flags2 = BF_LEFT;
        }
        if (O.Contains(goFixedHorzLine)) {
            Flags1 |= BF_BOTTOM;
            Flags2 |= BF_TOP;
        }
        TRect Edge = ARect;
        if (O.Contains(goFixedVertLine) && (Flags1 & BF_BOTTOM) == 0)
            Edge.Bottom += GridLineWidth();
        const UINT Kind = Pressed ? BDR_SUNKENINNER : BDR_RAISEDINNER;
        TRect E1 = Edge, E2 = Edge;
        if (Flags1)
            DrawEdge(C->Handle(), E1, Kind, Flags1);
        if (Flags2)
            DrawEdge(C->Handle(), E2, Kind, Flags2);
    }
    if (AState.Contains(gdFocused) && FSavedDefaultDrawing && !Designing &&
        !(O.Contains(goEditing) && O.Contains(goAlwaysShowEditor)) && !O.Contains(goRowSelect)) {
        C->Brush()->SetColor(Color());
        C->Font()->SetColor(Font()->Color());
        C->DrawFocusRect(ARect);
    }
}

// ---- editing -----------------------------------------------------------------------------------

TInplaceEdit* Tyl_CustomDrawGrid::CreateEditor()
{
    return new Tyl_InplaceEdit(this);
}

bool Tyl_CustomDrawGrid::CanEditShow()
{
    bool Result = false;
    if (Options().Contains(goAlwaysShowEditor) && !FEditorMode) {
        FEditorMode = true;
        try {
            Result = inherited::CanEditShow();
        } catch (...) {
            FEditorMode = false;
            throw;
        }
        FEditorMode = false;
    } else {
        Result = inherited::CanEditShow();
    }
    if (Result && OnShowEditor.Assigned()) {
        bool Allow = true;
        OnShowEditor(this, Col(), GetRow(), Allow);
        if (!Allow) {
            FEditorMode = false;
            Result = false;
        }
    }
    return Result;
}

bool Tyl_CustomDrawGrid::CanEditAcceptKey(char& Key)
{
    if (OnAcceptEditKey.Assigned())
        return OnAcceptEditKey(this, Key);
    return true;
}

int Tyl_CustomDrawGrid::GetEditLimit()
{
    int Result = 0;
    OnGetEditLimit(this, Result);
    return Result;
}

TAlignment Tyl_CustomDrawGrid::GetEditAlign(int ACol, int ARow)
{
    TAlignment Result = taLeftJustify;
    OnGetEditAlign(this, ACol, ARow, Result);
    return Result;
}

TInplaceEditStyle Tyl_CustomDrawGrid::GetEditStyle(int ACol, int ARow)
{
    TInplaceEditStyle Result = ieSimple;
    OnGetEditStyle(this, ACol, ARow, Result);
    return Result;
}

void Tyl_CustomDrawGrid::GetPickList(int ACol, int ARow, TStrings* PickList)
{
    OnGetPicklist(this, ACol, ARow, PickList);
}

void Tyl_CustomDrawGrid::EditChange()
{
    OnEditChange(this);
}

void Tyl_CustomDrawGrid::EditButtonClick()
{
    OnEditButtonClick(this);
}

void Tyl_CustomDrawGrid::FixedCellClick(int ACol, int ARow)
{
    OnFixedCellClick(this, ACol, ARow);
}

void Tyl_CustomDrawGrid::CheckButton(int ACol, int ARow, bool& Enabled)
{
    if (ACol < 0 || ARow < 0 || (ACol >= FixedCols() && ARow >= FixedRows())) {
        Enabled = false;
        return;
    }
    Enabled = true;
    OnCheckButton(this, ACol, ARow, Enabled);
}

void Tyl_CustomDrawGrid::CancelEdit()
{
    FCanceling = true;
    struct Clear {
        bool& Flag;
        ~Clear() { Flag = false; }
    } ClearFlag{FCanceling};
    HideEditor();
    OnCancelEdit(this);
}

void Tyl_CustomDrawGrid::SetEditText(int ACol, int ARow, const AnsiString& Value)
{
    if (FCanceling)
        return;
    auto* Editor = dynamic_cast<Tyl_DataInplaceEdit*>(FInplaceEdit);
    // Only a text for the editor's own cell concerns the editor; one the
    // window stores elsewhere (rows moved by an insert) must not show in it.
    if (Editor && FEditorMode && Editor->Visible() && ACol == Editor->EditCol && ARow == Editor->EditRow) {
        if (Value != Editor->Text()) {
            // The window changed the text: the editor shows it as unchanged.
            const int SavedCol = FInplaceCol;
            FInplaceCol = -1;
            Editor->SetEditText(Value);
            FInplaceCol = SavedCol;
            Editor->SetModified(false);
            Editor->SelectAll();
        } else if (!Editor->IsValidText()) {
            return;
        }
    }
    inherited::SetEditText(ACol, ARow, Value);
}

void Tyl_CustomDrawGrid::WMCommand(TWMCommand& Message)
{
    if (FInplaceEdit && FInplaceEdit->Visible() && FInplaceEdit->HandleAllocated() &&
        Message.Ctl == FInplaceEdit->Handle() && Message.NotifyCode == EN_CHANGE)
        EditChange();
    inherited::WMCommand(Message);
}

// ---- keys --------------------------------------------------------------------------------------

void Tyl_CustomDrawGrid::KeyDown(Word& Key, TShiftState Shift)
{
    if (Key == VK_ESCAPE && !Shift.Contains(ssCtrl) && CanGridAcceptKey(Key, Shift) && FEditorMode &&
        FInplaceEdit && FInplaceEdit->Visible()) {
        CancelEdit();
        if (Options().Contains(goAlwaysShowEditor))
            ShowEditor();
        Key = 0;
        return;
    }
    // A row step repaints the row left and the row entered, nothing else.
    if ((Key == VK_UP || Key == VK_DOWN) && !Shift.Contains(ssShift) && FUpdateCount == 0 &&
        HandleAllocated()) {
        const TGridRect OldSel = Selection();
        const int OldRow = Row();
        const int OldTop = TopRow();
        BeginUpdate();
        try {
            inherited::KeyDown(Key, Shift);
        } catch (...) {
            FUpdateCount = std::max(0, FUpdateCount - 1);
            InvalidateGrid();
            throw;
        }
        FUpdateCount = std::max(0, FUpdateCount - 1);
        RepaintRowMove(OldSel, OldRow, OldTop);
        return;
    }
    inherited::KeyDown(Key, Shift);
}

// ---- mouse -------------------------------------------------------------------------------------

void Tyl_CustomDrawGrid::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    HideEdit();
    const bool Designing = ComponentState().Contains(csDesigning);
    if (!Designing && (CanFocus() || !GetParentForm(this))) {
        if (!Focused() && CanFocus())
            SetFocus();
        if (!IsActiveControl()) {
            SetMouseCapture(false);
            return;
        }
    }
    const TGridCoord Cell = MouseCoord(X, Y);
    const bool FixedCell = Cell.X >= 0 && Cell.Y >= 0 && (Cell.X < FixedCols() || Cell.Y < FixedRows());
    if (Shift.Contains(ssDouble) && (!FFixedButtons || (Button == mbLeft && !FixedCell))) {
        inherited::MouseDown(Button, Shift, X, Y);
        return;
    }
    if (!Designing && FFixedButtons && FixedCell) {
        TGridDrawInfo D;
        CalcDrawInfo(D);
        TGridState State = gsNormal;
        int Index = 0, Pos = 0, Ofs = 0;
        CalcSizingState(X, Y, State, Index, Pos, Ofs, D);
        if (State == gsNormal) {
            const TGridOptions O = Options();
            if (Button == mbRight && (O.Contains(goRowMoving) || O.Contains(goColMoving))) {
                FRightButtonMoving = true;
                inherited::MouseDown(mbLeft, Shift, X, Y);
                return;
            }
            if (Button == mbLeft) {
                bool Enabled = true;
                CheckButton(Cell.X, Cell.Y, Enabled);
                if (Enabled) {
                    SetMouseCapture(true);
                    FFixedTracking = true;
                    FPressedCell = Cell;
                    TrackFixedButton(X, Y);
                }
                return;
            }
        }
    }
    if (Button == mbRight) {
        // The cell under the mouse becomes current before the right press.
        inherited::MouseDown(mbLeft, Shift, X, Y);
        FGridState = gsNormal;
        EndFixedTracking();
    }
    inherited::MouseDown(Button, Shift, X, Y);
}

void Tyl_CustomDrawGrid::TrackFixedButton(int X, int Y)
{
    const TRect Client = ClientRect();
    const TGridCoord Cell = MouseCoord(X, Y);
    const bool Down = PtInRect(Client, Point(X, Y)) && Cell == FPressedCell;
    if (Down == FButtonDown)
        return;
    FButtonDown = Down;
    if (Cell.X >= 0 && Cell.Y >= 0)
        InvalidateCell(Cell.X, Cell.Y);
    if (FPressedCell.X >= 0 && FPressedCell.Y >= 0)
        InvalidateCell(FPressedCell.X, FPressedCell.Y);
}

void Tyl_CustomDrawGrid::EndFixedTracking()
{
    if (!FFixedTracking)
        return;
    TrackFixedButton(-1, -1);
    FFixedTracking = false;
    SetMouseCapture(false);
}

void Tyl_CustomDrawGrid::MouseMove(TShiftState Shift, int X, int Y)
{
    if (FFixedTracking)
        TrackFixedButton(X, Y);
    inherited::MouseMove(Shift, X, Y);
}

void Tyl_CustomDrawGrid::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (FFixedTracking && FPressedCell.X >= 0 && FPressedCell.Y >= 0) {
        const TGridCoord Cell = FPressedCell;
        const bool Inside = PtInRect(ClientRect(), Point(X, Y)) && MouseCoord(X, Y) == Cell;
        EndFixedTracking();
        FPressedCell = {-1, -1};
        if (Inside && Cell.Y < RowCount() && Cell.X < ColCount())
            FixedCellClick(Cell.X, Cell.Y);
        TControl::MouseUp(Button, Shift, X, Y);
        return;
    }
    if (FRightButtonMoving) {
        FRightButtonMoving = false;
        SetMouseCapture(false);
        inherited::MouseUp(mbLeft, Shift, X, Y);
        return;
    }
    inherited::MouseUp(Button, Shift, X, Y);
}

void Tyl_CustomDrawGrid::WMRButtonUp(TWMMouse& Message)
{
    if (FRightButtonMoving && (GridState() == gsRowMoving || GridState() == gsColMoving)) {
        MouseUp(mbRight, KeyDataToShiftState(0), Message.XPos, Message.YPos);
        return;
    }
    FRightButtonMoving = false;
    inherited::WMRButtonUp(Message);
}

void Tyl_CustomDrawGrid::WMLButtonDblClk(TWMMouse& Message)
{
    const TGridCoord Cell = MouseCoord(Message.XPos, Message.YPos);
    const bool FixedCell = Cell.X >= 0 && Cell.Y >= 0 && (Cell.X < FixedCols() || Cell.Y < FixedRows());
    if (FFixedButtons && FixedCell) {
        // A second press of the button rather than a double click.
        Perform(WM_CANCELMODE);
        inherited::WMLButtonDown(Message);
        return;
    }
    inherited::WMLButtonDblClk(Message);
}

void Tyl_CustomDrawGrid::WMCancelMode(TMessageRecord& Message)
{
    EndFixedTracking();
    inherited::WMCancelMode(Message);
}

void Tyl_CustomDrawGrid::WMSetFocus(TWMSetFocus& Message)
{
    inherited::WMSetFocus(Message);
    OnChangeFocus(this);
}

void Tyl_CustomDrawGrid::WMKillFocus(TWMKillFocus& Message)
{
    inherited::WMKillFocus(Message);
    OnChangeFocus(this);
}

bool Tyl_CustomDrawGrid::DoMouseWheelDown(TShiftState Shift, TPoint MousePos)
{
    bool Handled = false;
    OnMouseWheelDown(this, Shift, MousePos, Handled);
    if (Handled)
        return true;
    const int Step = Shift.Contains(ssCtrl) ? 9 : 3;
    const int Visible = VisibleRowCount();
    if (TopRow() + Visible >= RowCount() - Step + 1)
        SetTopRow(std::max(FixedRows(), RowCount() - Visible));
    else
        SetTopRow(TopRow() + Step);
    return true;
}

bool Tyl_CustomDrawGrid::DoMouseWheelUp(TShiftState Shift, TPoint MousePos)
{
    bool Handled = false;
    OnMouseWheelUp(this, Shift, MousePos, Handled);
    if (Handled)
        return true;
    const int Step = Shift.Contains(ssCtrl) ? 9 : 3;
    if (FixedRows() + Step >= TopRow())
        SetTopRow(FixedRows());
    else
        SetTopRow(TopRow() - Step);
    return true;
}

// ---- Tyl_DrawGrid ------------------------------------------------------------------------------

Tyl_DrawGrid::Tyl_DrawGrid(TComponent* AOwner) : Tyl_CustomDrawGrid(AOwner) {}

Tyl_DrawGrid::~Tyl_DrawGrid() = default;

// The data grid: cells drawn from the columns, the data editor, row keys,
// the auto-size column and the column pop-up menus.

#include "common/components/YLDGrids.h"

#include "common/components/YLDGridsPrivate.h"

#include "common/components/MsgWin.h"
#include "platform/forms/Graphics.h"
#include "platform/forms/ImgList.h"
#include "platform/forms/Menus.h"
#include "platform/classes/Strings.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/StrUtils.h"

#include <algorithm>

PTypeInfo TypeInfoOf(const Tyl_DataDrawGridOption*)
{
    static const TTypeInfo Info =
        EnumTypeInfo("Tyl_DataDrawGridOption", {"dgoAppendRow", "dgoInsertRow", "dgoDeleteRow"});
    return &Info;
}

PTypeInfo TypeInfoOf(const Tyl_DataDrawGridOptions*)
{
    static const TTypeInfo Info = SetTypeInfo("Tyl_DataDrawGridOptions", TypeInfo<Tyl_DataDrawGridOption>());
    return &Info;
}

namespace {

/// Raises Count for the scope and lowers it on every exit, exceptions
/// included.
class RaisedCountScope {
public:
    explicit RaisedCountScope(int& Count) : FCount(Count) { ++FCount; }
    ~RaisedCountScope() { --FCount; }
    RaisedCountScope(const RaisedCountScope&) = delete;
    RaisedCountScope& operator=(const RaisedCountScope&) = delete;

private:
    int& FCount;
};

const TGridOptions DataGridDefaultOptions = {goFixedVertLine, goFixedHorzLine, goVertLine,     goHorzLine,
                                             goDrawFocusSelected, goColSizing, goEditing, goThumbTracking};

/// The text a display mask makes of a cell's value; the text itself when
/// the value does not convert.
AnsiString MaskedText(TColumnFormat Format, const AnsiString& Mask, const AnsiString& Text)
{
    try {
        switch (Format) {
        case cfNumber:
        case cfCurrency: return FormatFloat(Mask, StrToFloat(Text));
        case cfDate: return FormatDateTime(Mask, StrToDateTime(Text));
        case cfInteger: return FormatFloat(Mask, StrToInt(Text));
        case cfTime:
        case cfString: return Text;
        }
    } catch (const EConvertError&) {
        // A cell that is not a number or date yet is shown as typed.
    }
    return Text;
}

TGridOptions WithoutRowSelect(TGridOptions O)
{
    O.Exclude(goRowSelect);
    return O;
}

TGridOptions WithRowSelect(TGridOptions O)
{
    O.Include(goRowSelect);
    return O;
}

} // namespace

PRICETAGS_DEFINE_CLASS(Tyl_DataDrawGrid,
    Property("Columns", &Tyl_DataDrawGrid::Columns, &Tyl_DataDrawGrid::SetColumns),
    Property("DataGridOptions", &Tyl_DataDrawGrid::DataGridOptions, &Tyl_DataDrawGrid::SetDataGridOptions),
    Property("RowCountMin", &Tyl_DataDrawGrid::RowCountMin, &Tyl_DataDrawGrid::SetRowCountMin),
    Property("DataRow", &Tyl_DataDrawGrid::DataRowProp, &Tyl_DataDrawGrid::SetDataRow),
    Property("DataCol", &Tyl_DataDrawGrid::DataColProp, &Tyl_DataDrawGrid::SetDataCol),
    Property("FixedRowHeight", &Tyl_DataDrawGrid::FixedRowHeight, &Tyl_DataDrawGrid::SetFixedRowHeight))

Tyl_DataDrawGrid::Tyl_DataDrawGrid(TComponent* AOwner) : Tyl_CustomDrawGrid(AOwner)
{
    FBuildState = 2;
    SetRowCount(2);
    SetRow(1);
    SetOptions(DataGridDefaultOptions);
    OnDrawCell = TDrawCellEvent(this, &Tyl_DataDrawGrid::DrawDataCell);
    FColumns.reset(CreateColumns());
    HideEditor();
    FBuildState = 0;
    SizeChanged(ColCount(), RowCount());
    FBitmap = std::make_unique<TBitmap>();
    FBitmap->SetTransparent(true);
}

Tyl_DataDrawGrid::~Tyl_DataDrawGrid()
{
    FBitmap.reset();
    FBuildState = 2;
    FColumns.reset();
}

Tyl_DataDrawGridColumns* Tyl_DataDrawGrid::CreateColumns()
{
    return new Tyl_DataDrawGridColumns(this, ClassOf<TColumn>());
}

TInplaceEdit* Tyl_DataDrawGrid::CreateEditor()
{
    return new Tyl_DataInplaceEdit(this);
}

Tyl_DataInplaceEdit* Tyl_DataDrawGrid::DataEditor() const
{
    return dynamic_cast<Tyl_DataInplaceEdit*>(FInplaceEdit);
}

TColumn* Tyl_DataDrawGrid::ColumnOf(int ACol) const
{
    if (!FColumns || ACol < 0 || ACol >= FColumns->Count())
        return nullptr;
    return FColumns->GetItem(ACol);
}

void Tyl_DataDrawGrid::SetColumns(Tyl_DataDrawGridColumns* Value)
{
    FColumns->Assign(Value);
}

// ---- rows ---------------------------------------------------------------------------------------

int Tyl_DataDrawGrid::GetRow()
{
    return Row();
}

void Tyl_DataDrawGrid::SetRow(int Value)
{
    if (Value < FixedRows())
        Value = RowCount() > FixedRows() ? FixedRows() : RowCount() - 1;
    TCustomGrid::SetRow(Value);
}

int Tyl_DataDrawGrid::GetRowCount()
{
    return RowCount();
}

void Tyl_DataDrawGrid::SetRowCount(int Value)
{
    if (Value == RowCount())
        return;
    const bool OneDataRow = RowCount() - FixedRows() == 1;
    // One empty data row always stays.
    if (Value <= FixedRows())
        Value = FixedRows() + 1;
    TCustomGrid::SetRowCount(Value);
    if (OneDataRow)
        Invalidate();
}

void Tyl_DataDrawGrid::SetRowCountMin(int Value)
{
    FRowCountMin = std::max(Value, 0);
    if (FRowCountMin > 0 && FRowCountMin > RowCount())
        SetRowCount(FRowCountMin);
    RowCountMinChanged();
}

void Tyl_DataDrawGrid::SetImages(TCustomImageList* Value)
{
    if (FImages == Value)
        return;
    FImages = Value;
    if (Value)
        Value->FreeNotification(this);
    Invalidate();
}

void Tyl_DataDrawGrid::Notification(TComponent* AComponent, TOperation Operation)
{
    inherited::Notification(AComponent, Operation);
    if (Operation != opRemove)
        return;
    if (AComponent == FImages)
        FImages = nullptr;
    if (FColumns)
        for (int I = 0; I < FColumns->Count(); ++I)
            if (FColumns->GetItem(I)->FPopupMenu == AComponent)
                FColumns->GetItem(I)->FPopupMenu = nullptr;
}

void Tyl_DataDrawGrid::AppendRow()
{
    bool Allow = true;
    BeforeInsert(this, RowCount(), Allow);
    if (!Allow)
        return;
    SetRowCount(RowCount() + 1);
    InvalidateRow(RowCount() - 1);
    SetRow(RowCount() - 1);
}

void Tyl_DataDrawGrid::InsertRow(int ARow)
{
    bool Allow = true;
    BeforeInsert(this, ARow, Allow);
    if (!Allow)
        return;
    SetRowCount(RowCount() + 1);
    // The texts below move down one row through the window's own events.
    for (int R = RowCount() - 1; R > ARow; --R)
        for (int C = 0; C < ColCount(); ++C)
            SetEditText(C, R, GetEditText(C, R - 1));
    for (int C = 0; C < ColCount(); ++C)
        SetEditText(C, Row(), AnsiString());
    InvalidateGrid();
    InvalidateEditor();
}

void Tyl_DataDrawGrid::DeleteRow(int ARow)
{
    if (RowCount() <= FixedRows())
        return;
    // The least row count is checked before the window is asked: once
    // BeforeDelete has removed its row, the grid must drop one too, or
    // grid and data go out of step.
    if (FRowCountMin > 0 && RowCount() <= FRowCountMin) {
        InvalidateEditor();
        return;
    }
    bool Allow = true;
    BeforeDelete(this, ARow, Allow);
    if (!Allow)
        return;
    if (Row() == RowCount() - 1 && IsEditorShown())
        CancelEdit();
    SetRowCount(RowCount() - 1);
    InvalidateGrid();
    if (Options().Contains(goAlwaysShowEditor))
        ShowEditor();
    InvalidateEditor();
}

bool Tyl_DataDrawGrid::IsRowKey(Word Key, TShiftState Shift)
{
    if (Key == VK_DOWN && Shift.Empty())
        return FDataGridOptions.Contains(dgoAppendRow) && GetRow() == RowCount() - 1;
    if (Key == VK_INSERT && Shift == TShiftState{ssCtrl})
        return FDataGridOptions.Contains(dgoInsertRow);
    if (Key == VK_DELETE && Shift == TShiftState{ssCtrl})
        return FDataGridOptions.Contains(dgoDeleteRow);
    return false;
}

// ---- columns ------------------------------------------------------------------------------------

void Tyl_DataDrawGrid::SizeChanged(int OldColCount, int OldRowCount)
{
    inherited::SizeChanged(OldColCount, OldRowCount);
    if (ComponentState().Contains(csLoading) || FBuildState != 0 || !FColumns)
        return;
    const RaisedCountScope Building(FBuildState);
    while (FColumns->Count() > ColCount())
        delete FColumns->GetItem(FColumns->Count() - 1);
    while (FColumns->Count() < ColCount())
        FColumns->Add();
    // New rows may bring the vertical bar, which narrows the client; new
    // columns need their widths fitted.
    if (RowCount() != OldRowCount || ColCount() != OldColCount) {
        --FBuildState;
        FitAutoSize();
        ++FBuildState;
    }
    if (!FInplaceEdit)
        return;
    if (FInplaceEdit->Visible() && RowCount() <= OldRowCount)
        CancelEdit();
    if (Options().Contains(goAlwaysShowEditor))
        ShowEditor();
}

void Tyl_DataDrawGrid::ColumnAdded()
{
    if (FBuildState > 0 || ComponentState().Contains(csLoading) || !FColumns)
        return;
    const RaisedCountScope Building(FBuildState);
    TCustomGrid::SetColCount(FColumns->Count());
}

void Tyl_DataDrawGrid::ColumnRemoved()
{
    if (FBuildState > 0 || ComponentState().Contains(csLoading))
        return;
    const RaisedCountScope Building(FBuildState);
    TCustomGrid::SetColCount(ColCount() - 1);
}

void Tyl_DataDrawGrid::ColumnMoved(int FromIndex, int ToIndex)
{
    if (TColumn* C = ColumnOf(FromIndex))
        C->SetIndex(ToIndex);
    inherited::ColumnMoved(FromIndex, ToIndex);
}

void Tyl_DataDrawGrid::SetLayoutColWidth(int ACol, int Width)
{
    const bool Saved = FLayoutLock;
    FLayoutLock = true;
    struct Unlock {
        bool& Lock;
        bool Saved;
        ~Unlock() { Lock = Saved; }
    } Restore{FLayoutLock, Saved};
    SetColWidths(ACol, Width);
}

void Tyl_DataDrawGrid::ColWidthsChanged()
{
    inherited::ColWidthsChanged();
    if (FLayoutLock || ComponentState().Contains(csLoading) || !FColumns)
        return;
    // A width the user dragged becomes the column's own; whether it counts
    // as assigned stays as it was.
    for (int I = 0; I < FColumns->Count() && I < ColCount(); ++I) {
        TColumn* C = FColumns->GetItem(I);
        if (!C->AutoSize() && ColWidths(I) != C->Width())
            C->FWidth = ColWidths(I);
    }
    FitAutoSize();
}

void Tyl_DataDrawGrid::FitAutoSize()
{
    if (FLayoutLock || ComponentState().Contains(csLoading) || !FColumns || FColumns->Count() == 0)
        return;
    // While the grid's size changes (a realign may run in the middle of
    // it), the columns follow the grid in SizeChanged; only between size
    // changes does the grid follow its columns.
    if (ColCount() != FColumns->Count()) {
        if (FBuildState > 0 || ChangingSize())
            return;
        const RaisedCountScope Building(FBuildState);
        TCustomGrid::SetColCount(FColumns->Count());
    }
    int AutoCol = -1;
    int Sum = 0;
    for (int I = 0; I < FColumns->Count(); ++I) {
        if (AutoCol < 0 && FColumns->GetItem(I)->AutoSize()) {
            AutoCol = I;
            continue;
        }
        Sum += ColWidths(I) + GridLineWidth();
    }
    if (AutoCol < 0)
        return;
    const int Last = ColWidths(ColCount() - 1);
    int W = ClientRect().Width() - Sum - GridLineWidth() - (Last < 5 ? 3 : 0);
    W = std::max(W, FColumns->GetItem(AutoCol)->MinWidth());
    // The column stays at least one pixel wide, so it can still be found
    // and dragged wider.
    if (W < 1)
        W = 1;
    FLayoutLock = true;
    struct Unlock {
        bool& Lock;
        ~Unlock() { Lock = false; }
    } Restore{FLayoutLock};
    SetColWidths(AutoCol, W + 1);
    SetColWidths(AutoCol, W);
}

void Tyl_DataDrawGrid::WMSize(TWMSize& Message)
{
    inherited::WMSize(Message);
    FitAutoSize();
}

void Tyl_DataDrawGrid::Loaded()
{
    inherited::Loaded();
    if (FColumns && FBuildState == 0) {
        SizeChanged(ColCount(), RowCount());
        FitAutoSize();
    }
}

// ---- edit queries -------------------------------------------------------------------------------

AnsiString Tyl_DataDrawGrid::GetEditMask(int ACol, int ARow)
{
    AnsiString Value;
    if (TColumn* C = ColumnOf(ACol))
        Value = C->EditMask();
    OnGetEditMask(this, ACol, ARow, Value);
    return Value;
}

int Tyl_DataDrawGrid::GetEditLimit()
{
    int Result = 0;
    if (TColumn* C = ColumnOf(Col()))
        Result = C->MaxLength();
    OnGetEditLimit(this, Result);
    return Result;
}

TAlignment Tyl_DataDrawGrid::GetEditAlign(int ACol, int ARow)
{
    TAlignment Result = taLeftJustify;
    if (TColumn* C = ColumnOf(ACol))
        Result = C->Alignment();
    OnGetEditAlign(this, ACol, ARow, Result);
    return Result;
}

TInplaceEditStyle Tyl_DataDrawGrid::GetEditStyle(int ACol, int ARow)
{
    TInplaceEditStyle Result = ieSimple;
    if (TColumn* C = ColumnOf(ACol)) {
        switch (C->ButtonStyle()) {
        case cbsEllipsis: Result = ieEllipsis; break;
        case cbsAuto: Result = C->HasPickItems() && !C->ReadOnly() ? iePickList : ieSimple; break;
        case cbsNone: Result = ieSimple; break;
        }
    }
    OnGetEditStyle(this, ACol, ARow, Result);
    return Result;
}

void Tyl_DataDrawGrid::GetPickList(int ACol, int ARow, TStrings* PickList)
{
    TColumn* C = ColumnOf(ACol);
    if (C && C->HasPickItems())
        PickList->Assign(C->PickList());
    else
        PickList->Clear();
    OnGetPicklist(this, ACol, ARow, PickList);
}

TColor Tyl_DataDrawGrid::GetCellColor(int ACol, int ARow)
{
    TColumn* C = ColumnOf(ACol);
    TColor Result = C ? C->Color() : Color();
    OnGetEditColor(this, ACol, ARow, Result);
    return Result;
}

int Tyl_DataDrawGrid::GetImageIndex(int ACol, int ARow)
{
    int Result = -1;
    OnGetImageIndex(this, ACol, ARow, Result);
    return Result;
}

// ---- painting -----------------------------------------------------------------------------------

void Tyl_DataDrawGrid::DrawDataCell(TObject*, int ACol, int ARow, TRect Rect, TGridDrawState State)
{
    TColumn* Column = ColumnOf(ACol);
    if (!Column)
        return;
    TCanvas* C = Canvas();
    const TGridOptions O = Options();
    TAlignment Alignment = Column->Alignment();
    int Image = GetImageIndex(ACol, ARow);
    const bool KeepColour = State.Contains(gdFocused) ||
                            (State.Contains(gdSelected) && (O.Contains(goRowSelect) || O.Contains(goDrawFocusSelected)));
    const TColor TextColour = C->Font()->Color();
    TFont* ColumnFont = Column->Font();
    if (!KeepColour) {
        AssignFontIfChanged(C->Font(), ColumnFont);
    } else {
        if (!SameFaceAndSize(C->Font(), ColumnFont))
            C->Font()->Assign(ColumnFont);
        SetFontColorIfChanged(C->Font(), TextColour);
    }
    const bool Fixed = ACol < FixedCols() || ARow < FixedRows();
    if (Fixed)
        C->Brush()->SetColor(FixedColor());
    AnsiString Text;
    if (ARow < FixedRows()) {
        TColumnTitle* Title = Column->Title();
        Text = Title->Caption();
        Alignment = Title->Alignment();
        AssignFontIfChanged(C->Font(), Title->Font());
        Image = Column->ImageIndex();
    } else {
        Text = GetEditText(ACol, ARow);
    }
    TRect TextRect = Rect;
    if (FImages && Image >= 0 && Image < FImages->Count()) {
        const TColor SavedBrush = C->Brush()->Color();
        if (!Fixed)
            C->Brush()->SetColor(GetCellColor(ACol, ARow));
        C->FillRect(Rect);
        int X = Rect.Left + 2;
        int Y = (Rect.Top + Rect.Bottom - FImages->Height()) / 2;
        if (Fixed && FButtonDown && FPressedCell.X == ACol && FPressedCell.Y == ARow) {
            X += GridLineWidth();
            Y += GridLineWidth();
        }
        const int Saved = SaveDC(C->Handle());
        IntersectClipRect(C->Handle(), Rect.Left, Rect.Top, Rect.Right, Rect.Bottom);
        FImages->Draw(C, X, Y, Image);
        RestoreDC(C->Handle(), Saved);
        C->Brush()->SetColor(SavedBrush);
        TextRect.Left += FImages->Width() + 4;
    }
    if (ARow >= FixedRows() && !Trim(Text).IsEmpty() && !Trim(Column->DisplayMask()).IsEmpty())
        Text = MaskedText(Column->Format(), Column->DisplayMask(), Text);
    OnGetEditFont(this, ACol, ARow, C->Font());
    TextRect.Left += 2;
    if (TextRect.Right <= TextRect.Left || Text.IsEmpty())
        return;
    HFONT FontHandle = C->Font()->Handle();
    if (FontHandle != FMetricsFont) {
        TEXTMETRIC TM;
        (void)C->TextWidth(" ");  // selects the font into the device context
        GetTextMetrics(C->Handle(), TM);
        FMetricsFont = FontHandle;
        FMaxCharWidth = TM.tmMaxCharWidth;
        FLineHeight = TM.tmHeight;
    }
    TRect Measure = ::Rect(0, 0, Text.Length() * FMaxCharWidth, FLineHeight);
    const bool Plain = Text.Pos("\t") == 0 && Text.Pos("\r") == 0 && Text.Pos("\n") == 0;
    if (!Plain || Measure.Width() > TextRect.Width()) {
        Measure = ::Rect(0, 0, TextRect.Width(), 0);
        DrawText(C->Handle(), Text, Measure, DT_CALCRECT | DT_EXPANDTABS | DT_NOPREFIX | DT_SINGLELINE);
    }
    const int LineHeight = Measure.Height();
    bool WordWrap = false;
    bool Fits = true;
    if (Measure.Width() > TextRect.Width()) {
        if (LineHeight * 18 / 10 <= TextRect.Height()) {
            WordWrap = true;
            Measure = ::Rect(0, 0, TextRect.Width(), 0);
            DrawText(C->Handle(), Text, Measure, DT_CALCRECT | DT_EXPANDTABS | DT_NOPREFIX | DT_WORDBREAK);
            Fits = Measure.Width() <= TextRect.Width() && Measure.Height() <= TextRect.Height();
        } else {
            Fits = false;
        }
    }
    const int DY = Fits ? std::max(0, (TextRect.Height() - Measure.Height()) / 2) : 2;
    WriteCellText(C, TextRect, 2, false, WordWrap, Alignment, Text, DY);
}

// ---- keys and mouse -----------------------------------------------------------------------------

void Tyl_DataDrawGrid::KeepRowSelectKey(Word& Key, TShiftState Shift)
{
    const TGridRect OldSel = Selection();
    const int OldRow = Row();
    const int OldTop = TopRow();
    BeginUpdate();
    try {
        SetOptions(WithoutRowSelect(Options()));
        SetCol(LeftCol());
        inherited::KeyDown(Key, Shift);
        SetOptions(WithRowSelect(Options()));
    } catch (...) {
        if (!Options().Contains(goRowSelect))
            SetOptions(WithRowSelect(Options()));
        FUpdateCount = std::max(0, FUpdateCount - 1);
        InvalidateGrid();
        throw;
    }
    FUpdateCount = std::max(0, FUpdateCount - 1);
    RepaintRowMove(OldSel, OldRow, OldTop);
    Key = 0;
}

void Tyl_DataDrawGrid::KeyDown(Word& Key, TShiftState Shift)
{
    if (IsRowKey(Key, Shift)) {
        if (Key == VK_DOWN)
            AppendRow();
        else if (Key == VK_INSERT)
            InsertRow(Row());
        else
            DeleteRow(Row());
        Key = 0;
        return;
    }
    TShiftState Others = Shift;
    Others.Exclude(ssCtrl);
    if (Options().Contains(goRowSelect) && Others.Empty()) {
        switch (Key) {
        case VK_PRIOR:
        case VK_NEXT:
        case VK_UP:
        case VK_DOWN:
            KeepRowSelectKey(Key, Shift);
            return;
        case VK_LEFT:
            if (LeftCol() - 1 >= FixedCols()) {
                SetLeftCol(LeftCol() - 1);
                Key = 0;
                return;
            }
            break;
        case VK_RIGHT:
            if (LeftCol() + 1 <= ColCount() - VisibleColCount()) {
                SetLeftCol(LeftCol() + 1);
                Key = 0;
                return;
            }
            break;
        default:
            break;
        }
    }
    inherited::KeyDown(Key, Shift);
}

void Tyl_DataDrawGrid::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (Tyl_DataInplaceEdit* E = DataEditor(); E && FEditorMode && E->Visible())
        E->CheckValidText();
    inherited::MouseDown(Button, Shift, X, Y);
}

void Tyl_DataDrawGrid::WMRButtonUp(TWMMouse& Message)
{
    inherited::WMRButtonUp(Message);
    const TGridCoord Cell = MouseCoord(Message.XPos, Message.YPos);
    TColumn* Column = ColumnOf(Cell.X);
    if (!Column || Cell.Y < 0 || !Column->PopupMenu() || !Column->PopupMenu()->AutoPopup())
        return;
    Perform(WM_CANCELMODE);
    TPopupMenu* Menu = Column->PopupMenu();
    Menu->SetPopupComponent(this);
    const TPoint P = ClientToScreen(Point(Message.XPos, Message.YPos));
    Menu->Popup(P.X, P.Y);
    Message.Result = 1;
}

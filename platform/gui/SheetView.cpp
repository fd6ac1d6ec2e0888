#include "platform/gui/SheetView.h"

#include "platform/gui/Graphics.h"
#include "platform/gui/Windows.h"
#include "platform/sheets/Workbook.h"

#include <algorithm>

PRICETAGS_DEFINE_CLASS(SheetView)

namespace {

/// Width of the digit "0" of the sheet's standard font (Arial 10) in
/// pixels: the unit of the file's column widths.
constexpr int DigitWidth = 7;
/// Room kept past the used range, so that the operator can select a
/// little beyond it; the grid grows further when asked.
constexpr int SpareRows = 60;
constexpr int SpareColumns = 8;
constexpr int MinColumns = 26;
constexpr int RowHeaderWidth = 42;
constexpr int ColumnHeaderHeight = 18;
/// How far to the left a cell's text is looked for when it may spill over
/// into an empty cell.
constexpr int SpillReach = 16;
/// The pale blue tint of selected cells and their headers.
constexpr TColor SelectionTint = static_cast<TColor>(0x00C57631);
constexpr TColor HeaderSelected = static_cast<TColor>(0x00B9A998);

TColor Mix(TColor Base, TColor Tint, int TintPercent)
{
    const COLORREF A = ColorToRGB(Base);
    const COLORREF B = ColorToRGB(Tint);
    auto Channel = [&](int Shift) {
        const int X = int((A >> Shift) & 0xFF);
        const int Y = int((B >> Shift) & 0xFF);
        return ((X * (100 - TintPercent) + Y * TintPercent) / 100) << Shift;
    };
    return static_cast<TColor>(Channel(0) | Channel(8) | Channel(16));
}

}  // namespace

SheetView::SheetView(TComponent* AOwner) : TCustomGrid(AOwner)
{
    SetOptions({goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect,
                goDrawFocusSelected, goThumbTracking});
    Font()->SetName("Arial");
    Font()->SetSize(10);
    SetColor(clWindow);
    ApplyLayout();
}

SheetView::~SheetView()
{
    if (FSheet)
        FSheet->AttachWindow(nullptr);
}

void SheetView::SetSheet(const ExcelWorksheet* Sheet)
{
    if (FSheet && FSheet->Window() == this)
        FSheet->AttachWindow(nullptr);
    FSheet = Sheet;
    if (FSheet)
        FSheet->AttachWindow(this);
    FWhole = Whole::None;
    FDrag = Whole::None;
    ApplyLayout();
    FAnchor = FCurrent = {1, 1};
    MoveTopLeft(1, 1);
    Invalidate();
}

ExcelArea SheetView::UsedArea() const
{
    uint32_t FirstRow = 1, FirstCol = 1, LastRow = 1, LastCol = 1;
    if (FSheet)
        (void)FSheet->Data().UsedBounds(FirstRow, FirstCol, LastRow, LastCol);
    return {int(FirstRow), int(FirstCol), int(LastRow - FirstRow + 1), int(LastCol - FirstCol + 1)};
}

AnsiString SheetView::ColumnName(int Column)
{
    AnsiString Name;
    for (int N = Column; N > 0; N = (N - 1) / 26)
        Name = AnsiString(std::string(1, char('A' + (N - 1) % 26))) + Name;
    return Name;
}

int SheetView::ColumnPixels(int Width256)
{
    return (Width256 * DigitWidth + 128) / 256;
}

int SheetView::DefaultColumnPixels(int Characters)
{
    // The default width counts characters without the cell's margins,
    // which take about one more digit: 8 characters are 64 pixels.
    return Characters * DigitWidth + DigitWidth + 1;
}

int SheetView::RowPixels(int Twips)
{
    return (Twips + 7) / 15;
}

// ---- layout ---------------------------------------------------------------------------------

void SheetView::ApplyLayout()
{
    const ExcelArea Used = UsedArea();
    const int Rows = std::min(Used.Row + Used.RowCount - 1 + SpareRows, ExcelSheetRows);
    const int Columns = std::clamp(Used.Column + Used.ColumnCount - 1 + SpareColumns, MinColumns,
                                   ExcelSheetColumns);
    SetRowCount(2);
    SetColCount(2);
    SetFixedRows(1);
    SetFixedCols(1);
    const WorkbookSheet* Data = FSheet ? &FSheet->Data() : nullptr;
    SetDefaultColWidth(DefaultColumnPixels(Data ? Data->DefaultColumnWidth : 8));
    SetDefaultRowHeight(RowPixels(Data ? Data->DefaultRowHeight : 255));
    SetRowCount(Rows + 1);
    SetColCount(Columns + 1);
    SetColWidths(0, RowHeaderWidth);
    SetRowHeights(0, ColumnHeaderHeight);
    if (!Data)
        return;
    for (const WorkbookColumns& Run : Data->Columns)
        for (int C = Run.First; C <= Run.Last && C < ColCount(); ++C)
            SetColWidths(C, Run.Hidden ? 0 : ColumnPixels(Run.Width));
    for (const WorkbookRow& R : Data->Rows) {
        if (int(R.Row) >= RowCount())
            break;
        SetRowHeights(int(R.Row), RowPixels(R.Height));
    }
}

void SheetView::Reach(int Row, int Column)
{
    const int Rows = std::min(std::max(Row + SpareRows, RowCount() - 1), ExcelSheetRows);
    const int Columns = std::min(std::max(Column + SpareColumns, ColCount() - 1), ExcelSheetColumns);
    const int OldRows = RowCount();
    if (Rows + 1 != RowCount())
        SetRowCount(Rows + 1);
    if (Columns + 1 != ColCount())
        SetColCount(Columns + 1);
    if (!FSheet || RowCount() == OldRows)
        return;
    // The new rows take their heights from the file.
    for (const WorkbookRow& R : FSheet->Data().Rows)
        if (int(R.Row) >= OldRows && int(R.Row) < RowCount())
            SetRowHeights(int(R.Row), RowPixels(R.Height));
}

// ---- selection ------------------------------------------------------------------------------

ExcelArea SheetView::SheetSelection() const
{
    const TGridRect S = Selection();
    ExcelArea A{S.Top, S.Left, S.Bottom - S.Top + 1, S.Right - S.Left + 1};
    if (FWhole == Whole::Columns || FWhole == Whole::Sheet) {
        A.Row = 1;
        A.RowCount = ExcelSheetRows;
    }
    if (FWhole == Whole::Rows || FWhole == Whole::Sheet) {
        A.Column = 1;
        A.ColumnCount = ExcelSheetColumns;
    }
    return A;
}

void SheetView::SheetSelect(const ExcelArea& Area)
{
    const bool AllRows = Area.Row == 1 && Area.RowCount >= ExcelSheetRows;
    const bool AllColumns = Area.Column == 1 && Area.ColumnCount >= ExcelSheetColumns;
    const int Bottom = Area.Row + Area.RowCount - 1;
    const int Right = Area.Column + Area.ColumnCount - 1;
    if (!AllRows || !AllColumns)
        Reach(AllRows ? 1 : Bottom, AllColumns ? 1 : Right);
    const Whole Kind = AllRows && AllColumns ? Whole::Sheet
                     : AllRows              ? Whole::Columns
                     : AllColumns           ? Whole::Rows
                                            : Whole::None;
    SelectCells({AllColumns ? ColCount() - 1 : Right, AllRows ? RowCount() - 1 : Bottom},
                {Area.Column, Area.Row}, Kind, /*Show=*/true);
}

void SheetView::SelectCells(TGridCoord Anchor, TGridCoord Current, Whole Kind, bool Show)
{
    auto Clamp = [this](TGridCoord& P) {
        P.X = std::clamp(P.X, 1, ColCount() - 1);
        P.Y = std::clamp(P.Y, 1, RowCount() - 1);
    };
    Clamp(Anchor);
    Clamp(Current);
    FWhole = Kind;
    FAnchor = Anchor;
    FCurrent = Current;
    if (Show)
        ClampInView(FCurrent);
    Invalidate();
}

bool SheetView::InSelection(int ACol, int ARow) const
{
    const TGridRect S = Selection();
    return ACol >= S.Left && ACol <= S.Right && ARow >= S.Top && ARow <= S.Bottom;
}

void SheetView::SheetFillsChanged()
{
    Invalidate();
}

void SheetView::SheetClosed()
{
    FSheet = nullptr;
    FWhole = Whole::None;
    FDrag = Whole::None;
    ApplyLayout();
    FAnchor = FCurrent = {1, 1};
    Invalidate();
}

// ---- input ----------------------------------------------------------------------------------

bool SheetView::HeaderAt(int X, int Y, TGridCoord& Cell)
{
    Cell = MouseCoord(X, Y);
    if (Cell.X < 0 || Cell.Y < 0)
        return false;
    return Cell.X == 0 || Cell.Y == 0;
}

void SheetView::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TGridCoord Hit;
    if (Button != mbLeft || Shift.Contains(ssDouble) || !HeaderAt(X, Y, Hit)) {
        if (Button == mbLeft && !Shift.Contains(ssDouble))
            FWhole = Whole::None;
        inherited::MouseDown(Button, Shift, X, Y);
        return;
    }
    if (CanFocus() && !Focused())
        SetFocus();
    const bool Extend = Shift.Contains(ssShift);
    if (Hit.X == 0 && Hit.Y == 0) {
        FDrag = Whole::None;
        SelectCells({ColCount() - 1, RowCount() - 1}, {1, 1}, Whole::Sheet, /*Show=*/false);
    } else if (Hit.Y == 0) {
        FDrag = Whole::Columns;
        FDragStart = {Extend ? FCurrent.X : Hit.X, 1};
        SelectCells({Hit.X, RowCount() - 1}, FDragStart, Whole::Columns, /*Show=*/false);
    } else {
        FDrag = Whole::Rows;
        FDragStart = {1, Extend ? FCurrent.Y : Hit.Y};
        SelectCells({ColCount() - 1, Hit.Y}, FDragStart, Whole::Rows, /*Show=*/false);
    }
    // The control's own mouse event, without the grid's cell selection.
    TCustomControl::MouseDown(Button, Shift, X, Y);
}

void SheetView::MouseMove(TShiftState Shift, int X, int Y)
{
    if (FDrag == Whole::None) {
        inherited::MouseMove(Shift, X, Y);
        return;
    }
    const TGridCoord Hit = MouseCoord(X, Y);
    if (FDrag == Whole::Columns && Hit.X >= 1) {
        SelectCells({Hit.X, RowCount() - 1}, FDragStart, Whole::Columns, /*Show=*/false);
        ClampInView({Hit.X, TopRow()});
    } else if (FDrag == Whole::Rows && Hit.Y >= 1) {
        SelectCells({ColCount() - 1, Hit.Y}, FDragStart, Whole::Rows, /*Show=*/false);
        ClampInView({LeftCol(), Hit.Y});
    }
    TCustomControl::MouseMove(Shift, X, Y);
}

void SheetView::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (FDrag == Whole::None) {
        inherited::MouseUp(Button, Shift, X, Y);
        return;
    }
    FDrag = Whole::None;
    TCustomControl::MouseUp(Button, Shift, X, Y);
}

void SheetView::KeyDown(Word& Key, TShiftState Shift)
{
    const bool Ctrl = Shift.Contains(ssCtrl);
    if (Key == VK_END && Ctrl) {
        // The last cell of the used range, as the spreadsheet goes.
        const ExcelArea Used = UsedArea();
        const int Row = Used.Row + Used.RowCount - 1;
        const int Column = Used.Column + Used.ColumnCount - 1;
        FWhole = Whole::None;
        if (Shift.Contains(ssShift)) {
            FAnchor = {Column, Row};
            ClampInView(FAnchor);
            Invalidate();
        } else {
            FocusCell(Column, Row, /*MoveAnchor=*/true);
        }
        Key = 0;
        return;
    }
    if (Shift.Contains(ssShift) && ExtendByKey(Key, Ctrl)) {
        Key = 0;
        return;
    }
    switch (Key) {
    case VK_DOWN:
    case VK_NEXT:
        // Going down past the rows there are makes more.
        if (std::max(FCurrent.Y, FAnchor.Y) + VisibleRowCount() >= RowCount() - 1)
            Reach(std::max(FCurrent.Y, FAnchor.Y) + VisibleRowCount(), ColCount() - 1);
        break;
    case VK_RIGHT:
        if (std::max(FCurrent.X, FAnchor.X) + 1 >= ColCount() - 1)
            Reach(RowCount() - 1, std::max(FCurrent.X, FAnchor.X) + 1);
        break;
    default:
        break;
    }
    const TGridRect Before = Selection();
    const TGridCoord Current = FCurrent;
    inherited::KeyDown(Key, Shift);
    // A key that moved the selection leaves whole columns and rows behind.
    if (!(Selection() == Before) || !(FCurrent == Current))
        FWhole = Whole::None;
}

bool SheetView::ExtendByKey(Word Key, bool Ctrl)
{
    // As in the spreadsheet: the current cell stays, the far corner of the
    // selection moves.
    TGridCoord To = FAnchor;
    switch (Key) {
    case VK_UP: --To.Y; break;
    case VK_DOWN: ++To.Y; break;
    case VK_LEFT: --To.X; break;
    case VK_RIGHT: ++To.X; break;
    case VK_PRIOR: To.Y -= VisibleRowCount(); break;
    case VK_NEXT: To.Y += VisibleRowCount(); break;
    case VK_HOME:
        To.X = 1;
        if (Ctrl)
            To.Y = 1;
        break;
    default:
        return false;
    }
    Reach(std::min(To.Y, ExcelSheetRows), std::min(To.X, ExcelSheetColumns));
    To.X = std::clamp(To.X, 1, ColCount() - 1);
    To.Y = std::clamp(To.Y, 1, RowCount() - 1);
    FWhole = Whole::None;
    FAnchor = To;
    ClampInView(To);
    Invalidate();
    return true;
}

// ---- painting -------------------------------------------------------------------------------

void SheetView::DrawHeader(int ACol, int ARow, const TRect& R)
{
    TCanvas* C = Canvas();
    const TGridRect S = Selection();
    const bool Marked = (ARow == 0 && ACol > 0 && ACol >= S.Left && ACol <= S.Right)
                     || (ACol == 0 && ARow > 0 && ARow >= S.Top && ARow <= S.Bottom);
    C->Brush()->SetColor(Marked ? HeaderSelected : clBtnFace);
    C->FillRect(R);
    if (ACol == 0 && ARow == 0)
        return;
    const AnsiString Text = ARow == 0 ? ColumnName(ACol) : IntToStr(ARow);
    C->Font()->Assign(Font());
    C->Font()->SetColor(clBtnText);
    if (Marked)
        C->Font()->SetStyle({fsBold});
    const TSize Size = C->TextExtent(Text);
    C->TextRect(R, R.Left + (R.Width() - Size.cx) / 2, R.Top + (R.Height() - Size.cy) / 2, Text);
}

void SheetView::DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState)
{
    if (AState.Contains(gdFixed)) {
        DrawHeader(ACol, ARow, ARect);
        return;
    }
    TCanvas* C = Canvas();
    TColor Back = clWindow;
    Integer Fill = 0;
    if (FSheet && FSheet->CellFill(ARow, ACol, Fill))
        Back = static_cast<TColor>(Fill & 0xFFFFFF);
    const bool Current = ACol == FCurrent.X && ARow == FCurrent.Y;
    if (!Current && InSelection(ACol, ARow))
        Back = Mix(Back, SelectionTint, 30);
    C->Brush()->SetColor(Back);
    C->FillRect(ARect);
    C->Font()->Assign(Font());
    const WorkbookCell* Cell = FSheet ? FSheet->Data().Find(uint32_t(ARow), uint32_t(ACol)) : nullptr;
    if (!Cell || Cell->Kind == CellKind::Blank) {
        DrawSpill(ACol, ARow, ARect);
    } else {
        const AnsiString Text = WorkbookCellText(FSheet->Book(), *Cell);
        const TSize Size = C->TextExtent(Text);
        const int Y = ARect.Bottom - Size.cy - 1;
        int X = ARect.Left + 2;
        if (Cell->Kind == CellKind::Number)
            X = ARect.Right - Size.cx - 2;
        else if (Cell->Kind == CellKind::Boolean || Cell->Kind == CellKind::Error)
            X = ARect.Left + (ARect.Width() - Size.cx) / 2;
        // A number too wide for its column shows as "#", as the
        // spreadsheet shows it, rather than a part of its digits.
        if (Cell->Kind == CellKind::Number && Size.cx > ARect.Width() - 3) {
            AnsiString Hashes;
            for (int W = C->TextWidth("#"); W > 0 && (Hashes.Length() + 1) * W <= ARect.Width() - 3;)
                Hashes += "#";
            C->TextRect(ARect, ARect.Left + 2, Y, Hashes);
        } else {
            C->TextRect(ARect, X, Y, Text);
        }
    }
    if (Current) {
        C->Brush()->SetColor(clBlack);
        C->FrameRect(ARect);
        C->FrameRect(Rect(ARect.Left + 1, ARect.Top + 1, ARect.Right - 1, ARect.Bottom - 1));
    }
}

void SheetView::DrawSpill(int ACol, int ARow, const TRect& R)
{
    if (!FSheet)
        return;
    const WorkbookSheet& Data = FSheet->Data();
    int Offset = 0;
    for (int Col = ACol - 1; Col >= 1 && Col >= ACol - SpillReach; --Col) {
        Offset += ColWidths(Col) + GridLineWidth();
        const WorkbookCell* Cell = Data.Find(uint32_t(ARow), uint32_t(Col));
        if (!Cell || Cell->Kind == CellKind::Blank)
            continue;
        // Only text spills over, and only to the right.
        if (Cell->Kind != CellKind::Text)
            return;
        TCanvas* C = Canvas();
        const AnsiString Text(FSheet->Book().Text(*Cell));
        const TSize Size = C->TextExtent(Text);
        const int X = R.Left - Offset + 2;
        if (X + Size.cx > R.Left)
            C->TextRect(R, X, R.Bottom - Size.cy - 1, Text);
        return;
    }
}

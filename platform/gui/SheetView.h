#pragma once

// SheetView: a read-only view of one sheet of an open workbook, in the
// place the spreadsheet application's window takes inside a form. Column
// letters and row numbers stay on top and at the left; cells show their
// texts as the sheet formats them (ExcelRange::Text) with the fills set
// through the automation calls; column widths and row heights are the
// file's where it has them.
//
// The operator selects a rectangle with the mouse (Shift extends it), whole
// columns and rows by their headers, the whole sheet by the corner, and
// with the keys (arrows, Page keys, Ctrl+Home to A1, Ctrl+End to the last
// used cell; Shift extends). The view is the sheet's window
// (ExcelSheetWindow): the automation's Selection is what it shows, and
// Range.Select moves what it shows.
//
// Grid coordinates are sheet coordinates: row 0 and column 0 are the
// headers, sheet row R is grid row R. The grid reaches a little past the
// used range (it grows when the operator selects further); a whole column
// or row still means all 65536 rows or 256 columns of the sheet.

#include "platform/gui/Grids.h"
#include "platform/sheets/ExcelApplication.h"

class SheetView : public TCustomGrid, public ExcelSheetWindow {
    PRICETAGS_CLASS(SheetView, TCustomGrid)
public:
    explicit SheetView(TComponent* AOwner);
    ~SheetView() override;

    /// Shows Sheet (not owned; null shows an empty view) with A1 current.
    /// The view attaches itself as the sheet's window and lets go of a
    /// sheet before; a sheet that goes away with its workbook is dropped.
    void SetSheet(const ExcelWorksheet* Sheet);
    [[nodiscard]] const ExcelWorksheet* Sheet() const { return FSheet; }

    /// The sheet's used range; A1 without a sheet or cells.
    [[nodiscard]] ExcelArea UsedArea() const;
    /// Column letters of a 1-based column: 1 "A", 26 "Z", 27 "AA".
    [[nodiscard]] static AnsiString ColumnName(int Column);
    /// Pixels of a column width in 1/256 characters, of the file's default
    /// width in characters, of a row height in twips (96 dpi).
    [[nodiscard]] static int ColumnPixels(int Width256);
    [[nodiscard]] static int DefaultColumnPixels(int Characters);
    [[nodiscard]] static int RowPixels(int Twips);

    // ExcelSheetWindow.
    [[nodiscard]] ExcelArea SheetSelection() const override;
    void SheetSelect(const ExcelArea& Area) override;
    void SheetFillsChanged() override;
    void SheetClosed() override;

protected:
    void DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState) override;
    void KeyDown(Word& Key, TShiftState Shift) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

private:
    /// What the headers selected: nothing (a cell rectangle), whole
    /// columns, whole rows, or the whole sheet.
    enum class Whole { None, Columns, Rows, Sheet };

    /// Grid size, widths and heights for the sheet shown.
    void ApplyLayout();
    /// Grows the grid so that the sheet's Row and Column are in it.
    void Reach(int Row, int Column);
    /// Selects from the anchor cell to the current cell (grid numbers),
    /// Kind saying whether they stand for whole columns or rows.
    void SelectCells(TGridCoord Anchor, TGridCoord Current, Whole Kind, bool Show);
    /// The header cell under a client point: column header (Col >= 1, Row
    /// 0), row header (Col 0, Row >= 1), corner (0, 0); false elsewhere.
    bool HeaderAt(int X, int Y, TGridCoord& Cell);
    void DrawHeader(int ACol, int ARow, const TRect& R);
    /// Text of a cell spilling over from a text cell to its left into the
    /// empty cell (ACol, ARow) drawn at R.
    void DrawSpill(int ACol, int ARow, const TRect& R);
    [[nodiscard]] bool InSelection(int ACol, int ARow) const;
    /// Moves the far corner of the selection by a navigation key held with
    /// Shift; false for any other key.
    bool ExtendByKey(Word Key, bool Ctrl);

    const ExcelWorksheet* FSheet = nullptr;
    Whole FWhole = Whole::None;
    /// A header drag in progress: its kind and the header it started on.
    Whole FDrag = Whole::None;
    TGridCoord FDragStart;
};

#pragma once

// The stand-in for the spreadsheet application's automation server
// ("Excel.Application"): the program opens a workbook through it and reads
// cell values, with calls shaped like the server's objects, so that code
// written against the server reads the same:
//
//     std::unique_ptr<ExcelApplication> App = CreateOleObject("Excel.Application");
//     App->Application().Workbooks().Open(FileName);
//     Variant Table = App->Application().ActiveSheet().UsedRange().Value();
//     int FirstRow = App->Application().ActiveSheet().UsedRange().Cells(1, 1).Row();
//     App->DisplayAlerts = false;
//     App->ActiveWorkbook().Close(/*SaveChanges=*/false);
//     App->Application().Quit();
//
// Behind it stands the program's own workbook reader (Workbook.h); a
// workbook is read whole when it is opened and never written. Properties
// that only steer the server's windows (DisplayAlerts, Visible,
// ScreenUpdating) are kept and have no effect.
//
// Values of cells are Variants: Empty for a cell without a value, a double
// for a number, a date (varDate) for a number in a date or time format,
// Currency for a number in a money format, a Boolean, a worksheet error
// (varError with the server's code, see ExcelErrorValue) or CP1251 text.
//
// For a window that shows a sheet, a sheet also keeps what the operator
// selected (Select, Selection) and the fill colours set on its cells
// (Interior); both live with the open workbook and are never written. A
// window attached to the sheet (ExcelSheetWindow) holds the selection
// itself: Selection answers with what the window shows, and Select moves
// what it shows.
//
// Lifetimes: the application owns its open workbooks, a workbook owns its
// sheets. References to them stay valid until the workbook is closed or the
// application quits or is freed; an ExcelRange (and an ExcelInterior) points
// to its sheet and shares that lifetime.

#include "platform/sheets/Workbook.h"

#include "platform/rtl/AnsiString.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Variant.h"

#include <memory>
#include <vector>

/// An error of an automation call (a cell outside the sheet, no workbook
/// open, a sheet index out of range).
PRICETAGS_EXCEPTION(EOleError, Exception);
PRICETAGS_EXCEPTION(EOleException, EOleError);
/// The server could not be created (an unknown class name).
PRICETAGS_EXCEPTION(EOleSysError, EOleError);

class ExcelApplication;
class ExcelInterior;
class ExcelWorksheet;

/// Rows and columns of a sheet, 1-based.
inline constexpr int ExcelSheetRows = 65536;
inline constexpr int ExcelSheetColumns = 256;

/// A rectangle of a sheet: its first cell and its size, 1-based sheet
/// numbers.
struct ExcelArea {
    int Row = 1;
    int Column = 1;
    int RowCount = 1;
    int ColumnCount = 1;
    friend bool operator==(const ExcelArea&, const ExcelArea&) = default;
};

/// A window showing a sheet (see ExcelWorksheet::AttachWindow).
class ExcelSheetWindow {
public:
    /// The cells selected in the window.
    [[nodiscard]] virtual ExcelArea SheetSelection() const = 0;
    /// Selects Area in the window (Range.Select).
    virtual void SheetSelect(const ExcelArea& Area) = 0;
    /// Cell fills changed: the window repaints.
    virtual void SheetFillsChanged() = 0;
    /// The sheet is going away with its workbook: the window forgets it.
    virtual void SheetClosed() = 0;

protected:
    ~ExcelSheetWindow() = default;
};

/// The varError code the server gives for a worksheet error stored in a file
/// as FileCode (0x2A #N/A is 0x800A07FA, and so on).
[[nodiscard]] Integer ExcelErrorValue(uint8_t FileCode);

/// A rectangle of cells of one sheet, the server's Range. Rows and columns
/// are 1-based sheet numbers.
class ExcelRange {
public:
    /// Sheet row and column of the range's first cell.
    [[nodiscard]] int Row() const { return FRow; }
    [[nodiscard]] int Column() const { return FColumn; }
    /// The one cell at Row, Column counted from this range's first cell
    /// (1, 1 is that cell; beyond the range is allowed, as with the
    /// server). Raises EOleException when the cell lies outside the sheet.
    [[nodiscard]] ExcelRange Cells(int Row, int Column) const;
    /// The range seen as rows or as columns: their Count is the number of
    /// rows or of columns.
    [[nodiscard]] ExcelRange Rows() const;
    [[nodiscard]] ExcelRange Columns() const;
    /// Cells, rows or columns, by how the range is seen.
    [[nodiscard]] int Count() const;
    /// The value of a single cell obtained through Cells; for any other
    /// range a two-dimensional array [1..rows, 1..columns] of the cells'
    /// values, also when the range holds one cell only, so that a table is
    /// always a table. Raises EOleException for a range of more than
    /// MaxTableCells cells.
    [[nodiscard]] Variant Value() const;
    /// Makes this range its sheet's selection (the application's Selection
    /// while the sheet is the active one).
    void Select() const;
    /// The text the first cell shows, formatted as the sheet formats it:
    /// numbers in the general format, money with two decimals and "р.",
    /// dates as dd.mm.yyyy (with the time when there is one), "ИСТИНА" and
    /// "ЛОЖЬ", the errors by their Russian names; '' for an empty cell.
    [[nodiscard]] AnsiString Text() const;
    /// The fill of the range's cells.
    [[nodiscard]] ExcelInterior Interior() const;

    /// The largest range Value turns into an array: 65536 rows of 32
    /// columns. A sheet with two cells far apart would otherwise ask for
    /// gigabytes.
    static constexpr int MaxTableCells = 65536 * 32;

private:
    friend class ExcelInterior;
    friend class ExcelWorksheet;
    enum class View { Cells, Rows, Columns };

    ExcelRange(const ExcelWorksheet& Sheet, int Row, int Column, int RowCount, int ColumnCount,
               bool SingleCell)
        : FSheet(&Sheet), FRow(Row), FColumn(Column), FRowCount(RowCount),
          FColumnCount(ColumnCount), FSingleCell(SingleCell) {}

    const ExcelWorksheet* FSheet;
    int FRow;
    int FColumn;
    int FRowCount;
    int FColumnCount;
    bool FSingleCell;
    View FView = View::Cells;
};

/// The fill of a range's cells, the server's Interior. Colours are RGB
/// values as 0x00BBGGRR.
class ExcelInterior {
public:
    /// The colour last set on the range's first cell; white (0xFFFFFF)
    /// when none was.
    [[nodiscard]] Integer Color() const;
    /// Fills every cell of the range with Color.
    void SetColor(Integer Color);

private:
    friend class ExcelRange;
    explicit ExcelInterior(const ExcelRange& Range) : FRange(Range) {}

    ExcelRange FRange;
};

/// One sheet of an open workbook, the server's Worksheet.
class ExcelWorksheet {
public:
    ExcelWorksheet(const Workbook& Book, int Index) : FBook(Book), FIndex(Index) {}
    /// Tells an attached window that the sheet is gone.
    ~ExcelWorksheet();
    ExcelWorksheet(const ExcelWorksheet&) = delete;
    ExcelWorksheet& operator=(const ExcelWorksheet&) = delete;

    [[nodiscard]] const AnsiString& Name() const;
    /// 1-based position among the workbook's sheets.
    [[nodiscard]] int Index() const { return FIndex + 1; }
    /// The smallest rectangle holding every cell the file has on this
    /// sheet, blank formatted cells included; A1 on an empty sheet.
    [[nodiscard]] ExcelRange UsedRange() const;
    /// One cell by its sheet row and column; EOleException outside the
    /// sheet (65536 rows, 256 columns).
    [[nodiscard]] ExcelRange Cells(int Row, int Column) const;
    /// The rectangle from the first cell of Cell1 to the last cell of
    /// Cell2 (in either order), both ranges of this sheet; EOleException
    /// for a range of another sheet.
    [[nodiscard]] ExcelRange Range(const ExcelRange& Cell1, const ExcelRange& Cell2) const;
    /// What was selected last on this sheet; A1 until anything is. With a
    /// window attached, what the window shows selected.
    [[nodiscard]] ExcelRange Selection() const;
    /// Shows the used range as printed pages in the program's print view,
    /// through the handler set by SetExcelPrintPreview; EOleException when
    /// there is none.
    void PrintPreview() const;

    /// The workbook data of the sheet, for a window that draws it.
    [[nodiscard]] const Workbook& Book() const { return FBook; }
    [[nodiscard]] const WorkbookSheet& Data() const { return FBook.Sheet(FIndex); }
    /// The fill colour of one cell (RGB as 0x00BBGGRR); false when the cell
    /// has no fill set.
    [[nodiscard]] bool CellFill(int Row, int Column, Integer& Color) const;
    /// Makes Window (null: none) the window showing this sheet. The window
    /// must detach itself, or outlive the sheet, which calls SheetClosed on
    /// it when it goes.
    void AttachWindow(ExcelSheetWindow* Window) const;
    [[nodiscard]] ExcelSheetWindow* Window() const { return FWindow; }

private:
    friend class ExcelRange;
    friend class ExcelInterior;

    /// A rectangle of cells filled with one colour.
    struct Fill {
        int Row;
        int Column;
        int RowCount;
        int ColumnCount;
        Integer Color;
    };

    [[nodiscard]] Variant CellValue(const WorkbookCell* Cell) const;
    /// Appends the value of Cell to Items.
    void AddCellValue(std::vector<Variant>& Items, const WorkbookCell& Cell) const;

    const Workbook& FBook;
    int FIndex;
    // What the operator does on the sheet, not the workbook's content: a
    // sheet read through a const reference still takes a selection and
    // fills.
    mutable int FSelRow = 1;
    mutable int FSelColumn = 1;
    mutable int FSelRows = 1;
    mutable int FSelColumns = 1;
    /// In the order set; a later fill covers an earlier one. Filling the
    /// same rectangle again replaces its entry, so the list stays short.
    mutable std::vector<Fill> FFills;
    /// The window showing the sheet; not owned.
    mutable ExcelSheetWindow* FWindow = nullptr;
};

/// What ExcelWorksheet::PrintPreview runs; the program sets it at start-up.
using ExcelPrintPreviewHandler = void (*)(const ExcelWorksheet& Sheet);
void SetExcelPrintPreview(ExcelPrintPreviewHandler Handler);

/// An open workbook, the server's Workbook.
class ExcelWorkbook {
public:
    ExcelWorkbook(ExcelApplication& App, Workbook&& Book);
    ExcelWorkbook(const ExcelWorkbook&) = delete;
    ExcelWorkbook& operator=(const ExcelWorkbook&) = delete;

    /// The file name as opened.
    [[nodiscard]] const AnsiString& FullName() const { return FBook.FileName(); }
    /// The sheets, in tab order; Count and Item(1-based).
    [[nodiscard]] int WorksheetCount() const { return static_cast<int>(FSheets.size()); }
    /// EOleException when Index is outside 1..WorksheetCount.
    [[nodiscard]] ExcelWorksheet& Worksheets(int Index) const;
    /// The sheet that was active when the file was saved.
    [[nodiscard]] ExcelWorksheet& ActiveSheet() const;
    /// Closes the workbook: it leaves the application's list and is freed,
    /// with every reference to it. Nothing is ever written, whatever
    /// SaveChanges says.
    void Close(bool SaveChanges);

private:
    ExcelApplication& FApp;
    Workbook FBook;
    std::vector<std::unique_ptr<ExcelWorksheet>> FSheets;
};

/// The open workbooks, the server's Workbooks collection.
class ExcelWorkbooks {
public:
    explicit ExcelWorkbooks(ExcelApplication& App) : FApp(App) {}
    ExcelWorkbooks(const ExcelWorkbooks&) = delete;
    ExcelWorkbooks& operator=(const ExcelWorkbooks&) = delete;

    /// Reads the workbook file and makes it the active one. Raises what the
    /// reader raises: EFOpenError "Файл не найден: <name>" and
    /// EWorkbookError for a file that is no readable workbook.
    ExcelWorkbook& Open(const AnsiString& Filename);
    [[nodiscard]] int Count() const;
    /// 1-based; EOleException outside 1..Count.
    [[nodiscard]] ExcelWorkbook& Item(int Index) const;

private:
    ExcelApplication& FApp;
};

/// The server itself, the server's Application.
class ExcelApplication {
public:
    ExcelApplication() = default;
    ExcelApplication(const ExcelApplication&) = delete;
    ExcelApplication& operator=(const ExcelApplication&) = delete;

    /// The application object itself (the server's App.Application).
    [[nodiscard]] ExcelApplication& Application() { return *this; }
    [[nodiscard]] ExcelWorkbooks& Workbooks() { return FWorkbooks; }
    /// The workbook opened last and not yet closed; EOleException
    /// "Нет открытой книги" when none is open.
    [[nodiscard]] ExcelWorkbook& ActiveWorkbook() const;
    /// The active workbook's active sheet; raises as ActiveWorkbook.
    [[nodiscard]] ExcelWorksheet& ActiveSheet() const;
    /// The active sheet's selection; raises as ActiveWorkbook.
    [[nodiscard]] ExcelRange Selection() const;
    /// Closes every workbook without saving. The application stays usable,
    /// as a fresh one.
    void Quit();

    /// Kept, without effect: there are no windows and no questions.
    bool DisplayAlerts = true;
    bool Visible = false;
    bool ScreenUpdating = true;

private:
    friend class ExcelWorkbook;
    friend class ExcelWorkbooks;

    ExcelWorkbooks FWorkbooks{*this};
    /// In the order opened; the last is the active one.
    std::vector<std::unique_ptr<ExcelWorkbook>> FOpen;
};

/// Starts an automation server by its class name. Only "Excel.Application"
/// (in any case) is known; any other name raises EOleSysError
/// "Недопустимая строка с указанием класса".
[[nodiscard]] std::unique_ptr<ExcelApplication> CreateOleObject(const AnsiString& ClassName);

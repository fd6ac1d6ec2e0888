#include "platform/sheets/ExcelApplication.h"

#include "platform/rtl/StrUtils.h"

#include <algorithm>
#include <cassert>

namespace {

const AnsiString& SNoWorkbook() { return "Нет открытой книги"_a; }
const AnsiString& SOutsideSheet() { return "Ошибка, определяемая приложением или объектом"_a; }
const AnsiString& SBadIndex() { return "Индекс выходит за пределы допустимого диапазона"_a; }
const AnsiString& SRangeTooLarge() { return "Слишком большой диапазон ячеек: "_a; }
const AnsiString& SBadClass() { return "Недопустимая строка с указанием класса"_a; }
const AnsiString& SNoPreview() { return "Предварительный просмотр недоступен"_a; }

ExcelPrintPreviewHandler& PreviewHandler()
{
    static ExcelPrintPreviewHandler Handler = nullptr;
    return Handler;
}

constexpr int SheetRows = ExcelSheetRows;
constexpr int SheetColumns = ExcelSheetColumns;
/// The server's error values are 0x800A0000 + 2000 + the file's code
/// (#N/A: 2042).
constexpr uint32_t ErrorValueBase = 0x800A0000u + 2000;
/// Beyond this a number does not fit Currency; it stays a double.
constexpr double CurrencyLimit = 922337203685477.0;
/// The colour the server reports for a cell without a fill.
constexpr Integer White = 0xFFFFFF;

}  // namespace

Integer ExcelErrorValue(uint8_t FileCode)
{
    return static_cast<Integer>(ErrorValueBase + FileCode);
}

// ---- ExcelRange ----------------------------------------------------------------

ExcelRange ExcelRange::Cells(int Row, int Column) const
{
    // In 64 bits, so that no argument can overflow before the sheet check.
    const int64_t SheetRow = int64_t(FRow) + Row - 1;
    const int64_t SheetColumn = int64_t(FColumn) + Column - 1;
    if (SheetRow < 1 || SheetRow > SheetRows || SheetColumn < 1 || SheetColumn > SheetColumns)
        throw EOleException(SOutsideSheet());
    return FSheet->Cells(int(SheetRow), int(SheetColumn));
}

ExcelRange ExcelRange::Rows() const
{
    ExcelRange R = *this;
    R.FView = View::Rows;
    return R;
}

ExcelRange ExcelRange::Columns() const
{
    ExcelRange R = *this;
    R.FView = View::Columns;
    return R;
}

int ExcelRange::Count() const
{
    switch (FView) {
    case View::Cells:
        return FRowCount * FColumnCount;
    case View::Rows:
        return FRowCount;
    case View::Columns:
        return FColumnCount;
    }
    return 0;
}

Variant ExcelRange::Value() const
{
    const WorkbookSheet& Data = FSheet->Data();
    if (FSingleCell)
        return FSheet->CellValue(Data.Find(uint32_t(FRow), uint32_t(FColumn)));
    if (int64_t(FRowCount) * FColumnCount > MaxTableCells)
        throw EOleException(SRangeTooLarge() + FSheet->FBook.FileName());
    // The values are made in place, row by row, and the array takes them
    // over: no Empty element is made first and then replaced.
    std::vector<Variant> Items;
    const size_t Total = size_t(FRowCount) * size_t(FColumnCount);
    Items.reserve(Total);
    // Cells are sorted by row, then column: start at the first row of the
    // range and stop past its last.
    const uint32_t Top = uint32_t(FRow);
    const uint32_t Bottom = uint32_t(FRow + FRowCount - 1);
    const uint32_t Left = uint32_t(FColumn);
    const uint32_t Right = uint32_t(FColumn + FColumnCount - 1);
    auto It = std::lower_bound(Data.Cells.begin(), Data.Cells.end(), Top,
                               [](const WorkbookCell& C, uint32_t Row) { return C.Row < Row; });
    for (; It != Data.Cells.end() && It->Row <= Bottom; ++It) {
        if (It->Col < Left || It->Col > Right || It->Kind == CellKind::Blank)
            continue;
        const size_t Index = size_t(It->Row - Top) * size_t(FColumnCount) + (It->Col - Left);
        assert(Index >= Items.size() && "cells are sorted, one per position");
        while (Items.size() < Index)  // the cells without a value before this one
            Items.emplace_back();
        FSheet->AddCellValue(Items, *It);
    }
    while (Items.size() < Total)
        Items.emplace_back();
    return VarArrayOfRows(1, FRowCount, 1, FColumnCount, std::move(Items));
}

void ExcelRange::Select() const
{
    FSheet->FSelRow = FRow;
    FSheet->FSelColumn = FColumn;
    FSheet->FSelRows = FRowCount;
    FSheet->FSelColumns = FColumnCount;
    if (FSheet->FWindow)
        FSheet->FWindow->SheetSelect({FRow, FColumn, FRowCount, FColumnCount});
}

AnsiString ExcelRange::Text() const
{
    const WorkbookCell* Cell = FSheet->Data().Find(uint32_t(FRow), uint32_t(FColumn));
    return Cell ? WorkbookCellText(FSheet->FBook, *Cell) : AnsiString();
}

ExcelInterior ExcelRange::Interior() const
{
    return ExcelInterior(*this);
}

// ---- ExcelInterior -------------------------------------------------------------

Integer ExcelInterior::Color() const
{
    Integer Color = White;
    (void)FRange.FSheet->CellFill(FRange.Row(), FRange.Column(), Color);
    return Color;
}

void ExcelInterior::SetColor(Integer Color)
{
    const ExcelRange& R = FRange;
    auto& Fills = R.FSheet->FFills;
    const auto Same = std::find_if(Fills.begin(), Fills.end(), [&](const ExcelWorksheet::Fill& F) {
        return F.Row == R.FRow && F.Column == R.FColumn && F.RowCount == R.FRowCount
            && F.ColumnCount == R.FColumnCount;
    });
    if (Same != Fills.end())
        Fills.erase(Same);
    Fills.push_back({R.FRow, R.FColumn, R.FRowCount, R.FColumnCount, Color});
    if (R.FSheet->FWindow)
        R.FSheet->FWindow->SheetFillsChanged();
}

// ---- ExcelWorksheet ------------------------------------------------------------

ExcelWorksheet::~ExcelWorksheet()
{
    if (FWindow)
        FWindow->SheetClosed();
}

void ExcelWorksheet::AttachWindow(ExcelSheetWindow* Window) const
{
    FWindow = Window;
}

bool ExcelWorksheet::CellFill(int Row, int Column, Integer& Color) const
{
    for (auto It = FFills.rbegin(); It != FFills.rend(); ++It)
        if (Row >= It->Row && Row < It->Row + It->RowCount && Column >= It->Column
            && Column < It->Column + It->ColumnCount) {
            Color = It->Color;
            return true;
        }
    return false;
}

void ExcelWorksheet::PrintPreview() const
{
    const ExcelPrintPreviewHandler Handler = PreviewHandler();
    if (!Handler)
        throw EOleException(SNoPreview());
    Handler(*this);
}

void SetExcelPrintPreview(ExcelPrintPreviewHandler Handler)
{
    PreviewHandler() = Handler;
}

const AnsiString& ExcelWorksheet::Name() const
{
    return Data().Name;
}

ExcelRange ExcelWorksheet::UsedRange() const
{
    uint32_t FirstRow = 1, FirstCol = 1, LastRow = 1, LastCol = 1;
    (void)Data().UsedBounds(FirstRow, FirstCol, LastRow, LastCol);
    return ExcelRange(*this, int(FirstRow), int(FirstCol), int(LastRow - FirstRow + 1),
                      int(LastCol - FirstCol + 1), /*SingleCell=*/false);
}

ExcelRange ExcelWorksheet::Cells(int Row, int Column) const
{
    if (Row < 1 || Row > SheetRows || Column < 1 || Column > SheetColumns)
        throw EOleException(SOutsideSheet());
    return ExcelRange(*this, Row, Column, 1, 1, /*SingleCell=*/true);
}

ExcelRange ExcelWorksheet::Range(const ExcelRange& Cell1, const ExcelRange& Cell2) const
{
    if (Cell1.FSheet != this || Cell2.FSheet != this)
        throw EOleException(SOutsideSheet());
    const int Top = std::min(Cell1.FRow, Cell2.FRow);
    const int Left = std::min(Cell1.FColumn, Cell2.FColumn);
    const int Bottom = std::max(Cell1.FRow + Cell1.FRowCount, Cell2.FRow + Cell2.FRowCount) - 1;
    const int Right =
        std::max(Cell1.FColumn + Cell1.FColumnCount, Cell2.FColumn + Cell2.FColumnCount) - 1;
    return ExcelRange(*this, Top, Left, Bottom - Top + 1, Right - Left + 1,
                      /*SingleCell=*/false);
}

ExcelRange ExcelWorksheet::Selection() const
{
    if (FWindow) {
        const ExcelArea A = FWindow->SheetSelection();
        return ExcelRange(*this, A.Row, A.Column, A.RowCount, A.ColumnCount, /*SingleCell=*/false);
    }
    return ExcelRange(*this, FSelRow, FSelColumn, FSelRows, FSelColumns, /*SingleCell=*/false);
}

void ExcelWorksheet::AddCellValue(std::vector<Variant>& Items, const WorkbookCell& Cell) const
{
    // The values CellValue gives, each made where it stays.
    switch (Cell.Kind) {
    case CellKind::Number:
        if (Cell.Format == NumberKind::Plain) {
            Items.emplace_back(Cell.Number);
            return;
        }
        break;
    case CellKind::Text:
        Items.emplace_back(AnsiString(FBook.Text(Cell)));
        return;
    default:
        break;
    }
    Items.push_back(CellValue(&Cell));
}

Variant ExcelWorksheet::CellValue(const WorkbookCell* Cell) const
{
    if (!Cell)
        return Variant();
    switch (Cell->Kind) {
    case CellKind::Blank:
        return Variant();
    case CellKind::Number:
        switch (Cell->Format) {
        case NumberKind::Plain:
            return Variant(Cell->Number);
        case NumberKind::Date:
            return Variant(TDateTime(Cell->Number));
        case NumberKind::Currency:
            if (Cell->Number > -CurrencyLimit && Cell->Number < CurrencyLimit)
                return Variant(Currency(Cell->Number));
            return Variant(Cell->Number);
        }
        return Variant(Cell->Number);
    case CellKind::Text:
        return Variant(AnsiString(FBook.Text(*Cell)));
    case CellKind::Boolean:
        return Variant(Cell->Code != 0);
    case CellKind::Error:
        return Variant::Error(ExcelErrorValue(Cell->Code));
    }
    return Variant();
}

// ---- ExcelWorkbook -------------------------------------------------------------

ExcelWorkbook::ExcelWorkbook(ExcelApplication& App, Workbook&& Book)
    : FApp(App), FBook(std::move(Book))
{
    for (int I = 0; I < FBook.SheetCount(); ++I)
        FSheets.push_back(std::make_unique<ExcelWorksheet>(FBook, I));
}

ExcelWorksheet& ExcelWorkbook::Worksheets(int Index) const
{
    if (Index < 1 || Index > WorksheetCount())
        throw EOleException(SBadIndex());
    return *FSheets[size_t(Index - 1)];
}

ExcelWorksheet& ExcelWorkbook::ActiveSheet() const
{
    // A workbook without sheets cannot be saved by the server; the reader
    // still accepts one, and it has no active sheet.
    if (FSheets.empty())
        throw EOleException(SBadIndex());
    return *FSheets[size_t(FBook.ActiveSheet())];
}

void ExcelWorkbook::Close(bool SaveChanges)
{
    (void)SaveChanges;  // workbooks are only read
    auto& Open = FApp.FOpen;
    const auto It = std::find_if(Open.begin(), Open.end(),
                                 [this](const auto& P) { return P.get() == this; });
    assert(It != Open.end() && "an open workbook is in its application's list");
    // Frees this object: nothing may touch a member after the erase.
    Open.erase(It);
}

// ---- ExcelWorkbooks ------------------------------------------------------------

ExcelWorkbook& ExcelWorkbooks::Open(const AnsiString& Filename)
{
    auto Book = std::make_unique<ExcelWorkbook>(FApp, Workbook::LoadFromFile(Filename));
    FApp.FOpen.push_back(std::move(Book));
    return *FApp.FOpen.back();
}

int ExcelWorkbooks::Count() const
{
    return static_cast<int>(FApp.FOpen.size());
}

ExcelWorkbook& ExcelWorkbooks::Item(int Index) const
{
    if (Index < 1 || Index > Count())
        throw EOleException(SBadIndex());
    return *FApp.FOpen[size_t(Index - 1)];
}

// ---- ExcelApplication ----------------------------------------------------------

ExcelWorkbook& ExcelApplication::ActiveWorkbook() const
{
    if (FOpen.empty())
        throw EOleException(SNoWorkbook());
    return *FOpen.back();
}

ExcelWorksheet& ExcelApplication::ActiveSheet() const
{
    return ActiveWorkbook().ActiveSheet();
}

ExcelRange ExcelApplication::Selection() const
{
    return ActiveSheet().Selection();
}

void ExcelApplication::Quit()
{
    FOpen.clear();
}

std::unique_ptr<ExcelApplication> CreateOleObject(const AnsiString& ClassName)
{
    if (!SameText(ClassName, "Excel.Application"))
        throw EOleSysError(SBadClass());
    return std::make_unique<ExcelApplication>();
}

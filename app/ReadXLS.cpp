#include "app/ReadXLS.h"

#include "common/components/MsgWin.h"

#include "platform/sheets/ExcelApplication.h"

#include "platform/rtl/StrUtils.h"

#include <memory>

namespace {

/// The error window's text when the server cannot be started: title line,
/// "|", message line; the exception's message is appended with "]".
const AnsiString& SCreateFailed()
{
    return "Ошибка создания объекта \"Excel.Application\"\\nВозможно, не установлен "
           "\"Microsoft Office XP\"|\\nОшибка системы: ["_a;
}

/// Tells the server to quit when the read ends, however it ends.
class QuitGuard {
public:
    explicit QuitGuard(ExcelApplication& App) : FApp(App) {}
    ~QuitGuard() { FApp.Application().Quit(); }
    QuitGuard(const QuitGuard&) = delete;
    QuitGuard& operator=(const QuitGuard&) = delete;

private:
    ExcelApplication& FApp;
};

}  // namespace

void ReadXLSToTable(const AnsiString& FileName, Variant& Table, int& FirstColumn, int& FirstRow)
{
    const AnsiString Name = AnsiDequotedStr(FileName, '"');
    std::unique_ptr<ExcelApplication> App;
    try {
        App = CreateOleObject("Excel.Application");
    } catch (const EOleError& E) {
        ErrorMsgAbort(SCreateFailed() + E.Message + "]");
    }
    const QuitGuard Quit(*App);
    App->Application().Workbooks().Open(/*Filename=*/Name);
    // The used range is found once: each call walks every cell of the sheet.
    const ExcelRange Used = App->Application().ActiveSheet().UsedRange();
    Table = Used.Value();
    FirstRow = Used.Cells(1, 1).Row();
    FirstColumn = Used.Cells(1, 1).Column();
    App->DisplayAlerts = false;
    App->ActiveWorkbook().Close(/*SaveChanges=*/false);
}

TableShape GetTableShape(const Variant& Table)
{
    TableShape Shape;
    if (VarArrayDimCount(Table) != 2)
        return Shape;
    const int RowLow = VarArrayLowBound(Table, 1);
    const int ColLow = VarArrayLowBound(Table, 2);
    const int Rows = VarArrayHighBound(Table, 1) - RowLow + 1;
    const int Cols = VarArrayHighBound(Table, 2) - ColLow + 1;
    if (Rows <= 0 || Cols <= 0)
        return Shape;
    return {RowLow, ColLow, Rows, Cols};
}

AnsiString GetTableCellText(const Variant& Table, int Row, int Column)
{
    const Variant& Cell = Table.GetElement(Row, Column);
    if (!CellHasText(Cell))
        return AnsiString();
    return Trim(VarToStr(Cell));
}

bool CellHasText(const Variant& Cell)
{
    // Empty, Null, dates, Booleans, worksheet errors: no number, no text.
    // Booleans are left out on purpose, though the classic VarIsNumeric
    // counts them as numbers: a sheet's TRUE is no amount and no name, and
    // as the text "True" it would spoil row patterns.
    const TVarType T = Cell.VType();
    return VarIsStr(Cell) || IsIntegerVarType(T) || IsFloatVarType(T);
}

#pragma once

// Reading a supplier's workbook into memory through the spreadsheet
// automation server: the used range of the active sheet as a table of cell
// values, and where that range lies on the sheet. The invoice import reads
// its rows from the table; every row and column number shown to the user is
// the table position plus the range's first row or column.

#include "platform/rtl/AnsiString.h"
#include "platform/rtl/Variant.h"

/// Fills Table with the used range of the workbook's active sheet: a
/// two-dimensional Variant array [1..rows, 1..columns] (dimension 1 the
/// rows), one cell value per element; FirstRow and FirstColumn become the
/// sheet row and column (1-based) of the range's first cell. Double quotes
/// around FileName are dropped. The server is told to quit in every case.
/// Raises what opening or reading raises (EFOpenError "Файл не найден:
/// <name>", EWorkbookError for a damaged or protected workbook); when the
/// server cannot be started, shows the error window and raises EAbort.
void ReadXLSToTable(const AnsiString& FileName, Variant& Table, int& FirstColumn, int& FirstRow);

/// Lower bounds and size of a table.
struct TableShape {
    int RowLow = 1;
    int ColLow = 1;
    int Rows = 0;
    int Cols = 0;
};

/// The shape of Table; no rows and no columns when it is not a
/// two-dimensional array or has no element.
[[nodiscard]] TableShape GetTableShape(const Variant& Table);

/// Trimmed text of the table element [Row, Column] (array indexes, lower
/// bound plus a zero-based offset): '' for an element without a text
/// (CellHasText); numbers as the runtime writes them ("10,5" under Russian
/// settings). Raises EVariantBadIndexError outside the table.
[[nodiscard]] AnsiString GetTableCellText(const Variant& Table, int Row, int Column);

/// Whether a cell value has a text for the analysis: a string or a number
/// (an integer, floating or Currency value). Empty and Null cells, dates,
/// Booleans (TRUE and FALSE are truth values, not numbers) and worksheet
/// errors have none. Decided by the value's type alone, whatever the
/// runtime's VarIsNumeric counts as a number.
[[nodiscard]] bool CellHasText(const Variant& Cell);

#pragma once

// Reader of .xls workbooks: the compound file that holds the record stream
// ("Workbook" for BIFF8, "Book" for BIFF5/7) and the records themselves.
// It yields every sheet's cells with their cached values (formula results
// included), the active sheet and the date mode. Text is CP1251: BIFF8's
// UTF-16 text is converted with '?' for characters the code page lacks,
// BIFF5's 8-bit text is taken from the workbook's code page.
//
// Bad input never crashes or allocates beyond a small multiple of the file:
// every count, length, sector number and chain is checked against the bytes
// there are, and a failure raises EWorkbookError (or EFOpenError for a file
// that cannot be opened) with a text that names the file.

#include "platform/rtl/AnsiString.h"
#include "platform/rtl/Exceptions.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

/// A workbook that cannot be read: not a workbook, password-protected,
/// damaged. The message names the file.
PRICETAGS_EXCEPTION(EWorkbookError, Exception);

/// What a cell holds. Blank cells (formatted, no value) are kept because
/// they belong to the sheet's used range.
enum class CellKind : uint8_t {
    Blank,
    Number,
    Text,
    Boolean,
    Error,
};

/// How a number cell is formatted, as far as the value is concerned.
enum class NumberKind : uint8_t {
    Plain,
    Date,      ///< a date or time format: Number is a TDateTime
    Currency,  ///< a money format
};

/// One cell. Row and Col are 1-based sheet coordinates (A1 is 1, 1). A
/// sheet holds a cell per used position, so a cell is kept in 16 bytes: its
/// value is one of Number, Text and Code, by Kind.
struct WorkbookCell {
    uint32_t Row = 0;
    uint16_t Col = 0;
    CellKind Kind = CellKind::Blank;
    NumberKind Format = NumberKind::Plain;  ///< meaningful for Number only
    union {
        /// Number: the value; for NumberKind::Date days since 1899-12-30
        /// whatever the workbook's date mode.
        double Number = 0;
        /// Text: the number of the cell's text in the workbook
        /// (Workbook::Text).
        uint32_t Text;
        /// Boolean: 0 or 1. Error: the file's error code (0x07 #DIV/0!,
        /// 0x2A #N/A ...).
        uint8_t Code;
    };
};
static_assert(sizeof(WorkbookCell) == 16, "a cell is kept small");

/// Widths the file sets for a run of columns (1-based, inclusive), in
/// 1/256 of the width of the digit "0" of the workbook's standard font.
struct WorkbookColumns {
    uint16_t First = 1;
    uint16_t Last = 1;
    uint16_t Width = 0;
    bool Hidden = false;
};

/// A row whose height the file sets (1-based), in twips (1/20 point); 0
/// for a hidden row.
struct WorkbookRow {
    uint32_t Row = 1;
    uint16_t Height = 0;
};

/// One sheet: its name and its cells sorted by row, then column, one cell
/// per position.
struct WorkbookSheet {
    AnsiString Name;
    /// False for chart, macro and other sheets; they have no cells.
    bool IsWorksheet = true;
    std::vector<WorkbookCell> Cells;
    /// Column widths in file order; columns not named take
    /// DefaultColumnWidth, in characters.
    std::vector<WorkbookColumns> Columns;
    uint16_t DefaultColumnWidth = 8;
    /// Rows with a height of their own, sorted by row; others take
    /// DefaultRowHeight, in twips.
    std::vector<WorkbookRow> Rows;
    uint16_t DefaultRowHeight = 255;

    /// The cell at a 1-based position; nullptr when the sheet has none.
    [[nodiscard]] const WorkbookCell* Find(uint32_t Row, uint32_t Col) const;
    /// Bounds of all cells (1-based, inclusive); false for a sheet without
    /// cells.
    [[nodiscard]] bool UsedBounds(uint32_t& FirstRow, uint32_t& FirstCol, uint32_t& LastRow,
                                  uint32_t& LastCol) const;
};

/// Error codes of error cells as the file stores them.
namespace workbook_error {
inline constexpr uint8_t Null = 0x00;   // #NULL!
inline constexpr uint8_t Div0 = 0x07;   // #DIV/0!
inline constexpr uint8_t Value = 0x0F;  // #VALUE!
inline constexpr uint8_t Ref = 0x17;    // #REF!
inline constexpr uint8_t Name = 0x1D;   // #NAME?
inline constexpr uint8_t Num = 0x24;    // #NUM!
inline constexpr uint8_t NA = 0x2A;     // #N/A
}  // namespace workbook_error

class Workbook;

/// The text a cell shows in the spreadsheet: a number in the general format
/// (up to 10 significant digits), money with two decimals, thousands apart
/// and "р.", a date as dd.mm.yyyy (a time part as hh:mm, a time alone as
/// hh:mm:ss), a Boolean as "ИСТИНА" or "ЛОЖЬ", an error by its Russian
/// name ("#ДЕЛ/0!"); '' for a blank cell. Separators from FormatSettings.
[[nodiscard]] AnsiString WorkbookCellText(const Workbook& Book, const WorkbookCell& Cell);

class Workbook {
public:
    /// Reads a workbook file. Raises EFOpenError "Файл не найден: <name>"
    /// when it does not exist or cannot be read, and EWorkbookError for
    /// content that is no readable workbook.
    [[nodiscard]] static Workbook LoadFromFile(const AnsiString& FileName);
    /// Reads a workbook from bytes in memory; Name only goes into messages.
    [[nodiscard]] static Workbook LoadFromBytes(std::string_view Bytes, const AnsiString& Name);

    const AnsiString& FileName() const { return FFileName; }
    /// 8 for BIFF8 (Excel 97 and later), 5 for BIFF5/7 (Excel 5 and 95).
    int BiffVersion() const { return FBiffVersion; }
    /// True when the workbook counts dates from 1904 (its serials are
    /// converted to TDateTime on reading all the same).
    bool Uses1904Dates() const { return F1904; }
    int SheetCount() const { return static_cast<int>(FSheets.size()); }
    /// Sheet by 0-based index in tab order.
    const WorkbookSheet& Sheet(int Index) const;
    /// 0-based index of the sheet that was active when the file was saved
    /// (0 when the file does not say or names no existing sheet).
    int ActiveSheet() const { return FActiveSheet; }
    /// Text of a Text cell, valid while the workbook lives.
    std::string_view Text(const WorkbookCell& Cell) const;

private:
    friend class BiffReader;

    AnsiString FFileName;
    int FBiffVersion = 8;
    bool F1904 = false;
    int FActiveSheet = 0;
    std::vector<WorkbookSheet> FSheets;
    /// Where each text lies in FTextBytes. The texts of a workbook are held
    /// in one buffer, not one allocation each: a sheet has thousands.
    struct TextSpan {
        size_t Start = 0;
        size_t Length = 0;
    };
    std::vector<TextSpan> FTexts;
    std::string FTextBytes;
};

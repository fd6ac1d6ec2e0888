#include "platform/sheets/Workbook.h"

#include "platform/sheets/WorkbookPrivate.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

namespace {

AnsiString Fixture(const std::string& Name)
{
    return AnsiString::FromUtf8((TestData() / "Workbook" / Name).string());
}

Workbook Load(const std::string& Name)
{
    return Workbook::LoadFromFile(Fixture(Name));
}

/// What a test expects of one cell; Text is UTF-8.
struct CellCase {
    uint32_t Row;
    uint32_t Col;
    CellKind Kind;
    NumberKind Format;
    double Number;
    const char* Text;
    uint8_t Code;
};

void ExpectCells(const Workbook& Book, const WorkbookSheet& Sheet, const CellCase* Begin,
                 const CellCase* End)
{
    for (const CellCase* C = Begin; C != End; ++C) {
        SCOPED_TRACE(testing::Message() << "row " << C->Row << " col " << C->Col);
        const WorkbookCell* Cell = Sheet.Find(C->Row, C->Col);
        ASSERT_NE(Cell, nullptr);
        EXPECT_EQ(Cell->Kind, C->Kind);
        switch (C->Kind) {
        case CellKind::Number:
            EXPECT_EQ(Cell->Format, C->Format);
            EXPECT_DOUBLE_EQ(Cell->Number, C->Number);
            break;
        case CellKind::Text:
            EXPECT_EQ(Book.Text(*Cell), AnsiString::FromUtf8(C->Text));
            break;
        case CellKind::Boolean:
        case CellKind::Error:
            EXPECT_EQ(Cell->Code, C->Code);
            break;
        case CellKind::Blank:
            break;
        }
    }
}

constexpr auto N = CellKind::Number;
constexpr auto T = CellKind::Text;
constexpr auto B = CellKind::Boolean;
constexpr auto E = CellKind::Error;
constexpr auto Plain = NumberKind::Plain;
constexpr auto Date = NumberKind::Date;
constexpr auto Money = NumberKind::Currency;

const CellCase CellTypeCases[] = {
    {1, 1, T, Plain, 0, "Текст", 0},                   // shared string, Cyrillic
    {1, 2, N, Plain, 42, nullptr, 0},                  // integer packed as RK
    {1, 3, N, Plain, 10.5, nullptr, 0},                // RK divided by 100
    {1, 4, N, Plain, 0.3333, nullptr, 0},              // full double
    {1, 5, N, Plain, -7, nullptr, 0},                  // negative RK integer
    {1, 6, N, Plain, 1e-5, nullptr, 0},                // tiny double
    {1, 7, N, Plain, 123456789.125, nullptr, 0},       // large double
    {2, 1, N, Date, 45323, nullptr, 0},                // 01.02.2024 as TDateTime
    {2, 2, N, Date, 0.5625, nullptr, 0},               // 13:30, a time only
    {2, 3, N, Date, 45323.25, nullptr, 0},             // date and time
    {2, 4, N, Money, 1234.5, nullptr, 0},              // "р." format: money
    {2, 5, B, Plain, 0, nullptr, 1},                   // TRUE
    {2, 6, B, Plain, 0, nullptr, 0},                   // FALSE
    {2, 7, E, Plain, 0, nullptr, workbook_error::NA},  // #N/A
    {2, 8, E, Plain, 0, nullptr, workbook_error::Div0},
    {3, 1, N, Plain, 84, nullptr, 0},                  // formula: cached number
    {3, 2, T, Plain, 0, "Текст!", 0},                  // formula: text in STRING record
    {3, 3, B, Plain, 0, nullptr, 1},                   // formula: Boolean
    {3, 4, E, Plain, 0, nullptr, workbook_error::Div0},  // formula: error
    {3, 5, T, Plain, 0, "", 0},                        // formula: empty text
    {3, 6, N, Date, 45324, nullptr, 0},                // formula in a date format
    {3, 7, N, Money, 2469, nullptr, 0},                // formula in a money format
    {4, 1, T, Plain, 0, "€ ? ? ? №", 0},               // unmappable -> '?', pair -> one '?'
    {5, 9, CellKind::Blank, Plain, 0, nullptr, 0},     // framed blank cell
};

TEST(Workbook, ReadsEveryKindOfCellAndFormulaResult)
{
    const Workbook Book = Load("cell-types.xls");
    EXPECT_EQ(Book.BiffVersion(), 8);
    ASSERT_EQ(Book.SheetCount(), 1);
    EXPECT_EQ(Book.Sheet(0).Name, "Типы"_a);
    ExpectCells(Book, Book.Sheet(0), std::begin(CellTypeCases), std::end(CellTypeCases));
    EXPECT_EQ(Book.Sheet(0).Find(4, 2), nullptr);
}

TEST(Workbook, UsedBoundsIncludeBlankFormattedCells)
{
    const Workbook Book = Load("cell-types.xls");
    uint32_t R1 = 0, C1 = 0, R2 = 0, C2 = 0;
    ASSERT_TRUE(Book.Sheet(0).UsedBounds(R1, C1, R2, C2));
    EXPECT_EQ(R1, 1u);
    EXPECT_EQ(C1, 1u);
    EXPECT_EQ(R2, 5u);
    EXPECT_EQ(C2, 9u);
}

TEST(Workbook, UsedBoundsStartWhereTheDataStarts)
{
    const Workbook Book = Load("invoice-c5.xls");
    uint32_t R1 = 0, C1 = 0, R2 = 0, C2 = 0;
    ASSERT_TRUE(Book.Sheet(0).UsedBounds(R1, C1, R2, C2));
    EXPECT_EQ(R1, 5u);  // C5
    EXPECT_EQ(C1, 3u);
    EXPECT_EQ(R2, 9u);  // G9, the total
    EXPECT_EQ(C2, 7u);
    const WorkbookCell* Total = Book.Sheet(0).Find(9, 7);
    ASSERT_NE(Total, nullptr);
    EXPECT_EQ(Total->Kind, CellKind::Number);
    EXPECT_EQ(Total->Number, 122);
}

TEST(Workbook, EmptySheetHasNoBounds)
{
    const Workbook Book = Load("empty-sheet.xls");
    uint32_t R1 = 0, C1 = 0, R2 = 0, C2 = 0;
    EXPECT_FALSE(Book.Sheet(0).UsedBounds(R1, C1, R2, C2));
}

TEST(Workbook, KnowsTheActiveSheet)
{
    const Workbook Book = Load("second-sheet-active.xls");
    ASSERT_EQ(Book.SheetCount(), 3);
    EXPECT_EQ(Book.ActiveSheet(), 1);
    EXPECT_EQ(Book.Sheet(0).Name, "Первый"_a);
    EXPECT_EQ(Book.Sheet(1).Name, "Второй"_a);
    EXPECT_EQ(Book.Sheet(2).Name, "Третий"_a);
    const WorkbookCell* Cell = Book.Sheet(1).Find(2, 2);
    ASSERT_NE(Cell, nullptr);
    EXPECT_EQ(Book.Text(*Cell), "Лист 2"_a);
}

TEST(Workbook, JoinsSharedStringsSplitAcrossRecords)
{
    const Workbook Book = Load("long-shared-string.xls");
    const WorkbookSheet& Sheet = Book.Sheet(0);
    ASSERT_EQ(Sheet.Cells.size(), 3u);
    EXPECT_EQ(Book.Text(Sheet.Cells[0]), AnsiString(std::string(6000, '\xC6')));  // Ж
    EXPECT_EQ(Book.Text(Sheet.Cells[1]), AnsiString(std::string(9000, 'z')));
    EXPECT_EQ(Book.Text(Sheet.Cells[2]), "конец"_a);
}

const CellCase SstSplitCases[] = {
    {1, 1, T, Plain, 0, "Цена", 0},        // 16-bit characters
    {2, 1, T, Plain, 0, "Price", 0},       // rich-text runs skipped
    {3, 1, T, Plain, 0, "abc", 0},         // far-east data skipped
    {4, 1, T, Plain, 0, "splitтест", 0},   // 8-bit, then 16-bit after the boundary
    {5, 1, T, Plain, 0, "ok", 0},          // runs cut by a boundary
};

TEST(Workbook, ReadsSharedStringsWithRunsFarEastDataAndWidthChanges)
{
    const Workbook Book = Load("sst-split.xls");
    ExpectCells(Book, Book.Sheet(0), std::begin(SstSplitCases), std::end(SstSplitCases));
}

const CellCase MiniStreamCases[] = {
    {1, 2, CellKind::Blank, Plain, 0, nullptr, 0},  // BLANK
    {2, 2, N, Plain, 1, nullptr, 0},                // MULRK, first
    {2, 3, N, Plain, 20, nullptr, 0},               // a later NUMBER replaces the MULRK value
    {2, 4, N, Plain, 3, nullptr, 0},                // MULRK, last
    {2, 5, T, Plain, 0, "раньше", 0},               // LABEL written after row 4
    {3, 3, CellKind::Blank, Plain, 0, nullptr, 0},  // MULBLANK
    {3, 5, CellKind::Blank, Plain, 0, nullptr, 0},
    {4, 6, T, Plain, 0, "последняя", 0},
};

TEST(Workbook, ReadsSmallStreamsMultipleCellRecordsAndSkipsCharts)
{
    const Workbook Book = Load("mini-stream.xls");
    ASSERT_EQ(Book.SheetCount(), 2);
    const WorkbookSheet& Sheet = Book.Sheet(0);
    ExpectCells(Book, Sheet, std::begin(MiniStreamCases), std::end(MiniStreamCases));
    // One cell per position, sorted; the embedded chart's cell is not there.
    EXPECT_EQ(Sheet.Cells.size(), 9u);
    EXPECT_EQ(Sheet.Find(51, 51), nullptr);
    EXPECT_FALSE(Book.Sheet(1).IsWorksheet);
    EXPECT_TRUE(Book.Sheet(1).Cells.empty());
}

TEST(Workbook, CellsOutOfOrderAndWrittenAgainKeepOnePerPosition)
{
    // Thousands of cells against the reading order (merged in while the
    // sheet is read), positions written twice, a text formula among them.
    const Workbook Book = Load("cells-rewritten.xls");
    const WorkbookSheet& Sheet = Book.Sheet(0);
    EXPECT_EQ(Sheet.Cells.size(), 10u + 5000u + 1u);
    for (size_t I = 1; I < Sheet.Cells.size(); ++I) {
        const WorkbookCell& A = Sheet.Cells[I - 1];
        const WorkbookCell& B = Sheet.Cells[I];
        ASSERT_TRUE(A.Row < B.Row || (A.Row == B.Row && A.Col < B.Col)) << I;
    }
    struct Expect {
        uint32_t Row, Col;
        double Number;
    };
    const Expect Numbers[] = {
        {1, 1, 0},        // in order
        {5001, 2, 5000},  // the first of the rows bottom to top
        {2, 2, 1},        // the last of them
        {3001, 2, -1},    // written again after it was merged in
        {11, 2, -2},      // written again while it still waited
    };
    for (const Expect& E : Numbers) {
        SCOPED_TRACE(testing::Message() << E.Row << "," << E.Col);
        const WorkbookCell* Cell = Sheet.Find(E.Row, E.Col);
        ASSERT_NE(Cell, nullptr);
        EXPECT_EQ(Cell->Number, E.Number);
    }
    const WorkbookCell* Formula = Sheet.Find(3, 3);
    ASSERT_NE(Formula, nullptr);
    ASSERT_EQ(Formula->Kind, CellKind::Text);
    EXPECT_EQ(Book.Text(*Formula), "итог"_a);
}

TEST(Workbook, ReadsFilesWithLargeSectors)
{
    const Workbook Book = Load("version4-sectors.xls");
    ASSERT_EQ(Book.Sheet(0).Cells.size(), 1u);
    EXPECT_EQ(Book.Text(Book.Sheet(0).Cells[0]), "Большие сектора"_a);
}

TEST(Workbook, TellsDatesAndMoneyByFormatAndConvertsThe1904System)
{
    const Workbook Book = Load("number-formats-1904.xls");
    EXPECT_TRUE(Book.Uses1904Dates());
    // The same serial 45000.5 under each format in turn.
    const NumberKind Expected[] = {
        Date,   // dd/mm/yyyy
        Plain,  // 0.00" шт." - date letters in quotes
        Plain,  // [$-419]General - a locale tag is no currency
        Money,  // [$₽-419]
        Date,   // [h]:mm
        Plain,  // [Red]0.00
        Money,  // "р."
        Plain,  // 0.00E+00
        Money,  // $#,##0
        Date,   // built-in 14
        Money,  // built-in 7
    };
    for (uint32_t K = 0; K < std::size(Expected); ++K) {
        SCOPED_TRACE(K);
        const WorkbookCell* Cell = Book.Sheet(0).Find(1, K + 1);
        ASSERT_NE(Cell, nullptr);
        EXPECT_EQ(Cell->Format, Expected[K]);
        EXPECT_DOUBLE_EQ(Cell->Number, Expected[K] == Date ? 45000.5 + 1462 : 45000.5);
    }
}

TEST(Workbook, DatesOfThe1900SystemBecomeProgramDates)
{
    const Workbook Book = Load("early-1900-dates.xls");
    struct DateCase {
        double Expected;  // days since 1899-12-30
    };
    const DateCase Cases[] = {
        {0.25},   // a time only stays a time
        {2},      // serial 1 is 1900-01-01
        {60},     // serial 59 is 1900-02-28
        {60},     // serial 60, the day that never was, reads as the day before
        {61},     // from 1900-03-01 on both count alike
        {45323},  // 2024-02-01
    };
    for (uint32_t K = 0; K < std::size(Cases); ++K) {
        SCOPED_TRACE(K);
        const WorkbookCell* Cell = Book.Sheet(0).Find(1, K + 1);
        ASSERT_NE(Cell, nullptr);
        EXPECT_EQ(Cell->Format, Date);
        EXPECT_DOUBLE_EQ(Cell->Number, Cases[K].Expected);
    }
}

const CellCase Biff5Cases[] = {
    {1, 1, T, Plain, 0, "Товар", 0},            // LABEL in code page 1251
    {1, 2, T, Plain, 0, "Жирный", 0},           // RSTRING
    {2, 1, N, Plain, 2.5, nullptr, 0},          // NUMBER
    {2, 2, N, Plain, 12.34, nullptr, 0},        // RK integer / 100
    {2, 3, N, Plain, 7, nullptr, 0},            // MULRK
    {3, 1, B, Plain, 0, nullptr, 1},            // Boolean
    {3, 2, E, Plain, 0, nullptr, workbook_error::NA},
    {3, 3, N, Date, 43000 + 1462, nullptr, 0},  // dd.mm.yy, 1904 system
    {4, 1, T, Plain, 0, "Итог", 0},             // formula text result
};

TEST(Workbook, ReadsBiff5Workbooks)
{
    const Workbook Book = Load("biff5-book.xls");
    EXPECT_EQ(Book.BiffVersion(), 5);
    ASSERT_EQ(Book.SheetCount(), 2);
    EXPECT_EQ(Book.Sheet(0).Name, "Старый"_a);
    EXPECT_EQ(Book.Sheet(1).Name, "Данные"_a);
    EXPECT_EQ(Book.ActiveSheet(), 1);
    ExpectCells(Book, Book.Sheet(1), std::begin(Biff5Cases), std::end(Biff5Cases));
}

TEST(Workbook, MissingFileIsNamed)
{
    const TempDir Dir;
    const AnsiString Name = Dir.File("нет.xls");
    ExpectRaises<EFOpenError>([&] { (void)Workbook::LoadFromFile(Name); },
                              "Файл не найден: "_a + Name);
    ExpectRaises<EFOpenError>([&] { (void)Workbook::LoadFromFile(Dir.File("")); },
                              "Файл не найден: "_a + Dir.File(""));
}

TEST(Workbook, ReadsFileNamesWithCyrillicLetters)
{
    const TempDir Dir;
    WriteBytes(Dir.Path() / "накладная.xls", ReadBytes(TestData() / "Workbook" / "invoice-c5.xls"));
    const Workbook Book = Workbook::LoadFromFile(Dir.File("накладная.xls"));
    EXPECT_EQ(Book.Sheet(0).Name, "Накладная"_a);
}

enum class Fault { NotWorkbook, Damaged, Password };

/// Every file of broken/ and the error it must give.
const std::map<std::string, Fault> BrokenFiles = {
    {"empty.xls", Fault::NotWorkbook},
    {"not-a-compound-file.xls", Fault::NotWorkbook},
    {"no-workbook-stream.xls", Fault::NotWorkbook},
    {"unknown-biff-version.xls", Fault::NotWorkbook},
    {"password-protected.xls", Fault::Password},
    {"truncated-header.xls", Fault::Damaged},
    {"truncated-stream.xls", Fault::Damaged},
    {"fat-loop.xls", Fault::Damaged},
    {"fat-count-past-file.xls", Fault::Damaged},
    {"sector-past-end.xls", Fault::Damaged},
    {"directory-loop.xls", Fault::Damaged},
    {"mini-chain-loop.xls", Fault::Damaged},
    {"stream-size-past-file.xls", Fault::Damaged},
    {"first-record-not-bof.xls", Fault::Damaged},
    {"record-past-end.xls", Fault::Damaged},
    {"globals-without-end.xls", Fault::Damaged},
    {"sheet-without-end.xls", Fault::Damaged},
    {"sheet-offset-past-end.xls", Fault::Damaged},
    {"sheets-sharing-records.xls", Fault::Damaged},
    {"sst-count-too-large.xls", Fault::Damaged},
    {"sst-string-past-end.xls", Fault::Damaged},
    {"string-length-past-end.xls", Fault::Damaged},
    {"label-sst-index-past-table.xls", Fault::Damaged},
    {"huge-dimensions.xls", Fault::Damaged},
    {"column-past-last.xls", Fault::Damaged},
    {"cell-record-too-short.xls", Fault::Damaged},
    {"row-record-too-short.xls", Fault::Damaged},
    {"column-widths-record-too-short.xls", Fault::Damaged},
};

AnsiString FaultText(Fault F)
{
    switch (F) {
    case Fault::NotWorkbook:
        return "Файл не является книгой Excel: "_a;
    case Fault::Damaged:
        return "Файл повреждён: "_a;
    case Fault::Password:
        return "Книга защищена паролем: "_a;
    }
    return AnsiString();
}

TEST(Workbook, BrokenFilesGiveTheirErrors)
{
    int Seen = 0;
    const auto Broken = TestData() / "Workbook" / "broken";
    for (const auto& Entry : std::filesystem::directory_iterator(Broken)) {
        const std::string File = Entry.path().filename().string();
        SCOPED_TRACE(File);
        const auto Row = BrokenFiles.find(File);
        if (Row == BrokenFiles.end()) {
            ADD_FAILURE() << "no expected error for " << File;
            continue;
        }
        ++Seen;
        const AnsiString Name = AnsiString::FromUtf8(Entry.path().string());
        ExpectRaises<EWorkbookError>([&] { (void)Workbook::LoadFromFile(Name); },
                                     FaultText(Row->second) + Name);
    }
    EXPECT_EQ(Seen, static_cast<int>(BrokenFiles.size())) << "a listed file is missing";
}

// ---- the reader's helpers ----------------------------------------------------

struct FormatCase {
    const char16_t* Format;
    NumberKind Kind;
};

const FormatCase FormatCases[] = {
    {u"General", NumberKind::Plain},               // no token in "General"
    {u"0.00", NumberKind::Plain},
    {u"DD.MM.YYYY", NumberKind::Date},             // tokens in any case
    {u"mm:ss", NumberKind::Date},
    {u"AM/PM h", NumberKind::Date},
    {u"0\" дней\"", NumberKind::Plain},            // letters in quotes
    {u"0\\d", NumberKind::Plain},                  // an escaped letter
    {u"0_m", NumberKind::Plain},                   // padding the width of 'm'
    {u"0*s", NumberKind::Plain},                   // fill with 's'
    {u"[Blue]#,##0", NumberKind::Plain},           // colour
    {u"[>=100]0;0.0", NumberKind::Plain},          // condition
    {u"[ss]", NumberKind::Date},                   // elapsed seconds
    {u"#,##0 \"руб.\"", NumberKind::Currency},     // roubles in quotes
    {u"#,##0\\р.", NumberKind::Currency},          // escaped rouble sign
    {u"#,##0.00 ₽", NumberKind::Currency},
    {u"€#,##0", NumberKind::Currency},
    {u"[$€-2] #,##0.00", NumberKind::Currency},
    {u"[$-FC19]dd mmmm yyyy", NumberKind::Date},   // locale tag before a date
    {u"dd.mm.yyyy \"р.\"", NumberKind::Date},      // a date wins over a sign
    {u"", NumberKind::Plain},
    {u"\"unterminated", NumberKind::Plain},
    {u"[unterminated", NumberKind::Plain},
};

TEST(Workbook, ClassifiesFormatStrings)
{
    for (const FormatCase& C : FormatCases) {
        SCOPED_TRACE(&C - FormatCases);
        EXPECT_EQ(workbook_detail::ClassifyFormatString(C.Format), C.Kind);
    }
}

TEST(Workbook, ConvertsEightBitCodePages)
{
    std::string Out;
    workbook_detail::AppendCodePage(Out, "\xC0\xFF", 2, 1251);
    EXPECT_EQ(Out, "\xC0\xFF");  // as it stands
    Out.clear();
    workbook_detail::AppendCodePage(Out, "\x80\x81\xA0\xE9z", 5, 1252);
    EXPECT_EQ(Out, "\x88?\xA0?z");  // euro kept, a hole and e-acute become '?'
    Out.clear();
    workbook_detail::AppendCodePage(Out, "\xC0z", 2, 866);
    EXPECT_EQ(Out, "?z");  // no table for the page
}

}  // namespace

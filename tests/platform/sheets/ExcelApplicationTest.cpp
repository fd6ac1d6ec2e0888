#include "platform/sheets/ExcelApplication.h"

#include "tests/support/SettingsScope.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

AnsiString Fixture(const std::string& Name)
{
    return AnsiString::FromUtf8((TestData() / "Workbook" / Name).string());
}

std::unique_ptr<ExcelApplication> OpenFixture(const std::string& Name)
{
    std::unique_ptr<ExcelApplication> App = CreateOleObject("Excel.Application");
    App->Application().Workbooks().Open(Fixture(Name));
    return App;
}

TEST(ExcelApplication, ReadsTheUsedRangeAndItsOriginAsTheImportDoes)
{
    std::unique_ptr<ExcelApplication> App = CreateOleObject("Excel.Application");
    App->Application().Workbooks().Open(Fixture("invoice-c5.xls"));
    const Variant Table = App->Application().ActiveSheet().UsedRange().Value();
    const int FirstRow = App->Application().ActiveSheet().UsedRange().Cells(1, 1).Row();
    const int FirstColumn = App->Application().ActiveSheet().UsedRange().Cells(1, 1).Column();
    App->DisplayAlerts = false;
    App->ActiveWorkbook().Close(/*SaveChanges=*/false);
    App->Application().Quit();

    EXPECT_EQ(FirstRow, 5);
    EXPECT_EQ(FirstColumn, 3);
    ASSERT_EQ(VarArrayDimCount(Table), 2);
    EXPECT_EQ(VarArrayLowBound(Table, 1), 1);
    EXPECT_EQ(VarArrayHighBound(Table, 1), 5);  // rows 5..9
    EXPECT_EQ(VarArrayLowBound(Table, 2), 1);
    EXPECT_EQ(VarArrayHighBound(Table, 2), 5);  // columns C..G
    EXPECT_EQ(Table.GetElement(1, 2).AsString(), "Наименование товара"_a);
    EXPECT_EQ(Table.GetElement(2, 2).AsString(), "Холодильник NRB 110"_a);
    EXPECT_EQ(VarType(Table.GetElement(2, 4)), varDouble);
    EXPECT_EQ(Table.GetElement(2, 4).AsDouble(), 10.5);
    EXPECT_EQ(Table.GetElement(5, 5).AsDouble(), 122);  // the total, a formula
    EXPECT_TRUE(VarIsEmpty(Table.GetElement(5, 1)));    // C9 has nothing
}

struct ValueCase {
    int Row;
    int Column;
    TVarType Type;
    const char* Text;  ///< UTF-8, for strings
    double Number;     ///< numbers, dates, Currency; Booleans 1/0
};

const ValueCase ValueCases[] = {
    {1, 1, varString, "Текст", 0},      // text
    {1, 3, varDouble, nullptr, 10.5},   // plain number
    {2, 1, varDate, nullptr, 45323},    // date format
    {2, 2, varDate, nullptr, 0.5625},   // time format
    {2, 4, varCurrency, nullptr, 1234.5},  // money format
    {2, 5, varBoolean, nullptr, 1},     // TRUE
    {3, 2, varString, "Текст!", 0},     // formula text
    {3, 5, varString, "", 0},           // formula giving empty text: text, not Empty
    {3, 7, varCurrency, nullptr, 2469}, // formula in a money format
    {5, 9, varEmpty, nullptr, 0},       // framed blank cell
    {5, 1, varEmpty, nullptr, 0},       // no cell at all
};

TEST(ExcelApplication, CellValuesAreTypedVariants)
{
    const auto App = OpenFixture("cell-types.xls");
    ExcelWorksheet& Sheet = App->ActiveSheet();
    for (const ValueCase& C : ValueCases) {
        SCOPED_TRACE(testing::Message() << "row " << C.Row << " col " << C.Column);
        const Variant V = Sheet.Cells(C.Row, C.Column).Value();
        ASSERT_EQ(VarType(V), C.Type);
        switch (C.Type) {
        case varString:
            EXPECT_EQ(V.AsString(), AnsiString::FromUtf8(C.Text));
            break;
        case varDouble:
        case varDate:
            EXPECT_DOUBLE_EQ(V.AsDouble(), C.Number);
            break;
        case varCurrency:
            EXPECT_EQ(V.AsCurrency(), Currency(C.Number));
            break;
        case varBoolean:
            EXPECT_EQ(V.AsBoolean(), C.Number != 0);
            break;
        default:
            break;
        }
    }
}

TEST(ExcelApplication, ErrorCellsCarryTheServersErrorValues)
{
    const auto App = OpenFixture("cell-types.xls");
    const Variant NA = App->ActiveSheet().Cells(2, 7).Value();
    ASSERT_EQ(VarType(NA), varError);
    EXPECT_EQ(NA.AsError(), static_cast<Integer>(0x800A07FAu));  // #N/A, 2042
    const Variant Div0 = App->ActiveSheet().Cells(3, 4).Value();
    ASSERT_EQ(VarType(Div0), varError);
    EXPECT_EQ(Div0.AsError(), static_cast<Integer>(0x800A07D7u));  // #DIV/0!, 2007
}

TEST(ExcelApplication, UsedRangeOfOneCellIsStillATable)
{
    const auto App = OpenFixture("empty-sheet.xls");
    const ExcelRange Used = App->ActiveSheet().UsedRange();
    EXPECT_EQ(Used.Row(), 1);
    EXPECT_EQ(Used.Column(), 1);
    EXPECT_EQ(Used.Count(), 1);
    const Variant Table = Used.Value();
    ASSERT_EQ(VarArrayDimCount(Table), 2);
    EXPECT_EQ(VarArrayHighBound(Table, 1), 1);
    EXPECT_EQ(VarArrayHighBound(Table, 2), 1);
    EXPECT_TRUE(VarIsEmpty(Table.GetElement(1, 1)));
    // A single cell asked for through Cells is a plain value.
    EXPECT_FALSE(VarIsArray(Used.Cells(1, 1).Value()));
}

TEST(ExcelApplication, RangeCountsRowsColumnsAndCells)
{
    const auto App = OpenFixture("invoice-c5.xls");
    const ExcelRange Used = App->ActiveSheet().UsedRange();
    EXPECT_EQ(Used.Rows().Count(), 5);
    EXPECT_EQ(Used.Columns().Count(), 5);
    EXPECT_EQ(Used.Count(), 25);
    // Cells counts from the range's first cell, and may reach past it.
    EXPECT_EQ(Used.Cells(2, 3).Row(), 6);
    EXPECT_EQ(Used.Cells(2, 3).Column(), 5);
    EXPECT_EQ(Used.Cells(2, 3).Value().AsDouble(), 2);
    EXPECT_EQ(Used.Cells(7, 1).Row(), 11);
}

TEST(ExcelApplication, ActiveSheetIsTheOneSavedActive)
{
    const auto App = OpenFixture("second-sheet-active.xls");
    ExcelWorkbook& Book = App->ActiveWorkbook();
    EXPECT_EQ(Book.WorksheetCount(), 3);
    EXPECT_EQ(App->ActiveSheet().Name(), "Второй"_a);
    EXPECT_EQ(App->ActiveSheet().Index(), 2);
    EXPECT_EQ(Book.Worksheets(3).Name(), "Третий"_a);
    EXPECT_EQ(Book.Worksheets(3).UsedRange().Row(), 3);
}

TEST(ExcelApplication, WorkbooksOpenCloseAndQuit)
{
    std::unique_ptr<ExcelApplication> App = CreateOleObject("excel.application");
    ExcelWorkbooks& Books = App->Workbooks();
    Books.Open(Fixture("invoice-c5.xls"));
    Books.Open(Fixture("second-sheet-active.xls"));
    EXPECT_EQ(Books.Count(), 2);
    // The last opened is active; closing it makes the one before active.
    EXPECT_EQ(App->ActiveSheet().Name(), "Второй"_a);
    App->ActiveWorkbook().Close(/*SaveChanges=*/true);
    EXPECT_EQ(Books.Count(), 1);
    EXPECT_EQ(App->ActiveSheet().Name(), "Накладная"_a);
    EXPECT_EQ(Books.Item(1).FullName(), Fixture("invoice-c5.xls"));
    App->Quit();
    EXPECT_EQ(Books.Count(), 0);
}

TEST(ExcelApplication, WorkbooksAreNeverWritten)
{
    const TempDir Dir;
    const std::string Bytes = ReadBytes(TestData() / "Workbook" / "invoice-c5.xls");
    WriteBytes(Dir.Path() / "book.xls", Bytes);
    std::unique_ptr<ExcelApplication> App = CreateOleObject("Excel.Application");
    App->Workbooks().Open(Dir.File("book.xls"));
    App->ActiveWorkbook().Close(/*SaveChanges=*/true);
    App->Quit();
    EXPECT_EQ(ReadBytes(Dir.Path() / "book.xls"), Bytes);
}

TEST(ExcelApplication, FailedOpenLeavesNothingOpen)
{
    const TempDir Dir;
    const AnsiString Missing = Dir.File("нет.xls");
    std::unique_ptr<ExcelApplication> App = CreateOleObject("Excel.Application");
    ExpectRaises<EFOpenError>([&] { App->Workbooks().Open(Missing); },
                              "Файл не найден: "_a + Missing);
    const AnsiString Broken = Fixture("broken/fat-loop.xls");
    ExpectRaises<EWorkbookError>([&] { App->Workbooks().Open(Broken); },
                                 "Файл повреждён: "_a + Broken);
    EXPECT_EQ(App->Workbooks().Count(), 0);
}

TEST(ExcelApplication, MisuseRaisesAutomationErrors)
{
    std::unique_ptr<ExcelApplication> App = CreateOleObject("Excel.Application");
    ExpectRaises<EOleException>([&] { (void)App->ActiveSheet(); }, "Нет открытой книги"_a);
    ExpectRaises<EOleException>([&] { (void)App->ActiveWorkbook(); }, "Нет открытой книги"_a);
    ExpectRaises<EOleException>([&] { (void)App->Workbooks().Item(1); },
                                "Индекс выходит за пределы допустимого диапазона"_a);
    App->Workbooks().Open(Fixture("invoice-c5.xls"));
    ExcelWorksheet& Sheet = App->ActiveSheet();
    const AnsiString Outside = "Ошибка, определяемая приложением или объектом"_a;
    // Each call names a cell outside the sheet's 65536 rows and 256 columns.
    ExpectRaises<EOleException>([&] { (void)Sheet.Cells(0, 1); }, Outside);
    ExpectRaises<EOleException>([&] { (void)Sheet.Cells(1, 0); }, Outside);
    ExpectRaises<EOleException>([&] { (void)Sheet.Cells(65537, 1); }, Outside);
    ExpectRaises<EOleException>([&] { (void)Sheet.Cells(1, 257); }, Outside);
    ExpectRaises<EOleException>([&] { (void)Sheet.Cells(1, 1).Cells(0, 1); }, Outside);
    // Counting back from a range is allowed while it stays on the sheet.
    EXPECT_EQ(Sheet.UsedRange().Cells(0, 0).Row(), 4);
    EXPECT_EQ(Sheet.Cells(65536, 256).Row(), 65536);
    ExpectRaises<EOleException>([&] { (void)App->ActiveWorkbook().Worksheets(2); },
                                "Индекс выходит за пределы допустимого диапазона"_a);
}

TEST(ExcelApplication, RefusesAnAbsurdlyLargeTable)
{
    const AnsiString Name = Fixture("far-apart-cells.xls");
    std::unique_ptr<ExcelApplication> App = CreateOleObject("Excel.Application");
    App->Workbooks().Open(Name);
    const ExcelRange Used = App->ActiveSheet().UsedRange();
    EXPECT_EQ(Used.Count(), 65536 * 256);
    ExpectRaises<EOleException>([&] { (void)Used.Value(); },
                                "Слишком большой диапазон ячеек: "_a + Name);
    // Single cells stay readable.
    EXPECT_EQ(App->ActiveSheet().Cells(65536, 256).Value().AsString(), "IV65536"_a);
}

TEST(ExcelApplication, SelectionAsTheRegionPickerReadsIt)
{
    const auto App = OpenFixture("invoice-c5.xls");
    ExcelWorksheet& Sheet = App->ActiveSheet();
    // A1 until anything is selected.
    EXPECT_EQ(App->Selection().Row(), 1);
    EXPECT_EQ(App->Selection().Column(), 1);
    EXPECT_EQ(App->Selection().Count(), 1);

    struct PickCase {
        const char* What;
        int Row1, Column1, Row2, Column2;  // the two corners as given
        int First, Last, Left, Right;      // what the picker takes from it
    };
    const PickCase Cases[] = {
        {"B5:F20", 5, 2, 20, 6, 5, 20, 2, 6},
        {"dragged from F20 back to B5", 20, 6, 5, 2, 5, 20, 2, 6},
        {"one cell", 7, 4, 7, 4, 7, 7, 4, 4},
        {"a whole column", 1, 4, 65536, 4, 1, 65536, 4, 4},
    };
    for (const PickCase& C : Cases) {
        SCOPED_TRACE(C.What);
        Sheet.Range(Sheet.Cells(C.Row1, C.Column1), Sheet.Cells(C.Row2, C.Column2)).Select();
        const ExcelRange Sel = App->Application().Selection();
        EXPECT_EQ(Sel.Cells(1, 1).Row(), C.First);
        EXPECT_EQ(Sel.Cells(1, 1).Row() + Sel.Rows().Count() - 1, C.Last);
        EXPECT_EQ(Sel.Cells(1, 1).Column(), C.Left);
        EXPECT_EQ(Sel.Cells(1, 1).Column() + Sel.Columns().Count() - 1, C.Right);
    }
    // The total is picked as the value of the selection's first cell.
    Sheet.Range(Sheet.Cells(9, 7), Sheet.Cells(9, 8)).Select();
    EXPECT_EQ(App->Selection().Cells(1, 1).Value().AsDouble(), 122);
    Sheet.Cells(1, 1).Select();
    EXPECT_TRUE(VarIsEmpty(App->Selection().Cells(1, 1).Value()));
    EXPECT_EQ(App->Selection().Count(), 1);
}

TEST(ExcelApplication, RangesOfAnotherSheetAreRefused)
{
    const auto App = OpenFixture("second-sheet-active.xls");
    ExcelWorkbook& Book = App->ActiveWorkbook();
    ExpectRaises<EOleException>(
        [&] { (void)Book.Worksheets(1).Range(Book.Worksheets(1).Cells(1, 1),
                                             Book.Worksheets(2).Cells(2, 2)); },
        "Ошибка, определяемая приложением или объектом"_a);
    // Each sheet keeps its own selection; the application shows the active
    // sheet's.
    Book.Worksheets(1).Cells(3, 3).Select();
    Book.Worksheets(2).Cells(4, 4).Select();
    EXPECT_EQ(App->Selection().Row(), 4);
    EXPECT_EQ(Book.Worksheets(1).Selection().Row(), 3);
}

TEST(ExcelApplication, FillsColourCellsOfTheOpenWorkbookOnly)
{
    const TempDir Dir;
    const std::string Bytes = ReadBytes(TestData() / "Workbook" / "invoice-c5.xls");
    WriteBytes(Dir.Path() / "book.xls", Bytes);
    std::unique_ptr<ExcelApplication> App = CreateOleObject("Excel.Application");
    App->Workbooks().Open(Dir.File("book.xls"));
    ExcelWorksheet& Sheet = App->ActiveSheet();
    constexpr Integer PaleBlue = 0xFEF0C8;  // RGB(200, 240, 254)
    constexpr Integer White = 0xFFFFFF;
    EXPECT_EQ(Sheet.Cells(5, 3).Interior().Color(), White);
    Sheet.UsedRange().Interior().SetColor(PaleBlue);
    struct ColourCase {
        int Row, Column;
        Integer Color;
    };
    const ColourCase Cases[] = {
        {5, 3, PaleBlue},  // the used range's corners
        {9, 7, PaleBlue},
        {4, 3, White},     // just outside it
        {5, 2, White},
        {10, 7, White},
        {9, 8, White},
    };
    for (const ColourCase& C : Cases) {
        SCOPED_TRACE(testing::Message() << C.Row << "," << C.Column);
        EXPECT_EQ(Sheet.Cells(C.Row, C.Column).Interior().Color(), C.Color);
    }
    // A later fill covers an earlier one; filling the same cells again
    // replaces their colour.
    Sheet.Cells(6, 4).Interior().SetColor(0x0000FF);
    EXPECT_EQ(Sheet.Cells(6, 4).Interior().Color(), 0x0000FF);
    EXPECT_EQ(Sheet.Cells(6, 5).Interior().Color(), PaleBlue);
    Sheet.UsedRange().Interior().SetColor(White);
    EXPECT_EQ(Sheet.Cells(6, 5).Interior().Color(), White);
    EXPECT_EQ(Sheet.Cells(6, 4).Interior().Color(), White);
    // Nothing of it reaches the file.
    App->ActiveWorkbook().Close(/*SaveChanges=*/true);
    App->Quit();
    EXPECT_EQ(ReadBytes(Dir.Path() / "book.xls"), Bytes);
}

TEST(ExcelApplication, OnlyTheSpreadsheetServerCanBeCreated)
{
    ExpectRaises<EOleSysError>([] { (void)CreateOleObject("Word.Application"); },
                               "Недопустимая строка с указанием класса"_a);
}

}  // namespace

// The texts cells show: general numbers, money, dates and times, Booleans
// and errors by their Russian names, formula results alike.
TEST(ExcelApplication, CellTextsAsTheSheetFormatsThem)
{
    const RussianSettingsScope Ru;
    const auto App = OpenFixture("cell-types.xls");
    const ExcelWorksheet& Sheet = App->ActiveSheet();
    struct TextCase {
        int Row, Column;
        const char* Text;
    };
    const TextCase Cases[] = {
        {1, 1, "Текст"},
        {1, 2, "42"},
        {1, 3, "10,5"},
        {1, 4, "0,3333"},
        {1, 5, "-7"},
        {1, 6, "1E-5"},
        {1, 7, "123456789,1"},            // ten significant digits
        {2, 1, "01.02.2024"},
        {2, 2, "13:30:00"},               // a time alone
        {2, 3, "01.02.2024 06:00"},
        {2, 4, "1\xC2\xA0" "234,50р."},         // thousands apart, the rouble sign
        {2, 5, "ИСТИНА"},
        {2, 6, "ЛОЖЬ"},
        {2, 7, "#Н/Д"},
        {2, 8, "#ДЕЛ/0!"},
        {3, 1, "84"},                     // formula results
        {3, 2, "Текст!"},
        {3, 4, "#ДЕЛ/0!"},
        {3, 5, ""},
        {3, 7, "2\xC2\xA0" "469,00р."},
        {5, 9, ""},                       // a blank framed cell
        {40, 40, ""},                     // no cell at all
    };
    for (const TextCase& C : Cases) {
        SCOPED_TRACE(testing::Message() << "row " << C.Row << " col " << C.Column);
        EXPECT_EQ(Sheet.Cells(C.Row, C.Column).Text().ToUtf8(), C.Text);
    }
}

// Column widths and row heights as the file sets them.
TEST(ExcelApplication, SheetsKeepTheirColumnWidthsAndRowHeights)
{
    const auto App = CreateOleObject("Excel.Application");
    App->Workbooks().Open(AnsiString::FromUtf8(
        (TestData() / ".." / ".." / "data" / "samples" / "supplier-invoice.xls").string()));
    const WorkbookSheet& Data = App->ActiveSheet().Data();
    ASSERT_FALSE(Data.Columns.empty());
    EXPECT_EQ(Data.Columns[1].First, 2);
    EXPECT_EQ(Data.Columns[1].Width, 44 * 256);
    const auto Heading = std::find_if(Data.Rows.begin(), Data.Rows.end(),
                                      [](const WorkbookRow& R) { return R.Row == 7; });
    ASSERT_NE(Heading, Data.Rows.end());
    EXPECT_EQ(Heading->Height, 30 * 20);
    EXPECT_TRUE(std::is_sorted(Data.Rows.begin(), Data.Rows.end(),
                               [](const WorkbookRow& A, const WorkbookRow& B) { return A.Row < B.Row; }));
}

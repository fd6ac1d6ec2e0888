// The import of a supplier's workbook into the invoice: the worked example
// end to end (workbook, analysis, rows, pricing, totals), the checks of row
// sums and the total with their texts, VAT, names and types, row ranges
// past the table, and imports that fail and leave the invoice as it was.

#include "app/InvoiceType.h"

#include "app/AnalizeResult.h"
#include "app/InvoicePackedName.h"
#include "app/ArticleList.h"
#include "app/ReadXLS.h"
#include "common/base/Funcs.h"
#include "common/base/Str2D.h"
#include "platform/classes/Strings.h"
#include "platform/rtl/Exceptions.h"
#include "tests/app/AppTestSupport.h"
#include "tests/app/ImportTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

AnsiString Fixture(const std::string& Name)
{
    return AnsiString::FromUtf8((TestData() / "InvoiceTypeImport" / Name).string());
}

/// Analyses Rows as a sheet whose used range starts at C5 and imports them.
void Import(TshInvoice& Invoice, const TableRows& Rows,
            const std::function<void(TAnalizeResult&)>& Adjust = {})
{
    const Variant Table = MakeTable(Rows);
    TAnalizeResult Analysis;
    Analysis.FirstRow = 5;
    Analysis.FirstCol = 3;
    Analysis.AnalizeInvoice(Table, nullptr);
    if (Adjust)
        Adjust(Analysis);
    Invoice.ImportTable(Table, Analysis);
}

std::vector<AnsiString> Errors(TshInvoice& Invoice)
{
    std::vector<AnsiString> Lines;
    for (int I = 0; I < Invoice.GetErrors()->Count(); ++I)
        Lines.push_back(Invoice.GetErrors()->Strings(I));
    return Lines;
}

std::vector<AnsiString> Lines(std::initializer_list<const char*> Utf8)
{
    std::vector<AnsiString> Out;
    for (const char* Line : Utf8)
        Out.push_back(AnsiString::FromUtf8(Line));
    return Out;
}

/// An invoice holding one row, an error line and a header, to see that a
/// failed import leaves all of it.
void FillCurrent(TshInvoice& Invoice)
{
    TshInvoiceTovar* Row = Invoice.Add();
    Row->Name = "Прежний товар"_a;
    Row->PriceOpt = Curr("5");
    Row->Kolvo = Curr("1");
    Invoice.AddError("Прежняя ошибка"_a);
    Invoice.NumDoc = "17";
}

void ExpectCurrentKept(TshInvoice& Invoice)
{
    ASSERT_EQ(Invoice.Count(), 1);
    EXPECT_EQ(Invoice.GetItem(0)->Name, "Прежний товар"_a);
    EXPECT_EQ(Errors(Invoice), std::vector<AnsiString>{"Прежняя ошибка"_a});
    EXPECT_EQ(Invoice.NumDoc, "17");
}

/// Runs Action on an invoice filled by FillCurrent: it must raise E with
/// Text and leave the invoice as it was.
template <class E>
void ExpectRefusedKeepingCurrent(const std::function<void(TshInvoice&)>& Action,
                                 const AnsiString& Text)
{
    TshInvoice Invoice(1);
    FillCurrent(Invoice);
    ExpectRaises<E>([&] { Action(Invoice); }, Text);
    ExpectCurrentKept(Invoice);
}

// ---- the worked example --------------------------------------------------------

TEST(InvoiceImport, WorkedExampleFromWorkbooks)
{
    // Values, and the same sheet with its sums and total as formulas.
    for (const char* File : {"example.xls", "example-formulas.xls"}) {
        SCOPED_TRACE(File);
        const ConfigScope Config;
        const MsgRecorder Messages;
        TshInvoice Invoice(1);
        Invoice.LoadFromXLS(Fixture(File));
        EXPECT_TRUE(Messages.Requests.empty());
        EXPECT_TRUE(Errors(Invoice).empty());
        ASSERT_EQ(Invoice.Count(), 3);
        const char* const Names[] = {"Холодильник NRB 110", "Пылесос ABC", "Чайник"};
        const char* const Kolvo[] = {"2", "3", "1"};
        const char* const Cost[] = {"10.5", "0.3333", "100"};
        for (int I = 0; I < 3; ++I) {
            const TshInvoiceTovar& Row = *Invoice.GetItem(I);
            EXPECT_EQ(Row.Name, AnsiString::FromUtf8(Names[I])) << I;
            EXPECT_EQ(Row.Tip, "") << I;
            EXPECT_EQ(Row.Kolvo, Curr(Kolvo[I])) << I;
            EXPECT_EQ(Row.PriceOpt, Curr(Cost[I])) << I;
            EXPECT_EQ(Row.Price, Curr("0")) << I;  // the sheet's sum is not kept
        }

        // Priced with markup 30 %, discount 10 %, coarse rounding.
        Invoice.Recalc(RoundModeCoarse, /*AllRows=*/true, Curr("30"), Curr("10"),
                       /*ClearMarks=*/true);
        const char* const Price[] = {"13.5", "0.4333", "130"};
        const char* const Card[] = {"12", "0.39", "117"};
        for (int I = 0; I < 3; ++I) {
            EXPECT_EQ(Invoice.GetItem(I)->Price, Curr(Price[I])) << I;
            EXPECT_EQ(Invoice.GetItem(I)->PriceDiscount, Curr(Card[I])) << I;
        }
        EXPECT_EQ(Invoice.SumKolvo, Curr("6"));
        EXPECT_EQ(Invoice.SumOpt, Curr("122"));
        EXPECT_EQ(Invoice.SumRetail, Curr("158.3"));
        EXPECT_EQ(Invoice.SumDiscount, Curr("142.17"));
        TStringList2D Totals;
        FillTotalsTexts(Invoice, Totals);
        const char* const Texts[] = {"3",     "6",     "122,00", "158,30", "36,30",
                                     "29,75", "142,17", "20,17", "16,53", ""};
        for (int C = 0; C < 10; ++C)
            EXPECT_EQ(Totals.GetCell(C, 0), Texts[C]) << C;
    }
}

/// Workbooks whose closing rows once misled the import: each imports the
/// worked example's three goods and exactly these error lines.
TEST(InvoiceImport, ClosingRowsOfWorkbooks)
{
    struct ClosingCase {
        const char* File;
        std::vector<AnsiString> Errors;
    };
    const ClosingCase Cases[] = {
        // "Итого:" with the quantity and sum totals but no goods name, then
        // "Всего по накладной:": neither row joins the goods.
        {"two-total-rows.xls", {}},
        // The quantity total on a total row whose sum cell is empty: the
        // sheet states no total, so there is none to check.
        {"total-without-sum.xls", {}},
    };
    for (const ClosingCase& C : Cases) {
        SCOPED_TRACE(C.File);
        const ConfigScope Config;
        const MsgRecorder Messages;
        TshInvoice Invoice(1);
        Invoice.LoadFromXLS(Fixture(C.File));
        EXPECT_TRUE(Messages.Requests.empty());
        EXPECT_EQ(Errors(Invoice), C.Errors);
        ASSERT_EQ(Invoice.Count(), 3);
        EXPECT_EQ(Invoice.GetItem(0)->Name, "Холодильник NRB 110"_a);
        EXPECT_EQ(Invoice.GetItem(2)->Name, "Чайник"_a);
    }
}

/// A region picked below the sheet's used range (the set-up window's row
/// hints): nothing of the sheet is imported.
TEST(InvoiceImport, RegionPastTheWorkbookTableImportsNothing)
{
    const ConfigScope Config;
    const MsgRecorder Messages;
    Variant Table;
    int FirstColumn = 0;
    int FirstRow = 0;
    ReadXLSToTable(Fixture("example.xls"), Table, FirstColumn, FirstRow);
    TAnalizeResult Analysis;
    Analysis.FirstRow = FirstRow;
    Analysis.FirstCol = FirstColumn;
    AnalizeHints Hints;
    Hints.FirstDataRow = 20;
    Hints.LastDataRow = 30;
    Analysis.AnalizeInvoice(Table, &Hints);
    ExpectRefusedKeepingCurrent<EAppException>(
        [&](TshInvoice& Invoice) { Invoice.ImportTable(Table, Analysis); },
        "Не определена конечная строка при анализе\r\n"
        "Неверно определены начальная и конечная строки при анализе"_a);
}

TEST(InvoiceImport, WorkbookAnalysisShowsSheetNumbers)
{
    const ConfigScope Config;
    const MsgRecorder Messages;
    // The used range starts at C2 (a title line); the heading is sheet row 5.
    Variant Table;
    int FirstColumn = 0;
    int FirstRow = 0;
    ReadXLSToTable(Fixture("example.xls"), Table, FirstColumn, FirstRow);
    EXPECT_EQ(FirstRow, 2);
    EXPECT_EQ(FirstColumn, 3);
    TAnalizeResult Analysis;
    Analysis.FirstRow = FirstRow;
    Analysis.FirstCol = FirstColumn;
    Analysis.AnalizeInvoice(Table, nullptr);
    const std::pair<Byte, const char*> Shown[] = {
        {KindHeaderRow, "5"}, {KindFirstRow, "6"}, {KindLastRow, "8"}, {KindNumber, "3"},
        {KindItem, "4"},      {KindQuantity, "5"}, {KindPrice, "6"},   {KindSum, "7"},
        {KindTotal, "122,00"},
    };
    for (const auto& [Kind, Text] : Shown)
        EXPECT_EQ(Analysis.FindByKind(Kind)->GetValueText(), Text) << int(Kind);
}

// ---- checks and their texts ----------------------------------------------------

struct CheckCase {
    const char* What;
    std::function<void(TableRows&)> Change;
    int Rows;
    std::vector<AnsiString> Errors;
};

const std::vector<CheckCase>& CheckCases()
{
    static const std::vector<CheckCase> Cases = {
        {"all agree", [](TableRows&) {}, 3, {}},
        {"a row sum differs",
         [](TableRows& T) { T[1][4] = 21.5; }, 3,
         Lines({"Не совпадает сумма в накладной [Строка 1] [XL строка 6]"})},
        {"the total differs",
         [](TableRows& T) { T[4][4] = 123; }, 3,
         Lines({"Не совпадает ИТОГО по накладной [122,00 <> 123,00]"})},
        {"no price inside the block",
         [](TableRows& T) { T[2][3] = ""; }, 2,
         Lines({"Пропущена строка в блоке данных [Строка XL 7]",
                "Не совпадает ИТОГО по накладной [121,00 <> 122,00]"})},
        {"no price in the first row is reported too",
         [](TableRows& T) { T[1][3] = ""; }, 2,
         Lines({"Пропущена строка в блоке данных [Строка XL 6]",
                "Не совпадает ИТОГО по накладной [101,00 <> 122,00]"})},
        {"no quantity in the last row is reported too",
         [](TableRows& T) { T[3][2] = ""; }, 2,
         Lines({"Пропущена строка в блоке данных [Строка XL 8]",
                "Не совпадает ИТОГО по накладной [22,00 <> 122,00]"})},
        {"an empty row inside the block",
         [](TableRows& T) { T.insert(T.begin() + 2, std::vector<Cell>{}); }, 3,
         Lines({"Пропущена строка в блоке данных [Строка XL 7]"})},
        {"row numbers count imported rows only",
         [](TableRows& T) {
             T.insert(T.begin() + 2, std::vector<Cell>{});
             T[3][4] = 2;
         },
         3,
         Lines({"Пропущена строка в блоке данных [Строка XL 7]",
                "Не совпадает сумма в накладной [Строка 2] [XL строка 8]"})},
        {"a sum of 0 is not checked", [](TableRows& T) { T[3][4] = 0; }, 3, {}},
        {"a total of 0 is not checked",
         [](TableRows& T) {
             T[1][4] = 22;
             T[4][4] = 0;
         },
         3,
         Lines({"Не совпадает сумма в накладной [Строка 1] [XL строка 6]"})},
        {"no total row",
         [](TableRows& T) { T.pop_back(); }, 3, {}},
        {"an error value in a cell (#N/A)",
         [](TableRows& T) { T[1][4] = Cell(Variant::Error(0x2A)); }, 3,
         Lines({"Ошибка импорта из накладной [Строка XL 6 : Столбец 7 ]"})},
        {"a text price", [](TableRows& T) { T[1][3] = "10,50"; }, 3, {}},
        {"a price in roubles-dash-kopecks", [](TableRows& T) { T[1][3] = "10-50"; }, 3, {}},
    };
    return Cases;
}

TEST(InvoiceImport, ChecksRowSumsAndTheTotal)
{
    const ConfigScope Config;
    const MsgRecorder Messages;
    for (const CheckCase& C : CheckCases()) {
        SCOPED_TRACE(C.What);
        TableRows Rows = ExampleInvoice();
        C.Change(Rows);
        TshInvoice Invoice(1);
        Import(Invoice, Rows);
        EXPECT_EQ(Invoice.Count(), C.Rows);
        EXPECT_EQ(Errors(Invoice), C.Errors);
    }
}

TEST(InvoiceImport, MissingNumbersNameTheirColumns)
{
    // The operator moved the price (and the quantity) to an empty column in
    // the set-up window: the rows are data rows without those numbers.
    const ConfigScope Config;
    const MsgRecorder Messages;
    TableRows Rows = ExampleInvoice();
    for (auto& Row : Rows)
        Row.resize(7);
    TshInvoice Invoice(1);
    Import(Invoice, Rows, [](TAnalizeResult& A) { A.FindByKind(KindPrice)->Index = 5; });
    EXPECT_EQ(Invoice.GetItem(0)->PriceOpt, Curr("0"));
    EXPECT_EQ(Errors(Invoice)[0],
              "Нет числового значения в колонках (\"Цена\")[Строка 1] [XL строка 6]"_a);

    TshInvoice Both(1);
    Import(Both, Rows, [](TAnalizeResult& A) {
        A.FindByKind(KindQuantity)->Index = 5;
        A.FindByKind(KindPrice)->Index = 6;
    });
    EXPECT_EQ(Errors(Both)[2],
              "Нет числового значения в колонках (\"Кол-во\"    \"Цена\")"
              "[Строка 3] [XL строка 8]"_a);
    EXPECT_EQ(Errors(Both).back(), "Не совпадает ИТОГО по накладной [0,00 <> 122,00]"_a);
}

// ---- VAT -----------------------------------------------------------------------

TEST(InvoiceImport, VatIsAddedToCostPrices)
{
    const ConfigScope Config;
    const MsgRecorder Messages;
    TshInvoice Invoice(1);
    Invoice.Nds = Curr("20");
    Import(Invoice, ExampleInvoice());
    ASSERT_EQ(Invoice.Count(), 3);
    EXPECT_EQ(Invoice.GetItem(0)->PriceOpt, Curr("12.6"));
    EXPECT_EQ(Invoice.GetItem(1)->PriceOpt, Curr("0.4"));  // 0.39996 half up
    EXPECT_EQ(Invoice.GetItem(2)->PriceOpt, Curr("120"));
    EXPECT_EQ(Invoice.Nds, Curr("20"));
    // The sheet's sums and total leave the VAT out: they agree all the same.
    EXPECT_TRUE(Errors(Invoice).empty());
}

TEST(InvoiceImport, VatSumsMayIncludeTheVat)
{
    const ConfigScope Config;
    const MsgRecorder Messages;
    TableRows Rows = ExampleInvoice();
    Rows[1][4] = 25.2;
    Rows[2][4] = 1.2;
    Rows[3][4] = 120;
    Rows[4][4] = 146.4;
    TshInvoice Invoice(1);
    Invoice.Nds = Curr("20");
    Import(Invoice, Rows);
    EXPECT_TRUE(Errors(Invoice).empty());
    // A sum that is neither is still reported.
    Rows[1][4] = 23;
    TshInvoice Wrong(1);
    Wrong.Nds = Curr("20");
    Import(Wrong, Rows);
    EXPECT_EQ(Errors(Wrong),
              Lines({"Не совпадает сумма в накладной [Строка 1] [XL строка 6]"}));
}

struct VatCase {
    const char* Price;
    const char* Nds;
    const char* Cost;
};

const VatCase VatCases[] = {
    {"9.99", "20", "11.99"},     // 11.988 half up
    {"10.005", "0", "10.005"},   // no VAT: the price as read
    {"0.125", "20", "0.15"},     // 0.15 exactly
    {"1.2345", "10", "1.36"},    // 1.35795
    {"100", "18", "118"},
};

TEST(InvoiceImport, VatRoundsHalfUpToKopecks)
{
    const ConfigScope Config;
    const MsgRecorder Messages;
    for (const VatCase& C : VatCases) {
        SCOPED_TRACE(C.Price);
        TshInvoice Invoice(1);
        Invoice.Nds = Curr(C.Nds);
        Import(Invoice, {{"Товар", "Кол-во", "Цена"},
                         {"Чайник", 1, Cell(Variant(Curr(C.Price)))},
                         {"Утюг", 1, 1.5}});
        EXPECT_EQ(Invoice.GetItem(0)->PriceOpt, Curr(C.Cost));
    }
}

// ---- names, types and units ----------------------------------------------------

TEST(InvoiceImport, TypesFromNamesAndModelColumns)
{
    const ConfigScope Config;
    const MsgRecorder Messages;
    const auto Packed = [](TAnalizeResult& A) { A.PackedMode = PackedInBrackets; };

    TshInvoice NameOnly(1);
    Import(NameOnly, {{"Товар", "Кол-во", "Цена", "Ед."},
                      {"NRB 110 (Холодильник)", 1, 10.5, "шт."}},
           Packed);
    EXPECT_EQ(NameOnly.GetItem(0)->Name, "NRB 110"_a);
    EXPECT_EQ(NameOnly.GetItem(0)->Tip, "Холодильник"_a);
    EXPECT_EQ(NameOnly.GetItem(0)->Ed, "шт."_a);

    // A model column left of the names wins over the type in the name.
    TshInvoice ModelLeft(1);
    Import(ModelLeft, {{"Модель", "Товар", "Кол-во", "Цена"},
                       {"Бирюса", "NRB 110 (Холодильник)", 1, 10.5}},
           Packed);
    EXPECT_EQ(ModelLeft.GetItem(0)->Tip, "Бирюса"_a);
    EXPECT_EQ(ModelLeft.GetItem(0)->Name, "NRB 110"_a);

    // One to the right overwrites it.
    TshInvoice ModelRight(1);
    Import(ModelRight, {{"Товар", "Модель", "Кол-во", "Цена"},
                        {"NRB 110 (Холодильник)", "Бирюса", 1, 10.5}},
           Packed);
    EXPECT_EQ(ModelRight.GetItem(0)->Tip, "Бирюса"_a);

    // Without packing the whole cleaned text is the name.
    TshInvoice Plain(1);
    Import(Plain, {{"Товар", "Кол-во", "Цена"}, {"\"Чайник\" ", 1, 10.5}});
    EXPECT_EQ(Plain.GetItem(0)->Name, "Чайник"_a);
    EXPECT_EQ(Plain.GetItem(0)->Tip, ""_a);
}

TEST(InvoiceImport, ATableImportedTwiceGivesTheSameRows)
{
    // An import reads the caller's table and leaves it whole: long names
    // (beyond a short string's room) too.
    const ConfigScope Config;
    const MsgRecorder Messages;
    const Variant Table = MakeTable({{"Товар", "Модель", "Кол-во", "Цена", "Ед."},
                                     {"Холодильник двухкамерный NRB 110", "Бирюса", 1, 10.5,
                                      "штука"}});
    TAnalizeResult Analysis;
    Analysis.AnalizeInvoice(Table, nullptr);
    for (int Pass = 0; Pass < 2; ++Pass) {
        SCOPED_TRACE(Pass);
        TshInvoice Invoice(1);
        Invoice.ImportTable(Table, Analysis);
        ASSERT_EQ(Invoice.Count(), 1);
        EXPECT_EQ(Invoice.GetItem(0)->Name, "Холодильник двухкамерный NRB 110"_a);
        EXPECT_EQ(Invoice.GetItem(0)->Tip, "Бирюса"_a);
        EXPECT_EQ(Invoice.GetItem(0)->Ed, "штука"_a);
    }
}

TEST(InvoiceImport, ConfirmedLineBreakPackingSplitsNames)
{
    const ConfigScope Config;
    const MsgRecorder Messages(1);
    TableRows Rows = {{"Товар", "Кол-во", "Цена"}};
    for (int I = 0; I < 5; ++I)
        Rows.push_back({Cell(Variant("Утюг\r\nУ-"_a + IntToStr(I))), 1, 10.5});
    TshInvoice Invoice(1);
    Import(Invoice, Rows);
    ASSERT_EQ(Messages.Requests.size(), 1u);
    EXPECT_EQ(Invoice.GetItem(4)->Name, "Утюг"_a);
    EXPECT_EQ(Invoice.GetItem(4)->Tip, "У-4"_a);
}

// ---- row ranges ----------------------------------------------------------------

TEST(InvoiceImport, RowRangePastTheTableIsCutToIt)
{
    const ConfigScope Config;
    const MsgRecorder Messages;
    TshInvoice Invoice(1);
    // A region picked by whole columns: its last row is far past the table.
    Import(Invoice, ExampleInvoice(),
           [](TAnalizeResult& A) { A.FindByKind(KindLastRow)->Index = 65535; });
    EXPECT_EQ(Invoice.Count(), 3);
    EXPECT_EQ(Errors(Invoice), Lines({"Не определена конечная строка при анализе",
                                      "Пропущена строка в блоке данных [Строка XL 9]"}));

    // A first row past the table: nothing to import, as for a first row
    // after the last.
    TshInvoice FirstPast(1);
    ExpectRaises<EAppException>(
        [&] {
            Import(FirstPast, ExampleInvoice(),
                   [](TAnalizeResult& A) { A.FindByKind(KindFirstRow)->Index = 70000; });
        },
        "Неверно определены начальная и конечная строки при анализе"_a);
}

TEST(InvoiceImport, UnknownFirstRowStartsAtTheTop)
{
    const ConfigScope Config;
    const MsgRecorder Messages;
    TshInvoice Invoice(1);
    Import(Invoice, ExampleInvoice(),
           [](TAnalizeResult& A) { A.FindByKind(KindFirstRow)->Index = -1; });
    EXPECT_EQ(Invoice.Count(), 3);
    EXPECT_EQ(Errors(Invoice), Lines({"Не определена начальная строка при анализе",
                                      "Пропущена строка в блоке данных [Строка XL 5]"}));
}

// ---- failed imports ------------------------------------------------------------

TEST(InvoiceImport, NothingToImportLeavesTheInvoice)
{
    const ConfigScope Config;
    const MsgRecorder Messages;
    struct FailCase {
        const char* What;
        TableRows Rows;
        std::function<void(TAnalizeResult&)> Adjust;
        const char* Message;
    };
    const FailCase Cases[] = {
        {"no data rows", {{"Товар", "Кол-во", "Цена"}, {"Чайник", "один", "сто"}}, {},
         "Не определена начальная строка при анализе\r\n"
         "Не определена конечная строка при анализе"},
        {"an empty sheet", {}, {},
         "Не определена начальная строка при анализе\r\n"
         "Не определена конечная строка при анализе"},
        {"first after last", ExampleInvoice(),
         [](TAnalizeResult& A) {
             A.FindByKind(KindFirstRow)->Index = 3;
             A.FindByKind(KindLastRow)->Index = 1;
         },
         "Неверно определены начальная и конечная строки при анализе"},
        {"only skipped rows", ExampleInvoice(),
         [](TAnalizeResult& A) {
             A.FindByKind(KindFirstRow)->Index = 0;
             A.FindByKind(KindLastRow)->Index = 0;
         },
         "Пропущена строка в блоке данных [Строка XL 5]"},
    };
    for (const FailCase& C : Cases) {
        SCOPED_TRACE(C.What);
        ExpectRefusedKeepingCurrent<EAppException>(
            [&](TshInvoice& Invoice) { Import(Invoice, C.Rows, C.Adjust); },
            AnsiString::FromUtf8(C.Message));
    }
}

TEST(InvoiceImport, AnalysisOfAnotherTableIsRefused)
{
    const ConfigScope Config;
    const MsgRecorder Messages;
    TAnalizeResult Analysis;
    Analysis.AnalizeInvoice(MakeTable(ExampleInvoice()), nullptr);
    TshInvoice Invoice(1);
    FillCurrent(Invoice);
    ExpectRaises<EAppException>(
        [&] { Invoice.ImportTable(MakeTable({{"Товар"}, {"Чайник"}, {"Утюг"}}), Analysis); },
        "Ошибка в анализаторе.\r\nНе совпадают длины массивов данных и анализа\r\n"
        "anRowList.Count (5) <> rCount (3)"_a);
    ExpectCurrentKept(Invoice);

    // A transfer before any analysis: empty statistics.
    const TAnalizeResult Fresh;
    ExpectRaises<EAppException>(
        [&] { Invoice.ImportTable(MakeTable(ExampleInvoice()), Fresh); },
        "Ошибка в анализаторе.\r\nНе совпадают длины массивов данных и анализа\r\n"
        "anRowList.Count (0) <> rCount (5)"_a);
    ExpectCurrentKept(Invoice);
}

TEST(InvoiceImport, SuccessfulImportReplacesRowsAndErrorsOnly)
{
    const ConfigScope Config;
    const MsgRecorder Messages;
    TshInvoice Invoice(1);
    FillCurrent(Invoice);
    Invoice.Nds = Curr("10");
    TableRows Rows = ExampleInvoice();
    Import(Invoice, Rows);
    EXPECT_EQ(Invoice.Count(), 3);
    EXPECT_EQ(Invoice.NumDoc, "17");
    EXPECT_EQ(Invoice.Nds, Curr("10"));
    EXPECT_TRUE(Errors(Invoice).empty());
    EXPECT_EQ(Invoice.GetItem(0)->Owner, &Invoice);
}

TEST(InvoiceImport, LoadErrorsLeaveTheInvoice)
{
    const ConfigScope Config;
    TshInvoice Invoice(1);
    FillCurrent(Invoice);
    const AnsiString Missing = Config.Dir().File("нет такой.xls");
    ExpectRaises<EFOpenError>([&] { Invoice.LoadFromXLS(Missing); },
                              "Файл не найден: "_a + Missing);
    ExpectCurrentKept(Invoice);

    const AnsiString Broken = Config.Dir().File("испорчен.xls");
    WriteBytes(Config.Dir().Path() / "испорчен.xls", "not a workbook at all");
    EXPECT_THROW(Invoice.LoadFromXLS(Broken), Exception);
    ExpectCurrentKept(Invoice);
}

TEST(InvoiceImport, CancelledPackingQuestionLeavesTheInvoice)
{
    const ConfigScope Config;
    const MsgRecorder Messages(3);
    TableRows Rows = {{"Товар", "Кол-во", "Цена"}};
    for (int I = 0; I < 5; ++I)
        Rows.push_back({Cell(Variant("Утюг\r\nУ-"_a + IntToStr(I))), 1, 10.5});
    ExpectRefusedKeepingCurrent<EAbort>([&](TshInvoice& Invoice) { Import(Invoice, Rows); },
                                        "Operation aborted");
}

// ---- any sheet ---------------------------------------------------------------

/// A cell of any kind a worksheet may hold, headings and packed names among
/// them, drawn from Random.
Cell AnyCell(std::mt19937& Random)
{
    static const char* const Texts[] = {
        "Товар", "Наименование", "Цена", "Кол-во", "Сумма", "Итого:", "Всего", "№", "Модель",
        "Ед.", "Артикул", "Тип", "Описание", "Фирма", "Страна", "Гарантия", "шт.", "12-50",
        "1 234,50", "Утюг\r\nУ-2", "Утюг (МБТ)", "(", ")", "\"", "", " ", "-", "1e5",
        "9999999999999999,5", "МБТ", "A (b (c))",
    };
    switch (Random() % 12) {
    case 0:
    case 1: return Cell();
    case 2: return Cell(int(Random() % 20));
    case 3: return Cell(double(Random() % 100000) / 100);
    case 4: return Cell(Variant(-double(Random() % 1000) / 7));
    case 5: return Cell(Variant::Error(int(Random() % 40)));
    case 6: return Cell(Variant(Random() % 2 == 0));
    case 7: return Cell(Variant(TDateTime(45000 + double(Random() % 100))));
    case 8: return Cell(Variant(1e300));
    case 9: return Cell(Null());
    default: {
        return Cell(Variant(AnsiString::FromUtf8(Texts[Random() % std::size(Texts)])));
    }
    }
}

TEST(InvoiceImport, AnySheetImportsOrIsRefusedCleanly)
{
    const ConfigScope Config;
    std::mt19937 Random(20240201);
    for (int Sheet = 0; Sheet < 300; ++Sheet) {
        SCOPED_TRACE(Sheet);
        TableRows Rows(Random() % 25);
        const size_t Width = 1 + Random() % 8;
        for (auto& Row : Rows)
            for (size_t C = 0; C < Width; ++C)
                Row.push_back(AnyCell(Random));
        const Variant Table = MakeTable(Rows);
        const MsgRecorder Messages(int(1 + Random() % 3));
        AnalizeHints Hints;
        Integer* const Fields[] = {&Hints.HeaderRow,      &Hints.ItemColumn,
                                   &Hints.ModelColumn,    &Hints.ArticleColumn,
                                   &Hints.PriceColumn,    &Hints.QuantityColumn,
                                   &Hints.SumColumn,      &Hints.FirstDataRow,
                                   &Hints.LastDataRow};
        const bool UseHints = Random() % 3 == 0;
        for (Integer* Field : Fields)
            if (UseHints && Random() % 2 == 0)
                *Field = Random() % 4 == 0 ? 70000 : Integer(Random() % 30);
        TshInvoice Invoice(1);
        FillCurrent(Invoice);
        try {
            TAnalizeResult Analysis;
            Analysis.FirstRow = 1 + int(Random() % 3);
            Analysis.AnalizeInvoice(Table, UseHints ? &Hints : nullptr);
            Invoice.ImportTable(Table, Analysis);
            for (int I = 0; I < Invoice.Count(); ++I)
                EXPECT_EQ(Invoice.GetItem(I)->Owner, &Invoice);
        } catch (const EAbort&) {
            ExpectCurrentKept(Invoice);  // the packing question was cancelled
        } catch (const EAppException&) {
            ExpectCurrentKept(Invoice);  // nothing to import
        }
        const auto Articles = TAnalizeResult::CreateForArticles();
        Articles->AnalizeArticles(Table);
        TshArticleList List;
        try {
            List.ImportTable(Table, *Articles);
        } catch (const EAppException&) {
            EXPECT_EQ(List.Count(), 0);
        }
    }
}

}  // namespace

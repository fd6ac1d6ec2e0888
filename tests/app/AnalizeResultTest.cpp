// Column analysis: cell types, heading keywords (built-in and from the
// program ini), numbering rows, the heading row and its columns, the
// invoice total, the block of data rows, the packing question, hints, the
// article layout and the values shown to the user.

#include "app/AnalizeResult.h"

#include "app/InvoicePackedName.h"
#include "common/base/Funcs.h"
#include "common/base/IniFiles.h"
#include "platform/classes/Strings.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FormatSettings.h"
#include "tests/app/AppTestSupport.h"
#include "tests/app/ImportTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

#include <memory>
#include <vector>

namespace {

// ---- cells and keywords --------------------------------------------------------

struct CellCase {
    const char* Text;
    char Letter;
};

const CellCase CellCases[] = {
    {"", '-'},                      // empty
    {"Холодильник", 'S'},           // text
    {"12", 'I'},                    // integer
    {"-7", 'I'},                    // negative integer
    {"1 234", 'I'},                 // thousands blank dropped
    {"10,5", 'F'},                  // decimal
    {"10.5", 'F'},                  // any decimal mark
    {"12-50", 'F'},                 // roubles-dash-kopecks
    {"9999999999999999,5", 'V'},    // beyond Currency
    {"1e5", 'S'},                   // a letter spoils the number
    {"№ 5", 'S'},                   // so does a sign
};

TEST(AnalizeResult, CellTypeChar)
{
    const RussianSettingsScope Ru;
    for (const CellCase& C : CellCases) {
        SCOPED_TRACE(C.Text);
        EXPECT_EQ(CellTypeChar(AnsiString::FromUtf8(C.Text)), C.Letter);
    }
}

TEST(AnalizeResult, CellValueTextIsTheRuntimeText)
{
    // Numbers take a quicker way to their text; it must be the same text.
    const double Values[] = {0,       1,          -1,        10.5,        0.3333,  -0.3333,
                             21,      122,        1234.56,   0.1 + 0.2,   1e-4,    0.00015,
                             1e-5,    99999.9999, 1e11,      1e11 - 0.5,  1e15,    123456789.125,
                             2.675,   1.005,      0.30000000000000004,    370.35000000000002,
                             5e-324,  1e300,      -7.25,     33.333333333333336};
    for (const TFormatSettings& Settings : {RussianFormatSettings(), EnglishFormatSettings()}) {
        const FormatSettingsScope Scope(Settings);
        // The value a number is taken at is the value of its text.
        const auto ExpectSameValue = [](double V) {
            Currency Value;
            if (CellCurrency(Variant(V), Value)) {
                ASSERT_EQ(Value, StrToCurrDef(CleanNumStr(VarToStr(Variant(V))), Currency()))
                    << V;
            }
        };
        for (double V : Values) {
            SCOPED_TRACE(V);
            EXPECT_EQ(CellValueText(Variant(V)), VarToStr(Variant(V)));
            ExpectSameValue(V);
        }
        // A fixed sweep of prices and quantities as a shop's sheets hold them.
        for (int Cents = -20000; Cents <= 200000; Cents += 7) {
            const double V = Cents / 100.0;
            ASSERT_EQ(CellValueText(Variant(V)), VarToStr(Variant(V))) << V;
            ExpectSameValue(V);
            const double W = Cents / 10000.0;
            ASSERT_EQ(CellValueText(Variant(W)), VarToStr(Variant(W))) << W;
            ExpectSameValue(W);
        }
        // Products a formula column holds (17 x 123.45 is 2098.6499999999996)
        // and the doubles around them, up to two steps away.
        for (int Quantity = 1; Quantity <= 20; ++Quantity) {
            for (int Cents = 1; Cents <= 100000; Cents += 97) {
                double V = Quantity * (Cents / 100.0);
                for (int Step = 0; Step < 2; ++Step)
                    V = std::nextafter(V, 0.0);
                for (int Step = 0; Step < 5; ++Step, V = std::nextafter(V, 1e300)) {
                    ASSERT_EQ(CellValueText(Variant(V)), VarToStr(Variant(V))) << V;
                    ExpectSameValue(V);
                }
            }
        }
        Currency Value;
        EXPECT_TRUE(CellCurrency(Variant(10.5), Value));
        EXPECT_EQ(Value, Curr("10.5"));
        EXPECT_FALSE(CellCurrency(Variant(1.0 / 3), Value));  // more decimals: the text's way
        EXPECT_FALSE(CellCurrency(Variant("10,5"_a), Value));  // texts too
    }
    EXPECT_EQ(CellValueText(Variant("Текст"_a)), "Текст"_a);
    EXPECT_EQ(CellValueText(Variant()), "");
    ExpectRaises<EVariantTypeCastError>([] { (void)CellValueText(Variant::Error(7)); },
                                        "Could not convert variant of type (Error) into type "
                                        "(String)");
}

TEST(AnalizeResult, NormalizeHeaderText)
{
    EXPECT_EQ(NormalizeHeaderText(" Кол-во, (шт.)\r\n\"'[x]' "_a), "КОЛВО,ШТ.X"_a);
    EXPECT_EQ(NormalizeHeaderText("ёлка"_a), "ЁЛКА"_a);
}

struct KindCase {
    const char* Heading;
    Byte Kind;
};

const KindCase InvoiceKinds[] = {
    {"Наименование товара", KindItem},
    {"Кол-во, шт.", KindQuantity},
    {"Ед. изм.", KindUnit},
    {"№ п/п", KindNumber},
    {"Цена, руб.", KindPrice},
    {"Сумма", KindSum},
    {"Сумма итого", KindSum},               // the sum item comes before the total
    {"Итого:", KindTotal},
    {"Всего по накладной", KindTotal},
    {"Тип", KindModel},                     // the model item's keyword in invoices
    {"Артикул", KindArticle},               // Cyrillic heading, Cyrillic keyword
    {"Код товара", KindArticle},
    {"\"Модель\"", KindModel},              // quotes are dropped
    {"Примечание", KindNone},
    {"-", KindNone},                        // normalises to nothing
    {"", KindNone},
};

const KindCase ArticleKinds[] = {
    {"Тип", KindType},
    {"Модель", KindModelName},
    {"Наименование", KindModelName},
    {"Артикул", KindArticle},
    {"Основные характеристики", KindDescription},
    {"Фирма", KindFirm},
    {"Страна производства", KindCountry},
    {"Гарантия, мес.", KindWarranty},
    {"Примечание", KindNone},   // the empty built-in keywords match nothing
    {"Цена", KindNone},         // invoice keywords are not in this layout
};

TEST(AnalizeResult, MatchHeaderKindByLayout)
{
    const ConfigScope Config;
    const TAnalizeResult Invoice;
    for (const KindCase& C : InvoiceKinds) {
        SCOPED_TRACE(C.Heading);
        EXPECT_EQ(Invoice.MatchHeaderKind(AnsiString::FromUtf8(C.Heading)), C.Kind);
    }
    const auto Articles = TAnalizeResult::CreateForArticles();
    for (const KindCase& C : ArticleKinds) {
        SCOPED_TRACE(C.Heading);
        EXPECT_EQ(Articles->MatchHeaderKind(AnsiString::FromUtf8(C.Heading)), C.Kind);
    }
}

TEST(AnalizeResult, EmptyKeywordNeverMatches)
{
    TStringList Keywords;
    Keywords.Add("");
    Keywords.Add(" - ");  // empty once normalised
    Keywords.Add("ЦЕНА"_a);
    EXPECT_EQ(MatchHeaderKeyword(Keywords, "Цена"_a), 2);
    EXPECT_EQ(MatchHeaderKeyword(Keywords, "Примечание"_a), -1);
    EXPECT_EQ(MatchHeaderKeyword(Keywords, ""), -1);
}

TEST(AnalizeResult, BuiltInArticleKeywordIsCyrillic)
{
    const ConfigScope Config;
    const TAnalizeResult Invoice;
    const TAnResItem* Article = Invoice.FindByKind(KindArticle);
    ASSERT_NE(Article, nullptr);
    ASSERT_EQ(Article->Headers->Count(), 3);
    EXPECT_EQ(Article->Headers->Strings(0), "АРТИКУЛ"_a);
    EXPECT_EQ(Article->Headers->Strings(2), "");
    // A heading typed with a Latin first letter is another word.
    EXPECT_EQ(Invoice.MatchHeaderKind("AРТИКУЛ"_a), KindNone);
}

TEST(AnalizeResult, KeywordsComeFromTheProgramIni)
{
    const ConfigScope Config;
    TIniFile& Ini = *GetAppIniFile();
    Ini.WriteString("AnalizeResultList10", "Count", "1");
    Ini.WriteString("AnalizeResultList10", "S0", "\"Стоимость\""_a);
    // A section of blank keywords gives the built-in list.
    Ini.WriteString("AnalizeResultList12", "Count", "1");
    Ini.WriteString("AnalizeResultList12", "S0", "\" \"");
    const TAnalizeResult Invoice;
    EXPECT_EQ(Invoice.MatchHeaderKind("Стоимость"_a), KindPrice);
    EXPECT_EQ(Invoice.MatchHeaderKind("Цена"_a), KindNone);
    EXPECT_EQ(Invoice.MatchHeaderKind("Сумма"_a), KindSum);
    EXPECT_EQ(Invoice.FindByKind(KindSum)->Headers->Count(), 3);
}

TEST(AnalizeResult, SaveHeadersIsWhatTheNextAnalysisLoads)
{
    const ConfigScope Config;
    {
        TAnalizeResult Invoice;
        TAnResItem* Unit = Invoice.FindByKind(KindUnit);
        Unit->Headers->Clear();
        Unit->Headers->Add("ФАСОВКА"_a);
        Unit->SaveHeaders();
    }
    const TAnalizeResult Again;
    EXPECT_EQ(Again.MatchHeaderKind("Фасовка"_a), KindUnit);
    EXPECT_EQ(Again.MatchHeaderKind("Ед."_a), KindNone);
    EXPECT_EQ(GetAppIniFile()->ReadString("AnalizeResultList11", "S0", ""), "\"ФАСОВКА\""_a);
}

TEST(AnalizeResult, LayoutsHoldTheirItemsInOrder)
{
    const ConfigScope Config;
    const TAnalizeResult Invoice;
    const Byte InvoiceOrder[] = {1, 2, 3, 4, 5, 0, 0, 6, 7, 8, 16, 9, 10, 11, 12, 13};
    ASSERT_EQ(Invoice.Count(), 16);
    for (int I = 0; I < 16; ++I)
        EXPECT_EQ(Invoice.GetItem(I)->Kind, InvoiceOrder[I]) << I;
    EXPECT_EQ(Invoice.FindByKind(KindQuantity)->Name, "    \"Кол-во\""_a);
    EXPECT_EQ(Invoice.FindByKind(KindTotal)->Name, "Сумма итога:"_a);
    EXPECT_EQ(Invoice.GetItem(5)->Name, "----------------------");
    EXPECT_NE(Invoice.PackedName, nullptr);

    const auto Articles = TAnalizeResult::CreateForArticles();
    const Byte ArticleOrder[] = {1, 2, 3, 0, 0, 14, 15, 16, 17, 18, 19, 20};
    ASSERT_EQ(Articles->Count(), 12);
    for (int I = 0; I < 12; ++I)
        EXPECT_EQ(Articles->GetItem(I)->Kind, ArticleOrder[I]) << I;
    EXPECT_EQ(Articles->FindByKind(KindModelName)->Name, "    \"Модель(наим)\""_a);
    EXPECT_EQ(Articles->PackedName, nullptr);
    // No sheet offsets yet: the set-up window takes them from the sheet
    // while they are negative.
    EXPECT_LT(Invoice.FirstRow, 0);
    EXPECT_LT(Invoice.FirstCol, 0);
    EXPECT_LT(Articles->FirstRow, 0);
    EXPECT_LT(Articles->FirstCol, 0);
}

TEST(AnalizeResult, DataColumnsAreTheItemsWithKeywordLists)
{
    // The settings dialog keeps the data columns and the total of a layout
    // to edit their keyword lists.
    const ConfigScope Config;
    const TAnalizeResult Invoice;
    const auto Articles = TAnalizeResult::CreateForArticles();
    struct LayoutCase {
        const TAnalizeResult* Layout;
        std::vector<Byte> Columns;  // the kinds that are data columns, in item order
    };
    const LayoutCase Cases[] = {
        {&Invoice, {6, 7, 8, 16, 9, 10, 11, 12}},
        {Articles.get(), {14, 15, 16, 17, 18, 19, 20}},
    };
    for (const LayoutCase& C : Cases) {
        std::vector<Byte> Columns;
        for (int I = 0; I < C.Layout->Count(); ++I)
            if (C.Layout->GetItem(I)->IsColumnKind())
                Columns.push_back(C.Layout->GetItem(I)->Kind);
        EXPECT_EQ(Columns, C.Columns);
    }
    EXPECT_FALSE(Invoice.FindByKind(KindTotal)->IsColumnKind());
    EXPECT_FALSE(Invoice.FindByKind(KindLeftColumn)->IsColumnKind());
}

// ---- numbering rows ------------------------------------------------------------

struct NumberingCase {
    std::vector<const char*> Cells;
    bool Numbering;
};

const NumberingCase NumberingCases[] = {
    {{"1", "2", "3", "4", "5", "6", "7", "8"}, true},     // column numbers
    {{"1", "", "3", "5"}, true},                          // steps of 2 over a gap
    {{"1", "2", "3", "7"}, true},                         // one miss, then the end
    {{"1", "5", "9", "13", "17"}, false},                 // four misses
    {{"5", "4", "3", "2", "1"}, false},                   // going down
    {{"10"}, true},                                       // nothing against it
    {{"1", "2", "3", "4", "5", "6", "7", "8", "9", "50", "60", "70", "80"}, true},
    // eight good steps decide before the misses count
};

TEST(AnalizeResult, IsNumberingRow)
{
    for (const NumberingCase& C : NumberingCases) {
        SCOPED_TRACE(testing::PrintToString(std::vector<std::string>(C.Cells.begin(),
                                                                     C.Cells.end())));
        std::vector<AnsiString> Texts;
        AnsiString Pattern;
        for (const char* Text : C.Cells) {
            Texts.push_back(Text);
            Pattern += *Text ? 'I' : '-';
        }
        EXPECT_EQ(IsNumberingRow(Texts, Pattern), C.Numbering);
    }
}

// ---- the worked example --------------------------------------------------------

TEST(AnalizeResult, WorkedExampleInvoice)
{
    const ConfigScope Config;
    const MsgRecorder Messages;
    TAnalizeResult A;
    A.FirstRow = 5;
    A.FirstCol = 3;
    A.AnalizeInvoice(MakeTable(ExampleInvoice()), nullptr);
    EXPECT_EQ(A.IndexOfKind(KindHeaderRow), 0);
    EXPECT_EQ(A.IndexOfKind(KindFirstRow), 1);
    EXPECT_EQ(A.IndexOfKind(KindLastRow), 3);
    EXPECT_EQ(A.IndexOfKind(KindNumber), 0);
    EXPECT_EQ(A.IndexOfKind(KindItem), 1);
    EXPECT_EQ(A.IndexOfKind(KindQuantity), 2);
    EXPECT_EQ(A.IndexOfKind(KindPrice), 3);
    EXPECT_EQ(A.IndexOfKind(KindSum), 4);
    EXPECT_EQ(A.IndexOfKind(KindModel), -1);
    EXPECT_EQ(A.IndexOfKind(KindUnit), -1);
    EXPECT_EQ(A.IndexOfKind(KindLeftColumn), 0);
    EXPECT_EQ(A.IndexOfKind(KindRightColumn), 4);
    EXPECT_EQ(A.IndexOfKind(KindTotal), 4);
    EXPECT_EQ(A.FindByKind(KindTotal)->Value, Curr("122"));
    EXPECT_EQ(A.PackedMode, PackedNone);
    EXPECT_TRUE(Messages.Requests.empty());

    ASSERT_EQ(A.anRowList.Count(), 5);
    const char* const Patterns[] = {"SSSSS", "ISIFI", "ISIFI", "ISIII", "-S--I"};
    const bool Data[] = {false, true, true, true, false};
    for (int R = 0; R < 5; ++R) {
        EXPECT_EQ(A.anRowList.GetItem(R)->Pattern, Patterns[R]) << R;
        EXPECT_EQ(A.anRowList.GetItem(R)->IsData, Data[R]) << R;
    }
    EXPECT_EQ(A.anRowList.GetItem(0)->Hits, 5);
    ASSERT_EQ(A.anPatternList.Count(), 4);
    EXPECT_EQ(A.anPatternList.FindByName("ISIFI")->Count, 2);
    EXPECT_EQ(A.anPatternList.FindByName("IIIII"), nullptr);
    ASSERT_EQ(A.anColList.Count(), 5);

    // What the set-up window shows: sheet rows and columns.
    EXPECT_EQ(A.FindByKind(KindHeaderRow)->GetValueText(), "5");
    EXPECT_EQ(A.FindByKind(KindFirstRow)->GetValueText(), "6");
    EXPECT_EQ(A.FindByKind(KindLastRow)->GetValueText(), "8");
    EXPECT_EQ(A.FindByKind(KindItem)->GetValueText(), "4");
    EXPECT_EQ(A.FindByKind(KindSum)->GetValueText(), "7");
    EXPECT_EQ(A.FindByKind(KindTotal)->GetValueText(), "122,00");
    EXPECT_EQ(A.GetItem(5)->GetValueText(), "");
}

TEST(AnalizeResult, SetValueTextTakesSheetNumbers)
{
    const ConfigScope Config;
    TAnalizeResult A;
    A.FirstRow = 5;
    A.FirstCol = 3;
    TAnResItem* Price = A.FindByKind(KindPrice);
    Price->SetValueText("6");
    EXPECT_EQ(Price->Index, 3);
    TAnResItem* Last = A.FindByKind(KindLastRow);
    Last->SetValueText("20");
    EXPECT_EQ(Last->Index, 15);
    Last->SetValueText("нет");  // no number counts as 0
    EXPECT_EQ(Last->Index, -5);
    TAnResItem* Total = A.FindByKind(KindTotal);
    Total->SetValueText("1 234,50");
    EXPECT_EQ(Total->Value, Curr("1234.5"));
    EXPECT_EQ(Total->GetValueText(), "1\xA0" "234,50");
}

TEST(AnalizeResult, ResetForgetsEverythingButThePackingMode)
{
    const ConfigScope Config;
    TAnalizeResult A;
    A.AnalizeInvoice(MakeTable(ExampleInvoice()), nullptr);
    A.PackedMode = PackedInBrackets;
    A.Reset();
    for (int I = 0; I < A.Count(); ++I) {
        EXPECT_EQ(A.GetItem(I)->Index, -1);
        EXPECT_EQ(A.GetItem(I)->Value, Curr("-1"));
    }
    EXPECT_EQ(A.anRowList.Count(), 0);
    EXPECT_EQ(A.anPatternList.Count(), 0);
    EXPECT_EQ(A.PackedMode, PackedInBrackets);
}

// ---- heading row and columns ---------------------------------------------------

TEST(AnalizeResult, UpperOfEqualHeadingRowsWins)
{
    const ConfigScope Config;
    const MsgRecorder Messages;
    TAnalizeResult A;
    A.AnalizeInvoice(MakeTable({
                         {"Накладная"},
                         {"Товар", "Кол-во", "Цена"},
                         {"Товар", "Количество", "Цена"},
                     }),
                     nullptr);
    EXPECT_EQ(A.IndexOfKind(KindHeaderRow), 1);
}

TEST(AnalizeResult, ColumnsOfTheHeadingRow)
{
    const ConfigScope Config;
    const MsgRecorder Messages;
    TAnalizeResult A;
    A.AnalizeInvoice(MakeTable({
                         {"Прим.", "Товар", "Наименование", "Цена", "Ед.", "Товар", "Кол-во", ""},
                     }),
                     nullptr);
    // A run of item columns: the first; a separate later one replaces it.
    EXPECT_EQ(A.IndexOfKind(KindItem), 5);
    EXPECT_EQ(A.IndexOfKind(KindUnit), 4);
    EXPECT_EQ(A.IndexOfKind(KindLeftColumn), 1);
    EXPECT_EQ(A.IndexOfKind(KindRightColumn), 6);
}

TEST(AnalizeResult, MissingMainColumnsAreToldAndTheAnalysisGoesOn)
{
    const ConfigScope Config;
    const MsgRecorder Messages;
    TAnalizeResult A;
    A.AnalizeInvoice(MakeTable({{"Товар", "Цена"}, {"Чайник", 10.5}}), nullptr);
    ASSERT_EQ(Messages.Requests.size(), 1u);
    EXPECT_EQ(Messages.Requests[0].Routine, "ShowErrorWindow");
    EXPECT_EQ(Messages.Requests[0].Text,
              "Не определены основные столбцы накладной.\r\nВ накладной обязательно должны "
              "быть определены \r\nстолбцы \"Товар\", \"Количество\" и \"Цена\""_a);
    EXPECT_EQ(A.IndexOfKind(KindItem), 0);
    EXPECT_EQ(A.IndexOfKind(KindHeaderRow), 0);
}

TEST(AnalizeResult, StatisticsItemsKeepTheirValuesWhileOthersComeAndGo)
{
    // Items of several lists share storage: freeing one list's items and
    // making new ones (more than a block holds) must leave the others'
    // values as they were, and an emptied pool must serve again.
    for (int Round = 0; Round < 2; ++Round) {
        TStatAnalize Kept;
        {
            TStatAnalize Dropped;
            for (int I = 0; I < 3000; ++I) {
                Kept.Add()->Pattern = IntToStr(I);
                Dropped.Add()->Count = I;
                if (I % 3 == 0)
                    Dropped.DeleteObject(Dropped.Count() - 1);
            }
        }
        for (int I = 0; I < 3000; ++I)
            Kept.Add()->Hits = I;
        ASSERT_EQ(Kept.Count(), 6000);
        for (int I = 0; I < 3000; ++I) {
            ASSERT_EQ(Kept.GetItem(I)->Pattern, IntToStr(I)) << I;
            ASSERT_EQ(Kept.GetItem(3000 + I)->Hits, I) << I;
            ASSERT_TRUE(Kept.GetItem(3000 + I)->Pattern.IsEmpty()) << I;
        }
    }
}

TEST(AnalizeResult, EmptyOrNoTableFindsNothing)
{
    const ConfigScope Config;
    const MsgRecorder Messages;
    for (const Variant& Table : {MakeTable({}), Variant("не таблица"), Variant()}) {
        SCOPED_TRACE(VarTypeAsText(Table.VType()).Std());
        TAnalizeResult A;
        A.AnalizeInvoice(Table, nullptr);
        for (int I = 0; I < A.Count(); ++I)
            EXPECT_EQ(A.GetItem(I)->Index, -1) << I;
        EXPECT_EQ(A.FindByKind(KindTotal)->Value, Curr("-1"));
    }
}

TEST(AnalizeResult, TruthValuesDatesAndErrorsAreEmptyCells)
{
    // A column of TRUE/FALSE, dates or error values holds no text and no
    // number: it stays out of the row patterns, so the item rows still fit.
    const ConfigScope Config;
    const MsgRecorder Messages;
    TAnalizeResult A;
    A.AnalizeInvoice(MakeTable({
                         {"Товар", "Кол-во", "Цена", "В наличии"},
                         {"Чайник", 1, 100, Cell(Variant(true))},
                         {"Утюг", 2, 50, Cell(Variant(false))},
                         {"Плита", 1, 900, Cell(Variant(TDateTime(45323)))},
                         {"Фен", 3, 20, Cell(Variant::Error(0x2A))},
                     }),
                     nullptr);
    for (int R = 1; R <= 4; ++R) {
        EXPECT_EQ(A.anRowList.GetItem(R)->Pattern, "SII-") << R;
        EXPECT_TRUE(A.anRowList.GetItem(R)->IsData) << R;
    }
}

// ---- the invoice total ---------------------------------------------------------

struct TotalCase {
    const char* What;
    TableRows Rows;
    const char* Total;
};

const TotalCase TotalCases[] = {
    {"sum column read",
     {{"Товар", "Кол-во", "Цена", "Сумма"}, {"Чайник", 1, 100, 100}, {"Итого:", "", "", 100}},
     "100"},
    {"no sum column: the cell after the keyword",
     {{"Товар", "Кол-во", "Цена"}, {"Чайник", 1, 1234.5}, {"", "Итого:", "1 234,50"}},
     "1234.5"},
    {"sum column first: read all the same",
     {{"Сумма", "Товар", "Кол-во", "Цена"},
      {100, "Чайник", 1, 100},
      {555, "Всего:", "", 100}},
     "555"},
    {"empty sum cell: no total, the quantity total is not taken",
     {{"Товар", "Кол-во", "Цена", "Сумма"},
      {"Чайник", 1, 100, 100},
      {"Итого:", 1, "", ""}},
     "-1"},
    {"text after the keyword is skipped",
     {{"Товар", "Кол-во", "Цена"}, {"Чайник", 1, 100}, {"Итого", "руб.", 100}},
     "100"},
    {"nothing after the keyword",
     {{"Товар", "Кол-во", "Цена"}, {"Чайник", 1, 100}, {"", "", "Итого:"}},
     "-1"},
    {"no total row",
     {{"Товар", "Кол-во", "Цена"}, {"Чайник", 1, 100}},
     "-1"},
    {"a sum cell beyond Currency: the greatest Currency value",
     {{"Товар", "Кол-во", "Цена", "Сумма"},
      {"Чайник", 1, 100, 100},
      {"Итого:", "", "", "99999999999999999999"}},
     "922337203685477.5807"},
    {"a scanned total beyond Currency: 2147483647",
     {{"Товар", "Кол-во", "Цена"}, {"Чайник", 1, 100}, {"Итого:", "99999999999999999999"}},
     "2147483647"},
    {"a later total row wins",
     {{"Товар", "Кол-во", "Цена"}, {"Итого", 5}, {"Чайник", 1, 100}, {"Всего", 7}},
     "7"},
};

TEST(AnalizeResult, ReadsTheInvoiceTotal)
{
    const ConfigScope Config;
    const MsgRecorder Messages;
    for (const TotalCase& C : TotalCases) {
        SCOPED_TRACE(C.What);
        TAnalizeResult A;
        A.AnalizeInvoice(MakeTable(C.Rows), nullptr);
        EXPECT_EQ(A.FindByKind(KindTotal)->Value, Curr(C.Total));
    }
}

// ---- data rows -----------------------------------------------------------------

TEST(AnalizeResult, NumberingRowUnderTheHeadingIsNoData)
{
    const ConfigScope Config;
    const MsgRecorder Messages;
    TAnalizeResult A;
    A.AnalizeInvoice(MakeTable({
                         {"№", "Товар", "Кол-во", "Цена", "Сумма"},
                         {1, 2, 3, 4, 5},
                         {1, "Чайник", 1, 100, 100},
                         {2, "Утюг", 2, 50, 100},
                     }),
                     nullptr);
    EXPECT_EQ(A.IndexOfKind(KindFirstRow), 2);
    EXPECT_EQ(A.IndexOfKind(KindLastRow), 3);
    EXPECT_TRUE(A.anRowList.GetItem(1)->Empty);
    EXPECT_EQ(A.anRowList.GetItem(1)->Pattern, "-----");
    // It does not vote for the reference pattern either.
    EXPECT_EQ(A.anPatternList.FindByName("IIIII"), nullptr);

    // Its cells still count for their columns: a column filled only there
    // is not empty.
    TAnalizeResult B;
    B.AnalizeInvoice(MakeTable({
                         {"№", "Товар", "Кол-во", "Цена", ""},
                         {1, 2, 3, 4, 5},
                         {1, "Чайник", 1, 100},
                         {2, "Утюг", 2, 50},
                     }),
                     nullptr);
    EXPECT_TRUE(B.anRowList.GetItem(1)->Empty);
    EXPECT_FALSE(B.anColList.GetItem(4)->Empty);
    EXPECT_EQ(B.IndexOfKind(KindFirstRow), 2);
}

struct FitCase {
    const char* Pattern;
    const char* Reference;
    Integer Price;
    Integer Quantity;
    bool Fits;
};

const FitCase FitCases[] = {
    {"ISIFI", "ISIFI", 3, 2, true},    // equal
    {"ISIII", "ISIFI", 3, 2, true},    // F and I agree
    {"I-IFI", "ISIFI", 3, 2, true},    // an empty cell under a text agrees
    {"IS-FI", "ISIFI", 3, 2, false},   // no quantity
    {"ISI-I", "ISIFI", 3, 2, false},   // no price
    {"ISI-I", "ISIFI", -1, 2, true},   // price column unknown
    {"SSIFI", "ISIFI", 3, 2, true},    // 4 of 5 agree
    {"SSIFS", "ISIFI", 3, 2, true},    // 3 of 5 (the 3/4 bound is 3)
    {"SSSFS", "ISIFI", 3, -1, false},  // 2 of 5
    {"ISIF", "ISIFI", 3, 2, false},    // another length
    {"ISIFI-", "ISIFI", 3, 2, false},
    {"ISIFI", "ISIFI", 9, 2, false},   // a price column past the row has no number
};

TEST(AnalizeResult, PatternFits)
{
    for (const FitCase& C : FitCases) {
        SCOPED_TRACE(std::string(C.Pattern) + " / " + C.Reference);
        EXPECT_EQ(PatternFits(C.Pattern, C.Reference, C.Price, C.Quantity), C.Fits);
    }
}

TEST(AnalizeResult, ReferencePatternOfEqualCountsIsTheLater)
{
    const ConfigScope Config;
    const MsgRecorder Messages;
    TAnalizeResult A;
    // Two patterns once each; the later one is the reference. Against it the
    // first row still fits; the text-only row never can be the reference.
    A.AnalizeInvoice(MakeTable({
                         {"Товар", "Кол-во", "Цена", "Прим."},
                         {"Чайник", 1, 10.5, "новый"},
                         {"Утюг", 2, 50, ""},
                         {"Подпись", "", "", "Иванов"},
                     }),
                     nullptr);
    EXPECT_EQ(A.IndexOfKind(KindFirstRow), 1);
    EXPECT_EQ(A.IndexOfKind(KindLastRow), 2);
    EXPECT_FALSE(A.anRowList.GetItem(3)->IsData);
}

TEST(AnalizeResult, NoNumericPatternNoDataRows)
{
    const ConfigScope Config;
    const MsgRecorder Messages;
    TAnalizeResult A;
    A.AnalizeInvoice(MakeTable({{"Товар", "Кол-во", "Цена"}, {"Чайник", "один", "сто"}}),
                     nullptr);
    EXPECT_EQ(A.IndexOfKind(KindHeaderRow), 0);
    EXPECT_EQ(A.IndexOfKind(KindFirstRow), -1);
    EXPECT_EQ(A.IndexOfKind(KindLastRow), -1);
}

struct EdgeCase {
    const char* What;
    TableRows Rows;
    Integer First;
    Integer Last;
    /// The row in the block that is no data row (the import reports it).
    Integer Skipped;
};

const EdgeCase EdgeCases[] = {
    {"no price in the first item row",
     {{"№", "Товар", "Кол-во", "Цена", "Сумма"},
      {1, "Холодильник NRB 110", 2, "", 21},
      {2, "Пылесос ABC", 3, 0.3333, 1},
      {3, "Чайник", 1, 100, 100},
      {"", "Итого:", "", "", 122}},
     1, 3, 1},
    {"no quantity in the last item row",
     {{"№", "Товар", "Кол-во", "Цена", "Сумма"},
      {1, "Холодильник NRB 110", 2, 10.5, 21},
      {2, "Пылесос ABC", 3, 0.3333, 1},
      {3, "Чайник", "", 100, 100},
      {"", "Итого:", "", "", 122}},
     1, 3, 3},
    {"a total row with a quantity total stays out",
     {{"№", "Товар", "Кол-во", "Цена", "Сумма"},
      {1, "Холодильник NRB 110", 2, 10.5, 21},
      {2, "Пылесос ABC", 3, 0.3333, 1},
      {"", "Итого:", 5, "", 22}},
     1, 2, -1},
    {"two item rows without prices at the end",
     {{"№", "Товар", "Кол-во", "Цена", "Сумма"},
      {1, "Холодильник NRB 110", 2, 10.5, 21},
      {2, "Пылесос ABC", 3, 0.3333, 1},
      {3, "Чайник", 1, "", 100},
      {4, "Утюг", 1, "", 50}},
     1, 4, 4},
};

TEST(AnalizeResult, ItemRowsWithoutNumbersAtTheEndsStayInTheBlock)
{
    const ConfigScope Config;
    const MsgRecorder Messages;
    for (const EdgeCase& C : EdgeCases) {
        SCOPED_TRACE(C.What);
        TAnalizeResult A;
        A.AnalizeInvoice(MakeTable(C.Rows), nullptr);
        EXPECT_EQ(A.IndexOfKind(KindFirstRow), C.First);
        EXPECT_EQ(A.IndexOfKind(KindLastRow), C.Last);
        if (C.Skipped >= 0) {
            EXPECT_FALSE(A.anRowList.GetItem(C.Skipped)->IsData);
        }
    }
}

// ---- hints ---------------------------------------------------------------------

TEST(AnalizeResult, HintsOverrideWhatWasFound)
{
    const ConfigScope Config;
    const MsgRecorder Messages;
    TAnalizeResult A;
    AnalizeHints Hints;
    Hints.ItemColumn = 4;
    Hints.SumColumn = 2;
    Hints.FirstDataRow = 2;
    Hints.LastDataRow = 70000;  // past the table: kept, the import cuts it
    A.AnalizeInvoice(MakeTable(ExampleInvoice()), &Hints);
    EXPECT_EQ(A.IndexOfKind(KindItem), 4);
    EXPECT_EQ(A.IndexOfKind(KindSum), 2);
    EXPECT_EQ(A.IndexOfKind(KindPrice), 3);  // not hinted
    EXPECT_EQ(A.IndexOfKind(KindFirstRow), 2);
    EXPECT_EQ(A.IndexOfKind(KindLastRow), 70000);
    // The total is read from the hinted sum column alone, empty there.
    EXPECT_EQ(A.FindByKind(KindTotal)->Value, Curr("-1"));
}

// ---- packing question ----------------------------------------------------------

/// An invoice whose first Packed of Rows item names carry a type after a
/// line break (or in brackets).
TableRows PackedInvoice(int Rows, int Packed, bool Brackets)
{
    TableRows Table = {{"Товар", "Кол-во", "Цена"}};
    for (int I = 0; I < Rows; ++I) {
        std::string Name = "Модель " + std::to_string(I);
        if (I < Packed)
            Name = Brackets ? Name + " (Утюг)" : "Утюг\r\n" + Name;
        Table.push_back({Cell(Variant(AnsiString::FromUtf8(Name))), I + 1, 10.5});
    }
    return Table;
}

struct PackingCase {
    const char* What;
    int Packed;
    bool Brackets;
    int Answer;
    Byte Mode;
    bool Asked;
};

const PackingCase PackingCases[] = {
    {"7 of 10 with breaks: below 4/5", 7, false, 1, PackedNone, false},
    {"8 of 10 with breaks: asked, confirmed", 8, false, 1, PackedAfterLineBreak, true},
    {"8 of 10 in brackets: asked, confirmed", 8, true, 1, PackedInBrackets, true},
    {"answered: no type in the name", 10, false, 2, PackedNone, true},
};

TEST(AnalizeResult, AsksHowNamesCarryTheType)
{
    const ConfigScope Config;
    for (const PackingCase& C : PackingCases) {
        SCOPED_TRACE(C.What);
        const MsgRecorder Messages(C.Answer);
        TAnalizeResult A;
        A.AnalizeInvoice(MakeTable(PackedInvoice(10, C.Packed, C.Brackets)), nullptr);
        EXPECT_EQ(A.PackedMode, C.Mode);
        EXPECT_EQ(Messages.Requests.size(), C.Asked ? 1u : 0u);
    }
}

TEST(AnalizeResult, PackingQuestionTextAndButtons)
{
    const ConfigScope Config;
    const MsgRecorder Messages(1);
    TAnalizeResult A;
    A.AnalizeInvoice(MakeTable(PackedInvoice(5, 5, false)), nullptr);
    ASSERT_EQ(Messages.Requests.size(), 1u);
    const MsgRequest& Q = Messages.Requests[0];
    EXPECT_EQ(Q.Title, "Программа определила, что столбец наименования товара \r\nсодержит тип "
                       "товара.\r\n Ограничитель: возврат каретки\r\n\r\n"
                       "\"Утюг<ВозвратКаретки>Модель 0\"\r\n"_a);
    EXPECT_EQ(Q.Text, "Выберите правильный вариант"_a);
    ASSERT_EQ(Q.Buttons.size(), 3u);
    EXPECT_EQ(Q.Buttons[0], "Определено правильно"_a);
    EXPECT_EQ(Q.Buttons[1], "Наименование не содержит типа товара"_a);
    EXPECT_EQ(Q.Buttons[2], "Отмена операции"_a);

    const MsgRecorder Brackets(1);
    TAnalizeResult B;
    B.AnalizeInvoice(MakeTable(PackedInvoice(5, 5, true)), nullptr);
    ASSERT_EQ(Brackets.Requests.size(), 1u);
    EXPECT_NE(Brackets.Requests[0].Title.Pos("Ограничитель: скобки\r\n\r\n\"Модель 0 (Утюг)\""_a),
              0);
}

TEST(AnalizeResult, CancelledPackingQuestionAbortsSilently)
{
    const ConfigScope Config;
    const MsgRecorder Messages(3);
    TAnalizeResult A;
    ExpectRaises<EAbort>(
        [&] { A.AnalizeInvoice(MakeTable(PackedInvoice(10, 10, false)), nullptr); },
        "Operation aborted");
}

TEST(AnalizeResult, ModelColumnMeansNoTypeInNames)
{
    const ConfigScope Config;
    const MsgRecorder Messages;
    TAnalizeResult A;
    A.PackedMode = PackedInBrackets;
    TableRows Rows = PackedInvoice(10, 10, true);
    Rows[0].push_back("Модель");
    for (size_t R = 1; R < Rows.size(); ++R)
        Rows[R].push_back("M");
    A.AnalizeInvoice(MakeTable(Rows), nullptr);
    EXPECT_EQ(A.PackedMode, PackedNone);
    EXPECT_TRUE(Messages.Requests.empty());
}

// ---- article lists -------------------------------------------------------------

TEST(AnalizeResult, ArticleListColumnsAndRows)
{
    const ConfigScope Config;
    const auto A = TAnalizeResult::CreateForArticles();
    A->FirstRow = 3;
    A->AnalizeArticles(MakeTable({
        {"Описания товаров"},
        {"Тип", "Модель", "Артикул", "Описание", "Фирма", "Страна", "Гарантия"},
        {"Холодильник", "NRB 110", "A-1", "Двухкамерный", "Бирюса", "Россия", 12},
        {"Пылесос", "ABC", "", "Моющий", "Samsung", "Корея", 24},
        {"Чайник", "Ч-1", 1001, "Стальной", "Bosch", "Германия", ""},
        {"Утюг", "У-2", "B-3", "С паром", "Philips", "Китай", 6},
        {"Плита", "П-4", "C-5", "Газовая", "Гефест", "Беларусь", 12},
        {},
        {"Итого 5 описаний"},
    }));
    EXPECT_EQ(A->IndexOfKind(KindHeaderRow), 1);
    const Byte Kinds[] = {KindType, KindModelName, KindArticle, KindDescription,
                          KindFirm, KindCountry, KindWarranty};
    for (int C = 0; C < 7; ++C)
        EXPECT_EQ(A->IndexOfKind(Kinds[C]), C) << C;
    // Rows of other raw patterns (an empty article code, no warranty) are
    // articles too; the title and the closing line are not.
    EXPECT_EQ(A->IndexOfKind(KindFirstRow), 2);
    EXPECT_EQ(A->IndexOfKind(KindLastRow), 6);
    for (int R = 2; R <= 6; ++R)
        EXPECT_TRUE(A->anRowList.GetItem(R)->IsData) << R;
    EXPECT_FALSE(A->anRowList.GetItem(0)->IsData);
    EXPECT_FALSE(A->anRowList.GetItem(8)->IsData);
    EXPECT_EQ(A->FindByKind(KindFirstRow)->GetValueText(), "5");
}

TEST(AnalizeResult, ArticleRowWithoutDescriptionIsNoArticle)
{
    const ConfigScope Config;
    const auto A = TAnalizeResult::CreateForArticles();
    A->AnalizeArticles(MakeTable({
        {"Тип", "Модель", "Описание", "Фирма"},
        {"Холодильник", "NRB 110", "Двухкамерный", "Бирюса"},
        {"Пылесос", "ABC", "Моющий", "Samsung"},
        {"Чайник", "Ч-1", "", "Bosch"},
    }));
    EXPECT_EQ(A->IndexOfKind(KindFirstRow), 1);
    EXPECT_EQ(A->IndexOfKind(KindLastRow), 2);
    EXPECT_FALSE(A->anRowList.GetItem(3)->IsData);
}

TEST(AnalizeResult, ArticleHeadingsOnlyInTheFirstHundredRows)
{
    const ConfigScope Config;
    TableRows Rows(100, std::vector<Cell>{"x"});
    Rows.push_back({"Тип", "Модель", "Описание"});
    Rows.push_back({"Утюг", "A", "Б"});
    const auto A = TAnalizeResult::CreateForArticles();
    A->AnalizeArticles(MakeTable(Rows));
    EXPECT_EQ(A->IndexOfKind(KindHeaderRow), -1);
    EXPECT_EQ(A->IndexOfKind(KindType), -1);
}

}  // namespace

// The invoice row list: adding and caching rows, marks, totals and their
// failure question, the invoice's marked totals, the error list and the
// rows' grid column texts.

#include "app/InvoiceType.h"

#include "app/Globals.h"
#include "common/components/MsgWin.h"
#include "common/base/Str2D.h"
#include "platform/classes/Strings.h"
#include "platform/rtl/Exceptions.h"
#include "tests/app/AppTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace {

/// Appends a row with a cost, retail and card price and a quantity.
TshInvoiceTovar* AddRow(TshInvoiceTovarList& List, const char* Cost, const char* Price,
                        const char* PriceDiscount, const char* Kolvo)
{
    TshInvoiceTovar* Row = List.Add();
    Row->PriceOpt = Curr(Cost);
    Row->Price = Curr(Price);
    Row->PriceDiscount = Curr(PriceDiscount);
    Row->Kolvo = Curr(Kolvo);
    return Row;
}

TEST(InvoiceTovarList, AddOwnsRowsAndSetsTheirOwner)
{
    TshInvoiceTovarList List;
    TshInvoiceTovar* First = List.Add();
    TshInvoiceTovar* Second = List.Add();
    EXPECT_EQ(List.Count(), 2);
    EXPECT_EQ(First->Owner, &List);
    EXPECT_EQ(List.GetItem(0), First);
    EXPECT_EQ(List.GetItem(1), Second);
    EXPECT_EQ(First->ArticleIndex, 0);
    EXPECT_EQ(List.ListKind, 2);
}

TEST(InvoiceTovarList, GetItemCacheNeverHandsOutARowThatLeftTheList)
{
    TshInvoiceTovarList List;
    TshInvoiceTovar* First = List.Add();
    TshInvoiceTovar* Second = List.Add();
    EXPECT_EQ(List.GetItem(0), First);
    EXPECT_EQ(List.GetItem(0), First);  // the cached row
    // The cached row leaves the list; index 0 now holds the second row.
    std::unique_ptr<TObject> Extracted(List.Extract(0));
    EXPECT_EQ(List.GetItem(0), Second);
    List.Clear();
    EXPECT_EQ(List.Count(), 0);
    ExpectRaises<EListError>([&] { (void)List.GetItem(0); }, "List index out of bounds (0)");
}

TEST(InvoiceTovarList, DoMarksOperations)
{
    TshInvoiceTovarList List;
    // An empty list: nothing marked, and "all marked" holds.
    EXPECT_FALSE(List.AnyMarked());
    EXPECT_TRUE(List.DoMarks(4));
    for (int I = 0; I < 3; ++I)
        List.Add();
    List.GetItem(1)->Marked = true;
    EXPECT_TRUE(List.AnyMarked());
    EXPECT_FALSE(List.DoMarks(4));
    List.DoMarks(2);  // invert
    EXPECT_TRUE(List.GetItem(0)->Marked);
    EXPECT_FALSE(List.GetItem(1)->Marked);
    EXPECT_TRUE(List.GetItem(2)->Marked);
    List.MarkAll();
    EXPECT_TRUE(List.DoMarks(4));
    List.UnmarkAll();
    EXPECT_FALSE(List.AnyMarked());
}

TEST(InvoiceTovarList, CalcTotalsOfAnEmptyListAreZero)
{
    TshInvoiceTovarList List;
    List.SumRetail = List.SumKolvo = List.SumDiscount = List.SumOpt = Curr("5");
    List.CalcTotals();
    EXPECT_EQ(List.SumRetail, Currency());
    EXPECT_EQ(List.SumKolvo, Currency());
    EXPECT_EQ(List.SumDiscount, Currency());
    EXPECT_EQ(List.SumOpt, Currency());
}

TEST(InvoiceTovarList, CalcTotalsRoundsRowSumsButNotTheCardSum)
{
    TshInvoiceTovarList List;
    AddRow(List, "0.3333", "0.4333", "0.39", "3");   // cost 0.9999 -> 1.00, retail 1.2999 -> 1.30
    AddRow(List, "10.5", "13.5", "12.0001", "2");    // card 24.0002 kept to four decimals
    List.CalcTotals();
    EXPECT_EQ(List.SumKolvo, Curr("5"));
    EXPECT_EQ(List.SumOpt, Curr("22"));
    EXPECT_EQ(List.SumRetail, Curr("28.3"));
    EXPECT_EQ(List.SumDiscount, Curr("25.1702"));
}

TEST(InvoiceTovarList, RecalcAllRowsOrOnlyMarkedOnes)
{
    struct Case {
        const char* What;
        bool AllRows;
        bool ClearMarks;
        const char* Price0;   // unmarked row, cost 100
        const char* Price1;   // marked row, cost 10
        bool Marked1After;
    };
    const Case Cases[] = {
        {"all rows", true, true, "130", "13", true},             // marks untouched
        {"marked, marks cleared", false, true, "0", "13", false},
        {"marked, marks kept", false, false, "0", "13", true},
    };
    for (const Case& T : Cases) {
        SCOPED_TRACE(T.What);
        TshInvoiceTovarList List;
        AddRow(List, "100", "0", "0", "1");
        AddRow(List, "10", "0", "0", "2")->Marked = true;
        List.Recalc(RoundModeOff, T.AllRows, Curr("30"), Curr("10"), T.ClearMarks);
        EXPECT_EQ(List.GetItem(0)->Price, Curr(T.Price0));
        EXPECT_EQ(List.GetItem(1)->Price, Curr(T.Price1));
        EXPECT_EQ(List.GetItem(1)->Marked, T.Marked1After);
        // The totals follow the new prices.
        EXPECT_EQ(List.SumRetail, Curr(T.Price0) + Curr(T.Price1) * 2);
    }
}

TEST(InvoiceTovarList, RecalcEndToEndInCoarseMode)
{
    // Three imported rows priced at 30 % / 10 % in coarse mode.
    TshInvoiceTovarList List;
    AddRow(List, "10.5", "0", "0", "2");
    AddRow(List, "0.3333", "0", "0", "3");
    AddRow(List, "100", "0", "0", "1");
    List.Recalc(RoundModeCoarse, true, Curr("30"), Curr("10"), true);
    const char* Prices[] = {"13.5", "0.4333", "130"};
    const char* Cards[] = {"12", "0.39", "117"};
    for (int I = 0; I < 3; ++I) {
        SCOPED_TRACE(I);
        EXPECT_EQ(List.GetItem(I)->Price, Curr(Prices[I]));
        EXPECT_EQ(List.GetItem(I)->PriceDiscount, Curr(Cards[I]));
    }
    EXPECT_EQ(List.SumKolvo, Curr("6"));
    EXPECT_EQ(List.SumOpt, Curr("122"));
    EXPECT_EQ(List.SumRetail, Curr("158.3"));
    EXPECT_EQ(List.SumDiscount, Curr("142.17"));
}

/// The totals row as one text, cells joined by "|".
AnsiString TotalsRow(const TshInvoiceTovarList& List)
{
    TStringList2D Totals;
    FillTotalsTexts(List, Totals);
    AnsiString Row;
    for (int Col = 0; Col < Totals.Cols(); ++Col)
        Row += Totals.GetCell(Col, 0) + (Col + 1 < Totals.Cols() ? "|" : "");
    return Row;
}

TEST(InvoiceTovarList, TotalsTexts)
{
    RussianSettingsScope Russian;
    struct Case {
        const char* What;
        std::vector<std::array<const char*, 4>> Rows;  // cost, retail, card, quantity
        const char* Texts;                              // UTF-8
    };
    const Case Cases[] = {
        // the three imported rows priced at 30 % / 10 % in coarse mode
        {"priced invoice",
         {{"10.5", "13.5", "12", "2"},
          {"0.3333", "0.4333", "0.39", "3"},
          {"100", "130", "117", "1"}},
         "3|6|122,00|158,30|36,30|29,75|142,17|20,17|16,53|"},
        // no cost total: the percents cannot be computed
        {"no cost", {{"0", "5", "4", "1"}}, "1|1|0,00|5,00|5,00|???|4,00|4,00|???|"},
        // an empty invoice
        {"empty", {}, "0|0|0,00|0,00|0,00|???|0,00|0,00|???|"},
        // thousands, a fractional quantity and a card price below cost
        {"large", {{"1000", "1500", "900", "2.5"}},
         "1|2,5|2\xC2\xA0" "500,00|3\xC2\xA0" "750,00|1\xC2\xA0" "250,00|50,00|"
         "2\xC2\xA0" "250,00|-250,00|-10,00|"},
    };
    for (const Case& T : Cases) {
        SCOPED_TRACE(T.What);
        TshInvoiceTovarList List;
        for (const auto& R : T.Rows)
            AddRow(List, R[0], R[1], R[2], R[3]);
        List.CalcTotals();
        EXPECT_EQ(TotalsRow(List), AnsiString::FromUtf8(T.Texts));
    }
}

/// Records the questions asked and answers each with the next answer.
class Answers {
public:
    explicit Answers(std::vector<int> Replies)
        : FReplies(std::move(Replies)),
          FScope([this](const MsgRequest& R) {
              Asked.push_back(R);
              const int Reply = FNext < FReplies.size() ? FReplies[FNext] : 1;
              ++FNext;
              return Reply;
          })
    {
    }
    std::vector<MsgRequest> Asked;

private:
    std::vector<int> FReplies;
    size_t FNext = 0;
    MsgAnswerHookScope FScope;
};

/// A list whose second and fourth rows overflow their sums.
void AddRowsWithTwoFailures(TshInvoiceTovarList& List)
{
    AddRow(List, "1", "2", "2", "1");
    TshInvoiceTovar* Bad = AddRow(List, "1", "2", "2", "1");
    Bad->PriceOpt = Currency::FromRaw(INT64_MAX / 2);
    Bad->Kolvo = Curr("1000");
    AddRow(List, "3", "4", "4", "1");
    TshInvoiceTovar* Bad2 = AddRow(List, "1", "2", "2", "1");
    Bad2->Price = Currency::FromRaw(INT64_MAX / 2);
    Bad2->Kolvo = Curr("1000");
    AddRow(List, "5", "6", "6", "1");
}

TEST(InvoiceTovarList, CalcTotalsAsksOnAFailedRowAndGoesOnWithOk)
{
    TshInvoiceTovarList List;
    AddRowsWithTwoFailures(List);
    Answers Replies({1, 1});
    List.CalcTotals();
    ASSERT_EQ(Replies.Asked.size(), 2u);
    EXPECT_EQ(Replies.Asked[0].Title, "Ошибка вычислений: \r\nFloating point overflow\r\n\r\n"
                                      "Продолжить вычисления?"_a);
    EXPECT_EQ(Replies.Asked[0].Buttons, (std::vector<AnsiString>{"OK", "Abort"}));
    EXPECT_TRUE(Replies.Asked[0].Flags & MsgStyleError);
    // The failed rows add nothing; the good ones all count.
    EXPECT_EQ(List.SumOpt, Curr("9"));
    EXPECT_EQ(List.SumKolvo, Curr("3"));
    EXPECT_EQ(List.SumRetail, Curr("12"));
}

TEST(InvoiceTovarList, CalcTotalsStopsOnAbortKeepingWhatWasAdded)
{
    TshInvoiceTovarList List;
    AddRowsWithTwoFailures(List);
    Answers Replies({2});
    List.CalcTotals();
    EXPECT_EQ(Replies.Asked.size(), 1u);
    EXPECT_EQ(List.SumOpt, Curr("1"));
    EXPECT_EQ(List.SumKolvo, Curr("1"));
}

TEST(Invoice, MarkedTotalsUseMarkedRowsOrAllWhenNoneMarked)
{
    TshInvoice Invoice(0);
    for (int I = 1; I <= 5; ++I) {
        const std::string Price = std::to_string(I * 10);
        AddRow(Invoice, std::to_string(I).c_str(), Price.c_str(), Price.c_str(), "1");
    }
    EXPECT_EQ(Invoice.GetRetailTotal(), Curr("150"));
    EXPECT_EQ(Invoice.GetCostTotal(), Curr("15"));
    Invoice.GetItem(1)->Marked = true;
    Invoice.GetItem(3)->Marked = true;
    EXPECT_EQ(Invoice.GetRetailTotal(), Curr("60"));
    EXPECT_EQ(Invoice.GetCostTotal(), Curr("6"));
}

TEST(InvoiceTovarList, ErrorsTurnBackslashNIntoLineBreaksAndGoWithClear)
{
    TshInvoiceTovarList List;
    List.AddError("Ошибка в анализаторе.\\nНе совпадают длины"_a);
    List.AddErrorFmt("Пропущена строка в блоке данных [Строка XL %s]"_a, {"7"});
    TStringList* Errors = List.GetErrors();
    // One entry each; the line break stays inside the first entry.
    ASSERT_EQ(Errors->Count(), 2);
    EXPECT_EQ(Errors->Strings(0), "Ошибка в анализаторе.\r\nНе совпадают длины"_a);
    EXPECT_EQ(Errors->Strings(1), "Пропущена строка в блоке данных [Строка XL 7]"_a);
    List.Add();
    List.Clear();
    EXPECT_EQ(List.GetErrors()->Count(), 0);
}

struct ColumnCase {
    Integer Kind;
    const char* Text;  // UTF-8
};

const ColumnCase ColumnCases[] = {
    {1, "?"},                    // the row number is the grid's own
    {2, "[x]"},                  // the mark
    {3, "Холодильник"},          // Tip
    {4, "NRB 110"},              // Name
    {5, "(80%) Белый"},          // Description
    {6, "Россия"},               // Country
    {7, "Бирюса"},               // Firm
    {8, "12"},                   // Warranty
    {9, "2,5"},                  // Kolvo, plain decimal text
    {10, "1\xC2\xA0" "234,50"},  // PriceOpt in the list style (2)
    {11, "30,5"},                // Markup, one decimal
    {12, "1\xC2\xA0" "610,00"},  // Price
    {13, "1\xC2\xA0" "449,00"},  // PriceDiscount
    {14, "шт"},                  // Ed
    {15, "резерв"},              // Reserve2
    {16, "?"},                   // past the last kind
};

TEST(InvoiceTovar, GetColumnTextPerKind)
{
    ConfigScope Config;
    Config.Cfg().PriceStyleXxx = 2;
    TshInvoiceTovar Row;
    Row.Marked = true;
    Row.Tip = "Холодильник"_a;
    Row.Name = "NRB 110";
    Row.Description = "(80%) Белый"_a;
    Row.Country = "Россия"_a;
    Row.Firm = "Бирюса"_a;
    Row.Warranty = 12;
    Row.Kolvo = Curr("2.5");
    Row.PriceOpt = Curr("1234.5");
    Row.Markup = Curr("30.46");
    Row.Price = Curr("1610");
    Row.PriceDiscount = Curr("1449");
    Row.Ed = "шт"_a;
    Row.Reserve2 = "резерв"_a;
    for (const ColumnCase& T : ColumnCases) {
        SCOPED_TRACE(T.Kind);
        AnsiString Text = "unchanged";
        Row.GetColumnText(T.Kind, Text);
        EXPECT_EQ(Text, AnsiString::FromUtf8(T.Text));
    }
    Row.Marked = false;
    AnsiString Text;
    Row.GetColumnText(2, Text);
    EXPECT_EQ(Text, "");
}

}  // namespace

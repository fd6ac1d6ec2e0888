// Pricing of invoice rows: markup, card discount, the three rounding modes,
// re-pricing after a grid edit, and the sums a row contributes.

#include "app/InvoiceType.h"

#include "platform/rtl/Currency.h"
#include "platform/rtl/Exceptions.h"
#include "tests/app/AppTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

Currency C(const char* Text)
{
    return Curr(Text);
}

struct CalcCase {
    const char* Cost;
    const char* Markup;
    const char* Discount;
    Byte Mode;
    const char* Price;
    const char* PriceDiscount;
};

const CalcCase CalcCases[] = {
    {"100", "25", "5", 0, "125", "118.75"},         // plain percents, mode 0
    {"99.99", "30", "10", 0, "129.99", "116.99"},   // 129.987 and 116.991 to kopecks
    {"10.01", "50", "0", 0, "15.02", "15.02"},      // 15.015: tie to the even kopeck
    {"10.03", "50", "0", 0, "15.04", "15.04"},      // 15.045: tie to the even kopeck
    {"0.005", "30", "0", 0, "0.01", "0.01"},        // 0.0065 to kopecks
    {"9.27", "30", "0", 1, "13", "13"},             // 12.051 + 0.45 rounds up
    {"9.25", "30", "0", 1, "12", "12"},             // 12.025 + 0.45 rounds down
    {"10", "20.5", "0", 1, "12", "12"},             // 12.05 + 0.45 = 12.50: tie to even 12
    {"10", "30.5", "0", 1, "14", "14"},             // 13.05 + 0.45 = 13.50: tie to even 14
    {"10", "30", "10", 1, "13", "12"},              // card 11.70 + 0.45 -> 12
    {"100", "30", "10", 2, "130", "117"},           // whole-rouble band
    {"26.5", "30", "10", 2, "34.5", "31"},          // 34.45 -> 34.50; 31.05 -> 31
    {"7.77", "50", "20", 2, "11.5", "9.2"},         // 11.655 -> 11.50; 9.20 in the 0.10 band
    {"640", "50", "20", 2, "960", "768"},           // whole roubles
    {"0.4", "30", "10", 2, "0.5", "0.45"},          // 0.52 -> 0.50; 0.45 stays below 0.50
    {"0.3333", "0", "0", 2, "0.3333", "0.3333"},    // no percents: no rounding at all
    {"0.3333", "0", "0", 0, "0.3333", "0.3333"},    // ... in mode 0 too
    {"12.3456", "0", "0", 1, "12.3456", "12.3456"}, // ... and in mode 1
    {"100", "25", "5", 7, "125", "118.75"},         // an unknown mode prices as mode 0
    {"0.0001", "30.5", "0", 0, "0", "0"},           // 0.0001305 is stored as 0.0001 first
    {"10", "50.1495", "0", 0, "15.02", "15.02"},    // 15.01495 is stored as 15.0150 first,
                                                     // whose tie then goes to the even kopeck
};

TEST(InvoicePricing, CalcTable)
{
    for (const CalcCase& T : CalcCases) {
        SCOPED_TRACE(std::string(T.Cost) + " +" + T.Markup + "% -" + T.Discount + "% mode "
                     + std::to_string(T.Mode));
        TshInvoiceTovar Row;
        Row.PriceOpt = C(T.Cost);
        Row.Calc(T.Mode, C(T.Markup), C(T.Discount));
        EXPECT_EQ(Row.Price, C(T.Price));
        EXPECT_EQ(Row.PriceDiscount, C(T.PriceDiscount));
    }
}

TEST(InvoicePricing, CalculatedTellsWhetherPercentsApplied)
{
    TshInvoiceTovar Row;
    Row.PriceOpt = C("100");
    Row.Calc(RoundModeCoarse, Currency(), Currency());
    EXPECT_FALSE(Row.Calculated);
    Row.Calc(RoundModeCoarse, Currency(), C("5"));
    EXPECT_TRUE(Row.Calculated);
    Row.Calc(RoundModeCoarse, C("5"), Currency());
    EXPECT_TRUE(Row.Calculated);
}

TEST(InvoicePricing, PercentsKeptOnlyForACostOfAKopeckOrMore)
{
    struct Case {
        const char* Cost;
        bool Kept;
    };
    const Case Cases[] = {
        {"0.01", true},     // the smallest cost that keeps them
        {"0.0099", false},  // below a kopeck
        {"0", false},       // no cost
        {"-5", false},      // a negative cost
    };
    for (const Case& T : Cases) {
        SCOPED_TRACE(T.Cost);
        TshInvoiceTovar Row;
        Row.PriceOpt = C(T.Cost);
        Row.Calc(RoundModeOff, C("30"), C("10"));
        EXPECT_EQ(Row.Markup, T.Kept ? C("30") : Currency());
        EXPECT_EQ(Row.Discount, T.Kept ? C("10") : Currency());
        EXPECT_TRUE(Row.Calculated);
    }
}

struct CoarseCase {
    const char* In;
    const char* Out;
};

const CoarseCase CoarseCases[] = {
    {"-3", "-3"},          // negative prices are left alone
    {"0.43", "0.43"},      // 0.50 and below unchanged
    {"0.5", "0.5"},        // the bound itself is unchanged
    {"0.51", "0.5"},       // 0.05 steps above 0.50
    {"1.23", "1.25"},      // 0.05 step
    {"1.225", "1.25"},     // a half step goes up
    {"2", "2"},            // 2.00 belongs to the 0.05 band
    {"2.04", "2"},         // 0.10 steps above 2.00
    {"2.05", "2.1"},       // a half step goes up
    {"7.46", "7.5"},       // 0.10 step
    {"9.96", "10"},        // rounds out of the band
    {"10", "10"},          // 10.00 belongs to the 0.50 band
    {"33.74", "33.5"},     // 0.50 step down
    {"33.75", "34"},       // a half step goes up
    {"49.99", "50"},       // rounds out of the band
    {"50", "50"},          // 50.00 belongs to whole roubles
    {"999.5", "1000"},     // a half rouble goes up
    {"999.4999", "999"},   // just below the half
    {"1000", "1000"},      // 1000.00 belongs to the 10-rouble band
    {"1234", "1230"},      // 10-rouble step down
    {"1235", "1240"},      // a half step goes up
};

TEST(InvoicePricing, RoundPriceCoarseBands)
{
    for (const CoarseCase& T : CoarseCases) {
        SCOPED_TRACE(T.In);
        EXPECT_EQ(RoundPriceCoarse(C(T.In)), C(T.Out));
    }
}

TEST(InvoicePricing, RoundingPastTheLargestCurrencyRaisesOverflow)
{
    // The largest Currency (922 337 203 685 477.5807) rounded up to the next
    // step lies outside the range: an error, never a wrapped price.
    const Currency Largest = Currency::FromRaw(INT64_MAX);
    ExpectRaises<EOverflow>([&] { (void)RoundPriceCoarse(Largest); }, "Floating point overflow");
    for (Byte Mode : {RoundModeToRouble, RoundModeCoarse}) {
        SCOPED_TRACE(int(Mode));
        TshInvoiceTovar Row;
        Row.PriceOpt = Largest;
        ExpectRaises<EOverflow>([&] { Row.Calc(Mode, Currency(), C("5")); },
                                "Floating point overflow");
    }
    // Mode 0 stays inside: ...5807 goes down to whole kopecks.
    TshInvoiceTovar Row;
    Row.PriceOpt = Largest;
    Row.Calc(RoundModeOff, Currency(), Currency::FromRaw(1));
    EXPECT_EQ(Row.Price, Currency::FromRaw(INT64_MAX - 7));
}

/// Prices Row at cost 100, markup 25 %, discount 5 % in mode 0:
/// 125.00 / 118.75.
void PriceRow(TshInvoiceTovar& Row)
{
    Row.PriceOpt = C("100");
    Row.Calc(RoundModeOff, C("25"), C("5"));
}

struct EditCase {
    const char* What;
    Byte Mode;
    Currency Markup, Discount, NewPrice, NewPriceDiscount;
    const char* Price;
    const char* PriceDiscount;
    const char* NewMarkup;
    const char* NewDiscount;
};

const EditCase EditCases[] = {
    // retail typed: markup from the price, discount kept as a whole percent
    {"retail 130", 0, NotGiven, NotGiven, C("130"), NotGiven, "130", "123.5", "30", "5"},
    // card price typed: the discount follows it
    {"card 110", 0, NotGiven, NotGiven, NotGiven, C("110"), "125", "110", "25", "12"},
    // markup typed: the current effective discount is kept
    {"markup 40", 0, C("40"), NotGiven, NotGiven, NotGiven, "140", "133", "40", "5"},
    // discount typed: the row's markup is kept
    {"discount 10", 0, NotGiven, C("10"), NotGiven, NotGiven, "125", "112.5", "25", "10"},
    // nothing typed (quantity or cost edited): the row's own percents
    {"nothing", 0, NotGiven, NotGiven, NotGiven, NotGiven, "125", "118.75", "25", "5"},
    // coarse mode rounds a typed retail price again
    {"retail 133.33 coarse", 2, NotGiven, NotGiven, C("133.33"), NotGiven, "133", "126", "33.33",
     "5"},
    // the markup wins when several values are given
    {"markup and retail", 0, C("40"), NotGiven, C("130"), NotGiven, "140", "133", "40", "5"},
};

TEST(InvoicePricing, RecalcFromPricesPerEditedCell)
{
    for (const EditCase& T : EditCases) {
        SCOPED_TRACE(T.What);
        TshInvoiceTovar Row;
        PriceRow(Row);
        Row.RecalcFromPrices(T.Mode, T.Markup, T.Discount, T.NewPrice, T.NewPriceDiscount);
        EXPECT_EQ(Row.Price, C(T.Price));
        EXPECT_EQ(Row.PriceDiscount, C(T.PriceDiscount));
        EXPECT_EQ(Row.Markup, C(T.NewMarkup));
        EXPECT_EQ(Row.Discount, C(T.NewDiscount));
    }
}

TEST(InvoicePricing, EffectiveDiscountKeepsFourDecimalsForAMarkupEdit)
{
    // 125.00 -> 117.00 is a discount of 6.4 %; a markup edit keeps it exactly,
    // a retail edit rounds it to a whole 6 %.
    TshInvoiceTovar Row;
    PriceRow(Row);
    Row.PriceDiscount = C("117");
    TshInvoiceTovar ByMarkup;
    PriceRow(ByMarkup);
    ByMarkup.PriceDiscount = C("117");
    ByMarkup.RecalcFromPrices(RoundModeOff, C("25"), NotGiven, NotGiven, NotGiven);
    EXPECT_EQ(ByMarkup.Discount, C("6.4"));
    Row.RecalcFromPrices(RoundModeOff, NotGiven, NotGiven, C("125"), NotGiven);
    EXPECT_EQ(Row.Discount, C("6"));
}

TEST(InvoicePricing, EffectiveDiscountDroppedWhenRowHadNoMarkup)
{
    // A row priced without markup has no discount to carry over.
    TshInvoiceTovar Row;
    Row.PriceOpt = C("100");
    Row.Calc(RoundModeOff, Currency(), C("10"));
    Row.RecalcFromPrices(RoundModeOff, C("20"), NotGiven, NotGiven, NotGiven);
    EXPECT_EQ(Row.Price, C("120"));
    EXPECT_EQ(Row.PriceDiscount, C("120"));
    EXPECT_EQ(Row.Discount, Currency());
}

TEST(InvoicePricing, RecalcFromPricesRaisesOnZeroBaseAndKeepsTheRow)
{
    // A retail price typed for a row without cost, and a card price typed
    // for a row whose retail price is 0, have no percent to derive.
    TshInvoiceTovar NoCost;
    NoCost.Price = C("5");
    NoCost.PriceDiscount = C("5");
    ExpectRaises<EZeroDivide>([&] {
        NoCost.RecalcFromPrices(RoundModeOff, NotGiven, NotGiven, C("10"), NotGiven);
    }, "Floating point division by zero");
    EXPECT_EQ(NoCost.Price, C("5"));

    TshInvoiceTovar ZeroPrice;
    ZeroPrice.PriceOpt = C("3");
    ExpectRaises<EZeroDivide>([&] {
        ZeroPrice.RecalcFromPrices(RoundModeOff, NotGiven, NotGiven, NotGiven, C("1"));
    }, "Floating point division by zero");
    EXPECT_EQ(ZeroPrice.PriceOpt, C("3"));
    EXPECT_EQ(ZeroPrice.Price, Currency());
}

struct SumCase {
    const char* Price;
    const char* Kolvo;
    const char* Sum;
};

const SumCase SumCases[] = {
    {"0.3333", "3", "1"},          // 0.9999 rounds up to 1.00
    {"10.5", "2", "21"},           // exact
    {"0.125", "1", "0.13"},        // a half kopeck goes up
    {"0.135", "1", "0.14"},        // ... also from an odd kopeck
    {"0.0049", "1", "0"},          // below half a kopeck
    {"-0.125", "1", "-0.13"},      // a negative half goes away from zero
    {"1.2345", "1.5", "1.85"},     // 1.85175 from the exact product
};

TEST(InvoicePricing, RowSumsRoundHalfUpToKopecks)
{
    for (const SumCase& T : SumCases) {
        SCOPED_TRACE(std::string(T.Price) + " x " + T.Kolvo);
        TshInvoiceTovar Row;
        Row.PriceOpt = C(T.Price);
        Row.Price = C(T.Price);
        Row.Kolvo = C(T.Kolvo);
        EXPECT_EQ(Row.GetCostSum(), C(T.Sum));
        EXPECT_EQ(Row.GetRetailSum(), C(T.Sum));
    }
}

}  // namespace

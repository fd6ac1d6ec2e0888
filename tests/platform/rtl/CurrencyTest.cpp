#include "platform/rtl/Currency.h"

#include "platform/rtl/Exceptions.h"
#include "tests/support/SettingsScope.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

constexpr int64_t MaxRaw = std::numeric_limits<int64_t>::max();
constexpr int64_t MinRaw = std::numeric_limits<int64_t>::min();

// ---- arithmetic ------------------------------------------------------------------

TEST(Currency, ProductsAndQuotientsRoundHalfToEven)
{
    struct Case { Currency Got; int64_t Raw; };
    const Case Cases[] = {
        {Currency::FromRaw(5000) * Currency::FromRaw(1), 0},    // 0.00005 -> 0.0000
        {Currency::FromRaw(15000) * Currency::FromRaw(1), 2},   // 0.00015 -> 0.0002
        {Currency::FromRaw(25000) * Currency::FromRaw(1), 2},   // 0.00025 -> 0.0002
        {Currency::FromRaw(-15000) * Currency::FromRaw(1), -2},
        {Currency(1) / Currency(3), 3333},
        {Currency(2) / Currency(3), 6667},
        {Currency::FromRaw(1) / Currency(2), 0},                // 0.00005 -> 0
        {Currency::FromRaw(3) / Currency(2), 2},                // 0.00015 -> 0.0002
        // From a double the exact binary value is rounded, as the FPU did:
        {Currency(0.00005), 1},            // the double lies just above a half
        {Currency(0.00015), 1},            // and this one just below
        {Currency(1.23455), 12346},
        {Currency(0.03125), 312},          // 1/32 is an exact half: to even
        {Currency(0.09375), 938},
        {Currency(-0.03125), -312},
        {Currency(1e-30), 0},
        {Currency(922337203685477.0), 9223372036854770000},
    };
    for (size_t I = 0; I < std::size(Cases); ++I) {
        SCOPED_TRACE(I);
        EXPECT_EQ(Cases[I].Got.Raw(), Cases[I].Raw);
    }
}

TEST(Currency, ArithmeticErrors)
{
    ExpectRaises<EZeroDivide>([] { (void)(Currency(1) / Currency(0)); },
                              "Floating point division by zero");
    ExpectRaises<EOverflow>([] { (void)(Currency::FromRaw(MaxRaw) + Currency::FromRaw(1)); },
                            "Floating point overflow");
    ExpectRaises<EOverflow>([] { (void)(Currency::FromRaw(MaxRaw) * Currency(2)); },
                            "Floating point overflow");
    ExpectRaises<EOverflow>([] { (void)Currency(922337203685478.0); },
                            "Floating point overflow");
    ExpectRaises<EOverflow>([] { (void)Currency(-1e300); }, "Floating point overflow");
    ExpectRaises<EOverflow>([] { (void)Currency(std::numeric_limits<double>::infinity()); },
                            "Floating point overflow");
    ExpectRaises<EInvalidOp>([] { (void)Currency(std::numeric_limits<double>::quiet_NaN()); },
                             "Invalid floating point operation");
}

// ---- text ------------------------------------------------------------------------

struct StrToCurrCase {
    const char* Text;
    bool Valid;
    int64_t Raw;
};
const StrToCurrCase StrToCurrCases[] = {
    {"1,5", true, 15000},
    {"-1,5", true, -15000},
    {"  12  ", true, 120000},
    {",5", true, 5000},
    {"1e3", true, 10000000},
    {"1,23455", true, 12346},                 // fifth decimal: half to even, up
    {"1,23445", true, 12344},                 // ... and down
    {"1,234451", true, 12345},                // more than half
    {"0,00004", true, 0},
    {"922337203685477,5807", true, MaxRaw},   // exact at the top
    {"-922337203685477,5808", true, MinRaw},
    {"922337203685477,5808", false, 0},       // one past the top
    {"1e20", false, 0},
    {"1.5", false, 0},                        // not the decimal separator
    {"", false, 0},
    {"1,2,3", false, 0},
    {"12 р.", false, 0},
};

TEST(Currency, StrToCurrTable)
{
    const RussianSettingsScope Ru;
    for (const StrToCurrCase& C : StrToCurrCases) {
        SCOPED_TRACE(C.Text);
        Currency V = Currency(99);
        EXPECT_EQ(TryStrToCurr(C.Text, V), C.Valid);
        EXPECT_EQ(V.Raw(), C.Valid ? C.Raw : 990000);
        EXPECT_EQ(StrToCurrDef(C.Text, Currency(-7)).Raw(), C.Valid ? C.Raw : -70000);
        if (!C.Valid)
            ExpectRaises<EConvertError>(
                [&] { (void)StrToCurr(C.Text); },
                "'" + AnsiString(C.Text) + "' is not a valid floating point value");
    }
}

TEST(Currency, StrToCurrFollowsTheSettings)
{
    const EnglishSettingsScope En;
    EXPECT_EQ(StrToCurr("1.25").Raw(), 12500);
    EXPECT_EQ(StrToCurr("1,25", RussianFormatSettings()).Raw(), 12500);
    EXPECT_EQ(StrToCurrDef("1,25", Currency(3)).Raw(), 30000);
}

TEST(Currency, CurrToStrIsShortestExactText)
{
    const RussianSettingsScope Ru;
    struct Case { int64_t Raw; const char* Text; };
    const Case Cases[] = {
        {12345, "1,2345"},
        {100000, "10"},
        {12500, "1,25"},
        {-1, "-0,0001"},
        {0, "0"},
        {MaxRaw, "922337203685477,5807"},
        {MinRaw, "-922337203685477,5808"},
        {9007199254740993, "900719925474,0993"},  // not representable as a double
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Text);
        EXPECT_EQ(CurrToStr(Currency::FromRaw(C.Raw)), C.Text);
        EXPECT_EQ(StrToCurr(C.Text).Raw(), C.Raw);  // and back
    }
}

struct CurrFCase {
    int64_t Raw;
    TFloatFormat Format;
    int Digits;
    AnsiString Russian;
};

TEST(Currency, CurrToStrFTable)
{
    const RussianSettingsScope Ru;
    const CurrFCase Cases[] = {
        {12345000, ffNumber, 2, AnsiString("1\xA0" "234,50")},
        {12345000, ffFixed, 2, "1234,50"},
        {12345000, ffCurrency, 2, AnsiString("1\xA0" "234,50") + "р."_a},
        {-12345000, ffCurrency, 2, AnsiString("-1\xA0" "234,50") + "р."_a},
        {1250, ffFixed, 2, "0,13"},              // 0.125: half away from zero
        {-1250, ffFixed, 2, "-0,13"},
        {-10, ffFixed, 2, "0,00"},               // shown as zero: no minus
        {12345, ffFixed, 4, "1,2345"},
        {12345, ffFixed, 0, "1"},
        {MaxRaw, ffFixed, 4, "922337203685477,5807"},  // all 19 digits
        {MaxRaw, ffNumber, 2, AnsiString("922\xA0" "337\xA0" "203\xA0" "685\xA0" "477,58")},
        {12345000, ffGeneral, 0, "1234,5"},
        {12345000, ffExponent, 3, "1,234500000000000000E+003"},  // 19 digits
    };
    for (const CurrFCase& C : Cases) {
        SCOPED_TRACE(C.Russian);
        EXPECT_EQ(CurrToStrF(Currency::FromRaw(C.Raw), C.Format, C.Digits), C.Russian);
    }
}

TEST(Currency, FormatCurrIsExact)
{
    const RussianSettingsScope Ru;
    EXPECT_EQ(FormatCurr("#,##0.00", Currency::FromRaw(12345678900)),
              AnsiString("1\xA0" "234\xA0" "567,89"));
    // 922337203685477.5807 as a double would read ...477.625.
    EXPECT_EQ(FormatCurr("0.0000", Currency::FromRaw(MaxRaw)), "922337203685477,5807");
    EXPECT_EQ(FormatCurr("0.00", Currency::FromRaw(MaxRaw)), "922337203685477,58");
    EXPECT_EQ(FormatCurr("0.00", Currency::FromRaw(1250)), "0,13");
    EXPECT_EQ(FormatCurr("0.00;(0.00);'-'", Currency::FromRaw(-12500)), "(1,25)");
    EXPECT_EQ(FormatCurr("0.00;(0.00);'-'", Currency()), "-");
    EXPECT_EQ(FormatCurr("", Currency::FromRaw(12500)), "1,25");
    EXPECT_EQ(FormatCurr("0.00", Currency::FromRaw(12500), EnglishFormatSettings()), "1.25");
}

}  // namespace

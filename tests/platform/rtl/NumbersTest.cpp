#include "platform/rtl/Numbers.h"

#include "platform/rtl/Exceptions.h"
#include "tests/support/SettingsScope.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

// ---- integers ----------------------------------------------------------------

TEST(Numbers, IntToStrAndHex)
{
    EXPECT_EQ(IntToStr(0), "0");
    EXPECT_EQ(IntToStr(-5), "-5");
    EXPECT_EQ(IntToStr(std::numeric_limits<Int64>::min()), "-9223372036854775808");
    EXPECT_EQ(IntToStr(4000000000u), "4000000000");
    EXPECT_EQ(IntToHex(255, 4), "00FF");
    EXPECT_EQ(IntToHex(0, 0), "0");
    EXPECT_EQ(IntToHex(0x1234567, 2), "1234567");  // never cut
    // A negative value shows the two's complement of its own width.
    EXPECT_EQ(IntToHex(-1, 2), "FFFFFFFF");
    EXPECT_EQ(IntToHex(Int64(-1), 2), "FFFFFFFFFFFFFFFF");
}

struct IntCase {
    const char* Text;
    bool Valid;
    Integer Value;
};
const IntCase IntCases[] = {
    {"123", true, 123},
    {"  -42", true, -42},             // leading spaces and sign
    {"+7", true, 7},
    {"007", true, 7},
    {"$1F", true, 31},                // hexadecimal after '$'
    {"0x1f", true, 31},               // ... after "0x"
    {"0X1F", true, 31},
    {"-$10", true, -16},              // sign before the hex mark
    {"$FFFFFFFF", true, -1},          // hex uses the whole 32 bits
    {"2147483647", true, 2147483647},
    {"-2147483648", true, std::numeric_limits<Integer>::min()},
    {"2147483648", false, 0},         // decimal out of range
    {"$100000000", false, 0},         // hex out of range
    {"", false, 0},
    {" ", false, 0},
    {"12 ", false, 0},                // trailing blank
    {"1 2", false, 0},
    {"12a", false, 0},
    {"$", false, 0},
    {"0x", false, 0},
    {"--1", false, 0},
    {"\t1", false, 0},                // only spaces are skipped
    {"1,5", false, 0},
    {"$G", false, 0},
};

TEST(Numbers, StrToIntTable)
{
    for (const IntCase& C : IntCases) {
        SCOPED_TRACE(C.Text);
        Integer V = 99;
        EXPECT_EQ(TryStrToInt(C.Text, V), C.Valid);
        EXPECT_EQ(V, C.Valid ? C.Value : 99);  // untouched on failure
        EXPECT_EQ(StrToIntDef(C.Text, -7), C.Valid ? C.Value : -7);
        if (C.Valid)
            EXPECT_EQ(StrToInt(C.Text), C.Value);
        else
            ExpectRaises<EConvertError>([&] { (void)StrToInt(C.Text); },
                                        "'" + AnsiString(C.Text) + "' is not a valid integer value");
    }
}

TEST(Numbers, StrToInt64Range)
{
    EXPECT_EQ(StrToInt64("9223372036854775807"), std::numeric_limits<Int64>::max());
    EXPECT_EQ(StrToInt64("-9223372036854775808"), std::numeric_limits<Int64>::min());
    EXPECT_EQ(StrToInt64("$FFFFFFFFFFFFFFFF"), -1);
    EXPECT_EQ(StrToInt64("4294967296"), 4294967296LL);  // beyond 32 bits
    EXPECT_EQ(StrToInt64Def("9223372036854775808", 5), 5);
    ExpectRaises<EConvertError>([] { (void)StrToInt64("x"); }, "'x' is not a valid integer value");
}

// ---- floating point to text --------------------------------------------------

struct FloatStrCase {
    double Value;
    const char* Russian;
    const char* English;
};
const FloatStrCase FloatStrCases[] = {
    {0, "0", "0"},
    {1.5, "1,5", "1.5"},
    {-0.25, "-0,25", "-0.25"},
    {100, "100", "100"},
    {0.1 + 0.2, "0,3", "0.3"},                         // 15 digits hide binary noise
    {1.0 / 3, "0,333333333333333", "0.333333333333333"},
    {999999999999999, "999999999999999", "999999999999999"},
    {1e15, "1E15", "1E15"},                            // more digits than the precision
    {123456789012345678.0, "1,23456789012346E17", "1.23456789012346E17"},
    {0.0001, "0,0001", "0.0001"},
    {0.00001, "1E-5", "1E-5"},                         // below 0.0001: exponent
    {1.23e-10, "1,23E-10", "1.23E-10"},
    {-2.5e20, "-2,5E20", "-2.5E20"},
};

TEST(Numbers, FloatToStrTable)
{
    for (const FloatStrCase& C : FloatStrCases) {
        SCOPED_TRACE(C.English);
        {
            const RussianSettingsScope Ru;
            EXPECT_EQ(FloatToStr(C.Value), C.Russian);
        }
        {
            const EnglishSettingsScope En;
            EXPECT_EQ(FloatToStr(C.Value), C.English);
        }
    }
}

TEST(Numbers, FloatToStrSpecialValues)
{
    EXPECT_EQ(FloatToStr(std::numeric_limits<double>::quiet_NaN()), "NAN");
    EXPECT_EQ(FloatToStr(std::numeric_limits<double>::infinity()), "INF");
    EXPECT_EQ(FloatToStr(-std::numeric_limits<double>::infinity()), "-INF");
    EXPECT_EQ(FormatFloat("0.00", std::numeric_limits<double>::infinity()), "INF");
}

struct FloatFCase {
    double Value;
    TFloatFormat Format;
    int Precision;
    int Digits;
    const char* English;
};
const FloatFCase FloatFCases[] = {
    {1234.5678, ffFixed, 15, 2, "1234.57"},
    {1234.5678, ffNumber, 15, 2, "1,234.57"},
    {1234567.0, ffNumber, 15, 0, "1,234,567"},
    {0.125, ffFixed, 15, 2, "0.13"},          // halves away from zero
    {-0.125, ffFixed, 15, 2, "-0.13"},
    {1.005, ffFixed, 15, 2, "1.01"},          // the written half, not the binary value
    {-0.001, ffFixed, 15, 2, "0.00"},         // no minus on a value shown as zero
    {1.23456, ffFixed, 3, 4, "1.2300"},       // precision limits significant digits
    {1e20, ffFixed, 15, 2, "1E20"},           // too many integer digits
    {999.999, ffFixed, 15, 2, "1000.00"},     // the carry reaches a new digit
    {1234.5, ffExponent, 4, 2, "1.235E+03"},
    {0.00012, ffExponent, 2, 0, "1.2E-4"},
    {0, ffExponent, 3, 2, "0.00E+00"},
    {-1.5, ffExponent, 3, 9, "-1.50E+0000"},  // at most 4 exponent digits
    {1234.5, ffGeneral, 3, 0, "1.23E3"},
    {1234.5, ffGeneral, 15, 0, "1234.5"},
    {0.00001, ffGeneral, 15, 2, "1E-05"},     // Digits pads the exponent
    {1234.5, ffCurrency, 15, 2, "$1,234.50"},
    {-1234.5, ffCurrency, 15, 2, "($1,234.50)"},
};

TEST(Numbers, FloatToStrFTable)
{
    const EnglishSettingsScope En;
    for (const FloatFCase& C : FloatFCases) {
        SCOPED_TRACE(C.English);
        EXPECT_EQ(FloatToStrF(C.Value, C.Format, C.Precision, C.Digits), C.English);
    }
}

TEST(Numbers, FloatToStrFRussian)
{
    const RussianSettingsScope Ru;
    EXPECT_EQ(FloatToStrF(1234.5678, ffNumber, 15, 2), AnsiString("1\xA0" "234,57"));
    EXPECT_EQ(FloatToStrF(1234.5, ffCurrency, 15, 2), AnsiString("1\xA0" "234,50") + "р."_a);
    EXPECT_EQ(FloatToStrF(-1234.5, ffCurrency, 15, 2),
              AnsiString("-1\xA0" "234,50") + "р."_a);
    EXPECT_EQ(FloatToStrF(0.5, ffFixed, 15, 1), "0,5");
}

TEST(Numbers, NegativeCurrencyLayouts)
{
    // Every NegCurrFormat with "$" for -1 without decimals.
    static const char* const Expected[16] = {
        "($1)", "-$1", "$-1", "$1-", "(1$)", "-1$", "1-$", "1$-",
        "-1 $", "-$ 1", "1 $-", "$ 1-", "$ -1", "1- $", "($ 1)", "(1 $)",
    };
    TFormatSettings S = EnglishFormatSettings();
    for (int I = 0; I < 16; ++I) {
        SCOPED_TRACE(I);
        S.NegCurrFormat = static_cast<Byte>(I);
        EXPECT_EQ(FloatToStrF(-1, ffCurrency, 15, 0, S), Expected[I]);
    }
    static const char* const Positive[4] = {"$1", "1$", "$ 1", "1 $"};
    for (int I = 0; I < 4; ++I) {
        SCOPED_TRACE(I);
        S.CurrencyFormat = static_cast<Byte>(I);
        EXPECT_EQ(FloatToStrF(1, ffCurrency, 15, 0, S), Positive[I]);
    }
}

// ---- the picture language ------------------------------------------------------

struct PictureCase {
    const char* Picture;
    double Value;
    const char* English;
};
const PictureCase PictureCases[] = {
    {"0.00", 1.005, "1.01"},                    // halves away from zero, written value
    {"0.00", 2.675, "2.68"},
    {"0.00", -2.675, "-2.68"},
    {"#,##0.00", 1234567.891, "1,234,567.89"},
    {"#,##0.00", 0.5, "0.50"},
    {"#.##", 0.5, ".5"},                        // '#' shows no leading zero
    {"#", 0, ""},                               // nor a lone zero
    {"0", 0, "0"},
    {"000", 7, "007"},
    {"000", 1000, "1000"},                      // extra digits go to the first place
    {"00-00", 1234, "12-34"},                   // literals stay between digits
    {"00-00", 123456, "1234-56"},
    {"0.###", 1.5, "1.5"},                      // optional decimals trimmed
    {"0.0##", 1, "1.0"},
    {"0.##", 1, "1"},                           // no point without decimals
    {".00", 12.5, "12.50"},                     // integer digits without a place
    {"0.00;(0.00)", -5, "(5.00)"},              // negative section has no sign
    {"0.00;(0.00);'zero'", 0, "zero"},
    {"0.00;;'zero'", -5, "-5.00"},              // empty negative section: first, signed
    {"0.00;(0.00);", 0, "0.00"},                // empty zero section: first
    {"0.00", -5, "-5.00"},
    {"0.00", -0.001, "0.00"},                   // no minus on a value shown as zero
    {"0.00;(0.00)", -0.001, "0.00"},
    {"0.00;(0.00);'zero'", -0.001, "zero"},
    {"0.00;(0.00);'zero'", 0.001, "zero"},       // so is a positive one
    {";0.00", 5, "5"},                          // empty positive section: general layout
    {";(0)", -5, "(5)"},                        // while the negative one still applies
    {"0.00E+00", 1234.5, "1.23E+03"},
    {"0.00E-00", 1234.5, "1.23E03"},            // 'E-' signs only negatives
    {"0.00E-00", 0.0012345, "1.23E-03"},
    {"0.0e+0", 12, "1.2e+1"},
    {"00.0E+0", 1234, "12.3E+2"},
    {"'#'0", 5, "#5"},                          // quoted literal
    {"\"a;b\"0", 5, "a;b5"},                    // ';' inside a literal
    {"0 'kg'", 2.5, "3 kg"},
    {"#,##0", -1234567, "-1,234,567"},
    {"0.00", 1e25, "1E25"},                     // too large: the general layout
    {"", 1.5, "1.5"},                           // empty picture: FloatToStr
};

TEST(Numbers, FormatFloatTable)
{
    const EnglishSettingsScope En;
    for (const PictureCase& C : PictureCases) {
        SCOPED_TRACE(C.Picture);
        EXPECT_EQ(FormatFloat(C.Picture, C.Value), C.English);
    }
}

TEST(Numbers, FormatFloatRussian)
{
    const RussianSettingsScope Ru;
    EXPECT_EQ(FormatFloat("#,##0", 1234567), AnsiString("1\xA0" "234\xA0" "567"));
    EXPECT_EQ(FormatFloat("#,##0.00", 1234.5), AnsiString("1\xA0" "234,50"));
    EXPECT_EQ(FormatFloat("\"Цена: \"0.00"_a, 5), "Цена: 5,00"_a);
    EXPECT_EQ(FormatFloat("000", 3), "003");
    // Explicit settings win over the current ones.
    EXPECT_EQ(FormatFloat("0.0", 2.5, EnglishFormatSettings()), "2.5");
}

// ---- text to floating point ----------------------------------------------------

struct StrFloatCase {
    const char* Text;
    bool Valid;
    double Value;
};
const StrFloatCase RussianFloatCases[] = {
    {"1,5", true, 1.5},
    {" 1,5 ", true, 1.5},       // blanks around
    {"-1,5E3", true, -1500},
    {"1,5e-3", true, 0.0015},
    {"+3", true, 3},
    {",5", true, 0.5},
    {"5,", true, 5},
    {"0", true, 0},
    {"1e-400", true, 0},        // underflow gives zero
    {"1.5", false, 0},          // not the decimal separator
    {"1 000", false, 0},        // no thousands separators
    {"1,5,0", false, 0},
    {"", false, 0},
    {",", false, 0},
    {"E5", false, 0},
    {"1E", false, 0},
    {"1e400", false, 0},        // overflow
    {"1,5x", false, 0},
    {"INF", false, 0},
};

TEST(Numbers, StrToFloatTable)
{
    const RussianSettingsScope Ru;
    for (const StrFloatCase& C : RussianFloatCases) {
        SCOPED_TRACE(C.Text);
        Extended V = 99;
        EXPECT_EQ(TryStrToFloat(C.Text, V), C.Valid);
        EXPECT_DOUBLE_EQ(V, C.Valid ? C.Value : 99);
        EXPECT_DOUBLE_EQ(StrToFloatDef(C.Text, -7), C.Valid ? C.Value : -7);
        if (!C.Valid)
            ExpectRaises<EConvertError>(
                [&] { (void)StrToFloat(C.Text); },
                "'" + AnsiString(C.Text) + "' is not a valid floating point value");
    }
}

TEST(Numbers, StrToFloatFollowsTheSettings)
{
    {
        const EnglishSettingsScope En;
        EXPECT_DOUBLE_EQ(StrToFloat("1.5"), 1.5);
        Extended V = 0;
        EXPECT_FALSE(TryStrToFloat("1,5", V));
    }
    EXPECT_DOUBLE_EQ(StrToFloat("2,25", SystemFormatSettings()), 2.25);
    // A value of up to 15 significant digits reads back from its text.
    const RussianSettingsScope Ru;
    for (double V : {0.1, 123456.789, 1e-7, 9.99e300, -0.000123456789012345}) {
        SCOPED_TRACE(V);
        EXPECT_DOUBLE_EQ(StrToFloat(FloatToStr(V)), V);
    }
}

// ---- rounding ------------------------------------------------------------------

TEST(Numbers, RoundHalvesToEven)
{
    struct Case { double In; Int64 Out; };
    const Case Cases[] = {
        {2.5, 2}, {3.5, 4}, {-2.5, -2}, {-3.5, -4},   // ties to even
        {2.4999, 2}, {2.5001, 3}, {-0.5, 0},
        {9007199254740993.0, 9007199254740992LL},     // large values stay exact
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.In);
        EXPECT_EQ(Round(C.In), C.Out);
    }
    ExpectRaises<EInvalidOp>([] { (void)Round(1e300); }, "Invalid floating point operation");
    ExpectRaises<EInvalidOp>([] { (void)Round(std::nan("")); },
                             "Invalid floating point operation");
    ExpectRaises<EInvalidOp>([] { (void)Trunc(-1e19); }, "Invalid floating point operation");
}

TEST(Numbers, TruncFracInt)
{
    EXPECT_EQ(Trunc(-2.7), -2);
    EXPECT_EQ(Trunc(2.7), 2);
    EXPECT_DOUBLE_EQ(Frac(-2.75), -0.75);
    EXPECT_DOUBLE_EQ(Int(-2.75), -2.0);
    EXPECT_DOUBLE_EQ(Int(2.75), 2.0);
}

struct RoundToCase {
    double In;
    int Digit;
    double RoundToOut;
    double SimpleOut;
};
const RoundToCase RoundToCases[] = {
    {1.125, -2, 1.12, 1.13},     // a tie: even versus up
    {1.135, -2, 1.14, 1.14},     // the written tie counts, not the binary value
    {1.015, -2, 1.02, 1.02},
    {1.145, -2, 1.14, 1.15},
    {12.5, 0, 12, 13},
    {13.5, 0, 14, 14},
    {12.05 + 0.45, 0, 12, 13},   // the "up to 1.00" price rounding
    {1234, 1, 1230, 1230},       // positive Digit: tens
    {1235, 1, 1240, 1240},
    {1245, 1, 1240, 1250},
    {5, 1, 0, 10},
    {-1.125, -2, -1.12, -1.13},  // symmetric about zero
    {-2.4, 0, -2, -2},
    {-2.5, 0, -2, -3},
    {-1.234, -2, -1.23, -1.23},
    {0.004, -2, 0, 0},
    {-0.004, -2, 0, 0},
};

TEST(Numbers, RoundToAndSimpleRoundTo)
{
    for (const RoundToCase& C : RoundToCases) {
        SCOPED_TRACE(testing::Message() << C.In << " at " << C.Digit);
        EXPECT_DOUBLE_EQ(RoundTo(C.In, C.Digit), C.RoundToOut);
        EXPECT_DOUBLE_EQ(SimpleRoundTo(C.In, C.Digit), C.SimpleOut);
    }
    EXPECT_DOUBLE_EQ(SimpleRoundTo(2.345), 2.35);  // hundredths by default
}

TEST(Numbers, MulDivRoundsAndReportsFailure)
{
    struct Case { int N, Num, Den, Out; };
    const Case Cases[] = {
        {10, 3, 2, 15},
        {5, 1, 2, 3},           // 2.5 away from zero
        {-5, 1, 2, -3},
        {5, -1, 2, -3},
        {7, 1, 3, 2},
        {8, 1, 3, 3},
        {96, 120, 96, 120},
        {2000000000, 3, 4, 1500000000},  // the product needs 64 bits
        {1, 1, 0, -1},                   // zero divisor
        {2147483647, 2, 1, -1},          // result outside 32 bits
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(testing::Message() << C.N << "*" << C.Num << "/" << C.Den);
        EXPECT_EQ(MulDiv(C.N, C.Num, C.Den), C.Out);
    }
}

}  // namespace

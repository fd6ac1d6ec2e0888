#include "platform/rtl/Variant.h"

#include "platform/rtl/FormatSettings.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <functional>
#include <limits>
#include <vector>

namespace {

AnsiString CastText(const char* From, const char* To)
{
    return AnsiString("Could not convert variant of type (") + From + ") into type (" + To + ")";
}

AnsiString OverflowText(const char* From, const char* To)
{
    return AnsiString("Overflow while converting variant of type (") + From + ") into type ("
         + To + ")";
}

TDateTime Sample()
{
    return EncodeDate(2024, 3, 5) + EncodeTime(14, 7, 9, 0);
}

// ---- construction --------------------------------------------------------------

TEST(Variant, TypeCodeFollowsTheCppType)
{
    struct Row {
        Variant V;
        TVarType Type;
    };
    const Row Rows[] = {
        {Variant(), varEmpty},
        {Unassigned(), varEmpty},
        {Null(), varNull},
        {Variant(true), varBoolean},
        {Variant(ShortInt(-1)), varShortInt},
        {Variant(Byte(1)), varByte},
        {Variant(SmallInt(1)), varSmallint},
        {Variant(Word(1)), varWord},
        {Variant(1), varInteger},
        {Variant(LongWord(1)), varLongWord},
        {Variant(Int64(1)), varInt64},
        {Variant(1.5f), varSingle},
        {Variant(1.5), varDouble},
        {Variant(Currency(1)), varCurrency},
        {Variant(Sample()), varDate},
        {Variant(TDate(EncodeDate(2024, 3, 5))), varDate},  // TDate is a date too
        {Variant(AnsiString("x")), varString},
        {Variant("x"), varString},  // a C string is text, not a Boolean
        {Variant::Error(2042), varError},
    };
    for (const Row& R : Rows) {
        SCOPED_TRACE(VarTypeAsText(R.Type));
        EXPECT_EQ(VarType(R.V), R.Type);
    }
}

TEST(Variant, CopiesAndMoves)
{
    Variant A("text");
    Variant B = A;
    EXPECT_EQ(VarToStr(B), "text");
    Variant C = std::move(A);
    EXPECT_EQ(VarToStr(C), "text");
    EXPECT_TRUE(VarIsEmpty(A));  // NOLINT: a moved-from Variant is Empty
    B = Variant(7);
    EXPECT_EQ(VarType(B), varInteger);
    EXPECT_EQ(B.AsString(), "7");
}

// ---- conversions ---------------------------------------------------------------

struct TextCase {
    const char* Name;
    Variant V;
    const char* Text;  // nullptr: raises EVariantTypeCastError
};

TEST(Variant, ToStringRussian)
{
    const FormatSettingsScope Ru(RussianFormatSettings());
    const TextCase Cases[] = {
        {"empty", Variant(), ""},
        {"integer", Variant(42), "42"},
        {"int64", Variant(Int64(-5000000000)), "-5000000000"},
        {"byte", Variant(Byte(255)), "255"},
        {"double", Variant(1.5), "1,5"},
        {"single keeps its own precision", Variant(0.1f), "0,100000001490116"},
        {"currency exactly", Variant(Currency::FromRaw(123456)), "12,3456"},
        {"currency beyond double's digits", Variant(Currency::FromRaw(9223372036854775807)),
         "922337203685477,5807"},
        {"date and time", Variant(Sample()), "05.03.2024 14:07:09"},
        {"date at midnight", Variant(EncodeDate(2024, 3, 5)), "05.03.2024"},
        {"true", Variant(true), "True"},
        {"false", Variant(false), "False"},
        {"string", Variant("Цена"_a), "Цена"_c},
        {"ole string", VarAsType(Variant("x"), varOleStr), "x"},
        {"null", Null(), nullptr},
        {"error", Variant::Error(2042), nullptr},
    };
    for (const TextCase& C : Cases) {
        SCOPED_TRACE(C.Name);
        if (C.Text) {
            EXPECT_EQ(C.V.AsString(), C.Text);
            EXPECT_EQ(VarToStr(C.V), C.Text);
        } else {
            ExpectRaises<EVariantTypeCastError>(
                [&] { (void)C.V.AsString(); },
                CastText(VarTypeAsText(VarType(C.V)).c_str(), "String"));
        }
    }
}

TEST(Variant, NullAsTextIsEmptyOrTheDefault)
{
    EXPECT_EQ(VarToStr(Null()), "");
    EXPECT_EQ(VarToStrDef(Null(), "нет"_a), "нет"_a);
    EXPECT_EQ(VarToStrDef(Variant(), "нет"_a), "");
    EXPECT_EQ(VarToStrDef(Variant(5), "нет"_a), "5");
}

struct IntegerCase {
    const char* Name;
    Variant V;
    Integer Expected;
    const char* Error;  // "cast" or "overflow": raises with that kind of text
};

TEST(Variant, ToInteger)
{
    const FormatSettingsScope Ru(RussianFormatSettings());
    const IntegerCase Cases[] = {
        {"empty is 0", Variant(), 0, nullptr},
        {"integer", Variant(5), 5, nullptr},
        {"half rounds to even, down", Variant(2.5), 2, nullptr},
        {"half rounds to even, up", Variant(3.5), 4, nullptr},
        {"negative half", Variant(-2.5), -2, nullptr},
        {"currency half", Variant(Currency::FromRaw(25000)), 2, nullptr},
        {"currency above half", Variant(Currency::FromRaw(25001)), 3, nullptr},
        {"true is -1", Variant(true), -1, nullptr},
        {"decimal text", Variant("42"), 42, nullptr},
        {"text with leading blanks", Variant(" 42"), 42, nullptr},
        {"hexadecimal text", Variant("$1F"), 31, nullptr},
        {"number text with the locale's comma", Variant("2,5"), 2, nullptr},
        {"Boolean text", Variant("true"), -1, nullptr},
        {"date as days", Variant(EncodeDate(2024, 3, 5) + 0.75), 45357, nullptr},
        {"text that is no number", Variant("abc"), 0, "cast"},
        {"point where the locale has a comma", Variant("2.5"), 0, "cast"},
        {"double beyond 32 bits", Variant(3e9), 0, "overflow"},
        {"int64 beyond 32 bits", Variant(Int64(5000000000)), 0, "overflow"},
        {"NaN", Variant(std::nan("")), 0, "overflow"},
        {"null", Null(), 0, "cast"},
        {"error value", Variant::Error(2042), 0, "cast"},
    };
    for (const IntegerCase& C : Cases) {
        SCOPED_TRACE(C.Name);
        const AnsiString From = VarTypeAsText(VarType(C.V));
        if (!C.Error) {
            EXPECT_EQ(C.V.AsInteger(), C.Expected);
        } else if (std::string(C.Error) == "cast") {
            ExpectRaises<EVariantTypeCastError>([&] { (void)C.V.AsInteger(); },
                                                CastText(From.c_str(), "Integer"));
        } else {
            ExpectRaises<EVariantOverflowError>([&] { (void)C.V.AsInteger(); },
                                                OverflowText(From.c_str(), "Integer"));
        }
    }
}

TEST(Variant, ToDoubleReadsTextWithTheLocale)
{
    {
        const FormatSettingsScope Ru(RussianFormatSettings());
        EXPECT_EQ(Variant("1,5").AsDouble(), 1.5);
        EXPECT_EQ(Variant("$10").AsDouble(), 16);
        ExpectRaises<EVariantTypeCastError>([] { (void)Variant("1.5").AsDouble(); },
                                            CastText("String", "Double"));
    }
    const FormatSettingsScope En(EnglishFormatSettings());
    EXPECT_EQ(Variant("1.5").AsDouble(), 1.5);
    EXPECT_EQ(Variant(true).AsDouble(), -1);
    EXPECT_EQ(Variant(Currency::FromRaw(1)).AsDouble(), 0.0001);
    EXPECT_EQ(Variant().AsDouble(), 0);
    ExpectRaises<EVariantTypeCastError>([] { (void)Null().AsDouble(); },
                                        CastText("Null", "Double"));
}

TEST(Variant, ToCurrencyKeepsMoneyTextExact)
{
    const FormatSettingsScope Ru(RussianFormatSettings());
    EXPECT_EQ(Variant("12,3456").AsCurrency().Raw(), 123456);
    // 19 digits: exact through the money reader, not through double.
    EXPECT_EQ(Variant("922337203685477,5807").AsCurrency().Raw(), 9223372036854775807);
    EXPECT_EQ(Variant(0.1).AsCurrency().Raw(), 1000);
    EXPECT_EQ(Variant(Int64(7)).AsCurrency().Raw(), 70000);
    EXPECT_EQ(Variant(true).AsCurrency().Raw(), -10000);
    ExpectRaises<EVariantOverflowError>([] { (void)Variant(Int64(1) << 62).AsCurrency(); },
                                        OverflowText("Int64", "Currency"));
    ExpectRaises<EVariantOverflowError>([] { (void)Variant(1e20).AsCurrency(); },
                                        OverflowText("Double", "Currency"));
    ExpectRaises<EVariantTypeCastError>([] { (void)Variant("x").AsCurrency(); },
                                        CastText("String", "Currency"));
}

TEST(Variant, ToBoolean)
{
    const FormatSettingsScope Ru(RussianFormatSettings());
    struct Row {
        const char* Name;
        Variant V;
        bool Expected;
    };
    const Row Rows[] = {
        {"empty", Variant(), false},
        {"zero", Variant(0), false},
        {"non-zero", Variant(-3), true},
        {"fraction", Variant(0.5), true},
        {"currency", Variant(Currency::FromRaw(1)), true},
        {"True text", Variant("True"), true},
        {"any case", Variant("fALSE"), false},
        {"number text 0", Variant("0"), false},
        {"number text 2", Variant("2"), true},
        {"fraction text", Variant("0,5"), true},
    };
    for (const Row& R : Rows) {
        SCOPED_TRACE(R.Name);
        EXPECT_EQ(R.V.AsBoolean(), R.Expected);
    }
    ExpectRaises<EVariantTypeCastError>([] { (void)Variant("да"_a).AsBoolean(); },
                                        CastText("String", "Boolean"));
}

TEST(Variant, ToDateTime)
{
    const FormatSettingsScope Ru(RussianFormatSettings());
    EXPECT_EQ(double(Variant("05.03.2024 14:07:09").AsDateTime()), double(Sample()));
    EXPECT_EQ(double(Variant(45356.5).AsDateTime()), 45356.5);
    EXPECT_EQ(double(Variant(45356).AsDateTime()), 45356);
    EXPECT_EQ(double(Variant().AsDateTime()), 0);
    ExpectRaises<EVariantTypeCastError>([] { (void)Variant("05.13.2024").AsDateTime(); },
                                        CastText("String", "Date"));
}

TEST(Variant, ErrorValuesKeepTheirCode)
{
    const Variant E = Variant::Error(2042);
    EXPECT_EQ(E.AsError(), 2042);
    EXPECT_FALSE(VarIsNumeric(E));
    ExpectRaises<EVariantTypeCastError>([] { (void)Variant(1).AsError(); },
                                        CastText("Integer", "Error"));
}

struct AsTypeCase {
    const char* Name;
    Variant V;
    TVarType To;
    const char* Text;   // the result as text
    const char* Error;  // "cast" or "overflow"
};

TEST(Variant, VarAsType)
{
    const FormatSettingsScope Ru(RussianFormatSettings());
    const AsTypeCase Cases[] = {
        {"in range", Variant(255), varByte, "255", nullptr},
        {"past a byte", Variant(300), varByte, nullptr, "overflow"},
        {"below a word", Variant(-1), varWord, nullptr, "overflow"},
        {"below a longword", Variant(-1), varLongWord, nullptr, "overflow"},
        {"largest longword", Variant(Int64(4294967295)), varLongWord, "4294967295", nullptr},
        {"smallint", Variant(-32768), varSmallint, "-32768", nullptr},
        {"shortint past its range", Variant(128), varShortInt, nullptr, "overflow"},
        {"true is -1, no byte", Variant(true), varByte, nullptr, "overflow"},
        {"text to integer", Variant("12"), varInteger, "12", nullptr},
        {"number to text", Variant(1.5), varString, "1,5", nullptr},
        {"text to ole string", Variant("x"), varOleStr, "x", nullptr},
        {"double to single", Variant(0.5), varSingle, "0,5", nullptr},
        {"past a single", Variant(1e39), varSingle, nullptr, "overflow"},
        {"number to Boolean", Variant(2), varBoolean, "True", nullptr},
        {"number to date", Variant(45356), varDate, "05.03.2024", nullptr},
        {"to empty", Variant(5), varEmpty, "", nullptr},
        {"null to integer", Null(), varInteger, nullptr, "cast"},
        {"error to integer", Variant::Error(7), varInteger, nullptr, "cast"},
        {"to an object type", Variant(1), varDispatch, nullptr, "cast"},
    };
    for (const AsTypeCase& C : Cases) {
        SCOPED_TRACE(C.Name);
        const AnsiString From = VarTypeAsText(VarType(C.V));
        const AnsiString To = VarTypeAsText(C.To);
        if (C.Text) {
            const Variant R = VarAsType(C.V, C.To);
            EXPECT_EQ(VarType(R), C.To);
            EXPECT_EQ(VarToStr(R), C.Text);
        } else if (std::string(C.Error) == "cast") {
            ExpectRaises<EVariantTypeCastError>([&] { (void)VarAsType(C.V, C.To); },
                                                CastText(From.c_str(), To.c_str()));
        } else {
            ExpectRaises<EVariantOverflowError>([&] { (void)VarAsType(C.V, C.To); },
                                                OverflowText(From.c_str(), To.c_str()));
        }
    }
    EXPECT_TRUE(VarIsNull(VarAsType(Variant(5), varNull)));
    EXPECT_TRUE(VarIsNull(VarAsType(Null(), varNull)));
}

TEST(Variant, TypeNames)
{
    struct Row {
        TVarType Type;
        const char* Name;
    };
    const Row Rows[] = {
        {varEmpty, "Empty"},       {varNull, "Null"},         {varSmallint, "Smallint"},
        {varInteger, "Integer"},   {varSingle, "Single"},     {varDouble, "Double"},
        {varCurrency, "Currency"}, {varDate, "Date"},         {varOleStr, "OleStr"},
        {varError, "Error"},       {varBoolean, "Boolean"},   {varUnknown, "Unknown"},
        {varShortInt, "ShortInt"}, {varByte, "Byte"},         {varWord, "Word"},
        {varLongWord, "LongWord"}, {varInt64, "Int64"},       {varString, "String"},
        {0x15, "$0015"},           {varArray | varVariant, "Array Variant"},
    };
    for (const Row& R : Rows) {
        SCOPED_TRACE(R.Name);
        EXPECT_EQ(VarTypeAsText(R.Type), R.Name);
    }
}

TEST(Variant, KindTests)
{
    struct Row {
        const char* Name;
        Variant V;
        bool Numeric, Str;
    };
    const Row Rows[] = {
        {"integer", Variant(1), true, false},
        {"int64", Variant(Int64(1)), true, false},
        {"double", Variant(1.0), true, false},
        {"currency", Variant(Currency(1)), true, false},
        {"Boolean counts as numeric", Variant(true), true, false},
        {"date is not numeric", Variant(Sample()), false, false},
        {"string", Variant("1"), false, true},
        {"ole string", VarAsType(Variant("1"), varOleStr), false, true},
        {"empty", Variant(), false, false},
        {"null", Null(), false, false},
    };
    for (const Row& R : Rows) {
        SCOPED_TRACE(R.Name);
        EXPECT_EQ(VarIsNumeric(R.V), R.Numeric);
        EXPECT_EQ(VarIsStr(R.V), R.Str);
    }
    EXPECT_TRUE(VarIsClear(Null()));
    EXPECT_TRUE(VarIsClear(Variant()));
    EXPECT_FALSE(VarIsClear(Variant(0)));
}

// ---- comparison ----------------------------------------------------------------

struct CompareCase {
    const char* Name;
    Variant L, R;
    int Expected;
};

TEST(Variant, Compare)
{
    const FormatSettingsScope Ru(RussianFormatSettings());
    const Int64 Big = std::numeric_limits<Int64>::max();
    const CompareCase Cases[] = {
        {"integers", Variant(1), Variant(2), -1},
        {"large integers exactly", Variant(Big), Variant(Big - 1), 1},
        {"integer and double", Variant(2), Variant(2.0), 0},
        {"currency and double", Variant(Currency::FromRaw(1000)), Variant(0.1), 0},
        {"currency and integer", Variant(Currency::FromRaw(30001)), Variant(3), 1},
        {"currency and int64 beyond its range", Variant(Currency(1)), Variant(Big), -1},
        {"strings as strings", Variant("10"), Variant("9"), -1},
        {"strings by bytes", Variant("abc"), Variant("abd"), -1},
        {"string against a number", Variant("10"), Variant(9), 1},
        {"number against a string", Variant(9), Variant("10"), -1},
        {"number text with the locale's comma", Variant("2,5"), Variant(2.5), 0},
        {"date text against a date", Variant("05.03.2024 14:07:09"), Variant(Sample()), 0},
        {"date against its days", Variant(Sample()), Variant(double(Sample())), 0},
        {"Booleans", Variant(false), Variant(true), -1},
        {"true is -1 among numbers", Variant(true), Variant(-1), 0},
        {"empty and zero", Variant(), Variant(0), 0},
        {"empty and empty text", Variant(), Variant(""), 0},
        {"empty before text", Variant(), Variant("a"), -1},
        {"empty after a negative", Variant(), Variant(-1), 1},
        {"empty and empty", Variant(), Variant(), 0},
        {"null and null", Null(), Null(), 0},
        {"null before a number", Null(), Variant(0), -1},
        {"a number after null", Variant(0), Null(), 1},
        {"null before empty", Null(), Variant(), -1},
        {"NaN after numbers", Variant(std::nan("")), Variant(1.0), 1},
    };
    for (const CompareCase& C : Cases) {
        SCOPED_TRACE(C.Name);
        EXPECT_EQ(C.L.Compare(C.R), C.Expected);
        EXPECT_EQ(C.R.Compare(C.L), -C.Expected);
        EXPECT_EQ(C.L == C.R, C.Expected == 0);
        EXPECT_EQ(C.L != C.R, C.Expected != 0);
        EXPECT_EQ(C.L < C.R, C.Expected < 0);
        EXPECT_EQ(C.L <= C.R, C.Expected <= 0);
        EXPECT_EQ(C.L > C.R, C.Expected > 0);
        EXPECT_EQ(C.L >= C.R, C.Expected >= 0);
    }
}

TEST(Variant, CompareRaisesForWhatHasNoOrder)
{
    const FormatSettingsScope Ru(RussianFormatSettings());
    ExpectRaises<EVariantTypeCastError>([] { (void)(Variant("abc") < Variant(5)); },
                                        CastText("String", "Integer"));
    ExpectRaises<EVariantTypeCastError>([] { (void)(Variant::Error(7) == Variant(7)); },
                                        CastText("Error", "Integer"));
    const Variant Table = VarArrayCreate({1, 2}, varVariant);
    ExpectRaises<EVariantTypeCastError>([&] { (void)(Table == Variant(1)); },
                                        CastText("Array Variant", "Integer"));
}

// ---- arrays --------------------------------------------------------------------

TEST(Variant, TwoDimensionalArrayWithItsBounds)
{
    Variant Table = VarArrayCreate({1, 3, 1, 2}, varVariant);
    EXPECT_EQ(VarType(Table), varArray | varVariant);
    EXPECT_TRUE(VarIsArray(Table));
    EXPECT_EQ(VarArrayDimCount(Table), 2);
    EXPECT_EQ(VarArrayLowBound(Table, 1), 1);
    EXPECT_EQ(VarArrayHighBound(Table, 1), 3);
    EXPECT_EQ(VarArrayLowBound(Table, 2), 1);
    EXPECT_EQ(VarArrayHighBound(Table, 2), 2);
    EXPECT_TRUE(VarIsEmpty(Table.GetElement(3, 2)));

    Table.PutElement(3, 2, Variant("Итого"_a));
    Table.PutElement(1, 1, Variant(12.5));
    EXPECT_EQ(VarToStr(Table.GetElement(3, 2)), "Итого"_a);
    EXPECT_EQ(Table.GetElement(1, 1).AsDouble(), 12.5);

    // A copy is a copy of the elements.
    Variant Copy = Table;
    Copy.PutElement(1, 1, Variant(1));
    EXPECT_EQ(Table.GetElement(1, 1).AsDouble(), 12.5);
}

TEST(Variant, ArraysOwnTheirElements)
{
    // An array inside an array is copied with it, and each copy is its own.
    Variant Inner = VarArrayCreate({1, 2}, varVariant);
    Inner.PutElement(1, Variant("внутри"_a));
    Variant Outer = VarArrayCreate({1, 2, 1, 2}, varVariant);
    Outer.PutElement(2, 2, Inner);
    Variant Copy = Outer;
    Copy.PutElement(2, 2, Variant(5));
    EXPECT_EQ(VarToStr(Outer.GetElement(2, 2).GetElement(1)), "внутри"_a);
    EXPECT_EQ(Copy.GetElement(2, 2).AsInteger(), 5);

    // A value assigned from one of its own elements, copied or moved, takes
    // the element before the array goes.
    Outer = Outer.GetElement(2, 2);
    EXPECT_EQ(VarArrayDimCount(Outer), 1);
    EXPECT_EQ(VarToStr(Outer.GetElement(1)), "внутри"_a);
    Variant Holder = VarArrayCreate({1, 1}, varVariant);
    Holder.PutElement(1, Variant("последний"_a));
    Holder = std::move(const_cast<Variant&>(Holder.GetElement(1)));
    EXPECT_EQ(VarToStr(Holder), "последний"_a);

    // A moved array leaves an Empty value; a number never reads as one.
    Variant Moved = std::move(Copy);
    EXPECT_TRUE(VarIsEmpty(Copy));
    EXPECT_EQ(VarArrayDimCount(Moved), 2);
    EXPECT_EQ(VarArrayDimCount(Variant(Int64(0x12345678))), 0);
}

TEST(Variant, ArrayOfRowsTakesItsElementsRowByRow)
{
    std::vector<Variant> Items;
    for (int I = 0; I < 6; ++I)
        Items.emplace_back(I);
    Items[4] = Variant("Итого"_a);
    const Variant Table = VarArrayOfRows(5, 3, -1, 2, std::move(Items));
    EXPECT_EQ(VarType(Table), varArray | varVariant);
    EXPECT_EQ(VarArrayDimCount(Table), 2);
    EXPECT_EQ(VarArrayLowBound(Table, 1), 5);
    EXPECT_EQ(VarArrayHighBound(Table, 1), 7);
    EXPECT_EQ(VarArrayLowBound(Table, 2), -1);
    EXPECT_EQ(VarArrayHighBound(Table, 2), 0);
    EXPECT_EQ(Table.GetElement(5, 0).AsInteger(), 1);
    EXPECT_EQ(Table.GetElement(6, -1).AsInteger(), 2);
    EXPECT_EQ(VarToStr(Table.GetElement(7, -1)), "Итого"_a);
    EXPECT_EQ(VarArrayHighBound(VarArrayOfRows(1, 0, 1, 0, {}), 1), 0);

    // Items of another count, and bounds VarArrayCreate refuses, are
    // refused too; the items stay with the caller.
    struct BadCase {
        int RowLow, Rows, ColLow, Columns;
        size_t Items;
    };
    const BadCase Bad[] = {
        {1, 2, 1, 2, 3},         {1, 2, 1, 2, 5},     {1, -1, 1, 2, 0},
        {INT_MAX, 2, 1, 1, 2},   {1, 65537, 1, 256, 0}, {1, 1, 1, INT_MAX, 0},
    };
    for (const BadCase& C : Bad) {
        SCOPED_TRACE(testing::Message() << C.RowLow << " " << C.Rows << " " << C.Columns);
        std::vector<Variant> Kept(C.Items, Variant(7));
        ExpectRaises<EVariantArrayCreateError>(
            [&] { (void)VarArrayOfRows(C.RowLow, C.Rows, C.ColLow, C.Columns, std::move(Kept)); },
            "Error creating variant or safe array");
        EXPECT_EQ(Kept.size(), C.Items);
    }
}

TEST(Variant, ArrayIndexesAndBoundsAreChecked)
{
    Variant Table = VarArrayCreate({5, 6, -1, 0}, varVariant);
    EXPECT_EQ(VarArrayLowBound(Table, 2), -1);
    const std::vector<std::pair<int, int>> Outside = {{4, 0}, {7, 0}, {5, -2}, {5, 1}};
    for (const auto& Index : Outside) {
        // Plain copies: lambdas cannot capture structured bindings before
        // C++20, and clang 14 refuses them.
        const int I = Index.first;
        const int J = Index.second;
        SCOPED_TRACE(testing::Message() << I << "," << J);
        ExpectRaises<EVariantBadIndexError>([&] { (void)Table.GetElement(I, J); },
                                            "Variant or safe array index out of bounds");
        ExpectRaises<EVariantBadIndexError>([&] { Table.PutElement(I, J, Variant(1)); },
                                            "Variant or safe array index out of bounds");
    }
    ExpectRaises<EVariantInvalidArgError>([&] { (void)Table.GetElement(5); }, "Invalid argument");
    ExpectRaises<EVariantInvalidArgError>([&] { (void)VarArrayHighBound(Table, 3); },
                                          "Invalid argument");
    ExpectRaises<EVariantInvalidArgError>([] { (void)VarArrayLowBound(Variant(1), 1); },
                                          "Invalid argument");
    ExpectRaises<EVariantInvalidArgError>([] { (void)Variant(1).GetElement(1, 1); },
                                          "Invalid argument");
    EXPECT_EQ(VarArrayDimCount(Variant(1)), 0);
    ExpectRaises<EVariantTypeCastError>([&] { (void)Table.AsString(); },
                                        CastText("Array Variant", "String"));

    // An array with no rows is allowed; one with fewer is not.
    const Variant Empty = VarArrayCreate({1, 0}, varVariant);
    EXPECT_EQ(VarArrayHighBound(Empty, 1), 0);
    const std::vector<std::function<Variant()>> Bad = {
        [] { return VarArrayCreate({1, 2}, varInteger); },          // only Variant elements
        [] { return VarArrayCreate({1, 2, 1, 2, 1, 2}, varVariant); },  // three dimensions
        [] { return VarArrayCreate({1}, varVariant); },             // a bound without a pair
        [] { return VarArrayCreate({1, -1}, varVariant); },         // high below low - 1
        // Damaged bounds: more cells than any worksheet, and counts whose
        // product would wrap, are refused before anything is allocated.
        [] { return VarArrayCreate({1, 65537, 1, 256}, varVariant); },
        [] { return VarArrayCreate({INT_MIN, INT_MAX, INT_MIN, INT_MAX}, varVariant); },
        [] { return VarArrayCreate({0, INT_MAX}, varVariant); },
    };
    for (size_t I = 0; I < Bad.size(); ++I) {
        SCOPED_TRACE(I);
        ExpectRaises<EVariantArrayCreateError>([&] { (void)Bad[I](); },
                                               "Error creating variant or safe array");
    }
}

} // namespace

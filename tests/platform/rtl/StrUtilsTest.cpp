#include "platform/rtl/StrUtils.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

// ---- case ----------------------------------------------------------------------

TEST(StrUtils, AnsiCaseFollowsTheCp1251Table)
{
    EXPECT_EQ(AnsiUpperCase("абвгд ёж abc 123"_a), "АБВГД ЁЖ ABC 123"_a);
    EXPECT_EQ(AnsiLowerCase("АБВГД ЁЖ ABC 123"_a), "абвгд ёж abc 123"_a);
    EXPECT_EQ(AnsiUpperCase("эюя"_a), "ЭЮЯ"_a);  // the last bytes of the table
    // The letter pairs of 0x80..0xBF (upper, lower).
    const char* const Pairs[][2] = {
        {"Ђ", "ђ"}, {"Ѓ", "ѓ"}, {"Љ", "љ"}, {"Њ", "њ"}, {"Ќ", "ќ"}, {"Ћ", "ћ"}, {"Џ", "џ"},
        {"Ў", "ў"}, {"Ј", "ј"}, {"Ґ", "ґ"}, {"Ё", "ё"}, {"Є", "є"}, {"Ї", "ї"}, {"І", "і"},
        {"Ѕ", "ѕ"},
    };
    for (const auto& P : Pairs) {
        SCOPED_TRACE(P[0]);
        const AnsiString Upper = AnsiString::FromUtf8(P[0]);
        const AnsiString Lower = AnsiString::FromUtf8(P[1]);
        EXPECT_EQ(AnsiUpperCase(Lower), Upper);
        EXPECT_EQ(AnsiLowerCase(Upper), Lower);
    }
    // Signs in the same range have no case.
    const AnsiString Signs = "№«»€‰§"_a;
    EXPECT_EQ(AnsiUpperCase(Signs), Signs);
    EXPECT_EQ(AnsiLowerCase(Signs), Signs);
}

TEST(StrUtils, PlainCaseTouchesAsciiOnly)
{
    EXPECT_EQ(UpperCase("абв abc"_a), "абв ABC"_a);
    EXPECT_EQ(LowerCase("АБВ ABC"_a), "АБВ abc"_a);
}

// ---- comparison ------------------------------------------------------------------

int Sign(int V) { return V < 0 ? -1 : V > 0 ? 1 : 0; }

struct CompareCase {
    const char* S1;
    const char* S2;
    int Text;  // sign of AnsiCompareText
    int Str;   // sign of AnsiCompareStr
};
const CompareCase CompareCases[] = {
    {"ЕЛКА", "елка", 0, 1},     // case only: equal ignoring it, lower first with it
    {"ёлка", "ЁЛКА", 0, -1},
    {"елка", "ёлка", -1, -1},   // Ё right after Е when the rest is equal
    {"ёлка", "елки", -1, -1},   // ... but a later letter decides first
    {"ёж", "ель", -1, -1},      // Ё sorts as Е
    {"Ёж", "Жук", -1, -1},
    {"а", "Б", -1, -1},         // letters before case
    {"яблоко", "Ящик", -1, -1},
    {"z", "а", -1, -1},         // Latin before Cyrillic
    {"9", "a", -1, -1},         // digits before letters
    {"-", "0", -1, -1},         // signs before digits
    {"abc", "abcd", -1, -1},    // a prefix first
    {"Гусь", "Ґава", -1, -1},   // Ґ after Г
    {"Ґава", "Дом", -1, -1},    // ... before Д
    {"Иван", "Ірина", -1, -1},  // І after И
    {"Ірина", "Йод", -1, -1},   // ... before Й
    {"", "", 0, 0},
};

TEST(StrUtils, AnsiCompareTable)
{
    for (const CompareCase& C : CompareCases) {
        SCOPED_TRACE(testing::Message() << C.S1 << " / " << C.S2);
        const AnsiString S1 = AnsiString::FromUtf8(C.S1);
        const AnsiString S2 = AnsiString::FromUtf8(C.S2);
        EXPECT_EQ(Sign(AnsiCompareText(S1, S2)), C.Text);
        EXPECT_EQ(Sign(AnsiCompareText(S2, S1)), -C.Text);  // antisymmetric
        EXPECT_EQ(Sign(AnsiCompareStr(S1, S2)), C.Str);
        EXPECT_EQ(Sign(AnsiCompareStr(S2, S1)), -C.Str);
        EXPECT_EQ(AnsiSameText(S1, S2), C.Text == 0);
    }
}

TEST(StrUtils, AnsiCompareTextSortsWordsAlphabetically)
{
    std::vector<AnsiString> Words;
    for (const char* W : {"Яблоко", "ёж", "Еж", "ель", "Жук", "апельсин", "Zebra", "apple",
                          "10", "2", "-x"})
        Words.push_back(AnsiString::FromUtf8(W));
    std::sort(Words.begin(), Words.end(), [](const AnsiString& L, const AnsiString& R) {
        return AnsiCompareText(L, R) < 0;
    });
    std::vector<AnsiString> Expected;
    for (const char* W : {"-x", "10", "2", "apple", "Zebra", "апельсин", "Еж", "ёж", "ель",
                          "Жук", "Яблоко"})
        Expected.push_back(AnsiString::FromUtf8(W));
    EXPECT_EQ(Words, Expected);
}

TEST(StrUtils, PlainCompareIsByteOrder)
{
    EXPECT_LT(CompareText("abc", "ABD"), 0);
    EXPECT_EQ(CompareText("abc", "ABC"), 0);
    EXPECT_NE(CompareText("ё"_a, "Ё"_a), 0);  // ASCII only
    EXPECT_TRUE(SameText("ABC", "abc"));
    EXPECT_FALSE(SameText("я"_a, "Я"_a));
    EXPECT_GT(CompareStr("a", "B"), 0);       // 'a' is above 'B'
    EXPECT_GT(CompareStr("я"_a, "а"_a), 0);   // bytes compare unsigned
    EXPECT_LT(CompareStr("ab", "abc"), 0);
    EXPECT_TRUE(AnsiSameStr("Ёж"_a, "Ёж"_a));
    EXPECT_FALSE(AnsiSameStr("Ёж"_a, "ёж"_a));
}

// ---- trimming ------------------------------------------------------------------

TEST(StrUtils, TrimRemovesControlsAndSpaces)
{
    struct Case { const char* In; const char* Both; const char* Left; const char* Right; };
    const Case Cases[] = {
        {"  a b  ", "a b", "a b  ", "  a b"},
        {"\t\r\na\x01", "a", "a\x01", "\t\r\na"},   // every byte up to ' '
        {"\xA0" "a", "\xA0" "a", "\xA0" "a", "\xA0" "a"},  // the no-break space stays
        {"   ", "", "", ""},
        {"", "", "", ""},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.In);
        EXPECT_EQ(Trim(C.In), C.Both);
        EXPECT_EQ(TrimLeft(C.In), C.Left);
        EXPECT_EQ(TrimRight(C.In), C.Right);
    }
}

TEST(StrUtils, StringOfChar)
{
    EXPECT_EQ(StringOfChar('-', 3), "---");
    EXPECT_EQ(StringOfChar('-', 0), "");
    EXPECT_EQ(StringOfChar('-', -1), "");
}

// ---- positions -------------------------------------------------------------------

TEST(StrUtils, PosAndCopyClamp)
{
    EXPECT_EQ(Pos("c", "abc"), 3);
    EXPECT_EQ(Pos("", "abc"), 0);
    EXPECT_EQ(Pos("abcd", "abc"), 0);
    EXPECT_EQ(Pos("ё"_a, "ЁЁё"_a), 3);  // case counts
    struct Case { int Index; int Count; const char* Out; };
    const Case Cases[] = {
        {1, 3, "abc"},
        {0, 3, "abc"},     // Index below 1 counts from 1, Count unchanged
        {-5, 2, "ab"},
        {5, 10, "ef"},     // cut at the end
        {6, 1, "f"},
        {7, 1, ""},        // past the end
        {2, 0, ""},
        {2, -1, ""},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(testing::Message() << C.Index << "," << C.Count);
        EXPECT_EQ(Copy("abcdef", C.Index, C.Count), C.Out);
    }
}

TEST(StrUtils, DeleteClamps)
{
    struct Case { int Index; int Count; const char* Out; };
    const Case Cases[] = {
        {2, 2, "adef"},
        {5, 10, "abcd"},    // Count cut at the end
        {1, 6, ""},
        {0, 2, "abcdef"},   // Index outside: nothing
        {7, 1, "abcdef"},
        {1, 0, "abcdef"},
        {1, -1, "abcdef"},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(testing::Message() << C.Index << "," << C.Count);
        AnsiString S = "abcdef";
        Delete(S, C.Index, C.Count);
        EXPECT_EQ(S, C.Out);
    }
}

TEST(StrUtils, InsertClamps)
{
    struct Case { int Index; const char* Out; };
    const Case Cases[] = {
        {1, "XYabc"},
        {2, "aXYbc"},
        {4, "abcXY"},
        {10, "abcXY"},   // past the end appends
        {0, "XYabc"},    // below 1 inserts at the front
        {-3, "XYabc"},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Index);
        AnsiString S = "abc";
        Insert("XY", S, C.Index);
        EXPECT_EQ(S, C.Out);
    }
}

TEST(StrUtils, LastDelimiter)
{
    EXPECT_EQ(LastDelimiter("\\.:", "C:\\dir\\file.txt"), 12);
    EXPECT_EQ(LastDelimiter("\\:", "C:\\dir\\file.txt"), 7);
    EXPECT_EQ(LastDelimiter("/", "abc"), 0);
    EXPECT_EQ(LastDelimiter("", "abc"), 0);
    EXPECT_EQ(LastDelimiter("\xA0", "1\xA0" "2"), 2);  // high bytes
}

// ---- quoting ---------------------------------------------------------------------

TEST(StrUtils, Quoting)
{
    EXPECT_EQ(QuotedStr("it's"), "'it''s'");
    EXPECT_EQ(QuotedStr(""), "''");
    EXPECT_EQ(AnsiQuotedStr("a\"b", '"'), "\"a\"\"b\"");
}

TEST(StrUtils, AnsiExtractQuotedStr)
{
    struct Case { const char* Src; int Start; const char* Out; int End; };
    const Case Cases[] = {
        {"'ab''c'def", 1, "ab'c", 8},   // doubled quote, stops past the closing one
        {"'abc", 1, "abc", 5},          // unclosed: the rest
        {"abc", 1, "", 1},              // not at a quote: nothing, Pos unchanged
        {"x'a'", 2, "a", 5},
        {"''", 1, "", 3},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Src);
        int P = C.Start;
        EXPECT_EQ(AnsiExtractQuotedStr(C.Src, P, '\''), C.Out);
        EXPECT_EQ(P, C.End);
    }
}

TEST(StrUtils, AnsiDequotedStr)
{
    struct Case { const char* In; const char* Out; };
    const Case Cases[] = {
        {"\"C:\\a b\\f.xls\"", "C:\\a b\\f.xls"},
        {"\"a\"\"b\"", "a\"b"},
        {"\"\"", ""},              // empty quoted text is empty
        {"abc", "abc"},            // not quoted
        {"\"abc", "\"abc"},        // unclosed stays as it is
        {"\"ab\"c", "ab"},         // the quoted part at the start
        {"", ""},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.In);
        EXPECT_EQ(AnsiDequotedStr(C.In, '"'), C.Out);
    }
}

// ---- replacing -------------------------------------------------------------------

TEST(StrUtils, StringReplace)
{
    struct Case {
        const char* S;
        const char* Old;
        const char* New;
        TReplaceFlags Flags;
        const char* Out;
    };
    const Case Cases[] = {
        {"a-b-c", "-", "+", {}, "a+b-c"},                                  // first only
        {"a-b-c", "-", "+", rfReplaceAll, "a+b+c"},
        {"ABC abc", "b", "x", rfReplaceAll | rfIgnoreCase, "AxC axc"},
        {"ABC abc", "b", "x", rfReplaceAll, "ABC axc"},                    // case counts
        {"aaa", "a", "aa", rfReplaceAll, "aaaaaa"},                        // no rescanning
        {"abc", "", "x", rfReplaceAll, "abc"},                             // empty pattern
        {"abc", "z", "x", rfReplaceAll, "abc"},
        {"abc", "c", "", rfReplaceAll, "ab"},
        {"Ёлка ёлка", "ЁЛ", "ел", rfReplaceAll | rfIgnoreCase, "елка елка"},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.S);
        EXPECT_EQ(StringReplace(AnsiString::FromUtf8(C.S), AnsiString::FromUtf8(C.Old),
                                AnsiString::FromUtf8(C.New), C.Flags),
                  AnsiString::FromUtf8(C.Out));
    }
}

// ---- character sets --------------------------------------------------------------

TEST(StrUtils, CharSet)
{
    constexpr TCharSet Digits = TCharSet::Range('0', '9');
    static_assert(Digits.Contains('5') && !Digits.Contains('a'));
    const TCharSet Cyrillic = TCharSet::Range('\xC0', '\xFF');
    EXPECT_TRUE(Cyrillic.Contains("я"_a[1]));
    EXPECT_FALSE(Cyrillic.Contains("Ё"_a[1]));  // 0xA8 lies outside А..я
    const TCharSet Marks = TCharSet{'.', ','} + TCharSet::Of("\xA0");
    EXPECT_TRUE(Marks.Contains('\xA0'));
    EXPECT_TRUE(Marks.Contains(','));
    EXPECT_FALSE((Marks - TCharSet{','}).Contains(','));
    EXPECT_EQ(Marks * Digits, TCharSet());
    EXPECT_TRUE(TCharSet().IsEmpty());
    EXPECT_TRUE(TCharSet::Range('\xFF', '\xFF').Contains('\xFF'));  // the last byte
    EXPECT_TRUE(TCharSet::Range('b', 'a').IsEmpty());
}

}  // namespace

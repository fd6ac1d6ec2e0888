#include "common/base/Funcs.h"

#include "common/base/IniFiles.h"

#include "platform/classes/Streams.h"
#include "platform/classes/Strings.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Ticks.h"

#include "tests/common/base/NoLogScope.h"
#include "tests/support/SettingsScope.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

/// The lines of a string list, for comparisons.
std::vector<AnsiString> LinesOf(const TStrings& L)
{
    std::vector<AnsiString> Out;
    for (int I = 0; I < L.Count(); ++I)
        Out.push_back(L.Strings(I));
    return Out;
}

} // namespace

// ---- dates -----------------------------------------------------------------

TEST(Funcs, DatePartsOfADateTime)
{
    const TDateTime D = EncodeDate(2024, 2, 29) + 0.75;
    EXPECT_EQ(DayOfDate(D), 29);
    EXPECT_EQ(MonthOfDate(D), 2);
    EXPECT_EQ(YearOfDate(D), 2024);
}

struct MonthCase {
    int Month;
    bool Genitive;
    const char* Name;
};
const MonthCase MonthCases[] = {
    {1, false, "Январь"},
    {12, false, "Декабрь"},
    {1, true, "Января"},    // soft sign becomes "я"
    {5, true, "Мая"},       // "й" becomes "я"
    {3, true, "Марта"},     // March takes "а"
    {8, true, "Августа"},   // so does August
    {6, true, "Июня"},
    {12, true, "Декабря"},
};

TEST(Funcs, MonthNameByNum)
{
    for (const MonthCase& C : MonthCases) {
        SCOPED_TRACE(C.Name);
        EXPECT_EQ(MonthNameByNum(C.Month, C.Genitive), AnsiString::FromUtf8(C.Name));
    }
}

TEST(Funcs, MonthNameByNumRejectsNumbersOutsideTheYear)
{
    ExpectRaises<EConvertError>([] { (void)MonthNameByNum(13, false); },
                                "MonthNameByNum: Неверный номер месяца [13]"_a);
    ExpectRaises<EConvertError>([] { (void)MonthNameByNum(0, true); },
                                "MonthNameByNum: Неверный номер месяца [0]"_a);
}

// ---- padding ---------------------------------------------------------------

struct PadCase {
    bool AtRight;
    const char* S;
    int Len;
    const char* Out;
};
const PadCase PadCases[] = {
    {false, "7", 3, "**7"},     // filled before
    {true, "7", 3, "7**"},      // filled after
    {false, "12345", 3, "123"}, // longer: its first Len bytes
    {true, "abc", 3, "abc"},    // equal: unchanged
    {false, "abc", -1, ""},     // a negative length cuts everything
};

TEST(Funcs, PadStr)
{
    for (const PadCase& C : PadCases) {
        SCOPED_TRACE(C.S);
        EXPECT_EQ(PadStr(C.AtRight, C.S, C.Len, '*'), C.Out);
    }
}

struct Pad0Case {
    Variant Value;
    int Len;
    const char* Out;
    const char* Why;
};

TEST(Funcs, Pad0)
{
    const Pad0Case Cases[] = {
        {Variant(Integer(7)), 3, "007", "zero-filled"},
        {Variant(Integer(-5)), 4, "-005", "sign, then Len - 1 digits"},
        {Variant(Integer(123456)), 4, "1234", "cut to the first Len digits: fixed-width fields"},
        {Variant(Byte(9)), 2, "09", "any integer type"},
        {Variant(Int64(-9223372036854775807LL - 1)), 3, "-92", "the one value without a negation"},
        {Variant("42"), 4, "0042", "an integer text"},
    };
    for (const Pad0Case& C : Cases) {
        SCOPED_TRACE(C.Why);
        EXPECT_EQ(Pad0(C.Value, C.Len), C.Out);
    }
}

TEST(Funcs, Pad0RejectsWhatIsNoInteger)
{
    const Variant Bad[] = {Variant(2.5), Variant("12a"), Null(), Variant(true)};
    for (const Variant& V : Bad)
        ExpectRaises<EConvertError>([&] { (void)Pad0(V, 3); }, "Pad0: Неверный тип данных"_a);
}

// ---- money texts -----------------------------------------------------------

struct CleanCase {
    const char* In;
    const char* Out;
    const char* Why;
};
const CleanCase CleanCases[] = {
    {"12-50", "12,50", "roubles-dash-kopecks"},
    {"-12-50", "-12,50", "with a sign"},
    {"012-50", "", "a leading zero before the dash"},
    {"12-5", "", "one digit after the dash"},
    {"7-", "", "nothing after the dash"},
    {" 1 234,5 ", "1234,5", "blanks dropped, one comma kept"},
    {"+7", "7", "plus sign dropped"},
    {"-7", "-7", "minus sign kept"},
    {" -12", "-12", "a sign after blanks is still a sign, not the decimal mark"},
    {"  +7", "7", "a plus sign after blanks is dropped"},
    {" -12-50", "-12,50", "a sign after blanks before roubles-dash-kopecks"},
    {"12.5", "12,5", "a point becomes the decimal separator"},
    {"1,234.56", "1234,56", "differing marks: the last is the decimal mark"},
    {"1.234,56", "1234,56", "the same the other way round"},
    {"1.234.567,89", "1234567,89", "several thousands marks and a decimal mark"},
    {"1.234.567", "1234567", "alike marks are thousands marks"},
    {"1,234,567", "1234567", "alike commas too"},
    {"1\xA0" "234,50", "1234,50", "the no-break space groups thousands"},
    {"1'234", "1234", "an apostrophe groups thousands"},
    {"12a", "", "any other character spoils the text"},
    {"", "", "empty stays empty"},
    {"   ", "   ", "a blank text is returned as it is"},
};

TEST(Funcs, CleanNumStr)
{
    const RussianSettingsScope Ru;
    for (const CleanCase& C : CleanCases) {
        SCOPED_TRACE(C.Why);
        EXPECT_EQ(CleanNumStr(C.In), C.Out);
    }
}

struct NormalizeCase {
    const char* In;
    int Digits;
    int RoundDigits;
    bool Result;
    const char* Out;
    const char* Why;
};
const NormalizeCase NormalizeCases[] = {
    {"1 234,567", 2, 2, true, "1\xA0" "234,57", "rounded and grouped"},
    {"0,125", 2, 2, true, "0,12", "a half goes to the even digit"},
    {"0,135", 2, 2, true, "0,14", "a half goes to the even digit"},
    {"12,5", 2, 0, true, "12,00", "rounded to whole roubles, written with kopecks"},
    {"1,234.56", 2, 2, true, "1\xA0" "234,56", "mixed marks keep the kopecks"},
    {"12-50", -1, 0, true, "12,50", "Digits < 0: cleaning only"},
    {"abc", 2, 2, false, "abc", "not a number: unchanged"},
    {"   ", 2, 2, false, "   ", "blank: unchanged"},
    {"99999999999999999999", 2, 2, false, "99999999999999999999", "too large for money"},
    {"-", 2, 2, false, "-", "a lone sign is no number"},
    {" -12", 2, 2, true, "-12,00", "a typed minus after a blank: minus twelve, not 0,12"},
};

TEST(Funcs, NormalizeNumStr)
{
    const RussianSettingsScope Ru;
    for (const NormalizeCase& C : NormalizeCases) {
        SCOPED_TRACE(C.Why);
        AnsiString S = C.In;
        EXPECT_EQ(NormalizeNumStr(S, C.Digits, C.RoundDigits), C.Result);
        EXPECT_EQ(S, C.Out);
    }
}

TEST(Funcs, NormalizeNumStrWithoutRoundDigitsRoundsToDigits)
{
    const RussianSettingsScope Ru;
    AnsiString S = "2,345";
    EXPECT_TRUE(NormalizeNumStr(S, 1));
    EXPECT_EQ(S, "2,3");
}

TEST(Funcs, CurrToNumStrGroupsThousands)
{
    const RussianSettingsScope Ru;
    const Currency Value = Currency::FromRaw(12345000);  // 1234,5
    EXPECT_EQ(CurrToNumStr(2, Value), "1\xA0" "234,50");
    EXPECT_EQ(CurrToNumStr(Value, 1), "1\xA0" "234,5");
    EXPECT_EQ(CurrToNumStr(0, -Value), "-1\xA0" "235");  // money text: halves away from zero
}

TEST(Funcs, NumberCharacterSets)
{
    const RussianSettingsScope Ru;
    EXPECT_TRUE(DecimalChars().Contains(','));
    EXPECT_TRUE(DecimalChars().Contains('-'));
    EXPECT_TRUE(NumberChars().Contains('+'));
    EXPECT_TRUE(NumberChars().Contains('9'));
    EXPECT_FALSE(NumberChars().Contains(' '));
    EXPECT_TRUE(NumIgnoredChars().Contains('\xA0'));
    EXPECT_FALSE(DigitChars().Contains('a'));
}

struct MostCase {
    int Value;
    int Total;
    int N;
    bool OrEqual;
    bool Result;
    const char* Why;
};
const MostCase MostCases[] = {
    {7, 10, 3, false, true, "bound (1000 div 3 * 2) div 100 = 6"},
    {6, 10, 3, false, false, "equal to the bound is not more"},
    {6, 10, 3, true, true, "unless OrEqual"},
    {1, 1, 2, false, false, "the bound is at least 1"},
    {1, 1, 2, true, true, "and reached with OrEqual"},
    {9, 10, 100, false, false, "N >= 100 compares with Total"},
    {10, 10, 100, true, true, "N >= 100 with OrEqual"},
    {15000001, 30000000, 2, false, true, "Total * 100 beyond 32 bits"},
    {14999999, 30000000, 2, false, false, "Total * 100 beyond 32 bits"},
};

TEST(Funcs, IsMostOf)
{
    for (const MostCase& C : MostCases) {
        SCOPED_TRACE(C.Why);
        EXPECT_EQ(IsMostOf(C.Value, C.Total, C.N, C.OrEqual), C.Result);
    }
}

// ---- ticks -----------------------------------------------------------------

struct TickCase {
    Cardinal A;
    Cardinal B;
    Cardinal Diff;
    const char* Why;
};
const TickCase TickDiffCases[] = {
    {10, 0xFFFFFFF0u, 24, "across the wrap: 10 + 4294967294 - 0xFFFFFFF0"},
    {0xFFFFFFF0u, 10, 24, "the order of the arguments does not matter"},
    {100, 50, 50, "no wrap"},
    {0x3FFFFFFFu, 0xC0000000u, 0x80000001u, "the low value is not low enough for a wrap"},
    {5, 5, 0, "equal"},
};

TEST(Funcs, TickDiff)
{
    for (const TickCase& C : TickDiffCases) {
        SCOPED_TRACE(C.Why);
        EXPECT_EQ(TickDiff(C.A, C.B), C.Diff);
    }
}

struct AfterCase {
    Cardinal A;
    Cardinal B;
    bool After;
    const char* Why;
};
const AfterCase TickAfterCases[] = {
    {5, 0xFFFFFF00u, true, "the counter wrapped after the deadline was set"},
    {0, 12345, true, "a zero tick is always after"},
    {12345, 0, true, "a zero deadline has always passed"},
    {10, 20, false, "before the deadline"},
    {20, 10, true, "after the deadline"},
    {20, 20, false, "at the deadline, not after"},
};

TEST(Funcs, TickAfter)
{
    for (const AfterCase& C : TickAfterCases) {
        SCOPED_TRACE(C.Why);
        EXPECT_EQ(TickAfter(C.A, C.B), C.After);
    }
}

namespace {
DWORD FixedTick()
{
    return 1000;
}
} // namespace

TEST(Funcs, TickPassedReadsTheSystemCounter)
{
    const TickSource Old = SetTickSource(FixedTick);
    EXPECT_TRUE(TickPassed(999));
    EXPECT_FALSE(TickPassed(1001));
    SetTickSource(Old);
}

// ---- tokens ----------------------------------------------------------------

struct TokenCase {
    int N;
    const char* S;
    const char* Delims;
    const char* Token;
    int Start;
    int End;
    const char* Why;
};
const TokenCase TokenCases[] = {
    {2, "a,,b", ",", "b", 4, 5, "a run of delimiters is one split"},
    {1, ",,a", ",", "a", 3, 4, "leading delimiters are skipped"},
    {3, "a b c", " ", "c", 5, 6, "the last token runs to the end"},
    {1, " ab ", " ", "ab", 2, 4, "end is exclusive"},
    {4, "a b c", " ", "", 6, 6, "no such token: both past the text"},
    {2, "a, ", ", ", "", 4, 4, "trailing delimiters hold no token"},
    {0, "a b", " ", "", 1, 1, "N < 1: nothing happens"},
    {1, "", " ", "", 1, 1, "empty text: nothing happens"},
};

TEST(Funcs, ExtractTokenPos)
{
    for (const TokenCase& C : TokenCases) {
        SCOPED_TRACE(C.Why);
        int Start = -1, End = -1;
        EXPECT_EQ(ExtractTokenPos(C.N, C.S, C.Delims, Start, End), C.Token);
        EXPECT_EQ(Start, C.Start);
        EXPECT_EQ(End, C.End);
        EXPECT_EQ(ExtractToken(C.N, C.S, C.Delims), C.Token);
    }
}

TEST(Funcs, TokenExPosFindsAMatchFromTheNthToken)
{
    const AnsiString S = "x Foo y foo";
    int Start = 0, End = 0;
    TokenExPos(1, 1, S, "FOO", " ", Start, End);
    EXPECT_EQ(Start, 3);
    EXPECT_EQ(End, 6);
    TokenExPos(3, 1, S, "FOO", " ", Start, End);  // from the third token on
    EXPECT_EQ(Start, 9);
    EXPECT_EQ(End, 12);
    TokenExPos(1, 1, "Цена ЦЕНА"_a, "цена"_a, " ", Start, End);  // Cyrillic ignores case too
    EXPECT_EQ(Start, 1);
    TokenExPos(1, 1, S, "bar", " ", Start, End);
    EXPECT_EQ(Start, S.Length() + 1);
    EXPECT_EQ(End, S.Length() + 1);
}

TEST(Funcs, TokenExPosStartsAtStart)
{
    int Start = 0, End = 0;
    TokenExPos(1, 3, "ab cd", "", " ", Start, End);
    EXPECT_EQ(Start, 4);
    EXPECT_EQ(End, 6);
    TokenExPos(1, 9, "ab cd", "", " ", Start, End);  // past the text: left at Start
    EXPECT_EQ(Start, 9);
    EXPECT_EQ(End, 9);
}

TEST(Funcs, TokenExPosRejectsEmptyDelimiters)
{
    const NoLogScope NoLog;
    int Start = 0, End = 0;
    ExpectRaises<EAppException>([&] { TokenExPos(1, 1, "a b", "", "", Start, End); },
                                "TokenExPos: Empty Delimiters");
}

// ---- "|" fields ------------------------------------------------------------

struct PipeCase {
    const char* S;
    int N;
    bool Result;
    const char* Field;
    const char* Why;
};
const PipeCase PipeCases[] = {
    {"Name|12|", 2, true, "12", "a field ended by a single bar"},
    {"Name|12|", 3, false, "Name", "no field after the final bar: the first one"},
    {"a||b|c", 1, true, "a|b", "a doubled bar is a literal bar"},
    {"a||b|c", 2, true, "c", "the field after an escaped pair"},
    {"a|  |c", 2, true, "a", "a blank field gives the first one, but it existed"},
    {"|body", 2, true, "body", "an empty first field"},
    {"x", 1, true, "x", "short text: itself, true for N = 1"},
    {"x", 2, false, "x", "short text: itself, false otherwise"},
    {"a|b", 0, false, "a|b", "N = 0: the text itself"},
    {"a|b", -1, false, "a", "a negative N names no field"},
};

TEST(Funcs, GetPipeField)
{
    for (const PipeCase& C : PipeCases) {
        SCOPED_TRACE(C.Why);
        AnsiString Field = "unchanged";
        EXPECT_EQ(GetPipeField(C.S, Field, C.N), C.Result);
        EXPECT_EQ(Field, C.Field);
    }
}

struct PartCase {
    const char* S;
    const char* Title;
    const char* Body;
    const char* Why;
};
const PartCase PartCases[] = {
    {"Ошибка|Файл не найден", "Ошибка", "Файл не найден", "title and body"},
    {"A|B|C", "A", "B|C", "the body keeps its own bars"},
    {"Только текст", "", "Только текст", "no bar: no title"},
    {"a||b", "a|b", "", "only an escaped bar: all title"},
};

TEST(Funcs, ExtractPipePart)
{
    for (const PartCase& C : PartCases) {
        SCOPED_TRACE(C.Why);
        const AnsiString S = AnsiString::FromUtf8(C.S);
        EXPECT_EQ(ExtractPipePart(S, true), AnsiString::FromUtf8(C.Title));
        EXPECT_EQ(ExtractPipePart(S, false), AnsiString::FromUtf8(C.Body));
    }
}

// ---- ini string lists ------------------------------------------------------

TEST(Funcs, IniStringsRoundTrip)
{
    TIniFile Ini("");
    TStringList Lines;
    Lines.Add("first");
    Lines.Add(" spaced \"quoted\" ");
    Lines.Add("Поставщик"_a);
    SaveIniStrings(Ini, "List", Lines, 2);
    EXPECT_EQ(Ini.ReadString("List", "Count", ""), "3");
    EXPECT_EQ(Ini.ReadString("List", "Index", ""), "2");
    EXPECT_EQ(Ini.ReadString("List", "S1", ""), "\" spaced \"quoted\" \"");

    TStringList Back;
    Back.Add("old line");
    int Index = -1;
    RestIniStrings(Ini, "List", &Back, Index);
    EXPECT_EQ(LinesOf(Back), LinesOf(Lines));
    EXPECT_EQ(Index, 2);
}

TEST(Funcs, SaveIniStringsErasesTheSectionFirst)
{
    TIniFile Ini("");
    Ini.WriteString("List", "S7", "stale");
    TStringList Lines;
    Lines.Add("one");
    SaveIniStrings(Ini, "List", Lines, 0);
    EXPECT_EQ(Ini.ReadString("List", "S7", "gone"), "gone");
}

TEST(Funcs, RestIniStringsOfAMissingSection)
{
    TIniFile Ini("");
    TStringList Lines;
    Lines.Add("old");
    int Index = 5;
    RestIniStrings(Ini, "Nothing", &Lines, Index);
    EXPECT_EQ(Lines.Count(), 0);
    EXPECT_EQ(Index, 0);
}

TEST(Funcs, RestIniStringsBoundsADamagedCount)
{
    TIniFile Ini("");
    Ini.WriteString("List", "Count", "2000000000");
    Ini.WriteString("List", "S0", "\"a\"");
    TStringList Lines;
    int Index = 0;
    RestIniStrings(Ini, "List", &Lines, Index);
    // Never more lines than the section has entries (Count and S0 here).
    EXPECT_LE(Lines.Count(), 2);
    ASSERT_GE(Lines.Count(), 1);
    EXPECT_EQ(Lines.Strings(0), "a");
}

TEST(Funcs, RestIniStringsNeedsAList)
{
    const NoLogScope NoLog;
    TIniFile Ini("");
    int Index = 0;
    ExpectRaises<EAppException>([&] { RestIniStrings(Ini, "List", nullptr, Index); },
                                "RestIniStrings");
}

// ---- class tests -----------------------------------------------------------

TEST(Funcs, ClassInArr)
{
    const TClass Memory = ClassOf<TMemoryStream>();
    EXPECT_EQ(ClassInArr(Memory, {ClassOf<TStringList>(), ClassOf<TStream>()}), 1);
    EXPECT_EQ(ClassInArr(Memory, {nullptr, ClassOf<TMemoryStream>()}), 1);
    EXPECT_EQ(ClassInArr(Memory, {ClassOf<TStringList>()}), -1);
    EXPECT_EQ(ClassInArr(Memory, {}), -1);
    EXPECT_EQ(ClassInArr(ClassOf<TStream>(), {ClassOf<TMemoryStream>()}), -1);
}

TEST(Funcs, TypeInArrTestsObjectsByTheirClass)
{
    TStringList List;
    TMemoryStream Stream;
    const TClass Memory = ClassOf<TMemoryStream>();
    EXPECT_EQ(TypeInArr(Memory, {&List, &Stream}), 1);
    EXPECT_EQ(TypeInArr(Memory, {static_cast<TObject*>(nullptr),
                                 TVarRec::FromClass(ClassOf<TStream>())}),
              1);
    EXPECT_EQ(TypeInArr(Memory, {&List}), -1);
}

TEST(Funcs, TypeInArrRejectsOtherEntries)
{
    const NoLogScope NoLog;
    ExpectRaises<EAppException>(
        [] { (void)TypeInArr(ClassOf<TStream>(), {1}); },
        "TypeInArr: Параметр не является объектом или классом"_a);
}

// ---- folders and files -----------------------------------------------------

struct NameCase {
    const char* In;
    const char* Out;
    const char* Why;
};
const NameCase NoExtCases[] = {
    {"/a/b/c.txt", "c", "folder and extension dropped"},
    {"x.tar.gz", "x.tar", "cut before the last point"},
    {"/a/b.c/d", "d", "a point in a folder is no extension"},
    {"noext", "noext", "no point: unchanged"},
};

TEST(Funcs, ExtractFileNameNoExt)
{
    for (const NameCase& C : NoExtCases) {
        SCOPED_TRACE(C.Why);
        EXPECT_EQ(ExtractFileNameNoExt(C.In), C.Out);
    }
}

TEST(Funcs, BackslashRoutines)
{
    setenv("PRICETAGS_TEST_DIR", "/srv/shop", 1);
    const NameCase Include[] = {
        {" /tmp ", "/tmp/", "trimmed, delimiter added"},
        {"/tmp/", "/tmp/", "one delimiter is enough"},
        {"", "", "empty stays empty"},
        {"%PRICETAGS_TEST_DIR%/TXT", "/srv/shop/TXT/", "environment references expanded"},
    };
    for (const NameCase& C : Include) {
        SCOPED_TRACE(C.Why);
        EXPECT_EQ(IncludeBackslash(C.In), C.Out);
    }
    const NameCase Exclude[] = {
        {"/a/b/ ", "/a/b", "trimmed, delimiter removed"},
        {"/a//", "/a/", "only one delimiter removed"},
        {"%PRICETAGS_TEST_DIR%/", "/srv/shop", "expanded first"},
    };
    for (const NameCase& C : Exclude) {
        SCOPED_TRACE(C.Why);
        EXPECT_EQ(ExcludeBackslash(C.In), C.Out);
    }
    EXPECT_EQ(ExpandEnvStr("%PRICETAGS_NO_SUCH_VAR%"), "%PRICETAGS_NO_SUCH_VAR%");
    unsetenv("PRICETAGS_TEST_DIR");
}

TEST(Funcs, ProgramFolders)
{
    EXPECT_EQ(GetExeName(), ExtractFileNameNoExt(ParamStr(0)));
    EXPECT_EQ(GetExeDir(), ExtractFilePath(ParamStr(0)));
    const AnsiString Start = GetStartDir();
    ASSERT_FALSE(Start.IsEmpty());
    EXPECT_EQ(Start[Start.Length()], '/');
}

TEST(Funcs, EnsureDirMakesTheMissingParents)
{
    TempDir Tmp;
    const AnsiString Deep = Tmp.File("a/b/c");
    EnsureDir(Deep);
    EXPECT_TRUE(DirExists(Deep));
    EnsureDir(Deep);  // existing: nothing to do
    EXPECT_TRUE(DirExists(Deep));

    const CurrentDirScope Here(Tmp.Path());
    EnsureDir("rel/sub");  // relative to the current folder
    EXPECT_TRUE(DirExists(Tmp.File("rel/sub")));
    ForceDirs(Tmp.File("x/y/"));  // a trailing delimiter is dropped
    EXPECT_TRUE(DirExists(Tmp.File("x/y")));
}

TEST(Funcs, ForceDirsNeedsAName)
{
    try {
        ForceDirs("");
        ADD_FAILURE() << "nothing raised";
    } catch (const Exception& E) {
        EXPECT_STREQ(E.ClassName(), "Exception");
        EXPECT_EQ(E.Message, "Unable to create directory");
    }
}

TEST(Funcs, DeleteFilesByMask)
{
    TempDir Tmp;
    for (const char* Name : {"a.txt", "b.TXT", ".hidden.txt", "c.log", "ro.txt"})
        WriteBytes(Tmp.Path() / Name, "x");
    ASSERT_EQ(FileSetAttr(Tmp.File("ro.txt"), faReadOnly), 0);

    // A read-only file stays without ClearAttributes, and says so.
    EXPECT_FALSE(DeleteFilesByMask(Tmp.File("ro.*"), false));
    EXPECT_TRUE(FileExists(Tmp.File("ro.txt")));

    EXPECT_TRUE(DeleteFilesByMask(Tmp.File("*.txt"), true));
    for (const char* Name : {"a.txt", "b.TXT", ".hidden.txt", "ro.txt"})
        EXPECT_FALSE(FileExists(Tmp.File(Name))) << Name;
    EXPECT_TRUE(FileExists(Tmp.File("c.log")));

    EXPECT_TRUE(DeleteFilesByMask(Tmp.File("*.none"), true));  // nothing matched
}

// ---- strings ---------------------------------------------------------------

struct PosCase {
    const char* Sub;
    const char* S;
    int From;
    int Pos;
    const char* Why;
};
const PosCase PosFromCases[] = {
    {"b", "abcb", 3, 4, "at or after From"},
    {"b", "abcb", 0, 2, "From below 1 counts as 1"},
    {"b", "abcb", 5, 0, "From past the text"},
    {"", "abc", 1, 0, "empty Sub"},
    {"a", "", 1, 0, "empty S"},
    {"abc", "ab", 1, 0, "Sub longer than S"},
};

TEST(Funcs, PosFrom)
{
    for (const PosCase& C : PosFromCases) {
        SCOPED_TRACE(C.Why);
        EXPECT_EQ(PosFrom(C.Sub, C.S, C.From), C.Pos);
    }
    EXPECT_EQ(PosOf("c", "abc"), 3);
    EXPECT_EQ(LastPosOf("aa", "aaa"), 2);  // overlapping hits count
    EXPECT_EQ(LastPosOf("x", "abc"), 0);
    EXPECT_EQ(PosNoCase("ёж"_a, "ЕЛКА ЁЖ"_a), 6);
    EXPECT_EQ(UpperStr("ёлка"_a), "ЁЛКА"_a);
}

TEST(Funcs, EditRoutines)
{
    EXPECT_EQ(RepeatStr("ab", 3), "ababab");
    EXPECT_EQ(RepeatStr("ab", 0), "");
    EXPECT_EQ(ReplaceAll("aaa", "a", "aa"), "aaaaaa");  // inserted text not searched
    EXPECT_EQ(ReplaceAll("abc", "", "x"), "abc");       // empty Old: no change
    EXPECT_EQ(ReplaceAll("Abab", "ab", "-"), "Ab-");    // case-sensitive
    EXPECT_EQ(DeleteChars("-.", "1-2.3"), "123");
    AnsiString S = "a-b c";
    ReplaceChars("_- ", S);
    EXPECT_EQ(S, "a_b_c");
    EXPECT_EQ(CountChars("аб"_a, "баобаб"_a), 5);
    EXPECT_TRUE(IsBlank(" \t\r\n"));
    EXPECT_TRUE(IsBlank(""));
    EXPECT_FALSE(IsBlank(" a "));
    EXPECT_TRUE(IsDigit('7'));
    EXPECT_FALSE(IsDigit('a'));
}

struct UnescapeCase {
    const char* In;
    const char* Out;
    const char* Why;
};
const UnescapeCase UnescapeCases[] = {
    {"a\\nb", "a\r\nb", "a lone backslash-n"},
    {"a\\\\nb", "a\\\\nb", "after another backslash it stays"},
    {"\\n\\n", "\r\n\r\n", "two in a row"},
    {"\\", "\\", "a trailing backslash"},
};

TEST(Funcs, UnescapeNewLines)
{
    for (const UnescapeCase& C : UnescapeCases) {
        SCOPED_TRACE(C.Why);
        EXPECT_EQ(UnescapeNewLines(C.In), C.Out);
    }
}

struct SplitCase {
    const char* S;
    const char* Delims;
    bool Keep;
    bool Join;
    std::vector<AnsiString> Lines;
    const char* Why;
};

TEST(Funcs, SplitStr)
{
    const SplitCase Cases[] = {
        {"a,b,,c", ",", false, false, {"a", "b", "c"}, "delimiters only split"},
        {"a, b", ", ", true, false, {"a", ", ", "b"}, "runs of both kinds are items"},
        {"a b c", " ", true, true, {"a ", "b ", "c"}, "a run of delimiters joins the last line"},
        {"  a b", " ", true, true, {"  a b"}, "a leading run takes the words that follow"},
        {"", " ", true, false, {}, "empty text: no items"},
    };
    for (const SplitCase& C : Cases) {
        SCOPED_TRACE(C.Why);
        TStringList Lines;
        SplitStr(Lines, C.S, C.Delims, C.Keep, C.Join);
        EXPECT_EQ(LinesOf(Lines), C.Lines);
    }
}

TEST(Funcs, SplitStrAddsToTheLinesItHas)
{
    TStringList Lines;
    Lines.Add("old");
    SplitStr(Lines, "x y", " ", false, false);
    EXPECT_EQ(LinesOf(Lines), (std::vector<AnsiString>{"old", "x", "y"}));
}

TEST(Funcs, StrToListKeepsEveryByteInOrder)
{
    const auto List = StrToList("[Цена] руб."_a, " []", true, false);
    EXPECT_EQ(LinesOf(*List), (std::vector<AnsiString>{"[", "Цена"_a, "] ", "руб."_a}));
}

TEST(Funcs, ArgsToStr)
{
    const RussianSettingsScope Ru;
    const AnsiString Text = "txt";
    const Variant Missing = Null();
    const Variant Empty;
    EXPECT_EQ(ArgsToStr({1, true, 'x', 2.5, Text, nullptr, Currency(3)}, ""),
              "1 .T. x 2,5 txt Ptr= nil 3");
    EXPECT_EQ(ArgsToStr({false, Missing, Empty}, "; "), ".F.; NullVariant; EmptyVariant");
    EXPECT_EQ(ArgToStr(Missing, "<null>"), "<null>");
    TStringList List;
    EXPECT_EQ(ArgToStr(&List, ""), "Obj= " + PtrToHex(&List));
    EXPECT_EQ(ArgToStr(static_cast<TObject*>(nullptr), ""), "Obj= null");
    EXPECT_EQ(ArgToStr(TVarRec::FromClass(ClassOf<TStream>()), ""),
              "Class= " + PtrToHex(ClassOf<TStream>()));
}

TEST(Funcs, PtrToHex)
{
    EXPECT_EQ(PtrToHex(nullptr), "00000000");
    EXPECT_EQ(PtrToHex(reinterpret_cast<const void*>(0xABCD)), "0000ABCD");
}

// ---- Variants --------------------------------------------------------------

struct XStrCase {
    Variant V;
    const char* Text;
    const char* Why;
};

TEST(Funcs, XStr)
{
    const RussianSettingsScope Ru;
    const XStrCase Cases[] = {
        {Variant(), "EmptyVariant", "empty"},
        {Null(), "NillVariant", "null, spelled as the program always has"},
        {Variant(Integer(42)), "42", "integer"},
        {Variant(Int64(-5000000000LL)), "-5000000000", "int64"},
        {Variant(2.5), "2,5", "double with the decimal separator"},
        {Variant(Currency::FromRaw(15000)), "1,5", "Currency as a number"},
        {Variant(TDateTime(EncodeDate(2024, 3, 5))), "05.03.2024", "date as date text"},
        {Variant("Текст"_a), "Текст", "string as it is"},
        {Variant(true), "True", "Boolean"},
    };
    for (const XStrCase& C : Cases) {
        SCOPED_TRACE(C.Why);
        EXPECT_EQ(xStr(C.V), AnsiString::FromUtf8(C.Text));
    }
}

TEST(Funcs, XStrRejectsOtherTypes)
{
    const Variant Bad[] = {Variant::Error(2042), VarArrayCreate({1, 2}, varVariant)};
    for (const Variant& V : Bad)
        ExpectRaises<EConvertError>([&] { (void)xStr(V); },
                                    "xStr: Ошибка преобразования в строку"_a);
}

struct KindCase {
    Variant A;
    Variant B;
    bool Same;
    const char* Why;
};

TEST(Funcs, IsSameVarKind)
{
    const KindCase Cases[] = {
        {Variant(Integer(1)), Variant(Byte(2)), true, "integer types are one kind"},
        {Variant(2.5), Variant(Currency(1)), true, "double and Currency are one kind"},
        {Variant(Integer(1)), Variant(2.5), false, "integer and double differ"},
        {Variant("a"), Variant("b"), true, "same type"},
        {Variant("1"), Variant(Integer(1)), false, "string and integer differ"},
    };
    for (const KindCase& C : Cases) {
        SCOPED_TRACE(C.Why);
        EXPECT_EQ(IsSameVarKind(C.A, C.B), C.Same);
    }
}

TEST(Funcs, MaxMinIIf)
{
    EXPECT_EQ(Max(Variant(Integer(3)), Variant(Byte(7))).AsInteger(), 7);
    EXPECT_EQ(Min(Variant(Integer(3)), Variant(Byte(7))).AsInteger(), 3);
    EXPECT_EQ(Max(Variant("abc"), Variant("abd")).AsString(), "abd");
    ExpectRaises<EConvertError>([] { (void)Max(Variant(Integer(1)), Variant("1")); },
                                "Max(): Разные типы переменных"_a);
    ExpectRaises<EConvertError>([] { (void)Min(Variant(1.5), Variant("1")); },
                                "Min(): Разные типы переменных"_a);
    EXPECT_EQ(IIf(true, Variant("yes"), Variant("no")).AsString(), "yes");
    EXPECT_EQ(IIf(false, Variant("yes"), Variant("no")).AsString(), "no");
}

struct KeyCase {
    int Value;
    bool Null;
};
const KeyCase KeyCases[] = {
    {-17, false}, // below the reserved range
    {-16, true},  // lowest reserved value
    {0, true},    // the undefined item's key
    {1, false},   // a real key
};

TEST(Funcs, IsNullKey)
{
    for (const KeyCase& C : KeyCases) {
        SCOPED_TRACE(C.Value);
        EXPECT_EQ(IsNullKey(C.Value), C.Null);
        EXPECT_EQ(IsValidKey(C.Value), !C.Null);
    }
}

// Item names: cleaning with TrimName, splitting into name and goods type by
// packing mode, goods-group codes, and the detection the analysis asks.

#include "app/InvoicePackedName.h"

#include "common/base/Funcs.h"
#include "platform/classes/Strings.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

struct TrimCase {
    const char* In;
    const char* Out;
};

const TrimCase TrimCases[] = {
    {"  Холодильник  ", "Холодильник"},          // blanks at the ends
    {"\"Пылесос ABC\"", "Пылесос ABC"},          // enclosing double quotes
    {"\"'Чайник'\"", "Чайник"},                  // pairs stripped one after another
    {"(A) and (B)", "(A) and (B)"},              // the bracket opens again: no pair
    {"((A))", "((A))"},                          // nested brackets count as opening again
    {"\"A\"B\"", "\"A\"B\""},                    // the quote comes again before the end
    {"{Утюг}", "Утюг"},                          // curly brackets
    {"/Утюг/", "Утюг"},                          // slashes close with themselves
    {"\\Утюг\\", "Утюг"},                        // so do backslashes
    {"[Чайник],", "[Чайник]"},                   // no pair at the ends; the comma goes
    {"- Чайник -", "Чайник"},                    // edge punctuation and blanks
    {"*Плита: ", "Плита"},                       // leading and trailing set members
    {"A-B", "A-B"},                              // punctuation inside stays
    {"...", "..."},                              // nothing left: returned unchanged
    {" ... ", " ... "},                          // unchanged means not even trimmed
    {"\"\"", "\"\""},                            // an empty pair leaves nothing either
    {"", ""},                                    // empty stays empty
    {"   ", ""},                                 // all blank gives empty
    {"\r\nЧайник\r\n", "Чайник"},                // line breaks at the ends are blanks
};

TEST(TrimName, CleansNames)
{
    // A name given to be spent (moved in) is cleaned the same.
    for (const TrimCase& C : TrimCases) {
        SCOPED_TRACE(C.In);
        const AnsiString In = AnsiString::FromUtf8(C.In);
        EXPECT_EQ(TrimName(In), AnsiString::FromUtf8(C.Out));
        EXPECT_EQ(TrimName(AnsiString(In)), AnsiString::FromUtf8(C.Out));
    }
}

struct ParseCase {
    Byte Mode;
    const char* Text;
    const char* Name;
    const char* Type;
};

const ParseCase ParseCases[] = {
    // Type after the last line break.
    {PackedAfterLineBreak, "Холодильник\r\nNRB 110 ", "Холодильник", "NRB 110"},
    {PackedAfterLineBreak, "Холодильник\nNRB 110", "Холодильник", "NRB 110"},
    {PackedAfterLineBreak, "Холодильник\n\rNRB 110", "Холодильник", "NRB 110"},  // LF CR
    {PackedAfterLineBreak, "A\r\nB\r\nC", "A\r\nB", "C"},  // the last break splits
    {PackedAfterLineBreak, "Холодильник\r\n  ", "Холодильник", ""},  // trailing break only
    {PackedAfterLineBreak, "Холодильник NRB", "Холодильник NRB", ""},  // no break
    // Type in the brackets at the end.
    {PackedInBrackets, "NRB 110 (Холодильник).", "NRB 110", "Холодильник"},
    {PackedInBrackets, "A (b) (c)", "A (b)", "c"},           // the last pair
    {PackedInBrackets, "A (b (c))", "A", "b (c)"},           // nesting is matched
    {PackedInBrackets, "Утюг [Бытовой] ;\r\n", "Утюг", "Бытовой"},  // trailing ignored
    {PackedInBrackets, "A (b", "A (b", ""},                  // no closing bracket at the end
    {PackedInBrackets, "A b)", "A b)", ""},                  // no opening bracket
    {PackedInBrackets, "A (b]", "A (b]", ""},                // brackets of two kinds
    // No packing: the whole text is the name.
    {PackedNone, "\"Чайник\"", "Чайник", ""},
    {PackedNone, "Холодильник\r\nNRB 110", "Холодильник\r\nNRB 110", ""},
    // Goods-group codes.
    {PackedNone, "МБТ, Пылесос ABC", "Пылесос ABC", ""},     // the comma goes with it
    {PackedNone, "ABC-КБТС", "ABC-КБТС", ""},                // minus joins words
    {PackedNone, "Плита КБТС", "Плита", ""},                 // the longer code first
    {PackedNone, "Пылесос (МБТ)", "Пылесос", ""},            // brackets go with it
    {PackedNone, "мбт пылесос", "пылесос", ""},              // any case
    {PackedNone, "Пылесос МБТпр/ВСТ", "Пылесос ВСТ", ""},    // one code at most
    {PackedInBrackets, "Утюг (МБТ ВСТ)", "Утюг", "ВСТ"},     // in the type too
    {PackedNone, "Плита;КБТ", "Плита", ""},                  // last word, after a separator
    {PackedNone, "ВСТроенный ВСТ", "ВСТроенный", ""},        // a longer word is no code
    {PackedNone, "AМБТ Утюг", "AМБТ Утюг", ""},              // nor one glued to a word
};

TEST(InvoicePackedName, ParseSplitsByMode)
{
    TInvoicePackedName Splitter;
    for (const ParseCase& C : ParseCases) {
        SCOPED_TRACE(C.Text);
        Splitter.Mode = C.Mode;
        const AnsiString Text = AnsiString::FromUtf8(C.Text);
        Splitter.Parse(Text);
        EXPECT_EQ(Splitter.NamePart, AnsiString::FromUtf8(C.Name));
        EXPECT_EQ(Splitter.TypePart, AnsiString::FromUtf8(C.Type));
        // A text given to be spent (moved in) is split the same.
        Splitter.Parse(AnsiString(Text));
        EXPECT_EQ(Splitter.NamePart, AnsiString::FromUtf8(C.Name));
        EXPECT_EQ(Splitter.TypePart, AnsiString::FromUtf8(C.Type));
    }
}

TEST(InvoicePackedName, ParseClearsTheLastResult)
{
    TInvoicePackedName Splitter;
    Splitter.Mode = PackedInBrackets;
    Splitter.Parse("A (b)");
    EXPECT_EQ(Splitter.TypePart, "b");
    Splitter.Parse("C");
    EXPECT_EQ(Splitter.NamePart, "C");
    EXPECT_EQ(Splitter.TypePart, "");
}

TEST(InvoicePackedName, UnknownModeRaises)
{
    TInvoicePackedName Splitter;
    Splitter.Mode = 3;
    ExpectRaises<EAppException>([&] { Splitter.Parse("A"); }, "!!!");
}

TEST(InvoicePackedName, GroupCodesInTheirOrder)
{
    const TInvoicePackedName Splitter;
    ASSERT_EQ(Splitter.GroupCodes->Count(), 7);
    const char* const Codes[] = {"КБТС", "КБТ", "МБТпр", "МБТС", "МБТ", "ТВА", "ВСТ"};
    for (int I = 0; I < 7; ++I)
        EXPECT_EQ(Splitter.GroupCodes->Strings(I), AnsiString::FromUtf8(Codes[I]));
}

struct DetectCase {
    const char* Text;
    bool Bracket;
    bool LineBreak;
};

const DetectCase DetectCases[] = {
    {"Холодильник\r\nNRB 110", false, true},
    {"NRB 110 (Холодильник)", true, false},
    {"NRB 110\r\n(Холодильник)", true, true},  // both at once
    {"Холодильник NRB 110\r\n", false, false},  // a trailing break carries nothing
    {"Холодильник (NRB) 110", false, false},    // brackets not at the end
    {"", false, false},
};

TEST(InvoicePackedName, DetectFindsEitherPart)
{
    const TInvoicePackedName Splitter;
    for (const DetectCase& C : DetectCases) {
        SCOPED_TRACE(C.Text);
        bool Bracket = !C.Bracket;
        bool LineBreak = !C.LineBreak;
        EXPECT_EQ(Splitter.Detect(AnsiString::FromUtf8(C.Text), Bracket, LineBreak),
                  C.Bracket || C.LineBreak);
        EXPECT_EQ(Bracket, C.Bracket);
        EXPECT_EQ(LineBreak, C.LineBreak);
    }
}

}  // namespace

#include "platform/forms/MaskUtils.h"

#include "tests/support/SettingsScope.h"

#include <gtest/gtest.h>

namespace {

struct LayoutCase {
    const char* Mask;
    const char* EmptyEditText;
    bool SaveLiterals;
    char Blank;
};
const LayoutCase LayoutCases[] = {
    {"", "", true, '_'},                          // no mask: no positions
    {"000", "___", true, '_'},                    // digits with the default blank
    {"!99/99/9999;1; ", "  .  .    ", true, ' '}, // the date edit's mask, Russian separator
    {"!99/99/9999;1;", "__.__.____", true, '_'},  // empty blank field: the default blank
    {"00:00;0;*", "**:**", false, '*'},           // time separator, literals not saved
    {"(000)_000-0000;1;_", "(___) ___-____", true, '_'}, // '_' is a blank literal
    {"\\/\\:9", "/:_", true, '_'},                // escaped separators stay themselves
    {">LL<ll", "____", true, '_'},                // case directives take no position
    {"a\\;b;0", "_;b", false, '_'},               // an escaped field separator is a literal
};

TEST(MaskLayout, ParsesPositionsAndFields)
{
    const RussianSettingsScope Ru;
    for (const LayoutCase& C : LayoutCases) {
        SCOPED_TRACE(C.Mask);
        const MaskLayout M(C.Mask);
        EXPECT_EQ(M.EmptyEditText(), C.EmptyEditText);
        EXPECT_EQ(M.SaveLiterals(), C.SaveLiterals);
        EXPECT_EQ(M.Blank(), C.Blank);
    }
}

TEST(MaskLayout, SeparatorsFollowTheLocale)
{
    const EnglishSettingsScope En;
    EXPECT_EQ(MaskLayout("99/99/9999").EmptyEditText(), "__/__/____");
    EXPECT_EQ(MaskLayout("99:99").EmptyEditText(), "__:__");
}

// Keys: printable characters are typed, '<' is Backspace, '>' is Delete,
// '^' moves the caret to the start. A refused key counts in Refused.
struct TypingCase {
    const char* Mask;
    const char* Keys;
    const char* EditText;
    const char* Text;
    int Caret;
    int Refused;
};
const TypingCase TypingCases[] = {
    // the date edit's mask in the Russian locale
    {"!99/99/9999;1; ", "31122024", "31.12.2024", "31.12.2024", 10, 0},
    {"!99/99/9999;1; ", "3112", "31.12.    ", "31.12.    ", 6, 0},
    {"!99/99/9999;1; ", "3.", "3 .  .    ", "3 .  .    ", 1, 1},   // '.' is no digit here
    {"!99/99/9999;1; ", "31.12.", "31.12.    ", "31.12.    ", 6, 0}, // typed literals taken
    {"(000)", "(1", "(1__)", "(1  )", 2, 0},                  // literal at the caret stepped over
    {"!99/99/9999;1; ", "31a12", "31.12.    ", "31.12.    ", 6, 1}, // letter refused
    {"!99/99/9999;1; ", "311220245", "31.12.2024", "31.12.2024", 10, 1}, // past the end
    {"!99/99/9999;1; ", "3112<<", "31.  .    ", "31.  .    ", 3, 0},   // backspace skips the literal
    {"!99/99/9999;1; ", "3112^>", " 1.12.    ", " 1.12.    ", 0, 0},  // delete blanks in place
    {"!99/99/9999;1; ", "^<", "  .  .    ", "  .  .    ", 0, 1},    // nothing before the caret
    // digits, signs, letters
    {"000;0;_", "12", "12_", "12 ", 2, 0},
    {"#99;0;_", "-5x", "-5_", "-5 ", 2, 1},
    {">LL", "ab", "AB", "AB", 2, 0},
    {"<LL", "АБ", "аб", "аб", 2, 0},                // Cyrillic letters are letters
    {"LL", "1a", "a_", "a ", 1, 1},
    {"AA", "-1", "1_", "1 ", 1, 1},
    {"cc", " x", " x", " x", 2, 0},                 // any character, a space included
    // literals not saved, '!' puts the blanks first
    {"!999;0;_", "12", "12_", " 12", 2, 0},
    {"(000)_000;0;_", "123456", "(123) 456", "123456", 9, 0},
    {"(000)_000;1;_", "123", "(123) ___", "(123)    ", 6, 0},
};

TEST(MaskEditState, TypedKeysGiveEditTextAndText)
{
    const RussianSettingsScope Ru;
    for (const TypingCase& C : TypingCases) {
        SCOPED_TRACE(std::string(C.Mask) + " / " + C.Keys);
        const MaskLayout M(AnsiString::FromUtf8(C.Mask));
        MaskEditState S{M.EmptyEditText()};
        int Refused = 0;
        const AnsiString Keys = AnsiString::FromUtf8(C.Keys);
        for (int I = 1; I <= Keys.Length(); ++I) {
            bool Taken = true;
            switch (Keys[I]) {
            case '<': Taken = MaskBackspace(M, S); break;
            case '>': Taken = MaskDelete(M, S); break;
            case '^': S.SelStart = 0; break;
            default:  Taken = MaskTypeChar(M, S, Keys[I]); break;
            }
            Refused += Taken ? 0 : 1;
        }
        EXPECT_EQ(S.EditText, AnsiString::FromUtf8(C.EditText));
        EXPECT_EQ(M.TextOf(S.EditText), AnsiString::FromUtf8(C.Text));
        EXPECT_EQ(S.SelStart, C.Caret);
        EXPECT_EQ(Refused, C.Refused);
    }
}

TEST(MaskEditState, TypingOverASelectionBlanksItFirst)
{
    const RussianSettingsScope Ru;
    const MaskLayout M("!99/99/9999;1; ");
    MaskEditState S{"31.12.2024", 0, 5};
    EXPECT_TRUE(MaskTypeChar(M, S, '0'));
    EXPECT_EQ(S.EditText, "0 .  .2024");
    EXPECT_EQ(S.SelStart, 1);
    EXPECT_EQ(S.SelLength, 0);
}

TEST(MaskEditState, ARefusedKeyKeepsTheSelection)
{
    const MaskLayout M("000");
    MaskEditState S{"123", 0, 3};
    EXPECT_FALSE(MaskTypeChar(M, S, 'x'));
    EXPECT_EQ(S.EditText, "123");
    EXPECT_EQ(S.SelLength, 3);
}

TEST(MaskEditState, PasteStopsAtTheFirstRefusedCharacter)
{
    const MaskLayout M("0000");
    MaskEditState S{M.EmptyEditText()};
    EXPECT_TRUE(MaskPaste(M, S, "12x4"));
    EXPECT_EQ(S.EditText, "12__");
    EXPECT_EQ(S.SelStart, 2);
}

struct FormatCase {
    const char* Mask;
    const char* Value;
    const char* EditText;
    const char* Text;
};
const FormatCase FormatCases[] = {
    {"", "free text", "free text", "free text"},                 // unmasked: unchanged
    {"!99/99/9999;1; ", "01.02.2024", "01.02.2024", "01.02.2024"}, // a date as the edit shows it
    {"!99/99/9999;1; ", "", "  .  .    ", "  .  .    "},           // no date
    {"!99/99/9999;1;_", "1.2", "1_.__.____", "1 .  .    "},        // position by position
    {"000-0000;0;_", "5551234", "555-1234", "5551234"},          // value without literals
    {"!000;0;_", "12", "_12", " 12"},                             // '!' aligns to the right
    {"000;1;_", "1x3", "1_3", "1 3"},                             // a refused character stays blank
    {">LLL", "abc", "ABC", "ABC"},                                // case conversion on the way in
};

TEST(MaskLayout, FormatsValuesAndReadsThemBack)
{
    const RussianSettingsScope Ru;
    for (const FormatCase& C : FormatCases) {
        SCOPED_TRACE(std::string(C.Mask) + " / " + C.Value);
        EXPECT_EQ(FormatMaskText(C.Mask, C.Value), C.EditText);
        const MaskLayout M(C.Mask);
        EXPECT_EQ(M.TextOf(M.EditTextOf(C.Value)), C.Text);
    }
}

struct CompleteCase {
    const char* Mask;
    const char* EditText;
    int FirstMissing; // -1: complete
};
const CompleteCase CompleteCases[] = {
    {"00/00", "12/34", -1},   // every required digit typed
    {"00/00", "12/3_", 4},    // the last one missing
    {"99/99", "__/__", -1},   // optional digits may stay blank
    {"L0", "_1", 0},          // a missing required letter
    {"", "anything", -1},     // unmasked text is always complete
};

TEST(MaskLayout, RequiredPositionsMustBeFilled)
{
    for (const CompleteCase& C : CompleteCases) {
        SCOPED_TRACE(std::string(C.Mask) + " / " + C.EditText);
        int Missing = 0;
        const MaskLayout M(C.Mask);
        EXPECT_EQ(M.IsComplete(C.EditText, Missing), C.FirstMissing < 0);
        EXPECT_EQ(Missing, C.FirstMissing);
    }
}

TEST(MaskLayout, BlankEditText)
{
    const RussianSettingsScope Ru;
    const MaskLayout M("!99/99/9999;1; ");
    EXPECT_TRUE(M.IsBlank("  .  .    "));
    EXPECT_FALSE(M.IsBlank(" 1.  .    "));
}

} // namespace

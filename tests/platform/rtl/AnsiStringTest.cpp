#include "platform/rtl/AnsiString.h"

#include <gtest/gtest.h>

TEST(AnsiString, LiteralIsCp1251)
{
    // "Ёж" is 0xA8 0xE6 in CP1251.
    EXPECT_EQ("Ёж"_a.Std(), std::string("\xA8\xE6"));
    EXPECT_EQ("Ёж"_a.ToUtf8(), "Ёж");
    EXPECT_EQ(AnsiString::FromUtf8("Цена №5"), "Цена №5"_a);
    EXPECT_STREQ("до 1"_c, "\xE4\xEE 1");
}

TEST(AnsiString, EveryByteRoundTripsThroughUtf8)
{
    std::string All;
    for (int I = 1; I < 256; ++I)
        All += static_cast<char>(I);
    const AnsiString S(All);
    EXPECT_EQ(AnsiString::FromUtf8(S.ToUtf8()), S);
}

TEST(AnsiString, PositionsAreOneBased)
{
    const AnsiString S = "Накладная"_a;
    EXPECT_EQ(S[1], "Н"_a[1]);
    EXPECT_EQ(S.Pos("кл"_a), 3);
    EXPECT_EQ(S.Pos("zz"), 0);
    EXPECT_EQ(S.Pos(""), 0);
    EXPECT_EQ(S.SubString(3, 2), "кл"_a);
    EXPECT_EQ(S.SubString(0, 2), "На"_a);   // index below 1 counts from 1
    EXPECT_EQ(S.SubString(8, 10), "ая"_a);  // cut at the end
    EXPECT_EQ(S.SubString(20, 1), "");
    EXPECT_EQ(AnsiString("abc", 2), "ab");
    EXPECT_EQ(AnsiString("abc", -1), "");   // a negative length is empty
}

TEST(AnsiString, CharactersOutsideTheCodePageBecomeQuestionMarks)
{
    EXPECT_EQ(AnsiString::FromUtf8("a\xE4\xB8\xAD" "b"), "a?b");   // a CJK character
    EXPECT_EQ(AnsiString::FromUtf8("a\xC3" "b"), "a?b");          // cut sequence
}

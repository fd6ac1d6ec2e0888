// Text shortening, command-line texts, string and file helpers, and the
// engraved glyphs of disabled buttons.

#include "common/components/FileUtil.h"
#include "common/components/MaxMin.h"
#include "common/components/VCLUtils.h"
#include "common/components/ylConst.h"
#include "common/components/ylStrUtils.h"

#include "tests/common/components/ComponentsTestKit.h"

#include "platform/rtl/Files.h"

#include <gtest/gtest.h>

using namespace components_test;

TEST(VCLUtils, ShortenTextToWidth)
{
    TBitmap Bmp;
    Bmp.SetSize(10, 10);
    TCanvas* C = Bmp.Canvas();
    C->Font()->SetName("Arial");
    C->Font()->SetHeight(-12);
    const int Whole = C->TextWidth("ABCDEF");
    const int OneCut = C->TextWidth("ABCD...");
    ASSERT_LT(OneCut, Whole) << "dots are narrower than letters in this font";
    EXPECT_EQ(ShortenTextToWidth("ABCDEF", C, Whole), "ABCDEF") << "fits as it is";
    EXPECT_EQ(ShortenTextToWidth("ABCDEF", C, OneCut), "ABCD...") << "the first cut drops two";
    EXPECT_EQ(ShortenTextToWidth("ABCDEF", C, OneCut - 1), "ABC...");
    EXPECT_EQ(ShortenTextToWidth("ABCDEF", C, 1), "...") << "nothing fits";
    EXPECT_EQ(ShortenTextToWidth("", C, 0), "");
}

TEST(VCLUtils, CommandTexts)
{
    AnsiString Program, Params;
    SplitCommandText("\"C:\\Program Files\\a.exe\" word \"two words\"", Program, Params);
    EXPECT_EQ(Program, "C:\\Program Files\\a.exe");
    EXPECT_EQ(Params, "word \"two words\"");
    SplitCommandText("   ", Program, Params);
    EXPECT_EQ(Program, "");
    EXPECT_EQ(Params, "");
    EXPECT_EQ(CountCommandParams("a \"\" b"), 2) << "a lone empty pair is no parameter";
    EXPECT_EQ(CommandParam("a b c", 2), "c");
    EXPECT_EQ(CommandParam("a b c", 3), "");

    // A path of 300 characters comes back whole.
    const AnsiString Long = "\"/" + AnsiString(std::string(298, 'x')) + "\" rest";
    EXPECT_EQ(CommandParam(Long, 0).Length(), 299);
    EXPECT_EQ(CommandParam(Long, 1), "rest");
}

TEST(ylStrUtils, SetsReplacingAndRepeating)
{
    EXPECT_TRUE(ConsistsOf("", TCharSet::Of("ab")));
    EXPECT_TRUE(ConsistsOf("abba", TCharSet::Of("ab")));
    EXPECT_FALSE(ConsistsOf("abc", TCharSet::Of("ab")));
    EXPECT_TRUE(ConsistsOf("ёЁ"_a, TCharSet::Of("Ёё"_a))) << "CP1251 letters above 127";
    EXPECT_EQ(ReplaceAll("aaa", "a", "aa"), "aaaaaa") << "replaced parts are not scanned again";
    EXPECT_EQ(ReplaceAll("abc", "", "x"), "abc");
    EXPECT_EQ(ReplaceAll("a.b.c", ".", ""), "abc");
    EXPECT_EQ(RepeatChar('-', 3), "---");
    EXPECT_EQ(RepeatChar('-', 0), "");
    EXPECT_EQ(MaxOf(-1, 2), 2);
    EXPECT_EQ(MinOf(-1, 2), -1);
}

TEST(FileUtil, NamesAndFolders)
{
    TempDir Dir;
    EXPECT_TRUE(FolderExists(AnsiString::FromUtf8(Dir.Path().string())));
    EXPECT_FALSE(FolderExists(Dir.File("missing")));
    EXPECT_FALSE(IsValidFileName(""));
    for (const char* Bad : {"a<b", "a>b", "a\"b", "a[b", "a]b", "a|b"})
        EXPECT_FALSE(IsValidFileName(Bad)) << Bad;
    EXPECT_TRUE(IsValidFileName("/tmp/Накладная 1.xls"_a));
    const std::string LongName(200, 'n');
    WriteBytes(Dir.Path() / LongName, "x");
    const AnsiString Full = Dir.File(LongName);
    ASSERT_GT(Full.Length(), 200);
    EXPECT_EQ(LongFileNameOf(Full), AnsiString(LongName));
    EXPECT_EQ(ShortFileNameOf(Full), AnsiString(LongName));
    EXPECT_EQ(LongFileNameOf(Dir.File("none")), "");
}

TEST(VCLUtils, DisabledBitmapIsEngraved)
{
    TBitmap Glyph;
    Glyph.SetSize(8, 8);
    Glyph.Canvas()->Brush()->SetColor(clFuchsia);
    Glyph.Canvas()->FillRect({0, 0, 8, 8});
    Glyph.Canvas()->Brush()->SetColor(clNavy);
    Glyph.Canvas()->FillRect({2, 2, 5, 5});
    Glyph.Canvas()->Brush()->SetColor(clWhite);
    Glyph.Canvas()->FillRect({6, 6, 7, 7});
    auto Dis = MakeButtonDisabledBitmap(&Glyph, clFuchsia);
    ASSERT_EQ(Dis->Width(), 8);
    EXPECT_EQ(PixelOf(*Dis, 0, 0), Rgb(clBtnFace)) << "the background becomes the face";
    EXPECT_EQ(PixelOf(*Dis, 2, 2), Rgb(clBtnShadow)) << "dark shapes are engraved";
    EXPECT_EQ(PixelOf(*Dis, 5, 5), Rgb(clBtnHighlight)) << "with a highlight below and right";
    EXPECT_EQ(PixelOf(*Dis, 6, 6), Rgb(clBtnFace)) << "light pixels vanish";
}

TEST(ylConst, RegistersTheTwoHandCursors)
{
    ylConstInitialization();
    EXPECT_NE(Screen->Cursors(crHandCursor), Screen->Cursors(crDefault));
    EXPECT_NE(Screen->Cursors(crDragCursor), Screen->Cursors(crDefault));
}

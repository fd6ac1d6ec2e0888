// Fonts, text metrics and the DrawText engine, in a pinned font (Arial,
// which the program draws with Liberation Sans). The expectations are
// relations between measured widths, not the original system's pixels.

#include "platform/winapi/DeviceContexts.h"
#include "platform/forms/Graphics.h"
#include "platform/winapi/SystemMetrics.h"
#include "platform/winapi/Windows.h"
#include "platform/rtl/Files.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

class DrawTextTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Bitmap.SetSize(300, 120);
        Canvas = Bitmap.Canvas();
        Canvas->Font()->SetName("Arial");
        Canvas->Font()->SetHeight(-13);
        Canvas->Brush()->SetColor(clWhite);
        Canvas->FillRect(Rect(0, 0, 300, 120));
        Canvas->Brush()->SetStyle(bsClear);
        DC = Canvas->Handle();
        TEXTMETRIC TM;
        GetTextMetrics(DC, TM);
        LineHeight = TM.tmHeight;
    }

    int Width(const char* Text)
    {
        TSize S;
        GetTextExtentPoint32(DC, Text, -1, S);
        return S.cx;
    }

    TRect Calc(const char* Text, UINT Format, int MaxWidth = 1000)
    {
        TRect R = Rect(10, 10, 10 + MaxWidth, 110);
        DrawText(DC, Text, -1, R, Format | DT_CALCRECT);
        return R;
    }

    // Leftmost and rightmost columns with ink between rows Top and Bottom.
    std::pair<int, int> InkColumns(int Top = 0, int Bottom = 120)
    {
        int L = -1, R = -1;
        for (int X = 0; X < Bitmap.Width(); ++X)
            for (int Y = Top; Y < Bottom; ++Y)
                if (Canvas->Pixels(X, Y) != clWhite) {
                    if (L < 0)
                        L = X;
                    R = X;
                    break;
                }
        return {L, R};
    }

    std::pair<int, int> InkRows()
    {
        int T = -1, B = -1;
        for (int Y = 0; Y < Bitmap.Height(); ++Y)
            for (int X = 0; X < Bitmap.Width(); ++X)
                if (Canvas->Pixels(X, Y) != clWhite) {
                    if (T < 0)
                        T = Y;
                    B = Y;
                    break;
                }
        return {T, B};
    }

    TBitmap Bitmap;
    TCanvas* Canvas = nullptr;
    HDC DC = nullptr;
    int LineHeight = 0;
};

}  // namespace

TEST_F(DrawTextTest, CalcRectMeasuresLinesAndPrefixes)
{
    ASSERT_GT(LineHeight, 10);
    struct Case {
        const char* Text;
        UINT Format;
        const char* Widest;  // the line whose width the rectangle gets
        int Lines;
    } Cases[] = {
        {"Hello", DT_SINGLELINE, "Hello", 1},                       // one line
        {"&File", DT_SINGLELINE, "File", 1},                        // the prefix is not drawn
        {"&File", DT_SINGLELINE | DT_NOPREFIX, "&File", 1},         // unless asked not to
        {"A&&B", 0, "A&B", 1},                                      // a doubled "&" is one
        {"ab\r\nlonger\ncd", 0, "longer", 3},                       // CR LF and LF break lines
        {"ab\r\nlonger\ncd", DT_SINGLELINE, "ablongercd", 1},        // not on a single line
        {"\xD0\xF3\xF1\xF1\xEA\xE8\xE9", 0, "\xD0\xF3\xF1\xF1\xEA\xE8\xE9", 1},  // CP1251 text
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Text);
        const TRect R = Calc(C.Text, C.Format);
        EXPECT_EQ(R.Left, 10);
        EXPECT_EQ(R.Top, 10);
        EXPECT_EQ(R.Width(), Width(C.Widest));
        EXPECT_EQ(R.Height(), C.Lines * LineHeight);
    }
}

TEST_F(DrawTextTest, WordBreakFillsLinesWithWholeWords)
{
    const int TwoWords = Width("one two");
    struct Case {
        const char* Text;
        int MaxWidth;
        UINT Extra;
        int Lines;
        int ResultWidth;
    } Cases[] = {
        {"one two three", TwoWords, 0, 2, TwoWords},               // breaks after "two"
        {"one two three", TwoWords - 1, 0, 3, Width("three")},      // one word a line
        {"one   two", Width("one"), 0, 2, Width("one")},            // blanks at a break vanish
        {"unbreakable", 20, 0, 1, Width("unbreakable")},            // a long word stays whole
        {"unbreakable", 20, DT_EDITCONTROL, -1, -1},                // an edit control cuts it
        {"a\nb c", 1000, 0, 2, Width("b c")},                       // line breaks still count
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Text);
        SCOPED_TRACE(C.MaxWidth);
        const TRect R = Calc(C.Text, DT_WORDBREAK | C.Extra, C.MaxWidth);
        if (C.Lines < 0) {
            EXPECT_GT(R.Height(), LineHeight);
            EXPECT_LE(R.Width(), 20);
            continue;
        }
        EXPECT_EQ(R.Height(), C.Lines * LineHeight);
        EXPECT_EQ(R.Width(), C.ResultWidth);
    }
}

TEST_F(DrawTextTest, EllipsesKeepTheTextInsideTheWidth)
{
    const int Max = Width("C:\\Program Files") ;
    {
        const TRect R = Calc("A long caption that does not fit", DT_SINGLELINE | DT_END_ELLIPSIS, Max);
        EXPECT_LE(R.Width(), Max);
        EXPECT_GT(R.Width(), Width("..."));
    }
    {
        const char* Path = "C:\\Program Files\\Shop\\Templates\\price.dcr";
        const TRect R = Calc(Path, DT_SINGLELINE | DT_PATH_ELLIPSIS, Max);
        EXPECT_LE(R.Width(), Max);
        EXPECT_GE(R.Width(), Width("...\\price.dcr"));
    }
    {
        // Text that fits is left alone.
        const TRect R = Calc("short", DT_SINGLELINE | DT_END_ELLIPSIS, Max);
        EXPECT_EQ(R.Width(), Width("short"));
    }
    // Drawn, nothing passes the right edge.
    TRect R = Rect(10, 10, 10 + Max, 40);
    DrawText(DC, "A long caption that does not fit", -1, R, DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOCLIP);
    EXPECT_LT(InkColumns().second, 10 + Max);
}

TEST_F(DrawTextTest, AlignmentPlacesTheText)
{
    const int W = Width("Middle");
    struct Case {
        UINT Format;
        int ExpectedLeft;
    } Cases[] = {
        {DT_LEFT, 10},
        {DT_RIGHT, 210 - W},
        {DT_CENTER, 10 + (200 - W) / 2},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Format);
        SetUp();
        TRect R = Rect(10, 10, 210, 40);
        DrawText(DC, "Middle", -1, R, C.Format | DT_SINGLELINE);
        const auto [L, Right] = InkColumns();
        // Glyphs sit inside their advance: ink starts within two pixels of it.
        EXPECT_GE(L, C.ExpectedLeft);
        EXPECT_LE(L, C.ExpectedLeft + 2);
        EXPECT_LE(Right, C.ExpectedLeft + W);
    }
}

TEST_F(DrawTextTest, VerticalCentringActsOnSingleLines)
{
    TRect R = Rect(10, 0, 200, 100);
    const int Result = DrawText(DC, "Centre", -1, R, DT_SINGLELINE | DT_VCENTER);
    const int Top = (100 - LineHeight) / 2;
    EXPECT_EQ(Result, Top + LineHeight);
    const auto [InkTop, InkBottom] = InkRows();
    EXPECT_GE(InkTop, Top);
    EXPECT_LE(InkBottom, Top + LineHeight);
    SetUp();
    R = Rect(10, 0, 200, 100);
    EXPECT_EQ(DrawText(DC, "Bottom", -1, R, DT_SINGLELINE | DT_BOTTOM), 100);
    EXPECT_GE(InkRows().first, 100 - LineHeight);
}

TEST_F(DrawTextTest, ClipsToTheRectangleUnlessNoClip)
{
    TRect R = Rect(10, 10, 30, 40);
    DrawText(DC, "Wide text here", -1, R, DT_SINGLELINE);
    EXPECT_LT(InkColumns().second, 30);
    SetUp();
    R = Rect(10, 10, 30, 40);
    DrawText(DC, "Wide text here", -1, R, DT_SINGLELINE | DT_NOCLIP);
    EXPECT_GT(InkColumns().second, 30);
}

TEST_F(DrawTextTest, PrefixUnderlinesItsCharacter)
{
    // Letters without descenders, so that only the underline goes lower.
    TRect R = Rect(10, 10, 200, 40);
    DrawText(DC, "Edit", -1, R, DT_SINGLELINE);
    const int PlainBottom = InkRows().second;
    const auto PlainColumns = InkColumns();
    SetUp();
    R = Rect(10, 10, 200, 40);
    DrawText(DC, "&Edit", -1, R, DT_SINGLELINE);
    EXPECT_GT(InkRows().second, PlainBottom);
    // Only the first letter is underlined.
    EXPECT_LE(InkColumns(PlainBottom + 1, 120).second, 10 + Width("E"));
    EXPECT_EQ(InkColumns(0, PlainBottom + 1), PlainColumns);
}

TEST_F(DrawTextTest, TabsExpandToStopsOfEightAverageCharacters)
{
    TEXTMETRIC TM;
    GetTextMetrics(DC, TM);
    const TRect R = Calc("a\tb", DT_EXPANDTABS);
    EXPECT_EQ(R.Width(), 8 * TM.tmAveCharWidth + Width("b"));
}

TEST_F(DrawTextTest, EmptyTextHasNoSize)
{
    TRect R = Rect(5, 5, 100, 100);
    EXPECT_EQ(DrawText(DC, "", -1, R, DT_CALCRECT), 0);
    EXPECT_EQ(R, Rect(5, 5, 5, 5));
}

// ---- fonts ------------------------------------------------------------------------------

TEST_F(DrawTextTest, PartialExtentsAndCharacterWidthsAgreeWithTheWholeExtent)
{
    const AnsiString Text = "Цена 12,50"_a;
    std::vector<int> Dx(static_cast<size_t>(Text.Length()));
    int Fit = -1;
    TSize Whole;
    ASSERT_TRUE(GetTextExtentExPoint(DC, Text.c_str(), Text.Length(), 1000, &Fit, Dx.data(), Whole));
    EXPECT_EQ(Fit, Text.Length());
    EXPECT_EQ(Dx.back(), Whole.cx);
    EXPECT_TRUE(std::is_sorted(Dx.begin(), Dx.end()));
    EXPECT_EQ(Whole.cx, Width(Text.c_str()));
    // Only the characters whose extent stays within the limit fit.
    ASSERT_TRUE(GetTextExtentExPoint(DC, Text.c_str(), Text.Length(), Dx[3], &Fit, nullptr, Whole));
    EXPECT_EQ(Fit, 4);
    ASSERT_TRUE(GetTextExtentExPoint(DC, Text.c_str(), Text.Length(), 0, &Fit, nullptr, Whole));
    EXPECT_EQ(Fit, 0);
    // Without kerning the advances of the characters add up to the extent.
    int Sum = 0;
    for (int I = 1; I <= Text.Length(); ++I) {
        int W = 0;
        const UINT C = static_cast<unsigned char>(Text[I]);
        ASSERT_TRUE(GetCharWidth(DC, C, C, &W));
        Sum += W;
    }
    EXPECT_EQ(Sum, Whole.cx);
    int Widths[2] = {};
    ASSERT_TRUE(GetCharWidth(DC, 'i', 'j', Widths));
    int Wide = 0;
    GetCharWidth(DC, 'W', 'W', &Wide);
    EXPECT_GT(Wide, Widths[0]);
    EXPECT_FALSE(GetCharWidth(DC, 'b', 'a', Widths));
    EXPECT_FALSE(GetCharWidth(DC, 0xF0, 0x100, Widths));
}

// Widths of 8-bit texts are kept by their bytes per font: the same bytes in
// another font, a prefix of a text measured before, and the UTF-16 form of
// the text each give their own width.
TEST_F(DrawTextTest, ByteExtentsFollowTheSelectedFontAndTheWholeText)
{
    const AnsiString Text = "Сыр российский, арт. 17"_a;
    const std::u16string Wide = u"Сыр российский, арт. 17";
    TSize Before;
    ASSERT_TRUE(GetTextExtentPoint32(DC, Text.c_str(), Text.Length(), Before));
    TSize WideSize;
    ASSERT_TRUE(GetTextExtentPoint32W(DC, Wide.c_str(), static_cast<int>(Wide.size()), WideSize));
    EXPECT_EQ(Before.cx, WideSize.cx);
    EXPECT_EQ(Before.cy, WideSize.cy);
    // A prefix is a text of its own, not the longer one found by its start.
    TSize Prefix;
    ASSERT_TRUE(GetTextExtentPoint32(DC, Text.c_str(), 3, Prefix));
    EXPECT_LT(Prefix.cx, Before.cx);
    EXPECT_EQ(Prefix.cx, Width("Сыр"_a.c_str()));

    Canvas->Font()->SetStyle(TFontStyles{fsBold});
    Canvas->Font()->SetHeight(-26);
    DC = Canvas->Handle();
    Canvas->TextExtent(AnsiString());  // selects the font
    TSize Bold;
    ASSERT_TRUE(GetTextExtentPoint32(DC, Text.c_str(), Text.Length(), Bold));
    EXPECT_GT(Bold.cx, Before.cx);
    EXPECT_GT(Bold.cy, Before.cy);
    ASSERT_TRUE(GetTextExtentPoint32W(DC, Wide.c_str(), static_cast<int>(Wide.size()), WideSize));
    EXPECT_EQ(Bold.cx, WideSize.cx);

    TSize Empty{5, 5};
    ASSERT_TRUE(GetTextExtentPoint32(DC, "", 0, Empty));
    EXPECT_EQ(Empty.cx, 0);
    EXPECT_FALSE(GetTextExtentPoint32(nullptr, "x", 1, Empty));
}

TEST_F(DrawTextTest, ExtTextOutAIsExtTextOut)
{
    const AnsiString Text = "Итого"_a;
    ExtTextOutA(DC, 10, 10, 0, nullptr, Text.c_str(), Text.Length());
    TBitmap Other;
    Other.SetSize(300, 120);
    TCanvas* C = Other.Canvas();
    C->Font()->Assign(Canvas->Font());
    C->Brush()->SetColor(clWhite);
    C->FillRect(Rect(0, 0, 300, 120));
    C->Brush()->SetStyle(bsClear);
    ExtTextOut(C->Handle(), 10, 10, 0, nullptr, Text.c_str(), Text.Length());
    int Inked = 0;
    for (int Y = 0; Y < 40; ++Y)
        for (int X = 0; X < 80; ++X) {
            ASSERT_EQ(Canvas->Pixels(X, Y), C->Pixels(X, Y));
            Inked += Canvas->Pixels(X, Y) != clWhite;
        }
    EXPECT_GT(Inked, 20);
}

// Drawing keeps the glyphs of texts it has laid out and draws them again;
// what it keeps must follow the font, the advances and the escapement, not
// only the text.
TEST_F(DrawTextTest, RepeatedTextFollowsItsFontAdvancesAndEscapement)
{
    const AnsiString Text = "Цена 123"_a;
    struct FontCase {
        const char* Name;
        int Height;
        int Weight;
        bool Underline;
    };
    const FontCase Fonts[] = {
        {"regular", -13, FW_NORMAL, false},
        {"bold", -13, FW_BOLD, false},   // same size, wider glyphs
        {"large", -24, FW_NORMAL, false},  // same face, other size
        {"underlined", -13, FW_NORMAL, true},  // the bar is part of the text
        {"regular again", -13, FW_NORMAL, false},
    };
    SetBkMode(DC, TRANSPARENT);
    for (const FontCase& F : Fonts) {
        SCOPED_TRACE(F.Name);
        Canvas->Brush()->SetStyle(bsSolid);
        Canvas->FillRect(Rect(0, 0, 300, 120));
        LOGFONT LF;
        LF.lfHeight = F.Height;
        LF.lfWeight = F.Weight;
        LF.lfUnderline = F.Underline;
        LF.lfFaceName = "Arial";
        HGDIOBJ Old = SelectObject(DC, CreateFontIndirect(LF));
        TSize Extent;
        GetTextExtentPoint32(DC, Text.c_str(), Text.Length(), Extent);
        ExtTextOut(DC, 10, 10, 0, nullptr, Text.c_str(), Text.Length());
        const auto [L, R] = InkColumns();
        EXPECT_NEAR(R - L + 1, Extent.cx, 3);
        // An underline is one row of ink across the whole text.
        int Longest = 0;
        for (int Y = 10; Y < 10 + Extent.cy + 2; ++Y) {
            int Run = 0;
            for (int X = 10; X < 10 + Extent.cx; ++X)
                Run = Canvas->Pixels(X, Y) != clWhite ? Run + 1 : 0, Longest = std::max(Longest, Run);
        }
        if (F.Underline)
            EXPECT_GE(Longest, Extent.cx - 1);
        else
            EXPECT_LT(Longest, Extent.cx / 2);
        DeleteObject(SelectObject(DC, Old));
    }

    // The same characters at advances of their own: each stands alone at its
    // place, however the text was drawn before.
    Canvas->Brush()->SetStyle(bsSolid);
    Canvas->FillRect(Rect(0, 0, 300, 120));
    ExtTextOut(DC, 10, 10, 0, nullptr, "HHH", 3);
    Canvas->FillRect(Rect(0, 0, 300, 120));
    const int Dx[] = {40, 40, 40};
    ExtTextOut(DC, 10, 10, 0, nullptr, "HHH", 3, Dx);
    for (int I = 0; I < 3; ++I) {
        SCOPED_TRACE(I);
        const int X = 10 + 40 * I;
        EXPECT_GE(InkColumns(0, 40).first, 0);
        bool Glyph = false, Gap = false;
        for (int Y = 10; Y < 30; ++Y) {
            for (int C = X; C < X + 12; ++C)
                Glyph |= Canvas->Pixels(C, Y) != clWhite;
            for (int C = X + 14; C < X + 40; ++C)
                Gap |= Canvas->Pixels(C, Y) != clWhite;
        }
        EXPECT_TRUE(Glyph);
        EXPECT_FALSE(Gap);
    }

    // Turned a quarter to the left, the text runs upwards from its point.
    Canvas->FillRect(Rect(0, 0, 300, 120));
    LOGFONT Up;
    Up.lfHeight = -13;
    Up.lfEscapement = 900;
    Up.lfFaceName = "Arial";
    HGDIOBJ Old = SelectObject(DC, CreateFontIndirect(Up));
    ExtTextOut(DC, 20, 110, 0, nullptr, Text.c_str(), Text.Length());
    DeleteObject(SelectObject(DC, Old));
    const auto [Left, Right] = InkColumns();
    const auto [Top, Bottom] = InkRows();
    EXPECT_LT(Right - Left, 20);
    EXPECT_GT(Bottom - Top, 40);
    EXPECT_LE(Bottom, 110);
}

// ---- plain text ---------------------------------------------------------------------------

namespace {

/// The characters of the code page that stand alone (its soft hyphen and
/// control characters do not), the rest of Latin-1 and the Cyrillic block.
std::u16string PlainCharacters()
{
    std::u16string Chars;
    for (char16_t C = 0x20; C < 0x7F; ++C)
        Chars += C;
    for (char16_t C = 0xA0; C < 0x100; ++C)
        if (C != 0xAD)
            Chars += C;
    for (char16_t C = 0x400; C < 0x460; ++C)
        Chars += C;
    // Ґ ґ and the code page's punctuation.
    Chars += u"\u0490\u0491\u2013\u2014\u2018\u2019\u201A\u201C\u201D\u201E\u2020\u2021\u2022\u2026"
             u"\u2030\u2039\u203A\u20AC\u2116\u2122";
    return Chars;
}

/// Draws Text black on white at (4, 4) on Bitmap and returns its extent.
TSize DrawLine(TBitmap& Bitmap, const std::u16string& Text)
{
    TCanvas* C = Bitmap.Canvas();
    C->Brush()->SetColor(clWhite);
    C->FillRect(Rect(0, 0, Bitmap.Width(), Bitmap.Height()));
    HDC DC = C->Handle();
    SetBkMode(DC, TRANSPARENT);
    SetTextColor(DC, RGB(0, 0, 0));
    const int Count = static_cast<int>(Text.size());
    ExtTextOutW(DC, 4, 4, 0, nullptr, Text.data(), Count);
    TSize Extent;
    GetTextExtentPoint32W(DC, Text.data(), Count, Extent);
    return Extent;
}

bool SamePixels(TBitmap& A, TBitmap& B)
{
    const size_t Row = static_cast<size_t>(A.Width()) * 4;
    for (int Y = 0; Y < A.Height(); ++Y)
        if (std::memcmp(A.ScanLine(Y), B.ScanLine(Y), Row) != 0)
            return false;
    return true;
}

}  // namespace

// Text of plain characters is laid out without shaping; it must come out as
// shaped text does, pixel for pixel and in width, for every pair of
// characters, in every face the program maps to (DejaVu Sans, which joins
// "fi" into one glyph, among them).
TEST(PlainText, DrawsAndMeasuresAsShapedText)
{
    struct FontCase {
        const char* Face;
        int Height;
        int Weight;
        bool Italic;
        Byte Quality;
    };
    const FontCase Fonts[] = {
        {"MS Sans Serif", -11, FW_NORMAL, false, DEFAULT_QUALITY},  // the windows' font
        {"Arial", -13, FW_BOLD, false, DEFAULT_QUALITY},
        {"Arial", -12, FW_NORMAL, true, DEFAULT_QUALITY},
        {"Arial", -13, FW_NORMAL, false, NONANTIALIASED_QUALITY},  // as monochrome devices draw
        {"Times New Roman", -13, FW_NORMAL, false, DEFAULT_QUALITY},
        {"Courier New", -13, FW_NORMAL, false, DEFAULT_QUALITY},
        {"Arial Narrow", -13, FW_NORMAL, false, DEFAULT_QUALITY},
        {"Lucida Console", -12, FW_NORMAL, false, DEFAULT_QUALITY},
        {"Tahoma", -13, FW_NORMAL, false, DEFAULT_QUALITY},
    };
    // Every character before every other and itself: the letters taken one
    // by one, each followed by its pairs with the letters after it, make a
    // text with each pair once; it is drawn in lines of 64 characters that
    // share their ends.
    const std::u16string Chars = PlainCharacters();
    std::u16string Pairs;
    for (size_t I = 0; I < Chars.size(); ++I) {
        Pairs += Chars[I];
        for (size_t J = I + 1; J < Chars.size(); ++J)
            (Pairs += Chars[I]) += Chars[J];
    }
    Pairs += Chars[0];
    std::vector<std::u16string> Lines;
    for (size_t Start = 0; Start + 1 < Pairs.size(); Start += 64)
        Lines.push_back(Pairs.substr(Start, 65));
    // Then text that mixes in characters that need shaping.
    Lines.push_back(u"Ofi\u00ADce fl\u00ADow");  // soft hyphens
    Lines.push_back(u"\u0435\u0301\u0436 e\u0308");  // combining accents
    Lines.push_back(u"\u4E2D\u6587 \u05D0\u05D1 fi");  // other faces, right to left
    TBitmap Shaped, Plain;
    Shaped.SetSize(900, 24);
    Plain.SetSize(900, 24);
    for (const FontCase& F : Fonts) {
        SCOPED_TRACE(F.Face);
        SCOPED_TRACE(F.Height);
        for (TBitmap* B : {&Shaped, &Plain}) {
            LOGFONT LF;
            LF.lfHeight = F.Height;
            LF.lfWeight = F.Weight;
            LF.lfItalic = F.Italic;
            LF.lfQuality = F.Quality;
            LF.lfFaceName = F.Face;
            HFONT H = CreateFontIndirect(LF);
            B->Canvas()->Font()->SetHandle(H);
            DeleteObject(H);
        }
        int Failures = 0;
        for (const std::u16string& Line : Lines) {
            TSize Want;
            {
                const FullTextShapingScope Full;
                Want = DrawLine(Shaped, Line);
            }
            const TSize Got = DrawLine(Plain, Line);
            ASSERT_LE(Want.cx + 8, Shaped.Width());
            ASSERT_LE(Want.cy + 8, Shaped.Height());
            if (Got.cx == Want.cx && Got.cy == Want.cy && SamePixels(Shaped, Plain))
                continue;
            ADD_FAILURE() << "line from U+" << std::hex << int(Line[0]) << " U+" << int(Line[1]) << std::dec
                          << ": width " << Got.cx << ", shaped " << Want.cx;
            if (++Failures == 5)
                break;
        }
    }
}

TEST(Fonts, FacesMapToInstalledFamilies)
{
    struct {
        const char* Face;
        const char* Family;
        bool TrueType;
    } Cases[] = {
        {"Arial", "Liberation Sans", true},
        {"arial", "Liberation Sans", true},  // names ignore case
        {"Times New Roman", "Liberation Serif", true},
        {"Courier New", "Liberation Mono", true},
        {"Courier", "Liberation Mono", false},  // a bitmap face on the original
        {"MS Sans Serif", "Liberation Sans", false},
        {"System", "Liberation Sans", false},
        {"Tahoma", "DejaVu Sans", true},
        {"Verdana", "DejaVu Sans", true},
        {"Lucida Console", "DejaVu Sans Mono", true},
        {"Noto Sans", "Noto Sans", true},  // unknown faces pass through
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Face);
        EXPECT_EQ(MapFontFace(C.Face), C.Family);
        EXPECT_EQ(FaceIsTrueType(C.Face), C.TrueType);
    }
}

// The faces are drawn from the files the set-up installs, whatever other
// package has a family of the same name (fonts-liberation2 has "Liberation
// Sans" too, and the font library would prefer its newer files).
TEST(Fonts, FacesAreDrawnFromTheSetUpFiles)
{
    struct {
        const char* Face;
        bool Bold;
        bool Italic;
        const char* File;
    } Cases[] = {
        {"Arial", false, false, "/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf"},
        {"Arial", true, false, "/usr/share/fonts/truetype/liberation/LiberationSans-Bold.ttf"},
        {"Arial", false, true, "/usr/share/fonts/truetype/liberation/LiberationSans-Italic.ttf"},
        {"Times New Roman", false, false,
         "/usr/share/fonts/truetype/liberation/LiberationSerif-Regular.ttf"},
        {"Courier New", true, false, "/usr/share/fonts/truetype/liberation/LiberationMono-Bold.ttf"},
        {"Arial Narrow", false, false,
         "/usr/share/fonts/truetype/liberation/LiberationSansNarrow-Regular.ttf"},
        {"Tahoma", false, false, "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"},
        {"Lucida Console", false, false, "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf"},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(std::string(C.Face) + (C.Bold ? " bold" : "") + (C.Italic ? " italic" : ""));
        if (!FileExists(C.File)) {
            ADD_FAILURE() << "not installed (scripts/setup.sh installs it): " << C.File;
            continue;
        }
        EXPECT_EQ(FontFileOfFace(C.Face, C.Bold, C.Italic), C.File);
    }
}

TEST(Fonts, EqualDescriptionsShareOneHandle)
{
    TFont A, B;
    A.SetName("Arial");
    B.SetName("Arial");
    EXPECT_EQ(A.Handle(), B.Handle());
    B.SetStyle({fsBold});
    EXPECT_NE(A.Handle(), B.Handle());
    A.Assign(&B);
    EXPECT_EQ(A.Handle(), B.Handle());
    B.SetColor(clRed);  // the colour is not part of the handle
    EXPECT_EQ(A.Handle(), B.Handle());
}

// A description no font uses any more keeps its handle a while, so a
// report that returns to a font finds it; when many are idle they are let
// go, and a font in use keeps its handle and description through that.
TEST(Fonts, FreedDescriptionsAreKeptAWhileAndLiveOnesSurvive)
{
    TFont Live;
    Live.SetName("Arial");
    Live.SetHeight(-17);
    const HFONT LiveHandle = Live.Handle();
    HFONT First = nullptr;
    {
        TFont A;
        A.SetName("Arial");
        A.SetHeight(-40);
        First = A.Handle();
    }
    {
        TFont B;
        B.SetName("Arial");
        B.SetHeight(-40);
        EXPECT_EQ(B.Handle(), First);
    }
    for (int H = 50; H < 150; ++H) {
        TFont F;
        F.SetName("Arial");
        F.SetHeight(-H);
        ASSERT_NE(F.Handle(), nullptr);
    }
    EXPECT_EQ(Live.Handle(), LiveHandle);
    LOGFONT LF;
    ASSERT_TRUE(GetObject(LiveHandle, LF));
    EXPECT_EQ(LF.lfHeight, -17);
    EXPECT_EQ(LF.lfFaceName, "Arial");
}

TEST(Fonts, SizeAndHeightFollowPixelsPerInch)
{
    TFont F;
    EXPECT_EQ(F.Size(), 8);
    EXPECT_EQ(F.Height(), -11);
    F.SetSize(10);
    EXPECT_EQ(F.Height(), -13);
    F.SetHeight(-16);
    EXPECT_EQ(F.Size(), 12);
    int Changes = 0;
    struct Counter {
        int* N;
        void Changed(TObject*) { ++*N; }
    } C {&Changes};
    F.OnChange = TNotifyEvent(&C, &Counter::Changed);
    F.SetHeight(-16);  // no change, no event
    F.SetStyle({fsItalic});
    F.SetColor(clRed);
    EXPECT_EQ(Changes, 2);
}

TEST(Fonts, TextMetricsTellTrueTypeFacesAndCharset)
{
    TBitmap B;
    B.SetSize(4, 4);
    TCanvas* C = B.Canvas();
    TEXTMETRIC TM;
    C->Font()->SetName("Arial");
    GetTextMetrics(C->Handle(), TM);
    EXPECT_TRUE(TM.tmPitchAndFamily & TMPF_TRUETYPE);
    EXPECT_EQ(TM.tmCharSet, RUSSIAN_CHARSET);  // the default charset of a Russian system
    EXPECT_EQ(TM.tmHeight, TM.tmAscent + TM.tmDescent);
    C->Font()->SetName("MS Sans Serif");
    GetTextMetrics(C->Handle(), TM);
    EXPECT_FALSE(TM.tmPitchAndFamily & TMPF_TRUETYPE);
    const int Small = TM.tmHeight;
    C->Font()->SetSize(16);
    GetTextMetrics(C->Handle(), TM);
    EXPECT_GT(TM.tmHeight, Small);
}

TEST(Fonts, PositiveHeightIsTheCellHeight)
{
    TBitmap B;
    B.SetSize(4, 4);
    TCanvas* C = B.Canvas();
    C->Font()->SetName("Arial");
    C->Font()->SetHeight(20);
    TEXTMETRIC TM;
    GetTextMetrics(C->Handle(), TM);
    EXPECT_NEAR(TM.tmHeight, 20, 1);
    C->Font()->SetHeight(-20);
    GetTextMetrics(C->Handle(), TM);
    EXPECT_GT(TM.tmHeight, 20);  // the character height leaves out the leading
}

// ---- colours ------------------------------------------------------------------------------

TEST(Colors, SystemColoursComeFromTheMetrics)
{
    EXPECT_EQ(ColorToRGB(clRed), RGB(255, 0, 0));
    EXPECT_EQ(ColorToRGB(clBtnFace), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(ColorToRGB(clNone), static_cast<COLORREF>(clNone));
    {
        SystemMetricsScope Scope;
        Scope->Colors[COLOR_WINDOW] = RGB(1, 2, 3);
        EXPECT_EQ(ColorToRGB(clWindow), RGB(1, 2, 3));
    }
    EXPECT_EQ(ColorToRGB(clWindow), RGB(255, 255, 255));
}

TEST(Colors, NamesAndNumbers)
{
    struct {
        TColor Color;
        const char* Text;
    } Cases[] = {
        {clRed, "clRed"},
        {clBtnFace, "clBtnFace"},
        {clNone, "clNone"},
        {0x123456, "$00123456"},  // no name: eight hex digits
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Text);
        EXPECT_EQ(ColorToString(C.Color), C.Text);
        EXPECT_EQ(StringToColor(C.Text), C.Color);
    }
    EXPECT_EQ(StringToColor("clwindow"), clWindow);
    EXPECT_EQ(StringToColor("255"), clRed);
    ExpectRaises<EConvertError>([] { (void)StringToColor("clPink"); }, "'clPink' is not a valid integer value");
}

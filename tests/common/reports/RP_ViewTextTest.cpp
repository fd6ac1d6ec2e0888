#include "common/reports/RP_View.h"

#include "common/reports/RP_Document.h"
#include "common/reports/RP_Page.h"

#include "platform/classes/Strings.h"
#include "platform/forms/Graphics.h"
#include "platform/winapi/Windows.h"

#include "tests/common/reports/ReportHost.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace rpt;

namespace {

/// A document building output, with one text element at (0, 0) of the
/// given size: Arial 8 (11 px), frame width 1 and no frame sides.
struct Fixture {
    Fixture(int Width, int Height)
    {
        Doc.UpdatePrnInfo(false);
        Doc.OutputMode = true;
        View = new TView(vkText, &Doc);
        Doc.CurrentPage()->AddView(View);
        View->SetBoundsRect(Rect(0, 0, Width, Height));
        Bitmap.SetSize(300, 300);
    }
    /// Draws Text (lines separated by CR LF) in output mode.
    void Draw(const char* Text)
    {
        View->Lines->SetText(AnsiString::FromUtf8(Text));
        Device.Draws.clear();
        View->Draw(Bitmap.Canvas(), dmOutput);
    }
    /// Height of all lines, from a measuring pass.
    int Measured(const char* Text)
    {
        View->Lines->SetText(AnsiString::FromUtf8(Text));
        Doc.GrowBottom = 0;
        View->Draw(Bitmap.Canvas(), dmMeasure);
        return Doc.GrowBottom - 2;
    }

    FixedTextDevice Device;
    TDocument Doc{nullptr};
    ReportHost Host{Doc};
    TView* View = nullptr;
    TBitmap Bitmap;
};

struct Piece {
    const char* Text;
    int X;
    int Top;
};

void ExpectPieces(const std::vector<Drawn>& Draws, std::initializer_list<Piece> Expected)
{
    ASSERT_EQ(Draws.size(), Expected.size());
    size_t I = 0;
    for (const Piece& P : Expected) {
        SCOPED_TRACE(P.Text);
        EXPECT_EQ(Draws[I].Text, P.Text);
        EXPECT_EQ(Draws[I].Box.Left, P.X);
        EXPECT_EQ(Draws[I].Box.Top, P.Top);
        ++I;
    }
}

}  // namespace

// Pieces and positions of one-element layouts with the fixed metrics: 8 pt
// is 11 px (advance 5, line 13, ascent 11, leading 2 + 1), 10 pt 13 px.
TEST(RP_ViewText, VariablesAreAnsweredAndPiecesShareTheLine)
{
    Fixture F(100, 40);
    F.Host.Values["SUM"] = "12.50";
    F.Draw("Total: [SUM]");
    // Units "Total:" 30, " " 5, "12.50" 25; boxes start above the line by
    // the internal leading.
    ExpectPieces(F.Device.Draws, {{"Total:", 0, -2}, {"12.50", 35, -2}});
    EXPECT_EQ(F.Device.Draws[0].Box.Right, 101) << "the text rectangle grows by 1";

    F.View->SetHorzAlign(1);
    F.Draw("Total: [SUM]");
    EXPECT_EQ(F.Device.Draws[0].Box.Left, 41) << "right: 101 - 60";
    F.View->SetHorzAlign(2);
    F.Draw("Total: [SUM]");
    EXPECT_EQ(F.Device.Draws[0].Box.Left, 20) << "centre: (101 - 60) div 2";
}

TEST(RP_ViewText, Substitution)
{
    struct Case {
        const char* Text;
        std::vector<std::string> Drawn;
        const char* Why;
    } const Cases[] = {
        {"Total: [NONE]", {"Total:", "[NONE]"}, "unanswered: the bracket text stays"},
        {"[A[B]]", {"nested"}, "inner brackets belong to the name"},
        {"x [V]", {"x", "[A]"}, "a value is not scanned again"},
        {"x [A", {"x", "nested"}, "without ] the rest of the line is the name"},
        {"[PAGE]", {"1"}, "built-in variable when the host is silent"},
        {"[BR]", {"a", "b"}, "a value with <BR> makes two lines"},
        {"[CRLF]", {"a", "b"}, "a value with a line break makes two lines"},
        {"[LF]", {"a", "b"}, "a bare line feed breaks the line too"},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Why);
        Fixture F(200, 40);
        F.Host.Values["A[B]"] = "nested";
        F.Host.Values["A"] = "nested";
        F.Host.Values["V"] = "[A]";
        F.Host.Values["BR"] = "a<BR>b";
        F.Host.Values["CRLF"] = "a\r\nb";
        F.Host.Values["LF"] = "a\nb";
        F.Draw(C.Text);
        EXPECT_EQ(F.Device.Texts(), C.Drawn);
    }
    Fixture Design(100, 40);
    Design.Doc.OutputMode = false;
    Design.Draw("[A]");
    EXPECT_EQ(Design.Device.Texts(), std::vector<std::string>{"[A]"})
        << "the designer shows variables as written";
    EXPECT_TRUE(Design.Host.Asked.empty());
}

// "Вписать в размер": a text too wide for its box (or too tall, unless the
// element can grow) is drawn in a smaller type, in proportion and then a
// point at a time, never below 4 points; the element keeps its size. With
// the fixed metrics 8 pt has an advance of 5 and lines of 13, 6 pt 4 and
// 10, 4 pt 2 and 7.
TEST(RP_ViewText, FitToFrameShrinksTheType)
{
    struct Case {
        const char* Text;
        int Height;
        bool Fit;
        bool CanGrow;
        int Size;  // the type drawn
        const char* Why;
    } const Cases[] = {
        {"1234567890", 20, true, false, 8, "ten figures fit: the type stays"},
        {"1234567890123456789012345", 20, false, false, 8, "not fitted: cut at the edge"},
        {"1234567890123456789012345", 20, true, false, 6, "125 wide in 100: 6 pt, 100 wide"},
        {"1 2 3 4 5 6 7 8 9 0 1 2 3 4 5 6 7 8 9 0 1 2 3 4 5 6 7 8 9 0 1 2 3 4 5 6 7 8 9", 20,
         true, false, 4, "far too wide: not below 4 pt"},
        {"a\r\nb\r\nc", 30, true, false, 6, "three lines of 13 in 30: 6 pt, 30 high"},
        {"a\r\nb\r\nc", 30, true, true, 8, "a growing element makes its band taller"},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Why);
        Fixture F(100, C.Height);
        F.View->DrawTextToFrame = C.Fit;
        F.View->SC = C.CanGrow;
        F.Draw(C.Text);
        ASSERT_FALSE(F.Device.Draws.empty());
        for (const Drawn& D : F.Device.Draws)
            EXPECT_EQ(D.Size, C.Size) << D.Text;
        EXPECT_EQ(F.View->FontSize, 8) << "the element keeps its type size";
    }
    // Fitted and centred: 100 wide in 100 (the layout centres in 101).
    Fixture F(100, 20);
    F.View->DrawTextToFrame = true;
    F.View->SetHorzAlign(2);
    F.Host.Values["P"] = "1234567890123456789012345";
    F.Draw("[P]");
    ASSERT_EQ(F.Device.Draws.size(), 1u);
    EXPECT_EQ(F.Device.Draws[0].Box.Left, 0);
    EXPECT_EQ(F.Host.Asked, std::vector<std::string>{"P"}) << "asked once while fitting";
}

TEST(RP_ViewText, WordWrap)
{
    Fixture F(60, 40);
    F.View->SetWordWrap(true);
    F.Draw("aaaa bbbb cccc dddd");
    // "aaaa bbbb " (50) and "cccc dddd" (45) within 61.
    // Blanks take their place but draw nothing.
    ExpectPieces(F.Device.Draws,
                 {{"aaaa", 0, -2}, {"bbbb", 25, -2}, {"cccc", 0, 11}, {"dddd", 25, 11}});
    EXPECT_EQ(F.Measured("aaaa bbbb cccc dddd"), 26);

    F.View->SetHorzAlign(2);
    F.Draw("aaaa bbbb cccc dddd");
    EXPECT_EQ(F.Device.Draws[0].Box.Left, 5);
    EXPECT_EQ(F.Device.Draws[2].Box.Left, 8);

    F.View->SetHorzAlign(0);
    F.View->SetVertAlign(0x80);
    F.Draw("aaaa bbbb cccc dddd");
    EXPECT_EQ(F.Device.Draws[0].Box.Top, 7 - 2) << "centred: (40 - 26) div 2";
    EXPECT_EQ(F.Device.Draws[2].Box.Top, 20 - 2);
    F.View->SetVertAlign(0x88);
    F.Draw("aaaa bbbb cccc dddd");
    EXPECT_EQ(F.Device.Draws[0].Box.Top, 14 - 2) << "bottom: 40 - 26";

    Fixture Narrow(46, 60);
    Narrow.View->SetWordWrap(true);
    Narrow.Draw("aaaa bbbb cccc dddd");
    // The blank that overflows begins the second line.
    ExpectPieces(Narrow.Device.Draws, {{"aaaa", 0, -2}, {"bbbb", 25, -2},
                                       {"cccc", 5, 11}, {"dddd", 0, 24}});

    Fixture Long(14, 20);
    Long.View->SetHorzAlign(1);
    Long.Draw("abcdefgh");
    ExpectPieces(Long.Device.Draws, {{"abcdefgh", 0, -2}});
    EXPECT_EQ(Long.Device.Draws[0].Box.Right, 15) << "a line wider than the box is clipped";
}

TEST(RP_ViewText, TagsChangeTheFontPartWay)
{
    Fixture F(200, 40);
    F.Host.Values["PRICE"] = "125.00";
    F.Draw("<B>Цена</B> [PRICE]");
    // The blank (5) between them is not drawn.
    ExpectPieces(F.Device.Draws, {{"Цена", 0, -2}, {"125.00", 29, -2}});
    EXPECT_TRUE(F.Device.Draws[0].Bold);
    EXPECT_FALSE(F.Device.Draws[1].Bold);

    F.Draw("A<BIG>B");
    // B at 10 pt makes the line; A moves down to B's baseline.
    ExpectPieces(F.Device.Draws, {{"A", 0, 0}, {"B", 5, -2}});
    EXPECT_EQ(F.Device.Draws[1].Size, 10);

    struct Case {
        const char* Text;
        int FontSize;
        std::vector<std::string> Drawn;
        int Size;
        bool Bold;
        const char* Why;
    } const Cases[] = {
        {"<b>x", 8, {"x"}, 8, true, "tags match in any case"},
        {"a<br>b", 8, {"a", "b"}, 8, false, "<br> in any case breaks the line"},
        {"a<b", 8, {"a", "<", "b"}, 8, false, "an unknown tag is text"},
        {"<SMALL>x", 10, {"x"}, 8, false, "10 pt smaller: 8"},
        {"<BIG>x", 8, {"x"}, 10, false, "8 pt bigger: 10"},
        {"<BIG>x", 10, {"x"}, 12, false, "10 pt bigger: 12.5 to the even 12"},
        {"<BIG>x</BIG>y", 8, {"x", "y"}, 8, false, "back to the element's size"},
        {"<SIZE=14>x", 8, {"x"}, 14, false, "size in points"},
        {"<COLOR=Red", 8, {"<", "COLOR=Red"}, 8, false, "a tag without > is text, no hang"},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Why);
        F.View->FontSize = C.FontSize;
        F.Draw(C.Text);
        ASSERT_EQ(F.Device.Texts(), C.Drawn);
        EXPECT_EQ(F.Device.Draws.back().Size, C.Size);
        EXPECT_EQ(F.Device.Draws.back().Bold, C.Bold);
    }
    F.View->FontSize = 8;
    F.Draw("<COLOR=Red>x<COLOR=Foo>y");
    EXPECT_EQ(F.Device.Draws[0].Color, clRed);
    EXPECT_EQ(F.Device.Draws[1].Color, clRed) << "an unknown colour changes nothing";
    F.Draw("<NAME=Times New Roman>x<H2>y<H0>z");
    EXPECT_EQ(F.Device.Texts(), (std::vector<std::string>{"x", "y", "z"}));
    EXPECT_EQ(F.Device.Draws[0].Face, "Times New Roman") << "one unit despite the blanks";
    EXPECT_EQ(F.Device.Draws[1].Face, "Courier New");
    EXPECT_EQ(F.Device.Draws[2].Face, "Arial");

    Fixture Zoom(100, 40);
    Zoom.Doc.SetScale(2);
    Zoom.Draw("<SIZE=abc>x");
    EXPECT_EQ(Zoom.Device.Draws[0].Size, 16) << "not a number: the element's size, scaled";
}

TEST(RP_ViewText, IntervalTags)
{
    Fixture F(100, 60);
    F.Draw("<INTERVAL=7>x<BR>y");
    // Line 1 keeps the font's spacing (the tag is reached while drawing it);
    // line 2: 13 - 1 + 3 - 2 + 4 = 17.
    ExpectPieces(F.Device.Draws, {{"x", 0, 2}, {"y", 0, 15}});
    EXPECT_EQ(F.Measured("<INTERVAL=7>x<BR>y"), 30);

    struct Case {
        const char* Tag;
        int Internal;
        int External;
    } const Cases[] = {
        {"<INTERVAL=MIN>", 1, 0},     {"<INTERVAL=NORM>", -11, -11}, {"<INTERVAL=abc>", -11, -11},
        {"<INTERVAL=-3>", -1, -2},    {"<INTERVAL=7>", 4, 3},        {"<interval=min>", 1, 0},
    };
    TFont Font;
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Tag);
        F.View->IntervalInternal = F.View->IntervalExternal = 99;
        AnsiString Text = C.Tag;
        F.View->ApplyTag(&Font, Text);
        EXPECT_TRUE(Text.IsEmpty());
        EXPECT_EQ(F.View->IntervalInternal, C.Internal);
        EXPECT_EQ(F.View->IntervalExternal, C.External);
    }
}

TEST(RP_ViewText, AlignmentTagsApplyFromTheNextLine)
{
    // The shop's templates rely on this: a line takes the alignment in force
    // when it starts, the first line the state at the end of the text.
    struct Case {
        const char* Text;
        std::vector<int> X;
        const char* Why;
    } const Cases[] = {
        {"<CENTER>Title</CENTER>", {0}, "closed on the same line: not centred"},
        {"<CENTER>Title", {38}, "open to the end: (101 - 25) div 2"},
        {"<CENTER>A<BR>B</CENTER>", {0, 48}, "the second line is centred"},
        {"<RIGHT>A", {96}, "right"},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Why);
        Fixture F(100, 40);
        F.Draw(C.Text);
        ASSERT_EQ(F.Device.Draws.size(), C.X.size());
        for (size_t I = 0; I < C.X.size(); ++I)
            EXPECT_EQ(F.Device.Draws[I].Box.Left, C.X[I]);
    }
}

TEST(RP_ViewText, AlignmentFromAValueDoesNotLeakIntoTheNextElement)
{
    Fixture F(100, 40);
    F.Host.Values["NAME"] = "<CENTER>Сыр";
    F.Draw("[NAME]");
    EXPECT_EQ(F.Device.Draws[0].Box.Left, 43);
    auto* Next = new TView(vkText, &F.Doc);
    F.Doc.CurrentPage()->AddView(Next);
    Next->SetBoundsRect(Rect(0, 0, 100, 40));
    Next->Lines->SetText("Price");
    F.Device.Draws.clear();
    Next->LineAlign = F.View->LineAlign;
    Next->Draw(F.Bitmap.Canvas(), dmOutput);
    EXPECT_EQ(F.Device.Draws[0].Box.Left, 0) << "every element starts unaligned";
}

TEST(RP_ViewText, VerticalText)
{
    Fixture F(40, 100);
    F.View->SetVertical(true);
    struct Case {
        int Align;
        int Y;
    } const Cases[] = {{0, 100}, {1, 15}, {2, 57}};
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Align);
        F.View->SetHorzAlign(C.Align);
        F.Draw("ABC");
        ASSERT_EQ(F.Device.Draws.size(), 1u);
        EXPECT_EQ(F.Device.Draws[0].Box.Top, C.Y);
        EXPECT_EQ(F.Device.Draws[0].Box.Left, 0);
        EXPECT_EQ(F.Device.Draws[0].Orientation, 900);
    }
    EXPECT_EQ(F.Measured("ABC"), 13) << "one column 13 wide";
    F.View->SetWordWrap(true);
    F.View->SC = true;
    F.Draw("aaaaaaaaaa bbbbbbbbbb cccc");
    // Room 100: once a column reaches 100 pixels it is cut after its last
    // blank; the rest fits.
    EXPECT_EQ(F.Device.Texts(), (std::vector<std::string>{"aaaaaaaaaa", "bbbbbbbbbb cccc"}));
    EXPECT_EQ(F.Device.Draws[1].Box.Left, 13);
}

TEST(RP_ViewText, ThreeDEffectDrawsShadowsFirst)
{
    Fixture F(100, 40);
    F.View->Show3d = true;
    F.View->Type3d = 4;
    F.View->ShadowLen = 2;
    F.View->ShadowColor = 0x123456;
    F.Draw("<COLOR=Red>x");
    ASSERT_EQ(F.Device.Draws.size(), 17u) << "16 displacements around the piece, then it";
    for (size_t I = 0; I < 16; ++I)
        EXPECT_EQ(F.Device.Draws[I].Color, 0x123456) << "colour tags stay out of the effect";
    EXPECT_EQ(F.Device.Draws[16].Color, clRed);
    EXPECT_EQ(F.Device.Draws[16].Box.Left, 0);
    EXPECT_TRUE(F.View->TagColors);

    F.View->Type3d = 2;
    F.Draw("x");
    ASSERT_EQ(F.Device.Draws.size(), 3u);
    EXPECT_EQ(F.Device.Draws[0].Box.Left, 2);
    EXPECT_EQ(F.Device.Draws[0].Color, 0xFFFFFF);
    EXPECT_EQ(F.Device.Draws[1].Box.Left, -2);
}

TEST(RP_ViewText, TakeLinesPushesAnOverflowingPieceToTheNextLine)
{
    T_ExtentStrList List;
    for (int W : {20, 30, 40}) {
        T_ExtentStr* P = List.AddNew();
        P->Right = W;
        P->Bottom = W / 10;
    }
    ExtentRecord Rec;
    int Index = 0;
    List.WordWrap = true;
    List.TakeLines(Index, Rec, 60);
    EXPECT_EQ(Index, 2);
    EXPECT_EQ(Rec.Width, 50);
    EXPECT_EQ(Rec.Height, 3);
    List.WordWrap = false;
    Index = 0;
    List.TakeLines(Index, Rec, 60);
    EXPECT_EQ(Index, 3) << "without wrap the overflowing piece is taken";
    EXPECT_EQ(Rec.Width, 90);
    Index = 2;
    List.WordWrap = true;
    List.TakeLines(Index, Rec, 10);
    EXPECT_EQ(Index, 3) << "a first piece is taken even when too wide";
}

// The canvas's own device keeps widths and metrics per font: measuring
// the same texts in fonts that differ in one attribute at a time, back and
// forth, must give each font's own figures every time.
TEST(RP_ViewText, CanvasDeviceMeasuresInTheFontSelectedNow)
{
    InstallViewTextDevice(nullptr);
    ViewTextDevice& Device = *CurrentViewTextDevice();
    TBitmap Bitmap;
    Bitmap.SetSize(50, 50);
    TCanvas* Canvas = Bitmap.Canvas();
    struct FontCase {
        const char* Name;
        int Height;
        bool Bold;
    };
    constexpr FontCase Fonts[] = {
        {"Arial", -13, false},           // the base font
        {"Arial", -13, true},            // bold only
        {"Arial", -29, false},           // larger only
        {"Times New Roman", -13, false}, // another face only
    };
    const AnsiString Texts[] = {"Сыр российский"_a, "1 234,50"_a, "руб."_a};
    for (int Round = 0; Round < 2; ++Round)
        for (const FontCase& F : Fonts) {
            Canvas->Font()->SetName(F.Name);
            Canvas->Font()->SetHeight(F.Height);
            Canvas->Font()->SetStyle(F.Bold ? TFontStyles{fsBold} : TFontStyles{});
            TEXTMETRIC TM;
            Canvas->TextExtent(AnsiString());
            GetTextMetrics(Canvas->Handle(), TM);
            for (const AnsiString& Text : Texts) {
                SCOPED_TRACE(std::string(F.Name) + " " + std::to_string(F.Height) +
                             (F.Bold ? " bold" : "") + " round " + std::to_string(Round));
                const TextPieceMetrics M = Device.Measure(Canvas, Text);
                EXPECT_EQ(M.Width, Canvas->TextExtent(Text).cx);
                EXPECT_EQ(M.Height, TM.tmHeight);
                EXPECT_EQ(M.Ascent, TM.tmAscent);
            }
        }
}

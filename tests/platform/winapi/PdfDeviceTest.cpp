// The PDF writer behind prints into files, read back through poppler: the
// file's structure (pages, paper, title, fonts embedded once as subsets,
// text extracted), what lands where on a rendered page (clips, pictures
// with and without transparency, hatches, thick lines), and the failures
// of a job (a file that cannot be made or written, a cancelled job). The
// writer's header speaks Qt, so it is reached through the printer.

#include "platform/forms/Graphics.h"
#include "platform/forms/Printers.h"
#include "platform/winapi/Windows.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

bool PopplerMissing()
{
    return RunCommand("command -v pdfinfo pdftotext pdffonts pdftoppm").empty();
}

int CountOf(const std::string& S, const std::string& What)
{
    int N = 0;
    for (size_t At = S.find(What); At != std::string::npos; At = S.find(What, At + 1))
        ++N;
    return N;
}

/// Lines of pdffonts' table (after its two heading lines).
std::vector<std::string> FontLines(const std::string& Pdf)
{
    const std::string Out = RunCommand("pdffonts '" + Pdf + "'");
    std::vector<std::string> Lines;
    size_t At = 0;
    for (int Line = 0; At < Out.size(); ++Line) {
        const size_t End = Out.find('\n', At);
        if (Line >= 2)
            Lines.push_back(Out.substr(At, End - At));
        if (End == std::string::npos)
            break;
        At = End + 1;
    }
    return Lines;
}

void Write(TCanvas* C, int X, int Y, int Height, TFontStyles Style, const AnsiString& Text)
{
    C->Font()->SetName("Arial");
    C->Font()->SetHeight(-Height);
    C->Font()->SetStyle(Style);
    C->Brush()->SetStyle(bsClear);
    C->TextOut(X, Y, Text);
}

}  // namespace

// Two pages in two faces and three sizes: A4 in the orientation asked for
// with the printable area in its place, the title, each face embedded once
// as a subset with a Unicode map, the texts on their pages.
TEST(PdfDevice, DocumentReadsBackThroughPoppler)
{
    if (PopplerMissing())
        GTEST_SKIP() << "poppler-utils is not installed (scripts/setup.sh installs it)";
    struct Case {
        TPrinterOrientation Orientation;
        const char* PageSize;
    };
    const Case Cases[] = {
        {poPortrait, "Page size:       595 x 842 pts (A4)"},
        {poLandscape, "Page size:       842 x 595 pts (A4)"},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.PageSize);
        TempDir Dir;
        const AnsiString File = Dir.File("tags.pdf");
        TPrinter P;
        P.SetOutputFileName(File);
        P.SetOrientation(C.Orientation);
        P.SetTitle("Ценники на товар"_a);
        P.BeginDoc();
        // Black squares in the printable area's corners.
        const int Width = P.PageWidth(), Height = P.PageHeight();
        const TPoint Offset(GetDeviceCaps(P.Canvas()->Handle(), PHYSICALOFFSETX),
            GetDeviceCaps(P.Canvas()->Handle(), PHYSICALOFFSETY));
        P.Canvas()->Brush()->SetColor(clBlack);
        P.Canvas()->FillRect(Rect(0, 0, 60, 60));
        P.Canvas()->FillRect(Rect(Width - 60, Height - 60, Width, Height));
        Write(P.Canvas(), 300, 300, 120, {}, "Холодильник NRB 110"_a);
        Write(P.Canvas(), 300, 600, 400, {fsBold}, "1 240,00"_a);
        P.NewPage();
        Write(P.Canvas(), 300, 300, 90, {}, "Страна: Беларусь"_a);
        Write(P.Canvas(), 300, 600, 200, {fsBold}, "По карте: 12,00"_a);
        // Underlined text is laid out by Qt and reaches the writer apart.
        Write(P.Canvas(), 300, 1000, 150, {fsUnderline}, "Сыр российский"_a);
        P.EndDoc();

        const std::string Path = File.ToUtf8();
        if (const char* Keep = std::getenv("PRICETAGS_PNG_DIR"))
            RunCommand("pdftoppm -r 100 -png '" + Path + "' '" + std::string(Keep) + "/pdf-text-"
                + std::to_string(C.Orientation) + "'");
        RunCommand("pdftoppm -r 100 -f 1 -l 1 -png '" + Path + "' '" + (Dir.Path() / "page").string() + "'");
        TBitmap Png;
        Png.LoadFromBytes(ReadBytes(Dir.Path() / "page-1.png"));
        // Device pixel (X, Y) of the printable area on the rendered paper.
        const auto At = [&](int X, int Y) { return Png.Canvas()->Pixels((X + Offset.X) / 6, (Y + Offset.Y) / 6); };
        EXPECT_EQ(At(30, 30), clBlack) << "the top left corner";
        EXPECT_EQ(At(Width - 30, Height - 30), clBlack) << "the bottom right corner";
        EXPECT_EQ(At(-30, 30), clWhite) << "left of the printable area";
        EXPECT_EQ(At(Width - 30, Height + 30), clWhite) << "below the printable area";

        const std::string Info = RunCommand("pdfinfo '" + Path + "'");
        EXPECT_NE(Info.find("Pages:           2\n"), std::string::npos) << Info;
        EXPECT_NE(Info.find(C.PageSize), std::string::npos) << Info;
        EXPECT_NE(Info.find("Title:           Ценники на товар\n"), std::string::npos) << Info;

        const std::vector<std::string> Fonts = FontLines(Path);
        ASSERT_EQ(Fonts.size(), 2u) << "one font a face, whatever its sizes";
        for (const std::string& Line : Fonts) {
            EXPECT_EQ(Line[6], '+') << "a subset's tag: " << Line;
            EXPECT_NE(Line.find("CID TrueType      Identity-H       yes yes yes"), std::string::npos) << Line;
        }
        EXPECT_EQ(CountOf(Fonts[0] + Fonts[1], "+LiberationSans-Bold "), 1);

        const std::string Text = RunCommand("pdftotext '" + Path + "' -");
        const size_t Break = Text.find('\f');
        for (const char* Expected : {"Холодильник NRB 110", "1 240,00"}) {
            SCOPED_TRACE(Expected);
            EXPECT_LT(Text.find(Expected), Break) << Text;
        }
        for (const char* Expected : {"Страна: Беларусь", "По карте: 12,00", "Сыр российский"}) {
            SCOPED_TRACE(Expected);
            const size_t At = Text.find(Expected);
            EXPECT_TRUE(At != std::string::npos && At > Break) << Text;
        }
    }
}

// Drawing rendered at 100 dpi (a sixth of the device's 600; the printable
// area starts 142, 100 device pixels into the paper) and read back pixel
// by pixel.
TEST(PdfDevice, DrawingLandsWhereDrawn)
{
    if (PopplerMissing())
        GTEST_SKIP() << "poppler-utils is not installed (scripts/setup.sh installs it)";
    TempDir Dir;
    const AnsiString File = Dir.File("drawing.pdf");
    TPrinter P;
    P.SetOutputFileName(File);
    P.BeginDoc();
    TCanvas* C = P.Canvas();
    HDC DC = C->Handle();

    // A red fill clipped to 600..1200 each way.
    IntersectClipRect(DC, 600, 600, 1200, 1200);
    C->Brush()->SetStyle(bsSolid);
    C->Brush()->SetColor(clRed);
    C->FillRect(Rect(0, 0, 2400, 2400));
    SelectClipRgn(DC, nullptr);

    // An opaque blue picture, drawn twice.
    TBitmap Blue;
    Blue.SetWidth(4);
    Blue.SetHeight(4);
    Blue.Canvas()->Brush()->SetColor(clBlue);
    Blue.Canvas()->FillRect(Rect(0, 0, 4, 4));
    C->StretchDraw(Rect(1800, 600, 2400, 1200), &Blue);
    C->StretchDraw(Rect(3000, 600, 3600, 1200), &Blue);

    // The blue picture from a source rectangle twice its width: its four
    // columns fill the left half, nothing lands past them.
    StretchBlt(DC, 1800, 1300, 1200, 400, Blue.Canvas()->Handle(), 0, 0, 8, 4, SRCCOPY);

    // A picture with a transparent (white) border over a red fill.
    C->Brush()->SetColor(clRed);
    C->FillRect(Rect(600, 3600, 1800, 4800));
    TBitmap Framed;
    Framed.SetWidth(3);
    Framed.SetHeight(3);
    Framed.Canvas()->Brush()->SetColor(clWhite);
    Framed.Canvas()->FillRect(Rect(0, 0, 3, 3));
    Framed.Canvas()->SetPixels(1, 1, clLime);
    Framed.SetTransparentColor(clWhite);
    Framed.SetTransparent(true);
    C->StretchDraw(Rect(600, 3600, 1800, 4800), &Framed);

    // The blue picture at half strength over the white paper.
    BLENDFUNCTION Half;
    Half.SourceConstantAlpha = 128;
    AlphaBlend(DC, 2400, 3600, 600, 600, Blue.Canvas()->Handle(), 0, 0, 4, 4, Half);

    // A black cross hatch, its right half clipped away, and a thick black
    // line.
    IntersectClipRect(DC, 0, 0, 1200, 6000);
    C->Brush()->SetStyle(bsDiagCross);
    C->Brush()->SetColor(clBlack);
    C->FillRect(Rect(600, 1800, 1800, 3000));
    SelectClipRgn(DC, nullptr);
    C->Pen()->SetWidth(120);
    C->Pen()->SetColor(clBlack);
    C->MoveTo(2400, 2400);
    C->LineTo(3600, 2400);

    // A letter and the same letter with a breve: the font's glyph of the
    // second is built of the first and the breve's glyph, which the
    // embedded subset must hold too though no text uses it alone.
    Write(C, 2400, 4800, 600, {}, "и"_a);
    Write(C, 3300, 4800, 600, {}, "й"_a);

    // Text turned a quarter left runs up the page from its start.
    C->Font()->SetOrientation(900);
    Write(C, 4200, 3600, 300, {}, "ШШШШ"_a);
    C->Font()->SetOrientation(0);
    P.EndDoc();

    const std::string Path = File.ToUtf8();
    RunCommand("pdftoppm -r 100 -png '" + Path + "' '" + (Dir.Path() / "page").string() + "'");
    if (const char* Keep = std::getenv("PRICETAGS_PNG_DIR")) {
        RunCommand("pdftoppm -r 100 -png '" + Path + "' '" + std::string(Keep) + "/pdf-drawing'");
        std::filesystem::copy_file(Path, std::string(Keep) + "/pdf-drawing.pdf",
            std::filesystem::copy_options::overwrite_existing);
    }
    TBitmap Png;
    Png.LoadFromBytes(ReadBytes(Dir.Path() / "page-1.png"));
    ASSERT_EQ(Png.Width(), 827);
    // Device pixel (X, Y) on the rendered page.
    const auto At = [&](int X, int Y) { return Png.Canvas()->Pixels((X + 142) / 6, (Y + 100) / 6); };
    struct Probe {
        int X, Y;
        TColor Expected;
        const char* What;
    };
    const Probe Probes[] = {
        {900, 900, clRed, "inside the clip"},
        {480, 900, clWhite, "left of the clip"},
        {900, 1320, clWhite, "below the clip"},
        {1320, 1320, clWhite, "right and below the clip"},
        {2100, 900, clBlue, "the picture"},
        {3300, 900, clBlue, "the picture again"},
        {2700, 900, clWhite, "between the pictures"},
        {2100, 1500, clBlue, "the picture's part of a wider source"},
        {2700, 1500, clWhite, "past the picture in a wider source"},
        {1200, 4200, clLime, "the picture's opaque middle"},
        {700, 3700, clRed, "the fill under its transparent border"},
        {3000, 2400, clBlack, "the thick line"},
        {3000, 2520, clWhite, "beside the thick line"},
    };
    for (const Probe& Pr : Probes) {
        SCOPED_TRACE(Pr.What);
        EXPECT_EQ(At(Pr.X, Pr.Y), Pr.Expected);
    }
    const TColor Blended = At(2700, 3900);
    EXPECT_NEAR(Blended & 0xFF, 127, 3) << "red of the half-strength blue";
    EXPECT_NEAR((Blended >> 8) & 0xFF, 127, 3);
    EXPECT_EQ((Blended >> 16) & 0xFF, 255);
    // The hatch's lines, a few device pixels apart, show as an even grey
    // over its whole rectangle and stop at its edge.
    int Grey = 0, Other = 0;
    for (int Y = 1806; Y < 3000; Y += 6)
        for (int X = 606; X < 1200; X += 6) {
            const int Level = At(X, Y) & 0xFF;
            (Level > 60 && Level < 240 ? Grey : Other)++;
        }
    EXPECT_EQ(Other, 0);
    EXPECT_GT(Grey, 0);
    EXPECT_EQ(At(1500, 2400), clWhite) << "the hatch's clipped half";
    EXPECT_EQ(At(1900, 2400), clWhite);

    // Dark pixels sampled in a rectangle of device pixels.
    const auto InkIn = [&](int Left, int Top, int Right, int Bottom) {
        int N = 0;
        for (int Y = Top; Y < Bottom; Y += 6)
            for (int X = Left; X < Right; X += 6)
                N += (At(X, Y) & 0xFF) < 128;
        return N;
    };
    const auto Ink = [&](int Left) { return InkIn(Left, 4800, Left + 900, 5600); };
    EXPECT_GT(Ink(2400), 200) << "the letter";
    EXPECT_GT(Ink(3300), Ink(2400) + 60) << "the letter and its breve";

    EXPECT_GT(InkIn(4200, 2700, 4500, 3600), 100) << "the turned text, above its start";
    EXPECT_EQ(InkIn(4200, 3600, 5400, 4200), 0) << "nothing along the unturned line";

    const std::string Bytes = ReadBytes(Path);
    // The blue picture once, the framed one with its mask, the hatch as a
    // picture with its mask.
    EXPECT_EQ(CountOf(Bytes, "/Subtype /Image"), 5);
}

// A file that cannot be made refuses the job; one that cannot be written
// whole fails it at its end rather than looking printed; a cancelled job
// leaves no file.
TEST(PdfDevice, FailedAndCancelledJobs)
{
    TempDir Dir;
    const auto Draw = [](TPrinter& P) {
        for (int Page = 0; Page < 3; ++Page) {
            if (Page)
                P.NewPage();
            Write(P.Canvas(), 300, 300, 120, {}, "Холодильник NRB 110"_a);
        }
    };
    {
        TPrinter P;
        P.SetOutputFileName(Dir.File("no-such-folder/tags.pdf"));
        ExpectRaises<EPrinter>([&] { P.BeginDoc(); }, "Ошибка принтера"_a);
        EXPECT_FALSE(P.Printing());
    }
    if (std::filesystem::exists("/dev/full")) {
        TPrinter P;
        P.SetOutputFileName("/dev/full");
        P.BeginDoc();
        Draw(P);
        ExpectRaises<EPrinter>([&] { P.EndDoc(); }, "Ошибка принтера"_a);
        EXPECT_FALSE(P.Printing());
        EXPECT_TRUE(std::filesystem::exists("/dev/full")) << "a device is never removed";
    }
    {
        TPrinter P;
        P.SetOutputFileName(Dir.File("dropped.pdf"));
        P.BeginDoc();
        Draw(P);
        P.Abort();
        EXPECT_FALSE(std::filesystem::exists(Dir.Path() / "dropped.pdf"));
    }
}

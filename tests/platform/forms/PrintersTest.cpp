// The printer: the fake printer's paper and recorded pages, the job rules
// and their errors, and a real job written to a PDF file.

#include "platform/forms/Printers.h"

#include "platform/classes/Strings.h"
#include "platform/forms/Metafiles.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <cstdio>
#include <functional>
#include <memory>

namespace {

// Installs a fake printer for the scope.
struct FakeScope {
    TFakePrinter Fake;
    TPrinter* Old;
    FakeScope() : Old(SetPrinter(&Fake)) {}
    ~FakeScope() { SetPrinter(Old); }
};

std::array<int, 8> CapsOf(HDC DC)
{
    return {GetDeviceCaps(DC, LOGPIXELSX), GetDeviceCaps(DC, LOGPIXELSY), GetDeviceCaps(DC, PHYSICALWIDTH),
        GetDeviceCaps(DC, PHYSICALHEIGHT), GetDeviceCaps(DC, PHYSICALOFFSETX), GetDeviceCaps(DC, PHYSICALOFFSETY),
        GetDeviceCaps(DC, HORZRES), GetDeviceCaps(DC, VERTRES)};
}

// A page of 96-dpi pixels with a frame and a line of text.
std::unique_ptr<TMetafile> PageWith(const AnsiString& Text)
{
    auto M = std::make_unique<TMetafile>();
    M->SetWidth(748);
    M->SetHeight(1090);
    TMetafileCanvas C(M.get(), nullptr);
    C.Pen()->SetWidth(2);
    C.Brush()->SetStyle(bsClear);
    C.Rectangle(20, 20, 728, 1070);
    C.Font()->SetName("Arial");
    C.Font()->SetSize(14);
    C.TextOut(60, 60, Text);
    return M;
}

}  // namespace

TEST(Printers, FakePrinterHasTheA4PaperAt600Dpi)
{
    FakeScope S;
    EXPECT_EQ(Printer(), &S.Fake);
    EXPECT_EQ(CapsOf(Printer()->Handle()), (std::array<int, 8> {600, 600, 4960, 7015, 142, 100, 4676, 6815}));
    Printer()->SetOrientation(poLandscape);
    EXPECT_EQ(CapsOf(Printer()->Handle()), (std::array<int, 8> {600, 600, 7015, 4960, 118, 100, 6779, 4760}));
    EXPECT_EQ(Printer()->PageWidth(), 6779);
    // The capabilities DC is kept until something changes.
    Printer()->Handle();
    EXPECT_EQ(S.Fake.CapsReads, 2);
}

TEST(Printers, ChoosingPrinters)
{
    TFakePrinter P;
    P.Names = {"Kitchen", "Office"};
    P.DefaultIndex = 1;
    EXPECT_EQ(P.Printers()->Count(), 2);
    EXPECT_EQ(P.PrinterIndex(), 1);  // -1 stands for the default
    P.SetPrinterIndex(0);
    EXPECT_EQ(P.PrinterIndex(), 0);
    P.SetPrinterIndex(-1);
    EXPECT_EQ(P.PrinterIndex(), 1);
    ExpectRaises<EPrinter>([&] { P.SetPrinterIndex(2); }, "Принтер не найден"_a);
    ExpectRaises<EPrinter>([&] { P.SetPrinterIndex(-2); }, "Принтер не найден"_a);

    TFakePrinter None;
    None.Names.clear();
    EXPECT_EQ(None.PrinterIndex(), -1);
    EXPECT_EQ(CapsOf(None.Handle()), (std::array<int, 8> {600, 600, 4960, 7015, 142, 100, 4676, 6815}))
        << "measured on the paper of a print into a file";
    ExpectRaises<EPrinter>([&] { None.BeginDoc(); }, "Принтер не установлен"_a);
    EXPECT_FALSE(None.Printing());

    TFakePrinter Broken;
    Broken.FailWith = "driver failed";
    ExpectRaises<EPrinter>([&] { Broken.Handle(); }, "driver failed");
    ExpectRaises<EPrinter>([&] { Broken.BeginDoc(); }, "driver failed");
    EXPECT_FALSE(Broken.Printing());
}

TEST(Printers, JobsRecordTheirPages)
{
    TFakePrinter P;
    P.SetTitle("Ценники"_a);
    P.SetCopies(2);
    P.SetOrientation(poLandscape);
    ExpectRaises<EPrinter>([&] { P.NewPage(); }, "Печать не начата"_a);
    ExpectRaises<EPrinter>([&] { P.EndDoc(); }, "Печать не начата"_a);
    P.BeginDoc();
    EXPECT_TRUE(P.Printing());
    EXPECT_EQ(P.PageNumber(), 1);
    ExpectRaises<EPrinter>([&] { P.BeginDoc(); }, "Идёт печать"_a);
    ExpectRaises<EPrinter>([&] { P.SetOrientation(poPortrait); }, "Идёт печать"_a);
    auto Page = PageWith("Первая"_a);
    P.Canvas()->StretchDraw(Rect(0, 0, 4676, 6815), Page.get());
    P.NewPage();
    EXPECT_EQ(P.PageNumber(), 2);
    P.Canvas()->TextOut(10, 10, "Вторая"_a);
    P.EndDoc();
    EXPECT_FALSE(P.Printing());
    EXPECT_FALSE(P.Aborted());

    ASSERT_EQ(P.Jobs.size(), 1u);
    EXPECT_EQ(P.Jobs[0].Title, "Ценники"_a);
    EXPECT_EQ(P.Jobs[0].Copies, 2);
    EXPECT_EQ(P.Jobs[0].PrinterName, "Fake printer");
    ASSERT_EQ(P.Pages.size(), 2u);
    EXPECT_EQ(P.Pages[0].Orientation, poLandscape);
    // Pages are metafiles of the printable area at 600 dpi.
    EXPECT_EQ(P.Pages[0].Metafile->MMWidth(), 6779 * 2540 / 600);
    EXPECT_GT(P.Pages[0].Metafile->Data().size(), P.Pages[1].Metafile->Data().size());

    // An aborted job keeps no page; one the system cancels stops printing.
    P.BeginDoc();
    P.Abort();
    EXPECT_TRUE(P.Aborted());
    EXPECT_FALSE(P.Printing());
    EXPECT_EQ(P.Pages.size(), 2u);
    P.CancelAfterPages = 2;
    P.BeginDoc();
    EXPECT_TRUE(P.Printing());
    P.NewPage();
    EXPECT_FALSE(P.Printing());
    P.EndDoc();
}

// A machine with no printer installed measures on the file paper and
// writes nothing until a job names a file.
TEST(Printers, NoPrinterInstalledMeasuresTheFilePaper)
{
    TPrinter P;
    if (P.Printers()->Count() > 0)
        GTEST_SKIP() << "a printer is installed here";
    const auto Caps = CapsOf(P.Handle());
    EXPECT_EQ(Caps[0], 600);
    EXPECT_NEAR(Caps[2], 4960, 3);
    EXPECT_NEAR(Caps[6], 4676, 3);
    ExpectRaises<EPrinter>([&] { P.BeginDoc(); }, "Принтер не установлен"_a);
}

// Two pages played onto a PDF job: two A4 pages holding their texts.
TEST(Printers, JobToPdfFile)
{
    if (RunCommand("command -v pdfinfo pdftotext").empty())
        GTEST_SKIP() << "poppler-utils is not installed (scripts/setup.sh installs it)";
    TempDir Dir;
    const AnsiString File = Dir.File("job.pdf");
    TPrinter P;
    P.SetOutputFileName(File);
    P.SetTitle("Ведомость"_a);
    const auto Caps = CapsOf(P.Handle());
    EXPECT_EQ(Caps[0], 600);
    EXPECT_NEAR(Caps[2], 4960, 3);  // whole points in the PDF
    EXPECT_NEAR(Caps[4], 142, 1);
    EXPECT_NEAR(Caps[6], 4676, 3);

    auto First = PageWith("Страница один"_a);
    auto Second = PageWith("Страница два"_a);
    P.BeginDoc();
    const TRect Area = Rect(0, 0, P.PageWidth(), P.PageHeight());
    P.Canvas()->StretchDraw(Area, First.get());
    P.NewPage();
    P.Canvas()->StretchDraw(Area, Second.get());
    P.EndDoc();

    const std::string Path = File.ToUtf8();
    const std::string Info = RunCommand("pdfinfo '" + Path + "'");
    EXPECT_NE(Info.find("Pages:           2\n"), std::string::npos) << Info;
    EXPECT_NE(Info.find("Page size:       595 x 842 pts (A4)"), std::string::npos) << Info;
    const std::string Text = RunCommand("pdftotext -layout '" + Path + "' -");
    const size_t One = Text.find("Страница один"), Two = Text.find("Страница два"), Break = Text.find('\f');
    ASSERT_NE(One, std::string::npos) << Text;
    ASSERT_NE(Two, std::string::npos) << Text;
    EXPECT_LT(One, Break);
    EXPECT_GT(Two, Break);
    if (const char* Keep = std::getenv("PRICETAGS_PNG_DIR"))
        RunCommand("pdftoppm -r 40 -png '" + Path + "' '" + std::string(Keep) + "/printer-job'");
}

// A printer may hold text and lines back to draw them with the ones after
// them; what is drawn after them still covers them, and a page's marks stay
// on their page.
TEST(Printers, HeldBackMarksKeepTheirPlaceAmongTheDrawing)
{
    if (RunCommand("command -v pdftoppm").empty())
        GTEST_SKIP() << "poppler-utils is not installed (scripts/setup.sh installs it)";
    // Two marks side by side at device row Y.
    const std::function<void(TCanvas*, int)> Marks[] = {
        [](TCanvas* C, int Y) {
            C->Font()->SetName("Arial");
            C->Font()->SetHeight(-400);  // device pixels: two thirds of an inch
            C->Brush()->SetStyle(bsClear);
            C->TextOut(600, Y, "WWWW");
        },
        [](TCanvas* C, int Y) {
            C->Pen()->SetWidth(60);
            for (int X = 600; X < 2400; X += 300) {
                C->MoveTo(X, Y);
                C->LineTo(X + 200, Y + 300);
            }
        },
    };
    for (const auto& Mark : Marks) {
        TempDir Dir;
        TPrinter P;
        P.SetOutputFileName(Dir.File("cover.pdf"));
        P.BeginDoc();
        TCanvas* C = P.Canvas();
        Mark(C, 600);
        Mark(C, 1800);
        // White over the first marks, after both.
        C->Brush()->SetStyle(bsSolid);
        C->Brush()->SetColor(clWhite);
        C->FillRect(Rect(500, 500, 4000, 1500));
        Mark(C, 3000);
        P.NewPage();
        P.EndDoc();
        RunCommand("pdftoppm -r 20 -png '" + Dir.File("cover.pdf").ToUtf8() + "' '" + (Dir.Path() / "cover").string()
            + "'");
        // 600 device pixels are 20 rendered pixels; count dark pixels by band.
        const auto Dark = [&](int Page, int Top, int Bottom) {
            TBitmap Png;
            Png.LoadFromBytes(ReadBytes(Dir.Path() / ("cover-" + std::to_string(Page) + ".png")));
            int N = 0;
            for (int Y = Top; Y < Bottom; ++Y)
                for (int X = 0; X < Png.Width(); ++X)
                    N += (Png.Canvas()->Pixels(X, Y) & 0xFF) < 128;
            return N;
        };
        EXPECT_EQ(Dark(1, 17, 50), 0);    // covered
        EXPECT_GT(Dark(1, 57, 90), 20);   // left standing
        EXPECT_GT(Dark(1, 97, 130), 20);  // drawn after the cover
        EXPECT_EQ(Dark(2, 0, 200), 0);    // nothing moved onto the next page
    }
}

TEST(Printers, AbortedPdfJobLeavesNoFile)
{
    TempDir Dir;
    TPrinter P;
    P.SetOutputFileName(Dir.File("dropped.pdf"));
    P.BeginDoc();
    P.Canvas()->TextOut(10, 10, "x");
    P.Abort();
    EXPECT_FALSE(std::filesystem::exists(Dir.Path() / "dropped.pdf"));
}

// A logo on every tag of every page is embedded in the PDF once.
TEST(Printers, RepeatedPictureIsEmbeddedOnce)
{
    TempDir Dir;
    TBitmap Logo;
    Logo.SetSize(60, 24);
    Logo.Canvas()->Brush()->SetColor(clNavy);
    Logo.Canvas()->FillRect(Rect(0, 0, 60, 24));
    Logo.Canvas()->Brush()->SetColor(clYellow);
    Logo.Canvas()->FillRect(Rect(6, 6, 54, 18));
    TMetafile Page;
    Page.SetWidth(748);
    Page.SetHeight(1090);
    {
        TMetafileCanvas C(&Page, nullptr);
        for (int I = 0; I < 8; ++I)
            C.StretchDraw(Rect(10, 10 + I * 100, 130, 58 + I * 100), &Logo);
    }
    TPrinter P;
    P.SetOutputFileName(Dir.File("logos.pdf"));
    P.BeginDoc();
    for (int I = 0; I < 3; ++I) {
        if (I)
            P.NewPage();
        P.Canvas()->StretchDraw(Rect(0, 0, P.PageWidth(), P.PageHeight()), &Page);
    }
    P.EndDoc();
    const std::string Pdf = ReadBytes(Dir.Path() / "logos.pdf");
    size_t Images = 0;
    for (size_t At = Pdf.find("/Subtype /Image"); At != std::string::npos; At = Pdf.find("/Subtype /Image", At + 1))
        ++Images;
    EXPECT_EQ(Images, 1u);
}

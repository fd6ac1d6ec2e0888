#include "common/reports/RP_Document.h"

#include "common/reports/RP_Page.h"
#include "common/reports/RP_Printer.h"
#include "common/reports/RP_View.h"

#include "platform/classes/Strings.h"
#include "platform/forms/Metafiles.h"
#include "platform/forms/Printers.h"

#include "tests/common/reports/ReportHost.h"
#include "tests/common/reports/ReportPrinterScope.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

using namespace rpt;

namespace {

/// A printer that logs jobs, pages and the rectangles pages go into.
class FakePrintJob : public ReportPrintJob {
public:
    FakePrintJob() { InstallReportPrintJob(this); }
    ~FakePrintJob() override { InstallReportPrintJob(nullptr); }
    FakePrintJob(const FakePrintJob&) = delete;
    FakePrintJob& operator=(const FakePrintJob&) = delete;

    Byte Orientation() override { return FOrientation; }
    void SetOrientation(Byte Value) override { FOrientation = Value; }
    void SetCopies(int Value) override { Copies = Value; }
    void BeginDoc(const AnsiString& Title) override { Log.push_back("job " + Title.ToUtf8()); }
    void NewPage() override {}
    void EndDoc() override { Log.push_back("end"); }
    bool Printing() override { return Pages < CancelAfter; }
    void DrawPage(TPageInfo& Page, const TRect& R) override
    {
        ++Pages;
        int Number = 0;
        for (int I = 0; Doc && I < Doc->PageInfoCount(); ++I)
            if (Doc->GetPageInfo(I) == &Page)
                Number = I + 1;
        Log.push_back("page " + std::to_string(Number) + " o" +
                      std::to_string(FOrientation));
        Rects.push_back(R);
    }

    std::vector<std::string> Log;
    std::vector<TRect> Rects;
    int Copies = 0;
    int Pages = 0;
    int CancelAfter = 1000;
    /// The document whose pages are numbered in the log.
    const TDocument* Doc = nullptr;

private:
    Byte FOrientation = 0;
};

/// A printer port with its own resolution and borders, both orientations
/// alike.
class CapsPort : public ReportPrinter {
public:
    explicit CapsPort(const PrinterCaps& Caps) : FCaps(Caps) { InstallReportPrinter(this); }
    ~CapsPort() override { InstallReportPrinter(nullptr); }
    CapsPort(const CapsPort&) = delete;
    CapsPort& operator=(const CapsPort&) = delete;
    int PrinterIndex() override { return 0; }
    PrinterCaps ReadCaps(Byte) override { return FCaps; }

private:
    PrinterCaps FCaps;
};

/// A built report of one output page per orientation given.
void BuildPages(TDocument& Doc, std::initializer_list<Byte> Orientations)
{
    Doc.New();
    int I = 0;
    for (Byte O : Orientations) {
        Doc.SetPageIndex(I);
        Doc.CurrentPage()->Orientation = O;
        auto* V = new TView(vkText, &Doc);
        V->SetBoundsRect(Rect(0, 0, 100, 20));
        V->Lines->Add(IntToStr(I + 1));
        Doc.CurrentPage()->AddView(V);
        ++I;
    }
    Doc.SetPageIndex(0);
    Doc.BuildReport();
}

}  // namespace

TEST(RP_DocumentBuild, JobsFollowTheOrientationOfThePages)
{
    FixedTextDevice Device;
    FakePrintJob Job;
    TDocument Doc(nullptr);
    Job.Doc = &Doc;
    Doc.SetTitle("Ценники"_a);
    BuildPages(Doc, {0, 1, 1, 0});
    ASSERT_EQ(Doc.PageInfoCount(), 4);
    EXPECT_EQ(Doc.GetPageInfo(1)->DrawingWidth(), 1122 - 2 * 19) << "a landscape page";

    struct Case {
        int From;
        int To;
        std::vector<std::string> Log;
        const char* Why;
    } const Cases[] = {
        {0, 0, {"job Ценники", "page 1 o0", "end", "job Ценники (002)", "page 2 o1", "page 3 o1",
                "end", "job Ценники (003)", "page 4 o0", "end"}, "0 to 0 prints all pages"},
        {2, 3, {"job Ценники", "page 2 o1", "page 3 o1", "end"},
         "a range of landscape pages is one job, none empty"},
        {4, 99, {"job Ценники", "page 4 o0", "end"}, "To past the last page is the last page"},
        {3, 2, {}, "an empty range prints nothing"},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Why);
        Job.Log.clear();
        Doc.Print(C.From, C.To, 1, true);
        EXPECT_EQ(Job.Log, C.Log);
        EXPECT_FALSE(Doc.Printing);
    }
    Doc.SetTitle("");
    Job.Log.clear();
    Doc.Print(1, 1, 1, true);
    EXPECT_EQ(Job.Log[0], "job Печать документа");
}

TEST(RP_DocumentBuild, CopiesCollatedOrPageByPage)
{
    FixedTextDevice Device;
    FakePrintJob Job;
    TDocument Doc(nullptr);
    ReportHost Host(Doc);
    Job.Doc = &Doc;
    BuildPages(Doc, {0, 0});
    Host.Log.clear();
    Doc.Print(1, 2, 2, true);
    EXPECT_EQ(Job.Log, (std::vector<std::string>{"job Печать документа", "page 1 o0",
                                                  "page 2 o0", "page 1 o0", "page 2 o0",
                                                  "end"}));
    EXPECT_EQ(Job.Copies, 1) << "copies are printed as pages";
    EXPECT_EQ(Host.Log, (std::vector<std::string>{"Progress 0", "Progress 25", "Progress 50",
                                                   "Progress 75", "Progress 100"}));
    Job.Log.clear();
    Doc.Print(1, 2, 2, false);
    EXPECT_EQ(Job.Log, (std::vector<std::string>{"job Печать документа", "page 1 o0",
                                                  "page 1 o0", "page 2 o0", "page 2 o0",
                                                  "end"}));
    Job.Log.clear();
    Job.Pages = 0;
    Job.CancelAfter = 1;
    Doc.Print(1, 2, 1, true);
    EXPECT_EQ(Job.Log, (std::vector<std::string>{"job Печать документа", "page 1 o0", "end"}))
        << "nothing more after the operator cancels";
}

TEST(RP_DocumentBuild, PrintingNeedsPagesAndAPrinter)
{
    TDocument Doc(nullptr);
    ExpectRaises<Exception>([&] { Doc.Print(0, 0, 1, true); }, "Нет данных для печати"_a);
    EXPECT_FALSE(Doc.Printing);
    FixedTextDevice Device;
    BuildPages(Doc, {0});
    ExpectRaises<Exception>([&] { Doc.Print(0, 0, 1, true); }, "Принтер не установлен"_a);
}

TEST(RP_DocumentBuild, PageRectangleOnThePrinter)
{
    FixedTextDevice Device;
    TDocument Doc(nullptr);
    BuildPages(Doc, {0});
    const TPageInfo& Page = *Doc.GetPageInfo(0);
    // Fallback A4 at 600 dpi: the 748 x 1090 page fits the printable area.
    EXPECT_EQ(Doc.PrintPageRect(Page, *Doc.PrnInfo(0)), Rect(0, 0, 4676, 6814));

    // 600 x 300 dpi with uneven borders: the page keeps its shape.
    const CapsPort Port({600, 300, 4960, 3508, 200, 50, 4660, 3400});
    Doc.UpdatePrnInfo(true);
    BuildPages(Doc, {0});
    const TPageInfo& Wide = *Doc.GetPageInfo(0);
    const TRect R = Doc.PrintPageRect(Wide, *Doc.PrnInfo(0));
    const double PageShape = double(Wide.DrawingWidth()) / Wide.DrawingHeight();
    const double PrintedShape = (R.Right - R.Left) / 600.0 / ((R.Bottom - R.Top) / 300.0);
    EXPECT_NEAR(PrintedShape, PageShape, 0.002);
    EXPECT_LE(R.Right, 4660);
    EXPECT_LE(R.Bottom, 3400);

    // A 1 cm top margin is measured down the page, at 300 dpi: 118 + 1
    // device pixels less the 50 of the border.
    Doc.MarginTop = 1000;
    EXPECT_EQ(Doc.PrintPageRect(Wide, *Doc.PrnInfo(0)).Top, 69);
    Doc.MarginLeft = 1000;
    EXPECT_EQ(Doc.PrintPageRect(Wide, *Doc.PrnInfo(0)).Left, 237 - 200);
}

TEST(RP_DocumentBuild, PrintAreaCheckAndFitting)
{
    FixedTextDevice Device;
    TDocument Doc(nullptr);
    Doc.UpdatePrnInfo(false);
    Doc.OutputMode = true;
    auto* V = new TView(vkText, &Doc);
    V->SetBoundsRect(Rect(10, 10, 100, 30));
    Doc.CurrentPage()->AddView(V);
    EXPECT_EQ(Doc.CheckPrintArea(), 0);
    V->SetBoundsRect(Rect(-100, 10, 100, 30));
    EXPECT_EQ(Doc.CheckPrintArea(), 3) << "reaches past the printable area's left";
    const TPage& Page = *Doc.CurrentPage();
    EXPECT_TRUE(Page.OutsidePrint);
    EXPECT_FALSE(Page.OutsidePrintAll);
    EXPECT_EQ(Page.MinX, -100);
    EXPECT_EQ(Page.MaxX, 748);

    TPageInfo Info;
    Info.PrintWidth = 748;
    Info.PrintHeight = 1090;
    Info.MinX = -100;
    Info.MaxX = 748;
    Info.MaxY = 1090;
    TRect R = Rect(0, 0, 748, 1090);
    Info.ScaleRect(R);
    EXPECT_EQ(R, Rect(0, 0, 748, 1090)) << "nothing to fit without OutsidePrint";
    Info.OutsidePrint = true;
    Info.ScaleRect(R);
    // Shifted right by 100 and shrunk by 748 / 848 so the right edge stays.
    EXPECT_EQ(R, Rect(88, 0, 748, 1090));
}

namespace {

TView* AddText(TDocument& Doc, const TRect& R, const char* Text, int Size, Word Style,
               Cardinal Align)
{
    auto* V = new TView(vkText, &Doc);
    V->SetBoundsRect(R);
    V->Lines->SetText(AnsiString::FromUtf8(Text));
    V->FontSize = Size;
    V->FontStyle = Style;
    V->Alignment = Align;
    Doc.CurrentPage()->AddView(V);
    return V;
}

/// A price tag of 40 x 60 mm (151 x 227 pixels) per data row: framed, the
/// name wrapped on top, the price in large bold type, the card price and
/// the date.
void TagTemplate(TDocument& Doc)
{
    Doc.New();
    auto* Band = new TView(vkBandArea, &Doc);
    Band->BandTyp = btMasterData;
    Band->SetTop(0);
    Band->SetHeight(227);
    Doc.CurrentPage()->AddView(Band);
    TView* Frame = AddText(Doc, Rect(0, 0, 151, 227), "", 8, 0, 0);
    Frame->FrameTyp = 0x0F;
    Frame->FrameWidth = 2;
    AddText(Doc, Rect(6, 6, 145, 70), "[NAME]", 10, 2, 2 | 0x200);
    AddText(Doc, Rect(6, 80, 145, 140), "[PRICE]", 22, 2, 2 | 0x80);
    AddText(Doc, Rect(6, 130, 145, 146), "руб.", 9, 0, 1);
    AddText(Doc, Rect(6, 150, 145, 180), "По карте: [CARD]", 9, 0, 2);
    AddText(Doc, Rect(6, 196, 145, 220), "[DATE]", 7, 0, 1);
}

/// Rows of the tag sheet: names and prices by line number.
struct TagRows {
    explicit TagRows(TDocument& Doc) : FDoc(Doc)
    {
        Doc.OnGetValue = TDetailEvent(this, &TagRows::GetValue);
        Doc.OnNeedData = TNeedDataEvent(this, &TagRows::NeedData);
    }
    void GetValue(TObject*, TBandType, const AnsiString& Name, AnsiString& Value)
    {
        const int Row = FDoc.LineMaster;
        if (Name == "NAME")
            Value = "Товар номер "_a + IntToStr(Row) + " молочный"_a;
        else if (Name == "PRICE")
            Value = IntToStr(100 + Row) + ",00";
        else if (Name == "CARD")
            Value = IntToStr(90 + Row) + ",50";
        else if (Name == "DATE")
            Value = "10.12.2026";
    }
    void NeedData(TObject*, TBandType b, bool& NeedMore)
    {
        NeedMore = b == btMasterData && FDoc.LineMaster < Count;
    }

    int Count = 10;

private:
    TDocument& FDoc;
};

}  // namespace

// Ten tags built with the installed fonts and printed to a PDF file: four
// tags a page, in row order, on A4.
TEST(RP_DocumentBuild, TagSheetToPdf)
{
    if (RunCommand("command -v pdfinfo pdftotext").empty())
        GTEST_SKIP() << "poppler-utils is not installed (scripts/setup.sh installs it)";
    TempDir Dir;
    TPrinter Pdf;
    Pdf.SetOutputFileName(Dir.File("tags.pdf"));
    {
        const ReportPrinterScope UsePrinter(Pdf);
        TDocument Doc(nullptr);
        TagTemplate(Doc);
        TagRows Rows(Doc);
        Doc.BuildReport();
        ASSERT_EQ(Doc.PageInfoCount(), 3) << "four tags of 227 pixels fit 1090";
        Doc.Print(0, 0, 1, true);

        TBitmap Shot;
        Shot.SetSize(Doc.GetPageInfo(0)->DrawingWidth(), Doc.GetPageInfo(0)->DrawingHeight());
        Shot.Canvas()->Brush()->SetColor(clWhite);
        Shot.Canvas()->FillRect(Rect(0, 0, Shot.Width(), Shot.Height()));
        EXPECT_TRUE(Doc.GetPageInfo(0)->PlayOn(Shot.Canvas()->Handle()));
        EXPECT_EQ(Shot.Canvas()->Pixels(0, 100), clBlack) << "the tag's frame";
        const std::filesystem::path Keep =
            std::getenv("PRICETAGS_PNG_DIR") ? std::getenv("PRICETAGS_PNG_DIR") : Dir.Path();
        WriteBytes(Keep / "tag-sheet-page1.png", Shot.SaveToPngBytes());
    }

    const std::string Path = Dir.File("tags.pdf").ToUtf8();
    const std::string Info = RunCommand("pdfinfo '" + Path + "'");
    EXPECT_NE(Info.find("Pages:           3\n"), std::string::npos) << Info;
    EXPECT_NE(Info.find("Page size:       595 x 842 pts (A4)"), std::string::npos) << Info;
    const std::string Text = RunCommand("pdftotext '" + Path + "' -");
    size_t At = 0;
    for (int Row = 1; Row <= 10; ++Row) {
        SCOPED_TRACE(Row);
        const size_t Next = Text.find(std::to_string(100 + Row) + ",00", At);
        ASSERT_NE(Next, std::string::npos) << Text;
        At = Next;
    }
    EXPECT_NE(Text.find("молочный"), std::string::npos);
}

// The designer's fit on the fallback A4 paper: printable 748 x 1090.
TEST(RP_DocumentBuild, FitIntoPrintArea)
{
    TDocument Doc(nullptr);
    Doc.UpdatePrnInfo(false);
    const auto Add = [&Doc](const TRect& R) {
        auto* V = new TView(vkText, &Doc);
        V->SetBoundsRect(R);
        Doc.CurrentPage()->AddView(V);
        return V;
    };
    TView* Above = Add(Rect(10, -50, 60, -30));
    TView* Stays = Add(Rect(10, 900, 60, 1000));
    TView* Below = Add(Rect(10, 1200, 60, 1220));
    TView* BelowToo = Add(Rect(100, 1210, 160, 1250));
    TView* Right = Add(Rect(720, 10, 800, 30));
    TView* Wide = Add(Rect(-10, 40, 900, 60));
    Doc.FitIntoPrintArea(false);
    EXPECT_EQ(Above->GetBoundsRect(), Rect(10, 0, 60, 20)) << "above: onto the top edge";
    EXPECT_EQ(Stays->GetBoundsRect(), Rect(10, 900, 60, 1000));
    // The two below form a group (their spans overlap) moved up to end at
    // 1089, which keeps it below the element that stays.
    EXPECT_EQ(Below->GetTop(), 1200 - 161);
    EXPECT_EQ(BelowToo->GetBottom(), 1089);
    EXPECT_EQ(Right->GetBoundsRect(), Rect(668, 10, 748, 30)) << "moved back inside";
    EXPECT_EQ(Wide->GetBoundsRect(), Rect(0, 40, 748, 60)) << "wider than the area: cut";

    TDocument Squeeze(nullptr);
    Squeeze.UpdatePrnInfo(false);
    auto* V = new TView(vkText, &Squeeze);
    V->SetBoundsRect(Rect(374, 10, 848, 30));
    Squeeze.CurrentPage()->AddView(V);
    TPage& Page = *Squeeze.CurrentPage();
    Page.MinX = 0;
    Page.MaxX = 848;
    Squeeze.FitIntoPrintArea(true);
    // Across by 747 / 848.
    EXPECT_EQ(V->GetLeft(), 329);
    EXPECT_EQ(V->GetRight(), 747);
}

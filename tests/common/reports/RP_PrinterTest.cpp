// Documents read their printer metrics from the process's printer: the
// fake printer's paper gives exactly the fallback metrics, and a printer
// that fails leaves the document on the fallback with the printer's error.

#include "common/reports/RP_Printer.h"

#include "common/reports/RP_Page.h"
#include "common/reports/RP_View.h"

#include "platform/classes/Strings.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Printers.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct FakeInstalled {
    TFakePrinter Fake;
    TPrinter* Old;
    FakeInstalled() : Old(SetPrinter(&Fake)) { InstallReportPrinter(PlatformReportPrinter()); }
    ~FakeInstalled()
    {
        InstallReportPrinter(nullptr);
        SetPrinter(Old);
    }
};

void ExpectSame(const TPrnInfo& P, const TPrnInfo& R)
{
    EXPECT_EQ(P.ScaleX, R.ScaleX);
    EXPECT_EQ(P.ScaleY, R.ScaleY);
    EXPECT_EQ(P.PhysWidth, R.PhysWidth);
    EXPECT_EQ(P.PhysHeight, R.PhysHeight);
    EXPECT_EQ(P.PhysOffsetX, R.PhysOffsetX);
    EXPECT_EQ(P.PhysOffsetY, R.PhysOffsetY);
    EXPECT_EQ(P.HorzRes, R.HorzRes);
    EXPECT_EQ(P.VertRes, R.VertRes);
    EXPECT_EQ(P.PageWidth, R.PageWidth);
    EXPECT_EQ(P.PageHeight, R.PageHeight);
    EXPECT_EQ(P.OffsetX, R.OffsetX);
    EXPECT_EQ(P.OffsetY, R.OffsetY);
    EXPECT_EQ(P.PrintWidth, R.PrintWidth);
    EXPECT_EQ(P.PrintHeight, R.PrintHeight);
}

}  // namespace

TEST(RP_Printer, FakePrinterGivesTheFallbackMetrics)
{
    FakeInstalled S;
    TDocument Doc(nullptr);
    Doc.UpdatePrnInfo(true);
    EXPECT_EQ(Doc.PrnIndex, 0);
    for (Byte O : {Byte(0), Byte(1)}) {
        SCOPED_TRACE(int(O));
        TPrnInfo Fallback;
        Fallback.SetFallback(O);
        ExpectSame(*Doc.PrnInfo(O), Fallback);
    }
    EXPECT_EQ(Doc.PrnInfo(0)->PrintWidth, 748);
    EXPECT_EQ(Doc.PrnInfo(0)->PrintHeight, 1090);
    // Read landscape, then portrait: the printer is left in portrait.
    EXPECT_EQ(Printer()->Orientation(), poPortrait);
    EXPECT_EQ(S.Fake.CapsReads, 2);
}

// No printer installed: the pages are measured on the paper of a print into
// a file. A printer whose driver fails leaves the fallback paper.
TEST(RP_Printer, MissingPrinterMeasuresTheFilePaperFailingOneFallsBack)
{
    FakeInstalled S;
    S.Fake.Names.clear();
    S.Fake.Refresh();
    TDocument Doc(nullptr);
    Doc.UpdatePrnInfo(true);
    EXPECT_EQ(Doc.PrnIndex, -1);
    EXPECT_EQ(Doc.PrnInfo(0)->LogPixelsX, 600);

    S.Fake.Names = {"Office"};
    S.Fake.Refresh();
    S.Fake.FailWith = "driver failed";
    ExpectRaises<Exception>([&] { Doc.UpdatePrnInfo(true); }, "driver failed");
    EXPECT_EQ(Doc.PrnIndex, -2);
}

// A print into a file is laid out on the file's paper, apart from the
// metrics of the template's printer, and does not read the printer list.
TEST(RP_Printer, PrintIntoFileMeasuresTheFileWithoutThePrinterList)
{
    FakeInstalled S;
    S.Fake.Names = {"Office", "Tags"};
    S.Fake.SetOutputFileName("tags.pdf");
    TDocument Doc(nullptr);
    Doc.PrinterType = -1;
    Doc.PrinterName = "Tags";
    Doc.UpdatePrnInfo(true);
    EXPECT_EQ(S.Fake.ListReads, 0);
    EXPECT_EQ(Doc.PrnIndex, -1);
    EXPECT_EQ(Doc.PrnInfo(0)->LogPixelsX, 600);

    // Printing on paper again: the printer's own metrics are read.
    S.Fake.SetOutputFileName("");
    const int Reads = S.Fake.CapsReads;
    Doc.UpdatePrnInfo(false);
    EXPECT_EQ(Doc.PrnIndex, 1) << "the template's printer";
    EXPECT_GT(S.Fake.CapsReads, Reads);
}

namespace {

struct AnswersPrinter {
    bool Answer = false;
    int Asked = 0;
    bool Choose(TObject*, int, const AnsiString&)
    {
        ++Asked;
        if (Answer)
            Printer()->SetPrinterIndex(2);
        return Answer;
    }
};

}  // namespace

TEST(RP_Printer, TemplateChoosesItsPrinter)
{
    FakeInstalled S;
    S.Fake.Names = {"Office", "Tags", "Labels"};
    S.Fake.DefaultIndex = 0;
    S.Fake.Refresh();
    TDocument Doc(nullptr);
    Doc.PrinterType = -1;
    Doc.PrinterName = "Tags";
    Doc.UpdatePrnInfo(true);
    EXPECT_EQ(Printer()->PrinterIndex(), 1) << "the named printer";
    EXPECT_EQ(Doc.PrnIndex, 1);

    Doc.PrinterName = "Gone";
    Doc.UpdatePrnInfo(true);
    EXPECT_EQ(Printer()->PrinterIndex(), 0) << "a printer not installed: the default";

    AnswersPrinter Host;
    Doc.OnSetPrinterEvent = TSetPrinterEvent(&Host, &AnswersPrinter::Choose);
    Host.Answer = true;
    Doc.UpdatePrnInfo(true);
    EXPECT_EQ(Host.Asked, 1);
    EXPECT_EQ(Doc.PrnIndex, 2) << "the host's choice stands";
}

// A printer that cannot give its metrics: the operator is told and the
// build goes on with the fallback paper; printing stops with the same text.
TEST(RP_Printer, BuildWithFailingPrinterTellsAndGoesOn)
{
    FakeInstalled S;
    S.Fake.FailWith = "Принтер не установлен"_a;
    TDocument Doc(nullptr);
    auto* V = new TView(vkText, &Doc);
    V->SetBoundsRect(Rect(0, 0, 100, 20));
    V->Lines->Add("x");
    Doc.CurrentPage()->AddView(V);
    const AnsiString Expected =
        "Не установлен принтер по умолчанию или ошибка драйвера принтера\r\n\r\n\t"
        "Ошибка Windows: \r\nПринтер не установлен"_a;
    std::vector<AnsiString> Shown;
    {
        const MessageBoxHookScope Hook([&](const AnsiString& Text, const AnsiString& Caption,
                                           UINT) {
            Shown.push_back(Caption);
            Shown.push_back(Text);
            return IDOK;
        });
        Doc.BuildReport();
    }
    ASSERT_EQ(Shown.size(), 2u);
    EXPECT_EQ(Shown[0], "Printer error");
    EXPECT_EQ(Shown[1], Expected);
    EXPECT_EQ(Doc.PageInfoCount(), 1);
    EXPECT_EQ(Doc.GetPageInfo(0)->DrawingWidth(), 748) << "the fallback paper";

    InstallReportPrintJob(PlatformReportPrintJob());
    Doc.PrnTick = 0;
    ExpectRaises<Exception>([&] { Doc.Print(0, 0, 1, true); }, Expected);
    InstallReportPrintJob(nullptr);
}

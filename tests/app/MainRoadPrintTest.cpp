// The main road as a shop operator walks it, through the program's own
// start-up and windows (run once more under a real X server): the example
// workbook opened and imported, priced whole roubles with kopecks always
// shown, a price of more than ten thousand typed into the grid, the three
// tag sizes and the statement printed from the print view into PDF files.
// The files are read back as text and rendered: every price's ink lies
// inside its box (a cut price ends on the box's edge) and the empty tags
// of a sheet's last row print nothing.

#include "app/AppMain.h"

#include "app/InvFRep.h"
#include "app/InvoiceType.h"
#include "app/MainInvoice.h"
#include "app/NewOutgoing.h"
#include "common/components/YLDCompn.h"
#include "common/components/YLDGrids.h"
#include "common/reports/RP_Document.h"
#include "common/reports/RP_PreviewForm.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/Menus.h"

#include "tests/app/AppWindowsTestKit.h"
#include "tests/app/MainWindowTestKit.h"
#include "tests/app/PageProbe.h"
#include "tests/app/PdfBuilder.h"
#include "tests/common/reports/ReportPrinterScope.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace app_test;
using namespace page_probe;
using namespace pdf_test;

namespace {

/// The program's windows made and set up as its start makes them, in the
/// scope's start-up folder; taken down as its end does.
class ProgramScope {
public:
    ProgramScope()
    {
        CreateAppWindows();
        FStarted = RestForms();
        FormMain->Show();
        Application->ProcessMessages();
    }
    ~ProgramScope()
    {
        if (FStarted)
            FinishForms();
        FreeAppWindows();
        delete FormFRep;
        Application->OnException = TExceptionEvent();
    }
    ProgramScope(const ProgramScope&) = delete;
    ProgramScope& operator=(const ProgramScope&) = delete;

    bool Started() const { return FStarted; }

private:
    bool FStarted = false;
};

/// Prints the document on show in the print view into Pdf: the print
/// button, the print dialog answered with "print to file"; then the view is
/// closed with its button.
void PrintFromView(const AnsiString& Pdf, std::vector<std::string>& Printed)
{
    ASSERT_NE(FormFRep->DocPrint(), nullptr) << "no print view";
    TPreviewForm* View = FormFRep->DocPrint()->PreviewForm();
    ASSERT_TRUE(View && View->Visible());
    {
        const PrintToFileScope ToFile(Pdf);
        SimulateClick(View->PrintBtn, 5, 5);
    }
    Printed.push_back(U(Pdf));
    SimulateClick(View->ExitBtn, 5, 5);
    Application->ProcessMessages();
    EXPECT_EQ(FormFRep->DocPrint(), nullptr) << "the print view stays open";
}

/// Double-clicks the cell of column Tag in grid row ARow (edit mode on
/// that cell), types Text over it and ends the edit with Enter.
void TypeInto(TFormMain& Main, int ARow, int Tag, const char* Text)
{
    Tyl_DataDrawGrid* G = Main.grid;
    G->SetFocus();
    const TRect Cell = G->CellRect(ColumnOfTag(Main, Tag), ARow);
    ASSERT_GT(Cell.Right, Cell.Left) << "the column is out of sight";
    SimulateDoubleClick(G, Cell.Left + 5, Cell.Top + 5);
    ASSERT_TRUE(Main.EditMode());
    SimulateText(AnsiString::FromUtf8(Text));
    ASSERT_TRUE(G->IsEditorShown());
    SimulateKey(VK_RETURN);
    Application->ProcessMessages();
}

/// Renders the first page of Pdf as <Name>.png for a look.
void KeepPagePng(const std::string& Pdf, const std::string& Name)
{
    const char* Dir = std::getenv("PRICETAGS_PNG_DIR");
    const std::filesystem::path Folder = Dir ? Dir : "/tmp/pricetags-app";
    std::filesystem::create_directories(Folder);
    RunCommand("pdftoppm -r 110 -f 1 -l 1 -singlefile -png '" + Pdf + "' '" +
               (Folder / Name).string() + "'");
}

} // namespace

TEST(MainRoad, ImportPriceAndPrintEveryDocument)
{
    if (!HavePdfTools())
        GTEST_SKIP() << "poppler-utils is not installed (scripts/setup.sh installs it)";
    WindowsScope W;
    W.Config.Cfg().Customer = "Магазин «Уют»"_a;
    DialogHookScope Files([](TCommonDialog& D) {
        static_cast<TOpenDialog&>(D).SetFileName(ExampleBook());
        return true;
    });
    ProgramScope Program;
    ASSERT_TRUE(Program.Started());
    TFormMain& Main = *FormMain;
    // The operator widens the window so every column of the grid shows.
    Main.SetBounds(0, 0, 1400, 800);
    Application->ProcessMessages();

    // The supplier's workbook through the incoming-invoice dialog.
    OpenInvoiceNumber17(Main);
    ASSERT_EQ(Main.Invoice->Count(), 3);

    // Whole roubles, kopecks always printed; the first named markup on
    // every row; then a retail price typed for the first row.
    Main.mnRoundTo->Items(1)->Click();
    Main.mnPriceStyle2->Click();
    Main.cbMarkup->SetItemIndex(0);
    Main.cbMarkupSelect(Main.cbMarkup);
    Main.cbCalcAll->SetChecked(true);
    Main.acReCalc->Execute();
    TypeInto(Main, 1, 12, "10387");
    const TshInvoiceTovar& First = *Main.Invoice->GetItem(0);
    ASSERT_EQ(First.Price, Currency::FromRaw(10387 * Currency::Scale));
    KeepPng(&Main, "main-road-priced");

    std::vector<std::string> Printed;
    for (int Kind = 0; Kind < 3; ++Kind) {
        SCOPED_TRACE("tag kind " + std::to_string(Kind));
        Main.mnPrintTickets->Items(Kind)->Click();
        Application->ProcessMessages();
        PrintFromView(W.Config.Dir().File("tags" + std::to_string(Kind + 1) + ".pdf"), Printed);
    }
    {
        AnswerScope<TFormOutgoing> A([](TFormOutgoing& F) {
            F.edInvNum->SetText("42");
            F.DoOk();
        });
        Main.acPrintRep->Execute();
        Application->ProcessMessages();
        PrintFromView(W.Config.Dir().File("statement.pdf"), Printed);
    }
    EXPECT_TRUE(W.Said("ShowErrorWindow").empty());
    ASSERT_EQ(Printed.size(), 4u);

    // Every price of the three rows, card prices beside them, on every size.
    std::vector<std::string> Prices;
    for (int Row = 0; Row < 3; ++Row) {
        const TshInvoiceTovar& T = *Main.Invoice->GetItem(Row);
        Prices.push_back(PriceText(2, T.Price));
        // A row without a card discount shows its price there without words.
        Prices.push_back((T.PriceDiscount == T.Price ? "" : "По карте: ") +
                         PriceText(2, T.PriceDiscount));
    }
    EXPECT_EQ(Prices[0], "10 387,00");
    // Across: four, three and two tags; the 75x90 sheet's second row has one
    // tag and one empty.
    struct Sheet {
        const char* Template;
        int Rows;
        int Across;
    } const Sheets[] = {{"Ticket1.dcr", 1, 4}, {"Ticket2.dcr", 1, 3}, {"Ticket3.dcr", 2, 2}};
    for (int S = 0; S < 3; ++S) {
        SCOPED_TRACE(Printed[S]);
        const std::string Text = RunCommand("pdftotext -layout '" + Printed[S] + "' -");
        for (const std::string& P : Prices)
            EXPECT_NE(Text.find(P), std::string::npos) << P << " in\n" << Text;
        EXPECT_EQ(Text.find("Страна: Беларусь"), Text.rfind("Страна: Беларусь"));

        const TagTemplate Template(gTxtPath + Sheets[S].Template);
        const PageImage Page(Printed[S], 1, 192);
        ASSERT_GT(Page.Width(), 0);
        const TagSheet Tags(Page, Template);
        for (int Row = 0; Row < 3; ++Row) {
            const int SheetRow = Row / Sheets[S].Across;
            const int K = Row % Sheets[S].Across + 1;
            const std::string N = std::to_string(K);
            Tags.ExpectInkInside(K, SheetRow, "[PRICE." + N + "]", Prices[2 * Row]);
            Tags.ExpectInkInside(K, SheetRow, "PRICEDISCOUNT." + N, Prices[2 * Row + 1]);
        }
        for (int Empty = 3; Empty < Sheets[S].Rows * Sheets[S].Across; ++Empty)
            Tags.ExpectBlank(Empty % Sheets[S].Across + 1, Sheets[S].Rows - 1);
        KeepPagePng(Printed[S], "main-road-tags" + std::to_string(S + 1));
    }

    // The statement: its own number, the rows with their prices in the
    // statement's style (kopecks when there are any) and their sums in
    // kopecks, the totals.
    const std::string Statement = RunCommand("pdftotext -layout '" + Printed[3] + "' -");
    const TshInvoiceTovar& Second = *Main.Invoice->GetItem(1);
    ExpectInOrder(Statement,
                  {"Магазин «Уют»", "Ведомость № 42", "Наименование товара",
                   U(First.Name), PriceText(0, First.Price), PriceText(2, First.Price * First.Kolvo),
                   U(Second.Name), "Итого:", PriceText(2, Main.Invoice->GetRetailTotal()),
                   "Сумма по закупочным ценам: " + PriceText(2, Main.Invoice->GetCostTotal()),
                   "Страница 1"});
    KeepPagePng(Printed[3], "main-road-statement");
}

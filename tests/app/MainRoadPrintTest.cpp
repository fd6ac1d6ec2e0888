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
#include "common/reports/RP_DesignForm.h"
#include "common/reports/RP_Document.h"
#include "common/reports/RP_Page.h"
#include "common/reports/RP_PreviewForm.h"
#include "common/reports/RP_View.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/InputSimulation.h"
#include "platform/forms/Menus.h"
#include "platform/forms/StdCtrls.h"

#include "tests/app/AppWindowsTestKit.h"
#include "tests/app/MainWindowTestKit.h"
#include "tests/app/PageProbe.h"
#include "tests/app/PdfBuilder.h"
#include "tests/common/reports/ReportPrinterScope.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
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

/// The tallest word of page 1 of Pdf (with Text: the tallest of those
/// words): its box in points, from pdftotext's word boxes.
struct WordBox {
    double XMin = 0, YMin = 0, XMax = 0, YMax = 0;
    std::string Text;
};
WordBox TallestWord(const std::string& Pdf, const std::string& Text = {})
{
    const std::string Html = RunCommand("pdftotext -f 1 -l 1 -bbox '" + Pdf + "' -");
    WordBox Best;
    for (size_t At = Html.find("<word"); At != std::string::npos; At = Html.find("<word", At + 1)) {
        WordBox W;
        const auto Value = [&](const char* Key) {
            const size_t K = Html.find(Key, At);
            return std::stod(Html.substr(K + std::string(Key).size()));
        };
        W.XMin = Value("xMin=\"");
        W.YMin = Value("yMin=\"");
        W.XMax = Value("xMax=\"");
        W.YMax = Value("yMax=\"");
        const size_t Open = Html.find('>', At) + 1;
        W.Text = Html.substr(Open, Html.find("</word>", Open) - Open);
        if ((Text.empty() || W.Text == Text) && W.YMax - W.YMin > Best.YMax - Best.YMin)
            Best = W;
    }
    return Best;
}

/// The element of Page whose first line is Text; null when there is none.
TView* ViewWithText(TPage& Page, const char* Text)
{
    for (int I = 0; I < Page.ViewCount(); ++I) {
        TView* V = Page.GetView(I);
        if (V->Lines->Count() > 0 && U(V->Lines->Strings(0)) == Text)
            return V;
    }
    return nullptr;
}

/// A road starts the program in its own start-up folder with the example
/// workbook offered by the open dialog, widens the main window so every
/// column of the grid shows and imports the workbook as invoice 17. The
/// printed files are read back with poppler-utils, so a road without them
/// is skipped.
class MainRoad : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!HavePdfTools())
            GTEST_SKIP() << "poppler-utils is not installed (scripts/setup.sh installs it)";
    }

    /// Starts the program on the settings W.Config holds and imports the
    /// invoice; the open dialog is answered only while it does.
    void StartWithInvoice17()
    {
        const DialogHookScope Files([](TCommonDialog& D) {
            static_cast<TOpenDialog&>(D).SetFileName(ExampleBook());
            return true;
        });
        Program.emplace();
        ASSERT_TRUE(Program->Started());
        FormMain->SetBounds(0, 0, 1400, 800);
        Application->ProcessMessages();
        OpenInvoiceNumber17(*FormMain);
        ASSERT_EQ(FormMain->Invoice->Count(), 3);
    }

    /// Prints the tags of size Kind (0 is 40x60) from the main window's
    /// menu through the print view into Pdf in the start-up folder.
    void PrintTags(int Kind, const std::string& Pdf)
    {
        FormMain->mnPrintTickets->Items(Kind)->Click();
        Application->ProcessMessages();
        PrintFromView(W.Config.Dir().File(Pdf), Printed);
    }

    WindowsScope W;
    /// The PDF files printed so far, in order.
    std::vector<std::string> Printed;

private:
    std::optional<ProgramScope> Program;
};

} // namespace

// The shop changes its 40x60 tag template: from the main window into the
// designer, the price moved down by the mouse and its type enlarged, saved
// and left; the tags printed afterwards show the price lower and larger.
TEST_F(MainRoad, DesignerChangesTheTagTemplate)
{
    ASSERT_NO_FATAL_FAILURE(StartWithInvoice17());
    TFormMain& Main = *FormMain;
    Main.rgPriceTicket->SetItemIndex(0);
    PrintTags(0, "before.pdf");

    // The first save asks for the file: the one proposed, with its folder.
    auto Files = std::make_unique<DialogHookScope>([](TCommonDialog& D) {
        auto* Save = dynamic_cast<TSaveDialog*>(&D);
        if (!Save)
            return false;
        Save->SetFileName(Save->InitialDir() + Save->FileName());
        return true;
    });
    int Shown = 0;
    int NewSize = 0;
    AnswerScope<TDesignForm> Design([&](TDesignForm& F) {
        ++Shown;
        TView* Price = ViewWithText(*F.Document->CurrentPage(), "[PRICE.1]");
        ASSERT_NE(Price, nullptr);
        const TRect R = Price->GetDisplayRect();
        const int X = R.Left + 30;
        const int Y = R.Top + 10;
        SimulateMouseMove(F.Surface, X, Y);
        SimulateClick(F.Surface, X, Y);
        SimulateMouseDown(F.Surface, mbLeft, X, Y);
        for (int Step = 1; Step <= 4; ++Step)
            SimulateMouseMove(F.Surface, X, Y + Step * 5);
        SimulateMouseUp(F.Surface, mbLeft, X, Y + 20);
        Application->ProcessMessages();
        EXPECT_EQ(Price->GetDisplayRect().Top, R.Top + 20);
        // A larger type through the size list, as Enter there takes it.
        const int Size = Price->FontSize;
        F.cbFontSize->SetFocus();
        F.cbFontSize->SetText(IntToStr(Size + 6));
        SimulateKey(VK_RETURN);
        Application->ProcessMessages();
        EXPECT_EQ(Price->FontSize, Size + 6);
        NewSize = Size + 6;
        KeepPng(&F, "designer-road-changed");
        auto* Ok = dynamic_cast<TControl*>(F.FindComponent("btDocSaveExit"));
        ASSERT_NE(Ok, nullptr);
        SimulateClick(Ok, 5, 5);
        Application->ProcessMessages();
        if (F.ModalResult() == mrNone)
            F.DocSaveExit->Execute();
    });
    Main.acDesignTicket->Execute();
    Application->ProcessMessages();
    Files.reset();
    ASSERT_EQ(Shown, 1);
    EXPECT_TRUE(W.Said("ShowErrorWindow").empty());
    EXPECT_EQ(FormFRep->DocDesign(), nullptr);

    PrintTags(0, "after.pdf");
    ASSERT_EQ(Printed.size(), 2u);
    // The first tag's price: its largest word (the card price repeats it
    // smaller) moved 20 pixels (15 points) down, the other tags' prices
    // where they were. Its larger type is kept in the template; printed,
    // it is fitted into the price's box as before (the box's width is the
    // limit).
    const std::string PriceWord = TallestWord(Printed[0]).Text;
    const WordBox Before = TallestWord(Printed[0], PriceWord);
    const WordBox After = TallestWord(Printed[1], PriceWord);
    SCOPED_TRACE(PriceWord);
    EXPECT_NEAR((After.YMin + After.YMax) / 2 - (Before.YMin + Before.YMax) / 2, 15, 4);
    EXPECT_NEAR(After.XMax - After.XMin, Before.XMax - Before.XMin, 2);
    const std::string Other = TallestWord(Printed[0], "100").Text;
    EXPECT_NEAR(TallestWord(Printed[1], Other).YMin, TallestWord(Printed[0], Other).YMin, 0.5);
    TDocument Saved(nullptr);
    Saved.SetNameSaveFile(gTxtPath + "Ticket1.dcr");
    Saved.Load();
    const TView* SavedPrice = ViewWithText(*Saved.CurrentPage(), "[PRICE.1]");
    ASSERT_NE(SavedPrice, nullptr);
    EXPECT_EQ(SavedPrice->FontSize, NewSize);
    KeepPagePng(Printed[1], "designer-road-tags");
}

TEST_F(MainRoad, ImportPriceAndPrintEveryDocument)
{
    W.Config.Cfg().Customer = "Магазин «Уют»"_a;
    ASSERT_NO_FATAL_FAILURE(StartWithInvoice17());
    TFormMain& Main = *FormMain;

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

    for (int Kind = 0; Kind < 3; ++Kind) {
        SCOPED_TRACE("tag kind " + std::to_string(Kind));
        PrintTags(Kind, "tags" + std::to_string(Kind + 1) + ".pdf");
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

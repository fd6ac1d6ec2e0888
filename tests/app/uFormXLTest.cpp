// The spreadsheet set-up window driven as the operator drives it: the
// shipped sample workbooks opened from the main window, the header row and
// the region picked with the mouse in the sheet view, the analysis grid's
// texts and key filters, transfers with and without the analysis, whole
// columns picked, and workbooks that cannot be read.

#include "app/uFormXL.h"

#include "app/AnalizeResult.h"
#include "app/AppMain.h"
#include "app/ArticleList.h"
#include "app/InvoiceType.h"
#include "app/MainInvoice.h"
#include "common/YLDCompn.h"
#include "common/YLDGrids.h"
#include "common/reports/RP_PreviewForm.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/Menus.h"
#include "platform/gui/SheetView.h"
#include "platform/sheets/ExcelApplication.h"
#include "tests/app/AppWindowsTestKit.h"

#include <gtest/gtest.h>

#include <memory>

using namespace app_test;

namespace {

AnsiString Sample(const char* Name)
{
    return AnsiString::FromUtf8((std::filesystem::path(PRICETAGS_SOURCE_DIR) / "data" / "samples"
                                 / Name).string());
}

AnsiString Fixture(const char* Folder, const char* Name)
{
    return AnsiString::FromUtf8((TestData() / Folder / Name).string());
}

/// Errors escaping a handler are shown as the program shows them.
class ExceptionsShown {
public:
    ExceptionsShown() { InstallAppExceptionHandler(); }
    ~ExceptionsShown() { Application->OnException = TExceptionEvent(); }
    ExceptionsShown(const ExceptionsShown&) = delete;
    ExceptionsShown& operator=(const ExceptionsShown&) = delete;
};

/// The main window and the set-up window as at start-up.
class SetupWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        Main = std::make_unique<TFormMain>(Application);
        Main->SetupFromConfig();
        Main->Show();
        XL = std::make_unique<TFormXL>(Application);
        FormXL = XL.get();
        Application->ProcessMessages();
    }
    void TearDown() override
    {
        if (XL->Visible())
            XL->Close();
        XL.reset();
        Main.reset();
    }

    /// Opens a workbook from the main window's "Настроить XL".
    void OpenForSetup(const AnsiString& File)
    {
        Main->SetInvoiceFileName(File);
        SimulateClick(Main->btMakeExcel, 5, 5);
        Application->ProcessMessages();
    }
    SheetView& View() { return *XL->ole1; }
    TPoint Middle(int ACol, int ARow)
    {
        const TRect R = View().CellRect(ACol, ARow);
        return {(R.Left + R.Right) / 2, (R.Top + R.Bottom) / 2};
    }
    /// Selects sheet cells from (Col1, Row1) to (Col2, Row2) with the mouse:
    /// a click, then a Shift click (scrolled into view first).
    void SelectCells(int Col1, int Row1, int Col2, int Row2)
    {
        View().SetTopRow(std::max(1, Row1 - 1));
        Application->ProcessMessages();
        TPoint P = Middle(Col1, Row1);
        SimulateClick(&View(), P.X, P.Y);
        if (Row2 != Row1 || Col2 != Col1) {
            View().SetTopRow(std::max(1, Row2 - 10));
            Application->ProcessMessages();
            P = Middle(Col2, Row2);
            SimulateClick(&View(), P.X, P.Y, mbLeft, {ssShift});
        }
    }
    void ClickColumnHeader(int Col)
    {
        const TPoint P = Middle(Col, 0);
        SimulateClick(&View(), P.X, P.Y);
    }
    /// Clicks a cell of the region picker and leaves it.
    void Pick(int ACol, int ARow)
    {
        Tyl_Bevel& Bv = *XL->bv;
        SimulateClick(&Bv, ACol * Bv.CellWidth() + Bv.CellWidth() / 2,
                      ARow * Bv.CellHeight() + Bv.CellHeight() / 2);
        // The mouse leaves the picker for the sheet, as the operator's does:
        // the picker follows it while it is over its cells.
        SimulateMouseMove(&Bv, -20, Bv.Height() / 2);
    }
    TAnResItem& Item(Byte Kind) { return *XL->Analysis->FindByKind(Kind); }
    int GridRowOf(Byte Kind)
    {
        for (int I = 0; I < XL->Analysis->Count(); ++I)
            if (XL->Analysis->GetItem(I)->Kind == Kind)
                return I + XL->gdItems->FixedRows();
        return -1;
    }
    /// The analysis grid's value text of an item.
    std::string Shown(Byte Kind) { return U(XL->ItemText(1, GridRowOf(Kind))); }

    WindowsScope W;
    std::unique_ptr<TFormMain> Main;
    std::unique_ptr<TFormXL> XL;
};

}  // namespace

// The main road: the shipped supplier invoice opened for set-up, the header
// row and the goods picked with the mouse, "Экспорт в гл.форму": the rows
// come priced into the main window and the set-up window goes.
TEST_F(SetupWindow, PicksByMouseAndTransfersTheSupplierInvoice)
{
    OpenForSetup(Sample("supplier-invoice.xls"));
    ASSERT_TRUE(XL->Visible());
    EXPECT_EQ(U(XL->Caption()), "Настройка документа Excel [Накладная: \"" + U(Sample("supplier-invoice.xls")) + "\" ]");
    ASSERT_NE(View().Sheet(), nullptr);
    EXPECT_EQ(U(Main->mnWindows->Items(Main->mnWindows->Count() - 1)->Caption()), "Накладная");
    EXPECT_EQ(XL->gdItems->RowCount(), XL->Analysis->Count() + 1);
    EXPECT_EQ(Shown(KindHeaderRow), "  -  ");
    KeepPng(XL.get(), "setup-window-opened");

    // "PrintPreview": the used range as pages in the print view.
    AnswerScope<TPreviewForm> Preview([](TPreviewForm& F) {
        EXPECT_EQ(F.PageCount(), 1);
        KeepPng(&F, "setup-window-print-preview");
    });
    SimulateClick(XL->btPreview, 5, 5);
    EXPECT_EQ(Preview.Shown, 1);

    // The heading is row 7, the goods rows 8 to 31 in columns A to F.
    SelectCells(2, 7, 2, 7);
    Pick(0, 3);
    EXPECT_EQ(Shown(KindHeaderRow), "7");
    SelectCells(1, 8, 6, 31);
    Pick(1, 1);
    EXPECT_EQ(Shown(KindFirstRow), "8");
    EXPECT_EQ(Shown(KindLastRow), "31");
    EXPECT_EQ(Shown(KindLeftColumn), "1");
    EXPECT_EQ(Shown(KindRightColumn), "6");
    KeepPng(XL.get(), "setup-window-supplier-invoice");

    SimulateClick(XL->btAnalize, 5, 5);
    SimulateClick(XL->btUsedRange, 5, 5);
    View().SetTopRow(1);
    View().SetLeftCol(1);
    KeepPng(XL.get(), "setup-window-analysed");
    EXPECT_EQ(Shown(KindItem), "2");
    EXPECT_EQ(Shown(KindQuantity), "4");
    EXPECT_EQ(Shown(KindPrice), "5");
    EXPECT_EQ(Shown(KindTotal), "229\xC2\xA0" "901,10");
    SimulateClick(XL->btTransfer, 5, 5);
    Application->ProcessMessages();
    EXPECT_FALSE(XL->Visible());
    EXPECT_EQ(View().Sheet(), nullptr);
    ASSERT_EQ(Main->Invoice->Count(), 24);
    EXPECT_EQ(U(Main->Invoice->GetItem(0)->Name), "Холодильник NRB 110 двухкамерный");
    EXPECT_EQ(Main->Invoice->GetItem(0)->Kolvo, Curr("2"));
    EXPECT_EQ(Main->Invoice->GetItem(0)->PriceOpt, Curr("18450"));
    Main->cbMarkup->SetItemIndex(0);
    Main->cbMarkupSelect(Main->cbMarkup);
    Main->cbCalcAll->SetChecked(true);
    Main->acReCalc->Execute();
    EXPECT_GT(Main->Invoice->GetItem(0)->Price, Curr("18450"));  // priced by the markup
    KeepPng(Main.get(), "main-window-after-setup");
    EXPECT_EQ(Main->Invoice->GetErrors()->Count(), 0);
    EXPECT_NE(U(Main->mnWindows->Items(Main->mnWindows->Count() - 1)->Caption()), "Накладная");
}

// B5:F20 and "[область]" give rows 5 to 20 and columns 2 to 6 in sheet
// terms whatever the used range's first cell; corners set one row and one
// column; a whole column's rows stop at the used range.
TEST_F(SetupWindow, RegionPickerTakesTheSelectionInSheetTerms)
{
    struct Case {
        const char* Book;
        int Col1, Row1, Col2, Row2;  // the cells selected
        int PickCol, PickRow;        // the picker cell clicked
        const char *First, *Last, *Left, *Right;
    };
    const Case Cases[] = {
        // The used range starts at A1.
        {"supplier-invoice.xls", 2, 5, 6, 20, 1, 1, "5", "20", "2", "6"},
        // The article list: rows only, its layout has no left and right
        // column.
        {"articles.xls", 2, 5, 6, 6, 1, 1, "5", "6", nullptr, nullptr},
        // The top left corner: the first row and the left column only.
        {"supplier-invoice.xls", 3, 9, 4, 12, 0, 0, "9", "  -  ", "3", "  -  "},
        // The bottom right corner: the last row and the right column.
        {"supplier-invoice.xls", 3, 9, 4, 12, 2, 2, "  -  ", "12", "  -  ", "4"},
        // A single cell.
        {"supplier-invoice.xls", 5, 10, 5, 10, 1, 1, "10", "10", "5", "5"},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(std::string(C.Book) + " " + std::to_string(C.PickCol) + ","
                     + std::to_string(C.PickRow));
        if (std::string(C.Book) == "articles.xls") {
            XL->ShowFormXL(Sample(C.Book), 2);
            Application->ProcessMessages();
        } else {
            OpenForSetup(Sample(C.Book));
        }
        SelectCells(C.Col1, C.Row1, C.Col2, C.Row2);
        Pick(C.PickCol, C.PickRow);
        EXPECT_EQ(Shown(KindFirstRow), C.First);
        EXPECT_EQ(Shown(KindLastRow), C.Last);
        if (C.Left) {
            EXPECT_EQ(Shown(KindLeftColumn), C.Left);
            EXPECT_EQ(Shown(KindRightColumn), C.Right);
        }
        XL->Close();
    }

    // The used range C5:G9: its origin turns sheet numbers into offsets.
    XL->ShowFormXL(Fixture("Workbook", "invoice-c5.xls"), 0);
    Application->ProcessMessages();
    SelectCells(4, 6, 6, 8);
    Pick(1, 1);
    EXPECT_EQ(Item(KindFirstRow).Index, 1);
    EXPECT_EQ(Item(KindLeftColumn).Index, 1);
    EXPECT_EQ(Shown(KindFirstRow), "6");
    // A whole column: 65536 rows in the selection, the last row of the
    // used range in the pick.
    ClickColumnHeader(4);
    EXPECT_EQ(XL->XL().Selection().Rows().Count(), 65536);
    Pick(1, 1);
    EXPECT_EQ(Shown(KindFirstRow), "5");
    EXPECT_EQ(Shown(KindLastRow), "9");
    // A whole row: 256 columns in the selection, the used range's columns
    // C to G in the pick.
    const TPoint RowHeader = Middle(0, 7);
    SimulateClick(&View(), RowHeader.X, RowHeader.Y);
    EXPECT_EQ(XL->XL().Selection().Columns().Count(), 256);
    Pick(1, 1);
    EXPECT_EQ(Shown(KindFirstRow), "7");
    EXPECT_EQ(Shown(KindLastRow), "7");
    EXPECT_EQ(Shown(KindLeftColumn), "3");
    EXPECT_EQ(Shown(KindRightColumn), "7");
}

// The analysis grid: the editor only in the value column and not on a
// heading item; a total takes a number with either decimal mark, a row or
// column only digits; a total picked from an empty cell reads "  -  ".
TEST_F(SetupWindow, AnalysisGridFiltersKeysAndShowsNotFound)
{
    OpenForSetup(Sample("supplier-invoice.xls"));
    Tyl_DataDrawGrid& G = *XL->gdItems;
    struct Case {
        Byte Kind;
        const char* Typed;
        const char* Shown;
    };
    const Case Cases[] = {
        {KindTotal, "1234.5", "1\xC2\xA0" "234,50"},  // the point becomes the decimal comma
        {KindTotal, "12,7x", "12,70"},      // a letter is refused
        {KindHeaderRow, "1x2.5", "125"},    // digits only in a row
        {KindPrice, "-5", "5"},             // and in a column
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Typed);
        G.SetFocus();
        G.SetCol(1);
        G.SetRow(GridRowOf(C.Kind));
        SimulateKey(VK_F2);
        ASSERT_TRUE(G.EditorMode());
        SimulateKey('A', {ssCtrl});
        SimulateKey(VK_BACK);
        SimulateText(AnsiString(C.Typed));
        SimulateKey(VK_RETURN);
        EXPECT_EQ(Shown(C.Kind), C.Shown);
    }
    // No editor in the name column.
    G.SetCol(0);
    G.SetRow(GridRowOf(KindPrice));
    SimulateKey(VK_F2);
    EXPECT_FALSE(G.EditorMode());

    // The total double clicked with an empty cell selected.
    SelectCells(6, 3, 6, 3);
    G.SetCol(1);
    G.SetRow(GridRowOf(KindTotal));
    const TRect R = G.CellRect(1, GridRowOf(KindTotal));
    SimulateDoubleClick(&G, R.Left + 3, R.Top + 3);
    EXPECT_EQ(Shown(KindTotal), "  -  ");
    // The total of the sheet double clicked: its value.
    SelectCells(6, 32, 6, 32);
    SimulateDoubleClick(&G, R.Left + 3, R.Top + 3);
    EXPECT_EQ(Shown(KindTotal), "229\xC2\xA0" "901,10");
}

// A transfer without "Найти автоматом": the analysis runs then, the picks
// standing over what it finds. A region picked wider than the goods block
// makes its extra rows goods rows instead of skipping them.
TEST_F(SetupWindow, TransferWithoutAnalysisKeepsThePicks)
{
    OpenForSetup(Sample("supplier-invoice.xls"));
    SelectCells(1, 10, 6, 32);
    Pick(1, 1);
    SimulateClick(XL->btTransfer, 5, 5);
    Application->ProcessMessages();
    EXPECT_FALSE(XL->Visible());
    // Rows 10 to 31 and the total row 32, which the pick took in.
    ASSERT_EQ(Main->Invoice->Count(), 23);
    EXPECT_EQ(U(Main->Invoice->GetItem(0)->Name), "Чайник электрический Bosch TWK 3A011");
    EXPECT_EQ(U(Main->Invoice->GetItem(22)->Name), "Итого");
    for (int I = 0; I < Main->Invoice->GetErrors()->Count(); ++I)
        EXPECT_EQ(U(Main->Invoice->GetErrors()->Strings(I)).find("Пропущена"), std::string::npos);
}

// A transfer that fails, and workbooks that cannot be read: the error in
// the program's words, the window usable, the invoice as it was.
TEST_F(SetupWindow, FailuresLeaveTheInvoiceAsItWas)
{
    const ExceptionsShown Shown;
    Main->Invoice->Add()->Name = "Чайник"_a;
    Main->RefreshGrids();

    XL->ShowFormXL(Fixture("Workbook", "empty-sheet.xls"), 0);
    Application->ProcessMessages();
    W.Messages.clear();
    SimulateClick(XL->btTransfer, 5, 5);
    Application->ProcessMessages();
    // The analysis finds no columns, then the import finds no rows.
    EXPECT_EQ(W.Said("ShowErrorWindow"),
              (std::vector<std::string>{
                  "Не определены основные столбцы накладной.\r\nВ накладной обязательно должны "
                  "быть определены \r\nстолбцы \"Товар\", \"Количество\" и \"Цена\"",
                  "Не определена начальная строка при анализе\r\nНе определена конечная строка "
                  "при анализе"}));
    EXPECT_TRUE(XL->Visible());
    ASSERT_EQ(Main->Invoice->Count(), 1);
    EXPECT_EQ(U(Main->Invoice->GetItem(0)->Name), "Чайник");

    struct Case {
        const char* File;
        const char* Said;
    };
    const Case Cases[] = {
        {"truncated-stream.xls", "Ошибка: Не могу открыть документ|Файл повреждён: "},
        {"not-a-compound-file.xls", "Ошибка: Не могу открыть документ|Файл не является книгой Excel: "},
        {"no-such-book.xls", "Ошибка: Не могу открыть документ|Файл не найден: "},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.File);
        W.Messages.clear();
        const AnsiString File = Fixture("Workbook/broken", C.File);
        XL->ShowFormXL(File, 0);
        Application->ProcessMessages();
        EXPECT_EQ(W.Said("ShowErrorWindow"), std::vector<std::string>{C.Said + U(File)});
        EXPECT_EQ(View().Sheet(), nullptr);
        // The buttons say there is no workbook; nothing breaks.
        W.Messages.clear();
        SimulateClick(XL->btAnalize, 5, 5);
        SimulateClick(XL->btTransfer, 5, 5);
        SimulateClick(XL->btUsedRange, 5, 5);
        Application->ProcessMessages();
        EXPECT_EQ(W.Said("ShowErrorWindow"),
                  (std::vector<std::string>{"Нет открытой книги", "Нет открытой книги",
                                            "Нет открытой книги"}));
        EXPECT_TRUE(XL->Visible());
        EXPECT_EQ(Main->Invoice->Count(), 1);
    }
}

// "Импорт описаний": the article workbook in the set-up window (shown with
// an invoice before), analysed and transferred; the descriptions replace
// the list.
TEST_F(SetupWindow, ImportsArticleDescriptions)
{
    DialogHookScope Files([](TCommonDialog& D) {
        static_cast<TOpenDialog&>(D).SetFileName(Sample("articles.xls"));
        return true;
    });
    OpenForSetup(Sample("supplier-invoice.xls"));
    const int MenuItems = Main->mnWindows->Count();
    Main->acImportArticles->Execute();
    Application->ProcessMessages();
    ASSERT_TRUE(XL->Visible());
    EXPECT_EQ(U(XL->Caption()), "Настройка документа Excel [Файл с описанием товаров: \""
                                    + U(Sample("articles.xls")) + "\" ]");
    EXPECT_EQ(Main->mnWindows->Count(), MenuItems);
    EXPECT_EQ(U(Main->mnWindows->Items(Main->mnWindows->Count() - 1)->Caption()), "Артикулы");
    SimulateClick(XL->btAnalize, 5, 5);
    W.Answer = [](const MsgRequest&) { return 2; };  // "Заменить"
    SimulateClick(XL->btTransfer, 5, 5);
    Application->ProcessMessages();
    EXPECT_FALSE(XL->Visible());
    ASSERT_EQ(Main->GetArticles()->Count(), 5);
    EXPECT_EQ(U(Main->GetArticles()->GetItem(0)->Model), "NRB 110 двухкамерный");
}

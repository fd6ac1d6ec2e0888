// The main window's grids: the invoice grid's columns, texts and colours,
// values typed through its editor, edit mode, marks with Space, the wheel,
// the totals row of the worked example, the price-style menu, and a render
// of a priced invoice.

#include "app/MainInvoice.h"

#include "app/InvoiceType.h"
#include "app/MarkupList.h"
#include "common/components/FuncsVCL.h"
#include "common/components/YLDCompn.h"
#include "common/components/YLDGrids.h"
#include "common/components/ylCtrls.h"
#include "platform/classes/Strings.h"
#include "platform/rtl/Exceptions.h"
#include "tests/app/AppWindowsTestKit.h"
#include "tests/app/MainWindowTestKit.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace app_test;

namespace {

/// A main window in the scope's start-up folder, set up and shown as at
/// start-up, with the rounding off unless Mode says otherwise.
std::unique_ptr<TFormMain> StartMain(Byte Mode = RoundModeOff)
{
    auto Main = std::make_unique<TFormMain>(Application);
    Main->SetupFromConfig();
    Main->RoundMode = Mode;
    Main->ApplyRoundMode();
    Main->Show();
    Application->ProcessMessages();
    return Main;
}

/// A row priced from Cost with 25 % markup and 5 % discount.
TshInvoiceTovar& AddRow(TFormMain& Main, const char* Name, const char* Cost, Byte Mode = 0)
{
    TshInvoiceTovar& Row = *Main.Invoice->Add();
    Row.Name = AnsiString::FromUtf8(Name);
    Row.Kolvo = Curr("2");
    Row.PriceOpt = Curr(Cost);
    Row.Calc(Mode, Curr("25"), Curr("5"));
    return Row;
}

/// Row named Name, 2 pieces at cost 100, priced with 25 % markup.
void AddRow(TshInvoiceTovar& Row, const char* Name)
{
    Row.Name = AnsiString::FromUtf8(Name);
    Row.Kolvo = Curr("2");
    Row.PriceOpt = Curr("100");
    Row.Calc(0, Curr("25"), Curr("5"));
}

/// Rows "Товар 1".."Товар N" at cost 100, shown in the grid.
void FillRows(TFormMain& Main, int N)
{
    Main.Invoice->Clear();
    for (int I = 1; I <= N; ++I)
        AddRow(Main, ("Товар " + std::to_string(I)).c_str(), "100");
    Main.RefreshGrids();
    Application->ProcessMessages();
}

std::string Cell(Tyl_DataDrawGrid* Grid, int ACol, int ARow)
{
    return U(Grid->EditText(ACol, ARow));
}

/// Types Text into the cell of Tag in grid row ARow through the editor
/// and ends the edit with Enter.
void TypeInto(TFormMain& Main, int ARow, int Tag, const char* Text)
{
    Main.EditCell = TPoint{ColumnOfTag(Main, Tag), ARow};
    Main.SetEditMode(true);
    Tyl_DataInplaceEdit* Editor = Main.grid->DataEditor();
    ASSERT_TRUE(Editor && Editor->Visible());
    Editor->SelectAll();
    if (*Text)
        SimulateText(AnsiString::FromUtf8(Text));
    else
        SimulateKey(VK_DELETE);
    SimulateKey(VK_RETURN);
    Application->ProcessMessages();
}

std::vector<bool> Marks(TFormMain& Main)
{
    std::vector<bool> R;
    for (int I = 0; I < Main.Invoice->Count(); ++I)
        R.push_back(Main.Invoice->GetItem(I)->Marked);
    return R;
}

} // namespace

// The columns in their order, with the titles, widths and flags the shop's
// layouts (stored by Tag) rely on.
TEST(MainWindowGrids, InvoiceColumns)
{
    WindowsScope W;
    auto Main = StartMain();
    struct Col {
        int Tag;
        const char* Title;
        int Width;
        bool ReadOnly;
        TAlignment Alignment;
    };
    const Col Cols[] = {
        {99, "№", 40, true, taCenter},          {2, "[x]", 19, true, taLeftJustify},
        {3, "Тип", 63, false, taLeftJustify},   {4, "Наименование товара", 0, false, taLeftJustify},
        {5, "Описание", 68, false, taLeftJustify}, {6, "Производство", 80, false, taLeftJustify},
        {7, "Фирма", 48, false, taLeftJustify}, {8, "Гар.", 32, false, taCenter},
        {9, "Кол", 30, true, taCenter},         {14, "Ед.", 30, false, taLeftJustify},
        {10, "Опт.цена", 58, true, taRightJustify}, {11, "Нац.", 34, false, taRightJustify},
        {12, "Цена1", 64, false, taRightJustify}, {13, "Цена2", 64, false, taRightJustify},
    };
    Tyl_DataDrawGrid* G = Main->grid;
    ASSERT_EQ(G->ColCount(), 14);
    EXPECT_EQ(G->FixedRows(), 1);
    EXPECT_EQ(G->FixedCols(), 0);
    int Sum = 0;
    for (int I = 0; I < 14; ++I) {
        SCOPED_TRACE(Cols[I].Title);
        const TColumn* C = G->Columns()->GetItem(I);
        EXPECT_EQ(C->Tag(), Cols[I].Tag);
        EXPECT_EQ(U(C->Title()->Caption()), Cols[I].Title);
        if (Cols[I].Width) {
            EXPECT_EQ(G->ColWidths(I), Cols[I].Width);
        }
        EXPECT_EQ(C->ReadOnly(), Cols[I].ReadOnly);
        EXPECT_EQ(C->Alignment(), Cols[I].Alignment);
        Sum += G->ColWidths(I) + G->GridLineWidth();
    }
    // The name column takes the free width, never below 100.
    EXPECT_GE(G->ColWidths(3), 144);
    EXPECT_EQ(Sum, G->ClientRect().Width());
    EXPECT_EQ(G->Columns()->GetItem(5)->PickList()->Count(), 5);
    EXPECT_EQ(U(G->Columns()->GetItem(5)->PickList()->Strings(0)), "Китай");
    EXPECT_EQ(G->Columns()->GetItem(6)->PickList()->Count(), 7);
}

// A column width the operator dragged comes back at the next start, with
// the name column still taking the free width.
TEST(MainWindowGrids, ColumnWidthsKeptAcrossRestart)
{
    WindowsScope W;
    const bool OldSave = gCanSaveSettings;
    gCanSaveSettings = true;
    {
        auto Main = StartMain();
        Main->grid->SetColWidths(ColumnOfTag(*Main, 5), 120);
        SaveFormPosition(Main.get());
    }
    auto Main = std::make_unique<TFormMain>(Application);
    RestoreFormPosition(Main.get());
    Main->SetupFromConfig();
    Main->Show();
    Application->ProcessMessages();
    gCanSaveSettings = OldSave;
    EXPECT_EQ(Main->grid->ColWidths(ColumnOfTag(*Main, 5)), 120);
    EXPECT_TRUE(Main->grid->Columns()->GetItem(3)->AutoSize());
}

// Cell texts and colours: row number, mark, the row's own texts; priced
// rows pale green but for the number column; nothing below the invoice.
TEST(MainWindowGrids, CellTextsAndColours)
{
    WindowsScope W;
    auto Main = StartMain();
    TshInvoiceTovar& Priced = AddRow(*Main, "Чайник", "100");
    Priced.Marked = true;
    Priced.Tip = "Бытовая"_a;
    TshInvoiceTovar& Plain = *Main->Invoice->Add();
    Plain.Name = "Утюг"_a;
    Plain.PriceOpt = Curr("50");
    Plain.Kolvo = Curr("1");
    Plain.Calc(0, Curr("0"), Curr("0"));
    Main->RefreshGrids();
    Tyl_DataDrawGrid* G = Main->grid;
    ASSERT_EQ(G->RowCount(), 3);
    struct Case {
        int Col;
        int Row;
        const char* Text;
    };
    const Case Cases[] = {
        {0, 1, "1"},            // row number
        {1, 1, "[x]"},          // marked
        {1, 2, ""},             // not marked
        {2, 1, "Бытовая"},      // type
        {3, 2, "Утюг"},         // name
        {8, 1, "2"},            // quantity
        {10, 1, "100"},         // cost in the list style
        {12, 1, "125"},         // retail
        {13, 1, "118,75"},      // card price
        {0, 0, "№"},            // the title row
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(std::to_string(C.Col) + "," + std::to_string(C.Row));
        if (C.Row == 0)
            EXPECT_EQ(U(G->Columns()->GetItem(C.Col)->Title()->Caption()), C.Text);
        else
            EXPECT_EQ(Cell(G, C.Col, C.Row), C.Text);
    }
    EXPECT_EQ(G->GetCellColor(5, 1), clCalculatedRow);
    EXPECT_EQ(G->GetCellColor(3, 1), clCalculatedRow);
    EXPECT_EQ(G->GetCellColor(0, 1), clBtnFace);
    EXPECT_EQ(G->GetCellColor(3, 2), clInfoBk);  // not priced: the column's own
    EXPECT_EQ(G->GetCellColor(5, 2), clWindow);

    // An empty invoice: the title row and the grid's one empty row.
    Main->Invoice->Clear();
    Main->RefreshGrids();
    EXPECT_EQ(G->RowCount(), 2);
    EXPECT_EQ(Cell(G, 0, 1), "");
    EXPECT_EQ(Cell(G, 3, 1), "");
    EXPECT_EQ(Main->CurrentRow(), nullptr);
}

// Values typed through the grid's editor, as the operator types them.
TEST(MainWindowGrids, TypedValues)
{
    WindowsScope W;
    struct Case {
        const char* What;
        Byte Mode;
        const char* Cost;
        int Tag;
        const char* Typed;
        const char* Price;       // retail afterwards
        const char* Card;        // card price afterwards
        const char* Said;        // error window, "" for none
    };
    const Case Cases[] = {
        {"retail price derives the markup", 0, "100", 12, "130", "130", "123.5", ""},
        {"markup", 0, "100", 11, "40", "140", "133", ""},
        {"card price derives the discount", 0, "100", 13, "110", "125", "110", ""},
        // Each keystroke prices from where the edit began: the discount does
        // not drift through the prices of "1" and "13".
        {"coarse rounding, typed key by key", 2, "100", 12, "130", "130", "124", ""},
        {"emptied cell keeps the row", 0, "100", 12, "", "125", "118.75", ""},
        {"no percent from a zero cost", 0, "0", 12, "50", "0", "0",
         "Ошибка вычислений: процент не считается от нулевой цены"},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.What);
        auto Main = StartMain(C.Mode);
        AddRow(*Main, "Чайник", C.Cost, C.Mode);
        Main->RefreshGrids();
        W.Messages.clear();
        TypeInto(*Main, 1, C.Tag, C.Typed);
        const TshInvoiceTovar& Row = *Main->Invoice->GetItem(0);
        EXPECT_EQ(Row.Price, Curr(C.Price));
        EXPECT_EQ(Row.PriceDiscount, Curr(C.Card));
        EXPECT_EQ(Row.PriceOpt, Curr(C.Cost));
        const std::vector<std::string> Said = W.Said("ShowErrorWindow");
        if (*C.Said)
            EXPECT_EQ(Said, std::vector<std::string>{C.Said}) << "said once for the edit";
        else
            EXPECT_TRUE(Said.empty());
        // The totals follow the row.
        EXPECT_EQ(Cell(Main->gdItogo, 3, 1), U(CurrToNumStr(Row.GetRetailSum(), 2)));
        Main->SetEditMode(false);
    }
}

// Texts go into the row as typed, the warranty as a number; a second edit
// of a cell starts from what the first one left.
TEST(MainWindowGrids, TypedTextsAndRepeatedEdits)
{
    WindowsScope W;
    auto Main = StartMain();
    AddRow(*Main, "Чайник", "100");
    Main->RefreshGrids();
    TypeInto(*Main, 1, 4, "Лампа");
    TypeInto(*Main, 1, 8, "24");
    TypeInto(*Main, 1, 14, "шт");
    const TshInvoiceTovar& Row = *Main->Invoice->GetItem(0);
    EXPECT_EQ(U(Row.Name), "Лампа");
    EXPECT_EQ(Row.Warranty, 24);
    EXPECT_EQ(U(Row.Ed), "шт");
    TypeInto(*Main, 1, 12, "130");
    TypeInto(*Main, 1, 13, "117");
    TypeInto(*Main, 1, 12, "150");
    EXPECT_EQ(Row.Price, Curr("150"));
    EXPECT_EQ(Row.Markup, Curr("50"));
    EXPECT_EQ(Row.Discount, Curr("10"));  // 117 of 130 carried to the new price
    EXPECT_EQ(Row.PriceDiscount, Curr("135"));
    EXPECT_TRUE(W.Messages.empty());
}

// Enter, Escape, the button and double clicks switch edit mode.
TEST(MainWindowGrids, EditModeSwitches)
{
    WindowsScope W;
    auto Main = StartMain();
    FillRows(*Main, 5);
    Tyl_DataDrawGrid* G = Main->grid;
    G->SetFocus();
    G->SetRow(2);
    SimulateKey(VK_RETURN);
    EXPECT_TRUE(Main->EditMode());
    EXPECT_TRUE(Main->sbEditMode->Down());
    EXPECT_EQ(G->Col(), 3) << "the name column";
    EXPECT_TRUE(G->IsEditorShown());
    EXPECT_FALSE(G->Options().Contains(goRowSelect));
    SimulateKey(VK_ESCAPE);  // closes the editor
    EXPECT_TRUE(Main->EditMode());
    SimulateKey(VK_ESCAPE);  // then edit mode
    EXPECT_FALSE(Main->EditMode());
    EXPECT_FALSE(Main->sbEditMode->Down());
    EXPECT_TRUE(G->Options().Contains(goRowSelect));
    EXPECT_TRUE(G->Options().Contains(goRangeSelect));

    // A double click edits the cell under the mouse; another one ends it.
    const TRect Price = G->CellRect(ColumnOfTag(*Main, 12), 4);
    SimulateDoubleClick(G, Price.Left + 5, Price.Top + 5);
    EXPECT_TRUE(Main->EditMode());
    EXPECT_EQ(G->Col(), ColumnOfTag(*Main, 12));
    EXPECT_EQ(G->Row(), 4);
    EXPECT_EQ(Main->EditCell.X, ColumnOfTag(*Main, 12));
    SimulateDoubleClick(G, Price.Left + 5, Price.Top + 5);
    EXPECT_FALSE(Main->EditMode());

    // The button toggles it; a double click on the titles edits the name.
    Main->sbEditMode->Click();
    EXPECT_TRUE(Main->EditMode());
    Main->sbEditMode->Click();
    EXPECT_FALSE(Main->EditMode());
    const TRect Title = G->CellRect(5, 0);
    SimulateDoubleClick(G, Title.Left + 5, Title.Top + 5);
    EXPECT_TRUE(Main->EditMode());
    EXPECT_EQ(G->Col(), 3);
}

// Space inverts the marks of the selected rows; on a single row it moves
// down one row, except on the last. Not while editing.
TEST(MainWindowGrids, MarksWithSpace)
{
    WindowsScope W;
    auto Main = StartMain();
    FillRows(*Main, 5);
    Tyl_DataDrawGrid* G = Main->grid;
    G->SetFocus();

    G->SetRow(2);
    G->SetSelection(TGridRect{0, 2, 13, 4});
    const int Current = G->Row();
    SimulateKey(VK_SPACE, {}, " ");
    EXPECT_EQ(Marks(*Main), (std::vector<bool>{false, true, true, true, false}));
    EXPECT_EQ(G->Row(), Current) << "a range leaves the current row";
    EXPECT_EQ(Cell(G, 1, 3), "[x]");

    G->SetRow(3);
    SimulateKey(VK_SPACE, {}, " ");
    EXPECT_EQ(Marks(*Main), (std::vector<bool>{false, true, false, true, false}));
    EXPECT_EQ(G->Row(), 4);

    G->SetRow(5);
    Main->acSelect->Execute();
    EXPECT_EQ(Marks(*Main), (std::vector<bool>{false, true, false, true, true}));
    EXPECT_EQ(G->Row(), 5) << "the last row stays";

    Main->SetEditMode(true);
    Main->ToggleMarks(true);
    EXPECT_EQ(Marks(*Main), (std::vector<bool>{false, true, false, true, true}));
    Main->SetEditMode(false);

    Main->acSelectAll->Execute();
    EXPECT_TRUE(Main->Invoice->DoMarks(4));
    Main->acUnSelectAll->Execute();
    EXPECT_FALSE(Main->Invoice->AnyMarked());
}

// The wheel moves the top row by 3 (9 with Ctrl), keeps the last page
// full and never shows the title row's place to a data row.
TEST(MainWindowGrids, Wheel)
{
    WindowsScope W;
    auto Main = StartMain();
    FillRows(*Main, 60);
    Tyl_DataDrawGrid* G = Main->grid;
    const int Visible = G->VisibleRowCount();
    ASSERT_LT(Visible, 50);
    SimulateWheel(G, -120, 100, 100);
    EXPECT_EQ(G->TopRow(), 4);
    SimulateWheel(G, -120, 100, 100, {ssCtrl});
    EXPECT_EQ(G->TopRow(), 13);
    for (int I = 0; I < 30; ++I)
        SimulateWheel(G, -120, 100, 100);
    EXPECT_EQ(G->TopRow(), G->RowCount() - Visible);
    SimulateWheel(G, 120, 100, 100);
    EXPECT_EQ(G->TopRow(), G->RowCount() - Visible - 3);
    for (int I = 0; I < 30; ++I)
        SimulateWheel(G, 120, 100, 100, {ssCtrl});
    EXPECT_EQ(G->TopRow(), 1);
    EXPECT_EQ(G->Row(), 1) << "the wheel does not move the current row";

    // Fewer rows than the window shows: the top stays on the first row.
    FillRows(*Main, 3);
    SimulateWheel(G, -120, 100, 100);
    EXPECT_EQ(G->TopRow(), 1);
}

// The totals row: the worked example priced with 30 % and 10 %, coarse;
// an empty invoice reads zero sums and "???" percents.
TEST(MainWindowGrids, TotalsRow)
{
    WindowsScope W;
    auto Main = StartMain(RoundModeCoarse);
    struct Case {
        bool Example;
        std::vector<std::string> Texts;
    };
    const Case Cases[] = {
        {true, {"3", "6", "122,00", "158,30", "36,30", "29,75", "142,17", "20,17", "16,53", ""}},
        {false, {"0", "0", "0,00", "0,00", "0,00", "???", "0,00", "0,00", "???", ""}},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Example);
        Main->Invoice->Clear();
        if (C.Example) {
            Main->SetInvoiceFileName(
                AnsiString::FromUtf8((TestData() / "InvoiceTypeImport" / "example.xls").string()));
            Main->Modified = false;
            Main->ReloadInvoice();
            Application->ProcessMessages();
            ASSERT_EQ(Main->Invoice->Count(), 3);
            Main->Invoice->Recalc(RoundModeCoarse, true, Curr("30"), Curr("10"), true);
        }
        Main->RefreshGrids();
        std::vector<std::string> Texts;
        for (int Col = 0; Col < 10; ++Col)
            Texts.push_back(Cell(Main->gdItogo, Col, 1));
        EXPECT_EQ(Texts, C.Texts);
    }
    EXPECT_EQ(Main->gdItogo->ColCount(), 10);
    EXPECT_EQ(U(Main->gdItogo->Columns()->GetItem(3)->Title()->Caption()), "Итого по Цене1");
    EXPECT_EQ(Main->gdItogo->ColWidths(8), 3);
    EXPECT_FALSE(Main->gdItogo->TabStop());
    Main->Modified = false;
}

// The price-style menu checks the configuration's style, the first item
// for any unknown one; its items set the style.
TEST(MainWindowGrids, PriceStyleMenu)
{
    WindowsScope W;
    struct Case {
        int Style;
        int Checked;
    };
    const Case Cases[] = {{0, 0}, {1, 1}, {2, 2}, {7, 0}};
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Style);
        W.Config.Cfg().PriceStyle = C.Style;
        auto Main = StartMain();
        for (int I = 0; I < 3; ++I)
            EXPECT_EQ(Main->mnPriceStyleMenu->Items(I)->Checked(), I == C.Checked);
    }
    auto Main = StartMain();
    EXPECT_EQ(U(Main->mnPriceStyleMenu->Items(1)->Caption()), "В формате \"123-00\"");
    Main->mnPriceStyle1->Click();
    EXPECT_EQ(W.Config.Cfg().PriceStyle, 1);
    EXPECT_TRUE(Main->mnPriceStyle1->Checked());
    EXPECT_FALSE(Main->mnPriceStyle0->Checked());
    Main->mnPriceStyle2->Click();
    EXPECT_EQ(W.Config.Cfg().PriceStyle, 2);
    EXPECT_FALSE(Main->mnPriceStyle1->Checked());
}

// Choosing a markup fills the edits; a combo without a choice takes the
// first markup, and an empty list changes nothing.
TEST(MainWindowGrids, MarkupSelection)
{
    WindowsScope W;
    auto Main = StartMain();
    Main->cbMarkup->SetItemIndex(2);
    Main->cbMarkupSelect(Main->cbMarkup);
    EXPECT_DOUBLE_EQ(Main->edMarkup->Value(), 50);
    EXPECT_DOUBLE_EQ(Main->edDiscount->Value(), 20);
    Main->cbMarkup->SetItemIndex(-1);
    Main->cbMarkupSelect(Main->cbMarkup);
    EXPECT_DOUBLE_EQ(Main->edMarkup->Value(), 30);
    EXPECT_DOUBLE_EQ(Main->edDiscount->Value(), 10);
    Main->MarkupList->Clear();
    Main->edMarkup->SetValue(12);
    Main->cbMarkupSelect(Main->cbMarkup);
    EXPECT_DOUBLE_EQ(Main->edMarkup->Value(), 12);
}

// The window as the operator sees it: a priced invoice, two rows marked,
// the totals under the grid, then a price cell being edited.
TEST(MainWindowGrids, RenderPricedInvoice)
{
    WindowsScope W;
    auto Main = StartMain(RoundModeCoarse);
    const char* Names[] = {"Холодильник NRB 110", "Пылесос ABC", "Чайник электрический",
                           "Утюг с паром", "Микроволновая печь", "Телевизор 32\""};
    const char* Costs[] = {"10.5", "0.3333", "100", "1234.5", "2500", "12990"};
    for (int I = 0; I < 6; ++I) {
        TshInvoiceTovar& Row = AddRow(*Main, Names[I], Costs[I], RoundModeCoarse);
        Row.Country = "Китай"_a;
        Row.Warranty = 12;
        Row.Ed = "шт"_a;
    }
    Main->Invoice->GetItem(3)->Calc(RoundModeCoarse, Curr("0"), Curr("0"));
    Main->Invoice->GetItem(1)->Marked = true;
    Main->Invoice->GetItem(4)->Marked = true;
    Main->SetInvoiceFileName("/home/shop/Накладные/Поставка 17.xls"_a);
    Main->RefreshGrids();
    Main->grid->SetRow(3);
    Application->ProcessMessages();
    KeepPng(Main.get(), "main-window-grids");
    Main->EditCell = TPoint{ColumnOfTag(*Main, 12), 3};
    Main->SetEditMode(true);
    KeepPng(Main.get(), "main-window-grids-editing");
    EXPECT_TRUE(Main->grid->IsEditorShown());
    Main->SetEditMode(false);
}

// A click into "Наценка" or "Скидка по карте" selects the number, so that
// what is typed replaces it; a drag still selects a part.
TEST(MainWindowGrids, MarkupEditsTakeTypedValuesWhole)
{
    WindowsScope W;
    auto Main = StartMain();
    for (Tyl_FloatEdit* Edit : {Main->edMarkup, Main->edDiscount}) {
        SCOPED_TRACE(U(Edit->Name()));
        Main->grid->SetFocus();
        Application->ProcessMessages();
        SimulateClick(Edit, Edit->Width() - 10, Edit->Height() / 2);
        ASSERT_TRUE(Edit->Focused());
        EXPECT_EQ(Edit->SelLength(), Edit->Text().Length());
        SimulateText("45");
        EXPECT_EQ(U(Edit->Text()), "45");
        EXPECT_DOUBLE_EQ(Edit->Value(), 45);
        // In the edit already, a click places the caret.
        SimulateClick(Edit, 4, Edit->Height() / 2);
        EXPECT_EQ(Edit->SelLength(), 0);
    }
}

// "Перерасчет" refuses a markup or card discount that cannot price, says
// why, puts the focus on the edit at fault and prices nothing.
TEST(MainWindowGrids, RecalcRefusesMarkupsOutOfRange)
{
    struct Case {
        const char* Markup;
        const char* Discount;
        const char* Said;  // nullptr: priced
    };
    const Case Cases[] = {
        {"30", "150", "Скидка по карте должна быть от 0 до 100 %"},  // negative card prices
        {"30", "-5", "Скидка по карте должна быть от 0 до 100 %"},   // card dearer than retail
        {"-150", "10", "Наценка не может быть меньше -100 %"},      // negative prices
        {"10001", "10", "Наценка не может быть больше 10000 %"},     // a slip of the keyboard
        {"999999999999999", "10", "Наценка не может быть больше 10000 %"},  // past money
        {"30", "999999999999999", "Скидка по карте должна быть от 0 до 100 %"},
        {"10000", "10", nullptr},                                   // a hundredfold price
        {"-100", "100", nullptr},                                   // the edges still price
        {"0", "0", nullptr},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(std::string(C.Markup) + " / " + C.Discount);
        WindowsScope W;
        auto Main = StartMain();
        FillRows(*Main, 2);
        const Currency Before = Main->Invoice->GetItem(0)->Price;
        Main->cbCalcAll->SetChecked(true);
        for (auto [Edit, Text] : {std::pair{Main->edMarkup, C.Markup},
                                  std::pair{Main->edDiscount, C.Discount}}) {
            SimulateClick(Edit, Edit->Width() - 10, Edit->Height() / 2);
            SimulateText(Text);
        }
        SimulateClick(Main->btRecalc, 10, 10);
        Application->ProcessMessages();
        if (!C.Said) {
            EXPECT_TRUE(W.Said("ShowErrorWindow").empty());
            EXPECT_FALSE(Main->cbCalcAll->Checked());
            continue;
        }
        EXPECT_EQ(W.Said("ShowErrorWindow"), std::vector<std::string>{C.Said});
        EXPECT_EQ(Main->Invoice->GetItem(0)->Price, Before);
        EXPECT_TRUE(Main->cbCalcAll->Checked());
        Tyl_FloatEdit* Wrong = std::string(C.Said).find("Скидка") == 0 ? Main->edDiscount
                                                                        : Main->edMarkup;
        EXPECT_TRUE(Wrong->Focused());
    }
}

// Ctrl+A in an edit selects the edit's text and marks no row; in the grid
// it is "Выбрать все".
TEST(MainWindowGrids, CtrlASelectsTheTextOfAnEdit)
{
    WindowsScope W;
    auto Main = StartMain();
    FillRows(*Main, 3);
    SimulateClick(Main->edMarkup, Main->edMarkup->Width() - 10, 5);
    SimulateClick(Main->edMarkup, 4, 5);  // the caret in the number
    ASSERT_EQ(Main->edMarkup->SelLength(), 0);
    SimulateKey('A', {ssCtrl});
    EXPECT_EQ(Main->edMarkup->SelLength(), Main->edMarkup->Text().Length());
    EXPECT_FALSE(Main->Invoice->AnyMarked());

    Main->grid->SetFocus();
    Main->EditCell = TPoint{ColumnOfTag(*Main, 4), 1};
    Main->SetEditMode(true);
    Application->ProcessMessages();
    Tyl_DataInplaceEdit* Editor = Main->grid->DataEditor();
    ASSERT_TRUE(Editor && Editor->Visible() && Editor->Focused());
    Editor->SetSelStart(2);
    Editor->SetSelLength(0);
    SimulateKey('A', {ssCtrl});
    EXPECT_EQ(U(Editor->SelText()), "Товар 1");
    EXPECT_FALSE(Main->Invoice->AnyMarked());
    Main->SetEditMode(false);

    Main->grid->SetFocus();
    Application->ProcessMessages();
    SimulateKey('A', {ssCtrl});
    EXPECT_EQ(Marks(*Main), (std::vector<bool>{true, true, true}));
}

// A start shows the invoice of the state file in the grids, its rows and
// totals, with the name column widened to the longest name; without a
// state file, or with a damaged one, the grids show no rows and zero totals.
TEST(MainWindowGrids, StartShowsTheRestoredInvoice)
{
    enum class State { None, Damaged, Saved };
    const char* const Names[] = {"Чайник", "Холодильник двухкамерный Атлант", "Пылесос"};
    int EmptyNameWidth = 0;
    for (const State S : {State::None, State::Damaged, State::Saved}) {
        SCOPED_TRACE(int(S));
        WindowsScope W;
        if (S == State::Damaged)
            WriteBytes(W.Config.Dir().Path() / "LastInvoice.inv",
                       std::string("\x00\x06\x09shInvoiceXX", 13));
        if (S == State::Saved) {
            TshInvoice Saved(1);
            for (const char* Name : Names)
                AddRow(*Saved.Add(), Name);
            Saved.SaveToFile(W.Config.Dir().File("LastInvoice.inv"));
        }
        auto Main = StartMain();
        Tyl_DataDrawGrid* G = Main->grid;
        const int Rows = S == State::Saved ? 3 : 0;
        ASSERT_EQ(Main->Invoice->Count(), Rows);
        Currency Retail;
        for (int I = 0; I < Rows; ++I)
            Retail += Main->Invoice->GetItem(I)->GetRetailSum();
        EXPECT_EQ(Cell(Main->gdItogo, 3, 1), U(CurrToNumStr(Retail, 2)));
        if (S != State::Saved) {
            EXPECT_EQ(G->RowCount(), G->FixedRows() + 1) << "one empty row";
            EmptyNameWidth = G->ColWidths(3);
            continue;
        }
        EXPECT_EQ(G->RowCount(), Rows + G->FixedRows());
        TCanvas* C = G->Canvas();
        C->Font()->Assign(G->Font());
        const int Need = C->TextWidth(AnsiString::FromUtf8(Names[1])) + 8;
        ASSERT_GT(Need, EmptyNameWidth) << "the name needs a wider column";
        EXPECT_GE(G->ColWidths(3), Need);
    }
}

// In a 1000x700 window long item names are not cut while columns without
// any text keep their width: those lend it (down to their titles), and
// take it back once they have text. The widths kept for the shop's layout
// stay their own.
TEST(MainWindowGrids, NameColumnTakesTheWidthOfEmptyColumns)
{
    WindowsScope W;
    auto Main = StartMain();
    Main->SetBounds(0, 0, 1000, 700);
    for (const char* N : {"Холодильник двухкамерный Атлант ХМ",
                          "Пылесос Samsung SC4140 1600 Вт", "Чайник Bosch TWK 3A011"})
        AddRow(*Main, N, "100");
    Main->RefreshGrids();
    Application->ProcessMessages();
    Tyl_DataDrawGrid* G = Main->grid;
    TCanvas* C = G->Canvas();
    C->Font()->Assign(G->Font());
    const int Need = C->TextWidth(Main->Invoice->GetItem(0)->Name) + 8;
    const int Description = ColumnOfTag(*Main, 5);
    KeepPng(Main.get(), "main-window-1000x700");
    EXPECT_GE(G->ColWidths(3), Need);
    EXPECT_LT(G->ColWidths(Description), 68);
    EXPECT_GE(G->ColWidths(Description),
              C->TextWidth(G->Columns()->GetItem(Description)->Title()->Caption()));
    EXPECT_EQ(G->Columns()->GetItem(Description)->Width(), 68) << "the layout keeps its width";
    EXPECT_EQ(G->ColWidths(ColumnOfTag(*Main, 12)), 64) << "columns with text keep theirs";

    TypeInto(*Main, 1, 5, "Двухкамерный");
    Main->SetEditMode(false);
    Application->ProcessMessages();
    EXPECT_EQ(G->ColWidths(Description), 68) << "a column with text takes its width back";

    // A wide window: nothing is lent.
    Main->SetBounds(0, 0, 1400, 700);
    Application->ProcessMessages();
    for (const int Tag : {3, 6, 7, 14})
        EXPECT_EQ(G->ColWidths(ColumnOfTag(*Main, Tag)), G->Columns()->GetItem(ColumnOfTag(*Main, Tag))->Width());
}

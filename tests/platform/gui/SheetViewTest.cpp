// The sheet view: its layout from the file, the selection by mouse and keys
// as the automation stand-in reads it, the stand-in's selections and fills
// shown, and a workbook that goes away while shown.

#include "platform/gui/SheetView.h"

#include "platform/gui/Forms.h"
#include "platform/gui/Graphics.h"
#include "platform/gui/InputSimulation.h"
#include "platform/sheets/ExcelApplication.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

AnsiString Book(const char* Name)
{
    return AnsiString::FromUtf8((TestData() / "Workbook" / Name).string());
}

/// A form with a sheet view showing the active sheet of a workbook.
class SheetViewTest : public ::testing::Test {
protected:
    void Open(const char* Name)
    {
        App = CreateOleObject("Excel.Application");
        App->Workbooks().Open(Book(Name));
        Form = std::make_unique<TForm>(nullptr, 0);
        Form->SetBounds(0, 0, 700, 400);
        View = new SheetView(Form.get());
        View->SetParent(Form.get());
        View->SetAlign(alClient);
        View->SetBorderStyle(bsNone);  // client pixels are the grab's pixels
        View->SetSheet(&App->ActiveSheet());
        Form->Show();
        View->SetFocus();
        Application->ProcessMessages();
    }
    ExcelArea Selected() const { return Area(App->Selection()); }
    static ExcelArea Area(const ExcelRange& R)
    {
        return {R.Row(), R.Column(), R.Rows().Count(), R.Columns().Count()};
    }
    /// Client point of the middle of a grid cell.
    TPoint Middle(int ACol, int ARow)
    {
        TRect R = View->CellRect(ACol, ARow);
        return {(R.Left + R.Right) / 2, (R.Top + R.Bottom) / 2};
    }
    void Click(int ACol, int ARow, TShiftState Shift = {})
    {
        const TPoint P = Middle(ACol, ARow);
        SimulateClick(View, P.X, P.Y, mbLeft, Shift);
    }

    std::unique_ptr<ExcelApplication> App;
    std::unique_ptr<TForm> Form;
    SheetView* View = nullptr;
};

}  // namespace

TEST(SheetViewNames, ColumnLettersAndUnits)
{
    struct Case {
        int Column;
        const char* Name;
    };
    const Case Cases[] = {{1, "A"}, {26, "Z"}, {27, "AA"}, {52, "AZ"}, {53, "BA"}, {256, "IV"}};
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Column);
        EXPECT_EQ(SheetView::ColumnName(C.Column).Std(), C.Name);
    }
    EXPECT_EQ(SheetView::ColumnPixels(2340), 64);       // the standard 8.43 characters
    EXPECT_EQ(SheetView::DefaultColumnPixels(8), 64);
    EXPECT_EQ(SheetView::RowPixels(255), 17);           // the standard 12.75 points
    EXPECT_EQ(SheetView::RowPixels(600), 40);
}

// B5:F20 selected with the mouse, then by Shift and the keys; whole columns
// and rows by their headers: Selection answers in sheet terms.
TEST_F(SheetViewTest, SelectionByMouseAndKeysIsTheAutomationsSelection)
{
    Open("invoice-c5.xls");
    EXPECT_EQ(Selected(), (ExcelArea{1, 1, 1, 1}));

    Click(2, 5);
    EXPECT_EQ(Selected(), (ExcelArea{5, 2, 1, 1}));
    View->SetTopRow(8);
    Application->ProcessMessages();
    Click(6, 12, {ssShift});
    EXPECT_EQ(Selected(), (ExcelArea{5, 2, 8, 5}));
    SimulateKey(VK_DOWN, {ssShift});
    EXPECT_EQ(Selected(), (ExcelArea{5, 2, 9, 5}));

    SimulateKey(VK_HOME, {ssCtrl});
    EXPECT_EQ(Selected(), (ExcelArea{1, 1, 1, 1}));
    // The last used cell of the used range C5:G9.
    SimulateKey(VK_END, {ssCtrl});
    EXPECT_EQ(Selected(), (ExcelArea{9, 7, 1, 1}));
    // Shift extends from where the selection stands.
    Click(4, 6);
    SimulateKey(VK_END, {ssCtrl, ssShift});
    EXPECT_EQ(Selected(), (ExcelArea{6, 4, 4, 4}));

    // Headers: a column, a run of columns dragged, a row with Shift.
    Click(4, 0);
    EXPECT_EQ(Selected(), (ExcelArea{1, 4, 65536, 1}));
    const TPoint From = Middle(3, 0);
    const TPoint To = Middle(5, 0);
    SimulateMouseDown(View, mbLeft, From.X, From.Y);
    SimulateMouseMove(View, To.X, To.Y);
    SimulateMouseUp(View, mbLeft, To.X, To.Y);
    EXPECT_EQ(Selected(), (ExcelArea{1, 3, 65536, 3}));
    Click(0, 10);
    EXPECT_EQ(Selected(), (ExcelArea{10, 1, 1, 256}));
    Click(0, 12, {ssShift});
    EXPECT_EQ(Selected(), (ExcelArea{10, 1, 3, 256}));
    Click(0, 0);
    EXPECT_EQ(Selected(), (ExcelArea{1, 1, 65536, 256}));

    // A cell again leaves whole rows behind; a page down moves a page.
    Click(3, 10);
    EXPECT_EQ(Selected(), (ExcelArea{10, 3, 1, 1}));
    const int Before = View->Row();
    SimulateKey(VK_NEXT);
    EXPECT_GT(View->Row(), Before + 5);
    EXPECT_EQ(Selected().RowCount, 1);
}

// Range.Select moves what the view shows, far rows included; the used
// range's fill paints pale blue.
TEST_F(SheetViewTest, AutomationSelectsAndFillsWhatTheViewShows)
{
    Open("invoice-c5.xls");
    const ExcelWorksheet& Sheet = App->ActiveSheet();
    Sheet.Range(Sheet.Cells(5, 3), Sheet.Cells(9, 7)).Select();
    EXPECT_EQ(Selected(), (ExcelArea{5, 3, 5, 5}));
    EXPECT_EQ(View->Col(), 3);
    EXPECT_EQ(View->Row(), 5);

    Sheet.Cells(3000, 40).Select();
    EXPECT_EQ(Selected(), (ExcelArea{3000, 40, 1, 1}));
    EXPECT_GE(View->RowCount(), 3001);
    EXPECT_LE(View->TopRow(), 3000);

    Sheet.Cells(1, 1).Select();
    Sheet.UsedRange().Interior().SetColor(200 | 240 << 8 | 254 << 16);
    TBitmap Shot;
    GrabWindow(View, &Shot);
    const TRect Used = View->CellRect(4, 6);
    EXPECT_EQ(Shot.Canvas()->Pixels(Used.Left + 1, Used.Top + 1), TColor(0xFEF0C8));
    const TRect Outside = View->CellRect(2, 6);
    EXPECT_EQ(Shot.Canvas()->Pixels(Outside.Left + 1, Outside.Top + 1), TColor(0xFFFFFF));
}

// Closing the workbook under the view empties the view; nothing reads the
// freed sheet.
TEST_F(SheetViewTest, WorkbookClosedUnderTheViewLeavesItEmpty)
{
    Open("invoice-c5.xls");
    App->Quit();
    EXPECT_EQ(View->Sheet(), nullptr);
    TBitmap Shot;
    GrabWindow(View, &Shot);
    Click(2, 2);
    EXPECT_EQ(View->Col(), 2);
}

#include "platform/forms/Grids.h"

#include "platform/forms/Forms.h"
#include "platform/winapi/SystemMetrics.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

/// A string grid whose protected steps the tests call directly.
class TestGrid : public TStringGrid {
public:
    explicit TestGrid(TComponent* AOwner) : TStringGrid(AOwner) {}
    using TCustomGrid::KeyDown;
    using TCustomGrid::KeyPress;
    using TCustomGrid::MouseDown;
    using TCustomGrid::MouseMove;
    using TCustomGrid::MouseUp;
    using TCustomGrid::GridState;
    using TCustomGrid::Paint;

    /// Cells SelectCell refuses.
    std::vector<TGridCoord> Refused;
    std::vector<std::string> Log;

protected:
    bool SelectCell(int ACol, int ARow) override
    {
        for (const TGridCoord& C : Refused)
            if (C.X == ACol && C.Y == ARow)
                return false;
        return TStringGrid::SelectCell(ACol, ARow);
    }
    void SetEditText(int ACol, int ARow, const AnsiString& Value) override
    {
        Log.push_back("set " + std::to_string(ACol) + "," + std::to_string(ARow) + "=" + Value.Std());
        TStringGrid::SetEditText(ACol, ARow, Value);
    }
    void TopLeftChanged() override
    {
        Log.push_back("topleft " + std::to_string(LeftCol()) + "," + std::to_string(TopRow()));
        TStringGrid::TopLeftChanged();
    }
};

/// 6 columns by 20 rows of 64 x 24 pixels with one fixed row and column,
/// sized so that five data rows and all columns show beside a vertical
/// scroll bar.
class GridTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Form = std::make_unique<TForm>(nullptr, 0);
        Form->SetBounds(0, 0, 600, 400);
        Grid = new TestGrid(Form.get());
        Grid->SetBorderStyle(bsNone);
        Grid->SetParent(Form.get());
        Grid->SetColCount(6);
        Grid->SetRowCount(20);
        Grid->SetBounds(0, 0, 6 * 65 + GetSystemMetrics(SM_CXVSCROLL), 6 * 25);
        for (int R = 0; R < 20; ++R)
            for (int C = 0; C < 6; ++C)
                Grid->SetCells(C, R, AnsiString(std::to_string(C) + ":" + std::to_string(R)));
        Form->Show();
        Grid->SetFocus();
    }

    void Press(Word Key, TShiftState Shift = {})
    {
        Word K = Key;
        Grid->KeyDown(K, Shift);
    }
    void Type(char C)
    {
        TInplaceEdit* Editor = Grid->InplaceEditor();
        if (Editor && Editor->Visible())
            Editor->Perform(WM_CHAR, static_cast<unsigned char>(C));
        else
            Grid->Perform(WM_CHAR, static_cast<unsigned char>(C));
    }
    /// Colour of a grid pixel after painting the whole grid into a bitmap.
    TColor PixelAt(int X, int Y)
    {
        TBitmap Bmp;
        Bmp.SetSize(Grid->Width(), Grid->Height());
        Grid->PaintTo(Bmp.Canvas()->Handle(), 0, 0);
        return Bmp.Canvas()->Pixels(X, Y);
    }

    std::unique_ptr<TForm> Form;
    TestGrid* Grid = nullptr;
};

TEST_F(GridTest, LaysOutFixedAndScrolledCells)
{
    EXPECT_EQ(Grid->VisibleRowCount(), 5);
    EXPECT_EQ(Grid->VisibleColCount(), 5);
    EXPECT_EQ(Grid->CellRect(1, 1), Rect(65, 25, 129, 49));
    EXPECT_EQ(Grid->CellRect(0, 0), Rect(0, 0, 64, 24));
    Grid->SetTopRow(5);
    EXPECT_EQ(Grid->CellRect(1, 5), Rect(65, 25, 129, 49));
    EXPECT_EQ(Grid->CellRect(1, 1), TRect()) << "a row scrolled away has no rectangle";
    EXPECT_EQ(Grid->MouseCoord(70, 30), (TGridCoord{1, 5}));
    EXPECT_EQ(Grid->MouseCoord(10, 10), (TGridCoord{0, 0}));
    EXPECT_EQ(Grid->ClientRect().Right, 6 * 65) << "the vertical bar is outside the client";
}

struct NavCase {
    const char* Name;
    TGridCoord Start;
    int StartTop;
    Word Key;
    TShiftState Shift;
    TGridCoord End;
    int EndTop;
};
const NavCase NavCases[] = {
    {"down", {1, 1}, 1, VK_DOWN, {}, {1, 2}, 1},
    {"up stops at the first data row", {1, 1}, 1, VK_UP, {}, {1, 1}, 1},
    {"down past the page scrolls one row", {1, 5}, 1, VK_DOWN, {}, {1, 6}, 2},
    {"page down moves cell and top by a page", {1, 1}, 1, VK_NEXT, {}, {1, 6}, 6},
    {"page down near the end keeps the last page full", {1, 13}, 13, VK_NEXT, {}, {1, 18}, 15},
    {"page down at the end", {1, 17}, 15, VK_NEXT, {}, {1, 19}, 15},
    {"page up stops at the fixed rows", {1, 8}, 6, VK_PRIOR, {}, {1, 3}, 1},
    {"page up from the top", {1, 3}, 1, VK_PRIOR, {}, {1, 1}, 1},
    {"home goes to the first data column", {4, 3}, 1, VK_HOME, {}, {1, 3}, 1},
    {"end goes to the last column", {2, 3}, 1, VK_END, {}, {5, 3}, 1},
    {"right stops at the last column", {5, 3}, 1, VK_RIGHT, {}, {5, 3}, 1},
    {"left stops at the fixed column", {1, 3}, 1, VK_LEFT, {}, {1, 3}, 1},
    {"ctrl+home: first data cell", {4, 12}, 10, VK_HOME, {ssCtrl}, {1, 1}, 1},
    {"ctrl+end: last cell, last page", {2, 2}, 1, VK_END, {ssCtrl}, {5, 19}, 15},
    {"ctrl+page down: last visible row", {1, 2}, 1, VK_NEXT, {ssCtrl}, {1, 5}, 1},
    {"ctrl+page up: top visible row", {1, 9}, 7, VK_PRIOR, {ssCtrl}, {1, 7}, 7},
    {"ctrl+down scrolls without moving the cell", {1, 9}, 7, VK_DOWN, {ssCtrl}, {1, 9}, 8},
    {"tab wraps to the next row", {5, 2}, 1, VK_TAB, {}, {1, 3}, 1},
    {"shift+tab wraps to the previous row", {1, 3}, 1, VK_TAB, {ssShift}, {5, 2}, 1},
    {"shift+tab from the first cell goes to the last", {1, 1}, 1, VK_TAB, {ssShift}, {5, 19}, 15},
};

TEST_F(GridTest, KeyboardNavigation)
{
    Grid->SetOptions(Grid->Options() + TGridOptions{goTabs});
    for (const NavCase& C : NavCases) {
        SCOPED_TRACE(C.Name);
        Grid->SetCol(C.Start.X);
        Grid->SetRow(C.Start.Y);
        Grid->SetTopRow(C.StartTop);
        ASSERT_EQ(Grid->TopRow(), C.StartTop);
        Press(C.Key, C.Shift);
        EXPECT_EQ(Grid->Col(), C.End.X);
        EXPECT_EQ(Grid->Row(), C.End.Y);
        EXPECT_EQ(Grid->TopRow(), C.EndTop);
    }
}

TEST_F(GridTest, ShiftArrowsStretchTheSelection)
{
    Grid->SetCol(2);
    Grid->SetRow(2);
    Press(VK_DOWN, {ssShift});
    Press(VK_RIGHT, {ssShift});
    EXPECT_EQ(Grid->Selection(), (TGridRect{2, 2, 3, 3}));
    Press(VK_DOWN);
    EXPECT_EQ(Grid->Selection(), (TGridRect{3, 4, 3, 4})) << "a plain move collapses it";
}

TEST_F(GridTest, RowSelectSelectsWholeRowsAndScrollsSideways)
{
    Grid->SetColCount(12);
    Grid->SetOptions(Grid->Options() + TGridOptions{goRowSelect});
    Grid->SetRow(3);
    EXPECT_EQ(Grid->Selection(), (TGridRect{1, 3, 11, 3}));
    Press(VK_RIGHT);
    EXPECT_EQ(Grid->LeftCol(), 2) << "Right scrolls instead of moving the cell";
    EXPECT_EQ(Grid->Row(), 3);
    Press(VK_END);
    EXPECT_EQ(Grid->Row(), 19) << "End goes to the last row";
}

TEST_F(GridTest, SelectCellCanRefuseAMove)
{
    Grid->Refused.push_back({1, 3});
    Grid->SetRow(2);
    Press(VK_DOWN);
    EXPECT_EQ(Grid->Row(), 2);
    Grid->SetRow(4);
    EXPECT_EQ(Grid->Row(), 4) << "other cells are still reachable";
}

TEST_F(GridTest, BadIndexesRaise)
{
    ExpectRaises<EInvalidGridOperation>([&] { (void)Grid->ColWidths(6); }, "Grid index out of range");
    ExpectRaises<EInvalidGridOperation>([&] { Grid->SetFixedCols(6); },
                                        "Fixed column count must be less than column count");
    ExpectRaises<EInvalidGridOperation>([&] { Grid->SetFixedRows(20); },
                                        "Fixed row count must be less than row count");
    ExpectRaises<EInvalidGridOperation>([&] { Grid->SetCells(6, 0, "x"); }, "Grid index out of range");
}

TEST_F(GridTest, ShrinkingKeepsSizesAndClampsTheCurrentCell)
{
    Grid->SetColWidths(2, 90);
    Grid->SetCol(5);
    Grid->SetRow(19);
    Grid->SetColCount(4);
    Grid->SetRowCount(10);
    EXPECT_EQ(Grid->Col(), 3);
    EXPECT_EQ(Grid->Row(), 9);
    EXPECT_EQ(Grid->ColWidths(2), 90);
    Grid->SetColCount(6);
    EXPECT_EQ(Grid->ColWidths(5), 64) << "new columns take the default width";
}

TEST_F(GridTest, EditingLifeCycle)
{
    Grid->SetOptions(Grid->Options() + TGridOptions{goEditing});
    Grid->SetCol(2);
    Grid->SetRow(3);
    Press(VK_F2);
    ASSERT_TRUE(Grid->EditorMode());
    TInplaceEdit* Editor = Grid->InplaceEditor();
    ASSERT_NE(Editor, nullptr);
    EXPECT_TRUE(Editor->Visible());
    EXPECT_EQ(Editor->Text(), "2:3");
    EXPECT_EQ(Editor->BoundsRect(), Grid->CellRect(2, 3));

    Grid->Log.clear();
    Type('x');
    EXPECT_EQ(Editor->Text(), "2:3x") << "F2 leaves the caret at the end";
    EXPECT_EQ(Grid->Cells(2, 3), "2:3x") << "each change is stored";
    ASSERT_FALSE(Grid->Log.empty());
    EXPECT_EQ(Grid->Log.back(), "set 2,3=2:3x");

    char Enter = VK_RETURN;
    Grid->KeyPress(Enter);
    EXPECT_FALSE(Grid->EditorMode()) << "Enter closes the editor";
    EXPECT_FALSE(Editor->Visible());
    EXPECT_EQ(Grid->Cells(2, 3), "2:3x");
}

TEST_F(GridTest, TypingStartsTheEditorOverTheSelectedText)
{
    Grid->SetOptions(Grid->Options() + TGridOptions{goEditing});
    Grid->SetCol(1);
    Grid->SetRow(1);
    Type('7');
    ASSERT_TRUE(Grid->EditorMode());
    EXPECT_EQ(Grid->InplaceEditor()->Text(), "7");
    EXPECT_EQ(Grid->Cells(1, 1), "7");
}

TEST_F(GridTest, MovingToAnotherCellStoresAndReloadsTheEditor)
{
    Grid->SetOptions(Grid->Options() + TGridOptions{goEditing, goAlwaysShowEditor});
    Grid->SetCol(1);
    Grid->SetRow(1);
    Grid->SetEditorMode(true);
    TInplaceEdit* Editor = Grid->InplaceEditor();
    ASSERT_NE(Editor, nullptr);
    Type('a');
    Press(VK_DOWN);
    EXPECT_EQ(Grid->Cells(1, 1), "1:1a");
    EXPECT_TRUE(Editor->Visible()) << "goAlwaysShowEditor keeps it";
    EXPECT_EQ(Editor->Text(), "1:2");
    EXPECT_EQ(Editor->BoundsRect(), Grid->CellRect(1, 2));
}

TEST_F(GridTest, ReadOnlyGridShowsNoEditor)
{
    Press(VK_F2);
    EXPECT_EQ(Grid->InplaceEditor(), nullptr);
    Type('x');
    EXPECT_EQ(Grid->Cells(1, 1), "1:1");
}

TEST_F(GridTest, ColumnSizingByMouse)
{
    Grid->SetOptions(Grid->Options() + TGridOptions{goColSizing});
    // The line after column 1 lies at x 64+65 = 129 in the fixed row.
    Grid->MouseDown(mbLeft, {ssLeft}, 129, 5);
    ASSERT_EQ(Grid->GridState(), gsColSizing);
    Grid->MouseMove({ssLeft}, 160, 5);
    Grid->MouseUp(mbLeft, {}, 160, 5);
    EXPECT_EQ(Grid->GridState(), gsNormal);
    EXPECT_EQ(Grid->ColWidths(1), 160 - 65);
    EXPECT_EQ(Grid->ColWidths(2), 64);
}

TEST_F(GridTest, SizingOnlyFromTheFixedRow)
{
    Grid->SetOptions(Grid->Options() + TGridOptions{goColSizing});
    Grid->MouseDown(mbLeft, {ssLeft}, 129, 60);
    EXPECT_NE(Grid->GridState(), gsColSizing);
    Grid->MouseUp(mbLeft, {}, 129, 60);
    EXPECT_EQ(Grid->ColWidths(1), 64);
}

TEST_F(GridTest, ColumnMovingByMouseCarriesTheCells)
{
    Grid->SetOptions(Grid->Options() + TGridOptions{goColMoving});
    Grid->SetColWidths(2, 70);
    Grid->MouseDown(mbLeft, {ssLeft}, 65 + 64 + 20, 5); // title of column 2
    ASSERT_EQ(Grid->GridState(), gsColMoving);
    Grid->MouseMove({ssLeft}, 65 + 64 + 70 + 1 + 65 + 20, 5); // over column 4
    Grid->MouseUp(mbLeft, {}, 65 + 64 + 70 + 1 + 65 + 20, 5);
    EXPECT_EQ(Grid->Cells(4, 1), "2:1");
    EXPECT_EQ(Grid->Cells(2, 1), "3:1");
    EXPECT_EQ(Grid->Cells(3, 1), "4:1");
    EXPECT_EQ(Grid->ColWidths(4), 70) << "the width moves with the column";
}

TEST_F(GridTest, ClickSelectsAndDragStretches)
{
    Grid->MouseDown(mbLeft, {ssLeft}, 65 + 10, 25 + 10);
    Grid->MouseMove({ssLeft}, 65 * 3 + 10, 25 * 3 + 10);
    Grid->MouseUp(mbLeft, {}, 65 * 3 + 10, 25 * 3 + 10);
    EXPECT_EQ(Grid->Col(), 1);
    EXPECT_EQ(Grid->Row(), 1);
    EXPECT_EQ(Grid->Selection(), (TGridRect{1, 1, 3, 3}));
}

TEST_F(GridTest, GrowingTheWindowKeepsTheLastPageFull)
{
    Grid->SetTopRow(15);
    Grid->SetHeight(11 * 25);
    // Ten data rows fit now: the top comes back so that row 19 is last.
    EXPECT_EQ(Grid->TopRow(), 10);
    EXPECT_EQ(Grid->VisibleRowCount(), 10);
    Grid->SetHeight(25 * 21);
    EXPECT_EQ(Grid->TopRow(), 1) << "everything fits: no scrolling";
}

TEST_F(GridTest, ScrollBarMessagesMoveTheTopRow)
{
    Grid->Perform(WM_VSCROLL, SB_LINEDOWN);
    EXPECT_EQ(Grid->TopRow(), 2);
    Grid->Perform(WM_VSCROLL, SB_PAGEDOWN);
    EXPECT_EQ(Grid->TopRow(), 7);
    Grid->Perform(WM_VSCROLL, SB_BOTTOM);
    EXPECT_EQ(Grid->TopRow(), 15);
    Grid->Perform(WM_VSCROLL, MakeWParam(SB_THUMBTRACK, 3));
    EXPECT_EQ(Grid->TopRow(), 15) << "no thumb tracking without goThumbTracking";
    Grid->Perform(WM_VSCROLL, MakeWParam(SB_THUMBPOSITION, 3));
    EXPECT_EQ(Grid->TopRow(), 4);
    EXPECT_EQ(Grid->Row(), 1) << "scrolling leaves the current cell";
}

TEST_F(GridTest, PaintsFixedSelectedAndPlainCells)
{
    Grid->SetOptions(Grid->Options() + TGridOptions{goDrawFocusSelected});
    Grid->SetCol(1);
    Grid->SetRow(1);
    Press(VK_DOWN, {ssShift}); // selection (1,1)-(1,2), current (1,1) focused
    EXPECT_EQ(ColorToRGB(PixelAt(30, 10)), ColorToRGB(clBtnFace)) << "fixed cell";
    EXPECT_EQ(ColorToRGB(PixelAt(65 + 30, 25 + 25 + 12)), ColorToRGB(clHighlight)) << "selected cell";
    EXPECT_EQ(ColorToRGB(PixelAt(65 * 3 + 50, 25 * 4 + 12)), ColorToRGB(clWindow)) << "plain cell";
    EXPECT_EQ(ColorToRGB(PixelAt(65 * 3 + 64, 25 * 4 + 12)), ColorToRGB(clSilver)) << "grid line";
}

TEST_F(GridTest, TopLeftChangesAreReported)
{
    Grid->Log.clear();
    Grid->SetRow(10);
    ASSERT_FALSE(Grid->Log.empty());
    EXPECT_EQ(Grid->Log.back(), "topleft 1,6");
}

} // namespace

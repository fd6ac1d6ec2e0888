// The combo edit with its own button, the selectable cell grid (month and
// region pickers) and the tiling image.

#include "common/components/YLDCompn.h"

#include "tests/common/components/ComponentsTestKit.h"
#include "tests/support/SettingsScope.h"

#include "platform/classes/Strings.h"
#include "platform/classes/TypInfo.h"
#include "platform/forms/InputSimulation.h"
#include "platform/forms/StdCtrls.h"

#include <gtest/gtest.h>

#include <vector>

using namespace components_test;

namespace {

struct Counter {
    int N = 0;
    void Hit(TObject*) { ++N; }
};

struct CellLog {
    std::vector<TPoint> Cells;
    void Add(TObject*, int ACol, int ARow) { Cells.push_back({ACol, ARow}); }
};

} // namespace

TEST(Tyl_ComboEdit, ButtonAndClickKeyFollowReadOnlyRules)
{
    auto Form = MakeForm(260, 80);
    auto* Edit = new Tyl_ComboEdit(Form.get());
    Edit->SetParent(Form.get());
    Edit->SetBounds(10, 10, 200, 21);
    Edit->SetGlyphKind(gkEllipsis);
    Form->Show();
    Edit->SetFocus();
    Counter Clicks;
    Edit->OnButtonClick = TNotifyEvent(&Clicks, &Counter::Hit);
    EXPECT_TRUE(Edit->AlwaysEnable());
    EXPECT_EQ(Edit->ButtonWidth(), 21);

    Edit->SetReadOnly(true);
    SimulateClick(Edit->Button(), 5, 5);
    SimulateKey(VK_DOWN, {ssAlt});
    EXPECT_EQ(Clicks.N, 2) << "read-only, but AlwaysEnable";
    Edit->SetAlwaysEnable(false);
    SimulateClick(Edit->Button(), 5, 5);
    SimulateKey(VK_DOWN, {ssAlt});
    EXPECT_EQ(Clicks.N, 2);

    Edit->SetReadOnly(false);
    Edit->SetDirectInput(false);
    SimulateText("abc");
    EXPECT_EQ(Edit->Text(), "") << "nothing typed without direct input";
    Edit->SetText("kept");
    Edit->SelectAll();
    Edit->Perform(WM_CUT);
    EXPECT_EQ(Edit->Text(), "kept") << "nor cut";
    SimulateClick(Edit->Button(), 5, 5);
    EXPECT_EQ(Clicks.N, 3) << "but the button works";

    Edit->SetButtonWidth(Edit->ClientWidth());
    EXPECT_EQ(Edit->ButtonWidth(), 21);
    Edit->SetButtonWidth(30);
    EXPECT_EQ(Edit->ButtonWidth(), 30);

    auto Bmp = Render(Form.get());
    SavePng(*Bmp, "combo-edit");
    const TRect Button {Edit->Left() + 160, Edit->Top(), Edit->Left() + 200, Edit->Top() + 21};
    EXPECT_EQ(CountPixels(*Bmp, Button, clBlack), 3 * 4) << "three 2 x 2 dots";
}

TEST(Tyl_ComboEdit, PublishedFlagsReadAndWriteByName)
{
    // The shared part of the button edits is no class of the registry.
    EXPECT_EQ(Tyl_CustomComboEdit::StaticClass()->ClassParent(), TCustomMaskEdit::StaticClass());
    EXPECT_EQ(TCustomComboEdit::StaticClass()->ClassParent(), TCustomMaskEdit::StaticClass());
    auto Form = MakeForm(260, 80);
    auto* Edit = new Tyl_ComboEdit(Form.get());
    Edit->SetParent(Form.get());
    Edit->SetBounds(10, 10, 200, 21);
    SetOrdProp(Edit, "AlwaysEnable", 0);
    SetOrdProp(Edit, "ReadOnly", 1);
    SetOrdProp(Edit, "ButtonWidth", 30);
    EXPECT_FALSE(Edit->AlwaysEnable());
    EXPECT_TRUE(Edit->ReadOnly());
    EXPECT_EQ(GetOrdProp(Edit, "DirectInput"), 1);
    EXPECT_EQ(GetOrdProp(Edit, "ButtonWidth"), 30);
}

TEST(Tyl_ComboEdit, EnterReachesTheFormsDefaultButton)
{
    auto Form = MakeForm(260, 80);
    auto* Edit = new Tyl_ComboEdit(Form.get());
    Edit->SetParent(Form.get());
    Edit->SetBounds(10, 10, 150, 21);
    auto* Ok = new TButton(Form.get());
    Ok->SetParent(Form.get());
    Ok->SetBounds(170, 10, 60, 25);
    Ok->SetDefault(true);
    Ok->SetModalResult(mrOk);
    Form->Show();
    Edit->SetFocus();
    SimulateKey(VK_RETURN);
    EXPECT_EQ(Form->ModalResult(), mrOk);
}

TEST(Tyl_Bevel, MonthPickerCells)
{
    const RussianSettingsScope Ru;
    auto Form = MakeForm(340, 310);
    auto* Months = new Tyl_Bevel(Form.get());
    Months->SetParent(Form.get());
    Months->SetBounds(10, 10, 318, 288);
    Months->SetCols(6);
    Months->SetRows(12);
    EXPECT_EQ(Months->CellWidth(), 53);
    EXPECT_EQ(Months->CellHeight(), 24);
    EXPECT_EQ(Months->Width(), 318);
    EXPECT_EQ(Months->Height(), 288);
    Months->SetBounds(10, 10, 320, 290);
    EXPECT_EQ(Months->Width(), 318) << "cut down to whole cells";
    for (const char* M : {"Янв", "Фев", "Мар", "Апр", "Май", "Июн", "Июл", "Авг", "Сен", "Окт", "Ноя", "Дек"})
        Months->Caps()->Add(AnsiString::FromUtf8(M));
    EXPECT_EQ(Months->CellCaption(0, 1), "Фев"_a) << "captions run down the columns";
    EXPECT_EQ(Months->CellCaption(3, 11), "Дек"_a) << "and repeat in every column";
    Months->SetOrientation(boHorizontal);
    EXPECT_EQ(Months->CellCaption(1, 0), "Фев"_a);
    Months->SetOrientation(boVertical);
    Months->SetOptions({boSelShow});
    Months->SetSelColor(clRed);
    Months->SetCol(2);
    Months->SetRow(4);
    Form->Show();
    auto Bmp = Render(Form.get());
    SavePng(*Bmp, "month-picker");
    // The selected cell is outlined in the window text colour.
    const int X = 10 + 2 * 53, Y = 10 + 4 * 24;
    EXPECT_EQ(PixelOf(*Bmp, X + 10, Y), Rgb(clWindowText));
    EXPECT_EQ(PixelOf(*Bmp, X + 10, Y + 23), Rgb(clWindowText));
    EXPECT_EQ(PixelOf(*Bmp, 10 + 10, 10), Rgb(clBtnHighlight)) << "a raised cell's top edge";

    auto* Narrow = new Tyl_Bevel(Form.get());
    Narrow->SetBounds(0, 0, 30, 20);
    Narrow->SetCols(10);
    EXPECT_EQ(Narrow->Cols(), 1) << "30 div 4 = 7 cells at most";
    Narrow->SetCols(7);
    EXPECT_EQ(Narrow->Cols(), 7);
}

TEST(Tyl_Bevel, SelectionEventsAndHotTracking)
{
    auto Form = MakeForm(200, 100);
    auto* Picker = new Tyl_Bevel(Form.get());
    Picker->SetParent(Form.get());
    Picker->SetBounds(10, 10, 120, 80);
    Picker->SetCols(3);
    Picker->SetRows(4);
    Picker->SetOptions({boSelShow, boSelPressed});
    Form->Show();
    CellLog Hot, Sel;
    Picker->OnChange = TBv0ChangeEvent(&Hot, &CellLog::Add);
    Picker->OnChangeSel = TBv0ChangeEvent(&Sel, &CellLog::Add);

    SimulateMouseMove(Picker, 45, 25);
    ASSERT_EQ(Hot.Cells.size(), 1u);
    EXPECT_EQ(Hot.Cells[0], (TPoint{1, 1}));
    SimulateMouseMove(Picker, 50, 30);
    EXPECT_EQ(Hot.Cells.size(), 1u) << "within the hot cell nothing is reported";
    SimulateClick(Picker, 85, 65);
    EXPECT_EQ(Picker->Col(), 2);
    EXPECT_EQ(Picker->Row(), 3);
    ASSERT_FALSE(Sel.Cells.empty());
    EXPECT_EQ(Sel.Cells.back(), (TPoint{2, 3}));
    const size_t SelCount = Sel.Cells.size();
    SimulateClick(Picker, 85, 65);
    EXPECT_EQ(Sel.Cells.size(), SelCount) << "the same cell again is no change";

    Picker->SetCol(5);
    EXPECT_EQ(Sel.Cells.back(), (TPoint{5, 3})) << "outside the grid: told, not drawn";
    Picker->SetCol(-1);
    EXPECT_EQ(Sel.Cells.back(), (TPoint{-1, 3}));

    // A bevel that is not flat tracks only while the left button is held.
    Picker->SetFlat(false);
    Hot.Cells.clear();
    SimulateMouseMove(Picker, 5, 5);
    EXPECT_TRUE(Hot.Cells.empty());
    SimulateMouseMove(Picker, 5, 5, {ssLeft});
    EXPECT_EQ(Hot.Cells.size(), 1u);
}

TEST(Tyl_Bevel, WithoutCaptionsTheSelectionIsStillFramed)
{
    auto Form = MakeForm(100, 60);
    auto* B = new Tyl_Bevel(Form.get());
    B->SetParent(Form.get());
    B->SetBounds(0, 0, 80, 40);
    B->SetCols(2);
    B->SetOptions({boSelShow});
    B->SetCol(1);
    B->SetRow(0);
    auto Bmp = Render(Form.get());
    EXPECT_EQ(PixelOf(*Bmp, 40 + 10, 0), Rgb(clWindowText));
    EXPECT_EQ(PixelOf(*Bmp, 10, 0), Rgb(clBtnHighlight)) << "the other cell stays raised";
}

TEST(Tyl_Image, TilesItsPicture)
{
    auto Form = MakeForm(60, 60);
    auto* Image = new Tyl_Image(Form.get());
    Image->SetParent(Form.get());
    Image->SetBounds(0, 0, 25, 25);
    TBitmap Tile;
    Tile.SetSize(10, 10);
    Tile.Canvas()->Brush()->SetColor(clWhite);
    Tile.Canvas()->FillRect({0, 0, 10, 10});
    Tile.Canvas()->SetPixels(2, 2, clRed);
    Image->Picture()->SetGraphic(&Tile);
    auto Bmp = Render(Form.get());
    EXPECT_EQ(PixelOf(*Bmp, 22, 22), Rgb(clRed)) << "the third tile across and down";
    EXPECT_EQ(PixelOf(*Bmp, 12, 2), Rgb(clRed));
    EXPECT_EQ(PixelOf(*Bmp, 30, 2), Rgb(clBtnFace)) << "nothing past the image";
    Image->SetCenter(true);
    Bmp = Render(Form.get());
    EXPECT_NE(PixelOf(*Bmp, 22, 22), Rgb(clRed)) << "a centred picture is drawn once";
}

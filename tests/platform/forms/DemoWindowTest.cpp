// A window with every standard and common control, painted offscreen and
// written as PNG (kept in the test's folder; PRICETAGS_DEMO_PNG names a
// file to keep it for a look).

#include "platform/forms/ActnList.h"
#include "platform/forms/Buttons.h"
#include "platform/forms/ComCtrls.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Grids.h"
#include "platform/forms/ImgList.h"
#include "platform/forms/InputSimulation.h"
#include "platform/forms/Menus.h"
#include "platform/forms/StdCtrls.h"
#include "platform/classes/Strings.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <set>
#include <string>

namespace {

/// Builds the demo window on Form (600 x 480 client pixels).
void BuildDemo(TForm& Form)
{
    Form.SetCaption("Все элементы"_a);
    Form.SetClientWidth(600);
    Form.SetClientHeight(480);
    auto* Menu = new TMainMenu(&Form);
    auto* File = new TMenuItem(&Form);
    File->SetCaption("&Файл"_a);
    Menu->Items()->Add(File);
    Form.SetMenu(Menu);

    auto* Bar = new TToolBar(&Form);
    Bar->SetParent(&Form);
    auto* Images = new TImageList(&Form, 16, 16);
    TBitmap Icon;
    Icon.SetSize(16, 16);
    Icon.Canvas()->Brush()->SetColor(clFuchsia);
    Icon.Canvas()->FillRect({0, 0, 16, 16});
    Icon.Canvas()->Brush()->SetColor(clNavy);
    Icon.Canvas()->Ellipse(2, 2, 14, 14);
    Images->AddMasked(&Icon, clFuchsia);
    Bar->SetImages(Images);
    for (TToolButtonStyle Style : {tbsButton, tbsSeparator, tbsCheck, tbsDropDown}) {
        auto* B = new TToolButton(&Form);
        B->SetLeft(Bar->ControlCount() * 40);
        B->SetParent(Bar);
        B->SetStyle(Style);
        B->SetImageIndex(0);
        if (Style == tbsCheck)
            B->SetDown(true);
    }
    Bar->ArrangeButtons();

    auto* Status = new TStatusBar(&Form);
    Status->SetParent(&Form);
    for (const char* Text : {"", "Лист 1/3", "X: 10  Y: 20"}) {
        TStatusPanel* P = Status->Panels()->Add();
        P->SetText(AnsiString::FromUtf8(Text));
        P->SetWidth(Status->Panels()->Count() == 1 ? 1 : 120);
    }

    auto* Pages = new TPageControl(&Form);
    Pages->SetParent(&Form);
    Pages->SetBounds(8, 40, 330, 250);
    auto* Controls = new TTabSheet(&Form);
    Controls->SetCaption("Кнопки"_a);
    Controls->SetPageControl(Pages);
    auto* Other = new TTabSheet(&Form);
    Other->SetCaption("Другое"_a);
    Other->SetPageControl(Pages);

    int Y = 8;
    auto Place = [&](TControl* C, int X, int W, int H) {
        C->SetParent(Controls);
        C->SetBounds(X, Y, W, H);
    };
    auto* Ok = new TBitBtn(&Form);
    Ok->SetKind(bkOK);
    Place(Ok, 8, 97, 25);
    auto* Cancel = new TBitBtn(&Form);
    Cancel->SetKind(bkCancel);
    Place(Cancel, 112, 97, 25);
    auto* Speed = new TSpeedButton(&Form);
    Speed->SetCaption("Редактировать"_a);
    Speed->SetGroupIndex(1);
    Speed->SetDown(true);
    Place(Speed, 216, 100, 25);
    Y += 32;
    auto* Button = new TButton(&Form);
    Button->SetCaption("Новая накладная"_a);
    Place(Button, 8, 120, 25);
    auto* Check = new TCheckBox(&Form);
    Check->SetCaption("Округлять цены"_a);
    Check->SetChecked(true);
    Place(Check, 136, 130, 20);
    Y += 32;
    auto* Edit = new TEdit(&Form);
    Edit->SetText("12,50");
    Place(Edit, 8, 80, 21);
    auto* Arrows = new TUpDown(&Form);
    Arrows->SetParent(Controls);
    Arrows->SetAssociate(Edit);
    Arrows->SetPosition(5);
    auto* Combo = new TComboBox(&Form);
    Combo->SetStyle(csDropDownList);
    Combo->Items()->Add("до 1"_a);
    Combo->Items()->Add("Крупно"_a);
    Combo->SetItemIndex(1);
    Place(Combo, 120, 120, 21);
    Y += 30;
    auto* Progress = new TProgressBar(&Form);
    Progress->SetPosition(60);
    Place(Progress, 8, 300, 16);
    Y += 24;
    auto* Radio = new TRadioGroup(&Form);
    Radio->SetCaption("  Округление  "_a);
    Radio->Items()->Add("до 1"_a);
    Radio->Items()->Add("Крупно"_a);
    Radio->SetItemIndex(0);
    Place(Radio, 8, 150, 70);
    auto* Memo = new TMemo(&Form);
    Memo->Lines()->Add("Строка 1"_a);
    Memo->Lines()->Add("Строка 2"_a);
    Place(Memo, 166, 140, 70);

    auto* Header = new THeaderControl(&Form);
    Header->SetParent(Other);
    for (const char* Text : {"Колонка", "Ширина"})
        Header->Sections()->Add()->SetText(AnsiString::FromUtf8(Text));
    auto* Tree = new TTreeView(&Form);
    Tree->SetParent(Other);
    Tree->SetBounds(8, 30, 150, 150);
    TTreeNode* Doc = Tree->Items()->AddChild(nullptr, "Документ"_a);
    Tree->Items()->AddChild(Doc, "Номер"_a);
    Doc->Expand(false);

    auto* List = new TListView(&Form);
    List->SetParent(&Form);
    List->SetBounds(346, 40, 246, 150);
    List->SetViewStyle(vsReport);
    List->SetRowSelect(true);
    List->SetGridLines(true);
    List->Columns()->Add()->SetCaption("Наименование"_a);
    List->Columns()->Items(0)->SetWidth(140);
    List->Columns()->Add()->SetCaption("Цена"_a);
    List->Columns()->Items(1)->SetWidth(80);
    for (int I = 0; I < 5; ++I) {
        TListItem* Item = List->Items()->Add();
        Item->SetCaption(AnsiString("Товар "_a + AnsiString(std::to_string(I + 1))));
        Item->SubItems()->Add(AnsiString(std::to_string(10 * (I + 1)) + ",00"));
    }
    List->SetItemIndex(1);

    auto* ListBox = new TListBox(&Form);
    ListBox->SetParent(&Form);
    ListBox->SetBounds(346, 198, 120, 92);
    ListBox->Items()->Add("Первый"_a);
    ListBox->Items()->Add("Второй"_a);
    ListBox->SetItemIndex(0);

    auto* Grid = new TStringGrid(&Form);
    Grid->SetParent(&Form);
    Grid->SetBounds(8, 298, 400, 130);
    Grid->SetColCount(4);
    Grid->SetRowCount(5);
    Grid->SetCells(1, 0, "Цена"_a);
    Grid->SetCells(1, 1, "12,50");

    auto* Panel = new TPanel(&Form);
    Panel->SetParent(&Form);
    Panel->SetBounds(416, 298, 176, 60);
    Panel->SetCaption("Панель"_a);
    auto* Label = new TLabel(&Form);
    Label->SetParent(Panel);
    Label->SetBounds(4, 4, 100, 16);
    Label->SetCaption("Наценка"_a);
    auto* Shape = new TShape(&Form);
    Shape->SetParent(&Form);
    Shape->SetShape(stEllipse);
    Shape->SetBounds(416, 366, 60, 40);
    auto* Bevel = new TBevel(&Form);
    Bevel->SetParent(&Form);
    Bevel->SetBounds(484, 366, 108, 40);
}

TEST(DemoWindow, EveryControlRendersOffscreen)
{
    TForm Form(nullptr, 0);
    BuildDemo(Form);
    Form.Show();
    Application->ProcessMessages();
    TBitmap Shot;
    GrabWindow(&Form, &Shot);
    ASSERT_GE(Shot.Width(), 600);
    ASSERT_GE(Shot.Height(), 440);
    // Painted, not blank: many colours show.
    std::set<TColor> Colours;
    for (int Y = 0; Y < Shot.Height(); Y += 3)
        for (int X = 0; X < Shot.Width(); X += 3)
            Colours.insert(Shot.Canvas()->Pixels(X, Y));
    EXPECT_GT(Colours.size(), 8u);
    const std::string Png = Shot.SaveToPngBytes();
    ASSERT_GT(Png.size(), 1000u);
    const TempDir Dir;
    WriteBytes(Dir.Path() / "demo.png", Png);
    if (const char* Keep = std::getenv("PRICETAGS_DEMO_PNG"))
        WriteBytes(Keep, Png);
}

}  // namespace

#include "platform/forms/ValEdit.h"

#include "platform/forms/Forms.h"
#include "platform/forms/InputSimulation.h"
#include "platform/forms/Menus.h"
#include "platform/classes/Strings.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

/// A shown form with a focused value list of the settings dialog's kind:
/// titles "Переменная" / "Значение", three free rows and a style row that
/// only takes the values of its pick list.
class ValueListTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Form = std::make_unique<TForm>(nullptr, 0);
        Form->SetBounds(0, 0, 420, 240);
        List = new TValueListEditor(Form.get());
        List->SetParent(Form.get());
        List->SetAlign(alClient);
        List->TitleCaptions()->Clear();
        List->TitleCaptions()->Add("Переменная"_a);
        List->TitleCaptions()->Add("Значение"_a);
        List->SetValues("Пользователь"_a, "Магазин"_a);
        List->SetValues("Rub", "руб."_a);
        List->SetValues("Kop", "коп."_a);
        List->SetValues("Тип цены ценника"_a, "0");
        TItemProp* Style = List->ItemProps("Тип цены ценника"_a);
        Style->SetReadOnly(true);
        Style->PickList()->Add("00 - если есть копейки - отображаются, нет - без копеек"_a);
        Style->PickList()->Add("01 - в стиле \"123-00\""_a);
        Style->PickList()->Add("14 - в стиле \"123руб. 45коп.\""_a);
        Form->Show();
        List->SetFocus();
    }

    /// Makes the row of Key current; the editor shows over its value.
    TInplaceEditList* GoTo(const AnsiString& Key)
    {
        int Row = 0;
        EXPECT_TRUE(List->FindRow(Key, Row));
        List->SetRow(Row);
        auto* Editor = dynamic_cast<TInplaceEditList*>(List->InplaceEditor());
        EXPECT_NE(Editor, nullptr);
        return Editor;
    }

    std::unique_ptr<TForm> Form;
    TValueListEditor* List = nullptr;
};

TEST_F(ValueListTest, RowsFollowTheLinesBelowTheTitles)
{
    EXPECT_EQ(List->RowCount(), 5);
    EXPECT_EQ(List->Cells(0, 0), "Переменная"_a);
    EXPECT_EQ(List->Cells(1, 0), "Значение"_a);
    EXPECT_EQ(List->Keys(2), "Rub");
    EXPECT_EQ(List->Cells(1, 3), "коп."_a);
    EXPECT_EQ(List->Values("RUB"), "руб."_a); // keys ignore case
    EXPECT_EQ(List->Strings()->Strings(0), "Пользователь=Магазин"_a);
    // Setting a present key changes its line; a new key adds one.
    List->SetValues("rub", "р."_a);
    List->SetValues("AppEXEPath", "/opt/pricetags");
    EXPECT_EQ(List->Strings()->Count(), 5);
    EXPECT_EQ(List->Values("Rub"), "р."_a);
    EXPECT_EQ(List->RowCount(), 6);
    List->DeleteRow(1);
    EXPECT_EQ(List->Keys(1), "Rub");
    ExpectRaises<EInvalidGridOperation>([&] { (void)List->Keys(9); }, "Grid index out of range");
    ExpectRaises<EInvalidGridOperation>([&] { List->DeleteRow(0); }, "Grid index out of range");
    // An empty list keeps one empty row under the titles.
    List->Strings()->Clear();
    EXPECT_EQ(List->RowCount(), 2);
    EXPECT_EQ(List->Cells(1, 1), "");
}

TEST_F(ValueListTest, TypingChangesFreeValuesButNotReadOnlyOnes)
{
    GoTo("Rub");
    SimulateText("rub");
    EXPECT_EQ(List->Values("Rub"), "rub");
    List->ItemProps("kop")->SetReadOnly(true); // props belong to the key, any case
    GoTo("Kop");
    SimulateText("x");
    SimulateKey(VK_BACK);
    EXPECT_EQ(List->Values("Kop"), "коп."_a);
    // Keys are shown only: a click on a key moves nowhere, one on a value
    // moves there.
    SimulateClick(List, 5, List->CellRect(1, 1).Top + 3);
    EXPECT_EQ(List->Col(), 1);
    EXPECT_EQ(List->Row(), 3);
    SimulateClick(List, List->CellRect(1, 1).Left + 3, List->CellRect(1, 1).Top + 3);
    EXPECT_EQ(List->Row(), 1);
}

TEST_F(ValueListTest, PickListDropsDownAndItsChoiceIsTakenOnAReadOnlyRow)
{
    TInplaceEditList* Editor = GoTo("Тип цены ценника"_a);
    ASSERT_EQ(Editor->EditStyle(), esPickList);
    std::vector<std::string> Shown;
    int Answer = 2;
    const PopupMenuHookScope Scope([&](TPopupMenu& Menu, TPoint) -> TMenuItem* {
        Shown.clear();
        for (int I = 0; I < Menu.Items()->Count(); ++I)
            Shown.push_back(Menu.Items()->Items(I)->Caption().Std());
        return Answer < 0 ? nullptr : Menu.Items()->Items(Answer);
    });
    SimulateKey(VK_DOWN, {ssAlt});
    ASSERT_EQ(Shown.size(), 3u);
    EXPECT_EQ(List->Values("Тип цены ценника"_a), "14 - в стиле \"123руб. 45коп.\""_a);
    EXPECT_EQ(Editor->Text(), "14 - в стиле \"123руб. 45коп.\""_a);
    // The button at the editor's right edge drops the list down too;
    // closing it without a choice keeps the value.
    Answer = -1;
    Shown.clear();
    SimulateClick(Editor, Editor->Width() - 3, 3);
    EXPECT_EQ(Shown.size(), 3u);
    EXPECT_EQ(List->Values("Тип цены ценника"_a), "14 - в стиле \"123руб. 45коп.\""_a);
    // A double click takes the next value, round the list.
    SimulateDoubleClick(Editor, 5, 3);
    EXPECT_EQ(List->Values("Тип цены ценника"_a), "00 - если есть копейки - отображаются, нет - без копеек"_a);
    // Typing still changes nothing.
    SimulateText("5");
    EXPECT_EQ(List->Values("Тип цены ценника"_a), "00 - если есть копейки - отображаются, нет - без копеек"_a);
}

TEST_F(ValueListTest, PickValuesWithAmpersandsAndDashesShowAsTheyAre)
{
    TItemProp* Style = List->ItemProps("Rub");
    Style->PickList()->Add("A & B");
    Style->PickList()->Add("-");
    GoTo("Rub");
    std::vector<AnsiString> Shown;
    const PopupMenuHookScope Scope([&](TPopupMenu& Menu, TPoint) -> TMenuItem* {
        for (int I = 0; I < Menu.Items()->Count(); ++I)
            Shown.push_back(StripHotkey(Menu.Items()->Items(I)->Caption()));
        EXPECT_FALSE(Menu.Items()->Items(1)->IsLine());
        return Menu.Items()->Items(0);
    });
    SimulateKey(VK_F4);
    EXPECT_EQ(Shown, std::vector<AnsiString>({"A & B", "- "}));
    EXPECT_EQ(List->Values("Rub"), "A & B");
}

TEST_F(ValueListTest, FormFreedWhileTheListIsDownTakesNothing)
{
    GoTo("Тип цены ценника"_a);
    const PopupMenuHookScope Scope([&](TPopupMenu& Menu, TPoint) {
        Form.reset(); // the editor and its grid go with the form
        return Menu.Items()->Items(1);
    });
    SimulateKey(VK_F4);
    EXPECT_EQ(Form, nullptr);
}

TEST_F(ValueListTest, ValueColumnTakesTheRestOfTheWidth)
{
    const int Line = List->GridLineWidth();
    EXPECT_EQ(List->ColWidths(1), List->ClientWidth() - List->ColWidths(0) - 2 * Line);
    Form->SetWidth(Form->Width() + 50);
    EXPECT_EQ(List->ColWidths(1), List->ClientWidth() - List->ColWidths(0) - 2 * Line);
    List->SetColWidths(0, 100);
    EXPECT_EQ(List->ColWidths(1), List->ClientWidth() - 100 - 2 * Line);
}

}  // namespace

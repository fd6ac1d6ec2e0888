#include "app/SprList.h"

#include "app/DMInvoice.h"

#include "common/base/BaseLst.h"
#include "common/components/GetMean.h"
#include "platform/forms/ComCtrls.h"
#include "platform/forms/InputSimulation.h"
#include "platform/forms/StdCtrls.h"

#include "tests/app/AppWindowsTestKit.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace app_test;

namespace {

/// A list "Test" with the given texts, Ids 1, 2, ...
std::unique_ptr<T_BaseStrList> MakeList(std::initializer_list<const char*> Texts)
{
    auto List = std::make_unique<T_BaseStrList>();
    List->Name = "Test";
    Integer Id = 0;
    for (const char* T : Texts) {
        T_BaseStrItem* Item = List->NewItem();
        Item->Id = ++Id;
        Item->SetText(AnsiString::FromUtf8(T));
    }
    return List;
}

/// The editor shown (not modally) over List in Mode.
std::unique_ptr<TFormSprList> ShowEditor(T_BaseStrList* List, Integer Mode, Integer Id = -1)
{
    TSprListConfig Config;
    InitSprListConfig(Config);
    Config.List = List;
    Config.Mode = Mode;
    Config.SelectedId = Id;
    auto F = std::make_unique<TFormSprList>(nullptr);
    F->Setup(Config);
    F->Show();
    Application->ProcessMessages();
    return F;
}

/// Runs a command that may stop with an error window; the texts it said.
std::vector<std::string> Stops(WindowsScope& W, const std::function<void()>& Command)
{
    W.Messages.clear();
    try {
        Command();
    } catch (const EAbort&) {
    }
    return W.Said("ShowErrorWindow");
}

/// The texts of the list in its order.
std::vector<std::string> Texts(const T_BaseStrList& List)
{
    std::vector<std::string> R;
    for (int I = 0; I < List.Count(); ++I)
        R.push_back(List.ItemAt(I)->GetText().ToUtf8());
    return R;
}

/// The text of the selected row.
std::string SelectedText(TFormSprList& F)
{
    T_BaseStrItem* Item = F.CurrentItem();
    return Item ? Item->GetText().ToUtf8() : "";
}

} // namespace

TEST(SprList, EmptyListAddsButChangesNothing)
{
    WindowsScope W;
    auto List = MakeList({});
    auto F = ShowEditor(List.get(), 1);
    const std::vector<std::string> NotSelected{"Не выбрано"};
    EXPECT_EQ(Stops(W, [&] { F->ChangeItem(); }), NotSelected);
    EXPECT_EQ(Stops(W, [&] { F->MoveItem(); }), NotSelected);
    EXPECT_EQ(Stops(W, [&] { F->DeleteItem(); }), NotSelected);
    AnswerScope<TFormGet> Typed([](TFormGet& G) {
        EXPECT_EQ(G.lbHeader->Caption(), "Введите новое значение"_a);
        G.ed->SetText("Наименование"_a);
        G.btOk->Click();
    });
    F->AddItem();
    ASSERT_EQ(Texts(*List), std::vector<std::string>{"Наименование"});
    EXPECT_EQ(SelectedText(*F), "Наименование");
    // A new item gets a key of its own, not the reserved 0.
    EXPECT_EQ(List->ItemAt(0)->Id, 1);
}

TEST(SprList, RefusedNewItemIsRemoved)
{
    WindowsScope W;
    auto List = MakeList({"Альфа"});
    auto F = ShowEditor(List.get(), 1);
    AnswerScope<TFormGet> Refused([](TFormGet& G) { G.btCancel->Click(); });
    F->AddItem();
    EXPECT_EQ(Texts(*List), std::vector<std::string>{"Альфа"});
}

TEST(SprList, DeletingSelectsTheFollowingItemOrTheOneBefore)
{
    WindowsScope W;
    W.Answer = [](const MsgRequest&) { return 1; }; // "Да"
    auto List = MakeList({"Альфа", "Бета", "Гамма"});
    auto F = ShowEditor(List.get(), 1, 2);
    F->DeleteItem();
    EXPECT_EQ(Texts(*List), (std::vector<std::string>{"Альфа", "Гамма"}));
    EXPECT_EQ(SelectedText(*F), "Гамма");
    F->DeleteItem();
    EXPECT_EQ(SelectedText(*F), "Альфа");
    F->DeleteItem();
    EXPECT_EQ(List->Count(), 0);
    EXPECT_EQ(F->CurrentItem(), nullptr);
}

TEST(SprList, SortingByAColumnAndBackKeepsTheSelection)
{
    WindowsScope W;
    auto List = MakeList({"Гамма", "Альфа", "Бета"});
    auto F = ShowEditor(List.get(), 1, 3);
    EXPECT_EQ(SelectedText(*F), "Бета");
    F->SortByColumn(1);
    EXPECT_EQ(Texts(*List), (std::vector<std::string>{"Альфа", "Бета", "Гамма"}));
    EXPECT_EQ(SelectedText(*F), "Бета");
    F->SortByColumn(0);
    EXPECT_EQ(Texts(*List), (std::vector<std::string>{"Гамма", "Альфа", "Бета"}));
    EXPECT_EQ(SelectedText(*F), "Бета");
}

TEST(SprList, ReservedItemsAreNotChanged)
{
    WindowsScope W;
    auto List = MakeList({"Альфа"});
    List->AddUndefinedItem();
    auto F = ShowEditor(List.get(), 1, 0);
    EXPECT_EQ(Stops(W, [&] { F->ChangeItem(); }),
              std::vector<std::string>{"Данная позиция изменению не подлежит"});
    EXPECT_EQ(List->Count(), 2);
}

TEST(SprList, SelectionModesStopWithoutASelection)
{
    WindowsScope W;
    auto List = MakeList({});
    auto F = ShowEditor(List.get(), 2);
    EXPECT_EQ(Stops(W, [&] { F->OkCommand(); }), std::vector<std::string>{"Не выбрано"});
}

TEST(SprList, MoveLinksToTheItemChosenInASecondEditor)
{
    WindowsScope W;
    auto List = MakeList({"Альфа", "Бета", "Гамма"});
    auto F = ShowEditor(List.get(), 1, 3);
    AnswerScope<TFormSprList> Chosen([](TFormSprList& Second) {
        EXPECT_EQ(Second.Mode(), 2);
        EXPECT_EQ(Second.lbMode->Caption(), "Укажите позицию"_a);
        EXPECT_EQ(Second.Name(), "FrmCNTest");
        Second.lvs->SetItemIndex(0);
        Second.OkCommand();
    });
    F->MoveItem();
    EXPECT_EQ(Chosen.Shown, 1);
    const T_BaseStrItem* Moved = List->ItemById(3);
    EXPECT_EQ(Moved->LinkId(), 1);
    // A synonym stands right after the item it stands for.
    EXPECT_EQ(List->IndexOf(const_cast<T_BaseStrItem*>(Moved)), 1);
    EXPECT_EQ(SelectedText(*F), "Гамма");
}

TEST(SprList, Keys)
{
    struct KeyCase {
        const char* Name;
        Integer Mode;
        Word Key;
        TShiftState Shift;
        TModalResult Result;  // the window's modal result afterwards
        int Checked;          // checked items afterwards
        int Prompts;          // value prompts opened
    };
    const KeyCase Cases[] = {
        {"Esc", 1, VK_ESCAPE, {}, mrCancel, 0, 0},
        {"Enter edits in mode 1", 1, VK_RETURN, {}, mrNone, 0, 1},
        {"Ctrl+Enter confirms in mode 1", 1, VK_RETURN, {ssCtrl}, mrOk, 0, 0},
        {"Enter confirms in mode 2", 2, VK_RETURN, {}, mrOk, 0, 0},
        {"Space edits in mode 1", 1, VK_SPACE, {}, mrNone, 0, 1},
        {"Insert adds in mode 1", 1, VK_INSERT, {}, mrNone, 0, 1},
        {"Insert does nothing in mode 2", 2, VK_INSERT, {}, mrNone, 0, 0},
        {"Space checks in mode 3", 3, VK_SPACE, {}, mrNone, 1, 0},
        {"Numpad + checks all", 3, VK_ADD, {}, mrNone, 3, 0},
        {"Numpad - unchecks all", 3, VK_SUBTRACT, {}, mrNone, 0, 0},
    };
    for (const KeyCase& C : Cases) {
        SCOPED_TRACE(C.Name);
        WindowsScope W;
        auto List = MakeList({"Альфа", "Бета", "Гамма"});
        if (C.Key == VK_SUBTRACT)
            List->CheckAll();
        auto F = ShowEditor(List.get(), C.Mode, 1);
        F->lvs->SetFocus();
        AnswerScope<TFormGet> Prompt([](TFormGet& G) { G.btCancel->Click(); });
        SimulateKey(C.Key, C.Shift);
        Application->ProcessMessages();
        EXPECT_EQ(F->ModalResult(), C.Result);
        int Checked = 0;
        for (int I = 0; I < List->Count(); ++I)
            Checked += List->ItemAt(I)->Checked ? 1 : 0;
        EXPECT_EQ(Checked, C.Checked);
        EXPECT_EQ(Prompt.Shown, C.Prompts);
    }
}

TEST(SprList, ExecRunsModallyAndRestoresTheSortKind)
{
    WindowsScope W;
    auto List = MakeList({"Гамма", "Альфа", "Бета"});
    List->ItemAt(0)->Checked = true;
    TSprListConfig Config;
    InitSprListConfig(Config);
    Config.List = List.get();
    Config.Mode = 2;
    Config.SelectedId = 2;
    AnswerScope<TFormSprList> Run([&](TFormSprList& F) {
        EXPECT_EQ(F.Caption(), "Справочник"_a);
        EXPECT_EQ(F.Name(), "FrmCNTest");
        // Check marks are cleared on entry; the editing buttons are hidden.
        EXPECT_FALSE(List->ItemAt(0)->Checked);
        EXPECT_FALSE(F.btAdd->Visible());
        EXPECT_EQ(SelectedText(F), "Альфа");
        F.SortByColumn(1);
        F.lvs->SetItemIndex(2);
        F.OkCommand();
    });
    ExecSprList(Config);
    EXPECT_TRUE(Config.Result);
    EXPECT_EQ(Config.SelectedId, 1);
    EXPECT_EQ(List->SortKind(), skById);
    Integer Id = 3;
    AnswerScope<TFormSprList> Cancelled([](TFormSprList& F) { F.SetModalResult(mrCancel); });
    EXPECT_FALSE(SelectFromSprList("", "", List.get(), 0, Id));
    EXPECT_EQ(Id, -1);
}

TEST(SprList, RenderEveryMode)
{
    WindowsScope W;
    const TDM Pictures(nullptr);
    auto List = MakeList({"Цена", "Цена за ед.", "Стоимость", "Сумма", "Цена с НДС"});
    List->ItemAt(4)->SetLinkId(1);
    List->Sort();
    List->ItemAt(2)->Checked = true;
    const struct {
        Integer Mode;
        const char* Name;
    } Modes[] = {{1, "sprlist-edit"}, {2, "sprlist-select"}, {3, "sprlist-check"}};
    for (const auto& M : Modes) {
        auto F = ShowEditor(List.get(), M.Mode, 2);
        F->SetCaption("Список заголовков колонки входного документа"_a);
        F->lbMode->SetCaption("Список заголовков для поля Цена"_a);
        Application->ProcessMessages();
        KeepPng(F.get(), M.Name);
    }
}

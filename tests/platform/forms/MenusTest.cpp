#include "platform/forms/ActnList.h"
#include "platform/forms/Menus.h"

#include "platform/forms/Buttons.h"
#include "platform/forms/Forms.h"
#include "platform/forms/InputSimulation.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/StdCtrls.h"
#include "platform/winapi/SystemMetrics.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

/// Records which handlers ran, in order.
class Recorder : public TComponent {
public:
    Recorder() : TComponent(nullptr) {}
    void Clicked(TObject* Sender) { Log.push_back("click " + Name(Sender)); }
    void Executed(TObject* Sender) { Log.push_back("execute " + Name(Sender)); }
    void Updated(TObject* Sender) { Log.push_back("update " + Name(Sender)); }
    void Popped(TObject*) { Log.push_back("popup"); }
    void ListExecute(TBasicAction* A, bool& Handled)
    {
        Log.push_back("list " + Name(A));
        Handled = HandleInList;
    }
    static std::string Name(TObject* Sender)
    {
        auto* C = dynamic_cast<TComponent*>(Sender);
        return C ? C->Name().Std() : "?";
    }

    std::vector<std::string> Log;
    bool HandleInList = false;
};

TMenuItem* NewItem(TComponent* Owner, const char* Name, const AnsiString& Caption)
{
    auto* Item = new TMenuItem(Owner);
    Item->SetName(Name);
    Item->SetCaption(Caption);
    return Item;
}

// ---- menu items -------------------------------------------------------------------------------

TEST(TMenuItem, HotkeysAreFoundAndStrippedWithDoubledAmpersandsKept)
{
    struct Case {
        const char* Caption;
        const char* Stripped;
        const char* Hotkey;
    };
    const Case Cases[] = {
        {"&Открыть", "Открыть", "О"},          // first letter marked
        {"Сохранить &как...", "Сохранить как...", "к"}, // a letter inside
        {"A && B", "A & B", ""},                 // "&&" is a plain ampersand
        {"&&&X", "&X", "X"},                     // a literal then a marked letter
        {"Конец&", "Конец", ""},                 // a trailing mark marks nothing
        {"", "", ""},                            // empty caption
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Caption);
        EXPECT_EQ(StripHotkey(AnsiString::FromUtf8(C.Caption)), AnsiString::FromUtf8(C.Stripped));
        EXPECT_EQ(GetHotkey(AnsiString::FromUtf8(C.Caption)), AnsiString::FromUtf8(C.Hotkey));
    }
}

TEST(TMenuItem, TreeKeepsOrderAndRefusesAnItemTwice)
{
    TMenuItem Root(nullptr);
    auto* A = NewItem(nullptr, "A", "&Файл"_a);
    auto* B = NewItem(nullptr, "B", "Правка"_a);
    auto* C = NewItem(nullptr, "C", "Вид"_a);
    Root.Add(A);
    Root.Add(C);
    Root.Insert(1, B);
    ASSERT_EQ(Root.Count(), 3);
    EXPECT_EQ(Root[1], B);
    EXPECT_EQ(C->MenuIndex(), 2);
    EXPECT_EQ(Root.Find("файл"_a), A); // "&" and letter case ignored
    EXPECT_EQ(Root.Find("Окно"_a), nullptr);

    ExpectRaises<EMenuError>([&] { Root.Add(A); }, "Menu inserted twice");
    ExpectRaises<EMenuError>([&] { Root.Items(3); }, "Menu index out of range");
    TMenuItem Stray(nullptr);
    ExpectRaises<EMenuError>([&] { Root.Remove(&Stray); }, "Sub-menu is not in menu");

    C->SetMenuIndex(0);
    EXPECT_EQ(Root[0], C);
    EXPECT_EQ(Root[1], A);
    Root.Delete(2); // frees B
    EXPECT_EQ(Root.Count(), 2);
}

TEST(TMenuItem, FreedItemLeavesItsParentAndFreesItsChildren)
{
    TForm Form(nullptr, 0);
    TPopupMenu* Menu = new TPopupMenu(&Form);
    TMenuItem* Sub = NewItem(&Form, "Sub", "Окно"_a);
    TMenuItem* Leaf = NewItem(&Form, "Leaf", "Главное"_a);
    Menu->Items()->Add(Sub);
    Sub->Add(Leaf);
    const int Components = Form.ComponentCount();
    delete Sub;
    EXPECT_EQ(Menu->Items()->Count(), 0);
    // The child went with its parent, and both left their owner.
    EXPECT_EQ(Form.ComponentCount(), Components - 2);
}

TEST(TMenuItem, RadioItemsOfAGroupUncheckEachOther)
{
    TMenuItem Root(nullptr);
    TMenuItem* Items[4];
    for (int I = 0; I < 4; ++I) {
        Items[I] = new TMenuItem(nullptr);
        Items[I]->SetRadioItem(I < 3);
        Items[I]->SetGroupIndex(I < 2 ? 1 : 2);
        Root.Add(Items[I]);
    }
    Items[0]->SetChecked(true);
    Items[2]->SetChecked(true); // another group
    Items[3]->SetChecked(true); // not a radio item
    Items[1]->SetChecked(true);
    EXPECT_FALSE(Items[0]->Checked());
    EXPECT_TRUE(Items[1]->Checked());
    EXPECT_TRUE(Items[2]->Checked());
    EXPECT_TRUE(Items[3]->Checked());
}

TEST(TMenuItem, ClickRunsOnlyEnabledItemsAndTogglesAutoCheck)
{
    Recorder R;
    TMenuItem Item(nullptr);
    Item.SetName("mnRound");
    Item.OnClick = TNotifyEvent(&R, &Recorder::Clicked);
    Item.SetAutoCheck(true);
    Item.Click();
    EXPECT_TRUE(Item.Checked());
    Item.SetEnabled(false);
    Item.Click();
    EXPECT_TRUE(Item.Checked());
    EXPECT_EQ(R.Log, std::vector<std::string>({"click mnRound"}));
}

// ---- menus ---------------------------------------------------------------------------------------

TEST(TMenu, ShortCutClicksTheReachableItemOnly)
{
    Recorder R;
    TMainMenu Menu(nullptr);
    TMenuItem* File = NewItem(&Menu, "mnFile", "Файл"_a);
    TMenuItem* Save = NewItem(&Menu, "mnSave", "Сохранить"_a);
    Save->SetShortCut(ShortCut('S', {ssCtrl}));
    Save->OnClick = TNotifyEvent(&R, &Recorder::Clicked);
    Menu.Items()->Add(File);
    File->Add(Save);

    TMessage M;
    M.Msg = WM_KEYDOWN;
    M.WParam = 'S';
    SetKeyStateForTest(VK_CONTROL, true);
    TWMKey Key(M);
    EXPECT_TRUE(Menu.IsShortCut(Key));
    // A disabled parent makes the item unreachable: the key goes on.
    File->SetEnabled(false);
    EXPECT_FALSE(Menu.IsShortCut(Key));
    SetKeyStateForTest(VK_CONTROL, false);
    EXPECT_FALSE(Menu.IsShortCut(Key)); // plain S is no short-cut
    EXPECT_EQ(R.Log, std::vector<std::string>({"click mnSave"}));
    EXPECT_EQ(ShortCutToText(Save->ShortCut()), "Ctrl+S");
}

TEST(TPopupMenu, HookChoosesAnItemThatRunsAfterOnPopup)
{
    Recorder R;
    TForm Form(nullptr, 0);
    Form.SetBounds(0, 0, 200, 150);
    auto* Edit = new TEdit(&Form);
    Edit->SetParent(&Form);
    auto* Menu = new TPopupMenu(&Form);
    Menu->OnPopup = TNotifyEvent(&R, &Recorder::Popped);
    TMenuItem* Copy = NewItem(&Form, "mnCopy", "Копировать"_a);
    TMenuItem* Hidden = NewItem(&Form, "mnHidden", "Скрытый"_a);
    Hidden->SetVisible(false);
    Hidden->OnClick = TNotifyEvent(&R, &Recorder::Clicked);
    Copy->OnClick = TNotifyEvent(&R, &Recorder::Clicked);
    Menu->Items()->Add(Copy);
    Menu->Items()->Add(Hidden);
    Edit->SetPopupMenu(Menu);
    Form.Show();

    TPoint Seen;
    TMenuItem* Answer = Copy;
    const PopupMenuHookScope Scope([&](TPopupMenu& M, TPoint P) {
        EXPECT_EQ(&M, Menu);
        Seen = P;
        return Answer;
    });
    SimulateClick(Edit, 5, 6, mbRight);
    EXPECT_EQ(Menu->PopupComponent(), Edit);
    EXPECT_EQ(Seen, Edit->ClientToScreen({5, 6}));
    Answer = Hidden; // a hidden item cannot be chosen
    Menu->Popup(10, 10);
    Answer = nullptr; // closed without a choice
    Menu->Popup(10, 10);
    EXPECT_EQ(R.Log, std::vector<std::string>({"popup", "click mnCopy", "popup", "popup"}));
}

TEST(TPopupMenu, MenuFreedWhileShownRunsNothing)
{
    Recorder R;
    auto* Menu = new TPopupMenu(nullptr);
    TMenuItem* Copy = NewItem(Menu, "mnCopy", "Копировать"_a);
    Copy->OnClick = TNotifyEvent(&R, &Recorder::Clicked);
    Menu->Items()->Add(Copy);
    // Another message handled while the menu is up frees it.
    const PopupMenuHookScope Scope([&](TPopupMenu& M, TPoint) {
        delete &M;
        return Copy;
    });
    Menu->Popup(10, 10);
    EXPECT_TRUE(R.Log.empty());
}

TEST(TPopupMenu, FreedMenuIsForgottenByItsControl)
{
    TForm Form(nullptr, 0);
    auto* Edit = new TEdit(&Form);
    Edit->SetParent(&Form);
    auto* Menu = new TPopupMenu(nullptr);
    Edit->SetPopupMenu(Menu);
    delete Menu;
    EXPECT_EQ(Edit->PopupMenu(), nullptr);
    Form.Show();
    SimulateClick(Edit, 3, 3, mbRight); // no menu, no crash
}

TEST(TMainMenu, FormForgetsAFreedMenu)
{
    TForm Form(nullptr, 0);
    auto* Menu = new TMainMenu(nullptr);
    Form.SetMenu(Menu);
    EXPECT_EQ(Menu->Form(), &Form);
    delete Menu;
    EXPECT_EQ(Form.Menu(), nullptr);
}

// ---- the menu bar ----------------------------------------------------------------------------------

/// A shown form with a menu bar: "&Файл" (Открыть, a disabled Сохранить,
/// a hidden item), a disabled "&Правка" with one sub-item, and "&Справка"
/// without sub-items; a panel fills the client area.
class MenuBarTest : public ::testing::Test {
protected:
    MenuBarTest() : Form(nullptr, 0)
    {
        Form.SetBounds(40, 40, 320, 200);
        Menu = new TMainMenu(&Form);
        File = AddItem(Menu->Items(), "mnFile", "&Файл"_a);
        Open = AddItem(File, "mnOpen", "&Открыть"_a);
        Save = AddItem(File, "mnSave", "&Сохранить"_a);
        Save->SetEnabled(false);
        Hidden = AddItem(File, "mnHidden", "Скрытый"_a);
        Hidden->SetVisible(false);
        Edit = AddItem(Menu->Items(), "mnEdit", "&Правка"_a);
        Edit->SetEnabled(false);
        AddItem(Edit, "mnCopy", "Копировать"_a);
        Help = AddItem(Menu->Items(), "mnHelp", "&Справка"_a);
        Form.SetMenu(Menu);
        Panel = new TPanel(&Form);
        Panel->SetParent(&Form);
        Panel->SetAlign(alClient);
        Panel->OnClick = TNotifyEvent(&R, &Recorder::Clicked);
        Panel->SetName("Panel");
        Form.Show();
    }

    TMenuItem* AddItem(TMenuItem* Parent, const char* Name, const AnsiString& Caption)
    {
        TMenuItem* Item = NewItem(&Form, Name, Caption);
        Item->OnClick = TNotifyEvent(&R, &Recorder::Clicked);
        Parent->Add(Item);
        return Item;
    }

    /// The client y of the bar's middle (the band lies above the client area).
    static int BandY() { return -GetSystemMetrics(SM_CYMENU) / 2; }

    Recorder R;
    TForm Form;
    TMainMenu* Menu;
    TMenuItem* File;
    TMenuItem* Open;
    TMenuItem* Save;
    TMenuItem* Hidden;
    TMenuItem* Edit;
    TMenuItem* Help;
    TPanel* Panel;
};

TEST_F(MenuBarTest, BandTakesTheTopOfTheWindowAndTheClientShrinks)
{
    const int WithBar = Form.ClientHeight();
    Form.SetMenu(nullptr);
    EXPECT_EQ(Form.Height(), 200); // the window keeps its size
    EXPECT_EQ(Form.ClientHeight(), WithBar + GetSystemMetrics(SM_CYMENU));
    EXPECT_EQ(Panel->Height(), Form.ClientHeight()); // the aligned child follows
    Form.SetMenu(Menu);
    EXPECT_EQ(Form.ClientHeight(), WithBar);
    EXPECT_EQ(Panel->Height(), WithBar);
    // The client area still takes its own clicks just below the bar.
    SimulateClick(Panel, 2, 0);
    EXPECT_EQ(R.Log, std::vector<std::string>({"click Panel"}));
}

TEST_F(MenuBarTest, ClickDropsTheSubItemsDownBelowTheItemAndRunsTheChoice)
{
    std::vector<TMenuItem*> Parents;
    TPoint Seen;
    TMenuItem* Answer = Open;
    const MenuBarHookScope Scope([&](TMenuItem& Parent, TPoint P) {
        Parents.push_back(&Parent);
        Seen = P;
        return Answer;
    });
    SimulateClick(&Form, 3, BandY());
    ASSERT_EQ(Parents, std::vector<TMenuItem*>({File}));
    EXPECT_EQ(Seen, Form.ClientToScreen({0, 0})); // the first item's bottom-left
    Answer = Save; // a disabled item is not run
    SimulateClick(&Form, 3, BandY());
    Answer = nullptr; // closed without a choice
    SimulateClick(&Form, 3, BandY());
    EXPECT_EQ(R.Log, std::vector<std::string>({"click mnFile", "click mnOpen", "click mnFile", "click mnFile"}));
}

TEST_F(MenuBarTest, DisabledItemsTakeNoClickAndAnItemWithoutSubItemsRunsAtOnce)
{
    int Shown = 0;
    const MenuBarHookScope Scope([&](TMenuItem&, TPoint) {
        ++Shown;
        return nullptr;
    });
    // Walk along the bar: the disabled "Правка" and the plain "Справка"
    // follow "Файл"; a click a little past the last item hits nothing.
    for (int X = 3; X < Form.ClientWidth(); X += 4)
        SimulateClick(&Form, X, BandY());
    EXPECT_GT(Shown, 0);                    // "Файл" dropped down
    EXPECT_EQ(std::count(R.Log.begin(), R.Log.end(), "click mnEdit"), 0);
    EXPECT_GT(std::count(R.Log.begin(), R.Log.end(), "click mnHelp"), 0);
    EXPECT_EQ(std::count(R.Log.begin(), R.Log.end(), "click Panel"), 0);
}

TEST_F(MenuBarTest, AltWithTheMarkedLetterAndF10OpenTheBar)
{
    std::vector<TMenuItem*> Parents;
    const MenuBarHookScope Scope([&](TMenuItem& Parent, TPoint) {
        Parents.push_back(&Parent);
        return nullptr;
    });
    Panel->SetTabStop(true);
    Panel->SetFocus();
    SimulateKey('A', {ssAlt}, "ф"_a.c_str()); // Alt+Ф: "&Файл"
    SimulateKey('G', {ssAlt}, "п"_a.c_str()); // Alt+П: "&Правка" is disabled
    SimulateKey(VK_F10);                        // the first item that drops down
    EXPECT_EQ(Parents, std::vector<TMenuItem*>({File, File}));
    SimulateKey('C', {ssAlt}, "с"_a.c_str()); // Alt+С: "&Справка" runs at once
    EXPECT_EQ(R.Log, std::vector<std::string>({"click mnFile", "click mnFile", "click mnHelp"}));
}

TEST_F(MenuBarTest, BarIsPaintedWithDisabledItemsGrey)
{
    TBitmap Shot;
    GrabWindow(&Form, &Shot);
    const int Band = GetSystemMetrics(SM_CYMENU);
    int Text = 0;
    int Grey = 0;
    for (int Y = 0; Y < Band; ++Y)
        for (int X = 0; X < Shot.Width(); ++X) {
            const TColor C = Shot.Canvas()->Pixels(X, Y);
            Text += C == TColor(GetSysColor(COLOR_MENUTEXT));
            Grey += C == TColor(GetSysColor(COLOR_GRAYTEXT));
        }
    EXPECT_GT(Text, 20); // "Файл" and "Справка"
    EXPECT_GT(Grey, 10); // "Правка"
    // Below the band the form's client area starts.
    EXPECT_NE(Shot.Canvas()->Pixels(1, Band + 1), TColor(GetSysColor(COLOR_MENUTEXT)));
    // A change of an item shows at once.
    Edit->SetEnabled(true);
    GrabWindow(&Form, &Shot);
    int GreyAfter = 0;
    for (int Y = 0; Y < Band; ++Y)
        for (int X = 0; X < Shot.Width(); ++X)
            GreyAfter += Shot.Canvas()->Pixels(X, Y) == TColor(GetSysColor(COLOR_GRAYTEXT));
    EXPECT_EQ(GreyAfter, 0);
}

TEST_F(MenuBarTest, HandlerThatFreesTheMenuEndsTheBarQuietly)
{
    struct Freer : TComponent {
        Freer() : TComponent(nullptr) {}
        TMainMenu* Target = nullptr;
        void Free(TObject*) { delete Target; }
    } F;
    F.Target = Menu;
    File->OnClick = TNotifyEvent(&F, &Freer::Free);
    int Shown = 0;
    const MenuBarHookScope Scope([&](TMenuItem&, TPoint) {
        ++Shown;
        return nullptr;
    });
    SimulateClick(&Form, 3, BandY());
    EXPECT_EQ(Shown, 0);
    EXPECT_EQ(Form.Menu(), nullptr);
}

// ---- actions -------------------------------------------------------------------------------------

/// A form with an action list, one action, a button, a check box and a
/// menu item bound to it.
class ActionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Form = std::make_unique<TForm>(nullptr, 0);
        Form->SetBounds(0, 0, 300, 200);
        List = new TActionList(Form.get());
        Action = new TAction(Form.get());
        Action->SetName("acRound");
        Action->SetActionList(List);
        Action->SetCaption("Округлять цены"_a);
        Action->OnExecute = TNotifyEvent(&R, &Recorder::Executed);
        Button = new TButton(Form.get());
        Button->SetName("btRound");
        Button->SetParent(Form.get());
        Box = new TCheckBox(Form.get());
        Box->SetName("cbRound");
        Box->SetParent(Form.get());
        Box->SetTop(40);
        Menu = new TMainMenu(Form.get());
        Item = NewItem(Form.get(), "mnRound", "");
        Menu->Items()->Add(Item);
        Form->SetMenu(Menu);
        Button->SetAction(Action);
        Box->SetAction(Action);
        Item->SetAction(Action);
    }

    Recorder R;
    std::unique_ptr<TForm> Form;
    TActionList* List = nullptr;
    TAction* Action = nullptr;
    TButton* Button = nullptr;
    TCheckBox* Box = nullptr;
    TMainMenu* Menu = nullptr;
    TMenuItem* Item = nullptr;
};

TEST_F(ActionTest, ClientsTakeTheActionsValuesWhenBoundAndWhenTheyChange)
{
    EXPECT_EQ(Button->Caption(), "Округлять цены"_a);
    EXPECT_EQ(Item->Caption(), "Округлять цены"_a);
    Action->SetEnabled(false);
    Action->SetHint("Подсказка|Длинная"_a);
    Action->SetChecked(true);
    Action->SetShortCut(ShortCut('R', {ssCtrl}));
    EXPECT_FALSE(Button->Enabled());
    EXPECT_FALSE(Box->Enabled());
    EXPECT_FALSE(Item->Enabled());
    EXPECT_EQ(Button->Hint(), "Подсказка|Длинная"_a);
    EXPECT_TRUE(Box->Checked());
    EXPECT_TRUE(Item->Checked());
    EXPECT_EQ(Item->ShortCut(), ShortCut('R', {ssCtrl}));
    Action->SetVisible(false);
    EXPECT_FALSE(Button->Visible());
    EXPECT_FALSE(Item->Visible());
    // Following the action is no click of the check box.
    EXPECT_TRUE(R.Log.empty());
}

TEST_F(ActionTest, ClicksExecuteTheActionWithTheFiringClient)
{
    std::vector<TComponent*> Firing;
    struct Catch : TComponent {
        Catch() : TComponent(nullptr) {}
        TAction* A = nullptr;
        std::vector<TComponent*>* Out = nullptr;
        void Run(TObject*) { Out->push_back(A->ActionComponent()); }
    } C;
    C.A = Action;
    C.Out = &Firing;
    Action->OnExecute = TNotifyEvent(&C, &Catch::Run);
    Form->Show();
    SimulateClick(Button, 5, 5);
    Item->Click();
    EXPECT_EQ(Firing, std::vector<TComponent*>({Button, Item}));
    EXPECT_EQ(Action->ActionComponent(), nullptr);
    // A disabled action takes no click.
    Action->SetEnabled(false);
    Item->Click();
    EXPECT_EQ(Firing.size(), 2u);
}

TEST_F(ActionTest, OwnOnClickOfAClientRunsInsteadOfTheAction)
{
    Button->OnClick = TNotifyEvent(&R, &Recorder::Clicked);
    Button->Click();
    Item->OnClick = Action->OnExecute; // the action's own handler: the action runs
    Item->Click();
    EXPECT_EQ(R.Log, std::vector<std::string>({"click btRound", "execute acRound"}));
}

TEST_F(ActionTest, ListHandlesFirstAndUpdateDisablesAnActionWithoutHandler)
{
    List->OnExecute = TActionEvent(&R, &Recorder::ListExecute);
    R.HandleInList = true;
    EXPECT_TRUE(Action->Execute());
    R.HandleInList = false;
    EXPECT_TRUE(Action->Execute());
    EXPECT_EQ(R.Log, std::vector<std::string>({"list acRound", "list acRound", "execute acRound"}));

    auto* Orphan = new TAction(Form.get());
    Orphan->SetActionList(List);
    List->OnExecute = nullptr;
    Orphan->Update();
    EXPECT_FALSE(Orphan->Enabled());
    Orphan->SetDisableIfNoHandler(false);
    Orphan->SetEnabled(true);
    Orphan->Update();
    EXPECT_TRUE(Orphan->Enabled());
}

TEST_F(ActionTest, CheckedActionsOfAGroupUncheckEachOtherAndTheirClients)
{
    auto* Other = new TAction(Form.get());
    Other->SetActionList(List);
    Other->SetGroupIndex(3);
    Action->SetGroupIndex(3);
    auto* OtherItem = NewItem(Form.get(), "mnOther", "");
    Menu->Items()->Add(OtherItem);
    OtherItem->SetAction(Other);
    Action->SetChecked(true);
    Other->SetChecked(true);
    EXPECT_FALSE(Action->Checked());
    EXPECT_FALSE(Item->Checked());
    EXPECT_FALSE(Box->Checked());
    EXPECT_TRUE(OtherItem->Checked());
    // AutoCheck toggles before the handler runs.
    Action->SetAutoCheck(true);
    Action->Execute();
    EXPECT_TRUE(Action->Checked());
    EXPECT_FALSE(Other->Checked());
}

TEST_F(ActionTest, FormShortCutsReachMenusAndActionLists)
{
    Action->SetShortCut(ShortCut('R', {ssCtrl}));
    auto* Select = new TAction(Form.get());
    Select->SetName("acSelectAll");
    Select->SetActionList(List);
    Select->SetShortCut(ShortCut('A', {ssCtrl}));
    Select->OnExecute = TNotifyEvent(&R, &Recorder::Executed);
    Form->Show();
    SimulateKey('R', {ssCtrl}); // the menu item bound to acRound
    SimulateKey('A', {ssCtrl}); // an action without a menu item
    Select->SetEnabled(false);
    Select->OnUpdate = TNotifyEvent(&R, &Recorder::Updated);
    SimulateKey('A', {ssCtrl}); // updated first, still disabled: not run
    EXPECT_EQ(R.Log, std::vector<std::string>(
        {"execute acRound", "execute acSelectAll", "update acSelectAll"}));
}

TEST_F(ActionTest, IdleUpdateReachesTheActionsOfShowingFormsOnly)
{
    Action->OnUpdate = TNotifyEvent(&R, &Recorder::Updated);
    UpdateFormActions();
    EXPECT_TRUE(R.Log.empty());
    Form->Show();
    UpdateFormActions();
    EXPECT_EQ(R.Log, std::vector<std::string>({"update acRound"}));
}

TEST_F(ActionTest, FreedActionLeavesItsClientsAndList)
{
    delete Action;
    Action = nullptr;
    EXPECT_EQ(Button->Action(), nullptr);
    EXPECT_EQ(Item->Action(), nullptr);
    EXPECT_EQ(List->ActionCount(), 0);
    Item->Click(); // nothing bound, nothing runs
    Button->Click();
    EXPECT_TRUE(R.Log.empty());
}

TEST(TSpeedButtonAction, DownFollowsTheCheckedAction)
{
    TForm Form(nullptr, 0);
    auto* Action = new TAction(&Form);
    auto* Speed = new TSpeedButton(&Form);
    Speed->SetParent(&Form);
    Speed->SetGroupIndex(1);
    Speed->SetAllowAllUp(true);
    Speed->SetAction(Action);
    Action->SetChecked(true);
    EXPECT_TRUE(Speed->Down());
    Action->SetChecked(false);
    EXPECT_FALSE(Speed->Down());
}

}  // namespace

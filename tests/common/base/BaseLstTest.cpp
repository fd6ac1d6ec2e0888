#include "common/base/BaseLst.h"

#include "common/base/Funcs.h"
#include "platform/classes/Strings.h"
#include "platform/forms/ComCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/StrUtils.h"
#include "tests/support/SettingsScope.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

const AnsiString& Undefined()
{
    return "Не определено"_a;
}

/// Adds an item with a key, a text and an order.
T_BaseStrItem* AddItem(T_BaseStrList& L, Integer Id, const AnsiString& Text, Integer Order)
{
    T_BaseStrItem* Item = L.NewItem();
    Item->Id = Id;
    Item->SetText(Text);
    Item->Order = Order;
    return Item;
}

/// The keys in list order.
std::vector<Integer> Ids(const T_BaseStrList& L)
{
    std::vector<Integer> Out;
    for (int I = 0; I < L.Count(); ++I)
        Out.push_back(L.ItemAt(I)->Id);
    return Out;
}

/// The lines of a string list joined by '|', each with its object as "=key".
AnsiString Lines(const TStrings& S)
{
    AnsiString Out;
    for (int I = 0; I < S.Count(); ++I) {
        if (I > 0)
            Out += "|";
        Out += S.Strings(I) + "=" +
               AnsiString(std::to_string(reinterpret_cast<intptr_t>(S.Objects(I))));
    }
    return Out;
}

void ThreeDefaults(TStrings* S)
{
    S->Add("Первый"_a);
    S->Add("Второй"_a);
    S->Add("Третий"_a);
}

// ---- loading ----------------------------------------------------------------------

TEST(BaseLst, LoadWithoutDefaultsGivesTheUndefinedItem)
{
    T_BaseStrList L;
    L.Load();
    ASSERT_EQ(L.Count(), 1);
    const T_BaseStrItem* Item = L.ItemAt(0);
    EXPECT_EQ(Item->Id, 0);
    EXPECT_EQ(Item->Order, -1);
    EXPECT_EQ(Item->GetText(), Undefined());
    EXPECT_FALSE(L.AddUndefinedItem());  // present already
    EXPECT_EQ(L.Count(), 1);
}

TEST(BaseLst, DefaultsGetOrdersByTensAndKeysOfTheirOwn)
{
    T_BaseStrList L;
    L.DefaultsProc = ThreeDefaults;
    L.Load();
    // The first default is not taken for the undefined item: it keeps its
    // text and the undefined item is added besides.
    ASSERT_EQ(L.Count(), 4);
    EXPECT_EQ(L.ItemAt(0)->GetText(), Undefined());
    EXPECT_EQ(L.ItemById(0)->Order, -1);
    const int Orders[] = {10, 20, 30};
    const char* Texts[] = {"Первый"_c, "Второй"_c, "Третий"_c};
    for (int I = 0; I < 3; ++I) {
        SCOPED_TRACE(I);
        const T_BaseStrItem* Item = L.ItemAt(I + 1);
        EXPECT_EQ(Item->Order, Orders[I]);
        EXPECT_EQ(Item->GetText(), Texts[I]);
        EXPECT_TRUE(IsValidKey(Item->Id));
    }
    EXPECT_EQ(Ids(L), (std::vector<Integer>{0, 1, 2, 3}));
    // A list that already holds items gets no defaults.
    L.LoadDefaults();
    EXPECT_EQ(L.Count(), 4);
}

TEST(BaseLst, LoadFromStringsTakesKeysFromTheObjects)
{
    TStringList S;
    S.AddObject("a", reinterpret_cast<TObject*>(intptr_t(7)));
    S.AddObject("b  ", reinterpret_cast<TObject*>(intptr_t(3)));
    T_BaseStrList L;
    AddItem(L, 99, "gone", 1);
    L.LoadFromStrings(&S);
    EXPECT_EQ(Ids(L), (std::vector<Integer>{7, 3}));
    EXPECT_EQ(L.ItemById(3)->GetText(), "b");  // trailing blanks dropped
    EXPECT_EQ(L.IndexOfId(99), -1);
    EXPECT_EQ(L.ItemAt(2), nullptr);
    EXPECT_EQ(L.ItemAt(-1), nullptr);
}

TEST(BaseLst, NewItemFollowsTheHighestOrder)
{
    T_BaseStrList L;
    EXPECT_EQ(L.NewItem()->Order, 1);
    L.ItemAt(0)->Order = 40;
    T_BaseStrItem* Next = L.NewItem();
    EXPECT_EQ(Next->Order, 41);
    EXPECT_EQ(Next->Id, 0);
    EXPECT_EQ(Next->Owner(), &L);
}

// ---- links ------------------------------------------------------------------------

TEST(BaseLst, LinkedItemShowsItsTarget)
{
    T_BaseStrList L;
    AddItem(L, 1, "Main", 1);
    T_BaseStrItem* Synonym = AddItem(L, 2, "Alias", 2);
    Synonym->SetLinkId(1);
    EXPECT_TRUE(Synonym->IsLinked());
    EXPECT_EQ(Synonym->GetLinkId(), 1);
    EXPECT_EQ(Synonym->GetColumnText(2), "  -Alias[1]");
    EXPECT_EQ(Synonym->GetColumnText(6), "1");
    L.LinksEnabled = false;
    EXPECT_EQ(Synonym->GetColumnText(2), "Alias");
}

struct SetLinkCase {
    const char* Name;
    bool LinksEnabled;
    Integer NewId;
    bool Linked;
};

const SetLinkCase SetLinkCases[] = {
    {"another key links", true, 5, true},
    {"own key unlinks", true, 2, false},
    {"zero unlinks a linked item", true, 0, false},
    {"links disabled unlink", false, 5, false},
};

TEST(BaseLst, SetLinkId)
{
    for (const SetLinkCase& C : SetLinkCases) {
        SCOPED_TRACE(C.Name);
        T_BaseStrList L;
        AddItem(L, 5, "Target", 1);
        T_BaseStrItem* Item = AddItem(L, 2, "Item", 2);
        Item->SetLinkId(7);  // linked to something first
        L.LinksEnabled = C.LinksEnabled;
        Item->SetLinkId(C.NewId);
        EXPECT_EQ(Item->IsLinked(), C.Linked);
        EXPECT_EQ(Item->GetLinkItem() == Item, !C.Linked);
    }
}

TEST(BaseLst, CycleUnlinksTheItemResolved)
{
    T_BaseStrList L;
    T_BaseStrItem* A = AddItem(L, 1, "A", 1);
    T_BaseStrItem* B = AddItem(L, 2, "B", 2);
    T_BaseStrItem* C = AddItem(L, 3, "C", 3);
    A->SetLinkId(2);
    B->SetLinkId(3);
    C->SetLinkId(1);
    EXPECT_EQ(A->GetColumnText(2), "A");
    EXPECT_FALSE(A->IsLinked());
    // The others now resolve to A.
    EXPECT_EQ(C->GetColumnText(2), "  -C[1]");
    EXPECT_EQ(L.ResolveLink(2), A);
    EXPECT_EQ(L.ResolveLink(0), nullptr);
    EXPECT_EQ(L.ResolveLink(42), nullptr);
}

TEST(BaseLst, MissingTargetUnlinks)
{
    T_BaseStrList L;
    T_BaseStrItem* A = AddItem(L, 1, "A", 1);
    A->SetLinkId(9);
    EXPECT_EQ(A->GetLinkItem(), A);
    EXPECT_FALSE(A->IsLinked());
}

TEST(BaseLst, FreedTargetIsNeverTouched)
{
    T_BaseStrList L;
    T_BaseStrItem* Target = AddItem(L, 1, "Target", 1);
    T_BaseStrItem* Synonym = AddItem(L, 2, "Alias", 2);
    Synonym->SetLinkId(1);
    EXPECT_EQ(Synonym->GetLinkItem(), Target);  // cached
    L.FreeObject(Target);
    EXPECT_EQ(Synonym->GetLinkItem(), Synonym);
    EXPECT_EQ(Synonym->GetColumnText(2), "Alias");
}

TEST(BaseLst, NormalizeLinksPointsAtTheFinalTarget)
{
    T_BaseStrList L;
    AddItem(L, 1, "Root", 1);
    T_BaseStrItem* Middle = AddItem(L, 2, "Middle", 2);
    T_BaseStrItem* Leaf = AddItem(L, 3, "Leaf", 3);
    Middle->SetLinkId(1);
    Leaf->SetLinkId(2);
    L.NormalizeLinks();
    EXPECT_EQ(Leaf->LinkId(), 1);
    EXPECT_EQ(Middle->LinkId(), 1);
}

// ---- sorting ----------------------------------------------------------------------

/// The undefined item, three plain items and a synonym of "Banana".
void FillFruit(T_BaseStrList& L)
{
    L.AddUndefinedItem();
    AddItem(L, 3, "Apple", 30);
    AddItem(L, 1, "cherry", 10);
    AddItem(L, 2, "Banana", 20);
    AddItem(L, 4, "Aardvark", 5)->SetLinkId(2);
}

struct SortCase {
    const char* Name;
    int Kind;
    std::vector<Integer> Order;
};

const SortCase SortCases[] = {
    // The undefined item first; the synonym right after its target.
    {"by id", skById, {0, 1, 2, 4, 3}},
    {"by order", skByOrder, {0, 1, 2, 4, 3}},
    // Text ignores case; "Aardvark" would come first but follows Banana.
    {"by text", skByText, {0, 3, 2, 4, 1}},
};

TEST(BaseLst, SortKinds)
{
    for (const SortCase& C : SortCases) {
        SCOPED_TRACE(C.Name);
        T_BaseStrList L;
        FillFruit(L);
        L.SetSortKind(C.Kind);
        EXPECT_EQ(L.SortKind(), C.Kind);
        EXPECT_EQ(Ids(L), C.Order);
    }
}

TEST(BaseLst, SynonymsOfOneItemKeepAnOrderOfTheirOwn)
{
    // Whatever order they come in, the synonyms follow their target sorted
    // among themselves, so a repeated sort never swaps them.
    const std::vector<Integer> Inputs[] = {{1, 5, 6, 7}, {7, 6, 5, 1}, {6, 1, 7, 5}};
    const char* Texts[] = {"", "Main", "", "", "", "Beta", "Alpha", "Gamma"};
    const struct {
        int Kind;
        std::vector<Integer> Order;
    } Kinds[] = {
        {skById, {1, 5, 6, 7}},
        {skByOrder, {1, 5, 6, 7}},  // Orders rise with the Id below
        {skByText, {1, 6, 5, 7}},
    };
    for (const auto& K : Kinds) {
        for (const std::vector<Integer>& Input : Inputs) {
            SCOPED_TRACE(K.Kind);
            T_BaseStrList L;
            for (Integer Id : Input)
                AddItem(L, Id, Texts[Id], Id);
            for (Integer Id : {5, 6, 7})
                L.ItemById(Id)->SetLinkId(1);
            L.SetSortKind(K.Kind);
            EXPECT_EQ(Ids(L), K.Order);
            L.Sort();
            EXPECT_EQ(Ids(L), K.Order);
        }
    }
}

TEST(BaseLst, UndefinedItemSortsFirstWhateverItsText)
{
    T_BaseStrList L;
    AddItem(L, 1, "Аааа"_a, 1);
    L.AddUndefinedItem();
    L.ItemById(0)->SetText("Яяяя"_a);
    L.SetSortKind(skByText);
    EXPECT_EQ(L.ItemAt(0)->Id, 0);
}

TEST(BaseLst, SortsOfTwoListsInTwoThreadsKeepTheirKinds)
{
    // The comparison reads the current kind from process state; the lock
    // keeps two sorts from mixing their kinds.
    std::vector<std::unique_ptr<T_BaseStrList>> Lists;
    for (int K = 0; K < 2; ++K) {
        auto L = std::make_unique<T_BaseStrList>();
        for (int I = 0; I < 300; ++I)
            AddItem(*L, I + 1, AnsiString(std::to_string(1000 - I)), (I * 7919) % 300 + 1);
        Lists.push_back(std::move(L));
    }
    std::thread ByText([&] {
        for (int R = 0; R < 20; ++R)
            Lists[0]->SetSortKind(skByText);
    });
    std::thread ById([&] {
        for (int R = 0; R < 20; ++R)
            Lists[1]->SetSortKind(skById);
    });
    ByText.join();
    ById.join();
    for (int I = 1; I < 300; ++I) {
        EXPECT_LT(AnsiCompareText(Lists[0]->ItemAt(I - 1)->GetText(), Lists[0]->ItemAt(I)->GetText()), 0);
        EXPECT_LT(Lists[1]->ItemAt(I - 1)->Id, Lists[1]->ItemAt(I)->Id);
    }
}

// ---- order numbers -----------------------------------------------------------------

TEST(BaseLst, PlaceBeforeTakesAFreeOrder)
{
    T_BaseStrList L;
    T_BaseStrItem* A = AddItem(L, 1, "A", 10);
    T_BaseStrItem* B = AddItem(L, 2, "B", 20);
    L.PlaceBefore(B, A);
    EXPECT_EQ(B->Order, 9);
    EXPECT_EQ(A->Order, 10);
}

TEST(BaseLst, PlaceBeforeOrderOneRenumbers)
{
    T_BaseStrList L;
    L.AddUndefinedItem();
    T_BaseStrItem* A = AddItem(L, 1, "A", 1);
    T_BaseStrItem* B = AddItem(L, 2, "B", 2);
    T_BaseStrItem* C = AddItem(L, 3, "C", 3);
    L.PlaceBefore(C, A);
    EXPECT_EQ(C->Order, 1);
    EXPECT_EQ(A->Order, 2);
    EXPECT_EQ(B->Order, 3);
    EXPECT_EQ(L.ItemById(0)->Order, -1);
}

// ---- filling string lists -------------------------------------------------------------

struct FillCase {
    const char* Name;
    std::vector<Integer> Groups;
    bool CheckedOnly;
    bool LinksEnabled;
    const char* Expected;
};

const FillCase FillCases[] = {
    {"no groups admit nothing", {}, false, true, ""},
    {"a first group below 0 admits all", {-1}, false, true, "One=1|Two=2|Three=3"},
    {"one group", {2}, false, true, "Two=2|Three=3"},
    {"several groups", {1, 2}, false, true, "One=1|Two=2|Three=3"},
    {"checked only", {-1}, true, true, "Two=2"},
    // With links off the synonym is an ordinary item.
    {"links off", {-1}, false, false, "One=1|Two=2|Three=3|Syn=4"},
};

TEST(BaseLst, FillStrings)
{
    for (const FillCase& C : FillCases) {
        SCOPED_TRACE(C.Name);
        T_BaseStrList L;
        AddItem(L, 1, "One", 1)->Group = 1;
        T_BaseStrItem* Two = AddItem(L, 2, "Two", 2);
        Two->Group = 2;
        Two->Checked = true;
        AddItem(L, 3, "Three", 3)->Group = 2;
        T_BaseStrItem* Syn = AddItem(L, 4, "Syn", 4);
        Syn->Group = 1;
        Syn->SetLinkId(1);
        L.CheckedOnly = C.CheckedOnly;
        L.LinksEnabled = C.LinksEnabled;
        TStringList S;
        S.Add("stale");
        L.FillStrings(&S, C.Groups);
        EXPECT_EQ(Lines(S), C.Expected);
    }
}

TEST(BaseLst, FillStringsOfGroups)
{
    T_BaseStrList L;
    AddItem(L, 1, "One", 1)->Group = 1;
    AddItem(L, 2, "Two", 2)->Group = 2;
    TStringList S;
    L.FillStringsOfGroup(&S, 2);
    EXPECT_EQ(Lines(S), "Two=2");
    L.FillStringsOfGroups(&S, {1, 2});
    EXPECT_EQ(Lines(S), "One=1|Two=2");
}

// ---- virtual list view ---------------------------------------------------------------

/// The window system for the list view tests, started for the suite only
/// (the other tests of this program need none).
class BaseLstListView : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        setenv("QT_QPA_PLATFORM", "offscreen", /*overwrite=*/0);
        static int Argc = 1;
        static char Name[] = "base_tests";
        static char* Argv[] = {Name, nullptr};
        FStarted = Application == nullptr;
        GuiStartup(Argc, Argv);
    }
    static void TearDownTestSuite()
    {
        if (FStarted)
            GuiShutdown();
    }

private:
    static inline bool FStarted = false;
};

struct ListViewCase {
    const char* Why;
    int Items;     // items with keys 1..Items, besides the undefined one
    Integer Id;    // the key asked for
    int Selected;  // the row expected selected and focused; -1 none
};

const ListViewCase ListViewCases[] = {
    {"a row far down is selected and scrolled to", 50, 40, 40},
    {"the undefined item has a row of its own", 50, 0, 0},
    {"an unknown key selects the first row", 50, 99, 0},
    {"an empty list has no row to select", -1, 1, -1},
};

TEST_F(BaseLstListView, FillListViewSelectsTheRowOfTheKey)
{
    for (const ListViewCase& C : ListViewCases) {
        SCOPED_TRACE(C.Why);
        T_BaseStrList L;
        if (C.Items >= 0) {
            L.AddUndefinedItem();
            for (int I = 1; I <= C.Items; ++I)
                AddItem(L, I, "Item " + IntToStr(I), I);
        }
        TListView View(nullptr);
        View.SetOwnerData(true);
        View.SetViewStyle(vsReport);
        View.Columns()->Add()->SetWidth(150);
        View.SetBounds(0, 0, 200, 120);
        // A selection made before the fill does not stay.
        View.Items()->SetCount(60);
        View.SelectIndex(3, true);

        L.FillListView(&View, C.Id);
        EXPECT_EQ(View.Items()->Count(), L.Count());
        if (C.Selected < 0) {
            EXPECT_EQ(View.SelCount(), 0);
            continue;
        }
        EXPECT_EQ(View.SelCount(), 1);
        EXPECT_TRUE(View.IsSelected(C.Selected));
        ASSERT_NE(View.ItemFocused(), nullptr);
        EXPECT_EQ(View.ItemFocused()->Index(), C.Selected);
        EXPECT_LE(View.TopIndex(), C.Selected);
        EXPECT_LT(C.Selected, View.TopIndex() + View.VisibleRowCount());
    }
}

// ---- columns -----------------------------------------------------------------------

struct ColumnCase {
    int Col;
    const char* Expected;
};

const ColumnCase ColumnCases[] = {
    {1, "12"},       // the key
    {2, "Text"},     // the text of an unlinked item
    {3, "4"},        // the group
    {4, "-1"},       // the order
    {5, "[x]"},      // checked
    {6, "12"},       // the effective key
    {7, "12,50"},    // Value as money
    {8, "3,00"},     // Amount as money
    {9, "77"},       // user data
    {99, "2"},       // the position in the list + 1
    {0, "?"},        // anything else
    {10, "?"},
};

TEST(BaseLst, ColumnTexts)
{
    const RussianSettingsScope Ru;
    T_BaseStrList L;
    AddItem(L, 1, "First", 1);
    T_BaseStrItem* Item = AddItem(L, 12, "Text  ", -1);
    Item->Group = 4;
    Item->Checked = true;
    Item->Value = 12.5;
    Item->Amount = Currency(3);
    Item->SetUserData(77);
    for (const ColumnCase& C : ColumnCases) {
        SCOPED_TRACE(C.Col);
        EXPECT_EQ(Item->GetColumnText(C.Col), C.Expected);
    }
    Item->Checked = false;
    EXPECT_EQ(Item->GetColumnText(5), " ");
}

TEST(BaseLst, CheckMarks)
{
    T_BaseStrList L;
    AddItem(L, 1, "A", 1);
    AddItem(L, 2, "B", 2);
    L.CheckAll();
    EXPECT_TRUE(L.ItemAt(0)->Checked && L.ItemAt(1)->Checked);
    L.UncheckAll();
    EXPECT_FALSE(L.ItemAt(0)->Checked || L.ItemAt(1)->Checked);
}

TEST(BaseLst, AssignCopiesEverythingButTheOwner)
{
    T_BaseStrList L;
    T_BaseStrItem* Source = AddItem(L, 5, "Src", 7);
    Source->Data = 11;
    Source->Checked = true;
    Source->Group = 3;
    Source->Value = 1.25;
    Source->Amount = Currency(4);
    Source->SetUserData(9);
    T_BaseStrItem Copy;
    Copy.Assign(*Source);
    EXPECT_EQ(Copy.Id, 5);
    EXPECT_EQ(Copy.GetText(), "Src");
    EXPECT_EQ(Copy.Order, 7);
    EXPECT_EQ(Copy.Data, 11);
    EXPECT_TRUE(Copy.Checked);
    EXPECT_EQ(Copy.Group, 3);
    EXPECT_EQ(Copy.Value, 1.25);
    EXPECT_EQ(Copy.Amount, Currency(4));
    EXPECT_EQ(Copy.UserData(), 9);
    EXPECT_EQ(Copy.Owner(), nullptr);
    EXPECT_EQ(Copy.GetLinkItem(), &Copy);
}

}  // namespace

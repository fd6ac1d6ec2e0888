#include "platform/classes/Collection.h"

#include "platform/classes/Component.h"
#include "platform/rtl/Exceptions.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class TColumnItem : public TCollectionItem {
    PRICETAGS_CLASS(TColumnItem, TCollectionItem)
public:
    explicit TColumnItem(TCollection* Collection) : TCollectionItem(Collection) {}
    void Assign(TPersistent* Source) override
    {
        if (auto* C = dynamic_cast<TColumnItem*>(Source)) {
            FWidth = C->FWidth;
            Changed(false);
            return;
        }
        inherited::Assign(Source);
    }
    void SetWidth(int Value)
    {
        FWidth = Value;
        Changed(false);
    }
    int FWidth = 64;
};

PRICETAGS_DEFINE_CLASS(TColumnItem)

/// Logs every Update call: "*" for the whole collection, else the width.
class TColumnList : public TOwnedCollection {
public:
    explicit TColumnList(TPersistent* AOwner)
        : TOwnedCollection(AOwner, TColumnItem::StaticClass())
    {
    }
    TColumnItem* Item(int I) const { return static_cast<TColumnItem*>(Items(I)); }
    std::vector<std::string> Log;

protected:
    void Update(TCollectionItem* Item) override
    {
        Log.push_back(Item ? std::to_string(static_cast<TColumnItem*>(Item)->FWidth) : "*");
    }
};

TEST(TCollection, AddCreatesItemsOfTheItemClass)
{
    TColumnList Cols(nullptr);
    TCollectionItem* A = Cols.Add();
    EXPECT_EQ(A->ClassName(), "TColumnItem");
    EXPECT_EQ(A->Collection(), &Cols);
    Cols.Add();
    EXPECT_EQ(Cols.Count(), 2);
    EXPECT_EQ(Cols.Items(1)->Index(), 1);
    EXPECT_EQ(Cols.Items(1)->ID(), 1);
    EXPECT_EQ(Cols.FindItemID(1), Cols.Items(1));
    EXPECT_EQ(Cols.FindItemID(7), nullptr);
    EXPECT_EQ(Cols.Log, (std::vector<std::string>{"*", "*"}));
}

TEST(TCollection, DeleteInsertAndIndex)
{
    TColumnList Cols(nullptr);
    for (int W : {10, 20, 30})
        static_cast<TColumnItem*>(Cols.Add())->FWidth = W;
    Cols.Delete(0);
    EXPECT_EQ(Cols.Item(0)->FWidth, 20);
    auto* First = static_cast<TColumnItem*>(Cols.Insert(0));
    EXPECT_EQ(Cols.Items(0), First);
    EXPECT_EQ(First->ID(), 3);  // IDs are never reused
    Cols.Item(2)->SetIndex(0);
    EXPECT_EQ(Cols.Item(0)->FWidth, 30);
    delete Cols.Items(1);  // an item freed leaves its collection
    EXPECT_EQ(Cols.Count(), 2);
    ExpectRaises<EListError>([&] { (void)Cols.Items(2); }, "List index out of bounds (2)");
    ExpectRaises<EListError>([&] { Cols.Delete(-1); }, "List index out of bounds (-1)");
}

TEST(TCollection, UpdatesAreHeldBackDuringBeginUpdate)
{
    TColumnList Cols(nullptr);
    Cols.Add();
    Cols.Log.clear();
    Cols.Item(0)->SetWidth(99);
    EXPECT_EQ(Cols.Log, (std::vector<std::string>{"99"}));  // the changed item
    Cols.Log.clear();
    Cols.BeginUpdate();
    Cols.Add();
    Cols.Item(0)->SetWidth(5);
    Cols.Clear();
    EXPECT_TRUE(Cols.Log.empty());
    Cols.EndUpdate();
    EXPECT_EQ(Cols.Log, (std::vector<std::string>{"*"}));
}

TEST(TCollection, AssignCopiesTheItems)
{
    TColumnList Source(nullptr);
    for (int W : {11, 22})
        static_cast<TColumnItem*>(Source.Add())->FWidth = W;
    TColumnList Dest(nullptr);
    Dest.Add();
    Dest.Log.clear();
    Dest.Assign(&Source);
    ASSERT_EQ(Dest.Count(), 2);
    EXPECT_EQ(Dest.Item(0)->FWidth, 11);
    EXPECT_EQ(Dest.Item(1)->FWidth, 22);
    EXPECT_EQ(Dest.Log, (std::vector<std::string>{"*"}));  // one notice for all
    Dest.SetItems(0, Source.Items(1));
    EXPECT_EQ(Dest.Item(0)->FWidth, 22);
}

TEST(TCollection, ItemMovesToAnotherCollection)
{
    TColumnList A(nullptr);
    TColumnList B(nullptr);
    TCollectionItem* Item = A.Add();
    Item->SetCollection(&B);
    EXPECT_EQ(A.Count(), 0);
    EXPECT_EQ(B.Count(), 1);
    EXPECT_EQ(Item->Collection(), &B);
}

TEST(TCollection, NamePaths)
{
    TComponent Grid(nullptr);
    Grid.SetName("Grid1");
    TColumnList Cols(&Grid);
    Cols.SetPropName("Columns");
    Cols.Add();
    EXPECT_EQ(Cols.GetNamePath(), "Grid1.Columns");
    EXPECT_EQ(Cols.Items(0)->GetNamePath(), "Grid1.Columns[0]");
    EXPECT_EQ(Cols.Items(0)->DisplayName(), "TColumnItem");
    TColumnList Loose(nullptr);
    EXPECT_EQ(Loose.GetNamePath(), "TOwnedCollection");
}

}  // namespace

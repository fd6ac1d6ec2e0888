#include "platform/classes/Lists.h"

#include "platform/rtl/Exceptions.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <cstdint>
#include <vector>

namespace {

void* P(intptr_t V)
{
    return reinterpret_cast<void*>(V);
}

intptr_t V(void* Ptr)
{
    return reinterpret_cast<intptr_t>(Ptr);
}

std::vector<intptr_t> Values(const TList& L)
{
    std::vector<intptr_t> Out;
    for (int I = 0; I < L.Count(); ++I)
        Out.push_back(V(L.Items(I)));
    return Out;
}

void Fill(TList& L, std::initializer_list<intptr_t> Items)
{
    for (intptr_t I : Items)
        L.Add(P(I));
}

int CompareValues(void* A, void* B)
{
    return V(A) < V(B) ? -1 : V(A) > V(B) ? 1 : 0;
}

TEST(TList, EditingOperations)
{
    TList L;
    Fill(L, {1, 2, 3, 4});
    L.Insert(0, P(9));
    L.Insert(5, P(8));  // Index == Count appends
    EXPECT_EQ(Values(L), (std::vector<intptr_t>{9, 1, 2, 3, 4, 8}));
    L.Delete(0);
    L.Exchange(0, 4);
    EXPECT_EQ(Values(L), (std::vector<intptr_t>{8, 2, 3, 4, 1}));
    L.Move(0, 4);
    EXPECT_EQ(Values(L), (std::vector<intptr_t>{2, 3, 4, 1, 8}));
    EXPECT_EQ(L.Remove(P(4)), 2);
    EXPECT_EQ(L.Remove(P(4)), -1);
    EXPECT_EQ(L.Extract(P(1)), P(1));
    EXPECT_EQ(L.Extract(P(77)), nullptr);
    EXPECT_EQ(Values(L), (std::vector<intptr_t>{2, 3, 8}));
    EXPECT_EQ(L.IndexOf(P(8)), 2);
    EXPECT_EQ(V(L.First()), 2);
    EXPECT_EQ(V(L.Last()), 8);
    L.Put(1, P(5));
    EXPECT_EQ(V(L.Get(1)), 5);
}

TEST(TList, PackRemovesNullEntries)
{
    TList L;
    Fill(L, {0, 1, 0, 2, 0});
    L.Pack();
    EXPECT_EQ(Values(L), (std::vector<intptr_t>{1, 2}));
}

TEST(TList, CountAndCapacity)
{
    TList L;
    Fill(L, {1, 2, 3});
    L.SetCount(5);  // grows with null entries
    EXPECT_EQ(Values(L), (std::vector<intptr_t>{1, 2, 3, 0, 0}));
    EXPECT_GE(L.Capacity(), 5);
    L.SetCount(2);
    EXPECT_EQ(Values(L), (std::vector<intptr_t>{1, 2}));
    L.SetCapacity(2);
    EXPECT_EQ(L.Capacity(), 2);
    L.SetCount(3);  // no stale entry comes back
    EXPECT_EQ(V(L.Items(2)), 0);
    L.Clear();
    EXPECT_EQ(L.Count(), 0);
    EXPECT_EQ(L.Capacity(), 0);
}

TEST(TList, CapacityGrowsAsTheRuntimeDid)
{
    // 4 at a time up to 8, then 16 up to 64, then a quarter.
    TList L;
    std::vector<int> Seen;
    for (int I = 0; I < 200; ++I) {
        L.Add(nullptr);
        if (Seen.empty() || Seen.back() != L.Capacity())
            Seen.push_back(L.Capacity());
    }
    EXPECT_EQ(Seen, (std::vector<int>{4, 8, 12, 28, 44, 60, 76, 95, 118, 147, 183, 228}));
}

struct ErrorRow {
    const char* What;
    void (*Act)(TList&);
    const char* Text;
};

const ErrorRow ListErrors[] = {
    {"Get past end", [](TList& L) { (void)L.Get(3); }, "List index out of bounds (3)"},
    {"Get negative", [](TList& L) { (void)L.Get(-1); }, "List index out of bounds (-1)"},
    {"Put past end", [](TList& L) { L.Put(3, nullptr); }, "List index out of bounds (3)"},
    {"Delete past end", [](TList& L) { L.Delete(3); }, "List index out of bounds (3)"},
    {"Insert past Count", [](TList& L) { L.Insert(4, nullptr); }, "List index out of bounds (4)"},
    {"Exchange second", [](TList& L) { L.Exchange(0, 5); }, "List index out of bounds (5)"},
    {"Move target", [](TList& L) { L.Move(0, 3); }, "List index out of bounds (3)"},
    {"Move source", [](TList& L) { L.Move(7, 1); }, "List index out of bounds (7)"},
    {"Capacity below Count", [](TList& L) { L.SetCapacity(2); },
     "List capacity out of bounds (2)"},
    {"Capacity too large", [](TList& L) { L.SetCapacity(MaxListSize + 1); },
     "List capacity out of bounds (134217728)"},
    {"Count negative", [](TList& L) { L.SetCount(-1); }, "List count out of bounds (-1)"},
    {"First of empty", [](TList& L) { L.Clear(); (void)L.First(); },
     "List index out of bounds (0)"},
    {"Last of empty", [](TList& L) { L.Clear(); (void)L.Last(); },
     "List index out of bounds (-1)"},
};

TEST(TList, IndexErrorsNameTheIndex)
{
    for (const ErrorRow& R : ListErrors) {
        SCOPED_TRACE(R.What);
        TList L;
        Fill(L, {1, 2, 3});
        ExpectRaises<EListError>([&] { R.Act(L); }, R.Text);
        if (L.Count() == 3) {
            EXPECT_EQ(Values(L), (std::vector<intptr_t>{1, 2, 3}));  // nothing changed
        }
    }
}

TEST(TList, SortOrdersByTheCompareFunction)
{
    TList L;
    Fill(L, {5, 3, 9, 1, 3, 7, 2, 8, 6, 4, 0});
    L.Sort(CompareValues);
    EXPECT_EQ(Values(L), (std::vector<intptr_t>{0, 1, 2, 3, 3, 4, 5, 6, 7, 8, 9}));
    TList Empty;
    Empty.Sort(CompareValues);
}

TEST(TList, SortWithACompareThatNeverSaysEqualStaysInTheList)
{
    TList L;
    Fill(L, {5, 3, 9, 1, 3, 7, 2, 8, 6, 4, 0});
    // "Less" even for an item against itself: the scans must stop at the
    // ends of the range instead of running past the last entry.
    L.Sort(+[](void*, void*) { return -1; });
    std::vector<intptr_t> Sorted = Values(L);
    std::sort(Sorted.begin(), Sorted.end());
    EXPECT_EQ(Sorted, (std::vector<intptr_t>{0, 1, 2, 3, 3, 4, 5, 6, 7, 8, 9}));
    L.Sort(+[](void*, void*) { return 1; });
    EXPECT_EQ(L.Count(), 11);
}

TEST(TThreadList, DuplicatesByMode)
{
    TThreadList L;
    L.Add(P(1));
    L.Add(P(1));  // dupIgnore
    EXPECT_EQ(L.LockList()->Count(), 1);
    L.UnlockList();
    L.SetDuplicates(dupAccept);
    L.Add(P(1));
    EXPECT_EQ(L.LockList()->Count(), 2);
    L.UnlockList();
    L.SetDuplicates(dupError);
    ExpectRaises<EListError>([&] { L.Add(P(0x1F)); L.Add(P(0x1F)); },
                             "List does not allow duplicates ($01F)");
    L.Remove(P(1));
    EXPECT_EQ(L.LockList()->Count(), 2);
    L.UnlockList();
    L.Clear();
    EXPECT_EQ(L.LockList()->Count(), 0);
    L.UnlockList();
}

}  // namespace

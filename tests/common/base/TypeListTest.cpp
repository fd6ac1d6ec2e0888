#include "common/base/TypeList.h"

#include "platform/rtl/Exceptions.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace {

/// An object that records its own destruction in a shared set, so a test
/// sees which objects a list freed (a second free would crash or show up
/// under the sanitizers).
class Tracked : public TObject {
public:
    explicit Tracked(std::set<int>& Freed, int Tag) : FFreed(Freed), FTag(Tag) {}
    ~Tracked() override { FFreed.insert(FTag); }
    int Tag() const { return FTag; }

private:
    std::set<int>& FFreed;
    int FTag;
};

/// Fills an owning list with objects tagged 0 .. N - 1.
template <class List>
std::vector<Tracked*> Fill(List& L, std::set<int>& Freed, int N)
{
    std::vector<Tracked*> Objects;
    for (int I = 0; I < N; ++I) {
        Objects.push_back(new Tracked(Freed, I));
        L.Add(Objects.back());
    }
    return Objects;
}

// ---- owning lists --------------------------------------------------------------

struct ShrinkCase {
    const char* Name;
    void (*Shrink)(T_ylOwnerList& L);
    std::set<int> Freed;
    int CountAfter;
};

const ShrinkCase ShrinkCases[] = {
    // Clear frees every object.
    {"Clear", [](T_ylOwnerList& L) { L.Clear(); }, {0, 1, 2}, 0},
    // SetCount(0) frees all three.
    {"SetCount0", [](T_ylOwnerList& L) { L.SetCount(0); }, {0, 1, 2}, 0},
    // SetCount(1) frees the objects past the new end only.
    {"SetCount1", [](T_ylOwnerList& L) { L.SetCount(1); }, {1, 2}, 1},
    // SetCapacity below the count frees the dropped objects and succeeds,
    // leaving no nil entries behind.
    {"SetCapacity1", [](T_ylOwnerList& L) { L.SetCapacity(1); }, {1, 2}, 1},
    // DeleteObject frees the one object.
    {"DeleteObject", [](T_ylOwnerList& L) { L.DeleteObject(1); }, {1}, 2},
    // Extract frees nothing.
    {"Extract", [](T_ylOwnerList& L) { delete L.Extract(0); }, {0}, 2},
};

TEST(TypeList, OwningListFreesWhatItDrops)
{
    for (const ShrinkCase& C : ShrinkCases) {
        SCOPED_TRACE(C.Name);
        std::set<int> Freed;
        T_ylOwnerList L;
        Fill(L, Freed, 3);
        C.Shrink(L);
        EXPECT_EQ(Freed, C.Freed);
        EXPECT_EQ(L.Count(), C.CountAfter);
        for (int I = 0; I < L.Count(); ++I)
            EXPECT_NE(L.Get(I), nullptr);
    }
}

TEST(TypeList, OwningListFreesAllWhenFreed)
{
    std::set<int> Freed;
    {
        T_ylOwnerList L;
        Fill(L, Freed, 3);
    }
    EXPECT_EQ(Freed, (std::set<int>{0, 1, 2}));
}

TEST(TypeList, ExtractedObjectOutlivesTheList)
{
    std::set<int> Freed;
    TObject* Kept = nullptr;
    {
        T_ylOwnerList L;
        Fill(L, Freed, 2);
        Kept = L.Extract(0);
        EXPECT_EQ(L.Count(), 1);
    }
    EXPECT_EQ(Freed, std::set<int>{1});
    delete Kept;
    EXPECT_EQ(Freed, (std::set<int>{0, 1}));
}

TEST(TypeList, FreeObject)
{
    std::set<int> Freed;
    T_ylOwnerList L;
    T_ylOwnerList Other;
    const auto Mine = Fill(L, Freed, 2);
    Tracked* Foreign = new Tracked(Freed, 9);
    Other.Add(Foreign);

    L.FreeObject(nullptr);  // ignored
    EXPECT_EQ(L.Count(), 2);
    ExpectRaises<Exception>([&] { L.FreeObject(Foreign); }, "No object in owner list");
    EXPECT_TRUE(Freed.empty());
    EXPECT_EQ(Other.Count(), 1);

    L.FreeObject(Mine[0]);
    EXPECT_EQ(Freed, std::set<int>{0});
    EXPECT_EQ(L.Count(), 1);
}

TEST(TypeList, AssignMovesOwnershipBetweenOwningLists)
{
    std::set<int> Freed;
    {
        T_ylOwnerList Source;
        T_ylOwnerList Target;
        const auto Objects = Fill(Source, Freed, 3);
        Target.Assign(Source);
        ASSERT_EQ(Target.Count(), 3);
        for (int I = 0; I < 3; ++I)
            EXPECT_EQ(Target.Get(I), Objects[static_cast<size_t>(I)]);
        // The source gives the objects up, so each is freed once.
        EXPECT_EQ(Source.Count(), 0);
    }
    EXPECT_EQ(Freed, (std::set<int>{0, 1, 2}));
}

TEST(TypeList, AssignFreesTheTargetsOldObjectsOnly)
{
    std::set<int> Freed;
    T_ylCustObjectList Source;  // does not own
    T_ylOwnerList Target;
    const auto Old = Fill(Target, Freed, 2);
    Tracked* New = new Tracked(Freed, 7);
    Source.Add(Old[1]);  // kept: the source hands it back
    Source.Add(New);
    Target.Assign(Source);
    EXPECT_EQ(Freed, std::set<int>{0});
    EXPECT_EQ(Target.Count(), 2);
    // A plain source keeps its pointers but never frees them.
    EXPECT_EQ(Source.Count(), 2);
}

TEST(TypeList, AssignFreesAnObjectHeldTwiceOnce)
{
    std::set<int> Freed;
    T_ylOwnerList Target;
    Tracked* Twice = new Tracked(Freed, 1);
    Target.Add(Twice);
    Target.Add(Twice);
    T_ylOwnerList Source;
    Fill(Source, Freed, 1);
    // A second free of the same object would show up under the sanitizers.
    Target.Assign(Source);
    EXPECT_EQ(Freed, std::set<int>{1});
    EXPECT_EQ(Target.Count(), 1);
}

TEST(TypeList, PlainListAssignCopiesPointers)
{
    int A = 1, B = 2;
    T_ylCustomList Source, Target;
    Source.Add(&A);
    Source.Add(&B);
    Target.Add(&B);
    Target.Assign(Source);
    ASSERT_EQ(Target.Count(), 2);
    EXPECT_EQ(Target.Get(0), &A);
    EXPECT_EQ(Target.Get(1), &B);
    EXPECT_EQ(Source.Count(), 2);
}

TEST(TypeList, IndexErrors)
{
    T_ylCustomList L;
    int A = 0;
    L.Add(&A);
    ExpectRaises<EListError>([&] { (void)L.Get(1); }, "List index out of bounds (1)");
    ExpectRaises<EListError>([&] { L.Delete(-1); }, "List index out of bounds (-1)");
    T_ylOwnerList Owner;
    ExpectRaises<EListError>([&] { Owner.DeleteObject(0); }, "List index out of bounds (0)");
}

TEST(TypeList, DeleteReturnsTheItem)
{
    int A = 0, B = 0;
    T_ylCustomList L;
    L.Add(&A);
    L.Add(&B);
    EXPECT_EQ(L.Delete(0), &A);
    EXPECT_EQ(L.Count(), 1);
    EXPECT_EQ(L.Get(0), &B);
}

class PackRecorder : public TObject {
public:
    void Nil(int Index) { Indexes.push_back(Index); }
    std::vector<int> Indexes;
};

TEST(TypeList, PackWithReportsEachNilEntry)
{
    int A = 0, B = 0;
    T_ylCustomList L;
    L.Add(nullptr);
    L.Add(&A);
    L.Add(nullptr);
    L.Add(&B);
    PackRecorder Recorder;
    L.PackWith(TPackMethod(&Recorder, &PackRecorder::Nil));
    EXPECT_EQ(Recorder.Indexes, (std::vector<int>{0, 2}));
    ASSERT_EQ(L.Count(), 2);
    EXPECT_EQ(L.Get(0), &A);
    EXPECT_EQ(L.Get(1), &B);
}

// ---- integer list ----------------------------------------------------------------

TEST(TypeList, IntegerListUniqueValues)
{
    T_ylIntegerList L;
    EXPECT_EQ(L.AddValue(5), 0);
    EXPECT_EQ(L.AddValue(5), 1);  // not unique yet: appended
    L.Clear();
    L.Unique = true;
    EXPECT_EQ(L.AddValue(-3), 0);
    EXPECT_EQ(L.AddValue(5), 1);
    EXPECT_EQ(L.AddValue(5), 1);
    EXPECT_EQ(L.Count(), 2);
    EXPECT_EQ(L.IndexOfValue(-3), 0);
    EXPECT_EQ(L.IndexOfValue(7), -1);
}

// ---- notify event lists ------------------------------------------------------------

class Listener : public TObject {
public:
    explicit Listener(const char* Fail = nullptr) : FFail(Fail) {}
    void Changed(TObject* Sender)
    {
        Senders.push_back(Sender);
        if (FFail)
            throw Exception(FFail);
    }
    std::vector<TObject*> Senders;

private:
    const char* FFail;
};

TEST(TypeList, NotifyEventListFindsEventsByObjectAndMethod)
{
    Listener A, B;
    T_ylNotifyEventList L;
    EXPECT_EQ(L.Add(TNotifyEvent(&A, &Listener::Changed)), 0);
    EXPECT_EQ(L.Add(TNotifyEvent(&B, &Listener::Changed)), 1);
    EXPECT_EQ(L.Count(), 2);
    EXPECT_EQ(L.IndexOf(TNotifyEvent(&B, &Listener::Changed)), 1);
    L.Remove(TNotifyEvent(&A, &Listener::Changed));
    EXPECT_EQ(L.Count(), 1);
    EXPECT_EQ(L.IndexOf(TNotifyEvent(&A, &Listener::Changed)), -1);
    L.Remove(TNotifyEvent(&A, &Listener::Changed));  // absent: nothing
    EXPECT_EQ(L.Count(), 1);
}

TEST(TypeList, NotifyEventListChecksIndexes)
{
    Listener A;
    T_ylNotifyEventList L;
    L.Add(TNotifyEvent(&A, &Listener::Changed));
    ExpectRaises<EListError>([&] { L.Delete(1); }, "List index out of bounds (1)");
    ExpectRaises<EListError>([&] { L.Call(-1, nullptr); }, "List index out of bounds (-1)");
    L.Call(0, &A);
    L.CallAll();
    EXPECT_EQ(A.Senders, (std::vector<TObject*>{&A, &L}));
}

// ---- notifying owner list ------------------------------------------------------------

TEST(TypeList, ChangedGathersListenerErrorsAndCallsEveryone)
{
    Listener First("first failed"), Second, Third("third failed");
    T_ylOwnerNotifyList L;
    L.Listeners().Add(TNotifyEvent(&First, &Listener::Changed));
    L.Listeners().Add(TNotifyEvent(&Second, &Listener::Changed));
    L.Listeners().Add(TNotifyEvent(&Third, &Listener::Changed));
    ExpectRaises<Exception>([&] { L.Changed(); }, "first failed\r\nthird failed\r\n");
    EXPECT_EQ(Second.Senders, std::vector<TObject*>{&L});
    EXPECT_EQ(Third.Senders.size(), 1u);
    EXPECT_FALSE(L.InChange());
}

/// Changes the list again from OnChange.
class Reentrant : public TObject {
public:
    explicit Reentrant(T_ylOwnerNotifyList& L) : FList(L) {}
    void Changed(TObject*)
    {
        ++Calls;
        FList.Changed();
    }
    int Calls = 0;

private:
    T_ylOwnerNotifyList& FList;
};

TEST(TypeList, ChangedFromOnChangeDoesNotRecurse)
{
    T_ylOwnerNotifyList L;
    Reentrant Handler(L);
    Listener Watcher;
    L.OnChange = TNotifyEvent(&Handler, &Reentrant::Changed);
    L.Listeners().Add(TNotifyEvent(&Watcher, &Listener::Changed));
    L.Changed();
    EXPECT_EQ(Handler.Calls, 1);
    EXPECT_EQ(Watcher.Senders.size(), 1u);
    L.Changed();  // the guard was cleared
    EXPECT_EQ(Handler.Calls, 2);
}

TEST(TypeList, OnChangeFailureIsReportedAfterTheListeners)
{
    Listener OnChange("change failed"), Watcher;
    T_ylOwnerNotifyList L;
    L.OnChange = TNotifyEvent(&OnChange, &Listener::Changed);
    L.Listeners().Add(TNotifyEvent(&Watcher, &Listener::Changed));
    ExpectRaises<Exception>([&] { L.Changed(); }, "change failed");
    EXPECT_EQ(Watcher.Senders.size(), 1u);
    EXPECT_FALSE(L.InChange());
}

TEST(TypeList, OnChangeAndListenerFailuresAreJoined)
{
    Listener OnChange("change failed"), Watcher("listener failed");
    T_ylOwnerNotifyList L;
    L.OnChange = TNotifyEvent(&OnChange, &Listener::Changed);
    L.Listeners().Add(TNotifyEvent(&Watcher, &Listener::Changed));
    ExpectRaises<Exception>([&] { L.Changed(); }, "change failed\r\nlistener failed\r\n");
}

}  // namespace

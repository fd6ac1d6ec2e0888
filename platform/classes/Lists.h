#pragma once

// TList, the runtime's list of untyped pointers (it owns nothing), and
// TThreadList, a TList behind a lock. Indexes are 0-based; every indexed
// access is checked and raises EListError "List index out of bounds (%d)"
// with the offending index. Capacity grows as the runtime's did (by 4 up to
// 8 entries, by 16 up to 64, then by a quarter).

#include "platform/classes/Object.h"
#include "platform/rtl/Types.h"

#include <mutex>
#include <vector>

/// How sorted string lists and thread lists treat a second equal entry.
enum TDuplicates { dupIgnore, dupAccept, dupError };
PTypeInfo TypeInfoOf(const TDuplicates*);

/// Order of two items for Sort: < 0, 0 or > 0.
using TListSortCompare = int (*)(void* Item1, void* Item2);

/// The largest count and capacity a list accepts (the runtime's MaxListSize).
inline constexpr int MaxListSize = 0x7FFFFFFF / 16;

class TList : public TObject {
    PRICETAGS_CLASS(TList, TObject)
public:
    TList() = default;
    ~TList() override;

    /// Appends Item; returns its index.
    int Add(void* Item);
    virtual void Clear();
    void Delete(int Index);
    void Exchange(int Index1, int Index2);
    /// Grows the capacity when the list is full; returns this list.
    TList* Expand();
    /// Removes the first Item (it is returned) or returns null when absent.
    void* Extract(void* Item);
    void* First() const;
    int IndexOf(void* Item) const;
    /// Index may be Count (append).
    void Insert(int Index, void* Item);
    void* Last() const;
    /// Moves the item at CurIndex to NewIndex.
    void Move(int CurIndex, int NewIndex);
    /// Removes the first Item; returns its former index or -1.
    int Remove(void* Item);
    /// Removes every null entry.
    void Pack();
    /// Quicksort by Compare (not stable, as the runtime's).
    void Sort(TListSortCompare Compare);

    int Count() const { return FCount; }
    /// Shrinking drops the entries past NewCount, growing adds null ones;
    /// EListError "List count out of bounds (%d)" outside 0..MaxListSize.
    void SetCount(int NewCount);
    int Capacity() const { return static_cast<int>(FList.size()); }
    /// EListError "List capacity out of bounds (%d)" below Count or above
    /// MaxListSize.
    void SetCapacity(int NewCapacity);
    void* Items(int Index) const { return Get(Index); }
    void SetItems(int Index, void* Item) { Put(Index, Item); }
    void* Get(int Index) const;
    void Put(int Index, void* Item);
    /// The entries, Count of them (valid until the list changes).
    void** List() { return FList.data(); }

    /// Raises EListError with Msg formatted with Data ("%d").
    [[noreturn]] static void Error(const AnsiString& Msg, int Data);

protected:
    virtual void Grow();

private:
    std::vector<void*> FList;  // size() is the capacity
    int FCount = 0;
};

/// A TList for several threads: LockList gives the list under the lock,
/// UnlockList releases it. Add ignores, accepts or refuses (EListError "List
/// does not allow duplicates ($0%x)") an item already present, by
/// Duplicates (dupIgnore after construction).
class TThreadList : public TObject {
    PRICETAGS_CLASS(TThreadList, TObject)
public:
    TThreadList();
    ~TThreadList() override;

    void Add(void* Item);
    void Clear();
    void Remove(void* Item);
    TList* LockList();
    void UnlockList();

    TDuplicates Duplicates() const { return FDuplicates; }
    void SetDuplicates(TDuplicates Value) { FDuplicates = Value; }

private:
    std::recursive_mutex FLock;
    TList FList;
    TDuplicates FDuplicates = dupIgnore;
};

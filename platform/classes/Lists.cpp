#include "platform/classes/Lists.h"

#include "platform/classes/RtlConsts.h"
#include "platform/classes/TypInfo.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Format.h"

#include <algorithm>

PTypeInfo TypeInfoOf(const TDuplicates*)
{
    static const TTypeInfo Info =
        EnumTypeInfo("TDuplicates", {"dupIgnore", "dupAccept", "dupError"});
    return &Info;
}

namespace {

const char* const SListCapacityError = "List capacity out of bounds (%d)";
const char* const SListCountError = "List count out of bounds (%d)";
const char* const SDuplicateItem = "List does not allow duplicates ($0%x)";

/// The runtime's quicksort, kept as it was so that equal items end in the
/// same order as they did. The scans stop at the ends of the range: a
/// compare that never calls an item equal to itself would otherwise run
/// them off the list.
void QuickSort(void** SortList, int L, int R, TListSortCompare Compare)
{
    int I = 0;
    do {
        I = L;
        int J = R;
        void* P = SortList[(L + R) >> 1];
        do {
            while (I < R && Compare(SortList[I], P) < 0)
                ++I;
            while (J > L && Compare(SortList[J], P) > 0)
                --J;
            if (I <= J) {
                std::swap(SortList[I], SortList[J]);
                ++I;
                --J;
            }
        } while (I <= J);
        if (L < J)
            QuickSort(SortList, L, J, Compare);
        L = I;
    } while (I < R);
}

}  // namespace

// ---- TList -----------------------------------------------------------------

PRICETAGS_DEFINE_CLASS(TList)

TList::~TList() = default;

void TList::Error(const AnsiString& Msg, int Data)
{
    throw EListError(Format(Msg, {Data}));
}

int TList::Add(void* Item)
{
    const int Result = FCount;
    if (Result == Capacity())
        Grow();
    FList[static_cast<size_t>(Result)] = Item;
    ++FCount;
    return Result;
}

void TList::Clear()
{
    SetCount(0);
    SetCapacity(0);
}

void TList::Delete(int Index)
{
    if (Index < 0 || Index >= FCount)
        Error(SListIndexError, Index);
    --FCount;
    std::copy(FList.begin() + Index + 1, FList.begin() + FCount + 1, FList.begin() + Index);
    FList[static_cast<size_t>(FCount)] = nullptr;
}

void TList::Exchange(int Index1, int Index2)
{
    if (Index1 < 0 || Index1 >= FCount)
        Error(SListIndexError, Index1);
    if (Index2 < 0 || Index2 >= FCount)
        Error(SListIndexError, Index2);
    std::swap(FList[static_cast<size_t>(Index1)], FList[static_cast<size_t>(Index2)]);
}

TList* TList::Expand()
{
    if (FCount == Capacity())
        Grow();
    return this;
}

void* TList::Extract(void* Item)
{
    const int I = IndexOf(Item);
    if (I < 0)
        return nullptr;
    Delete(I);
    return Item;
}

void* TList::First() const
{
    return Get(0);
}

void* TList::Get(int Index) const
{
    if (Index < 0 || Index >= FCount)
        Error(SListIndexError, Index);
    return FList[static_cast<size_t>(Index)];
}

void TList::Grow()
{
    const int Cap = Capacity();
    const int Delta = Cap > 64 ? Cap / 4 : Cap > 8 ? 16 : 4;
    SetCapacity(Cap + Delta);
}

int TList::IndexOf(void* Item) const
{
    const auto End = FList.begin() + FCount;
    const auto It = std::find(FList.begin(), End, Item);
    return It == End ? -1 : static_cast<int>(It - FList.begin());
}

void TList::Insert(int Index, void* Item)
{
    if (Index < 0 || Index > FCount)
        Error(SListIndexError, Index);
    if (FCount == Capacity())
        Grow();
    std::copy_backward(FList.begin() + Index, FList.begin() + FCount,
                       FList.begin() + FCount + 1);
    FList[static_cast<size_t>(Index)] = Item;
    ++FCount;
}

void* TList::Last() const
{
    return Get(FCount - 1);
}

void TList::Move(int CurIndex, int NewIndex)
{
    if (CurIndex == NewIndex)
        return;
    if (NewIndex < 0 || NewIndex >= FCount)
        Error(SListIndexError, NewIndex);
    void* Item = Get(CurIndex);
    Delete(CurIndex);
    Insert(NewIndex, Item);
}

void TList::Put(int Index, void* Item)
{
    if (Index < 0 || Index >= FCount)
        Error(SListIndexError, Index);
    FList[static_cast<size_t>(Index)] = Item;
}

int TList::Remove(void* Item)
{
    const int Result = IndexOf(Item);
    if (Result >= 0)
        Delete(Result);
    return Result;
}

void TList::Pack()
{
    const auto End = FList.begin() + FCount;
    const auto NewEnd = std::remove(FList.begin(), End, nullptr);
    FCount = static_cast<int>(NewEnd - FList.begin());
}

void TList::SetCapacity(int NewCapacity)
{
    if (NewCapacity < FCount || NewCapacity > MaxListSize)
        Error(SListCapacityError, NewCapacity);
    FList.resize(static_cast<size_t>(NewCapacity), nullptr);
}

void TList::SetCount(int NewCount)
{
    if (NewCount < 0 || NewCount > MaxListSize)
        Error(SListCountError, NewCount);
    if (NewCount > Capacity())
        SetCapacity(NewCount);
    if (NewCount > FCount)
        std::fill(FList.begin() + FCount, FList.begin() + NewCount, nullptr);
    else
        std::fill(FList.begin() + NewCount, FList.begin() + FCount, nullptr);
    FCount = NewCount;
}

void TList::Sort(TListSortCompare Compare)
{
    if (FCount > 1)
        QuickSort(FList.data(), 0, FCount - 1, Compare);
}

// ---- TThreadList -----------------------------------------------------------

PRICETAGS_DEFINE_CLASS(TThreadList)

TThreadList::TThreadList() = default;

TThreadList::~TThreadList() = default;

void TThreadList::Add(void* Item)
{
    const std::lock_guard<std::recursive_mutex> Lock(FLock);
    if (FDuplicates != dupAccept && FList.IndexOf(Item) >= 0) {
        if (FDuplicates == dupError)
            throw EListError(Format(SDuplicateItem, {static_cast<Int64>(reinterpret_cast<intptr_t>(Item))}));
        return;
    }
    FList.Add(Item);
}

void TThreadList::Clear()
{
    const std::lock_guard<std::recursive_mutex> Lock(FLock);
    FList.Clear();
}

void TThreadList::Remove(void* Item)
{
    const std::lock_guard<std::recursive_mutex> Lock(FLock);
    FList.Remove(Item);
}

TList* TThreadList::LockList()
{
    FLock.lock();
    return &FList;
}

void TThreadList::UnlockList()
{
    FLock.unlock();
}

#include "common/base/TypeList.h"

#include "platform/classes/RtlConsts.h"
#include "platform/rtl/Exceptions.h"

#include <exception>
#include <unordered_set>

namespace {

const char* const SNoObjectInOwnerList = "No object in owner list";

}  // namespace

// ---- T_ylCustomList ----------------------------------------------------------

PRICETAGS_DEFINE_CLASS(T_ylCustomList)

T_ylCustomList::T_ylCustomList() = default;
T_ylCustomList::~T_ylCustomList() = default;

void* T_ylCustomList::Get(int Index) const
{
    return FItems.Get(Index);
}

void T_ylCustomList::Put(int Index, void* Item)
{
    FItems.Put(Index, Item);
}

int T_ylCustomList::GetCapacity() const
{
    return FItems.Capacity();
}

void T_ylCustomList::SetCapacity(int N)
{
    FItems.SetCapacity(N);
}

int T_ylCustomList::GetCount() const
{
    return FItems.Count();
}

void T_ylCustomList::SetCount(int N)
{
    FItems.SetCount(N);
}

int T_ylCustomList::Add(void* Item)
{
    return FItems.Add(Item);
}

void T_ylCustomList::Assign(T_ylCustomList& Source)
{
    if (&Source == this)
        return;
    FItems.Clear();
    FItems.SetCapacity(Source.GetCount());
    for (int I = 0; I < Source.GetCount(); ++I)
        FItems.Add(Source.Get(I));
}

void T_ylCustomList::Clear()
{
    FItems.Clear();
}

void* T_ylCustomList::Delete(int Index)
{
    void* Item = FItems.Get(Index);
    FItems.Delete(Index);
    return Item;
}

void T_ylCustomList::Exchange(int I, int J)
{
    FItems.Exchange(I, J);
}

int T_ylCustomList::IndexOf(void* Item) const
{
    return FItems.IndexOf(Item);
}

void T_ylCustomList::Insert(int Index, void* Item)
{
    FItems.Insert(Index, Item);
}

void T_ylCustomList::Move(int From, int To)
{
    FItems.Move(From, To);
}

void T_ylCustomList::Pack()
{
    PackWith(TPackMethod());
}

int T_ylCustomList::Remove(void* Item)
{
    return FItems.Remove(Item);
}

void T_ylCustomList::PackWith(TPackMethod Method)
{
    if (Method) {
        for (int I = 0; I < FItems.Count(); ++I)
            if (!FItems.Get(I))
                Method(I);
    }
    FItems.Pack();
}

// ---- T_ylCustObjectList ------------------------------------------------------

PRICETAGS_DEFINE_CLASS(T_ylCustObjectList)

T_ylCustObjectList::~T_ylCustObjectList() = default;

void T_ylCustObjectList::PutObject(int Index, TObject* Obj)
{
    Put(Index, Obj);
}

int T_ylCustObjectList::AddObject(TObject* Obj)
{
    return Add(Obj);
}

void T_ylCustObjectList::DeleteObject(int Index)
{
    Delete(Index);
}

int T_ylCustObjectList::RemoveObject(TObject* Obj)
{
    return Remove(Obj);
}

// ---- T_ylCustOwnerList -------------------------------------------------------

PRICETAGS_DEFINE_CLASS(T_ylCustOwnerList)

T_ylCustOwnerList::~T_ylCustOwnerList()
{
    T_ylCustOwnerList::Clear();
}

void T_ylCustOwnerList::FreeFrom(int From)
{
    for (int I = From < 0 ? 0 : From; I < FItems.Count(); ++I) {
        // The entry is cleared before the object goes, so a destructor that
        // looks at the list never meets a freed object.
        auto* Obj = static_cast<TObject*>(FItems.Get(I));
        FItems.Put(I, nullptr);
        delete Obj;
    }
}

void T_ylCustOwnerList::SetCapacity(int N)
{
    // The inner list refuses a capacity below its count; the freed entries
    // are dropped first so that the call neither fails half-done nor leaves
    // nil entries behind.
    if (N >= 0 && GetCount() > N) {
        FreeFrom(N);
        FItems.SetCount(N);
    }
    inherited::SetCapacity(N);
}

void T_ylCustOwnerList::SetCount(int N)
{
    if (N >= 0 && GetCount() > N)
        FreeFrom(N);
    inherited::SetCount(N);
}

void T_ylCustOwnerList::Clear()
{
    FreeFrom(0);
    inherited::Clear();
}

void T_ylCustOwnerList::Assign(T_ylCustomList& Source)
{
    if (&Source == this)
        return;
    // Copying the pointers alone would leave two owners of each object (a
    // double free later) and lose the objects this list held (a leak).
    if (FItems.Count() > 0) {
        // One pass over each list: a loaded invoice replaces thousands of
        // rows. Done holds Source's objects, which stay, and those freed
        // here, so an object held twice is freed once.
        std::unordered_set<void*> Done;
        Done.reserve(static_cast<size_t>(Source.GetCount()));
        for (int I = 0; I < Source.GetCount(); ++I)
            Done.insert(Source.Get(I));
        for (int I = 0; I < FItems.Count(); ++I) {
            void* Item = FItems.Get(I);
            if (Item && Done.insert(Item).second) {
                FItems.Put(I, nullptr);
                delete static_cast<TObject*>(Item);
            }
        }
    }
    inherited::Assign(Source);
    if (auto* Owner = dynamic_cast<T_ylCustOwnerList*>(&Source))
        Owner->FItems.Clear();
}

void T_ylCustOwnerList::DeleteObject(int Index)
{
    delete static_cast<TObject*>(Delete(Index));
}

TObject* T_ylCustOwnerList::Extract(int Index)
{
    return static_cast<TObject*>(Delete(Index));
}

void T_ylCustOwnerList::FreeObject(TObject* Obj)
{
    if (!Obj)
        return;
    const int Index = IndexOf(Obj);
    if (Index < 0)
        throw Exception(SNoObjectInOwnerList);
    DeleteObject(Index);
}

// ---- T_ylOwnerList -----------------------------------------------------------

PRICETAGS_DEFINE_CLASS(T_ylOwnerList)

T_ylOwnerList::~T_ylOwnerList() = default;

// ---- T_ylIntegerList ---------------------------------------------------------

namespace {

void* IntToItem(Integer Value)
{
    return reinterpret_cast<void*>(static_cast<intptr_t>(Value));
}

}  // namespace

PRICETAGS_DEFINE_CLASS(T_ylIntegerList)

T_ylIntegerList::~T_ylIntegerList() = default;

int T_ylIntegerList::IndexOfValue(Integer Value) const
{
    return IndexOf(IntToItem(Value));
}

int T_ylIntegerList::AddValue(Integer Value)
{
    if (Unique) {
        const int Index = IndexOfValue(Value);
        if (Index >= 0)
            return Index;
    }
    return Add(IntToItem(Value));
}

// ---- T_ylNotifyEventList -----------------------------------------------------

PRICETAGS_DEFINE_CLASS(T_ylNotifyEventList)

T_ylNotifyEventList::~T_ylNotifyEventList() = default;

int T_ylNotifyEventList::GetCount() const
{
    return static_cast<int>(FItems.size());
}

int T_ylNotifyEventList::Add(TNotifyEvent Event)
{
    FItems.push_back(Event);
    return GetCount() - 1;
}

void T_ylNotifyEventList::Clear()
{
    FItems.clear();
}

void T_ylNotifyEventList::CheckIndex(int Index) const
{
    if (Index < 0 || Index >= GetCount())
        TList::Error(SListIndexError, Index);
}

void T_ylNotifyEventList::Delete(int Index)
{
    CheckIndex(Index);
    FItems.erase(FItems.begin() + Index);
}

void T_ylNotifyEventList::Call(int Index, TObject* Sender)
{
    CheckIndex(Index);
    // A copy: the handler may change this list.
    const TNotifyEvent Event = FItems[static_cast<size_t>(Index)];
    Event(Sender);
}

void T_ylNotifyEventList::CallAll()
{
    for (int I = 0; I < GetCount(); ++I)
        Call(I, this);
}

void T_ylNotifyEventList::Remove(TNotifyEvent Event)
{
    const int Index = IndexOf(Event);
    if (Index >= 0)
        Delete(Index);
}

int T_ylNotifyEventList::IndexOf(TNotifyEvent Event) const
{
    for (int I = 0; I < GetCount(); ++I)
        if (FItems[static_cast<size_t>(I)] == Event)
            return I;
    return -1;
}

// ---- T_ylOwnerNotifyList -----------------------------------------------------

PRICETAGS_DEFINE_CLASS(T_ylOwnerNotifyList)

T_ylOwnerNotifyList::~T_ylOwnerNotifyList() = default;

void T_ylOwnerNotifyList::NotifyListeners()
{
    AnsiString Errors;
    for (int I = 0; I < FListeners.Count(); ++I) {
        try {
            FListeners.Call(I, this);
        } catch (const Exception& E) {
            Errors += E.Message + "\r\n";
        }
    }
    if (!Errors.IsEmpty())
        throw Exception(Errors);
}

void T_ylOwnerNotifyList::Changed()
{
    if (FInChange)
        return;
    FInChange = true;
    struct ClearFlag {
        bool& Flag;
        ~ClearFlag() { Flag = false; }
    } Guard{FInChange};

    std::exception_ptr ChangeError;
    AnsiString ChangeMessage;
    try {
        OnChange(this);
    } catch (const Exception& E) {
        ChangeError = std::current_exception();
        ChangeMessage = E.Message;
    }
    try {
        NotifyListeners();
    } catch (Exception& E) {
        if (ChangeError)
            E.Message = ChangeMessage + "\r\n" + E.Message;
        throw;
    }
    // OnChange's failure is reported even when every listener succeeded:
    // dropping it would report a failed change as a success.
    if (ChangeError)
        std::rethrow_exception(ChangeError);
}

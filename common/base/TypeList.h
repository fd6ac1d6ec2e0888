#pragma once

// The typed pointer lists the program's own lists derive from: a plain list
// of pointers, a list of objects, a list that owns (frees) its objects, an
// integer list, a list of notify events and an owning list that announces
// its changes to an event and to any number of listeners.
//
// Every list wraps one TList (0-based, index-checked: EListError "List
// index out of bounds (%d)"). The operations are virtual so that
// descendants can change ownership. An owning list frees each object it
// drops: when it is freed, cleared, shrunk or an entry is deleted; Extract
// hands an object back without freeing it. An owning list's items must be
// TObject descendants; the list deletes them through TObject's virtual
// destructor.

#include "platform/classes/Events.h"
#include "platform/classes/Lists.h"
#include "platform/classes/Object.h"
#include "platform/rtl/AnsiString.h"

#include <vector>

/// Called by PackWith for each nil entry with its index.
using TPackMethod = MethodPointer<void(int Index)>;

class T_ylCustomList : public TObject {
    PRICETAGS_CLASS(T_ylCustomList, TObject)
public:
    T_ylCustomList();
    ~T_ylCustomList() override;

    virtual void* Get(int Index) const;
    virtual void Put(int Index, void* Item);
    virtual int GetCapacity() const;
    virtual void SetCapacity(int N);
    virtual int GetCount() const;
    /// Growing appends nil entries.
    virtual void SetCount(int N);
    /// Appends Item; returns its index.
    virtual int Add(void* Item);
    /// Empties this list without freeing anything, then appends Source's
    /// items in order.
    virtual void Assign(T_ylCustomList& Source);
    virtual void Clear();
    /// Removes the entry at Index and returns the item it held.
    virtual void* Delete(int Index);
    virtual void Exchange(int I, int J);
    /// Index of the first entry holding Item; -1 when none.
    virtual int IndexOf(void* Item) const;
    /// Index may be Count (append).
    virtual void Insert(int Index, void* Item);
    virtual void Move(int From, int To);
    /// Removes every nil entry.
    virtual void Pack();
    /// Removes the first entry holding Item; its former index or -1.
    virtual int Remove(void* Item);

    /// Calls Method (when assigned) with the index of each nil entry, then
    /// removes the nil entries.
    void PackWith(TPackMethod Method);

    int Count() const { return GetCount(); }
    int Capacity() const { return GetCapacity(); }
    void* Items(int Index) const { return Get(Index); }

    /// The inner pointer list (sorting, direct access by descendants).
    TList& List() { return FItems; }
    const TList& List() const { return FItems; }

protected:
    TList FItems;
};

class T_ylCustObjectList : public T_ylCustomList {
    PRICETAGS_CLASS(T_ylCustObjectList, T_ylCustomList)
public:
    T_ylCustObjectList() = default;
    ~T_ylCustObjectList() override;

    virtual void PutObject(int Index, TObject* Obj);
    virtual int AddObject(TObject* Obj);
    /// Removes the entry at Index (an owning list frees its object).
    virtual void DeleteObject(int Index);
    virtual int RemoveObject(TObject* Obj);

    TObject* GetObject(int Index) const { return static_cast<TObject*>(Get(Index)); }
};

/// Owns its objects. Clear, SetCount and SetCapacity below the count, and
/// DeleteObject free the objects concerned; the destructor frees them all.
/// A descendant that overrides Clear calls it in its own destructor: the
/// override no longer runs once this class's destructor is reached.
class T_ylCustOwnerList : public T_ylCustObjectList {
    PRICETAGS_CLASS(T_ylCustOwnerList, T_ylCustObjectList)
public:
    T_ylCustOwnerList() = default;
    ~T_ylCustOwnerList() override;

    /// Frees the objects at N .. Count - 1 first; then the capacity is N, so
    /// the count follows it down.
    void SetCapacity(int N) override;
    /// Frees the objects at N .. Count - 1 first.
    void SetCount(int N) override;
    /// Frees every object (from index 0 up), then empties the list.
    void Clear() override;
    /// Takes over Source's objects: the objects of this list that Source
    /// does not hold are freed, Source's items are appended in order and,
    /// when Source is an owning list too, Source is emptied without freeing,
    /// so every object has exactly one owner afterwards.
    void Assign(T_ylCustomList& Source) override;
    void DeleteObject(int Index) override;

    /// Removes the object at Index without freeing it; the caller owns it.
    TObject* Extract(int Index);
    /// Removes and frees Obj; nil is ignored. Raises Exception "No object in
    /// owner list" (nothing freed) when Obj is not in the list.
    void FreeObject(TObject* Obj);

protected:
    /// Frees the objects at From .. Count - 1 and sets their entries to nil.
    void FreeFrom(int From);
};

class T_ylOwnerList : public T_ylCustOwnerList {
    PRICETAGS_CLASS(T_ylOwnerList, T_ylCustOwnerList)
public:
    T_ylOwnerList() = default;
    ~T_ylOwnerList() override;
};

/// 32-bit integers kept as the list's entries.
class T_ylIntegerList : public T_ylCustomList {
    PRICETAGS_CLASS(T_ylIntegerList, T_ylCustomList)
public:
    T_ylIntegerList() = default;
    ~T_ylIntegerList() override;

    /// First index holding Value; -1 when none.
    virtual int IndexOfValue(Integer Value) const;
    /// With Unique set and Value present: the existing index; else appended.
    int AddValue(Integer Value);

    /// False after construction.
    bool Unique = false;
};

/// A list of notify events, each kept with its object. Indexes count events.
class T_ylNotifyEventList : public TObject {
    PRICETAGS_CLASS(T_ylNotifyEventList, TObject)
public:
    T_ylNotifyEventList() = default;
    ~T_ylNotifyEventList() override;

    /// Number of events.
    virtual int GetCount() const;
    /// Appends Event; returns its index.
    virtual int Add(TNotifyEvent Event);
    virtual void Clear();
    /// Raises EListError "List index out of bounds (%d)" for an index below 0
    /// or not below the count.
    virtual void Delete(int Index);
    /// Calls the event at Index with Sender; index checked as Delete.
    virtual void Call(int Index, TObject* Sender);
    /// Calls every event in order with this list as Sender.
    virtual void CallAll();
    /// Deletes the first equal event when present.
    virtual void Remove(TNotifyEvent Event);
    /// Index of the first event with the same object and method; -1 when none.
    virtual int IndexOf(TNotifyEvent Event) const;

    int Count() const { return GetCount(); }

private:
    void CheckIndex(int Index) const;

    std::vector<TNotifyEvent> FItems;
};

/// An owning list that tells OnChange and its listeners about changes.
/// Descendants call Changed after each change of their contents.
class T_ylOwnerNotifyList : public T_ylCustOwnerList {
    PRICETAGS_CLASS(T_ylOwnerNotifyList, T_ylCustOwnerList)
public:
    T_ylOwnerNotifyList() = default;
    ~T_ylOwnerNotifyList() override;

    /// Calls every listener with this list as Sender. A listener's exception
    /// does not stop the others: their messages, each followed by CR LF, are
    /// raised together as one Exception after the last listener.
    virtual void NotifyListeners();
    /// OnChange, then NotifyListeners; ignored while a change is being
    /// announced (a handler that changes the list again). When both fail the
    /// listeners' exception is raised with OnChange's message and CR LF put
    /// before its own; when only OnChange fails, its exception is raised
    /// after the listeners were told.
    virtual void Changed();

    T_ylNotifyEventList& Listeners() { return FListeners; }
    bool InChange() const { return FInChange; }

    TNotifyEvent OnChange;

private:
    bool FInChange = false;
    T_ylNotifyEventList FListeners;
};

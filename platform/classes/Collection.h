#pragma once

// TCollection: an owning list of TCollectionItem objects of one item class
// (grid columns, header sections). An item belongs to at most one
// collection; freeing the collection frees its items, freeing an item takes
// it out of its collection. Changes are announced through Update(Item),
// held back while BeginUpdate is in force (Item null: the whole collection).

#include "platform/classes/Persistent.h"
#include "platform/rtl/AnsiString.h"

#include <vector>

class TCollection;

class TCollectionItem : public TPersistent {
    PRICETAGS_CLASS(TCollectionItem, TPersistent)
public:
    /// An item appended to Collection (null: none).
    explicit TCollectionItem(TCollection* Collection);
    ~TCollectionItem() override;

    TCollection* Collection() const { return FCollection; }
    /// Moves the item to another collection (null: out of any).
    virtual void SetCollection(TCollection* Value);
    /// Unique number within the collection, never reused.
    int ID() const { return FID; }
    /// Position in the collection; -1 outside one.
    int Index() const;
    /// Moves the item within its collection.
    virtual void SetIndex(int Value);
    /// Text for lists and editors: GetDisplayName.
    AnsiString DisplayName() { return GetDisplayName(); }
    virtual void SetDisplayName(const AnsiString& Value);
    /// "<collection path>[<index>]".
    AnsiString GetNamePath() override;

protected:
    /// Announces a change of this item (AllItems: of the whole collection).
    void Changed(bool AllItems);
    /// The base gives the class name.
    virtual AnsiString GetDisplayName();
    TPersistent* GetOwner() override;

private:
    friend class TCollection;
    TCollection* FCollection = nullptr;
    int FID = 0;
};

using TCollectionItemClass = TClassOf<TCollectionItem>;

class TCollection : public TPersistent {
    PRICETAGS_CLASS(TCollection, TPersistent)
public:
    explicit TCollection(TCollectionItemClass ItemClass);
    ~TCollection() override;

    /// A new item of ItemClass, appended. The change is announced
    /// (Update(null)) once the item is fully constructed.
    TCollectionItem* Add();
    /// From another collection: Clear, then one new item per source item,
    /// each Assign-ed, inside BeginUpdate/EndUpdate.
    void Assign(TPersistent* Source) override;
    virtual void BeginUpdate();
    /// Frees every item (inside BeginUpdate/EndUpdate).
    void Clear();
    /// Frees the item at Index (EListError when out of range).
    void Delete(int Index);
    virtual void EndUpdate();
    /// The item with that ID; null when none.
    TCollectionItem* FindItemID(int ID) const;
    /// A new item moved to Index.
    TCollectionItem* Insert(int Index);

    int Count() const { return static_cast<int>(FItems.size()); }
    TCollectionItemClass ItemClass() const { return FItemClass; }
    /// The item at Index; EListError "List index out of bounds (%d)" outside
    /// the range.
    TCollectionItem* Items(int Index) const;
    /// Assigns Value to the item at Index.
    void SetItems(int Index, TCollectionItem* Value);
    /// "<owner path>.<property name>" when owned; the class path otherwise.
    AnsiString GetNamePath() override;
    /// Name of the owner's property holding the collection, for GetNamePath
    /// (set by the owner; "" when none).
    const AnsiString& PropName() const { return FPropName; }
    void SetPropName(const AnsiString& Value) { FPropName = Value; }

protected:
    /// Something changed: Update(null) unless inside BeginUpdate.
    void Changed();
    /// Called for every change (Item: the changed item, null for many).
    virtual void Update(TCollectionItem* Item);
    int UpdateCount() const { return FUpdateCount; }

private:
    friend class TCollectionItem;
    void InsertItem(TCollectionItem* Item);
    void RemoveItem(TCollectionItem* Item);
    void MoveItem(TCollectionItem* Item, int NewIndex);

    TCollectionItemClass FItemClass;
    std::vector<TCollectionItem*> FItems;
    int FUpdateCount = 0;
    int FNextID = 0;
    AnsiString FPropName;
};

/// A collection with a fixed owner for the streaming system (GetOwner).
class TOwnedCollection : public TCollection {
    PRICETAGS_CLASS(TOwnedCollection, TCollection)
public:
    TOwnedCollection(TPersistent* AOwner, TCollectionItemClass ItemClass);

protected:
    TPersistent* GetOwner() override { return FOwner; }

private:
    TPersistent* FOwner;
};

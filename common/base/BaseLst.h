#pragma once

// Keyed string lists: reference lists such as suppliers, departments or
// keyword lists. Each item has an integer key (Id; values from -16 to 0
// count as no key, 0 being the undefined item "Не определено"), a text, a
// display order (negative orders come before all others), a check mark, a
// group, two numeric columns, and an optional link that makes it stand for
// another item (a synonym shown right after its target when sorted).
//
// The list owns its items. It can be filled with built-in default lines,
// sorts in three ways (by Id, by Order, by text ignoring case) under a
// process-wide lock, and fills string lists for the windows. Loading from
// and saving to a data set are hooks (OnReadItem, OnWriteItem, ReadItem,
// WriteItem) that this system never connects to a store. The list also
// drives a virtual list view (FillListView).

#include "common/base/TypeList.h"
#include "platform/classes/Events.h"
#include "platform/classes/Object.h"
#include "platform/classes/Strings.h"
#include "platform/rtl/AnsiString.h"
#include "platform/rtl/Currency.h"
#include "platform/rtl/Types.h"

#include <initializer_list>
#include <vector>

class TCustomListView;
class T_BaseStrList;

class T_BaseStrItem : public TObject {
    PRICETAGS_CLASS(T_BaseStrItem, TObject)
public:
    /// Unlinked, Id 0.
    T_BaseStrItem();
    ~T_BaseStrItem() override;

    /// The text of a column by number: 1 Id; 2 the text, for a linked item
    /// "  -" + text + "[" + target Id + "]"; 3 Group; 4 Order; 5 "[x]" when
    /// Checked, else " "; 6 GetLinkId; 7 Value and 8 Amount as money text
    /// with 2 decimals; 9 UserData; 99 the position in the owner + 1; any
    /// other "?".
    [[nodiscard]] virtual AnsiString GetColumnText(int Col);
    [[nodiscard]] virtual AnsiString GetText() const;
    /// Stores S without its trailing blanks.
    virtual void SetText(const AnsiString& S);
    /// Copies every field but Owner.
    virtual void Assign(const T_BaseStrItem& Source);
    virtual void SetUserData(Integer Value);

    /// True when the item stands for another one: LinkId is a valid key and
    /// not its own Id.
    [[nodiscard]] bool IsLinked() const;
    /// The Id of the item this one stands for (its own Id when unlinked).
    [[nodiscard]] Integer GetLinkId();
    /// NewId equal to LinkId, or 0 while unlinked: nothing. A NewId that is
    /// neither 0 nor the own Id links the item (when the owner allows links
    /// or there is no owner); anything else unlinks it.
    void SetLinkId(Integer NewId);
    /// The item this one stands for: itself when unlinked, when links are
    /// off, or when the link does not resolve (a missing target or a cycle
    /// unlinks it).
    [[nodiscard]] T_BaseStrItem* GetLinkItem();

    [[nodiscard]] T_BaseStrList* Owner() const { return FOwner; }
    [[nodiscard]] Integer LinkId() const { return FLinkId; }
    [[nodiscard]] Integer UserData() const { return FUserData; }

    Integer Id = 0;
    /// A second integer that Assign copies and nothing else reads.
    Integer Data = 0;
    bool Checked = false;
    Integer Order = 0;
    Currency Amount;
    double Value = 0;
    Integer Group = 0;

protected:
    friend class T_BaseStrList;

    /// The resolved target (this when unlinked; null while a new link is
    /// unresolved). Checked against the owner before use, so a freed target
    /// is never touched.
    T_BaseStrItem* FLinkItem = nullptr;
    Integer FLinkId = 0;
    T_BaseStrList* FOwner = nullptr;
    AnsiString FText;
    Integer FUserData = 0;
};

using TBaseStrItemClass = TClassOf<T_BaseStrItem>;
/// Fills Strings with the built-in default lines of a list.
using TDefaultsProc = void (*)(TStrings* Strings);
/// OnReadItem / OnWriteItem: one item read from or written to the store.
using TBaseStrItemEvent = MethodPointer<void(TObject* Sender, T_BaseStrItem* Item)>;

/// Sort kinds.
inline constexpr int skById = 1;
inline constexpr int skByOrder = 2;
inline constexpr int skByText = 3;

class T_BaseStrList : public T_ylOwnerNotifyList {
    PRICETAGS_CLASS(T_BaseStrList, T_ylOwnerNotifyList)
public:
    /// DefaultId -1, SortKind 1, items of T_BaseStrItem, links enabled.
    T_BaseStrList();
    /// As the default constructor, with items of class C.
    explicit T_BaseStrList(TBaseStrItemClass C);
    ~T_BaseStrList() override;

    /// Adds "Не определено" (Id 0, Order -1) and returns true when no item
    /// has Id 0; else puts the existing Id 0 item first (Order -1), false.
    virtual bool AddUndefinedItem();
    /// With fewer than 2 items and DefaultsProc set: one item per default
    /// line n (from 1), Order 10 * n and the next free key, each stored
    /// (StoreItem).
    virtual void LoadDefaults();
    /// LoadDefaults, AddUndefinedItem, Sort; LoadTime stamped.
    virtual void Load();
    /// Data-set hook: reads one item (nothing in the base).
    virtual void ReadItem(T_BaseStrItem* Item);
    /// Data-set hook: writes one item; the base writes nothing and returns
    /// DefaultId when it is not negative, else 0.
    virtual Integer WriteItem(T_BaseStrItem* Item);
    /// Writes every item to the store; without a store nothing happens.
    virtual void Save();
    /// DoWriteItem.
    virtual void StoreItem(T_BaseStrItem* Item);
    /// Load, LoadTime := the current tick.
    virtual void Reload();
    /// A new item of ItemClass owned and appended here: Id 0, Order the
    /// highest Order + 1.
    virtual T_BaseStrItem* NewItem();
    virtual void FillStringsOfGroup(TStrings* Strings, Integer Group);
    virtual void FillStringsOfGroups(TStrings* Strings, std::initializer_list<Integer> Groups);
    /// Strings cleared, then each item's text with its Id as object, in list
    /// order, except: items whose Group is not in Groups (a first entry
    /// below 0 admits every group, an empty Groups none); linked items when
    /// links are enabled; unchecked items when CheckedOnly.
    virtual void FillStrings(TStrings* Strings, const std::vector<Integer>& Groups);

    /// Sizes an owner-data (virtual) list view to Count rows, whose texts
    /// its OnData handler takes from this list, and selects, focuses and
    /// scrolls into view the row of the item with Id (the first row when no
    /// item has it). The earlier selection is dropped with the resize.
    void FillListView(TCustomListView* ListView, Integer Id);

    /// OnReadItem when assigned, else ReadItem.
    void DoReadItem(T_BaseStrItem* Item);
    /// OnWriteItem when assigned (the item's Id results), else WriteItem.
    Integer DoWriteItem(T_BaseStrItem* Item);
    /// Clear, then one item per string: its text, Id the string's object
    /// value.
    void LoadFromStrings(TStrings* Strings);
    [[nodiscard]] T_BaseStrItem* ItemById(Integer Id) const;
    [[nodiscard]] T_BaseStrItem* GetById(Integer Id) const { return ItemById(Id); }
    /// -1 when absent.
    [[nodiscard]] int IndexOfId(Integer Id) const;
    /// Null when Index is out of range.
    [[nodiscard]] T_BaseStrItem* ItemAt(int Index) const;
    /// Sorts by SortKind, linked items right after their targets; then
    /// Changed.
    void Sort();
    void SetSortKind(int K);
    [[nodiscard]] int SortKind() const { return FSortKind; }
    void CheckAll();
    void UncheckAll();
    /// Gives Item the order just before Before's: Before.Order - 1 when that
    /// is above 0 and free, else Before and every later order move up by one
    /// and Item takes Before's old order.
    void PlaceBefore(T_BaseStrItem* Item, T_BaseStrItem* Before);
    /// The final item of the chain of links from the item with that Id;
    /// null for a null key or an unknown Id. A chain that breaks (missing
    /// Id) or loops unlinks the starting item, which is then the result.
    T_BaseStrItem* ResolveLink(Integer Id);
    /// Points every linked item straight at the final target of its chain.
    void NormalizeLinks();

    /// Names the list in the placement of the windows that show it.
    AnsiString Name;
    Integer DefaultId = -1;
    TDefaultsProc DefaultsProc = nullptr;
    /// When false, links are ignored everywhere.
    bool LinksEnabled = true;
    bool CheckedOnly = false;
    TBaseStrItemClass ItemClass;
    TBaseStrItemEvent OnReadItem;
    TBaseStrItemEvent OnWriteItem;
    /// Tick of the last load.
    Cardinal LoadTime = 0;

private:
    int FSortKind = skById;
};

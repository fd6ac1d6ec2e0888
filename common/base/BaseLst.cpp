#include "common/base/BaseLst.h"

#include "common/base/Funcs.h"
#include "platform/forms/ComCtrls.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/StrUtils.h"
#include "platform/rtl/Sync.h"
#include "platform/rtl/Ticks.h"
#include "platform/rtl/Variant.h"

#include <cassert>
#include <cstdint>
#include <set>

namespace {

const auto& SUndefinedText = "Не определено"_a;

int Sign(Int64 Difference)
{
    return Difference < 0 ? -1 : Difference > 0 ? 1 : 0;
}

/// The sort's unit state: the comparison is a plain function, so the kind
/// and the list being sorted are read from here, under the lock.
struct SortState {
    TCriticalSection Lock;
    int CurrentKind = skById;
    T_BaseStrList* CurrentList = nullptr;
};

SortState& Sorting()
{
    static SortState* const State = new SortState;
    return *State;
}

/// Steps 3 and 4 of the comparison: by the sort kind, then the ties.
int CompareKeys(const T_BaseStrItem* A, const T_BaseStrItem* B, int Kind, bool LinkInvolved)
{
    int Result = 0;
    switch (Kind) {
    case skById:
        Result = Sign(Int64(A->Id) - B->Id);
        break;
    case skByOrder:
        Result = LinkInvolved ? Sign(Int64(A->Id) - B->Id) : Sign(Int64(A->Order) - B->Order);
        break;
    case skByText:
        Result = AnsiCompareText(A->GetText(), B->GetText());
        break;
    default:
        break;
    }
    if (Result == 0)
        Result = Sign(Int64(A->Order) - B->Order);
    if (Result == 0)
        Result = AnsiCompareText(A->GetText(), B->GetText());
    if (Result == 0)
        Result = Sign(Int64(A->Id) - B->Id);
    return Result;
}

int CompareItems(void* P1, void* P2)
{
    auto* A = static_cast<T_BaseStrItem*>(P1);
    auto* B = static_cast<T_BaseStrItem*>(P2);
    const SortState& State = Sorting();
    // Negative orders (the undefined item) come before everything else.
    if (A->Order < 0 || B->Order < 0) {
        if (const int D = Sign(Int64(A->Order) - B->Order))
            return D;
    }
    if (State.CurrentList && State.CurrentList->LinksEnabled) {
        T_BaseStrItem* TargetA = A->GetLinkItem();
        T_BaseStrItem* TargetB = B->GetLinkItem();
        const bool LinkedA = TargetA != A;
        const bool LinkedB = TargetB != B;
        if (LinkedA || LinkedB) {
            // A synonym sorts right after the item it stands for.
            if (LinkedA && TargetA == B)
                return 1;
            if (LinkedB && TargetB == A)
                return -1;
            if (const int Result = CompareKeys(TargetA, TargetB, State.CurrentKind, true))
                return Result;
            // Two synonyms of one item: without an order of their own the
            // quicksort could swap them at every sort.
            return CompareKeys(A, B, State.CurrentKind, false);
        }
    }
    return CompareKeys(A, B, State.CurrentKind, false);
}

}  // namespace

// ---- T_BaseStrItem -----------------------------------------------------------

PRICETAGS_DEFINE_CLASS(T_BaseStrItem)

T_BaseStrItem::T_BaseStrItem() : FLinkItem(this) {}

T_BaseStrItem::~T_BaseStrItem() = default;

AnsiString T_BaseStrItem::GetText() const
{
    return FText;
}

void T_BaseStrItem::SetText(const AnsiString& S)
{
    FText = TrimRight(S);
}

void T_BaseStrItem::SetUserData(Integer Value)
{
    FUserData = Value;
}

void T_BaseStrItem::Assign(const T_BaseStrItem& Source)
{
    if (&Source == this)
        return;
    Id = Source.Id;
    Data = Source.Data;
    // A link to Source itself means "unlinked" there, and so here.
    FLinkItem = Source.FLinkItem == &Source ? this : Source.FLinkItem;
    FLinkId = Source.FLinkId;
    Checked = Source.Checked;
    Order = Source.Order;
    Amount = Source.Amount;
    Value = Source.Value;
    FText = Source.FText;
    FUserData = Source.FUserData;
    Group = Source.Group;
}

bool T_BaseStrItem::IsLinked() const
{
    return IsValidKey(FLinkId) && FLinkId != Id;
}

Integer T_BaseStrItem::GetLinkId()
{
    return GetLinkItem()->Id;
}

void T_BaseStrItem::SetLinkId(Integer NewId)
{
    if (NewId == FLinkId || (NewId == 0 && !IsLinked()))
        return;
    const bool Allowed = !FOwner || FOwner->LinksEnabled;
    if (Allowed && NewId != 0 && NewId != Id) {
        FLinkId = NewId;
        FLinkItem = nullptr;
        return;
    }
    FLinkId = Id;
    FLinkItem = this;
}

T_BaseStrItem* T_BaseStrItem::GetLinkItem()
{
    if (!IsLinked() || !FOwner || !FOwner->LinksEnabled)
        return this;
    // The cached target may have been freed by the list since; it is used
    // only while the list still holds it and it still has the linked Id.
    if (FLinkItem && FLinkItem != this && FOwner->IndexOf(FLinkItem) >= 0 &&
        FLinkItem->Id == FLinkId)
        return FLinkItem;
    T_BaseStrItem* Target = FOwner->ResolveLink(Id);
    FLinkItem = Target ? Target : this;
    if (FLinkItem != this)
        FLinkId = FLinkItem->Id;
    return FLinkItem;
}

AnsiString T_BaseStrItem::GetColumnText(int Col)
{
    switch (Col) {
    case 1:
        return IntToStr(Id);
    case 2: {
        const Integer Target = GetLinkId();
        if (Target >= 1 && Target != Id)
            return "  -" + GetText() + "[" + xStr(Variant(Target)) + "]";
        return GetText();
    }
    case 3:
        return IntToStr(Group);
    case 4:
        return IntToStr(Order);
    case 5:
        return Checked ? "[x]" : " ";
    case 6:
        return IntToStr(GetLinkId());
    case 7:
        return CurrToNumStr(2, Currency(Value));
    case 8:
        return CurrToNumStr(2, Amount);
    case 9:
        return IntToStr(FUserData);
    case 99:
        return IntToStr(FOwner ? FOwner->IndexOf(this) + 1 : 0);
    default:
        return "?";
    }
}

// ---- T_BaseStrList -----------------------------------------------------------

PRICETAGS_DEFINE_CLASS(T_BaseStrList)

T_BaseStrList::T_BaseStrList() : ItemClass(ClassOf<T_BaseStrItem>()) {}

T_BaseStrList::T_BaseStrList(TBaseStrItemClass C) : T_BaseStrList()
{
    ItemClass = C;
}

T_BaseStrList::~T_BaseStrList() = default;

T_BaseStrItem* T_BaseStrList::NewItem()
{
    Integer Highest = 0;
    bool Any = false;
    for (int I = 0; I < Count(); ++I) {
        const T_BaseStrItem* Item = ItemAt(I);
        if (Item && (!Any || Item->Order > Highest)) {
            Highest = Item->Order;
            Any = true;
        }
    }
    T_BaseStrItem* Item = ItemClass.Create();
    Item->FOwner = this;
    Add(Item);
    Item->Id = 0;
    Item->Order = Highest + 1;
    return Item;
}

bool T_BaseStrList::AddUndefinedItem()
{
    if (T_BaseStrItem* Existing = ItemById(0)) {
        Existing->Order = -1;
        return false;
    }
    T_BaseStrItem* Item = NewItem();
    Item->Id = 0;
    Item->Order = -1;
    Item->SetText(SUndefinedText);
    return true;
}

void T_BaseStrList::LoadDefaults()
{
    if (Count() >= 2 || !DefaultsProc)
        return;
    TStringList Lines;
    DefaultsProc(&Lines);
    Integer NextKey = 1;
    for (int I = 0; I < Count(); ++I)
        if (const T_BaseStrItem* Item = ItemAt(I); Item && Item->Id >= NextKey)
            NextKey = Item->Id + 1;
    for (int N = 1; N <= Lines.Count(); ++N) {
        T_BaseStrItem* Item = NewItem();
        Item->SetText(Lines.Strings(N - 1));
        // Each default gets a key of its own: with key 0 the first default
        // would be taken for the undefined item, which then never appears.
        Item->Id = NextKey++;
        Item->FLinkId = Item->Id;
        Item->Order = 10 * N;
        StoreItem(Item);
    }
}

void T_BaseStrList::Load()
{
    LoadDefaults();
    AddUndefinedItem();
    Sort();
    LoadTime = GetTickCount();
}

void T_BaseStrList::ReadItem(T_BaseStrItem*) {}

Integer T_BaseStrList::WriteItem(T_BaseStrItem*)
{
    return DefaultId >= 0 ? DefaultId : 0;
}

void T_BaseStrList::Save()
{
    // No store is ever connected here: there is nothing to write to.
}

void T_BaseStrList::StoreItem(T_BaseStrItem* Item)
{
    DoWriteItem(Item);
}

void T_BaseStrList::Reload()
{
    Load();
    LoadTime = GetTickCount();
}

void T_BaseStrList::DoReadItem(T_BaseStrItem* Item)
{
    if (OnReadItem) {
        OnReadItem(this, Item);
        return;
    }
    ReadItem(Item);
}

Integer T_BaseStrList::DoWriteItem(T_BaseStrItem* Item)
{
    if (OnWriteItem) {
        OnWriteItem(this, Item);
        return Item->Id;
    }
    return WriteItem(Item);
}

void T_BaseStrList::LoadFromStrings(TStrings* Strings)
{
    Clear();
    for (int I = 0; I < Strings->Count(); ++I) {
        T_BaseStrItem* Item = NewItem();
        Item->SetText(Strings->Strings(I));
        Item->Id = static_cast<Integer>(reinterpret_cast<intptr_t>(Strings->Objects(I)));
    }
}

T_BaseStrItem* T_BaseStrList::ItemById(Integer Id) const
{
    const int Index = IndexOfId(Id);
    return Index >= 0 ? ItemAt(Index) : nullptr;
}

int T_BaseStrList::IndexOfId(Integer Id) const
{
    for (int I = 0; I < Count(); ++I)
        if (const T_BaseStrItem* Item = ItemAt(I); Item && Item->Id == Id)
            return I;
    return -1;
}

T_BaseStrItem* T_BaseStrList::ItemAt(int Index) const
{
    if (Index < 0 || Index >= Count())
        return nullptr;
    return static_cast<T_BaseStrItem*>(Get(Index));
}

void T_BaseStrList::Sort()
{
    {
        SortState& State = Sorting();
        const CriticalSectionGuard Lock(State.Lock);
        const int OldKind = State.CurrentKind;
        T_BaseStrList* OldList = State.CurrentList;
        State.CurrentKind = FSortKind;
        State.CurrentList = this;
        struct Restore {
            SortState& S;
            int Kind;
            T_BaseStrList* List;
            ~Restore()
            {
                S.CurrentKind = Kind;
                S.CurrentList = List;
            }
        } RestoreState{State, OldKind, OldList};
        FItems.Sort(CompareItems);
    }
    Changed();
}

void T_BaseStrList::SetSortKind(int K)
{
    FSortKind = K;
    Sort();
}

void T_BaseStrList::CheckAll()
{
    for (int I = 0; I < Count(); ++I)
        ItemAt(I)->Checked = true;
}

void T_BaseStrList::UncheckAll()
{
    for (int I = 0; I < Count(); ++I)
        ItemAt(I)->Checked = false;
}

void T_BaseStrList::PlaceBefore(T_BaseStrItem* Item, T_BaseStrItem* Before)
{
    const Integer Target = Before->Order;
    if (Target > 1) {
        bool Taken = false;
        for (int I = 0; I < Count() && !Taken; ++I)
            Taken = ItemAt(I)->Order == Target - 1;
        if (!Taken) {
            Item->Order = Target - 1;
            return;
        }
    }
    for (int I = 0; I < Count(); ++I) {
        T_BaseStrItem* Other = ItemAt(I);
        if (Other->Order >= Target)
            ++Other->Order;
    }
    Item->Order = Target;
}

T_BaseStrItem* T_BaseStrList::ResolveLink(Integer Id)
{
    if (IsNullKey(Id))
        return nullptr;
    T_BaseStrItem* Start = ItemById(Id);
    if (!Start)
        return nullptr;
    std::set<Integer> Visited{Start->Id};
    T_BaseStrItem* Current = Start;
    while (Current->IsLinked()) {
        T_BaseStrItem* Next = ItemById(Current->FLinkId);
        if (!Next || Next == Start || !Visited.insert(Next->Id).second) {
            Start->SetLinkId(Start->Id);
            return Start;
        }
        Current = Next;
    }
    return Current;
}

void T_BaseStrList::NormalizeLinks()
{
    for (int I = 0; I < Count(); ++I) {
        T_BaseStrItem* Item = ItemAt(I);
        if (!Item->IsLinked())
            continue;
        T_BaseStrItem* Target = ResolveLink(Item->Id);
        if (Target && Target != Item) {
            Item->FLinkId = Target->Id;
            Item->FLinkItem = Target;
        }
    }
}

void T_BaseStrList::FillListView(TCustomListView* ListView, Integer Id)
{
    assert(ListView && "FillListView needs a list view");
    TListItems* Items = ListView->Items();
    Items->SetCount(Count());
    if (Items->Count() == 0)
        return;
    int Index = IndexOfId(Id);
    // A list view that is no virtual one keeps its own rows; a row it lacks
    // is never asked for.
    if (Index < 0 || Index >= Items->Count())
        Index = 0;
    // The row's item is asked for anew each time: a virtual list view fills
    // one shared item, which a handler of the selection may fill again.
    Items->Item(Index)->SetSelected(true);
    Items->Item(Index)->SetFocused(true);
    Items->Item(Index)->MakeVisible(/*PartialOK=*/false);
}

void T_BaseStrList::FillStringsOfGroup(TStrings* Strings, Integer Group)
{
    FillStrings(Strings, std::vector<Integer>{Group});
}

void T_BaseStrList::FillStringsOfGroups(TStrings* Strings, std::initializer_list<Integer> Groups)
{
    FillStrings(Strings, std::vector<Integer>(Groups));
}

void T_BaseStrList::FillStrings(TStrings* Strings, const std::vector<Integer>& Groups)
{
    const StringsUpdateScope Scope(*Strings);
    Strings->Clear();
    const bool AllGroups = !Groups.empty() && Groups.front() < 0;
    for (int I = 0; I < Count(); ++I) {
        T_BaseStrItem* Item = ItemAt(I);
        if (!AllGroups) {
            bool InGroups = false;
            for (Integer G : Groups)
                InGroups = InGroups || G == Item->Group;
            if (!InGroups)
                continue;
        }
        if (LinksEnabled && Item->IsLinked())
            continue;
        if (CheckedOnly && !Item->Checked)
            continue;
        Strings->AddObject(Item->GetText(),
                           reinterpret_cast<TObject*>(static_cast<intptr_t>(Item->Id)));
    }
}

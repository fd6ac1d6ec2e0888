#include "platform/classes/Collection.h"

#include "platform/classes/Lists.h"
#include "platform/classes/RtlConsts.h"
#include "platform/classes/UpdateScope.h"
#include "platform/rtl/Format.h"

#include <algorithm>
#include <iterator>

// ---- TCollectionItem -------------------------------------------------------

PRICETAGS_DEFINE_CLASS(TCollectionItem)

TCollectionItem::TCollectionItem(TCollection* Collection)
{
    SetCollection(Collection);
}

TCollectionItem::~TCollectionItem()
{
    SetCollection(nullptr);
}

void TCollectionItem::SetCollection(TCollection* Value)
{
    if (FCollection == Value)
        return;
    if (FCollection)
        FCollection->RemoveItem(this);
    if (Value)
        Value->InsertItem(this);
}

int TCollectionItem::Index() const
{
    if (!FCollection)
        return -1;
    const auto& Items = FCollection->FItems;
    const auto It = std::find(Items.begin(), Items.end(), this);
    return It == Items.end() ? -1 : static_cast<int>(It - Items.begin());
}

void TCollectionItem::SetIndex(int Value)
{
    const int CurIndex = Index();
    if (CurIndex >= 0 && CurIndex != Value) {
        FCollection->MoveItem(this, Value);
        Changed(true);
    }
}

void TCollectionItem::SetDisplayName(const AnsiString&)
{
    Changed(false);
}

AnsiString TCollectionItem::GetDisplayName()
{
    return ClassName();
}

AnsiString TCollectionItem::GetNamePath()
{
    if (!FCollection)
        return ClassName();
    return Format("%s[%d]", {FCollection->GetNamePath(), Index()});
}

void TCollectionItem::Changed(bool AllItems)
{
    if (FCollection && FCollection->FUpdateCount == 0)
        FCollection->Update(AllItems ? nullptr : this);
}

TPersistent* TCollectionItem::GetOwner()
{
    return FCollection;
}

// ---- TCollection -----------------------------------------------------------

PRICETAGS_DEFINE_CLASS(TCollection)

TCollection::TCollection(TCollectionItemClass ItemClass) : FItemClass(ItemClass) {}

TCollection::~TCollection()
{
    FUpdateCount = 1;
    Clear();
}

TCollectionItem* TCollection::Add()
{
    // The item joins the collection in its base constructor; the change is
    // announced after the whole item is built, so Update never meets a
    // half-constructed item.
    const UpdateScope<TCollection> Update(this);
    return FItemClass.Create(this);
}

void TCollection::Assign(TPersistent* Source)
{
    if (auto* Other = dynamic_cast<TCollection*>(Source)) {
        const UpdateScope<TCollection> Update(this);
        Clear();
        for (int I = 0; I < Other->Count(); ++I)
            Add()->Assign(Other->Items(I));
        return;
    }
    inherited::Assign(Source);
}

void TCollection::BeginUpdate()
{
    ++FUpdateCount;
}

void TCollection::EndUpdate()
{
    --FUpdateCount;
    Changed();
}

void TCollection::Changed()
{
    if (FUpdateCount == 0)
        Update(nullptr);
}

void TCollection::Clear()
{
    if (FItems.empty())
        return;
    const UpdateScope<TCollection> Update(this);
    while (!FItems.empty())
        delete FItems.back();
}

void TCollection::Delete(int Index)
{
    delete Items(Index);
}

TCollectionItem* TCollection::FindItemID(int ID) const
{
    for (TCollectionItem* Item : FItems)
        if (Item->FID == ID)
            return Item;
    return nullptr;
}

TCollectionItem* TCollection::Insert(int Index)
{
    TCollectionItem* Result = Add();
    Result->SetIndex(Index);
    return Result;
}

TCollectionItem* TCollection::Items(int Index) const
{
    if (Index < 0 || Index >= Count())
        TList::Error(SListIndexError, Index);
    return FItems[static_cast<size_t>(Index)];
}

void TCollection::SetItems(int Index, TCollectionItem* Value)
{
    Items(Index)->Assign(Value);
}

AnsiString TCollection::GetNamePath()
{
    const AnsiString Result = ClassName();
    TPersistent* Owner = GetOwner();
    if (!Owner)
        return Result;
    const AnsiString S = Owner->GetNamePath();
    if (S.IsEmpty() || FPropName.IsEmpty())
        return Result;
    return S + "." + FPropName;
}

void TCollection::Update(TCollectionItem*) {}

void TCollection::InsertItem(TCollectionItem* Item)
{
    FItems.push_back(Item);
    Item->FCollection = this;
    Item->FID = FNextID++;
    Changed();
}

void TCollection::RemoveItem(TCollectionItem* Item)
{
    // Items leave last first when a collection is cleared: searched from
    // the back, clearing is linear.
    const auto It = std::find(FItems.rbegin(), FItems.rend(), Item);
    if (It != FItems.rend())
        FItems.erase(std::next(It).base());
    Item->FCollection = nullptr;
    Changed();
}

void TCollection::MoveItem(TCollectionItem* Item, int NewIndex)
{
    const int CurIndex = Item->Index();
    if (NewIndex < 0 || NewIndex >= Count())
        TList::Error(SListIndexError, NewIndex);
    FItems.erase(FItems.begin() + CurIndex);
    FItems.insert(FItems.begin() + NewIndex, Item);
}

// ---- TOwnedCollection ------------------------------------------------------

PRICETAGS_DEFINE_CLASS(TOwnedCollection)

TOwnedCollection::TOwnedCollection(TPersistent* AOwner, TCollectionItemClass ItemClass)
    : TCollection(ItemClass), FOwner(AOwner)
{
}

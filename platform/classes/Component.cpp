#include "platform/classes/Component.h"

#include "platform/classes/Lists.h"
#include "platform/classes/RtlConsts.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/StrUtils.h"

#include <algorithm>
#include <exception>

namespace {

const char* const SInvalidName = "Component name \"%s\" is not valid";
const char* const SDuplicateName = "A component named %s already exists";

/// The innermost open loading bracket of this thread.
thread_local LoadingScope* CurrentScope = nullptr;

bool IsIdentStart(char C)
{
    return (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z') || C == '_';
}

bool IsIdentChar(char C)
{
    return IsIdentStart(C) || (C >= '0' && C <= '9');
}

}  // namespace

bool IsValidIdent(const AnsiString& Ident)
{
    if (Ident.IsEmpty() || !IsIdentStart(Ident[1]))
        return false;
    for (int I = 2; I <= Ident.Length(); ++I)
        if (!IsIdentChar(Ident[I]))
            return false;
    return true;
}

// ---- TComponent ------------------------------------------------------------

PRICETAGS_DEFINE_CLASS(TComponent,
    Property("Name", &TComponent::Name, &TComponent::SetName).NotStored(),
    Property("Tag", &TComponent::Tag, &TComponent::SetTag).WithDefault(0))

TComponent::TComponent(TComponent* AOwner)
{
    if (AOwner)
        AOwner->InsertComponent(this);
    LoadingScope::Created(this);
}

TComponent::~TComponent()
{
    Destroying();
    for (LoadingScope* S = CurrentScope; S; S = S->FOuter)
        S->Forget(this);
    // Each watcher is taken off both lists before it is told, so a watcher
    // whose Notification does not call the inherited one cannot stall this.
    while (!FFreeNotifies.empty()) {
        TComponent* Watcher = FFreeNotifies.back();
        FFreeNotifies.pop_back();
        Watcher->RemoveNotification(this);
        Watcher->Notification(this, opRemove);
    }
    DestroyComponents();
    if (FOwner)
        FOwner->RemoveComponent(this);
}

TComponent* TComponent::Components(int Index) const
{
    if (Index < 0 || Index >= ComponentCount())
        TList::Error(SListIndexError, Index);
    return FComponents[static_cast<size_t>(Index)];
}

int TComponent::ComponentIndex() const
{
    if (!FOwner)
        return -1;
    const auto& List = FOwner->FComponents;
    const auto It = std::find(List.begin(), List.end(), this);
    return It == List.end() ? -1 : static_cast<int>(It - List.begin());
}

void TComponent::SetComponentIndex(int Value)
{
    const int I = ComponentIndex();
    if (I < 0)
        return;
    auto& List = FOwner->FComponents;
    const int Count = static_cast<int>(List.size());
    Value = std::clamp(Value, 0, Count - 1);
    if (Value == I)
        return;
    List.erase(List.begin() + I);
    List.insert(List.begin() + Value, this);
}

void TComponent::SetName(const AnsiString& NewName)
{
    if (FName == NewName)
        return;
    if (!NewName.IsEmpty() && !IsValidIdent(NewName))
        throw EComponentError(Format(SInvalidName, {NewName}));
    if (FOwner)
        FOwner->ValidateRename(this, FName, NewName);
    else
        ValidateRename(nullptr, FName, NewName);
    ChangeName(NewName);
}

void TComponent::ValidateRename(TComponent* AComponent, const AnsiString& CurName,
                                const AnsiString& NewName)
{
    if (AComponent && !SameText(CurName, NewName) && AComponent->FOwner == this &&
        FindComponent(NewName))
        throw EComponentError(Format(SDuplicateName, {NewName}));
}

void TComponent::ValidateInsert(TComponent*) {}

void TComponent::FreeNotification(TComponent* AComponent)
{
    // Components of one owner hear of each other's removal through the
    // owner anyway.
    if (!FOwner || AComponent->FOwner != FOwner) {
        if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), AComponent) ==
            FFreeNotifies.end()) {
            FFreeNotifies.push_back(AComponent);
            AComponent->FreeNotification(this);
        }
    }
    FComponentState.Include(csFreeNotification);
}

void TComponent::RemoveFreeNotification(TComponent* AComponent)
{
    RemoveNotification(AComponent);
    AComponent->RemoveNotification(this);
}

void TComponent::RemoveNotification(TComponent* AComponent)
{
    std::erase(FFreeNotifies, AComponent);
}

void TComponent::Notification(TComponent* AComponent, TOperation Operation)
{
    if (Operation == opRemove && AComponent)
        RemoveFreeNotification(AComponent);
    // A handler may free components: walk down and re-clamp the index.
    int I = ComponentCount() - 1;
    while (I >= 0) {
        FComponents[static_cast<size_t>(I)]->Notification(AComponent, Operation);
        --I;
        if (I >= ComponentCount())
            I = ComponentCount() - 1;
    }
}

TComponent* TComponent::FindComponent(const AnsiString& AName) const
{
    if (AName.IsEmpty())
        return nullptr;
    for (TComponent* C : FComponents)
        if (SameText(C->FName, AName))
            return C;
    return nullptr;
}

void TComponent::InsertComponent(TComponent* AComponent)
{
    // The new owner judges the newcomer.
    ValidateInsert(AComponent);
    ValidateRename(AComponent, AnsiString(), AComponent->FName);
    // ValidateRename checks only components already owned here; a newcomer
    // is checked against them too, so names stay unique.
    if (!AComponent->FName.IsEmpty() && FindComponent(AComponent->FName))
        throw EComponentError(Format(SDuplicateName, {AComponent->FName}));
    Insert(AComponent);
    Notification(AComponent, opInsert);
}

void TComponent::RemoveComponent(TComponent* AComponent)
{
    ValidateRename(AComponent, AComponent->FName, AnsiString());
    Notification(AComponent, opRemove);
    Remove(AComponent);
}

void TComponent::Insert(TComponent* AComponent)
{
    FComponents.push_back(AComponent);
    AComponent->FOwner = this;
}

void TComponent::Remove(TComponent* AComponent)
{
    std::erase(FComponents, AComponent);
    AComponent->FOwner = nullptr;
}

void TComponent::DestroyComponents()
{
    while (!FComponents.empty()) {
        TComponent* Instance = FComponents.back();
        // One that others watch leaves through RemoveComponent, so its
        // siblings hear of it.
        if (Instance->FComponentState.Contains(csFreeNotification))
            RemoveComponent(Instance);
        else
            Remove(Instance);
        delete Instance;
    }
}

void TComponent::Destroying()
{
    if (FComponentState.Contains(csDestroying))
        return;
    FComponentState.Include(csDestroying);
    for (TComponent* C : FComponents)
        C->Destroying();
}

void TComponent::GetChildren(const std::function<void(TComponent*)>& Proc, TComponent* Root)
{
    if (Root != this)
        return;
    for (TComponent* C : FComponents)
        Proc(C);
}

AnsiString TComponent::GetNamePath()
{
    return FName;
}

void TComponent::Loaded()
{
    FComponentState.Exclude(csLoading);
}

TPersistent* TComponent::GetOwner()
{
    return FOwner;
}

// ---- LoadingScope ----------------------------------------------------------

LoadingScope::LoadingScope(TComponent* Root) : FRoot(Root)
{
    if (!Root || Root->FComponentState.Contains(csLoading))
        return;
    FActive = true;
    FUncaught = std::uncaught_exceptions();
    FOuter = CurrentScope;
    CurrentScope = this;
    Add(Root);
}

void LoadingScope::Add(TComponent* AComponent)
{
    AComponent->FComponentState += {csLoading, csReading};
    FLoaded.push_back(AComponent);
    for (TComponent* C : AComponent->FComponents)
        if (!C->FComponentState.Contains(csLoading))
            Add(C);
}

bool LoadingScope::Holds(const TComponent* AComponent) const
{
    return std::find(FLoaded.begin(), FLoaded.end(), AComponent) != FLoaded.end();
}

void LoadingScope::Forget(TComponent* AComponent)
{
    const auto It = std::find(FLoaded.begin(), FLoaded.end(), AComponent);
    if (It == FLoaded.end())
        return;
    // One freed before the next to load moves that one down a place.
    if (static_cast<size_t>(It - FLoaded.begin()) < FNext)
        --FNext;
    FLoaded.erase(It);
}

void LoadingScope::Created(TComponent* AComponent)
{
    TComponent* Owner = AComponent->Owner();
    if (!Owner || !Owner->FComponentState.Contains(csLoading))
        return;
    for (LoadingScope* S = CurrentScope; S; S = S->FOuter) {
        if (!S->FFinishing && S->Holds(Owner)) {
            S->Add(AComponent);
            return;
        }
    }
}

LoadingScope::~LoadingScope() noexcept(false)
{
    if (!FActive)
        return;
    const bool Failed = std::uncaught_exceptions() > FUncaught;
    FFinishing = true;
    for (TComponent* C : FLoaded) {
        C->FComponentState.Exclude(csReading);
        if (Failed)
            C->FComponentState.Exclude(csLoading);
    }
    if (Failed) {
        CurrentScope = FOuter;
        return;
    }
    // Loaded may free components (they leave FLoaded, and FNext follows)
    // or raise: then the rest are not loaded and only lose the flag.
    try {
        while (FNext < FLoaded.size())
            FLoaded[FNext++]->Loaded();
    } catch (...) {
        // From the one that raised on.
        for (size_t J = FNext > 0 ? FNext - 1 : 0; J < FLoaded.size(); ++J)
            FLoaded[J]->FComponentState.Exclude(csLoading);
        CurrentScope = FOuter;
        throw;
    }
    CurrentScope = FOuter;
}

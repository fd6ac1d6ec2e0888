#pragma once

// TComponent: the owned-object tree of forms and their parts. An owner
// frees what it owns; a component that keeps a pointer to another one it
// does not own asks for a free notification and clears the pointer in
// Notification(opRemove). Names are identifiers unique among the owner's
// components (case ignored).
//
// Forms are built in code, inside a loading bracket:
//     {
//         LoadingScope Loading(Form);
//         ... create and set up components owned by Form ...
//     }   // csLoading is cleared and Loaded() runs once on each
//
// Destruction: ~TComponent marks the component csDestroying, tells the
// components that asked for a free notification, frees the owned
// components (last first) and leaves its owner. Those steps run after the
// derived destructors, so a derived class whose owned components call back
// into it calls Destroying() and DestroyComponents() first in its own
// destructor.

#include "platform/classes/Persistent.h"
#include "platform/classes/Sets.h"
#include "platform/rtl/AnsiString.h"
#include "platform/rtl/Types.h"

#include <functional>
#include <vector>

enum TOperation { opInsert, opRemove };

enum ComponentStateItem {
    csLoading, csReading, csWriting, csDestroying, csDesigning, csAncestor, csUpdating, csFixups,
    csFreeNotification, csInline, csDesignInstance
};
using TComponentState = EnumSet<ComponentStateItem>;

class LoadingScope;

class TComponent : public TPersistent {
    PRICETAGS_CLASS(TComponent, TPersistent)
public:
    /// A component owned by AOwner (null: nobody; the creator frees it).
    /// Inside a loading bracket of the owner it starts in csLoading.
    explicit TComponent(TComponent* AOwner);
    ~TComponent() override;

    TComponent* Owner() const { return FOwner; }
    int ComponentCount() const { return static_cast<int>(FComponents.size()); }
    /// The owned component at Index (0-based, creation order); raises
    /// EListError "List index out of bounds (%d)" outside 0..Count-1.
    TComponent* Components(int Index) const;
    /// Position in the owner's Components; -1 without owner.
    int ComponentIndex() const;
    /// Moves the component within its owner's list (clamped to the list).
    void SetComponentIndex(int Value);

    const AnsiString& Name() const { return FName; }
    /// Renames. Raises EComponentError "Component name "%s" is not valid"
    /// for a name that is not an identifier (letters, digits, '_', not
    /// starting with a digit; '' is allowed) and "A component named %s
    /// already exists" when the owner has another component of that name
    /// (case ignored).
    virtual void SetName(const AnsiString& NewName);
    Integer Tag() const { return FTag; }
    void SetTag(Integer Value) { FTag = Value; }
    TComponentState ComponentState() const { return FComponentState; }

    /// AComponent gets Notification(this, opRemove) when this one is freed
    /// (and this one when AComponent is freed).
    void FreeNotification(TComponent* AComponent);
    void RemoveFreeNotification(TComponent* AComponent);
    /// The owned component named AName (case ignored); null when none or
    /// for ''.
    TComponent* FindComponent(const AnsiString& AName) const;
    /// Takes AComponent into this owner's list (it leaves no other owner:
    /// the caller removes it first). Checks its name against the others.
    void InsertComponent(TComponent* AComponent);
    void RemoveComponent(TComponent* AComponent);
    /// Frees every owned component, the last first.
    void DestroyComponents();
    /// Marks this component and its owned ones csDestroying.
    void Destroying();

    AnsiString GetNamePath() override;
    /// Calls Proc for each component written as a child of this one when
    /// Root is streamed. The base lists its owned components when it is the
    /// root itself, and none otherwise.
    virtual void GetChildren(const std::function<void(TComponent*)>& Proc, TComponent* Root);
    /// Called once after the component's loading bracket ends; the base
    /// clears csLoading.
    virtual void Loaded();

protected:
    /// AComponent was inserted into (opInsert) or removed from (opRemove)
    /// the owner, or a component this one watches is being freed. The base
    /// passes opRemove on to the owned components.
    virtual void Notification(TComponent* AComponent, TOperation Operation);
    virtual void ValidateRename(TComponent* AComponent, const AnsiString& CurName,
                                const AnsiString& NewName);
    /// Called on the new owner before AComponent joins it; raises to refuse
    /// the component. The base accepts every one. A component given its
    /// owner in its constructor is met here (and in Notification opInsert)
    /// while only its TComponent part is built.
    virtual void ValidateInsert(TComponent* AComponent);
    TPersistent* GetOwner() override;
    void SetComponentState(TComponentState Value) { FComponentState = Value; }

private:
    friend class LoadingScope;
    friend class TReader;
    friend class TWriter;
    void Insert(TComponent* AComponent);
    void Remove(TComponent* AComponent);
    void RemoveNotification(TComponent* AComponent);
    void ChangeName(const AnsiString& NewName) { FName = NewName; }

    TComponent* FOwner = nullptr;
    AnsiString FName;
    Integer FTag = 0;
    std::vector<TComponent*> FComponents;
    std::vector<TComponent*> FFreeNotifies;
    TComponentState FComponentState;
};

using TComponentClass = TClassOf<TComponent>;

/// The loading bracket of a form built in code: while it lives, Root and
/// every component created under Root's tree carry csLoading and csReading;
/// when it ends normally csReading is cleared and Loaded() runs once on
/// each, Root first, then in creation order (Loaded may raise, so the
/// destructor may too). When the bracket ends by an exception the flags are
/// cleared and Loaded is not called. A bracket opened on a component that
/// is already loading does nothing (the outer bracket finishes it).
class LoadingScope {
public:
    explicit LoadingScope(TComponent* Root);
    ~LoadingScope() noexcept(false);
    LoadingScope(const LoadingScope&) = delete;
    LoadingScope& operator=(const LoadingScope&) = delete;

    /// Called by TComponent for a component created under a loading owner.
    static void Created(TComponent* AComponent);

private:
    void Add(TComponent* AComponent);
    bool Holds(const TComponent* AComponent) const;
    void Forget(TComponent* AComponent);

    TComponent* FRoot = nullptr;
    bool FActive = false;
    bool FFinishing = false;
    int FUncaught = 0;
    std::vector<TComponent*> FLoaded;
    /// Index in FLoaded of the next component whose Loaded runs.
    size_t FNext = 0;
    LoadingScope* FOuter = nullptr;

    friend class TComponent;
};

/// True when Ident is a valid identifier (the runtime's IsValidIdent).
[[nodiscard]] bool IsValidIdent(const AnsiString& Ident);

#pragma once

// Actions: a command with its caption, state and handler, shared by the
// controls and menu items bound to it. An action list holds the actions of
// a form; its short-cuts work anywhere on the form.
//
// Links keep a client in step: when an action's Caption, Enabled, Checked,
// Visible, Hint, ShortCut or ImageIndex changes, every client bound to it
// takes the new value; binding a client copies all of them at once.
// Execute runs the list's OnExecute, then the action's OnExecute (the
// client that fired it is ActionComponent meanwhile); Update runs the
// list's OnUpdate, then the action's. The application updates the actions
// of its showing forms when it is idle, and a menu updates the actions of
// its items before it opens.

#include "platform/classes/Component.h"
#include "platform/classes/Events.h"
#include "platform/forms/Controls.h"
#include "platform/rtl/AnsiString.h"

#include <vector>

class TBasicAction;
class TCustomAction;
class TCustomActionList;
class TCustomImageList;
class TMenuItem;

/// Binds one client (a control or a menu item) to an action.
class TBasicActionLink : public TObject {
    PRICETAGS_CLASS(TBasicActionLink, TObject)
public:
    TBasicActionLink() = default;
    ~TBasicActionLink() override;

    TBasicAction* Action() const { return FAction; }
    /// Moves the link to another action (null: none).
    void SetAction(TBasicAction* Value);
    /// Executes the action with Component as the client that fired it;
    /// false when there is no action or it did not run.
    virtual bool Execute(TComponent* Component);
    virtual bool Update();
    /// Passes every value of the action to the client (when it is bound).
    void TakeValues();

    /// Called by the action when one of its values changed.
    TNotifyEvent OnChange;

protected:
    friend class TBasicAction;
    friend class TCustomAction;
    virtual void Change();
    // Each Set* below is called with the action's new value; a link passes
    // it to its client when the client follows that value.
    virtual void SetCaption(const AnsiString&) {}
    virtual void SetChecked(bool) {}
    virtual void SetEnabled(bool) {}
    virtual void SetHint(const AnsiString&) {}
    virtual void SetImageIndex(int) {}
    virtual void SetShortCut(TShortCut) {}
    virtual void SetVisible(bool) {}

    TBasicAction* FAction = nullptr;
};

using TActionEvent = MethodPointer<void(TBasicAction* Action, bool& Handled)>;

class TBasicAction : public TComponent {
    PRICETAGS_CLASS(TBasicAction, TComponent)
public:
    explicit TBasicAction(TComponent* AOwner);
    /// Unbinds every client.
    ~TBasicAction() override;

    /// Runs the action as described at the top; true when a handler ran.
    virtual bool Execute();
    /// Updates the action's state; true when a handler ran.
    virtual bool Update();
    /// Whether the action works on Target by itself (the standard actions:
    /// an edit control); the base works on nothing.
    virtual bool HandlesTarget(TObject* Target);
    /// Does the action's work on (updates its state for) a Target it handles.
    virtual void ExecuteTarget(TObject* Target);
    virtual void UpdateTarget(TObject* Target);
    /// The client that fired the running Execute (null otherwise).
    TComponent* ActionComponent() const { return FActionComponent; }
    void SetActionComponent(TComponent* Value) { FActionComponent = Value; }
    int ClientCount() const { return static_cast<int>(FClients.size()); }

    TNotifyEvent OnExecute;
    TNotifyEvent OnUpdate;

protected:
    friend class TBasicActionLink;
    virtual void Change();
    void RegisterChanges(TBasicActionLink* Link);
    void UnRegisterChanges(TBasicActionLink* Link);

    std::vector<TBasicActionLink*> FClients;
    TComponent* FActionComponent = nullptr;
};

/// An action that lives in an action list.
class TContainedAction : public TBasicAction {
    PRICETAGS_CLASS(TContainedAction, TBasicAction)
public:
    explicit TContainedAction(TComponent* AOwner);
    /// Leaves its list.
    ~TContainedAction() override;

    TCustomActionList* ActionList() const { return FActionList; }
    void SetActionList(TCustomActionList* Value);
    const AnsiString& Category() const { return FCategory; }
    void SetCategory(const AnsiString& Value) { FCategory = Value; }
    /// Position in the list; -1 outside one.
    int Index() const;

    /// The list's OnExecute first (it may handle the action), then the
    /// action's; without one the focused control of the active form
    /// (ExecuteAction), then the form itself, may do the action's work.
    /// Update goes the same way (UpdateAction).
    bool Execute() override;
    bool Update() override;

protected:
    friend class TCustomActionList;
    TCustomActionList* FActionList = nullptr;
    AnsiString FCategory;
};

class TCustomAction : public TContainedAction {
    PRICETAGS_CLASS(TCustomAction, TContainedAction)
public:
    explicit TCustomAction(TComponent* AOwner);
    ~TCustomAction() override;

    const AnsiString& Caption() const { return FCaption; }
    void SetCaption(const AnsiString& Value);
    bool Checked() const { return FChecked; }
    /// Checking an action of a GroupIndex above 0 unchecks the other actions
    /// of its list in the same group.
    void SetChecked(bool Value);
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value);
    bool Visible() const { return FVisible; }
    void SetVisible(bool Value);
    const AnsiString& Hint() const { return FHint; }
    void SetHint(const AnsiString& Value);
    TShortCut ShortCut() const { return FShortCut; }
    void SetShortCut(TShortCut Value);
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int Value);
    int GroupIndex() const { return FGroupIndex; }
    void SetGroupIndex(int Value);
    /// Execute toggles Checked first.
    bool AutoCheck() const { return FAutoCheck; }
    void SetAutoCheck(bool Value);
    /// Disabled by Update when nobody handles OnExecute.
    bool DisableIfNoHandler() const { return FDisableIfNoHandler; }
    void SetDisableIfNoHandler(bool Value) { FDisableIfNoHandler = Value; }
    int HelpContext() const { return FHelpContext; }
    void SetHelpContext(int Value);

    /// Nothing for a disabled action (false); AutoCheck, then as above.
    bool Execute() override;
    bool Update() override;

protected:
    AnsiString FCaption;
    bool FChecked = false;
    bool FEnabled = true;
    bool FVisible = true;
    AnsiString FHint;
    TShortCut FShortCut = 0;
    int FImageIndex = -1;
    int FGroupIndex = 0;
    bool FAutoCheck = false;
    bool FDisableIfNoHandler = true;
    int FHelpContext = 0;
    bool FChecking = false;
};

class TAction : public TCustomAction {
    PRICETAGS_CLASS(TAction, TCustomAction)
public:
    explicit TAction(TComponent* AOwner) : TCustomAction(AOwner) {}
    ~TAction() override;
};

class TCustomActionList : public TComponent {
    PRICETAGS_CLASS(TCustomActionList, TComponent)
public:
    explicit TCustomActionList(TComponent* AOwner);
    /// Frees nothing: the actions belong to their owner; they leave the list.
    ~TCustomActionList() override;

    int ActionCount() const { return static_cast<int>(FActions.size()); }
    TContainedAction* Actions(int Index) const { return FActions.at(static_cast<size_t>(Index)); }
    TCustomImageList* Images() const { return FImages; }
    void SetImages(TCustomImageList* Value);
    /// The list's OnExecute; true when it handled the action.
    virtual bool ExecuteAction(TBasicAction* Action);
    virtual bool UpdateAction(TBasicAction* Action);
    /// Executes the enabled action whose ShortCut the key makes; true when one ran.
    bool IsShortCut(TWMKey& Message);
    /// Updates every action of the list.
    void UpdateActions();

    TActionEvent OnExecute;
    TActionEvent OnUpdate;
    TNotifyEvent OnChange;

protected:
    friend class TContainedAction;
    void AddAction(TContainedAction* Action);
    void RemoveAction(TContainedAction* Action);
    void Notification(TComponent* AComponent, TOperation Operation) override;

    std::vector<TContainedAction*> FActions;
    TCustomImageList* FImages = nullptr;
};

class TActionList : public TCustomActionList {
    PRICETAGS_CLASS(TActionList, TCustomActionList)
public:
    explicit TActionList(TComponent* AOwner) : TCustomActionList(AOwner) {}
    ~TActionList() override;
};

/// The link of a client that follows a TCustomAction. Each Is*Linked
/// says whether the client takes that value from the action: all of them
/// while the action is a TCustomAction; the links of particular clients
/// narrow them (a linked value is passed on, the others are left alone).
class TActionLink : public TBasicActionLink {
    PRICETAGS_CLASS(TActionLink, TBasicActionLink)
public:
    TActionLink() = default;
    ~TActionLink() override;

    virtual bool IsCaptionLinked() const;
    virtual bool IsCheckedLinked() const;
    virtual bool IsEnabledLinked() const;
    virtual bool IsGroupIndexLinked() const;
    virtual bool IsHelpContextLinked() const;
    virtual bool IsHintLinked() const;
    virtual bool IsImageIndexLinked() const;
    virtual bool IsShortCutLinked() const;
    virtual bool IsVisibleLinked() const;
    /// Whether the client's OnClick is the action's OnExecute (so that a
    /// click runs the action rather than the handler twice).
    virtual bool IsOnExecuteLinked() const;

protected:
    friend class TCustomAction;
    // Called with the action's new value, like the Set* of the base.
    virtual void SetAutoCheck(bool) {}
    virtual void SetGroupIndex(int) {}
    virtual void SetHelpContext(int) {}

    /// The action as a TCustomAction; null for other actions.
    TCustomAction* CustomAction() const;
};

/// The link of a control: Caption, Enabled, Hint and Visible for every
/// control, Checked for check boxes, radio buttons, speed and tool buttons.
class TControlActionLink : public TActionLink {
    PRICETAGS_CLASS(TControlActionLink, TActionLink)
public:
    explicit TControlActionLink(TControl* Client) : FClient(Client) {}
    ~TControlActionLink() override;

    TControl* Client() const { return FClient; }
    bool IsOnExecuteLinked() const override;

protected:
    void SetCaption(const AnsiString& Value) override;
    void SetChecked(bool Value) override;
    void SetEnabled(bool Value) override;
    void SetHint(const AnsiString& Value) override;
    void SetVisible(bool Value) override;
    void SetImageIndex(int Value) override;

    TControl* FClient;
};

class TMenuActionLink : public TActionLink {
    PRICETAGS_CLASS(TMenuActionLink, TActionLink)
public:
    explicit TMenuActionLink(TMenuItem* Client) : FClient(Client) {}
    ~TMenuActionLink() override;

    TMenuItem* Client() const { return FClient; }
    bool IsOnExecuteLinked() const override;

protected:
    void SetCaption(const AnsiString& Value) override;
    void SetChecked(bool Value) override;
    void SetEnabled(bool Value) override;
    void SetHint(const AnsiString& Value) override;
    void SetImageIndex(int Value) override;
    void SetShortCut(TShortCut Value) override;
    void SetVisible(bool Value) override;

    TMenuItem* FClient;
};

/// Updates the actions of every showing form's action lists (the
/// application's idle step; tests call it directly).
void UpdateFormActions();
/// Offers a key to the action lists owned by Form; true when one ran an action.
bool FormActionsShortCut(TCustomForm& Form, TWMKey& Message);

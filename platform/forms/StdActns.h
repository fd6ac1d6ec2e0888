#pragma once

// The standard edit actions: cut, copy, paste, select all and delete. Bound
// to a menu item or button they need no handler: executed, they work on
// the focused edit control (or on Control when one is set), and a control
// of another kind may take them in its ExecuteAction (the tree does).
// Updating enables each by what it could do on that edit now.

#include "platform/forms/ActnList.h"

class TCustomEdit;

class TEditAction : public TAction {
    PRICETAGS_CLASS(TEditAction, TAction)
public:
    explicit TEditAction(TComponent* AOwner);
    ~TEditAction() override;

    /// The edit the action works on; null: the focused one. Not owned;
    /// forgotten when it is freed.
    TCustomEdit* Control() const { return FControl; }
    void SetControl(TCustomEdit* Value);

    /// Control when set, else any edit control; in both cases only while
    /// it has the focus.
    bool HandlesTarget(TObject* Target) override;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;
    /// Target as the edit it is (HandlesTarget was asked first).
    static TCustomEdit& EditOf(TObject* Target);

private:
    TCustomEdit* FControl = nullptr;
};

/// Enabled while the edit has a selection and is not read-only.
class TEditCut : public TEditAction {
    PRICETAGS_CLASS(TEditCut, TEditAction)
public:
    explicit TEditCut(TComponent* AOwner) : TEditAction(AOwner) {}
    ~TEditCut() override;
    void ExecuteTarget(TObject* Target) override;
    void UpdateTarget(TObject* Target) override;
};

/// Enabled while the edit has a selection.
class TEditCopy : public TEditAction {
    PRICETAGS_CLASS(TEditCopy, TEditAction)
public:
    explicit TEditCopy(TComponent* AOwner) : TEditAction(AOwner) {}
    ~TEditCopy() override;
    void ExecuteTarget(TObject* Target) override;
    void UpdateTarget(TObject* Target) override;
};

/// Enabled while the clipboard holds text and the edit is not read-only.
class TEditPaste : public TEditAction {
    PRICETAGS_CLASS(TEditPaste, TEditAction)
public:
    explicit TEditPaste(TComponent* AOwner) : TEditAction(AOwner) {}
    ~TEditPaste() override;
    void ExecuteTarget(TObject* Target) override;
    void UpdateTarget(TObject* Target) override;
};

/// Enabled while the edit holds text.
class TEditSelectAll : public TEditAction {
    PRICETAGS_CLASS(TEditSelectAll, TEditAction)
public:
    explicit TEditSelectAll(TComponent* AOwner) : TEditAction(AOwner) {}
    ~TEditSelectAll() override;
    void ExecuteTarget(TObject* Target) override;
    void UpdateTarget(TObject* Target) override;
};

/// Removes the selected text; enabled as cut is.
class TEditDelete : public TEditAction {
    PRICETAGS_CLASS(TEditDelete, TEditAction)
public:
    explicit TEditDelete(TComponent* AOwner) : TEditAction(AOwner) {}
    ~TEditDelete() override;
    void ExecuteTarget(TObject* Target) override;
    void UpdateTarget(TObject* Target) override;
};

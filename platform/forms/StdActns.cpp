#include "platform/forms/StdActns.h"

#include "platform/forms/Clipbrd.h"
#include "platform/forms/StdCtrls.h"

PRICETAGS_DEFINE_CLASS(TEditAction)
PRICETAGS_DEFINE_CLASS(TEditCut)
PRICETAGS_DEFINE_CLASS(TEditCopy)
PRICETAGS_DEFINE_CLASS(TEditPaste)
PRICETAGS_DEFINE_CLASS(TEditSelectAll)
PRICETAGS_DEFINE_CLASS(TEditDelete)

TEditAction::TEditAction(TComponent* AOwner) : TAction(AOwner)
{
    // The focused edit decides whether the action can run, not a handler.
    SetDisableIfNoHandler(false);
}

TEditAction::~TEditAction() = default;

void TEditAction::SetControl(TCustomEdit* Value)
{
    if (FControl == Value)
        return;
    if (FControl)
        FControl->RemoveFreeNotification(this);
    FControl = Value;
    if (FControl)
        FControl->FreeNotification(this);
}

void TEditAction::Notification(TComponent* AComponent, TOperation Operation)
{
    TAction::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FControl)
        FControl = nullptr;
}

bool TEditAction::HandlesTarget(TObject* Target)
{
    auto* Edit = dynamic_cast<TCustomEdit*>(Target);
    if (!Edit || (FControl && Edit != FControl))
        return false;
    return Edit->Focused();
}

TCustomEdit& TEditAction::EditOf(TObject* Target)
{
    return *static_cast<TCustomEdit*>(Target);
}

TEditCut::~TEditCut() = default;
TEditCopy::~TEditCopy() = default;
TEditPaste::~TEditPaste() = default;
TEditSelectAll::~TEditSelectAll() = default;
TEditDelete::~TEditDelete() = default;

void TEditCut::ExecuteTarget(TObject* Target)
{
    EditOf(Target).CutToClipboard();
}

void TEditCut::UpdateTarget(TObject* Target)
{
    const TCustomEdit& Edit = EditOf(Target);
    SetEnabled(Edit.SelLength() > 0 && !Edit.ReadOnly());
}

void TEditCopy::ExecuteTarget(TObject* Target)
{
    EditOf(Target).CopyToClipboard();
}

void TEditCopy::UpdateTarget(TObject* Target)
{
    SetEnabled(EditOf(Target).SelLength() > 0);
}

void TEditPaste::ExecuteTarget(TObject* Target)
{
    EditOf(Target).PasteFromClipboard();
}

void TEditPaste::UpdateTarget(TObject* Target)
{
    SetEnabled(Clipboard()->HasFormat(CF_TEXT) && !EditOf(Target).ReadOnly());
}

void TEditSelectAll::ExecuteTarget(TObject* Target)
{
    EditOf(Target).SelectAll();
}

void TEditSelectAll::UpdateTarget(TObject* Target)
{
    SetEnabled(EditOf(Target).GetTextLen() > 0);
}

void TEditDelete::ExecuteTarget(TObject* Target)
{
    EditOf(Target).ClearSelection();
}

void TEditDelete::UpdateTarget(TObject* Target)
{
    const TCustomEdit& Edit = EditOf(Target);
    SetEnabled(Edit.SelLength() > 0 && !Edit.ReadOnly());
}

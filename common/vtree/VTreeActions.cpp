// The standard edit actions on a tree: the Edit menu's cut, copy, paste,
// delete and select all reach the focused tree through ExecuteAction.

#include "common/vtree/VTree.h"

#include "common/vtree/VTreePrivate.h"
#include "platform/forms/StdActns.h"

#include <string>

bool TBaseVirtualTree::ExecuteAction(TBasicAction* Action)
{
    if (inherited::ExecuteAction(Action))
        return true;
    if (Action->InheritsFrom(TEditSelectAll::StaticClass()))
        SelectAll(false);
    else if (Action->InheritsFrom(TEditCopy::StaticClass()))
        CopyToClipboard();
    else if (Action->InheritsFrom(TEditCut::StaticClass()))
        CutToClipboard();
    else if (Action->InheritsFrom(TEditPaste::StaticClass()))
        PasteFromClipboard();
    else if (Action->InheritsFrom(TEditDelete::StaticClass()))
        RemoveSelectedNodes();
    else
        return false;
    return true;
}

bool TBaseVirtualTree::UpdateAction(TBasicAction* Action)
{
    if (inherited::UpdateAction(Action))
        return true;
    auto* Edit = dynamic_cast<TEditAction*>(Action);
    if (!Edit)
        return false;
    const bool Writable = !FOptions->MiscOptions().Contains(toReadOnly);
    const bool AnySelected = FSelectionCount > 0;
    if (Action->InheritsFrom(TEditSelectAll::StaticClass())) {
        Edit->SetEnabled(FRoot->ChildCount > 0 &&
                         FOptions->SelectionOptions().Contains(toMultiSelect));
    } else if (Action->InheritsFrom(TEditCopy::StaticClass())) {
        Edit->SetEnabled(AnySelected);
    } else if (Action->InheritsFrom(TEditCut::StaticClass()) ||
               Action->InheritsFrom(TEditDelete::StaticClass())) {
        Edit->SetEnabled(AnySelected && Writable);
    } else if (Action->InheritsFrom(TEditPaste::StaticClass())) {
        std::string Bytes;
        Edit->SetEnabled(Writable && vtree_private::ClipboardBytes(CF_VIRTUALTREE(), Bytes));
    } else {
        return false;
    }
    return true;
}

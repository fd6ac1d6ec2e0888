// Event dispatchers: one protected virtual per host event. A dispatcher
// presets the event's flags, calls the handler when one is assigned and
// returns the flag's final value.

#include "common/vtree/VTree.h"

#include "platform/winapi/Windows.h"

#include <algorithm>

namespace {

constexpr UINT_PTR EditTimer = 2;
constexpr UINT_PTR ChangeTimerId = 5;

// The edit link is the host's; a handler that promises one and gives none
// is refused with the first of the tree's error codes.
constexpr int ErrNoEditLink = 2001;

}  // namespace

bool TBaseVirtualTree::CanEditNode(PVirtualNode Node, TColumnIndex Column)
{
    const TVTMiscOptions Misc = FOptions->MiscOptions();
    if (!Misc.Contains(toEditable) || Misc.Contains(toReadOnly) || !Enabled())
        return false;
    return DoCanEdit(Node, Column);
}

bool TBaseVirtualTree::CellIsEmpty(PVirtualNode Node, TColumnIndex Column)
{
    bool IsEmpty = true;
    OnGetCellIsEmpty(this, Node, Column, IsEmpty);
    return IsEmpty;
}

void TBaseVirtualTree::DoCancelEdit()
{
    KillTimerFor(EditTimer);
    ChangeState({}, {tsEditPending});
    if (FStates.Contains(tsEditing) && FEditLink && FEditLink->CancelEdit()) {
        ChangeState({}, {tsEditing});
        OnEditCancelled(this, FEditColumn);
        if (!Destroying())
            FEditLink.reset();
    }
}

bool TBaseVirtualTree::DoCanEdit(PVirtualNode Node, TColumnIndex Column)
{
    bool Allowed = true;
    OnEditing(this, Node, Column, Allowed);
    return Allowed;
}

void TBaseVirtualTree::DoChange(PVirtualNode Node)
{
    KillTimerFor(ChangeTimerId);
    OnChange(this, Node);
    FLastChangedNode = nullptr;
    ChangeState({}, {tsChangePending});
}

void TBaseVirtualTree::DoCheckClick(PVirtualNode Node, TCheckState NewState)
{
    if (ApplyCheckState(Node, NewState))
        DoChecked(Node);
}

void TBaseVirtualTree::DoChecked(PVirtualNode Node)
{
    OnChecked(this, Node);
}

bool TBaseVirtualTree::DoChecking(PVirtualNode Node, TCheckState& NewCheckState)
{
    bool Allowed = true;
    OnChecking(this, Node, NewCheckState, Allowed);
    return Allowed;
}

void TBaseVirtualTree::DoCollapsed(PVirtualNode Node)
{
    OnCollapsed(this, Node);
}

bool TBaseVirtualTree::DoCollapsing(PVirtualNode Node)
{
    bool Allowed = true;
    OnCollapsing(this, Node, Allowed);
    return Allowed;
}

int TBaseVirtualTree::DoCompare(PVirtualNode Node1, PVirtualNode Node2, TColumnIndex Column)
{
    int Result = 0;
    OnCompareNodes(this, Node1, Node2, Column, Result);
    return Result;
}

IVTEditLinkPtr TBaseVirtualTree::DoCreateEditor(PVirtualNode Node, TColumnIndex Column)
{
    IVTEditLinkPtr Result;
    if (!OnCreateEditor)
        return Result;
    OnCreateEditor(this, Node, Column, Result);
    if (!Result)
        RaiseTreeError("Edit link must not be nil.", ErrNoEditLink);
    return Result;
}

bool TBaseVirtualTree::DoDragAllowed(PVirtualNode Node, TColumnIndex Column)
{
    bool Allowed = false;
    OnDragAllowed(this, Node, Column, Allowed);
    return Allowed;
}

void TBaseVirtualTree::DoEdit()
{
    KillTimerFor(4);
    KillTimerFor(EditTimer);
    ChangeState({}, {tsEditPending});
    if (!FFocusedNode || FFocusedNode->Has(vsDisabled) ||
        FOptions->MiscOptions().Contains(toReadOnly) || FEditLink)
        return;
    FEditLink = DoCreateEditor(FFocusedNode, FEditColumn);
    if (!FEditLink)
        return;
    ChangeState({tsEditing},
                {tsToggleFocusedSelection, tsClearPending, tsDrawSelPending, tsDrawSelecting,
                 tsMouseCheckPending, tsOLEDragging, tsOLEDragPending, tsScrolling,
                 tsScrollPending});
    const TVTSelectionOptions Selection = FOptions->SelectionOptions();
    ScrollIntoView(FFocusedNode, Selection.Contains(toCenterScrollIntoView),
                   !FOptions->AutoOptions().Contains(toDisableAutoscrollOnEdit));
    if (FEditLink->PrepareEdit(this, FFocusedNode, FEditColumn)) {
        FEditLink->SetBounds(EditBounds());
        InvalidateNode(FFocusedNode);
        if (!FEditLink->BeginEdit())
            ChangeState({}, {tsEditing});
    } else {
        ChangeState({}, {tsEditing});
    }
    if (!FStates.Contains(tsEditing))
        FEditLink.reset();
}

bool TBaseVirtualTree::DoEndEdit()
{
    KillTimerFor(EditTimer);
    bool Result = false;
    if (FStates.Contains(tsEditing) && FEditLink) {
        Result = FEditLink->EndEdit();
        if (Result) {
            ChangeState({}, {tsEditing});
            FEditLink.reset();
            OnEdited(this, FFocusedNode, FEditColumn);
        }
    }
    ChangeState({}, {tsEditPending});
    return Result;
}

void TBaseVirtualTree::DoExpanded(PVirtualNode Node)
{
    OnExpanded(this, Node);
}

bool TBaseVirtualTree::DoExpanding(PVirtualNode Node)
{
    bool Allowed = true;
    OnExpanding(this, Node, Allowed);
    return Allowed;
}

void TBaseVirtualTree::DoFocusChange(PVirtualNode Node, TColumnIndex Column)
{
    OnFocusChanged(this, Node, Column);
}

bool TBaseVirtualTree::DoFocusChanging(PVirtualNode OldNode, PVirtualNode NewNode,
                                       TColumnIndex OldColumn, TColumnIndex NewColumn)
{
    bool Allowed = true;
    OnFocusChanging(this, OldNode, NewNode, OldColumn, NewColumn, Allowed);
    return Allowed;
}

void TBaseVirtualTree::DoFocusNode(PVirtualNode Node, bool Ask)
{
    if (EditingActive() && !FinishEditing())
        return;
    if (Node == FRoot)
        Node = nullptr;
    const TVTAutoOptions Auto = FOptions->AutoOptions();
    if (Node != FFocusedNode) {
        if (Ask && !DoFocusChanging(FFocusedNode, Node, FFocusedColumn, FFocusedColumn))
            return;
        if (FFocusedNode) {
            if (Auto.Contains(toAutoExpand) && FFocusedNode->Has(vsExpanded) && Node &&
                Node->Parent == FFocusedNode->Parent)
                ToggleNode(FFocusedNode);
            else
                InvalidateNode(FFocusedNode);
        }
        FFocusedNode = Node;
    }
    if (!FFocusedNode)
        return;
    if (FHeader->UseColumns() &&
        (FFocusedColumn < 0 || FFocusedColumn >= FHeader->ColumnCount()))
        FFocusedColumn = 0;
    if (Auto.Contains(toAutoExpand) && !FFocusedNode->Has(vsExpanded))
        ToggleNode(FFocusedNode);
    InvalidateNode(FFocusedNode);
    if (FUpdateCount == 0) {
        const bool MouseDown = FStates.Contains(tsLeftButtonDown) ||
                               FStates.Contains(tsMiddleButtonDown) ||
                               FStates.Contains(tsRightButtonDown);
        ScrollIntoView(FFocusedNode,
                       FOptions->SelectionOptions().Contains(toCenterScrollIntoView) && !MouseDown,
                       !Auto.Contains(toDisableAutoscrollOnFocus));
    }
}

void TBaseVirtualTree::DoFreeNode(PVirtualNode Node)
{
    if (Node == FHotNode)
        FHotNode = nullptr;
    if (Node->Has(vsInitialized) || Node->Has(vsDataAssigned))
        OnFreeNode(this, Node);
    // Nothing may keep naming a freed node: pending events report none.
    if (Node == FLastChangedNode)
        FLastChangedNode = nullptr;
    if (Node == FLastStructureChangeNode)
        FLastStructureChangeNode = nullptr;
    if (Node == FDropTargetNode)
        FDropTargetNode = nullptr;
    if (Node == FCheckNode)
        FCheckNode = nullptr;
    if (Node == FLastSearchNode)
        FLastSearchNode = nullptr;
    if (Node == FLastSelected)
        FLastSelected = nullptr;
    FreeNodeRecord(Node);
}

TPopupMenu* TBaseVirtualTree::DoGetPopupMenu(PVirtualNode Node, TColumnIndex Column,
                                             const TPoint& Position)
{
    TPopupMenu* Menu = nullptr;
    if (!OnGetPopupMenu)
        return nullptr;
    bool AskParent = true;
    if (!Node) {
        OnGetPopupMenu(this, nullptr, NoColumn, Position, AskParent, Menu);
        return Menu;
    }
    for (PVirtualNode Run = Node; Run != FRoot && !Menu && AskParent; Run = Run->Parent)
        OnGetPopupMenu(this, Run, Column, Position, AskParent, Menu);
    return Menu;
}

TCursor TBaseVirtualTree::DoGetCursor(TCursor Cursor)
{
    OnGetCursor(this, Cursor);
    return Cursor;
}

TCustomImageList* TBaseVirtualTree::DoGetImageIndex(PVirtualNode Node, TVTImageKind Kind,
                                                    TColumnIndex Column, bool& Ghosted,
                                                    int& Index)
{
    TCustomImageList* Result = nullptr;
    Index = -1;
    if (OnGetImageIndexEx)
        OnGetImageIndexEx(this, Node, Kind, Column, Ghosted, Index, Result);
    else
        OnGetImageIndex(this, Node, Kind, Column, Ghosted, Index);
    return Result;
}

void TBaseVirtualTree::DoHotChange(PVirtualNode Old, PVirtualNode New)
{
    OnHotChange(this, Old, New);
}

int TBaseVirtualTree::DoIncrementalSearch(PVirtualNode Node, const std::u16string& Text)
{
    int Result = 0;
    OnIncrementalSearch(this, Node, Text, Result);
    return Result;
}

bool TBaseVirtualTree::DoInitChildren(PVirtualNode Node, Cardinal& ChildCount)
{
    if (!OnInitChildren)
        return false;
    OnInitChildren(this, Node, ChildCount);
    return true;
}

void TBaseVirtualTree::DoInitNode(PVirtualNode Parent, PVirtualNode Node,
                                  TVirtualNodeInitStates& InitStates)
{
    OnInitNode(this, Parent, Node, InitStates);
}

bool TBaseVirtualTree::DoKeyAction(Word& CharCode, TShiftState& Shift)
{
    bool DoDefault = true;
    OnKeyAction(this, CharCode, Shift, DoDefault);
    return DoDefault;
}

void TBaseVirtualTree::DoLoadUserChunk(PVirtualNode Node, TStream* Stream)
{
    OnLoadNode(this, Node, Stream);
}

void TBaseVirtualTree::DoSaveUserChunk(PVirtualNode Node, TStream* Stream)
{
    OnSaveNode(this, Node, Stream);
}

void TBaseVirtualTree::DoMeasureItem(TCanvas* TargetCanvas, PVirtualNode Node, int& NodeHeight)
{
    OnMeasureItem(this, TargetCanvas, Node, NodeHeight);
}

void TBaseVirtualTree::DoNodeCopied(PVirtualNode Node)
{
    OnNodeCopied(this, Node);
}

bool TBaseVirtualTree::DoNodeCopying(PVirtualNode Node, PVirtualNode NewParent)
{
    bool Allowed = true;
    OnNodeCopying(this, Node, NewParent, Allowed);
    return Allowed;
}

void TBaseVirtualTree::DoNodeMoved(PVirtualNode Node)
{
    OnNodeMoved(this, Node);
}

bool TBaseVirtualTree::DoNodeMoving(PVirtualNode Node, PVirtualNode NewParent)
{
    bool Allowed = true;
    OnNodeMoving(this, Node, NewParent, Allowed);
    return Allowed;
}

void TBaseVirtualTree::DoReset(PVirtualNode Node)
{
    OnResetNode(this, Node);
}

void TBaseVirtualTree::DoScroll(int DeltaX, int DeltaY)
{
    UpdateEditBounds();
    OnScroll(this, DeltaX, DeltaY);
}

void TBaseVirtualTree::DoStateChange(TVirtualTreeStates& Enter, TVirtualTreeStates& Leave)
{
    OnStateChange(this, Enter, Leave);
}

void TBaseVirtualTree::DoStructureChange(PVirtualNode Node, TChangeReason Reason)
{
    OnStructureChange(this, Node, Reason);
}

int TBaseVirtualTree::GetNodeWidth(PVirtualNode, TColumnIndex, TCanvas*)
{
    return 0;
}

int TBaseVirtualTree::DetermineLineImage(PVirtualNode Node, TLineImage& LineImage)
{
    const TVTPaintOptions Paint = FOptions->PaintOptions();
    const bool ShowRoot = Paint.Contains(toShowRoot);
    const int Level = static_cast<int>(NodeLevel(Node));
    const int Count = Level + (ShowRoot ? 1 : 0);
    LineImage.assign(static_cast<size_t>(std::max(Count, 0)), ltNone);
    int Selected = 0;
    for (PVirtualNode Run = Node->Parent; Run != FRoot; Run = Run->Parent)
        if (Run->Has(vsSelected))
            ++Selected;
    if (!Paint.Contains(toShowTreeLines) || Count == 0)
        return Selected;
    auto HasVisibleNext = [this](PVirtualNode N) { return NextVisibleSiblingOfRaw(N) != nullptr; };
    // Entry I (from the end) belongs to the ancestor I levels up.
    PVirtualNode Run = Node;
    int I = Count - 1;
    if (Level > 0) {
        LineImage[I] = HasVisibleNext(Node) ? ltTopDownRight : ltTopRight;
        --I;
        Run = Node->Parent;
        while (Run->Parent != FRoot && I >= (ShowRoot ? 1 : 0)) {
            LineImage[I] = HasVisibleNext(Run) ? ltTopDown : ltNone;
            --I;
            Run = Run->Parent;
        }
    }
    if (ShowRoot) {
        if (Level > 0) {
            LineImage[0] = HasVisibleNext(Run) ? ltTopDown : ltNone;
        } else {
            const bool First = PreviousVisibleSiblingOfRaw(Node) == nullptr;
            const bool Last = !HasVisibleNext(Node);
            if (First && !Last)
                LineImage[0] = ltBottomRight;
            else if (First && Last)
                LineImage[0] = ltRight;
            else if (!First && !Last)
                LineImage[0] = ltTopDownRight;
            else
                LineImage[0] = ltTopRight;
        }
    }
    return Selected;
}

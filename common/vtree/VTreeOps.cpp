// Public node operations: update brackets, deletion, editing, expansion,
// navigation, geometry from node heights, sorting and moving.

#include "common/vtree/VTree.h"

#include "platform/forms/ImgList.h"
#include "platform/winapi/Windows.h"

#include <algorithm>
#include <cassert>

namespace {

constexpr UINT_PTR EditTimer = 2;

bool Shows(PVirtualNode Node)
{
    return Node->Has(vsVisible);
}

}  // namespace

// ---- invalidation ---------------------------------------------------------------------------

void TBaseVirtualTree::InvalidateTree(const TRect* R)
{
    if (FUpdateCount == 0 && HandleAllocated() && !Destroying())
        InvalidateRect(Handle(), R, false);
}

TRect TBaseVirtualTree::InvalidateNode(PVirtualNode Node)
{
    if (FUpdateCount > 0 || !HandleAllocated() || Destroying() || !Node || Node == FRoot)
        return TRect();
    const TRect R = NodeDisplayRect(Node, NoColumn, false);
    InvalidateRect(Handle(), &R, false);
    return R;
}

void TBaseVirtualTree::InvalidateToBottom(PVirtualNode Node)
{
    RepaintBelow(Node);
}

void TBaseVirtualTree::RepaintBelow(PVirtualNode Node)
{
    if (FUpdateCount > 0 || !HandleAllocated() || Destroying())
        return;
    if (!Node || Node == FRoot) {
        InvalidateTree();
        return;
    }
    if (!Node->Has(vsVisible) || !Node->Has(vsInitialized))
        return;
    TRect R = NodeDisplayRect(Node, NoColumn, false);
    if (R.Top < ClientHeight()) {
        R.Bottom = ClientHeight();
        R.Left = 0;
        R.Right = ClientWidth();
        InvalidateTree(&R);
    }
}

void TBaseVirtualTree::RepaintNode(PVirtualNode Node)
{
    if (!Node || Node == FRoot || !HandleAllocated())
        return;
    InvalidateNode(Node);
    Update();
}

// ---- update bracket -------------------------------------------------------------------------

void TBaseVirtualTree::SetUpdateState(bool)
{
    // The window layer switches painting off and on; the engine paints
    // nothing itself.
}

void TBaseVirtualTree::LockUpdates()
{
    if (!Destroying()) {
        if (FUpdateCount == 0) {
            FireUpdating(usBegin);
            SetUpdateState(true);
        } else {
            FireUpdating(usUpdate);
        }
    }
    ++FUpdateCount;
    ChangeState({tsUpdating}, {});
}

void TBaseVirtualTree::UnlockUpdates()
{
    if (FUpdateCount > 0)
        --FUpdateCount;
    if (Destroying())
        return;
    if (FUpdateCount == 0 && FStates.Contains(tsUpdating)) {
        if (FStates.Contains(tsUpdateHiddenChildrenNeeded)) {
            UpdateAllHiddenChildrenFlags();
            ChangeState({}, {tsUpdateHiddenChildrenNeeded});
        }
        ChangeState({}, {tsUpdating});
        PackSelection();
        StartCacheValidation();
        UpdateScrollBars(false);
        if (FStates.Contains(tsStructureChangePending))
            FireStructureChange(FLastStructureChangeNode, FLastStructureChangeReason);
        if (FStates.Contains(tsChangePending))
            DoChange(FLastChangedNode);
        if (FOptions->AutoOptions().Contains(toAutoSort))
            SortTree(FHeader->SortColumn(), FHeader->SortDirection(), true);
        SetUpdateState(false);
        InvalidateTree();
    }
    FireUpdating(FUpdateCount > 0 ? usUpdate : usEnd);
}

// ---- deletion -------------------------------------------------------------------------------

void TBaseVirtualTree::RemoveAll()
{
    if (FOptions->MiscOptions().Contains(toReadOnly) && !Destroying())
        return;
    LockUpdates();
    try {
        InterruptValidation();
        if (FStates.Contains(tsEditing) || FStates.Contains(tsEditPending))
            DoCancelEdit();
        ChangeState({}, {tsCopyPending, tsCutPending});
        UnselectAll();
        FFocusedNode = nullptr;
        FLastSelected = nullptr;
        FHotNode = nullptr;
        FDropTargetNode = nullptr;
        FLastChangedNode = nullptr;
        FRangeAnchor = nullptr;
        FCheckNode = nullptr;
        FLastSearchNode = nullptr;
        RemoveChildren(FRoot, true);
        FVisibleCount = 0;
        FOffsetX = 0;
        FOffsetY = 0;
    } catch (...) {
        UnlockUpdates();
        throw;
    }
    UnlockUpdates();
}

void TBaseVirtualTree::DeleteChildNode(PVirtualNode Child, bool ParentVisible)
{
    Child->Include(vsDeleting);
    if (Child->ChildCount > 0)
        RemoveChildren(Child, false);
    if (Child->Has(vsSelected)) {
        // Inside the bracket of RemoveChildren: packed when it closes.
        DropFromSelection(Child);
    }
    // Focus and anchor leave the node; the structure stays to the caller.
    UnlinkNode(Child, false, false);
    if (ParentVisible && Child->Has(vsVisible))
        --FVisibleCount;
    DoFreeNode(Child);
}

void TBaseVirtualTree::RemoveChildren(PVirtualNode Node, bool ResetHasChildren)
{
    if (!Node)
        Node = FRoot;
    if (Node->ChildCount == 0 && !Node->FirstChild)
        return;
    if (FOptions->MiscOptions().Contains(toReadOnly))
        return;
    assert(!FStates.Contains(tsIterating) &&
           "Deleting nodes during tree iteration leads to invalid pointers.");
    ++FUpdateCount;
    InterruptValidation();
    const bool ParentVisible =
        Node == FRoot || (Node->Has(vsExpanded) && IsFullyVisible(Node));
    Node->Include(vsClearing);
    try {
        while (PVirtualNode Child = Node->LastChild) {
            Node->LastChild = Child->PrevSibling;
            if (Node->LastChild)
                Node->LastChild->NextSibling = nullptr;
            else
                Node->FirstChild = nullptr;
            DeleteChildNode(Child, ParentVisible);
        }
    } catch (...) {
        // A host handler failed part way: the rest of the children stay,
        // with the counts of what is left.
        Node->Exclude(vsClearing);
        --FUpdateCount;
        throw;
    }
    Node->Exclude(vsClearing);
    if (ResetHasChildren)
        Node->Exclude(vsHasChildren);
    if (Node != FRoot)
        Node->Exclude(vsExpanded);
    Node->ChildCount = 0;
    if (Node != FRoot && !Node->Has(vsDeleting)) {
        ShiftTotalHeight(Node, Node->NodeHeight, false);
        ShiftTotalCount(Node, 1, false);
    } else {
        // An empty root is as high as its own (never shown) row, so a
        // cleared tree keeps no scroll range.
        Node->TotalHeight = Node->NodeHeight;
        Node->TotalCount = 1;
    }
    Node->FirstChild = nullptr;
    Node->LastChild = nullptr;
    --FUpdateCount;
    InvalidatePositionCache();
    if (FUpdateCount == 0) {
        PackSelection();
        StartCacheValidation();
        UpdateScrollBars(true);
        InvalidateTree();
    }
    // A node about to be freed is not reported.
    if (!Node->Has(vsDeleting))
        StructureModified(Node == FRoot ? nullptr : Node, crChildDeleted);
}

void TBaseVirtualTree::RemoveNode(PVirtualNode Node, bool Reindex)
{
    if (!Node || Node == FRoot || FOptions->MiscOptions().Contains(toReadOnly))
        return;
    assert(!FStates.Contains(tsIterating) &&
           "Deleting nodes during tree iteration leads to invalid pointers.");
    PVirtualNode Parent = Node->Parent;
    const bool ParentClearing = Parent->Has(vsClearing);
    if (!ParentClearing)
        StructureModified(Parent == FRoot ? nullptr : Parent, crChildDeleted);
    const int OldX = FOffsetX;
    const int OldY = FOffsetY;
    if (Node->Has(vsSelected)) {
        if (FUpdateCount == 0) {
            // No delayed change event may name the node once it is gone.
            ChangeState({tsSynchMode}, {});
            try {
                RemoveSelected(Node);
            } catch (...) {
                ChangeState({}, {tsSynchMode});
                throw;
            }
            ChangeState({}, {tsSynchMode});
        } else {
            DropFromSelection(Node);
        }
    }
    RepaintBelow(Parent);
    ChangeState({}, {tsHint});
    if (Node->ChildCount > 0)
        RemoveChildren(Node, false);
    UnlinkNode(Node, false, Reindex);
    DoFreeNode(Node);
    if (ParentClearing)
        return;
    if (Parent != FRoot)
        UpdateHiddenChildrenFlag(Parent);
    InvalidatePositionCache();
    if (FUpdateCount == 0) {
        StartCacheValidation();
        UpdateScrollBars(true);
        if (OldX != FOffsetX || OldY != FOffsetY)
            InvalidateTree();
    }
}

void TBaseVirtualTree::RemoveSelectedNodes()
{
    if (FSelectionCount == 0 || FOptions->MiscOptions().Contains(toReadOnly))
        return;
    LockUpdates();
    try {
        const TNodeArray Nodes = SelectedNodesInOrder(true);
        for (size_t I = Nodes.size(); I-- > 0;) {
            const bool Reindex = I == 0 || Nodes[I]->Parent != Nodes[I - 1]->Parent;
            RemoveNode(Nodes[I], Reindex);
        }
    } catch (...) {
        UnlockUpdates();
        throw;
    }
    UnlockUpdates();
}

void TBaseVirtualTree::RemoveCutNodes()
{
    if (!FStates.Contains(tsCutPending))
        return;
    PVirtualNode Run = FirstNodeRaw();
    while (Run) {
        if (Run->Has(vsCutOrCopy)) {
            PVirtualNode Next = NodeAfterSubtree(Run);
            RemoveNode(Run);
            Run = Next;
        } else {
            Run = NextNodeRaw(Run);
        }
    }
    ChangeState({}, {tsCutPending});
}

// ---- editing --------------------------------------------------------------------------------

bool TBaseVirtualTree::StartEditing(PVirtualNode Node, TColumnIndex Column)
{
    assert(Node && "Node must not be nil.");
    assert(Column > InvalidColumn && Column < std::max(FHeader->ColumnCount(), 0) + (Column < 0) &&
           "Column must be a valid column index (-1 if no header is shown).");
    if (FStates.Contains(tsEditing) || FOptions->MiscOptions().Contains(toReadOnly))
        return EditingActive();
    DoFocusNode(Node, true);
    if (FFocusedNode == Node && CanEditNode(Node, Column)) {
        FEditColumn = Column;
        if (!Node->Has(vsInitialized))
            InitializeNode(Node);
        DoEdit();
    }
    return EditingActive();
}

bool TBaseVirtualTree::FinishEditing()
{
    if (FStates.Contains(tsEditing) || FStates.Contains(tsEditPending))
        return DoEndEdit();
    return true;
}

bool TBaseVirtualTree::AbortEditing()
{
    if ((FStates.Contains(tsEditing) || FStates.Contains(tsEditPending)) && HandleAllocated()) {
        DoCancelEdit();
        return !FStates.Contains(tsEditing);
    }
    return true;
}

bool TBaseVirtualTree::RubberBandActive() const
{
    return FStates.Contains(tsDrawSelPending) || FStates.Contains(tsDrawSelecting);
}

bool TBaseVirtualTree::DragActive() const
{
    return FStates.Contains(tsOLEDragPending) || FStates.Contains(tsOLEDragging) ||
           FStates.Contains(tsVCLDragging);
}

// ---- expansion ------------------------------------------------------------------------------

void TBaseVirtualTree::ToggleNode(PVirtualNode Node)
{
    assert(Node && "Node must not be nil.");
    if (Node == FRoot || Node->Has(vsToggling) || Node->Has(vsDeleting))
        return;
    Node->Include(vsToggling);
    bool Changed = false;
    try {
        if (!Node->Has(vsExpanded)) {
            if (DoExpanding(Node)) {
                if (!Node->Has(vsInitialized))
                    InitializeNode(Node);
                if (Node->Has(vsHasChildren) && Node->ChildCount == 0)
                    InitializeChildren(Node);
                if (!Node->Has(vsExpanded)) {
                    int64_t Sum = 0;
                    for (PVirtualNode Run = Node->FirstChild; Run; Run = Run->NextSibling)
                        if (Shows(Run))
                            Sum += Run->TotalHeight;
                    AnimateToggle(Node, true, Sum);
                    Node->Include(vsExpanded);
                    ShiftTotalHeight(Node, Node->NodeHeight + Sum, false);
                    // The rows below count only when the node's own row is
                    // shown.
                    if (IsFullyVisible(Node))
                        FVisibleCount += CountVisibleChildren(Node);
                    DoExpanded(Node);
                    Changed = true;
                }
            }
        } else if (DoCollapsing(Node)) {
            AnimateToggle(Node, false, static_cast<int64_t>(Node->TotalHeight) - Node->NodeHeight);
            if (IsFullyVisible(Node))
                FVisibleCount -= CountVisibleChildren(Node);
            Node->Exclude(vsExpanded);
            ShiftTotalHeight(Node, Node->NodeHeight, false);
            DoCollapsed(Node);
            if (FOptions->AutoOptions().Contains(toAutoFreeOnCollapse)) {
                RemoveChildren(Node, false);
                Node->Include(vsHasChildren);
            }
            Changed = true;
        }
        if (Changed) {
            InvalidatePositionCache();
            if (FUpdateCount == 0) {
                UpdateScrollBars(true);
                if (Node->Has(vsExpanded) && HandleAllocated() &&
                    FOptions->AutoOptions().Contains(toAutoScrollOnExpand)) {
                    if (Node->TotalHeight > static_cast<Cardinal>(std::max(ClientHeight(), 0)))
                        ScrollIntoView(Node, false);
                    else if (PVirtualNode Last = LastVisibleNodeRaw(Node))
                        ScrollIntoView(Last, false);
                }
                RepaintBelow(Node);
            }
        }
    } catch (...) {
        Node->Exclude(vsToggling);
        throw;
    }
    Node->Exclude(vsToggling);
}

void TBaseVirtualTree::ExpandAll(PVirtualNode Node)
{
    if (FRoot->TotalCount <= 1)
        return;
    if (Node == FRoot)
        Node = nullptr;
    ChangeState({tsExpanding}, {});
    LockUpdates();
    try {
        PVirtualNode Stop = Node ? NodeAfterSubtree(Node) : nullptr;
        PVirtualNode Run = Node ? Node : FRoot->FirstChild;
        if (Run && !Run->Has(vsInitialized))
            InitializeNode(Run);
        while (Run && Run != Stop) {
            // Leaves have nothing to show; only nodes with children open.
            if (!Run->Has(vsExpanded) && Run->Has(vsHasChildren))
                ToggleNode(Run);
            Run = NextNode(Run);
        }
    } catch (...) {
        UnlockUpdates();
        ChangeState({}, {tsExpanding});
        throw;
    }
    UnlockUpdates();
    ChangeState({}, {tsExpanding});
}

void TBaseVirtualTree::CollapseAll(PVirtualNode Node)
{
    if (FRoot->TotalCount <= 1)
        return;
    if (Node == FRoot)
        Node = nullptr;
    ChangeState({tsCollapsing}, {});
    LockUpdates();
    try {
        PVirtualNode Run = LastVisibleNodeRaw(Node);
        while (Run && Run != Node) {
            if (Run->ChildCount > 0 && Run->Has(vsExpanded))
                ToggleNode(Run);
            Run = PreviousNodeRaw(Run);
        }
        if (Node && Node->ChildCount > 0 && Node->Has(vsExpanded))
            ToggleNode(Node);
    } catch (...) {
        UnlockUpdates();
        ChangeState({}, {tsCollapsing});
        throw;
    }
    UnlockUpdates();
    ChangeState({}, {tsCollapsing});
}

void TBaseVirtualTree::InitRecursive(PVirtualNode Node, bool Recursive)
{
    if (!Node)
        Node = FRoot;
    if (!Node->Has(vsInitialized))
        InitializeNode(Node);
    if (!Recursive)
        return;
    if (Node->Has(vsHasChildren) && Node->ChildCount == 0)
        InitializeChildren(Node);
    for (PVirtualNode Run = Node->FirstChild; Run; Run = Run->NextSibling)
        InitRecursive(Run, true);
}

void TBaseVirtualTree::ReinitChildren(PVirtualNode Node, bool Recursive)
{
    if (!Node)
        Node = FRoot;
    if (!Node->Has(vsHasChildren))
        return;
    InitializeChildren(Node);
    for (PVirtualNode Run = Node->FirstChild; Run; Run = Run->NextSibling)
        ReinitNode(Run, Recursive);
}

void TBaseVirtualTree::ReinitNode(PVirtualNode Node, bool Recursive)
{
    if (!Node || Node == FRoot)
        return;
    Node->States &= 0xDFE9;
    InitializeNode(Node);
    if (Recursive)
        ReinitChildren(Node, true);
}

void TBaseVirtualTree::ResetNode(PVirtualNode Node)
{
    if (FStates.Contains(tsEditing) || FStates.Contains(tsEditPending))
        DoCancelEdit();
    if (!Node || Node == FRoot) {
        RemoveAll();
        return;
    }
    DoReset(Node);
    RemoveChildren(Node, false);
    Node->States &= 0xDF88;
    InvalidateNode(Node);
}

// ---- sorting --------------------------------------------------------------------------------

namespace {

// Top-down merge sort: the first N div 2 and the rest, each sorted, then
// merged; the second half's node goes first only when it compares strictly
// before the first half's, so equal nodes keep their order.
template <class Before>
void MergeSort(PVirtualNode* Items, PVirtualNode* Buffer, size_t Count, Before& TakeSecond)
{
    if (Count < 2)
        return;
    const size_t Half = Count / 2;
    MergeSort(Items, Buffer, Half, TakeSecond);
    MergeSort(Items + Half, Buffer, Count - Half, TakeSecond);
    std::copy(Items, Items + Half, Buffer);
    size_t I = 0, J = Half, K = 0;
    // The host compares what the nodes hold: fetching the next candidates'
    // records ahead hides most of the wait for them on large lists.
    auto Ahead = [](PVirtualNode Node) {
        __builtin_prefetch(Node);
        __builtin_prefetch(reinterpret_cast<const char*>(Node) + sizeof(TVirtualNode));
    };
    while (I < Half && J < Count) {
        if (TakeSecond(Buffer[I], Items[J])) {
            Items[K++] = Items[J++];
            if (J + 1 < Count)
                Ahead(Items[J + 1]);
        } else {
            Items[K++] = Buffer[I++];
            if (I + 1 < Half)
                Ahead(Buffer[I + 1]);
        }
    }
    while (I < Half)
        Items[K++] = Buffer[I++];
}

}  // namespace

void TBaseVirtualTree::SortChildren(PVirtualNode Node, TColumnIndex Column,
                                    TSortDirection Direction)
{
    std::vector<PVirtualNode> Items;
    Items.reserve(Node->ChildCount);
    for (PVirtualNode Run = Node->FirstChild; Run; Run = Run->NextSibling)
        Items.push_back(Run);
    std::vector<PVirtualNode> Buffer(Items.size() / 2 + 1);
    auto TakeSecond = [&](PVirtualNode First, PVirtualNode Second) {
        const int Result = DoCompare(First, Second, Column);
        return Direction == sdAscending ? Result > 0 : Result < 0;
    };
    MergeSort(Items.data(), Buffer.data(), Items.size(), TakeSecond);
    PVirtualNode Previous = nullptr;
    Cardinal Index = 0;
    for (PVirtualNode Run : Items) {
        Run->Index = Index++;
        Run->PrevSibling = Previous;
        if (Previous)
            Previous->NextSibling = Run;
        Previous = Run;
    }
    Node->FirstChild = Items.front();
    Node->LastChild = Items.back();
    Node->LastChild->NextSibling = nullptr;
    InvalidatePositionCache();
}

void TBaseVirtualTree::Sort(PVirtualNode Node, TColumnIndex Column, TSortDirection Direction,
                            bool DoInit)
{
    InterruptValidation();
    if (FStates.Contains(tsEditPending)) {
        KillTimerFor(EditTimer);
        ChangeState({}, {tsEditPending});
    }
    if (FStates.Contains(tsEditing) && !DoEndEdit())
        return;
    if (!Node)
        Node = FRoot;
    if (!Node->Has(vsHasChildren))
        return;
    if (DoInit) {
        if (Node->ChildCount == 0)
            InitializeChildren(Node);
        for (PVirtualNode Run = Node->FirstChild; Run; Run = Run->NextSibling)
            if (!Run->Has(vsInitialized))
                InitializeNode(Run);
    }
    if (Node->ChildCount > 1) {
        SortChildren(Node, Column, Direction);
        if (FUpdateCount == 0)
            InvalidateTree();
    }
}

void TBaseVirtualTree::SortRecursive(PVirtualNode Node, TColumnIndex Column,
                                     TSortDirection Direction, bool DoInit)
{
    Sort(Node, Column, Direction, DoInit);
    for (PVirtualNode Run = Node->FirstChild; Run; Run = Run->NextSibling) {
        if (DoInit && !Run->Has(vsInitialized))
            InitializeNode(Run);
        if (Run->Has(vsInitialized) && Run->Has(vsHasChildren))
            SortRecursive(Run, Column, Direction, DoInit);
    }
}

void TBaseVirtualTree::SortTree(TColumnIndex Column, TSortDirection Direction, bool DoInit)
{
    ++FUpdateCount;
    try {
        if (Column > InvalidColumn)
            SortRecursive(FRoot, Column, Direction, DoInit);
    } catch (...) {
        --FUpdateCount;
        throw;
    }
    --FUpdateCount;
    InvalidatePositionCache();
    if (FUpdateCount == 0)
        InvalidateTree();
}

// ---- moving ---------------------------------------------------------------------------------

TVTNodeAttachMode TBaseVirtualTree::AttachModeAtRoot(TVTNodeAttachMode Mode)
{
    if (Mode == amInsertBefore)
        return amAddChildFirst;
    if (Mode == amInsertAfter)
        return amAddChildLast;
    return Mode;
}

void TBaseVirtualTree::MoveTo(PVirtualNode Source, PVirtualNode Target, TVTNodeAttachMode Mode,
                              bool ChildrenOnly)
{
    assert((!Source || OwnerTreeOfNode(Source) == this) &&
           "The source tree must contain the source node.");
    if (Mode == amNoWhere || !Source || Source == FRoot ||
        FOptions->MiscOptions().Contains(toReadOnly))
        return;
    if (Source == Target &&
        !(ChildrenOnly && (Mode == amInsertBefore || Mode == amInsertAfter)))
        return;
    TBaseVirtualTree* TargetTree = Target ? OwnerTreeOfNode(Target) : this;
    if (!Target) {
        Target = TargetTree->FRoot;
        Mode = amAddChildFirst;
    }
    if (Target == TargetTree->FRoot)
        Mode = AttachModeAtRoot(Mode);
    if (!Target->Has(vsInitialized))
        TargetTree->InitializeNode(Target);
    if (Target->Has(vsHasChildren) && Target->ChildCount == 0)
        TargetTree->InitializeChildren(Target);
    PVirtualNode AskTarget = Target == TargetTree->FRoot ? nullptr : Target;
    bool Moved = false;
    if (TargetTree == this) {
        if (DoNodeMoving(Source, AskTarget)) {
            if (IsDescendantOf(Target, Source))
                RaiseTreeError("Target node cannot be a child node of the node to be moved.",
                               2001);
            if (!ChildrenOnly) {
                UnlinkNode(Source, true, true);
                LinkNode(Source, Target, Mode);
                DoNodeMoved(Source);
            } else {
                // Children keep their order: modes that put each node before
                // the previous one take them from the last.
                const bool Backwards = Mode == amAddChildFirst || Mode == amInsertAfter;
                PVirtualNode Run = Backwards ? Source->LastChild : Source->FirstChild;
                while (Run) {
                    PVirtualNode Next = Backwards ? Run->PrevSibling : Run->NextSibling;
                    UnlinkNode(Run, true, true);
                    LinkNode(Run, Target, Mode);
                    DoNodeMoved(Run);
                    Run = Next;
                }
            }
            Moved = true;
        }
    } else if (DoNodeMoving(Source, AskTarget)) {
        TMemoryStream Stream;
        TNodeArray Nodes;
        if (ChildrenOnly) {
            for (PVirtualNode Run = Source->FirstChild; Run; Run = Run->NextSibling)
                Nodes.push_back(Run);
        } else {
            Nodes.push_back(Source);
        }
        WriteNodeChunks(&Stream, Nodes);
        Stream.SetPosition(0);
        TargetTree->LockUpdates();
        try {
            PVirtualNode Previous = nullptr;
            while (Stream.Position() < Stream.Size()) {
                PVirtualNode Node = TargetTree->NewNodeRecord();
                // Each node after the first goes behind the one before it,
                // so the moved nodes keep their order.
                if (Previous && (Mode == amInsertAfter || Mode == amAddChildFirst))
                    TargetTree->LinkNode(Node, Previous, amInsertAfter);
                else
                    TargetTree->LinkNode(Node, Target, Mode);
                TargetTree->LoadNodeFromStream(&Stream, 2, Node);
                DoNodeMoved(Node);
                Previous = Node;
            }
        } catch (...) {
            TargetTree->UnlockUpdates();
            throw;
        }
        TargetTree->UnlockUpdates();
        LockUpdates();
        try {
            if (ChildrenOnly)
                RemoveChildren(Source, false);
            else
                RemoveNode(Source);
        } catch (...) {
            UnlockUpdates();
            throw;
        }
        UnlockUpdates();
        Moved = true;
    }
    InvalidatePositionCache();
    if (FUpdateCount == 0 && Moved) {
        UpdateScrollBars(true);
        InvalidateTree();
        if (TargetTree != this)
            TargetTree->InvalidateTree();
    }
    if (Moved)
        StructureModified(TargetTree == this || ChildrenOnly ? Source : nullptr, crNodeMoved);
}

// ---- navigation -----------------------------------------------------------------------------

PVirtualNode TBaseVirtualTree::Initialised(PVirtualNode Node)
{
    if (Node && !Node->Has(vsInitialized))
        InitializeNode(Node);
    return Node;
}

PVirtualNode TBaseVirtualTree::NodeAfterSubtree(PVirtualNode Node) const
{
    for (PVirtualNode Run = Node; Run && Run != FRoot; Run = Run->Parent)
        if (Run->NextSibling)
            return Run->NextSibling;
    return nullptr;
}

PVirtualNode TBaseVirtualTree::FirstNode()
{
    return Initialised(FRoot->FirstChild);
}

PVirtualNode TBaseVirtualTree::FirstNodeRaw() const
{
    return FRoot->FirstChild;
}

PVirtualNode TBaseVirtualTree::FirstInitializedNode()
{
    PVirtualNode Run = FirstNodeRaw();
    while (Run && !Run->Has(vsInitialized))
        Run = NextNodeRaw(Run);
    return Run;
}

PVirtualNode TBaseVirtualTree::NextInitializedNode(PVirtualNode Node)
{
    PVirtualNode Run = NextNodeRaw(Node);
    while (Run && !Run->Has(vsInitialized))
        Run = NextNodeRaw(Run);
    return Run;
}

PVirtualNode TBaseVirtualTree::FirstChildOf(PVirtualNode Node)
{
    if (!Node)
        Node = FRoot;
    if (Node->Has(vsHasChildren) && Node->ChildCount == 0)
        InitializeChildren(Node);
    return Initialised(Node->FirstChild);
}

PVirtualNode TBaseVirtualTree::FirstVisibleChildOf(PVirtualNode Node)
{
    if (!Node)
        Node = FRoot;
    if (Node->Has(vsHasChildren) && Node->ChildCount == 0)
        InitializeChildren(Node);
    PVirtualNode Run = Node->FirstChild;
    while (Run && !Shows(Run))
        Run = Run->NextSibling;
    return Initialised(Run);
}

PVirtualNode TBaseVirtualTree::FirstVisibleNode()
{
    return FirstVisibleChildOf(FRoot);
}

PVirtualNode TBaseVirtualTree::FirstVisibleNodeRaw() const
{
    PVirtualNode Run = FRoot->FirstChild;
    while (Run && !Shows(Run))
        Run = Run->NextSibling;
    return Run;
}

PVirtualNode TBaseVirtualTree::LastChildOf(PVirtualNode Node)
{
    if (!Node)
        Node = FRoot;
    if (Node->Has(vsHasChildren) && Node->ChildCount == 0)
        InitializeChildren(Node);
    return Initialised(Node->LastChild);
}

PVirtualNode TBaseVirtualTree::LastChildOfRaw(PVirtualNode Node) const
{
    if (!Node)
        Node = FRoot;
    return Node->Has(vsHasChildren) ? Node->LastChild : nullptr;
}

PVirtualNode TBaseVirtualTree::LastNode(PVirtualNode Node)
{
    PVirtualNode Result = nullptr;
    for (PVirtualNode Next = LastChildOf(Node); Next; Next = LastChildOf(Next))
        Result = Next;
    return Result;
}

PVirtualNode TBaseVirtualTree::LastNodeRaw(PVirtualNode Node) const
{
    PVirtualNode Result = nullptr;
    for (PVirtualNode Next = (Node ? Node : FRoot)->LastChild; Next; Next = Next->LastChild)
        Result = Next;
    return Result;
}

PVirtualNode TBaseVirtualTree::LastVisibleChildOfRaw(PVirtualNode Node) const
{
    if (!Node)
        Node = FRoot;
    if (!Node->Has(vsExpanded) || !IsFullyVisible(Node))
        return nullptr;
    PVirtualNode Run = Node->LastChild;
    while (Run && !Shows(Run))
        Run = Run->PrevSibling;
    return Run;
}

PVirtualNode TBaseVirtualTree::LastVisibleChildOf(PVirtualNode Node)
{
    if (!Node)
        Node = FRoot;
    if (!Node->Has(vsExpanded) || !IsFullyVisible(Node))
        return nullptr;
    if (Node->Has(vsHasChildren) && Node->ChildCount == 0)
        InitializeChildren(Node);
    return Initialised(LastVisibleChildOfRaw(Node));
}

PVirtualNode TBaseVirtualTree::LastVisibleNodeRaw(PVirtualNode Node) const
{
    PVirtualNode Result = nullptr;
    for (PVirtualNode Next = LastVisibleChildOfRaw(Node); Next; Next = LastVisibleChildOfRaw(Next))
        Result = Next;
    return Result;
}

PVirtualNode TBaseVirtualTree::LastVisibleNode(PVirtualNode Node)
{
    PVirtualNode Result = nullptr;
    for (PVirtualNode Next = LastVisibleChildOf(Node); Next; Next = LastVisibleChildOf(Next))
        Result = Next;
    return Result;
}

PVirtualNode TBaseVirtualTree::NextNodeRaw(PVirtualNode Node) const
{
    if (Node->FirstChild)
        return Node->FirstChild;
    return NodeAfterSubtree(Node);
}

PVirtualNode TBaseVirtualTree::NextNode(PVirtualNode Node)
{
    if (Node->Has(vsHasChildren) && Node->ChildCount == 0)
        InitializeChildren(Node);
    return Initialised(NextNodeRaw(Node));
}

PVirtualNode TBaseVirtualTree::NextSiblingOf(PVirtualNode Node)
{
    return Initialised(Node->NextSibling);
}

PVirtualNode TBaseVirtualTree::PreviousSiblingOf(PVirtualNode Node)
{
    return Initialised(Node->PrevSibling);
}

PVirtualNode TBaseVirtualTree::NextVisibleSiblingOfRaw(PVirtualNode Node) const
{
    assert(Node && Node != FRoot && "Invalid parameter.");
    PVirtualNode Run = Node->NextSibling;
    while (Run && !Shows(Run))
        Run = Run->NextSibling;
    return Run;
}

PVirtualNode TBaseVirtualTree::NextVisibleSiblingOf(PVirtualNode Node)
{
    return Initialised(NextVisibleSiblingOfRaw(Node));
}

PVirtualNode TBaseVirtualTree::PreviousVisibleSiblingOfRaw(PVirtualNode Node) const
{
    assert(Node && Node != FRoot && "Invalid parameter.");
    PVirtualNode Run = Node->PrevSibling;
    while (Run && !Shows(Run))
        Run = Run->PrevSibling;
    return Run;
}

PVirtualNode TBaseVirtualTree::PreviousVisibleSiblingOf(PVirtualNode Node)
{
    return Initialised(PreviousVisibleSiblingOfRaw(Node));
}

PVirtualNode TBaseVirtualTree::PreviousNodeRaw(PVirtualNode Node) const
{
    if (PVirtualNode Previous = Node->PrevSibling) {
        while (Previous->LastChild)
            Previous = Previous->LastChild;
        return Previous;
    }
    return Node->Parent == FRoot ? nullptr : Node->Parent;
}

PVirtualNode TBaseVirtualTree::PreviousNode(PVirtualNode Node)
{
    if (PVirtualNode Previous = PreviousSiblingOf(Node)) {
        for (PVirtualNode Last = LastChildOf(Previous); Last; Last = LastChildOf(Last))
            Previous = Last;
        return Previous;
    }
    return Node->Parent == FRoot ? nullptr : Initialised(Node->Parent);
}

PVirtualNode TBaseVirtualTree::HiddenSubtreeTop(PVirtualNode Node) const
{
    // The highest node on Node's path whose whole subtree is out of view:
    // a hidden node, or a node below a collapsed parent (then the parent,
    // whose row may still show, ends the hidden part).
    PVirtualNode Result = Node;
    for (PVirtualNode Run = Node; Run != FRoot; Run = Run->Parent) {
        if (!Run->Has(vsVisible))
            Result = Run;
        if (Run->Parent != FRoot && !Run->Parent->Has(vsExpanded))
            Result = Run->Parent;
    }
    return Result;
}

PVirtualNode TBaseVirtualTree::StepVisible(PVirtualNode Node, bool Forward, bool Init)
{
    assert(Node && Node != FRoot && "Invalid parameter.");
    PVirtualNode Top = HiddenSubtreeTop(Node);
    const bool Shown = IsFullyVisible(Top);
    if (Forward) {
        if (Top == Node && Shown && Node->Has(vsExpanded)) {
            if (Init && Node->Has(vsHasChildren) && Node->ChildCount == 0)
                InitializeChildren(Node);
            PVirtualNode Child = Node->FirstChild;
            while (Child && !Shows(Child))
                Child = Child->NextSibling;
            if (Child)
                return Init ? Initialised(Child) : Child;
        }
        for (PVirtualNode Run = Top; Run != FRoot; Run = Run->Parent)
            if (PVirtualNode Sibling = NextVisibleSiblingOfRaw(Run))
                return Init ? Initialised(Sibling) : Sibling;
        return nullptr;
    }
    // The row before a hidden part is the shown node that ends it.
    if (Top != Node && Shown)
        return Init ? Initialised(Top) : Top;
    if (PVirtualNode Sibling = PreviousVisibleSiblingOfRaw(Top)) {
        PVirtualNode Last = Sibling;
        while (PVirtualNode Deeper = LastVisibleChildOfRaw(Last))
            Last = Deeper;
        return Init ? Initialised(Last) : Last;
    }
    PVirtualNode Parent = Top->Parent;
    if (Parent == FRoot)
        return nullptr;
    return Init ? Initialised(Parent) : Parent;
}

PVirtualNode TBaseVirtualTree::NextVisibleNode(PVirtualNode Node)
{
    return StepVisible(Node, true, true);
}

PVirtualNode TBaseVirtualTree::NextVisibleNodeRaw(PVirtualNode Node) const
{
    return const_cast<TBaseVirtualTree*>(this)->StepVisible(Node, true, false);
}

PVirtualNode TBaseVirtualTree::PreviousVisibleNode(PVirtualNode Node)
{
    return StepVisible(Node, false, true);
}

PVirtualNode TBaseVirtualTree::PreviousVisibleNodeRaw(PVirtualNode Node) const
{
    return const_cast<TBaseVirtualTree*>(this)->StepVisible(Node, false, false);
}

bool TBaseVirtualTree::IsDescendantOf(PVirtualNode Node, PVirtualNode PotentialParent) const
{
    if (!Node || !PotentialParent || Node == PotentialParent || Node == FRoot)
        return false;
    for (PVirtualNode Run = Node->Parent; Run != FRoot; Run = Run->Parent)
        if (Run == PotentialParent)
            return true;
    return false;
}

PVirtualNode TBaseVirtualTree::VisibleAncestor(PVirtualNode Node) const
{
    assert(Node && "Node must not be nil.");
    PVirtualNode Run = Node->Parent;
    while (Run != FRoot && !(Run->Has(vsExpanded) && IsFullyVisible(Run)))
        Run = Run->Parent;
    return Run;
}

// ---- geometry -------------------------------------------------------------------------------

PVirtualNode TBaseVirtualTree::NodeAtPosition(int, int Y, bool Relative, int& NodeTopOut)
{
    ValidateCache();
    int64_t Position = std::max(Y, 0);
    if (Relative)
        Position -= FOffsetY;
    int64_t CurrentTop = 0;
    PVirtualNode Run = nullptr;
    if (FStates.Contains(tsUseCache) && !FPositionCache.empty() && Position >= 0) {
        Cardinal Top = 0;
        Run = FindCacheEntryByPosition(static_cast<Cardinal>(Position), Top);
        CurrentTop = Top;
    }
    if (!Run)
        Run = FirstVisibleNodeRaw();
    while (Run) {
        if (!Shows(Run) || CurrentTop + Run->TotalHeight <= Position) {
            if (Shows(Run))
                CurrentTop += Run->TotalHeight;
            // The next sibling, or the next one of the nearest ancestor.
            while (Run && !Run->NextSibling) {
                Run = Run->Parent;
                if (Run == FRoot)
                    Run = nullptr;
            }
            if (Run)
                Run = Run->NextSibling;
            continue;
        }
        if (Position < CurrentTop + Run->NodeHeight || !Run->FirstChild ||
            !Run->Has(vsExpanded))
            break;
        CurrentTop += Run->NodeHeight;
        Run = Run->FirstChild;
    }
    NodeTopOut = static_cast<int>(CurrentTop + (Relative ? FOffsetY : 0));
    return Run;
}

Cardinal TBaseVirtualTree::NodeTop(PVirtualNode Node)
{
    ValidateCache();
    Cardinal Top = 0;
    PVirtualNode Run = nullptr;
    if (FStates.Contains(tsUseCache) && !FPositionCache.empty())
        Run = FindCacheEntryByNode(Node, Top);
    if (!Run) {
        Run = FirstVisibleNodeRaw();
        Top = 0;
    }
    while (Run && Run != Node) {
        if (IsDescendantOf(Node, Run)) {
            Top += Run->NodeHeight;
            Run = Run->FirstChild;
            while (Run && !Shows(Run))
                Run = Run->NextSibling;
            continue;
        }
        // Node lies after Run's whole subtree.
        Top += Run->TotalHeight;
        PVirtualNode Next = nullptr;
        for (PVirtualNode Up = Run; Up != FRoot && !Next; Up = Up->Parent)
            Next = NextVisibleSiblingOfRaw(Up);
        Run = Next;
    }
    return Top;
}

TRect TBaseVirtualTree::NodeDisplayRect(PVirtualNode Node, TColumnIndex Column, bool TextOnly,
                                        bool Unclipped)
{
    assert(Node && "Node must not be nil.");
    assert(Node != FRoot && "Node must not be the hidden root node.");
    if (!Node->Has(vsInitialized))
        InitializeNode(Node);
    const bool MainColumn = Column == FHeader->MainColumn();
    int Indentation = 0;
    for (PVirtualNode Run = Node; Run != FRoot; Run = Run->Parent) {
        if (!Run->Has(vsVisible) || (Run != Node && !Run->Has(vsExpanded)))
            return TRect();
        if (Run != Node && MainColumn)
            Indentation += static_cast<int>(FIndent);
    }
    const int Top = static_cast<int>(NodeTop(Node));
    TRect R{0, Top, std::max(ClientWidth(), FRangeX), Top + Node->NodeHeight};
    if (Column > NoColumn && FHeader->UseColumns()) {
        FHeader->ColumnBounds(Column, R.Left, R.Right);
        --R.Right;
        R.Top += FOffsetY;
        R.Bottom += FOffsetY;
    } else {
        R.Left += FOffsetX;
        R.Right += FOffsetX;
        R.Top += FOffsetY;
        R.Bottom += FOffsetY;
    }
    if (!TextOnly)
        return R;
    int Offset = FMargin + Indentation;
    if (MainColumn) {
        if (FOptions->PaintOptions().Contains(toShowRoot))
            Offset += static_cast<int>(FIndent);
        if (FOptions->MiscOptions().Contains(toCheckSupport) && FCheckImages &&
            Node->CheckType != ctNone)
            Offset += FCheckImages->Width() + 2;
    }
    TCustomImageList* List = nullptr;
    if (NodeHasImage(Node, ikState, Column, &List))
        Offset += List->Width() + 2;
    if (NodeHasImage(Node, ikNormal, Column, &List))
        Offset += List->Width() + 2;
    bool RightToLeft = false;
    TAlignment Align = DisplayAlignment(Column, RightToLeft);
    if (RightToLeft)
        R.Right -= Offset;
    else
        R.Left += Offset;
    const int Width = GetNodeWidth(Node, Column, Canvas());
    if (!Unclipped) {
        if (Width >= R.Right - R.Left)
            return R;
    } else if (Width > R.Right - R.Left) {
        Align = RightToLeft ? taRightJustify : taLeftJustify;
    }
    switch (Align) {
    case taLeftJustify:
        R.Right = R.Left + Width;
        break;
    case taRightJustify:
        R.Left = R.Right - Width;
        break;
    case taCenter:
        R.Left = (R.Left + R.Right - Width) / 2;
        R.Right = R.Left + Width;
        break;
    }
    return R;
}

bool TBaseVirtualTree::NodeHasImage(PVirtualNode Node, TVTImageKind Kind, TColumnIndex Column,
                                    TCustomImageList** List)
{
    bool Ghosted = false;
    int Index = -1;
    TCustomImageList* Own = DoGetImageIndex(Node, Kind, Column, Ghosted, Index);
    if (!Own)
        Own = Kind == ikState ? FStateImages : FImages;
    if (List)
        *List = Own;
    return Own && Index >= 0;
}

TRect TBaseVirtualTree::CanvasRect()
{
    return TRect{0, 0, std::max(ClientWidth(), FRangeX), std::max(ClientHeight(), FRangeY)};
}

void TBaseVirtualTree::DetermineHitPositionLTR(THitInfo& HitInfo, int Offset, int Right,
                                               TAlignment Alignment)
{
    PVirtualNode Node = HitInfo.HitNode;
    const bool Main = HitInfo.HitColumn == FHeader->MainColumn();
    int IndentWidth = 0;
    if (Main) {
        IndentWidth = static_cast<int>(NodeLevel(Node) * FIndent);
        if (FOptions->PaintOptions().Contains(toShowRoot))
            IndentWidth += static_cast<int>(FIndent);
    }
    if (Offset < IndentWidth) {
        if (FOptions->PaintOptions().Contains(toShowButtons) && Node->Has(vsHasChildren) &&
            Offset >= IndentWidth - static_cast<int>(FIndent))
            HitInfo.HitPositions |= hiOnItemButton;
        else
            HitInfo.HitPositions |= hiOnItemIndent;
        return;
    }
    HitInfo.HitPositions |= hiOnItem;
    int X = IndentWidth;
    if (Main && FOptions->MiscOptions().Contains(toCheckSupport) && FCheckImages &&
        Node->CheckType != ctNone) {
        X += FCheckImages->Width() + 2;
        if (Offset < X) {
            HitInfo.HitPositions |= hiOnItemCheckbox;
            return;
        }
    }
    TCustomImageList* List = nullptr;
    if (NodeHasImage(Node, ikState, HitInfo.HitColumn, &List)) {
        X += List->Width() + 2;
        if (Offset < X) {
            HitInfo.HitPositions |= hiOnStateIcon;
            return;
        }
    }
    if (NodeHasImage(Node, ikNormal, HitInfo.HitColumn, &List)) {
        X += List->Width() + 2;
        if (Offset < X) {
            HitInfo.HitPositions |= hiOnNormalIcon;
            return;
        }
    }
    const int TextWidth = GetNodeWidth(Node, HitInfo.HitColumn, Canvas()) + 2 * FTextMargin;
    int TextLeft = X;
    if (Alignment == taRightJustify)
        TextLeft = std::max(X, Right - TextWidth);
    else if (Alignment == taCenter)
        TextLeft = std::max(X, (X + Right - TextWidth) / 2);
    if (Offset < TextLeft)
        HitInfo.HitPositions |= hiOnItemLeft;
    else if (Offset < TextLeft + TextWidth)
        HitInfo.HitPositions |= hiOnItemLabel;
    else
        HitInfo.HitPositions |= hiOnItemRight;
}

void TBaseVirtualTree::HitTest(int X, int Y, bool Relative, THitInfo& HitInfo)
{
    HitInfo = THitInfo();
    if (X < 0)
        HitInfo.HitPositions |= hiToLeft;
    else if (X > std::max(ClientWidth(), FRangeX))
        HitInfo.HitPositions |= hiToRight;
    if (Y < 0)
        HitInfo.HitPositions |= hiAbove;
    else if (Y > std::max(ClientHeight(), FRangeY))
        HitInfo.HitPositions |= hiBelow;
    if (Relative) {
        if (X >= FHeader->FixedAreaWidth())
            X -= FOffsetX;
        Y -= FOffsetY;
    }
    if (HitInfo.HitPositions != 0)
        return;
    int Top = 0;
    HitInfo.HitNode = NodeAtPosition(X, Y, false, Top);
    if (!HitInfo.HitNode) {
        HitInfo.HitPositions = hiNowhere;
        return;
    }
    if (!HitInfo.HitNode->Has(vsInitialized))
        InitializeNode(HitInfo.HitNode);
    int Left = 0;
    int Right = std::max(ClientWidth(), FRangeX);
    if (FHeader->UseColumns()) {
        HitInfo.HitColumn = FHeader->ColumnFromPosition(X, Left, Right);
        if (HitInfo.HitColumn > NoColumn &&
            FOptions->AutoOptions().Contains(toAutoSpanColumns)) {
            while (CellIsEmpty(HitInfo.HitNode, HitInfo.HitColumn)) {
                const TColumnIndex Previous = FHeader->PreviousVisibleColumn(HitInfo.HitColumn);
                if (Previous <= NoColumn)
                    break;
                int L = 0, R = 0;
                FHeader->ColumnBounds(Previous, L, R);
                Left = L;
                HitInfo.HitColumn = Previous;
            }
            for (TColumnIndex Next = FHeader->NextVisibleColumn(HitInfo.HitColumn);
                 Next > NoColumn && CellIsEmpty(HitInfo.HitNode, Next);
                 Next = FHeader->NextVisibleColumn(Next)) {
                int L = 0, R = 0;
                FHeader->ColumnBounds(Next, L, R);
                Right = R;
            }
        }
        X -= Left;
    }
    if (HitInfo.HitColumn == InvalidColumn) {
        HitInfo.HitPositions = hiNowhere;
        return;
    }
    HitInfo.HitPositions = hiOnItem;
    bool RightToLeft = false;
    const TAlignment Align = DisplayAlignment(HitInfo.HitColumn, RightToLeft);
    if (RightToLeft)
        DetermineHitPositionRTL(HitInfo, X, Right - Left, Align);
    else
        DetermineHitPositionLTR(HitInfo, X, Right - Left, Align);
}

TAlignment TBaseVirtualTree::DisplayAlignment(TColumnIndex Column, bool& RightToLeft) const
{
    TAlignment Align = FAlignment;
    TBiDiMode Mode = BiDiMode();
    if (FHeader->UseColumns() && FHeader->Columns()->IsValidColumn(Column)) {
        const TVirtualTreeColumn* C = FHeader->Columns()->GetItem(Column);
        Align = C->Alignment();
        Mode = C->BiDiMode();
    }
    RightToLeft = Mode != bdLeftToRight;
    if (RightToLeft && Align != taCenter)
        Align = Align == taLeftJustify ? taRightJustify : taLeftJustify;
    return Align;
}

void TBaseVirtualTree::DetermineHitPositionRTL(THitInfo& HitInfo, int Offset, int Right,
                                               TAlignment Alignment)
{
    // The row's parts lie mirrored: measured from the right edge they stand
    // as left to right, with the text placed by the unmirrored alignment.
    TAlignment Mirrored = Alignment;
    if (Alignment != taCenter)
        Mirrored = Alignment == taLeftJustify ? taRightJustify : taLeftJustify;
    const Word Before = HitInfo.HitPositions;
    DetermineHitPositionLTR(HitInfo, Right - 1 - Offset, Right, Mirrored);
    const Word Added = HitInfo.HitPositions & ~Before;
    if (Added & (hiOnItemLeft | hiOnItemRight))
        HitInfo.HitPositions ^= hiOnItemLeft | hiOnItemRight;
}

int TBaseVirtualTree::ColumnContentWidth(TColumnIndex Column)
{
    int Result = 0;
    const bool Main = Column == FHeader->MainColumn();
    const bool ShowRoot = FOptions->PaintOptions().Contains(toShowRoot);
    for (PVirtualNode Run = FirstVisibleNode(); Run; Run = NextVisibleNode(Run)) {
        int Width = 0;
        if (Main) {
            Width = static_cast<int>((NodeLevel(Run) + (ShowRoot ? 1 : 0)) * FIndent);
            if (FOptions->MiscOptions().Contains(toCheckSupport) && FCheckImages &&
                Run->CheckType != ctNone)
                Width += FCheckImages->Width() + 2;
        }
        TCustomImageList* List = nullptr;
        if (NodeHasImage(Run, ikState, Column, &List))
            Width += List->Width() + 2;
        if (NodeHasImage(Run, ikNormal, Column, &List))
            Width += List->Width() + 2;
        Width += GetNodeWidth(Run, Column, Canvas());
        if (Main)
            Width += FMargin;
        Result = std::max(Result, Width);
    }
    if (FOptions->PaintOptions().Contains(toShowVertGridLines))
        ++Result;
    return Result;
}

// ---- scrolling ------------------------------------------------------------------------------

bool TBaseVirtualTree::ScrollIntoView(PVirtualNode Node, bool Center, bool Horizontally)
{
    if (!Node || Node == FRoot)
        return false;
    for (PVirtualNode Run = Node->Parent; Run != FRoot; Run = Run->Parent)
        if (!Run->Has(vsExpanded))
            ToggleNode(Run);
    const TColumnIndex Column = FHeader->UseColumns() ? FFocusedColumn : NoColumn;
    const TRect R = NodeDisplayRect(Node, Column,
                                    FOptions->MiscOptions().Contains(toGridExtensions), true);
    if (R.Bottom == R.Top)
        return false;
    const int ClientH = ClientHeight();
    int NewY = FOffsetY;
    if (R.Top < 0) {
        NewY -= R.Top;
        if (Center)
            NewY += ClientH / 2;
    } else if (R.Bottom > ClientH || Center) {
        NewY += (Center ? ClientH / 2 : ClientH) - R.Bottom;
    }
    int NewX = FOffsetX;
    if (Horizontally && FHeader->FixedAreaWidth() == 0) {
        if (R.Left < 0 || R.Right > ClientWidth())
            NewX += ClientWidth() / 2 - (R.Left + R.Right) / 2;
    } else if (Horizontally) {
        const int Delta = R.Left - FHeader->FixedAreaWidth();
        if (Delta > 1 || Delta < -1)
            NewX -= Delta;
    }
    return SetOffsetXY(NewX, NewY);
}

// ---- images ---------------------------------------------------------------------------------

void TBaseVirtualTree::SetImages(TCustomImageList* Value)
{
    if (FImages == Value)
        return;
    if (FImages)
        FImages->RemoveFreeNotification(this);
    FImages = Value;
    if (FImages)
        FImages->FreeNotification(this);
    InvalidateTree();
}

void TBaseVirtualTree::SetStateImages(TCustomImageList* Value)
{
    if (FStateImages == Value)
        return;
    if (FStateImages)
        FStateImages->RemoveFreeNotification(this);
    FStateImages = Value;
    if (FStateImages)
        FStateImages->FreeNotification(this);
    InvalidateTree();
}

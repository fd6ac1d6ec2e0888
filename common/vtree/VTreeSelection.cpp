// The selection: an array of nodes ascending by identity (address), found
// by bisection and merged in bulk; removals in bulk tag an entry (address
// + 1, node records are aligned) and pack the array once.

#include "common/vtree/VTree.h"

#include <algorithm>
#include <cassert>
#include <cstdint>

namespace {

uintptr_t Key(PVirtualNode Node)
{
    return reinterpret_cast<uintptr_t>(Node);
}

bool IsTagged(PVirtualNode Node)
{
    return (Key(Node) & 1u) != 0;
}

PVirtualNode Tagged(PVirtualNode Node)
{
    return reinterpret_cast<PVirtualNode>(Key(Node) + 1);
}

bool ByIdentity(PVirtualNode A, PVirtualNode B)
{
    return Key(A) < Key(B);
}

// Sorts nodes by address. Large arrays (select all of a big tree) go
// through radix passes of 11 bits over the address relative to the lowest
// one (node records span the heap, not the address space), which is several
// times faster than comparing.
void SortByIdentity(PVirtualNode* Items, int Count)
{
    if (Count < 1024) {
        std::sort(Items, Items + Count, ByIdentity);
        return;
    }
    // Nodes made together lie in a few ascending runs (the heap grows in
    // pieces): merging the runs is cheaper still.
    std::vector<int> Runs{0};
    for (int I = 1; I < Count && Runs.size() <= 64; ++I)
        if (!ByIdentity(Items[I - 1], Items[I]))
            Runs.push_back(I);
    if (Runs.size() <= 64) {
        Runs.push_back(Count);
        while (Runs.size() > 2) {
            std::vector<int> Merged{0};
            for (size_t R = 0; R + 2 < Runs.size(); R += 2) {
                std::inplace_merge(Items + Runs[R], Items + Runs[R + 1], Items + Runs[R + 2],
                                   ByIdentity);
                Merged.push_back(Runs[R + 2]);
            }
            if (Runs.size() % 2 == 0)
                Merged.push_back(Runs.back());
            Runs.swap(Merged);
        }
        return;
    }
    const auto [Min, Max] = std::minmax_element(Items, Items + Count, ByIdentity);
    const uintptr_t Base = Key(*Min);
    const uintptr_t Range = Key(*Max) - Base;
    constexpr int DigitBits = 11;
    constexpr uintptr_t DigitMask = (uintptr_t(1) << DigitBits) - 1;
    std::vector<PVirtualNode> Buffer(static_cast<size_t>(Count));
    PVirtualNode* From = Items;
    PVirtualNode* To = Buffer.data();
    std::vector<size_t> Offsets((size_t(1) << DigitBits) + 1);
    // Node records are at least 8-byte aligned: the low 3 bits never differ.
    for (int Shift = 3; (Range >> Shift) != 0; Shift += DigitBits) {
        std::fill(Offsets.begin(), Offsets.end(), 0);
        for (int I = 0; I < Count; ++I)
            ++Offsets[(((Key(From[I]) - Base) >> Shift) & DigitMask) + 1];
        for (size_t D = 1; D < Offsets.size(); ++D)
            Offsets[D] += Offsets[D - 1];
        for (int I = 0; I < Count; ++I)
            To[Offsets[((Key(From[I]) - Base) >> Shift) & DigitMask]++] = From[I];
        std::swap(From, To);
    }
    if (From != Items)
        std::copy(From, From + Count, Items);
}

}  // namespace

bool TBaseVirtualTree::SearchSelection(PVirtualNode Node, int& Index, int LowBound,
                                       int HighBound) const
{
    if (LowBound < 0)
        LowBound = 0;
    if (HighBound < 0)
        HighBound = FSelectionCount - 1;
    bool Result = false;
    while (LowBound <= HighBound) {
        const int Mid = static_cast<int>((static_cast<unsigned>(LowBound) +
                                          static_cast<unsigned>(HighBound)) / 2);
        if (Key(FSelection[Mid]) >= Key(Node)) {
            if (FSelection[Mid] == Node)
                Result = true;
            HighBound = Mid - 1;
        } else {
            LowBound = Mid + 1;
        }
    }
    Index = LowBound;
    return Result;
}

int TBaseVirtualTree::CompactFlaggedEntries(PVirtualNode* Array, int Count)
{
    if (Count <= 0)
        return -1;
    int Target = 0;
    for (int I = 0; I < Count; ++I)
        if (!IsTagged(Array[I]))
            Array[Target++] = Array[I];
    return Target;
}

void TBaseVirtualTree::PackSelection()
{
    const int Count = CompactFlaggedEntries(FSelection.data(), FSelectionCount);
    if (Count >= 0)
        FSelectionCount = Count;
}

bool TBaseVirtualTree::MergeIntoSelection(PVirtualNode* NewItems, int NewLength, bool ForceInsert)
{
    if (NewLength <= 0)
        return false;
    const TVTSelectionOptions Options = FOptions->SelectionOptions();
    if (ForceInsert) {
        for (int I = 0; I < NewLength; ++I)
            NewItems[I]->Include(vsSelected);
    } else {
        const bool LevelConstraint = Options.Contains(toLevelSelectConstraint);
        const bool SiblingConstraint = Options.Contains(toSiblingSelectConstraint);
        if (LevelConstraint && FLastSelectionLevel == -1)
            FLastSelectionLevel = static_cast<int>(NodeLevel(NewItems[0]));
        if (SiblingConstraint && !FRangeAnchor)
            FRangeAnchor = NewItems[0];
        bool AnyTagged = false;
        for (int I = 0; I < NewLength; ++I) {
            PVirtualNode Node = NewItems[I];
            bool Accept = !Node->Has(vsSelected) && !Node->Has(vsDisabled);
            if (Accept && LevelConstraint)
                Accept = static_cast<int>(NodeLevel(Node)) == FLastSelectionLevel;
            if (Accept && SiblingConstraint)
                Accept = Node->Parent == FRangeAnchor->Parent;
            if (Accept) {
                Node->Include(vsSelected);
            } else {
                NewItems[I] = Tagged(Node);
                AnyTagged = true;
            }
        }
        if (AnyTagged)
            NewLength = std::max(CompactFlaggedEntries(NewItems, NewLength), 0);
    }
    if (NewLength <= 0)
        return false;
    MergeFlaggedItems(NewItems, NewLength);
    return true;
}

void TBaseVirtualTree::MergeFlaggedItems(PVirtualNode* NewItems, int NewLength)
{
    // Nodes made one after another usually come in address order already.
    if (NewLength > 1 && !std::is_sorted(NewItems, NewItems + NewLength, ByIdentity))
        SortByIdentity(NewItems, NewLength);
    const size_t Needed = static_cast<size_t>(FSelectionCount) + NewLength;
    if (FSelection.size() <= Needed)
        FSelection.resize(Needed);
    // Merge from the back, so each old entry moves once.
    int I = NewLength - 1;
    int J = FSelectionCount - 1;
    size_t K = Needed;
    while (I >= 0) {
        if (J >= 0 && Key(FSelection[J]) > Key(NewItems[I]))
            FSelection[--K] = FSelection[J--];
        else
            FSelection[--K] = NewItems[I--];
    }
    FSelectionCount += NewLength;
}

bool TBaseVirtualTree::AddToSelectionOne(PVirtualNode Node, bool ForceInsert)
{
    assert(Node && "Node must not be nil!");
    FSingletonNodeArray[0] = Node;
    return MergeIntoSelection(FSingletonNodeArray, 1, ForceInsert);
}

void TBaseVirtualTree::AddToSelection(PVirtualNode Node)
{
    FSingletonNodeArray[0] = Node;
    AddToSelection(FSingletonNodeArray, 1, false);
}

void TBaseVirtualTree::AddToSelection(PVirtualNode* Nodes, int Count, bool ForceInsert)
{
    const int Before = FSelectionCount;
    if (!MergeIntoSelection(Nodes, Count, ForceInsert))
        return;
    if (FSelectionCount - Before == 1) {
        InvalidateNode(Nodes[0]);
        Change(Nodes[0]);
    } else {
        InvalidateTree();
        Change(nullptr);
    }
}

void TBaseVirtualTree::CacheNode(PVirtualNode Node)
{
    if (FTempNodeCount == static_cast<int>(FTempNodeCache.size())) {
        const size_t Grow = FTempNodeCache.size() < 100 ? 100 : FTempNodeCache.size() / 10;
        FTempNodeCache.resize(FTempNodeCache.size() + Grow);
    }
    FTempNodeCache[FTempNodeCount++] = Node;
}

void TBaseVirtualTree::ClearTempCache()
{
    FTempNodeCount = 0;
    FTempNodeCache.clear();
    FTempNodeCache.shrink_to_fit();
}

void TBaseVirtualTree::ResetAnchor()
{
    FRangeAnchor = FFocusedNode;
    FLastSelectionLevel = -1;
}

void TBaseVirtualTree::ResetSelection()
{
    if (FUpdateCount > 0)
        PackSelection();
    for (int I = FSelectionCount - 1; I >= 0; --I)
        if (!IsTagged(FSelection[I]))
            FSelection[I]->Exclude(vsSelected);
    FSelectionCount = 0;
    ResetAnchor();
    FSelection.clear();
    FSelection.shrink_to_fit();
    ChangeState({}, {tsClearPending});
}

void TBaseVirtualTree::DropFromSelection(PVirtualNode Node)
{
    int Index = 0;
    if (!SearchSelection(Node, Index))
        return;
    Node->Exclude(vsSelected);
    FSelection[Index] = Tagged(Node);
}

void TBaseVirtualTree::RemoveSelected(PVirtualNode Node)
{
    assert(Node && "Node must not be nil!");
    if (!Node->Has(vsSelected))
        return;
    Node->Exclude(vsSelected);
    int Index = 0;
    if (SearchSelection(Node, Index))
        std::copy(FSelection.begin() + Index + 1, FSelection.begin() + FSelectionCount,
                  FSelection.begin() + Index);
    if (FSelectionCount > 0)
        --FSelectionCount;
    if (FSelectionCount == 0)
        ResetAnchor();
    Change(Node);
}

void TBaseVirtualTree::SetSelected(PVirtualNode Node, bool Value)
{
    if (!Node || Node == FRoot || Node->Has(vsSelected) == Value)
        return;
    if (Value) {
        if (FSelectionCount == 0)
            FRangeAnchor = Node;
        else if (!FOptions->SelectionOptions().Contains(toMultiSelect))
            ResetSelection();
        AddToSelection(Node);
        const TColumnIndex Main = FHeader->MainColumn();
        if ((FFocusedColumn < 0 || !FHeader->ColumnIsVisible(FFocusedColumn)) && Main > NoColumn)
            FFocusedColumn = FHeader->ColumnIsVisible(Main) ? Main : FHeader->FirstVisibleColumn();
    } else {
        RemoveSelected(Node);
    }
    if (IsFullyVisible(Node))
        InvalidateNode(Node);
}

void TBaseVirtualTree::HandleClickSelection(PVirtualNode, PVirtualNode NewNode,
                                            TShiftState Shift, bool DragPending)
{
    const bool ShiftDown = Shift.Contains(ssShift);
    const bool CtrlDown = Shift.Contains(ssCtrl);
    if (!ShiftDown && !CtrlDown) {
        if (!NewNode->Has(vsSelected)) {
            AddToSelection(NewNode);
            InvalidateNode(NewNode);
        }
        FRangeAnchor = NewNode;
    } else if (ShiftDown && !CtrlDown) {
        if (!FRangeAnchor)
            FRangeAnchor = FRoot->FirstChild;
        SelectRange(FRangeAnchor, NewNode, false);
        InvalidateTree();
    } else if (CtrlDown && !ShiftDown) {
        if (!FOptions->SelectionOptions().Contains(toSiblingSelectConstraint))
            FRangeAnchor = NewNode;
        if (DragPending) {
            ChangeState({tsToggleFocusedSelection}, {});
        } else if (NewNode->Has(vsSelected)) {
            RemoveSelected(NewNode);
            InvalidateNode(NewNode);
        } else {
            AddToSelection(NewNode);
            InvalidateNode(NewNode);
        }
    } else {
        SelectRange(FRangeAnchor, NewNode, true);
        InvalidateTree();
    }
}

namespace {

// Start of a range: none means the first top-level node; a node that is not
// shown gives way to the shown row before it.
PVirtualNode RangeStart(TBaseVirtualTree& Tree, PVirtualNode StartNode)
{
    if (!StartNode)
        return Tree.RootNode()->FirstChild;
    if (Tree.IsFullyVisible(StartNode))
        return StartNode;
    PVirtualNode Previous = Tree.PreviousVisibleNode(StartNode);
    return Previous ? Previous : Tree.RootNode()->FirstChild;
}

}  // namespace

void TBaseVirtualTree::SelectRange(PVirtualNode StartNode, PVirtualNode EndNode, bool AddOnly)
{
    assert(EndNode && "EndNode must not be nil!");
    ClearTempCache();
    StartNode = RangeStart(*this, StartNode);
    PVirtualNode From = StartNode;
    PVirtualNode To = EndNode;
    if (CompareTreeOrder(From, To) > 0)
        std::swap(From, To);
    PVirtualNode Anchor = FRangeAnchor;
    if (!AddOnly)
        ResetSelection();
    for (PVirtualNode Run = From; Run; Run = NextVisibleNode(Run)) {
        CacheNode(Run);
        if (Run == To)
            break;
    }
    AddToSelection(FTempNodeCache.data(), FTempNodeCount, false);
    ClearTempCache();
    if (Anchor && Anchor->Has(vsSelected))
        FRangeAnchor = Anchor;
}

void TBaseVirtualTree::ToggleRange(PVirtualNode StartNode, PVirtualNode EndNode)
{
    if (!StartNode && !EndNode)
        return;
    assert(EndNode && "EndNode must not be nil!");
    StartNode = RangeStart(*this, StartNode);
    if (StartNode == EndNode)
        return;
    PVirtualNode From = StartNode;
    PVirtualNode To = EndNode;
    if (CompareTreeOrder(From, To) > 0)
        std::swap(From, To);
    ClearTempCache();
    auto Toggle = [this](PVirtualNode Node) {
        if (Node->Has(vsSelected))
            DropFromSelection(Node);
        else
            CacheNode(Node);
    };
    if (!FRangeAnchor || CompareTreeOrder(From, FRangeAnchor) < 0)
        Toggle(From);
    for (PVirtualNode Run = NextVisibleNode(From); Run && Run != To; Run = NextVisibleNode(Run))
        Toggle(Run);
    if (!FRangeAnchor || CompareTreeOrder(To, FRangeAnchor) > 0)
        Toggle(To);
    PackSelection();
    if (FRangeAnchor && !FRangeAnchor->Has(vsSelected))
        CacheNode(FRangeAnchor);
    AddToSelection(FTempNodeCache.data(), FTempNodeCount, false);
    ClearTempCache();
}

void TBaseVirtualTree::UnselectRange(PVirtualNode StartNode, PVirtualNode EndNode)
{
    assert(EndNode && "EndNode must not be nil!");
    StartNode = RangeStart(*this, StartNode);
    PVirtualNode From = StartNode;
    PVirtualNode To = EndNode;
    if (CompareTreeOrder(From, To) > 0)
        std::swap(From, To);
    for (PVirtualNode Run = From; Run; Run = NextVisibleNode(Run)) {
        DropFromSelection(Run);
        if (Run == To)
            break;
    }
    PackSelection();
}

void TBaseVirtualTree::FocusNodeAndColumn(PVirtualNode Node, TColumnIndex Column)
{
    const bool Changed = Node != FFocusedNode || Column != FFocusedColumn;
    const TColumnIndex OldColumn = FFocusedColumn;
    FFocusedColumn = Column;
    DoFocusNode(Node, true);
    if (FFocusedNode == Node) {
        if (FStates.Contains(tsEditPending) || FStates.Contains(tsEditing))
            DoCancelEdit();
        if (Changed)
            DoFocusChange(FFocusedNode, FFocusedColumn);
    } else {
        FFocusedColumn = OldColumn;
    }
}

void TBaseVirtualTree::UnselectAll()
{
    if (FSelectionCount == 0 || Destroying())
        return;
    if (FUpdateCount == 0)
        InvalidateTree();
    ResetSelection();
    Change(nullptr);
}

void TBaseVirtualTree::SelectAll(bool VisibleOnly)
{
    if (!FOptions->SelectionOptions().Contains(toMultiSelect))
        return;
    ClearTempCache();
    FTempNodeCache.reserve(TotalCount());
    const TVTSelectionOptions Options = FOptions->SelectionOptions();
    // Without level or sibling constraints the walk itself decides what
    // joins (neither selected nor disabled), so the nodes are flagged on the
    // way instead of in a second pass over a large tree.
    const bool Direct =
        !Options.Contains(toLevelSelectConstraint) && !Options.Contains(toSiblingSelectConstraint);
    auto Take = [&](PVirtualNode Run) {
        if (Run->Has(vsSelected))
            return;
        if (Direct) {
            if (Run->Has(vsDisabled))
                return;
            Run->Include(vsSelected);
        }
        CacheNode(Run);
    };
    if (VisibleOnly) {
        for (PVirtualNode Run = FirstVisibleNode(); Run; Run = NextVisibleNode(Run))
            Take(Run);
    } else {
        for (PVirtualNode Run = FirstNode(); Run; Run = NextNode(Run))
            Take(Run);
    }
    if (!Direct) {
        AddToSelection(FTempNodeCache.data(), FTempNodeCount, false);
    } else if (FTempNodeCount > 0) {
        const int Added = FTempNodeCount;
        MergeFlaggedItems(FTempNodeCache.data(), Added);
        if (Added == 1) {
            InvalidateNode(FTempNodeCache[0]);
            Change(FTempNodeCache[0]);
        } else {
            Change(nullptr);
        }
    }
    ClearTempCache();
    InvalidateTree();
}

TNodeArray TBaseVirtualTree::NodesInOrder(TVirtualNodeState State, bool Resolve,
                                          size_t Expected) const
{
    TNodeArray Result;
    Result.reserve(Expected);
    PVirtualNode Run = FirstNodeRaw();
    while (Run) {
        if (Run->Has(State)) {
            Result.push_back(Run);
            if (Resolve) {
                Run = NodeAfterSubtree(Run);
                continue;
            }
        }
        Run = NextNodeRaw(Run);
    }
    return Result;
}

TNodeArray TBaseVirtualTree::SelectedNodesInOrder(bool Resolve)
{
    if (FSelectionCount == 0)
        return TNodeArray();
    return NodesInOrder(vsSelected, Resolve, static_cast<size_t>(FSelectionCount));
}

TNodeArray TBaseVirtualTree::ClipboardNodesInOrder(bool Resolve)
{
    return NodesInOrder(vsCutOrCopy, Resolve, /*Expected=*/0);
}

PVirtualNode TBaseVirtualTree::FirstSelectedNode() const
{
    return NextSelectedNode(nullptr);
}

PVirtualNode TBaseVirtualTree::NextSelectedNode(PVirtualNode Node) const
{
    if (FSelectionCount == 0)
        return nullptr;
    for (PVirtualNode Run = Node ? NextNodeRaw(Node) : FirstNodeRaw(); Run; Run = NextNodeRaw(Run))
        if (Run->Has(vsSelected))
            return Run;
    return nullptr;
}

PVirtualNode TBaseVirtualTree::FirstClipboardNode() const
{
    return NextClipboardNode(nullptr);
}

PVirtualNode TBaseVirtualTree::NextClipboardNode(PVirtualNode Node) const
{
    if (!FStates.Contains(tsCopyPending) && !FStates.Contains(tsCutPending))
        return nullptr;
    for (PVirtualNode Run = Node ? NextNodeRaw(Node) : FirstNodeRaw(); Run; Run = NextNodeRaw(Run))
        if (Run->Has(vsCutOrCopy))
            return Run;
    return nullptr;
}

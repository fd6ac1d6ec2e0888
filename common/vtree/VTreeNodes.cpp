// The node model: making and freeing nodes, the hidden root, counts and
// heights along the parent chain, initialisation, linking, check states,
// change notifications and the position cache.

#include "common/vtree/VTree.h"

#include "platform/forms/ImgList.h"
#include "platform/winapi/Messages.h"
#include "platform/winapi/Windows.h"
#include "platform/rtl/Numbers.h"

#include <sanitizer/asan_interface.h>
#include <sys/mman.h>

#include <algorithm>
#include <cassert>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <exception>

void InitializeTreeUnit();

namespace {

// No cache for up to this many shown rows: a walk is as fast.
constexpr Cardinal CacheThreshold = 2000;
// One entry for every this many shown rows. A lookup walks the rows after
// its entry, and on a large tree those rows are cold memory: 32 rows
// (about 2.5 KB of nodes) keep a lookup near a microsecond, where every
// 2000th row would cost several.
constexpr Cardinal CacheSpacing = 32;

constexpr UINT_PTR ChangeTimer = 5;
constexpr UINT_PTR StructureChangeTimer = 6;

bool IsChecked(Byte State)
{
    return State == csCheckedNormal || State == csCheckedPressed;
}

bool IsCheckBoxType(Byte Type)
{
    return Type == ctTriStateCheckBox || Type == ctCheckBox;
}

Word ClampHeight(int64_t Value)
{
    return static_cast<Word>(std::clamp<int64_t>(Value, 0, 0xFFFF));
}

// Node blocks start small, for the trees of a few nodes a window holds,
// and double up to the size of a large page. Blocks of that size are mapped
// on their own, aligned and marked for large pages: a million nodes then
// fault in a few dozen pages instead of sixteen thousand, and a first
// touch costs far more than the record written into it.
constexpr size_t FirstBlockBytes = 4 << 10;
constexpr size_t MappedBlockBytes = 2 << 20;
constexpr size_t RecordAlign = alignof(std::max_align_t);

/// A MappedBlockBytes block aligned to its size, or null.
void* MapBlock()
{
    // Twice the size leaves room to cut an aligned block out of it.
    const size_t Span = 2 * MappedBlockBytes;
    void* Mapped = mmap(nullptr, Span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (Mapped == MAP_FAILED)
        return nullptr;
    const auto Start = reinterpret_cast<uintptr_t>(Mapped);
    const uintptr_t Aligned = (Start + MappedBlockBytes - 1) & ~(MappedBlockBytes - 1);
    if (Aligned > Start)
        munmap(Mapped, Aligned - Start);
    const uintptr_t End = Aligned + MappedBlockBytes;
    if (Start + Span > End)
        munmap(reinterpret_cast<void*>(End), Start + Span - End);
    // Only advice: without large pages the block is mapped as usual.
    madvise(reinterpret_cast<void*>(Aligned), MappedBlockBytes, MADV_HUGEPAGE);
    return reinterpret_cast<void*>(Aligned);
}

}  // namespace

// ---- node blocks ----------------------------------------------------------------------------

// Records begin behind it, aligned like malloc's blocks.
struct alignas(RecordAlign) NodeBlocks::Block {
    Block* Next;
    uint32_t Bytes;  // the whole block, this header included
    bool Mapped;     // by MapBlock, else by malloc
};

NodeBlocks::~NodeBlocks()
{
    FreeBlocks();
}

void* NodeBlocks::Allocate(size_t Size)
{
    const size_t Stride = (std::max<size_t>(Size, sizeof(void*)) + RecordAlign - 1) &
                          ~(RecordAlign - 1);
    assert((FHeld == 0 || Stride == FStride) && "Records held at once have one size.");
    if (FHeld == 0 && Stride != FStride) {
        FreeBlocks();
        FStride = Stride;
    }
    void* Record = FReleased;
    if (Record) {
        ASAN_UNPOISON_MEMORY_REGION(Record, FStride);
        FReleased = *static_cast<void**>(Record);
        std::memset(Record, 0, FStride);
    } else {
        // Blocks come zero-filled.
        if (static_cast<size_t>(FEnd - FNext) < FStride)
            AddBlock();
        Record = FNext;
        FNext += FStride;
        ASAN_UNPOISON_MEMORY_REGION(Record, FStride);
    }
    ++FHeld;
    return Record;
}

void NodeBlocks::Release(void* Record) noexcept
{
    assert(FHeld > 0 && "Released more node records than were made.");
    *static_cast<void**>(Record) = FReleased;
    FReleased = Record;
    ASAN_POISON_MEMORY_REGION(Record, FStride);
    if (--FHeld == 0)
        FreeBlocks();
}

void NodeBlocks::AddBlock()
{
    if (FBlockBytes == 0)
        FBlockBytes = FirstBlockBytes;
    // A block carries at least one record, however large the host data.
    const bool Mapped = FBlockBytes == MappedBlockBytes && sizeof(Block) + FStride <= FBlockBytes;
    const size_t Records =
        Mapped ? (FBlockBytes - sizeof(Block)) / FStride : std::max<size_t>(FBlockBytes / FStride, 1);
    const size_t Bytes = Mapped ? FBlockBytes : sizeof(Block) + Records * FStride;
    // A new mapping is zero-filled already.
    auto* New = static_cast<Block*>(Mapped ? MapBlock() : std::calloc(1, Bytes));
    if (!New)
        throw EOutOfMemory("Out of memory");
    New->Next = FBlocks;
    New->Bytes = static_cast<uint32_t>(Bytes);
    New->Mapped = Mapped;
    FBlocks = New;
    FNext = reinterpret_cast<char*>(New + 1);
    FEnd = FNext + Records * FStride;
    // Records not yet handed out are as unusable as released ones.
    ASAN_POISON_MEMORY_REGION(FNext, Records * FStride);
    FBlockBytes = std::min(FBlockBytes * 2, MappedBlockBytes);
}

void NodeBlocks::FreeBlocks() noexcept
{
    while (Block* Run = FBlocks) {
        FBlocks = Run->Next;
        ASAN_UNPOISON_MEMORY_REGION(Run, Run->Bytes);
        if (Run->Mapped)
            munmap(Run, Run->Bytes);
        else
            std::free(Run);
    }
    FNext = nullptr;
    FEnd = nullptr;
    FReleased = nullptr;
    FBlockBytes = 0;
}

PRICETAGS_DEFINE_CLASS(TBaseVirtualTree)

TBaseVirtualTree::TBaseVirtualTree(TComponent* AOwner) : TCustomControl(AOwner)
{
    InitializeTreeUnit();
    RegisterTree(this);
    // The frame asks the header and the scroll bar options for its size.
    FOptions = std::make_unique<TCustomVirtualTreeOptions>(this);
    FHeader = std::make_unique<TVTHeader>(this);
    FColors = std::make_unique<TVTColors>(this);
    FScrollBarOptions = std::make_unique<TScrollBarOptions>(this);
    FClipboardFormats = std::make_unique<TClipboardFormats>(this);
    FDragImage = std::make_unique<TVTDragImage>(this);
    FDragManager = InterfacePtr<TVTDragManager>(new TVTDragManager(this));
    FCheckImages = CheckImageListFor(FCheckImageKind);
    SetBounds(Left(), Top(), 200, 100);
    SetTabStop(true);
    SetColor(clWindow);
    SetupRootNode(0);
}

TBaseVirtualTree::~TBaseVirtualTree()
{
    FDestroying = true;
    // Nodes must be freeable whatever the options say.
    FOptions->FMiscOptions.Exclude(toReadOnly);
    KillTimerFor(ChangeTimer);
    KillTimerFor(StructureChangeTimer);
    AbortEditing();
    FEditLink.reset();
    UnregisterTree(this);
    // The window's registration may hold the manager a little longer.
    FDragManager->OwnerGone();
    if (HandleAllocated())
        RevokeDragDrop(Handle());
    RemoveAll();
    std::free(FRoot);
    FRoot = nullptr;
}

bool TBaseVirtualTree::Destroying() const
{
    return FDestroying || ComponentState().Contains(csDestroying);
}

bool TBaseVirtualTree::LiveWindow() const
{
    return HandleAllocated() && !ComponentState().Contains(csLoading) && !FDestroying;
}

// ---- node records ---------------------------------------------------------------------------

void* TBaseVirtualTree::GetNodeData(PVirtualNode Node) const
{
    if (!Node || Node == FRoot || FNodeDataSize <= 0)
        return nullptr;
    return reinterpret_cast<char*>(Node) + sizeof(TVirtualNode) + FTotalInternalDataSize;
}

void TBaseVirtualTree::SetNodeDataSize(int Value)
{
    if (Value < -1)
        Value = -1;
    if (Value == FNodeDataSize)
        return;
    // Nodes made with the old size cannot hold the new one. A read-only
    // tree keeps its nodes, and with them their size.
    RemoveAll();
    if (FRoot->FirstChild)
        return;
    FNodeDataSize = Value;
}

PVirtualNode TBaseVirtualTree::NewNodeRecord()
{
    if (FNodeDataSize == -1) {
        int Size = 0;
        QueryNodeDataSize(Size);
        FNodeDataSize = std::max(Size, 0);
    }
    const size_t Size = sizeof(TVirtualNode) + FTotalInternalDataSize + FNodeDataSize;
    auto* Node = static_cast<PVirtualNode>(FNodeBlocks.Allocate(Size));
    Node->TotalCount = 1;
    Node->NodeHeight = ClampHeight(FDefaultNodeHeight);
    Node->TotalHeight = Node->NodeHeight;
    Node->States = 1u << vsVisible;
    Node->Align = 50;
    return Node;
}

void TBaseVirtualTree::FreeNodeRecord(PVirtualNode Node)
{
    FNodeBlocks.Release(Node);
}

void TBaseVirtualTree::SetupRootNode(Cardinal OldSize)
{
    const size_t Size = sizeof(TVirtualNode) + FTotalInternalDataSize;
    auto* Root = static_cast<PVirtualNode>(std::realloc(FRoot, Size));
    if (!Root)
        throw EOutOfMemory("Out of memory");
    if (!FRoot)
        OldSize = 0;
    std::memset(reinterpret_cast<char*>(Root) + OldSize, 0, Size - OldSize);
    FRoot = Root;
    FRoot->PrevSibling = FRoot;
    FRoot->NextSibling = FRoot;
    // The tree is the root's parent: upward walks end there.
    FRoot->Parent = reinterpret_cast<PVirtualNode>(this);
    FRoot->States = (1u << vsInitialized) | (1u << vsExpanded) | (1u << vsHasChildren) |
                    (1u << vsVisible);
    FRoot->TotalCount = 1;
    FRoot->NodeHeight = ClampHeight(FDefaultNodeHeight);
    FRoot->TotalHeight = FRoot->NodeHeight;
    FRoot->Align = 50;
}

Cardinal TBaseVirtualTree::ReserveInternalData(Cardinal Size)
{
    if (FRoot && FRoot->ChildCount > 0)
        throw EInvalidOperation("Internal data allocation must be done before any node is created.");
    const Cardinal Result = sizeof(TVirtualNode) + FTotalInternalDataSize;
    FTotalInternalDataSize += (Size + 3) & ~3u;
    SetupRootNode(Result);
    return Result;
}

void TBaseVirtualTree::SetDefaultNodeHeight(Cardinal Value)
{
    if (Value == 0)
        Value = 18;
    if (Value == FDefaultNodeHeight)
        return;
    // The root's own height is never shown; it follows the default so an
    // empty tree keeps no scroll range.
    const int64_t Delta = static_cast<int64_t>(ClampHeight(Value)) - FRoot->NodeHeight;
    FDefaultNodeHeight = Value;
    FRoot->NodeHeight = ClampHeight(Value);
    FRoot->TotalHeight = static_cast<Cardinal>(FRoot->TotalHeight + Delta);
    ChangeState({tsNeedScale}, {});
    InvalidatePositionCache();
    if (FUpdateCount > 0 || !HandleAllocated() || ComponentState().Contains(csLoading))
        return;
    ValidateCache();
    UpdateScrollBars(true);
    ScrollIntoView(FFocusedNode,
                   FOptions->SelectionOptions().Contains(toCenterScrollIntoView), false);
    Invalidate();
}

// ---- counts and heights ---------------------------------------------------------------------

void TBaseVirtualTree::SetRootNodeCount(Cardinal Value)
{
    if (ComponentState().Contains(csLoading)) {
        // Made in Loaded, once the options are known.
        FRoot->ChildCount = Value;
        ChangeState({tsNeedRootCountUpdate}, {});
        return;
    }
    SetChildCount(FRoot, Value);
}

void TBaseVirtualTree::SetChildCount(PVirtualNode Node, Cardinal NewChildCount)
{
    if (FOptions->MiscOptions().Contains(toReadOnly))
        return;
    if (!Node)
        Node = FRoot;
    if (NewChildCount == 0) {
        RemoveChildren(Node);
        return;
    }
    const int64_t Count = static_cast<int64_t>(NewChildCount) - Node->ChildCount;
    if (Count == 0)
        return;
    InterruptValidation();
    if (Count > 0) {
        Cardinal Index = 0;
        if (Node->LastChild)
            Index = Node->LastChild->Index + 1;
        else
            Node->Include(vsHasChildren);
        Node->Exclude(vsAllChildrenHidden);
        const bool Measure = FOptions->MiscOptions().Contains(toVariableNodeHeight);
        int64_t Sum = 0;
        int64_t Added = 0;
        // Out of memory (or a failing measure handler) part way: the nodes
        // made so far stay, counted.
        std::exception_ptr Failure;
        try {
            while (Added < Count) {
                PVirtualNode Child = NewNodeRecord();
                Child->Index = Index++;
                Child->Parent = Node;
                Child->PrevSibling = Node->LastChild;
                if (Node->LastChild)
                    Node->LastChild->NextSibling = Child;
                else
                    Node->FirstChild = Child;
                Node->LastChild = Child;
                ++Added;
                Sum += Child->TotalHeight;
                if (Measure) {
                    const int64_t Before = Child->TotalHeight;
                    MeasureUnlinked(Child);
                    Sum += Child->TotalHeight - Before;
                }
            }
        } catch (...) {
            Failure = std::current_exception();
        }
        if (Node->Has(vsExpanded)) {
            ShiftTotalHeight(Node, Sum, true);
            // New rows show only when the parent's own row path is open.
            if (IsFullyVisible(Node))
                FVisibleCount += static_cast<Cardinal>(Added);
        }
        ShiftTotalCount(Node, Added, true);
        Node->ChildCount += static_cast<Cardinal>(Added);
        if (Failure) {
            InvalidatePositionCache();
            std::rethrow_exception(Failure);
        }
        if (FUpdateCount == 0 && FOptions->AutoOptions().Contains(toAutoSort) &&
            FHeader->SortColumn() > InvalidColumn)
            Sort(Node, FHeader->SortColumn(), FHeader->SortDirection(), true);
        InvalidatePositionCache();
    } else {
        for (int64_t I = Count; I < 0; ++I)
            RemoveNode(Node->LastChild, true);
    }
    if (FUpdateCount == 0) {
        UpdateScrollBars(true);
        InvalidateTree();
    }
    StructureModified(Node == FRoot ? nullptr : Node, crChildAdded);
}

void TBaseVirtualTree::ShiftTotalCount(PVirtualNode Node, int64_t Value, bool Relative)
{
    const int64_t Delta = Relative ? Value : Value - Node->TotalCount;
    if (Delta == 0)
        return;
    for (PVirtualNode Run = Node;; Run = Run->Parent) {
        Run->TotalCount = static_cast<Cardinal>(Run->TotalCount + Delta);
        if (Run == FRoot)
            break;
    }
}

void TBaseVirtualTree::ShiftTotalHeight(PVirtualNode Node, int64_t Value, bool Relative)
{
    const int64_t Delta = Relative ? Value : Value - Node->TotalHeight;
    if (Delta == 0)
        return;
    PVirtualNode Run = Node;
    while (true) {
        Run->TotalHeight = static_cast<Cardinal>(Run->TotalHeight + Delta);
        if (!Run->Has(vsVisible) || Run == FRoot || !Run->Parent->Has(vsExpanded))
            break;
        Run = Run->Parent;
    }
}

void TBaseVirtualTree::MeasureUnlinked(PVirtualNode Node)
{
    Node->Include(vsHeightMeasured);
    int Height = Node->NodeHeight;
    DoMeasureItem(Canvas(), Node, Height);
    Node->NodeHeight = ClampHeight(Height);
    Node->TotalHeight = Node->NodeHeight;
}

Cardinal TBaseVirtualTree::GetNodeHeight(PVirtualNode Node)
{
    if (!Node || Node == FRoot)
        return 0;
    if (FOptions->MiscOptions().Contains(toVariableNodeHeight) && !Node->Has(vsHeightMeasured)) {
        Node->Include(vsHeightMeasured);
        int Height = Node->NodeHeight;
        DoMeasureItem(Canvas(), Node, Height);
        if (Height != Node->NodeHeight)
            SetNodeHeight(Node, static_cast<Cardinal>(std::max(Height, 0)));
    }
    return Node->NodeHeight;
}

void TBaseVirtualTree::SetNodeHeight(PVirtualNode Node, Cardinal Value)
{
    if (!Node || Node == FRoot || FOptions->MiscOptions().Contains(toReadOnly))
        return;
    const Word NewHeight = ClampHeight(Value);
    if (NewHeight == Node->NodeHeight)
        return;
    const int64_t Delta = static_cast<int64_t>(NewHeight) - Node->NodeHeight;
    Node->NodeHeight = NewHeight;
    ShiftTotalHeight(Node, Delta, true);
    if (!FStates.Contains(tsValidating) && IsFullyVisible(Node)) {
        InvalidatePositionCache();
        if (FUpdateCount == 0) {
            InvalidateToBottom(Node);
            UpdateScrollBars(true);
        }
    }
}

// ---- visibility and order -------------------------------------------------------------------

bool TBaseVirtualTree::IsFullyVisible(PVirtualNode Node) const
{
    assert(Node && "Invalid parameter.");
    return Node->Has(vsVisible) && (Node == FRoot || HasVisibleParentPath(Node));
}

bool TBaseVirtualTree::HasVisibleParentPath(PVirtualNode Node) const
{
    assert(Node && Node != FRoot && "Invalid parameters.");
    PVirtualNode Run = Node->Parent;
    while (Run != FRoot && Run->Has(vsExpanded) && Run->Has(vsVisible))
        Run = Run->Parent;
    return Run == FRoot;
}

bool TBaseVirtualTree::IsVisibleNode(PVirtualNode Node)
{
    if (!Node)
        Node = FRoot;
    if (!Node->Has(vsInitialized))
        InitializeNode(Node);
    return Node->Has(vsVisible);
}

Cardinal TBaseVirtualTree::NodeLevel(PVirtualNode Node) const
{
    Cardinal Level = 0;
    if (!Node || Node == FRoot)
        return 0;
    for (PVirtualNode Run = Node->Parent; Run != FRoot; Run = Run->Parent)
        ++Level;
    return Level;
}

int TBaseVirtualTree::CompareTreeOrder(PVirtualNode Node1, PVirtualNode Node2) const
{
    assert(Node1 && Node2 && "Nodes must never be nil.");
    if (Node1 == Node2)
        return 0;
    Cardinal Level1 = NodeLevel(Node1);
    Cardinal Level2 = NodeLevel(Node2);
    PVirtualNode Run1 = Node1;
    PVirtualNode Run2 = Node2;
    while (Level1 > Level2) {
        Run1 = Run1->Parent;
        --Level1;
    }
    if (Run1 == Node2)
        return 1;
    while (Level2 > Level1) {
        Run2 = Run2->Parent;
        --Level2;
    }
    if (Run2 == Node1)
        return -1;
    while (Run1->Parent != Run2->Parent) {
        Run1 = Run1->Parent;
        Run2 = Run2->Parent;
    }
    const int64_t Diff = static_cast<int64_t>(Run1->Index) - Run2->Index;
    return Diff < 0 ? -1 : (Diff > 0 ? 1 : 0);
}

int TBaseVirtualTree::NodeLevelDifference(PVirtualNode Node1, PVirtualNode Node2) const
{
    assert(Node1 && Node2 && "Both nodes must be Assigned.");
    return static_cast<int>(NodeLevel(Node2)) - static_cast<int>(NodeLevel(Node1));
}

Cardinal TBaseVirtualTree::CountVisibleChildren(PVirtualNode Node) const
{
    if (!Node->Has(vsExpanded))
        return 0;
    Cardinal Count = 0;
    PVirtualNode Run = Node->FirstChild;
    while (Run) {
        if (Run->Has(vsVisible)) {
            ++Count;
            if (Run->Has(vsExpanded) && Run->FirstChild) {
                Run = Run->FirstChild;
                continue;
            }
        }
        while (!Run->NextSibling) {
            Run = Run->Parent;
            if (Run == Node)
                return Count;
        }
        Run = Run->NextSibling;
    }
    return Count;
}

void TBaseVirtualTree::UpdateHiddenChildrenFlag(PVirtualNode Node)
{
    if (Node->ChildCount == 0) {
        if (Node->Has(vsHasChildren))
            Node->Exclude(vsAllChildrenHidden);
        else
            Node->Include(vsAllChildrenHidden);
        return;
    }
    bool AnyVisible = false;
    for (PVirtualNode Run = Node->FirstChild; Run && !AnyVisible; Run = Run->NextSibling)
        AnyVisible = Run->Has(vsVisible);
    if (AnyVisible)
        Node->Exclude(vsAllChildrenHidden);
    else
        Node->Include(vsAllChildrenHidden);
}

void TBaseVirtualTree::UpdateAllHiddenChildrenFlags()
{
    for (PVirtualNode Run = FirstNodeRaw(); Run; Run = NextNodeRaw(Run))
        UpdateHiddenChildrenFlag(Run);
}

// ---- node state properties ------------------------------------------------------------------

void TBaseVirtualTree::SetExpanded(PVirtualNode Node, bool Value)
{
    if (Node && Node != FRoot && Node->Has(vsExpanded) != Value)
        ToggleNode(Node);
}

void TBaseVirtualTree::SetVisible(PVirtualNode Node, bool Value)
{
    assert(Node && Node != FRoot && "Invalid parameter.");
    if (Node->Has(vsVisible) == Value)
        return;
    InterruptValidation();
    PVirtualNode Parent = Node->Parent;
    const bool ParentPathShown = Parent == FRoot || (Parent->Has(vsVisible) &&
                                                     Parent->Has(vsExpanded) &&
                                                     HasVisibleParentPath(Parent));
    const bool ParentShown = ParentPathShown && Parent->Has(vsExpanded);
    if (Value) {
        Node->Include(vsVisible);
        if (Parent->Has(vsExpanded))
            ShiftTotalHeight(Parent, Node->TotalHeight, true);
        if (ParentShown)
            FVisibleCount += 1 + CountVisibleChildren(Node);
    } else {
        if (ParentShown)
            FVisibleCount -= 1 + CountVisibleChildren(Node);
        if (Parent->Has(vsExpanded))
            ShiftTotalHeight(Parent, -static_cast<int64_t>(Node->TotalHeight), true);
        Node->Exclude(vsVisible);
    }
    if (Parent != FRoot) {
        if (FUpdateCount == 0)
            UpdateHiddenChildrenFlag(Parent);
        else
            ChangeState({tsUpdateHiddenChildrenNeeded}, {});
    }
    InvalidatePositionCache();
    if (FUpdateCount == 0) {
        UpdateScrollBars(true);
        InvalidateTree();
    }
}

void TBaseVirtualTree::SetDisabled(PVirtualNode Node, bool Value)
{
    if (!Node || Node == FRoot || Node->Has(vsDisabled) == Value)
        return;
    if (Value)
        Node->Include(vsDisabled);
    else
        Node->Exclude(vsDisabled);
    InvalidateNode(Node);
}

void TBaseVirtualTree::SetHasChildren(PVirtualNode Node, bool Value)
{
    if (!Node || Node == FRoot)
        return;
    if (Value) {
        Node->Include(vsHasChildren);
        return;
    }
    Node->Exclude(vsHasChildren);
    if (Node->ChildCount > 0)
        RemoveChildren(Node);
}

void TBaseVirtualTree::SetCheckType(PVirtualNode Node, TCheckType Value)
{
    if (!Node || Node == FRoot || Node->CheckType == Value)
        return;
    Node->CheckType = Value;
    Node->CheckState = csUncheckedNormal;
    InvalidateNode(Node);
}

void TBaseVirtualTree::SetFocusedColumn(TColumnIndex Value)
{
    if (Value == FFocusedColumn)
        return;
    FocusNodeAndColumn(FFocusedNode, Value);
}

// ---- check states ---------------------------------------------------------------------------

void TBaseVirtualTree::SetCheckState(PVirtualNode Node, TCheckState Value)
{
    if (!Node || Node == FRoot || Node->CheckState == Value || Node->Has(vsDisabled))
        return;
    if (DoChecking(Node, Value) && ApplyCheckState(Node, Value))
        DoChecked(Node);
}

bool TBaseVirtualTree::ApplyCheckState(PVirtualNode Node, TCheckState Value)
{
    if (Node->Has(vsChecking))
        return false;
    Node->Include(vsChecking);
    if (!Node->Has(vsInitialized))
        InitializeNode(Node);
    if (FCheckPropagationCount == 0)
        ChangeState({tsCheckPropagation}, {});
    ++FCheckPropagationCount;
    bool Result = true;
    try {
        const bool Tracking = FOptions->AutoOptions().Contains(toAutoTristateTracking);
        if (Node->CheckType == ctRadioButton && Value == csCheckedNormal) {
            for (PVirtualNode Run = Node->Parent->FirstChild; Run; Run = Run->NextSibling)
                if (Run != Node && Run->CheckType == ctRadioButton)
                    Run->CheckState = csUncheckedNormal;
            InvalidateTree();
        }
        if (Node->CheckType == ctTriStateCheckBox && Tracking &&
            (Value == csUncheckedNormal || Value == csCheckedNormal) && Node->ChildCount > 0) {
            int Counted = 0, Checked = 0, Unchecked = 0;
            bool Mixed = false;
            for (PVirtualNode Run = Node->FirstChild; Run; Run = Run->NextSibling) {
                if (!IsCheckBoxType(Run->CheckType))
                    continue;
                SetCheckState(Run, Value);
                ++Counted;
                if (Run->CheckState == csMixedNormal)
                    Mixed = true;
                else if (IsChecked(Run->CheckState))
                    ++Checked;
                else
                    ++Unchecked;
            }
            if (Mixed || (Checked > 0 && Unchecked > 0))
                Value = csMixedNormal;
            else if (Counted > 0 && Checked == Counted)
                Value = csCheckedNormal;
        }
        Node->CheckState = Value;
        PVirtualNode Parent = Node->Parent;
        if (Parent != FRoot && !Parent->Has(vsInitialized))
            InitializeNode(Parent);
        if (Tracking && !Parent->Has(vsChecking) && !Parent->Has(vsDisabled) &&
            IsCheckBoxType(Node->CheckType) && Parent != FRoot &&
            Parent->CheckType == ctTriStateCheckBox)
            Result = PropagateCheckToParent(Node, Value);
        InvalidateNode(Node);
    } catch (...) {
        Node->Exclude(vsChecking);
        if (--FCheckPropagationCount == 0)
            ChangeState({}, {tsCheckPropagation});
        throw;
    }
    Node->Exclude(vsChecking);
    if (--FCheckPropagationCount == 0)
        ChangeState({}, {tsCheckPropagation});
    return Result;
}

bool TBaseVirtualTree::PropagateCheckToParent(PVirtualNode Node, TCheckState NewState)
{
    PVirtualNode Parent = Node->Parent;
    int Count = 0, Checked = 0;
    bool Mixed = false;
    for (PVirtualNode Run = Parent->FirstChild; Run; Run = Run->NextSibling) {
        if (!IsCheckBoxType(Run->CheckType))
            continue;
        ++Count;
        const Byte State = Run == Node ? static_cast<Byte>(NewState) : Run->CheckState;
        if (IsChecked(State))
            ++Checked;
        if (State == csMixedNormal)
            Mixed = true;
    }
    TCheckState ParentState = csCheckedNormal;
    if (Checked == 0 && !Mixed)
        ParentState = csUncheckedNormal;
    else if (Checked < Count)
        ParentState = csMixedNormal;
    if (!DoChecking(Parent, ParentState))
        return false;
    Parent->CheckState = ParentState;
    DoChecked(Parent);
    InvalidateNode(Parent);
    PVirtualNode Grand = Parent->Parent;
    if (Grand != FRoot && !Grand->Has(vsInitialized))
        InitializeNode(Grand);
    if (Grand != FRoot && !Grand->Has(vsChecking) && !Grand->Has(vsDisabled) &&
        Grand->CheckType == ctTriStateCheckBox)
        return PropagateCheckToParent(Parent, ParentState);
    return true;
}

TCheckState TBaseVirtualTree::NextCheckStateFor(TCheckType CheckType, TCheckState CheckState)
{
    switch (CheckType) {
    case ctTriStateCheckBox:
    case ctCheckBox:
        return CheckState == csCheckedNormal ? csUncheckedNormal : csCheckedNormal;
    case ctRadioButton:
        return csCheckedNormal;
    case ctButton:
        return csUncheckedNormal;
    case ctNone:
        break;
    }
    return csMixedNormal;
}

// ---- change notifications -------------------------------------------------------------------

void TBaseVirtualTree::ChangeState(TVirtualTreeStates Enter, TVirtualTreeStates Leave)
{
    if (OnStateChange) {
        const TVirtualTreeStates Actual = (Enter - FStates) + (Leave * FStates);
        if (!Actual.Empty())
            DoStateChange(Enter, Leave);
    }
    FStates = (FStates + Enter) - Leave;
}

void TBaseVirtualTree::Change(PVirtualNode Node)
{
    AdviseChange(false, Node, crIgnore);
    if (FUpdateCount > 0)
        return;
    if (FChangeDelay > 0 && !FStates.Contains(tsSynchMode))
        SetTimerFor(ChangeTimer, FChangeDelay);
    else
        DoChange(Node);
}

void TBaseVirtualTree::AdviseChange(bool StructureChange, PVirtualNode Node, TChangeReason Reason)
{
    if (StructureChange) {
        if (FStates.Contains(tsStructureChangePending))
            KillTimerFor(StructureChangeTimer);
        else
            ChangeState({tsStructureChangePending}, {});
        FLastStructureChangeNode = Node;
        if (FLastStructureChangeReason == crIgnore)
            FLastStructureChangeReason = Reason;
        else if (Reason != crIgnore && Reason != FLastStructureChangeReason)
            FLastStructureChangeReason = crAccumulated;
        return;
    }
    if (FStates.Contains(tsChangePending))
        KillTimerFor(ChangeTimer);
    else
        ChangeState({tsChangePending}, {});
    FLastChangedNode = Node;
}

void TBaseVirtualTree::StructureModified(PVirtualNode Node, TChangeReason Reason)
{
    AdviseChange(true, Node, Reason);
    if (FUpdateCount > 0)
        return;
    if (FChangeDelay > 0 && !FStates.Contains(tsSynchMode))
        SetTimerFor(StructureChangeTimer, FChangeDelay);
    else
        FireStructureChange(FLastStructureChangeNode, FLastStructureChangeReason);
}

void TBaseVirtualTree::FireStructureChange(PVirtualNode Node, TChangeReason Reason)
{
    KillTimerFor(StructureChangeTimer);
    DoStructureChange(Node, Reason);
    ChangeState({}, {tsStructureChangePending});
    FLastStructureChangeNode = nullptr;
    FLastStructureChangeReason = crIgnore;
}

void TBaseVirtualTree::FireUpdating(TVTUpdateState State)
{
    OnUpdating(this, State);
}

void TBaseVirtualTree::ChangeTimerExpired(UINT_PTR Id)
{
    if (Id == ChangeTimer) {
        KillTimerFor(ChangeTimer);
        if (FStates.Contains(tsChangePending))
            DoChange(FLastChangedNode);
    } else if (Id == StructureChangeTimer) {
        if (FStates.Contains(tsStructureChangePending))
            FireStructureChange(FLastStructureChangeNode, FLastStructureChangeReason);
        else
            KillTimerFor(StructureChangeTimer);
    }
}

void TBaseVirtualTree::SetTimerFor(UINT_PTR Id, Cardinal Elapse)
{
    if (!Destroying())
        SetTimer(Handle(), Id, Elapse, nullptr);
}

void TBaseVirtualTree::KillTimerFor(UINT_PTR Id)
{
    if (HandleAllocated())
        KillTimer(Handle(), Id);
}

// ---- initialisation and linking -------------------------------------------------------------

void TBaseVirtualTree::QueryNodeDataSize(int& Size)
{
    Size = 0;
    OnGetNodeDataSize(this, Size);
}

void TBaseVirtualTree::InitializeNode(PVirtualNode Node)
{
    Node->Include(vsInitialized);
    TVirtualNodeInitStates InitStates;
    DoInitNode(Node->Parent == FRoot ? nullptr : Node->Parent, Node, InitStates);
    if (InitStates.Contains(ivsDisabled))
        Node->Include(vsDisabled);
    if (InitStates.Contains(ivsHasChildren))
        Node->Include(vsHasChildren);
    if (InitStates.Contains(ivsMultiline))
        Node->Include(vsMultiline);
    if (InitStates.Contains(ivsSelected)) {
        FSingletonNodeArray[0] = Node;
        AddToSelection(FSingletonNodeArray, 1, false);
    }
    if (Node->Has(vsExpanded) != InitStates.Contains(ivsExpanded)) {
        if (InitStates.Contains(ivsExpanded))
            ToggleNode(Node);
        else if (Node->Has(vsHasChildren))
            InitializeChildren(Node);
    }
}

void TBaseVirtualTree::InitializeChildren(PVirtualNode Node)
{
    if (Node == FRoot || !Node->Has(vsHasChildren))
        return;
    Cardinal Count = Node->ChildCount;
    if (!DoInitChildren(Node, Count))
        return;
    if (Count == 0) {
        RemoveChildren(Node, false);
        Node->Exclude(vsHasChildren);
    } else {
        SetChildCount(Node, Count);
    }
}

void TBaseVirtualTree::LinkNode(PVirtualNode Node, PVirtualNode Destination,
                                TVTNodeAttachMode Mode, TBaseVirtualTree*)
{
    PVirtualNode Parent = nullptr;
    switch (Mode) {
    case amNoWhere:
        return;
    case amInsertBefore:
        Parent = Destination->Parent;
        Node->PrevSibling = Destination->PrevSibling;
        Destination->PrevSibling = Node;
        Node->NextSibling = Destination;
        Node->Parent = Parent;
        Node->Index = Destination->Index;
        if (Node->PrevSibling)
            Node->PrevSibling->NextSibling = Node;
        else
            Parent->FirstChild = Node;
        for (PVirtualNode Run = Destination; Run; Run = Run->NextSibling)
            ++Run->Index;
        break;
    case amInsertAfter:
        Parent = Destination->Parent;
        Node->NextSibling = Destination->NextSibling;
        Destination->NextSibling = Node;
        Node->PrevSibling = Destination;
        Node->Parent = Parent;
        if (Node->NextSibling)
            Node->NextSibling->PrevSibling = Node;
        else
            Parent->LastChild = Node;
        Node->Index = Destination->Index;
        for (PVirtualNode Run = Node; Run; Run = Run->NextSibling)
            ++Run->Index;
        break;
    case amAddChildFirst:
        Parent = Destination;
        Node->PrevSibling = nullptr;
        Node->NextSibling = Parent->FirstChild;
        if (Parent->FirstChild)
            Parent->FirstChild->PrevSibling = Node;
        else
            Parent->LastChild = Node;
        Parent->FirstChild = Node;
        Node->Parent = Parent;
        Node->Index = 0;
        for (PVirtualNode Run = Node->NextSibling; Run; Run = Run->NextSibling)
            ++Run->Index;
        break;
    case amAddChildLast:
        Parent = Destination;
        Node->NextSibling = nullptr;
        Node->PrevSibling = Parent->LastChild;
        if (Parent->LastChild)
            Parent->LastChild->NextSibling = Node;
        else
            Parent->FirstChild = Node;
        Parent->LastChild = Node;
        Node->Parent = Parent;
        Node->Index = Node->PrevSibling ? Node->PrevSibling->Index + 1 : 0;
        break;
    }
    ++Parent->ChildCount;
    Parent->Include(vsHasChildren);
    ShiftTotalCount(Parent, Node->TotalCount, true);
    if (Parent->Has(vsExpanded) && Node->Has(vsVisible))
        ShiftTotalHeight(Parent, Node->TotalHeight, true);
    if (IsFullyVisible(Node))
        FVisibleCount += CountVisibleChildren(Node) + 1;
    Node->Exclude(vsChecking);
    Node->Exclude(vsCutOrCopy);
    Node->Exclude(vsDeleting);
    Node->Exclude(vsClearing);
    if (Parent != FRoot) {
        if (Node->Has(vsVisible))
            Parent->Exclude(vsAllChildrenHidden);
        else if (Parent->ChildCount == 1)
            Parent->Include(vsAllChildrenHidden);
    }
    InvalidatePositionCache();
}

void TBaseVirtualTree::UnlinkNode(PVirtualNode Node, bool KeepFocus, bool Reindex)
{
    assert(Node && Node != FRoot && "Node must neither be nil nor the root node.");
    if (Node == FFocusedNode && !KeepFocus) {
        DoFocusNode(nullptr, false);
        DoFocusChange(FFocusedNode, FFocusedColumn);
    }
    if (Node == FRangeAnchor)
        ResetAnchor();
    PVirtualNode Parent = Node->Parent;
    if (!Node->Has(vsDeleting)) {
        Node->Exclude(vsChecking);
        const bool AdjustHeight = Parent->Has(vsExpanded) && Node->Has(vsVisible);
        const Cardinal VisibleLoss = IsFullyVisible(Node) ? CountVisibleChildren(Node) + 1 : 0;
        --Parent->ChildCount;
        if (Parent->ChildCount == 0) {
            Parent->Exclude(vsAllChildrenHidden);
            Parent->Exclude(vsHasChildren);
            if (Parent != FRoot)
                Parent->Exclude(vsExpanded);
        }
        ShiftTotalCount(Parent, -static_cast<int64_t>(Node->TotalCount), true);
        if (AdjustHeight)
            ShiftTotalHeight(Parent, -static_cast<int64_t>(Node->TotalHeight), true);
        FVisibleCount -= VisibleLoss;
        if (Node->PrevSibling)
            Node->PrevSibling->NextSibling = Node->NextSibling;
        else
            Parent->FirstChild = Node->NextSibling;
        if (Node->NextSibling) {
            Node->NextSibling->PrevSibling = Node->PrevSibling;
            if (Reindex) {
                Cardinal Index = Node->Index;
                for (PVirtualNode Run = Node->NextSibling; Run; Run = Run->NextSibling)
                    Run->Index = Index++;
            }
        } else {
            Parent->LastChild = Node->PrevSibling;
        }
        Node->PrevSibling = nullptr;
        Node->NextSibling = nullptr;
    }
    if (Parent != FRoot && !Parent->Has(vsClearing)) {
        if (FUpdateCount == 0)
            UpdateHiddenChildrenFlag(Parent);
        else
            ChangeState({tsUpdateHiddenChildrenNeeded}, {});
    }
    InvalidatePositionCache();
}

// ---- position cache -------------------------------------------------------------------------

void TBaseVirtualTree::InterruptValidation()
{
    // Validation runs on this thread, inside lookups: there is nothing to
    // stop, only the cache to drop.
    InvalidatePositionCache();
}

void TBaseVirtualTree::InvalidatePositionCache()
{
    if (FStates.Contains(tsValidationNeeded) && !FStates.Contains(tsUseCache))
        return;
    ChangeState({tsValidationNeeded}, {tsUseCache});
}

void TBaseVirtualTree::StartCacheValidation()
{
    // The cache is rebuilt by the first lookup that needs it.
    if (FStates.Contains(tsStopValidation))
        ChangeState({}, {tsStopValidation});
}

bool TBaseVirtualTree::RebuildPositionCache()
{
    FPositionCache.clear();
    if (FVisibleCount <= CacheThreshold)
        return false;
    FPositionCache.reserve(FVisibleCount / CacheSpacing + 2);
    Cardinal Top = 0;
    Cardinal Counter = 0;
    PVirtualNode Last = nullptr;
    Cardinal LastTop = 0;
    for (PVirtualNode Run = FirstVisibleNodeRaw(); Run; Run = NextVisibleNodeRaw(Run)) {
        if (Counter == 0)
            FPositionCache.push_back({Run, Top, TopLevelIndex(Run)});
        if (++Counter == CacheSpacing)
            Counter = 0;
        Last = Run;
        LastTop = Top;
        Top += Run->NodeHeight;
    }
    if (Last && FPositionCache.back().Node != Last)
        FPositionCache.push_back({Last, LastTop, TopLevelIndex(Last)});
    return Last != nullptr;
}

void TBaseVirtualTree::ValidateCache()
{
    if (!FStates.Contains(tsValidationNeeded))
        return;
    ChangeState({tsValidating}, {tsUseCache});
    if (RebuildPositionCache()) {
        ChangeState({tsUseCache}, {tsStopValidation, tsValidating, tsValidationNeeded});
        if (FOptions->MiscOptions().Contains(toVariableNodeHeight))
            UpdateScrollBars(true);
    } else {
        // Too few rows for a cache: lookups walk the rows, and nothing is
        // left to validate until the next change.
        ChangeState({}, {tsStopValidation, tsValidating, tsValidationNeeded});
    }
}

Cardinal TBaseVirtualTree::TopLevelIndex(PVirtualNode Node) const
{
    while (Node->Parent != FRoot)
        Node = Node->Parent;
    return Node->Index;
}

PVirtualNode TBaseVirtualTree::FindCacheEntryByNode(PVirtualNode Node, Cardinal& Top)
{
    Top = 0;
    if (FPositionCache.empty())
        return nullptr;
    const Cardinal NodeTopIndex = TopLevelIndex(Node);
    auto After = [&](const TCacheEntry& E) {
        if (E.TopIndex != NodeTopIndex)
            return E.TopIndex > NodeTopIndex;
        return CompareTreeOrder(E.Node, Node) > 0;
    };
    int Low = 0;
    int High = static_cast<int>(FPositionCache.size()) - 1;
    int Found = -1;
    while (Low <= High) {
        const int Mid = (Low + High) / 2;
        if (After(FPositionCache[Mid])) {
            High = Mid - 1;
        } else {
            Found = Mid;
            Low = Mid + 1;
        }
    }
    if (Found < 0)
        return nullptr;
    Top = FPositionCache[Found].AbsoluteTop;
    return FPositionCache[Found].Node;
}

PVirtualNode TBaseVirtualTree::FindCacheEntryByPosition(Cardinal Y, Cardinal& Top)
{
    Top = 0;
    if (FPositionCache.empty())
        return nullptr;
    auto It = std::upper_bound(FPositionCache.begin(), FPositionCache.end(), Y,
                               [](Cardinal V, const TCacheEntry& E) { return V < E.AbsoluteTop; });
    if (It == FPositionCache.begin())
        return nullptr;
    --It;
    Top = It->AbsoluteTop;
    return It->Node;
}

// ---- class-library overrides ----------------------------------------------------------------

void TBaseVirtualTree::Loaded()
{
    inherited::Loaded();
    if (FStates.Contains(tsNeedRootCountUpdate)) {
        ChangeState({}, {tsNeedRootCountUpdate});
        const Cardinal Count = FRoot->ChildCount;
        if (Count > 0) {
            const TVTMiscOptions Saved = FOptions->FMiscOptions;
            FOptions->FMiscOptions.Exclude(toReadOnly);
            FRoot->ChildCount = 0;
            LockUpdates();
            try {
                SetChildCount(FRoot, Count);
            } catch (...) {
                UnlockUpdates();
                FOptions->FMiscOptions = Saved;
                throw;
            }
            UnlockUpdates();
            FOptions->FMiscOptions = Saved;
        }
    }
    // Columns and header values read from a form were only stored; now they
    // take effect together.
    FHeader->SetMainColumn(FHeader->MainColumn());
    FHeader->Columns()->RebuildPositionTable();
    FHeader->RecalculateHeader();
    if (FHeader->Options().Contains(hoAutoResize))
        FHeader->Columns()->AdjustAutoSize(InvalidColumn, true);
}

void TBaseVirtualTree::ChangeScale(int M, int D)
{
    inherited::ChangeScale(M, D);
    if (M == D || !FOptions->AutoOptions().Contains(toAutoChangeScale))
        return;
    if (ComponentState().Contains(csLoading) && !FStates.Contains(tsNeedScale))
        return;
    SetDefaultNodeHeight(static_cast<Cardinal>(MulDiv(static_cast<int>(FDefaultNodeHeight), M, D)));
    FHeader->ChangeScale(M, D);
}

void TBaseVirtualTree::Assign(TPersistent* Source)
{
    auto* Other = dynamic_cast<TBaseVirtualTree*>(Source);
    if (!Other) {
        inherited::Assign(Source);
        return;
    }
    if (FOptions->MiscOptions().Contains(toReadOnly))
        return;
    SetChangeDelay(Other->FChangeDelay);
    SetDefaultNodeHeight(Other->FDefaultNodeHeight);
    SetDefaultPasteMode(Other->FDefaultPasteMode);
    SetIndent(Other->FIndent);
    SetMargin(Other->FMargin);
    SetNodeDataSize(Other->FNodeDataSize);
    FOptions->Assign(Other->FOptions.get());
    SetRootNodeCount(Other->RootNodeCount());
}

void TBaseVirtualTree::Notification(TComponent* AComponent, TOperation Operation)
{
    if (Operation == opRemove) {
        bool Changed = false;
        if (AComponent == static_cast<TComponent*>(FImages)) {
            FImages = nullptr;
            Changed = true;
        }
        if (AComponent == static_cast<TComponent*>(FStateImages)) {
            FStateImages = nullptr;
            Changed = true;
        }
        if (AComponent == static_cast<TComponent*>(FCustomCheckImages)) {
            if (FCheckImages == FCustomCheckImages)
                FCheckImages = nullptr;
            FCustomCheckImages = nullptr;
            Changed = true;
        }
        if (Changed && !Destroying())
            InvalidateTree();
    }
    inherited::Notification(AComponent, Operation);
}

// The tree stream: a 12-byte magic with the version, the top-level count
// (from version 2), then one node chunk per node. A chunk is an 8-byte
// header (u32 type, i32 size of what follows) and its body; a node chunk
// holds a base chunk (17-byte body, then the children's node chunks), an
// optional user chunk and an optional caption chunk. Little-endian.

#include "common/vtree/VTree.h"
#include "common/vtree/VTreePrivate.h"

#include "platform/rtl/Files.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr Word MagicUnits[6] = {0x2045, 0x0056, 0x0054, 2, 0x0020, 0x2046};
constexpr Cardinal MaxReadVersion = 2;

enum ChunkType : uint32_t { NodeChunk = 1, BaseChunk = 2, CaptionChunk = 3, UserChunk = 4 };

constexpr int ChunkHeaderSize = 8;
constexpr int BaseBodySize = 17;
constexpr int OldBaseBodySize = 12;

// States never stored: checking, cut-or-copy, deleting, data assigned,
// height measured.
constexpr Word WriteStateMask = 0xDDE9;
// Read back are only states a stream can mean: the transient ones above,
// and clearing and toggling, which belong to an operation that was running
// when the node was written (a node read as toggling could never be
// toggled again).
constexpr Word ReadStateMask = WriteStateMask & ~((1u << vsClearing) | (1u << vsToggling));

// Nesting deeper than this is no tree anyone made; refusing it keeps a
// crafted stream from exhausting the stack.
constexpr int MaxReadDepth = 4096;

using namespace vtree_private;

void PutU32(unsigned char* P, uint32_t V)
{
    P[0] = static_cast<unsigned char>(V);
    P[1] = static_cast<unsigned char>(V >> 8);
    P[2] = static_cast<unsigned char>(V >> 16);
    P[3] = static_cast<unsigned char>(V >> 24);
}

uint32_t GetU32(const unsigned char* P)
{
    return static_cast<uint32_t>(P[0]) | static_cast<uint32_t>(P[1]) << 8 |
           static_cast<uint32_t>(P[2]) << 16 | static_cast<uint32_t>(P[3]) << 24;
}

Word GetU16(const unsigned char* P)
{
    return static_cast<Word>(P[0] | P[1] << 8);
}

void WriteU32(TStream* Stream, uint32_t V)
{
    unsigned char B[4];
    PutU32(B, V);
    Stream->WriteBuffer(B, 4);
}

/// Exactly Count bytes, or 2004 when the stream ends first.
void ReadExactly(TStream* Stream, void* Buffer, int Count)
{
    if (Stream->Read(Buffer, Count) != Count)
        RaiseTreeError(SNotEnoughData, ErrNotEnoughData);
}

struct ChunkHeader {
    uint32_t Type;
    int32_t Size;
};

ChunkHeader ReadChunkHeader(TStream* Stream)
{
    unsigned char B[ChunkHeaderSize];
    ReadExactly(Stream, B, ChunkHeaderSize);
    return {GetU32(B), static_cast<int32_t>(GetU32(B + 4))};
}

/// The chunk must fit in what is left before Limit.
void CheckChunkSize(int32_t Size, Int64 Position, Int64 Limit)
{
    if (Size < 0 || Size > Limit - Position)
        RaiseTreeError(SOverrun, ErrOverrun);
}

struct DepthScope {
    explicit DepthScope(int& D) : Depth(D)
    {
        if (++Depth > MaxReadDepth) {
            --Depth;
            RaiseTreeError(SOverrun, ErrOverrun);
        }
    }
    ~DepthScope() { --Depth; }
    int& Depth;
};

}  // namespace

// ---- writing --------------------------------------------------------------------------------

void TBaseVirtualTree::PatchChunkSize(TStream* Stream, Int64 ChunkStart, Int64 ChunkEnd)
{
    Stream->Seek(ChunkStart + 4, soBeginning);
    WriteU32(Stream, static_cast<uint32_t>(ChunkEnd - ChunkStart - ChunkHeaderSize));
    Stream->Seek(ChunkEnd, soBeginning);
}

void TBaseVirtualTree::SaveToStream(TStream* Stream, PVirtualNode Node)
{
    unsigned char Magic[12];
    for (int I = 0; I < 6; ++I) {
        Magic[I * 2] = static_cast<unsigned char>(MagicUnits[I]);
        Magic[I * 2 + 1] = static_cast<unsigned char>(MagicUnits[I] >> 8);
    }
    Stream->WriteBuffer(Magic, sizeof Magic);
    if (Node && Node != FRoot) {
        WriteU32(Stream, 1);
        WriteNodeChunk(Stream, Node);
        return;
    }
    WriteU32(Stream, FRoot->ChildCount);
    for (PVirtualNode Run = FRoot->FirstChild; Run; Run = Run->NextSibling)
        WriteNodeChunk(Stream, Run);
}

void TBaseVirtualTree::SaveToFile(const AnsiString& FileName)
{
    // Made in memory and written in one go: the stream is made a field at a
    // time with its chunk sizes patched behind, a system call each on a
    // file; and a node that fails to save leaves the old file as it was.
    TMemoryStream Stream;
    SaveToStream(&Stream);
    Stream.SaveToFile(FileName);
}

void TBaseVirtualTree::WriteNodeChunks(TStream* Stream, const TNodeArray& Nodes)
{
    for (PVirtualNode Node : Nodes)
        WriteNodeChunk(Stream, Node);
}

void TBaseVirtualTree::WriteNodeChunk(TStream* Stream, PVirtualNode Node)
{
    if (FOptions->MiscOptions().Contains(toInitOnSave)) {
        if (!Node->Has(vsInitialized))
            InitializeNode(Node);
        if (Node->Has(vsHasChildren) && Node->ChildCount == 0)
            InitializeChildren(Node);
    }
    const Int64 Start = Stream->Position();
    unsigned char Header[ChunkHeaderSize] = {};
    PutU32(Header, NodeChunk);
    Stream->WriteBuffer(Header, ChunkHeaderSize);
    WriteSubChunks(Stream, Node);
    PatchChunkSize(Stream, Start, Stream->Position());
}

void TBaseVirtualTree::WriteSubChunks(TStream* Stream, PVirtualNode Node)
{
    const Int64 Start = Stream->Position();
    const bool WritesChildren = Node->Has(vsInitialized);
    unsigned char Base[ChunkHeaderSize + BaseBodySize] = {};
    PutU32(Base, BaseChunk);
    // The children of a node that was never initialised are not written, so
    // the count says none: a reader expects exactly that many chunks.
    PutU32(Base + 8, WritesChildren ? Node->ChildCount : 0);
    PutU32(Base + 12, Node->NodeHeight);
    const Word States = Node->States & WriteStateMask;
    Base[16] = static_cast<unsigned char>(States);
    Base[17] = static_cast<unsigned char>(States >> 8);
    Base[18] = Node->Align;
    Base[19] = Node->CheckState;
    Base[20] = Node->CheckType;
    Stream->WriteBuffer(Base, sizeof Base);
    if (WritesChildren)
        for (PVirtualNode Run = Node->FirstChild; Run; Run = Run->NextSibling)
            WriteNodeChunk(Stream, Run);
    PatchChunkSize(Stream, Start, Stream->Position());

    const Int64 UserStart = Stream->Position();
    unsigned char User[ChunkHeaderSize] = {};
    PutU32(User, UserChunk);
    Stream->WriteBuffer(User, ChunkHeaderSize);
    DoSaveUserChunk(Node, Stream);
    const Int64 UserEnd = Stream->Position();
    if (UserEnd == UserStart + ChunkHeaderSize) {
        Stream->Seek(UserStart, soBeginning);
        Stream->SetSize(Stream->Size() - ChunkHeaderSize);
    } else {
        PatchChunkSize(Stream, UserStart, UserEnd);
    }
}

// ---- reading --------------------------------------------------------------------------------

void TBaseVirtualTree::LoadFromFile(const AnsiString& FileName)
{
    TFileStream Stream(FileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&Stream);
}

void TBaseVirtualTree::LoadFromStream(TStream* Stream)
{
    if (FOptions->MiscOptions().Contains(toReadOnly))
        return;
    // A refused stream leaves an empty tree.
    RemoveAll();
    unsigned char Magic[12];
    if (Stream->Read(Magic, sizeof Magic) != static_cast<int>(sizeof Magic))
        RaiseTreeError(SNotEnoughData, ErrNotEnoughData);
    for (int I : {0, 1, 2, 5})
        if (GetU16(Magic + I * 2) != MagicUnits[I])
            RaiseTreeError(SWrongFormat, ErrWrongFormat);
    const Cardinal Version = GetU16(Magic + 6);
    if (Version > MaxReadVersion)
        RaiseTreeError(SWrongVersion, ErrWrongVersion);
    LockUpdates();
    try {
        uint32_t Count = 0x7FFFFFFF;
        if (Version >= 2) {
            unsigned char B[4];
            Stream->ReadBuffer(B, 4);
            Count = GetU32(B);
        }
        // The selection of the whole tree is merged once at the end: a merge
        // per top-level node made a million selected nodes quadratic.
        const Int64 Size = Stream->Size();
        bool Short = false;
        while (Count > 0) {
            if (Stream->Position() >= Size) {
                // Version 2 counts its top-level nodes: fewer is a cut stream.
                Short = Version >= 2;
                break;
            }
            --Count;
            PVirtualNode Node = NewNodeRecord();
            LinkNode(Node, FRoot, amAddChildLast);
            LoadNodeFromStream(Stream, Version, Node, /*SettleSelection=*/false);
        }
        SettleSelectionAfterRead(FRoot);
        if (Short)
            RaiseTreeError(SNotEnoughData, ErrNotEnoughData);
        DoNodeCopied(nullptr);
    } catch (...) {
        SettleSelectionAfterRead(FRoot);
        UnlockUpdates();
        throw;
    }
    UnlockUpdates();
}

void TBaseVirtualTree::LoadNodeFromStream(TStream* Stream, Cardinal Version, PVirtualNode Node,
                                          bool SettleSelection)
{
    if (!Node)
        Node = FRoot;
    PVirtualNode Parent = Node == FRoot ? nullptr : Node->Parent;
    // What the node gave its ancestors before it was read: the reader
    // settles the difference afterwards, also when it fails part way, so
    // counts and totals always match the nodes actually linked.
    const Cardinal OldCount = Node->TotalCount;
    const Cardinal OldHeight = Node->TotalHeight;
    const bool OldShown = Parent && Node->Has(vsVisible) && Parent->Has(vsExpanded);
    const Cardinal OldVisible =
        Parent ? (IsFullyVisible(Node) ? 1 + CountVisibleChildren(Node) : 0)
               : CountVisibleChildren(FRoot);
    auto Settle = [&] {
        Cardinal NewVisible = 0;
        if (Parent) {
            ShiftTotalCount(Parent, static_cast<int64_t>(Node->TotalCount) - OldCount, true);
            const bool NewShown = Node->Has(vsVisible) && Parent->Has(vsExpanded);
            const int64_t Delta = (NewShown ? static_cast<int64_t>(Node->TotalHeight) : 0) -
                                  (OldShown ? static_cast<int64_t>(OldHeight) : 0);
            ShiftTotalHeight(Parent, Delta, true);
            NewVisible = IsFullyVisible(Node) ? 1 + CountVisibleChildren(Node) : 0;
            if (Parent != FRoot)
                UpdateHiddenChildrenFlag(Parent);
        } else {
            NewVisible = CountVisibleChildren(FRoot);
        }
        FVisibleCount = FVisibleCount - OldVisible + NewVisible;
        InvalidatePositionCache();
        if (SettleSelection)
            SettleSelectionAfterRead(Node);
    };
    try {
        ReadNodeChunks(Stream, Version, Node);
    } catch (...) {
        Settle();
        throw;
    }
    Settle();
}

void TBaseVirtualTree::SettleSelectionAfterRead(PVirtualNode Node)
{
    const bool Multi = FOptions->SelectionOptions().Contains(toMultiSelect);
    PVirtualNode Stop = Node == FRoot ? nullptr : NodeAfterSubtree(Node);
    ClearTempCache();
    for (PVirtualNode Run = Node == FRoot ? FRoot->FirstChild : Node; Run && Run != Stop;
         Run = NextNodeRaw(Run)) {
        if (!Run->Has(vsSelected))
            continue;
        int Index = 0;
        if (!Multi)
            Run->Exclude(vsSelected);
        else if (!SearchSelection(Run, Index))
            CacheNode(Run);
    }
    if (FTempNodeCount > 0)
        AddToSelection(FTempNodeCache.data(), FTempNodeCount, true);
    ClearTempCache();
}

void TBaseVirtualTree::ReadNodeChunks(TStream* Stream, Cardinal Version, PVirtualNode Node)
{
    const DepthScope Depth(FReadDepth);
    const ChunkHeader Header = ReadChunkHeader(Stream);
    if (Header.Type != NodeChunk)
        RaiseTreeError(SMissingAnchor, ErrMissingAnchor);
    // A size below zero or past the stream's end is corrupt: skipping by it
    // would loop or read beyond the data.
    CheckChunkSize(Header.Size, Stream->Position(), Stream->Size());
    const Int64 End = Stream->Position() + Header.Size;
    while (Stream->Position() < End) {
        const ChunkHeader Sub = ReadChunkHeader(Stream);
        CheckChunkSize(Sub.Size, Stream->Position(), End);
        ReadSubChunk(Stream, Version, Node, static_cast<int>(Sub.Type), Sub.Size);
    }
    if (Stream->Position() != End)
        RaiseTreeError(SOverrun, ErrOverrun);
}

void TBaseVirtualTree::AppendChild(PVirtualNode Parent, PVirtualNode Child)
{
    Child->Parent = Parent;
    Child->PrevSibling = Parent->LastChild;
    Child->Index = Parent->LastChild ? Parent->LastChild->Index + 1 : 0;
    if (Parent->LastChild)
        Parent->LastChild->NextSibling = Child;
    else
        Parent->FirstChild = Child;
    Parent->LastChild = Child;
    ++Parent->ChildCount;
}

bool TBaseVirtualTree::ReadSubChunk(TStream* Stream, Cardinal Version, PVirtualNode Node,
                                    int ChunkType, int ChunkSize)
{
    switch (ChunkType) {
    case BaseChunk: {
        unsigned char Body[BaseBodySize];
        uint32_t ChildCount = 0;
        if (Version >= 2) {
            ReadExactly(Stream, Body, BaseBodySize);
            ChildCount = GetU32(Body);
            Node->States = GetU16(Body + 8) & ReadStateMask;
            Node->Align = Body[10];
            Node->CheckState = Body[11];
            Node->CheckType = Body[12];
        } else {
            ReadExactly(Stream, Body, OldBaseBodySize);
            ChildCount = GetU32(Body);
            const Byte Old = Body[8];
            Word States = Old & 0x7F;
            if (Old & 0x80)
                States |= 1u << vsSelected;
            States |= 1u << vsVisible;
            Node->States = States & ReadStateMask;
            Node->Align = Body[9];
            Node->CheckState = Body[10];
            Node->CheckType = Body[11];
        }
        if (Node->CheckState > csMixedPressed)
            Node->CheckState = csUncheckedNormal;
        if (Node->CheckType > ctButton)
            Node->CheckType = ctNone;
        // The record keeps 16 bits of the stored height, as elsewhere.
        Node->NodeHeight = static_cast<Word>(GetU32(Body + 4) & 0xFFFF);
        Node->TotalHeight = Node->NodeHeight;
        if (Node == FRoot) {
            // The hidden root keeps its own states whatever the chunk says.
            Node->States |= (1u << vsInitialized) | (1u << vsExpanded) |
                            (1u << vsHasChildren) | (1u << vsVisible);
        }
        auto AddTotals = [Node](PVirtualNode Child) {
            Node->TotalCount += Child->TotalCount;
            if (Child->Has(vsVisible) && Node->Has(vsExpanded))
                Node->TotalHeight += Child->TotalHeight;
        };
        for (uint32_t I = 0; I < ChildCount; ++I) {
            PVirtualNode Child = NewNodeRecord();
            AppendChild(Node, Child);
            try {
                ReadNodeChunks(Stream, Version, Child);
            } catch (...) {
                AddTotals(Child);
                throw;
            }
            AddTotals(Child);
        }
        return true;
    }
    case UserChunk: {
        if (ChunkSize <= 0)
            return true;
        const Int64 Start = Stream->Position();
        DoLoadUserChunk(Node, Stream);
        const bool Read = Stream->Position() != Start;
        // A handler that read too little or too much cannot derail the
        // reader.
        if (Stream->Position() != Start + ChunkSize)
            Stream->Seek(Start + ChunkSize, soBeginning);
        return Read;
    }
    default:
        Stream->Seek(ChunkSize, soCurrent);
        return false;
    }
}

std::u16string TBaseVirtualTree::ReadCaptionChunk(TStream* Stream, int ChunkSize)
{
    if (ChunkSize <= 0)
        return std::u16string();
    const int Units = ChunkSize / 2;
    std::vector<unsigned char> Bytes(static_cast<size_t>(Units) * 2);
    ReadExactly(Stream, Bytes.data(), Units * 2);
    // An odd size leaves one byte that belongs to no character: skipped.
    if (ChunkSize % 2 != 0)
        Stream->Seek(1, soCurrent);
    std::u16string Text(static_cast<size_t>(Units), u'\0');
    for (int I = 0; I < Units; ++I)
        Text[I] = static_cast<char16_t>(Bytes[I * 2] | Bytes[I * 2 + 1] << 8);
    return Text;
}

void TBaseVirtualTree::InsertNodeChunks(TStream* Stream, PVirtualNode Target,
                                        TVTNodeAttachMode Mode, TBaseVirtualTree* SourceTree)
{
    if (!Target)
        Target = FRoot;
    if (Target == FRoot)
        Mode = AttachModeAtRoot(Mode);
    LockUpdates();
    try {
        PVirtualNode Previous = nullptr;
        while (Stream->Position() < Stream->Size()) {
            PVirtualNode Node = NewNodeRecord();
            // Every node after the first goes behind the one before it, so
            // the nodes keep the order they were written in.
            if (Previous && (Mode == amInsertAfter || Mode == amAddChildFirst))
                LinkNode(Node, Previous, amInsertAfter);
            else
                LinkNode(Node, Target, Mode);
            LoadNodeFromStream(Stream, 2, Node);
            if (!DoNodeCopying(Node, Target == FRoot ? nullptr : Target)) {
                RemoveNode(Node);
                continue;
            }
            Previous = Node;
            DoNodeCopied(Node);
            StructureModified(Node, SourceTree == this ? crNodeCopied : crNodeAdded);
        }
    } catch (...) {
        UnlockUpdates();
        throw;
    }
    UnlockUpdates();
}

bool TBaseVirtualTree::ProcessOLEData(TBaseVirtualTree* SourceTree, IVTDataSource* DataObject,
                                      PVirtualNode TargetNode, TVTNodeAttachMode Mode,
                                      bool Optimized)
{
    if (!DataObject || !DataObject->QueryGetData(CF_VIRTUALTREE()) ||
        FOptions->MiscOptions().Contains(toReadOnly))
        return false;
    if (!TargetNode)
        TargetNode = FRoot;
    if (TargetNode == FRoot)
        Mode = AttachModeAtRoot(Mode);
    LockUpdates();
    try {
        if (!Optimized) {
            std::string Bytes;
            if (DataObject->GetData(CF_VIRTUALTREE(), Bytes)) {
                // The block comes from another program: its count must stay
                // inside it.
                if (Bytes.size() < 4)
                    RaiseTreeError(SOverrun, ErrOverrun);
                const uint32_t Count = GetU32(reinterpret_cast<const unsigned char*>(Bytes.data()));
                if (Count > Bytes.size() - 4)
                    RaiseTreeError(SOverrun, ErrOverrun);
                MemoryBlockStream Stream(Bytes.data() + 4, Count);
                InsertNodeChunks(&Stream, TargetNode, Mode, SourceTree);
            }
        } else if (SourceTree) {
            // A drag moves what it drags, whatever waits on the clipboard.
            const bool Clipboard = !SourceTree->FStates.Contains(tsOLEDragging) &&
                                   (SourceTree->FStates.Contains(tsCutPending) ||
                                    SourceTree->FStates.Contains(tsCopyPending));
            TNodeArray Nodes = Clipboard
                                   ? SourceTree->ClipboardNodesInOrder(true)
                                   : SourceTree->SelectedNodesInOrder(true);
            // Modes that put each node before the one moved earlier take
            // them from the last, so the nodes keep their order.
            if (Mode != amInsertBefore && Mode != amAddChildLast)
                std::reverse(Nodes.begin(), Nodes.end());
            // A node cannot go below itself; a target in another tree lies
            // below none of them (and the source tree cannot walk it).
            for (PVirtualNode Node : Nodes)
                if (Node != TargetNode &&
                    (SourceTree != this || !IsDescendantOf(TargetNode, Node)))
                    SourceTree->MoveTo(Node, TargetNode, Mode, false);
        }
    } catch (...) {
        UnlockUpdates();
        throw;
    }
    UnlockUpdates();
    return true;
}

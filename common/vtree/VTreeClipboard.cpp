// Cut, copy and paste of nodes through the clipboard, and the registry of
// live trees by id: the clipboard's objects name their tree by its id, so
// a tree that is gone is simply not found.

#include "common/vtree/VTree.h"

#include "common/vtree/VTreePrivate.h"

#include <unordered_map>

namespace {

std::unordered_map<uint64_t, TBaseVirtualTree*>& LiveTrees()
{
    static std::unordered_map<uint64_t, TBaseVirtualTree*> Trees;
    return Trees;
}

uint64_t& LastSerial()
{
    static uint64_t Serial = 0;
    return Serial;
}

/// The clipboard's tree data as the tree's data source.
class ClipboardSource : public IVTDataSource {
public:
    explicit ClipboardSource(std::string Bytes) : FBytes(std::move(Bytes)) {}
    bool QueryGetData(Word Format) override { return Format == CF_VIRTUALTREE(); }
    bool GetData(Word Format, std::string& Bytes) override
    {
        if (Format != CF_VIRTUALTREE())
            return false;
        Bytes = FBytes;
        return true;
    }

private:
    std::string FBytes;
};

/// What a cut, copy or drag of Nodes offers. The node chunks are made now:
/// a later paste must not depend on the marks (a paste, a cancel or the
/// tree going may clear them).
vtree_private::ClipboardContent ContentOf(TBaseVirtualTree* Tree, const TNodeArray& Nodes)
{
    vtree_private::ClipboardContent Content;
    Content.TreeId = Tree->TreeId();
    TMemoryStream Stream;
    Tree->WriteNodeChunks(&Stream, Nodes);
    const uint32_t Size = static_cast<uint32_t>(Stream.Size());
    Content.TreeData.reserve(4 + Size);
    Content.TreeData.assign(reinterpret_cast<const char*>(&Size), 4);
    Content.TreeData.append(static_cast<const char*>(Stream.Memory()),
                            static_cast<size_t>(Stream.Size()));
    TStrings* Formats = Tree->ClipboardFormats();
    TStrings* Allowed = Formats->Count() > 0 ? Formats : nullptr;
    for (const TFormatEtc& F : ListTreeFormats(Tree->ClassType(), Allowed))
        Content.Formats.push_back(static_cast<Word>(F.cfFormat));
    if (std::find(Content.Formats.begin(), Content.Formats.end(), CF_VIRTUALTREE()) ==
        Content.Formats.end())
        Content.Formats.insert(Content.Formats.begin(), CF_VIRTUALTREE());
    Content.Formats.push_back(CF_VTREFERENCE());
    return Content;
}

}  // namespace

namespace vtree_private {

bool RenderTreeFormat(uint64_t TreeId, Word Format, std::string& Block, bool ForClipboard)
{
    TBaseVirtualTree* Tree = TBaseVirtualTree::TreeById(TreeId);
    return Tree && Tree->RenderClipboardFormatFor(Format, Block, ForClipboard);
}

void ClipboardObjectReleased(uint64_t TreeId, uint64_t Serial)
{
    if (Serial == 0)
        return;
    TBaseVirtualTree* Tree = TBaseVirtualTree::TreeById(TreeId);
    if (Tree && Tree->ClipboardSerial() == Serial)
        Tree->CancelCutOrCopy();
}

}  // namespace vtree_private

void TBaseVirtualTree::RegisterTree(TBaseVirtualTree* Tree)
{
    static uint64_t LastId = 0;
    Tree->FTreeId = ++LastId;
    LiveTrees()[Tree->FTreeId] = Tree;
}

void TBaseVirtualTree::UnregisterTree(TBaseVirtualTree* Tree)
{
    LiveTrees().erase(Tree->FTreeId);
    vtree_private::DetachClipboard(Tree->FTreeId);
}

TBaseVirtualTree* TBaseVirtualTree::TreeById(uint64_t Id)
{
    const auto It = LiveTrees().find(Id);
    return It == LiveTrees().end() ? nullptr : It->second;
}

bool TBaseVirtualTree::RenderClipboardFormat(Word, std::string&, bool)
{
    return false;
}

void TBaseVirtualTree::CopyToClipboard()
{
    PutOnClipboard(/*Cut=*/false);
}

void TBaseVirtualTree::CutToClipboard()
{
    if (FOptions->MiscOptions().Contains(toReadOnly))
        return;
    PutOnClipboard(/*Cut=*/true);
}

void TBaseVirtualTree::PutOnClipboard(bool Cut)
{
    if (FSelectionCount == 0)
        return;
    CancelCutOrCopy();
    const TNodeArray Nodes = SelectedNodesInOrder(true);
    for (PVirtualNode Node : Nodes)
        Node->Include(vsCutOrCopy);
    FClipboardSerial = ++LastSerial();
    ChangeState({Cut ? tsCutPending : tsCopyPending}, {});

    vtree_private::ClipboardContent Content = ContentOf(this, Nodes);
    Content.Serial = FClipboardSerial;
    InvalidateTree();
    if (!vtree_private::SetClipboardContent(std::move(Content)))
        CancelCutOrCopy();
}

InterfacePtr<IDataObject> TBaseVirtualTree::CreateDragDataObject()
{
    return InterfacePtr<IDataObject>::Attach(
        vtree_private::NewDragDataObject(ContentOf(this, SelectedNodesInOrder(true))));
}

void TBaseVirtualTree::CancelCutOrCopy()
{
    if (!FStates.Contains(tsCutPending) && !FStates.Contains(tsCopyPending))
        return;
    const uint64_t Serial = FClipboardSerial;
    FClipboardSerial = 0;
    for (PVirtualNode Run = FirstNodeRaw(); Run; Run = NextNodeRaw(Run))
        Run->Exclude(vsCutOrCopy);
    ChangeState({}, {tsCutPending, tsCopyPending});
    InvalidateTree();
    vtree_private::ClearClipboardOf(FTreeId, Serial);
}

bool TBaseVirtualTree::PasteFromClipboard()
{
    if (FOptions->MiscOptions().Contains(toReadOnly))
        return false;
    std::string Bytes;
    if (!vtree_private::ClipboardBytes(CF_VIRTUALTREE(), Bytes))
        return false;
    uint64_t OwnerId = 0;
    uint64_t Serial = 0;
    vtree_private::ClipboardOwner(OwnerId, Serial);
    TBaseVirtualTree* Source = TreeById(OwnerId);
    ClipboardSource Data(std::move(Bytes));
    const bool Cut = Source && Source->FClipboardSerial == Serial &&
                     Source->FStates.Contains(tsCutPending);
    if (!Cut)
        // A copy pastes as often as asked: the source keeps its copy.
        return ProcessOLEData(Source, &Data, FFocusedNode, FDefaultPasteMode, false);
    // A cut of this program moves its nodes, once.
    const TNodeArray Moved = Source->ClipboardNodesInOrder(true);
    const bool Result = ProcessOLEData(Source, &Data, FFocusedNode, FDefaultPasteMode, true);
    for (PVirtualNode Node : Moved)
        Node->Exclude(vsCutOrCopy);
    Source->CancelCutOrCopy();
    return Result;
}

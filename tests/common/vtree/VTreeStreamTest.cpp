#include "common/vtree/VTree.h"

#include "tests/common/vtree/TreeFixture.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <random>

namespace {

const std::filesystem::path DataDir = std::filesystem::path(PRICETAGS_TEST_DATA) / "VTree";

std::string FileBytes(const std::filesystem::path& Path)
{
    std::ifstream In(Path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(In), {});
}

std::string Saved(TBaseVirtualTree& Tree, PVirtualNode Node = nullptr)
{
    TStringStream Stream;
    Tree.SaveToStream(&Stream, Node);
    return Stream.DataString().Std();
}

void Load(TBaseVirtualTree& Tree, const std::string& Bytes)
{
    MemoryBlockStream Stream(Bytes.data(), Bytes.size());
    Tree.LoadFromStream(&Stream);
}

/// Compares Bytes with golden/<Name>; on a mismatch writes <Name>.actual
/// beside it and names the first differing offset.
void ExpectGolden(const std::string& Name, const std::string& Bytes)
{
    const std::filesystem::path Path = DataDir / "golden" / Name;
    const std::string Expected = FileBytes(Path);
    if (Expected == Bytes)
        return;
    std::ofstream(Path.string() + ".actual", std::ios::binary) << Bytes;
    size_t Offset = 0;
    while (Offset < Expected.size() && Offset < Bytes.size() && Expected[Offset] == Bytes[Offset])
        ++Offset;
    ADD_FAILURE() << Name << " differs at offset " << Offset << " (see .actual)";
}

/// A host that stores one byte per node as its user chunk (nothing for
/// nodes whose byte is 0) and reads it back.
struct UserData {
    std::map<PVirtualNode, unsigned char> Bytes;
    unsigned char Next = 1;
    bool ReadShort = false;
    void Save(TBaseVirtualTree*, PVirtualNode Node, TStream* Stream)
    {
        auto It = Bytes.find(Node);
        if (It != Bytes.end() && It->second != 0)
            Stream->WriteBuffer(&It->second, 1);
    }
    void Load(TBaseVirtualTree*, PVirtualNode Node, TStream* Stream)
    {
        if (ReadShort)
            return;
        unsigned char B = 0;
        Stream->ReadBuffer(&B, 1);
        Bytes[Node] = B;
    }
    void Attach(TBaseVirtualTree& Tree)
    {
        Tree.OnSaveNode = TVTSaveNodeEvent(this, &UserData::Save);
        Tree.OnLoadNode = TVTSaveNodeEvent(this, &UserData::Load);
    }
};

/// The small tree the goldens hold: a (expanded, tri-state, 30 px) with
/// a0 (checked, user byte 7) and a1 (hidden); b (selected, user byte 9).
void BuildGoldenTree(TestTree& Tree, UserData& Data)
{
    Tree.TreeOptions()->SetSelectionOptions({toMultiSelect});
    BuildTree(Tree, "a\n  a0\n  a1~\nb\n");
    Tree.SetNodeHeight(Tree.At({0}), 30);
    Tree.SetCheckType(Tree.At({0}), ctTriStateCheckBox);
    Tree.SetCheckType(Tree.At({0, 0}), ctCheckBox);
    Tree.SetCheckState(Tree.At({0, 0}), csCheckedNormal);
    Tree.SetSelected(Tree.At({1}), true);
    Data.Bytes[Tree.At({0, 0})] = 7;
    Data.Bytes[Tree.At({1})] = 9;
}

/// Structure of a tree as text: per node its level, child count, height,
/// stored states, alignment and check.
std::string Shape(TestTree& Tree)
{
    std::string Result;
    for (PVirtualNode Run = Tree.FirstNodeRaw(); Run; Run = Tree.NextNodeRaw(Run))
        Result += std::to_string(Tree.NodeLevel(Run)) + ":" + std::to_string(Run->ChildCount) +
                  "/" + std::to_string(Run->NodeHeight) + "/" +
                  std::to_string(Run->States & 0xDDE9) + "/" +
                  std::to_string(Run->Align) + "/" + std::to_string(Run->CheckState) +
                  std::to_string(Run->CheckType) + " ";
    return Result;
}

}  // namespace

TEST(VTreeStream, EmptyTreeIsMagicAndCount)
{
    TestTree Tree;
    const std::string Bytes = Saved(Tree);
    EXPECT_EQ(Bytes.size(), 16u);
    ExpectGolden("empty.vtree", Bytes);
    TestTree Loaded;
    Load(Loaded, Bytes);
    EXPECT_EQ(Loaded.TotalCount(), 0u);
}

TEST(VTreeStream, GoldenAndRoundTrip)
{
    TestTree Tree;
    UserData Data;
    Data.Attach(Tree);
    BuildGoldenTree(Tree, Data);
    const std::string Bytes = Saved(Tree);
    ExpectGolden("small-tree.vtree", Bytes);

    TestTree Loaded;
    UserData Read;
    Read.Attach(Loaded);
    Loaded.TreeOptions()->SetSelectionOptions({toMultiSelect});
    Load(Loaded, Bytes);
    EXPECT_EQ(Shape(Loaded), Shape(Tree));
    EXPECT_EQ(Read.Bytes[Loaded.At({0, 0})], 7);
    EXPECT_EQ(Read.Bytes[Loaded.At({1})], 9);
    EXPECT_EQ(Loaded.SelectedCount(), 1u);
    EXPECT_TRUE(Loaded.Selected(Loaded.At({1})));
    EXPECT_TRUE(CheckInvariants(Loaded));
    // Written again, the loaded tree gives the same bytes.
    Read.Bytes.clear();
    Read.Bytes[Loaded.At({0, 0})] = 7;
    Read.Bytes[Loaded.At({1})] = 9;
    EXPECT_EQ(Saved(Loaded), Bytes);
}

TEST(VTreeStream, OneNodeIsCountOneWithItsSubtree)
{
    TestTree Tree;
    BuildTree(Tree, "a\nb\n  b0\n  b1\n");
    const std::string Bytes = Saved(Tree, Tree.At({1}));
    EXPECT_EQ(Bytes.substr(12, 4), std::string("\x01\0\0\0", 4));
    TestTree Loaded;
    Load(Loaded, Bytes);
    EXPECT_EQ(Loaded.RootNodeCount(), 1u);
    EXPECT_EQ(Loaded.TotalCount(), 3u);
    EXPECT_TRUE(CheckInvariants(Loaded));
}

TEST(VTreeStream, OlderVersionsAndTolerances)
{
    struct Case {
        const char* File;
        const char* Shape;
    };
    // Version 0 and 1: the selected bit moves from bit 7 to bit 8 and every
    // node is visible; no count, chunks until the end.
    const Case Cases[] = {
        {"version-0.vtree", "0:1/18/417/50/00 1:0/20/129/50/00 0:0/24/129/50/00 "},
        {"version-1.vtree", "0:1/18/417/50/00 1:0/20/129/50/00 0:0/24/129/50/00 "},
        {"magic-fifth-unit-differs.vtree", "0:0/18/161/50/00 "},
        // Toggling, clearing and the transient bits are not restored.
        {"transient-states.vtree", "0:0/18/193/50/00 "},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.File);
        TestTree Tree;
        Tree.TreeOptions()->SetSelectionOptions({toMultiSelect});
        Load(Tree, FileBytes(DataDir / C.File));
        EXPECT_EQ(Shape(Tree), C.Shape);
        CheckInvariants(Tree);
    }
}

TEST(VTreeStream, NodeReadWhileTogglingCanStillBeToggled)
{
    TestTree Tree;
    Load(Tree, FileBytes(DataDir / "transient-states.vtree"));
    PVirtualNode Node = Tree.At({0});
    ASSERT_NE(Node, nullptr);
    EXPECT_FALSE(Node->Has(vsToggling));
    Tree.SetChildCount(Node, 2);
    Tree.ToggleNode(Node);
    EXPECT_TRUE(Tree.Expanded(Node));
    EXPECT_TRUE(CheckInvariants(Tree));
}

TEST(VTreeStream, BrokenStreamsGiveTheirErrorAndConsistentCounts)
{
    struct Row {
        int Code;  // 0: the stream's own read error
        const char* Message;
    };
    const std::map<std::string, Row> Rows = {
        {"magic-short.vtree", {2004, "Unable to load tree structure, not enough data available."}},
        {"magic-wrong.vtree", {2002, "Unable to load tree structure, the format is wrong."}},
        {"version-3.vtree", {2003, "Unable to load tree structure, the version is unknown."}},
        {"anchor-missing.vtree", {2005, "Stream data corrupt. A node's anchor chunk is missing."}},
        {"chunk-size-negative.vtree",
         {2006, "Stream data corrupt. Unexpected data after node's end position."}},
        {"node-size-negative.vtree",
         {2006, "Stream data corrupt. Unexpected data after node's end position."}},
        {"chunk-size-past-end.vtree",
         {2006, "Stream data corrupt. Unexpected data after node's end position."}},
        {"sub-chunk-size-past-node.vtree",
         {2006, "Stream data corrupt. Unexpected data after node's end position."}},
        {"child-count-past-node.vtree",
         {2006, "Stream data corrupt. Unexpected data after node's end position."}},
        {"base-body-truncated.vtree",
         {2004, "Unable to load tree structure, not enough data available."}},
        {"count-truncated.vtree", {0, "Stream read error"}},
        {"top-level-count-past-end.vtree",
         {2004, "Unable to load tree structure, not enough data available."}},
    };
    for (const auto& Entry : std::filesystem::directory_iterator(DataDir / "broken")) {
        const std::string Name = Entry.path().filename().string();
        SCOPED_TRACE(Name);
        auto It = Rows.find(Name);
        if (It == Rows.end()) {
            ADD_FAILURE() << "no row for " << Name;
            continue;
        }
        TestTree Tree;
        Tree.SetRootNodeCount(4);  // replaced by what the stream holds
        try {
            Load(Tree, FileBytes(Entry.path()));
            ADD_FAILURE() << "nothing raised";
        } catch (const EVirtualTreeError& E) {
            EXPECT_EQ(E.HelpContext, It->second.Code);
            EXPECT_EQ(E.Message, It->second.Message);
        } catch (const EReadError& E) {
            EXPECT_EQ(It->second.Code, 0);
            EXPECT_EQ(E.Message, It->second.Message);
        }
        EXPECT_EQ(Tree.UpdateCount(), 0u);
        // What was read stays, with counts that match it.
        CheckInvariants(Tree);
    }
}

TEST(VTreeStream, NestingBeyondAnyRealTreeIsRefused)
{
    std::string Bytes = std::string("\x45\x20\x56\x00\x54\x00\x02\x00\x20\x00\x46\x20", 12) +
                        std::string("\x01\0\0\0", 4);
    // Each level: node header, base header, 17-byte body with one child.
    const int Levels = 5000;
    std::string Body;
    for (int I = Levels - 1; I >= 0; --I) {
        std::string Base(17, '\0');
        Base[0] = I == Levels - 1 ? 0 : 1;
        Base[4] = 18;
        Base[8] = static_cast<char>(0x80 | 0x21);
        std::string Sub = std::string("\x02\0\0\0", 4);
        const uint32_t SubSize = static_cast<uint32_t>(17 + Body.size());
        Sub += std::string(reinterpret_cast<const char*>(&SubSize), 4) + Base + Body;
        const uint32_t NodeSize = static_cast<uint32_t>(Sub.size());
        Body = std::string("\x01\0\0\0", 4) + std::string(reinterpret_cast<const char*>(&NodeSize), 4) + Sub;
    }
    TestTree Tree;
    try {
        Load(Tree, Bytes + Body);
        ADD_FAILURE() << "nothing raised";
    } catch (const EVirtualTreeError& E) {
        EXPECT_EQ(E.HelpContext, 2006);
    }
    EXPECT_TRUE(CheckInvariants(Tree));
}

TEST(VTreeStream, UserChunkHandlerCannotDerailTheReader)
{
    TestTree Tree;
    UserData Data;
    Data.Attach(Tree);
    BuildGoldenTree(Tree, Data);
    const std::string Bytes = Saved(Tree);
    TestTree Loaded;
    UserData Short;
    Short.ReadShort = true;
    Short.Attach(Loaded);
    Load(Loaded, Bytes);
    EXPECT_EQ(Loaded.TotalCount(), 4u);
    // A handler that writes nothing leaves no user chunk at all.
    TestTree Plain;
    BuildTree(Plain, "a\n");
    EXPECT_EQ(Saved(Plain).size(), 16u + 8 + 25);
}

TEST(VTreeStream, ReadOnlyTreeLoadsNothing)
{
    TestTree Source;
    Source.SetRootNodeCount(3);
    TestTree Tree;
    Tree.SetRootNodeCount(1);
    Tree.TreeOptions()->SetMiscOptions(Tree.TreeOptions()->MiscOptions() + TVTMiscOptions{toReadOnly});
    Load(Tree, Saved(Source));
    EXPECT_EQ(Tree.TotalCount(), 1u);
}

TEST(VTreeStream, OddCaptionSizeStaysInsideTheText)
{
    const std::string Bytes("A\0B\0C", 5);
    MemoryBlockStream Stream(Bytes.data(), Bytes.size());
    EXPECT_EQ(TestTree::ReadCaptionChunk(&Stream, 5), u"AB");
    EXPECT_EQ(Stream.Position(), 5);
}

TEST(VTreeStream, CopiedChunksKeepTheirOrderInEveryMode)
{
    for (TVTNodeAttachMode Mode : {amInsertBefore, amInsertAfter, amAddChildFirst, amAddChildLast}) {
        SCOPED_TRACE(static_cast<int>(Mode));
        TestTree Source;
        Source.SetRootNodeCount(3);
        for (int I = 0; I < 3; ++I)
            Source.SetNodeHeight(Source.At({I}), 20 + I);
        TMemoryStream Chunks;
        Source.WriteNodeChunks(&Chunks, {Source.At({0}), Source.At({1}), Source.At({2})});
        Chunks.SetPosition(0);
        TestTree Tree;
        BuildTree(Tree, "x\n  x0\n");
        Tree.InsertNodeChunks(&Chunks, Tree.At({0, 0}), Mode, &Source);
        PVirtualNode First = Mode == amInsertBefore || Mode == amInsertAfter
                                 ? Tree.At({0})->FirstChild
                                 : Tree.At({0, 0})->FirstChild;
        if (Mode == amInsertAfter)
            First = First->NextSibling;
        ASSERT_NE(First, nullptr);
        EXPECT_EQ(First->NodeHeight, 20);
        EXPECT_EQ(First->NextSibling->NodeHeight, 21);
        EXPECT_EQ(First->NextSibling->NextSibling->NodeHeight, 22);
        CheckInvariants(Tree);
    }
}

TEST(VTreeStream, RandomTreesRoundTrip)
{
    std::mt19937 Rng(5);
    for (int Round = 0; Round < 20; ++Round) {
        TestTree Tree;
        Tree.TreeOptions()->SetSelectionOptions({toMultiSelect});
        Tree.SetRootNodeCount(5);
        for (int I = 0; I < 30; ++I) {
            PVirtualNode Node = Tree.At({static_cast<int>(Rng() % 5)});
            for (int Depth = Rng() % 3; Depth > 0 && Node->FirstChild; --Depth)
                Node = Node->FirstChild;
            switch (Rng() % 5) {
            case 0: Tree.SetChildCount(Node, Rng() % 4); break;
            case 1: Tree.ToggleNode(Node); break;
            case 2: Tree.SetVisible(Node, Rng() % 2); break;
            case 3: Tree.SetSelected(Node, true); break;
            case 4: Tree.SetNodeHeight(Node, 10 + Rng() % 30); break;
            }
        }
        const std::string Bytes = Saved(Tree);
        TestTree Loaded;
        Loaded.TreeOptions()->SetSelectionOptions({toMultiSelect});
        Load(Loaded, Bytes);
        EXPECT_EQ(Shape(Loaded), Shape(Tree));
        EXPECT_EQ(Loaded.VisibleCount(), Tree.VisibleCount());
        EXPECT_EQ(Saved(Loaded), Bytes);
        if (!CheckInvariants(Loaded))
            return;
    }
}

namespace {

struct FakeDataObject : IVTDataSource {
    std::string Block;
    bool Offers = true;
    bool QueryGetData(Word Format) override { return Offers && Format == CF_VIRTUALTREE(); }
    bool GetData(Word, std::string& Bytes) override
    {
        Bytes = Block;
        return true;
    }
};

}  // namespace

TEST(VTreeStream, ProcessOLEDataInsertsOrMovesNodes)
{
    TestTree Source;
    Source.TreeOptions()->SetSelectionOptions({toMultiSelect});
    BuildTree(Source, "a\n  a0\nb\nc\n");
    TMemoryStream Chunks;
    Source.WriteNodeChunks(&Chunks, {Source.At({0}), Source.At({2})});
    FakeDataObject Data;
    const uint32_t Size = static_cast<uint32_t>(Chunks.Size());
    Data.Block = std::string(reinterpret_cast<const char*>(&Size), 4) +
                 std::string(static_cast<const char*>(Chunks.Memory()), Size);

    TestTree Tree;
    BuildTree(Tree, "x\n");
    EXPECT_TRUE(Tree.ProcessOLEData(&Source, &Data, Tree.At({0}), amInsertAfter, false));
    EXPECT_EQ(Tree.TotalCount(), 4u);  // x, a with a0, c
    EXPECT_EQ(Tree.At({1})->ChildCount, 1u);
    EXPECT_TRUE(CheckInvariants(Tree));

    // A byte count past the block is refused.
    Data.Block[0] = '\xFF';
    Data.Block[1] = '\x7F';
    try {
        Tree.ProcessOLEData(&Source, &Data, nullptr, amAddChildLast, false);
        ADD_FAILURE() << "nothing raised";
    } catch (const EVirtualTreeError& E) {
        EXPECT_EQ(E.HelpContext, 2006);
    }
    EXPECT_TRUE(CheckInvariants(Tree));
    Data.Offers = false;
    EXPECT_FALSE(Tree.ProcessOLEData(&Source, &Data, nullptr, amAddChildLast, false));

    // A cut inside the process moves the selected nodes, keeping order.
    Data.Offers = true;
    Source.SetSelected(Source.At({1}), true);
    Source.SetSelected(Source.At({2}), true);
    PVirtualNode B = Source.At({1}), C = Source.At({2});
    EXPECT_TRUE(Source.ProcessOLEData(&Source, &Data, Source.At({0}), amAddChildFirst, true));
    EXPECT_EQ(Source.At({0, 0}), B);
    EXPECT_EQ(Source.At({0, 1}), C);
    EXPECT_TRUE(CheckInvariants(Source));
}

#include "common/vtree/VTree.h"

#include "tests/common/vtree/TreeFixture.h"
#include "tests/support/TestSupport.h"

#include "platform/forms/Forms.h"
#include "platform/forms/ImgList.h"
#include "platform/classes/Strings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <random>
#include <set>

namespace {

std::vector<std::string> Names(EventLog& Log, const TNodeArray& Nodes)
{
    std::vector<std::string> Result;
    for (PVirtualNode Node : Nodes)
        Result.push_back(Log.Name(Node));
    return Result;
}

std::vector<std::string> ChildNames(TestTree& Tree, EventLog& Log, PVirtualNode Parent)
{
    TNodeArray Nodes;
    for (PVirtualNode Run = (Parent ? Parent : Tree.RootNode())->FirstChild; Run;
         Run = Run->NextSibling)
        Nodes.push_back(Run);
    return Names(Log, Nodes);
}

struct DataSizeHost {
    int Asked = 0;
    void Size(TBaseVirtualTree*, int& S)
    {
        ++Asked;
        S = 12;
    }
};

}  // namespace

// ---- node model -----------------------------------------------------------------------------

TEST(VTree, HostDataLiesBehindHeaderAndInternalData)
{
    TestTree Tree;
    const Cardinal Offset = Tree.ReserveInternalData(5);
    EXPECT_EQ(Offset, sizeof(TVirtualNode));
    DataSizeHost Host;
    Tree.SetNodeDataSize(-1);
    Tree.OnGetNodeDataSize = TVTGetNodeDataSizeEvent(&Host, &DataSizeHost::Size);
    Tree.SetRootNodeCount(3);
    PVirtualNode Node = Tree.At({0});
    // Five reserved bytes take eight: host data follows them.
    EXPECT_EQ(static_cast<char*>(Tree.GetNodeData(Node)) - reinterpret_cast<char*>(Node),
              static_cast<ptrdiff_t>(sizeof(TVirtualNode) + 8));
    EXPECT_EQ(Host.Asked, 1);
    EXPECT_EQ(Tree.NodeDataSize(), 12);
    ExpectRaises<EInvalidOperation>([&] { Tree.ReserveInternalData(4); },
                                    "Internal data allocation must be done before any node is created.");
}

// Node records are carved from blocks: each size of host data, one record
// to a block and many, keeps every node's data its own across the blocks,
// and a record reused after a deletion comes back zero-filled.
TEST(VTree, NodeRecordsKeepTheirOwnZeroFilledData)
{
    const int DataSizes[] = {
        0,     // the header alone
        1,     // an odd size, rounded up to the alignment
        12,    // a size that ends between two pointers
        5000,  // more than the first block holds
    };
    TestTree Tree;
    for (int DataSize : DataSizes) {
        SCOPED_TRACE(DataSize);
        // A change of the size clears the tree: the blocks start again.
        Tree.SetNodeDataSize(DataSize);
        Tree.SetRootNodeCount(3000);
        std::vector<PVirtualNode> Nodes;
        for (PVirtualNode Run = Tree.At({0}); Run; Run = Run->NextSibling) {
            EXPECT_EQ(reinterpret_cast<uintptr_t>(Run) % alignof(std::max_align_t), 0u);
            auto* Data = static_cast<unsigned char*>(Tree.GetNodeData(Run));
            if (Data)
                std::memset(Data, static_cast<int>(Run->Index % 251), DataSize);
            Nodes.push_back(Run);
        }
        ASSERT_EQ(Nodes.size(), 3000u);
        bool Kept = true;
        for (PVirtualNode Node : Nodes)
            if (auto* Data = static_cast<unsigned char*>(Tree.GetNodeData(Node)))
                Kept = Kept && Data[0] == Node->Index % 251 &&
                       Data[DataSize - 1] == Node->Index % 251;
        EXPECT_TRUE(Kept);
        // Deleted records are reused by the next nodes, zero-filled.
        Tree.SetRootNodeCount(1000);
        Tree.SetRootNodeCount(1500);
        bool Zero = true;
        for (PVirtualNode Run = Tree.At({1000}); Run; Run = Run->NextSibling) {
            Zero = Zero && !Run->Has(vsInitialized) && Run->CheckState == csUncheckedNormal;
            if (auto* Data = static_cast<unsigned char*>(Tree.GetNodeData(Run)))
                Zero = Zero && Data[0] == 0 && Data[DataSize - 1] == 0;
        }
        EXPECT_TRUE(Zero);
        EXPECT_TRUE(CheckInvariants(Tree));
    }
}

TEST(VTree, ChildCountKeepsTotalsAlongTheParentChain)
{
    TestTree Tree;
    Tree.SetRootNodeCount(3);
    EXPECT_EQ(Tree.RootNode()->TotalCount, 4u);
    EXPECT_EQ(Tree.RootNode()->TotalHeight, 4u * 18);
    EXPECT_EQ(Tree.At({2})->Index, 2u);
    PVirtualNode Parent = Tree.At({1});
    Tree.SetChildCount(Parent, 4);
    // Collapsed: its children count but do not show.
    EXPECT_EQ(Tree.RootNode()->TotalCount, 8u);
    EXPECT_EQ(Tree.RootNode()->TotalHeight, 4u * 18);
    EXPECT_EQ(Tree.VisibleCount(), 3u);
    Tree.ToggleNode(Parent);
    EXPECT_EQ(Tree.VisibleCount(), 7u);
    EXPECT_EQ(Tree.RootNode()->TotalHeight, 8u * 18);
    Tree.SetNodeHeight(Tree.At({1, 2}), 40);
    EXPECT_EQ(Tree.RootNode()->TotalHeight, 8u * 18 + 22);
    Tree.SetChildCount(Parent, 2);
    EXPECT_TRUE(CheckInvariants(Tree));
}

TEST(VTree, ChildrenOfAHiddenOrCollapsedPathAreNotCountedAsShown)
{
    // Adding children below a collapsed node, or an expanded node inside a
    // collapsed one, shows no new rows.
    TestTree Tree;
    BuildTree(Tree, "a-\n  b\n    c\n");
    PVirtualNode B = Tree.At({0, 0});
    Tree.SetChildCount(B, 5);
    Tree.SetChildCount(Tree.At({0}), 3);
    EXPECT_EQ(Tree.VisibleCount(), 1u);
    EXPECT_TRUE(CheckInvariants(Tree));
}

TEST(VTree, ClearedTreeKeepsNoScrollRange)
{
    TestTree Tree;
    Tree.SetRootNodeCount(5);
    Tree.UpdateScrollBars(true);
    EXPECT_EQ(Tree.RangeY(), 5 * 18);
    Tree.RemoveAll();
    Tree.UpdateScrollBars(true);
    EXPECT_EQ(Tree.RangeY(), 0);
    EXPECT_EQ(Tree.RootNode()->TotalHeight, Tree.RootNode()->NodeHeight);
    Tree.SetRootNodeCount(2);
    Tree.SetRootNodeCount(0);
    EXPECT_EQ(Tree.RootNode()->TotalHeight, Tree.RootNode()->NodeHeight);
}

TEST(VTree, CompareTreeOrderAndLevels)
{
    TestTree Tree;
    BuildTree(Tree, "a\n  b\n    c\n  d\ne\n");
    PVirtualNode A = Tree.At({0}), C = Tree.At({0, 0, 0}), D = Tree.At({0, 1}), E = Tree.At({1});
    EXPECT_EQ(Tree.CompareTreeOrder(C, C), 0);
    EXPECT_EQ(Tree.CompareTreeOrder(C, A), 1);  // its own ancestor comes first
    EXPECT_EQ(Tree.CompareTreeOrder(A, C), -1);
    EXPECT_LT(Tree.CompareTreeOrder(C, D), 0);
    EXPECT_GT(Tree.CompareTreeOrder(E, C), 0);
    EXPECT_EQ(Tree.NodeLevelDifference(A, C), 2);
    EXPECT_TRUE(Tree.IsDescendantOf(C, A));
    EXPECT_FALSE(Tree.IsDescendantOf(A, A));
}

// ---- linking --------------------------------------------------------------------------------

TEST(VTree, AttachModes)
{
    struct Case {
        TVTNodeAttachMode Mode;
        std::initializer_list<int> Destination;
        const char* Parent;  // "" the root
        std::vector<std::string> Order;  // Parent's children after the link, by old name
    };
    // Three top-level nodes a b c; b has children b0 b1. The new node is "n".
    const Case Cases[] = {
        {amInsertBefore, {1}, "", {"a", "n", "b", "c"}},
        {amInsertAfter, {1}, "", {"a", "b", "n", "c"}},
        {amInsertAfter, {2}, "", {"a", "b", "c", "n"}},
        {amAddChildFirst, {1}, "b", {"n", "b0", "b1"}},
        {amAddChildLast, {1}, "b", {"b0", "b1", "n"}},
        {amAddChildFirst, {0}, "a", {"n"}},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(static_cast<int>(C.Mode));
        for (const bool Hidden : {false, true}) {
            SCOPED_TRACE(Hidden ? "hidden node" : "visible node");
            TestTree Tree;
            BuildTree(Tree, "a\nb\n  b0\n  b1\nc\n");
            std::map<PVirtualNode, std::string> Old;
            const char* Labels[] = {"a", "b", "c"};
            for (int I = 0; I < 3; ++I)
                Old[Tree.At({I})] = Labels[I];
            Old[Tree.At({1, 0})] = "b0";
            Old[Tree.At({1, 1})] = "b1";
            PVirtualNode Node = Tree.NewNodeRecord();
            if (Hidden)
                Node->Exclude(vsVisible);
            Old[Node] = "n";
            const Cardinal Height = Tree.RootNode()->TotalHeight;
            Tree.LinkNode(Node, Tree.At(C.Destination), C.Mode);
            std::vector<std::string> Order;
            for (PVirtualNode Run = Node->Parent->FirstChild; Run; Run = Run->NextSibling)
                Order.push_back(Old[Run]);
            EXPECT_EQ(Order, C.Order);
            EXPECT_EQ(Node->Parent == Tree.RootNode() ? "" : Old[Node->Parent], C.Parent);
            if (Hidden && Node->Parent->Has(vsExpanded)) {
                EXPECT_EQ(Tree.RootNode()->TotalHeight, Height);  // nothing new shows
            }
            CheckInvariants(Tree);
            Tree.UnlinkNode(Node, false, true);
            CheckInvariants(Tree);
            Tree.LinkNode(Node, Tree.RootNode(), amAddChildLast);
            CheckInvariants(Tree);
        }
    }
}

TEST(VTree, UnlinkingTheLastChildCollapsesTheParent)
{
    TestTree Tree;
    BuildTree(Tree, "a\n  b\n");
    PVirtualNode A = Tree.At({0});
    Tree.RemoveNode(Tree.At({0, 0}));
    EXPECT_FALSE(A->Has(vsExpanded));
    EXPECT_FALSE(A->Has(vsHasChildren));
    EXPECT_TRUE(CheckInvariants(Tree));
}

// ---- initialisation and navigation ----------------------------------------------------------

TEST(VTree, NavigationInitialisesOnlyWhatItReturns)
{
    struct Case {
        const char* Name;
        std::function<PVirtualNode(TestTree&)> Step;
        int Inits;  // OnInitNode calls the step makes
    };
    const Case Cases[] = {
        {"FirstNodeRaw", [](TestTree& T) { return T.FirstNodeRaw(); }, 0},
        {"FirstNode", [](TestTree& T) { return T.FirstNode(); }, 1},
        {"LastNodeRaw", [](TestTree& T) { return T.LastNodeRaw(); }, 0},
        // The last top-level node is initialised on the way and gets its
        // children, whose last one is initialised in turn.
        {"LastNode", [](TestTree& T) { return T.LastNode(); }, 2},
        {"NextNodeRaw", [](TestTree& T) { return T.NextNodeRaw(T.FirstNodeRaw()); }, 0},
        {"NextVisibleNode", [](TestTree& T) { return T.NextVisibleNode(T.FirstNodeRaw()); }, 1},
        {"LastVisibleNodeRaw", [](TestTree& T) { return T.LastVisibleNodeRaw(); }, 0},
        {"FirstVisibleNode", [](TestTree& T) { return T.FirstVisibleNode(); }, 1},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        TestTree Tree;
        InitHost Host;
        Host.ChildrenPerNode = 2;
        Host.MaxLevel = 1;
        Host.Attach(Tree);
        Tree.SetRootNodeCount(3);
        EXPECT_NE(C.Step(Tree), nullptr);
        EXPECT_EQ(Host.InitCount, C.Inits);
        CheckInvariants(Tree);
    }
}

TEST(VTree, VisibleStepsSkipHiddenAndCollapsedParts)
{
    TestTree Tree;
    EventLog Log(Tree);
    BuildTree(Tree, "a\n  a0~\n  a1\nb-\n  b0\nc~\n  c0\nd\n");
    std::vector<std::string> Forward, Backward;
    for (PVirtualNode Run = Tree.FirstVisibleNodeRaw(); Run; Run = Tree.NextVisibleNodeRaw(Run))
        Forward.push_back(Log.Name(Run));
    for (PVirtualNode Run = Tree.LastVisibleNodeRaw(); Run; Run = Tree.PreviousVisibleNodeRaw(Run))
        Backward.push_back(Log.Name(Run));
    EXPECT_EQ(Forward, (std::vector<std::string>{"0", "0.1", "1", "3"}));
    EXPECT_EQ(Backward, (std::vector<std::string>{"3", "1", "0.1", "0"}));
    // From a node out of view, the steps continue from the row it hides in.
    EXPECT_EQ(Log.Name(Tree.NextVisibleNodeRaw(Tree.At({1, 0}))), "3");
    EXPECT_EQ(Log.Name(Tree.PreviousVisibleNodeRaw(Tree.At({1, 0}))), "1");
    EXPECT_EQ(Log.Name(Tree.NextVisibleNodeRaw(Tree.At({2, 0}))), "3");
    EXPECT_EQ(Log.Name(Tree.PreviousVisibleNodeRaw(Tree.At({2, 0}))), "1");
    EXPECT_EQ(Log.Name(Tree.NextVisibleNodeRaw(Tree.At({0, 0}))), "0.1");
}

TEST(VTree, InitChildrenAnsweringNoneRemovesTheButton)
{
    TestTree Tree;
    InitHost Host;
    Host.Attach(Tree);
    Host.Extra = {ivsHasChildren};
    Tree.SetRootNodeCount(1);
    PVirtualNode Node = Tree.FirstNode();
    EXPECT_TRUE(Node->Has(vsHasChildren));
    Tree.ToggleNode(Node);
    EXPECT_FALSE(Node->Has(vsHasChildren));
    EXPECT_EQ(Node->ChildCount, 0u);
    EXPECT_TRUE(CheckInvariants(Tree));
}

TEST(VTree, ExpandAllInitialisesWhatItOpensAndCollapseAllClosesIt)
{
    TestTree Tree;
    InitHost Host;
    Host.ChildrenPerNode = 3;
    Host.MaxLevel = 2;
    Host.Attach(Tree);
    Tree.SetRootNodeCount(2);
    Tree.ExpandAll();
    // 2 + 2*3 + 2*3*3 nodes, all initialised and shown.
    EXPECT_EQ(Host.InitCount, 26);
    EXPECT_EQ(Tree.VisibleCount(), 26u);
    EXPECT_TRUE(CheckInvariants(Tree));
    Tree.CollapseAll();
    EXPECT_EQ(Tree.VisibleCount(), 2u);
    EXPECT_TRUE(CheckInvariants(Tree));
}

// ---- check states ---------------------------------------------------------------------------

TEST(VTree, CheckPropagation)
{
    struct Case {
        const char* Name;
        std::initializer_list<int> Clicked;
        TCheckState Value;
        bool RefuseSecondChild;
        TCheckState Parent;
        TCheckState Child1;
    };
    // A tri-state parent over three check boxes.
    const Case Cases[] = {
        {"parent checked checks all", {0}, csCheckedNormal, false, csCheckedNormal, csCheckedNormal},
        {"refused child makes it mixed", {0}, csCheckedNormal, true, csMixedNormal, csUncheckedNormal},
        {"one child checked", {0, 0}, csCheckedNormal, false, csMixedNormal, csUncheckedNormal},
        {"child refused itself", {0, 1}, csCheckedNormal, true, csUncheckedNormal, csUncheckedNormal},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        TestTree Tree;
        EventLog Log(Tree);
        Log.Attach();
        BuildTree(Tree, "p\n  c0\n  c1\n  c2\n");
        Tree.SetCheckType(Tree.At({0}), ctTriStateCheckBox);
        for (int I = 0; I < 3; ++I)
            Tree.SetCheckType(Tree.At({0, I}), ctCheckBox);
        if (C.RefuseSecondChild)
            Log.RefuseCheck.push_back(Tree.At({0, 1}));
        Tree.SetCheckState(Tree.At(C.Clicked), C.Value);
        EXPECT_EQ(Tree.CheckState(Tree.At({0})), C.Parent);
        EXPECT_EQ(Tree.CheckState(Tree.At({0, 1})), C.Child1);
        EXPECT_FALSE(Tree.TreeStates().Contains(tsCheckPropagation));
    }
}

TEST(VTree, RadioButtonUnchecksOnlyRadioSiblings)
{
    TestTree Tree;
    BuildTree(Tree, "a\nb\nc\n");
    Tree.SetCheckType(Tree.At({0}), ctRadioButton);
    Tree.SetCheckType(Tree.At({1}), ctRadioButton);
    Tree.SetCheckType(Tree.At({2}), ctCheckBox);
    Tree.SetCheckState(Tree.At({2}), csCheckedNormal);
    Tree.SetCheckState(Tree.At({0}), csCheckedNormal);
    Tree.SetCheckState(Tree.At({1}), csCheckedNormal);
    EXPECT_EQ(Tree.CheckState(Tree.At({0})), csUncheckedNormal);
    EXPECT_EQ(Tree.CheckState(Tree.At({1})), csCheckedNormal);
    EXPECT_EQ(Tree.CheckState(Tree.At({2})), csCheckedNormal);
    EXPECT_EQ(Tree.NextCheckStateFor(ctCheckBox, csCheckedNormal), csUncheckedNormal);
    EXPECT_EQ(Tree.NextCheckStateFor(ctRadioButton, csCheckedNormal), csCheckedNormal);
    EXPECT_EQ(Tree.NextCheckStateFor(ctNone, csCheckedNormal), csMixedNormal);
}

// ---- selection ------------------------------------------------------------------------------

TEST(VTree, SelectionConstraints)
{
    struct Case {
        const char* Name;
        TVTSelectionOptions Options;
        std::vector<std::vector<int>> Picks;
        Cardinal Selected;
    };
    const Case Cases[] = {
        {"single select keeps the last", {}, {{0}, {1}, {1, 0}}, 1},
        {"multi select keeps all", {toMultiSelect}, {{0}, {1}, {1, 0}}, 3},
        {"level constraint refuses other levels", {toMultiSelect, toLevelSelectConstraint},
         {{1, 0}, {0}, {1, 1}}, 2},
        {"sibling constraint refuses cousins", {toMultiSelect, toSiblingSelectConstraint},
         {{1, 0}, {2, 0}, {1, 1}}, 2},
        {"adding twice keeps one entry", {toMultiSelect}, {{0}, {0}}, 1},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        TestTree Tree;
        BuildTree(Tree, "a\nb\n  b0\n  b1\nc\n  c0\n");
        Tree.TreeOptions()->SetSelectionOptions(C.Options);
        for (const std::vector<int>& Path : C.Picks)
            Tree.SetSelected(Tree.At(Path), true);
        EXPECT_EQ(Tree.SelectedCount(), C.Selected);
        CheckInvariants(Tree);
    }
}

TEST(VTree, DisabledNodesAreNeverSelected)
{
    TestTree Tree;
    Tree.TreeOptions()->SetSelectionOptions({toMultiSelect});
    Tree.SetRootNodeCount(3);
    Tree.SetDisabled(Tree.At({1}), true);
    Tree.SelectAll(false);
    EXPECT_EQ(Tree.SelectedCount(), 2u);
    EXPECT_FALSE(Tree.Selected(Tree.At({1})));
}

TEST(VTree, RangesSelectToggleAndUnselect)
{
    TestTree Tree;
    EventLog Log(Tree);
    Tree.TreeOptions()->SetSelectionOptions({toMultiSelect});
    BuildTree(Tree, "0\n1\n  1.0\n2-\n  2.0\n3\n4\n");
    auto Selection = [&] { return Names(Log, Tree.SelectedNodesInOrder(false)); };
    Tree.SetSelected(Tree.At({0}), true);
    Tree.SelectRange(Tree.At({0}), Tree.At({3}), false);
    // The collapsed node's child is no row and is not selected.
    EXPECT_EQ(Selection(), (std::vector<std::string>{"0", "1", "1.0", "2", "3"}));
    EXPECT_EQ(Tree.RangeAnchor(), Tree.At({0}));
    Tree.ToggleRange(Tree.At({0}), Tree.At({4}));
    // The anchor stays; everything after it flips.
    EXPECT_EQ(Selection(), (std::vector<std::string>{"0", "4"}));
    Tree.ToggleRange(Tree.At({2}), Tree.At({2}));
    EXPECT_EQ(Selection(), (std::vector<std::string>{"0", "4"}));
    Tree.SelectRange(Tree.At({1}), Tree.At({1, 0}), true);
    Tree.UnselectRange(Tree.At({1, 0}), Tree.At({4}));
    EXPECT_EQ(Selection(), (std::vector<std::string>{"0", "1"}));
    EXPECT_TRUE(CheckInvariants(Tree));
}

TEST(VTree, SelectedNodesInOrderResolvesSubtrees)
{
    TestTree Tree;
    EventLog Log(Tree);
    Tree.TreeOptions()->SetSelectionOptions({toMultiSelect});
    BuildTree(Tree, "a\n  b\nc\n");
    Tree.SetSelected(Tree.At({0, 0}), true);
    Tree.SetSelected(Tree.At({0}), true);
    EXPECT_EQ(Names(Log, Tree.SelectedNodesInOrder(true)), (std::vector<std::string>{"0"}));
    EXPECT_EQ(Names(Log, Tree.SelectedNodesInOrder(false)),
              (std::vector<std::string>{"0", "0.0"}));
}

TEST(VTree, RemovingTheLastSelectedNodeResetsTheAnchorToTheFocus)
{
    TestTree Tree;
    Tree.TreeOptions()->SetSelectionOptions({toMultiSelect});
    Tree.SetRootNodeCount(3);
    Tree.SetFocusedNode(Tree.At({2}));
    Tree.SetSelected(Tree.At({0}), true);
    EXPECT_EQ(Tree.RangeAnchor(), Tree.At({0}));
    Tree.SetSelected(Tree.At({0}), false);
    EXPECT_EQ(Tree.RangeAnchor(), Tree.At({2}));
}

TEST(VTree, LazyRemovalsInsideAnUpdateArePackedFirst)
{
    TestTree Tree;
    Tree.TreeOptions()->SetSelectionOptions({toMultiSelect});
    Tree.SetRootNodeCount(20);
    Tree.SelectAll(false);
    Tree.LockUpdates();
    for (int I = 0; I < 10; ++I)
        Tree.RemoveNode(Tree.At({0}));
    Tree.ResetSelection();
    Tree.UnlockUpdates();
    EXPECT_EQ(Tree.SelectedCount(), 0u);
    for (PVirtualNode Run = Tree.FirstNodeRaw(); Run; Run = Tree.NextNodeRaw(Run))
        EXPECT_FALSE(Run->Has(vsSelected));
    EXPECT_TRUE(CheckInvariants(Tree));
}

TEST(VTree, CompactFlaggedEntries)
{
    TVirtualNode Nodes[4] = {};
    PVirtualNode Array[4] = {&Nodes[0], &Nodes[1], &Nodes[2], &Nodes[3]};
    Array[1] = reinterpret_cast<PVirtualNode>(reinterpret_cast<uintptr_t>(Array[1]) + 1);
    EXPECT_EQ(TestTree::CompactFlaggedEntries(Array, 4), 3);
    EXPECT_EQ(Array[1], &Nodes[2]);
    EXPECT_EQ(TestTree::CompactFlaggedEntries(Array, 0), -1);
}

// ---- events ---------------------------------------------------------------------------------

TEST(VTree, NestedUpdatesRaiseBeginOnceAndEndAtTheOutermost)
{
    TestTree Tree;
    EventLog Log(Tree);
    Log.Attach();
    Tree.LockUpdates();
    Tree.LockUpdates();
    Tree.SetRootNodeCount(2);
    Tree.UnlockUpdates();
    Tree.UnlockUpdates();
    EXPECT_EQ(Log.Take(), (std::vector<std::string>{"Updating 0", "Updating 3", "Updating 3",
                                                     "Structure nil 2", "Updating 4"}));
}

TEST(VTree, EventOrder)
{
    struct Case {
        const char* Name;
        std::function<void(TestTree&)> Act;
        std::vector<std::string> Events;
    };
    const Case Cases[] = {
        {"expand", [](TestTree& T) { T.ToggleNode(T.At({0})); },
         {"Expanding 0", "Expanded 0"}},
        {"collapse", [](TestTree& T) { T.ToggleNode(T.At({1})); },
         {"Collapsing 1", "Collapsed 1"}},
        {"focus", [](TestTree& T) { T.FocusNodeAndColumn(T.At({1}), NoColumn); },
         {"FocusChanging nil 1", "FocusChanged 1"}},
        {"select", [](TestTree& T) { T.SetSelected(T.At({1}), true); }, {"Change 1"}},
        {"delete a leaf never initialised", [](TestTree& T) { T.RemoveNode(T.At({1, 0})); },
         {"Structure 1 3"}},
        {"delete an initialised leaf", [](TestTree& T) {
             T.IsVisibleNode(T.At({1, 0}));
             T.RemoveNode(T.At({1, 0}));
         },
         {"Structure 1 3", "Free 1.0"}},
        {"delete the focused node", [](TestTree& T) {
             T.SetFocusedNode(T.At({2}));
             T.RemoveNode(T.At({2}));
         },
         {"FocusChanging nil 2", "Structure nil 3", "FocusChanged nil", "Free 2"}},
        {"add children", [](TestTree& T) { T.SetChildCount(T.At({2}), 2); },
         {"Structure 2 2"}},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        TestTree Tree;
        EventLog Log(Tree);
        InitHost Init;
        Init.Attach(Tree);
        BuildTree(Tree, "a-\n  a0\nb\n  b0\nc\n");
        Log.Attach();
        C.Act(Tree);
        EXPECT_EQ(Log.Take(), C.Events);
        CheckInvariants(Tree);
    }
}

TEST(VTree, RefusedFocusLeavesFocusAndColumn)
{
    TestTree Tree;
    EventLog Log(Tree);
    Log.Attach();
    Tree.SetRootNodeCount(2);
    Log.RefuseFocus = true;
    Tree.FocusNodeAndColumn(Tree.At({1}), 0);
    EXPECT_EQ(Tree.FocusedNode(), nullptr);
    EXPECT_EQ(Tree.FocusedColumn(), NoColumn);
}

TEST(VTree, ChangeDelayDeliversOneEventPerBurst)
{
    TestTree Tree;
    EventLog Log(Tree);
    Log.Attach();
    Tree.TreeOptions()->SetSelectionOptions({toMultiSelect});
    Tree.SetRootNodeCount(3);
    Log.Take();
    Tree.SetChangeDelay(50);
    Tree.SetSelected(Tree.At({0}), true);
    Tree.SetSelected(Tree.At({1}), true);
    Tree.SetChildCount(Tree.At({2}), 1);
    Tree.SetChildCount(Tree.At({2}), 2);
    EXPECT_TRUE(Log.Take().empty());
    Tree.ChangeTimerExpired(5);
    Tree.ChangeTimerExpired(6);
    EXPECT_EQ(Log.Take(), (std::vector<std::string>{"Change 1", "Structure 2 2"}));
    Tree.ChangeTimerExpired(5);
    EXPECT_TRUE(Log.Take().empty());
}

TEST(VTree, StateChangesThatChangeNothingAreNotReported)
{
    struct Host {
        int Calls = 0;
        void State(TBaseVirtualTree*, TVirtualTreeStates&, TVirtualTreeStates&) { ++Calls; }
    } H;
    TestTree Tree;
    Tree.OnStateChange = TVTStateChangeEvent(&H, &Host::State);
    Tree.LockUpdates();
    const int AfterFirst = H.Calls;
    Tree.LockUpdates();
    EXPECT_EQ(H.Calls, AfterFirst);
    Tree.UnlockUpdates();
    Tree.UnlockUpdates();
}

TEST(VTree, EditorHandlerWithoutLinkIsRefused)
{
    struct Host {
        void Create(TBaseVirtualTree*, PVirtualNode, TColumnIndex, IVTEditLinkPtr&) {}
    } H;
    TestTree Tree;
    Tree.TreeOptions()->SetMiscOptions(Tree.TreeOptions()->MiscOptions() + TVTMiscOptions{toEditable});
    Tree.OnCreateEditor = TVTCreateEditorEvent(&H, &Host::Create);
    Tree.SetRootNodeCount(1);
    try {
        Tree.StartEditing(Tree.At({0}), NoColumn);
        ADD_FAILURE() << "nothing raised";
    } catch (const EVirtualTreeError& E) {
        EXPECT_EQ(E.Message, "Edit link must not be nil.");
        EXPECT_EQ(E.HelpContext, 2001);
    }
    EXPECT_FALSE(Tree.EditingActive());
}

// ---- moving and sorting ---------------------------------------------------------------------

TEST(VTree, MoveTo)
{
    TestTree Tree;
    EventLog Log(Tree);
    BuildTree(Tree, "a\n  a0\n  a1\n  a2\nb\nc\n");
    PVirtualNode A = Tree.At({0}), B = Tree.At({1});
    try {
        Tree.MoveTo(A, Tree.At({0, 1}), amAddChildLast, false);
        ADD_FAILURE() << "nothing raised";
    } catch (const EVirtualTreeError& E) {
        EXPECT_EQ(E.Message, "Target node cannot be a child node of the node to be moved.");
        EXPECT_EQ(E.HelpContext, 2001);
    }
    CheckInvariants(Tree);
    // Children moved after a node keep their order.
    Tree.MoveTo(A, B, amInsertAfter, true);
    EXPECT_EQ(ChildNames(Tree, Log, nullptr), (std::vector<std::string>{"0", "1", "2", "3", "4", "5"}));
    EXPECT_EQ(Tree.At({2}), A == Tree.At({0}) ? Tree.At({2}) : nullptr);
    CheckInvariants(Tree);
    // A nil target makes the node the first top-level one.
    PVirtualNode C = Tree.RootNode()->LastChild;
    Tree.MoveTo(C, nullptr, amInsertAfter, false);
    EXPECT_EQ(Tree.At({0}), C);
    CheckInvariants(Tree);
}

TEST(VTree, MoveChildrenKeepsTheirOrderInEveryMode)
{
    for (TVTNodeAttachMode Mode : {amInsertBefore, amInsertAfter, amAddChildFirst, amAddChildLast}) {
        SCOPED_TRACE(static_cast<int>(Mode));
        TestTree Tree;
        BuildTree(Tree, "a\n  a0\n  a1\n  a2\nb\n  b0\n");
        PVirtualNode A0 = Tree.At({0, 0}), A1 = Tree.At({0, 1}), A2 = Tree.At({0, 2});
        Tree.MoveTo(Tree.At({0}), Tree.At({1, 0}), Mode, true);
        PVirtualNode Run = A0;
        ASSERT_EQ(Run->NextSibling, A1);
        ASSERT_EQ(A1->NextSibling, A2);
        CheckInvariants(Tree);
    }
}

TEST(VTree, MoveToAnotherTree)
{
    TestTree Source, Target;
    BuildTree(Source, "a\n  a0\n  a1\nb\n");
    BuildTree(Target, "x\n");
    Source.MoveTo(Source.At({0}), Target.At({0}), amInsertAfter, false);
    EXPECT_EQ(Source.TotalCount(), 1u);
    EXPECT_EQ(Target.TotalCount(), 4u);
    EXPECT_EQ(Target.At({1})->ChildCount, 2u);
    CheckInvariants(Source);
    CheckInvariants(Target);
}

TEST(VTree, SortIsStableInBothDirections)
{
    struct Host {
        TBaseVirtualTree* Tree = nullptr;
        int Key(PVirtualNode N) { return *static_cast<int*>(Tree->GetNodeData(N)); }
        void Compare(TBaseVirtualTree*, PVirtualNode A, PVirtualNode B, TColumnIndex, int& R)
        {
            R = Key(A) / 10 - Key(B) / 10;
        }
    } H;
    TestTree Tree;
    H.Tree = &Tree;
    Tree.SetNodeDataSize(sizeof(int));
    Tree.OnCompareNodes = TVTCompareEvent(&H, &Host::Compare);
    const int Keys[] = {21, 10, 22, 11, 23, 5};
    Tree.SetRootNodeCount(6);
    int I = 0;
    for (PVirtualNode Run = Tree.FirstNodeRaw(); Run; Run = Run->NextSibling)
        *static_cast<int*>(Tree.GetNodeData(Run)) = Keys[I++];
    auto Order = [&] {
        std::vector<int> R;
        for (PVirtualNode Run = Tree.FirstNodeRaw(); Run; Run = Run->NextSibling)
            R.push_back(H.Key(Run));
        return R;
    };
    Tree.Sort(nullptr, 0, sdAscending);
    EXPECT_EQ(Order(), (std::vector<int>{5, 10, 11, 21, 22, 23}));
    Tree.Sort(nullptr, 0, sdDescending);
    EXPECT_EQ(Order(), (std::vector<int>{21, 22, 23, 10, 11, 5}));
    EXPECT_TRUE(CheckInvariants(Tree));
}

// ---- geometry -------------------------------------------------------------------------------

TEST(VTree, GeometryFromHeights)
{
    TestTree Tree;
    BuildTree(Tree, "a\n  a0\nb-\n  b0\nc\n");
    Tree.SetNodeHeight(Tree.At({0, 0}), 30);
    int Top = -1;
    EXPECT_EQ(Tree.NodeAtPosition(0, -5, false, Top), Tree.At({0}));  // above 0 counts as 0
    EXPECT_EQ(Tree.NodeAtPosition(0, 18 + 29, false, Top), Tree.At({0, 0}));
    EXPECT_EQ(Top, 18);
    EXPECT_EQ(Tree.NodeAtPosition(0, 48, false, Top), Tree.At({1}));
    EXPECT_EQ(Tree.NodeAtPosition(0, 84, false, Top), nullptr);  // below the last row
    const TRect R = Tree.NodeDisplayRect(Tree.At({2}), NoColumn, false);
    EXPECT_EQ(R.Top, 66);
    EXPECT_EQ(R.Bottom, 84);
    // Inside a collapsed parent: no rectangle.
    const TRect Hidden = Tree.NodeDisplayRect(Tree.At({1, 0}), NoColumn, false);
    EXPECT_EQ(Hidden.Bottom - Hidden.Top, 0);
}

TEST(VTree, HitTest)
{
    TestTree Tree;
    BuildTree(Tree, "a\n  b\n");
    THitInfo Hit;
    Tree.HitTest(-3, 5, true, Hit);
    EXPECT_EQ(Hit.HitPositions, hiToLeft);
    EXPECT_EQ(Hit.HitNode, nullptr);
    Tree.HitTest(10, 5, true, Hit);
    EXPECT_EQ(Hit.HitNode, Tree.At({0}));
    // Within the last indent step of a node with children: its button.
    Tree.HitTest(5, 5, true, Hit);
    EXPECT_TRUE(Hit.HitPositions & hiOnItemButton);
    Tree.HitTest(30, 25, true, Hit);
    EXPECT_EQ(Hit.HitNode, Tree.At({0, 0}));
    EXPECT_TRUE(Hit.HitPositions & hiOnItem);
    Tree.HitTest(10, 80, true, Hit);
    EXPECT_EQ(Hit.HitPositions, hiNowhere);
}

TEST(VTree, ScrollIntoViewExpandsAndScrolls)
{
    TestTree Tree;
    Tree.SetBounds(0, 0, 200, 100);
    Tree.SetRootNodeCount(20);
    Tree.SetChildCount(Tree.At({15}), 3);
    PVirtualNode Node = Tree.At({15, 2});
    EXPECT_TRUE(Tree.ScrollIntoView(Node, false));
    EXPECT_TRUE(Tree.Expanded(Tree.At({15})));
    const TRect R = Tree.NodeDisplayRect(Node, NoColumn, false);
    EXPECT_EQ(R.Bottom, Tree.ClientHeight());
    EXPECT_TRUE(CheckInvariants(Tree));
}

// ---- random operation sequences -------------------------------------------------------------

namespace {

PVirtualNode RandomNode(TestTree& Tree, std::mt19937& Rng)
{
    const Cardinal Count = Tree.TotalCount();
    if (Count == 0)
        return nullptr;
    Cardinal Pick = std::uniform_int_distribution<Cardinal>(0, Count - 1)(Rng);
    PVirtualNode Run = Tree.FirstNodeRaw();
    while (Pick-- > 0 && Run)
        Run = Tree.NextNodeRaw(Run);
    return Run;
}

void RandomStep(TestTree& Tree, std::mt19937& Rng, int& Locks)
{
    PVirtualNode N = RandomNode(Tree, Rng);
    PVirtualNode M = RandomNode(Tree, Rng);
    const int Op = std::uniform_int_distribution<int>(0, 21)(Rng);
    const TVTNodeAttachMode Mode =
        static_cast<TVTNodeAttachMode>(std::uniform_int_distribution<int>(1, 4)(Rng));
    switch (Op) {
    case 0: Tree.SetChildCount(N, std::uniform_int_distribution<Cardinal>(0, 4)(Rng)); break;
    case 1: Tree.RemoveNode(N); break;
    case 2: if (N) Tree.ToggleNode(N); break;
    case 3: if (N) Tree.SetVisible(N, !N->Has(vsVisible)); break;
    case 4: Tree.SetNodeHeight(N, std::uniform_int_distribution<Cardinal>(0, 40)(Rng)); break;
    case 5: Tree.SetSelected(N, !Tree.Selected(N)); break;
    case 6: if (N) Tree.SelectRange(M, N, Rng() % 2); break;
    case 7: if (N) Tree.ToggleRange(M, N); break;
    case 8:
        try {
            Tree.MoveTo(N, M, Mode, Rng() % 4 == 0);
        } catch (const EVirtualTreeError&) {
        }
        break;
    case 9: Tree.Add(N ? N : nullptr, N ? Mode : amAddChildLast); break;
    case 10: Tree.SetFocusedNode(N); break;
    case 11:
        if (Locks < 3) {
            Tree.LockUpdates();
            ++Locks;
        }
        break;
    case 12:
        if (Locks > 0) {
            Tree.UnlockUpdates();
            --Locks;
        }
        break;
    case 13: Tree.RemoveSelectedNodes(); break;
    case 14: Tree.UnselectAll(); break;
    case 15: Tree.SelectAll(Rng() % 2); break;
    case 16: if (N) Tree.UnselectRange(M, N); break;
    case 17: Tree.Sort(N, 0, Rng() % 2 ? sdAscending : sdDescending); break;
    case 18: if (N && Rng() % 4 == 0) Tree.ExpandAll(N); else if (N) Tree.CollapseAll(N); break;
    case 19: {
        TMemoryStream Stream;
        Tree.SaveToStream(&Stream);
        Stream.SetPosition(0);
        Tree.LoadFromStream(&Stream);
        break;
    }
    case 20: if (N) Tree.HandleClickSelection(nullptr, N, Rng() % 2 ? TShiftState{ssShift} : TShiftState{ssCtrl}, false); break;
    case 21: Tree.SetCheckType(N, ctTriStateCheckBox); Tree.SetCheckState(N, csCheckedNormal); break;
    }
}

// Nodes the host initialised and has not seen freed yet.
struct CountingNodes {
    std::set<PVirtualNode> Live;
    void Init(TBaseVirtualTree*, PVirtualNode, PVirtualNode Node, TVirtualNodeInitStates&)
    {
        Live.insert(Node);
    }
    void Free(TBaseVirtualTree*, PVirtualNode Node) { Live.erase(Node); }
};

}  // namespace

TEST(VTree, RandomOperationSequencesKeepEveryInvariant)
{
    for (unsigned Seed = 1; Seed <= 12; ++Seed) {
        SCOPED_TRACE("seed " + std::to_string(Seed));
        std::mt19937 Rng(Seed);
        CountingNodes Nodes;
        {
            TestTree Tree;
            Tree.OnInitNode = TVTInitNodeEvent(&Nodes, &CountingNodes::Init);
            Tree.OnFreeNode = TVTFreeNodeEvent(&Nodes, &CountingNodes::Free);
            Tree.TreeOptions()->SetSelectionOptions(Seed % 3 ? TVTSelectionOptions{toMultiSelect}
                                                             : TVTSelectionOptions{});
            Tree.SetRootNodeCount(8);
            int Locks = 0;
            for (int Step = 0; Step < 400; ++Step) {
                RandomStep(Tree, Rng, Locks);
                if (!CheckInvariants(Tree, ("step " + std::to_string(Step)).c_str()))
                    return;
            }
            while (Locks-- > 0)
                Tree.UnlockUpdates();
            if (!CheckInvariants(Tree, "after the last unlock"))
                return;
        }
        // Every initialised node was freed with its event.
        EXPECT_TRUE(Nodes.Live.empty());
    }
}

TEST(VTree, RandomSequencesOnACachedTree)
{
    std::mt19937 Rng(77);
    TestTree Tree;
    Tree.TreeOptions()->SetSelectionOptions({toMultiSelect});
    Tree.SetRootNodeCount(2600);
    for (int I = 0; I < 40; ++I)
        Tree.SetChildCount(RandomNode(Tree, Rng), 60);
    Tree.ExpandAll();
    int Locks = 0;
    for (int Step = 0; Step < 60; ++Step) {
        RandomStep(Tree, Rng, Locks);
        if (Tree.VisibleCount() < 2500)
            Tree.SetRootNodeCount(Tree.RootNodeCount() + 2500);
        if (Step % 6 == 0 && !CheckInvariants(Tree, ("step " + std::to_string(Step)).c_str()))
            return;
    }
    while (Locks-- > 0)
        Tree.UnlockUpdates();
    EXPECT_GT(Tree.PositionCache().size(), 1u);
    CheckInvariants(Tree, "expanded");
}

// ---- unit services --------------------------------------------------------------------------

TEST(VTree, ClipboardFormatsByClassInPriorityOrder)
{
    TestTree Tree;  // registers the tree's formats
    const TFormatEtcArray Base = ListTreeFormats(ClassOf<TBaseVirtualTree>());
    ASSERT_EQ(Base.size(), 1u);
    EXPECT_EQ(TreeFormatDescription(Base[0].cfFormat), "Virtual Tree Data");
    const TFormatEtcArray Strings = ListTreeFormats(ClassOf<TCustomVirtualStringTree>());
    std::vector<std::string> Described;
    for (const TFormatEtc& F : Strings)
        Described.push_back(TreeFormatDescription(F.cfFormat).Std());
    EXPECT_EQ(Described, (std::vector<std::string>{"Virtual Tree Data", "HTML Format",
                                                   "Rich Text Format Without Objects",
                                                   "Rich Text Format", "CSV", "Unicode text",
                                                   "Plain text"}));
    Word Format = 0;
    EXPECT_EQ(FindTreeFormat("rich text format", Format), ClassOf<TCustomVirtualStringTree>());
    EXPECT_EQ(Format, CF_VRTF());
    Format = 7;
    EXPECT_EQ(FindTreeFormat("no such format", Format), nullptr);
    EXPECT_EQ(Format, 7);
    TStringList Allowed;
    Allowed.Add("CSV");
    EXPECT_EQ(ListTreeFormats(ClassOf<TCustomVirtualStringTree>(), &Allowed).size(), 1u);
    EXPECT_NE(CF_VTREFERENCE(), 0);
    EXPECT_EQ(TreeFormatDescription(CF_VTREFERENCE()), "");  // not offered by any class
}

TEST(VTree, OptionSetsAndTheirEffects)
{
    TestTree Tree;
    TCustomVirtualTreeOptions* Options = Tree.TreeOptions();
    EXPECT_EQ(Options->PaintOptions().Bits(), 7008u);
    EXPECT_EQ(Options->AutoOptions().Bits(), 329u);
    EXPECT_EQ(Options->MiscOptions().Bits(), 425u);
    EXPECT_TRUE(Options->SelectionOptions().Empty());
    Options->SetSelectionOptions({toMultiSelect});
    Tree.SetRootNodeCount(3);
    Tree.SelectAll(false);
    Options->SetSelectionOptions({});
    EXPECT_EQ(Tree.SelectedCount(), 0u);
    // Read-only trees refuse structural changes.
    Options->SetMiscOptions(Options->MiscOptions() + TVTMiscOptions{toReadOnly});
    Tree.RemoveAll();
    Tree.SetRootNodeCount(10);
    EXPECT_EQ(Tree.TotalCount(), 3u);
    // Its nodes stay, so their data size stays too: larger host data would
    // run past the nodes made before.
    Tree.SetNodeDataSize(64);
    EXPECT_EQ(Tree.NodeDataSize(), 0);
    EXPECT_EQ(Tree.TotalCount(), 3u);
}

TEST(VTree, TextBuffersGrowToFit)
{
    TBufferedString Buffer;
    Buffer.Add(AnsiString(std::string(10000, 'x')));
    Buffer.AddNewLine();
    EXPECT_EQ(Buffer.AsString().Length(), 10002);
    TWideBufferedString Wide;
    Wide.Add(std::u16string(9000, u'ж'));
    Wide.AddNewLine();
    EXPECT_EQ(Wide.AsString().size(), 9002u);
    EXPECT_EQ(Wide.AsString().back(), u'\n');
}

TEST(VTree, OwnerTreeOfNode)
{
    TestTree Tree;
    BuildTree(Tree, "a\n  b\n");
    EXPECT_EQ(OwnerTreeOfNode(Tree.At({0, 0})), &Tree);
    const TRect R = OrderRect(TRect{10, 20, 0, 5});
    EXPECT_EQ(R.Left, 0);
    EXPECT_EQ(R.Bottom, 20);
}

TEST(VTree, BulkSelectionIsSortedWhateverTheOrderGiven)
{
    // Large batches are sorted by merging address runs or by radix passes;
    // both must give the ascending array.
    for (const bool Shuffled : {false, true}) {
        SCOPED_TRACE(Shuffled ? "shuffled" : "three runs");
        TestTree Tree;
        Tree.TreeOptions()->SetSelectionOptions({toMultiSelect});
        Tree.SetRootNodeCount(5000);
        std::vector<PVirtualNode> Nodes;
        for (PVirtualNode Run = Tree.FirstNodeRaw(); Run; Run = Run->NextSibling)
            Nodes.push_back(Run);
        if (Shuffled) {
            std::shuffle(Nodes.begin(), Nodes.end(), std::mt19937(9));
        } else {
            std::rotate(Nodes.begin(), Nodes.begin() + 3000, Nodes.end());
            std::rotate(Nodes.begin(), Nodes.begin() + 700, Nodes.begin() + 2000);
        }
        Tree.AddToSelection(Nodes.data(), static_cast<int>(Nodes.size()), false);
        EXPECT_EQ(Tree.SelectedCount(), 5000u);
        EXPECT_TRUE(CheckInvariants(Tree));
    }
}

TEST(VTree, PopupMenuIsAskedUpTheParentChain)
{
    struct Host {
        std::vector<PVirtualNode> Asked;
        std::vector<TColumnIndex> Columns;
        TPopupMenu* Menu = nullptr;
        PVirtualNode Owner = nullptr;
        void Get(TBaseVirtualTree*, PVirtualNode Node, TColumnIndex Column, const TPoint&, bool&,
                 TPopupMenu*& Result)
        {
            Asked.push_back(Node);
            Columns.push_back(Column);
            if (Node == Owner)
                Result = Menu;
        }
    } H;
    struct Probe : TestTree {
        using TBaseVirtualTree::DoGetPopupMenu;
    } Tree;
    BuildTree(Tree, "a\n  b\n    c\n");
    Tree.OnGetPopupMenu = TVTPopupEvent(&H, &Host::Get);
    H.Owner = Tree.At({0});
    H.Menu = reinterpret_cast<TPopupMenu*>(&H);  // only compared
    EXPECT_EQ(Tree.DoGetPopupMenu(Tree.At({0, 0, 0}), 0, TPoint{}), H.Menu);
    EXPECT_EQ(H.Asked.size(), 3u);
    H.Asked.clear();
    H.Columns.clear();
    EXPECT_EQ(Tree.DoGetPopupMenu(nullptr, 2, TPoint{}), nullptr);
    EXPECT_EQ(H.Columns, std::vector<TColumnIndex>{NoColumn});
}

TEST(VTree, ScaleChangesTheDefaultHeightOnlyWhenAsked)
{
    TestTree Tree;
    Tree.ChangeScale(3, 2);
    EXPECT_EQ(Tree.DefaultNodeHeight(), 18u);
    Tree.TreeOptions()->SetAutoOptions(Tree.TreeOptions()->AutoOptions() +
                                       TVTAutoOptions{toAutoChangeScale});
    Tree.Header()->Font()->SetSize(8);
    Tree.ChangeScale(3, 2);
    EXPECT_EQ(Tree.DefaultNodeHeight(), 27u);
    EXPECT_EQ(Tree.Header()->Font()->Size(), 12);  // the header's font follows
    EXPECT_TRUE(CheckInvariants(Tree));
}

TEST(VTree, AssignTakesSettingsOptionsAndCount)
{
    TestTree Source;
    Source.SetDefaultNodeHeight(22);
    Source.SetIndent(12);
    Source.TreeOptions()->SetSelectionOptions({toMultiSelect});
    Source.SetRootNodeCount(4);
    TestTree Tree;
    Tree.Assign(&Source);
    EXPECT_EQ(Tree.DefaultNodeHeight(), 22u);
    EXPECT_EQ(Tree.Indent(), 12u);
    EXPECT_TRUE(Tree.TreeOptions()->SelectionOptions().Contains(toMultiSelect));
    EXPECT_EQ(Tree.RootNodeCount(), 4u);
    EXPECT_EQ(Tree.NodeHeight(Tree.At({0})), 22u);
    EXPECT_TRUE(CheckInvariants(Tree));
}

TEST(VTree, FailingMeasureKeepsTheNodesMadeSoFarCounted)
{
    struct Host {
        int Calls = 0;
        void Measure(TBaseVirtualTree*, TCanvas*, PVirtualNode, int& Height)
        {
            if (++Calls == 3)
                throw EAbort("stop");
            Height = 25;
        }
    } H;
    TestTree Tree;
    Tree.TreeOptions()->SetMiscOptions(Tree.TreeOptions()->MiscOptions() +
                                       TVTMiscOptions{toVariableNodeHeight});
    Tree.OnMeasureItem = TVTMeasureItemEvent(&H, &Host::Measure);
    EXPECT_THROW(Tree.SetRootNodeCount(5), EAbort);
    EXPECT_EQ(Tree.RootNodeCount(), 3u);
    EXPECT_EQ(Tree.NodeHeight(Tree.At({0})), 25u);
    EXPECT_TRUE(CheckInvariants(Tree));
}

TEST(VTree, LineImages)
{
    struct Case {
        std::vector<int> Path;
        TLineImage Lines;
    };
    const Case Cases[] = {
        {{0}, {ltBottomRight}},              // first of several top-level nodes
        {{0, 0}, {ltTopDown, ltTopDownRight}},  // a sibling follows; so does the parent
        {{0, 1}, {ltTopDown, ltTopRight}},   // last child
        {{1}, {ltTopRight}},                 // last top-level node
        {{1, 0, 0}, {ltNone, ltNone, ltTopRight}},
    };
    TestTree Tree;
    BuildTree(Tree, "a\n  a0\n  a1\nb\n  b0\n    b00\n");
    Tree.SetSelected(Tree.At({1}), true);
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Path.size());
        TLineImage Lines;
        const int Selected = Tree.DetermineLineImage(Tree.At(C.Path), Lines);
        EXPECT_EQ(Lines, C.Lines);
        EXPECT_EQ(Selected, C.Path.size() == 3 ? 1 : 0);  // b is a selected ancestor
    }
}

TEST(VTree, StateChangeMessageEntersAndLeavesCacheStates)
{
    TestTree Tree;
    // Enter use-cache and validation-needed, leave stop-validation.
    Tree.Perform(WM_VTSTATECHANGE, 2 | 8, 1);
    EXPECT_TRUE(Tree.TreeStates().Contains(tsUseCache));
    EXPECT_TRUE(Tree.TreeStates().Contains(tsValidationNeeded));
    EXPECT_FALSE(Tree.TreeStates().Contains(tsStopValidation));
}

TEST(VTree, SavesToAndLoadsFromAFile)
{
    TempDir Dir;
    TestTree Tree;
    BuildTree(Tree, "a\n  b\nc\n");
    Tree.SaveToFile(Dir.File("tree.vtree"));
    TestTree Loaded;
    Loaded.LoadFromFile(Dir.File("tree.vtree"));
    EXPECT_EQ(Loaded.TotalCount(), 3u);
    EXPECT_TRUE(CheckInvariants(Loaded));
}

TEST(VTree, HitPositionsAcrossARow)
{
    struct Host {
        void Image(TBaseVirtualTree*, PVirtualNode, TVTImageKind Kind, TColumnIndex, bool&,
                   int& Index)
        {
            Index = Kind == ikNormal ? 0 : -1;
        }
    } H;
    struct Case {
        int X;
        Word Position;
    };
    // A top-level node with children: root indent 0..17, check box 18..35,
    // normal image 36..53, then the (empty) text with its margins.
    const Case Cases[] = {
        {3, hiOnItemButton}, {20, hiOnItemCheckbox}, {40, hiOnNormalIcon},
        {56, hiOnItemLabel}, {120, hiOnItemRight},
    };
    TestTree Tree;
    TCustomImageList Checks(nullptr, 16, 16);
    TCustomImageList Images(nullptr, 16, 16);
    Tree.SetCheckImages(&Checks);
    Tree.SetImages(&Images);
    Tree.OnGetImageIndex = TVTGetImageEvent(&H, &Host::Image);
    Tree.TreeOptions()->SetMiscOptions(Tree.TreeOptions()->MiscOptions() +
                                       TVTMiscOptions{toCheckSupport});
    BuildTree(Tree, "a-\n  b\n");
    Tree.SetCheckType(Tree.At({0}), ctCheckBox);
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.X);
        THitInfo Hit;
        Tree.HitTest(C.X, 5, true, Hit);
        EXPECT_EQ(Hit.HitNode, Tree.At({0}));
        EXPECT_TRUE(Hit.HitPositions & C.Position) << Hit.HitPositions;
    }
    Tree.SetImages(nullptr);
}

// ---- faults found in the engine -------------------------------------------------------------

TEST(VTree, TextRectangleAndHitFollowTheColumnsAlignmentAndReading)
{
    auto Form = std::make_unique<TForm>(nullptr, 0);
    TestTree& Tree = *new TestTree(Form.get());
    Tree.SetParent(Form.get());
    Tree.SetBounds(0, 0, 400, 200);
    TVTHeader* H = Tree.Header();
    H->Columns()->Add()->SetWidth(100);
    TVirtualTreeColumn* Right = H->Columns()->Add();
    Right->SetWidth(200);
    Right->SetAlignment(taRightJustify);
    H->SetOptions(H->Options() + TVTHeaderOptions{hoVisible});
    Tree.SetRootNodeCount(2);
    // The base tree's text is 0 wide: a right-aligned cell puts it at the
    // right edge (the column's right less one).
    const TRect R = Tree.NodeDisplayRect(Tree.At({0}), 1, true);
    EXPECT_EQ(R.Left, 299);
    EXPECT_EQ(R.Right, 299);
    THitInfo Hit;
    Tree.HitTest(150, 5, true, Hit);
    EXPECT_EQ(Hit.HitColumn, 1);
    EXPECT_TRUE(Hit.HitPositions & hiOnItemLeft) << Hit.HitPositions;
    // Right to left: the same cell's parts mirror; a left-aligned text now
    // stands at the right, the margin measured from there.
    Right->SetAlignment(taLeftJustify);
    Right->SetBiDiMode(bdRightToLeft);
    const TRect M = Tree.NodeDisplayRect(Tree.At({0}), 1, true);
    EXPECT_EQ(M.Right, 299 - Tree.Margin());
    Tree.HitTest(150, 5, true, Hit);
    EXPECT_TRUE(Hit.HitPositions & hiOnItemLeft) << Hit.HitPositions;
}

TEST(VTree, RemovalEdges)
{
    TestTree Tree;
    BuildTree(Tree, "a\n  b\nc\n");
    // A node without children keeps its button when none are removed.
    PVirtualNode C = Tree.At({1});
    Tree.SetHasChildren(C, true);
    Tree.RemoveChildren(C, true);
    EXPECT_TRUE(Tree.HasChildren(C));
    // No node descends from the hidden root in the tree's own terms.
    EXPECT_FALSE(Tree.IsDescendantOf(Tree.At({0}), Tree.RootNode()));
    EXPECT_TRUE(Tree.IsDescendantOf(Tree.At({0, 0}), Tree.At({0})));
    CheckInvariants(Tree);
}

TEST(VTree, ColumnWidthsInsideAnUpdateRaiseNoResizeEvent)
{
    TestTree Tree;
    TVTHeader* H = Tree.Header();
    H->Columns()->Add()->SetWidth(100);
    std::vector<TColumnIndex> Resized;
    struct Host {
        std::vector<TColumnIndex>* Log;
        void Resize(TVTHeader*, TColumnIndex Column) { Log->push_back(Column); }
    } Log{&Resized};
    Tree.OnColumnResize = TVTColumnResizeEvent(&Log, &Host::Resize);
    H->Columns()->BeginUpdate();
    H->Columns()->GetItem(0)->SetWidth(150);
    H->Columns()->EndUpdate();
    EXPECT_TRUE(Resized.empty());
    H->Columns()->GetItem(0)->SetWidth(120);
    EXPECT_EQ(Resized, std::vector<TColumnIndex>{0});
    Tree.OnColumnResize = nullptr;
}

TEST(VTree, StreamedNodeHeightKeepsItsLow16Bits)
{
    TestTree Tree;
    Tree.SetRootNodeCount(1);
    Tree.SetNodeHeight(Tree.At({0}), 1234);
    TStringStream Out;
    Tree.SaveToStream(&Out);
    std::string Bytes = Out.DataString().Std();
    const std::string Height("\xD2\x04\x00\x00", 4);
    const size_t At = Bytes.find(Height);
    ASSERT_NE(At, std::string::npos);
    ASSERT_EQ(Bytes.find(Height, At + 1), std::string::npos);
    Bytes[At + 2] = 1;  // 0x000104D2
    MemoryBlockStream In(Bytes.data(), Bytes.size());
    TestTree Loaded;
    Loaded.LoadFromStream(&In);
    EXPECT_EQ(Loaded.NodeHeight(Loaded.At({0})), 1234u);
    CheckInvariants(Loaded);
}

TEST(VTree, CellTextInfoOfTheBaseTreeIsEmpty)
{
    TestTree Tree;
    Tree.SetRootNodeCount(1);
    Tree.Font()->SetName("Arial");
    TFont Font;
    TRect R{1, 2, 3, 4};
    std::u16string Text = u"x";
    Tree.CellTextInfo(Tree.At({0}), NoColumn, &Font, R, Text);
    EXPECT_TRUE(Text.empty());
    EXPECT_EQ(R.Right - R.Left, 0);
    EXPECT_EQ(Font.Name(), Tree.Font()->Name());
}

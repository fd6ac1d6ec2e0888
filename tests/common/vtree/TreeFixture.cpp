#include "tests/common/vtree/TreeFixture.h"

#include <algorithm>
#include <set>
#include <sstream>

void EventLog::Attach()
{
    FTree.OnChange = TVTChangeEvent(this, &EventLog::Change);
    FTree.OnExpanding = TVTChangingEvent(this, &EventLog::Expanding);
    FTree.OnExpanded = TVTChangeEvent(this, &EventLog::Expanded);
    FTree.OnCollapsing = TVTChangingEvent(this, &EventLog::Collapsing);
    FTree.OnCollapsed = TVTChangeEvent(this, &EventLog::Collapsed);
    FTree.OnStructureChange = TVTStructureChangeEvent(this, &EventLog::Structure);
    FTree.OnUpdating = TVTUpdatingEvent(this, &EventLog::Updating);
    FTree.OnFocusChanging = TVTFocusChangingEvent(this, &EventLog::FocusChanging);
    FTree.OnFocusChanged = TVTFocusChangeEvent(this, &EventLog::FocusChanged);
    FTree.OnChecking = TVTCheckChangingEvent(this, &EventLog::Checking);
    FTree.OnChecked = TVTChangeEvent(this, &EventLog::Checked);
    FTree.OnFreeNode = TVTFreeNodeEvent(this, &EventLog::FreeNode);
}

void EventLog::Detach()
{
    FTree.OnChange = nullptr;
    FTree.OnExpanding = nullptr;
    FTree.OnExpanded = nullptr;
    FTree.OnCollapsing = nullptr;
    FTree.OnCollapsed = nullptr;
    FTree.OnStructureChange = nullptr;
    FTree.OnUpdating = nullptr;
    FTree.OnFocusChanging = nullptr;
    FTree.OnFocusChanged = nullptr;
    FTree.OnChecking = nullptr;
    FTree.OnChecked = nullptr;
    FTree.OnFreeNode = nullptr;
}

std::string EventLog::Name(PVirtualNode Node) const
{
    if (!Node)
        return "nil";
    std::vector<Cardinal> Path;
    for (PVirtualNode Run = Node; Run != FTree.RootNode(); Run = Run->Parent)
        Path.push_back(Run->Index);
    std::string Result;
    for (auto It = Path.rbegin(); It != Path.rend(); ++It)
        Result += (Result.empty() ? "" : ".") + std::to_string(*It);
    return Result;
}

void InitHost::Attach(TBaseVirtualTree& Tree)
{
    Tree.OnInitNode = TVTInitNodeEvent(this, &InitHost::InitNode);
    Tree.OnInitChildren = TVTInitChildrenEvent(this, &InitHost::InitChildren);
}

void InitHost::InitNode(TBaseVirtualTree* Tree, PVirtualNode, PVirtualNode Node,
                        TVirtualNodeInitStates& States)
{
    ++InitCount;
    States += Extra;
    if (ChildrenPerNode > 0 && static_cast<int>(Tree->NodeLevel(Node)) < MaxLevel)
        States.Include(ivsHasChildren);
}

void BuildTree(TestTree& Tree, const char* Outline)
{
    std::vector<PVirtualNode> Stack{Tree.RootNode()};
    std::vector<PVirtualNode> Made, Collapsed, Hidden;
    std::istringstream In(Outline);
    std::string Line;
    while (std::getline(In, Line)) {
        const size_t First = Line.find_first_not_of(' ');
        if (First == std::string::npos)
            continue;
        Stack.resize(First / 2 + 1);
        PVirtualNode Node = Tree.Add(Stack.back(), amAddChildLast);
        Made.push_back(Node);
        if (Line.back() == '-')
            Collapsed.push_back(Node);
        if (Line.back() == '~')
            Hidden.push_back(Node);
        Stack.push_back(Node);
    }
    for (PVirtualNode Node : Made)
        if (Node->ChildCount > 0 &&
            std::find(Collapsed.begin(), Collapsed.end(), Node) == Collapsed.end())
            Tree.ToggleNode(Node);
    for (PVirtualNode Node : Hidden)
        Tree.SetVisible(Node, false);
}

namespace {

struct Brute {
    std::set<PVirtualNode> All;
    std::vector<PVirtualNode> Shown;  // fully visible nodes in display order
    std::vector<Cardinal> Tops;
    Cardinal Selected = 0;
};

bool Shown(TestTree& Tree, PVirtualNode Node)
{
    for (PVirtualNode Run = Node; Run != Tree.RootNode(); Run = Run->Parent) {
        if (!Run->Has(vsVisible))
            return false;
        if (Run != Node && !Run->Has(vsExpanded))
            return false;
    }
    return true;
}

}  // namespace

bool CheckInvariants(TestTree& Tree, const char* Where)
{
    SCOPED_TRACE(Where);
    bool Ok = true;
    auto Fail = [&](const std::string& What) {
        ADD_FAILURE() << What;
        Ok = false;
    };
    Brute B;
    // Links, indexes, counts and totals, node by node (children before the
    // parent's sums are compared, so a walk in post-order).
    std::vector<std::pair<PVirtualNode, bool>> Stack{{Tree.RootNode(), false}};
    Cardinal Top = 0;
    std::vector<PVirtualNode> Order;
    while (!Stack.empty()) {
        auto [Node, Done] = Stack.back();
        Stack.pop_back();
        if (Done) {
            Cardinal Count = 1;
            int64_t Height = Node->NodeHeight;
            Cardinal Index = 0;
            PVirtualNode Previous = nullptr;
            for (PVirtualNode Run = Node->FirstChild; Run; Run = Run->NextSibling) {
                if (Run->Parent != Node)
                    Fail("child's parent link is wrong");
                if (Run->PrevSibling != Previous)
                    Fail("previous-sibling link is wrong");
                if (Run->Index != Index)
                    Fail("index " + std::to_string(Run->Index) + " where " +
                         std::to_string(Index) + " belongs");
                Count += Run->TotalCount;
                if (Node->Has(vsExpanded) && Run->Has(vsVisible))
                    Height += Run->TotalHeight;
                Previous = Run;
                ++Index;
            }
            if (Node->LastChild != Previous)
                Fail("last-child link is wrong");
            if (Node->ChildCount != Index)
                Fail("ChildCount " + std::to_string(Node->ChildCount) + " but " +
                     std::to_string(Index) + " children");
            if (Node->TotalCount != Count)
                Fail("TotalCount " + std::to_string(Node->TotalCount) + " but " +
                     std::to_string(Count));
            if (Node->TotalHeight != Height)
                Fail("TotalHeight " + std::to_string(Node->TotalHeight) + " but " +
                     std::to_string(Height));
            continue;
        }
        if (Node != Tree.RootNode()) {
            B.All.insert(Node);
            Order.push_back(Node);
            if (Node->Has(vsSelected))
                ++B.Selected;
        }
        Stack.push_back({Node, true});
        std::vector<PVirtualNode> Children;
        for (PVirtualNode Run = Node->FirstChild; Run; Run = Run->NextSibling)
            Children.push_back(Run);
        for (auto It = Children.rbegin(); It != Children.rend(); ++It)
            Stack.push_back({*It, false});
    }
    for (PVirtualNode Node : Order)
        if (Shown(Tree, Node)) {
            B.Shown.push_back(Node);
            B.Tops.push_back(Top);
            Top += Node->NodeHeight;
        }
    if (Tree.VisibleCount() != B.Shown.size())
        Fail("VisibleCount " + std::to_string(Tree.VisibleCount()) + " but " +
             std::to_string(B.Shown.size()) + " rows shown");
    if (Tree.RootNode()->TotalHeight - Tree.RootNode()->NodeHeight != Top)
        Fail("the rows' height does not match the root's total");

    // The selection: sorted, unique, flagged, in the tree.
    const Cardinal Count = Tree.SelectedCount();
    if (Tree.UpdateCount() == 0) {
        if (Count != B.Selected)
            Fail("SelectedCount " + std::to_string(Count) + " but " +
                 std::to_string(B.Selected) + " nodes flagged");
        const PVirtualNode* Sel = Tree.SelectionData();
        for (Cardinal I = 0; I < Count; ++I) {
            if (!B.All.count(Sel[I]))
                Fail("selection holds a node that is not in the tree");
            else if (!Sel[I]->Has(vsSelected))
                Fail("selection holds an unflagged node");
            if (I > 0 && !(reinterpret_cast<uintptr_t>(Sel[I - 1]) <
                           reinterpret_cast<uintptr_t>(Sel[I])))
                Fail("selection is not ascending and unique");
        }
    }
    if (Tree.FocusedNode() && !B.All.count(Tree.FocusedNode()))
        Fail("focused node is not in the tree");
    if (Tree.RangeAnchor() && !B.All.count(Tree.RangeAnchor()))
        Fail("range anchor is not in the tree");

    // The position cache and the geometry against the walk.
    Tree.ValidateCache();
    for (const TCacheEntry& E : Tree.PositionCache()) {
        auto It = std::find(B.Shown.begin(), B.Shown.end(), E.Node);
        if (It == B.Shown.end())
            Fail("cache entry names a node that is not shown");
        else if (B.Tops[It - B.Shown.begin()] != E.AbsoluteTop)
            Fail("cache entry has the wrong top");
    }
    if (B.Shown.size() > 2000 && Tree.PositionCache().empty())
        Fail("no cache above 2000 rows");
    if (!B.Shown.empty()) {
        // A handful of rows spread over the tree, and the ends.
        const size_t Step = std::max<size_t>(1, B.Shown.size() / 7);
        for (size_t I = 0; I < B.Shown.size(); I += Step) {
            int NodeTop = -1;
            const int Y = static_cast<int>(B.Tops[I] + B.Shown[I]->NodeHeight / 2);
            if (B.Shown[I]->NodeHeight == 0)
                continue;
            if (Tree.NodeAtPosition(0, Y, false, NodeTop) != B.Shown[I] ||
                NodeTop != static_cast<int>(B.Tops[I]))
                Fail("NodeAtPosition misses row " + std::to_string(I));
            if (Tree.NodeTop(B.Shown[I]) != B.Tops[I])
                Fail("NodeTop misses row " + std::to_string(I));
            if (I + 1 < B.Shown.size() && Tree.NextVisibleNodeRaw(B.Shown[I]) != B.Shown[I + 1])
                Fail("NextVisibleNodeRaw skips a row after " + std::to_string(I));
            if (I > 0 && Tree.PreviousVisibleNodeRaw(B.Shown[I]) != B.Shown[I - 1])
                Fail("PreviousVisibleNodeRaw skips a row before " + std::to_string(I));
        }
        int NodeTop = 0;
        if (Tree.NodeAtPosition(0, static_cast<int>(Top), false, NodeTop) != nullptr)
            Fail("NodeAtPosition finds a node below the last row");
    }
    return Ok;
}

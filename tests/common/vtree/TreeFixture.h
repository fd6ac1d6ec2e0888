#pragma once

// Shared by the tree tests: a tree that opens its protected operations, a
// host that logs the events it receives, a tree builder from an outline and
// the invariant checker that compares every count, link, total, the
// selection and the position cache with a brute-force walk.

#include "common/vtree/VTree.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

class TestTree : public TBaseVirtualTree {
public:
    explicit TestTree(TComponent* AOwner = nullptr) : TBaseVirtualTree(AOwner) {}

    using TBaseVirtualTree::AddToSelection;
    using TBaseVirtualTree::ApplyCheckState;
    using TBaseVirtualTree::ChangeScale;
    using TBaseVirtualTree::ChangeTimerExpired;
    using TBaseVirtualTree::CompactFlaggedEntries;
    using TBaseVirtualTree::InsertNodeChunks;
    using TBaseVirtualTree::LinkNode;
    using TBaseVirtualTree::NewNodeRecord;
    using TBaseVirtualTree::NextCheckStateFor;
    using TBaseVirtualTree::NodeLevelDifference;
    using TBaseVirtualTree::ReadCaptionChunk;
    using TBaseVirtualTree::ResetSelection;
    using TBaseVirtualTree::SelectRange;
    using TBaseVirtualTree::ToggleRange;
    using TBaseVirtualTree::UnlinkNode;
    using TBaseVirtualTree::UnselectRange;

    /// A new node linked at Destination (null: the root) with Mode.
    PVirtualNode Add(PVirtualNode Destination, TVTNodeAttachMode Mode)
    {
        PVirtualNode Node = NewNodeRecord();
        LinkNode(Node, Destination ? Destination : RootNode(), Mode);
        return Node;
    }
    /// The node at a path of indexes from the root ({1, 0}: the first child
    /// of the second top-level node).
    PVirtualNode At(std::initializer_list<int> Path) const
    {
        return At(std::vector<int>(Path));
    }
    PVirtualNode At(const std::vector<int>& Path) const
    {
        PVirtualNode Run = RootNode();
        for (int Index : Path) {
            Run = Run->FirstChild;
            for (int I = 0; I < Index && Run; ++I)
                Run = Run->NextSibling;
            if (!Run)
                return nullptr;
        }
        return Run;
    }
};

/// Collects the events a tree raises as short texts ("Expanded 0.1").
class EventLog {
public:
    explicit EventLog(TBaseVirtualTree& Tree) : FTree(Tree) {}
    /// Detaches, so a tree that outlives the log (and frees its nodes
    /// later) does not call into it.
    ~EventLog() { Detach(); }

    void Attach();
    void Detach();
    std::vector<std::string> Take()
    {
        std::vector<std::string> Result;
        Result.swap(Lines);
        return Result;
    }
    /// Dotted index path of a node ("1.0"), "nil" for none.
    std::string Name(PVirtualNode Node) const;

    std::vector<std::string> Lines;
    bool RefuseExpand = false;
    bool RefuseFocus = false;
    /// Nodes whose check changes the host refuses.
    std::vector<PVirtualNode> RefuseCheck;

    void Change(TBaseVirtualTree*, PVirtualNode Node) { Lines.push_back("Change " + Name(Node)); }
    void Expanding(TBaseVirtualTree*, PVirtualNode Node, bool& Allowed)
    {
        Lines.push_back("Expanding " + Name(Node));
        Allowed = !RefuseExpand;
    }
    void Expanded(TBaseVirtualTree*, PVirtualNode Node) { Lines.push_back("Expanded " + Name(Node)); }
    void Collapsing(TBaseVirtualTree*, PVirtualNode Node, bool&)
    {
        Lines.push_back("Collapsing " + Name(Node));
    }
    void Collapsed(TBaseVirtualTree*, PVirtualNode Node) { Lines.push_back("Collapsed " + Name(Node)); }
    void Structure(TBaseVirtualTree*, PVirtualNode Node, TChangeReason Reason)
    {
        Lines.push_back("Structure " + Name(Node) + " " + std::to_string(Reason));
    }
    void Updating(TBaseVirtualTree*, TVTUpdateState State)
    {
        Lines.push_back("Updating " + std::to_string(State));
    }
    void FocusChanging(TBaseVirtualTree*, PVirtualNode Old, PVirtualNode New, TColumnIndex,
                       TColumnIndex, bool& Allowed)
    {
        Lines.push_back("FocusChanging " + Name(Old) + " " + Name(New));
        Allowed = !RefuseFocus;
    }
    void FocusChanged(TBaseVirtualTree*, PVirtualNode Node, TColumnIndex)
    {
        Lines.push_back("FocusChanged " + Name(Node));
    }
    void Checking(TBaseVirtualTree*, PVirtualNode Node, TCheckState& State, bool& Allowed)
    {
        Lines.push_back("Checking " + Name(Node) + " " + std::to_string(State));
        for (PVirtualNode Refused : RefuseCheck)
            if (Refused == Node)
                Allowed = false;
    }
    void Checked(TBaseVirtualTree*, PVirtualNode Node) { Lines.push_back("Checked " + Name(Node)); }
    void FreeNode(TBaseVirtualTree*, PVirtualNode Node) { Lines.push_back("Free " + Name(Node)); }

private:
    TBaseVirtualTree& FTree;
};

/// Host that initialises nodes: counts OnInitNode calls and gives every
/// node with Index < ChildLimit children (ChildrenPerNode).
class InitHost {
public:
    int InitCount = 0;
    int InitChildrenCount = 0;
    Cardinal ChildrenPerNode = 0;
    int MaxLevel = 0;
    TVirtualNodeInitStates Extra;

    void Attach(TBaseVirtualTree& Tree);
    void InitNode(TBaseVirtualTree*, PVirtualNode Parent, PVirtualNode Node,
                  TVirtualNodeInitStates& States);
    void InitChildren(TBaseVirtualTree*, PVirtualNode, Cardinal& Count)
    {
        ++InitChildrenCount;
        Count = ChildrenPerNode;
    }
};

/// Builds nodes from an outline: one line per node, two spaces per level,
/// a trailing '-' makes the node collapsed (else expanded when it has
/// children), a trailing '~' makes it hidden.
void BuildTree(TestTree& Tree, const char* Outline);

/// Adds a failure for every broken invariant; returns false when one broke.
bool CheckInvariants(TestTree& Tree, const char* Where = "");

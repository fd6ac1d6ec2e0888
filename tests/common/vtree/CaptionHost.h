#pragma once

// Shared by the tree's transfer tests: the host of a string tree whose
// nodes keep their texts wherever they move or are copied to, and a tree
// of such nodes on a form.

#include "common/vtree/VTree.h"

#include <map>
#include <string>
#include <vector>

/// Texts by node ("a0", "a1"... by the node's first index, then what a
/// paste or a drop stored), and the texts stored, in order.
struct CaptionHost {
    std::u16string Prefix;
    std::map<PVirtualNode, std::u16string> Captions;
    std::vector<std::u16string> Stored;

    explicit CaptionHost(std::u16string P) : Prefix(std::move(P)) {}
    void GetText(TBaseVirtualTree*, PVirtualNode Node, TColumnIndex, TVSTTextType,
                 std::u16string& Text)
    {
        if (const auto It = Captions.find(Node); It != Captions.end())
            Text = It->second;
        else
            Text = Prefix + static_cast<char16_t>(u'0' + Node->Index);
    }
    void NewText(TBaseVirtualTree*, PVirtualNode Node, TColumnIndex, const std::u16string& Text)
    {
        Captions[Node] = Text;
        Stored.push_back(Text);
    }
    /// A multi-select string tree of Count top-level nodes on Parent, its
    /// texts from this host, each node given its first text for good.
    TVirtualStringTree* MakeTree(TWinControl* Parent, Cardinal Count)
    {
        auto* T = new TVirtualStringTree(Parent);
        T->SetParent(Parent);
        T->TreeOptions()->SetSelectionOptions({toMultiSelect});
        T->OnGetText = TVSTGetTextEvent(this, &CaptionHost::GetText);
        T->OnNewText = TVSTNewTextEvent(this, &CaptionHost::NewText);
        T->SetRootNodeCount(Count);
        for (PVirtualNode N = T->RootNode()->FirstChild; N; N = N->NextSibling)
            Captions[N] = Prefix + static_cast<char16_t>(u'0' + N->Index);
        return T;
    }
};

// The tree's answers to the tree-view control's requests (TVM_...), to
// printing into a device context (WM_PRINT, WM_PRINTCLIENT), to a theme
// change and to the end of its window (WM_NCDESTROY).

#include "common/vtree/VTree.h"

#include "platform/forms/Graphics.h"
#include "platform/winapi/CommCtrl.h"
#include "platform/winapi/Messages.h"
#include "platform/rtl/Cp1251.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr UINT_PTR ChangeTimer = 5;
constexpr UINT_PTR StructureChangeTimer = 6;

/// The state and overlay image bits of an item state (1-based indices).
constexpr UINT StateImageBits(int Index)
{
    return static_cast<UINT>((Index + 1) & 0xF) << 12;
}
constexpr UINT OverlayImageBits(int Index)
{
    return static_cast<UINT>((Index + 1) & 0xF) << 8;
}

}  // namespace

bool TBaseVirtualTree::HandleWindowRequest(TMessage& Message)
{
    switch (Message.Msg) {
    case TVM_GETITEMA:
        Message.Result = TVMGetItem(*reinterpret_cast<TVITEMA*>(Message.LParam));
        return true;
    case TVM_GETITEMRECT: {
        auto* R = reinterpret_cast<TRect*>(Message.LParam);
        // The caller puts the item handle where the rectangle goes.
        HTREEITEM Item = nullptr;
        std::memcpy(&Item, R, sizeof Item);
        PVirtualNode Node = NodeFromHandle(Item);
        Message.Result = Node && IsVisibleNode(Node);
        if (Node)
            *R = NodeDisplayRect(Node, NoColumn, Message.WParam != 0);
        return true;
    }
    case TVM_GETNEXTITEM:
        Message.Result = reinterpret_cast<LRESULT>(
            TVMGetNextItem(Message.WParam, NodeFromHandle(reinterpret_cast<HTREEITEM>(Message.LParam))));
        return true;
    case WM_PRINT:
        if ((Message.LParam & PRF_CHECKVISIBLE) && !Visible())
            return true;
        if (FHeader->Options().Contains(hoVisible))
            PaintHeader(reinterpret_cast<HDC>(Message.WParam));
        return false;  // the default handling prints the rest
    case WM_PRINTCLIENT:
        if (!(Message.LParam & PRF_CHECKVISIBLE) || Visible())
            PrintClient(reinterpret_cast<HDC>(Message.WParam));
        return true;
    case WM_THEMECHANGED:
        // The window layer draws no themes: the tree keeps its own look.
        ChangeState({}, {tsUseThemes});
        if (HandleAllocated())
            RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME);
        return false;
    case WM_NCDESTROY:
        WMNCDestroy();
        return false;
    default:
        return false;
    }
}

PVirtualNode TBaseVirtualTree::NodeFromHandle(void* Handle) const
{
    // A handle comes from another program or tool: only a node of this tree
    // is taken for one.
    if (!Handle)
        return nullptr;
    for (PVirtualNode Run = FirstNodeRaw(); Run; Run = NextNodeRaw(Run))
        if (Run == Handle)
            return Run;
    return nullptr;
}

LRESULT TBaseVirtualTree::TVMGetItem(TVITEMA& Item)
{
    if (!(Item.mask & TVIF_HANDLE))
        return 0;
    PVirtualNode Node = NodeFromHandle(Item.hItem);
    if (!Node)
        return 0;
    if (Item.mask & TVIF_CHILDREN)
        Item.cChildren = static_cast<int>(Node->ChildCount);
    auto ImageOf = [&](TVTImageKind Kind) {
        bool Ghosted = false;
        int Index = -1;
        DoGetImageIndex(Node, Kind, NoColumn, Ghosted, Index);
        return Index;
    };
    if (Item.mask & TVIF_IMAGE)
        Item.iImage = ImageOf(ikNormal);
    if (Item.mask & TVIF_SELECTEDIMAGE)
        Item.iSelectedImage = ImageOf(ikSelected);
    if (Item.mask & TVIF_STATE) {
        Item.stateMask = 0xFF2F;
        Item.state = 0;
        if (Node == FFocusedNode)
            Item.state |= TVIS_FOCUSED;
        if (Selected(Node))
            Item.state |= TVIS_SELECTED;
        if (Node->Has(vsCutOrCopy))
            Item.state |= TVIS_CUT;
        if (Node == FDropTargetNode)
            Item.state |= TVIS_DROPHILITED;
        if (Node->Has(vsExpanded))
            Item.state |= TVIS_EXPANDED;
        Item.state |= StateImageBits(ImageOf(ikState)) | OverlayImageBits(ImageOf(ikOverlay));
    }
    if ((Item.mask & TVIF_TEXT) && Item.pszText && Item.cchTextMax > 0) {
        TFont Font;
        TRect Unused;
        std::u16string Text;
        CellTextInfo(Node, NoColumn, &Font, Unused, Text);
        const size_t Count = std::min(Text.size(), static_cast<size_t>(Item.cchTextMax - 1));
        for (size_t I = 0; I < Count; ++I) {
            const int B = cp1251::FromUnicode(Text[I]);
            Item.pszText[I] = static_cast<char>(B < 0 ? '?' : B);
        }
        Item.pszText[Count] = '\0';
    }
    return 1;
}

PVirtualNode TBaseVirtualTree::TVMGetNextItem(WPARAM Code, PVirtualNode Node)
{
    switch (Code) {
    case TVGN_ROOT: return FirstNode();
    case TVGN_FIRSTVISIBLE: return FirstVisibleNode();
    case TVGN_DROPHILITE: return FDropTargetNode;
    case TVGN_CARET: return FFocusedNode;
    case TVGN_LASTVISIBLE: return LastVisibleNode();
    default: break;
    }
    if (!Node)
        return nullptr;
    switch (Code) {
    case TVGN_NEXT: return NextSiblingOf(Node);
    case TVGN_PREVIOUS: return PreviousSiblingOf(Node);
    case TVGN_PARENT: return Node->Parent == FRoot ? nullptr : Node->Parent;
    case TVGN_CHILD: return FirstChildOf(Node);
    case TVGN_NEXTVISIBLE: return NextVisibleNode(Node);
    case TVGN_PREVIOUSVISIBLE: return PreviousVisibleNode(Node);
    default: return nullptr;
    }
}

void TBaseVirtualTree::PrintClient(HDC DC)
{
    TCanvas Target;
    Target.SetHandle(DC);
    const TRect R = ClientRect();
    PaintTree(&Target, TRect{R.Left - FOffsetX, R.Top - FOffsetY, R.Right - FOffsetX, R.Bottom - FOffsetY},
              TPoint{0, 0}, {poBackground, poDrawFocusRect, poDrawSelection, poGridLines});
    Target.SetHandle(nullptr);
}

void TBaseVirtualTree::WMNCDestroy()
{
    InterruptValidation();
    KillTimerFor(ChangeTimer);
    KillTimerFor(StructureChangeTimer);
    // The window registered as a drop target when it was made (CreateWnd).
    if (!ComponentState().Contains(csDesigning) &&
        FOptions->MiscOptions().Contains(toAcceptOLEDrop) && HandleAllocated())
        RevokeDragDrop(Handle());
    // A hint animating for this tree stops at its next step.
    if (FStates.Contains(tsInAnimation))
        HintWindowDestroyed = true;
}

// The tree's input: the window procedure and the handlers of the window's
// messages, keyboard navigation with the selection rules after each key,
// check boxes by key and by mouse, the press/release/double-click state
// machine (clear-pending, the rubber band, edit start by a slow second
// click, drag start past a threshold), hot tracking and incremental search.

#include "common/vtree/VTree.h"

#include "platform/forms/Forms.h"
#include "platform/forms/Menus.h"
#include "platform/winapi/Messages.h"
#include "platform/winapi/Windows.h"
#include "platform/rtl/Cp1251.h"
#include "platform/rtl/Ticks.h"

#include <algorithm>
#include <cassert>
#include <cstdlib>

namespace {

// The tree's window timers by number.
constexpr UINT_PTR ExpandTimer = 1;
constexpr UINT_PTR EditTimer = 2;
constexpr UINT_PTR ScrollTimer = 4;
constexpr UINT_PTR ChangeTimer = 5;
constexpr UINT_PTR StructureChangeTimer = 6;
constexpr UINT_PTR SearchTimer = 7;

// WM_GETDLGCODE: arrows and characters always, Tab with WantTabs.
constexpr LRESULT TreeDialogCode = DLGC_WANTARROWS | DLGC_WANTCHARS;

// The class library's skinning code asks a control whether it may
// subclass it; the tree refuses.
constexpr UINT CM_DENYSUBCLASSING = CM_BASE + 2000;

TCheckState PressedState(TCheckState State)
{
    switch (State) {
    case csUncheckedNormal:
    case csUncheckedPressed: return csUncheckedPressed;
    case csCheckedNormal:
    case csCheckedPressed: return csCheckedPressed;
    case csMixedNormal:
    case csMixedPressed: return csMixedPressed;
    }
    return State;
}

TCheckState UnpressedState(TCheckState State)
{
    switch (State) {
    case csUncheckedNormal:
    case csUncheckedPressed: return csUncheckedNormal;
    case csCheckedNormal:
    case csCheckedPressed: return csCheckedNormal;
    case csMixedNormal:
    case csMixedPressed: return csMixedNormal;
    }
    return State;
}

// Shift, Ctrl and Alt of a mouse message (Alt from the keyboard).
TShiftState MouseShiftState(UINT Keys)
{
    return KeysToShiftState(Keys) * TShiftState{ssShift, ssAlt, ssCtrl};
}

bool IsNavigationKey(Word Key)
{
    switch (Key) {
    case VK_BACK:
    case VK_TAB:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_END:
    case VK_HOME:
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN: return true;
    default: return false;
    }
}

// The typed character decides for the keys that type '*', '+', '-' and
// '/' (the main keyboard's too): they act as the numeric pad's keys.
Word NumericPadKey(Word Key, Word TypedChar)
{
    switch (TypedChar) {
    case '*': return VK_MULTIPLY;
    case '+': return VK_ADD;
    case '-': return VK_SUBTRACT;
    case '/': return VK_DIVIDE;
    default: return Key;
    }
}

}  // namespace

// ---- window procedure -----------------------------------------------------------------------

void TBaseVirtualTree::WndProc(TMessage& Message)
{
    if (Message.Msg == WM_VTSTATECHANGE) {
        auto FromBits = [](uint64_t Bits) {
            TVirtualTreeStates S;
            if (Bits & 1)
                S.Include(tsStopValidation);
            if (Bits & 2)
                S.Include(tsUseCache);
            if (Bits & 4)
                S.Include(tsValidating);
            if (Bits & 8)
                S.Include(tsValidationNeeded);
            return S;
        };
        ChangeState(FromBits(static_cast<uint64_t>(Message.WParam)),
                    FromBits(static_cast<uint64_t>(Message.LParam)));
        return;
    }
    if (Message.Msg == CM_DENYSUBCLASSING) {
        Message.Result = 1;
        return;
    }
    if (Message.Msg == CM_HINTSHOW) {
        CMHintShow(Message);
        return;
    }
    if (Message.Msg == CM_HINTSHOWPAUSE) {
        // Tooltips come at once.
        TCMHintShowPause Pause(Message);
        if (FHintMode == hmTooltip && Pause.Pause)
            *Pause.Pause = 0;
        return;
    }
    if (HandleWindowRequest(Message))
        return;
    // The header sees the window's messages first (its drags and resizing
    // take the mouse wherever it is).
    if (FHeader && !Destroying() && FHeader->HandleMessage(Message))
        return;
    const bool Design = ComponentState().Contains(csDesigning);
    if (!Design && (Message.Msg == WM_LBUTTONDOWN || Message.Msg == WM_LBUTTONDBLCLK) &&
        DragMode() == dmAutomatic && DragKind() == dkDrag) {
        // The class library would start its own drag on the press; the tree
        // decides itself whether and when a drag starts.
        TControlState S = ControlState();
        S.Include(csLButtonDown);
        SetControlState(S);
        Dispatch(Message);
        return;
    }
    if (Message.Msg == WM_NCLBUTTONDOWN || Message.Msg == WM_NCRBUTTONDOWN ||
        Message.Msg == WM_NCMBUTTONDOWN) {
        if (HandleAllocated() && !Focused() && CanFocus())
            ::SetFocus(Handle());
    }
    inherited::WndProc(Message);
}

bool TBaseVirtualTree::CanFocus()
{
    if (!inherited::CanFocus())
        return false;
    if (ComponentState().Contains(csDesigning))
        return true;
    TCustomForm* Form = GetParentForm(this);
    return !Form || (Form->Enabled() && Form->Visible());
}

// ---- timers, focus, dialog code -------------------------------------------------------------

void TBaseVirtualTree::WMTimer(TWMTimer& Message)
{
    switch (Message.TimerID) {
    case ExpandTimer:
        DoDragExpand();
        return;
    case EditTimer:
        DoEdit();
        return;
    case ScrollTimer:
        // The first tick after the delay starts scrolling at the interval.
        if (FStates.Contains(tsScrollPending)) {
            Application->CancelHint();
            KillTimerFor(ScrollTimer);
            SetTimerFor(ScrollTimer, FAutoScrollInterval);
            ChangeState({tsScrolling}, {tsScrollPending});
        }
        AutoScrollTick();
        return;
    case ChangeTimer:
    case StructureChangeTimer:
        ChangeTimerExpired(static_cast<UINT_PTR>(Message.TimerID));
        return;
    case SearchTimer:
        KillTimerFor(SearchTimer);
        ChangeState({}, {tsIncrementalSearching});
        FSearchBuffer.clear();
        FLastSearchNode = nullptr;
        return;
    default:
        inherited::WMTimer(Message);
        return;
    }
}

void TBaseVirtualTree::WMGetDlgCode(TMessageRecord& Message)
{
    Message.Result = TreeDialogCode | (FWantTabs ? LRESULT(DLGC_WANTTAB) : 0);
}

void TBaseVirtualTree::WMSetFocus(TWMSetFocus& Message)
{
    inherited::WMSetFocus(Message);
    if (FSelectionCount > 0 || !FOptions->PaintOptions().Contains(toGhostedIfUnfocused))
        InvalidateTree();
}

void TBaseVirtualTree::WMKillFocus(TWMKillFocus& Message)
{
    inherited::WMKillFocus(Message);
    EndWheelPanning();
    for (UINT_PTR Id : {ExpandTimer, EditTimer, UINT_PTR(3), ScrollTimer, SearchTimer})
        KillTimerFor(Id);
    FSearchBuffer.clear();
    ChangeState({}, {tsEditPending, tsIncrementalSearching, tsLeftButtonDown, tsMiddleButtonDown,
                     tsOLEDragPending, tsRightButtonDown, tsScrolling, tsScrollPending,
                     tsVCLDragPending});
    if (FSelectionCount == 0 && FOptions->PaintOptions().Contains(toGhostedIfUnfocused))
        InvalidateNode(FFocusedNode);
    else
        InvalidateTree();
}

void TBaseVirtualTree::WMCancelMode(TMessageRecord& Message)
{
    for (UINT_PTR Id : {ExpandTimer, EditTimer, UINT_PTR(3), ScrollTimer, SearchTimer})
        KillTimerFor(Id);
    FSearchBuffer.clear();
    FLastSearchNode = nullptr;
    ChangeState({}, {tsClearPending, tsDrawSelPending, tsDrawSelecting, tsEditPending,
                     tsIncrementalSearching, tsOLEDragPending, tsVCLDragPending});
    inherited::WMCancelMode(Message);
}

void TBaseVirtualTree::WMContextMenu(TMessageRecord& Message)
{
    ChangeState({}, {tsClearPending, tsEditPending, tsOLEDragPending, tsVCLDragPending});
    if (!FStates.Contains(tsPopupMenuShown))
        inherited::WMContextMenu(Message);
}

void TBaseVirtualTree::WMNCHitTest(TWMNCHitTest& Message)
{
    inherited::WMNCHitTest(Message);
    if (ComponentState().Contains(csDesigning) || !FHeader->Options().Contains(hoVisible))
        return;
    const TPoint P = ScreenToClient(TPoint{Message.XPos, Message.YPos});
    if (FHeader->InHeader(P))
        Message.Result = HTBORDER;
}

void TBaseVirtualTree::WMSetCursor(TWMSetCursor& Message)
{
    const bool Panning = FStates.Contains(tsWheelPanning) || FStates.Contains(tsWheelScrolling);
    if (Message.CursorWnd != Handle() || ComponentState().Contains(csDesigning) || Panning) {
        inherited::WMSetCursor(Message);
        return;
    }
    TMessage Raw = Message;
    if (FHeader->HandleMessage(Raw)) {
        Message.Result = Raw.Result;
        return;
    }
    TCursor NewCursor = Cursor();
    if (Screen->Cursor() == crDefault) {
        if (FOptions->PaintOptions().Contains(toHotTrack) && FHotNode && FHotCursor != crDefault)
            NewCursor = FHotCursor;
    }
    NewCursor = DoGetCursor(NewCursor);
    ::SetCursor(Screen->Cursors(NewCursor));
    Message.Result = 1;
}

void TBaseVirtualTree::CMMouseLeave(TMessageRecord& Message)
{
    const bool Panning = FStates.Contains(tsWheelPanning) || FStates.Contains(tsWheelScrolling);
    if (!Panning) {
        KillTimerFor(ScrollTimer);
        ChangeState({}, {tsScrollPending, tsScrolling});
    }
    ChangeState({}, {tsHint});
    if (FHotNode) {
        DoHotChange(FHotNode, nullptr);
        InvalidateNode(FHotNode);
        FHotNode = nullptr;
    }
    FHeader->ForgetMouse();
    inherited::CMMouseLeave(Message);
}

// ---- keyboard -------------------------------------------------------------------------------

void TBaseVirtualTree::WMKeyDown(TWMKey& Message)
{
    // The class library's handling (OnKeyDown) first; a consumed key ends
    // here.
    if (DoKeyDown(Message) || Message.CharCode == 0)
        return;
    Word CharCode = Message.CharCode;
    TShiftState Shift = KeyDataToShiftState(Message.KeyData);
    if (!DoKeyAction(CharCode, Shift))
        return;
    // The character the key types follows as WM_CHAR.
    Word TypedChar = 0;
    MSG Pending;
    if (HandleAllocated() && PeekMessage(Pending, Handle(), WM_CHAR, WM_CHAR, PM_NOREMOVE))
        TypedChar = static_cast<Word>(Pending.wParam & 0xFF);
    HandleKeyDown(CharCode, Shift, TypedChar);
}

void TBaseVirtualTree::HandleKeyDown(Word CharCode, TShiftState Shift, Word TypedChar)
{
    if (FStates.Contains(tsKeyCheckPending) && CharCode != VK_SPACE) {
        ChangeState({}, {tsKeyCheckPending});
        if (FCheckNode) {
            FCheckNode->CheckState = UnpressedState(CheckState(FCheckNode));
            RepaintNode(FCheckNode);
            FCheckNode = nullptr;
        }
    }
    if (IsNavigationKey(CharCode)) {
        HandleNavigationKey(CharCode, Shift);
        return;
    }
    HandleOtherKey(NumericPadKey(CharCode, TypedChar), Shift);
}

TColumnIndex TBaseVirtualTree::AcceptedColumn(PVirtualNode Node, TColumnIndex Column,
                                              bool Forward)
{
    while (Column > NoColumn &&
           !DoFocusChanging(FFocusedNode, Node, FFocusedColumn, Column))
        Column = Forward ? FHeader->NextVisibleColumn(Column)
                         : FHeader->PreviousVisibleColumn(Column);
    return Column;
}

void TBaseVirtualTree::FocusByKey(PVirtualNode Node, TColumnIndex Column)
{
    if (!Node)
        return;
    const bool Changed = Node != FFocusedNode || Column != FFocusedColumn;
    if (Column != FFocusedColumn && Node == FFocusedNode) {
        // Only the column moves: the host was asked for it.
        InvalidateNode(Node);
        FFocusedColumn = Column;
        ScrollIntoView(Node, FOptions->SelectionOptions().Contains(toCenterScrollIntoView),
                       !FOptions->AutoOptions().Contains(toDisableAutoscrollOnFocus));
        if (Changed)
            DoFocusChange(FFocusedNode, FFocusedColumn);
        return;
    }
    FocusNodeAndColumn(Node, Column);
}

void TBaseVirtualTree::HandleNavigationKey(Word CharCode, TShiftState Shift)
{
    const TVTSelectionOptions Selection = FOptions->SelectionOptions();
    const bool MultiSelect = Selection.Contains(toMultiSelect);
    const bool Ctrl = Shift.Contains(ssCtrl);
    const bool NoModifier = !Shift.Contains(ssShift) && !Ctrl && !Shift.Contains(ssAlt);
    const bool Extending = Shift.Contains(ssShift) && MultiSelect && !EditingActive();
    const bool PageOrEnd =
        CharCode == VK_PRIOR || CharCode == VK_NEXT || CharCode == VK_END || CharCode == VK_HOME;
    bool ForceRange = PageOrEnd && Extending;
    const bool RepaintAll = ForceRange || FSelectionCount > 1;
    const bool GridMode = FOptions->MiscOptions().Contains(toGridExtensions);
    const bool Clearing = NoModifier || (GridMode && !Shift.Contains(ssShift)) || !MultiSelect ||
                          CharCode == VK_BACK || CharCode == VK_TAB;
    PVirtualNode LastFocused = FFocusedNode;
    if (!LastFocused && !NoModifier)
        LastFocused = FirstVisibleNode();
    if (!FRangeAnchor)
        FRangeAnchor = FSelectionCount > 0 ? FirstSelectedNode() : FirstNode();
    const TColumnIndex Column = FFocusedColumn;
    const bool Columns = FHeader->UseColumns();
    const bool ExtendedFocus = Selection.Contains(toExtendedFocus);

    // A node the move leaves behind on the way back to the anchor leaves
    // the selection.
    auto ShrinkTowardsAnchor = [&](bool BelowAnchor) {
        if (!Extending || !FFocusedNode || !FRangeAnchor || FFocusedNode == FRangeAnchor)
            return;
        const int Order = CompareTreeOrder(FFocusedNode, FRangeAnchor);
        if ((BelowAnchor && Order > 0) || (!BelowAnchor && Order < 0))
            RemoveSelected(FFocusedNode);
    };

    switch (CharCode) {
    case VK_BACK:
        if (FStates.Contains(tsIncrementalSearching)) {
            ChangeState({tsIncrementalSearchPending}, {});
            return;
        }
        if (FFocusedNode && FFocusedNode->Parent != FRoot)
            FocusByKey(FFocusedNode->Parent, Column);
        break;
    case VK_TAB:
        if (ExtendedFocus && Columns && FFocusedNode) {
            const bool Back = Shift.Contains(ssShift);
            PVirtualNode Node = FFocusedNode;
            TColumnIndex Next = Back ? FHeader->PreviousVisibleColumn(Column)
                                     : FHeader->NextVisibleColumn(Column);
            while (Node) {
                if (Next <= NoColumn) {
                    Node = Back ? PreviousVisibleNode(Node) : NextVisibleNode(Node);
                    if (!Node)
                        break;
                    Next = Back ? FHeader->Columns()->GetLastVisibleColumn()
                                : FHeader->FirstVisibleColumn();
                }
                if (DoFocusChanging(FFocusedNode, Node, FFocusedColumn, Next))
                    break;
                Next = Back ? FHeader->PreviousVisibleColumn(Next)
                            : FHeader->NextVisibleColumn(Next);
            }
            if (Node)
                FocusByKeyAsked(Node, Next);
        }
        break;
    case VK_PRIOR:
    case VK_NEXT: {
        const bool Down = CharCode == VK_NEXT;
        if (Ctrl) {
            SetOffsetY(FOffsetY + (Down ? -ClientHeight() : ClientHeight()));
            break;
        }
        PVirtualNode Node = FFocusedNode;
        if (!Node) {
            Node = Down ? LastVisibleNode() : FirstVisibleNode();
        } else {
            // Over the rows a page holds; at least one step.
            const PVirtualNode From = Node;
            int64_t Height = NodeHeight(Node);
            for (PVirtualNode Step = Down ? NextVisibleNode(Node) : PreviousVisibleNode(Node);
                 Step; Step = Down ? NextVisibleNode(Node) : PreviousVisibleNode(Node)) {
                Height += NodeHeight(Step);
                if (Node != From && Height >= ClientHeight())
                    break;
                Node = Step;
            }
        }
        FocusByKey(Node, Column);
        break;
    }
    case VK_HOME:
    case VK_END: {
        const bool End = CharCode == VK_END;
        PVirtualNode Target = End ? LastVisibleNode() : FirstVisibleNode();
        TColumnIndex TargetColumn = Column;
        if (Columns) {
            TargetColumn = End ? FHeader->Columns()->GetLastVisibleColumn()
                               : FHeader->FirstVisibleColumn();
            TargetColumn = AcceptedColumn(Target, TargetColumn, !End);
        }
        if (Ctrl && !GridMode) {
            if (Target) {
                ScrollIntoView(Target, Selection.Contains(toCenterScrollIntoView),
                               !FOptions->AutoOptions().Contains(toDisableAutoscrollOnFocus));
                // The offset setter stops at the right end.
                SetOffsetX(End ? -2147483647 : 0);
            }
            break;
        }
        if (!GridMode) {
            FocusByKey(Target, Column);
        } else {
            PVirtualNode Node = Ctrl ? Target : FFocusedNode;
            if (!Node)
                Node = Target;
            FocusByKey(Node, Selection.Contains(toFullRowSelect) || TargetColumn <= NoColumn
                                 ? Column
                                 : TargetColumn);
        }
        break;
    }
    case VK_LEFT:
    case VK_RIGHT: {
        const bool Left = CharCode == VK_LEFT;
        if (Ctrl) {
            SetOffsetX(FOffsetX + (Left ? 1 : -1) * static_cast<int>(FIndent));
            break;
        }
        if (GridMode && ExtendedFocus) {
            if (FFocusedNode && Columns) {
                TColumnIndex Next = Left ? FHeader->PreviousVisibleColumn(Column)
                                         : FHeader->NextVisibleColumn(Column);
                Next = AcceptedColumn(FFocusedNode, Next, !Left);
                if (Next > NoColumn)
                    FocusByKeyAsked(FFocusedNode, Next);
            }
            break;
        }
        if (!FFocusedNode) {
            FocusByKey(FirstVisibleNode(), Column);
            break;
        }
        PVirtualNode Node = FFocusedNode;
        if (!Node->Has(vsInitialized))
            InitializeNode(Node);
        if (Left) {
            if (Node->Has(vsExpanded) && Node->Has(vsHasChildren) && NoModifier) {
                ToggleNode(Node);
                break;
            }
            if (Node->Parent == FRoot)
                break;
            if (Extending) {
                if (!Node->PrevSibling && FRangeAnchor &&
                    CompareTreeOrder(Node, FRangeAnchor) > 0)
                    RemoveSelected(Node);
                else
                    ForceRange = true;
            }
            FocusByKey(Node->Parent, Column);
        } else {
            if (!Node->Has(vsExpanded) && Node->Has(vsHasChildren) && NoModifier) {
                ToggleNode(Node);
                break;
            }
            PVirtualNode Child = Node->Has(vsExpanded) ? FirstVisibleChildOf(Node) : nullptr;
            if (!Child)
                break;
            ShrinkTowardsAnchor(false);
            FocusByKey(Child, Column);
        }
        break;
    }
    case VK_UP:
    case VK_DOWN: {
        const bool Down = CharCode == VK_DOWN;
        if (Ctrl) {
            SetOffsetY(FOffsetY + (Down ? -1 : 1) * static_cast<int>(FDefaultNodeHeight));
            break;
        }
        if (!FinishEditing())
            break;
        PVirtualNode Node = nullptr;
        if (!FFocusedNode)
            Node = Down ? FirstVisibleNode() : LastVisibleNode();
        else
            Node = Down ? NextVisibleNode(FFocusedNode) : PreviousVisibleNode(FFocusedNode);
        if (!Node) {
            InvalidateNode(FFocusedNode);
            break;
        }
        ShrinkTowardsAnchor(!Down);
        const TColumnIndex NewColumn =
            Column == NoColumn && Columns ? FHeader->MainColumn() : Column;
        FocusByKey(Node, NewColumn);
        break;
    }
    default:
        break;
    }

    // The selection after the move.
    if (Clearing && (FFocusedNode != LastFocused || FSelectionCount != 1))
        UnselectAll();
    if (NoModifier && FFocusedNode) {
        FRangeAnchor = FFocusedNode;
        FLastSelectionLevel = static_cast<int>(NodeLevel(FFocusedNode));
    }
    if (ForceRange && FFocusedNode && LastFocused && FFocusedNode != LastFocused)
        ToggleRange(LastFocused, FFocusedNode);
    if (FFocusedNode && (FFocusedNode != LastFocused || Clearing) &&
        !FFocusedNode->Has(vsSelected))
        AddToSelection(FFocusedNode);
    if (RepaintAll)
        InvalidateTree();
}

void TBaseVirtualTree::FocusByKeyAsked(PVirtualNode Node, TColumnIndex Column)
{
    // The host already accepted the move: node and column change together.
    const bool Changed = Node != FFocusedNode || Column != FFocusedColumn;
    if (!Changed)
        return;
    InvalidateNode(FFocusedNode);
    FFocusedColumn = Column;
    DoFocusNode(Node, false);
    InvalidateNode(FFocusedNode);
    ScrollIntoView(FFocusedNode, FOptions->SelectionOptions().Contains(toCenterScrollIntoView),
                   !FOptions->AutoOptions().Contains(toDisableAutoscrollOnFocus));
    DoFocusChange(FFocusedNode, FFocusedColumn);
}

void TBaseVirtualTree::HandleOtherKey(Word CharCode, TShiftState Shift)
{
    const bool Searching = FStates.Contains(tsIncrementalSearching);
    const bool Ctrl = Shift.Contains(ssCtrl);
    const bool CtrlShift = Ctrl && Shift.Contains(ssShift);
    auto SearchCharacter = [this] { ChangeState({tsIncrementalSearchPending}, {}); };
    switch (CharCode) {
    case VK_MULTIPLY:
        if (Searching)
            SearchCharacter();
        else if (FFocusedNode)
            ExpandAll(FFocusedNode);
        return;
    case VK_ADD:
        if (Searching)
            SearchCharacter();
        else if (CtrlShift)
            ExpandAll(nullptr);
        else if (Ctrl)
            FHeader->AutoFitColumns();
        else if (FFocusedNode && !FFocusedNode->Has(vsExpanded))
            ToggleNode(FFocusedNode);
        return;
    case VK_SUBTRACT:
        if (Searching)
            SearchCharacter();
        else if (CtrlShift)
            CollapseAll(nullptr);
        else if (Ctrl)
            FHeader->RestoreColumns();
        else if (FFocusedNode && FFocusedNode->Has(vsExpanded))
            ToggleNode(FFocusedNode);
        return;
    case VK_DIVIDE:
        if (Searching)
            SearchCharacter();
        else if (FFocusedNode)
            CollapseAll(FFocusedNode);
        return;
    case 'A':
        if (Ctrl && !Shift.Contains(ssAlt)) {
            SelectAll(false);
            return;
        }
        break;
    case VK_ESCAPE:
        if (RubberBandActive()) {
            ChangeState({}, {tsDrawSelPending, tsDrawSelecting});
            InvalidateTree();
        } else if (EditingActive()) {
            AbortEditing();
        }
        return;
    case VK_SPACE:
        if (FOptions->MiscOptions().Contains(toCheckSupport) && FFocusedNode &&
            FFocusedNode->CheckType != ctNone && !FFocusedNode->Has(vsDisabled) &&
            !FStates.Contains(tsKeyCheckPending) && !FStates.Contains(tsMouseCheckPending)) {
            TCheckState New = NextCheckStateFor(CheckType(FFocusedNode), CheckState(FFocusedNode));
            if (DoChecking(FFocusedNode, New)) {
                ChangeState({tsKeyCheckPending}, {});
                FCheckNode = FFocusedNode;
                FPendingCheckState = New;
                FCheckNode->CheckState = PressedState(CheckState(FCheckNode));
                RepaintNode(FCheckNode);
            }
            return;
        }
        break;
    case VK_APPS:
        if (FFocusedNode) {
            TRect R = NodeDisplayRect(FFocusedNode, FFocusedColumn, true);
            int Right = ClientWidth();
            if (FHeader->UseColumns() && FFocusedColumn > NoColumn) {
                int L = 0;
                FHeader->ColumnBounds(FFocusedColumn, L, Right);
            }
            DoPopupMenu(FFocusedNode, FFocusedColumn,
                        TPoint{std::min(R.Right, Right), R.Top + (R.Bottom - R.Top) / 2});
        }
        return;
    case VK_F1:
        ShowHelpForFocus();
        return;
    case VK_F2:
        if (Shift.Empty() && FFocusedNode && CanEditNode(FFocusedNode, FFocusedColumn)) {
            FEditColumn = FFocusedColumn;
            StartEditing(FFocusedNode, FFocusedColumn);
        }
        return;
    default:
        break;
    }
    if (!Ctrl && !Shift.Contains(ssAlt) && CharCode >= 32)
        SearchCharacter();
}

void TBaseVirtualTree::ShowHelpForFocus()
{
    if (!OnGetHelpContext.Assigned())
        return;
    int Context = 0;
    for (PVirtualNode Node = FFocusedNode; Node && Node != FRoot && Context == 0;
         Node = Node->Parent)
        OnGetHelpContext(this, Node, FFocusedColumn, Context);
    for (TControl* Control = this; Control && Context == 0; Control = Control->Parent())
        Context = Control->HelpContext();
    if (Context != 0 && Application)
        Application->HelpContext(Context);
}

void TBaseVirtualTree::WMKeyUp(TWMKey& Message)
{
    inherited::WMKeyUp(Message);
    if (Message.CharCode != VK_SPACE || !FStates.Contains(tsKeyCheckPending))
        return;
    ChangeState({}, {tsKeyCheckPending});
    PVirtualNode Node = FCheckNode;
    FCheckNode = nullptr;
    if (!Node)
        return;
    // Released over another node (the focus moved): the box only comes up.
    Node->CheckState = UnpressedState(CheckState(Node));
    if (Node == FFocusedNode)
        SetCheckState(Node, FPendingCheckState);
    RepaintNode(Node);
}

void TBaseVirtualTree::WMChar(TWMKey& Message)
{
    if (FStates.Contains(tsIncrementalSearchPending)) {
        ChangeState({}, {tsIncrementalSearchPending});
        IncrementalSearchKey(Message.CharCode);
    }
    inherited::WMChar(Message);
}

// ---- incremental search ---------------------------------------------------------------------

void TBaseVirtualTree::IncrementalSearchKey(Word CharCode)
{
    KillTimerFor(SearchTimer);
    if (FIncrementalSearch == isNone)
        return;
    // The time-out elapsed while no timer message came (a busy loop, or no
    // loop at all): the search starts over as if it had.
    if (FStates.Contains(tsIncrementalSearching) &&
        GetTickCount() - FLastSearchTick >= FSearchTimeout) {
        ChangeState({}, {tsIncrementalSearching});
        FSearchBuffer.clear();
        FLastSearchNode = nullptr;
    }
    FLastSearchTick = GetTickCount();
    if (CharCode != 0)
        SearchFor(CharCode);
    SetTimerFor(SearchTimer, FSearchTimeout);
}

PVirtualNode TBaseVirtualTree::SearchStep(PVirtualNode Node, bool Forward)
{
    switch (FIncrementalSearch) {
    case isAll:
        if (Node)
            Node = Forward ? NextNode(Node) : PreviousNode(Node);
        return Node ? Node : (Forward ? FirstNode() : LastNode());
    case isInitializedOnly:
        if (Node)
            Node = Forward ? NextNodeRaw(Node) : PreviousNodeRaw(Node);
        return Node ? Node : (Forward ? FirstNodeRaw() : LastNodeRaw());
    case isVisibleOnly:
        if (Node)
            Node = Forward ? NextVisibleNode(Node) : PreviousVisibleNode(Node);
        return Node ? Node : (Forward ? FirstVisibleNode() : LastVisibleNode());
    case isNone:
        break;
    }
    return nullptr;
}

void TBaseVirtualTree::SearchFor(Word CharCode)
{
    ChangeState({tsIncrementalSearching}, {});
    const char16_t NewChar =
        static_cast<char16_t>(cp1251::ToUnicode(static_cast<unsigned char>(CharCode & 0xFF)));
    const bool IsBack = NewChar == 8;
    if (IsBack && FSearchBuffer.size() <= 1)
        return;
    PVirtualNode Start = nullptr;
    switch (FSearchStart) {
    case ssAlwaysStartOver: break;
    case ssLastHit: Start = FLastSearchNode; break;
    case ssFocusedNode: Start = FFocusedNode; break;
    }
    if (Start && FIncrementalSearch == isInitializedOnly && !Start->Has(vsInitialized))
        Start = nullptr;
    if (Start && FIncrementalSearch == isVisibleOnly && !IsFullyVisible(Start))
        Start = nullptr;
    const PVirtualNode FirstNodeOfWalk = Start;
    const bool Forward = (FSearchDirection == sdForward) != IsBack;

    std::u16string Text;
    bool Repeat = !IsBack && FSearchBuffer.size() == 1 && FSearchBuffer[0] == NewChar;
    if (Repeat && Start && DoIncrementalSearch(Start, FSearchBuffer + NewChar) == 0)
        Repeat = false;
    if (Repeat)
        Text = FSearchBuffer;
    else if (IsBack)
        Text = FSearchBuffer.substr(0, FSearchBuffer.size() - 1);
    else
        Text = FSearchBuffer + NewChar;
    if (IsBack)
        FSearchBuffer = Text;

    if (FSearchBuffer.empty() || !Start || Repeat || IsBack)
        Start = SearchStep(Start, Forward);
    if (!Start)
        return;
    // One cycle at most: the walk stops where it began even when it began
    // at no node (a search that starts over each time).
    PVirtualNode Run = Start;
    PVirtualNode Found = nullptr;
    do {
        if (DoIncrementalSearch(Run, Text) == 0) {
            Found = Run;
            break;
        }
        Run = SearchStep(Run, Forward);
    } while (Run && Run != Start && Run != FirstNodeOfWalk);

    if (Found) {
        UnselectAll();
        FSearchBuffer = Text;
        FLastSearchNode = Found;
        FocusNodeAndColumn(Found, FFocusedColumn);
        AddToSelection(Found);
        FLastSearchNode = Found;
        return;
    }
    if (Run && DoIncrementalSearch(Run, Text) != 0)
        MessageBeep(0);
}

// ---- mouse ----------------------------------------------------------------------------------

void TBaseVirtualTree::WMLButtonDown(TWMMouse& Message)
{
    ChangeState({tsLeftButtonDown}, {});
    inherited::WMLButtonDown(Message);
    THitInfo Hit;
    HitTest(Message.XPos, Message.YPos, true, Hit);
    MousePressed(Message, Hit);
}

void TBaseVirtualTree::WMLButtonUp(TWMMouse& Message)
{
    ChangeState({}, {tsLeftButtonDown});
    THitInfo Hit;
    HitTest(Message.XPos, Message.YPos, true, Hit);
    MouseReleased(Message, Hit);
    inherited::WMLButtonUp(Message);
}

void TBaseVirtualTree::WMLButtonDblClk(TWMMouse& Message)
{
    inherited::WMLButtonDblClk(Message);
    THitInfo Hit;
    HitTest(Message.XPos, Message.YPos, true, Hit);
    MouseDoubleClicked(Message, Hit);
}

void TBaseVirtualTree::WMMButtonDown(TWMMouse& Message)
{
    ChangeState({tsMiddleButtonDown}, {});
    if (FHeader->DragOrResizeActive())
        return;
    inherited::WMMButtonDown(Message);
    const bool Panning = FStates.Contains(tsWheelPanning) || FStates.Contains(tsWheelScrolling);
    bool Began = false;
    if (FOptions->MiscOptions().Contains(toWheelPanning) && !Panning) {
        if (FRangeX > ClientWidth() || FRangeY > ClientHeight()) {
            BeginWheelPanning(Message.Pos());
            Began = true;
        }
    } else {
        EndWheelPanning();
    }
    // A press that starts panning selects nothing: the press handling would
    // end the panning it just began.
    if (!Began && FOptions->SelectionOptions().Contains(toMiddleClickSelect)) {
        THitInfo Hit;
        HitTest(Message.XPos, Message.YPos, true, Hit);
        MousePressed(Message, Hit);
    }
}

void TBaseVirtualTree::WMMButtonUp(TWMMouse& Message)
{
    ChangeState({}, {tsMiddleButtonDown});
    if (FStates.Contains(tsWheelPanning) || FStates.Contains(tsWheelScrolling)) {
        // A click without moving keeps scrolling towards the mouse until the
        // next click; a press held while moving pans only while held.
        if (FStates.Contains(tsWheelScrolling))
            ChangeState({}, {tsWheelPanning});
        else
            EndWheelPanning();
        return;
    }
    if (FHeader->DragOrResizeActive())
        return;
    inherited::WMMButtonUp(Message);
    if (FOptions->SelectionOptions().Contains(toMiddleClickSelect)) {
        THitInfo Hit;
        HitTest(Message.XPos, Message.YPos, true, Hit);
        MouseReleased(Message, Hit);
    }
}

void TBaseVirtualTree::WMMButtonDblClk(TWMMouse& Message)
{
    inherited::WMMButtonDblClk(Message);
    if (FOptions->SelectionOptions().Contains(toMiddleClickSelect)) {
        THitInfo Hit;
        HitTest(Message.XPos, Message.YPos, true, Hit);
        MouseDoubleClicked(Message, Hit);
    }
}

void TBaseVirtualTree::WMRButtonDown(TWMMouse& Message)
{
    ChangeState({tsRightButtonDown}, {});
    if (FHeader->DragOrResizeActive())
        return;
    inherited::WMRButtonDown(Message);
    if (FOptions->SelectionOptions().Contains(toRightClickSelect)) {
        THitInfo Hit;
        HitTest(Message.XPos, Message.YPos, true, Hit);
        MousePressed(Message, Hit);
    }
}

void TBaseVirtualTree::WMRButtonUp(TWMMouse& Message)
{
    ChangeState({}, {tsRightButtonDown, tsPopupMenuShown});
    if (FHeader->DragOrResizeActive())
        return;
    if (Application)
        Application->CancelHint();
    if (RubberBandActive() && PopupMenu()) {
        ChangeState({}, {tsDrawSelPending, tsDrawSelecting});
        InvalidateTree();
    }
    // The class library shows the control's own popup menu from here.
    inherited::WMRButtonUp(Message);
    THitInfo Hit;
    HitTest(Message.XPos, Message.YPos, true, Hit);
    if (FOptions->SelectionOptions().Contains(toRightClickSelect))
        MouseReleased(Message, Hit);
    if (!PopupMenu())
        DoPopupMenu(Hit.HitNode, Hit.HitColumn, Message.Pos());
}

void TBaseVirtualTree::WMRButtonDblClk(TWMMouse& Message)
{
    inherited::WMRButtonDblClk(Message);
    if (FOptions->SelectionOptions().Contains(toRightClickSelect)) {
        THitInfo Hit;
        HitTest(Message.XPos, Message.YPos, true, Hit);
        MouseDoubleClicked(Message, Hit);
    }
}

void TBaseVirtualTree::WMMouseMove(TWMMouse& Message)
{
    TrackMouseMove(Message.Keys, Message.XPos, Message.YPos);
}

bool TBaseVirtualTree::NodeHasPopup(PVirtualNode Node, TColumnIndex Column, const TPoint& Pos)
{
    return PopupMenu() || DoGetPopupMenu(Node, Column, Pos);
}

void TBaseVirtualTree::MousePressed(TWMMouse& Message, const THitInfo& HitInfo)
{
    if (FStates.Contains(tsWheelPanning) || FStates.Contains(tsWheelScrolling)) {
        EndWheelPanning();
        return;
    }
    if (FStates.Contains(tsEditPending)) {
        KillTimerFor(EditTimer);
        ChangeState({}, {tsEditPending});
    }
    if (FStates.Contains(tsEditing) && !DoEndEdit())
        return;
    if (HandleAllocated() && !Focused() && CanFocus())
        ::SetFocus(Handle());
    FHeader->Columns()->SetClickIndex(HitInfo.HitColumn);

    const TVTSelectionOptions Selection = FOptions->SelectionOptions();
    const TVTMiscOptions Misc = FOptions->MiscOptions();
    const Word Pos = HitInfo.HitPositions;
    const bool FullRowOrGrid = Selection.Contains(toFullRowSelect) || Misc.Contains(toGridExtensions);
    bool NewColumn = false;
    TColumnIndex Column = FFocusedColumn;
    if ((Pos & hiOnItemLabel) || FullRowOrGrid) {
        NewColumn = HitInfo.HitColumn != FFocusedColumn;
        Column = Selection.Contains(toExtendedFocus) ? HitInfo.HitColumn : FHeader->MainColumn();
    }
    const bool NewNode = HitInfo.HitNode != FFocusedNode;
    TShiftState ShiftState = MouseShiftState(Message.Keys);
    const bool AltPressed = ShiftState.Contains(ssAlt);
    ShiftState.Exclude(ssAlt);

    const bool IsLabelHit = !AltPressed && (Pos & (hiOnItemLabel | hiOnNormalIcon)) != 0;
    const bool IsCellHit = !AltPressed && !IsLabelHit && HitInfo.HitNode &&
                           (Pos & (hiOnItemButton | hiOnItemCheckbox)) == 0 && FullRowOrGrid;
    const bool IsAnyHit = IsLabelHit || IsCellHit;
    const bool MultiSelect = Selection.Contains(toMultiSelect);
    const bool ShiftEmpty = ShiftState.Empty();
    const bool NodeSelected = IsAnyHit && HitInfo.HitNode->Has(vsSelected);
    const bool FullRowDrag = Misc.Contains(toFullRowDrag);

    bool AutoDrag = (DragMode() == dmAutomatic || FStates.Contains(tsVCLDragging)) &&
                    (!IsCellHit || FullRowDrag);
    if (HitInfo.HitNode && !AutoDrag && DragMode() == dmManual)
        AutoDrag = DoDragAllowed(HitInfo.HitNode, Column) && (!IsCellHit || FullRowDrag);

    if ((Pos & hiOnItemButton) && HitInfo.HitNode && HitInfo.HitNode->Has(vsHasChildren)) {
        ToggleNode(HitInfo.HitNode);
        return;
    }
    if (Pos & hiOnItemCheckbox) {
        PressCheckBox(HitInfo.HitNode);
        return;
    }
    if ((FRoot->ChildCount > 0 && ShiftEmpty) || FSelectionCount == 0) {
        if (HitInfo.HitNode)
            FLastSelectionLevel = static_cast<int>(NodeLevel(HitInfo.HitNode));
        else if (PVirtualNode Last = LastVisibleNodeRaw())
            FLastSelectionLevel = static_cast<int>(NodeLevel(Last));
    }
    if (MultiSelect && ShiftEmpty && IsAnyHit && AutoDrag && NodeSelected)
        ChangeState({tsClearPending}, {});

    bool DrawAllowed = !AutoDrag;
    if (DrawAllowed && FStates.Contains(tsRightButtonDown) &&
        NodeHasPopup(HitInfo.HitNode, Column, Message.Pos()))
        DrawAllowed = false;

    if ((!(IsAnyHit || FullRowDrag) && MultiSelect && ShiftEmpty) ||
        (IsAnyHit && (!NodeSelected || DrawAllowed) && (ShiftEmpty || !MultiSelect))) {
        assert(!FStates.Contains(tsClearPending) &&
               "Pending and direct clearance are mutual exclusive!");
        if (NodeSelected ||
            (AltPressed && HitInfo.HitNode && HitInfo.HitColumn == FHeader->MainColumn())) {
            const bool NeedChange = FSelectionCount > 1;
            ResetSelection();
            AddToSelectionOne(HitInfo.HitNode, true);
            if (NeedChange) {
                InvalidateTree();
                Change(nullptr);
            }
        } else {
            UnselectAll();
        }
    }

    if (Focused() && ((Pos & hiOnItemLabel) || (Misc.Contains(toGridExtensions) && (Pos & hiOnItem))) &&
        NodeSelected && !NewColumn && ShiftEmpty)
        ChangeState({tsEditPending}, {});

    if (!Selection.Contains(toDisableDrawSelection) && !IsLabelHit && !FullRowDrag && MultiSelect) {
        if (HandleAllocated())
            SetCapture(Handle());
        ChangeState({tsDrawSelPending}, {});
        FDrawSelShiftState = ShiftState;
        const TPoint P{Message.XPos - FOffsetX, Message.YPos - FOffsetY};
        FNewSelRect = TRect{P.X, P.Y, P.X, P.Y};
        FLastSelRect = TRect{0, 0, 0, 0};
        if (!IsCellHit)
            return;
    }

    FLastClickPos = Message.Pos();
    if ((IsLabelHit || IsCellHit) &&
        DoFocusChanging(FFocusedNode, HitInfo.HitNode, FFocusedColumn, Column)) {
        if (NewColumn) {
            RepaintColumn(FFocusedColumn);
            RepaintColumn(Column);
            FFocusedColumn = Column;
        }
        if (DragKind() == dkDock) {
            KillTimerFor(ScrollTimer);
            ChangeState({}, {tsScrollPending, tsScrolling});
        }
        PVirtualNode LastFocused = FFocusedNode;
        if (NewNode || NewColumn)
            DoFocusNode(HitInfo.HitNode, false);
        if (MultiSelect && !ShiftEmpty) {
            HandleClickSelection(LastFocused, HitInfo.HitNode, ShiftState, AutoDrag);
        } else {
            if (ShiftEmpty)
                FRangeAnchor = HitInfo.HitNode;
            if (!NodeSelected)
                AddToSelection(HitInfo.HitNode);
        }
        if (NewNode || NewColumn)
            DoFocusChange(FFocusedNode, FFocusedColumn);
    }

    if (AutoDrag && IsAnyHit &&
        (FStates.Contains(tsLeftButtonDown) || FStates.Contains(tsMiddleButtonDown) ||
         FStates.Contains(tsRightButtonDown)))
        StartDrag(false, -1);
}

void TBaseVirtualTree::PressCheckBox(PVirtualNode Node)
{
    if (!Node || FStates.Contains(tsMouseCheckPending) || FStates.Contains(tsKeyCheckPending) ||
        Node->Has(vsDisabled))
        return;
    TCheckState New = NextCheckStateFor(CheckType(Node), CheckState(Node));
    if (!DoChecking(Node, New))
        return;
    ChangeState({tsMouseCheckPending}, {});
    FCheckNode = Node;
    FPendingCheckState = New;
    Node->CheckState = PressedState(CheckState(Node));
    InvalidateNode(Node);
}

void TBaseVirtualTree::MouseReleased(TWMMouse& Message, const THitInfo& HitInfo)
{
    if (HandleAllocated() && GetCapture() == Handle())
        ReleaseCapture();
    if (FStates.Contains(tsVCLDragPending))
        return;
    if (FStates.Contains(tsDrawSelecting)) {
        ChangeState({}, {tsDrawSelecting, tsDrawSelPending, tsToggleFocusedSelection});
        InvalidateTree();
    }
    if (FStates.Contains(tsClearPending)) {
        const bool Reselect = FFocusedNode && FFocusedNode->Has(vsSelected);
        UnselectAll();
        if (Reselect)
            AddToSelection(FFocusedNode);
    }
    if (FStates.Contains(tsToggleFocusedSelection) && HitInfo.HitNode == FFocusedNode &&
        FFocusedNode) {
        if (FFocusedNode->Has(vsSelected))
            RemoveSelected(FFocusedNode);
        else
            AddToSelection(FFocusedNode);
        InvalidateNode(FFocusedNode);
    }
    ChangeState({}, {tsClearPending, tsDrawSelecting, tsDrawSelPending, tsToggleFocusedSelection,
                     tsOLEDragPending, tsOLEDragging, tsScrollPending, tsScrolling});
    KillTimerFor(ScrollTimer);

    if (FStates.Contains(tsMouseCheckPending)) {
        ChangeState({}, {tsMouseCheckPending});
        PVirtualNode Node = FCheckNode;
        FCheckNode = nullptr;
        if (Node) {
            if (HitInfo.HitNode == Node && (HitInfo.HitPositions & hiOnItem)) {
                // The pressed look goes first: the new state is set on a box
                // that shows its old one.
                Node->CheckState = UnpressedState(CheckState(Node));
                DoCheckClick(Node, FPendingCheckState);
            } else {
                Node->CheckState = UnpressedState(CheckState(Node));
            }
            InvalidateNode(Node);
        }
    }

    const TColumnIndex ClickIndex = FHeader->Columns()->ClickIndex();
    if (ClickIndex > NoColumn && ClickIndex == HitInfo.HitColumn)
        DoColumnClick(HitInfo.HitColumn, MouseShiftState(Message.Keys));

    if (FStates.Contains(tsEditPending)) {
        if (HitInfo.HitNode && HitInfo.HitNode == FFocusedNode &&
            (HitInfo.HitPositions & hiOnItem) && CanEditNode(FFocusedNode, HitInfo.HitColumn)) {
            FEditColumn = FFocusedColumn;
            SetTimerFor(EditTimer, FEditDelay);
        } else {
            ChangeState({}, {tsEditPending});
        }
    }
}

void TBaseVirtualTree::MouseDoubleClicked(TWMMouse& Message, const THitInfo& HitInfo)
{
    if (FStates.Contains(tsEditPending)) {
        KillTimerFor(EditTimer);
        ChangeState({}, {tsEditPending});
    }
    if (FStates.Contains(tsEditing) && !DoEndEdit())
        return;
    if (HitInfo.HitColumn == FHeader->Columns()->ClickIndex())
        DoColumnDblClick(HitInfo.HitColumn, MouseShiftState(Message.Keys));
    const Word Pos = HitInfo.HitPositions;
    if (Pos & hiOnItemCheckbox) {
        PressCheckBox(HitInfo.HitNode);
        return;
    }
    if ((Pos & hiOnItemButton) && HitInfo.HitNode) {
        ToggleNode(HitInfo.HitNode);
        return;
    }
    if (!FOptions->MiscOptions().Contains(toToggleOnDblClick) || !HitInfo.HitNode)
        return;
    const bool OnPart = (Pos & (hiOnItemButton | hiOnItemLabel | hiOnNormalIcon | hiOnStateIcon)) != 0;
    if (OnPart || FOptions->SelectionOptions().Contains(toFullRowSelect))
        ToggleNode(HitInfo.HitNode);
}

void TBaseVirtualTree::StartDrag(bool Immediate, int Threshold)
{
    if (FDragType == dtVCL) {
        ChangeState({tsVCLDragPending}, {});
        BeginDrag(Immediate, Threshold);
        return;
    }
    if (FStates.Contains(tsOLEDragPending) || FStates.Contains(tsOLEDragging))
        return;
    FDragThreshold = Threshold < 0 ? std::max(GetSystemMetrics(SM_CXDRAG), 1) : Threshold;
    if (Immediate) {
        DoDragging(FLastClickPos);
        return;
    }
    ChangeState({tsOLEDragPending}, {});
}

void TBaseVirtualTree::DoDragExpand()
{
    KillTimerFor(ExpandTimer);
    PVirtualNode Node = FDropTargetNode;
    if (!Node || !Node->Has(vsHasChildren) || Node->Has(vsExpanded))
        return;
    const bool Shown = FDragImage->Visible();
    if (Shown)
        FDragImage->HideDragImage();
    ToggleNode(Node);
    if (HandleAllocated())
        UpdateWindow(Handle());
    if (Shown)
        FDragImage->ShowDragImage();
}

void TBaseVirtualTree::TrackMouseMove(UINT Keys, int X, int Y)
{
    const int DragX = GetSystemMetrics(SM_CXDRAG);
    const int DragY = GetSystemMetrics(SM_CYDRAG);
    if (FStates.Contains(tsDrawSelPending)) {
        if (UpdateSelectionRect(X, Y)) {
            TRect R = OrderRect(FNewSelRect);
            OffsetRect(R, FOffsetX, FOffsetY);
            InvalidateTree(&R);
            if (HandleAllocated())
                UpdateWindow(Handle());
        }
        const TRect R = OrderRect(FNewSelRect);
        if (R.Width() <= DragX && R.Height() <= DragY)
            return;
        if (FStates.Contains(tsClearPending)) {
            ChangeState({}, {tsClearPending});
            UnselectAll();
        }
        ChangeState({tsDrawSelecting}, {tsDrawSelPending});
        FFocusedColumn = FHeader->MainColumn();
        if (HandleDrawSelection(FLastSelRect, FNewSelRect))
            InvalidateTree();
        return;
    }
    if (FStates.Contains(tsWheelPanning) && FStates.Contains(tsWheelScrolling) &&
        (std::abs(FLastClickPos.X - X) >= DragX || std::abs(FLastClickPos.Y - Y) >= DragY))
        ChangeState({}, {tsWheelScrolling});
    if (FStates.Contains(tsOLEDragPending) &&
        (std::abs(FLastClickPos.X - X) >= FDragThreshold ||
         std::abs(FLastClickPos.Y - Y) >= FDragThreshold)) {
        DoDragging(FLastClickPos);
        return;
    }
    if (CanAutoScroll())
        AutoScrollCheck(X, Y);
    if (FStates.Contains(tsWheelPanning) || FStates.Contains(tsWheelScrolling))
        UpdatePanningCursor(X, Y);
    if (FStates.Contains(tsDrawSelecting) && !FStates.Contains(tsScrollPending)) {
        const TRect Last = FNewSelRect;
        if (UpdateSelectionRect(X, Y)) {
            if (HandleDrawSelection(Last, FNewSelRect)) {
                InvalidateTree();
            } else {
                TRect A = OrderRect(FNewSelRect);
                const TRect B = OrderRect(Last);
                TRect U{std::min(A.Left, B.Left), std::min(A.Top, B.Top),
                        std::max(A.Right, B.Right) + 1, std::max(A.Bottom, B.Bottom) + 1};
                OffsetRect(U, FOffsetX, FOffsetY);
                InvalidateTree(&U);
            }
            if (HandleAllocated())
                UpdateWindow(Handle());
        }
        return;
    }
    TrackHotNode(X, Y);
    MouseMove(KeysToShiftState(Keys), X, Y);
}

void TBaseVirtualTree::TrackHotNode(int X, int Y)
{
    THitInfo Hit;
    HitTest(X, Y, true, Hit);
    PVirtualNode New = Hit.HitNode;
    if ((Hit.HitPositions & (hiOnItemCheckbox | hiOnItemLabel)) == 0 &&
        !FOptions->SelectionOptions().Contains(toFullRowSelect))
        New = nullptr;
    if (New == FHotNode)
        return;
    DoHotChange(FHotNode, New);
    const bool Repaint = FOptions->PaintOptions().Contains(toHotTrack) ||
                         FOptions->MiscOptions().Contains(toCheckSupport);
    if (Repaint)
        InvalidateNode(FHotNode);
    FHotNode = New;
    if (Repaint)
        InvalidateNode(FHotNode);
}

// ---- the rubber band ------------------------------------------------------------------------

bool TBaseVirtualTree::UpdateSelectionRect(int X, int Y)
{
    if (FStates.Contains(tsDrawSelecting))
        FLastSelRect = FNewSelRect;
    const int MaxX = std::max(ClientWidth(), FRangeX);
    const int MaxY = std::max(ClientHeight(), FRangeY);
    const int Right = std::clamp(X - FOffsetX, 0, std::max(MaxX, 0));
    const int Bottom = std::clamp(Y - FOffsetY, 0, std::max(MaxY, 0));
    const bool Changed = Right != FNewSelRect.Right || Bottom != FNewSelRect.Bottom;
    FNewSelRect.Right = Right;
    FNewSelRect.Bottom = Bottom;
    return Changed;
}

void TBaseVirtualTree::MainCellExtent(PVirtualNode Node, int& Left, int& Right)
{
    const TColumnIndex Main = FHeader->MainColumn();
    int CellLeft = 0;
    int CellRight = std::max(ClientWidth(), FRangeX);
    TAlignment Align = FAlignment;
    if (FHeader->UseColumns() && Main > NoColumn) {
        TVirtualTreeColumn* C = FHeader->Columns()->GetItem(Main);
        C->GetAbsoluteBounds(CellLeft, CellRight);
        Align = C->Alignment();
        if (FOptions->AutoOptions().Contains(toAutoSpanColumns))
            for (TColumnIndex Next = FHeader->NextVisibleColumn(Main);
                 Next > NoColumn && CellIsEmpty(Node, Next); Next = FHeader->NextVisibleColumn(Next)) {
                int L = 0;
                FHeader->Columns()->GetItem(Next)->GetAbsoluteBounds(L, CellRight);
            }
    }
    int X = CellLeft + static_cast<int>(NodeLevel(Node) * FIndent) + FMargin;
    if (FOptions->PaintOptions().Contains(toShowRoot))
        X += static_cast<int>(FIndent);
    if (FOptions->MiscOptions().Contains(toCheckSupport) && FCheckImages &&
        Node->CheckType != ctNone)
        X += FCheckImages->Width() + 2;
    TCustomImageList* List = nullptr;
    if (NodeHasImage(Node, ikState, Main, &List))
        X += List->Width() + 2;
    if (NodeHasImage(Node, ikNormal, Main, &List))
        X += List->Width() + 2;
    const int Width = GetNodeWidth(Node, Main, Canvas()) + 2 * FTextMargin;
    switch (Align) {
    case taLeftJustify: Left = X; break;
    case taRightJustify: Left = std::max(X, CellRight - Width); break;
    case taCenter: Left = std::max(X, (X + CellRight - Width) / 2); break;
    }
    Right = Left + Width;
}

bool TBaseVirtualTree::HandleDrawSelection(const TRect& OldRect, const TRect& NewRect)
{
    const TRect Old = OrderRect(OldRect);
    const TRect New = OrderRect(NewRect);
    const bool OldEmpty = Old.Right <= Old.Left && Old.Bottom <= Old.Top;
    const int Top = OldEmpty ? New.Top : std::min(Old.Top, New.Top);
    const int Bottom = OldEmpty ? New.Bottom : std::max(Old.Bottom, New.Bottom);
    const bool Simple = FOptions->SelectionOptions().Contains(toSimpleDrawSelection);
    const bool WithCtrl = FDrawSelShiftState.Contains(ssCtrl);
    int NodeTopY = 0;
    PVirtualNode Run = NodeAtPosition(0, Top, false, NodeTopY);
    ClearTempCache();
    bool Changed = false;
    auto Covers = [&](const TRect& R, int L, int RightX, int T, int B) {
        if (R.Right <= R.Left && R.Bottom <= R.Top)
            return false;
        const bool Vertical = T <= R.Bottom && B > R.Top;
        if (Simple)
            return Vertical;
        return Vertical && L <= R.Right && RightX > R.Left;
    };
    while (Run && NodeTopY <= Bottom) {
        const int H = static_cast<int>(NodeHeight(Run));
        int L = 0;
        int R = 0;
        if (!Simple)
            MainCellExtent(Run, L, R);
        const bool InOld = Covers(Old, L, R, NodeTopY, NodeTopY + H);
        const bool InNew = Covers(New, L, R, NodeTopY, NodeTopY + H);
        if (InOld != InNew && !Run->Has(vsDisabled)) {
            const bool Select = WithCtrl ? !Run->Has(vsSelected) : InNew;
            if (Select && !Run->Has(vsSelected)) {
                CacheNode(Run);
                Changed = true;
            } else if (!Select && Run->Has(vsSelected)) {
                DropFromSelection(Run);
                Changed = true;
            }
        }
        NodeTopY += H;
        Run = NextVisibleNode(Run);
    }
    if (!Changed) {
        ClearTempCache();
        return false;
    }
    PackSelection();
    if (FTempNodeCount > 0)
        AddToSelection(FTempNodeCache.data(), FTempNodeCount, false);
    ClearTempCache();
    Change(nullptr);
    return true;
}

void TBaseVirtualTree::PaintSelectionFrame(TCanvas* TargetCanvas)
{
    if (!FStates.Contains(tsDrawSelecting))
        return;
    TRect R = OrderRect(FNewSelRect);
    OffsetRect(R, FOffsetX, FOffsetY);
    if (R.Right <= R.Left || R.Bottom <= R.Top)
        return;
    HDC DC = TargetCanvas->Handle();
    if (FDrawSelectionMode == smBlendedRectangle) {
        TBitmap Tint;
        Tint.SetSize(1, 1);
        Tint.Canvas()->SetPixels(0, 0, FColors->Get(TVTColors::SelectionRectangleBlendColor));
        BLENDFUNCTION Blend;
        Blend.SourceConstantAlpha = FSelectionBlendFactor;
        AlphaBlend(DC, R.Left, R.Top, R.Width(), R.Height(), Tint.Canvas()->Handle(), 0, 0, 1, 1,
                   Blend);
        HBRUSH Frame = CreateSolidBrush(
            ColorToRGB(FColors->Get(TVTColors::SelectionRectangleBorderColor)));
        FrameRect(DC, R, Frame);
        DeleteObject(Frame);
        return;
    }
    const COLORREF OldText = SetTextColor(DC, RGB(255, 255, 255));
    const COLORREF OldBack = SetBkColor(DC, RGB(0, 0, 0));
    DrawFocusRect(DC, R);
    SetTextColor(DC, OldText);
    SetBkColor(DC, OldBack);
}

// ---- hints ----------------------------------------------------------------------------------

namespace {

// A hint text for the window layer: the characters CP1251 has.
AnsiString HintText(const std::u16string& Text)
{
    std::string Bytes;
    for (char16_t C : Text)
        if (const int B = cp1251::FromUnicode(C); B >= 0)
            Bytes += static_cast<char>(B);
    return AnsiString(Bytes);
}

}  // namespace

std::u16string TBaseVirtualTree::DoGetNodeHint(PVirtualNode, TColumnIndex,
                                               TVTTooltipLineBreakStyle&)
{
    return std::u16string();
}

void TBaseVirtualTree::CMHintShow(TMessage& Message)
{
    Message.Result = 1;
    THintInfo* Info = reinterpret_cast<THintInfo*>(Message.LParam);
    const bool Shown = Info && HintFor(*Info);
    Message.Result = Shown ? 0 : 1;
    if (Shown)
        ChangeState({tsHint}, {});
    else
        ChangeState({}, {tsHint});
}

bool TBaseVirtualTree::HintFor(THintInfo& Info)
{
    const TPoint P = Info.CursorPos;
    const bool OverHeader = FHeader->Options().Contains(hoVisible) && FHeader->InHeader(P);
    if (!ShowHint() || DragActive() || RubberBandActive() ||
        (!OverHeader && !PtInRect(ClientRect(), P)))
        return false;
    if (OverHeader) {
        if (!FHeader->Options().Contains(hoShowHint))
            return false;
        // The header row in client coordinates lies above the client area.
        Info.CursorRect = TRect{0, -static_cast<int>(FHeader->Height()), ClientWidth(), 0};
        const TColumnIndex C = FHeader->Columns()->ColumnFromPosition(
            TPoint{P.X, P.Y + static_cast<int>(FHeader->Height())});
        if (!FHeader->Columns()->IsValidColumn(C))
            return false;
        Info.HintStr = HintText(FHeader->Columns()->GetItem(C)->Hint());
        return !Info.HintStr.IsEmpty();
    }
    const AnsiString Own = GetShortHint(Hint());
    if (FHintMode == hmDefault) {
        Info.HintStr = Own;
        return !Own.IsEmpty();
    }
    THitInfo Hit;
    HitTest(P.X, P.Y, true, Hit);
    if (!Hit.HitNode || Hit.HitColumn <= InvalidColumn) {
        if (FHintMode != hmHintAndDefault || Own.IsEmpty())
            return false;
        Info.HintStr = Own;
        return true;
    }
    // The cell: the column's bounds, spread over following empty cells.
    int Left = 0;
    int Right = ClientWidth();
    if (FHeader->UseColumns() && Hit.HitColumn > NoColumn) {
        FHeader->ColumnBounds(Hit.HitColumn, Left, Right);
        if (FOptions->AutoOptions().Contains(toAutoSpanColumns))
            for (TColumnIndex Next = FHeader->NextVisibleColumn(Hit.HitColumn);
                 Next > NoColumn && CellIsEmpty(Hit.HitNode, Next);
                 Next = FHeader->NextVisibleColumn(Next)) {
                int L = 0;
                FHeader->ColumnBounds(Next, L, Right);
            }
    }
    const TRect Row = NodeDisplayRect(Hit.HitNode, NoColumn, false);
    const TRect Cell{Left, Row.Top, Right, Row.Bottom};
    FHintData = TVTHintData();
    FHintData.Tree = this;
    FHintData.Node = Hit.HitNode;
    FHintData.Column = Hit.HitColumn;
    if (FHintMode == hmTooltip) {
        TFont Font;
        TRect Unused;
        CellTextInfo(Hit.HitNode, Hit.HitColumn, &Font, Unused, FHintData.HintText);
        const TRect Text = NodeDisplayRect(Hit.HitNode, Hit.HitColumn, true, true);
        if (Hit.HitNode->Has(vsMultiline)) {
            if (!(Hit.HitPositions & hiOnItemLabel))
                return false;
        } else {
            TRect Visible;
            IntersectRect(Visible, Text, Cell);
            const bool Fits = Text.Right <= Cell.Right && Text.Right <= ClientWidth() &&
                              Text.Left >= Cell.Left && Text.Left >= 0 && Text.Top >= 0 &&
                              Text.Bottom <= ClientHeight();
            if (!PtInRect(Visible, P) || Fits)
                return false;
        }
        Info.CursorRect = Text;
        Info.HintPos = ClientToScreen(Text.TopLeft());
    } else {
        FHintData.HintText = DoGetNodeHint(Hit.HitNode, Hit.HitColumn, FHintData.LineBreakStyle);
        Info.CursorRect = Cell;
        Info.HintPos = ClientToScreen(TPoint{P.X, P.Y + 2});
    }
    // The tree's hint window measures the hint; nothing to show, no hint.
    TVirtualTreeHintWindow Measure(nullptr);
    if (IsRectEmpty(Measure.CalcHintRect(Info.HintMaxWidth, AnsiString(), &FHintData)))
        return false;
    Info.HintWindowClass = TVirtualTreeHintWindow::StaticClass();
    Info.HintData = &FHintData;
    // The window layer shows no hint for an empty text.
    Info.HintStr = HintText(FHintData.HintText);
    if (Info.HintStr.IsEmpty())
        Info.HintStr = " ";
    return true;
}

// ---- column events, popups, small services --------------------------------------------------

void TBaseVirtualTree::DoColumnClick(TColumnIndex Column, TShiftState Shift)
{
    OnColumnClick(this, Column, Shift);
}

void TBaseVirtualTree::DoColumnDblClick(TColumnIndex Column, TShiftState Shift)
{
    OnColumnDblClick(this, Column, Shift);
}

bool TBaseVirtualTree::DoPopupMenu(PVirtualNode Node, TColumnIndex Column, const TPoint& Position)
{
    TPopupMenu* Menu = DoGetPopupMenu(Node, Column, Position);
    if (!Menu)
        return false;
    ChangeState({tsPopupMenuShown}, {tsRightButtonDown});
    KillTimerFor(EditTimer);
    Menu->SetPopupComponent(this);
    const TPoint P = ClientToScreen(Position);
    Menu->Popup(P.X, P.Y);
    return true;
}

void TBaseVirtualTree::RepaintColumn(TColumnIndex Column)
{
    if (FUpdateCount > 0 || !FHeader->Columns()->IsValidColumn(Column))
        return;
    TRect R = ClientRect();
    FHeader->ColumnBounds(Column, R.Left, R.Right);
    if (R.Right > R.Left)
        InvalidateTree(&R);
}

void TBaseVirtualTree::CellTextInfo(PVirtualNode, TColumnIndex, TFont* Font, TRect& R,
                                    std::u16string& Text)
{
    R = TRect();
    Text.clear();
    if (Font)
        Font->Assign(this->Font());
}

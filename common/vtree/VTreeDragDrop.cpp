// Drag and drop of nodes: the drag manager (the window's drop target and
// the drop source of the drags the tree starts), the drop target side of
// the tree (drop effect, drop mode and mark, auto-expand and auto-scroll
// while dragging, the drag image following the mouse), the drags the tree
// starts (the system's drag loop, deleting moved nodes) and the class
// library's drags (CM_DRAG).

#include "common/vtree/VTree.h"

#include "platform/forms/Forms.h"
#include "platform/winapi/Messages.h"
#include "platform/winapi/Windows.h"

#include <cstring>
#include <exception>
#include <unistd.h>

namespace {

// The tree's window timers used here.
constexpr UINT_PTR ExpandTimer = 1;
constexpr UINT_PTR ScrollTimer = 4;

DWORD EffectsOf(TVTDragOperations Operations)
{
    DWORD Result = DROPEFFECT_NONE;
    if (Operations.Contains(doCopy))
        Result |= DROPEFFECT_COPY;
    if (Operations.Contains(doMove))
        Result |= DROPEFFECT_MOVE;
    if (Operations.Contains(doLink))
        Result |= DROPEFFECT_LINK;
    return Result;
}

TRect UnionOf(const TRect& A, const TRect& B)
{
    if (A.Width() <= 0 || A.Height() <= 0)
        return B;
    if (B.Width() <= 0 || B.Height() <= 0)
        return A;
    return TRect{std::min(A.Left, B.Left), std::min(A.Top, B.Top), std::max(A.Right, B.Right),
                 std::max(A.Bottom, B.Bottom)};
}

/// A data object as the tree's data source: the tree data from a global
/// memory block (u32 count first) or a stream (the chunks alone).
class DataObjectSource : public IVTDataSource {
public:
    explicit DataObjectSource(IDataObject* Data) : FData(Data) {}
    bool QueryGetData(Word Format) override
    {
        FORMATETC F;
        F.cfFormat = Format;
        F.tymed = TYMED_HGLOBAL | TYMED_ISTREAM;
        return FData->QueryGetData(F) == S_OK;
    }
    bool GetData(Word Format, std::string& Bytes) override
    {
        FORMATETC F;
        F.cfFormat = Format;
        F.tymed = TYMED_HGLOBAL | TYMED_ISTREAM;
        STGMEDIUM Medium;
        if (FData->GetData(F, Medium) != S_OK)
            return false;
        const bool Stream = Medium.tymed == TYMED_ISTREAM;
        const bool Read = ReadStgMedium(Medium, Bytes);
        ReleaseStgMedium(Medium);
        if (Read && Stream) {
            const uint32_t Count = static_cast<uint32_t>(Bytes.size());
            Bytes.insert(0, reinterpret_cast<const char*>(&Count), 4);
        }
        return Read;
    }

private:
    IDataObject* FData;
};

}  // namespace

// ---- the drag manager -----------------------------------------------------------------------

InterfacePtr<IDataObject> TVTDragManager::DataObject()
{
    if (FDataObject)
        return FDataObject;
    return FOwner ? FOwner->CreateDragDataObject() : InterfacePtr<IDataObject>();
}

TBaseVirtualTree* TVTDragManager::DragSource() const
{
    return FDragSourceId ? TBaseVirtualTree::TreeById(FDragSourceId) : nullptr;
}

HRESULT TVTDragManager::DragEnter(IDataObject* Data, DWORD KeyState, TPoint Pt, DWORD* Effect)
{
    FDataObject = InterfacePtr<IDataObject>(Data);
    FIsDropTarget = true;
    TBaseVirtualTree* Source = TBaseVirtualTree::TreeOfDataObject(Data);
    FDragSourceId = Source ? Source->TreeId() : 0;
    if (!FOwner || !Effect)
        return E_UNEXPECTED;
    return FOwner->OleDragEnter(KeyState, Pt, *Effect);
}

HRESULT TVTDragManager::DragOver(DWORD KeyState, TPoint Pt, DWORD* Effect)
{
    if (!FOwner || !Effect)
        return E_UNEXPECTED;
    return FOwner->OleDragOver(DragSource(), KeyState, dsDragMove, Pt, *Effect);
}

HRESULT TVTDragManager::DragLeave()
{
    if (FOwner)
        FOwner->OleDragLeave();
    FIsDropTarget = false;
    FDragSourceId = 0;
    FDataObject = InterfacePtr<IDataObject>();
    return S_OK;
}

HRESULT TVTDragManager::Drop(IDataObject* Data, DWORD KeyState, TPoint Pt, DWORD* Effect)
{
    HRESULT Result = E_UNEXPECTED;
    if (FOwner && Effect)
        Result = FOwner->OleDrop(Data, KeyState, Pt, *Effect);
    FIsDropTarget = false;
    FDragSourceId = 0;
    FDataObject = InterfacePtr<IDataObject>();
    return Result;
}

HRESULT TVTDragManager::QueryContinueDrag(BOOL EscapePressed, DWORD KeyState)
{
    const bool Left = KeyState & MK_LBUTTON;
    const bool Right = KeyState & MK_RBUTTON;
    if ((Left && Right) || EscapePressed)
        return DRAGDROP_S_CANCEL;
    if (!Left && !Right)
        return DRAGDROP_S_DROP;
    return S_OK;
}

HRESULT TVTDragManager::GiveFeedback(DWORD)
{
    return DRAGDROP_S_USEDEFAULTCURSORS;
}

// ---- the tree as drop target ------------------------------------------------------------------

TShiftState TBaseVirtualTree::DragShiftState(DWORD KeyState) const
{
    TShiftState Shift;
    if (KeyState & MK_SHIFT)
        Shift.Include(ssShift);
    if (KeyState & MK_CONTROL)
        Shift.Include(ssCtrl);
    if (KeyState & MK_ALT)
        Shift.Include(ssAlt);
    if (FStates.Contains(tsLeftButtonDown))
        Shift.Include(ssLeft);
    if (FStates.Contains(tsMiddleButtonDown))
        Shift.Include(ssMiddle);
    if (FStates.Contains(tsRightButtonDown))
        Shift.Include(ssRight);
    return Shift;
}

DWORD TBaseVirtualTree::ProposeDropEffect(TObject* Source, TShiftState Shift, const TPoint&,
                                          DWORD AllowedEffects)
{
    DWORD Result = AllowedEffects;
    if (Source == this) {
        if (AllowedEffects & DROPEFFECT_MOVE)
            Result = DROPEFFECT_MOVE;
    } else if (AllowedEffects & DROPEFFECT_COPY) {
        Result = DROPEFFECT_COPY;
    }
    const bool Ctrl = Shift.Contains(ssCtrl);
    const bool ShiftKey = Shift.Contains(ssShift);
    const bool Alt = Shift.Contains(ssAlt);
    DWORD Wanted = DROPEFFECT_NONE;
    if ((Ctrl && ShiftKey) || Alt)
        Wanted = DROPEFFECT_LINK;
    else if (Ctrl)
        Wanted = DROPEFFECT_COPY;
    else if (ShiftKey)
        Wanted = DROPEFFECT_MOVE;
    if (Wanted != DROPEFFECT_NONE && (AllowedEffects & Wanted))
        Result = Wanted;
    return Result;
}

bool TBaseVirtualTree::DoDragOver(TObject* Source, TShiftState Shift, TDragState State,
                                  const TPoint& Pt, TDropMode Mode, DWORD& Effect)
{
    bool Accept = true;
    if (OnDragOver)
        OnDragOver(this, Source, Shift, State, Pt, Mode, Effect, Accept);
    return Accept;
}

void TBaseVirtualTree::DoDragDrop(TObject* Source, IDataObject* DataObject,
                                  const TFormatArray& Formats, TShiftState Shift,
                                  const TPoint& Pt, DWORD& Effect, TDropMode Mode)
{
    if (OnDragDrop)
        OnDragDrop(this, Source, DataObject, Formats, Shift, Pt, Effect, Mode);
}

HRESULT TBaseVirtualTree::OleDragEnter(DWORD KeyState, const TPoint& Pt, DWORD& Effect)
{
    try {
        FScrollStartTime = 0;
        const TShiftState Shift = DragShiftState(KeyState);
        const TPoint P = ScreenToClient(Pt);
        TBaseVirtualTree* Source = FDragManager ? FDragManager->DragSource() : nullptr;
        Effect = ProposeDropEffect(Source, Shift, P, Effect);
        if (!DoDragOver(Source, Shift, dsDragEnter, P, FLastDropMode, Effect)) {
            Effect = DROPEFFECT_NONE;
        } else {
            THitInfo Hit;
            HitTest(P.X, P.Y, true, Hit);
            if (Hit.HitNode) {
                const TRect R = NodeDisplayRect(Hit.HitNode, FHeader->MainColumn(), false);
                TDropMode Mode = dmOnNode;
                if (!(Hit.HitPositions & hiOnItemLabel))
                    Mode = P.Y < (R.Top + R.Bottom) / 2 ? dmAbove : dmBelow;
                SetDropTarget(Hit.HitNode, Mode);
            } else {
                SetDropTarget(nullptr, dmNowhere);
            }
        }
        if (Source)
            Source->DragImage()->ShowDragImage();
        return S_OK;
    } catch (const std::exception&) {
        return E_UNEXPECTED;
    }
}

void TBaseVirtualTree::SetDropTarget(PVirtualNode Node, TDropMode Mode)
{
    if (Node == FDropTargetNode && Mode == FLastDropMode)
        return;
    FLastDropMode = Mode;
    TRect Dirty;
    if (Node != FDropTargetNode) {
        KillTimerFor(ExpandTimer);
        PVirtualNode Old = FDropTargetNode;
        FDropTargetNode = Node;
        if (FFocusedColumn <= NoColumn)
            FFocusedColumn = FHeader->MainColumn();
        if (Old)
            Dirty = NodeDisplayRect(Old, NoColumn, false);
        if (Node)
            Dirty = UnionOf(Dirty, NodeDisplayRect(Node, NoColumn, false));
        if (Node && FOptions->AutoOptions().Contains(toAutoDropExpand) &&
            Node->Has(vsHasChildren) && !Node->Has(vsExpanded))
            SetTimerFor(ExpandTimer, FAutoExpandDelay);
    } else if (Node) {
        Dirty = NodeDisplayRect(Node, NoColumn, false);
    }
    // The drop mark reaches 7 pixels beyond its row's edge.
    InflateRect(Dirty, 0, 8);
    if (HandleAllocated() && Dirty.Width() > 0 && Dirty.Height() > 0)
        InvalidateRect(Handle(), &Dirty, false);
}

HRESULT TBaseVirtualTree::OleDragOver(TObject* Source, DWORD KeyState, TDragState DragState,
                                      const TPoint& Pt, DWORD& Effect)
{
    try {
        auto* Tree = dynamic_cast<TBaseVirtualTree*>(Source);
        const TPoint P = ScreenToClient(Pt);
        // Near an edge the view scrolls by one step per move, and on by
        // timer 4 while the mouse rests there.
        bool Scrolled = false;
        const TScrollDirections Directions = DetermineScrollDirections(P.X, P.Y);
        if (!Directions.Empty()) {
            int DeltaX = 0;
            int DeltaY = 0;
            const int V = std::min(FScrollBarOptions->VerticalIncrement(), ClientHeight());
            const int H = FScrollBarOptions->HorizontalIncrement();
            if (Directions.Contains(sdUp))
                DeltaY = V;
            else if (Directions.Contains(sdDown))
                DeltaY = -V;
            if (Directions.Contains(sdLeft))
                DeltaX = H;
            else if (Directions.Contains(sdRight))
                DeltaX = -H;
            Scrolled = SetScrollOffset({FOffsetX + DeltaX, FOffsetY + DeltaY});
        }
        AutoScrollCheck(P.X, P.Y);

        const TShiftState Shift = DragShiftState(KeyState);
        THitInfo Hit;
        HitTest(P.X, P.Y, true, Hit);
        const bool ImageHit = Hit.HitPositions & (hiOnNormalIcon | hiOnStateIcon);
        const bool LabelHit = Hit.HitPositions & hiOnItemLabel;
        if (FOptions->MiscOptions().Contains(toReportMode) && !LabelHit &&
            !(ImageHit && Hit.HitColumn == FHeader->MainColumn()))
            Hit.HitNode = nullptr;
        TDropMode Mode = dmNowhere;
        if (Hit.HitNode) {
            const TRect R = NodeDisplayRect(Hit.HitNode, NoColumn, false);
            if (LabelHit || ImageHit || !FOptions->PaintOptions().Contains(toShowDropmark))
                Mode = dmOnNode;
            else
                Mode = (R.Top + R.Bottom) / 2 > P.Y ? dmAbove : dmBelow;
        }
        SetDropTarget(Hit.HitNode, Mode);
        if (HandleAllocated())
            UpdateWindow(Handle());
        if (Tree)
            Tree->DragImage()->DragTo(Pt);

        Effect = ProposeDropEffect(Source, Shift, P, Effect);
        if (!DoDragOver(Source, Shift, DragState, P, FLastDropMode, Effect))
            Effect = DROPEFFECT_NONE;
        if (Scrolled)
            Effect |= DROPEFFECT_SCROLL;
        return S_OK;
    } catch (const std::exception&) {
        return E_UNEXPECTED;
    }
}

void TBaseVirtualTree::OleDragLeave()
{
    KillTimerFor(ExpandTimer);
    KillTimerFor(ScrollTimer);
    ChangeState({}, {tsScrollPending, tsScrolling});
    if (TBaseVirtualTree* Source = FDragManager ? FDragManager->DragSource() : nullptr)
        Source->DragImage()->HideDragImage();
    if (FDropTargetNode) {
        InvalidateNode(FDropTargetNode);
        FDropTargetNode = nullptr;
    }
    if (HandleAllocated())
        UpdateWindow(Handle());
    DWORD Effect = DROPEFFECT_NONE;
    try {
        DoDragOver(nullptr, TShiftState(), dsDragLeave, TPoint{0, 0}, FLastDropMode, Effect);
    } catch (const std::exception&) {
        // Leaving has no answer to give; the drag goes on elsewhere.
    }
}

HRESULT TBaseVirtualTree::OleDrop(IDataObject* DataObject, DWORD KeyState, const TPoint& Pt,
                                  DWORD& Effect)
{
    KillTimerFor(ExpandTimer);
    KillTimerFor(ScrollTimer);
    ChangeState({}, {tsScrollPending, tsScrolling});
    TBaseVirtualTree* Source = FDragManager ? FDragManager->DragSource() : nullptr;
    // Asked again: a tree that scrolled by its timer heard no drag over
    // for where the mouse now is.
    HRESULT Result = OleDragOver(Source, KeyState, dsDragMove, Pt, Effect);
    Effect &= ~DWORD(DROPEFFECT_SCROLL);
    if (Result != S_OK || Effect == DROPEFFECT_NONE) {
        Result = E_FAIL;
    } else {
        try {
            const TShiftState Shift = DragShiftState(KeyState);
            const TPoint P = ScreenToClient(Pt);
            TFormatArray Formats;
            IEnumFORMATETC* Raw = nullptr;
            if (DataObject && DataObject->EnumFormatEtc(DATADIR_GET, &Raw) == S_OK && Raw) {
                const auto Enum = InterfacePtr<IEnumFORMATETC>::Attach(Raw);
                Enum->Reset();
                FORMATETC F;
                while (Enum->Next(1, &F, nullptr) == S_OK)
                    Formats.push_back(static_cast<Word>(F.cfFormat));
                DoDragDrop(Source, DataObject, Formats, Shift, P, Effect, FLastDropMode);
            }
        } catch (const std::exception&) {
            Result = E_UNEXPECTED;
        }
    }
    if (FDropTargetNode) {
        InvalidateNode(FDropTargetNode);
        FDropTargetNode = nullptr;
    }
    return Result;
}

TBaseVirtualTree* TBaseVirtualTree::TreeOfDataObject(IDataObject* DataObject)
{
    if (!DataObject)
        return nullptr;
    FORMATETC F;
    F.cfFormat = CF_VTREFERENCE();
    STGMEDIUM Medium;
    if (DataObject->GetData(F, Medium) != S_OK)
        return nullptr;
    std::string Bytes;
    const bool Read = ReadStgMedium(Medium, Bytes);
    ReleaseStgMedium(Medium);
    if (!Read || Bytes.size() < 8)
        return nullptr;
    uint32_t Pid = 0;
    uint32_t Id = 0;
    std::memcpy(&Pid, Bytes.data(), 4);
    std::memcpy(&Id, Bytes.data() + 4, 4);
    if (Pid != static_cast<uint32_t>(getpid()))
        return nullptr;
    return TreeById(Id);
}

bool TBaseVirtualTree::ProcessOLEData(TBaseVirtualTree* SourceTree, IDataObject* DataObject,
                                      PVirtualNode TargetNode, TVTNodeAttachMode Mode,
                                      bool Optimized)
{
    if (!DataObject)
        return false;
    DataObjectSource Source(DataObject);
    const bool Result = ProcessOLEData(SourceTree, &Source, TargetNode, Mode, Optimized);
    // The source's drag must not delete what the drop moved already.
    if (Result && Optimized && SourceTree)
        SourceTree->FMovedByDrop = true;
    return Result;
}

// ---- the tree as drag source ------------------------------------------------------------------

void TBaseVirtualTree::DoDragging(const TPoint& P)
{
    if (EditingActive())
        DoCancelEdit();
    if (FHotNode) {
        InvalidateNode(FHotNode);
        FHotNode = nullptr;
    }
    if (FFocusedNode && !FFocusedNode->Has(vsSelected))
        AddToSelection(FFocusedNode);
    ChangeState({tsOLEDragging}, {tsOLEDragPending, tsClearPending});
    FLastDropMode = dmOnNode;
    FMovedByDrop = false;
    const InterfacePtr<IDataObject> Data = FDragManager->DataObject();
    PrepareDragImage(P);
    DWORD Effect = DROPEFFECT_NONE;
    const HRESULT Result = ::DoDragDrop(Data.Get(), FDragManager.Get(),
                                        EffectsOf(FDragOperations), &Effect);
    FDragImage->EndDrag();
    // The drag loop took the button's release: the press ends here.
    if (HandleAllocated() && GetCapture() == Handle())
        ReleaseCapture();
    ChangeState({}, {tsOLEDragging, tsLeftButtonDown, tsMiddleButtonDown, tsRightButtonDown,
                     tsScrollPending, tsScrolling});
    KillTimerFor(ScrollTimer);
    if (Result == DRAGDROP_S_DROP && Effect == DROPEFFECT_MOVE &&
        FOptions->AutoOptions().Contains(toAutoDeleteMovedNodes) && !FMovedByDrop)
        DeleteMovedNodes();
    FMovedByDrop = false;
}

void TBaseVirtualTree::DeleteMovedNodes()
{
    const TNodeArray Nodes = SelectedNodesInOrder(true);
    BeginUpdate();
    try {
        for (auto It = Nodes.rbegin(); It != Nodes.rend(); ++It)
            RemoveNode(*It);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TBaseVirtualTree::CreateWnd()
{
    inherited::CreateWnd();
    // The window is made with the bars its options allow; the size it was
    // made with brings no WM_SIZE the tree sees with its handle, so the
    // bars are fitted to the content here.
    if (FRoot)
        UpdateScrollBars(true);
    if (FOptions->MiscOptions().Contains(toAcceptOLEDrop) &&
        !ComponentState().Contains(csDesigning))
        RegisterDragDrop(Handle(), FDragManager.Get());
}

// ---- the class library's drags ----------------------------------------------------------------

void TBaseVirtualTree::CMDrag(TCMDrag& Message)
{
    TDragRec* Rec = Message.DragRec;
    if (!Rec || !Rec->Source)
        return;
    // The application sees the dragged control, not the object standing for it.
    TObject* Source = Rec->Source;
    if (auto* C = dynamic_cast<TBaseDragControlObject*>(Rec->Source); C && C->Control())
        Source = C->Control();
    const TPoint P = ScreenToClient(Rec->Pos);
    DWORD KeyState = 0;
    if (GetKeyState(VK_SHIFT) < 0)
        KeyState |= MK_SHIFT;
    if (GetKeyState(VK_CONTROL) < 0)
        KeyState |= MK_CONTROL;
    switch (Message.DragMessage) {
    case dmDragEnter:
    case dmDragLeave:
    case dmDragMove: {
        if (Message.DragMessage == dmDragEnter)
            ChangeState({tsVCLDragging}, {});
        else if (Message.DragMessage == dmDragLeave)
            ChangeState({}, {tsVCLDragging});
        else
            AutoScrollCheck(P.X, P.Y);
        const TDragState State = Message.DragMessage == dmDragEnter   ? dsDragEnter
                                 : Message.DragMessage == dmDragLeave ? dsDragLeave
                                                                      : dsDragMove;
        DWORD Effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
        const HRESULT R = OleDragOver(Source, KeyState, State, Rec->Pos, Effect);
        Message.Result = R == S_OK && (Effect & ~DWORD(DROPEFFECT_SCROLL)) ? 1 : 0;
        if (Message.DragMessage == dmDragLeave) {
            KillTimerFor(ExpandTimer);
            KillTimerFor(ScrollTimer);
            ChangeState({}, {tsScrollPending, tsScrolling});
            if (FDropTargetNode) {
                InvalidateNode(FDropTargetNode);
                FDropTargetNode = nullptr;
            }
        }
        return;
    }
    case dmDragDrop: {
        KillTimerFor(ExpandTimer);
        KillTimerFor(ScrollTimer);
        ChangeState({}, {tsScrollPending, tsScrolling, tsVCLDragging});
        DWORD Effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
        Effect = ProposeDropEffect(Source, DragShiftState(KeyState), P, Effect);
        if (FDropTargetNode)
            InvalidateNode(FDropTargetNode);
        DoDragDrop(Source, nullptr, TFormatArray(), DragShiftState(KeyState), P, Effect,
                   FLastDropMode);
        FDropTargetNode = nullptr;
        return;
    }
    case dmDragCancel:
        inherited::CMDrag(Message);
        return;
    case dmFindTarget:
        inherited::CMDrag(Message);
        if (FStates.Contains(tsVCLDragPending))
            ChangeState({}, {tsClearPending, tsEditPending, tsVCLDragPending});
        return;
    }
}

void TBaseVirtualTree::DoStartDrag(TDragObject*& DragObject)
{
    inherited::DoStartDrag(DragObject);
    // An object of the application's own: the tree must not free it.
    if (DragObject)
        ChangeState({tsUserDragObject}, {});
}

void TBaseVirtualTree::DoEndDrag(TObject* Target, int X, int Y)
{
    inherited::DoEndDrag(Target, X, Y);
    EndDragSession();
}

void TBaseVirtualTree::EndDragSession()
{
    if (HandleAllocated()) {
        TPoint P;
        GetCursorPos(P);
        P = ScreenToClient(P);
        const LPARAM Pos = MakeLParam(P.X, P.Y);
        UINT Msg = WM_LBUTTONUP;
        if (FStates.Contains(tsRightButtonDown))
            Msg = WM_RBUTTONUP;
        else if (FStates.Contains(tsMiddleButtonDown))
            Msg = WM_MBUTTONUP;
        SendMessage(Handle(), Msg, 0, Pos);
    }
    ChangeState({}, {tsUserDragObject, tsVCLDragging, tsVCLDragPending});
}

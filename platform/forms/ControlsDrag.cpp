// Dragging between controls (the class library's drag objects, CM_DRAG).
// One drag runs at a time. The source control holds the mouse capture, so
// every mouse message of the drag reaches its WndProc, where the session
// takes it before the control's own handling.

#include "platform/forms/Controls.h"

#include "platform/forms/Forms.h"
#include "platform/forms/ControlsPrivate.h"

#include <QWidget>

#include <cstdlib>
#include <memory>

/// The drag in progress.
struct DragSession {
    TControl* Source = nullptr;
    TDragObject* Object = nullptr;
    /// The drag object the session made itself (null when the application
    /// gave one).
    std::unique_ptr<TDragObject> Owned;
    /// False until the mouse has moved the threshold away from Start.
    bool Started = false;
    TPoint Start;
    int Threshold = 0;
    bool Accepted = false;

    static void SetTarget(TDragObject& O, TControl* Target) { O.FDragTarget = Target; }
    static void SetPos(TDragObject& O, TPoint Screen, TPoint Client)
    {
        O.FDragPos = Screen;
        O.FDragTargetPos = Client;
    }
    static void ForgetControl(TBaseDragControlObject& O) { O.FControl = nullptr; }
    static void SetEnd(TDragObject& O, bool Cancelling, bool Dropped)
    {
        O.FCancelling = Cancelling;
        O.FDropped = Dropped;
    }
};

namespace {

std::unique_ptr<DragSession> gDrag;

/// Sends a drag message to Target about Object; its Result.
LRESULT SendDrag(TControl* Target, TDragMessage Msg, const TPoint& Pos, TDragObject* Object)
{
    TDragRec Rec;
    Rec.Pos = Pos;
    Rec.Source = Object;
    Rec.Target = Target;
    return Target->Perform(CM_DRAG, static_cast<WPARAM>(Msg), reinterpret_cast<LPARAM>(&Rec));
}

/// The control under a screen point that takes part in dragging.
TControl* FindTarget(const TPoint& Pos)
{
    TControl* Under = FindDragTarget(Pos, false);
    if (!Under)
        return nullptr;
    TDragRec Rec;
    Rec.Pos = Pos;
    Rec.Source = gDrag->Object;
    Rec.Target = Under;
    const LRESULT Found = Under->Perform(CM_DRAG, dmFindTarget, reinterpret_cast<LPARAM>(&Rec));
    return Found ? reinterpret_cast<TControl*>(Found) : Under;
}

/// The mouse as the controls' screen coordinates give it (those follow
/// the controls' bounds, which may lie off the window system's own
/// coordinates by the frame the system draws).
TPoint MouseScreenPos(TControl& Control)
{
    TPoint Global;
    GetCursorPos(Global);
    TControl* C = &Control;
    TPoint Offset;
    while (C && !dynamic_cast<TWinControl*>(C)) {
        Offset.X += C->Left();
        Offset.Y += C->Top();
        C = C->Parent();
    }
    auto* W = static_cast<TWinControl*>(C);
    if (!W || !W->HandleAllocated() || !W->Widget())
        return Global;
    const QPoint Local = W->Widget()->mapFromGlobal(QPoint(Global.X, Global.Y));
    const TRect Client = W->Handle()->Client;
    return Control.ClientToScreen(Point(Local.x() - Client.Left - Offset.X, Local.y() - Client.Top - Offset.Y));
}

void ShowDragCursor(const TPoint& Pos)
{
    if (!Screen)
        return;
    const TCursor Cursor = gDrag->Object->GetDragCursor(gDrag->Accepted, Pos.X, Pos.Y);
    ::SetCursor(Screen->Cursors(Cursor));
}

void DragTo(const TPoint& Pos)
{
    TDragObject& O = *gDrag->Object;
    if (!gDrag->Started) {
        DragSession::SetPos(O, Pos, gDrag->Source->ScreenToClient(Pos));
        if (std::abs(Pos.X - gDrag->Start.X) < gDrag->Threshold && std::abs(Pos.Y - gDrag->Start.Y) < gDrag->Threshold)
            return;
        gDrag->Started = true;
    }
    TControl* Target = FindTarget(Pos);
    if (Target != O.DragTarget()) {
        if (TControl* Old = O.DragTarget()) {
            DragSession::SetTarget(O, nullptr);
            SendDrag(Old, dmDragLeave, Pos, &O);
            if (!gDrag)
                return;
        }
        gDrag->Accepted = false;
        DragSession::SetTarget(O, Target);
        if (Target) {
            DragSession::SetPos(O, Pos, Target->ScreenToClient(Pos));
            gDrag->Accepted = SendDrag(Target, dmDragEnter, Pos, &O) != 0;
            if (!gDrag)
                return;
        }
    }
    DragSession::SetPos(O, Pos, Target ? Target->ScreenToClient(Pos) : Pos);
    if (Target) {
        gDrag->Accepted = SendDrag(Target, dmDragMove, Pos, &O) != 0;
        if (!gDrag)
            return;
    }
    ShowDragCursor(Pos);
}

/// Ends the session: a drop when Drop and the target accepts, else a
/// cancel. The session is gone before the handlers run, so they may start
/// another drag.
void DragDone(bool Drop)
{
    std::unique_ptr<DragSession> S = std::move(gDrag);
    TDragObject& O = *S->Object;
    TControl* Target = O.DragTarget();
    const TPoint Pos = O.DragPos();
    const bool Accepted = Drop && S->Started && S->Accepted && Target;
    DragSession::SetEnd(O, !Accepted, Accepted);
    if (S->Source->MouseCapture())
        S->Source->SetMouseCapture(false);
    if (Screen)
        ::SetCursor(Screen->Cursors(Screen->Cursor()));
    if (Target)
        SendDrag(Target, Accepted ? dmDragDrop : dmDragLeave, Pos, &O);
    DragSession::SetTarget(O, nullptr);
    // Coordinates in the target's client area, or the source's without one.
    const TPoint Client = (Target ? Target : S->Source)->ScreenToClient(Pos);
    O.Finished(Accepted ? Target : nullptr, Client.X, Client.Y, Accepted);
}

}  // namespace

TDragObject* DragObject()
{
    return gDrag ? gDrag->Object : nullptr;
}

bool HandleDragMessage(TControl& Control, TMessage& Message)
{
    if (!gDrag)
        return false;
    switch (Message.Msg) {
    case CN_KEYDOWN:
    case WM_KEYDOWN:
        if (Message.WParam != VK_ESCAPE)
            return false;
        DragDone(false);
        Message.Result = 1;
        return true;
    case WM_CANCELMODE:
    case WM_CAPTURECHANGED:
        if (&Control != gDrag->Source)
            return false;
        DragDone(false);
        return false;
    default: break;
    }
    if (&Control != gDrag->Source || Message.Msg < WM_MOUSEFIRST || Message.Msg >= WM_MOUSEWHEEL)
        return false;
    const TPoint Pos = Control.ClientToScreen(Point(GetXLParam(Message.LParam), GetYLParam(Message.LParam)));
    switch (Message.Msg) {
    case WM_MOUSEMOVE: DragTo(Pos); return true;
    case WM_LBUTTONUP: {
        // The release ends the drag, not a click of the source.
        TControlState State = Control.ControlState();
        State.Exclude(csLButtonDown);
        State.Exclude(csClicked);
        Control.SetControlState(State);
        DragTo(Pos);
        if (gDrag)
            DragDone(true);
        return true;
    }
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
        if (gDrag)
            DragDone(false);
        return true;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP: return true;
    default: return false;
    }
}

// ---- drag objects ---------------------------------------------------------------------------

TDragObject::~TDragObject() = default;

PRICETAGS_DEFINE_CLASS(TDragObject)

TCursor TDragObject::GetDragCursor(bool Accepted, int, int)
{
    return Accepted ? crDrag : crNoDrop;
}

void TDragObject::Finished(TObject*, int, int, bool) {}

TBaseDragControlObject::~TBaseDragControlObject() = default;

PRICETAGS_DEFINE_CLASS(TBaseDragControlObject)

void TBaseDragControlObject::Finished(TObject* Target, int X, int Y, bool Accepted)
{
    if (!FControl)
        return;
    if (!Accepted)
        FControl->DragCanceled();
    FControl->DoEndDrag(Target, X, Y);
}

TDragControlObject::~TDragControlObject() = default;

PRICETAGS_DEFINE_CLASS(TDragControlObject)

TCursor TDragControlObject::GetDragCursor(bool Accepted, int, int)
{
    return Accepted ? Control()->DragCursor() : crNoDrop;
}

// ---- the control's side -------------------------------------------------------------------------

void TControl::BeginDrag(bool Immediate, int Threshold)
{
    if (gDrag)
        return;
    TDragObject* Given = nullptr;
    DoStartDrag(Given);
    auto S = std::make_unique<DragSession>();
    S->Source = this;
    if (Given) {
        S->Object = Given;
    } else {
        S->Owned = std::make_unique<TDragControlObject>(this);
        S->Object = S->Owned.get();
    }
    S->Start = MouseScreenPos(*this);
    S->Started = Immediate;
    S->Threshold = Threshold >= 0 ? Threshold : GetSystemMetrics(SM_CXDRAG);
    // Taking the capture first: losing it later cancels the drag.
    SetMouseCapture(true);
    gDrag = std::move(S);
    if (Immediate)
        DragTo(gDrag->Start);
}

void TControl::BeginAutoDrag()
{
    BeginDrag(true);
}

void TControl::EndDrag(bool Drop)
{
    if (Dragging())
        DragDone(Drop);
}

bool TControl::Dragging() const
{
    return gDrag && gDrag->Source == this;
}

void TControl::DoStartDrag(TDragObject*& DragObject)
{
    OnStartDrag(this, DragObject);
}

void TControl::DoEndDrag(TObject* Target, int X, int Y)
{
    OnEndDrag(this, Target, X, Y);
}

void TControl::DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept)
{
    Accept = false;
    if (!OnDragOver)
        return;
    Accept = true;
    OnDragOver(this, Source, X, Y, State, Accept);
}

void TControl::DragDrop(TObject* Source, int X, int Y)
{
    OnDragDrop(this, Source, X, Y);
}

void TControl::CMDrag(TCMDrag& Message)
{
    TDragRec* Rec = Message.DragRec;
    if (!Rec || !Rec->Source)
        return;
    const TPoint P = ScreenToClient(Rec->Pos);
    // The application sees the dragged control, not the object standing for it.
    TObject* Source = Rec->Source;
    if (auto* C = dynamic_cast<TDragControlObject*>(Rec->Source); C && C->Control())
        Source = C->Control();
    switch (Message.DragMessage) {
    case dmDragEnter:
    case dmDragLeave:
    case dmDragMove: {
        const TDragState State = Message.DragMessage == dmDragEnter ? dsDragEnter
            : Message.DragMessage == dmDragLeave                    ? dsDragLeave
                                                                    : dsDragMove;
        bool Accept = false;
        DragOver(Source, P.X, P.Y, State, Accept);
        Message.Result = Accept ? 1 : 0;
        return;
    }
    case dmDragDrop: DragDrop(Source, P.X, P.Y); return;
    case dmDragCancel: return;
    case dmFindTarget: {
        TControl* Found = this;
        if (auto* W = dynamic_cast<TWinControl*>(this))
            if (TControl* Child = W->ControlAtPos(P, false))
                Found = Child;
        Message.Result = reinterpret_cast<LRESULT>(Found);
        return;
    }
    }
}

void ForgetDragControl(TControl* Control)
{
    if (!gDrag)
        return;
    if (gDrag->Source == Control) {
        // The source goes: the drag ends without telling it, and the target
        // hears of an object that no longer names the control.
        if (auto* O = dynamic_cast<TBaseDragControlObject*>(gDrag->Object); O && O->Control() == Control)
            DragSession::ForgetControl(*O);
        if (TControl* Target = gDrag->Object->DragTarget(); Target && Target != Control)
            SendDrag(Target, dmDragLeave, gDrag->Object->DragPos(), gDrag->Object);
        gDrag.reset();
        return;
    }
    if (gDrag->Object->DragTarget() == Control)
        DragSession::SetTarget(*gDrag->Object, nullptr);
}

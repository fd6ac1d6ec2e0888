// Drag and drop between windows: the drop targets registered per window,
// the drag loop of DoDragDrop on the window layer's input, and drops that
// come through the window system (from other programs, or from a drag of
// ours that left the program's windows and came back).

#include "platform/winapi/OleDragDropPrivate.h"

#include "platform/winapi/WindowPrivate.h"

#include <QApplication>
#include <QDrag>
#include <QDropEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>

#include <map>

// ---- drop targets ---------------------------------------------------------------------------------

namespace {

std::map<HWND, InterfacePtr<IDropTarget>>& Targets()
{
    static std::map<HWND, InterfacePtr<IDropTarget>> Map;
    return Map;
}

/// The drop target of Wnd or of its nearest parent window that has one.
IDropTarget* TargetOf(HWND Wnd, HWND* Owner = nullptr)
{
    for (HWND W = Wnd; IsLiveWindow(W); W = GetParent(W)) {
        const auto It = Targets().find(W);
        if (It != Targets().end()) {
            if (Owner)
                *Owner = W;
            return It->second.Get();
        }
    }
    return nullptr;
}

/// A screen point of the window layer (controls' bounds) for a point of
/// the window system, through the window under it.
TPoint LayerPoint(HWND Under, const QPoint& Global)
{
    if (!IsLiveWindow(Under) || !Under->Widget)
        return Point(Global.x(), Global.y());
    const QPoint Local = Under->Widget->mapFromGlobal(Global);
    return Under->Control->OwnerClientToScreen(Point(Local.x() - Under->Client.Left, Local.y() - Under->Client.Top));
}

DWORD KeyStateNow()
{
    DWORD K = 0;
    if (GetKeyState(VK_LBUTTON) < 0)
        K |= MK_LBUTTON;
    if (GetKeyState(VK_RBUTTON) < 0)
        K |= MK_RBUTTON;
    if (GetKeyState(VK_MBUTTON) < 0)
        K |= MK_MBUTTON;
    if (GetKeyState(VK_SHIFT) < 0)
        K |= MK_SHIFT;
    if (GetKeyState(VK_CONTROL) < 0)
        K |= MK_CONTROL;
    if (GetKeyState(VK_MENU) < 0)
        K |= MK_ALT;
    return K;
}

void NoteModifiers(Qt::KeyboardModifiers M)
{
    SetKeyDown(VK_SHIFT, M & Qt::ShiftModifier);
    SetKeyDown(VK_CONTROL, M & Qt::ControlModifier);
    SetKeyDown(VK_MENU, M & Qt::AltModifier);
}

void NoteInput(Qt::MouseButtons Buttons, Qt::KeyboardModifiers M)
{
    SetKeyDown(VK_LBUTTON, Buttons & Qt::LeftButton);
    SetKeyDown(VK_RBUTTON, Buttons & Qt::RightButton);
    SetKeyDown(VK_MBUTTON, Buttons & Qt::MiddleButton);
    SetKeyDown(VK_SHIFT, M & Qt::ShiftModifier);
    SetKeyDown(VK_CONTROL, M & Qt::ControlModifier);
    SetKeyDown(VK_MENU, M & Qt::AltModifier);
}

Qt::DropActions ActionsOf(DWORD Effects)
{
    Qt::DropActions A;
    if (Effects & DROPEFFECT_COPY)
        A |= Qt::CopyAction;
    if (Effects & DROPEFFECT_MOVE)
        A |= Qt::MoveAction;
    if (Effects & DROPEFFECT_LINK)
        A |= Qt::LinkAction;
    return A;
}

/// The one action for an effect; a target that left the choice open
/// copies, the harmless choice.
Qt::DropAction ActionOf(DWORD Effect)
{
    if (Effect & DROPEFFECT_COPY)
        return Qt::CopyAction;
    if (Effect & DROPEFFECT_MOVE)
        return Qt::MoveAction;
    if (Effect & DROPEFFECT_LINK)
        return Qt::LinkAction;
    return Qt::IgnoreAction;
}

DWORD EffectsOf(Qt::DropActions A)
{
    DWORD E = DROPEFFECT_NONE;
    if (A & Qt::CopyAction)
        E |= DROPEFFECT_COPY;
    if (A & Qt::MoveAction)
        E |= DROPEFFECT_MOVE;
    if (A & Qt::LinkAction)
        E |= DROPEFFECT_LINK;
    return E;
}

}  // namespace

HRESULT RegisterDragDrop(HWND Wnd, IDropTarget* Target)
{
    if (!IsLiveWindow(Wnd))
        return DRAGDROP_E_INVALIDHWND;
    if (!Target)
        return E_INVALIDARG;
    if (Targets().count(Wnd))
        return DRAGDROP_E_ALREADYREGISTERED;
    Targets()[Wnd] = InterfacePtr<IDropTarget>(Target);
    if (Wnd->Widget)
        Wnd->Widget->setAcceptDrops(true);
    return S_OK;
}

HRESULT RevokeDragDrop(HWND Wnd)
{
    const auto It = Targets().find(Wnd);
    if (It == Targets().end())
        return DRAGDROP_E_NOTREGISTERED;
    // Released after it left the table: its owner may revoke again.
    const InterfacePtr<IDropTarget> Target = std::move(It->second);
    Targets().erase(It);
    if (IsLiveWindow(Wnd) && Wnd->Widget)
        Wnd->Widget->setAcceptDrops(false);
    return S_OK;
}

void ForgetDropTarget(HWND Wnd)
{
    if (Targets().count(Wnd))
        RevokeDragDrop(Wnd);
}

// ---- the drag loop ---------------------------------------------------------------------------------

namespace {

struct OleDrag {
    InterfacePtr<IDataObject> Data;
    InterfacePtr<IDropSource> Source;
    DWORD OkEffects = DROPEFFECT_NONE;
    /// The target under the mouse and its window; null when none.
    InterfacePtr<IDropTarget> Target;
    HWND TargetWnd = nullptr;
    /// What the target last proposed, within the allowed effects (with
    /// DROPEFFECT_SCROLL while it scrolls).
    DWORD Effect = DROPEFFECT_NONE;
    QPoint Global;
    bool Done = false;
    HRESULT Result = DRAGDROP_S_CANCEL;
    QEventLoop* Loop = nullptr;
};

OleDrag* gOleDrag = nullptr;

void Finish(OleDrag& D, HRESULT Result, DWORD Effect)
{
    D.Result = Result;
    D.Effect = Effect;
    D.Done = true;
    D.Target = InterfacePtr<IDropTarget>();
    if (D.Loop)
        D.Loop->quit();
}

void ShowFeedback(OleDrag& D)
{
    if (D.Source->GiveFeedback(D.Effect) != DRAGDROP_S_USEDEFAULTCURSORS)
        return;
    Qt::CursorShape Shape = Qt::ForbiddenCursor;
    switch (ActionOf(D.Effect)) {
    case Qt::CopyAction: Shape = Qt::DragCopyCursor; break;
    case Qt::MoveAction: Shape = Qt::DragMoveCursor; break;
    case Qt::LinkAction: Shape = Qt::DragLinkCursor; break;
    default: break;
    }
    QGuiApplication::changeOverrideCursor(QCursor(Shape));
}

/// The window system's drag takes the data to another program.
void HandOver(OleDrag& D, HWND From)
{
    auto* Drag = new QDrag(From && From->Widget ? static_cast<QObject*>(From->Widget.data()) : qApp);
    Drag->setMimeData(new DataObjectMime(D.Data.Get()));
    const Qt::DropAction Done = Drag->exec(ActionsOf(D.OkEffects), ActionOf(D.OkEffects));
    const DWORD Effect = EffectsOf(Done) & D.OkEffects;
    Finish(D, Effect ? DRAGDROP_S_DROP : DRAGDROP_S_CANCEL, Effect);
}

void Drop(OleDrag& D, DWORD KeyState, const TPoint& Pos)
{
    if (!D.Target || (D.Effect & ~DWORD(DROPEFFECT_SCROLL)) == DROPEFFECT_NONE) {
        if (D.Target)
            D.Target->DragLeave();
        Finish(D, DRAGDROP_S_CANCEL, DROPEFFECT_NONE);
        return;
    }
    DWORD Effect = D.OkEffects;
    const InterfacePtr<IDropTarget> Target = D.Target;
    if (Failed(Target->Drop(D.Data.Get(), KeyState, Pos, &Effect)))
        Effect = DROPEFFECT_NONE;
    Effect &= D.OkEffects;
    Finish(D, Effect ? DRAGDROP_S_DROP : DRAGDROP_S_CANCEL, Effect);
}

/// One change of input: asks the source whether to go on, then the target
/// under the mouse.
void Step(OleDrag& D, bool Escape, HWND From)
{
    const DWORD KeyState = KeyStateNow();
    HWND Under = WindowFromPoint(Point(D.Global.x(), D.Global.y()));
    const TPoint Pos = LayerPoint(Under, D.Global);
    const HRESULT Go = D.Source->QueryContinueDrag(Escape, KeyState);
    if (Go == DRAGDROP_S_DROP) {
        Drop(D, KeyState, Pos);
        return;
    }
    if (Go != S_OK) {
        if (D.Target)
            D.Target->DragLeave();
        Finish(D, DRAGDROP_S_CANCEL, DROPEFFECT_NONE);
        return;
    }
    HWND TargetWnd = nullptr;
    IDropTarget* Target = TargetOf(Under, &TargetWnd);
    if (TargetWnd != D.TargetWnd || !SameObject(Target, D.Target.Get())) {
        if (D.Target)
            D.Target->DragLeave();
        D.Target = InterfacePtr<IDropTarget>(Target);
        D.TargetWnd = TargetWnd;
        D.Effect = DROPEFFECT_NONE;
        // Only a button really held on a real display can drag into
        // another program (simulated input never leaves the program).
        if (!Under && QGuiApplication::platformName() != QLatin1String("offscreen") &&
            (QGuiApplication::mouseButtons() & Qt::LeftButton)) {
            HandOver(D, From);
            return;
        }
        if (D.Target) {
            DWORD Effect = D.OkEffects;
            if (Failed(D.Target->DragEnter(D.Data.Get(), KeyState, Pos, &Effect)))
                Effect = DROPEFFECT_NONE;
            D.Effect = Effect & (D.OkEffects | DROPEFFECT_SCROLL);
        }
    } else if (D.Target) {
        DWORD Effect = D.OkEffects;
        if (Failed(D.Target->DragOver(KeyState, Pos, &Effect)))
            Effect = DROPEFFECT_NONE;
        D.Effect = Effect & (D.OkEffects | DROPEFFECT_SCROLL);
    }
    ShowFeedback(D);
}

}  // namespace

bool OleDragInput(HWND Wnd, QEvent* Event)
{
    OleDrag* D = gOleDrag;
    if (!D || D->Done)
        return false;
    bool Escape = false;
    switch (Event->type()) {
    case QEvent::MouseMove:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick: {
        auto* E = static_cast<QMouseEvent*>(Event);
        NoteInput(E->buttons(), E->modifiers());
        D->Global = E->globalPosition().toPoint();
        SetCursorPos(D->Global.x(), D->Global.y());
        break;
    }
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        auto* E = static_cast<QKeyEvent*>(Event);
        NoteModifiers(E->modifiers());
        Escape = Event->type() == QEvent::KeyPress && E->key() == Qt::Key_Escape;
        break;
    }
    default: return false;
    }
    Barrier([&] {
        try {
            Step(*D, Escape, Wnd);
        } catch (...) {
            // A failing source or target ends the drag; the barrier reports it.
            Finish(*D, DRAGDROP_S_CANCEL, DROPEFFECT_NONE);
            throw;
        }
    });
    return true;
}

HRESULT DoDragDrop(IDataObject* Data, IDropSource* Source, DWORD OkEffects, DWORD* Effect)
{
    if (!Data || !Source || !Effect)
        return E_INVALIDARG;
    *Effect = DROPEFFECT_NONE;
    if (gOleDrag)
        return E_UNEXPECTED;
    OleDrag D;
    D.Data = InterfacePtr<IDataObject>(Data);
    D.Source = InterfacePtr<IDropSource>(Source);
    D.OkEffects = OkEffects & (DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK);
    TPoint P;
    GetCursorPos(P);
    D.Global = QPoint(P.X, P.Y);
    gOleDrag = &D;
    struct Restore {
        ~Restore()
        {
            gOleDrag = nullptr;
            QGuiApplication::restoreOverrideCursor();
        }
    } Guard;
    QGuiApplication::setOverrideCursor(QCursor(Qt::ForbiddenCursor));
    HWND From = GetCapture();
    Step(D, false, From);
    if (!D.Done) {
        QEventLoop Loop;
        D.Loop = &Loop;
        Loop.exec();
    }
    *Effect = D.Effect;
    return D.Result;
}

// ---- drops through the window system ------------------------------------------------------------------

namespace {

/// The drag of the window system over one of our windows.
struct SystemDrop {
    HWND Wnd = nullptr;
    InterfacePtr<IDropTarget> Target;
    InterfacePtr<IDataObject> Data;
};

SystemDrop& CurrentSystemDrop()
{
    static SystemDrop Drop;
    return Drop;
}

}  // namespace

bool OleSystemDragEvent(HWND Wnd, QEvent* Event)
{
    SystemDrop& gSystemDrop = CurrentSystemDrop();
    const QEvent::Type T = Event->type();
    if (T == QEvent::DragLeave) {
        if (gSystemDrop.Target && gSystemDrop.Wnd == Wnd) {
            const InterfacePtr<IDropTarget> Target = std::move(gSystemDrop.Target);
            gSystemDrop = SystemDrop();
            Barrier([&] { Target->DragLeave(); });
        }
        return true;
    }
    auto* E = static_cast<QDropEvent*>(Event);
    NoteInput(E->buttons(), E->modifiers());
    DWORD KeyState = KeyStateNow();
    const TPoint Pos = LayerPoint(Wnd, Wnd->Widget ? Wnd->Widget->mapToGlobal(E->position().toPoint()) : QPoint());
    DWORD Effect = EffectsOf(E->possibleActions());
    HRESULT R = E_FAIL;
    if (T == QEvent::DragEnter) {
        IDropTarget* Target = TargetOf(Wnd);
        if (!Target) {
            E->ignore();
            return true;
        }
        gSystemDrop.Wnd = Wnd;
        gSystemDrop.Target = InterfacePtr<IDropTarget>(Target);
        gSystemDrop.Data = InterfacePtr<IDataObject>::Attach(DataObjectOf(E->mimeData()));
        Barrier([&] { R = gSystemDrop.Target->DragEnter(gSystemDrop.Data.Get(), KeyState, Pos, &Effect); });
        // Entering is taken in any case, so the target keeps being asked
        // as the mouse moves on.
        E->setDropAction(Succeeded(R) ? ActionOf(Effect) : Qt::IgnoreAction);
        E->accept();
        return true;
    }
    if (!gSystemDrop.Target || gSystemDrop.Wnd != Wnd) {
        E->ignore();
        return true;
    }
    if (T == QEvent::DragMove) {
        Barrier([&] { R = gSystemDrop.Target->DragOver(KeyState, Pos, &Effect); });
    } else {
        const SystemDrop Drop = std::move(gSystemDrop);
        gSystemDrop = SystemDrop();
        // The target may read the data after the drop: it is copied now.
        KeepMimeData(Drop.Data.Get());
        Barrier([&] { R = Drop.Target->Drop(Drop.Data.Get(), KeyState, Pos, &Effect); });
    }
    const Qt::DropAction A = Succeeded(R) ? ActionOf(Effect) : Qt::IgnoreAction;
    E->setDropAction(A);
    if (A == Qt::IgnoreAction)
        E->ignore();
    else
        E->accept();
    return true;
}

#pragma once

// Inside of the window layer (platform/winapi and platform/forms .cpp files only): the native
// window record behind an HWND, the Qt widget that forwards events as
// messages, the posted-message queue and the exception barrier.

#include "platform/forms/Controls.h"
#include "platform/winapi/GdiPrivate.h"

#include <QPointer>
#include <QRegion>
#include <QWidget>

#include <deque>
#include <functional>

class QEvent;
class QPainter;

/// The state of one of a window's own scroll bars.
struct ScrollBarState {
    int Min = 0;
    int Max = 100;
    UINT Page = 0;
    int Pos = 0;
    int TrackPos = 0;
    bool Enabled = true;
};

/// One native window.
struct HWND__ {
    ScrollBarState Scroll[3];  // SB_HORZ, SB_VERT, SB_CTL (a scroll bar control)
    TWinControl* Control = nullptr;
    /// The widget; for our own widgets the pixels come from Backing.
    QPointer<QWidget> Widget;
    /// True for the widgets made by TWinControl::CreateWidget's base (they
    /// paint through messages); false for Qt's own controls.
    bool OwnPainting = true;
    /// The window's pixels (window coordinates: frame and client).
    HBITMAP Backing = nullptr;
    /// What must be repainted (window coordinates).
    QRegion Invalid;
    bool EraseNeeded = true;
    uint32_t Style = 0;
    uint32_t ExStyle = 0;
    uint32_t ClassStyle = 0;
    /// Owner window (GWL_HWNDPARENT), for forms.
    HWND Owner = nullptr;
    /// The client rectangle within the window (after WM_NCCALCSIZE), kept
    /// from the last move, size or frame change as the window system keeps
    /// it; ClientValid once it was worked out.
    TRect Client;
    bool ClientValid = false;
    /// Top-level windows: the frame the window system would draw, outside
    /// the widget (left, top, right, bottom widths).
    TRect Frame;
    bool TopLevel = false;
    bool Destroying = false;
    /// Drawing over the children (GetDCEx without DCX_CLIPCHILDREN): an
    /// image of XOR patterns that a widget above the children shows by
    /// XOR-ing it into what lies below. Made on first use.
    QPointer<QWidget> Overlay;
    HBITMAP OverlayMask = nullptr;
};

/// The part of a top-level window its widget covers (window coordinates):
/// the client rectangle and, above it, the menu bar's band.
TRect TopLevelWidgetRect(TWinControl* Control);
/// The height of the menu bar's band of a form with a menu; 0 otherwise.
int MenuBarHeight(TWinControl* Control);
/// Paints a form's menu bar into Band (window coordinates of DC).
void PaintMenuBar(TCustomForm& Form, HDC DC, const TRect& Band);
/// A mouse press at a screen point on the menu bar: opens the item's
/// drop-down menu or clicks an item without sub-items.
void MenuBarMouseDown(TCustomForm& Form, const TPoint& ScreenPos);
/// The menu key (F10, Key 0) or Alt with Key: opens the first drop-down
/// menu or the one whose caption marks Key; true when an item was found.
bool MenuBarKey(TCustomForm& Form, Word Key);

/// Whether the drag image of the image lists is shown, and where.
bool DragImageWindowShown(TPoint& ScreenTopLeft);

/// Every live window; IsWindow looks here.
bool IsLiveWindow(HWND Wnd);
void RegisterWindow(HWND Wnd);
void UnregisterWindow(HWND Wnd);
/// Takes a destroyed window's record out of use. Records are kept, so a
/// handle value is never given to another window and a stale handle stays
/// dead (IsWindow false, messages to it dropped).
void RetireWindow(HWND Wnd);

/// The widget class of windows that paint themselves through messages.
class ControlWidget : public QWidget {
public:
    ControlWidget(HWND Wnd, QWidget* Parent);
    /// Forgets its window, also when Qt frees it before the window goes.
    ~ControlWidget() override;
    HWND Window() const { return FWnd; }

protected:
    bool event(QEvent* Event) override;
    void paintEvent(QPaintEvent* Event) override;

private:
    HWND FWnd;
};

/// Turns Qt events of a window's widget into messages; true when the event
/// was consumed (false lets a native widget handle it).
bool TranslateEvent(HWND Wnd, QEvent* Event);
/// Installs the translator on a native widget (Qt's own controls).
void InstallBridge(HWND Wnd, QWidget* Widget);

/// The default handling of a message by a window of Qt's own controls:
/// the widget handles the Qt event the message was made from (keys go
/// without their text, which comes with WM_CHAR).
void PassToNativeWidget(HWND Wnd, const TMessage& Message);

/// Paints the window's scroll bars (WS_HSCROLL/WS_VSCROLL) into DC, whose
/// origin is the window's top-left corner.
void PaintScrollBars(HWND Wnd, HDC DC);
/// Handles a mouse message at a window point (widget coordinates) on the
/// window's scroll bars: clicks on arrows and track send WM_HSCROLL or
/// WM_VSCROLL, the thumb is dragged. True when the point was on a bar or a
/// drag of the thumb is under way.
bool ScrollBarMouse(HWND Wnd, UINT Msg, int X, int Y);
/// Draws the caret over the pixels of Wnd's widget when Wnd owns it and it
/// is shown (Caret.cpp).
void PaintCaret(HWND Wnd, QPainter& Painter);

/// The screen point of the top-left corner of the window's backing image
/// (what GetWindowDC draws at 0, 0).
QPoint WindowScreenOrigin(HWND Wnd);
/// Sends WM_NCPAINT for Frame (backing-image coordinates): WParam is 1
/// when Frame covers the whole frame, else a region in screen coordinates
/// that lives for the call.
void SendNCPaint(HWND Wnd, const QRegion& Frame);
/// Paints the invalid part of the window into its backing image (sends
/// WM_NCPAINT, WM_ERASEBKGND and WM_PAINT) and clears it.
void PaintInvalid(HWND Wnd);
/// Resizes the backing image to the window size, invalidating all.
void ResizeBacking(HWND Wnd, int Width, int Height);
/// Marks a window-coordinate region for repainting and asks Qt to show it.
void InvalidateWindow(HWND Wnd, const QRegion& Region, bool Erase);

/// Calls a message handler of Self with the message as record Rec and
/// writes the record's results back into M.
template <class Rec, class C, class H>
void Call(TMessage& M, C* Self, H Handler)
{
    Rec R(M);
    (Self->*Handler)(R);
    R.Store(M);
}

/// Lends a paint message's DC to a control's canvas: the canvas is locked
/// and holds DC for the scope; every exit, exceptions included, takes the
/// handle back and unlocks it.
class CanvasPaintScope {
public:
    CanvasPaintScope(TCanvas& Canvas, HDC DC) : FCanvas(Canvas)
    {
        FCanvas.Lock();
        FCanvas.SetHandle(DC);
    }
    ~CanvasPaintScope()
    {
        FCanvas.SetHandle(nullptr);
        FCanvas.Unlock();
    }
    CanvasPaintScope(const CanvasPaintScope&) = delete;
    CanvasPaintScope& operator=(const CanvasPaintScope&) = delete;

private:
    TCanvas& FCanvas;
};

/// Runs F; an exception is passed to Application->HandleException (EAbort
/// silently) and never leaves. Every entry from Qt goes through it.
void Barrier(const std::function<void()>& F);

/// Whether the caller runs on the thread that owns the windows (the
/// event loop's).
bool OnWindowThread();
/// SendMessage from another thread: the message runs on the window thread
/// and the caller waits for its Result (0 when no window thread answers).
LRESULT SendFromOtherThread(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);
/// Runs the messages other threads wait on (window thread only).
void DispatchSentMessages();
/// Lets other threads send (start-up) or answers every waiting sender 0 and
/// refuses new ones (shut-down).
void SetSentMessagesOpen(bool Open);

/// The posted-message queue.
void PostToQueue(const MSG& Msg);
/// Dispatches the first queued message; false when the queue is empty.
bool DispatchQueued();
/// True when a WM_QUIT has been taken from the queue.
bool QuitReceived();
void ClearQuit();
int QuitCode();

/// A message for Control while a drag between controls runs: the drag's
/// mouse moves and button releases (source only), Escape, and the loss of
/// the capture; true when the drag took the message.
bool HandleDragMessage(TControl& Control, TMessage& Message);
/// Forgets a control being freed in the drag: a freed source ends the
/// drag without telling it, a freed target is no longer asked.
void ForgetDragControl(TControl* Control);

/// Input while DoDragDrop runs goes to its loop; true when it took Event.
bool OleDragInput(HWND Wnd, QEvent* Event);
/// A drag of the window system over Wnd (enter, move, leave, drop) for
/// its registered drop target; true (the event is answered).
bool OleSystemDragEvent(HWND Wnd, QEvent* Event);
/// Releases the drop target of a window being destroyed.
void ForgetDropTarget(HWND Wnd);

/// Mouse-move bookkeeping: the control under the mouse changed.
void SetMouseControl(TControl* Control);
/// The focused window as the program sees it.
HWND FocusedWindow();
void SetFocusedWindow(HWND Wnd);
/// Forgets a window being destroyed in the focus, capture and mouse state.
void ForgetWindow(HWND Wnd);
void ForgetControl(TControl* Control);
/// Key state table behind GetKeyState.
void SetKeyDown(int VirtualKey, bool Down);
/// Applies a cursor shape to the widget under the mouse.
void ApplyCursor(QWidget* Widget, HCURSOR Cursor);

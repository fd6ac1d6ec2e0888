#pragma once

// Inside of the window layer (its .cpp files and the class library's): the native
// window record behind an HWND, the Qt widget that forwards events as
// messages, the posted-message queue and the exception barrier.

#include "platform/winapi/WindowOwner.h"
#include "platform/winapi/GdiPrivate.h"

#include <QCursor>
#include <QPointer>
#include <QRegion>
#include <QWidget>

#include <deque>
#include <optional>
#include <functional>
#include <memory>

class DcBackend;
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
    TWindowOwner* Control = nullptr;
    /// The widget; for our own widgets the pixels come from Backing.
    QPointer<QWidget> Widget;
    /// True for the widgets the window layer makes itself (they
    /// paint through messages); false for Qt's own controls.
    bool OwnPainting = true;
    /// The window's pixels (window coordinates: frame and client), made on
    /// first use by AcquireBacking: a shown child inside its parent draws
    /// straight into the parent's pixels (SharedBacking: a view of them at
    /// the child's place), so only top-level windows, hidden windows and
    /// children reaching out of their parent hold images of their own.
    HBITMAP Backing = nullptr;
    bool SharedBacking = false;
    /// True once the window got pixels. Until then it is wholly invalid
    /// from its making, with its paint asked for, and no other window's
    /// pixels lie in its own.
    bool HadBacking = false;
    /// The memory under Backing (the top-level window's for a view); the
    /// image's first pixel when it was made, so that an image Qt copied
    /// away from the memory is noticed and made again.
    std::shared_ptr<unsigned char[]> Pixels;
    const unsigned char* BackingBits = nullptr;
    /// The size the backing image must have (the widget's, at least 1x1);
    /// empty until the window's geometry is first applied.
    QSize BackingSize;
    /// A shown child: where it lies in its parent (parent widget
    /// coordinates). The parent does not draw there, so it repaints the
    /// place when the child moves, hides, is restacked or goes.
    QRect Place;
    bool PlaceShown = false;
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
    /// Top-level windows seen through (LayeredWindows.cpp): the opacity
    /// given to a layered window, and the part of the window shown (window
    /// coordinates; none: all of it).
    Byte Alpha = 255;
    bool AlphaSet = false;
    std::optional<QRegion> WindowRegion;
};



/// The opacity the window shows with: its layered alpha while it has
/// WS_EX_LAYERED, else 255.
Byte EffectiveWindowAlpha(HWND Wnd);
/// Gives a top-level window's widget the opacity of its style and alpha
/// (after its extended style changed).
void ApplyLayeredStyle(HWND Wnd);

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
/// Puts a scrolled window's content on one of its frame bars: Count
/// positions (items, lines or pixels), Page of them shown, Pos the first
/// shown. The bar shows only while Count is above Page; Pos is held in
/// 0..Count-Page. Returns the held position (also without a window).
int SyncScrollBar(HWND Wnd, int Bar, int Count, int Page, int Pos);
/// The first shown position a WM_HSCROLL/WM_VSCROLL code asks for: Line
/// positions for an arrow, the bar's page for a page click, the track
/// position for the thumb, 0 or the end for SB_TOP/SB_BOTTOM; held in the
/// bar's range. The current position for SB_ENDSCROLL and unknown codes.
int ScrolledPos(HWND Wnd, int Bar, int Code, int Line);
/// Paints a scroll bar control (SB_CTL, the whole client area) into its
/// paint DC.
void PaintScrollBarControl(HWND Wnd, HDC DC);
/// The mouse on a scroll bar control (client pixels): presses on arrows,
/// track and thumb send WM_HSCROLL/WM_VSCROLL with the control's handle to
/// its parent, as long as the button is held.
void ScrollBarControlMouse(HWND Wnd, UINT Msg, int X, int Y);
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
/// WM_NCPAINT, WM_ERASEBKGND and WM_PAINT) and clears it. A hidden window
/// is not painted: its invalid part waits until it shows.
void PaintInvalid(HWND Wnd);
/// Sets the size of the window's pixels (at least 1x1), invalidating all
/// when it changed; the image itself is made on first use.
void ResizeBacking(HWND Wnd, int Width, int Height);
/// The window's backing image, made or brought up to date first: a view
/// of the parent's pixels for a shown child that lies inside its parent,
/// an image of its own otherwise (filled with the button face colour). A
/// new or moved image invalidates the window and its children. Null for a
/// window being destroyed.
HBITMAP AcquireBacking(HWND Wnd);
/// The surface of a window DC: the window's backing image, acquired when
/// the DC first draws or reads pixels (a DC that only measures text makes
/// none). Its size is the window's from the start.
std::unique_ptr<DcBackend> MakeWindowBackend(HWND Wnd);
/// Frees the window's backing image when the window goes; the parent
/// repaints where the window's pixels lay in its own.
void ReleaseBacking(HWND Wnd);
/// Where drawing on the window's pixels may land (window coordinates): the
/// whole image for a hidden window; for a shown one the image less its
/// shown child windows and, while its pixels lie in its parent's, inside
/// the parent and less the siblings above it (and so on up).
QRegion DrawableRegion(HWND Wnd);
/// Follows a move, size, show, hide or restacking of a window's widget:
/// what the window's pixels covered in its parent's is repainted there,
/// and a window shown or moved repaints (with its children).
void NoteWidgetShape(HWND Wnd, QEvent* Event);
/// Marks a window-coordinate region for repainting and asks Qt to show it.
void InvalidateWindow(HWND Wnd, const QRegion& Region, bool Erase);


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


/// Input while DoDragDrop runs goes to its loop; true when it took Event.
bool OleDragInput(HWND Wnd, QEvent* Event);
/// A drag of the window system over Wnd (enter, move, leave, drop) for
/// its registered drop target; true (the event is answered).
bool OleSystemDragEvent(HWND Wnd, QEvent* Event);
/// Releases the drop target of a window being destroyed.
void ForgetDropTarget(HWND Wnd);

/// The window of a widget: its own, or the nearest parent's that has one.
HWND WindowOfWidget(QWidget* W);
/// The window made for exactly this widget; null for any other widget.
HWND OwnWindowOfWidget(QWidget* W);
/// The whole screen (all monitors), screen pixels; empty without screens.
TRect DesktopRect();
/// A DC on the picture of the program's windows over the desktop rectangle
/// (see GetDesktopWindow); null off the window thread or without screens.
HDC DesktopDC();
/// The picture behind a cursor handle (a shape or a picture of the program);
/// false for an unknown handle.
bool CursorOf(HCURSOR Cursor, QCursor& Result);

/// The focused window as the program sees it.
HWND FocusedWindow();
void SetFocusedWindow(HWND Wnd);
/// Forgets a window being destroyed in the focus and capture state.
void ForgetWindow(HWND Wnd);
/// Key state table behind GetKeyState.
void SetKeyDown(int VirtualKey, bool Down);
/// Applies a cursor shape to the widget under the mouse.
void ApplyCursor(QWidget* Widget, HCURSOR Cursor);

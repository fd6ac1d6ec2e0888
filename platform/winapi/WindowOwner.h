#pragma once

// What the window layer asks of the layer above it. Every window belongs to
// an owner (the control it was made for), which holds the window's bounds
// and handles its messages; the host (the application) is told of input,
// exceptions and activation. The window layer knows both only through
// these interfaces.

#include "platform/winapi/Messages.h"
#include "platform/winapi/Windows.h"

#include <vector>

/// The owner of one window: the window's messages and geometry.
class TWindowOwner {
public:
    /// Handles a message for the window.
    virtual LRESULT OwnerPerform(UINT Msg, WPARAM WParam, LPARAM LParam) = 0;
    /// The window's bounds: in its parent's client area, on the screen for
    /// a top-level window.
    virtual TRect OwnerBounds() = 0;
    virtual void OwnerSetBounds(int Left, int Top, int Width, int Height) = 0;
    /// The client area in client coordinates (0, 0 at its top-left).
    virtual TRect OwnerClientRect() = 0;
    /// The client area within the window (window coordinates).
    virtual TRect OwnerWindowClientRect() = 0;
    /// The screen point of the client area's top-left corner.
    virtual TPoint OwnerClientOrigin() = 0;
    virtual TPoint OwnerClientToScreen(const TPoint& P) = 0;
    virtual TPoint OwnerScreenToClient(const TPoint& P) = 0;
    /// The parent's window; null for none or a parent without one yet.
    virtual HWND OwnerParentWindow() = 0;
    virtual bool OwnerShowing() = 0;
    virtual bool OwnerEnabled() = 0;
    /// The part of a top-level window its widget covers (window
    /// coordinates).
    virtual TRect OwnerWidgetRect() = 0;
    /// Whether the window lies in a form that is not the active one.
    virtual bool OwnerFormInactive() = 0;
    /// Activates the window's form (How: WA_ACTIVE or WA_CLICKACTIVE).
    virtual void OwnerActivateForm(WPARAM How) = 0;
    /// The windows of the owner's children that have one.
    virtual void OwnerChildWindows(std::vector<HWND>& Windows) = 0;

protected:
    ~TWindowOwner() = default;
};

/// The application above the window layer. Every call may raise; the window
/// layer runs them inside its exception barrier.
class TWindowHost {
public:
    /// An exception reached the window layer's barrier (the current one).
    virtual void HandleException() = 0;
    /// A message taken from the queue, before it is dispatched; true when
    /// the host handled it.
    virtual bool FilterMessage(MSG& Msg) = 0;
    /// A queued message without a window.
    virtual void ThreadMessage(TMessage& Message) = 0;
    /// A key or click is about to be sent to Wnd.
    virtual void InputMessage(const MSG& Msg) = 0;
    /// The mouse at client point X, Y of Wnd (Msg a WM_ mouse message with
    /// its key flags).
    virtual void MouseAt(HWND Wnd, int X, int Y, UINT Msg, UINT Keys) = 0;
    /// The mouse left the widget of Wnd.
    virtual void MouseLeft(HWND Wnd) = 0;
    /// The capture was released.
    virtual void CaptureReleased() = 0;
    /// A top-level window was minimized or restored by the window system.
    virtual void WindowMinimized(HWND Wnd, bool Minimized) = 0;
    /// The active form's window; null when none.
    virtual HWND ActiveWindow() = 0;
    /// The cursor a window shows where its owner sets none; false when the
    /// application's own cursor stands over every window.
    virtual bool DefaultCursor(HCURSOR& Cursor) = 0;
    /// Layout that waits for input to come is done now.
    virtual void AlignPending() = 0;

protected:
    ~TWindowHost() = default;
};

/// The host of every window; null until the application sets it.
void SetWindowHost(TWindowHost* Host);
TWindowHost* WindowHost();

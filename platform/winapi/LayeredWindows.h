#pragma once

// A top-level window seen through: its opacity as a whole (a layered
// window, WS_EX_LAYERED) and the region of it that shows at all (a window
// region). Both reach the window system (Qt's window opacity and mask)
// and the desktop's picture of the program's windows (GetDesktopWindow),
// so what a test reads back is what the screen shows. Child windows have
// neither: the calls fail for them.

#include "platform/winapi/Windows.h"

enum : DWORD { LWA_COLORKEY = 1, LWA_ALPHA = 2 };

/// Opacity of a layered top-level window (WS_EX_LAYERED in its extended
/// style): with LWA_ALPHA in Flags, Alpha 0 (not seen) .. 255 (opaque).
/// The colour key is not supported: false for LWA_COLORKEY, and for a
/// dead, child or not layered window. The opacity holds while the window
/// keeps WS_EX_LAYERED; taking the style away shows it opaque again.
BOOL SetLayeredWindowAttributes(HWND Wnd, COLORREF Key, Byte Alpha, DWORD Flags);
/// What SetLayeredWindowAttributes set (Key 0, Flags LWA_ALPHA); false for
/// a window that is not layered or was never given an opacity. Null
/// pointers are skipped.
BOOL GetLayeredWindowAttributes(HWND Wnd, COLORREF* Key, Byte* Alpha, DWORD* Flags);

/// Shows only the part of a top-level window inside Region (window
/// coordinates: (0, 0) is its top-left corner); null shows it whole. The
/// window takes the region: the caller must not use or delete it
/// afterwards, also when the call fails (false for a dead or child
/// window). Redraw is accepted for the call's shape; the window shows
/// its new outline at once.
int SetWindowRgn(HWND Wnd, HRGN Region, BOOL Redraw);
/// Copies the window's region into Region (an existing region of the
/// caller); the region's kind, or ERROR when the window has none.
int GetWindowRgn(HWND Wnd, HRGN Region);

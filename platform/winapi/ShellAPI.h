#pragma once

// Files dropped on a window from the desktop or a file manager. A window
// that accepts them (DragAcceptFiles) gets WM_DROPFILES with the drop's
// handle in WParam; DragQueryFile reads the names (CP1251; a character the
// code page lacks becomes '?') and DragFinish frees the handle. A handle
// the receiver did not finish is freed when the message returns.

#include "platform/winapi/Windows.h"
#include "platform/rtl/AnsiString.h"
#include "platform/rtl/Types.h"

#include <vector>

struct DropData;
using HDROP = DropData*;

/// Starts (or stops) letting files be dropped on Wnd.
void DragAcceptFiles(HWND Wnd, BOOL Accept);
/// Whether Wnd takes dropped files now.
bool AcceptsDroppedFiles(HWND Wnd);
/// With Index 0xFFFFFFFF the number of files. Otherwise copies the name of
/// file Index (0-based) into Buffer, at most Size - 1 bytes and a 0, and
/// returns the bytes copied; with a null Buffer the name's length. 0 for a
/// bad index or handle.
UINT DragQueryFile(HDROP Drop, UINT Index, char* Buffer, UINT Size);
/// The name of file Index; '' for a bad index or handle.
AnsiString DragQueryFileName(HDROP Drop, UINT Index);
/// The drop point in Wnd's client pixels; false for a null handle.
BOOL DragQueryPoint(HDROP Drop, TPoint& Point);
/// Frees the handle (a second call or a null handle does nothing).
void DragFinish(HDROP Drop);

/// Delivers a drop of Files (full names, CP1251) at a client point to Wnd
/// as the window system would: WM_DROPFILES when Wnd accepts files; false
/// when it does not. Used by the event bridge and by tests.
bool DeliverDroppedFiles(HWND Wnd, const std::vector<AnsiString>& Files, TPoint Point);
/// Drops Files on the window at a client point the way a file manager
/// does (a drop event of the window system on its widget), for tests.
void SimulateDropFiles(HWND Wnd, const std::vector<AnsiString>& Files, TPoint Point);

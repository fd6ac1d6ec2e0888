#pragma once

// The end of the user's session. The desktop ends a program at logout or
// shutdown with SIGTERM, SIGHUP comes when the terminal it was started from
// goes away, and an operator may press Ctrl+C there. None of them may take
// the open work with it: the signal becomes the session-end messages, sent
// on the window thread to every top-level window (WM_QUERYENDSESSION, whose
// answer cannot stop a signal, then WM_ENDSESSION with a non-zero WParam), and then the
// message loop is asked to quit, so the program ends through its normal
// exit. A second signal while that runs ends the process at once.

#include "platform/winapi/Windows.h"

constexpr UINT WM_QUERYENDSESSION = 0x0011;
constexpr UINT WM_ENDSESSION = 0x0016;
constexpr LPARAM ENDSESSION_CLOSEAPP = 0x00000001;

/// Turns SIGTERM, SIGHUP and SIGINT into the end of the session. Call once,
/// on the window thread, after the application object is made.
void InstallEndSessionSignals();

#pragma once

// The report windows of a failing program, shown by a process of its own:
// the window layer draws only on the program's main thread, which may be
// the one that failed or froze. The failing process writes the report and
// the options into its private report folder and starts its own program
// file with "--report-window <folder> <read fd> <write fd>"; that process
// shows the main report window and the steps request, answers the choices
// (send, screenshot, copy, terminate) over a pipe, and, when asked after the
// log is saved, sends the report with the progress window and answers the
// result. Without a window (the process cannot start or show one) the
// failing process goes on as without a dialog.
//
// A report process never starts another: a failure inside it is written to
// standard error only.
//
// Test hooks (environment): PRICETAGS_REPORT_WINDOW_ANSWER = "ok", "send",
// "terminate" presses that choice once the window is painted;
// PRICETAGS_REPORT_WINDOW_PNG names a PNG file that gets the window's
// picture first; PRICETAGS_REPORT_WINDOW_TIMES names a file that gets lines
// "<step> <monotonic nanoseconds>": "ready" (the report process can show
// windows), "report" (the report is made and handed over), "shown" (the
// window is on the screen).

#include "exceptionlog/Sending.h"
#include "platform/rtl/AnsiString.h"

/// Makes the report process the exception dialog of this program.
void InstallReportWindowProcess();

/// The main of the report process: argv as the program got it; the exit
/// code. Called by the program's main when argv[1] is "--report-window".
int RunReportWindowProcess(int argc, char** argv);
/// Whether argv asks for the report process.
[[nodiscard]] bool IsReportWindowCommand(int argc, char** argv);

/// Starts the report process at the beginning of a report run, so that it
/// gets ready while the report is made; nothing when not installed, in a
/// report process, or when one is ready already. EndReportWindow lets it go
/// when the run shows no window.
void PrepareReportWindow();
/// After the log is saved: a report window that waits sends Job (with the
/// progress window); true when it took the send (Sent: its result). False
/// when no report window waits: send as usual.
bool SendFromReportWindow(const SendJob& Job, bool& Sent);
/// Lets a waiting report window go without sending.
void EndReportWindow();

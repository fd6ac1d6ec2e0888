#pragma once

// Exception processing: the road of one exception from a hook to the
// finished report and the closing action. The hooks (Hooks.h) and hang
// detection (FreezeDetection.h) describe what they saw in an
// ExceptionFacts; HandleExceptionWaiting serialises the runs, and
// ProcessException chooses the options, builds the call stacks, checks the
// filters, the known reports and bursts, writes the report to the log and
// to standard error (or hands it to the report dialog once one is
// installed), and ends or restarts the program when that was requested.
//
// A run happens on the thread that raised; nothing runs while the exception
// log is inactive (the program ships so).

#include "exceptionlog/LogText.h"

#include "platform/rtl/AnsiString.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Types.h"

#include <sys/types.h>

#include <cstdint>
#include <exception>
#include <optional>
#include <string>
#include <vector>

class TRazuroModuleOptions;

/// A use of the exception log that needs it active while it is not.
PRICETAGS_EXCEPTION(EAssertionFailed, Exception);

/// Kinds of a recorded exception: seen when the system raised it or when
/// it escaped (0), passed on by the program's exception handler (1), by a
/// web handler (2).
enum : Byte { ekSystem = 0, ekRaised = 1, ekWeb = 2 };

/// What a hook knows of one exception.
struct ExceptionFacts {
    AnsiString ClassName;
    AnsiString Message;
    /// An exception of the runtime's classes (Exception and derived);
    /// otherwise the message counts as unknown.
    bool RuntimeException = true;
    /// EAbort and its kind: never reported.
    bool Silent = false;
    /// Where it was raised (or the faulting instruction); 0 unknown.
    uint64_t Address = 0;
    Byte Kind = ekRaised;
    /// The raising thread's return addresses, innermost first. With
    /// AddressInStack the first of them is the address above (a throw's
    /// return address); otherwise the address is the exact instruction.
    std::vector<uintptr_t> Stack;
    bool AddressInStack = false;
    std::optional<CPUContext> Context;
    /// The thread the exception belongs to (0: the calling thread).
    pid_t ThreadID = 0;
};

/// Facts of the exception being handled (call inside a catch block, or with
/// an exception pointer): class and message, and the address and stack
/// recorded when it was thrown.
[[nodiscard]] ExceptionFacts FactsOfCurrentException(Byte Kind);
[[nodiscard]] ExceptionFacts FactsOfException(const std::exception_ptr& E, Byte Kind);

/// The waiting entry: true when the caller is to go on with its own
/// handling (inactive, a silent exception, the thread excluded, a second
/// exception while this thread processes one, Activate off); false when
/// the exception was processed here.
bool HandleExceptionWaiting(const ExceptionFacts& Facts);

/// What a report run produced, for tests and the dialog.
struct ProcessResult {
    bool Reported = false;
    bool Known = false;
    AnsiString Report;
};
/// The last run's result.
[[nodiscard]] ProcessResult LastProcessResult();

/// The report dialog: shown for a report when the options ask for one and a
/// dialog is installed (null: none; the report then goes to standard
/// error as with the dialog off). Returns whether the program is to end.
using ExceptionDialog = bool (*)(const ExceptionFacts& Facts, const AnsiString& Report);
ExceptionDialog SetExceptionDialog(ExceptionDialog Dialog);

/// The report dialog's screenshot box as the user left it (shown and
/// checked): a dialog calls this before it returns. A report not shown in a
/// dialog attaches no screenshot.
void SetScreenshotChosen(bool Chosen);

/// The private folder of this run for the files a report sends (made with
/// mode 0700 on first use, removed with its files at deactivation), with a
/// trailing "/"; '' when it cannot be made.
[[nodiscard]] AnsiString ReportFilesFolder();
/// Creates Name in that folder exclusively (never following or reusing a
/// file that is there) and writes Data; the full name, or '' on failure.
AnsiString WriteReportFile(const AnsiString& Name, const std::string& Data);

/// Whether the wait while a report is made drops a message: input (keys,
/// mouse buttons, non-client clicks) is dropped; quit, close and all
/// others go through, so a program asked to end during a report ends.
[[nodiscard]] bool WaitDropsMessage(unsigned Msg);

/// The steps around which the action events run.
enum ExceptionAction : Byte {
    eaShowingDialog, eaShowedDialog, eaSavingLog, eaSavedLog, eaSendingReport, eaSentReport
};
/// Handlers the program attaches to a report run. Each may be null. For
/// each event the records run from the last added to the first, then the
/// global record.
struct ExceptionEventHandlers {
    /// After the report's data are gathered; clearing Handled leaves the
    /// exception to the caller (nothing is shown, saved or sent).
    void (*ExceptionNotify)(const ExceptionFacts& Facts, bool& Handled) = nullptr;
    void (*ActionNotify)(ExceptionAction Action) = nullptr;
    /// A step failed (Message: why); setting Retry runs it again.
    void (*ActionError)(ExceptionAction Action, const AnsiString& Message, bool& Retry) = nullptr;
    /// The user chose the report window's terminate or restart button:
    /// clearing Terminate keeps the program running, and the window shows
    /// again.
    void (*TerminateNotify)(bool& Terminate) = nullptr;
};
void AddExceptionEventHandlers(const ExceptionEventHandlers* Handlers);
void RemoveExceptionEventHandlers(const ExceptionEventHandlers* Handlers);
/// The global record, run after the others.
extern ExceptionEventHandlers gExceptionEvents;
/// Whether a handler record has TerminateNotify.
[[nodiscard]] bool HasTerminateHandlers();
/// Runs the TerminateNotify handlers; whether the termination stands.
bool NotifyTerminateChosen();

/// Asks for termination at the end of the current run (restart when Value
/// is 1); nothing while inactive.
void SetTerminateAction(Byte Value);

/// The options of the program's record. Raises EAssertionFailed (the
/// runtime's assertion text) when the exception log never became active.
[[nodiscard]] TRazuroModuleOptions& CurrentRazuroLogOptions();

/// The thread ids the hooks and processing know: the program's main thread
/// (recorded at activation) and the hang detector's thread.
[[nodiscard]] pid_t MainThreadID();
void SetFreezeThreadID(pid_t ThreadID);

/// Connects the hooks, processing and hang detection to activation; called
/// by the start-up code before the program file is tested.
void RegisterExceptionLogParts();

/// Exported entry: Object is a thrown object as the runtime passes it
/// (null: the exception being handled), Address where it was raised, Kind
/// as above, Module the calling module's load address. True: the caller
/// goes on with its own handling. Answers true at once while inactive.
extern "C" bool ExceptionManager(void* Object, void* Address, uint8_t Kind, void* Module);

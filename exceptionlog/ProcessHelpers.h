#pragma once

// Helpers the exception log stands on: text helpers for the report and the
// web page, the section wrapper with the internal-error report, folders,
// the debugger test, the system's name, and ending or restarting the
// program.

#include "platform/rtl/AnsiString.h"

#include <cstdint>
#include <vector>

/// "&" "&amp;", '"' "&quot;", "'" "&#039;", "<" "&lt;", ">" "&gt;", two
/// blanks "&nbsp;&nbsp;", CR LF "<br>\r\n", in that order.
[[nodiscard]] AnsiString HTMLEscape(const AnsiString& Text);
/// Each run of characters below 32 becomes one blank.
[[nodiscard]] AnsiString FlattenControlChars(const AnsiString& Text);
[[nodiscard]] AnsiString IfThenText(bool Condition, const AnsiString& IfTrue,
                                    const AnsiString& IfFalse = AnsiString());
/// The pieces of Text between CR LF pairs: one piece for text without
/// any, an empty last piece after a closing CR LF; lone CR and LF stay in
/// their piece. At most MaxLines pieces: the rest of the text is dropped.
[[nodiscard]] std::vector<AnsiString> SplitCrLfLines(const AnsiString& Text,
                                                     size_t MaxLines = SIZE_MAX);
/// The lines of a value of several lines as a log item holds them: ": "
/// made ":_" (it would read back as a new field), each line trimmed and an
/// empty one made ".".
[[nodiscard]] std::vector<AnsiString> LogValueLines(const AnsiString& Value);

/// The system's temporary folder ($TMPDIR, else /tmp) with a trailing "/".
[[nodiscard]] AnsiString GetTempFolder();
/// $XDG_STATE_HOME/RazuroLog (else ~/.local/state/RazuroLog), created when
/// missing, with a trailing "/"; the program's own folder when it cannot
/// be made.
[[nodiscard]] AnsiString GetUserLogFolder();

/// The placement file of the report windows: $XDG_CONFIG_HOME/RazuroLog.ini
/// (else ~/.config/RazuroLog.ini).
[[nodiscard]] AnsiString GetIniFileName();
/// A value of that file; Default when the file, section or key is missing.
[[nodiscard]] AnsiString ReadIniText(const AnsiString& Section, const AnsiString& Key,
                                     const AnsiString& Default);
/// Writes a value to that file (created with its folder when missing);
/// false when it cannot be written.
bool WriteIniText(const AnsiString& Section, const AnsiString& Key, const AnsiString& Value);

/// True when a debugger traces the process (TracerPid in /proc/self/status).
[[nodiscard]] bool DebuggerPresent();
/// The system's name: PRETTY_NAME of /etc/os-release, else "Linux"; Path is
/// for tests.
[[nodiscard]] AnsiString GetSystemVersionName(const char* Path = "/etc/os-release");

/// The handler that RunSection calls with "<section> (Address: <hex>)" and
/// the escaped exception's class and message.
using InternalErrorHandler = void (*)(const AnsiString& Section, const AnsiString& ClassName,
                                      const AnsiString& Message);
/// Installs Handler; returns the previous one (null: none).
InternalErrorHandler SetInternalErrorHandler(InternalErrorHandler Handler);

/// Runs Proc. An exception escaping it goes to the internal-error handler
/// with the section name when one is installed; otherwise an Exception is
/// raised: "Critical error at: \"<Section>\"\r\nError: \"<message>\"."
/// ("General internal error." for an exception that is no Exception).
void RunSection(void (*Proc)(), const AnsiString& Section);

/// The internal-error handler of an active exception log: writes
/// "[ERROR] - Section: ..." to stderr and the internal-bug report to
/// "<program>.log" in the user log folder. The question whether to send it
/// belongs to the dialogs and is asked through InternalBugQuestion when set.
void ReportInternalError(const AnsiString& Section, const AnsiString& ClassName,
                         const AnsiString& Message);
/// Asked with the report file's name after ReportInternalError wrote it.
extern void (*InternalBugQuestion)(const AnsiString& ReportFile, const AnsiString& Message);
/// "[WARNING] - Code: <code> - Address: <address> - Message: \"<text>\"" to
/// stderr.
void ReportWarning(const AnsiString& Code, uintptr_t Address, const AnsiString& Text);

/// Creates FileName exclusively (never following a link or reusing a file
/// that is there; mode 0600) and writes Data. False, with nothing left
/// behind and nothing that was there touched, on failure.
bool WriteNewFile(const AnsiString& FileName, const std::string& Data);
/// A new folder of this user only (mode 0700, made with mkdtemp) in the
/// temporary folder, named Prefix and six random characters, with a
/// trailing "/"; '' when it cannot be made.
[[nodiscard]] AnsiString MakePrivateTempFolder(const AnsiString& Prefix);

/// Puts Text on the clipboard as plain text; false in a program without
/// windows (no clipboard to hand it to). The clipboard belongs to the
/// thread that runs the windows: from another thread the text is handed to
/// it, and the call waits up to WaitMs for it to be copied (false when the
/// window thread did not get to it, e.g. while frozen).
bool CopyTextToClipboard(const AnsiString& Text, int WaitMs = 2000);

/// The program's own saves (its documents and settings), run before the
/// exception log ends the process. Null: none.
using ProgramSaveHook = void (*)();
ProgramSaveHook SetProgramSaveHook(ProgramSaveHook Hook);
/// Runs the save hook, once per process (later calls do nothing); an
/// exception in it is written to stderr. Run before the process ends for a
/// fault, and by TerminateProgram.
void RunProgramSaveHook();

/// Runs the program's save hook (once; an exception in it is written to
/// stderr), then ends the process with exit code 1, first starting the
/// program again with its own command line in StartDir when Restart is set.
[[noreturn]] void TerminateProgram(bool Restart, const AnsiString& StartDir);

/// Where the internal-bug report may be mailed: the program's own
/// configured addresses (EmailAddresses of the global options); '' when
/// none is configured, and then nothing is sent.
[[nodiscard]] AnsiString InternalBugMailAddress();

#pragma once

// Sending a report once it is built and the user agreed: the attachments,
// the e-mail send (the desktop's mail program through xdg-email, falling
// back to a mailto: link through xdg-open; or the SMTP client), the web
// upload (HTTP or HTTPS form post, or FTP, through libcurl loaded at run
// time, so the program runs without it), the outcome, a kept copy of an
// unsent report, and the clean-up. A send runs on the caller's thread or on
// a send thread of its own.
//
// The exception processing reaches in through SendHooks (its lock, user
// events, error routine and after-send checks) and hands each report over
// as a SendJob; the send never holds the processing's lock while it talks
// to the network, so another exception is not kept waiting for it.

#include "exceptionlog/Smtp.h"

#include "platform/rtl/AnsiString.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Types.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TCriticalSection;
class TRazuroModuleOptions;
class TStringList;

// Option bits the send reads. SkipLogAttachment means the report goes into
// the mail body instead of an attached copy.
/// SendOptions: the progress window is shown.
inline constexpr Word soShowSendDialog = 0x0001;
/// SendOptions: the attachments go packed into one ".tgz" archive.
inline constexpr Word soCompressAttachments = 0x0002;
/// SendOptions: attached files are named with the exception's time.
inline constexpr Word soTimeStampNames = 0x0100;
/// SendOptions: the screenshot is attached (when the user agreed).
inline constexpr Word soAttachScreenshot = 0x0010;
/// The screenshot's file, in the report's private folder.
inline constexpr char ScreenshotFileName[] = "Screenshot.png";
/// SendOptions: an unsent report is kept as an archive beside the log.
inline constexpr Word soKeepUnsentReports = 0x0200;
/// SendOptions: the whole log is sent as the report text (SaveLog).
inline constexpr Word soSendWholeLog = 0x0400;
/// SendOptions: an unsent report is put on the clipboard.
inline constexpr Word soCopyReportOnFailure = 0x0800;
/// BehaviourOptions: the send runs on a thread of its own.
inline constexpr Byte boSendInThread = 0x20;
/// BehaviourOptions: the user is told whether the send worked.
inline constexpr Byte boShowSendResult = 0x40;

/// Kept unsent reports: "CompressFiles_<yyyymmddhhnnss>.tgz" in the log's
/// folder, the newest KeptReportCount of them.
inline constexpr int KeptReportCount = 10;

/// Where the exception processing meets the send. Null members do nothing
/// (ReportError writes to stderr).
struct SendHooks {
    /// The processing's global lock, held only for the after-send checks.
    TCriticalSection* GlobalLock = nullptr;
    /// Action notification (codes 2..7); false when a handler cleared the
    /// go-ahead flag.
    bool (*ActionNotify)(int Action) = nullptr;
    /// A failed step (3, 5, 7): false when no error handler exists, else
    /// true with Retry set as the handlers asked.
    bool (*ActionError)(int Code, bool& Retry) = nullptr;
    /// The attached-files event: may change the list of file names.
    void (*AttachedFiles)(TStringList* Files) = nullptr;
    /// The processing's checks after a send on a send thread (bursts,
    /// terminate or restart, freeing the call stack).
    void (*AfterSend)() = nullptr;
    /// The error routine: a transport's failure text with its kind (3 mail
    /// program, 4 mailto: link, 6 HTTP, 7 HTTPS, 8 FTP).
    void (*ReportError)(int Kind, const AnsiString& Text) = nullptr;
    /// The result box (text, caption, message box style); the dialog
    /// windows install it.
    void (*ResultBox)(const AnsiString& Text, const AnsiString& Caption, unsigned Style) = nullptr;
};
/// Installs the hooks for every later send.
void SetSendHooks(const SendHooks& Hooks);

/// One report to send, owned by the send.
struct SendJob {
    /// The options in force for the report (a copy).
    std::shared_ptr<const TRazuroModuleOptions> Options;
    AnsiString ReportText;
    /// The program's log file (".elf"): the name of the attached copy, the
    /// source of the XML copy and the folder of kept reports.
    AnsiString LogFileName;
    /// Folder of the copies and the screenshot ('' = GetTempFolder()).
    AnsiString TempFolder;
    TDateTime ExceptionTime = 0;
    /// The last web page shown ('' none).
    AnsiString LastHTMLPage;
    /// The user chose to attach the screenshot ("Screenshot.png").
    bool AttachScreenshot = false;
    /// A CGI program keeps its page file.
    bool CGIProgram = false;
    /// Fields of the web form, names and values by index.
    std::vector<AnsiString> FormNames;
    std::vector<AnsiString> FormValues;
};

/// Stores a report in the log LogFileName: unless KnownReport, it is added
/// (dropping the oldest beyond ErrorsNumberToSave) and, with SaveLogFile
/// set, the file is written; a failure goes to the action-error handlers,
/// which may ask for a retry. Actions 2 and 3 are notified around it; a
/// cleared go-ahead saves nothing. The text to send: the whole log when
/// soSendWholeLog is set and the log holds reports, else ReportText.
AnsiString SaveLog(const TRazuroModuleOptions& Options, const AnsiString& LogFileName,
                   const AnsiString& ReportText, bool KnownReport);

/// The name a file goes by in mails, uploads and archives: its name without
/// folder, with "_" and Time as "yyyymmddhhnnss" before the extension when
/// TimeStamp is set.
[[nodiscard]] AnsiString AttachmentDisplayName(const AnsiString& FileName, bool TimeStamp,
                                               TDateTime Time);

/// The whole send. True when every configured transport succeeded. A copy
/// that cannot be written is left out, an archive that cannot be made
/// leaves the files unpacked; neither stops the send.
bool SendReport(const SendJob& Job);
/// SendReport on this thread, or on a send thread when the options ask for
/// it (the thread then runs the after-send checks under the global lock).
void StartSend(const SendJob& Job);
/// Send threads still running.
[[nodiscard]] int RunningSendThreads();

/// Packs Files into "CompressFiles_<time>.tgz" in Folder (or moves the
/// archive Packed there when the send made one), then keeps only the newest
/// KeptReportCount archives of that name form there; other files are never
/// touched. The archive's name; '' when it could not be written.
AnsiString KeepUnsentReport(const std::vector<MailAttachment>& Files, const AnsiString& Folder,
                            TDateTime Time, const AnsiString& Packed = AnsiString());
/// Deletes our kept archives in Folder beyond the newest KeptReportCount.
void PruneKeptReports(const AnsiString& Folder);

// ---- mail program ------------------------------------------------------------------

/// The message in the desktop's mail program (xdg-email) with the files
/// attached. False (reported as kind 3) when xdg-email is missing or ends
/// with an error.
bool SendMailMAPI(const AnsiString& Recipients, const AnsiString& Subject, const AnsiString& Body,
                  const std::vector<MailAttachment>& Attachments);
/// A mailto: link with subject and body (Body, three line breaks and
/// ReportText) opened by xdg-open. False (kind 4) when it cannot be run or
/// ends with an error.
bool SendMailClient(const AnsiString& Recipients, const AnsiString& Subject,
                    const AnsiString& Body, const AnsiString& ReportText);
/// "mailto:a@b,c@d?Subject=...&Body=...": text as UTF-8, every byte but
/// "-", digits and ASCII letters percent-encoded.
[[nodiscard]] AnsiString MailtoLink(const AnsiString& Recipients, const AnsiString& Subject,
                                    const AnsiString& Body);

// ---- web upload --------------------------------------------------------------------

/// Result of an upload when libcurl cannot be loaded.
inline constexpr int UploadNoLibrary = -1;
/// Result for a status line whose code is not a number.
inline constexpr int UploadBadStatus = 0x7FFFFFFF;

/// State 0: starting (Total = bytes to send); 1: connected; 2: Position of
/// Total bytes sent.
using UploadProgress = void (*)(int State, int64_t Position, int64_t Total);

/// Splits an upload address. False when a port after the host is no number.
bool ParseURL(const AnsiString& URL, AnsiString& Scheme, AnsiString& User, Word& Port,
              AnsiString& Path, AnsiString& Host, AnsiString& Password);

/// "---------------------------" and 12 random hex digits.
[[nodiscard]] AnsiString NewUploadBoundary();
/// The form body: each field, each existing file (numbered by its place
/// in Files), the closing boundary.
[[nodiscard]] std::string UploadBody(const AnsiString& Boundary,
                                     const std::vector<AnsiString>& FormNames,
                                     const std::vector<AnsiString>& FormValues,
                                     const std::vector<MailAttachment>& Files);

/// POSTs the form to Host:Port/Path (HTTPS when Secure; port 0 is the
/// scheme's), with Basic authorisation when a user name or password is
/// given; redirects are not followed. 0 for status 200; the status for
/// another (ErrorText its reason phrase); UploadBadStatus; UploadNoLibrary;
/// or an error code of the table of WinInetErrorText.
int UploadHTTP(const AnsiString& Host, const AnsiString& Path, Word Port,
               const AnsiString& UserName, const AnsiString& Password, bool Secure,
               const std::vector<AnsiString>& FormNames, const std::vector<AnsiString>& FormValues,
               const std::vector<MailAttachment>& Files, UploadProgress Progress,
               AnsiString& ErrorText);
/// Stores each existing file as Path/<its name> on the FTP server (TLS when
/// the server offers it); 0 on success, else as UploadHTTP (ErrorText the
/// server's last answer when there is one).
int UploadFTP(const AnsiString& Host, const AnsiString& Path, Word Port,
              const AnsiString& UserName, const AnsiString& Password,
              const std::vector<MailAttachment>& Files, UploadProgress Progress,
              AnsiString& ErrorText);
/// The text of an upload error code ('' for a code not in the table).
[[nodiscard]] AnsiString WinInetErrorText(int Code);

/// The library the uploads load ('' restores "libcurl.so.4"). For tests.
void SetCurlLibraryName(const AnsiString& Name);

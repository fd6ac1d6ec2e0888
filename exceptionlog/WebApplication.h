#pragma once

// Whether the program answers a web server, and the error page it sends
// there in place of a dialog. Only CGI (and its file form) exists here: the
// server extensions of other systems are never detected.

#include "platform/rtl/AnsiString.h"

class TRazuroModuleOptions;

/// A program without an application object (no windows).
[[nodiscard]] bool IsConsoleProgram();
/// Server extension libraries do not exist here: always false.
[[nodiscard]] bool IsISAPI();
/// A console program whose environment has REQUEST_METHOD.
[[nodiscard]] bool IsCGI();
/// A program with windows whose first parameter names a request file
/// (at most 102400 bytes, section "CGI" with a "Request Method") and whose
/// output file exists.
[[nodiscard]] bool IsWinCGI();
/// The output file named by a request file (RequestFile: the first
/// parameter, ThirdParam: the third); '' when RequestFile is no request
/// file: a name with "*" or "?", missing, unreadable, larger than 102400
/// bytes, or without a "Request Method" in section "CGI".
[[nodiscard]] AnsiString WinCGIOutputFileOf(const AnsiString& RequestFile,
                                            const AnsiString& ThirdParam);
/// Always false: no such application framework here.
[[nodiscard]] bool IsIntraWeb();
[[nodiscard]] bool IsWebApplication();
/// Neither a web application nor a console program.
[[nodiscard]] bool IsGUIApplication();

/// The page of Options' layout with MessageHTML in place of "<%HTML_TAG%>"
/// (any case), a title of text 2 when the layout has none, and a new page
/// identifier comment at the end.
[[nodiscard]] AnsiString BuildErrorPage(const AnsiString& MessageHTML,
                                        const TRazuroModuleOptions& Options);
/// The message HTML-escaped, with an "Ok" button when asked, as a page.
[[nodiscard]] AnsiString MessageToPage(const AnsiString& Message, bool WithButton,
                                       const TRazuroModuleOptions& Options);
/// The identifier comment of the last page built.
[[nodiscard]] AnsiString LastPageID();

/// Writes the headers and Page to standard output (CGI) or to the request's
/// output file; false (with the failure reported) when it cannot.
bool SendErrorPage(const AnsiString& Page);
/// The error page of Message with its button, sent; whether it went out.
bool ShowWebError(const AnsiString& Message, const TRazuroModuleOptions& Options);

/// Where failures of sending a page are reported (the exception
/// processing installs its error routine); the default writes a warning
/// to stderr.
using WebErrorReporter = void (*)(const AnsiString& Code, const AnsiString& Text);
WebErrorReporter SetWebErrorReporter(WebErrorReporter Reporter);

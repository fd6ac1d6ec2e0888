#include "exceptionlog/WebApplication.h"

#include "exceptionlog/ModuleOptions.h"
#include "exceptionlog/ProcessHelpers.h"

#include "platform/forms/Forms.h"
#include "platform/classes/IniFiles.h"
#include "platform/classes/Streams.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/StrUtils.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <random>

namespace {

const char STagPlaceholder[] = "<%HTML_TAG%>";
const char SOkButton[] =
    "<br><input type=button value=\"Ok\" OnClick=\"history.go(-1)\" "
    "style=\"width:75;height:25;z-index:100;font-style:normal;font-size:10pt;"
    "text-decoration:none;\">";
const char SCgiWriteError[] = "CGI: Cannot write in the ouput file.";
const int MaxWinCGIRequestSize = 102400;

AnsiString gLastPageID;

void DefaultWebErrorReporter(const AnsiString& Code, const AnsiString& Text)
{
    ReportWarning(Code, 0, Text);
}

WebErrorReporter gWebErrorReporter = DefaultWebErrorReporter;

// The output file of a file-form CGI request ('' when it is none).
AnsiString WinCGIOutputFile()
{
    if (IsConsoleProgram() || ParamCount() < 1)
        return AnsiString();
    return WinCGIOutputFileOf(ParamStr(1), ParamCount() >= 3 ? ParamStr(3) : AnsiString());
}

bool WriteAll(int Fd, const AnsiString& S)
{
    int Done = 0;
    while (Done < S.Length()) {
        const ssize_t N = ::write(Fd, S.Data() + Done, size_t(S.Length() - Done));
        if (N <= 0)
            return false;
        Done += int(N);
    }
    return true;
}

AnsiString Headers(const AnsiString& Page, bool StatusLine)
{
    // The headers as the error page has always sent them.
    return AnsiString(StatusLine ? "Status: 200 Error\r\n" : "") +
           "Content-Type: text/html\r\n" + "Content-Length: " +
           AnsiString(std::to_string(Page.Length())) +
           "\r\nContent:\r\n\r\n";
}

}  // namespace

AnsiString WinCGIOutputFileOf(const AnsiString& Request, const AnsiString& ThirdParam)
{
    if (Request.Pos("*") > 0 || Request.Pos("?") > 0 || !FileExists(Request))
        return AnsiString();
    try {
        TFileStream Probe(Request, fmOpenRead | fmShareDenyNone);
        if (Probe.Size() > MaxWinCGIRequestSize)
            return AnsiString();
    } catch (const EStreamError&) {
        return AnsiString();  // not readable: no request file
    }
    TMemIniFile Ini(Request);
    if (Ini.ReadString("CGI", "Request Method", "").IsEmpty())
        return AnsiString();
    return ThirdParam.IsEmpty() ? Ini.ReadString("System", "Output File", "") : ThirdParam;
}

bool IsConsoleProgram()
{
    return Application == nullptr;
}

bool IsISAPI()
{
    return false;
}

bool IsCGI()
{
    return IsConsoleProgram() && std::getenv("REQUEST_METHOD") != nullptr;
}

bool IsWinCGI()
{
    const AnsiString Out = WinCGIOutputFile();
    return !Out.IsEmpty() && FileExists(Out);
}

bool IsIntraWeb()
{
    return false;
}

bool IsWebApplication()
{
    return IsISAPI() || IsCGI() || IsWinCGI() || IsIntraWeb();
}

bool IsGUIApplication()
{
    return !IsWebApplication() && !IsConsoleProgram();
}

AnsiString BuildErrorPage(const AnsiString& MessageHTML, const TRazuroModuleOptions& Options)
{
    AnsiString Template = Trim(FlattenControlChars(Options.HTMLLayout));
    if (Template.IsEmpty())
        Template = Trim(FlattenControlChars(DefaultHTMLLayout()));
    const AnsiString Lower = AnsiLowerCase(Template);
    const int Title = Lower.Pos("<title>");
    if (Title == 0 || Lower.Pos("</title>") < Title)
        Template = "<title>" + Options.GetCustomText(2) + "</title>" + Template;
    static std::mt19937 Random{std::random_device{}()};
    char Id[64];
    std::snprintf(Id, sizeof Id, "<!-- RazuroLog ID: %08X -->", unsigned(Random()));
    gLastPageID = Id;
    return StringReplace(Template, STagPlaceholder, MessageHTML, rfReplaceAll | rfIgnoreCase) +
           gLastPageID;
}

AnsiString MessageToPage(const AnsiString& Message, bool WithButton,
                         const TRazuroModuleOptions& Options)
{
    AnsiString Html = HTMLEscape(Message);
    if (WithButton)
        Html += SOkButton;
    return BuildErrorPage(Html, Options);
}

AnsiString LastPageID()
{
    return gLastPageID;
}

bool SendErrorPage(const AnsiString& Page)
{
    if (IsCGI()) {
        if (!WriteAll(STDOUT_FILENO, Headers(Page, true))) {
            gWebErrorReporter("CGI", SCgiWriteError);
            return false;
        }
        return WriteAll(STDOUT_FILENO, Page);
    }
    const AnsiString Out = WinCGIOutputFile();
    if (Out.IsEmpty())
        return false;
    try {
        TFileStream File(Out, FileExists(Out) ? Word(fmOpenReadWrite | fmShareDenyNone) : fmCreate);
        const AnsiString All = Headers(Page, true) + Page;
        File.WriteBuffer(All.Data(), All.Length());
        File.SetSize(All.Length());
        return true;
    } catch (const Exception& E) {
        gWebErrorReporter("WinCGI", E.Message);
        return false;
    }
}

bool ShowWebError(const AnsiString& Message, const TRazuroModuleOptions& Options)
{
    AnsiString Page = MessageToPage(Message, true, Options);
    if (AnsiLowerCase(Page).Pos(AnsiLowerCase(SOkButton)) == 0)
        Page += SOkButton;
    return SendErrorPage(Page);
}

WebErrorReporter SetWebErrorReporter(WebErrorReporter Reporter)
{
    const WebErrorReporter Old = gWebErrorReporter;
    gWebErrorReporter = Reporter;
    return Old;
}

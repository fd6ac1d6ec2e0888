#include "exceptionlog/ProcessHelpers.h"

#include "exceptionlog/ExceptionLog.h"
#include "exceptionlog/ModuleOptions.h"

#include "platform/forms/Clipbrd.h"
#include "platform/forms/Forms.h"
#include "platform/classes/IniFiles.h"
#include "platform/classes/Strings.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/StrUtils.h"

#include <fcntl.h>
#include <spawn.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

extern char** environ;

namespace {

const char SGeneralInternalError[] = "General internal error.";
const char SCriticalError[] = "Critical error at: ";
const char SInternalVersion[] = "5.1.3";

InternalErrorHandler gInternalErrorHandler = nullptr;

AnsiString EnvText(const char* Name)
{
    const char* V = std::getenv(Name);
    return V ? AnsiString::FromUtf8(V) : AnsiString();
}

// Class and message of the exception being handled.
void CurrentException(AnsiString& ClassName, AnsiString& Message)
{
    try {
        throw;
    } catch (const Exception& E) {
        ClassName = E.ClassName();
        Message = E.Message;
    } catch (const std::exception& E) {
        ClassName = "std::exception";
        Message = AnsiString::FromUtf8(E.what());
    } catch (...) {
        ClassName = "Unknown";
        Message = SGeneralInternalError;
    }
}

}  // namespace

void (*InternalBugQuestion)(const AnsiString& ReportFile, const AnsiString& Message) = nullptr;

AnsiString HTMLEscape(const AnsiString& Text)
{
    AnsiString S = StringReplace(Text, "&", "&amp;", rfReplaceAll);
    S = StringReplace(S, "\"", "&quot;", rfReplaceAll);
    S = StringReplace(S, "'", "&#039;", rfReplaceAll);
    S = StringReplace(S, "<", "&lt;", rfReplaceAll);
    S = StringReplace(S, ">", "&gt;", rfReplaceAll);
    S = StringReplace(S, "  ", "&nbsp;&nbsp;", rfReplaceAll);
    return StringReplace(S, "\r\n", "<br>\r\n", rfReplaceAll);
}

AnsiString FlattenControlChars(const AnsiString& Text)
{
    AnsiString Out;
    bool InRun = false;
    for (int I = 1; I <= Text.Length(); ++I) {
        const unsigned char C = static_cast<unsigned char>(Text[I]);
        if (C < 32) {
            if (!InRun)
                Out += ' ';
            InRun = true;
            continue;
        }
        InRun = false;
        Out += char(C);
    }
    return Out;
}

std::vector<AnsiString> SplitCrLfLines(const AnsiString& Text, size_t MaxLines)
{
    std::vector<AnsiString> Lines;
    const std::string& S = Text.Std();
    size_t Start = 0;
    while (Lines.size() < MaxLines) {
        const size_t P = S.find("\r\n", Start);
        if (P == std::string::npos) {
            Lines.emplace_back(S.substr(Start));
            return Lines;
        }
        Lines.emplace_back(S.substr(Start, P - Start));
        Start = P + 2;
    }
    return Lines;
}

std::vector<AnsiString> LogValueLines(const AnsiString& Value)
{
    std::vector<AnsiString> Lines =
        SplitCrLfLines(StringReplace(Value, ": ", ":_", rfReplaceAll));
    for (AnsiString& L : Lines) {
        L = Trim(L);
        if (L.IsEmpty())
            L = ".";
    }
    return Lines;
}

AnsiString IfThenText(bool Condition, const AnsiString& IfTrue, const AnsiString& IfFalse)
{
    return Condition ? IfTrue : IfFalse;
}

AnsiString GetTempFolder()
{
    const AnsiString Dir = EnvText("TMPDIR");
    return IncludeTrailingPathDelimiter(Dir.IsEmpty() ? AnsiString("/tmp") : Dir);
}

AnsiString GetUserLogFolder()
{
    AnsiString Base = EnvText("XDG_STATE_HOME");
    if (Base.IsEmpty()) {
        const AnsiString Home = EnvText("HOME");
        if (!Home.IsEmpty())
            Base = IncludeTrailingPathDelimiter(Home) + ".local/state";
    }
    if (!Base.IsEmpty()) {
        const AnsiString Dir = IncludeTrailingPathDelimiter(Base) + "RazuroLog";
        if (DirectoryExists(Dir) || ForceDirectories(Dir))
            return IncludeTrailingPathDelimiter(Dir);
    }
    return ExtractFilePath(ParamStr(0));
}

AnsiString GetIniFileName()
{
    AnsiString Base = EnvText("XDG_CONFIG_HOME");
    if (Base.IsEmpty())
        Base = IncludeTrailingPathDelimiter(EnvText("HOME")) + ".config";
    return IncludeTrailingPathDelimiter(Base) + "RazuroLog.ini";
}

AnsiString ReadIniText(const AnsiString& Section, const AnsiString& Key, const AnsiString& Default)
{
    try {
        TMemIniFile Ini(GetIniFileName());
        return Ini.ReadString(Section, Key, Default);
    } catch (const EStreamError&) {
        return Default;  // an unreadable file counts as a missing one
    }
}

bool WriteIniText(const AnsiString& Section, const AnsiString& Key, const AnsiString& Value)
{
    const AnsiString Name = GetIniFileName();
    try {
        ForceDirectories(ExtractFileDir(Name));
        TMemIniFile Ini(Name);
        Ini.WriteString(Section, Key, Value);
        Ini.UpdateFile();
        return true;
    } catch (const EStreamError&) {
        return false;
    }
}

bool DebuggerPresent()
{
    // Read with plain calls: the program asks this while it starts, and a
    // file stream would build its locale first.
    const int Fd = ::open("/proc/self/status", O_RDONLY | O_CLOEXEC);
    if (Fd < 0)
        return false;
    std::string Text;
    char Buffer[4096];
    ssize_t Got = 0;
    while ((Got = ::read(Fd, Buffer, sizeof Buffer)) > 0)
        Text.append(Buffer, size_t(Got));
    ::close(Fd);
    const std::string::size_type At = Text.find("\nTracerPid:");
    return At != std::string::npos && std::atoi(Text.c_str() + At + 11) != 0;
}

AnsiString GetSystemVersionName(const char* Path)
{
    std::ifstream In(Path);
    std::string Line;
    while (std::getline(In, Line)) {
        if (Line.rfind("PRETTY_NAME=", 0) != 0)
            continue;
        std::string V = Line.substr(12);
        if (V.size() >= 2 && (V.front() == '"' || V.front() == '\'') && V.back() == V.front())
            V = V.substr(1, V.size() - 2);
        if (!V.empty())
            return AnsiString::FromUtf8(V);
    }
    return "Linux";
}

InternalErrorHandler SetInternalErrorHandler(InternalErrorHandler Handler)
{
    const InternalErrorHandler Old = gInternalErrorHandler;
    gInternalErrorHandler = Handler;
    return Old;
}

void RunSection(void (*Proc)(), const AnsiString& Section)
{
    try {
        Proc();
    } catch (...) {
        AnsiString ClassName, Message;
        CurrentException(ClassName, Message);
        if (gInternalErrorHandler) {
            // The section's own entry stands for the exception address,
            // which a C++ exception does not carry.
            const AnsiString Where = Section + " (Address: " +
                                     IntToHex(Int64(reinterpret_cast<uintptr_t>(Proc)), 16) + ")";
            gInternalErrorHandler(Where, ClassName, Message);
            return;
        }
        throw Exception(AnsiString(SCriticalError) + "\"" + Section + "\"\r\nError: \"" +
                        Message + "\".");
    }
}

void ReportInternalError(const AnsiString& Section, const AnsiString& ClassName,
                         const AnsiString& Message)
{
    std::fprintf(stderr, "[ERROR] - Section: %s - Message: \"%s\"\n", Section.ToUtf8().c_str(),
                 Message.ToUtf8().c_str());
    const AnsiString Report =
        AnsiString("Version   : ") + SInternalVersion + "\r\n" +
        "Date      : " + FormatDateTime("yyyy-mm-dd hh:nn:ss", Now()) + "\r\n" +
        "OS        : " + GetSystemVersionName() + "\r\n" +
        "RAD       : g++ " + __VERSION__ + "\r\n" +
        "Dump      : \r\n" +
        "Section   : " + Section + "\r\n" +
        "LastExcept: \r\n" +
        "Address   : $0\r\n" +
        "Exception : " + ClassName + "\r\n" +
        "Message   : " + Message + "\r\n" +
        "Call Stack: ";
    const AnsiString File =
        GetUserLogFolder() + ChangeFileExt(ExtractFileName(ParamStr(0)), ".log");
    try {
        auto Lines = std::make_unique<TStringList>();
        Lines->SetText(Report);
        Lines->SaveToFile(File);
    } catch (const Exception& E) {
        std::fprintf(stderr, "%s\n", E.Message.ToUtf8().c_str());
        return;
    }
    if (InternalBugQuestion)
        InternalBugQuestion(File, Message);
}

void ReportWarning(const AnsiString& Code, uintptr_t Address, const AnsiString& Text)
{
    std::fprintf(stderr, "[WARNING] - Code: %s - Address: %s - Message: \"%s\"\n",
                 Code.ToUtf8().c_str(), IntToHex(Int64(Address), 16).ToUtf8().c_str(),
                 Text.ToUtf8().c_str());
}

bool WriteNewFile(const AnsiString& FileName, const std::string& Data)
{
    const std::string Name = FileName.ToUtf8();
    const int Fd = ::open(Name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (Fd < 0)
        return false;
    size_t Done = 0;
    while (Done < Data.size()) {
        const ssize_t N = ::write(Fd, Data.data() + Done, Data.size() - Done);
        if (N <= 0)
            break;
        Done += size_t(N);
    }
    const bool Closed = ::close(Fd) == 0;
    if (Done == Data.size() && Closed)
        return true;
    ::unlink(Name.c_str());  // ours: made exclusively above
    return false;
}

AnsiString MakePrivateTempFolder(const AnsiString& Prefix)
{
    std::string Template = (GetTempFolder() + Prefix + "XXXXXX").ToUtf8();
    if (!mkdtemp(Template.data()))
        return AnsiString();
    return AnsiString::FromUtf8(Template.c_str()) + "/";
}

namespace {

/// A copy handed to the window thread; shared with the thread that waits,
/// which may stop waiting first.
struct ClipboardCopy {
    AnsiString Text;
    std::mutex Lock;
    std::condition_variable Done;
    bool Copied = false;
    /// The waiter gave up (and said so): too late to copy.
    bool Abandoned = false;
};

void CopyOnWindowThread(void* Data)
{
    const std::unique_ptr<std::shared_ptr<ClipboardCopy>> Held(static_cast<std::shared_ptr<ClipboardCopy>*>(Data));
    ClipboardCopy& C = **Held;
    {
        const std::lock_guard<std::mutex> Guard(C.Lock);
        if (C.Abandoned || !Application)
            return;
        Clipboard()->SetAsText(C.Text);
        C.Copied = true;
    }
    C.Done.notify_all();
}

}  // namespace

bool CopyTextToClipboard(const AnsiString& Text, int WaitMs)
{
    if (!Application)
        return false;
    // The windows run on the program's first thread, whose id is the
    // process id.
    if (gettid() == getpid()) {
        Clipboard()->SetAsText(Text);
        return true;
    }
    auto Copy = std::make_shared<ClipboardCopy>();
    Copy->Text = Text;
    auto* Held = new std::shared_ptr<ClipboardCopy>(Copy);
    if (!PostAnswerRequest(&CopyOnWindowThread, Held)) {
        delete Held;
        return false;
    }
    std::unique_lock<std::mutex> Guard(Copy->Lock);
    Copy->Done.wait_for(Guard, std::chrono::milliseconds(std::max(WaitMs, 0)), [&] { return Copy->Copied; });
    Copy->Abandoned = !Copy->Copied;
    return Copy->Copied;
}

namespace {

std::atomic<ProgramSaveHook> gSaveHook{nullptr};
std::atomic<bool> gSaved{false};

}  // namespace

ProgramSaveHook SetProgramSaveHook(ProgramSaveHook Hook)
{
    return gSaveHook.exchange(Hook);
}

AnsiString InternalBugMailAddress()
{
    const TRazuroModuleOptions* O = GlobalOptions();
    return O ? Trim(O->EmailAddresses) : AnsiString();
}

void RunProgramSaveHook()
{
    const ProgramSaveHook Save = gSaveHook.load();
    if (!Save || gSaved.exchange(true))
        return;
    try {
        Save();
    } catch (const Exception& E) {
        std::fprintf(stderr, "Saving before the end failed: %s\n", E.Message.ToUtf8().c_str());
    } catch (const std::exception& E) {
        std::fprintf(stderr, "Saving before the end failed: %s\n", E.what());
    }
}

void TerminateProgram(bool Restart, const AnsiString& StartDir)
{
    // Ending with _exit skips the program's own exit path, so its saves run
    // here first.
    RunProgramSaveHook();
    if (Restart) {
        std::vector<std::string> Args;
        std::vector<char*> Argv;
        for (int I = 0; I <= ParamCount(); ++I)
            Args.push_back(ParamStr(I).ToUtf8());
        for (std::string& A : Args)
            Argv.push_back(A.data());
        Argv.push_back(nullptr);
        posix_spawn_file_actions_t Actions;
        posix_spawn_file_actions_init(&Actions);
        const std::string Dir = StartDir.ToUtf8();
        if (!Dir.empty())
            posix_spawn_file_actions_addchdir_np(&Actions, Dir.c_str());
        posix_spawnattr_t Attr;
        posix_spawnattr_init(&Attr);
        // A process group of its own, so the new program outlives this one.
        posix_spawnattr_setflags(&Attr, POSIX_SPAWN_SETPGROUP);
        posix_spawnattr_setpgroup(&Attr, 0);
        pid_t Pid = 0;
        posix_spawn(&Pid, "/proc/self/exe", &Actions, &Attr, Argv.data(), environ);
        posix_spawnattr_destroy(&Attr);
        posix_spawn_file_actions_destroy(&Actions);
    }
    _exit(1);
}

#include "exceptionlog/Sending.h"

#include "exceptionlog/Codecs.h"
#include "exceptionlog/LogFile.h"
#include "exceptionlog/ModuleOptions.h"
#include "exceptionlog/ProcessHelpers.h"

#include "platform/classes/Streams.h"
#include "platform/classes/Strings.h"
#include "platform/classes/Thread.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/StrUtils.h"
#include "platform/rtl/Sync.h"

#include <dirent.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

extern char** environ;

namespace {

const char SNoMailProgram[] = "Cannot find the \"xdg-email\" program.";
const char SMailProgramFailed[] = "Cannot send the message through the mail program.";
const char SCannotOpenLink[] = "Cannot open the mail link: \"%s\".";
const char SNoCurl[] = " - Cannot find the \"libcurl.so.4\" library.";
const char SURLRefused[] = "The upload address has a port that is no number: \"%s\".";
const char CompressFiles[] = "CompressFiles.tgz";
const char KeptPrefix[] = "CompressFiles_";
const char HTMLPageFile[] = "LastHTMLPage.html";
const char ReportEnd[] = "\r\n\r\n\r\n";

constexpr int TextCaption = 0;
constexpr int TextConnecting = 78;
constexpr int TextConnected = 79;
constexpr int TextSending = 80;
constexpr int TextSent = 94;
constexpr int TextNotSent = 95;
constexpr unsigned ResultBoxInformation = 0x242040;
constexpr unsigned ResultBoxError = 0x242010;

constexpr int ActionBeforeSave = 2;
constexpr int ActionAfterSave = 3;
constexpr int ActionBeforeMail = 4;
constexpr int ActionAfterMail = 5;
constexpr int ActionBeforeWeb = 6;
constexpr int ActionAfterWeb = 7;

constexpr int KindMailProgram = 3;
constexpr int KindMailLink = 4;
constexpr int KindHTTP = 6;
constexpr int KindHTTPS = 7;
constexpr int KindFTP = 8;

std::mutex gHooksLock;
SendHooks gHooks;
/// One send at a time: the copies in the temporary folder have fixed names.
std::mutex gSendLock;
std::atomic<int> gRunningThreads {0};

SendHooks Hooks()
{
    const std::lock_guard<std::mutex> Lock(gHooksLock);
    return gHooks;
}

AnsiString Fill(const char* Fmt, const AnsiString& Arg)
{
    const AnsiString F(Fmt);
    const int P = F.Pos("%s");
    return F.SubString(1, P - 1) + Arg + F.SubString(P + 2, F.Length());
}

void ReportSendError(int Kind, const AnsiString& Text)
{
    const SendHooks H = Hooks();
    if (H.ReportError)
        H.ReportError(Kind, Text);
    else
        std::fprintf(stderr, "[ERROR] - Send (%d): %s\n", Kind, Text.ToUtf8().c_str());
}

bool Notify(int Action)
{
    const SendHooks H = Hooks();
    return !H.ActionNotify || H.ActionNotify(Action);
}

bool AskRetry(int Code)
{
    const SendHooks H = Hooks();
    bool Retry = false;
    return H.ActionError && H.ActionError(Code, Retry) && Retry;
}

/// Every byte below 32 other than CR and LF becomes a blank.
AnsiString BlankControls(const AnsiString& S)
{
    AnsiString R = S;
    for (int I = 1; I <= R.Length(); ++I) {
        const unsigned char C = static_cast<unsigned char>(R[I]);
        if (C < 32 && C != '\r' && C != '\n')
            R[I] = ' ';
    }
    return R;
}

/// A program of that name on PATH; '' when there is none.
std::string FindProgram(const char* Name)
{
    const char* Path = std::getenv("PATH");
    std::string P = Path ? Path : "/usr/bin:/bin";
    size_t Start = 0;
    while (Start <= P.size()) {
        size_t End = P.find(':', Start);
        if (End == std::string::npos)
            End = P.size();
        const std::string Dir = End > Start ? P.substr(Start, End - Start) : ".";
        const std::string File = Dir + "/" + Name;
        if (::access(File.c_str(), X_OK) == 0)
            return File;
        Start = End + 1;
    }
    return std::string();
}

/// Runs Program with Args and waits for it: its exit code, or -1 with
/// Error set when it could not be started.
int RunProgram(const std::string& Program, const std::vector<std::string>& Args, int& Error)
{
    std::vector<char*> Argv;
    Argv.push_back(const_cast<char*>(Program.c_str()));
    for (const std::string& A : Args)
        Argv.push_back(const_cast<char*>(A.c_str()));
    Argv.push_back(nullptr);
    pid_t Pid = 0;
    Error = posix_spawn(&Pid, Program.c_str(), nullptr, nullptr, Argv.data(), environ);
    if (Error != 0)
        return -1;
    int Status = 0;
    while (waitpid(Pid, &Status, 0) < 0) {
        if (errno != EINTR) {
            Error = errno;
            return -1;
        }
    }
    return WIFEXITED(Status) ? WEXITSTATUS(Status) : 128 + WTERMSIG(Status);
}

/// Percent-encoding of UTF-8 bytes, keeping "-", digits, ASCII letters and
/// the characters in Keep.
AnsiString PercentEncode(const AnsiString& Text, const char* Keep = "")
{
    static const char Hex[] = "0123456789ABCDEF";
    AnsiString R;
    for (unsigned char C : Text.ToUtf8()) {
        if ((C < 128 && std::isalnum(C)) || C == '-' || (C && std::strchr(Keep, C)))
            R += char(C);
        else
            R += AnsiString("%") + Hex[C >> 4] + Hex[C & 15];
    }
    return R;
}

/// A copy that cannot be written is left out of the send (the report
/// stays in the log); the reason goes to stderr.
void SkippedFile(const AnsiString& FileName, const Exception& E)
{
    std::fprintf(stderr, "[ERROR] - Send: %s left out: %s\n", FileName.ToUtf8().c_str(),
                 E.Message.ToUtf8().c_str());
    DeleteFile(FileName);
}

// A copy for the send, made only where no file of that name is: a file or
// link planted under the name is neither followed nor removed. The name
// when written, else '' (the copy is left out).
AnsiString WriteCopy(const AnsiString& FileName, const std::string& Data)
{
    if (WriteNewFile(FileName, Data))
        return FileName;
    std::fprintf(stderr, "[ERROR] - Send: %s left out: it cannot be created\n",
                 FileName.ToUtf8().c_str());
    return AnsiString();
}

std::vector<AnsiString> SplitFileList(const AnsiString& List)
{
    std::vector<AnsiString> R;
    int Start = 1;
    for (int I = 1; I <= List.Length() + 1; ++I) {
        if (I <= List.Length() && List[I] != ';' && List[I] != '\r' && List[I] != '\n')
            continue;
        const AnsiString F = Trim(List.SubString(Start, I - Start));
        if (!F.IsEmpty())
            R.push_back(F);
        Start = I + 1;
    }
    return R;
}

// ---- the parts of a send -----------------------------------------------------------

bool EmailSend(const SendJob& Job, const std::vector<MailAttachment>& Files)
{
    const TRazuroModuleOptions& O = *Job.Options;
    if (!Notify(ActionBeforeMail))
        return false;
    bool Ok = false;
    for (;;) {
        AnsiString Body = O.EmailMessage;
        if (O.SkipLogAttachment)
            Body += ReportEnd + Job.ReportText;
        switch (O.EmailSendMode) {
        case 1:
            Ok = SendMailMAPI(O.EmailAddresses, O.EmailSubject, Body, Files) ||
                 SendMailClient(O.EmailAddresses, O.EmailSubject, O.EmailMessage, Job.ReportText);
            break;
        case 2:
        case 3:
            ProgressStart();
            Ok = SendMailSMTP(O.EmailSendMode == 3, O.SmtpFrom, O.SmtpHost, O.SmtpPort,
                              O.SmtpUserID, O.SmtpPassword, O.EmailAddresses, O.EmailSubject,
                              Body, Files);
            break;
        default:
            Ok = false;
            break;
        }
        if (Ok || !AskRetry(ActionAfterMail))
            break;
    }
    Notify(ActionAfterMail);
    return Ok;
}

void WebProgress(int State, int64_t Position, int64_t Total)
{
    switch (State) {
    case 0:
        ProgressPosition(0);
        ProgressStatus(SendText(TextConnecting));
        break;
    case 1:
        ProgressStatus(SendText(TextConnected));
        break;
    default:
        ProgressStatus(SendText(TextSending));
        ProgressPosition(Total > 0 ? int((Position * 100 + Total / 2) / Total) : 100);
        break;
    }
}

bool WebSend(const SendJob& Job, const std::vector<MailAttachment>& Files)
{
    const TRazuroModuleOptions& O = *Job.Options;
    if (!Notify(ActionBeforeWeb))
        return false;
    const int Kind = O.WebSendMode == 3 ? KindFTP : O.WebSendMode == 2 ? KindHTTPS : KindHTTP;
    const char* Protocol = Kind == KindFTP ? "FTP" : Kind == KindHTTPS ? "HTTPS" : "HTTP";
    bool Ok = false;
    for (;;) {
        ProgressStart();
        AnsiString Scheme, User, Path, Host, Password, Error;
        Word Port = 0;
        int Code = 0;
        if (!ParseURL(O.WebURL, Scheme, User, Port, Path, Host, Password)) {
            ReportSendError(Kind, Fill(SURLRefused, O.WebURL));
            Code = 12005;
        } else {
            // The options' port and credentials are used, not the address's.
            Port = Word(O.WebPort & 0xFFFF);
            if (Kind == KindFTP)
                Code = UploadFTP(Host, Path, Port, O.WebCredentialA, O.WebCredentialB, Files,
                                 WebProgress, Error);
            else
                Code = UploadHTTP(Host, Path, Port, O.WebCredentialA, O.WebCredentialB,
                                  Kind == KindHTTPS, Job.FormNames, Job.FormValues, Files,
                                  WebProgress, Error);
            if (Code != 0) {
                const AnsiString Detail = Code == UploadNoLibrary ? AnsiString(SNoCurl)
                                          : Error.IsEmpty()       ? AnsiString()
                                                                  : " (" + Error + ")";
                ReportSendError(Kind, AnsiString(Protocol) + " error code: " + IntToStr(Code) +
                                          Detail);
            }
        }
        ProgressOver();
        Ok = Code == 0;
        if (Ok || !AskRetry(ActionAfterWeb))
            break;
    }
    Notify(ActionAfterWeb);
    return Ok;
}

void DeleteIfSet(const AnsiString& FileName)
{
    if (!FileName.IsEmpty())
        DeleteFile(FileName);
}

/// Name of a kept archive: prefix, 14 digits, optionally "_" and digits.
bool IsKeptReportName(const std::string& Name)
{
    const std::string Prefix = KeptPrefix;
    if (Name.rfind(Prefix, 0) != 0 || Name.size() < Prefix.size() + 14 + 4 ||
        Name.compare(Name.size() - 4, 4, ".tgz") != 0)
        return false;
    const std::string Stamp = Name.substr(Prefix.size(), Name.size() - Prefix.size() - 4);
    for (size_t I = 0; I < Stamp.size(); ++I) {
        const bool Digit = Stamp[I] >= '0' && Stamp[I] <= '9';
        if (I < 14 ? !Digit : !(Digit || (I == 14 && Stamp[I] == '_' && Stamp.size() > 15)))
            return false;
    }
    return true;
}

class TSendThread : public TThread {
    PRICETAGS_CLASS(TSendThread, TThread)
public:
    explicit TSendThread(const SendJob& AJob) : Job(AJob) { ++gRunningThreads; }
    ~TSendThread() override { --gRunningThreads; }

protected:
    void Execute() override
    {
        // The send itself works on the job, which is the thread's own: the
        // global lock is taken only for the checks that touch the
        // processing's state, never across the network.
        try {
            SendReport(Job);
        } catch (const Exception& E) {
            std::fprintf(stderr, "[ERROR] - Send: %s\n", E.Message.ToUtf8().c_str());
        }
        // The screenshot lies in the caller's folder; nothing is deleted
        // from the shared temporary folder.
        if (!Job.TempFolder.IsEmpty())
            DeleteFile(IncludeTrailingPathDelimiter(Job.TempFolder) + ScreenshotFileName);
        const SendHooks H = Hooks();
        if (!H.AfterSend)
            return;
        if (H.GlobalLock) {
            const CriticalSectionGuard Lock(*H.GlobalLock);
            H.AfterSend();
        } else {
            H.AfterSend();
        }
    }

private:
    SendJob Job;
};

}  // namespace

PRICETAGS_DEFINE_CLASS(TSendThread)

void SetSendHooks(const SendHooks& NewHooks)
{
    const std::lock_guard<std::mutex> Lock(gHooksLock);
    gHooks = NewHooks;
}

AnsiString SaveLog(const TRazuroModuleOptions& Options, const AnsiString& LogFileName,
                   const AnsiString& ReportText, bool KnownReport)
{
    AnsiString Result = ReportText;
    if (!Notify(ActionBeforeSave))
        return Result;
    if (!KnownReport) {
        for (;;) {
            try {
                TLogFile Log(LogFileName, /*ReadOnly=*/!Options.SaveLogFile);
                Log.Add(ReportText, Options.ErrorsNumberToSave);
                if ((Options.SendOptions & soSendWholeLog) && Log.Count() > 0)
                    Result = Log.Text();
                if (Options.SaveLogFile)
                    Log.Save();
                break;
            } catch (const EStreamError& E) {
                if (AskRetry(ActionAfterSave))
                    continue;
                std::fprintf(stderr, "[ERROR] - Saving the log: %s\n", E.Message.ToUtf8().c_str());
                break;
            }
        }
    }
    Notify(ActionAfterSave);
    return Result;
}

AnsiString AttachmentDisplayName(const AnsiString& FileName, bool TimeStamp, TDateTime Time)
{
    const AnsiString Name = ExtractFileName(FileName);
    if (!TimeStamp)
        return Name;
    const AnsiString Ext = ExtractFileExt(Name);
    return Name.SubString(1, Name.Length() - Ext.Length()) + "_" +
           FormatDateTime("yyyymmddhhnnss", Time) + Ext;
}

bool SendReport(const SendJob& Job)
{
    const std::lock_guard<std::mutex> OneSend(gSendLock);
    const TRazuroModuleOptions& O = *Job.Options;
    SetSendOptions(&O);
    struct ClearOptions {
        ~ClearOptions() { SetSendOptions(nullptr); }
    } Clear;
    // Without a folder of the caller's the copies go into a private folder
    // of this send, removed with them at the end.
    const AnsiString Private = Job.TempFolder.IsEmpty() ? MakePrivateTempFolder("RazuroSend-")
                                                        : AnsiString();
    struct RemovePrivate {
        const AnsiString& Folder;
        ~RemovePrivate()
        {
            if (!Folder.IsEmpty())
                ::rmdir(Folder.ToUtf8().c_str());  // empty once the copies are gone
        }
    } RemoveAtEnd{Private};
    const AnsiString Temp =
        Job.TempFolder.IsEmpty() ? Private : IncludeTrailingPathDelimiter(Job.TempFolder);
    const bool Stamp = O.SendOptions & soTimeStampNames;

    const AnsiString& ReportText = Job.ReportText;

    // 1. The copies and the list of files to attach.
    AnsiString ReportCopy, HTMLCopy, XMLCopy;
    const bool CanCopy = !Temp.IsEmpty();
    if (CanCopy && !O.SkipLogAttachment && !Job.LogFileName.IsEmpty()) {
        const int L = ReportText.Length();
        const AnsiString Text = L >= 6 && ReportText.SubString(L - 5, 6) == ReportEnd
                                    ? ReportText
                                    : ReportText + ReportEnd;
        ReportCopy = WriteCopy(Temp + ExtractFileName(Job.LogFileName),
                               std::string(Text.Data(), size_t(Text.Length())));
    }
    if (CanCopy && (O.SendOptions & 0x40) && !Job.LastHTMLPage.IsEmpty())
        HTMLCopy = WriteCopy(Temp + HTMLPageFile, std::string(Job.LastHTMLPage.Data(),
                                                              size_t(Job.LastHTMLPage.Length())));
    if (CanCopy && (O.SendOptions & 0x08) && !Job.LogFileName.IsEmpty()) {
        try {
            TLogFile Log(FileExists(Job.LogFileName) ? Job.LogFileName : AnsiString(), true);
            if (Log.Count() == 0)
                Log.Add(ReportText, 1);
            const AnsiString XML = Log.LogToXML() + "\r\n";
            XMLCopy = WriteCopy(Temp + ChangeFileExt(ExtractFileName(Job.LogFileName), ".xml"),
                                std::string(XML.Data(), size_t(XML.Length())));
        } catch (const EStreamError& E) {
            std::fprintf(stderr, "[ERROR] - Send: the XML copy left out: %s\n",
                         E.Message.ToUtf8().c_str());
        }
    }
    auto List = std::make_unique<TStringList>();
    for (const AnsiString& F : SplitFileList(O.AttachedFiles))
        List->Add(F);
    if (!ReportCopy.IsEmpty())
        List->Add(ReportCopy);
    if (Job.AttachScreenshot && (O.SendOptions & soAttachScreenshot))
        List->Add(Temp + ScreenshotFileName);
    if (!HTMLCopy.IsEmpty())
        List->Add(HTMLCopy);
    if (!XMLCopy.IsEmpty())
        List->Add(XMLCopy);
    if (const SendHooks H = Hooks(); H.AttachedFiles)
        H.AttachedFiles(List.get());

    // 2. Only files that exist.
    std::vector<MailAttachment> Files;
    for (int I = 0; I < List->Count(); ++I)
        if (FileExists(List->Strings(I)))
            Files.push_back({List->Strings(I),
                             AttachmentDisplayName(List->Strings(I), Stamp, Job.ExceptionTime)});

    // 3. Packed into one archive when asked.
    AnsiString Packed;
    if (CanCopy && (O.SendOptions & soCompressAttachments) && !Files.empty()) {
        Packed = WriteCopy(Temp + CompressFiles, std::string());
    }
    if (!Packed.IsEmpty()) {
        try {
            TTGZWriter Writer(Packed);
            for (const MailAttachment& F : Files)
                Writer.AddFile(F.FileName, F.Name);
            Writer.Finish();
            Files = {{Packed, AttachmentDisplayName(Packed, Stamp, Job.ExceptionTime)}};
        } catch (const EStreamError& E) {
            // The files go unpacked rather than not at all.
            SkippedFile(Packed, E);
            Packed = AnsiString();
        }
    }

    // 4. The transports.
    bool Result = true;
    if (O.EmailSendMode != 0)
        Result = EmailSend(Job, Files) && Result;
    if (O.WebSendMode != 0)
        Result = WebSend(Job, Files) && Result;

    // 5.-7. The outcome.
    if (!Result && (O.SendOptions & soCopyReportOnFailure))
        CopyTextToClipboard(ReportText);
    if (const SendHooks H = Hooks(); (O.BehaviourOptions & boShowSendResult) && H.ResultBox)
        H.ResultBox(O.GetCustomText(Result ? TextSent : TextNotSent), O.GetCustomText(TextCaption),
                    Result ? ResultBoxInformation : ResultBoxError);
    if (!Result && (O.SendOptions & soKeepUnsentReports) && !Files.empty())
        KeepUnsentReport(Files, ExtractFilePath(ExpandFileName(Job.LogFileName)),
                         Job.ExceptionTime, Packed);

    // 8. Clean-up.
    DeleteIfSet(Packed);
    DeleteIfSet(XMLCopy);
    if (!Job.CGIProgram)
        DeleteIfSet(HTMLCopy);
    DeleteIfSet(ReportCopy);
    return Result;
}

void StartSend(const SendJob& Job)
{
    if (!(Job.Options->BehaviourOptions & boSendInThread)) {
        SendReport(Job);
        return;
    }
    auto* Thread = new TSendThread(Job);
    Thread->SetFreeOnTerminate(true);
    Thread->Resume();
}

int RunningSendThreads()
{
    return gRunningThreads;
}

AnsiString KeepUnsentReport(const std::vector<MailAttachment>& Files, const AnsiString& Folder,
                            TDateTime Time, const AnsiString& Packed)
{
    const AnsiString Dir = IncludeTrailingPathDelimiter(Folder.IsEmpty() ? AnsiString(".") : Folder);
    const AnsiString Base = Dir + KeptPrefix + FormatDateTime("yyyymmddhhnnss", Time);
    // Two reports of one second keep both.
    AnsiString Name = Base + ".tgz";
    for (int N = 1; FileExists(Name); ++N)
        Name = Base + "_" + IntToStr(N) + ".tgz";
    try {
        // An archive made for sending is moved (or, across file systems,
        // copied); otherwise the files are packed now.
        if (!Packed.IsEmpty() && !RenameFile(Packed, Name)) {
            TFileStream In(Packed, fmOpenRead | fmShareDenyNone);
            TFileStream Out(Name, fmCreate);
            Out.CopyFrom(&In, 0);
        } else if (Packed.IsEmpty()) {
            TTGZWriter Writer(Name);
            for (const MailAttachment& F : Files)
                Writer.AddFile(F.FileName, F.Name);
            Writer.Finish();
        }
    } catch (const Exception& E) {
        std::fprintf(stderr, "[ERROR] - Keeping the unsent report: %s\n",
                     E.Message.ToUtf8().c_str());
        return AnsiString();
    }
    PruneKeptReports(Dir);
    return Name;
}

void PruneKeptReports(const AnsiString& Folder)
{
    const std::string Dir = IncludeTrailingPathDelimiter(Folder).ToUtf8();
    std::vector<std::string> Kept;
    if (DIR* D = opendir(Dir.c_str())) {
        while (dirent* E = readdir(D))
            if (IsKeptReportName(E->d_name))
                Kept.push_back(E->d_name);
        closedir(D);
    }
    // Names sort in time order; "_N" of the same second after the plain one.
    std::sort(Kept.begin(), Kept.end(), [](const std::string& A, const std::string& B) {
        const std::string SA = A.substr(0, A.size() - 4), SB = B.substr(0, B.size() - 4);
        return SA.size() != SB.size() && SA.compare(0, 28, SB, 0, 28) == 0 ? SA.size() < SB.size()
                                                                            : SA < SB;
    });
    for (size_t I = 0; I + KeptReportCount < Kept.size(); ++I)
        std::remove((Dir + Kept[I]).c_str());
}

// ---- mail program ------------------------------------------------------------------

bool SendMailMAPI(const AnsiString& Recipients, const AnsiString& Subject, const AnsiString& Body,
                  const std::vector<MailAttachment>& Attachments)
{
    const std::string Program = FindProgram("xdg-email");
    if (Program.empty()) {
        ReportSendError(KindMailProgram, SNoMailProgram);
        return false;
    }
    std::vector<std::string> Args = {"--utf8", "--subject",
                                     FlattenControlChars(Subject).ToUtf8(), "--body",
                                     BlankControls(Body).ToUtf8()};
    for (const MailAttachment& A : Attachments) {
        if (Trim(A.FileName).IsEmpty() || !FileExists(A.FileName))
            continue;
        Args.push_back("--attach");
        Args.push_back(ExpandFileName(A.FileName).ToUtf8());
    }
    for (const AnsiString& R : SplitRecipients(Recipients))
        Args.push_back(R.ToUtf8());
    int Error = 0;
    // The mail program says by its exit code whether it took the message.
    if (RunProgram(Program, Args, Error) != 0) {
        ReportSendError(KindMailProgram, SMailProgramFailed);
        return false;
    }
    return true;
}

AnsiString MailtoLink(const AnsiString& Recipients, const AnsiString& Subject,
                      const AnsiString& Body)
{
    AnsiString To;
    for (const AnsiString& R : SplitRecipients(Recipients))
        To += (To.IsEmpty() ? "" : ",") + PercentEncode(R, "@._+");
    return "mailto:" + To + "?Subject=" + PercentEncode(FlattenControlChars(Subject)) +
           "&Body=" + PercentEncode(BlankControls(Body));
}

bool SendMailClient(const AnsiString& Recipients, const AnsiString& Subject,
                    const AnsiString& Body, const AnsiString& ReportText)
{
    const std::string Program = FindProgram("xdg-open");
    const std::string Link = MailtoLink(Recipients, Subject, Body + ReportEnd + ReportText).Std();
    int Error = ENOENT;
    const int Code = Program.empty() ? -1 : RunProgram(Program, {Link}, Error);
    if (Code < 0) {
        ReportSendError(KindMailLink, Fill(SCannotOpenLink, SysErrorMessage(Win32ErrorOfErrno(Error))));
        return false;
    }
    return Code == 0;
}

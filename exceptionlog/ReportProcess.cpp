#include "exceptionlog/ReportProcess.h"

#include "exceptionlog/ExceptionProcessing.h"
#include "exceptionlog/ModuleOptions.h"
#include "exceptionlog/ProcessHelpers.h"
#include "exceptionlog/ReportDialog.h"
#include "exceptionlog/Smtp.h"
#include "platform/forms/Controls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Graphics.h"
#include "platform/forms/InputSimulation.h"
#include "platform/winapi/DialogBoxes.h"
#include "platform/classes/Streams.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/StrUtils.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

extern char** environ;

namespace {

constexpr char WindowCommand[] = "--report-window";
/// Set in the report process: it starts no other.
constexpr char InReportProcess[] = "PRICETAGS_REPORT_WINDOW";

// ---- pipe lines --------------------------------------------------------------------------

/// One line from Fd without its "\n"; false at the end of the pipe.
bool ReadLine(int Fd, std::string& Line)
{
    Line.clear();
    char C = 0;
    for (;;) {
        const ssize_t N = read(Fd, &C, 1);
        if (N < 0 && errno == EINTR)
            continue;
        if (N <= 0)
            return false;
        if (C == '\n')
            return true;
        Line += C;
    }
}

void WriteLine(int Fd, const std::string& Line)
{
    const std::string Text = Line + "\n";
    size_t Done = 0;
    while (Done < Text.size()) {
        const ssize_t N = write(Fd, Text.data() + Done, Text.size() - Done);
        if (N < 0 && errno == EINTR)
            continue;
        if (N <= 0)
            return;
        Done += size_t(N);
    }
}

std::string FileBytes(const AnsiString& Name)
{
    std::ifstream In(Name.ToUtf8(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>());
}

AnsiString FileText(const AnsiString& Name)
{
    const std::string B = FileBytes(Name);
    return AnsiString(B.data(), int(B.size()));
}

std::string Bytes(const AnsiString& S)
{
    return std::string(S.Data(), size_t(S.Length()));
}

int64_t MonotonicNow()
{
    timespec T{};
    clock_gettime(CLOCK_MONOTONIC, &T);
    return int64_t(T.tv_sec) * 1000000000 + T.tv_nsec;
}

/// A line "<what> <monotonic nanoseconds>" in PRICETAGS_REPORT_WINDOW_TIMES.
void NoteTime(const char* What)
{
    const char* Times = std::getenv("PRICETAGS_REPORT_WINDOW_TIMES");
    if (!Times)
        return;
    std::ofstream Out(Times, std::ios::app);
    Out << What << " " << MonotonicNow() << "\n";
}

// ---- the failing process's side -----------------------------------------------------------

struct WindowChild {
    pid_t Pid = 0;
    int ToChild = -1;
    int FromChild = -1;
};
WindowChild gChild;
std::atomic<int> gRun{0};

void EndChild()
{
    if (gChild.ToChild >= 0)
        close(gChild.ToChild);
    if (gChild.FromChild >= 0)
        close(gChild.FromChild);
    if (gChild.Pid > 0) {
        int Status = 0;
        while (waitpid(gChild.Pid, &Status, 0) < 0 && errno == EINTR) {
        }
    }
    gChild = WindowChild();
}

/// The report files of this run: "<folder>w<run>-<name>".
bool WriteRunFiles(const AnsiString& Prefix, const AnsiString& Name)
{
    const ReportDialogValues& V = DialogValues();
    TMemoryStream Options;
    DialogOptions().SaveToStream(&Options);
    const std::string OptionBytes(static_cast<const char*>(Options.Memory()), size_t(Options.Size()));
    const std::string Values = "IsRepeatedError=" + std::to_string(V.IsRepeatedError) +
                               "\nExceptionCount=" + std::to_string(V.ExceptionCount) +
                               "\nSendChosen=" + std::to_string(V.SendChosen) +
                               "\nScreenshotChosen=" + std::to_string(V.ScreenshotChosen) +
                               "\nAskTerminate=" + std::to_string(HasTerminateHandlers()) + "\n";
    return !WriteReportFile(Name + "options.bin", OptionBytes).IsEmpty() &&
           !WriteReportFile(Name + "values.txt", Values).IsEmpty() &&
           !WriteReportFile(Name + "message.txt", Bytes(V.ExceptionMessageText)).IsEmpty() &&
           !WriteReportFile(Name + "report.txt", Bytes(V.FullReportText)).IsEmpty() &&
           !WriteReportFile(Name + "general.txt", Bytes(V.GeneralSectionText)).IsEmpty() &&
           !WriteReportFile(Name + "cpu.txt", Bytes(V.CPUSectionText)).IsEmpty() &&
           !WriteReportFile(Name + "custom.txt", Bytes(V.CustomDataText)).IsEmpty() &&
           !Prefix.IsEmpty();
}

bool StartChild(const AnsiString& Prefix)
{
    char Exe[4096];
    const ssize_t N = readlink("/proc/self/exe", Exe, sizeof(Exe) - 1);
    if (N <= 0)
        return false;
    Exe[N] = '\0';
    int Down[2], Up[2];
    if (pipe(Down) != 0)
        return false;
    if (pipe(Up) != 0) {
        close(Down[0]);
        close(Down[1]);
        return false;
    }
    // Our ends stay with us; the child's ends go to the child only.
    fcntl(Down[1], F_SETFD, FD_CLOEXEC);
    fcntl(Up[0], F_SETFD, FD_CLOEXEC);
    const std::string Folder = Prefix.ToUtf8();
    const std::string ReadFd = std::to_string(Down[0]);
    const std::string WriteFd = std::to_string(Up[1]);
    const char* Argv[] = {Exe, WindowCommand, Folder.c_str(), ReadFd.c_str(), WriteFd.c_str(), nullptr};
    std::vector<char*> Env;
    const std::string Mark = std::string(InReportProcess) + "=1";
    for (char** E = environ; *E; ++E)
        Env.push_back(*E);
    Env.push_back(const_cast<char*>(Mark.c_str()));
    Env.push_back(nullptr);
    pid_t Pid = 0;
    const int Error = posix_spawn(&Pid, Exe, nullptr, nullptr, const_cast<char**>(Argv), Env.data());
    close(Down[0]);
    close(Up[1]);
    if (Error != 0) {
        close(Down[1]);
        close(Up[0]);
        return false;
    }
    gChild.Pid = Pid;
    gChild.ToChild = Down[1];
    gChild.FromChild = Up[0];
    return true;
}

bool gInstalled = false;
/// The files' name prefix of the prepared report process.
AnsiString gChildName;

/// The exception dialog: the report process shows the windows and answers.
bool ReportWindowDialog(const ExceptionFacts&, const AnsiString&)
{
    if (!gChild.Pid)
        PrepareReportWindow();
    if (!gChild.Pid)
        return false;
    const AnsiString Folder = ReportFilesFolder();
    if (!WriteRunFiles(Folder + gChildName, gChildName)) {
        EndReportWindow();
        return false;
    }
    NoteTime("report");
    WriteLine(gChild.ToChild, "show");
    std::string Answer;
    // The window asks whether a terminate chosen there stands (the
    // program's handlers may keep it running and have the window again).
    while (ReadLine(gChild.FromChild, Answer) && Answer == "terminate?")
        WriteLine(gChild.ToChild, NotifyTerminateChosen() ? "terminate 1" : "terminate 0");
    int Painted = 0, Send = 0, Shot = 0, Copy = 0, Terminate = 0;
    if (std::sscanf(Answer.c_str(), "answer %d %d %d %d %d", &Painted, &Send, &Shot, &Copy, &Terminate) != 5)
        Painted = 0;
    ReportDialogValues& V = DialogValues();
    if (!Painted) {
        // No window could be shown: everything goes on as without one.
        EndChild();
        ReportInternalError("ShowExceptionDialog", "Exception", "Cannot show the DialogBox window.");
        return false;
    }
    V.SendChosen = Send;
    V.ScreenshotChosen = Shot;
    V.CopyChosen = Copy;
    V.TerminateChosen = Terminate;
    const std::string Steps = FileBytes(Folder + gChildName + "report-out.txt");
    if (!Steps.empty())
        V.FullReportText = AnsiString(Steps.data(), int(Steps.size()));
    return V.TerminateChosen;
}

// ---- the report process ---------------------------------------------------------------------

/// The report process's pipe to the failing program.
int gFromParent = -1;
int gToParent = -1;

/// Whether a terminate chosen in the window stands: the failing program's
/// handlers answer.
bool AskParentToTerminate()
{
    WriteLine(gToParent, "terminate?");
    std::string Answer;
    return !ReadLine(gFromParent, Answer) || Answer != "terminate 0";
}

/// The progress window of a send in the report process: the send runs on
/// the window's thread, so each step lets the window paint.
class ProcessProgressWindow : public SendProgressWindow {
public:
    void Start() override
    {
        if (!SendDialogWindow())
            StartSendDialog();
        Application->ProcessMessages();
    }
    void SetStatus(const AnsiString& Text) override
    {
        if (HWND W = SendDialogWindow())
            SetDlgItemText(W, 100, Text);
        Application->ProcessMessages();
    }
    void SetPosition(int Percent) override
    {
        if (HWND W = SendDialogWindow())
            SendDlgItemMessage(W, 101, PBM_SETPOS, WPARAM(Percent), 0);
        Application->ProcessMessages();
    }
    void Over() override
    {
        if (HWND W = SendDialogWindow())
            SendMessage(W, WM_CLOSE_SEND_DIALOG, 0, 0);
        CloseSendDialog();
    }
};

std::map<std::string, std::string> ReadValues(const AnsiString& File)
{
    std::map<std::string, std::string> Values;
    std::string Text = FileBytes(File);
    size_t Start = 0;
    while (Start < Text.size()) {
        size_t End = Text.find('\n', Start);
        if (End == std::string::npos)
            End = Text.size();
        const std::string Line = Text.substr(Start, End - Start);
        const size_t Eq = Line.find('=');
        if (Eq != std::string::npos)
            Values[Line.substr(0, Eq)] = Line.substr(Eq + 1);
        Start = End + 1;
    }
    return Values;
}

/// The test hooks of the environment: the moment the window shows, its
/// picture, and the choice pressed.
void InstallTestAnswer()
{
    const char* Answer = std::getenv("PRICETAGS_REPORT_WINDOW_ANSWER");
    const char* Times = std::getenv("PRICETAGS_REPORT_WINDOW_TIMES");
    if (!Answer && !Times)
        return;
    static std::string Choice = Answer ? Answer : "";
    static std::string Png = std::getenv("PRICETAGS_REPORT_WINDOW_PNG") ? std::getenv("PRICETAGS_REPORT_WINDOW_PNG") : "";
    static int64_t ShownAt = 0;
    SetModalHook([](TCustomForm& Form) {
        HWND Dlg = Form.Handle();
        if (!GetDlgItem(Dlg, 3000)) {
            // The steps request: confirm it.
            if (!Choice.empty())
                EndDialog(Dlg, 2);
            return;
        }
        if (!IsWindowVisible(Dlg))
            return;
        if (!ShownAt) {
            ShownAt = MonotonicNow();
            NoteTime("shown");
        }
        // Let the window manager place and paint it before the picture.
        if (Choice.empty() || MonotonicNow() - ShownAt < 700000000)
            return;
        if (!Png.empty()) {
            TBitmap Shot;
            GrabWindow(static_cast<TWinControl*>(&Form), &Shot);
            const std::string Bytes = Shot.SaveToPngBytes();
            std::ofstream(Png, std::ios::binary).write(Bytes.data(), std::streamsize(Bytes.size()));
            Png.clear();
        }
        if (Choice == "send") {
            CheckDlgButton(Dlg, 3000, BST_CHECKED);
            CheckDlgButton(Dlg, 4000, BST_CHECKED);
            SendMessage(Dlg, WM_COMMAND, MakeWParam(2, BN_CLICKED), 0);
        } else if (Choice == "terminate") {
            SendMessage(Dlg, WM_COMMAND, MakeWParam(3, BN_CLICKED), 0);
        } else {
            SendMessage(Dlg, WM_COMMAND, MakeWParam(2, BN_CLICKED), 0);
        }
    });
}

}  // namespace

void InstallReportWindowProcess()
{
    gInstalled = true;
    SetExceptionDialog(&ReportWindowDialog);
}

void PrepareReportWindow()
{
    if (!gInstalled || gChild.Pid || std::getenv(InReportProcess))
        return;
    const AnsiString Folder = ReportFilesFolder();
    if (Folder.IsEmpty())
        return;
    gChildName = "w" + IntToStr(++gRun) + "-";
    if (!StartChild(Folder + gChildName))
        gChildName = AnsiString();
}

bool IsReportWindowCommand(int argc, char** argv)
{
    return argc >= 5 && std::strcmp(argv[1], WindowCommand) == 0;
}

bool SendFromReportWindow(const SendJob& Job, bool& Sent)
{
    if (!gChild.Pid)
        return false;
    // The send runs there with the progress window; the copies and the
    // screenshot are in the run's folder, which it shares.
    WriteLine(gChild.ToChild, std::string("send ") + (Job.AttachScreenshot ? "1 " : "0 ") +
                                  Job.LogFileName.ToUtf8());
    std::string Answer;
    int Result = 0;
    const bool Answered = ReadLine(gChild.FromChild, Answer) &&
                          std::sscanf(Answer.c_str(), "sent %d", &Result) == 1;
    EndChild();
    if (!Answered)
        return false;
    Sent = Result != 0;
    return true;
}

void EndReportWindow()
{
    if (!gChild.Pid)
        return;
    WriteLine(gChild.ToChild, "end");
    EndChild();
}

int RunReportWindowProcess(int argc, char** argv)
{
    setenv(InReportProcess, "1", 1);
    const AnsiString Prefix = AnsiString::FromUtf8(argv[2]);
    const int FromParent = std::atoi(argv[3]);
    const int ToParent = std::atoi(argv[4]);
    // Started while the report is being made: ready to show it at once
    // when the files are written, or to end when no window is wanted.
    GuiStartup(argc, argv);
    NoteTime("ready");
    std::string Go;
    if (!ReadLine(FromParent, Go) || Go != "show") {
        GuiShutdown();
        return 0;
    }
    auto Options = std::make_shared<TRazuroModuleOptions>();
    try {
        TMemoryStream Stream;
        Stream.LoadFromFile(Prefix + "options.bin");
        Stream.SetPosition(0);
        Options->LoadFromStream(&Stream, CurrentDataVersion);
    } catch (const Exception& E) {
        std::fprintf(stderr, "%s\n", E.Message.ToUtf8().c_str());
        WriteLine(ToParent, "answer 0 0 0 0 0");
        GuiShutdown();
        return 1;
    }
    const auto Values = ReadValues(Prefix + "values.txt");
    auto Flag = [&](const char* Key) {
        auto It = Values.find(Key);
        return It != Values.end() && It->second == "1";
    };
    ReportDialogValues& V = DialogValues();
    V.IsRepeatedError = Flag("IsRepeatedError");
    V.SendChosen = Flag("SendChosen");
    V.ScreenshotChosen = Flag("ScreenshotChosen");
    V.ExceptionCount = Values.count("ExceptionCount") ? std::atoi(Values.at("ExceptionCount").c_str()) : 1;
    V.ExceptionMessageText = FileText(Prefix + "message.txt");
    V.FullReportText = FileText(Prefix + "report.txt");
    V.GeneralSectionText = FileText(Prefix + "general.txt");
    V.CPUSectionText = FileText(Prefix + "cpu.txt");
    V.CustomDataText = FileText(Prefix + "custom.txt");
    const AnsiString Report = V.FullReportText;
    gFromParent = FromParent;
    gToParent = ToParent;
    if (Flag("AskTerminate"))
        SetTerminateQuestion(&AskParentToTerminate);
    SetDialogOptions(Options.get());
    InstallTestAnswer();
    const bool Painted = ShowExceptionDialog();
    if (Painted)
        ShowReproduceRequest();
    // The steps the user described, for the log and the send.
    if (V.FullReportText != Report)
        WriteNewFile(Prefix + "report-out.txt", Bytes(V.FullReportText));
    // The failing program's window thread may be the one that failed or
    // froze: the text goes on the clipboard from here too.
    if (Painted && V.CopyChosen)
        CopyTextToClipboard(V.FullReportText);
    WriteLine(ToParent, "answer " + std::to_string(Painted) + " " + std::to_string(V.SendChosen) + " " +
                            std::to_string(V.ScreenshotChosen) + " " + std::to_string(V.CopyChosen) +
                            " " + std::to_string(V.TerminateChosen));

    std::string Command;
    if (ReadLine(FromParent, Command) && Command.rfind("send ", 0) == 0 && Command.size() > 7) {
        SendJob Job;
        Job.Options = Options;
        Job.ReportText = V.FullReportText;
        Job.AttachScreenshot = Command[5] == '1';
        Job.LogFileName = AnsiString::FromUtf8(Command.substr(7).c_str());
        Job.TempFolder = ExtractFilePath(Prefix);
        Job.ExceptionTime = Now();
        ProcessProgressWindow Progress;
        SendProgressWindow* Old = SetSendProgressWindow(&Progress);
        bool Ok = false;
        try {
            Ok = SendReport(Job);
        } catch (const Exception& E) {
            std::fprintf(stderr, "%s\n", E.Message.ToUtf8().c_str());
        }
        SetSendProgressWindow(Old);
        Progress.Over();
        WriteLine(ToParent, Ok ? "sent 1" : "sent 0");
    }
    GuiShutdown();
    return 0;
}

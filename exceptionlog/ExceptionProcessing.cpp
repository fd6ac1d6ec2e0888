#include "exceptionlog/ExceptionProcessing.h"

#include "exceptionlog/DebugData.h"
#include "exceptionlog/ExceptionLog.h"
#include "exceptionlog/FreezeDetection.h"
#include "exceptionlog/Hooks.h"
#include "exceptionlog/LogFile.h"
#include "exceptionlog/ModuleList.h"
#include "exceptionlog/ModuleOptions.h"
#include "exceptionlog/ProcessHelpers.h"
#include "exceptionlog/ReportDialog.h"
#include "exceptionlog/ReportProcess.h"
#include "exceptionlog/Screenshot.h"
#include "exceptionlog/Sending.h"
#include "exceptionlog/SystemInfo.h"

#include "platform/classes/Strings.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Files.h"
#include "platform/winapi/Windows.h"

#include <cxxabi.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace {

// Message numbers the wait drops (input); the rest are let through.
constexpr unsigned WM_NCFIRSTCLICK = 0x00A1, WM_NCLASTCLICK = 0x00A9, WM_KEYFIRST_ = 0x0100,
                   WM_CHAR_ = 0x0102, WM_SYSKEYDOWN_ = 0x0104, WM_SYSCHAR_ = 0x0106,
                   WM_MOUSEFIRSTBUTTON = 0x0201, WM_MOUSELASTBUTTON = 0x0209;

struct ProcessingState {
    std::mutex Lock;
    std::unique_ptr<TRazuroModulesList> Modules;
    std::deque<TDateTime> RecentExceptions;
    int ExceptionCount = 0;
    bool TerminateRequested = false;
    ProcessResult Last;
    ExceptionDialog Dialog = nullptr;
    std::atomic<pid_t> MainThread{0};
    std::atomic<pid_t> FreezeThread{0};
    AnsiString FilesFolder;
    std::vector<const ExceptionEventHandlers*> Handlers;
};

ProcessingState& PState()
{
    // Never destroyed: a thread may report while the program's static
    // objects go away.
    static auto* S = new ProcessingState();
    return *S;
}

thread_local bool tProcessing = false;

AnsiString Demangled(const char* Name)
{
    int Status = 0;
    std::unique_ptr<char, decltype(&std::free)> D(abi::__cxa_demangle(Name, nullptr, nullptr, &Status),
                                                  &std::free);
    return AnsiString::FromUtf8(Status == 0 && D ? D.get() : Name);
}

// The thrown object of an exception pointer. The runtime's exception
// pointer holds exactly the object's address.
const void* ThrownObject(const std::exception_ptr& E)
{
    static_assert(sizeof(std::exception_ptr) == sizeof(void*));
    const void* Object = nullptr;
    std::memcpy(&Object, static_cast<const void*>(&E), sizeof Object);
    return Object;
}

// The program's own record (with its tables), at the load address the
// module list found for the program.
ModuleRecord* ProgramRecord(const TRazuroModulesList& Modules)
{
    ModuleRecord* Main = MainModuleRecord();
    if (!Main)
        return nullptr;
    for (int I = 0; I < Modules.Count(); ++I)
        if (Modules.Items(I)->Kind == 1) {
            Main->Handle = Modules.Items(I)->Handle;
            return Main;
        }
    return nullptr;
}

void StartParts()
{
    PState().MainThread = CurrentThreadID();
    InstallHooks();
    if (ModuleRecord* Main = MainModuleRecord()) {
        if (const uintptr_t Handle = ProgramHandle())
            Main->Handle = Handle;
        if (Main->Options && Main->Options->Activate() && Main->Options->FreezeActive())
            StartFreezeDetection();
    }
}

void StopParts()
{
    // A report that another thread is making (the window open, the mail
    // going out) is finished before the program lets go: ending now would
    // lose it. The thread that makes one ends the program itself.
    if (!tProcessing) {
        const auto Until = std::chrono::steady_clock::now() + std::chrono::minutes(10);
        bool Locked = PState().Lock.try_lock();
        while (!Locked && std::chrono::steady_clock::now() < Until) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            Locked = PState().Lock.try_lock();
        }
        if (Locked)
            PState().Lock.unlock();
    }
    StopFreezeDetection();
    RemoveHooks();
    ProcessingState& S = PState();
    if (!S.FilesFolder.IsEmpty()) {
        // Only the files this run made are in it.
        std::error_code Ignored;
        std::filesystem::remove_all(S.FilesFolder.ToUtf8(), Ignored);
        S.FilesFolder = AnsiString();
    }
}

void SwitchFreeze(bool On)
{
    if (On)
        StartFreezeDetection();
    else
        StopFreezeDetection();
}

// The stacks of the other threads the options ask for (bit 2: the main
// thread and threads with a thread object; bit 3: the others), each sampled
// and let go at once.
void AddOtherThreads(std::vector<StackEntry>& Stack, TRazuroModulesList& Modules,
                     ModuleRecord* Program, pid_t Raising, Byte CallStackOptions)
{
    const ProcessingState& S = PState();
    TrackedThreads().RemoveDeadThreads();
    std::vector<ThreadRecord> Threads = TrackedThreads().CopyThreads();
    ThreadRecord MainRec;
    MainRec.ThreadID = S.MainThread.load();
    Threads.insert(Threads.begin(), MainRec);
    for (const ThreadRecord& T : Threads) {
        const bool Main = T.ThreadID == S.MainThread.load();
        const bool Wanted = (Main || T.ThreadObject) ? (CallStackOptions & 0x04) != 0
                                                     : (CallStackOptions & 0x08) != 0;
        if (!Wanted || T.ThreadID == 0 || T.ThreadID == Raising ||
            T.ThreadID == S.FreezeThread.load() || T.ThreadID == CurrentThreadID())
            continue;
        ThreadSample Sample;
        if (!SampleThread(T.ThreadID, Sample))
            continue;  // a thread that cannot be read is left out
        const size_t First = Stack.size();
        BuildCallStack(Stack, Modules, Program, Sample.Context.Registers[7], Sample.Stack,
                       uint64_t(T.ThreadID), Main, /*Running=*/true);
        for (size_t I = First; I < Stack.size(); ++I)
            Stack[I].ThreadClass = T.ClassName;
    }
}

// The active form and control, read on the main thread only (window
// objects belong to it), and not after a fault, which may have left them
// damaged. A password edit shows as many "*" as it holds.
void FillActiveControls(ReportData& Data, pid_t Thread, bool Fault)
{
    Data.GUIApplication = Application != nullptr && Screen != nullptr;
    if (!Data.GUIApplication || Fault || Thread != PState().MainThread.load() ||
        CurrentThreadID() != Thread)
        return;
    if (const TCustomForm* Form = Screen->ActiveForm()) {
        Data.Fields[gfFormClass] = Form->ClassName();
        Data.Fields[gfFormText] = ControlText(Form->Caption());
    }
    if (const TWinControl* Control = Screen->ActiveControl()) {
        Data.Fields[gfControlClass] = Control->ClassName();
        const auto* Edit = dynamic_cast<const TCustomEdit*>(Control);
        const AnsiString Text = Control->Text();
        Data.Fields[gfControlText] = Edit && Edit->PasswordChar() != 0
                                         ? AnsiString(std::string(size_t(Text.Length()), '*'))
                                         : ControlText(Text);
    }
}

// The handler records of one event, last added first, then the global one.
std::vector<const ExceptionEventHandlers*> EventRecords()
{
    std::vector<const ExceptionEventHandlers*> R(PState().Handlers.rbegin(),
                                                 PState().Handlers.rend());
    R.push_back(&gExceptionEvents);
    return R;
}

void NotifyAction(ExceptionAction Action)
{
    for (const ExceptionEventHandlers* H : EventRecords())
        if (H->ActionNotify)
            H->ActionNotify(Action);
}

}  // namespace

bool HasTerminateHandlers()
{
    for (const ExceptionEventHandlers* H : EventRecords())
        if (H->TerminateNotify)
            return true;
    return false;
}

bool NotifyTerminateChosen()
{
    bool Terminate = true;
    for (const ExceptionEventHandlers* H : EventRecords())
        if (H->TerminateNotify)
            H->TerminateNotify(Terminate);
    return Terminate;
}

namespace {

// Runs Step; a failure goes to the action-error events, which may ask for
// it again. A step still failing is noted in the program log and the run
// goes on.
void RunStep(ExceptionAction Action, const std::function<void()>& Step)
{
    // A handler that always asks again must not keep the run forever.
    constexpr int MaxTries = 10;
    for (int Try = 1;; ++Try) {
        AnsiString Message;
        try {
            Step();
            return;
        } catch (const Exception& E) {
            Message = E.Message;
        } catch (const std::exception& E) {
            Message = AnsiString::FromUtf8(E.what());
        }
        bool Retry = false;
        for (const ExceptionEventHandlers* H : EventRecords())
            if (H->ActionError)
                H->ActionError(Action, Message, Retry);
        if (!Retry || Try >= MaxTries) {
            WriteProgramLog("Exception report step failed: " + Message);
            return;
        }
    }
}

// The known-report check compares these General fields.
const std::vector<AnsiString>& KnownFields()
{
    static const std::vector<AnsiString> F = {"2.2", "2.3", "2.4", "2.5"};
    return F;
}

bool BurstReached(const ProcessingState& S, const TRazuroModuleOptions& O)
{
    return (O.BehaviourOptions & 1) && O.BurstCount > 0 &&
           int(S.RecentExceptions.size()) == O.BurstCount &&
           double(S.RecentExceptions.back()) - double(S.RecentExceptions.front()) <=
               double(O.BurstMinutes) / 1440.0;
}

void WriteStandardError(const ExceptionFacts& Facts, const AnsiString& Report)
{
    // The console reads UTF-8; the report's text is the program's CP1251.
    const std::string Text = (ExceptionTypeText(Facts.ClassName) + ": " +
                              ExceptionMessageText(Facts.Message, Facts.RuntimeException) +
                              "\r\n" + Report + "\r\n")
                                 .ToUtf8();
    std::fwrite(Text.data(), 1, Text.size(), stderr);
    std::fflush(stderr);
}

// A matched filter's message, in a message box on the main thread (the
// window layer draws there only): at once when this is the main thread,
// else handed to its event loop without waiting. After a fault, or without
// windows, it goes to standard error.
void ShowFilterMessage(const AnsiString& Caption, const AnsiString& Text, bool Fault)
{
    // Information icon, task-modal, set to the foreground and top-most.
    constexpr UINT Style = 0x00242040;
    if (!Fault && Application && CurrentThreadID() == PState().MainThread.load()) {
        Application->MessageBox(Text, Caption, Style);
        return;
    }
    auto* Box = new std::pair<AnsiString, AnsiString>(Caption, Text);
    const auto Show = [](void* Data) {
        std::unique_ptr<std::pair<AnsiString, AnsiString>> B(
            static_cast<std::pair<AnsiString, AnsiString>*>(Data));
        if (Application)
            Application->MessageBox(B->second, B->first, Style);
    };
    if (!Fault && Application && PostAnswerRequest(Show, Box))
        return;
    delete Box;
    const std::string Line = (Text + "\r\n").ToUtf8();
    std::fwrite(Line.data(), 1, Line.size(), stderr);
    std::fflush(stderr);
}

// The report run on the raising thread. Returns false: the exception was
// processed here.
bool ProcessException(const ExceptionFacts& Facts)
{
    ProcessingState& S = PState();
    ModuleRecord* Main = MainModuleRecord();
    TRazuroModuleOptions& O = *GlobalOptions();
    if (Main && Main->Options)
        O.Assign(Main->Options.get());
    if (!S.Modules) {
        S.Modules = std::make_unique<TRazuroModulesList>();
        S.Modules->RefreshModules();
    }
    if (O.LogOptions & 0x10)
        S.Modules->RefreshModules();

    // Filters end the run: the exception is neither reported nor passed on.
    if (Facts.Kind != ekWeb && O.UseFilters) {
        const int Index = ExceptionFilterIndex(O, Facts.ClassName);
        if (Index >= 0) {
            const AnsiString Text = Index < O.FilterMessages->Count()
                                        ? O.FilterMessages->Strings(Index)
                                        : AnsiString();
            if (!Text.IsEmpty())
                ShowFilterMessage(O.GetCustomText(0), Text, Facts.Context.has_value());
            return false;
        }
    }

    // The report window's process starts now and gets ready while the
    // report is made; whatever way the run ends, it is let go.
    if (O.ExceptionDialogOptions & 1)
        PrepareReportWindow();
    struct EndWindow {
        ~EndWindow() { EndReportWindow(); }
    } EndWindowOnExit;

    const pid_t Thread = Facts.ThreadID ? Facts.ThreadID : CurrentThreadID();
    ModuleRecord* Listed = S.Modules->FindModuleRecordByAddress(uintptr_t(Facts.Address));
    std::vector<StackEntry> Stack;
    BuildCallStack(Stack, *S.Modules, ProgramRecord(*S.Modules),
                   Facts.AddressInStack ? 0 : Facts.Address, Facts.Stack, uint64_t(Thread),
                   Thread == S.MainThread.load(), false);

    AddOtherThreads(Stack, *S.Modules, ProgramRecord(*S.Modules), Thread, O.CallStackOptions);

    ReportData Data;
    FillSystemFields(Data, Main);
    FillActiveControls(Data, Thread, Facts.Context.has_value());
    Data.Fields[gfExceptionDate] = MailDateText(Now());
    // The address counts from its module's start, so the same fault has the
    // same address on every run and a known report is recognised.
    Data.Fields[gfAddress] = ExceptionAddressText(
        Listed && Facts.Address >= Listed->Handle ? Facts.Address - Listed->Handle : Facts.Address, 16);
    Data.Fields[gfModule] = Listed ? ExtractFileName(Listed->FileName) : AnsiString();
    Data.Fields[gfType] = ExceptionTypeText(Facts.ClassName);
    Data.Fields[gfMessage] = ExceptionMessageText(Facts.Message, Facts.RuntimeException);
    Data.CallStack = &Stack;
    Data.Modules = S.Modules->ModuleRows();
    Data.Context = Facts.Context;

    const AnsiString LogName =
        LogFileName(O, StartupFolder(), ExceptionLogModuleName(), Data.Fields[gfComputerName]);
    bool Known = false;
    if (O.LogOptions & 0x01) {
        const TLogFile Log(LogName, /*ReadOnly=*/true);
        Known = Log.Find(KnownFields(), {Data.Fields[gfAddress], Data.Fields[gfModule],
                                         Data.Fields[gfType], Data.Fields[gfMessage]});
    }
    // The screenshot goes only with a report sent with the user's consent:
    // it is taken when the dialog will offer its box, and freed at the end
    // of the run whatever happens.
    const bool SendWanted = O.EmailSendMode != 0 || O.WebSendMode != 0;
    struct FreeOnExit {
        ~FreeOnExit() { FreeScreenshot(); }
    } FreeShot;
    if (SendWanted && (O.SendOptions & soAttachScreenshot) && (O.ExceptionDialogOptions & 1) &&
        S.Dialog) {
        RecordScreenshotMoment();
        CaptureScreenshot(O);
    }
    bool Handled = true;
    for (const ExceptionEventHandlers* H : EventRecords())
        if (H->ExceptionNotify)
            H->ExceptionNotify(Facts, Handled);
    if (!Handled)
        return true;
    if (O.BehaviourOptions & 1) {
        S.RecentExceptions.push_back(Now());
        while (int(S.RecentExceptions.size()) > std::max(O.BurstCount, 1))
            S.RecentExceptions.pop_front();
    }
    ++S.ExceptionCount;
    const ReportTexts Texts = BuildReportText(Data, O);

    // What the report window shows and the choices it gives back; without
    // a window they stay as the options set them.
    ReportDialogValues& V = DialogValues();
    V = ReportDialogValues();
    V.SendChosen = O.EmailSendMode != 0 || O.WebSendMode != 0;
    V.ScreenshotChosen = O.SendOptions & 0x10;
    V.IsRepeatedError = Known;
    V.ExceptionCount = S.ExceptionCount;
    V.ExceptionMessageText = Data.Fields[gfMessage];
    V.FullReportText = Texts.Report;
    V.GeneralSectionText = Texts.General;
    V.CPUSectionText = Texts.CPU;
    SetDialogOptions(&O);
    // The console keeps the report too, window or not.
    WriteStandardError(Facts, Texts.Report);
    // The picture goes only where a shown dialog's box said so: without a
    // window nobody consented.
    bool ShotConsent = false;
    if (O.ExceptionDialogOptions & 1) {
        NotifyAction(eaShowingDialog);
        if (S.Dialog && S.Dialog(Facts, Texts.Report))
            S.TerminateRequested = true;
        ShotConsent = S.Dialog && V.ScreenshotChosen;
        NotifyAction(eaShowedDialog);
    }
    // With the steps the user described, when asked for.
    const AnsiString ReportText = V.FullReportText;
    // The clipboard belongs to the main thread's event loop, which copies
    // for another thread; after a fault or while the main thread is frozen
    // it cannot, and the report window's process has copied it.
    if (V.CopyChosen && !Facts.Context.has_value())
        CopyTextToClipboard(ReportText);

    if (O.LogOptions & 0x04) {
        const TLogFile Log(LogName, /*ReadOnly=*/true);
        if (Log.Count() > 0 &&
            Log.GetValue(Log.Count() - 1, "1.3") != Data.Fields[gfVersionNumber])
            DeleteFile(LogName);
    }
    if (O.SaveLogFile && !Known) {
        NotifyAction(eaSavingLog);
        RunStep(eaSavingLog, [&] {
            TLogFile Log(LogName, /*ReadOnly=*/false);
            Log.Add(ReportText, O.ErrorsNumberToSave);
            Log.Save();
            // The log in its XML form too, beside it.
            if (O.SendOptions & 0x04)
                Log.SaveToXML(ChangeFileExt(LogName, ".xml"));
        });
        NotifyAction(eaSavedLog);
    }
    S.Last = {true, Known, ReportText};

    // Sending, when the options configure it and the user did not refuse.
    if (SendWanted && V.SendChosen) {
        auto Options = std::make_shared<TRazuroModuleOptions>();
        Options->Assign(&O);
        // A fault or a termination ends the process when this run ends: a
        // send thread would die with it, so the send runs here.
        if (Facts.Context.has_value() || S.TerminateRequested)
            Options->BehaviourOptions &= Byte(~boSendInThread);
        SendJob Job;
        Job.Options = Options;
        Job.ReportText = ReportText;
        Job.LogFileName = LogName;
        Job.TempFolder = ReportFilesFolder();
        Job.ExceptionTime = Now();
        const AnsiString Shot = Job.TempFolder.IsEmpty() ? AnsiString() : Job.TempFolder + ScreenshotFileName;
        if (ShotConsent && (O.SendOptions & soAttachScreenshot) && ScreenshotTaken()) {
            // The folder is this run's own: a picture left there is ours.
            DeleteFile(Shot);
            Job.AttachScreenshot = SaveScreenshotPNG(Shot);
        }
        NotifyAction(eaSendingReport);
        RunStep(eaSendingReport, [&] {
            // A report window that waits sends it with its progress window.
            bool Sent = false;
            if (!SendFromReportWindow(Job, Sent))
                StartSend(Job);
        });
        NotifyAction(eaSentReport);
        // A send thread removes the picture when it is done.
        if (Job.AttachScreenshot && !(Options->BehaviourOptions & boSendInThread))
            DeleteFile(Shot);
    }
    EndReportWindow();

    if (!(O.SendOptions & 0x80) && BurstReached(S, O)) {
        S.TerminateRequested = true;
        O.TerminateAction = O.TerminateActionOnBurst;
        S.RecentExceptions.clear();
    }
    if (Facts.Kind != ekWeb && !(O.SendOptions & 0x80) && S.TerminateRequested) {
        S.TerminateRequested = false;
        TerminateProgram(O.TerminateAction == 1, StartupFolder());
    }
    return false;
}

// Runs a report, turning a failure inside into an internal-error report.
bool RunProcessing(const ExceptionFacts& Facts)
{
    try {
        return ProcessException(Facts);
    } catch (const Exception& E) {
        ReportInternalError("ProcessException", E.ClassName(), E.Message);
    } catch (const std::exception& E) {
        ReportInternalError("ProcessException", "std::exception", AnsiString::FromUtf8(E.what()));
    }
    return true;
}

}  // namespace

ExceptionFacts FactsOfException(const std::exception_ptr& E, Byte Kind)
{
    ExceptionFacts F;
    F.Kind = Kind;
    if (!E)
        return F;
    try {
        std::rethrow_exception(E);
    } catch (const EAbort& X) {
        F.ClassName = X.ClassName();
        F.Message = X.Message;
        F.Silent = true;
    } catch (const Exception& X) {
        F.ClassName = X.ClassName();
        F.Message = X.Message;
    } catch (const std::exception& X) {
        F.ClassName = Demangled(typeid(X).name());
        F.Message = AnsiString::FromUtf8(X.what());
    } catch (...) {
        const std::type_info* T = abi::__cxa_current_exception_type();
        F.ClassName = T ? Demangled(T->name()) : AnsiString();
        F.RuntimeException = false;
    }
    if (FindThrowRecord(ThrownObject(E), F.Stack) && !F.Stack.empty()) {
        F.Address = F.Stack.front();
        F.AddressInStack = true;
    }
    return F;
}

ExceptionFacts FactsOfCurrentException(Byte Kind)
{
    return FactsOfException(std::current_exception(), Kind);
}

bool HandleExceptionWaiting(const ExceptionFacts& Facts)
{
    if (!ExceptionLogActive() || Facts.Silent)
        return true;
    if (tProcessing)
        return false;
    ProcessingState& S = PState();
    const pid_t Self = CurrentThreadID();
    // The hang detector reports for the main thread.
    const pid_t Thread =
        Facts.ThreadID ? Facts.ThreadID : Self == S.FreezeThread.load() ? S.MainThread.load() : Self;
    if (ExcludedThreadList().Contains(Thread))
        return true;
    const std::lock_guard<std::mutex> Guard(S.Lock);
    tProcessing = true;
    struct Clear {
        ~Clear() { tProcessing = false; }
    } ClearOnExit;
    const ModuleRecord* Main = MainModuleRecord();
    if (!Main || !Main->Options || !Main->Options->Activate())
        return true;
    ExceptionFacts Own = Facts;
    Own.ThreadID = Thread;
    return RunProcessing(Own);
}

ExceptionEventHandlers gExceptionEvents;

void AddExceptionEventHandlers(const ExceptionEventHandlers* Handlers)
{
    const std::lock_guard<std::mutex> Guard(PState().Lock);
    PState().Handlers.push_back(Handlers);
}

void RemoveExceptionEventHandlers(const ExceptionEventHandlers* Handlers)
{
    const std::lock_guard<std::mutex> Guard(PState().Lock);
    auto& H = PState().Handlers;
    H.erase(std::remove(H.begin(), H.end(), Handlers), H.end());
}

ProcessResult LastProcessResult()
{
    const std::lock_guard<std::mutex> Guard(PState().Lock);
    return PState().Last;
}

ExceptionDialog SetExceptionDialog(ExceptionDialog Dialog)
{
    const ExceptionDialog Old = PState().Dialog;
    PState().Dialog = Dialog;
    return Old;
}

void SetScreenshotChosen(bool Chosen)
{
    DialogValues().ScreenshotChosen = Chosen;
}

AnsiString ReportFilesFolder()
{
    ProcessingState& S = PState();
    if (S.FilesFolder.IsEmpty())
        S.FilesFolder = MakePrivateTempFolder("RazuroLog-");
    return S.FilesFolder;
}

AnsiString WriteReportFile(const AnsiString& Name, const std::string& Data)
{
    const AnsiString Folder = ReportFilesFolder();
    if (Folder.IsEmpty() || Name.IsEmpty() || Name.Pos("/") > 0 || Name == "." || Name == "..")
        return AnsiString();
    const AnsiString Full = Folder + Name;
    return WriteNewFile(Full, Data) ? Full : AnsiString();
}

bool WaitDropsMessage(unsigned Msg)
{
    return (Msg >= WM_NCFIRSTCLICK && Msg <= WM_NCLASTCLICK) ||
           (Msg >= WM_KEYFIRST_ && Msg <= WM_CHAR_) || (Msg >= WM_SYSKEYDOWN_ && Msg <= WM_SYSCHAR_) ||
           (Msg >= WM_MOUSEFIRSTBUTTON && Msg <= WM_MOUSELASTBUTTON);
}

void SetTerminateAction(Byte Value)
{
    if (!ExceptionLogActive())
        return;
    PState().TerminateRequested = true;
    if (GlobalOptions())
        GlobalOptions()->TerminateAction = Value;
    if (MainModuleRecord() && MainModuleRecord()->Options)
        MainModuleRecord()->Options->TerminateAction = Value;
}

TRazuroModuleOptions& CurrentRazuroLogOptions()
{
    ModuleRecord* Main = MainModuleRecord();
    if (!ExceptionLogActive() || !Main || !Main->Options)
        throw EAssertionFailed(
            "\r\nCannot use 'CurrentRazuroLogOptions' function without activate RazuroLog.\r\n"
            "To activate RazuroLog use the new IDE \"Project/RazuroLog Options...\" menu. "
            "(ExceptionLog)");
    return *Main->Options;
}

pid_t MainThreadID()
{
    return PState().MainThread.load();
}

void SetFreezeThreadID(pid_t ThreadID)
{
    PState().FreezeThread = ThreadID;
}

void RegisterExceptionLogParts()
{
    SetDebugDataWanted(true);
    SetStartupSteps({StartParts, StopParts});
    SetHangDetectionSwitch(SwitchFreeze);
}

extern "C" bool ExceptionManager(void* Object, void* Address, uint8_t Kind, void* /*Module*/)
{
    // While inactive there is nothing to report to and no lock to take.
    if (!ExceptionLogActive())
        return true;
    ExceptionFacts F = Object ? ExceptionFacts() : FactsOfCurrentException(Kind);
    F.Kind = Kind;
    if (Object && std::current_exception() && ThrownObject(std::current_exception()) == Object)
        F = FactsOfCurrentException(Kind);
    else if (Object)
        FindThrowRecord(Object, F.Stack);
    if (Address) {
        F.Address = reinterpret_cast<uintptr_t>(Address);
        F.AddressInStack = !F.Stack.empty() && F.Stack.front() == F.Address;
    }
    if (F.ClassName.IsEmpty() && !Object && !std::current_exception())
        return true;
    return HandleExceptionWaiting(F);
}

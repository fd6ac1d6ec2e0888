// A program that carries a data block and raises what its first argument
// names, for the exception log's tests in a child process. The report goes
// to standard error and to the log in $EXLOG_DIR; the dialog is off but in
// the screenshot scenarios, where a stand-in dialog leaves the screenshot
// box as $EXLOG_SCREENSHOT_BOX says (1 checked).
//
//   exceptionlog_child SCENARIO

#include "exceptionlog/ExceptionLog.h"
#include "exceptionlog/ExceptionProcessing.h"
#include "exceptionlog/ReportProcess.h"
#include "exceptionlog/ProcessHelpers.h"

#include "platform/classes/Strings.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"
#include "platform/forms/Timers.h"
#include "platform/rtl/Exceptions.h"

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>

namespace {

std::string gDir;
bool gTimerDone = false;
std::function<void()> gTimerAction;

void SaveProgramState()
{
    std::printf("saved\n");
    std::fflush(stdout);
}

[[gnu::noinline]] void RaisePriceError()
{
    throw EConvertError("Bad price");  // line checked by the tests: RaisePriceError
}

[[gnu::noinline]] void FrozenHandler()
{
    std::this_thread::sleep_for(std::chrono::milliseconds(3000));
}

// Never 0: the recursion only ends in the stack's guard.
volatile int gDepthLimit = -1;

[[gnu::noinline]] int Recurse(int Depth)
{
    volatile char Frame[512];
    Frame[0] = char(Depth);
    if (Depth == gDepthLimit)
        return Frame[0];
    return Recurse(Depth + 1) + Frame[0];
}

// Addresses in the first page, which is never mapped.
volatile uintptr_t gBadAddress = 16;

// The processor's own fault, also in a build whose checks would stop a
// division by zero before it runs.
[[gnu::noinline, gnu::no_sanitize("integer-divide-by-zero")]] int Divide(int A, int B)
{
    return A / B;
}

int* BadPointer()
{
    return reinterpret_cast<int*>(gBadAddress);
}

std::atomic<bool> gWorkerWaiting{false};
std::atomic<bool> gWorkerStop{false};

[[gnu::noinline]] void WaitingWorker()
{
    gWorkerWaiting = true;
    while (!gWorkerStop)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

int gErrors = 0;

void EventsNotify(const ExceptionFacts& Facts, bool& Handled)
{
    std::printf("notify %s\n", Facts.Message.ToUtf8().c_str());
    // The program deals with this one itself.
    if (Facts.Message == "Left to the program")
        Handled = false;
}

void EventsAction(ExceptionAction Action)
{
    std::printf("action %d\n", int(Action));
}

void EventsError(ExceptionAction Action, const AnsiString&, bool& Retry)
{
    std::printf("error %d\n", int(Action));
    Retry = ++gErrors == 1;
}

void OnTimer(TObject* Sender)
{
    static_cast<TTimer*>(Sender)->SetEnabled(false);
    gTimerDone = true;
    gTimerAction();
}

// Runs Action from a timer event, inside the window layer's event loop.
int RunInEventHandler(int& Argc, char** Argv, std::function<void()> Action)
{
    GuiStartup(Argc, Argv);
    // A window with a password field in focus: the report names them and
    // hides what was typed.
    auto* Form = new TForm(Application);
    Form->SetCaption("Invoice");
    auto* Password = new TEdit(Form);
    Password->SetParent(Form);
    Password->SetPasswordChar('*');
    Password->SetText("secret");
    Form->Show();
    Password->SetFocus();
    gTimerAction = std::move(Action);
    auto* Timer = new TTimer(nullptr);
    Timer->SetInterval(20);
    Timer->OnTimer = OnTimer;
    const auto Until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!gTimerDone && std::chrono::steady_clock::now() < Until)
        Application->HandleMessage();
    Application->ProcessMessages();
    delete Timer;
    const ProcessResult R = LastProcessResult();
    std::printf("%s%s\n", R.Reported ? "reported" : "not reported", R.Known ? " known" : "");
    std::fflush(stdout);
    return 0;
}

int gIdles = 0;

void CountIdle(TObject*, bool&)
{
    ++gIdles;
}

// The program left alone for two seconds with hang detection on: prints
// how often its message loop woke up to idle.
int RunIdle(int& Argc, char** Argv)
{
    GuiStartup(Argc, Argv);
    auto* Form = new TForm(Application);
    Form->SetCaption("Invoice");
    Form->Show();
    Application->ProcessMessages();
    gTimerAction = [] {};
    auto* Timer = new TTimer(nullptr);
    Timer->SetInterval(2000);
    Timer->OnTimer = OnTimer;
    Application->OnIdle = CountIdle;
    while (!gTimerDone)
        Application->HandleMessage();
    Application->OnIdle = nullptr;
    delete Timer;
    std::printf("idle %d\n", gIdles);
    std::fflush(stdout);
    return 0;
}

// The report dialog's stand-in: the screenshot box as the test asks.
bool ScreenshotDialog(const ExceptionFacts&, const AnsiString&)
{
    const char* Box = std::getenv("EXLOG_SCREENSHOT_BOX");
    SetScreenshotChosen(Box && std::strcmp(Box, "1") == 0);
    std::printf("dialog\n");
    return false;
}

// The exception on a second thread while the window thread goes on
// handling its events.
void RaiseOnWorker()
{
    std::atomic<bool> Done{false};
    std::thread Worker([&] {
        try {
            RaisePriceError();
        } catch (...) {
            ExceptionManager(nullptr, nullptr, ekRaised, nullptr);
        }
        Done = true;
    });
    while (!Done) {
        Application->ProcessMessages();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    Worker.join();
}

void SetOptions(const std::string& Scenario)
{
    TRazuroModuleOptions& O = CurrentRazuroLogOptions();
    O.ExceptionDialogOptions &= Byte(~1);
    O.OutputPath = AnsiString::FromUtf8(gDir.c_str());
    O.SaveLogFile = true;
    if (Scenario == "known")
        O.LogOptions |= 0x01;
    if (Scenario == "terminate-kept") {
        O.ExceptionDialogOptions |= 1;
        O.ErrorsLimit = 0;
        O.TerminateAction = 0;
    }
    if (Scenario == "burst" || Scenario == "burst-restart") {
        O.BehaviourOptions |= 0x01;
        O.BurstCount = 3;
        O.BurstMinutes = 1;
        O.TerminateActionOnBurst = Scenario == "burst" ? 0 : 1;
    }
    if (Scenario == "freeze" || Scenario == "freeze-off" || Scenario == "idle") {
        O.FreezeTimeout = Scenario == "freeze" ? 1 : Scenario == "idle" ? 60 : 0;
        O.SetFreezeActive(true);
    }
    const bool Screenshot = Scenario == "screenshot" || Scenario == "screenshot-thread";
    if (Scenario == "send" || Screenshot) {
        // Mail through the SMTP client to the test's server ($EXLOG_SMTP_PORT).
        const char* Port = std::getenv("EXLOG_SMTP_PORT");
        O.EmailSendMode = 2;
        O.SmtpHost = "127.0.0.1";
        O.SmtpPort = Word(Port ? std::atoi(Port) : 0);
        O.SmtpFrom = "pricetags@shop.test";
        O.EmailAddresses = "support@shop.test";
        O.EmailSubject = "Error report";
        O.BehaviourOptions &= Byte(~0x20);  // on this thread: the program ends right after
    }
    if (Screenshot) {
        O.ExceptionDialogOptions |= 1;
        O.SendOptions |= 0x10;
        SetExceptionDialog(ScreenshotDialog);
    }
    if (Scenario == "filter") {
        O.UseFilters = true;
        O.FilterClasses->Clear();
        O.FilterMessages->Clear();
        O.FilterClasses->Add("EConvertError");
        O.FilterMessages->Add("Цена введена неверно"_a);
        O.SetCustomText(0, "Прайс"_a);
        // The message box answers at once and says what it showed.
        SetMessageBoxHook([](const AnsiString& Text, const AnsiString& Caption, UINT Type) {
            std::printf("box %s|%s|%08X\n", Caption.ToUtf8().c_str(), Text.ToUtf8().c_str(), Type);
            return 1;
        });
    }
}

}  // namespace

int main(int argc, char** argv)
{
    // The report window of the "terminate-kept" scenario.
    if (IsReportWindowCommand(argc, argv))
        return RunReportWindowProcess(argc, argv);
    if (argc < 2 || !ExceptionLogActive()) {
        std::fprintf(stderr, "exceptionlog_child: no scenario or no data block\n");
        return 2;
    }
    const std::string Scenario = argv[1];
    const char* Dir = std::getenv("EXLOG_DIR");
    gDir = Dir ? Dir : ".";
    SetOptions(Scenario);
    SetProgramSaveHook(SaveProgramState);

    if (Scenario == "caught") {
        try {
            RaisePriceError();
        } catch (const Exception& E) {
            std::printf("caught %s\n", E.Message.ToUtf8().c_str());
        }
        return 0;
    }
    if (Scenario == "handler" || Scenario == "known" || Scenario == "send" || Scenario == "filter" ||
        Scenario == "screenshot")
        return RunInEventHandler(argc, argv, RaisePriceError);
    if (Scenario == "screenshot-thread")
        return RunInEventHandler(argc, argv, RaiseOnWorker);
    if (Scenario == "freeze" || Scenario == "freeze-off")
        return RunInEventHandler(argc, argv, FrozenHandler);
    if (Scenario == "idle")
        return RunIdle(argc, argv);
    if (Scenario == "terminate-kept") {
        // The report window's terminate button, kept back by the program
        // the first time.
        static ExceptionEventHandlers Handlers;
        Handlers.TerminateNotify = [](bool& Terminate) {
            static int Asked = 0;
            std::printf("asked %d\n", ++Asked);
            std::fflush(stdout);
            Terminate = Asked >= 2;
        };
        AddExceptionEventHandlers(&Handlers);
        InstallReportWindowProcess();
        return RunInEventHandler(argc, argv, RaisePriceError);
    }
    if (Scenario == "thread") {
        std::thread Worker([] { throw std::runtime_error("worker failed"); });
        Worker.join();
        std::printf("continued\n");
        return 0;
    }
    if (Scenario == "thread-stacks") {
        std::thread Worker(WaitingWorker);
        while (!gWorkerWaiting)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        try {
            RaisePriceError();
        } catch (...) {
            ExceptionManager(nullptr, nullptr, ekRaised, nullptr);
        }
        gWorkerStop = true;
        Worker.join();
        std::printf("joined\n");
        return 0;
    }
    if (Scenario == "events") {
        static ExceptionEventHandlers Handlers;
        Handlers.ExceptionNotify = EventsNotify;
        Handlers.ActionNotify = EventsAction;
        Handlers.ActionError = EventsError;
        AddExceptionEventHandlers(&Handlers);
        // The log's name is taken by a folder: saving fails.
        std::filesystem::create_directory(gDir + "/exceptionlog_child-stripped.elf");
        for (const char* Message : {"Left to the program", "Bad price"}) {
            try {
                throw EConvertError(Message);
            } catch (...) {
                std::printf("result %d\n", int(ExceptionManager(nullptr, nullptr, ekRaised, nullptr)));
            }
        }
        return 0;
    }
    if (Scenario == "read")
        return *static_cast<volatile int*>(BadPointer());
    if (Scenario == "write") {
        *static_cast<volatile int*>(BadPointer()) = 1;
        return 0;
    }
    if (Scenario == "divide") {
        volatile int Zero = 0;
        return Divide(10, Zero);
    }
    if (Scenario == "overflow")
        return Recurse(0);
    if (Scenario == "burst" || Scenario == "burst-restart") {
        const std::string Marker = gDir + "/started";
        if (access(Marker.c_str(), F_OK) == 0) {
            std::ofstream(gDir + "/restarted") << "restarted";
            return 0;
        }
        std::ofstream(Marker) << "started";
        for (int I = 0; I < 5; ++I) {
            try {
                RaisePriceError();
            } catch (...) {
                ExceptionManager(nullptr, nullptr, ekRaised, nullptr);
            }
        }
        std::printf("not ended\n");
        return 0;
    }
    std::fprintf(stderr, "exceptionlog_child: unknown scenario %s\n", Scenario.c_str());
    return 2;
}

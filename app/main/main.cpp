// The program: it starts in the current folder, which becomes its start-up
// folder (pricetags.ini, pricetags.log, LastInvoice.inv and TXT/ live there),
// and reads no command-line arguments. It carries the exception log's data
// block: a failure is reported into pricetags.elf beside the other files,
// and the invoice state is saved before a failure ends the program. The
// report windows are shown by the program started again as its own report
// process ("--report-window ...").
//
// PRICETAGS_FAULT_TEST (tests only) makes the running program fail once its
// main window is up, after adding a row to the invoice as the operator
// would: "null" writes through a null pointer, "abort" aborts, "thread"
// lets an exception escape a second thread, "freeze" blocks the main thread
// for three seconds with hang detection at one second; the last two then
// close the main window. "SIGTERM", "SIGHUP" and "SIGINT" send the program
// that signal, as the desktop does at logout; "SIGTERM-question" sends it
// while a question waits for the operator. The report window answers as
// PRICETAGS_REPORT_WINDOW_ANSWER says (see exceptionlog/ReportProcess.h).

#include "app/AppMain.h"
#include "app/InvoiceType.h"
#include "app/MainInvoice.h"
#include "app/StateSnapshot.h"
#include "common/components/MsgWin.h"
#include "exceptionlog/ExceptionProcessing.h"
#include "exceptionlog/ModuleOptions.h"
#include "exceptionlog/ProcessHelpers.h"
#include "exceptionlog/ReportProcess.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Timers.h"
#include "platform/rtl/Heap.h"
#include "platform/winapi/EndSession.h"

#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>

namespace {

volatile int* gNoWhere = nullptr;

// The sanitizer build lets the store happen: the fault is what is tested.
[[gnu::noinline, gnu::no_sanitize("null")]] void FailWithNullPointer()
{
    *gNoWhere = 1;  // line checked by the tests: FailWithNullPointer
}

[[gnu::noinline]] void FailInSecondThread()
{
    throw std::runtime_error("Сбой во втором потоке");
}

[[gnu::noinline]] void FreezeMainThread()
{
    std::this_thread::sleep_for(std::chrono::milliseconds(3000));
}

class FaultTest : public TObject {
public:
    explicit FaultTest(std::string Kind)
        : FKind(std::move(Kind)), FTimer(std::make_unique<TTimer>(nullptr))
    {
        FTimer->SetInterval(300);
        FTimer->OnTimer = TNotifyEvent(this, &FaultTest::Tick);
        FTimer->SetEnabled(true);
        // A fatal failure's report lists the other threads that run: one
        // waits here, as a worker of the program would.
        if (FKind == "null" || FKind == "abort")
            FWorker = std::thread([this] {
                std::unique_lock<std::mutex> Lock(FWorkerLock);
                FWorkerWake.wait(Lock, [this] { return FWorkerDone; });
            });
    }
    ~FaultTest() override
    {
        if (!FWorker.joinable())
            return;
        {
            const std::lock_guard<std::mutex> Lock(FWorkerLock);
            FWorkerDone = true;
        }
        FWorkerWake.notify_one();
        FWorker.join();
    }

private:
    void Tick(TObject*)
    {
        ++FTicks;
        if (FTicks == 1 && FormMain) {
            TshInvoiceTovar* Row = FormMain->Invoice->Add();
            Row->Name = "Чайник электрический"_a;
            Row->Kolvo = 3;
            Row->Price = 1250;
            FormMain->RefreshGrids();
        }
        if (FTicks < 3)
            return;
        FTimer->SetEnabled(false);
        ConfigureReportForTest();
        NoteFailureTime();
        if (FKind == "null")
            FailWithNullPointer();
        else if (FKind == "abort")
            std::abort();
        else if (FKind == "thread")
            std::thread(FailInSecondThread).join();
        else if (EndSignal()) {
            std::raise(EndSignal());
            if (FKind == "SIGTERM-question")
                AskYesNo("Продолжить?"_a, "", true);
            return;
        } else if (FKind == "freeze") {
            CurrentRazuroLogOptions().FreezeTimeout = 1;
            FreezeMainThread();
        }
        if (Application->MainForm())
            Application->MainForm()->Close();
    }

    int EndSignal() const
    {
        if (FKind == "SIGTERM" || FKind == "SIGTERM-question")
            return SIGTERM;
        if (FKind == "SIGHUP")
            return SIGHUP;
        return FKind == "SIGINT" ? SIGINT : 0;
    }

    // PRICETAGS_FAULT_SMTP_PORT mails the report to a server on this
    // machine; PRICETAGS_FAULT_TERMINATE offers the terminate button at the
    // first failure and ends the program without a restart.
    static void ConfigureReportForTest()
    {
        TRazuroModuleOptions& O = CurrentRazuroLogOptions();
        if (const char* Port = std::getenv("PRICETAGS_FAULT_SMTP_PORT")) {
            O.EmailSendMode = 2;
            O.SmtpHost = "127.0.0.1";
            O.SmtpPort = Word(std::atoi(Port));
            O.SmtpFrom = "pricetags@shop.test";
            O.EmailAddresses = "support@shop.test";
            O.EmailSubject = "Error report";
        }
        if (std::getenv("PRICETAGS_FAULT_TERMINATE")) {
            O.ErrorsLimit = 0;
            O.TerminateAction = 0;
        }
    }

    // The moment of the failure, for the measure of the time until the
    // report window shows (PRICETAGS_REPORT_WINDOW_TIMES).
    static void NoteFailureTime()
    {
        const char* Times = std::getenv("PRICETAGS_REPORT_WINDOW_TIMES");
        if (!Times)
            return;
        timespec T{};
        clock_gettime(CLOCK_MONOTONIC, &T);
        if (FILE* F = std::fopen(Times, "a")) {
            std::fprintf(F, "failure %lld\n", static_cast<long long>(T.tv_sec) * 1000000000LL + T.tv_nsec);
            std::fclose(F);
        }
    }

    std::string FKind;
    std::unique_ptr<TTimer> FTimer;
    int FTicks = 0;
    std::thread FWorker;
    std::mutex FWorkerLock;
    std::condition_variable FWorkerWake;
    bool FWorkerDone = false;
};

}  // namespace

int main(int argc, char** argv)
{
    // Started by itself to show the report windows of a failure.
    if (IsReportWindowCommand(argc, argv))
        return RunReportWindowProcess(argc, argv);
    UseProgramHeap();
    SetProgramSaveHook(SaveStateAfterFailure);
    InstallReportWindowProcess();
    GuiStartup(argc, argv);
    InstallEndSessionSignals();
    std::unique_ptr<FaultTest> Fault;
    if (const char* Kind = std::getenv("PRICETAGS_FAULT_TEST"))
        Fault = std::make_unique<FaultTest>(Kind);
    const int Result = RunApplication();
    Fault.reset();
    GuiShutdown();
    return Result;
}

#include "exceptionlog/FreezeDetection.h"

#include "exceptionlog/DebugData.h"
#include "exceptionlog/ExceptionLog.h"
#include "exceptionlog/ExceptionProcessing.h"
#include "exceptionlog/Hooks.h"
#include "exceptionlog/ModuleOptions.h"
#include "exceptionlog/ProcessHelpers.h"

#include "platform/winapi/Windows.h"

#include <signal.h>
#include <sys/syscall.h>
#include <ucontext.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

namespace {

constexpr int RoundMs = 50;
// A question wakes the main thread's event loop, and every wake-up runs the
// program's idle work (the copy of the invoice state, the actions'
// updates): an idle program is asked once a second, not every round. A
// hang is still timed in rounds from the question it left unanswered.
constexpr int AskEveryMs = 1000;
struct Detector {
    std::mutex Lock;
    std::condition_variable Wake;
    bool Stop = false;
    std::thread Thread;
    std::atomic<unsigned> Asked{0};
    std::atomic<unsigned> Answered{0};
};

Detector* gDetector = nullptr;
std::mutex gDetectorLock;

void Answer(void* Data)
{
    auto* D = static_cast<Detector*>(Data);
    D->Answered.store(D->Asked.load());
}

// Sleeps one round; false when asked to stop.
bool Pause(Detector& D, int Ms)
{
    std::unique_lock<std::mutex> L(D.Lock);
    return !D.Wake.wait_for(L, std::chrono::milliseconds(Ms), [&D] { return D.Stop; });
}

int TimeoutMs()
{
    const ModuleRecord* Main = MainModuleRecord();
    if (!Main || !Main->Options || !Main->Options->Activate() || !Main->Options->FreezeActive())
        return 0;
    const int Seconds = Main->Options->FreezeTimeout;
    // A timeout of 0 or less would report a freeze on every round.
    return Seconds > 0 ? Seconds * 1000 : 0;
}

AnsiString FreezeMessage()
{
    const ModuleRecord* Main = MainModuleRecord();
    const AnsiString M = Main && Main->Options ? Main->Options->FreezeMessage : AnsiString();
    return M.IsEmpty() ? AnsiString("The application seems to be frozen.") : M;
}

void ReportFrozen()
{
    const pid_t Main = MainThreadID();
    ThreadSample Sample;
    if (Main == 0 || !SampleThread(Main, Sample))
        return;
    ExceptionFacts F;
    F.ClassName = EFrozenApplication("").ClassName();
    F.Message = FreezeMessage();
    F.Kind = ekSystem;
    F.ThreadID = Main;
    F.Address = Sample.Context.Registers[7];
    F.Stack = std::move(Sample.Stack);
    F.Context = std::move(Sample.Context);
    HandleExceptionWaiting(F);
}

void Execute(Detector& D)
{
    SetFreezeThreadID(CurrentThreadID());
    ExcludedThreadList().Add(CurrentThreadID());
    int Hung = 0;
    int SinceAsked = AskEveryMs;
    // One report per hang: the next one only after the main thread answered.
    bool Reported = false;
    while (Pause(D, RoundMs)) {
        SinceAsked = std::min(SinceAsked + RoundMs, AskEveryMs);
        const int Timeout = TimeoutMs();
        if (Timeout <= 0) {
            Hung = 0;
            continue;
        }
        if (D.Answered.load() == D.Asked.load()) {
            // Answered (or nothing asked yet): ask again when it is time.
            Hung = 0;
            Reported = false;
            if (SinceAsked < AskEveryMs)
                continue;
            SinceAsked = 0;
            const unsigned Next = D.Asked.load() + 1;
            D.Asked.store(Next);
            // No event loop yet or any more counts as answering.
            if (!PostAnswerRequest(Answer, &D))
                D.Answered.store(Next);
            continue;
        }
        Hung += RoundMs;
        if (Hung < Timeout || Reported)
            continue;
        ReportFrozen();
        Reported = true;
    }
    ExcludedThreadList().Remove(CurrentThreadID());
    SetFreezeThreadID(0);
}

}  // namespace

void StartFreezeDetection()
{
    const std::lock_guard<std::mutex> Guard(gDetectorLock);
    if (gDetector || DebuggerPresent())
        return;
    gDetector = new Detector();
    Detector* D = gDetector;
    gDetector->Thread = std::thread([D] { Execute(*D); });
}

void StopFreezeDetection()
{
    Detector* D = nullptr;
    {
        const std::lock_guard<std::mutex> Guard(gDetectorLock);
        D = gDetector;
        gDetector = nullptr;
    }
    if (!D)
        return;
    {
        const std::lock_guard<std::mutex> L(D->Lock);
        D->Stop = true;
    }
    D->Wake.notify_all();
    if (D->Thread.joinable())
        D->Thread.join();
    // A request may still sit in the event queue and point here.
    if (D->Answered.load() != D->Asked.load())
        return;  // left allocated on purpose
    delete D;
}

bool FreezeDetectionRunning()
{
    const std::lock_guard<std::mutex> Guard(gDetectorLock);
    return gDetector != nullptr;
}

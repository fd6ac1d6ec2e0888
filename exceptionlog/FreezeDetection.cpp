#include "exceptionlog/FreezeDetection.h"

#include "exceptionlog/DebugData.h"
#include "exceptionlog/ExceptionLog.h"
#include "exceptionlog/ExceptionProcessing.h"
#include "exceptionlog/Hooks.h"
#include "exceptionlog/ModuleOptions.h"
#include "exceptionlog/ProcessHelpers.h"

#include "platform/gui/Windows.h"

#include <signal.h>
#include <sys/syscall.h>
#include <ucontext.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

namespace {

constexpr int RoundMs = 50;
constexpr int SampleFrames = 256;

// The main thread's sample, written by the signal handler on the main
// thread and read by the detector after it let the main thread go. Nothing
// in the handler allocates.
enum SampleStep : int { ssIdle, ssRequested, ssTaken, ssReleased };
struct Sample {
    std::atomic<int> Step{ssIdle};
    uint64_t Registers[8];
    unsigned char Stack[128];
    bool StackRead;
    unsigned char Memory[256];
    bool MemoryRead;
    uintptr_t Frames[SampleFrames];
    int Count;
};
Sample gSample;

int SampleSignal()
{
    return SIGRTMIN + 4;
}

void SampleHandler(int, siginfo_t*, void* Context)
{
    if (gSample.Step.load() != ssRequested)
        return;
    const greg_t* G = static_cast<const ucontext_t*>(Context)->uc_mcontext.gregs;
    const greg_t Regs[8] = {G[REG_RAX], G[REG_RDI], G[REG_RBX], G[REG_RSI],
                            G[REG_RCX], G[REG_RSP], G[REG_RDX], G[REG_RIP]};
    for (int I = 0; I < 8; ++I)
        gSample.Registers[I] = uint64_t(Regs[I]);
    gSample.StackRead = SafeRead(uintptr_t(G[REG_RSP]), gSample.Stack, sizeof gSample.Stack);
    gSample.MemoryRead = SafeRead(uintptr_t(G[REG_RIP]), gSample.Memory, sizeof gSample.Memory);
    // The handler's own frames come first; the walk keeps what lies beyond
    // the interrupted instruction.
    uintptr_t All[SampleFrames];
    const int N = CaptureStack(All, SampleFrames, 0);
    int First = 0;
    for (int I = 0; I < N; ++I)
        if (All[I] == uintptr_t(G[REG_RIP])) {
            First = I + 1;
            break;
        }
    gSample.Count = N - First;
    std::memcpy(gSample.Frames, All + First, size_t(gSample.Count) * sizeof(uintptr_t));
    gSample.Step.store(ssTaken);
    // Held until the detector copied the sample: at most two seconds.
    for (int I = 0; I < 2000 && gSample.Step.load() == ssTaken; ++I) {
        const timespec Pause{0, 1000000};
        nanosleep(&Pause, nullptr);
    }
    gSample.Step.store(ssIdle);
}

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
    if (Main == 0)
        return;
    gSample.Step.store(ssRequested);
    if (syscall(SYS_tgkill, getpid(), Main, SampleSignal()) != 0) {
        gSample.Step.store(ssIdle);
        return;
    }
    for (int I = 0; I < 200 && gSample.Step.load() == ssRequested; ++I)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (gSample.Step.load() != ssTaken) {
        gSample.Step.store(ssIdle);
        return;
    }
    // Copy first, then let the main thread go before anything is built: it
    // may hold a lock (the heap's) that building the report needs.
    Sample Copy;
    std::memcpy(Copy.Registers, gSample.Registers, sizeof Copy.Registers);
    std::memcpy(Copy.Stack, gSample.Stack, sizeof Copy.Stack);
    std::memcpy(Copy.Memory, gSample.Memory, sizeof Copy.Memory);
    std::memcpy(Copy.Frames, gSample.Frames, sizeof Copy.Frames);
    Copy.Count = gSample.Count;
    Copy.StackRead = gSample.StackRead;
    Copy.MemoryRead = gSample.MemoryRead;
    gSample.Step.store(ssReleased);

    ExceptionFacts F;
    F.ClassName = EFrozenApplication("").ClassName();
    F.Message = FreezeMessage();
    F.Kind = ekSystem;
    F.ThreadID = Main;
    F.Address = Copy.Registers[7];
    F.Stack.assign(Copy.Frames, Copy.Frames + Copy.Count);
    CPUContext C;
    std::copy(std::begin(Copy.Registers), std::end(Copy.Registers), C.Registers.begin());
    if (Copy.StackRead)
        C.Stack.assign(reinterpret_cast<const char*>(Copy.Stack), sizeof Copy.Stack);
    if (Copy.MemoryRead)
        C.Memory.assign(reinterpret_cast<const char*>(Copy.Memory), sizeof Copy.Memory);
    F.Context = C;
    HandleExceptionWaiting(F);
}

void Execute(Detector& D)
{
    SetFreezeThreadID(CurrentThreadID());
    ExcludedThreadList().Add(CurrentThreadID());
    int Hung = 0;
    while (Pause(D, RoundMs)) {
        const int Timeout = TimeoutMs();
        if (Timeout <= 0) {
            Hung = 0;
            continue;
        }
        if (D.Answered.load() == D.Asked.load()) {
            // Answered (or nothing asked yet): ask again.
            Hung = 0;
            const unsigned Next = D.Asked.load() + 1;
            D.Asked.store(Next);
            // No event loop yet or any more counts as answering.
            if (!PostAnswerRequest(Answer, &D))
                D.Answered.store(Next);
            continue;
        }
        Hung += RoundMs;
        if (Hung < Timeout)
            continue;
        ReportFrozen();
        // A new count starts after the report; the pending request stays.
        Hung = 0;
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
    struct sigaction A{};
    A.sa_sigaction = SampleHandler;
    A.sa_flags = SA_SIGINFO | SA_RESTART | SA_ONSTACK;
    sigemptyset(&A.sa_mask);
    sigaction(SampleSignal(), &A, nullptr);
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

#include "exceptionlog/Hooks.h"

#include "exceptionlog/DebugData.h"
#include "exceptionlog/ExceptionLog.h"
#include "exceptionlog/ExceptionProcessing.h"
#include "exceptionlog/LogText.h"
#include "exceptionlog/ModuleList.h"
#include "exceptionlog/ProcessHelpers.h"

#include "platform/forms/Forms.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Numbers.h"

#include <cxxabi.h>
#include <dlfcn.h>
#include <pthread.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <ucontext.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <cstring>
#include <exception>

namespace {

std::atomic<bool> gInstalled{false};

// ---- throw records -----------------------------------------------------------------

constexpr int MaxThrowFrames = 64;
constexpr int ThrowRecordCount = 8;

// The last throws of a thread. Several are kept because a handler may throw
// and catch again while the first exception is still on its way.
struct ThrowRecord {
    const void* Object = nullptr;
    int Count = 0;
    uintptr_t Frames[MaxThrowFrames];
};
thread_local ThrowRecord tThrows[ThrowRecordCount];
thread_local unsigned tNextThrow = 0;

// ---- alternate stacks ----------------------------------------------------------------

// Big enough to build a whole report on: a stack overflow is reported from
// here. The memory is reserved, not committed, until used.
constexpr size_t AltStackSize = size_t(1) << 20;

struct AltStack {
    void* Memory = nullptr;
    ~AltStack()
    {
        if (!Memory)
            return;
        stack_t Off{};
        Off.ss_flags = SS_DISABLE;
        sigaltstack(&Off, nullptr);
        munmap(Memory, AltStackSize);
    }
};
thread_local AltStack tAltStack;

// ---- signals -------------------------------------------------------------------------

constexpr int FatalSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGTRAP};
struct sigaction gOldActions[std::size(FatalSignals)];
std::terminate_handler gOldTerminate = nullptr;
ApplicationExceptionFilter gOldFilter = nullptr;
std::atomic<int> gFatalDepth{0};

// Whether the fault lies in the guard area just below the faulting thread's
// stack (or beyond the stack pointer by less than a page: a push or call).
bool IsStackOverflow(uint64_t FaultAddress, uint64_t SP)
{
    pthread_attr_t Attr;
    if (pthread_getattr_np(pthread_self(), &Attr) != 0)
        return false;
    void* Low = nullptr;
    size_t Size = 0;
    size_t Guard = 0;
    pthread_attr_getstack(&Attr, &Low, &Size);
    pthread_attr_getguardsize(&Attr, &Guard);
    pthread_attr_destroy(&Attr);
    const auto Base = reinterpret_cast<uint64_t>(Low);
    const uint64_t Slack = std::max<uint64_t>(Guard, 65536);
    return (FaultAddress < Base && FaultAddress + Slack >= Base) ||
           (FaultAddress < SP && SP - FaultAddress <= 4096 && SP - Base <= 65536);
}

CPUContext ContextOf(const ucontext_t& UC)
{
    const greg_t* G = UC.uc_mcontext.gregs;
    CPUContext C;
    C.Registers = {uint64_t(G[REG_RAX]), uint64_t(G[REG_RDI]), uint64_t(G[REG_RBX]),
                   uint64_t(G[REG_RSI]), uint64_t(G[REG_RCX]), uint64_t(G[REG_RSP]),
                   uint64_t(G[REG_RDX]), uint64_t(G[REG_RIP])};
    char Stack[128];
    if (SafeRead(uintptr_t(G[REG_RSP]), Stack, sizeof Stack))
        C.Stack.assign(Stack, sizeof Stack);
    char Memory[256];
    if (SafeRead(uintptr_t(G[REG_RIP]), Memory, sizeof Memory))
        C.Memory.assign(Memory, sizeof Memory);
    return C;
}

// The interrupted frames of a signal: the unwinder's walk from the handler
// with the handler's own frames (up to the interrupted instruction) left
// out.
std::vector<uintptr_t> InterruptedStack(uint64_t IP)
{
    uintptr_t Frames[256];
    const int N = CaptureStack(Frames, int(std::size(Frames)), 0);
    int First = 0;
    for (int I = 0; I < N; ++I)
        if (Frames[I] == IP) {
            First = I + 1;
            break;
        }
    return std::vector<uintptr_t>(Frames + First, Frames + N);
}

void FatalSignalHandler(int Signal, siginfo_t* Info, void* Context)
{
    // A fault while a fault is reported: the default action, at once.
    if (gFatalDepth.fetch_add(1) > 0 || !gInstalled.load()) {
        signal(Signal, SIG_DFL);
        raise(Signal);
        return;
    }
    // Reporting from a signal handler may meet a lock the fault left taken;
    // the alarm ends the process rather than leaving it hanging.
    alarm(30);
    const auto& UC = *static_cast<const ucontext_t*>(Context);
    const greg_t* G = UC.uc_mcontext.gregs;
    const auto IP = uint64_t(G[REG_RIP]);
    const auto Fault = reinterpret_cast<uint64_t>(Info->si_addr);
    // Page-fault error code: bit 1 set for a write.
    const bool Write = (G[REG_ERR] & 2) != 0;
    const bool Overflow =
        (Signal == SIGSEGV || Signal == SIGBUS) && IsStackOverflow(Fault, uint64_t(G[REG_RSP]));

    TRazuroModulesList Modules;
    const ModuleRecord* M = Modules.FindModuleRecordByAddress(uintptr_t(IP));
    // The address in the message counts from the module, like the report's
    // address field, so the same fault reads the same on every run.
    const SignalName Name = NameOfSignal(Signal, Info->si_code, M ? IP - M->Handle : IP, Fault,
                                         Write, Overflow,
                                         M ? ExtractFileName(M->FileName) : AnsiString());
    ExceptionFacts Facts;
    Facts.ClassName = Name.ClassName;
    Facts.Message = Name.Message;
    Facts.Address = IP;
    Facts.Kind = ekSystem;
    Facts.Context = ContextOf(UC);
    Facts.Stack = InterruptedStack(IP);
    HandleExceptionWaiting(Facts);

    // The program cannot go on from a fault: its own saves run (from the
    // state it kept between events), then the signal's own default action
    // ends it, so its exit status still tells what happened.
    RunProgramSaveHook();
    signal(Signal, SIG_DFL);
    sigset_t Set;
    sigemptyset(&Set);
    sigaddset(&Set, Signal);
    pthread_sigmask(SIG_UNBLOCK, &Set, nullptr);
    raise(Signal);
}

void InstallSignalHandlers()
{
    for (size_t I = 0; I < std::size(FatalSignals); ++I) {
        struct sigaction A{};
        A.sa_sigaction = FatalSignalHandler;
        A.sa_flags = SA_SIGINFO | SA_ONSTACK;
        sigemptyset(&A.sa_mask);
        sigaction(FatalSignals[I], &A, &gOldActions[I]);
    }
}

void RemoveSignalHandlers()
{
    for (size_t I = 0; I < std::size(FatalSignals); ++I)
        sigaction(FatalSignals[I], &gOldActions[I], nullptr);
}

// ---- sampling other threads ----------------------------------------------------------

constexpr int SampleFrames = 256;

// The sample of one thread, written by the signal handler on that thread
// and read by the sampler after it let the thread go. Nothing in the
// handler allocates.
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

std::mutex gSampleLock;

void InstallSampleHandler()
{
    struct sigaction A{};
    A.sa_sigaction = SampleHandler;
    A.sa_flags = SA_SIGINFO | SA_RESTART | SA_ONSTACK;
    sigemptyset(&A.sa_mask);
    sigaction(SampleSignal(), &A, nullptr);
}

// ---- terminate, the application's handler --------------------------------------------

[[noreturn]] void TerminateHandler()
{
    if (std::current_exception() && gFatalDepth.fetch_add(1) == 0) {
        const ExceptionFacts Facts = FactsOfCurrentException(ekSystem);
        HandleExceptionWaiting(Facts);
        // Nothing can go on after terminate; the program's own saves run
        // before it ends.
        TerminateProgram(false, StartupFolder());
    }
    if (gOldTerminate)
        gOldTerminate();
    std::abort();
}

bool ApplicationFilter(TObject* /*Sender*/)
{
    return !HandleExceptionWaiting(FactsOfCurrentException(ekRaised));
}

// ---- threads -------------------------------------------------------------------------

using CreateFunction = int (*)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);

[[maybe_unused]] CreateFunction RealCreate()
{
    static const auto Real = reinterpret_cast<CreateFunction>(dlsym(RTLD_NEXT, "pthread_create"));
    return Real;
}

struct ThreadStart {
    void* (*Routine)(void*);
    void* Parameter;
};

// Drops the thread's record when it ends, whichever way it ends.
struct ThreadRegistration {
    bool Registered = false;
    ~ThreadRegistration()
    {
        if (Registered)
            TrackedThreads().RemoveCurrentThread();
    }
};
thread_local ThreadRegistration tRegistration;

[[maybe_unused]] void* ThreadWrapper(void* Arg)
{
    const ThreadStart Start = *static_cast<ThreadStart*>(Arg);
    delete static_cast<ThreadStart*>(Arg);
    ThreadRecord Rec;
    Rec.ThreadID = CurrentThreadID();
    Rec.Handle = pthread_self();
    Rec.StartRoutine = reinterpret_cast<void*>(Start.Routine);
    Rec.Parameter = Start.Parameter;
    TrackedThreads().Add(Rec);
    tRegistration.Registered = true;
    SetupAltStack();
    try {
        return Start.Routine(Start.Parameter);
    } catch (abi::__forced_unwind&) {
        // Cancellation and pthread_exit unwind through here; they must go on.
        throw;
    } catch (...) {
        // The exception is reported and only this thread ends; the program
        // goes on.
        if (HandleExceptionWaiting(FactsOfCurrentException(ekSystem)) && gOldTerminate)
            gOldTerminate();
        return nullptr;
    }
}

}  // namespace

#ifndef PRICETAGS_NO_INTERPOSITION
extern "C" int pthread_create(pthread_t* Thread, const pthread_attr_t* Attr,
                              void* (*Routine)(void*), void* Parameter)
{
    if (!gInstalled.load())
        return RealCreate()(Thread, Attr, Routine, Parameter);
    auto* Start = new ThreadStart{Routine, Parameter};
    const int Result = RealCreate()(Thread, Attr, ThreadWrapper, Start);
    if (Result != 0)
        delete Start;
    return Result;
}
#endif

void InstallHooks()
{
    if (gInstalled.load())
        return;
    // No stack walk here: the fault handler's first walk is safe as it
    // stands (DebugData.h), and the sampler makes its own before it
    // interrupts a thread.
    SetupAltStack();
    InstallSignalHandlers();
    InstallSampleHandler();
    gOldTerminate = std::set_terminate(TerminateHandler);
    gOldFilter = SetApplicationExceptionFilter(ApplicationFilter);
    gInstalled.store(true);
}

void RemoveHooks()
{
    if (!gInstalled.exchange(false))
        return;
    SetApplicationExceptionFilter(gOldFilter);
    std::set_terminate(gOldTerminate);
    RemoveSignalHandlers();
}

bool HooksInstalled()
{
    return gInstalled.load(std::memory_order_relaxed);
}

void RecordThrow(const void* Object)
{
    ThrowRecord& R = tThrows[tNextThrow++ % ThrowRecordCount];
    R.Object = nullptr;
    // Skips this function and the throw hook: the first frame is the raise.
    R.Count = CaptureStack(R.Frames, MaxThrowFrames, 2);
    R.Object = Object;
}

bool FindThrowRecord(const void* Object, std::vector<uintptr_t>& Stack)
{
    if (!Object)
        return false;
    // The newest record of the object first (an object thrown again).
    for (unsigned I = 1; I <= ThrowRecordCount; ++I) {
        const ThrowRecord& R = tThrows[(tNextThrow - I) % ThrowRecordCount];
        if (R.Object == Object) {
            Stack.assign(R.Frames, R.Frames + R.Count);
            return true;
        }
    }
    return false;
}

bool SampleThread(pid_t ThreadID, ThreadSample& Result)
{
    if (!gInstalled.load() || ThreadID == CurrentThreadID())
        return false;
    const std::lock_guard<std::mutex> Guard(gSampleLock);
    // The unwinder's one-time set-up must be over before a thread is
    // interrupted: the thread could be inside it, and the handler's walk
    // would then wait for itself.
    WarmUpUnwinder();
    gSample.Step.store(ssRequested);
    if (syscall(SYS_tgkill, getpid(), ThreadID, SampleSignal()) != 0) {
        gSample.Step.store(ssIdle);
        return false;
    }
    for (int I = 0; I < 200 && gSample.Step.load() == ssRequested; ++I)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    int Taken = ssTaken;
    if (!gSample.Step.compare_exchange_strong(Taken, ssTaken)) {
        // Too late: a handler that starts now finds no request.
        gSample.Step.store(ssIdle);
        return false;
    }
    // Copy first, then let the thread go before anything is built: it may
    // hold a lock (the heap's) that building needs.
    uint64_t Registers[8];
    unsigned char Stack[128], Memory[256];
    uintptr_t Frames[SampleFrames];
    std::memcpy(Registers, gSample.Registers, sizeof Registers);
    std::memcpy(Stack, gSample.Stack, sizeof Stack);
    std::memcpy(Memory, gSample.Memory, sizeof Memory);
    const int Count = gSample.Count;
    std::memcpy(Frames, gSample.Frames, size_t(Count) * sizeof(uintptr_t));
    const bool StackRead = gSample.StackRead, MemoryRead = gSample.MemoryRead;
    gSample.Step.store(ssReleased);
    // The handler returns before the next sample is asked for.
    for (int I = 0; I < 200 && gSample.Step.load() == ssReleased; ++I)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));

    std::copy(std::begin(Registers), std::end(Registers), Result.Context.Registers.begin());
    Result.Context.Stack = StackRead ? std::string(reinterpret_cast<const char*>(Stack), sizeof Stack)
                                     : std::string();
    Result.Context.Memory = MemoryRead
                                ? std::string(reinterpret_cast<const char*>(Memory), sizeof Memory)
                                : std::string();
    Result.Stack.assign(Frames, Frames + Count);
    return true;
}

void SetupAltStack()
{
    if (tAltStack.Memory)
        return;
    void* Memory = mmap(nullptr, AltStackSize, PROT_READ | PROT_WRITE,
                        MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (Memory == MAP_FAILED)
        return;
    stack_t S{};
    S.ss_sp = Memory;
    S.ss_size = AltStackSize;
    if (sigaltstack(&S, nullptr) != 0) {
        munmap(Memory, AltStackSize);
        return;
    }
    tAltStack.Memory = Memory;
}

TRazuroThreadsList& TrackedThreads()
{
    // Never destroyed: threads may end after the program's static objects.
    static auto* List = new TRazuroThreadsList();
    return *List;
}

ExcludedThreads& ExcludedThreadList()
{
    static auto* List = new ExcludedThreads();
    return *List;
}

SignalName NameOfSignal(int Signal, int Code, uint64_t InstructionAddress, uint64_t FaultAddress,
                        bool Write, bool StackOverflow, const AnsiString& ModuleName)
{
    const AnsiString Where = "at address " + HexText(InstructionAddress, 16) +
                             (ModuleName.IsEmpty() ? AnsiString() : " in module '" + ModuleName + "'");
    switch (Signal) {
    case SIGSEGV:
    case SIGBUS:
        if (StackOverflow)
            return {"EStackOverflow", "Stack overflow " + Where};
        return {"EAccessViolation", "Access violation " + Where + ". " +
                                        (Write ? "Write of address " : "Read of address ") +
                                        HexText(FaultAddress, 16)};
    case SIGFPE:
        if (Code == FPE_INTDIV)
            return {"EDivByZero", "Division by zero " + Where};
        if (Code == FPE_INTOVF)
            return {"EIntOverflow", "Integer overflow " + Where};
        return {"EInvalidOp", "Invalid floating point operation " + Where};
    case SIGILL:
        return {"EPrivilege", "Illegal instruction " + Where};
    case SIGTRAP:
        return {"EExternalException", "Breakpoint " + Where};
    case SIGABRT:
        return {"EExternalException", "The program was aborted " + Where};
    default:
        return {"EExternalException", "Signal " + IntToStr(Signal) + " " + Where};
    }
}

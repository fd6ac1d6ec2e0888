#pragma once

// Where the exception log meets the program: the throw of every C++
// exception is recorded with its raise address and stack; fatal signals
// (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGTRAP) are caught on an
// alternate stack per thread, so a stack overflow is reported too; an
// exception that reaches std::terminate, one that escapes a thread the
// program started, and one passed to the application's exception handler
// are processed (ExceptionProcessing.h). Threads the program starts are
// tracked while they run.
//
// Everything is installed at activation and removed at deactivation; while
// the exception log is inactive the hooks pass straight through.

#include "exceptionlog/HooksPrivate.h"
#include "exceptionlog/LogText.h"
#include "exceptionlog/ThreadList.h"

#include <cstdint>
#include <vector>

/// Installs and removes the hooks (the start-up steps of activation).
void InstallHooks();
void RemoveHooks();

/// The stack recorded when Object (a thrown object as the runtime holds
/// it) was thrown on the calling thread, innermost first: the first entry
/// is the raise address (a return address). False when none is recorded.
bool FindThrowRecord(const void* Object, std::vector<uintptr_t>& Stack);

/// What a thread was doing when it was sampled: its registers (report
/// order: AX, DI, BX, SI, CX, SP, DX, IP), the bytes at its stack pointer
/// and instruction pointer, and its return addresses beyond the
/// interrupted instruction.
struct ThreadSample {
    CPUContext Context;
    std::vector<uintptr_t> Stack;
};
/// Samples thread ThreadID of this process: a signal makes it write its
/// state into a buffer prepared beforehand (nothing is allocated in the
/// handler), and it is let go as soon as the buffer is copied, before the
/// caller builds anything from it. False when the thread did not answer
/// within two seconds or the hooks are not installed. One sample at a
/// time.
bool SampleThread(pid_t ThreadID, ThreadSample& Sample);

/// Gives the calling thread an alternate signal stack (once; freed when the
/// thread ends).
void SetupAltStack();

/// The threads the program started while the hooks were installed, and
/// the threads whose exceptions are left alone.
[[nodiscard]] TRazuroThreadsList& TrackedThreads();
[[nodiscard]] ExcludedThreads& ExcludedThreadList();

/// What the hooks name a fatal signal: the class and message of the
/// exception reported for it (Code: si_code; Write: a write access;
/// FaultAddress: the address accessed; StackOverflow: the access hit the
/// guard below a stack; InstructionAddress: relative to ModuleName's start
/// when a module is named).
struct SignalName {
    const char* ClassName;
    AnsiString Message;
};
[[nodiscard]] SignalName NameOfSignal(int Signal, int Code, uint64_t InstructionAddress,
                                      uint64_t FaultAddress, bool Write, bool StackOverflow,
                                      const AnsiString& ModuleName);

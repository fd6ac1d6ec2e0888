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

#include "exceptionlog/ThreadList.h"

#include <cstdint>
#include <vector>

/// Installs and removes the hooks (the start-up steps of activation).
void InstallHooks();
void RemoveHooks();
[[nodiscard]] bool HooksInstalled();

/// The stack recorded when Object (a thrown object as the runtime holds
/// it) was thrown on the calling thread, innermost first: the first entry
/// is the raise address (a return address). False when none is recorded.
bool FindThrowRecord(const void* Object, std::vector<uintptr_t>& Stack);
/// Records a throw (called by the throw hook; also for tests).
void RecordThrow(const void* Object);

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

#pragma once

// Locks and events between threads. A critical section is recursive, as the
// system's are: the thread that holds it may enter it again and must leave
// it as often. Close every Enter through CriticalSectionGuard so that an
// exception cannot leave the section held.

#include "platform/rtl/Types.h"

#include <condition_variable>
#include <mutex>

/// No time limit for TEvent::WaitFor.
inline constexpr DWORD INFINITE = 0xFFFFFFFF;

class TCriticalSection {
public:
    TCriticalSection() = default;
    TCriticalSection(const TCriticalSection&) = delete;
    TCriticalSection& operator=(const TCriticalSection&) = delete;

    /// Waits until no other thread holds the section, then holds it.
    void Enter();
    /// Leaves one level of holding; the calling thread must hold it.
    void Leave();
    /// Holds the section when no other thread does; false at once otherwise.
    [[nodiscard]] bool TryEnter();
    void Acquire() { Enter(); }
    void Release() { Leave(); }

private:
    std::recursive_mutex FMutex;
};

/// Holds a critical section for its scope.
class CriticalSectionGuard {
public:
    explicit CriticalSectionGuard(TCriticalSection& Section) : FSection(Section) { FSection.Enter(); }
    ~CriticalSectionGuard() { FSection.Leave(); }
    CriticalSectionGuard(const CriticalSectionGuard&) = delete;
    CriticalSectionGuard& operator=(const CriticalSectionGuard&) = delete;

private:
    TCriticalSection& FSection;
};

enum TWaitResult { wrSignaled, wrTimeout, wrAbandoned, wrError };

/// An event: signalled by SetEvent, cleared by ResetEvent. An auto-reset
/// event (ManualReset false) lets one waiter through per signal and clears
/// itself; a manual-reset event stays signalled and lets every waiter
/// through until reset.
class TEvent {
public:
    explicit TEvent(bool ManualReset = false, bool InitialState = false)
        : FManualReset(ManualReset), FSignalled(InitialState)
    {
    }
    TEvent(const TEvent&) = delete;
    TEvent& operator=(const TEvent&) = delete;

    void SetEvent();
    void ResetEvent();
    /// Waits until the event is signalled (wrSignaled) or Timeout
    /// milliseconds pass (wrTimeout); INFINITE waits without limit.
    TWaitResult WaitFor(DWORD Timeout);

private:
    std::mutex FMutex;
    std::condition_variable FChanged;
    const bool FManualReset;
    bool FSignalled;
};

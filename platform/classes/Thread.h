#pragma once

// TThread: a worker thread whose body is the virtual Execute. C++ cannot
// run code after the most derived constructor, and Execute must not start
// before it has finished, so a thread is always created suspended and
// started by Resume (the runtime's Create(False) is `new T` + Resume()).
// Execute polls Terminated() to stop. An exception escaping Execute ends
// the thread and is kept (FatalException), never lost.
//
// Freeing a started thread terminates it and waits for it. That wait runs
// after the derived destructors, so a derived class whose Execute uses its
// own members calls Terminate() and WaitFor() first in its destructor.
// With FreeOnTerminate the thread frees itself when Execute returns; the
// creator must not free it then.

#include "platform/classes/Object.h"
#include "platform/rtl/Types.h"

#include <atomic>
#include <exception>
#include <thread>

/// Runs now and then on a thread that waits for another in WaitFor (or in
/// the destructor's wait). The window layer answers there the messages
/// other threads send to its windows, so a worker blocked in SendMessage
/// can finish while the window thread waits for it.
using ThreadWaitHook = void (*)();
/// Sets the hook (null: none); returns the one set before.
ThreadWaitHook SetThreadWaitHook(ThreadWaitHook Hook);

class TThread : public TObject {
    PRICETAGS_CLASS(TThread, TObject)
public:
    TThread();
    ~TThread() override;

    /// Starts the thread (once; later calls do nothing).
    void Resume();
    void Start() { Resume(); }
    /// Asks Execute to stop: Terminated() becomes true.
    void Terminate() { FTerminated = true; }
    /// Waits until Execute has returned; gives ReturnValue. A thread never
    /// started returns at once.
    Integer WaitFor();

    bool Terminated() const { return FTerminated; }
    bool Suspended() const { return !FStarted; }
    /// True once Execute has returned.
    bool Finished() const { return FFinished; }
    bool FreeOnTerminate() const { return FFreeOnTerminate; }
    void SetFreeOnTerminate(bool Value) { FFreeOnTerminate = Value; }
    Integer ReturnValue() const { return FReturnValue; }
    /// The exception that ended Execute; null when none.
    std::exception_ptr FatalException() const { return FFatalException; }

protected:
    virtual void Execute() = 0;
    void SetReturnValue(Integer Value) { FReturnValue = Value; }

private:
    void Run();
    /// Joins the thread, running the wait hook until Execute has returned.
    void Join();

    std::thread FThread;
    std::atomic<bool> FTerminated {false};
    std::atomic<bool> FFinished {false};
    /// Opened once FThread holds the handle, so the thread never runs (or
    /// frees itself) before Resume has finished.
    std::atomic<bool> FGate {false};
    bool FStarted = false;
    std::atomic<bool> FFreeOnTerminate {false};
    std::atomic<Integer> FReturnValue {0};
    std::exception_ptr FFatalException;
};

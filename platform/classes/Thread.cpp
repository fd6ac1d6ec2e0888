#include "platform/classes/Thread.h"

PRICETAGS_DEFINE_CLASS(TThread)

TThread::TThread() = default;

TThread::~TThread()
{
    if (!FThread.joinable())
        return;
    // A thread freeing itself (FreeOnTerminate) cannot wait for itself.
    if (FThread.get_id() == std::this_thread::get_id()) {
        FThread.detach();
        return;
    }
    Terminate();
    FThread.join();
}

void TThread::Resume()
{
    if (FStarted)
        return;
    FStarted = true;
    FThread = std::thread([this] { Run(); });
    FGate = true;
    FGate.notify_one();
}

void TThread::Run()
{
    FGate.wait(false);
    // The thread's entry: nothing may escape it.
    try {
        Execute();
    } catch (...) {
        FFatalException = std::current_exception();
    }
    FFinished = true;
    if (FFreeOnTerminate)
        delete this;
}

Integer TThread::WaitFor()
{
    if (FThread.joinable() && FThread.get_id() != std::this_thread::get_id())
        FThread.join();
    return FReturnValue;
}

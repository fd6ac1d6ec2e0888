#include "platform/classes/Thread.h"

#include <chrono>

PRICETAGS_DEFINE_CLASS(TThread)

namespace {

std::atomic<ThreadWaitHook> gWaitHook {nullptr};

}  // namespace

ThreadWaitHook SetThreadWaitHook(ThreadWaitHook Hook)
{
    return gWaitHook.exchange(Hook);
}

TThread::TThread() = default;

void TThread::Join()
{
    if (gWaitHook.load()) {
        while (!FFinished) {
            if (ThreadWaitHook Hook = gWaitHook.load())
                Hook();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    FThread.join();
}

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
    Join();
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
        Join();
    return FReturnValue;
}

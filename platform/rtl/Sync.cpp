#include "platform/rtl/Sync.h"

#include <chrono>

void TCriticalSection::Enter()
{
    FMutex.lock();
}

void TCriticalSection::Leave()
{
    FMutex.unlock();
}

bool TCriticalSection::TryEnter()
{
    return FMutex.try_lock();
}

void TEvent::SetEvent()
{
    {
        const std::lock_guard<std::mutex> Lock(FMutex);
        FSignalled = true;
    }
    if (FManualReset)
        FChanged.notify_all();
    else
        FChanged.notify_one();
}

void TEvent::ResetEvent()
{
    const std::lock_guard<std::mutex> Lock(FMutex);
    FSignalled = false;
}

TWaitResult TEvent::WaitFor(DWORD Timeout)
{
    std::unique_lock<std::mutex> Lock(FMutex);
    const auto IsSignalled = [this] { return FSignalled; };
    if (Timeout == INFINITE)
        FChanged.wait(Lock, IsSignalled);
    else if (!FChanged.wait_for(Lock, std::chrono::milliseconds(Timeout), IsSignalled))
        return wrTimeout;
    if (!FManualReset)
        FSignalled = false;
    return wrSignaled;
}

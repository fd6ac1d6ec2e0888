#include "platform/rtl/Ticks.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace {

std::atomic<TickSource> CurrentTickSource{nullptr};

DWORD SystemTicks()
{
    // The monotonic clock counts from boot like the system's tick counter;
    // only its low 32 bits of milliseconds are kept, so it wraps the same way.
    const auto Since = std::chrono::steady_clock::now().time_since_epoch();
    const auto Ms = std::chrono::duration_cast<std::chrono::milliseconds>(Since).count();
    return static_cast<DWORD>(static_cast<uint64_t>(Ms));
}

} // namespace

DWORD GetTickCount()
{
    const TickSource Source = CurrentTickSource.load();
    return Source ? Source() : SystemTicks();
}

TickSource SetTickSource(TickSource Source)
{
    return CurrentTickSource.exchange(Source);
}

void Sleep(DWORD Milliseconds)
{
    if (Milliseconds == 0) {
        std::this_thread::yield();
        return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(Milliseconds));
}

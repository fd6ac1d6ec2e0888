#include "platform/rtl/Sync.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

TEST(Sync, CriticalSectionIsRecursive)
{
    TCriticalSection Section;
    Section.Enter();
    Section.Enter();  // the holder may enter again
    std::atomic<bool> OtherGotIn{true};
    std::thread([&] { OtherGotIn = Section.TryEnter(); }).join();
    EXPECT_FALSE(OtherGotIn);
    Section.Leave();
    std::thread([&] { OtherGotIn = Section.TryEnter(); }).join();
    EXPECT_FALSE(OtherGotIn);  // still held once
    Section.Leave();
    std::thread([&] {
        OtherGotIn = Section.TryEnter();
        if (OtherGotIn)
            Section.Leave();
    }).join();
    EXPECT_TRUE(OtherGotIn);
}

TEST(Sync, GuardLeavesOnException)
{
    TCriticalSection Section;
    try {
        const CriticalSectionGuard Guard(Section);
        throw std::runtime_error("fails inside");
    } catch (const std::runtime_error&) {
        // expected: the guard must have left the section
    }
    std::atomic<bool> OtherGotIn{false};
    std::thread([&] {
        OtherGotIn = Section.TryEnter();
        if (OtherGotIn)
            Section.Leave();
    }).join();
    EXPECT_TRUE(OtherGotIn);
}

TEST(Sync, CriticalSectionKeepsCountsWhole)
{
    TCriticalSection Section;
    int Counter = 0;
    std::vector<std::thread> Threads;
    for (int T = 0; T < 4; ++T) {
        Threads.emplace_back([&] {
            for (int I = 0; I < 10000; ++I) {
                const CriticalSectionGuard Guard(Section);
                const CriticalSectionGuard Again(Section);
                ++Counter;
            }
        });
    }
    for (std::thread& T : Threads)
        T.join();
    EXPECT_EQ(Counter, 40000);
}

TEST(Sync, AutoResetEventLetsOneWaiterThroughPerSignal)
{
    TEvent Event;
    EXPECT_EQ(Event.WaitFor(0), wrTimeout);
    Event.SetEvent();
    EXPECT_EQ(Event.WaitFor(0), wrSignaled);
    EXPECT_EQ(Event.WaitFor(0), wrTimeout);  // it cleared itself

    std::atomic<int> Passed{0};
    std::vector<std::thread> Waiters;
    for (int T = 0; T < 3; ++T)
        Waiters.emplace_back([&] {
            if (Event.WaitFor(5000) == wrSignaled)
                ++Passed;
        });
    for (int S = 0; S < 3; ++S) {
        const int Before = Passed;
        Event.SetEvent();
        for (int Spin = 0; Spin < 500 && Passed == Before; ++Spin)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        EXPECT_EQ(Passed, Before + 1);
    }
    for (std::thread& T : Waiters)
        T.join();
    EXPECT_EQ(Passed, 3);
}

TEST(Sync, ManualResetEventStaysSignalled)
{
    TEvent Event(/*ManualReset=*/true, /*InitialState=*/true);
    EXPECT_EQ(Event.WaitFor(0), wrSignaled);
    EXPECT_EQ(Event.WaitFor(INFINITE), wrSignaled);
    Event.ResetEvent();
    const auto Start = std::chrono::steady_clock::now();
    EXPECT_EQ(Event.WaitFor(30), wrTimeout);
    EXPECT_GE(std::chrono::steady_clock::now() - Start, std::chrono::milliseconds(30));
}

} // namespace

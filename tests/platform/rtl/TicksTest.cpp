#include "platform/rtl/Ticks.h"

#include <gtest/gtest.h>

namespace {

/// Replaces the tick counter for the scope with one the test sets.
class FakeTicks {
public:
    explicit FakeTicks(DWORD Start)
    {
        Value() = Start;
        FOld = SetTickSource(&Read);
    }
    ~FakeTicks() { SetTickSource(FOld); }
    FakeTicks(const FakeTicks&) = delete;
    FakeTicks& operator=(const FakeTicks&) = delete;

    static DWORD& Value()
    {
        static DWORD Ticks = 0;
        return Ticks;
    }

private:
    static DWORD Read() { return Value(); }
    TickSource FOld = nullptr;
};

TEST(Ticks, ReplacedCounterWrapsAt32Bits)
{
    const FakeTicks Fake(0xFFFFFFF0);
    const DWORD Before = GetTickCount();
    FakeTicks::Value() += 0x20;
    const DWORD After = GetTickCount();
    EXPECT_EQ(After, 0x10u);
    // Differences of unsigned 32-bit ticks stay right across the wrap.
    EXPECT_EQ(DWORD(After - Before), 0x20u);
}

TEST(Ticks, SystemCounterFollowsTheClock)
{
    const DWORD Start = GetTickCount();
    Sleep(20);
    const DWORD Passed = GetTickCount() - Start;
    EXPECT_GE(Passed, 20u);
    // The counter in force again after a replacement is the system's.
    {
        const FakeTicks Fake(5);
        EXPECT_EQ(GetTickCount(), 5u);
    }
    EXPECT_GE(GetTickCount() - Start, Passed);
}

TEST(Ticks, SleepZeroReturns)
{
    Sleep(0);
    SUCCEED();
}

} // namespace

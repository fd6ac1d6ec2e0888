// User settings from SystemParametersInfo and the multimedia timer.

#include "platform/winapi/SystemMetrics.h"
#include "platform/winapi/Windows.h"
#include "platform/rtl/Ticks.h"

#include <gtest/gtest.h>

TEST(SystemParameters, SettingsComeFromTheMetrics)
{
    SystemMetricsScope M;
    M->SetScreen(800, 600, 40);
    M->WheelScrollLines = 5;
    M->DragFullWindows = false;
    M->TooltipAnimation = true;
    M->TooltipFade = false;
    TRect Work;
    ASSERT_TRUE(SystemParametersInfo(SPI_GETWORKAREA, 0, &Work, 0));
    EXPECT_EQ(Work, Rect(0, 0, 800, 560));
    UINT Lines = 0;
    ASSERT_TRUE(SystemParametersInfo(SPI_GETWHEELSCROLLLINES, 0, &Lines, 0));
    EXPECT_EQ(Lines, 5u);
    struct Flag {
        UINT Action;
        BOOL Expected;
    };
    for (const Flag& F : {Flag {SPI_GETDRAGFULLWINDOWS, false}, Flag {SPI_GETTOOLTIPANIMATION, true},
             Flag {SPI_GETTOOLTIPFADE, false}}) {
        SCOPED_TRACE(F.Action);
        BOOL Value = 7;
        ASSERT_TRUE(SystemParametersInfo(F.Action, 0, &Value, 0));
        EXPECT_EQ(Value, F.Expected);
    }
    // A page per notch is reported as UINT(-1).
    M->WheelScrollLines = -1;
    SystemParametersInfo(SPI_GETWHEELSCROLLLINES, 0, &Lines, 0);
    EXPECT_EQ(Lines, UINT(-1));
}

TEST(SystemParameters, UnknownActionOrNoBufferLeavesTheBufferAlone)
{
    UINT Value = 77;
    EXPECT_FALSE(SystemParametersInfo(0x7777, 0, &Value, 0));
    EXPECT_EQ(Value, 77u);
    EXPECT_FALSE(SystemParametersInfo(SPI_GETWHEELSCROLLLINES, 0, nullptr, 0));
}

namespace {
DWORD gFakeTicks = 0;
DWORD FakeTicks()
{
    return gFakeTicks;
}
}  // namespace

TEST(MultimediaTimer, TimeFollowsTheTickCounterAndWraps)
{
    const TickSource Old = SetTickSource(&FakeTicks);
    gFakeTicks = 0xFFFFFFF0u;
    const DWORD Start = timeGetTime();
    gFakeTicks += 0x20;
    EXPECT_EQ(timeGetTime() - Start, 0x20u);
    SetTickSource(Old);
}

TEST(MultimediaTimer, PeriodsPairUp)
{
    EXPECT_EQ(timeBeginPeriod(0), UINT(TIMERR_NOCANDO));
    EXPECT_EQ(timeEndPeriod(3), UINT(TIMERR_NOCANDO));
    EXPECT_EQ(timeBeginPeriod(1), UINT(TIMERR_NOERROR));
    EXPECT_EQ(timeBeginPeriod(1), UINT(TIMERR_NOERROR));
    EXPECT_EQ(timeEndPeriod(1), UINT(TIMERR_NOERROR));
    EXPECT_EQ(timeEndPeriod(1), UINT(TIMERR_NOERROR));
    EXPECT_EQ(timeEndPeriod(1), UINT(TIMERR_NOCANDO));
}

// User settings the window system reports (SystemParametersInfo) and the
// multimedia timer functions of Windows.h.

#include "platform/winapi/Windows.h"

#include "platform/winapi/SystemMetrics.h"
#include "platform/rtl/Ticks.h"

#include <map>
#include <mutex>

BOOL SystemParametersInfo(UINT Action, UINT, void* Param, UINT)
{
    if (!Param)
        return false;
    const SystemMetrics& M = SystemMetrics::Current();
    switch (Action) {
    case SPI_GETWORKAREA: *static_cast<TRect*>(Param) = M.PrimaryMonitor().WorkArea; return true;
    case SPI_GETWHEELSCROLLLINES: *static_cast<UINT*>(Param) = static_cast<UINT>(M.WheelScrollLines); return true;
    case SPI_GETDRAGFULLWINDOWS: *static_cast<BOOL*>(Param) = M.DragFullWindows; return true;
    case SPI_GETTOOLTIPANIMATION: *static_cast<BOOL*>(Param) = M.TooltipAnimation; return true;
    case SPI_GETTOOLTIPFADE: *static_cast<BOOL*>(Param) = M.TooltipFade; return true;
    default: return false;
    }
}

namespace {

std::mutex gPeriodLock;

/// Open timeBeginPeriod requests by period.
std::map<UINT, int>& Periods()
{
    static std::map<UINT, int> Map;
    return Map;
}

}  // namespace

DWORD timeGetTime()
{
    return GetTickCount();
}

UINT timeBeginPeriod(UINT Period)
{
    if (Period == 0)
        return TIMERR_NOCANDO;
    std::lock_guard<std::mutex> Lock(gPeriodLock);
    ++Periods()[Period];
    return TIMERR_NOERROR;
}

UINT timeEndPeriod(UINT Period)
{
    std::lock_guard<std::mutex> Lock(gPeriodLock);
    const auto It = Periods().find(Period);
    if (It == Periods().end())
        return TIMERR_NOCANDO;
    if (--It->second == 0)
        Periods().erase(It);
    return TIMERR_NOERROR;
}

#pragma once

// The classic window-system metrics and system colours the program's
// layout and painting rest on: 96 dots per inch, the classic grey scheme,
// scroll bars 16 pixels wide, 2-pixel edges. One process-wide object, so
// pixel results do not depend on the desktop a test runs on; tests change
// it through SystemMetricsScope, which restores it at scope end.
//
// The screen and work area start at 1024 x 768 (work area without a 30-pixel
// task bar at the bottom); TApplication::Initialize replaces them with the
// real screen unless a test has set them.

#include "platform/winapi/Windows.h"
#include "platform/rtl/Types.h"

#include <array>
#include <vector>

struct MonitorInfo {
    TRect Bounds;
    TRect WorkArea;
    bool Primary = false;
};

struct SystemMetrics {
    /// GetSystemMetrics values by SM_ index (0 for indexes nobody set).
    std::array<int, 100> Metrics {};
    /// GetSysColor values (0x00BBGGRR) by COLOR_ index.
    std::array<COLORREF, COLOR_ENDCOLORS + 1> Colors {};
    int PixelsPerInch = 96;
    /// Lines one wheel notch scrolls (SPI_GETWHEELSCROLLLINES); -1 scrolls
    /// a page.
    int WheelScrollLines = 3;
    /// Windows show their content while they are moved or while something
    /// is dragged over them (SPI_GETDRAGFULLWINDOWS).
    bool DragFullWindows = true;
    /// Tooltips appear animated (SPI_GETTOOLTIPANIMATION), fading rather
    /// than sliding (SPI_GETTOOLTIPFADE).
    bool TooltipAnimation = true;
    bool TooltipFade = true;
    /// Monitors in the order the system lists them; the first primary one
    /// gives the screen size and work area.
    std::vector<MonitorInfo> Monitors;
    /// Whether the screen values came from a test or the platform (then
    /// TApplication::Initialize leaves them alone).
    bool ScreenFixed = false;

    /// The classic defaults described above.
    static SystemMetrics Classic();
    /// The process-wide metrics.
    static SystemMetrics& Current();

    const MonitorInfo& PrimaryMonitor() const;
    /// Sets one monitor of Width x Height with a work area that leaves
    /// TaskBarHeight pixels at the bottom, and the screen metrics with it.
    void SetScreen(int Width, int Height, int TaskBarHeight = 30);
};

/// Replaces the process-wide metrics for a scope (a test), restoring the
/// previous ones at its end. Starts from a copy of the current metrics.
class SystemMetricsScope {
public:
    SystemMetricsScope();
    ~SystemMetricsScope();
    SystemMetricsScope(const SystemMetricsScope&) = delete;
    SystemMetricsScope& operator=(const SystemMetricsScope&) = delete;

    SystemMetrics& operator*() { return SystemMetrics::Current(); }
    SystemMetrics* operator->() { return &SystemMetrics::Current(); }

private:
    SystemMetrics FSaved;
};

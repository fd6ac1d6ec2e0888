#include "platform/winapi/SystemMetrics.h"

#include <cassert>

namespace {

struct MetricValue {
    int Index;
    int Value;
};

// Classic values at 96 dpi with the 8-point captions and menus.
constexpr MetricValue ClassicMetrics[] = {
    {SM_CXVSCROLL, 16}, {SM_CYHSCROLL, 16}, {SM_CYCAPTION, 19}, {SM_CXBORDER, 1},
    {SM_CYBORDER, 1}, {SM_CXDLGFRAME, 3}, {SM_CYDLGFRAME, 3}, {SM_CYVTHUMB, 16},
    {SM_CXHTHUMB, 16}, {SM_CXICON, 32}, {SM_CYICON, 32}, {SM_CXCURSOR, 32},
    {SM_CYCURSOR, 32}, {SM_CYMENU, 19}, {SM_CYVSCROLL, 16}, {SM_CXHSCROLL, 16},
    {SM_CXMIN, 112}, {SM_CYMIN, 27}, {SM_CXSIZE, 18}, {SM_CYSIZE, 18}, {SM_CXFRAME, 4},
    {SM_CYFRAME, 4}, {SM_CXMINTRACK, 112}, {SM_CYMINTRACK, 27}, {SM_CXDOUBLECLK, 4},
    {SM_CYDOUBLECLK, 4}, {SM_CXICONSPACING, 75}, {SM_CYICONSPACING, 75}, {SM_CXEDGE, 2},
    {SM_CYEDGE, 2}, {SM_CXSMICON, 16}, {SM_CYSMICON, 16}, {SM_CYSMCAPTION, 16},
    {SM_CXSMSIZE, 15}, {SM_CYSMSIZE, 15}, {SM_CXMENUSIZE, 18}, {SM_CYMENUSIZE, 18},
    {SM_CXMENUCHECK, 13}, {SM_CYMENUCHECK, 13}, {SM_CXDRAG, 4}, {SM_CYDRAG, 4},
};

// The classic grey scheme, by COLOR_ index.
constexpr COLORREF ClassicColors[COLOR_ENDCOLORS + 1] = {
    RGB(212, 208, 200),  // COLOR_SCROLLBAR
    RGB(58, 110, 165),   // COLOR_BACKGROUND
    RGB(10, 36, 106),    // COLOR_ACTIVECAPTION
    RGB(128, 128, 128),  // COLOR_INACTIVECAPTION
    RGB(212, 208, 200),  // COLOR_MENU
    RGB(255, 255, 255),  // COLOR_WINDOW
    RGB(0, 0, 0),        // COLOR_WINDOWFRAME
    RGB(0, 0, 0),        // COLOR_MENUTEXT
    RGB(0, 0, 0),        // COLOR_WINDOWTEXT
    RGB(255, 255, 255),  // COLOR_CAPTIONTEXT
    RGB(212, 208, 200),  // COLOR_ACTIVEBORDER
    RGB(212, 208, 200),  // COLOR_INACTIVEBORDER
    RGB(128, 128, 128),  // COLOR_APPWORKSPACE
    RGB(10, 36, 106),    // COLOR_HIGHLIGHT
    RGB(255, 255, 255),  // COLOR_HIGHLIGHTTEXT
    RGB(212, 208, 200),  // COLOR_BTNFACE
    RGB(128, 128, 128),  // COLOR_BTNSHADOW
    RGB(128, 128, 128),  // COLOR_GRAYTEXT
    RGB(0, 0, 0),        // COLOR_BTNTEXT
    RGB(212, 208, 200),  // COLOR_INACTIVECAPTIONTEXT
    RGB(255, 255, 255),  // COLOR_BTNHIGHLIGHT
    RGB(64, 64, 64),     // COLOR_3DDKSHADOW
    RGB(212, 208, 200),  // COLOR_3DLIGHT
    RGB(0, 0, 0),        // COLOR_INFOTEXT
    RGB(255, 255, 225),  // COLOR_INFOBK
    RGB(181, 181, 181),  // 25, unnamed
    RGB(0, 0, 128),      // COLOR_HOTLIGHT
    RGB(166, 202, 240),  // COLOR_GRADIENTACTIVECAPTION
    RGB(192, 192, 192),  // COLOR_GRADIENTINACTIVECAPTION
    RGB(10, 36, 106),    // COLOR_MENUHILIGHT
    RGB(212, 208, 200),  // COLOR_MENUBAR
};

}  // namespace

SystemMetrics SystemMetrics::Classic()
{
    SystemMetrics M;
    for (const MetricValue& V : ClassicMetrics)
        M.Metrics[static_cast<size_t>(V.Index)] = V.Value;
    for (size_t I = 0; I < M.Colors.size(); ++I)
        M.Colors[I] = ClassicColors[I];
    M.SetScreen(1024, 768);
    M.ScreenFixed = false;
    return M;
}

SystemMetrics& SystemMetrics::Current()
{
    static SystemMetrics Metrics = Classic();
    return Metrics;
}

const MonitorInfo& SystemMetrics::PrimaryMonitor() const
{
    assert(!Monitors.empty() && "SetScreen gives at least one monitor");
    for (const MonitorInfo& M : Monitors)
        if (M.Primary)
            return M;
    return Monitors.front();
}

void SystemMetrics::SetScreen(int Width, int Height, int TaskBarHeight)
{
    MonitorInfo M;
    M.Bounds = Rect(0, 0, Width, Height);
    M.WorkArea = Rect(0, 0, Width, Height - TaskBarHeight);
    M.Primary = true;
    Monitors.assign(1, M);
    Metrics[SM_CXSCREEN] = Width;
    Metrics[SM_CYSCREEN] = Height;
    Metrics[SM_CXFULLSCREEN] = Width;
    Metrics[SM_CYFULLSCREEN] = Height - TaskBarHeight - Metrics[SM_CYCAPTION];
    Metrics[SM_CMONITORS] = 1;
    ScreenFixed = true;
}

SystemMetricsScope::SystemMetricsScope() : FSaved(SystemMetrics::Current()) {}

SystemMetricsScope::~SystemMetricsScope()
{
    SystemMetrics::Current() = FSaved;
}

#pragma once

// The pages of the report window's details: General (the General part as
// rich text), Call Stack (the stack grouped by thread in an owner-drawn
// list), Modules (the loaded modules), CPU (registers, stack and memory
// dump as rich text) and Other (the custom data as plain text). Each page
// is a child control made when its tab is chosen and freed when another is;
// the list pages keep their column widths in the log options' ini file.
//
// The pages read a report as the log stores it, so the window that shows
// them may run in another process than the one that failed.

#include "exceptionlog/LogText.h"
#include "platform/rtl/AnsiString.h"
#include "platform/rtl/Types.h"
#include "platform/winapi/Windows.h"

#include <cstdint>
#include <functional>
#include <vector>

class TRazuroModuleOptions;
class TWinControl;

/// Page numbers; the tab order, with absent pages skipped.
enum ReportPage { rpGeneral = 0, rpCallStack = 1, rpModules = 2, rpCPU = 3, rpOther = 4 };

/// One row of the call-stack page as the report holds it: a thread's
/// caption opens a group, a blank row parts the running threads.
struct CallStackRow {
    enum RowKind { rkEntry, rkThread, rkSeparator };
    RowKind Kind = rkEntry;
    /// rkThread: the caption; rkEntry: the six cells (address, module,
    /// unit, class, procedure, line).
    AnsiString Caption;
    std::vector<AnsiString> Cells;
    /// rkThread: a running thread (its caption drawn in the accent colour).
    bool Running = false;
};

/// What the pages show, read from one report.
struct ReportPagesData {
    /// Header line and General part.
    AnsiString GeneralText;
    /// Registers, stack and memory dump; '' when the report has none.
    AnsiString CPUText;
    /// The Other page's text; '' leaves the page out.
    AnsiString CustomDataText;
    std::vector<CallStackRow> CallStack;
    /// Cells of each module row: handle, name, description, version, size
    /// (bytes), modified, path.
    std::vector<std::vector<AnsiString>> Modules;
    /// Whether the report holds a modules table and a CPU section.
    bool HasModules = false;
    bool HasCPU = false;
};

/// The pages' data of ReportText (one report as the log stores it, CP1251,
/// CR LF). Parts the report lacks stay empty; never raises.
[[nodiscard]] ReportPagesData ReportPagesFromText(const AnsiString& ReportText);

/// Image of a module's row by its file name: 1 a package (".bpl", ".dpl"),
/// 2 a program (".exe", or no extension), 0 a library (any other).
[[nodiscard]] int ModuleImageIndex(const AnsiString& FileName);
/// "1.5.0.300" -> "1.5.x": up to the second "." and "x"; a version with
/// fewer dots unchanged.
[[nodiscard]] AnsiString ModuleVersionText(const AnsiString& Version);
/// Bytes as rounded kilobytes: "2 Kb".
[[nodiscard]] AnsiString ModuleSizeText(int64_t Bytes);

/// How the pages look and where they keep their column widths.
struct ReportPageSettings {
    /// Fonts of the rich-text and text pages, the lists and the labels.
    AnsiString FixedFace = "Courier New";
    int FixedSize = 8;
    AnsiString ListFace = "MS Sans Serif";
    int ListSize = 8;
    AnsiString MessageFace = "MS Sans Serif";
    int MessageSize = 8;
    /// The own look: labels on Background instead of the default colours.
    bool OwnLook = false;
    COLORREF Background = RGB(255, 255, 255);
    /// The ini file of the column widths (section "Coordinates"); '' keeps
    /// the defaults and saves nothing.
    AnsiString CoordinatesIni;
    /// Called for every key, click, wheel turn and command on a page (the
    /// window restarts its auto-close countdown).
    std::function<void()> OnActivity;
};

/// Whether page Page is shown for Data and Options (Modules with the
/// modules option and a table, CPU with the CPU option, Other with custom
/// data; General and Call Stack always).
[[nodiscard]] bool ReportPagePresent(int Page, const ReportPagesData& Data,
                                     const TRazuroModuleOptions& Options);
/// The page of tab TabIndex (0-based) with absent pages skipped; -1 past
/// the last present page.
[[nodiscard]] int ReportPageOfTab(int TabIndex, const ReportPagesData& Data,
                                  const TRazuroModuleOptions& Options);
/// The tab texts of the present pages, in order.
[[nodiscard]] std::vector<AnsiString> ReportPageTabs(const ReportPagesData& Data,
                                                     const TRazuroModuleOptions& Options);

/// Makes page Page (a ReportPage) as a child of Parent in Rect (Parent's
/// client pixels), filled from Data, with its texts and call-stack options
/// from Options. The caller owns the page: deleting it saves the list
/// columns' widths. It is a child of Parent, so a Parent freed first frees
/// it too (delete the page before its parent). Resizing it (SetBounds)
/// lays out its contents. Nothing of Data, Options and Settings is kept
/// but copies. Null for a null Parent or a Page outside rpGeneral..rpOther.
[[nodiscard]] TWinControl* CreateReportPage(TWinControl* Parent, int Page, const TRect& Rect,
                                            const ReportPagesData& Data,
                                            const TRazuroModuleOptions& Options,
                                            const ReportPageSettings& Settings);
/// The same on the control of window Parent; null when Wnd has no control.
[[nodiscard]] TWinControl* CreateReportPage(HWND Parent, int Page, const TRect& Rect,
                                            const ReportPagesData& Data,
                                            const TRazuroModuleOptions& Options,
                                            const ReportPageSettings& Settings);

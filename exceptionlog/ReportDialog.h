#pragma once

// The report windows: the main window "EL_Dialog" (the error message,
// send/screenshot/copy boxes, the support link, the terminate or restart
// button, Details that grows it into a resizable window with tab pages),
// the request for the steps that reproduce the error "EL_Request", the
// sending progress "EL_Server", and what the three share (fonts, the
// painted caption of the own look, the auto-close countdown, the
// foreground keeper, the placement in RazuroLog.ini).
//
// The windows are dialog-manager windows and draw on the thread that runs
// the program's windows; a failing program shows them from its report
// process (ReportProcess.h). Texts are the options' texts by number
// (GetCustomText). Pixels at 96 dpi.

#include "platform/winapi/Windows.h"
#include "platform/rtl/AnsiString.h"

#include <functional>
#include <vector>

class TRazuroModuleOptions;

/// What the report run and the windows exchange (one set per process; the
/// windows read them before they show and the run reads the choices after).
struct ReportDialogValues {
    bool SendChosen = false;
    bool ScreenshotChosen = false;
    bool CopyChosen = false;
    bool TerminateChosen = false;
    bool IsRepeatedError = false;
    int ExceptionCount = 0;
    AnsiString ExceptionMessageText;
    AnsiString FullReportText;
    AnsiString GeneralSectionText;
    AnsiString CPUSectionText;
    AnsiString CustomDataText;
};
[[nodiscard]] ReportDialogValues& DialogValues();
/// The options the windows follow (the run's options); set before showing.
void SetDialogOptions(const TRazuroModuleOptions* Options);
[[nodiscard]] const TRazuroModuleOptions& DialogOptions();

/// Which parts of the main window show, and the height they add below the
/// buttons (0, 20 or 34 pixels).
struct DialogShownParts {
    bool SendShown = false;
    bool ScreenshotShown = false;
    bool CopyShown = false;
    bool LinkShown = false;
    int ExtraHeight = 0;
};
[[nodiscard]] DialogShownParts ShownPartsFor(const TRazuroModuleOptions& O, bool IsRepeatedError);

/// The compact window's text box, for a message measured line by line
/// (Measure gives a line's extent in the message font; an empty line is
/// measured as one blank). FrameX is SM_CXFRAME.
struct CompactTextSize {
    int Width = 0;
    int Height = 0;
    /// The window's width: Width + the borders, at least 250.
    int WindowWidth = 0;
};
using TextMeasure = std::function<TSize(const AnsiString& Line)>;
[[nodiscard]] CompactTextSize CompactTextFor(const AnsiString& Message, const AnsiString& ButtonLine,
    int FrameX, const TextMeasure& Measure);

/// The tab texts (option text numbers) the Details window has, in order.
[[nodiscard]] std::vector<int> DialogTabTexts(Byte LogOptions, bool HasCustomData);
/// The page the Details window opens with (0 General .. 4 Other).
[[nodiscard]] int StartPageFor(Byte DialogStyle, bool HasCustomData);
/// The tab of a page when the Modules or CPU page may be missing.
[[nodiscard]] int TabOfPage(int Page, bool HasModules, bool HasCPU);
/// The page a tab shows (the inverse of TabOfPage).
[[nodiscard]] int PageOfTab(int Tab, bool HasModules, bool HasCPU);

/// The Details window's placement as RazuroLog.ini keeps it, pulled back
/// onto a screen of that size.
struct DialogPlacement {
    int Left = 0;
    int Top = 0;
    int Width = 745;
    int Height = 468;
    int WindowsState = 1;
};
/// Read with the defaults: "Width" 745, "Height" 468, centred, state 1.
[[nodiscard]] DialogPlacement LoadDialogPlacement(int ScreenWidth, int ScreenHeight, int ExtraHeight);
/// Writes the placement (size and place only in the normal state; Height
/// without ExtraHeight).
void SaveDialogPlacement(const DialogPlacement& P, int ExtraHeight);

/// Shows the main window modally until the user closes it; the choices
/// are in DialogValues() afterwards. False when no window could be shown
/// (the user then gets the message in a plain message box).
bool ShowExceptionDialog();
/// Asked when the user closed the main window with the terminate or
/// restart button: false when the program goes on after all, and the
/// window shows again. Null (the default): nobody is asked.
using TerminateQuestion = bool (*)();
TerminateQuestion SetTerminateQuestion(TerminateQuestion Ask);
/// Offers the steps request when the options ask for it and adds the text
/// to the report texts.
void ShowReproduceRequest();
/// The sending progress window (modeless, on the calling thread): up after
/// the call; status text to control 100, position to control 101;
/// CloseSendDialog takes it down. Null when the options show none.
HWND StartSendDialog();
void CloseSendDialog();
/// The progress window's handle; null when none.
[[nodiscard]] HWND SendDialogWindow();
/// Closes the progress window when sent to it.
constexpr UINT WM_CLOSE_SEND_DIALOG = 0x0400 + 1234;

/// Inserts a titled section into the report texts after the General
/// section (Kind as log items have it: 6 custom data, 7 the steps).
void AddReportSection(int Kind, const AnsiString& Title, const AnsiString& Text);

/// The own-look caption painted on a window DC of a window of that size.
void PaintOwnCaptionOn(HDC DC, const TRect& Window, bool Active, bool Detailed, int CaptionHeight,
    const AnsiString& Text, HFONT Font);

/// Called by the auto-close countdown with every tick; tests read it.
[[nodiscard]] int AutoCloseCounter();

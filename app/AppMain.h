#pragma once

// The program's start-up and shut-down around its message loop: the units'
// start-up work in dependency order, the configuration loaded before any
// window exists, the windows created (the main window first), fonts and
// placement restored, and at the end the placement, the named markups and
// the configuration saved. An exception that escapes a command reaches the
// application's handler, which logs it to the program's log and shows it;
// the program goes on.

/// The units' start-up work, in dependency order; GuiStartup has run.
/// Turns the message windows on.
void AppUnitsInitialization();
/// The units' end, in reverse order.
void AppUnitsFinalization();

/// Makes the application's exception handler the one that logs an escaped
/// exception to the program's log and shows it (EAbort stays silent).
void InstallAppExceptionHandler();
/// Loads the configuration (the start hook), puts the shipped templates
/// that are missing into "TXT", makes the process's printer the one
/// documents measure and print on, applies the named fonts, sets
/// the title and creates the windows: the main window, the text viewer and
/// the data module. Installs the application's exception handler.
void CreateAppWindows();
/// Restores fonts and placement and sets the main window up from the
/// configuration; then settings may be saved. A failure asks "Прервать
/// выполнение ?": false when the operator chose to end the program.
bool RestForms();
/// Saves the placement and, when settings may be saved, the main window's
/// state and the configuration. A failure is logged and shown, and nothing
/// more is saved.
void FinishForms();
/// Frees the windows CreateAppWindows made; documents have no printer
/// afterwards.
void FreeAppWindows();

/// The whole run after GuiStartup: units, windows, message loop, saving,
/// units' end. The exit code. With PRICETAGS_QUIT_AFTER_MS set in the
/// environment the main window closes itself at the first tick of a timer
/// of that many milliseconds after it was painted (a smoke test of a real
/// start).
int RunApplication();

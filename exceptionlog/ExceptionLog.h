#pragma once

// Activation of the exception log. At start-up the program file is tested
// for its data block; without one (the program ships so) the exception log
// stays inactive: no options, hooks, threads, dialogs or logs. A damaged
// block leaves it inactive too, with one line in the program log.
//
// The hooks, exception processing and hang detection start from here once
// they exist (StartupSteps); they are not part of this unit.

#include "exceptionlog/DataBlock.h"
#include "exceptionlog/ModuleOptions.h"

#include "platform/rtl/AnsiString.h"
#include "platform/rtl/DateTime.h"

/// Starts (On) or stops hang detection; installed by the hang detector.
using HangDetectionSwitch = void (*)(bool On);
HangDetectionSwitch SetHangDetectionSwitch(HangDetectionSwitch Switch);

/// The options of a module record. On the program's own options, setting
/// Activate or FreezeActive switches hang detection on when both are set
/// afterwards and off otherwise; other options only store the value.
class TRazuroModuleOptionsEx : public TRazuroModuleOptions {
    PRICETAGS_CLASS(TRazuroModuleOptionsEx, TRazuroModuleOptions)
public:
    using TRazuroModuleOptions::TRazuroModuleOptions;
    void SetActivate(bool Value) override;
    void SetFreezeActive(bool Value) override;

private:
    void SwitchHangDetection() const;
};

/// Whether the exception log is active in this process.
[[nodiscard]] bool ExceptionLogActive();

/// Activation for the module file ModuleFile (the program file at
/// start-up): reads its block, and when there is one sets up the global
/// options and the module's record and runs the start-up steps. Errors
/// inside go to the internal-error handler under "ExceptionLog.Init".
/// Returns whether the exception log is active afterwards.
bool ActivateExceptionLog(const AnsiString& ModuleFile);
/// Undoes activation (under "ExceptionLog.Done"); nothing when inactive.
void DeactivateExceptionLog();

/// The global options (null while inactive).
[[nodiscard]] TRazuroModuleOptions* GlobalOptions();
/// The record of the program file (null while inactive).
[[nodiscard]] ModuleRecord* MainModuleRecord();
/// When activation ran, and the folder current at that time (the start-up
/// folder).
[[nodiscard]] TDateTime ActivationTime();
[[nodiscard]] AnsiString StartupFolder();
/// The program file as recorded at activation.
[[nodiscard]] AnsiString ExceptionLogModuleName();

/// Whether activation reads the debug part of the block (set by the
/// call-stack code before start-up; off by default).
void SetDebugDataWanted(bool Wanted);

/// Steps run at the end of a successful activation and at the start of
/// deactivation (hooks, hang detection).
struct StartupSteps {
    void (*Start)() = nullptr;
    void (*Stop)() = nullptr;
};
void SetStartupSteps(const StartupSteps& Steps);

/// Writes one line to the program log. The default appends
/// "<date> <time>: " + Text + CR LF to "<program>.log" in the start-up
/// folder, the program log's own entry form; the program may install its
/// own writer.
void WriteProgramLog(const AnsiString& Text);
using ProgramLogWriter = void (*)(const AnsiString& Text);
ProgramLogWriter SetProgramLogWriter(ProgramLogWriter Writer);

// ---- the password of the block's encrypted part ----------------------------------

/// May change Password (the text typed so far).
using PasswordRequestHandler = void (*)(AnsiString& Password);
void AddPasswordRequestHandler(PasswordRequestHandler Handler);
void RemovePasswordRequestHandler(PasswordRequestHandler Handler);
/// Called after the handlers; null by default.
extern PasswordRequestHandler gPasswordRequestProc;
/// The password step: clears the password and runs the export below.
[[nodiscard]] AnsiString RequestPassword();

/// Exported entry: Buffer is a length byte and up to 255 characters.
/// Sets the process password from it, runs the handlers and the global
/// procedure, and writes the result back, cut to MaxLength (at most 255).
extern "C" void RazuroLog_PasswordRequestEvent(unsigned char* Buffer, int MaxLength);

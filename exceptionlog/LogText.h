#pragma once

// The text of an exception report: the header line, the General part of
// numbered fields (TLogItem), the call-stack and modules tables, and the
// registers with a stack and memory dump. Titles, labels and column
// headers are the options' texts.
//
// Reports are written for 64-bit (addresses of 16 hex digits, registers
// RAX..RIP); the 32-bit layout (8 digits, EAX..EIP) of older logs is the
// same code at width 8, and the log reader takes both.

#include "platform/classes/Object.h"
#include "platform/rtl/AnsiString.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Types.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class TRazuroModuleOptions;

/// The first line of every report.
inline constexpr char ReportHeader[] = "RazuroLog 5.1.3";

/// Builder of the General part: sections of numbered "label: value" lines.
class TLogItem : public TObject {
    PRICETAGS_CLASS(TLogItem, TObject)
public:
    explicit TLogItem(Integer AFirstSection = 0);

    void Clear();
    /// Starts section Section + 1: a blank line before it unless it is the
    /// first, the title, ":" and a rule placeholder.
    void AddSection(const AnsiString& Title);
    /// Field Line + 1 of the section; a hidden field keeps its number.
    /// Values of several lines go on continuation lines; ": " inside them
    /// becomes ":_" and an empty line ".".
    void AddLine(const AnsiString& Label, const AnsiString& Value, bool Visible = true);
    /// The text with each section's ": " aligned, its rule as long as its
    /// longest line, and sections without a visible field removed.
    void Format(AnsiString& Output) const;

    AnsiString Text;
    Integer Section = 0;
    Integer Line = 0;
    Integer FirstSection = 0;
};

/// "Tue, 3 Mar 2009 14:05:09 +0300": a local date and time with the local
/// offset from UTC in hours and minutes.
[[nodiscard]] AnsiString MailDateText(TDateTime LocalTime);
/// The same with the offset given (minutes east of UTC).
[[nodiscard]] AnsiString MailDateText(TDateTime LocalTime, int OffsetMinutes);
/// "1 day, 1 hour, 1 minute, 1 second"; days and hours only when not 0.
[[nodiscard]] AnsiString UpTimeText(uint64_t Seconds);
/// Value in upper-case hex, Width digits.
[[nodiscard]] AnsiString HexText(uint64_t Value, int Width);

/// Field 2.2: the address in Width hex digits; '' for 0.
[[nodiscard]] AnsiString ExceptionAddressText(uint64_t Address, int Width);
/// Field 2.4: the class name; "Unknown exception type." for an exception
/// that is no object of ours (an empty name).
[[nodiscard]] AnsiString ExceptionTypeText(const AnsiString& ClassName);
/// Field 2.5: the message with a closing "." added when it has none;
/// "Unknown error message." for an exception of another kind.
[[nodiscard]] AnsiString ExceptionMessageText(const AnsiString& Message, bool RuntimeException);
/// Fields 3.2 and 3.4: at most 255 characters, each run of control
/// characters one blank.
[[nodiscard]] AnsiString ControlText(const AnsiString& Text);

/// One entry of a thread's call stack, filled by the call-stack code.
struct StackEntry {
    /// 1 an address without debug data, 4 one resolved through them.
    Byte Kind = 1;
    uint64_t Address = 0;
    AnsiString Module;
    AnsiString UnitName;
    AnsiString ClassName;
    AnsiString ProcedureName;
    /// 0: before the procedure's first line (an empty cell).
    Integer Line = 0;
    Integer LineOffset = 0;
    uint64_t ThreadID = 0;
    Integer Priority = 0;
    AnsiString ThreadClass;
    bool MainThread = false;
    /// A thread that was running, not the one that raised.
    bool Running = false;
};

/// One row of the modules table.
struct ModuleRow {
    uint64_t Handle = 0;
    AnsiString Name;
    AnsiString Description;
    AnsiString Version;
    int64_t Size = 0;
    TDateTime Modified = 0;
    AnsiString Path;
};

/// The exception thread's registers, in report order (AX, DI, BX, SI, CX,
/// SP, DX, IP), and the bytes at the stack pointer and at the exception
/// address (empty when they could not be read).
struct CPUContext {
    std::array<uint64_t, 8> Registers{};
    /// 16 stack words: 128 bytes at width 16, 64 at width 8.
    std::string Stack;
    /// 256 bytes at the exception address (the instruction pointer).
    std::string Memory;
};

/// Indexes of the General fields (and of their LogFields flags).
enum GeneralField {
    gfStartDate, gfNameDescription, gfVersionNumber, gfParameters, gfCompilationDate,
    gfExceptionDate, gfAddress, gfModule, gfType, gfMessage,
    gfFormClass, gfFormText, gfControlClass, gfControlText,
    gfComputerName, gfUser, gfTotalMemory, gfFreeMemory, gfTotalDisk, gfFreeDisk, gfUpTime,
    gfProcessor, gfDisplayMode,
    gfSystemType, gfBuild, gfUpdate, gfLanguage,
    gfIPAddress, gfSubmask, gfGateway, gfDNS1, gfDNS2, gfDHCP,
    gfCount
};

/// Everything a report is built from.
struct ReportData {
    /// The General values in field order.
    std::array<AnsiString, gfCount> Fields;
    /// A program with windows: the "Active Controls" fields may show.
    bool GUIApplication = true;
    /// Null: no call-stack list at all (title, rules and header only).
    const std::vector<StackEntry>* CallStack = nullptr;
    std::vector<ModuleRow> Modules;
    std::optional<CPUContext> Context;
    /// 16 for reports written now, 8 for the 32-bit layout.
    int AddressWidth = 16;
};

/// The texts of one report.
struct ReportTexts {
    /// Header line and General part.
    AnsiString General;
    /// Registers section (or its short form).
    AnsiString CPU;
    /// The whole report.
    AnsiString Report;
};

/// The report of Data with the texts and switches of Options.
[[nodiscard]] ReportTexts BuildReportText(const ReportData& Data,
                                          const TRazuroModuleOptions& Options);

/// The parts, for the dialogs and tests.
[[nodiscard]] AnsiString CallStackText(const ReportData& Data, const TRazuroModuleOptions& Options);
[[nodiscard]] AnsiString ModulesText(const ReportData& Data, const TRazuroModuleOptions& Options);
[[nodiscard]] AnsiString CPUText(const ReportData& Data, const TRazuroModuleOptions& Options);

/// Position of the first filter entry (FilterClasses) naming ClassName, or
/// -1. InheritsFrom answers whether the exception's class is or derives
/// from a named class; null compares names only.
[[nodiscard]] int ExceptionFilterIndex(const TRazuroModuleOptions& Options,
                                       const AnsiString& ClassName,
                                       bool (*InheritsFrom)(const AnsiString& Name) = nullptr);

#pragma once

// Dates of the date edits: leap years and month lengths, validation, the
// locale's order of day, month and year, the edit mask and display format
// of a date edit, and the lenient reading of typed dates.
//
// Dates are TDateTime (days since 1899-12-30); NoDate (0.0) stands for "no
// date" everywhere. Years are 1..9999. Two-digit years are placed by the
// locale's two-digit-year window.

#include "platform/rtl/AnsiString.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Types.h"

enum TDateFieldOrder : Byte { MonthDayYear, DayMonthYear, YearMonthDay };

/// The date value that means "no date".
constexpr TDateTime NoDate = 0.0;

/// Whether the locale's short date format has a four-digit year; read once,
/// by DateUtilInitialization (or the first call), and kept for the run of
/// the program.
[[nodiscard]] bool UseFourDigitYear();
/// The unit's start-up: fixes UseFourDigitYear from the locale now.
void DateUtilInitialization();

[[nodiscard]] bool LeapYear(int AYear);
/// Days of the month (February 29 in a leap year); 0 for a month outside 1..12.
[[nodiscard]] int MonthDays(int AYear, int AMonth);
/// Year 1..9999, month 1..12, day 1..MonthDays.
[[nodiscard]] bool IsValidDay(int AYear, int AMonth, int ADay);
[[nodiscard]] bool IsValidDateValue(TDateTime ADate);

/// The order of the first of D (day first), E or Y (year first) and M
/// (month first) in a format, case ignored; DayMonthYear when it has none.
[[nodiscard]] TDateFieldOrder DateOrderOf(const AnsiString& DateFormat);
/// "DD/MM/YYYY", "MM/DD/YYYY" or "YYYY/MM/DD" by the order of the locale's
/// short date format ("YY" for two-digit years).
[[nodiscard]] AnsiString DateFormatFor(bool FourDigitYear);
/// The date edit's mask: "!99/99/9999;1;" (year first: "!9999/99/99;1;";
/// two digits: "!99/99/99;1;") followed by BlanksChar.
[[nodiscard]] AnsiString DateMaskFor(char BlanksChar, bool FourDigitYear);

/// A year below 100 placed in the locale's two-digit-year window.
[[nodiscard]] int ExpandYear(int AYear);

/// Reads Text laid out as DateFormat ("DD/MM/YYYY"): an empty text is
/// NoDate; a text that does not fill the format's positions is read
/// leniently (numbers and date separators in the format's order, the year
/// optional). False when it names no existing date.
bool TryTextToDate(const AnsiString& DateFormat, const AnsiString& Text, TDateTime& Date);
/// TryTextToDate; raises EConvertError "''<Text>'' is not a valid date".
[[nodiscard]] TDateTime TextToDate(const AnsiString& DateFormat, const AnsiString& Text);
/// TryTextToDate, or Default when the text is no date.
[[nodiscard]] TDateTime TextToDateDef(const AnsiString& DateFormat, const AnsiString& Text, TDateTime Default);

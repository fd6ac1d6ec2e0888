#pragma once

// Dates and times: TDateTime counts days since 1899-12-30, its fraction is
// the time of day (0.5 is noon). Before that day the value is negative and
// the fraction still counts forward from midnight in absolute value
// (-1.25 is 1899-12-29 06:00), as the runtime stores it.
//
// TDateTime, TDate and TTime are three distinct small types, not typedefs
// of double, so code that must tell them apart can: the published-property
// registry names a property's float type ("TDateTime", "TDate", "TTime",
// else a plain float) from the C++ type through the TypeName constants, and
// a Variant built from a TDateTime is a date (varDate), not a double.
// Each converts implicitly to and from double, so arithmetic, comparisons
// and the number routines work on them unchanged. TDate and TTime convert
// to TDateTime and back, so `TDate D = Date();` reads as it would in the
// runtime; only the type a value is declared with tells them apart.
//
// Texts use the current FormatSettings() unless a set is passed. The
// clock (Now, Date, Time and the current year of the two-digit-year
// window) can be replaced for tests.

#include "platform/rtl/AnsiString.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Types.h"

class TDateTime {
public:
    static constexpr const char* TypeName = "TDateTime";

    constexpr TDateTime() = default;
    constexpr TDateTime(double Value) : FValue(Value) {}
    constexpr operator double() const { return FValue; }

    TDateTime& operator+=(double Days) { FValue += Days; return *this; }
    TDateTime& operator-=(double Days) { FValue -= Days; return *this; }

private:
    double FValue = 0;
};

/// A date (a TDateTime property stored by its date part only).
class TDate : public TDateTime {
public:
    static constexpr const char* TypeName = "TDate";
    using TDateTime::TDateTime;
    constexpr TDate(TDateTime V) : TDateTime(V) {}
};

/// A time of day (a TDateTime property stored by its time part only).
class TTime : public TDateTime {
public:
    static constexpr const char* TypeName = "TTime";
    using TDateTime::TDateTime;
    constexpr TTime(TDateTime V) : TDateTime(V) {}
};

inline constexpr int HoursPerDay = 24;
inline constexpr int MinsPerDay = HoursPerDay * 60;
inline constexpr int SecsPerDay = MinsPerDay * 60;
inline constexpr int MSecsPerDay = SecsPerDay * 1000;
/// Days from 0001-01-01 to 1899-12-30.
inline constexpr int DateDelta = 693594;
/// Days from 1899-12-30 to 1970-01-01.
inline constexpr int UnixDateDelta = 25569;

// ---- calendar ------------------------------------------------------------------

/// Gregorian leap year (every 4th, not every 100th, every 400th).
[[nodiscard]] bool IsLeapYear(Word Year);
/// Days of Month (1..12) in Year; 0 for a month outside 1..12.
[[nodiscard]] Word DaysInAMonth(Word Year, Word Month);

/// The date of Year (1..9999), Month (1..12), Day (1..days of the month),
/// at midnight. False, Date untouched, for anything outside those ranges.
bool TryEncodeDate(Word Year, Word Month, Word Day, TDateTime& Date);
/// As TryEncodeDate; raises EConvertError "Invalid argument to date encode".
[[nodiscard]] TDateTime EncodeDate(Word Year, Word Month, Word Day);
/// The time of day (a fraction of a day) of Hour < 24, Min < 60, Sec < 60,
/// MSec < 1000. False, Time untouched, for anything outside.
bool TryEncodeTime(Word Hour, Word Min, Word Sec, Word MSec, TDateTime& Time);
/// As TryEncodeTime; raises EConvertError "Invalid argument to time encode".
[[nodiscard]] TDateTime EncodeTime(Word Hour, Word Min, Word Sec, Word MSec);

/// Year, month and day of the date part; the value is first rounded to the
/// millisecond, so 23:59:59.9999 belongs to the next day. A date before
/// 0001-01-01 gives 0, 0, 0.
void DecodeDate(TDateTime Date, Word& Year, Word& Month, Word& Day);
/// Hour, minute, second and millisecond of the time part, rounded to the
/// millisecond.
void DecodeTime(TDateTime Time, Word& Hour, Word& Min, Word& Sec, Word& MSec);
/// 1 = Sunday .. 7 = Saturday.
[[nodiscard]] int DayOfWeek(TDateTime Date);
/// The same day NumberOfMonths months later (earlier when negative), the
/// day cut to the last of a shorter month (31 January + 1 = 28 or 29
/// February); the time of day is kept.
[[nodiscard]] TDateTime IncMonth(TDateTime Date, int NumberOfMonths = 1);

// ---- the clock -----------------------------------------------------------------

/// Local date and time, to the millisecond.
[[nodiscard]] TDateTime Now();
/// Today at midnight.
[[nodiscard]] TDateTime Date();
/// The time of day, without a date.
[[nodiscard]] TDateTime Time();

/// Replaces the clock behind Now, Date and Time (and the current year that
/// two-digit years are read against); nullptr restores the system clock.
/// Returns the source in force before. For tests.
using NowSource = TDateTime (*)();
NowSource SetNowSource(NowSource Source);

// ---- texts ---------------------------------------------------------------------

/// The format language, letters in either case:
///   c        ShortDateFormat, then " " + LongTimeFormat unless the time is
///            midnight
///   d dd     day; ddd dddd short and long day name; ddddd ShortDateFormat;
///            dddddd LongDateFormat
///   m mm     month; mmm mmmm short and long month name. Right after an h
///            or hh (only non-letters between) m and mm are minutes
///   yy yyyy  two- and four-digit year (y is yy, yyy is yyyy)
///   h hh     hour; n nn minute; s ss second; z zzz millisecond
///   t tt     ShortTimeFormat, LongTimeFormat
///   am/pm a/p  the letters as written, the first half before noon, the
///            second from noon; an h whose next "a" (before another h)
///            opens a marker is a 12-hour one, and so is every later h
///   ampm     TimeAMString or TimePMString, 12-hour clock
///   /        DateSeparator; :  TimeSeparator
///   '...' "..."  literal text; any other character stands for itself.
/// An empty format is "c". Nested formats (c, ddddd, t...) expand two
/// levels deep at most, so a format that names itself cannot loop.
[[nodiscard]] AnsiString FormatDateTime(const AnsiString& Format, TDateTime DateTime);
[[nodiscard]] AnsiString FormatDateTime(const AnsiString& Format, TDateTime DateTime,
                                        const TFormatSettings& Settings);
/// ShortDateFormat text ("ddddd").
[[nodiscard]] AnsiString DateToStr(TDateTime Date);
[[nodiscard]] AnsiString DateToStr(TDateTime Date, const TFormatSettings& Settings);
/// LongTimeFormat text ("tt").
[[nodiscard]] AnsiString TimeToStr(TDateTime Time);
[[nodiscard]] AnsiString TimeToStr(TDateTime Time, const TFormatSettings& Settings);
/// "c": the short date, and the long time unless it is midnight.
[[nodiscard]] AnsiString DateTimeToStr(TDateTime DateTime);
[[nodiscard]] AnsiString DateTimeToStr(TDateTime DateTime, const TFormatSettings& Settings);

/// Reads a date typed as two or three numbers split by DateSeparator, in the
/// order of ShortDateFormat's first d, m or y (month-day-year when it has
/// none); blanks around the parts are allowed, and one separator after the
/// third part.
/// Two numbers are day and month (or month and day) of the current year.
/// A year of one or two digits is placed by TwoDigitYearCenturyWindow: with
/// a window the latest year not older than that many years before now,
/// without one the current century. Raises EConvertError
/// "'%s' is not a valid date" (the text as given) for anything else.
[[nodiscard]] TDateTime StrToDate(const AnsiString& S);
[[nodiscard]] TDateTime StrToDate(const AnsiString& S, const TFormatSettings& Settings);
[[nodiscard]] TDateTime StrToDateDef(const AnsiString& S, TDateTime Default);
bool TryStrToDate(const AnsiString& S, TDateTime& Value);
bool TryStrToDate(const AnsiString& S, TDateTime& Value, const TFormatSettings& Settings);

/// Reads hours[:minutes[:seconds[<DecimalSeparator>milliseconds]]] with
/// TimeSeparator, and an optional AM/PM marker before or after
/// (TimeAMString/TimePMString or "AM"/"PM", any case; then the hour must
/// be 1..12). Raises EConvertError "'%s' is not a valid time".
[[nodiscard]] TDateTime StrToTime(const AnsiString& S);
[[nodiscard]] TDateTime StrToTime(const AnsiString& S, const TFormatSettings& Settings);
[[nodiscard]] TDateTime StrToTimeDef(const AnsiString& S, TDateTime Default);
bool TryStrToTime(const AnsiString& S, TDateTime& Value);
bool TryStrToTime(const AnsiString& S, TDateTime& Value, const TFormatSettings& Settings);

/// A date, optionally followed by a time; or a time alone (on day 0).
/// Raises EConvertError "'%s' is not a valid date and time"; text left over
/// after the time is an error too.
[[nodiscard]] TDateTime StrToDateTime(const AnsiString& S);
[[nodiscard]] TDateTime StrToDateTime(const AnsiString& S, const TFormatSettings& Settings);
[[nodiscard]] TDateTime StrToDateTimeDef(const AnsiString& S, TDateTime Default);
bool TryStrToDateTime(const AnsiString& S, TDateTime& Value);
bool TryStrToDateTime(const AnsiString& S, TDateTime& Value, const TFormatSettings& Settings);

// ---- file dates ----------------------------------------------------------------

/// Packed DOS date and time of a local date and time (year 1980..2107,
/// two-second steps): date in the high 16 bits, time in the low ones;
/// 0 for a date outside the years the packing can hold.
[[nodiscard]] Integer DateTimeToFileDate(TDateTime DateTime);
/// The local date and time of a packed DOS date; raises EConvertError
/// ("Invalid argument to date encode" or "... time encode") for a packing
/// that names no real date or time.
[[nodiscard]] TDateTime FileDateToDateTime(Integer FileDate);

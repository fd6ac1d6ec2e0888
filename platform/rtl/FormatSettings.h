#pragma once

// The locale settings the number, money and date routines read: separators,
// money layout, date and time patterns and the month and day names (CP1251).
// One process-wide current set, Russian by default; conversions never look
// at the C library's locale. Name arrays are 1-based like the runtime's:
// LongMonthNames[1] is January, LongDayNames[1] is Sunday.

#include "platform/rtl/AnsiString.h"
#include "platform/rtl/Types.h"

#include <cassert>

/// A fixed array of names indexed from 1 to N.
template <int N>
struct NameArray {
    AnsiString Items[N];

    const AnsiString& operator[](int I) const
    {
        assert(I >= 1 && I <= N && "name index out of range");
        return Items[I - 1];
    }
    AnsiString& operator[](int I)
    {
        assert(I >= 1 && I <= N && "name index out of range");
        return Items[I - 1];
    }
    friend bool operator==(const NameArray&, const NameArray&) = default;
};

struct TFormatSettings {
    /// Money sign and its place: CurrencyFormat 0 "$1", 1 "1$", 2 "$ 1",
    /// 3 "1 $"; NegCurrFormat 0..15 as the runtime numbers them.
    AnsiString CurrencyString;
    Byte CurrencyFormat = 0;
    Byte NegCurrFormat = 0;
    char ThousandSeparator = ',';
    char DecimalSeparator = '.';
    Byte CurrencyDecimals = 2;
    char DateSeparator = '/';
    char TimeSeparator = ':';
    char ListSeparator = ',';
    AnsiString ShortDateFormat;
    AnsiString LongDateFormat;
    AnsiString TimeAMString;
    AnsiString TimePMString;
    AnsiString ShortTimeFormat;
    AnsiString LongTimeFormat;
    NameArray<12> ShortMonthNames;
    NameArray<12> LongMonthNames;
    NameArray<7> ShortDayNames;
    NameArray<7> LongDayNames;
    /// 0: two-digit years belong to the current century; otherwise a year
    /// lies within this many years before the current one.
    Word TwoDigitYearCenturyWindow = 50;

    friend bool operator==(const TFormatSettings&, const TFormatSettings&) = default;
};

/// The process-wide current settings, Russian until changed.
TFormatSettings& FormatSettings();
/// The settings of the system's default locale, fixed at start (Russian).
const TFormatSettings& SystemFormatSettings();
/// The Russian set: decimal ',', thousands the no-break space 0xA0, money
/// "1р." and "-1р.", dates "dd.MM.yyyy", times "h:mm:ss" and "h:mm".
TFormatSettings RussianFormatSettings();
/// The English (United States) set: decimal '.', thousands ',', money "$1"
/// and "($1)", dates "M/d/yyyy", times "h:mm:ss AMPM" and "h:mm AMPM".
TFormatSettings EnglishFormatSettings();

/// Makes a set the current one for the scope and restores the old set at
/// scope end.
class FormatSettingsScope {
public:
    explicit FormatSettingsScope(const TFormatSettings& Settings);
    ~FormatSettingsScope();
    FormatSettingsScope(const FormatSettingsScope&) = delete;
    FormatSettingsScope& operator=(const FormatSettingsScope&) = delete;

private:
    TFormatSettings FOld;
};

#include "platform/rtl/FormatSettings.h"

namespace {

template <int N>
NameArray<N> Names(const char* const (&List)[N])
{
    NameArray<N> Out;
    for (int I = 0; I < N; ++I)
        Out.Items[I] = List[I];
    return Out;
}

}  // namespace

TFormatSettings RussianFormatSettings()
{
    static constexpr const char* ShortMonths[12] = {
        "янв"_c, "фев"_c, "мар"_c, "апр"_c, "май"_c, "июн"_c,
        "июл"_c, "авг"_c, "сен"_c, "окт"_c, "ноя"_c, "дек"_c,
    };
    static constexpr const char* LongMonths[12] = {
        "Январь"_c, "Февраль"_c, "Март"_c,     "Апрель"_c,  "Май"_c,    "Июнь"_c,
        "Июль"_c,   "Август"_c,  "Сентябрь"_c, "Октябрь"_c, "Ноябрь"_c, "Декабрь"_c,
    };
    static constexpr const char* ShortDays[7] = {
        "Вс"_c, "Пн"_c, "Вт"_c, "Ср"_c, "Чт"_c, "Пт"_c, "Сб"_c,
    };
    static constexpr const char* LongDays[7] = {
        "воскресенье"_c, "понедельник"_c, "вторник"_c, "среда"_c,
        "четверг"_c,     "пятница"_c,     "суббота"_c,
    };
    TFormatSettings S;
    S.CurrencyString = "р."_a;
    S.CurrencyFormat = 1;  // "1р."
    S.NegCurrFormat = 5;   // "-1р."
    S.ThousandSeparator = '\xA0';  // no-break space
    S.DecimalSeparator = ',';
    S.CurrencyDecimals = 2;
    S.DateSeparator = '.';
    S.TimeSeparator = ':';
    S.ListSeparator = ';';
    S.ShortDateFormat = "dd.MM.yyyy";
    S.LongDateFormat = "d MMMM yyyy 'г.'"_a;
    S.TimeAMString = "";
    S.TimePMString = "";
    S.ShortTimeFormat = "h:mm";
    S.LongTimeFormat = "h:mm:ss";
    S.ShortMonthNames = Names(ShortMonths);
    S.LongMonthNames = Names(LongMonths);
    S.ShortDayNames = Names(ShortDays);
    S.LongDayNames = Names(LongDays);
    S.TwoDigitYearCenturyWindow = 50;
    return S;
}

TFormatSettings EnglishFormatSettings()
{
    static constexpr const char* ShortMonths[12] = {
        "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec",
    };
    static constexpr const char* LongMonths[12] = {
        "January", "February", "March",     "April",   "May",      "June",
        "July",    "August",   "September", "October", "November", "December",
    };
    static constexpr const char* ShortDays[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static constexpr const char* LongDays[7] = {
        "Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday",
    };
    TFormatSettings S;
    S.CurrencyString = "$";
    S.CurrencyFormat = 0;  // "$1"
    S.NegCurrFormat = 0;   // "($1)"
    S.ThousandSeparator = ',';
    S.DecimalSeparator = '.';
    S.CurrencyDecimals = 2;
    S.DateSeparator = '/';
    S.TimeSeparator = ':';
    S.ListSeparator = ',';
    S.ShortDateFormat = "M/d/yyyy";
    S.LongDateFormat = "dddd, MMMM dd, yyyy";
    S.TimeAMString = "AM";
    S.TimePMString = "PM";
    S.ShortTimeFormat = "h:mm AMPM";
    S.LongTimeFormat = "h:mm:ss AMPM";
    S.ShortMonthNames = Names(ShortMonths);
    S.LongMonthNames = Names(LongMonths);
    S.ShortDayNames = Names(ShortDays);
    S.LongDayNames = Names(LongDays);
    S.TwoDigitYearCenturyWindow = 50;
    return S;
}

TFormatSettings& FormatSettings()
{
    static TFormatSettings Current = RussianFormatSettings();
    return Current;
}

const TFormatSettings& SystemFormatSettings()
{
    static const TFormatSettings System = RussianFormatSettings();
    return System;
}

FormatSettingsScope::FormatSettingsScope(const TFormatSettings& Settings) : FOld(FormatSettings())
{
    FormatSettings() = Settings;
}

FormatSettingsScope::~FormatSettingsScope()
{
    FormatSettings() = FOld;
}

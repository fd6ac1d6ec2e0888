#include "platform/rtl/DateTime.h"

#include "platform/rtl/FormatSettings.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <ctime>

namespace {

/// Replaces the clock for the scope with a fixed moment.
class FixedClock {
public:
    explicit FixedClock(TDateTime Moment)
    {
        Value() = Moment;
        FOld = SetNowSource(&Read);
    }
    ~FixedClock() { SetNowSource(FOld); }
    FixedClock(const FixedClock&) = delete;
    FixedClock& operator=(const FixedClock&) = delete;

private:
    static TDateTime& Value()
    {
        static TDateTime Moment;
        return Moment;
    }
    static TDateTime Read() { return Value(); }
    NowSource FOld = nullptr;
};

struct Ymd {
    Word Year, Month, Day;
};

Ymd DecodeYmd(TDateTime D)
{
    Ymd R{};
    DecodeDate(D, R.Year, R.Month, R.Day);
    return R;
}

/// 2024-03-05 (a Tuesday) 14:07:09.045.
TDateTime Sample()
{
    return EncodeDate(2024, 3, 5) + EncodeTime(14, 7, 9, 45);
}

// ---- encoding and decoding -----------------------------------------------------

struct EncodeCase {
    Word Year, Month, Day;
    double Days;
};
const EncodeCase EncodeCases[] = {
    {1899, 12, 30, 0},         // the day the count starts
    {1900, 1, 1, 2},           // 1900 is not a leap year ...
    {1900, 3, 1, 61},          // ... so March follows 28 February
    {2000, 2, 29, 36585},      // 2000 is one (divisible by 400)
    {2024, 1, 15, 45306},      // an ordinary recent day
    {1, 1, 1, -693593},        // the first day there is
    {9999, 12, 31, 2958465},   // the last day there is
};

TEST(DateTime, EncodeDateCountsDaysFrom1899_12_30)
{
    for (const EncodeCase& C : EncodeCases) {
        SCOPED_TRACE(C.Days);
        EXPECT_EQ(double(EncodeDate(C.Year, C.Month, C.Day)), C.Days);
        const Ymd Back = DecodeYmd(C.Days);
        EXPECT_EQ(Back.Year, C.Year);
        EXPECT_EQ(Back.Month, C.Month);
        EXPECT_EQ(Back.Day, C.Day);
    }
}

TEST(DateTime, EncodeDateRejectsDaysThatDoNotExist)
{
    const Ymd Bad[] = {
        {2023, 2, 29},  // not a leap year
        {1900, 2, 29},  // a century that is not a leap year
        {2024, 4, 31},  // April has 30 days
        {2024, 1, 0},   // day 0
        {2024, 13, 1},  // month 13
        {2024, 0, 1},   // month 0
        {0, 1, 1},      // year 0
        {10000, 1, 1},  // past year 9999
    };
    for (const Ymd& B : Bad) {
        SCOPED_TRACE(testing::Message() << B.Year << "-" << B.Month << "-" << B.Day);
        ExpectRaises<EConvertError>([&] { (void)EncodeDate(B.Year, B.Month, B.Day); },
                                    "Invalid argument to date encode");
        TDateTime Untouched = 7;
        EXPECT_FALSE(TryEncodeDate(B.Year, B.Month, B.Day, Untouched));
        EXPECT_EQ(double(Untouched), 7);
    }
}

TEST(DateTime, EncodeTimeIsAFractionOfADay)
{
    EXPECT_EQ(double(EncodeTime(12, 0, 0, 0)), 0.5);
    EXPECT_EQ(double(EncodeTime(6, 0, 0, 0)), 0.25);
    EXPECT_DOUBLE_EQ(double(EncodeTime(23, 59, 59, 999)), 86399999.0 / 86400000.0);
    struct Bad {
        Word H, M, S, Ms;
    };
    const Bad Cases[] = {{24, 0, 0, 0}, {0, 60, 0, 0}, {0, 0, 60, 0}, {0, 0, 0, 1000}};
    for (const Bad& C : Cases) {
        SCOPED_TRACE(testing::Message() << C.H << ":" << C.M << ":" << C.S << "." << C.Ms);
        ExpectRaises<EConvertError>([&] { (void)EncodeTime(C.H, C.M, C.S, C.Ms); },
                                    "Invalid argument to time encode");
    }
}

TEST(DateTime, DecodeRoundsToTheMillisecond)
{
    Word H = 0, M = 0, S = 0, Ms = 0;
    DecodeTime(Sample(), H, M, S, Ms);
    EXPECT_EQ(H, 14);
    EXPECT_EQ(M, 7);
    EXPECT_EQ(S, 9);
    EXPECT_EQ(Ms, 45);

    // A hair before midnight is midnight of the next day, not 23:59:59.1000.
    const TDateTime AlmostMidnight = 45306.0 + 0.9999999999;
    const Ymd Day = DecodeYmd(AlmostMidnight);
    EXPECT_EQ(Day.Day, 16);
    DecodeTime(AlmostMidnight, H, M, S, Ms);
    EXPECT_EQ(H + M + S + Ms, 0);
}

TEST(DateTime, NegativeValuesCountTheTimeForward)
{
    // -1.25: the day before the count starts, at 06:00.
    const Ymd Day = DecodeYmd(-1.25);
    EXPECT_EQ(Day.Year, 1899);
    EXPECT_EQ(Day.Month, 12);
    EXPECT_EQ(Day.Day, 29);
    Word H = 0, M = 0, S = 0, Ms = 0;
    DecodeTime(-1.25, H, M, S, Ms);
    EXPECT_EQ(H, 6);
    EXPECT_EQ(DayOfWeek(-1.25), 6);  // a Friday
}

TEST(DateTime, ValuesOutsideTheCalendarDecodeAsZero)
{
    const double Values[] = {-693594.0, 1e300, NAN};
    for (double V : Values) {
        SCOPED_TRACE(V);
        const Ymd Day = DecodeYmd(V);
        EXPECT_EQ(Day.Year + Day.Month + Day.Day, 0);
    }
}

TEST(DateTime, DayOfWeekStartsOnSunday)
{
    EXPECT_EQ(DayOfWeek(EncodeDate(1899, 12, 30)), 7);  // Saturday
    EXPECT_EQ(DayOfWeek(EncodeDate(2024, 1, 14)), 1);   // Sunday
    EXPECT_EQ(DayOfWeek(EncodeDate(2024, 1, 15)), 2);   // Monday
    EXPECT_EQ(DayOfWeek(Sample()), 3);                  // Tuesday, the time ignored
}

TEST(DateTime, LeapYears)
{
    EXPECT_TRUE(IsLeapYear(2024));
    EXPECT_TRUE(IsLeapYear(2000));
    EXPECT_FALSE(IsLeapYear(1900));
    EXPECT_FALSE(IsLeapYear(2023));
    EXPECT_EQ(DaysInAMonth(2024, 2), 29);
    EXPECT_EQ(DaysInAMonth(2023, 2), 28);
    EXPECT_EQ(DaysInAMonth(2023, 13), 0);
}

struct IncMonthCase {
    Ymd From;
    int Months;
    Ymd To;
};
const IncMonthCase IncMonthCases[] = {
    {{2024, 1, 31}, 1, {2024, 2, 29}},    // cut to the end of a leap February
    {{2023, 1, 31}, 1, {2023, 2, 28}},    // and of an ordinary one
    {{2024, 3, 31}, -1, {2024, 2, 29}},   // backwards too
    {{2024, 12, 15}, 1, {2025, 1, 15}},   // into the next year
    {{2024, 1, 15}, -1, {2023, 12, 15}},  // into the year before
    {{2024, 5, 10}, 12, {2025, 5, 10}},   // a whole year
    {{2024, 5, 10}, -13, {2023, 4, 10}},  // more than a year back
    {{2024, 5, 10}, 0, {2024, 5, 10}},    // no change
};

TEST(DateTime, IncMonth)
{
    for (const IncMonthCase& C : IncMonthCases) {
        SCOPED_TRACE(testing::Message() << C.From.Year << "-" << C.From.Month << "-"
                                        << C.From.Day << " + " << C.Months);
        const TDateTime From = EncodeDate(C.From.Year, C.From.Month, C.From.Day) + 0.75;
        const TDateTime To = IncMonth(From, C.Months);
        EXPECT_EQ(double(To), EncodeDate(C.To.Year, C.To.Month, C.To.Day) + 0.75);
    }
    // Before 1899-12-30 the time of day still counts forward from midnight.
    EXPECT_EQ(double(IncMonth(-1.25, 1)), 30.25);
}

// ---- the clock -----------------------------------------------------------------

TEST(DateTime, ClockCanBeReplaced)
{
    {
        const FixedClock Clock(Sample());
        EXPECT_EQ(double(Now()), double(Sample()));
        EXPECT_EQ(double(Date()), double(EncodeDate(2024, 3, 5)));
        Word H = 0, M = 0, S = 0, Ms = 0;
        DecodeTime(Time(), H, M, S, Ms);
        EXPECT_EQ(H * 3600000 + M * 60000 + S * 1000 + Ms, 14 * 3600000 + 7 * 60000 + 9045);
        EXPECT_LT(double(Time()), 1.0);
    }
    // The system clock again: today's local date.
    const time_t Seconds = time(nullptr);
    tm Local{};
    localtime_r(&Seconds, &Local);
    const Ymd Today = DecodeYmd(Now());
    EXPECT_EQ(Today.Year, Local.tm_year + 1900);
    EXPECT_EQ(Today.Month, Local.tm_mon + 1);
}

TEST(DateTime, DistinctTypesKeepTheirNames)
{
    EXPECT_STREQ(TDateTime::TypeName, "TDateTime");
    EXPECT_STREQ(TDate::TypeName, "TDate");
    EXPECT_STREQ(TTime::TypeName, "TTime");
    const TDate D = EncodeDate(2024, 3, 5);
    const TDateTime Sum = D + 0.5;
    EXPECT_EQ(double(Sum), 45356.5);
}

// ---- formatting ----------------------------------------------------------------

struct FormatCase {
    const char* Format;
    const char* Expected;
};
const FormatCase EnglishFormatCases[] = {
    {"d", "5"},                           // day without a leading zero
    {"dd", "05"},                         // with one
    {"ddd", "Tue"},                       // short day name
    {"dddd", "Tuesday"},                  // long day name
    {"ddddd", "3/5/2024"},                // the short date format
    {"dddddd", "Tuesday, March 05, 2024"},  // the long date format
    {"m", "3"},                           // month
    {"mm", "03"},                         // month with a leading zero
    {"mmm", "Mar"},                       // short month name
    {"mmmm", "March"},                    // long month name
    {"MMMM, YYYY", "March, 2024"},        // letters in either case
    {"y", "24"},                          // one y is two digits
    {"yy", "24"},                         // two-digit year
    {"yyy", "2024"},                      // three y are four digits
    {"yyyy", "2024"},                     // four-digit year
    {"h", "14"},                          // hour
    {"hh", "14"},                         // hour with a leading zero
    {"n", "7"},                           // minute
    {"nn", "07"},                         // minute with a leading zero
    {"s", "9"},                           // second
    {"ss", "09"},                         // second with a leading zero
    {"z", "45"},                          // millisecond
    {"zzz", "045"},                       // millisecond, three digits
    {"h:m", "14:7"},                      // m right after h is the minute
    {"hh:mm:ss", "14:07:09"},             // the usual time
    {"h d m", "14 5 3"},                  // a d between: m is the month again
    {"hh:mm:mm", "14:07:03"},             // only the first m after h is a minute
    {"t", "2:07 PM"},                     // short time format
    {"tt", "2:07:09 PM"},                 // long time format
    {"h am/pm", "2 pm"},                  // 12-hour clock, the marker as written
    {"h AM/PM", "2 PM"},                  // in upper case
    {"h a/p", "2 p"},                     // one-letter marker
    {"h A/P", "2 P"},                     // in upper case
    {"h ampm", "2 PM"},                   // the locale's marker
    {"h:nn h ampm", "14:07 2 PM"},        // an h before another h stays 24-hour
    {"h ampm h", "2 PM 2"},               // an h after a 12-hour one is 12-hour too
    {"h aaa am/pm", "14 Tue pm"},         // a day name first: no marker for the h
    {"h 'am/pm'", "14 am/pm"},            // a quoted marker does not count
    {"aaa aaaa", "Tue Tuesday"},          // day names by a
    {"a", "a"},                           // a lone a is itself
    {"c", "3/5/2024 2:07:09 PM"},         // date and time
    {"", "3/5/2024 2:07:09 PM"},          // an empty format is c
    {"yyyy/mm/dd", "2024/03/05"},         // / is the date separator
    {"'dd' \"mm\" dd", "dd mm 05"},       // quoted literals
    {"'unclosed", "unclosed"},            // a quote left open runs to the end
    {"Dd", "55"},                         // runs are of one exact character
    {"[x]", "[x]"},                       // other characters stand for themselves
};

TEST(DateTime, FormatDateTimeEnglish)
{
    const FormatSettingsScope En(EnglishFormatSettings());
    for (const FormatCase& C : EnglishFormatCases) {
        SCOPED_TRACE(C.Format);
        EXPECT_EQ(FormatDateTime(C.Format, Sample()), C.Expected);
    }
}

TEST(DateTime, FormatDateTimeRussian)
{
    const FormatSettingsScope Ru(RussianFormatSettings());
    const FormatCase Cases[] = {
        {"dd.mm.yyyy", "05.03.2024"},                      // the usual date
        {"d mmmm yyyy", "5 Март 2024"_c},                  // month name
        {"ddd dddd", "Вт вторник"_c},                      // day names
        {"ddddd", "05.03.2024"},                           // short date format
        {"dddddd", "5 Март 2024 г."_c},                    // long date format, quoted text in it
        {"t", "14:07"},                                    // short time format
        {"tt", "14:07:09"},                                // long time format
        {"h ampm", "2 "},                                  // no AM/PM texts in Russian
        {"yyyy/mm/dd hh:nn", "2024.03.05 14:07"},          // the locale's separators
    };
    for (const FormatCase& C : Cases) {
        SCOPED_TRACE(C.Format);
        EXPECT_EQ(FormatDateTime(C.Format, Sample()), C.Expected);
    }
}

TEST(DateTime, TwelveHourClockAtMidnightAndNoon)
{
    const FormatSettingsScope En(EnglishFormatSettings());
    EXPECT_EQ(FormatDateTime("h ampm", EncodeDate(2024, 3, 5)), "12 AM");
    EXPECT_EQ(FormatDateTime("h ampm", EncodeDate(2024, 3, 5) + 0.5), "12 PM");
    EXPECT_EQ(FormatDateTime("hh am/pm", EncodeTime(13, 0, 0, 0)), "01 pm");
    EXPECT_EQ(FormatDateTime("hh am/pm", EncodeTime(11, 59, 0, 0)), "11 am");
}

TEST(DateTime, SelfNamingLocaleFormatsStop)
{
    TFormatSettings S = EnglishFormatSettings();
    S.ShortDateFormat = "ddddd";
    S.LongTimeFormat = "c";
    EXPECT_EQ(FormatDateTime("ddddd", Sample(), S), "");
    // c's date and time both name themselves: only the blanks remain.
    EXPECT_EQ(FormatDateTime("x c", Sample(), S), "x   ");
}

TEST(DateTime, DateAndTimeTexts)
{
    const FormatSettingsScope Ru(RussianFormatSettings());
    EXPECT_EQ(DateToStr(Sample()), "05.03.2024");
    EXPECT_EQ(TimeToStr(Sample()), "14:07:09");
    EXPECT_EQ(DateTimeToStr(Sample()), "05.03.2024 14:07:09");
    // Midnight leaves the time out.
    EXPECT_EQ(DateTimeToStr(EncodeDate(2024, 3, 5)), "05.03.2024");
    EXPECT_EQ(DateToStr(Sample(), EnglishFormatSettings()), "3/5/2024");
}

// ---- reading -------------------------------------------------------------------

struct DateTextCase {
    const char* Text;
    Ymd Expected;  // {0, 0, 0}: not a date
};

const DateTextCase RussianDateCases[] = {
    {"05.03.2024", {2024, 3, 5}},       // day, month, year by the format
    {" 5 . 3 . 2024 ", {2024, 3, 5}},   // blanks around the parts
    {"5.3", {2024, 3, 5}},              // two parts: the current year
    {"05.03.2024.", {2024, 3, 5}},      // one trailing separator after the year
    {"5.3.", {0, 0, 0}},                // a separator after two parts wants a third
    {"05.03.24", {2024, 3, 5}},         // two-digit year within the window
    {"05.03.74", {1974, 3, 5}},         // 50 years back is the oldest ...
    {"05.03.73", {2073, 3, 5}},         // ... one more is the next century
    {"05.03.99", {1999, 3, 5}},         // the last century
    {"5.3.0", {2000, 3, 5}},            // a one-digit year
    {"05.03.124", {124, 3, 5}},         // three digits are a year as written
    {"29.02.2024", {2024, 2, 29}},      // a leap day
    {"", {0, 0, 0}},                    // nothing
    {"5", {0, 0, 0}},                   // one part
    {"31.02.2024", {0, 0, 0}},          // no such day
    {"05-03-2024", {0, 0, 0}},          // another separator
    {"05.03.2024 x", {0, 0, 0}},        // text after the date
    {"05.03.20245", {0, 0, 0}},         // a fifth year digit is left over
    {"5..3", {0, 0, 0}},                // an empty part
    {"a.b.c", {0, 0, 0}},               // no numbers
    {"-5.3.2024", {0, 0, 0}},           // no signs
};

TEST(DateTime, StrToDateRussian)
{
    const FormatSettingsScope Ru(RussianFormatSettings());
    const FixedClock Clock(EncodeDate(2024, 6, 15));
    for (const DateTextCase& C : RussianDateCases) {
        SCOPED_TRACE(C.Text);
        if (C.Expected.Year == 0) {
            ExpectRaises<EConvertError>([&] { (void)StrToDate(C.Text); },
                                        AnsiString("'") + C.Text + "' is not a valid date");
            EXPECT_EQ(double(StrToDateDef(C.Text, -1)), -1);
            continue;
        }
        EXPECT_EQ(double(StrToDate(C.Text)),
                  double(EncodeDate(C.Expected.Year, C.Expected.Month, C.Expected.Day)));
    }
}

TEST(DateTime, StrToDateFieldOrderFollowsTheShortFormat)
{
    const FixedClock Clock(EncodeDate(2024, 6, 15));
    TFormatSettings En = EnglishFormatSettings();
    EXPECT_EQ(double(StrToDate("3/5/2024", En)), double(EncodeDate(2024, 3, 5)));
    EXPECT_EQ(double(StrToDate("3/5", En)), double(EncodeDate(2024, 3, 5)));
    TDateTime Out;
    EXPECT_FALSE(TryStrToDate("13/5/2024", Out, En));

    TFormatSettings Ymd = En;
    Ymd.ShortDateFormat = "yyyy-mm-dd";
    Ymd.DateSeparator = '-';
    EXPECT_EQ(double(StrToDate("2024-03-05", Ymd)), double(EncodeDate(2024, 3, 5)));
    // The year's length is that of the first part here.
    EXPECT_EQ(double(StrToDate("24-3-5", Ymd)), double(EncodeDate(2024, 3, 5)));
    // Two parts are month and day in every order but day-month-year.
    EXPECT_EQ(double(StrToDate("3-5", Ymd)), double(EncodeDate(2024, 3, 5)));

    TFormatSettings NoLetters = En;
    NoLetters.ShortDateFormat = "//";
    EXPECT_EQ(double(StrToDate("3/5/2024", NoLetters)), double(EncodeDate(2024, 3, 5)));
}

TEST(DateTime, TwoDigitYearsWithoutWindowStayInThisCentury)
{
    const FixedClock Clock(EncodeDate(2024, 6, 15));
    TFormatSettings Ru = RussianFormatSettings();
    Ru.TwoDigitYearCenturyWindow = 0;
    EXPECT_EQ(double(StrToDate("05.03.99", Ru)), double(EncodeDate(2099, 3, 5)));
    EXPECT_EQ(double(StrToDate("05.03.01", Ru)), double(EncodeDate(2001, 3, 5)));
}

struct TimeTextCase {
    const char* Text;
    int H, M, S, Ms;  // H < 0: not a time
};

const TimeTextCase EnglishTimeCases[] = {
    {"14:07", 14, 7, 0, 0},          // hours and minutes
    {"14:07:09", 14, 7, 9, 0},       // with seconds
    {"14:07:09.045", 14, 7, 9, 45},  // milliseconds after the decimal separator
    {"14", 14, 0, 0, 0},             // hours alone
    {" 9 : 5 ", 9, 5, 0, 0},         // blanks
    {"2:07 PM", 14, 7, 0, 0},        // marker after
    {"PM 2:07", 14, 7, 0, 0},        // marker before
    {"2:07 pm", 14, 7, 0, 0},        // any case
    {"12:00 AM", 0, 0, 0, 0},        // midnight
    {"12:30 PM", 12, 30, 0, 0},      // noon
    {"13:00 PM", -1, 0, 0, 0},       // a 24-hour hour with a marker
    {"0:30 AM", -1, 0, 0, 0},        // hour 0 with a marker
    {"24:00", -1, 0, 0, 0},          // no hour 24
    {"14:60", -1, 0, 0, 0},          // no minute 60
    {"14:", -1, 0, 0, 0},            // a separator without minutes
    {"14:07 x", -1, 0, 0, 0},        // text after the time
    {"", -1, 0, 0, 0},               // nothing
};

TEST(DateTime, StrToTimeEnglish)
{
    const FormatSettingsScope En(EnglishFormatSettings());
    for (const TimeTextCase& C : EnglishTimeCases) {
        SCOPED_TRACE(C.Text);
        if (C.H < 0) {
            ExpectRaises<EConvertError>([&] { (void)StrToTime(C.Text); },
                                        AnsiString("'") + C.Text + "' is not a valid time");
            EXPECT_EQ(double(StrToTimeDef(C.Text, -1)), -1);
            continue;
        }
        EXPECT_EQ(double(StrToTime(C.Text)), double(EncodeTime(C.H, C.M, C.S, C.Ms)));
    }
}

TEST(DateTime, StrToTimeRussianUsesTheCommaForMilliseconds)
{
    const FormatSettingsScope Ru(RussianFormatSettings());
    EXPECT_EQ(double(StrToTime("14:07:09,045")), double(EncodeTime(14, 7, 9, 45)));
    TDateTime Out;
    EXPECT_FALSE(TryStrToTime("14:07:09.045", Out));
    // "AM"/"PM" are understood even where the locale has no marker texts.
    EXPECT_EQ(double(StrToTime("2:00 PM")), double(EncodeTime(14, 0, 0, 0)));
}

TEST(DateTime, StrToDateTime)
{
    const FormatSettingsScope Ru(RussianFormatSettings());
    const FixedClock Clock(EncodeDate(2024, 6, 15));
    EXPECT_EQ(double(StrToDateTime("05.03.2024 14:07:09")),
              double(EncodeDate(2024, 3, 5) + EncodeTime(14, 7, 9, 0)));
    EXPECT_EQ(double(StrToDateTime("05.03.2024")), double(EncodeDate(2024, 3, 5)));
    // A time alone is a time on day 0.
    EXPECT_EQ(double(StrToDateTime("14:07")), double(EncodeTime(14, 7, 0, 0)));
    // Before 1899-12-30 the time is subtracted, so it still counts forward.
    EXPECT_EQ(double(StrToDateTime("29.12.1899 06:00")), -1.25);
    const char* Bad[] = {
        "05.03.2024 14:07 x",  // text after the time is not dropped silently
        "05.03.2024 25:00",    // no such hour
        "05.03.2024x",         // text after the date
        "",                    // nothing
    };
    for (const char* Text : Bad) {
        SCOPED_TRACE(Text);
        ExpectRaises<EConvertError>([&] { (void)StrToDateTime(Text); },
                                    AnsiString("'") + Text + "' is not a valid date and time");
        EXPECT_EQ(double(StrToDateTimeDef(Text, -1)), -1);
    }
}

TEST(DateTime, TextsRoundTrip)
{
    const FixedClock Clock(EncodeDate(2024, 6, 15));
    const TFormatSettings Sets[] = {RussianFormatSettings(), EnglishFormatSettings()};
    const TDateTime Moment = EncodeDate(2031, 12, 31) + EncodeTime(23, 59, 58, 0);
    for (const TFormatSettings& S : Sets) {
        SCOPED_TRACE(S.ShortDateFormat);
        EXPECT_EQ(double(StrToDateTime(DateTimeToStr(Moment, S), S)), double(Moment));
    }
}

// ---- file dates ----------------------------------------------------------------

TEST(DateTime, FileDatesKeepTwoSecondSteps)
{
    const TDateTime Moment = EncodeDate(2024, 3, 5) + EncodeTime(14, 7, 9, 0);
    const Integer Packed = DateTimeToFileDate(Moment);
    EXPECT_EQ(Packed, Integer((44u << 25 | 3u << 21 | 5u << 16) | (14u << 11 | 7u << 5 | 4u)));
    EXPECT_EQ(double(FileDateToDateTime(Packed)),
              double(EncodeDate(2024, 3, 5) + EncodeTime(14, 7, 8, 0)));
    // Years the packing cannot hold.
    EXPECT_EQ(DateTimeToFileDate(EncodeDate(1979, 12, 31)), 0);
    EXPECT_EQ(DateTimeToFileDate(EncodeDate(2108, 1, 1)), 0);
    // Month 0 names no date.
    ExpectRaises<EConvertError>([] { (void)FileDateToDateTime(0); },
                                "Invalid argument to date encode");
}

} // namespace

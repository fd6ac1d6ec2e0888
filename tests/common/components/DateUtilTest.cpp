// Dates typed into date edits, read in the locale's field order.

#include "common/components/DateUtil.h"

#include "tests/support/SettingsScope.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

int ThisYear()
{
    Word Y = 0, M = 0, D = 0;
    DecodeDate(Date(), Y, M, D);
    return Y;
}

} // namespace

TEST(DateUtil, MonthLengthsAndValidDays)
{
    EXPECT_TRUE(LeapYear(2000));
    EXPECT_FALSE(LeapYear(1900));
    EXPECT_TRUE(LeapYear(2024));
    EXPECT_EQ(MonthDays(2001, 2), 28);
    EXPECT_EQ(MonthDays(2000, 2), 29);
    EXPECT_EQ(MonthDays(2000, 13), 0);
    EXPECT_FALSE(IsValidDay(0, 1, 1));
    EXPECT_FALSE(IsValidDay(10000, 1, 1));
    EXPECT_FALSE(IsValidDay(2001, 4, 31));
    EXPECT_TRUE(IsValidDateValue(EncodeDate(2020, 2, 29)));
    EXPECT_FALSE(IsValidDateValue(1e9)) << "a value past the year 9999 is no date";
}

TEST(DateUtil, DateOrderOfFormats)
{
    struct Case { const char* Format; TDateFieldOrder Order; };
    const Case Cases[] = {
        {"dd.MM.yyyy", DayMonthYear},
        {"", DayMonthYear},           // no field at all: day first
        {"yyyy-MM-dd", YearMonthDay},
        {"M/d/yyyy", MonthDayYear},
        {"ee/MM/dd", YearMonthDay},   // an era year counts as the year
        {"gg dd", DayMonthYear},      // g is no field letter
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Format);
        EXPECT_EQ(DateOrderOf(C.Format), C.Order);
    }
}

TEST(DateUtil, MasksAndFormatsFollowTheLocale)
{
    {
        const RussianSettingsScope Ru;
        EXPECT_EQ(DateMaskFor(' ', true), "!99/99/9999;1; ");
        EXPECT_EQ(DateFormatFor(true), "DD/MM/YYYY");
        EXPECT_EQ(DateFormatFor(false), "DD/MM/YY");
        EXPECT_EQ(DateMaskFor('_', false), "!99/99/99;1;_");
    }
    {
        const EnglishSettingsScope En;
        EXPECT_EQ(DateFormatFor(true), "MM/DD/YYYY");
    }
    TFormatSettings Iso = RussianFormatSettings();
    Iso.ShortDateFormat = "yyyy-MM-dd";
    Iso.DateSeparator = '-';
    const FormatSettingsScope Scope(Iso);
    EXPECT_EQ(DateMaskFor(' ', true), "!9999/99/99;1; ");
    EXPECT_EQ(DateFormatFor(true), "YYYY/MM/DD");
}

TEST(DateUtil, TypedDatesInDayFirstOrder)
{
    const RussianSettingsScope Ru;
    const int Y = ThisYear();
    struct Case { const char* Text; bool Ok; int Year, Month, Day; };
    const Case Cases[] = {
        {"01.02.2020", true, 2020, 2, 1},
        {"29.02.2000", true, 2000, 2, 29},   // a leap year
        {"29.02.2001", false, 0, 0, 0},      // no 29 February in 2001
        {"1.2", true, Y, 2, 1},              // day and month of this year
        {"1.2.", true, Y, 2, 1},             // a trailing separator is fine
        {" 3 . 4 . 2021 ", true, 2021, 4, 3},
        {"10.11.05", true, 2005, 11, 10},    // two-digit years in the window
        {"12345.1.2020", false, 0, 0, 0},    // five digits are no number
        {"01.02.2020x", false, 0, 0, 0},     // the whole text must be read
        {"32.01.2020", false, 0, 0, 0},
        {"  .  .    ", false, 0, 0, 0},      // an empty mask is no date
        {"abc", false, 0, 0, 0},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Text);
        TDateTime D = -1;
        ASSERT_EQ(TryTextToDate("DD/MM/YYYY", C.Text, D), C.Ok);
        if (C.Ok) {
            EXPECT_EQ(D, EncodeDate(Word(C.Year), Word(C.Month), Word(C.Day)));
        }
    }
    TDateTime D = -1;
    EXPECT_TRUE(TryTextToDate("DD/MM/YYYY", "", D));
    EXPECT_EQ(D, NoDate) << "an empty text is no date, and that is fine";
}

TEST(DateUtil, TypedDatesInOtherOrders)
{
    const EnglishSettingsScope En;
    TFormatSettings Us = EnglishFormatSettings();
    TDateTime D = 0;
    ASSERT_TRUE(TryTextToDate("MM/DD/YYYY", "02/01/2020", D));
    EXPECT_EQ(D, EncodeDate(2020, 2, 1));
    ASSERT_TRUE(TryTextToDate("MM/DD/YYYY", "2/3", D)) << "month first, then day";
    EXPECT_EQ(D, EncodeDate(Word(ThisYear()), 2, 3));
    ASSERT_TRUE(TryTextToDate("YYYY/MM/DD", "2021/1/5", D));
    EXPECT_EQ(D, EncodeDate(2021, 1, 5));
    ASSERT_TRUE(TryTextToDate("DD/MMM/YYYY", "05/Feb/2021", D)) << "a month by name";
    EXPECT_EQ(D, EncodeDate(2021, 2, 5));
}

TEST(DateUtil, TextToDateRaisesAndDefaults)
{
    const RussianSettingsScope Ru;
    ExpectRaises<EConvertError>([] { (void)TextToDate("DD/MM/YYYY", "31.02.2020"); },
        "''31.02.2020'' is not a valid date");
    EXPECT_EQ(TextToDateDef("DD/MM/YYYY", "junk", 5.0), 5.0);
    EXPECT_EQ(TextToDateDef("DD/MM/YYYY", "02.01.1900", 5.0), EncodeDate(1900, 1, 2));
}

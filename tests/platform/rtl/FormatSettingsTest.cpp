#include "platform/rtl/FormatSettings.h"

#include "platform/rtl/Numbers.h"
#include "tests/support/SettingsScope.h"

#include <gtest/gtest.h>

namespace {

TEST(FormatSettings, RussianByDefault)
{
    const TFormatSettings Ru = RussianFormatSettings();
    EXPECT_EQ(FormatSettings(), Ru);  // every test leaves the defaults behind
    EXPECT_EQ(SystemFormatSettings(), Ru);
    EXPECT_EQ(Ru.DecimalSeparator, ',');
    EXPECT_EQ(Ru.ThousandSeparator, '\xA0');  // the no-break space, one byte
    EXPECT_EQ(Ru.DateSeparator, '.');
    EXPECT_EQ(Ru.TimeSeparator, ':');
    EXPECT_EQ(Ru.ShortDateFormat, "dd.MM.yyyy");
    EXPECT_EQ(Ru.LongTimeFormat, "h:mm:ss");
    EXPECT_EQ(Ru.ShortTimeFormat, "h:mm");
    EXPECT_EQ(Ru.CurrencyString, "р."_a);
    EXPECT_EQ(Ru.CurrencyDecimals, 2);
    EXPECT_EQ(Ru.LongMonthNames[1], "Январь"_a);
    EXPECT_EQ(Ru.LongMonthNames[12], "Декабрь"_a);
    EXPECT_EQ(Ru.ShortMonthNames[5], "май"_a);
    EXPECT_EQ(Ru.ShortDayNames[1], "Вс"_a);  // Sunday first
    EXPECT_EQ(Ru.LongDayNames[7], "суббота"_a);
    EXPECT_EQ(Ru.TwoDigitYearCenturyWindow, 50);
}

TEST(FormatSettings, EnglishSet)
{
    const TFormatSettings En = EnglishFormatSettings();
    EXPECT_EQ(En.DecimalSeparator, '.');
    EXPECT_EQ(En.ThousandSeparator, ',');
    EXPECT_EQ(En.ShortDateFormat, "M/d/yyyy");
    EXPECT_EQ(En.LongMonthNames[2], "February");
    EXPECT_EQ(En.ShortDayNames[2], "Mon");
    EXPECT_EQ(En.TimeAMString, "AM");
}

TEST(FormatSettings, ScopesRestoreThePreviousSet)
{
    {
        const EnglishSettingsScope En;
        EXPECT_EQ(FormatSettings().DecimalSeparator, '.');
        EXPECT_EQ(FloatToStr(1.5), "1.5");  // the routines read the current set
        {
            const RussianSettingsScope Ru;
            EXPECT_EQ(FloatToStr(1.5), "1,5");
        }
        EXPECT_EQ(FloatToStr(1.5), "1.5");
        FormatSettings().DecimalSeparator = ';';  // a change inside the scope
        EXPECT_EQ(SystemFormatSettings().DecimalSeparator, ',');  // never touched
    }
    EXPECT_EQ(FormatSettings(), RussianFormatSettings());
    EXPECT_EQ(FloatToStr(1.5), "1,5");
}

}  // namespace

// The price formatter in every display style, with the configuration's
// rouble and kopeck words and the no-break-space thousands separator.

#include "app/PriceFormat.h"

#include "app/Globals.h"
#include "tests/app/AppTestSupport.h"

#include <gtest/gtest.h>

namespace {

struct StyleCase {
    const char* Value;
    Integer Style;
    const char* Text;  // UTF-8; "\xC2\xA0" is the no-break space
};

const StyleCase StyleCases[] = {
    {"123", 0, "123"},                            // no kopecks: no decimals
    {"123.45", 0, "123,45"},                      // kopecks shown
    {"123.05", 0, "123,05"},                      // a leading zero kopeck
    {"1234.5", 0, "1\xC2\xA0" "234,50"},          // thousands separated
    {"0.005", 0, "0,01"},                         // a half kopeck rounds up first
    {"0.0049", 0, "0"},                           // below half a kopeck: nothing left
    {"-1.5", 0, "-1,50"},                         // a negative price keeps its kopecks
    {"-0.125", 2, "-0,13"},                       // a negative half kopeck rounds away from zero
    {"123", 1, "123-00"},                         // dash for the decimal separator
    {"123.45", 1, "123-45"},
    {"1234.5", 1, "1\xC2\xA0" "234-50"},
    {"0.005", 1, "0-01"},
    {"123", 2, "123,00"},                         // always two decimals
    {"1234.5", 2, "1\xC2\xA0" "234,50"},
    {"0.005", 2, "0,01"},
    {"123.45", 3, "123"},                         // no decimals
    {"1234.5", 3, "1\xC2\xA0" "235"},             // the half rouble rounds away from zero
    {"122.5", 3, "123"},
    {"0.005", 3, "0"},
    {"123", 10, "123руб."},                       // style 0 and the rouble word
    {"123.45", 10, "123,45руб."},
    {"123", 11, "123-00руб."},                    // style 1 and the rouble word
    {"123", 12, "123,00руб."},                    // style 2 and the rouble word
    {"123", 13, "123руб."},                       // style 3 and the rouble word
    {"123", 14, "123руб. 00коп."},                // roubles and kopecks in words
    {"123.45", 14, "123руб. 45коп."},
    {"123.05", 14, "123руб. 05коп."},
    {"1234.5", 14, "1\xC2\xA0" "234руб. 50коп."},
    {"0.005", 14, "0руб. 01коп."},
    {"-1.5", 14, "-1руб. 50коп."},                // the sign stays with the roubles
    {"-0.5", 14, "-0руб. 50коп."},                // ... also below one rouble
    {"123", 5, "123,00"},                         // an unknown style is style 2
    {"123", -1, "123,00"},
    {"123", 15, "123,00"},
};

TEST(PriceFormat, EveryStyle)
{
    ConfigScope Config;
    for (const StyleCase& T : StyleCases) {
        SCOPED_TRACE(std::string(T.Value) + " style " + std::to_string(T.Style));
        AnsiString Text;
        FormatPrice(T.Style, Text, Curr(T.Value));
        EXPECT_EQ(Text, AnsiString::FromUtf8(T.Text));
    }
}

TEST(PriceFormat, WordsComeFromTheConfiguration)
{
    ConfigScope Config;
    Config.Cfg().Rub = " р."_a;
    Config.Cfg().Kop = " к."_a;
    AnsiString Text;
    FormatPrice(14, Text, Curr("7.3"));
    EXPECT_EQ(Text, "7 р. 30 к."_a);
    FormatPrice(12, Text, Curr("7.3"));
    EXPECT_EQ(Text, "7,30 р."_a);
}

TEST(PriceFormat, WithoutAConfigurationTheDefaultWordsServe)
{
    const RussianSettingsScope Russian;
    ASSERT_EQ(gCfgObject, nullptr);
    AnsiString Text;
    FormatPrice(14, Text, Curr("5.5"));
    EXPECT_EQ(Text, "5руб. 50коп."_a);
}

TEST(PriceFormat, SeparatorsComeFromTheSettings)
{
    ConfigScope Config;
    const EnglishSettingsScope English;
    AnsiString Text;
    FormatPrice(2, Text, Curr("1234.5"));
    EXPECT_EQ(Text, "1,234.50");
    FormatPrice(1, Text, Curr("1234.5"));
    EXPECT_EQ(Text, "1,234-50");
}

}  // namespace

#include "platform/rtl/Format.h"

#include "platform/rtl/Exceptions.h"
#include "tests/support/SettingsScope.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

TEST(Format, IntegersAndHex)
{
    const EnglishSettingsScope En;
    EXPECT_EQ(Format("%d", {42}), "42");
    EXPECT_EQ(Format("%5d|", {42}), "   42|");
    EXPECT_EQ(Format("%-5d|", {42}), "42   |");
    EXPECT_EQ(Format("%.3d", {-5}), "-005");           // precision: minimum digits
    EXPECT_EQ(Format("%d", {Int64(1) << 40}), "1099511627776");
    EXPECT_EQ(Format("%D", {7}), "7");                  // type letters ignore case
    EXPECT_EQ(Format("%u", {-1}), "4294967295");
    EXPECT_EQ(Format("%x", {255}), "FF");
    EXPECT_EQ(Format("%.4x", {255}), "00FF");
    EXPECT_EQ(Format("%x", {-1}), "FFFFFFFF");
    EXPECT_EQ(Format("%d.%d.%d.%d", {1, 0, 12, 345}), "1.0.12.345");
}

TEST(Format, Strings)
{
    const AnsiString Name = "Накладная"_a;
    EXPECT_EQ(Format("%s", {"abc"}), "abc");
    EXPECT_EQ(Format("[%s]", {Name}), "[Накладная]"_a);
    EXPECT_EQ(Format("%.2s", {"abc"}), "ab");            // precision cuts
    EXPECT_EQ(Format("%4s|%-4s|", {"ab", "cd"}), "  ab|cd  |");
    EXPECT_EQ(Format("%1s", {"abc"}), "abc");            // width never cuts
    EXPECT_EQ(Format("%s", {'c'}), "c");
    EXPECT_EQ(Format("100%%", {}), "100%");
    EXPECT_EQ(Format("%s%%", {"5"}), "5%");
    EXPECT_EQ(Format("Ошибка записи параметра \"%s: %s\""_a, {"Width", "bad"}),
              "Ошибка записи параметра \"Width: bad\""_a);
}

TEST(Format, Numbers)
{
    {
        const EnglishSettingsScope En;
        EXPECT_EQ(Format("%f", {1.5}), "1.50");
        EXPECT_EQ(Format("%.3f", {2.0 / 3}), "0.667");
        EXPECT_EQ(Format("%.0f", {2.5}), "3");
        EXPECT_EQ(Format("%e", {1234.5}), "1.23450000000000E+003");
        EXPECT_EQ(Format("%.3e", {1234.5}), "1.23E+003");
        EXPECT_EQ(Format("%g", {0.5}), "0.5");
        EXPECT_EQ(Format("%g", {1e20}), "1E20");
        EXPECT_EQ(Format("%n", {1234567.5}), "1,234,567.50");
        EXPECT_EQ(Format("%m", {1234.5}), "$1,234.50");
        EXPECT_EQ(Format("%m", {Currency::FromRaw(-12345)}), "($1.23)");
        EXPECT_EQ(Format("%.4f", {Currency::FromRaw(INT64_MAX)}),
                  "922337203685477.5807");
    }
    const RussianSettingsScope Ru;
    EXPECT_EQ(Format("%f", {1.5}), "1,50");
    EXPECT_EQ(Format("%m", {1234.5}), AnsiString("1\xA0" "234,50") + "р."_a);
    EXPECT_EQ(Format("%.1f", {1.5}, EnglishFormatSettings()), "1.5");
}

TEST(Format, IndexAndStar)
{
    EXPECT_EQ(Format("%1:s %0:s", {"a", "b"}), "b a");
    EXPECT_EQ(Format("%1:s %s", {"a", "b", "c"}), "b c");  // continues after the index
    EXPECT_EQ(Format("%0:s-%0:s", {"x"}), "x-x");
    EXPECT_EQ(Format("%*d|", {5, 42}), "   42|");
    EXPECT_EQ(Format("%-*d|", {4, 7}), "7   |");
    EXPECT_EQ(Format("%.*f", {1, 2.25}, EnglishFormatSettings()), "2.3");
}

TEST(Format, PointersAndNil)
{
    EXPECT_EQ(Format("%p", {nullptr}), "00000000");
    EXPECT_EQ(Format("%p", {reinterpret_cast<const void*>(0x1234)}), "00001234");
}

struct ErrorCase {
    const char* Fmt;
    const char* Message;
};

TEST(Format, ErrorsNameTheFormat)
{
    const AnsiString S = "x";
    const ErrorCase Cases[] = {
        {"%q", "Format '%q' invalid or incompatible with argument"},  // unknown type
        {"%", "Format '%' invalid or incompatible with argument"},    // cut specifier
        {"%5", "Format '%5' invalid or incompatible with argument"},
    };
    for (const ErrorCase& C : Cases) {
        SCOPED_TRACE(C.Fmt);
        ExpectRaises<EConvertError>([&] { (void)Format(C.Fmt, {1}); }, C.Message);
    }
    // Kinds that do not fit the type.
    ExpectRaises<EConvertError>([&] { (void)Format("%d", {S}); },
                                "Format '%d' invalid or incompatible with argument");
    ExpectRaises<EConvertError>([] { (void)Format("%s", {1}); },
                                "Format '%s' invalid or incompatible with argument");
    ExpectRaises<EConvertError>([] { (void)Format("%f", {1}); },
                                "Format '%f' invalid or incompatible with argument");
    ExpectRaises<EConvertError>([] { (void)Format("%s", {true}); },
                                "Format '%s' invalid or incompatible with argument");
    ExpectRaises<EConvertError>([] { (void)Format("%*d", {"a", 1}); },
                                "Format '%*d' invalid or incompatible with argument");
    // Missing arguments.
    ExpectRaises<EConvertError>([] { (void)Format("%d %d", {1}); },
                                "No argument for format '%d %d'");
    ExpectRaises<EConvertError>([] { (void)Format("%3:s", {"a"}); },
                                "No argument for format '%3:s'");
    // The format is cut to 31 bytes in the message.
    ExpectRaises<EConvertError>(
        [] { (void)Format("0123456789012345678901234567890123456789 %d", {}); },
        "No argument for format '0123456789012345678901234567890'");
}

TEST(Format, CreateFmtBuildsTheMessage)
{
    ExpectRaises<EConvertError>(
        [] { throw CreateFmt<EConvertError>("'%s' is bad at %d", {"x", 3}); },
        "'x' is bad at 3");
}

}  // namespace

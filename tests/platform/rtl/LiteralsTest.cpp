// The program's Russian texts are UTF-8 in the sources and CP1251 at run
// time: each must survive the trip to CP1251 and back unchanged.

#include "platform/rtl/AnsiString.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct LiteralCase {
    const AnsiString& Cp1251;
    const char* Utf8;
};

TEST(Literals, RoundTripThroughCp1251)
{
    const LiteralCase Cases[] = {
        {"р."_a, "р."},                                   // the money sign
        {"Январь"_a, "Январь"},                           // month and day names
        {"воскресенье"_a, "воскресенье"},
        {"d MMMM yyyy 'г.'"_a, "d MMMM yyyy 'г.'"},
        {"Ёё"_a, "Ёё"},                                   // outside А..я
        {"№ «цена» – 5 €"_a, "№ «цена» – 5 €"},           // signs of 0x80..0xBF
        {"Ґґ Єє Іі Її Ўў"_a, "Ґґ Єє Іі Її Ўў"},
        {"Не определено"_a, "Не определено"},
        {"Неизвестный тип парметра"_a, "Неизвестный тип парметра"},  // kept as written
        {"Ошибка чтения параметра \"%s: %s\""_a, "Ошибка чтения параметра \"%s: %s\""},
        {"АБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ"_a, "АБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ"},
        {"абвгдежзийклмнопрстуфхцчшщъыьэюя"_a, "абвгдежзийклмнопрстуфхцчшщъыьэюя"},
    };
    for (const LiteralCase& C : Cases) {
        SCOPED_TRACE(C.Utf8);
        EXPECT_EQ(C.Cp1251.ToUtf8(), C.Utf8);
        EXPECT_EQ(AnsiString::FromUtf8(C.Utf8), C.Cp1251);
    }
    // One byte per letter: "р." is two bytes, the alphabet 32.
    EXPECT_EQ("р."_a.Length(), 2);
    EXPECT_EQ("АБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ"_a.Length(), 32);
}

}  // namespace

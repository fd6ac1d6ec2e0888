#pragma once

// The price formatter: a Currency price as the text printed on price tags,
// statements and lists, in one of the display styles chosen in the settings
// (configuration properties PriceStyle, PriceStyleRep and PriceStyleXxx).
// Separators come from the current FormatSettings; the rouble and kopeck
// words from the configuration object (Rub, Kop).

#include "platform/rtl/AnsiString.h"
#include "platform/rtl/Currency.h"
#include "platform/rtl/Types.h"

/// Text of Value, first rounded to whole kopecks (halves away from zero), in
/// display style Style:
///   0  kopecks shown only when there are any ("123", "123,45")
///   1  two decimals with "-" for the decimal separator ("123-45")
///   2  two decimals ("123,00")
///   3  no decimals, halves away from zero ("123")
///   10..13  styles 0..3 directly followed by the rouble word
///   14 whole roubles, the rouble word, a blank, two-digit kopecks and the
///      kopeck word ("123руб. 05коп.")
/// Any other style formats as style 2. The words are gCfgObject's Rub and
/// Kop (their defaults when no configuration object exists).
void FormatPrice(Integer Style, AnsiString& Text, Currency Value);


#include "app/PriceFormat.h"

#include "app/Globals.h"
#include "common/base/Funcs.h"
#include "platform/rtl/FormatSettings.h"

namespace {

constexpr int64_t Scale = Currency::Scale;
constexpr int64_t Kopeck = Scale / 100;

/// Value rounded to whole kopecks, halves away from zero. The original
/// added a half and truncated, which moved negative amounts a kopeck
/// towards zero; both signs round alike here.
Currency RoundToKopecks(Currency Value)
{
    const int64_t Raw = Value.Raw();
    const int64_t Half = Kopeck / 2;
    const int64_t Rounded = (Raw >= 0 ? Raw / Kopeck + (Raw % Kopeck >= Half ? 1 : 0)
                                      : Raw / Kopeck - (-(Raw % Kopeck) >= Half ? 1 : 0));
    return Currency::FromRaw(Rounded * Kopeck);
}

AnsiString RoubleWord()
{
    return gCfgObject ? gCfgObject->Rub : "руб."_a;
}

AnsiString KopeckWord()
{
    return gCfgObject ? gCfgObject->Kop : "коп."_a;
}

/// Styles 0..3 of a value already rounded to kopecks.
AnsiString PlainStyle(Integer Style, Currency Value)
{
    switch (Style) {
    case 0: {
        // Kopecks are shown when there are any; the magnitude decides, so a
        // negative price keeps its kopecks too.
        const int64_t Fraction = Value.Raw() % Scale;
        return CurrToNumStr(Fraction != 0 ? 2 : 0, Value);
    }
    case 1: {
        AnsiString S = CurrToNumStr(2, Value);
        ReplaceChars(AnsiString("-") + FormatSettings().DecimalSeparator, S);
        return S;
    }
    case 3:
        return CurrToNumStr(0, Value);
    default:
        return CurrToNumStr(2, Value);
    }
}

/// Style 14: "123руб. 05коп.". The kopecks come from the magnitude, so a
/// negative price reads "-1руб. 50коп." and not a broken kopeck number.
AnsiString WordsStyle(Currency Value)
{
    const int64_t Raw = Value.Raw();
    const int64_t Magnitude = Raw < 0 ? -Raw : Raw;
    const int64_t Kopecks = (Magnitude % Scale) / Kopeck;
    AnsiString Roubles = CurrToNumStr(0, Currency::FromRaw(Magnitude / Scale * Scale));
    if (Raw < 0)
        Roubles = "-" + Roubles;
    return Roubles + RoubleWord() + " " + Pad0(Integer(Kopecks), 2) + KopeckWord();
}

}  // namespace

void FormatPrice(Integer Style, AnsiString& Text, Currency Value)
{
    Value = RoundToKopecks(Value);
    switch (Style) {
    case 0:
    case 1:
    case 2:
    case 3:
        Text = PlainStyle(Style, Value);
        return;
    case 10:
    case 11:
    case 12:
    case 13:
        Text = PlainStyle(Style - 10, Value) + RoubleWord();
        return;
    case 14:
        Text = WordsStyle(Value);
        return;
    default:
        Text = PlainStyle(2, Value);
        return;
    }
}

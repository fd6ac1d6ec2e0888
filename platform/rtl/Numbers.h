#pragma once

// Integer and floating-point numbers as text, and the runtime's rounding
// helpers. Texts are CP1251; the separators come from a TFormatSettings,
// the current one (FormatSettings()) unless a set is passed. Floating point
// is double (the runtime's Extended).

#include "platform/rtl/AnsiString.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Types.h"

#include <type_traits>

using Extended = double;

enum TFloatFormat { ffGeneral, ffExponent, ffFixed, ffNumber, ffCurrency };

// ---- integers ----------------------------------------------------------------

/// Decimal text with a leading '-' for negatives.
[[nodiscard]] AnsiString IntToStr(Int64 Value);
template <class T>
    requires std::is_integral_v<T> && (!std::is_same_v<T, Int64>) && (!std::is_same_v<T, bool>)
[[nodiscard]] AnsiString IntToStr(T Value)
{
    return IntToStr(static_cast<Int64>(Value));
}
/// Upper-case hexadecimal, at least Digits digits (zero-padded). A negative
/// value shows its two's complement in the width of its type: 32 bits for
/// int and smaller, 64 bits for Int64.
[[nodiscard]] AnsiString IntToHex(Int64 Value, int Digits);
[[nodiscard]] AnsiString IntToHex(Integer Value, int Digits);
template <class T>
    requires std::is_integral_v<T> && (!std::is_same_v<T, Int64>)
             && (!std::is_same_v<T, Integer>) && (!std::is_same_v<T, bool>)
[[nodiscard]] AnsiString IntToHex(T Value, int Digits)
{
    if constexpr (sizeof(T) <= 4 && std::is_signed_v<T>)
        return IntToHex(static_cast<Integer>(Value), Digits);
    else
        return IntToHex(static_cast<Int64>(Value), Digits);
}

/// Decimal or hexadecimal ("$1F", "0x1F", "0X1F") text with an optional sign
/// and leading blanks; raises EConvertError "'%s' is not a valid integer
/// value" for anything else, trailing blanks and values out of range
/// included.
[[nodiscard]] Integer StrToInt(const AnsiString& S);
/// As StrToInt, Default instead of raising.
[[nodiscard]] Integer StrToIntDef(const AnsiString& S, Integer Default);
/// As StrToInt; false (Value untouched) instead of raising.
bool TryStrToInt(const AnsiString& S, Integer& Value);
[[nodiscard]] Int64 StrToInt64(const AnsiString& S);
[[nodiscard]] Int64 StrToInt64Def(const AnsiString& S, Int64 Default);
bool TryStrToInt64(const AnsiString& S, Int64& Value);

// ---- floating point ----------------------------------------------------------

/// ffGeneral with 15 significant digits: plain notation while the exponent
/// fits, otherwise "1,5E20"; "NAN", "INF" and "-INF" for the special values.
[[nodiscard]] AnsiString FloatToStr(Extended Value);
[[nodiscard]] AnsiString FloatToStr(Extended Value, const TFormatSettings& Settings);
/// The runtime's five layouts. Precision is the count of significant digits
/// (at most 18 used); Digits is the minimum exponent digits for ffGeneral and
/// ffExponent and the decimals for ffFixed, ffNumber and ffCurrency.
[[nodiscard]] AnsiString FloatToStrF(Extended Value, TFloatFormat Format, int Precision,
                                     int Digits);
[[nodiscard]] AnsiString FloatToStrF(Extended Value, TFloatFormat Format, int Precision,
                                     int Digits, const TFormatSettings& Settings);
/// The picture language: '0' digit, '#' optional digit, '.' decimal point,
/// ',' thousands grouping, "E+" "E-" "e+" "e-" exponent, '...' and "..."
/// literals, and up to three ';'-separated sections (positive; negative;
/// zero). An empty negative or zero section falls back to the first; a
/// value that rounds to zero takes the zero section. Halves are rounded away
/// from zero. An empty picture, or an empty first section when it is the one
/// used, gives FloatToStr's text.
[[nodiscard]] AnsiString FormatFloat(const AnsiString& Format, Extended Value);
[[nodiscard]] AnsiString FormatFloat(const AnsiString& Format, Extended Value,
                                     const TFormatSettings& Settings);

/// Decimal text with the settings' DecimalSeparator, optional sign, optional
/// exponent ("1,5E-3"), leading and trailing blanks; raises EConvertError
/// "'%s' is not a valid floating point value" otherwise.
[[nodiscard]] Extended StrToFloat(const AnsiString& S);
[[nodiscard]] Extended StrToFloat(const AnsiString& S, const TFormatSettings& Settings);
[[nodiscard]] Extended StrToFloatDef(const AnsiString& S, Extended Default);
[[nodiscard]] Extended StrToFloatDef(const AnsiString& S, Extended Default,
                                     const TFormatSettings& Settings);
/// As StrToFloat; false (Value untouched) instead of raising.
bool TryStrToFloat(const AnsiString& S, Extended& Value);
bool TryStrToFloat(const AnsiString& S, Extended& Value, const TFormatSettings& Settings);

// ---- rounding ----------------------------------------------------------------

/// Nearest integer, halves to even (2.5 -> 2, 3.5 -> 4); raises EInvalidOp
/// for NaN, infinities and values outside Int64.
[[nodiscard]] Int64 Round(Extended Value);
/// Integer part towards zero; raises EInvalidOp like Round.
[[nodiscard]] Int64 Trunc(Extended Value);
/// Value minus its integer part (the sign of Value).
[[nodiscard]] Extended Frac(Extended Value);
/// Integer part towards zero, as a floating-point value.
[[nodiscard]] Extended Int(Extended Value);
/// Value rounded to a multiple of 10^Digit (Digit -2: hundredths), halves
/// to even as Round does. Digit lies in -37..37.
[[nodiscard]] Extended RoundTo(Extended Value, int Digit);
/// Value rounded to a multiple of 10^Digit, halves away from zero on both
/// sides of zero.
[[nodiscard]] Extended SimpleRoundTo(Extended Value, int Digit = -2);
/// Number * Numerator / Denominator computed in 64 bits and rounded half away
/// from zero; -1 when Denominator is 0 or the result leaves 32 bits.
[[nodiscard]] int MulDiv(int Number, int Numerator, int Denominator);

[[nodiscard]] inline int Max(int A, int B) { return A > B ? A : B; }
[[nodiscard]] inline int Min(int A, int B) { return A < B ? A : B; }
[[nodiscard]] inline Int64 Max(Int64 A, Int64 B) { return A > B ? A : B; }
[[nodiscard]] inline Int64 Min(Int64 A, Int64 B) { return A < B ? A : B; }
[[nodiscard]] inline double Max(double A, double B) { return A > B ? A : B; }
[[nodiscard]] inline double Min(double A, double B) { return A < B ? A : B; }

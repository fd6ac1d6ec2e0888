#pragma once

// The decimal core shared by the number and money text routines: a value as
// significant decimal digits and an exponent, rounded in decimal, and the
// layouts and picture language laid out from it. A double contributes its
// 15 significant digits (what it holds reliably), a Currency all of its
// exact digits.

#include "platform/rtl/AnsiString.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Numbers.h"

#include <cstdint>
#include <string>

namespace numbers {

/// Value = 0.Digits x 10^Exponent, negative when Negative.
struct DecimalRec {
    bool Negative = false;
    int Exponent = 0;
    /// Significant digits '0'..'9' without trailing zeros; empty for zero.
    std::string Digits;

    bool IsZero() const { return Digits.empty(); }
};

enum class RoundMode { HalfAwayFromZero, HalfToEven };

/// Significant digits a double holds reliably.
inline constexpr int DoublePrecision = 15;
/// Significant digits a Currency can have.
inline constexpr int CurrencyPrecision = 19;

/// Digits of a finite double correctly rounded to Significant digits.
DecimalRec DoubleToDecimal(double Value, int Significant = DoublePrecision);
/// The exact digits of a Currency's raw value (1/10000).
DecimalRec CurrencyToDecimal(int64_t Raw);
/// Keeps at most Precision significant digits and at most Decimals digits
/// after the decimal point.
void RoundDecimal(DecimalRec& D, int Precision, int Decimals, RoundMode Mode);
/// The double nearest to a decimal value.
double DecimalToDouble(const DecimalRec& D);

/// FloatToStrF's layouts; MaxPrecision caps Precision (15 or 19).
AnsiString DecimalToStrF(const DecimalRec& Value, TFloatFormat Format, int Precision, int Digits,
                         int MaxPrecision, const TFormatSettings& Settings);
/// FormatFloat's picture language; MaxPrecision as above.
AnsiString FormatDecimal(const AnsiString& Format, const DecimalRec& Value, int MaxPrecision,
                         const TFormatSettings& Settings);
/// Parses the runtime's floating-point text: blanks, sign, digits with one
/// DecimalSeparator, optional exponent, blanks. False for anything else.
bool ParseDecimal(const AnsiString& S, char DecimalSeparator, DecimalRec& Out);

}  // namespace numbers

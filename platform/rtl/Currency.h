#pragma once

// Currency: money as a signed 64-bit count of 1/10000. Sums are exact;
// products and quotients are computed exactly in 128 bits and rounded half
// to even at the fourth decimal, as the original runtime's FPU did. A value
// from a double is rounded the same way. Overflow raises EOverflow.

#include "platform/rtl/AnsiString.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Numbers.h"

#include <compare>
#include <cstdint>

class Currency {
public:
    static constexpr int64_t Scale = 10000;

    constexpr Currency() = default;
    constexpr Currency(int V) : FRaw(int64_t(V) * Scale) {}
    /// Rounded half to even at the fourth decimal; raises EOverflow outside
    /// the range of Currency and EInvalidOp for NaN.
    Currency(double V);

    static constexpr Currency FromRaw(int64_t Raw)
    {
        Currency C;
        C.FRaw = Raw;
        return C;
    }
    /// The value in 1/10000.
    constexpr int64_t Raw() const { return FRaw; }
    double ToDouble() const { return double(FRaw) / double(Scale); }
    explicit operator double() const { return ToDouble(); }

    Currency& operator+=(Currency R);
    Currency& operator-=(Currency R);
    Currency& operator*=(Currency R) { return *this = *this * R; }
    Currency& operator/=(Currency R) { return *this = *this / R; }

    friend Currency operator+(Currency L, Currency R) { return L += R; }
    friend Currency operator-(Currency L, Currency R) { return L -= R; }
    friend Currency operator-(Currency V);
    /// Exact product rounded half to even to 1/10000.
    friend Currency operator*(Currency L, Currency R);
    friend Currency operator*(Currency L, int R) { return L * Currency(R); }
    friend Currency operator*(int L, Currency R) { return Currency(L) * R; }
    /// Exact quotient rounded half to even to 1/10000; raises EZeroDivide.
    friend Currency operator/(Currency L, Currency R);
    friend Currency operator/(Currency L, int R) { return L / Currency(R); }
    /// Mixed with floating point the runtime computed in floating point.
    friend double operator*(Currency L, double R) { return L.ToDouble() * R; }
    friend double operator*(double L, Currency R) { return L * R.ToDouble(); }
    friend double operator/(Currency L, double R) { return L.ToDouble() / R; }

    friend constexpr bool operator==(Currency L, Currency R) = default;
    friend constexpr std::strong_ordering operator<=>(Currency L, Currency R) = default;

private:
    int64_t FRaw = 0;
};

/// Divides a 128-bit value by a positive divisor, rounding half to even;
/// raises EOverflow when the result leaves 64 bits. Shared by the Currency
/// arithmetic and the number routines that need exact decimal rounding.
inline int64_t DivRoundHalfEven(__int128 Num, __int128 Den);

namespace currency_detail {
/// DivRoundHalfEven for any operands, in 128 bits where they need them.
int64_t DivRoundHalfEvenWide(__int128 Num, __int128 Den);
}  // namespace currency_detail

inline int64_t DivRoundHalfEven(__int128 Num, __int128 Den)
{
    // Most money fits 64 bits, where division is several times quicker;
    // inline, a constant divisor (the scale) becomes a multiplication.
    if (Den > 0 && Den <= INT64_MAX && Num > INT64_MIN && Num <= INT64_MAX) {
        const auto N = static_cast<int64_t>(Num);
        const auto D = static_cast<int64_t>(Den);
        int64_t Q = N / D;
        const int64_t R = N % D;
        const uint64_t Twice = 2 * static_cast<uint64_t>(R < 0 ? -R : R);
        if (Twice > uint64_t(D) || (Twice == uint64_t(D) && (Q % 2) != 0))
            Q += N < 0 ? -1 : 1;
        return Q;
    }
    return currency_detail::DivRoundHalfEvenWide(Num, Den);
}

// ---- text ------------------------------------------------------------------
// Conversions work on the 64-bit value itself, so no digit is lost to
// floating point.

/// Decimal text with the settings' DecimalSeparator, an optional sign, at
/// most 4 decimals kept exactly (further decimals round half to even), an
/// optional exponent, leading and trailing blanks; raises EConvertError
/// "'%s' is not a valid floating point value" otherwise or when the value
/// leaves the Currency range.
[[nodiscard]] Currency StrToCurr(const AnsiString& S);
[[nodiscard]] Currency StrToCurr(const AnsiString& S, const TFormatSettings& Settings);
[[nodiscard]] Currency StrToCurrDef(const AnsiString& S, Currency Default);
[[nodiscard]] Currency StrToCurrDef(const AnsiString& S, Currency Default,
                                    const TFormatSettings& Settings);
/// As StrToCurr; false (Value untouched) instead of raising.
bool TryStrToCurr(const AnsiString& S, Currency& Value);
bool TryStrToCurr(const AnsiString& S, Currency& Value, const TFormatSettings& Settings);

/// Shortest exact text: "1234,5", "-0,0001", "10".
[[nodiscard]] AnsiString CurrToStr(Currency Value);
[[nodiscard]] AnsiString CurrToStr(Currency Value, const TFormatSettings& Settings);
/// FloatToStrF's layouts with 19 significant digits; Digits is the decimals
/// (0..4 exact; halves round away from zero as the runtime's money text does).
[[nodiscard]] AnsiString CurrToStrF(Currency Value, TFloatFormat Format, int Digits);
[[nodiscard]] AnsiString CurrToStrF(Currency Value, TFloatFormat Format, int Digits,
                                    const TFormatSettings& Settings);
/// FormatFloat's picture language, exact on the 64-bit value.
[[nodiscard]] AnsiString FormatCurr(const AnsiString& Format, Currency Value);
[[nodiscard]] AnsiString FormatCurr(const AnsiString& Format, Currency Value,
                                    const TFormatSettings& Settings);

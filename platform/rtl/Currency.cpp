#include "platform/rtl/Currency.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/NumbersPrivate.h"
#include "platform/rtl/SysConst.h"

#include <cmath>

namespace {

const char* const SOverflow = "Floating point overflow";
const char* const SZeroDivide = "Floating point division by zero";

}  // namespace

int64_t currency_detail::DivRoundHalfEvenWide(__int128 Num, __int128 Den)
{
    if (Den == 0)
        throw EZeroDivide(SZeroDivide);
    if (Den < 0) {
        Num = -Num;
        Den = -Den;
    }
    // Most money fits 64 bits, where division is several times quicker.
    if (Num > INT64_MIN && Num <= INT64_MAX && Den <= INT64_MAX) {
        const int64_t N = static_cast<int64_t>(Num);
        const int64_t D = static_cast<int64_t>(Den);
        int64_t Q = N / D;
        const uint64_t Twice = 2 * static_cast<uint64_t>(N % D < 0 ? -(N % D) : N % D);
        if (Twice > uint64_t(D) || (Twice == uint64_t(D) && (Q % 2) != 0))
            Q += N < 0 ? -1 : 1;
        return Q;
    }
    __int128 Q = Num / Den;
    __int128 R = Num % Den;
    if (R < 0)
        R = -R;
    const __int128 Twice = R * 2;
    if (Twice > Den || (Twice == Den && (Q % 2) != 0))
        Q += Num < 0 ? -1 : 1;
    if (Q > INT64_MAX || Q < INT64_MIN)
        throw EOverflow(SOverflow);
    return static_cast<int64_t>(Q);
}

Currency::Currency(double V)
{
    if (std::isnan(V))
        throw EInvalidOp(SInvalidOp);
    if (std::isinf(V))
        throw EOverflow(SOverflow);
    if (V == 0)
        return;
    // V is Mantissa x 2^Exp exactly, so V x 10000 is rounded once, from its
    // exact value, as the FPU rounded the product it held in 64 bits: the
    // double 0.00005 lies a little above a half of 1/10000 and gives 0.0001,
    // where a product rounded to double first would be exactly 0.5.
    int Exp = 0;
    const double Fraction = std::frexp(V, &Exp);
    const auto Mantissa = static_cast<int64_t>(std::ldexp(Fraction, 53));
    Exp -= 53;
    // |Mantissa| >= 2^52, so from 2^0 on the product leaves the range.
    if (Exp >= 0)
        throw EOverflow(SOverflow);
    // Past 2^-120 the product (below 2^67) is far under half a unit.
    if (Exp < -120)
        return;
    FRaw = DivRoundHalfEven(__int128(Mantissa) * Scale, __int128(1) << -Exp);
}

Currency& Currency::operator+=(Currency R)
{
    if (__builtin_add_overflow(FRaw, R.FRaw, &FRaw))
        throw EOverflow(SOverflow);
    return *this;
}

Currency& Currency::operator-=(Currency R)
{
    if (__builtin_sub_overflow(FRaw, R.FRaw, &FRaw))
        throw EOverflow(SOverflow);
    return *this;
}

Currency operator-(Currency V)
{
    if (V.FRaw == INT64_MIN)
        throw EOverflow(SOverflow);
    return Currency::FromRaw(-V.FRaw);
}

Currency operator*(Currency L, Currency R)
{
    return Currency::FromRaw(DivRoundHalfEven(__int128(L.FRaw) * R.FRaw, Currency::Scale));
}

Currency operator/(Currency L, Currency R)
{
    if (R.FRaw == 0)
        throw EZeroDivide(SZeroDivide);
    return Currency::FromRaw(DivRoundHalfEven(__int128(L.FRaw) * Currency::Scale, R.FRaw));
}

// ---- text ------------------------------------------------------------------

bool TryStrToCurr(const AnsiString& S, Currency& Value)
{
    return TryStrToCurr(S, Value, FormatSettings());
}

bool TryStrToCurr(const AnsiString& S, Currency& Value, const TFormatSettings& Settings)
{
    numbers::DecimalRec D;
    if (!numbers::ParseDecimal(S, Settings.DecimalSeparator, D))
        return false;
    // Further decimals round half to even, as storing into Currency does.
    numbers::RoundDecimal(D, 9999, 4, numbers::RoundMode::HalfToEven);
    if (D.IsZero()) {
        Value = Currency();
        return true;
    }
    const int Places = D.Exponent + 4;  // digits of the raw value
    if (Places > numbers::CurrencyPrecision)
        return false;
    __int128 Raw = 0;
    for (int I = 0; I < Places; ++I)
        Raw = Raw * 10 + (I < static_cast<int>(D.Digits.size()) ? D.Digits[size_t(I)] - '0' : 0);
    if (D.Negative)
        Raw = -Raw;
    if (Raw > INT64_MAX || Raw < INT64_MIN)
        return false;
    Value = Currency::FromRaw(static_cast<int64_t>(Raw));
    return true;
}

Currency StrToCurr(const AnsiString& S) { return StrToCurr(S, FormatSettings()); }

Currency StrToCurr(const AnsiString& S, const TFormatSettings& Settings)
{
    Currency V;
    if (!TryStrToCurr(S, V, Settings))
        throw CreateFmt<EConvertError>(SInvalidFloat, {S});
    return V;
}

Currency StrToCurrDef(const AnsiString& S, Currency Default)
{
    return StrToCurrDef(S, Default, FormatSettings());
}

Currency StrToCurrDef(const AnsiString& S, Currency Default, const TFormatSettings& Settings)
{
    Currency V;
    return TryStrToCurr(S, V, Settings) ? V : Default;
}

AnsiString CurrToStr(Currency Value) { return CurrToStr(Value, FormatSettings()); }

AnsiString CurrToStr(Currency Value, const TFormatSettings& Settings)
{
    return CurrToStrF(Value, ffGeneral, 0, Settings);
}

AnsiString CurrToStrF(Currency Value, TFloatFormat Format, int Digits)
{
    return CurrToStrF(Value, Format, Digits, FormatSettings());
}

AnsiString CurrToStrF(Currency Value, TFloatFormat Format, int Digits,
                      const TFormatSettings& Settings)
{
    return numbers::DecimalToStrF(numbers::CurrencyToDecimal(Value.Raw()), Format,
                                  numbers::CurrencyPrecision, Digits, numbers::CurrencyPrecision,
                                  Settings);
}

AnsiString FormatCurr(const AnsiString& Format, Currency Value)
{
    return FormatCurr(Format, Value, FormatSettings());
}

AnsiString FormatCurr(const AnsiString& Format, Currency Value, const TFormatSettings& Settings)
{
    if (Format.IsEmpty())
        return CurrToStr(Value, Settings);
    return numbers::FormatDecimal(Format, numbers::CurrencyToDecimal(Value.Raw()),
                                  numbers::CurrencyPrecision, Settings);
}

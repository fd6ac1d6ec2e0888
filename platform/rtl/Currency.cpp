#include "platform/rtl/Currency.h"

#include "platform/rtl/Exceptions.h"

#include <cmath>

namespace {

const char* const SOverflow = "Floating point overflow";
const char* const SZeroDivide = "Floating point division by zero";
const char* const SInvalidOp = "Invalid floating point operation";

}  // namespace

int64_t DivRoundHalfEven(__int128 Num, __int128 Den)
{
    if (Den == 0)
        throw EZeroDivide(SZeroDivide);
    if (Den < 0) {
        Num = -Num;
        Den = -Den;
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
    const double Scaled = V * double(Scale);
    if (!(Scaled < 9.2233720368547758e18 && Scaled >= -9.2233720368547758e18))
        throw EOverflow(SOverflow);
    // nearbyint rounds half to even in the default rounding mode.
    FRaw = static_cast<int64_t>(std::nearbyint(Scaled));
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

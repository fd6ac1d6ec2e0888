#pragma once

// Currency: money as a signed 64-bit count of 1/10000. Sums are exact;
// products and quotients are computed exactly in 128 bits and rounded half
// to even at the fourth decimal, as the original runtime's FPU did. A value
// from a double is rounded the same way. Overflow raises EOverflow.

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
int64_t DivRoundHalfEven(__int128 Num, __int128 Den);

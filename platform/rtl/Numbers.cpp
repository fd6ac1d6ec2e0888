#include "platform/rtl/Numbers.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/NumbersPrivate.h"
#include "platform/rtl/SysConst.h"

#include <cmath>
#include <limits>

using numbers::DecimalRec;

namespace {

const char* const SInvalidInteger = "'%s' is not a valid integer value";

/// Reads an integer as the runtime does: leading spaces, a sign, then
/// decimal digits or a hexadecimal number after "$", "0x" or "0X". Decimal
/// values must fit Min..Max; hexadecimal ones may use the whole unsigned
/// width (so "$FFFFFFFF" is -1 for 32 bits).
bool ParseInteger(const AnsiString& S, Int64 Min, Int64 Max, int Bits, Int64& Value)
{
    const std::string& T = S.Std();
    size_t I = 0;
    while (I < T.size() && T[I] == ' ')
        ++I;
    bool Negative = false;
    if (I < T.size() && (T[I] == '+' || T[I] == '-')) {
        Negative = T[I] == '-';
        ++I;
    }
    int Base = 10;
    if (I < T.size() && T[I] == '$') {
        Base = 16;
        ++I;
    } else if (I + 1 < T.size() && T[I] == '0' && (T[I + 1] == 'x' || T[I + 1] == 'X')) {
        Base = 16;
        I += 2;
    }
    if (I == T.size())
        return false;
    const unsigned __int128 Limit = Base == 16
        ? (static_cast<unsigned __int128>(1) << Bits) - 1
        : static_cast<unsigned __int128>(Negative ? -static_cast<__int128>(Min) : Max);
    unsigned __int128 Acc = 0;
    for (; I < T.size(); ++I) {
        const char C = T[I];
        int Digit = -1;
        if (C >= '0' && C <= '9')
            Digit = C - '0';
        else if (Base == 16 && C >= 'A' && C <= 'F')
            Digit = C - 'A' + 10;
        else if (Base == 16 && C >= 'a' && C <= 'f')
            Digit = C - 'a' + 10;
        if (Digit < 0)
            return false;
        Acc = Acc * Base + Digit;
        if (Acc > Limit)
            return false;
    }
    __int128 Signed = static_cast<__int128>(Acc);
    if (Base == 16 && Acc > static_cast<unsigned __int128>(Max))
        Signed -= static_cast<__int128>(1) << Bits;  // wraps to the negative half
    Value = static_cast<Int64>(Negative ? -Signed : Signed);
    return true;
}

[[noreturn]] void RaiseInvalidInteger(const AnsiString& S)
{
    throw CreateFmt<EConvertError>(SInvalidInteger, {S});
}

[[noreturn]] void RaiseInvalidFloat(const AnsiString& S)
{
    throw CreateFmt<EConvertError>(SInvalidFloat, {S});
}

AnsiString SpecialValueText(Extended Value)
{
    if (std::isnan(Value))
        return "NAN";
    return Value < 0 ? "-INF" : "INF";
}

/// Checks that a value fits Int64 before it is converted.
void CheckInt64Range(Extended Value)
{
    // 2^63 is exact in double; the range is [-2^63, 2^63).
    if (!(Value >= -9223372036854775808.0 && Value < 9223372036854775808.0))
        throw EInvalidOp(SInvalidOp);
}

/// Rounds a value to a multiple of 10^Digit in decimal, on the 15 digits the
/// double holds, so that a written half (1.135) is a half.
Extended RoundDecimalPlaces(Extended Value, int Digit, numbers::RoundMode Mode)
{
    if (!std::isfinite(Value))
        return Value;
    DecimalRec D = numbers::DoubleToDecimal(Value);
    numbers::RoundDecimal(D, numbers::DoublePrecision, -Digit, Mode);
    if (D.IsZero())
        return 0.0;
    return numbers::DecimalToDouble(D);
}

}  // namespace

// ---- integers ------------------------------------------------------------------

AnsiString IntToStr(Int64 Value) { return AnsiString(std::to_string(Value)); }

AnsiString IntToHex(Int64 Value, int Digits)
{
    static const char Hex[] = "0123456789ABCDEF";
    uint64_t U = static_cast<uint64_t>(Value);
    std::string Out;
    do {
        Out.insert(Out.begin(), Hex[U & 0xF]);
        U >>= 4;
    } while (U != 0);
    if (static_cast<int>(Out.size()) < Digits)
        Out.insert(0, static_cast<size_t>(Digits) - Out.size(), '0');
    return AnsiString(Out);
}

AnsiString IntToHex(Integer Value, int Digits)
{
    return IntToHex(static_cast<Int64>(static_cast<uint32_t>(Value)), Digits);
}

bool TryStrToInt(const AnsiString& S, Integer& Value)
{
    Int64 V = 0;
    if (!ParseInteger(S, std::numeric_limits<Integer>::min(), std::numeric_limits<Integer>::max(),
                      32, V))
        return false;
    Value = static_cast<Integer>(V);
    return true;
}

Integer StrToInt(const AnsiString& S)
{
    Integer V = 0;
    if (!TryStrToInt(S, V))
        RaiseInvalidInteger(S);
    return V;
}

Integer StrToIntDef(const AnsiString& S, Integer Default)
{
    Integer V = 0;
    return TryStrToInt(S, V) ? V : Default;
}

bool TryStrToInt64(const AnsiString& S, Int64& Value)
{
    return ParseInteger(S, std::numeric_limits<Int64>::min(), std::numeric_limits<Int64>::max(),
                        64, Value);
}

Int64 StrToInt64(const AnsiString& S)
{
    Int64 V = 0;
    if (!TryStrToInt64(S, V))
        RaiseInvalidInteger(S);
    return V;
}

Int64 StrToInt64Def(const AnsiString& S, Int64 Default)
{
    Int64 V = 0;
    return TryStrToInt64(S, V) ? V : Default;
}

// ---- floating point ------------------------------------------------------------

AnsiString FloatToStr(Extended Value) { return FloatToStr(Value, FormatSettings()); }

AnsiString FloatToStr(Extended Value, const TFormatSettings& Settings)
{
    return FloatToStrF(Value, ffGeneral, numbers::DoublePrecision, 0, Settings);
}

AnsiString FloatToStrF(Extended Value, TFloatFormat Format, int Precision, int Digits)
{
    return FloatToStrF(Value, Format, Precision, Digits, FormatSettings());
}

AnsiString FloatToStrF(Extended Value, TFloatFormat Format, int Precision, int Digits,
                       const TFormatSettings& Settings)
{
    if (!std::isfinite(Value))
        return SpecialValueText(Value);
    return numbers::DecimalToStrF(numbers::DoubleToDecimal(Value), Format, Precision, Digits,
                                  numbers::DoublePrecision, Settings);
}

AnsiString FormatFloat(const AnsiString& Format, Extended Value)
{
    return FormatFloat(Format, Value, FormatSettings());
}

AnsiString FormatFloat(const AnsiString& Format, Extended Value, const TFormatSettings& Settings)
{
    if (Format.IsEmpty() || !std::isfinite(Value))
        return FloatToStr(Value, Settings);
    return numbers::FormatDecimal(Format, numbers::DoubleToDecimal(Value),
                                  numbers::DoublePrecision, Settings);
}

bool TryStrToFloat(const AnsiString& S, Extended& Value)
{
    return TryStrToFloat(S, Value, FormatSettings());
}

bool TryStrToFloat(const AnsiString& S, Extended& Value, const TFormatSettings& Settings)
{
    DecimalRec D;
    if (!numbers::ParseDecimal(S, Settings.DecimalSeparator, D))
        return false;
    const double V = numbers::DecimalToDouble(D);
    if (!std::isfinite(V))
        return false;  // overflow
    Value = V;
    return true;
}

Extended StrToFloat(const AnsiString& S) { return StrToFloat(S, FormatSettings()); }

Extended StrToFloat(const AnsiString& S, const TFormatSettings& Settings)
{
    Extended V = 0;
    if (!TryStrToFloat(S, V, Settings))
        RaiseInvalidFloat(S);
    return V;
}

Extended StrToFloatDef(const AnsiString& S, Extended Default)
{
    return StrToFloatDef(S, Default, FormatSettings());
}

Extended StrToFloatDef(const AnsiString& S, Extended Default, const TFormatSettings& Settings)
{
    Extended V = 0;
    return TryStrToFloat(S, V, Settings) ? V : Default;
}

// ---- rounding ------------------------------------------------------------------

Int64 Round(Extended Value)
{
    CheckInt64Range(std::nearbyint(Value));
    // nearbyint rounds half to even in the default rounding mode.
    return static_cast<Int64>(std::nearbyint(Value));
}

Int64 Trunc(Extended Value)
{
    CheckInt64Range(std::trunc(Value));
    return static_cast<Int64>(std::trunc(Value));
}

Extended Frac(Extended Value) { return Value - std::trunc(Value); }

Extended Int(Extended Value) { return std::trunc(Value); }

Extended RoundTo(Extended Value, int Digit)
{
    return RoundDecimalPlaces(Value, Digit, numbers::RoundMode::HalfToEven);
}

Extended SimpleRoundTo(Extended Value, int Digit)
{
    return RoundDecimalPlaces(Value, Digit, numbers::RoundMode::HalfAwayFromZero);
}

int MulDiv(int Number, int Numerator, int Denominator)
{
    if (Denominator == 0)
        return -1;
    Int64 Num = static_cast<Int64>(Number) * Numerator;
    Int64 Den = Denominator;
    if (Den < 0) {
        Num = -Num;
        Den = -Den;
    }
    // Halves away from zero, as the system's MulDiv does.
    Int64 Result = Num / Den;
    const Int64 Rem = Num % Den;
    if (2 * (Rem < 0 ? -Rem : Rem) >= Den)
        Result += Num < 0 ? -1 : 1;
    if (Result > std::numeric_limits<int>::max() || Result < std::numeric_limits<int>::min())
        return -1;
    return static_cast<int>(Result);
}

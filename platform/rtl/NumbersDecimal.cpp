// The decimal core behind the number and money texts (NumbersPrivate.h).

#include "platform/rtl/NumbersPrivate.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace numbers {
namespace {

void StripTrailingZeros(DecimalRec& D)
{
    while (!D.Digits.empty() && D.Digits.back() == '0')
        D.Digits.pop_back();
    if (D.Digits.empty())
        D.Exponent = 0;
}

/// Digit at a position counted from the decimal point: 0 is the first digit
/// after the point, -1 the units digit, and so on; '0' outside the digits.
char DigitAt(const DecimalRec& D, int FromPoint)
{
    const int Index = D.Exponent + FromPoint;
    if (Index < 0 || Index >= static_cast<int>(D.Digits.size()))
        return '0';
    return D.Digits[static_cast<size_t>(Index)];
}

/// Digits before the decimal point; '' when the value is below 1.
std::string IntegerDigits(const DecimalRec& D)
{
    std::string Out;
    for (int I = 0; I < D.Exponent; ++I)
        Out += I < static_cast<int>(D.Digits.size()) ? D.Digits[static_cast<size_t>(I)] : '0';
    return Out;
}

std::string FractionDigits(const DecimalRec& D, int Count)
{
    std::string Out;
    for (int I = 0; I < Count; ++I)
        Out += DigitAt(D, I);
    return Out;
}

/// Digits with ThousandSeparator between groups of three when Group is set.
std::string Grouped(const std::string& Digits, bool Group, char Separator)
{
    if (!Group)
        return Digits;
    std::string Out;
    const size_t N = Digits.size();
    for (size_t I = 0; I < N; ++I) {
        Out += Digits[I];
        const size_t Left = N - 1 - I;
        if (Left > 0 && Left % 3 == 0)
            Out += Separator;
    }
    return Out;
}

std::string PaddedNumber(int Value, int MinDigits)
{
    std::string Out = std::to_string(Value);
    if (static_cast<int>(Out.size()) < MinDigits)
        Out.insert(0, static_cast<size_t>(MinDigits) - Out.size(), '0');
    return Out;
}

/// "d.dddE-x" as ffGeneral writes large and tiny values: no '+' sign on the
/// exponent, at least ExpDigits exponent digits.
std::string GeneralExponent(const DecimalRec& D, int ExpDigits, char DecimalSeparator)
{
    std::string Out;
    if (D.Negative)
        Out += '-';
    Out += D.Digits[0];
    if (D.Digits.size() > 1) {
        Out += DecimalSeparator;
        Out.append(D.Digits, 1, std::string::npos);
    }
    Out += 'E';
    const int Exp = D.Exponent - 1;
    if (Exp < 0)
        Out += '-';
    Out += PaddedNumber(std::abs(Exp), ExpDigits);
    return Out;
}

std::string FormatGeneral(DecimalRec D, int Precision, int ExpDigits, char DecimalSeparator)
{
    RoundDecimal(D, Precision, 9999, RoundMode::HalfAwayFromZero);
    if (D.IsZero())
        return "0";
    if (D.Exponent > Precision || D.Exponent < -3)
        return GeneralExponent(D, ExpDigits, DecimalSeparator);
    std::string Out = D.Negative ? "-" : "";
    const std::string Int = IntegerDigits(D);
    Out += Int.empty() ? "0" : Int;
    const int FracCount = static_cast<int>(D.Digits.size()) - D.Exponent;
    if (FracCount > 0) {
        Out += DecimalSeparator;
        Out += FractionDigits(D, FracCount);
    }
    return Out;
}

std::string FormatExponent(DecimalRec D, int Precision, int ExpDigits, char DecimalSeparator)
{
    RoundDecimal(D, Precision, 9999, RoundMode::HalfAwayFromZero);
    std::string Out = D.Negative && !D.IsZero() ? "-" : "";
    std::string Digits = D.Digits;
    Digits.resize(static_cast<size_t>(Precision), '0');
    Out += Digits[0];
    if (Precision > 1) {
        Out += DecimalSeparator;
        Out.append(Digits, 1, std::string::npos);
    }
    const int Exp = D.IsZero() ? 0 : D.Exponent - 1;
    Out += 'E';
    Out += Exp < 0 ? '-' : '+';
    Out += PaddedNumber(std::abs(Exp), std::min(ExpDigits, 4));
    return Out;
}

/// Unsigned fixed-point text with Digits decimals, grouped when Group is set.
std::string FixedDigits(const DecimalRec& D, int Digits, bool Group,
                        const TFormatSettings& Settings)
{
    std::string Int = IntegerDigits(D);
    if (Int.empty())
        Int = "0";
    std::string Out = Grouped(Int, Group, Settings.ThousandSeparator);
    if (Digits > 0) {
        Out += Settings.DecimalSeparator;
        Out += FractionDigits(D, Digits);
    }
    return Out;
}

/// Places the money sign: CurrencyFormat for positives, NegCurrFormat for
/// negatives, numbered as the runtime numbers them.
std::string PlaceCurrency(const std::string& Number, bool Negative,
                          const TFormatSettings& Settings)
{
    const std::string C = Settings.CurrencyString.Std();
    const std::string& N = Number;
    if (!Negative) {
        switch (Settings.CurrencyFormat) {
        case 0: return C + N;
        case 1: return N + C;
        case 2: return C + " " + N;
        default: return N + " " + C;
        }
    }
    switch (Settings.NegCurrFormat) {
    case 0: return "(" + C + N + ")";
    case 1: return "-" + C + N;
    case 2: return C + "-" + N;
    case 3: return C + N + "-";
    case 4: return "(" + N + C + ")";
    case 5: return "-" + N + C;
    case 6: return N + "-" + C;
    case 7: return N + C + "-";
    case 8: return "-" + N + " " + C;
    case 9: return "-" + C + " " + N;
    case 10: return N + " " + C + "-";
    case 11: return C + " " + N + "-";
    case 12: return C + " -" + N;
    case 13: return N + "- " + C;
    case 14: return "(" + C + " " + N + ")";
    default: return "(" + N + " " + C + ")";
    }
}

}  // namespace

DecimalRec DoubleToDecimal(double Value, int Significant)
{
    DecimalRec D;
    if (Value == 0)
        return D;
    char Buf[64];
    const std::to_chars_result R = std::to_chars(Buf, Buf + sizeof(Buf), Value,
                                                 std::chars_format::scientific, Significant - 1);
    const std::string_view Text(Buf, static_cast<size_t>(R.ptr - Buf));
    size_t I = 0;
    if (Text[I] == '-') {
        D.Negative = true;
        ++I;
    }
    while (I < Text.size() && Text[I] != 'e') {
        if (Text[I] != '.')
            D.Digits += Text[I];
        ++I;
    }
    const int Exp = std::atoi(std::string(Text.substr(I + 1)).c_str());
    D.Exponent = Exp + 1;
    StripTrailingZeros(D);
    return D;
}

DecimalRec CurrencyToDecimal(int64_t Raw)
{
    DecimalRec D;
    if (Raw == 0)
        return D;
    D.Negative = Raw < 0;
    uint64_t Abs = D.Negative ? 0 - static_cast<uint64_t>(Raw) : static_cast<uint64_t>(Raw);
    D.Digits = std::to_string(Abs);
    D.Exponent = static_cast<int>(D.Digits.size()) - 4;
    StripTrailingZeros(D);
    return D;
}

void RoundDecimal(DecimalRec& D, int Precision, int Decimals, RoundMode Mode)
{
    const int Size = static_cast<int>(D.Digits.size());
    const int Keep = std::min(Precision, D.Exponent + std::min(Decimals, 9999));
    if (Keep >= Size)
        return;
    if (Keep < 0) {
        D.Digits.clear();
        D.Exponent = 0;
        return;
    }
    const char Next = D.Digits[static_cast<size_t>(Keep)];
    bool Up = Next >= '5';
    if (Mode == RoundMode::HalfToEven && Next == '5') {
        const bool MoreAfter = D.Digits.find_first_not_of('0', static_cast<size_t>(Keep) + 1)
                               != std::string::npos;
        const bool Odd = Keep > 0 && (D.Digits[static_cast<size_t>(Keep) - 1] - '0') % 2 == 1;
        Up = MoreAfter || Odd;
    }
    D.Digits.resize(static_cast<size_t>(Keep));
    if (Up) {
        int I = Keep - 1;
        while (I >= 0 && D.Digits[static_cast<size_t>(I)] == '9') {
            D.Digits[static_cast<size_t>(I)] = '0';
            --I;
        }
        if (I >= 0) {
            ++D.Digits[static_cast<size_t>(I)];
        } else {
            D.Digits.insert(D.Digits.begin(), '1');
            ++D.Exponent;
        }
    }
    StripTrailingZeros(D);
}

double DecimalToDouble(const DecimalRec& D)
{
    if (D.IsZero())
        return D.Negative ? -0.0 : 0.0;
    const std::string Text = "0." + D.Digits + "e" + std::to_string(D.Exponent);
    double Value = 0;
    const std::from_chars_result R =
        std::from_chars(Text.data(), Text.data() + Text.size(), Value);
    if (R.ec == std::errc::result_out_of_range)
        Value = D.Exponent > 0 ? HUGE_VAL : 0.0;
    return D.Negative ? -Value : Value;
}

AnsiString DecimalToStrF(const DecimalRec& Value, TFloatFormat Format, int Precision, int Digits,
                         int MaxPrecision, const TFormatSettings& Settings)
{
    Precision = std::clamp(Precision, 1, MaxPrecision);
    switch (Format) {
    case ffGeneral:
        return AnsiString(FormatGeneral(Value, Precision, std::clamp(Digits, 0, 4),
                                        Settings.DecimalSeparator));
    case ffExponent:
        return AnsiString(FormatExponent(Value, Precision, std::clamp(Digits, 0, 4),
                                         Settings.DecimalSeparator));
    case ffFixed:
    case ffNumber:
    case ffCurrency:
        break;
    }
    Digits = std::clamp(Digits, 0, 18);
    DecimalRec D = Value;
    RoundDecimal(D, Precision, Digits, RoundMode::HalfAwayFromZero);
    // More integer digits than the precision holds: the general layout with
    // an exponent, as the runtime falls back to.
    if (D.Exponent > Precision)
        return AnsiString(GeneralExponent(D, 0, Settings.DecimalSeparator));
    const bool Negative = D.Negative && !D.IsZero();
    const std::string Number = FixedDigits(D, Digits, Format != ffFixed, Settings);
    if (Format == ffCurrency)
        return AnsiString(PlaceCurrency(Number, Negative, Settings));
    return AnsiString(Negative ? "-" + Number : Number);
}

bool ParseDecimal(const AnsiString& S, char DecimalSeparator, DecimalRec& Out)
{
    const std::string& T = S.Std();
    const size_t N = T.size();
    size_t I = 0;
    while (I < N && T[I] == ' ')
        ++I;
    DecimalRec D;
    if (I < N && (T[I] == '+' || T[I] == '-')) {
        D.Negative = T[I] == '-';
        ++I;
    }
    bool AnyDigit = false;
    bool PointSeen = false;
    int PointShift = 0;  // digits read before the point
    std::string Digits;
    for (; I < N; ++I) {
        const char C = T[I];
        if (C >= '0' && C <= '9') {
            AnyDigit = true;
            if (Digits.empty() && C == '0') {
                if (PointSeen)
                    --PointShift;  // a leading zero after the point
                continue;
            }
            Digits += C;
            if (!PointSeen)
                ++PointShift;
        } else if (C == DecimalSeparator && !PointSeen) {
            PointSeen = true;
        } else {
            break;
        }
    }
    if (!AnyDigit)
        return false;
    long Exp = 0;
    if (I < N && (T[I] == 'E' || T[I] == 'e')) {
        ++I;
        bool ExpNegative = false;
        if (I < N && (T[I] == '+' || T[I] == '-')) {
            ExpNegative = T[I] == '-';
            ++I;
        }
        bool ExpDigit = false;
        for (; I < N && T[I] >= '0' && T[I] <= '9'; ++I) {
            ExpDigit = true;
            if (Exp < 100000)
                Exp = Exp * 10 + (T[I] - '0');
        }
        if (!ExpDigit)
            return false;
        if (ExpNegative)
            Exp = -Exp;
    }
    while (I < N && T[I] == ' ')
        ++I;
    if (I != N)
        return false;
    D.Digits = Digits;
    D.Exponent = static_cast<int>(PointShift + Exp);
    StripTrailingZeros(D);
    Out = D;
    return true;
}

}  // namespace numbers

#include "platform/rtl/Format.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/NumbersPrivate.h"

#include <cstdint>
#include <vector>

namespace {

const char* const SInvalidFormat = "Format '%s' invalid or incompatible with argument";
const char* const SArgumentMissing = "No argument for format '%s'";

/// The error names the format, cut to 31 bytes as the runtime did.
[[noreturn]] void FormatError(const char* Text, const AnsiString& Fmt)
{
    const AnsiString Shown = Fmt.SubString(1, 31);
    AnsiString Message;
    const std::string_view T(Text);
    const size_t At = T.find("%s");
    Message = AnsiString(std::string(T.substr(0, At))) + Shown
            + AnsiString(std::string(T.substr(At + 2)));
    throw EConvertError(Message);
}

/// One "%..." specifier.
struct Directive {
    bool LeftJustify = false;
    int Width = -1;      // -1: none
    int Precision = -1;  // -1: none
    char Type = 0;       // lower case
};

class Formatter {
public:
    Formatter(const AnsiString& Fmt, const std::vector<TVarRec>& Args,
              const TFormatSettings& Settings)
        : FFmt(Fmt), FArgs(Args), FSettings(Settings)
    {
    }

    AnsiString Run()
    {
        const std::string& F = FFmt.Std();
        AnsiString Out;
        size_t I = 0;
        while (I < F.size()) {
            if (F[I] != '%') {
                Out += F[I++];
                continue;
            }
            ++I;
            if (I < F.size() && F[I] == '%') {
                Out += '%';
                ++I;
                continue;
            }
            const Directive S = ReadDirective(F, I);
            Out += Pad(Convert(S), S);
        }
        return Out;
    }

private:
    [[noreturn]] void Invalid() const { FormatError(SInvalidFormat, FFmt); }

    const TVarRec& NextArg()
    {
        if (FNext >= FArgs.size())
            FormatError(SArgumentMissing, FFmt);
        return FArgs[FNext++];
    }

    /// A number, or '*' taking the next argument, which must be an integer.
    int ReadNumber(const std::string& F, size_t& I)
    {
        if (I < F.size() && F[I] == '*') {
            ++I;
            const TVarRec& A = NextArg();
            if (A.VType != vtInteger)
                Invalid();
            return A.VInteger;
        }
        int N = 0;
        bool Any = false;
        while (I < F.size() && F[I] >= '0' && F[I] <= '9') {
            if (N > 100000000)
                Invalid();
            N = N * 10 + (F[I] - '0');
            ++I;
            Any = true;
        }
        return Any ? N : -1;
    }

    Directive ReadDirective(const std::string& F, size_t& I)
    {
        Directive S;
        // An index: digits or '*' followed by ':'.
        {
            size_t J = I;
            if (J < F.size() && F[J] == '*')
                ++J;
            else
                while (J < F.size() && F[J] >= '0' && F[J] <= '9')
                    ++J;
            if (J > I && J < F.size() && F[J] == ':') {
                const int Index = ReadNumber(F, I);
                ++I;  // ':'
                if (Index < 0)
                    Invalid();
                FNext = static_cast<size_t>(Index);
            }
        }
        if (I < F.size() && F[I] == '-') {
            S.LeftJustify = true;
            ++I;
        }
        S.Width = ReadNumber(F, I);
        if (I < F.size() && F[I] == '.') {
            ++I;
            S.Precision = ReadNumber(F, I);
            if (S.Precision < 0)
                S.Precision = 0;
        }
        if (I >= F.size())
            Invalid();
        char T = F[I++];
        if (T >= 'A' && T <= 'Z')
            T = static_cast<char>(T + 32);
        S.Type = T;
        return S;
    }

    AnsiString Pad(const AnsiString& Text, const Directive& S) const
    {
        if (S.Width <= Text.Length())
            return Text;
        const std::string Fill(static_cast<size_t>(S.Width - Text.Length()), ' ');
        return S.LeftJustify ? Text + AnsiString(Fill) : AnsiString(Fill) + Text;
    }

    static AnsiString WithMinDigits(std::string Digits, bool Negative, int Precision)
    {
        if (Precision > 0 && static_cast<int>(Digits.size()) < Precision)
            Digits.insert(0, static_cast<size_t>(Precision) - Digits.size(), '0');
        return AnsiString(Negative ? "-" + Digits : Digits);
    }

    AnsiString Convert(const Directive& S)
    {
        switch (S.Type) {
        case 'd': return Decimal(NextArg(), S, /*Unsigned=*/false);
        case 'u': return Decimal(NextArg(), S, /*Unsigned=*/true);
        case 'x': return Hex(NextArg(), S);
        case 'e': return Float(NextArg(), ffExponent, S, 15, 3);
        case 'f': return Float(NextArg(), ffFixed, S, 2, 0);
        case 'g': return Float(NextArg(), ffGeneral, S, 15, 0);
        case 'n': return Float(NextArg(), ffNumber, S, 2, 0);
        case 'm': return Float(NextArg(), ffCurrency, S, FSettings.CurrencyDecimals, 0);
        case 's': return String(NextArg(), S);
        case 'p': return Pointer(NextArg());
        default: Invalid();
        }
    }

    AnsiString Decimal(const TVarRec& A, const Directive& S, bool Unsigned)
    {
        uint64_t Magnitude = 0;
        bool Negative = false;
        if (A.VType == vtInteger) {
            if (Unsigned)
                Magnitude = static_cast<uint32_t>(A.VInteger);
            else {
                Negative = A.VInteger < 0;
                Magnitude = Negative ? 0 - static_cast<uint64_t>(static_cast<int64_t>(A.VInteger))
                                     : static_cast<uint64_t>(A.VInteger);
            }
        } else if (A.VType == vtInt64) {
            if (Unsigned)
                Magnitude = static_cast<uint64_t>(A.VInt64);
            else {
                Negative = A.VInt64 < 0;
                Magnitude = Negative ? 0 - static_cast<uint64_t>(A.VInt64)
                                     : static_cast<uint64_t>(A.VInt64);
            }
        } else {
            Invalid();
        }
        return WithMinDigits(std::to_string(Magnitude), Negative, S.Precision);
    }

    AnsiString Hex(const TVarRec& A, const Directive& S)
    {
        AnsiString Digits;
        if (A.VType == vtInteger)
            Digits = IntToHex(A.VInteger, 0);
        else if (A.VType == vtInt64)
            Digits = IntToHex(A.VInt64, 0);
        else
            Invalid();
        return WithMinDigits(Digits.Std(), false, S.Precision);
    }

    AnsiString Float(const TVarRec& A, TFloatFormat Kind, const Directive& S, int DefaultPrecision,
                     int ExpDigits)
    {
        int Precision = S.Precision >= 0 ? S.Precision : DefaultPrecision;
        int Digits = ExpDigits;
        // For the fixed layouts the precision is the count of decimals.
        const bool Fixed = Kind == ffFixed || Kind == ffNumber || Kind == ffCurrency;
        if (Fixed) {
            Digits = Precision;
            Precision = 18;
        }
        if (A.VType == vtExtended)
            return FloatToStrF(A.VExtended, Kind, Precision, Digits, FSettings);
        if (A.VType == vtCurrency)
            return numbers::DecimalToStrF(numbers::CurrencyToDecimal(A.VCurrency.Raw()), Kind,
                                          Fixed ? numbers::CurrencyPrecision : Precision, Digits,
                                          numbers::CurrencyPrecision, FSettings);
        Invalid();
    }

    AnsiString String(const TVarRec& A, const Directive& S)
    {
        AnsiString Text;
        switch (A.VType) {
        case vtAnsiString: Text = *A.VAnsiString; break;
        case vtPChar: Text = AnsiString(A.VPChar); break;
        case vtChar: Text = AnsiString(A.VChar); break;
        default: Invalid();
        }
        if (S.Precision >= 0 && S.Precision < Text.Length())
            Text.SetLength(S.Precision);
        return Text;
    }

    AnsiString Pointer(const TVarRec& A)
    {
        const void* P = nullptr;
        switch (A.VType) {
        case vtPointer: P = A.VPointer; break;
        case vtObject: P = A.VObject; break;
        case vtClass: P = A.VClass; break;
        case vtPChar: P = A.VPChar; break;
        default: Invalid();
        }
        return IntToHex(static_cast<Int64>(reinterpret_cast<uintptr_t>(P)), 8);
    }

    const AnsiString& FFmt;
    const std::vector<TVarRec>& FArgs;
    const TFormatSettings& FSettings;
    size_t FNext = 0;
};

}  // namespace

AnsiString Format(const AnsiString& Fmt, TVarRecs Args)
{
    return Format(Fmt, Args, FormatSettings());
}

AnsiString Format(const AnsiString& Fmt, TVarRecs Args, const TFormatSettings& Settings)
{
    const std::vector<TVarRec> List(Args.begin(), Args.end());
    return Formatter(Fmt, List, Settings).Run();
}

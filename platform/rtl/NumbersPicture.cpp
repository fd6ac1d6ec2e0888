// The picture language of FormatFloat and FormatCurr (NumbersPrivate.h).

#include "platform/rtl/NumbersPrivate.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace numbers {
namespace {

bool IsQuote(char C) { return C == '"' || C == '\''; }

/// Index just past the literal that opens at I (the closing quote, or the
/// end of the text when it is missing).
size_t SkipLiteral(const std::string& S, size_t I)
{
    const char Quote = S[I];
    const size_t Close = S.find(Quote, I + 1);
    return Close == std::string::npos ? S.size() : Close + 1;
}

/// The picture split at ';' outside literals; at most three sections.
std::vector<std::string> SplitSections(const std::string& Picture)
{
    std::vector<std::string> Out(1);
    for (size_t I = 0; I < Picture.size();) {
        const char C = Picture[I];
        if (IsQuote(C)) {
            const size_t End = SkipLiteral(Picture, I);
            Out.back().append(Picture, I, End - I);
            I = End;
            continue;
        }
        if (C == ';') {
            if (Out.size() == 3)
                break;
            Out.emplace_back();
        } else {
            Out.back() += C;
        }
        ++I;
    }
    return Out;
}

bool IsExponentAt(const std::string& S, size_t I)
{
    return (S[I] == 'E' || S[I] == 'e') && I + 1 < S.size() && (S[I + 1] == '+' || S[I + 1] == '-');
}

/// What a section asks for, from one pass over it.
struct Section {
    int IntPlaces = 0;       // '0' and '#' before the decimal point
    int IntRequired = 0;     // integer digits always shown (from the first '0')
    int FracPlaces = 0;      // '0' and '#' after the decimal point
    int FracRequired = 0;    // fraction digits always shown (to the last '0')
    bool Thousands = false;
    bool Scientific = false;
    int ExpDigits = 0;
};

Section ScanSection(const std::string& S)
{
    Section Sec;
    bool Point = false;
    int FirstZero = -1;
    for (size_t I = 0; I < S.size();) {
        const char C = S[I];
        if (IsQuote(C)) {
            I = SkipLiteral(S, I);
            continue;
        }
        if (IsExponentAt(S, I)) {
            Sec.Scientific = true;
            I += 2;
            while (I < S.size() && S[I] == '0') {
                ++Sec.ExpDigits;
                ++I;
            }
            Sec.ExpDigits = std::min(Sec.ExpDigits, 4);
            break;  // placeholders past the exponent are not laid out
        }
        if (C == '0' || C == '#') {
            if (!Point) {
                if (C == '0' && FirstZero < 0)
                    FirstZero = Sec.IntPlaces;
                ++Sec.IntPlaces;
            } else {
                ++Sec.FracPlaces;
                if (C == '0')
                    Sec.FracRequired = Sec.FracPlaces;
            }
        } else if (C == '.') {
            Point = true;
        } else if (C == ',') {
            Sec.Thousands = true;
        }
        ++I;
    }
    Sec.IntRequired = FirstZero < 0 ? 0 : Sec.IntPlaces - FirstZero;
    return Sec;
}

/// Lays out one section for an unsigned value. Digits beyond the integer
/// placeholders go to the first one; literals stay where they stand.
std::string Render(const std::string& S, const Section& Sec, DecimalRec D, int MaxPrecision,
                   const TFormatSettings& Settings)
{
    int Exp10 = 0;
    if (Sec.Scientific) {
        RoundDecimal(D, std::clamp(Sec.IntPlaces + Sec.FracPlaces, 1, MaxPrecision), 9999,
                     RoundMode::HalfAwayFromZero);
        if (!D.IsZero()) {
            Exp10 = D.Exponent - Sec.IntPlaces;
            D.Exponent = Sec.IntPlaces;
        }
    } else {
        RoundDecimal(D, MaxPrecision, Sec.FracPlaces, RoundMode::HalfAwayFromZero);
    }
    std::string Int;
    for (int I = 0; I < D.Exponent; ++I)
        Int += I < static_cast<int>(D.Digits.size()) ? D.Digits[static_cast<size_t>(I)] : '0';
    if (static_cast<int>(Int.size()) < Sec.IntRequired)
        Int.insert(0, static_cast<size_t>(Sec.IntRequired) - Int.size(), '0');
    std::string Frac;
    for (int I = 0; I < Sec.FracPlaces; ++I) {
        const int Index = D.Exponent + I;
        Frac += Index >= 0 && Index < static_cast<int>(D.Digits.size())
                    ? D.Digits[static_cast<size_t>(Index)] : '0';
    }
    while (static_cast<int>(Frac.size()) > Sec.FracRequired && Frac.back() == '0')
        Frac.pop_back();

    const int N = static_cast<int>(Int.size());
    std::string Out;
    auto EmitInt = [&](int From, int To) {  // digits [From, To)
        for (int J = From; J < To; ++J) {
            Out += Int[static_cast<size_t>(J)];
            const int Left = N - 1 - J;
            if (Sec.Thousands && Left > 0 && Left % 3 == 0)
                Out += Settings.ThousandSeparator;
        }
    };
    bool Point = false;
    int IntIndex = 0;
    int FracIndex = 0;
    for (size_t I = 0; I < S.size();) {
        const char C = S[I];
        if (IsQuote(C)) {
            const size_t Close = S.find(C, I + 1);
            const size_t Stop = Close == std::string::npos ? S.size() : Close;
            Out.append(S, I + 1, Stop - I - 1);
            I = Stop + 1;
            continue;
        }
        if (IsExponentAt(S, I)) {
            Out += C;
            if (Exp10 < 0)
                Out += '-';
            else if (S[I + 1] == '+')
                Out += '+';
            std::string E = std::to_string(std::abs(Exp10));
            if (static_cast<int>(E.size()) < Sec.ExpDigits)
                E.insert(0, static_cast<size_t>(Sec.ExpDigits) - E.size(), '0');
            Out += E;
            I += 2;
            while (I < S.size() && S[I] == '0')
                ++I;
            // The rest is literal text.
            for (; I < S.size(); ++I)
                if (S[I] != '0' && S[I] != '#' && S[I] != ',' && S[I] != '.' && !IsQuote(S[I]))
                    Out += S[I];
            break;
        }
        if ((C == '0' || C == '#') && !Point) {
            if (IntIndex == 0 && N > Sec.IntPlaces)
                EmitInt(0, N - Sec.IntPlaces + 1);
            else if (const int J = IntIndex - (Sec.IntPlaces - N); J >= 0)
                EmitInt(J, J + 1);
            ++IntIndex;
        } else if (C == '0' || C == '#') {
            if (FracIndex < static_cast<int>(Frac.size()))
                Out += Frac[static_cast<size_t>(FracIndex)];
            ++FracIndex;
        } else if (C == '.') {
            if (!Point) {
                // A picture without integer placeholders still shows the
                // integer digits, before the decimal point.
                if (Sec.IntPlaces == 0)
                    EmitInt(0, N);
                Point = true;
                if (!Frac.empty())
                    Out += Settings.DecimalSeparator;
            }
        } else if (C != ',') {
            Out += C;
        }
        ++I;
    }
    return Out;
}

}  // namespace

AnsiString FormatDecimal(const AnsiString& Format, const DecimalRec& Value, int MaxPrecision,
                         const TFormatSettings& Settings)
{
    const std::vector<std::string> Sections = SplitSections(Format.Std());
    auto Usable = [&](size_t I) { return I < Sections.size() && !Sections[I].empty(); };
    size_t Index = 0;
    if (Value.IsZero() && Usable(2))
        Index = 2;
    else if (Value.Negative && !Value.IsZero() && Usable(1))
        Index = 1;
    const std::string& S = Sections[Index];
    const auto General = [&](const DecimalRec& D) {
        return DecimalToStrF(D, ffGeneral, MaxPrecision, 0, MaxPrecision, Settings);
    };
    // An empty positive section (";0") gives the general layout.
    if (S.empty())
        return General(Value);
    const Section Sec = ScanSection(S);

    DecimalRec Abs = Value;
    Abs.Negative = false;
    // A value too large for the picture's digits: the general layout.
    if (Abs.Exponent > 18)
        return General(Value);

    // A value that rounds to zero is shown by the zero section when there is
    // one; a negative one without it by the first section, so that no minus
    // sign stands before a zero.
    DecimalRec Rounded = Abs;
    RoundDecimal(Rounded, MaxPrecision, Sec.Scientific ? 9999 : Sec.FracPlaces,
                 RoundMode::HalfAwayFromZero);
    if (!Value.IsZero() && Rounded.IsZero() && !Sec.Scientific
        && (Usable(2) || Value.Negative)) {
        const std::string& Zero = Usable(2) ? Sections[2] : Sections[0];
        if (Zero.empty())
            return General(DecimalRec());
        return AnsiString(Render(Zero, ScanSection(Zero), DecimalRec(), MaxPrecision, Settings));
    }
    std::string Out = Render(S, Sec, Abs, MaxPrecision, Settings);
    if (Index == 0 && Value.Negative && !Value.IsZero())
        Out.insert(Out.begin(), '-');
    return AnsiString(Out);
}

}  // namespace numbers

#include "platform/rtl/StrUtils.h"

#include <algorithm>

namespace {

// ---- collation ----------------------------------------------------------------

/// Weights of one byte for the linguistic compare: Primary orders letters
/// and signs, Secondary tells Ё from Е, Tertiary tells upper from lower case.
struct Weight {
    uint16_t Primary = 0;
    uint8_t Secondary = 0;
    uint8_t Tertiary = 0;
};

struct CollationTable {
    Weight W[256];
};

// Cyrillic capitals in alphabet order. Ё shares Е's primary weight.
constexpr unsigned char CyrillicOrder[] = {
    0xC0, 0xC1, 0xC2, 0xC3, 0xA5 /*Ґ*/, 0xC4, 0xC5, 0xAA /*Є*/, 0xC6, 0xC7, 0xC8,
    0xB2 /*І*/, 0xAF /*Ї*/, 0xC9, 0xCA, 0xCB, 0xCC, 0xCD, 0xCE, 0xCF, 0xD0, 0xD1,
    0xD2, 0xD3, 0xA1 /*Ў*/, 0xD4, 0xD5, 0xD6, 0xD7, 0xD8, 0xD9, 0xDA, 0xDB, 0xDC,
    0xDD, 0xDE, 0xDF,
    // The remaining letters of other Cyrillic alphabets, in byte order.
    0x80, 0x81, 0x8A, 0x8C, 0x8D, 0x8E, 0x8F, 0xA3, 0xBD,
};
constexpr unsigned char CapitalYo = 0xA8;
constexpr unsigned char CapitalYe = 0xC5;

CollationTable MakeCollation()
{
    CollationTable T {};
    uint16_t Next = 1;
    // Signs and control characters first, in byte order.
    for (int B = 0; B < 256; ++B) {
        const bool Digit = B >= '0' && B <= '9';
        if (!Digit && !cp1251::IsLetter(static_cast<unsigned char>(B)))
            T.W[B].Primary = Next++;
    }
    for (int B = '0'; B <= '9'; ++B)
        T.W[B].Primary = Next++;
    auto SetLetter = [&T](unsigned char Upper, uint16_t Primary, uint8_t Secondary) {
        const unsigned char Lower = cp1251::ToLower(Upper);
        T.W[Upper] = Weight {Primary, Secondary, 1};
        T.W[Lower] = Weight {Primary, Secondary, 0};
    };
    for (int B = 'A'; B <= 'Z'; ++B)
        SetLetter(static_cast<unsigned char>(B), Next++, 0);
    for (unsigned char B : CyrillicOrder)
        SetLetter(B, Next++, 0);
    SetLetter(CapitalYo, T.W[CapitalYe].Primary, 1);
    return T;
}

const CollationTable& Collation()
{
    static const CollationTable Table = MakeCollation();
    return Table;
}

/// Compares the texts level by level: all primary weights first, then the
/// secondary ones, then (when WithCase) case.
int CompareLinguistic(const AnsiString& S1, const AnsiString& S2, bool WithCase)
{
    const CollationTable& T = Collation();
    const int Len1 = S1.Length();
    const int Len2 = S2.Length();
    const int Common = std::min(Len1, Len2);
    auto W1 = [&](int I) { return T.W[static_cast<unsigned char>(S1[I])]; };
    auto W2 = [&](int I) { return T.W[static_cast<unsigned char>(S2[I])]; };
    for (int I = 1; I <= Common; ++I)
        if (W1(I).Primary != W2(I).Primary)
            return W1(I).Primary < W2(I).Primary ? -1 : 1;
    if (Len1 != Len2)
        return Len1 < Len2 ? -1 : 1;
    for (int I = 1; I <= Common; ++I)
        if (W1(I).Secondary != W2(I).Secondary)
            return W1(I).Secondary < W2(I).Secondary ? -1 : 1;
    if (!WithCase)
        return 0;
    for (int I = 1; I <= Common; ++I)
        if (W1(I).Tertiary != W2(I).Tertiary)
            return W1(I).Tertiary < W2(I).Tertiary ? -1 : 1;
    return 0;
}

char AsciiUpper(char C) { return C >= 'a' && C <= 'z' ? static_cast<char>(C - 32) : C; }
char AsciiLower(char C) { return C >= 'A' && C <= 'Z' ? static_cast<char>(C + 32) : C; }

template <class Map>
AnsiString MapBytes(const AnsiString& S, Map M)
{
    AnsiString Out = S;
    for (char& C : Out.Std())
        C = M(C);
    return Out;
}

bool IsBlank(char C) { return static_cast<unsigned char>(C) <= ' '; }

}  // namespace

// ---- case ----------------------------------------------------------------------

AnsiString AnsiUpperCase(const AnsiString& S)
{
    return MapBytes(S, [](char C) {
        return static_cast<char>(cp1251::ToUpper(static_cast<unsigned char>(C)));
    });
}

AnsiString AnsiLowerCase(const AnsiString& S)
{
    return MapBytes(S, [](char C) {
        return static_cast<char>(cp1251::ToLower(static_cast<unsigned char>(C)));
    });
}

AnsiString UpperCase(const AnsiString& S) { return MapBytes(S, AsciiUpper); }
AnsiString LowerCase(const AnsiString& S) { return MapBytes(S, AsciiLower); }

// ---- comparison ----------------------------------------------------------------

int AnsiCompareText(const AnsiString& S1, const AnsiString& S2)
{
    return CompareLinguistic(S1, S2, /*WithCase=*/false);
}

bool AnsiSameText(const AnsiString& S1, const AnsiString& S2)
{
    return S1.Length() == S2.Length() && AnsiCompareText(S1, S2) == 0;
}

int AnsiCompareStr(const AnsiString& S1, const AnsiString& S2)
{
    return CompareLinguistic(S1, S2, /*WithCase=*/true);
}

bool AnsiSameStr(const AnsiString& S1, const AnsiString& S2) { return S1 == S2; }

int CompareText(const AnsiString& S1, const AnsiString& S2)
{
    const int Common = std::min(S1.Length(), S2.Length());
    for (int I = 1; I <= Common; ++I) {
        const int C1 = static_cast<unsigned char>(AsciiUpper(S1[I]));
        const int C2 = static_cast<unsigned char>(AsciiUpper(S2[I]));
        if (C1 != C2)
            return C1 - C2;
    }
    return S1.Length() - S2.Length();
}

bool SameText(const AnsiString& S1, const AnsiString& S2)
{
    return S1.Length() == S2.Length() && CompareText(S1, S2) == 0;
}

int CompareStr(const AnsiString& S1, const AnsiString& S2)
{
    const int Common = std::min(S1.Length(), S2.Length());
    for (int I = 1; I <= Common; ++I) {
        const int C1 = static_cast<unsigned char>(S1[I]);
        const int C2 = static_cast<unsigned char>(S2[I]);
        if (C1 != C2)
            return C1 - C2;
    }
    return S1.Length() - S2.Length();
}

// ---- trimming and padding ------------------------------------------------------

AnsiString Trim(const AnsiString& S)
{
    int First = 1;
    int Last = S.Length();
    while (First <= Last && IsBlank(S[First]))
        ++First;
    while (Last >= First && IsBlank(S[Last]))
        --Last;
    return S.SubString(First, Last - First + 1);
}

AnsiString TrimLeft(const AnsiString& S)
{
    int First = 1;
    while (First <= S.Length() && IsBlank(S[First]))
        ++First;
    return S.SubString(First, S.Length() - First + 1);
}

AnsiString TrimRight(const AnsiString& S)
{
    int Last = S.Length();
    while (Last >= 1 && IsBlank(S[Last]))
        --Last;
    return S.SubString(1, Last);
}

AnsiString StringOfChar(char Ch, int Count)
{
    return Count > 0 ? AnsiString(std::string(static_cast<size_t>(Count), Ch)) : AnsiString();
}

// ---- positions -------------------------------------------------------------------

int Pos(const AnsiString& Substr, const AnsiString& S) { return S.Pos(Substr); }

AnsiString Copy(const AnsiString& S, int Index, int Count)
{
    return S.SubString(Index, Count);
}

void Delete(AnsiString& S, int Index, int Count)
{
    if (Index < 1 || Index > S.Length() || Count <= 0)
        return;
    const int Avail = S.Length() - Index + 1;
    S.Std().erase(static_cast<size_t>(Index - 1), static_cast<size_t>(std::min(Count, Avail)));
}

void Insert(const AnsiString& Source, AnsiString& S, int Index)
{
    if (Source.IsEmpty())
        return;
    const int At = std::clamp(Index, 1, S.Length() + 1);
    S.Std().insert(static_cast<size_t>(At - 1), Source.Std());
}

int LastDelimiter(const AnsiString& Delimiters, const AnsiString& S)
{
    const TCharSet Set = TCharSet::Of(Delimiters);
    for (int I = S.Length(); I >= 1; --I)
        if (Set.Contains(S[I]))
            return I;
    return 0;
}

// ---- quoting ---------------------------------------------------------------------

AnsiString QuotedStr(const AnsiString& S) { return AnsiQuotedStr(S, '\''); }

AnsiString AnsiQuotedStr(const AnsiString& S, char Quote)
{
    AnsiString Out(Quote);
    for (int I = 1; I <= S.Length(); ++I) {
        if (S[I] == Quote)
            Out += Quote;
        Out += S[I];
    }
    Out += Quote;
    return Out;
}

AnsiString AnsiExtractQuotedStr(const AnsiString& Src, int& Pos, char Quote)
{
    if (Pos < 1 || Pos > Src.Length() || Src[Pos] != Quote)
        return AnsiString();
    AnsiString Out;
    int I = Pos + 1;
    while (I <= Src.Length()) {
        if (Src[I] == Quote) {
            if (I < Src.Length() && Src[I + 1] == Quote) {
                Out += Quote;
                I += 2;
                continue;
            }
            ++I;  // past the closing quote
            break;
        }
        Out += Src[I];
        ++I;
    }
    Pos = I;
    return Out;
}

AnsiString AnsiDequotedStr(const AnsiString& S, char Quote)
{
    int P = 1;
    const AnsiString Out = AnsiExtractQuotedStr(S, P, Quote);
    // A text that is empty or ran to the end unquotes only when it is
    // quoted at both ends: "" gives '', an unclosed "abc stays as it is.
    const bool QuotedBothEnds = !S.IsEmpty() && S[1] == Quote && S[S.Length()] == Quote;
    if ((Out.IsEmpty() || P > S.Length()) && !QuotedBothEnds)
        return S;
    return Out;
}

// ---- replacing -------------------------------------------------------------------

AnsiString StringReplace(const AnsiString& S, const AnsiString& OldPattern,
                         const AnsiString& NewPattern, TReplaceFlags Flags)
{
    if (OldPattern.IsEmpty())
        return S;
    const bool IgnoreCase = Flags.Contains(rfIgnoreCase);
    const AnsiString SearchIn = IgnoreCase ? AnsiUpperCase(S) : S;
    const AnsiString Pattern = IgnoreCase ? AnsiUpperCase(OldPattern) : OldPattern;
    const std::string& Hay = SearchIn.Std();
    AnsiString Out;
    size_t From = 0;
    while (From <= Hay.size()) {
        const size_t At = Hay.find(Pattern.Std(), From);
        if (At == std::string::npos)
            break;
        Out.Std().append(S.Std(), From, At - From);
        Out += NewPattern;
        From = At + Pattern.Std().size();
        if (!Flags.Contains(rfReplaceAll))
            break;
    }
    if (From < S.Std().size())
        Out.Std().append(S.Std(), From, std::string::npos);
    return Out;
}

#pragma once

// The runtime's string routines on CP1251 text: case mapping and comparison
// (the Ansi* forms follow the CP1251 table, the plain forms touch ASCII
// only), trimming, 1-based Pos/Copy/Delete/Insert with the runtime's
// clamping, quoting, search and replace, and a set of characters.

#include "platform/rtl/AnsiString.h"

#include <cstdint>
#include <initializer_list>

// ---- case --------------------------------------------------------------------

/// Every letter by the CP1251 table (Latin, Cyrillic, Ё/ё, the 0x80..0xBF pairs).
[[nodiscard]] AnsiString AnsiUpperCase(const AnsiString& S);
[[nodiscard]] AnsiString AnsiLowerCase(const AnsiString& S);
/// Only 'a'..'z' / 'A'..'Z' change.
[[nodiscard]] AnsiString UpperCase(const AnsiString& S);
[[nodiscard]] AnsiString LowerCase(const AnsiString& S);

// ---- comparison --------------------------------------------------------------
// The Ansi* compares are linguistic, an approximation of the Russian
// collation of the original system: punctuation and other signs (in byte
// order) sort before digits, digits before Latin letters, Latin before
// Cyrillic letters; Ё/ё sort as Е/е and come right after them only when the
// texts are otherwise equal; Ґ follows Г, Є follows Е, І and Ї follow И, Ў
// follows У, the other letters of 0x80..0xBF follow Я. Case counts only when
// the texts are otherwise equal (lower before upper). Results are <0, 0, >0.

/// Ignoring case.
[[nodiscard]] int AnsiCompareText(const AnsiString& S1, const AnsiString& S2);
[[nodiscard]] bool AnsiSameText(const AnsiString& S1, const AnsiString& S2);
/// With case.
[[nodiscard]] int AnsiCompareStr(const AnsiString& S1, const AnsiString& S2);
[[nodiscard]] bool AnsiSameStr(const AnsiString& S1, const AnsiString& S2);
/// Byte order after mapping 'a'..'z' to upper case; other bytes as they are.
[[nodiscard]] int CompareText(const AnsiString& S1, const AnsiString& S2);
[[nodiscard]] bool SameText(const AnsiString& S1, const AnsiString& S2);
/// Plain byte order (unsigned bytes).
[[nodiscard]] int CompareStr(const AnsiString& S1, const AnsiString& S2);

// ---- trimming and padding ----------------------------------------------------

/// Without leading and trailing bytes <= ' ' (control characters included).
[[nodiscard]] AnsiString Trim(const AnsiString& S);
[[nodiscard]] AnsiString TrimLeft(const AnsiString& S);
[[nodiscard]] AnsiString TrimRight(const AnsiString& S);
/// Count copies of Ch; '' when Count <= 0.
[[nodiscard]] AnsiString StringOfChar(char Ch, int Count);

// ---- positions (1-based) -----------------------------------------------------

/// Position of the first Substr in S; 0 when absent or Substr is empty.
[[nodiscard]] int Pos(const AnsiString& Substr, const AnsiString& S);
/// Count bytes from Index; an Index below 1 counts from 1, past the end gives
/// '', a Count past the end is cut, Count <= 0 gives ''.
[[nodiscard]] AnsiString Copy(const AnsiString& S, int Index, int Count);
/// Removes Count bytes from Index; nothing when Index is outside 1..Length
/// or Count <= 0; a Count past the end is cut.
void Delete(AnsiString& S, int Index, int Count);
/// Inserts Source before Index; an Index below 1 inserts at the front, past
/// the end appends.
void Insert(const AnsiString& Source, AnsiString& S, int Index);
/// Position of the last byte of S that occurs in Delimiters; 0 when none.
[[nodiscard]] int LastDelimiter(const AnsiString& Delimiters, const AnsiString& S);

// ---- quoting -----------------------------------------------------------------

/// S in single quotes, inner single quotes doubled.
[[nodiscard]] AnsiString QuotedStr(const AnsiString& S);
/// S in Quote characters, inner Quote characters doubled.
[[nodiscard]] AnsiString AnsiQuotedStr(const AnsiString& S, char Quote);
/// Reads a quoted text starting at byte Pos (1-based) of Src: the text
/// between the opening Quote and the closing one, doubled quotes made single.
/// Pos moves past the closing quote, or to Length + 1 when it is missing (the
/// rest is taken). '' and Pos unchanged when Src[Pos] is not Quote.
[[nodiscard]] AnsiString AnsiExtractQuotedStr(const AnsiString& Src, int& Pos, char Quote);
/// The text of the quoted string at the start of S (as AnsiExtractQuotedStr);
/// S itself when it does not start with Quote, or when the quoted text is
/// empty or unclosed while S does not also end with Quote. "" gives ''.
[[nodiscard]] AnsiString AnsiDequotedStr(const AnsiString& S, char Quote);

// ---- replacing ---------------------------------------------------------------

enum TReplaceFlag { rfReplaceAll = 1, rfIgnoreCase = 2 };
/// A set of TReplaceFlag values: `rfReplaceAll | rfIgnoreCase`, or {} for none.
class TReplaceFlags {
public:
    constexpr TReplaceFlags() = default;
    constexpr TReplaceFlags(TReplaceFlag F) : FBits(F) {}
    constexpr bool Contains(TReplaceFlag F) const { return (FBits & F) != 0; }
    friend constexpr TReplaceFlags operator|(TReplaceFlags L, TReplaceFlags R)
    {
        TReplaceFlags Out;
        Out.FBits = L.FBits | R.FBits;
        return Out;
    }

private:
    int FBits = 0;
};

constexpr TReplaceFlags operator|(TReplaceFlag L, TReplaceFlag R)
{
    return TReplaceFlags(L) | TReplaceFlags(R);
}

/// S with the first (or every, with rfReplaceAll) OldPattern replaced by
/// NewPattern, scanning left to right without rescanning replaced text;
/// rfIgnoreCase matches by the CP1251 case table. An empty OldPattern
/// changes nothing.
[[nodiscard]] AnsiString StringReplace(const AnsiString& S, const AnsiString& OldPattern,
                                       const AnsiString& NewPattern, TReplaceFlags Flags);

// ---- character sets ----------------------------------------------------------

/// A set of bytes (the runtime's `set of Char`): TCharSet{'+', '-'},
/// TCharSet::Range('0', '9'), joined with + and cut with -.
class TCharSet {
public:
    constexpr TCharSet() = default;
    /// The set of the listed characters.
    constexpr TCharSet(std::initializer_list<char> Chars)
    {
        for (char C : Chars)
            Include(C);
    }
    /// Every byte from Lo to Hi inclusive (as unsigned bytes).
    static constexpr TCharSet Range(char Lo, char Hi)
    {
        TCharSet Out;
        for (int B = static_cast<unsigned char>(Lo); B <= static_cast<unsigned char>(Hi); ++B)
            Out.Include(static_cast<char>(B));
        return Out;
    }
    /// Every byte of S.
    static TCharSet Of(const AnsiString& S)
    {
        TCharSet Out;
        for (int I = 1; I <= S.Length(); ++I)
            Out.Include(S[I]);
        return Out;
    }

    constexpr bool Contains(char C) const
    {
        const unsigned B = static_cast<unsigned char>(C);
        return (FBits[B / 64] >> (B % 64)) & 1;
    }
    constexpr TCharSet& Include(char C)
    {
        const unsigned B = static_cast<unsigned char>(C);
        FBits[B / 64] |= uint64_t(1) << (B % 64);
        return *this;
    }
    constexpr TCharSet& Exclude(char C)
    {
        const unsigned B = static_cast<unsigned char>(C);
        FBits[B / 64] &= ~(uint64_t(1) << (B % 64));
        return *this;
    }
    constexpr bool IsEmpty() const { return (FBits[0] | FBits[1] | FBits[2] | FBits[3]) == 0; }

    /// Union, difference and intersection.
    friend constexpr TCharSet operator+(TCharSet L, const TCharSet& R)
    {
        for (int I = 0; I < 4; ++I)
            L.FBits[I] |= R.FBits[I];
        return L;
    }
    friend constexpr TCharSet operator-(TCharSet L, const TCharSet& R)
    {
        for (int I = 0; I < 4; ++I)
            L.FBits[I] &= ~R.FBits[I];
        return L;
    }
    friend constexpr TCharSet operator*(TCharSet L, const TCharSet& R)
    {
        for (int I = 0; I < 4; ++I)
            L.FBits[I] &= R.FBits[I];
        return L;
    }
    friend constexpr bool operator==(const TCharSet&, const TCharSet&) = default;

private:
    uint64_t FBits[4] = {0, 0, 0, 0};
};

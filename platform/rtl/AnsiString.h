#pragma once

// AnsiString: the program's text, a byte string in code page 1251. Lengths
// and positions are bytes; positions are 1-based as in the rest of the
// program (S[1] is the first byte, Pos gives 0 for "not found").
//
// A plain `const char*` is taken as bytes as they stand, so it must be ASCII
// or already CP1251. Russian literals in the sources (UTF-8) go through the
// `_a` literal, which converts them to CP1251 at compile time:
//     const AnsiString Msg = "Ошибка загрузки: "_a + Reason;

#include "platform/rtl/Cp1251.h"

#include <compare>
#include <cstddef>
#include <iosfwd>
#include <string>
#include <string_view>

class AnsiString {
public:
    AnsiString() = default;
    AnsiString(const char* S) : FData(S ? S : "") {}
    /// The first Len bytes at S; '' for a Len of 0 or below.
    AnsiString(const char* S, int Len) : FData(S, Len > 0 ? static_cast<size_t>(Len) : 0) {}
    AnsiString(std::string S) : FData(std::move(S)) {}
    AnsiString(std::string_view S) : FData(S) {}
    /// A string of one byte.
    explicit AnsiString(char C) : FData(1, C) {}

    /// CP1251 text of UTF-8 text; characters the code page lacks become '?'.
    static AnsiString FromUtf8(std::string_view Utf8) { return AnsiString(cp1251::FromUtf8(Utf8)); }
    /// UTF-8 text of this string, for Qt, file names and the terminal.
    std::string ToUtf8() const { return cp1251::ToUtf8(FData); }

    int Length() const { return static_cast<int>(FData.size()); }
    bool IsEmpty() const { return FData.empty(); }
    const char* c_str() const { return FData.c_str(); }
    const char* Data() const { return FData.data(); }
    char* Data() { return FData.data(); }
    /// Grows with zero bytes or cuts at the end.
    void SetLength(int NewLength) { FData.resize(NewLength > 0 ? size_t(NewLength) : 0); }

    /// 1-based byte access; I must lie in 1..Length().
    char operator[](int I) const { return FData[static_cast<size_t>(I - 1)]; }
    char& operator[](int I) { return FData[static_cast<size_t>(I - 1)]; }

    /// Count bytes from 1-based Index, clamped to the string like Copy: an
    /// Index below 1 counts from 1, a range past the end is cut.
    AnsiString SubString(int Index, int Count) const;
    /// 1-based position of the first occurrence of Sub; 0 when absent or
    /// when Sub is empty.
    int Pos(const AnsiString& Sub) const;

    AnsiString& operator+=(const AnsiString& S) { FData += S.FData; return *this; }
    AnsiString& operator+=(const char* S) { FData += S; return *this; }
    AnsiString& operator+=(char C) { FData += C; return *this; }

    friend AnsiString operator+(AnsiString L, const AnsiString& R) { return L += R; }
    friend AnsiString operator+(AnsiString L, const char* R) { return L += R; }
    friend AnsiString operator+(const char* L, const AnsiString& R) { return AnsiString(L) += R; }
    friend AnsiString operator+(AnsiString L, char R) { return L += R; }
    friend AnsiString operator+(char L, const AnsiString& R) { return AnsiString(L) += R; }

    /// Byte-wise comparison (the runtime's case-sensitive compare).
    friend bool operator==(const AnsiString& L, const AnsiString& R) = default;
    friend std::strong_ordering operator<=>(const AnsiString& L, const AnsiString& R)
    {
        const int C = L.FData.compare(R.FData);
        return C < 0 ? std::strong_ordering::less
             : C > 0 ? std::strong_ordering::greater : std::strong_ordering::equal;
    }
    friend bool operator==(const AnsiString& L, const char* R) { return L.FData == R; }

    const std::string& Std() const { return FData; }
    std::string& Std() { return FData; }
    std::string_view View() const { return FData; }

private:
    std::string FData;
};

/// Prints the text as UTF-8 in quotes (test failure messages).
std::ostream& operator<<(std::ostream& Out, const AnsiString& S);
/// GoogleTest's printer uses this when present.
void PrintTo(const AnsiString& S, std::ostream* Out);

template <>
struct std::hash<AnsiString> {
    size_t operator()(const AnsiString& S) const noexcept { return std::hash<std::string>()(S.Std()); }
};

/// The CP1251 bytes of a UTF-8 source literal, computed by the compiler.
template <cp1251::Utf8Literal L>
inline constexpr auto Cp1251Bytes = cp1251::Convert(L);

/// "Текст"_a: a UTF-8 source literal as a CP1251 AnsiString, converted by the
/// compiler. The string is built once per literal and shared.
template <cp1251::Utf8Literal L>
const AnsiString& operator""_a()
{
    static const AnsiString Value(Cp1251Bytes<L>.Bytes, static_cast<int>(Cp1251Bytes<L>.Length));
    return Value;
}

/// The same literal as a NUL-terminated CP1251 C string with static storage,
/// for constant tables: `static constexpr const char* Names[] = {"Пн"_c, ...}`
template <cp1251::Utf8Literal L>
constexpr const char* operator""_c()
{
    return Cp1251Bytes<L>.Bytes;
}

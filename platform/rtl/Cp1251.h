#pragma once

// The Windows Cyrillic code page (1251): the table of the upper 128 bytes,
// conversion to and from UTF-8 at the edges of the program, case mapping,
// and the compile-time helper that turns UTF-8 source literals into CP1251.
// Byte 0x98 has no character in the code page; it maps to U+0098 so that
// every byte survives a round trip.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace cp1251 {

/// Unicode code points of bytes 0x80..0xFF.
inline constexpr char16_t HighHalf[128] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 0x80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 0x88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 0x90
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 0x98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // 0xA0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // 0xA8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // 0xB0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // 0xB8
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,  // 0xC0
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,  // 0xC8
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,  // 0xD0
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,  // 0xD8
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,  // 0xE0
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,  // 0xE8
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,  // 0xF0
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,  // 0xF8
};

/// Code point of one CP1251 byte.
constexpr char32_t ToUnicode(unsigned char B)
{
    return B < 0x80 ? char32_t(B) : char32_t(HighHalf[B - 0x80]);
}

/// CP1251 byte of a code point; -1 when the code page has no such character.
constexpr int FromUnicode(char32_t C)
{
    if (C < 0x80)
        return int(C);
    for (int I = 0; I < 128; ++I)
        if (HighHalf[I] == C)
            return 0x80 + I;
    return -1;
}

/// Upper and lower case of a byte by the CP1251 table (Cyrillic, Ё/ё and the
/// 0x80..0xBF letter pairs); other bytes are returned unchanged.
unsigned char ToUpper(unsigned char B);
unsigned char ToLower(unsigned char B);
/// True for the bytes that are letters in CP1251 (Latin and Cyrillic).
bool IsLetter(unsigned char B);

/// UTF-8 text of CP1251 bytes.
std::string ToUtf8(std::string_view Bytes);
/// CP1251 bytes of UTF-8 text. A character the code page lacks, and any
/// malformed UTF-8 sequence, becomes `Replacement` (dropped when it is 0).
std::string FromUtf8(std::string_view Utf8, char Replacement = '?');

/// The UTF-8 character that starts at byte I of S: C is its code point and
/// I moves past it. False for a malformed sequence: I then moves past a bad
/// lead byte, or stops at the byte that broke the sequence.
constexpr bool NextUtf8(std::string_view S, size_t& I, char32_t& C)
{
    const unsigned char B = static_cast<unsigned char>(S[I]);
    int More = 0;
    if (B < 0x80) {
        C = B;
    } else if ((B & 0xE0) == 0xC0) {
        C = B & 0x1F;
        More = 1;
    } else if ((B & 0xF0) == 0xE0) {
        C = B & 0x0F;
        More = 2;
    } else if ((B & 0xF8) == 0xF0) {
        C = B & 0x07;
        More = 3;
    } else {
        ++I;
        return false;
    }
    ++I;
    for (int K = 0; K < More; ++K, ++I) {
        if (I >= S.size() || (static_cast<unsigned char>(S[I]) & 0xC0) != 0x80)
            return false;
        C = (C << 6) | (static_cast<unsigned char>(S[I]) & 0x3F);
    }
    return true;
}

// ---- compile-time literals -------------------------------------------------

/// A UTF-8 string literal as a template argument.
template <size_t N>
struct Utf8Literal {
    char Bytes[N] {};
    constexpr Utf8Literal(const char (&S)[N])
    {
        for (size_t I = 0; I < N; ++I)
            Bytes[I] = S[I];
    }
};

/// The CP1251 bytes of a literal, computed by the compiler. A character that
/// is not in the code page or malformed UTF-8 stops the compilation.
template <size_t N>
struct Converted {
    char Bytes[N] {};
    size_t Length = 0;
};

template <size_t N>
consteval Converted<N> Convert(const Utf8Literal<N>& L)
{
    Converted<N> Out;
    const std::string_view Text(L.Bytes, N - 1);  // without the terminating zero
    size_t I = 0;
    while (I < Text.size()) {
        char32_t C = 0;
        if (!NextUtf8(Text, I, C))
            throw "malformed UTF-8 in a literal";
        const int Byte = FromUnicode(C);
        if (Byte < 0)
            throw "character not in code page 1251";
        Out.Bytes[Out.Length++] = static_cast<char>(Byte);
    }
    return Out;
}

}  // namespace cp1251

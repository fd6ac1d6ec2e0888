#include "platform/rtl/Cp1251.h"

namespace cp1251 {
namespace {

struct CaseTables {
    unsigned char Upper[256];
    unsigned char Lower[256];
    bool Letter[256];
};

// Pairs of (upper, lower) outside A..Z and А..Я.
constexpr unsigned char ExtraPairs[][2] = {
    {0x80, 0x90}, {0x81, 0x83}, {0x8A, 0x9A}, {0x8C, 0x9C}, {0x8D, 0x9D},
    {0x8E, 0x9E}, {0x8F, 0x9F}, {0xA1, 0xA2}, {0xA3, 0xBC}, {0xA5, 0xB4},
    {0xA8, 0xB8}, {0xAA, 0xBA}, {0xAF, 0xBF}, {0xB2, 0xB3}, {0xBD, 0xBE},
};

constexpr CaseTables MakeTables()
{
    CaseTables T {};
    for (int I = 0; I < 256; ++I) {
        T.Upper[I] = static_cast<unsigned char>(I);
        T.Lower[I] = static_cast<unsigned char>(I);
        T.Letter[I] = false;
    }
    auto Pair = [&T](int Up, int Lo) {
        T.Upper[Lo] = static_cast<unsigned char>(Up);
        T.Lower[Up] = static_cast<unsigned char>(Lo);
        T.Letter[Up] = T.Letter[Lo] = true;
    };
    for (int I = 'A'; I <= 'Z'; ++I)
        Pair(I, I + 32);
    for (int I = 0xC0; I <= 0xDF; ++I)
        Pair(I, I + 32);
    for (const auto& P : ExtraPairs)
        Pair(P[0], P[1]);
    return T;
}

constexpr CaseTables Tables = MakeTables();

}  // namespace

unsigned char ToUpper(unsigned char B) { return Tables.Upper[B]; }
unsigned char ToLower(unsigned char B) { return Tables.Lower[B]; }
bool IsLetter(unsigned char B) { return Tables.Letter[B]; }

std::string ToUtf8(std::string_view Bytes)
{
    std::string Out;
    Out.reserve(Bytes.size() * 2);
    for (char Ch : Bytes) {
        const char32_t C = ToUnicode(static_cast<unsigned char>(Ch));
        if (C < 0x80) {
            Out += static_cast<char>(C);
        } else if (C < 0x800) {
            Out += static_cast<char>(0xC0 | (C >> 6));
            Out += static_cast<char>(0x80 | (C & 0x3F));
        } else {
            Out += static_cast<char>(0xE0 | (C >> 12));
            Out += static_cast<char>(0x80 | ((C >> 6) & 0x3F));
            Out += static_cast<char>(0x80 | (C & 0x3F));
        }
    }
    return Out;
}

namespace {

struct ReverseTable {
    // Index: code point - 0x80 for the range used by the code page's
    // Cyrillic block and punctuation; built once.
    int16_t Byte[0x2200 - 0x80];
};

constexpr ReverseTable MakeReverse()
{
    ReverseTable R {};
    for (auto& B : R.Byte)
        B = -1;
    for (int I = 0; I < 128; ++I) {
        const char32_t C = HighHalf[I];
        if (C >= 0x80 && C < 0x2200)
            R.Byte[C - 0x80] = static_cast<int16_t>(0x80 + I);
    }
    return R;
}

constexpr ReverseTable Reverse = MakeReverse();

int ByteOf(char32_t C)
{
    if (C < 0x80)
        return int(C);
    if (C < 0x2200)
        return Reverse.Byte[C - 0x80];
    return -1;
}

}  // namespace

std::string FromUtf8(std::string_view Utf8, char Replacement)
{
    std::string Out;
    Out.reserve(Utf8.size());
    size_t I = 0;
    const size_t N = Utf8.size();
    auto Put = [&](int B) {
        if (B >= 0)
            Out += static_cast<char>(B);
        else if (Replacement)
            Out += Replacement;
    };
    while (I < N) {
        char32_t C = 0;
        Put(NextUtf8(Utf8, I, C) ? ByteOf(C) : -1);
    }
    return Out;
}

}  // namespace cp1251

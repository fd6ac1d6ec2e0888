#pragma once

// Hand assembly of binary template bytes for reader tests, from the
// format's tables and independent of the program's writer: a string is
// byte 6 and a one-byte length (12 and four bytes when longer), integers
// are four bytes little-endian, Booleans FF or 00, a tagged value is its
// tag byte and the value.

#include "platform/rtl/AnsiString.h"

#include <cstdint>
#include <string>

namespace tpl {

inline std::string Int(int32_t V)
{
    const auto U = static_cast<uint32_t>(V);
    return {char(U & 0xFF), char(U >> 8 & 0xFF), char(U >> 16 & 0xFF), char(U >> 24 & 0xFF)};
}

inline std::string Str(const AnsiString& Text)
{
    const std::string& B = Text.Std();
    if (B.size() <= 255)
        return std::string(1, '\x06') + char(B.size()) + B;
    return std::string(1, '\x0C') + Int(int32_t(B.size())) + B;
}

inline std::string TI(int Tag, int32_t V) { return std::string(1, char(Tag)) + Int(V); }
inline std::string TB(int Tag, bool V) { return std::string(1, char(Tag)) + (V ? '\xFF' : '\0'); }
inline std::string TS(int Tag, const AnsiString& V) { return std::string(1, char(Tag)) + Str(V); }

/// An element record: "TV", the given tags, "ENDTV".
inline std::string ViewRecord(const std::string& Tags)
{
    return TS(0, "TV") + Tags + TS(255, "ENDTV");
}

}  // namespace tpl

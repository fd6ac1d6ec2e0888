#pragma once

// The runtime's "array of const" and Format. An argument list is written
// as an initializer list: Format("%s: %d", {Name, Count}). A TVarRec only
// points at string and object arguments, so it must not outlive the call.

#include "platform/rtl/AnsiString.h"
#include "platform/rtl/Currency.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Types.h"

#include <initializer_list>

class TObject;
class Variant;

/// Kinds of an argument, numbered as the runtime numbers them.
enum TVarRecType : Byte {
    vtInteger = 0,
    vtBoolean = 1,
    vtChar = 2,
    vtExtended = 3,
    vtString = 4,
    vtPointer = 5,
    vtPChar = 6,
    vtObject = 7,
    vtClass = 8,
    vtWideChar = 9,
    vtPWideChar = 10,
    vtAnsiString = 11,
    vtCurrency = 12,
    vtVariant = 13,
    vtInterface = 14,
    vtWideString = 15,
    vtInt64 = 16,
};

/// One argument of an "array of const".
struct TVarRec {
    TVarRecType VType = vtInteger;
    union {
        Integer VInteger;
        bool VBoolean;
        char VChar;
        double VExtended;
        const void* VPointer;
        const char* VPChar;
        TObject* VObject;
        const void* VClass;
        const AnsiString* VAnsiString;
        Currency VCurrency;
        const Variant* VVariant;
        Int64 VInt64;
    };

    TVarRec(int V) : VType(vtInteger), VInteger(V) {}
    TVarRec(unsigned V) : TVarRec(static_cast<Int64>(V)) {}
    TVarRec(long V) : VType(vtInt64), VInt64(V) {}
    TVarRec(long long V) : VType(vtInt64), VInt64(V) {}
    TVarRec(unsigned long V) : VType(vtInt64), VInt64(static_cast<Int64>(V)) {}
    TVarRec(bool V) : VType(vtBoolean), VBoolean(V) {}
    TVarRec(char V) : VType(vtChar), VChar(V) {}
    TVarRec(double V) : VType(vtExtended), VExtended(V) {}
    TVarRec(Currency V) : VType(vtCurrency), VCurrency(V) {}
    TVarRec(const AnsiString& V) : VType(vtAnsiString), VAnsiString(&V) {}
    TVarRec(const char* V) : VType(vtPChar), VPChar(V) {}
    TVarRec(const void* V) : VType(vtPointer), VPointer(V) {}
    TVarRec(std::nullptr_t) : VType(vtPointer), VPointer(nullptr) {}
    TVarRec(TObject* V) : VType(vtObject), VObject(V) {}
    TVarRec(const Variant& V) : VType(vtVariant), VVariant(&V) {}
    /// A class reference (the metaclass's address).
    static TVarRec FromClass(const void* Class)
    {
        TVarRec R(nullptr);
        R.VType = vtClass;
        R.VClass = Class;
        return R;
    }
};

using TVarRecs = std::initializer_list<TVarRec>;

/// Fmt with each "%[index:][-][width][.precision]type" replaced by an
/// argument; width and precision may be '*' (taken from the next integer
/// argument). Types: d (integers), u (unsigned), x (hex), e f g n m (numbers
/// and Currency: exponent, fixed, general, grouped, money), s (strings, char),
/// p (pointer, 8 hex digits). "%%" is '%'. Raises EConvertError "Format '%s'
/// invalid or incompatible with argument" for a bad specifier, a missing
/// argument or a kind that does not fit the type.
[[nodiscard]] AnsiString Format(const AnsiString& Fmt, TVarRecs Args);
[[nodiscard]] AnsiString Format(const AnsiString& Fmt, TVarRecs Args,
                                const TFormatSettings& Settings);

/// An exception of class E whose message is Format(Fmt, Args):
/// `throw CreateFmt<EConvertError>("'%s' is bad", {S});`
template <class E>
[[nodiscard]] E CreateFmt(const AnsiString& Fmt, TVarRecs Args)
{
    return E(Format(Fmt, Args));
}

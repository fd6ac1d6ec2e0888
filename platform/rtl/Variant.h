#pragma once

// Variant: a value that carries its own type code, with the runtime's
// conversions between the types and its comparisons. Strings are CP1251
// AnsiStrings; an OLE string (varOleStr) holds the same CP1251 text and
// differs only by its code. A Variant array (VarArrayCreate) holds Variants
// in one or two dimensions with their own bounds, the form in which a
// worksheet's used range is handed over; copying a Variant copies its
// array.
//
// Conversions (AsInteger, AsDouble, ..., VarAsType) follow the runtime:
//   Empty      0, 0.0, false, '' and day 0
//   Null       raises EVariantTypeCastError
//              "Could not convert variant of type (Null) into type (Integer)"
//   Boolean    -1 / 0 as a number, "True" / "False" as text
//   numbers    to integers rounded half to even; out of range raises
//              EVariantOverflowError "Overflow while converting variant of
//              type (Double) into type (Integer)"
//   dates      a number of days; as text DateTimeToStr
//   strings    read with the current FormatSettings: integers (decimal or
//              "$"/"0x" hexadecimal), then floating point; "True"/"False"
//              (any case) as Booleans; dates with StrToDateTime. Text that
//              does not convert raises EVariantTypeCastError
//              "Could not convert variant of type (String) into type (Double)"
//   errors     (varError, a worksheet's #N/A and the like) convert to
//              nothing but themselves
// Type names in the messages are those of VarTypeAsText.

#include "platform/rtl/AnsiString.h"
#include "platform/rtl/Currency.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Types.h"

#include <initializer_list>
#include <iosfwd>
#include <memory>
#include <utility>
#include <vector>

using TVarType = Word;

inline constexpr TVarType varEmpty = 0x0000;
inline constexpr TVarType varNull = 0x0001;
inline constexpr TVarType varSmallint = 0x0002;
inline constexpr TVarType varInteger = 0x0003;
inline constexpr TVarType varSingle = 0x0004;
inline constexpr TVarType varDouble = 0x0005;
inline constexpr TVarType varCurrency = 0x0006;
inline constexpr TVarType varDate = 0x0007;
inline constexpr TVarType varOleStr = 0x0008;
inline constexpr TVarType varDispatch = 0x0009;
inline constexpr TVarType varError = 0x000A;
inline constexpr TVarType varBoolean = 0x000B;
inline constexpr TVarType varVariant = 0x000C;
inline constexpr TVarType varUnknown = 0x000D;
inline constexpr TVarType varShortInt = 0x0010;
inline constexpr TVarType varByte = 0x0011;
inline constexpr TVarType varWord = 0x0012;
inline constexpr TVarType varLongWord = 0x0013;
inline constexpr TVarType varInt64 = 0x0014;
inline constexpr TVarType varString = 0x0100;
inline constexpr TVarType varTypeMask = 0x0FFF;
inline constexpr TVarType varArray = 0x2000;

PRICETAGS_EXCEPTION(EVariantTypeCastError, EVariantError);
PRICETAGS_EXCEPTION(EVariantOverflowError, EVariantError);
PRICETAGS_EXCEPTION(EVariantInvalidArgError, EVariantError);
PRICETAGS_EXCEPTION(EVariantBadIndexError, EVariantError);
PRICETAGS_EXCEPTION(EVariantArrayCreateError, EVariantError);

class Variant {
public:
    /// Empty.
    Variant() noexcept;
    Variant(bool V);
    Variant(ShortInt V);
    Variant(Byte V);
    Variant(SmallInt V);
    Variant(Word V);
    Variant(Integer V);
    Variant(LongWord V);
    Variant(Int64 V);
    Variant(float V);
    Variant(double V);
    Variant(Currency V);
    /// A date (varDate); TDate and TTime too.
    Variant(TDateTime V);
    Variant(const AnsiString& V);
    /// Takes the text over without copying it.
    Variant(AnsiString&& V) noexcept : FType(varString), FString(std::move(V)) {}
    Variant(const char* V);
    /// No pointer becomes a Boolean by accident.
    Variant(const void*) = delete;

    Variant(const Variant& Other);
    Variant(Variant&& Other) noexcept;
    Variant& operator=(const Variant& Other);
    Variant& operator=(Variant&& Other) noexcept;
    ~Variant();

    /// A worksheet error value (varError) with its code.
    [[nodiscard]] static Variant Error(Integer Code);

    /// The type code, varArray | varVariant for an array.
    [[nodiscard]] TVarType VType() const { return FType; }

    /// Conversions as the header tells; each raises on a value that does not
    /// convert.
    [[nodiscard]] Integer AsInteger() const;
    [[nodiscard]] Int64 AsInt64() const;
    [[nodiscard]] double AsDouble() const;
    [[nodiscard]] Currency AsCurrency() const;
    [[nodiscard]] bool AsBoolean() const;
    [[nodiscard]] AnsiString AsString() const;
    [[nodiscard]] TDateTime AsDateTime() const;
    /// The code of a varError value; raises EVariantTypeCastError otherwise.
    [[nodiscard]] Integer AsError() const;

    explicit operator Integer() const { return AsInteger(); }
    explicit operator Int64() const { return AsInt64(); }
    explicit operator double() const { return AsDouble(); }
    explicit operator Currency() const { return AsCurrency(); }
    explicit operator bool() const { return AsBoolean(); }
    explicit operator AnsiString() const { return AsString(); }
    explicit operator TDateTime() const { return AsDateTime(); }

    /// An element of a one- or two-dimensional array, by indexes within the
    /// bounds; raises EVariantBadIndexError "Variant or safe array index out
    /// of bounds" outside them and EVariantInvalidArgError "Invalid argument"
    /// when this is not an array of that many dimensions.
    [[nodiscard]] const Variant& GetElement(int I) const;
    [[nodiscard]] const Variant& GetElement(int I, int J) const
    {
        // Tables are read cell by cell: an index within a two-dimensional
        // array is served here, anything else by the checking path.
        if (const Variant* Item = Item2D(I, J))
            return *Item;
        return Element(I, J, 2);
    }
    void PutElement(int I, const Variant& Value);
    void PutElement(int I, int J, const Variant& Value);
    /// Moves Value into the element, sparing a copy of its text.
    void PutElement(int I, int J, Variant&& Value)
    {
        const_cast<Variant&>(GetElement(I, J)) = std::move(Value);
    }

    /// The text of a string value (varString, varOleStr) as it is held,
    /// without a copy; null for any other type. Valid while this Variant
    /// lives unchanged.
    [[nodiscard]] const AnsiString* StringRef() const
    {
        return FType == varString || FType == varOleStr ? &FString : nullptr;
    }
    /// The same, for a text that may be taken over (moved out): the value
    /// then stays a string, with the text left empty.
    [[nodiscard]] AnsiString* StringRef()
    {
        return FType == varString || FType == varOleStr ? &FString : nullptr;
    }

    /// Runtime comparison: -1, 0 or 1. Numbers compare by value (integers
    /// exactly, Currency exactly, others as double; dates as days), strings
    /// byte-wise, a string against a number or date as that number
    /// (EVariantTypeCastError when the text is no number), Booleans as
    /// false < true. Empty takes the other side's zero value ('' for a
    /// string). Null equals only Null and is below every other value.
    /// Arrays and error values raise EVariantTypeCastError.
    [[nodiscard]] int Compare(const Variant& Other) const;

    friend bool operator==(const Variant& L, const Variant& R) { return L.Compare(R) == 0; }
    friend bool operator!=(const Variant& L, const Variant& R) { return L.Compare(R) != 0; }
    friend bool operator<(const Variant& L, const Variant& R) { return L.Compare(R) < 0; }
    friend bool operator<=(const Variant& L, const Variant& R) { return L.Compare(R) <= 0; }
    friend bool operator>(const Variant& L, const Variant& R) { return L.Compare(R) > 0; }
    friend bool operator>=(const Variant& L, const Variant& R) { return L.Compare(R) >= 0; }

private:
    friend Variant VarAsType(const Variant& V, TVarType VarType);
    friend Variant VarArrayCreate(std::initializer_list<int> Bounds, TVarType VarType);
    friend Variant VarArrayOfRows(int RowLow, int Rows, int ColLow, int Columns,
                                  std::vector<Variant>&& Items);
    friend int VarArrayDimCount(const Variant& V);
    friend int VarArrayLowBound(const Variant& V, int Dim);
    friend int VarArrayHighBound(const Variant& V, int Dim);
    friend Variant Null();
    struct ArrayData;

    /// The value rounded half to even into [Lo, Hi]; To names the target
    /// type in the messages.
    [[nodiscard]] Int64 IntegerValue(TVarType To, Int64 Lo, Int64 Hi) const;
    [[nodiscard]] const Variant& Element(int I, int J, int Dims) const;
    /// The element [I, J] of a two-dimensional array; null when this is no
    /// such array or an index is outside its bounds.
    [[nodiscard]] const Variant* Item2D(int I, int J) const;
    void Clear() noexcept;
    /// Empty again after its text and array were moved elsewhere.
    void Vacate() noexcept;

    /// The elements of an array value; null for any other value.
    [[nodiscard]] ArrayData* Array() const noexcept { return FType & varArray ? FArray : nullptr; }
    /// Frees an array's elements; out of line, so that the destructor of
    /// the elements, which it calls, stays inline.
    static void FreeArray(ArrayData* Array) noexcept;

    TVarType FType = varEmpty;
    union {
        Int64 FInt = 0;
        double FDouble;
        bool FBool;
        /// An array value's elements, owned; only while FType has varArray.
        /// Kept with the other values, so a cell of a table takes 48 bytes.
        ArrayData* FArray;
    };
    AnsiString FString;
};

/// An array's bounds and elements, row by row for two dimensions.
struct Variant::ArrayData {
    int Dims = 0;
    int Low[2] = {0, 0};
    int Count[2] = {0, 0};
    std::vector<Variant> Items;
};

static_assert(sizeof(Variant) == 48, "a table cell is kept small");

// Moves and destruction are inline: a table of cells makes and drops a
// great many values.

inline Variant::Variant(Variant&& Other) noexcept
    : FType(Other.FType), FString(std::move(Other.FString))
{
    if (FType & varArray)
        FArray = Other.FArray;
    else
        FInt = Other.FInt;
    Other.Vacate();
}

inline Variant& Variant::operator=(Variant&& Other) noexcept
{
    if (this == &Other)
        return *this;
    ArrayData* const Old = Array();
    FType = Other.FType;
    if (FType & varArray)
        FArray = Other.FArray;
    else
        FInt = Other.FInt;
    FString = std::move(Other.FString);
    Other.Vacate();
    // Freed last: Other may be one of its elements.
    if (Old)
        FreeArray(Old);
    return *this;
}

inline Variant::~Variant()
{
    if (FType & varArray)
        FreeArray(FArray);
}

inline void Variant::Vacate() noexcept
{
    // The text and the array have been moved out: the text is left without
    // a byte and keeps no memory, the array is no longer this value's.
    FType = varEmpty;
    FInt = 0;
    FString.SetLength(0);
}

inline const Variant* Variant::Item2D(int I, int J) const
{
    const ArrayData* const A = Array();
    if (!A || A->Dims != 2)
        return nullptr;
    // Unsigned, so an index below the low bound is out of range too.
    const auto Row = static_cast<uint64_t>(Int64(I) - A->Low[0]);
    const auto Col = static_cast<uint64_t>(Int64(J) - A->Low[1]);
    if (Row >= uint64_t(A->Count[0]) || Col >= uint64_t(A->Count[1]))
        return nullptr;
    return &A->Items[size_t(Row * uint64_t(A->Count[1]) + Col)];
}

/// The type code.
[[nodiscard]] inline TVarType VarType(const Variant& V) { return V.VType(); }
[[nodiscard]] inline bool VarIsEmpty(const Variant& V) { return V.VType() == varEmpty; }
[[nodiscard]] inline bool VarIsNull(const Variant& V) { return V.VType() == varNull; }
/// Empty or Null.
[[nodiscard]] inline bool VarIsClear(const Variant& V) { return VarIsEmpty(V) || VarIsNull(V); }
/// An integer type (smallint, integer, shortint, byte, word, longword,
/// int64), a Boolean, or a floating type (single, double, currency). Dates
/// are not numeric.
[[nodiscard]] bool VarIsNumeric(const Variant& V);
/// varString or varOleStr.
[[nodiscard]] bool VarIsStr(const Variant& V);
/// A type code of the integer family: smallint, integer, shortint, byte,
/// word, longword, int64 (not Boolean).
[[nodiscard]] bool IsIntegerVarType(TVarType T);
/// A type code of the floating family: single, double, currency (not date).
[[nodiscard]] bool IsFloatVarType(TVarType T);
[[nodiscard]] inline bool VarIsArray(const Variant& V) { return (V.VType() & varArray) != 0; }

/// The value as text; Null (and Empty) give ''. Other conversions as AsString.
[[nodiscard]] AnsiString VarToStr(const Variant& V);
/// The value as text, Default for Null (Empty gives '').
[[nodiscard]] AnsiString VarToStrDef(const Variant& V, const AnsiString& Default);
/// V converted to the type code VarType (a simple type, not an array);
/// Empty and Null stay themselves when asked for themselves, and a Null
/// asked for anything else raises.
[[nodiscard]] Variant VarAsType(const Variant& V, TVarType VarType);
/// "Empty", "Null", "Smallint", "Integer", "Single", "Double", "Currency",
/// "Date", "OleStr", "Dispatch", "Error", "Boolean", "Variant", "Unknown",
/// "ShortInt", "Byte", "Word", "LongWord", "Int64", "String"; "Array " +
/// the element type for an array; "$" + 4 hex digits for an unknown code.
[[nodiscard]] AnsiString VarTypeAsText(TVarType VarType);

/// The Empty value.
[[nodiscard]] inline Variant Unassigned() { return Variant(); }
/// The Null value.
[[nodiscard]] Variant Null();

/// A Variant array of Variants (VarType must be varVariant) with one or two
/// dimensions, given as low and high bound pairs: {1, Rows, 1, Cols}. Every
/// element starts Empty. Raises EVariantArrayCreateError "Error creating
/// variant or safe array" for another element type, an odd bound count, a
/// third dimension, a high bound below low bound - 1, or more elements than
/// the largest worksheet has cells (65536 x 256).
[[nodiscard]] Variant VarArrayCreate(std::initializer_list<int> Bounds, TVarType VarType);
/// A two-dimensional array as VarArrayCreate({RowLow, RowLow + Rows - 1,
/// ColLow, ColLow + Columns - 1}, varVariant) makes it, whose elements are
/// Items, row by row, taken over without a copy: a table built in one pass
/// needs no Empty elements first. Raises EVariantArrayCreateError as
/// VarArrayCreate does, and when Items holds other than Rows x Columns
/// values (Items is then left as it was).
[[nodiscard]] Variant VarArrayOfRows(int RowLow, int Rows, int ColLow, int Columns,
                                     std::vector<Variant>&& Items);
/// 0 when V is not an array.
[[nodiscard]] int VarArrayDimCount(const Variant& V);
/// Bounds of dimension Dim (1-based); raise EVariantInvalidArgError
/// "Invalid argument" for a non-array or a dimension it does not have.
[[nodiscard]] int VarArrayLowBound(const Variant& V, int Dim);
[[nodiscard]] int VarArrayHighBound(const Variant& V, int Dim);

/// Prints the type and value (test failure messages).
void PrintTo(const Variant& V, std::ostream* Out);

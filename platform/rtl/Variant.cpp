#include "platform/rtl/Variant.h"

#include "platform/rtl/Numbers.h"
#include "platform/rtl/StrUtils.h"

#include <cmath>
#include <limits>
#include <new>
#include <ostream>
#include <utility>
#include <vector>

namespace {

const char* const SVarTypeCouldNotConvert = "Could not convert variant of type (";
const char* const SVarTypeConvertOverflow = "Overflow while converting variant of type (";
const char* const SVarInvalid = "Invalid argument";
const char* const SVarArrayBounds = "Variant or safe array index out of bounds";
const char* const SVarArrayCreate = "Error creating variant or safe array";

AnsiString FromIntoText(const char* Lead, TVarType From, TVarType To)
{
    return AnsiString(Lead) + VarTypeAsText(From) + ") into type (" + VarTypeAsText(To) + ")";
}

[[noreturn]] void CastError(TVarType From, TVarType To)
{
    throw EVariantTypeCastError(FromIntoText(SVarTypeCouldNotConvert, From, To));
}

[[noreturn]] void OverflowError(TVarType From, TVarType To)
{
    throw EVariantOverflowError(FromIntoText(SVarTypeConvertOverflow, From, To));
}

bool IsStringType(TVarType T)
{
    return T == varString || T == varOleStr;
}

/// The runtime's Boolean texts, any case.
bool TryTextToBool(const AnsiString& S, bool& Value)
{
    if (AnsiSameText(S, "True")) {
        Value = true;
        return true;
    }
    if (AnsiSameText(S, "False")) {
        Value = false;
        return true;
    }
    return false;
}

/// A number text: floating point with the locale, an integer (hexadecimal
/// too), or a Boolean text as -1 / 0.
bool TryTextToDouble(const AnsiString& S, double& Value)
{
    if (TryStrToFloat(S, Value))
        return true;
    Int64 I = 0;
    if (TryStrToInt64(S, I)) {
        Value = double(I);
        return true;
    }
    bool B = false;
    if (TryTextToBool(S, B)) {
        Value = B ? -1 : 0;
        return true;
    }
    return false;
}

/// Rounds half to even into [Lo, Hi]; false for NaN, infinities and values
/// outside.
bool RoundInto(double V, Int64 Lo, Int64 Hi, Int64& Out)
{
    const double R = std::nearbyint(V);
    // 2^63 itself is out of range, hence the strict upper bound.
    if (!(R >= double(Lo) && R < double(Hi) + 1.0) || !(R >= -9223372036854775808.0)
        || !(R < 9223372036854775808.0))
        return false;
    const Int64 I = static_cast<Int64>(R);
    if (I < Lo || I > Hi)
        return false;
    Out = I;
    return true;
}

template <class T>
int Sign3(T L, T R)
{
    return L < R ? -1 : (R < L ? 1 : 0);
}

int CompareDoubles(double L, double R)
{
    if (L < R)
        return -1;
    if (L > R)
        return 1;
    if (L == R)
        return 0;
    // NaN: equal only to itself, otherwise above every number.
    return std::isnan(L) ? (std::isnan(R) ? 0 : 1) : -1;
}

constexpr Int64 MaxCurrencyUnits = std::numeric_limits<Int64>::max() / Currency::Scale;

/// The most elements a Variant array may have: the cells of the largest
/// worksheet a workbook can hold (65536 rows of 256 columns). More can only
/// come from damaged bounds.
constexpr Int64 MaxArrayElements = Int64(65536) * 256;

} // namespace

// ---- life ----------------------------------------------------------------------

Variant::Variant() noexcept = default;
Variant::Variant(bool V) : FType(varBoolean) { FBool = V; }
Variant::Variant(ShortInt V) : FType(varShortInt) { FInt = V; }
Variant::Variant(Byte V) : FType(varByte) { FInt = V; }
Variant::Variant(SmallInt V) : FType(varSmallint) { FInt = V; }
Variant::Variant(Word V) : FType(varWord) { FInt = V; }
Variant::Variant(Integer V) : FType(varInteger) { FInt = V; }
Variant::Variant(LongWord V) : FType(varLongWord) { FInt = V; }
Variant::Variant(Int64 V) : FType(varInt64) { FInt = V; }
Variant::Variant(float V) : FType(varSingle) { FDouble = V; }
Variant::Variant(double V) : FType(varDouble) { FDouble = V; }
Variant::Variant(Currency V) : FType(varCurrency) { FInt = V.Raw(); }
Variant::Variant(TDateTime V) : FType(varDate) { FDouble = V; }
Variant::Variant(const AnsiString& V) : FType(varString), FString(V) {}
Variant::Variant(const char* V) : FType(varString), FString(V) {}

Variant::Variant(const Variant& Other) : FType(Other.FType), FString(Other.FString)
{
    if (const ArrayData* A = Other.Array())
        FArray = new ArrayData(*A);
    else
        FInt = Other.FInt;
}

Variant& Variant::operator=(const Variant& Other)
{
    if (this != &Other)
        *this = Variant(Other);
    return *this;
}

void Variant::Clear() noexcept
{
    ArrayData* const Old = Array();
    FType = varEmpty;
    FInt = 0;
    FString = AnsiString();
    delete Old;
}

void Variant::FreeArray(ArrayData* Array) noexcept
{
    delete Array;
}

Variant Variant::Error(Integer Code)
{
    Variant V;
    V.FType = varError;
    V.FInt = Code;
    return V;
}

Variant Null()
{
    Variant V;
    V.FType = varNull;
    return V;
}

// ---- conversions ---------------------------------------------------------------

Integer Variant::AsInteger() const
{
    return Integer(IntegerValue(varInteger, std::numeric_limits<Integer>::min(),
                             std::numeric_limits<Integer>::max()));
}

Int64 Variant::AsInt64() const
{
    return IntegerValue(varInt64, std::numeric_limits<Int64>::min(),
                     std::numeric_limits<Int64>::max());
}

double Variant::AsDouble() const
{
    switch (FType) {
    case varEmpty:
        return 0;
    case varSingle:
    case varDouble:
    case varDate:
        return FDouble;
    case varCurrency:
        return Currency::FromRaw(FInt).ToDouble();
    case varBoolean:
        return FBool ? -1 : 0;
    case varString:
    case varOleStr: {
        double D = 0;
        if (!TryTextToDouble(FString, D))
            CastError(FType, varDouble);
        return D;
    }
    default:
        if (IsIntegerVarType(FType))
            return double(FInt);
        CastError(FType, varDouble);
    }
}

Currency Variant::AsCurrency() const
{
    switch (FType) {
    case varEmpty:
        return Currency();
    case varCurrency:
        return Currency::FromRaw(FInt);
    case varBoolean:
        return Currency(FBool ? -1 : 0);
    default:
        break;
    }
    if (IsIntegerVarType(FType)) {
        if (FInt > MaxCurrencyUnits || FInt < -MaxCurrencyUnits)
            OverflowError(FType, varCurrency);
        return Currency::FromRaw(FInt * Currency::Scale);
    }
    if (IsStringType(FType)) {
        // Money text is read exactly; other number texts go through double.
        Currency C;
        if (TryStrToCurr(FString, C))
            return C;
    }
    if (FType == varSingle || FType == varDouble || FType == varDate || IsStringType(FType)) {
        double D = FDouble;
        if (IsStringType(FType) && !TryTextToDouble(FString, D))
            CastError(FType, varCurrency);
        if (!(std::fabs(D) < double(MaxCurrencyUnits)))
            OverflowError(FType, varCurrency);
        return Currency(D);
    }
    CastError(FType, varCurrency);
}

bool Variant::AsBoolean() const
{
    switch (FType) {
    case varEmpty:
        return false;
    case varBoolean:
        return FBool;
    case varSingle:
    case varDouble:
    case varDate:
        return FDouble != 0;
    case varCurrency:
        return FInt != 0;
    case varString:
    case varOleStr: {
        bool B = false;
        if (TryTextToBool(FString, B))
            return B;
        Int64 I = 0;
        if (TryStrToInt64(FString, I))
            return I != 0;
        double D = 0;
        if (TryStrToFloat(FString, D))
            return D != 0;
        CastError(FType, varBoolean);
    }
    default:
        if (IsIntegerVarType(FType))
            return FInt != 0;
        CastError(FType, varBoolean);
    }
}

AnsiString Variant::AsString() const
{
    switch (FType) {
    case varEmpty:
        return AnsiString();
    case varString:
    case varOleStr:
        return FString;
    case varBoolean:
        return FBool ? "True" : "False";
    case varSingle:
    case varDouble:
        return FloatToStr(FDouble);
    case varCurrency:
        return CurrToStr(Currency::FromRaw(FInt));
    case varDate:
        return DateTimeToStr(FDouble);
    default:
        if (IsIntegerVarType(FType))
            return IntToStr(FInt);
        CastError(FType, varString);
    }
}

TDateTime Variant::AsDateTime() const
{
    switch (FType) {
    case varEmpty:
        return TDateTime();
    case varDate:
    case varSingle:
    case varDouble:
        return FDouble;
    case varString:
    case varOleStr: {
        TDateTime D;
        if (TryStrToDateTime(FString, D))
            return D;
        CastError(FType, varDate);
    }
    default:
        if (IsIntegerVarType(FType) || FType == varCurrency || FType == varBoolean)
            return AsDouble();
        CastError(FType, varDate);
    }
}

Integer Variant::AsError() const
{
    if (FType != varError)
        CastError(FType, varError);
    return Integer(FInt);
}

Int64 Variant::IntegerValue(TVarType To, Int64 Lo, Int64 Hi) const
{
    Int64 Result = 0;
    switch (FType) {
    case varEmpty:
        return 0;
    case varBoolean:
        Result = FBool ? -1 : 0;
        break;
    case varSingle:
    case varDouble:
    case varDate:
        if (!RoundInto(FDouble, Lo, Hi, Result))
            OverflowError(FType, To);
        return Result;
    case varCurrency:
        Result = DivRoundHalfEven(FInt, Currency::Scale);
        break;
    case varString:
    case varOleStr: {
        bool B = false;
        double D = 0;
        if (TryStrToInt64(FString, Result))
            break;
        if (TryStrToFloat(FString, D)) {
            if (!RoundInto(D, Lo, Hi, Result))
                OverflowError(FType, To);
            return Result;
        }
        if (!TryTextToBool(FString, B))
            CastError(FType, To);
        Result = B ? -1 : 0;
        break;
    }
    default:
        if (!IsIntegerVarType(FType))
            CastError(FType, To);
        Result = FInt;
        break;
    }
    if (Result < Lo || Result > Hi)
        OverflowError(FType, To);
    return Result;
}

// ---- type changes --------------------------------------------------------------

Variant VarAsType(const Variant& V, TVarType VarType)
{
    const TVarType From = V.VType();
    if (VarType == From && !VarIsArray(V))
        return V;
    if (VarType == varEmpty)
        return Variant();
    if (VarType == varNull)
        return Null();
    if (From == varNull || VarIsArray(V))
        CastError(From, VarType);
    switch (VarType) {
    case varSmallint:
        return SmallInt(V.IntegerValue(varSmallint, -32768, 32767));
    case varInteger:
        return V.AsInteger();
    case varShortInt:
        return ShortInt(V.IntegerValue(varShortInt, -128, 127));
    case varByte:
        return Byte(V.IntegerValue(varByte, 0, 255));
    case varWord:
        return Word(V.IntegerValue(varWord, 0, 65535));
    case varLongWord:
        return LongWord(V.IntegerValue(varLongWord, 0, 4294967295LL));
    case varInt64:
        return V.AsInt64();
    case varSingle: {
        const double D = V.AsDouble();
        if (std::isfinite(D) && std::fabs(D) > double(std::numeric_limits<float>::max()))
            OverflowError(From, varSingle);
        return float(D);
    }
    case varDouble:
        return V.AsDouble();
    case varCurrency:
        return V.AsCurrency();
    case varDate:
        return V.AsDateTime();
    case varBoolean:
        return V.AsBoolean();
    case varString:
    case varOleStr: {
        Variant Result(V.AsString());
        Result.FType = VarType;
        return Result;
    }
    default:
        CastError(From, VarType);
    }
}

AnsiString VarToStr(const Variant& V)
{
    return VarIsNull(V) ? AnsiString() : V.AsString();
}

AnsiString VarToStrDef(const Variant& V, const AnsiString& Default)
{
    return VarIsNull(V) ? Default : V.AsString();
}

bool IsIntegerVarType(TVarType T)
{
    switch (T) {
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64:
        return true;
    default:
        return false;
    }
}

bool IsFloatVarType(TVarType T)
{
    return T == varSingle || T == varDouble || T == varCurrency;
}

bool VarIsNumeric(const Variant& V)
{
    // The runtime counts Booleans among the ordinal types; callers that
    // must tell a sheet's TRUE from an amount test the type themselves.
    const TVarType T = V.VType();
    return IsIntegerVarType(T) || T == varBoolean || IsFloatVarType(T);
}

bool VarIsStr(const Variant& V)
{
    return IsStringType(V.VType());
}

AnsiString VarTypeAsText(TVarType VarType)
{
    static constexpr const char* Names[] = {
        "Empty", "Null", "Smallint", "Integer", "Single", "Double", "Currency", "Date",
        "OleStr", "Dispatch", "Error", "Boolean", "Variant", "Unknown", "Decimal", "$000F",
        "ShortInt", "Byte", "Word", "LongWord", "Int64",
    };
    const TVarType Simple = VarType & varTypeMask;
    AnsiString Text;
    if (Simple < std::size(Names))
        Text = Names[Simple];
    else if (Simple == varString)
        Text = "String";
    else
        Text = "$" + IntToHex(Simple, 4);
    if (VarType & varArray)
        Text = "Array " + Text;
    return Text;
}

// ---- arrays --------------------------------------------------------------------

Variant VarArrayCreate(std::initializer_list<int> Bounds, TVarType VarType)
{
    const size_t Pairs = Bounds.size() / 2;
    if (VarType != varVariant || Bounds.size() % 2 != 0 || Pairs < 1 || Pairs > 2)
        throw EVariantArrayCreateError(SVarArrayCreate);
    auto Data = std::make_unique<Variant::ArrayData>();
    Data->Dims = int(Pairs);
    // Bounds from a damaged file can ask for more elements than exist; the
    // count is checked before anything is allocated, so it cannot wrap.
    Int64 Total = 1;
    const int* B = Bounds.begin();
    for (size_t D = 0; D < Pairs; ++D) {
        const Int64 Count = Int64(B[2 * D + 1]) - B[2 * D] + 1;
        if (Count < 0 || Count > std::numeric_limits<int>::max())
            throw EVariantArrayCreateError(SVarArrayCreate);
        Data->Low[D] = B[2 * D];
        Data->Count[D] = int(Count);
        Total *= Count;
    }
    if (Total > MaxArrayElements)
        throw EVariantArrayCreateError(SVarArrayCreate);
    try {
        Data->Items.resize(size_t(Total));
    } catch (const std::bad_alloc&) {
        throw EVariantArrayCreateError(SVarArrayCreate);
    }
    Variant Result;
    Result.FType = varArray | varVariant;
    Result.FArray = Data.release();
    return Result;
}

Variant VarArrayOfRows(int RowLow, int Rows, int ColLow, int Columns,
                       std::vector<Variant>&& Items)
{
    // The same limits as the bounds VarArrayCreate takes: no high bound
    // past the integers, no more elements than the largest sheet has.
    if (Rows < 0 || Columns < 0 || Int64(RowLow) + Rows - 1 > std::numeric_limits<int>::max()
        || Int64(ColLow) + Columns - 1 > std::numeric_limits<int>::max()
        || Int64(Rows) * Columns > MaxArrayElements || Items.size() != size_t(Rows) * size_t(Columns))
        throw EVariantArrayCreateError(SVarArrayCreate);
    auto Data = std::make_unique<Variant::ArrayData>();
    Data->Dims = 2;
    Data->Low[0] = RowLow;
    Data->Low[1] = ColLow;
    Data->Count[0] = Rows;
    Data->Count[1] = Columns;
    Data->Items = std::move(Items);
    Variant Result;
    Result.FType = varArray | varVariant;
    Result.FArray = Data.release();
    return Result;
}

int VarArrayDimCount(const Variant& V)
{
    return V.Array() ? V.Array()->Dims : 0;
}

int VarArrayLowBound(const Variant& V, int Dim)
{
    if (!V.Array() || Dim < 1 || Dim > V.Array()->Dims)
        throw EVariantInvalidArgError(SVarInvalid);
    return V.Array()->Low[Dim - 1];
}

int VarArrayHighBound(const Variant& V, int Dim)
{
    if (!V.Array() || Dim < 1 || Dim > V.Array()->Dims)
        throw EVariantInvalidArgError(SVarInvalid);
    return V.Array()->Low[Dim - 1] + V.Array()->Count[Dim - 1] - 1;
}

const Variant& Variant::Element(int I, int J, int Dims) const
{
    const ArrayData* const A = Array();
    if (!A || A->Dims != Dims)
        throw EVariantInvalidArgError(SVarInvalid);
    const Int64 Row = Int64(I) - A->Low[0];
    if (Row < 0 || Row >= A->Count[0])
        throw EVariantBadIndexError(SVarArrayBounds);
    if (Dims == 1)
        return A->Items[size_t(Row)];
    const Int64 Col = Int64(J) - A->Low[1];
    if (Col < 0 || Col >= A->Count[1])
        throw EVariantBadIndexError(SVarArrayBounds);
    return A->Items[size_t(Row * A->Count[1] + Col)];
}

const Variant& Variant::GetElement(int I) const
{
    return Element(I, 0, 1);
}

void Variant::PutElement(int I, const Variant& Value)
{
    const_cast<Variant&>(Element(I, 0, 1)) = Value;
}

void Variant::PutElement(int I, int J, const Variant& Value)
{
    const_cast<Variant&>(Element(I, J, 2)) = Value;
}


// ---- comparison ----------------------------------------------------------------

namespace {

/// The side's value class for comparing numbers.
enum class NumberKind { Integer, Currency, Float };

NumberKind KindOf(TVarType T)
{
    if (IsIntegerVarType(T) || T == varBoolean)
        return NumberKind::Integer;
    if (T == varCurrency)
        return NumberKind::Currency;
    return NumberKind::Float;
}

} // namespace

int Variant::Compare(const Variant& Other) const
{
    const Variant& L = *this;
    const Variant& R = Other;
    if (L.FType == varNull || R.FType == varNull) {
        if (L.FType == R.FType)
            return 0;
        return L.FType == varNull ? -1 : 1;
    }
    if (VarIsArray(L) || VarIsArray(R) || L.FType == varError || R.FType == varError)
        CastError(L.FType, R.FType);
    if (L.FType == varEmpty && R.FType == varEmpty)
        return 0;
    // Empty, and then a string against another type, take the other side's
    // type.
    if (L.FType == varEmpty)
        return VarAsType(L, R.FType).Compare(R);
    if (R.FType == varEmpty)
        return L.Compare(VarAsType(R, L.FType));
    if (IsStringType(L.FType) && !IsStringType(R.FType))
        return VarAsType(L, R.FType).Compare(R);
    if (IsStringType(R.FType) && !IsStringType(L.FType))
        return L.Compare(VarAsType(R, L.FType));
    if (IsStringType(L.FType))
        return Sign3(CompareStr(L.FString, R.FString), 0);
    if (L.FType == varBoolean && R.FType == varBoolean)
        return Sign3(int(L.FBool), int(R.FBool));
    const NumberKind LK = KindOf(L.FType);
    const NumberKind RK = KindOf(R.FType);
    if (LK == NumberKind::Integer && RK == NumberKind::Integer)
        return Sign3(L.AsInt64(), R.AsInt64());
    if (LK != NumberKind::Float && RK != NumberKind::Float) {
        // Integer against Currency, exactly, in 1/10000.
        const __int128 LRaw = LK == NumberKind::Currency ? __int128(L.FInt)
                                                         : __int128(L.AsInt64()) * Currency::Scale;
        const __int128 RRaw = RK == NumberKind::Currency ? __int128(R.FInt)
                                                         : __int128(R.AsInt64()) * Currency::Scale;
        return Sign3(LRaw, RRaw);
    }
    return CompareDoubles(L.AsDouble(), R.AsDouble());
}

// ---- printing ------------------------------------------------------------------

void PrintTo(const Variant& V, std::ostream* Out)
{
    *Out << VarTypeAsText(V.VType()).ToUtf8();
    if (VarIsArray(V)) {
        *Out << " [" << VarArrayDimCount(V) << " dims]";
        return;
    }
    switch (V.VType()) {
    case varEmpty:
    case varNull:
        return;
    case varError:
        *Out << " " << V.AsError();
        return;
    default:
        *Out << " " << V.AsString();
        return;
    }
}

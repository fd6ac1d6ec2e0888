#include "platform/classes/TypInfo.h"

#include "platform/classes/Object.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/StrUtils.h"

namespace {

const char* const SUnknownProperty = "Property %s does not exist";
const char* const SReadOnlyProperty = "Property %s is read-only";
const char* const SWriteOnlyProperty = "Property %s is write-only";
const char* const SInvalidPropertyType = "Invalid property type: %s";
const char* const SInvalidPropertyElement = "Invalid property element: %s";
const char* const SInvalidPropertyValue = "Invalid property value";

/// A type of Kind named Name, with no further detail.
TTypeInfo NamedType(TTypeKind Kind, const char* Name)
{
    TTypeInfo T;
    T.Kind = Kind;
    T.Name = Name;
    return T;
}

TTypeInfo OrdinalType(TTypeKind Kind, const char* Name, TOrdType OrdType, Int64 Min, Int64 Max)
{
    TTypeInfo T = NamedType(Kind, Name);
    T.OrdType = OrdType;
    T.MinValue = Min;
    T.MaxValue = Max;
    return T;
}

TTypeInfo FloatType(const char* Name, TFloatType Type)
{
    TTypeInfo T = NamedType(tkFloat, Name);
    T.FloatType = Type;
    return T;
}

PPropInfo Require(const TObject* Instance, const AnsiString& PropName)
{
    const PPropInfo P = GetPropInfo(Instance, PropName);
    if (!P)
        throw EPropertyError(Format(SUnknownProperty, {PropName}));
    return P;
}

[[noreturn]] void BadType(PPropInfo P)
{
    throw EPropertyError(Format(SInvalidPropertyType, {P->PropType->Name}));
}

/// Checks that P can be read through the accessor Get (non-empty), else
/// raises the right error.
template <class F>
const F& Reader(PPropInfo P, const F& Get)
{
    if (!Get) {
        if (!P->Readable())
            throw EPropertyError(Format(SWriteOnlyProperty, {P->Name}));
        BadType(P);
    }
    return Get;
}

template <class F>
const F& Writer(PPropInfo P, const F& Set)
{
    if (!Set) {
        if (!P->Writable())
            throw EPropertyError(Format(SReadOnlyProperty, {P->Name}));
        BadType(P);
    }
    return Set;
}

/// The enumeration behind an enumeration or set property.
PTypeInfo ElementType(PPropInfo P)
{
    if (P->PropType->Kind == tkEnumeration)
        return P->PropType;
    if (P->PropType->Kind == tkSet && P->PropType->CompType)
        return P->PropType->CompType;
    BadType(P);
}

}  // namespace

// ---- types -----------------------------------------------------------------

TTypeInfo EnumTypeInfo(const char* Name, std::initializer_list<const char*> Names)
{
    TTypeInfo T = OrdinalType(tkEnumeration, Name, Names.size() <= 256 ? otUByte : otUWord, 0,
                              static_cast<Int64>(Names.size()) - 1);
    for (const char* N : Names)
        T.EnumNames.emplace_back(N);
    return T;
}

TTypeInfo SetTypeInfo(const char* Name, PTypeInfo CompType)
{
    TTypeInfo T = NamedType(tkSet, Name);
    T.CompType = CompType;
    return T;
}

PTypeInfo TypeInfoOf(const bool*)
{
    static const TTypeInfo T = EnumTypeInfo("Boolean", {"False", "True"});
    return &T;
}

PTypeInfo TypeInfoOf(const char*)
{
    static const TTypeInfo T = OrdinalType(tkChar, "Char", otUByte, 0, 255);
    return &T;
}

PTypeInfo TypeInfoOf(const Integer*)
{
    static const TTypeInfo T = OrdinalType(tkInteger, "Integer", otSLong, INT32_MIN, INT32_MAX);
    return &T;
}

PTypeInfo TypeInfoOf(const Cardinal*)
{
    static const TTypeInfo T = OrdinalType(tkInteger, "Cardinal", otULong, 0, UINT32_MAX);
    return &T;
}

PTypeInfo TypeInfoOf(const Int64*)
{
    static const TTypeInfo T = OrdinalType(tkInt64, "Int64", otSLong, INT64_MIN, INT64_MAX);
    return &T;
}

PTypeInfo TypeInfoOf(const Byte*)
{
    static const TTypeInfo T = OrdinalType(tkInteger, "Byte", otUByte, 0, 255);
    return &T;
}

PTypeInfo TypeInfoOf(const Word*)
{
    static const TTypeInfo T = OrdinalType(tkInteger, "Word", otUWord, 0, 65535);
    return &T;
}

PTypeInfo TypeInfoOf(const SmallInt*)
{
    static const TTypeInfo T = OrdinalType(tkInteger, "SmallInt", otSWord, -32768, 32767);
    return &T;
}

PTypeInfo TypeInfoOf(const ShortInt*)
{
    static const TTypeInfo T = OrdinalType(tkInteger, "ShortInt", otSByte, -128, 127);
    return &T;
}

PTypeInfo TypeInfoOf(const float*)
{
    static const TTypeInfo T = FloatType("Single", ftSingle);
    return &T;
}

PTypeInfo TypeInfoOf(const double*)
{
    static const TTypeInfo T = FloatType("Double", ftDouble);
    return &T;
}

PTypeInfo TypeInfoOf(const Currency*)
{
    static const TTypeInfo T = FloatType("Currency", ftCurr);
    return &T;
}

PTypeInfo TypeInfoOf(const TDateTime*)
{
    static const TTypeInfo T = FloatType(TDateTime::TypeName, ftDouble);
    return &T;
}

PTypeInfo TypeInfoOf(const TDate*)
{
    static const TTypeInfo T = FloatType(TDate::TypeName, ftDouble);
    return &T;
}

PTypeInfo TypeInfoOf(const TTime*)
{
    static const TTypeInfo T = FloatType(TTime::TypeName, ftDouble);
    return &T;
}

PTypeInfo TypeInfoOf(const AnsiString*)
{
    static const TTypeInfo T = NamedType(tkLString, "String");
    return &T;
}

PTypeInfo MethodTypeInfo()
{
    static const TTypeInfo T = NamedType(tkMethod, "TMethod");
    return &T;
}

PTypeInfo TypeInfoOf(const TNotifyEvent*)
{
    static const TTypeInfo T = NamedType(tkMethod, "TNotifyEvent");
    return &T;
}

// ---- property clauses ------------------------------------------------------

TPropInfo TPropInfo::WithType(PTypeInfo Type) const
{
    TPropInfo P = *this;
    P.PropType = Type;
    return P;
}

TPropInfo TPropInfo::WithDefault(Int64 Value) const
{
    TPropInfo P = *this;
    P.Default = Value;
    return P;
}

TPropInfo TPropInfo::NotStored() const
{
    TPropInfo P = *this;
    P.IsStored = [](TObject*) { return false; };
    return P;
}

void propdetail::CheckSignature(const TMethod& Value, const std::type_info& Expected)
{
    if (!Value.Signature() || *Value.Signature() != Expected)
        throw EPropertyError(SInvalidPropertyValue);
}

// ---- lists -----------------------------------------------------------------

TPropList GetPropList(TClass AClass)
{
    if (!AClass)
        return TPropList();
    // Each property sits at its NameIndex; walking from the class up, the
    // nearest declaration of a property published again wins.
    TPropList List(static_cast<size_t>(AClass->PropCount()), nullptr);
    for (TClass C = AClass; C; C = C->ClassParent())
        for (const TPropInfo& P : C->OwnProperties())
            if (!List[static_cast<size_t>(P.NameIndex)])
                List[static_cast<size_t>(P.NameIndex)] = &P;
    return List;
}

TPropList GetPropList(const TObject* AObject)
{
    return GetPropList(AObject ? AObject->ClassType() : nullptr);
}

TPropList GetPropList(TClass AClass, TTypeKinds Kinds)
{
    TPropList List;
    for (PPropInfo P : GetPropList(AClass))
        if (Kinds.Contains(P->PropType->Kind))
            List.push_back(P);
    return List;
}

int GetPropCount(TClass AClass)
{
    return AClass ? AClass->PropCount() : 0;
}

PPropInfo GetPropInfo(TClass AClass, const AnsiString& PropName)
{
    // A descendant's property hides an ancestor's of the same name.
    for (TClass C = AClass; C; C = C->ClassParent())
        for (const TPropInfo& P : C->OwnProperties())
            if (SameText(P.Name, PropName))
                return &P;
    return nullptr;
}

PPropInfo GetPropInfo(const TObject* Instance, const AnsiString& PropName)
{
    return Instance ? GetPropInfo(Instance->ClassType(), PropName) : nullptr;
}

bool IsPublishedProp(const TObject* Instance, const AnsiString& PropName)
{
    return GetPropInfo(Instance, PropName) != nullptr;
}

bool IsPublishedProp(TClass AClass, const AnsiString& PropName)
{
    return GetPropInfo(AClass, PropName) != nullptr;
}

bool PropIsType(const TObject* Instance, const AnsiString& PropName, TTypeKind Kind)
{
    return Require(Instance, PropName)->PropType->Kind == Kind;
}

bool IsStoredProp(TObject* Instance, PPropInfo PropInfo)
{
    return !PropInfo->IsStored || PropInfo->IsStored(Instance);
}

// ---- reading and writing ---------------------------------------------------

Int64 GetOrdProp(TObject* Instance, PPropInfo PropInfo)
{
    return Reader(PropInfo, PropInfo->GetOrd)(Instance);
}

Int64 GetOrdProp(TObject* Instance, const AnsiString& PropName)
{
    return GetOrdProp(Instance, Require(Instance, PropName));
}

void SetOrdProp(TObject* Instance, PPropInfo PropInfo, Int64 Value)
{
    Writer(PropInfo, PropInfo->SetOrd)(Instance, Value);
}

void SetOrdProp(TObject* Instance, const AnsiString& PropName, Int64 Value)
{
    SetOrdProp(Instance, Require(Instance, PropName), Value);
}

Int64 GetInt64Prop(TObject* Instance, PPropInfo PropInfo)
{
    return GetOrdProp(Instance, PropInfo);
}

Int64 GetInt64Prop(TObject* Instance, const AnsiString& PropName)
{
    return GetOrdProp(Instance, PropName);
}

void SetInt64Prop(TObject* Instance, PPropInfo PropInfo, Int64 Value)
{
    SetOrdProp(Instance, PropInfo, Value);
}

void SetInt64Prop(TObject* Instance, const AnsiString& PropName, Int64 Value)
{
    SetOrdProp(Instance, PropName, Value);
}

double GetFloatProp(TObject* Instance, PPropInfo PropInfo)
{
    return Reader(PropInfo, PropInfo->GetFloat)(Instance);
}

double GetFloatProp(TObject* Instance, const AnsiString& PropName)
{
    return GetFloatProp(Instance, Require(Instance, PropName));
}

void SetFloatProp(TObject* Instance, PPropInfo PropInfo, double Value)
{
    Writer(PropInfo, PropInfo->SetFloat)(Instance, Value);
}

void SetFloatProp(TObject* Instance, const AnsiString& PropName, double Value)
{
    SetFloatProp(Instance, Require(Instance, PropName), Value);
}

AnsiString GetStrProp(TObject* Instance, PPropInfo PropInfo)
{
    return Reader(PropInfo, PropInfo->GetStr)(Instance);
}

AnsiString GetStrProp(TObject* Instance, const AnsiString& PropName)
{
    return GetStrProp(Instance, Require(Instance, PropName));
}

void SetStrProp(TObject* Instance, PPropInfo PropInfo, const AnsiString& Value)
{
    Writer(PropInfo, PropInfo->SetStr)(Instance, Value);
}

void SetStrProp(TObject* Instance, const AnsiString& PropName, const AnsiString& Value)
{
    SetStrProp(Instance, Require(Instance, PropName), Value);
}

TObject* GetObjectProp(TObject* Instance, PPropInfo PropInfo)
{
    return Reader(PropInfo, PropInfo->GetObj)(Instance);
}

TObject* GetObjectProp(TObject* Instance, const AnsiString& PropName)
{
    return GetObjectProp(Instance, Require(Instance, PropName));
}

void SetObjectProp(TObject* Instance, PPropInfo PropInfo, TObject* Value)
{
    Writer(PropInfo, PropInfo->SetObj)(Instance, Value);
}

void SetObjectProp(TObject* Instance, const AnsiString& PropName, TObject* Value)
{
    SetObjectProp(Instance, Require(Instance, PropName), Value);
}

TMethod GetMethodProp(TObject* Instance, PPropInfo PropInfo)
{
    return Reader(PropInfo, PropInfo->GetMethod)(Instance);
}

TMethod GetMethodProp(TObject* Instance, const AnsiString& PropName)
{
    return GetMethodProp(Instance, Require(Instance, PropName));
}

void SetMethodProp(TObject* Instance, PPropInfo PropInfo, const TMethod& Value)
{
    Writer(PropInfo, PropInfo->SetMethod)(Instance, Value);
}

void SetMethodProp(TObject* Instance, const AnsiString& PropName, const TMethod& Value)
{
    SetMethodProp(Instance, Require(Instance, PropName), Value);
}

AnsiString GetEnumProp(TObject* Instance, PPropInfo PropInfo)
{
    if (PropInfo->PropType->Kind != tkEnumeration)
        BadType(PropInfo);
    return GetEnumName(PropInfo->PropType, static_cast<int>(GetOrdProp(Instance, PropInfo)));
}

AnsiString GetEnumProp(TObject* Instance, const AnsiString& PropName)
{
    return GetEnumProp(Instance, Require(Instance, PropName));
}

void SetEnumProp(TObject* Instance, PPropInfo PropInfo, const AnsiString& Value)
{
    if (PropInfo->PropType->Kind != tkEnumeration)
        BadType(PropInfo);
    const int Ord = GetEnumValue(PropInfo->PropType, Value);
    if (Ord < 0)
        throw EPropertyError(Format(SInvalidPropertyElement, {Value}));
    SetOrdProp(Instance, PropInfo, Ord);
}

void SetEnumProp(TObject* Instance, const AnsiString& PropName, const AnsiString& Value)
{
    SetEnumProp(Instance, Require(Instance, PropName), Value);
}

AnsiString GetSetProp(TObject* Instance, PPropInfo PropInfo, bool Brackets)
{
    if (PropInfo->PropType->Kind != tkSet)
        BadType(PropInfo);
    return SetToString(PropInfo, GetOrdProp(Instance, PropInfo), Brackets);
}

AnsiString GetSetProp(TObject* Instance, const AnsiString& PropName, bool Brackets)
{
    return GetSetProp(Instance, Require(Instance, PropName), Brackets);
}

void SetSetProp(TObject* Instance, PPropInfo PropInfo, const AnsiString& Value)
{
    if (PropInfo->PropType->Kind != tkSet)
        BadType(PropInfo);
    SetOrdProp(Instance, PropInfo, StringToSet(PropInfo, Value));
}

void SetSetProp(TObject* Instance, const AnsiString& PropName, const AnsiString& Value)
{
    SetSetProp(Instance, Require(Instance, PropName), Value);
}

// ---- enumeration and set texts ---------------------------------------------

AnsiString GetEnumName(PTypeInfo TypeInfo, int Value)
{
    if (TypeInfo->Kind == tkInteger)
        return IntToStr(Value);
    if (TypeInfo->Kind != tkEnumeration || Value < TypeInfo->MinValue ||
        Value > TypeInfo->MaxValue)
        return AnsiString();
    const auto Index = static_cast<size_t>(Value - TypeInfo->MinValue);
    return Index < TypeInfo->EnumNames.size() ? TypeInfo->EnumNames[Index] : AnsiString();
}

int GetEnumValue(PTypeInfo TypeInfo, const AnsiString& Name)
{
    if (TypeInfo->Kind == tkInteger)
        return StrToIntDef(Name, -1);
    if (TypeInfo->Kind != tkEnumeration)
        return -1;
    for (size_t I = 0; I < TypeInfo->EnumNames.size(); ++I)
        if (SameText(TypeInfo->EnumNames[I], Name))
            return static_cast<int>(TypeInfo->MinValue + static_cast<Int64>(I));
    return -1;
}

AnsiString SetToString(PPropInfo PropInfo, Int64 Value, bool Brackets)
{
    const PTypeInfo Elements = ElementType(PropInfo);
    AnsiString Result;
    for (int I = 0; I < 64; ++I) {
        if (!((static_cast<uint64_t>(Value) >> I) & 1))
            continue;
        if (!Result.IsEmpty())
            Result += ',';
        Result += GetEnumName(Elements, I);
    }
    return Brackets ? "[" + Result + "]" : Result;
}

Int64 StringToSet(PPropInfo PropInfo, const AnsiString& Value)
{
    const PTypeInfo Elements = ElementType(PropInfo);
    AnsiString Rest = Trim(Value);
    if (!Rest.IsEmpty() && Rest[1] == '[')
        Rest = Copy(Rest, 2, Rest.Length());
    if (!Rest.IsEmpty() && Rest[Rest.Length()] == ']')
        Rest.SetLength(Rest.Length() - 1);
    uint64_t Bits = 0;
    while (!Trim(Rest).IsEmpty()) {
        const int Comma = Pos(",", Rest);
        const AnsiString Name = Trim(Comma > 0 ? Copy(Rest, 1, Comma - 1) : Rest);
        Rest = Comma > 0 ? Copy(Rest, Comma + 1, Rest.Length()) : AnsiString();
        const int Ord = GetEnumValue(Elements, Name);
        if (Ord < 0 || Ord > 63)
            throw EPropertyError(Format(SInvalidPropertyElement, {Name}));
        Bits |= uint64_t(1) << Ord;
    }
    return static_cast<Int64>(Bits);
}

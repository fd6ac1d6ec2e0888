#pragma once

// Run-time type information: the descriptions of types (TTypeInfo) and the
// published properties of classes (TPropInfo), with the runtime's routines
// that read and write a property of an object by name. The options store,
// font and placement code and Assign use these.
//
// A class lists its published properties in its metaclass (Object.h), one
// Property(...) line each, in declaration order; a class's list follows its
// parent's, and a property it publishes again (with another default or
// stored clause) takes the inherited one's place. A property's type is deduced from its C++ type:
//   int/Integer tkInteger "Integer", Cardinal, Byte, Word, SmallInt, ShortInt,
//   bool tkEnumeration "Boolean" (False/True), char tkChar, Int64 tkInt64,
//   double "Double", float "Single", Currency "Currency" (ftCurr), TDateTime,
//   TDate, TTime (tkFloat by their names), AnsiString tkLString "String",
//   a TObject-derived pointer tkClass, a method pointer tkMethod,
//   an enumeration or EnumSet by the TypeInfoOf overload declared beside it:
//       enum TAlign { alNone, alTop, ... };
//       PTypeInfo TypeInfoOf(const TAlign*);      // in the header
//       PTypeInfo TypeInfoOf(const TAlign*)       // in the .cpp
//       {
//           static const TTypeInfo Info = EnumTypeInfo("TAlign", {"alNone", "alTop", ...});
//           return &Info;
//       }

#include "platform/classes/Events.h"
#include "platform/classes/Sets.h"
#include "platform/rtl/AnsiString.h"
#include "platform/rtl/Currency.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Types.h"

#include <functional>
#include <initializer_list>
#include <type_traits>
#include <vector>

class MetaClass;
class TObject;
using TClass = const MetaClass*;

enum TTypeKind {
    tkUnknown, tkInteger, tkChar, tkEnumeration, tkFloat, tkString, tkSet, tkClass, tkMethod,
    tkWChar, tkLString, tkWString, tkVariant, tkArray, tkRecord, tkInterface, tkInt64, tkDynArray
};
using TTypeKinds = EnumSet<TTypeKind>;
enum TOrdType { otSByte, otUByte, otSWord, otUWord, otSLong, otULong };
enum TFloatType { ftSingle, ftDouble, ftExtended, ftComp, ftCurr };

/// One type: its kind and name, and the data of its kind (the runtime's
/// type data is folded in, so GetTypeData returns the same record).
struct TTypeInfo {
    TTypeKind Kind = tkUnknown;
    AnsiString Name;
    /// tkInteger, tkChar, tkEnumeration, tkInt64: the range of values.
    TOrdType OrdType = otSLong;
    Int64 MinValue = 0;
    Int64 MaxValue = 0;
    /// tkEnumeration: the names of the values MinValue..MaxValue in order.
    std::vector<AnsiString> EnumNames;
    /// tkSet: the type of the members (an enumeration).
    const TTypeInfo* CompType = nullptr;
    /// tkFloat: how the value is stored.
    TFloatType FloatType = ftDouble;
    /// tkClass: the class.
    TClass ClassType = nullptr;
};
using PTypeInfo = const TTypeInfo*;
using PTypeData = const TTypeInfo*;

inline PTypeData GetTypeData(PTypeInfo TypeInfo) { return TypeInfo; }

/// An enumeration type named Name whose values are Names in order, starting
/// at ordinal 0.
TTypeInfo EnumTypeInfo(const char* Name, std::initializer_list<const char*> Names);
/// A set type named Name of the members of the enumeration CompType.
TTypeInfo SetTypeInfo(const char* Name, PTypeInfo CompType);

// ---- the built-in types ----------------------------------------------------

PTypeInfo TypeInfoOf(const bool*);
PTypeInfo TypeInfoOf(const char*);
PTypeInfo TypeInfoOf(const Integer*);
PTypeInfo TypeInfoOf(const Cardinal*);
PTypeInfo TypeInfoOf(const Int64*);
PTypeInfo TypeInfoOf(const Byte*);
PTypeInfo TypeInfoOf(const Word*);
PTypeInfo TypeInfoOf(const SmallInt*);
PTypeInfo TypeInfoOf(const ShortInt*);
PTypeInfo TypeInfoOf(const float*);
PTypeInfo TypeInfoOf(const double*);
PTypeInfo TypeInfoOf(const Currency*);
PTypeInfo TypeInfoOf(const TDateTime*);
PTypeInfo TypeInfoOf(const TDate*);
PTypeInfo TypeInfoOf(const TTime*);
PTypeInfo TypeInfoOf(const AnsiString*);
/// Any method pointer: tkMethod "TMethod"; TNotifyEvent has its own name.
PTypeInfo TypeInfoOf(const TNotifyEvent*);
PTypeInfo MethodTypeInfo();
template <class Sig>
PTypeInfo TypeInfoOf(const MethodPointer<Sig>*)
{
    return MethodTypeInfo();
}
/// A pointer to a class: that class's type (tkClass).
template <class C>
    requires std::is_base_of_v<TObject, C>
PTypeInfo TypeInfoOf(C* const*)
{
    return C::StaticClass()->ClassInfo();
}

/// The type information of T (the runtime's TypeInfo(T)).
template <class T>
PTypeInfo TypeInfo()
{
    return TypeInfoOf(static_cast<const T*>(nullptr));
}

// ---- properties ------------------------------------------------------------

/// The "no default" marker of a property's Default (the runtime's).
inline constexpr Int64 NoDefault = Int64(int32_t(0x80000000));

/// One published property: its name and type, how to read and write it on an
/// instance of the class that declares it (or of a descendant), its default
/// value (ordinal properties) and whether it is stored. Accessors of the
/// kinds that do not apply are empty; a read-only property has no setter.
struct TPropInfo {
    AnsiString Name;
    PTypeInfo PropType = nullptr;
    /// Ordinal default (the "default" clause); NoDefault when none.
    Int64 Default = NoDefault;
    /// Position among the properties of the class and its ancestors.
    int NameIndex = 0;
    /// The "stored" clause: null means stored.
    std::function<bool(TObject*)> IsStored;

    std::function<Int64(TObject*)> GetOrd;
    std::function<void(TObject*, Int64)> SetOrd;
    std::function<double(TObject*)> GetFloat;
    std::function<void(TObject*, double)> SetFloat;
    std::function<AnsiString(TObject*)> GetStr;
    std::function<void(TObject*, const AnsiString&)> SetStr;
    std::function<TObject*(TObject*)> GetObj;
    std::function<void(TObject*, TObject*)> SetObj;
    std::function<TMethod(TObject*)> GetMethod;
    std::function<void(TObject*, const TMethod&)> SetMethod;

    bool Readable() const { return GetOrd || GetFloat || GetStr || GetObj || GetMethod; }
    bool Writable() const { return SetOrd || SetFloat || SetStr || SetObj || SetMethod; }

    /// The property with another type of the same kind (TColor for an int).
    TPropInfo WithType(PTypeInfo Type) const;
    /// The property with a "default" clause (ordinal kinds).
    TPropInfo WithDefault(Int64 Value) const;
    /// The property with a "stored" clause: a member function of the class.
    template <class C>
    TPropInfo WithStored(bool (C::*Stored)() const) const
    {
        TPropInfo P = *this;
        P.IsStored = [Stored](TObject* Obj) { return (static_cast<const C*>(Obj)->*Stored)(); };
        return P;
    }
    /// The property with "stored False".
    TPropInfo NotStored() const;
};
using PPropInfo = const TPropInfo*;
using TPropList = std::vector<PPropInfo>;

namespace propdetail {

template <class P>
struct MemberOf;
template <class C, class M>
struct MemberOf<M C::*> {
    using Class = C;
};

/// The value type a getter (field or member function) yields.
template <class Get>
using ValueOf = std::remove_cvref_t<std::invoke_result_t<Get, typename MemberOf<Get>::Class&>>;

template <class V>
inline constexpr bool IsOrdinal = std::is_integral_v<V> || std::is_enum_v<V>;
template <class V>
struct IsSet : std::false_type {};
template <class E>
struct IsSet<EnumSet<E>> : std::true_type {};
template <class V>
inline constexpr bool IsFloat = std::is_floating_point_v<V> || std::is_same_v<V, Currency> ||
                                std::is_base_of_v<TDateTime, V>;
template <class V>
inline constexpr bool IsObject =
    std::is_pointer_v<V> && std::is_base_of_v<TObject, std::remove_pointer_t<V>>;
template <class V>
inline constexpr bool IsMethod = std::is_base_of_v<TMethod, V>;

template <class V>
Int64 ToOrd(const V& Value)
{
    if constexpr (IsSet<V>::value)
        return static_cast<Int64>(Value.Bits());
    else
        return static_cast<Int64>(Value);
}
template <class V>
V FromOrd(Int64 Value)
{
    if constexpr (IsSet<V>::value)
        return V::FromBits(static_cast<uint64_t>(Value));
    else
        return static_cast<V>(Value);
}
template <class V>
double ToFloat(const V& Value)
{
    if constexpr (std::is_same_v<V, Currency>)
        return Value.ToDouble();
    else
        return static_cast<double>(Value);
}
template <class V>
V FromFloat(double Value)
{
    if constexpr (std::is_same_v<V, Currency>)
        return Currency(Value);
    else
        return V(Value);
}

/// Fills the reader of P from Get (a field or a const member function).
template <class V, class Get>
void SetReader(TPropInfo& P, Get Getter)
{
    using C = typename MemberOf<Get>::Class;
    auto Read = [Getter](TObject* Obj) -> decltype(auto) {
        return std::invoke(Getter, *static_cast<C*>(Obj));
    };
    if constexpr (IsOrdinal<V> || IsSet<V>::value)
        P.GetOrd = [Read](TObject* Obj) { return ToOrd<V>(Read(Obj)); };
    else if constexpr (IsFloat<V>)
        P.GetFloat = [Read](TObject* Obj) { return ToFloat<V>(Read(Obj)); };
    else if constexpr (std::is_same_v<V, AnsiString>)
        P.GetStr = [Read](TObject* Obj) { return AnsiString(Read(Obj)); };
    else if constexpr (IsObject<V>)
        P.GetObj = [Read](TObject* Obj) -> TObject* { return Read(Obj); };
    else if constexpr (IsMethod<V>)
        P.GetMethod = [Read](TObject* Obj) -> TMethod { return Read(Obj); };
    else
        static_assert(sizeof(V) == 0, "a published property of this type is not supported");
}

/// Raises EPropertyError when a method pointer of another signature is set.
void CheckSignature(const TMethod& Value, const std::type_info& Expected);

/// Fills the writer of P from Set (a field or a member function taking V).
template <class V, class Set>
void SetWriter(TPropInfo& P, Set Setter)
{
    using C = typename MemberOf<Set>::Class;
    auto Write = [Setter](TObject* Obj, V Value) {
        if constexpr (std::is_member_function_pointer_v<Set>)
            std::invoke(Setter, *static_cast<C*>(Obj), std::move(Value));
        else
            std::invoke(Setter, *static_cast<C*>(Obj)) = std::move(Value);
    };
    if constexpr (IsOrdinal<V> || IsSet<V>::value) {
        P.SetOrd = [Write](TObject* Obj, Int64 Value) { Write(Obj, FromOrd<V>(Value)); };
    } else if constexpr (IsFloat<V>) {
        P.SetFloat = [Write](TObject* Obj, double Value) { Write(Obj, FromFloat<V>(Value)); };
    } else if constexpr (std::is_same_v<V, AnsiString>) {
        P.SetStr = [Write](TObject* Obj, const AnsiString& Value) { Write(Obj, Value); };
    } else if constexpr (IsObject<V>) {
        // A value of an unrelated class is ignored, as the runtime did.
        P.SetObj = [Write](TObject* Obj, TObject* Value) {
            if (!Value)
                Write(Obj, nullptr);
            else if (auto* Typed = dynamic_cast<V>(Value))
                Write(Obj, Typed);
        };
    } else if constexpr (IsMethod<V>) {
        P.SetMethod = [Write](TObject* Obj, const TMethod& Value) {
            if (Value.Assigned())
                CheckSignature(Value, V::SignatureType());
            Write(Obj, V::FromMethod(Value));
        };
    } else {
        static_assert(sizeof(V) == 0, "a published property of this type is not supported");
    }
}

}  // namespace propdetail

/// A read-only published property: Getter is a field (&T::FValue) or a const
/// member function (&T::GetValue).
template <class Get>
TPropInfo Property(const char* Name, Get Getter)
{
    using V = propdetail::ValueOf<Get>;
    TPropInfo P;
    P.Name = Name;
    P.PropType = TypeInfo<V>();
    propdetail::SetReader<V>(P, Getter);
    return P;
}

/// A read-write published property: "read Getter write Setter", each a field
/// or a member function (the setter takes the value, by value or const&).
template <class Get, class Set>
TPropInfo Property(const char* Name, Get Getter, Set Setter)
{
    using V = propdetail::ValueOf<Get>;
    TPropInfo P = Property(Name, Getter);
    propdetail::SetWriter<V>(P, Setter);
    return P;
}

// ---- the runtime's routines over properties --------------------------------

/// Every published property of AClass, its ancestors' first, in declaration
/// order (not sorted); one published again appears once, at its first
/// place, in its latest declaration.
[[nodiscard]] TPropList GetPropList(TClass AClass);
[[nodiscard]] TPropList GetPropList(const TObject* AObject);
/// The properties whose kind is in Kinds, in the same order.
[[nodiscard]] TPropList GetPropList(TClass AClass, TTypeKinds Kinds);
[[nodiscard]] int GetPropCount(TClass AClass);

/// The property Name of the class (case ignored, as the runtime looked it
/// up); null when there is none.
[[nodiscard]] PPropInfo GetPropInfo(TClass AClass, const AnsiString& PropName);
[[nodiscard]] PPropInfo GetPropInfo(const TObject* Instance, const AnsiString& PropName);
[[nodiscard]] bool IsPublishedProp(const TObject* Instance, const AnsiString& PropName);
[[nodiscard]] bool IsPublishedProp(TClass AClass, const AnsiString& PropName);
/// True when the property's kind is one of Kinds.
[[nodiscard]] bool PropIsType(const TObject* Instance, const AnsiString& PropName, TTypeKind Kind);
/// The "stored" clause evaluated for Instance.
[[nodiscard]] bool IsStoredProp(TObject* Instance, PPropInfo PropInfo);

// The readers and writers raise EPropertyError "Property %s does not exist"
// for an unknown name, "Property %s is read-only" / "Property %s is
// write-only" for a missing accessor, and "Invalid property type: %s" when
// the property's kind does not fit the routine.

[[nodiscard]] Int64 GetOrdProp(TObject* Instance, PPropInfo PropInfo);
[[nodiscard]] Int64 GetOrdProp(TObject* Instance, const AnsiString& PropName);
void SetOrdProp(TObject* Instance, PPropInfo PropInfo, Int64 Value);
void SetOrdProp(TObject* Instance, const AnsiString& PropName, Int64 Value);
[[nodiscard]] Int64 GetInt64Prop(TObject* Instance, PPropInfo PropInfo);
[[nodiscard]] Int64 GetInt64Prop(TObject* Instance, const AnsiString& PropName);
void SetInt64Prop(TObject* Instance, PPropInfo PropInfo, Int64 Value);
void SetInt64Prop(TObject* Instance, const AnsiString& PropName, Int64 Value);
/// Float properties as double; a Currency property converts (rounded half to
/// even at the fourth decimal when set).
[[nodiscard]] double GetFloatProp(TObject* Instance, PPropInfo PropInfo);
[[nodiscard]] double GetFloatProp(TObject* Instance, const AnsiString& PropName);
void SetFloatProp(TObject* Instance, PPropInfo PropInfo, double Value);
void SetFloatProp(TObject* Instance, const AnsiString& PropName, double Value);
[[nodiscard]] AnsiString GetStrProp(TObject* Instance, PPropInfo PropInfo);
[[nodiscard]] AnsiString GetStrProp(TObject* Instance, const AnsiString& PropName);
void SetStrProp(TObject* Instance, PPropInfo PropInfo, const AnsiString& Value);
void SetStrProp(TObject* Instance, const AnsiString& PropName, const AnsiString& Value);
/// The object a class property holds (not owned by the caller).
[[nodiscard]] TObject* GetObjectProp(TObject* Instance, PPropInfo PropInfo);
[[nodiscard]] TObject* GetObjectProp(TObject* Instance, const AnsiString& PropName);
/// Sets a class property; a Value that is not of the property's class is
/// ignored, as the runtime did.
void SetObjectProp(TObject* Instance, PPropInfo PropInfo, TObject* Value);
void SetObjectProp(TObject* Instance, const AnsiString& PropName, TObject* Value);
[[nodiscard]] TMethod GetMethodProp(TObject* Instance, PPropInfo PropInfo);
[[nodiscard]] TMethod GetMethodProp(TObject* Instance, const AnsiString& PropName);
void SetMethodProp(TObject* Instance, PPropInfo PropInfo, const TMethod& Value);
void SetMethodProp(TObject* Instance, const AnsiString& PropName, const TMethod& Value);
/// An enumeration property by value name ("alClient").
[[nodiscard]] AnsiString GetEnumProp(TObject* Instance, PPropInfo PropInfo);
[[nodiscard]] AnsiString GetEnumProp(TObject* Instance, const AnsiString& PropName);
/// Raises EPropertyError "Invalid property element: %s" for a name the type
/// lacks.
void SetEnumProp(TObject* Instance, PPropInfo PropInfo, const AnsiString& Value);
void SetEnumProp(TObject* Instance, const AnsiString& PropName, const AnsiString& Value);
/// A set property as member names joined by "," ("fsBold,fsItalic"), in
/// brackets when Brackets is true.
[[nodiscard]] AnsiString GetSetProp(TObject* Instance, PPropInfo PropInfo, bool Brackets = false);
[[nodiscard]] AnsiString GetSetProp(TObject* Instance, const AnsiString& PropName, bool Brackets = false);
/// Reads such a text (brackets and spaces allowed); raises EPropertyError
/// "Invalid property element: %s" for an unknown name.
void SetSetProp(TObject* Instance, PPropInfo PropInfo, const AnsiString& Value);
void SetSetProp(TObject* Instance, const AnsiString& PropName, const AnsiString& Value);

/// Name of ordinal Value of an enumeration ("True" for Boolean 1); '' out of
/// range. For tkInteger types the number as text.
[[nodiscard]] AnsiString GetEnumName(PTypeInfo TypeInfo, int Value);
/// Ordinal of the value Name (case ignored); -1 when absent.
[[nodiscard]] int GetEnumValue(PTypeInfo TypeInfo, const AnsiString& Name);
/// Set bits as member names, and back (see GetSetProp/SetSetProp).
[[nodiscard]] AnsiString SetToString(PPropInfo PropInfo, Int64 Value, bool Brackets = false);
[[nodiscard]] Int64 StringToSet(PPropInfo PropInfo, const AnsiString& Value);

#pragma once

// The object model: TObject, the root of every class of the program, and
// its metaclass. A metaclass (TClass, a pointer to the class's MetaClass)
// knows the class's name, parent and published properties, and creates
// objects of the class where the program uses class references (virtual
// constructors): TComponentClass creates a component with an owner,
// TCollectionItemClass an item in a collection, a plain TClass an object by
// its default constructor.
//
// Every class declares its metaclass with one line and defines it with one
// macro in its .cpp, listing its published properties:
//     class TMyOptions : public TAppOptions {
//         PRICETAGS_CLASS(TMyOptions, TAppOptions)
//     public: ...
//     };
//     PRICETAGS_DEFINE_CLASS(TMyOptions,
//         Property("Width", &TMyOptions::FWidth, &TMyOptions::SetWidth))
// `inherited` is private to the class that declares it, so a class that
// forgets the declaration and calls inherited::Loaded() does not compile
// (it would otherwise reach its grandparent's method).

#include "platform/classes/TypInfo.h"
#include "platform/rtl/AnsiString.h"
#include "platform/rtl/Exceptions.h"

#include <initializer_list>
#include <type_traits>
#include <vector>

class TCollection;
class TComponent;

/// Declares the metaclass of class Name derived from Parent: the static
/// StaticClass(), the ClassType() override and `inherited`. Leaves the
/// access at public.
#define PRICETAGS_CLASS(Name, Parent)                                      \
private:                                                                   \
    using inherited = Parent;                                              \
    friend class ::MetaClass;                                              \
                                                                           \
public:                                                                    \
    static TClass StaticClass();                                           \
    TClass ClassType() const override { return Name::StaticClass(); }

/// Defines the metaclass of class Name declared with PRICETAGS_CLASS, with
/// its own published properties (Property(...) expressions) in declaration
/// order.
#define PRICETAGS_DEFINE_CLASS(Name, ...)                                   \
    TClass Name::StaticClass()                                             \
    {                                                                      \
        static const MetaClass Class = MetaClass::Make<Name>(#Name, {__VA_ARGS__}); \
        return &Class;                                                     \
    }

class TObject {
public:
    TObject() = default;
    virtual ~TObject();
    TObject(const TObject&) = delete;
    TObject& operator=(const TObject&) = delete;

    static TClass StaticClass();
    /// The metaclass of the object's actual class.
    virtual TClass ClassType() const;
    /// Name of the actual class ("TButton").
    AnsiString ClassName() const;
    /// The parent of the actual class; null for TObject.
    TClass ClassParent() const;
    /// True when the actual class is AClass or derives from it.
    bool InheritsFrom(TClass AClass) const;
};

/// The description of one class. Made once per class (a function-local
/// static in its StaticClass) and never freed.
class MetaClass {
public:
    using Factory = TObject* (*)();
    using ComponentFactory = TObject* (*)(TComponent* AOwner);
    using ItemFactory = TObject* (*)(TCollection* Collection);

    /// The metaclass of T named Name, child of T::inherited, with T's own
    /// published properties in declaration order. Constructors T(),
    /// T(TComponent*) and T(TCollection*) are found when they are public
    /// and T is not abstract.
    template <class T>
    static MetaClass Make(const char* Name, std::initializer_list<TPropInfo> Props = {})
    {
        MetaClass M(Name, T::inherited::StaticClass(), Props);
        if constexpr (!std::is_abstract_v<T>) {
            if constexpr (std::is_default_constructible_v<T>)
                M.FCreate = [] { return static_cast<TObject*>(new T()); };
            if constexpr (std::is_constructible_v<T, TComponent*>)
                M.FCreateComponent = [](TComponent* O) { return static_cast<TObject*>(new T(O)); };
            if constexpr (std::is_constructible_v<T, TCollection*> &&
                          !std::is_constructible_v<T, TComponent*>)
                M.FCreateItem = [](TCollection* C) { return static_cast<TObject*>(new T(C)); };
        }
        return M;
    }
    /// The root's metaclass (TObject has no parent).
    MetaClass(const char* Name, TClass Parent, std::initializer_list<TPropInfo> Props);
    MetaClass(MetaClass&& Other);
    MetaClass(const MetaClass&) = delete;
    MetaClass& operator=(const MetaClass&) = delete;

    const AnsiString& ClassName() const { return FName; }
    TClass ClassParent() const { return FParent; }
    /// True when this class is AClass or derives from it; false for null.
    bool InheritsFrom(TClass AClass) const;
    /// The type information of the class (tkClass, named after it).
    PTypeInfo ClassInfo() const { return &FTypeInfo; }
    /// The properties this class declares itself (its ancestors' not
    /// included); see GetPropList for all.
    const std::vector<TPropInfo>& OwnProperties() const { return FProps; }
    /// Number of properties of the class and its ancestors (one published
    /// again counts once).
    int PropCount() const { return FPropCount; }

    /// Virtual constructors. Each raises EInvalidOperation "Cannot create
    /// an object of class %s" when the class has no such constructor
    /// (abstract classes). The caller owns the result unless the
    /// constructor handed it to an owner.
    TObject* Create() const;
    TObject* Create(TComponent* AOwner) const;
    TObject* Create(TCollection* Collection) const;

private:
    AnsiString FName;
    TClass FParent = nullptr;
    std::vector<TPropInfo> FProps;
    int FPropCount = 0;
    TTypeInfo FTypeInfo;
    Factory FCreate = nullptr;
    ComponentFactory FCreateComponent = nullptr;
    ItemFactory FCreateItem = nullptr;
};

/// A class reference limited to T and its descendants (the runtime's
/// `class of T`): TComponentClass, TCollectionItemClass... Create runs the
/// actual class's constructor and returns it as a T.
template <class T>
class TClassOf {
public:
    TClassOf() = default;
    TClassOf(std::nullptr_t) {}
    /// AClass must be T or derive from it.
    TClassOf(TClass AClass) : FClass(AClass) {}

    operator TClass() const { return FClass; }
    const MetaClass* operator->() const { return FClass; }
    explicit operator bool() const { return FClass != nullptr; }

    T* Create() const { return static_cast<T*>(FClass->Create()); }
    T* Create(TComponent* AOwner) const { return static_cast<T*>(FClass->Create(AOwner)); }
    T* Create(TCollection* Collection) const { return static_cast<T*>(FClass->Create(Collection)); }

private:
    TClass FClass = nullptr;
};

/// The metaclass of T (the runtime's bare class name used as a value).
template <class T>
TClass ClassOf()
{
    return T::StaticClass();
}

/// Deletes Obj and clears the pointer (the runtime's FreeAndNil).
template <class T>
void FreeAndNil(T*& Obj)
{
    T* Old = Obj;
    Obj = nullptr;
    delete Old;
}

// ---- the class registry (streaming system) ---------------------------------

/// Registers a class by its name; registering one class twice is harmless,
/// another class under a taken name raises EFilerError "A class named %s
/// already exists".
void RegisterClass(TClass AClass);
void RegisterClasses(std::initializer_list<TClass> Classes);
void UnRegisterClass(TClass AClass);
/// The registered class named ClassName (case ignored); null when absent.
[[nodiscard]] TClass GetClass(const AnsiString& ClassName);
/// As GetClass, but raises EClassNotFound "Class %s not found".
[[nodiscard]] TClass FindClass(const AnsiString& ClassName);

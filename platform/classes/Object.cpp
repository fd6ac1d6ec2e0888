#include "platform/classes/Object.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/StrUtils.h"

#include <mutex>
#include <vector>

namespace {

const char* const SCannotCreate = "Cannot create an object of class %s";
const char* const SClassNotFound = "Class %s not found";
const char* const SDuplicateClass = "A class named %s already exists";

/// The registered classes, in registration order, behind one lock.
struct ClassRegistry {
    std::mutex Lock;
    std::vector<TClass> Classes;
};

ClassRegistry& Registry()
{
    static ClassRegistry R;
    return R;
}

TClass FindRegistered(const std::vector<TClass>& Classes, const AnsiString& Name)
{
    for (TClass C : Classes)
        if (AnsiSameText(C->ClassName(), Name))
            return C;
    return nullptr;
}

[[noreturn]] void CannotCreate(const AnsiString& Name)
{
    throw EInvalidOperation(Format(SCannotCreate, {Name}));
}

}  // namespace

// ---- TObject ---------------------------------------------------------------

TObject::~TObject() = default;

TClass TObject::StaticClass()
{
    static const MetaClass Class("TObject", nullptr, {});
    return &Class;
}

TClass TObject::ClassType() const
{
    return StaticClass();
}

AnsiString TObject::ClassName() const
{
    return ClassType()->ClassName();
}

TClass TObject::ClassParent() const
{
    return ClassType()->ClassParent();
}

bool TObject::InheritsFrom(TClass AClass) const
{
    return ClassType()->InheritsFrom(AClass);
}

// ---- MetaClass -------------------------------------------------------------

MetaClass::MetaClass(const char* Name, TClass Parent, std::initializer_list<TPropInfo> Props)
    : FName(Name), FParent(Parent), FProps(Props)
{
    // A property the class publishes again (a new default, a new stored
    // clause) keeps the position of the one it replaces.
    FPropCount = Parent ? Parent->PropCount() : 0;
    for (TPropInfo& P : FProps) {
        const PPropInfo Inherited = Parent ? GetPropInfo(Parent, P.Name) : nullptr;
        P.NameIndex = Inherited ? Inherited->NameIndex : FPropCount++;
    }
    FTypeInfo.Kind = tkClass;
    FTypeInfo.Name = FName;
    FTypeInfo.ClassType = this;
}

MetaClass::MetaClass(MetaClass&& Other)
    : FName(std::move(Other.FName)), FParent(Other.FParent), FProps(std::move(Other.FProps)),
      FPropCount(Other.FPropCount), FTypeInfo(std::move(Other.FTypeInfo)), FCreate(Other.FCreate),
      FCreateComponent(Other.FCreateComponent), FCreateItem(Other.FCreateItem)
{
    // The type information points back at its metaclass.
    FTypeInfo.ClassType = this;
}

bool MetaClass::InheritsFrom(TClass AClass) const
{
    for (TClass C = this; C; C = C->FParent)
        if (C == AClass)
            return true;
    return false;
}

TObject* MetaClass::Create() const
{
    if (!FCreate)
        CannotCreate(FName);
    return FCreate();
}

TObject* MetaClass::Create(TComponent* AOwner) const
{
    if (!FCreateComponent)
        CannotCreate(FName);
    return FCreateComponent(AOwner);
}

TObject* MetaClass::Create(TCollection* Collection) const
{
    if (!FCreateItem)
        CannotCreate(FName);
    return FCreateItem(Collection);
}

// ---- the class registry ----------------------------------------------------

void RegisterClass(TClass AClass)
{
    ClassRegistry& R = Registry();
    const std::lock_guard<std::mutex> Lock(R.Lock);
    const TClass Known = FindRegistered(R.Classes, AClass->ClassName());
    if (Known == AClass)
        return;
    if (Known)
        throw EFilerError(Format(SDuplicateClass, {AClass->ClassName()}));
    R.Classes.push_back(AClass);
}

void RegisterClasses(std::initializer_list<TClass> Classes)
{
    for (TClass C : Classes)
        RegisterClass(C);
}

void UnRegisterClass(TClass AClass)
{
    ClassRegistry& R = Registry();
    const std::lock_guard<std::mutex> Lock(R.Lock);
    std::erase(R.Classes, AClass);
}

TClass GetClass(const AnsiString& ClassName)
{
    ClassRegistry& R = Registry();
    const std::lock_guard<std::mutex> Lock(R.Lock);
    return FindRegistered(R.Classes, ClassName);
}

TClass FindClass(const AnsiString& ClassName)
{
    const TClass C = GetClass(ClassName);
    if (!C)
        throw EClassNotFound(Format(SClassNotFound, {ClassName}));
    return C;
}

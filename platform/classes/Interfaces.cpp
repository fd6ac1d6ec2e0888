#include "platform/classes/Interfaces.h"

TInterfacedObject::~TInterfacedObject() = default;

TClass TInterfacedObject::StaticClass()
{
    static const MetaClass Class = MetaClass::Make<TInterfacedObject>("TInterfacedObject");
    return &Class;
}

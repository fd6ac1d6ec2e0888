#include "platform/classes/Interfaces.h"

TInterfacedObject::~TInterfacedObject() = default;

PRICETAGS_DEFINE_CLASS(TInterfacedObject)

#include "platform/classes/Persistent.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Format.h"

namespace {

const char* const SAssignError = "Cannot assign a %s to a %s";

}  // namespace

PRICETAGS_DEFINE_CLASS(TPersistent)

TPersistent::~TPersistent() = default;

void TPersistent::Assign(TPersistent* Source)
{
    if (Source) {
        Source->AssignTo(this);
        return;
    }
    AssignError(nullptr);
}

void TPersistent::AssignTo(TPersistent* Dest)
{
    Dest->AssignError(this);
}

void TPersistent::AssignError(TPersistent* Source)
{
    const AnsiString SourceName = Source ? Source->ClassName() : AnsiString("nil");
    throw EConvertError(Format(SAssignError, {SourceName, ClassName()}));
}

void TPersistent::DefineProperties(TFiler*) {}

TPersistent* TPersistent::GetOwner()
{
    return nullptr;
}

AnsiString TPersistent::GetNamePath()
{
    AnsiString Result = ClassName();
    if (TPersistent* Owner = GetOwner()) {
        const AnsiString S = Owner->GetNamePath();
        if (!S.IsEmpty())
            Result = S + "." + Result;
    }
    return Result;
}

PRICETAGS_DEFINE_CLASS(TFiler)

TFiler::~TFiler() = default;

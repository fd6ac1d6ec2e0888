#include "common/components/YLDCompn.h"

#include "common/components/YLDGrids.h"

#include "platform/classes/Filer.h"
#include "platform/classes/TypInfo.h"
#include "platform/rtl/StrUtils.h"

AnsiString StrHolderXorLine(const AnsiString& Line, const AnsiString& Key)
{
    if (Key.IsEmpty() || Line.IsEmpty())
        return Line;
    AnsiString Result = Line;
    const int KeyLen = Key.Length();
    for (int I = 1; I <= Line.Length(); ++I)
        Result[I] = static_cast<char>(Line[I] ^ Key[(I - 1) % KeyLen + 1]);
    return Result;
}

PRICETAGS_DEFINE_CLASS(Tyl_StrHolder,
    Property("Capacity", &Tyl_StrHolder::Capacity, &Tyl_StrHolder::SetCapacity).NotStored(),
    Property("Duplicates", &Tyl_StrHolder::Duplicates, &Tyl_StrHolder::SetDuplicates)
        .WithDefault(dupIgnore),
    Property("KeyString", &Tyl_StrHolder::KeyString, &Tyl_StrHolder::SetKeyString),
    Property("Strings", &Tyl_StrHolder::Strings, &Tyl_StrHolder::SetStrings).NotStored(),
    Property("OnChange", &Tyl_StrHolder::OnChange, &Tyl_StrHolder::OnChange),
    Property("OnChanging", &Tyl_StrHolder::OnChanging, &Tyl_StrHolder::OnChanging))

Tyl_StrHolder::Tyl_StrHolder(TComponent* AOwner)
    : TComponent(AOwner), FStrings(std::make_unique<TStringList>())
{
    FStrings->OnChange = TNotifyEvent(this, &Tyl_StrHolder::StringsChanged);
    FStrings->OnChanging = TNotifyEvent(this, &Tyl_StrHolder::StringsChanging);
}

Tyl_StrHolder::~Tyl_StrHolder()
{
    OnChange = {};
    OnChanging = {};
    FStrings->OnChange = {};
    FStrings->OnChanging = {};
}

void Tyl_StrHolder::SetStrings(TStrings* Value)
{
    FStrings->Assign(Value);
}

void Tyl_StrHolder::Assign(TPersistent* Source)
{
    if (Source && Source->InheritsFrom(ClassOf<TStrings>())) {
        FStrings->Assign(Source);
        return;
    }
    if (Source && Source->InheritsFrom(ClassOf<Tyl_StrHolder>())) {
        // The key stays the target's own.
        FStrings->Assign(static_cast<Tyl_StrHolder*>(Source)->Strings());
        return;
    }
    inherited::Assign(Source);
}

void Tyl_StrHolder::AssignTo(TPersistent* Dest)
{
    if (Dest && Dest->InheritsFrom(ClassOf<TStrings>())) {
        static_cast<TStrings*>(Dest)->Assign(FStrings.get());
        return;
    }
    inherited::AssignTo(Dest);
}

void Tyl_StrHolder::Changed()
{
    OnChange(this);
}

void Tyl_StrHolder::Changing()
{
    OnChanging(this);
}

void Tyl_StrHolder::StringsChanged(TObject*)
{
    if (!ComponentState().Contains(csReading))
        Changed();
}

void Tyl_StrHolder::StringsChanging(TObject*)
{
    if (!ComponentState().Contains(csReading))
        Changing();
}

bool Tyl_StrHolder::StrDataStored(TFiler* Filer) const
{
    TPersistent* Ancestor = Filer->Ancestor();
    if (Ancestor && Ancestor->InheritsFrom(ClassOf<Tyl_StrHolder>())) {
        const auto* Other = static_cast<const Tyl_StrHolder*>(Ancestor);
        if (Other->FStrings->Count() == FStrings->Count() && Other->FKeyString == FKeyString) {
            for (int I = 0; I < FStrings->Count(); ++I) {
                if (!SameText(FStrings->Strings(I), Other->FStrings->Strings(I)))
                    return true;
            }
            return false;
        }
    }
    return FStrings->Count() > 0 || !FKeyString.IsEmpty();
}

void Tyl_StrHolder::DefineProperties(TFiler* Filer)
{
    inherited::DefineProperties(Filer);
    Filer->DefineProperty("StrData", TReaderProc(this, &Tyl_StrHolder::ReadStrData),
                          TWriterProc(this, &Tyl_StrHolder::WriteStrData), StrDataStored(Filer));
}

void Tyl_StrHolder::ReadStrData(TReader* Reader)
{
    Reader->ReadListBegin();
    if (!Reader->EndOfList())
        FKeyString = Reader->ReadString();
    FStrings->Clear();
    while (!Reader->EndOfList())
        FStrings->Add(StrHolderXorLine(Reader->ReadString(), FKeyString));
    Reader->ReadListEnd();
}

void Tyl_StrHolder::WriteStrData(TWriter* Writer)
{
    Writer->WriteListBegin();
    Writer->WriteString(FKeyString);
    for (int I = 0; I < FStrings->Count(); ++I)
        Writer->WriteString(StrHolderXorLine(FStrings->Strings(I), FKeyString));
    Writer->WriteListEnd();
}

void YLDCompnInitialization()
{
    RegisterClasses({ClassOf<Tyl_Image>(), ClassOf<Tyl_ComboEdit>(), ClassOf<Tyl_Bevel>(),
                     ClassOf<Tyl_FloatEdit>(), ClassOf<Tyl_CurrencyEdit>(),
                     ClassOf<Tyl_IntegerEdit>(), ClassOf<Tyl_StrHolder>(), ClassOf<Tyl_DrawGrid>(),
                     ClassOf<Tyl_DataDrawGrid>()});
}

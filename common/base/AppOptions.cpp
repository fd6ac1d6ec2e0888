#include "common/base/AppOptions.h"

#include "common/base/Funcs.h"
#include "platform/classes/IniFiles.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/StrUtils.h"

namespace {

const char* const SRootSectionName = "CommonSection";
const char* const SParentNotAssigned = "TAppOptionsSection: Parent not assigned";
const auto& SParamDefined = "Параметр \"%s\" уже определен в секции \"%s\""_a;
const auto& SNoSection = "Секция \"%s\" отсутствует в файле конфигурации"_a;
const auto& SNoParam = "Параметр \"%s\" отсутствует в файле конфигурации"_a;
const auto& SErrorsHeader = "  ---  Ошибки чтения параметров"_a;
const auto& SWriteError = "Ошибка записи параметра \"%s: %s\""_a;
const auto& SReadError = "Ошибка чтения параметра \"%s: %s\""_a;
const auto& SSaveTypeOnSave = "TAppOptions: Неверный параметр SaveType"_a;
const auto& SSaveTypeOnLoad = "Неверный параметр TAppOptions.SaveType"_a;
const auto& SSaveTypeOnSaveVar = "SaveVar: Неверный параметр TAppOptions.SaveType"_a;
const auto& SSaveTypeOnRestVar = "RestVar: Неверный параметр TAppOptions.SaveType"_a;
const auto& SSaveTypeOnErase = "EraseSection: Неверный параметр TAppOptions.SaveType"_a;
const auto& SNoDataBaseRead = "RestVarDataBase: Не подключена загрузка из БД"_a;
const auto& SNoDataBaseWrite = "SaveVarDataBase: Не подключено сохранение в БД"_a;
const auto& SNoDataBaseErase = "SaveVarDataBase: Не подключено удаление секции из БД"_a;
const auto& SUnknownVarType = "Неизвестный тип парметра: "_a;
const auto& SUnknownPropKind = "Неизвестный тип параметра (PropInfo.PropType.Kind)"_a;
const auto& SRestIniStringsNil = "RestIniStrings: параметр = nil"_a;

/// Storage kinds.
constexpr Byte SaveTypeIni = 1;
constexpr Byte SaveTypeRegistry = 2;
constexpr Byte SaveTypeDataBase = 3;

/// Raises the gathered errors as one Exception headed by SErrorsHeader and
/// empties the list; nothing when it is empty.
void RaiseErrorList(TStringList& Errors)
{
    if (Errors.Count() == 0)
        return;
    Errors.Insert(0, AnsiString());
    Errors.Insert(1, SErrorsHeader);
    const AnsiString Text = Errors.Text();
    Errors.Clear();
    throw Exception(Text);
}

/// Runs Step on every property. One that fails is listed in Errors as
/// ErrorText with its name and message, and the others still run, so one
/// bad parameter does not cost the rest.
template <typename PropStep>
void ForEachProp(const TPropList& Props, TStringList& Errors, const AnsiString& ErrorText,
                 PropStep Step)
{
    for (PPropInfo Prop : Props) {
        try {
            Step(Prop);
        } catch (const Exception& E) {
            Errors.Add(Format(ErrorText, {Prop->Name, E.Message}));
        }
    }
}

/// Puts a text back into a variable when the scope ends.
class RestoreText {
public:
    explicit RestoreText(AnsiString& Text) : FText(Text) {}
    ~RestoreText() { FText = AnsiString(); }
    RestoreText(const RestoreText&) = delete;
    RestoreText& operator=(const RestoreText&) = delete;

private:
    AnsiString& FText;
};

void SaveVarIni(TCustomIniFile& Ini, const AnsiString& Section, const AnsiString& Name,
                const Variant& Value)
{
    const TVarType T = VarType(Value) & varTypeMask;
    if (T == varBoolean)
        Ini.WriteBool(Section, Name, Value.AsBoolean());
    else if (IsIntegerVarType(T))
        Ini.WriteInteger(Section, Name, Value.AsInteger());
    else if (IsFloatVarType(T))
        WriteQuotedString(Ini, Section, Name, FloatToStr(Value.AsDouble()));
    else if (T == varDate)
        Ini.WriteDate(Section, Name, Value.AsDateTime());
    else if (T == varString || T == varOleStr)
        WriteQuotedString(Ini, Section, Name, Value.AsString());
    else
        throw Exception(SUnknownVarType + Name);
}

Variant RestVarIni(TCustomIniFile& Ini, const AnsiString& Section, const AnsiString& Name,
                   const Variant& Default)
{
    const TVarType T = VarType(Default) & varTypeMask;
    if (T == varBoolean)
        return Variant(Ini.ReadBool(Section, Name, Default.AsBoolean()));
    if (IsIntegerVarType(T))
        return Variant(Ini.ReadInteger(Section, Name, Default.AsInteger()));
    if (IsFloatVarType(T))
        return Variant(ReadQuotedString(Ini, Section, Name, FloatToStr(Default.AsDouble())));
    if (T == varDate)
        return Variant(Ini.ReadDate(Section, Name, Default.AsDateTime()));
    if (T == varString || T == varOleStr)
        return Variant(ReadQuotedString(Ini, Section, Name, Default.AsString()));
    throw Exception(SUnknownVarType + Name);
}

enum class FloatKind { DateTime, Date, Time, Plain };

FloatKind FloatKindOf(PPropInfo Prop)
{
    const AnsiString& Name = Prop->PropType->Name;
    if (Name == TDateTime::TypeName)
        return FloatKind::DateTime;
    if (Name == TDate::TypeName)
        return FloatKind::Date;
    if (Name == TTime::TypeName)
        return FloatKind::Time;
    return FloatKind::Plain;
}

enum class StoredKind { Ordinal, Float, String, None };

StoredKind StoredKindOf(PPropInfo Prop)
{
    switch (Prop->PropType->Kind) {
    case tkInteger:
    case tkChar:
    case tkEnumeration:
    case tkWChar:
        return StoredKind::Ordinal;
    case tkFloat:
        return StoredKind::Float;
    case tkString:
    case tkLString:
    case tkWString:
        return StoredKind::String;
    case tkUnknown:
    case tkSet:
    case tkClass:
    case tkMethod:
    case tkVariant:
    case tkArray:
    case tkRecord:
    case tkInterface:
    case tkInt64:
    case tkDynArray:
        return StoredKind::None;
    }
    return StoredKind::None;
}

}  // namespace

/// Where a parameter is stored.
struct TAppOptions::ParamPlace {
    AnsiString SectionName;
    TCustomIniFile* Ini = nullptr;
    /// How the parameter is kept: in the ini file when located through
    /// OverrideIni, else the save type of the child section that lists it,
    /// else the root's.
    Byte SaveType = SaveTypeIni;
};

// ---- TAppOptionsSection -----------------------------------------------------

PRICETAGS_DEFINE_CLASS(TAppOptionsSection)

TAppOptionsSection::TAppOptionsSection()
{
    SetDuplicates(dupError);
}

TAppOptionsSection::~TAppOptionsSection()
{
    CloseStorage();
}

int TAppOptionsSection::Add(const AnsiString& Name)
{
    if (!FParent)
        throw Exception(SParentNotAssigned);
    for (int I = 0; I < FParent->Count(); ++I) {
        const TAppOptionsSection* Section = FParent->ChildSection(I);
        if (Section && Section->IndexOf(Name) >= 0)
            throw Exception(Format(SParamDefined, {Name, Section->FSectionName}));
    }
    return TStringList::Add(Name);
}

void TAppOptionsSection::AddParams(std::initializer_list<AnsiString> Names)
{
    TStringList Errors;
    for (const AnsiString& Name : Names) {
        try {
            Add(Name);
        } catch (const Exception& E) {
            Errors.Add(E.Message);
        }
    }
    RaiseErrorList(Errors);
}

void TAppOptionsSection::SetFileName(const AnsiString& Name)
{
    if (AnsiSameText(Name, FFileName))
        return;
    CloseStorage();
    const bool HasParent = FParent && FParent != this;
    const AnsiString ParentName = HasParent ? FParent->GetFileName() : AnsiString();
    if (!Name.IsEmpty() && !AnsiSameText(Name, ParentName)) {
        FFileName = Name;
        FOwnsIni = true;
        FSaveType = SaveTypeIni;
    }
}

AnsiString TAppOptionsSection::GetFileName() const
{
    if (!FFileName.IsEmpty() || !FParent || FParent == this)
        return FFileName;
    return FParent->GetFileName();
}

TIniFile* TAppOptionsSection::GetIniFile()
{
    if (!FOwnsIni || FFileName.IsEmpty())
        return FParent && FParent != this ? FParent->GetIniFile() : nullptr;
    if (FSaveType != SaveTypeIni && FSaveType != SaveTypeRegistry)
        return nullptr;
    if (!FIni) {
        FIni = std::make_unique<TIniFile>(FFileName);
        FIni->SetAutoSave(FParent ? FParent->IniAutoSave : false);
    }
    return FIni.get();
}

AnsiString TAppOptionsSection::GetIniText(TCustomIniFile* Ini)
{
    TStringList Lines;
    if (auto* Shared = dynamic_cast<TIniFile*>(Ini))
        Shared->GetStrings(&Lines);
    else if (auto* Plain = dynamic_cast<TMemIniFile*>(Ini))
        Plain->GetStrings(&Lines);
    return Lines.Text();
}

void TAppOptionsSection::CloseStorage()
{
    if (FIni) {
        // Closing never writes: saving goes through the explicit flush.
        FIni->SetAutoSave(false);
        FIni.reset();
    }
    FFileName = AnsiString();
    FOwnsIni = false;
}

// ---- TAppOptions ------------------------------------------------------------

PRICETAGS_DEFINE_CLASS(TAppOptions)

TAppOptions::TAppOptions()
{
    FParent = this;
    FSectionName = SRootSectionName;
}

TAppOptions::~TAppOptions()
{
    for (int I = 0; I < Count(); ++I)
        delete ChildSection(I);
    Clear();
}

TAppOptionsSection* TAppOptions::ChildSection(int Index) const
{
    return dynamic_cast<TAppOptionsSection*>(Objects(Index));
}

bool TAppOptions::AllowUpdate()
{
    return true;
}

TAppOptionsSection* TAppOptions::AddSection(const AnsiString& Name)
{
    const int Index = IndexOf(Name);
    if (Index >= 0)
        if (TAppOptionsSection* Existing = ChildSection(Index))
            return Existing;
    auto* Section = new TAppOptionsSection;
    Section->FParent = this;
    Section->FSaveType = FSaveType;
    Section->FSectionName = Name;
    // The root's own Add registers parameter names; a section is added
    // with its object.
    TStringList::AddObject(Name, Section);
    return Section;
}

void TAppOptions::RaiseErrors()
{
    RaiseErrorList(FErrors);
}

TAppOptions::ParamPlace TAppOptions::LocateParam(const AnsiString& Name)
{
    ParamPlace Place;
    Place.SectionName = FSectionName;
    Place.Ini = GetIniFile();
    if (OverrideIni) {
        Place.Ini = OverrideIni;
        Place.SaveType = SaveTypeIni;
        return Place;
    }
    Place.SaveType = FSaveType;
    for (int I = 0; I < Count(); ++I) {
        TAppOptionsSection* Section = ChildSection(I);
        if (!Section || Section->IndexOf(Name) < 0)
            continue;
        Place.SectionName = Section->FSectionName;
        Place.SaveType = Section->FSaveType;
        if (Section->FOwnsIni)
            Place.Ini = Section->GetIniFile();
        break;
    }
    return Place;
}

TCustomIniFile* TAppOptions::IniOfSection(const AnsiString& Name)
{
    if (OverrideIni)
        return OverrideIni;
    for (int I = 0; I < Count(); ++I) {
        TAppOptionsSection* Section = ChildSection(I);
        if (Section && Section->FOwnsIni && AnsiSameText(Section->FSectionName, Name))
            return Section->GetIniFile();
    }
    return GetIniFile();
}

bool TAppOptions::WritePropToIni(TCustomIniFile* Ini, const AnsiString& Section, PPropInfo Prop)
{
    if (!Ini)
        return false;
    switch (StoredKindOf(Prop)) {
    case StoredKind::Ordinal:
        Ini->WriteInteger(Section, Prop->Name, static_cast<Integer>(GetOrdProp(this, Prop)));
        return true;
    case StoredKind::Float: {
        const double Value = GetFloatProp(this, Prop);
        switch (FloatKindOf(Prop)) {
        case FloatKind::DateTime: Ini->WriteDateTime(Section, Prop->Name, Value); break;
        case FloatKind::Date: Ini->WriteDate(Section, Prop->Name, Value); break;
        case FloatKind::Time: Ini->WriteTime(Section, Prop->Name, Value); break;
        case FloatKind::Plain: Ini->WriteFloat(Section, Prop->Name, Value); break;
        }
        return true;
    }
    case StoredKind::String:
        WriteQuotedString(*Ini, Section, Prop->Name, GetStrProp(this, Prop));
        return true;
    case StoredKind::None:
        return false;
    }
    return false;
}

bool TAppOptions::ReadPropFromIni(TCustomIniFile* Ini, const AnsiString& Section, PPropInfo Prop)
{
    if (!Ini)
        return false;
    // The current value is the default: a missing entry leaves it as it is.
    switch (StoredKindOf(Prop)) {
    case StoredKind::Ordinal: {
        const auto Current = static_cast<Integer>(GetOrdProp(this, Prop));
        SetOrdProp(this, Prop, Ini->ReadInteger(Section, Prop->Name, Current));
        return true;
    }
    case StoredKind::Float: {
        const double Current = GetFloatProp(this, Prop);
        double Value = Current;
        switch (FloatKindOf(Prop)) {
        case FloatKind::DateTime: Value = Ini->ReadDateTime(Section, Prop->Name, Current); break;
        case FloatKind::Date: Value = Ini->ReadDate(Section, Prop->Name, Current); break;
        case FloatKind::Time: Value = Ini->ReadTime(Section, Prop->Name, Current); break;
        case FloatKind::Plain: Value = Ini->ReadFloat(Section, Prop->Name, Current); break;
        }
        SetFloatProp(this, Prop, Value);
        return true;
    }
    case StoredKind::String:
        SetStrProp(this, Prop,
                   ReadQuotedString(*Ini, Section, Prop->Name, GetStrProp(this, Prop)));
        return true;
    case StoredKind::None:
        return false;
    }
    return false;
}

bool TAppOptions::WritePropToDataBase(const AnsiString& Section, PPropInfo Prop)
{
    Variant Value;
    switch (StoredKindOf(Prop)) {
    case StoredKind::Ordinal:
        if (Prop->PropType == TypeInfo<bool>())
            Value = Variant(GetOrdProp(this, Prop) != 0);
        else
            Value = Variant(static_cast<Integer>(GetOrdProp(this, Prop)));
        break;
    case StoredKind::Float:
        if (FloatKindOf(Prop) == FloatKind::Plain)
            Value = Variant(GetFloatProp(this, Prop));
        else
            Value = Variant(TDateTime(GetFloatProp(this, Prop)));
        break;
    case StoredKind::String:
        Value = Variant(GetStrProp(this, Prop));
        break;
    case StoredKind::None:
        LogMessage(SUnknownPropKind, 2);
        return false;
    }
    if (!OnWriteVar)
        throw Exception(SNoDataBaseWrite);
    OnWriteVar(Section, Prop->Name, Value);
    return true;
}

bool TAppOptions::ReadPropFromDataBase(const AnsiString& Section, PPropInfo Prop)
{
    const StoredKind Kind = StoredKindOf(Prop);
    if (Kind == StoredKind::None) {
        LogMessage(SUnknownPropKind, 2);
        return false;
    }
    if (!OnReadVar)
        throw Exception(SNoDataBaseRead);
    switch (Kind) {
    case StoredKind::Ordinal: {
        const Int64 Current = GetOrdProp(this, Prop);
        const Variant Default = Prop->PropType == TypeInfo<bool>()
                                    ? Variant(Current != 0)
                                    : Variant(static_cast<Integer>(Current));
        const Variant Value = OnReadVar(Section, Prop->Name, Default);
        SetOrdProp(this, Prop, Prop->PropType == TypeInfo<bool>() ? Value.AsBoolean()
                                                                  : Value.AsInteger());
        return true;
    }
    case StoredKind::Float: {
        const double Current = GetFloatProp(this, Prop);
        const Variant Default = FloatKindOf(Prop) == FloatKind::Plain
                                    ? Variant(Current)
                                    : Variant(TDateTime(Current));
        SetFloatProp(this, Prop, OnReadVar(Section, Prop->Name, Default).AsDouble());
        return true;
    }
    case StoredKind::String:
        SetStrProp(this, Prop,
                   OnReadVar(Section, Prop->Name, Variant(GetStrProp(this, Prop))).AsString());
        return true;
    case StoredKind::None:
        return false;
    }
    return false;
}

void TAppOptions::SaveProp(PPropInfo Prop)
{
    const ParamPlace Place = LocateParam(Prop->Name);
    if (!FCurrentSection.IsEmpty() && !AnsiSameText(Place.SectionName, FCurrentSection))
        return;
    const Byte Kind = Place.SaveType;
    bool Written = false;
    TCustomIniFile* Used = nullptr;
    switch (Kind) {
    case SaveTypeIni:
    case SaveTypeRegistry:
        Used = Place.Ini;
        Written = WritePropToIni(Place.Ini, Place.SectionName, Prop);
        break;
    case SaveTypeDataBase:
        Written = WritePropToDataBase(Place.SectionName, Prop);
        break;
    default:
        throw Exception(SSaveTypeOnSave);
    }
    if (!Written && Kind != SaveTypeDataBase) {
        TIniFile* Root = GetIniFile();
        if (Root && Root != Used)
            WritePropToIni(Root, Place.SectionName, Prop);
    }
}

void TAppOptions::LoadProp(PPropInfo Prop)
{
    const ParamPlace Place = LocateParam(Prop->Name);
    if (!FCurrentSection.IsEmpty() && !AnsiSameText(Place.SectionName, FCurrentSection))
        return;
    const Byte Kind = Place.SaveType;
    bool Read = false;
    switch (Kind) {
    case SaveTypeIni:
    case SaveTypeRegistry:
        Read = ReadPropFromIni(Place.Ini, Place.SectionName, Prop);
        break;
    case SaveTypeDataBase:
        Read = ReadPropFromDataBase(Place.SectionName, Prop);
        break;
    default:
        throw Exception(SSaveTypeOnLoad);
    }
    if (!Read && Kind != SaveTypeDataBase)
        throw Exception(Format(SNoParam, {Prop->Name}));
}

void TAppOptions::SaveProperties()
{
    const TPropList Props = GetPropList(this);
    if (Props.empty())
        return;
    FErrors.Clear();
    BeginUpdate();
    ForEachProp(Props, FErrors, SWriteError, [this](PPropInfo Prop) { SaveProp(Prop); });
    EndUpdate();
}

void TAppOptions::LoadProperties()
{
    FErrors.Clear();
    ForEachProp(GetPropList(this), FErrors, SReadError,
                [this](PPropInfo Prop) { LoadProp(Prop); });
    RaiseErrors();
}

void TAppOptions::BeginUpdate()
{
    ++FUpdateLevel;
}

void TAppOptions::EndUpdate()
{
    --FUpdateLevel;
    if (FUpdateLevel > 0)
        return;
    FUpdateLevel = 0;
    UpdateFiles();
}

void TAppOptions::UpdateFiles()
{
    if (AllowUpdate()) {
        if (!OverrideIni) {
            if (TIniFile* Ini = GetIniFile()) {
                // Closing the bracket flushes the file once.
                Ini->BeginUpdate();
                Ini->EndUpdate();
            }
            for (int I = 0; I < Count(); ++I) {
                TAppOptionsSection* Section = ChildSection(I);
                if (Section && Section->FOwnsIni && Section->FIni)
                    Section->FIni->Flush();
            }
        }
        OnAfterSave(this);
    }
    RaiseErrors();
}

void TAppOptions::SelectSection(const AnsiString& Name)
{
    if (!AnsiSameText(Name, FSectionName)) {
        const int Index = IndexOf(Name);
        if (Index < 0 || !ChildSection(Index))
            throw Exception(Format(SNoSection, {Name}));
    }
    FCurrentSection = Name;
}

void TAppOptions::SaveSection(const AnsiString& Name)
{
    SelectSection(Name);
    // The limit ends with the call, also when the save fails: a later full
    // save must not stay limited to this section.
    const RestoreText ClearLimit(FCurrentSection);
    EraseSection(Name);
    Save();
}

void TAppOptions::LoadSection(const AnsiString& Name)
{
    SelectSection(Name);
    const RestoreText ClearLimit(FCurrentSection);
    Load();
}

void TAppOptions::EraseSection(const AnsiString& Name)
{
    switch (FSaveType) {
    case SaveTypeIni:
    case SaveTypeRegistry:
        if (TCustomIniFile* Ini = IniOfSection(Name))
            Ini->EraseSection(Name);
        return;
    case SaveTypeDataBase:
        if (!OnEraseSection)
            throw Exception(SNoDataBaseErase);
        OnEraseSection(Name);
        return;
    default:
        throw Exception(SSaveTypeOnErase);
    }
}

void TAppOptions::SaveVar(const AnsiString& Section, const AnsiString& Name, const Variant& Value)
{
    switch (FSaveType) {
    case SaveTypeIni:
    case SaveTypeRegistry:
        if (TCustomIniFile* Ini = IniOfSection(Section)) {
            SaveVarIni(*Ini, Section, Name, Value);
            return;
        }
        break;
    case SaveTypeDataBase:
        if (!OnWriteVar)
            throw Exception(SNoDataBaseWrite);
        OnWriteVar(Section, Name, Value);
        return;
    default:
        break;
    }
    throw Exception(SSaveTypeOnSaveVar);
}

Variant TAppOptions::RestVar(const AnsiString& Section, const AnsiString& Name,
                             const Variant& Default)
{
    switch (FSaveType) {
    case SaveTypeIni:
    case SaveTypeRegistry:
        if (TCustomIniFile* Ini = IniOfSection(Section))
            return RestVarIni(*Ini, Section, Name, Default);
        break;
    case SaveTypeDataBase:
        if (!OnReadVar)
            throw Exception(SNoDataBaseRead);
        return OnReadVar(Section, Name, Default);
    default:
        break;
    }
    throw Exception(SSaveTypeOnRestVar);
}

void TAppOptions::SaveIniStrings(const AnsiString& Section, const TStrings& Lines, Integer Index)
{
    EraseSection(Section);
    SaveVar(Section, "Count", Variant(Lines.Count()));
    SaveVar(Section, "Index", Variant(Index));
    for (int I = 0; I < Lines.Count(); ++I)
        SaveVar(Section, "S" + IntToStr(I), Variant(Lines.Strings(I)));
}

void TAppOptions::RestIniStrings(const AnsiString& Section, TStrings* Lines, Integer& Index)
{
    if (!Lines)
        throw Exception(SRestIniStringsNil);
    const StringsUpdateScope Scope(*Lines);
    Lines->Clear();
    Integer Count = RestVar(Section, "Count", Variant(Integer(0))).AsInteger();
    Index = RestVar(Section, "Index", Variant(Integer(0))).AsInteger();
    // A damaged "Count" must not make millions of empty lines: a saved list
    // never counts more lines than its section has entries.
    if (FSaveType == SaveTypeIni || FSaveType == SaveTypeRegistry) {
        if (TCustomIniFile* Ini = IniOfSection(Section)) {
            TStringList Names;
            Ini->ReadSection(Section, &Names);
            if (Count > Names.Count())
                Count = Names.Count();
        }
    }
    for (Integer I = 0; I < Count; ++I)
        Lines->Add(RestVar(Section, "S" + IntToStr(I), Variant(AnsiString())).AsString());
}

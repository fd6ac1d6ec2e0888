#include "platform/classes/Registry.h"

#include "platform/classes/IniFiles.h"
#include "platform/classes/Strings.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/StrUtils.h"

#include <cstdlib>
#include <mutex>

namespace {

const char* const SRegGetDataFailed = "Failed to get data for '%s'";
const char* const SInvalidRegType = "Invalid data type for '%s'";

struct RegistryPlace {
    std::mutex Lock;
    AnsiString FileName;  // '' for the default place
};

RegistryPlace& Place()
{
    static RegistryPlace P;
    return P;
}

AnsiString DefaultFileName()
{
    AnsiString Folder;
    if (const char* Xdg = std::getenv("XDG_CONFIG_HOME"); Xdg && *Xdg)
        Folder = AnsiString::FromUtf8(Xdg);
    else if (const char* Home = std::getenv("HOME"); Home && *Home)
        Folder = AnsiString::FromUtf8(Home) + "/.config";
    else
        Folder = ".";
    return IncludeTrailingPathDelimiter(Folder) + "pricetags/registry.ini";
}

AnsiString RootName(HKEY Root)
{
    switch (Root) {
    case HKEY_CLASSES_ROOT:
        return "HKEY_CLASSES_ROOT";
    case HKEY_CURRENT_USER:
        return "HKEY_CURRENT_USER";
    case HKEY_LOCAL_MACHINE:
        return "HKEY_LOCAL_MACHINE";
    case HKEY_USERS:
        return "HKEY_USERS";
    case HKEY_PERFORMANCE_DATA:
        return "HKEY_PERFORMANCE_DATA";
    case HKEY_CURRENT_CONFIG:
        return "HKEY_CURRENT_CONFIG";
    case HKEY_DYN_DATA:
        return "HKEY_DYN_DATA";
    default:
        return Format("HKEY_%x", {static_cast<Int64>(Root)});
    }
}

/// Path without leading, trailing or doubled backslashes.
AnsiString CleanPath(const AnsiString& Path)
{
    AnsiString Result;
    for (int I = 1; I <= Path.Length(); ++I) {
        if (Path[I] == '\\' && (Result.IsEmpty() || Result[Result.Length()] == '\\'))
            continue;
        Result += Path[I];
    }
    if (!Result.IsEmpty() && Result[Result.Length()] == '\\')
        Result.SetLength(Result.Length() - 1);
    return Result;
}

/// The entry name of a value: "@" for the default value.
AnsiString EntryName(const AnsiString& Name)
{
    return Name.IsEmpty() ? AnsiString("@") : Name;
}

}  // namespace

void SetRegistryFileName(const AnsiString& FileName)
{
    RegistryPlace& P = Place();
    const std::lock_guard<std::mutex> Lock(P.Lock);
    P.FileName = FileName;
}

AnsiString RegistryFileName()
{
    RegistryPlace& P = Place();
    const std::lock_guard<std::mutex> Lock(P.Lock);
    return P.FileName.IsEmpty() ? DefaultFileName() : P.FileName;
}

PRICETAGS_DEFINE_CLASS(TRegistry)

TRegistry::TRegistry() = default;

TRegistry::~TRegistry() = default;

TMemIniFile& TRegistry::Ini()
{
    if (!FIni)
        FIni = std::make_unique<TMemIniFile>(RegistryFileName());
    return *FIni;
}

void TRegistry::SetRootKey(HKEY Value)
{
    if (Value == FRootKey)
        return;
    CloseKey();
    FRootKey = Value;
}

AnsiString TRegistry::Resolve(const AnsiString& Key) const
{
    if (!Key.IsEmpty() && Key[1] == '\\')
        return CleanPath(Key);
    if (FCurrentPath.IsEmpty())
        return CleanPath(Key);
    return CleanPath(FCurrentPath + "\\" + Key);
}

AnsiString TRegistry::Section(const AnsiString& Path) const
{
    return Path.IsEmpty() ? RootName(FRootKey) : RootName(FRootKey) + "\\" + Path;
}

bool TRegistry::KeyExists(const AnsiString& Key)
{
    const AnsiString Wanted = Section(Resolve(Key));
    const AnsiString Prefix = AnsiUpperCase(Wanted + "\\");
    TStringList Sections;
    Ini().ReadSections(&Sections);
    for (int I = 0; I < Sections.Count(); ++I) {
        const AnsiString S = Sections.Strings(I);
        if (AnsiSameText(S, Wanted) ||
            AnsiUpperCase(S).SubString(1, Prefix.Length()) == Prefix)
            return true;
    }
    return false;
}

bool TRegistry::OpenKey(const AnsiString& Key, bool CanCreate)
{
    const AnsiString Path = Resolve(Key);
    if (!CanCreate && !Path.IsEmpty() && !KeyExists("\\" + Path))
        return false;
    FCurrentPath = Path;
    return true;
}

bool TRegistry::OpenKeyReadOnly(const AnsiString& Key)
{
    return OpenKey(Key, /*CanCreate=*/false);
}

void TRegistry::CloseKey()
{
    FCurrentPath = AnsiString();
}

bool TRegistry::ValueExists(const AnsiString& Name)
{
    return Ini().ValueExists(Section(FCurrentPath), EntryName(Name));
}

AnsiString TRegistry::ReadString(const AnsiString& Name)
{
    return Ini().ReadString(Section(FCurrentPath), EntryName(Name), AnsiString());
}

Integer TRegistry::ReadInteger(const AnsiString& Name)
{
    if (!ValueExists(Name))
        throw ERegistryException(Format(SRegGetDataFailed, {Name}));
    AnsiString Text = ReadString(Name);
    if (AnsiSameText(Text.SubString(1, 6), "dword:"))
        Text = "$" + Text.SubString(7, Text.Length());
    Integer Value = 0;
    if (!TryStrToInt(Text, Value))
        throw ERegistryException(Format(SInvalidRegType, {Name}));
    return Value;
}

#pragma once

// A stand-in for the system registry, for the few values the program reads
// (the desktop theme's colour scheme, the processor's name, the mail
// client). Keys and values live in an ini file of their own: each key is a
// section named by its root and path ("HKEY_CURRENT_USER\Software\X"), each
// value an entry ("@" for the key's default value). The file is looked for
// in the user's configuration folder ($XDG_CONFIG_HOME, else ~/.config,
// then "pricetags/registry.ini"); tests point it elsewhere with
// SetRegistryFileName. It is read, never written: a missing file is a
// registry without keys.

#include "platform/classes/Object.h"
#include "platform/rtl/AnsiString.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Types.h"

#include <cstdint>
#include <memory>

PRICETAGS_EXCEPTION(ERegistryException, Exception);

using HKEY = uint32_t;
inline constexpr HKEY HKEY_CLASSES_ROOT = 0x80000000;
inline constexpr HKEY HKEY_CURRENT_USER = 0x80000001;
inline constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002;
inline constexpr HKEY HKEY_USERS = 0x80000003;
inline constexpr HKEY HKEY_PERFORMANCE_DATA = 0x80000004;
inline constexpr HKEY HKEY_CURRENT_CONFIG = 0x80000005;
inline constexpr HKEY HKEY_DYN_DATA = 0x80000006;

/// The file behind the stand-in ('' restores the default place).
void SetRegistryFileName(const AnsiString& FileName);
/// The file in use.
[[nodiscard]] AnsiString RegistryFileName();

class TMemIniFile;

class TRegistry : public TObject {
    PRICETAGS_CLASS(TRegistry, TObject)
public:
    /// RootKey HKEY_CURRENT_USER, no key open.
    TRegistry();
    ~TRegistry() override;

    HKEY RootKey() const { return FRootKey; }
    /// Changing the root closes the open key.
    void SetRootKey(HKEY Value);
    /// The open key's path without the root ("" when none is open).
    const AnsiString& CurrentPath() const { return FCurrentPath; }

    /// Opens Key: from the root when it starts with '\', else below the open
    /// key. True when it exists; with CanCreate also for a key that does
    /// not exist yet (it then has no values).
    bool OpenKey(const AnsiString& Key, bool CanCreate);
    bool OpenKeyReadOnly(const AnsiString& Key);
    void CloseKey();
    /// True when the key (resolved as OpenKey does) or a key below it exists.
    bool KeyExists(const AnsiString& Key);
    /// True when the open key has the value ('' the default value).
    bool ValueExists(const AnsiString& Name);
    /// The value as text; '' when the value is absent.
    AnsiString ReadString(const AnsiString& Name);
    /// The value as a number (decimal, "$" hex or "dword:" + 8 hex digits).
    /// Raises ERegistryException "Failed to get data for '%s'" when absent
    /// and "Invalid data type for '%s'" when it is not a number.
    Integer ReadInteger(const AnsiString& Name);

private:
    AnsiString Section(const AnsiString& Path) const;
    AnsiString Resolve(const AnsiString& Key) const;
    TMemIniFile& Ini();

    HKEY FRootKey = HKEY_CURRENT_USER;
    AnsiString FCurrentPath;
    std::unique_ptr<TMemIniFile> FIni;
};

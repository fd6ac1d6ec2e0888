#pragma once

// The options store: a base class for configuration objects. A descendant
// declares its settings as published properties (in its metaclass), and
// TAppOptions saves and loads all of them through the property registry,
// one ini entry per property, named after it:
//   ordinals (integers, chars, enumerations, Booleans)  WriteInteger
//   floats by type name: TDateTime WriteDateTime, TDate WriteDate,
//     TTime WriteTime, any other (Double, Currency...) WriteFloat
//   strings                                             WriteQuotedString
// Other kinds (sets, classes, methods, Int64) are not stored, so a load
// reports them as missing.
//
// Parameters not listed by a child section (TAppOptionsSection, AddSection
// and AddParams) are stored in the root's own section, "CommonSection"
// unless the descendant renames it. A child section may have a file of its
// own. Named values (Variants) and whole string lists can be kept in any
// section. Errors of single properties do not stop a load or save: they
// are gathered and raised together as one Exception headed
// "  ---  Ошибки чтения параметров".
//
// Storage kinds per section (SaveType): 1 ini file; 2 registry, which this
// system does not have, so a section of kind 2 keeps its values in its ini
// file as kind 1 does; 3 database through the OnReadVar, OnWriteVar and
// OnEraseSection hooks.
// SaveType is 0, and every save and load fails, until SetFileName gives the
// root a file.

#include "common/base/IniFiles.h"
#include "platform/classes/Events.h"
#include "platform/classes/Object.h"
#include "platform/classes/Strings.h"
#include "platform/classes/TypInfo.h"
#include "platform/rtl/AnsiString.h"
#include "platform/rtl/Types.h"
#include "platform/rtl/Variant.h"

#include <initializer_list>
#include <memory>

class TAppOptions;

/// Database hooks of SaveType 3: a value written, a value read (Default when
/// the store has none), a section erased.
using TOptionsWriteEvent =
    MethodPointer<void(const AnsiString& Section, const AnsiString& Name, const Variant& Value)>;
using TOptionsReadEvent =
    MethodPointer<Variant(const AnsiString& Section, const AnsiString& Name, const Variant& Default)>;
using TOptionsEraseEvent = MethodPointer<void(const AnsiString& Section)>;

/// A named section of parameters: its strings are the names of the
/// parameters it holds.
class TAppOptionsSection : public TStringList {
    PRICETAGS_CLASS(TAppOptionsSection, TStringList)
public:
    TAppOptionsSection();
    /// Frees an owned ini object without writing it.
    ~TAppOptionsSection() override;

    /// Registers a parameter name. Raises Exception "TAppOptionsSection:
    /// Parent not assigned" without a root, and "Параметр "%s" уже определен
    /// в секции "%s"" (the name, the section that lists it) when any section
    /// of the root already lists it.
    int Add(const AnsiString& Name) override;
    /// Adds each name; the failures are raised together afterwards.
    void AddParams(std::initializer_list<AnsiString> Names);

    /// When Name differs (case ignored) from the current file name the
    /// storage is closed; a non-empty Name that differs from the parent's
    /// becomes the section's own file (SaveType 1).
    void SetFileName(const AnsiString& Name);
    /// The section's own file name, else the parent's.
    [[nodiscard]] AnsiString GetFileName() const;
    /// The section's ini object: its own (created on first use for SaveType
    /// 1 or 2, AutoSave from the root's IniAutoSave) or the parent's; null
    /// without a file.
    /// Owned by the section.
    TIniFile* GetIniFile();
    /// The whole text of an ini object ('' for null).
    [[nodiscard]] static AnsiString GetIniText(TCustomIniFile* Ini);
    /// Frees an owned ini object without writing it and forgets the file.
    void CloseStorage();

    [[nodiscard]] const AnsiString& SectionName() const { return FSectionName; }
    void SetSectionName(const AnsiString& Value) { FSectionName = Value; }
    [[nodiscard]] bool OwnsIni() const { return FOwnsIni; }
    /// The root (the root's parent is itself); null for a free section.
    [[nodiscard]] TAppOptions* Parent() const { return FParent; }
    /// 1 ini, 2 registry, 3 database.
    [[nodiscard]] Byte SaveType() const { return FSaveType; }
    void SetSaveType(Byte Value) { FSaveType = Value; }

protected:
    friend class TAppOptions;

    AnsiString FSectionName;
    AnsiString FFileName;
    bool FOwnsIni = false;
    TAppOptions* FParent = nullptr;
    Byte FSaveType = 0;
    std::unique_ptr<TIniFile> FIni;
};

/// The root of a configuration: its strings are the child sections' names,
/// each with its TAppOptionsSection (owned) as object.
class TAppOptions : public TAppOptionsSection {
    PRICETAGS_CLASS(TAppOptions, TAppOptionsSection)
public:
    /// SectionName "CommonSection", no file, SaveType 0.
    TAppOptions();
    ~TAppOptions() override;

    /// False stops the writing of files at the end of a save (the base
    /// allows it).
    virtual bool AllowUpdate();
    /// Writes every published property of the actual class (see the header
    /// comment), then flushes the files; raises the gathered errors.
    virtual void SaveProperties();
    /// Reads every published property, each with its current value as the
    /// default; raises the gathered errors.
    virtual void LoadProperties();

    void Save() { SaveProperties(); }
    void Load() { LoadProperties(); }
    /// Erases the section, then saves only the properties stored in it.
    void SaveSection(const AnsiString& Name);
    /// Loads only the properties stored in the section.
    void LoadSection(const AnsiString& Name);
    /// Limits the next load or save to a section: the root's own or a
    /// child's; else Exception "Секция "%s" отсутствует в файле
    /// конфигурации".
    void SelectSection(const AnsiString& Name);
    /// Removes a section from the storage.
    void EraseSection(const AnsiString& Name);
    /// The child section Name, created when absent (with the root's
    /// SaveType); owned by the root.
    TAppOptionsSection* AddSection(const AnsiString& Name);

    /// Nested saves: the outermost EndUpdate flushes the files.
    void BeginUpdate();
    void EndUpdate();

    /// One named value in any section of the root's storage, stored by the
    /// Variant's type: Boolean WriteBool; integer types WriteInteger;
    /// single, double and currency as FloatToStr text, quoted; dates
    /// WriteDate (the date only); strings quoted. Any other type raises
    /// Exception "Неизвестный тип парметра: " + Name.
    void SaveVar(const AnsiString& Section, const AnsiString& Name, const Variant& Value);
    /// The value stored by SaveVar, read by the type of Default: an integer
    /// Variant for integer types, a string Variant for floating types (the
    /// stored text), a date for dates. Default when absent.
    [[nodiscard]] Variant RestVar(const AnsiString& Section, const AnsiString& Name,
                                  const Variant& Default);
    /// Erases Section, then stores "Count", "Index" and "S0", "S1", ...
    void SaveIniStrings(const AnsiString& Section, const TStrings& Lines, Integer Index);
    /// Lines cleared and filled from Section ("Count" lines, never more than
    /// the section has entries); Index := "Index" (0 when absent). Lines null:
    /// Exception "RestIniStrings: параметр = nil".
    void RestIniStrings(const AnsiString& Section, TStrings* Lines, Integer& Index);

    /// Raises the gathered errors as one Exception (and clears them) when
    /// there are any.
    void RaiseErrors();
    /// The child section at Index; null for an entry without one.
    [[nodiscard]] TAppOptionsSection* ChildSection(int Index) const;

    /// The read and write errors of the current load or save.
    [[nodiscard]] TStringList& Errors() { return FErrors; }
    /// Copied into the AutoSave flag of the ini objects sections create;
    /// false after construction.
    bool IniAutoSave = false;
    /// When set, all parameters go to the root's section name in this ini
    /// object (not owned) instead of the sections' storage.
    TCustomIniFile* OverrideIni = nullptr;
    [[nodiscard]] int UpdateLevel() const { return FUpdateLevel; }
    /// The section a partial load or save is limited to ('' for all).
    [[nodiscard]] const AnsiString& CurrentSection() const { return FCurrentSection; }

    /// Called at the end of a save that wrote the files.
    TNotifyEvent OnAfterSave;
    TOptionsReadEvent OnReadVar;
    TOptionsWriteEvent OnWriteVar;
    TOptionsEraseEvent OnEraseSection;

private:
    struct ParamPlace;

    ParamPlace LocateParam(const AnsiString& Name);
    void SaveProp(PPropInfo Prop);
    void LoadProp(PPropInfo Prop);
    bool WritePropToIni(TCustomIniFile* Ini, const AnsiString& Section, PPropInfo Prop);
    bool ReadPropFromIni(TCustomIniFile* Ini, const AnsiString& Section, PPropInfo Prop);
    bool WritePropToDataBase(const AnsiString& Section, PPropInfo Prop);
    bool ReadPropFromDataBase(const AnsiString& Section, PPropInfo Prop);
    void UpdateFiles();
    /// The ini object holding a section of the root's storage.
    TCustomIniFile* IniOfSection(const AnsiString& Name);

    TStringList FErrors;
    int FUpdateLevel = 0;
    AnsiString FCurrentSection;
};

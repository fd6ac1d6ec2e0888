#pragma once

// The program's ini files. Every ini object keeps the file's contents in
// memory, and all objects opened on one file name share one copy, held by a
// TMemIniContainer in a process-wide registry keyed by the expanded file
// name. Reads are answered from memory; an object that has loaded or saved
// its file reloads the shared copy when the file on disk changed (looked at
// no more often than every 100 ms); writes change memory only and reach the
// disk when an object flushes or, with AutoSave, when it is freed. Values
// written and not yet flushed are never thrown away by a reload.
//
// The file format is the original program's: CP1251 text, CR LF line ends,
// "[Section]" lines opening sections, "Name=Value" lines inside them (kept
// as they stand, so a line without "=" is kept but has no name); empty
// lines, lines starting with ';' and lines before the first section are
// dropped on reading. Section and entry names are compared without regard
// to case. Saving writes each section as "[" + name + "]", its lines and an
// empty line, through a temporary file renamed over the old one; a file
// whose text would not change is not written. A file over 32 MB, or one
// whose sections and lines would take more than 16 times its size, is
// refused with a clear error instead of being read.
//
// An object created with an empty file name lives in memory only; its name
// is "$$_$Mem$" and a number, and it never touches a file.
//
// Locks: the registry lock guards the registry, the counters and object
// creation and destruction; the file lock guards loading and saving. Reads
// and writes of values take no lock: the objects belong to the main thread.

#include "platform/classes/IniFiles.h"
#include "platform/classes/Object.h"
#include "platform/classes/Strings.h"
#include "platform/rtl/AnsiString.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Types.h"

class SharedIniSection;
class TMemIniContainer;

/// The ini object over the shared in-memory copy of a file: the class the
/// program creates. It builds on the runtime's ini base (TCustomIniFile); the
/// runtime's own TMemIniFile is a plain, unshared in-memory ini.
///
/// Typed values, all read through ReadQuotedString with an empty default
/// and written through WriteString unquoted:
///   integers  IntToStr; a text longer than 2 characters that starts "0x"
///             or "0X" is read as hexadecimal; else StrToIntDef
///   Booleans  "1" or "0"; read as ReadInteger(Ord(Default)) != 0
///   dates     IniDateToStr (8 digits, YYYYMMDD)
///   date-time the 8 date digits, a space and TimeToStr
///   floats    FloatToStr; times TimeToStr
/// A missing entry, or a date, time or float that does not convert, reads
/// as the default.
class TIniFile : public TCustomIniFile {
    PRICETAGS_CLASS(TIniFile, TCustomIniFile)
public:
    /// Joins the copy of FileName (expanded) when another object has it
    /// open, else loads the file (a missing file gives empty contents). An
    /// empty FileName gives an in-memory object. AutoSave is on. Raises the
    /// file routines' errors when the file exists but cannot be read.
    explicit TIniFile(const AnsiString& FileName);
    /// With InMemory set: an in-memory object that never reads or writes
    /// FileName.
    TIniFile(bool InMemory, const AnsiString& FileName);
    /// With AutoSave, writes the file (an error is logged, never raised);
    /// the last object on a file frees the shared copy.
    ~TIniFile() override;

    /// The entry's value, or Default when the section or entry is absent.
    /// First reloads the shared copy when the file changed on disk (AutoSave
    /// objects that have loaded or saved the file; unflushed writes stay).
    AnsiString ReadString(const AnsiString& Section, const AnsiString& Ident,
                          const AnsiString& Default) override;
    /// Sets Ident=Value, appending the section and the entry when absent;
    /// memory only.
    void WriteString(const AnsiString& Section, const AnsiString& Ident,
                     const AnsiString& Value) override;
    /// Saves the contents over the file, unless they are empty and the file
    /// does not exist, or the file exists and the text to write is the one
    /// last loaded or saved (a file opened to be read keeps its bytes).
    /// Nothing for an in-memory object. Raises EFCreateError "Файл настроек
    /// "<name>" не записан:" and the system's reason when the file cannot be
    /// written; no part of it is left, and the contents stay as they were.
    void UpdateFile() override;
    Integer ReadInteger(const AnsiString& Section, const AnsiString& Ident,
                        Integer Default) override;
    TDateTime ReadDate(const AnsiString& Section, const AnsiString& Ident,
                       TDateTime Default) override;
    TDateTime ReadDateTime(const AnsiString& Section, const AnsiString& Ident,
                           TDateTime Default) override;
    double ReadFloat(const AnsiString& Section, const AnsiString& Ident, double Default) override;
    TDateTime ReadTime(const AnsiString& Section, const AnsiString& Ident,
                       TDateTime Default) override;
    void WriteDate(const AnsiString& Section, const AnsiString& Ident, TDateTime Value) override;
    void WriteDateTime(const AnsiString& Section, const AnsiString& Ident,
                       TDateTime Value) override;
    void WriteFloat(const AnsiString& Section, const AnsiString& Ident, double Value) override;
    void WriteTime(const AnsiString& Section, const AnsiString& Ident, TDateTime Value) override;
    /// Strings cleared, then the names of the section's entries.
    void ReadSection(const AnsiString& Section, TStrings* Strings) override;
    /// Strings cleared, then the section names.
    void ReadSections(TStrings* Strings) override;
    /// Strings cleared, then the section's lines.
    void ReadSectionValues(const AnsiString& Section, TStrings* Strings) override;
    /// Removes the section and its entries; nothing when absent.
    void EraseSection(const AnsiString& Section) override;
    /// Removes the entry when present.
    void DeleteKey(const AnsiString& Section, const AnsiString& Ident) override;
    /// Closing the outermost bracket flushes.
    void EndUpdate() override;

    /// ReadString, unquoted (Unquote) when it differs from Default; so a
    /// quoted Default comes back unchanged.
    AnsiString ReadQuotedString(const AnsiString& Section, const AnsiString& Ident,
                                const AnsiString& Default);
    /// WriteString of Value between OpenQuote and CloseQuote.
    void WriteQuotedString(const AnsiString& Section, const AnsiString& Ident,
                           const AnsiString& Value);
    /// S without its first and last character when it has at least two and
    /// they are OpenQuote and CloseQuote; else S.
    [[nodiscard]] AnsiString Unquote(const AnsiString& S) const;
    /// UpdateFile, unless an update bracket is open.
    void Flush();

    /// Empties the shared contents (every object on the file sees it).
    void Clear();
    /// Appends the contents as lines: per section "[" + name + "]", its
    /// lines and an empty line.
    void GetStrings(TStrings* List);
    /// Replaces the shared contents by List read with the file's line rules.
    void SetStrings(TStrings* List);

    [[nodiscard]] bool AutoSave() const { return FAutoSave; }
    /// With AutoSave on, an object that has loaded or saved its file reloads
    /// it when it changed on disk, and writes it when freed.
    void SetAutoSave(bool Value) { FAutoSave = Value; }
    [[nodiscard]] char OpenQuote() const { return FOpenQuote; }
    [[nodiscard]] char CloseQuote() const { return FCloseQuote; }
    [[nodiscard]] bool InMemory() const { return FInMemory; }
    /// True once this object has loaded or saved its file.
    [[nodiscard]] bool Synced() const { return FSynced; }

private:
    enum class LineKind { Dropped, Section, Entry };

    void Create(const AnsiString& FileName);
    void LoadValues();
    /// One line of a file's text taken by the file's rules: a section line
    /// opens Lines, an entry is added to it.
    LineKind TakeFileLine(const AnsiString& Line, SharedIniSection*& Lines);
    /// Replaces the contents by a file's text. A text whose sections and
    /// lines would take more than 16 times its size (and a megabyte) is
    /// refused with EInOutError "Файл настроек ... поврежден: слишком много
    /// разделов и строк для его размера"; the contents are then empty.
    void SetFileText(const AnsiString& Text, const AnsiString& FileName);
    /// The file's bytes; a file over 32 MB is refused with EInOutError
    /// "Файл настроек ... слишком велик: N байт".
    [[nodiscard]] static AnsiString ReadFileText(const AnsiString& FileName);
    /// The text a save writes: per section "[" + name + "]", its lines and
    /// an empty line, each ended by CR LF.
    [[nodiscard]] AnsiString SaveText() const;
    /// Take(line) for each line a save writes, in order.
    template <class Fn>
    void ForEachSavedLine(Fn&& Take) const;
    void ReloadIfChanged();
    /// The section's lines; null when absent (Create: appended then).
    SharedIniSection* FindSection(const AnsiString& Section, bool Create);
    void DropCache();
    bool IsMemName() const;

    char FOpenQuote = '"';
    char FCloseQuote = '"';
    bool FAutoSave = true;
    bool FInMemory = false;
    bool FSynced = false;
    TStringList* FSections = nullptr;      // the container's
    TMemIniContainer* FContainer = nullptr;
    AnsiString FCachedSectionName;
    SharedIniSection* FCachedSection = nullptr;
    /// The container's layout generation the cache was taken at: another
    /// object that removes sections changes it, so a stale cache is never
    /// used.
    unsigned FCachedGeneration = 0;
};

/// Quoted values on any ini object (a TIniFile or the runtime's ones): the
/// value between double quotes; on reading one enclosing pair is removed
/// when the text differs from Default.
AnsiString ReadQuotedString(TCustomIniFile& Ini, const AnsiString& Section,
                            const AnsiString& Ident, const AnsiString& Default);
void WriteQuotedString(TCustomIniFile& Ini, const AnsiString& Section, const AnsiString& Ident,
                       const AnsiString& Value);

/// Year as 4 digits, month and day as 2: one eight-digit number.
[[nodiscard]] AnsiString IniDateToStr(TDateTime Date);
/// A text of exactly 8 characters that is an integer as year (1-4), month
/// (5-6) and day (7-8), raising EConvertError for a date that does not
/// exist. Any other text is read as a day number with the current decimal
/// separator, then with the system default settings; when both fail,
/// EConvertError "S to D: Conversion Error".
[[nodiscard]] TDateTime IniStrToDate(const AnsiString& S);

/// Live containers and live TIniFile objects of the process.
[[nodiscard]] int MemIniContainerCount();
[[nodiscard]] int MemIniObjectCount();
/// The report of ini objects left open ('' when none): "MemIniFiles не
/// освобожден:", the first registered file name, and both counts.
[[nodiscard]] AnsiString MemIniLeakReport();
/// The unit's end: shows MemIniLeakReport on the standard error when it is
/// not empty. Called once when the program ends, after the last ini object
/// it frees itself.
void IniFilesFinalization();

#pragma once

// Ini files. TCustomIniFile is the abstract base: string reads and writes,
// the section operations and UpdateFile are left to descendants; the typed
// values are stored as text through ReadString/WriteString. Its virtual
// operations keep this slot order: ReadString, WriteString, UpdateFile,
// ReadInteger, WriteInteger, ReadBool, WriteBool, ReadDate, ReadDateTime,
// ReadFloat, ReadTime, WriteDate, WriteDateTime, WriteFloat, WriteTime,
// ReadSection, ReadSections, ReadSectionValues, EraseSection, DeleteKey,
// BeginUpdate, EndUpdate.
//
// TMemIniFile keeps the whole file in memory: reads never touch the disk,
// writes reach it at UpdateFile. Sections and names are found without regard
// to case (AnsiCompareText); names and values are trimmed when read; the
// first of two sections or entries of one name is the one read and written.
// The file is CP1251 and kept as it stands: comments (';' lines), blank
// lines, the spelling of section lines, lines before the first section and
// lines without '=' are written back unchanged, so a file loaded and saved
// without changes is the same byte for byte (lines end CR LF when written).
// A new entry goes after the last non-blank line of its section; a new
// section is appended with one blank line after it, as the runtime wrote.

#include "platform/classes/Object.h"
#include "platform/classes/Strings.h"
#include "platform/rtl/AnsiString.h"
#include "platform/rtl/DateTime.h"

class TStream;

class TCustomIniFile : public TObject {
    PRICETAGS_CLASS(TCustomIniFile, TObject)
public:
    explicit TCustomIniFile(const AnsiString& FileName);
    ~TCustomIniFile() override;

    /// The value of Ident in Section; Default when either is absent.
    virtual AnsiString ReadString(const AnsiString& Section, const AnsiString& Ident,
                                  const AnsiString& Default) = 0;
    virtual void WriteString(const AnsiString& Section, const AnsiString& Ident,
                             const AnsiString& Value) = 0;
    /// Writes the contents to the file.
    virtual void UpdateFile() = 0;
    /// A decimal number, "$" hexadecimal or "0x"/"0X" hexadecimal; Default
    /// when absent or not a number.
    virtual Integer ReadInteger(const AnsiString& Section, const AnsiString& Ident, Integer Default);
    virtual void WriteInteger(const AnsiString& Section, const AnsiString& Ident, Integer Value);
    /// ReadInteger(Ord(Default)) != 0.
    virtual bool ReadBool(const AnsiString& Section, const AnsiString& Ident, bool Default);
    /// "1" or "0".
    virtual void WriteBool(const AnsiString& Section, const AnsiString& Ident, bool Value);
    /// Texts in the current locale's forms (DateToStr, DateTimeToStr,
    /// FloatToStr, TimeToStr); Default when absent or not convertible.
    virtual TDateTime ReadDate(const AnsiString& Section, const AnsiString& Ident, TDateTime Default);
    virtual TDateTime ReadDateTime(const AnsiString& Section, const AnsiString& Ident,
                                   TDateTime Default);
    virtual double ReadFloat(const AnsiString& Section, const AnsiString& Ident, double Default);
    virtual TDateTime ReadTime(const AnsiString& Section, const AnsiString& Ident, TDateTime Default);
    virtual void WriteDate(const AnsiString& Section, const AnsiString& Ident, TDateTime Value);
    virtual void WriteDateTime(const AnsiString& Section, const AnsiString& Ident, TDateTime Value);
    virtual void WriteFloat(const AnsiString& Section, const AnsiString& Ident, double Value);
    virtual void WriteTime(const AnsiString& Section, const AnsiString& Ident, TDateTime Value);
    /// The names of the entries of Section (Strings cleared first).
    virtual void ReadSection(const AnsiString& Section, TStrings* Strings) = 0;
    /// The section names, in file order (a repeated section twice).
    virtual void ReadSections(TStrings* Strings) = 0;
    /// The entries of Section as "Name=Value" lines (Strings cleared first).
    virtual void ReadSectionValues(const AnsiString& Section, TStrings* Strings) = 0;
    virtual void EraseSection(const AnsiString& Section) = 0;
    virtual void DeleteKey(const AnsiString& Section, const AnsiString& Ident) = 0;
    /// Nested; the outermost EndUpdate writes the file (UpdateFile).
    virtual void BeginUpdate();
    virtual void EndUpdate();

    /// True when Section has at least one entry.
    bool SectionExists(const AnsiString& Section);
    bool ValueExists(const AnsiString& Section, const AnsiString& Ident);
    /// Bytes stored as hexadecimal text (two digits a byte) into Value at its
    /// position; returns the count. A broken text reads as far as it is
    /// whole.
    int ReadBinaryStream(const AnsiString& Section, const AnsiString& Name, TStream* Value);
    /// The rest of Buffer from its position, as hexadecimal text.
    void WriteBinaryStream(const AnsiString& Section, const AnsiString& Name, TStream* Buffer);

    const AnsiString& FileName() const { return FFileName; }
    int UpdateCount() const { return FUpdateCount; }

protected:
    AnsiString FFileName;
    int FUpdateCount = 0;
};

/// The lines of one section as they stand in the file (comments and blank
/// lines included) after its "[...]" line, kept in Header.
class IniSectionLines : public TStringList {
    PRICETAGS_CLASS(IniSectionLines, TStringList)
public:
    IniSectionLines() = default;
    AnsiString Header;
};

class TMemIniFile : public TCustomIniFile {
    PRICETAGS_CLASS(TMemIniFile, TCustomIniFile)
public:
    /// Loads FileName when it exists (an empty name: memory only).
    /// EFOpenError when it exists but cannot be read.
    explicit TMemIniFile(const AnsiString& FileName);
    ~TMemIniFile() override;

    AnsiString ReadString(const AnsiString& Section, const AnsiString& Ident,
                          const AnsiString& Default) override;
    void WriteString(const AnsiString& Section, const AnsiString& Ident,
                     const AnsiString& Value) override;
    /// Writes the contents to FileName through a temporary file in the same
    /// folder (EFCreateError when it cannot be written; the old file stays).
    /// Nothing happens for an empty file name.
    void UpdateFile() override;
    void ReadSection(const AnsiString& Section, TStrings* Strings) override;
    void ReadSections(TStrings* Strings) override;
    void ReadSectionValues(const AnsiString& Section, TStrings* Strings) override;
    /// Removes every section of that name.
    void EraseSection(const AnsiString& Section) override;
    void DeleteKey(const AnsiString& Section, const AnsiString& Ident) override;

    /// Forgets every section.
    void Clear();
    /// The file's text as lines.
    void GetStrings(TStrings* List);
    /// Replaces the contents by the lines of List.
    void SetStrings(TStrings* List);
    /// Takes another file name; Reload reads it (or empties the contents
    /// when it does not exist).
    void Rename(const AnsiString& FileName, bool Reload);

protected:
    /// The sections in file order: names (trimmed) with their lines
    /// (IniSectionLines, owned) as objects.
    TStringList* Sections() { return &FSections; }
    /// Lines before the first section, kept for writing back.
    TStringList* Leading() { return &FLeading; }
    /// The first section named Section; null when none.
    IniSectionLines* FindSection(const AnsiString& Section) const;
    /// A new section appended to the end.
    IniSectionLines* AddSection(const AnsiString& Section);
    /// Loads the file (the contents emptied when it does not exist).
    virtual void LoadValues();

private:
    TStringList FSections;
    TStringList FLeading;
};

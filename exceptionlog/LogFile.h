#pragma once

// The report log (".elf"): the last reports one after another in their
// text layout, and their XML form. TLogFile loads the file, adds a report
// while dropping the oldest beyond a limit, writes the file back (through
// a temporary file, so a failed save leaves the old log whole), reads
// single fields and sections of a stored report, and converts reports to
// XML. TXMLItem is a small element tree with one writer.

#include "platform/classes/Object.h"
#include "platform/rtl/AnsiString.h"

#include <memory>
#include <string>
#include <vector>

class TRazuroModuleOptions;
class TStringList;

/// The largest log that is read; of a larger file only its end is read.
inline constexpr int MaxLogFileSize = 64 << 20;

/// The log file of a program: OutputPath when it names an ".elf" file,
/// else "<program name>[_<computer>].elf" in OutputPath or, when that is
/// empty, in StartFolder. The computer's name is added when bit 3 of
/// LogOptions is set.
[[nodiscard]] AnsiString LogFileName(const TRazuroModuleOptions& Options,
                                     const AnsiString& StartFolder, const AnsiString& ProgramName,
                                     const AnsiString& ComputerName);

class TLogFile : public TObject {
    PRICETAGS_CLASS(TLogFile, TObject)
public:
    /// Loads FileName when it exists ('' for a log in memory only). When the
    /// folder cannot be written and the log is not ReadOnly, the log goes
    /// to the user log folder. Raises EFOpenError for a file that exists
    /// but cannot be read.
    TLogFile(const AnsiString& AFileName, bool ReadOnly);
    ~TLogFile() override;

    [[nodiscard]] int Count() const;
    /// Every stored report, each followed by CR LF.
    [[nodiscard]] AnsiString Text() const;
    /// Report Index as stored (with its three closing CR LFs).
    [[nodiscard]] AnsiString Item(int Index) const;
    /// Drops the oldest reports while Count >= MaxCount (a MaxCount below 1
    /// counts as 1), then appends ReportText (its closing line breaks
    /// replaced by three).
    void Add(const AnsiString& ReportText, int MaxCount);
    /// Writes the log to a temporary file beside FileName and renames it
    /// over the old one. Raises EFCreateError / EWriteError, leaving the old
    /// file as it was.
    void Save();

    /// The value of General field FieldId ("2.5") of report Index; '' when
    /// missing.
    [[nodiscard]] AnsiString GetValue(int Index, const AnsiString& FieldId) const;
    /// Whether report Index has every field of FieldIds equal to the value
    /// of the same position in Values, compared as they stand in the log.
    [[nodiscard]] bool Matches(int Index, const std::vector<AnsiString>& FieldIds,
                               const std::vector<AnsiString>& Values) const;
    /// Matches for any stored report.
    [[nodiscard]] bool Find(const std::vector<AnsiString>& FieldIds,
                            const std::vector<AnsiString>& Values) const;

    [[nodiscard]] AnsiString GetGeneral(int Index) const;
    [[nodiscard]] AnsiString GetCallStack(int Index) const;
    [[nodiscard]] AnsiString GetModules(int Index) const;
    [[nodiscard]] AnsiString GetCPU(int Index) const;
    [[nodiscard]] AnsiString GetHowToReproduce(int Index) const;

    /// XML of report Index; of all reports; written to a file.
    [[nodiscard]] AnsiString ToXML(int Index) const;
    [[nodiscard]] AnsiString LogToXML() const;
    void SaveToXML(const AnsiString& XMLFileName) const;

    /// The reports of a log file's text, oldest first, each with three
    /// closing CR LFs. Reports are parted by four or more line breaks; the
    /// end of the text closes the last one; pieces without a table are left
    /// out.
    [[nodiscard]] static std::vector<AnsiString> ParseLogText(const AnsiString& Text);

    const AnsiString& FileName() const { return FFileName; }

private:
    AnsiString FFileName;
    std::unique_ptr<TStringList> Items;
};

class TXMLItem;

/// Elements owned by their parent, freed last first.
class TXMLItems {
public:
    TXMLItems() = default;
    ~TXMLItems();
    TXMLItems(const TXMLItems&) = delete;
    TXMLItems& operator=(const TXMLItems&) = delete;

    TXMLItem* Add(const AnsiString& Name);
    [[nodiscard]] TXMLItem* Items(int Index) const { return FItems[size_t(Index)].get(); }
    [[nodiscard]] int Count() const { return int(FItems.size()); }

private:
    std::vector<std::unique_ptr<TXMLItem>> FItems;
};

class TXMLItem : public TObject {
    PRICETAGS_CLASS(TXMLItem, TObject)
public:
    explicit TXMLItem(const AnsiString& AName);
    ~TXMLItem() override;

    /// A child element, owned by this one.
    TXMLItem* AddItem(const AnsiString& AName);
    /// Appends ' Name="Value"' with Value escaped (XMLEscape).
    void AddAttribute(const AnsiString& AttrName, const AnsiString& Value);
    /// The element and its subtree; children are indented by the parent's
    /// indent, two blanks and the parent's indent again.
    void GetXML(AnsiString& Output);

    AnsiString Name;
    AnsiString Text;
    AnsiString Attributes;
    AnsiString Indent;
    TXMLItems Children;
    TXMLItem* Parent = nullptr;
};

/// An attribute value for XML: the characters ", &, ', <, > and every
/// non-ASCII character as "&#N;" with N its Unicode code point (at least
/// three digits); tab, LF and CR as "&#009;", "&#010;", "&#013;"; other
/// control characters, which XML cannot hold, and bytes the code page
/// leaves undefined are dropped.
[[nodiscard]] AnsiString XMLEscape(const AnsiString& Value);

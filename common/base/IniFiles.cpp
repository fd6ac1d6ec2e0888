#include "common/base/IniFiles.h"

#include "common/base/Funcs.h"
#include "platform/classes/RtlConsts.h"
#include "platform/classes/Streams.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/StrUtils.h"
#include "platform/rtl/Sync.h"
#include "platform/rtl/Ticks.h"

#include <cassert>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <unordered_map>
#include <utility>
#include <vector>

namespace {

const char* const SMemIniPrefix = "$$_$Mem$";
const char* const SDestroyError = "TMemIniFile.Destroy";
const char* const SStrToDateError = "S to D: Conversion Error";
/// Reads closer together than this never look at the disk.
constexpr DWORD CheckIntervalTicks = 100;
/// Sections of up to this many lines are searched without an index.
constexpr int ScannedSectionLines = 16;
/// A larger file is refused before it is read: the program's settings and
/// templates are a small part of it.
constexpr Int64 MaxIniFileSize = 32 << 20;
/// What a kept line and a section hold in memory at most, roughly (the
/// line's string and its slot, a section's line list, name and indexes).
constexpr Int64 LineCost = 48;
constexpr Int64 SectionCost = 320;
/// The memory the contents of a file may take: this many times its size,
/// plus a megabyte (with the file's text, about ten times its size). A
/// file of many tiny sections or lines (no settings look like that) is
/// refused before it takes more; lines of five bytes still load.
constexpr Int64 CostPerFileByte = 10;

/// The key under which a name is indexed: names that AnsiSameText calls the
/// same, and no others, have the same upper case in code page 1251.
std::string NameKey(std::string_view Name)
{
    std::string Key(Name);
    for (char& C : Key)
        C = static_cast<char>(cp1251::ToUpper(static_cast<unsigned char>(C)));
    return Key;
}

/// Whether two names are the same for AnsiSameText (CP1251 upper case).
bool SameName(std::string_view A, std::string_view B)
{
    if (A.size() != B.size())
        return false;
    for (size_t I = 0; I < A.size(); ++I)
        if (cp1251::ToUpper(static_cast<unsigned char>(A[I]))
            != cp1251::ToUpper(static_cast<unsigned char>(B[I])))
            return false;
    return true;
}

/// Name -> 1-based position of the first entry (or section) of that name.
/// Kept in step with the text by the few operations that change it; an
/// operation that moves entries marks it stale and the next lookup rebuilds
/// it, so reading every key of a section costs one pass, not one per key.
class NameIndex {
public:
    /// Position of Name; 0 when absent. Build fills a stale index first.
    template <class Rebuild>
    int Find(std::string_view Name, Rebuild&& Build)
    {
        if (FStale) {
            FPositions.clear();
            FStale = false;
            Build(*this);
        }
        const auto Found = FPositions.find(NameKey(Name));
        return Found == FPositions.end() ? 0 : Found->second;
    }
    /// Records Name at Position unless an earlier one has it.
    void Add(std::string_view Name, int Position)
    {
        if (!FStale)
            FPositions.emplace(NameKey(Name), Position);
    }
    void MarkStale() { FStale = true; }

private:
    std::unordered_map<std::string, int> FPositions;
    bool FStale = true;
};

/// The name part of an entry line: before the first "="; none without one.
bool LineName(const AnsiString& Line, std::string_view& Name)
{
    const size_t Eq = Line.View().find('=');
    if (Eq == std::string_view::npos)
        return false;
    Name = Line.View().substr(0, Eq);
    return true;
}

}  // namespace

/// The lines of one section with the index of their names.
class SharedIniSection : public TStringList {
public:
    /// Index of the first line named Ident (case ignored); -1 when none.
    int FindIdent(const AnsiString& Ident)
    {
        // A few lines are compared in turn: an index for each small section
        // would cost more memory than its lines.
        if (Count() <= ScannedSectionLines) {
            for (int I = 0; I < Count(); ++I) {
                std::string_view Name;
                if (LineName(Strings(I), Name) && SameName(Name, Ident.View()))
                    return I;
            }
            return -1;
        }
        const int Position = FNames.Find(Ident.View(), [this](NameIndex& Index) {
            for (int I = 0; I < Count(); ++I) {
                std::string_view Name;
                const AnsiString Line = Strings(I);
                if (LineName(Line, Name))
                    Index.Add(Name, I + 1);
            }
        });
        return Position - 1;
    }
    void AddLine(const AnsiString& Line)
    {
        std::string_view Name;
        if (LineName(Line, Name))
            FNames.Add(Name, Count() + 1);
        Add(Line);
    }
    /// Line Index takes Line, which has the same name.
    void ReplaceLine(int Index, const AnsiString& Line) { SetStrings(Index, Line); }
    void DeleteLine(int Index)
    {
        Delete(Index);
        FNames.MarkStale();
    }

private:
    NameIndex FNames;
};

/// The shared contents of one file and what is known about the file.
class TMemIniContainer : public TObject {
public:
    explicit TMemIniContainer(const AnsiString& AFileName);
    ~TMemIniContainer() override;

    /// True when the file changed on disk since FileTime was taken; looks
    /// at the disk at most every CheckIntervalTicks.
    bool FileChanged();
    /// FileTime := the file's write time (0 when it is missing).
    void TakeFileTime();
    /// Frees every section's lines and empties the section list.
    void ClearSections();
    /// The lines of Section; null when absent.
    SharedIniSection* FindSection(const AnsiString& Section);
    /// Appends an empty section.
    SharedIniSection* AddSection(const AnsiString& Section);
    /// Index in Sections of the first section named Section; -1 when none.
    int IndexOfSection(const AnsiString& Section);
    bool IsMemName() const;

    Cardinal LastCheckTick = 0;
    AnsiString FileName;
    /// The file's write time; 0 means not known.
    Int64 FileTime = 0;
    /// Section names, each with its lines (a SharedIniSection owned here).
    TStringList Sections;
    /// Section name -> its position in Sections, the first of a name.
    NameIndex SectionIndex;
    /// Objects sharing the container besides the first one.
    int UseCount = 0;
    bool InMemory = false;
    /// Written since the last load or save: a reload would lose the writes.
    bool Modified = false;
    /// The text a save would have written right after the last load or
    /// save of the file; empty when the file was missing.
    std::string SavedText;
    /// Changes whenever line lists are freed, so that objects' section
    /// caches never point at a freed list.
    unsigned Generation = 0;
};

namespace {

/// The unit's state. Made once and never freed, so that an ini object freed
/// late in the program's end still finds it.
struct IniUnit {
    TCriticalSection RegistryLock;
    TCriticalSection FileLock;
    /// Expanded file name -> its container, in order of registration. Names
    /// are compared exactly: on Linux two spellings are two files.
    std::vector<std::pair<AnsiString, TMemIniContainer*>> Registry;
    int ContainerCount = 0;
    int ObjectCount = 0;
    int MemNameCounter = 0;

    TMemIniContainer* Find(const AnsiString& FileName) const
    {
        for (const auto& [Name, Container] : Registry)
            if (Name == FileName)
                return Container;
        return nullptr;
    }
    bool Unregister(TMemIniContainer* Container)
    {
        for (auto It = Registry.begin(); It != Registry.end(); ++It) {
            if (It->second == Container) {
                Registry.erase(It);
                return true;
            }
        }
        return false;
    }
};

IniUnit& Unit()
{
    static IniUnit* const Instance = new IniUnit;
    return *Instance;
}

std::filesystem::path SystemPath(const AnsiString& FileName)
{
    return std::filesystem::path(FileName.ToUtf8());
}

/// The file's last write time in the file system's ticks; 0 when missing.
Int64 FileWriteTime(const AnsiString& FileName)
{
    std::error_code Error;
    const auto Time = std::filesystem::last_write_time(SystemPath(FileName), Error);
    if (Error)
        return 0;
    const Int64 Ticks = Time.time_since_epoch().count();
    return Ticks != 0 ? Ticks : 1;
}

bool StartsWithMemPrefix(const AnsiString& Name)
{
    return Name.SubString(1, 8) == SMemIniPrefix;
}

/// "[Name]" (blanks around allowed) gives true and the name.
bool IsSectionLine(const AnsiString& Line, AnsiString& Name)
{
    const AnsiString T = Trim(Line);
    if (T.Length() < 2 || T[1] != '[' || T[T.Length()] != ']')
        return false;
    Name = T.SubString(2, T.Length() - 2);
    return true;
}

AnsiString ZeroPadded(int Value, int Digits)
{
    AnsiString S = IntToStr(Value < 0 ? 0 : Value);
    while (S.Length() < Digits)
        S = "0" + S;
    return S;
}

/// A date part for EncodeDate; a value a Word cannot hold becomes 0, which
/// EncodeDate refuses with its own error.
Word DatePart(const AnsiString& S)
{
    Integer Value = 0;
    if (!TryStrToInt(S, Value) || Value < 0 || Value > 0xFFFF)
        return 0;
    return static_cast<Word>(Value);
}

/// Writes Text over FileName through a temporary file in the same folder,
/// so that a failure never leaves a half-written ini file. A write that
/// fails (a full disk) removes the part written, which would otherwise hold
/// the space, and raises EFCreateError "Файл настроек "<name>" не записан:"
/// with the system's reason.
void SaveTextReplacing(const AnsiString& Text, const AnsiString& FileName)
{
    const AnsiString Temp = FileName + ".tmp$";
    const auto Refuse = [&] {
        const DWORD Code = GetLastError();
        DeleteFile(Temp);
        throw EFCreateError(Format("Файл настроек \"%s\" не записан:\r\n%s"_a,
                                   {FileName, SysErrorMessage(Code)}));
    };
    try {
        TFileStream Stream(Temp, fmCreate);
        Stream.WriteBuffer(Text.Data(), Text.Length());
    } catch (const EStreamError&) {
        Refuse();
    }
    if (!RenameFileReplacing(Temp, FileName))
        Refuse();
}

}  // namespace

// ---- TMemIniContainer --------------------------------------------------------

TMemIniContainer::TMemIniContainer(const AnsiString& AFileName) : FileName(AFileName)
{
    ++Unit().ContainerCount;
}

TMemIniContainer::~TMemIniContainer()
{
    ClearSections();
    --Unit().ContainerCount;
}

bool TMemIniContainer::IsMemName() const
{
    return StartsWithMemPrefix(FileName);
}

void TMemIniContainer::ClearSections()
{
    for (int I = 0; I < Sections.Count(); ++I)
        delete Sections.Objects(I);
    Sections.Clear();
    SectionIndex.MarkStale();
    ++Generation;
}

int TMemIniContainer::IndexOfSection(const AnsiString& Section)
{
    const int Position = SectionIndex.Find(Section.View(), [this](NameIndex& Index) {
        for (int I = 0; I < Sections.Count(); ++I)
            Index.Add(Sections.Strings(I).View(), I + 1);
    });
    return Position - 1;
}

SharedIniSection* TMemIniContainer::FindSection(const AnsiString& Section)
{
    const int Index = IndexOfSection(Section);
    return Index >= 0 ? static_cast<SharedIniSection*>(Sections.Objects(Index)) : nullptr;
}

SharedIniSection* TMemIniContainer::AddSection(const AnsiString& Section)
{
    auto Lines = std::make_unique<SharedIniSection>();
    SectionIndex.Add(Section.View(), Sections.Count() + 1);
    Sections.AddObject(Section, Lines.get());
    return Lines.release();
}

void TMemIniContainer::TakeFileTime()
{
    FileTime = FileWriteTime(FileName);
}

bool TMemIniContainer::FileChanged()
{
    if (InMemory || IsMemName())
        return false;
    const DWORD Now = GetTickCount();
    const DWORD Passed = Now - LastCheckTick;
    LastCheckTick = Now;
    if (Passed < CheckIntervalTicks)
        return false;
    const Int64 Time = FileWriteTime(FileName);
    if (Time == 0)
        return true;
    if (FileTime == 0) {
        FileTime = Time;
        return false;
    }
    return Time != FileTime;
}

// ---- TIniFile -------------------------------------------------------------

PRICETAGS_DEFINE_CLASS(TIniFile)

TIniFile::TIniFile(const AnsiString& FileName) : TCustomIniFile(FileName)
{
    Create(FileName);
}

TIniFile::TIniFile(bool InMemory, const AnsiString& FileName)
    : TCustomIniFile(InMemory ? AnsiString() : FileName), FInMemory(InMemory)
{
    Create(FileName);
}

void TIniFile::Create(const AnsiString& FileName)
{
    IniUnit& U = Unit();
    const CriticalSectionGuard Lock(U.RegistryLock);
    ++U.ObjectCount;
    FSynced = false;
    if (FileName.IsEmpty() || FInMemory) {
        FInMemory = true;
        FFileName = SMemIniPrefix + IntToStr(++U.MemNameCounter);
    } else {
        FFileName = ExpandFileName(FileName);
    }

    if (TMemIniContainer* Shared = U.Find(FFileName)) {
        FContainer = Shared;
        FSections = &Shared->Sections;
        // A file deleted while it was open empties the shared copy, unless
        // the copy holds writes not flushed yet (a first run writes its
        // settings before any file exists): those must reach the file.
        if (!FInMemory && !Shared->Modified && !FileExists(FFileName))
            Shared->ClearSections();
        DropCache();
        ++Shared->UseCount;
        return;
    }

    auto Container = std::make_unique<TMemIniContainer>(FFileName);
    Container->TakeFileTime();
    Container->InMemory = FInMemory;
    FContainer = Container.get();
    FSections = &Container->Sections;
    U.Registry.emplace_back(FFileName, Container.get());
    try {
        LoadValues();
    } catch (...) {
        // The constructor fails: undo the registration, the destructor will
        // not run.
        U.Unregister(FContainer);
        FContainer = nullptr;
        FSections = nullptr;
        --U.ObjectCount;
        throw;
    }
    Container.release();
}

TIniFile::~TIniFile()
{
    IniUnit& U = Unit();
    const CriticalSectionGuard Lock(U.RegistryLock);
    --U.ObjectCount;
    const bool Registered = U.Find(FFileName) == FContainer;
    assert(Registered && SDestroyError);
    if (!Registered) {
        // A destructor never raises: the error goes to the log, as a failed
        // save below does.
        LogMessage(SDestroyError, 3);
        return;
    }
    if (FAutoSave) {
        try {
            UpdateFile();
        } catch (const Exception& E) {
            LogMessage(E.Message, 3);
        } catch (...) {
            LogMessage(SDestroyError, 3);
        }
    }
    if (FContainer->UseCount > 0) {
        --FContainer->UseCount;
        return;
    }
    U.Unregister(FContainer);
    delete FContainer;
}

bool TIniFile::IsMemName() const
{
    return StartsWithMemPrefix(FFileName);
}

void TIniFile::DropCache()
{
    FCachedSectionName = AnsiString();
    FCachedSection = nullptr;
}

SharedIniSection* TIniFile::FindSection(const AnsiString& Section, bool Create)
{
    if (FCachedSection && FCachedGeneration == FContainer->Generation &&
        FCachedSectionName == Section)
        return FCachedSection;
    SharedIniSection* Lines = FContainer->FindSection(Section);
    if (!Lines) {
        if (!Create)
            return nullptr;
        Lines = FContainer->AddSection(Section);
    }
    FCachedSectionName = Section;
    FCachedSection = Lines;
    FCachedGeneration = FContainer->Generation;
    return Lines;
}

void TIniFile::LoadValues()
{
    if (FInMemory || IsMemName())
        return;
    const CriticalSectionGuard Lock(Unit().FileLock);
    if (FileExists(FFileName)) {
        // The time first: a change made while the text is read is then
        // seen by the next check.
        FContainer->FileTime = 0;
        FContainer->TakeFileTime();
        SetFileText(ReadFileText(FFileName), FFileName);
        // What a save would write now: a save of the same text is skipped.
        FContainer->SavedText = SaveText().Std();
        FSynced = true;
    } else {
        FContainer->ClearSections();
        FContainer->SavedText.clear();
    }
    FContainer->Modified = false;
    DropCache();
}

void TIniFile::ReloadIfChanged()
{
    // Unflushed writes stay: reloading would drop them silently.
    if (FAutoSave && FSynced && !FContainer->Modified && FContainer->FileChanged())
        LoadValues();
}

void TIniFile::UpdateFile()
{
    if (FInMemory || IsMemName())
        return;
    const CriticalSectionGuard Lock(Unit().FileLock);
    const AnsiString Text = SaveText();
    const bool Exists = FileExists(FFileName);
    // Only a change is written: a file opened to be read keeps its bytes
    // (its line ends, blank lines and comments) when the objects close.
    if (Exists && FContainer->SavedText == Text.Std()) {
        FContainer->Modified = false;
        return;
    }
    if (!Text.IsEmpty() || Exists) {
        SaveTextReplacing(Text, FFileName);
        FContainer->SavedText = Text.Std();
        FSynced = true;
        FContainer->Modified = false;
    }
    // This object's own write is no change to reload.
    FContainer->TakeFileTime();
}

AnsiString TIniFile::ReadString(const AnsiString& Section, const AnsiString& Ident,
                                   const AnsiString& Default)
{
    ReloadIfChanged();
    SharedIniSection* Lines = FindSection(Section, false);
    if (!Lines)
        return Default;
    const int Index = Lines->FindIdent(Ident);
    if (Index < 0)
        return Default;
    const AnsiString Line = Lines->Strings(Index);
    return Line.SubString(Line.Pos("=") + 1, Line.Length());
}

void TIniFile::WriteString(const AnsiString& Section, const AnsiString& Ident,
                              const AnsiString& Value)
{
    SharedIniSection* Lines = FindSection(Section, true);
    const AnsiString Line = Ident + "=" + Value;
    const int Index = Lines->FindIdent(Ident);
    if (Index >= 0)
        Lines->ReplaceLine(Index, Line);
    else
        Lines->AddLine(Line);
    FContainer->Modified = true;
}

void TIniFile::ReadSection(const AnsiString& Section, TStrings* Strings)
{
    const StringsUpdateScope Scope(*Strings);
    Strings->Clear();
    const TStringList* Lines = FindSection(Section, false);
    if (!Lines)
        return;
    for (int I = 0; I < Lines->Count(); ++I) {
        const AnsiString Line = Lines->Strings(I);
        const int P = Line.Pos("=");
        if (P > 0)
            Strings->Add(Line.SubString(1, P - 1));
    }
}

void TIniFile::ReadSections(TStrings* Strings)
{
    const StringsUpdateScope Scope(*Strings);
    Strings->Clear();
    // Names only: the line lists stay inside the container.
    for (int I = 0; I < FSections->Count(); ++I)
        Strings->Add(FSections->Strings(I));
}

void TIniFile::ReadSectionValues(const AnsiString& Section, TStrings* Strings)
{
    const StringsUpdateScope Scope(*Strings);
    Strings->Clear();
    const TStringList* Lines = FindSection(Section, false);
    if (!Lines)
        return;
    for (int I = 0; I < Lines->Count(); ++I)
        Strings->Add(Lines->Strings(I));
}

void TIniFile::EraseSection(const AnsiString& Section)
{
    const int Index = FContainer->IndexOfSection(Section);
    if (Index < 0)
        return;
    delete FSections->Objects(Index);
    FSections->Delete(Index);
    FContainer->SectionIndex.MarkStale();
    ++FContainer->Generation;
    FContainer->Modified = true;
    DropCache();
}

void TIniFile::DeleteKey(const AnsiString& Section, const AnsiString& Ident)
{
    SharedIniSection* Lines = FindSection(Section, false);
    if (!Lines)
        return;
    const int Index = Lines->FindIdent(Ident);
    if (Index < 0)
        return;
    Lines->DeleteLine(Index);
    FContainer->Modified = true;
}

void TIniFile::Clear()
{
    FContainer->ClearSections();
    FContainer->Modified = true;
    DropCache();
}

template <class Fn>
void TIniFile::ForEachSavedLine(Fn&& Take) const
{
    for (int I = 0; I < FSections->Count(); ++I) {
        Take("[" + FSections->Strings(I) + "]");
        const auto* Lines = static_cast<const TStringList*>(FSections->Objects(I));
        for (int J = 0; J < Lines->Count(); ++J)
            Take(Lines->Strings(J));
        Take(AnsiString());
    }
}

void TIniFile::GetStrings(TStrings* List)
{
    const StringsUpdateScope Scope(*List);
    ForEachSavedLine([List](const AnsiString& Line) { List->Add(Line); });
}

void TIniFile::SetStrings(TStrings* List)
{
    FContainer->ClearSections();
    DropCache();
    SharedIniSection* Lines = nullptr;
    for (int I = 0; I < List->Count(); ++I)
        TakeFileLine(List->Strings(I), Lines);
    FContainer->Modified = true;
}

TIniFile::LineKind TIniFile::TakeFileLine(const AnsiString& Line, SharedIniSection*& Lines)
{
    if (Trim(Line).IsEmpty() || Line[1] == ';')
        return LineKind::Dropped;
    AnsiString Name;
    if (IsSectionLine(Line, Name)) {
        Lines = FContainer->AddSection(Name);
        return LineKind::Section;
    }
    if (!Lines)
        return LineKind::Dropped;
    Lines->AddLine(Line);
    return LineKind::Entry;
}

void TIniFile::SetFileText(const AnsiString& Text, const AnsiString& FileName)
{
    FContainer->ClearSections();
    DropCache();
    const Int64 Budget = CostPerFileByte * Text.Length() + (1 << 20);
    Int64 Cost = 0;
    SharedIniSection* Lines = nullptr;
    // The line ends of TStrings::SetTextStr: CR LF, LF or CR, and a zero
    // byte is an ordinary byte of its line.
    const std::string_view T = Text.View();
    size_t P = 0;
    while (P < T.size()) {
        const size_t Start = P;
        while (P < T.size() && T[P] != '\n' && T[P] != '\r')
            ++P;
        switch (TakeFileLine(AnsiString(T.substr(Start, P - Start)), Lines)) {
        case LineKind::Dropped: break;
        case LineKind::Section: Cost += SectionCost; break;
        case LineKind::Entry: Cost += LineCost; break;
        }
        if (Cost > Budget) {
            FContainer->ClearSections();
            throw EInOutError(Format(
                "Файл настроек \"%s\" поврежден: слишком много разделов и строк для его "
                "размера"_a,
                {FileName}));
        }
        if (P < T.size() && T[P] == '\r')
            ++P;
        if (P < T.size() && T[P] == '\n')
            ++P;
    }
}

AnsiString TIniFile::ReadFileText(const AnsiString& FileName)
{
    TFileStream Stream(FileName, static_cast<Word>(fmOpenRead | fmShareDenyWrite));
    const Int64 Size = Stream.Size();
    if (Size > MaxIniFileSize)
        throw EInOutError(Format("Файл настроек \"%s\" слишком велик: %d байт"_a,
                                 {FileName, Size}));
    AnsiString Text;
    Text.SetLength(static_cast<int>(Size));
    Text.SetLength(Stream.Read(Text.Data(), Text.Length()));
    return Text;
}

AnsiString TIniFile::SaveText() const
{
    std::string Text;
    ForEachSavedLine([&Text](const AnsiString& Line) {
        Text += Line.View();
        Text += "\r\n";
    });
    return AnsiString(std::move(Text));
}

// ---- typed values and quoting ----------------------------------------------------

AnsiString ReadQuotedString(TCustomIniFile& Ini, const AnsiString& Section,
                            const AnsiString& Ident, const AnsiString& Default)
{
    const AnsiString S = Ini.ReadString(Section, Ident, Default);
    if (S == Default)
        return S;
    const int L = S.Length();
    if (L >= 2 && S[1] == '"' && S[L] == '"')
        return S.SubString(2, L - 2);
    return S;
}

void WriteQuotedString(TCustomIniFile& Ini, const AnsiString& Section, const AnsiString& Ident,
                       const AnsiString& Value)
{
    Ini.WriteString(Section, Ident, "\"" + Value + "\"");
}

AnsiString TIniFile::ReadQuotedString(const AnsiString& Section, const AnsiString& Ident,
                                      const AnsiString& Default)
{
    const AnsiString S = ReadString(Section, Ident, Default);
    return S == Default ? S : Unquote(S);
}

void TIniFile::WriteQuotedString(const AnsiString& Section, const AnsiString& Ident,
                                 const AnsiString& Value)
{
    WriteString(Section, Ident, FOpenQuote + Value + FCloseQuote);
}

AnsiString TIniFile::Unquote(const AnsiString& S) const
{
    const int L = S.Length();
    if (L >= 2 && S[1] == FOpenQuote && S[L] == FCloseQuote)
        return S.SubString(2, L - 2);
    return S;
}

void TIniFile::Flush()
{
    if (FUpdateCount > 0)
        return;
    UpdateFile();
}

void TIniFile::EndUpdate()
{
    --FUpdateCount;
    if (FUpdateCount < 1) {
        FUpdateCount = 0;
        Flush();
    }
}

Integer TIniFile::ReadInteger(const AnsiString& Section, const AnsiString& Ident,
                              Integer Default)
{
    AnsiString S = ReadQuotedString(Section, Ident, AnsiString());
    if (S.Length() > 2 && S[1] == '0' && (S[2] == 'x' || S[2] == 'X'))
        S = "$" + S.SubString(3, S.Length());
    return StrToIntDef(S, Default);
}

TDateTime TIniFile::ReadDate(const AnsiString& Section, const AnsiString& Ident,
                             TDateTime Default)
{
    const AnsiString S = ReadQuotedString(Section, Ident, AnsiString());
    if (S.IsEmpty())
        return Default;
    try {
        return IniStrToDate(S);
    } catch (const EConvertError&) {
        // A stored text that is no date reads as the default.
        return Default;
    }
}

TDateTime TIniFile::ReadDateTime(const AnsiString& Section, const AnsiString& Ident,
                                 TDateTime Default)
{
    const AnsiString S = ReadQuotedString(Section, Ident, AnsiString());
    if (S.IsEmpty())
        return Default;
    try {
        double Result = IniStrToDate(S.SubString(1, 8));
        const AnsiString TimeText = Trim(S.SubString(10, S.Length()));
        if (!TimeText.IsEmpty()) {
            const double Time = StrToTime(TimeText);
            // Before 1899-12-30 the time of day counts away from zero.
            Result = Result < 0 ? Result - Time : Result + Time;
        }
        return Result;
    } catch (const EConvertError&) {
        return Default;
    }
}

double TIniFile::ReadFloat(const AnsiString& Section, const AnsiString& Ident, double Default)
{
    const AnsiString S = ReadQuotedString(Section, Ident, AnsiString());
    if (S.IsEmpty())
        return Default;
    double Value = 0;
    return TryStrToFloat(S, Value) ? Value : Default;
}

TDateTime TIniFile::ReadTime(const AnsiString& Section, const AnsiString& Ident,
                             TDateTime Default)
{
    const AnsiString S = ReadQuotedString(Section, Ident, AnsiString());
    if (S.IsEmpty())
        return Default;
    TDateTime Value;
    return TryStrToTime(S, Value) ? Value : Default;
}

void TIniFile::WriteDate(const AnsiString& Section, const AnsiString& Ident, TDateTime Value)
{
    WriteString(Section, Ident, IniDateToStr(Value));
}

void TIniFile::WriteDateTime(const AnsiString& Section, const AnsiString& Ident,
                             TDateTime Value)
{
    WriteString(Section, Ident, IniDateToStr(Value) + " " + TimeToStr(Value));
}

void TIniFile::WriteFloat(const AnsiString& Section, const AnsiString& Ident, double Value)
{
    WriteString(Section, Ident, FloatToStr(Value));
}

void TIniFile::WriteTime(const AnsiString& Section, const AnsiString& Ident, TDateTime Value)
{
    WriteString(Section, Ident, TimeToStr(Value));
}

// ---- date texts --------------------------------------------------------------

AnsiString IniDateToStr(TDateTime Date)
{
    Word Year = 0, Month = 0, Day = 0;
    DecodeDate(Date, Year, Month, Day);
    return ZeroPadded(Year, 4) + ZeroPadded(Month, 2) + ZeroPadded(Day, 2);
}

TDateTime IniStrToDate(const AnsiString& S)
{
    Integer Number = 0;
    if (S.Length() == 8 && TryStrToInt(S, Number))
        return EncodeDate(DatePart(S.SubString(1, 4)), DatePart(S.SubString(5, 2)),
                          DatePart(S.SubString(7, 2)));
    double Value = 0;
    if (TryStrToFloat(S, Value))
        return Value;
    if (TryStrToFloat(S, Value, SystemFormatSettings()))
        return Value;
    throw EConvertError(SStrToDateError);
}

// ---- unit state ----------------------------------------------------------------

int MemIniContainerCount()
{
    const CriticalSectionGuard Lock(Unit().RegistryLock);
    return Unit().ContainerCount;
}

int MemIniObjectCount()
{
    const CriticalSectionGuard Lock(Unit().RegistryLock);
    return Unit().ObjectCount;
}

AnsiString MemIniLeakReport()
{
    IniUnit& U = Unit();
    const CriticalSectionGuard Lock(U.RegistryLock);
    if (U.ContainerCount == 0 && U.ObjectCount == 0)
        return AnsiString();
    const AnsiString Head = "MemIniFiles не освобожден:"_a + "\r\n\r\n";
    const AnsiString Containers = "ContainerCount = " + IntToStr(U.ContainerCount);
    const AnsiString Objects = "FilesCount = " + IntToStr(U.ObjectCount) + "\r\n";
    if (!U.Registry.empty())
        return Head + U.Registry.front().first + "\r\n\r\n" + Containers + "\r\n" + Objects;
    return Head + Containers + "\r\n\r\n" + Objects;
}

void IniFilesFinalization()
{
    const AnsiString Report = MemIniLeakReport();
    if (!Report.IsEmpty())
        std::fputs(Report.ToUtf8().c_str(), stderr);
}

#include "platform/classes/IniFiles.h"

#include "platform/classes/RtlConsts.h"
#include "platform/classes/Streams.h"
#include "platform/classes/UpdateScope.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/StrUtils.h"

#include <memory>

namespace {


/// One "Name=Value" line of a section: the 1-based position of its '=' or
/// 0 for comments, blank lines and lines without '='.
int EntrySeparator(const AnsiString& Line)
{
    const AnsiString S = TrimLeft(Line);
    if (S.IsEmpty() || S[1] == ';')
        return 0;
    return Pos("=", Line);
}

AnsiString EntryName(const AnsiString& Line, int Sep)
{
    return Trim(Copy(Line, 1, Sep - 1));
}

AnsiString EntryValue(const AnsiString& Line, int Sep)
{
    return Trim(Copy(Line, Sep + 1, Line.Length()));
}

/// Index of the first entry named Ident in Lines; -1 when none.
int FindEntry(const TStrings& Lines, const AnsiString& Ident)
{
    for (int I = 0; I < Lines.Count(); ++I) {
        const AnsiString Line = Lines.Strings(I);
        const int Sep = EntrySeparator(Line);
        if (Sep > 0 && AnsiCompareText(EntryName(Line, Sep), Ident) == 0)
            return I;
    }
    return -1;
}

/// Where a new entry goes: after the last entry, or before the trailing
/// blank lines when the section has none.
int NewEntryIndex(const TStrings& Lines)
{
    for (int I = Lines.Count() - 1; I >= 0; --I)
        if (EntrySeparator(Lines.Strings(I)) > 0)
            return I + 1;
    int I = Lines.Count();
    while (I > 0 && Trim(Lines.Strings(I - 1)).IsEmpty())
        --I;
    return I;
}

int HexDigit(char C)
{
    if (C >= '0' && C <= '9')
        return C - '0';
    if (C >= 'A' && C <= 'F')
        return C - 'A' + 10;
    if (C >= 'a' && C <= 'f')
        return C - 'a' + 10;
    return -1;
}

}  // namespace

// ---- TCustomIniFile --------------------------------------------------------

PRICETAGS_DEFINE_CLASS(TCustomIniFile)

TCustomIniFile::TCustomIniFile(const AnsiString& FileName) : FFileName(FileName) {}

TCustomIniFile::~TCustomIniFile() = default;

Integer TCustomIniFile::ReadInteger(const AnsiString& Section, const AnsiString& Ident,
                                    Integer Default)
{
    AnsiString IntStr = ReadString(Section, Ident, AnsiString());
    if (IntStr.Length() > 2 && IntStr[1] == '0' && (IntStr[2] == 'X' || IntStr[2] == 'x'))
        IntStr = "$" + Copy(IntStr, 3, IntStr.Length());
    return StrToIntDef(IntStr, Default);
}

void TCustomIniFile::WriteInteger(const AnsiString& Section, const AnsiString& Ident, Integer Value)
{
    WriteString(Section, Ident, IntToStr(Value));
}

bool TCustomIniFile::ReadBool(const AnsiString& Section, const AnsiString& Ident, bool Default)
{
    return ReadInteger(Section, Ident, Default ? 1 : 0) != 0;
}

void TCustomIniFile::WriteBool(const AnsiString& Section, const AnsiString& Ident, bool Value)
{
    WriteString(Section, Ident, Value ? "1" : "0");
}

namespace {

/// The text of Ident converted by TryConvert; Default when it is empty or
/// does not convert.
template <class T, class Convert>
T ReadConverted(TCustomIniFile& Ini, const AnsiString& Section, const AnsiString& Ident,
                T Default, Convert TryConvert)
{
    const AnsiString S = Ini.ReadString(Section, Ident, AnsiString());
    T Result = Default;
    if (S.IsEmpty() || !TryConvert(S, Result))
        return Default;
    return Result;
}

}  // namespace

TDateTime TCustomIniFile::ReadDate(const AnsiString& Section, const AnsiString& Ident,
                                   TDateTime Default)
{
    return ReadConverted(*this, Section, Ident, Default,
                         [](const AnsiString& S, TDateTime& V) { return TryStrToDate(S, V); });
}

TDateTime TCustomIniFile::ReadDateTime(const AnsiString& Section, const AnsiString& Ident,
                                       TDateTime Default)
{
    return ReadConverted(*this, Section, Ident, Default,
                         [](const AnsiString& S, TDateTime& V) { return TryStrToDateTime(S, V); });
}

double TCustomIniFile::ReadFloat(const AnsiString& Section, const AnsiString& Ident,
                                 double Default)
{
    return ReadConverted(*this, Section, Ident, Default,
                         [](const AnsiString& S, double& V) { return TryStrToFloat(S, V); });
}

TDateTime TCustomIniFile::ReadTime(const AnsiString& Section, const AnsiString& Ident,
                                   TDateTime Default)
{
    return ReadConverted(*this, Section, Ident, Default,
                         [](const AnsiString& S, TDateTime& V) { return TryStrToTime(S, V); });
}

void TCustomIniFile::WriteDate(const AnsiString& Section, const AnsiString& Ident, TDateTime Value)
{
    WriteString(Section, Ident, DateToStr(Value));
}

void TCustomIniFile::WriteDateTime(const AnsiString& Section, const AnsiString& Ident,
                                   TDateTime Value)
{
    WriteString(Section, Ident, DateTimeToStr(Value));
}

void TCustomIniFile::WriteFloat(const AnsiString& Section, const AnsiString& Ident, double Value)
{
    WriteString(Section, Ident, FloatToStr(Value));
}

void TCustomIniFile::WriteTime(const AnsiString& Section, const AnsiString& Ident, TDateTime Value)
{
    WriteString(Section, Ident, TimeToStr(Value));
}

void TCustomIniFile::BeginUpdate()
{
    ++FUpdateCount;
}

void TCustomIniFile::EndUpdate()
{
    --FUpdateCount;
    if (FUpdateCount < 1) {
        FUpdateCount = 0;
        UpdateFile();
    }
}

bool TCustomIniFile::SectionExists(const AnsiString& Section)
{
    TStringList S;
    ReadSection(Section, &S);
    return S.Count() > 0;
}

bool TCustomIniFile::ValueExists(const AnsiString& Section, const AnsiString& Ident)
{
    TStringList S;
    ReadSection(Section, &S);
    return S.IndexOf(Ident) > -1;
}

int TCustomIniFile::ReadBinaryStream(const AnsiString& Section, const AnsiString& Name,
                                     TStream* Value)
{
    const AnsiString Text = ReadString(Section, Name, AnsiString());
    // Only the whole pairs before the first bad digit are bytes (the old
    // routine copied the unconverted rest as well).
    AnsiString Bytes;
    for (int I = 1; I + 1 <= Text.Length(); I += 2) {
        const int Hi = HexDigit(Text[I]);
        const int Lo = HexDigit(Text[I + 1]);
        if (Hi < 0 || Lo < 0)
            break;
        Bytes += static_cast<char>(Hi * 16 + Lo);
    }
    Value->WriteBuffer(Bytes.Data(), Bytes.Length());
    return Bytes.Length();
}

void TCustomIniFile::WriteBinaryStream(const AnsiString& Section, const AnsiString& Name,
                                       TStream* Buffer)
{
    static const char Digits[] = "0123456789ABCDEF";
    const Int64 Count = Buffer->Size() - Buffer->Position();
    AnsiString Bytes;
    Bytes.SetLength(static_cast<int>(Count > 0 ? Count : 0));
    Buffer->ReadBuffer(Bytes.Data(), Bytes.Length());
    AnsiString Text;
    for (int I = 1; I <= Bytes.Length(); ++I) {
        const auto B = static_cast<unsigned char>(Bytes[I]);
        Text += Digits[B >> 4];
        Text += Digits[B & 15];
    }
    WriteString(Section, Name, Text);
}

// ---- IniSectionLines, TMemIniFile ------------------------------------------

PRICETAGS_DEFINE_CLASS(IniSectionLines)

PRICETAGS_DEFINE_CLASS(TMemIniFile)

TMemIniFile::TMemIniFile(const AnsiString& FileName) : TCustomIniFile(FileName)
{
    LoadValues();
}

TMemIniFile::~TMemIniFile()
{
    Clear();
}

void TMemIniFile::LoadValues()
{
    if (FFileName.IsEmpty() || !FileExists(FFileName)) {
        Clear();
        return;
    }
    TStringList List;
    List.LoadFromFile(FFileName);
    SetStrings(&List);
}

void TMemIniFile::Clear()
{
    for (int I = 0; I < FSections.Count(); ++I)
        delete FSections.Objects(I);
    FSections.Clear();
    FLeading.Clear();
}

IniSectionLines* TMemIniFile::FindSection(const AnsiString& Section) const
{
    const int I = FSections.IndexOf(Section);
    return I >= 0 ? static_cast<IniSectionLines*>(FSections.Objects(I)) : nullptr;
}

IniSectionLines* TMemIniFile::AddSection(const AnsiString& Section)
{
    auto Lines = std::make_unique<IniSectionLines>();
    Lines->Header = "[" + Section + "]";
    FSections.AddObject(Section, Lines.get());
    return Lines.release();
}

AnsiString TMemIniFile::ReadString(const AnsiString& Section, const AnsiString& Ident,
                                   const AnsiString& Default)
{
    if (const IniSectionLines* Lines = FindSection(Section)) {
        const int I = FindEntry(*Lines, Ident);
        if (I >= 0) {
            const AnsiString Line = Lines->Strings(I);
            return EntryValue(Line, EntrySeparator(Line));
        }
    }
    return Default;
}

void TMemIniFile::WriteString(const AnsiString& Section, const AnsiString& Ident,
                              const AnsiString& Value)
{
    IniSectionLines* Lines = FindSection(Section);
    if (!Lines) {
        // A new section ends with one blank line, as the runtime wrote them.
        Lines = AddSection(Section);
        Lines->Add(AnsiString());
    }
    const AnsiString S = Ident + "=" + Value;
    const int I = FindEntry(*Lines, Ident);
    if (I >= 0)
        Lines->SetStrings(I, S);
    else
        Lines->Insert(NewEntryIndex(*Lines), S);
}

void TMemIniFile::UpdateFile()
{
    if (FFileName.IsEmpty())
        return;
    TStringList List;
    GetStrings(&List);
    // Written beside the file and renamed over it, so a failed write never
    // leaves half a file.
    const AnsiString TempName = FFileName + ".tmp";
    try {
        List.SaveToFile(TempName);
    } catch (const EFCreateError&) {
        throw EFCreateError(Format(SFCreateError, {FFileName}));
    } catch (const EStreamError&) {
        DeleteFile(TempName);
        throw;
    }
    if (!RenameFileReplacing(TempName, FFileName)) {
        DeleteFile(TempName);
        throw EFCreateError(Format(SFCreateError, {FFileName}));
    }
}

void TMemIniFile::ReadSection(const AnsiString& Section, TStrings* Strings)
{
    const UpdateScope<TStrings> Update(Strings);
    Strings->Clear();
    // Lines without '=' have no name and are not listed.
    if (const IniSectionLines* Lines = FindSection(Section)) {
        for (int I = 0; I < Lines->Count(); ++I) {
            const AnsiString Line = Lines->Strings(I);
            const int Sep = EntrySeparator(Line);
            if (Sep > 0)
                Strings->Add(EntryName(Line, Sep));
        }
    }
}

void TMemIniFile::ReadSections(TStrings* Strings)
{
    const UpdateScope<TStrings> Update(Strings);
    Strings->Clear();
    for (int I = 0; I < FSections.Count(); ++I)
        Strings->Add(FSections.Strings(I));
}

void TMemIniFile::ReadSectionValues(const AnsiString& Section, TStrings* Strings)
{
    const UpdateScope<TStrings> Update(Strings);
    Strings->Clear();
    if (const IniSectionLines* Lines = FindSection(Section)) {
        for (int I = 0; I < Lines->Count(); ++I) {
            const AnsiString Line = Lines->Strings(I);
            const AnsiString T = Trim(Line);
            if (T.IsEmpty() || T[1] == ';')
                continue;
            const int Sep = EntrySeparator(Line);
            Strings->Add(Sep > 0 ? EntryName(Line, Sep) + "=" + EntryValue(Line, Sep) : T);
        }
    }
}

void TMemIniFile::EraseSection(const AnsiString& Section)
{
    // Every section of the name goes: erasing only the first would bring a
    // repeated section's values back into view.
    for (int I = FSections.IndexOf(Section); I >= 0; I = FSections.IndexOf(Section)) {
        delete FSections.Objects(I);
        FSections.Delete(I);
    }
}

void TMemIniFile::DeleteKey(const AnsiString& Section, const AnsiString& Ident)
{
    if (IniSectionLines* Lines = FindSection(Section)) {
        const int I = FindEntry(*Lines, Ident);
        if (I >= 0)
            Lines->Delete(I);
    }
}

void TMemIniFile::GetStrings(TStrings* List)
{
    const UpdateScope<TStrings> Update(List);
    List->AddStrings(&FLeading);
    for (int I = 0; I < FSections.Count(); ++I) {
        auto* Lines = static_cast<IniSectionLines*>(FSections.Objects(I));
        List->Add(Lines->Header);
        List->AddStrings(Lines);
    }
}

void TMemIniFile::SetStrings(TStrings* List)
{
    Clear();
    IniSectionLines* Current = nullptr;
    for (int I = 0; I < List->Count(); ++I) {
        const AnsiString Line = List->Strings(I);
        const AnsiString S = Trim(Line);
        if (!S.IsEmpty() && S[1] == '[' && S[S.Length()] == ']') {
            Current = AddSection(Trim(Copy(S, 2, S.Length() - 2)));
            Current->Header = Line;
        } else if (Current) {
            Current->Add(Line);
        } else {
            FLeading.Add(Line);
        }
    }
}

void TMemIniFile::Rename(const AnsiString& FileName, bool Reload)
{
    FFileName = FileName;
    if (Reload)
        LoadValues();
}

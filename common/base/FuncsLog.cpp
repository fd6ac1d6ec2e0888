// The log, the program's own error and the shared program ini.

#include "common/base/Funcs.h"

#include "common/base/FuncsPrivate.h"
#include "common/base/IniFiles.h"

#include "platform/rtl/DateTime.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/StrUtils.h"

#include <cstdio>
#include <exception>
#include <memory>
#include <vector>

TLogHook gLogHook = nullptr;

namespace {

/// The program ini; created by GetAppIniFile, freed by FreeAppIniFile.
TIniFile* gAppIniFile = nullptr;

/// The text of a log entry of Kind: the prefix and the quoted text for
/// kinds 2..8.
AnsiString KindText(const AnsiString& Text, Integer Kind)
{
    static const char* const Prefixes[] = {
        "Лог.ошибка:"_c, "Ошибка:"_c, "Предупр.:"_c, "ErrMess:"_c,
        "Внимание:"_c,   "Запрос:"_c, "Ответ:"_c,
    };
    if (Kind >= 9)
        return "";
    if (Kind < 2)
        return Text;
    return AnsiString(Prefixes[Kind - 2]) + "\"" + Text + "\"";
}

/// The lines of Text split at CR LF, LF or CR, as a string list takes text.
std::vector<AnsiString> SplitLines(const AnsiString& Text)
{
    std::vector<AnsiString> Lines;
    AnsiString Line;
    const Integer Len = Text.Length();
    for (Integer I = 1; I <= Len; ++I) {
        const char C = Text[I];
        if (C != '\r' && C != '\n') {
            Line += C;
            continue;
        }
        if (C == '\r' && I < Len && Text[I + 1] == '\n')
            ++I;
        Lines.push_back(Line);
        Line = "";
    }
    if (!Line.IsEmpty())
        Lines.push_back(Line);
    return Lines;
}

/// The entry's text: blank lines dropped, the rest joined by CR LF and
/// indented by a tab after the first, trailing line ends and blanks cut.
AnsiString EntryText(const AnsiString& Text)
{
    AnsiString Joined;
    for (const AnsiString& Line : SplitLines(Text)) {
        if (IsBlank(Line))
            continue;
        if (!Joined.IsEmpty())
            Joined += "\r\n";
        Joined += Line;
    }
    while (Joined.Length() > 1) {
        const char Last = Joined[Joined.Length()];
        if (Last != '\r' && Last != '\n' && Last != ' ')
            break;
        Joined.SetLength(Joined.Length() - 1);
    }
    return StringReplace(Joined, "\r\n", "\r\n\t", rfReplaceAll);
}

} // namespace

void LogMessage(const AnsiString& Text, Integer Kind)
{
    if (gLogHook)
        CallLogHook(UnescapeNewLines(Text), Kind);
}

void CallLogHook(const AnsiString& Text, Integer Kind)
{
    const TLogHook Hook = gLogHook;
    if (!Hook)
        return;
    try {
        Hook(KindText(Text, Kind), Kind);
    } catch (const std::exception& E) {
        // Logging never fails its caller. The failure is reported with the
        // hook switched off, so that reporting it cannot log again.
        gLogHook = nullptr;
        std::fprintf(stderr, "log: %s\n", AnsiString(E.what()).ToUtf8().c_str());
        gLogHook = Hook;
    }
}

void WriteLogFile(const AnsiString& Text, Integer Kind)
{
    (void)Kind;
    const AnsiString Entry = DateTimeToStr(Now()) + ": " + EntryText(Text) + "\r\n";
    const AnsiString Name = GetLogFileName();
    int Handle = FileExists(Name) ? FileOpen(Name, fmOpenWrite | fmShareDenyNone)
                                  : FileCreate(Name);
    if (Handle < 0)
        throw EInOutError("Cannot open log file " + Name + ": " + SysErrorMessage(GetLastError()));
    const bool Written = FileSeek(Handle, 0, 2) >= 0
                         && FileWrite(Handle, Entry.Data(), Entry.Length()) == Entry.Length();
    const DWORD Error = GetLastError();
    FileClose(Handle);
    if (!Written)
        throw EInOutError("Cannot write log file " + Name + ": " + SysErrorMessage(Error));
}

void InstallDefaultLogHook()
{
    gLogHook = WriteLogFile;
}

void SetLogFileName(const AnsiString& Name)
{
    CachedNames().LogFileName = Name.IsEmpty() ? GetStartDir() + GetExeName() + ".log" : Name;
}

AnsiString GetLogFileName()
{
    if (CachedNames().LogFileName.IsEmpty())
        SetLogFileName("");
    return CachedNames().LogFileName;
}

void RaiseAppError(const AnsiString& Text)
{
    LogMessage(Text, 3);
    throw EAppException(UnescapeNewLines(Text));
}

AnsiString GetAppIniName()
{
    FuncsNames& Names = CachedNames();
    if (Names.AppIniName.IsEmpty())
        Names.AppIniName = GetStartDir() + GetExeName() + ".ini";
    return Names.AppIniName;
}

TIniFile* GetAppIniFile()
{
    if (!gAppIniFile)
        gAppIniFile = new TIniFile(GetAppIniName());
    return gAppIniFile;
}

void FreeAppIniFile()
{
    // Freeing writes the file; the pointer is cleared first so that a failed
    // write does not leave a freed object behind.
    std::unique_ptr<TIniFile> Ini(gAppIniFile);
    gAppIniFile = nullptr;
}

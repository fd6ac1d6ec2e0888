#include "platform/rtl/Files.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/StrUtils.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include <dirent.h>

extern char** environ;

namespace {

thread_local DWORD LastError = ERROR_SUCCESS;

std::string Sys(const AnsiString& Name)
{
    return Name.ToUtf8();
}

AnsiString FromSys(const std::string& Name)
{
    return AnsiString::FromUtf8(Name);
}

/// Whether the folder part of Name exists (the current folder when the
/// name has none).
bool ParentExists(const AnsiString& Name)
{
    const AnsiString Dir = ExtractFileDir(Name);
    if (Dir.IsEmpty())
        return true;
    struct stat St {};
    return ::stat(Sys(Dir).c_str(), &St) == 0 && S_ISDIR(St.st_mode);
}

/// Records errno as the last error; a missing name whose folder is missing
/// too is ERROR_PATH_NOT_FOUND, as the system reports it.
DWORD FailWith(int Errno, const AnsiString& Name)
{
    DWORD Code = Win32ErrorOfErrno(Errno);
    if (Code == ERROR_FILE_NOT_FOUND && !ParentExists(Name))
        Code = ERROR_PATH_NOT_FOUND;
    LastError = Code;
    return Code;
}

DWORD Fail(DWORD Code)
{
    LastError = Code;
    return Code;
}

bool HasNoWriteBits(const struct stat& St)
{
    return (St.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

Integer AttrOf(const AnsiString& Name, const struct stat& St)
{
    Integer Attr = 0;
    if (S_ISDIR(St.st_mode))
        Attr |= faDirectory;
    else
        Attr |= faArchive;
    if (HasNoWriteBits(St))
        Attr |= faReadOnly;
    if (!Name.IsEmpty() && Name[1] == '.')
        Attr |= faHidden;
    return Attr;
}

TDateTime LocalDateTimeOf(time_t Seconds)
{
    tm Local{};
    localtime_r(&Seconds, &Local);
    return EncodeDate(Word(Local.tm_year + 1900), Word(Local.tm_mon + 1), Word(Local.tm_mday))
         + EncodeTime(Word(Local.tm_hour), Word(Local.tm_min), Word(Local.tm_sec), 0);
}

/// Seconds since the epoch of a local date and time; false when the date
/// cannot be represented.
bool TimeOfLocal(TDateTime DateTime, time_t& Seconds)
{
    Word Year = 0, Month = 0, Day = 0, Hour = 0, Min = 0, Sec = 0, MSec = 0;
    DecodeDate(DateTime, Year, Month, Day);
    DecodeTime(DateTime, Hour, Min, Sec, MSec);
    tm Local{};
    Local.tm_year = Year - 1900;
    Local.tm_mon = Month - 1;
    Local.tm_mday = Day;
    Local.tm_hour = Hour;
    Local.tm_min = Min;
    Local.tm_sec = Sec;
    Local.tm_isdst = -1;
    Seconds = mktime(&Local);
    return Seconds != time_t(-1);
}

/// Packed DOS date of a time in seconds; file times keep whole seconds.
Integer FileDateOf(time_t Seconds)
{
    return DateTimeToFileDate(LocalDateTimeOf(Seconds));
}

/// The system's file time: 100-nanosecond steps since 1601-01-01 UTC.
Int64 FileTimeOf(const timespec& T)
{
    constexpr Int64 EpochDelta = 11644473600LL;
    return (Int64(T.tv_sec) + EpochDelta) * 10000000 + T.tv_nsec / 100;
}

// ---- injected faults ---------------------------------------------------------------

/// The folder fault of SetFolderFault; Errno 0 when there is none. The
/// handles opened for writing inside the folder are kept, so that their
/// writes can run out of room.
struct FolderFault {
    std::mutex Lock;
    std::atomic<bool> On{false};
    std::string Folder;  // absolute, with a trailing delimiter
    int Errno = 0;
    Int64 RoomLeft = 0;
    std::set<int> Handles;
};

FolderFault& Fault()
{
    static FolderFault* const Instance = new FolderFault;
    return *Instance;
}

/// The errno of the fault for an entry named Name, 0 when it lies outside
/// the folder (or there is no fault).
int FaultFor(const AnsiString& Name)
{
    FolderFault& F = Fault();
    if (!F.On.load(std::memory_order_relaxed))
        return 0;
    const std::string Full = Sys(ExpandFileName(Name));
    const std::lock_guard<std::mutex> Lock(F.Lock);
    return Full.compare(0, F.Folder.size(), F.Folder) == 0 ? F.Errno : 0;
}

/// Whether changing the entries of Name's folder fails by the fault; sets
/// the last error when it does.
bool EntryChangeRefused(const AnsiString& Name)
{
    if (FaultFor(Name) != EACCES)
        return false;
    FailWith(EACCES, Name);
    return true;
}

/// Count bytes to be written to Handle: fewer when the fault's room runs out.
size_t RoomFor(int Handle, size_t Count)
{
    FolderFault& F = Fault();
    if (!F.On.load(std::memory_order_relaxed))
        return Count;
    const std::lock_guard<std::mutex> Lock(F.Lock);
    if (F.Errno != ENOSPC || F.Handles.count(Handle) == 0)
        return Count;
    const size_t Room = size_t(std::max<Int64>(F.RoomLeft, 0));
    const size_t Allowed = std::min(Count, Room);
    F.RoomLeft -= Int64(Allowed);
    return Allowed;
}

// ---- share modes between this process's handles ------------------------------------

struct OpenHandle {
    dev_t Dev = 0;
    ino_t Ino = 0;
    DWORD Access = 0;
    DWORD Share = 0;
};

/// The handles of this process opened through CreateFile, by descriptor.
struct HandleTable {
    std::mutex Lock;
    std::map<int, OpenHandle> Handles;
};

HandleTable& Handles()
{
    static HandleTable Table;
    return Table;
}

/// Whether an open with Access and Share may stand beside an open handle.
bool Compatible(const OpenHandle& Open, DWORD Access, DWORD Share)
{
    if ((Access & GENERIC_READ) && !(Open.Share & FILE_SHARE_READ))
        return false;
    if ((Access & GENERIC_WRITE) && !(Open.Share & FILE_SHARE_WRITE))
        return false;
    if ((Open.Access & GENERIC_READ) && !(Share & FILE_SHARE_READ))
        return false;
    if ((Open.Access & GENERIC_WRITE) && !(Share & FILE_SHARE_WRITE))
        return false;
    return true;
}

// ---- masks -------------------------------------------------------------------------

/// '*' any run, '?' one character; both texts already upper-cased.
bool MatchesMask(std::string_view Name, std::string_view Mask)
{
    size_t N = 0, M = 0;
    size_t StarM = std::string_view::npos, StarN = 0;
    while (N < Name.size()) {
        if (M < Mask.size() && (Mask[M] == '?' || Mask[M] == Name[N])) {
            ++N;
            ++M;
        } else if (M < Mask.size() && Mask[M] == '*') {
            StarM = M++;
            StarN = N;
        } else if (StarM != std::string_view::npos) {
            M = StarM + 1;
            N = ++StarN;
        } else {
            return false;
        }
    }
    while (M < Mask.size() && Mask[M] == '*')
        ++M;
    return M == Mask.size();
}

/// Entry names of a folder (without "." and ".."), in byte order; false
/// with errno set when the folder cannot be read.
bool ListFolder(const AnsiString& Dir, std::vector<AnsiString>& Names)
{
    DIR* D = opendir(Dir.IsEmpty() ? "." : Sys(Dir).c_str());
    if (!D)
        return false;
    while (dirent* E = readdir(D)) {
        const std::string Name = E->d_name;
        if (Name == "." || Name == "..")
            continue;
        Names.push_back(FromSys(Name));
    }
    closedir(D);
    std::sort(Names.begin(), Names.end());
    return true;
}

} // namespace

// ---- error codes -----------------------------------------------------------------

DWORD GetLastError()
{
    return LastError;
}

void SetLastError(DWORD Code)
{
    LastError = Code;
}

DWORD Win32ErrorOfErrno(int Errno)
{
    switch (Errno) {
    case 0: return ERROR_SUCCESS;
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR: return ERROR_ACCESS_DENIED;
    case EROFS: return ERROR_WRITE_PROTECT;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case EBADF: return ERROR_INVALID_HANDLE;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case EXDEV: return ERROR_NOT_SAME_DEVICE;
    case ETXTBSY: return ERROR_SHARING_VIOLATION;
    case EAGAIN: return ERROR_LOCK_VIOLATION;
    case EEXIST: return ERROR_ALREADY_EXISTS;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    case ENOSPC:
    case EDQUOT: return ERROR_DISK_FULL;
    case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
    case EBUSY: return ERROR_BUSY;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case EFBIG: return ERROR_FILE_TOO_LARGE;
    case EIO: return ERROR_IO_DEVICE;
    case ELOOP: return ERROR_CANT_RESOLVE_FILENAME;
    default: return ERROR_GEN_FAILURE;
    }
}

AnsiString SysErrorMessage(DWORD Code)
{
    // The texts of the Russian system the shops run, which is what the
    // operator saw under every "System Error" of the program.
    switch (Code) {
    case ERROR_SUCCESS: return "Операция успешно завершена"_a;
    case ERROR_INVALID_FUNCTION: return "Неверная функция"_a;
    case ERROR_FILE_NOT_FOUND: return "Не удается найти указанный файл"_a;
    case ERROR_PATH_NOT_FOUND: return "Системе не удается найти указанный путь"_a;
    case ERROR_TOO_MANY_OPEN_FILES: return "Системе не удается открыть файл"_a;
    case ERROR_ACCESS_DENIED: return "Отказано в доступе"_a;
    case ERROR_INVALID_HANDLE: return "Неверный дескриптор"_a;
    case ERROR_NOT_ENOUGH_MEMORY: return "Недостаточно памяти для обработки команды"_a;
    case ERROR_NOT_SAME_DEVICE: return "Системе не удается переместить файл на другой диск"_a;
    case ERROR_NO_MORE_FILES: return "Больше файлов нет"_a;
    case ERROR_WRITE_PROTECT: return "Носитель защищен от записи"_a;
    case ERROR_GEN_FAILURE: return "Присоединенное к системе устройство не работает"_a;
    case ERROR_SHARING_VIOLATION:
        return "Процесс не может получить доступ к файлу, так как этот файл занят другим "
               "процессом"_a;
    case ERROR_LOCK_VIOLATION:
        return "Процесс не может получить доступ к файлу, так как часть этого файла "
               "заблокирована другим процессом"_a;
    case ERROR_HANDLE_EOF: return "Достигнут конец файла"_a;
    case ERROR_FILE_EXISTS: return "Файл существует"_a;
    case ERROR_INVALID_PARAMETER: return "Параметр задан неверно"_a;
    case ERROR_DISK_FULL: return "Недостаточно места на диске"_a;
    case ERROR_INVALID_NAME:
        return "Синтаксическая ошибка в имени файла, имени папки или метке тома"_a;
    case ERROR_NEGATIVE_SEEK:
        return "Попытка переместить указатель на файл перед началом файла"_a;
    case ERROR_DIR_NOT_EMPTY: return "Папка не пуста"_a;
    case ERROR_BUSY: return "Требуемый ресурс занят"_a;
    case ERROR_ALREADY_EXISTS: return "Невозможно создать файл, так как он уже существует"_a;
    case ERROR_FILENAME_EXCED_RANGE:
        return "Имя файла или его расширение имеет слишком большую длину"_a;
    case ERROR_FILE_TOO_LARGE:
        return "Размер файла превышает допустимое ограничение, и файл не может быть "
               "сохранен"_a;
    case ERROR_IO_DEVICE:
        return "Запрос не был выполнен из-за ошибки ввода/вывода на устройстве"_a;
    case ERROR_CANT_RESOLVE_FILENAME: return "Системе не удается разрешить имя файла"_a;
    default: return AnsiString();
    }
}

void RaiseLastOSError()
{
    const DWORD Code = GetLastError();
    if (Code == ERROR_SUCCESS)
        throw EOSError(SUnkOSError);
    throw EOSError("System Error.  Code: " + IntToStr(Int64(Code)) + ".\r\n"
                   + SysErrorMessage(Code));
}

// ---- program and current folder ---------------------------------------------------

AnsiString ParamStr(int Index)
{
    if (Index == 0) {
        std::string Buffer(4096, '\0');
        const ssize_t Len = readlink("/proc/self/exe", Buffer.data(), Buffer.size());
        if (Len <= 0)
            return AnsiString();
        Buffer.resize(size_t(Len));
        return FromSys(Buffer);
    }
    if (Index < 0)
        return AnsiString();
    std::ifstream In("/proc/self/cmdline", std::ios::binary);
    std::string Arg;
    for (int I = 0; std::getline(In, Arg, '\0'); ++I) {
        if (I == Index)
            return FromSys(Arg);
    }
    return AnsiString();
}

int ParamCount()
{
    std::ifstream In("/proc/self/cmdline", std::ios::binary);
    std::string Arg;
    int Count = 0;
    while (std::getline(In, Arg, '\0'))
        ++Count;
    return Count > 0 ? Count - 1 : 0;
}

AnsiString GetCurrentDir()
{
    std::string Buffer(4096, '\0');
    while (!getcwd(Buffer.data(), Buffer.size())) {
        if (errno != ERANGE) {
            FailWith(errno, AnsiString());
            return AnsiString();
        }
        Buffer.resize(Buffer.size() * 2);
    }
    Buffer.resize(Buffer.find('\0'));
    return FromSys(Buffer);
}

bool SetCurrentDir(const AnsiString& Dir)
{
    if (chdir(Sys(Dir).c_str()) != 0) {
        FailWith(errno, Dir);
        return false;
    }
    return true;
}

// ---- names ---------------------------------------------------------------------

AnsiString ExpandFileName(const AnsiString& FileName)
{
    if (FileName.IsEmpty())
        return AnsiString();
    AnsiString Full = FileName;
    if (FileName[1] != PathDelim)
        Full = IncludeTrailingPathDelimiter(GetCurrentDir()) + FileName;
    std::vector<std::string_view> Parts;
    const std::string_view Text = Full.View();
    size_t Start = 0;
    while (Start <= Text.size()) {
        size_t End = Text.find(PathDelim, Start);
        if (End == std::string_view::npos)
            End = Text.size();
        const std::string_view Part = Text.substr(Start, End - Start);
        if (Part == "..") {
            if (!Parts.empty())
                Parts.pop_back();
        } else if (!Part.empty() && Part != ".") {
            Parts.push_back(Part);
        }
        Start = End + 1;
    }
    std::string Result;
    for (std::string_view Part : Parts) {
        Result += PathDelim;
        Result += Part;
    }
    if (Result.empty() || Text.back() == PathDelim)
        Result += PathDelim;
    return AnsiString(std::move(Result));
}

AnsiString ExtractFilePath(const AnsiString& FileName)
{
    const int I = LastDelimiter(AnsiString(PathDelim), FileName);
    return Copy(FileName, 1, I);
}

AnsiString ExtractFileDir(const AnsiString& FileName)
{
    int I = LastDelimiter(AnsiString(PathDelim), FileName);
    if (I > 1 && FileName[I] == PathDelim && FileName[I - 1] != PathDelim)
        --I;
    return Copy(FileName, 1, I);
}

AnsiString ExtractFileName(const AnsiString& FileName)
{
    const int I = LastDelimiter(AnsiString(PathDelim), FileName);
    return Copy(FileName, I + 1, FileName.Length());
}

AnsiString ExtractFileExt(const AnsiString& FileName)
{
    const int I = LastDelimiter(AnsiString(".") + PathDelim, FileName);
    if (I > 0 && FileName[I] == '.')
        return Copy(FileName, I, FileName.Length());
    return AnsiString();
}

AnsiString ChangeFileExt(const AnsiString& FileName, const AnsiString& Extension)
{
    int I = LastDelimiter(AnsiString(".") + PathDelim, FileName);
    if (I == 0 || FileName[I] != '.')
        I = FileName.Length() + 1;
    return Copy(FileName, 1, I - 1) + Extension;
}

AnsiString IncludeTrailingPathDelimiter(const AnsiString& S)
{
    if (!S.IsEmpty() && S[S.Length()] == PathDelim)
        return S;
    return S + PathDelim;
}

AnsiString ExcludeTrailingPathDelimiter(const AnsiString& S)
{
    if (!S.IsEmpty() && S[S.Length()] == PathDelim)
        return Copy(S, 1, S.Length() - 1);
    return S;
}

AnsiString ExpandEnvironmentStrings(const AnsiString& S)
{
    const auto Lookup = [](const AnsiString& Name, AnsiString& Value) {
        const std::string Key = Sys(Name);
        if (const char* Exact = std::getenv(Key.c_str())) {
            Value = FromSys(Exact);
            return true;
        }
        // Windows ignores case in variable names.
        for (char** E = environ; E && *E; ++E) {
            const std::string_view Entry(*E);
            const size_t Eq = Entry.find('=');
            if (Eq == std::string_view::npos || Eq == 0)
                continue;
            if (AnsiSameText(FromSys(std::string(Entry.substr(0, Eq))), Name)) {
                Value = FromSys(std::string(Entry.substr(Eq + 1)));
                return true;
            }
        }
        return false;
    };
    const std::string_view Text = S.View();
    std::string Result;
    size_t P = 0;
    while (P < Text.size()) {
        const size_t Open = Text.find('%', P);
        if (Open == std::string_view::npos) {
            Result += Text.substr(P);
            break;
        }
        Result += Text.substr(P, Open - P);
        const size_t Close = Text.find('%', Open + 1);
        if (Close == std::string_view::npos) {
            Result += Text.substr(Open);
            break;
        }
        const AnsiString Name(Text.substr(Open + 1, Close - Open - 1));
        AnsiString Value;
        if (!Name.IsEmpty() && Lookup(Name, Value))
            Result += Value.Std();
        else
            Result += Text.substr(Open, Close - Open + 1);
        P = Close + 1;
    }
    return AnsiString(std::move(Result));
}

AnsiString ResolveFileNameCase(const AnsiString& FileName)
{
    struct stat St {};
    if (FileName.IsEmpty() || ::lstat(Sys(FileName).c_str(), &St) == 0)
        return FileName;
    const std::string_view Text = FileName.View();
    const bool Absolute = Text.front() == PathDelim;
    const bool Trailing = Text.size() > 1 && Text.back() == PathDelim;
    AnsiString Current = Absolute ? AnsiString(PathDelim) : AnsiString();
    size_t Start = Absolute ? 1 : 0;
    while (Start < Text.size()) {
        size_t End = Text.find(PathDelim, Start);
        if (End == std::string_view::npos)
            End = Text.size();
        const AnsiString Part(Text.substr(Start, End - Start));
        Start = End + 1;
        if (Part.IsEmpty())
            continue;
        AnsiString Next = Current + Part;
        if (::lstat(Sys(Next).c_str(), &St) != 0) {
            std::vector<AnsiString> Names;
            if (!ListFolder(Current, Names))
                return FileName;
            const AnsiString Wanted = AnsiUpperCase(Part);
            const auto Found = std::find_if(Names.begin(), Names.end(), [&](const AnsiString& N) {
                return AnsiUpperCase(N) == Wanted;
            });
            if (Found == Names.end())
                return FileName;
            Next = Current + *Found;
        }
        Current = Next + PathDelim;
    }
    return Trailing ? Current : ExcludeTrailingPathDelimiter(Current);
}

// ---- existence, attributes, dates -----------------------------------------------

bool FileExists(const AnsiString& FileName)
{
    struct stat St {};
    return !FileName.IsEmpty() && ::stat(Sys(FileName).c_str(), &St) == 0
        && !S_ISDIR(St.st_mode);
}

bool DirectoryExists(const AnsiString& Name)
{
    struct stat St {};
    return !Name.IsEmpty() && ::stat(Sys(Name).c_str(), &St) == 0 && S_ISDIR(St.st_mode);
}

Integer FileGetAttr(const AnsiString& FileName)
{
    struct stat St {};
    if (::stat(Sys(FileName).c_str(), &St) != 0) {
        FailWith(errno, FileName);
        return -1;
    }
    return AttrOf(ExtractFileName(ExcludeTrailingPathDelimiter(FileName)), St);
}

Integer FileSetAttr(const AnsiString& FileName, Integer Attr)
{
    const std::string Name = Sys(FileName);
    struct stat St {};
    if (::stat(Name.c_str(), &St) != 0)
        return Integer(FailWith(errno, FileName));
    if (S_ISDIR(St.st_mode))
        return 0;
    mode_t Mode = St.st_mode & 07777;
    if (Attr & faReadOnly)
        Mode &= ~mode_t(S_IWUSR | S_IWGRP | S_IWOTH);
    else if (HasNoWriteBits(St))
        Mode |= S_IWUSR;
    if (Mode != (St.st_mode & 07777) && ::chmod(Name.c_str(), Mode) != 0)
        return Integer(FailWith(errno, FileName));
    return 0;
}

Integer FileAge(const AnsiString& FileName)
{
    struct stat St {};
    if (::stat(Sys(FileName).c_str(), &St) != 0 || S_ISDIR(St.st_mode))
        return -1;
    return FileDateOf(St.st_mtim.tv_sec);
}

bool FileAge(const AnsiString& FileName, TDateTime& FileDateTime)
{
    struct stat St {};
    if (::stat(Sys(FileName).c_str(), &St) != 0 || S_ISDIR(St.st_mode))
        return false;
    FileDateTime = LocalDateTimeOf(St.st_mtim.tv_sec);
    return true;
}

namespace {

/// The access and modification times for a packed DOS date; false when it
/// names no real date.
bool TimesOfFileDate(Integer Age, timespec (&Times)[2])
{
    time_t Seconds = 0;
    try {
        if (!TimeOfLocal(FileDateToDateTime(Age), Seconds))
            return false;
    } catch (const EConvertError&) {
        // An impossible packing (month 0, hour 25) is a bad argument.
        return false;
    }
    Times[0].tv_sec = 0;
    Times[0].tv_nsec = UTIME_OMIT;
    Times[1].tv_sec = Seconds;
    Times[1].tv_nsec = 0;
    return true;
}

} // namespace

Integer FileSetDate(const AnsiString& FileName, Integer Age)
{
    timespec Times[2];
    if (!TimesOfFileDate(Age, Times))
        return Integer(Fail(ERROR_INVALID_PARAMETER));
    if (utimensat(AT_FDCWD, Sys(FileName).c_str(), Times, 0) != 0)
        return Integer(FailWith(errno, FileName));
    return 0;
}

// ---- folder listing ------------------------------------------------------------

struct TSearchRec::FindState {
    struct Entry {
        AnsiString Name;
        struct stat St;
    };
    std::vector<Entry> Matches;
    size_t Next = 0;
};

TSearchRec::TSearchRec() = default;
TSearchRec::~TSearchRec() = default;

namespace {

Integer TakeNext(TSearchRec& F)
{
    TSearchRec::FindState& State = *F.FFind;
    if (State.Next >= State.Matches.size())
        return Integer(Fail(ERROR_NO_MORE_FILES));
    const TSearchRec::FindState::Entry& E = State.Matches[State.Next++];
    F.Name = E.Name;
    F.Size = S_ISDIR(E.St.st_mode) ? 0 : Int64(E.St.st_size);
    F.Attr = AttrOf(E.Name, E.St);
    F.Time = FileDateOf(E.St.st_mtim.tv_sec);
    F.LastWriteTime = FileTimeOf(E.St.st_mtim);
    return 0;
}

} // namespace

Integer FindFirst(const AnsiString& Path, Integer Attr, TSearchRec& F)
{
    FindClose(F);
    F.ExcludeAttr = ~Attr & (faHidden | faSysFile | faVolumeID | faDirectory);
    F.FFind = std::make_unique<TSearchRec::FindState>();
    const AnsiString Dir = ExtractFilePath(Path);
    AnsiString Mask = AnsiUpperCase(ExtractFileName(Path));
    if (Mask == "*.*")
        Mask = "*";
    if (Mask.IsEmpty())
        return Integer(Fail(ERROR_FILE_NOT_FOUND));
    std::vector<AnsiString> Names;
    if (!ListFolder(Dir, Names)) {
        const int Errno = errno;
        return Integer(Fail(Errno == ENOENT ? ERROR_PATH_NOT_FOUND : Win32ErrorOfErrno(Errno)));
    }
    for (const AnsiString& Name : Names) {
        if (!MatchesMask(AnsiUpperCase(Name).View(), Mask.View()))
            continue;
        TSearchRec::FindState::Entry E{Name, {}};
        const std::string Full = Sys(Dir + Name);
        // A link that leads nowhere is listed as the link itself.
        if (::stat(Full.c_str(), &E.St) != 0 && ::lstat(Full.c_str(), &E.St) != 0)
            continue;
        if (AttrOf(Name, E.St) & F.ExcludeAttr)
            continue;
        F.FFind->Matches.push_back(std::move(E));
    }
    if (F.FFind->Matches.empty())
        return Integer(Fail(ERROR_FILE_NOT_FOUND));
    return TakeNext(F);
}

Integer FindNext(TSearchRec& F)
{
    if (!F.FFind)
        return Integer(Fail(ERROR_NO_MORE_FILES));
    return TakeNext(F);
}

void FindClose(TSearchRec& F)
{
    F.FFind.reset();
}

// ---- files and folders ---------------------------------------------------------

bool DeleteFile(const AnsiString& FileName)
{
    if (EntryChangeRefused(FileName))
        return false;
    const std::string Name = Sys(FileName);
    struct stat St {};
    if (::lstat(Name.c_str(), &St) != 0) {
        FailWith(errno, FileName);
        return false;
    }
    // As on Windows: a folder or a read-only file is not deleted.
    if (S_ISDIR(St.st_mode) || (!S_ISLNK(St.st_mode) && HasNoWriteBits(St))) {
        Fail(ERROR_ACCESS_DENIED);
        return false;
    }
    if (::unlink(Name.c_str()) != 0) {
        FailWith(errno, FileName);
        return false;
    }
    return true;
}

bool RenameFile(const AnsiString& OldName, const AnsiString& NewName)
{
    if (EntryChangeRefused(OldName) || EntryChangeRefused(NewName))
        return false;
    const std::string From = Sys(OldName);
    const std::string To = Sys(NewName);
    if (::renameat2(AT_FDCWD, From.c_str(), AT_FDCWD, To.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS) {
        FailWith(errno, errno == EEXIST ? NewName : OldName);
        return false;
    }
    // A file system without the no-replace rename: check, then rename.
    struct stat St {};
    if (::lstat(To.c_str(), &St) == 0) {
        Fail(ERROR_ALREADY_EXISTS);
        return false;
    }
    if (::rename(From.c_str(), To.c_str()) != 0) {
        FailWith(errno, OldName);
        return false;
    }
    return true;
}

bool RenameFileReplacing(const AnsiString& OldName, const AnsiString& NewName)
{
    if (EntryChangeRefused(OldName) || EntryChangeRefused(NewName))
        return false;
    const std::string To = Sys(NewName);
    struct stat St {};
    if (::lstat(To.c_str(), &St) == 0 && !S_ISDIR(St.st_mode) && !S_ISLNK(St.st_mode)
        && HasNoWriteBits(St)) {
        Fail(ERROR_ACCESS_DENIED);
        return false;
    }
    if (::rename(Sys(OldName).c_str(), To.c_str()) != 0) {
        FailWith(errno, OldName);
        return false;
    }
    return true;
}

bool CreateDir(const AnsiString& Dir)
{
    if (const int Errno = FaultFor(ExcludeTrailingPathDelimiter(Dir))) {
        Fail(Win32ErrorOfErrno(Errno));
        return false;
    }
    if (::mkdir(Sys(Dir).c_str(), 0777) != 0) {
        const int Errno = errno;
        Fail(Errno == ENOENT ? ERROR_PATH_NOT_FOUND : Win32ErrorOfErrno(Errno));
        return false;
    }
    return true;
}

bool ForceDirectories(const AnsiString& Dir)
{
    if (Dir.IsEmpty())
        throw EInOutError(SCannotCreateDir);
    const AnsiString Name = ExcludeTrailingPathDelimiter(Dir);
    if (Name.IsEmpty() || DirectoryExists(Name))
        return true;
    const AnsiString Parent = ExtractFileDir(Name);
    if (!Parent.IsEmpty() && Parent != Name && !ForceDirectories(Parent))
        return false;
    // Another thread or program may have made it meanwhile.
    return CreateDir(Name) || DirectoryExists(Name);
}

bool RemoveDir(const AnsiString& Dir)
{
    if (EntryChangeRefused(ExcludeTrailingPathDelimiter(Dir)))
        return false;
    if (::rmdir(Sys(Dir).c_str()) != 0) {
        FailWith(errno, Dir);
        return false;
    }
    return true;
}

// ---- handles -------------------------------------------------------------------

int CreateFile(const AnsiString& FileName, DWORD DesiredAccess, DWORD ShareMode,
               DWORD CreationDisposition)
{
    int Flags = O_CLOEXEC;
    const bool Read = DesiredAccess & GENERIC_READ;
    const bool Write = DesiredAccess & GENERIC_WRITE;
    Flags |= Write ? (Read ? O_RDWR : O_WRONLY) : O_RDONLY;
    switch (CreationDisposition) {
    case CREATE_NEW: Flags |= O_CREAT | O_EXCL; break;
    case CREATE_ALWAYS: Flags |= O_CREAT | O_TRUNC; break;
    case OPEN_EXISTING: break;
    case OPEN_ALWAYS: Flags |= O_CREAT; break;
    case TRUNCATE_EXISTING: Flags |= O_TRUNC; break;
    default: Fail(ERROR_INVALID_PARAMETER); return INVALID_HANDLE_VALUE;
    }
    if ((Flags & O_TRUNC) && !Write) {
        Fail(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    const std::string Name = Sys(FileName);
    HandleTable& Table = Handles();
    // The lock spans the check and the open, so that two threads cannot both
    // pass the check, and no open empties a file another handle denies.
    const std::lock_guard<std::mutex> Lock(Table.Lock);
    struct stat St {};
    if (::stat(Name.c_str(), &St) == 0) {
        if (S_ISDIR(St.st_mode) || (Write && HasNoWriteBits(St))) {
            Fail(CreationDisposition == CREATE_NEW ? ERROR_FILE_EXISTS : ERROR_ACCESS_DENIED);
            return INVALID_HANDLE_VALUE;
        }
        for (const auto& [Fd, Open] : Table.Handles) {
            if (Open.Dev == St.st_dev && Open.Ino == St.st_ino
                && !Compatible(Open, DesiredAccess, ShareMode)) {
                Fail(ERROR_SHARING_VIOLATION);
                return INVALID_HANDLE_VALUE;
            }
        }
    }
    const bool Exists = ::stat(Name.c_str(), &St) == 0;
    const int FaultErrno = Write || (Flags & O_CREAT) ? FaultFor(FileName) : 0;
    if (FaultErrno == EACCES && !Exists && (Flags & O_CREAT)) {
        FailWith(EACCES, FileName);
        return INVALID_HANDLE_VALUE;
    }
    // A named pipe would hold the open (and this lock, so every other open
    // of the process) until another process opens its other end. Opened
    // without waiting; reads and writes wait again as on any file.
    const int Fd = ::open(Name.c_str(), Flags | O_NONBLOCK, 0666);
    if (Fd < 0) {
        const int Errno = errno;
        if (Errno == EEXIST)
            Fail(ERROR_FILE_EXISTS);
        else
            FailWith(Errno, FileName);
        return INVALID_HANDLE_VALUE;
    }
    ::fcntl(Fd, F_SETFL, ::fcntl(Fd, F_GETFL) & ~O_NONBLOCK);
    if (::fstat(Fd, &St) != 0) {
        FailWith(errno, FileName);
        ::close(Fd);
        return INVALID_HANDLE_VALUE;
    }
    Table.Handles[Fd] = OpenHandle{St.st_dev, St.st_ino, DesiredAccess, ShareMode};
    if (FaultErrno == ENOSPC && Write) {
        const std::lock_guard<std::mutex> FaultLock(Fault().Lock);
        Fault().Handles.insert(Fd);
    }
    return Fd;
}

int FileOpen(const AnsiString& FileName, LongWord Mode)
{
    static constexpr DWORD Access[] = {GENERIC_READ, GENERIC_WRITE, GENERIC_READ | GENERIC_WRITE};
    static constexpr DWORD Share[] = {0, 0, FILE_SHARE_READ, FILE_SHARE_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE};
    const LongWord AccessIndex = Mode & 3;
    const LongWord ShareIndex = (Mode & 0xF0) >> 4;
    if (AccessIndex > 2 || ShareIndex > 4) {
        Fail(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    return CreateFile(FileName, Access[AccessIndex], Share[ShareIndex], OPEN_EXISTING);
}

int FileCreate(const AnsiString& FileName)
{
    return CreateFile(FileName, GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS);
}

bool FileIsRegular(int Handle)
{
    struct stat St {};
    return ::fstat(Handle, &St) == 0 && S_ISREG(St.st_mode);
}

int FileRead(int Handle, void* Buffer, int Count)
{
    if (Count < 0) {
        Fail(ERROR_INVALID_PARAMETER);
        return -1;
    }
    ssize_t Got = 0;
    do
        Got = ::read(Handle, Buffer, size_t(Count));
    while (Got < 0 && errno == EINTR);
    if (Got < 0) {
        Fail(Win32ErrorOfErrno(errno));
        return -1;
    }
    return int(Got);
}

int FileWrite(int Handle, const void* Buffer, int Count)
{
    if (Count < 0) {
        Fail(ERROR_INVALID_PARAMETER);
        return -1;
    }
    const char* Bytes = static_cast<const char*>(Buffer);
    size_t Done = 0;
    while (Done < size_t(Count)) {
        const size_t Room = RoomFor(Handle, size_t(Count) - Done);
        if (Room == 0) {
            Fail(ERROR_DISK_FULL);
            return Done > 0 ? int(Done) : -1;
        }
        const ssize_t Put = ::write(Handle, Bytes + Done, Room);
        if (Put < 0 && errno == EINTR)
            continue;
        if (Put < 0) {
            Fail(Win32ErrorOfErrno(errno));
            return Done > 0 ? int(Done) : -1;
        }
        Done += size_t(Put);
    }
    return int(Done);
}

Int64 FileSeek(int Handle, Int64 Offset, int Origin)
{
    static constexpr int Whence[] = {SEEK_SET, SEEK_CUR, SEEK_END};
    if (Origin < 0 || Origin > 2) {
        Fail(ERROR_INVALID_PARAMETER);
        return -1;
    }
    const off_t Pos = ::lseek(Handle, off_t(Offset), Whence[Origin]);
    if (Pos < 0) {
        const int Errno = errno;
        Fail(Errno == EINVAL ? ERROR_NEGATIVE_SEEK : Win32ErrorOfErrno(Errno));
        return -1;
    }
    return Int64(Pos);
}

Int64 FileGetSize(int Handle)
{
    struct stat St {};
    if (::fstat(Handle, &St) != 0) {
        Fail(Win32ErrorOfErrno(errno));
        return -1;
    }
    return Int64(St.st_size);
}

bool FileTruncate(int Handle)
{
    const off_t Pos = ::lseek(Handle, 0, SEEK_CUR);
    if (Pos < 0 || ::ftruncate(Handle, Pos) != 0) {
        Fail(Win32ErrorOfErrno(errno));
        return false;
    }
    return true;
}

Integer FileGetDate(int Handle)
{
    struct stat St {};
    if (::fstat(Handle, &St) != 0) {
        Fail(Win32ErrorOfErrno(errno));
        return -1;
    }
    return FileDateOf(St.st_mtim.tv_sec);
}

Integer FileSetDate(int Handle, Integer Age)
{
    timespec Times[2];
    if (!TimesOfFileDate(Age, Times))
        return Integer(Fail(ERROR_INVALID_PARAMETER));
    if (::futimens(Handle, Times) != 0)
        return Integer(Fail(Win32ErrorOfErrno(errno)));
    return 0;
}

void FileClose(int Handle)
{
    if (Handle < 0)
        return;
    {
        HandleTable& Table = Handles();
        const std::lock_guard<std::mutex> Lock(Table.Lock);
        Table.Handles.erase(Handle);
    }
    if (Fault().On.load(std::memory_order_relaxed)) {
        const std::lock_guard<std::mutex> Lock(Fault().Lock);
        Fault().Handles.erase(Handle);
    }
    ::close(Handle);
}

void SetFolderFault(const AnsiString& Folder, int Errno, Int64 RoomLeft)
{
    FolderFault& F = Fault();
    const std::lock_guard<std::mutex> Lock(F.Lock);
    const bool On = !Folder.IsEmpty() && (Errno == ENOSPC || Errno == EACCES);
    F.Folder = On ? Sys(IncludeTrailingPathDelimiter(ExpandFileName(Folder))) : std::string();
    F.Errno = On ? Errno : 0;
    F.RoomLeft = RoomLeft;
    F.Handles.clear();
    F.On.store(On, std::memory_order_relaxed);
}

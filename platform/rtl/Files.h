#pragma once

// Files, folders and paths in the runtime's terms, mapped onto Linux.
//
// Names are CP1251 AnsiStrings inside the program and UTF-8 at the system
// call. The path delimiter is '/'; a backslash is an ordinary character of
// a name. Failures are reported the way the runtime reports them (false,
// -1 or an error code), and the reason is kept as a Win32 error code for
// GetLastError: the errno of the failed call translated by
// Win32ErrorOfErrno, with ERROR_PATH_NOT_FOUND (3) in place of
// ERROR_FILE_NOT_FOUND (2) when the folder of the name is missing.
//
// Attributes map onto Linux like this: faReadOnly is a file without any
// write permission bit; faHidden a name starting with '.'; faDirectory a
// folder; faArchive every other entry. Setting faReadOnly clears every
// write bit, clearing it gives the owner the write bit back; the other
// attributes cannot be set. As on Windows, a read-only file cannot be
// deleted, opened for writing or renamed over.
//
// Handles (FileOpen, FileCreate, CreateFile) are file descriptors. Their
// share modes are enforced between the handles of this process only: an
// open that conflicts with a handle already open on the same file fails
// with ERROR_SHARING_VIOLATION (32). Other processes are not held off.

#include "platform/rtl/AnsiString.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Types.h"

#include <memory>

inline constexpr char PathDelim = '/';
/// Separator of folders in a search path list.
inline constexpr char PathSep = ':';

// ---- error codes -----------------------------------------------------------------

inline constexpr DWORD ERROR_SUCCESS = 0;
inline constexpr DWORD ERROR_INVALID_FUNCTION = 1;
inline constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
inline constexpr DWORD ERROR_PATH_NOT_FOUND = 3;
inline constexpr DWORD ERROR_TOO_MANY_OPEN_FILES = 4;
inline constexpr DWORD ERROR_ACCESS_DENIED = 5;
inline constexpr DWORD ERROR_INVALID_HANDLE = 6;
inline constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
inline constexpr DWORD ERROR_NOT_SAME_DEVICE = 17;
inline constexpr DWORD ERROR_NO_MORE_FILES = 18;
inline constexpr DWORD ERROR_WRITE_PROTECT = 19;
inline constexpr DWORD ERROR_GEN_FAILURE = 31;
inline constexpr DWORD ERROR_SHARING_VIOLATION = 32;
inline constexpr DWORD ERROR_LOCK_VIOLATION = 33;
inline constexpr DWORD ERROR_HANDLE_EOF = 38;
inline constexpr DWORD ERROR_FILE_EXISTS = 80;
inline constexpr DWORD ERROR_INVALID_PARAMETER = 87;
inline constexpr DWORD ERROR_DISK_FULL = 112;
inline constexpr DWORD ERROR_INVALID_NAME = 123;
inline constexpr DWORD ERROR_NEGATIVE_SEEK = 131;
inline constexpr DWORD ERROR_DIR_NOT_EMPTY = 145;
inline constexpr DWORD ERROR_BUSY = 170;
inline constexpr DWORD ERROR_ALREADY_EXISTS = 183;
inline constexpr DWORD ERROR_FILENAME_EXCED_RANGE = 206;
inline constexpr DWORD ERROR_FILE_TOO_LARGE = 223;
inline constexpr DWORD ERROR_IO_DEVICE = 1117;
inline constexpr DWORD ERROR_CANT_RESOLVE_FILENAME = 1921;

/// The error code of the last failed call of this thread.
[[nodiscard]] DWORD GetLastError();
void SetLastError(DWORD Code);
/// The Win32 code for an errno value; ERROR_GEN_FAILURE for one without a
/// counterpart.
[[nodiscard]] DWORD Win32ErrorOfErrno(int Errno);
/// The system's (Russian) text for a code, CP1251, without the final
/// period ("Не удается найти указанный файл"); '' for an unknown code.
[[nodiscard]] AnsiString SysErrorMessage(DWORD Code);

/// "System Error.  Code: %d.\r\n%s" and "A call to an OS function failed".
inline constexpr const char* SOSError = "System Error.  Code: %d.\r\n%s";
inline constexpr const char* SUnkOSError = "A call to an OS function failed";
/// "Unable to create directory", the text for a folder name that is empty.
inline constexpr const char* SCannotCreateDir = "Unable to create directory";
/// Raises EOSError for GetLastError(): "System Error.  Code: 2.\r\n" + its
/// text, or SUnkOSError when the code is 0.
[[noreturn]] void RaiseLastOSError();

// ---- program and current folder ---------------------------------------------------

/// 0: the full name of the program file (from /proc/self/exe); 1..: the
/// command-line arguments; '' past the last one.
[[nodiscard]] AnsiString ParamStr(int Index);
/// The count of command-line arguments after the program name.
[[nodiscard]] int ParamCount();
/// The current folder, without a trailing delimiter (except for "/").
[[nodiscard]] AnsiString GetCurrentDir();
/// False (GetLastError set) when the folder cannot be made current.
bool SetCurrentDir(const AnsiString& Dir);

// ---- names ---------------------------------------------------------------------

/// The absolute name: a relative name is taken from the current folder,
/// "." parts dropped, ".." parts remove the part before them (not beyond
/// the root), doubled delimiters merged; a trailing delimiter stays. The
/// file need not exist and links are not followed. '' gives ''.
[[nodiscard]] AnsiString ExpandFileName(const AnsiString& FileName);
/// Folder part with its trailing delimiter ("/a/b/c.txt" -> "/a/b/");
/// '' without a delimiter.
[[nodiscard]] AnsiString ExtractFilePath(const AnsiString& FileName);
/// Folder part without the trailing delimiter, except for the root and a
/// delimiter that follows another ("/a/b/c.txt" -> "/a/b", "/c.txt" -> "/",
/// "a//b" -> "a//").
[[nodiscard]] AnsiString ExtractFileDir(const AnsiString& FileName);
/// The name after the last delimiter.
[[nodiscard]] AnsiString ExtractFileName(const AnsiString& FileName);
/// The extension with its dot (".txt"), from the last dot of the name part;
/// '' when the name part has no dot. A name that starts with its only dot
/// is all extension (".ini").
[[nodiscard]] AnsiString ExtractFileExt(const AnsiString& FileName);
/// The name with its extension (as ExtractFileExt finds it) replaced by
/// Extension, or Extension appended when it has none.
[[nodiscard]] AnsiString ChangeFileExt(const AnsiString& FileName, const AnsiString& Extension);
/// S with a trailing delimiter added unless it ends in one; '' gives "/".
[[nodiscard]] AnsiString IncludeTrailingPathDelimiter(const AnsiString& S);
/// S without one trailing delimiter; "/" gives ''.
[[nodiscard]] AnsiString ExcludeTrailingPathDelimiter(const AnsiString& S);
/// %NAME% replaced by the environment variable's value (CP1251); the name
/// is matched exactly first, then without regard to case. An undefined
/// name, and a '%' without a closing one, stay as they stand.
[[nodiscard]] AnsiString ExpandEnvironmentStrings(const AnsiString& S);
/// The name of an existing file or folder whose parts match FileName's
/// without regard to case (CP1251 case), part by part from the first one
/// that does not exist as written; FileName itself when it exists or no
/// match is found. Where several entries match, the exact spelling wins,
/// else the first in byte order.
[[nodiscard]] AnsiString ResolveFileNameCase(const AnsiString& FileName);

// ---- existence, attributes, dates -----------------------------------------------

inline constexpr Integer faReadOnly = 0x01;
inline constexpr Integer faHidden = 0x02;
inline constexpr Integer faSysFile = 0x04;
inline constexpr Integer faVolumeID = 0x08;
inline constexpr Integer faDirectory = 0x10;
inline constexpr Integer faArchive = 0x20;
inline constexpr Integer faAnyFile = 0x3F;

/// A file (not a folder) of that name exists.
[[nodiscard]] bool FileExists(const AnsiString& FileName);
[[nodiscard]] bool DirectoryExists(const AnsiString& Name);
/// The attributes, -1 (GetLastError set) when the name does not exist.
[[nodiscard]] Integer FileGetAttr(const AnsiString& FileName);
/// Sets faReadOnly as told above; 0 or the error code.
Integer FileSetAttr(const AnsiString& FileName, Integer Attr);
/// The file's last write time as a packed DOS date (DateTimeToFileDate);
/// -1 for a missing file or a folder.
[[nodiscard]] Integer FileAge(const AnsiString& FileName);
/// The file's last write time to the second; false for a missing file or a
/// folder.
bool FileAge(const AnsiString& FileName, TDateTime& FileDateTime);
/// Sets the last write time from a packed DOS date; 0 or the error code.
Integer FileSetDate(const AnsiString& FileName, Integer Age);

// ---- folder listing ------------------------------------------------------------

/// One entry found by FindFirst/FindNext. Time is the packed DOS date of the
/// last write; LastWriteTime the same instant in 100-nanosecond steps since
/// 1601-01-01 UTC (the system's file time, for exact change checks).
struct TSearchRec {
    Integer Time = 0;
    Int64 Size = 0;
    Integer Attr = 0;
    AnsiString Name;
    Integer ExcludeAttr = 0;
    Int64 LastWriteTime = 0;

    TSearchRec();
    ~TSearchRec();
    TSearchRec(const TSearchRec&) = delete;
    TSearchRec& operator=(const TSearchRec&) = delete;

    struct FindState;
    std::unique_ptr<FindState> FFind;
};

/// The first entry of the folder of Path whose name matches Path's last part
/// ('*' any run, '?' one character, letters without regard to case; "*.*"
/// matches every name). Entries with faHidden, faSysFile or faDirectory are
/// returned only when Attr asks for them; "." and ".." are never returned.
/// 0 when found, else ERROR_FILE_NOT_FOUND (no match) or the folder's error
/// (ERROR_PATH_NOT_FOUND); call FindClose in either case.
[[nodiscard]] Integer FindFirst(const AnsiString& Path, Integer Attr, TSearchRec& F);
/// The next match: 0, or ERROR_NO_MORE_FILES.
[[nodiscard]] Integer FindNext(TSearchRec& F);
/// Ends the search; safe to call twice.
void FindClose(TSearchRec& F);

// ---- files and folders ---------------------------------------------------------

/// Removes a file (not a folder); false with GetLastError set, also for a
/// read-only file (ERROR_ACCESS_DENIED).
bool DeleteFile(const AnsiString& FileName);
/// Renames or moves a file or folder; fails with ERROR_ALREADY_EXISTS when
/// NewName exists.
bool RenameFile(const AnsiString& OldName, const AnsiString& NewName);
/// Renames OldName over NewName in one step, replacing it when it exists
/// (the last step of writing a file through a temporary one). Fails with
/// ERROR_ACCESS_DENIED when NewName is a read-only file.
bool RenameFileReplacing(const AnsiString& OldName, const AnsiString& NewName);
/// One folder; false when it exists (ERROR_ALREADY_EXISTS) or its parent is
/// missing (ERROR_PATH_NOT_FOUND).
bool CreateDir(const AnsiString& Dir);
/// The folder and the missing folders above it; true when it exists
/// afterwards. Raises EInOutError SCannotCreateDir for an empty name.
bool ForceDirectories(const AnsiString& Dir);
/// An empty folder; false otherwise.
bool RemoveDir(const AnsiString& Dir);

// ---- handles -------------------------------------------------------------------

inline constexpr LongWord fmOpenRead = 0x0000;
inline constexpr LongWord fmOpenWrite = 0x0001;
inline constexpr LongWord fmOpenReadWrite = 0x0002;
inline constexpr LongWord fmShareCompat = 0x0000;
inline constexpr LongWord fmShareExclusive = 0x0010;
inline constexpr LongWord fmShareDenyWrite = 0x0020;
inline constexpr LongWord fmShareDenyRead = 0x0030;
inline constexpr LongWord fmShareDenyNone = 0x0040;

inline constexpr DWORD GENERIC_READ = 0x80000000;
inline constexpr DWORD GENERIC_WRITE = 0x40000000;
inline constexpr DWORD FILE_SHARE_READ = 0x00000001;
inline constexpr DWORD FILE_SHARE_WRITE = 0x00000002;
inline constexpr DWORD CREATE_NEW = 1;
inline constexpr DWORD CREATE_ALWAYS = 2;
inline constexpr DWORD OPEN_EXISTING = 3;
inline constexpr DWORD OPEN_ALWAYS = 4;
inline constexpr DWORD TRUNCATE_EXISTING = 5;

/// A closed or failed handle.
inline constexpr int INVALID_HANDLE_VALUE = -1;

/// Opens or creates a file with an access (GENERIC_READ and/or
/// GENERIC_WRITE), the sharing it allows to later opens (FILE_SHARE_READ
/// and/or FILE_SHARE_WRITE) and a disposition (CREATE_NEW: fails with
/// ERROR_FILE_EXISTS when present; CREATE_ALWAYS: created or emptied;
/// OPEN_EXISTING; OPEN_ALWAYS: opened or created; TRUNCATE_EXISTING).
/// Opening never waits: a named pipe without a writer opens at once (and
/// reads as empty); one opened for writing without a reader fails.
/// The handle, or INVALID_HANDLE_VALUE with GetLastError set
/// (ERROR_SHARING_VIOLATION against the process's own handles).
[[nodiscard]] int CreateFile(const AnsiString& FileName, DWORD DesiredAccess, DWORD ShareMode,
                             DWORD CreationDisposition);
/// An existing file, Mode = one fmOpen.. access + one fmShare.. mode
/// (fmShareCompat and fmShareExclusive both allow no sharing); -1 on
/// failure, ERROR_INVALID_PARAMETER for a mode outside those.
[[nodiscard]] int FileOpen(const AnsiString& FileName, LongWord Mode);
/// Creates or empties a file for reading and writing, shared with no one;
/// -1 on failure.
[[nodiscard]] int FileCreate(const AnsiString& FileName);
/// Bytes read (0 at the end of the file), -1 on failure.
[[nodiscard]] int FileRead(int Handle, void* Buffer, int Count);
/// Bytes written, -1 on failure.
[[nodiscard]] int FileWrite(int Handle, const void* Buffer, int Count);
/// Moves the position (Origin 0 from the start, 1 from the current
/// position, 2 from the end); the new position, or -1 (ERROR_NEGATIVE_SEEK
/// before the start, ERROR_INVALID_PARAMETER for another origin).
Int64 FileSeek(int Handle, Int64 Offset, int Origin);
/// The size in bytes, -1 on failure.
[[nodiscard]] Int64 FileGetSize(int Handle);
/// Whether an open handle is an ordinary file (not a folder, pipe, socket
/// or device); false for a bad handle.
[[nodiscard]] bool FileIsRegular(int Handle);
/// Ends the file at the current position; false on failure.
bool FileTruncate(int Handle);
/// The last write time of an open file as a packed DOS date, -1 on failure.
[[nodiscard]] Integer FileGetDate(int Handle);
/// Sets the last write time of an open file; 0 or the error code.
Integer FileSetDate(int Handle, Integer Age);
/// Closes a handle; a handle of -1 is ignored.
void FileClose(int Handle);

// ---- injected faults -------------------------------------------------------------

/// Makes the routines above fail inside one folder (and below it) the way a
/// full disk or a folder without write permission does, so that tests can
/// show the program's answers to them where a real one cannot be had (a
/// test run as root writes anywhere; a small file system needs mounting).
/// Errno ENOSPC: files are created, and writes fail with it once RoomLeft
/// bytes in all have been written there. Errno EACCES: creating, deleting
/// and renaming entries there, and making folders there, fail with it;
/// files that exist still open for writing, as the system allows. Any other
/// Errno, or an empty Folder, ends the fault.
void SetFolderFault(const AnsiString& Folder, int Errno, Int64 RoomLeft = 0);

/// A folder fault for the length of a scope.
class FolderFaultScope {
public:
    FolderFaultScope(const AnsiString& Folder, int Errno, Int64 RoomLeft = 0)
    {
        SetFolderFault(Folder, Errno, RoomLeft);
    }
    ~FolderFaultScope() { SetFolderFault(AnsiString(), 0); }
    FolderFaultScope(const FolderFaultScope&) = delete;
    FolderFaultScope& operator=(const FolderFaultScope&) = delete;
};

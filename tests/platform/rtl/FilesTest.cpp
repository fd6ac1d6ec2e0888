#include "platform/rtl/Files.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

AnsiString Utf8(const std::string& S)
{
    return AnsiString::FromUtf8(S);
}

AnsiString PathOf(const fs::path& P)
{
    return AnsiString::FromUtf8(P.string());
}

bool HasWriteBits(const fs::path& P)
{
    struct stat St {};
    ::stat(P.c_str(), &St);
    return (St.st_mode & 0222) != 0;
}

// ---- names ---------------------------------------------------------------------

struct NameCase {
    const char* Name;
    const char* Path;
    const char* Dir;
    const char* File;
    const char* Ext;
};
const NameCase NameCases[] = {
    {"/a/b/c.txt", "/a/b/", "/a/b", "c.txt", ".txt"},    // the usual case
    {"/c.txt", "/", "/", "c.txt", ".txt"},               // the root keeps its delimiter
    {"c.txt", "", "", "c.txt", ".txt"},                  // no folder
    {"/a/b/", "/a/b/", "/a/b", "", ""},                  // a folder name
    {"/a.d/b", "/a.d/", "/a.d", "b", ""},                // a dot in the folder is no extension
    {"/a/.ini", "/a/", "/a", ".ini", ".ini"},            // a leading dot is all extension
    {"a//b", "a//", "a//", "b", ""},                     // a doubled delimiter stays whole
    {"/a/b.tar.gz", "/a/", "/a", "b.tar.gz", ".gz"},     // the last dot counts
    {"TXT\\Шаблон.dcr", "", "", "TXT\\Шаблон.dcr", ".dcr"},  // a backslash is a character
    {"", "", "", "", ""},                                // nothing
};

TEST(Files, ExtractParts)
{
    for (const NameCase& C : NameCases) {
        SCOPED_TRACE(C.Name);
        const AnsiString Name = Utf8(C.Name);
        EXPECT_EQ(ExtractFilePath(Name), Utf8(C.Path));
        EXPECT_EQ(ExtractFileDir(Name), Utf8(C.Dir));
        EXPECT_EQ(ExtractFileName(Name), Utf8(C.File));
        EXPECT_EQ(ExtractFileExt(Name), Utf8(C.Ext));
    }
}

TEST(Files, ChangeFileExt)
{
    struct Row {
        const char* Name;
        const char* Ext;
        const char* Expected;
    };
    const Row Rows[] = {
        {"/a/b.txt", ".ini", "/a/b.ini"},       // replaced
        {"/a.d/b", ".ini", "/a.d/b.ini"},       // appended: the folder's dot is no extension
        {"b.", ".x", "b.x"},                    // a bare dot is an empty extension
        {"b.tar.gz", "", "b.tar"},              // only the last one goes
        {"pricetags", ".ini", "pricetags.ini"},  // the program's ini file
    };
    for (const Row& R : Rows) {
        SCOPED_TRACE(R.Name);
        EXPECT_EQ(ChangeFileExt(R.Name, R.Ext), R.Expected);
    }
}

TEST(Files, TrailingDelimiter)
{
    EXPECT_EQ(IncludeTrailingPathDelimiter("/a"), "/a/");
    EXPECT_EQ(IncludeTrailingPathDelimiter("/a/"), "/a/");
    EXPECT_EQ(IncludeTrailingPathDelimiter(""), "/");
    EXPECT_EQ(ExcludeTrailingPathDelimiter("/a/"), "/a");
    EXPECT_EQ(ExcludeTrailingPathDelimiter("/a//"), "/a/");
    EXPECT_EQ(ExcludeTrailingPathDelimiter("/"), "");
    EXPECT_EQ(ExcludeTrailingPathDelimiter("a"), "a");
}

TEST(Files, ExpandFileName)
{
    const TempDir Tmp;
    const CurrentDirScope Here(Tmp.Path());
    const AnsiString Cwd = GetCurrentDir();
    const AnsiString Parent = ExtractFileDir(Cwd);
    struct Row {
        AnsiString Name;
        AnsiString Expected;
    };
    const Row Rows[] = {
        {"x.txt", Cwd + "/x.txt"},         // relative to the current folder
        {"./x.txt", Cwd + "/x.txt"},       // "." dropped
        {"../x.txt", Parent + "/x.txt"},   // ".." goes up
        {"sub/", Cwd + "/sub/"},           // a trailing delimiter stays
        {".", Cwd},                        // the current folder itself
        {"/a/./b/../c", "/a/c"},           // absolute, normalised
        {"/a//b", "/a/b"},                 // doubled delimiters merged
        {"/../../x", "/x"},                // never above the root
        {"/a/..", "/"},                    // back at the root
        {"", ""},                          // nothing
    };
    for (const Row& R : Rows) {
        SCOPED_TRACE(R.Name);
        EXPECT_EQ(ExpandFileName(R.Name), R.Expected);
    }
}

TEST(Files, CurrentFolder)
{
    const TempDir Tmp;
    const CurrentDirScope Here(fs::current_path());
    fs::create_directory(Tmp.Path() / "Папка");
    ASSERT_TRUE(SetCurrentDir(Tmp.File("Папка")));
    EXPECT_EQ(GetCurrentDir(), PathOf(fs::canonical(Tmp.Path() / "Папка")));
    EXPECT_FALSE(SetCurrentDir(Tmp.File("missing")));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(SetCurrentDir(Tmp.File("missing/deeper")));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
}

TEST(Files, ProgramFile)
{
    const AnsiString Exe = ParamStr(0);
    EXPECT_EQ(ExtractFileName(Exe), "rtl_tests");
    EXPECT_TRUE(FileExists(Exe));
    EXPECT_EQ(Exe[1], '/');
    EXPECT_GE(ParamCount(), 0);
    EXPECT_EQ(ParamStr(ParamCount() + 1), "");
    EXPECT_EQ(ParamStr(-1), "");
}

TEST(Files, ExpandEnvironmentStrings)
{
    ::setenv("PRICETAGS_TEST_VAR", "value", 1);
    ::setenv("PRICETAGS_TEST_RU", "Цены", 1);
    struct Row {
        const char* In;
        AnsiString Out;
    };
    const Row Rows[] = {
        {"%PRICETAGS_TEST_VAR%/x", "value/x"},          // replaced
        {"a%pricetags_test_var%b", "avalueb"},          // a name in another case
        {"%PRICETAGS_TEST_RU%", "Цены"_a},              // the value in CP1251
        {"%PRICETAGS_NO_SUCH_VAR%/x", "%PRICETAGS_NO_SUCH_VAR%/x"},  // undefined stays
        {"100%", "100%"},                               // no closing percent
        {"%%", "%%"},                                   // an empty name
        {"%A%PRICETAGS_TEST_VAR%", "%A%PRICETAGS_TEST_VAR%"},  // scanning goes on after %A%
        {"", ""},                                       // nothing
    };
    for (const Row& R : Rows) {
        SCOPED_TRACE(R.In);
        EXPECT_EQ(ExpandEnvironmentStrings(R.In), R.Out);
    }
    ::unsetenv("PRICETAGS_TEST_VAR");
    ::unsetenv("PRICETAGS_TEST_RU");
}

TEST(Files, ResolveFileNameCase)
{
    const TempDir Tmp;
    fs::create_directories(Tmp.Path() / "TXT");
    WriteBytes(Tmp.Path() / "TXT" / "Price.dcr", "x");
    WriteBytes(Tmp.Path() / "Цены.ini", "x");
    const CurrentDirScope Here(Tmp.Path());
    struct Row {
        AnsiString In;
        AnsiString Out;
    };
    const Row Rows[] = {
        {"TXT/Price.dcr", "TXT/Price.dcr"},                // exists as written
        {"txt/PRICE.DCR", "TXT/Price.dcr"},                // every part found without case
        {"ЦЕНЫ.INI"_a, "Цены.ini"_a},                      // Cyrillic case too
        {"txt/", "TXT/"},                                  // a folder keeps its delimiter
        {"txt/missing.dcr", "txt/missing.dcr"},            // no match: unchanged
        {Tmp.File("txt/price.DCR"), Tmp.File("TXT/Price.dcr")},  // absolute names
    };
    for (const Row& R : Rows) {
        SCOPED_TRACE(R.In);
        EXPECT_EQ(ResolveFileNameCase(R.In), R.Out);
    }
}

// ---- attributes ----------------------------------------------------------------

TEST(Files, ExistenceAndAttributes)
{
    const TempDir Tmp;
    WriteBytes(Tmp.Path() / "a.txt", "abc");
    WriteBytes(Tmp.Path() / ".hidden", "");
    fs::create_directory(Tmp.Path() / "sub");

    EXPECT_TRUE(FileExists(Tmp.File("a.txt")));
    EXPECT_FALSE(FileExists(Tmp.File("sub")));
    EXPECT_FALSE(FileExists(Tmp.File("missing")));
    EXPECT_FALSE(FileExists(""));
    EXPECT_TRUE(DirectoryExists(Tmp.File("sub")));
    EXPECT_FALSE(DirectoryExists(Tmp.File("a.txt")));

    EXPECT_EQ(FileGetAttr(Tmp.File("a.txt")), faArchive);
    EXPECT_EQ(FileGetAttr(Tmp.File(".hidden")), faArchive | faHidden);
    EXPECT_EQ(FileGetAttr(Tmp.File("sub")), faDirectory);
    EXPECT_EQ(FileGetAttr(Tmp.File("sub/")), faDirectory);
    EXPECT_EQ(FileGetAttr(Tmp.File("missing")), -1);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(FileGetAttr(Tmp.File("missing/x")), -1);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
}

TEST(Files, ReadOnlyIsTheWriteBits)
{
    const TempDir Tmp;
    const fs::path File = Tmp.Path() / "r.txt";
    WriteBytes(File, "abc");
    const AnsiString Name = Tmp.File("r.txt");

    EXPECT_EQ(FileSetAttr(Name, faReadOnly), 0);
    EXPECT_FALSE(HasWriteBits(File));
    EXPECT_EQ(FileGetAttr(Name), faReadOnly | faArchive);

    // A read-only file can be neither written, nor deleted, nor replaced.
    EXPECT_EQ(FileOpen(Name, fmOpenWrite), -1);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_FALSE(DeleteFile(Name));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    WriteBytes(Tmp.Path() / "new.txt", "new");
    EXPECT_FALSE(RenameFileReplacing(Tmp.File("new.txt"), Name));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(ReadBytes(File), "abc");
    const int Reader = FileOpen(Name, fmOpenRead);
    EXPECT_GE(Reader, 0);
    FileClose(Reader);

    EXPECT_EQ(FileSetAttr(Name, 0), 0);
    EXPECT_TRUE(HasWriteBits(File));
    EXPECT_EQ(FileGetAttr(Name), faArchive);
    EXPECT_TRUE(DeleteFile(Name));
    EXPECT_EQ(FileSetAttr(Name, 0), Integer(ERROR_FILE_NOT_FOUND));
}

// ---- folder listing ------------------------------------------------------------

std::vector<std::string> FindAll(const AnsiString& Path, Integer Attr, Integer& FirstResult)
{
    std::vector<std::string> Names;
    TSearchRec F;
    FirstResult = FindFirst(Path, Attr, F);
    for (Integer R = FirstResult; R == 0; R = FindNext(F))
        Names.push_back(F.Name.ToUtf8());
    FindClose(F);
    return Names;
}

TEST(Files, FindFirstMasksAndAttributes)
{
    const TempDir Tmp;
    WriteBytes(Tmp.Path() / "a.txt", "12345");
    WriteBytes(Tmp.Path() / "b.TXT", "");
    WriteBytes(Tmp.Path() / "c.dat", "");
    WriteBytes(Tmp.Path() / ".hidden.txt", "");
    WriteBytes(Tmp.Path() / "Цена.txt", "");
    fs::create_directory(Tmp.Path() / "sub");
    using Names = std::vector<std::string>;
    struct Row {
        const char* Mask;
        Integer Attr;
        Names Expected;
    };
    const Row Rows[] = {
        // the mask ignores case; hidden entries and folders only when asked for
        {"*.txt", 0, {"a.txt", "b.TXT", "Цена.txt"}},
        {"*.txt", faHidden, {".hidden.txt", "a.txt", "b.TXT", "Цена.txt"}},
        {"*", faDirectory, {"a.txt", "b.TXT", "c.dat", "sub", "Цена.txt"}},
        {"*.*", faAnyFile, {".hidden.txt", "a.txt", "b.TXT", "c.dat", "sub", "Цена.txt"}},
        {"?.dat", 0, {"c.dat"}},       // one character
        {"ЦЕНА.*", 0, {"Цена.txt"}},   // Cyrillic case
        {"s*", 0, {}},                 // a folder without faDirectory
        {"nomatch*", faAnyFile, {}},   // nothing
    };
    for (const Row& R : Rows) {
        SCOPED_TRACE(R.Mask);
        Integer First = -1;
        const Names Found = FindAll(Tmp.File("") + Utf8(R.Mask), R.Attr, First);
        EXPECT_EQ(Found, R.Expected);
        EXPECT_EQ(First, R.Expected.empty() ? Integer(ERROR_FILE_NOT_FOUND) : 0);
    }
}

TEST(Files, FindFirstFillsTheRecord)
{
    const TempDir Tmp;
    WriteBytes(Tmp.Path() / "a.txt", "12345");
    fs::create_directory(Tmp.Path() / "sub");
    const AnsiString Name = Tmp.File("a.txt");
    ASSERT_EQ(FileSetDate(Name, DateTimeToFileDate(EncodeDate(2024, 3, 5)
                                                   + EncodeTime(14, 7, 8, 0))), 0);
    ASSERT_EQ(FileSetAttr(Name, faReadOnly), 0);

    TSearchRec F;
    ASSERT_EQ(FindFirst(Name, faAnyFile, F), 0);
    EXPECT_EQ(F.Name, "a.txt");
    EXPECT_EQ(F.Size, 5);
    EXPECT_EQ(F.Attr, faReadOnly | faArchive);
    EXPECT_EQ(F.Time, FileAge(Name));
    EXPECT_EQ(F.Time, DateTimeToFileDate(EncodeDate(2024, 3, 5) + EncodeTime(14, 7, 8, 0)));
    EXPECT_GT(F.LastWriteTime, 0);
    EXPECT_EQ(FindNext(F), Integer(ERROR_NO_MORE_FILES));
    EXPECT_EQ(FindNext(F), Integer(ERROR_NO_MORE_FILES));
    FindClose(F);
    FindClose(F);

    ASSERT_EQ(FindFirst(Tmp.File("s*"), faDirectory, F), 0);
    EXPECT_EQ(F.Attr, faDirectory);
    EXPECT_EQ(F.Size, 0);

    EXPECT_EQ(FindFirst(Tmp.File("missing/*"), faAnyFile, F), Integer(ERROR_PATH_NOT_FOUND));
    FindClose(F);
    FileSetAttr(Name, 0);
}

TEST(Files, FileDates)
{
    const TempDir Tmp;
    WriteBytes(Tmp.Path() / "a.txt", "x");
    const AnsiString Name = Tmp.File("a.txt");
    const TDateTime Moment = EncodeDate(2024, 3, 5) + EncodeTime(14, 7, 8, 0);
    EXPECT_EQ(FileSetDate(Name, DateTimeToFileDate(Moment)), 0);
    EXPECT_EQ(FileAge(Name), DateTimeToFileDate(Moment));
    TDateTime Age;
    EXPECT_TRUE(FileAge(Name, Age));
    EXPECT_EQ(double(Age), double(Moment));

    const int H = FileOpen(Name, fmOpenReadWrite);
    ASSERT_GE(H, 0);
    const Integer Later = DateTimeToFileDate(IncMonth(Moment, 1));
    EXPECT_EQ(FileSetDate(H, Later), 0);
    EXPECT_EQ(FileGetDate(H), Later);
    // A packing that names no date (month 0) is refused.
    EXPECT_EQ(FileSetDate(H, 0), Integer(ERROR_INVALID_PARAMETER));
    FileClose(H);

    EXPECT_EQ(FileAge(Tmp.File("missing")), -1);
    EXPECT_EQ(FileAge(Tmp.File("")), -1);  // a folder has no age
    EXPECT_FALSE(FileAge(Tmp.File("missing"), Age));
    EXPECT_EQ(FileSetDate(Tmp.File("missing"), Later), Integer(ERROR_FILE_NOT_FOUND));
}

// ---- files and folders ---------------------------------------------------------

TEST(Files, DeleteAndRename)
{
    const TempDir Tmp;
    WriteBytes(Tmp.Path() / "a.txt", "a");
    WriteBytes(Tmp.Path() / "b.txt", "b");
    fs::create_directory(Tmp.Path() / "sub");

    EXPECT_FALSE(RenameFile(Tmp.File("a.txt"), Tmp.File("b.txt")));
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_EQ(ReadBytes(Tmp.Path() / "b.txt"), "b");
    EXPECT_TRUE(RenameFile(Tmp.File("a.txt"), Tmp.File("c.txt")));
    EXPECT_FALSE(FileExists(Tmp.File("a.txt")));
    EXPECT_FALSE(RenameFile(Tmp.File("a.txt"), Tmp.File("d.txt")));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);

    EXPECT_TRUE(RenameFileReplacing(Tmp.File("c.txt"), Tmp.File("b.txt")));
    EXPECT_EQ(ReadBytes(Tmp.Path() / "b.txt"), "a");
    EXPECT_FALSE(FileExists(Tmp.File("c.txt")));

    EXPECT_FALSE(DeleteFile(Tmp.File("sub")));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_FALSE(DeleteFile(Tmp.File("missing")));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(DeleteFile(Tmp.File("missing/x")));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_TRUE(DeleteFile(Tmp.File("b.txt")));
    EXPECT_FALSE(FileExists(Tmp.File("b.txt")));
}

TEST(Files, Folders)
{
    const TempDir Tmp;
    EXPECT_TRUE(CreateDir(Tmp.File("one")));
    EXPECT_FALSE(CreateDir(Tmp.File("one")));
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_FALSE(CreateDir(Tmp.File("missing/two")));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);

    EXPECT_TRUE(ForceDirectories(Tmp.File("a/b/Папка/")));
    EXPECT_TRUE(DirectoryExists(Tmp.File("a/b/Папка")));
    EXPECT_TRUE(ForceDirectories(Tmp.File("a/b")));
    {
        const CurrentDirScope Here(Tmp.Path());
        EXPECT_TRUE(ForceDirectories("rel/x"));
        EXPECT_TRUE(DirectoryExists(Tmp.File("rel/x")));
    }
    WriteBytes(Tmp.Path() / "file", "");
    EXPECT_FALSE(ForceDirectories(Tmp.File("file/x")));
    ExpectRaises<EInOutError>([] { (void)ForceDirectories(""); }, "Unable to create directory");

    EXPECT_FALSE(RemoveDir(Tmp.File("a/b")));
    EXPECT_EQ(GetLastError(), ERROR_DIR_NOT_EMPTY);
    EXPECT_TRUE(RemoveDir(Tmp.File("a/b/Папка")));
    EXPECT_FALSE(DirectoryExists(Tmp.File("a/b/Папка")));
}

// ---- handles -------------------------------------------------------------------

struct ShareCase {
    const char* Name;
    LongWord First, Second;
    bool SecondOpens;
};
const ShareCase ShareCases[] = {
    {"both share everything", fmOpenRead | fmShareDenyNone, fmOpenReadWrite | fmShareDenyNone,
     true},
    {"readers beside a deny-write reader", fmOpenRead | fmShareDenyWrite,
     fmOpenRead | fmShareDenyNone, true},
    {"no writer beside a deny-write reader", fmOpenRead | fmShareDenyWrite,
     fmOpenWrite | fmShareDenyNone, false},
    {"nothing beside an exclusive handle", fmOpenRead | fmShareExclusive,
     fmOpenRead | fmShareDenyNone, false},
    {"compatibility mode is exclusive", fmOpenRead | fmShareCompat,
     fmOpenRead | fmShareDenyNone, false},
    {"a deny-write open beside a reader", fmOpenRead | fmShareDenyNone,
     fmOpenRead | fmShareDenyWrite, true},
    {"a deny-write open beside a writer", fmOpenWrite | fmShareDenyNone,
     fmOpenRead | fmShareDenyWrite, false},
    {"no reader beside a deny-read writer", fmOpenWrite | fmShareDenyRead,
     fmOpenRead | fmShareDenyNone, false},
    {"a writer beside a deny-read writer", fmOpenWrite | fmShareDenyRead,
     fmOpenWrite | fmShareDenyNone, true},
    {"the log's append open twice", fmOpenWrite | fmShareDenyNone,
     fmOpenWrite | fmShareDenyNone, true},
};

TEST(Files, ShareModesBetweenHandles)
{
    const TempDir Tmp;
    WriteBytes(Tmp.Path() / "f.bin", "data");
    const AnsiString Name = Tmp.File("f.bin");
    for (const ShareCase& C : ShareCases) {
        SCOPED_TRACE(C.Name);
        const int First = FileOpen(Name, C.First);
        ASSERT_GE(First, 0);
        const int Second = FileOpen(Name, C.Second);
        if (C.SecondOpens) {
            EXPECT_GE(Second, 0);
        } else {
            EXPECT_EQ(Second, -1);
            EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
        }
        FileClose(Second);
        FileClose(First);
        // Once the first is closed the second open always succeeds.
        const int Again = FileOpen(Name, C.Second);
        EXPECT_GE(Again, 0);
        FileClose(Again);
    }
}

TEST(Files, ASharingViolationLeavesTheFileAlone)
{
    const TempDir Tmp;
    WriteBytes(Tmp.Path() / "f.bin", "data");
    const AnsiString Name = Tmp.File("f.bin");
    const int Reader = FileOpen(Name, fmOpenRead | fmShareDenyWrite);
    ASSERT_GE(Reader, 0);
    EXPECT_EQ(FileCreate(Name), -1);
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    EXPECT_EQ(CreateFile(Name, GENERIC_WRITE, FILE_SHARE_READ, TRUNCATE_EXISTING), -1);
    EXPECT_EQ(ReadBytes(Tmp.Path() / "f.bin"), "data");
    FileClose(Reader);
    // Another name for the same file is the same file.
    fs::create_hard_link(Tmp.Path() / "f.bin", Tmp.Path() / "link.bin");
    const int Exclusive = FileOpen(Name, fmOpenRead | fmShareExclusive);
    EXPECT_EQ(FileOpen(Tmp.File("link.bin"), fmOpenRead | fmShareDenyNone), -1);
    FileClose(Exclusive);
}

TEST(Files, OpenErrors)
{
    const TempDir Tmp;
    WriteBytes(Tmp.Path() / "f.bin", "");
    fs::create_directory(Tmp.Path() / "sub");
    struct Row {
        const char* Name;
        AnsiString File;
        LongWord Mode;
        DWORD Error;
    };
    const Row Rows[] = {
        {"missing file", Tmp.File("missing"), fmOpenRead, ERROR_FILE_NOT_FOUND},
        {"missing folder", Tmp.File("missing/f"), fmOpenRead, ERROR_PATH_NOT_FOUND},
        {"a folder", Tmp.File("sub"), fmOpenRead, ERROR_ACCESS_DENIED},
        {"access 3", Tmp.File("f.bin"), 3, ERROR_INVALID_PARAMETER},
        {"share mode 0x50", Tmp.File("f.bin"), 0x50, ERROR_INVALID_PARAMETER},
    };
    for (const Row& R : Rows) {
        SCOPED_TRACE(R.Name);
        EXPECT_EQ(FileOpen(R.File, R.Mode), -1);
        EXPECT_EQ(GetLastError(), R.Error);
    }
    EXPECT_EQ(CreateFile(Tmp.File("f.bin"), GENERIC_WRITE, 0, CREATE_NEW), -1);
    EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);
    EXPECT_EQ(CreateFile(Tmp.File("f.bin"), GENERIC_READ, 0, 99), -1);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(FileCreate(Tmp.File("missing/f")), -1);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
}

TEST(Files, ReadWriteSeekTruncate)
{
    const TempDir Tmp;
    const AnsiString Name = Tmp.File("f.bin");
    const int H = FileCreate(Name);
    ASSERT_GE(H, 0);
    EXPECT_EQ(FileWrite(H, "0123456789", 10), 10);
    EXPECT_EQ(FileSeek(H, 0, 2), 10);
    EXPECT_EQ(FileSeek(H, -1, 0), -1);
    EXPECT_EQ(GetLastError(), ERROR_NEGATIVE_SEEK);
    EXPECT_EQ(FileSeek(H, 0, 3), -1);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(FileSeek(H, 5, 0), 5);
    EXPECT_TRUE(FileTruncate(H));
    EXPECT_EQ(FileGetSize(H), 5);
    EXPECT_EQ(FileSeek(H, -2, 1), 3);
    char Buffer[8] = {};
    EXPECT_EQ(FileRead(H, Buffer, 8), 2);
    EXPECT_EQ(std::string(Buffer, 2), "34");
    EXPECT_EQ(FileRead(H, Buffer, 8), 0);
    // Positions past 4 GiB.
    const Int64 Far = Int64(5) << 30;
    EXPECT_EQ(FileSeek(H, Far, 0), Far);
    EXPECT_EQ(FileWrite(H, "x", 1), 1);
    EXPECT_EQ(FileGetSize(H), Far + 1);
    EXPECT_EQ(FileSeek(H, 0, 1), Far + 1);
    FileClose(H);
    FileClose(-1);

    EXPECT_EQ(FileRead(H, Buffer, 1), -1);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_EQ(FileGetSize(-1), -1);

    const int Reader = FileOpen(Name, fmOpenRead);
    ASSERT_GE(Reader, 0);
    EXPECT_EQ(FileWrite(Reader, "x", 1), -1);
    FileClose(Reader);
}

// ---- error codes -----------------------------------------------------------------

TEST(Files, ErrnoToWin32Codes)
{
    struct Row {
        int Errno;
        DWORD Code;
    };
    const Row Rows[] = {
        {0, ERROR_SUCCESS},         {ENOENT, 2},   {ENOTDIR, 3},      {EMFILE, 4},
        {EACCES, 5},                {EPERM, 5},    {EISDIR, 5},       {EBADF, 6},
        {ENOMEM, 8},                {EXDEV, 17},   {EROFS, 19},       {ETXTBSY, 32},
        {EAGAIN, 33},               {EINVAL, 87},  {ENOSPC, 112},     {ENOTEMPTY, 145},
        {EBUSY, 170},               {EEXIST, 183}, {ENAMETOOLONG, 206}, {EFBIG, 223},
        {EIO, 1117},                {ELOOP, 1921}, {EPIPE, ERROR_GEN_FAILURE},  // no counterpart
    };
    for (const Row& R : Rows) {
        SCOPED_TRACE(R.Errno);
        EXPECT_EQ(Win32ErrorOfErrno(R.Errno), R.Code);
    }
}

TEST(Files, SystemMessages)
{
    struct Row {
        DWORD Code;
        const char* Text;
    };
    const Row Rows[] = {
        {2, "Не удается найти указанный файл"},
        {3, "Системе не удается найти указанный путь"},
        {5, "Отказано в доступе"},
        {32, "Процесс не может получить доступ к файлу, так как этот файл занят другим процессом"},
        {33, "Процесс не может получить доступ к файлу, так как часть этого файла заблокирована "
             "другим процессом"},
        {112, "Недостаточно места на диске"},
        {183, "Невозможно создать файл, так как он уже существует"},
        {12345, ""},  // unknown
    };
    for (const Row& R : Rows) {
        SCOPED_TRACE(R.Code);
        EXPECT_EQ(SysErrorMessage(R.Code), AnsiString::FromUtf8(R.Text));
    }
    SetLastError(2);
    ExpectRaises<EOSError>([] { RaiseLastOSError(); },
                           "System Error.  Code: 2.\r\nНе удается найти указанный файл"_a);
    SetLastError(0);
    ExpectRaises<EOSError>([] { RaiseLastOSError(); }, "A call to an OS function failed");
}

// The injected faults the program's tests stand on: inside the folder a
// full disk takes RoomLeft bytes and then refuses writes; a folder without
// write permission refuses new, renamed, deleted entries and new folders
// but lets a file that exists be written. Outside it, and after the scope,
// everything works.
TEST(Files, FolderFaults)
{
    const TempDir Tmp;
    fs::create_directory(Tmp.Path() / "in");
    WriteBytes(Tmp.Path() / "in" / "old", "old");
    const AnsiString In = Tmp.File("in/");
    {
        const FolderFaultScope Full(In, ENOSPC, /*RoomLeft=*/5);
        const int H = FileCreate(In + "new");
        ASSERT_GE(H, 0);
        EXPECT_EQ(FileWrite(H, "abc", 3), 3);
        EXPECT_EQ(FileWrite(H, "defg", 4), 2) << "the room ends inside the write";
        EXPECT_EQ(FileWrite(H, "h", 1), -1);
        EXPECT_EQ(GetLastError(), ERROR_DISK_FULL);
        FileClose(H);
        EXPECT_FALSE(CreateDir(In + "sub"));
        EXPECT_EQ(GetLastError(), ERROR_DISK_FULL);
        EXPECT_TRUE(DeleteFile(In + "new")) << "a full disk still frees space";
        const int Outside = FileCreate(Tmp.File("out"));
        EXPECT_EQ(FileWrite(Outside, "abcdefgh", 8), 8);
        FileClose(Outside);
    }
    {
        const FolderFaultScope ReadOnly(In, EACCES);
        EXPECT_EQ(FileCreate(In + "new"), -1);
        EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
        const int Old = FileOpen(In + "old", fmOpenWrite);
        EXPECT_GE(Old, 0) << "a file that exists opens for writing";
        FileClose(Old);
        EXPECT_FALSE(RenameFile(In + "old", In + "renamed"));
        EXPECT_FALSE(RenameFileReplacing(Tmp.File("out"), In + "old"));
        EXPECT_FALSE(DeleteFile(In + "old"));
        EXPECT_FALSE(CreateDir(In + "sub"));
        EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    }
    const int H = FileCreate(In + "after");
    EXPECT_EQ(FileWrite(H, "abcdefgh", 8), 8);
    FileClose(H);
    EXPECT_TRUE(DeleteFile(In + "old"));
}

} // namespace

#include "common/base/IniFiles.h"

#include "platform/classes/Strings.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/Ticks.h"
#include "tests/support/SettingsScope.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>

namespace {

namespace fs = std::filesystem;

fs::path SharedData()
{
    return TestData() / "IniFiles" / "shared";
}

fs::path SystemPath(const AnsiString& Name)
{
    return fs::path(Name.ToUtf8());
}

/// A tick counter the test moves by hand, so the 100 ms rule is exact.
class FakeTicks {
public:
    explicit FakeTicks(DWORD Start) { Now = Start; FOld = SetTickSource(&Read); }
    ~FakeTicks() { SetTickSource(FOld); }
    FakeTicks(const FakeTicks&) = delete;
    FakeTicks& operator=(const FakeTicks&) = delete;

    static void Advance(DWORD Ms) { Now += Ms; }

private:
    static DWORD Read() { return Now; }
    static inline DWORD Now = 0;
    TickSource FOld;
};

/// Rewrites a file with new bytes and a write time clearly apart from the
/// old one.
void ChangeOnDisk(const AnsiString& Name, const std::string& Bytes)
{
    const fs::path P = SystemPath(Name);
    const auto Old = fs::last_write_time(P);
    WriteBytes(P, Bytes);
    fs::last_write_time(P, Old + std::chrono::seconds(5));
}

// ---- sharing -------------------------------------------------------------------

TEST(IniFiles, ObjectsOnOneFileSeeEachOthersWritesAtOnce)
{
    TempDir Dir;
    const AnsiString Name = Dir.File("shop.ini");
    TIniFile A(Name);
    TIniFile B(Name);
    A.WriteString("Main", "Customer", "Shop");
    EXPECT_EQ(B.ReadString("Main", "Customer", "none"), "Shop");
    B.DeleteKey("Main", "Customer");
    EXPECT_EQ(A.ReadString("Main", "Customer", "none"), "none");
    // Nothing has reached the disk yet.
    EXPECT_FALSE(fs::exists(SystemPath(Name)));
    EXPECT_GE(MemIniContainerCount(), 1);
}

TEST(IniFiles, ObjectsInSequenceLoadTheFileAnew)
{
    TempDir Dir;
    const AnsiString Name = Dir.File("seq.ini");
    {
        TIniFile A(Name);
        A.WriteInteger("S", "N", 1);
    }
    WriteBytes(SystemPath(Name), "[S]\r\nN=2\r\n");
    TIniFile B(Name);
    EXPECT_EQ(B.ReadInteger("S", "N", 0), 2);
}

TEST(IniFiles, NamesAreExpandedAndCompareExactly)
{
    TempDir Dir;
    const CurrentDirScope Here(Dir.Path());
    TIniFile Relative("rel.ini");
    EXPECT_EQ(Relative.FileName(), Dir.File("rel.ini"));
    TIniFile Absolute(Dir.File("rel.ini"));
    Relative.WriteString("S", "K", "v");
    EXPECT_EQ(Absolute.ReadString("S", "K", ""), "v");
    // On Linux another spelling is another file.
    TIniFile OtherCase(Dir.File("REL.ini"));
    EXPECT_EQ(OtherCase.ReadString("S", "K", "absent"), "absent");
}

// ---- file format ---------------------------------------------------------------

TEST(IniFiles, LoadsTheOriginalLayoutAndSavesItByteExact)
{
    TempDir Dir;
    const AnsiString Name = Dir.File("pricetags.ini");
    fs::copy_file(SharedData() / "original-layout.ini", SystemPath(Name));
    {
        TIniFile Ini(Name);
        // Names are found without regard to case, Cyrillic included.
        EXPECT_EQ(Ini.ReadString("CONFIGURATION", "roundtype", ""), "2");
        EXPECT_EQ(Ini.ReadString("Configuration", "ЦЕНА"_a, ""), "10,50");
        EXPECT_EQ(Ini.ReadQuotedString("Configuration", "Customer", ""),
                  "Магазин \"Ромашка\""_a);
        EXPECT_EQ(Ini.ReadQuotedString("ProviderList", "S1", ""), "ИП Иванов"_a);
        // Lines before the first section are dropped.
        EXPECT_EQ(Ini.ReadString("", "Orphan", "dropped"), "dropped");
        Ini.WriteQuotedString("Configuration", "Kop", "коп."_a);
    }
    ExpectMatchesGolden(ReadBytes(SystemPath(Name)),
                        SharedData() / "golden" / "original-layout-saved.ini");
}

TEST(IniFiles, SectionListings)
{
    TempDir Dir;
    const AnsiString Name = Dir.File("list.ini");
    fs::copy_file(SharedData() / "original-layout.ini", SystemPath(Name));
    TIniFile Ini(Name);
    TStringList L;
    L.Add("stale");
    Ini.ReadSections(&L);
    EXPECT_EQ(L.Text(), "Configuration\r\nEmpty\r\nProviderList\r\n");
    // The line without "=" has no name.
    Ini.ReadSection("configuration", &L);
    EXPECT_EQ(L.Text(), "Customer\r\nRoundType\r\nLastDate\r\n"_a + "Цена"_a + "\r\n");
    Ini.ReadSectionValues("ProviderList", &L);
    EXPECT_EQ(L.Count(), 4);
    EXPECT_EQ(L.Strings(0), "Count=2");
    Ini.ReadSection("Missing", &L);
    EXPECT_EQ(L.Count(), 0);
    EXPECT_TRUE(Ini.SectionExists("ProviderList"));
    EXPECT_FALSE(Ini.SectionExists("Empty"));
    Ini.EraseSection("providerlist");
    EXPECT_FALSE(Ini.SectionExists("ProviderList"));
    Ini.EraseSection("ProviderList");  // absent: nothing
    Ini.SetAutoSave(false);
}

TEST(IniFiles, ValueIsEverythingAfterTheFirstEquals)
{
    TIniFile Ini("");
    TStringList Lines;
    Lines.SetText("[S]\r\nKey= a=b \r\nkey=second\r\n");
    Ini.SetStrings(&Lines);
    // The first of two entries of one name is the one read.
    EXPECT_EQ(Ini.ReadString("S", "KEY", ""), " a=b ");
    Ini.WriteString("S", "Key", "new");
    EXPECT_EQ(Ini.ReadString("S", "key", ""), "new");
    TStringList Out;
    Ini.GetStrings(&Out);
    EXPECT_EQ(Out.Text(), "[S]\r\nKey=new\r\nkey=second\r\n\r\n");
}

TEST(IniFiles, LookupsFollowEveryChangeOfTheText)
{
    TIniFile Ini("");
    TStringList Lines;
    Lines.SetText("[Цены]\r\nКлюч=1\r\nключ=2\r\nДругой=3\r\n[цены]\r\nКлюч=4\r\n"_a);
    Ini.SetStrings(&Lines);
    // Cyrillic names of either case find the first section and entry.
    EXPECT_EQ(Ini.ReadString("ЦЕНЫ"_a, "КЛЮЧ"_a, ""), "1");
    // Deleting the first entry of a name uncovers the second.
    Ini.DeleteKey("цены"_a, "ключ"_a);
    EXPECT_EQ(Ini.ReadString("Цены"_a, "Ключ"_a, ""), "2");
    EXPECT_EQ(Ini.ReadString("Цены"_a, "Другой"_a, ""), "3");
    // Erasing the first section uncovers the repeated one.
    Ini.EraseSection("Цены"_a);
    EXPECT_EQ(Ini.ReadString("Цены"_a, "Ключ"_a, ""), "4");
    // Entries and sections added after the lookups are found.
    for (int I = 0; I < 50; ++I)
        Ini.WriteString("Новый"_a, "S" + IntToStr(I), IntToStr(I * I));
    EXPECT_EQ(Ini.ReadString("новый"_a, "s49", ""), "2401");
    Ini.DeleteKey("Новый"_a, "S0");
    EXPECT_EQ(Ini.ReadString("Новый"_a, "S0", "нет"), "нет");
    EXPECT_EQ(Ini.ReadString("Новый"_a, "S1", ""), "1");
    Ini.Clear();
    EXPECT_EQ(Ini.ReadString("Новый"_a, "S1", "пусто"), "пусто");
}

// ---- quoting and typed values -----------------------------------------------------

TEST(IniFiles, QuotedStrings)
{
    TIniFile Ini("");
    Ini.WriteQuotedString("S", "Name", "a b");
    EXPECT_EQ(Ini.ReadString("S", "Name", ""), "\"a b\"");
    EXPECT_EQ(Ini.ReadQuotedString("S", "Name", ""), "a b");
    // A default that happens to be quoted comes back unchanged.
    EXPECT_EQ(Ini.ReadQuotedString("S", "Missing", "\"d\""), "\"d\"");
    // The free functions work on any ini object.
    WriteQuotedString(Ini, "S", "Other", "x");
    EXPECT_EQ(ReadQuotedString(Ini, "S", "Other", ""), "x");
}

struct UnquoteCase {
    const char* In;
    const char* Out;
};

const UnquoteCase UnquoteCases[] = {
    {"\"a\"", "a"},      // one pair removed
    {"\"\"", ""},        // an empty quoted text
    {"\"", "\""},        // a single quote is too short
    {"\"a", "\"a"},      // not closed
    {"a\"", "a\""},      // not opened
    {"\"\"a\"\"", "\"a\""},  // only the outer pair goes
};

TEST(IniFiles, Unquote)
{
    TIniFile Ini("");
    for (const UnquoteCase& C : UnquoteCases) {
        SCOPED_TRACE(C.In);
        EXPECT_EQ(Ini.Unquote(C.In), C.Out);
    }
}

struct IntegerCase {
    const char* Stored;
    Integer Expected;
};

const IntegerCase IntegerCases[] = {
    {"12", 12},
    {"-7", -7},
    {"0x1F", 31},      // hexadecimal
    {"0X10", 16},
    {"0x", 99},        // two characters only: the default
    {"$1F", 31},       // the runtime's own hexadecimal form
    {"\"5\"", 5},      // read through the quoted read
    {"12a", 99},       // not a number
    {"", 99},          // empty
    {"4294967296", 99},  // out of range
};

TEST(IniFiles, ReadInteger)
{
    TIniFile Ini("");
    for (const IntegerCase& C : IntegerCases) {
        SCOPED_TRACE(C.Stored);
        Ini.WriteString("S", "N", C.Stored);
        EXPECT_EQ(Ini.ReadInteger("S", "N", 99), C.Expected);
    }
    EXPECT_EQ(Ini.ReadInteger("S", "Missing", 99), 99);
}

TEST(IniFiles, BooleansAreOneAndZero)
{
    TIniFile Ini("");
    Ini.WriteBool("S", "T", true);
    Ini.WriteBool("S", "F", false);
    EXPECT_EQ(Ini.ReadString("S", "T", ""), "1");
    EXPECT_EQ(Ini.ReadString("S", "F", ""), "0");
    Ini.WriteString("S", "Other", "5");
    EXPECT_TRUE(Ini.ReadBool("S", "Other", false));
    EXPECT_TRUE(Ini.ReadBool("S", "Missing", true));
    EXPECT_FALSE(Ini.ReadBool("S", "F", true));
}

TEST(IniFiles, DatesAreEightDigits)
{
    const RussianSettingsScope Ru;
    TIniFile Ini("");
    Ini.WriteDate("S", "D", EncodeDate(2024, 3, 5));
    EXPECT_EQ(Ini.ReadString("S", "D", ""), "20240305");
    EXPECT_EQ(double(Ini.ReadDate("S", "D", 0)), double(EncodeDate(2024, 3, 5)));
    Ini.WriteDateTime("S", "DT", EncodeDate(2024, 3, 5) + EncodeTime(12, 30, 0, 0));
    EXPECT_EQ(Ini.ReadString("S", "DT", ""), "20240305 12:30:00");
    EXPECT_DOUBLE_EQ(Ini.ReadDateTime("S", "DT", 0),
                     EncodeDate(2024, 3, 5) + EncodeTime(12, 30, 0, 0));
    Ini.WriteTime("S", "T", EncodeTime(7, 5, 9, 0));
    EXPECT_EQ(Ini.ReadString("S", "T", ""), "7:05:09");
    EXPECT_DOUBLE_EQ(Ini.ReadTime("S", "T", 0), EncodeTime(7, 5, 9, 0));
    Ini.WriteFloat("S", "F", 1.5);
    EXPECT_EQ(Ini.ReadString("S", "F", ""), "1,5");
    EXPECT_DOUBLE_EQ(Ini.ReadFloat("S", "F", 0), 1.5);
}

TEST(IniFiles, DateTimesBeforeTheBaseDateKeepTheirDay)
{
    // Before 1899-12-30 a date-time counts its time of day away from zero:
    // 1800-01-01 06:00 is -36522.25. Added the plain way it would read back
    // as a day later.
    const RussianSettingsScope Ru;
    TIniFile Ini("");
    const struct {
        TDateTime Value;
        const char* Stored;
    } Cases[] = {
        {EncodeDate(1800, 1, 1) - EncodeTime(6, 0, 0, 0), "18000101 6:00:00"},
        {EncodeDate(1899, 12, 29) - EncodeTime(23, 59, 59, 0), "18991229 23:59:59"},
        {EncodeDate(1899, 12, 30) + EncodeTime(0, 0, 1, 0), "18991230 0:00:01"},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Stored);
        Ini.WriteDateTime("S", "DT", C.Value);
        EXPECT_EQ(Ini.ReadString("S", "DT", ""), C.Stored);
        EXPECT_NEAR(Ini.ReadDateTime("S", "DT", 0), C.Value, 1e-9);
    }
}

struct DateReadCase {
    const char* Stored;
    double Expected;  // -1 is the default
};

const DateReadCase DateReadCases[] = {
    {"20241305", -1},       // month 13 does not exist
    {"20240230", -1},       // nor does 30 February
    {"45000", 45000},       // a day number
    {"45000,5", 45000.5},   // a day number with the decimal separator
    {"abc", -1},            // no date
    {"2024030", 2024030},   // seven digits are a day number, not a date
};

TEST(IniFiles, ReadDateGivesTheDefaultForTextsThatAreNoDate)
{
    const RussianSettingsScope Ru;
    TIniFile Ini("");
    for (const DateReadCase& C : DateReadCases) {
        SCOPED_TRACE(C.Stored);
        Ini.WriteString("S", "D", C.Stored);
        EXPECT_DOUBLE_EQ(Ini.ReadDate("S", "D", -1), C.Expected);
    }
    Ini.WriteString("S", "DT", "20240305 25:00");
    EXPECT_DOUBLE_EQ(Ini.ReadDateTime("S", "DT", -1), -1);
    Ini.WriteString("S", "T", "noon");
    EXPECT_DOUBLE_EQ(Ini.ReadTime("S", "T", -1), -1);
    Ini.WriteString("S", "F", "1.5");  // the wrong separator for Russian settings
    EXPECT_DOUBLE_EQ(Ini.ReadFloat("S", "F", -1), -1);
}

TEST(IniFiles, IniStrToDate)
{
    EXPECT_DOUBLE_EQ(IniStrToDate("19000101"), EncodeDate(1900, 1, 1));
    {
        // The current settings fail; the system's Russian ones read it.
        const EnglishSettingsScope En;
        EXPECT_DOUBLE_EQ(IniStrToDate("45000,5"), 45000.5);
        EXPECT_DOUBLE_EQ(IniStrToDate("45000.25"), 45000.25);
    }
    const RussianSettingsScope Ru;
    ExpectRaises<EConvertError>([] { (void)IniStrToDate("abc"); }, "S to D: Conversion Error");
    ExpectRaises<EConvertError>([] { (void)IniStrToDate("20241305"); },
                                "Invalid argument to date encode");
    EXPECT_EQ(IniDateToStr(EncodeDate(987, 12, 31)), "09871231");
}

// ---- in-memory objects and files that are never written ----------------------------

TEST(IniFiles, EmptyFileNameLivesInMemoryOnly)
{
    TempDir Dir;
    const CurrentDirScope Here(Dir.Path());
    {
        TIniFile A("");
        TIniFile B("");
        EXPECT_TRUE(A.InMemory());
        EXPECT_EQ(A.FileName().SubString(1, 8), "$$_$Mem$");
        EXPECT_NE(A.FileName(), B.FileName());
        A.WriteString("S", "K", "a");
        EXPECT_EQ(B.ReadString("S", "K", "none"), "none");
        A.UpdateFile();
    }
    {
        // A name given with InMemory set is never touched.
        TIniFile C(true, Dir.File("named.ini"));
        EXPECT_TRUE(C.InMemory());
        C.WriteString("S", "K", "c");
    }
    EXPECT_TRUE(fs::is_empty(Dir.Path()));
}

TEST(IniFiles, UnwrittenMissingFileIsNotCreated)
{
    TempDir Dir;
    const AnsiString Name = Dir.File("never.ini");
    {
        TIniFile Ini(Name);
        EXPECT_EQ(Ini.ReadString("S", "K", "d"), "d");
    }
    EXPECT_FALSE(fs::exists(SystemPath(Name)));
}

TEST(IniFiles, UpdateBracketWritesOnceAtTheEnd)
{
    TempDir Dir;
    const AnsiString Name = Dir.File("bracket.ini");
    TIniFile Ini(Name);
    Ini.BeginUpdate();
    Ini.BeginUpdate();
    Ini.WriteString("S", "K", "v");
    Ini.Flush();
    Ini.EndUpdate();
    EXPECT_FALSE(fs::exists(SystemPath(Name)));
    Ini.EndUpdate();
    EXPECT_EQ(ReadBytes(SystemPath(Name)), "[S]\r\nK=v\r\n\r\n");
    EXPECT_TRUE(Ini.Synced());
    EXPECT_EQ(Ini.UpdateCount(), 0);
}

TEST(IniFiles, AutoSaveOffNeverWrites)
{
    TempDir Dir;
    const AnsiString Name = Dir.File("off.ini");
    {
        TIniFile Ini(Name);
        Ini.SetAutoSave(false);
        Ini.WriteString("S", "K", "v");
    }
    EXPECT_FALSE(fs::exists(SystemPath(Name)));
}

TEST(IniFiles, SaveFailureKeepsTheContents)
{
    TempDir Dir;
    const AnsiString Name = Dir.File("folder.ini");
    TIniFile Ini(Name);
    fs::create_directory(SystemPath(Name));  // the name is taken by a folder
    Ini.WriteString("S", "K", "kept");
    ExpectRaises<EFCreateError>([&] { Ini.UpdateFile(); }, "Файл настроек \""_a + Name
                                                              + "\" не записан:\r\nОтказано в доступе"_a);
    EXPECT_EQ(Ini.ReadString("S", "K", ""), "kept");
    EXPECT_FALSE(fs::exists(SystemPath(Name + ".tmp$")));
    Ini.SetAutoSave(false);
}

// ---- reloading -----------------------------------------------------------------

TEST(IniFiles, ReloadsAChangedFileNoMoreOftenThanEvery100Ms)
{
    TempDir Dir;
    const AnsiString Name = Dir.File("changed.ini");
    WriteBytes(SystemPath(Name), "[S]\r\nK=old\r\n");
    const FakeTicks Ticks(100000);
    TIniFile Ini(Name);
    EXPECT_EQ(Ini.ReadString("S", "K", ""), "old");
    ChangeOnDisk(Name, "[S]\r\nK=new\r\n");
    FakeTicks::Advance(50);
    EXPECT_EQ(Ini.ReadString("S", "K", ""), "old");
    FakeTicks::Advance(99);  // 99 ms since the previous read
    EXPECT_EQ(Ini.ReadString("S", "K", ""), "old");
    FakeTicks::Advance(100);
    EXPECT_EQ(Ini.ReadString("S", "K", ""), "new");
    Ini.SetAutoSave(false);
}

TEST(IniFiles, DeletedFileEmptiesTheSharedContents)
{
    TempDir Dir;
    const AnsiString Name = Dir.File("deleted.ini");
    WriteBytes(SystemPath(Name), "[S]\r\nK=v\r\n");
    const FakeTicks Ticks(200000);
    TIniFile Ini(Name);
    TIniFile Other(Name);
    EXPECT_EQ(Ini.ReadString("S", "K", ""), "v");
    fs::remove(SystemPath(Name));
    FakeTicks::Advance(100);
    EXPECT_EQ(Ini.ReadString("S", "K", "gone"), "gone");
    EXPECT_EQ(Other.ReadString("S", "K", "gone"), "gone");
    Ini.SetAutoSave(false);
    Other.SetAutoSave(false);
}

TEST(IniFiles, AnObjectThatNeverLoadedDoesNotReload)
{
    TempDir Dir;
    const AnsiString Name = Dir.File("late.ini");
    const FakeTicks Ticks(300000);
    TIniFile Ini(Name);  // no file: not synced
    WriteBytes(SystemPath(Name), "[S]\r\nK=v\r\n");
    FakeTicks::Advance(1000);
    EXPECT_EQ(Ini.ReadString("S", "K", "none"), "none");
    Ini.SetAutoSave(false);
}

// ---- writes not flushed yet are never lost ------------------------------------------

TEST(IniFiles, FirstRunKeepsWritesWhenAnotherObjectOpensTheMissingFile)
{
    TempDir Dir;
    const AnsiString Name = Dir.File("first-run.ini");
    {
        TIniFile Settings(Name);
        Settings.WriteString("Configuration", "Customer", "Shop");
        // The file does not exist yet; a second object must not wipe the
        // shared contents.
        TIniFile Fonts(Name);
        EXPECT_EQ(Fonts.ReadString("Configuration", "Customer", ""), "Shop");
    }
    EXPECT_EQ(ReadBytes(SystemPath(Name)), "[Configuration]\r\nCustomer=Shop\r\n\r\n");
}

TEST(IniFiles, ChangeOnDiskDoesNotDropUnflushedWrites)
{
    TempDir Dir;
    const AnsiString Name = Dir.File("race.ini");
    WriteBytes(SystemPath(Name), "[S]\r\nK=old\r\n");
    const FakeTicks Ticks(400000);
    {
        TIniFile Ini(Name);
        Ini.WriteString("S", "Mine", "kept");
        ChangeOnDisk(Name, "[S]\r\nK=theirs\r\n");
        FakeTicks::Advance(500);
        EXPECT_EQ(Ini.ReadString("S", "Mine", ""), "kept");
        Ini.UpdateFile();
        // Once flushed, later changes on disk are seen again.
        ChangeOnDisk(Name, "[S]\r\nK=later\r\n");
        FakeTicks::Advance(500);
        EXPECT_EQ(Ini.ReadString("S", "K", ""), "later");
        Ini.SetAutoSave(false);
    }
}

TEST(IniFiles, ErasedSectionIsNotReadThroughAnotherObjectsCache)
{
    // Objects share sections only on a file name; nothing is saved here.
    TempDir Dir;
    TIniFile First(Dir.File("cache.ini"));
    TIniFile Second(Dir.File("cache.ini"));
    First.WriteString("S", "K", "1");
    EXPECT_EQ(First.ReadString("S", "K", ""), "1");  // cached in First
    Second.EraseSection("S");
    EXPECT_EQ(First.ReadString("S", "K", "erased"), "erased");
    Second.WriteString("S", "K", "2");
    EXPECT_EQ(First.ReadString("S", "K", ""), "2");
    Second.Clear();
    EXPECT_EQ(First.ReadString("S", "K", "cleared"), "cleared");
    First.SetAutoSave(false);
    Second.SetAutoSave(false);
}

// ---- damaged files ---------------------------------------------------------------

struct BrokenCase {
    const char* File;
    int Sections;
    std::string Section;  // one entry to read back ('' for none)
    std::string Ident;
    std::string Value;
    // The load is refused with this error instead (UTF-8; the file's name
    // goes where "%s" stands).
    const char* Refused = nullptr;
};

const BrokenCase BrokenCases[] = {
    // No line starts with "[", so nothing belongs to a section.
    {"binary-junk.ini", 0, "", "", ""},
    // Zero bytes are kept as bytes of their lines, so nothing after them is
    // lost when the file is saved again.
    {"nul-bytes-in-lines.ini", 1, std::string("A\0B", 3), std::string("Key\0", 4),
     std::string("Va\0lue", 6)},
    // A lone CR ends a line too.
    {"lone-cr-line-ends.ini", 1, "A", "Other", "2"},
    // "[" alone is no section line; "[]" opens a section without a name.
    {"bracket-only.ini", 1, "", "", "value without name"},
    {"very-long-line.ini", 1, "A", "Key", std::string(200000, 'x')},
    {"no-final-line-break.ini", 1, "A", "Key", "1"},
    // A byte-order mark hides the first section line, as it did before.
    {"utf8-bom-before-section.ini", 0, "", "", ""},
    // Random bytes hold no section line: nothing to read, little kept.
    {"random-bytes.ini", 0, "", "", ""},
    // Thousands of sections of four bytes would take hundreds of bytes
    // each: refused before the contents take more than 16 times the file.
    {"many-tiny-sections.ini", 0, "", "", "",
     "Файл настроек \"%s\" поврежден: слишком много разделов и строк для его размера"},
};

TEST(IniFiles, DamagedFilesLoadWithoutError)
{
    TempDir Dir;
    int Rows = 0;
    for (const BrokenCase& C : BrokenCases) {
        SCOPED_TRACE(C.File);
        ++Rows;
        const AnsiString Name = Dir.File(C.File);
        fs::copy_file(SharedData() / "broken" / C.File, SystemPath(Name));
        if (C.Refused) {
            const int Containers = MemIniContainerCount();
            ExpectRaises<EInOutError>([&] { TIniFile Refused(Name); },
                                      Format(AnsiString::FromUtf8(C.Refused), {Name}));
            EXPECT_EQ(MemIniContainerCount(), Containers) << "a refused file stays registered";
            continue;
        }
        TIniFile Ini(Name);
        Ini.SetAutoSave(false);
        TStringList Sections;
        Ini.ReadSections(&Sections);
        EXPECT_EQ(Sections.Count(), C.Sections);
        if (C.Sections > 0) {
            EXPECT_EQ(Ini.ReadString(AnsiString(C.Section), AnsiString(C.Ident), "?"),
                      AnsiString(C.Value));
        }
    }
    // Every file of the folder has its row.
    int Files = 0;
    for (const auto& Entry : fs::directory_iterator(SharedData() / "broken"))
        Files += Entry.is_regular_file() ? 1 : 0;
    EXPECT_EQ(Files, Rows);
}

TEST(IniFiles, ZeroBytesSurviveASaveOfTheSettings)
{
    // A stray zero byte must not cut the file when the settings are written
    // back at exit.
    TempDir Dir;
    const AnsiString Name = Dir.File("zero.ini");
    const std::string Original = ReadBytes(SharedData() / "broken" / "nul-bytes-in-lines.ini");
    WriteBytes(SystemPath(Name), Original);
    {
        TIniFile Ini(Name);
        Ini.WriteString("New", "Key", "1");
        Ini.UpdateFile();
        Ini.SetAutoSave(false);
    }
    EXPECT_EQ(ReadBytes(SystemPath(Name)), Original + "\r\n[New]\r\nKey=1\r\n\r\n");
}

// A file larger than any settings or template is refused before it is
// read (random bytes of 200 MB once took 14 s and a gigabyte).
TEST(IniFiles, OversizedFileIsRefusedUnread)
{
    TempDir Dir;
    const AnsiString Name = Dir.File("huge.ini");
    {
        std::ofstream Out(SystemPath(Name), std::ios::binary);
        Out << "[S]\r\nK=v\r\n";
    }
    fs::resize_file(SystemPath(Name), (32 << 20) + 1);  // sparse: nothing to read
    ExpectRaises<EInOutError>([&] { TIniFile Ini(Name); },
                              "Файл настроек \""_a + Name + "\" слишком велик: 33554433 байт"_a);
    EXPECT_EQ(fs::file_size(SystemPath(Name)), uintmax_t(32 << 20) + 1);
}

// A file opened to be read keeps its bytes when the objects close: its LF
// line ends, blank lines and comments. Writing a value it already has
// changes nothing either; a real change writes the file in the program's
// layout.
TEST(IniFiles, OnlyAChangeIsWritten)
{
    TempDir Dir;
    const AnsiString Name = Dir.File("read.ini");
    const std::string Original = "; settings\n[S]\nK=v\n\n\n[T]\nN=1\n";
    WriteBytes(SystemPath(Name), Original);
    {
        TIniFile Ini(Name);
        EXPECT_EQ(Ini.ReadString("S", "K", ""), "v");
    }
    EXPECT_EQ(ReadBytes(SystemPath(Name)), Original);
    {
        TIniFile Ini(Name);
        Ini.EraseSection("T");
        Ini.WriteString("T", "N", "1");
        Ini.UpdateFile();
    }
    EXPECT_EQ(ReadBytes(SystemPath(Name)), Original);
    {
        TIniFile Ini(Name);
        Ini.WriteString("T", "N", "2");
    }
    EXPECT_EQ(ReadBytes(SystemPath(Name)), "[S]\r\nK=v\r\n\r\n[T]\r\nN=2\r\n\r\n");
}

// A full disk, and a folder that takes no new files: the save raises with
// the file's name and the system's reason in Russian, the old file stays,
// and no part of the new one is left to fill the disk.
TEST(IniFiles, FailedSaveSaysWhyAndLeavesNoPart)
{
    for (const WriteFault& C : WriteFaults) {
        SCOPED_TRACE(C.Name);
        TempDir Dir;
        const AnsiString Name = Dir.File("pricetags.ini");
        WriteBytes(SystemPath(Name), "[S]\r\nK=old\r\n\r\n");
        TIniFile Ini(Name);
        Ini.WriteString("S", "K", std::string(4096, 'n').c_str());
        {
            const FolderFaultScope Fault(Dir.File(""), C.Errno, /*RoomLeft=*/1000);
            ExpectRaises<EFCreateError>([&] { Ini.UpdateFile(); },
                                        "Файл настроек \""_a + Name + "\" не записан:\r\n"_a
                                            + AnsiString::FromUtf8(C.Reason));
        }
        EXPECT_EQ(ReadBytes(SystemPath(Name)), "[S]\r\nK=old\r\n\r\n");
        EXPECT_FALSE(fs::exists(SystemPath(Name + ".tmp$")));
        Ini.SetAutoSave(false);
    }
}

// ---- the leak report ---------------------------------------------------------------

TEST(IniFiles, LeakReportNamesTheFirstFileAndTheCounts)
{
    if (MemIniObjectCount() != 0 || MemIniContainerCount() != 0)
        GTEST_SKIP() << "another test left ini objects open";
    EXPECT_EQ(MemIniLeakReport(), "");
    TempDir Dir;
    const AnsiString Name = Dir.File("open.ini");
    auto A = std::make_unique<TIniFile>(Name);
    auto B = std::make_unique<TIniFile>(Name);
    EXPECT_EQ(MemIniLeakReport(), "MemIniFiles не освобожден:\r\n\r\n"_a + Name +
                                      "\r\n\r\nContainerCount = 1\r\nFilesCount = 2\r\n");
    A.reset();
    B.reset();
    EXPECT_EQ(MemIniLeakReport(), "");
}

}  // namespace

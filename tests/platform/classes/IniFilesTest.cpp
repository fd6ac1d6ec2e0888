#include "platform/classes/IniFiles.h"

#include "platform/classes/Streams.h"
#include "platform/classes/Strings.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/FormatSettings.h"

#include "tests/platform/classes/StringLines.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

// CP1251 with CR LF: a comment and a blank line before the first section,
// spaces around a name and value, a comment and a line without '=' inside
// a section, a spaced section name, and "[Main]" repeated as "[main]".
const char* const Fixture = "comments-blank-lines-and-repeated-sections.ini";

/// A copy of a fixture in a private folder, so tests may write it.
class MemIniFile : public ::testing::Test {
protected:
    AnsiString Copy(const char* Name)
    {
        std::filesystem::copy_file(TestData() / "IniFiles" / Name, Dir.Path() / Name);
        return Dir.File(Name);
    }
    std::string Bytes(const char* Name) const { return ReadBytes(Dir.Path() / Name); }

    const FormatSettingsScope Russian{RussianFormatSettings()};
    TempDir Dir;
};

TEST_F(MemIniFile, UnchangedFileIsWrittenBackByteForByte)
{
    for (const char* Name : {Fixture, "written-by-the-runtime.ini"}) {
        SCOPED_TRACE(Name);
        const AnsiString File = Copy(Name);
        const std::string Before = Bytes(Name);
        {
            TMemIniFile Ini(File);
            Ini.UpdateFile();
        }
        EXPECT_EQ(Bytes(Name), Before);
    }
}

TEST_F(MemIniFile, SectionsAndNamesIgnoreCase)
{
    TMemIniFile Ini(Copy(Fixture));
    EXPECT_EQ(Ini.ReadString("MAIN", "caption", ""), "Прайс-лист"_a);
    EXPECT_EQ(Ini.ReadString("цены"_a, "НАЦЕНКА"_a, ""), "1,5");  // Cyrillic case too
    EXPECT_EQ(Ini.ReadString("Main", "Width", ""), "640");  // name and value trimmed
    EXPECT_EQ(Ini.ReadInteger("Main", "Width", 0), 640);
    EXPECT_EQ(Ini.ReadString("Nowhere", "Width", "dflt"), "dflt");
    EXPECT_EQ(Ini.ReadString("Main", "Height", "dflt"), "dflt");
}

TEST_F(MemIniFile, FirstOfRepeatedSectionsIsRead)
{
    TMemIniFile Ini(Copy(Fixture));
    EXPECT_EQ(Ini.ReadString("main", "Caption", ""), "Прайс-лист"_a);
    EXPECT_EQ(Ini.ReadString("Main", "Extra", "none"), "none");
    TStringList Sections;
    Ini.ReadSections(&Sections);
    EXPECT_EQ(Of(Sections), (Lines{"Main", "Цены"_a.Std(), "main", "Dates"}));
}

struct BrokenRow {
    const char* Ident;
    Integer Default;
    Integer Expected;
};

TEST_F(MemIniFile, BrokenValuesGiveDefaults)
{
    TMemIniFile Ini(Copy(Fixture));
    const BrokenRow Rows[] = {
        {"Hex", 0, 31},      // "0x1F" is hexadecimal
        {"Dollar", 0, 32},   // "$20" too
        {"Bad", 7, 7},       // "12abc" is not a number
        {"Broken line without equals", 5, 5},
        {"Missing", -1, -1},
    };
    for (const BrokenRow& R : Rows) {
        SCOPED_TRACE(R.Ident);
        EXPECT_EQ(Ini.ReadInteger("Main", R.Ident, R.Default), R.Expected);
    }
    EXPECT_EQ(Ini.ReadDate("Dates", "BadDay", 1.0), 1.0);
    EXPECT_EQ(Ini.ReadFloat("Main", "Caption", 2.5), 2.5);
    EXPECT_EQ(Ini.ReadTime("Main", "Caption", 0.25), 0.25);
    EXPECT_EQ(Ini.ReadDateTime("Main", "Caption", 3.0), 3.0);
}

TEST_F(MemIniFile, TypedReadsUseTheLocaleForms)
{
    TMemIniFile Ini(Copy(Fixture));
    EXPECT_EQ(Ini.ReadDate("Dates", "Day", 0), EncodeDate(2024, 3, 5));
    EXPECT_DOUBLE_EQ(Ini.ReadTime("Dates", "Time", 0), EncodeTime(13, 45, 0, 0));
    EXPECT_DOUBLE_EQ(Ini.ReadDateTime("Dates", "Stamp", 0),
                     EncodeDate(2024, 3, 5) + EncodeTime(13, 45, 0, 0));
    EXPECT_EQ(Ini.ReadFloat("Цены"_a, "Наценка"_a, 0), 1.5);
    EXPECT_TRUE(Ini.ReadBool("Цены"_a, "Округление"_a, false));
}

TEST_F(MemIniFile, SectionListings)
{
    TMemIniFile Ini(Copy(Fixture));
    TStringList Names;
    Names.Add("old");
    Ini.ReadSection("main", &Names);
    EXPECT_EQ(Of(Names), (Lines{"Caption", "Width", "Hex", "Dollar", "Bad"}));
    TStringList Values;
    Ini.ReadSectionValues("Main", &Values);
    EXPECT_EQ(Of(Values), (Lines{"Caption=Прайс-лист"_a.Std(), "Width=640",
                                 "Broken line without equals", "Hex=0x1F", "Dollar=$20",
                                 "Bad=12abc"}));
    EXPECT_TRUE(Ini.SectionExists("DATES"));
    EXPECT_FALSE(Ini.SectionExists("Nowhere"));
    EXPECT_TRUE(Ini.ValueExists("Main", "hex"));
    EXPECT_FALSE(Ini.ValueExists("Main", "Broken line without equals"));
}

TEST_F(MemIniFile, WritesKeepTheLayoutAroundThem)
{
    const AnsiString File = Copy("written-by-the-runtime.ini");
    {
        TMemIniFile Ini(File);
        Ini.WriteString("options", "Caption", "Цены"_a);  // replaces, keeps the section's spelling
        Ini.WriteInteger("Options", "Height", 480);          // after the last entry
        Ini.WriteString("Пустая"_a, "Key", "v");             // into an empty section
        Ini.WriteBool("New", "Flag", true);                  // a new section at the end
        Ini.DeleteKey("Last", "A");
        Ini.UpdateFile();
    }
    EXPECT_EQ(Bytes("written-by-the-runtime.ini"),
              "[Options]\r\nWidth=640\r\nCaption=Цены\r\nHeight=480\r\n\r\n"
              "[Пустая]\r\nKey=v\r\n\r\n"
              "[Last]\r\n\r\n"
              "[New]\r\nFlag=1\r\n\r\n"_a.Std());
}

TEST_F(MemIniFile, EraseSectionRemovesEveryCopy)
{
    TMemIniFile Ini(Copy(Fixture));
    Ini.EraseSection("MAIN");
    EXPECT_EQ(Ini.ReadString("Main", "Extra", "gone"), "gone");
    TStringList Sections;
    Ini.ReadSections(&Sections);
    EXPECT_EQ(Of(Sections), (Lines{"Цены"_a.Std(), "Dates"}));
}

TEST_F(MemIniFile, TypedWritesRoundTrip)
{
    TMemIniFile Ini("");
    Ini.WriteFloat("S", "F", 1.25);
    Ini.WriteDate("S", "D", EncodeDate(2024, 3, 5));
    Ini.WriteTime("S", "T", EncodeTime(7, 5, 9, 0));
    Ini.WriteDateTime("S", "DT", EncodeDate(2024, 3, 5) + EncodeTime(7, 5, 9, 0));
    Ini.WriteBool("S", "B", false);
    EXPECT_EQ(Ini.ReadString("S", "F", ""), "1,25");
    EXPECT_EQ(Ini.ReadString("S", "D", ""), "05.03.2024");
    EXPECT_EQ(Ini.ReadString("S", "T", ""), "7:05:09");
    EXPECT_EQ(Ini.ReadString("S", "DT", ""), "05.03.2024 7:05:09");
    EXPECT_EQ(Ini.ReadString("S", "B", ""), "0");
    EXPECT_EQ(Ini.ReadFloat("S", "F", 0), 1.25);
    EXPECT_EQ(Ini.ReadDate("S", "D", 0), EncodeDate(2024, 3, 5));
    EXPECT_FALSE(Ini.ReadBool("S", "B", true));
    Ini.WriteString("S", "Two", "2");
    EXPECT_TRUE(Ini.ReadBool("S", "Two", false));  // any non-zero number
}

TEST_F(MemIniFile, BinaryValues)
{
    TMemIniFile Ini("");
    TStringStream Source(std::string("\x00\x7F\xFF", 3));
    Ini.WriteBinaryStream("B", "Data", &Source);
    EXPECT_EQ(Ini.ReadString("B", "Data", ""), "007FFF");
    TMemoryStream Back;
    EXPECT_EQ(Ini.ReadBinaryStream("B", "Data", &Back), 3);
    EXPECT_EQ(std::string(static_cast<char*>(Back.Memory()), 3), std::string("\x00\x7F\xFF", 3));
    Ini.WriteString("B", "Broken", "41G2");  // stops at the first bad pair
    TMemoryStream Part;
    EXPECT_EQ(Ini.ReadBinaryStream("B", "Broken", &Part), 1);
    EXPECT_EQ(Ini.ReadBinaryStream("B", "Missing", &Part), 0);
}

TEST_F(MemIniFile, MissingFileLoadsEmptyAndIsCreatedOnUpdate)
{
    const AnsiString File = Dir.File("new.ini");
    TMemIniFile Ini(File);
    EXPECT_EQ(Ini.FileName(), File);
    Ini.WriteString("S", "K", "V");
    EXPECT_FALSE(FileExists(File));  // writes stay in memory
    Ini.BeginUpdate();
    Ini.BeginUpdate();
    Ini.EndUpdate();
    EXPECT_FALSE(FileExists(File));
    Ini.EndUpdate();  // the outermost end writes the file
    EXPECT_EQ(Bytes("new.ini"), "[S]\r\nK=V\r\n\r\n");
    EXPECT_FALSE(FileExists(File + ".tmp"));
}

TEST_F(MemIniFile, MemoryOnlyIniWritesNoFile)
{
    const CurrentDirScope InDir(Dir.Path());
    TMemIniFile Ini("");
    Ini.WriteString("S", "K", "V");
    Ini.UpdateFile();
    EXPECT_TRUE(std::filesystem::is_empty(Dir.Path()));
}

TEST_F(MemIniFile, StringsInAndOut)
{
    TMemIniFile Ini("");
    TStringList In;
    In.SetText("lead\r\n[A]\r\nx=1\r\n\r\n[B]\r\ny = 2\r\n");
    Ini.SetStrings(&In);
    EXPECT_EQ(Ini.ReadString("B", "y", ""), "2");
    TStringList Out;
    Ini.GetStrings(&Out);
    EXPECT_EQ(Out.Text(), In.Text());
    Ini.Clear();
    Out.Clear();
    Ini.GetStrings(&Out);
    EXPECT_EQ(Out.Count(), 0);
}

TEST_F(MemIniFile, RenameReloadsFromTheNewFile)
{
    const AnsiString File = Copy(Fixture);
    TMemIniFile Ini("");
    Ini.WriteString("S", "K", "V");
    Ini.Rename(File, /*Reload=*/true);
    EXPECT_EQ(Ini.ReadString("S", "K", "none"), "none");
    EXPECT_EQ(Ini.ReadInteger("Main", "Width", 0), 640);
    Ini.Rename(Dir.File("missing.ini"), /*Reload=*/true);
    EXPECT_EQ(Ini.ReadInteger("Main", "Width", 0), 0);
}

TEST_F(MemIniFile, UnwritableFileRaisesAndKeepsTheOldOne)
{
    const AnsiString File = Copy("written-by-the-runtime.ini");
    const std::string Before = Bytes("written-by-the-runtime.ini");
    TMemIniFile Ini(File);
    Ini.WriteString("Options", "Width", "1");
    std::filesystem::permissions(Dir.Path(), std::filesystem::perms::owner_read |
                                                 std::filesystem::perms::owner_exec);
    const int Probe = FileCreate(Dir.File("probe"));
    if (Probe >= 0) {
        FileClose(Probe);
        std::filesystem::permissions(Dir.Path(), std::filesystem::perms::owner_all);
        GTEST_SKIP() << "the folder stays writable (running as root)";
    }
    ExpectRaises<EFCreateError>([&] { Ini.UpdateFile(); }, "Cannot create file " + File);
    std::filesystem::permissions(Dir.Path(), std::filesystem::perms::owner_all);
    EXPECT_EQ(Bytes("written-by-the-runtime.ini"), Before);
}

TEST_F(MemIniFile, FailedSaveNamesTheFileAndKeepsTheOldOne)
{
    // The temporary file's name is taken by a folder: the write fails even
    // for a user whom permissions do not stop.
    const AnsiString File = Copy("written-by-the-runtime.ini");
    const std::string Before = Bytes("written-by-the-runtime.ini");
    std::filesystem::create_directory(Dir.Path() / "written-by-the-runtime.ini.tmp");
    TMemIniFile Ini(File);
    Ini.WriteString("Options", "Width", "1");
    ExpectRaises<EFCreateError>([&] { Ini.UpdateFile(); }, "Cannot create file " + File);
    EXPECT_EQ(Bytes("written-by-the-runtime.ini"), Before);
    EXPECT_EQ(Ini.ReadString("Options", "Width", ""), "1");  // the contents stay
}

}  // namespace

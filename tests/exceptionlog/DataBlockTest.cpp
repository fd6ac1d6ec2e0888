#include "exceptionlog/DataBlock.h"

#include "exceptionlog/Codecs.h"
#include "exceptionlog/ExceptionLog.h"

#include "platform/classes/Streams.h"
#include "platform/classes/Strings.h"
#include "platform/rtl/Files.h"

#include "tests/exceptionlog/ExternalTools.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

namespace fs = std::filesystem;

namespace {

const TDateTime BlockDate = 45000.5;  // 2023-03-15 12:00

// The options every seed block carries.
void SeedOptions(TRazuroModuleOptions& O)
{
    O.SmtpHost = "smtp.example.test";
    O.ErrorsNumberToSave = 5;
    O.FilterClasses->Add("EAbort");
    O.FilterMessages->Add("Stopped");
    O.CustomTexts[2] = "Ошибка."_a;
}

std::string Seed(Word Version, const std::string& Debug = "DBG", const char* Password = "pw")
{
    TRazuroModuleOptions O;
    SeedOptions(O);
    return BuildDataBlock(O, Version, BlockDate, Debug, Password);
}

fs::path Data()
{
    return TestData() / "DataBlock";
}

AnsiString DebugText(ModuleRecord& Rec)
{
    if (!ModuleDebugData(Rec))
        return "<none>";
    return AnsiString(static_cast<const char*>(Rec.DebugData->Memory()),
                      int(Rec.DebugData->Size()));
}

struct ProgramLogCapture {
    ProgramLogCapture() { Old = SetProgramLogWriter(Write); Lines().clear(); }
    ~ProgramLogCapture() { SetProgramLogWriter(Old); }
    static std::vector<AnsiString>& Lines()
    {
        static std::vector<AnsiString> L;
        return L;
    }
    static void Write(const AnsiString& Text) { Lines().push_back(Text); }
    ProgramLogWriter Old = nullptr;
};

/// Writes Program: a copy of /bin/true carrying Block as its data block
/// section; the tool's status and output.
ToolResult ProgramWithSection(const fs::path& Dir, const std::string& Block,
                              const fs::path& Program)
{
    WriteBytes(Dir / "block.bin", Block);
    return RunTool("objcopy --add-section .eldata='" + (Dir / "block.bin").string() +
                   "' --set-section-flags .eldata=noload,readonly /bin/true '" +
                   Program.string() + "' 2>&1");
}

void AskFor(AnsiString& Password)
{
    Password = "pw";
}

}  // namespace

TEST(DataBlock, SeedBlocksMatchTheWriter)
{
    // The seeds of the fuzz target are golden files of the writer.
    for (const Word V : {Word(420), Word(450), Word(502)}) {
        SCOPED_TRACE(V);
        ExpectMatchesGolden(Seed(V), Data() / ("section-" + std::to_string(V) + ".bin"));
    }
    TRazuroModuleOptions O;
    SeedOptions(O);
    ExpectMatchesGolden("program bytes" + BuildTrailerBlock(O, 502, BlockDate, "DBG"),
                        Data() / "trailer-502.bin");
}

TEST(DataBlock, SectionFormAtEveryLayout)
{
    struct Case { Word Version; bool WantDebug; const char* Password; const char* Debug; bool OK; };
    const Case Cases[] = {
        {420, true, "", "DBG", true},     // not compressed
        {420, false, "", "<none>", true}, // debug part not wanted: none kept
        {450, true, "", "DBG", true},     // one zlib stream
        {502, true, "pw", "DBG", true},   // the right password
        {502, true, "no", "DBG", false},  // a wrong one: names will show as "?"
        {502, false, "", "<none>", true},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(testing::Message() << C.Version << " " << C.Password);
        const std::string Block = Seed(C.Version);
        ModuleRecord Rec;
        ReadDataBlock(Block.data(), Block.size(), C.WantDebug,
                      [&] { return AnsiString(C.Password); }, Rec);
        EXPECT_EQ(Rec.DataVersion, C.Version);
        EXPECT_EQ(double(Rec.CompiledDate), double(BlockDate));
        ASSERT_TRUE(Rec.Options);
        EXPECT_EQ(Rec.Options->SmtpHost, "smtp.example.test");
        EXPECT_EQ(Rec.Options->ErrorsNumberToSave, 5);
        EXPECT_EQ(Rec.Options->CustomTexts[2], "Ошибка."_a);
        EXPECT_EQ(Rec.Options->FilterMessages->Strings(0), "Stopped");
        EXPECT_EQ(DebugText(Rec), C.Debug);
        EXPECT_EQ(Rec.PasswordOK, C.OK);
    }
}

TEST(DataBlock, ProgramFileWithSectionTrailerOrNeither)
{
    const TempDir Dir;
    const ToolResult Copy = ProgramWithSection(Dir.Path(), Seed(502), Dir.Path() / "with-section");
    ASSERT_EQ(Copy.Status, 0) << Copy.Output;

    TRazuroModuleOptions O;
    SeedOptions(O);
    const std::string Program = ReadBytes("/bin/true");
    WriteBytes(Dir.Path() / "with-trailer",
               Program + BuildTrailerBlock(O, 502, BlockDate, "DBG"));
    // Four zero bytes at the end are no trailer.
    WriteBytes(Dir.Path() / "plain", Program + std::string(4, '\0'));

    struct Case { const char* File; bool Found; };
    const Case Cases[] = {{"with-section", true}, {"with-trailer", true}, {"plain", false}};
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.File);
        TFileStream File(AnsiString::FromUtf8((Dir.Path() / C.File).string()), fmOpenRead);
        ModuleRecord Rec;
        EXPECT_EQ(ReadModuleBlock(File, true, [] { return AnsiString("pw"); }, Rec), C.Found);
        if (C.Found) {
            EXPECT_EQ(Rec.Options->SmtpHost, "smtp.example.test");
            EXPECT_EQ(DebugText(Rec), "DBG");
        }
    }
}

TEST(DataBlock, FileStreamFindsSectionsAsMemoryDoesAndKeepsItsPlace)
{
    // A file is read in place, beside the stream's own read-ahead: the
    // answers must be those of the same bytes in memory, and the stream
    // must go on reading where it stood, also past its read-ahead block.
    const TempDir Dir;
    const fs::path Program = Dir.Path() / "program";
    // Debug bytes that do not pack, so that the file is far longer than a
    // read-ahead block.
    std::string Debug(300000, '\0');
    uint32_t Noise = 12345;
    for (char& C : Debug) {
        Noise = Noise * 1103515245u + 12345u;
        C = char(Noise >> 24);
    }
    const ToolResult Copy = ProgramWithSection(Dir.Path(), Seed(502, Debug), Program);
    ASSERT_EQ(Copy.Status, 0) << Copy.Output;
    const std::string Bytes = ReadBytes(Program);
    ASSERT_GT(Bytes.size(), Debug.size());
    const char* const Names[] = {
        ".interp",    // near the start
        ".text",      // in the middle
        ".eldata",    // added last, at the end
        ".shstrtab",  // the names table itself
        ".nothere",   // missing
    };
    for (const char* Name : Names) {
        SCOPED_TRACE(Name);
        TFileStream File(AnsiString::FromUtf8(Program.string()), fmOpenRead);
        std::string Read(16, '\0');
        File.SetPosition(100);
        File.ReadBuffer(Read.data(), int(Read.size()));
        MemoryBlockStream Memory(Bytes.data(), Bytes.size());
        Int64 FileOffset = -1, FileSize = -1, MemoryOffset = -1, MemorySize = -1;
        EXPECT_EQ(FindElfSection(File, Name, FileOffset, FileSize),
                  FindElfSection(Memory, Name, MemoryOffset, MemorySize));
        EXPECT_EQ(FileOffset, MemoryOffset);
        EXPECT_EQ(FileSize, MemorySize);
        std::string Rest(Bytes.size() - 116, '\0');
        File.ReadBuffer(Rest.data(), int(Rest.size()));
        EXPECT_TRUE(Read + Rest == Bytes.substr(100)) << "the stream lost its place";
    }
}

TEST(DataBlock, DebugPartOfAProgramFileOutlivesItsStreamAndTheFile)
{
    // The debug part is read only when a failure asks for it, after the
    // stream is gone and maybe after the program file was replaced or
    // removed (an update): it must still be the block's own.
    const TempDir Dir;
    const fs::path Program = Dir.Path() / "program";
    const ToolResult Copy =
        ProgramWithSection(Dir.Path(), Seed(502, std::string(100000, 'D')), Program);
    ASSERT_EQ(Copy.Status, 0) << Copy.Output;
    for (const bool Replace : {true, false}) {
        SCOPED_TRACE(Replace ? "replaced" : "removed");
        ModuleRecord Rec;
        {
            TFileStream File(AnsiString::FromUtf8(Program.string()), fmOpenRead);
            ASSERT_TRUE(ReadModuleBlock(File, true, [] { return AnsiString("pw"); }, Rec));
        }
        const fs::path Kept = Dir.Path() / "kept";
        fs::copy_file(Program, Kept, fs::copy_options::overwrite_existing);
        if (Replace) {
            WriteBytes(Dir.Path() / "new", ReadBytes("/bin/true"));
            fs::rename(Dir.Path() / "new", Program);
        } else {
            fs::remove(Program);
        }
        EXPECT_EQ(DebugText(Rec), AnsiString(std::string(100000, 'D').c_str()));
        fs::rename(Kept, Program);
    }
}

TEST(DataBlock, BrokenBlocksAreRefusedCleanly)
{
    // Each file of broken/ with the error it must give.
    const std::map<std::string, std::pair<std::string, std::string>> Expected = {
        {"bad-magic.bin", {"EDataBlockError", "Bad data block: magic"}},
        {"cut-header.bin", {"EDataBlockError", "Bad data block: date"}},
        {"options-length-past-end.bin", {"EDataBlockError", "Bad data block: options length"}},
        {"skipped-length-past-end.bin", {"EDataBlockError", "Bad data block: skipped part length"}},
        {"options-not-zlib.bin", {"EZLibError", "data error"}},
        {"options-cut.bin", {"EZLibError", "buffer error"}},
        {"debug-length-past-end.bin", {"EDataBlockError", "Bad data block: debug data length"}},
        {"old-format-cut.bin", {"EReadError", "Stream read error"}},
        {"old-format-not-zlib.bin", {"EZLibError", "data error"}},
        {"filter-count-huge.bin", {"EReadError", "Stream read error"}},
        // Refused at sixteen times the packed size, long before the limits.
        {"debug-part-bomb.bin", {"EZLibError", "Decompressed data exceed the limit"}},
        {"options-bomb.bin", {"EZLibError", "Decompressed data exceed the limit"}},
    };
    int Seen = 0;
    for (const auto& Entry : fs::directory_iterator(Data() / "broken")) {
        const std::string Name = Entry.path().filename().string();
        if (Name.ends_with(".py"))
            continue;
        SCOPED_TRACE(Name);
        const auto It = Expected.find(Name);
        ASSERT_NE(It, Expected.end()) << "no expected error for this file";
        ++Seen;
        const std::string Bytes = ReadBytes(Entry.path());
        ModuleRecord Rec;
        // A damaged debug part is refused when it is first used; the
        // options still count.
        const bool DebugPart = Name.starts_with("debug-");
        try {
            ReadDataBlock(Bytes.data(), Bytes.size(), true, [] { return AnsiString("pw"); }, Rec);
            EXPECT_TRUE(DebugPart) << "accepted";
            EXPECT_TRUE(Rec.Options);
            (void)ModuleDebugData(Rec);
            ADD_FAILURE() << "accepted";
        } catch (const Exception& E) {
            EXPECT_EQ(E.ClassName(), It->second.first);
            EXPECT_EQ(E.Message, AnsiString(It->second.second));
        }
        if (!DebugPart) {
            EXPECT_FALSE(Rec.Options) << "a refused block must leave the record alone";
        }
        EXPECT_EQ(ModuleDebugData(Rec), nullptr) << "a refused debug part is dropped";
    }
    EXPECT_EQ(Seen, int(Expected.size()));
}

TEST(DataBlock, TrailerLengthPastTheFileIsRefused)
{
    std::string File = "ab";
    File += std::string("\xFF\xFF\x00\x00", 4);
    File += std::string("\x10\xAB\x0F\x00", 4);
    MemoryBlockStream S(File.data(), File.size());
    ModuleRecord Rec;
    ExpectRaises<EDataBlockError>([&] { (void)ReadModuleBlock(S, true, nullptr, Rec); },
                                  "Bad data block: trailer length");
}

TEST(ExceptionLog, InactiveWithoutBlockActiveWithIt)
{
    // The test program carries no block: the start-up test left it off.
    EXPECT_FALSE(ExceptionLogActive());
    EXPECT_EQ(GlobalOptions(), nullptr);

    const TempDir Dir;
    const std::string Program = ReadBytes("/bin/true");
    WriteBytes(Dir.Path() / "zeros", Program + std::string(4, '\0'));
    const ProgramLogCapture Log;
    EXPECT_FALSE(ActivateExceptionLog(AnsiString::FromUtf8((Dir.Path() / "zeros").string())));
    EXPECT_TRUE(ProgramLogCapture::Lines().empty());

    TRazuroModuleOptions O;
    SeedOptions(O);
    WriteBytes(Dir.Path() / "good", Program + BuildTrailerBlock(O, 502, BlockDate, "DBG"));
    ASSERT_TRUE(ActivateExceptionLog(AnsiString::FromUtf8((Dir.Path() / "good").string())));
    ASSERT_NE(MainModuleRecord(), nullptr);
    EXPECT_EQ(MainModuleRecord()->Options->SmtpHost, "smtp.example.test");
    EXPECT_EQ(MainModuleRecord()->Kind, 1);
    EXPECT_NE(GlobalOptions(), nullptr);
    DeactivateExceptionLog();
    EXPECT_FALSE(ExceptionLogActive());
    EXPECT_EQ(MainModuleRecord(), nullptr);
}

TEST(ExceptionLog, ProgramWithABlockStartsActive)
{
    // Run as a copy of this program that carries a block: the start-up test
    // found it before main.
    if (std::getenv("PRICETAGS_EXPECT_ACTIVE")) {
        ASSERT_TRUE(ExceptionLogActive());
        EXPECT_EQ(MainModuleRecord()->Options->SmtpHost, "smtp.example.test");
        EXPECT_EQ(MainModuleRecord()->DataVersion, 502);
        EXPECT_EQ(ExceptionLogModuleName(), ParamStr(0));
        return;
    }
    const TempDir Dir;
    WriteBytes(Dir.Path() / "block.bin", Seed(502));
    const std::string Copy = (Dir.Path() / "with-block").string();
    const ToolResult Made = RunTool("objcopy --add-section .eldata='" +
                                    (Dir.Path() / "block.bin").string() +
                                    "' --set-section-flags .eldata=noload,readonly '" +
                                    ParamStr(0).ToUtf8() + "' '" + Copy + "' 2>&1");
    ASSERT_EQ(Made.Status, 0) << Made.Output;
    const ToolResult Run =
        RunTool("PRICETAGS_EXPECT_ACTIVE=1 '" + Copy +
                "' --gtest_filter=ExceptionLog.ProgramWithABlockStartsActive 2>&1");
    EXPECT_EQ(Run.Status, 0) << Run.Output;
    EXPECT_NE(Run.Output.find("[  PASSED  ] 1 test"), std::string::npos) << Run.Output;
}

TEST(ExceptionLog, DamagedBlockLeavesItOffWithOneProgramLogLine)
{
    const TempDir Dir;
    std::string Body = std::string("\xF4\x01", 2) + std::string(8, '\0') + "garbage";
    std::string File = ReadBytes("/bin/true") + Body;
    File += std::string(1, char(Body.size())) + std::string(3, '\0');
    File += std::string("\x10\xAB\x0F\x00", 4);
    WriteBytes(Dir.Path() / "damaged", File);
    const ProgramLogCapture Log;
    const AnsiString Name = AnsiString::FromUtf8((Dir.Path() / "damaged").string());
    EXPECT_FALSE(ActivateExceptionLog(Name));
    EXPECT_FALSE(ExceptionLogActive());
    ASSERT_EQ(ProgramLogCapture::Lines().size(), 1u);
    EXPECT_EQ(ProgramLogCapture::Lines()[0],
              "Exception log off: Stream read error (" + Name + ")");
}

TEST(ExceptionLog, ProgramLogLineGoesToTheStartupFolder)
{
    const TempDir Dir;
    const std::string Program = ReadBytes("/bin/true");
    // A trailer of 16 bytes: too short for the options it must hold.
    const std::string Trailer("\x10\x00\x00\x00\x10\xAB\x0F\x00", 8);
    WriteBytes(Dir.Path() / "damaged", Program + Trailer);
    {
        const CurrentDirScope Cwd(Dir.Path());
        EXPECT_FALSE(ActivateExceptionLog(AnsiString::FromUtf8((Dir.Path() / "damaged").string())));
    }
    const std::string Log = ReadBytes(Dir.Path() / "exceptionlog_tests.log");
    EXPECT_NE(Log.find(": Exception log off: Stream read error ("), std::string::npos) << Log;
    EXPECT_TRUE(Log.ends_with(")\r\n"));
}

TEST(ExceptionLog, ProgramOptionsSwitchHangDetection)
{
    static std::vector<bool> Switched;
    Switched.clear();
    const HangDetectionSwitch Old = SetHangDetectionSwitch([](bool On) { Switched.push_back(On); });
    const TempDir Dir;
    TRazuroModuleOptions O;
    const AnsiString Program = AnsiString::FromUtf8((Dir.Path() / "program").string());
    WriteBytes(Dir.Path() / "program",
               ReadBytes("/bin/true") + BuildTrailerBlock(O, 502, BlockDate, ""));
    ASSERT_TRUE(ActivateExceptionLog(Program));
    TRazuroModuleOptions& Own = *MainModuleRecord()->Options;
    Own.SetFreezeActive(true);   // Activate is set too: on
    Own.SetActivate(false);      // off
    Own.SetActivate(true);       // on again
    // Options of another module only store the value.
    TRazuroModuleOptionsEx Other("/usr/lib/other.so", true);
    Other.SetFreezeActive(true);
    EXPECT_EQ(Switched, (std::vector<bool>{true, false, true}));
    DeactivateExceptionLog();
    SetHangDetectionSwitch(Old);
}

TEST(ExceptionLog, PasswordRequestRunsHandlersAndCutsTheResult)
{
    AddPasswordRequestHandler(AskFor);
    EXPECT_EQ(RequestPassword(), "pw");
    unsigned char Buffer[256] = {3, 'o', 'l', 'd'};
    RazuroLog_PasswordRequestEvent(Buffer, 1);
    EXPECT_EQ(Buffer[0], 1);
    EXPECT_EQ(Buffer[1], 'p');
    RemovePasswordRequestHandler(AskFor);
    EXPECT_EQ(RequestPassword(), "");
}

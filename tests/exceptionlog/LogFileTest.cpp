#include "exceptionlog/LogFile.h"

#include "exceptionlog/LogText.h"
#include "exceptionlog/ModuleOptions.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/StrUtils.h"

#include "tests/exceptionlog/ExternalTools.h"
#include "tests/exceptionlog/ReportFixture.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <map>
#include <string>

namespace fs = std::filesystem;

namespace {

AnsiString Report(int Width, const AnsiString& Message = AnsiString())
{
    ReportFixture F(Width);
    if (!Message.IsEmpty())
        F.Data.Fields[gfMessage] = Message;
    return BuildReportText(F.Data, F.Options).Report;
}

fs::path Data()
{
    return TestData() / "LogFile";
}

// N reports whose messages are "m1".."mN".
void FillLog(TLogFile& Log, int N)
{
    for (int I = 1; I <= N; ++I)
        Log.Add(Report(16, "m" + AnsiString(std::to_string(I))), 100);
}

}  // namespace

TEST(LogFile, SaveAndLoadKeepTheReports)
{
    const TempDir Dir;
    const AnsiString Name = Dir.File("pricetags.elf");
    {
        TLogFile Log(Name, false);
        EXPECT_EQ(Log.Count(), 0);
        Log.Add(Report(16, "first"), 32);
        Log.Add(Report(8, "second"), 32);
        Log.Save();
    }
    const std::string Bytes = ReadBytes(Dir.Path() / "pricetags.elf");
    ExpectMatchesGolden(Bytes, Data() / "two-reports.elf");
    // Reports are separated by four line breaks; the file has no closing one.
    EXPECT_NE(Bytes.find("\r\n\r\n\r\n\r\nRazuroLog 5.1.3"), std::string::npos);
    EXPECT_TRUE(Bytes.ends_with("................\r\n\r\n\r\n"));
    TLogFile Back(Name, true);
    ASSERT_EQ(Back.Count(), 2);
    EXPECT_EQ(Back.GetValue(0, "2.5"), "first");
    EXPECT_EQ(Back.GetValue(1, "2.5"), "second");
    EXPECT_EQ(Back.GetValue(1, "2.2"), "00401A2B");
    // Saved again, the file does not change.
    TLogFile Again(Name, false);
    Again.Save();
    TLogFile Third(Name, true);
    EXPECT_EQ(Third.Text(), Back.Text());

    // Lone LF (or CR) line ends load the same reports.
    std::string Lf = Bytes;
    for (size_t P; (P = Lf.find("\r\n")) != std::string::npos;)
        Lf.replace(P, 2, "\n");
    EXPECT_EQ(TLogFile::ParseLogText(AnsiString(Lf)).size(), 2u);
    std::string Cr = Bytes;
    for (size_t P; (P = Cr.find("\r\n")) != std::string::npos;)
        Cr.replace(P, 2, "\r");
    EXPECT_EQ(TLogFile::ParseLogText(AnsiString(Cr)), TLogFile::ParseLogText(AnsiString(Bytes)));
}

TEST(LogFile, AddKeepsTheNewestUpToTheLimit)
{
    struct Case { int Limit; int Left; const char* Oldest; };
    const Case Cases[] = {
        {3, 3, "m4"},   // three oldest of five dropped, the new one last
        {10, 6, "m1"},
        {1, 1, "new"},
        {0, 1, "new"},  // a limit below 1 keeps the newest report
        {-5, 1, "new"},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Limit);
        TLogFile Log("", false);
        FillLog(Log, 5);
        Log.Add(Report(16, "new"), C.Limit);
        EXPECT_EQ(Log.Count(), C.Left);
        EXPECT_EQ(Log.GetValue(0, "2.5"), C.Oldest);
        EXPECT_EQ(Log.GetValue(Log.Count() - 1, "2.5"), "new");
    }
}

TEST(LogFile, FailedSaveLeavesTheOldLog)
{
    const TempDir Dir;
    const AnsiString Name = Dir.File("pricetags.elf");
    TLogFile Log(Name, false);
    Log.Add(Report(16, "kept"), 32);
    Log.Save();
    const std::string Before = ReadBytes(Dir.Path() / "pricetags.elf");
    // The temporary file cannot be made: a folder stands in its place.
    const AnsiString Temp = Name + ".tmp" + AnsiString(std::to_string(getpid()));
    fs::create_directory(Temp.ToUtf8());
    Log.Add(Report(16, "lost"), 32);
    ExpectRaises<EFCreateError>([&] { Log.Save(); }, "Cannot create file " + Temp);
    EXPECT_EQ(ReadBytes(Dir.Path() / "pricetags.elf"), Before);
}

TEST(LogFile, ValuesAndDuplicateTest)
{
    const AnsiString Message = "Line one: with colon\r\n\r\nline three";
    TLogFile Log("", false);
    Log.Add(Report(16, Message), 32);
    EXPECT_EQ(Log.GetValue(0, "2.5"), "Line one:_with colon\r\n.\r\nline three");
    EXPECT_EQ(Log.GetValue(0, "2.4"), "EConvertError");
    EXPECT_EQ(Log.GetValue(0, "9.9"), "");
    EXPECT_EQ(Log.GetValue(5, "2.4"), "");
    const std::vector<AnsiString> Ids = {"2.2", "2.3", "2.4", "2.5"};
    EXPECT_TRUE(Log.Find(Ids, {"0000000000401A2B", "pricetags", "EConvertError", Message}));
    EXPECT_FALSE(Log.Find(Ids, {"0000000000401A2B", "pricetags", "EConvertError", "other"}));
    EXPECT_FALSE(Log.Matches(3, Ids, {"", "", "", ""}));
}

TEST(LogFile, SectionReaders)
{
    TLogFile Log("", false);
    Log.Add(Report(16), 32);
    const AnsiString G = Log.GetGeneral(0);
    EXPECT_EQ(G.Pos("RazuroLog 5.1.3\r\n\r\nApplication:"), 1);
    EXPECT_EQ(G.SubString(G.Length() - 17, 18), "6.6 DHCP      : ON");
    const AnsiString CS = Log.GetCallStack(0);
    EXPECT_EQ(CS.Pos("-----"), 1);
    EXPECT_GT(CS.Pos("|Exception Thread: ID=1200"), 0);
    EXPECT_EQ(CS.SubString(CS.Length() - 4, 5), "-\r\n\r\n");
    const AnsiString M = Log.GetModules(0);
    EXPECT_GT(M.Pos("|Handle          |Name"), 0);
    EXPECT_EQ(M.Pos("Exception Thread"), 0);
    const AnsiString CPU = Log.GetCPU(0);
    EXPECT_EQ(CPU.Pos("Registers:\r\n"), 1);
    EXPECT_GT(CPU.Pos("00007FFFFFFFE078: 7F7E7D7C7B7A7978"), 0);

    // Without the modules table and registers, those readers give ''.
    ReportFixture F(16);
    F.Options.LogOptions = 0;
    TLogFile Short("", false);
    Short.Add(BuildReportText(F.Data, F.Options).Report, 32);
    EXPECT_EQ(Short.GetModules(0), "");
    EXPECT_EQ(Short.GetCPU(0), "");
    EXPECT_NE(Short.GetCallStack(0), "");
}

TEST(LogFile, XMLEscapeWritesCodePoints)
{
    struct Case { AnsiString In; const char* Out; };
    const Case Cases[] = {
        {"a<b", "a&#060;b"},
        {"\t", "&#009;"},
        {"\"&'>", "&#034;&#038;&#039;&#062;"},
        {"\xC0", "&#1040;"},          // Cyrillic А, not Latin À
        {"Ценник"_a, "&#1062;&#1077;&#1085;&#1085;&#1080;&#1082;"},
        {"\xB9", "&#8470;"},          // the numero sign
        {"a\x01z", "az"},              // control characters XML cannot hold are dropped
        {AnsiString("\x98", 1), "&#152;"},  // the one undefined byte keeps its own code
        {"", ""},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Out);
        EXPECT_EQ(XMLEscape(C.In), C.Out);
    }
    TXMLItem Empty("Empty");
    Empty.AddAttribute("A", "1");
    AnsiString Out;
    Empty.GetXML(Out);
    EXPECT_EQ(Out, "<Empty A=\"1\"/>\r\n");
}

TEST(LogFile, XMLMatchesGoldenAndParses)
{
    const TempDir Dir;
    for (const int Width : {8, 16}) {
        SCOPED_TRACE(Width);
        TLogFile Log("", false);
        Log.Add(Report(Width), 32);
        Log.Add(Report(Width, "second"), 32);
        const AnsiString XML = Log.LogToXML();
        ExpectMatchesGolden(XML.Std(),
                            Data() / "golden" / ("log-" + std::to_string(Width) + ".xml"));
        const fs::path File = Dir.Path() / ("log-" + std::to_string(Width) + ".xml");
        Log.SaveToXML(AnsiString::FromUtf8(File.string()));
        // The file is the text written a report at a time, lines ended.
        EXPECT_EQ(ReadBytes(File), XML.Std() + "\r\n");
        // Python's parser reads it; the Cyrillic form text comes back as such.
        const ToolResult Py = RunTool(
            "PYTHONIOENCODING=utf-8 /usr/bin/python3 -c \"import sys, xml.dom.minidom as m\n"
            "d = m.parse(sys.argv[1])\n"
            "logs = d.getElementsByTagName('Log')\n"
            "print(len(logs))\n"
            "for l in d.getElementsByTagName('Line'):\n"
            "    if l.getAttribute('ID') == '3.2': print(l.getAttribute('Value'))\n"
            "print(d.getElementsByTagName('Registers')[0].attributes.length)\n"
            "print(d.getElementsByTagName('ExceptionThread')[0].getAttribute('MainThread'))\n"
            "print(len(d.getElementsByTagName('RunningThread')))\n"
            "print(len(d.getElementsByTagName('Module')))\n"
            "print(len(d.getElementsByTagName('HoToReproduce')))\" '" +
            File.string() + "' 2>&1");
        ASSERT_EQ(Py.Status, 0) << Py.Output;
        EXPECT_EQ(Py.Output, "2\nЦенники\nЦенники\n8\nTrue\n2\n4\n0\n");
    }
}

TEST(LogFile, XMLCopyOfAHugeTableIsBounded)
{
    // A hundred thousand empty call-stack rows: the copy stops at its line
    // limit (far above any real report) instead of growing a hundred times
    // the log's size; the rows before the limit are all there.
    const std::string R = Report(16).Std();
    // Before the rule that closes the call-stack table.
    const size_t Close = R.find("-\r\n\r\n", R.find("Call Stack Information"));
    ASSERT_NE(Close, std::string::npos);
    const size_t At = R.rfind("\r\n", Close) + 2;
    std::string Rows;
    for (int I = 0; I < 100000; ++I)
        Rows += "|||||||\r\n";
    TLogFile Log("", false);
    Log.Add(AnsiString(R.substr(0, At) + Rows + R.substr(At)), 32);
    const std::string XML = Log.ToXML(0).Std();
    size_t Lines = 0;
    for (size_t P = XML.find("<Line Address=\"\""); P != std::string::npos;
         P = XML.find("<Line Address=\"\"", P + 1))
        ++Lines;
    EXPECT_GT(Lines, 19000u);
    EXPECT_LT(Lines, 20000u);
    EXPECT_LT(XML.size(), size_t(4) << 20);
}

TEST(LogFile, OldReportsGetTheReproduceElement)
{
    AnsiString R = Report(8);
    R = StringReplace(R, "RazuroLog 5.1.3", "RazuroLog 4.9", TReplaceFlags());
    TLogFile Log("", false);
    Log.Add(R, 32);
    const AnsiString XML = Log.ToXML(0);
    EXPECT_EQ(XML.Pos("<Log Version=\"4.9\">"), 1);
    EXPECT_GT(XML.Pos("<HoToReproduce Text="), 0);
    // Below 5.0.0 every line sits in one exception thread.
    EXPECT_EQ(XML.Pos("RunningThread"), 0);
}

TEST(LogFile, LogFileName)
{
    TRazuroModuleOptions O;
    EXPECT_EQ(LogFileName(O, "/shop", "/opt/pricetags/pricetags", "KASSA"), "/shop/pricetags.elf");
    O.LogOptions |= 0x08;
    EXPECT_EQ(LogFileName(O, "/shop", "pricetags", "KASSA"), "/shop/pricetags_KASSA.elf");
    O.OutputPath = "/var/log/shop";
    EXPECT_EQ(LogFileName(O, "/shop", "pricetags", "KASSA"), "/var/log/shop/pricetags_KASSA.elf");
    O.OutputPath = "/var/log/errors.ELF";
    EXPECT_EQ(LogFileName(O, "/shop", "pricetags", "KASSA"), "/var/log/errors.ELF");
}

TEST(LogFile, BrokenLogsLoadWhatIsSound)
{
    // Each file of broken/ with the number of reports it still yields.
    const std::map<std::string, size_t> Expected = {
        {"binary-garbage.elf", 0},
        {"no-table.elf", 0},
        {"cut-in-the-middle.elf", 1},
        {"nul-bytes-and-long-breaks.elf", 1},
        {"only-line-breaks.elf", 0},
    };
    size_t Seen = 0;
    for (const auto& Entry : fs::directory_iterator(Data() / "broken")) {
        const std::string Name = Entry.path().filename().string();
        if (Name.ends_with(".py"))
            continue;
        SCOPED_TRACE(Name);
        const auto It = Expected.find(Name);
        ASSERT_NE(It, Expected.end()) << "no expected count for this file";
        ++Seen;
        TLogFile Log(AnsiString::FromUtf8(Entry.path().string()), true);
        EXPECT_EQ(size_t(Log.Count()), It->second);
        for (int I = 0; I < Log.Count(); ++I)
            EXPECT_EQ(Log.ToXML(I).Pos("<Log Version="), 1);
    }
    EXPECT_EQ(Seen, Expected.size());
}

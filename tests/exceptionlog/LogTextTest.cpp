#include "exceptionlog/LogText.h"

#include "exceptionlog/ModuleOptions.h"
#include "exceptionlog/SystemInfo.h"

#include "platform/classes/Strings.h"
#include "platform/rtl/FormatSettings.h"

#include "tests/exceptionlog/ReportFixture.h"
#include "tests/support/SettingsScope.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>

TEST(LogItem, NumbersAlignsAndDropsHiddenSections)
{
    TLogItem Item(0);
    Item.AddSection("Application");
    Item.AddLine("Start Date", "today");
    Item.AddLine("Name/Description", "hidden", false);
    Item.AddLine("Version Number", "1.0");
    Item.AddSection("Hidden");
    Item.AddLine("Nothing", "x", false);
    Item.AddSection("Exception");
    Item.AddLine("Message", "First: line\r\n\r\n  second  ");
    AnsiString Out;
    Item.Format(Out);
    EXPECT_EQ(Out,
              "Application:\r\n"
              "---------------------------\r\n"
              "  1.1 Start Date    : today\r\n"
              // the hidden 1.2 keeps its number
              "  1.3 Version Number: 1.0\r\n"
              "\r\n"
              // section 2 had no visible field and is gone; 3 keeps its number
              "Exception:\r\n"
              "--------------------------\r\n"
              "  3.1 Message: First:_line\r\n"
              "               .\r\n"
              "               second");
}

TEST(LogText, MailDateAndUpTime)
{
    const TDateTime T = EncodeDate(2009, 3, 3) + EncodeTime(14, 5, 9, 0);
    struct DateCase { int Offset; const char* Text; };
    const DateCase Dates[] = {
        {180, "Tue, 3 Mar 2009 14:05:09 +0300"},
        {-300, "Tue, 3 Mar 2009 14:05:09 -0500"},
        {330, "Tue, 3 Mar 2009 14:05:09 +0530"},   // half-hour zones keep their minutes
        {-570, "Tue, 3 Mar 2009 14:05:09 -0930"},
    };
    for (const DateCase& C : Dates) {
        SCOPED_TRACE(C.Offset);
        EXPECT_EQ(MailDateText(T, C.Offset), C.Text);
    }
    struct UpCase { uint64_t Seconds; const char* Text; };
    const UpCase Ups[] = {
        {90061, "1 day, 1 hour, 1 minute, 1 second"},
        {59, "0 minute, 59 seconds"},
        {2 * 86400 + 120, "2 days, 2 minutes, 0 second"},  // zero hours left out
    };
    for (const UpCase& C : Ups) {
        SCOPED_TRACE(C.Seconds);
        EXPECT_EQ(UpTimeText(C.Seconds), C.Text);
    }
}

TEST(LogText, ReportMatchesGoldenAtBothWidths)
{
    for (const int Width : {8, 16}) {
        SCOPED_TRACE(Width);
        const ReportFixture F(Width);
        const ReportTexts R = BuildReportText(F.Data, F.Options);
        ExpectMatchesGolden(R.Report.Std(), TestData() / "LogText" / "golden" /
                                                ("report-" + std::to_string(Width) + ".txt"));
        EXPECT_EQ(R.Report.Pos(R.General), 1);
        EXPECT_EQ(R.Report.SubString(R.Report.Length() - R.CPU.Length() + 1, R.CPU.Length()),
                  R.CPU);
    }
}

TEST(LogText, SwitchesOfTheOptions)
{
    ReportFixture F(16);
    F.Options.LogOptions = 0;               // no modules table, no registers
    F.Options.CallStackOptions |= csoLineOffsets;
    F.Options.SetLogField(gfParameters, false);
    F.Data.GUIApplication = false;          // no "Active Controls" section
    F.Data.Context.reset();
    const ReportTexts R = BuildReportText(F.Data, F.Options);
    EXPECT_EQ(R.Report.Pos("Active Controls"), 0);
    EXPECT_EQ(R.Report.Pos("1.4 "), 0);
    EXPECT_GT(R.Report.Pos("1.5 Compilation Date"), 0);
    EXPECT_GT(R.Report.Pos("|42[3]|"), 0);
    EXPECT_GT(R.Report.Pos("Modules Information:\r\n--------------------\r\n\r\n"), 0);
    EXPECT_EQ(R.CPU, "Registers:\r\n----------\r\n\r\n");

    // Without a context the registers show question marks.
    F.Options.LogOptions = loCPU;
    for (const int Width : {8, 16}) {
        F.Data.AddressWidth = Width;
        const AnsiString CPU = CPUText(F.Data, F.Options);
        SCOPED_TRACE(CPU.ToUtf8());
        EXPECT_GT(CPU.Pos(Width == 8 ? "EAX: ????       EDI: ????    \r\n"
                                     : "RAX: ????               RDI: ????            \r\n"),
                  0);
    }
}

TEST(LogText, CallStackWithoutListHasHeaderOnly)
{
    ReportFixture F(8);
    F.Data.CallStack = nullptr;
    EXPECT_EQ(CallStackText(F.Data, F.Options),
              "Call Stack Information:\r\n"
              "--------------------------------------------------\r\n"
              "|Address |Module|Unit|Class|Procedure/Method|Line|\r\n"
              "--------------------------------------------------\r\n"
              "--------------------------------------------------\r\n\r\n");
}

TEST(LogText, ExceptionFields)
{
    EXPECT_EQ(ExceptionAddressText(0, 16), "");
    EXPECT_EQ(ExceptionAddressText(0x401A2B, 8), "00401A2B");
    EXPECT_EQ(ExceptionTypeText(""), "Unknown exception type.");
    EXPECT_EQ(ExceptionTypeText("EAbort"), "EAbort");
    EXPECT_EQ(ExceptionMessageText("Bad value", true), "Bad value.");
    EXPECT_EQ(ExceptionMessageText("Done.", true), "Done.");
    EXPECT_EQ(ExceptionMessageText("", true), ".");
    EXPECT_EQ(ExceptionMessageText("x", false), "Unknown error message.");
    EXPECT_EQ(ControlText("a\r\n\tb"), "a b");
    EXPECT_EQ(ControlText(AnsiString(std::string(300, 'x'))).Length(), 255);
}

TEST(LogText, ExceptionFilterIndex)
{
    TRazuroModuleOptions O;
    O.FilterClasses->Add("EAbort");
    O.FilterClasses->Add("EConvertError");
    EXPECT_EQ(ExceptionFilterIndex(O, "EConvertError"), 1);
    EXPECT_EQ(ExceptionFilterIndex(O, "EReadError"), -1);
    EXPECT_EQ(ExceptionFilterIndex(O, "x", [](const AnsiString& N) { return N == "EAbort"; }), 0);
}

TEST(SystemInfo, Parsers)
{
    EXPECT_EQ(PaddedIPv4(0x0A000001), "010.000.000.001");
    EXPECT_EQ(PaddedIPv4(0), "000.000.000.000");

    const std::vector<AdapterInfo> Two = {{0x0A000001, 0xFFFFFF00, 0x0A0000FE, true},
                                          {0xC0A80105, 0xFFFF0000, 0, false}};
    const auto Net = NetworkFieldTexts(Two, {0x08080808});
    EXPECT_EQ(Net[0], "010.000.000.001 - 192.168.001.005");
    EXPECT_EQ(Net[2], "010.000.000.254 - 000.000.000.000");
    EXPECT_EQ(Net[3], "008.008.008.008 - 008.008.008.008");
    EXPECT_EQ(Net[4], "000.000.000.000 - 000.000.000.000");  // one server: DNS 2 is zeros
    EXPECT_EQ(Net[5], "ON               - OFF             ");
    EXPECT_EQ(NetworkFieldTexts({}, {})[0], "");

    EXPECT_EQ(ParseResolvConf("# comment\nnameserver 10.0.0.2\nsearch lan\n"
                              "nameserver ::1\nnameserver 1.1.1.1\n"),
              (std::vector<uint32_t>{0x0A000002, 0x01010101}));
    const std::string Route =
        "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\n"
        "eth0\t0000000A\t00000000\t0001\t0\t0\t0\t00FFFFFF\n"
        "eth0\t00000000\t0100000A\t0003\t0\t0\t0\t00000000\n";
    EXPECT_EQ(ParseDefaultGateway(Route, "eth0"), 0x0A000001u);
    EXPECT_EQ(ParseDefaultGateway(Route, "wlan0"), 0u);

    EXPECT_EQ(ParseProcessor("processor\t: 0\nvendor_id\t: GenuineIntel\nmodel name\t: "
                             "Intel(R) Core(TM) i5 CPU  \n"),
              "Intel(R) Core(TM) i5 CPU");
    EXPECT_EQ(ParseProcessor("vendor_id\t: AuthenticAMD\ncpu family\t: 23\n"), "AuthenticAMD - 23");
    EXPECT_EQ(ParseProcessor(""), "Unknown processor");

    EXPECT_EQ(LanguageNameOfLocale("ru_RU.UTF-8"), "Russian");
    EXPECT_EQ(LanguageNameOfLocale("C.UTF-8"), "English");
    EXPECT_EQ(LanguageNameOfLocale("xx_YY"), "xx");

    const RussianSettingsScope Ru;
    EXPECT_EQ(MegabytesText(2047ull * 1048576 + 600000), "2048 Mb");
    EXPECT_EQ(GigabytesText(13421772800ull), "12,5 Gb");
    EXPECT_EQ(ParametersText({"a b", "c"}), "\"a b\" \"c\"");
    EXPECT_EQ(ParametersText({}), "");
    EXPECT_EQ(FileVersionText("/usr/lib/x86_64-linux-gnu/libz.so.1.2.13"), "1.2.13");
    EXPECT_EQ(FileVersionText("/bin/true"), "0.0.0.0");
}

TEST(SystemInfo, LiveFieldsAreFilled)
{
    ReportData D;
    FillSystemFields(D, nullptr);
    EXPECT_FALSE(D.Fields[gfStartDate].IsEmpty());
    EXPECT_FALSE(D.Fields[gfComputerName].IsEmpty());
    EXPECT_GT(D.Fields[gfTotalMemory].Pos(" Mb"), 0);
    EXPECT_GT(D.Fields[gfTotalDisk].Pos(" Gb"), 0);
    EXPECT_FALSE(D.Fields[gfProcessor].IsEmpty());
    EXPECT_FALSE(D.Fields[gfSystemType].IsEmpty());
    EXPECT_FALSE(D.Fields[gfBuild].IsEmpty());
    // No application object in this test program: no screen.
    EXPECT_EQ(D.Fields[gfDisplayMode], "");
    EXPECT_EQ(D.Fields[gfCompilationDate], "");
}

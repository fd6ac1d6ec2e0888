#include "common/base/Funcs.h"

#include "common/base/IniFiles.h"

#include "platform/rtl/DateTime.h"
#include "platform/rtl/Files.h"

#include "tests/support/SettingsScope.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TDateTime FixedNow()
{
    return EncodeDate(2024, 3, 5) + EncodeTime(14, 7, 9, 0);
}

/// The date and time every entry starts with under FixedNow.
AnsiString Stamp()
{
    return DateTimeToStr(FixedNow()) + ": ";
}

/// The program's folder and name pointed at a temporary folder, the default
/// log hook, a fixed clock and Russian settings; all restored afterwards.
class FuncsLog : public testing::Test {
protected:
    void SetUp() override
    {
        FOldStart = GetStartDir();
        FOldExe = GetExeName();
        FOldHook = gLogHook;
        FOldNow = SetNowSource(FixedNow);
        SetAppLocation(AnsiString::FromUtf8(FTmp.Path().string()), "pricetags");
        InstallDefaultLogHook();
    }
    void TearDown() override
    {
        SetAppLocation(FOldStart, FOldExe);
        gLogHook = FOldHook;
        SetNowSource(FOldNow);
    }

    std::string LogBytes() const { return ReadBytes(FTmp.Path() / "pricetags.log"); }

    const RussianSettingsScope FRu;
    TempDir FTmp;

private:
    AnsiString FOldStart;
    AnsiString FOldExe;
    TLogHook FOldHook = nullptr;
    NowSource FOldNow = nullptr;
};

} // namespace

TEST_F(FuncsLog, FilesAreNamedAfterTheProgramInTheStartFolder)
{
    const AnsiString Dir = AnsiString::FromUtf8(FTmp.Path().string()) + "/";
    EXPECT_EQ(GetStartDir(), Dir);
    EXPECT_EQ(GetAppIniName(), Dir + "pricetags.ini");
    EXPECT_EQ(GetLogFileName(), Dir + "pricetags.log");
}

struct KindCase {
    int Kind;
    const char* Entry;
    const char* Why;
};
const KindCase KindCases[] = {
    {0, "x", "plain"},
    {1, "x", "plain"},
    {2, "Лог.ошибка:\"x\"", "prefix and quotes"},
    {3, "Ошибка:\"x\"", "an error that stops an operation"},
    {4, "Предупр.:\"x\"", "a warning"},
    {5, "ErrMess:\"x\"", "an error shown to the user"},
    {6, "Внимание:\"x\"", "attention"},
    {7, "Запрос:\"x\"", "a question"},
    {8, "Ответ:\"x\"", "its answer"},
    {9, "", "kinds from 9 on log no text"},
    {12, "", "kinds from 9 on log no text"},
};

TEST_F(FuncsLog, EachKindHasItsPrefix)
{
    for (const KindCase& C : KindCases) {
        SCOPED_TRACE(C.Why);
        DeleteFile(GetLogFileName());
        LogMessage("x", C.Kind);
        EXPECT_EQ(LogBytes(), (Stamp() + AnsiString::FromUtf8(C.Entry) + "\r\n").Std());
    }
}

TEST_F(FuncsLog, BlankLinesAreDroppedAndContinuationsIndented)
{
    LogMessage("first\r\n  \r\nthird", 0);
    EXPECT_EQ(LogBytes(), (Stamp() + "first\r\n\tthird\r\n").Std());
}

TEST_F(FuncsLog, EscapedLineBreaksBecomeLines)
{
    LogMessage("one\\n\\ntwo", 0);
    EXPECT_EQ(LogBytes(), (Stamp() + "one\r\n\ttwo\r\n").Std());
}

TEST_F(FuncsLog, TrailingLineEndsAndBlanksAreCut)
{
    LogMessage("text  \r\n", 0);
    EXPECT_EQ(LogBytes(), (Stamp() + "text\r\n").Std());
}

TEST_F(FuncsLog, EntriesAreAppended)
{
    WriteBytes(FTmp.Path() / "pricetags.log", "earlier\r\n");
    LogMessage("a", 0);
    LogMessage("b", 4);
    EXPECT_EQ(LogBytes(),
              ("earlier\r\n" + Stamp() + "a\r\n" + Stamp() + "Предупр.:\"b\"\r\n"_a).Std());
}

TEST_F(FuncsLog, AnotherLogFileName)
{
    const AnsiString Other = FTmp.File("other.log");
    SetLogFileName(Other);
    LogMessage("x", 0);
    EXPECT_TRUE(FileExists(Other));
    SetLogFileName("");
    EXPECT_EQ(GetLogFileName(), FTmp.File("pricetags.log"));
}

TEST_F(FuncsLog, AFailingLogNeverFailsItsCaller)
{
    SetLogFileName(FTmp.File("no/such/folder/x.log"));
    testing::internal::CaptureStderr();
    EXPECT_NO_THROW(LogMessage("x", 3));
    const std::string Err = testing::internal::GetCapturedStderr();
    EXPECT_NE(Err.find("x.log"), std::string::npos) << Err;
    EXPECT_EQ(gLogHook, &WriteLogFile);  // the hook is back after the failure
}

namespace {

std::vector<std::pair<AnsiString, int>> Received;

void RecordingHook(const AnsiString& Text, Integer Kind)
{
    Received.emplace_back(Text, Kind);
}

void ThrowingHook(const AnsiString&, Integer)
{
    throw EInOutError("disk gone");
}

} // namespace

TEST_F(FuncsLog, TheHookGetsTheKindTextAndNumber)
{
    Received.clear();
    gLogHook = RecordingHook;
    LogMessage("a\\nb", 7);
    ASSERT_EQ(Received.size(), 1u);
    EXPECT_EQ(Received[0].first, "Запрос:\"a\r\nb\""_a);
    EXPECT_EQ(Received[0].second, 7);

    gLogHook = nullptr;  // no hook: nothing happens
    LogMessage("c", 0);
    EXPECT_EQ(Received.size(), 1u);
}

TEST_F(FuncsLog, AHookThatRaisesIsContained)
{
    gLogHook = ThrowingHook;
    testing::internal::CaptureStderr();
    EXPECT_NO_THROW(CallLogHook("x", 0));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("disk gone"), std::string::npos);
    EXPECT_EQ(gLogHook, &ThrowingHook);
}

TEST_F(FuncsLog, RaiseAppErrorLogsThenRaises)
{
    ExpectRaises<EAppException>([] { RaiseAppError("Файл\\nне найден"_a); },
                                "Файл\r\nне найден"_a);
    EXPECT_EQ(LogBytes(), (Stamp() + "Ошибка:\"Файл\r\n\tне найден\"\r\n"_a).Std());
}

TEST_F(FuncsLog, TheProgramIniIsSharedAndWrittenWhenFreed)
{
    TIniFile* Ini = GetAppIniFile();
    ASSERT_NE(Ini, nullptr);
    EXPECT_EQ(GetAppIniFile(), Ini);
    EXPECT_EQ(Ini->FileName(), GetAppIniName());
    Ini->WriteString("Configuration", "Customer", "Магазин"_a);

    // Another object on the file sees the value before anything is written.
    {
        TIniFile Other(GetAppIniName());
        EXPECT_EQ(Other.ReadString("Configuration", "Customer", ""), "Магазин"_a);
        Other.SetAutoSave(false);
    }
    EXPECT_FALSE(FileExists(GetAppIniName()));

    // Moving the program's folder frees the object, which writes the file.
    const AnsiString Name = GetAppIniName();
    SetAppLocation(AnsiString::FromUtf8(FTmp.Path().string()), "other");
    EXPECT_EQ(ReadBytes(FTmp.Path() / "pricetags.ini"),
              "[Configuration]\r\nCustomer=Магазин\r\n\r\n"_a.Std());
    EXPECT_NE(GetAppIniName(), Name);
}

TEST_F(FuncsLog, TheMarkerFileTurnsOnDeveloperMode)
{
    EXPECT_FALSE(gDeveloperMode);
    WriteBytes(FTmp.Path() / "pricetags.111", "");
    SetAppLocation(AnsiString::FromUtf8(FTmp.Path().string()), "pricetags");
    EXPECT_TRUE(gDeveloperMode);
    DeleteFile(FTmp.File("pricetags.111"));
    SetAppLocation(AnsiString::FromUtf8(FTmp.Path().string()), "pricetags");
    EXPECT_FALSE(gDeveloperMode);
}

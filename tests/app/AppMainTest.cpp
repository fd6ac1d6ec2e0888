// The program's spine: an exception that escapes a command is logged to the
// program's log and shown, and the program goes on.

#include "app/AppMain.h"

#include "app/MainInvoice.h"
#include "common/base/IniFiles.h"

#include "common/base/Funcs.h"
#include "platform/forms/StdCtrls.h"
#include "platform/rtl/Files.h"
#include "tests/app/AppWindowsTestKit.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

using namespace app_test;

namespace {

class Thrower : public TObject {
public:
    void Click(TObject*) { throw Exception("Сбой при пересчете"_a); }
    void Abort(TObject*) { throw EAbort("тихо"); }
};

} // namespace

TEST(AppMain, EscapedExceptionIsLoggedAndShown)
{
    WindowsScope W;
    const TLogHook OldHook = gLogHook;
    const AnsiString OldLog = GetLogFileName();
    InstallDefaultLogHook();
    SetLogFileName(W.Config.Dir().File("pricetags.log"));
    InstallAppExceptionHandler();

    Thrower T;
    TForm Form(nullptr, 0);
    Form.SetBounds(0, 0, 200, 100);
    auto* B = new TButton(&Form);
    B->SetParent(&Form);
    B->SetBounds(10, 10, 100, 25);
    Form.Show();
    Application->ProcessMessages();

    B->OnClick = TNotifyEvent(&T, &Thrower::Click);
    SimulateClick(B, 5, 5);
    B->OnClick = TNotifyEvent(&T, &Thrower::Abort);
    SimulateClick(B, 5, 5);  // the silent abort shows nothing
    Application->ProcessMessages();

    Application->OnException = TExceptionEvent();
    SetLogFileName(OldLog);
    gLogHook = OldHook;

    EXPECT_EQ(W.Said("ShowErrorWindow"), std::vector<std::string>{"Сбой при пересчете"});
    const std::string Log = ReadBytes(W.Config.Dir().Path() / "pricetags.log");
    EXPECT_NE(Log.find(("Сбой при пересчете"_a).c_str()), std::string::npos);
    EXPECT_TRUE(Form.Visible());
}

// At the end the main window's state and the configuration are saved only
// once start-up has completed.
TEST(AppMain, FinishFormsSavesOnlyAfterStartUp)
{
    for (const bool CanSave : {false, true}) {
        SCOPED_TRACE(CanSave);
        WindowsScope W;
        auto Main = std::make_unique<TFormMain>(Application);
        Main->SetupFromConfig();
        Main->cbCalcAll->SetChecked(true);
        const bool Old = gCanSaveSettings;
        gCanSaveSettings = CanSave;
        FinishForms();
        gCanSaveSettings = Old;
        TIniFile& Ini = *W.Config.Cfg().GetIniFile();
        EXPECT_EQ(Ini.SectionExists("Configuration"), CanSave);
        EXPECT_EQ(Ini.SectionExists("MarkupList"), CanSave);
        EXPECT_EQ(Ini.SectionExists("FormMainPosition"), CanSave);
        EXPECT_EQ(W.Config.Cfg().CalcAll, CanSave);
    }
}

// A full disk, and a folder that takes no new files, at the end of the
// program: the settings that could not be written are said in Russian with
// the system's reason, the old settings file stays whole and no part of
// the new one is left behind.
TEST(AppMain, SettingsThatCannotBeWrittenAreSaidAndLeaveNoPart)
{
    for (const WriteFault& C : WriteFaults) {
        SCOPED_TRACE(C.Name);
        WindowsScope W;
        const std::filesystem::path Ini = W.Config.Dir().Path() / "pricetags.ini";
        auto Main = std::make_unique<TFormMain>(Application);
        Main->SetupFromConfig();
        const bool Old = gCanSaveSettings;
        gCanSaveSettings = true;
        FinishForms();
        const std::string Before = ReadBytes(Ini);
        ASSERT_FALSE(Before.empty());
        Main->cbCalcAll->SetChecked(!Main->cbCalcAll->Checked());
        {
            const FolderFaultScope Fault(W.Config.Dir().File(""), C.Errno, /*RoomLeft=*/100);
            EXPECT_THROW(FinishForms(), EAbort);
        }
        gCanSaveSettings = Old;
        const std::vector<std::string> Said = W.Said("ShowErrorWindow");
        ASSERT_EQ(Said.size(), 1u);
        EXPECT_EQ(Said[0].rfind("Ошибка завершения программы", 0), 0u) << Said[0];
        EXPECT_NE(Said[0].find("pricetags.ini"), std::string::npos) << Said[0];
        EXPECT_NE(Said[0].find(C.Reason), std::string::npos) << Said[0];
        EXPECT_EQ(ReadBytes(Ini), Before);
        EXPECT_FALSE(std::filesystem::exists(W.Config.Dir().Path() / "pricetags.ini.tmp$"));
    }
}

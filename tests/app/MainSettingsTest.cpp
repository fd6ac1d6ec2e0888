// The settings dialog in the running program: "Настройки" in the main
// window, the shop name and a price style across a restart, and an import
// keyword that reaches the next import.

#include "app/AppMain.h"
#include "app/InvoiceType.h"
#include "app/VelkorCFG.h"
#include "app/VelkorCFGPrivate.h"
#include "common/base/Funcs.h"
#include "common/base/IniFiles.h"
#include "platform/forms/ComCtrls.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/Menus.h"
#include "platform/forms/ValEdit.h"

#include "tests/app/MainWindowTestKit.h"
#include "tests/app/SettingsTestKit.h"

#include <gtest/gtest.h>


using namespace app_test;

namespace {

std::unique_ptr<TFormMain> StartMainWindow()
{
    auto Main = std::make_unique<TFormMain>(Application);
    Main->SetupFromConfig();
    Main->Show();
    Application->ProcessMessages();
    return Main;
}

/// The purchase price of the first row as the invoice grid shows it.
std::string ShownCost(TFormMain& Main)
{
    AnsiString Text;
    Main.Invoice->GetItem(0)->GetColumnText(10, Text);
    return U(Text);
}

AnsiString HeadingOptBook()
{
    return AnsiString::FromUtf8((TestData() / "VelkorCFG" / "heading-opt.xls").string());
}

} // namespace

TEST(MainWindowSettings, ShopNameAndPriceStyleAcrossRestart)
{
    WindowsScope W;
    DialogHookScope Files([](TCommonDialog& D) {
        static_cast<TOpenDialog&>(D).SetFileName(ExampleBook());
        return true;
    });
    {
        auto Main = StartMainWindow();
        OpenInvoiceNumber17(*Main);
        ASSERT_EQ(Main->Invoice->Count(), 3);
        EXPECT_EQ(ShownCost(*Main), "10,50");
        AnswerScope<TFormCFG> Settings([](TFormCFG& F) {
            F.vlVariant->SetValues(AnsiString::FromUtf8("Пользователь"),
                                   AnsiString::FromUtf8("Ромашка"));
            F.vlVariant->SetValues(AnsiString::FromUtf8("Тип цены списков"),
                                   AnsiString::FromUtf8("14 - в стиле \"123руб. 45коп.\""));
            KeepPng(&F, "settings-from-main-window");
            F.btOk->Click();
        });
        Main->mnConfig->Click();
        EXPECT_EQ(Settings.Shown, 1);
        EXPECT_NE(U(Main->Caption()).find("Ромашка"), std::string::npos);
        EXPECT_EQ(ShownCost(*Main), "10руб. 50коп.");
        KeepPng(Main.get(), "main-window-after-settings");
        // Not in the file before the program ends.
        EXPECT_EQ(IniOnDisk().find("Ромашка"), std::string::npos);
        // The program's end.
        const bool OldSave = gCanSaveSettings;
        gCanSaveSettings = true;
        FinishForms();
        GetAppIniFile()->UpdateFile();
        gCanSaveSettings = OldSave;
        W.Answer = [](const MsgRequest&) { return 2; };  // do not save the invoice
        Main->Close();
    }
    const std::string Ini = IniOnDisk();
    EXPECT_NE(Ini.find("Ромашка"), std::string::npos);
    EXPECT_NE(Ini.find("PriceStyleXxx=14"), std::string::npos);
    // The next start reads them back.
    gCfgObject->Customer = "";
    gCfgObject->PriceStyleXxx = 0;
    LoadCfgSection();
    EXPECT_EQ(gCfgObject->PriceStyleXxx, 14);
    auto Main = StartMainWindow();
    EXPECT_NE(U(Main->Caption()).find("Ромашка"), std::string::npos);
}

TEST(MainWindowSettings, EditedKeywordReachesTheNextImport)
{
    WindowsScope W;
    DialogHookScope Files([](TCommonDialog& D) {
        static_cast<TOpenDialog&>(D).SetFileName(HeadingOptBook());
        return true;
    });
    auto Main = StartMainWindow();
    // The price column is headed "Опт.", which no built-in keyword knows:
    // the rows come without their prices.
    OpenInvoiceNumber17(*Main);
    ASSERT_EQ(W.Said("ShowErrorWindow").size(), 1u);
    EXPECT_EQ(W.Said("ShowErrorWindow")[0].rfind("Не определены основные столбцы накладной.", 0), 0u);
    ASSERT_EQ(Main->Invoice->Count(), 3);
    EXPECT_EQ(Main->Invoice->GetItem(0)->PriceOpt, Curr("0"));
    const ModalHookScope Hook(KeywordAnswers("Опт", [](TFormCFG& F) {
        F.pc->SetActivePage(F.tabImport);
        SelectImportTreeRows(F.vsImport, {5}, 5);  // "Цена"
        F.btImportEdit->Click();
        F.btCancel->Click();
    }));
    Main->mnConfig->Click();
    W.Messages.clear();
    W.Answer = [](const MsgRequest&) { return 2; };  // do not save the invoice
    OpenInvoiceNumber17(*Main);
    EXPECT_TRUE(W.Said("ShowErrorWindow").empty());
    ASSERT_EQ(Main->Invoice->Count(), 3);
    EXPECT_EQ(Main->Invoice->GetItem(0)->PriceOpt, Curr("10.5"));
}

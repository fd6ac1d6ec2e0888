#include "app/VelkorCFG.h"

#include "app/AnalizeResult.h"
#include "app/SprList.h"
#include "app/VelkorCFGPrivate.h"
#include "common/base/BaseLst.h"
#include "common/base/Funcs.h"
#include "common/base/IniFiles.h"
#include "common/components/GetMean.h"
#include "platform/forms/ComCtrls.h"
#include "platform/forms/InputSimulation.h"
#include "platform/forms/StdCtrls.h"
#include "platform/forms/ValEdit.h"
#include "platform/rtl/StrUtils.h"

#include "tests/app/AppWindowsTestKit.h"
#include "tests/app/SettingsTestKit.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace app_test;

namespace {

const char* const StyleRub = "10 - вариант 00 + \"Руб\"";
const char* const StyleRubKop = "14 - в стиле \"123руб. 45коп.\"";

/// Runs the settings dialog with Fn answering it; what ShowCfg returned.
bool RunCfg(const std::function<void(TFormCFG&)>& Fn)
{
    AnswerScope<TFormCFG> Answer([&](TFormCFG& F) {
        Fn(F);
        Application->ProcessMessages();
    });
    const bool Result = ShowCfg("");
    EXPECT_EQ(Answer.Shown, 1);
    return Result;
}

AnsiString Utf(const char* S)
{
    return AnsiString::FromUtf8(S);
}

/// Every cell text of the import page's rows for the tree's tags.
std::vector<std::string> Rows(TFormCFG& F)
{
    std::vector<std::string> R;
    for (int I = 0; I < F.Analysis()->Count(); ++I)
        R.push_back(U(F.CellText(I, 99)) + "|" + U(F.CellText(I, 1)));
    return R;
}

} // namespace

TEST(Settings, PriceStyleCode)
{
    const struct {
        const char* Text;
        Integer Code;
    } Cases[] = {
        {StyleRub, 10},             // the pick list's text
        {"10", 10},                 // the number alone, as the row first shows it
        {"  14 - в стиле", 14},     // blanks trimmed
        {"-3x", -3},                // a sign first
        {"00 - если есть", 0},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Text);
        EXPECT_EQ(PriceStyleCode(Utf(C.Text)), C.Code);
    }
    for (const char* Bad : {"", "Руб", "- 3"}) {
        SCOPED_TRACE(Bad);
        EXPECT_THROW((void)PriceStyleCode(Utf(Bad)), EConvertError);
    }
}

TEST(Settings, PagesShowTheConfiguration)
{
    WindowsScope W;
    gCfgObject->Customer = Utf("Лавка");
    gCfgObject->PriceStyleRep = 11;
    RunCfg([&](TFormCFG& F) {
        EXPECT_EQ(F.vlSprValue->Values("IniFile"), gCfgObject->GetFileName());
        EXPECT_EQ(F.vlSprValue->Values("TxtPath"), gTxtPath);
        EXPECT_TRUE(F.vlSprValue->ItemProps("AppEXEPath")->ReadOnly());
        EXPECT_EQ(U(F.vlVariant->Values(Utf("Пользователь"))), "Лавка");
        EXPECT_EQ(U(F.vlVariant->Values(Utf("Тип цены ведомости"))), "11");
        TItemProp* Style = F.vlVariant->ItemProps(Utf("Тип цены ценника"));
        EXPECT_TRUE(Style->ReadOnly());
        ASSERT_EQ(Style->PickList()->Count(), 9);
        EXPECT_EQ(U(Style->PickList()->Strings(8)), StyleRubKop);
        // Invoices: the data columns and the sheet total, each with its
        // built-in keywords while none are stored.
        EXPECT_TRUE(F.rbInvoice->Checked());
        const std::vector<std::string> Invoice = Rows(F);
        EXPECT_EQ(Invoice, (std::vector<std::string>{
                               "1|\"Номер\"", "2|\"Товар\"", "3|\"Модель\"", "4|\"Артикул\"",
                               "5|\"Кол-во\"", "6|\"Цена\"", "7|\"Единица\"", "8|\"Сумма\"",
                               "9|Сумма итога:"}));
        EXPECT_EQ(U(F.CellText(5, 2)), "ЦЕНА");
        EXPECT_EQ(U(F.CellText(1, 2)), "ТОВАР, НАИМЕНОВАНИЕ, НАИМНИЕ, НАИМ, НАЗВАНИЕ");
        EXPECT_EQ(U(F.CellText(0, 7)), "???");
        F.rbArticle->SetChecked(true);
        EXPECT_EQ(Rows(F), (std::vector<std::string>{
                               "1|\"Тип\"", "2|\"Модель(наим)\"", "3|\"Артикул\"",
                               "4|\"Описание\"", "5|\"Фирма\"", "6|\"Страна\"",
                               "7|\"Гарантия\""}));
        F.btCancel->Click();
    });
}

TEST(Settings, OkStoresInMemoryOnly)
{
    WindowsScope W;
    gCanSaveSettings = true;
    EXPECT_TRUE(RunCfg([](TFormCFG& F) {
        F.vlVariant->SetValues(Utf("Пользователь"), Utf("Ромашка"));
        F.vlVariant->SetValues("Rub", Utf("р."));
        F.vlVariant->SetValues(Utf("Тип цены ценника"), Utf(StyleRubKop));
        F.vlVariant->SetValues(Utf("Тип цены списков"), Utf(StyleRub));
        F.btOk->Click();
    }));
    gCanSaveSettings = false;
    EXPECT_EQ(U(gCfgObject->Customer), "Ромашка");
    EXPECT_EQ(U(gCfgObject->Rub), "р.");
    EXPECT_EQ(gCfgObject->PriceStyle, 14);
    EXPECT_EQ(gCfgObject->PriceStyleRep, 0);
    EXPECT_EQ(gCfgObject->PriceStyleXxx, 10);
    // The ini file gets the values when the program ends.
    EXPECT_EQ(IniOnDisk().find("Ромашка"), std::string::npos);
}

TEST(Settings, FailedOrCancelledDialogChangesNothing)
{
    WindowsScope W;
    gCfgObject->Customer = Utf("Лавка");
    const struct {
        const char* Name;
        bool Ok;
    } Cases[] = {{"a style that is no number, then Ok", true}, {"Отмена", false}};
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Name);
        W.Messages.clear();
        const bool Result = RunCfg([&](TFormCFG& F) {
            F.vlVariant->SetValues(Utf("Пользователь"), Utf("Ромашка"));
            F.vlVariant->SetValues(Utf("Тип цены ведомости"), Utf("Руб"));
            if (C.Ok) {
                F.btOk->Click();
                // The dialog stays open on the failure.
                EXPECT_EQ(F.ModalResult(), mrNone);
                EXPECT_FALSE(F.SaveSettings());
            }
            F.btCancel->Click();
        });
        EXPECT_FALSE(Result);
        EXPECT_EQ(U(gCfgObject->Customer), "Лавка");
        EXPECT_EQ(gCfgObject->PriceStyleRep, 0);
        if (C.Ok) {
            ASSERT_FALSE(W.Said("ShowErrorWindow").empty());
            EXPECT_EQ(W.Said("ShowErrorWindow")[0].rfind(
                          "Ошибка сохранения настроек программы\r\n\r\n", 0), 0u);
        }
    }
}

TEST(Settings, KeywordListOfTheFocusedRowIsWrittenAtOnce)
{
    WindowsScope W;
    std::string Header;
    int Editors = 0;
    const ModalHookScope Hook(KeywordAnswers(
        "Опт",
        [](TFormCFG& F) {
            F.pc->SetActivePage(F.tabImport);
            int Price = -1;
            for (int I = 0; I < F.Analysis()->Count(); ++I)
                if (F.Analysis()->GetItem(I)->Kind == KindPrice)
                    Price = I;
            ASSERT_GT(Price, 0);
            // A Ctrl selection of the first row and the price row, the
            // focus on the price row: the price row's list is edited.
            SelectImportTreeRows(F.vsImport, {0, Price}, Price);
            F.btImportEdit->Click();
            EXPECT_EQ(U(F.CellText(Price, 2)), "ЦЕНА, Опт");
            F.btCancel->Click();
        },
        [&](TFormSprList& E) {
            ++Editors;
            Header = U(E.lbMode->Caption());
            EXPECT_EQ(U(E.Caption()), "Список заголовков колонки входного документа");
        }));
    EXPECT_FALSE(ShowCfg(""));
    EXPECT_EQ(Editors, 1);
    EXPECT_EQ(Header, "Список заголовков для поля " +
                          U(Trim(TAnalizeResult().FindByKind(KindPrice)->Name)));
    // Written to the file when the editor was confirmed, kept though the
    // dialog was cancelled, and read by the next analysis.
    const std::string Ini = IniOnDisk();
    EXPECT_NE(Ini.find("[AnalizeResultList" + std::to_string(KindPrice) + "]"), std::string::npos);
    EXPECT_NE(Ini.find("Опт"), std::string::npos);
    TAnalizeResult Next;
    EXPECT_EQ(Next.FindByKind(KindPrice)->Headers->Count(), 2);
    EXPECT_EQ(Next.MatchHeaderKind(Utf("Опт.")), KindPrice);
}

TEST(Settings, TreeLayoutAndLastPageKept)
{
    WindowsScope W;
    AnsiString Layout;
    RunCfg([&](TFormCFG& F) {
        // The operator clicks the tab.
        const TRect Tab = F.pc->TabRect(2);
        SimulateClick(F.pc, (Tab.Left + Tab.Right) / 2, (Tab.Top + Tab.Bottom) / 2);
        ASSERT_EQ(F.pc->ActivePage(), F.tabImport);
        F.btCancel->Click();
    });
    Layout = gCfgObject->RestVar("FormCFG", "vsImport", Variant("")).AsString();
    ASSERT_EQ(Layout.SubString(1, 2), "V1");
    ASSERT_GT(Layout.Pos("T1P1W150V1|"), 0);
    // The operator widened the name column: the next run shows it so.
    Layout = StringReplace(Layout, "T1P1W150V1|", "T1P1W200V1|", {});
    gCfgObject->SaveVar("FormCFG", "vsImport", Variant(Layout));
    RunCfg([&](TFormCFG& F) {
        EXPECT_EQ(F.pc->ActivePage(), F.tabImport);
        EXPECT_GT(ImportTreeLayout(F.vsImport).Pos("T1P1W200V1|"), 0);
        F.btCancel->Click();
    });
}

TEST(Settings, RenderEveryPage)
{
    WindowsScope W;
    RunCfg([&](TFormCFG& F) {
        const struct {
            TTabSheet* Page;
            const char* Name;
        } Pages[] = {{F.tabSprav, "settings-reference"},
                     {F.tabVariables, "settings-variables"},
                     {F.tabImport, "settings-import"}};
        for (const auto& P : Pages) {
            F.pc->SetActivePage(P.Page);
            Application->ProcessMessages();
            KeepPng(&F, P.Name);
        }
        // The nine keyword rows and the columns fit the page: no bars (the
        // tree's window was made with both and kept them).
        auto* Tree = dynamic_cast<TWinControl*>(F.FindComponent("vsImport"));
        ASSERT_TRUE(Tree);
        EXPECT_FALSE(GetWindowLong(Tree->Handle(), GWL_STYLE) & (WS_VSCROLL | WS_HSCROLL));
        F.btCancel->Click();
    });
}

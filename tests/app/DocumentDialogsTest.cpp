// The document dialogs: the key guard of the base dialog, the incoming
// invoice (mode 1 with the workbook choice, mode 0 for the header, the
// document name, the supplier list), the statement header, the named
// markups and the about box; each rendered for a look.

#include "app/About.h"
#include "app/ArticleList.h"
#include "app/Articles.h"
#include "app/InvoiceType.h"
#include "app/MarkupList.h"
#include "app/NewIncoming.h"
#include "app/NewMarkup.h"
#include "app/NewOutgoing.h"
#include "common/components/FuncsVCL.h"
#include "common/components/ToolEdit.h"
#include "common/components/YLDCompn.h"
#include "platform/classes/Strings.h"
#include "platform/forms/Dialogs.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Ticks.h"
#include "tests/app/AppWindowsTestKit.h"

#include <gtest/gtest.h>

using namespace app_test;

namespace {

/// Lets the dialog take keys at once.
void PassKeyGuard(TFormNewInput& F)
{
    F.ShowTick = GetTickCount() - 2 * TFormNewInput::KeyGuardMs;
}

std::vector<std::string> Items(TStrings* S)
{
    std::vector<std::string> R;
    for (int I = 0; I < S->Count(); ++I)
        R.push_back(U(S->Strings(I)));
    return R;
}

} // namespace

// Enter does nothing in the first second; afterwards it confirms and Escape
// cancels.
TEST(DocumentDialogs, KeysAnswerOnlyAfterTheGuard)
{
    WindowsScope W;
    TshInvoice Invoice(1);
    struct Case {
        bool Guarded;
        Word Key;
        bool Confirmed;
    };
    const Case Cases[] = {
        {true, VK_RETURN, false},   // held-over Enter ignored; the test cancels
        {false, VK_RETURN, true},   // Enter confirms
        {false, VK_ESCAPE, false},  // Escape cancels
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Key);
        AnswerScope<TFormOutgoing> A([&](TFormOutgoing& F) {
            if (!C.Guarded)
                PassKeyGuard(F);
            SimulateKey(C.Key);
            Application->ProcessMessages();
        });
        EXPECT_EQ(TFormOutgoing::Execute("", &Invoice), C.Confirmed);
        EXPECT_EQ(A.Shown, 1);
    }
}

// A new invoice: the workbook is chosen first; number, dates and suppliers
// are proposed; OK writes the header, the typed supplier joins the list.
TEST(DocumentDialogs, IncomingNewInvoice)
{
    WindowsScope W;
    const AnsiString Book = W.Config.Dir().File("book.xls");
    WriteBytes(W.Config.Dir().Path() / "book.xls", "x");
    DialogHookScope Files([&](TCommonDialog& D) {
        static_cast<TOpenDialog&>(D).SetFileName(Book);
        return true;
    });
    TshInvoice Invoice(1);
    std::vector<std::string> Providers;
    std::string NumDoc, NameDoc;
    AnswerScope<TFormIncoming> A([&](TFormIncoming& F) {
        EXPECT_TRUE(F.FileChosen);
        NumDoc = U(F.edInvNum->Text());
        Providers = Items(F.cbProvider->Items());
        EXPECT_EQ(F.edInvLoad->GetDate(), Date());
        EXPECT_TRUE(F.cbFindDescr->Visible());
        KeepPng(&F, "dialog-incoming");
        F.cbProvider->SetText("ООО \"Новый\""_a);
        F.edInvNum->SetText("17");
        NameDoc = U(F.MakeDocName());
        F.cbNDS->SetChecked(true);
        F.edNDS->SetValue(20);
        F.DoOk();
    });
    bool Find = false;
    ASSERT_TRUE(TFormIncoming::Execute("", &Invoice, 1, Find));
    EXPECT_EQ(NumDoc, "xxx");
    EXPECT_EQ(Providers.size(), 3u);
    EXPECT_EQ(U(Invoice.NumDoc), "17");
    EXPECT_EQ(U(Invoice.FileName), U(Book));
    EXPECT_EQ(U(Invoice.Provider), "ООО \"Новый\"");
    EXPECT_EQ(U(Invoice.NameDoc), NameDoc);
    EXPECT_EQ(NameDoc.rfind("Накладная №17 от ", 0), 0u);
    EXPECT_NE(NameDoc.find(" (ООО \"Новый\")"), std::string::npos);
    EXPECT_EQ(Invoice.Nds, Curr("20"));
    EXPECT_EQ(U(W.Config.Cfg().Provider), "ООО \"Новый\"");

    // The new supplier is in the list kept in the ini.
    auto Kept = std::make_unique<TStringList>();
    Integer Index = 0;
    W.Config.Cfg().RestIniStrings("ProviderList", Kept.get(), Index);
    EXPECT_EQ(Kept->Count(), 4);
    EXPECT_GE(Kept->IndexOf("ООО \"Новый\""_a), 0);
}

// Closing the workbook choice without a file cancels the whole dialog.
TEST(DocumentDialogs, IncomingWithoutFileIsCancelled)
{
    WindowsScope W;
    DialogHookScope Files([](TCommonDialog&) { return false; });
    TshInvoice Invoice(1);
    AnswerScope<TFormIncoming> A([](TFormIncoming&) {});
    bool Find = true;
    EXPECT_FALSE(TFormIncoming::Execute("", &Invoice, 1, Find));
    EXPECT_TRUE(Invoice.NumDoc.IsEmpty());
}

// Every named supplier goes into the document name, the first of the list
// too; without a supplier the name has no brackets.
TEST(DocumentDialogs, IncomingDocumentNameCarriesAnySupplier)
{
    WindowsScope W;
    TshInvoice Invoice(1);
    Invoice.NumDoc = "5";
    Invoice.DateDoc = EncodeDate(2026, 3, 4);
    Invoice.DateIn = EncodeDate(2026, 3, 5);
    std::vector<std::string> Names;
    AnswerScope<TFormIncoming> A([&](TFormIncoming& F) {
        EXPECT_FALSE(F.edInvFilename->Enabled());  // header editing keeps the workbook
        EXPECT_FALSE(F.cbFindDescr->Visible());
        for (int I = 0; I < F.cbProvider->Items()->Count(); ++I) {
            F.cbProvider->SetItemIndex(I);
            Names.push_back(U(F.MakeDocName()));
        }
        F.cbProvider->SetItemIndex(-1);
        F.cbProvider->SetText("");
        Names.push_back(U(F.MakeDocName()));
        F.DoCancel();
    });
    bool Find = true;
    EXPECT_FALSE(TFormIncoming::Execute("", &Invoice, 0, Find));
    ASSERT_EQ(Names.size(), 4u);
    EXPECT_EQ(Names[0], "Накладная №5 от 04.03.2026 (Рынок \"Центральный\")");
    EXPECT_NE(Names[1].find(" (Оптовая база"), std::string::npos);
    EXPECT_EQ(Names[3], "Накладная №5 от 04.03.2026");
}

// The header of the invoice in hand after a statement: the supplier's
// number, not the statement's; the name given by hand stays, also when the
// date or the supplier is changed; only a new number names it anew. The
// dialog is headed as the command that opens it.
TEST(DocumentDialogs, HeaderKeepsItsNumberAndName)
{
    WindowsScope W;
    W.Config.Cfg().NumberOut = "41";
    TshInvoice Invoice(1);
    Invoice.NumDoc = "17";
    Invoice.NameDoc = "Приход от Петрова"_a;
    Invoice.DateDoc = EncodeDate(2026, 3, 4);
    {
        AnswerScope<TFormOutgoing> A([](TFormOutgoing& F) { F.DoOk(); });
        ASSERT_TRUE(TFormOutgoing::Execute("", &Invoice));
    }
    std::string Caption, Header, Number, Shown, AfterDate, AfterNumber;
    AnswerScope<TFormIncoming> A([&](TFormIncoming& F) {
        Caption = U(F.Caption());
        Header = U(F.lbMode->Caption());
        Number = U(F.edInvNum->Text());
        Shown = U(F.edInvName->Text());
        KeepPng(&F, "dialog-incoming-header");
        F.edInvDate->SetDate(EncodeDate(2026, 3, 10));
        F.cbProvider->SetItemIndex(1);
        AfterDate = U(F.edInvName->Text());
        F.edInvNum->SetText("18");
        AfterNumber = U(F.edInvName->Text());
        F.DoCancel();
    });
    bool Find = true;
    EXPECT_FALSE(TFormIncoming::Execute("", &Invoice, 0, Find));
    EXPECT_EQ(Caption, "Параметры входной накладной");
    EXPECT_EQ(Header, "Параметры входной накладной");
    EXPECT_EQ(Number, "17");
    EXPECT_EQ(Shown, "Приход от Петрова");
    EXPECT_EQ(AfterDate, "Приход от Петрова");
    EXPECT_EQ(AfterNumber.rfind("Накладная №18 от 10.03.2026 (", 0), 0u) << AfterNumber;
}

// A VAT rate that cannot price (past what money holds, negative, above a
// hundred) keeps the dialog open with the reason and leaves the header as
// it was, also when the dialog is then cancelled.
TEST(DocumentDialogs, IncomingRefusesVatOutOfRange)
{
    for (const char* Rate : {"999999999999999", "-5", "150"}) {
        SCOPED_TRACE(Rate);
        WindowsScope W;
        TshInvoice Invoice(1);
        Invoice.NumDoc = "17";
        Invoice.NameDoc = "Приход от Петрова"_a;
        int Tries = 0;
        AnswerScope<TFormIncoming> A([&](TFormIncoming& F) {
            PassKeyGuard(F);
            F.edInvNum->SetText("18");
            F.cbNDS->SetChecked(true);
            SimulateClick(F.edNDS, F.edNDS->Width() - 10, 5);
            SimulateText(Rate);
            F.DoOk();
            ++Tries;
            EXPECT_EQ(F.ModalResult(), mrNone) << "kept open";
            EXPECT_TRUE(F.edNDS->Focused());
            F.DoCancel();
        });
        bool Find = true;
        EXPECT_FALSE(TFormIncoming::Execute("", &Invoice, 0, Find));
        EXPECT_EQ(Tries, 1);
        EXPECT_EQ(W.Said("ShowErrorWindow"),
                  std::vector<std::string>{"Ставка НДС должна быть от 0 до 100 %"});
        EXPECT_EQ(U(Invoice.NumDoc), "17");
        EXPECT_EQ(U(Invoice.NameDoc), "Приход от Петрова");
        EXPECT_EQ(Invoice.Nds, Currency());
    }
}

// Deleting a supplier: nothing named gives the error; a listed one is
// deleted after the question and the list is written on OK.
TEST(DocumentDialogs, IncomingDeletesSupplier)
{
    WindowsScope W;
    TshInvoice Invoice(1);
    W.Answer = [](const MsgRequest&) { return 1; };  // yes, delete
    AnswerScope<TFormIncoming> A([&](TFormIncoming& F) {
        F.cbProvider->SetItemIndex(-1);
        F.cbProvider->SetText("");
        F.lbDelProvider->OnClick(F.lbDelProvider);
        F.cbProvider->SetItemIndex(0);
        F.lbDelProvider->OnClick(F.lbDelProvider);
        EXPECT_EQ(F.cbProvider->Items()->Count(), 2);
        F.DoOk();
    });
    bool Find = true;
    ASSERT_TRUE(TFormIncoming::Execute("", &Invoice, 0, Find));
    EXPECT_EQ(W.Said("ShowErrorWindow"), std::vector<std::string>{"Поставщик не выбран"});
    auto Kept = std::make_unique<TStringList>();
    Integer Index = 0;
    W.Config.Cfg().RestIniStrings("ProviderList", Kept.get(), Index);
    EXPECT_EQ(Kept->Count(), 2);
}

TEST(DocumentDialogs, NextOutgoingNumber)
{
    struct Case {
        const char* Last;
        const char* Next;
    };
    const Case Cases[] = {
        {"41", "42"},   // a whole number goes on by one
        {"A-41", ""},   // anything else proposes nothing
        {"", ""},       // first statement
        {" 9 ", "10"},  // blanks around do not matter
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Last);
        EXPECT_EQ(U(NextOutgoingNumber(C.Last)), C.Next);
    }
}

// The statement header: proposed number, default lists, and on OK the
// header, the configuration and the new department in its list.
TEST(DocumentDialogs, OutgoingFillsHeaderAndLists)
{
    WindowsScope W;
    W.Config.Cfg().NumberOut = "41";
    TshInvoice Invoice(1);
    Invoice.NameDoc = "Накладная №5"_a;
    Invoice.NumDoc = "5";
    std::string Proposed;
    AnswerScope<TFormOutgoing> A([&](TFormOutgoing& F) {
        Proposed = U(F.edInvNum->Text());
        EXPECT_EQ(F.cbDepart->Items()->Count(), 3);
        EXPECT_EQ(F.cbRespons->Items()->Count(), 3);
        KeepPng(&F, "dialog-outgoing");
        F.cbDepart->SetText("Посуда"_a);
        F.cbRespons->SetItemIndex(1);
        F.DoOk();
    });
    ASSERT_TRUE(TFormOutgoing::Execute("", &Invoice));
    EXPECT_EQ(Proposed, "42");
    EXPECT_EQ(U(Invoice.NumDoc), "5");  // the supplier's number stays
    EXPECT_EQ(U(Invoice.NameDoc), "Накладная №5");
    EXPECT_EQ(U(Invoice.Depart), "Посуда");
    EXPECT_EQ(U(W.Config.Cfg().NumberOut), "42");
    EXPECT_EQ(Invoice.RespFio, W.Config.Cfg().ResponsFIO);
    auto Kept = std::make_unique<TStringList>();
    Integer Index = 0;
    W.Config.Cfg().RestIniStrings("DepartList", Kept.get(), Index);
    EXPECT_EQ(Kept->Count(), 4);
}

// A header without a date (an invoice typed in by hand) and a date field
// emptied by the operator both give the statement today's date, never the
// empty date that prints as 30.12.1899; a header's own date stays.
TEST(DocumentDialogs, StatementWithoutDateIsDatedToday)
{
    WindowsScope W;
    const TDateTime Given = EncodeDate(2026, 3, 8);
    const struct {
        const char* What;
        TDateTime HeaderDate;
        bool Empty;
        TDateTime Expected;
    } Cases[] = {
        {"no date in the header", 0, false, Date()},
        {"date emptied", Given, true, Date()},
        {"the header's date", Given, false, Given},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.What);
        TshInvoice Invoice(1);
        Invoice.DateDoc = C.HeaderDate;
        AnswerScope<TFormOutgoing> A([&](TFormOutgoing& F) {
            if (C.Empty)
                F.edInvDate->SetText("");
            F.DoOk();
        });
        ASSERT_TRUE(TFormOutgoing::Execute("", &Invoice));
        EXPECT_EQ(double(Invoice.DateDoc), double(C.Expected));
    }
}

TEST(DocumentDialogs, OutgoingDeleteWithoutDepartmentSaysSo)
{
    WindowsScope W;
    TshInvoice Invoice(1);
    AnswerScope<TFormOutgoing> A([&](TFormOutgoing& F) {
        F.cbDepart->SetItemIndex(-1);
        F.cbDepart->SetText("");
        F.lbDelDepart->OnClick(F.lbDelDepart);
        F.DoCancel();
    });
    EXPECT_FALSE(TFormOutgoing::Execute("", &Invoice));
    EXPECT_EQ(W.Said("ShowErrorWindow"), std::vector<std::string>{"Отдел не выбран"});
}

// Change, add and delete act on the main window's list at once.
TEST(DocumentDialogs, NamedMarkupsEditTheList)
{
    WindowsScope W;
    TMarkupList List;
    List.Add("Основная"_a, Curr("30"), Curr("10"));
    List.Add("Мелочь"_a, Curr("50"), Curr("20"));
    int Selected = -1;
    AnswerScope<TFormNewMarkup> A([&](TFormNewMarkup& F) {
        EXPECT_EQ(F.cbMarkup->ItemIndex(), 0);
        EXPECT_EQ(U(F.edName->Text()), "Основная");
        F.cbMarkup->SetItemIndex(1);
        F.cbMarkup->OnChange(F.cbMarkup);
        EXPECT_EQ(U(F.edName->Text()), "Мелочь");
        F.edMarkup->SetValue(45);
        F.ChangeCurrent();
        EXPECT_EQ(F.cbMarkup->ItemIndex(), 1);
        F.edName->SetText("Опт"_a);
        F.edMarkup->SetValue(12.5);
        F.edDiscount->SetValue(0);
        F.AddMarkup();
        EXPECT_EQ(F.cbMarkup->ItemIndex(), 2);
        KeepPng(&F, "dialog-markups");
        F.cbMarkup->SetItemIndex(0);
        F.cbMarkup->OnChange(F.cbMarkup);
        F.DeleteCurrent();
        EXPECT_EQ(F.cbMarkup->ItemIndex(), 0);  // the first one when the first went
        F.DoOk();
    });
    EXPECT_TRUE(TFormNewMarkup::Execute("Изменение списка наценок"_a, &List, Selected));
    ASSERT_EQ(List.Count(), 2);
    EXPECT_EQ(U(List.GetItem(0)->Name), "Мелочь");
    EXPECT_EQ(List.GetItem(0)->Markup, Curr("45"));
    EXPECT_EQ(U(List.GetItem(1)->GetAsString()), "Опт|1250|0");
    EXPECT_EQ(Selected, 0);
}

TEST(DocumentDialogs, AboutShowsShopAndVersion)
{
    WindowsScope W;
    W.Config.Cfg().Customer = "Магазин \"Уют\""_a;
    auto About = std::make_unique<TFormAbout>(Application);
    EXPECT_EQ(U(About->lbCustom->Caption()), "Магазин \"Уют\"");
    EXPECT_EQ(U(About->lbVersData->Caption()).rfind("v", 0), 0u);
    AnswerScope<TFormAbout> A([](TFormAbout& F) {
        KeepPng(&F, "dialog-about");
        F.DoOk();
    });
    EXPECT_EQ(About->ShowModal(), mrOk);
}

// The article picker: cell texts, the preselected row, and a double click
// that takes the article after the question.
TEST(DocumentDialogs, ArticlePickerTakesDoubleClickedRow)
{
    WindowsScope W;
    TshArticleList List;
    List.FileName = "Articles.fl";
    for (const char* Model : {"NRB 110", "ABC"}) {
        TshArticle& A = *List.Add();
        A.Model = AnsiString::FromUtf8(Model);
        A.Tip = "Холодильник"_a;
        A.Description = "Двухкамерный"_a;
        A.Country = "Беларусь"_a;
        A.Firm = "Атлант"_a;
        A.Warranty = 12;
    }
    int Start = -1;
    std::vector<std::string> Row2;
    std::string Title;
    AnswerScope<TFormArticles> A([&](TFormArticles& F) {
        Start = F.grid->Row();
        for (int Col = 0; Col < 7; ++Col)
            Row2.push_back(U(F.CellText(Col, 2)));
        Title = U(F.CellText(2, 0));
        KeepPng(&F, "dialog-articles");
        const TRect R = F.grid->CellRect(2, 1);
        SimulateDoubleClick(F.grid, R.Left + 5, R.Top + 5);
        Application->ProcessMessages();
    });
    int Index = 1;
    ASSERT_TRUE(TFormArticles::Execute(&List, Index));
    EXPECT_EQ(Start, 2);
    EXPECT_EQ(Row2, (std::vector<std::string>{"2", "Холодильник", "ABC", "Двухкамерный",
                                              "Беларусь", "Атлант", "12"}));
    EXPECT_EQ(Title, "Наименование товара");
    EXPECT_EQ(Index, 0);
    EXPECT_EQ(W.Said("MsgDialog"),
              std::vector<std::string>{"Взять это описание для текущего товара?"});
}

// The wheel scrolls the article list as the main grid does and leaves the
// chosen row where it is; warranty 0 reads "0"; Cancel keeps no placement.
TEST(DocumentDialogs, ArticlePickerScrollsAndCancelKeepsNothing)
{
    WindowsScope W;
    TshArticleList List;
    for (int I = 0; I < 60; ++I) {
        TshArticle& A = *List.Add();
        A.Model = "Модель "_a + IntToStr(I + 1);
    }
    int Top = 0, Chosen = 0, Visible = 0;
    std::string Warranty;
    AnswerScope<TFormArticles> A([&](TFormArticles& F) {
        Warranty = U(F.CellText(6, 1));
        Visible = F.grid->VisibleRowCount();
        const TRect R = F.grid->CellRect(2, 2);
        SimulateWheel(F.grid, -120, R.Left + 5, R.Top + 5);
        SimulateWheel(F.grid, -120, R.Left + 5, R.Top + 5, {ssCtrl});
        Top = F.grid->TopRow();
        Chosen = F.grid->Row();
        F.SetBounds(F.Left() + 40, F.Top() + 30, F.Width(), F.Height());
        F.btCancel->Click();
    });
    const bool OldCanSave = gCanSaveSettings;
    gCanSaveSettings = true;
    int Index = 4;
    EXPECT_FALSE(TFormArticles::Execute(&List, Index));
    ASSERT_LT(Visible, 40);
    EXPECT_EQ(Top, 1 + 3 + 9);
    EXPECT_EQ(Chosen, 5) << "the wheel does not move the chosen row";
    EXPECT_EQ(Warranty, "0");
    EXPECT_EQ(Index, 4);
    const auto Saved = [] {
        auto Sections = std::make_unique<TStringList>();
        GetAppIniFile()->ReadSections(Sections.get());
        return Sections->IndexOf("FormArticlesPosition") >= 0;
    };
    EXPECT_FALSE(Saved());
    // Taken with OK, the placement is kept.
    AnswerScope<TFormArticles> Ok([](TFormArticles& F) { F.btOk->Click(); });
    EXPECT_TRUE(TFormArticles::Execute(&List, Index));
    EXPECT_TRUE(Saved());
    gCanSaveSettings = OldCanSave;
}

// "Закончить" keeps what was typed into the shown markup; a value out of
// range keeps the dialog open with the reason.
TEST(DocumentDialogs, NamedMarkupsFinishKeepsTypedValues)
{
    WindowsScope W;
    TMarkupList List;
    List.Add("Основная"_a, Curr("30"), Curr("10"));
    int Selected = -1;
    int Tries = 0;
    AnswerScope<TFormNewMarkup> A([&](TFormNewMarkup& F) {
        PassKeyGuard(F);
        SimulateClick(F.edDiscount, F.edDiscount->Width() - 10, 5);
        SimulateText("150");
        SimulateClick(F.btOk, 10, 10);  // "Закончить"
        Application->ProcessMessages();
        ++Tries;
        EXPECT_EQ(F.ModalResult(), mrNone) << "kept open";
        EXPECT_TRUE(F.edDiscount->Focused());
        SimulateText("15");
        SimulateClick(F.edMarkup, F.edMarkup->Width() - 10, 5);
        SimulateText("35");
        SimulateKey(VK_RETURN);  // Enter is "Закончить" as well
        Application->ProcessMessages();
    });
    EXPECT_TRUE(TFormNewMarkup::Execute("", &List, Selected));
    EXPECT_EQ(Tries, 1);
    EXPECT_EQ(W.Said("ShowErrorWindow"),
              std::vector<std::string>{"Скидка по карте должна быть от 0 до 100 %"});
    EXPECT_EQ(U(List.GetItem(0)->GetAsString()), "Основная|3500|1500");
}

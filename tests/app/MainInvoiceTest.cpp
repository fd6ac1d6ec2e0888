// The main window: a first start, the rounding-mode states, grid edits that
// refuse bad input, the invoice state across runs (a damaged state file is
// kept aside), the tag kinds from the templates found, the named markups
// after their dialog, and the main road from the workbook to priced rows
// and back after a restart.

#include "app/MainInvoice.h"

#include "app/InvoiceType.h"
#include "app/AnalizeResult.h"
#include "app/ArticleList.h"
#include "app/LogInfo.h"
#include "app/MarkupList.h"
#include "app/NewIncoming.h"
#include "app/NewMarkup.h"
#include "app/ReadXLS.h"
#include "common/components/YLDCompn.h"
#include "platform/classes/Strings.h"
#include "platform/forms/Dialogs.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Files.h"
#include "app/InvFRep.h"
#include "app/ShippedTemplates.h"
#include "app/VelkorCFG.h"
#include "tests/app/AppWindowsTestKit.h"
#include "tests/app/MainWindowTestKit.h"
#include "tests/app/PdfBuilder.h"
#include "tests/common/reports/ReportPrinterScope.h"
#include "common/reports/RP_Document.h"
#include "common/reports/RP_PreviewForm.h"
#include "platform/forms/Printers.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

using namespace app_test;
using namespace pdf_test;

namespace {

/// Makes Builder the program's document builder for the scope.
class BuilderScope {
public:
    explicit BuilderScope(TFormFRep& Builder) : FOld(FormFRep) { FormFRep = &Builder; }
    ~BuilderScope() { FormFRep = FOld; }
    BuilderScope(const BuilderScope&) = delete;
    BuilderScope& operator=(const BuilderScope&) = delete;

private:
    TFormFRep* FOld;
};

/// A main window in the scope's start-up folder, set up and shown as at
/// start-up.
std::unique_ptr<TFormMain> StartMain()
{
    auto Main = std::make_unique<TFormMain>(Application);
    Main->SetupFromConfig();
    Main->Show();
    Application->ProcessMessages();
    return Main;
}

TshInvoiceTovar& AddRow(TshInvoice& Invoice, const char* Cost, const char* Price)
{
    TshInvoiceTovar& Row = *Invoice.Add();
    Row.Name = "Чайник"_a;
    Row.Kolvo = Curr("1");
    Row.PriceOpt = Curr(Cost);
    Row.Calc(0, Curr("25"), Curr("5"));
    if (Price)
        Row.Price = Curr(Price);
    return Row;
}

} // namespace

// An empty folder: the built-in markups, no rounding, the caption, the
// window menu; at the end the markups and the state go to the configuration.
TEST(MainWindow, FirstStart)
{
    WindowsScope W;
    auto Main = StartMain();
    EXPECT_EQ(Main->cbMarkup->Items()->Count(), 3);
    EXPECT_EQ(Main->cbMarkup->ItemIndex(), 0);
    EXPECT_DOUBLE_EQ(Main->edMarkup->Value(), 30);
    EXPECT_DOUBLE_EQ(Main->edDiscount->Value(), 10);
    EXPECT_EQ(Main->RoundMode, 0);
    EXPECT_FALSE(Main->rgRound->Enabled());
    EXPECT_EQ(U(Main->Caption()).rfind("Velkor - Магазин \"Магазин\": Импорт накладных, расчет "
                                       "наценок и печать ценников [v", 0),
              0u);
    ASSERT_EQ(Main->mnWindows->Count(), 2);
    EXPECT_EQ(U(Main->mnWindows->Items(0)->Caption()), "Главное окно");
    EXPECT_EQ(Main->rgPriceTicket->Items()->Count(), 0);
    EXPECT_EQ(Main->rgPriceTicket->Height(), 76);
    EXPECT_TRUE(W.Messages.empty());  // no state file: silent
    KeepPng(Main.get(), "main-window-first-start");

    Main->StoreToConfig();
    auto Kept = std::make_unique<TStringList>();
    Integer Index = -1;
    W.Config.Cfg().RestIniStrings("MarkupList", Kept.get(), Index);
    EXPECT_EQ(Kept->Count(), 3);
    EXPECT_EQ(Index, 0);
    EXPECT_EQ(W.Config.Cfg().RoundType, 0);
}

// Which mode each control chooses, and how the controls show it. Choosing
// a mode prices nothing.
TEST(MainWindow, RoundingModeStates)
{
    WindowsScope W;
    auto Main = StartMain();
    AddRow(*Main->Invoice, "100", nullptr);
    const Currency Price = Main->Invoice->GetItem(0)->Price;
    struct Case {
        const char* What;
        int Setup;  // -1 none; else rgRound's item before the choice
        int Mode;
        int RadioItem;
        bool RadioEnabled;
        bool Checked;
    };
    const Case Cases[] = {
        {"menu 0", -1, 0, -1, false, false},
        {"menu 1", -1, 1, 0, true, true},
        {"menu 2", -1, 2, 1, true, true},
        {"check box on, radio 'до 1'", 0, 1, 0, true, true},
        {"check box on, radio 'Крупно'", 1, 2, 1, true, true},
        {"check box off", -2, 0, -1, false, false},
        {"radio 'до 1'", 0, 1, 0, true, true},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.What);
        const std::string What = C.What;
        if (What.rfind("menu", 0) == 0) {
            Main->ChooseRoundMode(Main->mnRoundTo->Items(What.back() - '0'));
        } else if (What.rfind("check box", 0) == 0) {
            Main->RoundMode = 2;
            Main->ApplyRoundMode();
            if (C.Setup >= 0)
                Main->rgRound->SetItemIndex(C.Setup);
            Main->cbRound->SetChecked(C.Setup != -2);
            Main->ChooseRoundMode(Main->cbRound);
        } else {
            Main->rgRound->SetItemIndex(C.Setup);
            Main->ChooseRoundMode(Main->rgRound);
        }
        EXPECT_EQ(Main->RoundMode, C.Mode);
        EXPECT_EQ(Main->rgRound->ItemIndex(), C.RadioItem);
        EXPECT_EQ(Main->rgRound->Enabled(), C.RadioEnabled);
        EXPECT_EQ(Main->cbRound->Checked(), C.Checked);
        EXPECT_EQ(Main->Invoice->GetItem(0)->Price, Price);
    }
}

// Typed values: texts as typed, prices re-price the row; a text that is no
// number and a re-pricing that cannot be done are refused with a message,
// and the row keeps its values.
TEST(MainWindow, GridEditsRefuseBadInput)
{
    WindowsScope W;
    auto Main = StartMain();
    struct Case {
        const char* Cost;
        int Tag;
        const char* Text;
        bool Taken;
        const char* Price;  // retail price afterwards
        const char* Said;   // the error window's text, "" for none
    };
    const Case Cases[] = {
        {"100", 12, "130", true, "130", ""},                   // retail typed
        {"100", 12, "12a", false, "125", "Введено не число: \"12a\""},  // not a number
        {"100", 12, "", false, "125", "Введено не число: \"\""},        // nothing typed
        {"0", 12, "50", false, "0", "Ошибка вычислений: процент не считается от нулевой цены"},
        {"100", 11, "40", true, "140", ""},                    // markup typed
        {"100", 8, "12", true, "125", ""},                     // warranty
        {"100", 8, "год", false, "125", "Гарантия должна быть целым числом: \"год\""},
        {"100", 10, "x", false, "125", "Введено не число: \"x\""},  // cost refused, row kept
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(std::string(C.Text) + " in " + std::to_string(C.Tag));
        Main->Invoice->Clear();
        TshInvoiceTovar& Row = AddRow(*Main->Invoice, C.Cost, nullptr);
        const Currency Cost = Row.PriceOpt;
        W.Messages.clear();
        EXPECT_EQ(Main->SetRowText(0, C.Tag, AnsiString::FromUtf8(C.Text)), C.Taken);
        EXPECT_EQ(Row.Price, Curr(C.Price));
        EXPECT_EQ(Row.PriceOpt, Cost);
        const std::vector<std::string> Said = W.Said("ShowErrorWindow");
        EXPECT_EQ(Said.empty() ? std::string() : Said[0], C.Said);
    }
}

// A damaged state file is put aside as LastInvoice.inv.bad (said once),
// the invoice starts empty and the file is not written over.
TEST(MainWindow, DamagedStateFileIsKept)
{
    WindowsScope W;
    const std::filesystem::path State = W.Config.Dir().Path() / "LastInvoice.inv";
    const std::string Damaged = std::string("\x00\x06\x09shInvoiceXX", 13);
    WriteBytes(State, Damaged);
    {
        auto Main = StartMain();
        EXPECT_EQ(Main->Invoice->Count(), 0);
        const std::vector<std::string> Said = W.Said("ShowErrorWindow");
        ASSERT_EQ(Said.size(), 1u);
        EXPECT_NE(Said[0].find("LastInvoice.inv.bad"), std::string::npos);
        Main->Close();
    }
    EXPECT_EQ(ReadBytes(W.Config.Dir().Path() / "LastInvoice.inv.bad"), Damaged);
    EXPECT_EQ(W.Said("ShowErrorWindow").size(), 1u);
}

// A state file of lone end tags (the bytes that once loaded as a million
// empty rows) is no state: it is put aside and kept, and the close writes
// the invoice beside it.
TEST(MainWindow, StateOfLoneEndTagsIsPutAside)
{
    WindowsScope W;
    const std::filesystem::path Dir = W.Config.Dir().Path();
    const std::string Hostile = ReadBytes(TestData() / "InvoiceType" / "broken"
                                          / "lone-end-tags-as-rows.inv");
    WriteBytes(Dir / "LastInvoice.inv", Hostile);
    auto Main = StartMain();
    EXPECT_EQ(Main->Invoice->Count(), 0);
    const std::vector<std::string> Said = W.Said("ShowErrorWindow");
    ASSERT_EQ(Said.size(), 1u);
    EXPECT_NE(Said[0].find("Неверный заголовок"), std::string::npos) << Said[0];
    EXPECT_EQ(ReadBytes(Dir / "LastInvoice.inv.bad"), Hostile);
}

namespace {

/// Where the child of StateNeedingMoreMemoryThanThereIsIsKept reports.
constexpr const char* MemoryChildVariable = "PRICETAGS_STATE_MEMORY_CHILD";

/// A state file of Rows rows holding a name of 64 letters: some 8 times
/// their bytes in memory, inside what a file may hold for its size.
std::string StateOfNamedRows(int32_t Rows)
{
    std::string S("\x00\x06\x09shInvoice\xff\x00\x06\x04sITL\xfe", 21);
    for (int I = 0; I < 4; ++I)
        S += char((Rows >> (8 * I)) & 0xFF);
    const std::string Row = std::string("\x00\x06\x04TInT\x01\x06\x40", 10)
                            + std::string(64, 'N') + "\xff";
    for (int32_t I = 0; I < Rows; ++I)
        S += Row;
    return S + "\xff";
}

/// Bytes of address space the process holds now.
rlim_t AddressSpaceNow()
{
    std::ifstream Statm("/proc/self/statm");
    rlim_t Pages = 0;
    Statm >> Pages;
    return Pages * rlim_t(sysconf(_SC_PAGESIZE));
}

}  // namespace

// The child's part: the window starts on a state file whose rows need more
// memory than the process may take (30 MB of rows needing some 200 MB,
// with 128 MB to spare). Run only by StateNeedingMoreMemoryThanThereIsIsKept.
TEST(MainWindow, DISABLED_StateUnderMemoryLimit)
{
    const char* Report = std::getenv(MemoryChildVariable);
    ASSERT_NE(Report, nullptr);
    WindowsScope W;
    const std::filesystem::path Dir = W.Config.Dir().Path();
    const std::string State = StateOfNamedRows(400000);
    WriteBytes(Dir / "LastInvoice.inv", State);
    rlimit Old{};
    getrlimit(RLIMIT_AS, &Old);
    rlimit Limited = Old;
    Limited.rlim_cur = AddressSpaceNow() + (rlim_t(128) << 20);
    ASSERT_EQ(setrlimit(RLIMIT_AS, &Limited), 0);
    // The window loads the state as it is shown; it paints after the limit
    // is lifted: the painter scales images on helper threads, and a thread
    // that cannot be started under the limit left it waiting for ever.
    auto Main = std::make_unique<TFormMain>(Application);
    Main->SetupFromConfig();
    Main->Show();
    ASSERT_EQ(setrlimit(RLIMIT_AS, &Old), 0);
    Application->ProcessMessages();
    EXPECT_EQ(Main->Invoice->Count(), 0);
    const std::vector<std::string> Said = W.Said("ShowErrorWindow");
    ASSERT_EQ(Said.size(), 1u);
    EXPECT_NE(Said[0].find("LastInvoice.inv.bad"), std::string::npos) << Said[0];
    EXPECT_NE(Said[0].find("Out of memory"), std::string::npos) << Said[0];
    EXPECT_TRUE(ReadBytes(Dir / "LastInvoice.inv.bad") == State);
    // The close writes the (empty) invoice beside the kept file.
    Main->Close();
    EXPECT_TRUE(ReadBytes(Dir / "LastInvoice.inv.bad") == State);
    WriteBytes(Report, ::testing::Test::HasFailure() ? "failed" : "passed");
}

// A state file that needs more memory than there is ended the start in
// std::bad_alloc, and the close wrote an empty state over it. Now the file
// is put aside as any file that does not load.
TEST(MainWindow, StateNeedingMoreMemoryThanThereIsIsKept)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer reserves more address space than the limit leaves";
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    GTEST_SKIP() << "the sanitizer reserves more address space than the limit leaves";
#endif
#endif
    TempDir Tmp;
    const std::filesystem::path Report = Tmp.Path() / "child";
    const pid_t Child = StartThisTestProgram("MainWindow.DISABLED_StateUnderMemoryLimit",
                                             MemoryChildVariable, Report.string());
    ASSERT_GT(Child, 0);
    // A child that hangs is ended and reported, not waited for until the
    // whole test program is stopped.
    int Status = 0;
    pid_t Ended = 0;
    const auto Deadline = std::chrono::steady_clock::now() + std::chrono::seconds(90);
    while ((Ended = waitpid(Child, &Status, WNOHANG)) == 0
           && std::chrono::steady_clock::now() < Deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (Ended == 0) {
        kill(Child, SIGKILL);
        waitpid(Child, &Status, 0);
        FAIL() << "the child did not end in 90 s";
    }
    ASSERT_EQ(Ended, Child);
    EXPECT_TRUE(WIFEXITED(Status) && WEXITSTATUS(Status) == 0) << "status " << Status;
    EXPECT_EQ(ReadBytes(Report), "passed");
}

// A full disk, and a folder that takes no new files: the state cannot be
// written at close. The operator reads what was not written and why, in
// Russian, and chooses: "Не закрывать" (the default) keeps the window,
// "Закрыть без сохранения" closes it. The old state file stays whole and
// no part of the new one is left.
TEST(MainWindow, StateThatCannotBeWrittenStillLetsTheWindowClose)
{
    for (const WriteFault& C : WriteFaults) {
        SCOPED_TRACE(C.Name);
        WindowsScope W;
        const std::filesystem::path Dir = W.Config.Dir().Path();
        {
            TshInvoice Old(1);
            AddRow(Old, "50", nullptr).Name = "прежняя"_a;
            Old.SaveToFile(W.Config.Dir().File("LastInvoice.inv"));
        }
        const std::string Before = ReadBytes(Dir / "LastInvoice.inv");
        auto Main = StartMain();
        AddRow(*Main->Invoice, "100", nullptr);
        W.Messages.clear();
        {
            const FolderFaultScope Fault(W.Config.Dir().File(""), C.Errno, /*RoomLeft=*/100);
            Main->Close();
            EXPECT_TRUE(Main->Visible()) << "the default answer keeps the window";
            W.Answer = [](const MsgRequest& R) {
                return R.Buttons.size() == 2 && R.Buttons[0] == "Закрыть без сохранения"_a
                           ? 1
                           : R.DefaultButton;
            };
            Main->Close();
            EXPECT_FALSE(Main->Visible());
        }
        const std::vector<std::string> Said = W.Said("MsgDialog");
        ASSERT_EQ(Said.size(), 2u);
        EXPECT_EQ(Said[0].rfind("Состояние накладной не записано в файл \""
                                    + W.Config.Dir().File("LastInvoice.inv").ToUtf8() + "\"|",
                                0),
                  0u)
            << Said[0];
        EXPECT_NE(Said[0].find(C.Reason), std::string::npos) << Said[0];
        EXPECT_EQ(ReadBytes(Dir / "LastInvoice.inv"), Before);
        EXPECT_FALSE(std::filesystem::exists(Dir / "LastInvoice.inv.tmp"));
    }
}

// The close question on a full disk as the operator sees it (the PNG is
// kept for a look); Esc answers "Не закрывать".
TEST(MainWindow, StateNotWrittenQuestionIsShown)
{
    WindowsScope W;
    auto Main = StartMain();
    AddRow(*Main->Invoice, "100", nullptr);
    const MsgAnswerHookScope RealWindows(nullptr);
    int Shown = 0;
    const ModalHookScope Hook([&](TCustomForm& Form) {
        ++Shown;
        KeepPng(&Form, "main-window-state-not-written");
        Form.Perform(WM_KEYDOWN, VK_ESCAPE, 0);
    });
    {
        const FolderFaultScope Fault(W.Config.Dir().File(""), ENOSPC);
        Main->Close();
    }
    EXPECT_EQ(Shown, 1);
    EXPECT_TRUE(Main->Visible());
    EXPECT_FALSE(FileExists(W.Config.Dir().File("LastInvoice.inv")));
}

// A changed but empty invoice is neither asked about nor written.
TEST(MainWindow, ChangedEmptyInvoiceIsNotSaved)
{
    WindowsScope W;
    auto Main = StartMain();
    Main->Modified = true;
    Main->SaveInvoiceState();
    EXPECT_FALSE(FileExists(W.Config.Dir().File("LastInvoice.inv")));
    EXPECT_TRUE(W.Messages.empty());
}

// Tag kinds from the templates found: numbers 1, 3 and 7 give three kinds
// numbered 0..2 whose captions keep the template numbers; a kind outside
// them is an error.
TEST(MainWindow, TicketKindsFromTemplates)
{
    WindowsScope W;
    for (const char* Name : {"Ticket1.dcr", "ticket3.DCR", "Ticket7.dcf", "Report.dcr"})
        WriteBytes(W.Config.Dir().Path() / "TXT" / Name, "x");
    W.Config.Cfg().TicketType = 2;
    auto Main = StartMain();
    ASSERT_EQ(Main->rgPriceTicket->Items()->Count(), 3);
    EXPECT_EQ(U(Main->rgPriceTicket->Items()->Strings(1)), "3");
    EXPECT_EQ(Main->rgPriceTicket->ItemIndex(), 2);
    ASSERT_EQ(Main->mnPrintTickets->Count(), 3);
    EXPECT_EQ(U(Main->mnPrintTickets->Items(2)->Caption()), "Velkor 7");
    EXPECT_EQ(Main->mnPrintTickets->Items(2)->Tag(), 2);
    EXPECT_EQ(U(Main->GetTicketTemplate(1)), U(gTxtPath + "Ticket3"));
    ExpectRaises<EAppException>([&] { (void)Main->GetTicketTemplate(3); },
                                "Ошибка формирования имени файла ценника"_a);
}

// The kinds' captions take the names stored in the templates: from a file
// named as the template itself when there is one, else from its ".dcr"
// file in any case of letters; a name that only begins like a template's
// is another template.
TEST(MainWindow, TicketKindCaptionsFromTemplateFiles)
{
    const ShippedFile& Tag40x60 = ShippedTemplates()[1];
    ASSERT_STREQ(Tag40x60.Name, "Ticket1.dcr");
    const std::string Template(reinterpret_cast<const char*>(Tag40x60.Data), Tag40x60.Size);
    struct Case {
        std::vector<std::pair<const char*, std::string>> Files;  // TXT's entries
        std::vector<std::string> Kinds;
    };
    const Case Cases[] = {
        // the usual spelling
        {{{"Ticket1.dcr", Template}}, {"1) Ценник 40x60 мм (4)"}},
        // the .dcr file in other cases of letters
        {{{"ticket2.DCR", Template}}, {"2) Ценник 40x60 мм (4)"}},
        // the file without extension holds the name; the other is not read
        {{{"Ticket4", Template}, {"Ticket4.dcr", "x"}}, {"4) Ценник 40x60 мм (4)"}},
        // a file without extension alone is no template
        {{{"Ticket5", Template}}, {}},
        // Ticket10 is not Ticket1
        {{{"Ticket10.dcr", Template}}, {"10) Ценник 40x60 мм (4)"}},
        // a template in the other form gives its number only
        {{{"Ticket6.dcf", "[Report Description File]\r\n"}, {"Ticket3.dcr", Template}},
         {"3) Ценник 40x60 мм (4)", "6"}},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Files.front().first);
        WindowsScope W;
        for (const auto& [Name, Bytes] : C.Files)
            WriteBytes(W.Config.Dir().Path() / "TXT" / Name, Bytes);
        auto Main = StartMain();
        std::vector<std::string> Kinds, Items, MenuItems;
        for (int I = 0; I < Main->rgPriceTicket->Items()->Count(); ++I)
            Kinds.push_back(U(Main->rgPriceTicket->Items()->Strings(I)));
        EXPECT_EQ(Kinds, C.Kinds);
        // The print menu has the same kinds; one without a title says "Velkor".
        for (const std::string& K : C.Kinds)
            MenuItems.push_back(K.find(')') == std::string::npos ? "Velkor " + K : K);
        for (int I = 0; I < Main->mnPrintTickets->Count(); ++I)
            Items.push_back(U(Main->mnPrintTickets->Items(I)->Caption()));
        EXPECT_EQ(Items, MenuItems);
    }
}

// After the named-markup dialog the combo shows the markup last seen there
// and the edits hold its values, so a recalculation uses what is shown.
TEST(MainWindow, MarkupComboAndEditsStayInStep)
{
    WindowsScope W;
    auto Main = StartMain();
    AnswerScope<TFormNewMarkup> A([](TFormNewMarkup& F) {
        F.cbMarkup->SetItemIndex(2);
        F.cbMarkup->OnChange(F.cbMarkup);
        F.DoOk();
    });
    Main->acMarkups->Execute();
    EXPECT_EQ(Main->cbMarkup->ItemIndex(), 2);
    EXPECT_DOUBLE_EQ(Main->edMarkup->Value(), 50);
    EXPECT_DOUBLE_EQ(Main->edDiscount->Value(), 20);
}

// Printing as the operator does: the tag command opens the print view on
// the built pages, Ctrl+P asks the print dialog, "print to file" writes
// the PDF named there (no printer need be installed), and closing the view
// frees the builder for the next print.
TEST(MainWindow, TagsPrintThroughThePrintView)
{
    WindowsScope W;
    InstallShippedTemplates(gTxtPath);
    TPrinter Plain;
    const ReportPrinterScope UsePrinter(Plain);
    TFormFRep Builder(nullptr);
    const BuilderScope UseBuilder(Builder);
    const AnsiString Pdf = W.Config.Dir().File("shop-tags.pdf");
    DialogHookScope Dialogs([&](TCommonDialog& D) {
        if (auto* P = dynamic_cast<TPrintDialog*>(&D)) {
            P->SetPrintToFile(true);
            P->SetPrintFileName(Pdf);
            return true;
        }
        static_cast<TOpenDialog&>(D).SetFileName(ExampleBook());
        return true;
    });
    auto Main = StartMain();
    OpenInvoiceNumber17(*Main);
    ASSERT_EQ(Main->Invoice->Count(), 3);
    Main->cbMarkup->SetItemIndex(0);
    Main->cbMarkupSelect(Main->cbMarkup);
    Main->cbCalcAll->SetChecked(true);
    Main->acReCalc->Execute();

    Main->rgPriceTicket->SetItemIndex(0);
    Main->acPrintTicket->Execute();
    Application->ProcessMessages();
    ASSERT_NE(Builder.DocPrint(), nullptr);
    TPreviewForm* View = Builder.DocPrint()->PreviewForm();
    ASSERT_NE(View, nullptr);
    EXPECT_TRUE(View->Visible());
    EXPECT_EQ(Builder.DocPrint()->PageInfoCount(), 1);
    KeepPng(View, "print-view-tags");
    Word Key = 'P';
    View->FormKeyDown(View, Key, {ssCtrl});
    EXPECT_EQ(Plain.OutputFileName(), "");
    View->Close();
    Application->ProcessMessages();
    EXPECT_EQ(Builder.DocPrint(), nullptr);
    EXPECT_FALSE(Builder.Busy());
    if (HavePdfTools()) {
        const std::string Text = RunCommand("pdftotext -layout '" + U(Pdf) + "' -");
        size_t At = 0;
        for (const char* Shown : {"Холодильник NRB 110", "Пылесос ABC", "Чайник", "По карте"}) {
            SCOPED_TRACE(Shown);
            At = Text.find(Shown, At);
            ASSERT_NE(At, std::string::npos) << Text;
        }
    }
}

// The main road: open the worked example through the incoming-invoice
// dialog, price it with a named markup and coarse rounding, print the tags
// with the shipped 40x60 template into a PDF, close; the next start has the
// priced invoice back.
TEST(MainWindow, MainRoadAcrossRestart)
{
    WindowsScope W;
    InstallShippedTemplates(gTxtPath);
    const AnsiString Pdf = W.Config.Dir().File("tags.pdf");
    PdfBuilder Builder(Pdf);
    const BuilderScope UseBuilder(Builder);
    DialogHookScope Files([](TCommonDialog& D) {
        static_cast<TOpenDialog&>(D).SetFileName(ExampleBook());
        return true;
    });
    {
        auto Main = StartMain();
        OpenInvoiceNumber17(*Main);
        ASSERT_EQ(Main->Invoice->Count(), 3);
        EXPECT_EQ(U(Main->FileName), U(ExampleBook()));
        EXPECT_EQ(U(Main->Invoice->NumDoc), "17");
        EXPECT_FALSE(FormView && FormView->Visible());  // the example imports cleanly

        Main->ChooseRoundMode(Main->mnRoundTo->Items(2));
        Main->cbMarkup->SetItemIndex(0);
        Main->cbMarkupSelect(Main->cbMarkup);
        Main->cbCalcAll->SetChecked(true);
        Main->acReCalc->Execute();
        EXPECT_EQ(Main->Invoice->GetItem(0)->Price, Curr("13.50"));
        EXPECT_EQ(Main->Invoice->GetItem(0)->PriceDiscount, Curr("12"));
        EXPECT_EQ(Main->Invoice->GetItem(2)->Price, Curr("130"));
        EXPECT_EQ(Main->Invoice->SumRetail, Curr("158.30"));
        EXPECT_FALSE(Main->cbCalcAll->Checked());
        KeepPng(Main.get(), "main-window-priced");

        ASSERT_EQ(U(Main->rgPriceTicket->Items()->Strings(0)), "1) Ценник 40x60 мм (4)");
        Main->rgPriceTicket->SetItemIndex(0);
        Main->acPrintTicket->Execute();
        Application->ProcessMessages();
        EXPECT_FALSE(Builder.Busy());
        if (HavePdfTools()) {
            const std::string Text = RunCommand("pdftotext -layout '" + U(Pdf) + "' -");
            size_t At = 0;
            for (const char* Shown : {"Холодильник NRB 110", "Пылесос ABC", "Чайник", "13,50",
                                      "0,43", "130", "По карте: 12", "По карте: 0,39",
                                      "По карте: 117"}) {
                SCOPED_TRACE(Shown);
                At = Text.find(Shown, At);
                ASSERT_NE(At, std::string::npos) << Text;
            }
        }
        W.Messages.clear();
        Main->Close();  // asks to save the changed invoice; the default is yes
        EXPECT_EQ(W.Said("MsgDialog"),
                  std::vector<std::string>{"Сохранить текущее состояние накладной?"});
    }
    auto Main = StartMain();
    ASSERT_EQ(Main->Invoice->Count(), 3);
    EXPECT_EQ(Main->Invoice->GetItem(0)->Price, Curr("13.50"));
    EXPECT_EQ(U(Main->Invoice->NumDoc), "17");
}

// Import problems reach the text viewer through the posted message.
TEST(MainWindow, ImportErrorsShowInTheViewer)
{
    WindowsScope W;
    auto View = std::make_unique<TFormView>(Application);
    auto Main = StartMain();
    Main->SetInvoiceFileName("book.xls");
    Main->Invoice->AddError("Не совпадает ИТОГО по накладной [122,00 <> 123,00]"_a);
    PostMessage(Main->Handle(), WM_SHOWIMPORTERRORS, 0, 2);
    Application->ProcessMessages();
    ASSERT_TRUE(View->Visible());
    EXPECT_EQ(U(View->Caption()), "Ошибки импорта");
    EXPECT_EQ(U(View->lbMsg->Caption()),
              "ВНИМАНИЕ !!! Обнаружены следующие ошибки при импорте данных\r\nbook.xls");
    EXPECT_EQ(View->Memo->Lines()->Count(), 1);
    View->Close();
}

// Printing goes to the document builder, which is not connected yet: the
// operator is told so; without a template the tag kind is an error first.
TEST(MainWindow, PrintingSaysWhatIsMissing)
{
    WindowsScope W;
    {
        auto Main = StartMain();
        EXPECT_THROW(Main->acPrintTicket->Execute(), EAppException);
    }
    WriteBytes(W.Config.Dir().Path() / "TXT" / "Ticket1.dcr", "x");
    auto Main = StartMain();
    W.Messages.clear();
    EXPECT_THROW(Main->acPrintTicket->Execute(), EAbort);
    EXPECT_EQ(W.Said("ShowErrorWindow"), std::vector<std::string>{"Печать ещё не подключена"});
}

// The questions about a changed invoice, and what "No" keeps.
TEST(MainWindow, ChangedInvoiceQuestions)
{
    WindowsScope W;
    auto Main = StartMain();
    AddRow(*Main->Invoice, "100", nullptr);
    Main->SaveInvoiceState();  // unchanged: written without a question
    EXPECT_TRUE(W.Messages.empty());
    const std::string Saved = ReadBytes(W.Config.Dir().Path() / "LastInvoice.inv");

    W.Answer = [](const MsgRequest&) { return 2; };  // "Нет" to everything
    AddRow(*Main->Invoice, "50", nullptr);
    Main->Modified = true;
    Main->SaveInvoiceState();
    Main->RestoreInvoiceState(true);
    Main->ReloadInvoice();
    EXPECT_EQ(W.Said("MsgDialog"),
              (std::vector<std::string>{"Сохранить текущее состояние накладной?",
                                        "Восстановить предыдущее состояние накладной?",
                                        "Накладная изменена.\r\nПерезагрузить?"}));
    EXPECT_EQ(Main->Invoice->Count(), 2);  // nothing restored or reloaded
    EXPECT_EQ(ReadBytes(W.Config.Dir().Path() / "LastInvoice.inv"), Saved);

    // Asked for, a missing state file is reported.
    std::filesystem::remove(W.Config.Dir().Path() / "LastInvoice.inv");
    W.Messages.clear();
    Main->RestoreInvoiceState(true);
    EXPECT_EQ(W.Said("ShowErrorWindow"),
              std::vector<std::string>{"Не найден файл предыдущего состояния"});
}

// Developer mode shows the debug menu; its action keeps its state in the
// configuration.
TEST(MainWindow, DebugMenuInDeveloperMode)
{
    WindowsScope W;
    const bool Old = gDeveloperMode;
    gDeveloperMode = true;
    W.Config.Cfg().Deb = true;
    auto Main = StartMain();
    gDeveloperMode = Old;
    EXPECT_TRUE(Main->mnDebug->Visible());
    EXPECT_TRUE(Main->acOtladka->Checked());
    Main->acOtladka->Execute();
    EXPECT_FALSE(W.Config.Cfg().Deb);
}

// The short cuts of the commands reach the window from the keyboard.
TEST(MainWindow, ShortCutsRunCommands)
{
    WindowsScope W;
    auto Main = StartMain();
    AddRow(*Main->Invoice, "100", nullptr);
    AddRow(*Main->Invoice, "50", nullptr);
    Main->SetFocus();
    Application->ProcessMessages();
    SimulateKey('A', {ssCtrl});
    EXPECT_TRUE(Main->Invoice->DoMarks(4));
    SimulateKey('D', {ssCtrl});
    EXPECT_FALSE(Main->Invoice->AnyMarked());
    SimulateKey('S', {ssCtrl});
    EXPECT_TRUE(FileExists(W.Config.Dir().File("LastInvoice.inv")));
}

// Opening with "Поиск в базе описаний" gives the rows the best article: a
// model named alike carries its score before the description.
TEST(MainWindow, OpenMatchesArticleDescriptions)
{
    WindowsScope W;
    {
        TshArticleList Base;
        TshArticle& Same = *Base.Add();
        Same.Model = "Холодильник NRB 110"_a;
        Same.MatchKey = MakeModelKey(Same.Model);
        Same.Description = "Двухкамерный"_a;
        TshArticle& Alike = *Base.Add();
        Alike.Model = "Чайник электрический"_a;
        Alike.MatchKey = MakeModelKey("Чайник"_a);
        Alike.Description = "Стеклянный"_a;
        Base.SaveToFile(gTxtPath + "Articles.fl");
    }
    DialogHookScope Files([](TCommonDialog& D) {
        static_cast<TOpenDialog&>(D).SetFileName(ExampleBook());
        return true;
    });
    auto Main = StartMain();
    AnswerScope<TFormIncoming> A([](TFormIncoming& F) {
        EXPECT_TRUE(F.cbFindDescr->Checked());
        F.DoOk();
    });
    Main->acOpenInvoice->Execute();
    ASSERT_EQ(Main->Invoice->Count(), 3);
    EXPECT_EQ(U(Main->Invoice->GetItem(0)->Description), "Двухкамерный");
    EXPECT_EQ(Main->Invoice->GetItem(0)->ArticleIndex, 0);
    EXPECT_EQ(U(Main->Invoice->GetItem(2)->Description), "(80%) Стеклянный");
    EXPECT_TRUE(Main->Invoice->GetItem(1)->Description.IsEmpty());
    Main->Modified = false;
}

// New article descriptions from the set-up window: "Добавить" keeps the
// base and appends, "Заменить" imports into it, "Отмена" leaves it; the
// base is saved to TXT/Articles.fl.
TEST(MainWindow, ImportedArticlesAddOrReplace)
{
    Variant Table;
    Integer FirstColumn = 0;
    Integer FirstRow = 0;
    ReadXLSToTable(AnsiString::FromUtf8(
                       (TestData() / "InvoiceTypeImport" / "articles.xls").string()),
                   Table, FirstColumn, FirstRow);
    const auto Analysis = TAnalizeResult::CreateForArticles();
    Analysis->FirstRow = FirstRow;
    Analysis->FirstCol = FirstColumn;
    Analysis->AnalizeArticles(Table);
    struct Case {
        int Button;
        int Count;
    };
    const Case Cases[] = {
        {1, 6},  // added to the one article there
        {2, 5},  // the import replaces the base
        {3, 1},  // cancelled
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Button);
        WindowsScope W;
        auto Main = StartMain();
        Main->GetArticles()->Add()->Model = "Утюг"_a;
        W.Messages.clear();
        W.Answer = [&](const MsgRequest&) { return C.Button; };
        Main->ImportArticleTable(Table, *Analysis);
        EXPECT_EQ(W.Said("MsgDialog"),
                  std::vector<std::string>{"Что делать будем с новыми описаниями?"});
        EXPECT_EQ(Main->GetArticles()->Count(), C.Count);
        TshArticleList Saved;
        Saved.LoadFromFile(gTxtPath + "Articles.fl");
        EXPECT_EQ(Saved.Count(), C.Button == 3 ? 0 : C.Count);
    }
}

// The one open dialog in its three modes; afterwards it is the plain
// "Открыть" dialog again. Any other mode is not understood.
TEST(MainWindow, FileDialogModes)
{
    WindowsScope W;
    auto Main = StartMain();
    struct Case {
        const char* Mode;
        const char* Title;
        const char* Filter;
        bool Multi;
    };
    const Case Cases[] = {
        {"ARTICLE", "Открыть файл артикулов", "Файлы артикулов|*.xls|Все файлы|*.*", false},
        {"TEMPLATES", "Выбор загружаемых шаблонов", "Файлы шаблонов|*.dcf;*.dcr|Все файлы|*.*",
         true},
        {"PRINTEXTERNAL", "Выбор файла печати", "Файлы печати|*.rep|Все файлы|*.*", false},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Mode);
        std::string Title, Filter;
        bool Multi = false;
        DialogHookScope Files([&](TCommonDialog& D) {
            auto& Open = static_cast<TOpenDialog&>(D);
            Title = U(Open.Title());
            Filter = U(Open.Filter());
            Multi = Open.Options().Contains(ofAllowMultiSelect);
            Open.SetFileName("/tmp/x.xls");
            return true;
        });
        auto Chosen = std::make_unique<TStringList>();
        EXPECT_TRUE(Main->ExecuteFileDialog(C.Mode, "/tmp/", *Chosen));
        EXPECT_EQ(Title, C.Title);
        EXPECT_EQ(Filter, C.Filter);
        EXPECT_EQ(Multi, C.Multi);
        EXPECT_EQ(Chosen->Count(), 1);
        EXPECT_EQ(U(Main->OpenDialog->Title()), "Открыть");
        EXPECT_EQ(U(Main->OpenDialog->Filter()), "Все файлы|*.*");
        EXPECT_FALSE(Main->OpenDialog->Options().Contains(ofAllowMultiSelect));
    }
    auto Chosen = std::make_unique<TStringList>();
    EXPECT_FALSE(Main->ExecuteFileDialog("OTHER", "", *Chosen));
    EXPECT_EQ(W.Said("ShowErrorWindow"), std::vector<std::string>{"Не понял..."});
}

// A damaged state file that cannot be put aside stays as it is: the run
// does not write over it.
TEST(MainWindow, DamagedStateFileThatCannotMoveIsNotOverwritten)
{
    WindowsScope W;
    const std::filesystem::path Dir = W.Config.Dir().Path();
    std::filesystem::create_directories(Dir / "LastInvoice.inv.bad");
    WriteBytes(Dir / "LastInvoice.inv.bad" / "keep", "x");  // the name is taken
    const std::string Damaged = "not a state file";
    WriteBytes(Dir / "LastInvoice.inv", Damaged);
    auto Main = StartMain();
    ASSERT_EQ(W.Said("ShowErrorWindow").size(), 1u);
    EXPECT_NE(W.Said("ShowErrorWindow")[0].find("не будет записано"), std::string::npos);
    AddRow(*Main->Invoice, "100", nullptr);
    W.Messages.clear();
    Main->Close();
    Main->acSaveLastInvoice->Execute();
    EXPECT_EQ(ReadBytes(Dir / "LastInvoice.inv"), Damaged);
    EXPECT_EQ(W.Said("ShowErrorWindow"),
              std::vector<std::string>(
                  2, "Состояние накладной не записано: файл предыдущего состояния поврежден"));
}

// A workbook that cannot be read: the error reaches the caller (the
// application's handler shows it), the rows stay, and the busy cursor and
// the disabled left panel are given back.
TEST(MainWindow, UnreadableWorkbookKeepsRowsAndPanel)
{
    WindowsScope W;
    WriteBytes(W.Config.Dir().Path() / "broken.xls", "not a workbook at all");
    const AnsiString Broken = W.Config.Dir().File("broken.xls");
    DialogHookScope Files([&](TCommonDialog& D) {
        static_cast<TOpenDialog&>(D).SetFileName(Broken);
        return true;
    });
    auto Main = StartMain();
    AddRow(*Main->Invoice, "100", nullptr);
    Main->Invoice->NumDoc = "5";
    Main->Invoice->NameDoc = "Накладная №5"_a;
    Main->Invoice->FileName = "before.xls";
    Main->SetInvoiceFileName("before.xls");
    Main->cbCalcAll->SetChecked(true);
    Main->acReCalc->Execute();  // priced: work a reload would throw away
    AnswerScope<TFormIncoming> A([](TFormIncoming& F) {
        F.edInvNum->SetText("17");
        F.cbFindDescr->SetChecked(false);
        F.DoOk();
    });
    EXPECT_THROW(Main->acOpenInvoice->Execute(), Exception);
    EXPECT_EQ(Main->Invoice->Count(), 1);
    EXPECT_TRUE(Main->Panel1->Enabled());
    EXPECT_EQ(Screen->Cursor(), crDefault);
    // The rows kept keep their own header: no statement or saved state
    // names the workbook that could not be read.
    EXPECT_EQ(U(Main->Invoice->NumDoc), "5");
    EXPECT_EQ(U(Main->Invoice->NameDoc), "Накладная №5");
    EXPECT_EQ(U(Main->Invoice->FileName), "before.xls");
    EXPECT_EQ(U(Main->FileName), "before.xls");
    EXPECT_EQ(U(Main->lbFileNameTITLE->Caption()), "Накладная: before.xls");
    // The priced rows are still asked for before a reload.
    W.Messages.clear();
    W.Answer = [](const MsgRequest&) { return 2; };
    Main->acReload->Execute();
    EXPECT_EQ(W.Said("MsgDialog"),
              std::vector<std::string>{"Накладная изменена.\r\nПерезагрузить?"});
}

// "Открыть прошлую накладную" reads the workbook again: prices made since
// it was read are asked for first, also when the state file has them
// already (after Ctrl+S, after a restart); "Нет" keeps them.
TEST(MainWindow, ReloadAsksBeforeThrowingPricesAway)
{
    WindowsScope W;
    DialogHookScope Files([](TCommonDialog& D) {
        static_cast<TOpenDialog&>(D).SetFileName(ExampleBook());
        return true;
    });
    const std::vector<std::string> Asked{"Накладная изменена.\r\nПерезагрузить?"};
    {
        auto Main = StartMain();
        OpenInvoiceNumber17(*Main);
        ASSERT_EQ(Main->Invoice->Count(), 3);
        Main->cbCalcAll->SetChecked(true);
        Main->acReCalc->Execute();
        const Currency Priced = Main->Invoice->GetItem(0)->Price;
        Main->SetFocus();
        SimulateKey('S', {ssCtrl});  // written: nothing unsaved any more
        ASSERT_FALSE(Main->Modified);
        W.Messages.clear();
        W.Answer = [](const MsgRequest&) { return 2; };  // "Нет"
        Main->acReload->Execute();
        EXPECT_EQ(W.Said("MsgDialog"), Asked);
        EXPECT_EQ(Main->Invoice->GetItem(0)->Price, Priced);
        W.Answer = nullptr;
        Main->Close();
    }
    // The next start has the priced invoice back: reloading it asks too,
    // and "Да" reads the workbook anew.
    auto Main = StartMain();
    ASSERT_TRUE(Main->Invoice->GetItem(0)->Calculated);
    Main->SetInvoiceFileName(ExampleBook());
    W.Messages.clear();
    W.Answer = [](const MsgRequest&) { return 1; };  // "Да"
    SimulateDoubleClick(Main->lbFileNameTITLE, 20, 5);
    EXPECT_EQ(W.Said("MsgDialog"), Asked);
    EXPECT_FALSE(Main->Invoice->GetItem(0)->Calculated);
    // Just read: nothing to lose but what is not written yet (asked, as ever).
    W.Messages.clear();
    Main->SaveInvoiceState();
    Main->acReload->Execute();
    EXPECT_TRUE(W.Said("MsgDialog").size() == 1u
                && W.Said("MsgDialog")[0] == "Сохранить текущее состояние накладной?");
}

// "Настройки" opens the settings dialog at once: no file dialog, no
// message before it.
TEST(MainWindow, SettingsCommandOpensTheDialog)
{
    WindowsScope W;
    int DialogsShown = 0;
    DialogHookScope Files([&](TCommonDialog&) {
        ++DialogsShown;
        return false;
    });
    auto Main = StartMain();
    AnswerScope<TFormCFG> Settings([](TFormCFG& F) { F.btCancel->Click(); });
    Main->mnConfig->Click();
    Application->ProcessMessages();
    EXPECT_EQ(Settings.Shown, 1);
    EXPECT_EQ(DialogsShown, 0);
    EXPECT_TRUE(W.Messages.empty());
}

// "Печать внешних форм" with a file that is no report: the message names
// the file and it is not remembered as the last one; a good file is.
TEST(MainWindow, ExternalReportFilesNamedAndRemembered)
{
    WindowsScope W;
    TFormFRep Builder(nullptr);
    const BuilderScope UseBuilder(Builder);
    const std::filesystem::path Data = TestData() / "RP_PreviewForm";
    const AnsiString Bad = AnsiString::FromUtf8((Data / "broken" / "page-count-zero.rep").string());
    const AnsiString Good = AnsiString::FromUtf8((Data / "two-pages-margins.rep").string());
    W.Config.Cfg().rpFileName = Good;
    AnsiString Chosen = Bad;
    DialogHookScope Files([&](TCommonDialog& D) {
        static_cast<TOpenDialog&>(D).SetFileName(Chosen);
        return true;
    });
    auto Main = StartMain();
    EXPECT_THROW(Main->mnPrintExternal->Click(), EAbort);
    EXPECT_EQ(W.Said("MsgBox"), std::vector<std::string>{"Неверный формат файла:\r\n" + U(Bad)});
    EXPECT_EQ(W.Config.Cfg().rpFileName, Good);
    EXPECT_EQ(Builder.DocPrint(), nullptr);

    Chosen = Good;
    W.Config.Cfg().rpFileName = "";
    Main->mnPrintExternal->Click();
    ASSERT_NE(Builder.DocPrint(), nullptr);
    EXPECT_EQ(W.Config.Cfg().rpFileName, Good);
    TPreviewForm* View = Builder.DocPrint()->PreviewForm();
    ASSERT_NE(View, nullptr);
    EXPECT_EQ(View->Caption(), Good);
    // Another report opened in the view: the title follows it.
    const AnsiString Other = W.Config.Dir().File("other.rep");
    std::filesystem::copy_file(Data / "two-pages-margins.rep", U(Other));
    Chosen = Other;
    SimulateClick(View->LoadBtn, 5, 5);
    EXPECT_EQ(View->Caption(), Other);
    View->Close();
    Application->ProcessMessages();
}

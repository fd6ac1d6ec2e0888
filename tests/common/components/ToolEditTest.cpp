// Edits with a button: the date edit (typing, its date, the drop-down
// calendar opened and closed by keys and mouse, the date dialog) and the
// file-name edit (quoting, checks, the dialog, dropped files).

#include "common/components/PickDate.h"
#include "common/components/ToolEdit.h"

#include "tests/common/components/ComponentsTestKit.h"
#include "tests/support/SettingsScope.h"

#include "platform/classes/Strings.h"
#include "platform/forms/InputSimulation.h"
#include "platform/winapi/ShellAPI.h"
#include "platform/winapi/SystemMetrics.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

using namespace components_test;

namespace {

int ThisYear()
{
    Word Y = 0, M = 0, Dd = 0;
    DecodeDate(Date(), Y, M, Dd);
    return Y;
}

TDateTime D(int Y, int M, int Dd)
{
    return EncodeDate(Word(Y), Word(M), Word(Dd));
}

struct DateEditFixture : ::testing::Test {
    DateEditFixture() : Form(MakeForm(300, 200))
    {
        Edit = new TDateEdit(Form.get());
        Edit->SetParent(Form.get());
        Edit->SetBounds(10, 10, 120, 21);
        Other = new TEdit(Form.get());
        Other->SetParent(Form.get());
        Other->SetBounds(10, 60, 120, 21);
        Form->Show();
        Edit->SetFocus();
    }
    RussianSettingsScope Ru;
    std::unique_ptr<TForm> Form;
    TDateEdit* Edit = nullptr;
    TEdit* Other = nullptr;
};

} // namespace

TEST_F(DateEditFixture, MaskAndDateInDayFirstOrder)
{
    EXPECT_EQ(Edit->EditMask(), "!99/99/9999;1; ");
    EXPECT_EQ(Edit->DateFormat(), "DD/MM/YYYY");
    EXPECT_EQ(Edit->Date(), NoDate) << "an empty edit holds no date";
    Edit->SetDefaultToday(true);
    EXPECT_EQ(Edit->Date(), Date());
    Edit->SetDate(NoDate);
    EXPECT_EQ(Edit->Date(), Date()) << "a default-today edit shows today for no date";
    Edit->SetDefaultToday(false);
    Edit->SetDate(NoDate);
    EXPECT_EQ(Edit->Text(), "  .  .    ");

    Edit->SetDate(D(2020, 2, 1));
    EXPECT_EQ(Edit->Text(), "01.02.2020");
    EXPECT_TRUE(Edit->Modified());
    Edit->SetDate(D(2020, 2, 1));
    EXPECT_FALSE(Edit->Modified()) << "the same date again changes nothing";
    Edit->SetDate(1e9);
    EXPECT_EQ(Edit->Date(), NoDate) << "a value past 9999 is no date";
}

TEST_F(DateEditFixture, TypedDatesAndShortcutKeys)
{
    struct Case { const char* Keys; const char* Text; TDateTime Date; };
    const Case Cases[] = {
        {"01022020", "01.02.2020", D(2020, 2, 1)},
        {"31022020", "31.02.2020", NoDate},      // no such day: no date
        {"0102", "01.02.    ", D(ThisYear(), 2, 1)}, // day and month: this year's
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Keys);
        Edit->SetDate(NoDate);
        Edit->SelectAll();
        Edit->SetSelStart(0);
        Edit->SetSelLength(0);
        SimulateText(C.Keys);
        EXPECT_EQ(Edit->Text(), C.Text);
        EXPECT_EQ(Edit->Date(), C.Date);
    }
    Edit->SetDate(D(2020, 12, 31));
    SimulateKey(VK_ADD);
    EXPECT_EQ(Edit->Date(), D(2021, 1, 1)) << "numeric plus: a day on";
    SimulateKey(VK_SUBTRACT);
    SimulateKey(VK_SUBTRACT);
    EXPECT_EQ(Edit->Date(), D(2020, 12, 30));
    SimulateText("t");
    EXPECT_EQ(Edit->Date(), Date());
    Edit->SetDirectInput(false);
    Edit->SetDate(D(2020, 12, 30));
    SimulateKey(VK_ADD);
    EXPECT_EQ(Edit->Date(), D(2020, 12, 30)) << "without direct input the keys type nothing";
}

TEST_F(DateEditFixture, CheckOnExitRefusesADayThatDoesNotExist)
{
    Edit->SetCheckOnExit(true);
    Edit->SetText("31.02.2020");
    ExpectRaises<EConvertError>([&] { Edit->Perform(CM_EXIT); }, "''31.02.2020'' is not a valid date");
    Edit->SetText("05.03.20  ");
    Edit->Perform(CM_EXIT);
    EXPECT_EQ(Edit->Text(), "05.03.2020") << "leaving writes the date back in full";
}

TEST_F(DateEditFixture, AltDownOpensTheCalendarUnderTheEdit)
{
    Edit->SetDate(D(2021, 3, 10));
    SimulateKey(VK_DOWN, {ssAlt});
    ASSERT_TRUE(Edit->PopupVisible());
    TPopupCalendar* P = Edit->PopupCalendar();
    ASSERT_NE(P, nullptr);
    const TPoint EditOnScreen = Form->ClientToScreen({Edit->Left(), Edit->Top()});
    EXPECT_EQ(P->Top(), EditOnScreen.Y + Edit->Height());
    // Right-aligned with the edit, unless that would leave the screen.
    const int Right = EditOnScreen.X - (P->Width() - Edit->Width());
    EXPECT_EQ(P->Left(), Right < 0 ? EditOnScreen.X : Right);
    EXPECT_EQ(P->Calendar()->CalendarDate(), D(2021, 3, 10));
    EXPECT_TRUE(Edit->Focused()) << "the edit keeps the focus";
    // The calendar has its window: the pop-up shows the month, not an
    // empty box.
    EXPECT_TRUE(P->Calendar()->HandleAllocated());
    EXPECT_TRUE(P->Calendar()->Showing());
    EXPECT_EQ(reinterpret_cast<HWND>(GetWindowLong(P->Handle(), GWL_HWNDPARENT)), Form->Handle())
        << "owned by the form, so that a modal form lets the calendar take the mouse";
    if (const char* Dir = std::getenv("PRICETAGS_PNG_DIR")) {
        TBitmap Shot;
        GrabWindow(P, &Shot);
        WriteBytes(std::filesystem::path(Dir) / "date-edit-calendar.png", Shot.SaveToPngBytes());
    }

    SimulateKey(VK_NEXT);
    SimulateKey(VK_RIGHT);
    EXPECT_EQ(P->Calendar()->CalendarDate(), D(2021, 4, 11)) << "keys go to the calendar";
    EXPECT_EQ(Edit->Date(), D(2021, 3, 10)) << "the edit waits for the choice";
    SimulateKey(VK_RETURN);
    EXPECT_FALSE(Edit->PopupVisible());
    EXPECT_EQ(Edit->Date(), D(2021, 4, 11)) << "Enter accepts";

    SimulateKey(VK_DOWN, {ssAlt});
    SimulateKey(VK_NEXT);
    SimulateKey(VK_ESCAPE);
    EXPECT_FALSE(Edit->PopupVisible());
    EXPECT_EQ(Edit->Date(), D(2021, 4, 11)) << "Escape closes without taking the date";

    Edit->DoClick();
    ASSERT_TRUE(Edit->PopupVisible());
    SimulateClick(P->Buttons(2), 5, 5);
    EXPECT_TRUE(Edit->PopupVisible()) << "the month buttons leave it open";
    EXPECT_EQ(P->Calendar()->Month(), 5);
    SimulateClick(P->Buttons(1), 5, 5);
    TylCalendar* Cal = P->Calendar();
    const TRect Cell = Cal->CellRect(2, 3);
    const int Day = Cal->DayOfCell(2, 3);
    SimulateClick(Cal, (Cell.Left + Cell.Right) / 2, (Cell.Top + Cell.Bottom) / 2);
    EXPECT_FALSE(Edit->PopupVisible()) << "a click on a day closes it";
    EXPECT_EQ(Edit->Date(), D(2021, 4, Day));

    Edit->DoClick();
    Other->SetFocus();
    EXPECT_FALSE(Edit->PopupVisible()) << "losing the focus closes it";
}

TEST_F(DateEditFixture, CalendarOpensAboveNearTheScreenBottom)
{
    SystemMetricsScope Metrics;
    Metrics->SetScreen(800, 600);
    const TPoint Origin = Form->ClientToScreen({0, 0});
    Edit->SetTop(600 - Origin.Y - 30);
    Edit->DoClick();
    ASSERT_TRUE(Edit->PopupVisible());
    const TPoint EditOnScreen = Form->ClientToScreen({Edit->Left(), Edit->Top()});
    EXPECT_EQ(Edit->PopupCalendar()->Top(), EditOnScreen.Y - Edit->PopupCalendar()->Height());
    Edit->DoClick();
    EXPECT_FALSE(Edit->PopupVisible()) << "the button closes it again";
}

TEST_F(DateEditFixture, DialogStyleAndAcceptDate)
{
    Edit->SetCalendarStyle(csDialog);
    EXPECT_EQ(Edit->Popup(), nullptr);
    Edit->SetDate(D(2021, 6, 15));
    TDateTime Offered = 0;
    struct Guard {
        TDateTime* Offered;
        void Accept(TObject*, TDateTime& Date, bool& Action)
        {
            *Offered = Date;
            Date += 1;
            Action = true;
        }
    } G {&Offered};
    Edit->OnAcceptDate = TExecDateDialog(&G, &Guard::Accept);
    ModalHookScope Hook([](TCustomForm& F) {
        auto& Dlg = dynamic_cast<TSelectDateDlg&>(F);
        EXPECT_EQ(Dlg.Date(), D(2021, 6, 15));
        Dlg.Calendar()->NextMonth();
        Dlg.SetModalResult(mrOk);
    });
    Edit->DoClick();
    EXPECT_EQ(Offered, D(2021, 7, 15));
    EXPECT_EQ(Edit->Date(), D(2021, 7, 16)) << "the handler may change the date";
}

TEST(TCustomComboEdit, ReadOnlyAndDirectInputRules)
{
    auto Form = MakeForm(300, 100);
    auto* Edit = new TFilenameEdit(Form.get());
    Edit->SetParent(Form.get());
    Edit->SetBounds(10, 10, 200, 21);
    Form->Show();
    int Clicks = 0;
    struct Counter {
        int* N;
        void Hit(TObject*) { ++*N; }
    } C {&Clicks};
    Edit->OnButtonClick = TNotifyEvent(&C, &Counter::Hit);
    DialogHookScope NoDialog([](TCommonDialog&) { return false; });
    Edit->SetReadOnly(true);
    Edit->DoClick();
    EXPECT_EQ(Clicks, 0) << "read-only without AlwaysEnable";
    Edit->SetAlwaysEnable(true);
    Edit->DoClick();
    EXPECT_EQ(Clicks, 1);
    Edit->SetReadOnly(false);
    Edit->SetDirectInput(false);
    Edit->SetFocus();
    SimulateText("abc");
    EXPECT_EQ(Edit->Text(), "") << "no typing without direct input";
    SimulateKey(VK_DOWN, {ssAlt});
    EXPECT_EQ(Clicks, 2) << "but the button's key works";
    Edit->SetButtonWidth(Edit->ClientWidth());
    EXPECT_LT(Edit->ButtonWidth(), Edit->ClientWidth()) << "a button as wide as the edit is refused";
    auto Bmp = Render(Form.get());
    SavePng(*Bmp, "file-edit");
}

TEST(TFilenameEdit, NamesQuotesAndTheDialog)
{
    TempDir Dir;
    auto Form = MakeForm(300, 100);
    auto* Edit = new TFilenameEdit(Form.get());
    Edit->SetParent(Form.get());
    Edit->SetBounds(10, 10, 200, 21);
    Form->Show();

    Edit->SetFileName("/tmp/Новая накладная.xls"_a);
    EXPECT_EQ(Edit->Text(), "\"/tmp/Новая накладная.xls\""_a);
    EXPECT_EQ(Edit->FileName(), "/tmp/Новая накладная.xls"_a) << "read back without quotes";
    ExpectRaises<EComboEditError>([&] { Edit->SetFileName("a|b"); }, "Invalid file name - a|b");
    EXPECT_EQ(Edit->Filter(), "All files (*.*)|*.*");
    EXPECT_EQ(Edit->DialogTitle(), "Browse");

    // A path of 300 characters goes through whole.
    const std::string Sub(250, 'd');
    std::filesystem::create_directories(Dir.Path() / Sub);
    const std::string Name(40, 'f');
    WriteBytes(Dir.Path() / Sub / Name, "x");
    const AnsiString Long = AnsiString::FromUtf8((Dir.Path() / Sub / Name).string());
    ASSERT_GT(Long.Length(), 300);
    Edit->SetFileName(Long);
    EXPECT_EQ(Edit->FileName(), Long);
    EXPECT_EQ(Edit->LongFormOfName(), AnsiString(Name));

    AnsiString Seen;
    DialogHookScope Hook([&](TCommonDialog& Dlg) {
        auto& Open = dynamic_cast<TOpenDialog&>(Dlg);
        Seen = Open.InitialDir();
        Open.SetFileName(AnsiString::FromUtf8((Dir.Path() / "chosen file.xls").string()));
        return true;
    });
    Edit->DoClick();
    EXPECT_EQ(Seen, AnsiString::FromUtf8((Dir.Path() / Sub).string())) << "the dialog starts in the name's folder";
    EXPECT_EQ(Edit->FileName(), AnsiString::FromUtf8((Dir.Path() / "chosen file.xls").string()));

    Edit->SetAcceptFiles(true);
    SimulateDropFiles(Edit->Handle(), {Long, "/tmp/second"}, {5, 5});
    EXPECT_EQ(Edit->FileName(), Long) << "one dropped name, whole";
}

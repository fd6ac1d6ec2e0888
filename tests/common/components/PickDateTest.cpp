// The month calendar, the pop-up calendar and the date dialog: month
// layout by start of week, navigation by keys, clicks and buttons, and
// the painted grid.

#include "common/components/PickDate.h"

#include "tests/common/components/ComponentsTestKit.h"
#include "tests/support/SettingsScope.h"

#include "platform/classes/Strings.h"
#include "platform/forms/InputSimulation.h"

#include <gtest/gtest.h>

using namespace components_test;

namespace {

struct CalendarFixture : ::testing::Test {
    CalendarFixture() : Form(MakeForm(260, 200))
    {
        Cal = new TylCalendar(Form.get());
        Cal->SetParent(Form.get());
        Cal->SetBounds(10, 10, 220, 150);
        Form->Show();
        Cal->SetFocus();
    }
    RussianSettingsScope Ru;
    std::unique_ptr<TForm> Form;
    TylCalendar* Cal = nullptr;
};

/// Pixels of smoothed red text: red well above green and blue.
int CountReddish(TBitmap& Bmp, const TRect& R)
{
    int N = 0;
    for (int Y = R.Top; Y < R.Bottom; ++Y)
        for (int X = R.Left; X < R.Right; ++X) {
            const COLORREF C = PixelOf(Bmp, X, Y);
            N += GetRValue(C) > 120 && GetGValue(C) + 60 < GetRValue(C) && GetBValue(C) + 60 < GetRValue(C);
        }
    return N;
}

TDateTime D(int Y, int M, int Dd)
{
    return EncodeDate(Word(Y), Word(M), Word(Dd));
}

} // namespace

TEST_F(CalendarFixture, MonthStartsInTheRightColumn)
{
    Cal->SetStartOfWeek(Mon);
    Cal->SetCalendarDate(D(2024, 1, 15)); // 1 January 2024 is a Monday
    EXPECT_EQ(Cal->CellText(0, 1), "1");
    EXPECT_EQ(Cal->CellText(0, 0), "Пн"_a) << "row 0 holds the day names";
    EXPECT_EQ(Cal->CellText(2, 3), "17");
    EXPECT_EQ(Cal->Col(), 0);
    EXPECT_EQ(Cal->Row(), 3) << "the selection is on the 15th";

    Cal->SetCalendarDate(D(2024, 9, 10)); // 1 September 2024 is a Sunday
    EXPECT_EQ(Cal->CellText(6, 1), "1") << "in the last column of row 1, not row 0";
    EXPECT_EQ(Cal->CellText(0, 1), "");
    EXPECT_EQ(Cal->CellText(0, 6), "30");

    Cal->SetStartOfWeek(Sun);
    EXPECT_EQ(Cal->CellText(0, 1), "1");
    EXPECT_EQ(Cal->CellText(0, 0), "Вс"_a);
}

TEST_F(CalendarFixture, DatePartsAndYearsKeepTheDayValid)
{
    Cal->SetCalendarDate(D(2000, 2, 29));
    Cal->NextYear();
    EXPECT_EQ(Cal->CalendarDate(), D(2001, 2, 28));
    Cal->SetCalendarDate(D(2001, 1, 31));
    Cal->SetMonth(2);
    EXPECT_EQ(Cal->CalendarDate(), D(2001, 2, 28));
    EXPECT_FALSE(Cal->UseCurrentDate());
    Cal->SetCalendarDate(D(2000, 1, 31));
    Cal->SetMonth(2);
    EXPECT_EQ(Cal->CalendarDate(), D(2000, 2, 29));
    Cal->SetDay(31);
    EXPECT_EQ(Cal->Day(), 29) << "a day past the month's end is ignored";
    Cal->SetMonth(13);
    EXPECT_EQ(Cal->Month(), 2);
    Cal->SetCalendarDate(D(2000, 3, 31));
    Cal->PrevMonth();
    EXPECT_EQ(Cal->CalendarDate(), D(2000, 2, 29));
    Cal->NextMonth();
    EXPECT_EQ(Cal->CalendarDate(), D(2000, 3, 29));
}

TEST_F(CalendarFixture, KeysAndClicksMoveTheDate)
{
    int Changes = 0;
    struct Counter {
        int* N;
        void Hit(TObject*) { ++*N; }
    } C {&Changes};
    Cal->OnChange = TNotifyEvent(&C, &Counter::Hit);
    Cal->SetCalendarDate(D(2021, 5, 31));
    SimulateKey(VK_RIGHT);
    EXPECT_EQ(Cal->CalendarDate(), D(2021, 6, 1)) << "past the last day into the next month";
    SimulateKey(VK_LEFT);
    EXPECT_EQ(Cal->CalendarDate(), D(2021, 5, 31));
    SimulateKey(VK_SUBTRACT);
    EXPECT_EQ(Cal->CalendarDate(), D(2021, 5, 30));
    SimulateKey(VK_DOWN);
    EXPECT_EQ(Cal->CalendarDate(), D(2021, 5, 30)) << "no day below the last Sunday";
    SimulateKey(VK_UP);
    EXPECT_EQ(Cal->CalendarDate(), D(2021, 5, 23)) << "a row up is a week earlier";
    const TRect R = Cal->CellRect(2, 2); // Wednesday of week 2: 5 May 2021
    SimulateClick(Cal, (R.Left + R.Right) / 2, (R.Top + R.Bottom) / 2);
    EXPECT_EQ(Cal->CalendarDate(), D(2021, 5, 5));
    const TRect Empty = Cal->CellRect(0, 1); // before the 1st
    SimulateClick(Cal, (Empty.Left + Empty.Right) / 2, (Empty.Top + Empty.Bottom) / 2);
    EXPECT_EQ(Cal->CalendarDate(), D(2021, 5, 5)) << "an empty cell cannot be chosen";
    SimulateText("t");
    EXPECT_EQ(Cal->CalendarDate(), Date());
    EXPECT_GE(Changes, 7);
    Cal->SetReadOnly(true);
    Cal->SetCalendarDate(D(2021, 5, 5));
    SimulateClick(Cal, (R.Left + R.Right) / 2, (R.Top + R.Bottom) / 2 + R.Height());
    EXPECT_EQ(Cal->CalendarDate(), D(2021, 5, 5)) << "a read-only calendar keeps its date";
}

TEST_F(CalendarFixture, WeekendsArePaintedInTheirColour)
{
    Cal->SetCalendarDate(D(2021, 5, 12));
    auto Bmp = Render(Form.get());
    SavePng(*Bmp, "calendar");
    const TRect Sunday = Cal->CellRect(6, 2);
    const TRect Monday = Cal->CellRect(0, 2);
    const auto OnForm = [&](TRect R) {
        OffsetRect(R, Cal->Left() + 1, Cal->Top() + 1);
        return R;
    };
    EXPECT_GT(CountReddish(*Bmp, OnForm(Sunday)), 3);
    EXPECT_EQ(CountReddish(*Bmp, OnForm(Monday)), 0);
    const TRect Selected = Cal->CellRect(Cal->Col(), Cal->Row());
    EXPECT_GT(CountPixels(*Bmp, OnForm(Selected), clHighlight), 20);
}

TEST(TPopupCalendar, ValuesAndNavigation)
{
    const RussianSettingsScope Ru;
    auto Owner = MakeForm(100, 100);
    TPopupCalendar* P = MakePopupCalendar(Owner.get());
    EXPECT_EQ(P->Width(), 187);
    EXPECT_EQ(P->Height(), 124);
    P->WriteValue(Variant(D(2020, 3, 15)));
    EXPECT_EQ(P->ReadValue().AsDateTime(), D(2020, 3, 15));
    EXPECT_EQ(P->TitleLabel()->Caption(), "Март, 2020"_a);
    auto Bmp = Render(P);
    SavePng(*Bmp, "popup-calendar");
    EXPECT_GT(CountPixels(*Bmp, {0, 0, 30, 18}, clBlack), 10) << "the year and month buttons";
    Word Key = VK_NEXT;
    P->HandleKey(Key, {});
    EXPECT_EQ(P->Calendar()->CalendarDate(), D(2020, 4, 15));
    Key = VK_PRIOR;
    P->HandleKey(Key, {ssCtrl});
    EXPECT_EQ(P->Calendar()->CalendarDate(), D(2019, 4, 15));
    P->Buttons(3)->Click();
    EXPECT_EQ(P->Calendar()->CalendarDate(), D(2020, 4, 15)) << "the next-year button";
    P->WriteValue(Variant(AnsiString("  .  .    ")));
    EXPECT_EQ(P->Calendar()->CalendarDate(), Date()) << "an empty mask shows today";
    P->WriteValue(Null());
    EXPECT_EQ(P->Calendar()->CalendarDate(), Date());
}

TEST(TSelectDateDlg, KeysNavigateAndEnterAccepts)
{
    const RussianSettingsScope Ru;
    TDateTime Date = D(2022, 1, 10);
    int Round = 0;
    ModalHookScope Hook([&](TCustomForm& F) {
        auto& Dlg = dynamic_cast<TSelectDateDlg&>(F);
        if (Round++ == 0) {
            EXPECT_EQ(Dlg.Caption(), "Дата накладной"_a);
            EXPECT_EQ(Dlg.Calendar()->StartOfWeek(), Mon);
            EXPECT_EQ(Dlg.Buttons(1)->Hint(), "Назад"_a);
            EXPECT_EQ(Dlg.Buttons(0)->Hint(), "Previous Year|") << "empty hints keep the default";
            Word K = VK_NEXT;
            Dlg.Perform(WM_KEYDOWN, K, 0);
            K = VK_TAB;
            SetKeyStateForTest(VK_SHIFT, false);
            Dlg.Perform(WM_KEYDOWN, K, 0);
            K = VK_NEXT;
            SetKeyStateForTest(VK_CONTROL, true);
            Dlg.Perform(WM_KEYDOWN, K, 0);
            SetKeyStateForTest(VK_CONTROL, false);
            K = VK_RETURN;
            Dlg.Perform(WM_KEYDOWN, K, 0);
        }
    });
    TStringList Hints;
    Hints.Add("");
    Hints.Add("Назад"_a);
    ASSERT_TRUE(PickDateInDialog(Date, "Дата накладной"_a, Mon, TDaysOfWeek{Sun, Sat}, clRed, &Hints));
    EXPECT_EQ(Date, D(2023, 3, 10)) << "a month, another month, then a year on";

    ModalHookScope Cancel([](TCustomForm& F) { F.Perform(WM_KEYDOWN, VK_ESCAPE, 0); });
    TDateTime Kept = D(2022, 1, 10);
    EXPECT_FALSE(PickDateInDialog(Kept, "", Mon, {Sun}, clRed, nullptr));
    EXPECT_EQ(Kept, D(2022, 1, 10));
}

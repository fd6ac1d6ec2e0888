// Number, currency and integer edits: typed keys accepted and refused, the
// value and text that result, limits, Escape, and the unfocused display.

#include "common/components/YLDCompn.h"

#include "tests/common/components/ComponentsTestKit.h"
#include "tests/support/SettingsScope.h"

#include "platform/forms/InputSimulation.h"
#include "platform/forms/StdCtrls.h"

#include <gtest/gtest.h>

using namespace components_test;

namespace {

template <class Edit>
struct EditFixture {
    EditFixture() : Form(MakeForm(240, 80))
    {
        E = new Edit(Form.get());
        E->SetParent(Form.get());
        E->SetBounds(10, 10, 150, 21);
        Other = new TEdit(Form.get());
        Other->SetParent(Form.get());
        Other->SetBounds(10, 40, 150, 21);
        Form->Show();
        E->SetFocus();
    }
    /// Types Keys into the focused edit after clearing it; the beeps it cost.
    int Type(const char* Keys)
    {
        E->SelectAll();
        SimulateKey(VK_DELETE);
        const int Before = MessageBeepCount();
        SimulateText(AnsiString::FromUtf8(Keys));
        return MessageBeepCount() - Before;
    }
    std::unique_ptr<TForm> Form;
    Edit* E = nullptr;
    TEdit* Other = nullptr;
};

struct TypingCase {
    const char* Keys;
    const char* Text;   // what the edit shows afterwards
    int Beeps;          // keys refused
    double Value;
};

} // namespace

TEST(Tyl_FloatEdit, TypingInRussianSettings)
{
    const RussianSettingsScope Ru;
    EditFixture<Tyl_FloatEdit> F;
    const TypingCase Cases[] = {
        {"12,34", "12,34", 0, 12.34},
        {"12,345", "12,34", 1, 12.34},   // a third decimal is refused
        {"12.5", "12,5", 0, 12.5},       // a point types the decimal comma
        {"-7", "-7", 0, -7},             // a sign may start the number
        {"-", "-", 0, 0},                // a lone sign reads as 0
        {"1a2", "12", 1, 12},
        {"1,2,3", "1,23", 1, 1.23},      // one decimal separator only
        {"", "", 0, 0},                  // empty reads as 0
        {"1e5", "15", 1, 15},            // "1e" is no number yet: refused
    };
    for (const TypingCase& C : Cases) {
        SCOPED_TRACE(C.Keys);
        EXPECT_EQ(F.Type(C.Keys), C.Beeps);
        EXPECT_EQ(F.E->Text(), AnsiString::FromUtf8(C.Text));
        EXPECT_DOUBLE_EQ(F.E->Value(), C.Value);
    }
}

TEST(Tyl_FloatEdit, CommaTypesThePointInEnglishSettings)
{
    const EnglishSettingsScope En;
    EditFixture<Tyl_FloatEdit> F;
    EXPECT_EQ(F.Type("3,25"), 0);
    EXPECT_EQ(F.E->Text(), "3.25");
    EXPECT_DOUBLE_EQ(F.E->Value(), 3.25);
    F.E->SetBeepOnError(false);
    EXPECT_EQ(F.Type("3,255"), 0) << "refused silently";
    EXPECT_EQ(F.E->Text(), "3.25");
}

TEST(Tyl_FloatEdit, LimitsAsMinAndMaxSay)
{
    struct Case { double Min, Max, In, Out; const char* Why; };
    const Case Cases[] = {
        {0, 0, -1e6, -1e6, "no limits"},
        {10, 0, 5, 10, "only a lower limit"},
        {10, 0, 1e6, 1e6, "large values stay"},
        {0, 10, 11, 10, "both limits"},
        {0, -5, 3, -5, "limits the wrong way round, min 0: an upper limit"},
        {20, 10, 3, 3, "the wrong way round without a 0: none"},
        {5, 5, 1, 1, "equal limits: none"},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Why);
        Tyl_FloatEdit E(nullptr);
        E.SetMinValue(C.Min);
        E.SetMaxValue(C.Max);
        E.SetValue(C.In);
        EXPECT_DOUBLE_EQ(E.Value(), C.Out);
    }
    Tyl_FloatEdit E(nullptr);
    E.SetValue(100);
    E.SetMaxValue(50);
    E.SetMinValue(1);
    EXPECT_DOUBLE_EQ(E.Value(), 50) << "a new limit applies to the value shown";
}

TEST(Tyl_FloatEdit, EscapeGivesBackTheLastValueAndEnterReachesTheForm)
{
    const RussianSettingsScope Ru;
    EditFixture<Tyl_FloatEdit> F;
    auto* Ok = new TButton(F.Form.get());
    Ok->SetParent(F.Form.get());
    Ok->SetBounds(170, 10, 60, 25);
    Ok->SetDefault(true);
    Ok->SetModalResult(mrOk);
    F.E->SetValue(5);
    F.E->SetFocus();
    F.E->SelectAll();
    SimulateText("7");
    EXPECT_EQ(F.E->Text(), "7");
    SimulateKey(VK_ESCAPE);
    EXPECT_EQ(F.E->Text(), "5");
    EXPECT_EQ(F.E->SelLength(), 1) << "and selects it";
    SimulateKey(VK_RETURN);
    EXPECT_EQ(F.Form->ModalResult(), mrOk) << "Enter presses the default button";
}

TEST(Tyl_FloatEdit, ShowsTheDisplayFormatWithoutFocus)
{
    const RussianSettingsScope Ru;
    EditFixture<Tyl_FloatEdit> F;
    F.E->SetDisplayFormat(",0.00");
    F.E->SetValue(1234.5);
    EXPECT_EQ(F.E->Text(), "1234,5") << "focused: the plain number";
    F.Other->SetFocus();
    EXPECT_EQ(F.E->DisplayText(), "1\xA0" "234,50");
    auto Bmp = Render(F.Form.get());
    SavePng(*Bmp, "float-edit");
    // Right-justified: ink near the right end, none at the left.
    const TRect Left {F.E->Left() + 2, F.E->Top() + 2, F.E->Left() + 60, F.E->Top() + 18};
    const TRect Right {F.E->Left() + 90, F.E->Top() + 2, F.E->Left() + 146, F.E->Top() + 18};
    EXPECT_EQ(CountPixels(*Bmp, Left, clBlack), 0);
    EXPECT_GT(CountPixels(*Bmp, Right, clBlack), 5);
    F.E->SetDisplayFormat("   ");
    EXPECT_EQ(F.E->DisplayFormat(), "") << "blank gives the float edit's empty default";
    EXPECT_EQ(F.E->DisplayText(), "1234,5");
    F.E->SetFocus();
    F.E->SelectAll();
    SimulateText("8");
    F.Other->SetFocus();
    EXPECT_DOUBLE_EQ(F.E->Value(), 8) << "leaving takes the typed value";
}

TEST(Tyl_IntegerEdit, DigitsAndBlanksOnly)
{
    const RussianSettingsScope Ru;
    EditFixture<Tyl_IntegerEdit> F;
    const TypingCase Cases[] = {
        {"123", "123", 0, 123},
        {"1a", "1", 1, 1},
        {"-5", "5", 1, 5},              // no sign in an integer edit
        {"1 2", "1 2", 0, 12},          // blanks are kept and ignored
        {"99999999999", "999999999", 2, 999999999}, // past the integer range
        {"1,5", "15", 1, 15},
    };
    for (const TypingCase& C : Cases) {
        SCOPED_TRACE(C.Keys);
        EXPECT_EQ(F.Type(C.Keys), C.Beeps);
        EXPECT_EQ(F.E->Text(), AnsiString::FromUtf8(C.Text));
        if (C.Value != 0) {
            EXPECT_EQ(F.E->Value(), static_cast<Integer>(C.Value));
        }
    }
    F.E->SetMinValue(1);
    F.E->SetMaxValue(59);
    F.E->SetValue(75);
    EXPECT_EQ(F.E->Value(), 59);
    EXPECT_EQ(F.E->DecimalPlaces(), 0);
}

TEST(Tyl_CurrencyEdit, MoneyValueAndPlaces)
{
    const RussianSettingsScope Ru;
    EditFixture<Tyl_CurrencyEdit> F;
    EXPECT_EQ(F.Type("12,345"), 1);
    EXPECT_EQ(F.E->Value(), Currency::FromRaw(123400));
    F.E->SetValue(Currency::FromRaw(15000));
    EXPECT_EQ(F.E->Text(), "1,5");
    F.Other->SetFocus();
    EXPECT_EQ(F.E->DisplayText(), "1,50р."_a) << "the locale's money format";
    F.E->SetValue(Currency::FromRaw(-12345000));
    EXPECT_EQ(F.E->DisplayText(), AnsiString("-1\xA0") + "234,50р."_a);
    F.E->SetDecimalPlaces(7);
    EXPECT_EQ(F.E->DecimalPlaces(), 4);
    F.E->SetDecimalPlaces(-1);
    EXPECT_EQ(F.E->DecimalPlaces(), 2) << "-1 takes the locale's money decimals";
    F.E->SetDecimalPlaces(-3);
    EXPECT_EQ(F.E->DecimalPlaces(), 2);
}

TEST(Tyl_FloatEdit, PastingTextThatIsNoNumberKeepsTheOldText)
{
    const RussianSettingsScope Ru;
    EditFixture<Tyl_FloatEdit> F;
    F.E->SetValue(3);
    F.E->SelectAll();
    F.Other->SetText("не число"_a);
    F.Other->SelectAll();
    F.Other->CopyToClipboard();
    F.E->SetFocus();
    F.E->SelectAll();
    F.E->PasteFromClipboard();
    EXPECT_EQ(F.E->Text(), "3");
    EXPECT_DOUBLE_EQ(F.E->Value(), 3);
}

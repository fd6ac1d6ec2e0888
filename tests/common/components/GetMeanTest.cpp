#include "common/components/GetMean.h"

#include "common/components/ExLabel.h"
#include "common/components/MsgWin.h"
#include "common/components/ToolEdit.h"
#include "common/components/YLDCompn.h"
#include "platform/forms/Buttons.h"
#include "platform/forms/Clipbrd.h"
#include "platform/forms/InputSimulation.h"
#include "platform/forms/StdCtrls.h"
#include "platform/rtl/DateTime.h"

#include "tests/common/base/NoLogScope.h"
#include "tests/common/components/ComponentsTestKit.h"
#include "tests/support/SettingsScope.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace components_test;

namespace {

/// The window shown (not modally) with a kind and a default, the value
/// edit focused.
std::unique_ptr<TFormGet> ShowGet(Byte Kind, const Variant& Default = Variant(""))
{
    auto F = std::make_unique<TFormGet>(nullptr);
    F->SetSavePlacement(false);
    F->SetKind(Kind);
    F->SetDefault(Default);
    F->Show();
    Application->ProcessMessages();
    F->ValueControl()->SetFocus();
    Application->ProcessMessages();
    return F;
}

/// Records what the message routines said.
struct Said {
    std::vector<std::string> Texts;
    MsgAnswerHookScope Hook{[this](const MsgRequest& R) {
        Texts.push_back((R.Title.IsEmpty() ? R.Text : R.Title).ToUtf8());
        return R.DefaultButton;
    }};
};

} // namespace

TEST(GetMean, KeysTypedPerKind)
{
    struct KeyCase {
        Byte Kind;
        const char* Typed;
        const char* Shown;
        int Beeps;
    };
    const KeyCase Cases[] = {
        {1, "Ab 1", "Ab 1", 0},   // a string takes anything
        {3, "a", "", 1},          // a letter beeps and is dropped
        {3, "-5", "-5", 0},       // a sign and a digit
        {6, "1,5", "1.5", 0},     // the comma becomes the point
        {6, "1.5.2", "1.52", 0},  // a second mark is dropped silently
        {6, "1e", "1", 1},        // no exponent
        {13, "abc", "***", 0},    // hidden: one star per letter
        {99, "x", "", 1},         // an unknown kind takes Backspace only
    };
    for (const KeyCase& C : Cases) {
        SCOPED_TRACE(std::to_string(C.Kind) + " " + C.Typed);
        auto F = ShowGet(C.Kind);
        const int Before = MessageBeepCount();
        SimulateText(C.Typed);
        Application->ProcessMessages();
        EXPECT_EQ(F->ed->Text(), C.Shown);
        EXPECT_EQ(MessageBeepCount() - Before, C.Beeps);
    }
}

TEST(GetMean, HiddenKindKeepsTheRealTextAndBackspaceClearsAll)
{
    auto F = ShowGet(13);
    SimulateText("se");
    // Control characters are no part of a secret.
    SimulateKey('A', {ssCtrl}, "\x01");
    SimulateText("c");
    EXPECT_EQ(F->HiddenText(), "sec");
    EXPECT_EQ(F->Answer().AsString(), "sec");
    SimulateKey(VK_BACK, {}, "\b");
    EXPECT_EQ(F->HiddenText(), "");
    EXPECT_EQ(F->ed->Text(), "");
}

TEST(GetMean, PastedTexts)
{
    struct PasteCase {
        Byte Kind;
        const char* Clip;
        const char* Shown;
        const char* Answer;
    };
    const PasteCase Cases[] = {
        {1, "Привет", "Привет", "Привет"}, // a string pastes as is
        {13, "pw1", "***", "pw1"},         // hidden: appended to the secret
        {3, "12a", "", ""},                // numbers refuse Ctrl+V as a key
    };
    for (const PasteCase& C : Cases) {
        SCOPED_TRACE(C.Clip);
        auto F = ShowGet(C.Kind);
        Clipboard()->SetAsText(AnsiString::FromUtf8(C.Clip));
        SimulateKey('V', {ssCtrl}, "\x16");
        Application->ProcessMessages();
        EXPECT_EQ(F->ed->Text().ToUtf8(), C.Shown);
        if (C.Kind != 3)
            EXPECT_EQ(F->Answer().AsString().ToUtf8(), C.Answer);
    }
}

TEST(GetMean, DateKeyCheck)
{
    struct DateCase {
        const char* Text;
        char Key;
        bool Accepted;
    };
    const DateCase Cases[] = {
        {"", '.', false},          // no separator first
        {"32", '.', false},        // day above 31
        {"31", '/', true},         // a separator after a valid day
        {"12.13", '.', false},     // month above 12
        {"12.12", ',', true},      //
        {"1.", '.', false},        // right after a separator
        {"1.2.2024", '.', false},  // a third separator
        {"12", '3', false},        // a day of three digits
        {"12.10.2024", '1', false},// the text is full
        {"12.10.202", '4', true},  // the fourth year digit
        {"1.1", 'a', false},       // not a date character
    };
    TFormGet F(nullptr);
    F.SetKind(8);
    for (const DateCase& C : Cases) {
        SCOPED_TRACE(std::string(C.Text) + " + " + C.Key);
        EXPECT_EQ(F.DateKeyAccepted(C.Text, C.Key), C.Accepted);
    }
}

TEST(GetMean, DefaultMarkerPlacesTheCaret)
{
    auto F = ShowGet(1, Variant(AnsiString("ab") + KillEditSelectMarker + "cd"));
    Application->ProcessMessages();
    EXPECT_EQ(F->ed->Text(), "abcd");
    EXPECT_EQ(F->ed->SelStart(), 2);
    EXPECT_EQ(F->ed->SelLength(), 0);
    // Numbers come selected whole.
    auto N = ShowGet(3, Variant(Integer(1234)));
    Application->ProcessMessages();
    EXPECT_EQ(N->ed->SelLength(), 4);
}

TEST(GetMean, LongPromptGoesToTheDescription)
{
    TFormGet F(nullptr);
    const AnsiString Saved = F.lbHeader->Caption();
    F.SetPrompt("Имя"_a);
    EXPECT_EQ(F.lbHeader->Caption(), "Имя"_a);
    EXPECT_EQ(F.lb->Caption(), "");
    const AnsiString Long = "Введите, пожалуйста, полное наименование поставщика, как в накладной"_a;
    F.SetPrompt(Long);
    EXPECT_EQ(F.lbHeader->Caption(), Saved);
    EXPECT_EQ(F.lb->Caption(), Long);
}

TEST(GetMean, OkChecksTheValue)
{
    const RussianSettingsScope Ru;
    const NoLogScope NoLog;
    struct OkCase {
        Byte Kind;
        const char* Text;
        bool Closes;
        Variant Value;
    };
    const OkCase Cases[] = {
        {3, "12a", false, Variant()},         // pasted junk
        {3, "-5", true, Variant(Integer(-5))},
        {3, "", false, Variant()},            // nothing typed
        {6, "1.5", true, Variant(1.5)},       // the point reads with Russian settings
        {6, "-", false, Variant()},
        {1, "", true, Variant("")},
    };
    for (const OkCase& C : Cases) {
        SCOPED_TRACE(C.Text);
        Said Messages;
        Variant V(C.Kind == 1 ? Variant("x") : Variant(""));
        bool WasOpen = false;
        const ModalHookScope Hook([&](TCustomForm& Form) {
            auto& F = static_cast<TFormGet&>(Form);
            if (WasOpen) {
                F.SetModalResult(mrCancel);
                return;
            }
            WasOpen = true;
            F.ed->SetText(C.Text);
            F.btOk->Click();
        });
        const bool Ok = GetMeanValue("Значение"_a, C.Kind, V);
        EXPECT_EQ(Ok, C.Closes);
        if (C.Closes) {
            EXPECT_EQ(VarType(V), VarType(C.Value));
            EXPECT_EQ(V.AsString(), C.Value.AsString());
            EXPECT_TRUE(Messages.Texts.empty());
        } else {
            EXPECT_EQ(Messages.Texts, std::vector<std::string>{"Неверное значение !!!"});
        }
    }
}

TEST(GetMean, DateAndTimeKinds)
{
    const RussianSettingsScope Ru;
    const TDateTime Day = EncodeDate(2026, 12, 9);
    const TDateTime Noon = EncodeTime(12, 30, 0, 0);
    struct DateKindCase {
        Byte Kind;
        TDateTime Default;
        TDateTime Answer;
    };
    const DateKindCase Cases[] = {
        {8, Day + Noon, Day},          // the date part
        {9, Day + Noon, Noon},         // hour and minute
        {10, Day + Noon, Day + Noon},  // both
    };
    for (const DateKindCase& C : Cases) {
        SCOPED_TRACE(int(C.Kind));
        Variant V{TDateTime(C.Default)};
        const ModalHookScope Hook([&](TCustomForm& Form) {
            auto& F = static_cast<TFormGet&>(Form);
            // The date and time controls took the text edit's place.
            EXPECT_EQ(F.ed, nullptr);
            F.btOk->Click();
        });
        ASSERT_TRUE(GetMeanValue("Дата"_a, C.Kind, V));
        EXPECT_EQ(VarType(V), varDate);
        EXPECT_NEAR(V.AsDateTime(), C.Answer, 1e-9);
    }
    // A date kind needs a date default.
    Variant Text("вчера"_a);
    const ModalHookScope Hook([](TCustomForm& Form) { Form.SetModalResult(mrCancel); });
    ExpectRaises<Exception>([&] { GetMeanValue("Дата"_a, 8, Text); }, "Default is'nt Date/Time");
}

TEST(GetMean, GetMeanStrAnswersAString)
{
    AnsiString Value = "старое"_a;
    {
        const ModalHookScope Hook([](TCustomForm& Form) {
            auto& F = static_cast<TFormGet&>(Form);
            EXPECT_EQ(F.ed->Text(), "старое"_a);
            F.ed->SetText("новое"_a);
            F.btOk->Click();
        });
        EXPECT_TRUE(GetMeanStr("Имя"_a, Value));
    }
    EXPECT_EQ(Value, "новое"_a);
    const ModalHookScope Cancel([](TCustomForm& Form) {
        static_cast<TFormGet&>(Form).btCancel->Click();
    });
    EXPECT_FALSE(GetMeanStr("Имя"_a, Value));
    EXPECT_EQ(Value, "новое"_a);
}

TEST(GetMean, RenderEveryKind)
{
    const RussianSettingsScope Ru;
    const struct {
        Byte Kind;
        const char* Name;
        Variant Default;
    } Kinds[] = {
        {1, "getmean-string", Variant("Магазин"_a)},
        {3, "getmean-integer", Variant(Integer(25))},
        {6, "getmean-float", Variant("12.5")},
        {8, "getmean-date", Variant(TDateTime(EncodeDate(2026, 12, 9)))},
        {9, "getmean-time", Variant(TDateTime(EncodeTime(9, 45, 0, 0)))},
        {10, "getmean-datetime", Variant(TDateTime(EncodeDate(2026, 12, 9) + EncodeTime(9, 45, 0, 0)))},
        {13, "getmean-password", Variant("")},
    };
    for (const auto& K : Kinds) {
        SCOPED_TRACE(K.Name);
        auto F = std::make_unique<TFormGet>(nullptr);
        F->SetSavePlacement(false);
        F->SetKind(K.Kind);
        F->SetPrompt(K.Kind == 6 ? "Введите, пожалуйста, величину наценки в процентах, можно с дробной частью"_a
                                 : "Введите значение"_a);
        F->SetDefault(K.Default);
        F->Show();
        if (K.Kind == 13)
            SimulateText("abc");
        Application->ProcessMessages();
        auto Shot = Render(F.get());
        SavePng(*Shot, K.Name);
    }
}

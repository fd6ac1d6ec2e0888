#include "common/WMsgs.h"

#include "common/Funcs.h"
#include "common/MsgWin.h"
#include "platform/classes/Strings.h"
#include "platform/gui/InputSimulation.h"

#include "tests/common/NoLogScope.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

namespace {

/// The message routines show their window for the scope; Answer runs
/// inside the window's modal loop, once, and must end it.
class WindowScope {
public:
    explicit WindowScope(std::function<void(TFormMessage&)> Answer)
        : FHook([this](TCustomForm& Form) {
              auto* Msg = dynamic_cast<TFormMessage*>(&Form);
              ASSERT_NE(Msg, nullptr);
              ++Shown;
              if (Shown > 1) { // the answer did not end the window
                  Form.SetModalResult(mrCancel);
                  return;
              }
              FAnswer(*Msg);
          }),
          FAnswer(std::move(Answer))
    {
        SetMsgWindowsEnabled(true);
    }
    ~WindowScope() { SetMsgWindowsEnabled(false); }
    int Shown = 0;

private:
    ModalHookScope FHook;
    std::function<void(TFormMessage&)> FAnswer;
};

/// Captions of the buttons the window shows, in number order.
std::vector<std::string> ShownButtons(TFormMessage& F)
{
    std::vector<std::string> R;
    if (F.GeneratedCount() == 0) {
        if (F.btOk->Visible())
            R.push_back(F.btOk->Caption().ToUtf8());
        if (F.btCancel->Visible())
            R.push_back(F.btCancel->Caption().ToUtf8());
    }
    for (int I = 0; I < F.GeneratedCount(); ++I)
        R.push_back(F.Generated(I)->Caption().ToUtf8());
    return R;
}

void KeepPng(TFormMessage& F, const char* Name)
{
    Application->ProcessMessages();
    TBitmap Shot;
    GrabWindow(&F, &Shot);
    if (const char* Dir = std::getenv("PRICETAGS_PNG_DIR"))
        WriteBytes(std::filesystem::path(Dir) / Name, Shot.SaveToPngBytes());
}

std::string Cp(const char* Utf8)
{
    return Utf8;
}

} // namespace

// The standard buttons and headers by style, and what Esc answers.
TEST(MessageWindow, StylesChooseButtonsAndHeader)
{
    const NoLogScope NoLog;
    struct Case {
        Word Flags;
        std::vector<const char*> Buttons;
        const char* Header;
        int Esc;
    };
    const Case Cases[] = {
        {1, {"Ok"}, "Сообщение", 2},               // a single Ok
        {3, {"Ok"}, "Сообщение", 2},               // 1 + 2 without 16 leave Ok only
        {16, {"Ok", "Отменить"}, "Сообщение", 2},   // the Ok/Cancel pair
        {32, {"Да", "Нет"}, "Сообщение", 2},        // the Yes/No pair
        {160, {"Да", "Нет"}, "Внимание !!!", 2},    // warning look
        {288, {"Да", "Нет"}, "Выбор", 2},           // choice look
        {65, {"Ok"}, "Ошибка !!!", 2},              // error look
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Flags);
        std::vector<std::string> Buttons;
        std::string Header;
        WindowScope W([&](TFormMessage& F) {
            Buttons = ShownButtons(F);
            Header = F.lbHeader->Caption().ToUtf8();
            SimulateKey(VK_ESCAPE);
        });
        const Integer R = MsgDialog("", "", "Вопрос"_a, nullptr, C.Flags, {""}, "");
        std::vector<std::string> Expected;
        for (const char* B : C.Buttons)
            Expected.push_back(Cp(B));
        EXPECT_EQ(Buttons, Expected);
        EXPECT_EQ(Header, Cp(C.Header));
        EXPECT_EQ(R, C.Esc);
    }
}

TEST(MessageWindow, ButtonListsSetDefaultAndCancel)
{
    const NoLogScope NoLog;
    {
        // One integer: the Yes/No pair with "Нет" as the default.
        WindowScope W([](TFormMessage&) { SimulateKey(VK_RETURN, {ssCtrl}); });
        EXPECT_EQ(MsgDialog("", "", "?", nullptr, 32, {2}, ""), 2);
    }
    {
        // 0x0301: default 1, cancel 3; Esc answers 3.
        std::vector<std::string> Buttons;
        WindowScope W([&](TFormMessage& F) {
            Buttons = ShownButtons(F);
            SimulateKey(VK_ESCAPE);
        });
        EXPECT_EQ(MsgDialog("", "", "?", nullptr, 256, {0x0301, "Раз"_a, "Два"_a, "Три"_a}, ""), 3);
        EXPECT_EQ(Buttons, (std::vector<std::string>{Cp("Раз"), Cp("Два"), Cp("Три")}));
    }
    {
        // A click on a generated button answers its number.
        WindowScope W([](TFormMessage& F) { F.Generated(1)->Click(); });
        EXPECT_EQ(MsgChoice("?", "", {"Раз"_a, "Два"_a}), 2);
    }
    ExpectRaises<EAppException>(
        [] {
            const NoLogScope Quiet;
            WindowScope W([](TFormMessage&) {});
            MsgDialog("", "", "?", nullptr, 1, {"a", 5}, "");
        },
        "FMsg.setButtons: Ошибка в параметрах"_a);
}

TEST(MessageWindow, ChoiceListAnswersTheChosenItem)
{
    const NoLogScope NoLog;
    TStringList Items;
    Items.AddObject("первый"_a, reinterpret_cast<TObject*>(intptr_t(2)));
    Items.Add("второй"_a);
    Items.Add("третий"_a);
    {
        WindowScope W([](TFormMessage& F) {
            EXPECT_TRUE(F.cbList->Visible());
            EXPECT_EQ(F.cbList->ItemIndex(), 2); // preselected by the first object
            KeepPng(F, "message-choice.png");
            SimulateKey(VK_RETURN, {ssCtrl});
        });
        EXPECT_EQ(MsgDialog("", "", "Выберите"_a, &Items, 256, {"Взять"_a, "Отмена"_a}, ""), -3);
    }
    {
        // Another button keeps its number; Esc still records the list.
        WindowScope W([](TFormMessage& F) { F.Generated(1)->Click(); });
        EXPECT_EQ(MsgDialog("", "", "Выберите"_a, &Items, 256, {"Взять"_a, "Отмена"_a}, ""), 2);
    }
}

// Many wide buttons stack; the window grows with its text up to 90 % of the
// work area and keeps its smallest size for short texts.
TEST(MessageWindow, LayoutFollowsTheTexts)
{
    const NoLogScope NoLog;
    int ShortWidth = 0;
    int ShortHeight = 0;
    {
        WindowScope W([&](TFormMessage& F) {
            ShortWidth = F.ClientWidth();
            ShortHeight = F.ClientHeight();
            EXPECT_FALSE(F.lbWarnInform->Visible()); // no title: no title line
            SimulateKey(VK_ESCAPE);
        });
        MsgDialog("", "", "", nullptr, 1, {""}, "Коротко"_a);
    }
    EXPECT_EQ(ShortWidth, 400);
    EXPECT_EQ(ShortHeight, 204);
    {
        AnsiString Long;
        for (int I = 0; I < 30; ++I)
            Long += "длинный текст сообщения "_a;
        WindowScope W([&](TFormMessage& F) {
            EXPECT_GT(F.ClientWidth(), ShortWidth);
            // The window shows at its laid-out size (not the size it had
            // when its window was made).
            TBitmap Shot;
            GrabWindow(&F, &Shot);
            EXPECT_EQ(Shot.Width(), F.ClientWidth());
            EXPECT_LE(F.Width(), Screen->WorkAreaWidth());
            EXPECT_GT(F.lbWarn->Height(), 2 * F.lbWarn->Font()->Size());
            EXPECT_GE(F.lbWarn->Top(), F.bv->Top());
            KeepPng(F, "message-error.png");
            SimulateKey(VK_RETURN, {ssCtrl});
        });
        EXPECT_TRUE(ShowErrorWindow("Не удалось открыть файл|"_a + Long));
    }
    {
        WindowScope W([&](TFormMessage& F) {
            EXPECT_TRUE(F.Vertical());
            for (int I = 1; I < F.GeneratedCount(); ++I)
                EXPECT_GT(F.Generated(I)->Top(), F.Generated(I - 1)->Top());
            SimulateKey(VK_ESCAPE);
        });
        AnsiString Wide = "Очень длинная надпись на кнопке номер"_a;
        MsgChoice("?", "", {Wide + " 1", Wide + " 2", Wide + " 3", Wide + " 4"});
    }
}

// The countdown presses the default button by itself.
TEST(MessageWindow, CountdownPressesTheDefaultButton)
{
    TFormMessage F(nullptr);
    F.setButtons({2, "Да"_a, "Нет"_a});
    F.SetStyle(MsgStyleYesNo);
    F.SetAutoCloseSeconds(3);
    F.OnShow(&F);
    EXPECT_TRUE(F.lbTimer->Visible());
    EXPECT_EQ(F.lbTimer->Caption(), " 2 ");
    F.TimerStop->OnTimer(F.TimerStop);
    EXPECT_EQ(F.lbTimer->Caption(), " 1 ");
    EXPECT_EQ(F.Pressed(), -1);
    F.TimerStop->OnTimer(F.TimerStop);
    F.TimerStop->OnTimer(F.TimerStop);
    EXPECT_EQ(F.Pressed(), 2);
    EXPECT_EQ(F.ModalResult(), mrOk);
}

TEST(MessageWindow, AskSaveChangesAndAskDeleteThroughTheWindow)
{
    const NoLogScope NoLog;
    {
        WindowScope W([](TFormMessage& F) {
            EXPECT_EQ(ShownButtons(F),
                      (std::vector<std::string>{Cp("Да"), Cp("Нет"), Cp("Отмена")}));
            F.Generated(1)->Click();
        });
        EXPECT_FALSE(AskSaveChanges("Сохранить накладную?|Есть изменения"_a));
    }
    {
        WindowScope W([](TFormMessage&) { SimulateKey(VK_ESCAPE); });
        ExpectRaises<EAbort>([] { AskSaveChanges(""); }, "Operation aborted");
    }
    {
        // "Нет" is the default of a deletion.
        WindowScope W([](TFormMessage&) { SimulateKey(VK_RETURN, {ssCtrl}); });
        EXPECT_FALSE(AskDelete("Строка 5"_a, "", true));
    }
}

// Enter alone presses the button that has the focus: the default one at
// first, another one once Tab has moved the focus to it; standard and
// generated buttons alike.
TEST(MessageWindow, EnterPressesTheFocusedButton)
{
    const NoLogScope NoLog;
    struct Case {
        const char* What;
        int Tabs;      // Tab presses before Enter
        bool Generated;
        int Answer;
    };
    const Case Cases[] = {
        {"Yes/No, focus on Да", 0, false, 1},
        {"Yes/No, Tab to Нет", 1, false, 2},
        {"three captions, focus on the default", 0, true, 1},
        {"three captions, Tab twice", 2, true, 3},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.What);
        WindowScope W([&](TFormMessage&) {
            for (int I = 0; I < C.Tabs; ++I)
                SimulateKey(VK_TAB);
            SimulateKey(VK_RETURN);
        });
        const Integer R = C.Generated ? MsgChoice("?", "", {"Раз"_a, "Два"_a, "Три"_a})
                                      : MsgDialog("", "", "Вопрос"_a, nullptr, 32, {""}, "");
        EXPECT_EQ(W.Shown, 1);
        EXPECT_EQ(R, C.Answer);
    }
}

// A window without a title keeps the title line's least height (the
// cancel-application button's), as one with a one-line title does.
TEST(MessageWindow, NoTitleKeepsTheTitleLineHeight)
{
    const NoLogScope NoLog;
    AnsiString Long;
    for (int I = 0; I < 12; ++I)
        Long += "строка сообщения\\n"_a;
    int WithTitle = 0;
    int WithoutTitle = 0;
    {
        WindowScope W([&](TFormMessage& F) {
            WithTitle = F.ClientHeight();
            SimulateKey(VK_ESCAPE);
        });
        MsgDialog("", "", "Заголовок"_a, nullptr, 1, {""}, Long);
    }
    {
        WindowScope W([&](TFormMessage& F) {
            WithoutTitle = F.ClientHeight();
            KeepPng(F, "message-no-title.png");
            SimulateKey(VK_ESCAPE);
        });
        MsgDialog("", "", "", nullptr, 1, {""}, Long);
    }
    EXPECT_GT(WithoutTitle, 204);  // the text needs more than the least height
    EXPECT_EQ(WithoutTitle, WithTitle);
}

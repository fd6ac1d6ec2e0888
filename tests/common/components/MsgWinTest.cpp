// The message routines over the answer hook: what each routine asks, the
// answer it turns the pressed button into, its log lines, and the default
// answers without a hook.

#include "common/components/MsgWin.h"

#include "common/base/Funcs.h"
#include "platform/forms/Forms.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Numbers.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

/// Records every request and answers with Reply; collects log lines.
class Recorder {
public:
    explicit Recorder(int Reply)
        : FHook([this, Reply](const MsgRequest& R) {
              Asked.push_back(R);
              return Reply;
          })
    {
        Log() = &Logged;
        FOldLog = gLogHook;
        gLogHook = [](const AnsiString& Text, Integer Kind) {
            Log()->push_back(AnsiString(IntToStr(Kind)) + ":" + Text);
        };
    }
    ~Recorder()
    {
        gLogHook = FOldLog;
        Log() = nullptr;
    }

    std::vector<MsgRequest> Asked;
    std::vector<AnsiString> Logged;

private:
    static std::vector<AnsiString>*& Log()
    {
        static std::vector<AnsiString>* Sink = nullptr;
        return Sink;
    }
    MsgAnswerHookScope FHook;
    TLogHook FOldLog = nullptr;
};

TEST(MsgWin, ErrorMsgLogsAndSplitsTitleFromText)
{
    Recorder R(1);
    EXPECT_TRUE(ErrorMsg("Ошибка чтения|Файл не найден\\nпроверьте путь"_a));
    ASSERT_EQ(R.Asked.size(), 1u);
    EXPECT_EQ(R.Asked[0].Title, "Ошибка чтения"_a);
    EXPECT_EQ(R.Asked[0].Text, "Файл не найден\r\nпроверьте путь"_a);
    EXPECT_EQ(R.Asked[0].Header, "Ошибка !!!"_a);
    EXPECT_TRUE(R.Asked[0].Flags & MsgStyleError);
    ASSERT_EQ(R.Logged.size(), 1u);
    EXPECT_EQ(R.Logged[0].SubString(1, 2), "5:");
}

TEST(MsgWin, ErrorMsgAbortLogsShowsAndAborts)
{
    Recorder R(1);
    ExpectRaises<EAbort>([] { ErrorMsgAbort("Нет файла"_a); }, "Operation aborted");
    EXPECT_EQ(R.Asked.size(), 1u);
    EXPECT_EQ(R.Asked[0].Text, "Нет файла"_a);
    EXPECT_EQ(R.Asked[0].Title, "");
    ASSERT_FALSE(R.Logged.empty());
    EXPECT_EQ(R.Logged[0].SubString(1, 2), "3:");
}

TEST(MsgWin, AskYesNoAnswersPerButtonAndDefault)
{
    struct Case {
        bool DefaultYes;
        int Reply;
        bool Answer;
    };
    const Case Cases[] = {
        {true, 1, true},    // "Да"
        {true, 2, false},   // "Нет"
        {false, 1, true},
        {false, 2, false},
    };
    for (const Case& T : Cases) {
        SCOPED_TRACE(T.DefaultYes);
        Recorder R(T.Reply);
        EXPECT_EQ(AskYesNo("Ошибка инициализации приложения:\\nсбой"_a, "Прервать выполнение ?"_a,
                           T.DefaultYes),
                  T.Answer);
        ASSERT_EQ(R.Asked.size(), 1u);
        const MsgRequest& Q = R.Asked[0];
        EXPECT_EQ(Q.Header, "Выберите \"ДА\" или \"НЕТ\""_a);
        EXPECT_EQ(Q.Title, "Ошибка инициализации приложения:\r\nсбой"_a);
        EXPECT_EQ(Q.Text, "Прервать выполнение ?"_a);
        EXPECT_EQ(Q.Buttons, (std::vector<AnsiString>{"Да"_a, "Нет"_a}));
        EXPECT_EQ(Q.DefaultButton, T.DefaultYes ? 1 : 2);
    }
}

TEST(MsgWin, MsgChoiceWithCaptionsAndDefault)
{
    Recorder R(3);
    EXPECT_EQ(MsgChoice("Как упакованы строки?"_a, "", {2, "Один", "Два", "Отмена"_a}), 3);
    const MsgRequest& Q = R.Asked.at(0);
    EXPECT_EQ(Q.Buttons, (std::vector<AnsiString>{"Один", "Два", "Отмена"_a}));
    EXPECT_EQ(Q.DefaultButton, 2);
    EXPECT_EQ(Q.Header, "Выбор"_a);
}

TEST(MsgWin, MsgDialogWithOneEmptyStringShowsStandardButtons)
{
    Recorder R(1);
    MsgDialog("", "", "Текст"_a, nullptr, 0, {""}, "");
    EXPECT_EQ(R.Asked.at(0).Buttons, (std::vector<AnsiString>{"Да"_a, "Нет"_a}));
    EXPECT_EQ(R.Asked.at(0).Header, "Выбор"_a);
}

TEST(MsgWin, MsgDialogHeaderAndStandardButtonsFollowTheFlags)
{
    struct Case {
        Word Flags;
        const char* Header;                // UTF-8
        std::vector<const char*> Buttons;  // UTF-8
    };
    const Case Cases[] = {
        {0, "Выбор", {"Да", "Нет"}},               // 0 means the choice look with Yes/No
        {1, "Сообщение", {"Ok"}},                  // no look: the plain header
        {3, "Сообщение", {"Ok"}},                  // Ok + Cancel without the pair flag: Ok alone
        {16, "Сообщение", {"Ok", "Отменить"}},     // the Ok/Cancel pair
        {32, "Сообщение", {"Да", "Нет"}},          // the Yes/No pair
        {20, "Сообщение", {"Ok", "Отменить"}},     // the Ok/Cancel pair wins over Yes
        {12, "Сообщение", {"Да"}},                 // Yes wins over No
        {2, "Сообщение", {"Отменить"}},            // Cancel alone
        {8, "Сообщение", {"Нет"}},                 // No alone
        {64, "Ошибка !!!", {"Ok"}},                // error look, no button flag: Ok
        {128 + 32, "Внимание !!!", {"Да", "Нет"}}, // warning look
        {128 + 256, "Внимание !!!", {"Ok"}},       // warning before choice
        {64 + 128 + 16, "Ошибка !!!", {"Ok", "Отменить"}},  // error before warning
    };
    for (const Case& T : Cases) {
        SCOPED_TRACE(T.Flags);
        Recorder R(1);
        MsgDialog("", "", "Текст"_a, nullptr, T.Flags, {""}, "");
        const MsgRequest& Q = R.Asked.at(0);
        EXPECT_EQ(Q.Header, AnsiString::FromUtf8(T.Header));
        std::vector<AnsiString> Expected;
        for (const char* B : T.Buttons)
            Expected.push_back(AnsiString::FromUtf8(B));
        EXPECT_EQ(Q.Buttons, Expected);
        EXPECT_EQ(Q.FormCaption, "Сообщение"_a);
    }
}

TEST(MsgWin, MsgDialogDefaultAndCancelButtons)
{
    struct Case {
        const char* What;
        Word Flags;
        TVarRecs Buttons;
        size_t Count;
        int Default;
        int Cancel;
    };
    const Case Cases[] = {
        // a leading integer alone: default 2 of the flags' Yes/No pair
        {"integer 2", 160, {2}, 2, 2, 2},
        // one integer does not bring the Yes/No pair when the flags say Ok
        {"Ok flags", 65, {2}, 1, 1, 2},
        // low byte the default, high byte the cancel button
        {"0x0301", 0, {0x0301, "a", "b", "c"}, 3, 1, 3},
        // no cancel number: the last generated button
        {"no cancel", 0, {2, "a", "b"}, 2, 2, 2},
        // no integer: the first button is the default
        {"captions", 0, {"a", "b", "c"}, 3, 1, 3},
        // a default past the buttons falls back to the first
        {"default 5", 0, {5, "a", "b"}, 2, 1, 2},
    };
    for (const Case& T : Cases) {
        SCOPED_TRACE(T.What);
        Recorder R(1);
        MsgDialog("", "", "x", nullptr, T.Flags, T.Buttons, "");
        const MsgRequest& Q = R.Asked.at(0);
        EXPECT_EQ(Q.Buttons.size(), T.Count);
        EXPECT_EQ(Q.DefaultButton, T.Default);
        EXPECT_EQ(Q.CancelButton, T.Cancel);
    }
}

TEST(MsgWin, MsgDialogRejectsAnIntegerAfterTheFirstPlace)
{
    Recorder R(1);
    ExpectRaises<EAppException>([] { MsgDialog("", "", "x", nullptr, 0, {"a", 2}, ""); },
                                "FMsg.setButtons: Ошибка в параметрах"_a);
    EXPECT_TRUE(R.Asked.empty());
}

TEST(MsgWin, AskSaveChangesYesNoAndCancel)
{
    {
        Recorder R(1);
        EXPECT_TRUE(AskSaveChanges("|Накладная изменена"_a));
        EXPECT_EQ(R.Asked.at(0).Title, "Сохранить изменения?"_a);
        EXPECT_EQ(R.Asked.at(0).Text, "Накладная изменена"_a);
        EXPECT_EQ(R.Asked.at(0).Header, "Сохранение данных"_a);
        EXPECT_EQ(R.Asked.at(0).Buttons,
                  (std::vector<AnsiString>{"Да"_a, "Нет"_a, "Отмена"_a}));
    }
    {
        Recorder R(2);
        EXPECT_FALSE(AskSaveChanges("Сохранить накладную?|"_a));
        EXPECT_EQ(R.Asked.at(0).Title, "Сохранить накладную?"_a);
    }
    Recorder R(3);
    ExpectRaises<EAbort>([] { (void)AskSaveChanges(""); }, "Operation aborted");
}

/// A terminating application object for the scope (as after Terminate).
class TerminatingApplication {
public:
    TerminatingApplication() : FOld(Application)
    {
        Application = &FApp;
        FApp.Terminate();
        FApp.ProcessMessages();
    }
    ~TerminatingApplication() { Application = FOld; }
    TerminatingApplication(const TerminatingApplication&) = delete;
    TerminatingApplication& operator=(const TerminatingApplication&) = delete;

private:
    TApplication FApp{nullptr};
    TApplication* FOld;
};

TEST(MsgWin, DuringShutDownCancelAnswersNoAndAnErrorStopsSaving)
{
    const bool OldCanSave = gCanSaveSettings;
    gCanSaveSettings = true;
    {
        Recorder R(1);
        ErrorMsg("Ошибка"_a);  // before shut-down: saving stays allowed
    }
    EXPECT_TRUE(gCanSaveSettings);
    {
        const TerminatingApplication Closing;
        ASSERT_TRUE(Application->Terminated());
        Recorder R(3);  // "Отмена"
        EXPECT_FALSE(AskSaveChanges(""));
        EXPECT_TRUE(gCanSaveSettings);
        ErrorMsg("Ошибка завершения программы"_a);
        EXPECT_FALSE(gCanSaveSettings);
    }
    gCanSaveSettings = OldCanSave;
}

TEST(MsgWin, AskDeleteDefaultsToNo)
{
    Recorder R(1);
    EXPECT_TRUE(AskDelete("\"Рынок\""_a, "", true));
    const MsgRequest& Q = R.Asked.at(0);
    EXPECT_EQ(Q.FormCaption, "ВНИМАНИЕ !!!"_a);
    EXPECT_EQ(Q.Header, "Удаление данных"_a);
    EXPECT_EQ(Q.Title, "\"Рынок\""_a);
    EXPECT_EQ(Q.Text, "\r\nВы уверены в необходимости удаления ?\r\n"_a);
    EXPECT_EQ(Q.DefaultButton, 2);
}

TEST(MsgWin, WithoutAHookTheDefaultAnswerIsTakenAndTheQuestionLogged)
{
    SetMsgAnswerHook(nullptr);
    static std::vector<AnsiString> Logged;
    Logged.clear();
    const TLogHook OldLog = gLogHook;
    gLogHook = [](const AnsiString& Text, Integer Kind) {
        Logged.push_back(AnsiString(IntToStr(Kind)) + ":" + Text);
    };
    EXPECT_TRUE(AskYesNo("Продолжить?"_a, "", true));
    ASSERT_EQ(Logged.size(), 1u);
    EXPECT_NE(Logged[0].Pos("Продолжить?"_a), 0);
    EXPECT_EQ(Logged[0].SubString(1, 2), "7:");
    EXPECT_FALSE(AskYesNo("?", "", false));
    EXPECT_FALSE(AskDelete("x", "", false));
    EXPECT_TRUE(AskSaveChanges(""));
    EXPECT_EQ(MsgChoice("?", "", {3, "a", "b", "c"}), 3);
    EXPECT_TRUE(ErrorMsg("сообщение"_a));
    gLogHook = OldLog;
}

TEST(MsgWin, SystemBoxesMapButtonsToResults)
{
    {
        Recorder R(1);
        EXPECT_TRUE(AskYesNoBox("Удалить?"_a, false));
        EXPECT_EQ(R.Asked.at(0).FormCaption, "!!!  В Н И М А Н И Е  !!!"_a);
        EXPECT_EQ(R.Asked.at(0).DefaultButton, 2);
    }
    Recorder R(2);
    EXPECT_EQ(MsgBoxFlags("x", "y", 1 /*MB_OKCANCEL*/), 2 /*IDCANCEL*/);
    EXPECT_EQ(MsgBox("x", "y"), 1 /*IDOK*/);
}

}  // namespace

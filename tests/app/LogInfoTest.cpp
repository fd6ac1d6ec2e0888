// The text viewer: title, message with line breaks, lines replaced on every
// call, modal and modeless showing, Escape closes.

#include "app/LogInfo.h"

#include "app/DMInvoice.h"
#include "platform/classes/Strings.h"
#include "tests/app/AppWindowsTestKit.h"

#include <gtest/gtest.h>

using namespace app_test;

TEST(TextView, ShowsTitleMessageAndLines)
{
    WindowsScope W;
    auto View = std::make_unique<TFormView>(Application);
    auto Lines = std::make_unique<TStringList>();
    Lines->Add("Не совпадает сумма в накладной [Строка 1] [XL строка 6]"_a);
    Lines->Add("Пропущена строка в блоке данных [Строка XL 7]"_a);

    ShowTextView("Ошибки импорта"_a, "ВНИМАНИЕ !!!\\nbook.xls"_a, Lines.get(), false);
    EXPECT_TRUE(View->Visible());
    EXPECT_EQ(U(View->Caption()), "Ошибки импорта");
    EXPECT_EQ(U(View->lbMsg->Caption()), "ВНИМАНИЕ !!!\r\nbook.xls");
    EXPECT_EQ(View->Memo->Lines()->Count(), 2);
    KeepPng(View.get(), "text-view");

    // A second call while it is open replaces everything; an empty title
    // and message show the viewer's own.
    Lines->Clear();
    Lines->Add("одна строка"_a);
    ShowTextView("", "", Lines.get(), false);
    EXPECT_TRUE(View->Visible());
    EXPECT_EQ(U(View->Caption()), "Окно просмотра");
    EXPECT_EQ(U(View->lbMsg->Caption()), "Просмотр");
    EXPECT_EQ(View->Memo->Lines()->Count(), 1);
    View->Close();
    EXPECT_FALSE(View->Visible());
}

TEST(TextView, ModalViewerClosesWithEscape)
{
    WindowsScope W;
    auto View = std::make_unique<TFormView>(Application);
    AnswerScope<TFormView> A([](TFormView& F) {
        SimulateKey(VK_ESCAPE);
        Application->ProcessMessages();
        EXPECT_NE(F.ModalResult(), mrNone);
    });
    ShowTextView("Ошибки"_a, "Текст"_a, nullptr, true);
    EXPECT_EQ(A.Shown, 1);
    EXPECT_TRUE(View->Modal);
    EXPECT_EQ(U(View->lbMsg->Caption()), "Просмотр");  // the message goes back on close
}

TEST(TextView, DataModuleHoldsToolBarPictures)
{
    TDM Module(nullptr);
    EXPECT_EQ(DM, &Module);
    EXPECT_EQ(Module.iInsDel->Count(), DMMove + 1);
}

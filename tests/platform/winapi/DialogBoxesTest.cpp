// The dialog manager: a template's controls reached by id, the procedure
// seeing the dialog's messages, clicks and closes turned into WM_COMMAND,
// dialog units in pixels, and the modal run's result.

#include "platform/forms/Controls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/InputSimulation.h"
#include "platform/winapi/DialogBoxes.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

enum : int { IdButton = 10, IdCheck = 11, IdLabel = 12, IdEdit = 13, IdTabs = 14, IdBar = 15 };

void RegisterTestTemplate()
{
    constexpr uint32_t Child = WS_CHILD | WS_VISIBLE;
    DialogTemplate T;
    T.Style = WS_POPUP | WS_VISIBLE | WS_CAPTION | DS_MODALFRAME;
    T.CX = 200;
    T.CY = 120;
    T.Caption = "Test";
    T.Items = {
        {"BUTTON", "Go", IdButton, Child | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 4, 100, 50, 14},
        {"BUTTON", "Box", IdCheck, Child | WS_TABSTOP | BS_AUTOCHECKBOX, 0, 60, 100, 60, 10},
        {"STATIC", "Label", IdLabel, Child | SS_CENTER, 0, 4, 4, 100, 8},
        {"EDIT", "", IdEdit, Child | WS_TABSTOP | ES_MULTILINE | WS_VSCROLL, 0, 4, 16, 100, 30},
        {"SysTabControl32", "", IdTabs, Child, 0, 110, 4, 86, 60},
        {"msctls_progress32", "", IdBar, Child, 0, 4, 50, 100, 8},
    };
    RegisterDialogTemplate("TEST_DIALOG", T);
}

/// What the procedure saw, and what it does on each message.
struct ProcLog {
    std::vector<UINT> Messages;
    std::vector<WPARAM> Commands;
    std::vector<int> Notifications;
    LPARAM InitParam = 0;
    std::function<void(HWND)> OnInit;
};
ProcLog* gLog = nullptr;

intptr_t TestProc(HWND Dlg, UINT Msg, WPARAM WParam, LPARAM LParam)
{
    gLog->Messages.push_back(Msg);
    switch (Msg) {
    case WM_INITDIALOG:
        gLog->InitParam = LParam;
        if (gLog->OnInit)
            gLog->OnInit(Dlg);
        return 1;
    case WM_COMMAND:
        // Edits tell of every change of their text; the tests follow clicks.
        if (HiWord(WParam) != EN_CHANGE)
            gLog->Commands.push_back(WParam);
        return 1;
    case WM_NOTIFY: gLog->Notifications.push_back(reinterpret_cast<const NMHDR*>(LParam)->code); return 1;
    default: return 0;
    }
}

bool Saw(const ProcLog& L, UINT Msg)
{
    return std::find(L.Messages.begin(), L.Messages.end(), Msg) != L.Messages.end();
}

TEST(DialogBoxes, ControlsAnswerByIdAndTheRunReturnsTheEndValue)
{
    RegisterTestTemplate();
    ProcLog Log;
    gLog = &Log;
    HWND Seen = nullptr;
    const ModalHookScope Hook([&](TCustomForm& Form) {
        HWND Dlg = Form.Handle();
        // Once, and the dialog ends even when a check below fails.
        if (Seen)
            return;
        Seen = Dlg;
        struct EndAnyway {
            HWND Dlg;
            ~EndAnyway() { EndDialog(Dlg, 42); }
        } End{Dlg};
        EXPECT_EQ(GetDlgCtrlID(GetDlgItem(Dlg, IdCheck)), IdCheck);
        EXPECT_EQ(GetDlgItem(Dlg, 999), nullptr);
        // Texts in and out.
        EXPECT_TRUE(SetDlgItemText(Dlg, IdLabel, "Новый текст"_a));
        EXPECT_EQ(GetDlgItemText(Dlg, IdLabel), "Новый текст"_a);
        EXPECT_TRUE(SetDlgItemText(Dlg, IdEdit, "строка"_a));
        EXPECT_EQ(GetDlgItemText(Dlg, IdEdit), "строка"_a);
        // A check set by the program is no click.
        EXPECT_EQ(IsDlgButtonChecked(Dlg, IdCheck), BST_UNCHECKED);
        CheckDlgButton(Dlg, IdCheck, BST_CHECKED);
        EXPECT_EQ(IsDlgButtonChecked(Dlg, IdCheck), BST_CHECKED);
        EXPECT_TRUE(Log.Commands.empty());
        // A click is.
        auto* Box = FindControl(GetDlgItem(Dlg, IdCheck));
        SimulateClick(Box, 5, 5);
        EXPECT_EQ(IsDlgButtonChecked(Dlg, IdCheck), BST_UNCHECKED);
        ASSERT_EQ(Log.Commands.size(), 1u);
        EXPECT_EQ(Log.Commands[0], MakeWParam(IdCheck, BN_CLICKED));
        // Tabs and the progress bar.
        const char* Names[] = {"Один", "Два"};
        for (int I = 0; I < 2; ++I) {
            const AnsiString Name = AnsiString::FromUtf8(Names[I]);
            TCITEM Item;
            Item.pszText = Name.c_str();
            SendDlgItemMessage(Dlg, IdTabs, TCM_INSERTITEM, I, reinterpret_cast<LPARAM>(&Item));
        }
        EXPECT_EQ(SendDlgItemMessage(Dlg, IdTabs, TCM_GETITEMCOUNT, 0, 0), 2);
        SendDlgItemMessage(Dlg, IdTabs, TCM_SETCURSEL, 1, 0);
        EXPECT_EQ(SendDlgItemMessage(Dlg, IdTabs, TCM_GETCURSEL, 0, 0), 1);
        SendDlgItemMessage(Dlg, IdBar, PBM_SETPOS, 40, 0);
        EXPECT_EQ(SendDlgItemMessage(Dlg, IdBar, PBM_GETPOS, 0, 0), 40);
        // Closing the window is the Cancel button; the procedure ends it.
        SendMessage(Dlg, WM_CLOSE, 0, 0);
        ASSERT_EQ(Log.Commands.size(), 2u);
        EXPECT_EQ(LoWord(Log.Commands[1]), IDCANCEL);
    });
    EXPECT_EQ(DialogBoxParam(0, "test_dialog", nullptr, &TestProc, 7), 42);
    EXPECT_EQ(Log.InitParam, 7);
    EXPECT_TRUE(Saw(Log, WM_DESTROY));
    EXPECT_FALSE(IsWindow(Seen));
    gLog = nullptr;
}

TEST(DialogBoxes, DialogUnitsAreQuartersAndEighthsOfTheFont)
{
    RegisterTestTemplate();
    ProcLog Log;
    gLog = &Log;
    const long Base = GetDialogBaseUnits();
    const int BX = LoWord(Base), BY = HiWord(Base);
    // "MS Sans Serif" 8 points gives about 6 x 13 on the original system;
    // the face drawn in its place is near it.
    EXPECT_GE(BX, 5);
    EXPECT_LE(BX, 8);
    EXPECT_GE(BY, 12);
    EXPECT_LE(BY, 16);
    Log.OnInit = [&](HWND Dlg) {
        TRect R = Rect(4, 8, 44, 24);
        ASSERT_TRUE(MapDialogRect(Dlg, R));
        EXPECT_EQ(R, Rect(BX, BY, 11 * BX, 3 * BY));
        // The button stands where the template puts it.
        TRect B;
        GetWindowRect(GetDlgItem(Dlg, IdButton), B);
        EXPECT_EQ(B.Width(), MulDiv(50, BX, 4));
        EXPECT_EQ(B.Height(), MulDiv(14, BY, 8));
        EndDialog(Dlg, 5);
    };
    // Ended while it starts: the dialog never runs its loop.
    EXPECT_EQ(DialogBoxParam(0, "TEST_DIALOG", nullptr, &TestProc, 0), 5);
    TRect Unused;
    EXPECT_FALSE(MapDialogRect(nullptr, Unused));
    gLog = nullptr;
}

TEST(DialogBoxes, UnknownTemplateFails)
{
    EXPECT_EQ(DialogBoxParam(0, "NO_SUCH_DIALOG", nullptr, &TestProc, 0), -1);
    EXPECT_EQ(CreateDialogParam(0, "NO_SUCH_DIALOG", nullptr, &TestProc, 0), nullptr);
    EXPECT_FALSE(EndDialog(nullptr, 1));
}

TEST(DialogBoxes, ModelessDialogLivesUntilDestroyed)
{
    RegisterTestTemplate();
    ProcLog Log;
    gLog = &Log;
    HWND Dlg = CreateDialogParam(0, "TEST_DIALOG", nullptr, &TestProc, 3);
    ASSERT_NE(Dlg, nullptr);
    EXPECT_TRUE(IsWindowVisible(Dlg));
    EXPECT_EQ(Log.InitParam, 3);
    // The default button answers Enter.
    SetFocus(GetDlgItem(Dlg, IdButton));
    SimulateKey(VK_RETURN);
    ASSERT_FALSE(Log.Commands.empty());
    EXPECT_EQ(Log.Commands.back(), MakeWParam(IdButton, BN_CLICKED));
    EXPECT_TRUE(DestroyDialog(Dlg));
    EXPECT_TRUE(Saw(Log, WM_DESTROY));
    EXPECT_FALSE(IsWindow(Dlg));
    gLog = nullptr;
}

}  // namespace

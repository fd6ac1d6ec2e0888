// The report windows: the layout tables (the height under the buttons, the
// wrapping of the message, the pages, the placement pulled back onto the
// screen), and the windows themselves run modally on the offscreen
// platform (boxes and buttons shown by the options, Details, auto-close
// counted on the window's timer, the steps request, the progress window),
// each rendered to PNG (PRICETAGS_REPORT_PNG names a folder to keep them).

#include "exceptionlog/ModuleOptions.h"
#include "exceptionlog/ProcessHelpers.h"
#include "exceptionlog/ReportDialog.h"
#include "platform/forms/Clipbrd.h"
#include "platform/forms/Controls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Graphics.h"
#include "platform/forms/InputSimulation.h"
#include "platform/winapi/DialogBoxes.h"
#include "platform/rtl/StrUtils.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <thread>
#include <tuple>

namespace {

/// RazuroLog.ini in a folder of the test's own.
class IniFolderScope {
public:
    IniFolderScope()
    {
        const char* Old = std::getenv("XDG_CONFIG_HOME");
        FHad = Old != nullptr;
        if (Old)
            FOld = Old;
        setenv("XDG_CONFIG_HOME", FDir.Path().c_str(), 1);
    }
    ~IniFolderScope()
    {
        if (FHad)
            setenv("XDG_CONFIG_HOME", FOld.c_str(), 1);
        else
            unsetenv("XDG_CONFIG_HOME");
    }
    std::filesystem::path Ini() const { return FDir.Path() / "RazuroLog.ini"; }

private:
    TempDir FDir;
    bool FHad = false;
    std::string FOld;
};

void KeepPng(TWinControl* Window, const char* Name)
{
    Application->ProcessMessages();
    TBitmap Shot;
    GrabWindow(Window, &Shot);
    const std::string Png = Shot.SaveToPngBytes();
    ASSERT_GT(Png.size(), 500u);
    if (const char* Folder = std::getenv("PRICETAGS_REPORT_PNG"))
        WriteBytes(std::filesystem::path(Folder) / Name, Png);
}

// ---- tables -------------------------------------------------------------------------------

struct ShownCase {
    Byte EmailMode;
    bool Repeated;
    Word SendOptions;
    Byte DialogOptions;
    const char* SupportURL;
    int ExtraHeight;
    bool Send, Screenshot, Copy, Link;
};
const ShownCase ShownCases[] = {
    {0, false, 0x51, 0x17, "", 0, false, false, false, false},    // nothing below the buttons
    {0, false, 0x51, 0x1F, "", 20, false, false, true, false},    // copy box only
    {0, false, 0x51, 0x17, "  x  ", 20, false, false, false, true}, // link only
    {0, false, 0x51, 0x1F, "http://s", 34, false, false, true, true},  // copy box and link
    {0, false, 0x51, 0x17, "   ", 0, false, false, false, false}, // a blank address is no link
    {1, false, 0x51, 0x17, "", 34, true, true, false, false},     // send with screenshot
    {1, false, 0x41, 0x17, "", 20, true, false, false, false},    // send without screenshot
    {1, true, 0x51, 0x17, "", 0, false, false, false, false},     // a repeated error is not sent
};

TEST(ReportDialog, PartsShownAndHeightBelowTheButtons)
{
    for (const ShownCase& C : ShownCases) {
        SCOPED_TRACE(::testing::Message() << int(C.EmailMode) << " " << C.Repeated << " "
                                          << C.SendOptions << " " << int(C.DialogOptions) << " '"
                                          << C.SupportURL << "'");
        TRazuroModuleOptions O;
        O.EmailSendMode = C.EmailMode;
        O.SendOptions = C.SendOptions;
        O.ExceptionDialogOptions = C.DialogOptions;
        O.SupportURL = C.SupportURL;
        const DialogShownParts P = ShownPartsFor(O, C.Repeated);
        EXPECT_EQ(P.ExtraHeight, C.ExtraHeight);
        EXPECT_EQ(P.SendShown, C.Send);
        EXPECT_EQ(P.ScreenshotShown, C.Screenshot);
        EXPECT_EQ(P.CopyShown, C.Copy);
        EXPECT_EQ(P.LinkShown, C.Link);
    }
}

// Lines measured at 6 pixels a character and 13 high; with SM_CXFRAME 4
// the borders take 66 pixels and the limit is 574.
struct WrapCase {
    int MessageChars;
    int Lines;
    int Width;
    int Height;
    int WindowWidth;
};
const WrapCase WrapCases[] = {
    {10, 1, 16 + 6 * 20, 2 * 13, 250},          // short: the button line is widest; at least 250
    {60, 1, 376, 2 * 13, 442},                   // the message is widest: its width + 16
    {93, 1, 574, 2 * 13, 640},                   // 558 + 16 = 574: exactly the limit, no wrap
    {94, 1, 574, 2 * 13 + 13, 640},              // 580 > 574: one more line, width at the limit
    {200, 1, 574, 2 * 13 + 2 * 13, 640},         // 1216 - 574 = 642: two more lines
    {10, 3, 136, 4 * 13, 250},                   // three lines of the message
};

TEST(ReportDialog, MessageWrapsAt640PixelsByWholeLines)
{
    auto Measure = [](const AnsiString& L) { return TSize{6 * L.Length(), 13}; };
    const AnsiString ButtonLine = StringOfChar('b', 20);
    for (const WrapCase& C : WrapCases) {
        SCOPED_TRACE(::testing::Message() << C.MessageChars << " x " << C.Lines);
        AnsiString Message;
        for (int I = 0; I < C.Lines; ++I)
            Message += (I ? AnsiString("\r\n") : AnsiString()) + StringOfChar('m', C.MessageChars);
        const CompactTextSize S = CompactTextFor(Message, ButtonLine, 4, Measure);
        EXPECT_EQ(S.Width, C.Width);
        EXPECT_EQ(S.Height, C.Height);
        EXPECT_EQ(S.WindowWidth, C.WindowWidth);
    }
}

TEST(ReportDialog, PagesFollowTheOptionFlags)
{
    struct PageCase {
        Byte LogOptions;
        bool Custom;
        std::vector<int> Texts;
    };
    const PageCase Cases[] = {
        {0x30, false, {4, 6, 8, 10}},   // Modules and CPU
        {0x10, false, {4, 6, 8}},       // no CPU page
        {0x20, true, {4, 6, 10, 12}},   // no Modules page; custom data gives Other
        {0x00, false, {4, 6}},          // General and Call Stack always
    };
    for (const PageCase& C : Cases) {
        SCOPED_TRACE(int(C.LogOptions));
        EXPECT_EQ(DialogTabTexts(C.LogOptions, C.Custom), C.Texts);
    }
    // The first page: the low 7 bits of DialogStyle; 4 without custom data
    // is General.
    EXPECT_EQ(StartPageFor(4, false), 0);
    EXPECT_EQ(StartPageFor(4, true), 4);
    EXPECT_EQ(StartPageFor(0x81, false), 1);
    EXPECT_EQ(StartPageFor(0x84, false), 4);
    // Tabs of pages when Modules or CPU is missing, and back.
    struct TabCase { int Page; bool Modules, CPU; int Tab; };
    const TabCase Tabs[] = {
        {3, false, true, 2}, {4, false, false, 2}, {4, true, false, 3}, {1, false, false, 1},
        {2, true, true, 2},
    };
    for (const TabCase& T : Tabs) {
        SCOPED_TRACE(::testing::Message() << T.Page << T.Modules << T.CPU);
        EXPECT_EQ(TabOfPage(T.Page, T.Modules, T.CPU), T.Tab);
        EXPECT_EQ(PageOfTab(T.Tab, T.Modules, T.CPU), T.Page);
    }
}

TEST(ReportDialog, StoredPlacementIsPulledBackOntoTheScreen)
{
    struct PlaceCase {
        const char* Stored;  // the Coordinates section's lines
        int Left, Top, Width, Height, State;
    };
    const PlaceCase Cases[] = {
        {"", (1024 - 745) / 2, (768 - 468 - 34) / 2, 745, 468, 1},               // defaults, centred
        {"Left=900\r\nTop=10\r\n", 1024 - 745, 10, 745, 468, 1},               // right edge meets the screen's
        {"Left=-50\r\nTop=-7\r\n", 0, 0, 745, 468, 1},                         // negative is 0
        {"Top=500\r\nHeight=300\r\n", (1024 - 745) / 2, 768 - 334, 745, 300, 1}, // bottom pulled up
        {"Width=x\r\nWindowsState=3\r\n", (1024 - 745) / 2, (768 - 502) / 2, 745, 468, 3}, // bad number
    };
    for (const PlaceCase& C : Cases) {
        SCOPED_TRACE(C.Stored);
        const IniFolderScope Ini;
        WriteBytes(Ini.Ini(), std::string("[Coordinates]\r\n") + C.Stored);
        const DialogPlacement P = LoadDialogPlacement(1024, 768, 34);
        EXPECT_EQ(P.Left, C.Left);
        EXPECT_EQ(P.Top, C.Top);
        EXPECT_EQ(P.Width, C.Width);
        EXPECT_EQ(P.Height, C.Height);
        EXPECT_EQ(P.WindowsState, C.State);
    }
    // Saved in the normal state: the height without what lies below the buttons.
    const IniFolderScope Ini;
    SaveDialogPlacement({10, 20, 700, 454, 1}, 34);
    const DialogPlacement P = LoadDialogPlacement(1024, 768, 34);
    EXPECT_EQ(P.Left, 10);
    EXPECT_EQ(P.Top, 20);
    EXPECT_EQ(P.Height, 420);
    // Maximised: only the state.
    SaveDialogPlacement({99, 99, 99, 99, 3}, 34);
    EXPECT_EQ(LoadDialogPlacement(1024, 768, 34).Left, 10);
    EXPECT_EQ(LoadDialogPlacement(1024, 768, 34).WindowsState, 3);
}

TEST(ReportDialog, SectionGoesAfterTheGeneralSection)
{
    ReportDialogValues& V = DialogValues();
    V = ReportDialogValues();
    V.GeneralSectionText = "General:\r\n-";
    V.FullReportText = V.GeneralSectionText + "\r\n\r\nCall Stack:\r\n-";
    AddReportSection(7, "Request", "  step one\r\nstep two");
    EXPECT_EQ(V.FullReportText, AnsiString("General:\r\n-\r\n"
                                           "Request:\r\n--------\r\n  step one\r\nstep two\r\n\r\n"
                                           "\r\nCall Stack:\r\n-"));
    // The General text grows by the inserted length from its old end.
    EXPECT_EQ(V.GeneralSectionText,
        AnsiString("General:\r\n-\r\nRequest:\r\n--------\r\n  step one\r\nstep two\r\n"));
    // Nothing for an empty text.
    const AnsiString Before = V.FullReportText;
    AddReportSection(7, "Request", "");
    EXPECT_EQ(V.FullReportText, Before);
}

// ---- the windows --------------------------------------------------------------------------

/// Options and values of one window run; restored afterwards.
struct WindowRun {
    TRazuroModuleOptions Options;
    IniFolderScope Ini;
    WindowRun()
    {
        SetDialogOptions(&Options);
        DialogValues() = ReportDialogValues();
        DialogValues().ExceptionMessageText = "Access violation at address 0000000000401A2B.";
        DialogValues().ExceptionCount = 1;
    }
    ~WindowRun() { SetDialogOptions(nullptr); }
};

bool ControlVisible(HWND Dlg, int Id)
{
    return IsWindowVisible(GetDlgItem(Dlg, Id));
}

/// Runs the main window with Step called in its modal loop until it ends
/// (Step returns false once it has nothing more to do).
void RunMainWindow(const std::function<bool(HWND Dlg, int Call)>& Step)
{
    int Call = 0;
    bool Going = true;
    const ModalHookScope Hook([&](TCustomForm& Form) {
        if (Going)
            Going = Step(Form.Handle(), Call++);
    });
    ShowExceptionDialog();
}

TEST(ReportDialog, CompactWindowShowsTheMessageAndTheChosenBoxes)
{
    WindowRun Run;
    Run.Options.EmailSendMode = 1;
    Run.Options.SupportURL = "http://support.example";
    DialogValues().SendChosen = true;
    DialogValues().ScreenshotChosen = true;
    RunMainWindow([&](HWND Dlg, int) {
        EXPECT_EQ(GetDlgItemText(Dlg, 101), DialogValues().ExceptionMessageText);
        EXPECT_TRUE(ControlVisible(Dlg, 3000));
        EXPECT_TRUE(ControlVisible(Dlg, 4000));
        EXPECT_TRUE(ControlVisible(Dlg, 5000));
        EXPECT_FALSE(ControlVisible(Dlg, 1000));  // no tabs in the compact window
        EXPECT_FALSE(ControlVisible(Dlg, 3));     // first exception: no terminate button
        EXPECT_EQ(IsDlgButtonChecked(Dlg, 3000), BST_CHECKED);
        EXPECT_EQ(IsDlgButtonChecked(Dlg, 4000), BST_CHECKED);
        EXPECT_EQ(GetDlgItemText(Dlg, 4), "&Details >>"_a);
        KeepPng(FindControl(Dlg), "compact.png");
        // Unchecking the send box disables the screenshot box.
        SimulateClick(FindControl(GetDlgItem(Dlg, 3000)), 5, 8);
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(Dlg, 4000)));
        SimulateClick(FindControl(GetDlgItem(Dlg, 5000)), 5, 8);
        SimulateClick(FindControl(GetDlgItem(Dlg, 2)), 5, 5);
        return false;
    });
    EXPECT_FALSE(DialogValues().SendChosen);
    EXPECT_FALSE(DialogValues().ScreenshotChosen);
    EXPECT_TRUE(DialogValues().CopyChosen);
    EXPECT_FALSE(DialogValues().TerminateChosen);
}

TEST(ReportDialog, TerminateButtonFromTheErrorsLimitOn)
{
    struct LimitCase { bool Active; int Limit; int Count; bool Shown; };
    const LimitCase Cases[] = {
        {true, 3, 3, false},  // the third exception: not yet
        {true, 3, 4, true},   // the fourth: shown
        {false, 3, 9, false}, // the limit off: never
    };
    for (const LimitCase& C : Cases) {
        SCOPED_TRACE(::testing::Message() << C.Active << " " << C.Limit << " " << C.Count);
        WindowRun Run;
        Run.Options.ErrorsLimitActive = C.Active;
        Run.Options.ErrorsLimit = C.Limit;
        Run.Options.TerminateAction = 1;
        DialogValues().ExceptionCount = C.Count;
        RunMainWindow([&](HWND Dlg, int) {
            EXPECT_EQ(ControlVisible(Dlg, 3), C.Shown);
            EXPECT_EQ(GetDlgItemText(Dlg, 3), "&Restart"_a);
            if (C.Shown)
                SimulateClick(FindControl(GetDlgItem(Dlg, 3)), 5, 5);
            else
                EndDialog(Dlg, 2);
            return false;
        });
        EXPECT_EQ(DialogValues().TerminateChosen, C.Shown);
    }
}

int gTerminateAsked = 0;

TEST(ReportDialog, TerminateKeptBackByTheProgramShowsTheWindowAgain)
{
    WindowRun Run;
    Run.Options.ErrorsLimit = 0;
    // The program keeps running the first time and lets it end the second.
    gTerminateAsked = 0;
    const TerminateQuestion Old = SetTerminateQuestion([] { return ++gTerminateAsked >= 2; });
    std::vector<HWND> Shown;
    RunMainWindow([&](HWND Dlg, int) {
        if (Shown.empty() || Shown.back() != Dlg) {
            Shown.push_back(Dlg);
            SimulateClick(FindControl(GetDlgItem(Dlg, 3)), 5, 5);
        }
        return true;
    });
    SetTerminateQuestion(Old);
    EXPECT_EQ(gTerminateAsked, 2);
    EXPECT_EQ(Shown.size(), 2u);
    EXPECT_TRUE(DialogValues().TerminateChosen);
    // OK is no terminate: nobody is asked.
    gTerminateAsked = 0;
    SetTerminateQuestion([] { return ++gTerminateAsked >= 2; });
    RunMainWindow([&](HWND Dlg, int) {
        SimulateClick(FindControl(GetDlgItem(Dlg, 2)), 5, 5);
        return false;
    });
    SetTerminateQuestion(Old);
    EXPECT_EQ(gTerminateAsked, 0);
}

TEST(ReportDialog, WindowThatCannotShowLeavesAMessageBox)
{
    WindowRun Run;
    std::vector<std::tuple<AnsiString, AnsiString, UINT>> Boxes;
    const MessageBoxHookScope Hook([&](const AnsiString& Text, const AnsiString& Caption, UINT Type) {
        Boxes.emplace_back(Text, Caption, Type);
        return IDOK;
    });
    // No window can be made at all.
    DialogWindowMaker* Maker = SetDialogWindowMaker(nullptr);
    const bool Shown = ShowExceptionDialog();
    SetDialogWindowMaker(Maker);
    EXPECT_FALSE(Shown);
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(std::get<0>(Boxes[0]), DialogValues().ExceptionMessageText);
    EXPECT_EQ(std::get<1>(Boxes[0]), "Error."_a);
    EXPECT_EQ(std::get<2>(Boxes[0]), UINT(MB_ICONHAND | MB_TASKMODAL | MB_TOPMOST | MB_SERVICE_NOTIFICATION));
    // A window that shows leaves none.
    Boxes.clear();
    RunMainWindow([&](HWND Dlg, int) {
        EndDialog(Dlg, 2);
        return false;
    });
    EXPECT_TRUE(Boxes.empty());
}

TEST(ReportDialog, ClipboardTakesTextFromAnotherThread)
{
    const AnsiString Text = "Отчёт об ошибке\r\nAccess violation"_a;
    Clipboard()->SetAsText("before");
    std::atomic<int> Result{-1};
    std::thread Worker([&] { Result = CopyTextToClipboard(Text) ? 1 : 0; });
    // The window thread serves it from its event loop.
    while (Result.load() < 0)
        Application->ProcessMessages();
    Worker.join();
    EXPECT_EQ(Result.load(), 1);
    EXPECT_EQ(Clipboard()->AsText(), Text);
    // A window thread that does not get to it (frozen): false, nothing copied.
    Clipboard()->SetAsText("before");
    std::thread Blocked([&] { Result = CopyTextToClipboard("late", 50) ? 1 : 0; });
    Blocked.join();
    EXPECT_EQ(Result.load(), 0);
    EXPECT_EQ(Clipboard()->AsText(), "before"_a);
    // The window thread gets to it afterwards: too late, the caller was
    // told it failed.
    Application->ProcessMessages();
    EXPECT_EQ(Clipboard()->AsText(), "before"_a);
}

TEST(ReportDialog, DetailsGrowsTheWindowWithTabPages)
{
    WindowRun Run;
    DialogValues().ExceptionCount = 5;
    DialogValues().CustomDataText = "x";
    Run.Options.ErrorsLimitActive = true;
    RunMainWindow([&](HWND Dlg, int Call) {
        if (Call == 0) {
            SimulateClick(FindControl(GetDlgItem(Dlg, 4)), 5, 5);
            return true;
        }
        EXPECT_TRUE(ControlVisible(Dlg, 1000));
        EXPECT_EQ(SendDlgItemMessage(Dlg, 1000, TCM_GETITEMCOUNT, 0, 0), 5);
        EXPECT_EQ(GetDlgItemText(Dlg, 4), "<< &Details"_a);
        EXPECT_EQ(GetDlgItemText(Dlg, 101), Run.Options.GetCustomText(3));
        TRect R;
        GetWindowRect(Dlg, R);
        EXPECT_EQ(R.Width(), 745);
        KeepPng(FindControl(Dlg), "detailed.png");
        EndDialog(Dlg, 2);
        return false;
    });
    // Leaving the detailed window keeps its placement.
    EXPECT_EQ(ReadIniText("Coordinates", "Width", ""), "745");
}

/// Where the client area lies in the window (window pixels).
TPoint ClientOffset(HWND Dlg)
{
    TRect W;
    GetWindowRect(Dlg, W);
    TPoint C = Point(0, 0);
    ClientToScreen(Dlg, C);
    return Point(C.X - W.Left, C.Y - W.Top);
}

int HitAt(HWND Dlg, int X, int Y)
{
    TRect W;
    GetWindowRect(Dlg, W);
    return static_cast<int>(SendMessage(Dlg, WM_NCHITTEST, 0, MakeLParam(W.Left + X, W.Top + Y)));
}

TEST(ReportDialog, OwnLookPaintsItsFrameAndMovesAndSizesByIt)
{
    WindowRun Run;
    Run.Options.ExceptionDialogOptions = 0x1F | 0x80;
    RunMainWindow([&](HWND Dlg, int Call) {
        auto* Form = FindControl(Dlg);
        TRect Before;
        GetWindowRect(Dlg, Before);
        if (Call == 0) {
            // The compact window: a dialog frame of 3 and the small caption
            // of 16 inside the window.
            EXPECT_EQ(ClientOffset(Dlg), Point(3, 19));
            TBitmap Shot;
            Application->ProcessMessages();
            GrabWindow(static_cast<TWinControl*>(Form), &Shot);
            EXPECT_EQ(Shot.Width(), Before.Width());
            struct PixelCase { int X, Y; COLORREF Colour; };
            const PixelCase Pixels[] = {
                {0, 0, 0x404040},                       // the outer line, active
                {1, Before.Height() / 2, 0x808080},     // the strip inside it
                {Before.Width() - 10, 4, RGB(125, 149, 186)},  // the first band of the caption
                {Before.Width() / 2, 30, RGB(212, 208, 200)},  // the own look's background
            };
            for (const PixelCase& P : Pixels) {
                SCOPED_TRACE(::testing::Message() << P.X << "," << P.Y);
                EXPECT_EQ(ColorToRGB(Shot.Canvas()->Pixels(P.X, P.Y)), TColor(P.Colour));
            }
            KeepPng(static_cast<TWinControl*>(Form), "own-look-compact.png");
            struct HitCase { int X, Y, Hit; };
            const HitCase Hits[] = {
                {50, 10, HTCAPTION}, {50, 40, HTCLIENT}, {1, 40, HTBORDER},
                {Before.Width() - 5, 8, HTCAPTION},  // no system menu: no close box
            };
            for (const HitCase& H : Hits) {
                SCOPED_TRACE(::testing::Message() << H.X << "," << H.Y);
                EXPECT_EQ(HitAt(Dlg, H.X, H.Y), H.Hit);
            }
            // Dragged by its caption, 30 right and 20 down.
            SimulateMouseDown(Form, mbLeft, 100, -8);
            SimulateMouseMove(Form, 130, 12, TShiftState{ssLeft});
            SimulateMouseUp(Form, mbLeft, 130, 12);
            TRect After;
            GetWindowRect(Dlg, After);
            EXPECT_EQ(After.Left, Before.Left + 30);
            EXPECT_EQ(After.Top, Before.Top + 20);
            EXPECT_EQ(After.Width(), Before.Width());
            SimulateClick(FindControl(GetDlgItem(Dlg, 4)), 5, 5);
            return true;
        }
        // Detailed: the thick frame of 4, sized by its corner.
        EXPECT_EQ(ClientOffset(Dlg), Point(4, 20));
        EXPECT_EQ(HitAt(Dlg, Before.Width() - 2, Before.Height() - 2), HTBOTTOMRIGHT);
        EXPECT_EQ(HitAt(Dlg, 1, 100), HTLEFT);
        const TPoint Corner = Point(Before.Width() - 2 - 4, Before.Height() - 2 - 20);
        SimulateMouseDown(Form, mbLeft, Corner.X, Corner.Y);
        SimulateMouseMove(Form, Corner.X + 40, Corner.Y + 30, TShiftState{ssLeft});
        SimulateMouseUp(Form, mbLeft, Corner.X + 40, Corner.Y + 30);
        TRect After;
        GetWindowRect(Dlg, After);
        EXPECT_EQ(After.Width(), Before.Width() + 40);
        EXPECT_EQ(After.Height(), Before.Height() + 30);
        EXPECT_EQ(After.Left, Before.Left);
        // The tab control follows the new size.
        TRect Tabs;
        GetClientRect(GetDlgItem(Dlg, 1000), Tabs);
        TRect Client;
        GetClientRect(Dlg, Client);
        EXPECT_EQ(Tabs.Width(), Client.Width() - 8);
        KeepPng(static_cast<TWinControl*>(Form), "own-look-detailed.png");
        EndDialog(Dlg, 2);
        return false;
    });
}

TEST(ReportDialog, OwnLookRequestAndProgressWindowsPaintTheirFrames)
{
    WindowRun Run;
    Run.Options.ExceptionDialogOptions = 0x1F | 0x80;
    Run.Options.LogOptions = 0x32;
    Run.Options.EmailSendMode = 1;
    auto CheckFrame = [](HWND Wnd, const char* Png) {
        EXPECT_EQ(ClientOffset(Wnd), Point(3, 19));
        TBitmap Shot;
        GrabWindow(static_cast<TWinControl*>(FindControl(Wnd)), &Shot);
        EXPECT_EQ(ColorToRGB(Shot.Canvas()->Pixels(0, 0)), TColor(0x404040));
        EXPECT_EQ(HitAt(Wnd, 40, 8), HTCAPTION);
        KeepPng(static_cast<TWinControl*>(FindControl(Wnd)), Png);
    };
    const ModalHookScope Hook([&](TCustomForm& Form) {
        CheckFrame(Form.Handle(), "own-look-request.png");
        EndDialog(Form.Handle(), 2);
    });
    ShowReproduceRequest();
    HWND Wnd = StartSendDialog();
    ASSERT_NE(Wnd, nullptr);
    SetDlgItemText(Wnd, 100, "Connecting with server...");
    SendDlgItemMessage(Wnd, 101, PBM_SETPOS, 40, 0);
    CheckFrame(Wnd, "own-look-sending.png");
    CloseSendDialog();
}

TEST(ReportDialog, AutoCloseCountsTicksAndAKeyStartsAgain)
{
    WindowRun Run;
    Run.Options.AutoCloseDialogSecs = 5;
    std::vector<int> Counts;
    bool ClosedEarly = false;
    RunMainWindow([&](HWND Dlg, int Call) {
        // The countdown's timer ticks, as the clock would give them.
        if (Call < 4 || (Call >= 5 && Call < 9)) {
            SendMessage(Dlg, WM_TIMER, 2, 0);
            Counts.push_back(AutoCloseCounter());
            return true;
        }
        if (Call == 4) {
            // A key press starts the count again.
            SendMessage(Dlg, WM_KEYDOWN, VK_SHIFT, 0);
            Counts.push_back(AutoCloseCounter());
            return true;
        }
        ClosedEarly = !IsWindowVisible(Dlg);
        SendMessage(Dlg, WM_TIMER, 2, 0);
        Counts.push_back(AutoCloseCounter());
        return false;
    });
    EXPECT_FALSE(ClosedEarly);
    EXPECT_EQ(Counts, (std::vector<int>{1, 2, 3, 4, 0, 1, 2, 3, 4, 5}));
    // The fifth tick closed it as OK does.
    EXPECT_FALSE(DialogValues().TerminateChosen);
}

TEST(ReportDialog, RequestAddsTheStepsToTheReport)
{
    WindowRun Run;
    Run.Options.LogOptions = 0x32;
    DialogValues().GeneralSectionText = "General:\r\n-";
    DialogValues().FullReportText = "General:\r\n-\r\n\r\nCall Stack:\r\n-";
    const ModalHookScope Hook([&](TCustomForm& Form) {
        HWND Dlg = Form.Handle();
        if (GetDlgItemText(Dlg, 101).IsEmpty()) {
            EXPECT_EQ(Form.Caption(), "Request"_a);
            EXPECT_EQ(GetDlgItemText(Dlg, 100), Run.Options.GetCustomText(82));
            SetDlgItemText(Dlg, 101, "  Открыл накладную  "_a);
            KeepPng(&Form, "request.png");
            SimulateClick(FindControl(GetDlgItem(Dlg, 2)), 5, 5);
        }
    });
    ShowReproduceRequest();
    EXPECT_NE(DialogValues().FullReportText.Pos("Request:\r\n--------\r\nОткрыл накладную\r\n"_a), 0);
}

TEST(ReportDialog, RequestOnlyWhenTheOptionsAskForIt)
{
    WindowRun Run;
    Run.Options.LogOptions = 0x30;
    int Shown = 0;
    const ModalHookScope Hook([&](TCustomForm& Form) {
        ++Shown;
        EndDialog(Form.Handle(), 2);
    });
    ShowReproduceRequest();
    Run.Options.LogOptions = 0x32;
    DialogValues().IsRepeatedError = true;
    ShowReproduceRequest();
    EXPECT_EQ(Shown, 0);
}

TEST(ReportDialog, ProgressWindowTakesStatusAndPosition)
{
    WindowRun Run;
    EXPECT_EQ(StartSendDialog(), nullptr);  // nothing is sent: no window
    Run.Options.EmailSendMode = 1;
    HWND Wnd = StartSendDialog();
    ASSERT_NE(Wnd, nullptr);
    EXPECT_EQ(SendDialogWindow(), Wnd);
    SendMessage(GetDlgItem(Wnd, 100), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Connecting with server..."));
    SendMessage(GetDlgItem(Wnd, 101), PBM_SETPOS, 60, 0);
    EXPECT_EQ(GetDlgItemText(Wnd, 100), "Connecting with server...");
    EXPECT_EQ(SendDlgItemMessage(Wnd, 101, PBM_GETPOS, 0, 0), 60);
    EXPECT_EQ(static_cast<TCustomForm*>(FindControl(Wnd))->Caption(), "Send.");
    KeepPng(FindControl(Wnd), "sending.png");
    SendMessage(Wnd, WM_CLOSE_SEND_DIALOG, 0, 0);
    CloseSendDialog();
    EXPECT_EQ(SendDialogWindow(), nullptr);
    EXPECT_FALSE(IsWindow(Wnd));
}

}  // namespace

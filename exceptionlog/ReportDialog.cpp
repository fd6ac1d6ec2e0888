#include "exceptionlog/ReportDialog.h"

#include "exceptionlog/ModuleOptions.h"
#include "exceptionlog/ProcessHelpers.h"
#include "exceptionlog/ReportPages.h"
#include "platform/forms/Controls.h"
#include "platform/winapi/DialogBoxes.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/StrUtils.h"

#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <memory>

extern char** environ;

namespace {

// ---- process-wide window state ----------------------------------------------------------

enum : int { IdTerminate = 3, IdOK = 2, IdDetails = 4, IdText = 101, IdTabs = 1000, IdLine = 2000,
    IdSend = 3000, IdScreenshot = 4000, IdCopy = 5000 };
enum : int { IdRequestLabel = 100, IdRequestEdit = 101, IdServerText = 100, IdServerBar = 101 };
enum : UINT_PTR { TimerPaintCheck = 1, TimerAutoClose = 2, TimerForeground = 3 };

struct DialogFonts {
    HFONT Caption = nullptr;
    HFONT Message = nullptr;
    HFONT Link = nullptr;
    HFONT Fixed = nullptr;
    HFONT List = nullptr;
};

struct WindowState {
    HWND DialogHandle = nullptr;
    bool DetailedMode = false;
    bool WasPainted = false;
    bool CaptionActive = true;
    bool TopMost = false;
    DialogShownParts Shown;
    int CaptionMetric = SM_CYCAPTION;
    TRect LinkRect;
    bool LinkHover = false;
    DialogPlacement Placement;
    bool SizeRecorded = false;
    HBRUSH Background = nullptr;
    HBRUSH White = nullptr;
    HBITMAP ErrorBitmap = nullptr;
    DialogFonts Fonts;
    int CurrentPage = 0;
    // The auto-close countdown and the foreground keeper.
    int AutoCloseCount = 0;
    HWND KeptWindow = nullptr;
    HWND SendWindow = nullptr;
};

// The window state and the exchanged values outlive the static objects:
// a report still being made on another thread when the program's main
// returns goes on using them.
WindowState& WS()
{
    static WindowState* S = new WindowState;
    return *S;
}

const TRazuroModuleOptions* gOptions = nullptr;
TerminateQuestion gTerminateQuestion = nullptr;

AnsiString Text(int Number)
{
    return DialogOptions().GetCustomText(Number);
}

bool OwnLook()
{
    return DialogOptions().ExceptionDialogOptions & 0x80;
}

// ---- fonts ----------------------------------------------------------------------------------

HFONT MakeFont(int Height, int Weight, bool Underline, Byte Pitch, const AnsiString& Face)
{
    LOGFONT LF;
    LF.lfHeight = Height;
    LF.lfWeight = Weight;
    LF.lfUnderline = Underline ? 1 : 0;
    LF.lfCharSet = DEFAULT_CHARSET;
    LF.lfOutPrecision = OUT_TT_PRECIS;
    LF.lfPitchAndFamily = Pitch;
    LF.lfFaceName = Face;
    return CreateFontIndirect(LF);
}

// The program's texts are CP1251, a character set other than ANSI: the
// faces and size of that case.
constexpr int FixedPoints = 10;
constexpr char CaptionFace[] = "MS Sans Serif";
constexpr char FixedFace[] = "Courier New";
constexpr char ListFace[] = "Courier New";
/// The message font of the system's non-client metrics.
constexpr int MessageHeight = -11;
constexpr char MessageFace[] = "MS Sans Serif";

void CreateDialogFonts()
{
    DialogFonts& F = WS().Fonts;
    const int FixedHeight = -MulDiv(FixedPoints, 96, 72);
    F.Caption = MakeFont(MessageHeight, FW_BOLD, false, VARIABLE_PITCH, CaptionFace);
    F.Message = MakeFont(MessageHeight, FW_NORMAL, false, DEFAULT_PITCH, MessageFace);
    F.Link = MakeFont(MessageHeight, FW_BOLD, true, DEFAULT_PITCH, MessageFace);
    F.Fixed = MakeFont(FixedHeight, FW_NORMAL, false, FIXED_PITCH | FF_MODERN, FixedFace);
    F.List = MakeFont(FixedHeight, FW_NORMAL, false, FIXED_PITCH | FF_MODERN, ListFace);
}

void FreeDialogFonts()
{
    DialogFonts& F = WS().Fonts;
    for (HFONT* Font : {&F.Caption, &F.Message, &F.Link, &F.Fixed, &F.List}) {
        if (*Font)
            DeleteObject(*Font);
        *Font = nullptr;
    }
}

TSize TextExtent(HFONT Font, const AnsiString& S)
{
    HDC DC = GetDC(nullptr);
    HGDIOBJ Old = SelectObject(DC, Font);
    TSize Size;
    // An empty line is as high as a blank.
    const AnsiString Measured = S.IsEmpty() ? AnsiString(" ") : S;
    GetTextExtentPoint32(DC, Measured.c_str(), Measured.Length(), Size);
    SelectObject(DC, Old);
    ReleaseDC(nullptr, DC);
    return Size;
}

void SetFont(HWND Dlg, int Id, HFONT Font)
{
    SendDlgItemMessage(Dlg, Id, WM_SETFONT, reinterpret_cast<WPARAM>(Font), 1);
}

// ---- auto-close and the foreground keeper --------------------------------------------------

void StartAutoClose(HWND Wnd)
{
    if (DialogOptions().AutoCloseDialogSecs <= 0)
        return;
    WS().AutoCloseCount = 0;
    SetTimer(Wnd, TimerAutoClose, 1000, nullptr);
}

void StopAutoClose(HWND Wnd)
{
    KillTimer(Wnd, TimerAutoClose);
}

void ResetAutoClose()
{
    WS().AutoCloseCount = 0;
}

void AutoCloseTick(HWND Wnd)
{
    if (++WS().AutoCloseCount >= DialogOptions().AutoCloseDialogSecs)
        PostMessage(Wnd, WM_CLOSE, 0, 0);
}

void StartForegroundKeeper(HWND Wnd)
{
    WS().KeptWindow = Wnd;
    SetTimer(Wnd, TimerForeground, 10, nullptr);
}

void StopForegroundKeeper(HWND Wnd)
{
    KillTimer(Wnd, TimerForeground);
    WS().KeptWindow = nullptr;
}

void ForegroundTick(HWND Wnd)
{
    // Another window of this program took the foreground (the report
    // process has only these windows): take it back.
    if (WS().TopMost || WS().KeptWindow != Wnd)
        return;
    if (GetActiveWindow() != Wnd && GetActiveWindow() != nullptr)
        SetForegroundWindow(Wnd);
}

/// Input that restarts the countdown.
bool IsUserInput(UINT Msg)
{
    return Msg == WM_KEYDOWN || Msg == WM_LBUTTONDOWN || Msg == WM_RBUTTONDOWN ||
           Msg == WM_MBUTTONDOWN || Msg == WM_LBUTTONDBLCLK || Msg == WM_RBUTTONDBLCLK ||
           Msg == WM_MBUTTONDBLCLK || Msg == WM_MOUSEWHEEL || Msg == WM_NCLBUTTONDOWN ||
           Msg == WM_NCRBUTTONDOWN || Msg == WM_NCMBUTTONDOWN;
}

// ---- shared window set-up -----------------------------------------------------------------

int CaptionHeight()
{
    return GetSystemMetrics(WS().CaptionMetric);
}

void ApplyLookAndTopMost(HWND Wnd)
{
    WindowState& S = WS();
    const intptr_t Ex = GetWindowLong(Wnd, GWL_EXSTYLE);
    if (!OwnLook()) {
        SetWindowLong(Wnd, GWL_EXSTYLE, Ex & ~intptr_t(WS_EX_TOOLWINDOW));
        S.CaptionMetric = SM_CYCAPTION;
    } else {
        S.CaptionMetric = SM_CYSMCAPTION;
        // The caption and frame are ours to paint.
        SetDialogOwnFrame(Wnd, true);
    }
    S.TopMost = DialogOptions().ExceptionDialogOptions & 0x40;
    if (S.TopMost)
        SetWindowPos(Wnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

/// The own look's caption and frame (WM_NCPAINT, WM_NCACTIVATE; the
/// latter tells whether the window is active): true when painted, false
/// without the own look (the window system paints them).
bool PaintOwnCaption(UINT Msg, WPARAM WParam, const AnsiString& Caption, HWND Wnd)
{
    if (!OwnLook() || (Msg != WM_NCPAINT && Msg != WM_NCACTIVATE))
        return false;
    WindowState& S = WS();
    if (Msg == WM_NCACTIVATE)
        S.CaptionActive = WParam != 0;
    HDC DC = GetWindowDC(Wnd);
    if (!DC)
        return true;
    TRect R;
    GetWindowRect(Wnd, R);
    // A window that can be sized has the thick frame: the detailed look.
    const bool Thick = GetWindowLong(Wnd, GWL_STYLE) & WS_THICKFRAME;
    HFONT Font = S.Fonts.Caption ? S.Fonts.Caption : S.Fonts.Message;
    PaintOwnCaptionOn(DC, R, S.CaptionActive, Thick, CaptionHeight(), Caption, Font);
    ReleaseDC(Wnd, DC);
    return true;
}

/// The request and progress windows: look, top-most, the height of the
/// caption plus the template's client height.
void PrepareDialogWindow(HWND Wnd)
{
    WS().CaptionActive = true;
    ApplyLookAndTopMost(Wnd);
    TRect W;
    GetWindowRect(Wnd, W);
    TRect C;
    GetClientRect(Wnd, C);
    SetWindowPos(Wnd, nullptr, 0, 0, W.Width(), W.Height() - C.Height() + C.Height(),
        SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

HBITMAP MakeErrorBitmap()
{
    // The error picture: a red disc with a white cross on a background of
    // the top-left pixel's colour (drawn transparent).
    HDC Screen = GetDC(nullptr);
    HDC DC = CreateCompatibleDC(Screen);
    HBITMAP Bitmap = CreateCompatibleBitmap(Screen, 32, 32);
    ReleaseDC(nullptr, Screen);
    HGDIOBJ OldBitmap = SelectObject(DC, Bitmap);
    HBRUSH Back = CreateSolidBrush(RGB(255, 0, 255));
    FillRect(DC, Rect(0, 0, 32, 32), Back);
    DeleteObject(Back);
    HBRUSH Red = CreateSolidBrush(RGB(204, 0, 0));
    HPEN Dark = CreatePen(PS_SOLID, 1, RGB(128, 0, 0));
    HGDIOBJ OldBrush = SelectObject(DC, Red);
    HGDIOBJ OldPen = SelectObject(DC, Dark);
    Ellipse(DC, 1, 1, 31, 31);
    HPEN White = CreatePen(PS_SOLID, 3, RGB(255, 255, 255));
    SelectObject(DC, White);
    MoveToEx(DC, 10, 10, nullptr);
    LineTo(DC, 22, 22);
    MoveToEx(DC, 22, 10, nullptr);
    LineTo(DC, 10, 22);
    SelectObject(DC, OldPen);
    SelectObject(DC, OldBrush);
    SelectObject(DC, OldBitmap);
    DeleteObject(White);
    DeleteObject(Dark);
    DeleteObject(Red);
    DeleteDC(DC);
    return Bitmap;
}

void DrawErrorBitmap(HDC DC)
{
    HDC Mem = CreateCompatibleDC(DC);
    HGDIOBJ Old = SelectObject(Mem, WS().ErrorBitmap);
    const COLORREF Transparent = GetPixel(Mem, 0, 0);
    // In client coordinates the picture stands 8 pixels in from the left
    // and below the caption.
    TransparentBlt(DC, 8, 8, 32, 32, Mem, 0, 0, 32, 32, Transparent);
    SelectObject(Mem, Old);
    DeleteDC(Mem);
}

void DrawSupportLink(HWND Dlg)
{
    WindowState& S = WS();
    if (!S.Shown.LinkShown)
        return;
    HDC DC = GetDC(Dlg);
    FillRect(DC, S.LinkRect, S.Background);
    HGDIOBJ Old = SelectObject(DC, S.Fonts.Link);
    SetBkMode(DC, TRANSPARENT);
    SetTextColor(DC, RGB(0, 0, 128));
    TRect R = S.LinkRect;
    DrawText(DC, Text(21), R, DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(DC, Old);
    ReleaseDC(Dlg, DC);
}

void OpenSupportURL(const AnsiString& URL)
{
    // The desktop's opener with the address as one argument; no shell.
    const std::string Address = URL.ToUtf8();
    const char* Argv[] = {"xdg-open", Address.c_str(), nullptr};
    pid_t Pid = 0;
    if (posix_spawnp(&Pid, "xdg-open", nullptr, nullptr, const_cast<char**>(Argv), environ) == 0) {
        int Status = 0;
        waitpid(Pid, &Status, WNOHANG);
    }
}

// ---- the Details pages --------------------------------------------------------------------

/// The page shown in the tab control; owned here, freed when another is
/// chosen or the window closes.
TWinControl*& CurrentPageControl()
{
    static TWinControl* Page = nullptr;
    return Page;
}

void DestroyPage()
{
    delete CurrentPageControl();
    CurrentPageControl() = nullptr;
}

/// Where a page goes: the tab control's display area (its client pixels).
TRect PageArea(HWND Dlg)
{
    HWND Tabs = GetDlgItem(Dlg, 1000);
    TRect R;
    GetClientRect(Tabs, R);
    SendMessage(Tabs, TCM_ADJUSTRECT, 0, reinterpret_cast<LPARAM>(&R));
    return R;
}

void ShowPage(HWND Dlg, int Page)
{
    DestroyPage();
    const ReportDialogValues& V = DialogValues();
    ReportPagesData Data = ReportPagesFromText(V.FullReportText);
    Data.CustomDataText = V.CustomDataText;
    ReportPageSettings Settings;
    Settings.FixedFace = FixedFace;
    Settings.FixedSize = FixedPoints;
    Settings.ListFace = ListFace;
    Settings.ListSize = FixedPoints;
    Settings.MessageFace = MessageFace;
    Settings.OwnLook = OwnLook();
    Settings.Background = RGB(212, 208, 200);
    Settings.CoordinatesIni = GetIniFileName();
    Settings.OnActivity = [] { ResetAutoClose(); };
    CurrentPageControl() =
        CreateReportPage(GetDlgItem(Dlg, 1000), Page, PageArea(Dlg), Data, DialogOptions(), Settings);
}

void FitPage(HWND Dlg)
{
    if (TWinControl* Page = CurrentPageControl()) {
        const TRect R = PageArea(Dlg);
        Page->SetBounds(R.Left, R.Top, R.Width(), R.Height());
    }
}

// ---- main window ----------------------------------------------------------------------------

int ButtonWidth()
{
    int BW = 75;
    for (int N : {14, 15, 16, 17})
        BW = std::max(BW, TextExtent(WS().Fonts.Message, Text(N) + "O").cx);
    return BW;
}

void Move(HWND Dlg, int Id, int X, int Y, int W, int H)
{
    SetWindowPos(GetDlgItem(Dlg, Id), nullptr, X, Y, W, H, SWP_NOZORDER | SWP_NOACTIVATE);
}

void Show(HWND Dlg, int Id, bool Visible)
{
    ShowWindow(GetDlgItem(Dlg, Id), Visible ? SW_SHOWNA : SW_HIDE);
}

void LayoutOnSize(HWND Dlg, int W, int H)
{
    WindowState& S = WS();
    const TRazuroModuleOptions& O = DialogOptions();
    const int DW = W - 466;
    const int DH = H - 252;
    const int Extra = S.Shown.ExtraHeight;
    const int Y = H - 32 - Extra;
    Move(Dlg, IdTabs, 4, 52, 458 + DW, 162 + DH - Extra);
    if (S.DetailedMode)
        Move(Dlg, IdText, 48, 8, 410 + DW, 42);
    const int BW = ButtonWidth();
    Move(Dlg, IdOK, (W - BW) / 2, Y, BW, 25);
    Move(Dlg, IdTerminate, 5, Y, BW, 25);
    Show(Dlg, IdTerminate, O.ErrorsLimitActive && O.ErrorsLimit < DialogValues().ExceptionCount);
    const bool DetailsButton = O.ExceptionDialogOptions & 0x10;
    if (DetailsButton)
        Move(Dlg, IdDetails, W - BW - 5, Y, BW, 25);
    Show(Dlg, IdDetails, DetailsButton);
    Show(Dlg, IdLine, false);
    const int HW = (W - 8) / 2;
    Move(Dlg, IdSend, 4, Y + 34, HW, 16);
    SetDlgItemText(Dlg, IdSend, Text(18));
    Move(Dlg, IdCopy, W - HW - 4, Y + 34, HW, 16);
    SetDlgItemText(Dlg, IdCopy, Text(20));
    Move(Dlg, IdScreenshot, 23, Y + 50, W / 2, 16);
    SetDlgItemText(Dlg, IdScreenshot, Text(19));
    for (int Id : {IdSend, IdCopy, IdScreenshot})
        SetFont(Dlg, Id, S.Fonts.Message);
    const int LinkWidth = TextExtent(S.Fonts.Link, Text(21)).cx;
    const int LinkTop = Y + 34 + (S.Shown.CopyShown ? 16 : 0);
    S.LinkRect = Rect(W - 4 - LinkWidth, LinkTop, W - 4, LinkTop + 13);
    S.LinkHover = false;
    InvalidateRect(Dlg, nullptr, true);
}

void LayoutDialogMode(HWND Dlg)
{
    WindowState& S = WS();
    if (!S.DetailedMode)
        ShowWindow(Dlg, SW_SHOWNORMAL);
    if (!OwnLook())
        for (int Id : {IdOK, IdTerminate, IdDetails, IdSend, IdScreenshot, IdCopy}) {
            HWND C = GetDlgItem(Dlg, Id);
            SetWindowLong(C, GWL_STYLE, GetWindowLong(C, GWL_STYLE) & ~intptr_t(BS_FLAT));
        }
    intptr_t Style = GetWindowLong(Dlg, GWL_STYLE);
    intptr_t Frame = WS_THICKFRAME | WS_MAXIMIZEBOX | (OwnLook() ? 0 : WS_SYSMENU);
    Style = S.DetailedMode ? (Style | Frame) : (Style & ~Frame);
    SetWindowLong(Dlg, GWL_STYLE, Style);
    SetWindowPos(Dlg, nullptr, 0, 0, 0, 0,
        SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    const int Extra = S.Shown.ExtraHeight;
    if (S.DetailedMode) {
        SetDlgItemText(Dlg, IdText, Text(3));
        S.Placement = LoadDialogPlacement(
            GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), Extra);
        const DialogPlacement& P = S.Placement;
        SetWindowPos(Dlg, nullptr, P.Left, P.Top, P.Width, P.Height + Extra,
            SWP_NOZORDER | SWP_NOACTIVATE);
        ShowWindow(Dlg, P.WindowsState);
        Show(Dlg, IdTabs, true);
        ShowPage(Dlg, S.CurrentPage);
    } else {
        DestroyPage();
        const AnsiString Message = DialogValues().ExceptionMessageText;
        SetDlgItemText(Dlg, IdText, Message);
        const CompactTextSize C = CompactTextFor(Message, Text(18) + "    " + Text(20),
            GetSystemMetrics(SM_CXFRAME), [&](const AnsiString& L) { return TextExtent(S.Fonts.Message, L); });
        const int B = (GetSystemMetrics(SM_CXFRAME) - 1) * 2 + 60;
        Move(Dlg, IdText, 48, 8, C.WindowWidth - B, C.Height);
        const int WindowHeight = (GetSystemMetrics(SM_CYFRAME) - 1) * 2 +
                                 std::max(C.Height - 39, 0) + 88 + CaptionHeight() + Extra;
        const int Left = (GetSystemMetrics(SM_CXSCREEN) - C.WindowWidth) / 2;
        const int Top = (GetSystemMetrics(SM_CYSCREEN) - WindowHeight) / 2;
        SetWindowPos(Dlg, nullptr, Left, Top, C.WindowWidth, WindowHeight, SWP_NOZORDER | SWP_NOACTIVATE);
        Show(Dlg, IdTabs, false);
    }
    SetDlgItemText(Dlg, IdDetails, S.DetailedMode ? "<< " + Text(17) : Text(17) + " >>");
    TRect C;
    GetClientRect(Dlg, C);
    LayoutOnSize(Dlg, C.Width(), C.Height());
    if (S.DetailedMode)
        FitPage(Dlg);
}

void RecordPlacement(HWND Dlg)
{
    WindowState& S = WS();
    TRect R;
    GetWindowRect(Dlg, R);
    S.Placement.Left = R.Left;
    S.Placement.Top = R.Top;
    S.Placement.Width = R.Width();
    S.Placement.Height = R.Height();
    S.SizeRecorded = true;
}

void SavePlacementIfRecorded()
{
    if (WS().SizeRecorded)
        SaveDialogPlacement(WS().Placement, WS().Shown.ExtraHeight);
}

void InitMainDialog(HWND Dlg)
{
    WindowState& S = WS();
    const TRazuroModuleOptions& O = DialogOptions();
    ReportDialogValues& V = DialogValues();
    S.DialogHandle = Dlg;
    SetWindowPos(Dlg, HWND_TOP, 0, 0, 0, 0, SWP_NOACTIVATE | SWP_NOREDRAW | SWP_NOSENDCHANGING);
    ApplyLookAndTopMost(Dlg);
    S.Shown = ShownPartsFor(O, V.IsRepeatedError);
    SetForegroundWindow(Dlg);
    S.DetailedMode = O.ExceptionDialogOptions & 0x20;
    S.ErrorBitmap = MakeErrorBitmap();
    S.Background = OwnLook() ? CreateSolidBrush(RGB(212, 208, 200)) : GetSysColorBrush(COLOR_BTNFACE);
    S.White = CreateSolidBrush(RGB(255, 255, 255));
    CreateDialogFonts();
    SetFont(Dlg, IdText, S.Fonts.Message);
    SetFont(Dlg, IdOK, S.Fonts.Message);
    SetDlgItemText(Dlg, IdOK, Text(14));
    SetFont(Dlg, IdTerminate, S.Fonts.Message);
    SetDlgItemText(Dlg, IdTerminate, Text(O.TerminateAction == 0 ? 15 : 16));
    SetFont(Dlg, IdDetails, S.Fonts.Message);
    CheckDlgButton(Dlg, IdSend, (V.SendChosen && (O.ExceptionDialogOptions & 0x02)) ? BST_CHECKED : BST_UNCHECKED);
    EnableWindow(GetDlgItem(Dlg, IdScreenshot), IsDlgButtonChecked(Dlg, IdSend) == BST_CHECKED);
    Show(Dlg, IdSend, S.Shown.SendShown);
    Show(Dlg, IdScreenshot, S.Shown.SendShown && S.Shown.ScreenshotShown);
    CheckDlgButton(Dlg, IdScreenshot,
        (V.ScreenshotChosen && (O.ExceptionDialogOptions & 0x04)) ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(Dlg, IdCopy, BST_UNCHECKED);
    Show(Dlg, IdCopy, S.Shown.CopyShown);
    SetWindowText(Dlg, Text(2));
    SetFont(Dlg, IdTabs, S.Fonts.Message);
    int Position = 0;
    for (int N : DialogTabTexts(O.LogOptions, !V.CustomDataText.IsEmpty())) {
        const AnsiString Caption = Text(N);
        TCITEM Item;
        Item.mask = TCIF_TEXT;
        Item.pszText = Caption.c_str();
        SendDlgItemMessage(Dlg, IdTabs, TCM_INSERTITEM, Position++, reinterpret_cast<LPARAM>(&Item));
    }
    S.CurrentPage = StartPageFor(O.DialogStyle, !V.CustomDataText.IsEmpty());
    SetFocus(GetDlgItem(Dlg, IdOK));
    SendDlgItemMessage(Dlg, IdTabs, TCM_SETCURSEL,
        TabOfPage(S.CurrentPage, O.LogOptions & 0x10, O.LogOptions & 0x20), 0);
    LayoutDialogMode(Dlg);
    SetTimer(Dlg, TimerPaintCheck, 1, nullptr);
    StartAutoClose(Dlg);
    StartForegroundKeeper(Dlg);
}

void DestroyMainDialog(HWND Dlg)
{
    WindowState& S = WS();
    ReportDialogValues& V = DialogValues();
    KillTimer(Dlg, TimerPaintCheck);
    StopAutoClose(Dlg);
    StopForegroundKeeper(Dlg);
    V.SendChosen = S.Shown.SendShown && IsDlgButtonChecked(Dlg, IdSend) == BST_CHECKED;
    V.ScreenshotChosen = V.SendChosen && S.Shown.ScreenshotShown &&
                         IsDlgButtonChecked(Dlg, IdScreenshot) == BST_CHECKED;
    V.CopyChosen = S.Shown.CopyShown && IsDlgButtonChecked(Dlg, IdCopy) == BST_CHECKED;
    FreeDialogFonts();
    if (OwnLook())
        DeleteObject(S.Background);
    S.Background = nullptr;
    DeleteObject(S.White);
    DeleteObject(S.ErrorBitmap);
    S.White = S.ErrorBitmap = nullptr;
    DestroyPage();
    if (S.DetailedMode) {
        RecordPlacement(Dlg);
        SavePlacementIfRecorded();
    }
    S.DialogHandle = nullptr;
}

intptr_t MainDialogProc(HWND Dlg, UINT Msg, WPARAM WParam, LPARAM LParam)
{
    WindowState& S = WS();
    if (IsUserInput(Msg))
        ResetAutoClose();
    switch (Msg) {
    case WM_INITDIALOG: InitMainDialog(Dlg); return 0;
    case WM_TIMER:
        if (WParam == TimerPaintCheck) {
            KillTimer(Dlg, TimerPaintCheck);
            // A shown window paints now; one that cannot paint never will.
            if (!S.WasPainted)
                UpdateWindow(Dlg);
            if (!S.WasPainted)
                EndDialog(Dlg, IdOK);
        } else if (WParam == TimerAutoClose) {
            AutoCloseTick(Dlg);
        } else if (WParam == TimerForeground) {
            ForegroundTick(Dlg);
        }
        return 1;
    case WM_PAINT: {
        S.WasPainted = true;
        HDC DC = GetDC(Dlg);
        DrawErrorBitmap(DC);
        ReleaseDC(Dlg, DC);
        DrawSupportLink(Dlg);
        return 1;
    }
    case WM_NCPAINT:
    case WM_NCACTIVATE: return PaintOwnCaption(Msg, WParam, Text(2), Dlg);
    case WM_COMMAND:
        ResetAutoClose();
        switch (LoWord(WParam)) {
        case IdOK: EndDialog(Dlg, IdOK); return 1;
        case IdTerminate:
            DialogValues().TerminateChosen = true;
            EndDialog(Dlg, IdTerminate);
            return 1;
        case IdDetails:
            if (S.DetailedMode) {
                RecordPlacement(Dlg);
                SavePlacementIfRecorded();
            }
            S.DetailedMode = !S.DetailedMode;
            InvalidateRect(Dlg, nullptr, true);
            LayoutDialogMode(Dlg);
            return 1;
        case IdSend:
            EnableWindow(GetDlgItem(Dlg, IdScreenshot), IsDlgButtonChecked(Dlg, IdSend) == BST_CHECKED);
            return 1;
        default: return 0;
        }
    case WM_NOTIFY: {
        ResetAutoClose();
        const auto* Header = reinterpret_cast<const NMHDR*>(LParam);
        if (Header && Header->idFrom == IdTabs && Header->code == TCN_SELCHANGE) {
            const TRazuroModuleOptions& O = DialogOptions();
            const int Tab = static_cast<int>(SendDlgItemMessage(Dlg, IdTabs, TCM_GETCURSEL, 0, 0));
            S.CurrentPage = PageOfTab(Tab, O.LogOptions & 0x10, O.LogOptions & 0x20);
            ShowPage(Dlg, S.CurrentPage);
        }
        return 1;
    }
    case WM_MOUSEMOVE: {
        const TPoint P{GetXLParam(LParam), GetYLParam(LParam)};
        S.LinkHover = S.Shown.LinkShown && PtInRect(S.LinkRect, P);
        if (S.LinkHover)
            SetCursor(LoadCursor(0, IDC_HAND));
        DrawSupportLink(Dlg);
        return 0;
    }
    case WM_LBUTTONUP:
        if (S.LinkHover) {
            S.TopMost = false;
            SetWindowPos(Dlg, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            OpenSupportURL(Trim(DialogOptions().SupportURL));
        }
        return 0;
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
        if (!OwnLook())
            return 0;
        if (Msg == WM_CTLCOLORSTATIC) {
            SetBkMode(reinterpret_cast<HDC>(WParam), TRANSPARENT);
            SetTextColor(reinterpret_cast<HDC>(WParam), RGB(0, 0, 0));
        }
        return reinterpret_cast<intptr_t>(S.Background);
    case WM_SIZE: {
        if (!S.DialogHandle)
            return 0;
        LayoutOnSize(Dlg, LoWord(LParam), HiWord(LParam));
        if (WParam == SIZE_MAXIMIZED)
            S.Placement.WindowsState = 3;
        else if (WParam == SIZE_MINIMIZED)
            S.Placement.WindowsState = 6;
        else if (S.DetailedMode) {
            S.Placement.WindowsState = 1;
            RecordPlacement(Dlg);
        }
        if (S.DetailedMode)
            FitPage(Dlg);
        return 0;
    }
    case WM_DESTROY: DestroyMainDialog(Dlg); return 0;
    default: return 0;
    }
}

// ---- request and progress windows ---------------------------------------------------------

int WrappedHeight(const AnsiString& S, int Width)
{
    int H = 0;
    for (const AnsiString& Line : SplitCrLfLines(S)) {
        const TSize E = TextExtent(WS().Fonts.Message, Line);
        H += E.cy * ((E.cx - 1) / Width + 1);
    }
    return H;
}

intptr_t RequestDialogProc(HWND Dlg, UINT Msg, WPARAM WParam, LPARAM)
{
    if (IsUserInput(Msg))
        ResetAutoClose();
    switch (Msg) {
    case WM_INITDIALOG: {
        PrepareDialogWindow(Dlg);
        CreateDialogFonts();
        SetWindowText(Dlg, Text(81));
        SetDlgItemText(Dlg, IdRequestLabel, Text(82));
        SetDlgItemText(Dlg, IdOK, Text(83));
        SetFont(Dlg, IdRequestLabel, WS().Fonts.Message);
        SetFont(Dlg, IdOK, WS().Fonts.Message);
        SetFont(Dlg, IdRequestEdit, WS().Fonts.Fixed);
        const int H = WrappedHeight(Text(82), 454);
        TRect W;
        GetWindowRect(Dlg, W);
        SetWindowPos(Dlg, nullptr, W.Left, W.Top - (H - 10) / 2, W.Width(), W.Height() + H - 10,
            SWP_NOZORDER | SWP_NOACTIVATE);
        Move(Dlg, IdRequestLabel, 10, 10, 454, H);
        Move(Dlg, IdRequestEdit, 10, H + 14, 454, 187);
        Move(Dlg, IdOK, 389, H + 207, 75, 23);
        SetFocus(GetDlgItem(Dlg, IdRequestEdit));
        StartAutoClose(Dlg);
        StartForegroundKeeper(Dlg);
        return 0;
    }
    case WM_TIMER:
        if (WParam == TimerAutoClose)
            AutoCloseTick(Dlg);
        else if (WParam == TimerForeground)
            ForegroundTick(Dlg);
        return 1;
    case WM_NCPAINT:
    case WM_NCACTIVATE: return PaintOwnCaption(Msg, WParam, Text(81), Dlg);
    case WM_COMMAND:
        ResetAutoClose();
        if (LoWord(WParam) == IdOK) {
            AddReportSection(7, Text(81), Trim(GetDlgItemText(Dlg, IdRequestEdit)));
            EndDialog(Dlg, IdOK);
            return 1;
        }
        return 0;
    case WM_DESTROY:
        StopAutoClose(Dlg);
        StopForegroundKeeper(Dlg);
        FreeDialogFonts();
        return 0;
    default: return 0;
    }
}

intptr_t SendDialogProc(HWND Dlg, UINT Msg, WPARAM WParam, LPARAM)
{
    switch (Msg) {
    case WM_INITDIALOG:
        PrepareDialogWindow(Dlg);
        CreateDialogFonts();
        WS().SendWindow = Dlg;
        SetWindowText(Dlg, Text(75));
        SetFont(Dlg, IdServerText, WS().Fonts.Message);
        StartForegroundKeeper(Dlg);
        return 0;
    case WM_TIMER:
        if (WParam == TimerForeground)
            ForegroundTick(Dlg);
        return 1;
    case WM_NCPAINT:
    case WM_NCACTIVATE: return PaintOwnCaption(Msg, WParam, Text(75), Dlg);
    case WM_CLOSE_SEND_DIALOG: EndDialog(Dlg, 0); return 1;
    case WM_COMMAND: return 1;  // Escape does not stop a send.
    case WM_DESTROY:
        StopForegroundKeeper(Dlg);
        FreeDialogFonts();
        WS().SendWindow = nullptr;
        return 0;
    default: return 0;
    }
}

// ---- templates ----------------------------------------------------------------------------

void RegisterTemplates()
{
    if (FindDialogTemplate("EL_DIALOG"))
        return;
    constexpr uint32_t Child = WS_CHILD | WS_VISIBLE;
    DialogTemplate Main;
    Main.Style = WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_MAXIMIZEBOX | DS_MODALFRAME;
    Main.ExStyle = WS_EX_TOOLWINDOW;
    Main.CX = 310;
    Main.CY = 150;
    Main.Caption = "DIALOG";
    Main.Items = {
        {"BUTTON", "Kill", IdTerminate, Child | WS_TABSTOP | BS_FLAT, 0, 4, 128, 50, 14},
        {"BUTTON", "OK", IdOK, Child | WS_TABSTOP | BS_DEFPUSHBUTTON | BS_FLAT, 0, 130, 128, 50, 14},
        {"BUTTON", "Details", IdDetails, Child | WS_TABSTOP | BS_FLAT, 0, 256, 128, 50, 14},
        {"STATIC", "Text", IdText, Child | SS_CENTER, 0, 32, 4, 270, 20},
        {"SysTabControl32", "", IdTabs, Child | WS_TABSTOP, 0, 4, 28, 300, 90},
        {"STATIC", "", IdLine, Child | SS_ETCHEDHORZ, 0, 4, 124, 300, 1},
        {"BUTTON", "Send an email to the program author", IdSend,
            Child | WS_TABSTOP | BS_AUTOCHECKBOX | BS_FLAT, 0, 4, 146, 150, 10},
        {"BUTTON", "Attach a screenshot", IdScreenshot,
            Child | WS_TABSTOP | BS_AUTOCHECKBOX | BS_FLAT, 0, 16, 156, 150, 10},
        {"BUTTON", "Copy to clipboard", IdCopy,
            Child | WS_TABSTOP | BS_AUTOCHECKBOX | BS_LEFTTEXT | BS_RIGHT | BS_FLAT, 0, 156, 146, 150, 10},
    };
    RegisterDialogTemplate("EL_DIALOG", Main);

    DialogTemplate Request;
    Request.Style = WS_POPUP | WS_VISIBLE | WS_CAPTION | DS_CENTER | DS_MODALFRAME;
    Request.ExStyle = WS_EX_TOOLWINDOW;
    Request.CX = 316;
    // Client pixels for the label, the 187-pixel edit box and the button
    // below it (the label's own height is added at start).
    Request.CY = 167;
    Request.Caption = "Request.";
    Request.Items = {
        {"STATIC", "Please describe the steps to reproduce the error:", IdRequestLabel, Child, 0,
            7, 6, 302, 8},
        {"EDIT", "", IdRequestEdit,
            Child | WS_TABSTOP | WS_BORDER | WS_VSCROLL | ES_MULTILINE | ES_WANTRETURN, 0, 7, 16, 302, 115},
        {"BUTTON", "OK", IdOK, Child | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 259, 136, 50, 14},
    };
    RegisterDialogTemplate("EL_REQUEST", Request);

    DialogTemplate Server;
    Server.Style = WS_POPUP | WS_VISIBLE | WS_CAPTION | DS_CENTER | DS_MODALFRAME;
    Server.ExStyle = WS_EX_TOOLWINDOW;
    Server.CX = 200;
    Server.CY = 40;
    Server.Caption = "SMTP sending...";
    Server.Items = {
        {"msctls_progress32", "", IdServerBar, Child, 0, 7, 22, 186, 10},
        {"STATIC", "Static", IdServerText, Child, 0, 7, 7, 186, 10},
    };
    RegisterDialogTemplate("EL_SERVER", Server);
}

}  // namespace

// ---- public -------------------------------------------------------------------------------

ReportDialogValues& DialogValues()
{
    static ReportDialogValues* V = new ReportDialogValues;
    return *V;
}

void SetDialogOptions(const TRazuroModuleOptions* Options)
{
    gOptions = Options;
}

const TRazuroModuleOptions& DialogOptions()
{
    static const TRazuroModuleOptions* Defaults = new TRazuroModuleOptions;
    return gOptions ? *gOptions : *Defaults;
}

int AutoCloseCounter()
{
    return WS().AutoCloseCount;
}

DialogShownParts ShownPartsFor(const TRazuroModuleOptions& O, bool IsRepeatedError)
{
    DialogShownParts P;
    P.SendShown = (O.EmailSendMode != 0 || O.WebSendMode != 0) && !IsRepeatedError;
    P.ScreenshotShown = (O.SendOptions & 0x10) && P.SendShown;
    P.CopyShown = O.ExceptionDialogOptions & 0x08;
    P.LinkShown = !Trim(O.SupportURL).IsEmpty();
    if (!P.SendShown && !P.ScreenshotShown && !P.CopyShown && !P.LinkShown)
        P.ExtraHeight = 0;
    else if ((P.SendShown && P.ScreenshotShown) || (P.CopyShown && P.LinkShown))
        P.ExtraHeight = 34;
    else
        P.ExtraHeight = 20;
    return P;
}

CompactTextSize CompactTextFor(const AnsiString& Message, const AnsiString& ButtonLine, int FrameX,
    const TextMeasure& Measure)
{
    const int B = (FrameX - 1) * 2 + 60;
    const int L = 640 - B;
    std::vector<AnsiString> Lines = SplitCrLfLines(Message);
    Lines.push_back(ButtonLine);
    int Widest = 0;
    int Height = 0;
    for (const AnsiString& Line : Lines) {
        const TSize E = Measure(Line.IsEmpty() ? AnsiString(" ") : Line);
        if (E.cx > Widest) {
            Widest = E.cx + 16;
            if (Widest > L) {
                Height += ((Widest - L) / L + 1) * E.cy;
                Widest = L;
            }
        }
        Height += E.cy;
    }
    CompactTextSize R;
    R.Width = Widest;
    R.Height = Height;
    R.WindowWidth = std::max(Widest + B, 250);
    return R;
}

std::vector<int> DialogTabTexts(Byte LogOptions, bool HasCustomData)
{
    std::vector<int> Texts = {4, 6};
    if (LogOptions & 0x10)
        Texts.push_back(8);
    if (LogOptions & 0x20)
        Texts.push_back(10);
    if (HasCustomData)
        Texts.push_back(12);
    return Texts;
}

int StartPageFor(Byte DialogStyle, bool HasCustomData)
{
    if (!HasCustomData && DialogStyle == 4)
        return 0;
    return DialogStyle & 0x7F;
}

int TabOfPage(int Page, bool HasModules, bool HasCPU)
{
    int Tab = Page;
    if (Tab > 1 && !HasModules)
        --Tab;
    if (Tab > 2 && !HasCPU)
        --Tab;
    return Tab;
}

int PageOfTab(int Tab, bool HasModules, bool HasCPU)
{
    for (int Page = 0; Page <= 4; ++Page)
        if ((Page != 2 || HasModules) && (Page != 3 || HasCPU) && TabOfPage(Page, HasModules, HasCPU) == Tab)
            return Page;
    return 0;
}

DialogPlacement LoadDialogPlacement(int ScreenWidth, int ScreenHeight, int ExtraHeight)
{
    auto Read = [](const char* Key, int Default) {
        return StrToIntDef(ReadIniText("Coordinates", Key, IntToStr(Default)), Default);
    };
    DialogPlacement P;
    P.Width = Read("Width", 745);
    P.Height = Read("Height", 468);
    P.Left = Read("Left", (ScreenWidth - P.Width) / 2);
    P.Top = Read("Top", (ScreenHeight - (P.Height + ExtraHeight)) / 2);
    P.WindowsState = Read("WindowsState", 1);
    if (P.Top + P.Height > ScreenHeight)
        P.Top = ScreenHeight - (P.Height + ExtraHeight);
    if (P.Left + P.Width > ScreenWidth)
        P.Left = ScreenWidth - P.Width;
    P.Left = std::max(P.Left, 0);
    P.Top = std::max(P.Top, 0);
    return P;
}

void SaveDialogPlacement(const DialogPlacement& P, int ExtraHeight)
{
    if (P.WindowsState == 1) {
        WriteIniText("Coordinates", "Width", IntToStr(P.Width));
        WriteIniText("Coordinates", "Height", IntToStr(P.Height - ExtraHeight));
        WriteIniText("Coordinates", "Left", IntToStr(P.Left));
        WriteIniText("Coordinates", "Top", IntToStr(P.Top));
    }
    WriteIniText("Coordinates", "WindowsState", IntToStr(P.WindowsState));
}

TerminateQuestion SetTerminateQuestion(TerminateQuestion Ask)
{
    const TerminateQuestion Old = gTerminateQuestion;
    gTerminateQuestion = Ask;
    return Old;
}

bool ShowExceptionDialog()
{
    RegisterTemplates();
    MessageBeep(MB_ICONHAND);
    WS().KeptWindow = nullptr;
    ReportDialogValues& V = DialogValues();
    for (;;) {
        V.TerminateChosen = false;
        WS().WasPainted = false;
        DialogBoxParam(0, "EL_Dialog", nullptr, &MainDialogProc, 0);
        // A window that could not be shown: the message at least.
        if (!WS().WasPainted)
            MessageBox(nullptr, V.ExceptionMessageText, Text(2),
                MB_ICONHAND | MB_TASKMODAL | MB_TOPMOST | MB_SERVICE_NOTIFICATION);
        if (!V.TerminateChosen || !gTerminateQuestion || gTerminateQuestion())
            break;
    }
    return WS().WasPainted;
}

void ShowReproduceRequest()
{
    const TRazuroModuleOptions& O = DialogOptions();
    const ReportDialogValues& V = DialogValues();
    if (!(O.LogOptions & 0x02) || V.IsRepeatedError || !(V.SendChosen || O.SaveLogFile))
        return;
    RegisterTemplates();
    DialogBoxParam(0, "EL_Request", nullptr, &RequestDialogProc, 0);
}

HWND StartSendDialog()
{
    const TRazuroModuleOptions& O = DialogOptions();
    WS().SendWindow = nullptr;
    if (!(O.SendOptions & 0x01) || (O.EmailSendMode == 0 && O.WebSendMode == 0))
        return nullptr;
    RegisterTemplates();
    return CreateDialogParam(0, "EL_Server", nullptr, &SendDialogProc, 0);
}

void CloseSendDialog()
{
    if (HWND Wnd = WS().SendWindow)
        DestroyDialog(Wnd);
    WS().SendWindow = nullptr;
}

HWND SendDialogWindow()
{
    return WS().SendWindow;
}

void AddReportSection(int Kind, const AnsiString& Title, const AnsiString& Section)
{
    (void)Kind;
    if (Section.IsEmpty())
        return;
    ReportDialogValues& V = DialogValues();
    AnsiString Item = Title + ":" + "\r\n" + StringOfChar('-', Title.Length() + 1);
    for (const AnsiString& Line : SplitCrLfLines(Section))
        Item += "\r\n" + Line;
    Item += "\r\n\r\n";
    // After the General section and the blank line that closes it.
    const int Position = std::min(V.GeneralSectionText.Length() + 2, V.FullReportText.Length());
    const int OldLength = V.GeneralSectionText.Length();
    V.FullReportText = V.FullReportText.SubString(1, Position) + Item +
                       V.FullReportText.SubString(Position + 1, V.FullReportText.Length());
    V.GeneralSectionText = V.FullReportText.SubString(1, OldLength + Item.Length());
}

void PaintOwnCaptionOn(HDC DC, const TRect& Window, bool Active, bool Detailed, int CaptionHeight,
    const AnsiString& Caption, HFONT Font)
{
    const int FX = GetSystemMetrics(SM_CXFRAME) - 1;
    const int FY = GetSystemMetrics(SM_CYFRAME) - 1;
    const TRect W0 = Rect(0, 0, Window.Width(), Window.Height());
    const TRect Inner = Rect(W0.Left + FX, W0.Top + FY, W0.Right - FX, W0.Bottom - FY);
    TRect Cap = Rect(W0.Left + FX + 1, W0.Top + FY + 1, W0.Right - FX - 1, 0);
    Cap.Bottom = Cap.Top + CaptionHeight - 1;
    TRect CaptionFrame = Inner;
    CaptionFrame.Bottom = Cap.Bottom + 1;
    const COLORREF Start = Active ? RGB(130, 155, 194) : RGB(151, 151, 151);
    const COLORREF Outer = Active ? 0x404040 : 0x303030;
    const COLORREF InnerColour = Active ? 0x808080 : 0x606060;
    double R = GetRValue(Start), G = GetGValue(Start), B = GetBValue(Start);
    TRect Band = Cap;
    for (int I = 0; I < CaptionHeight / 5; ++I) {
        R = std::min(255.0, std::round(R * 0.96));
        G = std::min(255.0, std::round(G * 0.96));
        B = std::min(255.0, std::round(B * 0.96));
        HBRUSH Brush = CreateSolidBrush(RGB(int(R), int(G), int(B)));
        FillRect(DC, Band, Brush);
        DeleteObject(Brush);
        Band.Top += 2;
        Band.Bottom -= 2;
    }
    HBRUSH OuterBrush = CreateSolidBrush(Outer);
    HBRUSH InnerBrush = CreateSolidBrush(InnerColour);
    FrameRect(DC, W0, OuterBrush);
    if (Detailed) {
        FrameRect(DC, CaptionFrame, OuterBrush);
        FrameRect(DC, Inner, OuterBrush);
    } else {
        TRect Higher = CaptionFrame;
        --Higher.Bottom;
        FrameRect(DC, Higher, OuterBrush);
    }
    FillRect(DC, Rect(W0.Left + 1, W0.Top + 1, Inner.Left, W0.Bottom - 1), InnerBrush);
    FillRect(DC, Rect(W0.Left + 1, W0.Top + 1, W0.Right - 1, Inner.Top), InnerBrush);
    FillRect(DC, Rect(W0.Left + 1, Inner.Bottom, W0.Right - 1, W0.Bottom - 1), InnerBrush);
    FillRect(DC, Rect(Inner.Right, W0.Top + 1, W0.Right - 1, W0.Bottom - 1), InnerBrush);
    DeleteObject(OuterBrush);
    DeleteObject(InnerBrush);
    HGDIOBJ Old = SelectObject(DC, Font);
    SetBkMode(DC, TRANSPARENT);
    TRect T = Cap;
    --T.Top;
    if (Active) {
        SetTextColor(DC, 0x222222);
        TRect Shadow = T;
        Shadow.Left += 5;
        DrawText(DC, Caption, Shadow, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
        SetTextColor(DC, RGB(255, 255, 255));
    } else {
        SetTextColor(DC, 0xE0E0E0);
    }
    T.Left += 4;
    DrawText(DC, Caption, T, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    SelectObject(DC, Old);
}

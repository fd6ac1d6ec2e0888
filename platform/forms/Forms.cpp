#include "platform/forms/Forms.h"

#include "platform/forms/ActnList.h"
#include "platform/forms/ImgList.h"
#include "platform/forms/Menus.h"
#include "platform/winapi/SystemMetrics.h"
#include "platform/forms/StdPrivate.h"
#include "platform/winapi/WindowPrivate.h"
#include "platform/winapi/Windows.h"
#include "platform/forms/ControlsPrivate.h"
#include "platform/classes/Strings.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/StrUtils.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <QFontDatabase>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cassert>
#include <cstdlib>
#include <filesystem>
#include <vector>

TApplication* Application = nullptr;
TScreen* Screen = nullptr;

namespace {


const char SCannotShowModal[] = "Cannot make a visible window modal";

ModalHook& TheModalHook()
{
    static ModalHook Hook;
    return Hook;
}

MessageBoxHook& TheMessageBoxHook()
{
    static MessageBoxHook Hook;
    return Hook;
}

/// Modal forms closed to be freed whose ShowModal has not returned yet.
std::vector<const TCustomForm*>& ModalFormsToRelease()
{
    static std::vector<const TCustomForm*> Forms;
    return Forms;
}

}  // namespace

// ---- hooks ------------------------------------------------------------------------------

void SetModalHook(ModalHook Hook)
{
    TheModalHook() = std::move(Hook);
}

void SetMessageBoxHook(MessageBoxHook Hook)
{
    TheMessageBoxHook() = std::move(Hook);
}

bool HasMessageBoxHook()
{
    return static_cast<bool>(TheMessageBoxHook());
}

bool AnswerMessageBox(const AnsiString& Text, const AnsiString& Caption, UINT Type, int& Result)
{
    if (!TheMessageBoxHook())
        return false;
    Result = TheMessageBoxHook()(Text, Caption, Type);
    return true;
}

ModalHookScope::ModalHookScope(ModalHook Hook)
{
    SetModalHook(std::move(Hook));
}

ModalHookScope::~ModalHookScope()
{
    SetModalHook(nullptr);
}

MessageBoxHookScope::MessageBoxHookScope(MessageBoxHook Hook)
{
    SetMessageBoxHook(std::move(Hook));
}

MessageBoxHookScope::~MessageBoxHookScope()
{
    SetMessageBoxHook(nullptr);
}

int MessageBox(HWND Owner, const AnsiString& Text, const AnsiString& Caption, UINT Type)
{
    int Result = IDOK;
    if (AnswerMessageBox(Text, Caption, Type, Result))
        return Result;
    QMessageBox Box(IsLiveWindow(Owner) ? Owner->Widget.data() : nullptr);
    Box.setWindowTitle(ToQString(Caption));
    Box.setText(ToQString(Text));
    switch (Type & MB_ICONMASK) {
    case MB_ICONHAND: Box.setIcon(QMessageBox::Critical); break;
    case MB_ICONQUESTION: Box.setIcon(QMessageBox::Question); break;
    case MB_ICONEXCLAMATION: Box.setIcon(QMessageBox::Warning); break;
    case MB_ICONASTERISK: Box.setIcon(QMessageBox::Information); break;
    default: break;
    }
    // The buttons of each type with the system's Russian captions.
    struct Button {
        const char* Text;
        int Id;
    };
    std::vector<Button> Buttons;
    switch (Type & MB_TYPEMASK) {
    case MB_OKCANCEL: Buttons = {{"ОК"_c, IDOK}, {"Отмена"_c, IDCANCEL}}; break;
    case MB_ABORTRETRYIGNORE:
        Buttons = {{"Прервать"_c, IDABORT}, {"Повтор"_c, IDRETRY}, {"Пропустить"_c, IDIGNORE}};
        break;
    case MB_YESNOCANCEL: Buttons = {{"Да"_c, IDYES}, {"Нет"_c, IDNO}, {"Отмена"_c, IDCANCEL}}; break;
    case MB_YESNO: Buttons = {{"Да"_c, IDYES}, {"Нет"_c, IDNO}}; break;
    case MB_RETRYCANCEL: Buttons = {{"Повтор"_c, IDRETRY}, {"Отмена"_c, IDCANCEL}}; break;
    default: Buttons = {{"ОК"_c, IDOK}}; break;
    }
    std::vector<QPushButton*> Made;
    for (const Button& B : Buttons)
        Made.push_back(Box.addButton(ToQString(AnsiString(B.Text)), QMessageBox::AcceptRole));
    const size_t Default = ((Type & MB_DEFMASK) >> 8);
    if (Default < Made.size())
        Box.setDefaultButton(Made[Default]);
    Box.exec();
    for (size_t I = 0; I < Made.size(); ++I)
        if (Box.clickedButton() == Made[I])
            return Buttons[I].Id;
    // Closed by the window's close box: the cancel answer where there is one.
    for (const Button& B : Buttons)
        if (B.Id == IDCANCEL || B.Id == IDNO)
            return B.Id;
    return Buttons.front().Id;
}

// ---- start-up ----------------------------------------------------------------------------

namespace {

std::unique_ptr<QApplication>& OwnQtApplication()
{
    static std::unique_ptr<QApplication> App;
    return App;
}

/// The program speaks Russian: the window system's own dialogs (print,
/// page set-up, files, colours, fonts) take Qt's Russian texts when they
/// are installed, and stay English otherwise.
void InstallRussianQtTexts()
{
    static std::unique_ptr<QTranslator> Texts;
    if (Texts)
        return;
    auto T = std::make_unique<QTranslator>();
    if (!T->load(QStringLiteral("qtbase_ru"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return;
    QCoreApplication::installTranslator(T.get());
    Texts = std::move(T);
}

}  // namespace

void GuiStartup(int& Argc, char** Argv)
{
    if (!QApplication::instance()) {
        // Pixel sizes are ours: no scaling by Qt.
        qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
        qputenv("QT_SCALE_FACTOR", "1");
        ChooseFontFiles();
        OwnQtApplication() = std::make_unique<QApplication>(Argc, Argv);
    }
    InstallRussianQtTexts();
    if (!Screen)
        Screen = new TScreen(nullptr);
    if (!Application)
        Application = new TApplication(nullptr);
    InstallFormsWindowHost();
    SetSentMessagesOpen(true);
}

void GuiShutdown()
{
    ImageList_EndDrag();
    SetSentMessagesOpen(false);
    delete Application;
    Application = nullptr;
    delete Screen;
    Screen = nullptr;
    while (DispatchQueued()) {
    }
    OwnQtApplication().reset();
}

// ---- TCustomForm -------------------------------------------------------------------------

TCustomForm::TCustomForm(TComponent* AOwner) : TWinControl(AOwner)
{
    Init();
}

TCustomForm::TCustomForm(TComponent* AOwner, int) : TWinControl(AOwner)
{
    Init();
}

void TCustomForm::Init()
{
    FVisible = false;
    FColor = clBtnFace;
    FParentColor = false;
    FParentFont = false;
    FControlStyle = {csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
    FWidth = 320;
    FHeight = 240;
    FCanvas = std::make_unique<TControlCanvas>();
    FCanvas->SetControl(this);
    if (Screen)
        Screen->AddForm(this);
}

TCustomForm::~TCustomForm()
{
    DoDestroy();
    Destroying();
    if (FHandle && FHandle->Widget)
        FHandle->Widget->hide();
    DestroyComponents();
    if (Screen)
        Screen->RemoveForm(this);
    if (Application && Application->MainForm() == this)
        Application->SetMainForm(nullptr);
    FCanvas.reset();
}

PRICETAGS_DEFINE_CLASS(TCustomForm,
    Property("WindowState", &TCustomForm::WindowState, &TCustomForm::SetWindowState),
    Property("BorderStyle", &TCustomForm::BorderStyle, &TCustomForm::SetBorderStyle),
    Property("KeyPreview", &TCustomForm::KeyPreview, &TCustomForm::SetKeyPreview))

TForm::~TForm() = default;

PRICETAGS_DEFINE_CLASS(TForm)

PTypeInfo TypeInfoOf(const TWindowState*)
{
    static const TTypeInfo Info = EnumTypeInfo("TWindowState", {"wsNormal", "wsMinimized", "wsMaximized"});
    return &Info;
}

PTypeInfo TypeInfoOf(const TFormBorderStyle*)
{
    static const TTypeInfo Info = EnumTypeInfo("TFormBorderStyle",
        {"bsNone", "bsSingle", "bsSizeable", "bsDialog", "bsToolWindow", "bsSizeToolWin"});
    return &Info;
}

void TCustomForm::DoCreate()
{
    OnCreate(this);
}

void TCustomForm::DoDestroy()
{
    OnDestroy(this);
    OnDestroy = nullptr;
}

void TCustomForm::DoShow()
{
    OnShow(this);
}

void TCustomForm::DoHide()
{
    OnHide(this);
}

void TCustomForm::DoClose(TCloseAction& Action)
{
    OnClose(this, Action);
}

void TCustomForm::Activate()
{
    OnActivate(this);
}

void TCustomForm::Deactivate()
{
    OnDeactivate(this);
}

void TCustomForm::Paint()
{
    OnPaint(this);
}

void TCustomForm::PaintWindow(HDC DC)
{
    const CanvasPaintScope Scope(*FCanvas, DC);
    Paint();
}

void TCustomForm::AdjustClientRect(TRect& Rect)
{
    TWinControl::AdjustClientRect(Rect);
}

void TCustomForm::Loaded()
{
    TWinControl::Loaded();
    if (FActiveControl && !FActiveControl->CanFocus())
        FActiveControl = nullptr;
}

void TCustomForm::Notification(TComponent* AComponent, TOperation Operation)
{
    TWinControl::Notification(AComponent, Operation);
    if (Operation != opRemove)
        return;
    if (AComponent == FActiveControl)
        FActiveControl = nullptr;
    // As with popup menus: the menu's component part starts the object.
    if (FMenu && static_cast<const void*>(AComponent) == static_cast<const void*>(FMenu))
        FMenu = nullptr;
    if (AComponent == FFocusedControl)
        FFocusedControl = nullptr;
    if (Screen && AComponent == Screen->FActiveControl)
        Screen->FActiveControl = nullptr;
}

void TCustomForm::CreateParams(TCreateParams& Params)
{
    TWinControl::CreateParams(Params);
    Params.Style &= ~(WS_CHILD | WS_GROUP | WS_TABSTOP);
    Params.Style |= WS_CLIPCHILDREN;
    switch (FBorderStyle) {
    case bsNone: Params.Style |= WS_POPUP; break;
    case bsSingle:
    case bsToolWindow: Params.Style |= WS_CAPTION | WS_BORDER; break;
    case bsSizeable:
    case bsSizeToolWin: Params.Style |= WS_CAPTION | WS_THICKFRAME; break;
    case bsDialog:
        Params.Style |= WS_POPUP | WS_CAPTION;
        Params.ExStyle |= WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
        break;
    }
    if (FBorderStyle == bsToolWindow || FBorderStyle == bsSizeToolWin)
        Params.ExStyle |= WS_EX_TOOLWINDOW;
    if (FBorderStyle != bsNone && FBorderIcons.Contains(biSystemMenu)) {
        Params.Style |= WS_SYSMENU;
        if (FBorderStyle != bsDialog && FBorderStyle != bsToolWindow && FBorderStyle != bsSizeToolWin) {
            if (FBorderIcons.Contains(biMinimize))
                Params.Style |= WS_MINIMIZEBOX;
            if (FBorderIcons.Contains(biMaximize))
                Params.Style |= WS_MAXIMIZEBOX;
        }
    }
    if (FFormStyle == fsStayOnTop)
        Params.ExStyle |= WS_EX_TOPMOST;
    Params.WndParent = FParentWindow;
}

void TCustomForm::CreateWnd()
{
    TWinControl::CreateWnd();
    QWidget* W = Widget();
    if (!W)
        return;
    Qt::WindowFlags Flags = Qt::Window;
    switch (FBorderStyle) {
    case bsNone: Flags = Qt::Window | Qt::FramelessWindowHint; break;
    case bsDialog: Flags = Qt::Dialog; break;
    case bsToolWindow:
    case bsSizeToolWin: Flags = Qt::Tool; break;
    case bsSingle:
    case bsSizeable: break;
    }
    if (FBorderStyle != bsNone) {
        Flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
        if (FBorderIcons.Contains(biSystemMenu)) {
            Flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
            if (FBorderIcons.Contains(biMinimize) && FBorderStyle != bsDialog)
                Flags |= Qt::WindowMinimizeButtonHint;
            if (FBorderIcons.Contains(biMaximize) && FBorderStyle != bsDialog)
                Flags |= Qt::WindowMaximizeButtonHint;
        }
    }
    if (FFormStyle == fsStayOnTop)
        Flags |= Qt::WindowStaysOnTopHint;
    W->setWindowFlags(Flags);
    W->setWindowTitle(ToQString(FText));
    if (FBorderStyle != bsSizeable && FBorderStyle != bsSizeToolWin)
        W->setFixedSize(W->size());
}

void TCustomForm::WMNCCalcSize(TMessageRecord& Message)
{
    auto* R = reinterpret_cast<TRect*>(Message.LParam);
    if (!R)
        return;
    // The frame and caption the window system draws around the client.
    int Frame = 0;
    int Caption = 0;
    switch (FBorderStyle) {
    case bsNone: break;
    case bsSingle:
    case bsDialog:
        Frame = GetSystemMetrics(SM_CXFIXEDFRAME);
        Caption = GetSystemMetrics(SM_CYCAPTION);
        break;
    case bsSizeable:
        Frame = GetSystemMetrics(SM_CXSIZEFRAME);
        Caption = GetSystemMetrics(SM_CYCAPTION);
        break;
    case bsToolWindow:
        Frame = GetSystemMetrics(SM_CXFIXEDFRAME);
        Caption = GetSystemMetrics(SM_CYSMCAPTION);
        break;
    case bsSizeToolWin:
        Frame = GetSystemMetrics(SM_CXSIZEFRAME);
        Caption = GetSystemMetrics(SM_CYSMCAPTION);
        break;
    }
    R->Left += Frame;
    R->Right -= Frame;
    R->Top += Frame + Caption + (FMenu ? GetSystemMetrics(SM_CYMENU) : 0);
    R->Bottom -= Frame;
}

void TCustomForm::SetBorderStyle(TFormBorderStyle Value)
{
    if (Value == FBorderStyle)
        return;
    FBorderStyle = Value;
    RecreateWnd();
}

void TCustomForm::SetBorderIcons(TBorderIcons Value)
{
    if (Value == FBorderIcons)
        return;
    FBorderIcons = Value;
    RecreateWnd();
}

void TCustomForm::SetFormStyle(TFormStyle Value)
{
    if (Value == FFormStyle)
        return;
    FFormStyle = Value;
    if (FHandle && FHandle->Widget) {
        const bool Visible = FHandle->Widget->isVisible();
        FHandle->Widget->setWindowFlag(Qt::WindowStaysOnTopHint, Value == fsStayOnTop);
        if (Value == fsStayOnTop)
            FHandle->ExStyle |= WS_EX_TOPMOST;
        else
            FHandle->ExStyle &= ~WS_EX_TOPMOST;
        if (Visible)
            FHandle->Widget->show();
    }
}

void TCustomForm::SetWindowState(TWindowState Value)
{
    if (Value == FWindowState)
        return;
    const TWindowState Old = FWindowState;
    FWindowState = Value;
    if (Value == wsMaximized) {
        if (Old == wsNormal)
            FNormalBounds = BoundsRect();
        // The border lies outside the work area, the caption inside it.
        const TRect Work = Screen->WorkAreaRect();
        TRect Frame = Rect(0, 0, 100, 100);
        Perform(WM_NCCALCSIZE, 0, reinterpret_cast<LPARAM>(&Frame));
        const int Border = Frame.Left;
        SetBounds(Work.Left - Border, Work.Top - Border, Work.Width() + 2 * Border, Work.Height() + 2 * Border);
    } else if (Value == wsNormal && Old == wsMaximized && !IsRectEmpty(FNormalBounds)) {
        SetBoundsRect(FNormalBounds);
    }
    if (FHandle && FHandle->Widget && Showing()) {
        if (Value == wsMinimized)
            FHandle->Widget->showMinimized();
        else
            FHandle->Widget->showNormal();
    }
    const TRect C = ClientRect();
    Perform(WM_SIZE, Value == wsMaximized ? SIZE_MAXIMIZED : Value == wsMinimized ? SIZE_MINIMIZED : SIZE_RESTORED,
        MakeLParam(C.Right, C.Bottom));
}

void TCustomForm::Show()
{
    SetVisible(true);
    BringToFront();
}

void TCustomForm::BringToFront()
{
    if (FHandle && FHandle->Widget && Showing()) {
        FHandle->Widget->raise();
        if (Screen)
            Screen->MoveToFront(this);
    }
}

void TCustomForm::PlaceOnShow()
{
    if (FPlaced)
        return;
    FPlaced = true;
    const TRect Work = Screen->WorkAreaRect();
    TCustomForm* Reference = nullptr;
    switch (FPosition) {
    case poScreenCenter:
    case poDesktopCenter:
        SetBounds(Work.Left + (Work.Width() - FWidth) / 2, Work.Top + (Work.Height() - FHeight) / 2, FWidth, FHeight);
        return;
    case poMainFormCenter: Reference = Application->MainForm(); break;
    case poOwnerFormCenter: Reference = dynamic_cast<TCustomForm*>(Owner()); break;
    case poDesigned:
    case poDefault:
    case poDefaultPosOnly:
    case poDefaultSizeOnly: return;
    }
    if (!Reference || Reference == this) {
        SetBounds(Work.Left + (Work.Width() - FWidth) / 2, Work.Top + (Work.Height() - FHeight) / 2, FWidth, FHeight);
        return;
    }
    SetBounds(Reference->Left() + (Reference->Width() - FWidth) / 2,
        Reference->Top() + (Reference->Height() - FHeight) / 2, FWidth, FHeight);
}

void TCustomForm::CMVisibleChanged(TMessageRecord& Message)
{
    if (FVisible)
        FFormState.Include(fsVisible);
    else
        FFormState.Exclude(fsVisible);
    TWinControl::CMVisibleChanged(Message);
}

void TCustomForm::CMShowingChanged(TMessageRecord&)
{
    QWidget* W = Widget();
    if (FShowing) {
        FFormState.Include(fsShowing);
        try {
            DoShow();
        } catch (...) {
            FFormState.Exclude(fsShowing);
            throw;
        }
        FFormState.Exclude(fsShowing);
        PlaceOnShow();
        if (W) {
            if (FWindowState == wsMinimized)
                W->showMinimized();
            else
                W->show();
        }
        if (Screen)
            Screen->MoveToFront(this);
        if (!FActive && FEnabled)
            Perform(WM_ACTIVATE, WA_ACTIVE, 0);
        return;
    }
    DoHide();
    if (W)
        W->hide();
    if (FActive) {
        Perform(WM_ACTIVATE, WA_INACTIVE, 0);
        // The next visible form takes over.
        if (Screen)
            for (int I = 0; I < Screen->FormCount(); ++I) {
                TCustomForm* F = Screen->Forms(I);
                if (F != this && F->Showing() && F->Enabled()) {
                    F->Perform(WM_ACTIVATE, WA_ACTIVE, 0);
                    break;
                }
            }
    }
}

void TCustomForm::CMTextChanged(TMessageRecord& Message)
{
    TWinControl::CMTextChanged(Message);
    if (QWidget* W = Widget())
        W->setWindowTitle(ToQString(FText));
}

void TCustomForm::WMActivate(TWMActivate& Message)
{
    if (Message.Active == WA_INACTIVE) {
        if (!FActive)
            return;
        FActive = false;
        Deactivate();
        return;
    }
    if (FActive)
        return;
    FActive = true;
    if (Screen)
        Screen->SetActiveForm(this);
    if (!FActiveControl)
        FActiveControl = FindNextControl(nullptr, true, true, false);
    HWND Target = FActiveControl && FActiveControl->CanFocus() ? FActiveControl->Handle() : Handle();
    ::SetFocus(Target);
    Activate();
}

void TCustomForm::CMActivate(TMessageRecord&)
{
    Activate();
}

void TCustomForm::CMDeactivate(TMessageRecord&)
{
    Deactivate();
}

void TCustomForm::SetFocus()
{
    if (!FActive) {
        if (!CanFocus())
            throw EInvalidOperation("Cannot focus a disabled or invisible window");
        Perform(WM_ACTIVATE, WA_ACTIVE, 0);
        return;
    }
    HWND Target = FActiveControl && FActiveControl->CanFocus() ? FActiveControl->Handle() : Handle();
    ::SetFocus(Target);
}

bool TCustomForm::CanFocus()
{
    return FVisible && FEnabled;
}

namespace {

/// Whether Control and its parents up to Form are visible and enabled; the
/// form itself may still be hidden (a form names its active control before
/// it is first shown).
bool FocusableWithin(TWinControl* Control, TCustomForm* Form)
{
    for (TWinControl* C = Control; C != Form; C = C->Parent()) {
        if (!C || !C->Visible() || !C->Enabled())
            return false;
    }
    return true;
}

} // namespace

void TCustomForm::SetActiveControl(TWinControl* Control)
{
    if (Control == FActiveControl)
        return;
    if (Control && (Control == this || GetParentForm(Control) != this ||
                       (!ComponentState().Contains(csLoading) && !FocusableWithin(Control, this))))
        throw EInvalidOperation("Cannot focus a disabled or invisible window");
    FActiveControl = Control;
    if (!ComponentState().Contains(csLoading) && FActive && Control)
        ::SetFocus(Control->Handle());
}

bool TCustomForm::SetFocusedControl(TWinControl* Control)
{
    if (Control != this)
        FActiveControl = Control;
    else
        FActiveControl = nullptr;
    if (Screen) {
        Screen->SetActiveControl(Control);
        Screen->SetActiveForm(this);
    }
    if (Control->ControlState().Contains(csFocusing))
        return false;
    Control->SetControlState(Control->ControlState() + TControlState {csFocusing});
    struct Clear {
        TWinControl* C;
        ~Clear() { C->SetControlState(C->ControlState() - TControlState {csFocusing}); }
    } Guard {Control};
    // A handler that moves the focus elsewhere stops the walk.
    const auto Send = [](TWinControl* Target, UINT Msg) {
        HWND Focus = GetFocus();
        Target->Perform(Msg);
        return GetFocus() == Focus;
    };
    if (!FFocusedControl)
        FFocusedControl = this;
    if (FFocusedControl != Control) {
        while (FFocusedControl && !FFocusedControl->ContainsControl(Control)) {
            TWinControl* Leaving = FFocusedControl;
            FFocusedControl = FFocusedControl->Parent();
            if (!Send(Leaving, CM_EXIT))
                return false;
        }
        while (FFocusedControl != Control) {
            TWinControl* Temp = Control;
            while (Temp->Parent() != FFocusedControl)
                Temp = Temp->Parent();
            FFocusedControl = Temp;
            if (!Send(Temp, CM_ENTER))
                return false;
        }
        Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(Control));
    }
    return true;
}

void TCustomForm::DefocusControl(TWinControl* Control, bool Removing)
{
    if (Removing && Control->ContainsControl(FFocusedControl))
        FFocusedControl = Control->Parent();
    if (Control->ContainsControl(FActiveControl))
        FActiveControl = nullptr;
    if (HWND F = GetFocus(); F && Control->ContainsControl(FindControl(F))) {
        // The focus goes back to the form itself.
        const bool Closing = ComponentState().Contains(csDestroying);
        SetFocusedWindow(FHandle && !Closing ? FHandle : nullptr);
    }
}

bool TCustomForm::IsShortCut(TWMKey& Message)
{
    bool Handled = false;
    OnShortCut(Message, Handled);
    if (!Handled && FMenu)
        Handled = FMenu->IsShortCut(Message);
    if (!Handled)
        Handled = FormActionsShortCut(*this, Message);
    return Handled;
}

void TCustomForm::MouseWheelHandler(TMessage& Message)
{
    if (FFocusedControl && FFocusedControl != this) {
        Message.Result = FFocusedControl->Perform(CM_MOUSEWHEEL, Message.WParam, Message.LParam);
        return;
    }
    Message.Result = Perform(CM_MOUSEWHEEL, Message.WParam, Message.LParam);
}

void TCustomForm::CMDialogKey(TCMDialogKey& Message)
{
    if (GetKeyState(VK_MENU) >= 0) {
        switch (Message.CharCode) {
        case VK_TAB:
            if (GetKeyState(VK_CONTROL) >= 0) {
                SelectNext(FActiveControl, GetKeyState(VK_SHIFT) >= 0, true);
                Message.Result = 1;
                return;
            }
            break;
        case VK_LEFT:
        case VK_RIGHT:
        case VK_UP:
        case VK_DOWN:
            if (FActiveControl && FActiveControl->Parent()) {
                FActiveControl->Parent()->SelectNext(FActiveControl,
                    Message.CharCode == VK_RIGHT || Message.CharCode == VK_DOWN, false);
                Message.Result = 1;
            }
            return;
        default: break;
        }
    }
    TWinControl::CMDialogKey(Message);
}

void TCustomForm::WMClose(TMessageRecord&)
{
    Close();
}

void TCustomForm::WMSysCommand(TWMSysCommand& Message)
{
    switch (Message.CmdType & 0xFFF0) {
    case SC_MINIMIZE:
        if (Application && Application->MainForm() == this)
            Application->Minimize();
        else
            SetWindowState(wsMinimized);
        return;
    case SC_MAXIMIZE: SetWindowState(wsMaximized); return;
    case SC_RESTORE: SetWindowState(wsNormal); return;
    case SC_CLOSE: Close(); return;
    case SC_KEYMENU:
        if (FMenu) {
            MenuBarKey(*this, static_cast<Word>(Message.LParam & 0xFF));
            return;
        }
        DefaultHandler(Message);
        return;
    default: DefaultHandler(Message); return;
    }
}

void TCustomForm::WMSize(TWMSize& Message)
{
    TWinControl::WMSize(Message);
}

bool TCustomForm::CloseQuery()
{
    bool CanClose = true;
    OnCloseQuery(this, CanClose);
    return CanClose;
}

void TCustomForm::Close()
{
    if (FFormState.Contains(fsModal)) {
        FModalResult = mrCancel;
        return;
    }
    if (!CloseQuery())
        return;
    TCloseAction Action = caHide;
    DoClose(Action);
    if (Action == caNone)
        return;
    if (Application && Application->MainForm() == this) {
        Application->Terminate();
        return;
    }
    switch (Action) {
    case caHide: Hide(); break;
    case caMinimize: SetWindowState(wsMinimized); break;
    case caFree: Release(); break;
    case caNone: break;
    }
}

void TCustomForm::Release()
{
    PostMessage(Handle(), CM_RELEASE, 0, 0);
}

void TCustomForm::CMRelease(TMessageRecord&)
{
    delete this;
}

void TCustomForm::CloseModal()
{
    TCloseAction Action = caNone;
    if (CloseQuery()) {
        Action = caHide;
        DoClose(Action);
    }
    switch (Action) {
    case caNone: FModalResult = mrNone; break;
    // Released once ShowModal is done with the form: hiding it activates the
    // window below, whose handlers may let the queued messages run, and the
    // release would free the form in the middle of its own hiding.
    case caFree: ModalFormsToRelease().push_back(this); break;
    case caHide:
    case caMinimize: break;
    }
}

int TCustomForm::ShowModal()
{
    if (FVisible || !FEnabled || FFormState.Contains(fsModal) || FFormStyle == fsMDIChild)
        throw EInvalidOperation(SCannotShowModal);
    if (HWND C = GetCapture())
        SendMessage(C, WM_CANCELMODE, 0, 0);
    ReleaseCapture();
    FFormState.Include(fsModal);
    TCustomForm* PreviousActive = Screen ? Screen->ActiveForm() : nullptr;
    struct Restore {
        TCustomForm* Form;
        TCustomForm* Previous;
        ~Restore()
        {
            Form->FFormState.Exclude(fsModal);
            --Application->FModalLevel;
            if (Form->FHandle && Form->FHandle->Widget)
                Form->FHandle->Widget->setWindowModality(Qt::NonModal);
            auto& Pending = ModalFormsToRelease();
            const auto It = std::find(Pending.begin(), Pending.end(), Form);
            if (It != Pending.end()) {
                Pending.erase(It);
                Form->Release();
            }
        }
    } Guard {this, PreviousActive};
    ++Application->FModalLevel;
    HandleNeeded();
    if (FHandle->Widget)
        FHandle->Widget->setWindowModality(Qt::ApplicationModal);
    try {
        Show();
        FModalResult = mrNone;
        do {
            if (TheModalHook()) {
                Application->ProcessMessages();
                if (FModalResult == mrNone && !Application->Terminated())
                    TheModalHook()(*this);
            } else {
                Application->HandleMessage();
            }
            if (Application->Terminated())
                FModalResult = mrCancel;
            else if (FModalResult != mrNone)
                CloseModal();
        } while (FModalResult == mrNone);
    } catch (...) {
        Hide();
        throw;
    }
    const int Result = FModalResult;
    Hide();
    if (PreviousActive && PreviousActive != this && PreviousActive->Showing())
        PreviousActive->Perform(WM_ACTIVATE, WA_ACTIVE, 0);
    return Result;
}

void TCustomForm::ScaleBy(int M, int D)
{
    DisableAlign();
    try {
        for (int I = 0; I < ControlCount(); ++I)
            Controls(I)->ChangeScale(M, D);
        FFont->SetSize(MulDiv(FFont->Size(), M, D));
        SetClientWidth(MulDiv(ClientWidth(), M, D));
        SetClientHeight(MulDiv(ClientHeight(), M, D));
    } catch (...) {
        EnableAlign();
        throw;
    }
    EnableAlign();
}

void TCustomForm::Dispatch(TMessage& M)
{
    switch (M.Msg) {
    case WM_CLOSE: Call<TMessageRecord>(M, this, &TCustomForm::WMClose); return;
    case WM_ACTIVATE: Call<TWMActivate>(M, this, &TCustomForm::WMActivate); return;
    case WM_SYSCOMMAND: Call<TWMSysCommand>(M, this, &TCustomForm::WMSysCommand); return;
    case CM_ACTIVATE: Call<TMessageRecord>(M, this, &TCustomForm::CMActivate); return;
    case CM_DEACTIVATE: Call<TMessageRecord>(M, this, &TCustomForm::CMDeactivate); return;
    case CM_RELEASE: Call<TMessageRecord>(M, this, &TCustomForm::CMRelease); return;
    case WM_NCPAINT:
        // The window system draws the frame; the widget's band above the
        // client area is the menu bar.
        if (FHandle && FHandle->Client.Top > 0) {
            const HRGN Update = M.WParam > 1 ? reinterpret_cast<HRGN>(M.WParam) : nullptr;
            HDC DC = GetDCEx(FHandle, Update, DCX_WINDOW | DCX_INTERSECTRGN);
            PaintMenuBar(*this, DC, Rect(0, 0, FHandle->Client.Right, FHandle->Client.Top));
            ReleaseDC(FHandle, DC);
        }
        return;
    case WM_NCHITTEST: {
        const TPoint P = ScreenToClient(Point(GetXLParam(M.LParam), GetYLParam(M.LParam)));
        if (FHandle && P.Y < 0 && P.Y >= -FHandle->Client.Top && P.X >= 0 && P.X < FHandle->Client.Width()) {
            M.Result = HTMENU;
            return;
        }
        TWinControl::Dispatch(M);
        return;
    }
    case WM_NCLBUTTONDOWN:
        if (M.WParam == HTMENU) {
            MenuBarMouseDown(*this, Point(GetXLParam(M.LParam), GetYLParam(M.LParam)));
            return;
        }
        TWinControl::Dispatch(M);
        return;
    default: TWinControl::Dispatch(M); return;
    }
}

// ---- TScreen -------------------------------------------------------------------------------

TScreen::TScreen(TComponent* AOwner)
    : TComponent(AOwner), FHintFont(std::make_unique<TFont>()), FMenuFont(std::make_unique<TFont>()),
      FIconFont(std::make_unique<TFont>())
{
    FHintFont->SetColor(clInfoText);
    FMenuFont->SetColor(clMenuText);
}

TScreen::~TScreen() = default;

PRICETAGS_DEFINE_CLASS(TScreen)

PRICETAGS_DEFINE_CLASS(TMonitor)

bool TMonitor::Primary() const
{
    const auto& M = SystemMetrics::Current().Monitors;
    return FNum >= 0 && FNum < static_cast<int>(M.size()) && M[static_cast<size_t>(FNum)].Primary;
}

TRect TMonitor::BoundsRect() const
{
    const auto& M = SystemMetrics::Current().Monitors;
    if (FNum < 0 || FNum >= static_cast<int>(M.size()))
        return {};
    return M[static_cast<size_t>(FNum)].Bounds;
}

TRect TMonitor::WorkareaRect() const
{
    const auto& M = SystemMetrics::Current().Monitors;
    if (FNum < 0 || FNum >= static_cast<int>(M.size()))
        return {};
    return M[static_cast<size_t>(FNum)].WorkArea;
}

TCustomForm* TScreen::Forms(int Index) const
{
    if (Index < 0 || Index >= FormCount())
        ListIndexError(Index);
    return FForms[static_cast<size_t>(Index)];
}

void TScreen::AddForm(TCustomForm* Form)
{
    FForms.push_back(Form);
}

void TScreen::RemoveForm(TCustomForm* Form)
{
    FForms.erase(std::remove(FForms.begin(), FForms.end(), Form), FForms.end());
    if (FActiveForm == Form) {
        FActiveForm = nullptr;
        OnActiveFormChange(this);
    }
    if (FActiveControl && GetParentForm(FActiveControl) == Form)
        FActiveControl = nullptr;
}

void TScreen::MoveToFront(TCustomForm* Form)
{
    const auto It = std::find(FForms.begin(), FForms.end(), Form);
    if (It == FForms.end() || It == FForms.begin())
        return;
    FForms.erase(It);
    FForms.insert(FForms.begin(), Form);
}

void TScreen::SetActiveForm(TCustomForm* Form)
{
    if (Form == FActiveForm)
        return;
    TCustomForm* Old = FActiveForm;
    FActiveForm = Form;
    if (Form)
        MoveToFront(Form);
    if (Old && Old->Active())
        Old->Perform(WM_ACTIVATE, WA_INACTIVE, 0);
    OnActiveFormChange(this);
}

void TScreen::SetActiveControl(TWinControl* Control)
{
    if (Control == FActiveControl)
        return;
    FActiveControl = Control;
    OnActiveControlChange(this);
}

void TScreen::SetCursor(TCursor Value)
{
    if (Value == FCursor)
        return;
    FCursor = Value;
    if (Value == crDefault) {
        while (QApplication::overrideCursor())
            QApplication::restoreOverrideCursor();
        return;
    }
    // The override cursor covers every window until set back to crDefault;
    // a handle that names no cursor gives the arrow.
    QCursor C;
    if (!CursorOf(Cursors(Value), C))
        C = QCursor(Qt::ArrowCursor);
    if (QApplication::overrideCursor())
        QApplication::changeOverrideCursor(C);
    else
        QApplication::setOverrideCursor(C);
}

HCURSOR TScreen::Cursors(TCursor Index) const
{
    for (const auto& [Key, Handle] : FCursors)
        if (Key == Index)
            return Handle;
    switch (Index) {
    case crNone: return 0;
    case crCross: return LoadCursor(0, IDC_CROSS);
    case crIBeam: return LoadCursor(0, IDC_IBEAM);
    case crSizeNESW: return LoadCursor(0, IDC_SIZENESW);
    case crSizeNS:
    case crVSplit: return LoadCursor(0, IDC_SIZENS);
    case crSizeNWSE: return LoadCursor(0, IDC_SIZENWSE);
    case crSizeWE:
    case crHSplit: return LoadCursor(0, IDC_SIZEWE);
    case crUpArrow: return LoadCursor(0, IDC_UPARROW);
    case crHourGlass:
    case crSQLWait: return LoadCursor(0, IDC_WAIT);
    case crNoDrop:
    case crNo: return LoadCursor(0, IDC_NO);
    case crAppStart: return LoadCursor(0, IDC_APPSTARTING);
    case crHelp: return LoadCursor(0, IDC_HELP);
    case crHandPoint: return LoadCursor(0, IDC_HAND);
    case crSizeAll: return LoadCursor(0, IDC_SIZEALL);
    default: return LoadCursor(0, IDC_ARROW);
    }
}

void TScreen::SetCursors(TCursor Index, HCURSOR Handle)
{
    for (auto& Entry : FCursors)
        if (Entry.first == Index) {
            Entry.second = Handle;
            return;
        }
    FCursors.emplace_back(Index, Handle);
}

int TScreen::PixelsPerInch() const
{
    return SystemMetrics::Current().PixelsPerInch;
}

int TScreen::Width() const
{
    return GetSystemMetrics(SM_CXSCREEN);
}

int TScreen::Height() const
{
    return GetSystemMetrics(SM_CYSCREEN);
}

TRect TScreen::DesktopRect() const
{
    TRect R;
    for (const MonitorInfo& M : SystemMetrics::Current().Monitors)
        UnionRect(R, R, M.Bounds);
    return R;
}

TRect TScreen::WorkAreaRect() const
{
    return SystemMetrics::Current().PrimaryMonitor().WorkArea;
}

int TScreen::MonitorCount() const
{
    return static_cast<int>(SystemMetrics::Current().Monitors.size());
}

TMonitor* TScreen::Monitors(int Index)
{
    if (Index < 0 || Index >= MonitorCount())
        ListIndexError(Index);
    while (static_cast<int>(FMonitors.size()) <= Index)
        FMonitors.push_back(std::make_unique<TMonitor>(static_cast<int>(FMonitors.size())));
    return FMonitors[static_cast<size_t>(Index)].get();
}

TMonitor* TScreen::MonitorFromPoint(const TPoint& Point, TMonitorDefaultTo Default)
{
    const auto& List = SystemMetrics::Current().Monitors;
    int Nearest = 0;
    long long Best = -1;
    for (int I = 0; I < static_cast<int>(List.size()); ++I) {
        const TRect& B = List[static_cast<size_t>(I)].Bounds;
        if (PtInRect(B, Point))
            return Monitors(I);
        const long long DX = Point.X < B.Left ? B.Left - Point.X : Point.X >= B.Right ? Point.X - B.Right + 1 : 0;
        const long long DY = Point.Y < B.Top ? B.Top - Point.Y : Point.Y >= B.Bottom ? Point.Y - B.Bottom + 1 : 0;
        const long long D = DX * DX + DY * DY;
        if (Best < 0 || D < Best) {
            Best = D;
            Nearest = I;
        }
    }
    switch (Default) {
    case mdNull: return nullptr;
    case mdPrimary: return Monitors(0);
    case mdNearest: return Monitors(Nearest);
    }
    return nullptr;
}

TMonitor* TScreen::MonitorFromRect(const TRect& R, TMonitorDefaultTo Default)
{
    const auto& List = SystemMetrics::Current().Monitors;
    int BestIndex = -1;
    long long BestArea = 0;
    for (int I = 0; I < static_cast<int>(List.size()); ++I) {
        TRect Inter;
        if (IntersectRect(Inter, R, List[static_cast<size_t>(I)].Bounds)) {
            const long long Area = static_cast<long long>(Inter.Width()) * Inter.Height();
            if (Area > BestArea) {
                BestArea = Area;
                BestIndex = I;
            }
        }
    }
    if (BestIndex >= 0)
        return Monitors(BestIndex);
    return MonitorFromPoint({(R.Left + R.Right) / 2, (R.Top + R.Bottom) / 2}, Default);
}

TMonitor* TScreen::MonitorFromWindow(HWND Wnd, TMonitorDefaultTo Default)
{
    TRect R;
    if (!GetWindowRect(Wnd, R))
        return Default == mdNull ? nullptr : Monitors(0);
    return MonitorFromRect(R, Default);
}

TStrings* TScreen::Fonts()
{
    if (!FFonts) {
        auto List = std::make_unique<TStringList>();
        for (const QString& Family : QFontDatabase::families())
            List->Add(FromQString(Family));
        // The faces the program's templates and settings name are drawn
        // with installed stand-ins: listed under their own names, so a
        // font box shows "Arial" for an object in "Arial".
        for (const AnsiString& Face : ProgramFaceNames())
            if (List->IndexOf(Face) < 0)
                List->Add(Face);
        List->Sort();
        FFonts = std::move(List);
    }
    return FFonts.get();
}

// ---- TApplication --------------------------------------------------------------------------

TApplication::TApplication(TComponent* AOwner) : TComponent(AOwner)
{
    FTitle = AnsiString::FromUtf8(std::filesystem::path(ExeName().ToUtf8()).stem().string());
}

TApplication::~TApplication()
{
    Destroying();
    DestroyComponents();
    delete FHandle;
}

PRICETAGS_DEFINE_CLASS(TApplication)

void TApplication::Initialize()
{
    SystemMetrics& M = SystemMetrics::Current();
    if (M.ScreenFixed)
        return;
    QScreen* S = QGuiApplication::primaryScreen();
    if (!S)
        return;
    const QRect G = S->geometry();
    const QRect A = S->availableGeometry();
    M.SetScreen(G.width(), G.height(), std::max(0, G.height() - A.height()));
}

AnsiString TApplication::ExeName() const
{
    std::error_code Error;
    const auto P = std::filesystem::read_symlink("/proc/self/exe", Error);
    return Error ? AnsiString() : AnsiString::FromUtf8(P.string());
}

HWND TApplication::Handle()
{
    return nullptr;
}

TCustomForm* TApplication::CreateFormOf(TFormClass FormClass)
{
    return FormClass.Create(this);
}

void TApplication::FinishCreateForm(TCustomForm* Form)
{
    if (!FMainForm)
        FMainForm = Form;
}

void TApplication::ProcessQueued()
{
    if (QuitReceived()) {
        FTerminated = true;
        ClearQuit();
    }
}

void TApplication::ProcessMessages()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    while (DispatchQueued()) {
    }
    ProcessQueued();
}

void TApplication::HandleMessage()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    ProcessQueued();
    if (!FTerminated) {
        bool Done = true;
        Barrier([&] { OnIdle(this, Done); });
        Barrier([] { UpdateFormActions(); });
    }
}

void TApplication::Run()
{
    if (FMainForm && FShowMainForm) {
        Barrier([&] { FMainForm->Show(); });
    }
    while (!FTerminated && FMainForm)
        HandleMessage();
}

void TApplication::Terminate()
{
    PostQuitMessage(0);
}

namespace {

std::atomic<ApplicationExceptionFilter> gExceptionFilter{nullptr};

}  // namespace

ApplicationExceptionFilter SetApplicationExceptionFilter(ApplicationExceptionFilter Filter)
{
    return gExceptionFilter.exchange(Filter);
}

void TApplication::HandleException(TObject* Sender)
{
    try {
        throw;
    } catch (const EAbort&) {
        return;
    } catch (...) {
        const ApplicationExceptionFilter Filter = gExceptionFilter.load();
        if (Filter && Filter(Sender))
            return;
    }
    try {
        throw;
    } catch (Exception& E) {
        if (OnException)
            OnException(Sender, &E);
        else
            ShowException(&E);
    } catch (const std::exception& E) {
        Exception Ex(AnsiString::FromUtf8(E.what()));
        if (OnException)
            OnException(Sender, &Ex);
        else
            ShowException(&Ex);
    } catch (...) {
        Exception Ex("Unknown exception");
        if (OnException)
            OnException(Sender, &Ex);
        else
            ShowException(&Ex);
    }
}

void TApplication::ShowException(Exception* E)
{
    AnsiString Msg = E->Message;
    // A message that does not end with a full stop gets one.
    if (!Msg.IsEmpty() && static_cast<unsigned char>(Msg[Msg.Length()]) > '.')
        Msg += ".";
    MessageBox(Msg, FTitle, MB_OK | MB_ICONSTOP);
}

int TApplication::MessageBox(const AnsiString& Text, const AnsiString& Caption, UINT Flags)
{
    HWND Owner = nullptr;
    if (Screen && Screen->ActiveForm() && Screen->ActiveForm()->HandleAllocated())
        Owner = Screen->ActiveForm()->Handle();
    return ::MessageBox(Owner, Text, Caption, Flags);
}

void TApplication::Minimize()
{
    if (FMainForm && FMainForm->HandleAllocated() && FMainForm->Widget())
        FMainForm->Widget()->showMinimized();
    MainFormMinimized(true);
}

void TApplication::Restore()
{
    if (FMainForm && FMainForm->HandleAllocated() && FMainForm->Widget())
        FMainForm->Widget()->showNormal();
    MainFormMinimized(false);
}

void TApplication::MainFormMinimized(bool Minimized)
{
    if (Minimized == FMinimized)
        return;
    FMinimized = Minimized;
    if (Minimized)
        OnMinimize(this);
    else
        OnRestore(this);
}


bool TApplication::HelpContext(THelpContext Context)
{
    if (Context == 0)
        return false;
    return HelpCommand(HELP_CONTEXT, Context);
}

bool TApplication::HelpCommand(Word Command, intptr_t Data)
{
    bool CallHelp = true;
    if (!OnHelp.Assigned())
        return false;
    return OnHelp(Command, Data, CallHelp);
}

void TApplication::BringToFront()
{
    if (Screen && Screen->ActiveForm())
        Screen->ActiveForm()->BringToFront();
}

void TApplication::SetHint(const AnsiString& Value)
{
    if (Value == FHint)
        return;
    FHint = Value;
    OnHint(this);
}

void TApplication::HookMainWindow(TWindowHook Hook)
{
    FWindowHooks.push_back(Hook);
}

void TApplication::UnhookMainWindow(TWindowHook Hook)
{
    const auto It = std::find(FWindowHooks.begin(), FWindowHooks.end(), Hook);
    if (It != FWindowHooks.end())
        FWindowHooks.erase(It);
}

bool TApplication::CallHooks(TMessage& Message)
{
    // A copy: a hook may unhook itself.
    const std::vector<TWindowHook> Hooks = FWindowHooks;
    for (auto It = Hooks.rbegin(); It != Hooks.rend(); ++It)
        if ((*It)(Message))
            return true;
    return false;
}

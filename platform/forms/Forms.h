#pragma once

// Forms, the application object and the screen.
//
// A form is a top-level window. Show makes it visible; ShowModal shows it,
// runs its own message loop until ModalResult is set (or the application
// terminates) and hides it again. Close asks OnCloseQuery and OnClose and
// then hides, frees (through a posted CM_RELEASE, see Release) or, for the
// main form, ends the application.
//
// Application and Screen exist from GuiStartup until the process ends.
// Every event from Qt reaches the program through the exception barrier:
// an exception is handed to Application->HandleException, which calls
// OnException or shows the message.
//
// Tests answer modal windows and message boxes through SetModalHook and
// SetMessageBoxHook (or the scopes below): the modal hook runs inside the
// modal loop after pending messages are dispatched, until ModalResult is
// set; the message-box hook returns the pressed button.

#include "platform/classes/Component.h"
#include "platform/classes/Events.h"
#include "platform/forms/Controls.h"
#include "platform/forms/Graphics.h"
#include "platform/rtl/Exceptions.h"

#include <functional>
#include <memory>
#include <vector>

class QTimer;
class TMainMenu;
class TStrings;

// ---- forms ------------------------------------------------------------------------------

using TModalResult = int;
enum : TModalResult {
    mrNone = 0, mrOk = IDOK, mrCancel = IDCANCEL, mrAbort = IDABORT, mrRetry = IDRETRY,
    mrIgnore = IDIGNORE, mrYes = IDYES, mrNo = IDNO, mrAll = 8, mrNoToAll = 9, mrYesToAll = 10,
};

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum TBorderIcon { biSystemMenu, biMinimize, biMaximize, biHelp };
using TBorderIcons = EnumSet<TBorderIcon>;
enum TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
enum TPosition {
    poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter, poDesktopCenter,
    poMainFormCenter, poOwnerFormCenter
};
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
enum TCloseAction { caNone, caHide, caFree, caMinimize };
enum TFormStateItem { fsCreating, fsVisible, fsShowing, fsModal, fsCreatedMDIChild, fsActivated };
using TFormState = EnumSet<TFormStateItem>;
PTypeInfo TypeInfoOf(const TWindowState*);
PTypeInfo TypeInfoOf(const TFormBorderStyle*);

using TCloseEvent = MethodPointer<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = MethodPointer<void(TObject* Sender, bool& CanClose)>;
using TShortCutEvent = MethodPointer<void(TWMKey& Msg, bool& Handled)>;

// ---- scrolling windows --------------------------------------------------------------------

class TScrollingWinControl;
enum TScrollBarKind { sbHorizontal, sbVertical };

/// One scroll bar of a scrolling window. Range is the content's extent in
/// pixels (worked out from the children while the window's AutoScroll is
/// on; setting it turns AutoScroll off), Position the content pixel at the
/// client's left or top edge, Increment the pixels of an arrow click. The
/// bar shows while Visible and the range passes the client; without it the
/// content is not scrolled. With Tracking the content follows the thumb
/// while it is dragged, else when it is let go.
class TControlScrollBar : public TPersistent {
    PRICETAGS_CLASS(TControlScrollBar, TPersistent)
public:
    TControlScrollBar(TScrollingWinControl* Control, TScrollBarKind Kind);
    ~TControlScrollBar() override;
    void Assign(TPersistent* Source) override;

    TScrollBarKind Kind() const { return FKind; }
    int Increment() const { return FIncrement; }
    /// Values below 1 are taken as 1.
    void SetIncrement(int Value);
    int Position() const;
    /// Held in 0..Range less the client; scrolls the children.
    void SetPosition(int Value);
    int Range() const;
    /// Negative values are taken as 0.
    void SetRange(int Value);
    bool Tracking() const { return FTracking; }
    void SetTracking(bool Value) { FTracking = Value; }
    bool Visible() const { return FVisible; }
    void SetVisible(bool Value);
    /// Whether the bar shows now.
    bool IsScrollBarVisible() const;
    /// Client pixels along the bar.
    int ControlSize() const;
    /// Scrolls as a WM_HSCROLL/WM_VSCROLL code of this bar asks.
    void ScrollMessage(TWMScroll& Message);

private:
    friend class TScrollingWinControl;
    /// The range without turning AutoScroll off.
    void DoSetRange(int Value);

    TScrollingWinControl* FControl;
    TScrollBarKind FKind;
    int FIncrement = 8;
    int FPosition = 0;
    int FRange = 0;
    bool FTracking = false;
    bool FVisible = true;
};

/// A window whose children may reach past its client area: its two
/// TControlScrollBar objects scroll them. Aligned children take the whole
/// scrolled area (at least the client).
class TScrollingWinControl : public TWinControl {
    PRICETAGS_CLASS(TScrollingWinControl, TWinControl)
public:
    explicit TScrollingWinControl(TComponent* AOwner);
    ~TScrollingWinControl() override;

    TControlScrollBar* HorzScrollBar() const { return FHorzScrollBar.get(); }
    void SetHorzScrollBar(TControlScrollBar* Value) { FHorzScrollBar->Assign(Value); }
    TControlScrollBar* VertScrollBar() const { return FVertScrollBar.get(); }
    void SetVertScrollBar(TControlScrollBar* Value) { FVertScrollBar->Assign(Value); }
    /// The ranges follow the children: the farthest right and bottom edge
    /// of the visible children that are not aligned to the other sides.
    bool AutoScroll() const { return FAutoScroll; }
    void SetAutoScroll(bool Value);
    /// Scrolls so that AControl (a child or deeper) is wholly shown, or its
    /// top-left corner when it is larger than the client.
    void ScrollInView(TControl* AControl);
    /// Stops and restarts working out the ranges (nested pairs; the ranges
    /// are worked out when the last pair ends).
    void DisableAutoRange();
    void EnableAutoRange();

protected:
    friend class TControlScrollBar;
    void AdjustClientRect(TRect& Rect) override;
    void AlignControls(TControl* AControl, TRect& Rect) override;
    void CreateWnd() override;
    void WMSize(TWMSize& Message) override;
    void WMHScroll(TWMScroll& Message) override;
    void WMVScroll(TWMScroll& Message) override;
    bool DoMouseWheelDown(TShiftState Shift, TPoint MousePos) override;
    bool DoMouseWheelUp(TShiftState Shift, TPoint MousePos) override;
    /// The ranges from the children (AutoScroll on).
    void CalcAutoRange();
    /// Shows the bars the ranges need, in step with the positions.
    void UpdateScrollBars();

    std::unique_ptr<TControlScrollBar> FHorzScrollBar;
    std::unique_ptr<TControlScrollBar> FVertScrollBar;
    bool FAutoScroll = true;
    int FAutoRangeCount = 0;
    bool FUpdatingScrollBars = false;
};

/// A scrolling container with a border.
class TScrollBox : public TScrollingWinControl {
    PRICETAGS_CLASS(TScrollBox, TScrollingWinControl)
public:
    explicit TScrollBox(TComponent* AOwner);
    ~TScrollBox() override;

    TFormBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TFormBorderStyle Value);

protected:
    void CreateParams(TCreateParams& Params) override;

    TFormBorderStyle FBorderStyle = bsSingle;
};

/// A piece of a form made apart and placed on forms as a control; it
/// scrolls like a scroll box and has no border.
class TCustomFrame : public TScrollingWinControl {
    PRICETAGS_CLASS(TCustomFrame, TScrollingWinControl)
public:
    explicit TCustomFrame(TComponent* AOwner);
    ~TCustomFrame() override;
};

class TFrame : public TCustomFrame {
    PRICETAGS_CLASS(TFrame, TCustomFrame)
public:
    explicit TFrame(TComponent* AOwner) : TCustomFrame(AOwner) {}
    ~TFrame() override;
};

class TCustomForm : public TWinControl {
    PRICETAGS_CLASS(TCustomForm, TWinControl)
public:
    /// A form owned by AOwner with the default look (sizeable, 8-point
    /// "MS Sans Serif", clBtnFace); OnCreate runs at the end.
    explicit TCustomForm(TComponent* AOwner);
    /// The same without a form description: the program builds it (the
    /// Dummy only tells the constructors apart).
    TCustomForm(TComponent* AOwner, int Dummy);
    ~TCustomForm() override;

    void Show();
    /// Runs the form modally; the modal result. Raises EInvalidOperation
    /// "Cannot make a visible window modal" for a visible, disabled or
    /// already modal form.
    virtual int ShowModal();
    void Close();
    /// OnCloseQuery (and the children's CloseQuery); true when the form may close.
    virtual bool CloseQuery();
    /// Frees the form once the messages already queued are handled.
    void Release();
    void BringToFront();

    /// The menu bar (not owned; forgotten when it is freed). The setter
    /// lives with the menus; the bar takes SM_CYMENU of the frame.
    TMainMenu* Menu() const { return FMenu; }
    void SetMenu(TMainMenu* Value);
    TModalResult ModalResult() const { return FModalResult; }
    void SetModalResult(TModalResult Value) { FModalResult = Value; }
    TFormBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TFormBorderStyle Value);
    TBorderIcons BorderIcons() const { return FBorderIcons; }
    void SetBorderIcons(TBorderIcons Value);
    TFormStyle FormStyle() const { return FFormStyle; }
    void SetFormStyle(TFormStyle Value);
    TPosition Position() const { return FPosition; }
    void SetPosition(TPosition Value) { FPosition = Value; }
    TWindowState WindowState() const { return FWindowState; }
    void SetWindowState(TWindowState Value);
    bool KeyPreview() const { return FKeyPreview; }
    void SetKeyPreview(bool Value) { FKeyPreview = Value; }
    /// The control that has (or gets, when the form activates) the focus.
    TWinControl* ActiveControl() const { return FActiveControl; }
    void SetActiveControl(TWinControl* Control);
    /// The control that last had the focus inside the form.
    TWinControl* FocusedControl() const { return FFocusedControl; }
    bool Active() const { return FActive; }
    TFormState FormState() const { return FFormState; }
    int PixelsPerInch() const { return FPixelsPerInch; }
    void SetPixelsPerInch(int Value) { FPixelsPerInch = Value; }
    bool Scaled() const { return FScaled; }
    void SetScaled(bool Value) { FScaled = Value; }
    /// Scales the form and its controls by M/D.
    void ScaleBy(int M, int D);
    /// Called by the focus logic when a control of the form gets the focus.
    bool SetFocusedControl(TWinControl* Control);
    /// Moves the focus to the next (or previous) control in tab order.
    void SelectNext(TWinControl* CurControl, bool GoForward, bool CheckTabStop)
    {
        TWinControl::SelectNext(CurControl, GoForward, CheckTabStop);
    }
    void MouseWheelHandler(TMessage& Message) override;
    /// Takes the focus and the active control away from Control (hidden or
    /// being removed) and its children.
    void DefocusControl(TWinControl* Control, bool Removing);
    /// The form's short-cut processing (OnShortCut; menus hook in here).
    virtual bool IsShortCut(TWMKey& Message);
    void SetFocus() override;
    bool CanFocus() override;
    TCanvas* Canvas() const { return FCanvas.get(); }
    /// The bounds the form returns to from the maximised state.
    TRect NormalBounds() const { return FNormalBounds; }

    TNotifyEvent OnCreate;
    TNotifyEvent OnDestroy;
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;
    TCloseEvent OnClose;
    TCloseQueryEvent OnCloseQuery;
    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;
    TNotifyEvent OnPaint;
    TShortCutEvent OnShortCut;

protected:
    friend class TApplication;
    friend class TScreen;

    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void Loaded() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    virtual void DoCreate();
    virtual void DoDestroy();
    virtual void DoShow();
    virtual void DoHide();
    virtual void DoClose(TCloseAction& Action);
    virtual void Activate();
    virtual void Deactivate();
    virtual void Paint();
    void PaintWindow(HDC DC) override;
    void AdjustClientRect(TRect& Rect) override;
    void CloseModal();
    /// Sets the window's position on first showing from Position.
    void PlaceOnShow();

    void WMClose(TMessageRecord& Message);
    void WMActivate(TWMActivate& Message);
    void WMSysCommand(TWMSysCommand& Message);
    void WMSize(TWMSize& Message) override;
    void WMNCCalcSize(TMessageRecord& Message) override;
    void CMDialogKey(TCMDialogKey& Message) override;
    void CMShowingChanged(TMessageRecord& Message) override;
    void CMVisibleChanged(TMessageRecord& Message) override;
    void CMTextChanged(TMessageRecord& Message) override;
    void CMActivate(TMessageRecord& Message);
    void CMDeactivate(TMessageRecord& Message);
    void CMRelease(TMessageRecord& Message);
    void Dispatch(TMessage& Message) override;

    TModalResult FModalResult = mrNone;
    TMainMenu* FMenu = nullptr;
    TFormBorderStyle FBorderStyle = bsSizeable;
    TBorderIcons FBorderIcons = {biSystemMenu, biMinimize, biMaximize};
    TFormStyle FFormStyle = fsNormal;
    TPosition FPosition = poDefaultPosOnly;
    TWindowState FWindowState = wsNormal;
    bool FKeyPreview = false;
    TWinControl* FActiveControl = nullptr;
    TWinControl* FFocusedControl = nullptr;
    bool FActive = false;
    TFormState FFormState;
    int FPixelsPerInch = 96;
    bool FScaled = true;
    TRect FNormalBounds;
    bool FPlaced = false;
    std::unique_ptr<TControlCanvas> FCanvas;

private:
    void Init();
};

class TForm : public TCustomForm {
    PRICETAGS_CLASS(TForm, TCustomForm)
public:
    explicit TForm(TComponent* AOwner) : TCustomForm(AOwner) {}
    TForm(TComponent* AOwner, int Dummy) : TCustomForm(AOwner, Dummy) {}
    ~TForm() override;
};

using TFormClass = TClassOf<TCustomForm>;

// ---- screen -------------------------------------------------------------------------------

class TMonitor : public TObject {
    PRICETAGS_CLASS(TMonitor, TObject)
public:
    explicit TMonitor(int Num) : FNum(Num) {}
    int MonitorNum() const { return FNum; }
    bool Primary() const;
    TRect BoundsRect() const;
    TRect WorkareaRect() const;
    int Left() const { return BoundsRect().Left; }
    int Top() const { return BoundsRect().Top; }
    int Width() const { return BoundsRect().Width(); }
    int Height() const { return BoundsRect().Height(); }

private:
    int FNum;
};

enum TMonitorDefaultTo { mdNearest, mdNull, mdPrimary };

class TScreen : public TComponent {
    PRICETAGS_CLASS(TScreen, TComponent)
public:
    explicit TScreen(TComponent* AOwner);
    ~TScreen() override;

    int FormCount() const { return static_cast<int>(FForms.size()); }
    /// Forms in z-order, the front one first.
    TCustomForm* Forms(int Index) const;
    int CustomFormCount() const { return FormCount(); }
    TCustomForm* CustomForms(int Index) const { return Forms(Index); }
    TCustomForm* ActiveForm() const { return FActiveForm; }
    TCustomForm* ActiveCustomForm() const { return FActiveForm; }
    TWinControl* ActiveControl() const { return FActiveControl; }
    /// The cursor shown over every window while not crDefault.
    TCursor Cursor() const { return FCursor; }
    void SetCursor(TCursor Value);
    /// The cursor table: standard cursors (negative numbers) and the
    /// program's own; an unknown number gives the arrow.
    HCURSOR Cursors(TCursor Index) const;
    void SetCursors(TCursor Index, HCURSOR Handle);
    int PixelsPerInch() const;
    int Width() const;
    int Height() const;
    TRect DesktopRect() const;
    TRect WorkAreaRect() const;
    int WorkAreaLeft() const { return WorkAreaRect().Left; }
    int WorkAreaTop() const { return WorkAreaRect().Top; }
    int WorkAreaWidth() const { return WorkAreaRect().Width(); }
    int WorkAreaHeight() const { return WorkAreaRect().Height(); }
    int MonitorCount() const;
    TMonitor* Monitors(int Index);
    TMonitor* PrimaryMonitor() { return Monitors(0); }
    TMonitor* MonitorFromPoint(const TPoint& Point, TMonitorDefaultTo Default = mdNearest);
    TMonitor* MonitorFromRect(const TRect& Rect, TMonitorDefaultTo Default = mdNearest);
    TMonitor* MonitorFromWindow(HWND Wnd, TMonitorDefaultTo Default = mdNearest);
    /// Installed font families, sorted.
    TStrings* Fonts();
    TFont* HintFont() const { return FHintFont.get(); }
    TFont* MenuFont() const { return FMenuFont.get(); }
    TFont* IconFont() const { return FIconFont.get(); }

    TNotifyEvent OnActiveControlChange;
    TNotifyEvent OnActiveFormChange;

private:
    friend class TCustomForm;
    friend class TWinControl;
    friend class TApplication;
    void AddForm(TCustomForm* Form);
    void RemoveForm(TCustomForm* Form);
    void SetActiveForm(TCustomForm* Form);
    void SetActiveControl(TWinControl* Control);
    void MoveToFront(TCustomForm* Form);

    std::vector<TCustomForm*> FForms;
    TCustomForm* FActiveForm = nullptr;
    TWinControl* FActiveControl = nullptr;
    TCursor FCursor = crDefault;
    std::vector<std::pair<TCursor, HCURSOR>> FCursors;
    std::vector<std::unique_ptr<TMonitor>> FMonitors;
    std::unique_ptr<TStrings> FFonts;
    std::unique_ptr<TFont> FHintFont;
    std::unique_ptr<TFont> FMenuFont;
    std::unique_ptr<TFont> FIconFont;
};

// ---- application ----------------------------------------------------------------------------

using TExceptionEvent = MethodPointer<void(TObject* Sender, Exception* E)>;
using TMessageEvent = MethodPointer<void(MSG& Msg, bool& Handled)>;
using TIdleEvent = MethodPointer<void(TObject* Sender, bool& Done)>;
/// The help command HelpContext gives (Data is the topic number).
inline constexpr Word HELP_CONTEXT = 1;
/// A request for the application's help: Command (HELP_CONTEXT...) and its
/// Data. The handler answers whether it showed help; clearing CallHelp
/// keeps the request from the help system.
using THelpEvent = MethodPointer<bool(Word Command, intptr_t Data, bool& CallHelp)>;
/// A hook of the application window's messages; true stops the message.
using TWindowHook = MethodPointer<bool(TMessage& Message)>;

class TApplication : public TComponent {
    PRICETAGS_CLASS(TApplication, TComponent)
public:
    explicit TApplication(TComponent* AOwner);
    ~TApplication() override;

    /// Takes the screen size from the platform unless a test fixed it.
    void Initialize();
    /// Creates a form of class FormClass owned by the application and
    /// stores it in Reference; the first form created is the main form.
    template <class T>
    void CreateForm(TFormClass FormClass, T*& Reference)
    {
        TCustomForm* Form = CreateFormOf(FormClass);
        Reference = static_cast<T*>(Form);
        FinishCreateForm(Form);
    }
    /// Shows the main form and dispatches messages until Terminate (or the
    /// main form closes).
    void Run();
    /// Dispatches every pending message and event, then returns.
    void ProcessMessages();
    /// Dispatches pending messages, waiting for one when there is none.
    void HandleMessage();
    /// Ends Run after the current message (posts WM_QUIT).
    void Terminate();
    bool Terminated() const { return FTerminated; }
    /// Called inside a catch block: EAbort is dropped, other exceptions go
    /// to the exception filter (when one is installed and it takes them),
    /// else to OnException or ShowException.
    void HandleException(TObject* Sender);
    /// A message box with the exception's message, titled with Title.
    void ShowException(Exception* E);
    /// A message box over the active form; the button pressed (IDOK...).
    int MessageBox(const AnsiString& Text, const AnsiString& Caption, UINT Flags = MB_OK);
    /// Minimises the main form (OnMinimize) and restores it (OnRestore);
    /// the window system's own minimising of the main form comes here too.
    void Minimize();
    void Restore();
    bool Minimized() const { return FMinimized; }
    /// The main form was minimised or restored: the events, once each.
    void MainFormMinimized(bool Minimized);
    /// Top-most forms keep their place (no effect here: stay-on-top forms
    /// stay on top).
    void NormalizeTopMosts() {}
    void RestoreTopMosts() {}
    void CancelHint();
    /// Shows the help topic Context (HelpCommand with HELP_CONTEXT); false
    /// for topic 0.
    bool HelpContext(THelpContext Context);
    /// Passes a help request to OnHelp. The program ships no help file, so
    /// nothing else answers it: the result is OnHelp's, false without one.
    bool HelpCommand(Word Command, intptr_t Data);
    void BringToFront();
    void HookMainWindow(TWindowHook Hook);
    void UnhookMainWindow(TWindowHook Hook);
    /// Offers a message of the application window to the hooks.
    bool CallHooks(TMessage& Message);

    TCustomForm* MainForm() const { return FMainForm; }
    void SetMainForm(TCustomForm* Form) { FMainForm = Form; }
    const AnsiString& Title() const { return FTitle; }
    void SetTitle(const AnsiString& Value) { FTitle = Value; }
    /// The program file's full name.
    AnsiString ExeName() const;
    /// The application's window (it has no widget; messages to it go to the hooks).
    HWND Handle();
    bool Active() const { return FActive; }
    const AnsiString& Hint() const { return FHint; }
    void SetHint(const AnsiString& Value);
    bool ShowHint() const { return FShowHint; }
    void SetShowHint(bool Value) { FShowHint = Value; }
    /// Milliseconds the mouse rests on a control before its hint shows.
    int HintPause() const { return FHintPause; }
    void SetHintPause(int Value) { FHintPause = Value; }
    /// The pause when moving from a shown hint to another control.
    int HintShortPause() const { return FHintShortPause; }
    void SetHintShortPause(int Value) { FHintShortPause = Value; }
    /// Milliseconds a hint stays up.
    int HintHidePause() const { return FHintHidePause; }
    void SetHintHidePause(int Value) { FHintHidePause = Value; }
    /// A mouse message (LParam: client point of Control): the control under
    /// the mouse that shows hints gets its hint after the pause (the pause
    /// asked of it with CM_HINTSHOWPAUSE); none cancels the hint.
    void HintMouseMessage(TControl* Control, TMessage& Message);
    /// Shows the hint of the hint control now, for the mouse at a screen
    /// point: CM_HINTSHOW lets the control change or refuse it.
    void ActivateHint(const TPoint& CursorPos);
    /// Takes the shown hint away; the hint control stays.
    void HideHint();
    /// Input on its way to a window: takes the hint away when the hint
    /// window says it should (THintWindow::IsHintMsg).
    void HintInputMessage(const MSG& Msg);
    /// Forgets a control being freed.
    void ForgetHintControl(TControl* Control);
    bool ShowMainForm() const { return FShowMainForm; }
    void SetShowMainForm(bool Value) { FShowMainForm = Value; }
    /// Number of modal loops running.
    int ModalLevel() const { return FModalLevel; }

    TExceptionEvent OnException;
    TNotifyEvent OnMinimize;
    TNotifyEvent OnRestore;
    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;
    TNotifyEvent OnHint;
    TIdleEvent OnIdle;
    TMessageEvent OnMessage;
    THelpEvent OnHelp;

private:
    friend class TCustomForm;
    TCustomForm* CreateFormOf(TFormClass FormClass);
    void FinishCreateForm(TCustomForm* Form);
    void ProcessQueued();

    TCustomForm* FMainForm = nullptr;
    AnsiString FTitle;
    AnsiString FHint;
    bool FTerminated = false;
    bool FActive = true;
    bool FShowHint = true;
    int FHintPause = 500;
    int FHintShortPause = 50;
    int FHintHidePause = 2500;
    /// The control whose hint is pending or shown (cleared when it is freed).
    TControl* FHintControl = nullptr;
    /// Made from HintWindowClass on first use; owned by the application.
    THintWindow* FHintWindow = nullptr;
    bool FHintActive = false;
    /// Screen rectangle in which the mouse keeps the shown hint.
    TRect FHintCursorRect;
    std::unique_ptr<QTimer> FHintTimer;
    /// What the timer does when it fires: hide (true) or show the hint.
    bool FHintTimerHides = false;
    void StartHintTimer(int Milliseconds, bool Hide);
    void StopHintTimer();
    void HintTimerFired();
    bool FShowMainForm = true;
    int FModalLevel = 0;
    bool FMinimized = false;
    std::vector<TWindowHook> FWindowHooks;
    HWND FHandle = nullptr;
};

/// The application and the screen; valid from GuiStartup on.
extern TApplication* Application;

/// Offered every exception that HandleException receives (called inside its
/// catch block) before OnException or ShowException; returns true when it
/// dealt with the exception, which then goes no further. The exception log
/// installs one; null: none.
using ApplicationExceptionFilter = bool (*)(TObject* Sender);
ApplicationExceptionFilter SetApplicationExceptionFilter(ApplicationExceptionFilter Filter);
extern TScreen* Screen;

/// Starts the window system (a Qt application when none exists yet) and
/// makes Application and Screen. Call once, first thing in main.
void GuiStartup(int& Argc, char** Argv);
/// Frees the forms, Application and Screen (before the Qt application ends).
void GuiShutdown();

// ---- hooks for tests ---------------------------------------------------------------------------

/// Runs in every modal loop (ShowModal of any form) after pending messages
/// are dispatched, again and again until the form's ModalResult is set;
/// the loop does not wait for input while a hook is set.
using ModalHook = std::function<void(TCustomForm& Form)>;
/// Answers a message box: the ID of the button pressed.
using MessageBoxHook = std::function<int(const AnsiString& Text, const AnsiString& Caption, UINT Type)>;
void SetModalHook(ModalHook Hook);
void SetMessageBoxHook(MessageBoxHook Hook);
bool HasMessageBoxHook();
/// Answers the message box through the hook (false when none is set).
bool AnswerMessageBox(const AnsiString& Text, const AnsiString& Caption, UINT Type, int& Result);

/// Installs a hook for a scope and removes it at the end.
class ModalHookScope {
public:
    explicit ModalHookScope(ModalHook Hook);
    ~ModalHookScope();
    ModalHookScope(const ModalHookScope&) = delete;
    ModalHookScope& operator=(const ModalHookScope&) = delete;
};
class MessageBoxHookScope {
public:
    explicit MessageBoxHookScope(MessageBoxHook Hook);
    ~MessageBoxHookScope();
    MessageBoxHookScope(const MessageBoxHookScope&) = delete;
    MessageBoxHookScope& operator=(const MessageBoxHookScope&) = delete;
};

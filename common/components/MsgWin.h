#pragma once

// The program's message and confirmation routines: every error, warning,
// question and choice of the invoice model, the report engine and the
// windows goes through them. In the texts of the error and save-changes
// windows the part before the first "|" is the title line and the rest the
// message line; "\n" becomes a line break.
//
// Each routine shows the message window (TFormMessage) modally once the
// program has turned the windows on. A replaceable answer hook answers in
// place of the window: a test sets the hook, sees what was asked and answers
// it. Without windows and without a hook the routine logs the text and
// takes the default answer.

#include "platform/rtl/AnsiString.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Types.h"

#include "common/components/WMsgs.h"

#include "platform/forms/Controls.h"
#include "platform/forms/Graphics.h"
#include "platform/forms/StdCtrls.h"
#include "platform/winapi/Windows.h"
#include "platform/rtl/Types.h"
#include "platform/rtl/Variant.h"

#include <functional>
#include <vector>

class TCustomForm;
class TForm;
class TGraphic;
class TListView;
class TStopForm;
class TStrings;



/// What a message routine asks, as the answer hook sees it.
struct MsgRequest {
    /// The routine that asks: "ErrorMsg", "AskYesNo", "MsgDialog", ...
    AnsiString Routine;
    /// The window's caption: "Сообщение" unless the caller gives one.
    AnsiString FormCaption;
    /// The header line: the look's own unless the caller gives one.
    AnsiString Header;
    /// The title line (the message routines' Text) and the message line.
    AnsiString Title;
    AnsiString Text;
    /// Style flags normalised to the buttons shown and the look (flags 0
    /// count as 288, the choice look with the Yes/No pair).
    Word Flags = 0;
    /// Captions of the buttons in number order: the generated ones, or the
    /// visible standard ones ("Ok"/"Да", "Отменить"/"Нет").
    std::vector<AnsiString> Buttons;
    /// 1-based number of the default button (Ctrl+Enter); always one of
    /// Buttons.
    int DefaultButton = 1;
    /// 1-based number of the button that Esc answers: the high byte of the
    /// leading integer, else the last generated button, else 2.
    int CancelButton = 2;
    /// The choice list, or nullptr.
    const TStrings* List = nullptr;
};

/// Answers a message: the 1-based number of the pressed button, or for a
/// dialog with a choice list -(ItemIndex + 1) when an item was chosen with
/// button 1.
using MsgAnswerHook = std::function<int(const MsgRequest&)>;

/// Set by the windows once their start-up has completed: a stop point then
/// gives the focus back to the control that had it. False at start.
extern bool gStopRefocus;

/// Whether questions put the message window on the screen. Off at start:
/// without windows (tests, tools) a question is logged and answered with
/// its default; the program turns the windows on once it runs. An answer
/// hook answers in place of either.
void SetMsgWindowsEnabled(bool Value);
[[nodiscard]] bool MsgWindowsEnabled();

/// Replaces the answer hook; an empty hook restores the default answers.
void SetMsgAnswerHook(MsgAnswerHook Hook);

/// Sets an answer hook for a scope and restores the previous one at its end.
class MsgAnswerHookScope {
public:
    explicit MsgAnswerHookScope(MsgAnswerHook Hook);
    ~MsgAnswerHookScope();
    MsgAnswerHookScope(const MsgAnswerHookScope&) = delete;
    MsgAnswerHookScope& operator=(const MsgAnswerHookScope&) = delete;

private:
    MsgAnswerHook FOld;
};

/// Error window with one OK button; true when it was closed with OK. While
/// the application is terminating it also clears gCanSaveSettings, so that
/// an error during shut-down stops the settings from being saved.
bool ShowErrorWindow(const AnsiString& Msg);
/// Logs Msg with kind 5, then shows the error window.
bool ErrorMsg(const AnsiString& Msg);
/// Logs Msg with kind 3, shows the error window, then raises EAbort.
[[noreturn]] void ErrorMsgAbort(const AnsiString& Msg);
/// The general dialog: FormCaption (when not empty) is the caption, Header
/// replaces the style's header, Text is the title line and Text2 the message
/// line; Buttons is an optional leading integer (low byte: default button,
/// high byte: cancel button) then captions; one empty string means the
/// standard buttons of Flags. Flags 0 mean 288 (choice look, Yes/No); the
/// flags alone choose the standard buttons. The look's header ("Ошибка !!!",
/// "Внимание !!!", "Выбор", else "Сообщение") serves unless Header is given;
/// the caption is "Сообщение" unless FormCaption is given. Result:
/// the pressed button's number, or -(ItemIndex + 1) for a chosen list item.
/// A bad element of Buttons raises EAppException
/// "FMsg.setButtons: Ошибка в параметрах".
Integer MsgDialog(const AnsiString& FormCaption, const AnsiString& Header, const AnsiString& Text,
                  TStrings* List, Word Flags, TVarRecs Buttons, const AnsiString& Text2);
/// MsgDialog('', '', Text, nullptr, 0, Buttons, Text2).
Integer MsgChoice(const AnsiString& Text, const AnsiString& Text2, TVarRecs Buttons);
/// Question with "Да" and "Нет"; true for "Да".
bool AskYesNo(const AnsiString& Text, const AnsiString& Text2, bool DefaultYes);
/// Logs Text and Text2 with kind 5, then MsgDialog with the error look.
Integer ErrorChoice(const AnsiString& Text, const AnsiString& Text2, TVarRecs Buttons);
/// Save prompt "Да" / "Нет" / "Отмена": true for "Да", false for "Нет";
/// "Отмена" (and Esc) raises EAbort, or answers false while the application
/// is terminating.
bool AskSaveChanges(const AnsiString& Msg);
/// Delete confirmation with "Нет" as the default; true to delete.
bool AskDelete(const AnsiString& ItemText, const AnsiString& Extra, bool Short);

/// The system message box; MB_ flags in the low 16 bits, IDOK.. results.
Integer MsgBox(const AnsiString& Text, const AnsiString& Caption);
Integer MsgBoxFlags(const AnsiString& Text, const AnsiString& Caption, Integer Flags);
/// Yes/No system box with the caption "!!!  В Н И М А Н И Е  !!!".
bool AskYesNoBox(const AnsiString& Text, bool DefaultYes);

// ---- the stop point ----------------------------------------------------------

/// The single stop window, created on first use with the Application as
/// owner.
TStopForm* GetStopForm();
/// Developer stop point: in developer mode, and not while the application
/// terminates, shows the stop window modally with the active control's name
/// as title and " <" + ArgsToStr(Args) + ">" as text, waiting first for a
/// stop window still showing. Afterwards, once the windows set gStopRefocus,
/// the control that was active takes the focus back (unless it was freed
/// meanwhile).
void StopPoint(TVarRecs Args);

// ---- text measuring on the screen --------------------------------------------

/// DrawText with DT_CALCRECT | DT_EXPANDTABS (| DT_WORDBREAK when WordWrap)
/// into (0, 0, Width, 0) in Font; Size is the right and bottom of the result.
void MeasureText(const AnsiString& Text, TFont* Font, Integer Width, TPoint& Size, bool WordWrap);
[[nodiscard]] TPoint TextSize(const AnsiString& Text, TFont* Font);
[[nodiscard]] Integer GetTextWidth(const AnsiString& Text, TFont* Font);
[[nodiscard]] Integer TextWidth(const AnsiString& Text, TFont* Font);
[[nodiscard]] Integer TextHeight(const AnsiString& Text, TFont* Font);
[[nodiscard]] TPoint TextSizeWrapped(const AnsiString& Text, TFont* Font, Integer Width);

// ---- forms and controls -------------------------------------------------------

/// Shows Form (a minimised one first becomes normal): modally, closing a
/// visible form first and keeping the result in its ModalResult, or
/// modeless.
void ShowFormMode(TForm* Form, bool Modal);
void ShowFormModeless(TForm* Form);
/// Makes Owner's window the owner window of Form's; nothing when either is
/// null.
void SetFormOwnerWindow(TForm* Form, TWinControl* Owner);
/// Visible := Value on each control, tab sheet (TabVisible) and menu item;
/// null elements are skipped. Anything else raises EAppException
/// "SetVisiblesValue: ar[<index>] is not a TControl" (0-based index).
void SetVisiblesValue(std::initializer_list<TObject*> Items, bool Value);
void SetVisiblesOnOff(std::initializer_list<TObject*> First, std::initializer_list<TObject*> Second,
                      bool Value);
/// Enabled := Value on a control, action, timer or menu item; null is
/// ignored; anything else raises EAppException "SetEnabled: Unknown type of
/// Component".
void SetEnabled(TObject* Item, bool Value);
void SetEnabledOnOff(std::initializer_list<TObject*> First, bool Value,
                     std::initializer_list<TObject*> Second);
/// Control and every control inside it, at any depth.
void SetChildControlsEnabled(TWinControl* Control, bool Value);
/// Column Index of ListView takes the width the other columns leave (at
/// least its MinWidth); nothing for an index outside the columns.
void FitListColumn(TListView* ListView, Integer Index);
/// Index of Form in the form list, adding it when absent. A freed form
/// leaves the list.
Integer RegisterForm(TCustomForm* Form);
/// Up and Down move the focus to the previous or next control of Form
/// (not out of a grid unless Shift is exactly Ctrl); Key when moved, else 0.
Word ArrowKeyToFocus(TWinControl* Form, Word& Key, TShiftState Shift);
/// ArrowKeyToFocus, clearing Key when it moved the focus.
void ArrowKeysMoveFocus(TWinControl* Form, Word& Key, TShiftState Shift);
/// Selects the item Text (case ignored), else DefaultIndex when it is 0 or
/// more, else nothing.
void SetItemIndexByText(TCustomComboBox* Combo, const AnsiString& Text, Integer DefaultIndex);
void MaxToVariant(Integer A, Integer B, Variant& V);
/// Takes the first message Msg of Wnd's queue; a WM_QUIT taken is posted
/// again with its exit code.
void RepostQuitMessage(HWND Wnd, UINT Msg);
/// Graphic centred in Rect on Control's canvas (halves toward zero).
void DrawCenteredGraphic(TControl* Control, const TRect& Rect, TGraphic* Graphic);
/// A grid cell's text: directly when it needs no wrapping, no CR and the
/// brush is a pure colour; otherwise drawn on a shared off-screen bitmap
/// and copied to Rect. DX and DY offset the text in the cell.
void WriteCellText(TCanvas* Canvas, const TRect& Rect, Integer DX, bool RightToLeft, bool WordWrap,
                   TAlignment Alignment, const AnsiString& Text, Integer DY);

/// Hides every visible form but the main form when the application is
/// minimised, and shows them again when it is restored; installed as the
/// Application's OnMinimize and OnRestore by MsgWinInitialization.
void MsgWinInitialization();
/// Frees the unit's lists and bitmaps.
void MsgWinFinalization();

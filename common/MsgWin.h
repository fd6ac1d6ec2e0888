#pragma once

// The program's message and confirmation routines: every error, warning,
// question and choice of the invoice model, the report engine and the
// windows goes through them. In the texts of the error and save-changes
// windows the part before the first "|" is the title line and the rest the
// message line; "\n" becomes a line break.
//
// This body routes every message through a replaceable answer hook instead
// of a window: a test sets the hook, sees what was asked and answers it.
// Without a hook the routine logs the text and takes the default answer.
// The window version replaces the bodies and keeps the hook: when a hook is
// set it answers in place of the window.

#include "platform/rtl/AnsiString.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Types.h"

#include <functional>
#include <vector>

class TStrings;

/// Message window style flags.
constexpr Word MsgStyleOk = 1;
constexpr Word MsgStyleCancel = 2;
constexpr Word MsgStyleYes = 4;
constexpr Word MsgStyleNo = 8;
constexpr Word MsgStyleOkCancel = 16;
constexpr Word MsgStyleYesNo = 32;
constexpr Word MsgStyleError = 64;
constexpr Word MsgStyleWarning = 128;
constexpr Word MsgStyleChoice = 256;

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

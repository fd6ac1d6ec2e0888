#pragma once

// TFormMessage: the one window through which the program shows every
// error, warning, question and choice. The message routines create one,
// set its style, header, title, text, optional choice list and buttons,
// show it modally, read the pressed button and free it. The window lays
// itself out to its texts when shown: between a smallest size and 90 % of
// the work area, its text scrolling in a scroll box beyond that; buttons are
// the two standard ones or generated from captions, side by side or, when
// too wide, stacked.
//
// Buttons are numbered from 1: the standard "Ok" is 1 and "Отменить" 2;
// generated buttons take the number of their caption's place.

#include "common/components/ExLabel.h"

#include "platform/forms/Buttons.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"
#include "platform/forms/Timers.h"
#include "platform/rtl/Format.h"

#include <memory>

class TStringList;

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

/// Keeps exactly one standard button unless a pair flag was given (1 + 2
/// without 16 leave only "Ok"); no button at all gives "Ok". The pair
/// flags themselves are cleared, the look flags kept.
[[nodiscard]] Word NormaliseMsgStyle(Word Style);
/// The header of a normalised style's look: "Ошибка !!!", "Внимание !!!",
/// "Выбор", else "Сообщение".
[[nodiscard]] AnsiString MsgStyleHeader(Word Style);

class TFormMessage : public TForm {
    PRICETAGS_CLASS(TFormMessage, TForm)
public:
    explicit TFormMessage(TComponent* AOwner);
    ~TFormMessage() override;

    /// Normalises and applies Style (closing a visible window first); the
    /// same non-zero style again changes nothing.
    void SetStyle(Word Style);
    Word Style() const { return FStyle; }
    void SetHeader(const AnsiString& S);
    /// "\n" in S becomes a line break.
    void SetTitle(const AnsiString& S);
    AnsiString GetTitle() const;
    /// The message line (SetText and GetText name the window's caption in
    /// the control layer, so the message line has its own names).
    void SetWarnText(const AnsiString& S);
    AnsiString GetWarnText() const;
    /// Generated buttons: an integer first (low byte the default button,
    /// high byte the cancel button), then captions. Anything else raises
    /// EAppException "FMsg.setButtons: Ошибка в параметрах". A single
    /// element turns the style to the Yes/No pair.
    void setButtons(TVarRecs Buttons);
    /// The choice list from Items, the item numbered by Items' first object
    /// preselected (clamped); null or empty hides the list.
    void SetList(TStrings* Items);
    /// Back to the state after creation.
    void Reset();

    /// The pressed button's number; -1 before any press.
    int Pressed() const { return FPressed; }
    /// The list's ItemIndex at the press; -1 when none.
    int ListIndex() const { return FListIndex; }
    int DefaultButton() const { return FDefaultButton; }
    int CancelButton() const { return FCancelButton; }
    bool Vertical() const { return FVertical; }
    /// The generated buttons in number order.
    int GeneratedCount() const;
    TBitBtn* Generated(int Index) const;
    /// Seconds until the default button presses itself; 0 is off. Read
    /// when the window is shown.
    void SetAutoCloseSeconds(int Value) { FAutoCloseSeconds = Value; }

    TPanel* pnHeader;
    TExLabel* lbHeader;
    TExLabel* lbTimer;
    TScrollBox* sb;
    TLabel* lbWarnInform;
    TBevel* bv;
    TComboBox* cbList;
    TLabel* lbWarn;
    TBitBtn* btCancelApp;
    TScrollBox* pnButton;
    TBitBtn* btOk;
    TBitBtn* btCancel;
    TTimer* Timer1;
    TTimer* TimerStop;

private:
    void BuildControls();
    void FormCreate();
    void FormShow(TObject* Sender);
    void FormKeyDown(TObject* Sender, Word& Key, TShiftState Shift);
    void Timer1Timer(TObject* Sender);
    void TimerStopTimer(TObject* Sender);
    void btOkClick(TObject* Sender);
    void btCancelClick(TObject* Sender);
    void btCancelAppClick(TObject* Sender);
    void cbListChange(TObject* Sender);
    void WhatButtonClick(TObject* Sender);

    void ClearGenerated();
    void ApplyColours();
    /// Lays the buttons out; the width they need.
    int ArrangeButtons();
    void PlaceButtons();
    void ArrangeLayout();
    /// Size of a label's caption wrapped within Width, in its font.
    TPoint MeasureLabel(TLabel* Label, int Width) const;
    /// Records the list choice and ends the window with Result, Button
    /// being the pressed one.
    void Answer(TModalResult Result, int Button);

    TColor FFormColor = clBtnFace;
    TColor FFormFontColor = clWindowText;
    TColor FHeaderColor = clBtnFace;
    TColor FHeaderFontColor = clHighlightText;
    TColor FHeaderShadowColor = clGrayText;
    TColor FTitleFontColor = clWindowText;
    TColor FTextFontColor = clWindowText;
    int FMinClientWidth = 0;
    int FMaxClientWidth = 0;
    int FMinClientHeight = 0;
    int FMaxClientHeight = 0;
    int FPressed = -1;
    int FListIndex = -1;
    Word FStyle = 0;
    int FDefaultButton = 1;
    int FCancelButton = 0;
    /// Captions of the generated buttons; each object is its button, owned
    /// by the form.
    std::unique_ptr<TStringList> FCaptions;
    bool FVertical = false;
    int FButtonPanelHeight = 41;
    int FAutoCloseSeconds = 0;
};

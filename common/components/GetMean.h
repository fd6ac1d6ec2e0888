#pragma once

// TFormGet: the window that asks the operator for one value: a string, a
// whole number, a floating-point number, a date, a time, a date with a time
// or a hidden string (a password). Keys are checked as they are typed, the
// value is checked on OK, and the answer comes back as a Variant.
//
// Kinds: 1 string, 3 Integer, 6 Double, 8 date, 9 time, 10 date and time,
// 13 hidden string; any other kind is a string edit that takes Backspace
// only.

#include "common/components/YldBaseForm.h"
#include "platform/rtl/AnsiString.h"
#include "platform/rtl/Types.h"
#include "platform/rtl/Variant.h"

#include <bitset>

class TBitBtn;
class TCustomDateEdit;
class TDateEdit;
class TEdit;
class TExLabel;
class TLabel;
class TPanel;
class TScrollBox;
class Tyl_IntegerEdit;

/// Marks the caret position in a default text; it is taken out of the text.
inline constexpr const char* KillEditSelectMarker = "~~Kill~Edit~Select~~";
/// Posted to the window after it shows: select the text or place the caret.
inline constexpr UINT WM_GETMEAN_SELECT = WM_USER + 1;

class TFormGet : public TBaseForm {
    PRICETAGS_CLASS(TFormGet, TBaseForm)
public:
    explicit TFormGet(TComponent* AOwner);
    ~TFormGet() override;

    Byte Kind() const { return FKind; }
    /// Clears the text and sets the key filter, the check length and the
    /// control of the kind (nothing when the kind does not change).
    void SetKind(Byte Value);
    /// The prompt in the header when it fits, else in the description.
    void SetPrompt(const AnsiString& Prompt);
    void SetDefault(const Variant& Value) { FDefault = Value; }
    /// The typed value converted by the kind (Integer, Double, TDateTime,
    /// else the text; the real text for the hidden kind). Raises the
    /// conversion's error when it does not convert.
    [[nodiscard]] Variant Answer();
    /// Converts the value; on failure says "Неверное значение !!!" and
    /// returns false.
    bool CheckValue();
    /// Whether the date key check accepts Key after Text (kind 8 typing).
    [[nodiscard]] bool DateKeyAccepted(const AnsiString& Text, char Key) const;
    /// The control that holds the value and takes the focus.
    TWinControl* ValueControl() const { return FValueControl; }
    const AnsiString& HiddenText() const { return FHiddenText; }

    TPanel* pnHeader;
    TExLabel* lbHeader;
    TScrollBox* sb;
    TPanel* Panel2;
    TLabel* lb;
    TLabel* Label1;
    TLabel* Label2;
    TPanel* Panel1;
    /// Null once the date or time controls have taken its place.
    TEdit* ed;
    /// Null once freed for the kinds without a date.
    TDateEdit* DateEdit;
    TPanel* pnTime;
    Tyl_IntegerEdit* edHour;
    TExLabel* RzLabel1;
    Tyl_IntegerEdit* edMinute;
    TScrollBox* pnButton;
    TBitBtn* btOk;
    TBitBtn* btCancel;

protected:
    void Activate() override;
    void Dispatch(TMessage& Message) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    void BuildControls();
    void FormShow(TObject* Sender);
    void FormClose(TObject* Sender, TCloseAction& Action);
    void edChange(TObject* Sender);
    void edKeyDown(TObject* Sender, Word& Key, TShiftState Shift);
    void edKeyPress(TObject* Sender, char& Key);
    void btOkClick(TObject* Sender);
    void btCancelClick(TObject* Sender);
    void SelectAfterShow();
    /// The date or time default: raises "Default is'nt Date/Time" for any
    /// other Variant.
    TDateTime DefaultDateTime() const;
    void ShowHidden();

    Byte FKind = 0;
    std::bitset<256> FAllowedChars;
    Integer FMaxLength = 0;
    TWinControl* FValueControl = nullptr;
    Variant FDefault;
    AnsiString FSavedHeader;
    AnsiString FHiddenText;
    AnsiString FPasteText;
    bool FPastePending = false;
    Integer FCaretPos = 0;
};

/// Asks for a value of Kind with the window; on OK Value receives the
/// answer (Integer for 3, Double for 6, TDateTime for 8..10, else a
/// string) and the result is true. Value on entry is the default; the date
/// and time kinds need a date Variant.
bool GetMeanValue(const AnsiString& Prompt, Byte Kind, Variant& Value);
/// GetMeanValue of kind 1 on a string.
bool GetMeanStr(const AnsiString& Prompt, AnsiString& Value);

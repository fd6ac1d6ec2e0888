#pragma once

// Edits with a button inside their right end: TCustomComboEdit (the button
// runs OnButtonClick and opens or closes a pop-up window under the edit),
// TFilenameEdit (the button browses for a file) and TDateEdit (a masked
// date with a drop-down calendar or a date dialog).
//
// Alt+Down (ClickKey) does what the button does. With DirectInput off the
// text can only come from the button or the pop-up; ReadOnly stops both
// unless AlwaysEnable. File names have any length; dates are TDateTime
// with NoDate (0.0) for none.

#include "common/components/DateUtil.h"
#include "common/components/ylCtrls.h"

#include "platform/forms/Dialogs.h"
#include "platform/forms/Mask.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Variant.h"

#include <memory>

class TCustomComboEdit;
class TStrings;
class TStringList;
class TPopupCalendar;

PRICETAGS_EXCEPTION(EComboEditError, Exception);

/// "Invalid file name - %s".
extern const char* const SInvalidFilename;

enum TPopupAlign { epaRight, epaLeft };
enum TGlyphKind { gkCustom, gkDefault, gkDropDown, gkEllipsis };
enum TFileDialogKind { dkOpen, dkSave, dkOpenPicture, dkSavePicture };
enum TFileEditStyle { fsEdit, fsComboBox };
enum TCalendarStyle { csPopup, csDialog };
enum TYearDigits { dyDefault, dyFour, dyTwo };
enum TDayOfWeekName { Sun, Mon, Tue, Wed, Thu, Fri, Sat };
using TDaysOfWeek = EnumSet<TDayOfWeekName>;

using TCloseUpEvent = MethodPointer<void(TObject* Sender, bool Accept)>;
using TExecOpenDialogEvent = MethodPointer<void(TObject* Sender, AnsiString& Name, bool& Action)>;
using TExecDateDialog = MethodPointer<void(TObject* Sender, TDateTime& ADate, bool& Action)>;

/// The ellipsis glyph of an edit's button: three 2 x 2 black dots centred
/// in a monochrome bitmap Width x 4.
void MakeEllipsisGlyph(TBitmap* Bitmap, int Width);

/// The window a combo edit drops down. It never takes the activation; a
/// left release inside it closes it accepting, outside without.
class TPopupWindow : public TCustomControl {
    PRICETAGS_CLASS(TPopupWindow, TCustomControl)
public:
    explicit TPopupWindow(TComponent* AOwner);
    ~TPopupWindow() override;

    virtual Variant ReadValue();
    virtual void WriteValue(const Variant& Value);
    /// Raises OnCloseUp.
    virtual void ClosePopup(bool Accept);
    virtual AnsiString PopupText() { return AnsiString(); }
    /// The edit that owns the pop-up (not owned).
    TCustomComboEdit* EditControl() const { return FEditControl; }
    void SetEditControl(TCustomComboEdit* Value) { FEditControl = Value; }

    TCloseUpEvent OnCloseUp;

protected:
    void CreateParams(TCreateParams& Params) override;
    /// The pop-up has no parent form to show its children: it makes their
    /// windows with its own.
    void CreateWnd() override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void Dispatch(TMessage& Message) override;

private:
    TCustomComboEdit* FEditControl = nullptr;
};

/// What the edits with a button inside share (TCustomComboEdit below,
/// Tyl_CustomComboEdit in YLDCompn.h): the window that holds the button,
/// the input flags, the alignment, the glyph kind, the button's key and the
/// window style. TEdit is the edit itself; it has FButton (its button, put
/// in the holder with PlaceButton), EditButtonClick(), RebuildGlyph() and
/// UpdateButtonLayout(). The class registry does not know this class: an
/// edit's parent there stays TCustomMaskEdit.
template <class TEdit>
class ButtonEditBase : public TCustomMaskEdit {
public:
    ~ButtonEditBase() override;

    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);
    bool AlwaysEnable() const { return FAlwaysEnable; }
    void SetAlwaysEnable(bool Value) { FAlwaysEnable = Value; }
    const AnsiString& ButtonHint() const { return Self().FButton->Hint(); }
    void SetButtonHint(const AnsiString& Value) { Self().FButton->SetHint(Value); }
    TShortCut ClickKey() const { return FClickKey; }
    void SetClickKey(TShortCut Value) { FClickKey = Value; }
    bool DirectInput() const { return FDirectInput; }
    void SetDirectInput(bool Value);
    /// The edit's own read-only flag (the window is read-only also while
    /// DirectInput is off).
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool Value);
    TGlyphKind GlyphKind() const { return FGlyphKind; }
    void SetGlyphKind(TGlyphKind Value);
    TBitmap* Glyph() const { return Self().FButton->Glyph(); }
    /// Makes the glyph custom.
    void SetGlyph(TBitmap* Value);
    int NumGlyphs() const { return Self().FButton->NumGlyphs(); }
    int ButtonWidth() const { return Self().FButton->Width(); }
    /// The attached pop-up (null for none) and whether it is open.
    TPopupWindow* Popup() const { return FPopup; }
    bool PopupVisible() const { return FPopupVisible; }

    TNotifyEvent OnButtonClick;

protected:
    /// Makes the holder of the button, 21 x 17.
    explicit ButtonEditBase(TComponent* AOwner);
    /// Puts Button in the holder, 21 x 17 and shown; its clicks go to
    /// EditButtonClick.
    void PlaceButton(TControl* Button);
    void ButtonClicked(TObject* Sender);
    /// Gives the button one image: the drop-down arrow for gkDropDown, else
    /// three dots as wide as the button allows.
    void SetStockGlyph(TGlyphKind Kind);

    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void KeyDown(Word& Key, TShiftState Shift) override;
    void WMCut(TMessage& Message) override;
    void WMPaste(TMessage& Message) override;
    void WMGetDlgCode(TMessageRecord& Message) override;
    void CMEnabledChanged(TMessageRecord& Message) override;

    TWinControl* FBtnControl = nullptr;
    TPopupWindow* FPopup = nullptr;
    bool FReadOnly = false;
    bool FDirectInput = true;
    bool FAlwaysEnable = false;
    TAlignment FAlignment = taLeftJustify;
    TShortCut FClickKey = 32808;
    TGlyphKind FGlyphKind = gkCustom;
    bool FPopupVisible = false;

private:
    TEdit& Self() { return static_cast<TEdit&>(*this); }
    const TEdit& Self() const { return static_cast<const TEdit&>(*this); }
};

/// The speed button inside a combo edit: a separator along its left edge,
/// and a press that closes the edit's open pop-up swallows its click.
class TEditButton : public TylSpeedButton {
    PRICETAGS_CLASS(TEditButton, TylSpeedButton)
public:
    explicit TEditButton(TComponent* AOwner);
    ~TEditButton() override;
    void Click() override;

protected:
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;

private:
    bool FNoAction = false;
};

class TCustomComboEdit : public ButtonEditBase<TCustomComboEdit> {
    PRICETAGS_CLASS(TCustomComboEdit, ButtonEditBase<TCustomComboEdit>)
public:
    explicit TCustomComboEdit(TComponent* AOwner);
    ~TCustomComboEdit() override;

    /// Presses the button from the program.
    void DoClick();
    TEditButton* Button() const { return FButton; }
    TPopupAlign PopupAlign() const { return FPopupAlign; }
    void SetPopupAlign(TPopupAlign Value) { FPopupAlign = Value; }
    void SetNumGlyphs(int Value);
    void SetButtonWidth(int Value);

protected:
    friend class ButtonEditBase<TCustomComboEdit>;
    friend class TEditButton;
    friend class TPopupWindow;

    /// The glyph of gkDefault (shared, not owned); null for none.
    virtual TBitmap* DefaultGlyphBitmap() { return nullptr; }
    /// Opens the pop-up under the edit; with DisableEdit the edit becomes
    /// read-only while it is open.
    virtual void OpenPopup(bool DisableEdit);
    virtual void ShowPopupAt(TPoint Origin);
    virtual void HidePopupWindow();
    virtual bool CanAcceptPopupValue(Variant& Value);
    virtual void ApplyPopupValue(const Variant& Value);
    virtual void PutPopupValue(const Variant& Value);
    virtual Variant TakePopupValue();
    virtual void PopupTextChanged() {}
    virtual bool IsReadOnly() const { return FReadOnly; }
    /// OnButtonClick, then the pop-up opened or closed (accepting).
    virtual void RunButtonAction();
    /// The button's handler: the action unless ReadOnly without AlwaysEnable.
    void EditButtonClick();
    /// The close handler of the pop-up.
    void PopupCloseUp(TObject* Sender, bool Accept);
    /// Closes an open pop-up.
    void ClosePopupWindow(bool Accept);
    void SetPopup(TPopupWindow* Value);
    void RebuildGlyph();
    int DefaultNumGlyphs() const { return FDefNumGlyphs; }
    void SetDefaultNumGlyphs(int Value) { FDefNumGlyphs = Value; }

    void Change() override;
    void KeyPress(char& Key) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void WMSize(TWMSize& Message) override;
    void WMKillFocus(TWMKillFocus& Message) override;
    void WMSetFocus(TWMSetFocus& Message) override;
    void CMEnter(TMessageRecord& Message) override;
    void CMCancelMode(TMessageRecord& Message) override;

    /// Lays out the holder, the button and the text rectangle.
    void UpdateButtonLayout();
    /// Whether a value may replace the text (not ReadOnly).
    bool CanModifyText() const;

    TEditButton* FButton = nullptr;
    TPopupAlign FPopupAlign = epaRight;
    int FDefNumGlyphs = 1;
    bool FFocused = false;
    bool FConstructing = true;
};

extern template class ButtonEditBase<TCustomComboEdit>;

// ---- file-name edit ------------------------------------------------------------------------------

class TFileDirEdit : public TCustomComboEdit {
    PRICETAGS_CLASS(TFileDirEdit, TCustomComboEdit)
public:
    explicit TFileDirEdit(TComponent* AOwner);
    ~TFileDirEdit() override;

    /// Whether files dropped on the edit are taken.
    bool AcceptFiles() const { return FAcceptFiles; }
    void SetAcceptFiles(bool Value);

    TExecOpenDialogEvent OnBeforeDialog;
    TExecOpenDialogEvent OnAfterDialog;
    TNotifyEvent OnDropFiles;

protected:
    virtual void TakeDroppedName(const AnsiString& Name) = 0;
    virtual void ClearDroppedNames() = 0;
    /// Whether more than the first dropped file is taken.
    virtual bool MultiSelect() const { return false; }
    TBitmap* DefaultGlyphBitmap() override;
    void CreateWnd() override;
    void Dispatch(TMessage& Message) override;

private:
    bool FAcceptFiles = false;
};

class TFilenameEdit : public TFileDirEdit {
    PRICETAGS_CLASS(TFilenameEdit, TFileDirEdit)
public:
    explicit TFilenameEdit(TComponent* AOwner);
    ~TFilenameEdit() override;

    /// The text when it names an existing file; otherwise its first
    /// parameter as a command line (so the quotes of a name go).
    AnsiString FileName() const;
    /// Raises EComboEditError "Invalid file name - <name>" for a name
    /// that is no valid file name; a name with a blank is shown quoted.
    void SetFileName(const AnsiString& Value);
    AnsiString LongFormOfName() const;
    AnsiString ShortFormOfName() const;

    TFileDialogKind DialogKind() const { return FDialogKind; }
    void SetDialogKind(TFileDialogKind Value);
    TOpenDialog* Dialog() const { return FDialog.get(); }
    const AnsiString& DefaultExt() const { return FDialog->DefaultExt(); }
    void SetDefaultExt(const AnsiString& Value) { FDialog->SetDefaultExt(Value); }
    const AnsiString& Filter() const { return FDialog->Filter(); }
    void SetFilter(const AnsiString& Value) { FDialog->SetFilter(Value); }
    int FilterIndex() const { return FDialog->FilterIndex(); }
    void SetFilterIndex(int Value) { FDialog->SetFilterIndex(Value); }
    const AnsiString& InitialDir() const { return FDialog->InitialDir(); }
    void SetInitialDir(const AnsiString& Value) { FDialog->SetInitialDir(Value); }
    TOpenOptions DialogOptions() const { return FDialog->Options(); }
    void SetDialogOptions(TOpenOptions Value);
    const AnsiString& DialogTitle() const { return FDialog->Title(); }
    void SetDialogTitle(const AnsiString& Value) { FDialog->SetTitle(Value); }
    TFileEditStyle FileEditStyle() const { return FFileEditStyle; }
    void SetFileEditStyle(TFileEditStyle Value) { FFileEditStyle = Value; }
    TStrings* HistoryList() const;

protected:
    void RunButtonAction() override;
    void TakeDroppedName(const AnsiString& Name) override;
    void ClearDroppedNames() override;
    bool MultiSelect() const override;

private:
    void CreateDialog(TFileDialogKind Kind);

    TFileDialogKind FDialogKind = dkOpen;
    std::unique_ptr<TOpenDialog> FDialog;
    TFileEditStyle FFileEditStyle = fsEdit;
    std::unique_ptr<TStringList> FHistoryList;
};

// ---- date edit ---------------------------------------------------------------------------------------

class TCustomDateEdit : public TCustomComboEdit {
    PRICETAGS_CLASS(TCustomDateEdit, TCustomComboEdit)
public:
    explicit TCustomDateEdit(TComponent* AOwner);
    ~TCustomDateEdit() override;

    /// The date shown: today (DefaultToday) or NoDate when the text is
    /// empty or no date.
    TDateTime GetDate();
    /// A value that is no valid date, or NoDate, becomes today
    /// (DefaultToday) or NoDate (empty text). Modified tells whether the
    /// date shown changed.
    void SetDate(TDateTime Value);
    /// SetDate, then the text selected when typing is allowed.
    void SetDateAndSelect(TDateTime Value);
    /// Builds the format and mask again (after a locale change).
    void RebuildDateMask();
    const AnsiString& DateFormat() const { return FDateFormat; }

    char BlanksChar() const { return FBlanksChar; }
    void SetBlanksChar(char Value);
    TStrings* CalendarHints() const;
    void SetCalendarHints(TStrings* Value);
    bool CheckOnExit() const { return FCheckOnExit; }
    void SetCheckOnExit(bool Value) { FCheckOnExit = Value; }
    bool DefaultToday() const { return FDefaultToday; }
    void SetDefaultToday(bool Value);
    const AnsiString& DialogTitle() const { return FDialogTitle; }
    void SetDialogTitle(const AnsiString& Value) { FDialogTitle = Value; }
    TColor PopupColor() const { return FPopupColor; }
    void SetPopupColor(TColor Value);
    TCalendarStyle CalendarStyle() const { return FCalendarStyle; }
    void SetCalendarStyle(TCalendarStyle Value);
    TDayOfWeekName StartOfWeek() const { return FStartOfWeek; }
    void SetStartOfWeek(TDayOfWeekName Value);
    TDaysOfWeek Weekends() const { return FWeekends; }
    void SetWeekends(TDaysOfWeek Value);
    TColor WeekendColor() const { return FWeekendColor; }
    void SetWeekendColor(TColor Value);
    TYearDigits YearDigits() const { return FYearDigits; }
    void SetYearDigits(TYearDigits Value);
    /// The drop-down calendar (null with csDialog).
    TPopupCalendar* PopupCalendar() const;

    TExecDateDialog OnAcceptDate;

protected:
    TBitmap* DefaultGlyphBitmap() override;
    void RunButtonAction() override;
    bool CanAcceptPopupValue(Variant& Value) override;
    void ApplyPopupValue(const Variant& Value) override;
    void PutPopupValue(const Variant& Value) override;
    void CreateWnd() override;
    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyPress(char& Key) override;
    void CMExit(TMessageRecord& Message) override;
    void Change() override;

private:
    bool FourDigitYear() const;
    void UpdatePopup();
    void CreatePopupCalendar();
    void CalendarHintsChanged(TObject* Sender);

    char FBlanksChar = ' ';
    std::unique_ptr<TStringList> FCalendarHints;
    bool FCheckOnExit = false;
    bool FDefaultToday = false;
    AnsiString FDialogTitle = "Select a Date";
    TColor FPopupColor = clBtnFace;
    TCalendarStyle FCalendarStyle = csPopup;
    TDayOfWeekName FStartOfWeek = Mon;
    TDaysOfWeek FWeekends {Sun};
    TColor FWeekendColor = clRed;
    TYearDigits FYearDigits = dyDefault;
    AnsiString FDateFormat;
    bool FFormatting = false;
};

class TDateEdit : public TCustomDateEdit {
    PRICETAGS_CLASS(TDateEdit, TCustomDateEdit)
public:
    explicit TDateEdit(TComponent* AOwner) : TCustomDateEdit(AOwner) {}
    ~TDateEdit() override;

    TDateTime Date() { return GetDate(); }
    void SetDate(TDateTime Value) { TCustomDateEdit::SetDate(Value); }
};

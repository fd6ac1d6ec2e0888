#pragma once

// The maker's edits and cells: number, currency and integer edits that
// show a plain number while focused and a formatted one otherwise
// (YLDCompn.cpp), the combo edit with a button of its own
// (YLDCompnCombo.cpp), the selectable cell grid and the tiling image
// (YLDCompnBevel.cpp), and the string holder that keeps lines in the
// component stream (YLDCompnStrHolder.cpp).

#include "common/ToolEdit.h"

#include "platform/classes/Component.h"
#include "platform/classes/Strings.h"
#include "platform/gui/Buttons.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/Mask.h"
#include "platform/rtl/Currency.h"
#include "platform/rtl/Types.h"

#include <memory>

class TStrings;
class TStringList;

// ---- combo edit ------------------------------------------------------------------------------------

/// An edit with a button of its own in its right end (a plain speed
/// button). The button raises OnButtonClick, or with a pop-up attached
/// opens and closes it; Alt+Down (ClickKey) does the same. ReadOnly stops
/// it unless AlwaysEnable (on by default); with DirectInput off the text
/// cannot be typed, cut or pasted.
class Tyl_CustomComboEdit : public ButtonEditBase<Tyl_CustomComboEdit> {
    PRICETAGS_CLASS(Tyl_CustomComboEdit, ButtonEditBase<Tyl_CustomComboEdit>)
public:
    /// The button: a plain speed button with a separator in the old look,
    /// whose press closes an open pop-up (swallowing its click).
    class TEditButton : public TSpeedButton {
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

    explicit Tyl_CustomComboEdit(TComponent* AOwner);
    ~Tyl_CustomComboEdit() override;

    TEditButton* Button() const { return FButton; }
    void SetNumGlyphs(int Value);
    /// Ignored when equal or not below the client width.
    void SetButtonWidth(int Value);
    /// Attaches a pop-up (owned by the caller; null for none).
    void SetPopup(TPopupWindow* Value);
    /// The button's handler: the action unless ReadOnly without AlwaysEnable.
    void EditButtonClick();

protected:
    friend class ButtonEditBase<Tyl_CustomComboEdit>;

    void ButtonAction();
    void OpenPopup();
    void ClosePopup(bool Accept);
    void PopupCloseUp(TObject* Sender, bool Accept);
    void RebuildGlyph();
    void UpdateButtonLayout();

    void KeyPress(char& Key) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void WMSize(TWMSize& Message) override;
    void WMKillFocus(TWMKillFocus& Message) override;
    void CMFontChanged(TMessageRecord& Message) override;
    void CMCtl3DChanged(TMessageRecord& Message) override;

private:
    TEditButton* FButton = nullptr;
};

extern template class ButtonEditBase<Tyl_CustomComboEdit>;

class Tyl_ComboEdit : public Tyl_CustomComboEdit {
    PRICETAGS_CLASS(Tyl_ComboEdit, Tyl_CustomComboEdit)
public:
    explicit Tyl_ComboEdit(TComponent* AOwner) : Tyl_CustomComboEdit(AOwner) {}
    ~Tyl_ComboEdit() override;
};

// ---- cell grid and tiled image ----------------------------------------------------------------

enum Tyl_BevelOrientation { boHorizontal, boVertical };
enum Tyl_BevelOption { boSelPressed, boSelShow, boSelRange };
using Tyl_BevelOptions = EnumSet<Tyl_BevelOption>;
using TBv0ChangeEvent = MethodPointer<void(TObject* Sender, int ACol, int ARow)>;

/// Cols x Rows raised or lowered cells with optional captions; the cell
/// under the mouse gets a raised or pressed frame (OnChange), a click
/// selects it (Col, Row; OnChangeSel). Captions run down the columns
/// (boVertical) or along the rows and repeat when there are fewer.
class Tyl_Bevel : public TGraphicControl {
    PRICETAGS_CLASS(Tyl_Bevel, TGraphicControl)
public:
    /// 30 x 20.
    explicit Tyl_Bevel(TComponent* AOwner);
    ~Tyl_Bevel() override;

    /// Cuts the size down to whole cells.
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;

    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);
    bool Flat() const { return FFlat; }
    void SetFlat(bool Value) { FFlat = Value; }
    TBevelStyle Style() const { return FStyle; }
    void SetStyle(TBevelStyle Value);
    TColor SelColor() const { return FSelColor; }
    void SetSelColor(TColor Value);
    int Cols() const { return FCols; }
    /// Refused unless every cell keeps at least 4 pixels.
    void SetCols(int Value);
    int Rows() const { return FRows; }
    void SetRows(int Value);
    /// The selected cell; -1 for none.
    int Col() const { return FCol; }
    void SetCol(int Value);
    int Row() const { return FRow; }
    void SetRow(int Value);
    TStrings* Caps() const;
    void SetCaps(TStrings* Value);
    Tyl_BevelOrientation Orientation() const { return FOrientation; }
    void SetOrientation(Tyl_BevelOrientation Value);
    Tyl_BevelOptions Options() const { return FOptions; }
    void SetOptions(Tyl_BevelOptions Value);

    int CellWidth() const { return FCellW; }
    int CellHeight() const { return FCellH; }
    /// The caption of a cell ('' outside the grid or without captions).
    AnsiString CellCaption(int ACol, int ARow) const;
    /// The cell the mouse was last reported over.
    TPoint LastTracked() const { return {FLastCol, FLastRow}; }

    TBv0ChangeEvent OnChange;
    TBv0ChangeEvent OnChangeSel;

protected:
    void Paint() override;
    void Click() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void CMMouseLeave(TMessageRecord& Message) override;

private:
    void DrawFrame(TCanvas* C, TRect R, int Inset, TColor TopLeft, TColor BottomRight);
    void DrawCaption(TCanvas* C, TRect R, const AnsiString& Text);
    /// Draws the selection on C (null: only the bookkeeping and events).
    void DrawSelection(TCanvas* C);
    void Track(int X, int Y, bool LeftHeld, bool Force);
    /// The canvas to draw on now, or null while the control cannot draw.
    TCanvas* LiveCanvas();
    TRect CellRectOf(int ACol, int ARow) const;

    TAlignment FAlignment = taCenter;
    bool FFlat = true;
    TBevelStyle FStyle = bsRaised;
    TColor FSelColor = clWindowText;
    int FCols = 1;
    int FRows = 1;
    int FCol = -1;
    int FRow = -1;
    std::unique_ptr<TStringList> FCaps;
    Tyl_BevelOrientation FOrientation = boVertical;
    Tyl_BevelOptions FOptions;
    int FCellH = 0;
    int FCellW = 0;
    int FPrevCol = -1;
    int FPrevRow = -1;
    TRect FHotRect {};
    TRect FRangeRect {};
    TRect FSelRect {};
    int FLastCol = -1;
    int FLastRow = -1;
    bool FMouseInside = false;
};

/// An image that tiles its picture unless Stretch or Center is set.
class Tyl_Image : public TImage {
    PRICETAGS_CLASS(Tyl_Image, TImage)
public:
    explicit Tyl_Image(TComponent* AOwner) : TImage(AOwner) {}
    ~Tyl_Image() override;

protected:
    void Paint() override;

private:
    bool FPainting = false;
};

// ---- numeric edits ----------------------------------------------------------------------------

/// S without every character that occurs in Chars.
[[nodiscard]] AnsiString RemoveChars(const AnsiString& Chars, const AnsiString& S);
/// S repeated Count times ('' for Count < 1).
[[nodiscard]] AnsiString ReplicateStr(const AnsiString& S, int Count);
/// True when S holds only signs, digits, "E"/"e" and the decimal separator
/// and converts to a number (to Currency when CurrencyMode); Value gets it.
bool IsValidFloat(const AnsiString& S, Extended& Value, bool CurrencyMode = false);
/// Text ready for conversion: trailing blanks, blanks and the thousands
/// separator removed; '' becomes "0" and "-" becomes "-0".
[[nodiscard]] AnsiString NormalizeNumText(const AnsiString& Text);

/// A number edit. Focused, it shows the plain number (no thousands
/// separators, no trailing zeros); otherwise it paints the value through
/// DisplayFormat. Typed keys that would not leave a number (or would pass
/// DecimalPlaces) are refused with a beep; Enter and Escape go to the form
/// (its default and cancel buttons), Escape first gives back the text of
/// the last value. MinValue and MaxValue limit the value (both 0: none).
class Tyl_CustomNumEdit : public TCustomMaskEdit {
    PRICETAGS_CLASS(Tyl_CustomNumEdit, TCustomMaskEdit)
public:
    explicit Tyl_CustomNumEdit(TComponent* AOwner);
    ~Tyl_CustomNumEdit() override;

    /// Right-justified at first; changing it remakes the window.
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);
    bool BeepOnError() const { return FBeepOnError; }
    void SetBeepOnError(bool Value) { FBeepOnError = Value; }
    /// Digits after the separator (negative: up to 20).
    int DecimalPlaces() const { return FDecimalPlaces; }
    virtual void SetDecimalPlaces(int Value);
    const AnsiString& DisplayFormat() const { return FDisplayFormat; }
    /// The trimmed format; '' gives the default format back.
    void SetDisplayFormat(const AnsiString& Value);
    Extended MinValue() const { return FMinValue; }
    void SetMinValue(Extended Value);
    Extended MaxValue() const { return FMaxValue; }
    void SetMaxValue(Extended Value);
    /// The value: the text converted first (raises EConvertError for a
    /// text that is no number).
    Extended AsFloat();
    /// Limited by the limits; the text follows.
    void SetAsFloat(Extended Value);
    /// The value limited as MinValue and MaxValue say.
    [[nodiscard]] Extended CheckValue(Extended V) const;
    /// The text the focused edit shows for the value now.
    void Reformat();
    /// The value as the unfocused edit paints it (the edit's own
    /// DisplayText, the text with its password character, stays as well).
    [[nodiscard]] AnsiString DisplayText();
    using TCustomMaskEdit::DisplayText;

protected:
    virtual Extended TextToValue(const AnsiString& Text);
    virtual AnsiString FormatDisplayText(Extended Value);
    virtual AnsiString GetDefaultDisplayFormat();
    virtual bool IsValidChar(char Key);
    /// Value through Format (the runtime's number or money formatting).
    virtual AnsiString FormatWith(const AnsiString& Format, Extended Value);

    void CreateParams(TCreateParams& Params) override;
    void KeyPress(char& Key) override;
    void Paint(HDC DC) override;
    void CMEnter(TMessageRecord& Message) override;
    void CMExit(TMessageRecord& Message) override;
    void CMFontChanged(TMessageRecord& Message) override;
    void WMPaste(TMessage& Message) override;
    void WMLButtonDown(TWMMouse& Message) override;
    void WMLButtonUp(TWMMouse& Message) override;

    std::unique_ptr<TControlCanvas> FCanvas;
    TAlignment FAlignment = taRightJustify;
    bool FFocused = false;
    Extended FValue = 0;
    Extended FMinValue = 0;
    Extended FMaxValue = 0;
    int FDecimalPlaces = 2;
    bool FBeepOnError = true;
    AnsiString FDisplayFormat;

private:
    /// The click in progress brought the focus: unless it drags a part
    /// of the text, the whole number stays selected, as on entering by Tab.
    bool FClickEntered = false;
    /// The text's value when it is a number; false otherwise (no error).
    bool TryTextValue(Extended& Value);
    void Refuse();
    /// The shown value limited again after a limit changed.
    void Relimit();
};

class Tyl_FloatEdit : public Tyl_CustomNumEdit {
    PRICETAGS_CLASS(Tyl_FloatEdit, Tyl_CustomNumEdit)
public:
    explicit Tyl_FloatEdit(TComponent* AOwner);
    ~Tyl_FloatEdit() override;

    Extended Value() { return AsFloat(); }
    void SetValue(Extended V) { SetAsFloat(V); }

protected:
    AnsiString GetDefaultDisplayFormat() override;
};

class Tyl_CurrencyEdit : public Tyl_CustomNumEdit {
    PRICETAGS_CLASS(Tyl_CurrencyEdit, Tyl_CustomNumEdit)
public:
    explicit Tyl_CurrencyEdit(TComponent* AOwner);
    ~Tyl_CurrencyEdit() override;

    Currency Value();
    void SetValue(Currency V);
    /// -1 takes the locale's money decimals, other negatives 2, above 4 is
    /// 4; the display format goes back to the default.
    void SetDecimalPlaces(int Value) override;

protected:
    Extended TextToValue(const AnsiString& Text) override;
    AnsiString GetDefaultDisplayFormat() override;
    bool IsValidChar(char Key) override;
    AnsiString FormatWith(const AnsiString& Format, Extended Value) override;
};

class Tyl_IntegerEdit : public Tyl_CustomNumEdit {
    PRICETAGS_CLASS(Tyl_IntegerEdit, Tyl_CustomNumEdit)
public:
    explicit Tyl_IntegerEdit(TComponent* AOwner);
    ~Tyl_IntegerEdit() override;

    Integer Value();
    void SetValue(Integer V) { SetAsFloat(V); }
    Integer MinValue() const { return static_cast<Integer>(FMinValue); }
    void SetMinValue(Integer V) { Tyl_CustomNumEdit::SetMinValue(V); }
    Integer MaxValue() const { return static_cast<Integer>(FMaxValue); }
    void SetMaxValue(Integer V) { Tyl_CustomNumEdit::SetMaxValue(V); }

protected:
    AnsiString GetDefaultDisplayFormat() override;
    bool IsValidChar(char Key) override;
};

// ---- string holder ----------------------------------------------------------------------------
// Tyl_StrHolder keeps a list of lines inside a form description, under the
// defined property "StrData": a list of the key, then each line combined
// with the key byte by byte (XOR). With an empty key, as in the program's
// own forms, the lines are stored as they are. The combining only hides
// the text from a casual look; it protects nothing.

/// Line combined with Key: byte I (from 1) XOR key byte ((I - 1) mod key
/// length) + 1. An empty key or line gives the line unchanged; applying it
/// twice gives the line back.
[[nodiscard]] AnsiString StrHolderXorLine(const AnsiString& Line, const AnsiString& Key);

class Tyl_StrHolder : public TComponent {
    PRICETAGS_CLASS(Tyl_StrHolder, TComponent)
public:
    explicit Tyl_StrHolder(TComponent* AOwner);
    ~Tyl_StrHolder() override;

    /// From a TStrings: its lines; from a holder: its lines, keeping this
    /// holder's key; anything else as TComponent does.
    void Assign(TPersistent* Source) override;

    int Capacity() const { return FStrings->Capacity(); }
    void SetCapacity(int Value) { FStrings->SetCapacity(Value); }
    TDuplicates Duplicates() const { return FStrings->Duplicates(); }
    void SetDuplicates(TDuplicates Value) { FStrings->SetDuplicates(Value); }
    const AnsiString& KeyString() const { return FKeyString; }
    void SetKeyString(const AnsiString& Value) { FKeyString = Value; }
    /// The lines (owned by the holder).
    TStrings* Strings() const { return FStrings.get(); }
    /// Copies Value's lines into the holder's list.
    void SetStrings(TStrings* Value);

    TNotifyEvent OnChange;
    TNotifyEvent OnChanging;

protected:
    void AssignTo(TPersistent* Dest) override;
    void DefineProperties(TFiler* Filer) override;
    virtual void Changed();
    virtual void Changing();

private:
    void StringsChanged(TObject* Sender);
    void StringsChanging(TObject* Sender);
    /// Whether "StrData" differs from the ancestor's (or holds anything).
    bool StrDataStored(TFiler* Filer) const;
    void ReadStrData(TReader* Reader);
    void WriteStrData(TWriter* Writer);

    std::unique_ptr<TStringList> FStrings;
    AnsiString FKeyString;
};

/// Registers the library's streamable classes with the class registry.
void YLDCompnInitialization();

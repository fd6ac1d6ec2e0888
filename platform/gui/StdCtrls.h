#pragma once

// Standard controls: edits, memos, labels, buttons, check and radio boxes,
// group boxes, list boxes and combo boxes.
//
// Every control here paints itself through its Canvas and keeps its state
// (text, selection, items) in the control, so it behaves the same on every
// display and tests can drive it by messages. The edits answer the EM_
// messages the program sends; text is CP1251, positions are 0-based byte
// offsets as the window system gives them.
//
// An edit whose text changes (typing or setting Text) sends WM_COMMAND with
// EN_CHANGE and its window handle to its parent, then calls Change
// (OnChange).

#include "platform/classes/Events.h"
#include "platform/gui/Controls.h"
#include "platform/gui/Forms.h"
#include "platform/gui/Graphics.h"
#include "platform/rtl/AnsiString.h"

#include <memory>
#include <vector>

class TStrings;
class TStringList;

enum TAlignment { taLeftJustify, taRightJustify, taCenter };
using TLeftRight = TAlignment;
enum TTextLayout { tlTop, tlCenter, tlBottom };
enum TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };
enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
using TBorderStyle = TFormBorderStyle;
PTypeInfo TypeInfoOf(const TAlignment*);

// ---- edits ----------------------------------------------------------------------------

/// A single-line edit (multi-line in TCustomMemo). The formatting rectangle
/// is where the text is drawn (EM_SETRECT/EM_SETRECTNP); margins
/// (EM_SETMARGINS) shrink it further. ES_LEFT/ES_RIGHT/ES_CENTER in the
/// window style align the text.
class TCustomEdit : public TWinControl {
    PRICETAGS_CLASS(TCustomEdit, TWinControl)
public:
    explicit TCustomEdit(TComponent* AOwner);
    ~TCustomEdit() override;

    bool AutoSelect() const { return FAutoSelect; }
    void SetAutoSelect(bool Value) { FAutoSelect = Value; }
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool Value);
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle Value);
    TEditCharCase CharCase() const { return FCharCase; }
    void SetCharCase(TEditCharCase Value);
    bool HideSelection() const { return FHideSelection; }
    void SetHideSelection(bool Value);
    /// Longest text the user may type (0: no limit); text set by the
    /// program is not cut.
    int MaxLength() const { return FMaxLength; }
    virtual void SetMaxLength(int Value);
    /// Whether the user changed the text since it was last set by the program.
    bool Modified() const { return FModified; }
    void SetModified(bool Value) { FModified = Value; }
    /// Shown for every character when not #0; the text itself is kept.
    char PasswordChar() const { return FPasswordChar; }
    void SetPasswordChar(char Value);
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool Value);

    int SelStart() const { return FSelStart; }
    void SetSelStart(int Value);
    int SelLength() const { return FSelLength; }
    void SetSelLength(int Value);
    AnsiString SelText() const;
    /// Replaces the selection by Value (the caret after it).
    void SetSelText(const AnsiString& Value);
    void SelectAll();
    void ClearSelection();
    void Clear();
    void CopyToClipboard();
    void CutToClipboard();
    void PasteFromClipboard();
    void Undo();
    bool CanUndo() const { return FUndoValid; }
    int GetTextLen() const { return Text().Length(); }

    TNotifyEvent OnChange;

protected:
    void CreateParams(TCreateParams& Params) override;
    void Dispatch(TMessage& Message) override;
    /// Fires OnChange.
    virtual void Change();
    /// Sends EN_CHANGE to the parent and calls Change; the in-place editor
    /// of a grid leaves out Change.
    virtual void NotifyChanged();
    /// The text rectangle: the formatting rectangle less the margins.
    TRect TextRect();
    /// Pixel x of byte offset Pos in the text rectangle (scroll applied).
    int PosToX(int Pos);
    /// Byte offset nearest to pixel x.
    int XToPos(int X);
    /// What the edit shows for its text (PasswordChar applied).
    virtual AnsiString DisplayText() const;
    /// Replaces the whole text as the user did it (Modified, undo, EN_CHANGE).
    void UserSetText(const AnsiString& Value, int CaretPos);
    /// The text after a user edit would make it exceed MaxLength.
    bool ExceedsMaxLength(int Added) const;
    virtual void Paint(HDC DC);
    void PaintWindow(HDC DC) override;
    /// Scrolls so that the caret shows.
    virtual void MakeCaretVisible();
    /// Text alignment from the window style.
    TAlignment StyleAlignment();

    /// The edit's own key handling (what the window system does when no
    /// handler consumed the key).
    virtual void EditKeyDown(Word Key, TShiftState Shift);
    virtual void EditChar(char Key);

    void WMKeyDown(TWMKey& Message) override;
    void WMChar(TWMKey& Message) override;
    void WMGetDlgCode(TMessageRecord& Message) override;
    void WMSetFocus(TWMSetFocus& Message) override;
    void WMKillFocus(TWMKillFocus& Message) override;
    void WMLButtonDown(TWMMouse& Message) override;
    void WMLButtonDblClk(TWMMouse& Message) override;
    void WMMouseMove(TWMMouse& Message) override;
    void WMLButtonUp(TWMMouse& Message) override;
    void WMSize(TWMSize& Message) override;
    void CMTextChanged(TMessageRecord& Message) override;
    void CMEnter(TMessageRecord& Message) override;
    void CMFontChanged(TMessageRecord& Message) override;
    virtual void WMCut(TMessage& Message);
    virtual void WMCopy(TMessage& Message);
    virtual void WMPaste(TMessage& Message);
    virtual void WMClear(TMessage& Message);
    virtual void WMUndo(TMessage& Message);
    /// Whether the user may change the text now (not read-only).
    virtual bool EditCanModify();

    bool FAutoSelect = true;
    bool FAutoSize = true;
    TBorderStyle FBorderStyle = bsSingle;
    TEditCharCase FCharCase = ecNormal;
    bool FHideSelection = true;
    int FMaxLength = 0;
    bool FModified = false;
    char FPasswordChar = 0;
    bool FReadOnly = false;
    int FSelStart = 0;
    int FSelLength = 0;
    /// Caret end of the selection (the other end is the anchor).
    bool FCaretAtStart = false;
    int FScrollX = 0;
    int FLeftMargin = 0;
    int FRightMargin = 0;
    bool FFormatRectSet = false;
    TRect FFormatRect;
    AnsiString FUndoText;
    bool FUndoValid = false;
    bool FMouseSelecting = false;
    int FMouseAnchor = 0;
    bool FInternalSet = false;
    bool FCaretShown = false;
};

class TEdit : public TCustomEdit {
    PRICETAGS_CLASS(TEdit, TCustomEdit)
public:
    explicit TEdit(TComponent* AOwner) : TCustomEdit(AOwner) {}
    ~TEdit() override;
};

// ---- labels --------------------------------------------------------------------------------

/// A caption drawn on the parent. AutoSize fits the bounds to the text
/// (keeping the width with WordWrap); "&x" marks an accelerator that
/// focuses FocusControl unless ShowAccelChar is off.
class TCustomLabel : public TGraphicControl {
    PRICETAGS_CLASS(TCustomLabel, TGraphicControl)
public:
    explicit TCustomLabel(TComponent* AOwner);
    ~TCustomLabel() override;

    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);
    bool AutoSize() const { return FAutoSize; }
    virtual void SetAutoSize(bool Value);
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool Value);
    TTextLayout Layout() const { return FLayout; }
    void SetLayout(TTextLayout Value);
    TWinControl* FocusControl() const { return FFocusControl; }
    /// The control the accelerator focuses (a free notification clears it).
    void SetFocusControl(TWinControl* Value);
    bool ShowAccelChar() const { return FShowAccelChar; }
    void SetShowAccelChar(bool Value);
    bool Transparent() const { return !FControlStyle.Contains(csOpaque); }
    void SetTransparent(bool Value);

protected:
    /// The text drawn (the caption).
    virtual AnsiString GetLabelText();
    /// Draws (or with DT_CALCRECT measures) the text into Rect.
    virtual void DoDrawText(TRect& Rect, UINT Flags);
    /// Fits the bounds to the text when AutoSize is on.
    virtual void AdjustBounds();
    void Paint() override;
    void Loaded() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void CMTextChanged(TMessageRecord& Message) override;
    void CMFontChanged(TMessageRecord& Message) override;
    void Dispatch(TMessage& Message) override;

    TAlignment FAlignment = taLeftJustify;
    bool FAutoSize = true;
    bool FWordWrap = false;
    TTextLayout FLayout = tlTop;
    TWinControl* FFocusControl = nullptr;
    bool FShowAccelChar = true;
};

class TLabel : public TCustomLabel {
    PRICETAGS_CLASS(TLabel, TCustomLabel)
public:
    explicit TLabel(TComponent* AOwner) : TCustomLabel(AOwner) {}
    ~TLabel() override;
};

// ---- buttons ------------------------------------------------------------------------------

/// Base of push buttons, check boxes and radio buttons.
class TButtonControl : public TWinControl {
    PRICETAGS_CLASS(TButtonControl, TWinControl)
public:
    explicit TButtonControl(TComponent* AOwner);
    ~TButtonControl() override;

    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool Value) { FWordWrap = Value; Invalidate(); }

protected:
    void WMGetDlgCode(TMessageRecord& Message) override;
    void WMKeyDown(TWMKey& Message) override;
    void WMKeyUp(TWMKey& Message) override;
    void WMSetFocus(TWMSetFocus& Message) override;
    void WMKillFocus(TWMKillFocus& Message) override;
    void WMLButtonDown(TWMMouse& Message) override;
    void WMLButtonUp(TWMMouse& Message) override;
    void WMMouseMove(TWMMouse& Message) override;
    void CMDialogChar(TCMDialogChar& Message) override;
    void CMTextChanged(TMessageRecord& Message) override;
    void CMEnabledChanged(TMessageRecord& Message) override;
    void PaintWindow(HDC DC) override;
    /// Draws the control into DC (client coordinates).
    virtual void PaintButton(TCanvas& Canvas) = 0;
    /// What pressing (Space, click) does.
    virtual void Press() { Click(); }

    bool FWordWrap = false;
    bool FPressed = false;
    bool FSpaceDown = false;
};

/// A push button. The focused button answers Enter, and a default button
/// too while no other button has the focus; cancel buttons answer Escape
/// anywhere on their form; a ModalResult is given to the form on a click.
class TButton : public TButtonControl {
    PRICETAGS_CLASS(TButton, TButtonControl)
public:
    explicit TButton(TComponent* AOwner);
    ~TButton() override;

    bool Default() const { return FDefault; }
    void SetDefault(bool Value);
    bool Cancel() const { return FCancel; }
    void SetCancel(bool Value) { FCancel = Value; }
    TModalResult ModalResult() const { return FModalResult; }
    void SetModalResult(TModalResult Value) { FModalResult = Value; }
    void Click() override;
    /// Whether Enter presses this button now (and it shows the dark frame).
    [[nodiscard]] bool Active();

protected:
    void CMDialogKey(TCMDialogKey& Message) override;
    void PaintButton(TCanvas& Canvas) override;
    /// Draws the face and the caption (TBitBtn adds its glyph).
    virtual void DrawButtonFace(TCanvas& Canvas, const TRect& R, bool Down);

    bool FDefault = false;
    bool FCancel = false;
    TModalResult FModalResult = mrNone;
};

enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };

class TCustomCheckBox : public TButtonControl {
    PRICETAGS_CLASS(TCustomCheckBox, TButtonControl)
public:
    explicit TCustomCheckBox(TComponent* AOwner);
    ~TCustomCheckBox() override;

    bool Checked() const { return FState == cbChecked; }
    void SetChecked(bool Value) { SetState(Value ? cbChecked : cbUnchecked); }
    TCheckBoxState State() const { return FState; }
    /// Changes the state; a change fires OnClick, as a click would.
    void SetState(TCheckBoxState Value);
    bool AllowGrayed() const { return FAllowGrayed; }
    void SetAllowGrayed(bool Value) { FAllowGrayed = Value; }
    TLeftRight Alignment() const { return FAlignment; }
    void SetAlignment(TLeftRight Value) { FAlignment = Value; Invalidate(); }

protected:
    void Press() override;
    void PaintButton(TCanvas& Canvas) override;
    /// DFCS_ kind of the box (check box or radio button).
    virtual UINT BoxKind() const { return DFCS_BUTTONCHECK; }

    TCheckBoxState FState = cbUnchecked;
    bool FAllowGrayed = false;
    TLeftRight FAlignment = taRightJustify;
};

class TCheckBox : public TCustomCheckBox {
    PRICETAGS_CLASS(TCheckBox, TCustomCheckBox)
public:
    explicit TCheckBox(TComponent* AOwner) : TCustomCheckBox(AOwner) {}
    ~TCheckBox() override;
};

/// Checking a radio button unchecks the other radio buttons of its parent.
class TRadioButton : public TCustomCheckBox {
    PRICETAGS_CLASS(TRadioButton, TCustomCheckBox)
public:
    explicit TRadioButton(TComponent* AOwner);
    ~TRadioButton() override;

    void SetChecked(bool Value);

protected:
    void Press() override;
    UINT BoxKind() const override { return DFCS_BUTTONRADIO; }
};

/// A captioned frame around other controls.
class TCustomGroupBox : public TCustomControl {
    PRICETAGS_CLASS(TCustomGroupBox, TCustomControl)
public:
    explicit TCustomGroupBox(TComponent* AOwner);
    ~TCustomGroupBox() override;

protected:
    void AdjustClientRect(TRect& Rect) override;
    void Paint() override;
    void CMTextChanged(TMessageRecord& Message) override;
};

class TGroupBox : public TCustomGroupBox {
    PRICETAGS_CLASS(TGroupBox, TCustomGroupBox)
public:
    explicit TGroupBox(TComponent* AOwner) : TCustomGroupBox(AOwner) {}
    ~TGroupBox() override;
};

// ---- lists -----------------------------------------------------------------------------------

enum TListBoxStyle { lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable, lbVirtual, lbVirtualOwnerDraw };
enum TOwnerDrawStateItem { odSelected, odGrayed, odDisabled, odChecked, odFocused, odDefault, odComboBoxEdit };
using TOwnerDrawState = EnumSet<TOwnerDrawStateItem>;
using TDrawItemEvent = MethodPointer<void(TWinControl* Control, int Index, TRect Rect, TOwnerDrawState State)>;

/// A scrolled list of strings with one item selected (ItemIndex, -1 for
/// none). Owner-drawn lists draw their items through OnDrawItem. Answers
/// LB_GETCURSEL, LB_SETCURSEL and LB_SELECTSTRING (first item starting
/// with the text, case ignored, after the start index).
class TCustomListBox : public TWinControl {
    PRICETAGS_CLASS(TCustomListBox, TWinControl)
public:
    explicit TCustomListBox(TComponent* AOwner);
    ~TCustomListBox() override;

    TStrings* Items() const;
    void SetItems(TStrings* Value);
    int ItemIndex() const { return FItemIndex; }
    /// Selects an item (-1: none) and shows it; out-of-range values give -1.
    void SetItemIndex(int Value);
    int ItemHeight() const { return FItemHeight; }
    void SetItemHeight(int Value);
    int TopIndex() const { return FTopIndex; }
    void SetTopIndex(int Value);
    TListBoxStyle Style() const { return FStyle; }
    void SetStyle(TListBoxStyle Value) { FStyle = Value; Invalidate(); }
    bool IntegralHeight() const { return FIntegralHeight; }
    void SetIntegralHeight(bool Value) { FIntegralHeight = Value; }
    bool Sorted() const { return FSorted; }
    void SetSorted(bool Value);
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle Value);
    TCanvas* Canvas() const { return FCanvas.get(); }
    /// Index of the item at a client point; -1 when none.
    int ItemAtPos(const TPoint& Pos, bool Existing);
    TRect ItemRect(int Index);
    void Clear();
    /// Items that fit in the client height.
    int VisibleItemCount();

    TNotifyEvent OnChange;
    TDrawItemEvent OnDrawItem;

protected:
    void CreateParams(TCreateParams& Params) override;
    void Dispatch(TMessage& Message) override;
    void PaintWindow(HDC DC) override;
    virtual void DrawItem(int Index, TRect Rect, TOwnerDrawState State);
    void KeyDown(Word& Key, TShiftState Shift) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    bool DoMouseWheelDown(TShiftState Shift, TPoint MousePos) override;
    bool DoMouseWheelUp(TShiftState Shift, TPoint MousePos) override;
    void WMGetDlgCode(TMessageRecord& Message) override;
    /// The user moved the selection: ItemIndex changed, OnClick follows.
    void UserSelect(int Index);
    void ItemsChanged(TObject* Sender);
    void MakeVisible(int Index);
    void CreateWnd() override;
    void WMSize(TWMSize& Message) override;
    void WMVScroll(TWMScroll& Message) override;
    /// Shows the vertical bar while the items do not fit, in step with TopIndex.
    void UpdateScrollBar();

    std::unique_ptr<TStringList> FItems;
    std::unique_ptr<TControlCanvas> FCanvas;
    int FItemIndex = -1;
    int FItemHeight = 13;
    int FTopIndex = 0;
    TListBoxStyle FStyle = lbStandard;
    bool FIntegralHeight = false;
    bool FSorted = false;
    TBorderStyle FBorderStyle = bsSingle;
};

class TListBox : public TCustomListBox {
    PRICETAGS_CLASS(TListBox, TCustomListBox)
public:
    explicit TListBox(TComponent* AOwner) : TCustomListBox(AOwner) {}
    ~TListBox() override;
};

enum TComboBoxStyle { csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable };

/// A combo box: an edit (csDropDown) or a fixed text (csDropDownList and
/// the owner-drawn styles) with a list that drops down below it
/// (DropDownCount rows). Alt+Down or F4 opens the list, Enter picks, Escape
/// closes; arrows step through the items while it is closed.
class TCustomComboBox : public TWinControl {
    PRICETAGS_CLASS(TCustomComboBox, TWinControl)
public:
    explicit TCustomComboBox(TComponent* AOwner);
    ~TCustomComboBox() override;

    TStrings* Items() const;
    void SetItems(TStrings* Value);
    int ItemIndex() const { return FItemIndex; }
    void SetItemIndex(int Value);
    TComboBoxStyle Style() const { return FStyle; }
    void SetStyle(TComboBoxStyle Value);
    int DropDownCount() const { return FDropDownCount; }
    void SetDropDownCount(int Value) { FDropDownCount = Value; }
    int ItemHeight() const { return FItemHeight; }
    void SetItemHeight(int Value) { FItemHeight = Value; }
    bool Sorted() const { return FSorted; }
    void SetSorted(bool Value);
    int MaxLength() const { return FMaxLength; }
    void SetMaxLength(int Value) { FMaxLength = Value; }
    bool DroppedDown() const { return FDroppedDown; }
    void SetDroppedDown(bool Value);
    TCanvas* Canvas() const { return FCanvas.get(); }
    /// The drop-down list's rectangle below the box (client pixels of the box).
    TRect DropDownRect();
    /// The list window shown while the box is dropped down (null before
    /// the first drop-down). A click on one of its items picks that item.
    TCustomListBox* DropDownList() const { return FList; }
    void Clear();
    void SelectAll();

    TNotifyEvent OnChange;
    TNotifyEvent OnDropDown;
    TNotifyEvent OnCloseUp;
    TNotifyEvent OnSelect;
    TDrawItemEvent OnDrawItem;

protected:
    void Dispatch(TMessage& Message) override;
    void PaintWindow(HDC DC) override;
    virtual void DrawItem(int Index, TRect Rect, TOwnerDrawState State);
    virtual void Change();
    virtual void Select();
    virtual void DropDown();
    virtual void CloseUp();
    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyPress(char& Key) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    /// The wheel scrolls the list while it is down.
    bool DoMouseWheelDown(TShiftState Shift, TPoint MousePos) override;
    bool DoMouseWheelUp(TShiftState Shift, TPoint MousePos) override;
    void WMGetDlgCode(TMessageRecord& Message) override;
    void WMKillFocus(TWMKillFocus& Message) override;
    void CMTextChanged(TMessageRecord& Message) override;
    void CMCancelMode(TMessageRecord& Message) override;
    /// The user picked Index (keys or the list): text, OnChange, OnSelect.
    void UserSelect(int Index);
    void ItemsChanged(TObject* Sender);
    bool EditStyle() const { return FStyle == csDropDown || FStyle == csSimple; }

    std::unique_ptr<TStringList> FItems;
    std::unique_ptr<TControlCanvas> FCanvas;
    int FItemIndex = -1;
    TComboBoxStyle FStyle = csDropDown;
    int FDropDownCount = 8;
    int FItemHeight = 13;
    bool FSorted = false;
    int FMaxLength = 0;
    bool FDroppedDown = false;
    int FListIndex = -1;
    bool FSettingText = false;

private:
    friend class TComboDropList;
    /// Shows the list window under the box (above it near the screen's
    /// bottom), or hides it.
    void ShowList(bool Show);
    /// The list's item under the mouse was clicked (-1: outside the items).
    void ListClicked(int Index);

    TCustomListBox* FList = nullptr;
};

class TComboBox : public TCustomComboBox {
    PRICETAGS_CLASS(TComboBox, TCustomComboBox)
public:
    explicit TComboBox(TComponent* AOwner) : TCustomComboBox(AOwner) {}
    ~TComboBox() override;
};

// ---- scroll bar -------------------------------------------------------------------------------

enum TScrollCode { scLineUp, scLineDown, scPageUp, scPageDown, scPosition, scTrack, scTop, scBottom, scEndScroll };
using TScrollEvent = MethodPointer<void(TObject* Sender, TScrollCode ScrollCode, int& ScrollPos)>;

/// A scroll bar as a control of its own. Position runs from Min to Max
/// less PageSize (plus one); arrows step SmallChange, the track
/// LargeChange, the thumb drags (OnScroll with scTrack while it moves), the
/// wheel steps three SmallChanges, and the arrow, page, Home and End keys
/// work while it has the focus. OnScroll may change the position it is
/// given; OnChange follows every change of Position.
class TScrollBar : public TWinControl {
    PRICETAGS_CLASS(TScrollBar, TWinControl)
public:
    explicit TScrollBar(TComponent* AOwner);
    ~TScrollBar() override;

    TScrollBarKind Kind() const { return FKind; }
    /// Turning the bar swaps its width and height.
    void SetKind(TScrollBarKind Value);
    int Min() const { return FMin; }
    void SetMin(int Value) { SetParams(FPosition, Value, FMax); }
    int Max() const { return FMax; }
    void SetMax(int Value) { SetParams(FPosition, FMin, Value); }
    int Position() const { return FPosition; }
    void SetPosition(int Value) { SetParams(Value, FMin, FMax); }
    /// Raises EInvalidOperation "Scroll bar property out of range" when
    /// Max is below Min.
    void SetParams(int APosition, int AMin, int AMax);
    int PageSize() const { return FPageSize; }
    /// Raises EInvalidOperation "Scroll bar property out of range" outside
    /// 0..Max-Min+1.
    void SetPageSize(int Value);
    int SmallChange() const { return FSmallChange; }
    void SetSmallChange(int Value) { FSmallChange = Value; }
    int LargeChange() const { return FLargeChange; }
    void SetLargeChange(int Value) { FLargeChange = Value; }

    TNotifyEvent OnChange;
    TScrollEvent OnScroll;

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void PaintWindow(HDC DC) override;
    void Dispatch(TMessage& Message) override;
    void KeyDown(Word& Key, TShiftState Shift) override;
    bool DoMouseWheelDown(TShiftState Shift, TPoint MousePos) override;
    bool DoMouseWheelUp(TShiftState Shift, TPoint MousePos) override;
    void WMGetDlgCode(TMessageRecord& Message) override;
    virtual void Change();
    virtual void Scroll(TScrollCode ScrollCode, int& ScrollPos);
    /// A scroll code from the bar (reflected from the parent's message).
    void DoScroll(TWMScroll& Message);
    /// Sends a scroll code the way a click on the bar does.
    void SendCode(int Code);
    void UpdateBar();

    TScrollBarKind FKind = sbHorizontal;
    int FMin = 0;
    int FMax = 100;
    int FPosition = 0;
    int FPageSize = 0;
    int FSmallChange = 1;
    int FLargeChange = 1;
};

// ---- memo ---------------------------------------------------------------------------------------

/// A multi-line edit over Lines (CR LF between lines in Text).
class TCustomMemo : public TCustomEdit {
    PRICETAGS_CLASS(TCustomMemo, TCustomEdit)
public:
    explicit TCustomMemo(TComponent* AOwner);
    ~TCustomMemo() override;

    /// The lines of the text; changing them changes the text.
    TStrings* Lines();
    void SetLines(TStrings* Value);
    /// The bars the memo may show; each shows only while the lines do not
    /// fit (the horizontal one never while WordWrap is on).
    TScrollStyle ScrollBars() const { return FScrollBars; }
    void SetScrollBars(TScrollStyle Value);
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool Value);
    bool WantReturns() const { return FWantReturns; }
    void SetWantReturns(bool Value) { FWantReturns = Value; }
    bool WantTabs() const { return FWantTabs; }
    void SetWantTabs(bool Value) { FWantTabs = Value; }
    /// Caret line and column (0-based).
    TPoint CaretPos();
    /// The first line shown.
    int TopLine() const { return FTopLine; }
    /// Pixels the lines are scrolled to the left.
    int HorzPos() const { return FHorzPos; }

protected:
    void CreateParams(TCreateParams& Params) override;
    void Dispatch(TMessage& Message) override;
    void Paint(HDC DC) override;
    void EditKeyDown(Word Key, TShiftState Shift) override;
    void EditChar(char Key) override;
    void WMGetDlgCode(TMessageRecord& Message) override;
    void WMPaste(TMessage& Message) override;
    void CMTextChanged(TMessageRecord& Message) override;
    void LinesChanged(TObject* Sender);
    /// Start offset of line Line in the text.
    int LineStart(int Line);
    void CreateWnd() override;
    void WMSize(TWMSize& Message) override;
    void WMVScroll(TWMScroll& Message) override;
    void WMHScroll(TWMScroll& Message) override;
    bool DoMouseWheelDown(TShiftState Shift, TPoint MousePos) override;
    bool DoMouseWheelUp(TShiftState Shift, TPoint MousePos) override;
    void MakeCaretVisible() override;
    /// Whole lines that fit in the text rectangle.
    int LinesShown();
    /// Shows line TopLine first, scrolled HorzPos pixels left (both held
    /// in range), and moves the bars along.
    void ScrollTo(int TopLine, int HorzPos);
    void UpdateScrollBars();

    std::unique_ptr<TStringList> FLines;
    TScrollStyle FScrollBars = ssNone;
    bool FWordWrap = true;
    bool FWantReturns = true;
    bool FWantTabs = false;
    int FTopLine = 0;
    int FHorzPos = 0;
    bool FSyncing = false;
    bool FSyncingBars = false;
};

class TMemo : public TCustomMemo {
    PRICETAGS_CLASS(TMemo, TCustomMemo)
public:
    explicit TMemo(TComponent* AOwner) : TCustomMemo(AOwner) {}
    ~TMemo() override;
};

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
    void MakeCaretVisible();
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

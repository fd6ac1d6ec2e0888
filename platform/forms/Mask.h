#pragma once

// The masked edit: an edit whose text follows an edit mask (MaskUtils.h).
// Its edit text is what it shows (literals and blank characters); Text is
// the value the program reads and writes. Typed characters overwrite the
// positions of the mask, refused ones beep; Escape undoes the changes made
// since the edit got the focus; leaving a changed edit whose required
// positions are not all filled raises EDBEditError and keeps the focus.
// Without a mask it is an ordinary edit.

#include "platform/forms/MaskUtils.h"
#include "platform/forms/StdCtrls.h"
#include "platform/rtl/Exceptions.h"

PRICETAGS_EXCEPTION(EDBEditError, Exception);

/// "Invalid input value.  Use escape key to abandon changes".
extern const char* const SMaskEditErr;

class TCustomMaskEdit : public TCustomEdit {
    PRICETAGS_CLASS(TCustomMaskEdit, TCustomEdit)
public:
    explicit TCustomMaskEdit(TComponent* AOwner);
    ~TCustomMaskEdit() override;

    const AnsiString& EditMask() const { return FEditMask; }
    /// Sets the mask; the current text is kept as far as the mask takes it.
    void SetEditMask(const AnsiString& Value);
    bool IsMasked() const { return FMask.IsMasked(); }
    const MaskLayout& Mask() const { return FMask; }
    /// What the edit shows; setting it replaces the shown text position by
    /// position (a text of the wrong length is fitted to the mask).
    AnsiString EditText() const { return FText; }
    void SetEditText(const AnsiString& Value);
    /// Raises EDBEditError (SMaskEditErr) and puts the caret on the first
    /// unfilled required position when the text is incomplete.
    virtual void ValidateEdit();
    /// Gives back the text the edit had when it got the focus.
    void Reset();

protected:
    AnsiString GetText() const override;
    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyPress(char& Key) override;
    void CMTextChanged(TMessageRecord& Message) override;
    void CMEnter(TMessageRecord& Message) override;
    void CMExit(TMessageRecord& Message) override;
    void WMCut(TMessage& Message) override;
    void WMPaste(TMessage& Message) override;
    void WMClear(TMessage& Message) override;
    void WMUndo(TMessage& Message) override;
    /// Applies a typing step's result as a user edit.
    void ApplyState(const MaskEditState& State);
    MaskEditState CurrentState() const;

    AnsiString FEditMask;
    MaskLayout FMask;
    AnsiString FOldValue;
};

class TMaskEdit : public TCustomMaskEdit {
    PRICETAGS_CLASS(TMaskEdit, TCustomMaskEdit)
public:
    explicit TMaskEdit(TComponent* AOwner) : TCustomMaskEdit(AOwner) {}
    ~TMaskEdit() override;
};

#include "platform/forms/Mask.h"

#include "platform/forms/Clipbrd.h"
#include "platform/forms/StdPrivate.h"

const char* const SMaskEditErr = "Invalid input value.  Use escape key to abandon changes";

PRICETAGS_DEFINE_CLASS(TCustomMaskEdit)

PRICETAGS_DEFINE_CLASS(TMaskEdit)

TMaskEdit::~TMaskEdit() = default;

namespace {

/// Value fitted to the mask position by position: literals from the mask,
/// characters the position refuses shown as blanks.
AnsiString FitEditText(const MaskLayout& Mask, const AnsiString& Value)
{
    AnsiString S = Mask.EmptyEditText();
    for (int Pos = 0; Pos < Mask.Length() && Pos < Value.Length(); ++Pos) {
        char C = Value[Pos + 1];
        if (!Mask.IsLiteral(Pos) && C != Mask.Blank() && Mask.Accepts(Pos, C))
            S[Pos + 1] = C;
    }
    return S;
}

} // namespace

TCustomMaskEdit::TCustomMaskEdit(TComponent* AOwner) : TCustomEdit(AOwner) {}

TCustomMaskEdit::~TCustomMaskEdit() = default;

void TCustomMaskEdit::SetEditMask(const AnsiString& Value)
{
    if (Value == FEditMask)
        return;
    const AnsiString OldText = Text();
    FEditMask = Value;
    FMask = MaskLayout(Value);
    SetMaxLength(FMask.IsMasked() ? FMask.Length() : 0);
    SetText(OldText);
}

AnsiString TCustomMaskEdit::GetText() const
{
    return FMask.IsMasked() ? FMask.TextOf(FText) : FText;
}

void TCustomMaskEdit::SetEditText(const AnsiString& Value)
{
    if (!FMask.IsMasked()) {
        SetText(Value);
        return;
    }
    // Text() of the fitted edit text gives it back unchanged through
    // CMTextChanged.
    SetText(FMask.TextOf(FitEditText(FMask, Value)));
}

void TCustomMaskEdit::CMTextChanged(TMessageRecord& Message)
{
    if (FMask.IsMasked() && !FInternalSet)
        FText = FMask.EditTextOf(FText);
    inherited::CMTextChanged(Message);
}

MaskEditState TCustomMaskEdit::CurrentState() const
{
    return MaskEditState{FText, FSelStart, FSelLength};
}

void TCustomMaskEdit::ApplyState(const MaskEditState& State)
{
    if (State.EditText != FText) {
        UserSetText(State.EditText, State.SelStart);
    } else {
        FSelStart = State.SelStart;
        FSelLength = 0;
        FCaretAtStart = false;
        MakeCaretVisible();
        Invalidate();
    }
}

void TCustomMaskEdit::KeyDown(Word& Key, TShiftState Shift)
{
    inherited::KeyDown(Key, Shift);
    if (!FMask.IsMasked() || Key == 0)
        return;
    if (Key == VK_DELETE && !Shift.Contains(ssShift)) {
        if (EditCanModify()) {
            MaskEditState S = CurrentState();
            if (MaskDelete(FMask, S))
                ApplyState(S);
        }
        Key = 0;
    }
}

void TCustomMaskEdit::KeyPress(char& Key)
{
    inherited::KeyPress(Key);
    if (!FMask.IsMasked() || Key == 0)
        return;
    const auto B = static_cast<unsigned char>(Key);
    if (B == VK_ESCAPE) {
        if (FModified) {
            Reset();
            Key = 0;
        }
        return;
    }
    if (B == VK_BACK) {
        if (EditCanModify()) {
            MaskEditState S = CurrentState();
            if (MaskBackspace(FMask, S))
                ApplyState(S);
        }
        Key = 0;
        return;
    }
    if (B < 0x20)
        return; // Enter, Tab and the clipboard keys go on
    if (!EditCanModify()) {
        Key = 0;
        return;
    }
    MaskEditState S = CurrentState();
    if (MaskTypeChar(FMask, S, Key))
        ApplyState(S);
    else
        MessageBeep(0);
    Key = 0;
}

void TCustomMaskEdit::Reset()
{
    if (!FModified)
        return;
    FInternalSet = true;
    FText = FOldValue;
    TMessage M;
    M.Msg = CM_TEXTCHANGED;
    Dispatch(M);
    FInternalSet = false;
    FModified = false;
    SelectAll();
    NotifyChanged();
}

void TCustomMaskEdit::ValidateEdit()
{
    int Missing = -1;
    if (!FMask.IsMasked() || !FModified || FMask.IsComplete(FText, Missing))
        return;
    FSelStart = Missing;
    FSelLength = 0;
    Invalidate();
    MessageBeep(0);
    throw EDBEditError(SMaskEditErr);
}

void TCustomMaskEdit::CMEnter(TMessageRecord& Message)
{
    FOldValue = FText;
    inherited::CMEnter(Message);
}

void TCustomMaskEdit::CMExit(TMessageRecord& Message)
{
    try {
        ValidateEdit();
    } catch (const EDBEditError&) {
        if (CanFocus())
            SetFocus();
        throw;
    }
    inherited::CMExit(Message);
}

void TCustomMaskEdit::WMCut(TMessage& Message)
{
    if (!FMask.IsMasked()) {
        inherited::WMCut(Message);
        return;
    }
    CopyToClipboard();
    WMClear(Message);
}

void TCustomMaskEdit::WMClear(TMessage& Message)
{
    if (!FMask.IsMasked()) {
        inherited::WMClear(Message);
        return;
    }
    if (!EditCanModify() || FSelLength == 0)
        return;
    MaskEditState S = CurrentState();
    MaskClearSelection(FMask, S);
    ApplyState(S);
}

void TCustomMaskEdit::WMPaste(TMessage& Message)
{
    if (!FMask.IsMasked()) {
        inherited::WMPaste(Message);
        return;
    }
    if (!EditCanModify())
        return;
    MaskEditState S = CurrentState();
    if (MaskPaste(FMask, S, Clipboard()->AsText()))
        ApplyState(S);
    else
        MessageBeep(0);
}

void TCustomMaskEdit::WMUndo(TMessage& Message)
{
    if (!FMask.IsMasked()) {
        inherited::WMUndo(Message);
        return;
    }
    Reset();
}

#pragma once

// The members of ButtonEditBase (ToolEdit.h), made once for each edit in
// its own .cpp: ToolEdit.cpp for TCustomComboEdit, YLDCompnCombo.cpp for
// Tyl_CustomComboEdit (not a public header).

#include "common/components/ToolEdit.h"

#include "platform/winapi/Messages.h"

/// The plain window that holds an edit's button.
class ButtonEditHolder : public TWinControl {
public:
    explicit ButtonEditHolder(TComponent* AOwner) : TWinControl(AOwner)
    {
        SetControlStyle(ControlStyle() + TControlStyle{csReplicatable});
    }
};

template <class TEdit>
ButtonEditBase<TEdit>::ButtonEditBase(TComponent* AOwner) : TCustomMaskEdit(AOwner)
{
    SetAutoSize(false);
    FBtnControl = new ButtonEditHolder(this);
    FBtnControl->SetParent(this);
    FBtnControl->SetBounds(0, 0, 21, 17);
}

template <class TEdit>
ButtonEditBase<TEdit>::~ButtonEditBase() = default;

template <class TEdit>
void ButtonEditBase<TEdit>::PlaceButton(TControl* Button)
{
    Button->SetParent(FBtnControl);
    Button->SetBounds(0, 0, 21, 17);
    Button->SetVisible(true);
    Button->OnClick = TNotifyEvent(this, &ButtonEditBase::ButtonClicked);
}

template <class TEdit>
void ButtonEditBase<TEdit>::ButtonClicked(TObject* /*Sender*/)
{
    Self().EditButtonClick();
}

template <class TEdit>
void ButtonEditBase<TEdit>::SetStockGlyph(TGlyphKind Kind)
{
    TBitmap Glyph;
    if (Kind == gkDropDown)
        Glyph.SetHandle(LoadBitmap(0, OBM_COMBO));
    else
        MakeEllipsisGlyph(&Glyph, Self().FButton->Width() - 4);
    Self().FButton->SetGlyph(&Glyph);
    Self().FButton->SetNumGlyphs(1);
}

template <class TEdit>
void ButtonEditBase<TEdit>::SetDirectInput(bool Value)
{
    FDirectInput = Value;
    TCustomMaskEdit::SetReadOnly(!Value || FReadOnly);
}

template <class TEdit>
void ButtonEditBase<TEdit>::SetReadOnly(bool Value)
{
    FReadOnly = Value;
    TCustomMaskEdit::SetReadOnly(Value || !FDirectInput);
}

template <class TEdit>
void ButtonEditBase<TEdit>::SetAlignment(TAlignment Value)
{
    if (FAlignment == Value)
        return;
    FAlignment = Value;
    if (HandleAllocated())
        RecreateWnd();
    Invalidate();
}

template <class TEdit>
void ButtonEditBase<TEdit>::SetGlyph(TBitmap* Value)
{
    Self().FButton->SetGlyph(Value);
    FGlyphKind = gkCustom;
}

template <class TEdit>
void ButtonEditBase<TEdit>::SetGlyphKind(TGlyphKind Value)
{
    if (FGlyphKind == Value)
        return;
    FGlyphKind = Value;
    if (Value == gkCustom && ComponentState().Contains(csReading)) {
        TBitmap Empty;
        Self().FButton->SetGlyph(&Empty);
    }
    Self().RebuildGlyph();
}

template <class TEdit>
void ButtonEditBase<TEdit>::CreateParams(TCreateParams& Params)
{
    TCustomMaskEdit::CreateParams(Params);
    static const uint32_t Styles[] = {ES_LEFT, ES_RIGHT, ES_CENTER};
    Params.Style |= uint32_t(ES_MULTILINE) | uint32_t(WS_CLIPCHILDREN) | Styles[FAlignment];
}

template <class TEdit>
void ButtonEditBase<TEdit>::CreateWnd()
{
    TCustomMaskEdit::CreateWnd();
    Self().UpdateButtonLayout();
}

template <class TEdit>
void ButtonEditBase<TEdit>::KeyDown(Word& Key, TShiftState Shift)
{
    const TShiftState Mods = Shift * TShiftState {ssShift, ssCtrl, ssAlt};
    if (FClickKey != 0 && ShortCut(Key, Mods) == FClickKey) {
        if (Self().FButton->Width() > 0)
            Self().EditButtonClick();
        Key = 0;
        return;
    }
    TCustomMaskEdit::KeyDown(Key, Shift);
}

template <class TEdit>
void ButtonEditBase<TEdit>::WMCut(TMessage& Message)
{
    if (FDirectInput && !FReadOnly)
        TCustomMaskEdit::WMCut(Message);
}

template <class TEdit>
void ButtonEditBase<TEdit>::WMPaste(TMessage& Message)
{
    if (FDirectInput && !FReadOnly)
        TCustomMaskEdit::WMPaste(Message);
}

template <class TEdit>
void ButtonEditBase<TEdit>::WMGetDlgCode(TMessageRecord& Message)
{
    TCustomMaskEdit::WMGetDlgCode(Message);
    // While the pop-up is open, Enter and Escape close it.
    if (FPopupVisible)
        Message.Result |= DLGC_WANTALLKEYS;
}

template <class TEdit>
void ButtonEditBase<TEdit>::CMEnabledChanged(TMessageRecord& Message)
{
    TCustomMaskEdit::CMEnabledChanged(Message);
    Self().FButton->SetEnabled(Enabled());
}

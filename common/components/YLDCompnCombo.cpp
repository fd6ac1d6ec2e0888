// The combo edit with a button of its own.

#include "common/components/YLDCompn.h"

#include "common/components/ToolEditPrivate.h"

#include "platform/forms/Forms.h"
#include "platform/winapi/Messages.h"

#include <algorithm>

// ---- the button ------------------------------------------------------------------------------------

Tyl_CustomComboEdit::TEditButton::TEditButton(TComponent* AOwner) : TSpeedButton(AOwner) {}

Tyl_CustomComboEdit::TEditButton::~TEditButton() = default;

void Tyl_CustomComboEdit::TEditButton::Paint()
{
    TSpeedButton::Paint();
    // This platform has the new control look: the old look's separator
    // between text and button is never drawn.
}

void Tyl_CustomComboEdit::TEditButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    auto* Edit = dynamic_cast<Tyl_CustomComboEdit*>(Owner());
    if (Button == mbLeft && Edit && Edit->FPopupVisible) {
        Edit->ClosePopup(true);
        FNoAction = true;
    }
    TSpeedButton::MouseDown(Button, Shift, X, Y);
}

void Tyl_CustomComboEdit::TEditButton::Click()
{
    if (FNoAction) {
        FNoAction = false;
        return;
    }
    TSpeedButton::Click();
}

// ---- the edit ------------------------------------------------------------------------------------------

PRICETAGS_DEFINE_CLASS(Tyl_CustomComboEdit,
    Property("AlwaysEnable", &Tyl_CustomComboEdit::AlwaysEnable, &Tyl_CustomComboEdit::SetAlwaysEnable),
    Property("ButtonWidth", &Tyl_CustomComboEdit::ButtonWidth, &Tyl_CustomComboEdit::SetButtonWidth),
    Property("DirectInput", &Tyl_CustomComboEdit::DirectInput, &Tyl_CustomComboEdit::SetDirectInput),
    Property("ReadOnly", &Tyl_CustomComboEdit::ReadOnly, &Tyl_CustomComboEdit::SetReadOnly))

PRICETAGS_DEFINE_CLASS(Tyl_ComboEdit)

Tyl_ComboEdit::~Tyl_ComboEdit() = default;

template class ButtonEditBase<Tyl_CustomComboEdit>;

Tyl_CustomComboEdit::Tyl_CustomComboEdit(TComponent* AOwner) : ButtonEditBase(AOwner)
{
    // This edit's button works on a read-only text unless told otherwise.
    FAlwaysEnable = true;
    FButton = new TEditButton(this);
    PlaceButton(FButton);
    SetHeight(21);
    UpdateButtonLayout();
}

Tyl_CustomComboEdit::~Tyl_CustomComboEdit() = default;

void Tyl_CustomComboEdit::EditButtonClick()
{
    if (FReadOnly && !FAlwaysEnable)
        return;
    ButtonAction();
}

void Tyl_CustomComboEdit::ButtonAction()
{
    if (!FPopup) {
        OnButtonClick(this);
        return;
    }
    if (FPopupVisible)
        ClosePopup(true);
    else
        OpenPopup();
}

void Tyl_CustomComboEdit::SetPopup(TPopupWindow* Value)
{
    if (FPopupVisible)
        ClosePopup(false);
    FPopup = Value;
    if (Value)
        Value->OnCloseUp = TCloseUpEvent(this, &Tyl_CustomComboEdit::PopupCloseUp);
}

void Tyl_CustomComboEdit::OpenPopup()
{
    if (!FPopup || FPopupVisible)
        return;
    const TPoint P = Parent() ? Parent()->ClientToScreen({Left(), Top()}) : TPoint{Left(), Top()};
    const int ScreenH = Screen ? Screen->Height() : 768;
    int Y = P.Y + Height();
    if (Y + FPopup->Height() > ScreenH)
        Y = P.Y - FPopup->Height();
    int X = P.X - (FPopup->Width() - Width());
    if (X < 0)
        X = P.X;
    FPopup->WriteValue(Text().IsEmpty() ? Null() : Variant(Text()));
    if (CanFocus() && !Focused())
        SetFocus();
    FPopup->SetBounds(X, Y, FPopup->Width(), FPopup->Height());
    FPopup->SetVisible(true);
    SetWindowPos(FPopup->Handle(), HWND_TOPMOST, X, Y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    FPopupVisible = true;
    TCustomMaskEdit::SetReadOnly(true);
}

void Tyl_CustomComboEdit::PopupCloseUp(TObject* /*Sender*/, bool Accept)
{
    ClosePopup(Accept);
}

void Tyl_CustomComboEdit::ClosePopup(bool Accept)
{
    if (!FPopup || !FPopupVisible)
        return;
    if (HWND Captured = GetCapture())
        SendMessage(Captured, WM_CANCELMODE, 0, 0);
    const AnsiString Value = FPopup->ReadValue().AsString();
    FPopup->SetVisible(false);
    FPopupVisible = false;
    if (CanFocus() && !Focused())
        SetFocus();
    SetDirectInput(FDirectInput);
    Invalidate();
    if (Accept && !FReadOnly && Value != Text()) {
        SetText(Value);
        SetModified(true);
        if (Focused())
            SelectAll();
    }
}

void Tyl_CustomComboEdit::SetNumGlyphs(int Value)
{
    FButton->SetNumGlyphs(FGlyphKind == gkDropDown || FGlyphKind == gkEllipsis ? 1 : Value);
}

void Tyl_CustomComboEdit::RebuildGlyph()
{
    switch (FGlyphKind) {
    case gkDropDown:
    case gkEllipsis:
        SetStockGlyph(FGlyphKind);
        break;
    case gkDefault: {
        // This edit has no picture of its own.
        TBitmap Empty;
        FButton->SetGlyph(&Empty);
        break;
    }
    case gkCustom:
        break;
    }
}

void Tyl_CustomComboEdit::SetButtonWidth(int Value)
{
    if (Value == FButton->Width() || Value >= ClientWidth())
        return;
    if (FGlyphKind == gkDefault && !FButton->Glyph()->Empty())
        Value = std::max(FButton->Glyph()->Width() + 4, Value);
    FButton->SetWidth(Value);
    FBtnControl->SetWidth(Value);
    if (HandleAllocated())
        RecreateWnd();
    RebuildGlyph();
    UpdateButtonLayout();
}

void Tyl_CustomComboEdit::UpdateButtonLayout()
{
    if (!FBtnControl)
        return;
    const int B = FButton->Width();
    const int W = Width(), H = Height();
    if (Ctl3D() && BorderStyle() == bsSingle)
        FBtnControl->SetBounds(W - B - 3, -1, B, H - 2);
    else
        FBtnControl->SetBounds(W - B - 2, 2, B, H - 4);
    FButton->SetBounds(0, 0, B, FBtnControl->Height());
    TRect R {0, 0, ClientWidth() - FBtnControl->Width() - 2, ClientHeight() + 1};
    Perform(EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&R));
}

void Tyl_CustomComboEdit::WMSize(TWMSize& Message)
{
    inherited::WMSize(Message);
    UpdateButtonLayout();
}

void Tyl_CustomComboEdit::KeyPress(char& Key)
{
    if (Key == '\r' || Key == '\x1B') {
        if (FPopupVisible) {
            ClosePopup(Key == '\r');
            Key = 0;
            return;
        }
        if (TCustomForm* Form = GetParentForm(this))
            Form->Perform(CM_DIALOGKEY, Key == '\r' ? VK_RETURN : VK_ESCAPE, 0);
        // Enter stops here; the mask edit never sees it.
        if (Key == '\r') {
            Key = 0;
            return;
        }
    }
    inherited::KeyPress(Key);
}

void Tyl_CustomComboEdit::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (FPopup && Button == mbLeft) {
        if (CanFocus() && !Focused())
            SetFocus();
        if (!Focused())
            return;
        if (FPopupVisible) {
            ClosePopup(false);
        } else if ((!FReadOnly || FAlwaysEnable) && !FDirectInput) {
            OpenPopup();
        }
    }
    inherited::MouseDown(Button, Shift, X, Y);
}

void Tyl_CustomComboEdit::WMKillFocus(TWMKillFocus& Message)
{
    inherited::WMKillFocus(Message);
    ClosePopup(false);
}

void Tyl_CustomComboEdit::CMFontChanged(TMessageRecord& Message)
{
    inherited::CMFontChanged(Message);
    if (HandleAllocated())
        RecreateWnd();
}

void Tyl_CustomComboEdit::CMCtl3DChanged(TMessageRecord& Message)
{
    inherited::CMCtl3DChanged(Message);
    UpdateButtonLayout();
}

#pragma once

// Buttons with pictures: TBitBtn (a push button with a glyph and standard
// kinds) and TSpeedButton (a graphic button that can stay down, alone or
// as one of a group).
//
// A glyph bitmap holds NumGlyphs images side by side: up, disabled, down,
// held down. Its bottom-left pixel is the transparent colour. A missing
// disabled image is drawn embossed from the up image.

#include "platform/forms/Controls.h"
#include "platform/forms/Graphics.h"
#include "platform/forms/StdCtrls.h"

#include <memory>

enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
enum TButtonState { bsUp, bsDisabled, bsDown, bsExclusive };
using TNumGlyphs = int;

/// Draws a glyph and a caption into Client by Layout, Margin (-1: centred)
/// and Spacing (-1: the caption centred in the space left); the state picks
/// the image. Used by both buttons; Glyph may be empty.
void DrawButtonGlyphAndText(TCanvas& Canvas, const TRect& Client, TBitmap* Glyph, int NumGlyphs,
    const AnsiString& Caption, TButtonLayout Layout, int Margin, int Spacing, TButtonState State,
    TColor TextColor);

// ---- TBitBtn --------------------------------------------------------------------------------

enum TBitBtnKind {
    bkCustom, bkOK, bkCancel, bkHelp, bkYes, bkNo, bkClose, bkAbort, bkRetry, bkIgnore, bkAll
};

class TBitBtn : public TButton {
    PRICETAGS_CLASS(TBitBtn, TButton)
public:
    explicit TBitBtn(TComponent* AOwner);
    ~TBitBtn() override;

    /// A standard kind gives the button its caption, modal result, default
    /// or cancel role and picture; bkClose closes the form on a click.
    TBitBtnKind Kind() const { return FKind; }
    void SetKind(TBitBtnKind Value);
    /// The picture (a copy of the bitmap assigned); empty for none. A
    /// standard kind without a glyph of its own draws its built-in picture.
    TBitmap* Glyph() const { return FGlyph.get(); }
    void SetGlyph(TBitmap* Value);
    /// Images in the glyph (1..4); a glyph whose width is a whole multiple
    /// of its height sets it.
    TNumGlyphs NumGlyphs() const { return FNumGlyphs; }
    void SetNumGlyphs(TNumGlyphs Value);
    TButtonLayout Layout() const { return FLayout; }
    void SetLayout(TButtonLayout Value);
    int Margin() const { return FMargin; }
    void SetMargin(int Value);
    int Spacing() const { return FSpacing; }
    void SetSpacing(int Value);

    void Click() override;

protected:
    void DrawButtonFace(TCanvas& Canvas, const TRect& R, bool Down) override;
    void GlyphChanged(TObject* Sender);

    TBitBtnKind FKind = bkCustom;
    std::unique_ptr<TBitmap> FGlyph;
    TNumGlyphs FNumGlyphs = 1;
    TButtonLayout FLayout = blGlyphLeft;
    int FMargin = -1;
    int FSpacing = 4;
};

// ---- TSpeedButton ----------------------------------------------------------------------------

/// A button drawn on its parent. With GroupIndex 0 it springs back after a
/// click; with a GroupIndex it stays down, and pressing it raises the
/// other buttons of the same GroupIndex on the same parent. AllowAllUp lets
/// the down button of a group be raised by a second click.
class TSpeedButton : public TGraphicControl {
    PRICETAGS_CLASS(TSpeedButton, TGraphicControl)
public:
    explicit TSpeedButton(TComponent* AOwner);
    ~TSpeedButton() override;

    int GroupIndex() const { return FGroupIndex; }
    void SetGroupIndex(int Value);
    bool Down() const { return FDown; }
    /// Ignored without a GroupIndex, and when raising the group's down
    /// button while AllowAllUp is off.
    void SetDown(bool Value);
    bool AllowAllUp() const { return FAllowAllUp; }
    void SetAllowAllUp(bool Value);
    bool Flat() const { return FFlat; }
    void SetFlat(bool Value);
    TBitmap* Glyph() const { return FGlyph.get(); }
    void SetGlyph(TBitmap* Value);
    TNumGlyphs NumGlyphs() const { return FNumGlyphs; }
    void SetNumGlyphs(TNumGlyphs Value);
    TButtonLayout Layout() const { return FLayout; }
    void SetLayout(TButtonLayout Value);
    int Margin() const { return FMargin; }
    void SetMargin(int Value);
    int Spacing() const { return FSpacing; }
    void SetSpacing(int Value);
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool Value);
    /// The state drawn now.
    TButtonState State() const { return FState; }
    /// Whether the mouse is over a flat button (it shows its frame then).
    bool MouseInControl() const { return FMouseInControl; }

    void Click() override;

protected:
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void Dispatch(TMessage& Message) override;
    void CMMouseEnter(TMessageRecord& Message) override;
    void CMMouseLeave(TMessageRecord& Message) override;
    void CMEnabledChanged(TMessageRecord& Message) override;
    /// Another button of the group went down (CM_BUTTONPRESSED, LParam the button).
    void CMButtonPressed(TMessage& Message);
    void CMDialogChar(TMessage& Message);
    /// Tells the other buttons of the parent that this one went down.
    void UpdateExclusive();
    void GlyphChanged(TObject* Sender);

    int FGroupIndex = 0;
    bool FDown = false;
    bool FAllowAllUp = false;
    bool FFlat = false;
    std::unique_ptr<TBitmap> FGlyph;
    TNumGlyphs FNumGlyphs = 1;
    TButtonLayout FLayout = blGlyphLeft;
    int FMargin = -1;
    int FSpacing = 4;
    bool FTransparent = true;
    TButtonState FState = bsUp;
    bool FDragging = false;
    bool FMouseInControl = false;
};

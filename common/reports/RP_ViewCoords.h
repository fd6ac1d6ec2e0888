#pragma once

// The group "  Координаты и размер  " that both element editors show: the
// element's left, top, width and height in pixels at 96 dpi and in
// millimetres (one decimal), the right and bottom edges they give, and the
// choice of the unit typed in. The edits of the other unit follow every
// change. The element keeps its geometry in hundredths of a millimetre;
// pixels here are always at scale 1, whatever the designer's zoom.

#include "platform/forms/Controls.h"
#include "platform/rtl/AnsiString.h"
#include "platform/rtl/Numbers.h"

class TGroupBox;
class TLabel;
class TRadioButton;
class TView;
class Tyl_CustomNumEdit;
class Tyl_FloatEdit;
class Tyl_IntegerEdit;

/// An editor's unit choice, kept for the program's run: 0 not yet chosen
/// (the designer setting decides), 1 millimetres, 2 pixels.
inline constexpr int CoordUndecided = 0;
inline constexpr int CoordMillimetres = 1;
inline constexpr int CoordPixels = 2;

/// Pixels shown for a length of Hundredths (rounded first).
[[nodiscard]] int CoordPixelsOf(Extended Hundredths);
/// Millimetres shown for Pixels.
[[nodiscard]] Extended CoordMillimetresOf(int Pixels);

class ViewCoordGroup {
public:
    /// Builds the group on Parent (controls owned by Parent's owner) at X,
    /// Y. UnitChoice is the editor's kept choice (see above); it must
    /// outlive the group.
    ViewCoordGroup(TWinControl* Parent, int X, int Y, int& UnitChoice);

    /// Shows the element's geometry; an undecided unit choice is taken
    /// from DesignerCoordMM.
    void Fill(const TView& View, bool DesignerCoordMM);
    /// The millimetre edits x 100 into the element's geometry. Raises the
    /// edits' EConvertError when one holds no number; the element is
    /// unchanged then.
    void Store(TView& View);
    /// Recomputes the counterpart of Changed (an edit of the chosen unit;
    /// null: none) and the edge labels.
    void Update(TObject* Changed);

    TGroupBox* Group;
    Tyl_IntegerEdit* XEdit;
    Tyl_IntegerEdit* YEdit;
    Tyl_IntegerEdit* DXEdit;
    Tyl_IntegerEdit* DYEdit;
    Tyl_FloatEdit* XEditMM;
    Tyl_FloatEdit* YEditMM;
    Tyl_FloatEdit* DXEditMM;
    Tyl_FloatEdit* DYEditMM;
    TLabel* lbRight;
    TLabel* lbBottom;
    TLabel* lbRightMM;
    TLabel* lbBottomMM;
    TRadioButton* rbCoordPix;
    TRadioButton* rbCoordMM;

private:
    void EditChange(TObject* Sender);
    void EditKeyDown(TObject* Sender, Word& Key, TShiftState Shift);
    void UnitClick(TObject* Sender);
    /// Enables the edits of the chosen unit.
    void ShowUnit();

    int& FUnitChoice;
    bool FUpdating = false;
};

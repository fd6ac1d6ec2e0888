#include "common/reports/RP_ViewCoords.h"

#include "common/reports/RP_DialogKit.h"
#include "common/reports/RP_Eng.h"
#include "common/reports/RP_View.h"

#include "common/components/YLDCompn.h"
#include "platform/forms/StdCtrls.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Format.h"

using namespace RP_Dlg;

namespace {

/// The edit's number; false while its text is none (typing under way).
bool ReadValue(Tyl_CustomNumEdit* Edit, Extended& Value)
{
    try {
        Value = Edit->AsFloat();
        return true;
    } catch (const EConvertError&) {
        // "-" or an empty edit while the operator types: nothing follows.
        return false;
    }
}

}  // namespace

int CoordPixelsOf(Extended Hundredths)
{
    return HundredthsMMToPixels(static_cast<int>(Round(Hundredths)));
}

Extended CoordMillimetresOf(int Pixels)
{
    return PixelsToHundredthsMM(Pixels) * 0.01;
}

ViewCoordGroup::ViewCoordGroup(TWinControl* Parent, int X, int Y, int& UnitChoice)
    : FUnitChoice(UnitChoice)
{
    Group = AddGroup(Parent, "gbCoord", "  Координаты и размер  "_a, X, Y, 200, 172);
    rbCoordPix = AddRadio(Group, "rbCoordPix", "pixels", 30, 16, 66);
    rbCoordMM = AddRadio(Group, "rbCoordMM", "mm", 110, 16, 66);
    rbCoordPix->OnClick = TNotifyEvent(this, &ViewCoordGroup::UnitClick);
    rbCoordMM->OnClick = TNotifyEvent(this, &ViewCoordGroup::UnitClick);
    const char* const Names[4][3] = {{"X", "XEdit", "XEditMM"},
                                     {"Y", "YEdit", "YEditMM"},
                                     {"DX", "DXEdit", "DXEditMM"},
                                     {"DY", "DYEdit", "DYEditMM"}};
    Tyl_IntegerEdit** Pix[] = {&XEdit, &YEdit, &DXEdit, &DYEdit};
    Tyl_FloatEdit** MM[] = {&XEditMM, &YEditMM, &DXEditMM, &DYEditMM};
    for (int I = 0; I < 4; ++I) {
        const int Top = 38 + I * 24;
        AddLabel(Group, Names[I][0], 8, Top + 4);
        *Pix[I] = AddInteger(Group, Names[I][1], 30, Top, 70);
        *MM[I] = AddFloat(Group, Names[I][2], 1, 110, Top, 80);
        for (Tyl_CustomNumEdit* E : {static_cast<Tyl_CustomNumEdit*>(*Pix[I]),
                                     static_cast<Tyl_CustomNumEdit*>(*MM[I])}) {
            E->OnChange = TNotifyEvent(this, &ViewCoordGroup::EditChange);
            E->OnKeyDown = TKeyEvent(this, &ViewCoordGroup::EditKeyDown);
        }
    }
    lbRight = AddLabel(Group, "R=X+DX", 30, 136);
    lbBottom = AddLabel(Group, "B=Y+DY", 30, 152);
    lbRightMM = AddLabel(Group, "R=X+DX", 110, 136);
    lbBottomMM = AddLabel(Group, "B=Y+DY", 110, 152);
    lbRight->SetName("lbRight");
    lbBottom->SetName("lbBottom");
    lbRightMM->SetName("lbRightMM");
    lbBottomMM->SetName("lbBottomMM");
}

void ViewCoordGroup::Fill(const TView& View, bool DesignerCoordMM)
{
    if (FUnitChoice == CoordUndecided)
        FUnitChoice = DesignerCoordMM ? CoordMillimetres : CoordPixels;
    FUpdating = true;
    rbCoordMM->SetChecked(FUnitChoice == CoordMillimetres);
    rbCoordPix->SetChecked(FUnitChoice != CoordMillimetres);
    const Extended Values[] = {View.LeftMM(), View.TopMM(), View.WidthMM(), View.HeightMM()};
    Tyl_IntegerEdit* const Pix[] = {XEdit, YEdit, DXEdit, DYEdit};
    Tyl_FloatEdit* const MM[] = {XEditMM, YEditMM, DXEditMM, DYEditMM};
    for (int I = 0; I < 4; ++I) {
        MM[I]->SetValue(Values[I] / 100);
        Pix[I]->SetValue(CoordPixelsOf(Values[I]));
    }
    FUpdating = false;
    ShowUnit();
    Update(nullptr);
}

void ViewCoordGroup::Store(TView& View)
{
    Extended V[4] = {XEditMM->AsFloat(), YEditMM->AsFloat(), DXEditMM->AsFloat(),
                     DYEditMM->AsFloat()};
    View.SetLeftMM(Round(V[0] * 100));
    View.SetTopMM(Round(V[1] * 100));
    View.SetWidthMM(Round(V[2] * 100));
    View.SetHeightMM(Round(V[3] * 100));
}

void ViewCoordGroup::Update(TObject* Changed)
{
    if (FUpdating)
        return;
    FUpdating = true;
    Tyl_IntegerEdit* const Pix[] = {XEdit, YEdit, DXEdit, DYEdit};
    Tyl_FloatEdit* const MM[] = {XEditMM, YEditMM, DXEditMM, DYEditMM};
    // Only the counterpart of the edit typed in follows: the others keep
    // what they show, so opening and confirming moves nothing.
    for (int I = 0; I < 4; ++I) {
        Extended V = 0;
        if (FUnitChoice == CoordMillimetres && Changed == MM[I] && ReadValue(MM[I], V))
            Pix[I]->SetValue(CoordPixelsOf(V * 100));
        else if (FUnitChoice != CoordMillimetres && Changed == Pix[I] && ReadValue(Pix[I], V))
            MM[I]->SetValue(CoordMillimetresOf(static_cast<int>(Round(V))));
    }
    Extended P[4] = {};
    Extended M[4] = {};
    bool Whole = true;
    for (int I = 0; I < 4; ++I)
        Whole = ReadValue(Pix[I], P[I]) && ReadValue(MM[I], M[I]) && Whole;
    if (Whole) {
        lbRight->SetCaption("R=" + IntToStr(static_cast<Integer>(Round(P[0] + P[2]))));
        lbBottom->SetCaption("B=" + IntToStr(static_cast<Integer>(Round(P[1] + P[3]))));
        lbRightMM->SetCaption(Format("R=%1.1f", {static_cast<double>(M[0] + M[2])}));
        lbBottomMM->SetCaption(Format("B=%1.1f", {static_cast<double>(M[1] + M[3])}));
    }
    FUpdating = false;
}

void ViewCoordGroup::ShowUnit()
{
    const bool ByMM = FUnitChoice == CoordMillimetres;
    for (TControl* E : {static_cast<TControl*>(XEditMM), static_cast<TControl*>(YEditMM),
                        static_cast<TControl*>(DXEditMM), static_cast<TControl*>(DYEditMM)})
        EnableEdit(E, ByMM);
    for (TControl* E : {static_cast<TControl*>(XEdit), static_cast<TControl*>(YEdit),
                        static_cast<TControl*>(DXEdit), static_cast<TControl*>(DYEdit)})
        EnableEdit(E, !ByMM);
}

void ViewCoordGroup::EditChange(TObject* Sender)
{
    Update(Sender);
}

void ViewCoordGroup::EditKeyDown(TObject* Sender, Word& Key, TShiftState Shift)
{
    if (Key != VK_RETURN || !Shift.Empty())
        return;
    Update(Sender);
    Key = 0;
}

void ViewCoordGroup::UnitClick(TObject*)
{
    if (FUpdating)
        return;
    FUnitChoice = rbCoordMM->Checked() ? CoordMillimetres : CoordPixels;
    ShowUnit();
}

#include "common/reports/RP_DialogKit.h"

#include "common/components/YLDCompn.h"
#include "platform/forms/StdCtrls.h"
#include "platform/winapi/Windows.h"

namespace RP_Dlg {

namespace {

template <class T>
T* Place(T* C, TWinControl* Parent, const char* Name, int X, int Y, int W, int H)
{
    if (Name)
        C->SetName(Name);
    C->SetParent(Parent);
    C->SetBounds(X, Y, W, H);
    return C;
}

}  // namespace

void SetUpDialog(TForm* Form, const char* Name, const AnsiString& Caption, int W, int H)
{
    Form->SetName(Name);
    Form->SetCaption(Caption);
    Form->SetPosition(poScreenCenter);
    Form->Font()->SetName("MS Sans Serif");
    Form->Font()->SetHeight(-11);
    Form->SetClientWidth(W);
    Form->SetClientHeight(H);
}

int EditorKey(Word Key, TShiftState Shift)
{
    if (Key == VK_ESCAPE && Shift.Empty())
        return mrCancel;
    if (Key == VK_RETURN && Shift == TShiftState{ssCtrl})
        return mrOk;
    return mrNone;
}

bool CloseWithoutElement(TForm& Form, const TView* View)
{
    if (View)
        return false;
    PostMessage(Form.Handle(), WM_CLOSE, 0, 0);
    return true;
}

TLabel* AddLabel(TWinControl* Parent, const AnsiString& Caption, int X, int Y)
{
    auto* L = Place(new TLabel(Parent->Owner()), Parent, nullptr, X, Y, 10, 13);
    L->SetCaption(Caption);
    return L;
}

TGroupBox* AddGroup(TWinControl* Parent, const char* Name, const AnsiString& Caption, int X,
                    int Y, int W, int H)
{
    auto* G = Place(new TGroupBox(Parent->Owner()), Parent, Name, X, Y, W, H);
    G->SetCaption(Caption);
    return G;
}

TCheckBox* AddCheck(TWinControl* Parent, const char* Name, const AnsiString& Caption, int X,
                    int Y, int W)
{
    auto* C = Place(new TCheckBox(Parent->Owner()), Parent, Name, X, Y, W, 17);
    C->SetCaption(Caption);
    return C;
}

TRadioButton* AddRadio(TWinControl* Parent, const char* Name, const AnsiString& Caption, int X,
                       int Y, int W)
{
    auto* R = Place(new TRadioButton(Parent->Owner()), Parent, Name, X, Y, W, 17);
    R->SetCaption(Caption);
    return R;
}

Tyl_FloatEdit* AddFloat(TWinControl* Parent, const char* Name, int Decimals, int X, int Y, int W)
{
    auto* E = Place(new Tyl_FloatEdit(Parent->Owner()), Parent, Name, X, Y, W, 21);
    E->SetDecimalPlaces(Decimals);
    // Two digits always shown, further ones only when there are any
    // (margins keep a hundredth of a millimetre: 1,5 and 1,234 cm).
    AnsiString Format = Decimals > 0 ? "0." : "0";
    for (int I = 0; I < Decimals; ++I)
        Format += I < 2 ? "0" : "#";
    E->SetDisplayFormat(Format);
    return E;
}

Tyl_IntegerEdit* AddInteger(TWinControl* Parent, const char* Name, int X, int Y, int W)
{
    return Place(new Tyl_IntegerEdit(Parent->Owner()), Parent, Name, X, Y, W, 21);
}

TButton* AddButton(TWinControl* Parent, const char* Name, const AnsiString& Caption, int Result,
                   int X, int Y, int W)
{
    auto* B = Place(new TButton(Parent->Owner()), Parent, Name, X, Y, W, 25);
    B->SetCaption(Caption);
    B->SetModalResult(Result);
    return B;
}

void EnableEdit(TControl* Edit, bool Enabled)
{
    Edit->SetEnabled(Enabled);
    if (Enabled)
        Edit->SetColor(clWindow);
    else
        Edit->SetParentColor(true);
}

Extended MarginToCm(Integer Stored)
{
    return Stored / 1000.0;
}

Integer CmToMargin(Extended Cm)
{
    return static_cast<Integer>(Round(Cm * 1000));
}

Extended PaperToMm(Integer Stored)
{
    return Stored / 100.0;
}

Integer MmToPaper(Extended Mm)
{
    return static_cast<Integer>(Round(Mm * 100));
}

Extended DeviceToMm(Integer Pixels, Integer Dpi)
{
    if (Dpi <= 0)
        return 0;
    return Pixels * (96.0 / Dpi) * 2540.0 / 96.0 / 100.0;
}

}  // namespace RP_Dlg

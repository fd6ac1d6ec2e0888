#include "common/components/Stopp.h"

#include "common/components/FuncsVCL.h"
#include "common/components/MsgWin.h"
#include "platform/rtl/Exceptions.h"

namespace {

TPanel* MakePanel(TComponent* Owner, TWinControl* Parent, const char* Name)
{
    auto* P = new TPanel(Owner);
    P->SetName(Name);
    P->SetParent(Parent);
    P->SetColor(clRed);
    P->SetBevelOuter(bvNone);
    P->SetBevelInner(bvLowered);
    P->SetBorderWidth(3);
    return P;
}

} // namespace

PRICETAGS_DEFINE_CLASS(TStopForm)

TStopForm::TStopForm(TComponent* AOwner) : TForm(AOwner)
{
    {
        const LoadingScope Loading(this);
        SetName("StopForm");
        SetCaption("Stop");
        SetBorderStyle(bsNone);
        SetBorderIcons({});
        SetFormStyle(fsStayOnTop);
        SetClientWidth(608);
        SetClientHeight(34);
        Font()->SetName("System");
        Font()->SetHeight(-13);

        pnStopp = MakePanel(this, this, "pnStopp");
        pnStopp->SetAlign(alLeft);
        pnStopp->SetWidth(66);
        pnStopp->SetCaption("");

        StopBt1 = new TButton(this);
        StopBt1->SetName("StopBt1");
        StopBt1->SetParent(pnStopp);
        StopBt1->SetBounds(5, 5, 28, 25);
        StopBt1->SetCaption(">");
        StopBt1->SetModalResult(mrOk);
        StopBt1->OnClick = TNotifyEvent(this, &TStopForm::StopBt1Click);
        StopBt1->OnKeyDown = TKeyEvent(this, &TStopForm::StopBt1KeyDown);

        StopBt2 = new TSpeedButton(this);
        StopBt2->SetName("StopBt2");
        StopBt2->SetParent(pnStopp);
        StopBt2->SetBounds(33, 5, 28, 25);
        StopBt2->SetCaption("X");
        StopBt2->OnClick = TNotifyEvent(this, &TStopForm::StopBt2Click);

        Panel1 = MakePanel(this, this, "Panel1");
        Panel1->SetAlign(alClient);
        Panel1->SetAlignment(taLeftJustify);
        Panel1->SetCaption("");

        PanelStopTitle = MakePanel(this, Panel1, "PanelStopTitle");
        PanelStopTitle->SetBounds(5, 5, 100, 24);
        PanelStrTitle = MakePanel(this, Panel1, "PanelStrTitle");
        PanelStrTitle->SetBounds(105, 5, 432, 24);
        PanelStrTitle->SetAlignment(taLeftJustify);

        SetActiveControl(StopBt1);
        OnShow = TNotifyEvent(this, &TStopForm::FormShow);
        OnActivate = TNotifyEvent(this, &TStopForm::FormActivate);
        OnDeactivate = TNotifyEvent(this, &TStopForm::FormDeactivate);
        OnMouseUp = TMouseEvent(this, &TStopForm::FormMouseUp);
    }
    StopClosing = false;
    SetComponentsFonts(this, {});
    RegisterForm(this);
    DoCreate();
}

TStopForm::~TStopForm() = default;

void TStopForm::FormShow(TObject*)
{
    SetLeft(1);
    SetTop(1);
    TCanvas* C = Canvas();
    C->Font()->Assign(PanelStopTitle->Font());
    const int W = C->TextWidth(PanelStopTitle->Caption());
    PanelStopTitle->SetWidth(W < 47 ? 52 : W + 6);
}

void TStopForm::FormActivate(TObject*)
{
    SetMouseCapture(true);
}

void TStopForm::FormDeactivate(TObject*)
{
    SetMouseCapture(false);
}

void TStopForm::FormMouseUp(TObject*, TMouseButton, TShiftState, int X, int Y)
{
    // The form holds the mouse while it is active, so a release over the
    // stop button arrives here.
    if (X >= 34 && X <= 57 && Y >= 5 && Y <= 25) {
        StopBt2Click(StopBt2);
        return;
    }
    Close();
}

void TStopForm::StopBt1Click(TObject*)
{
    Close();
}

void TStopForm::StopBt1KeyDown(TObject*, Word&, TShiftState)
{
    Close();
}

void TStopForm::StopBt2Click(TObject*)
{
    StopClosing = true;
    Application->Terminate();
    Close();
    Abort();
}

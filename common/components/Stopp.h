#pragma once

// TStopForm: the developer's stop bar, a narrow red window in the top left
// corner that a stop point shows modally with a title and the values it was
// given. "Continue" closes it; "Stop" asks the application to terminate and
// unwinds the operation that called the stop point (EAbort).

#include "platform/forms/Buttons.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"

class TStopForm : public TForm {
    PRICETAGS_CLASS(TStopForm, TForm)
public:
    explicit TStopForm(TComponent* AOwner);
    ~TStopForm() override;

    TPanel* pnStopp;
    TButton* StopBt1;
    TSpeedButton* StopBt2;
    TPanel* Panel1;
    TPanel* PanelStopTitle;
    TPanel* PanelStrTitle;

    /// True once the user chose to stop the program.
    bool StopClosing = false;

private:
    void FormShow(TObject* Sender);
    void FormActivate(TObject* Sender);
    void FormDeactivate(TObject* Sender);
    void FormMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void StopBt1Click(TObject* Sender);
    void StopBt1KeyDown(TObject* Sender, Word& Key, TShiftState Shift);
    void StopBt2Click(TObject* Sender);
};

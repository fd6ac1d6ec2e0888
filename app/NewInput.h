#pragma once

// TFormNewInput: the base of the program's small modal dialogs. A header
// label over the dialog's own controls and the buttons "Ok" and "Отмена".
// Enter confirms and Escape cancels, but only a second after the dialog
// appeared, so that a key still held from the window before does not
// answer it. Descendants override DoOk to take their data.

#include "common/ExLabel.h"

#include "platform/gui/ExtCtrls.h"
#include "platform/gui/Forms.h"
#include "platform/gui/StdCtrls.h"
#include "platform/rtl/Types.h"

class TFormNewInput : public TForm {
    PRICETAGS_CLASS(TFormNewInput, TForm)
public:
    explicit TFormNewInput(TComponent* AOwner);
    ~TFormNewInput() override;

    /// Milliseconds after showing during which keys are ignored.
    static constexpr DWORD KeyGuardMs = 1000;

    TPanel* pnHeader;
    TExLabel* lbMode;
    TPanel* pnButtons;
    TButton* btOk;
    TButton* btCancel;

    /// Tick count when the dialog was shown (tests move it back to pass
    /// the key guard).
    DWORD ShowTick = 0;
    bool OkPressed = false;
    bool Cancelled = false;
    bool EnterOk = true;
    bool EscCancels = true;

    /// Cancelled := true, modal result Cancel, close.
    virtual void DoCancel();
    /// OkPressed := true, modal result OK, close.
    virtual void DoOk();

protected:
    /// The client area between the header and the buttons.
    void SetBodySize(int Width, int Height);
    /// Blue underlined text of a label that acts on a click; after the
    /// named fonts, which would take it away.
    static void ShowAsLink(TLabel* Label);
    /// A caption label at (Left, Top) in the body.
    TLabel* AddLabel(const AnsiString& Caption, int Left, int Top);

    void FormShowBase(TObject* Sender);
    /// Runs on showing after the base's own work.
    virtual void DoShowDialog() {}
    /// Enter and Escape are the dialog's own keys (its key handler, with
    /// the guard after showing), not those of a button that has the focus.
    void CMDialogKey(TCMDialogKey& Message) override;

private:
    void BuildBase();
    void FormKeyDown(TObject* Sender, Word& Key, TShiftState Shift);
    void FormKeyPress(TObject* Sender, char& Key);
    void btOkClick(TObject* Sender);
    void btCancelClick(TObject* Sender);
};

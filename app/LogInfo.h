#pragma once

// TFormView: the program's text viewer, a plain window with a one-line
// message over a read-only list of text lines (import errors, errors of
// document building). One instance lives from start-up to the end of the
// program (FormView); each ShowTextView replaces its title, message and
// lines.

#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"
#include "platform/rtl/AnsiString.h"

class TStrings;

class TFormView : public TForm {
    PRICETAGS_CLASS(TFormView, TForm)
public:
    explicit TFormView(TComponent* AOwner);
    ~TFormView() override;

    TPanel* Panel1;
    TLabel* lbMsg;
    TMemo* Memo;

    /// The caption and message the window was built with.
    AnsiString DefCaption;
    AnsiString DefMsg;
    /// Shown modally by the last ShowTextView.
    bool Modal = false;

private:
    void BuildControls();
    void FormShow(TObject* Sender);
    void FormClose(TObject* Sender, TCloseAction& Action);
    void FormKeyPress(TObject* Sender, char& Key);
};

/// The program's text viewer; null before the windows are created and
/// after they are freed. Owned by the application.
extern TFormView* FormView;

/// Shows Lines (copied; null shows none) in the text viewer, closing it
/// first when it is open. Title is the caption (empty: the viewer's own);
/// "\n" in Msg becomes a line break, an empty Msg shows the viewer's own
/// message. Modal: returns when the operator closes it. Creates the viewer
/// (owned by the application) when none exists.
void ShowTextView(const AnsiString& Title, const AnsiString& Msg, TStrings* Lines, bool Modal);

#pragma once

// What the designer's dialogs share: their controls made and placed in one
// call each (named, parented, bounds in the parent's client pixels), the
// look of an edit that is enabled or not, and the numbers the options and
// element dialogs convert between (margins in centimetres, paper in
// millimetres, element geometry in millimetres or pixels; all stored in
// hundredths of a millimetre).

#include "platform/forms/Controls.h"
#include "platform/forms/Forms.h"
#include "platform/rtl/AnsiString.h"
#include "platform/rtl/Numbers.h"

#include <memory>

class TButton;
class TCheckBox;
class TComponent;
class TDocument;
class TView;
class TControl;
class TGroupBox;
class TLabel;
class TRadioButton;
class TWinControl;
class Tyl_FloatEdit;
class Tyl_IntegerEdit;

namespace RP_Dlg {

/// The look the dialogs share: Name and Caption, centred on the screen,
/// the 8-point dialog font, a client area of W x H.
void SetUpDialog(TForm* Form, const char* Name, const AnsiString& Caption, int W, int H);
/// What the element editors' keys mean: Esc mrCancel, Ctrl+Enter mrOk,
/// anything else mrNone.
[[nodiscard]] int EditorKey(Word Key, TShiftState Shift);

/// Starts an element editor (TEditorForm, TGEditorForm) as both start: the
/// look of SetUpDialog, no smaller than MinW x MinH, the form's keys seen
/// before its controls', its FormShow and FormKeyDown as its events.
template <class TEditor>
void SetUpElementEditor(TEditor* Form, const char* Name, const AnsiString& Caption, int W, int H,
                        int MinW, int MinH)
{
    SetUpDialog(Form, Name, Caption, W, H);
    Form->SetKeyPreview(true);
    Form->Constraints()->SetMinWidth(MinW);
    Form->Constraints()->SetMinHeight(MinH);
    Form->OnShow = TNotifyEvent(Form, &TEditor::FormShow);
    Form->OnKeyDown = TKeyEvent(Form, &TEditor::FormKeyDown);
}

/// An element editor's answer to Key as EditorKey reads it: Esc closes
/// Form with mrCancel, Ctrl+Enter runs its OK button's handler; either
/// clears Key. Other keys are left to the caller.
template <class TEditor>
void AnswerEditorKey(TEditor& Form, Word& Key, TShiftState Shift)
{
    const int Result = EditorKey(Key, Shift);
    if (Result == mrNone)
        return;
    Key = 0;
    if (Result == mrOk)
        Form.btOkClick(nullptr);
    else
        Form.SetModalResult(Result);
}

/// Closes an element editor being shown without an element (View null);
/// true when it did, and the editor's show then stops.
bool CloseWithoutElement(TForm& Form, const TView* View);

/// Shows an element editor (TEditorForm, TGEditorForm) on View of
/// Document modally; true when it was closed with OK.
template <class TEditor>
bool RunElementEditor(TDocument* Document, TView* View)
{
    auto Form = std::make_unique<TEditor>(Application);
    Form->Document = Document;
    Form->View = View;
    return Form->ShowModal() == mrOk;
}

TLabel* AddLabel(TWinControl* Parent, const AnsiString& Caption, int X, int Y);
TGroupBox* AddGroup(TWinControl* Parent, const char* Name, const AnsiString& Caption, int X,
                    int Y, int W, int H);
TCheckBox* AddCheck(TWinControl* Parent, const char* Name, const AnsiString& Caption, int X,
                    int Y, int W);
TRadioButton* AddRadio(TWinControl* Parent, const char* Name, const AnsiString& Caption, int X,
                       int Y, int W);
/// A number edit showing Decimals digits after the separator.
Tyl_FloatEdit* AddFloat(TWinControl* Parent, const char* Name, int Decimals, int X, int Y,
                        int W);
Tyl_IntegerEdit* AddInteger(TWinControl* Parent, const char* Name, int X, int Y, int W);
/// A push button answering with Result (mrNone: its own click handler).
TButton* AddButton(TWinControl* Parent, const char* Name, const AnsiString& Caption, int Result,
                   int X, int Y, int W);

/// Enables or disables an edit; an enabled edit takes the window colour, a
/// disabled one its parent's colour.
void EnableEdit(TControl* Edit, bool Enabled);

/// Margins: centimetres shown, hundredths of a millimetre stored (1.5 cm
/// is 1500).
[[nodiscard]] Extended MarginToCm(Integer Stored);
[[nodiscard]] Integer CmToMargin(Extended Cm);
/// Paper sizes and offsets: millimetres shown, hundredths stored (210 mm
/// is 21000).
[[nodiscard]] Extended PaperToMm(Integer Stored);
[[nodiscard]] Integer MmToPaper(Extended Mm);
/// Device pixels of a printer at Dpi as millimetres (4960 at 600 dpi is
/// 209.97); 0 when Dpi is not positive.
[[nodiscard]] Extended DeviceToMm(Integer Pixels, Integer Dpi);

}  // namespace RP_Dlg

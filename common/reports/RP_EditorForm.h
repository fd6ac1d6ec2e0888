#pragma once

// TEditorForm ("Редактор текста"): the editor of a text element, and of
// the lines and geometry of rectangles, bands and owner-drawn frames. It
// edits the text lines, the text options, the 3-D effect and the position
// and size; report variables are put into the text from the variable
// picker, at the caret, leaving the clipboard alone. Nothing changes
// unless the editor is closed with OK.

#include "common/reports/RP_ViewCoords.h"

#include "platform/forms/Forms.h"
#include "platform/rtl/AnsiString.h"

#include <memory>

class TButton;
class TCheckBox;
class TColorDialog;
class TComboBox;
class TDocument;
class TGroupBox;
class TMemo;
class TPanel;
class TStatusBar;
class TView;
class Tyl_ComboEdit;
class Tyl_IntegerEdit;

/// Opens the text editor modally on View (an element of Document; not
/// owned). True when it was closed with OK: the element then holds the
/// edited text, options, 3-D effect and geometry. Without an element the
/// editor closes at once (false).
bool EditText(TDocument* Document, TView* View);

class TEditorForm : public TForm {
    PRICETAGS_CLASS(TEditorForm, TForm)
public:
    explicit TEditorForm(TComponent* AOwner);
    ~TEditorForm() override;

    /// The element edited and its document (not owned).
    TDocument* Document = nullptr;
    TView* View = nullptr;
    /// The shadow colour chosen so far.
    TColor PickedShadowColor = 0;

    TMemo* M1;
    TStatusBar* bar;
    std::unique_ptr<ViewCoordGroup> Coords;
    TGroupBox* gbOpt;
    TCheckBox* StrCheck;
    TCheckBox* cbWordWrap;
    TCheckBox* cbTextToFrame;
    Tyl_IntegerEdit* edTag;
    TCheckBox* cb3DEffect;
    TGroupBox* gb3D;
    Tyl_IntegerEdit* edShadowLen;
    TComboBox* cbType3d;
    Tyl_ComboEdit* edShadowColor;
    TButton* btVar;
    TButton* Button4;
    TButton* btOk;
    TButton* btCancel;
    TColorDialog* ColorDialog1;

    void FormShow(TObject* Sender);
    void FormKeyDown(TObject* Sender, Word& Key, TShiftState Shift);
    void M1KeyDown(TObject* Sender, Word& Key, TShiftState Shift);
    void M1KeyUp(TObject* Sender, Word& Key, TShiftState Shift);
    /// The caret's line and column (from 1) in the status bar.
    void ShowCaret(TObject* Sender);
    void cbWordWrapClick(TObject* Sender);
    void cb3DEffectClick(TObject* Sender);
    /// Puts the chosen variable's name in square brackets into M1 at the
    /// caret (over the selection).
    void btVarClick(TObject* Sender);
    void Button4Click(TObject* Sender);
    void edShadowColorButtonClick(TObject* Sender);
    /// Stores into the element and closes with OK; an edit whose text is
    /// no number raises its error and nothing is stored.
    void btOkClick(TObject* Sender);

private:
    void BuildControls();
    void Store();
};

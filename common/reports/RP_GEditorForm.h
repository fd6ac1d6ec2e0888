#pragma once

// TGEditorForm ("Рисунок"): the editor of a picture element. It loads a
// Windows bitmap file, whose name becomes the element's text, chooses how
// the picture fills the element (stretched, tiled or cut at its size) and
// edits the position and size. A file that is no readable bitmap is
// refused with a message and the picture shown stays. Nothing changes
// unless the editor is closed with OK.

#include "common/reports/RP_ViewCoords.h"

#include "platform/forms/Forms.h"
#include "platform/rtl/AnsiString.h"

#include <memory>

class TButton;
class TCheckBox;
class TDocument;
class TImage;
class TMemo;
class TOpenDialog;
class TView;

/// Opens the picture editor modally on View (a picture element of
/// Document; not owned). True when it was closed with OK: the element then
/// holds the picture, its file name, the fill choices and the geometry.
/// Without an element the editor closes at once (false).
bool EditPicture(TDocument* Document, TView* View);

/// The text of the error a picture file that is no readable bitmap gives.
inline constexpr char SPictureBadFormat[] = "Неверный формат файла";

class TGEditorForm : public TForm {
    PRICETAGS_CLASS(TGEditorForm, TForm)
public:
    explicit TGEditorForm(TComponent* AOwner);
    ~TGEditorForm() override;

    /// The element edited and its document (not owned).
    TDocument* Document = nullptr;
    TView* View = nullptr;
    /// Set while the edits are brought in step.
    bool Updating = false;

    TMemo* M1;
    TImage* Image1;
    TCheckBox* cbStretchBitmap;
    TCheckBox* cbFillBitmap;
    std::unique_ptr<ViewCoordGroup> Coords;
    TButton* btOk;
    TButton* btCancel;
    TButton* Button3;
    TOpenDialog* OpenDlg;

    void FormShow(TObject* Sender);
    void FormKeyDown(TObject* Sender, Word& Key, TShiftState Shift);
    /// "Загрузить": the chosen file's picture and name. A file that is no
    /// readable bitmap raises Exception "Неверный формат файла" (one that
    /// cannot be opened, the file error) and nothing changes.
    void Button3Click(TObject* Sender);
    /// Loads FileName as Button3 does once the file has been chosen.
    void LoadPicture(const AnsiString& FileName);
    void cbStretchBitmapClick(TObject* Sender);
    void btOkClick(TObject* Sender);

private:
    void BuildControls();
};

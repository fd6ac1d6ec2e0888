#include "common/reports/RP_GEditorForm.h"

#include "common/reports/RP_DialogKit.h"
#include "common/reports/RP_Document.h"
#include "common/reports/RP_View.h"

#include "platform/classes/Strings.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Graphics.h"
#include "platform/forms/StdCtrls.h"
#include "platform/winapi/Windows.h"
#include "platform/rtl/Files.h"

PRICETAGS_DEFINE_CLASS(TGEditorForm)

using namespace RP_Dlg;

namespace {

/// The picture editor's unit choice, kept until the program ends.
int gPictureUnitChoice = CoordUndecided;

}  // namespace

bool EditPicture(TDocument* Document, TView* View)
{
    return RunElementEditor<TGEditorForm>(Document, View);
}

TGEditorForm::TGEditorForm(TComponent* AOwner) : TForm(AOwner)
{
    const LoadingScope Loading(this);
    BuildControls();
}

TGEditorForm::~TGEditorForm() = default;

void TGEditorForm::BuildControls()
{
    SetUpElementEditor(this, "GEditorForm", "Рисунок"_a, 250, 400, 230, 390);

    M1 = new TMemo(this);
    M1->SetName("M1");
    M1->SetParent(this);
    M1->SetBounds(8, 8, 234, 36);
    M1->SetWordWrap(false);

    auto* Frame = new TPanel(this);
    Frame->SetName("pnImage");
    Frame->SetParent(this);
    Frame->SetBounds(8, 50, 234, 114);
    Frame->SetBevelOuter(bvLowered);
    Frame->SetCaption("");
    Image1 = new TImage(this);
    Image1->SetName("Image1");
    Image1->SetParent(Frame);
    Image1->SetAlign(alClient);

    cbStretchBitmap = AddCheck(this, "cbStretchBitmap", "Растянуть"_a, 8, 170, 110);
    cbFillBitmap = AddCheck(this, "cbFillBitmap", "Замостить"_a, 124, 170, 110);
    cbStretchBitmap->OnClick = TNotifyEvent(this, &TGEditorForm::cbStretchBitmapClick);
    cbFillBitmap->OnClick = TNotifyEvent(this, &TGEditorForm::cbStretchBitmapClick);

    Coords = std::make_unique<ViewCoordGroup>(this, 8, 190, gPictureUnitChoice);

    Button3 = AddButton(this, "Button3", "Загрузить"_a, mrNone, 8, 368, 76);
    Button3->OnClick = TNotifyEvent(this, &TGEditorForm::Button3Click);
    btOk = AddButton(this, "btOk", "ОК"_a, mrNone, 90, 368, 74);
    btOk->SetDefault(true);
    btOk->OnClick = TNotifyEvent(this, &TGEditorForm::btOkClick);
    btCancel = AddButton(this, "btCancel", "Отмена"_a, mrCancel, 168, 368, 74);
    btCancel->SetCancel(true);

    OpenDlg = new TOpenDialog(this);
    OpenDlg->SetName("OpenDlg");
    OpenDlg->SetTitle("Открытие файла"_a);
    OpenDlg->SetFilter("Рисунок BMP|*.bmp"_a);
    OpenDlg->SetDefaultExt("bmp");
}

void TGEditorForm::FormShow(TObject*)
{
    if (CloseWithoutElement(*this, View))
        return;
    Image1->Picture()->SetBitmap(View->Picture.get());
    if (View->Lines->Count() == 1)
        OpenDlg->SetInitialDir(ExtractFilePath(View->Lines->Strings(0)));
    M1->Lines()->Assign(View->Lines.get());
    Coords->Fill(*View, Document && Document->DefDesigner->CoordMM);
    cbStretchBitmap->SetChecked(View->Stretch());
    cbFillBitmap->SetChecked(View->Tile());
    cbStretchBitmapClick(nullptr);
}

void TGEditorForm::FormKeyDown(TObject*, Word& Key, TShiftState Shift)
{
    if (Key == VK_DELETE && Shift == TShiftState{ssCtrl}) {
        Key = 0;
        M1->Clear();
        return;
    }
    AnswerEditorKey(*this, Key, Shift);
}

void TGEditorForm::Button3Click(TObject*)
{
    if (OpenDlg->Execute())
        LoadPicture(OpenDlg->FileName());
}

void TGEditorForm::LoadPicture(const AnsiString& FileName)
{
    TBitmap Picture;
    try {
        Picture.LoadFromFile(FileName);
    } catch (const EInvalidGraphic&) {
        throw Exception(AnsiString::FromUtf8(SPictureBadFormat));
    }
    M1->Lines()->Clear();
    M1->Lines()->Add(FileName);
    Image1->Picture()->SetBitmap(&Picture);
    if (View)
        View->ScaledPictureScale = 0;
}

void TGEditorForm::cbStretchBitmapClick(TObject*)
{
    Image1->SetStretch(cbStretchBitmap->Checked());
    cbFillBitmap->SetEnabled(!cbStretchBitmap->Checked());
}

void TGEditorForm::btOkClick(TObject*)
{
    if (View) {
        // The geometry first: an edit without a number stops here and the
        // element stays as it was.
        Coords->Store(*View);
        View->Lines->Assign(M1->Lines());
        View->Picture->Assign(Image1->Picture()->Bitmap());
        View->ScaledPictureScale = 0;
        View->SetStretch(cbStretchBitmap->Checked());
        View->SetTile(cbFillBitmap->Checked());
    }
    SetModalResult(mrOk);
}

#pragma once

// TOptForm ("Параметры"): the settings a template carries besides its
// pages, on five pages: the document (name, category, version, margins in
// centimetres, print options), the current template page (orientation and
// print flags), the defaults of new elements, the printer with the paper
// size, and the designer settings. Margins are stored in hundredths of a
// millimetre (centimetres x 1000), the paper in hundredths of a millimetre
// (millimetres x 100).
//
// The dialog changes the template only when it is confirmed. While it is
// open, the printer choices switch the process's printer so that the paper
// of the chosen printer can be shown; a cancelled dialog puts the printer
// back.

#include "platform/forms/Forms.h"
#include "platform/rtl/AnsiString.h"

#include <vector>

class TButton;
class TCheckBox;
class TComboBox;
class TDocument;
class TEdit;
class TGroupBox;
class TLabel;
class TPageControl;
class TRadioButton;
class TSpeedButton;
class TStrings;
class TTabSheet;
class TUpDown;
class Tyl_FloatEdit;
class Tyl_IntegerEdit;

/// The pages the designer opens the dialog on.
inline constexpr int OptPageDocument = 0;
inline constexpr int OptPageSheet = 1;
inline constexpr int OptPageDesigner = 2;

/// The designer's font sizes: 5 to 72 points and a blank.
void FillFontSizes(TStrings* Items);

/// Opens the options dialog of Document modally on Page (OptPageDocument,
/// OptPageSheet or OptPageDesigner). FontNames and FontSizes are the
/// designer window's lists (not owned; null: the screen's fonts and
/// FillFontSizes). True when confirmed: the template then holds the
/// dialog's values and is marked changed (Saved and StateStored cleared),
/// so the designer's next snapshot makes it an undo step.
bool EditOptions(TDocument* Document, int Page, TStrings* FontNames = nullptr,
                 TStrings* FontSizes = nullptr);

class TOptForm : public TForm {
    PRICETAGS_CLASS(TOptForm, TForm)
public:
    explicit TOptForm(TComponent* AOwner);
    ~TOptForm() override;

    /// The document edited (not owned).
    TDocument* Document = nullptr;
    /// The designer's font and size lists (not owned; null: own lists).
    TStrings* FontNames = nullptr;
    TStrings* FontSizes = nullptr;
    /// Set while the controls are filled: their handlers do nothing.
    bool Filling = false;
    /// The number each item of cbPrinter carries: 0 "По умолчанию", -2 to
    /// -4 the host's three configuration printers, i + 1 installed printer i.
    std::vector<int> PrinterNumbers;

    TPageControl* pc;
    TTabSheet* tabBase;
    TTabSheet* tabPage;
    TTabSheet* tabView;
    TTabSheet* tabPrinter;
    TTabSheet* tabDesigner;

    TEdit* edNameDoc;
    Tyl_IntegerEdit* edCategory;
    Tyl_IntegerEdit* edVers;
    Tyl_FloatEdit* edMarginTop;
    Tyl_FloatEdit* edMarginBottom;
    Tyl_FloatEdit* edMarginLeft;
    Tyl_FloatEdit* edMarginRight;
    TLabel* lbMarginBottom;
    TLabel* lbMarginRight;
    TLabel* lbFile;
    TCheckBox* cbPrintStretchDraw;
    TCheckBox* cbCheckDimensions;

    TCheckBox* cbPrintToPrevPage;
    TCheckBox* cbPageHeaderOnFirst;
    TRadioButton* rbPagePortrait;
    TRadioButton* rbPageLandscape;
    TCheckBox* cbDouble;

    TComboBox* cbFont;
    TComboBox* cbFSize;
    TCheckBox* cbBold;
    TCheckBox* cbItalic;
    TEdit* edFrameWidth;
    TUpDown* udFrameWidth;
    TSpeedButton* sbLeft;
    TSpeedButton* sbRight;
    TSpeedButton* sbCenter;
    TCheckBox* cbVCenter;
    TCheckBox* cbVert;
    TEdit* edLabelText;
    TCheckBox* cbFrameTyp;

    TRadioButton* rbDefaultPrinter;
    TRadioButton* rbSelectPrinter;
    TComboBox* cbPrinter;
    TGroupBox* gbPageSize;
    Tyl_FloatEdit* edPrinterPageHeight;
    Tyl_FloatEdit* edPrinterPageWidth;
    Tyl_FloatEdit* edPrinterPageOffsetX;
    Tyl_FloatEdit* edPrinterPageOffsetY;
    TCheckBox* cbPrinterPageDefailtSize;

    TRadioButton* rbShapeRound;
    TRadioButton* rbShapeInvers;
    TRadioButton* rbrbGridSize4pix;
    TRadioButton* rbGridSize8pix;
    TCheckBox* cbClearAsWhite;
    TCheckBox* cbShowBandName;
    TRadioButton* rbRus;
    TRadioButton* rbLat;
    Tyl_IntegerEdit* edMaster;
    Tyl_IntegerEdit* edDetail;
    Tyl_IntegerEdit* edSubDetail;
    TRadioButton* rbCoordMM;
    TRadioButton* rbCoordPix;

    TButton* btOk;
    TButton* btCancel;

    void FormShow(TObject* Sender);
    /// A cancelled dialog puts the process's printer back.
    void FormClose(TObject* Sender, TCloseAction& Action);
    /// Stores the values into the document and closes with OK; a number
    /// edit whose text is no number raises its error and nothing is stored.
    void btOkClick(TObject* Sender);
    void rbSelectPrinterClick(TObject* Sender);
    void cbPrinterChange(TObject* Sender);
    /// The four paper fields: the stored ones, or with "По умолчанию" the
    /// printer's paper (ErrorMsgAbort when it reports no resolution).
    void cbPrinterPageDefailtSizeClick(TObject* Sender);
    void cbPrintStretchDrawClick(TObject* Sender);

private:
    void BuildControls();
    void BuildBasePage();
    void BuildSheetPage();
    void BuildViewPage();
    void BuildPrinterPage();
    void BuildDesignerPage();
    void Fill();
    void FillDefaults();
    void FillPrinterPage();
    /// The four paper fields from the document or the printer (see
    /// cbPrinterPageDefailtSizeClick).
    void ShowPageSize();
    void Store();
    void StorePrinter();
    /// The item of cbPrinter whose number is Number; -1 when none.
    [[nodiscard]] int PrinterItemOf(int Number) const;
    void SelectCurrentPrinterItem();

    TLabel* FPageSizeLabels[4] = {};
    /// The process's printer when the dialog was shown, and whether the
    /// printer choices have switched it since.
    int FPrinterAtShow = -1;
    bool FPrinterTouched = false;
};

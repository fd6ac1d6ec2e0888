#include "common/reports/RP_OptForm.h"

#include "common/reports/RP_DialogKit.h"
#include "common/reports/RP_Document.h"
#include "common/reports/RP_Page.h"

#include "common/components/MsgWin.h"
#include "common/components/YLDCompn.h"
#include "platform/classes/Strings.h"
#include "platform/forms/Buttons.h"
#include "platform/forms/ComCtrls.h"
#include "platform/forms/Printers.h"
#include "platform/forms/StdCtrls.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/StrUtils.h"

#include <array>
#include <memory>

PRICETAGS_DEFINE_CLASS(TOptForm)

using namespace RP_Dlg;

namespace {

constexpr int FontSizes[] = {5, 6, 7, 8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72};
const char* const ConfigPrinters[] = {"Принтер конфигурации 1", "Принтер конфигурации 2",
                                      "Принтер конфигурации 3"};

/// Lines of text aligned left (0), right (1) or centred (2), 16 x 16 on
/// see-through fuchsia.
TBitmap* AlignGlyph(int Align)
{
    static std::array<std::unique_ptr<TBitmap>, 3> Glyphs;
    auto& Slot = Glyphs[static_cast<size_t>(Align)];
    if (Slot)
        return Slot.get();
    auto B = std::make_unique<TBitmap>();
    B->SetSize(16, 16);
    TCanvas* C = B->Canvas();
    C->Brush()->SetColor(clFuchsia);
    C->FillRect({0, 0, 16, 16});
    C->Brush()->SetColor(clBlack);
    const int Widths[] = {12, 8, 12, 6, 10};
    for (int I = 0; I < 5; ++I) {
        const int W = Widths[I];
        const int L = Align == 0 ? 2 : Align == 1 ? 14 - W : (16 - W) / 2;
        C->FillRect({L, 3 + I * 2, L + W, 4 + I * 2});
    }
    Slot = std::move(B);
    return Slot.get();
}

/// Position of the first item equal to Name (ignoring case), else of the
/// first one beginning with it; -1 when none does.
int FindFontItem(TStrings* Items, const AnsiString& Name)
{
    const AnsiString Upper = AnsiUpperCase(Name);
    for (int I = 0; I < Items->Count(); ++I)
        if (AnsiUpperCase(Items->Strings(I)) == Upper)
            return I;
    for (int I = 0; I < Items->Count(); ++I)
        if (!Upper.IsEmpty() && AnsiUpperCase(Items->Strings(I)).Pos(Upper) == 1)
            return I;
    return -1;
}

}  // namespace

void FillFontSizes(TStrings* Items)
{
    Items->Clear();
    for (int Size : FontSizes)
        Items->Add(IntToStr(Size));
    Items->Add("");
}

bool EditOptions(TDocument* Document, int Page, TStrings* FontNames, TStrings* FontSizes)
{
    auto Form = std::make_unique<TOptForm>(Application);
    Form->Document = Document;
    Form->FontNames = FontNames;
    Form->FontSizes = FontSizes;
    const int Index = Page == OptPageSheet ? 1 : Page == OptPageDesigner ? 4 : 0;
    Form->pc->SetActivePageIndex(Index);
    if (Form->ShowModal() != mrOk)
        return false;
    Document->Saved = false;
    Document->StateStored = false;
    return true;
}

TOptForm::TOptForm(TComponent* AOwner) : TForm(AOwner)
{
    const LoadingScope Loading(this);
    BuildControls();
}

TOptForm::~TOptForm() = default;

void TOptForm::BuildControls()
{
    SetUpDialog(this, "OptForm", "Параметры"_a, 420, 330);
    SetBorderStyle(bsDialog);
    SetBorderIcons({biSystemMenu});
    OnShow = TNotifyEvent(this, &TOptForm::FormShow);
    OnClose = TCloseEvent(this, &TOptForm::FormClose);

    pc = new TPageControl(this);
    pc->SetName("pc");
    pc->SetParent(this);
    pc->SetBounds(6, 6, 408, 284);
    const auto Sheet = [this](const char* Name, const AnsiString& Caption) {
        auto* T = new TTabSheet(this);
        T->SetName(Name);
        T->SetPageControl(pc);
        T->SetCaption(Caption);
        return T;
    };
    tabBase = Sheet("tabBase", "Общие"_a);
    tabPage = Sheet("tabPage", "Лист шаблона"_a);
    tabView = Sheet("tabView", "Элемент"_a);
    tabPrinter = Sheet("tabPrinter", "Принтер"_a);
    tabDesigner = Sheet("tabDesigner", "Конструктор"_a);
    BuildBasePage();
    BuildSheetPage();
    BuildViewPage();
    BuildPrinterPage();
    BuildDesignerPage();

    btOk = AddButton(this, "btOk", "Ok", mrNone, 252, 298, 75);
    btOk->SetDefault(true);
    btOk->OnClick = TNotifyEvent(this, &TOptForm::btOkClick);
    btCancel = AddButton(this, "btCancel", "Отмена"_a, mrCancel, 336, 298, 75);
    btCancel->SetCancel(true);
}

void TOptForm::BuildBasePage()
{
    TWinControl* P = tabBase;
    AddLabel(P, "Наименование  документа"_a, 8, 8);
    edNameDoc = new TEdit(this);
    edNameDoc->SetName("edNameDoc");
    edNameDoc->SetParent(P);
    edNameDoc->SetBounds(8, 24, 384, 21);
    AddLabel(P, "Номер категории отчета"_a, 8, 56);
    edCategory = AddInteger(P, "edCategory", 170, 52, 70);
    AddLabel(P, "Номер версии отчета"_a, 8, 82);
    edVers = AddInteger(P, "edVers", 170, 78, 70);

    TGroupBox* G = AddGroup(P, "gbMargins", "Поля (в см)"_a, 8, 106, 384, 74);
    AddLabel(G, "Сверху"_a, 12, 22);
    edMarginTop = AddFloat(G, "edMarginTop", 3, 70, 18, 70);
    lbMarginBottom = AddLabel(G, "Снизу"_a, 12, 48);
    edMarginBottom = AddFloat(G, "edMarginBottom", 3, 70, 44, 70);
    AddLabel(G, "Слева"_a, 200, 22);
    edMarginLeft = AddFloat(G, "edMarginLeft", 3, 260, 18, 70);
    lbMarginRight = AddLabel(G, "Справа"_a, 200, 48);
    edMarginRight = AddFloat(G, "edMarginRight", 3, 260, 44, 70);

    cbPrintStretchDraw = AddCheck(P, "cbPrintStretchDraw",
                                  "\"Вписывать\" в поле  печати на принтер"_a, 8, 188, 300);
    cbPrintStretchDraw->OnClick = TNotifyEvent(this, &TOptForm::cbPrintStretchDrawClick);
    cbCheckDimensions = AddCheck(P, "cbCheckDimensions", "Проверять область печати"_a, 8, 208, 300);
    AddLabel(P, "Файл:"_a, 8, 236);
    lbFile = AddLabel(P, "", 40, 236);
    lbFile->SetName("lbFile");
}

void TOptForm::BuildSheetPage()
{
    TWinControl* P = tabPage;
    cbPrintToPrevPage = AddCheck(P, "cbPrintToPrevPage", "Печать вплотную к пред.листу"_a, 8, 12, 300);
    cbPageHeaderOnFirst = AddCheck(P, "cbPageHeaderOnFirst",
                                   "\"Шапка страницы\" на первой странице"_a, 8, 34, 300);
    TGroupBox* G = AddGroup(P, "gbOrientation", " Ориентация листа "_a, 8, 62, 200, 70);
    rbPagePortrait = AddRadio(G, "rbPagePortrait", "Портретная"_a, 12, 20, 170);
    rbPageLandscape = AddRadio(G, "rbPageLandscape", "Альбомная"_a, 12, 42, 170);
    cbDouble = AddCheck(P, "cbDouble", "Дважды на листе"_a, 8, 144, 300);
}

void TOptForm::BuildViewPage()
{
    TWinControl* P = tabView;
    TGroupBox* G = AddGroup(P, "gbFont", " Шрифт "_a, 8, 6, 384, 72);
    cbFont = new TComboBox(this);
    cbFont->SetName("cbFont");
    cbFont->SetParent(G);
    cbFont->SetBounds(12, 18, 220, 21);
    cbFont->SetDropDownCount(16);
    cbFSize = new TComboBox(this);
    cbFSize->SetName("cbFSize");
    cbFSize->SetParent(G);
    cbFSize->SetBounds(240, 18, 60, 21);
    cbFSize->SetDropDownCount(16);
    cbBold = AddCheck(G, "cbBold", "Жирный"_a, 12, 46, 100);
    cbItalic = AddCheck(G, "cbItalic", "Курсив"_a, 120, 46, 100);

    G = AddGroup(P, "gbFrame", " Прямоугольник "_a, 8, 82, 160, 50);
    edFrameWidth = new TEdit(this);
    edFrameWidth->SetName("edFrameWidth");
    edFrameWidth->SetParent(G);
    edFrameWidth->SetBounds(12, 18, 34, 21);
    edFrameWidth->SetReadOnly(true);
    udFrameWidth = new TUpDown(this);
    udFrameWidth->SetName("udFrameWidth");
    udFrameWidth->SetParent(G);
    udFrameWidth->SetMin(1);
    udFrameWidth->SetMax(20);
    udFrameWidth->SetAssociate(edFrameWidth);
    AddLabel(G, "Толщина рамки"_a, 68, 22);

    G = AddGroup(P, "gbAlign", " Выравнивание текста "_a, 176, 82, 216, 74);
    const auto Align = [&](const char* Name, int A, int X) {
        auto* B = new TSpeedButton(this);
        B->SetName(Name);
        B->SetParent(G);
        B->SetBounds(X, 18, 25, 24);
        B->SetGroupIndex(1);
        B->SetGlyph(AlignGlyph(A));
        return B;
    };
    sbLeft = Align("sbLeft", 0, 12);
    sbCenter = Align("sbCenter", 2, 38);
    sbRight = Align("sbRight", 1, 64);
    sbLeft->SetDown(true);
    cbVCenter = AddCheck(G, "cbVCenter", "По высоте"_a, 100, 22, 110);
    cbVert = AddCheck(G, "cbVert", "Вертикальный текст"_a, 12, 48, 190);

    G = AddGroup(P, "gbText", " Текст "_a, 8, 160, 384, 80);
    AddLabel(G, "Содержание"_a, 12, 22);
    edLabelText = new TEdit(this);
    edLabelText->SetName("edLabelText");
    edLabelText->SetParent(G);
    edLabelText->SetBounds(90, 18, 280, 21);
    cbFrameTyp = AddCheck(G, "cbFrameTyp", "С рамкой"_a, 12, 50, 150);
}

void TOptForm::BuildPrinterPage()
{
    TWinControl* P = tabPrinter;
    TGroupBox* G = AddGroup(P, "gbPrinter", "  Принтер  "_a, 8, 6, 384, 96);
    rbDefaultPrinter = AddRadio(G, "rbDefaultPrinter", "Текущий (по умолчанию)"_a, 12, 20, 250);
    rbSelectPrinter = AddRadio(G, "rbSelectPrinter", "Выбор из списка"_a, 12, 42, 250);
    rbDefaultPrinter->OnClick = TNotifyEvent(this, &TOptForm::rbSelectPrinterClick);
    rbSelectPrinter->OnClick = TNotifyEvent(this, &TOptForm::rbSelectPrinterClick);
    cbPrinter = new TComboBox(this);
    cbPrinter->SetName("cbPrinter");
    cbPrinter->SetParent(G);
    cbPrinter->SetBounds(30, 64, 340, 21);
    cbPrinter->SetStyle(csDropDownList);
    cbPrinter->OnChange = TNotifyEvent(this, &TOptForm::cbPrinterChange);

    gbPageSize = AddGroup(P, "gbPageSize", "  Размеры листа печати (mm)  "_a, 8, 110, 384, 110);
    G = gbPageSize;
    FPageSizeLabels[0] = AddLabel(G, "Высота"_a, 12, 24);
    edPrinterPageHeight = AddFloat(G, "edPrinterPageHeight", 2, 90, 20, 80);
    FPageSizeLabels[1] = AddLabel(G, "Ширина"_a, 12, 50);
    edPrinterPageWidth = AddFloat(G, "edPrinterPageWidth", 2, 90, 46, 80);
    FPageSizeLabels[2] = AddLabel(G, "Смещение X"_a, 200, 24);
    edPrinterPageOffsetX = AddFloat(G, "edPrinterPageOffsetX", 2, 280, 20, 80);
    FPageSizeLabels[3] = AddLabel(G, "Смещение Y"_a, 200, 50);
    edPrinterPageOffsetY = AddFloat(G, "edPrinterPageOffsetY", 2, 280, 46, 80);
    cbPrinterPageDefailtSize =
        AddCheck(G, "cbPrinterPageDefailtSize", "По умолчанию"_a, 12, 80, 200);
    cbPrinterPageDefailtSize->OnClick =
        TNotifyEvent(this, &TOptForm::cbPrinterPageDefailtSizeClick);
}

void TOptForm::BuildDesignerPage()
{
    TWinControl* P = tabDesigner;
    TGroupBox* G = AddGroup(P, "gbShape", " Выделение объектов "_a, 8, 6, 186, 66);
    rbShapeRound = AddRadio(G, "rbShapeRound", "Контуром"_a, 12, 18, 160);
    rbShapeInvers = AddRadio(G, "rbShapeInvers", "Инверсией"_a, 12, 40, 160);
    G = AddGroup(P, "gbGrid", " Шаг сетки "_a, 206, 6, 186, 66);
    rbrbGridSize4pix = AddRadio(G, "rbrbGridSize4pix", "4 точки"_a, 12, 18, 160);
    rbGridSize8pix = AddRadio(G, "rbGridSize8pix", "8 точек"_a, 12, 40, 160);
    G = AddGroup(P, "gbClear", " Прозрачный цвет "_a, 8, 76, 186, 44);
    cbClearAsWhite = AddCheck(G, "cbClearAsWhite", "Показать белым"_a, 12, 18, 160);
    G = AddGroup(P, "gbBandName", " Название секции "_a, 206, 76, 186, 66);
    cbShowBandName = AddCheck(G, "cbShowBandName", "Показывать"_a, 12, 18, 160);
    rbRus = AddRadio(G, "rbRus", "Rus", 12, 40, 60);
    rbLat = AddRadio(G, "rbLat", "Lat", 80, 40, 60);
    G = AddGroup(P, "gbCount", " Количество данных "_a, 8, 124, 186, 100);
    G->SetHint("Количество строк данных при \r\nпредпросмотре документа"_a);
    G->SetShowHint(true);
    AddLabel(G, "Основных"_a, 12, 22);
    edMaster = AddInteger(G, "edMaster", 120, 18, 52);
    AddLabel(G, "Детализированых"_a, 12, 48);
    edDetail = AddInteger(G, "edDetail", 120, 44, 52);
    AddLabel(G, "Подчиненных"_a, 12, 74);
    edSubDetail = AddInteger(G, "edSubDetail", 120, 70, 52);
    G = AddGroup(P, "gbCoord", " Координаты "_a, 206, 146, 186, 44);
    rbCoordMM = AddRadio(G, "rbCoordMM", "мм"_a, 12, 18, 60);
    rbCoordPix = AddRadio(G, "rbCoordPix", "точки"_a, 80, 18, 90);
}

// ---- filling ----------------------------------------------------------------------------

void TOptForm::FormShow(TObject*)
{
    Fill();
}

void TOptForm::Fill()
{
    if (Filling || !Document)
        return;
    struct FillingScope {
        bool& Flag;
        explicit FillingScope(bool& F) : Flag(F) { Flag = true; }
        ~FillingScope() { Flag = false; }
    } Scope(Filling);

    TDocument& D = *Document;
    edNameDoc->SetText(D.NameDocument());
    edCategory->SetValue(D.Category());
    edVers->SetValue(D.Version());
    lbFile->SetCaption(D.NameSaveFile());
    cbPrintStretchDraw->SetChecked(D.PrintStretchDraw);
    edMarginBottom->SetValue(MarginToCm(D.MarginBottom));
    edMarginTop->SetValue(MarginToCm(D.MarginTop));
    edMarginLeft->SetValue(MarginToCm(D.MarginLeft));
    edMarginRight->SetValue(MarginToCm(D.MarginRight));
    cbPrintStretchDrawClick(nullptr);
    cbDouble->SetChecked(D.DoubleOnSheet);

    if (const TPage* Page = D.CurrentPage()) {
        cbPrintToPrevPage->SetChecked(Page->PrintToPrevPage);
        cbPageHeaderOnFirst->SetChecked(Page->PageHeaderOnFirst);
        rbPagePortrait->SetChecked(Page->Orientation == 0);
        rbPageLandscape->SetChecked(Page->Orientation == 1);
    }
    FillDefaults();

    const T_RPDefDesigner& S = *D.DefDesigner;
    rbShapeRound->SetChecked(!S.ShapeInvers);
    rbShapeInvers->SetChecked(S.ShapeInvers);
    rbGridSize8pix->SetChecked(S.GridSize == 8);
    rbrbGridSize4pix->SetChecked(S.GridSize != 8);
    cbClearAsWhite->SetChecked(S.ClearAsWhite);
    cbShowBandName->SetChecked(S.ShowBandName);
    rbRus->SetChecked(S.BandNameRus);
    rbLat->SetChecked(!S.BandNameRus);
    edMaster->SetValue(S.BMasterCount);
    edDetail->SetValue(S.BDetailCount);
    edSubDetail->SetValue(S.BSubDetailCount);
    rbCoordMM->SetChecked(S.CoordMM);
    rbCoordPix->SetChecked(!S.CoordMM);
    cbCheckDimensions->SetChecked(S.CheckDimensions);

    FillPrinterPage();
}

void TOptForm::FillDefaults()
{
    const T_RPDefDesigner& S = *Document->DefDesigner;
    cbFont->Items()->Assign(FontNames ? FontNames : Screen->Fonts());
    const int FontItem = FindFontItem(cbFont->Items(), S.FontName);
    cbFont->SetItemIndex(FontItem);
    // A face the list lacks (the screen has other families than the
    // template's) stays as it is rather than becoming another face.
    if (FontItem < 0)
        cbFont->SetText(S.FontName);

    if (FontSizes)
        cbFSize->Items()->Assign(FontSizes);
    else
        FillFontSizes(cbFSize->Items());
    int SizeItem = 1;
    for (int I = 0; I < cbFSize->Items()->Count(); ++I) {
        Integer N = 0;
        if (TryStrToInt(cbFSize->Items()->Strings(I), N) && N >= S.FontSize) {
            SizeItem = I;
            break;
        }
    }
    cbFSize->SetItemIndex(SizeItem);

    edLabelText->SetText(S.LabelText);
    cbBold->SetChecked((S.FontStyle & 2) != 0);
    cbItalic->SetChecked((S.FontStyle & 1) != 0);
    (S.LabelAlignment == 1 ? sbRight : S.LabelAlignment == 2 ? sbCenter : sbLeft)->SetDown(true);
    cbVert->SetChecked(S.LabelVertical);
    cbVCenter->SetChecked(S.LabelVertCenter);
    udFrameWidth->SetPosition(S.FrameWidth);
    cbFrameTyp->SetChecked((S.FrameTyp & 15) != 0);
}

void TOptForm::FillPrinterPage()
{
    TDocument& D = *Document;
    try {
        D.UpdatePrnInfo(/*Force=*/true);
    } catch (const Exception& E) {
        // The printer failed: the document stands on the fallback paper
        // (PrnIndex -2) and the page below stays disabled.
        ErrorMsg(E.Message);
    }
    const bool Usable = D.PrnIndex != -2;
    for (int I = 0; I < tabPrinter->ControlCount(); ++I)
        SetChildControlsEnabled(static_cast<TWinControl*>(tabPrinter->Controls(I)), Usable);
    if (!Usable)
        return;
    FPrinterAtShow = Printer()->PrinterIndex();

    cbPrinter->Items()->Clear();
    PrinterNumbers.clear();
    const auto Add = [this](const AnsiString& Text, int Number) {
        cbPrinter->Items()->Add(Text);
        PrinterNumbers.push_back(Number);
    };
    Add("По умолчанию"_a, 0);
    if (D.OnSetPrinterEvent)
        for (int I = 0; I < 3; ++I)
            Add(AnsiString::FromUtf8(ConfigPrinters[I]), -2 - I);
    TStrings* Installed = Printer()->Printers();
    for (int I = 0; I < Installed->Count(); ++I)
        Add(Installed->Strings(I), I + 1);

    int Item = 0;
    if (D.PrinterType != 0)
        Item = std::max(cbPrinter->Items()->IndexOf(D.PrinterName), 0);
    cbPrinter->SetItemIndex(Item);
    rbDefaultPrinter->SetChecked(Item == 0);
    rbSelectPrinter->SetChecked(Item != 0);
    cbPrinter->SetEnabled(Item != 0);

    cbPrinterPageDefailtSize->SetChecked(D.PrinterPageDefaultSize);
    try {
        ShowPageSize();
    } catch (const EAbort&) {
        // The message has been shown; the dialog opens with the fields
        // empty so that the rest can still be edited.
    }
}

// ---- handlers ---------------------------------------------------------------------------------

int TOptForm::PrinterItemOf(int Number) const
{
    for (size_t I = 0; I < PrinterNumbers.size(); ++I)
        if (PrinterNumbers[I] == Number)
            return static_cast<int>(I);
    return -1;
}

void TOptForm::SelectCurrentPrinterItem()
{
    const int Item = PrinterItemOf(Printer()->PrinterIndex() + 1);
    cbPrinter->SetItemIndex(Item < 0 ? 0 : Item);
}

void TOptForm::rbSelectPrinterClick(TObject*)
{
    if (Filling)
        return;
    FPrinterTouched = true;
    if (rbDefaultPrinter->Checked()) {
        Printer()->SetPrinterIndex(-1);
        cbPrinter->SetEnabled(false);
    } else {
        cbPrinter->SetEnabled(true);
        const int Item = cbPrinter->Items()->IndexOf(Document->PrinterName);
        const int Number = Item >= 0 ? PrinterNumbers[static_cast<size_t>(Item)] : 0;
        Printer()->SetPrinterIndex(Number > 0 ? Number - 1 : -1);
    }
    SelectCurrentPrinterItem();
    cbPrinterChange(nullptr);
}

void TOptForm::cbPrinterChange(TObject*)
{
    if (Filling)
        return;
    FPrinterTouched = true;
    const int Item = cbPrinter->ItemIndex();
    const int Number = Item >= 0 ? PrinterNumbers[static_cast<size_t>(Item)] : 0;
    const int Installed = Printer()->Printers()->Count();
    Printer()->SetPrinterIndex(Number > 0 && Number <= Installed ? Number - 1 : -1);
    // The document's own metrics follow on OK: measuring it now would
    // choose its stored printer again and undo the choice made here.
    ShowPageSize();
}

void TOptForm::cbPrinterPageDefailtSizeClick(TObject*)
{
    if (!Filling)
        ShowPageSize();
}

void TOptForm::ShowPageSize()
{
    const bool ByPrinter = cbPrinterPageDefailtSize->Checked();
    Tyl_FloatEdit* const Edits[] = {edPrinterPageHeight, edPrinterPageWidth,
                                    edPrinterPageOffsetX, edPrinterPageOffsetY};
    for (int I = 0; I < 4; ++I) {
        EnableEdit(Edits[I], !ByPrinter);
        FPageSizeLabels[I]->SetEnabled(!ByPrinter);
    }
    const TDocument& D = *Document;
    if (!ByPrinter) {
        edPrinterPageWidth->SetValue(PaperToMm(D.PrinterPageWidth));
        edPrinterPageHeight->SetValue(PaperToMm(D.PrinterPageHeight));
        edPrinterPageOffsetX->SetValue(PaperToMm(D.PrinterPageOffsetX));
        edPrinterPageOffsetY->SetValue(PaperToMm(D.PrinterPageOffsetY));
        return;
    }
    ReportPrinter* Port = InstalledReportPrinter();
    if (!Port)
        return;
    const TPage* Page = D.CurrentPage();
    const PrinterCaps Caps = Port->ReadCaps(Page ? Page->Orientation : 0);
    if (Caps.LogPixelsX <= 0 || Caps.LogPixelsY <= 0)
        ErrorMsgAbort("Возможно не определен принтер в системе"_a);
    edPrinterPageWidth->SetValue(DeviceToMm(Caps.PhysWidth, Caps.LogPixelsX));
    edPrinterPageHeight->SetValue(DeviceToMm(Caps.PhysHeight, Caps.LogPixelsY));
    edPrinterPageOffsetX->SetValue(DeviceToMm(Caps.PhysOffsetX, Caps.LogPixelsX));
    edPrinterPageOffsetY->SetValue(DeviceToMm(Caps.PhysOffsetY, Caps.LogPixelsY));
}

void TOptForm::cbPrintStretchDrawClick(TObject*)
{
    const bool Fit = cbPrintStretchDraw->Checked();
    EnableEdit(edMarginBottom, Fit);
    EnableEdit(edMarginRight, Fit);
    lbMarginBottom->SetEnabled(Fit);
    lbMarginRight->SetEnabled(Fit);
}

// ---- storing -----------------------------------------------------------------------------------

void TOptForm::FormClose(TObject*, TCloseAction& Action)
{
    Action = caHide;
    if (ModalResult() == mrOk)
        return;
    if (FPrinterTouched && Printer()->PrinterIndex() != FPrinterAtShow)
        Printer()->SetPrinterIndex(FPrinterAtShow);
}

void TOptForm::btOkClick(TObject*)
{
    Store();
    SetModalResult(mrOk);
}

void TOptForm::Store()
{
    TDocument& D = *Document;
    // Every number is read before anything is stored: a text that is no
    // number stops the confirmation with the edit's error and the template
    // stays as it was.
    const Integer Category = edCategory->Value();
    const Integer Version = edVers->Value();
    const Integer Top = CmToMargin(edMarginTop->Value());
    const Integer Left = CmToMargin(edMarginLeft->Value());
    const Integer Bottom = CmToMargin(edMarginBottom->Value());
    const Integer Right = CmToMargin(edMarginRight->Value());
    const Integer Master = edMaster->Value();
    const Integer Detail = edDetail->Value();
    const Integer SubDetail = edSubDetail->Value();
    const bool ByPrinter = cbPrinterPageDefailtSize->Checked();
    Integer Paper[4] = {D.PrinterPageWidth, D.PrinterPageHeight, D.PrinterPageOffsetX,
                        D.PrinterPageOffsetY};
    if (D.PrnIndex != -2 && !ByPrinter) {
        Paper[0] = MmToPaper(edPrinterPageWidth->Value());
        Paper[1] = MmToPaper(edPrinterPageHeight->Value());
        Paper[2] = MmToPaper(edPrinterPageOffsetX->Value());
        Paper[3] = MmToPaper(edPrinterPageOffsetY->Value());
    }

    D.SetNameDocument(edNameDoc->Text());
    D.SetCategory(Category);
    D.SetVersion(Version);
    D.PrintStretchDraw = cbPrintStretchDraw->Checked();
    D.MarginTop = Top;
    D.MarginLeft = Left;
    // Margins that do not count while pages are not fitted are kept as
    // edited: printing without fitting uses only the top and left ones.
    D.MarginBottom = Bottom;
    D.MarginRight = Right;
    D.DoubleOnSheet = cbDouble->Checked();

    if (TPage* Page = D.CurrentPage()) {
        Page->PrintToPrevPage = cbPrintToPrevPage->Checked();
        Page->PageHeaderOnFirst = cbPageHeaderOnFirst->Checked();
        Page->Orientation = rbPageLandscape->Checked() ? 1 : 0;
    }

    T_RPDefDesigner& S = *D.DefDesigner;
    S.ShapeInvers = rbShapeInvers->Checked();
    S.GridSize = rbGridSize8pix->Checked() ? 8 : 4;
    S.LabelText = edLabelText->Text();
    S.FontName = cbFont->Text();
    S.FontSize = StrToIntDef(cbFSize->Text(), 10);
    S.FontStyle = static_cast<Word>(2 * cbBold->Checked() + cbItalic->Checked());
    S.LabelAlignment = sbLeft->Down() ? 0 : sbRight->Down() ? 1 : 2;
    S.LabelVertical = cbVert->Checked();
    S.LabelVertCenter = cbVCenter->Checked();
    S.FrameWidth = udFrameWidth->Position();
    S.FrameTyp = cbFrameTyp->Checked() ? 15 : 0;
    S.ClearAsWhite = cbClearAsWhite->Checked();
    S.ShowBandName = cbShowBandName->Checked();
    S.BandNameRus = rbRus->Checked();
    S.BMasterCount = Master;
    S.BDetailCount = Detail;
    S.BSubDetailCount = SubDetail;
    S.CoordMM = rbCoordMM->Checked();
    S.CheckDimensions = cbCheckDimensions->Checked();

    if (D.PrnIndex != -2) {
        StorePrinter();
        D.PrinterPageDefaultSize = ByPrinter;
        D.PrinterPageWidth = Paper[0];
        D.PrinterPageHeight = Paper[1];
        D.PrinterPageOffsetX = Paper[2];
        D.PrinterPageOffsetY = Paper[3];
    }
    try {
        D.UpdatePrnInfo(/*Force=*/true);
    } catch (const Exception& E) {
        // Stored all the same; the document measures on the fallback paper.
        ErrorMsg(E.Message);
    }
}

void TOptForm::StorePrinter()
{
    TDocument& D = *Document;
    const int Item = cbPrinter->ItemIndex();
    const int Number = rbSelectPrinter->Checked() && Item > 0
                           ? PrinterNumbers[static_cast<size_t>(Item)]
                           : 0;
    TStrings* Installed = Printer()->Printers();
    if (Number < -1) {
        D.PrinterType = -Number - 1;
        D.PrinterName = cbPrinter->Items()->Strings(Item);
    } else if (Number >= 1 && Number <= Installed->Count()) {
        D.PrinterType = -1;
        D.PrinterName = Installed->Strings(Number - 1);
    } else {
        D.PrinterType = 0;
        D.PrinterName = AnsiString();
    }
}

// The designer window: its controls and actions, the control update after
// changes, pages, zoom, saving and reloading, the sample preview, the
// print-area check and the close questions. The commands that work on
// elements are in RP_DesignFormActions.cpp, the surface in
// RP_DesignFormSurface.cpp, the rulers in RP_DesignFormRule.cpp.

#include "common/reports/RP_DesignForm.h"

#include "common/reports/RP_DesignFormPrivate.h"
#include "common/reports/RP_OptForm.h"
#include "common/reports/RP_Page.h"
#include "common/reports/RP_PreviewForm.h"
#include "common/reports/RP_StateStack.h"
#include "common/reports/RP_View.h"
#include "common/reports/RP_ViewCoords.h"
#include "common/components/MsgWin.h"

#include "platform/classes/Strings.h"
#include "platform/forms/ActnList.h"
#include "platform/forms/Buttons.h"
#include "platform/forms/ComCtrls.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/ImgList.h"
#include "platform/forms/Menus.h"
#include "platform/forms/StdCtrls.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/StrUtils.h"
#include "platform/winapi/Windows.h"

#include <algorithm>
#include <cmath>

using namespace design_form;

namespace {

constexpr UINT WM_CHECKPRINTAREA = WM_USER + 1;
constexpr UINT WM_UPDATECONTROLS = WM_USER + 2;

/// The hourglass for the life of the scope.
struct HourGlass {
    TCursor Saved;
    HourGlass() : Saved(Screen->Cursor()) { Screen->SetCursor(crHourGlass); }
    ~HourGlass() { Screen->SetCursor(Saved); }
    HourGlass(const HourGlass&) = delete;
    HourGlass& operator=(const HourGlass&) = delete;
};

}  // namespace

PRICETAGS_DEFINE_CLASS(TDesignForm)

TDesignForm::TDesignForm(TComponent* AOwner) : TForm(AOwner)
{
    {
        const LoadingScope Loading(this);
        BuildControls();
    }
    // Create handler.
    LastZoom = 1.0;
    BeginUpdate();
    BaseCaption = Caption();
    pn->SetColor(sb->Color());
    Surface = new TPreview(this);
    Surface->SetName("Surface");
    Surface->SetParent(pn);
    Surface->SetPopupMenu(PreviewPopup);
    VertRule = new TRule(this);
    VertRule->SetVertical(true);
    VertRule->SetAlign(alClient);
    VertRule->SetColors(pnVertRule->Color());
    VertRule->SetParent(pnVertRule);
    HorzRule = new TRule(this);
    HorzRule->SetAlign(alClient);
    HorzRule->SetColors(pnHorzRule->Color());
    HorzRule->SetParent(pnHorzRule);
    cbFonts->Items()->Assign(Screen->Fonts());
    EndUpdate();
    DoCreate();
}

TDesignForm::~TDesignForm()
{
    States.reset();
    delete OldMenu;
    OldMenu = nullptr;
    if (Document && Document->DesignForm() == this)
        Document->SetDesignForm(nullptr);
}

void TDesignForm::SetDocument(TDocument* ADocument)
{
    Document = ADocument;
    if (Document)
        Document->SetDesignForm(this);
}

void TDesignForm::BuildControls()
{
    SetName("DesignForm");
    SetCaption("Конструктор отчетов"_a);
    SetKeyPreview(true);
    SetClientWidth(760);
    SetClientHeight(540);
    Font()->SetName("MS Sans Serif");
    Font()->SetHeight(-11);
    OnShow = TNotifyEvent(this, &TDesignForm::FormShow);
    OnClose = TCloseEvent(this, &TDesignForm::FormClose);
    OnCloseQuery = TCloseQueryEvent(this, &TDesignForm::FormCloseQuery);
    OnKeyDown = TKeyEvent(this, &TDesignForm::FormKeyDown);
    OnKeyUp = TKeyEvent(this, &TDesignForm::FormKeyUp);
    OnShortCut = TShortCutEvent(this, &TDesignForm::FormShortCut);
    OnMouseWheel = TMouseWheelEvent(this, &TDesignForm::FormMouseWheel);
    OnResize = TNotifyEvent(this, &TDesignForm::FormResize);

    ImageList = MakeToolImages(this);
    ImageList->SetName("ImageList");
    ImageListRulers = new TImageList(this);
    ImageListRulers->SetName("ImageListRulers");
    BuildActions();
    BuildMenus();
    BuildToolBars();

    StatusBar = new TStatusBar(this);
    StatusBar->SetName("StatusBar");
    StatusBar->SetParent(this);
    for (int W : {1, 80, 150, 150, 100})
        StatusBar->Panels()->Add()->SetWidth(W);

    auto* pnTop = new TPanel(this);
    pnTop->SetName("pnTopRule");
    pnTop->SetParent(this);
    pnTop->SetAlign(alTop);
    pnTop->SetTop(200);
    pnTop->SetHeight(20);
    pnTop->SetBevelOuter(bvNone);
    pnTop->SetCaption("");
    btObjSelectCorn = new TSpeedButton(this);
    btObjSelectCorn->SetName("btObjSelectCorn");
    btObjSelectCorn->SetParent(pnTop);
    btObjSelectCorn->SetAlign(alLeft);
    btObjSelectCorn->SetWidth(20);
    btObjSelectCorn->SetGroupIndex(7);
    btObjSelectCorn->SetAllowAllUp(true);
    btObjSelectCorn->SetHint("Выделить все / Отменить выделение"_a);
    btObjSelectCorn->SetShowHint(true);
    btObjSelectCorn->OnClick = TNotifyEvent(this, &TDesignForm::SelectCornClick);
    pnHorzRule = new TPanel(this);
    pnHorzRule->SetName("pnHorzRule");
    pnHorzRule->SetParent(pnTop);
    pnHorzRule->SetAlign(alClient);
    pnHorzRule->SetBevelOuter(bvNone);
    pnHorzRule->SetCaption("");
    pnHorzRule->SetDoubleBuffered(true);

    pnVertRule = new TPanel(this);
    pnVertRule->SetName("pnVertRule");
    pnVertRule->SetParent(this);
    pnVertRule->SetAlign(alLeft);
    pnVertRule->SetWidth(20);
    pnVertRule->SetBevelOuter(bvNone);
    pnVertRule->SetCaption("");
    pnVertRule->SetDoubleBuffered(true);

    sb = new TScrollBox(this);
    sb->SetName("sb");
    sb->SetParent(this);
    sb->SetAlign(alClient);
    sb->SetColor(clGray);
    sb->HorzScrollBar()->SetTracking(true);
    sb->VertScrollBar()->SetTracking(true);
    sb->OnResize = TNotifyEvent(this, &TDesignForm::sbResize);
    pn = new TPanel(this);
    pn->SetName("pn");
    pn->SetParent(sb);
    pn->SetBevelOuter(bvNone);
    pn->SetBorderWidth(10);
    pn->SetCaption("");
    pn->SetDoubleBuffered(true);
    pn->SetBounds(0, 0, 100, 100);

    BuildLists();

    FontDialog = new TFontDialog(this);
    FontDialog->SetName("FontDialog");
    ColorDialog = new TColorDialog(this);
    ColorDialog->SetName("ColorDialog");
}

TAction* TDesignForm::MakeAction(const char* Name, const char* Caption, TShortCut Key, int Tag,
                                 void (TDesignForm::*Execute)(TObject*))
{
    auto* A = new TAction(this);
    A->SetName(Name);
    A->SetCaption(AnsiString::FromUtf8(Caption));
    A->SetShortCut(Key);
    A->SetTag(Tag);
    A->SetActionList(Actions);
    A->OnExecute = TNotifyEvent(this, Execute);
    return A;
}

void TDesignForm::BuildActions()
{
    Actions = new TActionList(this);
    Actions->SetName("Actions");
    Actions->SetImages(ImageList);
    using F = TDesignForm;
    const auto Ctrl = [](Word Key) { return ShortCut(Key, TShiftState{ssCtrl}); };
    DocSaveExit = MakeAction("DocSaveExit", "Сохранить и выйти", 0, 0, &F::aDocSaveExit);
    DocExit = MakeAction("DocExit", "Выйти без сохранения", ShortCut('X', TShiftState{ssAlt}), 0,
                         &F::aDocExit);
    DocSave = MakeAction("DocSave", "Сохранить", Ctrl('S'), 0, &F::aDocSave);
    DocReload = MakeAction("DocReload", "Восстановить с диска", 0, 0, &F::aDocReload);
    DocPreview = MakeAction("DocPreview", "Просмотр", VK_F3, 0, &F::aDocPreview);
    DocUndo = MakeAction("DocUndo", "Вернуть", Ctrl('Z'), 0, &F::aDocUndo);
    DocRedo = MakeAction("DocRedo", "Повторить", ShortCut('Z', TShiftState{ssShift, ssCtrl}), 0,
                         &F::aDocRedo);
    DocRedraw = MakeAction("DocRedraw", "Перерисовать", Ctrl('R'), 0, &F::aDocRedraw);
    DocScale1 = MakeAction("DocScale1", "1:1", 0, 1, &F::aDocScale);
    DocScale2 = MakeAction("DocScale2", "2:1", 0, 2, &F::aDocScale);
    DocScale4 = MakeAction("DocScale4", "4:1", 0, 4, &F::aDocScale);
    PropGridShow = MakeAction("PropGridShow", "Сетка", 0, 0, &F::aPropGridShow);
    PropGridSnap = MakeAction("PropGridSnap", "Привязать к сетке", 0, 0, &F::aPropGridSnap);
    PropShowWhite = MakeAction("PropShowWhite", "Прозрачный как белый", Ctrl('W'), 0,
                               &F::aPropShowWhite);
    PropReport = MakeAction("PropReport", "Параметры документа", 0, 0, &F::aPropReport);
    PgProp = MakeAction("PgProp", "Свойства листа", 0, 0, &F::aPgProp);
    PropDesign = MakeAction("PropDesign", "Параметры дизайнера", 0, 0, &F::aPropDesign);
    PgNew = MakeAction("PgNew", "Новый", 0, 0, &F::aPgNew);
    PgDel = MakeAction("PgDel", "Удалить", 0, 0, &F::aPgDel);
    PgCheck = MakeAction("PgCheck", "Проверить лист", 0, 0, &F::aPgCheck);
    PgPrev = MakeAction("PgPrev", "Предыдущий", 0, 0, &F::aPgPrev);
    PgNext = MakeAction("PgNext", "Следующий", 0, 0, &F::aPgNext);
    ObjSelect = MakeAction("ObjSelect", "Выделить все", Ctrl('A'), 0, &F::aObjSelect);
    ObjCut = MakeAction("ObjCut", "Вырезать", Ctrl('X'), 0, &F::aObjCut);
    ObjCopy = MakeAction("ObjCopy", "Копировать", Ctrl('C'), 0, &F::aObjCopy);
    ObjPaste = MakeAction("ObjPaste", "Вставить", Ctrl('V'), 0, &F::aObjPaste);
    ObjDelete = MakeAction("ObjDelete", "Удалить", VK_DELETE, 0, &F::aObjDelete);
    ObjUp = MakeAction("ObjUp", "Поднять наверх", 0, 0, &F::aObjUp);
    ObjDown = MakeAction("ObjDown", "Спустить вниз", 0, 0, &F::aObjDown);
    ObjPrev = MakeAction("ObjPrev", "Предыдущий", Ctrl('P'), 0, &F::aObjPrev);
    ObjNext = MakeAction("ObjNext", "Следующий", Ctrl('N'), 0, &F::aObjNext);
    ObjSelectBand = MakeAction("ObjSelectBand", "Выделить секцию", 0, 0, &F::aObjSelectBand);
    ObjTextSelect = MakeAction("ObjTextSelect", "Выделить только надписи", 0, 0,
                               &F::aObjTextSelect);
    ObjShapeSelect = MakeAction("ObjShapeSelect", "Выделить только линии", 0, 0,
                                &F::aObjShapeSelect);
    PropEdit = MakeAction("PropEdit", "Свойства", 0, 0, &F::aPropEdit);
    ObjAutoSize = MakeAction("ObjAutoSize", "Авторазмер секции", 0, 20, &F::aToggleApply);
    ObjWordWrap = MakeAction("ObjWordWrap", "Перенос по словам", 0, 21, &F::aToggleApply);
    ObjFont = MakeAction("ObjFont", "Свойства шрифта", 0, 0, &F::aObjFont);
    ObjFontColor = MakeAction("ObjFontColor", "Цвет шрифта", 0, 17, &F::aObjFontColor);
    ObjBackgroundColor =
        MakeAction("ObjBackgroundColor", "Цвет фона", 0, 5, &F::aObjBackgroundColor);
    ObjVertHorzText = MakeAction("ObjVertHorzText", "Текст 90", 0, 14, &F::aToggleApply);
    ObjLeftJustify = MakeAction("ObjLeftJustify", "Влево", 0, 11, &F::aHorzAlign);
    ObjRightJustify = MakeAction("ObjRightJustify", "Вправо", 0, 12, &F::aHorzAlign);
    ObjHorzCenter = MakeAction("ObjHorzCenter", "По центру", 0, 13, &F::aHorzAlign);
    ObjVertTop = MakeAction("ObjVertTop", "По верху", 0, 15, &F::aVertAlign);
    ObjVertCenter = MakeAction("ObjVertCenter", "По высоте", 0, 22, &F::aVertAlign);
    ObjVertBottom = MakeAction("ObjVertBottom", "По низу", 0, 23, &F::aVertAlign);
    ObjFontBold = MakeAction("ObjFontBold", "Жирный", 0, 9, &F::aToggleApply);
    ObjFontItalic = MakeAction("ObjFontItalic", "Курсив", 0, 10, &F::aToggleApply);
    ObjFontUnderLine = MakeAction("ObjFontUnderLine", "Подчеркнутый", 0, 18, &F::aToggleApply);
    ShapeRound = MakeAction("ShapeRound", "Вокруг", 0, 19, &F::aToggleApply);
    ShapeLeft = MakeAction("ShapeLeft", "Слева", 0, 2, &F::aToggleApply);
    ShapeRight = MakeAction("ShapeRight", "Справа", 0, 4, &F::aToggleApply);
    ShapeTop = MakeAction("ShapeTop", "Сверху", 0, 1, &F::aToggleApply);
    ShapeBottom = MakeAction("ShapeBottom", "Снизу", 0, 3, &F::aToggleApply);
    for (int I = 0; I < ComponentCount(); ++I)
        if (auto* A = dynamic_cast<TAction*>(Components(I)))
            A->SetImageIndex(ToolImageOf(A->Name()));
}

void TDesignForm::BuildMenus()
{
    MainMenu = new TMainMenu(this);
    MainMenu->SetName("MainMenu");
    MainMenu->SetImages(ImageList);
    const auto Sub = [this](TMenuItem* Parent, const char* Caption) {
        auto* M = new TMenuItem(this);
        M->SetCaption(AnsiString::FromUtf8(Caption));
        Parent->Add(M);
        return M;
    };
    const auto Act = [this](TMenuItem* Parent, TAction* A) {
        auto* M = new TMenuItem(this);
        M->SetAction(A);
        Parent->Add(M);
        return M;
    };
    const auto Line = [this](TMenuItem* Parent) {
        auto* M = new TMenuItem(this);
        M->SetCaption("-");
        Parent->Add(M);
        return M;
    };
    TMenuItem* Doc = Sub(MainMenu->Items(), "Документ");
    Act(Doc, DocSave);
    mnDocSaveAs = Sub(Doc, "Сохранить как...");
    mnDocSaveAs->SetName("mnDocSaveAs");
    mnDocSaveAs->OnClick = TNotifyEvent(this, &TDesignForm::SaveAsClick);
    mnOpenNewWindow = Sub(Doc, "Открыть в новом окне");
    mnOpenNewWindow->SetName("mnOpenNewWindow");
    mnOpenNewWindow->OnClick = TNotifyEvent(this, &TDesignForm::OpenNewWindowClick);
    Act(Doc, DocReload);
    Line(Doc);
    Act(Doc, DocPreview);
    Act(Doc, PropReport);
    Line(Doc);
    Act(Doc, DocSaveExit);
    Act(Doc, DocExit);
    TMenuItem* Edit = Sub(MainMenu->Items(), "Правка");
    Act(Edit, DocUndo);
    Act(Edit, DocRedo);
    Line(Edit);
    Act(Edit, ObjCut);
    Act(Edit, ObjCopy);
    Act(Edit, ObjPaste);
    Act(Edit, ObjDelete);
    Line(Edit);
    Act(Edit, ObjSelect);
    TMenuItem* View = Sub(MainMenu->Items(), "Вид");
    Act(View, DocRedraw);
    Act(View, DocScale1);
    Act(View, DocScale2);
    Act(View, DocScale4);
    Line(View);
    Act(View, PropGridShow);
    Act(View, PropGridSnap);
    Act(View, PropShowWhite);
    Line(View);
    Act(View, PropDesign);
    TMenuItem* Sheet = Sub(MainMenu->Items(), "Лист");
    Act(Sheet, PgNew);
    Act(Sheet, PgDel);
    Line(Sheet);
    Act(Sheet, PgPrev);
    Act(Sheet, PgNext);
    Line(Sheet);
    Act(Sheet, PgProp);
    Act(Sheet, PgCheck);
    TMenuItem* Obj = Sub(MainMenu->Items(), "Объект");
    Act(Obj, PropEdit);
    Act(Obj, ObjUp);
    Act(Obj, ObjDown);
    Act(Obj, ObjPrev);
    Act(Obj, ObjNext);
    Line(Obj);
    TMenuItem* Frame = Sub(Obj, "Рамка");
    for (TAction* A : {ShapeRound, ShapeLeft, ShapeRight, ShapeTop, ShapeBottom})
        Act(Frame, A);
    TMenuItem* FontMenu = Sub(Obj, "Шрифт");
    for (TAction* A : {ObjFont, ObjFontColor, ObjBackgroundColor, ObjFontBold, ObjFontItalic,
                       ObjFontUnderLine, ObjVertHorzText})
        Act(FontMenu, A);
    TMenuItem* Align = Sub(Obj, "Выравнивание");
    for (TAction* A : {ObjLeftJustify, ObjRightJustify, ObjHorzCenter, ObjVertTop, ObjVertCenter,
                       ObjVertBottom})
        Act(Align, A);
    SetMenu(MainMenu);

    PreviewPopup = new TPopupMenu(this);
    PreviewPopup->SetName("PreviewPopup");
    PreviewPopup->SetImages(ImageList);
    TMenuItem* Items = PreviewPopup->Items();
    Act(Items, PropEdit);
    Line(Items);
    Act(Items, ObjCut);
    Act(Items, ObjCopy);
    Act(Items, ObjPaste);
    Act(Items, ObjDelete);
    Line(Items);
    Act(Items, ObjUp);
    Act(Items, ObjDown);
    Line(Items)->SetName("mnPopupLine1");
    mnPopupAutoSize = Act(Items, ObjAutoSize);
    mnPopupAutoSize->SetName("mnPopupAutoSize");
    mnPopupWordWrap = Act(Items, ObjWordWrap);
    mnPopupWordWrap->SetName("mnPopupWordWrap");
    Line(Items)->SetName("mnPopupLine2");
    mnPopupSelectBand = Act(Items, ObjSelectBand);
    mnPopupSelectBand->SetName("mnPopupSelectBand");
    mnPopupTextSelect = Act(Items, ObjTextSelect);
    mnPopupTextSelect->SetName("mnPopupTextSelect");
    mnPopupShapeSelect = Act(Items, ObjShapeSelect);
    mnPopupShapeSelect->SetName("mnPopupShapeSelect");

    PopupScale = new TPopupMenu(this);
    PopupScale->SetName("PopupScale");
    for (TAction* A : {DocScale1, DocScale2, DocScale4})
        Act(PopupScale->Items(), A);
    PopupBandTyp = new TPopupMenu(this);
    PopupBandTyp->SetName("PopupBandTyp");
}

void TDesignForm::BuildToolBars()
{
    tbDocument = new TToolBar(this);
    tbDocument->SetName("tbDocument");
    tbDocument->SetParent(this);
    tbDocument->SetAlign(alTop);
    tbDocument->SetImages(ImageList);
    tbDocument->SetFlat(true);
    tbDocument->SetWrapable(false);
    tbDocument->SetHeight(26);
    tbElements = tbDocument;
    tbFont = new TToolBar(this);
    tbFont->SetName("tbFont");
    tbFont->SetParent(this);
    tbFont->SetAlign(alTop);
    tbFont->SetTop(30);
    tbFont->SetImages(ImageList);
    tbFont->SetFlat(true);
    tbFont->SetWrapable(false);
    tbFont->SetHeight(26);
    tbFrame = tbFont;

    // A bar places its controls by their left edges: each new one goes
    // after those before it.
    int NextLeft = 0;
    const auto Place = [&NextLeft](TControl* C, TToolBar* Bar) {
        C->SetLeft(NextLeft += 100);
        C->SetParent(Bar);
    };
    const auto Button = [this, &Place](TToolBar* Bar, TAction* A, TToolButtonStyle Style) {
        auto* B = new TToolButton(this);
        Place(B, Bar);
        B->SetStyle(Style);
        if (A)
            B->SetAction(A);
        B->SetShowHint(true);
        return B;
    };
    const auto Gap = [this, &Place](TToolBar* Bar) {
        auto* B = new TToolButton(this);
        Place(B, Bar);
        B->SetStyle(tbsSeparator);
        B->SetWidth(8);
    };
    // The leave buttons carry their captions.
    auto* Ok = Button(tbDocument, DocSaveExit, tbsButton);
    Ok->SetName("btDocSaveExit");
    auto* Cancel = Button(tbDocument, DocExit, tbsButton);
    Cancel->SetName("btDocExit");
    Gap(tbDocument);
    Button(tbDocument, DocSave, tbsButton)->SetName("btDocSave");
    Button(tbDocument, DocUndo, tbsButton)->SetName("btDocUndo");
    Button(tbDocument, DocRedo, tbsButton)->SetName("btDocRedo");
    Button(tbDocument, DocPreview, tbsButton)->SetName("btDocPreview");
    btDocScale = Button(tbDocument, nullptr, tbsDropDown);
    btDocScale->SetName("btDocScale");
    btDocScale->SetImageIndex(ToolImageOf("DocScale"));
    btDocScale->SetHint("Масштаб"_a);
    btDocScale->SetDropdownMenu(PopupScale);
    btDocScale->OnClick = TNotifyEvent(this, &TDesignForm::ScaleButtonClick);
    Gap(tbDocument);
    Button(tbDocument, PgPrev, tbsButton)->SetName("btPgPrev");
    Button(tbDocument, PgNext, tbsButton)->SetName("btPgNext");
    Button(tbDocument, PgNew, tbsButton)->SetName("btPgNew");
    Gap(tbDocument);
    Button(tbDocument, PropGridShow, tbsCheck)->SetName("btPropGridShow");
    Button(tbDocument, PropGridSnap, tbsCheck)->SetName("btPropGridSnap");
    Gap(tbDocument);
    const auto Tool = [&](const char* Name, const char* Hint) {
        auto* B = Button(tbElements, nullptr, tbsCheck);
        B->SetName(Name);
        B->SetGrouped(true);
        B->SetImageIndex(ToolImageOf(Name));
        B->SetHint(AnsiString::FromUtf8(Hint));
        B->OnClick = TNotifyEvent(this, &TDesignForm::ToolClick);
        return B;
    };
    btSelect = Tool("btSelect", "Выбор");
    btNewMemo = Tool("btNewMemo", "Надпись");
    btNewRect = Tool("btNewRect", "Прямоугольник");
    btNewBitmap = Tool("btNewBitmap", "Картинка");
    btNewOwnerDraw = Tool("btNewOwnerDraw", "Рамка собственной прорисовки");
    btNewBand = Tool("btNewBand", "Секция документа");
    btSelect->SetDown(true);
    Gap(tbElements);
    btImageControl = Button(tbElements, nullptr, tbsDropDown);
    btImageControl->SetName("btImageControl");
    btImageControl->SetHint("Вид текущего выбранного элемента "_a);
    btImageControl->SetDropdownMenu(PopupBandTyp);
    btImageControl->OnClick = TNotifyEvent(this, &TDesignForm::ImageControlClick);
    btObjSelect = Button(tbElements, ObjSelect, tbsCheck);
    btObjSelect->SetName("btObjSelect");

    cbFonts = new TComboBox(this);
    cbFonts->SetName("cbFonts");
    Place(cbFonts, tbFont);
    cbFonts->SetWidth(150);
    cbFonts->SetStyle(csDropDownList);
    cbFonts->SetSorted(true);
    cbFonts->SetTag(7);
    cbFonts->OnChange = TNotifyEvent(this, &TDesignForm::ControlDesign);
    cbFonts->OnDblClick = TNotifyEvent(this, &TDesignForm::aObjFont);
    cbFontSize = new TComboBox(this);
    cbFontSize->SetName("cbFontSize");
    Place(cbFontSize, tbFont);
    cbFontSize->SetWidth(44);
    cbFontSize->SetTag(8);
    FillFontSizes(cbFontSize->Items());
    cbFontSize->OnSelect = TNotifyEvent(this, &TDesignForm::ControlDesign);
    cbFontSize->OnExit = TNotifyEvent(this, &TDesignForm::ControlDesign);
    cbFontSize->OnKeyDown = TKeyEvent(this, &TDesignForm::FontSizeKeyDown);
    btFontBold = Button(tbFont, ObjFontBold, tbsCheck);
    btFontBold->SetName("btFontBold");
    btFontItalic = Button(tbFont, ObjFontItalic, tbsCheck);
    btFontItalic->SetName("btFontItalic");
    btFontUnderLine = Button(tbFont, ObjFontUnderLine, tbsCheck);
    btFontUnderLine->SetName("btFontUnderLine");
    Gap(tbFont);
    std::vector<TControl*> Align;
    for (TAction* A : {ObjLeftJustify, ObjHorzCenter, ObjRightJustify, ObjVertTop, ObjVertCenter,
                       ObjVertBottom})
        Align.push_back(Button(tbFont, A, tbsCheck));
    btVertHorzText = Button(tbFont, ObjVertHorzText, tbsCheck);
    btVertHorzText->SetName("btVertHorzText");
    Gap(tbFont);
    auto* FontColor = Button(tbFont, ObjFontColor, tbsButton);
    FontColor->SetName("btFontColor");
    auto* FillColor = Button(tbFont, ObjBackgroundColor, tbsButton);
    FillColor->SetName("btBackgroundColor");
    Gap(tbFont);
    std::vector<TControl*> Frame;
    for (TAction* A : {ShapeRound, ShapeLeft, ShapeTop, ShapeRight, ShapeBottom})
        Frame.push_back(Button(tbFrame, A, tbsCheck));
    edFrameWidth = new TEdit(this);
    edFrameWidth->SetName("edFrameWidth");
    Place(edFrameWidth, tbFrame);
    edFrameWidth->SetWidth(26);
    edFrameWidth->SetReadOnly(true);
    edFrameWidth->SetText("1");
    udFrameWidth = new TUpDown(this);
    udFrameWidth->SetName("udFrameWidth");
    Place(udFrameWidth, tbFrame);
    udFrameWidth->SetMin(1);
    udFrameWidth->SetMax(20);
    udFrameWidth->SetPosition(1);
    udFrameWidth->SetAssociate(edFrameWidth);
    udFrameWidth->SetTag(6);
    udFrameWidth->OnChange = TNotifyEvent(this, &TDesignForm::ControlDesign);
    Frame.push_back(edFrameWidth);
    Frame.push_back(udFrameWidth);

    FFontControls = {cbFonts, cbFontSize, btFontBold, btFontItalic, btFontUnderLine,
                     btVertHorzText, FontColor, FillColor};
    FFontControls.insert(FFontControls.end(), Align.begin(), Align.end());
    FFrameControls = Frame;
}

void TDesignForm::BuildLists()
{
    const auto List = [this](const char* Name) {
        auto* L = new TListBox(this);
        L->SetName(Name);
        L->SetParent(this);
        L->SetVisible(false);
        L->OnExit = TNotifyEvent(this, &TDesignForm::ColorListExit);
        return L;
    };
    lbNameBand = List("lbNameBand");
    lbNameBand->OnClick = TNotifyEvent(this, &TDesignForm::NameBandClick);
    lbNameBand->SetTag(16);
    lbBackground = List("lbBackground");
    lbForeground = List("lbForeground");
    for (TListBox* L : {lbBackground, lbForeground}) {
        L->SetStyle(lbOwnerDrawFixed);
        L->SetItemHeight(16);
        L->SetWidth(60);
        L->OnDrawItem = TDrawItemEvent(this, &TDesignForm::ColorListDraw);
        L->OnClick = TNotifyEvent(this, &TDesignForm::ColorListClick);
    }
    lbBackground->SetTag(5);
    lbForeground->SetTag(17);
    for (int I = 0; I < 17; ++I)
        lbBackground->Items()->Add(IntToStr(I));
    lbBackground->Items()->Add("Другой"_a);
    for (int I = 0; I < 16; ++I)
        lbForeground->Items()->Add(IntToStr(I));
    lbForeground->Items()->Add("Другой"_a);
}

// ---- opening ------------------------------------------------------------------------------------

void TDesignForm::FormShow(TObject*)
{
    if (FShown || !Document)
        return;
    FShown = true;
    States = std::make_unique<TStateStack>(Document);
    FirstActivate = true;
    const bool Rus = Document->DefDesigner->BandNameRus;
    lbNameBand->Items()->Clear();
    int Widest = 0;
    for (int T = 0; T <= btOverlay; ++T) {
        const AnsiString Name = BandTypeName(T, Rus);
        lbNameBand->Items()->Add(Name);
        Widest = std::max(Widest, Canvas()->TextWidth(Name));
    }
    lbNameBand->SetWidth(Widest + 10);
    lbNameBand->SetHeight(lbNameBand->Items()->Count() * lbNameBand->ItemHeight() + 4);
    ResetDesign();
    T_RPDefDesigner& S = *Document->DefDesigner;
    if (S.WState == 1)
        S.WState = 2;
    SetBounds(S.Left, S.Top, S.Width, S.Height);
    Document->OnBegDesign(Document);
    SetWindowState(S.WState == 2 ? wsMaximized : wsNormal);
    for (int I : {0, 2, 3, 4})
        StatusBar->Panels()->Items(I)->SetText("");
    PostMessage(Handle(), WM_CHECKPRINTAREA, 2, 0);
    mnDocSaveAs->SetVisible(ShowFileCommands);
    mnOpenNewWindow->SetVisible(ShowFileCommands);
    if (!ShowMenu && Menu()) {
        OldMenu = Menu();
        SetMenu(nullptr);
    }
}

void TDesignForm::ResetDesign()
{
    Surface->Reset();
    ChooseTool(btSelect, false);
    PropGridShow->SetChecked(Document->DefDesigner->ShowGrid);
    PropGridSnap->SetChecked(Document->DefDesigner->SnapToGrid);
    for (TListBox* L : {lbNameBand, lbBackground, lbForeground})
        L->SetVisible(false);
    SetTitle();
    ShowPage(std::min(std::max(Document->PageIndex(), 0), 0));
}

void TDesignForm::SetTitle()
{
    SetCaption(BaseCaption + ":  \"" + (Document ? Document->NameDocument() : AnsiString()) +
               "\"");
}

void TDesignForm::Activate()
{
    TForm::Activate();
    if (FirstActivate) {
        FirstActivate = false;
        return;
    }
    if (Closing)
        return;
    Application->ProcessMessages();
    Surface->RedrawAll();
}

void TDesignForm::FormResize(TObject*)
{
    if (!Closing && Surface && Document && States)
        sbResize(nullptr);
}

void TDesignForm::sbResize(TObject*)
{
    if (!Surface || !pn)
        return;
    if (sb->ClientWidth() > pn->Width())
        pn->SetLeft((sb->ClientWidth() - pn->Width()) / 2);
    else
        pn->SetLeft(-sb->HorzScrollBar()->Position());
    if (HorzRule)
        HorzRule->PointerPos = 0x7FFFFFFF;
    if (VertRule)
        VertRule->PointerPos = 0x7FFFFFFF;
    if (HorzRule && sb->HorzScrollBar()->Position() != LastHorzScroll) {
        LastHorzScroll = sb->HorzScrollBar()->Position();
        HorzRule->Invalidate();
    }
    if (VertRule && sb->VertScrollBar()->Position() != LastVertScroll) {
        LastVertScroll = sb->VertScrollBar()->Position();
        VertRule->Invalidate();
    }
    if (HorzRule)
        HorzRule->Invalidate();
    if (VertRule)
        VertRule->Invalidate();
}

// ---- the control update -------------------------------------------------------------------------

void TDesignForm::NotifyChange(bool Snapshot)
{
    if (HandleAllocated())
        PostMessage(Handle(), WM_UPDATECONTROLS, 0, 0);
    if (Snapshot && States)
        States->PushState();
}

void TDesignForm::WndProc(TMessage& Message)
{
    if (Message.Msg == WM_UPDATECONTROLS) {
        if (!Closing && Document && States)
            UpdateControls();
        return;
    }
    if (Message.Msg == WM_CHECKPRINTAREA) {
        if (!Closing && Document)
            CheckPrintArea(static_cast<int>(Message.WParam));
        return;
    }
    TForm::WndProc(Message);
}

void TDesignForm::UpdateControls()
{
    TPage* P = Document->CurrentPage();
    if (!P)
        return;
    BeginUpdate();
    struct End {
        TDesignForm* F;
        ~End() { F->EndUpdate(); }
    } Guard{this};
    for (TListBox* L : {lbNameBand, lbBackground, lbForeground})
        L->SetVisible(false);
    BandSelected = false;
    RefreshToolBars();
    ShowSelectedKind();
    DocReload->SetEnabled(!Document->Saved);
    DocSave->SetEnabled(!Document->Saved);
    DocRedo->SetEnabled(States->CanRedo());
    DocUndo->SetEnabled(States->CanUndo());
    const int Selected = Document->SelectedCount();
    if (Selected >= 1)
        ShowElementInfo();
    PgPrev->SetEnabled(Document->PageIndex() > 0);
    PgNext->SetEnabled(Document->PageIndex() < Document->PageCount() - 1);
    btObjSelect->SetDown(Selected >= 2);
    btObjSelectCorn->SetDown(Selected >= 2);
    ObjSelect->SetEnabled(P->ViewCount() > 0);
    for (TAction* A : {ObjCut, ObjCopy, ObjUp, ObjDown, ObjDelete})
        A->SetEnabled(Selected >= 1);
    ObjPaste->SetEnabled(!DesignClipboard().Views.empty());
    btDocScale->SetDown(Surface->Zoom != 1.0);
    UpdatePopup();
}

void TDesignForm::ShowSelectedKind()
{
    const int Selected = Document->SelectedCount();
    if (Selected == 0) {
        btImageControl->SetImageIndex(ToolImageOf("PgNew"));
        return;
    }
    if (Selected > 1) {
        btImageControl->SetImageIndex(ToolImageOf("ObjSelect"));
        udFrameWidth->SetPosition(1);
        cbFonts->SetItemIndex(0);
        cbFontSize->SetItemIndex(-1);
        return;
    }
    TView* V = Surface->CurrentElement();
    const char* Image = "btNewMemo";
    switch (V->Kind) {
    case vkBandArea:
        Image = "btNewBand";
        BandSelected = true;
        lbNameBand->SetItemIndex(V->BandTyp <= btOverlay ? V->BandTyp : -1);
        break;
    case vkPicture: Image = "btNewBitmap"; break;
    case vkOwnerDraw: Image = "btNewOwnerDraw"; break;
    default:
        Image = V->FrameTyp != 0 && V->Lines->Count() == 0 ? "btNewRect" : "btNewMemo";
        break;
    }
    btImageControl->SetImageIndex(ToolImageOf(Image));
    ShapeRound->SetChecked(V->FrameTyp != 0);
    ShapeTop->SetChecked((V->FrameTyp & 8) != 0);
    ShapeLeft->SetChecked((V->FrameTyp & 4) != 0);
    ShapeBottom->SetChecked((V->FrameTyp & 2) != 0);
    ShapeRight->SetChecked((V->FrameTyp & 1) != 0);
    udFrameWidth->SetPosition(std::clamp<int>(V->FrameWidth, 1, 20));
    if (V->Kind != vkText)
        return;
    lbBackground->SetItemIndex(ColorToIndex(V->FillColor));
    lbForeground->SetItemIndex(std::min(ColorToIndex(V->FontColor), 15));
    cbFonts->SetItemIndex(cbFonts->Items()->IndexOf(V->FontName));
    int SizeIndex = -1;
    for (int I = 0; I < cbFontSize->Items()->Count(); ++I) {
        const int N = StrToIntDef(cbFontSize->Items()->Strings(I), -1);
        if (N >= 0 && N <= V->FontSize)
            SizeIndex = I;
    }
    cbFontSize->SetItemIndex(SizeIndex);
    cbFontSize->SetText(IntToStr(V->FontSize));
    ObjFontBold->SetChecked((V->FontStyle & 2) != 0);
    ObjFontItalic->SetChecked((V->FontStyle & 1) != 0);
    ObjFontUnderLine->SetChecked((V->FontStyle & 4) != 0);
    ObjVertHorzText->SetChecked(V->Vertical());
    ObjLeftJustify->SetChecked(V->HorzAlign() == 0);
    ObjRightJustify->SetChecked(V->HorzAlign() == 1);
    ObjHorzCenter->SetChecked(V->HorzAlign() == 2);
    const int VA = V->VertAlign();
    ObjVertTop->SetChecked(VA == 0);
    ObjVertCenter->SetChecked(VA == 0x08);
    ObjVertBottom->SetChecked(VA == 0x80);
}

void TDesignForm::RefreshToolBars()
{
    TPage* P = Document->CurrentPage();
    const int Selected = Document->SelectedCount();
    TView* Probe = nullptr;
    bool BandAmong = false;
    for (int I = 0; I < P->ViewCount(); ++I)
        if (P->GetView(I)->Selected && P->GetView(I)->Kind == vkBandArea)
            BandAmong = true;
    if (Selected == 1) {
        Probe = Surface->CurrentElement();
    } else if (Selected > 1 && !BandAmong) {
        for (int I = 0; I < P->ViewCount() && !Probe; ++I)
            if (P->GetView(I)->Kind != vkBandArea)
                Probe = P->GetView(I);
    }
    const bool FontOn = Probe && Probe->Kind == vkText;
    const bool FrameOn = Probe && (Probe->Kind == vkText || Probe->Kind == vkPicture);
    const auto Enable = [](const std::vector<TControl*>& Controls, bool On) {
        for (TControl* C : Controls) {
            if (auto* A = dynamic_cast<TCustomAction*>(C->Action()))
                A->SetEnabled(On);
            else
                C->SetEnabled(On);
        }
    };
    Enable(FFontControls, FontOn);
    Enable(FFrameControls, FrameOn);
    for (TAction* A : {ObjFont, ObjFontColor, ObjBackgroundColor, ObjAutoSize, ObjWordWrap})
        A->SetEnabled(FontOn);
    if (!FontOn) {
        cbFonts->SetItemIndex(0);
        cbFontSize->SetItemIndex(cbFontSize->Items()->Count() - 1);
    }
}

void TDesignForm::UpdatePopup()
{
    TPage* P = Document->CurrentPage();
    const int Selected = Document->SelectedCount();
    TView* Cur = Selected == 1 ? Surface->CurrentElement() : nullptr;
    const bool OneText = Cur && Cur->Kind == vkText;
    mnPopupAutoSize->SetVisible(OneText);
    mnPopupWordWrap->SetVisible(OneText);
    if (OneText) {
        ObjAutoSize->SetChecked(Cur->SC);
        ObjWordWrap->SetChecked(Cur->WordWrap());
    }
    mnPopupSelectBand->SetVisible(Cur && Cur->Kind == vkBandArea);
    bool WithText = false;
    bool Shape = false;
    for (int I = 0; I < P->ViewCount(); ++I) {
        TView* V = P->GetView(I);
        if (!V->Selected || V->Kind != vkText)
            continue;
        const bool HasText = !Trim(V->Lines->Text()).IsEmpty();
        WithText = WithText || HasText;
        Shape = Shape || (!HasText && V->FrameTyp != 0);
    }
    mnPopupTextSelect->SetVisible(WithText && Shape);
    mnPopupShapeSelect->SetVisible(WithText && Shape);
    const auto Item = [this](const char* Name) {
        return dynamic_cast<TMenuItem*>(FindComponent(Name));
    };
    if (TMenuItem* L = Item("mnPopupLine1"))
        L->SetVisible(OneText);
    if (TMenuItem* L = Item("mnPopupLine2"))
        L->SetVisible(mnPopupSelectBand->Visible() || mnPopupTextSelect->Visible());
}

// ---- status bar ------------------------------------------------------------------------------

namespace {

AnsiString Coord(TDocument* D, Extended Zoom, int Px, bool& MM)
{
    MM = D->DefDesigner->CoordMM;
    const int Value = static_cast<int>(Round(Px / Zoom));
    if (!MM)
        return IntToStr(Value);
    return FormatFloat("0.0", PixelsToHundredthsMM(Value) * 0.01);
}

}  // namespace

void TDesignForm::ShowPointer(int X, int Y)
{
    bool MM = false;
    const AnsiString XS = Coord(Document, Surface->Zoom, X - Document->OffsetX, MM);
    const AnsiString YS = Coord(Document, Surface->Zoom, Y - Document->OffsetY, MM);
    StatusBar->Panels()->Items(2)->SetText("X: " + XS + "  Y: " + YS);
    StatusBar->Panels()->Items(3)->SetText("");
}

void TDesignForm::ShowDragDistance(int DX, int DY)
{
    bool MM = false;
    const AnsiString XS = Coord(Document, Surface->Zoom, DX, MM);
    const AnsiString YS = Coord(Document, Surface->Zoom, DY, MM);
    StatusBar->Panels()->Items(3)->SetText("dX: " + XS + "  dY: " + YS);
}

void TDesignForm::ShowElementInfo()
{
    TView* V = Surface->CurrentElement();
    if (!V || Document->SelectedCount() == 0)
        return;
    TRect R = V->GetDisplayRect();
    const TRect Area = Rect(Document->OffsetX, Document->OffsetY,
                            Document->PageWidth - Document->OffsetX,
                            Document->PageHeight - Document->OffsetY);
    TRect Probe = R;
    if (V->Kind == vkBandArea) {
        Probe.Top += 1;
        Probe.Bottom -= 1;
        Probe.Left = Area.Left;
        Probe.Right = Area.Right;
    }
    AnsiString Text;
    const bool Inside = Probe.Left >= Area.Left && Probe.Top >= Area.Top &&
                        Probe.Right <= Area.Right && Probe.Bottom <= Area.Bottom;
    const bool Meets = Probe.Left < Area.Right && Area.Left < Probe.Right &&
                       Probe.Top < Area.Bottom && Area.Top < Probe.Bottom;
    if (!Meets)
        Text = "<-> ";
    else if (!Inside)
        Text = "[-] ";
    bool MM = false;
    const auto C = [&](int Px) { return Coord(Document, Surface->Zoom, Px, MM); };
    R = Rect(R.Left - Document->OffsetX, R.Top - Document->OffsetY, R.Right - Document->OffsetX,
             R.Bottom - Document->OffsetY);
    Text += " (X: " + C(R.Left) + "; Y: " + C(R.Top) + "; R: " + C(R.Right) + "; B: " +
            C(R.Bottom) + "; (W: " + C(R.Width()) + "; H: " + C(R.Height()) + "))";
    if (V->Kind == vkBandArea)
        Text += " Band: " + BandTypeName(V->BandTyp, Document->DefDesigner->BandNameRus);
    else if (V->Lines->Count() > 0)
        Text += " \"" + V->Lines->Strings(0) + "\"";
    else
        Text += " \"\"";
    StatusBar->Panels()->Items(4)->SetText(Text);
}

// ---- pages and zoom --------------------------------------------------------------------------------

void TDesignForm::ShowPage(int I)
{
    Surface->DeselectAll();
    Surface->DragCopy = nullptr;
    Document->SetPageIndex(std::max(I, 0));
    sb->HorzScrollBar()->SetPosition(0);
    sb->VertScrollBar()->SetPosition(0);
    Surface->Layout();
    StatusBar->Panels()->Items(1)->SetText(
        Format("Лист %d/%d"_a, {Document->PageIndex() + 1, std::max(Document->PageCount(), 1)}));
    Surface->OrderBands();
    Surface->Invalidate();
    NotifyChange(true);
    pn->SetBounds(0, 0, pn->Width(), pn->Height());
    sbResize(nullptr);
}

void TDesignForm::NewPage()
{
    Surface->SetModified();
    Surface->DeselectAll();
    TPage* P = Document->CurrentPage();
    Document->AddPage(P ? P->Orientation : 0);
    ShowPage(Document->PageCount() - 1);
}

void TDesignForm::DeletePage()
{
    if (Application->MessageBox("Удалить лист шаблона.  Вы уверены?"_a,
                                "Удаление листа документа"_a, MB_OKCANCEL) != IDOK)
        return;
    Surface->SetModified();
    const int I = Document->PageIndex();
    if (Document->PageCount() == 1 || I < 1)
        ShowPage(0);
    else
        ShowPage(I - 1);
    if (Document->PageCount() > 1) {
        Document->DeletePage(I);
    } else {
        Document->GetPage(0)->ClearViews();
    }
    ShowPage(Document->PageIndex());
}

void TDesignForm::ChooseZoom(int Tag)
{
    Extended Zoom = Surface->Zoom;
    if (Tag == 0)
        Zoom = Zoom == 1.0 ? (LastZoom > 1 ? LastZoom : 2.0) : 1.0;
    else
        Zoom = Tag;
    if (Zoom > 1)
        LastZoom = Zoom;
    Surface->Zoom = Zoom;
    HorzRule->SetZoom(Zoom);
    VertRule->SetZoom(Zoom);
    Surface->Layout();
    sbResize(nullptr);
    NotifyChange(true);
}

void TDesignForm::ScaleButtonClick(TObject*)
{
    ChooseZoom(0);
}

int TDesignForm::PageStep(int Size)
{
    if (Size >= 77)
        return Size - 38;
    if (Size >= 39)
        return 38;
    return Size;
}

void TDesignForm::ScrollBy(bool Vertical, int Delta)
{
    TControlScrollBar* Bar = Vertical ? sb->VertScrollBar() : sb->HorzScrollBar();
    Bar->SetPosition(std::max(0, Bar->Position() + Delta));
    sbResize(nullptr);
}

// ---- save, reload, preview ---------------------------------------------------------------------------

void TDesignForm::DoSave()
{
    if (Document->ReadOnly)
        ErrorMsgAbort("Файл открыт только для чтения.\nЗапись невозможна"_a);
    T_RPDefDesigner& S = *Document->DefDesigner;
    if (WindowState() == wsNormal) {
        S.Left = Left();
        S.Top = Top();
        S.Width = Width();
        S.Height = Height();
    }
    S.WState = static_cast<Byte>(WindowState() == wsMaximized ? 2
                                 : WindowState() == wsMinimized ? 1
                                                                : 0);
    {
        const HourGlass Wait;
        // A save that does not reach the file (the operator cancelled the
        // file dialog, the disk refused) leaves the template unsaved, so
        // that closing still asks about the changes.
        try {
            const ScaleOneScope One(*Document);
            Document->Save();
        } catch (...) {
            Document->Saved = false;
            Document->StateStored = false;
            NotifyChange(false);
            throw;
        }
        States->PushState();
        States->NoteSaved();
    }
    NotifyChange(true);
}

void TDesignForm::DoReload()
{
    {
        const HourGlass Wait;
        Surface->Reset();
        Document->Load();
    }
    if (Decision != 0)
        return;
    Document->StateStored = false;
    States->PushState();
    ResetDesign();
    Surface->Layout();
    Surface->RedrawAll();
}

void TDesignForm::DoPreview()
{
    BeginUpdate();
    struct End {
        TDesignForm* F;
        ~End()
        {
            F->Document->SamplePreview = false;
            F->Document->OutputMode = false;
            F->EndUpdate();
        }
    } Guard{this};
    Document->SamplePreview = true;
    Document->PrintView(/*Modal=*/true);
    Document->SamplePreview = false;
    Document->OutputMode = false;
    Surface->Layout();
}

// ---- print-area check ----------------------------------------------------------------------------

void TDesignForm::CheckPrintArea(int Param)
{
    if (Param == 2) {
        if (PrintAreaChecked || !Document->DefDesigner->CheckDimensions)
            return;
        PrintAreaChecked = true;
    }
    if (Document->CheckPrintArea() <= 0)
        return;
    const Integer Choice = MsgChoice(
        "Обнаружены элементы за пределами области печати"_a,
        "Можно\r\nа) Изменить размеры пропорционально\r\nб) сместить элементы, выходящие за "
        "пределы, в рабочее поле\r\nв) отключить проверку при следующих загрузках"_a,
        {0x0001, "Без изменений"_a, "Пропорционально"_a, "Сместить"_a, "Не проверять"_a});
    switch (Choice) {
    case 2:
    case 3:
        Surface->SetModified();
        Document->FitIntoPrintArea(Choice == 2);
        Surface->Layout();
        Surface->RedrawAll();
        break;
    case 4:
        Document->DefDesigner->CheckDimensions = false;
        Surface->SetModified();
        break;
    default: return;
    }
    NotifyChange(true);
}

// ---- closing ------------------------------------------------------------------------------------------

void TDesignForm::Leave(int Result)
{
    Decision = Result;
    if (FormState().Contains(fsModal))
        SetModalResult(Result);
    else
        Close();
}

void TDesignForm::FormCloseQuery(TObject*, bool& CanClose)
{
    if (!Document || !States)
        return;
    try {
        if (Decision == 0 && !Document->Saved)
            Decision = AskSaveChanges("Документ изменен"_a) ? 1 : 2;
        if (Decision == 2 && States->SavedIndex != 0) {
            const Integer Choice = MsgChoice(
                "Документ был изменен и сохранен"_a,
                "1. Оставить последний сохраненный\n2. Восстановить первоначальный   \n3. "
                "Продолжить редактирование     \n"_a,
                {0x0001, "Последний"_a, "Первоначальный"_a, "Продолжить"_a});
            if (Choice == 2) {
                States->RestoreFirst();
                Decision = 1;
                Document->Saved = false;
            } else if (Choice == 3) {
                Abort();
            }
        }
        if (!Document->Saved) {
            if (Decision == 1)
                DoSave();
            else
                DoReload();
        }
    } catch (const EAbort&) {
        Decision = 0;
        CanClose = false;
    }
}

void TDesignForm::FormClose(TObject*, TCloseAction& Action)
{
    Action = caFree;
    if (Closing)
        return;
    if (Decision == 0)
        Decision = 2;
    if (TDocument* D = Document) {
        // The host may free the document as soon as it hears of the end;
        // the window is released after that and no longer refers to it.
        D->DesignerOpen = false;
        if (D->DesignForm() == this)
            D->SetDesignForm(nullptr);
        Document = nullptr;
        D->OnEndDesign(D);
    }
    // The printer stays as it is: a print view of this or another document
    // may be open with the printer the operator chose there.
    Closing = true;
}

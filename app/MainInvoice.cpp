#include "app/MainInvoice.h"

#include "app/About.h"
#include "app/Articles.h"
#include "app/ArticleList.h"
#include "app/DocumentCalls.h"
#include "app/Globals.h"
#include "app/InvoiceType.h"
#include "app/LogInfo.h"
#include "app/MarkupList.h"
#include "app/NewIncoming.h"
#include "app/NewMarkup.h"
#include "app/NewOutgoing.h"
#include "app/uFormXL.h"
#include "app/VelkorCFG.h"
#include "common/base/Funcs.h"
#include "common/components/FuncsVCL.h"
#include "common/components/MsgWin.h"
#include "common/base/Str2D.h"
#include "common/components/YLDCompn.h"
#include "common/components/YLDGrids.h"
#include "common/components/ylCtrls.h"
#include "platform/classes/Streams.h"
#include "platform/classes/Strings.h"
#include "platform/winapi/EndSession.h"
#include "platform/winapi/Windows.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/StrUtils.h"
#include "platform/rtl/SysConst.h"

#include <algorithm>
#include <new>
#include <vector>

TFormMain* FormMain = nullptr;

PRICETAGS_DEFINE_CLASS(TFormMain)

namespace {

constexpr int MaxTicketTemplates = 10;

/// The upper-cased names of the entries of Folder that start with Stem
/// (letters without regard to case), from one listing of the folder.
std::vector<AnsiString> UpperNamesLike(const AnsiString& Folder, const AnsiString& Stem)
{
    std::vector<AnsiString> Names;
    TSearchRec F;
    for (Integer Found = FindFirst(Folder + Stem + "*", faAnyFile, F); Found == 0;
         Found = FindNext(F))
        Names.push_back(AnsiUpperCase(F.Name));
    FindClose(F);
    return Names;
}

/// True when one of the upper-cased Names is Stem + "." + any extension
/// (Stem upper-cased), as the mask Stem + ".*" matches.
bool AnyNameLike(const std::vector<AnsiString>& Names, const AnsiString& Stem)
{
    const AnsiString Prefix = Stem + ".";
    return std::any_of(Names.begin(), Names.end(), [&Prefix](const AnsiString& N) {
        return N.View().starts_with(Prefix.View());
    });
}

TButton* NewButton(TFormMain* Form, TWinControl* Parent, const char* Name,
                   const AnsiString& Caption, int Top)
{
    auto* B = new TButton(Form);
    B->SetName(Name);
    B->SetParent(Parent);
    B->SetBounds(8, Top, 164, 25);
    B->SetCaption(Caption);
    return B;
}

TLabel* NewLabel(TFormMain* Form, TWinControl* Parent, const AnsiString& Caption, int Left,
                 int Top)
{
    auto* L = new TLabel(Form);
    L->SetParent(Parent);
    L->SetCaption(Caption);
    L->SetLeft(Left);
    L->SetTop(Top);
    return L;
}

/// A money or percent value typed into the grid; false for a text that is
/// no number (a blank one included).
bool ParseMoney(const AnsiString& Text, Currency& Value)
{
    const AnsiString Clean = CleanNumStr(Text);
    if (IsBlank(Clean))
        return false;
    try {
        Value = StrToCurr(Clean);
        return true;
    } catch (const EConvertError&) {
        return false;
    }
}

/// The invoice grid's columns; a column's Tag says which text it shows.
struct InvoiceColumn {
    int Tag;
    const char* Title;
    int Width;
    TAlignment Alignment;
    TColumnFormat Format;
    bool ReadOnly;
};
const InvoiceColumn InvoiceColumns[] = {
    {99, "№", 40, taCenter, cfString, true},          // row number
    {2, "[x]", 19, taLeftJustify, cfString, true},    // the mark
    {3, "Тип", 63, taLeftJustify, cfString, false},
    {4, "Наименование товара", 144, taLeftJustify, cfString, false},
    {5, "Описание", 68, taLeftJustify, cfString, false},
    {6, "Производство", 80, taLeftJustify, cfString, false},
    {7, "Фирма", 48, taLeftJustify, cfString, false},
    {8, "Гар.", 32, taCenter, cfInteger, false},      // warranty, months
    {9, "Кол", 30, taCenter, cfInteger, true},
    {14, "Ед.", 30, taLeftJustify, cfString, false},
    {10, "Опт.цена", 58, taRightJustify, cfCurrency, true},
    {11, "Нац.", 34, taRightJustify, cfCurrency, false},
    {12, "Цена1", 64, taRightJustify, cfCurrency, false},
    {13, "Цена2", 64, taRightJustify, cfCurrency, false},
};
constexpr int NameColumn = 3;
const char* const Countries[] = {"Китай", "Россия", "Япония", "Корея", "Чехия"};
const char* const Firms[] = {"Samsung", "LG", "Philips", "Bosch", "Sony", "Panasonic", "Атлант"};

/// The totals grid's columns over the ten cells of Totals.
struct TotalsColumn {
    const char* Title;
    int Width;
    TAlignment Alignment;
    TAlignment TitleAlignment;
};
const TotalsColumn TotalsColumns[] = {
    {"Поз.", 36, taLeftJustify, taLeftJustify},             // rows
    {"Кол.", 36, taCenter, taLeftJustify},                  // quantity
    {"Итого по опт.", 78, taRightJustify, taLeftJustify},   // cost total
    {"Итого по Цене1", 90, taRightJustify, taLeftJustify},  // retail total
    {"Наценка1", 88, taRightJustify, taLeftJustify},        // retail margin
    {"%", 38, taCenter, taCenter},
    {"Итого по Цене2", 90, taRightJustify, taLeftJustify},  // card total
    {"Наценка2", 80, taRightJustify, taLeftJustify},        // card margin
    // The card margin's percent is filled in like the retail one, but its
    // column is 3 pixels wide: only its edge shows until it is widened.
    {"%", 3, taCenter, taCenter},
    {"", 67, taLeftJustify, taLeftJustify},                 // takes the free width
};

} // namespace

namespace {

/// The close question when the state could not be written: "Не закрывать"
/// is the default and the Esc answer (low and high byte).
constexpr Integer CloseChoiceButtons = 2 | (2 << 8);
constexpr Integer CloseWithoutSaving = 1;

/// A grid of Form filling Parent with ColCount columns, no fixed column and
/// one title row above one data row of 18 pixels.
Tyl_DataDrawGrid* NewDataGrid(TForm* Form, const char* Name, TWinControl* Parent, int ColCount)
{
    auto* Grid = new Tyl_DataDrawGrid(Form);
    Grid->SetName(Name);
    Grid->SetParent(Parent);
    Grid->SetAlign(alClient);
    Grid->SetColCount(ColCount);
    Grid->SetFixedCols(0);
    Grid->SetRowCount(2);
    Grid->SetFixedRows(1);
    Grid->SetDefaultRowHeight(18);
    return Grid;
}

}  // namespace

AnsiString LastInvoiceFileName()
{
    return GetStartDir() + "LastInvoice.inv";
}

void UpdateMainCaption()
{
    if (FormMain)
        FormMain->UpdateCaption();
}

TFormMain::TFormMain(TComponent* AOwner)
    : TForm(AOwner), Invoice(std::make_unique<TshInvoice>(1)),
      Totals(std::make_unique<TStringList2D>()), MarkupList(std::make_unique<TMarkupList>()),
      ImportErrors(std::make_unique<TStringList>()),
      TicketTemplates(std::make_unique<TStringList>())
{
    if (!FormMain)
        FormMain = this;
    for (int N = 1; N <= 3; ++N)
        TicketTemplates->AddObject(gTxtPath + "Ticket" + IntToStr(N),
                                   reinterpret_cast<TObject*>(static_cast<intptr_t>(N - 1)));
    Totals->StringList2DResize(1, 10);
    {
        const LoadingScope Loading(this);
        BuildControls();
    }
}

TFormMain::~TFormMain()
{
    if (FormMain == this)
        FormMain = nullptr;
}

TAction* TFormMain::NewAction(const char* Name, const AnsiString& Caption,
                              void (TFormMain::*Handler)(TObject*))
{
    auto* A = new TAction(this);
    A->SetName(Name);
    A->SetCaption(Caption);
    A->SetActionList(ActionList1);
    A->OnExecute = TNotifyEvent(this, Handler);
    return A;
}

void TFormMain::BuildActions()
{
    ActionList1 = new TActionList(this);
    ActionList1->SetName("ActionList1");
    acOpenInvoice = NewAction("acOpenInvoice", "Открыть новую накладную"_a,
                              &TFormMain::acOpenInvoiceExecute);
    acPrintRep = NewAction("acPrintRep", "Печать ведомости"_a, &TFormMain::acPrintRepExecute);
    acPrintTicket = NewAction("acPrintTicket", "Печать ценников"_a,
                              &TFormMain::acPrintTicketExecute);
    acRound = NewAction("acRound", "Округлять цены"_a, &TFormMain::acRoundExecute);
    acReCalc = NewAction("acReCalc", "Перерасчет"_a, &TFormMain::acReCalcExecute);
    acReCalc->SetHint("Выполняет перерасчет выбранных позиций \r\nили текущего выделения"_a);
    acImportArticles = NewAction("acImportArticles", "Импорт описаний"_a,
                                 &TFormMain::acImportArticlesExecute);
    acMarkups = NewAction("acMarkups", "Наценки"_a, &TFormMain::acMarkupsExecute);
    acDesignTicket = NewAction("acDesignTicket", "Изменить шаблон ценника"_a,
                               &TFormMain::acDesignTicketExecute);
    acDesignRep = NewAction("acDesignRep", "Изменить шаблон ведомости"_a,
                            &TFormMain::acDesignRepExecute);
    acDesignNew = NewAction("acDesignNew", "Новый шаблон"_a, &TFormMain::acDesignNewExecute);
    acAddReports = NewAction("acAddReports", "Добавить общие шаблоны"_a,
                             &TFormMain::acAddReportsExecute);
    acReload = NewAction("acReload", "Открыть прошлую накладную"_a, &TFormMain::acReloadExecute);
    acReload->SetHint("Загрузить заново, отменить все изменения"_a);
    acSaveLastInvoice = NewAction("acSaveLastInvoice", "Сохранить текущее состояние"_a,
                                  &TFormMain::acSaveLastInvoiceExecute);
    acSaveLastInvoice->SetShortCut(ShortCut('S', {ssCtrl}));
    acOpenLastInvoice = NewAction("acOpenLastInvoice", "Восстановить состояние"_a,
                                  &TFormMain::acOpenLastInvoiceExecute);
    acRestore = NewAction("acRestore", "Восстановить"_a, &TFormMain::acOpenLastInvoiceExecute);
    acIncoming = NewAction("acIncoming", "Параметры входной накладной"_a,
                           &TFormMain::acIncomingExecute);
    acArticlesShow = NewAction("acArticlesShow", "Показать описания"_a,
                               &TFormMain::acArticlesShowExecute);
    acErrLogShow = NewAction("acErrLogShow", "Показать ошибки импорта"_a,
                             &TFormMain::acErrLogShowExecute);
    acSelect = NewAction("acSelect", "Выделить"_a, &TFormMain::acSelectExecute);
    acSelectAll = NewAction("acSelectAll", "Выбрать все"_a, &TFormMain::acSelectAllExecute);
    acSelectAll->SetShortCut(ShortCut('A', {ssCtrl}));
    acUnSelectAll = NewAction("acUnSelectAll", "Сбросить выбор"_a,
                              &TFormMain::acUnSelectAllExecute);
    acUnSelectAll->SetShortCut(ShortCut('D', {ssCtrl}));
    acExit = NewAction("acExit", "Выход"_a, &TFormMain::acExitExecute);
    acOtladka = NewAction("acOtladka", "Отладка"_a, &TFormMain::acOtladkaExecute);
}

void TFormMain::BuildMenus()
{
    MainMenu1 = new TMainMenu(this);
    MainMenu1->SetName("MainMenu1");
    auto Item = [this](TMenuItem* Parent, const AnsiString& Caption) {
        auto* M = new TMenuItem(this);
        M->SetCaption(Caption);
        if (Parent)
            Parent->Add(M);
        else
            MainMenu1->Items()->Add(M);
        return M;
    };
    auto ActionItem = [&](TMenuItem* Parent, TAction* Action) {
        TMenuItem* M = Item(Parent, "");
        M->SetAction(Action);
        return M;
    };

    TMenuItem* mnFile = Item(nullptr, "Накладная"_a);
    ActionItem(mnFile, acOpenInvoice);
    ActionItem(mnFile, acIncoming);
    ActionItem(mnFile, acReload);
    Item(mnFile, "-");
    ActionItem(mnFile, acSaveLastInvoice);
    ActionItem(mnFile, acOpenLastInvoice);
    ActionItem(mnFile, acErrLogShow);
    Item(mnFile, "-");
    ActionItem(mnFile, acExit);

    TMenuItem* mnPrint = Item(nullptr, "Печать"_a);
    mnPrintTickets = Item(mnPrint, "Печать ценников"_a);
    mnPrintTickets->SetName("mnPrintTickets");
    ActionItem(mnPrint, acPrintRep);
    mnPrintExternal = Item(mnPrint, "Печать внешних форм"_a);
    mnPrintExternal->SetName("mnPrintExternal");
    mnPrintExternal->OnClick = TNotifyEvent(this, &TFormMain::mnPrintExternalClick);
    Item(mnPrint, "-");
    ActionItem(mnPrint, acDesignTicket);
    ActionItem(mnPrint, acDesignRep);
    ActionItem(mnPrint, acDesignNew);
    ActionItem(mnPrint, acAddReports);

    TMenuItem* mnPrices = Item(nullptr, "Цены"_a);
    ActionItem(mnPrices, acReCalc);
    ActionItem(mnPrices, acMarkups);
    mnRoundTo = Item(mnPrices, "Округлять до"_a);
    const char* RoundCaptions[] = {"Не округлять", "До 1.00", "По умолчанию (Крупно)"};
    for (int Tag = 0; Tag < 3; ++Tag) {
        TMenuItem* M = Item(mnRoundTo, AnsiString::FromUtf8(RoundCaptions[Tag]));
        M->SetTag(Tag);
        M->OnClick = TNotifyEvent(this, &TFormMain::acRoundExecute);
    }
    mnPriceStyleMenu = Item(mnPrices, "Вид цены при печати"_a);
    mnPriceStyleMenu->SetName("mnPriceStyleMenu");
    mnPriceStyle0 = Item(mnPriceStyleMenu, "С копейками, если есть (...,00)"_a);
    mnPriceStyle0->SetName("mnPriceStyle0");
    mnPriceStyle0->OnClick = TNotifyEvent(this, &TFormMain::mnPriceStyle0Click);
    mnPriceStyle1 = Item(mnPriceStyleMenu, "В формате \"123-00\""_a);
    mnPriceStyle1->SetName("mnPriceStyle1");
    mnPriceStyle1->OnClick = TNotifyEvent(this, &TFormMain::mnPriceStyle1Click);
    mnPriceStyle2 = Item(mnPriceStyleMenu, "Всегда с копейками (123,00)"_a);
    mnPriceStyle2->SetName("mnPriceStyle2");
    mnPriceStyle2->OnClick = TNotifyEvent(this, &TFormMain::mnPriceStyle2Click);

    TMenuItem* mnRows = Item(nullptr, "Позиции"_a);
    ActionItem(mnRows, acSelect);
    ActionItem(mnRows, acSelectAll);
    ActionItem(mnRows, acUnSelectAll);
    Item(mnRows, "-");
    ActionItem(mnRows, acImportArticles);
    ActionItem(mnRows, acArticlesShow);

    TMenuItem* mnService = Item(nullptr, "Сервис"_a);
    mnConfig = Item(mnService, "Настройки"_a);
    mnConfig->SetName("mnConfig");
    mnConfig->OnClick = TNotifyEvent(this, &TFormMain::mnConfigClick);
    mnWindows = Item(nullptr, "Окно"_a);
    mnWindows->SetName("mnWindows");
    mnDebug = Item(nullptr, "Отладка"_a);
    mnDebug->SetName("mnDebug");
    mnDebug->SetVisible(false);
    ActionItem(mnDebug, acOtladka);
    TMenuItem* mnHelp = Item(nullptr, "Помощь"_a);
    mnAbout = Item(mnHelp, "О программе"_a);
    mnAbout->SetName("mnAbout");
    mnAbout->OnClick = TNotifyEvent(this, &TFormMain::mnAboutClick);
    SetMenu(MainMenu1);
}

void TFormMain::BuildLeftPanel()
{
    Panel1 = new TPanel(this);
    Panel1->SetName("Panel1");
    Panel1->SetParent(this);
    Panel1->SetAlign(alLeft);
    Panel1->SetWidth(180);
    Panel1->SetCaption("");

    btInvoice = NewButton(this, Panel1, "btInvoice", "Новая накладная"_a, 8);
    btInvoice->SetAction(acOpenInvoice);
    btInvoice->SetCaption("Новая накладная"_a);
    btInviocePrint = NewButton(this, Panel1, "btInviocePrint", "Печать ведомости"_a, 38);
    btInviocePrint->SetAction(acPrintRep);

    rgPriceTicket = new TRadioGroup(this);
    rgPriceTicket->SetName("rgPriceTicket");
    rgPriceTicket->SetParent(Panel1);
    rgPriceTicket->SetBounds(8, 70, 164, 76);
    rgPriceTicket->SetCaption("  Вид ценника  "_a);
    btTicket = NewButton(this, Panel1, "btTicket", "Печать ценников"_a, 150);
    btTicket->SetAction(acPrintTicket);

    NewLabel(this, Panel1, "Наценка"_a, 10, 188);
    edMarkup = new Tyl_FloatEdit(this);
    edMarkup->SetName("edMarkup");
    edMarkup->SetParent(Panel1);
    edMarkup->SetBounds(100, 184, 72, 21);
    edMarkup->SetDisplayFormat("0.00");
    NewLabel(this, Panel1, "Скидка по карте"_a, 10, 214);
    edDiscount = new Tyl_FloatEdit(this);
    edDiscount->SetName("edDiscount");
    edDiscount->SetParent(Panel1);
    edDiscount->SetBounds(100, 210, 72, 21);
    edDiscount->SetDisplayFormat("0.00");

    rgRound = new TRadioGroup(this);
    rgRound->SetName("rgRound");
    rgRound->SetParent(Panel1);
    rgRound->SetBounds(8, 240, 164, 62);
    rgRound->SetCaption("  Округление  "_a);
    rgRound->Items()->Add("до 1"_a);
    rgRound->Items()->Add("Крупно"_a);
    rgRound->OnClick = TNotifyEvent(this, &TFormMain::acRoundExecute);
    cbRound = new TCheckBox(this);
    cbRound->SetName("cbRound");
    cbRound->SetParent(Panel1);
    cbRound->SetBounds(10, 306, 160, 17);
    cbRound->SetCaption("Округлять цены"_a);
    cbRound->OnClick = TNotifyEvent(this, &TFormMain::acRoundExecute);
    cbCalcAll = new TCheckBox(this);
    cbCalcAll->SetName("cbCalcAll");
    cbCalcAll->SetParent(Panel1);
    cbCalcAll->SetBounds(10, 328, 160, 17);
    cbCalcAll->SetCaption("Пересчитать все"_a);
    btRecalc = NewButton(this, Panel1, "btRecalc", "Перерасчет"_a, 352);
    btRecalc->SetAction(acReCalc);
    btRecalc->SetShowHint(true);

    btMakeExcel = NewButton(this, Panel1, "btMakeExcel", "Настроить XL"_a, 396);
    btMakeExcel->OnClick = TNotifyEvent(this, &TFormMain::btMakeExcelClick);
    btExcelArticle = NewButton(this, Panel1, "btExcelArticle", "Артикулы XL"_a, 426);
    btExcelArticle->SetAction(acImportArticles);
    btExcelArticle->SetCaption("Артикулы XL"_a);
}

void TFormMain::BuildControls()
{
    SetName("FormMain");
    SetCaption("Velkor");
    SetKeyPreview(true);
    SetPosition(poScreenCenter);
    SetClientWidth(980);
    SetClientHeight(600);
    Font()->SetName("MS Sans Serif");
    Font()->SetHeight(-11);

    BuildActions();
    BuildMenus();

    ToolBar1 = new TPanel(this);
    ToolBar1->SetName("ToolBar1");
    ToolBar1->SetParent(this);
    ToolBar1->SetAlign(alTop);
    ToolBar1->SetHeight(30);
    ToolBar1->SetBevelOuter(bvNone);
    ToolBar1->SetCaption("");
    NewLabel(this, ToolBar1, "Наценка  "_a, 8, 9);
    cbMarkup = new TComboBox(this);
    cbMarkup->SetName("cbMarkup");
    cbMarkup->SetParent(ToolBar1);
    cbMarkup->SetStyle(csDropDownList);
    cbMarkup->SetBounds(64, 4, 300, 21);
    cbMarkup->OnChange = TNotifyEvent(this, &TFormMain::cbMarkupSelect);
    btMarkups = new TButton(this);
    btMarkups->SetName("btMarkups");
    btMarkups->SetParent(ToolBar1);
    btMarkups->SetBounds(370, 3, 90, 23);
    btMarkups->SetAction(acMarkups);

    BuildLeftPanel();

    pnTitle = new TPanel(this);
    pnTitle->SetName("pnTitle");
    pnTitle->SetParent(this);
    pnTitle->SetAlign(alTop);
    pnTitle->SetHeight(26);
    pnTitle->SetBevelOuter(bvNone);
    pnTitle->SetBorderWidth(2);
    pnTitle->SetCaption("");
    sbEditMode = new TylSpeedButton(this);
    sbEditMode->SetName("sbEditMode");
    sbEditMode->SetParent(pnTitle);
    sbEditMode->SetAlign(alRight);
    sbEditMode->SetWidth(110);
    sbEditMode->SetCaption("Редактировать"_a);
    sbEditMode->SetGroupIndex(1);
    sbEditMode->SetAllowAllUp(true);
    sbEditMode->OnClick = TNotifyEvent(this, &TFormMain::sbEditModeClick);
    lbFileNameTITLE = new TLabel(this);
    lbFileNameTITLE->SetName("lbFileNameTITLE");
    lbFileNameTITLE->SetParent(pnTitle);
    lbFileNameTITLE->SetAlign(alClient);
    lbFileNameTITLE->SetLayout(tlCenter);
    lbFileNameTITLE->Font()->SetStyle({fsBold});
    lbFileNameTITLE->OnDblClick = TNotifyEvent(this, &TFormMain::lbFileNameTITLEDblClick);

    // The invoice grid with the totals right under it, beside the left panel.
    pnGrid = new TPanel(this);
    pnGrid->SetName("pnGrid");
    pnGrid->SetParent(this);
    pnGrid->SetAlign(alClient);
    pnGrid->SetBevelOuter(bvNone);
    pnGrid->SetCaption("");
    pnItogo = new TPanel(this);
    pnItogo->SetName("pnItogo");
    pnItogo->SetParent(pnGrid);
    pnItogo->SetAlign(alBottom);
    pnItogo->SetBevelOuter(bvNone);
    pnItogo->SetCaption("");
    BuildGrid();
    BuildTotalsGrid();

    OpenDialog = new TOpenDialog(this);
    OpenDialog->SetName("OpenDialog");
    OpenDialog->SetTitle("Открыть"_a);
    OpenDialog->SetFilter("Все файлы|*.*"_a);

    OnShow = TNotifyEvent(this, &TFormMain::FormShow);
    OnClose = TCloseEvent(this, &TFormMain::FormClose);
}

void TFormMain::BuildGrid()
{
    grid = NewDataGrid(this, "grid", pnGrid, static_cast<int>(std::size(InvoiceColumns)));
    grid->SetOptions({goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect,
                      goDrawFocusSelected, goColSizing, goTabs, goRowSelect, goThumbTracking});
    for (int I = 0; I < static_cast<int>(std::size(InvoiceColumns)); ++I) {
        const InvoiceColumn& Layout = InvoiceColumns[I];
        TColumn* C = grid->Columns()->Add();
        C->SetTag(Layout.Tag);
        C->Title()->SetCaption(AnsiString::FromUtf8(Layout.Title));
        C->SetWidth(Layout.Width);
        C->SetAlignment(Layout.Alignment);
        C->SetFormat(Layout.Format);
        C->SetReadOnly(Layout.ReadOnly);
    }
    grid->Columns()->GetItem(0)->SetColor(clBtnFace);
    TColumn* Name = grid->Columns()->GetItem(NameColumn);
    Name->SetColor(clInfoBk);
    Name->SetMinWidth(100);
    Name->SetAutoSize(true);
    for (const char* Country : Countries)
        grid->Columns()->GetItem(5)->PickList()->Add(AnsiString::FromUtf8(Country));
    for (const char* Firm : Firms)
        grid->Columns()->GetItem(6)->PickList()->Add(AnsiString::FromUtf8(Firm));

    grid->OnGetEditText = TGetEditEvent(this, &TFormMain::gridGetEditText);
    grid->OnSetEditText = TSetEditEvent(this, &TFormMain::gridSetEditText);
    grid->OnGetEditColor = TEditColorEvent(this, &TFormMain::gridGetEditColor);
    grid->OnShowEditor = TEditShowEvent(this, &TFormMain::gridShowEditor);
    grid->OnKeyDown = TKeyEvent(this, &TFormMain::gridKeyDown);
    grid->OnKeyPress = TKeyPressEvent(this, &TFormMain::gridKeyPress);
    grid->OnMouseDown = TMouseEvent(this, &TFormMain::gridMouseDown);
    grid->OnDblClick = TNotifyEvent(this, &TFormMain::gridDblClick);
    grid->OnMouseWheelDown = TMouseWheelUpDownEvent(this, &TFormMain::gridMouseWheelDown);
    grid->OnMouseWheelUp = TMouseWheelUpDownEvent(this, &TFormMain::gridMouseWheelUp);
    grid->OnResize = TNotifyEvent(this, &TFormMain::gridResize);
    grid->OnColumnSized = TNotifyEvent(this, &TFormMain::gridColumnSized);
}

void TFormMain::BuildTotalsGrid()
{
    gdItogo = NewDataGrid(this, "gdItogo", pnItogo, static_cast<int>(std::size(TotalsColumns)));
    gdItogo->SetScrollBars(ssNone);
    gdItogo->SetTabStop(false);
    gdItogo->SetColor(clBtnFace);
    gdItogo->SetOptions({goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine});
    for (int I = 0; I < static_cast<int>(std::size(TotalsColumns)); ++I) {
        const TotalsColumn& Layout = TotalsColumns[I];
        TColumn* C = gdItogo->Columns()->Add();
        C->Title()->SetCaption(AnsiString::FromUtf8(Layout.Title));
        C->Title()->SetAlignment(Layout.TitleAlignment);
        C->SetWidth(Layout.Width);
        C->SetAlignment(Layout.Alignment);
        C->SetReadOnly(true);
    }
    gdItogo->Columns()->GetItem(9)->SetAutoSize(true);
    gdItogo->OnGetEditText = TGetEditEvent(this, &TFormMain::gdItogoGetEditText);
    // Both rows and the grid's border, nothing to scroll.
    pnItogo->SetHeight(gdItogo->FixedRowHeight() + gdItogo->DefaultRowHeight()
                       + 2 * gdItogo->GridLineWidth() + 4);
}

// ---- file names, articles, templates ----------------------------------------------------------

void TFormMain::SetInvoiceFileName(const AnsiString& Name)
{
    FileName = Name;
    lbFileNameTITLE->SetCaption("Накладная: "_a + Name);
    gCfgObject->xlFileName = Name;
}

void TFormMain::SetArticleFileName(const AnsiString& Name)
{
    ArticleFileName = Name;
    gCfgObject->xlArtcleFileName = Name;
}

TshArticleList* TFormMain::GetArticles()
{
    if (!Articles) {
        auto List = std::make_unique<TshArticleList>();
        List->Load();
        Articles = std::move(List);
    }
    return Articles.get();
}

AnsiString TFormMain::GetTicketTemplate(int Index) const
{
    if (Index < 0 || Index >= TicketTemplates->Count())
        RaiseAppError("Ошибка формирования имени файла ценника"_a);
    return TicketTemplates->Strings(Index);
}

void TFormMain::BuildTicketList()
{
    mnPrintTickets->Clear();
    rgPriceTicket->Items()->Clear();
    TicketTemplates->Clear();
    // The folder is listed once for all the kinds, not once a kind.
    const std::vector<AnsiString> Names = UpperNamesLike(gTxtPath, "Ticket");
    int Count = 0;
    for (int N = 1; N <= MaxTicketTemplates; ++N) {
        const AnsiString Name = gTxtPath + "Ticket" + IntToStr(N);
        const AnsiString Stem = "TICKET" + IntToStr(N);
        if (!AnyNameLike(Names, Stem))
            continue;
        TicketTemplates->AddObject(Name, reinterpret_cast<TObject*>(static_cast<intptr_t>(Count)));
        // The title is read from the file named as the template when there
        // is one, else from its ".dcr" file; the listing above tells which,
        // so the title's reader does not list the folder again.
        const bool Bare = std::find(Names.begin(), Names.end(), Stem) != Names.end();
        const AnsiString Title = GetTemplateDocName(Bare ? Name : Name + ".dcr");
        auto* M = new TMenuItem(this);
        M->SetAction(acPrintTicket);
        M->SetTag(Count);
        if (!Title.IsEmpty()) {
            M->SetCaption(IntToStr(N) + ") " + Title);
            rgPriceTicket->Items()->Add(IntToStr(N) + ") " + Title);
        } else {
            M->SetCaption("Velkor " + IntToStr(N));
            rgPriceTicket->Items()->Add(IntToStr(N));
        }
        mnPrintTickets->Add(M);
        ++Count;
    }
    const int Items = rgPriceTicket->Items()->Count();
    rgPriceTicket->SetHeight(Items <= 3 ? 76 : Items <= 6 ? 136 : 200);
    if (TicketIndex >= 0 && TicketIndex < Items)
        rgPriceTicket->SetItemIndex(TicketIndex);
    else if (Items > 0)
        rgPriceTicket->SetItemIndex(0);
}

// ---- configuration ------------------------------------------------------------------------

void TFormMain::UpdateCaption()
{
    SetCaption("Velkor - "_a + gCfgObject->Customer + ": "
               + "Импорт накладных, расчет наценок и печать ценников"_a + " [v"
               + AppVersionText() + "]");
}

void TFormMain::SetupFromConfig()
{
    SetInvoiceFileName(gCfgObject->xlFileName);
    SetArticleFileName(gCfgObject->xlArtcleFileName);
    cbCalcAll->SetChecked(gCfgObject->CalcAll);
    Integer Index = 0;
    MarkupList->LoadFromConfigOrDefaults("MarkupList", Index);
    MarkupList->FillStrings(*cbMarkup->Items());
    cbMarkup->SetItemIndex(std::min<Integer>(Index, cbMarkup->Items()->Count() - 1));
    cbMarkupSelect(cbMarkup);
    RoundMode = static_cast<Byte>(std::clamp<Integer>(gCfgObject->RoundType, 0, 2));
    ApplyRoundMode();
    TicketIndex = gCfgObject->TicketType;
}

void TFormMain::StoreToConfig()
{
    gCfgObject->xlFileName = FileName;
    gCfgObject->xlArtcleFileName = ArticleFileName;
    MarkupList->SaveToConfig("MarkupList", cbMarkup->ItemIndex());
    gCfgObject->CalcAll = cbCalcAll->Checked();
    gCfgObject->RoundType = RoundMode;
    gCfgObject->TicketType = rgPriceTicket->ItemIndex();
}

void TFormMain::FormShow(TObject*)
{
    if (FShown)
        return;
    FShown = true;
    if (gDeveloperMode) {
        mnDebug->SetVisible(true);
        acOtladka->SetChecked(gCfgObject->Deb);
    }
    UpdateCaption();
    BuildTicketList();
    AddWindowMenuItem(this, "Главное окно"_a);
    AddWindowMenuItem(nullptr, "-");
    // A restored invoice has refreshed the grids: once more would measure
    // every name again and post one more resize, to the same result.
    if (!RestoreInvoiceState(false))
        RefreshGrids();
    SetPriceStyleMenu();
}

void TFormMain::FormClose(TObject*, TCloseAction& Action)
{
    try {
        SaveInvoiceState();
    } catch (const EAbort&) {
        throw;
    } catch (const Exception& E) {
        // A full disk or a folder without write permission: the previous
        // state file stays as it was. The operator is told what was not
        // saved and may close all the same; a close that failed here every
        // time left only killing the program.
        if (ErrorChoice("Состояние накладной не записано в файл \""_a + LastInvoiceFileName()
                            + "\"",
                        E.Message, {CloseChoiceButtons, "Закрыть без сохранения"_a,
                                    "Не закрывать"_a}) != CloseWithoutSaving)
            Action = caNone;
    }
}

// ---- invoice state ----------------------------------------------------------------------------

void TFormMain::SaveInvoiceState()
{
    if (FKeepDamagedState) {
        ErrorMsg("Состояние накладной не записано: файл предыдущего состояния поврежден"_a);
        return;
    }
    if (Modified) {
        if (Invoice->Count() == 0)
            return;
        if (!AskYesNo("Сохранить текущее состояние накладной?"_a, "", true))
            return;
    }
    Invoice->SaveToFile(LastInvoiceFileName());
    Modified = false;
}

void TFormMain::SaveInvoiceStateUnasked()
{
    if (FKeepDamagedState || (Modified && Invoice->Count() == 0))
        return;
    try {
        Invoice->SaveToFile(LastInvoiceFileName());
        Modified = false;
    } catch (const Exception& E) {
        LogMessage("Состояние накладной не записано в файл \""_a + LastInvoiceFileName() + "\": "_a
                       + E.Message,
                   2);
    }
}

bool TFormMain::InvoiceStateBytes(std::string& Bytes)
{
    if (FKeepDamagedState || (Modified && Invoice->Count() == 0))
        return false;
    TMemoryStream Stream;
    Invoice->SaveToStream(Stream);
    Bytes.assign(static_cast<const char*>(Stream.Memory()), size_t(Stream.Size()));
    return true;
}

bool TFormMain::RestoreInvoiceState(bool Verbose)
{
    const AnsiString Name = LastInvoiceFileName();
    if (!FileExists(Name)) {
        if (Verbose)
            ErrorMsg("Не найден файл предыдущего состояния"_a);
        return false;
    }
    if (Modified && !AskYesNo("Восстановить предыдущее состояние накладной?"_a, "", true))
        return false;
    // Any failure to load keeps the file: one that needs more memory than
    // there is as well (it ended the program's handling before, and the
    // save at exit then wrote an empty state over the invoice).
    try {
        Invoice->LoadFromFile(Name);
    } catch (const Exception& E) {
        SetDamagedStateAside(Name, E.Message);
        return false;
    } catch (const std::bad_alloc&) {
        SetDamagedStateAside(Name, SOutOfMemory);
        return false;
    }
    lbFileNameTITLE->SetCaption(Invoice->FileName);
    FHasChanges = Invoice->Count() > 0;
    RefreshGrids();
    return true;
}

void TFormMain::SetDamagedStateAside(const AnsiString& Name, const AnsiString& Reason)
{
    // The invoice kept what it had. The damaged file is put aside, so that
    // the next save cannot write over what may still be rescued.
    const AnsiString Bad = Name + ".bad";
    if (RenameFileReplacing(Name, Bad)) {
        ErrorMsg("Файл предыдущего состояния накладной поврежден и отложен как "_a
                 + ExtractFileName(Bad) + ":\\n" + Reason);
        return;
    }
    // It could not be put aside: it stays, and the state is not written
    // over it in this run.
    FKeepDamagedState = true;
    ErrorMsg("Файл предыдущего состояния накладной поврежден, состояние не будет "
             "записано поверх него:\\n"_a + Reason);
}

// ---- import ------------------------------------------------------------------------------------

void TFormMain::ReloadInvoice()
{
    // Work kept in the state file is lost to a reload as well: the question
    // is asked for it too, not only for changes not yet written.
    if ((Modified || FHasChanges)
        && !AskYesNo("Накладная изменена.\\nПерезагрузить?"_a, "", false))
        return;
    const BusyCursor Busy;
    FWorkbookRead = false;
    Invoice->LoadFromXLS(FileName);
    FWorkbookRead = true;
    FHasChanges = false;
    Modified = true;
    Invoice->Recalc(RoundMode, true, Currency(), Currency(), true);
    RefreshGrids();
    PostMessage(Handle(), WM_SHOWIMPORTERRORS, 0, 2);
}

void TFormMain::OpenNewInvoice()
{
    Modified = false;
    SaveInvoiceState();
    // The dialog writes the new invoice's header; an import that fails
    // leaves the rows of the invoice before, which keep their own header.
    struct Header {
        AnsiString NameDoc, NumDoc, FileName, Provider, ShownFile;
        TDateTime DateDoc, DateIn;
        Currency Nds;
    } const Before{Invoice->NameDoc, Invoice->NumDoc, Invoice->FileName, Invoice->Provider,
                   FileName,         Invoice->DateDoc, Invoice->DateIn, Invoice->Nds};
    bool FindDescriptions = true;
    if (!TFormIncoming::Execute(FileName, Invoice.get(), 1, FindDescriptions))
        return;
    const BusyCursor Busy;
    struct PanelBack {
        TPanel* P;
        ~PanelBack() { P->SetEnabled(true); }
    } Back{Panel1};
    Panel1->SetEnabled(false);
    SetInvoiceFileName(Invoice->FileName);
    // The invoice before was written first: opening the new one loses nothing.
    const bool HadChanges = FHasChanges;
    Modified = false;
    FHasChanges = false;
    FWorkbookRead = false;
    try {
        ReloadInvoice();
    } catch (...) {
        if (FWorkbookRead)
            throw;
        Invoice->NameDoc = Before.NameDoc;
        Invoice->NumDoc = Before.NumDoc;
        Invoice->FileName = Before.FileName;
        Invoice->Provider = Before.Provider;
        Invoice->DateDoc = Before.DateDoc;
        Invoice->DateIn = Before.DateIn;
        Invoice->Nds = Before.Nds;
        SetInvoiceFileName(Before.ShownFile);
        FHasChanges = HadChanges;
        throw;
    }
    if (FindDescriptions)
        MatchArticles();
    RefreshGrids();
}

void TFormMain::MatchArticles()
{
    TshArticleList* List = GetArticles();
    for (int I = 0; I < Invoice->Count(); ++I) {
        TshInvoiceTovar* Row = Invoice->GetItem(I);
        Integer Score = 0;
        Integer Index = -1;
        const TshArticle* Article = List->FindBest(*Row, Score, Index);
        if (!Article)
            continue;
        Row->AssignArticle(*Article);
        Row->ArticleIndex = Index;
        if (Score < 100)
            Row->Description = "(" + IntToStr(Score) + "%) " + Article->Description;
    }
}

void TFormMain::ImportInvoiceTable(const Variant& Table, const TAnalizeResult& Analysis)
{
    Invoice->ImportTable(Table, Analysis);
    FHasChanges = false;
    Modified = true;
    Invoice->Recalc(RoundMode, true, Currency(), Currency(), true);
    RefreshGrids();
    PostMessage(Handle(), WM_SHOWIMPORTERRORS, 0, 2);
}

void TFormMain::ImportArticleTable(const Variant& Table, const TAnalizeResult& Analysis)
{
    const Integer Choice = MsgChoice("", "Что делать будем с новыми описаниями?"_a,
                                     {1, "Добавить"_a, "Заменить"_a, "Отмена"_a});
    if (Choice == 3)
        return;
    if (Choice == 1) {
        TshArticleList Added;
        Added.ImportTable(Table, Analysis);
        TshArticleList* Own = GetArticles();
        Own->TakeItems(Added);
        Own->GetErrors()->Assign(Added.GetErrors());
    } else {
        GetArticles()->ImportTable(Table, Analysis);
    }
    GetArticles()->Save();
    PostMessage(Handle(), WM_SHOWIMPORTERRORS, 0, 1);
}

void TFormMain::ShowImportErrors(const AnsiString* AFileName, TStrings* Errors)
{
    if (Errors) {
        ImportErrors->Assign(Errors);
        ImportErrorsFile = AFileName ? *AFileName : AnsiString();
    } else if (AFileName) {
        ImportErrors->Clear();
        ImportErrorsFile = *AFileName;
    }
    if (ImportErrors->Count() == 0)
        return;
    ShowTextView("Ошибки импорта"_a,
                 "ВНИМАНИЕ !!! Обнаружены следующие ошибки при импорте данных\\n"_a
                     + ImportErrorsFile,
                 ImportErrors.get(), false);
}

bool TFormMain::IsShortCut(TWMKey& Message)
{
    const TShortCut Key = ShortCut(Message.CharCode, KeyDataToShiftState(Message.KeyData));
    if (Key == acSelectAll->ShortCut() && dynamic_cast<TCustomEdit*>(ActiveControl()))
        return false;
    return inherited::IsShortCut(Message);
}

void TFormMain::Dispatch(TMessage& Message)
{
    if (Message.Msg == WM_ENDSESSION) {
        // The desktop ends the session (or the program got a terminating
        // signal): the message loop quits next, and the settings are saved
        // on the way out as at a normal exit; the invoice is saved here,
        // since the window is not closed.
        if (Message.WParam)
            SaveInvoiceStateUnasked();
        return;
    }
    if (Message.Msg == WM_FITNAMECOLUMN) {
        FitNameColumn();
        return;
    }
    if (Message.Msg == WM_SHOWEDITERROR) {
        const AnsiString Error = FEditError;
        FEditError = AnsiString();
        if (!Error.IsEmpty())
            ErrorMsg(Error);
        return;
    }
    if (Message.Msg != WM_SHOWIMPORTERRORS) {
        inherited::Dispatch(Message);
        return;
    }
    switch (Message.LParam) {
    case 2:
        ShowImportErrors(&FileName, Invoice->GetErrors());
        break;
    case 1:
        ShowImportErrors(&ArticleFileName, GetArticles()->GetErrors());
        break;
    default:
        ShowImportErrors(nullptr, nullptr);
        break;
    }
}

// ---- pricing ------------------------------------------------------------------------------------

void TFormMain::RefreshGrids()
{
    // The rows may be new ones: no edit goes on from before.
    FPriceEdit = PriceEdit();
    grid->SetRowCount(Invoice->Count() + grid->FixedRows());
    grid->Invalidate();
    if (Visible() && grid->CanFocus())
        grid->SetFocus();
    RefreshTotals();
    FitNameColumn();
    PostMessage(grid->Handle(), WM_SIZE, 0, 0);
}

void TFormMain::FitNameColumn()
{
    if (!grid->HandleAllocated())
        return;
    // What the columns lent before goes back first.
    for (const LentWidth& L : FLentWidths)
        grid->SetLayoutColWidth(L.Col, L.Own);
    FLentWidths.clear();
    grid->FitAutoSize();
    TCanvas* C = grid->Canvas();
    C->Font()->Assign(grid->Font());
    int Need = 0;
    for (int I = 0; I < Invoice->Count(); ++I)
        Need = std::max(Need, C->TextWidth(Invoice->GetItem(I)->Name) + 8);
    int Short = Need - grid->ColWidths(NameColumn);
    // Columns that may lend, the least needed first; each keeps its title.
    for (const int Tag : {5, 7, 6, 3, 14}) {
        if (Short <= 0)
            break;
        int Col = -1;
        for (int I = 0; I < grid->Columns()->Count(); ++I)
            if (grid->Columns()->GetItem(I)->Tag() == Tag)
                Col = I;
        if (Col < 0)
            continue;
        bool Empty = true;
        AnsiString Text;
        for (int I = 0; I < Invoice->Count() && Empty; ++I) {
            Invoice->GetItem(I)->GetColumnText(Tag, Text);
            Empty = IsBlank(Text);
        }
        const int Width = grid->ColWidths(Col);
        const int Least = C->TextWidth(grid->Columns()->GetItem(Col)->Title()->Caption()) + 8;
        if (!Empty || Width <= Least)
            continue;
        const int Lent = std::min(Width - Least, Short);
        FLentWidths.push_back({Col, Width, Width - Lent});
        grid->SetLayoutColWidth(Col, Width - Lent);
        Short -= Lent;
    }
    if (!FLentWidths.empty())
        grid->FitAutoSize();
}

void TFormMain::gridResize(TObject*)
{
    FitNameColumn();
}

void TFormMain::gridColumnSized(TObject*)
{
    if (grid->LayoutLock() || FLentWidths.empty())
        return;
    // The operator resized a column: the grid is about to keep the widths
    // shown as the columns' own. A lent column the operator dragged keeps
    // the new width; the others get their own back first, and the names
    // are fitted again afterwards.
    for (const LentWidth& L : FLentWidths)
        if (grid->ColWidths(L.Col) == L.Narrowed)
            grid->SetLayoutColWidth(L.Col, L.Own);
    FLentWidths.clear();
    PostMessage(Handle(), WM_FITNAMECOLUMN, 0, 0);
}

void TFormMain::RefreshTotals()
{
    Invoice->CalcTotals();
    FillTotalsTexts(*Invoice, *Totals);
    gdItogo->Invalidate();
}

void TFormMain::cbMarkupSelect(TObject*)
{
    const int Count = MarkupList->Count();
    if (Count == 0)
        return;
    int Index = cbMarkup->ItemIndex();
    if (Index < 0 || Index >= Count)
        Index = 0;
    const TMarkupItem* Item = MarkupList->GetItem(Index);
    edMarkup->SetValue(Item->Markup.ToDouble());
    edDiscount->SetValue(Item->Discount.ToDouble());
    if (Visible() && grid->CanFocus())
        grid->SetFocus();
}

void TFormMain::DoRecalc()
{
    // A markup or discount that cannot price is said, and nothing is priced.
    if (!MarkupEditsValid(*edMarkup, *edDiscount))
        return;
    btRecalc->SetEnabled(false);
    struct ButtonBack {
        TButton* B;
        ~ButtonBack() { B->SetEnabled(true); }
    } Back{btRecalc};
    Invoice->Recalc(RoundMode, cbCalcAll->Checked(), Currency(edMarkup->Value()),
                    Currency(edDiscount->Value()), true);
    cbCalcAll->SetChecked(false);
    Modified = true;
    FHasChanges = true;
    RefreshGrids();
}

void TFormMain::ChooseRoundMode(TObject* Sender)
{
    if (auto* Item = dynamic_cast<TMenuItem*>(Sender))
        RoundMode = static_cast<Byte>(std::clamp<Integer>(Item->Tag(), 0, 2));
    else if (Sender == cbRound)
        RoundMode = !cbRound->Checked() ? 0 : rgRound->ItemIndex() == 0 ? 1 : 2;
    else if (Sender == rgRound)
        RoundMode = rgRound->ItemIndex() == 0 ? 1 : 2;
    else
        RoundMode = 2;
    ApplyRoundMode();
}

void TFormMain::ApplyRoundMode()
{
    // Setting the controls fires their clicks; they must not choose again.
    if (FApplyingRound)
        return;
    FApplyingRound = true;
    struct Done {
        bool& Flag;
        ~Done() { Flag = false; }
    } Guard{FApplyingRound};
    switch (RoundMode) {
    case RoundModeToRouble:
        rgRound->SetItemIndex(0);
        rgRound->SetEnabled(true);
        cbRound->SetChecked(true);
        break;
    case RoundModeCoarse:
        rgRound->SetItemIndex(1);
        rgRound->SetEnabled(true);
        cbRound->SetChecked(true);
        break;
    default:
        rgRound->SetItemIndex(-1);
        rgRound->SetEnabled(false);
        cbRound->SetChecked(false);
        break;
    }
    for (int I = 0; I < mnRoundTo->Count(); ++I)
        mnRoundTo->Items(I)->SetChecked(mnRoundTo->Items(I)->Tag() == RoundMode);
}

bool TFormMain::SetRowText(int Index, int Tag, const AnsiString& Text)
{
    AnsiString Error;
    if (ApplyRowText(Index, Tag, Text, Error))
        return true;
    if (!Error.IsEmpty())
        ErrorMsg(Error);
    return false;
}

bool TFormMain::ApplyRowText(int Index, int Tag, const AnsiString& Text, AnsiString& Error)
{
    if (Index < 0 || Index >= Invoice->Count())
        return false;
    TshInvoiceTovar& Row = *Invoice->GetItem(Index);
    // A text typed is work a reload would throw away.
    const auto Typed = [this] {
        FHasChanges = true;
        // A column that had no text may want its width back, a longer
        // name more of it.
        FitNameColumn();
        return true;
    };
    switch (Tag) {
    case 3: Row.Tip = Text; return Typed();
    case 4: Row.Name = Text; return Typed();
    case 5: Row.Description = Text; return Typed();
    case 6: Row.Country = Text; return Typed();
    case 7: Row.Firm = Text; return Typed();
    case 14: Row.Ed = Text; return Typed();
    case 8: {
        const AnsiString S = Trim(Text);
        Integer Value = 0;
        if (!S.IsEmpty() && !TryStrToInt(S, Value)) {
            Error = "Гарантия должна быть целым числом: \""_a + Text + "\"";
            return false;
        }
        Row.SetWarranty(Value);
        return Typed();
    }
    default: break;
    }
    if (Tag < 9 || Tag > 13)
        return false;
    Currency Value;
    if (!ParseMoney(Text, Value)) {
        Error = "Введено не число: \""_a + Text + "\"";
        return false;
    }
    // Pricing leaves the row as it was when it fails; the quantity and
    // the cost set before it are put back here.
    const Currency OldKolvo = Row.Kolvo;
    const Currency OldPriceOpt = Row.PriceOpt;
    try {
        switch (Tag) {
        case 9:
            Row.Kolvo = Value;
            Row.RecalcFromPrices(RoundMode, NotGiven, NotGiven, NotGiven, NotGiven);
            break;
        case 10:
            Row.PriceOpt = Value;
            Row.RecalcFromPrices(RoundMode, NotGiven, NotGiven, NotGiven, NotGiven);
            break;
        case 11: Row.RecalcFromPrices(RoundMode, Value, NotGiven, NotGiven, NotGiven); break;
        case 12: Row.RecalcFromPrices(RoundMode, NotGiven, NotGiven, Value, NotGiven); break;
        case 13: Row.RecalcFromPrices(RoundMode, NotGiven, NotGiven, NotGiven, Value); break;
        default: break;
        }
    } catch (const EZeroDivide&) {
        // The row keeps every value it had before the edit.
        Row.Kolvo = OldKolvo;
        Row.PriceOpt = OldPriceOpt;
        Error = "Ошибка вычислений: процент не считается от нулевой цены"_a;
        return false;
    } catch (const Exception& E) {
        Row.Kolvo = OldKolvo;
        Row.PriceOpt = OldPriceOpt;
        Error = "Ошибка вычислений: "_a + E.Message;
        return false;
    }
    Modified = true;
    FHasChanges = true;
    grid->InvalidateRow(Index + grid->FixedRows());
    RefreshTotals();
    return true;
}

TshInvoiceTovar* TFormMain::RowOfGrid(int ARow) const
{
    const int Index = ARow - grid->FixedRows();
    if (Index < 0 || Index >= Invoice->Count())
        return nullptr;
    return Invoice->GetItem(Index);
}

TshInvoiceTovar* TFormMain::CurrentRow() const
{
    return RowOfGrid(grid->Row());
}

// ---- grids ------------------------------------------------------------------------------------

void TFormMain::gridGetEditText(TObject*, int ACol, int ARow, AnsiString& Value)
{
    try {
        const TshInvoiceTovar* Row = RowOfGrid(ARow);
        const TColumn* Column = grid->ColumnOf(ACol);
        if (!Row || !Column)
            return;
        switch (Column->Tag()) {
        case 2: Value = Row->Marked ? "[x]" : ""; break;
        case 99: Value = IntToStr(ARow - grid->FixedRows() + 1); break;
        default: Row->GetColumnText(Column->Tag(), Value); break;
        }
    } catch (const Exception&) {
        // One broken cell reads as such; the grid goes on painting.
        Value = "Ошибка"_a;
    }
}

void TFormMain::gridGetEditColor(TObject*, int ACol, int ARow, TColor& Color)
{
    const TshInvoiceTovar* Row = RowOfGrid(ARow);
    if (Row && ACol > 0 && Row->Calculated)
        Color = clCalculatedRow;
}

void TFormMain::gridShowEditor(TObject*, int ACol, int ARow, bool& AllowEdit)
{
    const TColumn* Column = grid->ColumnOf(ACol);
    AllowEdit = Column && !Column->ReadOnly();
    // The editor opens anew on the cell of the last price edit: a new edit
    // begins there. (The grid asks before it hands over the last text of
    // the cell it leaves, so an edit of another cell is left alone.)
    const Tyl_DataInplaceEdit* Editor = grid->DataEditor();
    const bool Bound = Editor && Editor->Visible() && Editor->EditCol == ACol
                       && Editor->EditRow == ARow;
    if (!Bound && FPriceEdit.Col == ACol && FPriceEdit.GridRow == ARow)
        FPriceEdit = PriceEdit();
}

void TFormMain::gridSetEditText(TObject*, int ACol, int ARow, const AnsiString& Value)
{
    TshInvoiceTovar* Row = RowOfGrid(ARow);
    const TColumn* Column = grid->ColumnOf(ACol);
    if (!Row || !Column || Column->ReadOnly())
        return;
    const int Tag = Column->Tag();
    const int Index = ARow - grid->FixedRows();
    const bool Pricing = Tag >= 9 && Tag <= 13;
    if (Pricing) {
        PriceEdit& E = FPriceEdit;
        if (E.Row == Row && E.Tag == Tag) {
            Row->Price = E.Price;
            Row->PriceOpt = E.PriceOpt;
            Row->PriceDiscount = E.PriceDiscount;
            Row->Markup = E.Markup;
            Row->Discount = E.Discount;
            Row->Kolvo = E.Kolvo;
            Row->Calculated = E.Calculated;
        } else {
            E = PriceEdit{Row,         Tag,           ACol,        ARow,
                          Row->Price,  Row->PriceOpt, Row->PriceDiscount,
                          Row->Markup, Row->Discount, Row->Kolvo,  Row->Calculated,
                          false};
        }
    }
    // A cell emptied while typing is no value yet: the row keeps what it
    // had (for a price, what it had when the edit began).
    if (IsBlank(Value) && (Pricing || Tag == 8)) {
        if (Pricing) {
            grid->InvalidateRow(ARow);
            RefreshTotals();
        }
        return;
    }
    AnsiString Error;
    if (ApplyRowText(Index, Tag, Value, Error) || Error.IsEmpty())
        return;
    if (Pricing) {
        grid->InvalidateRow(ARow);
        RefreshTotals();
        // Said once an edit, not at every key typed after it.
        if (FPriceEdit.HasRefused)
            return;
        FPriceEdit.HasRefused = true;
    }
    // A window opened inside the grid's event would take the focus from
    // its editor in the middle of the edit: it is shown afterwards.
    const bool Posted = !FEditError.IsEmpty();
    FEditError = Error;
    if (!Posted)
        PostMessage(Handle(), WM_SHOWEDITERROR, 0, 0);
}

void TFormMain::gdItogoGetEditText(TObject*, int ACol, int ARow, AnsiString& Value)
{
    try {
        Value = Totals->GetCell(ACol, ARow - gdItogo->FixedRows());
    } catch (const Exception&) {
        Value = "Error";
    }
}

bool TFormMain::EditMode() const
{
    return grid->Options().Contains(goEditing);
}

void TFormMain::SetEditMode(bool On)
{
    TGridOptions O = grid->Options();
    if (On) {
        O.Exclude(goRangeSelect);
        O.Exclude(goRowSelect);
        O.Include(goEditing);
        grid->SetOptions(O);
        // A cell outside the grid (a click on the titles, rows gone since)
        // places the editor as no cell would.
        const bool InGrid = EditCell.X >= 0 && EditCell.Y >= grid->FixedRows()
                            && EditCell.X < grid->ColCount() && EditCell.Y < grid->RowCount();
        if (InGrid) {
            grid->SetCol(EditCell.X);
            grid->SetRow(EditCell.Y);
        } else {
            grid->SetCol(NameColumn);
        }
        grid->SetEditorMode(true);
    } else {
        O.Exclude(goEditing);
        O.Include(goRangeSelect);
        O.Include(goRowSelect);
        grid->SetOptions(O);
    }
    sbEditMode->SetDown(On);
}

void TFormMain::ToggleMarks(bool Advance)
{
    const TGridOptions O = grid->Options();
    if (O.Contains(goEditing) || !O.Contains(goRangeSelect) || Invoice->Count() == 0)
        return;
    const TGridRect Sel = grid->Selection();
    for (int R = Sel.Top; R <= Sel.Bottom; ++R) {
        if (TshInvoiceTovar* Row = RowOfGrid(R)) {
            Row->Marked = !Row->Marked;
            grid->InvalidateRow(R);
        }
    }
    if (Advance && Sel.Top == Sel.Bottom && grid->Row() < grid->RowCount() - 1)
        grid->SetRow(grid->Row() + 1);
}

void TFormMain::gridKeyDown(TObject*, Word& Key, TShiftState Shift)
{
    if (!Shift.Empty())
        return;
    if (Key == VK_RETURN && !EditMode()) {
        EditCell = TPoint{-1, -1};
        SetEditMode(true);
        Key = 0;
        FSwallowReturnChar = true;
    } else if (Key == VK_ESCAPE && EditMode() && !grid->EditorMode()) {
        SetEditMode(false);
        Key = 0;
    }
}

void TFormMain::gridKeyPress(TObject*, char& Key)
{
    // The Enter that opened the editor types its character into the grid
    // next, which would close the editor again.
    const bool Swallow = FSwallowReturnChar;
    FSwallowReturnChar = false;
    if (Key == '\r' && Swallow) {
        Key = 0;
        return;
    }
    if (Key != ' ' || EditMode())
        return;
    ToggleMarks(true);
    Key = 0;
}

void TFormMain::gridMouseDown(TObject*, TMouseButton, TShiftState, int X, int Y)
{
    MouseDownPos = TPoint{X, Y};
    if (!EditMode())
        return;
    if (grid->EditorMode())
        grid->SetEditorMode(false);
    int ACol = -1;
    int ARow = -1;
    grid->MouseToCell(X, Y, ACol, ARow);
    EditCell = TPoint{ACol, ARow};
}

void TFormMain::gridDblClick(TObject*)
{
    if (EditMode()) {
        SetEditMode(false);
        return;
    }
    int ACol = -1;
    int ARow = -1;
    grid->MouseToCell(MouseDownPos.X, MouseDownPos.Y, ACol, ARow);
    EditCell = TPoint{ACol, ARow};
    SetEditMode(true);
}

void TFormMain::gridMouseWheelDown(TObject*, TShiftState Shift, TPoint, bool& Handled)
{
    ScrollGridByWheel(*grid, /*Down=*/true, Shift);
    Handled = true;
}

void TFormMain::gridMouseWheelUp(TObject*, TShiftState Shift, TPoint, bool& Handled)
{
    ScrollGridByWheel(*grid, /*Down=*/false, Shift);
    Handled = true;
}

void TFormMain::sbEditModeClick(TObject*)
{
    SetEditMode(!EditMode());
}

void TFormMain::SetPriceStyleMenu()
{
    mnPriceStyle0->SetChecked(false);
    mnPriceStyle1->SetChecked(false);
    mnPriceStyle2->SetChecked(false);
    switch (gCfgObject->PriceStyle) {
    case 1: mnPriceStyle1->SetChecked(true); break;
    case 2: mnPriceStyle2->SetChecked(true); break;
    default: mnPriceStyle0->SetChecked(true); break;
    }
}

void TFormMain::mnPriceStyle0Click(TObject*)
{
    gCfgObject->PriceStyle = 0;
    SetPriceStyleMenu();
}

void TFormMain::mnPriceStyle1Click(TObject*)
{
    gCfgObject->PriceStyle = 1;
    SetPriceStyleMenu();
}

void TFormMain::mnPriceStyle2Click(TObject*)
{
    gCfgObject->PriceStyle = 2;
    SetPriceStyleMenu();
}

// ---- file dialogs and window menu -----------------------------------------------------------

bool TFormMain::ExecuteFileDialog(const AnsiString& Mode, const AnsiString& Start,
                                  TStrings& Files)
{
    const TOpenOptions OldOptions = OpenDialog->Options();
    struct Restore {
        TOpenDialog* D;
        TOpenOptions Options;
        ~Restore()
        {
            D->SetTitle("Открыть"_a);
            D->SetFilter("Все файлы|*.*"_a);
            D->SetOptions(Options);
        }
    } Back{OpenDialog, OldOptions};
    if (Mode == "ARTICLE") {
        OpenDialog->SetTitle("Открыть файл артикулов"_a);
        OpenDialog->SetFilter("Файлы артикулов|*.xls|Все файлы|*.*"_a);
        OpenDialog->SetInitialDir(ExtractFileDir(Start));
        OpenDialog->SetFileName(ExtractFileName(Start));
    } else if (Mode == "TEMPLATES") {
        OpenDialog->SetTitle("Выбор загружаемых шаблонов"_a);
        OpenDialog->SetFilter("Файлы шаблонов|*.dcf;*.dcr|Все файлы|*.*"_a);
        OpenDialog->SetInitialDir(ExcludeBackslash(Trim(Start)));
        OpenDialog->SetFileName("");
        OpenDialog->SetOptions(OldOptions + TOpenOptions{ofAllowMultiSelect});
    } else if (Mode == "PRINTEXTERNAL") {
        OpenDialog->SetTitle("Выбор файла печати"_a);
        OpenDialog->SetFilter("Файлы печати|*.rep|Все файлы|*.*"_a);
        OpenDialog->SetInitialDir(Start);
        OpenDialog->SetFileName("");
    } else {
        ErrorMsg("Не понял..."_a);
        return false;
    }
    if (!OpenDialog->Execute())
        return false;
    Files.Assign(OpenDialog->Files());
    if (Files.Count() == 0)
        Files.Add(OpenDialog->FileName());
    return true;
}

void TFormMain::AddWindowMenuItem(TForm* Form, const AnsiString& Caption)
{
    auto* M = new TMenuItem(this);
    M->SetCaption(!Caption.IsEmpty() || !Form ? Caption : Form->Caption());
    if (M->Caption() != "-")
        M->OnClick = TNotifyEvent(this, &TFormMain::mnWinClick);
    mnWindows->Add(M);
    FWindowItems.emplace_back(M, Form);
}

void TFormMain::RemoveWindowMenuItem(TForm* Form)
{
    for (auto It = FWindowItems.begin(); It != FWindowItems.end(); ++It) {
        if (It->second != Form)
            continue;
        TMenuItem* M = It->first;
        FWindowItems.erase(It);
        mnWindows->Remove(M);
        delete M;
        return;
    }
}

void TFormMain::mnWinClick(TObject* Sender)
{
    for (const auto& [Item, Form] : FWindowItems)
        if (Item == Sender && Form)
            ShowFormModeless(Form);
}

// ---- commands ---------------------------------------------------------------------------------

void TFormMain::acOpenInvoiceExecute(TObject*)
{
    OpenNewInvoice();
}

void TFormMain::acPrintRepExecute(TObject*)
{
    if (TFormOutgoing::Execute(AnsiString(), Invoice.get()))
        BuildDocument(1, Invoice.get(), gTxtPath + "Report");
}

void TFormMain::acPrintTicketExecute(TObject*)
{
    auto* Item = dynamic_cast<TMenuItem*>(acPrintTicket->ActionComponent());
    const AnsiString Name = GetTicketTemplate(Item ? Item->Tag() : rgPriceTicket->ItemIndex());
    BuildDocument(0, Invoice.get(), Name);
}

void TFormMain::acRoundExecute(TObject* Sender)
{
    TObject* Source = Sender;
    if (Sender == acRound && acRound->ActionComponent())
        Source = acRound->ActionComponent();
    ChooseRoundMode(Source);
}

void TFormMain::acReCalcExecute(TObject*)
{
    DoRecalc();
}

void TFormMain::acImportArticlesExecute(TObject*)
{
    auto Files = std::make_unique<TStringList>();
    if (!ExecuteFileDialog("ARTICLE", ArticleFileName, *Files))
        return;
    SetArticleFileName(Files->Strings(0));
    GetFormXL().ShowFormXL(ArticleFileName, 2);
}

void TFormMain::acMarkupsExecute(TObject*)
{
    int Selected = cbMarkup->ItemIndex();
    TFormNewMarkup::Execute("Изменение списка наценок"_a, MarkupList.get(), Selected);
    // The combo shows the markup last seen in the dialog, and the edits
    // follow it, so that "Перерасчет" uses the values on the screen.
    MarkupList->FillStrings(*cbMarkup->Items());
    const int Count = cbMarkup->Items()->Count();
    cbMarkup->SetItemIndex(Count == 0 ? -1 : std::clamp(Selected, 0, Count - 1));
    cbMarkupSelect(cbMarkup);
}

void TFormMain::acDesignTicketExecute(TObject*)
{
    if (rgPriceTicket->ItemIndex() < 0)
        ErrorMsgAbort("Не выбран шаблон ценника"_a);
    DesignDocument(GetTicketTemplate(rgPriceTicket->ItemIndex()));
}

void TFormMain::acDesignRepExecute(TObject*)
{
    DesignDocument(gTxtPath + "Report");
}

void TFormMain::acDesignNewExecute(TObject*)
{
    DeleteFilesByMask(gTxtPath + "tmp", true);
    DesignDocument(gTxtPath + "tmp");
}

void TFormMain::acAddReportsExecute(TObject*)
{
    auto Files = std::make_unique<TStringList>();
    if (!ExecuteFileDialog("TEMPLATES", gTxtPath, *Files))
        return;
    for (int I = 0; I < Files->Count(); ++I) {
        const AnsiString File = Files->Strings(I);
        try {
            ImportTemplate(File);
        } catch (const EAbort&) {
            throw;
        } catch (const Exception& E) {
            if (ErrorChoice("Ошибка импорта \""_a + File + "\"", E.Message,
                            {1, "Продолжить"_a, "Закончить"_a}) == 2)
                Abort();
        }
    }
}

void TFormMain::acReloadExecute(TObject*)
{
    ReloadInvoice();
}

void TFormMain::acSaveLastInvoiceExecute(TObject*)
{
    SaveInvoiceState();
}

void TFormMain::acOpenLastInvoiceExecute(TObject*)
{
    RestoreInvoiceState(true);
}

void TFormMain::acIncomingExecute(TObject*)
{
    bool FindDescriptions = true;
    TFormIncoming::Execute(FileName, Invoice.get(), 0, FindDescriptions);
}

void TFormMain::acArticlesShowExecute(TObject*)
{
    TshInvoiceTovar* Row = CurrentRow();
    int Index = Row ? Row->ArticleIndex : -1;
    if (TFormArticles::Execute(GetArticles(), Index) && Row && Index >= 0
        && Index < GetArticles()->Count()) {
        Row->AssignArticle(*GetArticles()->GetItem(Index));
        FHasChanges = true;
        grid->InvalidateRow(grid->Row());
    }
}

void TFormMain::acErrLogShowExecute(TObject*)
{
    ShowImportErrors(nullptr, nullptr);
}

void TFormMain::acSelectExecute(TObject*)
{
    ToggleMarks(true);
}

void TFormMain::acSelectAllExecute(TObject*)
{
    Invoice->MarkAll();
    grid->Invalidate();
}

void TFormMain::acUnSelectAllExecute(TObject*)
{
    Invoice->UnmarkAll();
    grid->Invalidate();
}

void TFormMain::acExitExecute(TObject*)
{
    Close();
}

void TFormMain::acOtladkaExecute(TObject*)
{
    acOtladka->SetChecked(!acOtladka->Checked());
    gCfgObject->Deb = acOtladka->Checked();
}

void TFormMain::btMakeExcelClick(TObject*)
{
    GetFormXL().ShowFormXL(FileName, 0);
}

void TFormMain::mnPrintExternalClick(TObject*)
{
    auto Files = std::make_unique<TStringList>();
    if (!ExecuteFileDialog("PRINTEXTERNAL", ExtractFileDir(gCfgObject->rpFileName), *Files))
        return;
    // Only a file that opened is proposed next time.
    OpenPrintFile(Files->Strings(0));
    gCfgObject->rpFileName = Files->Strings(0);
}

void TFormMain::mnConfigClick(TObject*)
{
    ShowCfg("");
    RefreshGrids();
}

void TFormMain::mnAboutClick(TObject*)
{
    auto About = std::make_unique<TFormAbout>(this);
    About->ShowModal();
}

void TFormMain::lbFileNameTITLEDblClick(TObject*)
{
    ReloadInvoice();
}

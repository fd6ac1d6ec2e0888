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
#include "common/Funcs.h"
#include "common/FuncsVCL.h"
#include "common/MsgWin.h"
#include "common/Str2D.h"
#include "common/YLDCompn.h"
#include "common/ylCtrls.h"
#include "platform/classes/Strings.h"
#include "platform/gui/Windows.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/StrUtils.h"

#include <algorithm>

TFormMain* FormMain = nullptr;

PRICETAGS_DEFINE_CLASS(TFormMain)

namespace {

constexpr int MaxTicketTemplates = 10;

/// Shows the busy cursor for a scope and gives the default one back.
class BusyCursor {
public:
    BusyCursor() { Screen->SetCursor(crHourGlass); }
    ~BusyCursor() { Screen->SetCursor(crDefault); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

/// A window that comes with a later part of the program.
void NotThereYet(const AnsiString& What)
{
    ErrorMsg(What + " ещё не подключено"_a);
}

/// True when a file of the folder matches Name + ".*" (letters without
/// regard to case).
bool AnyFileLike(const AnsiString& Name)
{
    TSearchRec F;
    const bool Found = FindFirst(Name + ".*", faAnyFile, F) == 0;
    FindClose(F);
    return Found;
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

} // namespace

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
    mnPriceStyleMenu = Item(mnPrices, "Вид цен в списке"_a);
    mnPriceStyleMenu->SetName("mnPriceStyleMenu");
    mnPriceStyleMenu->SetVisible(false);

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
    lbFileNameTITLE = new TLabel(this);
    lbFileNameTITLE->SetName("lbFileNameTITLE");
    lbFileNameTITLE->SetParent(pnTitle);
    lbFileNameTITLE->SetAlign(alClient);
    lbFileNameTITLE->SetLayout(tlCenter);
    lbFileNameTITLE->Font()->SetStyle({fsBold});
    lbFileNameTITLE->OnDblClick = TNotifyEvent(this, &TFormMain::lbFileNameTITLEDblClick);

    // Where the totals grid and the invoice grid go.
    pnItogo = new TPanel(this);
    pnItogo->SetName("pnItogo");
    pnItogo->SetParent(this);
    pnItogo->SetAlign(alBottom);
    pnItogo->SetHeight(40);
    pnItogo->SetBevelOuter(bvLowered);
    pnGrid = new TPanel(this);
    pnGrid->SetName("pnGrid");
    pnGrid->SetParent(this);
    pnGrid->SetAlign(alClient);
    pnGrid->SetBevelOuter(bvLowered);
    pnGrid->SetColor(clWindow);

    OpenDialog = new TOpenDialog(this);
    OpenDialog->SetName("OpenDialog");
    OpenDialog->SetTitle("Открыть"_a);
    OpenDialog->SetFilter("Все файлы|*.*"_a);

    OnShow = TNotifyEvent(this, &TFormMain::FormShow);
    OnClose = TCloseEvent(this, &TFormMain::FormClose);
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
    int Count = 0;
    for (int N = 1; N <= MaxTicketTemplates; ++N) {
        const AnsiString Name = gTxtPath + "Ticket" + IntToStr(N);
        if (!AnyFileLike(Name))
            continue;
        TicketTemplates->AddObject(Name, reinterpret_cast<TObject*>(static_cast<intptr_t>(Count)));
        const AnsiString Title = GetTemplateDocName(Name);
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
    RestoreInvoiceState(false);
    RefreshGrids();
}

void TFormMain::FormClose(TObject*, TCloseAction&)
{
    SaveInvoiceState();
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

void TFormMain::RestoreInvoiceState(bool Verbose)
{
    const AnsiString Name = LastInvoiceFileName();
    if (!FileExists(Name)) {
        if (Verbose)
            ErrorMsg("Не найден файл предыдущего состояния"_a);
        return;
    }
    if (Modified && !AskYesNo("Восстановить предыдущее состояние накладной?"_a, "", true))
        return;
    try {
        Invoice->LoadFromFile(Name);
    } catch (const Exception& E) {
        // The invoice kept what it had. The damaged file is put aside, so
        // that the next save cannot write over what may still be rescued.
        const AnsiString Bad = Name + ".bad";
        if (RenameFileReplacing(Name, Bad)) {
            ErrorMsg("Файл предыдущего состояния накладной поврежден и отложен как "_a
                     + ExtractFileName(Bad) + ":\\n" + E.Message);
            return;
        }
        // It could not be put aside: it stays, and the state is not
        // written over it in this run.
        FKeepDamagedState = true;
        ErrorMsg("Файл предыдущего состояния накладной поврежден, состояние не будет "
                 "записано поверх него:\\n"_a + E.Message);
        return;
    }
    lbFileNameTITLE->SetCaption(Invoice->FileName);
    RefreshGrids();
}

// ---- import ------------------------------------------------------------------------------------

void TFormMain::ReloadInvoice()
{
    if (Modified && !AskYesNo("Накладная изменена.\\nПерезагрузить?"_a, "", false))
        return;
    const BusyCursor Busy;
    Invoice->LoadFromXLS(FileName);
    Modified = true;
    Invoice->Recalc(RoundMode, true, Currency(), Currency(), true);
    RefreshGrids();
    PostMessage(Handle(), WM_SHOWIMPORTERRORS, 0, 2);
}

void TFormMain::OpenNewInvoice()
{
    Modified = false;
    SaveInvoiceState();
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
    Modified = false;
    ReloadInvoice();
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

void TFormMain::Dispatch(TMessage& Message)
{
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
    Invoice->CalcTotals();
    FillTotalsTexts(*Invoice, *Totals);
    // Stand-ins until the invoice and totals grids take these panels.
    pnGrid->SetCaption("Позиций в накладной: "_a + IntToStr(Invoice->Count()));
    AnsiString Line;
    for (int Col = 0; Col < 9; ++Col)
        Line += (Col ? "  |  " : "") + Totals->GetCell(Col, 0);
    pnItogo->SetCaption(Line);
}

void TFormMain::cbMarkupSelect(TObject*)
{
    const int Index = cbMarkup->ItemIndex();
    if (Index < 0 || Index >= MarkupList->Count())
        return;
    const TMarkupItem* Item = MarkupList->GetItem(Index);
    edMarkup->SetValue(Item->Markup.ToDouble());
    edDiscount->SetValue(Item->Discount.ToDouble());
}

void TFormMain::DoRecalc()
{
    btRecalc->SetEnabled(false);
    struct ButtonBack {
        TButton* B;
        ~ButtonBack() { B->SetEnabled(true); }
    } Back{btRecalc};
    Invoice->Recalc(RoundMode, cbCalcAll->Checked(), Currency(edMarkup->Value()),
                    Currency(edDiscount->Value()), true);
    cbCalcAll->SetChecked(false);
    Modified = true;
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
    if (Index < 0 || Index >= Invoice->Count())
        return false;
    TshInvoiceTovar& Row = *Invoice->GetItem(Index);
    switch (Tag) {
    case 3: Row.Tip = Text; return true;
    case 4: Row.Name = Text; return true;
    case 5: Row.Description = Text; return true;
    case 6: Row.Country = Text; return true;
    case 7: Row.Firm = Text; return true;
    case 14: Row.Ed = Text; return true;
    case 8: {
        const AnsiString S = Trim(Text);
        Integer Value = 0;
        if (!S.IsEmpty() && !TryStrToInt(S, Value)) {
            ErrorMsg("Гарантия должна быть целым числом: \""_a + Text + "\"");
            return false;
        }
        Row.SetWarranty(Value);
        return true;
    }
    default: break;
    }
    if (Tag < 9 || Tag > 13)
        return false;
    Currency Value;
    if (!ParseMoney(Text, Value)) {
        ErrorMsg("Введено не число: \""_a + Text + "\"");
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
        ErrorMsg("Ошибка вычислений: процент не считается от нулевой цены"_a);
        return false;
    } catch (const Exception& E) {
        Row.Kolvo = OldKolvo;
        Row.PriceOpt = OldPriceOpt;
        ErrorMsg("Ошибка вычислений: "_a + E.Message);
        return false;
    }
    Modified = true;
    RefreshGrids();
    return true;
}

TshInvoiceTovar* TFormMain::CurrentRow() const
{
    // The invoice grid gives the current row once it is in place.
    return nullptr;
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
    NotThereYet("Окно настройки документа Excel"_a);
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
        && Index < GetArticles()->Count())
        Row->AssignArticle(*GetArticles()->GetItem(Index));
}

void TFormMain::acErrLogShowExecute(TObject*)
{
    ShowImportErrors(nullptr, nullptr);
}

void TFormMain::acSelectExecute(TObject*)
{
    if (TshInvoiceTovar* Row = CurrentRow()) {
        Row->Marked = !Row->Marked;
        RefreshGrids();
    }
}

void TFormMain::acSelectAllExecute(TObject*)
{
    Invoice->MarkAll();
    RefreshGrids();
}

void TFormMain::acUnSelectAllExecute(TObject*)
{
    Invoice->UnmarkAll();
    RefreshGrids();
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
    NotThereYet("Окно настройки документа Excel"_a);
}

void TFormMain::mnPrintExternalClick(TObject*)
{
    auto Files = std::make_unique<TStringList>();
    if (!ExecuteFileDialog("PRINTEXTERNAL", ExtractFileDir(gCfgObject->rpFileName), *Files))
        return;
    gCfgObject->rpFileName = Files->Strings(0);
    OpenPrintFile(Files->Strings(0));
}

void TFormMain::mnConfigClick(TObject*)
{
    NotThereYet("Окно настроек"_a);
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

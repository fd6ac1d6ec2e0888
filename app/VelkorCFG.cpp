#include "app/VelkorCFG.h"

#include "app/AnalizeResult.h"
#include "app/Globals.h"
#include "app/MainInvoice.h"
#include "app/SprList.h"
#include "app/VelkorCFGPrivate.h"
#include "common/base/BaseLst.h"
#include "common/base/Funcs.h"
#include "common/base/IniFiles.h"
#include "common/components/ExLabel.h"
#include "common/components/FuncsVCL.h"
#include "common/components/MsgWin.h"
#include "platform/classes/Strings.h"
#include "platform/forms/ComCtrls.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/StdCtrls.h"
#include "platform/forms/ValEdit.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/StrUtils.h"

#include <array>

PRICETAGS_DEFINE_CLASS(TFormCFG)

namespace {

/// The page shown last in this run (-1: none yet) and the dialog's LastTab.
int gLastPageIndex = -1;
Integer gLastTab = 0;

const AnsiString& SShowError()
{
    return "Ошибка отображения конфигурационных значений"_a;
}
const AnsiString& SImportError()
{
    return "Ошибка загрузки свойств анализа при импорте"_a;
}
const AnsiString& SSaveError()
{
    return "Ошибка сохранения настроек программы"_a;
}

const char* const KeyCustomer = "Пользователь";
const char* const KeyStyle = "Тип цены ценника";
const char* const KeyStyleRep = "Тип цены ведомости";
const char* const KeyStyleXxx = "Тип цены списков";

/// The price styles the formatter knows, as the pick list offers them.
const std::array<const char*, 9>& StyleTexts()
{
    static const std::array<const char*, 9> Texts = {
        "00 - если есть копейки - отображаются, нет - без копеек",
        "01 - в стиле \"123-00\"",
        "02 - всегда c копейками, \"123,45\"",
        "03 - всегда без копеек, даже, если есть в цене",
        "10 - вариант 00 + \"Руб\"",
        "11 - вариант 01 + \"Руб\"",
        "12 - вариант 02 + \"Руб\"",
        "13 - вариант 03 + \"Руб\"",
        "14 - в стиле \"123руб. 45коп.\"",
    };
    return Texts;
}

/// Shows Title, a blank line and the reason of the exception being handled.
void ShowFailure(const AnsiString& Title, const Exception& E)
{
    ErrorMsg(Title + "\r\n\r\n" + E.Message);
}

TLabel* PageLabel(TComponent* Owner, TWinControl* Page, const char* Name, const AnsiString& Text)
{
    auto* L = new TLabel(Owner);
    L->SetName(Name);
    L->SetParent(Page);
    L->SetAutoSize(false);
    L->SetAlign(alTop);
    L->SetHeight(22);
    L->SetLayout(tlCenter);
    L->SetCaption(Text);
    return L;
}

TValueListEditor* ValueList(TComponent* Owner, TWinControl* Page, const char* Name)
{
    auto* V = new TValueListEditor(Owner);
    V->SetName(Name);
    V->SetParent(Page);
    V->SetAlign(alClient);
    V->TitleCaptions()->Clear();
    V->TitleCaptions()->Add("Переменная"_a);
    V->TitleCaptions()->Add("Значение"_a);
    return V;
}

} // namespace

Integer PriceStyleCode(const AnsiString& Text)
{
    const AnsiString S = Trim(Text);
    int Len = 0;
    while (Len < S.Length()) {
        const char C = S[Len + 1];
        if (!(C >= '0' && C <= '9') && !(C == '-' && Len == 0))
            break;
        ++Len;
    }
    return StrToInt(S.SubString(1, Len));
}

TFormCFG::TFormCFG(TComponent* AOwner) : TForm(AOwner, 0)
{
    {
        const LoadingScope Loading(this);
        BuildControls();
    }
    // The tree works out its columns' places when they are added, which it
    // does not do while it loads.
    vsImport = MakeImportTree(this, tabImport);
    SetComponentsFonts(this, {nullptr});
    // A dialog over a window that stays on top must stay on top too.
    TCustomForm* Main = Application ? Application->MainForm() : nullptr;
    TCustomForm* Active = Screen ? Screen->ActiveForm() : nullptr;
    if ((Main && Main->FormStyle() == fsStayOnTop) ||
        (Active && Active->FormStyle() == fsStayOnTop))
        SetFormStyle(fsStayOnTop);
    rbInvoice->SetChecked(false);
    rbArticle->SetChecked(false);
}

TFormCFG::~TFormCFG()
{
    vlSprValue->Strings()->Clear();
    vlVariant->Strings()->Clear();
}

void TFormCFG::BuildControls()
{
    SetName("FormCFG");
    SetCaption("Настройки"_a);
    SetPosition(poScreenCenter);
    SetClientWidth(640);
    SetClientHeight(540);
    Constraints()->SetMinWidth(640);
    Constraints()->SetMinHeight(540);
    SetKeyPreview(true);
    OnShow = TNotifyEvent(this, &TFormCFG::FormShow);
    OnClose = TCloseEvent(this, &TFormCFG::FormClose);
    OnKeyDown = TKeyEvent(this, &TFormCFG::FormKeyDown);
    OnKeyPress = TKeyPressEvent(this, &TFormCFG::FormKeyPress);

    lbHeader = new TExLabel(this);
    lbHeader->SetName("lbHeader");
    lbHeader->SetParent(this);
    lbHeader->SetAutoSize(false);
    lbHeader->SetAlign(alTop);
    lbHeader->SetHeight(34);
    lbHeader->SetAlignment(taCenter);
    lbHeader->SetLayout(tlCenter);
    lbHeader->SetTextStyle(tsShadow);
    lbHeader->SetTransparent(false);
    lbHeader->SetColor(clTeal);
    lbHeader->SetParentFont(false);
    lbHeader->Font()->SetColor(clWhite);
    lbHeader->Font()->SetStyle({fsBold});
    lbHeader->SetCaption("Настройки программы"_a);

    pnButtons = new TPanel(this);
    pnButtons->SetName("pnButtons");
    pnButtons->SetParent(this);
    pnButtons->SetAlign(alBottom);
    pnButtons->SetHeight(41);
    pnButtons->SetBevelOuter(bvNone);
    btOk = new TButton(this);
    btOk->SetName("btOk");
    btOk->SetParent(pnButtons);
    btOk->SetCaption("Ok");
    btOk->SetBounds(448, 8, 85, 25);
    btOk->SetAnchors({akTop, akRight});
    btOk->OnClick = TNotifyEvent(this, &TFormCFG::btOkClick);
    btCancel = new TButton(this);
    btCancel->SetName("btCancel");
    btCancel->SetParent(pnButtons);
    btCancel->SetCaption("Отмена"_a);
    btCancel->SetBounds(543, 8, 85, 25);
    btCancel->SetAnchors({akTop, akRight});
    btCancel->OnClick = TNotifyEvent(this, &TFormCFG::btCancelClick);

    pc = new TPageControl(this);
    pc->SetName("pc");
    pc->SetParent(this);
    pc->SetAlign(alClient);
    pc->OnChange = TNotifyEvent(this, &TFormCFG::pcChange);
    auto Page = [this](const char* Name, const AnsiString& Caption) {
        auto* T = new TTabSheet(this);
        T->SetName(Name);
        T->SetPageControl(pc);
        T->SetCaption(Caption);
        return T;
    };
    tabSprav = Page("tabSprav", "Справочные"_a);
    tabVariables = Page("tabVariables", "Переменные"_a);
    tabImport = Page("tabImport", "Импорт"_a);

    lbSprav = PageLabel(this, tabSprav, "lbSprav", "Справочные данные"_a);
    vlSprValue = ValueList(this, tabSprav, "vlSprValue");
    lbVariables = PageLabel(this, tabVariables, "lbVariables", "Редактируемые переменные"_a);
    vlVariant = ValueList(this, tabVariables, "vlVariant");
    BuildImportPage();
}

void TFormCFG::BuildImportPage()
{
    lbImport = PageLabel(this, tabImport, "lbImport",
                         "Настройка заголовков колонок в импортируемом документе"_a);
    barImport = new TToolBar(this);
    barImport->SetName("barImport");
    barImport->SetParent(tabImport);
    barImport->SetTop(lbImport->Height());
    barImport->SetAlign(alTop);
    barImport->SetHeight(26);
    barImport->SetFlat(true);
    barImport->SetShowCaptions(true);
    barImport->SetButtonWidth(80);
    btImportEdit = new TToolButton(this);
    btImportEdit->SetName("btImportEdit");
    btImportEdit->SetParent(barImport);
    btImportEdit->SetCaption("Изменить"_a);
    btImportEdit->OnClick = TNotifyEvent(this, &TFormCFG::btImportEditClick);
    auto Radio = [this](const char* Name, const AnsiString& Caption, int Left) {
        auto* R = new TRadioButton(this);
        R->SetName(Name);
        R->SetParent(barImport);
        R->SetCaption(Caption);
        R->SetBounds(Left, 3, 100, 17);
        R->OnClick = TNotifyEvent(this, &TFormCFG::rbInvoiceClick);
        return R;
    };
    rbInvoice = Radio("rbInvoice", "Накладная"_a, 100);
    rbArticle = Radio("rbArticle", "Артикулы"_a, 210);

}

void TFormCFG::FormShow(TObject*)
{
    RestoreFormPosition(this);
    const Variant Layout = gCfgObject->RestVar(FormBaseName(Name()), "vsImport", Variant(""));
    SetImportTreeLayout(vsImport, Layout.AsString());
    LastTab = gLastTab;
    TTabSheet* Page = tabSprav;
    if (gLastPageIndex >= 0 && gLastPageIndex < pc->PageCount() &&
        pc->Pages(gLastPageIndex)->TabVisible())
        Page = pc->Pages(gLastPageIndex);
    pc->SetActivePage(Page);
    rbInvoice->SetChecked(true);
}

void TFormCFG::FormClose(TObject*, TCloseAction&)
{
    gCfgObject->SaveVar(FormBaseName(Name()), "vsImport", Variant(ImportTreeLayout(vsImport)));
    SaveFormPosition(this);
    gLastPageIndex = pc->ActivePageIndex();
    gLastTab = LastTab;
}

void TFormCFG::pcChange(TObject*)
{
    gLastPageIndex = pc->ActivePageIndex();
}

void TFormCFG::rbInvoiceClick(TObject*)
{
    FAnalysis.reset();
    if (rbArticle->Checked())
        FAnalysis = TAnalizeResult::CreateForArticles();
    else
        FAnalysis = std::make_unique<TAnalizeResult>();
    FillPages();
}

void TFormCFG::FillPages()
{
    try {
        FillValueLists();
    } catch (const Exception& E) {
        ShowFailure(SShowError(), E);
    }
    try {
        FillImportItems();
    } catch (const Exception& E) {
        ShowFailure(SImportError(), E);
    }
}

void TFormCFG::FillValueLists()
{
    vlSprValue->Strings()->Clear();
    const std::pair<const char*, AnsiString> Reference[] = {
        {"IniFile", gCfgObject->GetFileName()},
        {"TxtPath", gTxtPath},
        {"AppEXEPath", GetExeDir()},
    };
    for (const auto& [Key, Value] : Reference) {
        vlSprValue->InsertRow(Key, Value, /*Append=*/true);
        vlSprValue->ItemProps(Key)->SetReadOnly(true);
    }
    vlVariant->Strings()->Clear();
    vlVariant->InsertRow(AnsiString::FromUtf8(KeyCustomer), gCfgObject->Customer, true);
    vlVariant->InsertRow("Rub", gCfgObject->Rub, true);
    vlVariant->InsertRow("Kop", gCfgObject->Kop, true);
    const std::pair<const char*, Integer> Styles[] = {
        {KeyStyle, gCfgObject->PriceStyle},
        {KeyStyleRep, gCfgObject->PriceStyleRep},
        {KeyStyleXxx, gCfgObject->PriceStyleXxx},
    };
    for (const auto& [Key, Style] : Styles) {
        const AnsiString K = AnsiString::FromUtf8(Key);
        vlVariant->InsertRow(K, IntToStr(Style), true);
        TItemProp* Prop = vlVariant->ItemProps(K);
        Prop->SetReadOnly(true);
        Prop->PickList()->Clear();
        for (const char* Text : StyleTexts())
            Prop->PickList()->Add(AnsiString::FromUtf8(Text));
        Prop->SetEditStyle(esPickList);
    }
}

void TFormCFG::FillImportItems()
{
    // Only the data columns and the sheet total have keyword lists.
    for (int I = FAnalysis->Count() - 1; I >= 0; --I) {
        const TAnResItem* Item = FAnalysis->GetItem(I);
        if (!Item->IsColumnKind() && Item->Kind != KindTotal)
            FAnalysis->DeleteObject(I);
    }
    SetImportTreeRows(vsImport, FAnalysis->Count());
}

AnsiString TFormCFG::CellText(int Index, int Tag) const
{
    if (!FAnalysis || Index < 0 || Index >= FAnalysis->Count())
        return "";
    const TAnResItem* Item = FAnalysis->GetItem(Index);
    switch (Tag) {
    case 99: return IntToStr(Index + 1);
    case 1: return Trim(Item->Name);
    case 2: {
        AnsiString S;
        for (int I = 0; I < Item->Headers->Count(); ++I)
            S += (I > 0 ? ", " : "") + Item->Headers->Strings(I);
        return S;
    }
    default: return "???";
    }
}

void TFormCFG::EditKeywords()
{
    // The focused row, not the first selected one: with a Ctrl selection
    // the operator edits the row the focus stands on.
    const int Index = ImportTreeFocusedIndex(vsImport);
    if (!FAnalysis || Index < 0 || Index >= FAnalysis->Count())
        return;
    TAnResItem* Item = FAnalysis->GetItem(Index);
    T_BaseStrList List;
    List.Name = "AnalizeHeaders";
    for (int I = 0; I < Item->Headers->Count(); ++I) {
        T_BaseStrItem* S = List.NewItem();
        S->Id = I + 1;
        S->SetText(Item->Headers->Strings(I));
    }
    TSprListConfig Config;
    InitSprListConfig(Config);
    Config.Caption = "Список заголовков колонки входного документа"_a;
    Config.Header = "Список заголовков для поля "_a + Trim(Item->Name);
    Config.List = &List;
    Config.Mode = 1;
    ExecSprList(Config);
    if (!Config.Result)
        return;
    Item->Headers->Clear();
    for (int I = 0; I < List.Count(); ++I)
        Item->Headers->Add(List.ItemAt(I)->GetText());
    Item->SaveHeaders();
    // At once: the list stays written whatever closes the dialog.
    GetAppIniFile()->UpdateFile();
    RepaintImportTree(vsImport);
}

void TFormCFG::btImportEditClick(TObject*)
{
    EditKeywords();
}

bool TFormCFG::SaveSettings()
{
    bool Stored = false;
    try {
        // Every value is converted before any is stored, so that a value
        // that fails leaves the configuration as it was.
        const AnsiString Customer = vlVariant->Values(AnsiString::FromUtf8(KeyCustomer));
        const AnsiString Rub = vlVariant->Values("Rub");
        const AnsiString Kop = vlVariant->Values("Kop");
        const Integer Style = PriceStyleCode(vlVariant->Values(AnsiString::FromUtf8(KeyStyle)));
        const Integer StyleRep =
            PriceStyleCode(vlVariant->Values(AnsiString::FromUtf8(KeyStyleRep)));
        const Integer StyleXxx =
            PriceStyleCode(vlVariant->Values(AnsiString::FromUtf8(KeyStyleXxx)));
        gCfgObject->Customer = Customer;
        gCfgObject->Rub = Rub;
        gCfgObject->Kop = Kop;
        gCfgObject->PriceStyle = Style;
        gCfgObject->PriceStyleRep = StyleRep;
        gCfgObject->PriceStyleXxx = StyleXxx;
        Stored = true;
    } catch (const Exception& E) {
        ShowFailure(SSaveError(), E);
    }
    UpdateMainCaption();
    if (Stored)
        SetModalResult(mrOk);
    return Stored;
}

void TFormCFG::btOkClick(TObject*)
{
    OkPressed = true;
    SaveSettings();
}

void TFormCFG::btCancelClick(TObject*)
{
    Cancelled = true;
    SetModalResult(mrCancel);
}

void TFormCFG::FormKeyDown(TObject*, Word& Key, TShiftState Shift)
{
    if (Key == VK_ESCAPE) {
        Key = 0;
        SetModalResult(mrCancel);
        return;
    }
    if ((Key == VK_UP || Key == VK_DOWN) && Shift == TShiftState{ssCtrl})
        ArrowKeysMoveFocus(this, Key, Shift);
}

void TFormCFG::FormKeyPress(TObject*, char& Key)
{
    // Enter, line feed and Esc never reach the value lists.
    if (Key == '\r' || Key == '\n' || Key == 27)
        Key = 0;
}

bool ShowCfg(const AnsiString& Caption)
{
    auto Form = std::make_unique<TFormCFG>(Application);
    if (!Caption.IsEmpty())
        Form->SetCaption(Caption);
    return Form->ShowModal() == mrOk;
}

#include "app/NewIncoming.h"

#include "app/Globals.h"
#include "app/InvoiceType.h"
#include "app/MarkupList.h"
#include "common/base/Funcs.h"
#include "common/components/FuncsVCL.h"
#include "common/components/MsgWin.h"
#include "common/components/ToolEdit.h"
#include "common/components/YLDCompn.h"
#include "platform/winapi/Windows.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/StrUtils.h"

#include <cmath>

PRICETAGS_DEFINE_CLASS(TFormIncoming)

namespace {

/// Opens the workbook choice once the dialog is on the screen.
constexpr UINT WM_CHOOSEFILE = WM_USER + 1;

/// Suppliers of a first start, until the shop keeps its own.
void AddDefaultProviders(TStrings& List)
{
    List.Add("Рынок \"Центральный\""_a);
    List.Add("Оптовая база \"Торговый дом\""_a);
    List.Add("База стройматериалов \"Строитель\""_a);
}

AnsiString Dequoted(const AnsiString& S)
{
    AnsiString R = Trim(S);
    if (R.Length() >= 2 && R[1] == '"' && R[R.Length()] == '"')
        R = R.SubString(2, R.Length() - 2);
    return R;
}

} // namespace

AnsiString TFormIncoming::HeaderTitle()
{
    return "Параметры входной накладной"_a;
}

TFormIncoming::TFormIncoming(TComponent* AOwner)
    : TFormNewInput(AOwner), Providers(std::make_unique<TshProviderList>())
{
    {
        const LoadingScope Loading(this);
        BuildControls();
    }
    SetComponentsFonts(this, {nullptr});
    ShowAsLink(lbDelProvider);
}

TFormIncoming::~TFormIncoming() = default;

void TFormIncoming::BuildControls()
{
    SetName("FormIncoming");
    SetCaption("Параметры новой накладной"_a);
    lbMode->SetCaption("Новая накладная"_a);
    SetBodySize(460, 262);
    const int T = 34;

    AddLabel("Файл накладной"_a, 12, 8);
    edInvFilename = new TFilenameEdit(this);
    edInvFilename->SetName("edInvFilename");
    edInvFilename->SetParent(this);
    edInvFilename->SetBounds(12, T + 24, 436, 21);
    edInvFilename->SetFilter("Накладные Excel|*.xls|Все файлы|*.*"_a);
    edInvFilename->SetDialogTitle("Выбор файла накладной"_a);
    edInvFilename->OnAfterDialog =
        TExecOpenDialogEvent(this, &TFormIncoming::edInvFilenameAfterDialog);

    AddLabel("Номер накладной"_a, 12, 54);
    edInvNum = new TEdit(this);
    edInvNum->SetName("edInvNum");
    edInvNum->SetParent(this);
    edInvNum->SetBounds(12, T + 70, 130, 21);
    edInvNum->OnChange = TNotifyEvent(this, &TFormIncoming::UpdateDocName);

    AddLabel("Дата накладной"_a, 160, 54);
    edInvDate = new TDateEdit(this);
    edInvDate->SetName("edInvDate");
    edInvDate->SetParent(this);
    edInvDate->SetBounds(160, T + 70, 130, 21);
    // A header without dates (an invoice typed in by hand) shows and keeps
    // today rather than the empty date, which prints as 30.12.1899.
    edInvDate->SetDefaultToday(true);

    AddLabel("Дата приемки"_a, 308, 54);
    edInvLoad = new TDateEdit(this);
    edInvLoad->SetName("edInvLoad");
    edInvLoad->SetParent(this);
    edInvLoad->SetBounds(308, T + 70, 140, 21);
    edInvLoad->SetDefaultToday(true);

    AddLabel("Поставщик"_a, 12, 100);
    lbDelProvider = AddLabel("Удалить поставщика"_a, 330, 100);
    lbDelProvider->SetName("lbDelProvider");
    lbDelProvider->SetCursor(crHandPoint);
    lbDelProvider->OnClick = TNotifyEvent(this, &TFormIncoming::lbDelProviderClick);
    cbProvider = new TComboBox(this);
    cbProvider->SetName("cbProvider");
    cbProvider->SetParent(this);
    cbProvider->SetBounds(12, T + 116, 436, 21);

    AddLabel("Наименование документа"_a, 12, 146);
    edInvName = new TEdit(this);
    edInvName->SetName("edInvName");
    edInvName->SetParent(this);
    edInvName->SetBounds(12, T + 162, 436, 21);

    cbNDS = new TCheckBox(this);
    cbNDS->SetName("cbNDS");
    cbNDS->SetParent(this);
    cbNDS->SetBounds(12, T + 196, 220, 17);
    cbNDS->SetCaption("Расчет НДС к цене по накладной"_a);
    cbNDS->OnClick = TNotifyEvent(this, &TFormIncoming::cbNDSClick);
    lbNDS0 = AddLabel("По ставке (%):  "_a, 250, 197);
    lbNDS0->SetName("lbNDS0");
    edNDS = new Tyl_FloatEdit(this);
    edNDS->SetName("edNDS");
    edNDS->SetParent(this);
    edNDS->SetBounds(340, T + 194, 60, 21);
    edNDS->SetDisplayFormat("0.00");
    edNDS->SetValue(20);

    cbFindDescr = new TCheckBox(this);
    cbFindDescr->SetName("cbFindDescr");
    cbFindDescr->SetParent(this);
    cbFindDescr->SetBounds(12, T + 226, 220, 17);
    cbFindDescr->SetCaption("Поиск в базе описаний"_a);
    cbFindDescr->OnClick = TNotifyEvent(this, &TFormIncoming::cbNDSClick);
}

bool TFormIncoming::Execute(const AnsiString& FileName, TshInvoice* Invoice, Byte Mode,
                            bool& FindDescriptions)
{
    auto Dialog = std::make_unique<TFormIncoming>(Application);
    Dialog->Invoice = Invoice;
    Dialog->FileName = FileName;
    Dialog->Mode = Mode;
    if (Mode == 0) {
        // The header of the invoice in hand, not a new one.
        Dialog->SetCaption(HeaderTitle());
        Dialog->lbMode->SetCaption(HeaderTitle());
    }
    Dialog->cbFindDescr->SetChecked(FindDescriptions);
    Dialog->cbFindDescr->SetEnabled(Mode == 1);
    Dialog->cbFindDescr->SetVisible(Mode == 1);
    const bool Result = Dialog->ShowModal() == mrOk;
    FindDescriptions = Dialog->cbFindDescr->Checked();
    return Result;
}

void TFormIncoming::DoShowDialog()
{
    // The name is formed once everything is shown, not for each field.
    FShowing = true;
    edInvFilename->SetText(FileName);
    if (Mode == 1) {
        TDateTime FileDate;
        edInvDate->SetDate(FileExists(FileName) && FileAge(FileName, FileDate)
                               ? TDateTime(std::floor(static_cast<double>(FileDate)))
                               : Date());
        edInvNum->SetText("xxx");
        edInvLoad->SetDate(Date());
        PostMessage(Handle(), WM_CHOOSEFILE, 0, 0);
    } else if (Invoice) {
        edInvFilename->SetEnabled(false);
        edInvDate->SetDate(Invoice->DateDoc);
        edInvNum->SetText(Invoice->NumDoc);
        edInvLoad->SetDate(Invoice->DateIn);
        if (Invoice->Nds != Currency()) {
            edNDS->SetValue(Invoice->Nds.ToDouble());
            cbNDS->SetChecked(true);
        }
    }
    cbNDSClick(nullptr);

    Integer Index = 0;
    gCfgObject->RestIniStrings("ProviderList", Providers.get(), Index);
    if (Providers->Count() == 0)
        AddDefaultProviders(*Providers);
    cbProvider->Items()->Assign(Providers.get());
    AnsiString Provider = Invoice ? Invoice->Provider : AnsiString();
    if (Provider.IsEmpty())
        Provider = gCfgObject->Provider;
    SetItemIndexByText(cbProvider, Provider, -1);
    if (cbProvider->ItemIndex() < 0)
        cbProvider->SetText(Provider);
    FShowing = false;
    // The header of the invoice in hand keeps the name it was given (by
    // hand, it may be); a new one is named from its number, date and
    // supplier.
    if (Mode == 0 && Invoice && !Invoice->NameDoc.IsEmpty())
        edInvName->SetText(Invoice->NameDoc);
    else
        UpdateDocName(nullptr);
}

AnsiString TFormIncoming::MakeDocName() const
{
    AnsiString Name = "Накладная №"_a + edInvNum->Text() + " от "_a + edInvDate->Text();
    // Every named supplier goes into the name, the first of the list too.
    const AnsiString Provider = Trim(cbProvider->Text());
    if (!Provider.IsEmpty())
        Name += " (" + Provider + ")";
    return Name;
}

void TFormIncoming::UpdateDocName(TObject*)
{
    if (ComponentState().Contains(csLoading) || FShowing)
        return;
    edInvName->SetText(MakeDocName());
}

void TFormIncoming::cbNDSClick(TObject*)
{
    edNDS->SetEnabled(cbNDS->Checked());
    lbNDS0->SetEnabled(cbNDS->Checked());
}

void TFormIncoming::lbDelProviderClick(TObject*)
{
    const AnsiString Provider = Trim(cbProvider->Text());
    if (Provider.IsEmpty()) {
        ErrorMsg("Поставщик не выбран"_a);
        return;
    }
    const int Index = cbProvider->ItemIndex();
    if (Index < 0) {
        cbProvider->SetText("");
        return;
    }
    if (!AskDelete("\""_a + Provider + "\"", "", false))
        return;
    Providers->Delete(Index);
    cbProvider->Items()->Delete(Index);
    ProvidersChanged = true;
    cbProvider->SetItemIndex(-1);
    cbProvider->SetText("");
}

void TFormIncoming::edInvFilenameAfterDialog(TObject*, AnsiString&, bool& Action)
{
    FileChosen = Action;
}

void TFormIncoming::Dispatch(TMessage& Message)
{
    if (Message.Msg != WM_CHOOSEFILE) {
        inherited::Dispatch(Message);
        return;
    }
    FileChosen = false;
    edInvFilename->DoClick();
    if (!FileChosen) {
        DoCancel();
        return;
    }
    if (edInvNum->CanFocus())
        edInvNum->SetFocus();
}

void TFormIncoming::DoOk()
{
    // Checked before the header takes anything: a rate that cannot price
    // leaves the invoice as it was. Past what money holds the edit's number
    // would raise on conversion, so it is compared as it stands.
    const double Rate = edNDS->Value();
    if (cbNDS->Checked() && !(Rate >= 0 && Rate <= 100)) {
        ErrorMsg("Ставка НДС должна быть от 0 до 100 %"_a);
        if (edNDS->CanFocus())
            edNDS->SetFocus();
        // The button has given the dialog its result already.
        SetModalResult(mrNone);
        return;
    }
    const AnsiString Provider = Trim(cbProvider->Text());
    if (!Provider.IsEmpty() && Providers->IndexOf(Provider) < 0) {
        Providers->Add(Provider);
        ProvidersChanged = true;
    }
    gCfgObject->Provider = Provider;
    if (ProvidersChanged)
        gCfgObject->SaveIniStrings("ProviderList", *Providers, cbProvider->ItemIndex());
    if (Invoice) {
        Invoice->NameDoc = edInvName->Text();
        Invoice->NumDoc = edInvNum->Text();
        Invoice->DateDoc = edInvDate->GetDate();
        Invoice->FileName = Dequoted(edInvFilename->Text());
        Invoice->DateIn = edInvLoad->GetDate();
        Invoice->Provider = Provider;
        Invoice->Nds = cbNDS->Checked() ? Currency(edNDS->Value()) : Currency();
    }
    inherited::DoOk();
}

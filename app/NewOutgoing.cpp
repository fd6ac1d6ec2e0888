#include "app/NewOutgoing.h"

#include "app/Globals.h"
#include "app/InvoiceType.h"
#include "app/MarkupList.h"
#include "common/base/Funcs.h"
#include "common/components/FuncsVCL.h"
#include "common/components/MsgWin.h"
#include "common/components/ToolEdit.h"
#include "platform/rtl/StrUtils.h"
#include "platform/rtl/Numbers.h"

PRICETAGS_DEFINE_CLASS(TFormOutgoing)

namespace {

void AddDefaultRespons(TStrings& List)
{
    List.Add("Иванова А. П., заведующая"_a);
    List.Add("Петров С. В., продавец"_a);
    List.Add("Сидорова Е. Н., товаровед"_a);
}

void AddDefaultDeparts(TStrings& List)
{
    List.Add("Бытовая техника"_a);
    List.Add("Электротовары"_a);
    List.Add("Хозяйственные товары"_a);
}

TLabel* MakeLink(TLabel* L, const AnsiString& Name)
{
    L->SetName(Name);
    L->SetCursor(crHandPoint);
    return L;
}

/// Deletes the chosen entry of a list shown in Combo, as the operator asked.
/// Missing: the error text when nothing is named; Title: the question's.
bool DeleteEntry(TComboBox* Combo, TStrings& List, const AnsiString& Missing,
                 const AnsiString& Title)
{
    const AnsiString Text = Trim(Combo->Text());
    if (Text.IsEmpty()) {
        ErrorMsg(Missing);
        return false;
    }
    const int Index = Combo->ItemIndex();
    if (Index < 0) {
        Combo->SetText("");
        return false;
    }
    if (!AskDelete("\""_a + Text + "\"", Title, false))
        return false;
    List.Delete(Index);
    Combo->Items()->Delete(Index);
    Combo->SetItemIndex(-1);
    Combo->SetText("");
    return true;
}

/// Adds Text to List when it is not blank and new; true when added.
bool AddNew(TStrings& List, const AnsiString& Text)
{
    if (Text.IsEmpty() || List.IndexOf(Text) >= 0)
        return false;
    List.Add(Text);
    return true;
}

} // namespace

AnsiString NextOutgoingNumber(const AnsiString& Last)
{
    const AnsiString S = Trim(Last);
    if (S.IsEmpty())
        return AnsiString();
    for (int I = 1; I <= S.Length(); ++I)
        if (S[I] < '0' || S[I] > '9')
            return AnsiString();
    if (S.Length() > 9)
        return AnsiString();
    return IntToStr(StrToInt(S) + 1);
}

TFormOutgoing::TFormOutgoing(TComponent* AOwner)
    : TFormNewInput(AOwner), Departs(std::make_unique<TshDepartList>()),
      Respons(std::make_unique<TshResponsList>())
{
    {
        const LoadingScope Loading(this);
        BuildControls();
    }
    SetComponentsFonts(this, {nullptr});
    ShowAsLink(lbDelDepart);
    ShowAsLink(lbDelRespons);
}

TFormOutgoing::~TFormOutgoing() = default;

void TFormOutgoing::BuildControls()
{
    SetName("FormOutgoing");
    SetCaption("Данные внутренней накладной"_a);
    lbMode->SetCaption("Внутренняя накладная"_a);
    SetBodySize(420, 200);
    const int T = 34;

    AddLabel("Номер"_a, 12, 8);
    edInvNum = new TEdit(this);
    edInvNum->SetName("edInvNum");
    edInvNum->SetParent(this);
    edInvNum->SetBounds(12, T + 24, 130, 21);

    AddLabel("Дата"_a, 160, 8);
    edInvDate = new TDateEdit(this);
    edInvDate->SetName("edInvDate");
    edInvDate->SetParent(this);
    edInvDate->SetBounds(160, T + 24, 130, 21);
    // An invoice typed in by hand has no date, and a statement dated with
    // the empty date would print 30.12.1899: an empty date is today.
    edInvDate->SetDefaultToday(true);

    AddLabel("Входная накладная"_a, 12, 54);
    edInvName = new TEdit(this);
    edInvName->SetName("edInvName");
    edInvName->SetParent(this);
    edInvName->SetBounds(12, T + 70, 396, 21);

    AddLabel("Отдел"_a, 12, 100);
    lbDelDepart = MakeLink(AddLabel("Удалить отдел"_a, 300, 100), "lbDelDepart");
    lbDelDepart->OnClick = TNotifyEvent(this, &TFormOutgoing::lbDelDepartClick);
    cbDepart = new TComboBox(this);
    cbDepart->SetName("cbDepart");
    cbDepart->SetParent(this);
    cbDepart->SetBounds(12, T + 116, 396, 21);

    AddLabel("Ответственное лицо"_a, 12, 146);
    lbDelRespons = MakeLink(AddLabel("Удалить ответственного"_a, 270, 146), "lbDelRespons");
    lbDelRespons->OnClick = TNotifyEvent(this, &TFormOutgoing::lbDelResponsClick);
    cbRespons = new TComboBox(this);
    cbRespons->SetName("cbRespons");
    cbRespons->SetParent(this);
    cbRespons->SetBounds(12, T + 162, 396, 21);
}

bool TFormOutgoing::Execute(const AnsiString& FileName, TshInvoice* Invoice)
{
    auto Dialog = std::make_unique<TFormOutgoing>(Application);
    Dialog->Invoice = Invoice;
    Dialog->FileName = FileName;
    return Dialog->ShowModal() == mrOk;
}

void TFormOutgoing::DoShowDialog()
{
    if (Invoice) {
        edInvDate->SetDate(Invoice->DateDoc);
        edInvName->SetText(Invoice->NameDoc);
    }
    edInvNum->SetText(NextOutgoingNumber(gCfgObject->NumberOut));

    Integer Index = 0;
    gCfgObject->RestIniStrings("ResponsList", Respons.get(), Index);
    if (Respons->Count() == 0)
        AddDefaultRespons(*Respons);
    gCfgObject->RestIniStrings("DepartList", Departs.get(), Index);
    if (Departs->Count() == 0)
        AddDefaultDeparts(*Departs);
    cbRespons->Items()->Assign(Respons.get());
    cbDepart->Items()->Assign(Departs.get());

    SetItemIndexByText(cbRespons, gCfgObject->ResponsFIO, -1);
    if (cbRespons->ItemIndex() < 0)
        cbRespons->SetText(gCfgObject->ResponsFIO);
    AnsiString Depart = Invoice ? Invoice->Depart : AnsiString();
    if (Depart.IsEmpty())
        Depart = gCfgObject->Depart;
    SetItemIndexByText(cbDepart, Depart, -1);
    if (cbDepart->ItemIndex() < 0)
        cbDepart->SetText(Depart);
}

void TFormOutgoing::lbDelDepartClick(TObject*)
{
    if (DeleteEntry(cbDepart, *Departs, "Отдел не выбран"_a, "Удаление отдела"_a))
        DepartsChanged = true;
}

void TFormOutgoing::lbDelResponsClick(TObject*)
{
    if (DeleteEntry(cbRespons, *Respons, "Ответственное лицо не выбрано"_a,
                    "Удаление ответственного"_a))
        ResponsChanged = true;
}

void TFormOutgoing::DoOk()
{
    const AnsiString Depart = Trim(cbDepart->Text());
    const AnsiString Person = Trim(cbRespons->Text());
    if (AddNew(*Departs, Depart))
        DepartsChanged = true;
    if (AddNew(*Respons, Person))
        ResponsChanged = true;
    gCfgObject->Depart = Depart;
    if (DepartsChanged)
        gCfgObject->SaveIniStrings("DepartList", *Departs, cbDepart->ItemIndex());
    if (ResponsChanged)
        gCfgObject->SaveIniStrings("ResponsList", *Respons, cbRespons->ItemIndex());
    gCfgObject->NumberOut = edInvNum->Text();
    gCfgObject->ResponsFIO = Person;
    if (Invoice) {
        // The statement's number stays its own (NumberOut above): the
        // supplier's invoice keeps the number it came with.
        Invoice->NameDoc = edInvName->Text();
        Invoice->DateDoc = edInvDate->GetDate();
        Invoice->RespFio = Person;
        Invoice->Depart = Depart;
    }
    inherited::DoOk();
}

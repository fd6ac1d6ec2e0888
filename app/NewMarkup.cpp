#include "app/NewMarkup.h"

#include "app/MarkupList.h"
#include "common/components/FuncsVCL.h"
#include "common/components/MsgWin.h"
#include "common/components/YLDCompn.h"
#include "platform/classes/Strings.h"

#include <algorithm>

PRICETAGS_DEFINE_CLASS(TFormNewMarkup)

namespace {

/// The percent of an edit as money. An edit takes numbers past what money
/// holds, whose conversion would raise; they come out of range instead.
Currency PercentOf(Tyl_FloatEdit& Edit)
{
    return Currency(std::clamp(static_cast<double>(Edit.Value()), -1e6, 1e6));
}

} // namespace

TFormNewMarkup::TFormNewMarkup(TComponent* AOwner) : TFormNewInput(AOwner)
{
    {
        const LoadingScope Loading(this);
        BuildControls();
    }
    SetComponentsFonts(this, {nullptr});
}

TFormNewMarkup::~TFormNewMarkup() = default;

void TFormNewMarkup::BuildControls()
{
    SetName("FormNewMarkup");
    SetCaption("Надбавка"_a);
    lbMode->SetCaption("Надбавка"_a);
    SetBodySize(420, 190);
    const int T = 34;

    cbMarkup = new TComboBox(this);
    cbMarkup->SetName("cbMarkup");
    cbMarkup->SetParent(this);
    cbMarkup->SetStyle(csDropDownList);
    cbMarkup->SetBounds(12, T + 10, 396, 21);
    cbMarkup->OnChange = TNotifyEvent(this, &TFormNewMarkup::cbMarkupChange);

    AddLabel("Полное наименование"_a, 12, 42);
    edName = new TEdit(this);
    edName->SetName("edName");
    edName->SetParent(this);
    edName->SetBounds(12, T + 58, 396, 21);

    AddLabel("Величина основной надбавки (%)"_a, 12, 92);
    edMarkup = new Tyl_FloatEdit(this);
    edMarkup->SetName("edMarkup");
    edMarkup->SetParent(this);
    edMarkup->SetBounds(300, T + 88, 108, 21);
    edMarkup->SetDisplayFormat("0.00");

    AddLabel("Величина скидки по карте (%)"_a, 12, 122);
    edDiscount = new Tyl_FloatEdit(this);
    edDiscount->SetName("edDiscount");
    edDiscount->SetParent(this);
    edDiscount->SetBounds(300, T + 118, 108, 21);
    edDiscount->SetDisplayFormat("0.00");

    btAdd = new TButton(this);
    btAdd->SetName("btAdd");
    btAdd->SetParent(this);
    btAdd->SetCaption("Добавить"_a);
    btAdd->SetBounds(12, T + 154, 120, 25);
    btAdd->OnClick = TNotifyEvent(this, &TFormNewMarkup::btAddClick);

    btDel = new TButton(this);
    btDel->SetName("btDel");
    btDel->SetParent(this);
    btDel->SetCaption("Удалить текущую"_a);
    btDel->SetBounds(140, T + 154, 120, 25);
    btDel->OnClick = TNotifyEvent(this, &TFormNewMarkup::btDelClick);

    btOk->SetCaption("Закончить"_a);
    // "Изменить" stores the edits and keeps the dialog open.
    btCancel->SetCaption("Изменить"_a);
    btCancel->SetModalResult(mrNone);
    btCancel->SetCancel(false);
    btCancel->OnClick = TNotifyEvent(this, &TFormNewMarkup::btChangeClick);
}

bool TFormNewMarkup::Execute(const AnsiString& Caption, TMarkupList* List, int& Selected)
{
    auto Dialog = std::make_unique<TFormNewMarkup>(Application);
    Dialog->List = List;
    Dialog->lbMode->SetCaption(Caption.IsEmpty() ? Dialog->Caption() : Caption);
    const bool Result = Dialog->ShowModal() == mrOk;
    Selected = Dialog->cbMarkup->ItemIndex();
    return Result;
}

void TFormNewMarkup::DoShowDialog()
{
    FillCombo(0);
}

void TFormNewMarkup::FillCombo(int Index)
{
    auto Lines = std::make_unique<TStringList>();
    if (List)
        List->FillStrings(*Lines);
    cbMarkup->Items()->Assign(Lines.get());
    if (Index >= cbMarkup->Items()->Count())
        Index = cbMarkup->Items()->Count() - 1;
    cbMarkup->SetItemIndex(Index);
    ShowCurrent();
}

void TFormNewMarkup::ShowCurrent()
{
    const int Index = cbMarkup->ItemIndex();
    Current = List && Index >= 0 && Index < List->Count() ? List->GetItem(Index) : nullptr;
    if (!Current)
        return;
    edName->SetText(Current->Name);
    edMarkup->SetValue(Current->Markup.ToDouble());
    edDiscount->SetValue(Current->Discount.ToDouble());
}

void TFormNewMarkup::StoreEdits(TMarkupItem& Item)
{
    Item.Name = edName->Text();
    Item.Markup = Currency(edMarkup->Value());
    Item.Discount = Currency(edDiscount->Value());
}

bool MarkupEditsValid(Tyl_FloatEdit& Markup, Tyl_FloatEdit& Discount)
{
    const Currency M = PercentOf(Markup);
    const AnsiString Error = MarkupRangeError(M, PercentOf(Discount));
    if (Error.IsEmpty())
        return true;
    ErrorMsg(Error);
    Tyl_FloatEdit& Wrong = MarkupRangeError(M, Currency()).IsEmpty() ? Discount : Markup;
    if (Wrong.CanFocus())
        Wrong.SetFocus();
    return false;
}

bool TFormNewMarkup::EditsValid()
{
    return MarkupEditsValid(*edMarkup, *edDiscount);
}

bool TFormNewMarkup::EditsChanged() const
{
    return Current
           && (edName->Text() != Current->Name || PercentOf(*edMarkup) != Current->Markup
               || PercentOf(*edDiscount) != Current->Discount);
}

void TFormNewMarkup::ChangeCurrent()
{
    if (!Current || !EditsValid())
        return;
    StoreEdits(*Current);
    FillCombo(cbMarkup->ItemIndex());
}

void TFormNewMarkup::DoOk()
{
    if (EditsChanged()) {
        if (!EditsValid()) {
            // The button has given the dialog its result already.
            SetModalResult(mrNone);
            return;
        }
        StoreEdits(*Current);
    }
    inherited::DoOk();
}

void TFormNewMarkup::AddMarkup()
{
    if (!List || !EditsValid())
        return;
    TMarkupItem* Item = List->Add("", Currency(), Currency());
    StoreEdits(*Item);
    FillCombo(List->Count() - 1);
}

void TFormNewMarkup::DeleteCurrent()
{
    const int Index = cbMarkup->ItemIndex();
    if (!List || Index < 0 || Index >= List->Count())
        return;
    List->DeleteObject(Index);
    FillCombo(Index > 0 ? Index - 1 : 0);
}

void TFormNewMarkup::cbMarkupChange(TObject*)
{
    ShowCurrent();
}

void TFormNewMarkup::btChangeClick(TObject*)
{
    ChangeCurrent();
}

void TFormNewMarkup::btAddClick(TObject*)
{
    AddMarkup();
}

void TFormNewMarkup::btDelClick(TObject*)
{
    DeleteCurrent();
}

#include "app/SprList.h"

#include "app/DMInvoice.h"
#include "common/base/BaseLst.h"
#include "common/components/ExLabel.h"
#include "common/components/FuncsVCL.h"
#include "common/components/GetMean.h"
#include "common/components/MsgWin.h"
#include "platform/forms/ComCtrls.h"
#include "platform/forms/ImgList.h"
#include "platform/rtl/Exceptions.h"

#include <algorithm>
#include <memory>

PRICETAGS_DEFINE_CLASS(TFormSprList)

namespace {

const AnsiString& SNotSelected()
{
    return "Не выбрано"_a;
}
const AnsiString& SNotFound()
{
    return "Не найдено"_a;
}
const AnsiString& SNotChangeable()
{
    return "Данная позиция изменению не подлежит"_a;
}

/// Keys from -10 to 0 are reserved (the undefined item and its kin); the
/// list's own items never take them, so such an item is fixed.
bool IsReservedId(Integer Id)
{
    return Id >= -10 && Id <= 0;
}

/// A key no item of List has: one above the highest (at least 1).
Integer NextFreeId(const T_BaseStrList& List)
{
    Integer Highest = 0;
    for (int I = 0; I < List.Count(); ++I)
        if (const T_BaseStrItem* Item = List.ItemAt(I))
            Highest = std::max(Highest, Item->Id);
    return Highest + 1;
}

} // namespace

void InitSprListConfig(TSprListConfig& Config)
{
    Config = TSprListConfig{};
}

void ExecSprList(TSprListConfig& Config)
{
    assert(Config.List && "the list editor needs a list");
    T_BaseStrList* List = Config.List;
    const int OldSortKind = List->SortKind();
    List->UncheckAll();
    struct SortRestore {
        T_BaseStrList* List;
        int Kind;
        ~SortRestore()
        {
            if (List->SortKind() != Kind)
                List->SetSortKind(Kind);
        }
    } Restore{List, OldSortKind};
    auto Form = std::make_unique<TFormSprList>(Application);
    Form->SetCaption(Config.Caption.IsEmpty() ? "Справочник"_a : Config.Caption);
    Form->lbMode->SetCaption(Config.Header);
    Form->Setup(Config);
    if (Config.OnSetupColumns) {
        Form->lvs->Items()->BeginUpdate();
        Form->lvs->Columns()->Clear();
        Config.OnSetupColumns(Form.get(), Form->lvs->Columns());
        Form->lvs->Items()->EndUpdate();
    }
    Config.Result = Form->ShowModal() == mrOk;
    if (Config.Result)
        Config.SelectedId = Form->SelectedId();
}

bool SelectFromSprList(const AnsiString& Caption, const AnsiString& Header, T_BaseStrList* List,
                       Integer HelpContext, Integer& Id)
{
    TSprListConfig Config;
    InitSprListConfig(Config);
    Config.Caption = Caption;
    Config.Header = Header;
    Config.List = List;
    Config.HelpContext = HelpContext;
    Config.SelectedId = Id;
    Config.Mode = 2;
    ExecSprList(Config);
    Id = Config.Result ? Config.SelectedId : -1;
    return Config.Result;
}

TFormSprList::TFormSprList(TComponent* AOwner) : TForm(AOwner, 0)
{
    {
        const LoadingScope Loading(this);
        BuildControls();
    }
    SetComponentsFonts(this, {nullptr});
}

TFormSprList::~TFormSprList() = default;

void TFormSprList::BuildControls()
{
    SetCaption("Справочник"_a);
    SetClientWidth(460);
    SetClientHeight(400);
    SetPosition(poScreenCenter);
    SetKeyPreview(true);
    SetColor(clBtnFace);
    OnShow = TNotifyEvent(this, &TFormSprList::FormShow);
    OnClose = TCloseEvent(this, &TFormSprList::FormClose);
    OnKeyDown = TKeyEvent(this, &TFormSprList::FormKeyDown);
    OnResize = TNotifyEvent(this, &TFormSprList::FormResize);

    lbMode = new TExLabel(this);
    lbMode->SetName("lbMode");
    lbMode->SetParent(this);
    lbMode->SetAutoSize(false);
    lbMode->SetAlign(alTop);
    lbMode->SetHeight(26);
    lbMode->SetAlignment(taCenter);
    lbMode->SetLayout(tlCenter);
    lbMode->SetTextStyle(tsShadow);
    lbMode->SetTransparent(false);
    lbMode->SetColor(clTeal);
    lbMode->SetParentFont(false);
    lbMode->Font()->SetColor(clWhite);
    lbMode->Font()->SetStyle({fsBold});

    barList = new TToolBar(this);
    barList->SetName("barList");
    barList->SetParent(this);
    // Under the header: aligned controls keep the order of their tops.
    barList->SetTop(lbMode->Height());
    barList->SetAlign(alTop);
    barList->SetFlat(true);
    barList->SetShowCaptions(true);
    barList->SetButtonWidth(60);
    barList->SetButtonHeight(38);
    barList->SetHeight(40);
    barList->SetShowHint(true);
    if (DM)
        barList->SetImages(DM->iInsDel);
    auto Button = [this](const char* Name, const AnsiString& Caption, const AnsiString& Hint,
                         int Image) {
        auto* B = new TToolButton(this);
        B->SetName(Name);
        B->SetParent(barList);
        B->SetCaption(Caption);
        B->SetHint(Hint);
        B->SetImageIndex(Image);
        B->OnClick = TNotifyEvent(this, &TFormSprList::ButtonClick);
        return B;
    };
    // The bar places its buttons from the left in the order they are added.
    btOk = Button("btOk", "  Ok", "", DMOk);
    btCancel = Button("btCancel", "Отмена"_a, "", DMCancel);
    btAdd = Button("btAdd", "", "Добавить"_a, DMInsert);
    btChange = Button("btChange", "", "Изменить"_a, DMEdit);
    btMove = Button("btMove", "", "Указать главный синоним \r\nдля выбранной позиции"_a, DMMove);
    btDel = Button("btDel", "", "", DMDelete);

    lvs = new TListView(this);
    lvs->SetName("lvs");
    lvs->SetParent(this);
    lvs->SetAlign(alClient);
    lvs->SetViewStyle(vsReport);
    lvs->SetOwnerData(true);
    lvs->SetRowSelect(true);
    lvs->SetReadOnly(true);
    lvs->SetHideSelection(false);
    if (DM)
        lvs->SetSmallImages(DM->iInsDel);
    lvs->OnData = TLVOwnerDataEvent(this, &TFormSprList::lvsData);
    lvs->OnColumnClick = TLVColumnClickEvent(this, &TFormSprList::lvsColumnClick);
    lvs->OnDblClick = TNotifyEvent(this, &TFormSprList::lvsDblClick);
    TListColumn* Mark = lvs->Columns()->Add();
    Mark->SetWidth(28);
    Mark->SetTag(5);
    TListColumn* Text = lvs->Columns()->Add();
    Text->SetCaption("Наименование"_a);
    Text->SetTag(2);
    Text->SetMinWidth(100);
    Text->SetWidth(400);
}

void TFormSprList::Setup(const TSprListConfig& Config)
{
    FList = Config.List;
    FSelectedId = Config.SelectedId;
    FMode = Config.Mode;
    FOnNewItem = Config.OnNewItem;
    FOnEditItem = Config.OnEditItem;
    FOnDeleteItem = Config.OnDeleteItem;
}

AnsiString TFormSprList::PlacementName() const
{
    const char* Prefix = FMode == 1 ? "FrmSL" : FMode == 2 ? "FrmCN" : "FrmCL";
    return AnsiString(Prefix) + (FList ? FList->Name : AnsiString());
}

void TFormSprList::FormShow(TObject*)
{
    SetName(PlacementName());
    RestoreFormPosition(this);
    const bool Editing = FMode == 1;
    for (TToolButton* B : {btAdd, btChange, btMove, btDel})
        B->SetVisible(Editing);
    lvs->SetColor(Editing ? clWindow : clInfoBk);
    FList->FillListView(lvs, FSelectedId);
    FormResize(this);
    SetActiveControl(lvs);
}

void TFormSprList::FormClose(TObject*, TCloseAction&)
{
    SaveFormPosition(this);
}

void TFormSprList::FormResize(TObject*)
{
    FitListColumn(lvs, lvs->Columns()->Count() - 1);
}

void TFormSprList::lvsData(TObject*, TListItem* Item)
{
    T_BaseStrItem* S = FList ? FList->ItemAt(Item->Index()) : nullptr;
    if (!S)
        return;
    Item->SetCaption("");
    // The picture tells the kind: a synonym (linked item) or a plain one.
    Item->SetImageIndex(S->IsLinked() ? DMMove : -1);
    TStrings* Sub = Item->SubItems();
    Sub->Clear();
    for (int I = 0; I < lvs->Columns()->Count(); ++I) {
        const AnsiString Text = S->GetColumnText(lvs->Columns()->Items(I)->Tag());
        if (I == 0)
            Item->SetCaption(FMode == 3 || lvs->Columns()->Items(I)->Tag() != 5 ? Text : "");
        else
            Sub->Add(Text);
    }
}

T_BaseStrItem* TFormSprList::CurrentItem()
{
    TListItem* Sel = lvs->Selected();
    if (!Sel) {
        if (FMode == 1)
            return nullptr;
        ErrorMsgAbort(SNotSelected());
    }
    return FList->ItemAt(Sel->Index());
}

T_BaseStrItem* TFormSprList::ChangeableItem()
{
    T_BaseStrItem* Item = CurrentItem();
    if (!Item)
        ErrorMsgAbort(SNotSelected());
    if (IsReservedId(Item->Id))
        ErrorMsgAbort(SNotChangeable());
    return Item;
}

void TFormSprList::Refill(Integer Id)
{
    FList->Sort();
    FList->FillListView(lvs, Id);
    lvs->Invalidate();
}

void TFormSprList::SortByColumn(int ColumnIndex)
{
    T_BaseStrItem* Current = CurrentItem();
    const Integer Id = Current ? Current->Id : FSelectedId;
    FList->SetSortKind(ColumnIndex == 0 ? skById : ColumnIndex == 1 ? skByText : skByOrder);
    const int Index = FList->IndexOfId(Id);
    if (Current && Index < 0)
        ErrorMsgAbort(SNotFound());
    lvs->Invalidate();
    if (Index < 0)
        return;
    lvs->SetItemIndex(Index);
    lvs->Items()->Item(Index)->MakeVisible(/*PartialOK=*/false);
}

void TFormSprList::lvsColumnClick(TObject*, TListColumn* Column)
{
    SortByColumn(Column->Index());
}

void TFormSprList::AddItem()
{
    T_BaseStrItem* Item = FList->NewItem();
    // A new item gets a key of its own, so that it can be selected, changed
    // and told apart from the other new ones.
    Item->Id = NextFreeId(*FList);
    bool Accepted = false;
    try {
        if (FOnNewItem) {
            Accepted = FOnNewItem(this, Item);
        } else {
            AnsiString S;
            Accepted = GetMeanStr("Введите новое значение"_a, S);
            if (Accepted)
                Item->SetText(S);
        }
    } catch (...) {
        FList->FreeObject(Item);
        throw;
    }
    if (!Accepted) {
        FList->FreeObject(Item);
        FList->FillListView(lvs, FSelectedId);
        lvs->Invalidate();
        return;
    }
    FList->StoreItem(Item);
    FSelectedId = Item->Id;
    Refill(Item->Id);
}

void TFormSprList::ChangeItem()
{
    T_BaseStrItem* Item = ChangeableItem();
    bool Accepted = false;
    if (FOnEditItem) {
        Accepted = FOnEditItem(this, Item);
    } else {
        AnsiString S = Item->GetText();
        Accepted = GetMeanStr("Измените значение"_a, S);
        if (Accepted)
            Item->SetText(S);
    }
    if (!Accepted)
        return;
    FList->StoreItem(Item);
    Refill(Item->Id);
}

void TFormSprList::MoveItem()
{
    T_BaseStrItem* Item = ChangeableItem();
    Integer TargetId = Item->Id;
    if (!SelectFromSprList(Caption(), "Укажите позицию"_a, FList, 0, TargetId))
        return;
    // The nested run sorted the list its own way and back; find the item again.
    T_BaseStrItem* Target = FList->ItemById(TargetId);
    if (!Target)
        return;
    Item->SetLinkId(TargetId);
    FList->NormalizeLinks();
    FList->PlaceBefore(Item, Target);
    FList->StoreItem(Item);
    Refill(Item->Id);
}

void TFormSprList::DeleteItem()
{
    T_BaseStrItem* Item = ChangeableItem();
    const bool Yes = FOnDeleteItem ? FOnDeleteItem(this, Item)
                                   : AskDelete(Item->GetText(), "", /*Short=*/false);
    if (!Yes)
        return;
    const int Index = FList->IndexOf(Item);
    FList->FreeObject(Item);
    // The item that followed takes the place; after the last, the one before.
    const T_BaseStrItem* Next = FList->ItemAt(std::min(Index, FList->Count() - 1));
    FList->FillListView(lvs, Next ? Next->Id : -1);
    lvs->Invalidate();
}

void TFormSprList::ToggleCheck()
{
    T_BaseStrItem* Item = CurrentItem();
    if (!Item)
        return;
    Item->Checked = !Item->Checked;
    lvs->Invalidate();
}

void TFormSprList::CheckAll(bool Value)
{
    if (Value)
        FList->CheckAll();
    else
        FList->UncheckAll();
    lvs->Invalidate();
}

void TFormSprList::OkCommand()
{
    if (FMode == 1 || FMode == 2) {
        if (T_BaseStrItem* Item = CurrentItem())
            FSelectedId = Item->Id;
    }
    SetModalResult(mrOk);
}

void TFormSprList::ButtonClick(TObject* Sender)
{
    if (Sender == btOk)
        OkCommand();
    else if (Sender == btCancel)
        SetModalResult(mrCancel);
    else if (Sender == btAdd)
        AddItem();
    else if (Sender == btChange)
        ChangeItem();
    else if (Sender == btMove)
        MoveItem();
    else if (Sender == btDel)
        DeleteItem();
}

void TFormSprList::lvsDblClick(TObject*)
{
    switch (FMode) {
    case 1: ChangeItem(); break;
    case 2: OkCommand(); break;
    case 3: ToggleCheck(); break;
    default: break;
    }
}

void TFormSprList::FormKeyDown(TObject*, Word& Key, TShiftState Shift)
{
    const bool Ctrl = Shift.Contains(ssCtrl);
    const Word Pressed = Key;
    Key = 0;
    switch (Pressed) {
    case VK_ESCAPE: SetModalResult(mrCancel); return;
    case VK_RETURN:
        if (FMode == 1 && !Ctrl)
            ChangeItem();
        else
            OkCommand();
        return;
    case VK_INSERT:
        if (FMode == 1) {
            AddItem();
            return;
        }
        break;
    case VK_DELETE:
        if (FMode == 1) {
            DeleteItem();
            return;
        }
        break;
    case VK_SPACE:
        if (FMode == 1) {
            ChangeItem();
            return;
        }
        if (FMode == 3) {
            ToggleCheck();
            return;
        }
        break;
    case VK_ADD:
        if (FMode == 3) {
            CheckAll(true);
            return;
        }
        break;
    case VK_SUBTRACT:
        if (FMode == 3) {
            CheckAll(false);
            return;
        }
        break;
    default: break;
    }
    Key = Pressed;
}

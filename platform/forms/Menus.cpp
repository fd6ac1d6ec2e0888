#include "platform/forms/Menus.h"

#include "platform/forms/ActnList.h"
#include "platform/forms/Forms.h"
#include "platform/winapi/GdiPrivate.h"
#include "platform/forms/ImgList.h"
#include "platform/forms/MenusPrivate.h"
#include "platform/forms/StdPrivate.h"
#include "platform/forms/ControlsPrivate.h"
#include "platform/rtl/StrUtils.h"

#include <QAction>
#include <QKeyEvent>
#include <QMenu>

#include <algorithm>

namespace {

const char SMenuIndexError[] = "Menu index out of range";
const char SMenuReinserted[] = "Menu inserted twice";
const char SMenuNotFound[] = "Sub-menu is not in menu";

PopupMenuHook& CurrentPopupHook()
{
    static PopupMenuHook Hook;
    return Hook;
}

}  // namespace

// ---- shared by the pop-up menus and the menu bar ------------------------------------------------

/// Whether Item still lies in the tree under Root (a handler may have freed it).
bool InMenuTree(const TMenuItem* Root, const TMenuItem* Item)
{
    for (int I = 0; I < Root->Count(); ++I) {
        const TMenuItem* Child = Root->Items(I);
        if (Child == Item || InMenuTree(Child, Item))
            return true;
    }
    return false;
}

void UpdateItemActions(TMenuItem* Item)
{
    for (int I = 0; I < Item->Count(); ++I) {
        TMenuItem* Child = Item->Items(I);
        Child->InitiateAction();
        UpdateItemActions(Child);
    }
}

namespace {

/// The caption shown in the window system's menu: Qt also marks the
/// accelerator with "&", so the text goes as it is, with a tab before the
/// short-cut text.
QString MenuText(const TMenuItem* Item)
{
    QString Text = ToQString(Item->Caption());
    if (Item->ShortCut() != 0)
        Text += QLatin1Char('\t') + ToQString(ShortCutToText(Item->ShortCut()));
    return Text;
}

void FillQMenu(QMenu& Menu, TMenuItem* Parent, TCustomImageList* Images)
{
    for (int I = 0; I < Parent->Count(); ++I) {
        TMenuItem* Item = Parent->Items(I);
        if (!Item->Visible())
            continue;
        if (Item->IsLine()) {
            Menu.addSeparator();
            continue;
        }
        if (Item->Count() > 0) {
            QMenu* Sub = Menu.addMenu(MenuText(Item));
            Sub->setEnabled(Item->Enabled());
            FillQMenu(*Sub, Item, Images);
            continue;
        }
        QAction* A = Menu.addAction(MenuText(Item));
        A->setEnabled(Item->Enabled());
        A->setCheckable(Item->Checked() || Item->AutoCheck() || Item->RadioItem());
        A->setChecked(Item->Checked());
        if (Item->Default()) {
            QFont F = A->font();
            F.setBold(true);
            A->setFont(F);
        }
        if (Images && Item->ImageIndex() >= 0 && Item->ImageIndex() < Images->Count()) {
            TBitmap Glyph;
            Images->GetBitmap(Item->ImageIndex(), &Glyph);
            QImage Picture;
            Picture.loadFromData(QByteArray::fromStdString(Glyph.SaveToPngBytes()));
            A->setIcon(QIcon(QPixmap::fromImage(Picture)));
        }
        A->setData(QVariant::fromValue(reinterpret_cast<quintptr>(Item)));
    }
}

/// Left and Right on a drop-down menu of the menu bar close it and ask for
/// the neighbouring one (Right only where no sub-menu opens instead).
class NeighbourKeys : public QObject {
public:
    NeighbourKeys(QMenu& Menu, int& Move) : FMenu(Menu), FMove(Move) {}

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override
    {
        if (Watched != &FMenu || Event->type() != QEvent::KeyPress)
            return false;
        const int Key = static_cast<QKeyEvent*>(Event)->key();
        const QAction* Active = FMenu.activeAction();
        if (Key == Qt::Key_Left || (Key == Qt::Key_Right && !(Active && Active->menu()))) {
            FMove = Key == Qt::Key_Left ? -1 : 1;
            FMenu.close();
            return true;
        }
        return false;
    }

private:
    QMenu& FMenu;
    int& FMove;
};

}  // namespace

TMenuItem* ExecMenuItems(TMenuItem* Parent, TCustomImageList* Images, QPoint At, TPopupAlignment Alignment,
    int* Move)
{
    QMenu Menu;
    FillQMenu(Menu, Parent, Images);
    if (Menu.isEmpty())
        return nullptr;
    int Ignored = 0;
    NeighbourKeys Keys(Menu, Move ? *Move : Ignored);
    if (Move)
        Menu.installEventFilter(&Keys);
    const int W = Menu.sizeHint().width();
    switch (Alignment) {
    case paLeft: break;
    case paRight: At.rx() -= W; break;
    case paCenter: At.rx() -= W / 2; break;
    }
    QAction* A = Menu.exec(At);
    return A ? reinterpret_cast<TMenuItem*>(A->data().value<quintptr>()) : nullptr;
}

void RunMenuChoice(TMenuItem* Root, TMenuItem* Chosen)
{
    // The choice runs after the menu has closed, and only while the item
    // is still in the menu.
    if (Chosen && InMenuTree(Root, Chosen) && Chosen->IsReachable())
        Chosen->Click();
}

// ---- hot keys -------------------------------------------------------------------------------

AnsiString StripHotkey(const AnsiString& Text)
{
    AnsiString Result;
    for (int I = 1; I <= Text.Length(); ++I) {
        if (Text[I] == '&') {
            if (I < Text.Length() && Text[I + 1] == '&')
                ++I;
            else
                continue;
        }
        Result += Text[I];
    }
    return Result;
}

AnsiString GetHotkey(const AnsiString& Text)
{
    for (int I = 1; I < Text.Length(); ++I) {
        if (Text[I] != '&')
            continue;
        if (Text[I + 1] == '&') {
            ++I;
            continue;
        }
        return Text.SubString(I + 1, 1);
    }
    return AnsiString();
}

// ---- TMenuItem ------------------------------------------------------------------------------

PRICETAGS_DEFINE_CLASS(TMenuItem,
    Property("Caption", &TMenuItem::Caption, &TMenuItem::SetCaption),
    Property("Checked", &TMenuItem::Checked, &TMenuItem::SetChecked),
    Property("Enabled", &TMenuItem::Enabled, &TMenuItem::SetEnabled),
    Property("Visible", &TMenuItem::Visible, &TMenuItem::SetVisible))

TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner) {}

TMenuItem::~TMenuItem()
{
    Destroying();
    if (FParent)
        FParent->Remove(this);
    while (!FItems.empty()) {
        TMenuItem* Child = FItems.back();
        FItems.pop_back();
        Child->FParent = nullptr;
        delete Child;
    }
    FActionLink.reset();
}

void TMenuItem::SetCaption(const AnsiString& Value)
{
    if (FCaption == Value)
        return;
    FCaption = Value;
    MenuChanged();
}

void TMenuItem::TurnSiblingsOff()
{
    if (!FParent)
        return;
    for (TMenuItem* Item : FParent->FItems)
        if (Item != this && Item->FRadioItem && Item->FGroupIndex == FGroupIndex)
            Item->SetChecked(false);
}

void TMenuItem::SetChecked(bool Value)
{
    if (FChecked == Value)
        return;
    FChecked = Value;
    if (Value && FRadioItem)
        TurnSiblingsOff();
    MenuChanged();
}

void TMenuItem::SetRadioItem(bool Value)
{
    if (FRadioItem == Value)
        return;
    FRadioItem = Value;
    if (FChecked && FRadioItem)
        TurnSiblingsOff();
    MenuChanged();
}

void TMenuItem::SetGroupIndex(Byte Value)
{
    if (FGroupIndex == Value)
        return;
    FGroupIndex = Value;
    if (FChecked && FRadioItem)
        TurnSiblingsOff();
    MenuChanged();
}

void TMenuItem::SetEnabled(bool Value)
{
    if (FEnabled == Value)
        return;
    FEnabled = Value;
    MenuChanged();
}

void TMenuItem::SetVisible(bool Value)
{
    if (FVisible == Value)
        return;
    FVisible = Value;
    MenuChanged();
}

void TMenuItem::SetDefault(bool Value)
{
    if (FDefault == Value)
        return;
    FDefault = Value;
    MenuChanged();
}

void TMenuItem::SetShortCut(TShortCut Value)
{
    if (FShortCut == Value)
        return;
    FShortCut = Value;
    MenuChanged();
}

void TMenuItem::SetImageIndex(int Value)
{
    if (FImageIndex == Value)
        return;
    FImageIndex = Value;
    MenuChanged();
}

TBasicAction* TMenuItem::Action() const
{
    return FActionLink ? FActionLink->Action() : nullptr;
}

void TMenuItem::SetAction(TBasicAction* Value)
{
    if (!Value) {
        FActionLink.reset();
        return;
    }
    if (!FActionLink)
        FActionLink = std::make_unique<TMenuActionLink>(this);
    FActionLink->SetAction(Value);
    Value->FreeNotification(this);
    FActionLink->TakeValues();
}

void TMenuItem::Notification(TComponent* AComponent, TOperation Operation)
{
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && FActionLink && AComponent == FActionLink->Action())
        FActionLink.reset();
}

TMenuItem* TMenuItem::Items(int Index) const
{
    if (Index < 0 || Index >= Count())
        throw EMenuError(SMenuIndexError);
    return FItems[static_cast<size_t>(Index)];
}

void TMenuItem::Add(TMenuItem* Item)
{
    Insert(Count(), Item);
}

void TMenuItem::Insert(int Index, TMenuItem* Item)
{
    assert(Item && "a menu item is expected");
    if (Item->FParent)
        throw EMenuError(SMenuReinserted);
    if (Index < 0 || Index > Count())
        throw EMenuError(SMenuIndexError);
    FItems.insert(FItems.begin() + Index, Item);
    Item->FParent = this;
    if (Item->FChecked && Item->FRadioItem)
        Item->TurnSiblingsOff();
    MenuChanged();
}

void TMenuItem::Delete(int Index)
{
    TMenuItem* Item = Items(Index);
    Remove(Item);
    delete Item;
}

void TMenuItem::Remove(TMenuItem* Item)
{
    const int I = IndexOf(Item);
    if (I < 0)
        throw EMenuError(SMenuNotFound);
    FItems.erase(FItems.begin() + I);
    Item->FParent = nullptr;
    MenuChanged();
}

void TMenuItem::Clear()
{
    while (!FItems.empty())
        Delete(Count() - 1);
}

int TMenuItem::IndexOf(const TMenuItem* Item) const
{
    const auto It = std::find(FItems.begin(), FItems.end(), Item);
    return It == FItems.end() ? -1 : static_cast<int>(It - FItems.begin());
}

TMenuItem* TMenuItem::Find(const AnsiString& ACaption) const
{
    const AnsiString Wanted = StripHotkey(ACaption);
    for (TMenuItem* Item : FItems)
        if (AnsiSameText(StripHotkey(Item->FCaption), Wanted))
            return Item;
    return nullptr;
}

int TMenuItem::MenuIndex() const
{
    return FParent ? FParent->IndexOf(this) : -1;
}

void TMenuItem::SetMenuIndex(int Value)
{
    if (!FParent)
        return;
    TMenuItem* P = FParent;
    const int Last = P->Count() - 1;
    Value = std::clamp(Value, 0, Last);
    P->Remove(this);
    P->Insert(Value, this);
}

TMenu* TMenuItem::GetParentMenu() const
{
    const TMenuItem* Item = this;
    while (Item->FParent)
        Item = Item->FParent;
    return Item->FMenu;
}

bool TMenuItem::IsReachable() const
{
    for (const TMenuItem* Item = this; Item && !Item->FMenu; Item = Item->FParent)
        if (!Item->FVisible || !Item->FEnabled)
            return false;
    return true;
}

void TMenuItem::InitiateAction()
{
    if (FActionLink)
        FActionLink->Update();
}

void TMenuItem::Click()
{
    if (!FEnabled)
        return;
    if (FAutoCheck && !(FActionLink && FActionLink->Action()))
        SetChecked(!FChecked);
    if (OnClick.Assigned() && !(FActionLink && FActionLink->IsOnExecuteLinked())) {
        OnClick(this);
        return;
    }
    if (FActionLink && FActionLink->Execute(this))
        return;
    OnClick(this);
}

void TMenuItem::MenuChanged()
{
    if (TMenu* Menu = GetParentMenu())
        Menu->MenuChanged(this);
}

// ---- TMenu ------------------------------------------------------------------------------------

PRICETAGS_DEFINE_CLASS(TMenu)

TMenu::TMenu(TComponent* AOwner) : TComponent(AOwner), FItems(new TMenuItem(this))
{
    FItems->FMenu = this;
}

TMenu::~TMenu()
{
    Destroying();
    // The root item is a component of the menu and goes with it.
    FItems->FMenu = nullptr;
}

void TMenu::SetImages(TCustomImageList* Value)
{
    FImages = Value;
    if (Value)
        Value->FreeNotification(this);
    MenuChanged(nullptr);
}

void TMenu::Notification(TComponent* AComponent, TOperation Operation)
{
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FImages)
        FImages = nullptr;
}

namespace {

TMenuItem* FindShortCutIn(TMenuItem* Parent, TShortCut ShortCut)
{
    for (int I = 0; I < Parent->Count(); ++I) {
        TMenuItem* Item = Parent->Items(I);
        if (Item->ShortCut() == ShortCut)
            return Item;
        if (TMenuItem* Found = FindShortCutIn(Item, ShortCut))
            return Found;
    }
    return nullptr;
}

}  // namespace

TMenuItem* TMenu::FindShortCut(TShortCut ShortCut) const
{
    if (ShortCut == 0)
        return nullptr;
    return FindShortCutIn(FItems, ShortCut);
}

bool TMenu::IsShortCut(TWMKey& Message)
{
    TShiftState Shift = KeyDataToShiftState(Message.KeyData);
    const TShortCut Key = ::ShortCut(Message.CharCode, Shift);
    TMenuItem* Item = FindShortCut(Key);
    if (!Item)
        return false;
    // The item's state may hang on its action: update the path first.
    for (TMenuItem* P = Item; P; P = P->Parent())
        P->InitiateAction();
    if (!Item->IsReachable())
        return false;
    Item->Click();
    return true;
}

void TMenu::MenuChanged(TMenuItem*)
{
    OnChange(this);
}

// ---- TMainMenu -----------------------------------------------------------------------------------

PRICETAGS_DEFINE_CLASS(TMainMenu)

TMainMenu::TMainMenu(TComponent* AOwner) : TMenu(AOwner) {}

TMainMenu::~TMainMenu()
{
    if (FForm)
        FForm->SetMenu(nullptr);
}

void TMainMenu::MenuChanged(TMenuItem* Source)
{
    TMenu::MenuChanged(Source);
    if (FForm && FForm->HandleAllocated()) {
        HWND Wnd = FForm->Handle();
        InvalidateWindow(Wnd, QRegion(0, 0, Wnd->Client.Right, Wnd->Client.Top), false);
    }
}

void TMainMenu::Notification(TComponent* AComponent, TOperation Operation)
{
    TMenu::Notification(AComponent, Operation);
    if (Operation == opRemove && FForm && AComponent == FForm)
        FForm = nullptr;
}

// ---- TPopupMenu ----------------------------------------------------------------------------------

PRICETAGS_DEFINE_CLASS(TPopupMenu)

TPopupMenu::TPopupMenu(TComponent* AOwner) : TMenu(AOwner) {}

TPopupMenu::~TPopupMenu() = default;

void TPopupMenu::SetPopupComponent(TComponent* Value)
{
    FPopupComponent = Value;
    if (Value)
        Value->FreeNotification(this);
}

void TPopupMenu::Notification(TComponent* AComponent, TOperation Operation)
{
    TMenu::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FPopupComponent)
        FPopupComponent = nullptr;
}

void TPopupMenu::DoPopup(TObject* Sender)
{
    OnPopup(Sender);
}

void TPopupMenu::Popup(int X, int Y)
{
    FPopupPoint = {X, Y};
    // A hint shown or waiting for the control under the mouse would lie
    // over the menu's items.
    if (Application)
        Application->CancelHint();
    DoPopup(this);
    UpdateItemActions(FItems);
    TMenuItem* Chosen = nullptr;
    // The menu's own loop runs other messages: one of them may free it.
    const FreeWatch Watch({this});
    if (const PopupMenuHook& Hook = CurrentPopupHook())
        Chosen = Hook(*this, FPopupPoint);
    else
        Chosen = ExecMenuItems(FItems, FImages, QPoint(X, Y), FAlignment, nullptr);
    if (!Watch.Gone())
        RunMenuChoice(FItems, Chosen);
}

// ---- hooks --------------------------------------------------------------------------------------------

void SetPopupMenuHook(PopupMenuHook Hook)
{
    CurrentPopupHook() = std::move(Hook);
}

PopupMenuHookScope::PopupMenuHookScope(PopupMenuHook Hook)
{
    SetPopupMenuHook(std::move(Hook));
}

PopupMenuHookScope::~PopupMenuHookScope()
{
    SetPopupMenuHook(nullptr);
}

// ---- the hooks of controls and forms ---------------------------------------------------------------

namespace {

void PopupForControl(TControl* Control, TPoint ScreenPos, bool& Handled)
{
    TPopupMenu* Menu = Control->PopupMenu();
    if (!Menu || !Menu->AutoPopup())
        return;
    Menu->SetPopupComponent(Control);
    Menu->Popup(ScreenPos.X, ScreenPos.Y);
    Handled = true;
}

}  // namespace

void TControl::SetPopupMenu(TPopupMenu* Value)
{
    FPopupMenu = Value;
    if (!Value)
        return;
    Value->FreeNotification(this);
    // Controls pop their menus up through this handler from the first menu on.
    ContextPopupHandler = &PopupForControl;
}

void TCustomForm::SetMenu(TMainMenu* Value)
{
    if (FMenu == Value)
        return;
    if (FMenu)
        FMenu->FForm = nullptr;
    if (Value && Value->FForm && Value->FForm != this)
        Value->FForm->SetMenu(nullptr);
    FMenu = Value;
    if (Value) {
        Value->FForm = this;
        Value->FreeNotification(this);
    }
    // The band of the bar comes or goes: the window keeps its size and
    // the client area changes.
    if (HandleAllocated() && !ComponentState().Contains(csDestroying))
        SetWindowPos(Handle(), nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
}

#include "platform/forms/ActnList.h"

#include "platform/forms/Buttons.h"
#include "platform/forms/ComCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/ImgList.h"
#include "platform/forms/Menus.h"
#include "platform/forms/StdCtrls.h"

#include <algorithm>

// ---- TBasicActionLink ----------------------------------------------------------------------

PRICETAGS_DEFINE_CLASS(TBasicActionLink)

TBasicActionLink::~TBasicActionLink()
{
    if (FAction)
        FAction->UnRegisterChanges(this);
}

void TBasicActionLink::SetAction(TBasicAction* Value)
{
    if (FAction == Value)
        return;
    if (FAction)
        FAction->UnRegisterChanges(this);
    FAction = Value;
    if (FAction)
        FAction->RegisterChanges(this);
}

bool TBasicActionLink::Execute(TComponent* Component)
{
    if (!FAction)
        return false;
    TBasicAction* A = FAction;
    A->SetActionComponent(Component);
    struct Reset {
        TBasicActionLink* Link;
        TBasicAction* A;
        // A handler that frees the action unbinds it from this link first.
        ~Reset()
        {
            if (Link->FAction == A)
                A->SetActionComponent(nullptr);
        }
    } Guard {this, A};
    return A->Execute();
}

void TBasicActionLink::TakeValues()
{
    auto* A = dynamic_cast<TCustomAction*>(FAction);
    if (!A)
        return;
    SetCaption(A->Caption());
    SetChecked(A->Checked());
    SetEnabled(A->Enabled());
    SetHint(A->Hint());
    SetImageIndex(A->ImageIndex());
    SetShortCut(A->ShortCut());
    SetVisible(A->Visible());
}

bool TBasicActionLink::Update()
{
    return FAction && FAction->Update();
}

void TBasicActionLink::Change()
{
    OnChange(FAction);
}

// ---- TBasicAction --------------------------------------------------------------------------------

PRICETAGS_DEFINE_CLASS(TBasicAction)

TBasicAction::TBasicAction(TComponent* AOwner) : TComponent(AOwner) {}

TBasicAction::~TBasicAction()
{
    Destroying();
    while (!FClients.empty()) {
        TBasicActionLink* Link = FClients.back();
        FClients.pop_back();
        Link->FAction = nullptr;
    }
}

bool TBasicAction::Execute()
{
    if (!OnExecute.Assigned())
        return false;
    OnExecute(this);
    return true;
}

bool TBasicAction::Update()
{
    if (!OnUpdate.Assigned())
        return false;
    OnUpdate(this);
    return true;
}

bool TBasicAction::HandlesTarget(TObject*)
{
    return false;
}

void TBasicAction::ExecuteTarget(TObject*) {}

void TBasicAction::UpdateTarget(TObject*) {}

void TBasicAction::Change()
{
    // A client's handler may unbind others: walk a copy.
    const std::vector<TBasicActionLink*> Clients = FClients;
    for (TBasicActionLink* Link : Clients)
        if (std::find(FClients.begin(), FClients.end(), Link) != FClients.end())
            Link->Change();
}

void TBasicAction::RegisterChanges(TBasicActionLink* Link)
{
    FClients.push_back(Link);
}

void TBasicAction::UnRegisterChanges(TBasicActionLink* Link)
{
    const auto It = std::find(FClients.begin(), FClients.end(), Link);
    if (It != FClients.end())
        FClients.erase(It);
}

// ---- TContainedAction ------------------------------------------------------------------------------

PRICETAGS_DEFINE_CLASS(TContainedAction)

TContainedAction::TContainedAction(TComponent* AOwner) : TBasicAction(AOwner) {}

TContainedAction::~TContainedAction()
{
    if (FActionList)
        FActionList->RemoveAction(this);
}

void TContainedAction::SetActionList(TCustomActionList* Value)
{
    if (FActionList == Value)
        return;
    if (FActionList)
        FActionList->RemoveAction(this);
    if (Value)
        Value->AddAction(this);
}

int TContainedAction::Index() const
{
    if (!FActionList)
        return -1;
    const auto& L = FActionList->FActions;
    const auto It = std::find(L.begin(), L.end(), this);
    return It == L.end() ? -1 : static_cast<int>(It - L.begin());
}

namespace {

/// Offers Action to the active form's focused control, then to the form
/// (Execute: ExecuteAction; else UpdateAction); true when one took it.
bool OfferToFocus(TBasicAction* Action, bool Execute)
{
    if (!Screen)
        return false;
    auto Offer = [&](TControl* Target) {
        return Target && (Execute ? Target->ExecuteAction(Action) : Target->UpdateAction(Action));
    };
    TCustomForm* Form = Screen->ActiveForm();
    return Offer(Screen->ActiveControl()) || Offer(Form);
}

}  // namespace

bool TContainedAction::Execute()
{
    if (FActionList && FActionList->ExecuteAction(this))
        return true;
    return TBasicAction::Execute() || OfferToFocus(this, /*Execute=*/true);
}

bool TContainedAction::Update()
{
    if (FActionList && FActionList->UpdateAction(this))
        return true;
    return TBasicAction::Update() || OfferToFocus(this, /*Execute=*/false);
}

// ---- TCustomAction ------------------------------------------------------------------------------------

PRICETAGS_DEFINE_CLASS(TCustomAction,
    Property("Caption", &TCustomAction::Caption, &TCustomAction::SetCaption),
    Property("Checked", &TCustomAction::Checked, &TCustomAction::SetChecked),
    Property("Enabled", &TCustomAction::Enabled, &TCustomAction::SetEnabled),
    Property("Visible", &TCustomAction::Visible, &TCustomAction::SetVisible),
    Property("Hint", &TCustomAction::Hint, &TCustomAction::SetHint))

PRICETAGS_DEFINE_CLASS(TAction)

TCustomAction::TCustomAction(TComponent* AOwner) : TContainedAction(AOwner) {}

TCustomAction::~TCustomAction() = default;

TAction::~TAction() = default;

namespace {

/// Calls Set on every client of Action (a copy of the list: a client may
/// unbind itself meanwhile).
template <class F>
void ForEachClient(const std::vector<TBasicActionLink*>& Clients, F Set)
{
    const std::vector<TBasicActionLink*> Copy = Clients;
    for (TBasicActionLink* Link : Copy)
        if (std::find(Clients.begin(), Clients.end(), Link) != Clients.end())
            Set(Link);
}

}  // namespace

void TCustomAction::SetCaption(const AnsiString& Value)
{
    if (FCaption == Value)
        return;
    FCaption = Value;
    ForEachClient(FClients, [&](TBasicActionLink* L) { L->SetCaption(Value); });
    Change();
}

void TCustomAction::SetChecked(bool Value)
{
    if (FChecked == Value || FChecking)
        return;
    FChecking = true;
    struct Done {
        bool& F;
        ~Done() { F = false; }
    } Guard {FChecking};
    FChecked = Value;
    ForEachClient(FClients, [&](TBasicActionLink* L) { L->SetChecked(Value); });
    if (Value && FGroupIndex > 0 && FActionList) {
        for (int I = 0; I < FActionList->ActionCount(); ++I) {
            auto* Other = dynamic_cast<TCustomAction*>(FActionList->Actions(I));
            if (Other && Other != this && Other->FGroupIndex == FGroupIndex)
                Other->SetChecked(false);
        }
    }
    Change();
}

void TCustomAction::SetEnabled(bool Value)
{
    if (FEnabled == Value)
        return;
    FEnabled = Value;
    ForEachClient(FClients, [&](TBasicActionLink* L) { L->SetEnabled(Value); });
    Change();
}

void TCustomAction::SetVisible(bool Value)
{
    if (FVisible == Value)
        return;
    FVisible = Value;
    ForEachClient(FClients, [&](TBasicActionLink* L) { L->SetVisible(Value); });
    Change();
}

void TCustomAction::SetHint(const AnsiString& Value)
{
    if (FHint == Value)
        return;
    FHint = Value;
    ForEachClient(FClients, [&](TBasicActionLink* L) { L->SetHint(Value); });
    Change();
}

void TCustomAction::SetShortCut(TShortCut Value)
{
    if (FShortCut == Value)
        return;
    FShortCut = Value;
    ForEachClient(FClients, [&](TBasicActionLink* L) { L->SetShortCut(Value); });
    Change();
}

void TCustomAction::SetImageIndex(int Value)
{
    if (FImageIndex == Value)
        return;
    FImageIndex = Value;
    ForEachClient(FClients, [&](TBasicActionLink* L) { L->SetImageIndex(Value); });
    Change();
}

namespace {

// The links of Clients that know the values only a TActionLink follows.
template <class F>
void ForEachActionLink(const std::vector<TBasicActionLink*>& Clients, F Set)
{
    ForEachClient(Clients, [&](TBasicActionLink* L) {
        if (auto* A = dynamic_cast<TActionLink*>(L))
            Set(A);
    });
}

}  // namespace

void TCustomAction::SetAutoCheck(bool Value)
{
    if (FAutoCheck == Value)
        return;
    FAutoCheck = Value;
    ForEachActionLink(FClients, [&](TActionLink* L) { L->SetAutoCheck(Value); });
    Change();
}

void TCustomAction::SetHelpContext(int Value)
{
    if (FHelpContext == Value)
        return;
    FHelpContext = Value;
    ForEachActionLink(FClients, [&](TActionLink* L) { L->SetHelpContext(Value); });
    Change();
}

void TCustomAction::SetGroupIndex(int Value)
{
    if (FGroupIndex == Value)
        return;
    FGroupIndex = Value;
    ForEachActionLink(FClients, [&](TActionLink* L) { L->SetGroupIndex(Value); });
    if (FChecked && FGroupIndex > 0) {
        // Another checked action of the new group yields to this one.
        FChecked = false;
        SetChecked(true);
    }
}

bool TCustomAction::Execute()
{
    if (!FEnabled)
        return false;
    if (FAutoCheck)
        SetChecked(!FChecked);
    return TContainedAction::Execute();
}

bool TCustomAction::Update()
{
    if (TContainedAction::Update())
        return true;
    if (FDisableIfNoHandler) {
        const bool Handled = OnExecute.Assigned() ||
                             (FActionList && FActionList->OnExecute.Assigned());
        SetEnabled(Handled);
    }
    return false;
}

// ---- TCustomActionList ---------------------------------------------------------------------------------

PRICETAGS_DEFINE_CLASS(TCustomActionList)

PRICETAGS_DEFINE_CLASS(TActionList)

TCustomActionList::TCustomActionList(TComponent* AOwner) : TComponent(AOwner) {}

TCustomActionList::~TCustomActionList()
{
    Destroying();
    while (!FActions.empty()) {
        FActions.back()->FActionList = nullptr;
        FActions.pop_back();
    }
}

TActionList::~TActionList() = default;

void TCustomActionList::SetImages(TCustomImageList* Value)
{
    FImages = Value;
    if (Value)
        Value->FreeNotification(this);
}

void TCustomActionList::Notification(TComponent* AComponent, TOperation Operation)
{
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FImages)
        FImages = nullptr;
}

void TCustomActionList::AddAction(TContainedAction* Action)
{
    FActions.push_back(Action);
    Action->FActionList = this;
    OnChange(this);
}

void TCustomActionList::RemoveAction(TContainedAction* Action)
{
    const auto It = std::find(FActions.begin(), FActions.end(), Action);
    if (It == FActions.end())
        return;
    FActions.erase(It);
    Action->FActionList = nullptr;
    OnChange(this);
}

bool TCustomActionList::ExecuteAction(TBasicAction* Action)
{
    bool Handled = false;
    OnExecute(Action, Handled);
    return Handled;
}

bool TCustomActionList::UpdateAction(TBasicAction* Action)
{
    bool Handled = false;
    OnUpdate(Action, Handled);
    return Handled;
}

bool TCustomActionList::IsShortCut(TWMKey& Message)
{
    const TShortCut Key = ShortCut(Message.CharCode, KeyDataToShiftState(Message.KeyData));
    if (Key == 0)
        return false;
    for (size_t I = 0; I < FActions.size(); ++I) {
        auto* A = dynamic_cast<TCustomAction*>(FActions[I]);
        if (!A || A->ShortCut() != Key)
            continue;
        // The state may depend on the moment: update before deciding.
        A->Update();
        if (!A->Enabled())
            return false;
        A->SetActionComponent(nullptr);
        A->Execute();
        return true;
    }
    return false;
}

void TCustomActionList::UpdateActions()
{
    // A handler may change the list: index, and re-check the size.
    for (size_t I = 0; I < FActions.size(); ++I)
        FActions[I]->Update();
}

// ---- links of controls and menu items ------------------------------------------------------------------

PRICETAGS_DEFINE_CLASS(TControlActionLink)

// ---- TActionLink --------------------------------------------------------------------------------

PRICETAGS_DEFINE_CLASS(TActionLink)

TActionLink::~TActionLink() = default;

TCustomAction* TActionLink::CustomAction() const
{
    return dynamic_cast<TCustomAction*>(FAction);
}

bool TActionLink::IsCaptionLinked() const { return CustomAction() != nullptr; }
bool TActionLink::IsCheckedLinked() const { return CustomAction() != nullptr; }
bool TActionLink::IsEnabledLinked() const { return CustomAction() != nullptr; }
bool TActionLink::IsGroupIndexLinked() const { return CustomAction() != nullptr; }
bool TActionLink::IsHelpContextLinked() const { return CustomAction() != nullptr; }
bool TActionLink::IsHintLinked() const { return CustomAction() != nullptr; }
bool TActionLink::IsImageIndexLinked() const { return CustomAction() != nullptr; }
bool TActionLink::IsShortCutLinked() const { return CustomAction() != nullptr; }
bool TActionLink::IsVisibleLinked() const { return CustomAction() != nullptr; }
bool TActionLink::IsOnExecuteLinked() const { return FAction != nullptr; }

// ---- TControlActionLink -----------------------------------------------------------------------------

TControlActionLink::~TControlActionLink() = default;

bool TControlActionLink::IsOnExecuteLinked() const
{
    return TActionLink::IsOnExecuteLinked() && FClient->OnClick == FAction->OnExecute;
}

void TControlActionLink::SetCaption(const AnsiString& Value)
{
    if (IsCaptionLinked())
        FClient->SetCaption(Value);
}

void TControlActionLink::SetChecked(bool Value)
{
    if (!IsCheckedLinked())
        return;
    if (auto* Box = dynamic_cast<TCustomCheckBox*>(FClient)) {
        // Following the action is no click: keep OnClick out of it.
        const TNotifyEvent Saved = Box->OnClick;
        Box->OnClick = nullptr;
        struct Restore {
            TCustomCheckBox* B;
            TNotifyEvent E;
            ~Restore() { B->OnClick = E; }
        } Guard {Box, Saved};
        Box->SetChecked(Value);
    } else if (auto* Speed = dynamic_cast<TSpeedButton*>(FClient)) {
        Speed->SetDown(Value);
    } else if (auto* Tool = dynamic_cast<TToolButton*>(FClient)) {
        Tool->SetDown(Value);
    }
}

void TControlActionLink::SetEnabled(bool Value)
{
    if (IsEnabledLinked())
        FClient->SetEnabled(Value);
}

void TControlActionLink::SetHint(const AnsiString& Value)
{
    if (IsHintLinked())
        FClient->SetHint(Value);
}

void TControlActionLink::SetVisible(bool Value)
{
    if (IsVisibleLinked())
        FClient->SetVisible(Value);
}

void TControlActionLink::SetImageIndex(int Value)
{
    if (!IsImageIndexLinked())
        return;
    if (auto* Tool = dynamic_cast<TToolButton*>(FClient))
        Tool->SetImageIndex(Value);
}

PRICETAGS_DEFINE_CLASS(TMenuActionLink)

TMenuActionLink::~TMenuActionLink() = default;

bool TMenuActionLink::IsOnExecuteLinked() const
{
    return TActionLink::IsOnExecuteLinked() && FClient->OnClick == FAction->OnExecute;
}

void TMenuActionLink::SetCaption(const AnsiString& Value)
{
    if (IsCaptionLinked())
        FClient->SetCaption(Value);
}

void TMenuActionLink::SetChecked(bool Value)
{
    if (IsCheckedLinked())
        FClient->SetChecked(Value);
}

void TMenuActionLink::SetEnabled(bool Value)
{
    if (IsEnabledLinked())
        FClient->SetEnabled(Value);
}

void TMenuActionLink::SetHint(const AnsiString& Value)
{
    if (IsHintLinked())
        FClient->SetHint(Value);
}

void TMenuActionLink::SetImageIndex(int Value)
{
    if (IsImageIndexLinked())
        FClient->SetImageIndex(Value);
}

void TMenuActionLink::SetShortCut(TShortCut Value)
{
    if (IsShortCutLinked())
        FClient->SetShortCut(Value);
}

void TMenuActionLink::SetVisible(bool Value)
{
    if (IsVisibleLinked())
        FClient->SetVisible(Value);
}

// ---- controls, forms, the application ----------------------------------------------------------------

namespace {

TControlActionLink* LinkOf(const std::unique_ptr<TObject>& Link)
{
    return static_cast<TControlActionLink*>(Link.get());
}

}  // namespace

bool TControl::ExecuteAction(TBasicAction* Action)
{
    if (!Action || !Action->HandlesTarget(this))
        return false;
    Action->ExecuteTarget(this);
    return true;
}

bool TControl::UpdateAction(TBasicAction* Action)
{
    if (!Action || !Action->HandlesTarget(this))
        return false;
    Action->UpdateTarget(this);
    return true;
}

TBasicAction* TControl::Action() const
{
    return FActionLink ? LinkOf(FActionLink)->Action() : nullptr;
}

void TControl::SetAction(TBasicAction* Value)
{
    if (!Value) {
        FActionLink.reset();
        return;
    }
    if (!FActionLink)
        FActionLink.reset(CreateActionLink());
    LinkOf(FActionLink)->SetAction(Value);
    Value->FreeNotification(this);
    LinkOf(FActionLink)->TakeValues();
}

TControlActionLink* TControl::CreateActionLink()
{
    return new TControlActionLink(this);
}

bool TControl::ExecuteActionLink()
{
    TControlActionLink* Link = LinkOf(FActionLink);
    if (!Link || !Link->Action())
        return false;
    if (OnClick.Assigned() && !Link->IsOnExecuteLinked())
        return false;
    Link->Execute(this);
    return true;
}

namespace {

void UpdateListsOf(TComponent* Owner)
{
    for (int I = 0; I < Owner->ComponentCount(); ++I)
        if (auto* List = dynamic_cast<TCustomActionList*>(Owner->Components(I)))
            List->UpdateActions();
}

}  // namespace

void UpdateFormActions()
{
    if (!Screen)
        return;
    for (int I = 0; I < Screen->FormCount(); ++I) {
        TCustomForm* Form = Screen->Forms(I);
        if (Form->Showing())
            UpdateListsOf(Form);
    }
}

bool FormActionsShortCut(TCustomForm& Form, TWMKey& Message)
{
    for (int I = 0; I < Form.ComponentCount(); ++I)
        if (auto* List = dynamic_cast<TCustomActionList*>(Form.Components(I)))
            if (List->IsShortCut(Message))
                return true;
    return false;
}

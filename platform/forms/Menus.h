#pragma once

// Menus: TMenuItem (a tree of items with captions, short-cuts, check marks
// and sub-menus), TMainMenu (the menu bar of a form, TCustomForm::Menu) and
// TPopupMenu (shown by Popup or by a right click on a control whose
// PopupMenu it is).
//
// Captions mark their accelerator with "&" ("&&" is one "&"); the caption
// "-" makes a separator line. An item belongs to one parent item at a time;
// a parent frees its sub-items when it is freed, and an item freed by its
// owner leaves its parent. A click (Click) on an enabled item toggles an
// AutoCheck item, then runs OnClick or, when the item is bound to an action
// (Action) and OnClick is not its own, executes the action.
//
// Tests answer pop-up menus through SetPopupMenuHook (or the scope below):
// the hook gets the menu after OnPopup and returns the item to click (null:
// the menu was closed without a choice).

#include "platform/classes/Component.h"
#include "platform/classes/Events.h"
#include "platform/forms/Controls.h"
#include "platform/forms/Forms.h"
#include "platform/rtl/AnsiString.h"
#include "platform/rtl/Exceptions.h"

#include <functional>
#include <memory>
#include <vector>

class TBasicAction;
class TCustomImageList;
class TMenu;
class TMenuActionLink;

PRICETAGS_EXCEPTION(EMenuError, Exception);

/// The caption without its accelerator marks ("&&" stays one "&").
[[nodiscard]] AnsiString StripHotkey(const AnsiString& Text);
/// The accelerator character of a caption ('' when it has none).
[[nodiscard]] AnsiString GetHotkey(const AnsiString& Text);

/// The caption of a separator item.
inline constexpr const char* cLineCaption = "-";

class TMenuItem : public TComponent {
    PRICETAGS_CLASS(TMenuItem, TComponent)
public:
    explicit TMenuItem(TComponent* AOwner);
    /// Frees the sub-items and leaves the parent item.
    ~TMenuItem() override;

    const AnsiString& Caption() const { return FCaption; }
    void SetCaption(const AnsiString& Value);
    bool Checked() const { return FChecked; }
    /// Checking a RadioItem unchecks the other radio items of the same
    /// parent and GroupIndex.
    void SetChecked(bool Value);
    bool RadioItem() const { return FRadioItem; }
    void SetRadioItem(bool Value);
    Byte GroupIndex() const { return FGroupIndex; }
    void SetGroupIndex(Byte Value);
    bool AutoCheck() const { return FAutoCheck; }
    void SetAutoCheck(bool Value) { FAutoCheck = Value; }
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value);
    bool Visible() const { return FVisible; }
    void SetVisible(bool Value);
    /// Drawn in bold; a double click on the owner runs it (not used here).
    bool Default() const { return FDefault; }
    void SetDefault(bool Value);
    TShortCut ShortCut() const { return FShortCut; }
    void SetShortCut(TShortCut Value);
    const AnsiString& Hint() const { return FHint; }
    void SetHint(const AnsiString& Value) { FHint = Value; }
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int Value);
    int HelpContext() const { return FHelpContext; }
    void SetHelpContext(int Value) { FHelpContext = Value; }

    /// The action the item follows (Caption, Enabled, Checked, Visible,
    /// Hint, ShortCut, ImageIndex) and executes; null for none. A free
    /// notification clears it.
    TBasicAction* Action() const;
    void SetAction(TBasicAction* Value);

    /// The sub-items.
    int Count() const { return static_cast<int>(FItems.size()); }
    /// Raises EMenuError "Menu index out of range" for a bad index.
    TMenuItem* Items(int Index) const;
    TMenuItem* operator[](int Index) const { return Items(Index); }
    /// Appends Item; raises EMenuError "Menu inserted twice" when it already
    /// has a parent.
    void Add(TMenuItem* Item);
    void Insert(int Index, TMenuItem* Item);
    /// Takes sub-item Index out and frees it.
    void Delete(int Index);
    /// Takes Item out (not freed); raises EMenuError "Sub-menu is not in
    /// menu" when it is not a sub-item.
    void Remove(TMenuItem* Item);
    /// Frees every sub-item.
    void Clear();
    int IndexOf(const TMenuItem* Item) const;
    /// The sub-item whose caption, without "&" and case ignored, is
    /// ACaption; null when none.
    TMenuItem* Find(const AnsiString& ACaption) const;
    TMenuItem* Parent() const { return FParent; }
    /// Position among the parent's items; -1 without parent.
    int MenuIndex() const;
    void SetMenuIndex(int Value);
    /// The menu the item tree belongs to; null when it is in none.
    TMenu* GetParentMenu() const;
    bool IsLine() const { return FCaption == cLineCaption; }
    /// Visible and enabled, and so are its parents up to the menu.
    bool IsReachable() const;
    /// Updates the bound action (OnUpdate), as a menu does before it opens.
    void InitiateAction();

    /// Runs the item, as described at the top; nothing for a disabled item.
    virtual void Click();

    TNotifyEvent OnClick;

protected:
    friend class TMenu;
    friend class TMenuActionLink;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    /// Tells the menu that the item tree or an item changed.
    void MenuChanged();
    void TurnSiblingsOff();

    AnsiString FCaption;
    bool FChecked = false;
    bool FRadioItem = false;
    Byte FGroupIndex = 0;
    bool FAutoCheck = false;
    bool FEnabled = true;
    bool FVisible = true;
    bool FDefault = false;
    TShortCut FShortCut = 0;
    AnsiString FHint;
    int FImageIndex = -1;
    int FHelpContext = 0;
    TMenuItem* FParent = nullptr;
    /// Set on the root item of a menu.
    TMenu* FMenu = nullptr;
    std::vector<TMenuItem*> FItems;
    std::unique_ptr<TMenuActionLink> FActionLink;
};

/// A tree of menu items under the root Items.
class TMenu : public TComponent {
    PRICETAGS_CLASS(TMenu, TComponent)
public:
    explicit TMenu(TComponent* AOwner);
    ~TMenu() override;

    /// The root item (owned by the menu); its sub-items are the menu.
    TMenuItem* Items() const { return FItems; }
    /// Images of the items (a free notification clears it).
    TCustomImageList* Images() const { return FImages; }
    void SetImages(TCustomImageList* Value);
    /// Finds a reachable item with the key's short-cut (its action updated
    /// first) and clicks it; true when one was found.
    bool IsShortCut(TWMKey& Message);
    /// The item with ShortCut, searched depth first; null when none.
    TMenuItem* FindShortCut(TShortCut ShortCut) const;
    /// Called when an item of the tree changed (the menu bar rebuilds).
    virtual void MenuChanged(TMenuItem* Source);

    TNotifyEvent OnChange;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

    TMenuItem* FItems;
    TCustomImageList* FImages = nullptr;
};

/// The menu bar of a form (TCustomForm::SetMenu): the visible items of
/// Items stand in a row in the band above the form's client area. A click
/// on an item, Alt with the character its caption marks, or F10 (the first
/// item) drops its sub-items down (the item's OnClick runs first, as the
/// menu opens); an item without sub-items is clicked at once. Disabled
/// items are grey and take no clicks.
class TMainMenu : public TMenu {
    PRICETAGS_CLASS(TMainMenu, TMenu)
public:
    explicit TMainMenu(TComponent* AOwner);
    ~TMainMenu() override;

    /// The form whose bar shows this menu; null when none.
    TCustomForm* Form() const { return FForm; }
    void MenuChanged(TMenuItem* Source) override;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    friend class TCustomForm;
    TCustomForm* FForm = nullptr;
};

enum TPopupAlignment { paLeft, paRight, paCenter };

class TPopupMenu : public TMenu {
    PRICETAGS_CLASS(TPopupMenu, TMenu)
public:
    explicit TPopupMenu(TComponent* AOwner);
    ~TPopupMenu() override;

    /// Shows the menu at a screen point (Alignment says which side of the
    /// menu lies there): OnPopup, the actions of the items updated, the
    /// choice made, and the chosen item clicked after the menu closed.
    virtual void Popup(int X, int Y);
    /// Shown by a right click on a control whose PopupMenu it is.
    bool AutoPopup() const { return FAutoPopup; }
    void SetAutoPopup(bool Value) { FAutoPopup = Value; }
    TPopupAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TPopupAlignment Value) { FAlignment = Value; }
    /// The component the menu was last shown for (set by the right click).
    TComponent* PopupComponent() const { return FPopupComponent; }
    void SetPopupComponent(TComponent* Value);
    /// The screen point of the last Popup.
    TPoint PopupPoint() const { return FPopupPoint; }

    TNotifyEvent OnPopup;

protected:
    virtual void DoPopup(TObject* Sender);
    void Notification(TComponent* AComponent, TOperation Operation) override;

    bool FAutoPopup = true;
    TPopupAlignment FAlignment = paLeft;
    TComponent* FPopupComponent = nullptr;
    TPoint FPopupPoint;
};

// ---- hooks for tests ---------------------------------------------------------------------

/// Chooses an item of a pop-up menu shown at Point: the item to click, or
/// null for none.
using PopupMenuHook = std::function<TMenuItem*(TPopupMenu& Menu, TPoint Point)>;
void SetPopupMenuHook(PopupMenuHook Hook);

class PopupMenuHookScope {
public:
    explicit PopupMenuHookScope(PopupMenuHook Hook);
    ~PopupMenuHookScope();
    PopupMenuHookScope(const PopupMenuHookScope&) = delete;
    PopupMenuHookScope& operator=(const PopupMenuHookScope&) = delete;
};

/// Chooses an item of a drop-down menu of a form's menu bar: Parent is the
/// bar's item whose sub-items drop down with their top-left at Point
/// (screen). The item to click, or null for none.
using MenuBarHook = std::function<TMenuItem*(TMenuItem& Parent, TPoint Point)>;
void SetMenuBarHook(MenuBarHook Hook);

class MenuBarHookScope {
public:
    explicit MenuBarHookScope(MenuBarHook Hook);
    ~MenuBarHookScope();
    MenuBarHookScope(const MenuBarHookScope&) = delete;
    MenuBarHookScope& operator=(const MenuBarHookScope&) = delete;
};

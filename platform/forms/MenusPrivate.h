#pragma once

// Inside of the menus (platform/forms .cpp files only): what the pop-up
// menus and the menu bar share.

#include "platform/forms/Menus.h"

#include <QPoint>

/// Whether Item still lies in the tree under Root (a handler may have freed it).
bool InMenuTree(const TMenuItem* Root, const TMenuItem* Item);
/// Updates the actions of every item under Item, as a menu does before it opens.
void UpdateItemActions(TMenuItem* Item);
/// Shows the sub-items of Parent as the window system's menu at a screen
/// point and waits for the choice: the chosen item, or null. With Move,
/// Left and Right close the menu and set it to -1 or 1 (the menu bar then
/// opens its neighbouring item).
TMenuItem* ExecMenuItems(TMenuItem* Parent, TCustomImageList* Images, QPoint At, TPopupAlignment Alignment,
    int* Move);
/// Clicks the chosen item after its menu has closed, only while it is
/// still in the menu under Root and reachable.
void RunMenuChoice(TMenuItem* Root, TMenuItem* Chosen);

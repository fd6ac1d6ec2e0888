#pragma once

// The settings dialog's keyword tree, kept in a file of its own: the tree's
// header cannot share a file with the common controls' header.

#include "platform/rtl/AnsiString.h"

#include <initializer_list>

class TFormCFG;
class TWinControl;
class Tyl_VirtualStringTree;

/// The tree "vsImport" on Page, with its three columns; its texts come from
/// Form->CellText and a double click runs Form->EditKeywords.
Tyl_VirtualStringTree* MakeImportTree(TFormCFG* Form, TWinControl* Page);
[[nodiscard]] AnsiString ImportTreeLayout(Tyl_VirtualStringTree* Tree);
void SetImportTreeLayout(Tyl_VirtualStringTree* Tree, const AnsiString& Layout);
/// The focused row, else the first selected one; -1 for none.
[[nodiscard]] int ImportTreeFocusedIndex(Tyl_VirtualStringTree* Tree);
/// Sizes the tree to Count rows and repaints it.
void SetImportTreeRows(Tyl_VirtualStringTree* Tree, int Count);
void RepaintImportTree(Tyl_VirtualStringTree* Tree);
/// Selects Rows (as a Ctrl selection does) and puts the focus on Focused.
void SelectImportTreeRows(Tyl_VirtualStringTree* Tree, std::initializer_list<int> Rows,
                          int Focused);

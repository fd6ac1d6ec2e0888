#pragma once

// TFormSprList: the reference-list editor. It shows a keyed string list
// (T_BaseStrList, not owned) in a virtual list view and lets the operator
// select an item (every mode), add, change, delete and re-link items
// (mode 1) or check items (mode 3). A caller fills a TSprListConfig and
// runs ExecSprList; the record carries the list, the texts, the mode and
// optional handlers, and gets the result back.
//
// Placement is kept per mode and list: the window is named "FrmSL" (mode
// 1), "FrmCN" (mode 2) or "FrmCL" (mode 3) followed by the list's Name.

#include "platform/classes/Events.h"
#include "platform/forms/Forms.h"
#include "platform/rtl/AnsiString.h"
#include "platform/rtl/Types.h"

class T_BaseStrItem;
class T_BaseStrList;
class TExLabel;
class TListColumns;
class TListItem;
class TListColumn;
class TListView;
class TToolBar;
class TToolButton;
class TFormSprList;

/// Builds the list view's columns (each column's Tag is the item column
/// shown, T_BaseStrItem::GetColumnText).
using TSprSetupColumnsEvent = MethodPointer<void(TFormSprList* Sender, TListColumns* Columns)>;
/// Supplies the text of a new item; false refuses the item.
using TSprNewItemEvent = MethodPointer<bool(TFormSprList* Sender, T_BaseStrItem* Item)>;
/// Edits an item in place of the built-in prompt; false: nothing changed.
using TSprEditItemEvent = MethodPointer<bool(TFormSprList* Sender, T_BaseStrItem* Item)>;
/// Confirms the deletion of an item; true deletes it.
using TSprDeleteItemEvent = MethodPointer<bool(TFormSprList* Sender, T_BaseStrItem* Item)>;

struct TSprListConfig {
    /// Window caption; empty means "Справочник".
    AnsiString Caption;
    AnsiString Header;
    /// The list edited (not owned).
    T_BaseStrList* List = nullptr;
    /// The Id selected on entry; on OK the chosen item's Id.
    Integer SelectedId = -1;
    /// 1 editing and selection, 2 selection only, 3 check list.
    Integer Mode = 1;
    TSprSetupColumnsEvent OnSetupColumns;
    Integer HelpContext = 0;
    TSprNewItemEvent OnNewItem;
    TSprEditItemEvent OnEditItem;
    TSprDeleteItemEvent OnDeleteItem;
    /// True when the window was closed with OK.
    bool Result = false;
};

/// Clears the texts and handlers: no list, SelectedId -1, mode 1.
void InitSprListConfig(TSprListConfig& Config);
/// Runs the editor modally over Config.List (its check marks cleared
/// first, its sort kind restored afterwards); sets Result and, on OK,
/// SelectedId.
void ExecSprList(TSprListConfig& Config);
/// A selection run (mode 2) preselecting Id; Id receives the chosen
/// item's Id, or -1 when cancelled. True on OK.
bool SelectFromSprList(const AnsiString& Caption, const AnsiString& Header, T_BaseStrList* List,
                       Integer HelpContext, Integer& Id);

class TFormSprList : public TForm {
    PRICETAGS_CLASS(TFormSprList, TForm)
public:
    explicit TFormSprList(TComponent* AOwner);
    ~TFormSprList() override;

    /// Hands the list, mode and handlers of Config to the window.
    void Setup(const TSprListConfig& Config);
    Integer SelectedId() const { return FSelectedId; }
    Integer Mode() const { return FMode; }
    T_BaseStrList* List() const { return FList; }
    /// The selected item; none in mode 1 when nothing is selected, in the
    /// other modes "Не выбрано" stops the command.
    T_BaseStrItem* CurrentItem();

    // The commands, as the buttons, keys and clicks run them.
    void AddItem();
    void ChangeItem();
    void MoveItem();
    void DeleteItem();
    void ToggleCheck();
    void CheckAll(bool Value);
    void OkCommand();
    /// Sorts as a click on the column does, keeping the current item.
    void SortByColumn(int ColumnIndex);

    TExLabel* lbMode;
    TToolBar* barList;
    TToolButton* btOk;
    TToolButton* btCancel;
    TToolButton* btAdd;
    TToolButton* btChange;
    TToolButton* btMove;
    TToolButton* btDel;
    TListView* lvs;

private:
    void BuildControls();
    void FormShow(TObject* Sender);
    void FormClose(TObject* Sender, TCloseAction& Action);
    void FormKeyDown(TObject* Sender, Word& Key, TShiftState Shift);
    void FormResize(TObject* Sender);
    void lvsData(TObject* Sender, TListItem* Item);
    void lvsColumnClick(TObject* Sender, TListColumn* Column);
    void lvsDblClick(TObject* Sender);
    void ButtonClick(TObject* Sender);
    /// Stops with "Не выбрано" or "Данная позиция изменению не подлежит"
    /// unless the current item may be changed.
    T_BaseStrItem* ChangeableItem();
    /// Sorts the list and shows it again with the item of Id selected.
    void Refill(Integer Id);
    AnsiString PlacementName() const;

    T_BaseStrList* FList = nullptr;
    Integer FSelectedId = -1;
    Integer FMode = 1;
    TSprNewItemEvent FOnNewItem;
    TSprEditItemEvent FOnEditItem;
    TSprDeleteItemEvent FOnDeleteItem;
};

#pragma once

// TValueListEditor: a two-column grid over a list of "Key=Value" lines
// (Strings), one line per row below the title row. The key column is shown
// only; values are edited in place unless their row's ItemProps are
// ReadOnly. A row whose ItemProps have a pick list shows a drop-down
// button: a click on it, Alt+Down or F4 drops the list down, a double
// click takes the next value of the list; a value chosen from the list is
// taken even on a read-only row (the row then takes no typing, only the
// list's values).
//
// ItemProps belong to a key (case ignored): they are made on first use and
// stay with the key while the lines change.

#include "platform/classes/Sets.h"
#include "platform/forms/Grids.h"
#include "platform/rtl/AnsiString.h"

#include <map>
#include <memory>

class TStringList;
class TStrings;
class TValueListEditor;

enum TEditStyle { esSimple, esEllipsis, esPickList };
enum TDisplayOption { doColumnTitles, doAutoColResize, doKeyColFixed };
using TDisplayOptions = EnumSet<TDisplayOption>;

/// How the value of one key is edited.
class TItemProp : public TPersistent {
    PRICETAGS_CLASS(TItemProp, TPersistent)
public:
    explicit TItemProp(TValueListEditor* AOwner);
    ~TItemProp() override;
    void Assign(TPersistent* Source) override;

    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool Value);
    /// esPickList while the pick list has lines and no other style was set.
    TEditStyle EditStyle() const;
    void SetEditStyle(TEditStyle Value);
    /// The values offered by the drop-down list (made on first use, owned).
    TStrings* PickList();
    bool HasPickList() const;
    const AnsiString& EditMask() const { return FEditMask; }
    void SetEditMask(const AnsiString& Value);
    /// Longest value the user may type (0: no limit).
    int MaxLength() const { return FMaxLength; }
    void SetMaxLength(int Value);

private:
    void Changed();
    void PickListChanged(TObject* Sender);

    TValueListEditor* FOwner;
    bool FReadOnly = false;
    TEditStyle FEditStyle = esSimple;
    std::unique_ptr<TStringList> FPickList;
    AnsiString FEditMask;
    int FMaxLength = 0;
};

/// The editor of a value list: a masked edit with a button at its right
/// edge for rows with a pick list (or an ellipsis).
class TInplaceEditList : public TInplaceEdit {
    PRICETAGS_CLASS(TInplaceEditList, TInplaceEdit)
public:
    explicit TInplaceEditList(TComponent* AOwner);
    ~TInplaceEditList() override;

    TEditStyle EditStyle() const { return FEditStyle; }
    /// The values of the current row's drop-down list.
    TStrings* PickList() const;
    /// Shows the pick list below the editor and takes the chosen value.
    void DropDown();
    /// Width of the button at the right edge (SM_CXVSCROLL).
    int ButtonWidth() const { return FButtonWidth; }
    void UpdateContents() override;

protected:
    void BoundsChanged() override;
    void Paint(HDC DC) override;
    void KeyDown(Word& Key, TShiftState Shift) override;
    void DblClick() override;
    void WMLButtonDown(TWMMouse& Message) override;
    void WMSetCursor(TWMSetCursor& Message) override;
    /// Sets the text to the pick list's value Index and stores it in the cell.
    void TakeValue(int Index);

private:
    TValueListEditor* ListGrid() const;
    bool OverButton(int X) const;

    TEditStyle FEditStyle = esSimple;
    std::unique_ptr<TStringList> FPickList;
    int FButtonWidth;
};

class TValueListEditor : public TCustomGrid {
    PRICETAGS_CLASS(TValueListEditor, TCustomGrid)
public:
    explicit TValueListEditor(TComponent* AOwner);
    ~TValueListEditor() override;

    /// The "Key=Value" lines (owned); changing them updates the rows.
    TStrings* Strings() const;
    void SetStrings(TStrings* Value);
    /// Key of a grid row (the first data row is 1 with titles shown);
    /// raises EInvalidGridOperation "Grid index out of range" for a row
    /// without a line.
    AnsiString Keys(int ARow) const;
    void SetKeys(int ARow, const AnsiString& Value);
    /// Value of the first line with Key (case ignored); '' when none.
    /// Setting it adds a line when the key is missing.
    AnsiString Values(const AnsiString& Key) const;
    void SetValues(const AnsiString& Key, const AnsiString& Value);
    /// The grid row of the first line with Key; false when none.
    bool FindRow(const AnsiString& KeyName, int& Row) const;
    /// Adds a line (Append) or puts it before the current row; its grid row.
    int InsertRow(const AnsiString& KeyName, const AnsiString& Value, bool Append);
    /// Takes out the line of grid row ARow.
    void DeleteRow(int ARow);
    /// The editing properties of a key (made on first use, owned).
    TItemProp* ItemProps(const AnsiString& Key);
    /// The editing properties of the key of a grid row.
    TItemProp* ItemPropsOfRow(int ARow);
    /// Text of a cell: the title row, keys in column 0, values in column 1.
    AnsiString Cells(int ACol, int ARow) const;
    void SetCells(int ACol, int ARow, const AnsiString& Value);
    /// Titles of the key and value columns ("Key", "Value" at first).
    TStrings* TitleCaptions() const;
    void SetTitleCaptions(TStrings* Value);
    TDisplayOptions DisplayOptions() const { return FDisplayOptions; }
    void SetDisplayOptions(TDisplayOptions Value);
    /// Number of lines.
    int RowCountOfStrings() const;

    TNotifyEvent OnStringsChange;

protected:
    friend class TInplaceEditList;
    friend class TItemProp;

    void DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState) override;
    bool SelectCell(int ACol, int ARow) override;
    AnsiString GetEditText(int ACol, int ARow) override;
    void SetEditText(int ACol, int ARow, const AnsiString& Value) override;
    AnsiString GetEditMask(int ACol, int ARow) override;
    int GetEditLimit() override;
    bool CanEditModify() override;
    TInplaceEdit* CreateEditor() override;
    void WMSize(TWMSize& Message) override;
    void ColWidthsChanged() override;
    /// The line index of a grid row; -1 for the title row or past the lines.
    int LineOf(int ARow) const;
    /// Rows and column widths after the lines or options changed.
    void StringsChanged(TObject* Sender);
    void TitlesChanged(TObject* Sender);
    void AdjustColWidths();
    /// A property of a key changed: the editor and the row follow.
    void ItemPropChanged();

private:
    std::unique_ptr<TStringList> FStrings;
    std::unique_ptr<TStringList> FTitleCaptions;
    /// Properties by key in upper case.
    std::map<AnsiString, std::unique_ptr<TItemProp>> FItemProps;
    TDisplayOptions FDisplayOptions = {doColumnTitles, doAutoColResize, doKeyColFixed};
    bool FAdjusting = false;
    /// The editor's text is being stored into its cell.
    bool FStoringEdit = false;
};

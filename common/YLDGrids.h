#pragma once

// Owner-drawn grids of the windows: the value checks of typed cell texts,
// the pick-list box and in-place editors (YLDGridsEdit.cpp), the draw grid
// with fixed-cell buttons, a cell colour query, an update count and edit
// events (YLDGrids.cpp), the column collection (YLDGridsColumns.cpp) and
// the data grid that draws its cells from the columns and asks its window
// for every text (YLDGridsData.cpp).
//
// The grids keep no cell data: texts come from OnGetEditText and go back
// through OnSetEditText. Rows and columns are 0-based grid indexes unless a
// name says Data (DataRow counts from the first non-fixed row). Texts are
// CP1251; the checks read the current FormatSettings.

#include "platform/classes/Collection.h"
#include "platform/gui/Grids.h"
#include "platform/gui/StdCtrls.h"

#include <memory>

class TBitmap;
class TCustomImageList;
class TFont;
class TPopupMenu;
class TStrings;
class Tyl_CustomDrawGrid;
class Tyl_DataDrawGrid;

// ---- value checks ------------------------------------------------------------------------------

// The unit's own routines live in this namespace: DateOrderOf here orders
// dates month first by default, unlike the date unit's, and RemoveChars
// here fills a result parameter beside YLDCompn's returning one.
namespace YLDGrids {

/// Whether Text, cleaned by CleanNumStr, is a number ("0" is one, "" and
/// "abc" are not). Flag has no effect.
[[nodiscard]] bool IsFloatText(const AnsiString& Text, bool Flag = false);
/// Splits Text at Sep: First takes the part before the first Sep, Second
/// the next part, Third the rest; parts no separator reaches keep their
/// values. The separators found: 0..3 (3 means "more than two").
int SplitAtSeparator(const AnsiString& Text, char Sep, AnsiString& First, AnsiString& Second,
                     AnsiString& Third);
enum DateOrder { doMDY = 0, doDMY = 1, doYMD = 2 };
/// The order of a date format by its first D, M, Y or E (case ignored);
/// month-day-year when it has none.
[[nodiscard]] int DateOrderOf(const AnsiString& DateFormat);
/// Whether Text can still become a date of ShortDateFormat: empty parts
/// pass, at most two DateSeparators, day < 32, month < 13, year of at most
/// four digits.
[[nodiscard]] bool IsDateText(const AnsiString& Text);
/// The same for a time: hours < 25, minutes < 60, seconds below 60 with a
/// fraction allowed.
[[nodiscard]] bool IsTimeText(const AnsiString& Text);
/// Result := Text without any character of Chars.
void RemoveChars(const AnsiString& Chars, const AnsiString& Text, AnsiString& Result);
/// Result := Text without blanks and ThousandSeparators (when it differs
/// from DecimalSeparator); "" becomes "0" and "-" becomes "-0".
void CleanFloatText(const AnsiString& Text, AnsiString& Result);

} // namespace YLDGrids

// ---- columns ----------------------------------------------------------------------------------

enum TColumnFormat { cfString, cfNumber, cfDate, cfTime, cfInteger, cfCurrency };
enum TColumnButtonStyle { cbsAuto, cbsEllipsis, cbsNone };
enum TInplaceEditStyle { ieSimple, ieEllipsis, iePickList };
enum Tyl_DataDrawGridOption { dgoAppendRow, dgoInsertRow, dgoDeleteRow };
using Tyl_DataDrawGridOptions = EnumSet<Tyl_DataDrawGridOption>;
PTypeInfo TypeInfoOf(const TColumnFormat*);
PTypeInfo TypeInfoOf(const TColumnButtonStyle*);
PTypeInfo TypeInfoOf(const TInplaceEditStyle*);
PTypeInfo TypeInfoOf(const Tyl_DataDrawGridOption*);
PTypeInfo TypeInfoOf(const Tyl_DataDrawGridOptions*);

class TColumn;

/// The title cell of a column; its assigned flags live in the column.
class TColumnTitle : public TPersistent {
    PRICETAGS_CLASS(TColumnTitle, TPersistent)
public:
    explicit TColumnTitle(TColumn* Column);
    ~TColumnTitle() override;

    void Assign(TPersistent* Source) override;
    TColumn* Column() const { return FColumn; }
    /// "" when not assigned.
    AnsiString Caption() const;
    virtual void SetCaption(const AnsiString& Value);
    /// taLeftJustify when not assigned.
    TAlignment Alignment() const;
    void SetAlignment(TAlignment Value);
    /// The grid's font (the column's without a grid) when not assigned.
    TFont* Font();
    void SetFont(TFont* Value);
    virtual void RestoreDefaults();

private:
    friend class TColumn;
    void FontChanged(TObject* Sender);
    void RefreshDefaultFont();

    TColumn* FColumn;
    AnsiString FCaption;
    TAlignment FAlignment = taLeftJustify;
    std::unique_ptr<TFont> FFont;
};

/// One grid column: width, title, format, editor and look. Appearance
/// values follow the grid until they are assigned.
class TColumn : public TCollectionItem {
    PRICETAGS_CLASS(TColumn, TCollectionItem)
public:
    explicit TColumn(TCollection* Collection);
    ~TColumn() override;

    void Assign(TPersistent* Source) override;
    /// The grid of the collection; null outside one.
    Tyl_DataDrawGrid* Grid() const;
    virtual void RestoreDefaults();

    bool AutoSize() const { return FAutoSize; }
    /// True clears AutoSize on every other column and fits this one.
    void SetAutoSize(bool Value);
    AnsiString Caption() const;
    void SetCaption(const AnsiString& Value);
    int MinWidth() const { return FMinWidth; }
    void SetMinWidth(int Value) { FMinWidth = Value; }
    /// Own width when assigned; else the grid's width of the column; else
    /// the grid's DefaultColWidth (64 without a grid).
    int Width() const;
    void SetWidth(int Value);
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int Value);
    const AnsiString& EditMask() const { return FEditMask; }
    void SetEditMask(const AnsiString& Value) { FEditMask = Value; }
    int MaxLength() const { return FMaxLength; }
    void SetMaxLength(int Value) { FMaxLength = Value; }
    bool LimitToList() const { return FLimitToList; }
    void SetLimitToList(bool Value) { FLimitToList = Value; }
    TAlignment Alignment() const;
    virtual void SetAlignment(TAlignment Value);
    TColumnButtonStyle ButtonStyle() const { return FButtonStyle; }
    void SetButtonStyle(TColumnButtonStyle Value);
    TColumnFormat Format() const { return FFormat; }
    /// A new format clears DisplayMask.
    void SetFormat(TColumnFormat Value);
    /// The grid's Color (clWindow without a grid) when not assigned.
    TColor Color() const;
    void SetColor(TColor Value);
    int DropDownRows() const { return FDropDownRows; }
    void SetDropDownRows(int Value) { FDropDownRows = Value; }
    /// The grid's font (own object without a grid) when not assigned.
    TFont* Font();
    void SetFont(TFont* Value);
    /// Created empty on first read; owned by the column.
    TStrings* PickList();
    /// Null frees the list; another list is copied.
    void SetPickList(TStrings* Value);
    bool HasPickItems() const;
    TPopupMenu* PopupMenu() const { return FPopupMenu; }
    void SetPopupMenu(TPopupMenu* Value);
    /// Not assigned: True unless the grid's Options hold goEditing.
    bool ReadOnly() const;
    virtual void SetReadOnly(bool Value);
    TColumnTitle* Title() const { return FTitle.get(); }
    void SetTitle(TColumnTitle* Value) { FTitle->Assign(Value); }
    const AnsiString& DisplayMask() const { return FDisplayMask; }
    virtual void SetDisplayMask(const AnsiString& Value) { FDisplayMask = Value; }
    int InternalCol() const { return FInternalCol; }
    int Tag() const { return FTag; }
    void SetTag(int Value) { FTag = Value; }

    /// Which values are assigned rather than followed from the grid.
    enum AssignedValue { cvColor, cvWidth, cvFont, cvAlignment, cvReadOnly, cvTitleCaption,
                         cvTitleAlignment, cvTitleFont };
    bool IsAssigned(AssignedValue V) const { return FAssigned.Contains(V); }

protected:
    virtual TColumnTitle* CreateTitle();
    /// The grid's default font for unassigned fonts.
    TFont* DefaultFont() const;
    int DefaultWidth() const;

private:
    friend class TColumnTitle;
    friend class Tyl_DataDrawGrid;
    void FontChanged(TObject* Sender);
    void RefreshDefaultFont();
    void Notify() { Changed(false); }

    bool FAutoSize = false;
    int FMinWidth = 0;
    int FWidth = 0;
    int FImageIndex = -1;
    AnsiString FEditMask;
    int FMaxLength = 0;
    bool FLimitToList = false;
    TAlignment FAlignment = taLeftJustify;
    TColumnButtonStyle FButtonStyle = cbsAuto;
    TColumnFormat FFormat = cfString;
    TColor FColor = clWindow;
    int FDropDownRows = 7;
    std::unique_ptr<TFont> FFont;
    std::unique_ptr<TStrings> FPickList;
    TPopupMenu* FPopupMenu = nullptr;
    bool FReadOnly = false;
    std::unique_ptr<TColumnTitle> FTitle;
    AnsiString FDisplayMask;
    int FInternalCol = -1;
    int FTag = 0;
    EnumSet<AssignedValue> FAssigned;
};

/// The columns of a data grid; the grid owns them.
class Tyl_DataDrawGridColumns : public TCollection {
    PRICETAGS_CLASS(Tyl_DataDrawGridColumns, TCollection)
public:
    Tyl_DataDrawGridColumns(Tyl_DataDrawGrid* Grid, TCollectionItemClass ItemClass);
    ~Tyl_DataDrawGridColumns() override;

    Tyl_DataDrawGrid* Grid() const { return FGrid; }
    /// The column at Index (EListError outside the range).
    TColumn* GetItem(int Index) const;
    TColumn* operator[](int Index) const { return GetItem(Index); }
    TColumn* Add();

protected:
    TPersistent* GetOwner() override;
    void Update(TCollectionItem* Item) override;

private:
    Tyl_DataDrawGrid* FGrid;
};

// ---- editors ----------------------------------------------------------------------------------

/// The drop-down list of an editor's pick list: a top-level tool window
/// that does not take the focus, with incremental search by typed prefix.
class TPopupListbox : public TCustomListBox {
    PRICETAGS_CLASS(TPopupListbox, TCustomListBox)
public:
    explicit TPopupListbox(TComponent* AOwner);
    ~TPopupListbox() override;

    /// Typed prefix (at most 32 characters) and the tick of its last key.
    AnsiString SearchText;
    DWORD SearchTick = 0;

    using TCustomListBox::KeyPress;
    using TCustomListBox::MouseUp;

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void Dispatch(TMessage& Message) override;
    /// The items inside a frame that parts the list from the grid under it.
    void PaintWindow(HDC DC) override;
    void KeyPress(char& Key) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
};

/// The editor of Tyl_CustomDrawGrid: the grid's masked editor with an
/// ellipsis button or a drop-down pick list at its right edge.
class Tyl_InplaceEdit : public TInplaceEdit {
    PRICETAGS_CLASS(Tyl_InplaceEdit, TInplaceEdit)
public:
    explicit Tyl_InplaceEdit(TComponent* AOwner);
    ~Tyl_InplaceEdit() override;

    int EditCol = -1;
    int EditRow = -1;
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);
    int ButtonWidth() const { return FButtonWidth; }
    TInplaceEditStyle EditStyle() const { return FEditStyle; }
    virtual void SetEditStyle(TInplaceEditStyle Value);
    TPopupListbox* PickList() const { return FPickList; }
    TPopupListbox* ActiveList() const { return FActiveList; }
    bool ListVisible() const { return FListVisible; }
    bool ButtonPressed() const { return FButtonPressed; }
    /// The button at the right edge in client pixels.
    TRect ButtonRect();
    virtual void ShowPickList();
    /// Hides the list; with Accept its selected item becomes the text.
    void HidePickList(bool Accept);
    void UpdateContents() override;
    Tyl_CustomDrawGrid* DrawGrid() const;

protected:
    void CreateParams(TCreateParams& Params) override;
    void BoundsChanged() override;
    void PaintWindow(HDC DC) override;
    void WndProc(TMessage& Message) override;
    void KeyDown(Word& Key, TShiftState Shift) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void WMKillFocus(TWMKillFocus& Message) override;
    void WMCancelMode(TMessageRecord& Message) override;
    void CMCancelMode(TMessageRecord& Message) override;
    /// Draws the button before the text.
    virtual void PaintButton(HDC DC);
    void HandleListKeys(Word& Key, TShiftState Shift);
    void UpdateButtonState(int X, int Y);
    void EndButtonTracking();
    /// The list's items from the grid, sized and placed under the editor.
    void DropList(int Rows, bool Always);

    TAlignment FAlignment = taLeftJustify;
    int FButtonWidth = 0;
    /// Owned by the editor (a component it owns).
    TPopupListbox* FPickList = nullptr;
    TPopupListbox* FActiveList = nullptr;
    TInplaceEditStyle FEditStyle = ieSimple;
    bool FListVisible = false;
    bool FButtonTracking = false;
    bool FButtonPressed = false;
};

/// The data grid's editor: refuses keys and texts its column's format
/// does not take, types today for N/Т in a date or time cell and picks
/// from a read-only pick list by typed prefix.
class Tyl_DataInplaceEdit : public Tyl_InplaceEdit {
    PRICETAGS_CLASS(Tyl_DataInplaceEdit, Tyl_InplaceEdit)
public:
    explicit Tyl_DataInplaceEdit(TComponent* AOwner);
    ~Tyl_DataInplaceEdit() override;

    void SetEditStyle(TInplaceEditStyle Value) override;
    void ShowPickList() override;
    /// Whether Key fits the column's format (it may be changed to the
    /// locale's separator). Raises "Unknown format" for a bad format.
    virtual bool IsValidKey(char& Key);
    /// True when unmodified or empty, else whether the text converts.
    virtual bool IsValidText();
    /// Raises "No valid value" when IsValidText fails.
    void CheckValidText();
    Tyl_DataDrawGrid* DataGrid() const;
    /// The edit's column; null beyond the columns.
    TColumn* Column() const;

protected:
    void BoundsChanged() override;
    void PaintButton(HDC DC) override;
    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyPress(char& Key) override;
    void WMKillFocus(TWMKillFocus& Message) override;
    /// The masked text with the selection replaced by Key, cleaned.
    AnsiString TextWithKey(char Key);
};

/// Typed prefix of the read-only pick-list search, shared by all data
/// editors, and the tick of its last key.
extern AnsiString gPickSearchText;
extern DWORD gPickSearchTick;

// ---- owner-drawn grid -------------------------------------------------------------------------

using TAcceptKeyEvent = MethodPointer<bool(TObject* Sender, char& Key)>;
using TEditLimitEvent = MethodPointer<void(TObject* Sender, int& MaxLength)>;
using TEditShowEvent = MethodPointer<void(TObject* Sender, int ACol, int ARow, bool& AllowEdit)>;
using TFixedCellClickEvent = MethodPointer<void(TObject* Sender, int ACol, int ARow)>;
using TFixedCellCheckEvent = MethodPointer<void(TObject* Sender, int ACol, int ARow, bool& Enabled)>;
using TEditAlignEvent = MethodPointer<void(TObject* Sender, int ACol, int ARow, TAlignment& Alignment)>;
using TPicklistEvent = MethodPointer<void(TObject* Sender, int ACol, int ARow, TStrings* PickList)>;
using TEditStyleEvent = MethodPointer<void(TObject* Sender, int ACol, int ARow, TInplaceEditStyle& Style)>;
using TEditColorEvent = MethodPointer<void(TObject* Sender, int ACol, int ARow, TColor& Color)>;
using TEditFontEvent = MethodPointer<void(TObject* Sender, int ACol, int ARow, TFont* Font)>;

/// The draw grid with fixed cells as push buttons, FixedRowHeight, a cell
/// colour query, an update count that holds back repainting, a focus
/// rectangle round the current row and wheel steps of whole rows.
class Tyl_CustomDrawGrid : public TDrawGrid {
    PRICETAGS_CLASS(Tyl_CustomDrawGrid, TDrawGrid)
public:
    explicit Tyl_CustomDrawGrid(TComponent* AOwner);
    ~Tyl_CustomDrawGrid() override;

    void InvalidateRow(int ARow) override;
    void InvalidateCell(int ACol, int ARow) override;
    void SetOptions(TGridOptions Value) override;
    void BeginUpdate();
    void EndUpdate();
    int UpdateCount() const { return FUpdateCount; }
    virtual int GetRow();
    virtual void SetRow(int Value);
    virtual int GetRowCount();
    virtual void SetRowCount(int Value);
    /// Row and RowCount through the overridable pair (for the registry).
    int RowCountProp() const { return RowCount(); }
    virtual TColor GetCellColor(int ACol, int ARow);
    bool FixedButtons() const { return FFixedButtons; }
    void SetFixedButtons(bool Value);
    int FixedRowHeight() const { return FFixedRowHeight; }
    void SetFixedRowHeight(int Value);
    /// Hides the editor without storing its text; fires OnCancelEdit.
    void CancelEdit();
    bool Canceling() const { return FCanceling; }
    void ClearCanceling() { FCanceling = false; }
    TGridCoord PressedCell() const { return FPressedCell; }
    bool ButtonDown() const { return FButtonDown; }

    // Reached by the editors.
    virtual void EditChange();
    virtual void EditButtonClick();
    virtual TAlignment GetEditAlign(int ACol, int ARow);
    virtual TInplaceEditStyle GetEditStyle(int ACol, int ARow);
    virtual void GetPickList(int ACol, int ARow, TStrings* PickList);
    void SetEditText(int ACol, int ARow, const AnsiString& Value) override;
    AnsiString EditText(int ACol, int ARow) { return GetEditText(ACol, ARow); }
    void GridKeyDown(Word& Key, TShiftState Shift) { KeyDown(Key, Shift); }
    bool IsEditorShown() const;

    TNotifyEvent OnColumnSized;
    TNotifyEvent OnRowSized;
    TAcceptKeyEvent OnAcceptEditKey;
    TEditLimitEvent OnGetEditLimit;
    TNotifyEvent OnEditChange;
    TEditShowEvent OnShowEditor;
    TNotifyEvent OnCancelEdit;
    TFixedCellClickEvent OnFixedCellClick;
    TFixedCellCheckEvent OnCheckButton;
    TNotifyEvent OnChangeFocus;
    TEditAlignEvent OnGetEditAlign;
    TNotifyEvent OnEditButtonClick;
    TPicklistEvent OnGetPicklist;
    TEditStyleEvent OnGetEditStyle;
    TEditColorEvent OnGetEditColor;
    TEditFontEvent OnGetEditFont;

protected:
    void Paint() override;
    void DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState) override;
    TInplaceEdit* CreateEditor() override;
    bool CanEditShow() override;
    bool CanEditAcceptKey(char& Key) override;
    int GetEditLimit() override;
    void InvalidateGrid() override;
    void InvalidateRect(const TGridRect& ARect) override;
    void KeyDown(Word& Key, TShiftState Shift) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    bool DoMouseWheelDown(TShiftState Shift, TPoint MousePos) override;
    bool DoMouseWheelUp(TShiftState Shift, TPoint MousePos) override;
    void TopLeftChanged() override;
    void ColWidthsChanged() override;
    void RowHeightsChanged() override;
    void WMCommand(TWMCommand& Message) override;
    void WMCancelMode(TMessageRecord& Message) override;
    void WMLButtonDblClk(TWMMouse& Message) override;
    void WMRButtonUp(TWMMouse& Message) override;
    void WMSetFocus(TWMSetFocus& Message) override;
    void WMKillFocus(TWMKillFocus& Message) override;

    virtual void FixedCellClick(int ACol, int ARow);
    virtual void CheckButton(int ACol, int ARow, bool& Enabled);
    void TrackFixedButton(int X, int Y);
    void EndFixedTracking();
    /// Repaints after the current row moved from OldRow with the top row at
    /// OldTop: the two rows alone, or the rows the scroll uncovered, and a
    /// range selected before (OldSel) when it held more than one row.
    void RepaintRowMove(const TGridRect& OldSel, int OldRow, int OldTop);
    void ScrollRowMove(int OldRow, int OldTop);

    bool FCanceling = false;
    bool FFixedButtons = false;
    TGridCoord FPressedCell{-1, -1};
    bool FButtonDown = false;
    bool FFixedTracking = false;
    bool FRightButtonMoving = false;
    bool FSavedDefaultDrawing = true;
    int FFixedRowHeight = 18;
    int FUpdateCount = 0;
};

/// The owner-drawn grid with its edit events published.
class Tyl_DrawGrid : public Tyl_CustomDrawGrid {
    PRICETAGS_CLASS(Tyl_DrawGrid, Tyl_CustomDrawGrid)
public:
    explicit Tyl_DrawGrid(TComponent* AOwner);
    ~Tyl_DrawGrid() override;
};

// ---- data grid --------------------------------------------------------------------------------

using TBeforeChangeRowCount = MethodPointer<void(TObject* Sender, int ARow, bool& AllowChange)>;
using TGetImageIndexEvent = MethodPointer<void(TObject* Sender, int ACol, int ARow, int& ImageIndex)>;

/// The grid of the windows' tables: cells drawn from Columns, texts asked
/// from the window, the format-aware editor, and keys that append, insert
/// and delete rows when DataGridOptions allow them.
class Tyl_DataDrawGrid : public Tyl_CustomDrawGrid {
    PRICETAGS_CLASS(Tyl_DataDrawGrid, Tyl_CustomDrawGrid)
public:
    explicit Tyl_DataDrawGrid(TComponent* AOwner);
    ~Tyl_DataDrawGrid() override;

    Tyl_DataDrawGridColumns* Columns() const { return FColumns.get(); }
    /// Copies the given collection.
    void SetColumns(Tyl_DataDrawGridColumns* Value);
    /// The column of a grid column; null beyond the collection.
    TColumn* ColumnOf(int ACol) const;
    int DataRow() { return GetRow() - FixedRows(); }
    void SetDataRow(int Value) { SetRow(Value + FixedRows()); }
    int DataCol() { return Col() - FixedCols(); }
    int DataRowProp() const { return Row() - FixedRows(); }
    int DataColProp() const { return Col() - FixedCols(); }
    void SetDataCol(int Value) { SetCol(Value + FixedCols()); }
    int RowCountMin() const { return FRowCountMin; }
    void SetRowCountMin(int Value);
    Tyl_DataDrawGridOptions DataGridOptions() const { return FDataGridOptions; }
    void SetDataGridOptions(Tyl_DataDrawGridOptions Value) { FDataGridOptions = Value; }
    TCustomImageList* Images() const { return FImages; }
    void SetImages(TCustomImageList* Value);
    bool LayoutLock() const { return FLayoutLock; }
    int BuildState() const { return FBuildState; }

    int GetRow() override;
    void SetRow(int Value) override;
    int GetRowCount() override;
    void SetRowCount(int Value) override;
    TColor GetCellColor(int ACol, int ARow) override;
    virtual int GetImageIndex(int ACol, int ARow);
    TAlignment GetEditAlign(int ACol, int ARow) override;
    TInplaceEditStyle GetEditStyle(int ACol, int ARow) override;
    void GetPickList(int ACol, int ARow, TStrings* PickList) override;
    /// Deletes a grid row after BeforeDelete allowed it and the RowCountMin
    /// rule keeps it no longer.
    virtual void DeleteRow(int ARow);
    /// Appends a row after the last (BeforeInsert may refuse).
    void AppendRow();
    /// Inserts a row at ARow, moving the texts below down by one.
    void InsertRow(int ARow);
    /// Whether the data editor hands Key to the grid as a row key.
    bool IsRowKey(Word Key, TShiftState Shift);
    /// Fits the AutoSize column into the client width.
    void FitAutoSize();
    /// Shows column ACol at Width without making it the column's own
    /// width (the layout lock is held meanwhile).
    void SetLayoutColWidth(int ACol, int Width);
    Tyl_DataInplaceEdit* DataEditor() const;

    TBeforeChangeRowCount BeforeDelete;
    TBeforeChangeRowCount BeforeInsert;
    TGetEditEvent OnGetEditMask;
    TGetImageIndexEvent OnGetImageIndex;

protected:
    friend class TColumn;
    friend class Tyl_DataDrawGridColumns;
    virtual Tyl_DataDrawGridColumns* CreateColumns();
    virtual void DrawDataCell(TObject* Sender, int ACol, int ARow, TRect Rect, TGridDrawState State);
    virtual void RowCountMinChanged() {}
    TInplaceEdit* CreateEditor() override;
    AnsiString GetEditMask(int ACol, int ARow) override;
    int GetEditLimit() override;
    void SizeChanged(int OldColCount, int OldRowCount) override;
    void ColumnMoved(int FromIndex, int ToIndex) override;
    void ColWidthsChanged() override;
    void KeyDown(Word& Key, TShiftState Shift) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void WMRButtonUp(TWMMouse& Message) override;
    void WMSize(TWMSize& Message) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void Loaded() override;
    /// Column count follows the collection (outside build and loading).
    void ColumnAdded();
    void ColumnRemoved();
    void ColumnChanged(TColumn* Column);
    void KeepRowSelectKey(Word& Key, TShiftState Shift);

    std::unique_ptr<TBitmap> FBitmap;
    std::unique_ptr<Tyl_DataDrawGridColumns> FColumns;
    int FBuildState = 2;
    int FRowCountMin = 0;
    Tyl_DataDrawGridOptions FDataGridOptions;
    bool FLayoutLock = false;
    /// Freed elsewhere; cleared through Notification.
    TCustomImageList* FImages = nullptr;
    /// Metrics of the canvas font last measured: a text that surely fits
    /// its cell is drawn without measuring it first.
    HFONT FMetricsFont = nullptr;
    int FMaxCharWidth = 0;
    int FLineHeight = 0;
};

#pragma once

// The base grid: TCustomGrid (cell geometry, scrolling, selection,
// keyboard and mouse navigation, column and row sizing and moving, the
// in-place editor's life cycle), TDrawGrid (cells drawn by OnDrawCell,
// texts from OnGetEditText/OnSetEditText), TStringGrid (keeps a string and
// an object per cell) and TInplaceEdit (the masked edit shown over the
// current cell).
//
// Coordinates: columns and rows are 0-based; the first FixedCols columns
// and FixedRows rows do not scroll. Pixels are client pixels of the grid;
// a cell's rectangle excludes the grid line that follows it. The scroll
// bars are drawn by the grid at the right and bottom edge of its window and
// are not part of ClientRect.
//
// Editing: with goEditing the editor is shown by F2, Enter, a typed
// character or a click on the current cell (always, with
// goAlwaysShowEditor). It loads GetEditText and GetEditMask of the cell;
// every change of its text is stored with SetEditText (the editor sends
// EN_CHANGE to the grid); hiding it stores the text once more.

#include "platform/classes/Events.h"
#include "platform/classes/Sets.h"
#include "platform/gui/Controls.h"
#include "platform/gui/Mask.h"
#include "platform/gui/StdCtrls.h"

#include <memory>
#include <vector>

class TStrings;

enum TGridOption {
    goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect, goDrawFocusSelected,
    goRowSizing, goColSizing, goRowMoving, goColMoving, goEditing, goTabs, goRowSelect,
    goAlwaysShowEditor, goThumbTracking
};
using TGridOptions = EnumSet<TGridOption>;
enum TGridDrawStateItem { gdSelected, gdFocused, gdFixed };
using TGridDrawState = EnumSet<TGridDrawStateItem>;
enum TGridState { gsNormal, gsSelecting, gsRowSizing, gsColSizing, gsRowMoving, gsColMoving };
PTypeInfo TypeInfoOf(const TGridOption*);
PTypeInfo TypeInfoOf(const TGridOptions*);

struct TGridCoord {
    int X = 0;
    int Y = 0;
    friend bool operator==(const TGridCoord&, const TGridCoord&) = default;
};
/// Left/Top and Right/Bottom are the column and row of two corners (inclusive).
struct TGridRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    friend bool operator==(const TGridRect&, const TGridRect&) = default;
};

/// Geometry of one axis as the grid lays it out now.
struct TGridAxisDrawInfo {
    /// Width of the line after each cell (0 when that axis draws no lines).
    int EffectiveLineWidth = 0;
    /// End of the fixed cells (pixels).
    int FixedBoundary = 0;
    /// End of the last cell drawn (pixels; at most GridExtent).
    int GridBoundary = 0;
    /// Size of the area the cells are drawn in.
    int GridExtent = 0;
    /// The last cell wholly inside GridExtent (at least the first one).
    int LastFullVisibleCell = 0;
    int FullVisBoundary = 0;
    int FixedCellCount = 0;
    /// The first scrolled cell shown (LeftCol or TopRow).
    int FirstGridCell = 0;
    int GridCellCount = 0;
};
struct TGridDrawInfo {
    TGridAxisDrawInfo Horz;
    TGridAxisDrawInfo Vert;
};

/// "Grid index out of range" and the other texts of the grid's errors.
extern const char* const SGridIndexOutOfRange;
extern const char* const SFixedColTooBig;
extern const char* const SFixedRowTooBig;

class TCustomGrid;

using TSelectCellEvent = MethodPointer<void(TObject* Sender, int ACol, int ARow, bool& CanSelect)>;
using TDrawCellEvent = MethodPointer<void(TObject* Sender, int ACol, int ARow, TRect Rect, TGridDrawState State)>;
using TGetEditEvent = MethodPointer<void(TObject* Sender, int ACol, int ARow, AnsiString& Value)>;
using TSetEditEvent = MethodPointer<void(TObject* Sender, int ACol, int ARow, const AnsiString& Value)>;
using TMovedEvent = MethodPointer<void(TObject* Sender, int FromIndex, int ToIndex)>;

/// The editor a grid shows over its current cell. It belongs to the grid
/// (owner and parent) and hands the keys that move between cells to it.
class TInplaceEdit : public TCustomMaskEdit {
    PRICETAGS_CLASS(TInplaceEdit, TCustomMaskEdit)
public:
    explicit TInplaceEdit(TComponent* AOwner);
    ~TInplaceEdit() override;

    TCustomGrid* Grid() const { return FGrid; }
    void SetGrid(TCustomGrid* Value) { FGrid = Value; }
    /// Removes the selection, the caret at the end.
    void Deselect();
    /// Hides the editor; the grid gets the focus back when the editor had it.
    void HideEdit();
    /// Shows the editor over Loc (client pixels of the grid); an empty
    /// rectangle hides it.
    void Move(const TRect& Loc);
    /// Moves without repainting.
    void UpdateLoc(const TRect& Loc);
    bool PosEqual(const TRect& Rect) const;
    /// Focuses the editor when it is shown.
    void SetFocus() override;
    bool Showing() const override;
    /// Loads the current cell's mask, text and limit from the grid.
    virtual void UpdateContents();

protected:
    void CreateParams(TCreateParams& Params) override;
    void NotifyChanged() override;
    bool EditCanModify() override;
    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyPress(char& Key) override;
    void KeyUp(Word& Key, TShiftState Shift) override;
    void DblClick() override;
    bool DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) override;
    /// Sets the formatting rectangle after a move (2, 2, Width - 2, Height).
    virtual void BoundsChanged();
    void WMGetDlgCode(TMessageRecord& Message) override;
    void WMSetFocus(TWMSetFocus& Message) override;
    void WMKillFocus(TWMKillFocus& Message) override;
    void InternalMove(const TRect& Loc, bool Redraw);

    TCustomGrid* FGrid = nullptr;
};

class TCustomGrid : public TCustomControl {
    PRICETAGS_CLASS(TCustomGrid, TCustomControl)
public:
    explicit TCustomGrid(TComponent* AOwner);
    ~TCustomGrid() override;

    // Geometry.
    int ColCount() const { return FColCount; }
    void SetColCount(int Value);
    int RowCount() const { return FRowCount; }
    void SetRowCount(int Value);
    int FixedCols() const { return FFixedCols; }
    /// Raises EInvalidGridOperation SFixedColTooBig when Value >= ColCount,
    /// SGridIndexOutOfRange when negative.
    void SetFixedCols(int Value);
    int FixedRows() const { return FFixedRows; }
    void SetFixedRows(int Value);
    int DefaultColWidth() const { return FDefaultColWidth; }
    /// Sets every column to Value.
    void SetDefaultColWidth(int Value);
    int DefaultRowHeight() const { return FDefaultRowHeight; }
    void SetDefaultRowHeight(int Value);
    /// Width of column Index; raises SGridIndexOutOfRange outside 0..ColCount-1.
    int ColWidths(int Index) const;
    void SetColWidths(int Index, int Value);
    int RowHeights(int Index) const;
    void SetRowHeights(int Index, int Value);
    /// Whether Tab stops at column Index (goTabs).
    bool TabStops(int Index) const;
    void SetTabStops(int Index, bool Value);
    int GridLineWidth() const { return FGridLineWidth; }
    void SetGridLineWidth(int Value);
    /// Total width and height of all cells and lines.
    int GridWidth() const;
    int GridHeight() const;

    // Position and selection.
    int Col() const { return FCurrent.X; }
    void SetCol(int Value);
    int Row() const { return FCurrent.Y; }
    void SetRow(int Value);
    int LeftCol() const { return FTopLeft.X; }
    void SetLeftCol(int Value);
    int TopRow() const { return FTopLeft.Y; }
    void SetTopRow(int Value);
    /// Number of scrolled columns and rows wholly visible (at least 1).
    int VisibleColCount();
    int VisibleRowCount();
    TGridRect Selection() const;
    void SetSelection(const TGridRect& Value);

    // Look and behaviour.
    TGridOptions Options() const { return FOptions; }
    virtual void SetOptions(TGridOptions Value);
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle Value);
    TScrollStyle ScrollBars() const { return FScrollBars; }
    void SetScrollBars(TScrollStyle Value);
    TColor FixedColor() const { return FFixedColor; }
    void SetFixedColor(TColor Value);
    bool DefaultDrawing() const { return FDefaultDrawing; }
    void SetDefaultDrawing(bool Value);
    bool EditorMode() const { return FEditorMode; }
    void SetEditorMode(bool Value);
    TInplaceEdit* InplaceEditor() const { return FInplaceEdit; }

    // Queries.
    /// The visible part of a cell; an empty rectangle when it is not shown.
    TRect CellRect(int ACol, int ARow);
    /// The cell under a client point; (-1, -1) parts outside the cells.
    TGridCoord MouseCoord(int X, int Y);
    void MouseToCell(int X, int Y, int& ACol, int& ARow);
    void CalcDrawInfo(TGridDrawInfo& DrawInfo);
    /// The rectangle of the cells from (ALeft, ATop) to (ARight, ABottom)
    /// that is visible.
    TRect BoxRect(int ALeft, int ATop, int ARight, int ABottom);

    TRect ClientRect() override;

    /// Reaches the protected overridables from the editor.
    friend class TInplaceEdit;

protected:
    // Overridables of cells and editing.
    virtual void DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState) = 0;
    virtual bool SelectCell(int ACol, int ARow);
    virtual AnsiString GetEditText(int ACol, int ARow);
    virtual void SetEditText(int ACol, int ARow, const AnsiString& Value);
    virtual AnsiString GetEditMask(int ACol, int ARow);
    /// Length limit of the editor (0: none).
    virtual int GetEditLimit();
    /// Whether the editor takes a typed character; Key may be changed into
    /// the character the editor takes instead.
    virtual bool CanEditAcceptKey(char& Key);
    virtual bool CanGridAcceptKey(Word Key, TShiftState Shift);
    virtual bool CanEditModify();
    virtual bool CanEditShow();
    virtual TInplaceEdit* CreateEditor();
    virtual void ShowEditor();
    virtual void HideEditor();
    void ShowEditorChar(char Ch);
    void InvalidateEditor();
    /// Shows, moves or hides the editor to match the current cell.
    void UpdateEdit();
    /// Stores the editor's text into its cell.
    void UpdateText();
    void HideEdit();

    // Notifications.
    virtual void ColumnMoved(int FromIndex, int ToIndex);
    virtual void RowMoved(int FromIndex, int ToIndex);
    virtual void ColWidthsChanged();
    virtual void RowHeightsChanged();
    virtual void SizeChanged(int OldColCount, int OldRowCount);
    virtual void TopLeftChanged();
    virtual bool BeginColumnDrag(int& Origin, int& Destination, const TPoint& MousePt);
    virtual bool BeginRowDrag(int& Origin, int& Destination, const TPoint& MousePt);
    virtual bool CheckColumnDrag(int& Origin, int& Destination, const TPoint& MousePt);
    virtual bool CheckRowDrag(int& Origin, int& Destination, const TPoint& MousePt);
    virtual bool EndColumnDrag(int& Origin, int& Destination, const TPoint& MousePt);
    virtual bool EndRowDrag(int& Origin, int& Destination, const TPoint& MousePt);

    // Invalidation.
    virtual void InvalidateCell(int ACol, int ARow);
    virtual void InvalidateCol(int ACol);
    virtual void InvalidateRow(int ARow);
    virtual void InvalidateGrid();
    virtual void InvalidateRect(const TGridRect& ARect);

    // Movement.
    void MoveColRow(int ACol, int ARow, bool MoveAnchor, bool Show);
    void FocusCell(int ACol, int ARow, bool MoveAnchor);
    void MoveCurrent(int ACol, int ARow, bool MoveAnchor, bool Show);
    void MoveAnchor(const TGridCoord& NewAnchor);
    void MoveTopLeft(int ALeft, int ATop);
    void ClampInView(const TGridCoord& Coord);
    void MoveColumn(int FromIndex, int ToIndex);
    void MoveRow(int FromIndex, int ToIndex);
    void DeleteColumn(int ACol);
    void DeleteRow(int ARow);
    void ScrollData(int DX, int DY);
    void ChangeSize(int NewColCount, int NewRowCount);
    /// True while ChangeSize runs (a realign it causes may call back).
    bool ChangingSize() const { return FChangingSize; }
    /// The greatest top-left cell at which Coord is still wholly visible.
    TGridCoord CalcMaxTopLeft(const TGridCoord& Coord, const TGridDrawInfo& DrawInfo);
    TGridCoord CalcCoordFromPoint(int X, int Y, const TGridDrawInfo& DrawInfo);
    void CalcSizingState(int X, int Y, TGridState& State, int& Index, int& SizingPos, int& SizingOfs,
                         const TGridDrawInfo& DrawInfo);
    bool IsActiveControl();
    TGridState GridState() const { return FGridState; }

    // Control overrides.
    void Paint() override;
    void CreateParams(TCreateParams& Params) override;
    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyPress(char& Key) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    bool DoMouseWheelDown(TShiftState Shift, TPoint MousePos) override;
    bool DoMouseWheelUp(TShiftState Shift, TPoint MousePos) override;
    void Loaded() override;

    void WMGetDlgCode(TMessageRecord& Message) override;
    void WMChar(TWMKey& Message) override;
    void WMCommand(TWMCommand& Message) override;
    void WMSetFocus(TWMSetFocus& Message) override;
    void WMKillFocus(TWMKillFocus& Message) override;
    void WMSize(TWMSize& Message) override;
    void WMHScroll(TWMScroll& Message) override;
    void WMVScroll(TWMScroll& Message) override;
    void WMSetCursor(TWMSetCursor& Message) override;
    void WMLButtonDown(TWMMouse& Message) override;
    void WMCancelMode(TMessageRecord& Message) override;
    void CMFontChanged(TMessageRecord& Message) override;
    void CMCancelMode(TMessageRecord& Message) override;

    TGridCoord FAnchor;
    TGridCoord FCurrent;
    TGridCoord FTopLeft;
    TGridState FGridState = gsNormal;
    int FSizingIndex = 0;
    int FSizingPos = 0;
    int FSizingOfs = 0;
    int FMoveIndex = 0;
    int FMovePos = 0;
    bool FEditorMode = false;
    TInplaceEdit* FInplaceEdit = nullptr;
    int FInplaceCol = -1;
    int FInplaceRow = -1;
    bool FCanEditModify = true;
    /// Read by Paint; descendants that paint their own way switch it for
    /// the duration of a paint without the repaint SetDefaultDrawing asks.
    bool FDefaultDrawing = true;

private:
    void CalcAxis(TGridAxisDrawInfo& Axis, bool Horizontal);
    int Extent(bool Horizontal, int Index) const;
    /// Start pixel of cell Index on an axis (scrolled cells after the fixed
    /// ones from the first shown); -1 when it is not shown.
    int CellStart(const TGridAxisDrawInfo& Axis, bool Horizontal, int Index) const;
    void DrawCells(int ACol, int ARow, int StartX, int StartY, int StopX, int StopY, TColor AColor,
                   TGridDrawState IncludeDrawState, const TGridDrawInfo& DrawInfo);
    void DrawLines(const TGridDrawInfo& DrawInfo);
    void DrawScrollBars();
    void SelectionMoved(const TGridRect& OldSel);
    void TopLeftMoved(const TGridCoord& OldTopLeft);
    /// Which scroll bars the grid shows now (sizes depend on each other).
    void CalcScrollBars(bool& Horz, bool& Vert);
    /// Keeps the top-left cell at most at its greatest value (after a resize).
    void ClampTopLeft();
    /// The scroll bar parts under a client point; false when none.
    bool ScrollBarHit(int X, int Y);
    void ScrollAxis(bool Horizontal, int ScrollCode, int Pos);
    void ResizeCol(int Index, int Value);
    void ResizeRow(int Index, int Value);
    int ResizeLine(const TGridAxisDrawInfo& Axis, bool Horizontal);
    void EndSizing(const TGridDrawInfo& DrawInfo);

    int FColCount = 5;

    bool FChangingSize = false;
    int FRowCount = 5;
    int FFixedCols = 1;
    int FFixedRows = 1;
    int FDefaultColWidth = 64;
    int FDefaultRowHeight = 24;
    /// Per-column widths and per-row heights; empty while all are default.
    std::vector<int> FColWidths;
    std::vector<int> FRowHeights;
    std::vector<bool> FTabStops;
    int FGridLineWidth = 1;
    TGridOptions FOptions = {goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect};
    TBorderStyle FBorderStyle = bsSingle;
    TScrollStyle FScrollBars = ssBoth;
    TColor FFixedColor = clBtnFace;
    bool FHorzBar = false;
    bool FVertBar = false;
    /// Thumb dragging on a scroll bar: the axis and the grab offset.
    bool FThumbTracking = false;
    bool FThumbHorz = false;
    int FThumbGrab = 0;
};

/// A grid whose cells the program draws (OnDrawCell) and whose texts it
/// keeps (OnGetEditText/OnSetEditText).
class TDrawGrid : public TCustomGrid {
    PRICETAGS_CLASS(TDrawGrid, TCustomGrid)
public:
    explicit TDrawGrid(TComponent* AOwner);
    ~TDrawGrid() override;

    TRect CellRect(int ACol, int ARow) { return TCustomGrid::CellRect(ACol, ARow); }
    void MouseToCell(int X, int Y, int& ACol, int& ARow) { TCustomGrid::MouseToCell(X, Y, ACol, ARow); }

    TMovedEvent OnColumnMoved;
    TDrawCellEvent OnDrawCell;
    TGetEditEvent OnGetEditMask;
    TGetEditEvent OnGetEditText;
    TMovedEvent OnRowMoved;
    TSelectCellEvent OnSelectCell;
    TSetEditEvent OnSetEditText;
    TNotifyEvent OnTopLeftChanged;

protected:
    void DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState) override;
    bool SelectCell(int ACol, int ARow) override;
    AnsiString GetEditText(int ACol, int ARow) override;
    void SetEditText(int ACol, int ARow, const AnsiString& Value) override;
    AnsiString GetEditMask(int ACol, int ARow) override;
    void ColumnMoved(int FromIndex, int ToIndex) override;
    void RowMoved(int FromIndex, int ToIndex) override;
    void TopLeftChanged() override;
};

/// A grid that keeps a string and an object per cell and draws the strings.
class TStringGrid : public TDrawGrid {
    PRICETAGS_CLASS(TStringGrid, TDrawGrid)
public:
    explicit TStringGrid(TComponent* AOwner);
    ~TStringGrid() override;

    AnsiString Cells(int ACol, int ARow) const;
    void SetCells(int ACol, int ARow, const AnsiString& Value);
    TObject* Objects(int ACol, int ARow) const;
    void SetObjects(int ACol, int ARow, TObject* Value);
    /// The strings of one row or column, in column or row order.
    void GetRows(int ARow, TStrings* Dest) const;
    void SetRows(int ARow, TStrings* Source);
    void GetCols(int ACol, TStrings* Dest) const;
    void SetCols(int ACol, TStrings* Source);

protected:
    void DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState) override;
    AnsiString GetEditText(int ACol, int ARow) override;
    void SetEditText(int ACol, int ARow, const AnsiString& Value) override;
    void ColumnMoved(int FromIndex, int ToIndex) override;
    void RowMoved(int FromIndex, int ToIndex) override;

private:
    struct CellData {
        AnsiString Text;
        TObject* Object = nullptr;
    };
    CellData* Find(int ACol, int ARow);
    const CellData* Find(int ACol, int ARow) const;
    CellData& Ensure(int ACol, int ARow);

    /// Rows of cells; a row is as long as its last set cell.
    std::vector<std::vector<CellData>> FData;
};

PRICETAGS_EXCEPTION(EInvalidGridOperation, Exception);

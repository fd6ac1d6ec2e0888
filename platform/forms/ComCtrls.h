#pragma once

// Common controls: tool bars and tool buttons, the status bar, page
// controls with tab sheets, the progress bar, the up-down arrows, the
// header control, the list view and the tree view.
//
// Like the standard controls they paint themselves and keep their state,
// so tests drive them by messages and read the state back. Indexes are
// 0-based; -1 means none.

#include "platform/classes/Events.h"
#include "platform/forms/Controls.h"
#include "platform/forms/Graphics.h"
#include "platform/forms/StdCtrls.h"
#include "platform/rtl/AnsiString.h"

#include <memory>
#include <vector>

class TCustomImageList;
class TPopupMenu;
class TMenuItem;
class TStrings;
class TStringList;

// ---- tool bars -----------------------------------------------------------------------------

enum TToolButtonStyle { tbsButton, tbsCheck, tbsDropDown, tbsSeparator, tbsDivider };

class TToolBar;

/// A button of a tool bar: its picture from the bar's Images, its caption
/// when the bar shows captions. tbsCheck buttons stay down (one of a
/// Grouped run of check buttons at a time); a tbsDropDown button opens its
/// DropdownMenu from the arrow at its right.
class TToolButton : public TGraphicControl {
    PRICETAGS_CLASS(TToolButton, TGraphicControl)
public:
    explicit TToolButton(TComponent* AOwner);
    ~TToolButton() override;

    TToolButtonStyle Style() const { return FStyle; }
    void SetStyle(TToolButtonStyle Value);
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int Value);
    bool Down() const { return FDown; }
    /// Raises the other buttons of a Grouped run when a check button goes down.
    void SetDown(bool Value);
    bool Grouped() const { return FGrouped; }
    void SetGrouped(bool Value) { FGrouped = Value; }
    bool AllowAllUp() const { return FAllowAllUp; }
    void SetAllowAllUp(bool Value) { FAllowAllUp = Value; }
    TPopupMenu* DropdownMenu() const { return FDropdownMenu; }
    /// The menu of a drop-down button (a free notification clears it).
    void SetDropdownMenu(TPopupMenu* Value);
    /// Position among the bar's buttons; -1 outside a bar.
    int Index() const;
    /// Opens the drop-down menu below the button; false without one.
    bool CheckMenuDropdown();

    void Click() override;

protected:
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void CMMouseEnter(TMessageRecord& Message) override;
    void CMMouseLeave(TMessageRecord& Message) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    TToolBar* Bar() const;

    TToolButtonStyle FStyle = tbsButton;
    int FImageIndex = -1;
    bool FDown = false;
    bool FGrouped = false;
    bool FAllowAllUp = false;
    TPopupMenu* FDropdownMenu = nullptr;
    bool FPressed = false;
    bool FHot = false;
};

/// Buttons and other controls in a row (wrapping to new rows when Wrapable),
/// aligned to the top of the parent by default.
class TToolBar : public TCustomControl {
    PRICETAGS_CLASS(TToolBar, TCustomControl)
public:
    explicit TToolBar(TComponent* AOwner);
    ~TToolBar() override;

    int ButtonCount() const;
    /// The tool buttons in their order on the bar.
    TToolButton* Buttons(int Index) const;
    int ButtonWidth() const { return FButtonWidth; }
    void SetButtonWidth(int Value);
    int ButtonHeight() const { return FButtonHeight; }
    void SetButtonHeight(int Value);
    TCustomImageList* Images() const { return FImages; }
    void SetImages(TCustomImageList* Value);
    TCustomImageList* DisabledImages() const { return FDisabledImages; }
    void SetDisabledImages(TCustomImageList* Value);
    bool ShowCaptions() const { return FShowCaptions; }
    void SetShowCaptions(bool Value);
    bool Flat() const { return FFlat; }
    void SetFlat(bool Value);
    bool Wrapable() const { return FWrapable; }
    void SetWrapable(bool Value);
    /// Places the children again (after changes to their sizes).
    void ArrangeButtons();

protected:
    friend class TToolButton;
    void AlignControls(TControl* AControl, TRect& Rect) override;
    void Paint() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    /// The children in their order from the left.
    std::vector<TControl*> OrderedControls() const;

    int FButtonWidth = 23;
    int FButtonHeight = 22;
    TCustomImageList* FImages = nullptr;
    TCustomImageList* FDisabledImages = nullptr;
    bool FShowCaptions = false;
    bool FFlat = false;
    bool FWrapable = true;
    bool FArranging = false;
};

// ---- status bar ------------------------------------------------------------------------------

/// The items of a control (status panels, header sections, list columns),
/// owned and freed by the list; every change repaints the control. Each
/// item is made with the control as its only argument. Indexes are 0-based.
template <class TItem, class TOwnerControl>
class OwnedItemList {
public:
    explicit OwnedItemList(TOwnerControl* Control) : FControl(Control) {}
    int Count() const { return static_cast<int>(FItems.size()); }
    /// Raises EListError "List index out of bounds (%d)" outside the items.
    TItem* Items(int Index) const;
    TItem* operator[](int Index) const { return Items(Index); }
    TItem* Add();
    void Delete(int Index);
    void Clear();
    /// -1 when the item is not in the list.
    int IndexOf(const TItem* Item) const;

private:
    TOwnerControl* FControl;
    std::vector<std::unique_ptr<TItem>> FItems;
};

enum TStatusPanelStyle { psText, psOwnerDraw };
enum TStatusPanelBevel { pbNone, pbLowered, pbRaised };

class TStatusBar;

class TStatusPanel {
public:
    explicit TStatusPanel(TStatusBar* Bar) : FBar(Bar) {}

    const AnsiString& Text() const { return FText; }
    void SetText(const AnsiString& Value);
    int Width() const { return FWidth; }
    void SetWidth(int Value);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);
    TStatusPanelBevel Bevel() const { return FBevel; }
    void SetBevel(TStatusPanelBevel Value);
    TStatusPanelStyle Style() const { return FStyle; }
    void SetStyle(TStatusPanelStyle Value);

private:
    TStatusBar* FBar;
    AnsiString FText;
    int FWidth = 50;
    TAlignment FAlignment = taLeftJustify;
    TStatusPanelBevel FBevel = pbLowered;
    TStatusPanelStyle FStyle = psText;
};

class TStatusPanels : public OwnedItemList<TStatusPanel, TStatusBar> {
public:
    using OwnedItemList::OwnedItemList;
};

using TDrawPanelEvent = MethodPointer<void(TStatusBar* StatusBar, TStatusPanel* Panel, const TRect& Rect)>;

/// Panels side by side at the bottom of the parent; the last panel takes
/// the rest of the width. SimplePanel shows SimpleText over the whole bar.
class TStatusBar : public TCustomControl {
    PRICETAGS_CLASS(TStatusBar, TCustomControl)
public:
    explicit TStatusBar(TComponent* AOwner);
    ~TStatusBar() override;

    TStatusPanels* Panels() { return &FPanels; }
    bool SimplePanel() const { return FSimplePanel; }
    void SetSimplePanel(bool Value);
    const AnsiString& SimpleText() const { return FSimpleText; }
    void SetSimpleText(const AnsiString& Value);
    bool SizeGrip() const { return FSizeGrip; }
    void SetSizeGrip(bool Value);
    /// The rectangle of panel Index (client pixels).
    TRect PanelRect(int Index);

    TDrawPanelEvent OnDrawPanel;

protected:
    friend class TStatusPanel;
    void Paint() override;

    TStatusPanels FPanels {this};
    bool FSimplePanel = false;
    AnsiString FSimpleText;
    bool FSizeGrip = true;
};

// ---- page control -----------------------------------------------------------------------------

class TPageControl;

/// One page of a page control: the controls on it show while it is active.
class TTabSheet : public TCustomControl {
    PRICETAGS_CLASS(TTabSheet, TCustomControl)
public:
    explicit TTabSheet(TComponent* AOwner);
    ~TTabSheet() override;

    TPageControl* PageControl() const { return FPageControl; }
    /// Moves the sheet into a page control (null: out of it).
    void SetPageControl(TPageControl* Value);
    /// Position among the page control's pages.
    int PageIndex() const;
    void SetPageIndex(int Value);
    /// A hidden tab is left out of the tab row and cannot be active.
    bool TabVisible() const { return FTabVisible; }
    void SetTabVisible(bool Value);
    /// Position among the visible tabs; -1 when the tab is hidden.
    int TabIndex() const;

protected:
    friend class TPageControl;
    void CMTextChanged(TMessageRecord& Message) override;

    TPageControl* FPageControl = nullptr;
    bool FTabVisible = true;
};

using TTabChangingEvent = MethodPointer<void(TObject* Sender, bool& AllowChange)>;

/// Tabs along the top; the active sheet fills the rest.
class TPageControl : public TCustomControl {
    PRICETAGS_CLASS(TPageControl, TCustomControl)
public:
    explicit TPageControl(TComponent* AOwner);
    ~TPageControl() override;

    int PageCount() const { return static_cast<int>(FPages.size()); }
    TTabSheet* Pages(int Index) const;
    TTabSheet* ActivePage() const { return FActivePage; }
    /// Shows the sheet (null: none); a sheet of another control or with a
    /// hidden tab is refused.
    void SetActivePage(TTabSheet* Value);
    int ActivePageIndex() const;
    void SetActivePageIndex(int Value);
    /// The next or previous sheet with a visible tab from Current (wraps).
    TTabSheet* FindNextPage(TTabSheet* Current, bool GoForward, bool CheckTabVisible);
    void SelectNextPage(bool GoForward);
    /// Height of the tab row.
    int TabHeight() const { return FTabHeight; }
    void SetTabHeight(int Value);
    /// Rectangle of the visible tab TabIndex; empty when none.
    TRect TabRect(int TabIndex);
    /// The index among visible tabs at a client point; -1 when none.
    int IndexOfTabAt(int X, int Y);
    /// Where the sheets go (client pixels).
    TRect DisplayRect();

    TNotifyEvent OnChange;
    TTabChangingEvent OnChanging;

protected:
    friend class TTabSheet;
    void InsertPage(TTabSheet* Page);
    void RemovePage(TTabSheet* Page);
    /// The user chose a sheet: OnChanging may refuse, OnChange follows.
    void ChangeActivePage(TTabSheet* Page);
    void AdjustClientRect(TRect& Rect) override;
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void CMDialogKey(TCMDialogKey& Message) override;
    /// The sheet shown keeps filling the display area.
    void WMSize(TWMSize& Message) override;

    std::vector<TTabSheet*> FPages;
    TTabSheet* FActivePage = nullptr;
    int FTabHeight = 20;
};

// ---- progress bar, up-down ----------------------------------------------------------------------

enum TProgressBarOrientation { pbHorizontal, pbVertical };

class TProgressBar : public TWinControl {
    PRICETAGS_CLASS(TProgressBar, TWinControl)
public:
    explicit TProgressBar(TComponent* AOwner);
    ~TProgressBar() override;

    int Min() const { return FMin; }
    void SetMin(int Value);
    int Max() const { return FMax; }
    void SetMax(int Value);
    int Position() const { return FPosition; }
    /// Kept within Min..Max.
    void SetPosition(int Value);
    int Step() const { return FStep; }
    void SetStep(int Value) { FStep = Value; }
    /// Adds Step (Delta) to Position, wrapping to Min past Max.
    void StepIt();
    void StepBy(int Delta);
    bool Smooth() const { return FSmooth; }
    void SetSmooth(bool Value);
    TProgressBarOrientation Orientation() const { return FOrientation; }
    void SetOrientation(TProgressBarOrientation Value);

protected:
    void PaintWindow(HDC DC) override;

    int FMin = 0;
    int FMax = 100;
    int FPosition = 0;
    int FStep = 10;
    bool FSmooth = false;
    TProgressBarOrientation FOrientation = pbHorizontal;
};

enum TUDBtnType { btNext, btPrev };
enum TUDOrientation { udHorizontal, udVertical };
enum TUDAlignButton { udLeft, udRight };
using TUDClickEvent = MethodPointer<void(TObject* Sender, TUDBtnType Button)>;
using TUDChangingEvent = MethodPointer<void(TObject* Sender, bool& AllowChange)>;

/// Two arrows that step Position between Min and Max; an associated edit
/// shows the position and sits beside the arrows.
class TUpDown : public TWinControl {
    PRICETAGS_CLASS(TUpDown, TWinControl)
public:
    explicit TUpDown(TComponent* AOwner);
    ~TUpDown() override;

    int Min() const { return FMin; }
    void SetMin(int Value);
    int Max() const { return FMax; }
    void SetMax(int Value);
    int Position() const { return FPosition; }
    /// Kept within Min..Max; the associate's text follows.
    void SetPosition(int Value);
    int Increment() const { return FIncrement; }
    void SetIncrement(int Value) { FIncrement = Value; }
    bool Wrap() const { return FWrap; }
    void SetWrap(bool Value) { FWrap = Value; }
    bool Thousands() const { return FThousands; }
    void SetThousands(bool Value);
    bool ArrowKeys() const { return FArrowKeys; }
    void SetArrowKeys(bool Value) { FArrowKeys = Value; }
    TUDOrientation Orientation() const { return FOrientation; }
    void SetOrientation(TUDOrientation Value);
    TUDAlignButton AlignButton() const { return FAlignButton; }
    void SetAlignButton(TUDAlignButton Value);
    TWinControl* Associate() const { return FAssociate; }
    /// The edit beside the arrows (a free notification clears it).
    void SetAssociate(TWinControl* Value);
    /// One step as a click on an arrow does: OnChanging, the new position,
    /// OnClick.
    void DoStep(TUDBtnType Button);

    TUDClickEvent OnClick;
    TUDChangingEvent OnChanging;
    TNotifyEvent OnChange;

protected:
    void PaintWindow(HDC DC) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void UpdateAssociate();
    /// Follows the associate's size and place.
    void PlaceBesideAssociate();
    void AssociateKeyDown(TObject* Sender, Word& Key, TShiftState Shift);

    int FMin = 0;
    int FMax = 100;
    int FPosition = 0;
    int FIncrement = 1;
    bool FWrap = false;
    bool FThousands = true;
    bool FArrowKeys = true;
    TUDOrientation FOrientation = udVertical;
    TUDAlignButton FAlignButton = udRight;
    TWinControl* FAssociate = nullptr;
    int FPressedHalf = -1;
};

// ---- header control ------------------------------------------------------------------------------

/// What a header section and a list view column share: a caption, a width
/// in pixels kept at or above MinWidth (and at or below MaxWidth while that
/// is above 0) and the caption's alignment. Every change repaints the
/// control that holds the column.
template <class TOwnerControl>
class SizedColumn {
public:
    int Width() const { return FWidth; }
    /// Kept within MinWidth..MaxWidth.
    void SetWidth(int Value);
    int MinWidth() const { return FMinWidth; }
    /// Below 0 counts as 0.
    void SetMinWidth(int Value);
    int MaxWidth() const { return FMaxWidth; }
    /// 0 (or below, kept as 0) for no maximum.
    void SetMaxWidth(int Value);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);

protected:
    SizedColumn(TOwnerControl* Control, int MaxWidth) : FControl(Control), FMaxWidth(MaxWidth) {}
    void SetCaptionText(const AnsiString& Value);

    TOwnerControl* FControl;
    AnsiString FCaption;
    int FWidth = 50;
    int FMinWidth = 0;
    int FMaxWidth;
    TAlignment FAlignment = taLeftJustify;
};

class THeaderControl;

class THeaderSection : public SizedColumn<THeaderControl> {
public:
    explicit THeaderSection(THeaderControl* Header) : SizedColumn(Header, /*MaxWidth=*/10000) {}

    const AnsiString& Text() const { return FCaption; }
    void SetText(const AnsiString& Value) { SetCaptionText(Value); }
    bool AllowClick() const { return FAllowClick; }
    void SetAllowClick(bool Value) { FAllowClick = Value; }
    int Index() const;
    /// Left and right edges in the header's client pixels.
    int Left() const;
    int Right() const { return Left() + FWidth; }

private:
    bool FAllowClick = true;
};

class THeaderSections : public OwnedItemList<THeaderSection, THeaderControl> {
public:
    using OwnedItemList::OwnedItemList;
};

enum TSectionTrackState { tsTrackBegin, tsTrackMove, tsTrackEnd };
using TSectionNotifyEvent = MethodPointer<void(THeaderControl* HeaderControl, THeaderSection* Section)>;
using TSectionTrackEvent = MethodPointer<void(THeaderControl* HeaderControl, THeaderSection* Section,
    int Width, TSectionTrackState State)>;

/// Captioned sections side by side; dragging a section's right edge
/// resizes it, a click on it fires OnSectionClick.
class THeaderControl : public TCustomControl {
    PRICETAGS_CLASS(THeaderControl, TCustomControl)
public:
    explicit THeaderControl(TComponent* AOwner);
    ~THeaderControl() override;

    THeaderSections* Sections() { return &FSections; }
    /// The section whose right edge lies within 3 pixels of X; -1 when none.
    int SectionEdgeAt(int X);
    /// The section under X; -1 when none.
    int SectionAt(int X);

    TSectionNotifyEvent OnSectionClick;
    TSectionNotifyEvent OnSectionResize;
    TSectionTrackEvent OnSectionTrack;

protected:
    friend class THeaderSection;
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

    THeaderSections FSections {this};
    int FTracking = -1;
    int FTrackStartX = 0;
    int FTrackStartWidth = 0;
    int FPressed = -1;
};

// ---- list view ---------------------------------------------------------------------------------------

class TCustomListView;
class TListItems;

class TListColumn : public SizedColumn<TCustomListView> {
public:
    explicit TListColumn(TCustomListView* Owner) : SizedColumn(Owner, /*MaxWidth=*/0) {}

    const AnsiString& Caption() const { return FCaption; }
    void SetCaption(const AnsiString& Value) { SetCaptionText(Value); }
    int Tag() const { return FTag; }
    void SetTag(int Value) { FTag = Value; }
    int Index() const;

private:
    int FTag = 0;
};

class TListColumns : public OwnedItemList<TListColumn, TCustomListView> {
public:
    using OwnedItemList::OwnedItemList;
};

/// One row: Caption in the first column, SubItems in the others.
class TListItem {
public:
    explicit TListItem(TListItems* Owner);
    ~TListItem();
    TListItem(const TListItem&) = delete;
    TListItem& operator=(const TListItem&) = delete;

    const AnsiString& Caption() const { return FCaption; }
    void SetCaption(const AnsiString& Value);
    TStrings* SubItems() const;
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int Value);
    /// Index into the list view's StateImages; -1 for none.
    int StateIndex() const { return FStateIndex; }
    void SetStateIndex(int Value);
    void* Data() const { return FData; }
    void SetData(void* Value) { FData = Value; }
    int Index() const { return FIndex; }
    bool Selected() const;
    void SetSelected(bool Value);
    bool Focused() const;
    void SetFocused(bool Value);
    TCustomListView* ListView() const;
    /// Scrolls the list so that the item shows.
    void MakeVisible(bool PartialOK);
    /// Removes the item from the list and frees it.
    void Delete();
    /// Asks the owner to repaint the item.
    void Update();

private:
    friend class TListItems;
    friend class TCustomListView;
    TListItems* FOwner;
    AnsiString FCaption;
    std::unique_ptr<TStringList> FSubItems;
    int FImageIndex = -1;
    int FStateIndex = -1;
    void* FData = nullptr;
    int FIndex = -1;
    bool FSelected = false;
};

/// The items; in owner-data mode only Count is kept and Item(Index) is
/// filled by OnData each time it is asked for.
class TListItems {
public:
    explicit TListItems(TCustomListView* Owner) : FOwner(Owner) {}
    ~TListItems();

    TCustomListView* Owner() const { return FOwner; }
    int Count() const;
    /// Sets the number of rows of an owner-data list (ignored otherwise).
    void SetCount(int Value);
    /// Raises EListError "List index out of bounds (%d)" for a bad index.
    TListItem* Item(int Index) const;
    TListItem* operator[](int Index) const { return Item(Index); }
    TListItem* Add();
    TListItem* Insert(int Index);
    void Delete(int Index);
    void Clear();
    int IndexOf(const TListItem* Item) const;
    void BeginUpdate();
    void EndUpdate();

private:
    friend class TCustomListView;
    friend class TListItem;
    void Renumber(int From);

    TCustomListView* FOwner;
    std::vector<std::unique_ptr<TListItem>> FItems;
    int FOwnerDataCount = 0;
    int FUpdateCount = 0;
};

enum TViewStyle { vsIcon, vsSmallIcon, vsList, vsReport };
enum TItemState { isNone, isCut, isDropHilited, isFocused, isSelected, isActivating };

using TLVSelectItemEvent = MethodPointer<void(TObject* Sender, TListItem* Item, bool Selected)>;
using TLVColumnClickEvent = MethodPointer<void(TObject* Sender, TListColumn* Column)>;
using TLVOwnerDataEvent = MethodPointer<void(TObject* Sender, TListItem* Item)>;
using TLVChangeEvent = MethodPointer<void(TObject* Sender, TListItem* Item, int Change)>;
using TLVDrawItemEvent = MethodPointer<void(TCustomListView* Sender, TListItem* Item, TRect Rect,
                                            TOwnerDrawState State)>;

/// Rows of items under a header of columns (report style; the other styles
/// show the same rows without the header). A drag on the edge between two
/// titles changes the width of the column on its left. Selection follows clicks
/// (Ctrl and Shift extend it with MultiSelect) and the arrow keys; the
/// focused item is the one the keys move from. Owner-data lists get the
/// text of every row they show from OnData.
class TCustomListView : public TWinControl {
    PRICETAGS_CLASS(TCustomListView, TWinControl)
public:
    explicit TCustomListView(TComponent* AOwner);
    ~TCustomListView() override;

    TListColumns* Columns() { return &FColumns; }
    TListItems* Items() { return &FItems; }
    TViewStyle ViewStyle() const { return FViewStyle; }
    void SetViewStyle(TViewStyle Value);
    bool OwnerData() const { return FOwnerData; }
    /// Switching the mode empties the list.
    void SetOwnerData(bool Value);
    bool MultiSelect() const { return FMultiSelect; }
    void SetMultiSelect(bool Value);
    bool RowSelect() const { return FRowSelect; }
    void SetRowSelect(bool Value);
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool Value) { FReadOnly = Value; }
    bool HideSelection() const { return FHideSelection; }
    void SetHideSelection(bool Value);
    bool GridLines() const { return FGridLines; }
    void SetGridLines(bool Value);
    bool ShowColumnHeaders() const { return FShowColumnHeaders; }
    void SetShowColumnHeaders(bool Value);
    TCustomImageList* SmallImages() const { return FSmallImages; }
    void SetSmallImages(TCustomImageList* Value);
    TCustomImageList* LargeImages() const { return FLargeImages; }
    void SetLargeImages(TCustomImageList* Value);
    TCustomImageList* StateImages() const { return FStateImages; }
    void SetStateImages(TCustomImageList* Value);
    /// Report rows painted by OnDrawItem on Canvas (the row's rectangle,
    /// odSelected and odFocused in the state); the list paints nothing of
    /// a row itself, neither background nor focus frame.
    bool OwnerDraw() const { return FOwnerDraw; }
    void SetOwnerDraw(bool Value);
    /// The canvas the rows are painted on: valid while OnDrawItem runs,
    /// null otherwise.
    TCanvas* Canvas() const { return FPaintCanvas; }

    /// The first selected item; null when none. Setting selects only it.
    TListItem* Selected();
    void SetSelected(TListItem* Item);
    int ItemIndex();
    /// Selects only Index (-1: clears the selection) and focuses it.
    void SetItemIndex(int Value);
    TListItem* ItemFocused();
    void SetItemFocused(TListItem* Item);
    int SelCount() const;
    bool IsSelected(int Index) const;
    /// Selects or deselects one row (OnSelectItem when it changes).
    void SelectIndex(int Index, bool Value);
    void ClearSelection();
    void SelectAll();
    /// The next item from Start (exclusive, -1: from the top) in the given
    /// state (isSelected, isFocused, isNone: any); null when none.
    TListItem* GetNextItem(TListItem* StartItem, TItemState State);
    TListItem* TopItem();
    int TopIndex() const { return FTopIndex; }
    void SetTopIndex(int Value);
    int VisibleRowCount();
    /// Height of one row in pixels.
    int RowHeight();
    /// The item at a client point; null when none.
    TListItem* GetItemAt(int X, int Y);
    int IndexAt(int X, int Y);
    /// The row rectangle of Index (client pixels; may lie outside).
    TRect ItemRect(int Index);
    /// Repaints rows First..Last (owner data changed).
    void UpdateItems(int FirstIndex, int LastIndex);
    void Scroll(int DX, int DY);
    /// Sum of the columns' widths.
    int ColumnsWidth() const;
    /// Also brings the scroll bars in step with the rows and columns.
    void Invalidate() override;

    TLVSelectItemEvent OnSelectItem;
    TLVColumnClickEvent OnColumnClick;
    TLVOwnerDataEvent OnData;
    TLVChangeEvent OnChange;
    TLVDrawItemEvent OnDrawItem;

protected:
    friend class TListItems;
    friend class TListItem;
    friend class TListColumn;
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void PaintWindow(HDC DC) override;
    void WMSize(TWMSize& Message) override;
    void WMVScroll(TWMScroll& Message) override;
    void WMHScroll(TWMScroll& Message) override;
    /// The vertical bar over the rows, the horizontal one over the report
    /// columns, each shown while its content does not fit.
    void UpdateScrollBars();
    virtual void DrawRow(TCanvas& Canvas, int Index, const TRect& Row);
    void KeyDown(Word& Key, TShiftState Shift) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    bool DoMouseWheelDown(TShiftState Shift, TPoint MousePos) override;
    bool DoMouseWheelUp(TShiftState Shift, TPoint MousePos) override;
    void WMGetDlgCode(TMessageRecord& Message) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    /// The column whose right edge in the header is within 3 pixels of X
    /// (client pixels); -1 when none.
    int ColumnEdgeAt(int X) const;
    /// The item of row Index, filled by OnData in owner-data mode.
    TListItem* GetItem(int Index);
    /// A click or key moved the focus to Index: selection as the shift keys say.
    void UserSelect(int Index, TShiftState Shift);
    void MakeVisible(int Index);
    void ItemsChanged();
    void ItemRemoved(int Index);
    void ItemInserted(int Index);
    int HeaderHeight();

    TListColumns FColumns {this};
    TListItems FItems {this};
    /// The item OnData fills in owner-data mode.
    std::unique_ptr<TListItem> FTempItem;
    /// Owner-data selection, one flag per row.
    std::vector<char> FOwnerSelection;
    TViewStyle FViewStyle = vsIcon;
    bool FOwnerData = false;
    bool FMultiSelect = false;
    bool FRowSelect = false;
    bool FReadOnly = false;
    bool FHideSelection = true;
    bool FGridLines = false;
    bool FShowColumnHeaders = true;
    bool FOwnerDraw = false;
    TCanvas* FPaintCanvas = nullptr;
    TCustomImageList* FSmallImages = nullptr;
    TCustomImageList* FLargeImages = nullptr;
    TCustomImageList* FStateImages = nullptr;
    int FFocused = -1;
    int FAnchor = -1;
    /// The column whose width a drag on the header changes; -1 when none.
    int FSizing = -1;
    int FSizingStartX = 0;
    int FSizingStartWidth = 0;
    int FTopIndex = 0;
    int FScrollX = 0;
    bool FSyncingBars = false;
};

class TListView : public TCustomListView {
    PRICETAGS_CLASS(TListView, TCustomListView)
public:
    explicit TListView(TComponent* AOwner) : TCustomListView(AOwner) {}
    ~TListView() override;
};

// ---- rich edit ---------------------------------------------------------------------------------------

/// EM_STREAMIN formats (WParam).
enum : UINT { SF_TEXT = 1, SF_RTF = 2 };

/// Reads up to Count bytes into Buffer and stores how many in Read (0 at
/// the end); a non-zero result is an error that stops the reading.
using EDITSTREAMCALLBACK = DWORD (*)(uintptr_t Cookie, Byte* Buffer, int Count, int* Read);
struct EDITSTREAM {
    uintptr_t dwCookie = 0;
    /// The callback's error, when it gave one.
    DWORD dwError = 0;
    EDITSTREAMCALLBACK pfnCallback = nullptr;
};

/// A read-only kind of memo that shows text coloured and bold by runs, as a
/// rich-text document sets them. It reads the document through EM_STREAMIN
/// (SF_RTF: groups, the font and colour tables, \f, \fs, \cf, \b, \plain,
/// \par, \line, \pard, \tx, \tab, \'hh and the escaped \\, \{ and \};
/// other control words and destinations are skipped; SF_TEXT: plain text),
/// and takes its background from EM_SETBKGNDCOLOR (WParam non-zero: the
/// window colour; else LParam, a colour reference; the old one returned).
/// The first font of the table and the document's size become the control's
/// font. A stream whose callback reports an error leaves the text as it was.
class TCustomRichEdit : public TCustomMemo {
    PRICETAGS_CLASS(TCustomRichEdit, TCustomMemo)
public:
    explicit TCustomRichEdit(TComponent* AOwner);
    ~TCustomRichEdit() override;

    /// One run of equal formatting: from byte From (0-based) of its line.
    struct TextRun {
        int From = 0;
        TColor Color = clBlack;
        bool Bold = false;
    };
    /// The runs of line Line (empty for text set without formatting).
    const std::vector<TextRun>& LineRuns(int Line) const;
    /// The tab stops of line Line in pixels (empty: every 48 pixels).
    const std::vector<int>& LineTabs(int Line) const;
    /// Loads an RTF document as EM_STREAMIN with SF_RTF does.
    void LoadRTF(const AnsiString& Document);

protected:
    void Dispatch(TMessage& Message) override;
    void Paint(HDC DC) override;
    void CMTextChanged(TMessageRecord& Message) override;

    struct LineFormat {
        std::vector<TextRun> Runs;
        std::vector<int> Tabs;
    };
    std::vector<LineFormat> FFormats;
    bool FLoading = false;
};

class TRichEdit : public TCustomRichEdit {
    PRICETAGS_CLASS(TRichEdit, TCustomRichEdit)
public:
    explicit TRichEdit(TComponent* AOwner) : TCustomRichEdit(AOwner) {}
    ~TRichEdit() override;
};

// ---- tree view ----------------------------------------------------------------------------------------

class TCustomTreeView;
class TTreeNodes;

class TTreeNode {
public:
    TTreeNode(TTreeNodes* Owner, TTreeNode* Parent);
    ~TTreeNode();
    TTreeNode(const TTreeNode&) = delete;
    TTreeNode& operator=(const TTreeNode&) = delete;

    const AnsiString& Text() const { return FText; }
    void SetText(const AnsiString& Value);
    void* Data() const { return FData; }
    void SetData(void* Value) { FData = Value; }
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int Value);
    int SelectedIndex() const { return FSelectedIndex; }
    void SetSelectedIndex(int Value);
    TTreeNode* Parent() const { return FParent; }
    int Count() const { return static_cast<int>(FChildren.size()); }
    /// Raises EListError "List index out of bounds (%d)" for a bad index.
    TTreeNode* Item(int Index) const;
    bool HasChildren() const { return !FChildren.empty(); }
    int Index() const;
    int Level() const;
    /// Position in the whole tree, depth first.
    int AbsoluteIndex() const;
    bool Expanded() const { return FExpanded; }
    void SetExpanded(bool Value);
    void Expand(bool Recurse);
    void Collapse(bool Recurse);
    bool Selected() const;
    void SetSelected(bool Value);
    TTreeNode* GetFirstChild() const { return FChildren.empty() ? nullptr : FChildren.front().get(); }
    TTreeNode* GetNextSibling() const;
    TTreeNode* GetPrevSibling() const;
    /// The next node depth first; null after the last.
    TTreeNode* GetNext() const;
    /// Whether every parent is expanded.
    bool IsVisible() const;
    void Delete();
    void DeleteChildren();
    TTreeNodes* Owner() const { return FOwner; }

private:
    friend class TTreeNodes;
    friend class TCustomTreeView;
    TTreeNodes* FOwner;
    TTreeNode* FParent;
    AnsiString FText;
    /// The text's width in the tree's font, measured once; -1 until then.
    int FTextWidth = -1;
    void* FData = nullptr;
    int FImageIndex = -1;
    int FSelectedIndex = -1;
    bool FExpanded = false;
    std::vector<std::unique_ptr<TTreeNode>> FChildren;
};

class TTreeNodes {
public:
    explicit TTreeNodes(TCustomTreeView* Owner);
    ~TTreeNodes();

    TCustomTreeView* Owner() const { return FOwner; }
    /// Nodes in the whole tree.
    int Count() const;
    /// The node at AbsoluteIndex; raises EListError for a bad index.
    TTreeNode* Item(int Index) const;
    TTreeNode* GetFirstNode() const;
    /// A node after the last sibling of Sibling (a top-level node when null).
    TTreeNode* Add(TTreeNode* Sibling, const AnsiString& S);
    TTreeNode* AddObject(TTreeNode* Sibling, const AnsiString& S, void* Ptr);
    /// A last child of Parent (a top-level node when null).
    TTreeNode* AddChild(TTreeNode* Parent, const AnsiString& S);
    TTreeNode* AddChildObject(TTreeNode* Parent, const AnsiString& S, void* Ptr);
    void Delete(TTreeNode* Node);
    void Clear();
    void BeginUpdate();
    void EndUpdate();

private:
    friend class TTreeNode;
    friend class TCustomTreeView;
    void Changed();

    TCustomTreeView* FOwner;
    /// The invisible root whose children are the top-level nodes.
    std::unique_ptr<TTreeNode> FRoot;
    int FUpdateCount = 0;
};

using TTVChangedEvent = MethodPointer<void(TObject* Sender, TTreeNode* Node)>;
using TTVExpandedEvent = MethodPointer<void(TObject* Sender, TTreeNode* Node)>;

/// Nodes in rows, children indented under their parent; a click on the
/// button left of a node opens or closes it, the arrow keys move the
/// selection (Left closes or goes to the parent, Right opens).
class TCustomTreeView : public TWinControl {
    PRICETAGS_CLASS(TCustomTreeView, TWinControl)
public:
    explicit TCustomTreeView(TComponent* AOwner);
    ~TCustomTreeView() override;

    TTreeNodes* Items() { return &FNodes; }
    TTreeNode* Selected() const { return FSelected; }
    void SetSelected(TTreeNode* Node);
    TCustomImageList* Images() const { return FImages; }
    void SetImages(TCustomImageList* Value);
    bool ShowLines() const { return FShowLines; }
    void SetShowLines(bool Value);
    bool ShowRoot() const { return FShowRoot; }
    void SetShowRoot(bool Value);
    bool ShowButtons() const { return FShowButtons; }
    void SetShowButtons(bool Value);
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool Value) { FReadOnly = Value; }
    int Indent() const { return FIndent; }
    void SetIndent(int Value);
    void FullExpand();
    void FullCollapse();
    /// The node in the row at a client point; null when none.
    TTreeNode* GetNodeAt(int X, int Y);
    /// The shown rows in order (expanded parents only).
    std::vector<TTreeNode*> VisibleNodes() const;
    int RowHeight();
    int TopIndex() const { return FTopIndex; }
    /// The first shown row, held so that the last page stays full.
    void SetTopIndex(int Value);
    /// Also brings the scroll bars in step with the shown rows.
    void Invalidate() override;

    TTVChangedEvent OnChange;
    TTVExpandedEvent OnExpanded;
    TTVExpandedEvent OnCollapsed;

protected:
    friend class TTreeNodes;
    friend class TTreeNode;
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void PaintWindow(HDC DC) override;
    /// The dotted lines joining Node (its row at Top, H high, its text
    /// column at Left) to its parent and siblings.
    void PaintConnectors(TCanvas& C, TTreeNode* Node, int Left, int Top, int H);
    void KeyDown(Word& Key, TShiftState Shift) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    bool DoMouseWheelDown(TShiftState Shift, TPoint MousePos) override;
    bool DoMouseWheelUp(TShiftState Shift, TPoint MousePos) override;
    void WMGetDlgCode(TMessageRecord& Message) override;
    void WMSize(TWMSize& Message) override;
    void WMVScroll(TWMScroll& Message) override;
    void WMHScroll(TWMScroll& Message) override;
    void CMFontChanged(TMessageRecord& Message) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    /// The vertical bar over the shown rows, the horizontal one over the
    /// widest of them, each shown while its content does not fit.
    void UpdateScrollBars();
    /// Where Node's button column ends and its image or text starts
    /// (content pixels).
    int NodeLeft(TTreeNode* Node) const;
    int RowsWidth(const std::vector<TTreeNode*>& Rows);
    void NodeDeleting(TTreeNode* Node);
    void NodeExpandedChanged(TTreeNode* Node);
    void MakeVisible(TTreeNode* Node);

    TTreeNodes FNodes {this};
    TTreeNode* FSelected = nullptr;
    TCustomImageList* FImages = nullptr;
    bool FShowLines = true;
    bool FShowRoot = true;
    bool FShowButtons = true;
    bool FReadOnly = false;
    int FIndent = 19;
    int FTopIndex = 0;
    int FScrollX = 0;
    bool FSyncingBars = false;
};

class TTreeView : public TCustomTreeView {
    PRICETAGS_CLASS(TTreeView, TCustomTreeView)
public:
    explicit TTreeView(TComponent* AOwner) : TCustomTreeView(AOwner) {}
    ~TTreeView() override;
};

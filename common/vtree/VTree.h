#pragma once

// The virtual tree: a tree and list control whose nodes carry no text or
// data of their own beyond a small record. The host describes the nodes on
// demand through events (OnInitNode, OnInitChildren, ...); the tree keeps
// structure, states, heights and order.
//
// Storage: every node is one zero-filled record (the TVirtualNode header,
// the internal data reserved by descendants, then NodeDataSize bytes of
// host data) owned by the tree and carved from the tree's node blocks
// (NodeBlocks), so a million nodes cost a few dozen allocations. Counts and heights are kept along the parent
// chain at every change, so the tree's size and height are known without a
// walk; VisibleCount is the number of shown rows. A position cache (kept
// above 2000 shown rows, one entry per 32 rows) makes finding the row at a
// height and the top of a node cheap on large trees; it is rebuilt on the
// main thread when a lookup needs it after a change, never behind the
// tree's back.
//
// This header holds the node engine: nodes, counts, initialisation and
// linking, the sorted selection, check states, navigation, geometry from
// node heights, sorting, moving, the stream format and the host events.
// Painting, columns, the header and input sit on top of it. The tree works
// without a window: the engine never creates one, and invalidation,
// timers and scroll bars act only once the window exists.

#include "platform/forms/Controls.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Graphics.h"
#include "platform/forms/ImgList.h"
#include "platform/forms/StdCtrls.h"
#include "platform/winapi/OleDragDrop.h"
#include "platform/classes/Collection.h"
#include "platform/classes/Events.h"
#include "platform/classes/Sets.h"
#include "platform/classes/Strings.h"
#include "platform/classes/Streams.h"
#include "platform/rtl/AnsiString.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Types.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TBaseVirtualTree;
class TCustomImageList;
class TPopupMenu;
class TStrings;
struct TVITEMA;

// ---- errors and unit services ----------------------------------------------------------------

/// The tree's own failure; HelpContext holds the error code (2001-2007).
PRICETAGS_EXCEPTION(EVirtualTreeError, Exception);

/// Raises EVirtualTreeError with Msg and Code.
[[noreturn]] void RaiseTreeError(const AnsiString& Msg, int Code);

// ---- the node record ------------------------------------------------------------------------

/// Node states: bit numbers of TVirtualNode::States.
enum TVirtualNodeState : unsigned {
    vsInitialized, vsChecking, vsCutOrCopy, vsDisabled, vsDeleting, vsExpanded, vsHasChildren,
    vsVisible, vsSelected, vsDataAssigned, vsAllChildrenHidden, vsClearing, vsMultiline,
    vsHeightMeasured, vsToggling,
};

enum TVirtualNodeInitState { ivsDisabled, ivsExpanded, ivsHasChildren, ivsMultiline, ivsSelected };
using TVirtualNodeInitStates = EnumSet<TVirtualNodeInitState>;

enum TCheckState : Byte {
    csUncheckedNormal, csUncheckedPressed, csCheckedNormal, csCheckedPressed, csMixedNormal,
    csMixedPressed,
};
enum TCheckType : Byte { ctNone, ctTriStateCheckBox, ctCheckBox, ctRadioButton, ctButton };

/// The fixed header of every node; host data lies behind it and the internal
/// data area (GetNodeData). Parent of the hidden root is the tree itself,
/// which ends every upward walk; the root's sibling links point to itself.
struct TVirtualNode {
    Cardinal Index;        // position among the siblings, 0 first
    Cardinal ChildCount;
    Word NodeHeight;       // pixels
    Word States;           // bits of TVirtualNodeState
    Byte Align;            // percent of the line height (new nodes 50)
    Byte CheckState;       // a TCheckState
    Byte CheckType;        // a TCheckType
    Byte Reserved;
    Cardinal TotalCount;   // the node and all its descendants
    Cardinal TotalHeight;  // own height plus visible children's totals while expanded
    TVirtualNode* Parent;
    TVirtualNode* PrevSibling;
    TVirtualNode* NextSibling;
    TVirtualNode* FirstChild;
    TVirtualNode* LastChild;

    bool Has(TVirtualNodeState S) const { return (States >> S) & 1u; }
    void Include(TVirtualNodeState S) { States = static_cast<Word>(States | (1u << S)); }
    void Exclude(TVirtualNodeState S) { States = static_cast<Word>(States & ~(1u << S)); }
};
using PVirtualNode = TVirtualNode*;
using TNodeArray = std::vector<PVirtualNode>;

/// Column indexes: -1 no column (the whole row), -2 an invalid column.
using TColumnIndex = int32_t;
inline constexpr TColumnIndex NoColumn = -1;
inline constexpr TColumnIndex InvalidColumn = -2;

/// The records of one tree's nodes, carved from blocks that grow from 4 KiB
/// to 1 MiB. A released record is reused by the next one made; the blocks
/// are freed when the last record held is released (a tree that shrinks
/// keeps its high-water mark of blocks until it is emptied) and when the
/// holder ends. Records are 16-byte aligned, as from malloc.
class NodeBlocks {
public:
    NodeBlocks() = default;
    ~NodeBlocks();
    NodeBlocks(const NodeBlocks&) = delete;
    NodeBlocks& operator=(const NodeBlocks&) = delete;

    /// A zero-filled record of Size bytes; every record held at once has
    /// the same Size. Raises EOutOfMemory "Out of memory".
    [[nodiscard]] void* Allocate(size_t Size);
    /// Takes back a record of Allocate; the record must not be used again.
    void Release(void* Record) noexcept;
    /// Records held now.
    [[nodiscard]] size_t Held() const { return FHeld; }

private:
    struct Block;
    void AddBlock();
    void FreeBlocks() noexcept;

    Block* FBlocks = nullptr;   // newest first, linked through their headers
    char* FNext = nullptr;      // the newest block's first record never handed out
    char* FEnd = nullptr;       // the newest block's end
    void* FReleased = nullptr;  // released records, linked through their first bytes
    size_t FStride = 0;         // the record size rounded up to the alignment
    size_t FBlockBytes = 0;     // size of the next block
    size_t FHeld = 0;
};

/// A tree from one of its nodes: walks to the hidden root. Node must not be
/// null (assertion "Node must not be nil.").
[[nodiscard]] TBaseVirtualTree* OwnerTreeOfNode(PVirtualNode Node);

// ---- tree states, reasons, modes ------------------------------------------------------------

enum TVirtualTreeState {
    tsCancelHintAnimation, tsChangePending, tsCheckPropagation, tsCollapsing,
    tsToggleFocusedSelection, tsClearPending, tsClipboardFlushing, tsCopyPending, tsCutPending,
    tsDrawSelPending, tsDrawSelecting, tsEditing, tsEditPending, tsExpanding, tsHint,
    tsInAnimation, tsIncrementalSearching, tsIncrementalSearchPending, tsIterating,
    tsKeyCheckPending, tsLeftButtonDown, tsMouseCheckPending, tsMiddleButtonDown, tsNeedScale,
    tsNeedRootCountUpdate, tsOLEDragging, tsOLEDragPending, tsPainting, tsRightButtonDown,
    tsPopupMenuShown, tsScrolling, tsScrollPending, tsSizing, tsStopValidation,
    tsStructureChangePending, tsSynchMode, tsThumbTracking, tsUpdateHiddenChildrenNeeded,
    tsUpdating, tsUseCache, tsUserDragObject, tsUseThemes, tsValidating, tsValidationNeeded,
    tsVCLDragging, tsVCLDragPending, tsWheelPanning, tsWheelScrolling, tsWindowCreating,
};
using TVirtualTreeStates = EnumSet<TVirtualTreeState>;

enum TChangeReason {
    crIgnore, crAccumulated, crChildAdded, crChildDeleted, crNodeAdded, crNodeCopied, crNodeMoved,
};
enum TVTUpdateState { usBegin, usBeginSynch, usSynch, usUpdate, usEnd, usEndSynch };
enum TVTNodeAttachMode { amNoWhere, amInsertBefore, amInsertAfter, amAddChildFirst, amAddChildLast };
enum TSortDirection { sdAscending, sdDescending };
enum TVTImageKind { ikNormal, ikSelected, ikState, ikOverlay };
enum TVTLineType {
    ltNone, ltBottomRight, ltTopDown, ltTopDownRight, ltRight, ltTopRight, ltLeft, ltLeftBottom,
};
using TLineImage = std::vector<TVTLineType>;

/// Hit positions (bits of THitInfo::HitPositions).
enum THitPosition : Word {
    hiAbove = 0x0001, hiBelow = 0x0002, hiNowhere = 0x0004, hiOnItem = 0x0008,
    hiOnItemButton = 0x0010, hiOnItemCheckbox = 0x0020, hiOnItemIndent = 0x0040,
    hiOnItemLabel = 0x0080, hiOnItemLeft = 0x0100, hiOnItemRight = 0x0200,
    hiOnNormalIcon = 0x0400, hiOnStateIcon = 0x0800, hiToLeft = 0x1000, hiToRight = 0x2000,
};
struct THitInfo {
    PVirtualNode HitNode = nullptr;
    Word HitPositions = 0;
    TColumnIndex HitColumn = NoColumn;
};

/// The state-change message the tree's window understands: WParam states to
/// enter, LParam states to leave (1 StopValidation, 2 UseCache, 4 Validating,
/// 8 ValidationNeeded).
inline constexpr UINT WM_VTSTATECHANGE = 0x8020;

// ---- options --------------------------------------------------------------------------------

enum TVTPaintOption {
    toHideFocusRect, toHideSelection, toHotTrack, toPopupMode, toShowBackground, toShowButtons,
    toShowDropmark, toShowHorzGridLines, toShowRoot, toShowTreeLines, toShowVertGridLines,
    toThemeAware, toUseBlendedImages, toGhostedIfUnfocused, toFullVertGridLines,
    toAlwaysHideSelection, toUseBlendedSelection, toStaticBackground,
};
enum TVTAnimationOption { toAnimatedToggle };
enum TVTAutoOption {
    toAutoDropExpand, toAutoExpand, toAutoScroll, toAutoScrollOnExpand, toAutoSort,
    toAutoSpanColumns, toAutoTristateTracking, toAutoHideButtons, toAutoDeleteMovedNodes,
    toDisableAutoscrollOnFocus, toAutoChangeScale, toAutoFreeOnCollapse, toDisableAutoscrollOnEdit,
};
enum TVTSelectionOption {
    toDisableDrawSelection, toExtendedFocus, toFullRowSelect, toLevelSelectConstraint,
    toMiddleClickSelect, toMultiSelect, toRightClickSelect, toSiblingSelectConstraint,
    toCenterScrollIntoView, toSimpleDrawSelection,
};
enum TVTMiscOption {
    toAcceptOLEDrop, toCheckSupport, toEditable, toFullRepaintOnResize, toGridExtensions,
    toInitOnSave, toReportMode, toToggleOnDblClick, toWheelPanning, toReadOnly,
    toVariableNodeHeight, toFullRowDrag,
};
using TVTPaintOptions = EnumSet<TVTPaintOption>;
using TVTAnimationOptions = EnumSet<TVTAnimationOption>;
using TVTAutoOptions = EnumSet<TVTAutoOption>;
using TVTSelectionOptions = EnumSet<TVTSelectionOption>;
using TVTMiscOptions = EnumSet<TVTMiscOption>;

inline constexpr uint64_t DefaultPaintOptions = 7008;
inline constexpr uint64_t DefaultAutoOptions = 329;
inline constexpr uint64_t DefaultMiscOptions = 425;

/// The option sets of a tree. Each setter stores a changed set and makes the
/// live tree follow it (repaint, clear the selection...).
class TCustomVirtualTreeOptions : public TPersistent {
    PRICETAGS_CLASS(TCustomVirtualTreeOptions, TPersistent)
public:
    explicit TCustomVirtualTreeOptions(TBaseVirtualTree* AOwner);
    ~TCustomVirtualTreeOptions() override;

    TVTPaintOptions PaintOptions() const { return FPaintOptions; }
    void SetPaintOptions(TVTPaintOptions Value);
    TVTAnimationOptions AnimationOptions() const { return FAnimationOptions; }
    void SetAnimationOptions(TVTAnimationOptions Value) { FAnimationOptions = Value; }
    TVTAutoOptions AutoOptions() const { return FAutoOptions; }
    void SetAutoOptions(TVTAutoOptions Value);
    TVTSelectionOptions SelectionOptions() const { return FSelectionOptions; }
    void SetSelectionOptions(TVTSelectionOptions Value);
    TVTMiscOptions MiscOptions() const { return FMiscOptions; }
    void SetMiscOptions(TVTMiscOptions Value);
    TBaseVirtualTree* Owner() const { return FOwner; }

    /// From another options object the five sets go through their setters
    /// (paint, animation, auto, selection, misc); anything else as usual.
    void Assign(TPersistent* Source) override;

private:
    friend class TBaseVirtualTree;
    TBaseVirtualTree* FOwner;
    TVTPaintOptions FPaintOptions = TVTPaintOptions::FromBits(DefaultPaintOptions);
    TVTAnimationOptions FAnimationOptions;
    TVTAutoOptions FAutoOptions = TVTAutoOptions::FromBits(DefaultAutoOptions);
    TVTSelectionOptions FSelectionOptions;
    TVTMiscOptions FMiscOptions = TVTMiscOptions::FromBits(DefaultMiscOptions);
};
using TVirtualTreeOptionsClass = TClassOf<TCustomVirtualTreeOptions>;

/// Growing text buffers for exports: 8-bit (grows by 4096 bytes) and UTF-16
/// (grows by 4096 units).
class TBufferedString : public TObject {
public:
    TBufferedString() = default;
    ~TBufferedString() override;
    void Add(const AnsiString& S);
    void AddNewLine();
    AnsiString AsString() const;

private:
    void Grow(size_t Needed);
    char* FStart = nullptr;
    char* FPosition = nullptr;
    char* FEnd = nullptr;
};

class TWideBufferedString : public TObject {
public:
    TWideBufferedString() = default;
    ~TWideBufferedString() override;
    void Add(const std::u16string& S);
    void AddNewLine();
    std::u16string AsString() const;

private:
    void Grow(size_t Needed);
    char16_t* FStart = nullptr;
    char16_t* FPosition = nullptr;
    char16_t* FEnd = nullptr;
};

// ---- columns and header ---------------------------------------------------------------------

enum TVTColumnOption {
    coAllowClick, coDraggable, coEnabled, coParentBidiMode, coParentColor, coResizable,
    coShowDropMark, coVisible, coAutoSpring, coFixed,
};
using TVTColumnOptions = EnumSet<TVTColumnOption>;
inline constexpr uint64_t DefaultColumnOptions = 255;
enum TVirtualTreeColumnStyle { vsText, vsOwnerDraw };
enum TVTHeaderColumnLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };

enum TVTHeaderOption {
    hoAutoResize, hoColumnResize, hoDblClickResize, hoDrag, hoHotTrack, hoOwnerDraw,
    hoRestrictDrag, hoShowHint, hoShowImages, hoShowSortGlyphs, hoVisible, hoAutoSpring,
};
using TVTHeaderOptions = EnumSet<TVTHeaderOption>;
enum TVTHeaderStyle { hsThickButtons, hsFlatButtons, hsPlates, hsXPStyle };

class TVirtualTreeColumns;
class TVTHeader;
class TVTDragImage;
class TVTDragManager;

/// One column of the header. Its creation index (Index) addresses cell
/// data; Position is its place on screen. Widths are pixels.
class TVirtualTreeColumn : public TCollectionItem {
    PRICETAGS_CLASS(TVirtualTreeColumn, TCollectionItem)
public:
    explicit TVirtualTreeColumn(TCollection* Collection);
    ~TVirtualTreeColumn() override;

    const std::u16string& Text() const { return FText; }
    void SetText(const std::u16string& Value);
    const std::u16string& Hint() const { return FHint; }
    void SetHint(const std::u16string& Value) { FHint = Value; }
    int Left() const { return FLeft; }
    int Width() const { return FWidth; }
    /// Clamped to MinWidth..MaxWidth; with hoAutoResize the auto-size column
    /// keeps its width (only the last width moves).
    void SetWidth(int Value);
    int MinWidth() const { return FMinWidth; }
    void SetMinWidth(int Value);
    int MaxWidth() const { return FMaxWidth; }
    void SetMaxWidth(int Value);
    int Position() const { return FPosition; }
    /// Moves the column on screen; at or past the count means the last place.
    void SetPosition(int Value);
    TVirtualTreeColumnStyle Style() const { return FStyle; }
    void SetStyle(TVirtualTreeColumnStyle Value);
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int Value);
    TBiDiMode BiDiMode() const { return FBiDiMode; }
    void SetBiDiMode(TBiDiMode Value);
    TVTHeaderColumnLayout Layout() const { return FLayout; }
    void SetLayout(TVTHeaderColumnLayout Value);
    int Margin() const { return FMargin; }
    /// A negative margin is stored as 4.
    void SetMargin(int Value);
    int Spacing() const { return FSpacing; }
    void SetSpacing(int Value);
    TVTColumnOptions Options() const { return FOptions; }
    void SetOptions(TVTColumnOptions Value);
    int Tag() const { return FTag; }
    void SetTag(int Value) { FTag = Value; }
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);
    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    int LastWidth() const { return FLastWidth; }

    TVirtualTreeColumns* Owner() const;
    /// Edges in tree coordinates (before scrolling).
    void GetAbsoluteBounds(int& Left, int& Right) const;
    /// Left edge on screen: scrolled unless the column is fixed and visible.
    int GetDisplayLeft() const;
    bool Equals(const TVirtualTreeColumn& Other) const;
    void Assign(TPersistent* Source) override;

    /// Where the header image, the sort glyph and the text go inside Client
    /// (header row coordinates); the text is measured in DC's font.
    void ComputeHeaderLayout(HDC DC, const TRect& Client, bool UseHeaderGlyph,
                             bool UseSortGlyph, TPoint& HeaderGlyphPos, TPoint& SortGlyphPos,
                             TRect& TextBounds) const;

    /// Stream clauses: BiDiMode and Color are stored only when the column
    /// does not take them from the tree.
    bool IsBiDiModeStored() const;
    bool IsColorStored() const;

protected:
    AnsiString GetDisplayName() override;
    /// Text and Hint as the wide strings "WideText" and "WideHint" (when
    /// not empty); 8-bit texts of older streams are read as CP1251.
    void DefineProperties(TFiler* Filer) override;

private:
    friend class TVirtualTreeColumns;
    friend class TVTHeader;
    void ReadText(TReader* Reader);
    void WriteText(TWriter* Writer);
    void ReadHint(TReader* Reader);
    void WriteHint(TWriter* Writer);
    std::u16string FText;
    std::u16string FHint;
    int FLeft = 0;
    int FWidth = 50;
    int FPosition = 0;
    int FMinWidth = 10;
    int FMaxWidth = 10000;
    TVirtualTreeColumnStyle FStyle = vsText;
    int FImageIndex = -1;
    TBiDiMode FBiDiMode = bdLeftToRight;
    TVTHeaderColumnLayout FLayout = blGlyphLeft;
    int FMargin = 4;
    int FSpacing = 4;
    TVTColumnOptions FOptions = TVTColumnOptions::FromBits(DefaultColumnOptions);
    int FTag = 0;
    TAlignment FAlignment = taLeftJustify;
    int FLastWidth = 50;
    TColor FColor = clWindow;
    float FSpringRest = 0;
};

/// The header's columns: creation order in the collection, display order
/// in the position array (position -> index).
class TVirtualTreeColumns : public TCollection {
    PRICETAGS_CLASS(TVirtualTreeColumns, TCollection)
public:
    explicit TVirtualTreeColumns(TVTHeader* AOwner);
    ~TVirtualTreeColumns() override;

    TVTHeader* Header() const { return FHeader; }
    TVirtualTreeColumn* Add() { return static_cast<TVirtualTreeColumn*>(TCollection::Add()); }
    /// The column with creation index Index; EListError outside the range.
    TVirtualTreeColumn* GetItem(TColumnIndex Index) const
    {
        return static_cast<TVirtualTreeColumn*>(Items(Index));
    }
    void Assign(TPersistent* Source) override;
    void Clear();
    bool IsValidColumn(TColumnIndex Column) const { return Column >= 0 && Column < Count(); }
    /// The index at display position; -1 outside 0..count-1.
    TColumnIndex ColumnAtPosition(int Position) const;
    TColumnIndex GetFirstVisibleColumn() const;
    TColumnIndex GetLastVisibleColumn() const;
    TColumnIndex GetNextColumn(TColumnIndex Column) const;
    TColumnIndex GetPreviousColumn(TColumnIndex Column) const;
    TColumnIndex GetNextVisibleColumn(TColumnIndex Column) const;
    TColumnIndex GetPreviousVisibleColumn(TColumnIndex Column) const;
    std::vector<TColumnIndex> GetVisibleColumns() const;
    int GetVisibleFixedWidth() const;
    /// Right edge of the last visible column; 0 when none.
    int TotalWidth() const;
    /// For -1: 0 .. the tree's client width; else display left and right.
    void GetColumnBounds(TColumnIndex Column, int& Left, int& Right) const;
    /// The column at (X, Y) in header coordinates (Y offset by the header
    /// height); InvalidColumn when none.
    TColumnIndex ColumnFromPosition(const TPoint& P, bool Relative = true) const;
    bool Equals(const TVirtualTreeColumns& Other) const;
    /// Width of the auto-size column: the client width less the other
    /// visible columns.
    void AdjustAutoSize(TColumnIndex CurrentIndex, bool Force = false);
    /// Shares a header resize among the coAutoSpring columns.
    void AdjustSpringColumns(int HeaderWidth);
    /// Sets a column's width (clamped) in 32 steps of the area to its right.
    void AnimatedResize(TColumnIndex Column, int NewWidth);
    /// Draws the header row into DC, R in header row coordinates.
    void PaintHeader(HDC DC, const TRect& R, int HOffset);
    /// Indices kept by the header's mouse handling (-1 none).
    TColumnIndex HoverIndex() const { return FHoverIndex; }
    TColumnIndex DownIndex() const { return FDownIndex; }
    TColumnIndex TrackIndex() const { return FTrackIndex; }
    TColumnIndex ClickIndex() const { return FClickIndex; }
    void SetClickIndex(TColumnIndex Value) { FClickIndex = Value; }
    const std::vector<TColumnIndex>& PositionToIndex() const { return FPositionToIndex; }
    /// Rebuilds the position-to-index table from the columns' positions.
    void RebuildPositionTable() { FixPositions(); }

    /// Drop of a header drag: the target column and side.
    TColumnIndex DropTarget() const { return FDropTarget; }
    bool DropBefore() const { return FDropBefore; }

protected:
    void Update(TCollectionItem* Item) override;

private:
    friend class TVirtualTreeColumn;
    friend class TVTHeader;
    void FixPositions();
    void AdjustPositions();
    void UpdatePositions(bool Force = false);
    void IndexDeleted(TColumnIndex Index);
    void MoveColumn(TVirtualTreeColumn* Column, int NewPosition);
    void DrawButton(HDC DC, TVirtualTreeColumn* Column, TRect R, bool IsHot, bool IsDown,
                    bool LastColumn);

    TVTHeader* FHeader;
    TColumnIndex FHoverIndex = NoColumn;
    TColumnIndex FDownIndex = NoColumn;
    TColumnIndex FTrackIndex = NoColumn;
    TColumnIndex FClickIndex = NoColumn;
    std::vector<TColumnIndex> FPositionToIndex;
    bool FNeedPositionsFix = false;
    bool FClearing = false;
    bool FDestroying = false;
    TColumnIndex FDragIndex = NoColumn;
    TColumnIndex FDropTarget = NoColumn;
    bool FDropBefore = false;
};

/// The header row of a tree: its columns, font, height and options; it
/// lies in the tree window's frame above the client area and handles the
/// mouse there (clicks, resizing at a splitter, dragging columns). The
/// engine asks it for the main, sort and focused column and the columns'
/// horizontal extents; without columns every query answers "no column".
class TVTHeader : public TPersistent {
    PRICETAGS_CLASS(TVTHeader, TPersistent)
public:
    explicit TVTHeader(TBaseVirtualTree* AOwner);
    ~TVTHeader() override;

    TBaseVirtualTree* Treeview() const { return FOwner; }
    TVirtualTreeColumns* Columns() const { return FColumns.get(); }
    void SetColumns(TVirtualTreeColumns* Value) { FColumns->Assign(Value); }
    /// -1 without columns.
    TColumnIndex MainColumn() const;
    /// Clamped to 0..count-1 (stored as is while loading).
    void SetMainColumn(TColumnIndex Value);
    TColumnIndex SortColumn() const { return FSortColumn; }
    void SetSortColumn(TColumnIndex Value);
    TSortDirection SortDirection() const { return FSortDirection; }
    void SetSortDirection(TSortDirection Value);
    TColumnIndex AutoSizeIndex() const { return FAutoSizeIndex; }
    void SetAutoSizeIndex(TColumnIndex Value);
    TColor Background() const { return FBackground; }
    void SetBackground(TColor Value);
    Cardinal Height() const { return FHeight; }
    void SetHeight(Cardinal Value);
    TFont* Font() const { return FFont.get(); }
    /// Copies Value; ParentFont becomes false.
    void SetFont(TFont* Value);
    bool ParentFont() const { return FParentFont; }
    /// True takes the tree's font.
    void SetParentFont(bool Value);
    TVTHeaderOptions Options() const { return FOptions; }
    void SetOptions(TVTHeaderOptions Value);
    TVTHeaderStyle Style() const { return FStyle; }
    void SetStyle(TVTHeaderStyle Value);
    TCustomImageList* Images() const { return FImages; }
    void SetImages(TCustomImageList* Value);

    void Assign(TPersistent* Source) override;
    /// Font size scaled by M / D.
    void ChangeScale(int M, int D);
    /// Re-lays out the tree's frame after a height or visibility change.
    void RecalculateHeader();
    /// Redraws a column's header cell (NoColumn: the whole header).
    void Invalidate(TColumnIndex Column = NoColumn);
    /// Whether a client point lies in the header.
    bool InHeader(const TPoint& P) const;
    /// Whether X (header coordinates) lies on a column's right edge (from 3
    /// pixels left to 5 right) of a resizable column; sets the track index.
    bool DetermineSplitterIndex(int X);
    /// The header's mouse and key handling; true when the message was used.
    bool HandleMessage(TMessage& Message);
    /// Every visible resizable column back to its width before the last change.
    void RestoreColumns();
    /// Every visible resizable column, in position order, takes the width
    /// of its content (at least its MinWidth).
    void AutoFitColumns();
    /// A column resize or drag runs or waits for the mouse to move.
    bool DragOrResizeActive() const
    {
        return FResizing || FResizePending || FDragging || FDragPending;
    }
    /// A column's width is tracked or waits for the mouse to move.
    bool ResizeActive() const { return FResizing || FResizePending; }
    /// The mouse left the window: no column is hovered or pressed.
    void ForgetMouse();
    /// The picture of a column while it is dragged.
    TVTDragImage* DragImage() const { return FDragImage.get(); }

    /// The header stream: written in version 3; read from versions -1..3.
    /// A count or a length past the end raises EVirtualTreeError 2004.
    void WriteToStream(TStream* Stream) const;
    void ReadFromStream(TStream* Stream);
    /// The tree's form property "Columns": the collection's items; reading
    /// clears the columns first and runs with the header loading.
    void ReadColumns(TReader* Reader);
    void WriteColumns(TWriter* Writer);

    // The column queries the engine uses.
    virtual bool UseColumns() const;
    virtual int ColumnCount() const { return FColumns->Count(); }
    virtual bool ColumnIsVisible(TColumnIndex Column) const;
    virtual void ColumnBounds(TColumnIndex Column, int& Left, int& Right) const;
    virtual TColumnIndex ColumnFromPosition(int X, int& Left, int& Right) const;
    virtual TColumnIndex PreviousVisibleColumn(TColumnIndex Column) const;
    virtual TColumnIndex NextVisibleColumn(TColumnIndex Column) const;
    virtual TColumnIndex FirstVisibleColumn() const;
    virtual int TotalColumnWidth() const { return FColumns->TotalWidth(); }
    virtual int FixedAreaWidth() const { return FColumns->GetVisibleFixedWidth(); }

    bool Loading() const { return FLoading; }

private:
    friend class TVirtualTreeColumns;
    friend class TVirtualTreeColumn;
    void ImageListChange(TObject* Sender);
    void FontChanged(TObject* Sender);
    bool HandleHeaderMouse(TMessage& Message);
    bool HandleHeaderDoubleClick(TMessage& Message);
    /// Timer 3: the hover ends once the mouse has left the header.
    void HoverTimerTick();
    void PrepareColumnDragImage();

    TBaseVirtualTree* FOwner;
    std::unique_ptr<TVirtualTreeColumns> FColumns;
    Cardinal FHeight = 17;
    std::unique_ptr<TFont> FFont;
    bool FParentFont = false;
    TVTHeaderOptions FOptions{hoColumnResize, hoDrag};
    bool FLoading = false;
    bool FResizing = false;
    bool FResizePending = false;
    bool FDragging = false;
    bool FDragPending = false;
    int FTrackStart = 0;
    TVTHeaderStyle FStyle = hsThickButtons;
    TColor FBackground = clBtnFace;
    TColumnIndex FAutoSizeIndex = 0;
    TColumnIndex FMainColumn = NoColumn;
    TCustomImageList* FImages = nullptr;  // not owned; change link
    std::unique_ptr<TChangeLink> FImageChangeLink;
    TColumnIndex FSortColumn = NoColumn;
    TSortDirection FSortDirection = sdAscending;
    TPoint FDragStart;
    int FLastWidth = 0;
    std::unique_ptr<TVTDragImage> FDragImage;
};
using TVTHeaderClass = TClassOf<TVTHeader>;

/// The in-place editor a host supplies for a cell (OnCreateEditor).
class IVTEditLink {
public:
    virtual ~IVTEditLink() = default;
    virtual bool BeginEdit() = 0;
    virtual bool CancelEdit() = 0;
    virtual bool EndEdit() = 0;
    virtual bool PrepareEdit(TBaseVirtualTree* Tree, PVirtualNode Node, TColumnIndex Column) = 0;
    virtual TRect GetBounds() = 0;
    virtual void SetBounds(const TRect& R) = 0;
    /// Hands a message to the editor's window; nothing by default.
    virtual void ProcessMessage(TMessage& Message) { (void)Message; }
};
using IVTEditLinkPtr = std::shared_ptr<IVTEditLink>;

/// What the tree needs of a data object it inserts nodes from (a drop or
/// the clipboard): whether it offers a format, and that format's bytes as
/// a global memory block holds them.
class IVTDataSource {
public:
    virtual ~IVTDataSource() = default;
    virtual bool QueryGetData(Word Format) = 0;
    /// The bytes of Format; false when the object cannot give them.
    virtual bool GetData(Word Format, std::string& Bytes) = 0;
};

// ---- events ---------------------------------------------------------------------------------

using TVTChangeEvent = MethodPointer<void(TBaseVirtualTree*, PVirtualNode)>;
using TVTChangingEvent = MethodPointer<void(TBaseVirtualTree*, PVirtualNode, bool&)>;
using TVTCheckChangingEvent =
    MethodPointer<void(TBaseVirtualTree*, PVirtualNode, TCheckState&, bool&)>;
using TVTCompareEvent =
    MethodPointer<void(TBaseVirtualTree*, PVirtualNode, PVirtualNode, TColumnIndex, int&)>;
using TVTCreateEditorEvent =
    MethodPointer<void(TBaseVirtualTree*, PVirtualNode, TColumnIndex, IVTEditLinkPtr&)>;
using TVTEditChangeEvent = MethodPointer<void(TBaseVirtualTree*, PVirtualNode, TColumnIndex)>;
using TVTEditChangingEvent =
    MethodPointer<void(TBaseVirtualTree*, PVirtualNode, TColumnIndex, bool&)>;
using TVTEditCancelEvent = MethodPointer<void(TBaseVirtualTree*, TColumnIndex)>;
using TVTFocusChangeEvent = MethodPointer<void(TBaseVirtualTree*, PVirtualNode, TColumnIndex)>;
using TVTFocusChangingEvent = MethodPointer<void(TBaseVirtualTree*, PVirtualNode, PVirtualNode,
                                                 TColumnIndex, TColumnIndex, bool&)>;
using TVTFreeNodeEvent = MethodPointer<void(TBaseVirtualTree*, PVirtualNode)>;
using TVTGetImageEvent = MethodPointer<void(TBaseVirtualTree*, PVirtualNode, TVTImageKind,
                                            TColumnIndex, bool&, int&)>;
using TVTGetImageExEvent = MethodPointer<void(TBaseVirtualTree*, PVirtualNode, TVTImageKind,
                                              TColumnIndex, bool&, int&, TCustomImageList*&)>;
using TVTHotNodeChangeEvent = MethodPointer<void(TBaseVirtualTree*, PVirtualNode, PVirtualNode)>;
using TVTIncrementalSearchEvent =
    MethodPointer<void(TBaseVirtualTree*, PVirtualNode, const std::u16string&, int&)>;
using TVTInitChildrenEvent = MethodPointer<void(TBaseVirtualTree*, PVirtualNode, Cardinal&)>;
using TVTInitNodeEvent = MethodPointer<void(TBaseVirtualTree*, PVirtualNode, PVirtualNode,
                                            TVirtualNodeInitStates&)>;
using TVTKeyActionEvent = MethodPointer<void(TBaseVirtualTree*, Word&, TShiftState&, bool&)>;
using TVTSaveNodeEvent = MethodPointer<void(TBaseVirtualTree*, PVirtualNode, TStream*)>;
using TVTMeasureItemEvent = MethodPointer<void(TBaseVirtualTree*, TCanvas*, PVirtualNode, int&)>;
using TVTNodeCopiedEvent = MethodPointer<void(TBaseVirtualTree*, PVirtualNode)>;
using TVTNodeCopyingEvent =
    MethodPointer<void(TBaseVirtualTree*, PVirtualNode, PVirtualNode, bool&)>;
using TVTNodeMovedEvent = MethodPointer<void(TBaseVirtualTree*, PVirtualNode)>;
using TVTNodeMovingEvent =
    MethodPointer<void(TBaseVirtualTree*, PVirtualNode, PVirtualNode, bool&)>;
using TVTScrollEvent = MethodPointer<void(TBaseVirtualTree*, int, int)>;
using TVTDragAllowedEvent =
    MethodPointer<void(TBaseVirtualTree*, PVirtualNode, TColumnIndex, bool&)>;
using TVTGetCursorEvent = MethodPointer<void(TBaseVirtualTree*, TCursor&)>;
using TVTStateChangeEvent =
    MethodPointer<void(TBaseVirtualTree*, TVirtualTreeStates&, TVirtualTreeStates&)>;
using TVTStructureChangeEvent = MethodPointer<void(TBaseVirtualTree*, PVirtualNode, TChangeReason)>;
using TVTUpdatingEvent = MethodPointer<void(TBaseVirtualTree*, TVTUpdateState)>;
using TVTGetNodeDataSizeEvent = MethodPointer<void(TBaseVirtualTree*, int&)>;
using TVTPopupEvent = MethodPointer<void(TBaseVirtualTree*, PVirtualNode, TColumnIndex,
                                         const TPoint&, bool&, TPopupMenu*&)>;
using TVTHeaderClickEvent = MethodPointer<void(TVTHeader*, TColumnIndex, TMouseButton,
                                                TShiftState, int, int)>;
using TVTHeaderDraggedEvent = MethodPointer<void(TVTHeader*, TColumnIndex, int)>;
/// Where a drop goes relative to the node under the mouse.
enum TDropMode { dmNowhere, dmAbove, dmOnNode, dmBelow };
/// The clipboard formats a dropped data object offers.
using TFormatArray = std::vector<Word>;
/// Source: the tree the drag comes from (or the class library's drag
/// object), null for another program. Pt in client pixels; Accept starts
/// true.
using TVTDragOverEvent = MethodPointer<void(TBaseVirtualTree*, TObject*, TShiftState, TDragState,
                                            const TPoint&, TDropMode, DWORD&, bool&)>;
/// DataObject null for a class-library drag.
using TVTDragDropEvent =
    MethodPointer<void(TBaseVirtualTree*, TObject*, IDataObject*, const TFormatArray&,
                       TShiftState, const TPoint&, DWORD&, TDropMode)>;
using TVTColumnResizeEvent = MethodPointer<void(TVTHeader*, TColumnIndex)>;

/// Where a header drag would drop beside a column.
enum TVTDropMarkMode { dmmNone, dmmLeft, dmmRight };
/// The parts of a header button the host may draw itself.
enum THeaderPaintElement { hpeBackground, hpeDropMark, hpeHeaderGlyph, hpeSortGlyph, hpeText };
using THeaderPaintElements = EnumSet<THeaderPaintElement>;
/// One header button as it is painted: the canvas, the column, its
/// rectangle (header row coordinates) and states; the text bounds and glyph
/// places as laid out.
struct THeaderPaintInfo {
    TCanvas* TargetCanvas = nullptr;
    TVirtualTreeColumn* Column = nullptr;
    TRect PaintRectangle;
    TRect TextRectangle;
    bool IsHoverIndex = false;
    bool IsDownIndex = false;
    bool IsEnabled = false;
    bool ShowHeaderGlyph = false;
    bool ShowSortGlyph = false;
    bool ShowRightBorder = false;
    TVTDropMarkMode DropMark = dmmNone;
    TPoint GlyphPos;
    TPoint SortGlyphPos;
};
using TVTHeaderPaintEvent = MethodPointer<void(TVTHeader*, TCanvas*, TVirtualTreeColumn*,
                                               const TRect&, bool, bool, TVTDropMarkMode)>;
using TVTHeaderPaintQueryElementsEvent =
    MethodPointer<void(TVTHeader*, THeaderPaintInfo&, THeaderPaintElements&)>;
using TVTAdvancedHeaderPaintEvent =
    MethodPointer<void(TVTHeader*, THeaderPaintInfo&, THeaderPaintElements)>;
using TVTGetCellIsEmptyEvent =
    MethodPointer<void(TBaseVirtualTree*, PVirtualNode, TColumnIndex, bool&)>;
using TVTColumnClickEvent = MethodPointer<void(TBaseVirtualTree*, TColumnIndex, TShiftState)>;
using TVTHelpContextEvent =
    MethodPointer<void(TBaseVirtualTree*, PVirtualNode, TColumnIndex, int&)>;

// ---- the tree -------------------------------------------------------------------------------

/// One entry of the position cache: a shown node and its top in pixels.
struct TCacheEntry {
    PVirtualNode Node;
    Cardinal AbsoluteTop;
    /// Index of the node's top-level ancestor (its own for a top-level
    /// node): orders most entries against a node without reading them.
    Cardinal TopIndex;
};

enum TVTLineStyle { lsCustomStyle, lsDotted, lsSolid };
enum TVTLineMode { lmNormal, lmBands };
enum TVTNodeAlignment { naFromBottom, naFromTop, naProportional };
enum TVTButtonStyle { bsRectangle, bsTriangle };
enum TVTButtonFillMode { fmTreeColor, fmWindowColor, fmShaded, fmTransparent };
enum TCheckImageKind {
    ckLightCheck, ckDarkCheck, ckLightTick, ckDarkTick, ckFlat, ckXP, ckCustom, ckSystem,
    ckSystemFlat,
};
enum TScrollBarStyle { sbmRegular, sbmFlat, sbm3D };
enum TVTDragImageKind { diComplete, diMainColumnOnly, diNoImage };
enum TBevelKind { bkNone, bkTile, bkSoft, bkFlat };
/// Where the view can scroll to follow the mouse: bits left 1, up 2,
/// right 4, down 8.
enum TScrollDirection { sdLeft, sdUp, sdRight, sdDown };
using TScrollDirections = EnumSet<TScrollDirection>;
enum TBevelEdge { beLeft, beTop, beRight, beBottom };
using TBevelEdges = EnumSet<TBevelEdge>;
enum TVTDragOperation { doCopy, doMove, doLink };
using TVTDragOperations = EnumSet<TVTDragOperation>;
enum TVTDragType { dtOLE, dtVCL };
enum TVTDrawSelectionMode { smDottedRectangle, smBlendedRectangle };
enum THintAnimationType { hatNone, hatFade, hatSlide, hatSystemDefault };
enum TVTHintMode { hmDefault, hmHint, hmHintAndDefault, hmTooltip };
enum TVTIncrementalSearch { isAll, isNone, isInitializedOnly, isVisibleOnly };
enum TVTSearchDirection { sdForward, sdBackward };
enum TVTSearchStart { ssAlwaysStartOver, ssLastHit, ssFocusedNode };

/// The descriptions of the clipboard formats a tree offers, sorted,
/// without duplicates; only formats the registry knows for the tree's
/// class get in.
class TClipboardFormats : public TStringList {
    PRICETAGS_CLASS(TClipboardFormats, TStringList)
public:
    explicit TClipboardFormats(TBaseVirtualTree* AOwner);
    ~TClipboardFormats() override;
    TBaseVirtualTree* Owner() const { return FOwner; }
    /// -1 (and nothing added) for a format the tree's class cannot offer.
    int Add(const AnsiString& S) override;
    /// Nothing for a format the tree's class cannot offer.
    void Insert(int Index, const AnsiString& S) override;

private:
    bool Allowed(const AnsiString& S) const;
    TBaseVirtualTree* FOwner;
};

/// What the tree paints (PaintTree): bits of the paint options.
enum TVTInternalPaintOption {
    poBackground, poColumnColor, poDrawFocusRect, poDrawSelection, poDrawDropMark,
    poGridLines, poMainOnly, poSelectedOnly,
};
using TVTInternalPaintOptions = EnumSet<TVTInternalPaintOption>;

/// Flags of SetScrollOffset.
enum TScrollUpdateOption { suoRepaintHeader, suoRepaintScrollBars, suoScrollClientArea,
                           suoUpdateNCArea };
using TScrollUpdateOptions = EnumSet<TScrollUpdateOption>;
inline constexpr TScrollUpdateOptions DefaultScrollUpdateFlags =
    TScrollUpdateOptions::FromBits(15);

/// The tree's 15 colours, by index.
class TVTColors : public TPersistent {
    PRICETAGS_CLASS(TVTColors, TPersistent)
public:
    enum : int {
        DisabledColor, DropMarkColor, DropTargetColor, FocusedSelectionColor, GridLineColor,
        TreeLineColor, UnfocusedSelectionColor, BorderColor, HotColor,
        FocusedSelectionBorderColor, UnfocusedSelectionBorderColor, DropTargetBorderColor,
        SelectionRectangleBlendColor, SelectionRectangleBorderColor, HeaderHotColor, Count,
    };
    explicit TVTColors(TBaseVirtualTree* AOwner);
    ~TVTColors() override;
    TColor Get(int Index) const { return FColors[Index]; }
    /// Stores and repaints the live tree (the frame for BorderColor).
    void Set(int Index, TColor Value);
    /// One colour as a property of its own (the published colours).
    template <int Index>
    TColor Indexed() const
    {
        return FColors[Index];
    }
    template <int Index>
    void SetIndexed(TColor Value)
    {
        Set(Index, Value);
    }
    void Assign(TPersistent* Source) override;

private:
    TBaseVirtualTree* FOwner;
    TColor FColors[Count];
};

/// The tree's scroll bar settings.
class TScrollBarOptions : public TPersistent {
    PRICETAGS_CLASS(TScrollBarOptions, TPersistent)
public:
    explicit TScrollBarOptions(TBaseVirtualTree* AOwner);
    ~TScrollBarOptions() override;
    bool AlwaysVisible() const { return FAlwaysVisible; }
    void SetAlwaysVisible(bool Value);
    int HorizontalIncrement() const { return FIncrementX; }
    void SetHorizontalIncrement(int Value) { FIncrementX = Value; }
    int VerticalIncrement() const { return FIncrementY; }
    void SetVerticalIncrement(int Value) { FIncrementY = Value; }
    TScrollStyle ScrollBars() const { return FScrollBars; }
    void SetScrollBars(TScrollStyle Value);
    TScrollBarStyle ScrollBarStyle() const { return FScrollBarStyle; }
    /// Only sbmRegular; another style fails an assertion.
    void SetScrollBarStyle(TScrollBarStyle Value);
    void Assign(TPersistent* Source) override;

private:
    TBaseVirtualTree* FOwner;
    bool FAlwaysVisible = false;
    int FIncrementX = 20;
    int FIncrementY = 20;
    TScrollStyle FScrollBars = ssBoth;
    TScrollBarStyle FScrollBarStyle = sbmRegular;
};

/// How a drag image may move: freely, only sideways or only up and down.
enum TVTDragMoveRestriction { dmrNone, dmrHorizontalOnly, dmrVerticalOnly };

/// A picture of what is dragged (nodes or a header column) that follows
/// the mouse above every window. The window layer shows it in a window of
/// its own, so nothing is read back from the screen: the picture is
/// blended towards the tree's colour by the transparency and biases before
/// it is shown, and ColorKey pixels are left out.
class TVTDragImage : public TObject {
public:
    explicit TVTDragImage(TBaseVirtualTree* AOwner);
    ~TVTDragImage() override;

    /// Takes a copy of Picture; ImagePosition is the screen point of its
    /// top-left, HotSpot the screen point of the mouse. Hidden until shown.
    void PrepareDrag(TBitmap* Picture, const TPoint& ImagePosition, const TPoint& HotSpot);
    void ShowDragImage();
    void HideDragImage();
    /// Moves the image with the mouse (screen point) as the restriction
    /// allows; true when it moved. Force moves it even in place.
    bool DragTo(const TPoint& P, bool ForceRepaint = false);
    void EndDrag();
    /// The picture's screen rectangle.
    TRect GetDragImageRect() const;
    /// Prepared, dragging and not hidden.
    bool Visible() const { return FPrepared && FInDrag && !FHidden; }
    bool Prepared() const { return FPrepared; }
    bool WillMove(const TPoint& P) const;

    Byte Transparency() const { return FTransparency; }
    void SetTransparency(Byte Value) { FTransparency = Value; }
    int PreBlendBias() const { return FPreBlendBias; }
    void SetPreBlendBias(int Value) { FPreBlendBias = Value; }
    int PostBlendBias() const { return FPostBlendBias; }
    void SetPostBlendBias(int Value) { FPostBlendBias = Value; }
    bool Fade() const { return FFade; }
    void SetFade(bool Value) { FFade = Value; }
    TVTDragMoveRestriction MoveRestriction() const { return FRestriction; }
    void SetMoveRestriction(TVTDragMoveRestriction Value) { FRestriction = Value; }
    TColor ColorKey() const { return FColorKey; }
    void SetColorKey(TColor Value) { FColorKey = Value; }

private:
    TPoint Moved(const TPoint& P) const;
    TBaseVirtualTree* FOwner;
    std::unique_ptr<TCustomImageList> FList;
    TPoint FImagePosition;
    TPoint FLastPosition;
    TSize FSize{0, 0};
    Byte FTransparency = 128;
    int FPreBlendBias = 0;
    int FPostBlendBias = 0;
    bool FFade = false;
    TVTDragMoveRestriction FRestriction = dmrNone;
    TColor FColorKey = clNone;
    bool FHidden = false;
    bool FPrepared = false;
    bool FInDrag = false;
};

/// The small picture wheel panning shows where the middle button went
/// down: a round plate with arrows to the sides the view can scroll to
/// (all four, left and right only, or up and down only). A window region
/// cuts the square window to the plate. It lets the mouse through.
class TVTPanningWindow : public THintWindow {
    PRICETAGS_CLASS(TVTPanningWindow, THintWindow)
public:
    enum TPanningImage { piMoveAll, piMoveEW, piMoveNS };
    static constexpr int Size = 32;

    explicit TVTPanningWindow(TBaseVirtualTree* Tree, TPanningImage Image);
    ~TVTPanningWindow() override;
    TPanningImage Image() const { return FImage; }
    /// Shows the window centred on a screen point, without activating it.
    void ShowAt(const TPoint& Centre);

protected:
    void Paint() override;

private:
    /// The plate and its arrows on Background.
    void DrawImage(HDC DC, TColor Background) const;
    /// The background colour the region is made without (0x00BBGGRR).
    static constexpr COLORREF Magenta = 0xFF00FF;
    TPanningImage FImage;
};

/// A step of an animation (Animate): false stops it.
using TVTAnimationCallback = MethodPointer<bool(int Step, int StepSize, void* Data)>;

enum TVTTooltipLineBreakStyle { hlbDefault, hlbForceSingleLine, hlbForceMultiLine };

/// What the tree hands its hint window (ActivateHintData's data; copied).
struct TVTHintData {
    TBaseVirtualTree* Tree = nullptr;
    PVirtualNode Node = nullptr;
    TColumnIndex Column = NoColumn;
    TRect HintRect;
    /// Shown when not empty; otherwise HintText (the node's hint, or its
    /// text in tooltip mode).
    std::u16string DefaultHint;
    std::u16string HintText;
    TBiDiMode BiDiMode = bdLeftToRight;
    TAlignment Alignment = taLeftJustify;
    TVTTooltipLineBreakStyle LineBreakStyle = hlbDefault;
};

/// Whether a hint animation must stop: false once a tree hint window is
/// made and after each hide, true once one is destroyed, and set by a tree
/// whose window goes while it animates. One for the process.
extern bool HintWindowDestroyed;

/// The tree's hint window: a framed text on the hint colour. In tooltip
/// mode (HintMode hmTooltip) it lies over the node's text in the tree's
/// font. It shows at once, fades in (the window's opacity rises from 0 in
/// 255 steps over twice the tree's AnimationDuration) or slides in (the
/// bottom rows of the hint show at the window's top, one more row a step
/// over AnimationDuration), by the tree's EffectiveHintAnimation.
class TVirtualTreeHintWindow : public THintWindow {
    PRICETAGS_CLASS(TVirtualTreeHintWindow, THintWindow)
public:
    explicit TVirtualTreeHintWindow(TComponent* AOwner);
    ~TVirtualTreeHintWindow() override;

    /// Rect (screen) empty: the application's hint goes. Otherwise the
    /// window takes Rect, moved inside the desktop, above the others and
    /// without activation, and animates before returning (the application's
    /// messages are processed between the steps). A hint shown while another
    /// animates ends that animation.
    void ActivateHint(TRect Rect, const AnsiString& AHint) override;
    /// The platform's answer for a shown window, except that a mouse move
    /// over a frame and keys leave the hint up.
    bool IsHintMsg(const MSG& Msg) override;
    /// The animation the shown hint runs (hatNone when none).
    THintAnimationType Animation() const { return FAnimation; }

    /// The window's rectangle at (-1, -1) for the hint data in AData (a
    /// TVTHintData); empty without data or text, and for a multi-line
    /// tooltip whose text the node already shows whole.
    TRect CalcHintRect(int MaxWidth, const AnsiString& AHint, void* AData) override;
    const TVTHintData& HintData() const { return FHintData; }

protected:
    void Paint() override;
    /// Text changes are ignored, the background is never erased, there is
    /// no frame to paint; a destroyed (hidden) window forgets its data.
    void WndProc(TMessage& Message) override;
    /// Shows one step of the animation. Step 0 draws the hint; then a fade
    /// sets the window's opacity to Step * 256 / 255 (at most 255) and a
    /// slide shows the hint's bottom Step rows at the window's top. StepSize
    /// 0 ends the animation: the whole hint, opaque.
    virtual void InternalPaint(int Step, int StepSize);

private:
    bool TooltipMode() const;
    TFont* HintFontFor() const;
    const std::u16string& Text() const;
    /// The tree's animation callback: false (stop) once the window went,
    /// is hidden or the tree cancels the animation.
    bool AnimationCallback(int Step, int StepSize, void* Data);
    TVTHintData FHintData;
    int FTextHeight = 0;
    THintAnimationType FAnimation = hatNone;
    /// Rows of the hint a slide shows; -1 when it shows whole.
    int FSlideRows = -1;
};

/// What one cell's painting knows (PaintTree).
struct TVTPaintInfo {
    TCanvas* Canvas = nullptr;
    TVTInternalPaintOptions PaintOptions;
    PVirtualNode Node = nullptr;
    TColumnIndex Column = NoColumn;
    int Position = 0;
    TRect CellRect;
    TRect ContentRect;
    int NodeWidth = -1;  // the content's width once measured
    TAlignment Alignment = taLeftJustify;
    TPoint ImagePos;
    TPoint StateImagePos;
    TPoint CheckPos;
    int ImageIndex = -1;
    int StateIndex = -1;
    TCustomImageList* Images = nullptr;
    TCustomImageList* StateImages = nullptr;
};

/// The tree's drop target and drop source: forwards the drags over the
/// tree's window to the tree, remembers the data object and the source tree
/// of the drag over it, and tells the drag loop the tree started when to
/// drop or cancel.
class TVTDragManager : public TInterfacedObject, public IDropTarget, public IDropSource {
public:
    explicit TVTDragManager(TBaseVirtualTree* AOwner) : FOwner(AOwner) {}

    /// The data object of the drag over the tree; else a new one of the
    /// owner's selection.
    InterfacePtr<IDataObject> DataObject();
    /// The tree of this process the drag over the tree comes from; null
    /// for another program or a tree gone meanwhile.
    TBaseVirtualTree* DragSource() const;
    bool IsDropTarget() const { return FIsDropTarget; }
    /// No system drag-image service here: the tree moves its own image.
    bool DropTargetHelperSupported() const { return false; }
    /// The tree goes; calls that come later do nothing.
    void OwnerGone() { FOwner = nullptr; }

    HRESULT DragEnter(IDataObject* Data, DWORD KeyState, TPoint Pt, DWORD* Effect) override;
    HRESULT DragOver(DWORD KeyState, TPoint Pt, DWORD* Effect) override;
    HRESULT DragLeave() override;
    HRESULT Drop(IDataObject* Data, DWORD KeyState, TPoint Pt, DWORD* Effect) override;
    /// Both buttons or Escape cancel, no button left drops.
    HRESULT QueryContinueDrag(BOOL EscapePressed, DWORD KeyState) override;
    HRESULT GiveFeedback(DWORD Effect) override;

private:
    TBaseVirtualTree* FOwner;  // null once the tree is gone
    InterfacePtr<IDataObject> FDataObject;
    uint64_t FDragSourceId = 0;  // by id: the source may go during the drag
    bool FIsDropTarget = false;
};

class TBaseVirtualTree : public TCustomControl {
    PRICETAGS_CLASS(TBaseVirtualTree, TCustomControl)
    friend class TVTHeader;
    friend class TVirtualTreeColumn;
    friend class TVirtualTreeColumns;
    friend class TVirtualTreeHintWindow;
public:
    explicit TBaseVirtualTree(TComponent* AOwner);
    ~TBaseVirtualTree() override;

    // -- structure and counts
    PVirtualNode RootNode() const { return FRoot; }
    Cardinal RootNodeCount() const { return FRoot ? FRoot->ChildCount : 0; }
    /// Makes or removes top-level nodes (SetChildCount on the root).
    void SetRootNodeCount(Cardinal Value);
    Cardinal ChildCount(PVirtualNode Node) const { return (Node ? Node : FRoot)->ChildCount; }
    void SetChildCount(PVirtualNode Node, Cardinal NewChildCount);
    /// Number of nodes, the hidden root not counted.
    Cardinal TotalCount() const { return FRoot->TotalCount - 1; }
    Cardinal VisibleCount() const { return FVisibleCount; }
    Cardinal SelectedCount() const { return FSelectionCount; }
    PVirtualNode FocusedNode() const { return FFocusedNode; }
    void SetFocusedNode(PVirtualNode Node) { DoFocusNode(Node, true); }
    TColumnIndex FocusedColumn() const { return FFocusedColumn; }
    void SetFocusedColumn(TColumnIndex Value);
    PVirtualNode RangeAnchor() const { return FRangeAnchor; }
    PVirtualNode HotNode() const { return FHotNode; }
    PVirtualNode DropTargetNode() const { return FDropTargetNode; }
    TColumnIndex EditColumn() const { return FEditColumn; }

    /// Host data of Node (behind the header and the internal data); null
    /// for the root, a null node or NodeDataSize 0.
    void* GetNodeData(PVirtualNode Node) const;
    int NodeDataSize() const { return FNodeDataSize; }
    /// -1 asks OnGetNodeDataSize when the first node is made. Changing it
    /// clears the tree.
    void SetNodeDataSize(int Value);
    Cardinal DefaultNodeHeight() const { return FDefaultNodeHeight; }
    void SetDefaultNodeHeight(Cardinal Value);
    Cardinal Indent() const { return FIndent; }
    /// Stores; a live tree updates its scroll bars and repaints.
    void SetIndent(Cardinal Value);
    int Margin() const { return FMargin; }
    void SetMargin(int Value);
    int TextMargin() const { return FTextMargin; }
    Cardinal ChangeDelay() const { return FChangeDelay; }
    void SetChangeDelay(Cardinal Value) { FChangeDelay = Value; }
    TVTNodeAttachMode DefaultPasteMode() const { return FDefaultPasteMode; }
    void SetDefaultPasteMode(TVTNodeAttachMode Value) { FDefaultPasteMode = Value; }
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);

    TCustomVirtualTreeOptions* TreeOptions() const { return FOptions.get(); }
    TVTHeader* Header() const { return FHeader.get(); }
    TVirtualTreeStates TreeStates() const { return FStates; }
    /// Node states as properties.
    bool Expanded(PVirtualNode Node) const { return Node && Node->Has(vsExpanded); }
    void SetExpanded(PVirtualNode Node, bool Value);
    bool Selected(PVirtualNode Node) const { return Node && Node->Has(vsSelected); }
    void SetSelected(PVirtualNode Node, bool Value);
    bool IsVisible(PVirtualNode Node) const { return Node && Node->Has(vsVisible); }
    void SetVisible(PVirtualNode Node, bool Value);
    bool IsDisabled(PVirtualNode Node) const { return Node && Node->Has(vsDisabled); }
    void SetDisabled(PVirtualNode Node, bool Value);
    /// Whether a node's texts wrap into several lines (its height is the
    /// host's, OnMeasureItem).
    bool Multiline(PVirtualNode Node) const { return Node && Node->Has(vsMultiline); }
    void SetMultiline(PVirtualNode Node, bool Value);
    bool HasChildren(PVirtualNode Node) const { return Node && Node->Has(vsHasChildren); }
    void SetHasChildren(PVirtualNode Node, bool Value);
    TCheckState CheckState(PVirtualNode Node) const
    {
        return static_cast<TCheckState>(Node->CheckState);
    }
    void SetCheckState(PVirtualNode Node, TCheckState Value);
    TCheckType CheckType(PVirtualNode Node) const { return static_cast<TCheckType>(Node->CheckType); }
    void SetCheckType(PVirtualNode Node, TCheckType Value);
    /// Height of a node's line; 0 for null and the root. With
    /// toVariableNodeHeight the node is measured once first.
    Cardinal NodeHeight(PVirtualNode Node) { return GetNodeHeight(Node); }
    void SetNodeHeight(PVirtualNode Node, Cardinal Value);
    int OffsetX() const { return FOffsetX; }
    int OffsetY() const { return FOffsetY; }
    /// Moves the view; clamped to the scroll ranges; raises OnScroll.
    bool SetOffsetXY(int X, int Y);
    int RangeX() const { return FRangeX; }
    /// Height of all shown rows.
    int RangeY() const { return FRangeY; }

    /// Sets both offsets (clamped to the ranges: 0 at most, client size
    /// less range at least), scrolls the window's pixels and keeps the bars
    /// in step as Options say. True when an offset changed; then OnScroll
    /// is raised (also inside an update, where nothing is scrolled).
    virtual bool SetScrollOffset(const TPoint& Value,
                                 TScrollUpdateOptions Options = DefaultScrollUpdateFlags,
                                 const TRect* ClipRect = nullptr);
    void SetOffsetX(int Value) { SetScrollOffset({Value, FOffsetY}); }
    void SetOffsetY(int Value) { SetScrollOffset({FOffsetX, Value}); }

    // -- appearance
    TVTColors* Colors() const { return FColors.get(); }
    TScrollBarOptions* ScrollBarOptions() const { return FScrollBarOptions.get(); }
    TVTLineStyle LineStyle() const { return FLineStyle; }
    void SetLineStyle(TVTLineStyle Value);
    TVTLineMode LineMode() const { return FLineMode; }
    void SetLineMode(TVTLineMode Value);
    TVTNodeAlignment NodeAlignment() const { return FNodeAlignment; }
    void SetNodeAlignment(TVTNodeAlignment Value);
    TVTButtonStyle ButtonStyle() const { return FButtonStyle; }
    void SetButtonStyle(TVTButtonStyle Value);
    TVTButtonFillMode ButtonFillMode() const { return FButtonFillMode; }
    void SetButtonFillMode(TVTButtonFillMode Value);
    TCheckImageKind CheckImageKind() const { return FCheckImageKind; }
    /// The check images become those of the kind (CustomCheckImages for
    /// ckCustom).
    void SetCheckImageKind(TCheckImageKind Value);
    TCustomImageList* CustomCheckImages() const { return FCustomCheckImages; }
    void SetCustomCheckImages(TCustomImageList* Value);
    /// The shared strip of 25 check images (16 x 16) for a kind: check
    /// boxes, radio buttons and buttons in their states, by CheckImageIndex.
    /// Null for ckCustom and unknown kinds. Owned by the unit.
    static TCustomImageList* CheckImageListFor(TCheckImageKind Kind);
    // The frame: a bevel of BevelWidth per cut on BevelEdges, then a band
    // of BorderWidth in the border colour, both outside the scroll bars.
    TBevelKind BevelKind() const { return FBevelKind; }
    void SetBevelKind(TBevelKind Value);
    TBevelCut BevelInner() const { return FBevelInner; }
    void SetBevelInner(TBevelCut Value);
    TBevelCut BevelOuter() const { return FBevelOuter; }
    void SetBevelOuter(TBevelCut Value);
    TBevelEdges BevelEdges() const { return FBevelEdges; }
    void SetBevelEdges(TBevelEdges Value);
    int BevelWidth() const { return FBevelWidth; }
    void SetBevelWidth(int Value);
    int BorderWidth() const { return FBorderWidth; }
    void SetBorderWidth(int Value);
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    /// bsSingle gives the window a sunken client edge.
    void SetBorderStyle(TBorderStyle Value);
    Byte SelectionBlendFactor() const { return FSelectionBlendFactor; }
    void SetSelectionBlendFactor(Byte Value) { FSelectionBlendFactor = Value; }
    Cardinal SelectionCurveRadius() const { return FSelectionCurveRadius; }
    void SetSelectionCurveRadius(Cardinal Value);
    Cardinal AnimationDuration() const { return FAnimationDuration; }
    /// Non-zero switches the toggle animation on, 0 off.
    void SetAnimationDuration(Cardinal Value);
    Cardinal AutoScrollDelay() const { return FAutoScrollDelay; }
    void SetAutoScrollDelay(Cardinal Value) { FAutoScrollDelay = Value; }
    Cardinal AutoScrollInterval() const { return FAutoScrollInterval; }
    void SetAutoScrollInterval(Cardinal Value) { FAutoScrollInterval = Value; }
    void SetTextMargin(int Value);
    Cardinal AutoExpandDelay() const { return FAutoExpandDelay; }
    void SetAutoExpandDelay(Cardinal Value) { FAutoExpandDelay = Value; }
    Cardinal EditDelay() const { return FEditDelay; }
    void SetEditDelay(Cardinal Value) { FEditDelay = Value; }
    /// The picture tiled behind the rows with toShowBackground.
    TPicture* Background() const { return FBackground.get(); }
    void SetBackground(TPicture* Value);
    int BackgroundOffsetX() const { return FBackgroundOffsetX; }
    void SetBackgroundOffsetX(int Value);
    int BackgroundOffsetY() const { return FBackgroundOffsetY; }
    void SetBackgroundOffsetY(int Value);
    int DragHeight() const { return FDragHeight; }
    void SetDragHeight(int Value) { FDragHeight = Value; }
    int DragWidth() const { return FDragWidth; }
    void SetDragWidth(int Value) { FDragWidth = Value; }
    TVTDragImageKind DragImageKind() const { return FDragImageKind; }
    void SetDragImageKind(TVTDragImageKind Value) { FDragImageKind = Value; }
    TVTDragOperations DragOperations() const { return FDragOperations; }
    void SetDragOperations(TVTDragOperations Value) { FDragOperations = Value; }
    TVTDragType DragType() const { return FDragType; }
    void SetDragType(TVTDragType Value) { FDragType = Value; }
    TVTDrawSelectionMode DrawSelectionMode() const { return FDrawSelectionMode; }
    void SetDrawSelectionMode(TVTDrawSelectionMode Value) { FDrawSelectionMode = Value; }
    THintAnimationType HintAnimation() const { return FHintAnimation; }
    void SetHintAnimation(THintAnimationType Value) { FHintAnimation = Value; }
    TVTHintMode HintMode() const { return FHintMode; }
    void SetHintMode(TVTHintMode Value) { FHintMode = Value; }
    TCursor HotCursor() const { return FHotCursor; }
    void SetHotCursor(TCursor Value) { FHotCursor = Value; }
    TVTIncrementalSearch IncrementalSearch() const { return FIncrementalSearch; }
    void SetIncrementalSearch(TVTIncrementalSearch Value) { FIncrementalSearch = Value; }
    TVTSearchDirection IncrementalSearchDirection() const { return FSearchDirection; }
    void SetIncrementalSearchDirection(TVTSearchDirection Value) { FSearchDirection = Value; }
    TVTSearchStart IncrementalSearchStart() const { return FSearchStart; }
    void SetIncrementalSearchStart(TVTSearchStart Value) { FSearchStart = Value; }
    Cardinal IncrementalSearchTimeout() const { return FSearchTimeout; }
    void SetIncrementalSearchTimeout(Cardinal Value) { FSearchTimeout = Value; }
    bool WantTabs() const { return FWantTabs; }
    void SetWantTabs(bool Value) { FWantTabs = Value; }
    TClipboardFormats* ClipboardFormats() const { return FClipboardFormats.get(); }
    /// Clears the list and adds each of Value's strings the tree may offer.
    void SetClipboardFormats(TStrings* Value);
    // -- auto-scroll and wheel panning
    /// Whether the view may follow the mouse now (a rubber band, a drag or
    /// wheel panning runs, with toAutoScroll or panning).
    virtual bool CanAutoScroll() const;
    /// The directions the view can scroll for a client point: near an edge
    /// (within DefaultNodeHeight) with content beyond it, or, while wheel
    /// panning, the sides of the start point beyond 8 pixels.
    virtual TScrollDirections DetermineScrollDirections(int X, int Y);
    /// Stores the directions for the point and starts or stops timer 4.
    virtual void AutoScrollCheck(int X, int Y);
    /// One step of timer 4.
    virtual void AutoScrollTick();
    /// Wheel panning from a client point: timer 4 every 20 ms moves the view
    /// towards the mouse, faster the farther it is from the start point.
    virtual void BeginWheelPanning(const TPoint& Position);
    virtual void EndWheelPanning();
    /// The client point the last button press happened at.
    TPoint LastClickPos() const { return FLastClickPos; }
    void SetLastClickPos(const TPoint& Value) { FLastClickPos = Value; }

    /// The header's rectangle in window coordinates (empty when hidden).
    TRect HeaderRect() const { return FHeaderRect; }
    /// Index into a check image strip for the node's type and state; -1
    /// without a check type.
    int CheckImageIndex(PVirtualNode Node) const;

    /// The picture of the selected rows around HotSpot (client point),
    /// DragWidth x DragHeight, handed to the drag image; nothing with
    /// diNoImage.
    void PrepareDragImage(const TPoint& HotSpot);
    TVTDragImage* DragImage() const { return FDragImage.get(); }

    /// Paints the tree area Window (tree coordinates) into TargetCanvas with
    /// Window's top-left at Target.
    void PaintTree(TCanvas* TargetCanvas, const TRect& Window, const TPoint& Target,
                   TVTInternalPaintOptions PaintOptions);

    /// Reserves Size bytes (rounded up to 4) in every node for a descendant
    /// and returns their offset from the node's start. Raises
    /// EVirtualTreeError "Internal data allocation must be done before any
    /// node is created." once the tree has nodes.
    virtual Cardinal ReserveInternalData(Cardinal Size);

    // -- visibility and order
    /// Visible and every ancestor expanded and visible. Null asserts.
    bool IsFullyVisible(PVirtualNode Node) const;
    bool HasVisibleParentPath(PVirtualNode Node) const;
    bool IsVisibleNode(PVirtualNode Node);
    /// Tree order: <0 Node1 first, 0 same, >0 Node2 first (1 when Node2 is
    /// an ancestor of Node1).
    int CompareTreeOrder(PVirtualNode Node1, PVirtualNode Node2) const;
    Cardinal NodeLevel(PVirtualNode Node) const;
    bool IsDescendantOf(PVirtualNode Node, PVirtualNode PotentialParent) const;
    PVirtualNode VisibleAncestor(PVirtualNode Node) const;

    // -- updates and deletion
    void LockUpdates();
    void UnlockUpdates();
    void BeginUpdate() { LockUpdates(); }
    void EndUpdate() { UnlockUpdates(); }
    Cardinal UpdateCount() const { return FUpdateCount; }
    void RemoveAll();
    void Clear() { RemoveAll(); }
    void RemoveChildren(PVirtualNode Node, bool ResetHasChildren = false);
    void RemoveNode(PVirtualNode Node, bool Reindex = true);
    virtual void RemoveSelectedNodes();
    void RemoveCutNodes();

    // -- editing
    virtual bool StartEditing(PVirtualNode Node, TColumnIndex Column);
    bool FinishEditing();
    bool AbortEditing();
    bool EditingActive() const { return FStates.Contains(tsEditing); }
    /// The editor of the running edit; null when none. Not owned.
    IVTEditLink* EditLink() const { return FEditLink.get(); }
    /// Lays the running editor over its cell again (after a scroll or a
    /// column change); nothing when no edit runs.
    void UpdateEditBounds();
    /// Where the editor of the running edit goes: the focused cell's text
    /// rectangle widened by the text margins (client coordinates).
    TRect EditBounds();
    bool RubberBandActive() const;
    bool DragActive() const;

    // -- expansion, initialisation, sorting
    virtual void ExpandAll(PVirtualNode Node = nullptr);
    virtual void CollapseAll(PVirtualNode Node = nullptr);
    void ToggleNode(PVirtualNode Node);
    void InitRecursive(PVirtualNode Node, bool Recursive = true);
    void ReinitChildren(PVirtualNode Node, bool Recursive);
    void ReinitNode(PVirtualNode Node, bool Recursive);
    void ResetNode(PVirtualNode Node);
    virtual void Sort(PVirtualNode Node, TColumnIndex Column, TSortDirection Direction,
                      bool DoInit = true);
    virtual void SortTree(TColumnIndex Column, TSortDirection Direction, bool DoInit = true);
    /// Moves Source (or only its children) to Target with Mode; into the
    /// tree that owns Target. Raises 2001 when Target lies inside Source.
    void MoveTo(PVirtualNode Source, PVirtualNode Target, TVTNodeAttachMode Mode,
                bool ChildrenOnly);

    /// Inserts the nodes a data object carries ("Virtual Tree Data": a u32
    /// byte count, then that many bytes of node chunks) at TargetNode with
    /// Mode, or, Optimized (a cut between trees of this process), moves
    /// SourceTree's cut or selected nodes there. False when the object has
    /// no tree data or this tree is read-only. A byte count past the block
    /// raises 2006.
    bool ProcessOLEData(TBaseVirtualTree* SourceTree, IVTDataSource* DataObject,
                        PVirtualNode TargetNode, TVTNodeAttachMode Mode, bool Optimized);

    /// The same from any data object with the tree data (a drop): by a
    /// global memory block or a stream.
    bool ProcessOLEData(TBaseVirtualTree* SourceTree, IDataObject* DataObject,
                        PVirtualNode TargetNode, TVTNodeAttachMode Mode, bool Optimized);

    // -- drag and drop
    /// The drop target side, as the drag manager forwards it: points are
    /// screen pixels, Effect comes in as the allowed effects and goes out as
    /// the one proposed (with DROPEFFECT_SCROLL when a drag over scrolled).
    /// Exceptions of handlers become E_UNEXPECTED; a drop without an effect
    /// is E_FAIL.
    HRESULT OleDragEnter(DWORD KeyState, const TPoint& Pt, DWORD& Effect);
    HRESULT OleDragOver(TObject* Source, DWORD KeyState, TDragState DragState, const TPoint& Pt,
                        DWORD& Effect);
    void OleDragLeave();
    HRESULT OleDrop(IDataObject* DataObject, DWORD KeyState, const TPoint& Pt, DWORD& Effect);
    /// The effect a drag from Source gets by default (move inside the tree,
    /// copy from elsewhere) and by keys (Ctrl copy, Shift move, Ctrl+Shift
    /// or Alt link), each only when allowed.
    virtual DWORD ProposeDropEffect(TObject* Source, TShiftState Shift, const TPoint& Pt,
                                    DWORD AllowedEffects);
    /// The tree of this process a data object comes from; null for another
    /// program's data or a tree that is gone.
    static TBaseVirtualTree* TreeOfDataObject(IDataObject* DataObject);
    /// A new data object of the selected nodes (node chunks made now; the
    /// other formats rendered from the selection while the tree lives).
    InterfacePtr<IDataObject> CreateDragDataObject();
    TVTDragManager* DragManager() const { return FDragManager.Get(); }
    /// Where the drop of the drag over the tree goes.
    TDropMode LastDropMode() const { return FLastDropMode; }
    /// Ends a class-library drag: the tree hears the missing button release.
    void EndDragSession();

    // -- the clipboard
    /// Marks the selected nodes (no descendant of a marked node) as copied
    /// and puts them on the clipboard. Their node chunks are made now, so
    /// every paste gets them, also after this tree is gone.
    void CopyToClipboard();
    /// The same for a cut: the first paste in this program moves the nodes.
    void CutToClipboard();
    /// Inserts the clipboard's tree data at the focused node (the root
    /// without one) with DefaultPasteMode, keeping the nodes' order; a cut
    /// of a tree of this program is moved. False when the clipboard has no
    /// tree data or this tree is read-only. A broken block raises 2006.
    bool PasteFromClipboard();
    /// Ends a pending cut or copy: the nodes lose their mark and the
    /// clipboard lets the object of it go.
    void CancelCutOrCopy();
    /// The standard edit actions (Edit menu, tool buttons) work on the
    /// focused tree: cut, copy and paste through the clipboard, delete
    /// removes the selected nodes, select all selects every node. True when
    /// the action was one of them.
    bool ExecuteAction(TBasicAction* Action) override;
    /// Enables them: cut and delete while nodes are selected and the tree is
    /// not read-only, copy while nodes are selected, paste while the
    /// clipboard holds tree data and the tree is not read-only, select all
    /// while the tree has nodes and allows several selected.
    bool UpdateAction(TBasicAction* Action) override;
    /// A node of a pending cut: painted ghosted (grey text, blended images)
    /// until pasted or cancelled.
    bool NodeShownAsCut(PVirtualNode Node) const
    {
        return FStates.Contains(tsCutPending) && Node->Has(vsCutOrCopy);
    }
    /// The tree's id in this process (never reused).
    uint64_t TreeId() const { return FTreeId; }
    /// The live tree with an id; null when there is none.
    static TBaseVirtualTree* TreeById(uint64_t Id);
    /// The serial of the pending cut or copy (0 for none).
    uint64_t ClipboardSerial() const { return FClipboardSerial; }
    /// A clipboard format other than the tree data, of the cut/copy set
    /// (ForClipboard) or of the selection (a drag); false when the tree has
    /// none such.
    bool RenderClipboardFormatFor(Word Format, std::string& Block, bool ForClipboard = true)
    {
        return RenderClipboardFormat(Format, Block, ForClipboard);
    }

    // -- selection
    void SelectAll(bool VisibleOnly);
    void UnselectAll();
    TNodeArray SelectedNodesInOrder(bool Resolve = true);
    TNodeArray ClipboardNodesInOrder(bool Resolve = true);
    /// The selection as stored: ascending by node identity.
    const PVirtualNode* SelectionData() const { return FSelection.data(); }
    void HandleClickSelection(PVirtualNode LastFocused, PVirtualNode NewNode, TShiftState Shift,
                              bool DragPending);
    void FocusNodeAndColumn(PVirtualNode Node, TColumnIndex Column);

    // -- navigation (the Raw forms never initialise)
    PVirtualNode FirstNode();
    PVirtualNode FirstNodeRaw() const;
    PVirtualNode FirstInitializedNode();
    PVirtualNode FirstChildOf(PVirtualNode Node);
    PVirtualNode FirstVisibleNode();
    PVirtualNode FirstVisibleNodeRaw() const;
    PVirtualNode FirstVisibleChildOf(PVirtualNode Node);
    PVirtualNode FirstSelectedNode() const;
    PVirtualNode FirstClipboardNode() const;
    PVirtualNode LastNode(PVirtualNode Node = nullptr);
    PVirtualNode LastNodeRaw(PVirtualNode Node = nullptr) const;
    PVirtualNode LastChildOf(PVirtualNode Node);
    PVirtualNode LastChildOfRaw(PVirtualNode Node) const;
    PVirtualNode LastVisibleNode(PVirtualNode Node = nullptr);
    PVirtualNode LastVisibleNodeRaw(PVirtualNode Node = nullptr) const;
    PVirtualNode LastVisibleChildOf(PVirtualNode Node);
    PVirtualNode LastVisibleChildOfRaw(PVirtualNode Node) const;
    PVirtualNode NextNode(PVirtualNode Node);
    PVirtualNode NextNodeRaw(PVirtualNode Node) const;
    PVirtualNode NextInitializedNode(PVirtualNode Node);
    PVirtualNode NextSelectedNode(PVirtualNode Node) const;
    PVirtualNode NextClipboardNode(PVirtualNode Node) const;
    PVirtualNode NextSiblingOf(PVirtualNode Node);
    PVirtualNode NextVisibleNode(PVirtualNode Node);
    PVirtualNode NextVisibleNodeRaw(PVirtualNode Node) const;
    PVirtualNode NextVisibleSiblingOf(PVirtualNode Node);
    PVirtualNode NextVisibleSiblingOfRaw(PVirtualNode Node) const;
    PVirtualNode PreviousNode(PVirtualNode Node);
    PVirtualNode PreviousNodeRaw(PVirtualNode Node) const;
    PVirtualNode PreviousSiblingOf(PVirtualNode Node);
    PVirtualNode PreviousVisibleNode(PVirtualNode Node);
    PVirtualNode PreviousVisibleNodeRaw(PVirtualNode Node) const;
    PVirtualNode PreviousVisibleSiblingOf(PVirtualNode Node);
    PVirtualNode PreviousVisibleSiblingOfRaw(PVirtualNode Node) const;

    // -- geometry (tree coordinates unless Relative; Y grows downwards)
    /// The node whose row holds Y (only Y counts); null below the last row.
    /// NodeTop gets the row's top.
    PVirtualNode NodeAtPosition(int X, int Y, bool Relative, int& NodeTop);
    PVirtualNode GetNodeAt(int X, int Y)
    {
        int Dummy = 0;
        return NodeAtPosition(X, Y, true, Dummy);
    }
    void HitTest(int X, int Y, bool Relative, THitInfo& HitInfo);
    /// The node's row (or cell, or text) rectangle in client coordinates;
    /// empty when the node is not shown.
    TRect NodeDisplayRect(PVirtualNode Node, TColumnIndex Column, bool TextOnly,
                          bool Unclipped = false);
    TRect CanvasRect();
    int ColumnContentWidth(TColumnIndex Column);
    bool ScrollIntoView(PVirtualNode Node, bool Center, bool Horizontally = false);
    /// The shown row's top in tree coordinates (sum of the heights of the
    /// shown rows above it); the node must be fully visible.
    Cardinal NodeTop(PVirtualNode Node);

    // -- invalidation and scroll ranges (no-ops without a window)
    virtual TRect InvalidateNode(PVirtualNode Node);
    void RepaintBelow(PVirtualNode Node);
    void RepaintNode(PVirtualNode Node);
    void UpdateScrollBars(bool DoChildren);
    void UpdateVerticalScrollBar(bool DoRepaint);
    void UpdateHorizontalScrollBar(bool DoRepaint);

    // -- streams
    void LoadFromFile(const AnsiString& FileName);
    void SaveToFile(const AnsiString& FileName);
    void LoadFromStream(TStream* Stream);
    /// The whole tree (Node null) or one node with its subtree.
    void SaveToStream(TStream* Stream, PVirtualNode Node = nullptr);
    /// Node chunks of the given nodes, back to back (the transfer payload).
    void WriteNodeChunks(TStream* Stream, const TNodeArray& Nodes);

    // -- position cache
    /// Entries of the current cache (empty below 2000 shown rows).
    const std::vector<TCacheEntry>& PositionCache() const { return FPositionCache; }
    /// Brings the cache up to date now (it is rebuilt on first need anyway).
    void ValidateCache();

    /// The row hit test of one node: which part of the row X lies in (X
    /// relative to the cell's left edge).
    void DetermineHitPositionLTR(THitInfo& HitInfo, int Offset, int Right, TAlignment Alignment);
    /// The same for a right-to-left row: its parts mirrored from the right.
    void DetermineHitPositionRTL(THitInfo& HitInfo, int Offset, int Right, TAlignment Alignment);
    /// How a cell's text is placed: the column's alignment (the tree's
    /// without columns), mirrored for right-to-left reading.
    TAlignment DisplayAlignment(TColumnIndex Column, bool& RightToLeft) const;
    int DetermineLineImage(PVirtualNode Node, TLineImage& LineImage);

    // -- events
    TVTChangeEvent OnChange;
    TVTChangeEvent OnChecked;
    TVTCheckChangingEvent OnChecking;
    TVTChangeEvent OnCollapsed;
    TVTChangingEvent OnCollapsing;
    TVTCompareEvent OnCompareNodes;
    TVTCreateEditorEvent OnCreateEditor;
    TVTDragAllowedEvent OnDragAllowed;
    TVTDragOverEvent OnDragOver;
    TVTDragDropEvent OnDragDrop;
    TVTEditChangingEvent OnEditing;
    TVTEditChangeEvent OnEdited;
    TVTEditCancelEvent OnEditCancelled;
    TVTChangeEvent OnExpanded;
    TVTChangingEvent OnExpanding;
    TVTFocusChangeEvent OnFocusChanged;
    TVTFocusChangingEvent OnFocusChanging;
    TVTFreeNodeEvent OnFreeNode;
    TVTGetCursorEvent OnGetCursor;
    TVTGetImageEvent OnGetImageIndex;
    TVTGetImageExEvent OnGetImageIndexEx;
    TVTHotNodeChangeEvent OnHotChange;
    TVTIncrementalSearchEvent OnIncrementalSearch;
    TVTInitChildrenEvent OnInitChildren;
    TVTInitNodeEvent OnInitNode;
    TVTKeyActionEvent OnKeyAction;
    TVTSaveNodeEvent OnLoadNode;
    TVTMeasureItemEvent OnMeasureItem;
    TVTNodeCopiedEvent OnNodeCopied;
    TVTNodeCopyingEvent OnNodeCopying;
    TVTNodeMovedEvent OnNodeMoved;
    TVTNodeMovingEvent OnNodeMoving;
    TVTChangeEvent OnResetNode;
    TVTSaveNodeEvent OnSaveNode;
    TVTScrollEvent OnScroll;
    TVTStateChangeEvent OnStateChange;
    TVTStructureChangeEvent OnStructureChange;
    TVTUpdatingEvent OnUpdating;
    TVTGetNodeDataSizeEvent OnGetNodeDataSize;
    TVTGetCellIsEmptyEvent OnGetCellIsEmpty;
    TVTPopupEvent OnGetPopupMenu;
    /// A click on a column's header button (coAllowClick).
    TVTHeaderClickEvent OnHeaderClick;
    /// A double click on a header column (Shift holds ssDouble).
    TVTHeaderClickEvent OnHeaderDblClick;
    /// A vsOwnerDraw column's whole button (without hoOwnerDraw's advanced
    /// drawing).
    TVTHeaderPaintEvent OnHeaderDraw;
    /// With hoOwnerDraw: which parts the host draws, then those parts.
    TVTHeaderPaintQueryElementsEvent OnHeaderDrawQueryElements;
    TVTAdvancedHeaderPaintEvent OnAdvancedHeaderDraw;
    /// A column dragged to a new place: the column and its old position.
    TVTHeaderDraggedEvent OnHeaderDragged;
    /// A column's width changed (NoColumn: after the header was read).
    TVTColumnResizeEvent OnColumnResize;
    /// A click (press and release) in a column of the tree area.
    TVTColumnClickEvent OnColumnClick;
    TVTColumnClickEvent OnColumnDblClick;
    /// F1: the help context of a node and column (0 asks the parent).
    TVTHelpContextEvent OnGetHelpContext;

    // -- input
    /// The text typed so far by an incremental search (empty when none runs).
    const std::u16string& SearchBuffer() const { return FSearchBuffer; }
    PVirtualNode LastSearchNode() const { return FLastSearchNode; }
    /// The base tree: the inherited answer; not when the parent form is
    /// disabled or hidden.
    bool CanFocus() override;
    /// Invalidates the client area under a column (nothing for no column or
    /// inside an update).
    void RepaintColumn(TColumnIndex Column);
    /// The base tree has no texts: an empty rectangle and text, the tree's
    /// font copied into Font.
    virtual void CellTextInfo(PVirtualNode Node, TColumnIndex Column, TFont* Font, TRect& R,
                              std::u16string& Text);
    /// The rubber band's rectangles in tree coordinates (canvas pixels).
    TRect NewSelectionRect() const { return FNewSelRect; }

    /// From another tree: its node settings, options and top-level count
    /// (nothing for a read-only tree); anything else as usual.
    void Assign(TPersistent* Source) override;

    TCustomImageList* Images() const { return FImages; }
    void SetImages(TCustomImageList* Value);
    TCustomImageList* StateImages() const { return FStateImages; }
    void SetStateImages(TCustomImageList* Value);
    /// The check image list in use (the painting chooses it by the check
    /// image kind); null while none is set. Not owned.
    TCustomImageList* CheckImages() const { return FCheckImages; }
    void SetCheckImages(TCustomImageList* Value)
    {
        FCheckImages = Value;
        InvalidateTree();
    }

protected:
    friend class TCustomVirtualTreeOptions;

    // -- class factories: a descendant's constructor puts its own header or
    // options object in place of the base ones
    void ReplaceHeader(std::unique_ptr<TVTHeader> Header) { FHeader = std::move(Header); }
    void ReplaceOptions(std::unique_ptr<TCustomVirtualTreeOptions> Options)
    {
        FOptions = std::move(Options);
    }

    // -- core operations
    PVirtualNode NewNodeRecord();
    void FreeNodeRecord(PVirtualNode Node);
    void SetupRootNode(Cardinal OldSize);
    void ShiftTotalCount(PVirtualNode Node, int64_t Value, bool Relative);
    void ShiftTotalHeight(PVirtualNode Node, int64_t Value, bool Relative);
    Cardinal GetNodeHeight(PVirtualNode Node);
    virtual int NodeLevelDifference(PVirtualNode Node1, PVirtualNode Node2) const;
    PVirtualNode FindCacheEntryByNode(PVirtualNode Node, Cardinal& Top);
    PVirtualNode FindCacheEntryByPosition(Cardinal Y, Cardinal& Top);
    bool ApplyCheckState(PVirtualNode Node, TCheckState Value);
    virtual bool PropagateCheckToParent(PVirtualNode Node, TCheckState NewState);
    virtual TCheckState NextCheckStateFor(TCheckType CheckType, TCheckState CheckState);
    virtual void Change(PVirtualNode Node);
    virtual void AdviseChange(bool StructureChange, PVirtualNode Node, TChangeReason Reason);
    void InterruptValidation();
    virtual Cardinal CountVisibleChildren(PVirtualNode Node) const;
    virtual void UpdateHiddenChildrenFlag(PVirtualNode Node);
    void UpdateAllHiddenChildrenFlags();

    // -- initialisation, linking, notifications
    virtual void ChangeState(TVirtualTreeStates Enter, TVirtualTreeStates Leave);
    virtual void FireStructureChange(PVirtualNode Node, TChangeReason Reason);
    virtual void StructureModified(PVirtualNode Node, TChangeReason Reason);
    virtual void FireUpdating(TVTUpdateState State);
    virtual void InitializeNode(PVirtualNode Node);
    virtual void InitializeChildren(PVirtualNode Node);
    virtual void LinkNode(PVirtualNode Node, PVirtualNode Destination, TVTNodeAttachMode Mode,
                          TBaseVirtualTree* Target = nullptr);
    virtual void UnlinkNode(PVirtualNode Node, bool KeepFocus, bool Reindex);
    virtual void QueryNodeDataSize(int& Size);
    virtual bool RebuildPositionCache();
    void StartCacheValidation();
    void InvalidatePositionCache();
    /// After the loading steps of the class library: the nodes of a
    /// RootNodeCount read from the form, the main column, the columns'
    /// positions, the header's frame and the auto-size column.
    void Loaded() override;
    /// The header's columns as the tree's property "Columns" (written when
    /// there are columns that differ from the ancestor's), and the option
    /// set "Options" of older forms, read only.
    void DefineProperties(TFiler* Filer) override;
    /// "Options": a set of the old option names (voAutoScroll...). The five
    /// option sets are emptied, then each name sets the option of the same
    /// name ("to" for "vo") in its set.
    void ReadOldOptions(TReader* Reader);
    /// With toAutoChangeScale the default node height follows the scale.
    void ChangeScale(int M, int D) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void WndProc(TMessage& Message) override;

    // -- keyboard and mouse (the handlers of the window's messages)
    void WMKeyDown(TWMKey& Message) override;
    void WMKeyUp(TWMKey& Message) override;
    void WMChar(TWMKey& Message) override;
    void WMGetDlgCode(TMessageRecord& Message) override;
    void WMSetFocus(TWMSetFocus& Message) override;
    void WMKillFocus(TWMKillFocus& Message) override;
    void WMLButtonDown(TWMMouse& Message) override;
    void WMLButtonUp(TWMMouse& Message) override;
    void WMLButtonDblClk(TWMMouse& Message) override;
    void WMMButtonDown(TWMMouse& Message) override;
    void WMMButtonUp(TWMMouse& Message) override;
    void WMMButtonDblClk(TWMMouse& Message) override;
    void WMRButtonDown(TWMMouse& Message) override;
    void WMRButtonUp(TWMMouse& Message) override;
    void WMRButtonDblClk(TWMMouse& Message) override;
    void WMMouseMove(TWMMouse& Message) override;
    void WMTimer(TWMTimer& Message) override;
    void WMCancelMode(TMessageRecord& Message) override;
    void WMContextMenu(TMessageRecord& Message) override;
    void WMSetCursor(TWMSetCursor& Message) override;
    void WMNCHitTest(TWMNCHitTest& Message) override;
    void CMMouseLeave(TMessageRecord& Message) override;
    /// The keyboard table: navigation, selection after each key, check
    /// boxes by Space, expansion by the numeric pad, search keys.
    virtual void HandleKeyDown(Word CharCode, TShiftState Shift, Word TypedChar);
    virtual void MousePressed(TWMMouse& Message, const THitInfo& HitInfo);
    virtual void MouseReleased(TWMMouse& Message, const THitInfo& HitInfo);
    virtual void MouseDoubleClicked(TWMMouse& Message, const THitInfo& HitInfo);
    /// The mouse moved to (X, Y) (client pixels) with Keys (MK_ flags).
    void TrackMouseMove(UINT Keys, int X, int Y);
    /// The node under (X, Y) becomes the hot node (OnHotChange; its row
    /// and the old one repainted with toHotTrack or toCheckSupport).
    void TrackHotNode(int X, int Y);
    /// One typed character (CP1251; 8 is Backspace, 0 only restarts the
    /// time-out) of an incremental search.
    virtual void IncrementalSearchKey(Word CharCode);
    bool NodeHasPopup(PVirtualNode Node, TColumnIndex Column, const TPoint& Pos);
    virtual void DoColumnClick(TColumnIndex Column, TShiftState Shift);
    virtual void DoColumnDblClick(TColumnIndex Column, TShiftState Shift);
    /// Shows the host's popup menu for a node at a client point; true when
    /// one was shown.
    virtual bool DoPopupMenu(PVirtualNode Node, TColumnIndex Column, const TPoint& Position);
    /// An OLE drag of the selected nodes from the client point P: the drag
    /// image, the system's drag loop with DragOperations, then, for a move
    /// with toAutoDeleteMovedNodes, the moved nodes deleted (unless a tree
    /// of this program moved them itself).
    virtual void DoDragging(const TPoint& P);
    /// Timer 1: the drop target opens while a drag rests on it.
    virtual void DoDragExpand();
    /// The drag starts once the mouse leaves the threshold around the press
    /// (Threshold -1: the system's drag distance); Immediate starts it now.
    /// With dtVCL the class library's drag starts instead.
    void StartDrag(bool Immediate, int Threshold);
    /// The rubber band's corner moves to the client point (X, Y); true when
    /// the rectangle changed.
    bool UpdateSelectionRect(int X, int Y);
    /// Selects what the rubber band covers: nodes that entered or left it
    /// between the last and the new rectangle toggle (Ctrl) or join and
    /// leave. True when the selection changed.
    bool HandleDrawSelection(const TRect& OldRect, const TRect& NewRect);
    /// CM_HINTSHOW: the header's column hints, the control's own hint or a
    /// node's hint or tooltip by HintMode.
    void CMHintShow(TMessage& Message);
    /// The hint of a node's cell; the base tree has none.
    virtual std::u16string DoGetNodeHint(PVirtualNode Node, TColumnIndex Column,
                                         TVTTooltipLineBreakStyle& LineBreakStyle);
    /// Draws the rubber band over the client area.
    void PaintSelectionFrame(TCanvas* TargetCanvas);
    /// While panning: the cursor shows where the view can still go from the
    /// start point (8 pixels around it stand still).
    virtual void UpdatePanningCursor(int X, int Y);
    /// The resource name of the cursor the last panning move chose
    /// ("VT_MOVEN"...); null outside panning.
    const char* PanningCursor() const { return FPanningCursor; }
    /// The panning picture's window while wheel panning runs; null else.
    TVTPanningWindow* PanningWindow() const { return FPanningWindow.get(); }
    /// Ends a change delay: timer 5 delivers OnChange, timer 6 the
    /// structure change.
    void ChangeTimerExpired(UINT_PTR Id);

    // -- selection internals
    bool SearchSelection(PVirtualNode Node, int& Index, int LowBound = -1, int HighBound = -1) const;
    bool AddToSelectionOne(PVirtualNode Node, bool ForceInsert);
    bool MergeIntoSelection(PVirtualNode* NewItems, int NewLength, bool ForceInsert);
    /// Sorts NewItems (already flagged selected) and merges them in.
    void MergeFlaggedItems(PVirtualNode* NewItems, int NewLength);
    virtual void AddToSelection(PVirtualNode Node);
    virtual void AddToSelection(PVirtualNode* Nodes, int Count, bool ForceInsert);
    void CacheNode(PVirtualNode Node);
    void ClearTempCache();
    virtual void ResetSelection();
    void DropFromSelection(PVirtualNode Node);
    virtual void RemoveSelected(PVirtualNode Node);
    void ResetAnchor();
    void SelectRange(PVirtualNode StartNode, PVirtualNode EndNode, bool AddOnly);
    void ToggleRange(PVirtualNode StartNode, PVirtualNode EndNode);
    void UnselectRange(PVirtualNode StartNode, PVirtualNode EndNode);
    /// Removes the tagged (odd) entries of Array[0..Count) in place; the new
    /// count, or -1 when Count is 0.
    static int CompactFlaggedEntries(PVirtualNode* Array, int Count);
    void PackSelection();

    /// Renders a clipboard format other than the tree data into Block;
    /// false when the tree has no such format (the base tree has none).
    virtual bool RenderClipboardFormat(Word Format, std::string& Block, bool ForClipboard);
    /// Marks the selected nodes for a cut or copy and hands them over.
    void PutOnClipboard(bool Cut);

    // -- stream internals
    virtual void DoLoadUserChunk(PVirtualNode Node, TStream* Stream);
    virtual void DoSaveUserChunk(PVirtualNode Node, TStream* Stream);
    static void PatchChunkSize(TStream* Stream, Int64 ChunkStart, Int64 ChunkEnd);
    /// Reads one node chunk into Node. With SettleSelection false the
    /// selected nodes it brings are left for the caller to merge, in one go
    /// for a whole tree.
    void LoadNodeFromStream(TStream* Stream, Cardinal Version, PVirtualNode Node,
                            bool SettleSelection = true);
    virtual void ReadNodeChunks(TStream* Stream, Cardinal Version, PVirtualNode Node);
    virtual bool ReadSubChunk(TStream* Stream, Cardinal Version, PVirtualNode Node, int ChunkType,
                              int ChunkSize);
    virtual void WriteSubChunks(TStream* Stream, PVirtualNode Node);
    void WriteNodeChunk(TStream* Stream, PVirtualNode Node);
    /// A caption chunk's text: ChunkSize bytes of UTF-16LE, a trailing odd
    /// byte skipped.
    static std::u16string ReadCaptionChunk(TStream* Stream, int ChunkSize);
    /// Reads node chunks until the stream's end into new nodes at Target
    /// with Mode, keeping the stream's order; each passes OnNodeCopying and
    /// is reported as copied (SourceTree this tree) or added.
    void InsertNodeChunks(TStream* Stream, PVirtualNode Target, TVTNodeAttachMode Mode,
                          TBaseVirtualTree* SourceTree);

    // -- dispatchers
    virtual bool CanEditNode(PVirtualNode Node, TColumnIndex Column);
    virtual bool CellIsEmpty(PVirtualNode Node, TColumnIndex Column);
    virtual void DoCancelEdit();
    virtual bool DoCanEdit(PVirtualNode Node, TColumnIndex Column);
    virtual void DoChange(PVirtualNode Node);
    virtual void DoCheckClick(PVirtualNode Node, TCheckState NewState);
    virtual void DoChecked(PVirtualNode Node);
    virtual bool DoChecking(PVirtualNode Node, TCheckState& NewCheckState);
    virtual void DoCollapsed(PVirtualNode Node);
    virtual bool DoCollapsing(PVirtualNode Node);
    virtual int DoCompare(PVirtualNode Node1, PVirtualNode Node2, TColumnIndex Column);
    virtual IVTEditLinkPtr DoCreateEditor(PVirtualNode Node, TColumnIndex Column);
    virtual bool DoDragAllowed(PVirtualNode Node, TColumnIndex Column);
    /// The drop mark above or below the drop target's row R.
    virtual void DoPaintDropIndicator(TCanvas* Canvas, PVirtualNode Node, const TRect& R);
    /// OnDragOver; false when refused.
    virtual bool DoDragOver(TObject* Source, TShiftState Shift, TDragState State,
                            const TPoint& Pt, TDropMode Mode, DWORD& Effect);
    virtual void DoDragDrop(TObject* Source, IDataObject* DataObject, const TFormatArray& Formats,
                            TShiftState Shift, const TPoint& Pt, DWORD& Effect, TDropMode Mode);
    /// Drops and drags of the class library's drag objects.
    void CMDrag(TCMDrag& Message) override;
    void DoStartDrag(TDragObject*& DragObject) override;
    void DoEndDrag(TObject* Target, int X, int Y) override;
    void CreateWnd() override;
    virtual void DoEdit();
    virtual bool DoEndEdit();
    virtual void DoExpanded(PVirtualNode Node);
    virtual bool DoExpanding(PVirtualNode Node);
    virtual void DoFocusChange(PVirtualNode Node, TColumnIndex Column);
    virtual bool DoFocusChanging(PVirtualNode OldNode, PVirtualNode NewNode,
                                 TColumnIndex OldColumn, TColumnIndex NewColumn);
    virtual void DoFocusNode(PVirtualNode Node, bool Ask);
    virtual void DoFreeNode(PVirtualNode Node);
    /// The host's popup menu for Node, asked for the node and then for each
    /// parent while the host leaves AskParent on; without a node asked once
    /// with no column. Null when none.
    virtual TPopupMenu* DoGetPopupMenu(PVirtualNode Node, TColumnIndex Column,
                                       const TPoint& Position);
    virtual TCursor DoGetCursor(TCursor Cursor);
    virtual TCustomImageList* DoGetImageIndex(PVirtualNode Node, TVTImageKind Kind,
                                              TColumnIndex Column, bool& Ghosted, int& Index);
    virtual void DoHotChange(PVirtualNode Old, PVirtualNode New);
    virtual int DoIncrementalSearch(PVirtualNode Node, const std::u16string& Text);
    virtual bool DoInitChildren(PVirtualNode Node, Cardinal& ChildCount);
    virtual void DoInitNode(PVirtualNode Parent, PVirtualNode Node,
                            TVirtualNodeInitStates& InitStates);
    virtual bool DoKeyAction(Word& CharCode, TShiftState& Shift);
    virtual void DoMeasureItem(TCanvas* TargetCanvas, PVirtualNode Node, int& NodeHeight);
    virtual void DoNodeCopied(PVirtualNode Node);
    virtual bool DoNodeCopying(PVirtualNode Node, PVirtualNode NewParent);
    virtual void DoNodeMoved(PVirtualNode Node);
    virtual bool DoNodeMoving(PVirtualNode Node, PVirtualNode NewParent);
    virtual void DoReset(PVirtualNode Node);
    virtual void DoScroll(int DeltaX, int DeltaY);
    virtual void DoColumnResize(TColumnIndex Column);
    virtual void DoHeaderDblClick(TColumnIndex Column, TMouseButton Button, TShiftState Shift,
                                  int X, int Y);
    virtual void DoHeaderDraw(TCanvas* Canvas, TVirtualTreeColumn* Column, const TRect& R,
                              bool Hover, bool Pressed, TVTDropMarkMode DropMark);
    virtual void DoHeaderDrawQueryElements(THeaderPaintInfo& PaintInfo,
                                           THeaderPaintElements& Elements);
    virtual void DoAdvancedHeaderDraw(THeaderPaintInfo& PaintInfo, THeaderPaintElements Elements);
    virtual void DoHeaderClick(TColumnIndex Column, TMouseButton Button, TShiftState Shift, int X,
                               int Y);
    virtual void DoHeaderDragged(TColumnIndex Column, int OldPosition);
    virtual void DoStateChange(TVirtualTreeStates& Enter, TVirtualTreeStates& Leave);
    virtual void DoStructureChange(PVirtualNode Node, TChangeReason Reason);
    /// Width of a node's content in Column; 0 in the base tree (a tree with
    /// texts answers the text width).
    virtual int GetNodeWidth(PVirtualNode Node, TColumnIndex Column, TCanvas* Canvas);
    /// True when Node shows an image of Kind in Column (the host's index is
    /// 0 or more and a list is there).
    bool NodeHasImage(PVirtualNode Node, TVTImageKind Kind, TColumnIndex Column,
                      TCustomImageList** List = nullptr);
    /// Shows or hides the window's painting for LockUpdates.
    virtual void SetUpdateState(bool Updating);

    // -- painting and the window
    void CreateParams(TCreateParams& Params) override;
    void Paint() override;
    void WMNCCalcSize(TMessageRecord& Message) override;
    void WMNCPaint(TMessageRecord& Message) override;
    void WMSize(TWMSize& Message) override;
    void WMHScroll(TWMScroll& Message) override;
    void WMVScroll(TWMScroll& Message) override;
    bool DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) override;
    /// The header rectangle from the window size, borders and header height.
    void ComputeHeaderRect();
    /// Paints the header into a window DC ((0, 0) the window's corner).
    void PaintHeader(HDC DC);
    /// TVM_GETITEMA, TVM_GETITEMRECT, TVM_GETNEXTITEM, WM_PRINT,
    /// WM_PRINTCLIENT, WM_THEMECHANGED and WM_NCDESTROY; true when the
    /// message needs nothing more.
    bool HandleWindowRequest(TMessage& Message);
    /// The node a tree-item handle names; null for anything that is not a
    /// node of this tree.
    PVirtualNode NodeFromHandle(void* Handle) const;
    /// Fills the asked fields of Item; 0 without TVIF_HANDLE or a node.
    LRESULT TVMGetItem(TVITEMA& Item);
    /// The node TVM_GETNEXTITEM's Code names relative to Node; null for none.
    PVirtualNode TVMGetNextItem(WPARAM Code, PVirtualNode Node);
    /// The client area as it stands (scrolled) into DC at (0, 0).
    void PrintClient(HDC DC);
    void WMNCDestroy();
    /// The bevel and the border band into a window DC.
    virtual void PaintNonClientBorder(HDC DC);
    /// Shrinks a window rectangle by the bevel and (WithBorderWidth) the
    /// border band.
    void ShrinkByBevel(TRect& R, bool WithBorderWidth = true) const;
    virtual void PaintCheckBox(const TVTPaintInfo& PaintInfo);
    virtual void PaintExpandButton(TCanvas* Canvas, PVirtualNode Node, const TRect& R,
                                   int ButtonX, int ButtonY);
    virtual void PaintLines(const TVTPaintInfo& PaintInfo, int VAlignment, int IndentSize,
                            const TLineImage& LineImage);
    /// One cell of the tree lines, Indent wide at X.
    void DrawLineImage(const TVTPaintInfo& PaintInfo, int X, int Y, int H, int VAlign,
                       TVTLineType Style);
    void DrawDottedHorzLine(TCanvas* Canvas, int Left, int Right, int Top);
    void DrawDottedVertLine(TCanvas* Canvas, int Top, int Bottom, int Left);
    /// The node's content in a cell (the string tree paints its text).
    virtual void DoPaintNode(TVTPaintInfo& PaintInfo);
    void PaintCellSelection(TVTPaintInfo& PaintInfo);
    void EraseRowBackground(TCanvas* Canvas, PVirtualNode Node, const TRect& R);
    /// Tiles the background picture over Target (canvas pixels) whose
    /// top-left shows the picture at (OriginX, OriginY) plus the offsets.
    void TileBackground(TCanvas* Canvas, const TRect& Target, int OriginX, int OriginY);
    /// Opens (or closes) the band below Node by Size pixels in steps over
    /// AnimationDuration, timed by timeGetTime; only with toAnimatedToggle,
    /// outside updates and with the node's row on screen.
    void AnimateToggle(PVirtualNode Node, bool Expanding, int64_t Size);
    /// Runs Callback(Step, StepSize, Data) with Step 0, StepSize,
    /// 2 x StepSize... spread over Duration milliseconds of timeGetTime (it
    /// waits out each step's share), then Callback(0, 0, Data) once more.
    /// StepSize is Steps / Duration rounded, at least 1, and grows while a
    /// step's share of the time left would be under a millisecond. Nothing
    /// for Duration 0 or while another animation runs (tsInAnimation, set
    /// meanwhile); a false from Callback ends the steps early; the steps
    /// stop when the application terminates, and then no last call comes.
    virtual void Animate(Cardinal Steps, Cardinal Duration, TVTAnimationCallback Callback,
                         void* Data);
    /// HintAnimation with hatSystemDefault resolved by the user's tooltip
    /// settings: hatNone when tooltips are not animated, else hatFade or
    /// hatSlide by whether they fade.
    virtual THintAnimationType EffectiveHintAnimation() const;

    // -- invalidation helpers
    void InvalidateTree(const TRect* R = nullptr);
    void InvalidateToBottom(PVirtualNode Node);
    bool LiveWindow() const;

    bool Destroying() const;

private:
    void AppendChild(PVirtualNode Parent, PVirtualNode Child);
    void SortChildren(PVirtualNode Node, TColumnIndex Column, TSortDirection Direction);
    void SortRecursive(PVirtualNode Node, TColumnIndex Column, TSortDirection Direction,
                       bool DoInit);
    void SettleSelectionAfterRead(PVirtualNode Node);
    void SetTimerFor(UINT_PTR Id, Cardinal Elapse);
    void HandleNavigationKey(Word CharCode, TShiftState Shift);
    void HandleOtherKey(Word CharCode, TShiftState Shift);
    /// F1: the help topic of the focused node (asked of OnGetHelpContext up
    /// its parents), else of the tree and its parents, shown by the application.
    void ShowHelpForFocus();
    /// Column, or the next (previous) visible one the host lets the focus
    /// move to with Node; NoColumn when none.
    TColumnIndex AcceptedColumn(PVirtualNode Node, TColumnIndex Column, bool Forward);
    void FocusByKey(PVirtualNode Node, TColumnIndex Column);
    void FocusByKeyAsked(PVirtualNode Node, TColumnIndex Column);
    /// The next (previous) node of the search mode, wrapping at the end.
    PVirtualNode SearchStep(PVirtualNode Node, bool Forward);
    void SearchFor(Word CharCode);
    void PressCheckBox(PVirtualNode Node);
    /// Fills Info for the hint at its cursor position; false for none.
    bool HintFor(THintInfo& Info);
    /// Horizontal extent of a node's content in the main cell (tree
    /// coordinates), as the rubber band tests it.
    void MainCellExtent(PVirtualNode Node, int& Left, int& Right);
    void KillTimerFor(UINT_PTR Id);
    PVirtualNode NodeAfterSubtree(PVirtualNode Node) const;
    /// Before or after the root itself means its first or last child; any
    /// other mode stands.
    static TVTNodeAttachMode AttachModeAtRoot(TVTNodeAttachMode Mode);
    /// The nodes in State in tree order; with Resolve none below a node
    /// taken. Room is made for Expected of them at first.
    TNodeArray NodesInOrder(TVirtualNodeState State, bool Resolve, size_t Expected) const;
    PVirtualNode Initialised(PVirtualNode Node);
    PVirtualNode HiddenSubtreeTop(PVirtualNode Node) const;
    Cardinal TopLevelIndex(PVirtualNode Node) const;
    PVirtualNode StepVisible(PVirtualNode Node, bool Forward, bool Init);
    void DeleteChildNode(PVirtualNode Child, bool ParentVisible);
    void MeasureUnlinked(PVirtualNode Node);

    /// Gives a new tree its id in the registry of live trees; takes a
    /// going tree out (and detaches the clipboard's objects from it).
    static void RegisterTree(TBaseVirtualTree* Tree);
    static void UnregisterTree(TBaseVirtualTree* Tree);

    bool FDestroying = false;
    int FReadDepth = 0;
    uint64_t FTreeId = 0;
    uint64_t FClipboardSerial = 0;  // the current cut or copy; 0 for none

    PVirtualNode FRoot = nullptr;
    NodeBlocks FNodeBlocks;  // every node but the root
    Cardinal FTotalInternalDataSize = 0;
    int FNodeDataSize = -1;
    Cardinal FDefaultNodeHeight = 18;
    Cardinal FIndent = 18;
    int FMargin = 4;
    int FTextMargin = 4;
    TAlignment FAlignment = taLeftJustify;
    Cardinal FVisibleCount = 0;
    TVirtualTreeStates FStates;
    std::unique_ptr<TCustomVirtualTreeOptions> FOptions;
    std::unique_ptr<TVTHeader> FHeader;

    std::vector<TCacheEntry> FPositionCache;
    std::vector<PVirtualNode> FSelection;  // ascending; size() is the capacity
    int FSelectionCount = 0;
    PVirtualNode FRangeAnchor = nullptr;
    int FLastSelectionLevel = -1;
    std::vector<PVirtualNode> FTempNodeCache;  // size() is the capacity
    int FTempNodeCount = 0;
    PVirtualNode FSingletonNodeArray[1] = {nullptr};

    PVirtualNode FFocusedNode = nullptr;
    TColumnIndex FFocusedColumn = NoColumn;
    TColumnIndex FEditColumn = NoColumn;
    PVirtualNode FHotNode = nullptr;
    PVirtualNode FDropTargetNode = nullptr;
    PVirtualNode FLastSelected = nullptr;
    PVirtualNode FLastSearchNode = nullptr;
    IVTEditLinkPtr FEditLink;

    int FCheckPropagationCount = 0;
    PVirtualNode FCheckNode = nullptr;
    PVirtualNode FLastChangedNode = nullptr;
    PVirtualNode FLastStructureChangeNode = nullptr;
    TChangeReason FLastStructureChangeReason = crIgnore;
    Cardinal FChangeDelay = 0;
    Cardinal FUpdateCount = 0;
    TVTNodeAttachMode FDefaultPasteMode = amAddChildLast;
    int FOffsetX = 0;
    int FOffsetY = 0;
    int FRangeX = 0;
    int FRangeY = 0;

    TCustomImageList* FImages = nullptr;       // not owned; free notification
    TCustomImageList* FStateImages = nullptr;  // not owned; free notification
    TCustomImageList* FCheckImages = nullptr;  // not owned
    TCustomImageList* FCustomCheckImages = nullptr;  // not owned; free notification

    std::unique_ptr<TVTColors> FColors;
    std::unique_ptr<TScrollBarOptions> FScrollBarOptions;
    TVTLineStyle FLineStyle = lsDotted;
    TVTLineMode FLineMode = lmNormal;
    TVTNodeAlignment FNodeAlignment = naProportional;
    TVTButtonStyle FButtonStyle = bsRectangle;
    TVTButtonFillMode FButtonFillMode = fmTreeColor;
    TCheckImageKind FCheckImageKind = ckLightCheck;
    TBorderStyle FBorderStyle = bsSingle;
    TBevelKind FBevelKind = bkNone;
    TBevelCut FBevelInner = bvRaised;
    TBevelCut FBevelOuter = bvLowered;
    TBevelEdges FBevelEdges{beLeft, beTop, beRight, beBottom};
    int FBevelWidth = 1;
    int FBorderWidth = 0;
    Byte FSelectionBlendFactor = 128;
    Cardinal FSelectionCurveRadius = 0;
    Cardinal FAnimationDuration = 200;
    Cardinal FAutoScrollDelay = 1000;
    Cardinal FAutoScrollInterval = 1;
    TRect FHeaderRect;
    int FWheelRest = 0;  // wheel delta below one notch, kept for the next
    bool FPaintingSelection = false;
    TScrollDirections FScrollDirections;
    TPoint FLastClickPos;
    DWORD FScrollStartTime = 0;  // when the mouse first came near an edge
    Cardinal FAutoExpandDelay = 1000;
    Cardinal FEditDelay = 1000;
    std::unique_ptr<TPicture> FBackground = std::make_unique<TPicture>();
    int FBackgroundOffsetX = 0;
    int FBackgroundOffsetY = 0;
    int FDragHeight = 350;
    int FDragWidth = 200;
    TVTDragImageKind FDragImageKind = diComplete;
    TVTDragOperations FDragOperations{doCopy, doMove};
    TVTDragType FDragType = dtOLE;
    TVTDrawSelectionMode FDrawSelectionMode = smDottedRectangle;
    THintAnimationType FHintAnimation = hatSystemDefault;
    TVTHintMode FHintMode = hmDefault;
    TCursor FHotCursor = 0;
    TVTIncrementalSearch FIncrementalSearch = isNone;
    TVTSearchDirection FSearchDirection = sdForward;
    TVTSearchStart FSearchStart = ssFocusedNode;
    Cardinal FSearchTimeout = 1000;
    bool FWantTabs = false;
    std::unique_ptr<TClipboardFormats> FClipboardFormats;
    std::unique_ptr<TVTDragImage> FDragImage;  // PaintTree's row eraser may paint selection

    // Input state: the check state a pressed check box gets on release, the
    // rubber band (tree coordinates) and the keys held when it started, the
    // drag threshold of a pending drag, the incremental search's text and
    // the tick of its last key (the time-out is also checked against the
    // tick counter, so it holds without the message loop running).
    TCheckState FPendingCheckState = csUncheckedNormal;
    TRect FNewSelRect;
    TRect FLastSelRect;
    TShiftState FDrawSelShiftState;
    int FDragThreshold = 0;
    InterfacePtr<TVTDragManager> FDragManager;  // the window's drop target
    TDropMode FLastDropMode = dmNowhere;
    bool FMovedByDrop = false;  // a drop in this process moved the dragged nodes itself
    /// The drop target changes to Node (mode Mode); repaints what changed
    /// and starts the expand timer.
    void SetDropTarget(PVirtualNode Node, TDropMode Mode);
    /// The shift state of a drag: keys from KeyState, buttons from the
    /// tree's button states.
    TShiftState DragShiftState(DWORD KeyState) const;
    /// After a drag the source ran: a move deletes the dragged nodes unless
    /// the target moved them already.
    void DeleteMovedNodes();
    /// The panning cursor's resource name; null outside panning.
    const char* FPanningCursor = nullptr;
    std::unique_ptr<TVTPanningWindow> FPanningWindow;
    TVTHintData FHintData;  // what the shown hint is about
    std::u16string FSearchBuffer;
    DWORD FLastSearchTick = 0;
};

// ---- the string tree ------------------------------------------------------------------------

enum TVTStringOption { toSaveCaptions, toShowStaticText, toAutoAcceptEditChange };
using TVTStringOptions = EnumSet<TVTStringOption>;
/// toSaveCaptions and toAutoAcceptEditChange.
inline constexpr uint64_t DefaultStringOptions = 5;

/// The option sets of a string tree: the base sets and StringOptions.
class TCustomStringTreeOptions : public TCustomVirtualTreeOptions {
    PRICETAGS_CLASS(TCustomStringTreeOptions, TCustomVirtualTreeOptions)
public:
    explicit TCustomStringTreeOptions(TBaseVirtualTree* AOwner)
        : TCustomVirtualTreeOptions(AOwner)
    {
    }
    TVTStringOptions StringOptions() const { return FStringOptions; }
    /// Stores the set; a change of toShowStaticText repaints a live tree.
    void SetStringOptions(TVTStringOptions Value);
    /// StringOptions first (from string tree options), then the base sets.
    void Assign(TPersistent* Source) override;

private:
    TVTStringOptions FStringOptions = TVTStringOptions::FromBits(DefaultStringOptions);
};

/// The options class TVirtualStringTree publishes.
class TStringTreeOptions : public TCustomStringTreeOptions {
    PRICETAGS_CLASS(TStringTreeOptions, TCustomStringTreeOptions)
public:
    explicit TStringTreeOptions(TBaseVirtualTree* AOwner) : TCustomStringTreeOptions(AOwner) {}
};

/// Which nodes a content export takes, in tree order.
enum TVSTTextSourceType { tstAll, tstInitialized, tstSelected, tstCutCopySet, tstVisible };

/// The cell's own text or the static text painted after it.
enum TVSTTextType { ttNormal, ttStatic };

using TVTPaintText =
    MethodPointer<void(TBaseVirtualTree*, TCanvas*, PVirtualNode, TColumnIndex, TVSTTextType)>;
using TVSTGetTextEvent = MethodPointer<void(TBaseVirtualTree*, PVirtualNode, TColumnIndex,
                                            TVSTTextType, std::u16string&)>;
using TVSTNewTextEvent =
    MethodPointer<void(TBaseVirtualTree*, PVirtualNode, TColumnIndex, const std::u16string&)>;
/// (Sender, Canvas, Node, Column, S, TextSpace, RightToLeft, var Result,
/// var Done): the host shortens S to TextSpace pixels itself and sets Done.
using TVSTShortenStringEvent =
    MethodPointer<void(TBaseVirtualTree*, TCanvas*, PVirtualNode, TColumnIndex,
                       const std::u16string&, int, bool, std::u16string&, bool&)>;

/// S shortened to at most Width pixels in DC's font: the longest prefix that
/// fits together with the ellipsis, then "..." (EllipsisWidth 0: measured).
/// S itself when it fits; "" when not even the ellipsis fits.
[[nodiscard]] std::u16string ShortenString(HDC DC, const std::u16string& S, int Width,
                                           int EllipsisWidth = 0);

/// The tree whose cells show texts the host gives on demand (OnGetText;
/// nodes hold none), optionally followed by a static text. The main
/// column's text width is measured once per node and kept in the node's
/// internal data until the node is invalidated or re-initialised or the
/// font changes. Texts are UTF-16; the clipboard formats of texts belong
/// to this class.
class TCustomVirtualStringTree : public TBaseVirtualTree {
    PRICETAGS_CLASS(TCustomVirtualStringTree, TBaseVirtualTree)
public:
    explicit TCustomVirtualStringTree(TComponent* AOwner);
    /// A running edit is cancelled first: its text never reaches a tree
    /// that is going.
    ~TCustomVirtualStringTree() override;

    /// The cell's text: DefaultText unless OnGetText changes it. Initialises
    /// an uninitialised node. Node must not be null.
    std::u16string Text(PVirtualNode Node, TColumnIndex Column);
    /// Hands Text to OnNewText (the host stores it) and repaints the node.
    void SetText(PVirtualNode Node, TColumnIndex Column, const std::u16string& Text);
    const std::u16string& DefaultText() const { return FDefaultText; }
    void SetDefaultText(const std::u16string& Value);
    TCustomStringTreeOptions* StringTreeOptions() const;
    TVTStringOptions StringOptions() const { return StringTreeOptions()->StringOptions(); }
    /// The font's character height and the width of "..." in it (pixels).
    int TextHeight() const { return FTextHeight; }
    int EllipsisWidth() const { return FEllipsisWidth; }

    /// Height of S (empty: the cell's own text) wrapped into the cell's
    /// width less the text margins, in the tree's font.
    int ComputeNodeHeight(TCanvas* Canvas, PVirtualNode Node, TColumnIndex Column,
                          const std::u16string& S = std::u16string());
    /// Forgets every node's measured width (after a font or main column
    /// change).
    void ResetAllNodeWidths();
    TRect InvalidateNode(PVirtualNode Node) override;
    /// The cell's text, its font as OnPaintText leaves it and its text
    /// rectangle centred on the text height (client coordinates).
    void CellTextInfo(PVirtualNode Node, TColumnIndex Column, TFont* Font, TRect& R,
                      std::u16string& Text) override;

    // -- content export: the visible columns in position order (one
    // column -1 without header columns), every node of Source with its
    // level; texts of the cells as OnGetText gives them.
    /// An HTML table (texts in UTF-8; <, >, & and " escaped in texts and
    /// in the caption).
    [[nodiscard]] AnsiString ContentToHTML(TVSTTextSourceType Source,
                                           const std::u16string& Caption = std::u16string());
    /// An RTF document (characters as \u with signed 16-bit values).
    [[nodiscard]] AnsiString ContentToRTF(TVSTTextSourceType Source);
    /// CP1251 text, cells split by Separator, lines by CR LF; a text with
    /// the separator or a double quote is quoted. Characters CP1251 lacks
    /// become "?".
    [[nodiscard]] AnsiString ContentToText(TVSTTextSourceType Source, char Separator);
    /// UTF-16 text laid out as ContentToText, never quoted.
    [[nodiscard]] std::u16string ContentToUnicode(TVSTTextSourceType Source,
                                                  char16_t Separator);
    /// The bytes of a global memory block of Format (CF_TEXT, CF_UNICODETEXT,
    /// "CSV", the two RTF formats, "HTML Format" with its CF_HTML header),
    /// terminator included; false for any other format.
    bool ContentToClipboard(Word Format, TVSTTextSourceType Source, std::string& Block);

    TVTPaintText OnPaintText;
    TVSTGetTextEvent OnGetText;
    TVSTGetTextEvent OnGetHint;
    TVSTNewTextEvent OnNewText;
    TVSTShortenStringEvent OnShortenString;

protected:
    virtual int MeasureCellText(TCanvas* Canvas, PVirtualNode Node, TColumnIndex Column,
                                const std::u16string& Text);
    virtual void DoGetText(PVirtualNode Node, TColumnIndex Column, TVSTTextType TextType,
                           std::u16string& Text);
    virtual void DoNewText(PVirtualNode Node, TColumnIndex Column, const std::u16string& Text);
    virtual void DoPaintText(PVirtualNode Node, TCanvas* Canvas, TColumnIndex Column,
                             TVSTTextType TextType);
    virtual std::u16string DoShortenString(TCanvas* Canvas, PVirtualNode Node,
                                           TColumnIndex Column, const std::u16string& S,
                                           int Width, bool RightToLeft, int EllipsisWidth);
    virtual void RenderText(const TVTPaintInfo& PaintInfo, const std::u16string& Text,
                            TRect& CellRect, UINT DrawFormat);
    virtual int DoTextMeasuring(TCanvas* Canvas, PVirtualNode Node, TColumnIndex Column,
                                const std::u16string& Text);

    int GetNodeWidth(PVirtualNode Node, TColumnIndex Column, TCanvas* Canvas) override;
    void DoPaintNode(TVTPaintInfo& PaintInfo) override;
    bool CellIsEmpty(PVirtualNode Node, TColumnIndex Column) override;
    std::u16string DoGetNodeHint(PVirtualNode Node, TColumnIndex Column,
                                 TVTTooltipLineBreakStyle& LineBreakStyle) override;
    int DoIncrementalSearch(PVirtualNode Node, const std::u16string& Text) override;
    IVTEditLinkPtr DoCreateEditor(PVirtualNode Node, TColumnIndex Column) override;
    void InitializeNode(PVirtualNode Node) override;
    bool ReadSubChunk(TStream* Stream, Cardinal Version, PVirtualNode Node, int ChunkType,
                      int ChunkSize) override;
    void WriteSubChunks(TStream* Stream, PVirtualNode Node) override;
    /// The text formats of the cut/copy set.
    bool RenderClipboardFormat(Word Format, std::string& Block, bool ForClipboard) override;
    void CMFontChanged(TMessageRecord& Message) override;

    /// The canvas font for a cell: the tree's font, hot-tracked or
    /// highlighted as the node's state asks.
    void InitializeTextProperties(TVTPaintInfo& PaintInfo);
    void PaintNormalText(TVTPaintInfo& PaintInfo, int TextOutFlags, std::u16string Text);
    void PaintStaticText(const TVTPaintInfo& PaintInfo, int TextOutFlags,
                         const std::u16string& Text);
    /// Nodes of an export source, in tree order.
    TNodeArray ExportNodes(TVSTTextSourceType Source);
    /// The visible columns in position order; {-1} without header columns.
    std::vector<TColumnIndex> ExportColumns() const;
    /// The cached main column width of Node (0: not measured).
    Cardinal& CachedWidth(PVirtualNode Node) const;
    /// Stores the text height and the ellipsis width of the current font.
    void MeasureFontMetrics();

private:
    std::u16string FDefaultText = u"Node";
    int FTextHeight = 0;
    int FEllipsisWidth = 0;
    Cardinal FInternalDataOffset = 0;
    bool FFontChanged = false;  // set when OnPaintText replaced the canvas font
};

class TStringEditLink;

/// The string tree's in-place editor: a memo over the cell, word-wrapped
/// for multi-line nodes. Enter (Ctrl+Enter in a multi-line node) accepts,
/// Escape cancels, losing the focus accepts or cancels by
/// toAutoAcceptEditChange. Texts are CP1251 in the edit: a character the
/// code page lacks does not survive an accepted edit.
class TVTEdit : public TCustomMemo {
    PRICETAGS_CLASS(TVTEdit, TCustomMemo)
public:
    TVTEdit(TComponent* AOwner, TStringEditLink* Link);
    ~TVTEdit() override;
    /// Frees the control later (a posted CM_RELEASE) when its window
    /// exists; otherwise its parent frees it.
    void Release();
    /// Forgets the link (it ended or is going).
    void DropLink();

protected:
    void CreateParams(TCreateParams& Params) override;
    void Dispatch(TMessage& Message) override;
    void WMGetDlgCode(TMessageRecord& Message) override;
    void WMChar(TWMKey& Message) override;
    void WMKeyDown(TWMKey& Message) override;
    void CMExit(TMessageRecord& Message) override;
    void Change() override;
    /// Widens or narrows a single-line editor to its text.
    void AutoAdjustSize();

private:
    friend class TStringEditLink;
    std::shared_ptr<TStringEditLink> FRefLink;  // keeps the link while editing
    TStringEditLink* FLink = nullptr;
};

/// The default edit link of the string tree: prepares a TVTEdit from the
/// cell's text, font and text rectangle, stores an accepted, changed text
/// through the tree's text setter (OnNewText). Prepared, begun, then ended
/// or cancelled once; afterwards every operation answers false or does
/// nothing.
class TStringEditLink : public IVTEditLink, public std::enable_shared_from_this<TStringEditLink> {
public:
    TStringEditLink();
    ~TStringEditLink() override;
    TStringEditLink(const TStringEditLink&) = delete;
    TStringEditLink& operator=(const TStringEditLink&) = delete;

    bool BeginEdit() override;
    bool CancelEdit() override;
    bool EndEdit() override;
    TRect GetBounds() override;
    bool PrepareEdit(TBaseVirtualTree* Tree, PVirtualNode Node, TColumnIndex Column) override;
    void ProcessMessage(TMessage& Message) override;
    /// At least 30 pixels wide (growing left for right-aligned text), inside
    /// the tree's client width; the text placed as the tree paints it.
    void SetBounds(const TRect& R) override;

    TVTEdit* Edit() const { return FEdit; }
    bool Stopping() const { return FStopping; }
    TCustomVirtualStringTree* Tree() const { return FTree; }
    PVirtualNode Node() const { return FNode; }
    TColumnIndex Column() const { return FColumn; }
    TAlignment Alignment() const { return FAlignment; }

private:
    friend class TVTEdit;
    TVTEdit* FEdit = nullptr;  // freed by a posted release or by its parent
    TCustomVirtualStringTree* FTree = nullptr;
    PVirtualNode FNode = nullptr;
    TColumnIndex FColumn = NoColumn;
    TAlignment FAlignment = taLeftJustify;
    TRect FTextBounds;
    bool FStopping = false;
};

/// The string tree as placed on forms; its options are TStringTreeOptions.
class TVirtualStringTree : public TCustomVirtualStringTree {
    PRICETAGS_CLASS(TVirtualStringTree, TCustomVirtualStringTree)
public:
    explicit TVirtualStringTree(TComponent* AOwner);
    TStringTreeOptions* TreeOptions() const;
};

using TVTDrawNodeEvent = MethodPointer<void(TBaseVirtualTree*, const TVTPaintInfo&)>;
using TVTGetNodeWidthEvent =
    MethodPointer<void(TBaseVirtualTree*, TCanvas*, PVirtualNode, TColumnIndex, int&)>;
using TVTDrawHintEvent =
    MethodPointer<void(TBaseVirtualTree*, TCanvas*, PVirtualNode, const TRect&, TColumnIndex)>;
using TVTGetHintSizeEvent =
    MethodPointer<void(TBaseVirtualTree*, PVirtualNode, TColumnIndex, TRect&)>;

/// The sibling whose cells the host paints itself (OnDrawNode) and whose
/// content widths the host answers (OnGetNodeWidth, starting at
/// 2 x TextMargin).
class TCustomVirtualDrawTree : public TBaseVirtualTree {
    PRICETAGS_CLASS(TCustomVirtualDrawTree, TBaseVirtualTree)
public:
    explicit TCustomVirtualDrawTree(TComponent* AOwner) : TBaseVirtualTree(AOwner) {}

    TVTDrawNodeEvent OnDrawNode;
    TVTGetNodeWidthEvent OnGetNodeWidth;
    TVTDrawHintEvent OnDrawHint;
    TVTGetHintSizeEvent OnGetHintSize;

protected:
    void DoPaintNode(TVTPaintInfo& PaintInfo) override;
    int GetNodeWidth(PVirtualNode Node, TColumnIndex Column, TCanvas* Canvas) override;
};

// ---- clipboard format registry --------------------------------------------------------------

/// The formats of a data object, as the tree registers and offers them.
using TFormatEtcArray = std::vector<TFormatEtc>;

/// How the registry reaches the system's named clipboard formats: a name to
/// an id (0xC000 and up) and back. The window layer's table by default;
/// tests may replace it.
struct ClipboardFormatNames {
    Word (*Register)(const AnsiString& Name) = nullptr;
    AnsiString (*NameOf)(Word Format) = nullptr;
};
/// Sets the functions the registry uses; null members restore the window
/// layer's table.
void SetClipboardFormatNames(const ClipboardFormatNames& Names);

/// Registers Description for OwnerClass at Priority (lower is preferred)
/// and returns the format id.
Word RegisterTreeFormat(const AnsiString& Description, TClass OwnerClass, int Priority,
                        DWORD Tymed = TYMED_HGLOBAL, DWORD Aspect = DVASPECT_CONTENT,
                        int32_t Index = -1, void* Ptd = nullptr);
/// Registers a standard format id (its name from the standard table below
/// 17, else from the system).
void RegisterTreeFormat(Word Format, TClass OwnerClass, int Priority);
/// The formats a tree class offers, in priority order; with Allowed only
/// those whose description it lists.
TFormatEtcArray ListTreeFormats(TClass TreeClass, TStrings* Allowed = nullptr);
/// The owner class and id of a format by description (any case); no class
/// and Format unchanged when not found.
TClass FindTreeFormat(const AnsiString& Description, Word& Format);
/// The description of a registered format id; '' when none.
AnsiString TreeFormatDescription(Word Format);

/// Format ids of the tree's own formats (0 before the first tree exists).
Word CF_VIRTUALTREE();
Word CF_VTREFERENCE();
Word CF_HTML();
Word CF_VRTF();
Word CF_VRTFNOOBJS();
Word CF_CSV();

/// Swaps edges so that Left <= Right and Top <= Bottom.
TRect OrderRect(const TRect& R);

/// Start-up work of the tree unit: registers the tree classes a form
/// stream may name (TVirtualStringTree), so that reading such a form
/// finds them.
void VTreeInitialization();

#pragma once

// The string tree the application windows place: Tyl_VirtualStringTree. It
// adds a column-layout string (the tree's size and each column's tag,
// position, width and visibility) written and applied again, a repair of
// inconsistent column positions, vertical scrolling by whole rows, a guard
// that keeps hoAutoResize off while a column border is dragged, a fixed
// ellipsis width and four small events.
//
// Layout string: "V1", "H<height>W<width>A<auto-size index + 1>C<count>|",
// then per display position "S<column index>T<tag>P<position>W<width>V<0|1>|".
// Numbers are decimal without sign.

#include "common/vtree/VTree.h"

using TylGetCursorAtEvent = MethodPointer<TCursor(TObject*, const TPoint&)>;
using TylNCHitTestEvent = MethodPointer<void(TObject*, TWMNCHitTest&)>;
using TylBeforePaintNodeEvent = MethodPointer<void(TObject*, const TVTPaintInfo&)>;

class Tyl_VirtualStringTree : public TVirtualStringTree {
    PRICETAGS_CLASS(Tyl_VirtualStringTree, TVirtualStringTree)
public:
    explicit Tyl_VirtualStringTree(TComponent* AOwner);

    /// The layout string of the tree as it stands now.
    [[nodiscard]] AnsiString GetStateStatusStr();
    /// Applies a layout string. A string shorter than 29 characters, or
    /// one that is malformed (cut short, letters where numbers stand, more
    /// columns than the tree has, a character of no part), changes nothing
    /// and raises nothing. Records whose column is not there or whose tag
    /// does not match are skipped.
    void SetStateStatusStr(const AnsiString& S);
    /// Index among its siblings of the focused node, else of the first
    /// selected node; -1 when there is neither.
    [[nodiscard]] int GetFocusedIndex();
    [[nodiscard]] int GetColumnCount() const { return Header()->Columns()->Count(); }
    void SetRootNodeCount(Cardinal Value) { TVirtualStringTree::SetRootNodeCount(Value); }
    [[nodiscard]] TVirtualTreeColumns* GetColumns() const { return Header()->Columns(); }
    /// True while a left press that began a column resize keeps
    /// hoAutoResize out of the header's options.
    [[nodiscard]] bool AutoResizeSuspended() const { return FAutoResizeSuspended; }

    /// Snaps a vertical move to whole rows of DefaultNodeHeight (half a row
    /// or more counts as a row), unless the target is the bottom-most
    /// offset; then as the base tree.
    bool SetScrollOffset(const TPoint& Value,
                         TScrollUpdateOptions Options = DefaultScrollUpdateFlags,
                         const TRect* ClipRect = nullptr) override;

    TNotifyEvent OnCancelMode;
    TylNCHitTestEvent OnNCHitTest;
    TylGetCursorAtEvent OnGetCursorAt;
    TylBeforePaintNodeEvent OnBeforePaintNode;

protected:
    void WndProc(TMessage& Message) override;
    TCursor DoGetCursor(TCursor Cursor) override;
    void DoPaintNode(TVTPaintInfo& PaintInfo) override;
    std::u16string DoShortenString(TCanvas* Canvas, PVirtualNode Node, TColumnIndex Column,
                                   const std::u16string& S, int Width, bool RightToLeft,
                                   int EllipsisWidth) override;
    void CMCancelMode(TMessageRecord& Message) override;
    void WMNCHitTest(TWMNCHitTest& Message) override;
    /// While the tree is loading: duplicate positions pushed apart and gaps
    /// closed, in up to five passes.
    void RepairColumnPositions();
    /// Rebuilds the columns' position table when it names a column twice.
    void CheckPositionTable();

private:
    bool FAutoResizeSuspended = false;
};

/// Start-up work of the unit: registers Tyl_VirtualStringTree, so that a
/// form stream may name it.
void YLDVirtualTreeComponentsInitialization();

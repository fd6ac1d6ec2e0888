#pragma once

// The owner-drawn rows of the report window's list pages: each row keeps
// the texts of all columns, an image and, for a group caption, its text.
// Group rows are drawn bold with a plus/minus box and collapse or expand
// the rows that follow them up to the next empty row; a group that follows
// another group without an empty row between is drawn nested under it. The
// rows are painted by DrawItem from the list view's OnDrawItem.

#include "platform/forms/StdCtrls.h"
#include "platform/rtl/AnsiString.h"
#include "platform/rtl/Types.h"

#include <array>
#include <memory>
#include <vector>

class TBitmap;
class TCanvas;
class TCustomListView;
class TFont;
class TImageList;

/// One row; owned by its TListViewItems.
struct TListViewItemRec {
    TCustomListView* ListView = nullptr;
    /// The texts of all columns (the first with the indent of a nested row).
    std::vector<AnsiString> Columns;
    /// 0 to 3 (module, package, program, source), -1 for none.
    int ImageIndex = -1;
    /// 0, or 1 for a row under a nested group.
    int Level = 0;
    /// Group rows: non-zero draws the caption in the accent colour.
    int Kind = 0;
    bool IsGroup = false;
    bool Expanded = true;
    /// Not a group and every text blank: a separator row.
    bool IsEmpty = false;
    /// In the list view now.
    bool Visible = true;
    AnsiString GroupText;
    /// The row added before this one; null after an empty row.
    TListViewItemRec* Previous = nullptr;
};

class TListViewItems {
public:
    /// Sets the image list on ListView (which must outlive this object);
    /// the columns must be there before the first row is added.
    explicit TListViewItems(TCustomListView* AListView);
    ~TListViewItems();
    TListViewItems(const TListViewItems&) = delete;
    TListViewItems& operator=(const TListViewItems&) = delete;

    /// Appends a row and inserts it at the end of the list view (a row
    /// without column texts stays out of it).
    void AddItem(const std::vector<AnsiString>& Texts, int ImageIndex, int Kind, bool IsGroup,
                 const AnsiString& GroupText);
    /// Paints list row Item of the list view on Canvas in Rect (the list
    /// view's OnDrawItem passes these); Selected and Focused as the state
    /// says.
    void DrawItem(TCanvas& Canvas, int Item, const TRect& Rect, bool Selected, bool Focused);
    /// Collapses or expands the group of list row Row; Point is in the list
    /// view's client pixels. With BoxOnly only a point on the plus/minus
    /// box does it. Nothing for a row that is no group.
    void ToggleAt(int Row, TPoint Point, bool BoxOnly);
    /// Frees row Index of the row list (not of the list view).
    void DeleteItem(int Index);
    /// Frees every row.
    void Clear();

    [[nodiscard]] int Count() const { return int(FItems.size()); }
    [[nodiscard]] TListViewItemRec* Items(int Index) const { return FItems[size_t(Index)].get(); }
    /// The row of list row Row; null outside the list.
    [[nodiscard]] TListViewItemRec* RowRecord(int Row) const;
    [[nodiscard]] int IndentWidth() const { return FIndentWidth; }

private:
    void Prepare();
    void Insert(TListViewItemRec* Rec, int Position);

    TListViewItemRec* LastItem = nullptr;
    TCustomListView* ListView;
    std::unique_ptr<TFont> BoldFont;
    AnsiString IndentText;
    int GroupCounter = 0;
    int FIndentWidth = 0;
    bool Prepared = false;
    /// EL_DLL, EL_BPL, EL_VCL, EL_PAS (16 x 16), EL_PLUS, EL_MINUS (13 x 13),
    /// drawn with their background colour left out.
    std::array<std::unique_ptr<TBitmap>, 6> Bitmaps;
    std::unique_ptr<TImageList> ImageList;
    std::array<TAlignment, 16> ColumnAlign {};
    int ColumnCount = 0;
    std::vector<std::unique_ptr<TListViewItemRec>> FItems;
};

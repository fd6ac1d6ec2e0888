#pragma once

// TPage: one page of a report template, the owner of its elements in
// drawing order, with its orientation and its two page flags. The page
// caches the number of its selected elements; every change of the list,
// and every change of an element's selection, marks the cache stale.

#include "platform/classes/Object.h"
#include "platform/rtl/Types.h"

#include <memory>
#include <vector>

class TDocument;
class TView;

class TPage : public TObject {
    PRICETAGS_CLASS(TPage, TObject)
public:
    /// An empty page of AOrientation (0 portrait, 1 landscape).
    TPage(Byte AOrientation, TDocument* ADocument);
    ~TPage() override;

    /// Takes ownership of View and appends it; sets its Page. Returns its
    /// index.
    int AddView(TView* View);
    /// Frees the element at Index.
    void DeleteView(int Index);
    /// Frees every element, the last first.
    void ClearViews();
    /// The element at Index (0-based); raises EListError "List index out
    /// of bounds (%d)" outside the list.
    [[nodiscard]] TView* GetView(int Index) const;
    /// The last element; null when the page is empty.
    [[nodiscard]] TView* LastView() const;
    /// Index of View; -1 when it is not on the page.
    [[nodiscard]] int IndexOfView(const TView* View) const;
    [[nodiscard]] int ViewCount() const { return static_cast<int>(FViews.size()); }
    /// Moves the element at From to To (both must lie in the list).
    void MoveView(int From, int To);
    void ExchangeViews(int I, int J);
    /// Number of selected elements, counted once and cached.
    [[nodiscard]] int GetSelectedCount();
    void InvalidateSelectedCount() { SelectedCountValid = false; }

    TDocument* Document = nullptr;
    /// 0 portrait, 1 landscape.
    Byte Orientation = 0;
    /// The page header prints on the first output page too.
    bool PageHeaderOnFirst = false;
    /// The page continues on the previous template page's last output page.
    bool PrintToPrevPage = false;
    Integer SelectedCount = 0;
    bool SelectedCountValid = false;

private:
    void CheckIndex(int Index) const;

    std::vector<std::unique_ptr<TView>> FViews;
};

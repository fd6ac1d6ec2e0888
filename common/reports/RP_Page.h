#pragma once

// TPage: one page of a report template, the owner of its elements in
// drawing order, with its orientation and its two page flags. The page
// caches the number of its selected elements; every change of the list,
// and every change of an element's selection, marks the cache stale.
//
// While a document builds, a page is turned into output pages band by
// band: PrepareBands sorts its elements into bands (TBand, one chain per
// band kind, element tops made band-relative), Generate prints title,
// headers, data bands for as long as the host answers that more data
// follows, footers and summary, starting a new output page whenever the
// next band does not fit, and ReleaseBands restores the template geometry.

#include "common/reports/RP_Eng.h"

#include "platform/classes/Object.h"
#include "platform/rtl/Types.h"

#include <memory>
#include <vector>

class TDocument;
class TStringList;
class TView;

/// Most bands of one kind on a page; one more stops the build.
inline constexpr int MaxBandsOfType = 1023;

/// One band of a page during a build: the strip its band area marks, the
/// elements inside it (tops relative to the band; not owned) and the band
/// area's text. A band owns the rest of its chain (Next).
class TBand : public TObject {
    PRICETAGS_CLASS(TBand, TObject)
public:
    explicit TBand(TBandType ABandType);
    ~TBand() override;

    [[nodiscard]] int Extent() const { return Top + Height; }

    TBandType BandType = btNone;
    /// Previous band of the chain (not owned).
    TBand* Prev = nullptr;
    /// Next band of the chain (owned).
    std::unique_ptr<TBand> Next;
    /// Template top in pixels; its output position while it is output.
    Integer Top = 0;
    Integer Height = 0;
    /// Height after its growing elements were measured.
    Integer OutHeight = 0;
    std::vector<TView*> Views;
    std::unique_ptr<TStringList> Memo;
};

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

    // ---- building output pages ----
    /// Sorts the elements into band chains; raises Exception "Количество
    /// Band'ов больше 1023" for a 1023rd band of one kind.
    void PrepareBands();
    /// Prints the page's bands onto output pages from PageNo on (advanced
    /// past the last one). A host that keeps answering more rows while the
    /// output does not move down (100000 rows in a row) stops the build with
    /// Exception "Количество Band'ов больше 1023".
    void Generate(int& PageNo);
    /// Frees the bands and restores every element's top and height.
    void ReleaseBands();
    /// The height an output page of this page's orientation holds: the
    /// paper less its unprintable borders, pixels (margins or not).
    [[nodiscard]] int PrintableHeight() const;
    /// The first band of a kind while bands exist; null otherwise.
    [[nodiscard]] TBand* GetBand(int BandType) const;

    TDocument* Document = nullptr;
    /// 0 portrait, 1 landscape.
    Byte Orientation = 0;
    /// The page header prints on the first output page too.
    bool PageHeaderOnFirst = false;
    /// The page continues on the previous template page's last output page.
    bool PrintToPrevPage = false;
    Integer SelectedCount = 0;
    bool SelectedCountValid = false;
    /// The page footer printed something on the current output page.
    bool FooterPrinted = false;
    /// Continues on the output page already open (set by the build).
    bool Continue = false;
    /// Current position on the output page, pixels.
    Integer Y = 0;
    // Print-area check: the printable size and the extent of the elements
    // reaching outside it, and whether any lies outside the printable area,
    // outside the paper, or wholly outside the printable area.
    Integer PrintWidth = 0;
    Integer PrintHeight = 0;
    Integer MinX = 0;
    Integer MaxX = 0;
    Integer MinY = 0;
    Integer MaxY = 0;
    bool OutsidePrint = false;
    bool OutsidePage = false;
    bool OutsidePrintAll = false;

private:
    struct GenState;
    void CheckIndex(int Index) const;
    [[nodiscard]] int TopLimit() const;
    [[nodiscard]] bool HasBand(int BandType) const;
    bool PrintBands(GenState& G, int BandType, bool Measuring);
    bool PrintBand(GenState& G, TBand& B, bool Measuring, bool Drawing, bool DataRequest);
    void PrintHeaderOfLevel(GenState& G, TBand& B, bool Measuring);
    void DrawBandViews(TBand& B);
    void NewOutputPage(GenState& G);
    void OpenOutputPage(int PageNo);

    std::unique_ptr<TBand> FBands[BandTypeCount];

    std::vector<std::unique_ptr<TView>> FViews;
};

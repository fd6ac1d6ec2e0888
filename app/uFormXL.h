#pragma once

// TFormXL: the spreadsheet set-up window. It shows a supplier invoice or an
// article workbook in a sheet view, lets the column analysis find the
// header row, the data rows, the columns and the sheet total, takes
// corrections from cells the operator selects in the sheet (the region
// picker and double clicks on the analysis items), and transfers the used
// range to the main window, which imports it as invoice rows or as article
// descriptions.
//
// Everything it does with the workbook goes through the automation
// stand-in (Application, ActiveSheet, UsedRange, Selection, Cells); the
// sheet view is the sheet's window, so Selection is what the operator
// selected there. The window is made once at start-up and reused; each
// ShowFormXL starts a new analysis.

#include "platform/gui/ExtCtrls.h"
#include "platform/gui/Forms.h"
#include "platform/gui/StdCtrls.h"
#include "platform/rtl/AnsiString.h"

#include <memory>

class ExcelApplication;
class SheetView;
class TAnalizeResult;
class Tyl_Bevel;
class Tyl_DataDrawGrid;
class Variant;

/// Posted to the window once it is shown: opens the workbook.
constexpr UINT WM_OPENWORKBOOK = WM_USER + 0x100;

class TFormXL : public TForm {
    PRICETAGS_CLASS(TFormXL, TForm)
public:
    explicit TFormXL(TComponent* AOwner);
    ~TFormXL() override;

    /// Shows AFileName for set-up: Mode 0 a supplier invoice, 2 an article
    /// workbook. A new analysis replaces the old one; the workbook opens
    /// once the window is shown.
    void ShowFormXL(const AnsiString& AFileName, Integer AMode);

    /// The automation server behind the sheet view.
    [[nodiscard]] ExcelApplication& XL() const { return *FExcel; }
    /// The text of an analysis grid cell: the item's name in column 0; in
    /// column 1 '' for a heading item, "  -  " for one not found, else its
    /// value text.
    [[nodiscard]] AnsiString ItemText(int ACol, int ARow) const;

    AnsiString FileName;
    AnsiString BaseCaption;
    Integer Mode = 0;
    Integer SelCol = -1;
    Integer SelRow = -1;
    std::unique_ptr<TAnalizeResult> Analysis;

    SheetView* ole1;
    TPanel* pnRight;
    TLabel* lbRegion;
    Tyl_Bevel* bv;
    Tyl_DataDrawGrid* gdItems;
    TButton* btAnalize;
    TButton* btTransfer;
    TButton* btUsedRange;
    TButton* btReload;
    TButton* btPreview;

    // Handlers, public so that the window can be driven as the operator
    // drives it.
    void FormShow(TObject* Sender);
    void FormClose(TObject* Sender, TCloseAction& Action);
    void btUsedRangeClick(TObject* Sender);
    void btReloadClick(TObject* Sender);
    void btAnalizeClick(TObject* Sender);
    void btTransferClick(TObject* Sender);
    void btPreviewClick(TObject* Sender);
    void bvClick(TObject* Sender);
    void bvChangeSel(TObject* Sender, int ACol, int ARow);
    void gdItemsShowEditor(TObject* Sender, int ACol, int ARow, bool& AllowEdit);
    void gdItemsGetEditText(TObject* Sender, int ACol, int ARow, AnsiString& Value);
    bool gdItemsAcceptEditKey(TObject* Sender, char& Key);
    void gdItemsSetEditText(TObject* Sender, int ACol, int ARow, const AnsiString& Value);
    void gdItemsColumnSized(TObject* Sender);
    void gdItemsDblClick(TObject* Sender);

protected:
    void Dispatch(TMessage& Message) override;

private:
    void BuildControls();
    /// Opens FileName in the sheet view, A1 selected. A workbook that
    /// cannot be read is said in an error window; the view stays empty.
    void OpenWorkbook();
    /// The sheet's row and column offsets into the analysis when it has
    /// none yet.
    void EnsureOffsets();
    /// The analysis item of a grid row; null outside the items.
    [[nodiscard]] class TAnResItem* ItemOfRow(int ARow) const;
    /// Stores a sheet row or column into Item, kept inside the used range.
    void StoreSheetNumber(TAnResItem& Item, int Number);
    /// Runs the analysis of Table that fits the mode; remembers the block
    /// of data rows it found.
    void Analyse(const Variant& Table);
    /// Makes the analysis fit Table before a transfer: analysed once when
    /// it never was (picks kept over what it finds), and rows that a wider
    /// pick added to the found block made data rows.
    void PrepareTransfer(const Variant& Table);

    std::unique_ptr<ExcelApplication> FExcel;
    /// The block of data rows (table offsets) the last automatic analysis
    /// found; -1 when none ran.
    Integer FFoundFirst = -1;
    Integer FFoundLast = -1;
};

/// The set-up window; null outside the program's run. Owned by the
/// application.
extern TFormXL* FormXL;

/// FormXL, made (owned by the application) when the program has not made
/// it yet.
[[nodiscard]] TFormXL& GetFormXL();

#pragma once

// TFormMain: the program's main window. It owns the current invoice and the
// named markups, opens supplier invoices through the incoming-invoice
// dialog and imports them, prices the rows (named markup, markup and card
// discount, rounding mode, "Пересчитать все" or the marked rows), keeps the
// invoice state in GetStartDir() + "LastInvoice.inv" across runs, and hands
// the invoice to the document builder for price tags and statements.
//
// The display side: the invoice grid (one row per invoice row, texts,
// colours and typed values through its events), the totals grid under it,
// edit mode, row marks, the price-style menu and the window menu.

#include "platform/forms/ActnList.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Menus.h"
#include "platform/forms/StdCtrls.h"
#include "platform/rtl/AnsiString.h"
#include "platform/rtl/Currency.h"
#include "platform/rtl/Types.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

class TshInvoice;
class TshInvoiceTovar;
class TshArticleList;
class TMarkupList;
class TStringList;
class TStringList2D;
class TAnalizeResult;
class TylSpeedButton;
class Tyl_DataDrawGrid;
class Tyl_FloatEdit;
class Variant;

/// Posted to the main window to show import errors: LParam 1 the article
/// import's, 2 the invoice import's, else the lines already held.
constexpr UINT WM_SHOWIMPORTERRORS = WM_USER + 1;
/// Posted to the main window to show why a value typed into the invoice
/// grid was refused, once the grid's event has returned.
constexpr UINT WM_SHOWEDITERROR = WM_USER + 2;
/// Posted to the main window to fit the name column again once the grid
/// has taken an operator's column resize.
constexpr UINT WM_FITNAMECOLUMN = WM_USER + 3;

/// Shows the busy cursor for a scope and gives the default one back, every
/// exit included.
class BusyCursor {
public:
    BusyCursor() { Screen->SetCursor(crHourGlass); }
    ~BusyCursor() { Screen->SetCursor(crDefault); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

/// Background of a priced row (the last pricing used a markup or discount).
constexpr TColor clCalculatedRow = static_cast<TColor>(0x00E1FFE2);

class TFormMain : public TForm {
    PRICETAGS_CLASS(TFormMain, TForm)
public:
    explicit TFormMain(TComponent* AOwner);
    ~TFormMain() override;

    // ---- data ----
    std::unique_ptr<TshInvoice> Invoice;
    std::unique_ptr<TStringList2D> Totals;
    std::unique_ptr<TMarkupList> MarkupList;
    TPoint MouseDownPos;
    TPoint EditCell{-1, -1};
    std::unique_ptr<TshArticleList> Articles;
    std::unique_ptr<TStringList> ImportErrors;
    AnsiString ImportErrorsFile;
    std::unique_ptr<TStringList> TicketTemplates;
    AnsiString FileName;
    bool Modified = false;
    AnsiString ArticleFileName;
    Integer TicketIndex = 0;
    Byte RoundMode = 2;

    // ---- operations ----
    void SetInvoiceFileName(const AnsiString& Name);
    void SetArticleFileName(const AnsiString& Name);
    /// The article list, created (and its file loaded) on first use.
    TshArticleList* GetArticles();
    /// The template of tag kind Index; raises EAppException "Ошибка
    /// формирования имени файла ценника" for an index outside the list.
    [[nodiscard]] AnsiString GetTicketTemplate(int Index) const;
    void ImportInvoiceTable(const Variant& Table, const TAnalizeResult& Analysis);
    void ImportArticleTable(const Variant& Table, const TAnalizeResult& Analysis);
    /// Keeps Errors (copied; null keeps the lines held) for FileName (null
    /// keeps the name) and shows them in the text viewer when there are any.
    void ShowImportErrors(const AnsiString* AFileName, TStrings* Errors);
    /// Row count, repaint and focus of the invoice grid, then the totals.
    void RefreshGrids();
    /// The invoice's totals into Totals and the totals grid.
    void RefreshTotals();
    /// The name column takes the free width, and, while the names do not
    /// fit, the width of text columns empty in every row (down to their
    /// titles); those come back to their own widths once they have text
    /// or the names fit. Stored column widths stay as they are.
    void FitNameColumn();
    /// Inverts the marks of the selected grid rows (not while editing);
    /// with Advance a single selected row moves down by one.
    void ToggleMarks(bool Advance);
    /// Edit mode on (cells editable, the editor at EditCell or in the name
    /// column) or off (row and range selection).
    void SetEditMode(bool On);
    [[nodiscard]] bool EditMode() const;
    /// Checks the price-style item of the configuration's PriceStyle.
    void SetPriceStyleMenu();
    /// The invoice row at the grid's current row; null without one.
    [[nodiscard]] TshInvoiceTovar* CurrentRow() const;
    void UpdateCaption();
    void SetupFromConfig();
    void StoreToConfig();
    void BuildTicketList();
    /// Writes the invoice state, asking first when it changed (nothing for
    /// a changed empty invoice).
    void SaveInvoiceState();
    /// The bytes SaveInvoiceState would write, into Bytes, without asking;
    /// false when it would write nothing (a changed empty invoice, or a
    /// damaged state file kept in place).
    bool InvoiceStateBytes(std::string& Bytes);
    /// At the end of the session nobody can answer a question: writes what
    /// a close answered with "Да" writes; a failure goes to the log.
    void SaveInvoiceStateUnasked();
    /// Loads the saved invoice state. A file that does not load (memory
    /// running out included) is renamed to
    /// "LastInvoice.inv.bad" (said once) and the invoice stays as it was;
    /// when it cannot be renamed, the state is not saved over it in this run.
    /// True when the invoice was loaded, and its grids refreshed.
    bool RestoreInvoiceState(bool Verbose);
    /// Renames a state file that did not load (Reason) to Name + ".bad" and
    /// says so; when it cannot be renamed, the state is not saved over it
    /// in this run.
    void SetDamagedStateAside(const AnsiString& Name, const AnsiString& Reason);
    void ReloadInvoice();
    void OpenNewInvoice();
    void MatchArticles();
    void DoRecalc();
    /// The rounding mode chosen by Sender (a menu item's Tag, cbRound,
    /// rgRound), then ApplyRoundMode.
    void ChooseRoundMode(TObject* Sender);
    void ApplyRoundMode();
    /// The markup chosen in cbMarkup into edMarkup and edDiscount.
    void cbMarkupSelect(TObject* Sender);
    /// A value typed into column Tag of invoice row Index (0-based): texts
    /// stored as typed, the warranty as a whole number, prices and percents
    /// re-price the row (repainted, totals refreshed). A text that is no
    /// number, or a re-pricing that cannot be done, is refused with an
    /// error window and the row keeps its values. False when refused.
    bool SetRowText(int Index, int Tag, const AnsiString& Text);
    /// Runs the open dialog in Mode "ARTICLE", "TEMPLATES" or
    /// "PRINTEXTERNAL" starting from Start; the chosen files into Files.
    bool ExecuteFileDialog(const AnsiString& Mode, const AnsiString& Start, TStrings& Files);
    /// The window menu: an item showing Form (Caption, else the form's).
    void AddWindowMenuItem(TForm* Form, const AnsiString& Caption);
    void RemoveWindowMenuItem(TForm* Form);

    // ---- components ----
    TMainMenu* MainMenu1;
    TMenuItem* mnPrintTickets;
    TMenuItem* mnPrintExternal;
    TMenuItem* mnRoundTo;
    TMenuItem* mnConfig;
    TMenuItem* mnAbout;
    TMenuItem* mnWindows;
    TMenuItem* mnDebug;
    TMenuItem* mnPriceStyleMenu;
    TMenuItem* mnPriceStyle0;
    TMenuItem* mnPriceStyle1;
    TMenuItem* mnPriceStyle2;
    TActionList* ActionList1;
    TAction* acOpenInvoice;
    TAction* acPrintRep;
    TAction* acPrintTicket;
    TAction* acRound;
    TAction* acReCalc;
    TAction* acImportArticles;
    TAction* acMarkups;
    TAction* acDesignTicket;
    TAction* acDesignRep;
    TAction* acDesignNew;
    TAction* acAddReports;
    TAction* acReload;
    TAction* acSaveLastInvoice;
    TAction* acOpenLastInvoice;
    TAction* acRestore;
    TAction* acIncoming;
    TAction* acArticlesShow;
    TAction* acErrLogShow;
    TAction* acSelect;
    TAction* acSelectAll;
    TAction* acUnSelectAll;
    TAction* acExit;
    TAction* acOtladka;
    TPanel* ToolBar1;
    TComboBox* cbMarkup;
    TButton* btMarkups;
    TPanel* Panel1;
    TButton* btInvoice;
    TButton* btInviocePrint;
    TRadioGroup* rgPriceTicket;
    TButton* btTicket;
    Tyl_FloatEdit* edMarkup;
    Tyl_FloatEdit* edDiscount;
    TRadioGroup* rgRound;
    TCheckBox* cbRound;
    TCheckBox* cbCalcAll;
    TButton* btRecalc;
    TButton* btMakeExcel;
    TButton* btExcelArticle;
    TPanel* pnTitle;
    TLabel* lbFileNameTITLE;
    TylSpeedButton* sbEditMode;
    TPanel* pnGrid;
    Tyl_DataDrawGrid* grid;
    TPanel* pnItogo;
    Tyl_DataDrawGrid* gdItogo;
    TOpenDialog* OpenDialog;

protected:
    void Dispatch(TMessage& Message) override;
    /// Ctrl+A in an edit (the markup edits, the grid's cell editor) selects
    /// the edit's text; elsewhere it is "Выбрать все".
    bool IsShortCut(TWMKey& Message) override;

private:
    void BuildControls();
    void BuildActions();
    void BuildMenus();
    void BuildLeftPanel();
    void BuildGrid();
    void BuildTotalsGrid();
    TAction* NewAction(const char* Name, const AnsiString& Caption,
                       void (TFormMain::*Handler)(TObject*));
    void FormShow(TObject* Sender);
    /// Writes the invoice state. When that fails, the error window says what
    /// was not written and why, and the operator chooses to close without
    /// it or to stay (Action caNone); the old state file is left as it was.
    void FormClose(TObject* Sender, TCloseAction& Action);
    /// Applies a typed value; false with the reason in Error when refused.
    bool ApplyRowText(int Index, int Tag, const AnsiString& Text, AnsiString& Error);
    /// The invoice row of grid row ARow; null outside the invoice.
    TshInvoiceTovar* RowOfGrid(int ARow) const;

    void gridGetEditText(TObject* Sender, int ACol, int ARow, AnsiString& Value);
    void gridSetEditText(TObject* Sender, int ACol, int ARow, const AnsiString& Value);
    void gridGetEditColor(TObject* Sender, int ACol, int ARow, TColor& Color);
    void gridShowEditor(TObject* Sender, int ACol, int ARow, bool& AllowEdit);
    void gridKeyDown(TObject* Sender, Word& Key, TShiftState Shift);
    void gridKeyPress(TObject* Sender, char& Key);
    void gridMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void gridDblClick(TObject* Sender);
    void gridMouseWheelDown(TObject* Sender, TShiftState Shift, TPoint MousePos, bool& Handled);
    void gridMouseWheelUp(TObject* Sender, TShiftState Shift, TPoint MousePos, bool& Handled);
    void gdItogoGetEditText(TObject* Sender, int ACol, int ARow, AnsiString& Value);
    void sbEditModeClick(TObject* Sender);
    void mnPriceStyle0Click(TObject* Sender);
    void mnPriceStyle1Click(TObject* Sender);
    void mnPriceStyle2Click(TObject* Sender);

    void acOpenInvoiceExecute(TObject* Sender);
    void acPrintRepExecute(TObject* Sender);
    void acPrintTicketExecute(TObject* Sender);
    void acRoundExecute(TObject* Sender);
    void acReCalcExecute(TObject* Sender);
    void acImportArticlesExecute(TObject* Sender);
    void acMarkupsExecute(TObject* Sender);
    void acDesignTicketExecute(TObject* Sender);
    void acDesignRepExecute(TObject* Sender);
    void acDesignNewExecute(TObject* Sender);
    void acAddReportsExecute(TObject* Sender);
    void acReloadExecute(TObject* Sender);
    void acSaveLastInvoiceExecute(TObject* Sender);
    void acOpenLastInvoiceExecute(TObject* Sender);
    void acIncomingExecute(TObject* Sender);
    void acArticlesShowExecute(TObject* Sender);
    void acErrLogShowExecute(TObject* Sender);
    void acSelectExecute(TObject* Sender);
    void acSelectAllExecute(TObject* Sender);
    void acUnSelectAllExecute(TObject* Sender);
    void acExitExecute(TObject* Sender);
    void acOtladkaExecute(TObject* Sender);
    void btMakeExcelClick(TObject* Sender);
    void mnPrintExternalClick(TObject* Sender);
    void mnConfigClick(TObject* Sender);
    void mnAboutClick(TObject* Sender);
    void mnWinClick(TObject* Sender);
    void lbFileNameTITLEDblClick(TObject* Sender);

    bool FShown = false;
    /// A damaged state file could not be put aside: it is not written over.
    bool FKeepDamagedState = false;
    /// The last ReloadInvoice read its workbook into the invoice.
    bool FWorkbookRead = false;
    /// The rows hold work that reading the workbook again would throw
    /// away: prices, typed values, chosen descriptions, or a restored state
    /// (whatever it holds). Modified alone does not say so: it is cleared
    /// whenever the state file is written.
    bool FHasChanges = false;
    /// The character of the Enter that switched edit mode on is pending.
    bool FSwallowReturnChar = false;
    /// ApplyRoundMode is setting the controls.
    bool FApplyingRound = false;
    /// Window-menu items and the forms they show.
    std::vector<std::pair<TMenuItem*, TForm*>> FWindowItems;
    /// The price edit the grid's editor is making. The grid hands over the
    /// text at every keystroke; each one prices the row from the values it
    /// had when the edit began, so that "1", "13", "130" end as "130" typed
    /// at once would. A new edit begins when the editor opens on the cell
    /// again, and after RefreshGrids.
    struct PriceEdit {
        TshInvoiceTovar* Row = nullptr;
        int Tag = 0;
        /// The grid cell of the edit.
        int Col = -1;
        int GridRow = -1;
        Currency Price, PriceOpt, PriceDiscount, Markup, Discount, Kolvo;
        bool Calculated = false;
        /// A text of this edit was refused (and said).
        bool HasRefused = false;
    };
    PriceEdit FPriceEdit;
    /// Why a typed value was refused, for WM_SHOWEDITERROR.
    AnsiString FEditError;
    /// A column narrowed for the names: its own width and the one lent at.
    struct LentWidth {
        int Col;
        int Own;
        int Narrowed;
    };
    std::vector<LentWidth> FLentWidths;
    void gridResize(TObject* Sender);
    void gridColumnSized(TObject* Sender);
};

/// The main window; null outside the program's run. Owned by the application.
extern TFormMain* FormMain;

/// Sets the main window's caption again when it exists.
void UpdateMainCaption();

/// The invoice state file: GetStartDir() + "LastInvoice.inv".
[[nodiscard]] AnsiString LastInvoiceFileName();

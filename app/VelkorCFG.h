#pragma once

// TFormCFG: the settings dialog. Its pages show reference values (read
// only), the shop name, the currency words and the three price styles of
// gCfgObject, and the heading keywords by which the column analysis finds
// the columns of invoice and article workbooks.
//
// Confirmed values change gCfgObject in memory only (the ini file gets them
// when the program ends); a cancelled or failed confirmation changes none.
// An edited keyword list is written to the ini file at once, whatever
// button then closes the dialog. The keyword tree's column layout is kept
// in the ini under [FormCFG] vsImport, the page shown last for the run.

#include "platform/forms/Forms.h"
#include "platform/rtl/AnsiString.h"
#include "platform/rtl/Types.h"

#include <memory>

class TAnalizeResult;
class TAnResItem;
class TButton;
class TExLabel;
class TLabel;
class TPageControl;
class TPanel;
class TRadioButton;
class TTabSheet;
class TToolBar;
class TToolButton;
class TValueListEditor;
class Tyl_VirtualStringTree;

/// The price-style code at the start of a style text: the trimmed text's
/// leading digits (a "-" allowed first) read as an integer ("10 - вариант
/// 00 + "Руб"" and "10" give 10). Raises EConvertError when the text does
/// not begin with a number.
[[nodiscard]] Integer PriceStyleCode(const AnsiString& Text);

class TFormCFG : public TForm {
    PRICETAGS_CLASS(TFormCFG, TForm)
public:
    explicit TFormCFG(TComponent* AOwner);
    ~TFormCFG() override;

    /// Stores the edited values into gCfgObject and closes the dialog;
    /// true when stored. A value that does not convert leaves gCfgObject as
    /// it was, says "Ошибка сохранения настроек программы" with the reason
    /// and keeps the dialog open.
    bool SaveSettings();
    /// Opens the list editor on the keyword list of the focused tree row;
    /// a confirmed list replaces the item's keywords and is written to the
    /// ini file at once.
    void EditKeywords();
    /// The items shown on the import page (owned by the dialog).
    TAnalizeResult* Analysis() const { return FAnalysis.get(); }
    /// The tree's text of a cell, as the tree shows it.
    [[nodiscard]] AnsiString CellText(int Index, int Tag) const;

    TExLabel* lbHeader;
    TPanel* pnButtons;
    TButton* btOk;
    TButton* btCancel;
    TPageControl* pc;
    TTabSheet* tabSprav;
    TLabel* lbSprav;
    TValueListEditor* vlSprValue;
    TTabSheet* tabVariables;
    TLabel* lbVariables;
    TValueListEditor* vlVariant;
    TTabSheet* tabImport;
    TLabel* lbImport;
    TToolBar* barImport;
    TToolButton* btImportEdit;
    TRadioButton* rbInvoice;
    TRadioButton* rbArticle;
    Tyl_VirtualStringTree* vsImport;

    bool OkPressed = false;
    bool Cancelled = false;
    Integer LastTab = 0;

private:
    void BuildControls();
    void BuildImportPage();
    void FormShow(TObject* Sender);
    void FormClose(TObject* Sender, TCloseAction& Action);
    void FormKeyDown(TObject* Sender, Word& Key, TShiftState Shift);
    void FormKeyPress(TObject* Sender, char& Key);
    void btOkClick(TObject* Sender);
    void btCancelClick(TObject* Sender);
    void pcChange(TObject* Sender);
    void rbInvoiceClick(TObject* Sender);
    void btImportEditClick(TObject* Sender);
    void FillPages();
    void FillValueLists();
    void FillImportItems();

    std::unique_ptr<TAnalizeResult> FAnalysis;
};

/// Runs the settings dialog modally, with Caption as its caption (empty:
/// its own). True when confirmed with "Ok".
bool ShowCfg(const AnsiString& Caption);

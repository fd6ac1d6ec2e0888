#pragma once

// Invoice model: TshInvoice (document header) over TshInvoiceTovarList
// (rows, running totals, import errors) of TshInvoiceTovar rows. Money and
// percentages are Currency (1/10000; 25 % is 25.0000), text is CP1251. The
// list owns its rows and frees them. Totals are valid only after
// CalcTotals: the list never updates them when a row changes.
//
// Pricing works exactly in decimal: a product or quotient is stored back to
// four decimals half to even, then rounded by the rounding mode (0 to whole
// kopecks half to even, 1 "до 1": to whole roubles after adding 0.45, half
// to even, 2 "Крупно": coarse steps by price range, halves up).

#include "common/base/TypeList.h"
#include "platform/classes/Object.h"
#include "platform/rtl/AnsiString.h"
#include "platform/rtl/Currency.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Types.h"

#include <memory>

class TAnalizeResult;
class TshArticle;
class TshInvoiceTovarList;
class TStream;
class TStringList;
class TStringList2D;
class Variant;

/// Rounding modes of the pricing (configuration property RoundType).
constexpr Byte RoundModeOff = 0;
constexpr Byte RoundModeToRouble = 1;
constexpr Byte RoundModeCoarse = 2;

/// The raw value of an argument of RecalcFromPrices that is not given (-1.0).
constexpr Currency NotGiven = Currency::FromRaw(-Currency::Scale);

/// Coarse rounding of a price in roubles: 0.50 and below unchanged, up to
/// 2.00 to a multiple of 0.05, below 10 to 0.10, below 50 to 0.50, below
/// 1000 to whole roubles, from 1000 on to a multiple of 10; halves go up.
[[nodiscard]] Currency RoundPriceCoarse(Currency Value);

/// One row (goods item) of an invoice.
class TshInvoiceTovar : public TObject {
    PRICETAGS_CLASS(TshInvoiceTovar, TObject)
public:
    /// Prices the row: Price from PriceOpt and Markup, PriceDiscount from
    /// Price and Discount, both rounded by RoundMode unless Markup and
    /// Discount are both 0. Markup and Discount are stored only for a cost
    /// of at least 0.01 (else 0); Calculated tells whether rounding applied.
    void Calc(Byte RoundMode, Currency Markup, Currency Discount);
    /// Re-prices the row after a grid edit. Each of the four values may be
    /// NotGiven; the first given one decides (markup, discount, retail price,
    /// card price); none given prices with the row's own percents. Raises
    /// EZeroDivide ("Floating point division by zero") when a percent would
    /// be derived from a zero cost or price; the row is then unchanged.
    void RecalcFromPrices(Byte RoundMode, Currency Markup, Currency Discount,
                          Currency NewPrice, Currency NewPriceDiscount);
    /// Copies Description, Tip, Firm, Country, ArticleCode and Warranty from
    /// an article; defined with the article list.
    void AssignArticle(const TshArticle& Article);

    [[nodiscard]] Integer GetWarranty() const { return Warranty; }
    void SetWarranty(Integer Value) { Warranty = Value; }
    /// PriceOpt x Kolvo rounded half up to whole kopecks.
    [[nodiscard]] Currency GetCostSum() const;
    /// Price x Kolvo rounded half up to whole kopecks.
    [[nodiscard]] Currency GetRetailSum() const;
    /// Text of the grid column of kind Kind (the column's Tag): 2 the mark
    /// "[x]", 3..8 the texts and warranty, 9 the quantity, 10/12/13 prices in
    /// the configuration's list style, 11 the markup with one decimal, 14 the
    /// unit, 15 Reserve2; "?" for any other kind. Reads gCfgObject.
    void GetColumnText(Integer Kind, AnsiString& Text) const;

    /// Reads one row record ("TInT1", or the older "TInT" with an integer
    /// quantity and the mark); raises as TshInvoice::LoadFromFile tells.
    void LoadFromStream(TStream& Stream);
    /// Writes one "TInT1" row record; the mark is not written.
    void SaveToStream(TStream& Stream) const;

    Integer ArticleIndex = 0;
    /// The list the row belongs to; set by TshInvoiceTovarList::Add.
    TshInvoiceTovarList* Owner = nullptr;
    Currency Price;
    Currency PriceOpt;
    Currency PriceDiscount;
    Integer Warranty = 0;
    AnsiString Tip;
    AnsiString Name;
    AnsiString Description;
    AnsiString Firm;
    AnsiString Country;
    Currency Kolvo;
    Currency Reserve1;
    Currency Markup;
    Currency Discount;
    bool Marked = false;
    bool Calculated = false;
    AnsiString ArticleCode;
    AnsiString Reserve2;
    AnsiString Ed;
    AnsiString Reserve3;
    bool Reserve4 = false;

private:
    [[nodiscard]] Currency RoundPrice(Currency Value, Byte RoundMode, bool NoRounding) const;
};

/// The rows of an invoice with their totals and the import-error list.
class TshInvoiceTovarList : public T_ylCustOwnerList {
    PRICETAGS_CLASS(TshInvoiceTovarList, T_ylCustOwnerList)
public:
    TshInvoiceTovarList();
    ~TshInvoiceTovarList() override;

    /// Frees every row and the error list and empties the row cache.
    void Clear() override;
    /// The row at Index (0-based); raises EListError for a bad index. The
    /// last row handed out is cached.
    [[nodiscard]] TshInvoiceTovar* GetItem(Integer Index) const;
    using inherited::Add;  // the base list's Add(Item) stays visible
    /// A new empty row appended to the list and owned by it.
    TshInvoiceTovar* Add();

    /// Prices every row (AllRows) or only the marked ones, clearing their
    /// marks when ClearMarks, then CalcTotals.
    void Recalc(Byte RoundMode, bool AllRows, Currency Markup, Currency Discount,
                bool ClearMarks);
    /// Recomputes SumKolvo, SumOpt, SumRetail and SumDiscount. A row whose
    /// sums fail adds nothing to any total and asks "Ошибка вычислений: ..."
    /// through the message routines: OK goes on with the next row, Abort
    /// keeps the totals of the rows before it. A row's error never escapes.
    void CalcTotals();

    /// Op 0 marks every row, 1 unmarks every row, 2 inverts every mark,
    /// 3 answers whether any row is marked, 4 whether all are (true for an
    /// empty list). Ops 0..2 answer false.
    bool DoMarks(Integer Op);
    void MarkAll() { DoMarks(0); }
    void UnmarkAll() { DoMarks(1); }
    [[nodiscard]] bool AnyMarked() { return DoMarks(3); }

    /// The import-error lines, created on first use; owned by the list.
    [[nodiscard]] TStringList* GetErrors();
    /// Adds one error line; "\n" in Text becomes a line break.
    void AddError(const AnsiString& Text);
    /// AddError of Format(Fmt, Args).
    void AddErrorFmt(const AnsiString& Fmt, TVarRecs Args);

    virtual void LoadFromStream(TStream& Stream);
    virtual void SaveToStream(TStream& Stream);

    Currency SheetTotal;
    Currency SumRetail;
    Currency SumKolvo;
    Currency SumDiscount;
    Currency SumOpt;
    Integer ListKind = 2;
    /// VAT percent added to imported cost prices; 0 = none.
    Currency Nds;

protected:
    /// Moves rows, totals and errors of Source into this (emptied) list;
    /// Source is left empty.
    void TakeRowsFrom(TshInvoiceTovarList& Source);
    /// Copies SheetTotal, the four totals, ListKind and Nds of Source.
    void AssignListFields(const TshInvoiceTovarList& Source);

private:
    void ResetCache();

    mutable Integer FCacheIndex = -1;
    mutable TshInvoiceTovar* FCacheItem = nullptr;
    std::unique_ptr<TStringList> FErrors;
};

/// The ten texts of the main window's totals row into Totals (resized to 10
/// columns, 1 row) from the list's totals as CalcTotals left them: the row
/// count, the quantity, the cost total, the retail total, the retail margin
/// and its percent of the cost, the card total, the card margin and its
/// percent, and an empty last cell. Money and percents have two decimals and
/// thousands separators; a percent reads "???" when the cost total is 0.
void FillTotalsTexts(const TshInvoiceTovarList& List, TStringList2D& Totals);

/// A supplier invoice: document header over its rows.
class TshInvoice : public TshInvoiceTovarList {
    PRICETAGS_CLASS(TshInvoice, TshInvoiceTovarList)
public:
    explicit TshInvoice(Byte ADocKind);
    ~TshInvoice() override;

    /// Sum of the rows' retail sums (report variable ITOGO), over the marked
    /// rows, or over all rows when none is marked.
    [[nodiscard]] Currency GetRetailTotal();
    /// The same over the cost sums (ITOGOOPT).
    [[nodiscard]] Currency GetCostTotal();

    /// Reads the invoice state from a file. On any failure the invoice is
    /// left as it was before the call and the error is raised: EAppException
    /// "Ошибка загрузки: Неверный заголовок" or "... Неверный тип параметра",
    /// EReadError "ReadString: ReadError", the stream's read error for a file
    /// that ends early, or the file error when it cannot be opened.
    void LoadFromFile(const AnsiString& FileName);
    /// Writes the invoice state to a file through a temporary file in the
    /// same folder that replaces FileName only when it is complete; on a
    /// failure the old file stays as it was.
    void SaveToFile(const AnsiString& FileName);

    void LoadFromStream(TStream& Stream) override;
    void SaveToStream(TStream& Stream) override;

    /// Reads a supplier workbook (ReadXLSToTable), analyses its sheet as an
    /// invoice and imports it (ImportTable). Raises what reading raises, and
    /// EAbort when the operator cancels the packing question; the invoice
    /// is then unchanged. Defined with the import.
    void LoadFromXLS(const AnsiString& AFileName);
    /// Replaces the rows by those of an analysed table: names, types,
    /// units, quantities and cost prices (the VAT percent Nds added), every
    /// row sum and the invoice total checked; each problem becomes a line of
    /// GetErrors. When the analysis does not belong to the table, or no row
    /// can be read, nothing changes and EAppException is raised with the
    /// error lines. Prices are not computed. Defined with the import.
    void ImportTable(const Variant& Table, const TAnalizeResult& Analysis);

    AnsiString FileName;
    TDateTime DateDoc = 0;
    AnsiString NumDoc;
    Integer HeaderInt = 0;
    AnsiString NameDoc;
    TDateTime DateIn = 0;
    Byte DocKind = 0;
    AnsiString RespFio;
    AnsiString Depart;
    AnsiString Provider;

private:
    /// ImportTable. With Own, the same table given to be spent, a text a
    /// row takes as it stands is moved out of the table, not copied.
    void ImportRows(const Variant& Table, Variant* Own, const TAnalizeResult& Analysis);
    void AssignHeader(const TshInvoice& Source);
    /// Sum of RowSum over the marked rows, or over all rows when none is
    /// marked.
    [[nodiscard]] Currency MarkedTotal(Currency (TshInvoiceTovar::*RowSum)() const);
};

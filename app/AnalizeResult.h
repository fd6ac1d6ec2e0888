#pragma once

// Column analysis of a sheet read into a table (the used range as a Variant
// array [rows, columns]): which row holds the column headings, which rows
// hold the goods, which column holds each kind of data, and the invoice
// total. Headings are matched against keyword lists kept in the program ini
// (section "AnalizeResultList" + kind; built-in lists when a section gives
// none); data rows are found by the pattern of their cell types ("-" empty,
// "S" text, "I" integer, "F" decimal number, "V" a decimal number beyond
// Currency).
//
// TAnalizeResult holds one TAnResItem per role, in two layouts: invoices
// (Create) and article lists (CreateForArticles). Every found row and column
// is a zero-based offset into the table; -1 means not found. The sheet row
// and column of the table's first cell (FirstRow, FirstCol) turn them into
// the numbers the user sees.

#include "common/base/TypeList.h"
#include "platform/classes/Object.h"
#include "platform/rtl/AnsiString.h"
#include "platform/rtl/Currency.h"
#include "platform/rtl/StrUtils.h"
#include "platform/rtl/Types.h"

#include <cstddef>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

class TAnalizeResult;
class TInvoicePackedName;
class TStringList;
class TStrings;
class Variant;
struct TableShape;

// Role kinds of the analysis items.
constexpr Byte KindNone = 0;
constexpr Byte KindHeaderRow = 1;
constexpr Byte KindFirstRow = 2;
constexpr Byte KindLastRow = 3;
constexpr Byte KindLeftColumn = 4;
constexpr Byte KindRightColumn = 5;
constexpr Byte KindNumber = 6;
constexpr Byte KindItem = 7;
constexpr Byte KindModel = 8;
constexpr Byte KindQuantity = 9;
constexpr Byte KindPrice = 10;
constexpr Byte KindUnit = 11;
constexpr Byte KindSum = 12;
constexpr Byte KindTotal = 13;
constexpr Byte KindType = 14;
constexpr Byte KindModelName = 15;
constexpr Byte KindArticle = 16;
constexpr Byte KindDescription = 17;
constexpr Byte KindFirm = 18;
constexpr Byte KindCountry = 19;
constexpr Byte KindWarranty = 20;

/// Positions given by the operator; -1 where not given. Rows and columns
/// are zero-based table offsets.
struct AnalizeHints {
    Integer HeaderRow = -1;
    Integer ItemColumn = -1;
    Integer ModelColumn = -1;
    Integer ArticleColumn = -1;
    Integer PriceColumn = -1;
    Integer QuantityColumn = -1;
    Integer SumColumn = -1;
    Integer FirstDataRow = -1;
    Integer LastDataRow = -1;
};

/// One role of the analysis and what was found for it.
class TAnResItem : public TObject {
    PRICETAGS_CLASS(TAnResItem, TObject)
public:
    /// A role of Owner; kinds 6 and above load their keywords at once.
    TAnResItem(TAnalizeResult* AOwner, Byte AKind, const AnsiString& AName);
    ~TAnResItem() override;

    /// '' for kind 0; the total with two decimals and thousands separated
    /// for kind 13; otherwise Index plus the sheet's first row (row roles 1
    /// to 3) or first column (column roles), as decimal text.
    [[nodiscard]] AnsiString GetValueText() const;
    /// The inverse of GetValueText: Text cleaned as typed money (a text that
    /// is no number counts as 0); kind 13 takes the amount, other kinds the
    /// whole number minus the same offset. Nothing for kind 0.
    void SetValueText(const AnsiString& Text);
    /// Replaces Headers by the keywords saved in the program ini, or by the
    /// built-in list of the kind when the ini gives no keyword.
    void LoadHeaders();
    /// Writes Headers to the program ini (the section is erased first).
    void SaveHeaders() const;
    /// The ini section of the keyword list: "AnalizeResultList" + kind.
    [[nodiscard]] AnsiString HeadersSection() const;
    /// Whether the item is a data column (kinds 6 to 12 and 14 to 20): a
    /// column found by its heading keywords. Not the row roles, the left
    /// and right columns, the separators, nor the total (13).
    [[nodiscard]] bool IsColumnKind() const;

    TAnalizeResult* Owner = nullptr;
    /// Caption shown in the set-up window.
    AnsiString Name;
    /// Found row or column (zero-based table offset); -1 when not found.
    Integer Index = -1;
    /// Kind 13 only: the invoice total; -1 when not found.
    Currency Value = Currency(-1);
    Byte Kind = KindNone;
    /// Kind 2 only: non-fitting rows between the first and the second data
    /// row.
    Integer Gaps = 0;
    /// Heading keywords of the role; owned.
    std::unique_ptr<TStringList> Headers;
};

/// Statistics of one column, row or row pattern.
class TStatAnalizeItem : public TObject {
    PRICETAGS_CLASS(TStatAnalizeItem, TObject)
public:
    /// Items come from a pool of their own: an analysis makes one per table
    /// row and frees them all together. The pool's memory goes back to the
    /// heap when the last item is freed.
    static void* operator new(size_t Size);
    static void operator delete(void* P, size_t Size) noexcept;

    /// A row's pattern, or a pattern entry's name.
    AnsiString Pattern;
    /// True while every cell seen is empty.
    bool Empty = true;
    /// Pattern entries: rows with this pattern.
    Integer Count = 0;
    /// Rows: heading keywords met in the row.
    Integer Hits = 0;
    /// Rows: the row holds goods.
    bool IsData = false;
};

class TStatAnalize : public T_ylCustOwnerList {
    PRICETAGS_CLASS(TStatAnalize, T_ylCustOwnerList)
public:
    TStatAnalize() = default;
    ~TStatAnalize() override;

    using inherited::Add;  // the base list's Add(Item) stays visible
    /// A new entry appended to the list and owned by it.
    TStatAnalizeItem* Add();
    /// Raises EListError for a bad index.
    [[nodiscard]] TStatAnalizeItem* GetItem(Integer Index) const;
    /// The entry whose Pattern equals Name exactly; null when none.
    [[nodiscard]] TStatAnalizeItem* FindByName(const AnsiString& Name) const;
};

class TAnalizeResult : public T_ylCustOwnerList {
    PRICETAGS_CLASS(TAnalizeResult, T_ylCustOwnerList)
public:
    /// The invoice layout, with its name splitter.
    TAnalizeResult();
    /// The article-list layout.
    static std::unique_ptr<TAnalizeResult> CreateForArticles();
    ~TAnalizeResult() override;

    /// Every item not found (Index -1, Value -1) and the statistics emptied;
    /// PackedMode stays.
    void Reset();
    /// The item of a kind; null when the layout has none.
    [[nodiscard]] TAnResItem* FindByKind(Byte Kind) const;
    /// The Index of the item of a kind; -1 when absent or not found.
    [[nodiscard]] Integer IndexOfKind(Byte Kind) const;
    /// Raises EListError for a bad index.
    [[nodiscard]] TAnResItem* GetItem(Integer Index) const;

    /// Analyses an invoice sheet. Hints (may be null) override what is
    /// found. When the item, price or quantity column stays unknown, the
    /// error window says so and the analysis goes on. When most item names
    /// carry a goods type, the operator is asked how they are packed; the
    /// answer "Отмена операции" raises EAbort. A table that is not a
    /// two-dimensional array counts as an empty table.
    void AnalizeInvoice(const Variant& Table, const AnalizeHints* Hints);
    /// Analyses an article-list sheet.
    void AnalizeArticles(const Variant& Table);

    /// The kind of the first item (in item order) whose keywords match the
    /// start of the heading Text; 0 when none.
    [[nodiscard]] Byte MatchHeaderKind(const AnsiString& Text) const;

    /// Sheet row and column (1-based) of the table's first cell; -1 until
    /// the owner sets them (the set-up window takes them from the sheet's
    /// used range while they are negative).
    Integer FirstRow = -1;
    Integer FirstCol = -1;
    /// Table lower bounds and size, as the last analysis found them.
    Integer RowLow = 1;
    Integer ColLow = 1;
    Integer RowCount = 0;
    Integer ColCount = 0;
    /// One entry per table column, per table row, per distinct pattern.
    TStatAnalize anColList;
    TStatAnalize anRowList;
    TStatAnalize anPatternList;
    /// Invoice layout only; null for articles.
    std::unique_ptr<TInvoicePackedName> PackedName;
    /// How item names carry the goods type: 1 not at all, 2 in brackets at
    /// the end, 4 after a line break.
    Byte PackedMode = 1;

private:
    explicit TAnalizeResult(bool ForArticles);
    void AddItem(Byte Kind, const AnsiString& Name);
    /// Normalised keywords of each item, in item order, for one analysis.
    void PrepareKeywords();
    /// MatchHeaderKind over the prepared keywords.
    [[nodiscard]] Byte MatchKindFast(std::string_view Text) const;
    void BuildStatistics(const Variant& Table, bool ForArticles);
    void FindHeaderRow();
    void FindInvoiceColumns(const Variant& Table);
    void FindArticleColumns(const Variant& Table);
    void ReadSheetTotal(const Variant& Table);
    void FindDataRows();
    void AskItemType(const Variant& Table);
    void FindArticleRows();
    /// Trimmed text of a table cell by zero-based offsets; '' outside the
    /// table.
    [[nodiscard]] AnsiString CellText(const Variant& Table, Integer Row, Integer Col) const;
    /// CellText without a copy: a text cell's own text (trimmed) or a
    /// number's text written into Scratch, and its CellTypeChar in Letter.
    /// Valid while Table and Scratch stay unchanged. Without NumberText a
    /// number of up to four decimals gets its letter and no text.
    [[nodiscard]] std::string_view CellView(const Variant& Table, Integer Row, Integer Col,
                                            AnsiString& Scratch, char& Letter,
                                            bool NumberText = true) const;
    [[nodiscard]] AnsiString CanonicalPattern(const AnsiString& Pattern) const;

    bool FForArticles = false;
    /// Per item (in item order) its kind and normalised keywords.
    struct KeywordSet {
        Byte Kind;
        std::vector<AnsiString> Keywords;
    };
    std::vector<KeywordSet> FKeywords;
    /// The longest prepared keyword: how much of a heading matching needs.
    size_t FKeywordLength = 0;
    /// The first characters of the prepared keywords.
    TCharSet FKeywordStarts;
    /// Per first character (as a byte), the longest prepared keyword that
    /// starts with it.
    size_t FKeywordLengthByStart[256] = {};
    /// Per first character (as a byte), the prepared keywords that start
    /// with it, in item order: kind and keyword.
    std::vector<std::pair<Byte, std::string_view>> FKeywordsByStart[256];
    /// Per table row of the last invoice analysis: a cell holds a total
    /// keyword.
    std::vector<bool> FTotalKeywordRows;
};

/// The shape of a table an import is about to read with Analysis. Raises
/// EAppException "Ошибка в анализаторе." ... "anRowList.Count (n) <> rCount
/// (m)" (logged) when the analysis was not made of a table of as many rows:
/// no analysis yet, or one of another table.
[[nodiscard]] TableShape CheckAnalysedTable(const Variant& Table, const TAnalizeResult& Analysis);
/// Raises EAppException (logged) whose message is the lines of Errors, CR
/// LF between them: how an import that read nothing reports why.
[[noreturn]] void RaiseImportErrors(const TStringList& Errors);

/// Error lines shared by the invoice and article imports. Format texts:
/// the sheet row, and for a cell error also the sheet column.
[[nodiscard]] const AnsiString& SImportRowSkipped();
[[nodiscard]] const AnsiString& SImportCellError();

/// A cell's value as text, as VarToStr gives it (numbers as the runtime
/// writes them); raises as VarToStr does (a worksheet error value).
[[nodiscard]] AnsiString CellValueText(const Variant& Cell);
/// The exact value of a cell holding a whole number or a number of up to
/// four decimals (below 1e11): the value its text converts to. False for
/// any other cell.
[[nodiscard]] bool CellCurrency(const Variant& Cell, Currency& Value);
/// Upper-cased Text without blanks at the ends and without CR, LF, blank,
/// "-", double and single quotes, round and square brackets.
[[nodiscard]] AnsiString NormalizeHeaderText(const AnsiString& Text);
/// Index of the first keyword whose normalised form begins the normalised
/// Text; -1 when none. An empty keyword never matches.
[[nodiscard]] Integer MatchHeaderKeyword(const TStrings& Keywords, const AnsiString& Text);
/// The cell's type letter of a trimmed cell text: '-' empty, 'S' not a
/// number, 'I' a number without decimal separator, 'F' a decimal number,
/// 'V' a decimal number Currency cannot hold.
[[nodiscard]] char CellTypeChar(const AnsiString& Text);
/// Whether a row's Pattern fits the Reference pattern: the same length, at
/// least 3/4 of Reference's non-empty positions agree (equal letters, "S"
/// against an empty cell, or numbers on both sides), and a number ("F" or
/// "I") in the price and quantity columns when they are known (>= 0).
[[nodiscard]] bool PatternFits(const AnsiString& Pattern, const AnsiString& Reference,
                               Integer PriceColumn, Integer QuantityColumn);
/// The 3/4 agreement of PatternFits alone.
[[nodiscard]] bool PatternMostlyAgrees(const AnsiString& Pattern, const AnsiString& Reference);
/// Whether a row of "-" and "I" cells numbers the columns: each integer 1
/// or 2 above the one before; more than 7 good steps decide at once, more
/// than 3 misses make it an ordinary row. Texts are the row's cell texts.
[[nodiscard]] bool IsNumberingRow(const std::vector<AnsiString>& Texts, const AnsiString& Pattern);

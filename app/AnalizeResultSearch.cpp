// The search over the statistics of a table: the heading row, the columns
// under it, the invoice total, the block of data rows, and the question how
// item names carry the goods type.

#include "app/AnalizeResult.h"

#include "app/InvoicePackedName.h"
#include "common/base/Funcs.h"
#include "common/components/MsgWin.h"
#include "platform/classes/Strings.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/StrUtils.h"

#include <cassert>
#include <initializer_list>
#include <utility>

namespace {

bool IsNumberLetter(char C)
{
    return C == 'F' || C == 'I';
}

/// Whether the zero-based Column of Pattern holds a number.
bool HasNumberAt(const AnsiString& Pattern, Integer Column)
{
    return Column >= 0 && Column < Pattern.Length() && IsNumberLetter(Pattern[Column + 1]);
}

/// The kinds a heading cell gives its column in an invoice.
bool IsHeadingColumnKind(Byte Kind)
{
    return (Kind >= KindNumber && Kind <= KindSum) || Kind == KindArticle;
}

const AnsiString& SMainColumnsMissing()
{
    return "Не определены основные столбцы накладной.\\nВ накладной обязательно должны быть "
           "определены \\nстолбцы \"Товар\", \"Количество\" и \"Цена\""_a;
}

/// A name as the packing question shows it: each line break as a word.
AnsiString ShowLineBreaks(const AnsiString& Name)
{
    const AnsiString& Mark = "<ВозвратКаретки>"_a;
    AnsiString Result;
    for (int I = 1; I <= Name.Length(); ++I) {
        const char C = Name[I];
        if (C != '\r' && C != '\n') {
            Result += C;
            continue;
        }
        Result += Mark;
        if (I < Name.Length() && (Name[I + 1] == '\r' || Name[I + 1] == '\n') && Name[I + 1] != C)
            ++I;
    }
    return Result;
}

}  // namespace

bool PatternMostlyAgrees(const AnsiString& Pattern, const AnsiString& Reference)
{
    if (Pattern.Length() != Reference.Length())
        return false;
    Integer Total = 0;
    Integer Agreeing = 0;
    for (int I = 1; I <= Reference.Length(); ++I) {
        const char Ref = Reference[I];
        if (Ref == '-')
            continue;
        ++Total;
        const char Own = Pattern[I];
        if (Own == Ref || (Ref == 'S' && Own == '-')
            || (IsNumberLetter(Ref) && IsNumberLetter(Own)))
            ++Agreeing;
    }
    return Total > 0 && IsMostOf(Agreeing, Total, 4, /*OrEqual=*/true);
}

bool PatternFits(const AnsiString& Pattern, const AnsiString& Reference, Integer PriceColumn,
                 Integer QuantityColumn)
{
    if (!PatternMostlyAgrees(Pattern, Reference))
        return false;
    if (PriceColumn >= 0 && !HasNumberAt(Pattern, PriceColumn))
        return false;
    return QuantityColumn < 0 || HasNumberAt(Pattern, QuantityColumn);
}

// ---- invoices ------------------------------------------------------------------

void TAnalizeResult::AnalizeInvoice(const Variant& Table, const AnalizeHints* Hints)
{
    assert(!FForArticles && "an invoice is analysed with the invoice layout");
    Reset();
    BuildStatistics(Table, /*ForArticles=*/false);
    FindHeaderRow();
    FindInvoiceColumns(Table);
    if (Hints) {
        const std::pair<Byte, Integer> Given[] = {
            {KindHeaderRow, Hints->HeaderRow},   {KindItem, Hints->ItemColumn},
            {KindModel, Hints->ModelColumn},     {KindArticle, Hints->ArticleColumn},
            {KindPrice, Hints->PriceColumn},     {KindQuantity, Hints->QuantityColumn},
            {KindSum, Hints->SumColumn},
        };
        for (const auto& [Kind, Index] : Given)
            if (Index >= 0)
                FindByKind(Kind)->Index = Index;
    }
    if (IndexOfKind(KindItem) < 0 || IndexOfKind(KindPrice) < 0 || IndexOfKind(KindQuantity) < 0)
        ErrorMsg(SMainColumnsMissing());
    ReadSheetTotal(Table);
    FindDataRows();
    if (Hints && Hints->FirstDataRow >= 0)
        FindByKind(KindFirstRow)->Index = Hints->FirstDataRow;
    if (Hints && Hints->LastDataRow >= 0)
        FindByKind(KindLastRow)->Index = Hints->LastDataRow;
    AskItemType(Table);
}

void TAnalizeResult::FindHeaderRow()
{
    Integer Best = -1;
    Integer BestHits = 0;
    for (Integer R = 0; R < anRowList.Count(); ++R) {
        const Integer Hits = anRowList.GetItem(R)->Hits;
        if (Hits > BestHits) {
            Best = R;
            BestHits = Hits;
        }
    }
    FindByKind(KindHeaderRow)->Index = Best;
}

void TAnalizeResult::FindInvoiceColumns(const Variant& Table)
{
    const Integer Header = IndexOfKind(KindHeaderRow);
    if (Header < 0)
        return;
    Integer Left = -1;
    Integer Right = -1;
    Byte Previous = KindNone;
    for (Integer C = 0; C < ColCount; ++C) {
        const AnsiString Text = CellText(Table, Header, C);
        const Byte Kind = Text.IsEmpty() ? KindNone : MatchKindFast(Text.View());
        if (IsHeadingColumnKind(Kind)) {
            // In a run of columns of one kind the first wins; a later column
            // of the same kind elsewhere replaces it.
            if (Kind != Previous)
                FindByKind(Kind)->Index = C;
            if (Left < 0)
                Left = C;
            Right = C;
        }
        Previous = Kind;
    }
    FindByKind(KindLeftColumn)->Index = Left;
    FindByKind(KindRightColumn)->Index = Right;
}

void TAnalizeResult::ReadSheetTotal(const Variant& Table)
{
    TAnResItem* Total = FindByKind(KindTotal);
    const Integer Row = Total->Index;
    if (Row < 0)
        return;
    const Integer SumColumn = IndexOfKind(KindSum);
    if (SumColumn >= 0) {
        // The sum column alone gives the total. An empty cell there means
        // the sheet states no total: a scan of the row would take another
        // figure, the quantity total say, and report a false difference.
        const AnsiString Clean = CleanNumStr(CellText(Table, Row, SumColumn));
        if (!Clean.IsEmpty())
            Total->Value = StrToCurrDef(Clean, Currency::FromRaw(INT64_MAX));
        return;
    }
    bool AfterKeyword = false;
    for (Integer C = 0; C < ColCount; ++C) {
        const AnsiString Text = CellText(Table, Row, C);
        if (!AfterKeyword) {
            AfterKeyword = !Text.IsEmpty() && MatchHeaderKeyword(*Total->Headers, Text) >= 0;
            continue;
        }
        const AnsiString Clean = CleanNumStr(Text);
        if (!Clean.IsEmpty()) {
            Total->Value = StrToCurrDef(Clean, Currency(2147483647));
            return;
        }
    }
}

void TAnalizeResult::FindDataRows()
{
    const TStatAnalizeItem* Reference = nullptr;
    for (Integer I = 0; I < anPatternList.Count(); ++I) {
        const TStatAnalizeItem* Entry = anPatternList.GetItem(I);
        if (CountChars("FI", Entry->Pattern) < 2)
            continue;
        if (!Reference || Entry->Count >= Reference->Count)
            Reference = Entry;
    }
    if (!Reference)
        return;
    const AnsiString RefPattern = Reference->Pattern;
    const Integer Price = IndexOfKind(KindPrice);
    const Integer Quantity = IndexOfKind(KindQuantity);
    const Integer Header = IndexOfKind(KindHeaderRow);
    const Integer TotalRow = IndexOfKind(KindTotal);
    const Integer Start = Header >= 0 ? Header + 1 : 0;
    Integer First = -1;
    Integer Last = -1;
    Integer Gaps = 0;
    for (Integer R = Start; R < anRowList.Count(); ++R) {
        TStatAnalizeItem* Row = anRowList.GetItem(R);
        if (Row->Empty)
            continue;
        if (!PatternFits(Row->Pattern, RefPattern, Price, Quantity)) {
            if (First >= 0 && Last == First)
                ++Gaps;
            continue;
        }
        Row->IsData = true;
        if (First < 0)
            First = R;
        Last = R;
    }
    if (First < 0)
        return;
    // An item row without a number in the price or quantity column is no
    // data row. Inside the block the import reports it as skipped; at
    // either end it would fall outside the block and vanish without a word.
    // So the block takes in such rows next to its ends and the import
    // reports them like those inside. A row without a goods name, or with a
    // total keyword in any cell (an invoice may close with "Итого" and
    // "Всего по накладной"), is no item row and never widens the block.
    const Integer ItemColumn = IndexOfKind(KindItem);
    auto IsItemRowWithoutNumber = [&](Integer R) {
        if (R < Start || R >= anRowList.Count() || R == TotalRow || FTotalKeywordRows[size_t(R)])
            return false;
        const TStatAnalizeItem* Row = anRowList.GetItem(R);
        if (Row->Empty || Row->IsData || !PatternMostlyAgrees(Row->Pattern, RefPattern))
            return false;
        return ItemColumn < 0
            || (ItemColumn < Row->Pattern.Length() && Row->Pattern[ItemColumn + 1] != '-');
    };
    while (IsItemRowWithoutNumber(First - 1))
        --First;
    while (IsItemRowWithoutNumber(Last + 1))
        ++Last;
    FindByKind(KindFirstRow)->Index = First;
    FindByKind(KindFirstRow)->Gaps = Gaps;
    FindByKind(KindLastRow)->Index = Last;
}

void TAnalizeResult::AskItemType(const Variant& Table)
{
    if (IndexOfKind(KindModel) >= 0) {
        PackedMode = PackedNone;
        return;
    }
    const Integer First = IndexOfKind(KindFirstRow);
    const Integer Last = IndexOfKind(KindLastRow);
    const Integer ItemColumn = IndexOfKind(KindItem);
    if (IndexOfKind(KindLeftColumn) < 0 || IndexOfKind(KindRightColumn) < 0 || First < 0
        || Last < First || ItemColumn < 0)
        return;
    Integer DataRows = 0;
    Integer BracketRows = 0;
    Integer LineBreakRows = 0;
    AnsiString Sample;
    // Rows past the table (a hint may point there) hold nothing to look at.
    for (Integer R = First; R <= Last && R < anRowList.Count(); ++R) {
        if (!anRowList.GetItem(R)->IsData)
            continue;
        ++DataRows;
        const AnsiString Name = CellText(Table, R, ItemColumn);
        bool HasBracket = false;
        bool HasLineBreak = false;
        if (!PackedName->Detect(Name, HasBracket, HasLineBreak))
            continue;
        BracketRows += HasBracket ? 1 : 0;
        LineBreakRows += HasLineBreak ? 1 : 0;
        if (Sample.IsEmpty())
            Sample = Name;
    }
    if (DataRows > 0 && IsMostOf(LineBreakRows, DataRows, 5, /*OrEqual=*/true))
        PackedMode = PackedAfterLineBreak;
    else if (DataRows > 0 && IsMostOf(BracketRows, DataRows, 5, /*OrEqual=*/true))
        PackedMode = PackedInBrackets;
    else {
        PackedMode = PackedNone;
        return;
    }
    const AnsiString Text =
        "Программа определила, что столбец наименования товара \\nсодержит тип товара.\\n "
        "Ограничитель: "_a
        + (PackedMode == PackedInBrackets ? "скобки"_a : "возврат каретки"_a) + "\r\n\r\n\""
        + ShowLineBreaks(Sample) + "\"\r\n";
    const Integer Answer =
        MsgChoice(Text, "Выберите правильный вариант"_a,
                  {"Определено правильно"_a, "Наименование не содержит типа товара"_a,
                   "Отмена операции"_a});
    if (Answer == 1)
        return;
    if (Answer == 2) {
        PackedMode = PackedNone;
        return;
    }
    // "Отмена операции", or the question closed without an answer.
    Abort();
}

// ---- article lists -------------------------------------------------------------

void TAnalizeResult::AnalizeArticles(const Variant& Table)
{
    assert(FForArticles && "an article list is analysed with the article layout");
    Reset();
    BuildStatistics(Table, /*ForArticles=*/true);
    FindHeaderRow();
    FindArticleColumns(Table);
    FindArticleRows();
}

void TAnalizeResult::FindArticleColumns(const Variant& Table)
{
    const Integer Header = IndexOfKind(KindHeaderRow);
    if (Header < 0)
        return;
    for (Integer C = 0; C < ColCount; ++C) {
        const AnsiString Text = CellText(Table, Header, C);
        const Byte Kind = Text.IsEmpty() ? KindNone : MatchKindFast(Text.View());
        if (Kind >= KindType && Kind <= KindWarranty)
            FindByKind(Kind)->Index = C;
    }
}

AnsiString TAnalizeResult::CanonicalPattern(const AnsiString& Pattern) const
{
    if (CountChars("S", Pattern) < 2)
        return Pattern;
    const Integer Type = IndexOfKind(KindType);
    const Integer Model = IndexOfKind(KindModelName);
    const Integer Description = IndexOfKind(KindDescription);
    const Integer TextColumns[] = {IndexOfKind(KindArticle), IndexOfKind(KindFirm),
                                   IndexOfKind(KindCountry)};
    auto IsOneOf = [](Integer C, std::initializer_list<Integer> Columns) {
        for (Integer Column : Columns)
            if (Column >= 0 && Column == C)
                return true;
        return false;
    };
    const bool AllKnown = Type >= 0 && Model >= 0 && Description >= 0;
    AnsiString Result = Pattern;
    for (Integer C = 0; C < Pattern.Length(); ++C) {
        const char Own = Pattern[C + 1];
        char& Out = Result[C + 1];
        if (IsOneOf(C, {Type, Model, Description}))
            Out = Own == '-' ? '-' : 'S';
        else if (AllKnown || IsOneOf(C, {TextColumns[0], TextColumns[1], TextColumns[2]}))
            Out = 'S';
        else
            Out = IsNumberLetter(Own) ? 'F' : 'S';
    }
    return Result;
}

void TAnalizeResult::FindArticleRows()
{
    const TStatAnalizeItem* Reference = nullptr;
    for (Integer I = 0; I < anPatternList.Count(); ++I) {
        const TStatAnalizeItem* Entry = anPatternList.GetItem(I);
        if (!Reference || Entry->Count >= Reference->Count)
            Reference = Entry;
    }
    if (!Reference)
        return;
    const AnsiString RefCanonical = CanonicalPattern(Reference->Pattern);
    const Integer Header = IndexOfKind(KindHeaderRow);
    Integer First = -1;
    Integer Last = -1;
    for (Integer R = 0; R < anRowList.Count(); ++R) {
        TStatAnalizeItem* Row = anRowList.GetItem(R);
        if (Row->Empty || R == Header || CanonicalPattern(Row->Pattern) != RefCanonical)
            continue;
        Row->IsData = true;
        if (First < 0)
            First = R;
        Last = R;
    }
    FindByKind(KindFirstRow)->Index = First;
    FindByKind(KindLastRow)->Index = Last;
}

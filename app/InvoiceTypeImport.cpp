// The import of a supplier's workbook into the invoice: each data row of
// the analysed table becomes a row with its name, type, unit, quantity and
// cost price; row sums and the invoice total are checked against the
// supplier's figures. A bad cell or sum never stops the import: it becomes
// a line of the error list the main window shows afterwards.

#include "app/InvoiceType.h"

#include "app/AnalizeResult.h"
#include "app/InvoicePackedName.h"
#include "app/ReadXLS.h"
#include "common/base/Funcs.h"
#include "platform/classes/Strings.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/StrUtils.h"
#include "platform/rtl/Variant.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace {

/// Value rounded half away from zero to whole kopecks, exactly.
Currency RoundToKopecks(__int128 Num, __int128 Den)
{
    // Num / Den is a value in 1/10000; a kopeck is 100 of them.
    const __int128 Unit = Den * 100;
    const bool Negative = (Num < 0) != (Den < 0);
    __int128 A = Num < 0 ? -Num : Num;
    const __int128 B = Unit < 0 ? -Unit : Unit;
    // In 64 bits where the sum fits, which is several times quicker.
    __int128 Kopecks = A + B / 2 <= INT64_MAX
        ? __int128(static_cast<int64_t>(A + B / 2) / static_cast<int64_t>(B))
        : (A + B / 2) / B;
    if (Kopecks > INT64_MAX / 100)
        throw EOverflow("Floating point overflow");
    if (Negative)
        Kopecks = -Kopecks;
    return Currency::FromRaw(static_cast<int64_t>(Kopecks * 100));
}

/// The cost price with the VAT percent added, rounded half up to kopecks.
Currency AddVat(Currency Price, Currency Nds)
{
    return RoundToKopecks(__int128(Price.Raw()) * (100 * Currency::Scale + Nds.Raw()),
                          100 * Currency::Scale);
}

/// Price x Quantity rounded half up to kopecks, as a row's cost sum is.
Currency SumOf(Currency Price, Currency Quantity)
{
    return RoundToKopecks(__int128(Price.Raw()) * Quantity.Raw(), Currency::Scale);
}

/// The columns the import reads, in the order one cell is handled.
constexpr Byte ImportedKinds[] = {KindModel, KindItem, KindUnit, KindQuantity, KindPrice, KindSum};

/// The text of the model, item or unit column into its row fields. The
/// item name is split by the packing mode; a model column to the left wins
/// over the type in the name, one to the right overwrites it.
template <class TextRef>
void StoreText(TshInvoiceTovar& Row, Byte Kind, TextRef&& Text, TInvoicePackedName& Splitter,
               Byte PackedMode)
{
    switch (Kind) {
    case KindModel: Row.Tip = std::forward<TextRef>(Text); return;
    case KindItem:
        Splitter.Mode = PackedMode;
        Splitter.Parse(std::forward<TextRef>(Text));
        // The parts are taken, not copied: the next Parse empties them
        // anyway, and nothing else reads them.
        Row.Name = std::move(Splitter.NamePart);
        if (Row.Tip.IsEmpty())
            Row.Tip = std::move(Splitter.TypePart);
        return;
    case KindUnit: Row.Ed = std::forward<TextRef>(Text); return;
    default: return;
    }
}

}  // namespace

void TshInvoice::LoadFromXLS(const AnsiString& AFileName)
{
    Variant Table;
    int FirstColumn = 1;
    int FirstRow = 1;
    ReadXLSToTable(AFileName, Table, FirstColumn, FirstRow);
    TAnalizeResult Analysis;
    Analysis.FirstRow = FirstRow;
    Analysis.FirstCol = FirstColumn;
    Analysis.AnalizeInvoice(Table, nullptr);
    // The table is this import's own: its texts are taken, not copied.
    ImportRows(Table, &Table, Analysis);
}

void TshInvoice::ImportTable(const Variant& Table, const TAnalizeResult& Analysis)
{
    ImportRows(Table, nullptr, Analysis);
}

void TshInvoice::ImportRows(const Variant& Table, Variant* Own, const TAnalizeResult& Analysis)
{
    const TableShape Shape = CheckAnalysedTable(Table, Analysis);
    const Integer Rows = Shape.Rows;
    const Integer Cols = Shape.Cols;

    // The rows are read into an invoice of their own that replaces these
    // rows only when it holds at least one: a failed import leaves the
    // current invoice as it was.
    TshInvoice Imported(DocKind);
    Imported.Nds = Nds;
    const Integer First = Analysis.IndexOfKind(KindFirstRow);
    const Integer Last = Analysis.IndexOfKind(KindLastRow);
    // A row range past the table (a region picked by whole columns) is cut
    // to the table: no row past its end is ever read. A range that starts
    // past the table holds nothing to import, like one that starts after
    // its end: starting at the top instead would read rows outside it.
    Integer From = First;
    if (First < 0) {
        Imported.AddError("Не определена начальная строка при анализе"_a);
        From = 0;
    }
    Integer To = Last;
    if (Last < 0) {
        Imported.AddError("Не определена конечная строка при анализе"_a);
    } else if (Last >= Rows) {
        Imported.AddError("Не определена конечная строка при анализе"_a);
        To = Rows - 1;
    }
    if (First > Last || First >= Rows) {
        Imported.AddError("Неверно определены начальная и конечная строки при анализе"_a);
        To = -1;
    }

    std::vector<std::vector<Byte>> ColumnKinds(static_cast<size_t>(Cols));
    for (Byte Kind : ImportedKinds) {
        const Integer C = Analysis.IndexOfKind(Kind);
        if (C >= 0 && C < Cols)
            ColumnKinds[size_t(C)].push_back(Kind);
    }
    TInvoicePackedName OwnSplitter;
    TInvoicePackedName& Splitter = Analysis.PackedName ? *Analysis.PackedName : OwnSplitter;

    Currency Total;
    Currency TotalWithoutVat;
    for (Integer R = From; R <= To; ++R) {
        // The sheet row number, written only for an error line.
        const auto SheetRow = [&] { return IntToStr(Analysis.FirstRow + R); };
        if (!Analysis.anRowList.GetItem(R)->IsData) {
            Imported.AddErrorFmt(SImportRowSkipped(), {SheetRow()});
            continue;
        }
        TshInvoiceTovar& Row = *Imported.Add();
        AnsiString Missing;
        Currency PriceRead;
        // The row's cells follow each other in the table (R is a row of it):
        // read from its first without an index check each.
        const Variant* const Cells = &Table.GetElement(Shape.RowLow + R, Shape.ColLow);
        // The same cells to take texts from, when the table may be spent.
        Variant* const OwnCells =
            Own ? const_cast<Variant*>(&Own->GetElement(Shape.RowLow + R, Shape.ColLow)) : nullptr;
        for (Integer C = 0; C < Cols; ++C) {
            if (ColumnKinds[size_t(C)].empty())
                continue;
            try {
                const Variant& Cell = Cells[C];
                for (Byte Kind : ColumnKinds[size_t(C)]) {
                    if (Kind == KindModel || Kind == KindItem || Kind == KindUnit) {
                        // A text cell is read where it stands, not copied;
                        // from a table to be spent, a cell only this kind
                        // reads gives its text away.
                        AnsiString* Taken = OwnCells && ColumnKinds[size_t(C)].size() == 1
                                                ? OwnCells[C].StringRef()
                                                : nullptr;
                        if (Taken)
                            StoreText(Row, Kind, std::move(*Taken), Splitter, Analysis.PackedMode);
                        else if (const AnsiString* Text = Cell.StringRef())
                            StoreText(Row, Kind, *Text, Splitter, Analysis.PackedMode);
                        else
                            StoreText(Row, Kind, CellValueText(Cell), Splitter,
                                      Analysis.PackedMode);
                        continue;
                    }
                    // A plain number is taken as it stands: the value its
                    // text would clean and convert to.
                    Currency Number;
                    if (!CellCurrency(Cell, Number)) {
                        AnsiString Clean = CleanNumStr(CellValueText(Cell));
                        if (IsBlank(Clean)) {
                            Clean = "0";
                            Missing += Analysis.FindByKind(Kind)->Name;
                        }
                        Number = StrToCurrDef(Clean, Currency());
                    }
                    if (Kind == KindQuantity) {
                        Row.Kolvo = Number;
                    } else if (Kind == KindPrice) {
                        PriceRead = Number;
                        Row.PriceOpt = Nds != Currency() ? AddVat(Number, Nds) : Number;
                    } else {
                        // The sheet's row sum, held here until checked.
                        Row.Price = Number;
                    }
                }
            } catch (const Exception&) {
                Imported.AddErrorFmt(SImportCellError(),
                                     {SheetRow(), IntToStr(Analysis.FirstCol + C)});
            }
        }
        try {
            const Currency CostSum = Row.GetCostSum();
            // With VAT added to the prices, a supplier's sums may include
            // the VAT or not: either agrees. Comparing with the VAT sum alone
            // reported every row of an invoice whose sums exclude it.
            const Currency SumWithoutVat = SumOf(PriceRead, Row.Kolvo);
            if (Row.Price != Currency() && Row.Price != CostSum
                && (Nds == Currency() || Row.Price != SumWithoutVat)) {
                const AnsiString Number = IntToStr(Imported.Count());
                if (Missing.IsEmpty())
                    Imported.AddErrorFmt(
                        "Не совпадает сумма в накладной [Строка %s] [XL строка %s]"_a,
                        {Number, SheetRow()});
                else
                    Imported.AddErrorFmt("Нет числового значения в колонках "_a + "("
                                             + Trim(Missing) + ")" + "[Строка %s] [XL строка %s]"_a,
                                         {Number, SheetRow()});
            }
            Total += CostSum;
            TotalWithoutVat += SumWithoutVat;
        } catch (const Exception&) {
            Imported.AddErrorFmt("Ошибка импорта из накладной [Строка XL %s] (%s)"_a,
                                 {SheetRow(), "Ошибка вычисления суммы"_a});
        }
        Row.Price = Currency();
    }

    // Nothing read: the reasons alone, without a total check of nothing.
    if (Imported.Count() == 0)
        RaiseImportErrors(*Imported.GetErrors());
    const Currency SheetSum = Analysis.FindByKind(KindTotal)
                                  ? Analysis.FindByKind(KindTotal)->Value
                                  : Currency(-1);
    if (SheetSum > Currency() && SheetSum != Total
        && (Nds == Currency() || SheetSum != TotalWithoutVat))
        Imported.AddErrorFmt("Не совпадает ИТОГО по накладной [%s <> %s]"_a,
                             {CurrToNumStr(Total, 2), CurrToNumStr(SheetSum, 2)});

    Imported.SheetTotal = SheetTotal;
    Imported.SumRetail = SumRetail;
    Imported.SumKolvo = SumKolvo;
    Imported.SumDiscount = SumDiscount;
    Imported.SumOpt = SumOpt;
    Imported.ListKind = ListKind;
    TakeRowsFrom(Imported);
}

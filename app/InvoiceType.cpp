#include "app/InvoiceType.h"

#include "app/Globals.h"
#include "app/PriceFormat.h"
#include "common/base/Funcs.h"
#include "common/components/MsgWin.h"
#include "common/base/Str2D.h"
#include "platform/classes/Strings.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Numbers.h"

PRICETAGS_DEFINE_CLASS(TshInvoiceTovar)

PRICETAGS_DEFINE_CLASS(TshInvoiceTovarList)

PRICETAGS_DEFINE_CLASS(TshInvoice)

// ---- TshInvoiceTovar ---------------------------------------------------------

void TshInvoiceTovar::GetColumnText(Integer Kind, AnsiString& Text) const
{
    const Integer ListStyle = gCfgObject ? gCfgObject->PriceStyleXxx : 0;
    switch (Kind) {
    case 2: Text = Marked ? AnsiString("[x]") : AnsiString(); return;
    case 3: Text = Tip; return;
    case 4: Text = Name; return;
    case 5: Text = Description; return;
    case 6: Text = Country; return;
    case 7: Text = Firm; return;
    case 8: Text = IntToStr(Warranty); return;
    case 9: Text = CurrToStr(Kolvo); return;
    case 10: FormatPrice(ListStyle, Text, PriceOpt); return;
    case 11: Text = CurrToNumStr(1, Markup); return;
    case 12: FormatPrice(ListStyle, Text, Price); return;
    case 13: FormatPrice(ListStyle, Text, PriceDiscount); return;
    case 14: Text = Ed; return;
    case 15: Text = Reserve2; return;
    default: Text = "?"; return;
    }
}

// ---- TshInvoiceTovarList -----------------------------------------------------

TshInvoiceTovarList::TshInvoiceTovarList() = default;

TshInvoiceTovarList::~TshInvoiceTovarList()
{
    // The override no longer runs from the inherited destructor.
    Clear();
}

void TshInvoiceTovarList::ResetCache()
{
    FCacheIndex = -1;
    FCacheItem = nullptr;
}

void TshInvoiceTovarList::Clear()
{
    ResetCache();
    inherited::Clear();
    FErrors.reset();
}

TshInvoiceTovar* TshInvoiceTovarList::GetItem(Integer Index) const
{
    // The cached row is checked against the list's entry, so a row that
    // left the list by Delete, Extract or a move is never handed out.
    if (Index == FCacheIndex && Index >= 0 && Index < FItems.Count()
        && FItems.Items(Index) == FCacheItem)
        return FCacheItem;
    auto* Row = static_cast<TshInvoiceTovar*>(Get(Index));
    FCacheIndex = Index;
    FCacheItem = Row;
    return Row;
}

TshInvoiceTovar* TshInvoiceTovarList::Add()
{
    auto Row = std::make_unique<TshInvoiceTovar>();
    Row->Owner = this;
    inherited::Add(Row.get());
    return Row.release();
}

void TshInvoiceTovarList::Recalc(Byte RoundMode, bool AllRows, Currency Markup,
                                 Currency Discount, bool ClearMarks)
{
    const Integer N = Count();
    for (Integer I = 0; I < N; ++I) {
        TshInvoiceTovar* Row = GetItem(I);
        if (AllRows) {
            Row->Calc(RoundMode, Markup, Discount);
        } else if (Row->Marked) {
            Row->Calc(RoundMode, Markup, Discount);
            if (ClearMarks)
                Row->Marked = false;
        }
    }
    CalcTotals();
}

void TshInvoiceTovarList::CalcTotals()
{
    SumRetail = SumKolvo = SumDiscount = SumOpt = Currency();
    const Integer N = Count();
    for (Integer I = 0; I < N; ++I) {
        try {
            const TshInvoiceTovar* Row = GetItem(I);
            // All four sums of a row are computed before any total changes,
            // so a row that fails adds nothing at all.
            const Currency NewKolvo = SumKolvo + Row->Kolvo;
            const Currency NewOpt = SumOpt + Row->GetCostSum();
            const Currency NewRetail = SumRetail + Row->GetRetailSum();
            const Currency NewDiscount = SumDiscount + Row->PriceDiscount * Row->Kolvo;
            SumKolvo = NewKolvo;
            SumOpt = NewOpt;
            SumRetail = NewRetail;
            SumDiscount = NewDiscount;
        } catch (const Exception& E) {
            const AnsiString Question = "Ошибка вычислений: "_a + "\r\n" + E.Message
                                        + "\r\n\r\n" + "Продолжить вычисления?"_a;
            const Integer Answer =
                MsgDialog("", "", Question, nullptr, MsgStyleError, {1, "OK", "Abort"}, "");
            if (Answer != 1)
                return;
        }
    }
}

bool TshInvoiceTovarList::DoMarks(Integer Op)
{
    const Integer N = Count();
    for (Integer I = 0; I < N; ++I) {
        TshInvoiceTovar* Row = GetItem(I);
        switch (Op) {
        case 0: Row->Marked = true; break;
        case 1: Row->Marked = false; break;
        case 2: Row->Marked = !Row->Marked; break;
        case 3:
            if (Row->Marked)
                return true;
            break;
        case 4:
            if (!Row->Marked)
                return false;
            break;
        default: break;
        }
    }
    return Op == 4;
}

TStringList* TshInvoiceTovarList::GetErrors()
{
    if (!FErrors)
        FErrors = std::make_unique<TStringList>();
    return FErrors.get();
}

void TshInvoiceTovarList::AddError(const AnsiString& Text)
{
    GetErrors()->Add(UnescapeNewLines(Text));
}

void TshInvoiceTovarList::AddErrorFmt(const AnsiString& Fmt, TVarRecs Args)
{
    AddError(Format(Fmt, Args));
}

void TshInvoiceTovarList::TakeRowsFrom(TshInvoiceTovarList& Source)
{
    Clear();
    Source.ResetCache();
    // The owning Assign leaves Source empty without freeing the rows.
    inherited::Assign(Source);
    for (Integer I = 0; I < Count(); ++I)
        GetItem(I)->Owner = this;
    AssignListFields(Source);
    FErrors = std::move(Source.FErrors);
}

void TshInvoiceTovarList::AssignListFields(const TshInvoiceTovarList& Source)
{
    SheetTotal = Source.SheetTotal;
    SumRetail = Source.SumRetail;
    SumKolvo = Source.SumKolvo;
    SumDiscount = Source.SumDiscount;
    SumOpt = Source.SumOpt;
    ListKind = Source.ListKind;
    Nds = Source.Nds;
}

// ---- totals texts ------------------------------------------------------------

namespace {

/// (Total - Cost) x 100 / Cost to four decimals, as two-decimal text;
/// "???" without a cost total.
AnsiString MarginPercentText(Currency Total, Currency Cost)
{
    if (Cost == Currency())
        return "???";
    const __int128 Margin = __int128(Total.Raw()) - Cost.Raw();
    const Currency Percent =
        Currency::FromRaw(DivRoundHalfEven(Margin * 100 * Currency::Scale, Cost.Raw()));
    return CurrToNumStr(Percent, 2);
}

}  // namespace

void FillTotalsTexts(const TshInvoiceTovarList& List, TStringList2D& Totals)
{
    Totals.StringList2DResize(1, 10);
    Totals.SetCell(0, 0, IntToStr(List.Count()));
    Totals.SetCell(1, 0, xStr(Variant(List.SumKolvo)));
    Totals.SetCell(2, 0, CurrToNumStr(List.SumOpt, 2));
    Totals.SetCell(3, 0, CurrToNumStr(List.SumRetail, 2));
    Totals.SetCell(4, 0, CurrToNumStr(List.SumRetail - List.SumOpt, 2));
    Totals.SetCell(5, 0, MarginPercentText(List.SumRetail, List.SumOpt));
    Totals.SetCell(6, 0, CurrToNumStr(List.SumDiscount, 2));
    Totals.SetCell(7, 0, CurrToNumStr(List.SumDiscount - List.SumOpt, 2));
    Totals.SetCell(8, 0, MarginPercentText(List.SumDiscount, List.SumOpt));
    Totals.SetCell(9, 0, "");
}

// ---- TshInvoice --------------------------------------------------------------

TshInvoice::TshInvoice(Byte ADocKind) : DocKind(ADocKind) {}

TshInvoice::~TshInvoice() = default;

Currency TshInvoice::MarkedTotal(Currency (TshInvoiceTovar::*RowSum)() const)
{
    const bool OnlyMarked = AnyMarked();
    Currency Total;
    const Integer N = Count();
    for (Integer I = 0; I < N; ++I) {
        const TshInvoiceTovar* Row = GetItem(I);
        if (!OnlyMarked || Row->Marked)
            Total += (Row->*RowSum)();
    }
    return Total;
}

Currency TshInvoice::GetRetailTotal()
{
    return MarkedTotal(&TshInvoiceTovar::GetRetailSum);
}

Currency TshInvoice::GetCostTotal()
{
    return MarkedTotal(&TshInvoiceTovar::GetCostSum);
}

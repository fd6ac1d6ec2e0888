// Pricing of invoice rows: markup, card discount and the rounding modes.
// Every quantity is a Currency raw value (1/10000); a whole expression such
// as cost x (100 + markup) / 100 is computed exactly in 128 bits and stored
// back once, half to even, which is what the original's extended-precision
// arithmetic gave for every price a shop meets.

#include "app/InvoiceType.h"

namespace {

constexpr int64_t Scale = Currency::Scale;
/// 100 % as a raw Currency value.
constexpr int64_t Hundred = 100 * Scale;
/// The smallest cost that keeps its percents (0.01).
constexpr Currency MinCost = Currency::FromRaw(Scale / 100);

/// Value x (100 + Percent) / 100, one rounding half to even.
Currency AddPercent(Currency Value, Currency Percent)
{
    const __int128 Factor = __int128(Hundred) + Percent.Raw();
    return Currency::FromRaw(DivRoundHalfEven(__int128(Value.Raw()) * Factor, Hundred));
}

/// Value x (100 - Percent) / 100, one rounding half to even.
Currency SubtractPercent(Currency Value, Currency Percent)
{
    const __int128 Factor = __int128(Hundred) - Percent.Raw();
    return Currency::FromRaw(DivRoundHalfEven(__int128(Value.Raw()) * Factor, Hundred));
}

/// A raw value computed in 128 bits as a Currency; raises EOverflow, as the
/// runtime's arithmetic does, when it leaves the Currency range (a price
/// near the largest Currency rounded up to the next step).
Currency FromWide(__int128 Raw)
{
    return Currency::FromRaw(DivRoundHalfEven(Raw, 1));
}

/// Raw value rounded half to even to a multiple of Step (raw).
Currency RoundHalfEvenTo(__int128 Raw, int64_t Step)
{
    return FromWide(__int128(DivRoundHalfEven(Raw, Step)) * Step);
}

/// Raw value rounded to a multiple of Step (raw), halves away from zero.
Currency RoundHalfUpTo(int64_t Raw, int64_t Step)
{
    const __int128 Half = Step / 2;
    const __int128 Shifted = Raw >= 0 ? __int128(Raw) + Half : __int128(Raw) - Half;
    return FromWide(Shifted / Step * Step);
}

/// The percent that takes From down to To: (From - To) x 100 / From, to
/// four decimals. Raises EZeroDivide when From is 0.
Currency PercentBetween(Currency From, Currency To)
{
    const __int128 Diff = __int128(From.Raw()) - To.Raw();
    return Currency::FromRaw(DivRoundHalfEven(Diff * Hundred, From.Raw()));
}

/// The markup that takes Cost up to Price: (Price - Cost) x 100 / Cost, to
/// four decimals. Raises EZeroDivide when Cost is 0.
Currency MarkupBetween(Currency Cost, Currency Price)
{
    const __int128 Diff = __int128(Price.Raw()) - Cost.Raw();
    return Currency::FromRaw(DivRoundHalfEven(Diff * Hundred, Cost.Raw()));
}

/// The exact product A x B (eight decimals) rounded once to whole kopecks,
/// halves away from zero; raises EOverflow outside Currency.
Currency ProductToKopecks(Currency A, Currency B)
{
    const __int128 Product = __int128(A.Raw()) * B.Raw();
    const __int128 Kopeck = __int128(Scale) * (Scale / 100);
    const __int128 Half = Kopeck / 2;
    const __int128 Kopecks = (Product >= 0 ? Product + Half : Product - Half) / Kopeck;
    return FromWide(Kopecks * (Scale / 100));
}

}  // namespace

Currency RoundPriceCoarse(Currency Value)
{
    const int64_t V = Value.Raw();
    // The bounds are mixed on purpose: 2.00 takes the 0.05 step, 10.00 the
    // 0.50 step, 50.00 whole roubles and 1000.00 the 10-rouble step.
    if (V <= Scale / 2)
        return Value;
    if (V <= 2 * Scale)
        return RoundHalfUpTo(V, Scale / 20);
    if (V < 10 * Scale)
        return RoundHalfUpTo(V, Scale / 10);
    if (V < 50 * Scale)
        return RoundHalfUpTo(V, Scale / 2);
    if (V < 1000 * Scale)
        return RoundHalfUpTo(V, Scale);
    return RoundHalfUpTo(V, 10 * Scale);
}

Currency TshInvoiceTovar::RoundPrice(Currency Value, Byte RoundMode, bool NoRounding) const
{
    if (NoRounding)
        return Value;
    switch (RoundMode) {
    case RoundModeToRouble:
        return RoundHalfEvenTo(__int128(Value.Raw()) + 45 * Scale / 100, Scale);
    case RoundModeCoarse:
        return RoundPriceCoarse(Value);
    default:
        // Mode 0 and any unknown mode: whole kopecks.
        return RoundHalfEvenTo(Value.Raw(), Scale / 100);
    }
}

void TshInvoiceTovar::Calc(Byte RoundMode, Currency AMarkup, Currency ADiscount)
{
    const bool NoRounding = AMarkup == Currency() && ADiscount == Currency();
    Price = RoundPrice(AddPercent(PriceOpt, AMarkup), RoundMode, NoRounding);
    PriceDiscount = RoundPrice(SubtractPercent(Price, ADiscount), RoundMode, NoRounding);
    if (PriceOpt >= MinCost) {
        Markup = AMarkup;
        Discount = ADiscount;
    } else {
        Markup = Currency();
        Discount = Currency();
    }
    Calculated = !NoRounding;
}

void TshInvoiceTovar::RecalcFromPrices(Byte RoundMode, Currency AMarkup, Currency ADiscount,
                                       Currency NewPrice, Currency NewPriceDiscount)
{
    // Each case derives its percents before Calc touches the row, so a
    // division by zero leaves the row as it was.
    if (AMarkup != NotGiven) {
        const Currency EffDiscount =
            Markup < MinCost ? Currency() : PercentBetween(Price, PriceDiscount);
        Calc(RoundMode, AMarkup, EffDiscount);
        return;
    }
    if (ADiscount != NotGiven) {
        Calc(RoundMode, Markup, ADiscount);
        return;
    }
    if (NewPrice != NotGiven) {
        const Currency NewMarkup = MarkupBetween(PriceOpt, NewPrice);
        Currency EffDiscount;
        if (Markup >= MinCost) {
            // To a whole percent, half to even.
            const __int128 Diff = __int128(Price.Raw()) - PriceDiscount.Raw();
            EffDiscount = FromWide(__int128(DivRoundHalfEven(Diff * 100, Price.Raw())) * Scale);
        }
        Calc(RoundMode, NewMarkup, EffDiscount);
        return;
    }
    if (NewPriceDiscount != NotGiven) {
        Calc(RoundMode, Markup, PercentBetween(Price, NewPriceDiscount));
        return;
    }
    Calc(RoundMode, Markup, Discount);
}

Currency TshInvoiceTovar::GetCostSum() const
{
    return ProductToKopecks(PriceOpt, Kolvo);
}

Currency TshInvoiceTovar::GetRetailSum() const
{
    return ProductToKopecks(Price, Kolvo);
}

#include "app/MarkupList.h"

#include "app/Globals.h"
#include "common/base/Funcs.h"
#include "platform/classes/Strings.h"
#include "platform/rtl/Numbers.h"

#include <cassert>
#include <memory>

namespace {

const char* const Delim = "|";

/// Field N (from 1) of a "|" line, counted by position so that an empty
/// field keeps its place: a markup saved with an empty name ("|3000|1000")
/// comes back with its own percents instead of shifting the numbers into
/// the name. '' when the line has fewer fields.
AnsiString Field(Integer N, const AnsiString& Text)
{
    Integer Start = 1;
    for (Integer I = 1; I < N; ++I) {
        const Integer Bar = PosFrom(Delim, Text, Start);
        if (Bar == 0)
            return AnsiString();
        Start = Bar + 1;
    }
    const Integer Bar = PosFrom(Delim, Text, Start);
    return Text.SubString(Start, (Bar == 0 ? Text.Length() + 1 : Bar) - Start);
}

/// Field N of a "|" line as an integer; 0 when it is missing or empty.
Integer IntField(Integer N, const AnsiString& Text)
{
    const AnsiString Token = Field(N, Text);
    return Token.IsEmpty() ? 0 : StrToInt(Token);
}

/// A percent in whole hundredths; the digits past the second decimal are
/// dropped (12.345 % gives 1234).
Int64 Hundredths(Currency Percent)
{
    return Percent.Raw() / (Currency::Scale / 100);
}

Currency FromHundredths(Integer Value)
{
    return Currency::FromRaw(Int64(Value) * (Currency::Scale / 100));
}

}  // namespace

PRICETAGS_DEFINE_CLASS(T_StrObjItem)

PRICETAGS_DEFINE_CLASS(TMarkupItem)

PRICETAGS_DEFINE_CLASS(T_StrObjList)

PRICETAGS_DEFINE_CLASS(TMarkupList)

PRICETAGS_DEFINE_CLASS(TshProviderList)

PRICETAGS_DEFINE_CLASS(TshDepartList)

PRICETAGS_DEFINE_CLASS(TshResponsList)

// ---- items -------------------------------------------------------------------

AnsiString T_StrObjItem::GetAsString() const
{
    return Name + Delim + IntToStr(Value);
}

void T_StrObjItem::SetAsString(const AnsiString& Text)
{
    Name = Field(1, Text);
    Value = IntField(2, Text);
}

AnsiString T_StrObjItem::GetDisplayText() const
{
    return Name;
}

AnsiString TMarkupItem::GetAsString() const
{
    return Name + Delim + IntToStr(Hundredths(Markup)) + Delim + IntToStr(Hundredths(Discount));
}

void TMarkupItem::SetAsString(const AnsiString& Text)
{
    Name = Field(1, Text);
    Markup = FromHundredths(IntField(2, Text));
    Discount = FromHundredths(IntField(3, Text));
}

AnsiString TMarkupItem::GetDisplayText() const
{
    return Name + " [" + CurrToStr(Markup) + "%/" + CurrToStr(Discount) + "%]";
}

// ---- lists -------------------------------------------------------------------

T_StrObjItem* T_StrObjList::GetItem(Integer Index) const
{
    return static_cast<T_StrObjItem*>(Get(Index));
}

void T_StrObjList::SaveToConfig(const AnsiString& Section, Integer Index)
{
    assert(gCfgObject && "the markups are kept in the configuration's file");
    TStringList Lines;
    for (Integer I = 0; I < Count(); ++I)
        Lines.Add(GetItem(I)->GetAsString());
    gCfgObject->SaveIniStrings(Section, Lines, Index);
}

void T_StrObjList::LoadFromConfig(const AnsiString& Section, Integer& Index)
{
    assert(gCfgObject && "the markups are kept in the configuration's file");
    TStringList Lines;
    gCfgObject->RestIniStrings(Section, &Lines, Index);
    Clear();
    for (Integer I = 0; I < Lines.Count(); ++I)
        NewItem()->SetAsString(Lines.Strings(I));
}

void T_StrObjList::FillStrings(TStrings& Strings) const
{
    const StringsUpdateScope Update(Strings);
    Strings.Clear();
    for (Integer I = 0; I < Count(); ++I)
        Strings.Add(GetItem(I)->GetDisplayText());
}

Integer T_StrObjList::IndexOfName(const AnsiString& AName) const
{
    for (Integer I = 0; I < Count(); ++I)
        if (GetItem(I)->Name == AName)
            return I;
    return -1;
}

TMarkupItem* TMarkupList::GetItem(Integer Index) const
{
    return static_cast<TMarkupItem*>(Get(Index));
}

T_StrObjItem* TMarkupList::NewItem()
{
    auto Item = std::make_unique<TMarkupItem>();
    inherited::Add(Item.get());
    return Item.release();
}

TMarkupItem* TMarkupList::Add(const AnsiString& AName, Currency AMarkup, Currency ADiscount)
{
    auto* Item = static_cast<TMarkupItem*>(NewItem());
    Item->Name = AName;
    Item->Markup = AMarkup;
    Item->Discount = ADiscount;
    return Item;
}

void TMarkupList::LoadFromConfigOrDefaults(const AnsiString& Section, Integer& Index)
{
    LoadFromConfig(Section, Index);
    if (Count() > 0)
        return;
    Add("Основная наценка"_a, 30, 10);
    Add("Дополнительная наценка"_a, 25, 10);
    Add("Наценка на мелкий товар"_a, 50, 20);
    Index = 0;
}

AnsiString MarkupRangeError(Currency Markup, Currency Discount)
{
    if (Markup < Currency(-100))
        return "Наценка не может быть меньше -100 %"_a;
    // Past a hundredfold price a markup is a slip of the keyboard, and far
    // past it the prices no longer fit in money.
    if (Markup > Currency(10000))
        return "Наценка не может быть больше 10000 %"_a;
    if (Discount < Currency() || Discount > Currency(100))
        return "Скидка по карте должна быть от 0 до 100 %"_a;
    return AnsiString();
}

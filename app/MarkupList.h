#pragma once

// Named markups and the reference lists. T_StrObjList is a small owner list
// of named items that each convert to and from one line of text, so that a
// whole list is kept in the program ini as a string list (keys "Count",
// "Index", "S0"...); TMarkupList is its markup variant, kept in section
// "MarkupList" as lines "Name|M|D" with the markup and card discount in
// hundredths of a percent ("Основная наценка|3000|1000"). The lists own
// their items.

#include "common/base/TypeList.h"
#include "platform/classes/Object.h"
#include "platform/classes/Strings.h"
#include "platform/rtl/AnsiString.h"
#include "platform/rtl/Currency.h"
#include "platform/rtl/Types.h"

/// A named item of a T_StrObjList.
class T_StrObjItem : public TObject {
    PRICETAGS_CLASS(T_StrObjItem, TObject)
public:
    /// Name + "|" + Value.
    [[nodiscard]] virtual AnsiString GetAsString() const;
    /// Name := the first "|" token, Value := the second as an integer (0 when
    /// missing or empty); a token that is no integer raises EConvertError.
    virtual void SetAsString(const AnsiString& Text);
    /// The text shown in lists: Name.
    [[nodiscard]] virtual AnsiString GetDisplayText() const;

    AnsiString Name;
    Integer Value = 0;
};

/// A named markup: markup and card-discount percents.
class TMarkupItem : public T_StrObjItem {
    PRICETAGS_CLASS(TMarkupItem, T_StrObjItem)
public:
    /// Name + "|" + M + "|" + D, the percents in whole hundredths (25 % is
    /// 2500; 12.345 % is 1234, the fourth decimal dropped).
    [[nodiscard]] AnsiString GetAsString() const override;
    /// Name, markup and discount from "Name|M|D"; a missing or empty token
    /// gives 0; a token that is no integer raises EConvertError.
    void SetAsString(const AnsiString& Text) override;
    /// Name + " [" + markup + "%/" + discount + "%]": «Опт [25%/5%]».
    [[nodiscard]] AnsiString GetDisplayText() const override;

    Currency Markup;
    Currency Discount;
};

/// An owner list of T_StrObjItem kept in an ini section of the program's
/// configuration file.
class T_StrObjList : public T_ylCustOwnerList {
    PRICETAGS_CLASS(T_StrObjList, T_ylCustOwnerList)
public:
    /// The item at Index (0-based); raises EListError for a bad index.
    [[nodiscard]] virtual T_StrObjItem* GetItem(Integer Index) const;
    /// Creates an item of the list's kind, appends it and returns it.
    virtual T_StrObjItem* NewItem() = 0;
    /// Erases Section of the configuration file and writes every item's line
    /// with Index as the selected item. Needs gCfgObject.
    virtual void SaveToConfig(const AnsiString& Section, Integer Index);
    /// Replaces the items by the lines of Section; Index := the stored
    /// selected item (0 when none). An empty or missing section gives an
    /// empty list. Needs gCfgObject.
    virtual void LoadFromConfig(const AnsiString& Section, Integer& Index);
    /// Strings := every item's display text, in list order.
    virtual void FillStrings(TStrings& Strings) const;

    /// Index of the first item named Name (exact text), -1 when none.
    [[nodiscard]] Integer IndexOfName(const AnsiString& Name) const;
};

/// The named markups of the main window.
class TMarkupList : public T_StrObjList {
    PRICETAGS_CLASS(TMarkupList, T_StrObjList)
public:
    [[nodiscard]] TMarkupItem* GetItem(Integer Index) const override;
    T_StrObjItem* NewItem() override;
    using inherited::Add;  // the base list's Add(Item) stays visible
    /// A new markup appended and owned by the list.
    TMarkupItem* Add(const AnsiString& Name, Currency Markup, Currency Discount);
    /// LoadFromConfig; when the section holds no markup, the three built-in
    /// ones ("Основная наценка" 30/10, "Дополнительная наценка" 25/10,
    /// "Наценка на мелкий товар" 50/20) and Index 0.
    void LoadFromConfigOrDefaults(const AnsiString& Section, Integer& Index);
};

/// Why a markup and a card discount (percents) cannot price anything: a
/// discount outside 0..100 % (a price below nothing or above the retail
/// one), a markup below -100 % (a price below nothing) or above 10000 %.
/// Empty when both serve.
[[nodiscard]] AnsiString MarkupRangeError(Currency Markup, Currency Discount);

/// The supplier list (ini section "ProviderList").
class TshProviderList : public TStringList {
    PRICETAGS_CLASS(TshProviderList, TStringList)
};
/// The department list (ini section "DepartList").
class TshDepartList : public TStringList {
    PRICETAGS_CLASS(TshDepartList, TStringList)
};
/// The responsible-person list (ini section "ResponsList").
class TshResponsList : public TStringList {
    PRICETAGS_CLASS(TshResponsList, TStringList)
};

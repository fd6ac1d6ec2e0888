// Named markups: their one-line text form, display text, keeping the list
// in the configuration file, the built-in markups, and selection by name.

#include "app/MarkupList.h"

#include "platform/classes/Strings.h"
#include "platform/rtl/Exceptions.h"
#include "tests/app/AppTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

struct LineCase {
    const char* Line;      // UTF-8, as read
    const char* Name;
    const char* Markup;
    const char* Discount;
    const char* Written;   // written back
};

const LineCase LineCases[] = {
    {"Розница|3000|0", "Розница", "30", "0", "Розница|3000|0"},       // whole percents
    {"Опт", "Опт", "0", "0", "Опт|0|0"},                               // name alone
    {"Мелкий|1234|750", "Мелкий", "12.34", "7.5", "Мелкий|1234|750"},  // hundredths
    {"Скидка|-500|0", "Скидка", "-5", "0", "Скидка|-500|0"},           // a negative markup
    {"Только наценка|2500", "Только наценка", "25", "0", "Только наценка|2500|0"},
    {"|3000|1000", "", "30", "10", "|3000|1000"},      // an empty name keeps the percents apart
    {"Опт||500", "Опт", "0", "5", "Опт|0|500"},        // an empty markup field is 0 in its place
};

TEST(MarkupItem, LineFormRoundTrips)
{
    for (const LineCase& T : LineCases) {
        SCOPED_TRACE(T.Line);
        TMarkupItem Item;
        Item.SetAsString(AnsiString::FromUtf8(T.Line));
        EXPECT_EQ(Item.Name, AnsiString::FromUtf8(T.Name));
        EXPECT_EQ(Item.Markup, Curr(T.Markup));
        EXPECT_EQ(Item.Discount, Curr(T.Discount));
        EXPECT_EQ(Item.GetAsString(), AnsiString::FromUtf8(T.Written));
    }
}

TEST(MarkupItem, DigitsPastTheHundredthAreDropped)
{
    TMarkupItem Item;
    Item.Name = "X";
    Item.Markup = Curr("12.345");
    Item.Discount = Curr("12.355");
    EXPECT_EQ(Item.GetAsString(), "X|1234|1235");
}

TEST(MarkupItem, ANumberThatIsNoIntegerRaises)
{
    TMarkupItem Item;
    ExpectRaises<EConvertError>([&] { Item.SetAsString("Опт|25.5|0"_a); },
                                "'25.5' is not a valid integer value");
}

TEST(MarkupItem, DisplayTextShowsBothPercents)
{
    RussianSettingsScope Russian;
    TMarkupItem Item;
    Item.SetAsString("Опт|2500|500"_a);
    EXPECT_EQ(Item.GetDisplayText(), "Опт [25%/5%]"_a);
    Item.SetAsString("Мелкий|1234|750"_a);
    EXPECT_EQ(Item.GetDisplayText(), "Мелкий [12,34%/7,5%]"_a);
}

TEST(StrObjItem, NameAndValue)
{
    T_StrObjItem Item;
    Item.SetAsString("Склад|42"_a);
    EXPECT_EQ(Item.Name, "Склад"_a);
    EXPECT_EQ(Item.Value, 42);
    EXPECT_EQ(Item.GetAsString(), "Склад|42"_a);
    EXPECT_EQ(Item.GetDisplayText(), "Склад"_a);
    Item.SetAsString("Склад"_a);
    EXPECT_EQ(Item.Value, 0);
    Item.SetAsString("|7"_a);  // an empty name stays empty
    EXPECT_EQ(Item.Name, "");
    EXPECT_EQ(Item.Value, 7);
}

TEST(MarkupList, SaveAndLoadThroughTheConfiguration)
{
    ConfigScope Config;
    TMarkupList Saved;
    Saved.Add("Розница"_a, Curr("30"), Curr("0"));
    Saved.Add("Опт"_a, Curr("12.5"), Curr("5"));
    Saved.SaveToConfig("MarkupList", 1);

    TMarkupList Loaded;
    Loaded.Add("старая"_a, Curr("1"), Curr("1"));
    Integer Index = -1;
    Loaded.LoadFromConfig("MarkupList", Index);
    EXPECT_EQ(Index, 1);
    ASSERT_EQ(Loaded.Count(), 2);
    EXPECT_EQ(Loaded.GetItem(0)->GetAsString(), "Розница|3000|0"_a);
    EXPECT_EQ(Loaded.GetItem(1)->Markup, Curr("12.5"));
    EXPECT_EQ(Loaded.GetItem(1)->Discount, Curr("5"));
}

TEST(MarkupList, EmptySectionGivesEmptyListOrTheBuiltInMarkups)
{
    ConfigScope Config;
    TMarkupList List;
    Integer Index = 7;
    List.LoadFromConfig("MarkupList", Index);
    EXPECT_EQ(List.Count(), 0);
    EXPECT_EQ(Index, 0);

    Index = 7;
    List.LoadFromConfigOrDefaults("MarkupList", Index);
    EXPECT_EQ(Index, 0);
    ASSERT_EQ(List.Count(), 3);
    EXPECT_EQ(List.GetItem(0)->GetAsString(), "Основная наценка|3000|1000"_a);
    EXPECT_EQ(List.GetItem(1)->GetAsString(), "Дополнительная наценка|2500|1000"_a);
    EXPECT_EQ(List.GetItem(2)->GetAsString(), "Наценка на мелкий товар|5000|2000"_a);
}

TEST(MarkupList, StoredMarkupsReplaceTheBuiltInOnes)
{
    ConfigScope Config;
    TMarkupList Saved;
    Saved.Add("Своя"_a, Curr("15"), Curr("0"));
    Saved.SaveToConfig("MarkupList", 0);
    TMarkupList List;
    Integer Index = 3;
    List.LoadFromConfigOrDefaults("MarkupList", Index);
    ASSERT_EQ(List.Count(), 1);
    EXPECT_EQ(List.GetItem(0)->Name, "Своя"_a);
    EXPECT_EQ(Index, 0);
}

TEST(MarkupList, FillStringsAndSelectionByName)
{
    RussianSettingsScope Russian;
    TMarkupList List;
    List.Add("Розница"_a, Curr("30"), Curr("10"));
    List.Add("Опт"_a, Curr("25"), Curr("5"));
    TStringList Box;
    Box.Add("прежний текст"_a);
    List.FillStrings(Box);
    ASSERT_EQ(Box.Count(), 2);
    EXPECT_EQ(Box.Strings(0), "Розница [30%/10%]"_a);
    EXPECT_EQ(Box.Strings(1), "Опт [25%/5%]"_a);
    EXPECT_EQ(Box.UpdateCount(), 0);
    EXPECT_EQ(List.IndexOfName("Опт"_a), 1);
    EXPECT_EQ(List.IndexOfName("опт"_a), -1);
    EXPECT_EQ(List.IndexOfName("Нет такой"_a), -1);
}

}  // namespace

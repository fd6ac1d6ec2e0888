#include "platform/classes/TypInfo.h"

#include "platform/classes/Component.h"
#include "platform/classes/Object.h"
#include "platform/classes/Strings.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/StrUtils.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

enum TShade { shLight, shMedium, shDark };
using TShades = EnumSet<TShade>;

// Found by argument-dependent lookup, so they live beside the enumeration.
PTypeInfo TypeInfoOf(const TShade*)
{
    static const TTypeInfo Info = EnumTypeInfo("TShade", {"shLight", "shMedium", "shDark"});
    return &Info;
}

PTypeInfo TypeInfoOf(const TShades*)
{
    static const TTypeInfo Info = SetTypeInfo("TShades", TypeInfo<TShade>());
    return &Info;
}

/// A parent with two properties of its own.
class TBaseOptions : public TPersistent {
    PRICETAGS_CLASS(TBaseOptions, TPersistent)
public:
    Integer FWidth = 0;
    AnsiString FTitle;
};

/// Every kind of published property, in a declaration order unlike the
/// alphabet.
class TAllKinds : public TBaseOptions {
    PRICETAGS_CLASS(TAllKinds, TBaseOptions)
public:
    Integer GetCount() const { return FCount; }
    void SetCount(Integer V) { FCount = V * 10; }  // a setter that does work
    void Clicked(TObject*) {}
    void Other(TObject*) {}
    bool IsTextStored() const { return !FText.IsEmpty(); }

    Integer FCount = 0;
    bool FActive = false;
    TShade FShade = shLight;
    TShades FShades;
    char FLetter = 'a';
    Int64 FBig = 0;
    double FRatio = 0;
    Currency FPrice;
    TDateTime FStamp;
    TDate FDay;
    TTime FHour;
    AnsiString FText;
    TStringList* FLines = nullptr;
    TNotifyEvent FOnClick;
    Integer FReadOnly = 7;
};

PRICETAGS_DEFINE_CLASS(TBaseOptions,
    Property("Width", &TBaseOptions::FWidth, &TBaseOptions::FWidth),
    Property("Title", &TBaseOptions::FTitle, &TBaseOptions::FTitle))

PRICETAGS_DEFINE_CLASS(TAllKinds,
    Property("Count", &TAllKinds::GetCount, &TAllKinds::SetCount).WithDefault(0),
    Property("Active", &TAllKinds::FActive, &TAllKinds::FActive),
    Property("Shade", &TAllKinds::FShade, &TAllKinds::FShade).WithDefault(shMedium),
    Property("Shades", &TAllKinds::FShades, &TAllKinds::FShades),
    Property("Letter", &TAllKinds::FLetter, &TAllKinds::FLetter),
    Property("Big", &TAllKinds::FBig, &TAllKinds::FBig),
    Property("Ratio", &TAllKinds::FRatio, &TAllKinds::FRatio),
    Property("Price", &TAllKinds::FPrice, &TAllKinds::FPrice),
    Property("Stamp", &TAllKinds::FStamp, &TAllKinds::FStamp),
    Property("Day", &TAllKinds::FDay, &TAllKinds::FDay),
    Property("Hour", &TAllKinds::FHour, &TAllKinds::FHour),
    Property("Text", &TAllKinds::FText, &TAllKinds::FText).WithStored(&TAllKinds::IsTextStored),
    Property("Lines", &TAllKinds::FLines, &TAllKinds::FLines),
    Property("OnClick", &TAllKinds::FOnClick, &TAllKinds::FOnClick),
    Property("ReadOnly", &TAllKinds::FReadOnly))

struct KindRow {
    const char* Name;
    TTypeKind Kind;
    const char* TypeName;
};

// The list in order: the parent's properties first, then the class's own
// in declaration order.
const KindRow KindRows[] = {
    {"Width", tkInteger, "Integer"},
    {"Title", tkLString, "String"},
    {"Count", tkInteger, "Integer"},
    {"Active", tkEnumeration, "Boolean"},    // Boolean is an enumeration
    {"Shade", tkEnumeration, "TShade"},
    {"Shades", tkSet, "TShades"},
    {"Letter", tkChar, "Char"},
    {"Big", tkInt64, "Int64"},
    {"Ratio", tkFloat, "Double"},
    {"Price", tkFloat, "Currency"},
    {"Stamp", tkFloat, "TDateTime"},         // the options store tells dates
    {"Day", tkFloat, "TDate"},               // and times apart by these names
    {"Hour", tkFloat, "TTime"},
    {"Text", tkLString, "String"},
    {"Lines", tkClass, "TStringList"},
    {"OnClick", tkMethod, "TNotifyEvent"},
    {"ReadOnly", tkInteger, "Integer"},
};

TEST(TypInfo, ListsPropertiesInDeclarationOrderAfterTheParents)
{
    const TPropList List = GetPropList(TAllKinds::StaticClass());
    ASSERT_EQ(List.size(), std::size(KindRows));
    EXPECT_EQ(GetPropCount(TAllKinds::StaticClass()), static_cast<int>(std::size(KindRows)));
    for (size_t I = 0; I < List.size(); ++I) {
        SCOPED_TRACE(KindRows[I].Name);
        EXPECT_EQ(List[I]->Name, KindRows[I].Name);
        EXPECT_EQ(List[I]->PropType->Kind, KindRows[I].Kind);
        EXPECT_EQ(List[I]->PropType->Name, KindRows[I].TypeName);
        EXPECT_EQ(List[I]->NameIndex, static_cast<int>(I));
    }
    EXPECT_EQ(GetPropList(TBaseOptions::StaticClass()).size(), 2u);
}

/// Publishes its parent's Width again with a default, and one of its own.
class TNarrowOptions : public TBaseOptions {
    PRICETAGS_CLASS(TNarrowOptions, TBaseOptions)
public:
    Integer FDepth = 0;
};

PRICETAGS_DEFINE_CLASS(TNarrowOptions,
    Property("Width", &TNarrowOptions::FWidth, &TNarrowOptions::FWidth).WithDefault(80),
    Property("Depth", &TNarrowOptions::FDepth, &TNarrowOptions::FDepth))

TEST(TypInfo, PropertyPublishedAgainKeepsItsPlace)
{
    const TPropList List = GetPropList(TNarrowOptions::StaticClass());
    ASSERT_EQ(List.size(), 3u);
    EXPECT_EQ(GetPropCount(TNarrowOptions::StaticClass()), 3);
    EXPECT_EQ(List[0]->Name, "Width");
    EXPECT_EQ(List[0]->Default, 80);  // the class's own declaration
    EXPECT_EQ(List[1]->Name, "Title");
    EXPECT_EQ(List[2]->Name, "Depth");
    EXPECT_EQ(List[2]->NameIndex, 2);
    EXPECT_EQ(GetPropInfo(TNarrowOptions::StaticClass(), "width"), List[0]);
    // The parent's list is untouched.
    EXPECT_EQ(GetPropList(TBaseOptions::StaticClass())[0]->Default, NoDefault);
}

TEST(TypInfo, FloatTypesAndKindFilter)
{
    TAllKinds Obj;
    EXPECT_EQ(GetPropInfo(&Obj, "Price")->PropType->FloatType, ftCurr);
    EXPECT_EQ(GetPropInfo(&Obj, "Ratio")->PropType->FloatType, ftDouble);
    const TPropList Floats = GetPropList(TAllKinds::StaticClass(), TTypeKinds{tkFloat});
    ASSERT_EQ(Floats.size(), 5u);
    EXPECT_EQ(Floats[0]->Name, "Ratio");
    EXPECT_EQ(Floats[4]->Name, "Hour");
}

TEST(TypInfo, ReadsAndWritesEveryKindByName)
{
    TAllKinds Obj;
    TStringList Lines;
    SetOrdProp(&Obj, "Width", 640);
    SetStrProp(&Obj, "Title", "Прайс"_a);
    SetOrdProp(&Obj, "Count", 3);
    SetOrdProp(&Obj, "Active", 1);
    SetEnumProp(&Obj, "Shade", "shDark");
    SetSetProp(&Obj, "Shades", "[shLight, shDark]");
    SetOrdProp(&Obj, "Letter", 'z');
    SetInt64Prop(&Obj, "Big", Int64(1) << 40);
    SetFloatProp(&Obj, "Ratio", 0.25);
    SetFloatProp(&Obj, "Price", 12.34565);  // rounded half to even to 1/10000
    SetFloatProp(&Obj, "Day", 45000.0);
    SetObjectProp(&Obj, "Lines", &Lines);
    SetMethodProp(&Obj, "OnClick", TNotifyEvent(&Obj, &TAllKinds::Clicked));

    EXPECT_EQ(Obj.FWidth, 640);
    EXPECT_EQ(Obj.FTitle, "Прайс"_a);
    EXPECT_EQ(Obj.FCount, 30);  // through the setter
    EXPECT_EQ(GetOrdProp(&Obj, "Count"), 30);
    EXPECT_TRUE(Obj.FActive);
    EXPECT_EQ(GetEnumProp(&Obj, "Active"), "True");
    EXPECT_EQ(Obj.FShade, shDark);
    EXPECT_EQ(Obj.FShades, (TShades{shLight, shDark}));
    EXPECT_EQ(GetOrdProp(&Obj, "Shades"), 0b101);  // set values are ordinal bits
    EXPECT_EQ(GetSetProp(&Obj, "Shades"), "shLight,shDark");
    EXPECT_EQ(GetSetProp(&Obj, "Shades", /*Brackets=*/true), "[shLight,shDark]");
    EXPECT_EQ(Obj.FLetter, 'z');
    EXPECT_EQ(GetInt64Prop(&Obj, "Big"), Int64(1) << 40);
    EXPECT_EQ(GetFloatProp(&Obj, "Ratio"), 0.25);
    EXPECT_EQ(Obj.FPrice.Raw(), 123456);
    EXPECT_EQ(static_cast<double>(Obj.FDay), 45000.0);
    EXPECT_EQ(GetObjectProp(&Obj, "Lines"), &Lines);
    EXPECT_EQ(GetMethodProp(&Obj, "OnClick"), TNotifyEvent(&Obj, &TAllKinds::Clicked));
    EXPECT_EQ(GetOrdProp(&Obj, "ReadOnly"), 7);
}

TEST(TypInfo, NamesAreFoundWithoutRegardToCase)
{
    TAllKinds Obj;
    SetStrProp(&Obj, "tItLe", "x");
    EXPECT_EQ(Obj.FTitle, "x");
    EXPECT_TRUE(IsPublishedProp(&Obj, "WIDTH"));
    EXPECT_FALSE(IsPublishedProp(&Obj, "Height"));
    EXPECT_EQ(GetPropInfo(&Obj, "Height"), nullptr);
}

TEST(TypInfo, ObjectOfAnotherClassIsIgnored)
{
    TAllKinds Obj;
    TStringList Lines;
    TAllKinds Stranger;
    SetObjectProp(&Obj, "Lines", &Lines);
    SetObjectProp(&Obj, "Lines", &Stranger);
    EXPECT_EQ(Obj.FLines, &Lines);
    SetObjectProp(&Obj, "Lines", nullptr);
    EXPECT_EQ(Obj.FLines, nullptr);
}

TEST(TypInfo, DefaultsAndStoredClauses)
{
    TAllKinds Obj;
    EXPECT_EQ(GetPropInfo(&Obj, "Shade")->Default, shMedium);
    EXPECT_EQ(GetPropInfo(&Obj, "Width")->Default, NoDefault);
    const PPropInfo Text = GetPropInfo(&Obj, "Text");
    EXPECT_FALSE(IsStoredProp(&Obj, Text));
    Obj.FText = "x";
    EXPECT_TRUE(IsStoredProp(&Obj, Text));
    EXPECT_TRUE(IsStoredProp(&Obj, GetPropInfo(&Obj, "Width")));
    // A component's Name is published but not stored.
    TComponent C(nullptr);
    EXPECT_FALSE(IsStoredProp(&C, GetPropInfo(&C, "Name")));
    EXPECT_EQ(GetPropInfo(&C, "Tag")->Default, 0);
}

TEST(TypInfo, Errors)
{
    TAllKinds Obj;
    ExpectRaises<EPropertyError>([&] { (void)GetOrdProp(&Obj, "Height"); },
                                 "Property Height does not exist");
    ExpectRaises<EPropertyError>([&] { SetOrdProp(&Obj, "ReadOnly", 1); },
                                 "Property ReadOnly is read-only");
    ExpectRaises<EPropertyError>([&] { (void)GetStrProp(&Obj, "Width"); },
                                 "Invalid property type: Integer");
    ExpectRaises<EPropertyError>([&] { SetEnumProp(&Obj, "Shade", "shPale"); },
                                 "Invalid property element: shPale");
    ExpectRaises<EPropertyError>([&] { SetSetProp(&Obj, "Shades", "[shLight,shPale]"); },
                                 "Invalid property element: shPale");
    ExpectRaises<EPropertyError>([&] { (void)GetEnumProp(&Obj, "Width"); },
                                 "Invalid property type: Integer");
    // A method of another signature does not fit an event property.
    using TOther = MethodPointer<void(TObject*, int)>;
    struct Handler : TObject {
        void Take(TObject*, int) {}
    } H;
    ExpectRaises<EPropertyError>(
        [&] { SetMethodProp(&Obj, "OnClick", TOther(&H, &Handler::Take)); },
        "Invalid property value");
    EXPECT_FALSE(Obj.FOnClick.Assigned());
}

struct EnumRow {
    PTypeInfo Type;
    int Value;
    const char* Name;
};

TEST(TypInfo, EnumNamesBothWays)
{
    const EnumRow Rows[] = {
        {TypeInfo<bool>(), 0, "False"},
        {TypeInfo<bool>(), 1, "True"},
        {TypeInfo<TShade>(), 0, "shLight"},
        {TypeInfo<TShade>(), 2, "shDark"},
    };
    for (const EnumRow& R : Rows) {
        SCOPED_TRACE(R.Name);
        EXPECT_EQ(GetEnumName(R.Type, R.Value), R.Name);
        EXPECT_EQ(GetEnumValue(R.Type, R.Name), R.Value);
        EXPECT_EQ(GetEnumValue(R.Type, AnsiUpperCase(R.Name)), R.Value);  // case ignored
    }
    EXPECT_EQ(GetEnumName(TypeInfo<TShade>(), 3), "");  // out of range
    EXPECT_EQ(GetEnumValue(TypeInfo<TShade>(), "shPale"), -1);
}

}  // namespace

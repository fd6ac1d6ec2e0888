#include "app/ReadXLS.h"

#include "platform/sheets/Workbook.h"

#include "tests/support/SettingsScope.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::filesystem::path FixturePath(const std::string& Name)
{
    return TestData() / "Workbook" / Name;
}

AnsiString Fixture(const std::string& Name)
{
    return AnsiString::FromUtf8(FixturePath(Name).string());
}

TEST(ReadXLS, ReadsTheUsedRangeAndWhereItLies)
{
    const RussianSettingsScope Ru;
    Variant Table;
    int FirstColumn = 0, FirstRow = 0;
    ReadXLSToTable(Fixture("invoice-c5.xls"), Table, FirstColumn, FirstRow);
    EXPECT_EQ(FirstColumn, 3);  // C5
    EXPECT_EQ(FirstRow, 5);
    ASSERT_EQ(VarArrayDimCount(Table), 2);
    EXPECT_EQ(VarArrayHighBound(Table, 1), 5);
    EXPECT_EQ(VarArrayHighBound(Table, 2), 5);
    EXPECT_EQ(GetTableCellText(Table, 1, 2), "Наименование товара"_a);
    EXPECT_EQ(GetTableCellText(Table, 2, 4), "10,5"_a);
    EXPECT_EQ(GetTableCellText(Table, 3, 4), "0,3333"_a);
    EXPECT_EQ(GetTableCellText(Table, 5, 5), "122"_a);  // a formula's cached total
    EXPECT_EQ(GetTableCellText(Table, 5, 1), ""_a);
}

TEST(ReadXLS, QuotedFileNameOpensTheSameWorkbook)
{
    const TempDir Dir;
    WriteBytes(Dir.Path() / "накладная 1.xls", ReadBytes(FixturePath("invoice-c5.xls")));
    const AnsiString Name = Dir.File("накладная 1.xls");
    Variant Plain, Quoted;
    int Column1 = 0, Row1 = 0, Column2 = 0, Row2 = 0;
    ReadXLSToTable(Name, Plain, Column1, Row1);
    ReadXLSToTable("\"" + Name + "\"", Quoted, Column2, Row2);
    EXPECT_EQ(Column1, Column2);
    EXPECT_EQ(Row1, Row2);
    EXPECT_EQ(GetTableCellText(Quoted, 2, 2), GetTableCellText(Plain, 2, 2));
    EXPECT_EQ(VarArrayHighBound(Quoted, 1), VarArrayHighBound(Plain, 1));
}

TEST(ReadXLS, EmptySheetGivesATableOfOneEmptyCell)
{
    Variant Table;
    int FirstColumn = 0, FirstRow = 0;
    ReadXLSToTable(Fixture("empty-sheet.xls"), Table, FirstColumn, FirstRow);
    EXPECT_EQ(FirstColumn, 1);
    EXPECT_EQ(FirstRow, 1);
    ASSERT_EQ(VarArrayDimCount(Table), 2);
    EXPECT_EQ(GetTableCellText(Table, 1, 1), ""_a);
}

TEST(ReadXLS, ReadsTheActiveSheet)
{
    Variant Table;
    int FirstColumn = 0, FirstRow = 0;
    ReadXLSToTable(Fixture("second-sheet-active.xls"), Table, FirstColumn, FirstRow);
    EXPECT_EQ(FirstRow, 2);
    EXPECT_EQ(FirstColumn, 2);
    EXPECT_EQ(GetTableCellText(Table, 1, 1), "Лист 2"_a);
}

TEST(ReadXLS, OpenErrorsPassToTheCaller)
{
    const TempDir Dir;
    const AnsiString Missing = Dir.File("нет.xls");
    Variant Table;
    int FirstColumn = -1, FirstRow = -1;
    ExpectRaises<EFOpenError>(
        [&] { ReadXLSToTable("\"" + Missing + "\"", Table, FirstColumn, FirstRow); },
        "Файл не найден: "_a + Missing);
    const AnsiString Locked = Fixture("broken/password-protected.xls");
    ExpectRaises<EWorkbookError>([&] { ReadXLSToTable(Locked, Table, FirstColumn, FirstRow); },
                                 "Книга защищена паролем: "_a + Locked);
    EXPECT_TRUE(VarIsEmpty(Table));
    EXPECT_EQ(FirstRow, -1);
}

struct CellTextCase {
    Variant Value;
    const char* Text;  // UTF-8
};

TEST(ReadXLS, CellTextOfEachKindOfValue)
{
    const RussianSettingsScope Ru;
    const CellTextCase Cases[] = {
        {Variant(), ""},                                  // Empty
        {Variant("  Чайник \t"_a), "Чайник"},             // text is trimmed
        {Variant(21.0), "21"},                            // whole double without decimals
        {Variant(10.5), "10,5"},                          // locale decimal mark
        {Variant(Currency(1234.5)), "1234,5"},            // money is a number
        {Variant(Integer(7)), "7"},
        {Variant(TDateTime(45323)), ""},                  // a date is neither
        {Variant(true), ""},                              // nor a Boolean
        {Variant::Error(static_cast<Integer>(0x800A07FAu)), ""},  // nor an error
        {Null(), ""},
    };
    Variant Table = VarArrayCreate({1, int(std::size(Cases)), 1, 1}, varVariant);
    for (size_t I = 0; I < std::size(Cases); ++I)
        Table.PutElement(int(I) + 1, 1, Cases[I].Value);
    for (size_t I = 0; I < std::size(Cases); ++I) {
        SCOPED_TRACE(I);
        EXPECT_EQ(GetTableCellText(Table, int(I) + 1, 1), AnsiString::FromUtf8(Cases[I].Text));
    }
}

struct HasTextCase {
    Variant Value;
    bool HasText;
};

TEST(ReadXLS, CellHasTextByTheValuesTypeAlone)
{
    // What the analysis and the import take for a text or a number does not
    // follow the runtime's VarIsNumeric, which counts Booleans as numbers.
    const HasTextCase Cases[] = {
        {Variant("Чайник"_a), true},          // text
        {Variant(""), true},                  // an empty text is still a text
        {Variant(10.5), true},                // a plain number
        {Variant(Currency(1234.5)), true},    // a money-formatted number
        {Variant(Integer(7)), true},
        {Variant(Int64(7)), true},
        {Variant(Byte(7)), true},
        {Variant(float(0.5)), true},
        {Variant(true), false},               // a worksheet's TRUE is no number
        {Variant(false), false},
        {Variant(TDateTime(45323)), false},   // a date
        {Variant::Error(static_cast<Integer>(0x800A07FAu)), false},  // #N/A
        {Variant(), false},
        {Null(), false},
    };
    for (size_t I = 0; I < std::size(Cases); ++I) {
        SCOPED_TRACE(I);
        EXPECT_EQ(CellHasText(Cases[I].Value), Cases[I].HasText);
    }
}

}  // namespace

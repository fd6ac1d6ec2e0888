// The saved invoice state file: its bytes, a round trip of every field,
// files of an older version, broken files, and a save that fails.

#include "app/InvoiceType.h"

#include "common/base/Funcs.h"
#include "platform/classes/Strings.h"
#include "platform/rtl/Exceptions.h"
#include "tests/app/AppTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

namespace {

namespace fs = std::filesystem;

fs::path DataDir()
{
    return TestData() / "InvoiceType";
}

/// A fixture file's name as the program's text.
AnsiString DataFile(const fs::path& Relative)
{
    return AnsiString::FromUtf8((DataDir() / Relative).string());
}

/// The invoice of golden/small-invoice.inv (keep in step with
/// make_fixtures.py): Cyrillic texts, a 256-byte name, a 255-byte
/// description, dates with a time, an error list, and a marked row.
void FillSmallInvoice(TshInvoice& Inv)
{
    Inv.HeaderInt = 7;
    Inv.NameDoc = "Накладная №15 от 01.02.2024 (Оптовая база)"_a;
    Inv.FileName = "/home/shop/Накладные/invoice 15.xls"_a;
    Inv.NumDoc = "15";
    Inv.DateDoc = TDateTime(45323.0);
    Inv.DateIn = TDateTime(45324.5);
    Inv.RespFio = "Иванов И.И."_a;
    Inv.Depart = "Бытовая техника"_a;
    Inv.Provider = "Оптовая база"_a;
    Inv.SheetTotal = Curr("122");
    Inv.SumOpt = Curr("122");
    Inv.SumRetail = Curr("158.3");
    Inv.SumDiscount = Curr("142.17");
    Inv.SumKolvo = Curr("6");
    Inv.Nds = Curr("20");
    Inv.AddError("Не совпадает сумма в накладной [Строка 1] [XL строка 6]"_a);
    Inv.AddError("Пропущена строка в блоке данных [Строка XL 7]"_a);

    TshInvoiceTovar* R1 = Inv.Add();
    R1->Name = "Холодильник"_a + AnsiString(std::string(245, '-'));
    R1->Tip = "Холодильник"_a;
    R1->Description = "Двухкамерный, белый"_a;
    R1->Firm = "Бирюса"_a;
    R1->Country = "Россия"_a;
    R1->ArticleCode = "A-110";
    R1->Warranty = 12;
    R1->Price = Curr("13.5");
    R1->PriceOpt = Curr("10.5");
    R1->PriceDiscount = Curr("12");
    R1->Markup = Curr("30");
    R1->Discount = Curr("10");
    R1->Reserve1 = Curr("1.2345");
    R1->Calculated = true;
    R1->Kolvo = Curr("2");
    R1->Reserve4 = true;
    R1->Reserve2 = "р2"_a;
    R1->Ed = "шт"_a;
    R1->Reserve3 = "р3"_a;
    R1->Marked = true;
    R1->ArticleIndex = 5;

    TshInvoiceTovar* R2 = Inv.Add();
    R2->Name = "Пылесос ABC"_a;
    R2->Description = "Описание"_a + AnsiString(std::string(247, '.'));
    R2->Price = Curr("0.4333");
    R2->PriceOpt = Curr("0.3333");
    R2->PriceDiscount = Curr("0.39");
    R2->Markup = Curr("30");
    R2->Discount = Curr("10");
    R2->Reserve1 = Curr("-0.0001");
    R2->Calculated = true;
    R2->Kolvo = Curr("3");
}

void ExpectSameRow(const TshInvoiceTovar& A, const TshInvoiceTovar& B)
{
    EXPECT_EQ(A.Name, B.Name);
    EXPECT_EQ(A.Tip, B.Tip);
    EXPECT_EQ(A.Description, B.Description);
    EXPECT_EQ(A.Firm, B.Firm);
    EXPECT_EQ(A.Country, B.Country);
    EXPECT_EQ(A.ArticleCode, B.ArticleCode);
    EXPECT_EQ(A.Warranty, B.Warranty);
    EXPECT_EQ(A.Price, B.Price);
    EXPECT_EQ(A.PriceOpt, B.PriceOpt);
    EXPECT_EQ(A.PriceDiscount, B.PriceDiscount);
    EXPECT_EQ(A.Markup, B.Markup);
    EXPECT_EQ(A.Discount, B.Discount);
    EXPECT_EQ(A.Reserve1, B.Reserve1);
    EXPECT_EQ(A.Calculated, B.Calculated);
    EXPECT_EQ(A.Kolvo, B.Kolvo);
    EXPECT_EQ(A.Reserve4, B.Reserve4);
    EXPECT_EQ(A.Reserve2, B.Reserve2);
    EXPECT_EQ(A.Ed, B.Ed);
    EXPECT_EQ(A.Reserve3, B.Reserve3);
}

void ExpectSameInvoice(TshInvoice& A, TshInvoice& B)
{
    EXPECT_EQ(A.HeaderInt, B.HeaderInt);
    EXPECT_EQ(A.NameDoc, B.NameDoc);
    EXPECT_EQ(A.FileName, B.FileName);
    EXPECT_EQ(A.NumDoc, B.NumDoc);
    EXPECT_EQ(double(A.DateDoc), double(B.DateDoc));
    EXPECT_EQ(double(A.DateIn), double(B.DateIn));
    EXPECT_EQ(A.RespFio, B.RespFio);
    EXPECT_EQ(A.Depart, B.Depart);
    EXPECT_EQ(A.Provider, B.Provider);
    EXPECT_EQ(A.SheetTotal, B.SheetTotal);
    EXPECT_EQ(A.SumOpt, B.SumOpt);
    EXPECT_EQ(A.SumRetail, B.SumRetail);
    EXPECT_EQ(A.SumDiscount, B.SumDiscount);
    EXPECT_EQ(A.SumKolvo, B.SumKolvo);
    EXPECT_EQ(A.Nds, B.Nds);
    EXPECT_EQ(A.ListKind, B.ListKind);
    EXPECT_EQ(A.GetErrors()->Text(), B.GetErrors()->Text());
    ASSERT_EQ(A.Count(), B.Count());
    for (Integer I = 0; I < A.Count(); ++I) {
        SCOPED_TRACE(I);
        ExpectSameRow(*A.GetItem(I), *B.GetItem(I));
    }
}

TEST(InvoiceState, SmallInvoiceMatchesGoldenBytes)
{
    TempDir Dir;
    TshInvoice Inv(1);
    FillSmallInvoice(Inv);
    Inv.SaveToFile(Dir.File("LastInvoice.inv"));
    ExpectMatchesGolden(ReadBytes(Dir.Path() / "LastInvoice.inv"),
                        DataDir() / "golden" / "small-invoice.inv");
    // Nothing is left beside the state file.
    EXPECT_FALSE(fs::exists(Dir.Path() / "LastInvoice.inv.tmp"));
}

TEST(InvoiceState, EmptyInvoiceMatchesGoldenBytes)
{
    TempDir Dir;
    TshInvoice Inv(0);
    Inv.SaveToFile(Dir.File("LastInvoice.inv"));
    ExpectMatchesGolden(ReadBytes(Dir.Path() / "LastInvoice.inv"),
                        DataDir() / "golden" / "empty-invoice.inv");
}

TEST(InvoiceState, RoundTripKeepsEveryFieldAndDropsMarks)
{
    TempDir Dir;
    TshInvoice Saved(1);
    FillSmallInvoice(Saved);
    Saved.SaveToFile(Dir.File("LastInvoice.inv"));

    TshInvoice Loaded(1);
    Loaded.LoadFromFile(Dir.File("LastInvoice.inv"));
    ExpectSameInvoice(Saved, Loaded);
    EXPECT_FALSE(Loaded.AnyMarked());
    EXPECT_EQ(Loaded.GetItem(0)->ArticleIndex, 0);
    EXPECT_EQ(Loaded.GetItem(0)->Owner, &Loaded);
    // The golden file itself loads to the same invoice.
    TshInvoice FromGolden(1);
    FromGolden.LoadFromFile(DataFile("golden/small-invoice.inv"));
    ExpectSameInvoice(Saved, FromGolden);
}

TEST(InvoiceState, LoadReplacesTheRowsOfTheCurrentInvoice)
{
    TempDir Dir;
    TshInvoice Saved(0);
    FillSmallInvoice(Saved);
    Saved.SaveToFile(Dir.File("LastInvoice.inv"));
    TshInvoice Current(0);
    for (int I = 0; I < 5; ++I)
        Current.Add();
    Current.AddError("старая ошибка"_a);
    Current.LoadFromFile(Dir.File("LastInvoice.inv"));
    EXPECT_EQ(Current.Count(), 2);
    EXPECT_EQ(Current.GetErrors()->Count(), 2);
}

TEST(InvoiceState, OlderVersionLoads)
{
    TshInvoice Inv(0);
    // Fields absent from the file keep their values.
    Inv.NameDoc = "не в файле"_a;
    Inv.Nds = Curr("18");
    Inv.LoadFromFile(DataFile("legacy-tint-integer-quantity.inv"));
    EXPECT_EQ(Inv.HeaderInt, 3);
    EXPECT_EQ(Inv.NumDoc, "77");
    EXPECT_EQ(Inv.Provider, "Рынок"_a);
    EXPECT_EQ(Inv.NameDoc, "не в файле"_a);
    EXPECT_EQ(Inv.ListKind, 1);
    EXPECT_EQ(Inv.Nds, Curr("18"));
    ASSERT_EQ(Inv.Count(), 2);
    EXPECT_EQ(Inv.GetItem(0)->Name, "Чайник"_a);
    EXPECT_EQ(Inv.GetItem(0)->Kolvo, Curr("5"));
    EXPECT_EQ(Inv.GetItem(0)->PriceOpt, Curr("100"));
    EXPECT_TRUE(Inv.GetItem(0)->Marked);
    EXPECT_EQ(Inv.GetItem(1)->Kolvo, Curr("-7"));
    EXPECT_TRUE(Inv.GetItem(1)->Marked);  // any non-zero byte is true
}

struct BrokenCase {
    const char* File;
    enum { Read, App } Kind;
    const char* Text;  // UTF-8
};

const BrokenCase BrokenCases[] = {
    {"empty-file.inv", BrokenCase::Read, "Stream read error"},
    {"truncated-in-second-row.inv", BrokenCase::Read, "Stream read error"},
    {"truncated-before-list-end.inv", BrokenCase::Read, "Stream read error"},
    {"truncated-in-string.inv", BrokenCase::Read, "Stream read error"},
    {"missing-row-list-record.inv", BrokenCase::Read, "Stream read error"},
    {"wrong-invoice-header.inv", BrokenCase::App, "Ошибка загрузки: Неверный заголовок"},
    {"wrong-list-header.inv", BrokenCase::App, "Ошибка загрузки: Неверный заголовок"},
    {"wrong-row-header.inv", BrokenCase::App, "Ошибка загрузки: Неверный заголовок"},
    {"unknown-tag-in-invoice.inv", BrokenCase::App, "Ошибка загрузки: Неверный тип параметра"},
    {"unknown-tag-in-row.inv", BrokenCase::App, "Ошибка загрузки: Неверный тип параметра"},
    {"string-tag-07.inv", BrokenCase::Read, "ReadString: ReadError"},
    {"huge-string-length.inv", BrokenCase::App, "Ошибка загрузки: Неверная длина строки"},
    {"negative-string-length.inv", BrokenCase::App, "Ошибка загрузки: Неверная длина строки"},
    {"huge-row-count.inv", BrokenCase::App, "Ошибка загрузки: Неверное число записей"},
    {"negative-row-count.inv", BrokenCase::App, "Ошибка загрузки: Неверное число записей"},
    {"not-a-state-file.inv", BrokenCase::App, "Ошибка загрузки: Неверный заголовок"},
    // A row, and each record, opens with its start.
    {"lone-end-tags-as-rows.inv", BrokenCase::App, "Ошибка загрузки: Неверный заголовок"},
    {"row-without-record-start.inv", BrokenCase::App, "Ошибка загрузки: Неверный заголовок"},
    {"all-end-tags.inv", BrokenCase::App, "Ошибка загрузки: Неверный заголовок"},
    {"invoice-record-without-start.inv", BrokenCase::App, "Ошибка загрузки: Неверный заголовок"},
    // 5,000 rows of 8 bytes would take some 2 MB of rows from a 40 KB file.
    {"empty-rows-beyond-the-file-size.inv", BrokenCase::App,
     "Ошибка загрузки: Слишком много строк накладной для размера файла"},
};

TEST(InvoiceState, BrokenFilesRaiseTheirErrorAndLeaveTheInvoiceAsItWas)
{
    std::map<std::string, const BrokenCase*> Rows;
    for (const BrokenCase& C : BrokenCases)
        Rows[C.File] = &C;
    int Seen = 0;
    for (const auto& Entry : fs::directory_iterator(DataDir() / "broken")) {
        const std::string Name = Entry.path().filename().string();
        SCOPED_TRACE(Name);
        const auto Row = Rows.find(Name);
        if (Row == Rows.end()) {
            ADD_FAILURE() << "no expected error for " << Name;
            continue;
        }
        ++Seen;
        TshInvoice Inv(0);
        FillSmallInvoice(Inv);
        Inv.NameDoc = "до загрузки"_a;
        auto Load = [&] { Inv.LoadFromFile(AnsiString::FromUtf8(Entry.path().string())); };
        const AnsiString Text = AnsiString::FromUtf8(Row->second->Text);
        if (Row->second->Kind == BrokenCase::Read)
            ExpectRaises<EReadError>(Load, Text);
        else
            ExpectRaises<EAppException>(Load, Text);
        // Nothing half-read is left: the invoice is the one before the load.
        EXPECT_EQ(Inv.NameDoc, "до загрузки"_a);
        EXPECT_EQ(Inv.Count(), 2);
        EXPECT_EQ(Inv.GetItem(1)->Name, "Пылесос ABC"_a);
        EXPECT_TRUE(Inv.GetItem(0)->Marked);
    }
    EXPECT_EQ(Seen, int(std::size(BrokenCases)));
}

// The rows of a file may take ten times its size: the program's own rows,
// even blank ones (every field written), stay inside it at any count.
TEST(InvoiceState, ManyBlankRowsOfTheProgramStillLoad)
{
    TempDir Dir;
    TshInvoice Saved(0);
    for (int I = 0; I < 50000; ++I)
        Saved.Add();
    Saved.SaveToFile(Dir.File("LastInvoice.inv"));
    TshInvoice Loaded(0);
    Loaded.LoadFromFile(Dir.File("LastInvoice.inv"));
    EXPECT_EQ(Loaded.Count(), 50000);
}

TEST(InvoiceState, MissingFileRaisesTheOpenError)
{
    TempDir Dir;
    TshInvoice Inv(0);
    Inv.Add();
    try {
        Inv.LoadFromFile(Dir.File("LastInvoice.inv"));
        ADD_FAILURE() << "nothing raised";
    } catch (const Exception& E) {
        EXPECT_NE(E.Message.Pos("Reset"), 0) << E.Message;
    }
    EXPECT_EQ(Inv.Count(), 1);
}

TEST(InvoiceState, FailedSaveKeepsThePreviousFile)
{
    TempDir Dir;
    TshInvoice Old(0);
    FillSmallInvoice(Old);
    Old.SaveToFile(Dir.File("LastInvoice.inv"));
    const std::string Before = ReadBytes(Dir.Path() / "LastInvoice.inv");
    // The temporary file cannot be created: a folder stands in its place.
    fs::create_directory(Dir.Path() / "LastInvoice.inv.tmp");
    TshInvoice New(0);
    New.Add()->Name = "новая"_a;
    EXPECT_THROW(New.SaveToFile(Dir.File("LastInvoice.inv")), Exception);
    EXPECT_EQ(ReadBytes(Dir.Path() / "LastInvoice.inv"), Before);
}

TEST(InvoiceState, SaveReplacesAnOldFileAndALeftoverTemporaryFile)
{
    TempDir Dir;
    WriteBytes(Dir.Path() / "LastInvoice.inv", "old state");
    WriteBytes(Dir.Path() / "LastInvoice.inv.tmp", "left by a crash");
    TshInvoice Inv(0);
    Inv.SaveToFile(Dir.File("LastInvoice.inv"));
    ExpectMatchesGolden(ReadBytes(Dir.Path() / "LastInvoice.inv"),
                        DataDir() / "golden" / "empty-invoice.inv");
    EXPECT_FALSE(fs::exists(Dir.Path() / "LastInvoice.inv.tmp"));
}

}  // namespace

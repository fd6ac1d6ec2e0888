// The shipped templates: put into TXT on a start without touching the
// shop's own files, and each one built from a small invoice through the
// document builder into a PDF whose pages, paper and texts are checked;
// one page of each is rendered to PNG for a look.

#include "app/ShippedTemplates.h"

#include "app/ArticleList.h"
#include "app/Globals.h"
#include "app/InvFRep.h"
#include "app/InvoiceType.h"
#include "common/components/MsgWin.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Format.h"

#include "tests/app/AppTestSupport.h"
#include "tests/app/PageProbe.h"
#include "tests/app/PdfBuilder.h"
#include "tests/common/base/NoLogScope.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

using namespace page_probe;
using namespace pdf_test;

namespace {

std::string Bytes(const ShippedFile& F)
{
    return std::string(reinterpret_cast<const char*>(F.Data), F.Size);
}

const ShippedFile* Shipped(const std::string& Name)
{
    for (const ShippedFile& F : ShippedTemplates())
        if (Name == F.Name)
            return &F;
    return nullptr;
}

/// Messages put to the operator, recorded and answered with the default.
struct MessageLog {
    std::vector<std::string> Said;
    MsgAnswerHookScope Hook{[this](const MsgRequest& R) {
        Said.push_back(R.Title.ToUtf8() + "|" + R.Text.ToUtf8());
        return R.DefaultButton;
    }};
};

} // namespace

TEST(ShippedTemplates, EveryKindIsShipped)
{
    std::vector<std::string> Names;
    for (const ShippedFile& F : ShippedTemplates())
        Names.push_back(F.Name);
    EXPECT_EQ(Names, (std::vector<std::string>{"Report.dcr", "Ticket1.dcr", "Ticket2.dcr",
                                                "Ticket3.dcr"}));
    // The kinds' captions in the main window come from the names stored in
    // the templates; a tag template's "(N)" is its group of tags across.
    TempDir Dir;
    struct Case {
        const char* File;
        const char* DocName;
    } const Cases[] = {
        {"Ticket1.dcr", "Ценник 40x60 мм (4)"},
        {"Ticket2.dcr", "Ценник 60x100 мм (3)"},
        {"Ticket3.dcr", "Ценник 75x90 мм (2)"},
        {"Report.dcr", "Ведомость"},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.File);
        WriteBytes(Dir.Path() / C.File, Bytes(*Shipped(C.File)));
        const AnsiString Base = Dir.File(C.File).SubString(1, Dir.File(C.File).Length() - 4);
        EXPECT_EQ(TFormFRep::GetTemplateDocName(Base).ToUtf8(), C.DocName);
    }
}

// A first start writes every template and an empty article file; the next
// start writes nothing, and a template the shop changed, or keeps in the
// other form, is left alone.
TEST(ShippedTemplates, InstalledOnlyWhereMissing)
{
    TempDir Dir;
    const AnsiString Txt = Dir.File("TXT/");
    std::filesystem::create_directories(Dir.Path() / "TXT");
    const std::filesystem::path T = Dir.Path() / "TXT";
    WriteBytes(T / "Ticket1.dcr", "changed by the shop");
    WriteBytes(T / "ticket2.DCF", "[Report Description File]\r\n");
    MessageLog Log;

    EXPECT_EQ(InstallShippedTemplates(Txt), 3);
    EXPECT_EQ(ReadBytes(T / "Ticket1.dcr"), "changed by the shop");
    EXPECT_FALSE(std::filesystem::exists(T / "Ticket2.dcr")) << "the shop's .dcf stays in use";
    EXPECT_EQ(ReadBytes(T / "Ticket3.dcr"), Bytes(*Shipped("Ticket3.dcr")));
    EXPECT_EQ(ReadBytes(T / "Report.dcr"), Bytes(*Shipped("Report.dcr")));
    ASSERT_TRUE(std::filesystem::exists(T / "Articles.fl"));
    TshArticleList Articles;
    Articles.LoadFromFile(Txt + "Articles.fl");
    EXPECT_EQ(Articles.Count(), 0);
    EXPECT_TRUE(Log.Said.empty());

    std::filesystem::remove(T / "Report.dcr");
    EXPECT_EQ(InstallShippedTemplates(Txt), 1) << "only the deleted one comes back";
    EXPECT_EQ(InstallShippedTemplates(Txt), 0);
}

// A folder that cannot be written: one error window says why, and the
// start goes on. A "TXT" that cannot be made is said with the real cause
// (it was one "path not found" per file); one that takes no new files
// names every file with the system's reason.
TEST(ShippedTemplates, UnwritableFolderIsReported)
{
    enum class Fault { FileInTheWay, StartFolderReadOnly, TxtReadOnly };
    struct Case {
        const char* Name;
        Fault Kind;
        const char* Said;  // the start of the message, after the folder's name
    };
    const Case Cases[] = {
        {"a file where the folder should be", Fault::FileInTheWay,
         "Не удалось создать папку \"%s\"|Невозможно создать файл, так как он уже существует"},
        {"a start-up folder without write permission", Fault::StartFolderReadOnly,
         "Не удалось создать папку \"%s\"|Отказано в доступе"},
        {"a TXT folder without write permission", Fault::TxtReadOnly,
         "Не удалось записать шаблоны в папку \"%s\"|Report.dcr: "},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        TempDir Dir;
        NoLogScope NoLog;
        MessageLog Log;
        const AnsiString Txt = Dir.File("TXT/");
        std::unique_ptr<FolderFaultScope> ReadOnly;
        switch (C.Kind) {
        case Fault::FileInTheWay: WriteBytes(Dir.Path() / "TXT", "not a folder"); break;
        case Fault::StartFolderReadOnly:
            ReadOnly = std::make_unique<FolderFaultScope>(Dir.File(""), EACCES);
            break;
        case Fault::TxtReadOnly:
            std::filesystem::create_directory(Dir.Path() / "TXT");
            ReadOnly = std::make_unique<FolderFaultScope>(Txt, EACCES);
            break;
        }
        EXPECT_EQ(InstallShippedTemplates(Txt), 0);
        ASSERT_EQ(Log.Said.size(), 1u);
        const std::string& S = Log.Said[0];
        const std::string Start = Format(AnsiString::FromUtf8(C.Said), {Txt}).ToUtf8();
        EXPECT_EQ(S.rfind(Start, 0), 0u) << S;
        if (C.Kind != Fault::TxtReadOnly)
            continue;
        for (const char* Name : {"Ticket1.dcr", "Ticket2.dcr", "Ticket3.dcr", "Articles.fl"})
            EXPECT_NE(S.find(std::string("\r\n") + Name + ": "), std::string::npos) << Name;
        EXPECT_NE(S.find("Отказано в доступе"), std::string::npos) << S;
    }
}

namespace {

/// Five rows of a supplier's invoice (Times over) priced with 30 % markup,
/// 10 % card discount and coarse rounding; the third has a name too long
/// for three lines of a tag.
void FillInvoice(TshInvoice& Invoice, int Times = 1)
{
    struct Row {
        const char* Name;
        const char* Ed;
        const char* Country;
        const char* Kolvo;
        const char* Cost;
    } const Rows[] = {
        {"Холодильник NRB 110", "шт", "Беларусь", "2", "10.5"},
        {"Пылесос ABC", "шт", "", "3", "0.3333"},
        {"Чайник электрический VT-1100 со стеклянной колбой, подсветкой, фильтром от накипи "
         "и защитой от включения без воды, 1,7 л, белый",
         "шт", "Китай", "1", "100"},
        {"Сыр российский весовой", "кг", "Россия", "1.5", "950"},
        {"Утюг", "шт", "", "1", "1 500"},
    };
    for (int I = 0; I < Times * 5; ++I) {
        const Row& R = Rows[I % 5];
        TshInvoiceTovar& T = *Invoice.Add();
        T.Name = AnsiString::FromUtf8(R.Name);
        T.Ed = AnsiString::FromUtf8(R.Ed);
        T.Country = AnsiString::FromUtf8(R.Country);
        T.Kolvo = Curr(R.Kolvo);
        std::string Cost = R.Cost;
        std::erase(Cost, ' ');
        T.PriceOpt = Curr(Cost.c_str());
    }
    Invoice.Recalc(/*RoundMode=*/2, /*AllRows=*/true, Curr("30"), Curr("10"),
                   /*ClearMarks=*/true);
    Invoice.NameDoc = "Накладная № 17 от 09.12.2026"_a;
    Invoice.NumDoc = "17";
    Invoice.DateDoc = EncodeDate(2026, 12, 9);
    Invoice.RespFio = "Петрова А. И."_a;
    Invoice.Depart = "Бытовая техника"_a;
}

/// A start-up folder with the shipped templates in TXT, the shop's name and
/// the tag prices in style 2 (always two decimals).
struct PrintFixture {
    ConfigScope Config;
    NoLogScope NoLog;
    TxtFolderScope Txt{Config};
    TshInvoice Invoice{0};

    explicit PrintFixture(int Times = 1)
    {
        InstallShippedTemplates(gTxtPath);
        Config.Cfg().Customer = "Магазин «Уют»"_a;
        Config.Cfg().PriceStyle = 2;
        Config.Cfg().NumberOut = "41";
        FillInvoice(Invoice, Times);
    }

    std::filesystem::path Png(const std::string& Name) const
    {
        const char* Dir = std::getenv("PRICETAGS_PNG_DIR");
        const std::filesystem::path Folder = Dir ? Dir : "/tmp/pricetags-app";
        std::filesystem::create_directories(Folder);
        return Folder / Name;
    }
};

} // namespace

// Each template through the builder into a PDF: page count, A4 paper, the
// texts in order, the prices in the style the template's kind chooses; the
// first page rendered for a look.
TEST(ShippedTemplates, EachTemplatePrintsToPdf)
{
    if (!HavePdfTools())
        GTEST_SKIP() << "poppler-utils is not installed (scripts/setup.sh installs it)";
    struct Case {
        const char* Template;
        int Kind;
        int Pages;
        std::vector<std::string> Texts;
    } const Cases[] = {
        // Four tags across, read line by line: rows 1-4, then row 5 beside
        // three empty tags. The long name stops after its third line.
        {"Ticket1", 0, 1,
         {"Холодильник NRB 110", "Пылесос ABC", "Чайник электрический", "Сыр российский",
          "13,50", "0,43", "130,00", "1 240,00", "руб. за шт", "руб. за кг", "По карте: 12,00",
          "По карте: 1 120,00", "Страна: Беларусь", "09.12.2026", "Утюг", "1 950,00",
          "По карте: 1 760,00"}},
        {"Ticket2", 0, 1,
         {"Холодильник", "Пылесос ABC", "13,50", "0,43", "130,00", "По карте: 12,00",
          "Страна: Беларусь", "Сыр российский", "Утюг", "1 240,00", "1 950,00"}},
        {"Ticket3", 0, 1,
         {"Холодильник NRB 110", "Пылесос ABC", "13,50", "0,43", "По карте: 12,00", "Чайник",
          "Сыр российский весовой", "130,00", "1 240,00", "Утюг", "1 950,00"}},
        // The statement with its own number, prices in style 0 (kopecks
        // only when there are any), sums always with kopecks.
        {"Report", 1, 1,
         {"Магазин «Уют»", "Ведомость № 41", "Накладная № 17 от 09.12.2026",
          "Дата: 9 декабря 2026", "Отдел: Бытовая техника", "Наименование товара",
          "Холодильник NRB 110", "шт", "2", "10,50", "13,50", "27,00", "Утюг", "1 500", "1 950",
          "1 950,00", "Итого:", "3 968,30", "Сумма по закупочным ценам: 3 047,00",
          "Страница 1"}},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Template);
        PrintFixture F;
        const AnsiString Pdf = F.Config.Dir().File(std::string(C.Template) + ".pdf");
        PdfBuilder Builder(Pdf);
        Builder.SetDocDate(EncodeDate(2026, 12, 9));
        Builder.BuildDocument(C.Kind, &F.Invoice, gTxtPath + C.Template);
        Application->ProcessMessages();
        EXPECT_FALSE(Builder.Busy());
        EXPECT_EQ(Builder.DocPrint(), nullptr) << "the document goes once printed";
        EXPECT_EQ(Builder.Pages, C.Pages);

        const std::string Path = Pdf.ToUtf8();
        const std::string Info = RunCommand("pdfinfo '" + Path + "'");
        EXPECT_NE(Info.find("Pages:           " + std::to_string(C.Pages) + "\n"),
                  std::string::npos)
            << Info;
        EXPECT_NE(Info.find("Page size:       595 x 842 pts (A4)"), std::string::npos) << Info;
        ExpectInOrder(RunCommand("pdftotext -layout '" + Path + "' -"), C.Texts);
        const std::filesystem::path Look = F.Png(std::string("shipped-") + C.Template);
        RunCommand("pdftoppm -r 110 -f 1 -l 1 -png '" + Path + "' '" + Look.string() + "'");
        std::filesystem::copy_file(Path, Look.string() + ".pdf",
                                   std::filesystem::copy_options::overwrite_existing);
    }
}

// Long runs: sixteen 40x60 tags a sheet; the statement repeats its column
// headings and numbers its pages, and its totals come once at the end.
TEST(ShippedTemplates, LongRunsBreakIntoPages)
{
    if (!HavePdfTools())
        GTEST_SKIP() << "poppler-utils is not installed (scripts/setup.sh installs it)";
    {
        PrintFixture F(/*Times=*/7);  // 35 rows: 9 rows of four tags
        PdfBuilder Builder(F.Config.Dir().File("tags.pdf"));
        Builder.BuildDocument(0, &F.Invoice, gTxtPath + "Ticket1");
        Application->ProcessMessages();
        EXPECT_EQ(Builder.Pages, 3);
    }
    PrintFixture F(/*Times=*/20);
    const AnsiString Pdf = F.Config.Dir().File("report.pdf");
    PdfBuilder Builder(Pdf);
    Builder.BuildDocument(1, &F.Invoice, gTxtPath + "Report");
    Application->ProcessMessages();
    ASSERT_EQ(Builder.Pages, 3);
    for (int Page = 1; Page <= 3; ++Page) {
        SCOPED_TRACE(Page);
        const std::string N = std::to_string(Page);
        const std::string Text = RunCommand("pdftotext -layout -f " + N + " -l " + N + " '" +
                                            Pdf.ToUtf8() + "' -");
        ExpectInOrder(Text, {"Наименование товара", "Холодильник NRB 110", "Страница " + N});
        EXPECT_EQ(Text.find("Итого:") != std::string::npos, Page == 3);
    }
    RunCommand("pdftoppm -r 110 -f 2 -l 2 -png '" + Pdf.ToUtf8() + "' '" +
               F.Png("shipped-Report-long").string() + "'");
}

// The largest price the program forms, 9 999 999,99 (card price
// 8 999 999,99), in every display style on each tag size: the whole price
// prints inside its box, and the tags beside it stay blank. The sheet's
// top is kept as a PNG for a look.
class LargestPrice : public testing::TestWithParam<int> {};

TEST_P(LargestPrice, FitsEveryStyle)
{
    if (!HavePdfTools())
        GTEST_SKIP() << "poppler-utils is not installed (scripts/setup.sh installs it)";
    const int Ticket = GetParam();
    const int Across = Ticket == 1 ? 4 : Ticket == 2 ? 3 : 2;
    // The tag row at the sheet's top, with room for the printer's margin.
    const int RowMM = Ticket == 1 ? 80 : 120;
    for (const int Style : {0, 1, 2, 3, 10, 11, 12, 13, 14}) {
        const std::string Name =
            "Ticket" + std::to_string(Ticket) + "-style" + std::to_string(Style);
        SCOPED_TRACE(Name);
        PrintFixture F(/*Times=*/0);
        F.Config.Cfg().PriceStyle = Style;
        TshInvoiceTovar& T = *F.Invoice.Add();
        T.Name = "Холодильник двухкамерный NRB 110"_a;
        T.Ed = "шт"_a;
        T.Country = "Беларусь"_a;
        T.Kolvo = Curr("1");
        T.PriceOpt = Curr("7999999.99");
        T.Price = Curr("9999999.99");
        T.PriceDiscount = Curr("8999999.99");
        const AnsiString Pdf = F.Config.Dir().File(Name + ".pdf");
        PdfBuilder Builder(Pdf);
        const AnsiString Template = gTxtPath + "Ticket" + IntToStr(Ticket);
        Builder.BuildDocument(0, &F.Invoice, Template);
        Application->ProcessMessages();
        ASSERT_EQ(Builder.Pages, 1);

        const std::string Price = PriceText(Style, T.Price);
        const std::string Text = RunCommand("pdftotext -layout '" + Pdf.ToUtf8() + "' -");
        EXPECT_NE(Text.find(Price), std::string::npos) << Text;
        const TagTemplate Tags(Template + ".dcr");
        const PageImage Page(Pdf.ToUtf8(), 1, 144, RowMM);
        ASSERT_GT(Page.Width(), 0);
        const TagSheet Sheet(Page, Tags);
        Sheet.ExpectInkInside(1, 0, "[PRICE.1]", Price);
        Sheet.ExpectInkInside(1, 0, "PRICEDISCOUNT.1", "card price");
        for (int K = 2; K <= Across; ++K)
            Sheet.ExpectBlank(K, 0);
        RunCommand("pdftoppm -r 110 -f 1 -l 1 -x 0 -y 0 -W 1000 -H " +
                   std::to_string(RowMM * 110 * 10 / 254) + " -singlefile -png '" +
                   Pdf.ToUtf8() + "' '" + F.Png("largest-" + Name).string() + "'");
    }
}

INSTANTIATE_TEST_SUITE_P(ShippedTemplates, LargestPrice, testing::Values(1, 2, 3),
                         [](const testing::TestParamInfo<int>& Info) {
                             return "Ticket" + std::to_string(Info.param);
                         });

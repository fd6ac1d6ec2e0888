#include "app/InvFRep.h"

#include "app/Globals.h"
#include "common/components/MsgWin.h"
#include "common/reports/RP_View.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Files.h"

#include "tests/app/AppTestSupport.h"
#include "tests/common/base/NoLogScope.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

/// A builder whose preview is recorded instead of shown.
class TestBuilder : public TFormFRep {
public:
    TestBuilder() : TFormFRep(nullptr) {}
    int Previews = 0;
    bool FailPreview = false;

protected:
    void StartPrintView(TDocument* Doc) override
    {
        ++Previews;
        if (FailPreview)
            throw Exception("preview failed");
        Doc->OnBegPrintView(Doc);
    }
};

/// The configuration, a "TXT" folder and an invoice of Count rows named
/// "Товар 1".. with prices 10, 20, ... and no card discount on even rows.
struct BuilderFixture {
    ConfigScope Config;
    NoLogScope NoLog;
    TxtFolderScope Txt{Config};
    TshInvoice Invoice{0};

    explicit BuilderFixture(int Count = 10)
    {
        for (int I = 1; I <= Count; ++I) {
            TshInvoiceTovar* T = Invoice.Add();
            T->Name = "Товар "_a + IntToStr(I);
            T->Price = Currency(I * 10);
            T->PriceDiscount = I % 2 ? Currency(I * 10 - 1) : Currency(I * 10);
            T->Kolvo = Currency(2);
        }
        Config.Cfg().ByCard = "по карте"_a;
    }

    /// A binary template named Name in "TXT" with the document name DocName.
    void MakeTemplate(const char* Name, const AnsiString& DocName)
    {
        TDocument Doc(nullptr);
        Doc.SetNameDocument(DocName);
        Doc.SaveToBinaryFile(gTxtPath + Name);
    }
};

/// The values a group of tags prints for the names given, page by page.
std::vector<std::string> PrintNames(TFormFRep& B, TDocument& Doc,
                                    const std::vector<const char*>& Names)
{
    std::vector<std::string> Out;
    B.docPriceTicketBeginDoc(&Doc);
    B.docPriceTicketBeginPage(&Doc, 0, nullptr, nullptr, nullptr);
    for (;;) {
        bool More = true;
        B.docPriceTicketNeedData(&Doc, btMasterData, More);
        if (!More)
            break;
        for (const char* N : Names) {
            AnsiString V = "?";
            B.docPriceTicketGetValue(&Doc, btMasterData, AnsiString::FromUtf8(N), V);
            Out.push_back(V.ToUtf8());
        }
    }
    return Out;
}

} // namespace

TEST(DocumentBuilder, ParseVarExpression)
{
    struct Case {
        const char* Text;
        const char* Before;
        const char* Name;
        const char* After;
    };
    const Case Cases[] = {
        {"PRICE", "", "PRICE", ""},                               // a bare name
        {"'Цена: 'PRICE' руб.'", "Цена: ", "PRICE", " руб."},       // literals around it
        {"'Цена: 'PRICE ' руб.'", "Цена: ", "PRICE ", " руб."},     // the blank stays in the name
        {"NAME<cr>'x'", "", "NAME", "\r\nx"},                     // a line break tag
        {" \"a\".NAME", " a", "NAME", ""},                         // a dot before the name
        {"'open PRICE", "", "'open PRICE", ""},                    // unclosed quote: all name
        {"<b>NAME", "", "<b>NAME", ""},                            // another tag: all name
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Text);
        const VarExpression E = ParseVarExpression(AnsiString::FromUtf8(C.Text));
        EXPECT_EQ(E.Before.ToUtf8(), C.Before);
        EXPECT_EQ(E.Name.ToUtf8(), C.Name);
        EXPECT_EQ(E.After.ToUtf8(), C.After);
    }
}

TEST(DocumentBuilder, GroupSizeFromTheDocumentName)
{
    struct Case {
        const char* Name;
        int Size;
    };
    const Case Cases[] = {
        {"Ценники (3)", 3},
        {"Ценники ( 4 )", 4},   // blanks around the number
        {"Ценники", 1},         // no brackets
        {"Ценники (x)", 1},     // no number
        {"Ценники (3", 1},      // no closing bracket: no group
        {"Ценники (3) (5)", 3}, // the first pair
        {"Ценники (0)", 1},     // a group of no rows would never end the build
        {"Ценники (-2)", 1},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        EXPECT_EQ(GroupSizeOf(AnsiString::FromUtf8(C.Name)), C.Size);
    }
}

TEST(DocumentBuilder, MarkedRowsOnlyWhenAnyIsMarked)
{
    BuilderFixture F;
    TestBuilder B;
    F.MakeTemplate("Ticket1.dcr", "Ценники"_a);
    B.BuildDocument(0, &F.Invoice, "Ticket1.dcr");
    TDocument& Doc = *B.DocPrint();
    EXPECT_EQ(PrintNames(B, Doc, {"NAME"}).size(), 10u);
    F.Invoice.GetItem(1)->Marked = true;
    F.Invoice.GetItem(4)->Marked = true;
    F.Invoice.GetItem(9)->Marked = true;
    EXPECT_EQ(PrintNames(B, Doc, {"NAME"}),
              (std::vector<std::string>{"Товар 2", "Товар 5", "Товар 10"}));
}

// Four tags a group answer from four consecutive rows; the last group of
// ten rows has two filled tags and two empty ones.
TEST(DocumentBuilder, GroupsAnswerConsecutiveRows)
{
    BuilderFixture F;
    TestBuilder B;
    F.MakeTemplate("Ticket1.dcr", "Ценники (4)"_a);
    B.BuildDocument(0, &F.Invoice, "Ticket1.dcr");
    TDocument* Doc = B.DocPrint();
    ASSERT_NE(Doc, nullptr);
    const std::vector<std::string> Got = PrintNames(B, *Doc, {"NAME", "NAME.2", "NAME.3", "NAME.4"});
    ASSERT_EQ(Got.size(), 12u);
    EXPECT_EQ(Got[0], "Товар 1");
    EXPECT_EQ(Got[3], "Товар 4");
    EXPECT_EQ(Got[4], "Товар 5");
    EXPECT_EQ(Got[8], "Товар 9");
    EXPECT_EQ(Got[9], "Товар 10");
    EXPECT_EQ(Got[10], "");
    EXPECT_EQ(Got[11], "");
}

// The elements of a group's tag carry its place in the group as their Tag:
// those of a tag past the last row are left out; elements with Tag 0, and
// bands other than the rows', always print.
TEST(DocumentBuilder, EmptyTagsOfAGroupAreLeftOut)
{
    BuilderFixture F(10);
    TestBuilder B;
    F.MakeTemplate("Ticket1.dcr", "Ценники (4)"_a);
    B.BuildDocument(0, &F.Invoice, "Ticket1.dcr");
    TDocument& Doc = *B.DocPrint();
    TView Element(vkText, &Doc);
    const auto Hidden = [&](int Tag, TBandType Band = btMasterData) {
        Element.Tag = Tag;
        Element.Hidden = false;
        B.docPriceTicketEnterRect(&Doc, Band, Element.Memo.get(), &Element);
        return Element.Hidden;
    };
    B.docPriceTicketBeginDoc(&Doc);
    B.docPriceTicketBeginPage(&Doc, 0, nullptr, nullptr, nullptr);
    bool More = true;
    B.docPriceTicketNeedData(&Doc, btMasterData, More);  // rows 1-4
    for (int Tag = 0; Tag <= 4; ++Tag)
        EXPECT_FALSE(Hidden(Tag)) << Tag;
    B.docPriceTicketNeedData(&Doc, btMasterData, More);  // rows 5-8
    B.docPriceTicketNeedData(&Doc, btMasterData, More);  // rows 9 and 10
    ASSERT_TRUE(More);
    EXPECT_FALSE(Hidden(0)) << "an element of no tag";
    EXPECT_FALSE(Hidden(2));
    EXPECT_TRUE(Hidden(3));
    EXPECT_TRUE(Hidden(4));
    EXPECT_FALSE(Hidden(5)) << "no fifth tag in a group of four";
    EXPECT_FALSE(Hidden(4, btPageHeader)) << "only the rows' band";
}

// A statement prints its sums with kopecks even in the styles that drop
// whole ones; its prices, and the sums on tags, keep the chosen style.
TEST(DocumentBuilder, StatementSumsShowKopecks)
{
    struct Case {
        int Kind;
        int Style;
        const char* Sum;
        const char* Price;
    } const Cases[] = {
        {1, 0, "20,00", "10"},          // kopecks only when there are any
        {1, 10, "20,00руб.", "10руб."}, // the same with the rouble word
        {1, 2, "20,00", "10,00"},       // always with kopecks
        {1, 1, "20-00", "10-00"},       // kopecks after a dash
        {1, 3, "20", "10"},             // never kopecks: as chosen
        {0, 0, "20", "10"},             // tags keep the style
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(std::to_string(C.Kind) + " " + std::to_string(C.Style));
        BuilderFixture F(1);
        F.Config.Cfg().PriceStyle = C.Style;
        F.Config.Cfg().PriceStyleRep = C.Style;
        TestBuilder B;
        const char* Name = C.Kind == 1 ? "Report1.dcr" : "Ticket1.dcr";
        F.MakeTemplate(Name, "Документ"_a);
        B.BuildDocument(C.Kind, &F.Invoice, Name);
        ASSERT_NE(B.DocPrint(), nullptr);
        EXPECT_EQ(PrintNames(B, *B.DocPrint(), {"SUMMA", "ITOGO", "PRICE"}),
                  (std::vector<std::string>{C.Sum, C.Sum, C.Price}));
    }
}

TEST(DocumentBuilder, RowVariables)
{
    BuilderFixture F(2);
    F.Config.Cfg().PriceStyle = 0;
    TestBuilder B;
    F.MakeTemplate("Ticket1.dcr", "Ценники"_a);
    B.BuildDocument(0, &F.Invoice, "Ticket1.dcr");
    TDocument* Doc = B.DocPrint();
    ASSERT_NE(Doc, nullptr);
    const std::vector<std::string> Got =
        PrintNames(B, *Doc, {"PRICE.R", "BYCARD", "'Цена: 'price' руб.'", "KOLVO", "NOSUCH"});
    ASSERT_EQ(Got.size(), 10u);
    // Row 1 has a card price: the old price and the card text show.
    EXPECT_NE(Got[0], "");
    EXPECT_EQ(Got[1], "по карте");
    EXPECT_EQ(Got[2].rfind("Цена: ", 0), 0u) << Got[2];
    EXPECT_EQ(Got[3], "2");
    EXPECT_EQ(Got[4], "?"); // unknown names keep the engine's value
    // Row 2 has none: both are empty.
    EXPECT_EQ(Got[5], "");
    EXPECT_EQ(Got[6], "");
}

TEST(DocumentBuilder, DocumentAndGeneralVariables)
{
    BuilderFixture F;
    F.Invoice.NumDoc = "17";
    F.Invoice.DateDoc = EncodeDate(2026, 12, 9);
    F.Config.Cfg().Customer = "Магазин"_a;
    F.Config.Cfg().NumberOut = "42";
    TestBuilder B;
    B.SetDocDate(EncodeDate(2026, 3, 5));
    F.MakeTemplate("Report1.dcr", "Ведомость"_a);
    B.BuildDocument(1, &F.Invoice, "Report1.dcr");
    const auto Ask = [&](const char* Name) {
        AnsiString V = "?";
        B.docPriceTicketGetValue(B.DocPrint(), btPageHeader, Name, V);
        return V.ToUtf8();
    };
    EXPECT_EQ(Ask("DOC.NUM"), "42"); // a statement's own number, not the invoice's
    EXPECT_EQ(Ask("datedocmonth"), "9 декабря 2026");
    EXPECT_EQ(Ask("MONTH"), "Март");
    EXPECT_EQ(Ask("YEAR"), "2026");
    EXPECT_EQ(Ask("CUSTOMER2"), "Магазин");
    EXPECT_EQ(Ask("NAME"), "?"); // no current row outside the data band

    // Tags answer with the supplier's invoice number.
    TestBuilder Tags;
    F.MakeTemplate("Ticket1.dcr", "Ценники"_a);
    Tags.BuildDocument(0, &F.Invoice, "Ticket1.dcr");
    AnsiString V = "?";
    Tags.docPriceTicketGetValue(Tags.DocPrint(), btPageHeader, "NUMDOC", V);
    EXPECT_EQ(V.ToUtf8(), "17");
}

// A template that does not load ends the print cleanly: the next one runs.
TEST(DocumentBuilder, FailedPrintLeavesNothingBehind)
{
    BuilderFixture F;
    TestBuilder B;
    EXPECT_ANY_THROW(B.BuildDocument(0, &F.Invoice, "missing.dcr"));
    EXPECT_EQ(B.DocPrint(), nullptr);
    EXPECT_FALSE(B.Busy());
    F.MakeTemplate("Ticket2.dcr", "Ценники"_a);
    B.FailPreview = true;
    EXPECT_ANY_THROW(B.BuildDocument(0, &F.Invoice, "Ticket2.dcr"));
    EXPECT_EQ(B.DocPrint(), nullptr);
    B.FailPreview = false;
    B.BuildDocument(0, &F.Invoice, "Ticket2.dcr");
    EXPECT_EQ(B.Previews, 2);
    EXPECT_TRUE(B.Busy()); // the preview is on screen
    const MsgAnswerHookScope Answer([](const MsgRequest&) { return 1; });
    ExpectRaises<EAbort>([&] { B.BuildDocument(0, &F.Invoice, "Ticket2.dcr"); },
                         "Operation aborted");
    // The preview's end frees the document through the message queue.
    B.DocPrint()->OnEndPrintView(B.DocPrint());
    Application->ProcessMessages();
    EXPECT_EQ(B.DocPrint(), nullptr);
    EXPECT_FALSE(B.Busy());
}

TEST(DocumentBuilder, ImportTemplateAsksBeforeReplacing)
{
    BuilderFixture F;
    TestBuilder B;
    const AnsiString Source = F.Config.Dir().File("Ticket1-nc.dcr");
    {
        TDocument Doc(nullptr);
        Doc.SetNameDocument("Новые ценники"_a);
        Doc.SaveToBinaryFile(Source);
    }
    EXPECT_TRUE(B.ImportTemplate(Source));
    EXPECT_EQ(TFormFRep::GetTemplateDocName(gTxtPath + "Ticket1.dcr"), "Новые ценники"_a);
    F.MakeTemplate("Ticket1.dcr", "Свои ценники"_a);
    {
        const MsgAnswerHookScope No([](const MsgRequest&) { return 2; });
        EXPECT_FALSE(B.ImportTemplate(Source));
    }
    EXPECT_EQ(TFormFRep::GetTemplateDocName(gTxtPath + "Ticket1.dcr"), "Свои ценники"_a);
    {
        const MsgAnswerHookScope Yes([](const MsgRequest&) { return 1; });
        EXPECT_TRUE(B.ImportTemplate(Source));
    }
    EXPECT_EQ(TFormFRep::GetTemplateDocName(gTxtPath + "Ticket1.dcr"), "Новые ценники"_a);
    EXPECT_EQ(TFormFRep::GetTemplateDocName(gTxtPath + "nothing.dcr"), "");
}

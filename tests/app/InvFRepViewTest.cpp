// The builder opens the print view without waiting: the view's close ends
// the print, and a refused report file leaves the next print free.

#include "app/InvFRep.h"

#include "app/Globals.h"
#include "common/components/MsgWin.h"
#include "common/reports/RP_PreviewForm.h"
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

struct ViewBuilderFixture {
    ConfigScope Config;
    NoLogScope NoLog;
    TxtFolderScope Txt{Config};
    TshInvoice Invoice{0};
    TFormFRep Builder{nullptr};

    ViewBuilderFixture()
    {
        TshInvoiceTovar* T = Invoice.Add();
        T->Name = "Товар 1"_a;
        T->Price = Currency(10);
        TDocument Doc(nullptr);
        Doc.SetNameDocument("Ценники"_a);
        Doc.SaveToBinaryFile(gTxtPath + "Ticket1.dcr");
    }
};

}  // namespace

TEST(DocumentBuilderView, PrintOpensTheViewAndItsCloseEndsThePrint)
{
    ViewBuilderFixture F;
    TFormFRep& B = F.Builder;
    B.BuildDocument(0, &F.Invoice, "Ticket1.dcr");
    ASSERT_NE(B.DocPrint(), nullptr);
    TPreviewForm* View = B.DocPrint()->PreviewForm();
    ASSERT_NE(View, nullptr);
    EXPECT_TRUE(View->Visible()) << "shown without waiting";
    EXPECT_EQ(View->Caption(), "Ценники"_a);
    EXPECT_TRUE(B.Busy());

    View->Close();
    Application->ProcessMessages();
    EXPECT_EQ(B.DocPrint(), nullptr);
    EXPECT_FALSE(B.Busy());

    // The next print runs.
    B.BuildDocument(0, &F.Invoice, "Ticket1.dcr");
    ASSERT_NE(B.DocPrint(), nullptr);
    B.DocPrint()->PreviewForm()->Close();
    Application->ProcessMessages();
    EXPECT_EQ(B.DocPrint(), nullptr);
}

TEST(DocumentBuilderView, ReportFilesOpenOrAreRefused)
{
    ViewBuilderFixture F;
    TFormFRep& B = F.Builder;
    std::vector<std::string> Shown;
    const MsgAnswerHookScope Answer([&](const MsgRequest& R) {
        Shown.push_back(R.Text.ToUtf8());
        return 1;
    });
    const std::filesystem::path Data = TestData() / "RP_PreviewForm";
    const std::string Bad = (Data / "broken" / "page-count-zero.rep").string();
    ExpectRaises<EAbort>([&] { B.OpenPrintFile(AnsiString::FromUtf8(Bad)); }, "Operation aborted");
    EXPECT_EQ(Shown, std::vector<std::string>{"Неверный формат файла:\r\n" + Bad});
    EXPECT_EQ(B.DocPrint(), nullptr) << "a refused file leaves the next print free";

    B.OpenPrintFile(AnsiString::FromUtf8((Data / "two-pages-margins.rep").string()));
    ASSERT_NE(B.DocPrint(), nullptr);
    TPreviewForm* View = B.DocPrint()->PreviewForm();
    ASSERT_NE(View, nullptr);
    EXPECT_EQ(View->PageCount(), 2);
    View->Close();
    Application->ProcessMessages();
    EXPECT_EQ(B.DocPrint(), nullptr);
}

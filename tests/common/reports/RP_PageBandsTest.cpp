#include "common/reports/RP_Page.h"

#include "common/reports/RP_Document.h"
#include "common/reports/RP_View.h"

#include "platform/classes/Strings.h"

#include "tests/common/reports/ReportHost.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace rpt;

namespace {

/// A document on the fallback A4 paper (printable 748 x 1090 pixels) with a
/// host, building with fixed text metrics.
struct Report {
    Report()
    {
        Device.Watched = &Doc;
        Doc.UpdatePrnInfo(false);
    }
    /// A band area of Type at Top, Height high, on template page Page.
    TView* Band(int Type, int Top, int Height, int Page = 0)
    {
        Doc.SetPageIndex(Page);
        auto* V = new TView(vkBandArea, &Doc);
        V->BandTyp = static_cast<Byte>(Type);
        V->SetTop(Top);
        V->SetHeight(Height);
        Doc.CurrentPage()->AddView(V);
        return V;
    }
    /// A text element; its text is drawn 2 pixels above its top (the
    /// internal leading), so Y of a trace row is that top.
    TView* Text(int Top, const char* Text, int Height = 20, int Page = 0)
    {
        Doc.SetPageIndex(Page);
        auto* V = new TView(vkText, &Doc);
        V->SetBoundsRect(Rect(10, Top, 300, Top + Height));
        V->Lines->SetText(AnsiString::FromUtf8(Text));
        Doc.CurrentPage()->AddView(V);
        return V;
    }
    void Build()
    {
        Doc.SetPageIndex(0);
        Doc.BuildReport();
    }
    /// "text@y/page" for every first piece of a line drawn.
    std::vector<std::string> Trace() const
    {
        std::vector<std::string> Rows;
        for (const Drawn& D : Device.Draws)
            Rows.push_back(D.Text + "@" + std::to_string(D.Box.Top + 2) + "/" +
                           std::to_string(D.Page));
        return Rows;
    }
    /// The events other than data requests.
    std::vector<std::string> Events() const
    {
        std::vector<std::string> Result;
        for (const std::string& E : Host.Log)
            if (E.rfind("NeedData", 0) != 0)
                Result.push_back(E);
        return Result;
    }

    FixedTextDevice Device;
    TDocument Doc{nullptr};
    ReportHost Host{Doc};
};

using Rows = std::vector<std::string>;

}  // namespace

TEST(RP_PageBands, ListBreaksPagesAboveTheFooter)
{
    Report R;
    R.Band(btPageHeader, 0, 20);
    R.Text(0, "H");
    R.Band(btMasterData, 40, 20);
    R.Text(40, "M[LINE]");
    R.Band(btPageFooter, 1000, 20);
    R.Text(1000, "F[PAGE]");
    R.Host.Rows[btMasterData] = 60;
    R.Build();

    // 48 rows fit between 40 and the footer at 1000; the header is left off
    // the first page.
    const Rows T = R.Trace();
    ASSERT_EQ(T.size(), 60u + 2 + 1);
    EXPECT_EQ(T[0], "M1@40/0");
    EXPECT_EQ(T[47], "M48@980/0");
    EXPECT_EQ(T[48], "F1@1000/0");
    EXPECT_EQ(T[49], "H@0/1");
    EXPECT_EQ(T[50], "M49@20/1");
    EXPECT_EQ(T[61], "M60@240/1");
    EXPECT_EQ(T[62], "F2@1000/1");
    EXPECT_EQ(R.Doc.PageNo, 2);
    EXPECT_EQ(R.Doc.PageInfoCount(), 2);
    EXPECT_EQ(R.Doc.GetPageInfo(1)->DrawingWidth(), 748);
    EXPECT_EQ(R.Doc.GetPageInfo(1)->DrawingHeight(), 1090);
    EXPECT_EQ(R.Events(), (Rows{"Progress 0", "Progress 1", "BeginDoc", "BeginPage 0",
                                "Progress 1", "EndPage 0", "Progress 2", "EndDoc"}));
    EXPECT_EQ(R.Host.Log[4], "NeedData 5") << "rows are asked after BeginPage";

    TView* Row = R.Doc.CurrentPage()->GetView(3);
    EXPECT_EQ(Row->GetTop(), 40) << "the template geometry is restored";
    EXPECT_EQ(Row->Band, nullptr);
}

TEST(RP_PageBands, HeaderOnFirstPageWhenAsked)
{
    Report R;
    R.Band(btPageHeader, 0, 20);
    R.Text(0, "H");
    R.Band(btMasterData, 40, 20);
    R.Text(40, "M[LINE]");
    R.Doc.CurrentPage()->PageHeaderOnFirst = true;
    R.Host.Rows[btMasterData] = 2;
    R.Build();
    EXPECT_EQ(R.Trace(), (Rows{"H@0/0", "M1@20/0", "M2@40/0"}));
}

TEST(RP_PageBands, MasterDetailHeadersAndFooters)
{
    Report R;
    R.Band(btMasterHeader, 0, 20);
    R.Text(0, "MH");
    R.Band(btMasterData, 20, 20);
    R.Text(20, "M[LINE]");
    R.Band(btDetailHeader, 40, 20);
    R.Text(40, "DH");
    R.Band(btDetailData, 60, 20);
    R.Text(60, "D[LINE]");
    R.Band(btDetailFooter, 80, 20);
    R.Text(80, "DF");
    R.Band(btMasterFooter, 100, 20);
    R.Text(100, "MF");
    R.Band(btReportSummary, 120, 20);
    R.Text(120, "S");
    R.Host.Rows[btMasterData] = 2;
    R.Host.DetailPerMaster = 2;
    R.Build();
    EXPECT_EQ(R.Device.Texts(), (Rows{"MH", "M1", "DH", "D1", "D2", "DF", "M2", "DH", "D1",
                                      "D2", "DF", "MF", "S"}));
    EXPECT_EQ(R.Trace().back(), "S@240/0") << "bands follow each other";
}

TEST(RP_PageBands, GrowingElementMakesItsBandTaller)
{
    Report R;
    R.Band(btMasterData, 0, 20);
    TView* Memo = R.Text(0, "[TEXT]", 20);
    Memo->SC = true;
    Memo->SetWordWrap(true);
    Memo->SetWidth(40);
    R.Band(btMasterFooter, 20, 20);
    R.Text(20, "END");
    R.Host.Values["TEXT"] = "aaaa bbbb cccc";
    R.Host.Rows[btMasterData] = 2;
    R.Build();
    // Three lines of 13 make the band 0 + 39 + 2 high.
    EXPECT_EQ(R.Trace(), (Rows{"aaaa@0/0", "bbbb@13/0", "cccc@26/0",
                               "aaaa@41/0", "bbbb@54/0", "cccc@67/0",
                               "END@82/0"}));
    EXPECT_EQ(Memo->GetHeight(), 20) << "the template height comes back";
}

// The host leaves elements out of a row through OnEnterRect: neither text
// nor frame, and a growing element left out grows nothing. A value that
// holds brackets is not asked for again when the measured text is drawn.
TEST(RP_PageBands, HostLeavesElementsOut)
{
    struct Hider {
        int Row = 0;
        void EnterRect(TObject*, TBandType, TStringList*, TView* View)
        {
            // Row 2 shows only the elements without a tag.
            View->Hidden = Row == 2 && View->Tag != 0;
        }
        void NeedData(TObject*, TBandType b, bool& NeedMore)
        {
            if (b == btMasterData)
                NeedMore = ++Row <= 2;
        }
    } H;
    Report R;
    R.Doc.OnEnterRect = TEnterRectEvent(&H, &Hider::EnterRect);
    R.Doc.OnNeedData = TNeedDataEvent(&H, &Hider::NeedData);
    R.Band(btMasterData, 0, 20);
    R.Text(0, "ROW", 20);
    TView* Framed = R.Text(0, "[V]", 20);
    Framed->SetLeft(100);
    Framed->Tag = 1;
    Framed->FrameTyp = 0x0F;
    Framed->SC = true;
    Framed->SetWordWrap(true);
    Framed->SetWidth(40);
    R.Host.Values["V"] = "[A] bbbb cccc";
    R.Host.Values["A"] = "asked again";
    R.Build();
    // Row 1: the framed element grows its band to 0 + 39 + 2.
    EXPECT_EQ(R.Trace(), (Rows{"ROW@0/0", "[A]@0/0", "bbbb@13/0", "cccc@26/0", "ROW@41/0"}));
    EXPECT_EQ(std::count(R.Host.Asked.begin(), R.Host.Asked.end(), "V"), 1);
    EXPECT_EQ(std::count(R.Host.Asked.begin(), R.Host.Asked.end(), "A"), 0);
}

TEST(RP_PageBands, TwoMasterBandsPrintTogether)
{
    Report R;
    R.Band(btMasterData, 60, 20);
    R.Text(60, "B[LINE]");
    R.Band(btMasterData, 40, 20);
    R.Text(40, "A[LINE]");
    R.Host.Rows[btMasterData] = 2;
    R.Build();
    EXPECT_EQ(R.Trace(), (Rows{"A1@40/0", "B1@60/0", "A2@80/0", "B2@100/0"}));
    EXPECT_EQ(std::count(R.Host.Log.begin(), R.Host.Log.end(), "NeedData 5"), 3)
        << "one data request per record, not per band";
}

TEST(RP_PageBands, ElementsOutsideBandsAndFooterPinning)
{
    Report R;
    R.Text(5, "FREE");
    R.Band(btMasterData, 40, 20);
    R.Text(40, "M[LINE]");
    R.Text(50, "CROSS", 20);  // reaches past the band's bottom
    R.Band(btPageFooter, 1100, 40);
    R.Text(1100, "F");
    R.Host.Rows[btMasterData] = 60;
    R.Build();
    const Rows T = R.Trace();
    EXPECT_EQ(T[0], "FREE@5/0");
    EXPECT_EQ(T[1], "CROSS@50/0") << "an element across a band's edge stays on the page";
    // The footer is moved up to end on the paper (1106 in output
    // coordinates), so the body ends at 1066.
    int Footers = 0;
    for (const std::string& Row : T)
        if (Row.rfind("F@", 0) == 0) {
            EXPECT_EQ(Row.substr(0, 7), "F@1066/");
            ++Footers;
        }
    EXPECT_EQ(Footers, 2);
    EXPECT_EQ(std::count(T.begin(), T.end(), "FREE@5/0"), 1) << "only on the first page";
}

TEST(RP_PageBands, PageWithoutBandsAsksForRows)
{
    Report R;
    R.Text(100, "ONLY");
    R.Host.Rows[btMasterData] = 3;
    R.Build();
    EXPECT_EQ(R.Trace(), (Rows{"ONLY@100/0"}));
    EXPECT_EQ(std::count(R.Host.Log.begin(), R.Host.Log.end(), "NeedData 5"), 4);
}

TEST(RP_PageBands, TooManyBandsOfOneKind)
{
    Report R;
    for (int I = 0; I < 1022; ++I)
        R.Band(btDetailHeader, I, 1);
    EXPECT_NO_THROW(R.Build());
    R.Band(btDetailHeader, 2000, 1);
    ExpectRaises<Exception>([&] { R.Build(); }, "Количество Band'ов больше 1023"_a);
    EXPECT_EQ(R.Doc.CurrentPage()->GetBand(btMasterData), nullptr) << "bands are released";
}

TEST(RP_PageBands, HostThatNeverStopsOnAnEmptyBandEndsTheBuild)
{
    Report R;
    R.Band(btMasterData, 40, 0);
    R.Host.Forever = true;
    ExpectRaises<Exception>([&] { R.Build(); }, "Количество Band'ов больше 1023"_a);
}

TEST(RP_PageBands, DoubleOnSheetPrintsTheReportTwiceOnOnePage)
{
    Report R;
    R.Band(btReportTitle, 0, 20);
    R.Text(0, "T");
    R.Band(btMasterData, 20, 20);
    R.Text(20, "M[LINE]");
    R.Doc.DoubleOnSheet = true;
    R.Host.Rows[btMasterData] = 2;
    R.Build();
    // The second copy starts at half the printable height, 1090 div 2.
    EXPECT_EQ(R.Trace(), (Rows{"T@0/0", "M1@20/0", "M2@40/0", "T@545/0"}));
    EXPECT_EQ(R.Doc.PageInfoCount(), 1);

    Report Long;
    Long.Band(btMasterData, 0, 20);
    Long.Text(0, "M");
    Long.Doc.DoubleOnSheet = true;
    Long.Host.Rows[btMasterData] = 60;
    Long.Build();
    EXPECT_EQ(Long.Doc.PageInfoCount(), 2) << "a report of two pages prints once";
    EXPECT_EQ(Long.Device.Draws.size(), 60u);
}

TEST(RP_PageBands, PrintToPrevPageContinuesTheLastOutputPage)
{
    Report R;
    R.Band(btMasterData, 0, 20);
    R.Text(0, "A[LINE]");
    R.Band(btReportTitle, 0, 20, 1);
    R.Text(0, "B", 20, 1);
    R.Doc.GetPage(1)->PrintToPrevPage = true;
    R.Host.Rows[btMasterData] = 2;
    R.Build();
    EXPECT_EQ(R.Trace(), (Rows{"A1@0/0", "A2@20/0", "B@40/0"}));
    EXPECT_EQ(R.Doc.PageInfoCount(), 1);
    EXPECT_EQ(R.Doc.PageNo, 1);

    R.Doc.GetPage(1)->PrintToPrevPage = false;
    R.Device.Draws.clear();
    R.Host.Rows[btMasterData] = 2;
    R.Build();
    EXPECT_EQ(R.Trace().back(), "B@0/1");
    EXPECT_EQ(R.Doc.PageInfoCount(), 2);
}

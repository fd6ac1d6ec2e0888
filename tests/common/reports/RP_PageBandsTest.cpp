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
    /// A band area as Band makes it, holding one text element (as Text
    /// makes it, 20 high) at its top.
    void Line(int Type, int Top, const char* S, int Height = 20, int Page = 0)
    {
        Band(Type, Top, Height, Page);
        Text(Top, S, 20, Page);
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
    R.Line(btPageHeader, 0, "H");
    R.Line(btMasterData, 40, "M[LINE]");
    R.Line(btPageFooter, 1000, "F[PAGE]");
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
    R.Line(btPageHeader, 0, "H");
    R.Line(btMasterData, 40, "M[LINE]");
    R.Doc.CurrentPage()->PageHeaderOnFirst = true;
    R.Host.Rows[btMasterData] = 2;
    R.Build();
    EXPECT_EQ(R.Trace(), (Rows{"H@0/0", "M1@20/0", "M2@40/0"}));
}

TEST(RP_PageBands, MasterDetailHeadersAndFooters)
{
    Report R;
    R.Line(btMasterHeader, 0, "MH");
    R.Line(btMasterData, 20, "M[LINE]");
    R.Line(btDetailHeader, 40, "DH");
    R.Line(btDetailData, 60, "D[LINE]");
    R.Line(btDetailFooter, 80, "DF");
    R.Line(btMasterFooter, 100, "MF");
    R.Line(btReportSummary, 120, "S");
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
    R.Line(btMasterFooter, 20, "END");
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
    R.Line(btMasterData, 0, "ROW");
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
    R.Line(btMasterData, 60, "B[LINE]");
    R.Line(btMasterData, 40, "A[LINE]");
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
    R.Line(btMasterData, 40, "M[LINE]");
    R.Text(50, "CROSS", 20);  // reaches past the band's bottom
    R.Line(btPageFooter, 1100, "F", 40);
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
    R.Line(btReportTitle, 0, "T");
    R.Line(btMasterData, 20, "M[LINE]");
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
    R.Line(btMasterData, 0, "A[LINE]");
    R.Line(btReportTitle, 0, "B", 20, 1);
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

namespace {

/// Rows of a trace that stand on output page Page.
Rows OnPage(const Rows& T, int Page)
{
    Rows Result;
    const std::string Tail = "/" + std::to_string(Page);
    for (const std::string& Row : T)
        if (Row.size() > Tail.size() && Row.compare(Row.size() - Tail.size(), Tail.size(), Tail) == 0)
            Result.push_back(Row);
    return Result;
}

/// The top of a trace row ("text@y/page").
int TopOf(const std::string& Row)
{
    return std::stoi(Row.substr(Row.find('@') + 1));
}

}  // namespace

// Two band areas of every kind on one page, 120 rows of 20 pixels (three
// output pages): the build ends, each band prints, no two texts of a page
// stand at one place, and every text stays above the page's lower edge.
TEST(RP_PageBands, TwoBandsOfEveryKind)
{
    for (int Kind = btReportTitle; Kind < btNone; ++Kind) {
        SCOPED_TRACE(Kind);
        Report R;
        // The usual frame around the doubled kind: a header above the
        // rows, a detail level below them, a footer at the bottom.
        const int Frame[] = {btPageHeader, btMasterHeader, btMasterData, btDetailHeader,
                             btDetailData, btDetailFooter, btMasterFooter, btReportSummary,
                             btPageFooter};
        int Top = 0;
        for (int T : Frame) {
            if (T == btPageFooter)
                Top = 1000;
            R.Band(T, Top, 20);
            R.Text(Top, ("K" + std::to_string(T)).c_str());
            Top += 20;
            if (T == Kind) {
                R.Band(T, Top, 20);
                R.Text(Top, ("L" + std::to_string(T)).c_str());
                Top += 20;
            }
        }
        if (Kind == btReportTitle || Kind == btOverlay || Kind == btSubDetailHeader
            || Kind == btSubDetailData || Kind == btSubDetailFooter) {
            R.Line(Kind, 600, ("K" + std::to_string(Kind)).c_str());
            R.Line(Kind, 620, ("L" + std::to_string(Kind)).c_str());
        }
        R.Doc.CurrentPage()->PageHeaderOnFirst = true;
        R.Host.Rows[btMasterData] = 40;
        R.Host.DetailPerMaster = 1;
        R.Host.Rows[btSubDetailData] = 3;  // under the first detail row
        ASSERT_NO_THROW(R.Build());

        const Rows T = R.Trace();
        const std::string Second = "L" + std::to_string(Kind);
        EXPECT_NE(std::find_if(T.begin(), T.end(),
                               [&](const std::string& Row) { return Row.rfind(Second + "@", 0) == 0; }),
                  T.end())
            << "the second band prints";
        ASSERT_GE(R.Doc.PageInfoCount(), 2);
        for (int Page = 0; Page < R.Doc.PageInfoCount(); ++Page) {
            SCOPED_TRACE(Page);
            Rows Here = OnPage(T, Page);
            std::sort(Here.begin(), Here.end(),
                      [](const std::string& A, const std::string& B) { return TopOf(A) < TopOf(B); });
            for (size_t I = 1; I < Here.size(); ++I) {
                const bool Overlay = Here[I].rfind("K13@", 0) == 0 || Here[I].rfind("L13@", 0) == 0
                    || Here[I - 1].rfind("K13@", 0) == 0 || Here[I - 1].rfind("L13@", 0) == 0;
                if (!Overlay) {
                    EXPECT_GE(TopOf(Here[I]), TopOf(Here[I - 1]) + 20) << Here[I - 1] << " " << Here[I];
                }
            }
            for (const std::string& Row : Here)
                EXPECT_LE(TopOf(Row) + 20, 1090) << Row;
        }
    }
}

TEST(RP_PageBands, TwoPageFootersAndTwoOverlaysOnEveryPage)
{
    Report R;
    R.Line(btOverlay, 500, "O1");
    R.Line(btOverlay, 520, "O2");
    R.Line(btMasterData, 0, "M[LINE]");
    R.Line(btPageFooter, 1050, "G");
    R.Line(btPageFooter, 1030, "F");
    R.Host.Rows[btMasterData] = 60;
    R.Build();
    // 51 rows fit above the upper footer at 1030.
    const Rows T = R.Trace();
    EXPECT_EQ(R.Doc.PageInfoCount(), 2);
    for (int Page = 0; Page < 2; ++Page) {
        SCOPED_TRACE(Page);
        const Rows Here = OnPage(T, Page);
        const std::string P = "/" + std::to_string(Page);
        for (const std::string& Want : {"O1@500" + P, "O2@520" + P, "F@1030" + P, "G@1050" + P})
            EXPECT_EQ(std::count(Here.begin(), Here.end(), Want), 1) << Want;
    }
    EXPECT_EQ(OnPage(T, 0)[2], "M1@0/0");
    EXPECT_NE(std::find(T.begin(), T.end(), "M51@1000/0"), T.end());
    EXPECT_NE(std::find(T.begin(), T.end(), "M52@0/1"), T.end());
}

TEST(RP_PageBands, TwoPageHeadersFollowEachOtherOnLaterPages)
{
    Report R;
    R.Line(btPageHeader, 0, "H1");
    R.Line(btPageHeader, 20, "H2");
    R.Line(btMasterData, 40, "M[LINE]");
    R.Host.Rows[btMasterData] = 60;
    R.Build();
    const Rows Second = OnPage(R.Trace(), 1);
    ASSERT_GE(Second.size(), 3u);
    EXPECT_EQ(Second[0], "H1@0/1");
    EXPECT_EQ(Second[1], "H2@20/1");
    EXPECT_EQ(Second[2], "M53@40/1");
}

// A record of two master bands (20 + 30) with 1000 - 20 = 980 pixels for
// rows: 19 records take 950, the 20th does not fit whole and goes to the
// next page together.
TEST(RP_PageBands, RecordOfTwoBandsIsNotSplitOverPages)
{
    Report R;
    R.Line(btMasterData, 20, "A[LINE]");
    R.Line(btMasterData, 40, "B[LINE]", 30);
    R.Line(btPageFooter, 1000, "F");
    R.Host.Rows[btMasterData] = 25;
    R.Build();
    const Rows T = R.Trace();
    EXPECT_NE(std::find(T.begin(), T.end(), "B19@940/0"), T.end());
    EXPECT_NE(std::find(T.begin(), T.end(), "A20@0/1"), T.end());
    EXPECT_NE(std::find(T.begin(), T.end(), "B20@20/1"), T.end());
}

TEST(RP_PageBands, LevelHeaderAboveChainedDataBandsPrintsOnce)
{
    Report R;
    R.Line(btMasterHeader, 0, "MH");
    R.Line(btMasterData, 20, "A[LINE]");
    R.Line(btMasterData, 40, "B[LINE]");
    R.Host.Rows[btMasterData] = 2;
    R.Build();
    EXPECT_EQ(R.Trace(), (Rows{"MH@0/0", "A1@20/0", "B1@40/0", "A2@60/0", "B2@80/0"}));
}

// With margins and no page footer, rows stop at the output page's lower
// edge (1090 on the fallback paper), as they do without margins.
TEST(RP_PageBands, RowsStayOnTheOutputPageWithMargins)
{
    for (const bool Margins : {false, true}) {
        SCOPED_TRACE(Margins);
        Report R;
        R.Line(btMasterData, 0, "M[LINE]");
        R.Doc.MarginTop = Margins ? 1000 : 0;
        R.Host.Rows[btMasterData] = 60;
        R.Build();
        const Rows First = OnPage(R.Trace(), 0);
        ASSERT_EQ(First.size(), 54u);
        EXPECT_EQ(First.back(), "M54@1060/0");
        EXPECT_EQ(R.Doc.GetPageInfo(0)->DrawingHeight(), 1090);
    }
}

// A page header taller than the page prints cut at the page's edge; it
// does not start page after page.
TEST(RP_PageBands, PageHeaderTallerThanThePageEnds)
{
    Report R;
    R.Line(btPageHeader, 0, "H", 1200);
    R.Line(btMasterData, 1200, "M[LINE]");
    R.Host.Rows[btMasterData] = 3;
    ASSERT_NO_THROW(R.Build());
    EXPECT_LE(R.Doc.PageInfoCount(), 4);
}

#include "common/reports/RP_Document.h"

#include "common/reports/RP_Page.h"
#include "common/reports/RP_View.h"

#include "platform/classes/Strings.h"
#include "platform/classes/TypInfo.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <vector>

namespace {

/// A host answering variables from a map and data rows from a count.
struct DataHost {
    std::map<AnsiString, AnsiString> Values;
    int Rows = 0;

    void GetValue(TObject*, TBandType, const AnsiString& Name, AnsiString& Value)
    {
        const auto It = Values.find(Name);
        if (It != Values.end())
            Value = It->second;
    }
    void NeedData(TObject*, TBandType, bool& NeedMore)
    {
        NeedMore = Rows > 0;
        --Rows;
    }
};

AnsiString ValueOf(TDocument& Doc, TBandType b, const AnsiString& Name)
{
    AnsiString Value = VarNotAnswered;
    Doc.DoGetValue(b, Name, Value);
    return Value;
}

}  // namespace

TEST(RP_Document, CreatedWithOneEmptyPortraitPage)
{
    TDocument Doc(nullptr);
    ASSERT_EQ(Doc.PageCount(), 1);
    EXPECT_EQ(Doc.PageIndex(), 0);
    EXPECT_EQ(Doc.CurrentPage()->Orientation, 0);
    EXPECT_EQ(Doc.Charset(), 204);
    EXPECT_TRUE(Doc.DefSaveAsIni());
    EXPECT_TRUE(Doc.PrinterPageDefaultSize);
    EXPECT_EQ(Doc.PrnIndex, -1);
    EXPECT_EQ(Doc.Scale(), 1.0);

    Doc.SetPageIndex(3);
    EXPECT_EQ(Doc.PageCount(), 4) << "selecting a page creates the pages up to it";
    Doc.Clear();
    EXPECT_EQ(Doc.CurrentPage(), nullptr);
    Doc.New();
    EXPECT_EQ(Doc.PageCount(), 1);
}

TEST(RP_Document, NameDocumentAndMargins)
{
    TDocument Doc(nullptr);
    Doc.SetTitle("Печать ценников"_a);
    EXPECT_EQ(Doc.NameDocument(), "Печать ценников"_a) << "the title stands in";
    Doc.SetNameDocument("Ценники"_a);
    EXPECT_EQ(Doc.NameDocument(), "Ценники"_a);

    Doc.SetMargins(true);
    EXPECT_FALSE(Doc.Margins()) << "reads the margins, not the value written";
    Doc.MarginBottom = 1;
    Doc.SetMargins(false);
    EXPECT_TRUE(Doc.Margins());
}

TEST(RP_Document, PublishedPropertiesAndEvents)
{
    std::vector<AnsiString> Names;
    for (PPropInfo P : GetPropList(TDocument::StaticClass()))
        Names.push_back(P->Name);
    for (const char* Name : {"Margins", "Title", "Variables", "NameDocument", "NameSaveFile",
                             "Category", "Version", "Charset", "DefSaveAsIni", "OnGetValue",
                             "OnNeedData", "OnLoadBegin", "OnSetPrinterEvent"})
        EXPECT_NE(std::find(Names.begin(), Names.end(), AnsiString(Name)), Names.end()) << Name;

    TDocument Doc(nullptr);
    TStringList Help;
    Help.Add("[PRICE] цена"_a);
    SetObjectProp(&Doc, "Variables", &Help);
    EXPECT_EQ(Doc.Variables()->Text(), "[PRICE] цена\r\n"_a) << "lines assigned, list kept";
    EXPECT_NE(Doc.Variables(), &Help);
}

TEST(RP_Document, BuiltInVariables)
{
    TDocument Doc(nullptr);
    Doc.SetTitle("Отчет"_a);
    Doc.PageNo = 4;
    Doc.LineMaster = 2;
    Doc.LineDetail = 5;
    Doc.LineSubDetail = 7;
    struct Case {
        TBandType Band;
        const char* Name;
        AnsiString Value;
        const char* Why;
    } const Cases[] = {
        {btPageHeader, "NAMEDOCUMENT", "Отчет"_a, "falls back to the title"},
        {btPageHeader, "page", "5", "1-based page, any case"},
        {btPageHeader, "PageNumber", "5", "page number"},
        {btDetailData, "Line", "5", "detail band: the detail line"},
        {btMasterData, "LINE", "2", "master band: the master line"},
        {btSubDetailFooter, "N", "5", "subdetail footer counts detail lines"},
        {btSubDetailData, "NN", "7", "subdetail band"},
        {btMasterData, "LINESUBDETAIL", "7", "named counter"},
        {btMasterData, "PRICE", VarNotAnswered, "unknown: left unanswered"},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Why);
        EXPECT_EQ(ValueOf(Doc, C.Band, C.Name), C.Value);
    }
    EXPECT_FALSE(ValueOf(Doc, btMasterData, "DATE").IsEmpty());

    DataHost Host;
    Host.Values["PAGE"] = "host";
    Doc.OnGetValue = TDetailEvent(&Host, &DataHost::GetValue);
    EXPECT_EQ(ValueOf(Doc, btMasterData, "PAGE"), "host") << "the host answers first";
}

TEST(RP_Document, LineCountersFollowTheRows)
{
    TDocument Doc(nullptr);
    DataHost Host;
    Doc.OnNeedData = TNeedDataEvent(&Host, &DataHost::NeedData);
    Doc.LineMaster = 9;
    Doc.DoBeginPage(0, nullptr, nullptr, nullptr);
    EXPECT_EQ(Doc.LineMaster, 0) << "every page restarts the counters";

    Host.Rows = 1;
    bool More = false;
    Doc.DoNeedData(btMasterData, More);
    EXPECT_TRUE(More);
    Host.Rows = 2;
    Doc.DoNeedData(btDetailData, More);
    Doc.DoNeedData(btDetailData, More);
    EXPECT_EQ(Doc.LineMaster, 1);
    EXPECT_EQ(Doc.LineDetail, 2);
    EXPECT_EQ(Doc.LineDetailTotal, 2);
    More = false;
    Host.Rows = 1;
    Doc.DoNeedData(btMasterData, More);
    EXPECT_EQ(Doc.LineDetail, 0) << "a new master row restarts the detail lines";
    EXPECT_EQ(Doc.LineDetailTotal, 2);
    More = false;
    Doc.DoNeedData(btMasterData, More);
    EXPECT_FALSE(More);
    EXPECT_EQ(Doc.LineMaster, 2);
}

TEST(RP_Document, SamplePreviewCountsDesignerRows)
{
    TDocument Doc(nullptr);
    Doc.SamplePreview = true;
    Doc.DefDesigner->BMasterCount = 2;
    Doc.DoBeginPage(0, nullptr, nullptr, nullptr);
    int Rows = 0;
    for (bool More = true; More;) {
        More = false;
        Doc.DoNeedData(btMasterData, More);
        Rows += More ? 1 : 0;
    }
    EXPECT_EQ(Rows, 2);
}

TEST(RP_Document, FallbackPrinterMetrics)
{
    struct Row {
        int PhysWidth, PhysHeight, PhysOffsetX, PhysOffsetY, HorzRes, VertRes;
        int PageWidth, PageHeight, OffsetX, OffsetY, PrintWidth, PrintHeight;
    } const Rows[2] = {
        {4960, 7015, 142, 100, 4676, 6815, 794, 1122, 23, 16, 748, 1090},
        {7015, 4960, 118, 100, 6779, 4760, 1122, 794, 19, 16, 1085, 762},
    };
    for (Byte O = 0; O < 2; ++O) {
        SCOPED_TRACE(int(O));
        TPrnInfo P;
        P.SetFallback(O);
        const Row& R = Rows[O];
        EXPECT_DOUBLE_EQ(P.ScaleX, 0.16);
        EXPECT_EQ(P.LogPixelsY, 600);
        EXPECT_EQ(P.PhysWidth, R.PhysWidth);
        EXPECT_EQ(P.PhysHeight, R.PhysHeight);
        EXPECT_EQ(P.PhysOffsetX, R.PhysOffsetX);
        EXPECT_EQ(P.PhysOffsetY, R.PhysOffsetY);
        EXPECT_EQ(P.HorzRes, R.HorzRes);
        EXPECT_EQ(P.VertRes, R.VertRes);
        EXPECT_EQ(P.PageWidth, R.PageWidth);
        EXPECT_EQ(P.PageHeight, R.PageHeight);
        EXPECT_EQ(P.OffsetX, R.OffsetX);
        EXPECT_EQ(P.OffsetY, R.OffsetY);
        EXPECT_EQ(P.PrintWidth, R.PrintWidth);
        EXPECT_EQ(P.PrintHeight, R.PrintHeight);
    }
    TPrnInfo Broken;
    ExpectRaises<Exception>([&] { Broken.Fill(PrinterCaps{}); }, "prn.LogPixelsX = 0");
}

TEST(RP_Document, PageExtentWithoutPrinterAndWithTemplatePaper)
{
    TDocument Doc(nullptr);
    Doc.UpdatePrnInfo(false);
    EXPECT_EQ(Doc.PrnIndex, -2) << "no printer: the fallback metrics";
    EXPECT_EQ(Doc.PageWidth, 794);
    EXPECT_EQ(Doc.OffsetX, 23);
    EXPECT_NE(Doc.PrnTick, 0u);

    Doc.PrinterPageDefaultSize = false;
    Doc.PrinterPageWidth = 10000;
    Doc.PrinterPageHeight = 5000;
    Doc.PrinterPageOffsetX = 500;
    int W = 0, OY = 0, OX = 0, H = 0;
    Doc.GetPageExtent(0, W, OY, OX, H);
    EXPECT_EQ(W, 378);
    EXPECT_EQ(H, 189);
    EXPECT_EQ(OX, 19);
    EXPECT_EQ(OY, 0);
    EXPECT_EQ(Doc.PrnInfo(0)->PrintWidth, 378 - 38);
}

namespace {

/// A printer that counts how often its capabilities are read.
class CountingPort : public ReportPrinter {
public:
    int PrinterIndex() override { return Index; }
    PrinterCaps ReadCaps(Byte Orientation) override
    {
        ++Reads;
        if (Fail)
            throw Exception("driver error");
        return Orientation == 0 ? PrinterCaps{300, 300, 2480, 3508, 60, 60, 2360, 3388}
                                : PrinterCaps{300, 300, 3508, 2480, 60, 60, 3388, 2360};
    }
    int Index = 0;
    int Reads = 0;
    bool Fail = false;
};

struct PortScope {
    explicit PortScope(ReportPrinter* Port) { InstallReportPrinter(Port); }
    ~PortScope() { InstallReportPrinter(nullptr); }
};

}  // namespace

TEST(RP_Document, PrinterMetricsAreCachedPerPrinter)
{
    CountingPort Port;
    const PortScope Scope(&Port);
    TDocument Doc(nullptr);
    Doc.UpdatePrnInfo(false);
    Doc.UpdatePrnInfo(false);
    EXPECT_EQ(Port.Reads, 2) << "both orientations once for two builds in a minute";
    EXPECT_EQ(Doc.PageWidth, 794);
    EXPECT_EQ(Doc.PrnInfo(1)->PrintWidth, 1084);

    TDocument Other(nullptr);
    Other.UpdatePrnInfo(false);
    Doc.PrnTick = 0;  // as after a template load
    Doc.UpdatePrnInfo(false);
    EXPECT_EQ(Port.Reads, 2) << "another document and a load use what the printer said";
    Doc.UpdatePrnInfo(true);
    EXPECT_EQ(Port.Reads, 4) << "a forced refresh asks the printer";

    Port.Index = 1;
    Doc.UpdatePrnInfo(false);
    EXPECT_EQ(Port.Reads, 6) << "another printer is read again";
    EXPECT_EQ(Doc.PrnIndex, 1);

    Port.Fail = true;
    ExpectRaises<Exception>([&] { Doc.UpdatePrnInfo(true); }, "driver error");
    EXPECT_EQ(Doc.PrnIndex, -2) << "fallback metrics after a printer failure";
    EXPECT_EQ(Doc.PrnInfo(0)->LogPixelsX, 600);
    EXPECT_EQ(Doc.PageWidth, 794) << "the page extent comes from the fallback paper";
    EXPECT_EQ(Doc.OffsetX, 23);
}

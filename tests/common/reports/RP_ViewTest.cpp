#include "common/reports/RP_View.h"

#include "common/reports/RP_Document.h"
#include "common/reports/RP_Page.h"

#include "common/base/IniFiles.h"
#include "platform/classes/Streams.h"
#include "platform/classes/Strings.h"
#include "platform/forms/Graphics.h"

#include "tests/common/reports/TemplateBytes.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

using namespace tpl;

namespace {

/// A document on the fallback paper (page width 794 px).
std::unique_ptr<TDocument> MakeDoc()
{
    auto Doc = std::make_unique<TDocument>(nullptr);
    Doc->UpdatePrnInfo(false);
    return Doc;
}

/// A text element read from Bytes.
std::unique_ptr<TView> ReadView(TDocument& Doc, const std::string& Bytes, bool Undo = false)
{
    auto View = std::make_unique<TView>(vkText, &Doc);
    MemoryBlockStream In(Bytes.data(), Bytes.size());
    View->LoadFromStream(In, Undo);
    EXPECT_EQ(In.Position(), In.Size()) << "the record ends at ENDTV";
    return View;
}

std::string WrittenBytes(TView& View, bool Undo)
{
    TMemoryStream Out;
    View.SaveToStream(Out, Undo);
    return std::string(static_cast<const char*>(Out.Memory()), size_t(Out.Size()));
}

}  // namespace

TEST(RP_View, GeometryFollowsTheScale)
{
    auto Doc = MakeDoc();
    TView& View = *new TView(vkText, Doc.get());
    Doc->CurrentPage()->AddView(&View);
    View.SetWidthMM(2540);
    EXPECT_EQ(View.GetWidth(), 96);
    Doc->SetScale(0.5);
    EXPECT_EQ(View.GetWidth(), 48);

    Doc->SetScale(1.0);
    View.SetLeft(37);
    EXPECT_NEAR(View.LeftMM(), 978.958333, 1e-5) << "stored unrounded";
    Doc->SetScale(2.0);
    EXPECT_EQ(View.GetLeft(), 74);
    Doc->SetScale(4.0);
    EXPECT_EQ(View.GetLeft(), 148);
    EXPECT_EQ(View.GetBoundsRect(), Rect(148, 0, 148 + 384, 0));
}

TEST(RP_View, BandAreaSpansThePage)
{
    auto Doc = MakeDoc();
    ASSERT_EQ(Doc->PageWidth, 794);
    TView Band(vkBandArea, Doc.get());
    Band.SetLeft(50);
    Band.SetWidth(10);
    Band.SetBoundsRect(Rect(5, 20, 30, 60));
    EXPECT_EQ(Band.GetLeft(), -1);
    EXPECT_EQ(Band.GetWidth(), 796);
    EXPECT_EQ(Band.GetTop(), 20);
    EXPECT_EQ(Band.GetHeight(), 40);

    Doc->OffsetX = 19;
    Doc->OffsetY = 16;
    EXPECT_EQ(Band.GetDisplayRect(), Rect(-1, 36, 795, 76)) << "a band area moves only down";
    TView Text(vkText, Doc.get());
    Text.SetBoundsRect(Rect(10, 10, 20, 20));
    EXPECT_EQ(Text.GetDisplayRect(), Rect(29, 26, 39, 36));
    Doc->OutputMode = true;
    EXPECT_EQ(Text.GetDisplayRect(), Rect(10, 10, 20, 20));
}

TEST(RP_View, RubberBandSelection)
{
    auto Doc = MakeDoc();
    Doc->OutputMode = true;  // display rectangle = bounds
    TView View(vkText, Doc.get());
    View.SetBoundsRect(Rect(10, 10, 50, 50));
    struct Case {
        TRect S;
        bool WholeOnly;
        bool Result;
        const char* Why;
    } const Cases[] = {
        {Rect(0, 0, 100, 100), true, true, "inside the band"},
        {Rect(20, 20, 30, 30), false, false, "surrounding the band"},
        {Rect(40, 40, 100, 100), false, true, "overlapping"},
        {Rect(40, 40, 100, 100), true, false, "overlapping, whole only"},
        {Rect(50, 50, 60, 60), false, true, "touching corner counts"},
        {Rect(51, 10, 60, 60), false, false, "apart"},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Why);
        EXPECT_EQ(View.InRect(C.S, C.WholeOnly), C.Result);
    }
    EXPECT_TRUE(View.PointInView(10, 10));
    EXPECT_FALSE(View.PointInView(50, 50)) << "right and bottom edges excluded";
}

TEST(RP_View, SelectionMarksThePageCountStale)
{
    auto Doc = MakeDoc();
    TPage* Page = Doc->CurrentPage();
    auto* View = new TView(vkText, Doc.get());
    Page->AddView(View);
    EXPECT_EQ(Doc->SelectedCount(), 0);
    View->SetSelected(true);
    EXPECT_EQ(Doc->SelectedCount(), 1);
}

TEST(RP_View, CopyKeepsEverythingButTheScaledPicture)
{
    auto Doc = MakeDoc();
    TView Source(vkText, Doc.get());
    Source.SetBoundsRect(Rect(1, 2, 30, 40));
    Source.FontName = "Courier New";
    Source.Lines->Add("a");
    Source.ShadowColor = 0x123456;
    Source.Selected = true;
    std::unique_ptr<TView> Copy(TView::CreateCopy(&Source, Doc.get()));
    EXPECT_EQ(WrittenBytes(*Copy, true), WrittenBytes(Source, true));
}

// ---- binary record --------------------------------------------------------------

TEST(RP_View, BinaryRecordWrittenInTagOrder)
{
    auto Doc = MakeDoc();
    TView View(vkText, Doc.get());
    View.SetBoundsRect(Rect(10, 20, 110, 50));
    View.Lines->Add("Цена"_a);
    View.BandTyp = 5;
    View.FrameTyp = 0x0F;
    const std::string Expected = TS(0, "TV") + TI(1, 0) + TI(2, 10) + TI(3, 20) + TI(4, 100) +
                                 TI(5, 30) + TB(6, false) + TI(7, 15) + TI(8, 1) + TI(11, 8) +
                                 TI(12, 0) + TI(13, 0) + TI(14, 1) + Str("Цена"_a) + TI(15, 0) +
                                 TB(16, false) + TI(17, 0) + TI(18, 1) + TI(19, 0x808080) +
                                 TI(20, 0) + TI(21, 0x1FFFFFFF) + TB(22, false) + TI(23, 5);
    // Arial is the reader's default, so tag 10 is left out.
    EXPECT_EQ(WrittenBytes(View, false), Expected + TS(255, "ENDTV"));
    EXPECT_EQ(WrittenBytes(View, true), Expected + TB(24, false) + TS(255, "ENDTV"));

    TView Empty(vkText, Doc.get());
    EXPECT_NE(WrittenBytes(Empty, false).find(TI(14, 0) + TI(15, 0)), std::string::npos)
        << "no lines: tag 14 with count 0";
}

TEST(RP_View, BinaryRecordReadingRules)
{
    auto Doc = MakeDoc();
    struct Case {
        std::string Tags;
        std::function<void(TView&)> Check;
        const char* Why;
    } const Cases[] = {
        {"", [](TView& V) { EXPECT_EQ(V.FontName, "Arial"); EXPECT_EQ(V.FontSize, 8); },
         "no tags: the element's own defaults"},
        {TI(7, 0x0105), [](TView& V) { EXPECT_EQ(V.FrameTyp, 0x0105); EXPECT_EQ(V.BandTyp, 5); },
         "frame word's low byte is the band type"},
        {TI(7, 0x0105) + TI(23, 9), [](TView& V) { EXPECT_EQ(V.BandTyp, 9); },
         "a later tag 23 replaces it"},
        {TI(9, 0x0D00),
         [](TView& V) { EXPECT_EQ(V.FontColor, 0xFF0000); EXPECT_EQ(V.FillColor, 0xFFFFFF); },
         "legacy pair: font blue (13), fill white (0)"},
        {TI(9, 0x0D00) + TI(20, 0x111111) + TI(21, 0x222222),
         [](TView& V) { EXPECT_EQ(V.FontColor, 0x111111); EXPECT_EQ(V.FillColor, 0x222222); },
         "later colour tags win"},
        {TS(10, std::string(100, 'F')), [](TView& V) { EXPECT_EQ(V.FontName.Length(), 80); },
         "font name cut to 80"},
        {TI(11, 9) + TI(11, 14), [](TView& V) { EXPECT_EQ(V.FontSize, 14); },
         "a repeated tag: the last value wins"},
        {TI(1, 0x101), [](TView& V) {
             EXPECT_EQ(V.Kind, vkPicture);
             ASSERT_TRUE(V.Picture);
             EXPECT_TRUE(V.Picture->Empty());
         }, "kind: low byte; a picture gets an empty bitmap"},
        {TI(14, 2) + Str("a") + Str(std::string(300, 'b')),
         [](TView& V) {
             ASSERT_EQ(V.Lines->Count(), 2);
             EXPECT_EQ(V.Lines->Strings(1).Length(), 300);
         }, "lines follow their count untagged, long strings included"},
        {TB(24, true), [](TView& V) { EXPECT_FALSE(V.Selected); },
         "selection read from a file is dropped"},
        {TB(6, true) + TB(22, true) + TI(12, 6) + TI(13, 0x288) + TI(17, 0x103),
         [](TView& V) {
             EXPECT_TRUE(V.SC);
             EXPECT_TRUE(V.DrawTextToFrame);
             EXPECT_EQ(V.FontStyle, 6);
             EXPECT_EQ(V.Alignment, 0x288u);
             EXPECT_EQ(V.Type3d, 3);
         }, "flags, style, alignment word, 3-D kind's low byte"},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Why);
        auto View = ReadView(*Doc, ViewRecord(C.Tags));
        C.Check(*View);
    }
    auto Undo = ReadView(*Doc, ViewRecord(TB(24, true)), /*Undo=*/true);
    EXPECT_TRUE(Undo->Selected) << "undo snapshots keep the selection";
}

TEST(RP_View, BinaryRecordErrors)
{
    auto Doc = MakeDoc();
    struct Case {
        std::string Bytes;
        AnsiString Text;
        const char* Why;
    } const Cases[] = {
        {TS(0, "TX") + TS(255, "ENDTV"), "Error loading report from file", "wrong start marker"},
        {TS(0, "TV") + TS(255, "END"), "Error loading report from file", "wrong end marker"},
        {ViewRecord(TI(25, 1)), "Error loading report from file\r\nUnknown DataPrefix [25]",
         "unknown tag"},
        {ViewRecord(TI(14, 1000) + Str("a")), "Error loading report from file",
         "more lines than bytes left"},
        {ViewRecord(TI(14, -1)), "Error loading report from file", "negative line count"},
        {TS(0, "TV") + TI(2, 5), "Stream read error", "record cut short"},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Why);
        TView View(vkText, Doc.get());
        MemoryBlockStream In(C.Bytes.data(), C.Bytes.size());
        ExpectRaises<Exception>([&] { View.LoadFromStream(In, false); }, C.Text);
    }
}

// ---- ini section ------------------------------------------------------------------

TEST(RP_View, IniSectionDefaults)
{
    auto Doc = MakeDoc();
    TIniFile Ini(/*InMemory=*/true, "");
    Ini.WriteString("P0V0", "T", "0");
    TView View(vkText, Doc.get());
    View.ShadowLen = 3;
    View.LoadFromIni(Ini, "P0V0");
    EXPECT_EQ(View.FontSize, 10) << "a new element has 8, a section without FS gives 10";
    EXPECT_EQ(View.GetHeight(), 80);
    EXPECT_EQ(View.GetWidth(), 80);
    EXPECT_EQ(View.FontName, "Arial");
    EXPECT_EQ(View.ShadowColor, 0x808080) << "kept when absent";
    EXPECT_EQ(View.ShadowLen, 3) << "kept when absent";
    EXPECT_EQ(View.FillColor, 0x1FFFFFFF);
    EXPECT_EQ(View.BandTyp, 0) << "taken from the missing FT";
}

TEST(RP_View, IniLegacyColourPair)
{
    auto Doc = MakeDoc();
    TIniFile Ini(/*InMemory=*/true, "");
    Ini.WriteString("V", "T", "0");
    Ini.WriteString("V", "FP", "-62208");  // 0xFFFF0D00 as 16 bits: 0x0D00
    TView View(vkText, Doc.get());
    View.LoadFromIni(Ini, "V");
    EXPECT_EQ(View.FontColor, 0xFF0000);
    EXPECT_EQ(View.FillColor, 0xFFFFFF);
}

TEST(RP_View, IniRoundTripAndErrors)
{
    auto Doc = MakeDoc();
    TView Source(vkText, Doc.get());
    Source.SetBoundsRect(Rect(3, 4, 53, 24));
    Source.Lines->Add("Итого: [SUM]"_a);
    Source.Lines->Add("");
    Source.FontName = "Tahoma";
    Source.FillColor = 0xC0C0C0;
    TIniFile Ini(/*InMemory=*/true, "");
    Source.SaveToIni(Ini, "P0V0");
    EXPECT_EQ(Ini.ReadString("P0V0", "MCount", ""), "2");
    EXPECT_EQ(Ini.ReadString("P0V0", "FN", ""), "\"Tahoma\"");
    TView Copy(vkText, Doc.get());
    Copy.LoadFromIni(Ini, "P0V0");
    EXPECT_EQ(WrittenBytes(Copy, true), WrittenBytes(Source, true));

    TView Picture(vkPicture, Doc.get());
    ExpectRaises<Exception>([&] { Picture.LoadFromIni(Ini, "P0V0"); },
                            "Тип не соответствует"_a);

    Ini.WriteString("P0V0", "MCount", "2147483647");
    ExpectRaises<Exception>([&] { Copy.LoadFromIni(Ini, "P0V0"); },
                            "Error loading report from file");
}

#include "common/reports/RP_Eng.h"

#include "platform/classes/Streams.h"
#include "platform/forms/Graphics.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

std::string BytesOf(const std::function<void(TStream&)>& Write)
{
    TMemoryStream Stream;
    Write(Stream);
    return std::string(static_cast<const char*>(Stream.Memory()), size_t(Stream.Size()));
}

struct ConversionCase {
    int In;
    int Out;
    const char* Why;
};

}  // namespace

TEST(RP_Eng, HundredthsMMToPixelsRoundsHalvesToEven)
{
    const ConversionCase Cases[] = {
        {2540, 96, "an inch"},
        {100, 4, "1 mm is 3.78 px"},
        {1000, 38, "1 cm is 37.8 px"},
        {1323, 50, "50.003 px"},
        {9000, 340, "9 cm"},
        {-2540, -96, "negative lengths mirror"},
        {0, 0, "zero"},
    };
    for (const ConversionCase& C : Cases) {
        SCOPED_TRACE(C.Why);
        EXPECT_EQ(HundredthsMMToPixels(C.In), C.Out);
    }
}

TEST(RP_Eng, PixelsToHundredthsMMRoundsHalvesToEven)
{
    const ConversionCase Cases[] = {
        {96, 2540, "an inch"},
        {1, 26, "26.46"},
        {80, 2117, "2116.67"},
        {12, 318, "317.5: the half goes to the even 318"},
        {36, 952, "952.5: the half goes to the even 952"},
        {60, 1588, "1587.5 up to the even 1588"},
        {84, 2222, "2222.5 down to the even 2222"},
    };
    for (const ConversionCase& C : Cases) {
        SCOPED_TRACE(C.Why);
        EXPECT_EQ(PixelsToHundredthsMM(C.In), C.Out);
    }
}

TEST(RP_Eng, ColourTableBothWays)
{
    EXPECT_EQ(ColorToIndex(0xFFFFFF), 0);
    EXPECT_EQ(ColorToIndex(0xFF0000), 13);  // blue in 0x00BBGGRR
    EXPECT_EQ(ColorToIndex(0x1FFFFFFF), 16);
    EXPECT_EQ(ColorToIndex(0x123456), 16);   // not in the table
    EXPECT_EQ(IndexToColor(2), 0x000080);
    EXPECT_EQ(IndexToColor(16), 0x1FFFFFFF);
    EXPECT_EQ(IndexToColor(17), 0);
    EXPECT_EQ(IndexToColor(-1), 0);
    for (int I = 0; I <= 16; ++I)
        EXPECT_EQ(ColorToIndex(IndexToColor(I)), I);
}

TEST(RP_Eng, ClassifyRect)
{
    const TRect B = Rect(10, 10, 100, 100);
    struct Case {
        TRect A;
        int Code;
        const char* Why;
    } const Cases[] = {
        {Rect(20, 20, 30, 30), 0, "inside"},
        {Rect(10, 10, 100, 100), 0, "both corners on B's edges"},
        {Rect(0, 0, 10, 10), 2, "touching only at a corner: overlap, corner outside"},
        {Rect(100, 20, 120, 30), 2, "touching along the right edge"},
        {Rect(101, 20, 120, 30), 1, "one pixel right of B"},
        {Rect(20, 0, 30, 9), 1, "above B"},
        {Rect(50, 50, 150, 60), 2, "sticking out"},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Why);
        int Code = -1;
        EXPECT_EQ(ClassifyRect(C.A, B, Code), C.Code == 0);
        EXPECT_EQ(Code, C.Code);
    }
    EXPECT_TRUE(PointInRectInclusive(B, Point(100, 100)));
    EXPECT_FALSE(PointInRectInclusive(B, Point(101, 100)));
}

TEST(RP_Eng, FindTextFrom)
{
    struct Case {
        const char* Sub;
        AnsiString S;
        int Start;
        bool CaseSensitive;
        int Pos;
        const char* Why;
    } const Cases[] = {
        {"ab", "xxAB", 1, false, 3, "case ignored"},
        {"ab", "xxAB", 1, true, 0, "case kept"},
        {"ab", "xxAB", 0, false, 3, "start 0 counts as 1"},
        {"ab", "abxxab", 2, true, 5, "position in the whole text"},
        {"ab", "ab", 3, true, 0, "start past the end"},
        {"", "ab", 1, true, 0, "empty substring"},
        {"цена"_a.c_str(), "ИТОГО ЦЕНА"_a, 1, false, 7, "CP1251 upper case"},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Why);
        EXPECT_EQ(FindTextFrom(C.Sub, C.S, C.Start, C.CaseSensitive), C.Pos);
    }
}

TEST(RP_Eng, StreamPrimitivesByteForByte)
{
    const std::string A255(255, 'a');
    const std::string A256(256, 'a');
    struct Case {
        std::function<void(TStream&)> Write;
        std::string Bytes;
        const char* Why;
    } const Cases[] = {
        {[](TStream& S) { RP_Eng::WriteString(S, ""); }, std::string("\x06\x00", 2), "empty"},
        {[&](TStream& S) { RP_Eng::WriteString(S, A255); }, "\x06\xFF" + A255, "255: short"},
        {[&](TStream& S) { RP_Eng::WriteString(S, A256); },
         std::string("\x0C\x00\x01\x00\x00", 5) + A256, "256: prefix 12, 4-byte length"},
        {[](TStream& S) { RP_Eng::WriteBoolean(S, true); }, "\xFF", "true"},
        {[](TStream& S) { RP_Eng::WriteBoolean(S, false); }, std::string(1, '\0'), "false"},
        {[](TStream& S) { RP_Eng::WriteInteger(S, -2); }, "\xFE\xFF\xFF\xFF", "signed LE"},
        {[](TStream& S) { RP_Eng::WriteIntegerTag(S, 7, 0x0105); },
         std::string("\x07\x05\x01\x00\x00", 5), "tag, then value"},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Why);
        const std::string Bytes = BytesOf(C.Write);
        EXPECT_EQ(Bytes, C.Bytes);
        if (Bytes.size() == 1) {
            MemoryBlockStream In(Bytes.data(), Bytes.size());
            EXPECT_EQ(RP_Eng::ReadBoolean(In), Bytes[0] != 0);
        }
    }
    const std::string Two("\x01", 1);
    MemoryBlockStream In(Two.data(), Two.size());
    EXPECT_TRUE(RP_Eng::ReadBoolean(In)) << "any non-zero byte is true";
}

TEST(RP_Eng, ReadStringErrors)
{
    struct Case {
        std::string Bytes;
        const char* Class;
        AnsiString Text;
        const char* Why;
    } const Cases[] = {
        {std::string("\x07\x01x", 3), "EReadError", "ReadString: Ошибка чтения"_a, "prefix 7"},
        {std::string("\x06\x05" "ab", 4), "EReadError", "Stream read error", "short stream"},
        {std::string("\x0C\xF0\xFF\xFF\x7F" "ab", 7), "Exception",
         "Error loading report from file", "2 GB claimed, refused before allocating"},
        {std::string("\x0C\xFB\xFF\xFF\xFF" "ab", 7), "Exception",
         "Error loading report from file", "negative length"},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Why);
        MemoryBlockStream In(C.Bytes.data(), C.Bytes.size());
        try {
            (void)RP_Eng::ReadString(In);
            ADD_FAILURE() << "nothing raised";
        } catch (const Exception& E) {
            EXPECT_STREQ(E.ClassName(), C.Class);
            EXPECT_EQ(E.Message, C.Text);
        }
    }
}

TEST(RP_Eng, LoadErrorTexts)
{
    ExpectRaises<Exception>([] { RaiseReportLoadError(); }, "Error loading report from file");
    ExpectRaises<Exception>([] { CheckReportLoad(false); }, "Error loading report from file");
    CheckReportLoad(true);
    ExpectRaises<Exception>([] { RaiseNotConfigFile(); },
                            "Error loading report from file\r\nFile is not a Report configfile");
    ExpectRaises<Exception>([] { RaiseUnknownDataPrefix(42); },
                            "Error loading report from file\r\nUnknown DataPrefix [42]");
}

TEST(RP_Eng, BandTypeNames)
{
    EXPECT_EQ(BandTypeName(btMasterData, false), "Master data");
    EXPECT_EQ(BandTypeName(btDetailHeader, true), "Заголовок детализированых"_a);
    EXPECT_EQ(BandTypeName(btNone, true), "");
    EXPECT_EQ(BandTypeName(200, false), "") << "kinds past btNone count as btNone";
}

TEST(RP_Eng, SelectionRectLeavesCopyPenAndSolidBrush)
{
    TBitmap Bitmap;
    Bitmap.SetWidth(20);
    Bitmap.SetHeight(20);
    TCanvas* Canvas = Bitmap.Canvas();
    Canvas->Brush()->SetColor(clWhite);
    Canvas->FillRect(Rect(0, 0, 20, 20));
    DrawSelectionRect(Canvas, Rect(2, 2, 18, 18));
    EXPECT_EQ(Canvas->Pen()->Mode(), pmCopy);
    EXPECT_EQ(Canvas->Brush()->Style(), bsSolid);
    EXPECT_EQ(Canvas->Pixels(2, 2) & 0xFFFFFF, 0x000000) << "white inverted to black";
    EXPECT_EQ(Canvas->Pixels(10, 10) & 0xFFFFFF, 0xFFFFFF) << "hollow inside";
}

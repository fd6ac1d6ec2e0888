// Pens, brushes, DIBs, polygons, curves, paths and clip combinations,
// checked pixel by pixel on bitmaps.

#include "platform/forms/Graphics.h"
#include "platform/winapi/Windows.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

constexpr COLORREF White = RGB(255, 255, 255);
constexpr COLORREF Black = RGB(0, 0, 0);
constexpr COLORREF Red = RGB(255, 0, 0);

struct Surface {
    TBitmap Bitmap;
    HDC DC;
    Surface(int W, int H)
    {
        Bitmap.SetSize(W, H);
        Bitmap.Canvas()->Brush()->SetColor(clWhite);
        Bitmap.Canvas()->FillRect(Rect(0, 0, W, H));
        DC = Bitmap.Canvas()->Handle();
    }
    COLORREF At(int X, int Y) { return GetPixel(DC, X, Y); }
};

// A DIB header with its colour table or masks, and the pixel bytes.
struct Dib {
    std::vector<unsigned char> Header;
    std::vector<unsigned char> Bits;
    Dib(int W, int H, int Bpp, DWORD Compression, std::vector<uint32_t> Table, std::vector<unsigned char> Pixels)
        : Bits(std::move(Pixels))
    {
        BITMAPINFOHEADER Info;
        Info.biWidth = W;
        Info.biHeight = H;
        Info.biBitCount = static_cast<Word>(Bpp);
        Info.biCompression = Compression;
        Info.biClrUsed = Bpp <= 8 ? static_cast<DWORD>(Table.size()) : 0;
        Header.resize(sizeof(Info) + Table.size() * 4);
        std::memcpy(Header.data(), &Info, sizeof(Info));
        if (!Table.empty())
            std::memcpy(Header.data() + sizeof(Info), Table.data(), Table.size() * 4);
    }
    const BITMAPINFO& Info() const { return *reinterpret_cast<const BITMAPINFO*>(Header.data()); }
    std::vector<unsigned char> Packed() const
    {
        std::vector<unsigned char> P = Header;
        P.insert(P.end(), Bits.begin(), Bits.end());
        return P;
    }
};

}  // namespace

TEST(GdiDraw, ExtCreatePenChecksItsStyle)
{
    const DWORD Dashes[] = {4, 2};
    const DWORD Zeros[] = {0, 0};
    struct Case {
        const char* Name;
        DWORD Style;
        DWORD Width;
        UINT Brush;
        DWORD Count;
        const DWORD* Lengths;
        bool Made;
    };
    const Case Cases[] = {
        {"cosmetic solid", PS_COSMETIC | PS_SOLID, 1, BS_SOLID, 0, nullptr, true},
        {"cosmetic pens are one pixel", PS_COSMETIC | PS_SOLID, 3, BS_SOLID, 0, nullptr, false},
        {"cosmetic alternate", PS_COSMETIC | PS_ALTERNATE, 1, BS_SOLID, 0, nullptr, true},
        {"geometric alternate", PS_GEOMETRIC | PS_ALTERNATE, 3, BS_SOLID, 0, nullptr, false},
        {"geometric flat and mitred", PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_FLAT | PS_JOIN_MITER, 5, BS_SOLID, 0, nullptr, true},
        {"user style", PS_GEOMETRIC | PS_USERSTYLE, 2, BS_SOLID, 2, Dashes, true},
        {"user style without lengths", PS_GEOMETRIC | PS_USERSTYLE, 2, BS_SOLID, 0, nullptr, false},
        {"user style of zeros", PS_GEOMETRIC | PS_USERSTYLE, 2, BS_SOLID, 2, Zeros, false},
        {"unknown style", PS_COSMETIC | 9, 1, BS_SOLID, 0, nullptr, false},
        {"unknown type", 0x20000, 1, BS_SOLID, 0, nullptr, false},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        LOGBRUSH B;
        B.lbStyle = C.Brush;
        HPEN Pen = ExtCreatePen(C.Style, C.Width, B, C.Count, C.Lengths);
        EXPECT_EQ(Pen != nullptr, C.Made);
        DeleteObject(Pen);
    }
}

TEST(GdiDraw, GeometricPenEndsFollowTheirCap)
{
    struct Case {
        const char* Name;
        DWORD Cap;
        bool PastTheEnd;
    };
    const Case Cases[] = {
        {"flat ends at the points", PS_ENDCAP_FLAT, false},
        {"square reaches half the width past them", PS_ENDCAP_SQUARE, true},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        Surface S(40, 20);
        LOGBRUSH B {BS_SOLID, Red, 0};
        HPEN Pen = ExtCreatePen(PS_GEOMETRIC | PS_SOLID | C.Cap, 6, B, 0, nullptr);
        HGDIOBJ Old = SelectObject(S.DC, Pen);
        MoveToEx(S.DC, 10, 10, nullptr);
        LineTo(S.DC, 30, 10);
        EXPECT_EQ(S.At(20, 8), Red);
        EXPECT_EQ(S.At(20, 12), Red);
        EXPECT_EQ(S.At(8, 10), C.PastTheEnd ? Red : White);
        SelectObject(S.DC, Old);
        DeleteObject(Pen);
    }
}

TEST(GdiDraw, CreateBrushIndirectMakesEachStyle)
{
    Surface S(16, 8);
    TBitmap Tile;
    Tile.SetSize(2, 2);
    Tile.Canvas()->Brush()->SetColor(clBlack);
    Tile.Canvas()->FillRect(Rect(0, 0, 2, 2));
    struct Case {
        const char* Name;
        LOGBRUSH Brush;
        bool Made;
        COLORREF At00;
    };
    const Case Cases[] = {
        {"solid", {BS_SOLID, Red, 0}, true, Red},
        {"hollow leaves the target", {BS_NULL, Red, 0}, true, White},
        {"hatched: the cross line", {BS_HATCHED, Red, HS_DIAGCROSS}, true, Red},
        {"hatch out of range", {BS_HATCHED, Red, 9}, false, White},
        {"pattern without a bitmap", {BS_PATTERN, 0, 0}, false, White},
        {"pattern of a bitmap", {BS_PATTERN, 0, reinterpret_cast<uintptr_t>(Tile.Handle())}, true, Black},
        {"unknown style", {77, Red, 0}, false, White},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        HBRUSH B = CreateBrushIndirect(C.Brush);
        EXPECT_EQ(B != nullptr, C.Made);
        FillRect(S.DC, Rect(0, 0, 16, 8), reinterpret_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        if (B)
            FillRect(S.DC, Rect(0, 0, 16, 8), B);
        EXPECT_EQ(S.At(0, 0), C.At00);
        DeleteObject(B);
    }
}

TEST(GdiDraw, DibsOfEveryDepthDrawTheirColours)
{
    // Each DIB is 2 x 2: red, green on the top row and blue, white below,
    // whatever its depth and row order.
    struct Case {
        const char* Name;
        Dib Picture;
    };
    const Case Cases[] = {
        {"24 bits, bottom-up", Dib(2, 2, 24, BI_RGB, {},
            {255, 0, 0, 255, 255, 255, 0, 0, 0, 0, 255, 0, 255, 0, 0, 0})},
        {"24 bits, top-down", Dib(2, -2, 24, BI_RGB, {},
            {0, 0, 255, 0, 255, 0, 0, 0, 255, 0, 0, 255, 255, 255, 0, 0})},
        {"32 bits", Dib(2, 2, 32, BI_RGB, {},
            {255, 0, 0, 0, 255, 255, 255, 0, 0, 0, 255, 0, 0, 255, 0, 0})},
        {"16 bits 5-6-5 masks", Dib(2, 2, 16, BI_BITFIELDS, {0xF800, 0x07E0, 0x001F},
            {0x1F, 0x00, 0xFF, 0xFF, 0x00, 0xF8, 0xE0, 0x07})},
        {"8-bit palette", Dib(2, 2, 8, BI_RGB, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF},
            {2, 3, 0, 0, 0, 1, 0, 0})},
        {"4-bit palette", Dib(2, 2, 4, BI_RGB, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF},
            {0x23, 0, 0, 0, 0x01, 0, 0, 0})},
        {"1-bit needs two colours: red and blue", Dib(2, 2, 1, BI_RGB, {0xFF0000, 0x0000FF},
            {0x40, 0, 0, 0, 0x40, 0, 0, 0})},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        Surface S(8, 8);
        EXPECT_EQ(StretchDIBits(S.DC, 0, 0, 4, 4, 0, 0, 2, 2, C.Picture.Bits.data(), C.Picture.Info(),
                      DIB_RGB_COLORS, SRCCOPY),
            2);
        const bool Mono = C.Picture.Info().bmiHeader.biBitCount == 1;
        EXPECT_EQ(S.At(0, 0), Red);
        EXPECT_EQ(S.At(1, 1), Red);  // stretched twice
        EXPECT_EQ(S.At(2, 0), Mono ? RGB(0, 0, 255) : RGB(0, 255, 0));
        EXPECT_EQ(S.At(0, 2), Mono ? Red : RGB(0, 0, 255));
        EXPECT_EQ(S.At(3, 3), Mono ? RGB(0, 0, 255) : White);
        EXPECT_EQ(S.At(4, 4), White);  // outside
    }
}

TEST(GdiDraw, DibSourceRectanglesCountFromTheBottomAndBadDibsDrawNothing)
{
    const Dib Picture(2, 2, 24, BI_RGB, {}, {255, 0, 0, 255, 255, 255, 0, 0, 0, 0, 255, 0, 255, 0, 0, 0});
    Surface S(8, 8);
    // Source row 0 of a bottom-up DIB is its bottom row: blue, white.
    StretchDIBits(S.DC, 0, 0, 2, 1, 0, 0, 2, 1, Picture.Bits.data(), Picture.Info(), DIB_RGB_COLORS, SRCCOPY);
    EXPECT_EQ(S.At(0, 0), RGB(0, 0, 255));
    // SetDIBitsToDevice given the second row from the bottom alone (the
    // top row): it lands on top and the row not given is left alone.
    const Dib TopRow(2, 2, 24, BI_RGB, {}, {0, 0, 255, 0, 255, 0, 0, 0});
    EXPECT_EQ(SetDIBitsToDevice(S.DC, 4, 4, 2, 2, 0, 0, 1, 1, TopRow.Bits.data(), TopRow.Info(), DIB_RGB_COLORS), 1);
    EXPECT_EQ(S.At(4, 4), Red);
    EXPECT_EQ(S.At(5, 4), RGB(0, 255, 0));
    EXPECT_EQ(S.At(4, 5), White);
    // The bottom row alone lands below.
    const Dib BottomRow(2, 2, 24, BI_RGB, {}, {255, 0, 0, 255, 255, 255, 0, 0});
    EXPECT_EQ(SetDIBitsToDevice(S.DC, 4, 4, 2, 2, 0, 0, 0, 1, BottomRow.Bits.data(), BottomRow.Info(), DIB_RGB_COLORS), 1);
    EXPECT_EQ(S.At(4, 5), RGB(0, 0, 255));
    EXPECT_EQ(S.At(5, 5), White);
    EXPECT_EQ(S.At(4, 4), Red);

    struct Bad {
        const char* Name;
        int Width;
        int Bpp;
        DWORD Compression;
        UINT Usage;
    };
    const Bad Rows[] = {
        {"no width", 0, 24, BI_RGB, DIB_RGB_COLORS},
        {"depth 7", 2, 7, BI_RGB, DIB_RGB_COLORS},
        {"run-length compressed", 2, 8, 1, DIB_RGB_COLORS},
        {"bit fields on 24 bits", 2, 24, BI_BITFIELDS, DIB_RGB_COLORS},
        {"palette indexes", 2, 24, BI_RGB, DIB_PAL_COLORS},
        {"too wide", 100000, 24, BI_RGB, DIB_RGB_COLORS},
        {"too many pixels", 16000, 24, BI_RGB, DIB_RGB_COLORS},
    };
    for (const Bad& B : Rows) {
        SCOPED_TRACE(B.Name);
        Surface T(4, 4);
        BITMAPINFO Info;
        Info.bmiHeader.biWidth = B.Width;
        Info.bmiHeader.biHeight = B.Width == 16000 ? 16000 : 2;
        Info.bmiHeader.biBitCount = static_cast<Word>(B.Bpp);
        Info.bmiHeader.biCompression = B.Compression;
        const unsigned char Bits[16] = {};
        EXPECT_EQ(StretchDIBits(T.DC, 0, 0, 4, 4, 0, 0, 2, 2, Bits, Info, B.Usage, SRCCOPY), 0);
        EXPECT_EQ(T.At(0, 0), White);
    }
}

TEST(GdiDraw, DibPatternBrushTilesItsPixels)
{
    const Dib Checker(2, 2, 24, BI_RGB, {}, {0, 0, 255, 255, 255, 255, 0, 0, 255, 255, 255, 0, 0, 255, 0, 0});
    const std::vector<unsigned char> Packed = Checker.Packed();
    HBRUSH Brush = CreateDIBPatternBrushPt(Packed.data(), DIB_RGB_COLORS);
    ASSERT_NE(Brush, nullptr);
    EXPECT_EQ(CreateDIBPatternBrushPt(Packed.data(), DIB_PAL_COLORS), nullptr);
    EXPECT_EQ(CreateDIBPatternBrushPt(nullptr, DIB_RGB_COLORS), nullptr);
    Surface S(6, 6);
    FillRect(S.DC, Rect(0, 0, 6, 6), Brush);
    // Top row of the DIB (stored last): white, red.
    EXPECT_EQ(S.At(0, 0), White);
    EXPECT_EQ(S.At(1, 0), Red);
    EXPECT_EQ(S.At(0, 1), Red);
    EXPECT_EQ(S.At(2, 2), White);
    EXPECT_EQ(S.At(5, 4), Red);
    DeleteObject(Brush);
}

TEST(GdiDraw, HalftoneAveragesWhatItShrinks)
{
    Surface Source(2, 1);
    SetPixel(Source.DC, 0, 0, Black);
    struct Case {
        int Mode;
        bool Grey;
    };
    for (const Case C : {Case {COLORONCOLOR, false}, Case {HALFTONE, true}}) {
        SCOPED_TRACE(C.Mode);
        Surface S(4, 4);
        SetStretchBltMode(S.DC, C.Mode);
        StretchBlt(S.DC, 0, 0, 1, 1, Source.DC, 0, 0, 2, 1, SRCCOPY);
        const COLORREF P = S.At(0, 0);
        const bool Grey = GetRValue(P) > 60 && GetRValue(P) < 200;
        EXPECT_EQ(Grey, C.Grey) << std::hex << P;
    }
    Surface S(1, 1);
    EXPECT_EQ(SetStretchBltMode(S.DC, 9), 0);
    EXPECT_EQ(GetStretchBltMode(S.DC), BLACKONWHITE);
}

TEST(GdiDraw, PolyPolygonFillModesAndCurves)
{
    // Two squares, one inside the other, both drawn the same way round: the
    // inner one is a hole in alternate mode and filled in winding mode.
    const TPoint Points[] = {{0, 0}, {20, 0}, {20, 20}, {0, 20}, {5, 5}, {15, 5}, {15, 15}, {5, 15}};
    const int Counts[] = {4, 4};
    for (const int Mode : {ALTERNATE, WINDING}) {
        SCOPED_TRACE(Mode);
        Surface S(24, 24);
        HBRUSH Brush = CreateSolidBrush(Red);
        HGDIOBJ OldBrush = SelectObject(S.DC, Brush);
        SelectObject(S.DC, GetStockObject(NULL_PEN));
        SetPolyFillMode(S.DC, Mode);
        ASSERT_TRUE(PolyPolygon(S.DC, Points, Counts, 2));
        EXPECT_EQ(S.At(2, 10), Red);
        EXPECT_EQ(S.At(10, 10), Mode == WINDING ? Red : White);
        SelectObject(S.DC, OldBrush);
        DeleteObject(Brush);
    }
    Surface S(24, 24);
    const int Short[] = {4, 1};
    EXPECT_FALSE(PolyPolygon(S.DC, Points, Short, 2));
    EXPECT_EQ(SetPolyFillMode(S.DC, 5), 0);
    // A curve: start point, then three points each; it ends on its last point.
    const TPoint Curve[] = {{2, 20}, {2, 2}, {20, 2}, {20, 20}};
    EXPECT_FALSE(PolyBezier(S.DC, Curve, 3));
    ASSERT_TRUE(PolyBezier(S.DC, Curve, 4));
    EXPECT_EQ(S.At(2, 20), Black);
    EXPECT_EQ(S.At(11, 6), Black);  // the top of the arch
    EXPECT_EQ(S.At(11, 12), White);
}

TEST(GdiDraw, PathsCollectOutlinesAndDrawThemOnce)
{
    Surface S(30, 30);
    HBRUSH Brush = CreateSolidBrush(Red);
    HGDIOBJ Old = SelectObject(S.DC, Brush);
    EXPECT_FALSE(FillPath(S.DC));  // no path yet
    ASSERT_TRUE(BeginPath(S.DC));
    MoveToEx(S.DC, 2, 2, nullptr);
    LineTo(S.DC, 26, 2);
    LineTo(S.DC, 14, 26);
    CloseFigure(S.DC);
    Rectangle(S.DC, 20, 20, 28, 28);
    EXPECT_EQ(S.At(10, 2), White);  // nothing drawn inside the bracket
    EXPECT_FALSE(FillPath(S.DC));   // still open
    ASSERT_TRUE(EndPath(S.DC));
    ASSERT_TRUE(FillPath(S.DC));
    EXPECT_EQ(S.At(14, 8), Red);
    EXPECT_EQ(S.At(24, 24), Red);
    EXPECT_EQ(S.At(4, 20), White);
    EXPECT_FALSE(StrokePath(S.DC));  // used up
    // An aborted path draws nothing.
    BeginPath(S.DC);
    Rectangle(S.DC, 0, 0, 5, 5);
    AbortPath(S.DC);
    EXPECT_FALSE(EndPath(S.DC));
    // The outline of a stroked path is in the pen.
    BeginPath(S.DC);
    MoveToEx(S.DC, 2, 28, nullptr);
    LineTo(S.DC, 12, 28);
    EndPath(S.DC);
    ASSERT_TRUE(StrokePath(S.DC));
    EXPECT_EQ(S.At(6, 28), Black);
    SelectObject(S.DC, Old);
    DeleteObject(Brush);
}

TEST(GdiDraw, ExtSelectClipRgnCombinesWithTheClip)
{
    // The clip starts as the left half; the region is the top half. Probes:
    // top-left (both), bottom-left (clip only), top-right (region only),
    // bottom-right (neither).
    struct Case {
        int Mode;
        int Result;
        bool TopLeft, BottomLeft, TopRight, BottomRight;
    };
    const Case Cases[] = {
        {RGN_AND, SIMPLEREGION, true, false, false, false},
        {RGN_OR, COMPLEXREGION, true, true, true, false},
        {RGN_XOR, COMPLEXREGION, false, true, true, false},
        {RGN_DIFF, SIMPLEREGION, false, true, false, false},
        {RGN_COPY, SIMPLEREGION, true, false, true, false},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Mode);
        Surface S(20, 20);
        IntersectClipRect(S.DC, 0, 0, 10, 20);
        HRGN Top = CreateRectRgn(0, 0, 20, 10);
        EXPECT_EQ(ExtSelectClipRgn(S.DC, Top, C.Mode), C.Result);
        DeleteObject(Top);
        HBRUSH Brush = CreateSolidBrush(Red);
        FillRect(S.DC, Rect(0, 0, 20, 20), Brush);
        DeleteObject(Brush);
        SelectClipRgn(S.DC, nullptr);
        EXPECT_EQ(S.At(5, 5) == Red, C.TopLeft);
        EXPECT_EQ(S.At(5, 15) == Red, C.BottomLeft);
        EXPECT_EQ(S.At(15, 5) == Red, C.TopRight);
        EXPECT_EQ(S.At(15, 15) == Red, C.BottomRight);
    }
    Surface S(4, 4);
    EXPECT_EQ(ExtSelectClipRgn(S.DC, nullptr, RGN_AND), ERROR);
    IntersectClipRect(S.DC, 0, 0, 1, 1);
    EXPECT_EQ(ExtSelectClipRgn(S.DC, nullptr, RGN_COPY), SIMPLEREGION);
    TRect Box;
    GetClipBox(S.DC, Box);
    EXPECT_EQ(Box, Rect(0, 0, 4, 4));
}

// A line from millions of pixels away is drawn where it crosses the
// bitmap, at once, with its dashes in phase.
TEST(GdiDraw, FarLinesAreCutToTheSurface)
{
    TBitmap B;
    B.SetSize(40, 20);
    B.Canvas()->Brush()->SetColor(clWhite);
    B.Canvas()->FillRect(Rect(0, 0, 40, 20));
    HDC DC = B.Canvas()->Handle();
    MoveToEx(DC, -300000000, 10, nullptr);
    LineTo(DC, 300000000, 10);
    for (int X = 0; X < 40; ++X)
        EXPECT_EQ(GetPixel(DC, X, 10), RGB(0, 0, 0)) << X;
    EXPECT_EQ(GetPixel(DC, 5, 9), RGB(255, 255, 255));
    // Ending inside: the end pixel is still left out.
    MoveToEx(DC, 0, -200000, nullptr);
    LineTo(DC, 0, 5);
    EXPECT_EQ(GetPixel(DC, 0, 4), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(DC, 0, 5), RGB(255, 255, 255));
}

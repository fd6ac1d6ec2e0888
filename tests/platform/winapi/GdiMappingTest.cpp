// Mapping modes, extents, origins and the world transform, checked by
// drawing through them and probing the pixels that land on the bitmap.

#include "platform/forms/Graphics.h"
#include "platform/winapi/Windows.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

constexpr COLORREF White = RGB(255, 255, 255);
constexpr COLORREF Red = RGB(255, 0, 0);

// A white 100 x 100 bitmap and its DC.
struct Surface {
    TBitmap Bitmap;
    HDC DC;
    Surface()
    {
        Bitmap.SetSize(100, 100);
        Bitmap.Canvas()->Brush()->SetColor(clWhite);
        Bitmap.Canvas()->FillRect(Rect(0, 0, 100, 100));
        DC = Bitmap.Canvas()->Handle();
    }
    // The device pixel, whatever mapping and clip are in effect.
    COLORREF At(int X, int Y)
    {
        const int Saved = SaveDC(DC);
        SetGraphicsMode(DC, GM_ADVANCED);
        ModifyWorldTransform(DC, nullptr, MWT_IDENTITY);
        SetGraphicsMode(DC, GM_COMPATIBLE);
        SetMapMode(DC, MM_TEXT);
        SetWindowOrgEx(DC, 0, 0, nullptr);
        SetViewportOrgEx(DC, 0, 0, nullptr);
        SelectClipRgn(DC, nullptr);
        const COLORREF C = GetPixel(DC, X, Y);
        RestoreDC(DC, Saved);
        return C;
    }
    void FillLogical(const TRect& R)
    {
        HBRUSH B = CreateSolidBrush(Red);
        FillRect(DC, R, B);
        DeleteObject(B);
    }
};

struct Probe {
    int X;
    int Y;
    bool Filled;
};

struct MappingCase {
    const char* Name;
    std::function<void(HDC)> Setup;
    TRect Logical;
    std::vector<Probe> Probes;
};

// Each row sets a mapping up, fills a logical rectangle in red and names
// device pixels that must (or must not) have been filled.
const std::vector<MappingCase>& MappingCases()
{
    static const std::vector<MappingCase> Cases = {
        {"MM_TEXT moves by viewport origin less window origin",
            [](HDC DC) {
                SetWindowOrgEx(DC, 10, 10, nullptr);
                SetViewportOrgEx(DC, 20, 5, nullptr);
            },
            {10, 10, 20, 20}, {{20, 5, true}, {29, 14, true}, {19, 5, false}, {30, 15, false}, {10, 10, false}}},
        {"MM_ANISOTROPIC scales each axis by its own extents",
            [](HDC DC) {
                SetMapMode(DC, MM_ANISOTROPIC);
                SetWindowExtEx(DC, 100, 100, nullptr);
                SetViewportExtEx(DC, 50, 200, nullptr);
            },
            {0, 0, 40, 20}, {{0, 0, true}, {19, 39, true}, {20, 10, false}, {10, 40, false}}},
        {"MM_ANISOTROPIC with a negative extent turns the y axis upwards",
            [](HDC DC) {
                SetMapMode(DC, MM_ANISOTROPIC);
                SetWindowExtEx(DC, 10, 10, nullptr);
                SetViewportExtEx(DC, 10, -10, nullptr);
                SetViewportOrgEx(DC, 0, 50, nullptr);
            },
            {0, 0, 10, 10}, {{0, 40, true}, {9, 49, true}, {5, 50, false}, {5, 39, false}}},
        {"MM_ISOTROPIC shrinks the larger scale to the smaller",
            [](HDC DC) {
                SetMapMode(DC, MM_ISOTROPIC);
                SetWindowExtEx(DC, 100, 100, nullptr);
                SetViewportExtEx(DC, 50, 200, nullptr);
            },
            {0, 0, 40, 20}, {{19, 9, true}, {19, 10, false}, {20, 5, false}}},
        {"MM_HIMETRIC: 2540 units an inch, y upwards",
            [](HDC DC) { SetMapMode(DC, MM_HIMETRIC); },
            {0, 0, 1270, -1270}, {{0, 0, true}, {47, 47, true}, {48, 20, false}, {20, 48, false}}},
        {"MM_LOMETRIC: 254 units an inch, y upwards, origins in logical units",
            [](HDC DC) {
                SetMapMode(DC, MM_LOMETRIC);
                SetWindowOrgEx(DC, -254, 254, nullptr);
            },
            {0, 0, 127, -127}, {{96, 96, true}, {99, 99, true}, {95, 96, false}, {96, 95, false}}},
        {"world translation before the page transform",
            [](HDC DC) {
                SetGraphicsMode(DC, GM_ADVANCED);
                SetWorldTransform(DC, XFORM {1, 0, 0, 1, 10, 20});
                SetViewportOrgEx(DC, 5, 0, nullptr);
            },
            {0, 0, 10, 10}, {{15, 20, true}, {24, 29, true}, {14, 20, false}, {25, 30, false}}},
        {"world scale",
            [](HDC DC) {
                SetGraphicsMode(DC, GM_ADVANCED);
                SetWorldTransform(DC, XFORM {2, 0, 0, 2, 0, 0});
            },
            {5, 5, 10, 10}, {{10, 10, true}, {19, 19, true}, {9, 10, false}, {20, 20, false}}},
        {"world rotation by a quarter turn",
            [](HDC DC) {
                SetGraphicsMode(DC, GM_ADVANCED);
                // x' = 50 - y, y' = x
                SetWorldTransform(DC, XFORM {0, 1, -1, 0, 50, 0});
            },
            {0, 0, 20, 10}, {{45, 5, true}, {42, 17, true}, {45, 25, false}, {35, 5, false}}},
    };
    return Cases;
}

}  // namespace

TEST(GdiMapping, FillsLandWhereTheMappingSends)
{
    for (const MappingCase& C : MappingCases()) {
        SCOPED_TRACE(C.Name);
        Surface S;
        C.Setup(S.DC);
        S.FillLogical(C.Logical);
        for (const Probe& P : C.Probes) {
            SCOPED_TRACE(testing::Message() << "probe " << P.X << "," << P.Y);
            EXPECT_EQ(S.At(P.X, P.Y), P.Filled ? Red : White);
        }
    }
}

TEST(GdiMapping, LinesShapesAndPixelsFollowTheMapping)
{
    Surface S;
    SetMapMode(S.DC, MM_ANISOTROPIC);
    SetWindowExtEx(S.DC, 1, 1, nullptr);
    SetViewportExtEx(S.DC, 4, 4, nullptr);
    // A pen one logical unit wide is four pixels wide here.
    HPEN Pen = CreatePen(PS_SOLID, 1, Red);
    HGDIOBJ OldPen = SelectObject(S.DC, Pen);
    MoveToEx(S.DC, 1, 5, nullptr);
    LineTo(S.DC, 10, 5);
    EXPECT_EQ(S.At(20, 18), Red);
    EXPECT_EQ(S.At(20, 21), Red);
    EXPECT_EQ(S.At(20, 24), White);
    // A zero-width pen stays one pixel whatever the scale.
    HPEN Thin = CreatePen(PS_SOLID, 0, Red);
    SelectObject(S.DC, Thin);
    MoveToEx(S.DC, 1, 15, nullptr);
    LineTo(S.DC, 10, 15);
    EXPECT_EQ(S.At(20, 60), Red);
    EXPECT_EQ(S.At(20, 61), White);
    EXPECT_EQ(S.At(20, 59), White);
    // An ellipse filled with the brush around its mapped centre.
    HBRUSH Brush = CreateSolidBrush(RGB(0, 0, 255));
    HGDIOBJ OldBrush = SelectObject(S.DC, Brush);
    Ellipse(S.DC, 15, 15, 25, 25);
    EXPECT_EQ(S.At(80, 80), RGB(0, 0, 255));
    EXPECT_EQ(S.At(61, 61), White);
    SetPixel(S.DC, 2, 22, RGB(0, 255, 0));
    EXPECT_EQ(S.At(8, 88), RGB(0, 255, 0));
    EXPECT_EQ(GetPixel(S.DC, 2, 22), RGB(0, 255, 0));
    SelectObject(S.DC, OldPen);
    SelectObject(S.DC, OldBrush);
    DeleteObject(Pen);
    DeleteObject(Thin);
    DeleteObject(Brush);
}

TEST(GdiMapping, PointsConvertBothWaysAndTheClipIsDevicePixels)
{
    Surface S;
    SetMapMode(S.DC, MM_HIMETRIC);
    SetViewportOrgEx(S.DC, 0, 96, nullptr);
    TPoint Points[2] = {{2540, 2540}, {1270, 0}};
    ASSERT_TRUE(LPtoDP(S.DC, Points, 2));
    EXPECT_EQ(Points[0], (TPoint {96, 0}));
    EXPECT_EQ(Points[1], (TPoint {48, 96}));
    ASSERT_TRUE(DPtoLP(S.DC, Points, 2));
    EXPECT_EQ(Points[0], (TPoint {2540, 2540}));
    EXPECT_EQ(Points[1], (TPoint {1270, 0}));
    // A clip set in logical units is kept in device pixels; the box comes
    // back in logical units.
    IntersectClipRect(S.DC, 0, 1270, 1270, 0);
    TRect Box;
    EXPECT_EQ(GetClipBox(S.DC, Box), SIMPLEREGION);
    EXPECT_EQ(Box, Rect(0, 0, 1270, 1270));
    S.FillLogical(Rect(0, 2540, 2540, 0));
    EXPECT_EQ(S.At(47, 95), Red);
    EXPECT_EQ(S.At(48, 95), White);
    EXPECT_EQ(S.At(10, 47), White);
}

TEST(GdiMapping, ModesAndTransformsFollowTheirRules)
{
    Surface S;
    // Extents count only in the free modes.
    EXPECT_EQ(SetMapMode(S.DC, MM_LOMETRIC), MM_TEXT);
    TSize Ext;
    EXPECT_TRUE(SetWindowExtEx(S.DC, 5, 5, nullptr));
    GetWindowExtEx(S.DC, Ext);
    EXPECT_EQ(Ext, (TSize {254, 254}));
    SetMapMode(S.DC, MM_ANISOTROPIC);
    EXPECT_FALSE(SetWindowExtEx(S.DC, 0, 5, nullptr));
    EXPECT_EQ(SetMapMode(S.DC, 99), 0);
    EXPECT_EQ(GetMapMode(S.DC), MM_ANISOTROPIC);
    SetMapMode(S.DC, MM_TEXT);
    GetViewportExtEx(S.DC, Ext);
    EXPECT_EQ(Ext, (TSize {1, 1}));

    // The world transform needs the advanced mode, and the compatible mode
    // comes back only with the identity.
    const XFORM Shift {1, 0, 0, 1, 10, 0};
    EXPECT_FALSE(SetWorldTransform(S.DC, Shift));
    EXPECT_EQ(SetGraphicsMode(S.DC, GM_ADVANCED), GM_COMPATIBLE);
    EXPECT_FALSE(SetWorldTransform(S.DC, XFORM {0, 0, 0, 0, 0, 0}));  // not invertible
    ASSERT_TRUE(SetWorldTransform(S.DC, Shift));
    EXPECT_EQ(SetGraphicsMode(S.DC, GM_COMPATIBLE), 0);
    const XFORM Double {2, 0, 0, 2, 0, 0};
    // Left: the new transform first, then the old; right: the other way.
    TPoint P {5, 0};
    ModifyWorldTransform(S.DC, &Double, MWT_LEFTMULTIPLY);
    LPtoDP(S.DC, &P, 1);
    EXPECT_EQ(P.X, 20);
    SetWorldTransform(S.DC, Shift);
    ModifyWorldTransform(S.DC, &Double, MWT_RIGHTMULTIPLY);
    P = {5, 0};
    LPtoDP(S.DC, &P, 1);
    EXPECT_EQ(P.X, 30);
    EXPECT_TRUE(ModifyWorldTransform(S.DC, nullptr, MWT_IDENTITY));
    EXPECT_EQ(SetGraphicsMode(S.DC, GM_COMPATIBLE), GM_ADVANCED);

    // SaveDC keeps the whole mapping.
    const int Saved = SaveDC(S.DC);
    SetMapMode(S.DC, MM_HIMETRIC);
    SetWindowOrgEx(S.DC, 7, 7, nullptr);
    RestoreDC(S.DC, Saved);
    EXPECT_EQ(GetMapMode(S.DC), MM_TEXT);
    TPoint Org;
    GetWindowOrgEx(S.DC, Org);
    EXPECT_EQ(Org, (TPoint {0, 0}));
}

TEST(GdiMapping, TextStaysUprightAndScalesWithTheMapping)
{
    Surface S;
    SetMapMode(S.DC, MM_HIMETRIC);
    LOGFONT LF;
    LF.lfHeight = -847;  // 8.47 mm: 32 pixels at 96 dpi
    LF.lfFaceName = "Arial";
    HFONT Font = CreateFontIndirect(LF);
    HGDIOBJ Old = SelectObject(S.DC, Font);
    SetBkMode(S.DC, TRANSPARENT);
    TSize Extent;
    GetTextExtentPoint32(S.DC, "H", 1, Extent);
    // Extents are in logical units: about a centimetre for a 32-pixel cell.
    EXPECT_GT(Extent.cy, 900);
    EXPECT_LT(Extent.cy, 1200);
    // Drawn from the top-left corner, the letter hangs below it on the
    // device (y runs upwards in logical units) and is upright: its
    // crossbar is in the middle third of the ink.
    SetViewportOrgEx(S.DC, 10, 10, nullptr);
    TextOut(S.DC, 0, 0, "H", 1);
    int Top = 100, Bottom = -1;
    for (int Y = 0; Y < 100; ++Y)
        for (int X = 0; X < 100; ++X)
            if (S.At(X, Y) != White) {
                Top = std::min(Top, Y);
                Bottom = std::max(Bottom, Y);
            }
    ASSERT_GE(Bottom, 0) << "no ink";
    EXPECT_GE(Top, 10);
    EXPECT_GT(Bottom - Top, 18);
    EXPECT_LT(Bottom - Top, 32);
    SelectObject(S.DC, Old);
    DeleteObject(Font);
}

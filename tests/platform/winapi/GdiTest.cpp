// Drawing on a device context, checked pixel by pixel on bitmaps.

#include "platform/forms/Graphics.h"
#include "platform/winapi/SystemMetrics.h"
#include "platform/winapi/Windows.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

// A white bitmap of the given size and its DC.
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
    void Fill(COLORREF C)
    {
        HBRUSH B = CreateSolidBrush(C);
        FillRect(DC, Rect(0, 0, Bitmap.Width(), Bitmap.Height()), B);
        DeleteObject(B);
    }
};

constexpr COLORREF White = RGB(255, 255, 255);
constexpr COLORREF Black = RGB(0, 0, 0);

}  // namespace

TEST(Gdi, FillRectAndFrameRectCoverExactlyTheirPixels)
{
    Surface S(10, 10);
    HBRUSH Red = CreateSolidBrush(RGB(255, 0, 0));
    FillRect(S.DC, Rect(2, 2, 5, 5), Red);
    EXPECT_EQ(S.At(2, 2), RGB(255, 0, 0));
    EXPECT_EQ(S.At(4, 4), RGB(255, 0, 0));
    EXPECT_EQ(S.At(5, 5), White);  // right and bottom are outside
    EXPECT_EQ(S.At(1, 2), White);
    HBRUSH Blue = CreateSolidBrush(RGB(0, 0, 255));
    FrameRect(S.DC, Rect(0, 0, 8, 8), Blue);
    EXPECT_EQ(S.At(0, 0), RGB(0, 0, 255));
    EXPECT_EQ(S.At(7, 7), RGB(0, 0, 255));
    EXPECT_EQ(S.At(7, 3), RGB(0, 0, 255));
    EXPECT_EQ(S.At(1, 1), White);  // one pixel wide
    EXPECT_EQ(S.At(8, 8), White);
    DeleteObject(Red);
    DeleteObject(Blue);
}

struct RopCase {
    DWORD Rop;
    COLORREF Expected;
    const char* Name;
};

TEST(Gdi, PatBltCombinesBrushAndTargetByTheRasterOperation)
{
    constexpr COLORREF Back = RGB(0x80, 0x40, 0x20);
    constexpr COLORREF Pattern = RGB(0x0F, 0xF0, 0x33);
    const RopCase Cases[] = {
        {PATCOPY, Pattern, "PATCOPY"},
        {PATINVERT, RGB(0x80 ^ 0x0F, 0x40 ^ 0xF0, 0x20 ^ 0x33), "PATINVERT"},
        {DSTINVERT, RGB(0x7F, 0xBF, 0xDF), "DSTINVERT"},
        {BLACKNESS, Black, "BLACKNESS"},
        {WHITENESS, White, "WHITENESS"},
    };
    for (const RopCase& C : Cases) {
        SCOPED_TRACE(C.Name);
        Surface S(6, 6);
        S.Fill(Back);
        HBRUSH B = CreateSolidBrush(Pattern);
        HGDIOBJ Old = SelectObject(S.DC, B);
        PatBlt(S.DC, 1, 1, 3, 3, C.Rop);
        EXPECT_EQ(S.At(2, 2), C.Expected);
        EXPECT_EQ(S.At(4, 4), Back);  // outside the rectangle
        SelectObject(S.DC, Old);
        DeleteObject(B);
    }
}

TEST(Gdi, PatInvertTwiceRestoresTheTarget)
{
    Surface S(8, 8);
    S.Fill(RGB(10, 200, 30));
    SelectObject(S.DC, GetStockObject(GRAY_BRUSH));
    PatBlt(S.DC, 0, 0, 8, 8, PATINVERT);
    EXPECT_NE(S.At(3, 3), RGB(10, 200, 30));
    PatBlt(S.DC, 0, 0, 8, 8, PATINVERT);
    EXPECT_EQ(S.At(3, 3), RGB(10, 200, 30));
}

TEST(Gdi, BitBltAppliesTernaryRasterOperations)
{
    constexpr COLORREF Src = RGB(0xF0, 0x0F, 0xAA);
    constexpr COLORREF Dst = RGB(0x3C, 0x3C, 0x55);
    constexpr COLORREF Pat = RGB(0xFF, 0x00, 0x0F);
    const RopCase Cases[] = {
        {SRCCOPY, Src, "SRCCOPY"},
        {SRCAND, RGB(0xF0 & 0x3C, 0x0F & 0x3C, 0xAA & 0x55), "SRCAND"},
        {SRCPAINT, RGB(0xF0 | 0x3C, 0x0F | 0x3C, 0xAA | 0x55), "SRCPAINT"},
        {SRCINVERT, RGB(0xF0 ^ 0x3C, 0x0F ^ 0x3C, 0xAA ^ 0x55), "SRCINVERT"},
        {NOTSRCCOPY, RGB(0x0F, 0xF0, 0x55), "NOTSRCCOPY"},
        {MERGECOPY, RGB(0xF0 & 0xFF, 0x0F & 0x00, 0xAA & 0x0F), "MERGECOPY"},
        // Brush where the source is set, target where it is clear.
        {0x00E20746, RGB((0xF0 & 0xFF) | (~0xF0 & 0x3C), (0x0F & 0x00) | (~0x0F & 0x3C),
                         (0xAA & 0x0F) | (~0xAA & 0x55)), "DSPDxax"},
    };
    for (const RopCase& C : Cases) {
        SCOPED_TRACE(C.Name);
        Surface From(4, 4);
        From.Fill(Src);
        Surface To(4, 4);
        To.Fill(Dst);
        HBRUSH B = CreateSolidBrush(Pat);
        HGDIOBJ Old = SelectObject(To.DC, B);
        BitBlt(To.DC, 0, 0, 2, 2, From.DC, 0, 0, C.Rop);
        EXPECT_EQ(To.At(1, 1) & 0xFFFFFF, C.Expected & 0xFFFFFF);
        EXPECT_EQ(To.At(3, 3), Dst);
        SelectObject(To.DC, Old);
        DeleteObject(B);
    }
}

TEST(Gdi, MonochromeSourceTakesTextAndBackgroundColours)
{
    TBitmap Mono;
    Mono.SetSize(2, 1);
    Mono.SetMonochrome(true);
    SetPixel(Mono.Canvas()->Handle(), 0, 0, White);
    SetPixel(Mono.Canvas()->Handle(), 1, 0, Black);
    Surface S(2, 1);
    SetTextColor(S.DC, RGB(200, 0, 0));
    SetBkColor(S.DC, RGB(0, 0, 200));
    BitBlt(S.DC, 0, 0, 2, 1, Mono.Canvas()->Handle(), 0, 0, SRCCOPY);
    EXPECT_EQ(S.At(0, 0), RGB(0, 0, 200));  // 1 bits: background colour
    EXPECT_EQ(S.At(1, 0), RGB(200, 0, 0));  // 0 bits: text colour
}

TEST(Gdi, ColourToMonochromeMarksTheSourceBackgroundWhite)
{
    Surface Colour(2, 1);
    SetPixel(Colour.DC, 0, 0, RGB(0, 128, 0));
    SetPixel(Colour.DC, 1, 0, RGB(255, 0, 0));
    SetBkColor(Colour.DC, RGB(0, 128, 0));
    TBitmap Mono;
    Mono.SetSize(2, 1);
    Mono.SetMonochrome(true);
    BitBlt(Mono.Canvas()->Handle(), 0, 0, 2, 1, Colour.DC, 0, 0, SRCCOPY);
    EXPECT_EQ(GetPixel(Mono.Canvas()->Handle(), 0, 0), White);
    EXPECT_EQ(GetPixel(Mono.Canvas()->Handle(), 1, 0), Black);
}

TEST(Gdi, LineToLeavesOutTheEndPoint)
{
    Surface S(10, 10);
    MoveToEx(S.DC, 1, 5, nullptr);
    LineTo(S.DC, 6, 5);
    EXPECT_EQ(S.At(1, 5), Black);
    EXPECT_EQ(S.At(5, 5), Black);
    EXPECT_EQ(S.At(6, 5), White);
    TPoint Pos;
    MoveToEx(S.DC, 0, 0, &Pos);
    EXPECT_EQ(Pos, Point(6, 5));
}

TEST(Gdi, XorPenAndFocusRectangleUndoThemselves)
{
    Surface S(12, 12);
    S.Fill(RGB(100, 150, 200));
    HPEN Pen = CreatePen(PS_SOLID, 1, RGB(255, 255, 255));
    SelectObject(S.DC, Pen);
    SetROP2(S.DC, R2_XORPEN);
    for (int Pass = 0; Pass < 2; ++Pass) {
        MoveToEx(S.DC, 0, 3, nullptr);
        LineTo(S.DC, 12, 3);
        if (Pass == 0) {
            EXPECT_EQ(S.At(4, 3), RGB(155, 105, 55));
        }
    }
    EXPECT_EQ(S.At(4, 3), RGB(100, 150, 200));
    SelectObject(S.DC, GetStockObject(BLACK_PEN));
    DeleteObject(Pen);
    DrawFocusRect(S.DC, Rect(1, 1, 11, 11));
    EXPECT_EQ(S.At(1, 1), RGB(155, 105, 55));  // every other pixel inverted
    EXPECT_EQ(S.At(2, 1), RGB(100, 150, 200));
    DrawFocusRect(S.DC, Rect(1, 1, 11, 11));
    EXPECT_EQ(S.At(1, 1), RGB(100, 150, 200));
}

TEST(Gdi, DottedPenDrawsThreeOnThreeOff)
{
    Surface S(14, 1);
    HPEN Pen = CreatePen(PS_DOT, 1, Black);
    SelectObject(S.DC, Pen);
    SetBkMode(S.DC, TRANSPARENT);
    MoveToEx(S.DC, 0, 0, nullptr);
    LineTo(S.DC, 14, 0);
    const COLORREF Expected[] = {Black, Black, Black, White, White, White, Black, Black, Black, White};
    for (int X = 0; X < 10; ++X) {
        SCOPED_TRACE(X);
        EXPECT_EQ(S.At(X, 0), Expected[X]);
    }
    SelectObject(S.DC, GetStockObject(BLACK_PEN));
    DeleteObject(Pen);
}

TEST(Gdi, ClipLimitsDrawingAndRestoreDCRestoresIt)
{
    Surface S(10, 10);
    HBRUSH Red = CreateSolidBrush(RGB(255, 0, 0));
    const int Saved = SaveDC(S.DC);
    IntersectClipRect(S.DC, 2, 2, 6, 6);
    ExcludeClipRect(S.DC, 3, 3, 4, 4);
    FillRect(S.DC, Rect(0, 0, 10, 10), Red);
    TRect Box;
    EXPECT_EQ(GetClipBox(S.DC, Box), COMPLEXREGION);
    EXPECT_EQ(Box, Rect(2, 2, 6, 6));
    EXPECT_EQ(S.At(1, 1), CLR_INVALID);  // reading outside the clip fails
    RestoreDC(S.DC, Saved);
    EXPECT_EQ(S.At(1, 1), White);
    EXPECT_EQ(S.At(2, 2), RGB(255, 0, 0));
    EXPECT_EQ(S.At(3, 3), White);  // the hole
    EXPECT_EQ(S.At(6, 6), White);
    FillRect(S.DC, Rect(8, 8, 9, 9), Red);
    EXPECT_EQ(S.At(8, 8), RGB(255, 0, 0));
    DeleteObject(Red);
}

TEST(Gdi, CombinedRegionsClipAndOriginMoves)
{
    Surface S(10, 10);
    HRGN A = CreateRectRgn(0, 0, 2, 2);
    HRGN B = CreateRectRgn(6, 6, 8, 8);
    HRGN Both = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(CombineRgn(Both, A, B, RGN_OR), COMPLEXREGION);
    EXPECT_TRUE(PtInRegion(Both, 7, 7));
    EXPECT_FALSE(PtInRegion(Both, 4, 4));
    SelectClipRgn(S.DC, Both);
    SetViewportOrgEx(S.DC, 1, 1, nullptr);
    HBRUSH Red = CreateSolidBrush(RGB(255, 0, 0));
    FillRect(S.DC, Rect(-1, -1, 9, 9), Red);
    SetViewportOrgEx(S.DC, 0, 0, nullptr);
    SelectClipRgn(S.DC, nullptr);
    EXPECT_EQ(S.At(1, 1), RGB(255, 0, 0));
    EXPECT_EQ(S.At(7, 7), RGB(255, 0, 0));
    EXPECT_EQ(S.At(4, 4), White);
    EXPECT_EQ(CombineRgn(Both, A, B, RGN_AND), NULLREGION);
    for (HGDIOBJ O : {A, B, Both, Red})
        DeleteObject(O);
}

// ---- edges and frame controls -----------------------------------------------------

namespace {

// Distinct colours for the 3-D palette so that each ring can be told apart.
struct EdgeColours {
    SystemMetricsScope Scope;
    EdgeColours()
    {
        Scope->Colors[COLOR_3DLIGHT] = RGB(1, 1, 1);
        Scope->Colors[COLOR_3DHILIGHT] = RGB(2, 2, 2);
        Scope->Colors[COLOR_3DSHADOW] = RGB(3, 3, 3);
        Scope->Colors[COLOR_3DDKSHADOW] = RGB(4, 4, 4);
        Scope->Colors[COLOR_3DFACE] = RGB(5, 5, 5);
        Scope->Colors[COLOR_WINDOW] = RGB(6, 6, 6);
        Scope->Colors[COLOR_WINDOWFRAME] = RGB(7, 7, 7);
        Scope->Colors[COLOR_BTNTEXT] = RGB(8, 8, 8);
        Scope->Colors[COLOR_WINDOWTEXT] = RGB(9, 9, 9);
    }
};

constexpr COLORREF Light = RGB(1, 1, 1), Hilight = RGB(2, 2, 2), Shadow = RGB(3, 3, 3),
                   DkShadow = RGB(4, 4, 4), Face = RGB(5, 5, 5), Window = RGB(6, 6, 6),
                   Frame = RGB(7, 7, 7), BtnText = RGB(8, 8, 8), WindowText = RGB(9, 9, 9);

struct EdgeCase {
    UINT Edge;
    UINT Flags;
    COLORREF TopLeft;      // (0, 0)
    COLORREF InnerTopLeft; // (1, 1)
    COLORREF BottomRight;  // (9, 9)
    COLORREF InnerBottom;  // (8, 8)
    COLORREF TopRight;     // (9, 0): the dark side owns the corner
    COLORREF Middle;       // (5, 5)
    const char* Name;
};

}  // namespace

TEST(Gdi, DrawEdgePaintsEachRingInItsColours)
{
    const EdgeColours Colours;
    const EdgeCase Cases[] = {
        {EDGE_RAISED, BF_RECT, Light, Hilight, DkShadow, Shadow, DkShadow, White, "raised"},
        {EDGE_SUNKEN, BF_RECT, Shadow, DkShadow, Hilight, Light, Hilight, White, "sunken"},
        {EDGE_ETCHED, BF_RECT, Shadow, Hilight, Hilight, Shadow, Hilight, White, "etched"},
        {BDR_RAISEDINNER, BF_RECT, Hilight, White, Shadow, White, Shadow, White, "inner only"},
        {BDR_SUNKENOUTER, BF_RECT | BF_MIDDLE, Shadow, Face, Hilight, Face, Hilight, Face, "middle"},
        {EDGE_RAISED, BF_RECT | BF_SOFT, Hilight, Light, DkShadow, Shadow, DkShadow, White, "soft"},
        {EDGE_RAISED, BF_RECT | BF_FLAT, Shadow, Face, Shadow, Face, Shadow, White, "flat"},
        {EDGE_SUNKEN, BF_RECT | BF_MONO | BF_MIDDLE, Frame, Window, Frame, Window, Frame, Window, "mono"},
        {EDGE_RAISED, BF_TOPLEFT, Light, Hilight, White, White, Light, White, "top and left only"},
    };
    for (const EdgeCase& C : Cases) {
        SCOPED_TRACE(C.Name);
        Surface S(10, 10);
        TRect R = Rect(0, 0, 10, 10);
        DrawEdge(S.DC, R, C.Edge, C.Flags);
        EXPECT_EQ(S.At(0, 0), C.TopLeft);
        EXPECT_EQ(S.At(1, 1), C.InnerTopLeft);
        EXPECT_EQ(S.At(9, 9), C.BottomRight);
        EXPECT_EQ(S.At(8, 8), C.InnerBottom);
        EXPECT_EQ(S.At(9, 0), C.TopRight);
        EXPECT_EQ(S.At(5, 5), C.Middle);
        EXPECT_EQ(R, Rect(0, 0, 10, 10));  // unchanged without BF_ADJUST
    }
}

TEST(Gdi, DrawEdgeAdjustShrinksByTheRingsDrawn)
{
    Surface S(10, 10);
    struct {
        UINT Edge;
        UINT Flags;
        TRect Inside;
    } Cases[] = {
        {EDGE_RAISED, BF_RECT | BF_ADJUST, Rect(2, 2, 8, 8)},
        {BDR_RAISEDINNER, BF_RECT | BF_ADJUST, Rect(1, 1, 9, 9)},
        {EDGE_SUNKEN, BF_LEFT | BF_BOTTOM | BF_ADJUST, Rect(2, 0, 10, 8)},
    };
    for (const auto& C : Cases) {
        TRect R = Rect(0, 0, 10, 10);
        DrawEdge(S.DC, R, C.Edge, C.Flags);
        EXPECT_EQ(R, C.Inside);
    }
}

TEST(Gdi, DrawFrameControlComboButtonStates)
{
    const EdgeColours Colours;
    struct {
        UINT State;
        COLORREF Corner;     // (0, 0)
        COLORREF ArrowTip;   // the top row of the arrow, centre
        int ArrowShift;      // pushed arrows move down-right
        const char* Name;
    } Cases[] = {
        {DFCS_SCROLLCOMBOBOX, Light, BtnText, 0, "normal"},
        {DFCS_SCROLLCOMBOBOX | DFCS_PUSHED, Shadow, BtnText, 1, "pushed"},
        {DFCS_SCROLLCOMBOBOX | DFCS_INACTIVE, Light, Shadow, 0, "inactive"},
        {DFCS_SCROLLCOMBOBOX | DFCS_FLAT, Hilight, BtnText, 0, "flat"},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Name);
        Surface S(17, 17);
        TRect R = Rect(0, 0, 17, 17);
        DrawFrameControl(S.DC, R, DFC_SCROLL, C.State);
        EXPECT_EQ(S.At(0, 0), C.Corner);
        // The arrow is centred: its widest row is the top one.
        int Found = -1;
        for (int Y = 0; Y < 17 && Found < 0; ++Y)
            if (S.At(8 + C.ArrowShift, Y) == C.ArrowTip)
                Found = Y;
        EXPECT_GE(Found, 5);
        EXPECT_LE(Found, 8 + C.ArrowShift);
        EXPECT_EQ(S.At(3 + C.ArrowShift, Found), Face);  // narrower than the button
    }
}

TEST(Gdi, DrawFrameControlCheckBoxShowsItsTick)
{
    const EdgeColours Colours;
    for (UINT State : {UINT(DFCS_BUTTONCHECK), UINT(DFCS_BUTTONCHECK | DFCS_CHECKED)}) {
        Surface S(13, 13);
        TRect R = Rect(0, 0, 13, 13);
        DrawFrameControl(S.DC, R, DFC_BUTTON, State);
        EXPECT_EQ(S.At(0, 0), Shadow);
        int Ticks = 0;
        for (int Y = 2; Y < 11; ++Y)
            for (int X = 2; X < 11; ++X)
                Ticks += S.At(X, Y) == WindowText;
        if (State & DFCS_CHECKED)
            EXPECT_EQ(Ticks, 21);  // seven columns of three
        else
            EXPECT_EQ(Ticks, 0);
        EXPECT_EQ(S.At(2, 2), Window);
    }
}

// ---- bitmaps ---------------------------------------------------------------------------

TEST(Gdi, TransparentBitmapLeavesItsBackgroundColourOut)
{
    TBitmap Glyph;
    Glyph.SetSize(4, 4);
    Glyph.Canvas()->Brush()->SetColor(clLime);
    Glyph.Canvas()->FillRect(Rect(0, 0, 4, 4));
    Glyph.Canvas()->Brush()->SetColor(clRed);
    Glyph.Canvas()->FillRect(Rect(1, 1, 3, 3));
    EXPECT_EQ(Glyph.TransparentColor(), clLime);  // the bottom-left pixel
    Glyph.SetTransparent(true);
    Surface S(6, 6);
    S.Fill(RGB(0, 0, 255));
    S.Bitmap.Canvas()->Draw(1, 1, &Glyph);
    EXPECT_EQ(S.At(1, 1), RGB(0, 0, 255));
    EXPECT_EQ(S.At(2, 2), RGB(255, 0, 0));
    EXPECT_EQ(S.At(4, 4), RGB(0, 0, 255));
    // A fixed transparent colour wins over the corner pixel.
    Glyph.SetTransparentColor(clRed);
    EXPECT_EQ(Glyph.TransparentMode(), tmFixed);
    S.Fill(RGB(0, 0, 255));
    S.Bitmap.Canvas()->Draw(1, 1, &Glyph);
    EXPECT_EQ(S.At(1, 1), RGB(0, 255, 0));
    EXPECT_EQ(S.At(2, 2), RGB(0, 0, 255));
}

TEST(Gdi, BitmapKeepsPixelsWhenResizedAndMasksItsTransparentColour)
{
    TBitmap B;
    B.SetSize(2, 2);
    B.Canvas()->SetPixels(0, 0, clRed);
    B.SetSize(3, 3);
    EXPECT_EQ(B.Canvas()->Pixels(0, 0), clRed);
    EXPECT_EQ(B.Canvas()->Pixels(2, 2), clWhite);
    B.SetTransparentColor(clRed);
    HDC Mask = CreateCompatibleDC(nullptr);
    SelectObject(Mask, B.MaskHandle());
    EXPECT_EQ(GetPixel(Mask, 0, 0), White);
    EXPECT_EQ(GetPixel(Mask, 1, 1), Black);
    DeleteDC(Mask);
    ExpectRaises<EInvalidGraphicOperation>([&] { B.ScanLine(3); }, "Scan line index out of range");
}

TEST(Gdi, BitmapSizedOneSideAtATimeGetsBothSides)
{
    struct Case {
        bool WidthFirst;
    };
    const Case Cases[] = {
        {true},  // Width, then Height
        {false}, // Height, then Width
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.WidthFirst);
        TBitmap B;
        if (C.WidthFirst) {
            B.SetWidth(16);
            EXPECT_EQ(B.Width(), 16); // no pixels yet, the width is kept
            B.SetHeight(12);
        } else {
            B.SetHeight(12);
            B.SetWidth(16);
        }
        EXPECT_EQ(B.Width(), 16);
        EXPECT_EQ(B.Height(), 12);
        EXPECT_FALSE(B.Empty());
        B.Canvas()->SetPixels(15, 11, clBlue);
        EXPECT_EQ(B.Canvas()->Pixels(15, 11), clBlue);
    }
}

TEST(Gdi, BitmapLoadsItsOwnSavedBytesAndRefusesOthers)
{
    TBitmap B;
    B.SetSize(3, 2);
    B.Canvas()->SetPixels(2, 1, clBlue);
    const std::string Png = B.SaveToPngBytes();
    TBitmap C;
    C.LoadFromBytes(Png);
    EXPECT_EQ(C.Width(), 3);
    EXPECT_EQ(C.Canvas()->Pixels(2, 1), clBlue);
    ExpectRaises<EInvalidGraphic>([&] { C.LoadFromBytes("not a picture"); }, "Bitmap image is not valid");
    ExpectRaises<EResNotFound>([&] { C.LoadFromResourceName(HInstance, "NOSUCH"); },
        "Resource NOSUCH not found");
}

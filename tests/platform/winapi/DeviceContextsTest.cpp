// Recording DCs and PDF DCs: a drawing recorded and played onto a bitmap
// gives the same pixels as the drawing made on the bitmap directly, and a
// PDF DC reports its paper like a printer.

#include "platform/winapi/DeviceContexts.h"
#include "platform/forms/Graphics.h"
#include "platform/winapi/Windows.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace {

constexpr int Width = 220;
constexpr int Height = 160;

// A white bitmap and its DC.
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
};

// Selects Object into DC for the scope and frees it at the end.
class Selected {
public:
    Selected(HDC DC, HGDIOBJ Object) : FDC(DC), FObject(Object), FOld(SelectObject(DC, Object)) {}
    ~Selected()
    {
        SelectObject(FDC, FOld);
        DeleteObject(FObject);
    }
    Selected(const Selected&) = delete;
    Selected& operator=(const Selected&) = delete;

private:
    HDC FDC;
    HGDIOBJ FObject;
    HGDIOBJ FOld;
};

// A drawing that reaches every kind of backend call: fills with solid,
// hatched and pattern brushes, raster operations, dashed and XOR lines,
// shapes, polygons, curves, paths, text, DrawText, clipping, a mapping, a
// world rotation and blits from another DC and from a DIB.
void DrawSample(HDC DC, HDC Source)
{
    HBRUSH Blue = CreateSolidBrush(RGB(40, 80, 200));
    FillRect(DC, Rect(4, 4, 60, 30), Blue);
    DeleteObject(Blue);
    {
        Selected Hatch(DC, CreateHatchBrush(HS_DIAGCROSS, RGB(200, 0, 0)));
        SetBkColor(DC, RGB(255, 255, 180));
        Rectangle(DC, 64, 4, 120, 30);
        PatBlt(DC, 124, 4, 30, 26, PATINVERT);
    }
    {
        Selected Dashed(DC, CreatePen(PS_DASH, 1, RGB(0, 120, 0)));
        MoveToEx(DC, 4, 36, nullptr);
        LineTo(DC, 150, 40);
        SetROP2(DC, R2_XORPEN);
        Selected Xor(DC, CreatePen(PS_SOLID, 3, RGB(255, 255, 0)));
        MoveToEx(DC, 4, 44, nullptr);
        LineTo(DC, 150, 50);
        SetROP2(DC, R2_COPYPEN);
    }
    {
        Selected Brush(DC, CreateSolidBrush(RGB(0, 160, 160)));
        Ellipse(DC, 160, 4, 210, 44);
        RoundRect(DC, 4, 56, 60, 90, 12, 12);
        const TPoint Star[] = {{90, 56}, {100, 90}, {70, 66}, {110, 66}, {80, 90}};
        SetPolyFillMode(DC, WINDING);
        Polygon(DC, Star, 5);
        const TPoint Curve[] = {{120, 90}, {130, 50}, {150, 100}, {170, 56}};
        PolyBezier(DC, Curve, 4);
        BeginPath(DC);
        MoveToEx(DC, 180, 56, nullptr);
        LineTo(DC, 214, 70);
        LineTo(DC, 184, 90);
        CloseFigure(DC);
        EndPath(DC);
        StrokeAndFillPath(DC);
    }
    {
        LOGFONT LF;
        LF.lfHeight = -14;
        LF.lfFaceName = "Arial";
        Selected Font(DC, CreateFontIndirect(LF));
        SetTextColor(DC, RGB(120, 0, 60));
        SetBkMode(DC, OPAQUE);
        SetBkColor(DC, RGB(230, 230, 230));
        const TRect Box = Rect(4, 96, 100, 114);
        const AnsiString Price = "Цена, руб."_a;
        ExtTextOut(DC, 6, 98, ETO_OPAQUE | ETO_CLIPPED, &Box, Price.c_str(), Price.Length());
        SetBkMode(DC, TRANSPARENT);
        TRect Wrap = Rect(104, 96, 170, 156);
        DrawText(DC, "Сумма &без скидки за товар"_a, Wrap, DT_WORDBREAK);
    }
    {
        const int Saved = SaveDC(DC);
        IntersectClipRect(DC, 4, 118, 40, 150);
        SetMapMode(DC, MM_ANISOTROPIC);
        SetWindowExtEx(DC, 1, 1, nullptr);
        SetViewportExtEx(DC, 2, 2, nullptr);
        HBRUSH Green = CreateSolidBrush(RGB(0, 200, 0));
        FillRect(DC, Rect(0, 60, 30, 70), Green);
        DeleteObject(Green);
        RestoreDC(DC, Saved);
    }
    {
        const int Saved = SaveDC(DC);
        SetGraphicsMode(DC, GM_ADVANCED);
        const XFORM Turn {0.8f, 0.6f, -0.6f, 0.8f, 190, 100};
        SetWorldTransform(DC, Turn);
        Selected Brush(DC, CreateSolidBrush(RGB(160, 0, 160)));
        Rectangle(DC, 0, 0, 20, 12);
        RestoreDC(DC, Saved);
    }
    BitBlt(DC, 44, 120, 16, 16, Source, 0, 0, SRCCOPY);
    StretchBlt(DC, 64, 120, 32, 32, Source, 0, 0, 16, 16, SRCINVERT);
    TransparentBlt(DC, 176, 120, 16, 16, Source, 0, 0, 16, 16, RGB(255, 255, 255));
    // A 2 x 2 bottom-up 24-bit DIB: rows padded to 4 bytes.
    BITMAPINFO Info;
    Info.bmiHeader.biWidth = 2;
    Info.bmiHeader.biHeight = 2;
    Info.bmiHeader.biBitCount = 24;
    const unsigned char Bits[] = {0, 0, 255, 0, 255, 0, 0, 0, 255, 0, 0, 0, 0, 0, 0, 0};
    StretchDIBits(DC, 196, 120, 20, 20, 0, 0, 2, 2, Bits, Info, DIB_RGB_COLORS, SRCCOPY);
    InvertRect(DC, Rect(4, 152, 40, 158));
    DrawFocusRect(DC, Rect(150, 4, 216, 48));
    SetPixel(DC, 2, 2, RGB(255, 0, 255));
}

// A 16 x 16 picture with a white background to blit from.
struct Picture : Surface {
    Picture() : Surface(16, 16)
    {
        HBRUSH Orange = CreateSolidBrush(RGB(255, 140, 0));
        FillRect(DC, Rect(3, 3, 13, 13), Orange);
        DeleteObject(Orange);
    }
};

}  // namespace

TEST(DeviceContexts, RecordedDrawingPlaysBackToTheSamePixels)
{
    Picture Source;
    Surface Direct(Width, Height);
    DrawSample(Direct.DC, Source.DC);

    HDC Recording = CreateRecordingDC(Width, Height);
    ASSERT_NE(Recording, nullptr);
    DrawSample(Recording, Source.DC);
    // Every object of the drawing has been freed by now: the recording
    // keeps copies of what it needs.
    EXPECT_GT(RecordedCallCount(Recording), 25);
    Surface Played(Width, Height);
    ASSERT_TRUE(PlayRecording(Recording, Played.DC));
    DeleteDC(Recording);

    int Different = 0;
    for (int Y = 0; Y < Height; ++Y)
        for (int X = 0; X < Width; ++X)
            if (GetPixel(Direct.DC, X, Y) != GetPixel(Played.DC, X, Y) && ++Different <= 5)
                ADD_FAILURE() << "pixel " << X << "," << Y << " differs";
    EXPECT_EQ(Different, 0);
    // The drawing did happen.
    EXPECT_EQ(GetPixel(Played.DC, 10, 10), RGB(40, 80, 200));
    EXPECT_EQ(GetPixel(Played.DC, 2, 2), RGB(255, 0, 255));
    if (const char* Keep = std::getenv("PRICETAGS_DC_PNG"))
        WriteBytes(Keep, Played.Bitmap.SaveToPngBytes());
}

TEST(DeviceContexts, RecordingRefusesWhatIsNoRecording)
{
    Surface S(4, 4);
    EXPECT_EQ(RecordedCallCount(S.DC), -1);
    EXPECT_EQ(RecordedCallCount(nullptr), -1);
    EXPECT_FALSE(PlayRecording(S.DC, S.DC));
    HDC Recording = CreateRecordingDC(4, 4);
    EXPECT_EQ(RecordedCallCount(Recording), 0);
    EXPECT_FALSE(PlayRecording(Recording, nullptr));
    // State alone records nothing.
    SetMapMode(Recording, MM_HIMETRIC);
    SelectObject(Recording, GetStockObject(BLACK_BRUSH));
    EXPECT_EQ(RecordedCallCount(Recording), 0);
    EXPECT_EQ(GetPixel(Recording, 0, 0), CLR_INVALID);  // no pixels to read
    // Played within the target's clip.
    SetMapMode(Recording, MM_TEXT);
    HBRUSH Red = CreateSolidBrush(RGB(255, 0, 0));
    FillRect(Recording, Rect(0, 0, 4, 4), Red);
    DeleteObject(Red);
    IntersectClipRect(S.DC, 0, 0, 2, 4);
    ASSERT_TRUE(PlayRecording(Recording, S.DC));
    SelectClipRgn(S.DC, nullptr);
    EXPECT_EQ(GetPixel(S.DC, 1, 1), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(S.DC, 2, 1), RGB(255, 255, 255));
    DeleteDC(Recording);
}

TEST(DeviceContexts, PdfPageReportsPaperBorderAndPrintableArea)
{
    const TempDir Dir;
    const std::string File = (Dir.Path() / "page.pdf").string();
    TPdfPage Page;  // A4
    Page.MarginLeft = 500;
    Page.MarginTop = 400;
    Page.MarginRight = 600;
    Page.MarginBottom = 700;
    Page.Dpi = 600;
    HDC DC = CreatePdfDC(AnsiString(File.c_str()), Page);
    ASSERT_NE(DC, nullptr);
    // Device pixels at 600 dpi; the PDF page keeps its sizes in points, so
    // they come within a point (600 / 72 pixels) of the exact values.
    const auto Px = [](int Hundredths) { return Hundredths * 600 / 2540; };
    constexpr int Point = 600 / 72;
    EXPECT_EQ(GetDeviceCaps(DC, LOGPIXELSX), 600);
    EXPECT_EQ(GetDeviceCaps(DC, LOGPIXELSY), 600);
    EXPECT_NEAR(GetDeviceCaps(DC, PHYSICALWIDTH), Px(21000), Point);
    EXPECT_NEAR(GetDeviceCaps(DC, PHYSICALHEIGHT), Px(29700), Point);
    EXPECT_NEAR(GetDeviceCaps(DC, PHYSICALOFFSETX), Px(500), Point);
    EXPECT_NEAR(GetDeviceCaps(DC, PHYSICALOFFSETY), Px(400), Point);
    EXPECT_NEAR(GetDeviceCaps(DC, HORZRES), Px(21000 - 500 - 600), 2 * Point);
    EXPECT_NEAR(GetDeviceCaps(DC, VERTRES), Px(29700 - 400 - 700), 2 * Point);
    EXPECT_NEAR(GetDeviceCaps(DC, HORZSIZE), 199, 1);
    // Drawn in 0.01 mm, as the report pages are.
    SetMapMode(DC, MM_HIMETRIC);
    Rectangle(DC, 1000, -1000, 5000, -3000);
    const AnsiString Tag = "Ценник"_a;
    TextOut(DC, 1000, -4000, Tag.c_str(), Tag.Length());
    DeleteDC(DC);
    const std::string Bytes = ReadBytes(File);
    EXPECT_EQ(Bytes.substr(0, 5), "%PDF-");
    EXPECT_GT(Bytes.size(), 500u);
    if (const char* Keep = std::getenv("PRICETAGS_DC_PDF"))
        WriteBytes(Keep, Bytes);

    TPdfPage NoRoom;
    NoRoom.MarginLeft = 11000;
    NoRoom.MarginRight = 10000;
    EXPECT_EQ(CreatePdfDC(AnsiString(File.c_str()), NoRoom), nullptr);
    TPdfPage Coarse;
    Coarse.Dpi = 10;
    EXPECT_EQ(CreatePdfDC(AnsiString(File.c_str()), Coarse), nullptr);
}

TEST(DeviceContexts, ImagesHaveNoPaperBorder)
{
    Surface S(30, 20);
    EXPECT_EQ(GetDeviceCaps(S.DC, HORZRES), 30);
    EXPECT_EQ(GetDeviceCaps(S.DC, PHYSICALWIDTH), 0);
    EXPECT_EQ(GetDeviceCaps(S.DC, PHYSICALOFFSETX), 0);
}

// Layout tests measure with fixed metrics and read the drawing as text.
TEST(DeviceContexts, FixedFontMetricsMeasureWithoutFonts)
{
    TRecordingCanvas Canvas(200, 100);
    HDC DC = Canvas.Handle();
    LOGFONT LF;
    LF.lfHeight = -11;
    LF.lfFaceName = "Arial";
    HFONT Plain = CreateFontIndirect(LF);
    LF.lfWeight = FW_BOLD;
    HFONT Bold = CreateFontIndirect(LF);
    HGDIOBJ Old = SelectObject(DC, Plain);
    {
        const FixedFontMetricsScope Fixed;
        TSize Size;
        ASSERT_TRUE(GetTextExtentPoint32(DC, "Total:", 6, Size));
        EXPECT_EQ(Size.cx, 30);
        EXPECT_EQ(Size.cy, 13);
        TEXTMETRIC TM;
        GetTextMetrics(DC, TM);
        EXPECT_EQ(TM.tmHeight, 13);
        EXPECT_EQ(TM.tmAscent, 11);
        EXPECT_EQ(TM.tmDescent, 2);
        EXPECT_EQ(TM.tmInternalLeading, 2);
        EXPECT_EQ(TM.tmExternalLeading, 1);
        TRect Wrap = Rect(0, 0, 60, 0);
        DrawText(DC, "aaaa bbbb cccc dddd", Wrap, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
        EXPECT_EQ(Wrap.Bottom, 26);  // two lines
        SelectObject(DC, Bold);
        GetTextExtentPoint32(DC, "Цена"_a.c_str(), 4, Size);
        EXPECT_EQ(Size.cx, 24);
    }
    EXPECT_FALSE(FixedFontMetrics());
    SelectObject(DC, Old);
    DeleteObject(Plain);
    DeleteObject(Bold);
}

TEST(DeviceContexts, RecordingCanvasLogsEveryCall)
{
    Surface Source(4, 2);
    TRecordingCanvas Canvas(200, 100);
    Canvas.Brush()->SetColor(TColor(RGB(255, 240, 200)));
    Canvas.FillRect(Rect(10, 10, 190, 60));
    Canvas.Pen()->SetWidth(2);
    Canvas.MoveTo(10, 10);
    Canvas.LineTo(190, 10);
    Canvas.Brush()->SetStyle(bsClear);
    Canvas.Rectangle(10, 70, 90, 95);
    Canvas.Font()->SetName("Arial");
    Canvas.Font()->SetHeight(-16);
    Canvas.Font()->SetStyle({fsBold});
    const TRect Box = Rect(5, 5, 60, 25);
    {
        const FixedFontMetricsScope Fixed;
        Canvas.TextRect(Box, 6, 7, "Цена"_a);
    }
    const int Saved = SaveDC(Canvas.Handle());
    IntersectClipRect(Canvas.Handle(), 100, 70, 150, 90);
    StretchBlt(Canvas.Handle(), 100, 70, 40, 20, Source.DC, 0, 0, 4, 2, SRCCOPY);
    RestoreDC(Canvas.Handle(), Saved);
    Canvas.SetPixels(195, 95, clRed);
    const std::vector<std::string> Expected = {
        "fill 10,10,190,60 brush solid FFF0C8 rop F0",
        "line 10,10 190,10 pen solid 2 000000",
        "rectangle 10,70,90,95 pen solid 2 000000 brush null",
        "text 6,7 \"Цена\" font Arial 16 bold color 000000 transparent align 0 width 36 box 5,5,60,25 clipped",
        "picture 100,70,140,90 from 0,0,4,2 of 4x2 rop CC clip 100,70,150,90",
        "pixel 195,95 FF0000",
    };
    EXPECT_EQ(Canvas.Log(), Expected);
}

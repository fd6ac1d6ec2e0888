// The canvas and the rarer drawing routines: brushes with patterns,
// shapes, copies, rotated text, constant alpha and device capabilities;
// and windows made again with new parameters.

#include "platform/forms/Forms.h"
#include "platform/forms/Graphics.h"
#include "platform/winapi/Windows.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

std::unique_ptr<TBitmap> WhiteBitmap(int W, int H)
{
    auto B = std::make_unique<TBitmap>();
    B->SetSize(W, H);
    B->Canvas()->Brush()->SetColor(clWhite);
    B->Canvas()->FillRect(Rect(0, 0, W, H));
    return B;
}

}  // namespace

TEST(Canvas, HatchBrushesDrawTheirLinesOverTheBackground)
{
    struct {
        TBrushStyle Style;
        TPoint Line;     // a pixel on the hatch
        TPoint Between;  // a pixel between lines
        const char* Name;
    } Cases[] = {
        {bsHorizontal, {5, 3}, {5, 4}, "horizontal"},
        {bsVertical, {4, 5}, {5, 5}, "vertical"},
        {bsFDiagonal, {2, 2}, {3, 2}, "forward diagonal"},
        {bsCross, {4, 6}, {5, 6}, "cross"},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Name);
        auto B = WhiteBitmap(8, 8);
        TCanvas* Cv = B->Canvas();
        Cv->Brush()->SetColor(clRed);
        Cv->Brush()->SetStyle(C.Style);
        Cv->FillRect(Rect(0, 0, 8, 8));
        EXPECT_EQ(Cv->Pixels(C.Line.X, C.Line.Y), clRed);
        // The gaps show the background colour of the DC (a clear-brush
        // canvas leaves them transparent).
        EXPECT_EQ(Cv->Pixels(C.Between.X, C.Between.Y), clWhite);
    }
}

TEST(Canvas, PatternBrushesTileFromTheBrushOrigin)
{
    TBitmap Pattern;
    Pattern.SetSize(2, 1);
    Pattern.Canvas()->SetPixels(0, 0, clBlue);
    Pattern.Canvas()->SetPixels(1, 0, clYellow);
    auto B = WhiteBitmap(6, 2);
    TCanvas* Cv = B->Canvas();
    Cv->Brush()->SetBitmap(&Pattern);
    Cv->FillRect(Rect(0, 0, 6, 2));
    EXPECT_EQ(Cv->Pixels(0, 0), clBlue);
    EXPECT_EQ(Cv->Pixels(1, 1), clYellow);
    EXPECT_EQ(Cv->Pixels(4, 0), clBlue);
    SetBrushOrgEx(Cv->Handle(), 1, 0, nullptr);
    FillRect(Cv->Handle(), Rect(0, 0, 6, 2), Cv->Brush()->Handle());
    EXPECT_EQ(Cv->Pixels(0, 0), clYellow);  // the tile starts one pixel later
    Cv->Brush()->SetBitmap(nullptr);
}

TEST(Canvas, ShapesFillInsideTheirOutline)
{
    auto B = WhiteBitmap(20, 20);
    TCanvas* Cv = B->Canvas();
    Cv->Pen()->SetColor(clBlack);
    Cv->Brush()->SetColor(clLime);
    Cv->Rectangle(2, 2, 10, 10);
    EXPECT_EQ(Cv->Pixels(2, 2), clBlack);
    EXPECT_EQ(Cv->Pixels(9, 9), clBlack);
    EXPECT_EQ(Cv->Pixels(5, 5), clLime);
    EXPECT_EQ(Cv->Pixels(10, 10), clWhite);
    Cv->Polygon({Point(12, 12), Point(19, 12), Point(12, 19)});
    EXPECT_EQ(Cv->Pixels(13, 13), clLime);
    EXPECT_EQ(Cv->Pixels(18, 18), clWhite);
    Cv->Brush()->SetStyle(bsClear);
    Cv->Ellipse(0, 10, 10, 20);
    EXPECT_EQ(Cv->Pixels(5, 15), clWhite);  // a clear brush leaves the inside
    EXPECT_EQ(Cv->Pixels(0, 15), clBlack);
    Cv->Pen()->SetMode(pmNot);
    Cv->Polyline({Point(0, 0), Point(5, 0)});
    EXPECT_EQ(Cv->Pixels(3, 0), clBlack);  // white inverted
    EXPECT_EQ(Cv->PenPos(), Point(0, 0));  // a polyline leaves the position
}

TEST(Canvas, CopiesAndStretchesPictures)
{
    auto Source = WhiteBitmap(2, 2);
    Source->Canvas()->SetPixels(0, 0, clRed);
    Source->Canvas()->SetPixels(1, 1, clBlue);
    auto B = WhiteBitmap(8, 8);
    B->Canvas()->StretchDraw(Rect(0, 0, 4, 4), Source.get());
    EXPECT_EQ(B->Canvas()->Pixels(1, 1), clRed);
    EXPECT_EQ(B->Canvas()->Pixels(3, 3), clBlue);
    EXPECT_EQ(B->Canvas()->Pixels(2, 0), clWhite);
    B->Canvas()->SetCopyMode(SRCINVERT);
    B->Canvas()->CopyRect(Rect(4, 4, 6, 6), Source->Canvas(), Rect(0, 0, 2, 2));
    EXPECT_EQ(B->Canvas()->Pixels(4, 4), clAqua);  // red XOR white
    TPicture Picture;
    Picture.SetGraphic(Source.get());
    EXPECT_EQ(Picture.Width(), 2);
    EXPECT_EQ(Picture.Bitmap()->Canvas()->Pixels(1, 1), clBlue);
    Picture.Assign(nullptr);
    EXPECT_EQ(Picture.Graphic(), nullptr);
}

TEST(Canvas, TextRectFillsAndClipsAndRotatedTextRunsUpwards)
{
    auto B = WhiteBitmap(100, 100);
    TCanvas* Cv = B->Canvas();
    Cv->Font()->SetName("Arial");
    Cv->Font()->SetHeight(-13);
    Cv->Brush()->SetColor(clYellow);
    Cv->TextRect(Rect(10, 10, 40, 30), 12, 12, "Clipped text");
    EXPECT_EQ(Cv->Pixels(38, 28), clYellow);  // the rectangle is filled
    EXPECT_EQ(Cv->Pixels(45, 15), clWhite);   // and nothing passes it
    // Orientation 900: the text runs from bottom to top.
    auto R = WhiteBitmap(60, 120);
    TCanvas* Rc = R->Canvas();
    Rc->Font()->SetName("Arial");
    Rc->Font()->SetHeight(-13);
    Rc->Font()->SetOrientation(900);
    Rc->Brush()->SetStyle(bsClear);
    Rc->TextOut(10, 110, "Vertical");
    int Left = 60, Right = 0, Top = 120, Bottom = 0;
    for (int Y = 0; Y < 120; ++Y)
        for (int X = 0; X < 60; ++X)
            if (Rc->Pixels(X, Y) != clWhite) {
                Left = std::min(Left, X);
                Right = std::max(Right, X);
                Top = std::min(Top, Y);
                Bottom = std::max(Bottom, Y);
            }
    EXPECT_GT(Bottom - Top, 2 * (Right - Left));
    EXPECT_LE(Bottom, 110);
    EXPECT_GE(Left, 10);
}

TEST(Canvas, ConstantAlphaBlendsAndDeviceCapabilities)
{
    auto Source = WhiteBitmap(2, 2);
    Source->Canvas()->Brush()->SetColor(clBlack);
    Source->Canvas()->FillRect(Rect(0, 0, 2, 2));
    auto B = WhiteBitmap(2, 2);
    BLENDFUNCTION Half;
    Half.SourceConstantAlpha = 128;
    AlphaBlend(B->Canvas()->Handle(), 0, 0, 2, 2, Source->Canvas()->Handle(), 0, 0, 2, 2, Half);
    EXPECT_EQ(B->Canvas()->Pixels(1, 1), static_cast<TColor>(RGB(127, 127, 127)));
    HDC Screen = GetDC(nullptr);
    EXPECT_EQ(GetDeviceCaps(Screen, LOGPIXELSX), 96);
    EXPECT_EQ(GetDeviceCaps(Screen, NUMCOLORS), -1);
    EXPECT_EQ(GetDeviceCaps(Screen, HORZRES), GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(GetNearestColor(Screen, RGB(1, 2, 3)), RGB(1, 2, 3));
    ReleaseDC(nullptr, Screen);
    TBitmap Mono;
    Mono.SetSize(1, 1);
    Mono.SetMonochrome(true);
    EXPECT_EQ(GetNearestColor(Mono.Canvas()->Handle(), RGB(200, 200, 200)), RGB(255, 255, 255));
    EXPECT_EQ(GetDeviceCaps(Mono.Canvas()->Handle(), BITSPIXEL), 1);
}

TEST(Canvas, CursorsOfTheProgramAndTheScreenTable)
{
    EXPECT_NE(LoadCursor(HInstance, "YL_HANDCUR"), 0);
    EXPECT_NE(LoadCursor(HInstance, "yl_dragcur"), 0);  // names ignore case
    EXPECT_EQ(LoadCursor(HInstance, "NO_SUCH_CURSOR"), 0);
    const HCURSOR Hand = LoadCursor(HInstance, "YL_HANDCUR");
    Screen->SetCursors(14000, Hand);
    EXPECT_EQ(Screen->Cursors(14000), Hand);
    EXPECT_EQ(Screen->Cursors(crHandPoint), LoadCursor(0, IDC_HAND));
    EXPECT_EQ(Screen->Cursors(12345), LoadCursor(0, IDC_ARROW));  // unknown: the arrow
}

TEST(Windows, RecreatedWindowsKeepChildrenFocusAndStyles)
{
    struct Styled : TCustomControl {
        using TCustomControl::TCustomControl;
        uint32_t Extra = 0;
        void CreateParams(TCreateParams& Params) override
        {
            TCustomControl::CreateParams(Params);
            Params.Style |= Extra;
        }
    };
    TForm Form(nullptr);
    auto* S = new Styled(&Form);
    S->SetParent(&Form);
    S->SetTabStop(true);
    S->SetBounds(0, 0, 50, 50);
    auto* Child = new TWinControl(&Form);
    Child->SetParent(S);
    Form.Show();
    S->SetFocus();
    HWND Before = S->Handle();
    S->Extra = static_cast<uint32_t>(ES_MULTILINE) | static_cast<uint32_t>(WS_BORDER);
    S->RecreateWnd();
    EXPECT_FALSE(IsWindow(Before));
    EXPECT_TRUE(S->HandleAllocated());
    EXPECT_TRUE(GetWindowLong(S->Handle(), GWL_STYLE) & ES_MULTILINE);
    EXPECT_TRUE(Child->HandleAllocated());
    EXPECT_TRUE(S->Focused());
    EXPECT_EQ(S->ClientWidth(), 48);  // the border takes a pixel each side
    // A form kept on top says so in its window's styles.
    Form.SetFormStyle(fsStayOnTop);
    EXPECT_TRUE(GetWindowLong(Form.Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
}

TEST(Canvas, ScrollDCMovesPixelsAndReportsTheUncoveredPart)
{
    auto B = WhiteBitmap(10, 10);
    B->Canvas()->SetPixels(2, 5, clRed);
    HRGN Update = CreateRectRgn(0, 0, 0, 0);
    TRect UpdateRect;
    const TRect Area = Rect(0, 0, 10, 10);
    EXPECT_TRUE(ScrollDC(B->Canvas()->Handle(), 0, -3, &Area, &Area, Update, &UpdateRect));
    EXPECT_EQ(B->Canvas()->Pixels(2, 2), clRed);
    EXPECT_EQ(UpdateRect, Rect(0, 7, 10, 10));
    EXPECT_TRUE(PtInRegion(Update, 5, 8));
    EXPECT_FALSE(PtInRegion(Update, 5, 6));
    DeleteObject(Update);
}

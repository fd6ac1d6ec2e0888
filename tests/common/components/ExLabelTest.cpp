// The 3-D label: angles, text styles, frames, blinking, fly-by colour and
// auto size, checked on offscreen renders in a pinned font.

#include "common/components/ExLabel.h"

#include "tests/common/components/ComponentsTestKit.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace components_test;

namespace {

struct LabelFixture : ::testing::Test {
    LabelFixture() : Form(MakeForm(200, 60))
    {
        Label = new TExLabel(Form.get());
        Label->SetParent(Form.get());
        Label->SetAutoSize(false);
        Label->SetBounds(10, 10, 150, 30);
        Label->Font()->SetName("Arial");
        Label->Font()->SetHeight(-16);
        Label->Font()->SetColor(clBlack);
        Label->SetCaption("WWW");
    }
    std::unique_ptr<TForm> Form;
    TExLabel* Label = nullptr;
};

} // namespace

TEST(ExLabel, AngleIsKeptWithinOneTurn)
{
    TExLabel Label(nullptr);
    Label.Font()->SetName("Arial");
    struct Case { int In; int Stored; };
    const Case Cases[] = {
        {-90, 270},  // negative angles count back from a full turn
        {450, 90},   // a turn and a quarter is a quarter
        {-450, 270}, // a negative turn and a quarter too (not -90)
        {720, 0},    // two turns are none
        {359, 359},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.In);
        Label.SetAngle(C.In);
        EXPECT_EQ(Label.Angle(), C.Stored);
        EXPECT_GE(Label.Angle(), 0);
        EXPECT_LT(Label.Angle(), 360);
    }
}

TEST(ExLabel, TurningARasterFontSwitchesToVerdana)
{
    TExLabel Label(nullptr);
    Label.Font()->SetName("MS Sans Serif");
    Label.SetRotation(roFlat);
    EXPECT_EQ(Label.Font()->Name(), "Verdana");

    TExLabel Other(nullptr);
    Other.Font()->SetName("MS Sans Serif");
    Other.SetAngle(30);
    EXPECT_EQ(Other.Rotation(), roFlat) << "an angle turns a plain label flat";
    EXPECT_EQ(Other.Font()->Name(), "Verdana");
}

TEST_F(LabelFixture, ShadowStyleDrawsAnOffsetCopy)
{
    Label->SetTextStyle(tsShadow);
    Label->SetShadowColor(clRed);
    Label->SetShadowDepth(3);
    auto Bmp = Render(Form.get());
    const TRect Area {10, 10, 160, 40};
    EXPECT_GT(CountPixels(*Bmp, Area, clRed), 20) << "the shadow shows beside the text";
    EXPECT_GT(CountPixels(*Bmp, Area, clBlack), 20);

    Label->SetShadowDepth(0);
    Bmp = Render(Form.get());
    EXPECT_EQ(CountPixels(*Bmp, Area, clRed), 0) << "a shadow of depth 0 lies under the text";
}

TEST_F(LabelFixture, RaisedAndRecessedCopiesFollowLightStyle)
{
    Label->SetHighlightColor(clLime);
    Label->SetShadowColor(clRed);
    const TRect Area {10, 10, 160, 40};
    struct Case { TTextStyle Style; bool Light; bool Highlight; bool Shadow; };
    const Case Cases[] = {
        {tsRaised, false, true, true},
        {tsRaised, true, true, false},   // light raised: only the highlight
        {tsRecessed, false, true, true},
        {tsRecessed, true, true, false},
        {tsNormal, false, false, false},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(static_cast<int>(C.Style) * 10 + C.Light);
        Label->SetTextStyle(C.Style);
        Label->SetLightTextStyle(C.Light);
        auto Bmp = Render(Form.get());
        EXPECT_EQ(CountPixels(*Bmp, Area, clLime) > 0, C.Highlight);
        EXPECT_EQ(CountPixels(*Bmp, Area, clRed) > 0, C.Shadow);
    }
}

TEST_F(LabelFixture, FrameAndBandSurroundTheText)
{
    Label->SetBorderOuter(fsLowered);
    Label->SetBorderWidth(3);
    Label->SetBorderColor(clYellow);
    Label->SetBorderInner(fsFlat);
    Label->SetFlatColor(clBlue);
    Label->SetFlatColorAdjustment(0);
    Label->SetColor(clWhite);
    auto Bmp = Render(Form.get());
    EXPECT_EQ(PixelOf(*Bmp, 10, 25), Rgb(clBtnShadow)) << "outer lowered ring";
    EXPECT_EQ(PixelOf(*Bmp, 11, 25), Rgb(cl3DDkShadow));
    for (int X = 12; X < 15; ++X)
        EXPECT_EQ(PixelOf(*Bmp, X, 25), Rgb(clYellow)) << "band at x " << X;
    EXPECT_EQ(PixelOf(*Bmp, 15, 25), Rgb(clBlue)) << "inner flat ring";
    EXPECT_EQ(PixelOf(*Bmp, 150, 32), Rgb(clWhite)) << "the inside is filled with Color";
    SavePng(*Bmp, "exlabel-frame");
}

TEST_F(LabelFixture, DisabledTextIsEngraved)
{
    Label->SetEnabled(false);
    auto Bmp = Render(Form.get());
    const TRect Area {10, 10, 160, 40};
    EXPECT_EQ(CountPixels(*Bmp, Area, clBlack), 0);
    EXPECT_GT(CountPixels(*Bmp, Area, clBtnShadow), 20);
    EXPECT_GT(CountPixels(*Bmp, Area, clBtnHighlight), 0);
}

TEST(ExLabel, BlinkingLabelsShareOnePhaseAndInterval)
{
    TExLabel A(nullptr), B(nullptr), Still(nullptr);
    A.Font()->SetColor(clBlack);
    B.Font()->SetColor(clBlack);
    A.SetBlinkColor(clRed);
    B.SetBlinkColor(clRed);
    A.SetBlinking(true);
    B.SetBlinking(true);
    B.SetBlinkIntervalOn(250);
    EXPECT_EQ(A.BlinkIntervalOn(), 250) << "intervals live in the shared list";
    ASSERT_NE(ExBlinkingList(), nullptr);
    for (int Tick = 0; Tick < 4; ++Tick) {
        ExBlinkingList()->Tick();
        EXPECT_EQ(A.PaintColor(), B.PaintColor());
        EXPECT_EQ(Still.PaintColor(), Still.Font()->Color()) << "a label that does not blink stays";
    }
    ExBlinkingList()->Tick();
    const TColor Shown = A.PaintColor();
    A.SetBlinking(false);
    EXPECT_EQ(A.PaintColor(), clBlack) << "stopping returns to the font colour (was " << Shown << ")";
}

TEST_F(LabelFixture, FlyByColourWhileTheMouseIsOver)
{
    int Entered = 0;
    struct Counter {
        int* N;
        void Hit(TObject*) { ++*N; }
    } C {&Entered};
    Label->OnMouseEnter = TNotifyEvent(&C, &Counter::Hit);
    Label->SetFlyByEnabled(true);
    Label->SetFlyByColor(clRed);
    Label->Perform(CM_MOUSEENTER);
    EXPECT_EQ(Label->Font()->Color(), clRed);
    EXPECT_EQ(Entered, 1);
    Label->Perform(CM_MOUSELEAVE);
    EXPECT_EQ(Label->Font()->Color(), clBlack);
}

TEST_F(LabelFixture, AutoSizeMakesRoomForFrameAndShadow)
{
    Label->SetAutoSize(true);
    const int Plain = Label->Width();
    const int PlainH = Label->Height();
    Label->SetBorderOuter(fsRaised);
    EXPECT_EQ(Label->Width(), Plain + 4) << "two pixels of raised frame on each side";
    Label->SetTextStyle(tsShadow);
    EXPECT_EQ(Label->Width(), Plain + 4 + 2);
    EXPECT_EQ(Label->Height(), PlainH + 4 + 2);
    const int Right = Label->Left() + Label->Width();
    Label->SetAlignment(taRightJustify);
    Label->SetBorderWidth(5);
    EXPECT_EQ(Label->Left() + Label->Width(), Right) << "a right-aligned label keeps its right edge";
}

TEST(ExLabel, LooksRightOnATitleBand)
{
    auto Form = MakeForm(320, 120);
    auto* Title = new TExLabel(Form.get());
    Title->SetParent(Form.get());
    Title->SetAutoSize(false);
    Title->SetBounds(0, 0, 320, 40);
    Title->SetAlign(alTop);
    Title->SetAlignment(taCenter);
    Title->SetLayout(tlCenter);
    Title->SetColor(clTeal);
    Title->SetTextStyle(tsShadow);
    Title->Font()->SetName("Times New Roman");
    Title->Font()->SetHeight(-24);
    Title->Font()->SetStyle({fsBold});
    Title->Font()->SetColor(clWhite);
    Title->SetCaption("Справочник"_a);
    auto* Sunk = new TExLabel(Form.get());
    Sunk->SetParent(Form.get());
    Sunk->SetBounds(20, 60, 280, 40);
    Sunk->SetAutoSize(false);
    Sunk->SetTextStyle(tsRecessed);
    Sunk->SetBorderOuter(fsGroove);
    Sunk->SetAlignment(taCenter);
    Sunk->SetLayout(tlCenter);
    Sunk->Font()->SetHeight(-18);
    Sunk->SetCaption("Ценники"_a);
    auto Bmp = Render(Form.get());
    SavePng(*Bmp, "exlabel-title");
    EXPECT_EQ(PixelOf(*Bmp, 3, 3), Rgb(clTeal));
    EXPECT_GT(CountPixels(*Bmp, {0, 0, 320, 40}, clWhite), 50);
}

TEST_F(LabelFixture, FlatRotationTurnsTheTextAboutTheMiddle)
{
    Label->SetBounds(10, 0, 60, 60);
    Label->SetAlignment(taCenter);
    Label->SetCaption("IIIIIII");
    auto Flat = Render(Form.get());
    Label->SetAngle(90);
    EXPECT_EQ(Label->Rotation(), roFlat);
    auto Turned = Render(Form.get());
    // Upright, the ink lies in a wide, low band; turned, in a tall, narrow one.
    const auto Extent = [](TBitmap& Bmp, bool Horizontal) {
        int Lo = 1000, Hi = -1;
        for (int Y = 0; Y < 60; ++Y)
            for (int X = 10; X < 70; ++X)
                if (GetRValue(PixelOf(Bmp, X, Y)) < 100) {
                    const int V = Horizontal ? X : Y;
                    Lo = std::min(Lo, V);
                    Hi = std::max(Hi, V);
                }
        return Hi - Lo;
    };
    EXPECT_GT(Extent(*Flat, true), Extent(*Flat, false));
    EXPECT_GT(Extent(*Turned, false), Extent(*Turned, true));
}

TEST(ExLabel, TakesTheFrameControllersValues)
{
    TExFrameController Controller(nullptr);
    Controller.SetFrameVisible(true);
    Controller.SetFrameStyle(fsFlat);
    Controller.SetFrameColor(clRed);
    Controller.SetColor(clYellow);
    TExLabel Label(nullptr);
    Label.SetFrameController(&Controller);
    EXPECT_EQ(Label.BorderOuter(), fsFlat);
    EXPECT_EQ(Label.FlatColor(), clRed);
    EXPECT_EQ(Label.FlatColorAdjustment(), 0);
    EXPECT_EQ(Label.Color(), clYellow);
    Label.SetFrameControllerNotifications(AllFrameNotifications() - TExFrameControllerNotifications{fcpFrameStyle});
    Controller.SetFrameStyle(fsGroove);
    EXPECT_EQ(Label.BorderOuter(), fsFlat) << "a value the label does not take";
    {
        TExFrameController Short(nullptr);
        Label.SetFrameController(&Short);
    }
    EXPECT_EQ(Label.FrameController(), nullptr) << "a freed controller is forgotten";
}

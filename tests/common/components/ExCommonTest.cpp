// Colour arithmetic, frame painters, the shared blinking timer and the
// frame controller of the label family.

#include "common/components/ExCommon.h"

#include "tests/common/components/ComponentsTestKit.h"

#include "platform/forms/StdCtrls.h"

#include <gtest/gtest.h>

using namespace components_test;

TEST(ExCommon, HslRoundTripsAndShifts)
{
    Byte H = 0, S = 0, L = 0;
    SplitToHsl(clRed, H, S, L);
    EXPECT_EQ(H, 0);
    EXPECT_EQ(S, 240);
    EXPECT_EQ(L, 120);
    EXPECT_EQ(JoinHsl(H, S, L), clRed);
    SplitToHsl(clBlue, H, S, L);
    EXPECT_EQ(H, 160);
    EXPECT_EQ(JoinHsl(H, S, L), clBlue);

    struct Case { TColor In; int Amount; TColor Out; const char* Why; };
    const Case Cases[] = {
        {clWhite, -50, static_cast<TColor>(RGB(202, 202, 202)), "darker white is light grey"},
        {clBlack, 100, static_cast<TColor>(RGB(106, 106, 106)), "lighter black is dark grey"},
        {clBlack, 300, clWhite, "lightness stops at full white"},
        {clWhite, -300, clBlack, "and at black"},
        {clBtnFace, 0, clBtnFace, "no shift keeps even a system colour as it is"},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Why);
        EXPECT_EQ(ShiftLightness(C.In, C.Amount), C.Out);
    }
}

TEST(ExCommon, PaintersDrawTheirRingsAndShrink)
{
    TBitmap Bmp;
    Bmp.SetSize(20, 20);
    TCanvas* C = Bmp.Canvas();
    C->Brush()->SetColor(clWhite);
    C->FillRect({0, 0, 20, 20});

    const TRect Same = PaintBevel(C, {0, 0, 20, 20}, clRed, clBlue, 0, AllSides());
    EXPECT_EQ(Same, (TRect{0, 0, 20, 20})) << "width 0 draws nothing";
    EXPECT_EQ(PixelOf(Bmp, 0, 5), Rgb(clWhite));

    const TRect In = PaintSides(C, {0, 0, 20, 20}, clRed, clBlue, TSides{sdLeft, sdBottom});
    EXPECT_EQ(In, (TRect{1, 0, 20, 19}));
    EXPECT_EQ(PixelOf(Bmp, 0, 5), Rgb(clRed));
    EXPECT_EQ(PixelOf(Bmp, 5, 19), Rgb(clBlue));
    EXPECT_EQ(PixelOf(Bmp, 19, 5), Rgb(clWhite)) << "the right side was not asked for";

    C->Brush()->SetColor(clWhite);
    C->FillRect({0, 0, 20, 20});
    const TRect Lowered = Paint3DBorder(C, {0, 0, 20, 20}, true, AllSides());
    EXPECT_EQ(Lowered, (TRect{2, 2, 18, 18}));
    EXPECT_EQ(PixelOf(Bmp, 0, 5), Rgb(clBtnShadow));
    EXPECT_EQ(PixelOf(Bmp, 1, 5), Rgb(cl3DDkShadow));
    EXPECT_EQ(PixelOf(Bmp, 19, 5), Rgb(clBtnHighlight));
    EXPECT_EQ(PixelOf(Bmp, 18, 5), Rgb(cl3DLight));

    C->Brush()->SetColor(clWhite);
    C->FillRect({0, 0, 20, 20});
    PaintRoundedFlatBorder(C, {0, 0, 20, 20}, clRed, AllSides());
    EXPECT_EQ(PixelOf(Bmp, 0, 0), Rgb(clWhite)) << "corners stay open";
    EXPECT_EQ(PixelOf(Bmp, 1, 1), Rgb(clRed)) << "one pixel inside each corner";
    EXPECT_EQ(PixelOf(Bmp, 0, 10), Rgb(clRed));
}

TEST(ExCommon, BlinkingListIsSharedAndFreedWithItsLastControl)
{
    ASSERT_EQ(ExBlinkingList(), nullptr);
    TLabel A(nullptr), B(nullptr);
    ExBlinkingJoin(&A);
    ExBlinkingJoin(&B);
    ExBlinkingJoin(&A);
    ASSERT_NE(ExBlinkingList(), nullptr);
    EXPECT_EQ(ExBlinkingList()->Count(), 2) << "a control joins once";
    EXPECT_TRUE(ExBlinkingList()->Phase());
    ExBlinkingList()->SetIntervalOff(300);
    ExBlinkingList()->Tick();
    EXPECT_FALSE(ExBlinkingList()->Phase());
    EXPECT_EQ(ExBlinkingList()->Timer()->Interval(), 300u) << "the off phase runs its own length";
    ExBlinkingLeave(&A);
    ExBlinkingLeave(&B);
    EXPECT_EQ(ExBlinkingList(), nullptr);
}

namespace {

// A control that publishes some of the controller's values.
class FramedControl : public TCustomControl {
    PRICETAGS_CLASS(FramedControl, TCustomControl)
public:
    explicit FramedControl(TComponent* AOwner) : TCustomControl(AOwner) {}
    TColor FocusColor() const { return FFocus; }
    void SetFocusColor(TColor V) { FFocus = V; }
    bool FrameVisible() const { return FVisibleFrame; }
    void SetFrameVisible(bool V) { FVisibleFrame = V; }
    TColor FFocus = clNone;
    bool FVisibleFrame = false;
};

} // namespace

PRICETAGS_DEFINE_CLASS(FramedControl,
    Property("FocusColor", &FramedControl::FocusColor, &FramedControl::SetFocusColor),
    Property("FrameVisible", &FramedControl::FrameVisible, &FramedControl::SetFrameVisible))

TEST(ExFrameController, PushesValuesIntoRegisteredControls)
{
    TExFrameController Controller(nullptr);
    FramedControl Control(nullptr);
    Control.SetColor(clWhite);
    Controller.SetParentColor(true);
    Controller.RegisterControl(&Control);
    EXPECT_EQ(Control.FocusColor(), clNone) << "a parent-coloured controller sends no colours";
    EXPECT_EQ(Control.Color(), clWhite);

    Controller.SetFrameHotTrack(true);
    EXPECT_TRUE(Control.FrameVisible()) << "hot tracking shows the frame";
    Controller.SetColor(clYellow);
    EXPECT_FALSE(Controller.ParentColor());
    EXPECT_EQ(Controller.FocusColor(), clYellow) << "the focus colour follows when it was equal";
    EXPECT_EQ(Control.FocusColor(), clYellow);

    TExFrameController Other(nullptr);
    Other.Assign(&Controller);
    EXPECT_EQ(Other.FocusColor(), clYellow);
    EXPECT_TRUE(Other.FrameHotTrack());
    Controller.UnregisterControl(&Control);
    EXPECT_EQ(Controller.ControlCount(), 0);
}

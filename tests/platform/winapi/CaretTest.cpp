// The caret: made, shown and hidden in pairs, moved, drawn inverted over
// its window and gone with it.

#include "platform/forms/Forms.h"
#include "platform/forms/InputSimulation.h"
#include "platform/winapi/SystemMetrics.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

struct CaretFixture : ::testing::Test {
    TForm Form {nullptr};
    TCustomControl* Box = nullptr;
    void SetUp() override
    {
        Form.SetClientWidth(200);
        Form.SetClientHeight(100);
        Form.SetColor(clWhite);
        Box = new TCustomControl(&Form);
        Box->SetParent(&Form);
        Box->SetBounds(10, 10, 100, 50);
        Box->SetColor(clWhite);
        Form.Show();
    }
    void TearDown() override { DestroyCaret(); }
    // The pixel of the box's client point (X, Y) as shown.
    TColor Shown(int X, int Y)
    {
        TBitmap Grab;
        GrabWindow(&Form, &Grab);
        return Grab.Canvas()->Pixels(10 + X, 10 + Y);
    }
};

}  // namespace

TEST_F(CaretFixture, ShowAndHideCountAndTheCaretIsDrawnInverted)
{
    HWND H = Box->Handle();
    ASSERT_TRUE(CreateCaret(H, nullptr, 2, 12));
    EXPECT_TRUE(SetCaretPos(20, 5));
    EXPECT_EQ(Shown(21, 10), clWhite);  // made hidden
    EXPECT_TRUE(ShowCaret(H));
    EXPECT_FALSE(ShowCaret(H));  // shown already
    EXPECT_EQ(Shown(21, 10), clBlack);
    EXPECT_EQ(Shown(22, 10), clWhite);  // 2 pixels wide
    EXPECT_TRUE(HideCaret(nullptr));
    EXPECT_TRUE(HideCaret(H));
    EXPECT_TRUE(ShowCaret(H));
    EXPECT_EQ(Shown(21, 10), clWhite);  // one HideCaret still owes its ShowCaret
    EXPECT_TRUE(ShowCaret(H));
    EXPECT_TRUE(SetCaretPos(40, 5));
    EXPECT_EQ(Shown(21, 10), clWhite);
    EXPECT_EQ(Shown(40, 16), clBlack);
    TPoint At;
    EXPECT_TRUE(GetCaretPos(At));
    EXPECT_EQ(At, Point(40, 5));
    // Another window's calls do not touch it.
    EXPECT_FALSE(HideCaret(Form.Handle()));
    EXPECT_TRUE(DestroyCaret());
    EXPECT_EQ(Shown(40, 16), clWhite);
    EXPECT_FALSE(ShowCaret(H));
    EXPECT_FALSE(GetCaretPos(At));
}

TEST_F(CaretFixture, TheCaretGoesWithItsWindow)
{
    ASSERT_TRUE(CreateCaret(Box->Handle(), CaretGrey, 0, 10));
    EXPECT_TRUE(ShowCaret(nullptr));
    EXPECT_EQ(Shown(0, 5), static_cast<TColor>(RGB(0x7F, 0x7F, 0x7F)));  // grey over white
    delete Box;
    EXPECT_FALSE(SetCaretPos(1, 1));
    EXPECT_FALSE(DestroyCaret());
    EXPECT_FALSE(CreateCaret(nullptr, nullptr, 1, 1));
}

// What a paint leaves in the window system's pixels is what the window
// draws: the frame, a child and the caret, at the form's place in its
// top-level window.
TEST_F(CaretFixture, TheBackingStoreHoldsWhatTheWindowDraws)
{
    ASSERT_TRUE(CreateCaret(Box->Handle(), nullptr, 2, 12));
    ASSERT_TRUE(SetCaretPos(20, 5));
    ASSERT_TRUE(ShowCaret(Box->Handle()));
    Box->SetColor(clRed);
    TBitmap Drawn;
    GrabWindow(&Form, &Drawn);
    TBitmap Stored;
    GrabBackingStore(&Form, &Stored);
    ASSERT_EQ(Stored.Width(), Drawn.Width());
    ASSERT_EQ(Stored.Height(), Drawn.Height());
    int Differ = 0;
    for (int Y = 0; Y < Drawn.Height(); ++Y)
        for (int X = 0; X < Drawn.Width(); ++X)
            Differ += Stored.Canvas()->Pixels(X, Y) != Drawn.Canvas()->Pixels(X, Y);
    EXPECT_EQ(Differ, 0);
    EXPECT_EQ(Stored.Canvas()->Pixels(10 + 40, 10 + 30), clRed);
    EXPECT_EQ(Stored.Canvas()->Pixels(150, 80), clWhite);
}

// Speed buttons as they paint.

#include "platform/forms/Buttons.h"

#include "platform/forms/Forms.h"
#include "platform/forms/InputSimulation.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>

TEST(SpeedButton, HeldDownByItsGroupShowsADitheredFace)
{
    TForm Form(nullptr);
    Form.SetClientWidth(120);
    Form.SetClientHeight(60);
    auto* Held = new TSpeedButton(&Form);
    Held->SetParent(&Form);
    Held->SetBounds(10, 10, 40, 30);
    Held->SetGroupIndex(1);
    Held->SetDown(true);
    auto* Pressed = new TSpeedButton(&Form);
    Pressed->SetParent(&Form);
    Pressed->SetBounds(60, 10, 40, 30);
    Form.Show();
    TBitmap Shown;
    GrabWindow(&Form, &Shown);
    if (const char* Keep = std::getenv("PRICETAGS_BUTTONS_PNG"))
        WriteBytes(Keep, Shown.SaveToPngBytes());
    const TColor Face = static_cast<TColor>(ColorToRGB(clBtnFace));
    const TColor Light = static_cast<TColor>(ColorToRGB(clBtnHighlight));
    // Every other pixel of the face is the highlight, the rest the face
    // colour: a checker, not a solid white.
    TCanvas& C = *Shown.Canvas();
    for (int Y = 14; Y < 36; ++Y)
        for (int X = 14; X < 46; ++X) {
            SCOPED_TRACE(testing::Message() << X << "," << Y);
            const TColor P = C.Pixels(X, Y);
            ASSERT_TRUE(P == Face || P == Light);
            ASSERT_NE(P, C.Pixels(X + 1, Y));
            ASSERT_NE(P, C.Pixels(X, Y + 1));
        }
    // A button without a group keeps the plain face.
    EXPECT_EQ(C.Pixels(80, 25), Face);
}

// The screenshot taken of the program's own windows: the monitor's picture
// holds the window as painted, black where no window of the program lies,
// a two-pixel red frame around the focused control and the cursor at the
// mouse position; with the foreground-only option, the active window alone.
// Read back through the independent PNG decoder. Runs offscreen and under
// a real X server (the xvfb run of this program).

#include "exceptionlog/ModuleOptions.h"
#include "exceptionlog/Screenshot.h"

#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"
#include "platform/winapi/Windows.h"

#include "tests/exceptionlog/PngDecoder.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>

namespace {

constexpr TColor FormColour = TColor(0x00609030);  // RGB 30 90 60
const char FormRgb[] = "309060";

struct Shot {
    Decoded D;
    TRect Area;  // screen rectangle the picture shows
    std::string At(int ScreenX, int ScreenY) const
    {
        const int X = ScreenX - Area.Left, Y = ScreenY - Area.Top;
        if (X < 0 || Y < 0 || X >= D.Width || Y >= D.Height)
            return "outside";
        return D.Pixels.substr(size_t(Y * D.Width + X) * 6, 6);
    }
};

// A form with an edit (focused) and a button, shown at a known place.
class Capture : public ::testing::Test {
protected:
    void SetUp() override
    {
        Form = new TForm(Application);
        Form->SetBounds(60, 40, 320, 200);
        Form->SetColor(FormColour);
        Form->SetCaption("Invoice");
        Edit = new TEdit(Form);
        Edit->SetParent(Form);
        Edit->SetBounds(20, 20, 150, 24);
        Button = new TButton(Form);
        Button->SetParent(Form);
        Button->SetBounds(20, 90, 100, 30);
        Button->SetCaption("OK");
        Form->Show();
        Edit->SetFocus();
        Application->ProcessMessages();
    }
    void TearDown() override
    {
        FreeScreenshot();
        delete Form;
        SetCursorPos(0, 0);
    }

    Shot Take(Word SendOptions, TRect Area)
    {
        TRazuroModuleOptions O;
        O.SendOptions = SendOptions;
        // The picture holds the windows as last painted: on a loaded
        // machine the X server's expose may not have come yet.
        RedrawWindow(Form->Handle(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        RecordScreenshotMoment();
        CaptureScreenshot(O);
        Shot S;
        S.Area = Area;
        EXPECT_TRUE(ScreenshotTaken());
        const std::string Png = ScreenshotPNG();
        if (const char* Keep = std::getenv("SCREENSHOT_KEEP"))
            std::ofstream(std::string(Keep) + "/" +
                              ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".png",
                          std::ios::binary)
                << Png;
        S.D = Decode(Png);
        return S;
    }

    TForm* Form = nullptr;
    TEdit* Edit = nullptr;
    TButton* Button = nullptr;
};

TRect WindowRect(TWinControl* C)
{
    TRect R;
    GetWindowRect(C->Handle(), R);
    return R;
}

TEST_F(Capture, MonitorPictureHoldsOnlyOwnWindowsTheFocusFrameAndTheCursor)
{
    const TRect F = WindowRect(Form), E = WindowRect(Edit), B = WindowRect(Button);
    // The mouse over an empty part of the form.
    const TPoint Mouse{F.Left + 220, F.Top + 120};
    SetCursorPos(Mouse.X, Mouse.Y);
    SetCursor(LoadCursor(0, IDC_ARROW));
    MONITORINFO M;
    ASSERT_TRUE(GetMonitorInfo(MonitorFromWindow(Form->Handle(), MONITOR_DEFAULTTONEAREST), M));
    const Shot S = Take(0x0051, M.rcMonitor);

    EXPECT_EQ(S.D.Width, M.rcMonitor.Width());
    EXPECT_EQ(S.D.Height, M.rcMonitor.Height());
    struct Spot {
        const char* What;
        int X, Y;
        std::string Rgb;
    };
    const int EdgeY = (E.Top + E.Bottom) / 2, EdgeX = (E.Left + E.Right) / 2;
    const Spot Spots[] = {
        {"no window of the program: black, whatever else is on the screen", F.Left - 5, F.Top + 50, "000000"},
        {"below the form", F.Left + 50, F.Bottom + 3, "000000"},
        {"the form as painted", F.Left + 250, F.Bottom - 20, FormRgb},
        {"focus frame, left edge", E.Left, EdgeY, "ff0000"},
        {"focus frame, second pixel of the left edge", E.Left + 1, EdgeY, "ff0000"},
        {"focus frame, top edge", EdgeX, E.Top, "ff0000"},
        {"focus frame, right edge", E.Right - 1, EdgeY, "ff0000"},
        {"focus frame, second pixel of the bottom edge", EdgeX, E.Bottom - 2, "ff0000"},
        {"inside the edit, past the frame", E.Left + 6, EdgeY, "ffffff"},
        {"the button is not framed", B.Left, (B.Top + B.Bottom) / 2, "not red"},
        {"the arrow's outline at the mouse", Mouse.X, Mouse.Y + 5, "000000"},
        {"the arrow's white inside", Mouse.X + 2, Mouse.Y + 7, "ffffff"},
        {"beside the arrow, the form again", Mouse.X + 14, Mouse.Y + 3, FormRgb},
    };
    for (const Spot& P : Spots) {
        SCOPED_TRACE(P.What);
        if (P.Rgb == "not red")
            EXPECT_NE(S.At(P.X, P.Y), "ff0000");
        else
            EXPECT_EQ(S.At(P.X, P.Y), P.Rgb);
    }
}

TEST_F(Capture, ForegroundOnlyTakesTheActiveWindow)
{
    const TRect F = WindowRect(Form), E = WindowRect(Edit);
    ASSERT_EQ(GetForegroundWindow(), Form->Handle());
    const Shot S = Take(0x0051 | 0x20, F);
    EXPECT_EQ(S.D.Width, F.Width());
    EXPECT_EQ(S.D.Height, F.Height());
    EXPECT_EQ(S.At(E.Left, (E.Top + E.Bottom) / 2), "ff0000");
    EXPECT_EQ(S.At(F.Left + 250, F.Bottom - 20), FormRgb);
}

// The picture is freed, and a second capture replaces the first.
TEST_F(Capture, FreeLeavesNothingToWrite)
{
    TRazuroModuleOptions O;
    CaptureScreenshot(O);
    ASSERT_TRUE(ScreenshotTaken());
    FreeScreenshot();
    EXPECT_FALSE(ScreenshotTaken());
    EXPECT_EQ(ScreenshotPNG(), "");
    const TempDir Dir;
    EXPECT_FALSE(SaveScreenshotPNG(Dir.File("Screenshot.png")));
    EXPECT_FALSE(std::filesystem::exists(Dir.Path() / "Screenshot.png"));
}

// The file is made new: a file (or a link) already there under the name is
// neither overwritten nor followed.
TEST_F(Capture, SaveMakesANewFileOnly)
{
    TRazuroModuleOptions O;
    CaptureScreenshot(O);
    const TempDir Dir;
    EXPECT_TRUE(SaveScreenshotPNG(Dir.File("Screenshot.png")));
    EXPECT_EQ(Decode(ReadBytes(Dir.Path() / "Screenshot.png")).Width, Decode(ScreenshotPNG()).Width);
    WriteBytes(Dir.Path() / "target", "kept");
    std::filesystem::create_symlink(Dir.Path() / "target", Dir.Path() / "Planted.png");
    EXPECT_FALSE(SaveScreenshotPNG(Dir.File("Planted.png")));
    EXPECT_EQ(ReadBytes(Dir.Path() / "target"), "kept");
    EXPECT_FALSE(SaveScreenshotPNG(""));
}

}  // namespace

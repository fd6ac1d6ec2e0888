// Top-level windows seen through: the opacity of a layered window and a
// window's region, as the calls answer and as the screen's picture of the
// program's windows shows them.

#include "platform/winapi/LayeredWindows.h"

#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

/// A shown form of one colour at (Left, Top), Size x Size pixels, without
/// a frame.
std::unique_ptr<TForm> Plate(TColor Color, int Left, int Top, int Size)
{
    auto Form = std::make_unique<TForm>(nullptr, 0);
    Form->SetBorderStyle(bsNone);
    Form->SetBounds(Left, Top, Size, Size);
    Form->SetColor(Color);
    Form->Show();
    Form->Update();
    return Form;
}

/// A pixel of the program's windows on the screen.
COLORREF ScreenPixel(int X, int Y)
{
    HDC Desk = GetWindowDC(GetDesktopWindow());
    const COLORREF C = GetPixel(Desk, X, Y);
    ReleaseDC(GetDesktopWindow(), Desk);
    return C & 0xFFFFFF;
}

}  // namespace

TEST(LayeredWindows, OpacityOfALayeredWindow)
{
    auto Back = Plate(clRed, 0, 0, 100);
    auto Front = Plate(clBlue, 20, 20, 40);
    // Made topmost while shown, it stays on the screen (the pixels below).
    SetWindowPos(Front->Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    const HWND Wnd = Front->Handle();
    // Only a layered window takes an opacity, and only as alpha.
    EXPECT_FALSE(SetLayeredWindowAttributes(Wnd, 0, 128, LWA_ALPHA));
    EXPECT_FALSE(GetLayeredWindowAttributes(Wnd, nullptr, nullptr, nullptr));
    SetWindowLong(Wnd, GWL_EXSTYLE, GetWindowLong(Wnd, GWL_EXSTYLE) | WS_EX_LAYERED);
    EXPECT_FALSE(GetLayeredWindowAttributes(Wnd, nullptr, nullptr, nullptr));  // none given yet
    EXPECT_FALSE(SetLayeredWindowAttributes(Wnd, RGB(0, 0, 255), 0, LWA_COLORKEY));
    EXPECT_EQ(ScreenPixel(30, 30), RGB(0, 0, 255));

    struct Case {
        Byte Alpha;
        COLORREF Seen;  // over the red window
    };
    const Case Cases[] = {
        {0, RGB(255, 0, 0)},     // not seen at all
        {128, RGB(127, 0, 128)},  // half way
        {255, RGB(0, 0, 255)},   // opaque
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Alpha);
        ASSERT_TRUE(SetLayeredWindowAttributes(Wnd, 0, C.Alpha, LWA_ALPHA));
        Byte Alpha = 1;
        DWORD Flags = 0;
        ASSERT_TRUE(GetLayeredWindowAttributes(Wnd, nullptr, &Alpha, &Flags));
        EXPECT_EQ(Alpha, C.Alpha);
        EXPECT_EQ(Flags, DWORD(LWA_ALPHA));
        const COLORREF P = ScreenPixel(30, 30);
        EXPECT_NEAR(GetRValue(P), GetRValue(C.Seen), 1);
        EXPECT_NEAR(GetBValue(P), GetBValue(C.Seen), 1);
        EXPECT_EQ(ScreenPixel(10, 10), RGB(255, 0, 0));  // outside it
    }
    // Without the style the window is opaque again.
    SetLayeredWindowAttributes(Wnd, 0, 0, LWA_ALPHA);
    SetWindowLong(Wnd, GWL_EXSTYLE, GetWindowLong(Wnd, GWL_EXSTYLE) & ~WS_EX_LAYERED);
    EXPECT_EQ(ScreenPixel(30, 30), RGB(0, 0, 255));
    EXPECT_FALSE(GetLayeredWindowAttributes(Wnd, nullptr, nullptr, nullptr));
}

TEST(LayeredWindows, RegionCutsTheWindow)
{
    auto Back = Plate(clRed, 0, 0, 100);
    auto Front = Plate(clBlue, 20, 20, 40);
    SetWindowPos(Front->Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    const HWND Wnd = Front->Handle();
    HRGN Probe = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(GetWindowRgn(Wnd, Probe), ERROR);  // none: all of it shows

    // The top ten rows of the window (window coordinates).
    ASSERT_TRUE(SetWindowRgn(Wnd, CreateRectRgn(0, 0, 40, 10), true));
    TRect Box;
    EXPECT_EQ(GetWindowRgn(Wnd, Probe), SIMPLEREGION);
    GetRgnBox(Probe, Box);
    EXPECT_EQ(Box, (TRect{0, 0, 40, 10}));
    EXPECT_EQ(ScreenPixel(30, 25), RGB(0, 0, 255));
    EXPECT_EQ(ScreenPixel(30, 35), RGB(255, 0, 0));

    // An empty region hides the window whole; none shows it whole again.
    ASSERT_TRUE(SetWindowRgn(Wnd, CreateRectRgn(0, 0, 0, 0), true));
    EXPECT_EQ(GetWindowRgn(Wnd, Probe), NULLREGION);
    EXPECT_EQ(ScreenPixel(30, 25), RGB(255, 0, 0));
    ASSERT_TRUE(SetWindowRgn(Wnd, nullptr, true));
    EXPECT_EQ(GetWindowRgn(Wnd, Probe), ERROR);
    EXPECT_EQ(ScreenPixel(30, 35), RGB(0, 0, 255));

    // A child window has no region; the region given is freed all the same.
    TButton* Child = new TButton(Back.get());
    Child->SetParent(Back.get());
    EXPECT_FALSE(SetWindowRgn(Child->Handle(), CreateRectRgn(0, 0, 5, 5), true));
    DeleteObject(Probe);
}

// The library's speed button: glyph images per state, the frames of each
// look, groups, repeat while held (ticks driven by the test) and the
// drop-down menu.

#include "common/components/ylCtrls.h"

#include "tests/common/components/ComponentsTestKit.h"

#include "platform/forms/ActnList.h"
#include "platform/forms/ImgList.h"
#include "platform/forms/InputSimulation.h"
#include "platform/forms/Menus.h"

#include <gtest/gtest.h>

using namespace components_test;

namespace {

/// A glyph of N images of 16 x 16 on fuchsia, image I a square in Colors[I].
std::unique_ptr<TBitmap> MakeGlyph(std::initializer_list<TColor> Colors)
{
    auto Glyph = std::make_unique<TBitmap>();
    Glyph->SetSize(16 * static_cast<int>(Colors.size()), 16);
    Glyph->Canvas()->Brush()->SetColor(clFuchsia);
    Glyph->Canvas()->FillRect({0, 0, Glyph->Width(), 16});
    int X = 0;
    for (TColor C : Colors) {
        Glyph->Canvas()->Brush()->SetColor(C);
        Glyph->Canvas()->FillRect({X + 3, 3, X + 13, 13});
        X += 16;
    }
    return Glyph;
}

struct Clicks {
    int Count = 0;
    void Hit(TObject*) { ++Count; }
};

struct ButtonFixture : ::testing::Test {
    ButtonFixture() : Form(MakeForm(200, 100))
    {
        Form->Show();
        Button = MakeButton(10, 10);
    }
    TylSpeedButton* MakeButton(int X, int Y)
    {
        auto* B = new TylSpeedButton(Form.get());
        B->SetParent(Form.get());
        B->SetBounds(X, Y, 25, 25);
        return B;
    }
    /// The button as drawn, cut out of a render of the form.
    COLORREF At(TylSpeedButton* B, int X, int Y)
    {
        auto Bmp = Render(Form.get());
        return PixelOf(*Bmp, B->Left() + X, B->Top() + Y);
    }
    std::unique_ptr<TForm> Form;
    TylSpeedButton* Button = nullptr;
};

} // namespace

TEST(TylButtonGlyph, NumGlyphsFollowsTheGlyphShape)
{
    struct Case { int Width; int Height; int NumGlyphs; };
    const Case Cases[] = {
        {64, 16, 4},   // four square images
        {112, 16, 1},  // seven would be too many: one wide image
        {80, 16, 5},
        {16, 16, 1},
        {40, 16, 1},   // not a whole multiple: NumGlyphs stays
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Width);
        TylSpeedButton B(nullptr);
        TBitmap G;
        G.SetSize(C.Width, C.Height);
        B.SetGlyph(&G);
        EXPECT_EQ(B.NumGlyphs(), C.NumGlyphs);
    }
    TylSpeedButton B(nullptr);
    B.SetNumGlyphs(9);
    EXPECT_EQ(B.NumGlyphs(), 5);
    B.SetNumGlyphs(0);
    EXPECT_EQ(B.NumGlyphs(), 5) << "0 is ignored";
}

TEST(TylButtonGlyph, ImagesOfOneSizeShareACachedList)
{
    {
        TylSpeedButton A(nullptr), B(nullptr), Big(nullptr);
        auto G = MakeGlyph({clRed});
        A.SetGlyph(G.get());
        B.SetGlyph(G.get());
        TBitmap Large;
        Large.SetSize(24, 24);
        Big.SetGlyph(&Large);
        TylButtonGlyph Probe;
        Probe.SetGlyph(G.get());
        ASSERT_NE(GlyphCache(), nullptr);
        EXPECT_GE(Probe.CreateButtonGlyph(ybsUp), 0);
        EXPECT_EQ(Probe.CreateButtonGlyph(ybsDown), Probe.CreateButtonGlyph(ybsUp))
            << "with fewer than three images down shows the up image";
        TylButtonGlyph Other;
        Other.SetGlyph(G.get());
        Other.CreateButtonGlyph(ybsUp);
        EXPECT_EQ(Other.GlyphList(), Probe.GlyphList());
        EXPECT_EQ(GlyphCache()->ListCount(), 1);
        Probe.Invalidate();
        Other.Invalidate();
        EXPECT_EQ(GlyphCache()->ListCount(), 0) << "an unused list goes back";
    }
    EXPECT_EQ(GlyphCache(), nullptr) << "the cache goes with the last painter";
}

TEST_F(ButtonFixture, FramesOfEachLook)
{
    const int W = 24, H = 24; // last pixel of the 25 x 25 button
    EXPECT_EQ(At(Button, 0, 0), Rgb(clBtnHighlight));
    EXPECT_EQ(At(Button, W, H), Rgb(clWindowFrame));
    EXPECT_EQ(At(Button, W - 1, H - 1), Rgb(clBtnShadow));
    Button->SetGroupIndex(1);
    Button->SetDown(true);
    EXPECT_EQ(At(Button, 0, 0), Rgb(clWindowFrame));
    EXPECT_EQ(At(Button, W, H), Rgb(clBtnHighlight));
    // A held-down button shows the face and highlight dither inside.
    auto Bmp = Render(Form.get());
    const TRect Inside {Button->Left() + 4, Button->Top() + 4, Button->Left() + 20, Button->Top() + 20};
    EXPECT_GT(CountPixels(*Bmp, Inside, clBtnHighlight), 40);
    Button->SetAllowAllUp(true);
    Button->SetDown(false);
    Button->SetStyle(bsWin31);
    EXPECT_EQ(At(Button, 0, 0), Rgb(clWindowFrame)) << "the old look has a dark outline";
    EXPECT_EQ(At(Button, 1, 1), Rgb(clBtnHighlight));
}

TEST_F(ButtonFixture, FlatButtonOutsideTheMouseIsGreyAndFrameless)
{
    auto G = MakeGlyph({clRed});
    Button->SetGlyph(G.get());
    Button->SetFlat(true);
    const int Mid = 12;
    const COLORREF Grey = At(Button, Mid, Mid);
    EXPECT_NE(Grey, Rgb(clRed));
    EXPECT_EQ(GetRValue(Grey), GetGValue(Grey)) << "the inactive image is grey";
    EXPECT_EQ(At(Button, 0, 0), Rgb(clBtnFace)) << "no frame without the mouse";
    Button->SetGrayedInactive(false);
    EXPECT_EQ(At(Button, Mid, Mid), Rgb(clRed));

    auto Five = MakeGlyph({clRed, clGreen, clBlue, clYellow, clAqua});
    Button->SetGlyph(Five.get());
    Button->SetGrayedInactive(true);
    EXPECT_EQ(At(Button, Mid, Mid), Rgb(clAqua)) << "a fifth image is the inactive one";
    Button->Perform(CM_MOUSEENTER);
    ASSERT_TRUE(Button->MouseInControl());
    EXPECT_EQ(At(Button, Mid, Mid), Rgb(clRed));
    EXPECT_EQ(At(Button, 0, 0), Rgb(clBtnHighlight)) << "the flat frame shows under the mouse";
    Button->SetEnabled(false);
    EXPECT_EQ(At(Button, Mid, Mid), Rgb(clGreen)) << "the second image is the disabled one";
}

TEST_F(ButtonFixture, FlatButtonTracksTheMouse)
{
    Button->SetFlat(true);
    Clicks Entered, Left;
    Button->OnMouseEnter = TNotifyEvent(&Entered, &Clicks::Hit);
    Button->OnMouseLeave = TNotifyEvent(&Left, &Clicks::Hit);
    SimulateMouseMove(Button, 5, 5);
    EXPECT_TRUE(Button->MouseInControl());
    EXPECT_EQ(Entered.Count, 1);
    EXPECT_EQ(At(Button, 0, 0), Rgb(clBtnHighlight)) << "the frame shows under the mouse";
    SimulateMouseMove(Form.get(), 150, 80);
    EXPECT_FALSE(Button->MouseInControl());
    EXPECT_EQ(Left.Count, 1);
}

TEST_F(ButtonFixture, DisabledSingleGlyphIsEngraved)
{
    auto G = MakeGlyph({clNavy});
    Button->SetGlyph(G.get());
    Button->SetEnabled(false);
    auto Bmp = Render(Form.get());
    const TRect Face {Button->Left() + 2, Button->Top() + 2, Button->Left() + 23, Button->Top() + 23};
    EXPECT_EQ(CountPixels(*Bmp, Face, clNavy), 0);
    EXPECT_GT(CountPixels(*Bmp, Face, clBtnShadow), 50);
}

TEST_F(ButtonFixture, GroupKeepsOneButtonDown)
{
    TylSpeedButton* Other = MakeButton(40, 10);
    Clicks C;
    for (TylSpeedButton* B : {Button, Other}) {
        B->SetGroupIndex(3);
        B->OnClick = TNotifyEvent(&C, &Clicks::Hit);
    }
    SimulateClick(Button, 5, 5);
    EXPECT_TRUE(Button->Down());
    SimulateClick(Other, 5, 5);
    EXPECT_TRUE(Other->Down());
    EXPECT_FALSE(Button->Down()) << "pressing one raises the other";
    EXPECT_EQ(Button->State(), ybsUp);
    SimulateClick(Other, 5, 5);
    EXPECT_TRUE(Other->Down()) << "without AllowAllUp the down button stays down";
    EXPECT_EQ(C.Count, 3);
    Other->SetAllowAllUp(true);
    EXPECT_TRUE(Button->AllowAllUp()) << "the group shares AllowAllUp";
    SimulateClick(Other, 5, 5);
    EXPECT_FALSE(Other->Down());
    SimulateMouseDown(Button, mbLeft, 5, 5);
    SimulateMouseMove(Button, 60, 60);
    EXPECT_EQ(Button->State(), ybsUp) << "dragged off, the button springs up";
    SimulateMouseUp(Button, mbLeft, 60, 60);
    EXPECT_FALSE(Button->Down());
    EXPECT_EQ(C.Count, 4) << "a release outside is no click";
}

TEST_F(ButtonFixture, HeldButtonRepeatsItsClick)
{
    Clicks C;
    Button->OnClick = TNotifyEvent(&C, &Clicks::Hit);
    Button->SetAllowTimer(true);
    SimulateMouseDown(Button, mbLeft, 5, 5);
    ASSERT_NE(Button->RepeatTimer(), nullptr);
    EXPECT_EQ(Button->RepeatTimer()->Interval(), 500u) << "the first click waits InitPause";
    EXPECT_EQ(C.Count, 0);
    TTimer* Timer = Button->RepeatTimer();
    Timer->OnTimer(Timer);
    EXPECT_EQ(C.Count, 1);
    EXPECT_EQ(Timer->Interval(), 100u) << "then every RepeatInterval";
    Timer->OnTimer(Timer);
    Timer->OnTimer(Timer);
    EXPECT_EQ(C.Count, 3);
    SimulateMouseUp(Button, mbLeft, 5, 5);
    EXPECT_EQ(C.Count, 4) << "and once more when released inside";
    EXPECT_FALSE(Timer->Enabled());
    Button->SetAllowTimer(false);
    EXPECT_EQ(Button->RepeatTimer(), nullptr);
}

TEST_F(ButtonFixture, DropDownMenuPopsUnderTheButton)
{
    auto* Menu = new TPopupMenu(Form.get());
    auto* Item = new TMenuItem(Form.get());
    Item->SetCaption("Первый"_a);
    Menu->Items()->Add(Item);
    Clicks ItemClicks, ButtonClicks;
    Item->OnClick = TNotifyEvent(&ItemClicks, &Clicks::Hit);
    Button->OnClick = TNotifyEvent(&ButtonClicks, &Clicks::Hit);
    Button->SetDropDownMenu(Menu);
    TPoint Shown;
    PopupMenuHookScope Hook([&](TPopupMenu& M, TPoint P) -> TMenuItem* {
        Shown = P;
        return M.Items()->Items(0);
    });
    SimulateClick(Button, 5, 5);
    EXPECT_EQ(ItemClicks.Count, 1);
    EXPECT_EQ(ButtonClicks.Count, 0) << "the menu's choice is the action";
    EXPECT_EQ(Menu->PopupComponent(), Button);
    EXPECT_EQ(Shown, Button->ClientToScreen({-1, Button->Height()}));
    EXPECT_EQ(Button->State(), ybsUp);
    // The mark: a small triangle in the button text colour.
    auto Bmp = Render(Form.get());
    const TRect Face {Button->Left() + 3, Button->Top() + 3, Button->Left() + 22, Button->Top() + 22};
    EXPECT_EQ(CountPixels(*Bmp, Face, clBtnText), 16);
}

TEST_F(ButtonFixture, ClickGivesTheFormItsModalResultAndAcceleratorPresses)
{
    Button->SetModalResult(mrOk);
    Button->SetCaption("&Да"_a);
    Clicks C;
    Button->OnClick = TNotifyEvent(&C, &Clicks::Hit);
    Button->Click();
    EXPECT_EQ(Form->ModalResult(), mrOk);
    EXPECT_EQ(Button->Perform(CM_DIALOGCHAR, static_cast<unsigned char>("д"_a[1])), 1);
    EXPECT_EQ(C.Count, 2);
}

TEST(TylSpeedButton, LooksRightInAToolbarRow)
{
    auto Form = MakeForm(260, 50);
    int X = 4;
    struct Look { bool Flat; bool Down; bool Enabled; const char* Caption; };
    const Look Looks[] = {
        {false, false, true, ""}, {false, true, true, ""}, {true, false, true, ""},
        {false, false, false, ""}, {false, false, true, "Цена"}, {false, false, false, "Цена"},
    };
    int Group = 1;
    for (const Look& L : Looks) {
        auto* B = new TylSpeedButton(Form.get());
        B->SetParent(Form.get());
        const bool Wide = *L.Caption != 0;
        B->SetBounds(X, 8, Wide ? 60 : 32, 32);
        B->SetLayout(blGlyphLeft);
        auto G = MakeGlyph({clNavy});
        B->SetGlyph(G.get());
        B->SetCaption(AnsiString::FromUtf8(L.Caption));
        B->SetFlat(L.Flat);
        if (L.Down) {
            B->SetGroupIndex(Group++);
            B->SetDown(true);
        }
        B->SetEnabled(L.Enabled);
        X += B->Width() + 4;
    }
    auto Bmp = Render(Form.get());
    SavePng(*Bmp, "speedbuttons");
    EXPECT_EQ(CountPixels(*Bmp, {0, 0, 260, 50}, clNavy), 3 * 100) << "three enabled glyphs that are not flat";
}

TEST_F(ButtonFixture, FollowsItsActionsCheckAndImage)
{
    auto* Images = new TImageList(Form.get(), 16, 16);
    auto Picture = MakeGlyph({clGreen});
    Images->AddMasked(Picture.get(), clFuchsia);
    auto* List = new TActionList(Form.get());
    List->SetImages(Images);
    auto* Action = new TAction(Form.get());
    Action->SetActionList(List);
    Action->SetCaption("Жирный"_a);
    Action->SetImageIndex(0);
    Button->SetGroupIndex(7);
    Button->SetAllowAllUp(true);
    Button->SetAction(Action);
    EXPECT_EQ(Button->Caption(), "Жирный"_a);
    EXPECT_EQ(Button->Glyph()->Width(), 16) << "an empty glyph takes the action's image";
    Action->SetChecked(true);
    EXPECT_TRUE(Button->Down());
    Action->SetChecked(false);
    EXPECT_FALSE(Button->Down());
}

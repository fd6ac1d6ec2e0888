// The pane splitter: dragging per alignment, snapping by the button and by
// dragging below the smallest size, cancelling, loading a snapped layout,
// the linked action, and the button's painting.

#include "common/components/PaneSplitter.h"

#include "tests/common/components/ComponentsTestKit.h"

#include "platform/forms/ExtCtrls.h"
#include "platform/forms/InputSimulation.h"
#include "platform/rtl/Ticks.h"

#include <gtest/gtest.h>

using namespace components_test;

namespace {

DWORD gTicks = 1000;
DWORD TestTicks()
{
    return gTicks;
}

/// Ticks move only when the test says so.
struct TickScope {
    TickScope() : Old(SetTickSource(&TestTicks)) {}
    ~TickScope() { SetTickSource(Old); }
    TickSource Old;
};

struct SplitterFixture : ::testing::Test {
    void Build(TAlign Align)
    {
        Form = MakeForm(400, 300);
        Pane = new TPanel(Form.get());
        Pane->SetParent(Form.get());
        if (Align == alLeft || Align == alRight)
            Pane->SetWidth(150);
        else
            Pane->SetHeight(120);
        Pane->SetAlign(Align);
        Splitter = new TPaneSplitter(Form.get());
        Splitter->SetParent(Form.get());
        // Beside the pane, on its inner side.
        switch (Align) {
        case alLeft: Splitter->SetLeft(160); break;
        case alRight: Splitter->SetLeft(100); break;
        case alTop: Splitter->SetTop(130); break;
        case alBottom: Splitter->SetTop(100); break;
        default: break;
        }
        Splitter->SetAlign(Align);
        auto* Rest = new TPanel(Form.get());
        Rest->SetParent(Form.get());
        Rest->SetAlign(alClient);
        Form->Show();
    }
    int PaneSize() const
    {
        return Splitter->Align() == alLeft || Splitter->Align() == alRight ? Pane->Width() : Pane->Height();
    }
    /// A point on the bar away from its button.
    TPoint OffButton() const { return {3, 3}; }
    TPoint OnButton()
    {
        const TRect B = Splitter->ButtonRect();
        return {(B.Left + B.Right) / 2, (B.Top + B.Bottom) / 2};
    }

    TickScope Ticks;
    std::unique_ptr<TForm> Form;
    TPanel* Pane = nullptr;
    TPaneSplitter* Splitter = nullptr;
};

} // namespace

TEST_F(SplitterFixture, FindsItsControlAndKeepsThicknessInRange)
{
    Build(alLeft);
    EXPECT_EQ(Splitter->AlignControl(), Pane);
    EXPECT_EQ(Splitter->Left(), 150);
    Splitter->SetSize(40);
    EXPECT_EQ(Splitter->Width(), 8) << "above 36 is ignored";
    Splitter->SetSize(12);
    EXPECT_EQ(Splitter->Width(), 12);
    Splitter->SetAlign(alClient);
    EXPECT_EQ(Splitter->Align(), alLeft) << "a splitter cannot fill its parent";
}

TEST_F(SplitterFixture, ButtonCollapsesAndRestores)
{
    Build(alLeft);
    int Snaps = 0;
    struct Counter {
        int* N;
        void Hit(TObject*) { ++*N; }
    } C {&Snaps};
    Splitter->OnSnap = TNotifyEvent(&C, &Counter::Hit);
    SimulateClick(Splitter, OnButton().X, OnButton().Y);
    EXPECT_TRUE(Splitter->IsSnapped());
    EXPECT_EQ(Pane->Width(), 0);
    EXPECT_EQ(Splitter->Left(), 0) << "the bar follows its control";
    EXPECT_EQ(Splitter->ControlSize(), 150) << "the size to bring back";
    SimulateClick(Splitter, OnButton().X, OnButton().Y);
    EXPECT_FALSE(Splitter->IsSnapped());
    EXPECT_EQ(Pane->Width(), 150);
    EXPECT_EQ(Snaps, 2);
}

struct DragCase {
    TAlign Align;
    int Delta;     // pointer movement across the bar
    int Expected;  // the control's size after the release
    bool Snapped;
};

class SplitterDrag : public SplitterFixture, public ::testing::WithParamInterface<DragCase> {};

TEST_P(SplitterDrag, ResizesTheControlItIsAlignedAgainst)
{
    const DragCase C = GetParam();
    Build(C.Align);
    const bool Vert = C.Align == alLeft || C.Align == alRight;
    const TPoint P = OffButton();
    SimulateMouseDown(Splitter, mbLeft, P.X, P.Y);
    EXPECT_TRUE(Splitter->Dragging());
    const TPoint To = Vert ? TPoint{P.X + C.Delta, P.Y} : TPoint{P.X, P.Y + C.Delta};
    SimulateMouseMove(Splitter, To.X, To.Y);
    SimulateMouseUp(Splitter, mbLeft, To.X, To.Y);
    EXPECT_FALSE(Splitter->Dragging());
    EXPECT_EQ(PaneSize(), C.Expected);
    EXPECT_EQ(Splitter->IsSnapped(), C.Snapped);
    if (C.Snapped) {
        SimulateClick(Splitter, OnButton().X, OnButton().Y);
        EXPECT_EQ(PaneSize(), Vert ? 150 : 120) << "the button brings back the size before the drag";
    }
}

INSTANTIATE_TEST_SUITE_P(Alignments, SplitterDrag, ::testing::Values(
    DragCase{alLeft, 50, 200, false},
    DragCase{alRight, -50, 200, false},   // a pane on the right grows leftwards
    DragCase{alTop, 30, 150, false},
    DragCase{alBottom, -30, 150, false},
    DragCase{alLeft, -130, 0, true},      // below MinSize 30 snaps to nothing
    DragCase{alTop, -100, 0, true},
    DragCase{alLeft, 500, 400 - 30 - 8, false}  // no larger than the room less MinSize
));

TEST_F(SplitterFixture, LiveResizeWaitsBetweenUpdates)
{
    Build(alLeft);
    SimulateMouseDown(Splitter, mbLeft, 3, 3);
    SimulateMouseMove(Splitter, 13, 3);
    EXPECT_EQ(Pane->Width(), 160) << "the first move resizes at once";
    gTicks += 5;
    SimulateMouseMove(Splitter, 13, 3);
    EXPECT_EQ(Pane->Width(), 160) << "within 21 ms the control waits";
    gTicks += 30;
    SimulateMouseMove(Splitter, 23, 3);
    EXPECT_EQ(Pane->Width(), 180);
    SimulateMouseUp(Splitter, mbLeft, 23, 3);
}

TEST_F(SplitterFixture, CancelAndDragRules)
{
    Build(alLeft);
    SimulateMouseDown(Splitter, mbLeft, 3, 3);
    SimulateMouseMove(Splitter, 60, 3);
    ASSERT_EQ(Pane->Width(), 207);
    Splitter->Perform(WM_CANCELMODE);
    EXPECT_FALSE(Splitter->Dragging());
    EXPECT_EQ(Pane->Width(), 150) << "a cancelled drag gives the size back";

    Splitter->SetAllowDrag(false);
    SimulateMouseDown(Splitter, mbLeft, 3, 3);
    SimulateMouseMove(Splitter, 60, 3);
    SimulateMouseUp(Splitter, mbLeft, 60, 3);
    EXPECT_EQ(Pane->Width(), 150) << "a bar that may not be dragged stays";
    SimulateClick(Splitter, OnButton().X, OnButton().Y);
    EXPECT_TRUE(Splitter->IsSnapped()) << "but its button still snaps";

    Splitter->SetAllowDrag(true);
    Splitter->SetIsSnapped(false);
    bool Refuse = true;
    struct Guard {
        bool* Refuse;
        void CanResize(TObject*, int&, bool& Accept) { Accept = !*Refuse; }
    } G {&Refuse};
    Splitter->OnCanResize = TCanResizeEvent(&G, &Guard::CanResize);
    SimulateMouseDown(Splitter, mbLeft, 3, 3);
    SimulateMouseMove(Splitter, 60, 3);
    SimulateMouseUp(Splitter, mbLeft, 60, 3);
    EXPECT_EQ(Pane->Width(), 150) << "OnCanResize refused every size";
}

TEST(PaneSplitter, WithoutAControlItCannotSnap)
{
    auto Form = MakeForm(200, 100);
    auto* S = new TPaneSplitter(Form.get());
    S->SetParent(Form.get());
    S->SetIsSnapped(true);
    EXPECT_FALSE(S->IsSnapped());
}

TEST(PaneSplitter, SnappedLayoutOpensCollapsed)
{
    auto Form = MakeForm(400, 300);
    TPanel* Pane = nullptr;
    TPaneSplitter* S = nullptr;
    {
        LoadingScope Loading(Form.get());
        Pane = new TPanel(Form.get());
        Pane->SetParent(Form.get());
        Pane->SetWidth(150);
        Pane->SetAlign(alLeft);
        S = new TPaneSplitter(Form.get());
        S->SetParent(Form.get());
        S->SetAlignControl(Pane);
        S->SetIsSnapped(true);
        S->SetControlSize(170);
    }
    EXPECT_TRUE(S->IsSnapped());
    EXPECT_EQ(Pane->Width(), 0);
    S->SetIsSnapped(false);
    EXPECT_EQ(Pane->Width(), 170);
}

TEST_F(SplitterFixture, LinkedActionIsCheckedWhileThePaneShows)
{
    Build(alLeft);
    auto* List = new TActionList(Form.get());
    auto* Action = new TAction(Form.get());
    Action->SetActionList(List);
    Action->SetGroupIndex(4);
    Splitter->SetAction(Action);
    EXPECT_TRUE(Action->Checked());
    EXPECT_TRUE(Action->AutoCheck());
    EXPECT_EQ(Action->GroupIndex(), 0);
    Action->SetChecked(false);
    EXPECT_TRUE(Splitter->IsSnapped());
    EXPECT_EQ(Pane->Width(), 0);
    SimulateClick(Splitter, OnButton().X, OnButton().Y);
    EXPECT_TRUE(Action->Checked()) << "the button's restore checks the action";
    Action->Execute();
    EXPECT_FALSE(Action->Checked());
    EXPECT_TRUE(Splitter->IsSnapped()) << "executing the action hides the pane";
    Splitter->SetAction(nullptr);
    EXPECT_EQ(Action->GroupIndex(), 4) << "the link gives the group back";
}

TEST_F(SplitterFixture, ButtonShowsArrowsTowardsItsControl)
{
    Build(alLeft);
    Splitter->SetSize(12);
    auto Bmp = Render(Form.get());
    SavePng(*Bmp, "splitter");
    const TRect B = Splitter->ButtonRect();
    const TRect OnForm {Splitter->Left() + B.Left, B.Top, Splitter->Left() + B.Right, B.Bottom};
    EXPECT_EQ(PixelOf(*Bmp, OnForm.Left, OnForm.Top), 0x808080u) << "the button's frame";
    EXPECT_EQ(PixelOf(*Bmp, OnForm.Left + 1, OnForm.Top + 5), Rgb(clWhite));
    // Inner thickness 12 - 2 = 10, made odd: 9 rows of 17..1 pixels, twice.
    EXPECT_EQ(CountPixels(*Bmp, OnForm, clNavy), 2 * 81);
    // Pointing left: the tip column (left) has one pixel, the base column 17.
    const int ArrowTop = OnForm.Top + 4;
    int Tip = 0, Base = 0;
    for (int Y = ArrowTop; Y < ArrowTop + 17; ++Y) {
        Tip += PixelOf(*Bmp, OnForm.Left + 1, Y) == Rgb(clNavy);
        Base += PixelOf(*Bmp, OnForm.Left + 9, Y) == Rgb(clNavy);
    }
    EXPECT_EQ(Tip, 1);
    EXPECT_EQ(Base, 17);
    EXPECT_GT(CountPixels(*Bmp, OnForm, clBtnShadow), 10) << "the grip texture";
    Splitter->SetIsSnapped(true);
    Bmp = Render(Form.get());
    Tip = 0;
    for (int Y = ArrowTop; Y < ArrowTop + 17; ++Y)
        Tip += PixelOf(*Bmp, Splitter->Left() + 9, Y) == Rgb(clNavy);
    EXPECT_EQ(Tip, 1) << "snapped, the arrows turn round";
}

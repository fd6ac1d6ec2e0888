// The scroll bars windows draw in their frame: state, the client area they
// take, the messages clicks and drags send, and their look.

#include "platform/gui/Forms.h"
#include "platform/gui/InputSimulation.h"
#include "platform/gui/SystemMetrics.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class Scroller : public TCustomControl {
public:
    explicit Scroller(TComponent* AOwner) : TCustomControl(AOwner) {}
    std::vector<std::string> Log;

protected:
    void WMVScroll(TWMScroll& Message) override
    {
        static const char* const Codes[] = {"lineup", "linedown", "pageup", "pagedown", "thumbposition",
            "thumbtrack", "top", "bottom", "end"};
        std::string Entry = Codes[Message.ScrollCode];
        if (Message.ScrollCode == SB_THUMBTRACK || Message.ScrollCode == SB_THUMBPOSITION)
            Entry += " " + std::to_string(Message.Pos);
        Log.push_back(Entry);
    }
    void WMSize(TWMSize& Message) override
    {
        Log.push_back("size " + std::to_string(Message.Width));
        TCustomControl::WMSize(Message);
    }
};

struct ScrollFixture : ::testing::Test {
    TForm Form {nullptr};
    Scroller* S = nullptr;
    HWND H = nullptr;
    void SetUp() override
    {
        Form.SetClientWidth(300);
        Form.SetClientHeight(200);
        S = new Scroller(&Form);
        S->SetParent(&Form);
        S->SetBounds(10, 10, 200, 100);
        Form.Show();
        H = S->Handle();
    }
    void SetRange(int Min, int Max, UINT Page, int Pos, UINT Extra = 0)
    {
        SCROLLINFO I;
        I.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | Extra;
        I.nMin = Min;
        I.nMax = Max;
        I.nPage = Page;
        I.nPos = Pos;
        SetScrollInfo(H, SB_VERT, I, true);
    }
};

}  // namespace

TEST_F(ScrollFixture, ABarShowsWhenTheRangePassesThePage)
{
    EXPECT_EQ(S->ClientWidth(), 200);
    SetRange(0, 99, 10, 0);
    EXPECT_EQ(S->ClientWidth(), 184);  // the bar takes its width from the client
    EXPECT_EQ(S->Log.back(), "size 184");
    SCROLLINFO I;
    I.fMask = SIF_ALL;
    EXPECT_TRUE(GetScrollInfo(H, SB_VERT, I));
    EXPECT_EQ(I.nMin, 0);
    EXPECT_EQ(I.nMax, 99);
    EXPECT_EQ(I.nPage, 10u);
    // The position stays where a whole page still fits.
    EXPECT_EQ(SetScrollPos(H, SB_VERT, 500, true), 0);
    EXPECT_EQ(GetScrollPos(H, SB_VERT), 90);
    SetRange(0, 5, 10, 0);
    EXPECT_EQ(S->ClientWidth(), 200);  // everything fits: hidden again
    SetRange(0, 5, 10, 0, SIF_DISABLENOSCROLL);
    EXPECT_EQ(S->ClientWidth(), 184);  // kept, disabled
    S->Log.clear();
    SimulateClick(S, 190, 95);
    EXPECT_TRUE(S->Log.empty());  // a disabled bar sends nothing
    EXPECT_TRUE(ShowScrollBar(H, SB_VERT, false));
    EXPECT_EQ(S->ClientWidth(), 200);
}

TEST_F(ScrollFixture, ClicksAndDragsSendScrollCodes)
{
    SetRange(0, 99, 10, 0);
    struct {
        int X, Y;
        std::vector<std::string> Expected;
        const char* Where;
    } Cases[] = {
        {190, 95, {"linedown", "end"}, "down arrow"},
        {190, 5, {"lineup", "end"}, "up arrow"},
        {190, 60, {"pagedown", "end"}, "track below the thumb"},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Where);
        S->Log.clear();
        SimulateClick(S, C.X, C.Y);
        EXPECT_EQ(S->Log, C.Expected);
    }
    // The thumb: track 68 pixels, thumb 8 (its least), 60 to move in for
    // positions 0..90.
    S->Log.clear();
    SimulateMouseDown(S, mbLeft, 190, 20);
    SimulateMouseMove(S, 190, 50, {ssLeft});
    SimulateMouseUp(S, mbLeft, 190, 50);
    EXPECT_EQ(S->Log, std::vector<std::string>({"thumbtrack 45", "thumbposition 45", "end"}));
    SCROLLINFO I;
    I.fMask = SIF_TRACKPOS;
    GetScrollInfo(H, SB_VERT, I);
    EXPECT_EQ(I.nTrackPos, 45);
    EXPECT_EQ(GetScrollPos(H, SB_VERT), 0);  // the window sets the position itself
}

TEST_F(ScrollFixture, BarsArePaintedInTheFrame)
{
    SystemMetricsScope Metrics;
    Metrics->Colors[COLOR_3DDKSHADOW] = RGB(1, 2, 3);
    Metrics->Colors[COLOR_SCROLLBAR] = RGB(4, 5, 6);
    SetRange(0, 99, 50, 0);
    TBitmap Shown;
    GrabWindow(&Form, &Shown);
    // The up arrow's dark corner, and the track below the half-length thumb.
    EXPECT_EQ(Shown.Canvas()->Pixels(10 + 199, 10 + 15), static_cast<TColor>(RGB(1, 2, 3)));
    EXPECT_EQ(Shown.Canvas()->Pixels(10 + 190, 10 + 70), static_cast<TColor>(RGB(4, 5, 6)));
}

namespace {

// A control with a header strip in its frame, as the tree has.
class Headed : public TCustomControl {
public:
    explicit Headed(TComponent* AOwner) : TCustomControl(AOwner) {}
    std::vector<std::string> Log;

protected:
    void Dispatch(TMessage& M) override
    {
        switch (M.Msg) {
        case WM_NCCALCSIZE:
            TCustomControl::Dispatch(M);
            reinterpret_cast<TRect*>(M.LParam)->Top += 20;
            return;
        case WM_NCLBUTTONDOWN:
            Log.push_back("nc down " + std::to_string(M.WParam));
            return;
        case WM_LBUTTONDOWN:
            Log.push_back("down " + std::to_string(GetYLParam(M.LParam)));
            return;
        default:
            TCustomControl::Dispatch(M);
        }
    }
};

}  // namespace

TEST(Frame, ClicksOutsideTheClientAreaGoToTheFrame)
{
    TForm Form(nullptr);
    Form.SetClientWidth(200);
    Form.SetClientHeight(200);
    auto* H = new Headed(&Form);
    H->SetParent(&Form);
    H->SetBounds(10, 10, 100, 100);
    Form.Show();
    EXPECT_EQ(H->ClientHeight(), 80);
    SimulateClick(H, 10, -10);  // in the header strip, above the client area
    SimulateClick(H, 10, 10);
    EXPECT_EQ(H->Log, std::vector<std::string>({"nc down " + std::to_string(HTBORDER), "down 10"}));
}

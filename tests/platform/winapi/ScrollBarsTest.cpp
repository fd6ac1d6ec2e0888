// The scroll bars windows draw in their frame: state, the client area they
// take, the messages clicks and drags send, and their look.

#include "platform/forms/ComCtrls.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/InputSimulation.h"
#include "platform/forms/StdCtrls.h"
#include "platform/winapi/SystemMetrics.h"
#include "platform/classes/Strings.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/StrUtils.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
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

// ---- the scrolled standard controls ---------------------------------------------------------

namespace {

// One scrolled control of 50 entries on a shown form, and where it shows
// its first entry.
struct ScrolledKind {
    const char* Name;
    TWinControl* (*Make)(TForm& Form, int Count);
    int (*Top)(TWinControl* C);
    /// The row the keys move (selection or caret line); -1 for none.
    int (*Current)(TWinControl* C);
};

TListBox* MakeListBox(TForm& Form, int Count)
{
    auto* L = new TListBox(&Form);
    L->SetParent(&Form);
    for (int I = 0; I < Count; ++I)
        L->Items()->Add("Строка "_a + IntToStr(I));
    return L;
}

TListView* MakeOwnerDataView(TForm& Form, int Count)
{
    auto* V = new TListView(&Form);
    V->SetParent(&Form);
    V->SetViewStyle(vsReport);
    V->Columns()->Add()->SetWidth(100);
    V->SetOwnerData(true);
    V->Items()->SetCount(Count);
    return V;
}

TTreeView* MakeTreeView(TForm& Form, int Count)
{
    auto* T = new TTreeView(&Form);
    T->SetParent(&Form);
    TTreeNode* Parent = nullptr;
    for (int I = 0; I < Count; ++I) {
        // Every fifth entry opens a group of the next four.
        if (I % 5 == 0)
            Parent = T->Items()->Add(nullptr, "Группа "_a + IntToStr(I));
        else
            T->Items()->AddChild(Parent, "Узел "_a + IntToStr(I));
    }
    T->FullExpand();
    return T;
}

TMemo* MakeMemo(TForm& Form, int Count)
{
    auto* M = new TMemo(&Form);
    M->SetParent(&Form);
    M->SetScrollBars(ssVertical);
    AnsiString Text;
    for (int I = 0; I < Count; ++I)
        Text += (I ? "\r\n" : "") + "Строка "_a + IntToStr(I);
    M->SetText(Text);
    M->SetSelStart(0);
    return M;
}

int SelectedRow(TWinControl* C)
{
    auto* T = static_cast<TTreeView*>(C);
    const std::vector<TTreeNode*> Rows = T->VisibleNodes();
    const auto It = std::find(Rows.begin(), Rows.end(), T->Selected());
    return It == Rows.end() ? -1 : static_cast<int>(It - Rows.begin());
}

const ScrolledKind ScrolledKinds[] = {
    {"list box", [](TForm& F, int N) -> TWinControl* { return MakeListBox(F, N); },
     [](TWinControl* C) { return static_cast<TListBox*>(C)->TopIndex(); },
     [](TWinControl* C) { return static_cast<TListBox*>(C)->ItemIndex(); }},
    {"owner-data list view", [](TForm& F, int N) -> TWinControl* { return MakeOwnerDataView(F, N); },
     [](TWinControl* C) { return static_cast<TListView*>(C)->TopIndex(); },
     [](TWinControl* C) { return static_cast<TListView*>(C)->ItemIndex(); }},
    {"tree view", [](TForm& F, int N) -> TWinControl* { return MakeTreeView(F, N); },
     [](TWinControl* C) { return static_cast<TTreeView*>(C)->TopIndex(); }, SelectedRow},
    {"memo", [](TForm& F, int N) -> TWinControl* { return MakeMemo(F, N); },
     [](TWinControl* C) { return static_cast<TMemo*>(C)->TopLine(); },
     [](TWinControl* C) { return static_cast<int>(static_cast<TMemo*>(C)->CaretPos().Y); }},
};

SCROLLINFO BarInfo(TWinControl* C, int Bar)
{
    SCROLLINFO I;
    I.fMask = SIF_ALL;
    EXPECT_TRUE(GetScrollInfo(C->Handle(), Bar, I));
    return I;
}

void SendScrollCode(TWinControl* C, int Code)
{
    SendMessage(C->Handle(), WM_VSCROLL, MakeWParam(Code, 0), 0);
}

struct ScrolledForm {
    TForm Form {nullptr};
    ScrolledForm()
    {
        Form.SetClientWidth(400);
        Form.SetClientHeight(300);
        Form.Show();
    }
};

}  // namespace

TEST(ScrolledControls, ShowABarOnlyWhileTheContentDoesNotFit)
{
    for (const ScrolledKind& K : ScrolledKinds) {
        SCOPED_TRACE(K.Name);
        ScrolledForm F;
        TWinControl* Few = K.Make(F.Form, 2);
        Few->SetBounds(0, 0, 150, 150);
        TWinControl* Many = K.Make(F.Form, 50);
        Many->SetBounds(200, 0, 150, 150);
        EXPECT_FALSE(GetWindowLong(Few->Handle(), GWL_STYLE) & WS_VSCROLL);
        EXPECT_EQ(Few->ClientWidth(), Few->Width() - 4);  // the client edge only
        ASSERT_TRUE(GetWindowLong(Many->Handle(), GWL_STYLE) & WS_VSCROLL);
        EXPECT_EQ(Many->ClientWidth(), Many->Width() - 4 - GetSystemMetrics(SM_CXVSCROLL));
        const SCROLLINFO I = BarInfo(Many, SB_VERT);
        EXPECT_EQ(I.nMin, 0);
        EXPECT_EQ(I.nMax, 49);  // one position per entry
        EXPECT_GT(I.nPage, 5u);  // the entries that fit
        EXPECT_LT(I.nPage, 20u);
        EXPECT_EQ(I.nPos, 0);
    }
}

TEST(ScrolledControls, ArrowsPagesThumbWheelAndMessagesScroll)
{
    for (const ScrolledKind& K : ScrolledKinds) {
        SCOPED_TRACE(K.Name);
        ScrolledForm F;
        TWinControl* C = K.Make(F.Form, 50);
        C->SetBounds(10, 10, 150, 150);
        C->SetFocus();  // the wheel turns the focused window
        SendScrollCode(C, SB_TOP);
        const int Page = static_cast<int>(BarInfo(C, SB_VERT).nPage);
        const int Last = 50 - Page;  // the top that shows the last page
        const int BarX = C->ClientWidth() + GetSystemMetrics(SM_CXVSCROLL) / 2;
        const int Bottom = C->ClientHeight();
        struct Step {
            const char* What;
            std::function<void()> Do;
            int Top;
        } Steps[] = {
            {"down arrow", [&] { SimulateClick(C, BarX, Bottom - 5); }, 1},
            {"down arrow again", [&] { SimulateClick(C, BarX, Bottom - 5); }, 2},
            {"up arrow", [&] { SimulateClick(C, BarX, 5); }, 1},
            {"track below the thumb", [&] { SimulateClick(C, BarX, Bottom - 20); }, 1 + Page},
            {"track above the thumb", [&] { SimulateClick(C, BarX, 20); }, 1},
            {"wheel towards the user", [&] { SimulateWheel(C, -WHEEL_DELTA, 20, 20); }, 4},
            {"wheel away", [&] { SimulateWheel(C, WHEEL_DELTA, 20, 20); }, 1},
            {"wheel away past the top", [&] { SimulateWheel(C, WHEEL_DELTA, 20, 20); }, 0},
            {"SB_BOTTOM", [&] { SendScrollCode(C, SB_BOTTOM); }, Last},
            {"down arrow at the end", [&] { SimulateClick(C, BarX, Bottom - 5); }, Last},
            {"SB_TOP", [&] { SendScrollCode(C, SB_TOP); }, 0},
            {"SB_PAGEDOWN", [&] { SendScrollCode(C, SB_PAGEDOWN); }, Page},
            {"SB_LINEUP", [&] { SendScrollCode(C, SB_LINEUP); }, Page - 1},
            {"thumb dragged past the bottom",
             [&] {
                 SendScrollCode(C, SB_TOP);
                 SimulateMouseDown(C, mbLeft, BarX, GetSystemMetrics(SM_CYVSCROLL) + 2);
                 SimulateMouseMove(C, BarX, Bottom + 40, {ssLeft});
                 SimulateMouseUp(C, mbLeft, BarX, Bottom + 40);
             },
             Last},
            {"thumb dragged half way",
             [&] {
                 SendScrollCode(C, SB_TOP);
                 const int Grab = GetSystemMetrics(SM_CYVSCROLL) + 2;
                 SimulateMouseDown(C, mbLeft, BarX, Grab);
                 SimulateMouseMove(C, BarX, Grab + (Bottom - 2 * GetSystemMetrics(SM_CYVSCROLL)) / 3, {ssLeft});
             },
             -1},
        };
        for (const Step& S : Steps) {
            SCOPED_TRACE(S.What);
            S.Do();
            const int Top = K.Top(C);
            if (S.Top >= 0) {
                EXPECT_EQ(Top, S.Top);
            } else {
                // Tracking follows the thumb while it moves.
                EXPECT_GT(Top, Last / 4);
                EXPECT_LT(Top, Last * 3 / 4);
                SimulateMouseUp(C, mbLeft, BarX, 0);
            }
            EXPECT_EQ(GetScrollPos(C->Handle(), SB_VERT), Top);  // the bar follows
        }
    }
}

TEST(ScrolledControls, KeysKeepTheCurrentRowInView)
{
    for (const ScrolledKind& K : ScrolledKinds) {
        SCOPED_TRACE(K.Name);
        ScrolledForm F;
        TWinControl* C = K.Make(F.Form, 50);
        C->SetBounds(10, 10, 150, 150);
        C->SetFocus();
        const int Page = static_cast<int>(BarInfo(C, SB_VERT).nPage);
        struct Step {
            Word Key;
            int Times;
            const char* What;
        } Steps[] = {
            {VK_DOWN, 1, "down once"},
            {VK_DOWN, 20, "down past the page"},
            {VK_UP, 12, "up past the top"},
            {VK_NEXT, 2, "page down twice"},
            {VK_DOWN, 40, "down to the end"},
        };
        for (const Step& S : Steps) {
            SCOPED_TRACE(S.What);
            for (int I = 0; I < S.Times; ++I)
                SimulateKey(S.Key);
            const int Row = K.Current(C);
            const int Top = K.Top(C);
            EXPECT_GE(Row, Top);
            EXPECT_LT(Row, Top + Page);
            EXPECT_EQ(GetScrollPos(C->Handle(), SB_VERT), Top);
        }
        EXPECT_EQ(K.Current(C), 49);
        EXPECT_EQ(K.Top(C), 50 - Page);
    }
}

TEST(ScrolledControls, RangeFollowsTheContent)
{
    ScrolledForm F;
    TListBox* L = MakeListBox(F.Form, 50);
    L->SetBounds(0, 0, 150, 150);
    SendScrollCode(L, SB_BOTTOM);
    EXPECT_EQ(L->TopIndex(), 50 - static_cast<int>(BarInfo(L, SB_VERT).nPage));
    for (int I = 0; I < 48; ++I)
        L->Items()->Delete(L->Items()->Count() - 1);
    EXPECT_EQ(L->TopIndex(), 0);  // everything fits again
    EXPECT_FALSE(GetWindowLong(L->Handle(), GWL_STYLE) & WS_VSCROLL);
    // A taller item leaves room for fewer of them.
    for (int I = 0; I < 30; ++I)
        L->Items()->Add("x");
    const UINT Page = BarInfo(L, SB_VERT).nPage;
    L->SetItemHeight(L->ItemHeight() * 2);
    EXPECT_EQ(BarInfo(L, SB_VERT).nPage, Page / 2);
    // Selecting by key scrolls the selection into view.
    L->SetFocus();
    SimulateKey(VK_END);
    EXPECT_EQ(L->ItemIndex(), 31);
    EXPECT_EQ(GetScrollPos(L->Handle(), SB_VERT), 32 - static_cast<int>(BarInfo(L, SB_VERT).nPage));

    TTreeView* T = MakeTreeView(F.Form, 50);
    T->SetBounds(200, 0, 150, 150);
    EXPECT_EQ(BarInfo(T, SB_VERT).nMax, 49);
    SendScrollCode(T, SB_BOTTOM);
    T->FullCollapse();  // ten groups are left
    EXPECT_EQ(BarInfo(T, SB_VERT).nMax, 9);
    EXPECT_EQ(T->TopIndex(), 10 - static_cast<int>(BarInfo(T, SB_VERT).nPage));
}

TEST(ScrolledControls, WideContentGetsAHorizontalBar)
{
    ScrolledForm F;
    TListView* V = MakeOwnerDataView(F.Form, 3);
    V->SetBounds(0, 0, 150, 150);
    EXPECT_FALSE(GetWindowLong(V->Handle(), GWL_STYLE) & WS_HSCROLL);
    V->Columns()->Add()->SetWidth(200);
    ASSERT_TRUE(GetWindowLong(V->Handle(), GWL_STYLE) & WS_HSCROLL);
    SCROLLINFO I = BarInfo(V, SB_HORZ);
    EXPECT_EQ(I.nMax, 299);
    EXPECT_EQ(static_cast<int>(I.nPage), V->ClientWidth());
    SendMessage(V->Handle(), WM_HSCROLL, MakeWParam(SB_BOTTOM, 0), 0);
    EXPECT_EQ(GetScrollPos(V->Handle(), SB_HORZ), 300 - V->ClientWidth());
    EXPECT_EQ(V->ItemRect(0).Left, V->ClientWidth() - 300);  // the rows moved with it

    TMemo* M = MakeMemo(F.Form, 3);
    M->SetBounds(200, 0, 150, 150);
    M->Lines()->Add(StringOfChar('W', 60));
    M->SetScrollBars(ssBoth);
    EXPECT_FALSE(GetWindowLong(M->Handle(), GWL_STYLE) & WS_HSCROLL);  // wrapped lines fit
    M->SetWordWrap(false);
    ASSERT_TRUE(GetWindowLong(M->Handle(), GWL_STYLE) & WS_HSCROLL);
    EXPECT_FALSE(GetWindowLong(M->Handle(), GWL_STYLE) & WS_VSCROLL);
    // The caret at the end of the long line scrolls it into view.
    M->SetSelStart(M->Text().Length());
    EXPECT_GT(M->HorzPos(), 0);
    EXPECT_EQ(GetScrollPos(M->Handle(), SB_HORZ), M->HorzPos());
}

// ---- the scroll box -------------------------------------------------------------------------

namespace {

struct ScrollBoxFixture : ::testing::Test {
    TForm Form {nullptr};
    TScrollBox* Box = nullptr;
    TPanel* Near = nullptr;
    TPanel* Far = nullptr;
    void SetUp() override
    {
        Form.SetClientWidth(400);
        Form.SetClientHeight(300);
        Box = new TScrollBox(&Form);
        Box->SetParent(&Form);
        Box->SetBorderStyle(bsNone);
        Box->SetBounds(10, 10, 200, 150);
        Near = AddPanel(0, 0);
        Far = AddPanel(20, 300);  // content 340 high
        Form.Show();
        Application->ProcessMessages();
    }
    TPanel* AddPanel(int Left, int Top)
    {
        auto* P = new TPanel(&Form);
        P->SetParent(Box);
        P->SetBounds(Left, Top, 100, 40);
        return P;
    }
    int BarX() { return Box->ClientWidth() + GetSystemMetrics(SM_CXVSCROLL) / 2; }
};

}  // namespace

TEST_F(ScrollBoxFixture, RangeComesFromTheChildren)
{
    TControlScrollBar* V = Box->VertScrollBar();
    EXPECT_EQ(V->Range(), 340);
    EXPECT_TRUE(V->IsScrollBarVisible());
    EXPECT_FALSE(Box->HorzScrollBar()->IsScrollBarVisible());
    EXPECT_EQ(Box->ClientWidth(), 200 - GetSystemMetrics(SM_CXVSCROLL));
    SCROLLINFO I = BarInfo(Box, SB_VERT);
    EXPECT_EQ(I.nMax, 339);
    EXPECT_EQ(static_cast<int>(I.nPage), Box->ClientHeight());
    // A child past the right edge brings the other bar.
    AddPanel(250, 0);
    EXPECT_EQ(Box->HorzScrollBar()->Range(), 350);
    EXPECT_TRUE(Box->HorzScrollBar()->IsScrollBarVisible());
    // Scrolled to the end, the far child leaves: everything fits again.
    V->SetPosition(1000);
    EXPECT_EQ(V->Position(), 340 - Box->ClientHeight());
    EXPECT_EQ(Far->Top(), 300 - V->Position());  // the children moved with it
    Far->SetVisible(false);
    EXPECT_EQ(V->Range(), 40);
    EXPECT_EQ(V->Position(), 0);
    EXPECT_EQ(Near->Top(), 0);
    EXPECT_FALSE(GetWindowLong(Box->Handle(), GWL_STYLE) & WS_VSCROLL);
    // A range set by the program stays.
    V->SetRange(1000);
    EXPECT_FALSE(Box->AutoScroll());
    Far->SetVisible(true);
    EXPECT_EQ(V->Range(), 1000);
}

TEST_F(ScrollBoxFixture, ClicksDragsWheelAndMessagesScroll)
{
    TControlScrollBar* V = Box->VertScrollBar();
    V->SetIncrement(10);
    const int Bottom = Box->ClientHeight();
    const int Last = 340 - Bottom;
    const int Grab = GetSystemMetrics(SM_CYVSCROLL) + 2;
    struct Step {
        const char* What;
        std::function<void()> Do;
        int Position;
    } Steps[] = {
        {"down arrow", [&] { SimulateClick(Box, BarX(), Bottom - 5); }, 10},
        {"up arrow", [&] { SimulateClick(Box, BarX(), 5); }, 0},
        {"track below the thumb", [&] { SimulateClick(Box, BarX(), Bottom - 20); }, Bottom},
        {"SB_TOP", [&] { SendScrollCode(Box, SB_TOP); }, 0},
        {"wheel towards the user", [&] { Box->SetFocus(); SimulateWheel(Box, -WHEEL_DELTA, 5, 5); }, 30},
        {"SB_BOTTOM", [&] { SendScrollCode(Box, SB_BOTTOM); }, Last},
        {"SB_PAGEUP", [&] { SendScrollCode(Box, SB_PAGEUP); }, Last - Bottom},
        {"thumb held without tracking",
         [&] {
             SendScrollCode(Box, SB_TOP);
             SimulateMouseDown(Box, mbLeft, BarX(), Grab);
             SimulateMouseMove(Box, BarX(), Bottom + 40, {ssLeft});
         },
         0},
        {"thumb let go", [&] { SimulateMouseUp(Box, mbLeft, BarX(), Bottom + 40); }, Last},
        {"thumb with tracking",
         [&] {
             V->SetTracking(true);
             SendScrollCode(Box, SB_TOP);
             SimulateMouseDown(Box, mbLeft, BarX(), Grab);
             SimulateMouseMove(Box, BarX(), Bottom + 40, {ssLeft});
         },
         Last},
    };
    for (const Step& S : Steps) {
        SCOPED_TRACE(S.What);
        S.Do();
        EXPECT_EQ(V->Position(), S.Position);
        EXPECT_EQ(Near->Top(), -S.Position);
    }
    SimulateMouseUp(Box, mbLeft, BarX(), Bottom + 40);
}

TEST_F(ScrollBoxFixture, ScrollInViewShowsAControl)
{
    Box->ScrollInView(Far);
    EXPECT_EQ(Far->Top() + Far->Height(), Box->ClientHeight());
    Box->ScrollInView(Near);
    EXPECT_EQ(Near->Top(), 0);
    // Aligned children take the whole scrolled width, at least the client.
    auto* Strip = new TPanel(&Form);
    Strip->SetParent(Box);
    Strip->SetHeight(10);
    Strip->SetAlign(alTop);
    EXPECT_EQ(Strip->Width(), Box->ClientWidth());
}

// ---- the scroll bar control -----------------------------------------------------------------

namespace {

struct ScrollBarControlFixture : ::testing::Test {
    TForm Form {nullptr};
    TScrollBar* Bar = nullptr;
    std::vector<std::string> Log;
    void SetUp() override
    {
        Form.SetClientWidth(400);
        Form.SetClientHeight(300);
        Bar = new TScrollBar(&Form);
        Bar->SetParent(&Form);
        Bar->SetBounds(10, 10, 200, 17);
        Bar->SetPageSize(10);
        Bar->SetLargeChange(10);
        Bar->OnScroll = TScrollEvent(this, &ScrollBarControlFixture::Scrolled);
        Bar->OnChange = TNotifyEvent(this, &ScrollBarControlFixture::Changed);
        Form.Show();
        Bar->SetFocus();
    }
    void Scrolled(TObject*, TScrollCode Code, int& Pos)
    {
        Log.push_back("scroll " + std::to_string(Code) + " " + std::to_string(Pos));
    }
    void Changed(TObject*) { Log.push_back("change " + std::to_string(Bar->Position())); }
};

}  // namespace

TEST_F(ScrollBarControlFixture, ClicksKeysWheelAndDragsMoveThePosition)
{
    const int Arrow = GetSystemMetrics(SM_CXHSCROLL);
    struct Step {
        const char* What;
        std::function<void()> Do;
        int Position;
    } Steps[] = {
        {"right arrow", [&] { SimulateClick(Bar, 200 - 5, 8); }, 1},
        {"left arrow", [&] { SimulateClick(Bar, 5, 8); }, 0},
        {"track right of the thumb", [&] { SimulateClick(Bar, 200 - Arrow - 5, 8); }, 10},
        {"Right key", [&] { SimulateKey(VK_RIGHT); }, 11},
        {"Home key", [&] { SimulateKey(VK_HOME); }, 0},
        {"End key: the last page", [&] { SimulateKey(VK_END); }, 91},
        {"Page Up key", [&] { SimulateKey(VK_PRIOR); }, 81},
        {"wheel towards the user", [&] { SimulateWheel(Bar, -WHEEL_DELTA, 5, 5); }, 84},
        {"thumb dragged to the start",
         [&] {
             SimulateKey(VK_END);
             const int ThumbMid = 200 - Arrow - 5;
             SimulateMouseDown(Bar, mbLeft, ThumbMid, 8);
             SimulateMouseMove(Bar, -50, 8, {ssLeft});
             SimulateMouseUp(Bar, mbLeft, -50, 8);
         },
         0},
    };
    for (const Step& S : Steps) {
        SCOPED_TRACE(S.What);
        S.Do();
        EXPECT_EQ(Bar->Position(), S.Position);
        EXPECT_EQ(GetScrollPos(Bar->Handle(), SB_CTL), S.Position);
    }
    // Every step went through OnScroll before the position changed.
    Log.clear();
    SimulateClick(Bar, 200 - 5, 8);
    EXPECT_EQ(Log, std::vector<std::string>({"scroll 1 1", "change 1", "scroll 8 1"}));
}

TEST_F(ScrollBarControlFixture, PropertiesHoldTheRange)
{
    Bar->SetParams(500, 0, 100);
    EXPECT_EQ(Bar->Position(), 91);  // the last page
    Bar->SetParams(-5, 0, 100);
    EXPECT_EQ(Bar->Position(), 0);
    ExpectRaises<EInvalidOperation>([&] { Bar->SetParams(0, 10, 5); }, "Scroll bar property out of range");
    ExpectRaises<EInvalidOperation>([&] { Bar->SetPageSize(102); }, "Scroll bar property out of range");
    Bar->SetKind(sbVertical);
    EXPECT_EQ(Bar->Width(), 17);
    EXPECT_EQ(Bar->Height(), 200);
    SimulateClick(Bar, 8, 200 - 5);
    EXPECT_EQ(Bar->Position(), 1);
}

// ---- the look -----------------------------------------------------------------------------------

TEST(ScrolledControls, FormOfScrolledControlsIsPaintedWithItsBars)
{
    ScrolledForm F;
    F.Form.SetClientWidth(640);
    F.Form.SetClientHeight(200);
    TWinControl* List = MakeListBox(F.Form, 50);
    List->SetBounds(10, 10, 140, 180);
    TMemo* Memo = MakeMemo(F.Form, 40);
    Memo->SetBounds(160, 10, 140, 180);
    Memo->SetWordWrap(false);
    Memo->SetScrollBars(ssBoth);
    Memo->Lines()->SetStrings(1, "Очень длинная строка, которая не помещается в окне"_a);
    TTreeView* Tree = MakeTreeView(F.Form, 50);
    Tree->SetBounds(310, 10, 150, 180);
    auto* Box = new TScrollBox(&F.Form);
    Box->SetParent(&F.Form);
    Box->SetBounds(470, 10, 160, 180);
    for (int I = 0; I < 6; ++I) {
        auto* P = new TPanel(&F.Form);
        P->SetParent(Box);
        P->SetBounds(8, 8 + I * 45, 200, 40);
        P->SetCaption("Панель "_a + IntToStr(I + 1));
    }
    F.Form.SetClientHeight(230);
    auto* Bar = new TScrollBar(&F.Form);
    Bar->SetParent(&F.Form);
    Bar->SetBounds(10, 200, 300, 17);
    Bar->SetPageSize(20);
    Bar->SetPosition(30);
    auto* Edit = new TCustomControl(&F.Form);
    Edit->SetParent(&F.Form);
    Edit->SetBounds(320, 200, 140, 20);
    Edit->SetColor(clWindow);
    CreateCaret(Edit->Handle(), nullptr, 1, 14);
    SetCaretPos(10, 3);
    ShowCaret(Edit->Handle());
    SendMessage(List->Handle(), WM_VSCROLL, MakeWParam(SB_LINEDOWN, 0), 0);
    Application->ProcessMessages();
    TBitmap Shot;
    GrabWindow(&F.Form, &Shot);
    // Every control shows a vertical bar: its arrow's dark corner at the
    // right edge, inside the client edge.
    for (TWinControl* C : {List, static_cast<TWinControl*>(Memo), static_cast<TWinControl*>(Tree),
             static_cast<TWinControl*>(Box)}) {
        SCOPED_TRACE(C->ClassName().Std());
        EXPECT_TRUE(GetWindowLong(C->Handle(), GWL_STYLE) & WS_VSCROLL);
        EXPECT_EQ(Shot.Canvas()->Pixels(C->Left() + C->Width() - 3, C->Top() + 2 + 15),
            GetSysColor(COLOR_3DDKSHADOW));
    }
    // The bar control's thumb sits a third of the way along.
    EXPECT_EQ(Shot.Canvas()->Pixels(10 + 16 + (300 - 32) * 30 / 100 + 20, 200 + 8),
        static_cast<TColor>(GetSysColor(COLOR_BTNFACE)));
    EXPECT_EQ(Shot.Canvas()->Pixels(320 + 10, 200 + 8), clBlack);  // the caret
    DestroyCaret();
    const std::string Png = Shot.SaveToPngBytes();
    ASSERT_GT(Png.size(), 1000u);
    if (const char* Keep = std::getenv("PRICETAGS_SCROLL_PNG")) {
        WriteBytes(Keep, Png);
        // The corners worth a close look, four times larger.
        TBitmap Zoom;
        Zoom.SetSize(4 * 320, 4 * 90);
        Zoom.Canvas()->CopyRect(Rect(0, 0, 4 * 160, 4 * 90), Shot.Canvas(), Rect(310, 10, 470, 100));
        Zoom.Canvas()->CopyRect(Rect(4 * 160, 0, 4 * 320, 4 * 90), Shot.Canvas(), Rect(0, 140, 160, 230));
        WriteBytes(std::string(Keep) + ".zoom.png", Zoom.SaveToPngBytes());
    }
}

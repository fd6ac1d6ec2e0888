// The tree's window rendered offscreen: pixel probes for selection, focus,
// grid and tree lines, buttons, check boxes, the header and the border; a
// demo tree written as PNG; scrolling by offset and the scroll bars.

#include "common/vtree/VTree.h"

#include "platform/forms/Forms.h"
#include "platform/winapi/LayeredWindows.h"
#include "platform/winapi/Messages.h"
#include "platform/winapi/Windows.h"
#include "platform/rtl/Ticks.h"

#include "tests/common/components/ComponentsTestKit.h"
#include "tests/common/vtree/TreeFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>

using namespace components_test;

namespace {

/// A tree that shows "Node <index>:<column>" in every cell.
class TextTree : public TestTree {
public:
    explicit TextTree(TComponent* AOwner) : TestTree(AOwner) {}
    using TBaseVirtualTree::Animate;
    using TBaseVirtualTree::ChangeState;

    static std::u16string TextOf(PVirtualNode Node, TColumnIndex Column)
    {
        std::string S = "Node " + std::to_string(Node->Index) + ":" + std::to_string(Column);
        return std::u16string(S.begin(), S.end());
    }

protected:
    int GetNodeWidth(PVirtualNode Node, TColumnIndex Column, TCanvas* Canvas) override
    {
        const std::u16string T = TextOf(Node, Column);
        TSize Size{0, 0};
        GetTextExtentPoint32W(Canvas->Handle(), T.data(), static_cast<int>(T.size()), Size);
        return Size.cx;
    }
    void DoPaintNode(TVTPaintInfo& PI) override
    {
        const std::u16string T = TextOf(PI.Node, PI.Column);
        HDC DC = PI.Canvas->Handle();
        SetBkMode(DC, TRANSPARENT);
        SetTextColor(DC, ColorToRGB(Selected(PI.Node) ? clHighlightText : clWindowText));
        TRect R = PI.ContentRect;
        R.Left += TextMargin();
        DrawTextW(DC, T.data(), static_cast<int>(T.size()), R,
                  DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    }
};

// Where the client area lies in a render: inside the 2-pixel client edge
// and below the header.
constexpr int Edge = 2;

struct TreeWindow {
    std::unique_ptr<TForm> Form = MakeForm(420, 260);
    TextTree* Tree = nullptr;

    TreeWindow()
    {
        Tree = new TextTree(Form.get());
        Tree->SetParent(Form.get());
        Tree->SetBounds(10, 10, 400, 240);
        Tree->Font()->SetName("Arial");
        Tree->Font()->SetHeight(-11);
        Tree->Header()->Font()->SetName("Arial");
        Tree->Header()->Font()->SetHeight(-11);
        Form->Show();
    }
    void AddColumns(std::initializer_list<int> Widths)
    {
        TVTHeader* H = Tree->Header();
        int N = 0;
        for (int W : Widths) {
            TVirtualTreeColumn* C = H->Columns()->Add();
            const std::string T = "Column " + std::to_string(N++);
            C->SetText(std::u16string(T.begin(), T.end()));
            C->SetWidth(W);
        }
        H->SetHeight(22);
        H->SetOptions(H->Options() + TVTHeaderOptions{hoVisible});
    }
    int HeaderHeight() const
    {
        return Tree->Header()->Options().Contains(hoVisible)
                   ? static_cast<int>(Tree->Header()->Height())
                   : 0;
    }
    /// Client point -> render point.
    TPoint At(int X, int Y) const { return {X + Edge, Y + Edge + HeaderHeight()}; }
    std::unique_ptr<TBitmap> Render() { return components_test::Render(Tree); }
    COLORREF Probe(TBitmap& B, int X, int Y) const
    {
        const TPoint P = At(X, Y);
        return PixelOf(B, P.X, P.Y);
    }
};

TVTPaintOptions PaintOf(std::initializer_list<TVTPaintOption> Items)
{
    return TVTPaintOptions(Items);
}

} // namespace

TEST(VTreePaint, SelectionAndFocusInFullRowMode)
{
    TreeWindow W;
    W.AddColumns({100, 120, 150});
    TextTree& T = *W.Tree;
    T.TreeOptions()->SetPaintOptions(PaintOf({toPopupMode, toShowButtons}));
    T.TreeOptions()->SetSelectionOptions({toFullRowSelect, toExtendedFocus});
    T.SetRootNodeCount(5);
    T.SetSelected(T.At({1}), true);
    T.FocusNodeAndColumn(T.At({3}), 1);
    auto B = W.Render();
    const int H = static_cast<int>(T.DefaultNodeHeight());
    // The selected row is highlighted across every column, past its text.
    for (int X : {3, 95, 230, 360})
        EXPECT_EQ(W.Probe(*B, X, H + H / 2), Rgb(clHighlight)) << X;
    // Other rows keep the window colour.
    EXPECT_EQ(W.Probe(*B, 360, H / 2), Rgb(clWindow));
    // The focus frame: dotted, around the focused cell's content only.
    const int FocusY = 3 * H;
    int Dots = 0;
    for (int X = 104; X < 200; ++X)
        if (W.Probe(*B, X, FocusY) != Rgb(clWindow))
            ++Dots;
    EXPECT_GT(Dots, 20);
    EXPECT_EQ(W.Probe(*B, 30, FocusY), Rgb(clWindow));  // not in column 0
    SavePng(*B, "vtree-selection");
}

TEST(VTreePaint, GridLinesTreeLinesAndButtons)
{
    TreeWindow W;
    TextTree& T = *W.Tree;
    const TColor Grid = static_cast<TColor>(0xF1A378);
    const TColor Lines = static_cast<TColor>(0x008000);
    T.Colors()->Set(TVTColors::GridLineColor, Grid);
    T.Colors()->Set(TVTColors::TreeLineColor, Lines);
    T.SetLineStyle(lsSolid);
    T.TreeOptions()->SetPaintOptions(PaintOf({toShowButtons, toShowRoot, toShowTreeLines,
                                              toShowHorzGridLines}));
    T.SetRootNodeCount(3);
    T.SetChildCount(T.At({0}), 2);
    T.SetExpanded(T.At({0}), true);
    T.SetChildCount(T.At({1}), 1);  // collapsed: a plus button
    auto B = W.Render();
    const int H = static_cast<int>(T.DefaultNodeHeight());
    const int Indent = static_cast<int>(T.Indent());
    // Horizontal grid line at the bottom of each row.
    EXPECT_EQ(W.Probe(*B, 200, H - 1), Rgb(Grid));
    EXPECT_EQ(W.Probe(*B, 200, 2 * H - 1), Rgb(Grid));
    EXPECT_EQ(W.Probe(*B, 200, H / 2), Rgb(clWindow));
    // A child row (row 1): the vertical line of the root level runs through
    // it, and its own level has a horizontal stub to the right.
    EXPECT_EQ(W.Probe(*B, Indent / 2, H + 2), Rgb(Lines));
    EXPECT_EQ(W.Probe(*B, Indent + Indent - 2, H + T.At({0, 0})->Align * H / 100), Rgb(Lines));
    // Buttons: the expanded root node shows a minus, the collapsed one a
    // plus; both framed in the tree line colour.
    const int BX = (Indent - 9) / 2;
    const int RowOfSecond = 3 * H;  // 0, its two children, then node 1
    const int BY = RowOfSecond + H / 2 - 4;
    EXPECT_EQ(W.Probe(*B, BX, BY), Rgb(Lines));                // frame corner
    EXPECT_EQ(W.Probe(*B, BX + 4, BY + 2), Rgb(clWindowText));  // the plus's upright
    const int MinusY = H / 2 - 4;
    EXPECT_EQ(W.Probe(*B, BX + 4, MinusY + 2), Rgb(clWindow));  // a minus has none
    EXPECT_EQ(W.Probe(*B, BX + 2, MinusY + 4), Rgb(clWindowText));
    SavePng(*B, "vtree-lines");
}

TEST(VTreePaint, CheckBoxesShowTheirState)
{
    TreeWindow W;
    TextTree& T = *W.Tree;
    T.TreeOptions()->SetMiscOptions(T.TreeOptions()->MiscOptions() +
                                    TVTMiscOptions{toCheckSupport});
    T.TreeOptions()->SetPaintOptions(PaintOf({}));
    T.SetRootNodeCount(2);
    for (int I : {0, 1})
        T.SetCheckType(T.At({I}), ctCheckBox);
    T.SetCheckState(T.At({1}), csCheckedNormal);
    auto B = W.Render();
    const int H = static_cast<int>(T.DefaultNodeHeight());
    const int X = T.Margin();
    auto Dark = [&](int Row) {
        int N = 0;
        const int Top = Row * H + (H - 13) / 2;
        for (int Y = Top + 3; Y < Top + 10; ++Y)
            for (int XX = X + 3; XX < X + 10; ++XX)
                if (W.Probe(*B, XX, Y) == Rgb(clWindowText))
                    ++N;
        return N;
    };
    EXPECT_EQ(Dark(0), 0);  // unchecked: an empty box
    EXPECT_GT(Dark(1), 5);  // checked: the mark
    SavePng(*B, "vtree-checks");
}

TEST(VTreePaint, CheckImageIndexTable)
{
    TestTree T;
    T.SetRootNodeCount(1);
    PVirtualNode N = T.At({0});
    struct Case { TCheckType Type; TCheckState State; bool Disabled; int Index; };
    const Case Cases[] = {
        {ctNone, csCheckedNormal, false, -1},
        {ctCheckBox, csUncheckedNormal, false, 9},
        {ctTriStateCheckBox, csUncheckedNormal, false, 9},  // check box images
        {ctCheckBox, csCheckedPressed, false, 15},
        {ctCheckBox, csCheckedNormal, true, 16},
        {ctCheckBox, csMixedNormal, false, 17},
        {ctRadioButton, csCheckedNormal, false, 5},
        {ctRadioButton, csUncheckedPressed, false, 3},
        {ctRadioButton, csMixedPressed, true, 20},
        {ctButton, csCheckedNormal, false, 21},
        {ctButton, csUncheckedPressed, true, 24},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Index);
        N->CheckType = C.Type;
        N->CheckState = C.State;
        T.SetDisabled(N, C.Disabled);
        EXPECT_EQ(T.CheckImageIndex(N), C.Index);
    }
}

TEST(VTreePaint, HeaderAndBorderInTheFrame)
{
    TreeWindow W;
    W.AddColumns({100, 120});
    TextTree& T = *W.Tree;
    T.Header()->SetStyle(hsFlatButtons);
    T.SetRootNodeCount(3);
    auto B = W.Render();
    // The sunken client edge: dark outer line at the top-left.
    EXPECT_EQ(PixelOf(*B, 0, 0), Rgb(clBtnShadow));
    EXPECT_EQ(PixelOf(*B, 1, 1), Rgb(cl3DDkShadow));
    // The header: a raised button per column on the face colour, the area
    // past the last column plain face.
    EXPECT_EQ(PixelOf(*B, Edge, Edge + 5), Rgb(clBtnHighlight));  // button's light left
    EXPECT_EQ(PixelOf(*B, Edge + 50, Edge + 1), Rgb(clBtnFace));
    EXPECT_EQ(PixelOf(*B, Edge + 99, Edge + 10), Rgb(clBtnShadow));  // its right edge
    EXPECT_EQ(PixelOf(*B, Edge + 300, Edge + 10), Rgb(clBtnFace));
    // The header text is in the font colour (smoothed at its edges).
    int Dark = 0;
    for (int Y = Edge + 3; Y < Edge + 19; ++Y)
        for (int X = Edge + 4; X < Edge + 90; ++X) {
            const COLORREF C = PixelOf(*B, X, Y);
            if (GetRValue(C) + GetGValue(C) + GetBValue(C) < 150)
                ++Dark;
        }
    EXPECT_GT(Dark, 10);
    // The rows start below the header.
    EXPECT_EQ(PixelOf(*B, Edge + 300, Edge + 22 + 5), Rgb(clWindow));
    SavePng(*B, "vtree-header");

    // Without a border the header starts at the window's corner.
    T.SetBorderStyle(bsNone);
    auto B2 = W.Render();
    EXPECT_EQ(PixelOf(*B2, 0, 5), Rgb(clBtnHighlight));

    // A soft bevel (sunken outside, raised inside) and a band of border
    // colour inside it; the header moves in by both.
    T.SetBevelKind(bkSoft);
    T.SetBorderWidth(3);
    T.Colors()->Set(TVTColors::BorderColor, clRed);
    auto B3 = W.Render();
    EXPECT_EQ(PixelOf(*B3, 0, 50), Rgb(clBtnShadow));      // sunken outer left
    EXPECT_NE(PixelOf(*B3, 1, 50), Rgb(clWindow));         // the inner cut
    EXPECT_EQ(PixelOf(*B3, 3, 50), Rgb(clRed));            // the border band
    EXPECT_EQ(PixelOf(*B3, 2 + 3, 2 + 3 + 5), Rgb(clBtnHighlight));  // header's left edge
    SavePng(*B3, "vtree-bevel");
}

TEST(VTreePaint, DemoTreeOfSeveralColumns)
{
    TreeWindow W;
    W.AddColumns({40, 170, 170});
    TextTree& T = *W.Tree;
    T.SetBorderStyle(bsNone);
    T.SetBevelKind(bkSoft);
    TVTHeader& H = *T.Header();
    H.SetStyle(hsFlatButtons);
    H.Columns()->GetItem(0)->SetText(u"№");
    H.Columns()->GetItem(0)->SetAlignment(taCenter);
    H.Columns()->GetItem(1)->SetText(u"Наименование столбца");
    H.Columns()->GetItem(2)->SetText(u"Значение");
    H.SetAutoSizeIndex(2);
    H.SetOptions(H.Options() + TVTHeaderOptions{hoAutoResize, hoShowSortGlyphs});
    H.SetSortColumn(1);
    H.SetMainColumn(1);
    T.Colors()->Set(TVTColors::GridLineColor, static_cast<TColor>(0xF1A378));
    T.SetLineStyle(lsSolid);
    T.TreeOptions()->SetPaintOptions(PaintOf({toShowButtons, toShowHorzGridLines,
                                              toShowVertGridLines, toShowTreeLines,
                                              toShowRoot, toPopupMode}));
    T.TreeOptions()->SetSelectionOptions({toFullRowSelect, toExtendedFocus, toMultiSelect});
    T.TreeOptions()->SetMiscOptions(T.TreeOptions()->MiscOptions() +
                                    TVTMiscOptions{toGridExtensions});
    T.SetRootNodeCount(30);
    T.SetChildCount(T.At({1}), 3);
    T.SetExpanded(T.At({1}), true);
    T.SetSelected(T.At({3}), true);
    T.FocusNodeAndColumn(T.At({3}), 2);
    auto B = W.Render();
    SavePng(*B, "vtree-demo");
    // The auto-size column fills the client.
    EXPECT_EQ(H.Columns()->TotalWidth(), T.ClientWidth());
}

// ---- scrolling ------------------------------------------------------------------------------

TEST(VTreeScroll, OffsetsAreClampedToTheContent)
{
    TreeWindow W;
    W.AddColumns({300, 300});
    TextTree& T = *W.Tree;
    T.SetRootNodeCount(100);
    const int RangeY = T.RangeY();
    const int RangeX = T.RangeX();
    ASSERT_EQ(RangeY, 100 * static_cast<int>(T.DefaultNodeHeight()));
    ASSERT_EQ(RangeX, 600);
    const int CH = T.ClientHeight();
    const int CW = T.ClientWidth();
    struct Case { TPoint Ask; TPoint Got; bool Changed; };
    const Case Cases[] = {
        {{0, -50}, {0, -50}, true},
        {{0, -50}, {0, -50}, false},              // unchanged: no scroll
        {{0, 30}, {0, 0}, true},                  // positive: 0
        {{0, -100000}, {0, CH - RangeY}, true},   // past the end: the last page
        {{-100000, 0}, {CW - RangeX, 0}, true},
        {{5, 0}, {0, 0}, true},
    };
    struct Counter {
        int N = 0;
        void Scrolled(TBaseVirtualTree*, int, int) { ++N; }
    } Counts;
    T.OnScroll = TVTScrollEvent(&Counts, &Counter::Scrolled);
    const int& Scrolls = Counts.N;
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Ask.Y);
        const int Before = Scrolls;
        EXPECT_EQ(T.SetScrollOffset(C.Ask), C.Changed);
        EXPECT_EQ(T.OffsetX(), C.Got.X);
        EXPECT_EQ(T.OffsetY(), C.Got.Y);
        EXPECT_EQ(Scrolls - Before, C.Changed ? 1 : 0);
    }
    // Inside an update the offsets change and OnScroll still comes.
    T.BeginUpdate();
    EXPECT_TRUE(T.SetScrollOffset({0, -40}));
    T.EndUpdate();
    EXPECT_EQ(T.OffsetY(), -40);
}

TEST(VTreeScroll, ScrollBarsMirrorTheOffsets)
{
    TreeWindow W;
    W.AddColumns({300, 300});
    TextTree& T = *W.Tree;
    T.SetRootNodeCount(100);
    T.SetScrollOffset({-120, -200});
    SCROLLINFO V;
    V.fMask = SIF_ALL;
    ASSERT_TRUE(GetScrollInfo(T.Handle(), SB_VERT, V));
    EXPECT_EQ(V.nMin, 0);
    EXPECT_EQ(V.nMax, T.RangeY() - 1);
    EXPECT_EQ(static_cast<int>(V.nPage), T.ClientHeight());
    EXPECT_EQ(V.nPos, 200);
    SCROLLINFO Hz;
    Hz.fMask = SIF_ALL;
    ASSERT_TRUE(GetScrollInfo(T.Handle(), SB_HORZ, Hz));
    EXPECT_EQ(Hz.nMax, 599);
    EXPECT_EQ(Hz.nPos, 120);
    // The bar's messages move the view.
    struct Case { int Code; int Expected; };
    const int Page = T.ClientHeight();
    const int Line = std::min(T.ScrollBarOptions()->VerticalIncrement(), Page);
    const Case Cases[] = {
        {SB_LINEDOWN, -200 - Line},
        {SB_LINEUP, -200},
        {SB_PAGEDOWN, -200 - Page},
        {SB_TOP, 0},
        {SB_BOTTOM, Page - T.RangeY()},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Code);
        T.Perform(WM_VSCROLL, static_cast<WPARAM>(C.Code), 0);
        EXPECT_EQ(T.OffsetY(), C.Expected);
    }
    // Everything fits: the bar goes and the view starts at the top.
    T.SetRootNodeCount(2);
    EXPECT_EQ(T.OffsetY(), 0);
}

TEST(VTreeScroll, SmallWheelDeltasAddUp)
{
    TreeWindow W;
    TextTree& T = *W.Tree;
    T.SetRootNodeCount(100);
    UINT Lines = 3;
    SystemParametersInfo(SPI_GETWHEELSCROLLLINES, 0, &Lines, 0);
    const int Notch = static_cast<int>(Lines * T.DefaultNodeHeight());
    auto Wheel = [&](int Delta) {
        const TPoint P = T.ClientToScreen(TPoint{10, 10});
        T.Perform(WM_MOUSEWHEEL, MakeWParam(0, Delta), MakeLParam(P.X, P.Y));
    };
    Wheel(-120);  // one notch down
    EXPECT_EQ(T.OffsetY(), -Notch);
    // A touchpad's twelve tenths of a notch scroll as far as one notch.
    for (int I = 0; I < 12; ++I)
        Wheel(-10);
    EXPECT_EQ(T.OffsetY(), -2 * Notch);
    Wheel(120);
    EXPECT_EQ(T.OffsetY(), -Notch);
}

// ---- the header's mouse ---------------------------------------------------------------------

namespace {

struct HeaderLog {
    std::vector<std::string> Lines;
    void Click(TVTHeader*, TColumnIndex C, TMouseButton, TShiftState, int, int)
    {
        Lines.push_back("click " + std::to_string(C));
    }
    void Dragged(TVTHeader*, TColumnIndex C, int Old)
    {
        Lines.push_back("dragged " + std::to_string(C) + " from " + std::to_string(Old));
    }
    void Resized(TVTHeader*, TColumnIndex C) { Lines.push_back("resize " + std::to_string(C)); }
};

/// Presses, moves and releases the left button at client points of the
/// header row (Y < 0) the way the window layer delivers them: the press
/// in the frame, the rest to the capture.
void HeaderGesture(TBaseVirtualTree& T, TPoint From, std::initializer_list<TPoint> Path)
{
    const TPoint S = T.ClientToScreen(From);
    T.Perform(WM_NCLBUTTONDOWN, HTBORDER, MakeLParam(S.X, S.Y));
    TPoint Last = From;
    for (const TPoint& P : Path) {
        T.Perform(WM_MOUSEMOVE, MK_LBUTTON, MakeLParam(P.X, P.Y));
        Last = P;
    }
    T.Perform(WM_LBUTTONUP, 0, MakeLParam(Last.X, Last.Y));
}

} // namespace

TEST(VTreeHeaderMouse, HotTrackingAndTheTimerThatEndsIt)
{
    TreeWindow W;
    W.AddColumns({100, 120, 80});
    TextTree& T = *W.Tree;
    T.SetRootNodeCount(5);
    T.Header()->SetOptions(T.Header()->Options() + TVTHeaderOptions{hoHotTrack});
    TVirtualTreeColumns* Cols = T.Header()->Columns();
    auto NCMove = [&](TPoint P) {
        const TPoint S = T.ClientToScreen(P);
        T.Perform(WM_NCMOUSEMOVE, HTBORDER, MakeLParam(S.X, S.Y));
    };
    NCMove({150, -10});
    EXPECT_EQ(Cols->HoverIndex(), 1);
    auto B = W.Render();
    SavePng(*B, "vtree-header-hot");
    // The hot button's title is in the header hot colour.
    EXPECT_GT(CountPixels(*B, TRect{W.At(110, -20).X, W.At(0, -20).Y, W.At(210, -20).X,
                                    W.At(0, 0).Y},
                          T.Colors()->Get(TVTColors::HeaderHotColor)),
              10);
    NCMove({50, -10});
    EXPECT_EQ(Cols->HoverIndex(), 0);
    // The mouse left the header (nothing tells the window): the header's
    // timer notices.
    const TPoint Away = T.ClientToScreen(TPoint{50, 100});
    SetCursorPos(Away.X, Away.Y);
    T.Perform(WM_TIMER, 3, 0);
    EXPECT_EQ(Cols->HoverIndex(), NoColumn);
}

TEST(VTreeHeaderMouse, DoubleClicksFitAColumnOrReachTheHost)
{
    TreeWindow W;
    W.AddColumns({200, 120, 80});
    TextTree& T = *W.Tree;
    T.SetRootNodeCount(12);
    T.Header()->SetOptions(T.Header()->Options() + TVTHeaderOptions{hoDblClickResize});
    TVirtualTreeColumns* Cols = T.Header()->Columns();
    std::vector<std::string> Log;
    struct Host {
        std::vector<std::string>* Log;
        void Dbl(TVTHeader*, TColumnIndex C, TMouseButton Button, TShiftState Shift, int, int)
        {
            Log->push_back("dbl " + std::to_string(C) + " " + std::to_string(Button) +
                           (Shift.Contains(ssDouble) ? " double" : ""));
        }
    } H{&Log};
    T.OnHeaderDblClick = TVTHeaderClickEvent(&H, &Host::Dbl);
    auto NCDouble = [&](UINT Msg, TPoint P) {
        const TPoint S = T.ClientToScreen(P);
        T.Perform(Msg, HTBORDER, MakeLParam(S.X, S.Y));
    };
    // On column 0's right edge: it takes the width of its widest content.
    NCDouble(WM_NCLBUTTONDBLCLK, {199, -10});
    const int Fit = std::max(T.ColumnContentWidth(0), Cols->GetItem(0)->MinWidth());
    EXPECT_EQ(Cols->GetItem(0)->Width(), Fit);
    EXPECT_LT(Fit, 200);
    // Inside a column: the host hears of it with the button.
    NCDouble(WM_NCRBUTTONDBLCLK, {Fit + 60, -10});
    const std::vector<std::string> Expected = {"dbl 1 1 double"};
    EXPECT_EQ(Log, Expected);
    T.OnHeaderDblClick = nullptr;
}

TEST(VTreeHeaderMouse, OwnerDrawnButtons)
{
    TreeWindow W;
    W.AddColumns({100, 120, 80});
    TextTree& T = *W.Tree;
    TVirtualTreeColumns* Cols = T.Header()->Columns();
    Cols->GetItem(1)->SetStyle(vsOwnerDraw);
    struct Host {
        std::vector<std::string> Lines;
        void Draw(TVTHeader*, TCanvas* C, TVirtualTreeColumn* Column, const TRect& R, bool, bool,
                  TVTDropMarkMode)
        {
            Lines.push_back("draw " + std::to_string(Column->Index()));
            C->Brush()->SetColor(clRed);
            C->FillRect(R);
        }
        void Query(TVTHeader*, THeaderPaintInfo&, THeaderPaintElements& Elements)
        {
            Elements = THeaderPaintElements{hpeText};
        }
        void Advanced(TVTHeader*, THeaderPaintInfo& Info, THeaderPaintElements Elements)
        {
            Lines.push_back("text " + std::to_string(Info.Column->Index()) +
                            (Elements == THeaderPaintElements{hpeText} ? " only" : ""));
        }
    } H;
    T.OnHeaderDraw = TVTHeaderPaintEvent(&H, &Host::Draw);
    auto B = W.Render();
    // The owner-drawn column is the host's from edge to edge.
    EXPECT_EQ(W.Probe(*B, 101, -10), Rgb(clRed));
    EXPECT_EQ(W.Probe(*B, 218, -3), Rgb(clRed));
    EXPECT_NE(W.Probe(*B, 50, -10), Rgb(clRed));
    EXPECT_EQ(H.Lines, std::vector<std::string>{"draw 1"});
    // With hoOwnerDraw and the advanced handler the host draws the parts it
    // claims, in every column, after the standard ones.
    H.Lines.clear();
    T.OnHeaderDrawQueryElements = TVTHeaderPaintQueryElementsEvent(&H, &Host::Query);
    T.OnAdvancedHeaderDraw = TVTAdvancedHeaderPaintEvent(&H, &Host::Advanced);
    T.Header()->SetOptions(T.Header()->Options() + TVTHeaderOptions{hoOwnerDraw});
    B = W.Render();
    const std::vector<std::string> Expected = {"text 0 only", "text 1 only", "text 2 only"};
    EXPECT_EQ(H.Lines, Expected);
    T.OnHeaderDraw = nullptr;
    T.OnHeaderDrawQueryElements = nullptr;
    T.OnAdvancedHeaderDraw = nullptr;
}

TEST(VTreeHeaderMouse, ResizeClickAndDrag)
{
    TreeWindow W;
    W.AddColumns({100, 120, 80});
    TextTree& T = *W.Tree;
    HeaderLog Log;
    T.OnHeaderClick = TVTHeaderClickEvent(&Log, &HeaderLog::Click);
    T.OnHeaderDragged = TVTHeaderDraggedEvent(&Log, &HeaderLog::Dragged);
    T.OnColumnResize = TVTColumnResizeEvent(&Log, &HeaderLog::Resized);
    TVirtualTreeColumns* Cols = T.Header()->Columns();

    // Pressing 2 pixels left of column 0's edge and moving resizes it.
    HeaderGesture(T, {98, -10}, {{120, -10}, {130, -10}});
    EXPECT_EQ(Cols->GetItem(0)->Width(), 130);
    EXPECT_EQ(Cols->GetItem(1)->Left(), 130);
    // A press and release on a button clicks its column.
    Log.Lines.clear();
    HeaderGesture(T, {180, -10}, {});
    EXPECT_EQ(Log.Lines, (std::vector<std::string>{"click 1"}));
    // A move within the drag threshold is still a click.
    Log.Lines.clear();
    HeaderGesture(T, {180, -10}, {{181, -10}});
    EXPECT_EQ(Log.Lines, (std::vector<std::string>{"click 1"}));
    // Dragging column 0 onto the right half of column 2 puts it last.
    Log.Lines.clear();
    HeaderGesture(T, {40, -10}, {{60, -10}, {320, -10}});
    EXPECT_EQ(Cols->PositionToIndex(), (std::vector<TColumnIndex>{1, 2, 0}));
    EXPECT_EQ(Log.Lines, (std::vector<std::string>{"dragged 0 from 0"}));
    // Dropped outside the window, nothing moves.
    HeaderGesture(T, {40, -10}, {{60, -10}, {2000, -10}});
    EXPECT_EQ(Cols->PositionToIndex(), (std::vector<TColumnIndex>{1, 2, 0}));
    // Escape during a drag cancels it.
    const TPoint S = T.ClientToScreen(TPoint{40, -10});
    T.Perform(WM_NCLBUTTONDOWN, HTBORDER, MakeLParam(S.X, S.Y));
    T.Perform(WM_MOUSEMOVE, MK_LBUTTON, MakeLParam(300, -10));
    T.Perform(WM_KEYDOWN, VK_ESCAPE, 0);
    T.Perform(WM_LBUTTONUP, 0, MakeLParam(300, -10));
    EXPECT_EQ(Cols->PositionToIndex(), (std::vector<TColumnIndex>{1, 2, 0}));
}

// ---- toggle animation -----------------------------------------------------------------------

namespace {

DWORD gFakeNow = 0;
int gClockReads = 0;

// A clock that moves 25 ms each time it is read.
DWORD SteppingClock()
{
    ++gClockReads;
    gFakeNow += 25;
    return gFakeNow;
}

} // namespace

TEST(VTreeAnimation, ToggleSteps)
{
    TreeWindow W;
    TextTree& T = *W.Tree;
    T.SetRootNodeCount(3);
    T.SetChildCount(T.At({0}), 4);
    T.Update();
    const TickSource Old = SetTickSource(&SteppingClock);
    struct Restore {
        TickSource S;
        ~Restore() { SetTickSource(S); }
    } Guard{Old};
    // Without the option nothing waits on the clock.
    gClockReads = 0;
    T.ToggleNode(T.At({0}));
    T.ToggleNode(T.At({0}));
    EXPECT_EQ(gClockReads, 0);
    // With it, the band opens over the duration: 200 ms in 25 ms reads.
    T.TreeOptions()->SetAnimationOptions({toAnimatedToggle});
    T.SetAnimationDuration(200);
    T.ToggleNode(T.At({0}));
    EXPECT_TRUE(T.Expanded(T.At({0})));
    EXPECT_GE(gClockReads, 8);
    EXPECT_LE(gClockReads, 10);
    gClockReads = 0;
    T.ToggleNode(T.At({0}));
    EXPECT_FALSE(T.Expanded(T.At({0})));
    EXPECT_GE(gClockReads, 8);
    // Inside an update there is no animation.
    gClockReads = 0;
    T.BeginUpdate();
    T.ToggleNode(T.At({0}));
    T.EndUpdate();
    EXPECT_EQ(gClockReads, 0);
}

// ---- auto-scroll and panning ----------------------------------------------------------------

TEST(VTreeScroll, WheelPanningMovesTowardsTheMouse)
{
    TreeWindow W;
    TextTree& T = *W.Tree;
    T.SetRootNodeCount(200);
    T.SetScrollOffset({0, -400});
    T.BeginWheelPanning({100, 100});
    EXPECT_TRUE(T.TreeStates().Contains(tsWheelPanning));
    auto TickAt = [&](int X, int Y) {
        const TPoint S = T.ClientToScreen(TPoint{X, Y});
        SetCursorPos(S.X, S.Y);
        T.AutoScrollCheck(X, Y);
        T.Perform(WM_TIMER, 4, 0);
    };
    // 50 pixels below the start: the step is the distance less 8.
    TickAt(100, 150);
    EXPECT_EQ(T.OffsetY(), -400 - 42);
    // Within 8 pixels the view stands still.
    TickAt(104, 106);
    EXPECT_EQ(T.OffsetY(), -442);
    // Above the start it goes back up.
    TickAt(100, 80);
    EXPECT_EQ(T.OffsetY(), -442 + 12);
    T.EndWheelPanning();
    EXPECT_FALSE(T.TreeStates().Contains(tsWheelPanning));
    EXPECT_FALSE(T.TreeStates().Contains(tsWheelScrolling));
}

TEST(VTreeScroll, EdgeScrollWaitsForTheDelay)
{
    TreeWindow W;
    TextTree& T = *W.Tree;
    T.SetRootNodeCount(200);
    T.TreeOptions()->SetAutoOptions(T.TreeOptions()->AutoOptions() +
                                    TVTAutoOptions{toAutoScroll});
    const TickSource Old = SetTickSource(&SteppingClock);
    struct Restore {
        TickSource S;
        ~Restore() { SetTickSource(S); }
    } Guard{Old};
    const int NearBottom = T.ClientHeight() - 3;
    // No rubber band or drag: no scrolling at all.
    EXPECT_TRUE(T.DetermineScrollDirections(50, NearBottom).Empty());
    T.ChangeState({tsDrawSelecting}, {});
    EXPECT_TRUE(T.DetermineScrollDirections(50, NearBottom).Empty());  // the delay starts
    gFakeNow += 1000;
    EXPECT_EQ(T.DetermineScrollDirections(50, NearBottom), TScrollDirections{sdDown});
    // At the top with nothing above: no direction.
    EXPECT_TRUE(T.DetermineScrollDirections(50, 3).Empty());
    T.ChangeState({}, {tsDrawSelecting});
}

TEST(VTreeScroll, FixedColumnsStayWhileTheRestScrolls)
{
    TreeWindow W;
    W.AddColumns({80, 300, 300});
    TextTree& T = *W.Tree;
    TVirtualTreeColumn* Fixed = T.Header()->Columns()->GetItem(0);
    Fixed->SetOptions(Fixed->Options() + TVTColumnOptions{coFixed});
    Fixed->SetColor(clInfoBk);  // tells the fixed cells apart
    T.SetRootNodeCount(30);
    T.SetScrollOffset({-150, 0});
    auto B = W.Render();
    // The fixed column is still at the left, the scrolled ones start past
    // it (column 1's colour is the window's).
    EXPECT_EQ(W.Probe(*B, 2, 5), Rgb(clInfoBk));
    EXPECT_EQ(W.Probe(*B, 78, 5), Rgb(clInfoBk));
    EXPECT_EQ(W.Probe(*B, 82, 5), Rgb(clWindow));
    // Its header button too.
    EXPECT_EQ(PixelOf(*B, Edge, Edge + 5), Rgb(clBtnHighlight));
    SavePng(*B, "vtree-fixed");
    // Fixed columns wider than the client: only they are painted.
    Fixed->SetWidth(T.ClientWidth() + 50);
    auto B2 = W.Render();
    EXPECT_EQ(W.Probe(*B2, T.ClientWidth() - 3, 5), Rgb(clInfoBk));
}

TEST(VTreePaint, BackgroundTilesFollowTheRowsOrStay)
{
    TreeWindow W;
    TextTree& T = *W.Tree;
    // 4 x 4 quadrants: red, blue / green, yellow.
    TBitmap Tile;
    Tile.SetSize(4, 4);
    const TColor Q[2][2] = {{clRed, clBlue}, {clLime, clYellow}};
    for (int Y = 0; Y < 4; ++Y)
        for (int X = 0; X < 4; ++X)
            Tile.Canvas()->SetPixels(X, Y, Q[Y / 2][X / 2]);
    TPicture Picture;
    Picture.SetBitmap(&Tile);
    T.SetBackground(&Picture);
    T.TreeOptions()->SetPaintOptions(PaintOf({toShowBackground}));
    T.SetRootNodeCount(100);
    auto B = W.Render();
    EXPECT_EQ(W.Probe(*B, 200, 0), Rgb(clRed));
    EXPECT_EQ(W.Probe(*B, 202, 0), Rgb(clBlue));
    EXPECT_EQ(W.Probe(*B, 204, 2), Rgb(clLime));
    T.SetBackgroundOffsetX(2);
    B = W.Render();
    EXPECT_EQ(W.Probe(*B, 200, 0), Rgb(clBlue));
    // Scrolled two pixels: the picture moves with the rows...
    T.SetBackgroundOffsetX(0);
    T.SetScrollOffset({0, -2});
    B = W.Render();
    EXPECT_EQ(W.Probe(*B, 200, 0), Rgb(clLime));
    // ... or stays put in the client area.
    T.TreeOptions()->SetPaintOptions(PaintOf({toShowBackground, toStaticBackground}));
    B = W.Render();
    EXPECT_EQ(W.Probe(*B, 200, 0), Rgb(clRed));
}

// ---- drag image -----------------------------------------------------------------------------

TEST(VTreeDragImage, MovesAsRestrictedAndBlendsWithoutTheScreen)
{
    TreeWindow W;
    TextTree& T = *W.Tree;
    T.SetColor(clBlack);
    TBitmap Picture;
    Picture.SetSize(20, 10);
    Picture.Canvas()->Brush()->SetColor(clWhite);
    Picture.Canvas()->FillRect(TRect{0, 0, 20, 10});
    Picture.Canvas()->SetPixels(0, 0, clLime);  // the colour key: left out
    TVTDragImage Image(&T);
    Image.SetColorKey(clLime);
    Image.SetTransparency(128);
    Image.PrepareDrag(&Picture, TPoint{100, 100}, TPoint{105, 104});
    EXPECT_FALSE(Image.Visible());  // hidden until shown
    Image.ShowDragImage();
    EXPECT_TRUE(Image.Visible());
    // White over the tree's black at 128 of 255: mid grey; the key pixel
    // is transparent.
    TPoint Hot;
    HIMAGELIST List = ImageList_GetDragImage(nullptr, &Hot);
    ASSERT_NE(List, nullptr);
    EXPECT_EQ(Hot.X, 5);
    EXPECT_EQ(Hot.Y, 4);
    TBitmap Shown;
    Shown.SetSize(20, 10);
    Shown.Canvas()->Brush()->SetColor(clRed);
    Shown.Canvas()->FillRect(TRect{0, 0, 20, 10});
    ImageList_Draw(List, 0, Shown.Canvas()->Handle(), 0, 0, ILD_TRANSPARENT);
    EXPECT_EQ(PixelOf(Shown, 5, 5), RGB(128, 128, 128));
    EXPECT_EQ(PixelOf(Shown, 0, 0), Rgb(clRed));

    EXPECT_FALSE(Image.DragTo(TPoint{105, 104}));  // no move
    Image.SetMoveRestriction(dmrHorizontalOnly);
    EXPECT_TRUE(Image.DragTo(TPoint{125, 150}));
    EXPECT_EQ(Image.GetDragImageRect(), (TRect{120, 100, 140, 110}));
    EXPECT_FALSE(Image.DragTo(TPoint{125, 10}));  // only vertical: ignored
    Image.EndDrag();
    EXPECT_FALSE(Image.Prepared());
    EXPECT_EQ(ImageList_GetDragImage(nullptr, nullptr), nullptr);
}

// ---- hint window ----------------------------------------------------------------------------

TEST(VTreeHintWindow, RectanglesAndLook)
{
    TreeWindow W;
    TextTree& T = *W.Tree;
    T.SetRootNodeCount(3);
    TVirtualTreeHintWindow Hint(nullptr);
    TVTHintData Data;
    Data.Tree = &T;
    Data.Node = T.At({1});
    // No data, or nothing to say: no window.
    EXPECT_TRUE(IsRectEmpty(Hint.CalcHintRect(300, "", nullptr)));
    EXPECT_TRUE(IsRectEmpty(Hint.CalcHintRect(300, "", &Data)));
    // A hint: its text's extent plus the margins, from (-1, -1).
    Data.DefaultHint = u"Цена за единицу";
    const TRect R = Hint.CalcHintRect(300, "", &Data);
    EXPECT_EQ(R.Left, -1);
    EXPECT_EQ(R.Top, -1);
    EXPECT_GT(R.Width(), 2 * T.TextMargin() + 40);
    EXPECT_LT(R.Width(), 300);
    // A tooltip lies over the node's text (one pixel around it).
    T.SetHintMode(hmTooltip);
    Data.DefaultHint.clear();
    Data.HintText = TextTree::TextOf(Data.Node, NoColumn);
    const TRect Text = T.NodeDisplayRect(Data.Node, NoColumn, true, true);
    const TRect Tip = Hint.CalcHintRect(300, "", &Data);
    EXPECT_EQ(Tip.Width(), Text.Width() + 2);
    EXPECT_EQ(Tip.Height(), Text.Height() + 2);
    // A multi-line node that shows its whole text needs no tooltip.
    T.At({1})->Include(vsMultiline);
    Data.LineBreakStyle = hlbDefault;
    EXPECT_TRUE(IsRectEmpty(Hint.CalcHintRect(300, "", &Data)));

    T.SetHintMode(hmHint);
    Data.HintText = u"Подсказка узла";
    const TRect H = Hint.CalcHintRect(300, "", &Data);
    Hint.ActivateHintData(TRect{100, 100, 100 + H.Width(), 100 + H.Height()}, "", &Data);
    auto B = Render(&Hint);
    EXPECT_EQ(PixelOf(*B, 0, 0), Rgb(clBlack));
    EXPECT_EQ(PixelOf(*B, 2, 2), Rgb(clInfoBk));
    SavePng(*B, "vtree-hint");
}

// ---- animations: the stepping, the hint's fade and slide --------------------------------------

namespace {

/// A clock that moves on by gClockStep milliseconds at every read.
DWORD gClockStep = 1;
DWORD gClockNow = 1000;
DWORD StepClock()
{
    gClockNow += gClockStep;
    return gClockNow;
}
struct StepClockScope {
    TickSource Old;
    explicit StepClockScope(DWORD Step) : Old(SetTickSource(&StepClock)) { gClockStep = Step; }
    ~StepClockScope() { SetTickSource(Old); }
};

/// Every call an animation makes, and what it answers.
struct StepLog : TObject {
    std::vector<std::pair<int, int>> Calls;
    int StopAt = -1;  // the step whose call answers false
    std::function<void()> During;  // runs at the first call
    bool Call(int Step, int StepSize, void*)
    {
        Calls.emplace_back(Step, StepSize);
        if (Calls.size() == 1 && During)
            During();
        return Step != StopAt;
    }
};

/// The screen as the program's windows make it, around R (screen pixels).
std::unique_ptr<TBitmap> ScreenShot(const TRect& R)
{
    auto Bmp = std::make_unique<TBitmap>();
    Bmp->SetSize(R.Width(), R.Height());
    HDC Desk = GetWindowDC(GetDesktopWindow());
    BitBlt(Bmp->Canvas()->Handle(), 0, 0, R.Width(), R.Height(), Desk, R.Left, R.Top, SRCCOPY);
    ReleaseDC(GetDesktopWindow(), Desk);
    return Bmp;
}

/// One step of a hint's animation as the window showed it.
struct HintFrame {
    int Step;
    int StepSize;
    int Alpha;  // -1: not layered
    int Rows;   // rows shown by the window's region; -1: no region
};

/// The tree's hint window that keeps each frame, and a picture of the
/// screen at the frames asked for.
class FrameHint : public TVirtualTreeHintWindow {
public:
    using TVirtualTreeHintWindow::TVirtualTreeHintWindow;
    std::vector<HintFrame> Frames;
    std::vector<int> ShotAt;  // steps to take pictures at
    /// The hint and 10 pixels around it.
    std::vector<std::unique_ptr<TBitmap>> Shots;
    std::function<void(int Step)> OnFrame;

protected:
    void InternalPaint(int Step, int StepSize) override
    {
        TVirtualTreeHintWindow::InternalPaint(Step, StepSize);
        HintFrame F{Step, StepSize, -1, -1};
        Byte Alpha = 0;
        if (GetLayeredWindowAttributes(Handle(), nullptr, &Alpha, nullptr))
            F.Alpha = Alpha;
        HRGN R = CreateRectRgn(0, 0, 0, 0);
        TRect Box;
        if (GetWindowRgn(Handle(), R) != ERROR)
            F.Rows = GetRgnBox(R, Box) == NULLREGION ? 0 : Box.Bottom;
        DeleteObject(R);
        Frames.push_back(F);
        if (std::find(ShotAt.begin(), ShotAt.end(), StepSize == 0 ? -1 : Step) != ShotAt.end()) {
            TRect Box;
            GetWindowRect(Handle(), Box);
            Shots.push_back(
                ScreenShot(TRect{Box.Left - 10, Box.Top - 10, Box.Right + 10, Box.Bottom + 10}));
        }
        if (OnFrame)
            OnFrame(Step);
    }
};

/// A tree in a window with a hint over its second row.
struct HintWindowFixture {
    TreeWindow W;
    FrameHint Hint{nullptr};
    TVTHintData Data;
    TRect Rect;

    explicit HintWindowFixture(THintAnimationType Kind)
    {
        W.Tree->SetRootNodeCount(6);
        W.Tree->SetHintMode(hmHint);
        W.Tree->SetHintAnimation(Kind);
        W.Tree->SetAnimationDuration(200);
        Data.Tree = W.Tree;
        Data.Node = W.Tree->At({1});
        Data.HintText = u"Цена за единицу товара";
        const TRect R = Hint.CalcHintRect(300, "", &Data);
        // Right of the rows' texts: the tree shows its colour there.
        const TPoint At = W.Tree->ClientToScreen(TPoint{200, 30});
        Rect = TRect{At.X, At.Y, At.X + R.Width(), At.Y + R.Height()};
    }
    void Show(THintAnimationType Kind)
    {
        W.Tree->SetHintAnimation(Kind);
        Hint.CalcHintRect(300, "", &Data);
        Hint.ActivateHint(Rect, "");
    }
};

} // namespace

TEST(VTreeAnimation, StepsSpreadOverTheDuration)
{
    struct Case {
        Cardinal Steps, Duration;
        DWORD ClockStep;
        int StopAt;
        std::vector<std::pair<int, int>> Calls;
    };
    const Case Cases[] = {
        // Time enough: every step, then the closing call.
        {5, 50, 1, -1, {{0, 1}, {1, 1}, {2, 1}, {3, 1}, {4, 1}, {0, 0}}},
        // More steps than milliseconds: two at a time, then three as the
        // time runs short.
        {10, 5, 1, -1, {{0, 2}, {2, 3}, {5, 3}, {0, 0}}},
        // A slow clock: steps whose share of the time is gone are merged,
        // and the time runs out before the last.
        {10, 20, 4, -1, {{0, 1}, {1, 1}, {2, 2}, {0, 0}}},
        // The callback says stop at step 2: the closing call still comes.
        {5, 50, 1, 2, {{0, 1}, {1, 1}, {2, 1}, {0, 0}}},
        // No duration: nothing at all.
        {5, 0, 1, -1, {}},
    };
    TreeWindow W;
    for (const Case& C : Cases) {
        SCOPED_TRACE(std::to_string(C.Steps) + " steps, " + std::to_string(C.Duration) + " ms");
        const StepClockScope Clock(C.ClockStep);
        StepLog Log;
        Log.StopAt = C.StopAt;
        W.Tree->Animate(C.Steps, C.Duration, TVTAnimationCallback(&Log, &StepLog::Call), nullptr);
        EXPECT_EQ(Log.Calls, C.Calls);
        EXPECT_FALSE(W.Tree->TreeStates().Contains(tsInAnimation));
    }
}

TEST(VTreeAnimation, NoSecondAnimationWhileOneRuns)
{
    TreeWindow W;
    const StepClockScope Clock(1);
    StepLog Outer, Inner;
    Outer.During = [&] {
        EXPECT_TRUE(W.Tree->TreeStates().Contains(tsInAnimation));
        W.Tree->Animate(3, 30, TVTAnimationCallback(&Inner, &StepLog::Call), nullptr);
    };
    W.Tree->Animate(3, 30, TVTAnimationCallback(&Outer, &StepLog::Call), nullptr);
    EXPECT_EQ(Outer.Calls.size(), 4u);
    EXPECT_TRUE(Inner.Calls.empty());
}

TEST(VTreeHintWindow, FadeRaisesTheOpacityStepByStep)
{
    HintWindowFixture F(hatFade);
    const StepClockScope Clock(1);
    F.Hint.ShotAt = {0, 128, -1};
    F.Hint.ActivateHint(F.Rect, "");
    const std::vector<HintFrame>& Fr = F.Hint.Frames;
    ASSERT_GE(Fr.size(), 20u);
    // Unseen at the first step, opaque at the close; in between the
    // opacity is Step * 256 / 255 and never falls.
    EXPECT_EQ(Fr.front().Step, 0);
    EXPECT_EQ(Fr.front().Alpha, 0);
    EXPECT_EQ(Fr.back().StepSize, 0);
    EXPECT_EQ(Fr.back().Alpha, 255);
    for (size_t I = 1; I + 1 < Fr.size(); ++I) {
        SCOPED_TRACE(I);
        EXPECT_EQ(Fr[I].Alpha, std::min(255, MulDiv(Fr[I].Step, 256, 255)));
        EXPECT_GE(Fr[I].Alpha, Fr[I - 1].Alpha);
        EXPECT_EQ(Fr[I].Rows, -1);
    }
    // The screen: the tree, the hint half through it, the hint.
    ASSERT_EQ(F.Hint.Shots.size(), 3u);
    // Inside the hint's frame, left of its text.
    const int X = 10 + 2;
    const int Y = 10 + 2;
    const COLORREF Tree = PixelOf(*F.Hint.Shots[0], X, Y);
    const COLORREF Hint = PixelOf(*F.Hint.Shots[2], X, Y);
    EXPECT_EQ(Tree, Rgb(clWindow));
    EXPECT_EQ(Hint, Rgb(clInfoBk));
    const COLORREF Half = PixelOf(*F.Hint.Shots[1], X, Y);
    for (int Shift : {0, 8, 16}) {
        const int T = (Tree >> Shift) & 0xFF, H = (Hint >> Shift) & 0xFF;
        const int M = (Half >> Shift) & 0xFF;
        EXPECT_NEAR(M, (T + H) / 2, 3) << "channel at bit " << Shift;
    }
    SavePng(*F.Hint.Shots[0], "vtree-hint-fade-0");
    SavePng(*F.Hint.Shots[1], "vtree-hint-fade-128");
    SavePng(*F.Hint.Shots[2], "vtree-hint-fade-end");
}

TEST(VTreeHintWindow, SlideShowsTheBottomRowsFirst)
{
    HintWindowFixture F(hatSlide);
    const StepClockScope Clock(1);
    const int H = F.Rect.Height();
    F.Hint.ShotAt = {H / 2, -1};
    F.Hint.ActivateHint(F.Rect, "");
    const std::vector<HintFrame>& Fr = F.Hint.Frames;
    // One row more each step, up to the whole height; then no region.
    ASSERT_EQ(Fr.size(), static_cast<size_t>(H + 1));
    for (int I = 0; I < H; ++I) {
        SCOPED_TRACE(I);
        EXPECT_EQ(Fr[I].Step, I);
        EXPECT_EQ(Fr[I].Rows, I);
        EXPECT_EQ(Fr[I].Alpha, -1);
    }
    EXPECT_EQ(Fr.back().StepSize, 0);
    EXPECT_EQ(Fr.back().Rows, -1);
    // Half way: the hint's bottom frame line is the last row shown, the
    // tree is seen below it.
    ASSERT_EQ(F.Hint.Shots.size(), 2u);
    TBitmap& Half = *F.Hint.Shots[0];
    EXPECT_EQ(PixelOf(Half, 10 + 2, 10 + H / 2 - 1), Rgb(clBlack));
    EXPECT_EQ(PixelOf(Half, 10 + 2, 10 + H / 2 - 2), Rgb(clInfoBk));
    EXPECT_EQ(PixelOf(Half, 10 + 2, 10 + H / 2 + 1), Rgb(clWindow));
    EXPECT_EQ(PixelOf(*F.Hint.Shots[1], 10 + 2, 10 + H - 2), Rgb(clInfoBk));
    SavePng(Half, "vtree-hint-slide-half");
    SavePng(*F.Hint.Shots[1], "vtree-hint-slide-end");
}

TEST(VTreeHintWindow, NewHintDuringAnAnimationEndsIt)
{
    HintWindowFixture F(hatFade);
    const StepClockScope Clock(1);
    // At the fade's tenth step a slide starts; the fade stops there.
    bool Nested = false;
    F.Hint.OnFrame = [&](int Step) {
        if (Nested || Step != 10 || F.Hint.Animation() != hatFade)
            return;
        Nested = true;
        F.Show(hatSlide);
    };
    F.Show(hatFade);
    ASSERT_TRUE(Nested);
    const std::vector<HintFrame>& Fr = F.Hint.Frames;
    ASSERT_GE(Fr.size(), 12u);
    EXPECT_EQ(Fr.back().StepSize, 0);  // the slide's close, the last frame of all
    EXPECT_EQ(Fr.back().Rows, -1);
    EXPECT_EQ(Fr.back().Alpha, -1);
    EXPECT_FALSE(F.W.Tree->TreeStates().Contains(tsInAnimation));
    // The next hint animates in full.
    F.Hint.OnFrame = nullptr;
    F.Hint.Frames.clear();
    F.Show(hatFade);
    ASSERT_GE(F.Hint.Frames.size(), 20u);
    EXPECT_EQ(F.Hint.Frames.back().Alpha, 255);
}

TEST(VTreeHintWindow, NoAnimationWithoutDurationAndKeysKeepTheHint)
{
    HintWindowFixture F(hatFade);
    F.W.Tree->SetAnimationDuration(0);
    F.Show(hatFade);
    EXPECT_EQ(F.Hint.Animation(), hatNone);
    EXPECT_TRUE(F.Hint.Visible());
    EXPECT_FALSE(GetLayeredWindowAttributes(F.Hint.Handle(), nullptr, nullptr, nullptr));
    MSG M;
    M.hwnd = F.W.Tree->Handle();
    for (UINT Key : {UINT(WM_KEYDOWN), UINT(WM_CHAR), UINT(WM_NCMOUSEMOVE)}) {
        M.message = Key;
        EXPECT_FALSE(F.Hint.IsHintMsg(M)) << Key;
    }
    M.message = WM_LBUTTONDOWN;
    EXPECT_TRUE(F.Hint.IsHintMsg(M));
}

TEST(VTreeDragImage, PictureOfTheSelectedRowsAroundTheHotSpot)
{
    TreeWindow W;
    TextTree& T = *W.Tree;
    T.TreeOptions()->SetSelectionOptions({toFullRowSelect, toMultiSelect});
    T.TreeOptions()->SetPaintOptions(PaintOf({toPopupMode}));
    T.SetRootNodeCount(20);
    T.SetSelected(T.At({2}), true);
    T.DragImage()->SetTransparency(255);  // the picture as painted
    const int H = static_cast<int>(T.DefaultNodeHeight());
    // 200 x 350 around a point in row 2: cut at the tree's top and left.
    T.PrepareDragImage(TPoint{50, 2 * H + 5});
    ASSERT_TRUE(T.DragImage()->Prepared());
    const TPoint Origin = T.ClientToScreen(TPoint{0, 0});
    const TRect R = T.DragImage()->GetDragImageRect();
    EXPECT_EQ(R.Left, Origin.X);
    EXPECT_EQ(R.Top, Origin.Y);
    EXPECT_EQ(R.Width(), 50 + 100);
    EXPECT_EQ(R.Height(), 2 * H + 5 + 175);
    HIMAGELIST List = ImageList_GetDragImage(nullptr, nullptr);
    TBitmap Shown;
    Shown.SetSize(R.Width(), R.Height());
    ImageList_Draw(List, 0, Shown.Canvas()->Handle(), 0, 0, ILD_NORMAL);
    EXPECT_EQ(PixelOf(Shown, 140, 2 * H + H / 2), Rgb(clHighlight));  // the selected row
    EXPECT_EQ(PixelOf(Shown, 140, H / 2), Rgb(clWindow));              // others left out
    T.DragImage()->EndDrag();
}

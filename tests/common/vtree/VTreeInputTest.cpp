// The tree driven through its window messages: keys (the keyboard table and
// the selection after each key), the mouse (clicks with modifiers, buttons,
// check boxes, double clicks, the rubber band, edit start by a slow second
// click, drag start), hot tracking, the wheel, wheel panning and
// incremental search with its time-out. Renders of hot tracking and a
// rubber band in progress are written as PNG.

#include "common/vtree/VTree.h"

#include "common/vtree/VTreePrivate.h"
#include "platform/forms/Clipbrd.h"
#include "platform/forms/Forms.h"
#include "platform/forms/InputSimulation.h"
#include "platform/forms/Menus.h"
#include "platform/forms/StdActns.h"
#include "platform/winapi/CommCtrl.h"
#include "platform/winapi/LayeredWindows.h"
#include "platform/winapi/Messages.h"
#include "platform/winapi/Windows.h"
#include "platform/rtl/Cp1251.h"
#include "platform/rtl/Ticks.h"

#include "tests/common/components/ComponentsTestKit.h"
#include "tests/common/vtree/TreeFixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

using namespace components_test;

namespace {

/// A tree whose nodes show a text (by index path; "Node <path>" unless
/// set), 7 pixels a character, searched by case-insensitive prefix.
class InputTree : public TestTree {
public:
    explicit InputTree(TComponent* AOwner) : TestTree(AOwner)
    {
        OnIncrementalSearch = TVTIncrementalSearchEvent(this, &InputTree::Search);
    }
    using TBaseVirtualTree::Change;
    using TBaseVirtualTree::ChangeState;
    using TBaseVirtualTree::PanningCursor;
    using TBaseVirtualTree::PanningWindow;

    std::map<std::string, std::string> Texts;
    std::vector<std::string> Invalidated;  // rows repainted, by path
    int Dragged = 0;
    int SearchCompares = 0;

    std::string PathOf(PVirtualNode Node) const
    {
        if (!Node)
            return "nil";
        std::vector<Cardinal> Path;
        for (PVirtualNode Run = Node; Run != RootNode(); Run = Run->Parent)
            Path.push_back(Run->Index);
        std::string Result;
        for (auto It = Path.rbegin(); It != Path.rend(); ++It)
            Result += (Result.empty() ? "" : ".") + std::to_string(*It);
        return Result;
    }
    std::string TextOf(PVirtualNode Node) const
    {
        auto It = Texts.find(PathOf(Node));
        return It != Texts.end() ? It->second : "Node " + PathOf(Node);
    }
    void CellTextInfo(PVirtualNode Node, TColumnIndex, TFont*, TRect& R,
                      std::u16string& Text) override
    {
        R = TRect();
        Text.clear();
        for (char C : cp1251::FromUtf8(TextOf(Node)))
            Text += static_cast<char16_t>(cp1251::ToUnicode(static_cast<unsigned char>(C)));
    }
    TRect InvalidateNode(PVirtualNode Node) override
    {
        if (Node)
            Invalidated.push_back(PathOf(Node));
        return TBaseVirtualTree::InvalidateNode(Node);
    }

protected:
    int GetNodeWidth(PVirtualNode Node, TColumnIndex, TCanvas*) override
    {
        return 7 * static_cast<int>(TextOf(Node).size());
    }
    void DoPaintNode(TVTPaintInfo& PI) override
    {
        const std::string T = TextOf(PI.Node);
        const std::u16string W(T.begin(), T.end());
        HDC DC = PI.Canvas->Handle();
        SetBkMode(DC, TRANSPARENT);
        const bool Hot = PI.Node == HotNode() &&
                         TreeOptions()->PaintOptions().Contains(toHotTrack);
        TColor Color = Selected(PI.Node) ? clHighlightText : clWindowText;
        if (Hot && !Selected(PI.Node))
            Color = Colors()->Get(TVTColors::HotColor);
        SetTextColor(DC, ColorToRGB(Color));
        TRect R = PI.ContentRect;
        R.Left += TextMargin();
        DrawTextW(DC, W.data(), static_cast<int>(W.size()), R,
                  DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
        if (Hot) {
            // Hot text is underlined.
            TSize Size{0, 0};
            GetTextExtentPoint32W(DC, W.data(), static_cast<int>(W.size()), Size);
            const int Y = (R.Top + R.Bottom + Size.cy) / 2 - 1;
            TRect Line{R.Left, Y, R.Left + Size.cx, Y + 1};
            HBRUSH B = CreateSolidBrush(ColorToRGB(Color));
            FillRect(DC, Line, B);
            DeleteObject(B);
        }
    }
    void DoDragging(const TPoint& P) override
    {
        ++Dragged;
        TBaseVirtualTree::DoDragging(P);
    }

private:
    void Search(TBaseVirtualTree*, PVirtualNode Node, const std::u16string& Text, int& Result)
    {
        ++SearchCompares;
        const std::string T = TextOf(Node);
        Result = 0;
        if (Text.size() > T.size()) {
            Result = 1;
            return;
        }
        for (size_t I = 0; I < Text.size(); ++I)
            if (std::tolower(static_cast<unsigned char>(T[I])) !=
                std::tolower(static_cast<int>(Text[I]))) {
                Result = 1;
                return;
            }
    }
};

// A window with the tree, shown and focused; keys and mouse go in as the
// window's messages.
struct InputWindow {
    std::unique_ptr<TForm> Form = MakeForm(420, 260);
    InputTree* Tree = nullptr;

    InputWindow()
    {
        Tree = new InputTree(Form.get());
        Tree->SetParent(Form.get());
        Tree->SetBounds(10, 10, 400, 240);
        Tree->Font()->SetName("Arial");
        Tree->Font()->SetHeight(-11);
        Form->Show();
        Tree->SetFocus();
    }
    ~InputWindow()
    {
        SetKeyStateForTest(VK_SHIFT, false);
        SetKeyStateForTest(VK_CONTROL, false);
        SetKeyStateForTest(VK_MENU, false);
    }
    void Options(TVTSelectionOptions Selection, TVTMiscOptions MiscExtra = {})
    {
        Tree->TreeOptions()->SetSelectionOptions(Selection);
        Tree->TreeOptions()->SetMiscOptions(Tree->TreeOptions()->MiscOptions() + MiscExtra);
    }
    static void Hold(TShiftState Shift)
    {
        SetKeyStateForTest(VK_SHIFT, Shift.Contains(ssShift));
        SetKeyStateForTest(VK_CONTROL, Shift.Contains(ssCtrl));
        SetKeyStateForTest(VK_MENU, Shift.Contains(ssAlt));
    }
    /// Key down and up with the modifiers held; Typed is the WM_CHAR that
    /// follows (0: none).
    void Key(Word Vk, TShiftState Shift = {}, char Typed = 0)
    {
        Hold(Shift);
        const LPARAM Alt = Shift.Contains(ssAlt) ? AltMask : 0;
        Tree->Perform(WM_KEYDOWN, Vk, Alt);
        if (Typed)
            Tree->Perform(WM_CHAR, static_cast<unsigned char>(Typed), Alt);
        Tree->Perform(WM_KEYUP, Vk, Alt | static_cast<LPARAM>(0xC0000000u));
        Hold({});
    }
    void Type(const std::string& Text)
    {
        for (char C : Text)
            Key(static_cast<Word>(std::toupper(static_cast<unsigned char>(C))), {}, C);
    }
    static WPARAM Keys(TShiftState Shift, UINT Button)
    {
        WPARAM K = Button;
        if (Shift.Contains(ssShift))
            K |= MK_SHIFT;
        if (Shift.Contains(ssCtrl))
            K |= MK_CONTROL;
        return K;
    }
    void Press(TPoint P, TShiftState Shift = {}, UINT Msg = WM_LBUTTONDOWN, UINT Button = MK_LBUTTON)
    {
        Hold(Shift);
        Tree->Perform(Msg, Keys(Shift, Button), MakeLParam(P.X, P.Y));
    }
    void Release(TPoint P, TShiftState Shift = {}, UINT Msg = WM_LBUTTONUP)
    {
        Tree->Perform(Msg, Keys(Shift, 0), MakeLParam(P.X, P.Y));
        Hold({});
    }
    void Click(TPoint P, TShiftState Shift = {})
    {
        Press(P, Shift);
        Release(P, Shift);
    }
    void Move(TPoint P, UINT Keys = 0) { Tree->Perform(WM_MOUSEMOVE, Keys, MakeLParam(P.X, P.Y)); }
    /// The middle of a node's text.
    TPoint Label(PVirtualNode Node) const
    {
        const TRect R = Tree->NodeDisplayRect(Node, NoColumn, true);
        return {(R.Left + R.Right) / 2, (R.Top + R.Bottom) / 2};
    }
    /// Right of the text, on the row.
    TPoint RightOf(PVirtualNode Node) const
    {
        const TRect R = Tree->NodeDisplayRect(Node, NoColumn, true);
        return {R.Right + 40, (R.Top + R.Bottom) / 2};
    }
    /// The expand button in the indentation.
    TPoint Button(PVirtualNode Node) const
    {
        const TRect R = Tree->NodeDisplayRect(Node, NoColumn, false);
        const int Level = static_cast<int>(Tree->NodeLevel(Node));
        return {Level * static_cast<int>(Tree->Indent()) + 9, (R.Top + R.Bottom) / 2};
    }
    PVirtualNode N(const std::string& Path) const
    {
        std::vector<int> P;
        size_t Start = 0;
        while (Start <= Path.size()) {
            const size_t Dot = Path.find('.', Start);
            P.push_back(std::stoi(Path.substr(Start, Dot - Start)));
            if (Dot == std::string::npos)
                break;
            Start = Dot + 1;
        }
        return Tree->At(P);
    }
    /// "focus 1.0 | sel 0 1.0" for a table row.
    std::string State() const
    {
        std::string S = "focus " + Tree->PathOf(Tree->FocusedNode()) + " | sel";
        for (PVirtualNode Node : Tree->SelectedNodesInOrder(false))
            S += " " + Tree->PathOf(Node);
        return S;
    }
};

// 0, 1 (children 1.0 1.1 1.2, expanded), 2 (child 2.0, collapsed), 3 .. 5
const char* const SmallTree =
    "0\n"
    "1\n"
    "  1.0\n"
    "  1.1\n"
    "  1.2\n"
    "2-\n"
    "  2.0\n"
    "3\n"
    "4\n"
    "5\n";

struct KeyStep {
    Word Vk;
    TShiftState Shift;
    const char* After;  // State() after the key
};

void RunKeys(InputWindow& W, const std::vector<KeyStep>& Steps)
{
    for (size_t I = 0; I < Steps.size(); ++I) {
        SCOPED_TRACE("step " + std::to_string(I));
        W.Key(Steps[I].Vk, Steps[I].Shift);
        EXPECT_EQ(W.State(), Steps[I].After);
        CheckInvariants(*W.Tree, "after key");
    }
}

}  // namespace

// ---- keyboard -------------------------------------------------------------------------------

TEST(VTreeKeys, ArrowsHomeEndAndBackspaceMoveTheFocusAndTheSelection)
{
    InputWindow W;
    BuildTree(*W.Tree, SmallTree);
    W.Options({toMultiSelect});
    RunKeys(W, {
        {VK_DOWN, {}, "focus 0 | sel 0"},          // no focus: the first row
        {VK_DOWN, {}, "focus 1 | sel 1"},
        {VK_DOWN, {}, "focus 1.0 | sel 1.0"},      // into the open children
        {VK_BACK, {}, "focus 1 | sel 1"},          // Backspace: the parent
        {VK_BACK, {}, "focus 1 | sel 1"},          // a top-level node has none
        {VK_END, {}, "focus 5 | sel 5"},
        {VK_UP, {}, "focus 4 | sel 4"},
        {VK_HOME, {}, "focus 0 | sel 0"},
        {VK_UP, {}, "focus 0 | sel 0"},            // at the top nothing moves
        {VK_NEXT, {}, "focus 5 | sel 5"},          // a page holds every row
        {VK_PRIOR, {}, "focus 0 | sel 0"},
    });
}

TEST(VTreeKeys, LeftAndRightCollapseExpandAndWalkTheLevels)
{
    InputWindow W;
    BuildTree(*W.Tree, SmallTree);
    W.Options({toMultiSelect});
    W.Tree->FocusNodeAndColumn(W.N("2"), NoColumn);
    RunKeys(W, {
        {VK_RIGHT, {}, "focus 2 | sel 2"},    // collapsed with children: opens
        {VK_RIGHT, {}, "focus 2.0 | sel 2.0"},  // open: the first child
        {VK_RIGHT, {}, "focus 2.0 | sel 2.0"},  // a leaf: nothing
        {VK_LEFT, {}, "focus 2 | sel 2"},     // a child: its parent
        {VK_LEFT, {}, "focus 2 | sel 2"},     // open: closes
    });
    EXPECT_FALSE(W.Tree->Expanded(W.N("2")));
    EXPECT_TRUE(W.Tree->Expanded(W.N("1")));
    // Ctrl turns the arrows into scrolling and leaves the focus.
    W.Tree->SetRootNodeCount(60);
    W.Key(VK_DOWN, {ssCtrl});
    EXPECT_EQ(W.Tree->OffsetY(), -static_cast<int>(W.Tree->DefaultNodeHeight()));
    EXPECT_EQ(W.Tree->PathOf(W.Tree->FocusedNode()), "2");
    W.Key(VK_NEXT, {ssCtrl});
    EXPECT_EQ(W.Tree->OffsetY(),
              -static_cast<int>(W.Tree->DefaultNodeHeight()) - W.Tree->ClientHeight());
    W.Key(VK_UP, {ssCtrl});
    W.Key(VK_PRIOR, {ssCtrl});
    EXPECT_EQ(W.Tree->OffsetY(), 0);
}

TEST(VTreeKeys, ShiftExtendsFromTheAnchorAndShrinksOnTheWayBack)
{
    InputWindow W;
    W.Tree->SetRootNodeCount(40);
    W.Options({toMultiSelect});
    W.Key(VK_DOWN);  // focus 0, anchor 0
    W.Key(VK_DOWN);  // 1
    RunKeys(W, {
        {VK_DOWN, {ssShift}, "focus 2 | sel 1 2"},
        {VK_DOWN, {ssShift}, "focus 3 | sel 1 2 3"},
        {VK_UP, {ssShift}, "focus 2 | sel 1 2"},     // back towards the anchor
        {VK_UP, {ssShift}, "focus 1 | sel 1"},
        {VK_UP, {ssShift}, "focus 0 | sel 0 1"},     // past it: grows upwards
        {VK_DOWN, {ssShift}, "focus 1 | sel 1"},
        {VK_DOWN, {}, "focus 2 | sel 2"},            // no modifier: one node
    });
    // Shift+Page Down twice makes one unbroken range (a forced range goes
    // from the last focus, so the first page is kept).
    const int Page = W.Tree->ClientHeight() / static_cast<int>(W.Tree->DefaultNodeHeight());
    W.Key(VK_NEXT, {ssShift});
    W.Key(VK_NEXT, {ssShift});
    const PVirtualNode Focus = W.Tree->FocusedNode();
    EXPECT_EQ(static_cast<int>(Focus->Index), 2 + 2 * (Page - 1));
    EXPECT_EQ(static_cast<int>(W.Tree->SelectedCount()), static_cast<int>(Focus->Index) - 1);
    for (Cardinal I = 2; I <= Focus->Index; ++I)
        EXPECT_TRUE(W.Tree->Selected(W.N(std::to_string(I)))) << I;
    // Shift+Home crosses the anchor: the range runs from the top to it.
    W.Key(VK_HOME, {ssShift});
    EXPECT_EQ(W.State(), "focus 0 | sel 0 1 2");
    // Without multi-select Shift moves like a plain arrow.
    W.Options({});
    W.Key(VK_DOWN, {ssShift});
    EXPECT_EQ(W.State(), "focus 1 | sel 1");
    CheckInvariants(*W.Tree, "end");
}

TEST(VTreeKeys, PageDownOverRowsTallerThanThePageMovesOneNode)
{
    InputWindow W;
    W.Tree->SetDefaultNodeHeight(static_cast<Cardinal>(W.Tree->ClientHeight() + 30));
    W.Tree->SetRootNodeCount(5);
    W.Key(VK_DOWN);
    W.Key(VK_NEXT);
    EXPECT_EQ(W.State(), "focus 1 | sel 1");
    W.Key(VK_PRIOR);
    EXPECT_EQ(W.State(), "focus 0 | sel 0");
}

TEST(VTreeKeys, GridModeMovesBetweenColumns)
{
    InputWindow W;
    TVTHeader* H = W.Tree->Header();
    for (int I = 0; I < 3; ++I)
        H->Columns()->Add()->SetWidth(100);
    H->SetOptions(H->Options() + TVTHeaderOptions{hoVisible});
    W.Tree->SetRootNodeCount(3);
    W.Options({toExtendedFocus}, {toGridExtensions});
    W.Tree->FocusNodeAndColumn(W.N("0"), 0);
    std::vector<std::string> Log;
    struct Host {
        std::vector<std::string>* Log;
        TColumnIndex Refused = -5;
        void Changing(TBaseVirtualTree*, PVirtualNode, PVirtualNode, TColumnIndex,
                      TColumnIndex New, bool& Allowed)
        {
            Allowed = New != Refused;
        }
    } Guard{&Log};
    W.Tree->OnFocusChanging = TVTFocusChangingEvent(&Guard, &Host::Changing);
    struct Step { Word Vk; TShiftState Shift; int Row; TColumnIndex Column; };
    const Step Steps[] = {
        {VK_RIGHT, {}, 0, 1},          // next column, never expands
        {VK_RIGHT, {}, 0, 2},
        {VK_RIGHT, {}, 0, 2},          // the last column stays
        {VK_LEFT, {}, 0, 1},
        {VK_HOME, {}, 0, 0},           // grid mode: Home is the row's first column
        {VK_END, {}, 0, 2},
        {VK_END, {ssCtrl}, 2, 2},      // Ctrl: the last row too
        {VK_TAB, {}, 2, 2},            // Tab at the very end: nowhere to go
        {VK_HOME, {ssCtrl}, 0, 0},
        {VK_TAB, {}, 0, 1},
        {VK_TAB, {}, 0, 2},
        {VK_TAB, {}, 1, 0},            // past the last column: the next row
        {VK_TAB, {ssShift}, 0, 2},     // Shift: backwards
    };
    for (const Step& S : Steps) {
        SCOPED_TRACE(std::to_string(S.Vk) + " row " + std::to_string(S.Row));
        W.Key(S.Vk, S.Shift);
        EXPECT_EQ(W.Tree->PathOf(W.Tree->FocusedNode()), std::to_string(S.Row));
        EXPECT_EQ(W.Tree->FocusedColumn(), S.Column);
    }
    // A column the host refuses is skipped.
    Guard.Refused = 1;
    W.Key(VK_HOME);
    W.Key(VK_RIGHT);
    EXPECT_EQ(W.Tree->FocusedColumn(), 2);
    W.Tree->OnFocusChanging = nullptr;
}

TEST(VTreeKeys, NumericPadKeysAndTypedSignsExpandAndCollapse)
{
    InputWindow W;
    BuildTree(*W.Tree,
              "0-\n"
              "  0.0-\n"
              "    0.0.0\n"
              "1-\n"
              "  1.0\n");
    W.Tree->FocusNodeAndColumn(W.N("0"), NoColumn);
    W.Key(VK_MULTIPLY);  // the whole subtree
    EXPECT_TRUE(W.Tree->Expanded(W.N("0")));
    EXPECT_TRUE(W.Tree->Expanded(W.N("0.0")));
    W.Key(VK_DIVIDE);
    EXPECT_FALSE(W.Tree->Expanded(W.N("0")));
    EXPECT_FALSE(W.Tree->Expanded(W.N("0.0")));
    W.Key(VK_ADD);  // one level
    EXPECT_TRUE(W.Tree->Expanded(W.N("0")));
    EXPECT_FALSE(W.Tree->Expanded(W.N("0.0")));
    W.Key(VK_SUBTRACT);
    EXPECT_FALSE(W.Tree->Expanded(W.N("0")));
    W.Key(VK_ADD, {ssCtrl, ssShift});  // the whole tree
    EXPECT_TRUE(W.Tree->Expanded(W.N("1")));
    EXPECT_TRUE(W.Tree->Expanded(W.N("0.0")));
    W.Key(VK_SUBTRACT, {ssCtrl, ssShift});
    EXPECT_FALSE(W.Tree->Expanded(W.N("1")));
    EXPECT_FALSE(W.Tree->Expanded(W.N("0")));
}

TEST(VTreeKeys, SpaceShowsThePressedBoxUntilTheKeyComesUp)
{
    InputWindow W;
    W.Tree->TreeOptions()->SetMiscOptions(W.Tree->TreeOptions()->MiscOptions() +
                                          TVTMiscOptions{toCheckSupport});
    W.Tree->SetRootNodeCount(3);
    for (int I = 0; I < 3; ++I)
        W.Tree->SetCheckType(W.N(std::to_string(I)), ctCheckBox);
    EventLog Log(*W.Tree);
    Log.Attach();
    W.Tree->FocusNodeAndColumn(W.N("0"), NoColumn);
    Log.Take();
    W.Tree->Perform(WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_EQ(W.Tree->CheckState(W.N("0")), csUncheckedPressed);
    EXPECT_TRUE(W.Tree->TreeStates().Contains(tsKeyCheckPending));
    W.Tree->Perform(WM_KEYUP, VK_SPACE, 0);
    EXPECT_EQ(W.Tree->CheckState(W.N("0")), csCheckedNormal);
    EXPECT_FALSE(W.Tree->TreeStates().Contains(tsKeyCheckPending));
    const std::vector<std::string> Expected = {"Checking 0 2", "Checking 0 2", "Checked 0"};
    EXPECT_EQ(Log.Take(), Expected);
    // The focus moves away before the key comes up: the box only comes up.
    W.Tree->Perform(WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_EQ(W.Tree->CheckState(W.N("0")), csCheckedPressed);
    W.Tree->FocusNodeAndColumn(W.N("1"), NoColumn);
    W.Tree->Perform(WM_KEYUP, VK_SPACE, 0);
    EXPECT_EQ(W.Tree->CheckState(W.N("0")), csCheckedNormal);
    // Another key while Space is down gives the box back unchanged.
    W.Tree->Perform(WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_EQ(W.Tree->CheckState(W.N("1")), csUncheckedPressed);
    W.Tree->Perform(WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(W.Tree->CheckState(W.N("1")), csUncheckedNormal);
    W.Tree->Perform(WM_KEYUP, VK_SPACE, 0);
    EXPECT_EQ(W.Tree->CheckState(W.N("1")), csUncheckedNormal);
    // A refused change presses nothing.
    Log.RefuseCheck = {W.N("2")};
    W.Tree->Perform(WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_EQ(W.Tree->CheckState(W.N("2")), csUncheckedNormal);
}

TEST(VTreeKeys, CtrlASelectsAllAndAWithoutCtrlSearches)
{
    InputWindow W;
    W.Tree->SetRootNodeCount(4);
    W.Tree->Texts = {{"0", "Apple"}, {"1", "Banana"}, {"2", "Avocado"}, {"3", "Cherry"}};
    W.Options({toMultiSelect});
    W.Tree->SetIncrementalSearch(isAll);
    W.Key('A', {ssCtrl});
    EXPECT_EQ(W.Tree->SelectedCount(), 4u);
    W.Type("a");
    EXPECT_EQ(W.State(), "focus 0 | sel 0");
    EXPECT_TRUE(W.Tree->TreeStates().Contains(tsIncrementalSearching));
}

TEST(VTreeKeys, DialogCodeAndSubclassingAnswers)
{
    InputWindow W;
    EXPECT_EQ(W.Tree->Perform(WM_GETDLGCODE, 0, 0), 129);
    W.Tree->SetWantTabs(true);
    EXPECT_EQ(W.Tree->Perform(WM_GETDLGCODE, 0, 0), 131);
    EXPECT_EQ(W.Tree->Perform(CM_BASE + 2000, 0, 0), 1);
}

TEST(VTreeKeys, OnKeyActionCanSwallowAKey)
{
    InputWindow W;
    W.Tree->SetRootNodeCount(3);
    struct Host {
        void Action(TBaseVirtualTree*, Word& Key, TShiftState&, bool& DoDefault)
        {
            DoDefault = Key != VK_DOWN;
        }
    } H;
    W.Tree->OnKeyAction = TVTKeyActionEvent(&H, &Host::Action);
    W.Key(VK_DOWN);
    EXPECT_EQ(W.Tree->FocusedNode(), nullptr);
    W.Key(VK_END);
    EXPECT_EQ(W.State(), "focus 2 | sel 2");
    W.Tree->OnKeyAction = nullptr;
}

TEST(VTreeKeys, F1ShowsTheHelpTopicOfTheNodeItsParentsOrTheControls)
{
    struct HelpCase {
        const char* Note;
        bool Event;               // OnGetHelpContext assigned
        std::map<std::string, int> NodeTopics;  // the event's answer by node path
        int TreeTopic;
        int FormTopic;
        const char* Focus;        // "" for none
        int Shown;                // topic the application was asked for (0: none)
    };
    const HelpCase Cases[] = {
        {"the focused node's own topic", true, {{"1.1", 7}, {"1", 5}}, 3, 2, "1.1", 7},
        {"a node without one takes its parent's", true, {{"1", 5}}, 3, 2, "1.1", 5},
        {"no node topic: the tree's", true, {}, 3, 2, "1.1", 3},
        {"no tree topic: the form's", true, {}, 0, 2, "1.1", 2},
        {"no focused node: the controls'", true, {{"1", 5}}, 3, 2, "", 3},
        {"nothing anywhere: no help", true, {}, 0, 0, "1.1", 0},
        {"without the event F1 does nothing", false, {{"1", 5}}, 3, 2, "1.1", 0},
    };
    for (const HelpCase& C : Cases) {
        SCOPED_TRACE(C.Note);
        InputWindow W;
        BuildTree(*W.Tree, SmallTree);
        struct Host {
            const HelpCase* Case;
            InputTree* Tree;
            std::vector<std::string> Asked;
            std::vector<intptr_t> Shown;
            void Context(TBaseVirtualTree*, PVirtualNode Node, TColumnIndex, int& Topic)
            {
                Asked.push_back(Tree->PathOf(Node));
                const auto It = Case->NodeTopics.find(Tree->PathOf(Node));
                if (It != Case->NodeTopics.end())
                    Topic = It->second;
            }
            bool Help(Word Command, intptr_t Data, bool&)
            {
                EXPECT_EQ(Command, HELP_CONTEXT);
                Shown.push_back(Data);
                return true;
            }
        } H{&C, W.Tree, {}, {}};
        if (C.Event)
            W.Tree->OnGetHelpContext = TVTHelpContextEvent(&H, &Host::Context);
        Application->OnHelp = THelpEvent(&H, &Host::Help);
        W.Tree->SetHelpContext(C.TreeTopic);
        W.Form->SetHelpContext(C.FormTopic);
        if (*C.Focus)
            W.Tree->SetFocusedNode(W.N(C.Focus));
        W.Key(VK_F1);
        Application->OnHelp = nullptr;
        EXPECT_EQ(H.Shown, C.Shown ? std::vector<intptr_t>{C.Shown} : std::vector<intptr_t>{});
        // The node is asked first and its parents only while it has none.
        if (C.Event && *C.Focus && C.NodeTopics.count(C.Focus)) {
            EXPECT_EQ(H.Asked, std::vector<std::string>{C.Focus});
        }
    }
}

TEST(VTreeKeys, StandardEditActionsReachTheFocusedTree)
{
    struct ActionCase {
        const char* Note;
        int Kind;              // 0 cut, 1 copy, 2 paste, 3 select all, 4 delete
        bool ReadOnly;
        bool Multi;            // toMultiSelect
        const char* Select;    // paths selected first (the last one focused)
        bool CopyFirst;        // copy the selection to the clipboard first
        bool Enabled;          // after Update
        Cardinal CountAfter;   // nodes after Execute
        Cardinal SelectedAfter;
    };
    const ActionCase Cases[] = {
        {"select all selects every node", 3, false, true, "0", false, true, 10, 10},
        {"select all needs multi-select", 3, false, false, "0", false, false, 10, 1},
        {"copy keeps the nodes", 1, false, true, "3 4", false, true, 10, 2},
        {"copy needs a selection", 1, false, true, "", false, false, 10, 0},
        {"cut marks the nodes, the paste moves them", 0, false, true, "3 4", false, true, 10, 2},
        {"cut on a read-only tree is off", 0, true, true, "3 4", false, false, 10, 2},
        {"paste inserts the copied nodes, selected", 2, false, true, "3 4", true, true, 12, 4},
        {"paste without tree data is off", 2, false, true, "3", false, false, 10, 1},
        {"paste into a read-only tree is off", 2, true, true, "3 4", true, false, 10, 2},
        {"delete removes the selected nodes", 4, false, true, "1 5", false, true, 5, 0},
        {"delete on a read-only tree is off", 4, true, true, "1 5", false, false, 10, 2},
    };
    for (const ActionCase& C : Cases) {
        SCOPED_TRACE(C.Note);
        Clipboard()->Clear();
        InputWindow W;
        BuildTree(*W.Tree, SmallTree);
        W.Options(C.Multi ? TVTSelectionOptions{toMultiSelect} : TVTSelectionOptions{});
        std::istringstream Paths(C.Select);
        for (std::string Path; Paths >> Path;) {
            W.Tree->SetSelected(W.N(Path), true);
            W.Tree->SetFocusedNode(W.N(Path));
        }
        if (C.CopyFirst)
            W.Tree->CopyToClipboard();
        if (C.ReadOnly)
            W.Options(W.Tree->TreeOptions()->SelectionOptions(), {toReadOnly});
        ASSERT_EQ(Screen->ActiveControl(), W.Tree);
        TEditAction* Action = nullptr;
        switch (C.Kind) {
        case 0: Action = new TEditCut(W.Form.get()); break;
        case 1: Action = new TEditCopy(W.Form.get()); break;
        case 2: Action = new TEditPaste(W.Form.get()); break;
        case 3: Action = new TEditSelectAll(W.Form.get()); break;
        default: Action = new TEditDelete(W.Form.get()); break;
        }
        Action->Update();
        EXPECT_EQ(Action->Enabled(), C.Enabled);
        EXPECT_EQ(Action->Execute(), C.Enabled);
        EXPECT_EQ(W.Tree->TotalCount(), C.CountAfter);
        EXPECT_EQ(W.Tree->SelectedCount(), C.SelectedAfter);
        if (C.Kind == 0 && C.Enabled) {
            // The cut nodes move to where the paste goes.
            W.Tree->SetFocusedNode(W.N("0"));
            EXPECT_TRUE(W.Tree->PasteFromClipboard());
            EXPECT_EQ(W.Tree->TotalCount(), 10u);
            EXPECT_EQ(W.Tree->RootNodeCount(), 4u);
        }
        CheckInvariants(*W.Tree, "after the action");
    }
    Clipboard()->Clear();
}

TEST(VTreeRequests, NextItemCodesFromAReferenceNode)
{
    InputWindow W;
    BuildTree(*W.Tree, SmallTree);
    W.Tree->SetFocusedNode(W.N("3"));
    struct NextCase {
        WPARAM Code;
        const char* From;  // "" for none, "x" for a pointer that is no node
        const char* Result;
    };
    const NextCase Cases[] = {
        {TVGN_ROOT, "", "0"},
        {TVGN_NEXT, "1.1", "1.2"},
        {TVGN_NEXT, "5", "nil"},           // the last sibling
        {TVGN_PREVIOUS, "1.0", "nil"},
        {TVGN_PREVIOUS, "3", "2"},
        {TVGN_PARENT, "1.2", "1"},
        {TVGN_PARENT, "1", "nil"},         // a top-level node answers 0
        {TVGN_CHILD, "2", "2.0"},          // collapsed children count too
        {TVGN_FIRSTVISIBLE, "", "0"},
        {TVGN_NEXTVISIBLE, "1.2", "2"},
        {TVGN_NEXTVISIBLE, "2", "3"},      // 2.0 is hidden in the collapsed 2
        {TVGN_PREVIOUSVISIBLE, "2", "1.2"},
        {TVGN_DROPHILITE, "", "nil"},
        {TVGN_CARET, "", "3"},
        {TVGN_LASTVISIBLE, "", "5"},
        {TVGN_NEXT, "x", "nil"},           // a stranger's handle is no node
        {11, "1", "nil"},                  // an unknown code
    };
    int Stranger = 0;
    for (const NextCase& C : Cases) {
        SCOPED_TRACE(std::to_string(C.Code) + " from " + C.From);
        const LPARAM From = std::string(C.From) == "x" ? reinterpret_cast<LPARAM>(&Stranger)
                            : *C.From                 ? reinterpret_cast<LPARAM>(W.N(C.From))
                                                      : 0;
        auto* Node = reinterpret_cast<PVirtualNode>(W.Tree->Perform(TVM_GETNEXTITEM, C.Code, From));
        EXPECT_EQ(W.Tree->PathOf(Node), C.Result);
    }
}

TEST(VTreeRequests, ItemDescriptionAndRectangle)
{
    InputWindow W;
    BuildTree(*W.Tree, SmallTree);
    W.Tree->Texts["1"] = "Товары";
    W.Options({toMultiSelect});
    W.Tree->SetFocusedNode(W.N("1"));
    W.Tree->SetSelected(W.N("1"), true);

    TVITEMA Item;
    Item.mask = TVIF_HANDLE | TVIF_CHILDREN | TVIF_STATE | TVIF_TEXT | TVIF_IMAGE;
    Item.hItem = W.N("1");
    char Buffer[5] = "????";
    Item.pszText = Buffer;
    Item.cchTextMax = sizeof Buffer;
    EXPECT_EQ(W.Tree->Perform(TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&Item)), 1);
    EXPECT_EQ(Item.cChildren, 3);
    EXPECT_EQ(Item.stateMask, 0xFF2Fu);
    // Focused, selected, expanded; no state or overlay image (-1 + 1 = 0).
    EXPECT_EQ(Item.state, static_cast<UINT>(TVIS_FOCUSED | TVIS_SELECTED | TVIS_EXPANDED));
    EXPECT_EQ(Item.iImage, -1);
    // The text as CP1251, cut to the buffer and ended by a null.
    EXPECT_EQ(std::string(Buffer), std::string(AnsiString("Товары"_a).c_str()).substr(0, 4));

    TVITEMA NoHandle;
    NoHandle.mask = TVIF_CHILDREN;
    NoHandle.hItem = W.N("1");
    EXPECT_EQ(W.Tree->Perform(TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&NoHandle)), 0);
    TVITEMA Stranger;
    int Other = 0;
    Stranger.mask = TVIF_HANDLE | TVIF_CHILDREN;
    Stranger.hItem = &Other;
    EXPECT_EQ(W.Tree->Perform(TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&Stranger)), 0);

    // The rectangle: whole rows or the text only; a hidden node says so.
    TRect R;
    auto Ask = [&](const char* Path) {
        const HTREEITEM Item = W.N(Path);
        std::memcpy(static_cast<void*>(&R), &Item, sizeof Item);
    };
    Ask("1.1");
    EXPECT_EQ(W.Tree->Perform(TVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&R)), 1);
    EXPECT_EQ(R, W.Tree->NodeDisplayRect(W.N("1.1"), NoColumn, false));
    Ask("1.1");
    EXPECT_EQ(W.Tree->Perform(TVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&R)), 1);
    EXPECT_EQ(R, W.Tree->NodeDisplayRect(W.N("1.1"), NoColumn, true));
    W.Tree->SetVisible(W.N("3"), false);
    Ask("3");
    EXPECT_EQ(W.Tree->Perform(TVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&R)), 0);
}

TEST(VTreeRequests, PrintClientPaintsTheScrolledRowsIntoTheGivenContext)
{
    InputWindow W;
    W.Tree->SetRootNodeCount(40);
    W.Tree->SetOffsetY(-3 * static_cast<int>(W.Tree->DefaultNodeHeight()));
    W.Options({toMultiSelect});
    W.Tree->SetSelected(W.N("3"), true);
    TBitmap Print;
    Print.SetSize(W.Tree->ClientWidth(), W.Tree->ClientHeight());
    Print.Canvas()->Brush()->SetColor(clLime);
    Print.Canvas()->FillRect(TRect{0, 0, Print.Width(), Print.Height()});
    W.Tree->Perform(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(Print.Canvas()->Handle()), PRF_CLIENT);
    // The background is the tree's and the first row shown is node 3, selected.
    EXPECT_EQ(Print.Canvas()->Pixels(Print.Width() - 2, Print.Height() - 2),
              ColorToRGB(W.Tree->Color()));
    const TRect First = W.Tree->NodeDisplayRect(W.N("3"), NoColumn, true);
    EXPECT_EQ(First.Top, 0);
    EXPECT_EQ(Print.Canvas()->Pixels(First.Left + 1, First.Top + 1),
              ColorToRGB(W.Tree->Colors()->Get(TVTColors::FocusedSelectionColor)));
    SavePng(Print, "vtree-print-client");

    // Hidden and asked to check: nothing is painted.
    TBitmap Hidden;
    Hidden.SetSize(20, 20);
    Hidden.Canvas()->Brush()->SetColor(clLime);
    Hidden.Canvas()->FillRect(TRect{0, 0, 20, 20});
    static_cast<TControl*>(W.Tree)->SetVisible(false);
    W.Tree->Perform(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(Hidden.Canvas()->Handle()),
                    PRF_CLIENT | PRF_CHECKVISIBLE);
    EXPECT_EQ(Hidden.Canvas()->Pixels(5, 5), clLime);
}

TEST(VTreeRequests, ThemeChangeAndTheWindowsEnd)
{
    InputWindow W;
    W.Tree->SetRootNodeCount(3);
    W.Tree->ChangeState({tsUseThemes}, {});
    W.Tree->Perform(WM_THEMECHANGED, 0, 0);
    EXPECT_FALSE(W.Tree->TreeStates().Contains(tsUseThemes));  // no themes are drawn here
    // The delayed change and structure change timers go with the window
    // (KillTimer answers whether a timer was running).
    W.Tree->SetChangeDelay(500);
    W.Tree->Change(W.N("1"));
    EXPECT_TRUE(KillTimer(W.Tree->Handle(), 5));  // the probe sees a running timer
    W.Tree->Change(W.N("1"));
    W.Tree->Perform(WM_NCDESTROY, 0, 0);
    EXPECT_FALSE(KillTimer(W.Tree->Handle(), 5));
}

// ---- incremental search ---------------------------------------------------------------------

namespace {

DWORD FakeTicks = 100000;
DWORD FakeTickCount()
{
    return FakeTicks;
}

struct TickScope {
    TickSource Old = SetTickSource(&FakeTickCount);
    ~TickScope() { SetTickSource(Old); }
};

}  // namespace

TEST(VTreeSearch, ModesStartsAndTimeOut)
{
    const TickScope Ticks;
    struct Case {
        const char* Name;
        TVTIncrementalSearch Mode;
        TVTSearchStart Start;
        TVTSearchDirection Direction;
        const char* Typed;   // '\b' is Backspace, '|' lets the time-out pass
        const char* Focus;   // the focused node afterwards
        const char* Buffer;  // the search text afterwards
    };
    const Case Cases[] = {
        {"prefix grows", isAll, ssFocusedNode, sdForward, "ch", "1.1", "ch"},
        {"same letter cycles", isAll, ssFocusedNode, sdForward, "ccc", "3", "c"},
        {"backwards", isAll, ssFocusedNode, sdBackward, "c", "3", "c"},
        {"backspace returns", isAll, ssFocusedNode, sdForward, "cha\b", "1.1", "ch"},
        {"backspace on one letter", isAll, ssFocusedNode, sdForward, "c\b", "1.0", "c"},
        {"time-out starts anew", isAll, ssFocusedNode, sdForward, "ch|b", "2", "b"},
        {"start over each time", isAll, ssAlwaysStartOver, sdForward, "c|c", "1.0", "c"},
        {"from the last hit", isAll, ssLastHit, sdForward, "cc", "1.1", "c"},
        {"visible only skips closed", isVisibleOnly, ssFocusedNode, sdForward, "d", "4", "d"},
        {"all finds closed children", isAll, ssFocusedNode, sdForward, "d", "2.0", "d"},
        {"nothing found keeps the text", isAll, ssFocusedNode, sdForward, "cx", "1.0", "c"},
        {"none searches nothing", isNone, ssFocusedNode, sdForward, "c", "0", ""},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        InputWindow W;
        BuildTree(*W.Tree, SmallTree);
        W.Tree->Texts = {{"0", "Alpha"},   {"1", "Beta"},   {"1.0", "Cat"},
                         {"1.1", "Chair"}, {"1.2", "Mouse"},  {"2", "Bear"},
                         {"2.0", "Deer"},  {"3", "Cow"},    {"4", "Duck"},
                         {"5", "Egg"}};
        W.Tree->SetIncrementalSearch(C.Mode);
        W.Tree->SetIncrementalSearchStart(C.Start);
        W.Tree->SetIncrementalSearchDirection(C.Direction);
        W.Tree->FocusNodeAndColumn(W.N("0"), NoColumn);
        for (const char* P = C.Typed; *P; ++P) {
            if (*P == '|') {
                FakeTicks += W.Tree->IncrementalSearchTimeout();
                continue;
            }
            if (*P == '\b')
                W.Key(VK_BACK, {}, '\b');
            else
                W.Type(std::string(1, *P));
            FakeTicks += 10;
        }
        EXPECT_EQ(W.Tree->PathOf(W.Tree->FocusedNode()), C.Focus);
        const std::u16string& B = W.Tree->SearchBuffer();
        EXPECT_EQ(std::string(B.begin(), B.end()), C.Buffer);
    }
}

TEST(VTreeSearch, NoMatchEndsAfterOneCycleAndBeeps)
{
    InputWindow W;
    W.Tree->SetRootNodeCount(50);
    for (PVirtualNode Start : {static_cast<PVirtualNode>(nullptr), W.N("10")}) {
        for (TVTSearchStart Mode : {ssAlwaysStartOver, ssFocusedNode, ssLastHit}) {
            SCOPED_TRACE(Mode);
            W.Tree->FocusNodeAndColumn(Start, NoColumn);
            W.Tree->SetIncrementalSearch(isAll);
            W.Tree->SetIncrementalSearchStart(Mode);
            W.Tree->SearchCompares = 0;
            const int Beeps = MessageBeepCount();
            W.Type("q");
            EXPECT_EQ(MessageBeepCount(), Beeps + 1);
            // Every node once, and the one the walk ended on again.
            EXPECT_LE(W.Tree->SearchCompares, 52);
            W.Tree->Perform(WM_TIMER, 7, 0);
            EXPECT_TRUE(W.Tree->SearchBuffer().empty());
            EXPECT_FALSE(W.Tree->TreeStates().Contains(tsIncrementalSearching));
        }
    }
}

// ---- mouse ----------------------------------------------------------------------------------

TEST(VTreeMouse, ClicksWithShiftAndCtrl)
{
    InputWindow W;
    W.Tree->SetRootNodeCount(8);
    W.Options({toMultiSelect});
    struct Step {
        int Row;
        TShiftState Shift;
        const char* After;
    };
    const Step Steps[] = {
        {1, {}, "focus 1 | sel 1"},
        {4, {ssShift}, "focus 4 | sel 1 2 3 4"},  // a range from the anchor
        {6, {ssCtrl}, "focus 6 | sel 1 2 3 4 6"},  // Ctrl adds one
        {2, {ssCtrl}, "focus 2 | sel 1 3 4 6"},    // and takes one away
        {5, {ssCtrl, ssShift}, "focus 5 | sel 1 2 3 4 5 6"},  // both: a range added
        {0, {}, "focus 0 | sel 0"},                // plain: only that one
    };
    for (const Step& S : Steps) {
        SCOPED_TRACE(S.After);
        W.Click(W.Label(W.N(std::to_string(S.Row))), S.Shift);
        EXPECT_EQ(W.State(), S.After);
        CheckInvariants(*W.Tree, "click");
    }
    // Without multi-select modifiers change nothing but the focus.
    W.Options({});
    W.Click(W.Label(W.N("3")), {ssShift});
    EXPECT_EQ(W.State(), "focus 3 | sel 3");
    // A click on nothing below the rows clears the selection (multi-select).
    W.Options({toMultiSelect});
    W.Click({100, 220});
    EXPECT_EQ(W.State(), "focus 3 | sel");
}

TEST(VTreeMouse, PressOnASelectedNodeClearsTheOthersOnReleaseUnlessADragStarts)
{
    InputWindow W;
    W.Tree->SetRootNodeCount(6);
    W.Options({toMultiSelect});
    struct Host {
        void Allowed(TBaseVirtualTree*, PVirtualNode, TColumnIndex, bool& Allow) { Allow = true; }
    } H;
    W.Tree->OnDragAllowed = TVTDragAllowedEvent(&H, &Host::Allowed);
    W.Click(W.Label(W.N("1")));
    W.Click(W.Label(W.N("3")), {ssShift});
    ASSERT_EQ(W.State(), "focus 3 | sel 1 2 3");
    // Pressed and released in place: only the pressed node stays.
    W.Press(W.Label(W.N("2")));
    EXPECT_TRUE(W.Tree->TreeStates().Contains(tsClearPending));
    EXPECT_TRUE(W.Tree->TreeStates().Contains(tsOLEDragPending));
    EXPECT_EQ(W.State(), "focus 2 | sel 1 2 3");
    W.Release(W.Label(W.N("2")));
    EXPECT_EQ(W.State(), "focus 2 | sel 2");
    // Pressed and moved past the drag threshold: the drag takes them all.
    W.Click(W.Label(W.N("4")), {ssShift});
    ASSERT_EQ(W.State(), "focus 4 | sel 2 3 4");
    const TPoint P = W.Label(W.N("3"));
    W.Press(P);
    W.Move({P.X + 1, P.Y}, MK_LBUTTON);  // inside the threshold
    EXPECT_EQ(W.Tree->Dragged, 0);
    W.Move({P.X + 1 + GetSystemMetrics(SM_CXDRAG), P.Y}, MK_LBUTTON);
    EXPECT_EQ(W.Tree->Dragged, 1);
    EXPECT_FALSE(W.Tree->TreeStates().Contains(tsOLEDragPending));
    W.Release({P.X + 10, P.Y});
    EXPECT_EQ(W.State(), "focus 3 | sel 2 3 4");
    W.Tree->OnDragAllowed = nullptr;
}

TEST(VTreeMouse, ButtonsCheckBoxesAndDoubleClicks)
{
    InputWindow W;
    BuildTree(*W.Tree, SmallTree);
    W.Tree->TreeOptions()->SetMiscOptions(W.Tree->TreeOptions()->MiscOptions() +
                                          TVTMiscOptions{toCheckSupport});
    // The expand button toggles and moves nothing else.
    W.Click(W.Button(W.N("2")));
    EXPECT_TRUE(W.Tree->Expanded(W.N("2")));
    EXPECT_EQ(W.Tree->FocusedNode(), nullptr);
    W.Click(W.Button(W.N("2")));
    EXPECT_FALSE(W.Tree->Expanded(W.N("2")));
    // A check box shows pressed while the button is down; the release over
    // the node checks it, a release elsewhere gives it back unchanged.
    PVirtualNode Node = W.N("3");
    W.Tree->SetCheckType(Node, ctCheckBox);
    const TRect Row = W.Tree->NodeDisplayRect(Node, NoColumn, false);
    const TPoint Box{static_cast<int>(W.Tree->Indent()) + 8, (Row.Top + Row.Bottom) / 2};
    W.Press(Box);
    EXPECT_EQ(W.Tree->CheckState(Node), csUncheckedPressed);
    W.Release({Box.X, Box.Y + 2 * static_cast<int>(W.Tree->DefaultNodeHeight())});
    EXPECT_EQ(W.Tree->CheckState(Node), csUncheckedNormal);
    W.Press(Box);
    W.Release(W.Label(Node));
    EXPECT_EQ(W.Tree->CheckState(Node), csCheckedNormal);
    // Double clicks: OnDblClick always; toggling only on the label with
    // toToggleOnDblClick, right of it only with full-row selection.
    int DblClicks = 0;
    struct Host {
        int* Count;
        void Dbl(TObject*) { ++*Count; }
    } H{&DblClicks};
    W.Tree->OnDblClick = TNotifyEvent(&H, &Host::Dbl);
    W.Tree->TreeOptions()->SetMiscOptions(W.Tree->TreeOptions()->MiscOptions() +
                                          TVTMiscOptions{toToggleOnDblClick});
    PVirtualNode Parent = W.N("1");
    auto DoubleClick = [&](TPoint P) {
        W.Click(P);
        W.Tree->Perform(WM_LBUTTONDBLCLK, MK_LBUTTON, MakeLParam(P.X, P.Y));
        W.Release(P);
    };
    DoubleClick(W.RightOf(Parent));
    EXPECT_EQ(DblClicks, 1);
    EXPECT_TRUE(W.Tree->Expanded(Parent));
    DoubleClick(W.Label(Parent));
    EXPECT_EQ(DblClicks, 2);
    EXPECT_FALSE(W.Tree->Expanded(Parent));
    W.Options({toFullRowSelect});
    DoubleClick(W.RightOf(Parent));
    EXPECT_TRUE(W.Tree->Expanded(Parent));
    W.Tree->OnDblClick = nullptr;
}

TEST(VTreeMouse, RightAndMiddleClicksSelectOnlyWhenAsked)
{
    InputWindow W;
    W.Tree->SetRootNodeCount(4);
    W.Click(W.Label(W.N("0")));
    auto Right = [&](PVirtualNode Node) {
        W.Press(W.Label(Node), {}, WM_RBUTTONDOWN, MK_RBUTTON);
        W.Release(W.Label(Node), {}, WM_RBUTTONUP);
    };
    Right(W.N("2"));
    EXPECT_EQ(W.State(), "focus 0 | sel 0");
    W.Options({toRightClickSelect});
    Right(W.N("2"));
    EXPECT_EQ(W.State(), "focus 2 | sel 2");
    W.Press(W.Label(W.N("3")), {}, WM_MBUTTONDOWN, MK_MBUTTON);
    W.Release(W.Label(W.N("3")), {}, WM_MBUTTONUP);
    EXPECT_EQ(W.State(), "focus 2 | sel 2");
    W.Options({toMiddleClickSelect});
    W.Press(W.Label(W.N("3")), {}, WM_MBUTTONDOWN, MK_MBUTTON);
    W.Release(W.Label(W.N("3")), {}, WM_MBUTTONUP);
    EXPECT_EQ(W.State(), "focus 3 | sel 3");
    // Without a popup menu of its own the tree asks the host for one at the
    // node under the click.
    TPopupMenu Menu(nullptr);
    struct Host {
        TPopupMenu* Menu;
        std::vector<PVirtualNode> Asked;
        void Get(TBaseVirtualTree*, PVirtualNode Node, TColumnIndex, const TPoint&, bool& AskParent,
                 TPopupMenu*& Result)
        {
            Asked.push_back(Node);
            AskParent = false;
            Result = Menu;
        }
    } H{&Menu, {}};
    W.Tree->OnGetPopupMenu = TVTPopupEvent(&H, &Host::Get);
    int Shown = 0;
    SetPopupMenuHook([&](TPopupMenu&, const TPoint&) -> TMenuItem* {
        ++Shown;
        return nullptr;
    });
    Right(W.N("1"));
    SetPopupMenuHook(nullptr);
    EXPECT_EQ(Shown, 1);
    ASSERT_FALSE(H.Asked.empty());
    EXPECT_EQ(H.Asked.back(), W.N("1"));
    W.Tree->OnGetPopupMenu = nullptr;
}

TEST(VTreeMouse, SlowSecondClickStartsEditingAfterTheDelay)
{
    InputWindow W;
    W.Tree->SetRootNodeCount(3);
    W.Tree->TreeOptions()->SetMiscOptions(W.Tree->TreeOptions()->MiscOptions() +
                                          TVTMiscOptions{toEditable});
    struct Link : IVTEditLink {
        int* Begun;
        explicit Link(int* B) : Begun(B) {}
        bool BeginEdit() override { ++*Begun; return true; }
        bool CancelEdit() override { return true; }
        bool EndEdit() override { return true; }
        bool PrepareEdit(TBaseVirtualTree*, PVirtualNode, TColumnIndex) override { return true; }
        TRect GetBounds() override { return TRect(); }
        void SetBounds(const TRect&) override {}
    };
    int Begun = 0;
    struct Host {
        int* Begun;
        void Create(TBaseVirtualTree*, PVirtualNode, TColumnIndex, IVTEditLinkPtr& L)
        {
            L = std::make_shared<Link>(Begun);
        }
    } H{&Begun};
    W.Tree->OnCreateEditor = TVTCreateEditorEvent(&H, &Host::Create);
    const TPoint P = W.Label(W.N("1"));
    W.Click(P);  // first click: focus and select only
    EXPECT_FALSE(W.Tree->TreeStates().Contains(tsEditPending));
    W.Click(P);  // second click on the selected node: the edit waits
    EXPECT_TRUE(W.Tree->TreeStates().Contains(tsEditPending));
    W.Tree->Perform(WM_TIMER, 2, 0);
    EXPECT_EQ(Begun, 1);
    EXPECT_TRUE(W.Tree->EditingActive());
    W.Tree->FinishEditing();
    // A double click instead ends the wait.
    W.Click(P);
    W.Tree->Perform(WM_LBUTTONDBLCLK, MK_LBUTTON, MakeLParam(P.X, P.Y));
    EXPECT_FALSE(W.Tree->TreeStates().Contains(tsEditPending));
    W.Release(P);
    EXPECT_FALSE(W.Tree->TreeStates().Contains(tsEditPending));
    EXPECT_EQ(Begun, 1);
    W.Tree->OnCreateEditor = nullptr;
}

TEST(VTreeMouse, RubberBandSelectsWhatItCovers)
{
    InputWindow W;
    W.Tree->SetRootNodeCount(12);
    W.Options({toMultiSelect});
    W.Tree->SetDrawSelectionMode(smBlendedRectangle);
    const int H = static_cast<int>(W.Tree->DefaultNodeHeight());
    // From the empty right of row 1 up to the text of row 4.
    const TPoint Start{300, H + H / 2};
    W.Press(Start);
    EXPECT_TRUE(W.Tree->TreeStates().Contains(tsDrawSelPending));
    W.Move({Start.X - 2, Start.Y + 2}, MK_LBUTTON);  // inside the drag threshold
    EXPECT_FALSE(W.Tree->TreeStates().Contains(tsDrawSelecting));
    EXPECT_EQ(W.Tree->SelectedCount(), 0u);
    W.Move({40, 4 * H + H / 2}, MK_LBUTTON);
    EXPECT_TRUE(W.Tree->TreeStates().Contains(tsDrawSelecting));
    EXPECT_EQ(W.State(), "focus nil | sel 1 2 3 4");
    auto B = Render(W.Tree);
    SavePng(*B, "vtree-rubber-band");
    // The band's frame lies on the rubber band's edge.
    const TRect Band = OrderRect(W.Tree->NewSelectionRect());
    EXPECT_NE(PixelOf(*B, Band.Left + 2 + 3, Band.Top + 2 + 3), Rgb(clWindow));
    // Shrinking gives rows back.
    W.Move({40, 2 * H + H / 2}, MK_LBUTTON);
    EXPECT_EQ(W.State(), "focus nil | sel 1 2");
    W.Release({40, 2 * H + H / 2});
    EXPECT_FALSE(W.Tree->RubberBandActive());
    EXPECT_EQ(W.State(), "focus nil | sel 1 2");
    // With Ctrl the band toggles: 2 leaves, 3 joins.
    W.Press({300, 2 * H + H / 2}, {ssCtrl});
    W.Move({40, 3 * H + H / 2}, MK_LBUTTON | MK_CONTROL);
    W.Release({40, 3 * H + H / 2}, {ssCtrl});
    EXPECT_EQ(W.State(), "focus nil | sel 1 3");
    // Without multi-select there is no band.
    W.Options({});
    W.Press(Start);
    EXPECT_FALSE(W.Tree->RubberBandActive());
    W.Release(Start);
    CheckInvariants(*W.Tree, "band");
}

TEST(VTreeMouse, HotTrackingRepaintsOnlyTheTwoRowsThatChange)
{
    InputWindow W;
    W.Tree->SetRootNodeCount(6);
    W.Tree->TreeOptions()->SetPaintOptions(W.Tree->TreeOptions()->PaintOptions() +
                                           TVTPaintOptions{toHotTrack});
    std::vector<std::string> Changes;
    struct Host {
        InputTree* Tree;
        std::vector<std::string>* Changes;
        void Hot(TBaseVirtualTree*, PVirtualNode Old, PVirtualNode New)
        {
            Changes->push_back(Tree->PathOf(Old) + ">" + Tree->PathOf(New));
        }
    } H{W.Tree, &Changes};
    W.Tree->OnHotChange = TVTHotNodeChangeEvent(&H, &Host::Hot);
    W.Move(W.Label(W.N("1")));
    W.Tree->Invalidated.clear();
    W.Move(W.Label(W.N("3")));
    EXPECT_EQ(W.Tree->HotNode(), W.N("3"));
    const std::vector<std::string> Rows = {"1", "3"};
    EXPECT_EQ(W.Tree->Invalidated, Rows);
    W.Tree->Invalidated.clear();
    W.Move({W.Label(W.N("3")).X + 1, W.Label(W.N("3")).Y});  // same node: nothing
    EXPECT_TRUE(W.Tree->Invalidated.empty());
    auto B = Render(W.Tree);
    SavePng(*B, "vtree-hot-tracking");
    // Right of the text is no node (not full-row); leaving the window
    // clears the hot node.
    W.Move(W.RightOf(W.N("3")));
    EXPECT_EQ(W.Tree->HotNode(), nullptr);
    W.Move(W.Label(W.N("4")));
    W.Tree->Perform(CM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(W.Tree->HotNode(), nullptr);
    const std::vector<std::string> Expected = {"nil>1", "1>3", "3>nil", "nil>4", "4>nil"};
    EXPECT_EQ(Changes, Expected);
    // Without toHotTrack or check support the event still comes, but no
    // row is repainted for it.
    W.Tree->TreeOptions()->SetPaintOptions(W.Tree->TreeOptions()->PaintOptions() -
                                           TVTPaintOptions{toHotTrack});
    W.Tree->Invalidated.clear();
    W.Move(W.Label(W.N("2")));
    EXPECT_EQ(Changes.back(), "nil>2");
    EXPECT_TRUE(W.Tree->Invalidated.empty());
    W.Tree->OnHotChange = nullptr;
}

TEST(VTreeMouse, WheelScrollsLinesPagesOrSideways)
{
    InputWindow W;
    W.Tree->SetRootNodeCount(100);
    auto Wheel = [&](int Delta, TShiftState Shift = {}) {
        const TPoint P = W.Tree->ClientToScreen(TPoint{10, 10});
        W.Tree->Perform(WM_MOUSEWHEEL, MakeWParam(W.Keys(Shift, 0), Delta), MakeLParam(P.X, P.Y));
    };
    const int H = static_cast<int>(W.Tree->DefaultNodeHeight());
    const int Page = W.Tree->ClientHeight() / H * H;
    Wheel(-120, {ssCtrl});
    EXPECT_EQ(W.Tree->OffsetY(), -Page);
    Wheel(120, {ssCtrl});
    EXPECT_EQ(W.Tree->OffsetY(), 0);
    // Content that fits the height scrolls sideways, a step of Indent.
    W.Tree->SetRootNodeCount(3);
    TVTHeader* Header = W.Tree->Header();
    Header->Columns()->Add()->SetWidth(1000);
    Header->SetOptions(Header->Options() + TVTHeaderOptions{hoVisible});
    Wheel(-120);
    EXPECT_EQ(W.Tree->OffsetX(), -static_cast<int>(W.Tree->Indent()));
    EXPECT_EQ(W.Tree->OffsetY(), 0);
}

TEST(VTreeMouse, MiddleClickPansWithDirectionCursors)
{
    InputWindow W;
    W.Tree->SetRootNodeCount(100);
    W.Tree->TreeOptions()->SetMiscOptions(W.Tree->TreeOptions()->MiscOptions() +
                                          TVTMiscOptions{toWheelPanning});
    const TPoint Start{100, 100};
    W.Press(Start, {}, WM_MBUTTONDOWN, MK_MBUTTON);
    EXPECT_TRUE(W.Tree->TreeStates().Contains(tsWheelPanning));
    // The picture at the press: up and down only, the content is not wider.
    TVTPanningWindow* Pan = W.Tree->PanningWindow();
    ASSERT_NE(Pan, nullptr);
    EXPECT_EQ(Pan->Image(), TVTPanningWindow::piMoveNS);
    const TPoint Centre = W.Tree->ClientToScreen(Start);
    EXPECT_EQ(Pan->Left(), Centre.X - TVTPanningWindow::Size / 2);
    EXPECT_EQ(Pan->Top(), Centre.Y - TVTPanningWindow::Size / 2);
    EXPECT_EQ(Pan->Width(), TVTPanningWindow::Size);
    EXPECT_EQ(Pan->Height(), TVTPanningWindow::Size);
    auto Picture = Render(Pan);
    SavePng(*Picture, "vtree-panning-ns");
    // Its region is the plate: its corners show what lies below.
    HRGN Shape = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(GetWindowRgn(Pan->Handle(), Shape), COMPLEXREGION);
    TRect Box;
    GetRgnBox(Shape, Box);
    // (the plate's ellipse leaves out its right and bottom edge)
    EXPECT_EQ(Box, (TRect{1, 1, TVTPanningWindow::Size - 2, TVTPanningWindow::Size - 2}));
    EXPECT_TRUE(PtInRegion(Shape, 16, 16));
    EXPECT_TRUE(PtInRegion(Shape, 16, 2));
    EXPECT_FALSE(PtInRegion(Shape, 3, 3));
    DeleteObject(Shape);
    {
        // On the screen: the plate over the tree.
        W.Tree->Update();
        UpdateWindow(Pan->Handle());
        TBitmap OnScreen;
        OnScreen.SetSize(64, 64);
        HDC Desk = GetWindowDC(GetDesktopWindow());
        BitBlt(OnScreen.Canvas()->Handle(), 0, 0, 64, 64, Desk, Centre.X - 32, Centre.Y - 32,
               SRCCOPY);
        ReleaseDC(GetDesktopWindow(), Desk);
        SavePng(OnScreen, "vtree-panning-on-screen");
    }
    // Its corners (outside the region) are the tree's colour; the arrows
    // are dark.
    EXPECT_EQ(PixelOf(*Picture, 0, 0), Rgb(W.Tree->Color()));
    EXPECT_EQ(PixelOf(*Picture, 16, 6), Rgb(clBtnText));
    EXPECT_NE(PixelOf(*Picture, 6, 16), Rgb(clBtnText));
    W.Release(Start, {}, WM_MBUTTONUP);
    // A click without moving keeps scrolling towards the mouse.
    EXPECT_TRUE(W.Tree->TreeStates().Contains(tsWheelScrolling));
    struct Case { int DX; int DY; const char* Cursor; };
    const Case Cases[] = {
        {3, -5, "VT_MOVENS"},  // inside the 8-pixel dead zone: only up and down can go
        {0, 30, "VT_MOVES"},   // below
        {30, 30, "VT_MOVES"},  // sideways does not count: the content is not wider
        {-2, -30, "VT_MOVEN"},
    };
    for (const Case& C : Cases) {
        W.Move({Start.X + C.DX, Start.Y + C.DY});
        EXPECT_STREQ(W.Tree->PanningCursor(), C.Cursor) << C.DX << " " << C.DY;
    }
    const TPoint Below = W.Tree->ClientToScreen(TPoint{Start.X, Start.Y + 30});
    SetCursorPos(Below.X, Below.Y);
    W.Tree->Perform(WM_TIMER, 4, 0);
    EXPECT_LT(W.Tree->OffsetY(), 0);
    // The next click ends it.
    W.Press(Start, {}, WM_MBUTTONDOWN, MK_MBUTTON);
    W.Release(Start, {}, WM_MBUTTONUP);
    W.Press(Start);
    W.Release(Start);
    EXPECT_FALSE(W.Tree->TreeStates().Contains(tsWheelPanning));
    EXPECT_FALSE(W.Tree->TreeStates().Contains(tsWheelScrolling));
    EXPECT_EQ(W.Tree->PanningWindow(), nullptr);
    // Wider and taller: arrows to all four sides, and the cursor follows
    // the side the mouse is on.
    TVTHeader* Header = W.Tree->Header();
    Header->Columns()->Add()->SetWidth(1000);
    Header->SetOptions(Header->Options() + TVTHeaderOptions{hoVisible});
    W.Press(Start, {}, WM_MBUTTONDOWN, MK_MBUTTON);
    ASSERT_NE(W.Tree->PanningWindow(), nullptr);
    EXPECT_EQ(W.Tree->PanningWindow()->Image(), TVTPanningWindow::piMoveAll);
    auto All = Render(W.Tree->PanningWindow());
    SavePng(*All, "vtree-panning-all");
    EXPECT_EQ(PixelOf(*All, 6, 16), Rgb(clBtnText));
    const Case Sides[] = {
        {3, -5, "VT_MOVEALL"},  // the dead zone
        {30, 0, "VT_MOVEE"},
        {-30, 4, "VT_MOVEW"},
        {30, 30, "VT_MOVESE"},
        {-30, 30, "VT_MOVESW"},
        {30, -30, "VT_MOVENE"},
        {-30, -30, "VT_MOVENW"},
        {0, -30, "VT_MOVEN"},
    };
    for (const Case& C : Sides) {
        W.Move({Start.X + C.DX, Start.Y + C.DY}, MK_MBUTTON);
        EXPECT_STREQ(W.Tree->PanningCursor(), C.Cursor) << C.DX << " " << C.DY;
    }
    W.Release(Start, {}, WM_MBUTTONUP);
    EXPECT_EQ(W.Tree->PanningWindow(), nullptr);  // moved while held: ends on release
}

TEST(VTreeMouse, PanningCursorsPointWhereTheViewGoes)
{
    // Each cursor: a ring on the hot spot and arrows only towards its sides.
    struct CursorCase {
        const char* Name;
        bool Up, Down, Left, Right;
    };
    const CursorCase Cases[] = {
        {"VT_MOVEALL", true, true, true, true},
        {"VT_MOVEEW", false, false, true, true},
        {"VT_MOVENS", true, true, false, false},
        {"VT_MOVEN", true, false, false, false},
        {"VT_MOVES", false, true, false, false},
        {"VT_MOVEE", false, false, false, true},
        {"VT_MOVEW", false, false, true, false},
    };
    const int Size = vtree_private::PanningCursorSize;
    TBitmap Sheet;
    Sheet.SetSize(Size * 11, Size);
    Sheet.Canvas()->Brush()->SetColor(clTeal);
    Sheet.Canvas()->FillRect(TRect{0, 0, Sheet.Width(), Size});
    int Column = 0;
    auto Paint = [&](const std::vector<std::string>& Rows) {
        for (int Y = 0; Y < Size; ++Y)
            for (int X = 0; X < Size; ++X)
                if (Rows[Y][X] != ' ')
                    Sheet.Canvas()->SetPixels(Column * Size + X, Y,
                                             Rows[Y][X] == '.' ? clBlack : clWhite);
        ++Column;
    };
    for (const CursorCase& C : Cases) {
        SCOPED_TRACE(C.Name);
        const std::vector<std::string> Rows = vtree_private::PanningCursorRows(C.Name);
        ASSERT_EQ(Rows.size(), static_cast<size_t>(Size));
        EXPECT_EQ(Rows[Size / 2][Size / 2], 'o');       // the ring's white middle
        EXPECT_EQ(Rows[Size / 2][Size / 2 + 3], '.');   // and its black edge
        EXPECT_EQ(Rows[Size / 2 - 10][Size / 2] != ' ', C.Up);
        EXPECT_EQ(Rows[Size / 2 + 10][Size / 2] != ' ', C.Down);
        EXPECT_EQ(Rows[Size / 2][Size / 2 - 10] != ' ', C.Left);
        EXPECT_EQ(Rows[Size / 2][Size / 2 + 10] != ' ', C.Right);
        EXPECT_NE(vtree_private::PanningCursorHandle(C.Name), 0);
        Paint(Rows);
    }
    // The diagonals point into their corner only.
    for (const char* Name : {"VT_MOVENE", "VT_MOVENW", "VT_MOVESE", "VT_MOVESW"}) {
        SCOPED_TRACE(Name);
        const std::vector<std::string> Rows = vtree_private::PanningCursorRows(Name);
        ASSERT_EQ(Rows.size(), static_cast<size_t>(Size));
        const int SX = Name[8] == 'E' ? 1 : -1;
        const int SY = Name[7] == 'S' ? 1 : -1;
        EXPECT_NE(Rows[Size / 2 + 7 * SY][Size / 2 + 7 * SX], ' ');
        EXPECT_EQ(Rows[Size / 2 - 7 * SY][Size / 2 - 7 * SX], ' ');
        Paint(Rows);
    }
    EXPECT_TRUE(vtree_private::PanningCursorRows("VT_MOVEUP").empty());
    EXPECT_EQ(vtree_private::PanningCursorHandle("VT_MOVEUP"), 0);
    SavePng(Sheet, "vtree-panning-cursors");
}

TEST(VTreeMouse, KillFocusAndCancelModeLeaveThePendingStates)
{
    InputWindow W;
    W.Tree->SetRootNodeCount(5);
    W.Options({toMultiSelect});
    W.Press({300, 30});
    ASSERT_TRUE(W.Tree->TreeStates().Contains(tsDrawSelPending));
    W.Tree->Perform(WM_CANCELMODE, 0, 0);
    EXPECT_FALSE(W.Tree->RubberBandActive());
    W.Tree->SetIncrementalSearch(isAll);
    W.Type("n");
    ASSERT_FALSE(W.Tree->SearchBuffer().empty());
    W.Tree->Perform(WM_KILLFOCUS, 0, 0);
    EXPECT_TRUE(W.Tree->SearchBuffer().empty());
    EXPECT_FALSE(W.Tree->TreeStates().Contains(tsLeftButtonDown));
}

// ---- hints ----------------------------------------------------------------------------------

namespace {

class HintTree : public InputTree {
public:
    explicit HintTree(TComponent* AOwner) : InputTree(AOwner) {}
    using TBaseVirtualTree::CMHintShow;

protected:
    std::u16string DoGetNodeHint(PVirtualNode Node, TColumnIndex, TVTTooltipLineBreakStyle&) override
    {
        const std::string T = "Hint of " + TextOf(Node);
        return std::u16string(T.begin(), T.end());
    }
};

}  // namespace

TEST(VTreeHints, HeaderNodeAndDefaultHints)
{
    auto Form = MakeForm(420, 260);
    HintTree* Tree = new HintTree(Form.get());
    Tree->SetParent(Form.get());
    Tree->SetBounds(10, 10, 400, 240);
    Tree->SetShowHint(true);
    Tree->SetHint("Own hint");
    Form->Show();
    TVTHeader* H = Tree->Header();
    H->Columns()->Add()->SetWidth(150);
    H->Columns()->Add()->SetWidth(150);
    H->Columns()->GetItem(1)->SetHint(u"Price");
    H->SetOptions(H->Options() + TVTHeaderOptions{hoVisible, hoShowHint});
    Tree->SetRootNodeCount(3);
    auto Ask = [&](TPoint P, THintInfo& Info) {
        Info = THintInfo();
        Info.HintControl = Tree;
        Info.CursorPos = P;
        Info.HintMaxWidth = 400;
        TMessage M;
        M.Msg = CM_HINTSHOW;
        M.LParam = reinterpret_cast<LPARAM>(&Info);
        Tree->CMHintShow(M);
        return M.Result == 0;
    };
    THintInfo Info;
    // Over the header: the column's hint; none for a column without one.
    EXPECT_TRUE(Ask({200, -5}, Info));
    EXPECT_EQ(Info.HintStr, "Price");
    EXPECT_FALSE(Ask({50, -5}, Info));
    // The default mode: the control's own hint.
    EXPECT_TRUE(Ask({50, 5}, Info));
    EXPECT_EQ(Info.HintStr, "Own hint");
    // Hint mode: the node's hint over its cell, in the tree's hint window.
    Tree->SetHintMode(hmHint);
    EXPECT_TRUE(Ask({50, 5}, Info));
    EXPECT_EQ(Info.HintStr, "Hint of Node 0");
    EXPECT_EQ(Info.HintWindowClass, TVirtualTreeHintWindow::StaticClass());
    EXPECT_EQ(Info.CursorRect.Left, 0);
    EXPECT_EQ(Info.CursorRect.Right, 150);
    EXPECT_TRUE(Tree->TreeStates().Contains(tsHint));
    // Below the rows: no node, no hint; with hmHintAndDefault the own hint.
    EXPECT_FALSE(Ask({50, 200}, Info));
    EXPECT_FALSE(Tree->TreeStates().Contains(tsHint));
    Tree->SetHintMode(hmHintAndDefault);
    EXPECT_TRUE(Ask({50, 200}, Info));
    EXPECT_EQ(Info.HintStr, "Own hint");
    // No hints while a rubber band runs.
    Tree->ChangeState({tsDrawSelecting}, {});
    EXPECT_FALSE(Ask({50, 5}, Info));
    Tree->ChangeState({}, {tsDrawSelecting});
}

// ---- in the running event loop --------------------------------------------------------------

TEST(VTreeInputSmoke, TypesAndClicksThroughATree)
{
    InputWindow W;
    BuildTree(*W.Tree, SmallTree);
    W.Tree->Texts = {{"3", "Cow"}, {"4", "Duck"}};
    W.Options({toMultiSelect});
    W.Tree->SetIncrementalSearch(isAll);
    W.Tree->SetFocus();
    Application->ProcessMessages();
    SimulateKey(VK_DOWN);
    SimulateKey(VK_DOWN);
    EXPECT_EQ(W.State(), "focus 1 | sel 1");
    SimulateKey(VK_DOWN, {ssShift});
    EXPECT_EQ(W.State(), "focus 1.0 | sel 1 1.0");
    SimulateText("du");
    EXPECT_EQ(W.State(), "focus 4 | sel 4");
    SimulateClick(W.Tree, W.Label(W.N("0")).X, W.Label(W.N("0")).Y);
    EXPECT_EQ(W.State(), "focus 0 | sel 0");
    SimulateClick(W.Tree, W.Button(W.N("1")).X, W.Button(W.N("1")).Y);
    EXPECT_FALSE(W.Tree->Expanded(W.N("1")));
    SimulateDoubleClick(W.Tree, W.Label(W.N("3")).X, W.Label(W.N("3")).Y);
    EXPECT_EQ(W.Tree->PathOf(W.Tree->FocusedNode()), "3");
}

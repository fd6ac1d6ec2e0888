// The grouped rows of the call-stack page, worked by the mouse and keys as
// the user would: nesting, collapsing, the click on the box only, and
// empty rows.

#include "exceptionlog/ListViewItems.h"

#include "exceptionlog/ModuleOptions.h"
#include "exceptionlog/ReportPages.h"
#include "platform/forms/ComCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/InputSimulation.h"
#include "platform/classes/Strings.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/StrUtils.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

CallStackRow Entry(const char* Address, const char* Unit, const char* Line)
{
    CallStackRow R;
    R.Cells = {Address, "pricetags", Unit, "", "Proc", Line};
    return R;
}

CallStackRow Thread(const char* Caption, bool Running)
{
    CallStackRow R;
    R.Kind = CallStackRow::rkThread;
    R.Caption = Caption;
    R.Running = Running;
    return R;
}

CallStackRow Separator()
{
    CallStackRow R;
    R.Kind = CallStackRow::rkSeparator;
    return R;
}

// The exception thread (A) with two rows, its calling thread (B, nested
// under A: no empty row between) with two rows, an empty row, and a
// running thread (C) with one row.
ReportPagesData GroupedStack()
{
    ReportPagesData D;
    D.CallStack = {Thread("Exception Thread: ID=1", false),
                   Entry("A1", "a.cpp", "1"),
                   Entry("A2", "a.cpp", "2"),
                   Thread("Calling Thread: ID=2", false),
                   Entry("B1", "b.cpp", "3"),
                   Entry("B2", "", ""),
                   Separator(),
                   Thread("Running Thread: ID=3", true),
                   Entry("C1", "c.cpp", "4")};
    return D;
}

class GroupedList : public ::testing::Test {
public:
    void SetUp() override
    {
        Form = std::make_unique<TForm>(nullptr, 0);
        Form->SetBounds(0, 0, 700, 400);
        Form->Show();
        ReportPageSettings Settings;
        Settings.OnActivity = [this] { ++Activity; };
        Page.reset(CreateReportPage(Form.get(), rpCallStack, {0, 0, 680, 380}, GroupedStack(),
                                    Options, Settings));
        for (int I = 0; I < Page->ControlCount(); ++I)
            if (auto* L = dynamic_cast<TListView*>(Page->Controls(I)))
                List = L;
        ASSERT_NE(List, nullptr);
        Application->ProcessMessages();
    }
    void TearDown() override { Page.reset(); }

    /// The address (first column, indent trimmed) or the group caption of
    /// every row the list shows.
    std::vector<std::string> Shown()
    {
        std::vector<std::string> Out;
        for (int I = 0; I < List->Items()->Count(); ++I) {
            const auto* Rec = static_cast<TListViewItemRec*>(List->Items()->Item(I)->Data());
            if (Rec->IsGroup)
                Out.push_back(Rec->GroupText.SubString(1, Rec->GroupText.Pos(":") - 1).Std());
            else
                Out.push_back(Trim(List->Items()->Item(I)->Caption()).Std());
        }
        return Out;
    }
    int RowOf(const std::string& Name)
    {
        const std::vector<std::string> S = Shown();
        return int(std::find(S.begin(), S.end(), Name) - S.begin());
    }
    const TListViewItemRec* Rec(const std::string& Name)
    {
        return static_cast<TListViewItemRec*>(List->Items()->Item(RowOf(Name))->Data());
    }
    /// Client point of the middle of the plus/minus box of a group row.
    TPoint BoxOf(const std::string& Name)
    {
        const TRect R = List->ItemRect(RowOf(Name));
        const int D = Rec(Name)->Previous ? Indent() : 0;
        return {R.Left + D + 7, R.Top + 7};
    }
    int Indent()
    {
        // The width the nested rows are moved right by: the blanks in front
        // of their first text, measured in the list's font.
        TBitmap B;
        B.Canvas()->Font()->Assign(List->Font());
        const AnsiString First = Rec("B1")->Columns[0];
        return B.Canvas()->TextWidth(First.SubString(1, First.Length() - 2));
    }

    TRazuroModuleOptions Options;
    std::unique_ptr<TForm> Form;
    std::unique_ptr<TWinControl> Page;
    TListView* List = nullptr;
    int Activity = 0;
};

using Rows = std::vector<std::string>;

TEST_F(GroupedList, GroupsNestCollapseAndExpandByTheBoxAndByActivation)
{
    const Rows All {"Exception Thread", "A1", "A2", "Calling Thread", "B1", "B2", "",
                    "Running Thread", "C1"};
    ASSERT_EQ(Shown(), All);

    // Nesting: the calling thread follows the exception thread's rows with
    // no empty row between, so it and its rows are one level in; the empty
    // row ends that.
    struct LevelCase { const char* Row; int Level; bool HasPrevious; };
    const LevelCase Levels[] = {
        {"Exception Thread", 0, false},  // the first row
        {"A1", 0, true},
        {"Calling Thread", 1, true},
        {"B1", 1, true},
        {"", 0, true},                   // the empty row itself
        {"Running Thread", 0, false},    // after an empty row
        {"C1", 0, true},
    };
    for (const LevelCase& C : Levels) {
        SCOPED_TRACE(C.Row);
        EXPECT_EQ(Rec(C.Row)->Level, C.Level);
        EXPECT_EQ(Rec(C.Row)->Previous != nullptr, C.HasPrevious);
    }
    EXPECT_TRUE(Rec("")->IsEmpty);
    EXPECT_GE(Indent(), 14);  // at least 14 pixels of blanks
    EXPECT_EQ(Rec("Running Thread")->Kind, 1);

    struct Step {
        const char* What;
        std::function<void(GroupedList&)> Do;
        Rows Expected;
    };
    const Step Steps[] = {
        {"a click on the nested group's box collapses it",
         [](GroupedList& T) {
             const TPoint P = T.BoxOf("Calling Thread");
             SimulateClick(T.List, P.X, P.Y);
         },
         {"Exception Thread", "A1", "A2", "Calling Thread", "", "Running Thread", "C1"}},
        {"a click on the outer group's caption, off its box, does nothing",
         [](GroupedList& T) {
             const TRect R = T.List->ItemRect(0);
             SimulateClick(T.List, R.Left + 150, R.Top + 7);
         },
         {"Exception Thread", "A1", "A2", "Calling Thread", "", "Running Thread", "C1"}},
        {"a click on the outer box hides everything up to the empty row",
         [](GroupedList& T) {
             const TPoint P = T.BoxOf("Exception Thread");
             SimulateClick(T.List, P.X, P.Y);
         },
         {"Exception Thread", "", "Running Thread", "C1"}},
        {"a double click on the caption expands it again, up to the nested group still closed",
         [](GroupedList& T) {
             const TRect R = T.List->ItemRect(0);
             SimulateDoubleClick(T.List, R.Left + 150, R.Top + 7);
         },
         {"Exception Thread", "A1", "A2", "Calling Thread", "", "Running Thread", "C1"}},
        {"Enter on the selected nested group opens it",
         [](GroupedList& T) {
             T.List->SetItemIndex(T.RowOf("Calling Thread"));
             SimulateKey(VK_RETURN);
         },
         {"Exception Thread", "A1", "A2", "Calling Thread", "B1", "B2", "", "Running Thread",
          "C1"}},
        {"Enter on a row with a line number toggles nothing",
         [](GroupedList& T) {
             T.List->SetItemIndex(T.RowOf("A1"));
             SimulateKey(VK_RETURN);
         },
         {"Exception Thread", "A1", "A2", "Calling Thread", "B1", "B2", "", "Running Thread",
          "C1"}},
        {"a click on the box of the running thread (after the empty row) closes only it",
         [](GroupedList& T) {
             const TPoint P = T.BoxOf("Running Thread");
             SimulateClick(T.List, P.X, P.Y);
         },
         {"Exception Thread", "A1", "A2", "Calling Thread", "B1", "B2", "", "Running Thread"}},
    };
    List->SetFocus();
    for (const Step& S : Steps) {
        SCOPED_TRACE(S.What);
        S.Do(*this);
        EXPECT_EQ(Shown(), S.Expected);
    }
    EXPECT_FALSE(Rec("Running Thread")->Expanded);
    EXPECT_GT(Activity, 0);  // every click and key restarted the countdown
}

TEST_F(GroupedList, RowsAreDrawnWithTheirLinesColoursAndBoxes)
{
    TBitmap Shot;
    GrabWindow(List, &Shot);
    // The grab holds the list's frame: client (0, 0) is at (2, 2).
    const auto Pixel = [&](int X, int Y) { return ColorToRGB(Shot.Canvas()->Pixels(X + 2, Y + 2)); };
    const auto Bottom = [&](const char* Row) { return List->ItemRect(RowOf(Row)).Bottom - 1; };
    struct LineCase { const char* Row; COLORREF Line; };
    const LineCase Lines[] = {
        {"Exception Thread", RGB(123, 164, 224)},  // group: a two-pixel blue line
        {"A1", RGB(206, 203, 194)},                // ordinary row: a grey grid line
        {"", RGB(255, 255, 255)},                  // empty row: no line at all
    };
    for (const LineCase& C : Lines) {
        SCOPED_TRACE(C.Row);
        EXPECT_EQ(Pixel(300, Bottom(C.Row)), C.Line);
    }
    // The captions' colours: the first group dark red, a running thread
    // dark blue, a calling thread grey; each has text pixels of its colour.
    struct TextCase { const char* Row; COLORREF Color; };
    const TextCase Texts[] = {
        {"Exception Thread", RGB(128, 0, 0)},
        {"Running Thread", RGB(0, 0, 128)},
        {"Calling Thread", RGB(96, 96, 96)},
    };
    for (const TextCase& C : Texts) {
        SCOPED_TRACE(C.Row);
        const TRect R = List->ItemRect(RowOf(C.Row));
        int Found = 0;
        for (int X = R.Left + 14; X < R.Left + 200; ++X)
            for (int Y = R.Top; Y < R.Bottom - 2; ++Y)
                Found += Pixel(X, Y) == C.Color;
        EXPECT_GT(Found, 10);
    }
    // The minus box of an open group: its frame is grey, its middle black.
    const TPoint Box = BoxOf("Exception Thread");
    EXPECT_EQ(Pixel(Box.X, Box.Y), RGB(0, 0, 0));
    EXPECT_EQ(Pixel(Box.X, Box.Y - 3), RGB(255, 255, 255));
    if (const char* Dir = std::getenv("PRICETAGS_PNG_DIR"))
        WriteBytes(std::filesystem::path(Dir) / "report-grouped-list.png", Shot.SaveToPngBytes());
}

}  // namespace

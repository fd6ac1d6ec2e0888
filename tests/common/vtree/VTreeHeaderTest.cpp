// The header's column model (positions, widths, auto-size, springs, the
// splitter zone), its properties and its stream.

#include "common/vtree/VTree.h"

#include "platform/classes/Streams.h"

#include "tests/common/vtree/TreeFixture.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <climits>

#include <filesystem>
#include <map>
#include <string>

namespace {

const std::filesystem::path DataDir = std::filesystem::path(PRICETAGS_TEST_DATA) / "VTreeHeader";

/// A header with columns of the given widths, titled "A", "B", ...
void AddColumns(TVTHeader& Header, std::initializer_list<int> Widths)
{
    char16_t Title = u'A';
    for (int W : Widths) {
        TVirtualTreeColumn* C = Header.Columns()->Add();
        C->SetText(std::u16string(1, Title++));
        C->SetWidth(W);
    }
}

/// Display order as creation indices.
std::vector<TColumnIndex> Order(TVTHeader& Header)
{
    return Header.Columns()->PositionToIndex();
}

} // namespace

TEST(VTreeColumns, WidthIsClampedToMinAndMax)
{
    TestTree Tree;
    AddColumns(*Tree.Header(), {50});
    TVirtualTreeColumn* C = Tree.Header()->Columns()->GetItem(0);
    struct Case { int Value; int Expected; };
    const Case Cases[] = {
        {5, 10},         // below MinWidth 10
        {20000, 10000},  // above MaxWidth 10000
        {77, 77},
    };
    for (const Case& K : Cases) {
        SCOPED_TRACE(K.Value);
        C->SetWidth(K.Value);
        EXPECT_EQ(C->Width(), K.Expected);
    }
    EXPECT_EQ(C->LastWidth(), 10000);
    C->SetMinWidth(-3);  // a negative minimum is 0
    EXPECT_EQ(C->MinWidth(), 0);
    C->SetMaxWidth(40);  // the width follows a smaller maximum
    EXPECT_EQ(C->Width(), 40);
    C->SetMargin(-1);
    EXPECT_EQ(C->Margin(), 4);
}

TEST(VTreeColumns, MovesKeepLeftEdgesAndFixedBlocks)
{
    TestTree Tree;
    AddColumns(*Tree.Header(), {10, 20, 30, 40});
    TVirtualTreeColumns* Cols = Tree.Header()->Columns();
    struct Case {
        TColumnIndex Column;
        int Position;
        std::vector<TColumnIndex> Order;
    };
    const Case Cases[] = {
        {0, 2, {1, 2, 0, 3}},   // right: the ones between move left
        {3, 0, {3, 1, 2, 0}},   // left: the ones between move right
        {1, 99, {3, 2, 0, 1}},  // past the end means the last place
        {1, 1, {3, 1, 2, 0}},
    };
    for (const Case& K : Cases) {
        SCOPED_TRACE(K.Position);
        Cols->GetItem(K.Column)->SetPosition(K.Position);
        EXPECT_EQ(Order(*Tree.Header()), K.Order);
    }
    // Left edges run along the display order.
    int Left = 0;
    int Position = 0;
    for (TColumnIndex I : Order(*Tree.Header())) {
        EXPECT_EQ(Cols->GetItem(I)->Left(), Left);
        EXPECT_EQ(Cols->GetItem(I)->Position(), Position++);
        Left += Cols->GetItem(I)->Width();
    }
    EXPECT_EQ(Cols->TotalWidth(), 100);
    // The fixed area stays one block: a column moved to its front joins
    // it, a fixed one moved behind a scrolling column leaves it.
    for (TColumnIndex I : {3, 1})
        Cols->GetItem(I)->SetOptions(Cols->GetItem(I)->Options() + TVTColumnOptions{coFixed});
    Cols->GetItem(0)->SetPosition(0);
    EXPECT_TRUE(Cols->GetItem(0)->Options().Contains(coFixed));
    Cols->GetItem(1)->SetPosition(3);
    EXPECT_EQ(Order(*Tree.Header()), (std::vector<TColumnIndex>{0, 3, 2, 1}));
    EXPECT_FALSE(Cols->GetItem(1)->Options().Contains(coFixed));
    EXPECT_EQ(Cols->GetVisibleFixedWidth(), 50);
}

// Absurd widths (a damaged stream may carry them) do not wrap the lefts
// round: they stop at the largest coordinate.
TEST(VTreeColumns, HugeWidthsStopTheLeftsAtTheLargest)
{
    TestTree Tree;
    TVTHeader& H = *Tree.Header();
    AddColumns(H, {10, 20, 30});
    for (int I = 0; I < 2; ++I) {
        H.Columns()->GetItem(I)->SetMaxWidth(INT_MAX);
        H.Columns()->GetItem(I)->SetWidth(INT_MAX - 5);
    }
    EXPECT_EQ(H.Columns()->GetItem(1)->Left(), INT_MAX - 5);
    EXPECT_EQ(H.Columns()->GetItem(2)->Left(), INT_MAX);
}

TEST(VTreeColumns, DeleteRenumbersIndicesEverywhere)
{
    TestTree Tree;
    TVTHeader& H = *Tree.Header();
    AddColumns(H, {10, 20, 30});
    H.SetSortColumn(2);
    H.SetAutoSizeIndex(2);
    H.SetMainColumn(2);
    // Deleting the column at position 0 moves the others to 0 and 1.
    delete H.Columns()->GetItem(0);
    ASSERT_EQ(H.Columns()->Count(), 2);
    EXPECT_EQ(Order(H), (std::vector<TColumnIndex>{0, 1}));
    EXPECT_EQ(H.Columns()->GetItem(0)->Position(), 0);
    EXPECT_EQ(H.Columns()->GetItem(1)->Position(), 1);
    EXPECT_EQ(H.Columns()->GetItem(1)->Left(), 20);
    EXPECT_EQ(H.SortColumn(), 1);
    EXPECT_EQ(H.AutoSizeIndex(), 1);
    EXPECT_EQ(H.MainColumn(), 1);
    // The main column itself deleted: the lowest other index takes over.
    delete H.Columns()->GetItem(1);
    EXPECT_EQ(H.MainColumn(), 0);
    EXPECT_EQ(H.SortColumn(), NoColumn);
    delete H.Columns()->GetItem(0);
    EXPECT_EQ(H.MainColumn(), NoColumn);
}

TEST(VTreeColumns, AutoSizeColumnTakesTheRestOfTheClient)
{
    TestTree Tree;
    Tree.SetBounds(0, 0, 300, 100);
    TVTHeader& H = *Tree.Header();
    AddColumns(H, {30, 150, 50});
    H.SetAutoSizeIndex(2);
    H.SetOptions(H.Options() + TVTHeaderOptions{hoAutoResize, hoVisible});
    TVirtualTreeColumns* Cols = H.Columns();
    // Without a window the tree's width stands for the client's.
    const int Client = Tree.Width();
    EXPECT_EQ(Cols->GetItem(2)->Width(), Client - 180);
    // Its own width cannot be set while it is the auto-size column.
    Cols->GetItem(2)->SetWidth(40);
    EXPECT_EQ(Cols->GetItem(2)->Width(), Client - 180);
    // Another column grows: the auto-size column gives way.
    Cols->GetItem(1)->SetWidth(170);
    EXPECT_EQ(Cols->GetItem(2)->Width(), Client - 200);
    // It never goes below its minimum.
    Cols->GetItem(1)->SetWidth(1000);
    EXPECT_EQ(Cols->GetItem(2)->Width(), 10);
}

TEST(VTreeColumns, SpringColumnsShareResizesAndKeepFractions)
{
    TestTree Tree;
    TVTHeader& H = *Tree.Header();
    AddColumns(H, {100, 100, 100});
    for (int I : {0, 2})
        H.Columns()->GetItem(I)->SetOptions(H.Columns()->GetItem(I)->Options() +
                                            TVTColumnOptions{coAutoSpring});
    TVirtualTreeColumns* Cols = H.Columns();
    Cols->AdjustSpringColumns(300);  // the first call only remembers the width
    EXPECT_EQ(Cols->GetItem(0)->Width(), 100);
    Cols->AdjustSpringColumns(310);  // +10: 5 each
    EXPECT_EQ(Cols->GetItem(0)->Width(), 105);
    EXPECT_EQ(Cols->GetItem(1)->Width(), 100);
    EXPECT_EQ(Cols->GetItem(2)->Width(), 105);
    Cols->AdjustSpringColumns(311);  // +1: half a pixel each, kept
    EXPECT_EQ(Cols->GetItem(0)->Width(), 105);
    Cols->AdjustSpringColumns(312);  // the halves add up
    EXPECT_EQ(Cols->GetItem(0)->Width(), 106);
    EXPECT_EQ(Cols->GetItem(2)->Width(), 106);
    Cols->AdjustSpringColumns(302);  // shrinking
    EXPECT_EQ(Cols->GetItem(0)->Width(), 101);
}

TEST(VTreeColumns, ColumnFromPositionAndSplitterZone)
{
    TestTree Tree;
    TVTHeader& H = *Tree.Header();
    AddColumns(H, {30, 40, 50});
    H.Columns()->GetItem(1)->SetOptions(H.Columns()->GetItem(1)->Options() -
                                        TVTColumnOptions{coResizable});
    struct Case { int X; int Y; TColumnIndex Column; };
    const Case Cases[] = {
        {-1, 20, InvalidColumn},  // left of the first column
        {0, 20, 0}, {29, 20, 0}, {30, 20, 1}, {119, 20, 2},
        {120, 20, InvalidColumn},  // right of the last
        {10, -1, InvalidColumn},   // above
        {10, 1000, InvalidColumn}, // below the tree
    };
    for (const Case& K : Cases) {
        SCOPED_TRACE(K.X);
        EXPECT_EQ(H.Columns()->ColumnFromPosition({K.X, K.Y}), K.Column);
    }
    struct Split { int X; bool Hit; TColumnIndex Track; };
    const Split Splits[] = {
        {28, true, 0},    // 2 pixels left of the right edge
        {27, false, -1},  // 3 left: outside
        {34, true, 0},    // 4 right
        {36, false, -1},  // 6 right: outside
        {70, false, -1},  // on a column that cannot be resized
        {121, true, 2},
    };
    for (const Split& S : Splits) {
        SCOPED_TRACE(S.X);
        EXPECT_EQ(H.DetermineSplitterIndex(S.X), S.Hit);
        EXPECT_EQ(H.Columns()->TrackIndex(), S.Track);
    }
}

TEST(VTreeColumns, DisplayNameAndIndexErrors)
{
    TestTree Tree;
    AddColumns(*Tree.Header(), {10, 10, 10});
    TVirtualTreeColumn* C = Tree.Header()->Columns()->GetItem(2);
    C->SetText(u"Name");
    EXPECT_EQ(C->DisplayName(), "Name");
    C->SetText(u"Имя");
    EXPECT_EQ(C->DisplayName(), "Column 2");
    ExpectRaises<EListError>([&] { Tree.Header()->Columns()->GetItem(3); },
                             "List index out of bounds (3)");
}

TEST(VTreeHeader, SortAndMainColumnAreClamped)
{
    TestTree Tree;
    TVTHeader& H = *Tree.Header();
    EXPECT_EQ(H.MainColumn(), NoColumn);  // no columns
    AddColumns(H, {10, 10, 10});
    H.SetSortColumn(99);
    EXPECT_EQ(H.SortColumn(), 2);
    H.SetSortColumn(-7);
    EXPECT_EQ(H.SortColumn(), NoColumn);
    H.SetMainColumn(5);
    EXPECT_EQ(H.MainColumn(), 2);
}

namespace {

std::string StreamBytes(const TVTHeader& H)
{
    TMemoryStream S;
    H.WriteToStream(&S);
    return std::string(static_cast<const char*>(S.Memory()), static_cast<size_t>(S.Size()));
}

void ReadBytesInto(TVTHeader& H, const std::string& Bytes)
{
    TMemoryStream S;
    S.WriteBuffer(Bytes.data(), static_cast<int>(Bytes.size()));
    S.SetPosition(0);
    H.ReadFromStream(&S);
}

} // namespace

TEST(VTreeHeader, StreamRoundTrip)
{
    TestTree Source;
    TVTHeader& H = *Source.Header();
    AddColumns(H, {30, 150, 436});
    TVirtualTreeColumns* Cols = H.Columns();
    Cols->GetItem(0)->SetText(u"№");
    Cols->GetItem(0)->SetTag(99);
    Cols->GetItem(0)->SetAlignment(taCenter);
    Cols->GetItem(1)->SetText(u"Наименование столбца");
    Cols->GetItem(1)->SetHint(u"подсказка");
    Cols->GetItem(2)->SetColor(clInfoBk);
    Cols->GetItem(2)->SetPosition(0);
    H.SetHeight(22);
    H.SetStyle(hsFlatButtons);
    H.SetOptions(TVTHeaderOptions{hoColumnResize, hoDrag, hoShowSortGlyphs, hoShowImages});
    H.Font()->SetName("Arial");
    H.Font()->SetHeight(-12);
    H.Font()->SetStyle(TFontStyles{fsBold});
    H.SetSortColumn(1);
    H.SetSortDirection(sdDescending);
    H.SetMainColumn(1);
    H.SetAutoSizeIndex(2);

    TestTree Target;
    AddColumns(*Target.Header(), {5});  // replaced
    ReadBytesInto(*Target.Header(), StreamBytes(H));
    TVTHeader& R = *Target.Header();
    EXPECT_TRUE(R.Columns()->Equals(*Cols));
    EXPECT_EQ(R.Height(), 22u);
    EXPECT_EQ(R.Style(), hsFlatButtons);
    EXPECT_EQ(R.Options(), H.Options());
    EXPECT_EQ(R.Font()->Name(), "Arial");
    EXPECT_EQ(R.Font()->Height(), -12);
    EXPECT_EQ(R.Font()->Style(), TFontStyles{fsBold});
    EXPECT_EQ(R.SortColumn(), 1);
    EXPECT_EQ(R.SortDirection(), sdDescending);
    EXPECT_EQ(R.MainColumn(), 1);
    EXPECT_EQ(R.AutoSizeIndex(), 2);
    EXPECT_EQ(R.Columns()->GetItem(1)->Hint(), u"подсказка");
    // Written again, the bytes are the same.
    EXPECT_EQ(StreamBytes(R), StreamBytes(H));
}

TEST(VTreeHeader, StreamWithoutLeadIsTheOldestVersion)
{
    // No -1 lead: the count comes first; no tag, alignment or colour in a
    // column, no main or sort column after the font; old option bits.
    std::string B;
    auto I32 = [&B](int32_t V) { B.append(reinterpret_cast<const char*>(&V), 4); };
    I32(1);                                    // one column
    I32(1); B.append("X\0", 2);                // text "X"
    I32(0);                                    // no hint
    for (int V : {60, 10, 10000, 0, -1, 0, 4, 4, 0})
        I32(V);
    I32(0x7F);  // options: bits 4-6 move to 5-7, coParentColor cleared
    I32(0);     // positions
    for (int V : {0, 0, 19, 0x20B, 0, 0, -11})
        I32(V);
    I32(5); B.append("Arial");
    I32(0); I32(0);
    TestTree Tree;
    ReadBytesInto(*Tree.Header(), B);
    TVirtualTreeColumn* C = Tree.Header()->Columns()->GetItem(0);
    EXPECT_EQ(C->Text(), u"X");
    EXPECT_EQ(C->Width(), 60);
    EXPECT_EQ(C->Options().Bits(), 0xEFu);
    EXPECT_EQ(C->Tag(), 0);
    EXPECT_EQ(Tree.Header()->Height(), 19u);
    EXPECT_EQ(Tree.Header()->SortColumn(), NoColumn);
}

TEST(VTreeHeader, BrokenStreamsRaiseTheTreeError)
{
    struct Row { int Code; const char* Message; };
    const char* const NotEnough = "Unable to load tree structure, not enough data available.";
    const char* const Overrun = "Stream data corrupt. Unexpected data after node's end position.";
    const std::map<std::string, Row> Rows = {
        {"column-count-past-end.vth", {2004, NotEnough}},
        {"text-length-past-end.vth", {2004, NotEnough}},
        {"font-name-length-past-end.vth", {2004, NotEnough}},
        {"truncated-after-columns.vth", {2004, NotEnough}},
        {"position-out-of-range.vth", {2006, Overrun}},
        {"position-twice.vth", {2006, Overrun}},
    };
    for (const auto& Entry : std::filesystem::directory_iterator(DataDir / "broken")) {
        const std::string Name = Entry.path().filename().string();
        SCOPED_TRACE(Name);
        auto It = Rows.find(Name);
        if (It == Rows.end()) {
            ADD_FAILURE() << "no row for " << Name;
            continue;
        }
        TestTree Tree;
        try {
            ReadBytesInto(*Tree.Header(), ReadBytes(Entry.path()));
            ADD_FAILURE() << "nothing raised";
        } catch (const EVirtualTreeError& E) {
            EXPECT_EQ(E.HelpContext, It->second.Code);
            EXPECT_EQ(E.Message, It->second.Message);
        }
        // The header is usable afterwards: options back, positions sound.
        EXPECT_FALSE(Tree.Header()->Loading());
        EXPECT_EQ(Tree.Header()->Columns()->PositionToIndex().size(),
                  static_cast<size_t>(Tree.Header()->Columns()->Count()));
    }
}

TEST(VTreeHeader, ReadsAStreamMadeElsewhere)
{
    TestTree Tree;
    ReadBytesInto(*Tree.Header(), ReadBytes(DataDir / "three-columns.vth"));
    TVTHeader& H = *Tree.Header();
    ASSERT_EQ(H.Columns()->Count(), 3);
    EXPECT_EQ(Order(H), (std::vector<TColumnIndex>{2, 0, 1}));
    EXPECT_EQ(H.Columns()->GetItem(2)->Left(), 0);
    EXPECT_EQ(H.Columns()->GetItem(0)->Left(), 50);
    EXPECT_EQ(H.Font()->Name(), "Arial");
    EXPECT_EQ(H.Options(), TVTHeaderOptions::FromBits(522));
}

// ---- tree properties --------------------------------------------------------------------------

TEST(VTreeProperties, StoredDefaults)
{
    TestTree T;
    EXPECT_EQ(T.AnimationDuration(), 200u);
    EXPECT_EQ(T.AutoExpandDelay(), 1000u);
    EXPECT_EQ(T.AutoScrollDelay(), 1000u);
    EXPECT_EQ(T.AutoScrollInterval(), 1u);
    EXPECT_EQ(T.BorderStyle(), bsSingle);
    EXPECT_EQ(T.ButtonFillMode(), fmTreeColor);
    EXPECT_EQ(T.ButtonStyle(), bsRectangle);
    EXPECT_EQ(T.CheckImageKind(), ckLightCheck);
    EXPECT_EQ(T.DragHeight(), 350);
    EXPECT_EQ(T.DragWidth(), 200);
    EXPECT_EQ(T.DragOperations(), (TVTDragOperations{doCopy, doMove}));
    EXPECT_EQ(T.DrawSelectionMode(), smDottedRectangle);
    EXPECT_EQ(T.EditDelay(), 1000u);
    EXPECT_EQ(T.HintMode(), hmDefault);
    EXPECT_EQ(T.IncrementalSearch(), isNone);
    EXPECT_EQ(T.IncrementalSearchStart(), ssFocusedNode);
    EXPECT_EQ(T.LineMode(), lmNormal);
    EXPECT_EQ(T.LineStyle(), lsDotted);
    EXPECT_EQ(T.NodeAlignment(), naProportional);
    EXPECT_EQ(T.SelectionBlendFactor(), 128);
    EXPECT_EQ(T.Color(), clWindow);
    EXPECT_EQ(T.Header()->Height(), 17u);
    EXPECT_EQ(T.Header()->Style(), hsThickButtons);
    EXPECT_EQ(T.Header()->Background(), clBtnFace);
    EXPECT_EQ(T.Header()->Options(), (TVTHeaderOptions{hoColumnResize, hoDrag}));
    TScrollBarOptions* S = T.ScrollBarOptions();
    EXPECT_FALSE(S->AlwaysVisible());
    EXPECT_EQ(S->HorizontalIncrement(), 20);
    EXPECT_EQ(S->VerticalIncrement(), 20);
    EXPECT_EQ(S->ScrollBars(), ssBoth);
    const TColor Colors[] = {clBtnShadow, clHighlight, clHighlight, clHighlight, clBtnFace,
                             clBtnShadow, clBtnFace, clBtnFace, clWindowText, clHighlight,
                             clBtnFace, clHighlight, clHighlight, clHighlight, clBtnShadow};
    for (int I = 0; I < TVTColors::Count; ++I) {
        SCOPED_TRACE(I);
        EXPECT_EQ(T.Colors()->Get(I), Colors[I]);
    }
}

TEST(VTreeProperties, SetterEffects)
{
    TestTree T;
    T.SetDefaultNodeHeight(0);
    EXPECT_EQ(T.DefaultNodeHeight(), 18u);
    T.SetAnimationDuration(0);
    EXPECT_FALSE(T.TreeOptions()->AnimationOptions().Contains(toAnimatedToggle));
    T.SetAnimationDuration(150);
    EXPECT_TRUE(T.TreeOptions()->AnimationOptions().Contains(toAnimatedToggle));
    // Clipboard formats: only those the registry knows for the tree's class.
    TClipboardFormats* F = T.ClipboardFormats();
    EXPECT_GE(F->Add("Virtual Tree Data"), 0);
    EXPECT_EQ(F->Add("virtual tree data"), 0);  // a duplicate is ignored
    EXPECT_EQ(F->Add("No Such Format"), -1);
    EXPECT_EQ(F->Add("HTML Format"), -1);  // offered by text trees only
    EXPECT_EQ(F->Count(), 1);
    TCustomVirtualStringTree Strings(nullptr);
    EXPECT_GE(Strings.ClipboardFormats()->Add("HTML Format"), 0);
    TStringList Given;
    Given.Add("CSV");
    Given.Add("Bogus");
    Strings.SetClipboardFormats(&Given);
    EXPECT_EQ(Strings.ClipboardFormats()->Count(), 1);
    EXPECT_EQ(Strings.ClipboardFormats()->Strings(0), "CSV");
}

TEST(VTreeProperties, CheckImageKindChoosesTheList)
{
    TestTree T;
    EXPECT_EQ(T.CheckImages(), TBaseVirtualTree::CheckImageListFor(ckLightCheck));
    ASSERT_NE(T.CheckImages(), nullptr);
    EXPECT_EQ(T.CheckImages()->Count(), 25);
    T.SetCheckImageKind(ckFlat);
    EXPECT_EQ(T.CheckImages(), TBaseVirtualTree::CheckImageListFor(ckFlat));
    EXPECT_NE(T.CheckImages(), TBaseVirtualTree::CheckImageListFor(ckLightCheck));
    // A custom kind without its own list leaves none.
    T.SetCheckImageKind(ckCustom);
    EXPECT_EQ(T.CheckImages(), nullptr);
    {
        TCustomImageList Own(nullptr, 16, 16);
        T.SetCustomCheckImages(&Own);
        EXPECT_EQ(T.CheckImages(), &Own);
    }
    // Freed: the tree lets go of it.
    EXPECT_EQ(T.CheckImages(), nullptr);
    EXPECT_EQ(T.CustomCheckImages(), nullptr);
}

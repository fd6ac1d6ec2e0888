// The column-layout tree: its layout string written, read back and
// refused when malformed, the position repair, scrolling by whole rows,
// hoAutoResize kept off while a column border is dragged, and the focused
// index.

#include "common/vtree/YLDVirtualTreeComponents.h"

#include "platform/forms/Forms.h"
#include "platform/winapi/Messages.h"
#include "platform/winapi/Windows.h"

#include "tests/common/components/ComponentsTestKit.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace components_test;

namespace {

/// The settings window's keyword tree: three columns tagged 99, 1 and 2,
/// the third sized automatically.
struct LayoutWindow {
    std::unique_ptr<TForm> Form = MakeForm(640, 380);
    Tyl_VirtualStringTree* Tree = nullptr;

    explicit LayoutWindow(std::vector<int> Tags = {99, 1, 2})
    {
        Tree = new Tyl_VirtualStringTree(Form.get());
        Tree->SetParent(Form.get());
        Tree->SetBounds(8, 8, 616, 354);
        Tree->SetDefaultNodeHeight(20);
        TVTHeader* H = Tree->Header();
        const int Widths[] = {30, 150, 300};
        for (size_t I = 0; I < Tags.size(); ++I) {
            TVirtualTreeColumn* C = H->Columns()->Add();
            C->SetTag(Tags[I]);
            C->SetWidth(Widths[I % 3]);
        }
        H->SetHeight(22);
        H->SetOptions(TVTHeaderOptions{hoColumnResize, hoDrag, hoShowImages, hoShowSortGlyphs,
                                       hoVisible});
        Form->Show();
    }
    std::vector<TColumnIndex> Order() const { return Tree->GetColumns()->PositionToIndex(); }
    std::vector<int> Widths() const
    {
        std::vector<int> W;
        for (int I = 0; I < Tree->GetColumnCount(); ++I)
            W.push_back(Tree->GetColumns()->GetItem(I)->Width());
        return W;
    }
};

}  // namespace

TEST(Tyl_VirtualStringTree, LayoutStringIsWrittenInPositionOrder)
{
    LayoutWindow W;
    Tyl_VirtualStringTree& T = *W.Tree;
    T.Header()->SetAutoSizeIndex(2);
    T.GetColumns()->GetItem(2)->SetWidth(436);
    EXPECT_EQ(T.GetStateStatusStr(),
              AnsiString("V1H354W616A3C3|S0T99P0W30V1|S1T1P1W150V1|S2T2P2W436V1|"));
    // Moved and hidden columns: records follow the display order, "S" names
    // the column.
    T.GetColumns()->GetItem(0)->SetPosition(2);
    T.GetColumns()->GetItem(1)->SetOptions(T.GetColumns()->GetItem(1)->Options() -
                                           TVTColumnOptions{coVisible});
    T.Header()->SetAutoSizeIndex(-1);
    EXPECT_EQ(T.GetStateStatusStr(),
              AnsiString("V1H354W616A0C3|S1T1P0W150V0|S2T2P1W436V1|S0T99P2W30V1|"));
    // Without columns: the version and the tree part only.
    LayoutWindow Empty(std::vector<int>{});
    EXPECT_EQ(Empty.Tree->GetStateStatusStr(), AnsiString("V1H354W616A1C0|"));
}

TEST(Tyl_VirtualStringTree, LayoutStringRoundTrips)
{
    // Tagged columns (the settings window) and untagged ones: a user's
    // order, widths and hidden columns come back.
    for (const std::vector<int>& Tags : {std::vector<int>{99, 1, 2}, std::vector<int>{0, 0, 0}}) {
        SCOPED_TRACE(Tags[0]);
        LayoutWindow Saved(Tags);
        Tyl_VirtualStringTree& S = *Saved.Tree;
        S.GetColumns()->GetItem(2)->SetPosition(0);
        S.GetColumns()->GetItem(0)->SetWidth(44);
        S.GetColumns()->GetItem(1)->SetWidth(120);
        S.GetColumns()->GetItem(1)->SetOptions(S.GetColumns()->GetItem(1)->Options() -
                                               TVTColumnOptions{coVisible});
        S.Header()->SetAutoSizeIndex(0);
        const AnsiString Layout = S.GetStateStatusStr();

        LayoutWindow Restored(Tags);
        Restored.Tree->SetStateStatusStr(Layout);
        EXPECT_EQ(Restored.Order(), Saved.Order());
        EXPECT_EQ(Restored.Widths(), Saved.Widths());
        EXPECT_FALSE(Restored.Tree->GetColumns()->GetItem(1)->Options().Contains(coVisible));
        EXPECT_EQ(Restored.Tree->Header()->AutoSizeIndex(), 0);
        EXPECT_EQ(Restored.Tree->GetStateStatusStr(), Layout);
    }
}

TEST(Tyl_VirtualStringTree, LayoutStringRecordsFindTheirColumns)
{
    const struct {
        const char* Layout;
        std::vector<int> Widths;
        const char* Why;
    } Cases[] = {
        {"V1H354W616A3C3|S0T99P0W31V1|S1T1P1W151V1|S2T2P2W301V1|", {31, 151, 301}, "all"},
        {"V1H354W616A3S0T99P0W31V1|S1T1P1W151V1|S2T2P2W301V1|", {31, 150, 300},
         "no C: the first record only"},
        {"V1H354W616A3C3|S5T0P0W77V1|S1T1P1W151V1|S2T2P2W301V1|", {30, 151, 301},
         "S5 without a tag names no column"},
        {"V1H354W616A3C3|S0T2P2W222V1|S1T1P1W151V1|S2T99P0W33V1|", {33, 151, 222},
         "a tag finds its column whatever S says"},
        {"V1H354W616A3C3|S0T0P0W55V1|S1T1P1W151V1|S2T2P2W301V1|", {30, 151, 301},
         "a tag-0 record does not fit a tagged column"},
        {"V1H354W616A3C1|S0T99P0W31V1|S1T1P1W151V1|", {31, 150, 300}, "C1: one record"},
        {"V1H354W616", {30, 150, 300}, "shorter than 29 characters"},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Why);
        LayoutWindow W;
        W.Tree->SetStateStatusStr(C.Layout);
        EXPECT_EQ(W.Widths(), C.Widths);
    }
    // A0 means no auto-size column.
    LayoutWindow W;
    W.Tree->Header()->SetAutoSizeIndex(2);
    W.Tree->SetStateStatusStr("V1H354W616A0C3|S0T99P0W30V1|S1T1P1W150V1|S2T2P2W300V1|");
    EXPECT_EQ(W.Tree->Header()->AutoSizeIndex(), -1);
}

TEST(Tyl_VirtualStringTree, MalformedLayoutStringChangesNothing)
{
    const char* Broken[] = {
        "V1H354W616A3C3|S0T99P0W31V1|S1T1P1W151V1|S2T2P2W3",   // cut short
        "V1H354W616A3C3|S0T99P0W31V1|S1T1P1W151V1|",            // a record missing
        "V1H354W616A3C3|S0T99P0WxxV1|S1T1P1W151V1|S2T2P2W301V1|",  // letters for a number
        "V1H354W616A3C4|S0T99P0W31V1|S1T1P1W151V1|S2T2P2W301V1|S3T0P3W10V1|",  // 4 columns
        "V1H354W616A3C3|S0T99P0W-31V1|S1T1P1W151V1|S2T2P2W301V1|",  // a negative width
        "V1H354W616A3C3|S0T99P0W31V1|S1T1Q1W151V1|S2T2P2W301V1|",   // no such field
        "V1H354W616A3C3|S0T99P0W31V1|#1T1P1W151V1|S2T2P2W301V1|",   // no such part
        "V1H354W616A3C3|S0T99P0W99999999999V1|S1T1P1W151V1|S2T2P2W301V1|",  // too large
    };
    for (const char* S : Broken) {
        SCOPED_TRACE(S);
        LayoutWindow W;
        W.Tree->GetColumns()->GetItem(0)->SetPosition(1);
        const AnsiString Before = W.Tree->GetStateStatusStr();
        W.Tree->SetStateStatusStr(S);
        EXPECT_EQ(W.Tree->GetStateStatusStr(), Before);
    }
}

TEST(Tyl_VirtualStringTree, PositionsAreRepairedWhileLoading)
{
    LayoutWindow W;
    Tyl_VirtualStringTree& T = *W.Tree;
    {
        LoadingScope Loading(W.Form.get());
        // Duplicate positions (0, 0, 5) as a damaged string could leave them.
        T.SetStateStatusStr("V1H354W616A3C3|S0T99P0W30V1|S1T1P0W150V1|S2T2P5W300V1|");
        std::vector<int> Positions;
        for (int I = 0; I < 3; ++I)
            Positions.push_back(T.GetColumns()->GetItem(I)->Position());
        EXPECT_EQ(Positions, (std::vector<int>{0, 1, 2}));
    }
}

TEST(Tyl_VirtualStringTree, VerticalScrollingSnapsToWholeRows)
{
    LayoutWindow W;
    Tyl_VirtualStringTree& T = *W.Tree;
    T.SetRootNodeCount(200);
    const int H = 20;
    const int Bottom = T.ClientHeight() - T.RangeY();
    const struct {
        int From;
        int To;
        int Expected;
        const char* Why;
    } Cases[] = {
        {0, -28, -20, "down 1.4 rows: one row"},
        {0, -30, -40, "down 1.5 rows: two rows"},
        {-100, -100 - H, -120, "down one row"},
        {-100, -100 + H, -80, "up one row: one row, not two"},
        {-100, -100 + 28, -80, "up 1.4 rows: one row"},
        {-100, -100 + 8, -100, "up less than half a row: stays"},
        {-40, Bottom, Bottom, "the bottom-most offset is not snapped"},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Why);
        T.SetOffsetY(C.From);
        ASSERT_EQ(T.OffsetY(), C.From);
        T.SetOffsetY(C.To);
        EXPECT_EQ(T.OffsetY(), C.Expected);
    }
}

TEST(Tyl_VirtualStringTree, FocusedIndexPrefersTheFocusedNode)
{
    LayoutWindow W;
    Tyl_VirtualStringTree& T = *W.Tree;
    T.TreeOptions()->SetSelectionOptions({toMultiSelect, toFullRowSelect});
    T.SetRootNodeCount(5);
    EXPECT_EQ(T.GetFocusedIndex(), -1);
    PVirtualNode Second = T.FirstNode()->NextSibling;
    PVirtualNode Fourth = Second->NextSibling->NextSibling;
    T.SetSelected(Second, true);
    EXPECT_EQ(T.GetFocusedIndex(), 1) << "the first selected without a focus";
    // A Ctrl multi-selection: the last clicked node has the focus.
    T.SetSelected(Fourth, true);
    T.SetFocusedNode(Fourth);
    EXPECT_EQ(T.GetFocusedIndex(), 3);
}

TEST(Tyl_VirtualStringTree, AutoResizeIsSuspendedWhileABorderIsDragged)
{
    LayoutWindow W;
    Tyl_VirtualStringTree& T = *W.Tree;
    TVTHeader* H = T.Header();
    H->SetAutoSizeIndex(2);
    H->SetOptions(H->Options() + TVTHeaderOptions{hoAutoResize});
    const TPoint S = T.ClientToScreen(TPoint{29, -10});  // column 0's right edge
    T.Perform(WM_NCLBUTTONDOWN, HTBORDER, MakeLParam(S.X, S.Y));
    EXPECT_TRUE(T.AutoResizeSuspended());
    EXPECT_FALSE(H->Options().Contains(hoAutoResize));
    T.Perform(WM_MOUSEMOVE, MK_LBUTTON, MakeLParam(60, -10));
    T.Perform(WM_LBUTTONUP, 0, MakeLParam(60, -10));
    EXPECT_FALSE(T.AutoResizeSuspended());
    EXPECT_TRUE(H->Options().Contains(hoAutoResize));
    // A press on a button (no resize) leaves the option alone.
    const TPoint B = T.ClientToScreen(TPoint{100, -10});
    T.Perform(WM_NCLBUTTONDOWN, HTBORDER, MakeLParam(B.X, B.Y));
    EXPECT_FALSE(T.AutoResizeSuspended());
    EXPECT_TRUE(H->Options().Contains(hoAutoResize));
    T.Perform(WM_LBUTTONUP, 0, MakeLParam(100, -10));
}

TEST(Tyl_VirtualStringTree, ShortenedTextsKeepAllThatFits)
{
    LayoutWindow W;
    Tyl_VirtualStringTree& T = *W.Tree;
    struct Host {
        void GetText(TBaseVirtualTree*, PVirtualNode, TColumnIndex, TVSTTextType,
                     std::u16string& Text)
        {
            Text = u"Ключевое слово для импорта";
        }
    } Texts;
    T.OnGetText = TVSTGetTextEvent(&Texts, &Host::GetText);
    struct Spy : Tyl_VirtualStringTree {
        using Tyl_VirtualStringTree::DoShortenString;
    };
    T.SetRootNodeCount(1);
    HDC DC = T.Canvas()->Handle();
    SelectObject(DC, T.Font()->Handle());
    const std::u16string S = u"Ключевое слово для импорта";
    const std::u16string R =
        static_cast<Spy&>(T).DoShortenString(T.Canvas(), T.FirstNode(), 1, S, 60, false, 50);
    // The one-pixel ellipsis: the prefix is what fits into 59 pixels.
    const std::u16string Prefix = R.substr(0, R.size() - 3);
    TSize Size{0, 0};
    GetTextExtentPoint32W(DC, Prefix.data(), static_cast<int>(Prefix.size()), Size);
    EXPECT_LE(Size.cx, 59);
    GetTextExtentPoint32W(DC, S.data(), static_cast<int>(Prefix.size() + 1), Size);
    EXPECT_GT(Size.cx, 59);
}

namespace {

/// Keyword rows as the settings window lists them.
struct KeywordHost {
    void GetText(TBaseVirtualTree*, PVirtualNode Node, TColumnIndex Column, TVSTTextType,
                 std::u16string& Text)
    {
        static const char16_t* Rows[][2] = {
            {u"Наименование", u"Товар, Наименование товара"},
            {u"Цена", u"Цена, Цена с НДС, Цена розн."},
            {u"Количество", u"Кол-во, Количество"},
            {u"Штрихкод", u"Штрих-код, EAN"},
        };
        const auto& Row = Rows[Node->Index % 4];
        if (Column == 0)
            Text = std::u16string(1, static_cast<char16_t>(u'1' + Node->Index));
        else
            Text = Row[Column - 1];
    }
};

}  // namespace

TEST(Tyl_VirtualStringTree, RendersLikeTheKeywordTree)
{
    LayoutWindow W;
    Tyl_VirtualStringTree& T = *W.Tree;
    KeywordHost Host;
    T.OnGetText = TVSTGetTextEvent(&Host, &KeywordHost::GetText);
    const char16_t* Titles[] = {u"№", u"Поле", u"Ключевые слова"};
    for (int I = 0; I < 3; ++I)
        T.GetColumns()->GetItem(I)->SetText(Titles[I]);
    T.TreeOptions()->SetPaintOptions({toShowHorzGridLines, toShowVertGridLines, toPopupMode});
    T.TreeOptions()->SetSelectionOptions({toFullRowSelect, toMultiSelect});
    T.SetRootNodeCount(4);
    T.SetSelected(T.FirstNode()->NextSibling, true);
    T.SetFocusedNode(T.FirstNode()->NextSibling);
    T.SetStateStatusStr("V1H354W616A3C3|S0T99P0W30V1|S1T1P1W110V1|S2T2P2W120V1|");
    auto B = Render(&T);
    // The selected row is highlighted; its texts are in the highlight text
    // colour; the narrow third column shortens its texts.
    EXPECT_GT(CountPixels(*B, TRect{2, 24 + 20, 260, 24 + 40}, clHighlightText), 20);
    SavePng(*B, "vtree-layout-tree");
}

TEST(Tyl_VirtualStringTree, RendersTheKeywordTreeWhileEditing)
{
    LayoutWindow W;
    Tyl_VirtualStringTree& T = *W.Tree;
    KeywordHost Host;
    T.OnGetText = TVSTGetTextEvent(&Host, &KeywordHost::GetText);
    const char16_t* Titles[] = {u"№", u"Поле", u"Ключевые слова"};
    for (int I = 0; I < 3; ++I)
        T.GetColumns()->GetItem(I)->SetText(Titles[I]);
    T.TreeOptions()->SetPaintOptions({toShowHorzGridLines, toShowVertGridLines});
    T.TreeOptions()->SetMiscOptions(T.TreeOptions()->MiscOptions() + TVTMiscOptions{toEditable});
    T.SetRootNodeCount(4);
    T.SetFocus();
    ASSERT_TRUE(T.StartEditing(T.FirstNode()->NextSibling->NextSibling, 2));
    auto* Link = dynamic_cast<TStringEditLink*>(T.EditLink());
    ASSERT_TRUE(Link);
    // The editor lies in the edited cell, on its row.
    const TRect Cell = T.NodeDisplayRect(T.FirstNode()->NextSibling->NextSibling, 2, false);
    const TRect E = Link->GetBounds();
    EXPECT_GE(E.Left, Cell.Left);
    EXPECT_LE(E.Top, Cell.Top + 2);
    EXPECT_GE(E.Bottom, Cell.Bottom - 2);
    auto B = Render(&T);
    SavePng(*B, "vtree-keyword-tree-editing");
    T.AbortEditing();
}

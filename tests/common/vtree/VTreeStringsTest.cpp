// The string tree: texts on demand and the default text, the main column's
// width measured once per node, shortening and alignment in painted cells,
// multi-line heights, static texts, hints, incremental search and captions
// in tree streams.

#include "common/vtree/VTree.h"

#include "platform/forms/Forms.h"
#include "platform/winapi/Messages.h"
#include "platform/winapi/Windows.h"

#include "tests/common/components/ComponentsTestKit.h"
#include "tests/common/vtree/TreeFixture.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace components_test;

namespace {

/// Cell texts kept by the test, handed out on demand; counts the asks.
struct TextHost {
    std::vector<std::vector<std::u16string>> Cells;  // [node index][column, -1 as 0]
    std::u16string Static;
    int Asked = 0;
    std::vector<std::u16string> Stored;

    void GetText(TBaseVirtualTree*, PVirtualNode Node, TColumnIndex Column, TVSTTextType Type,
                 std::u16string& Text)
    {
        ++Asked;
        if (Type == ttStatic) {
            Text = Static;
            return;
        }
        const size_t C = Column < 0 ? 0 : static_cast<size_t>(Column);
        if (Node->Index < Cells.size() && C < Cells[Node->Index].size())
            Text = Cells[Node->Index][C];
    }
    void NewText(TBaseVirtualTree*, PVirtualNode Node, TColumnIndex Column,
                 const std::u16string& Text)
    {
        const size_t C = Column < 0 ? 0 : static_cast<size_t>(Column);
        if (Cells.size() <= Node->Index)
            Cells.resize(Node->Index + 1);
        if (Cells[Node->Index].size() <= C)
            Cells[Node->Index].resize(C + 1);
        Cells[Node->Index][C] = Text;
        Stored.push_back(Text);
    }
    void Bind(TCustomVirtualStringTree& T)
    {
        T.OnGetText = TVSTGetTextEvent(this, &TextHost::GetText);
        T.OnNewText = TVSTNewTextEvent(this, &TextHost::NewText);
    }
};

class StringTree : public TVirtualStringTree {
public:
    explicit StringTree(TComponent* AOwner) : TVirtualStringTree(AOwner) {}
    using TCustomVirtualStringTree::DoIncrementalSearch;
    using TCustomVirtualStringTree::DoGetNodeHint;
    using TCustomVirtualStringTree::CellIsEmpty;
    using TCustomVirtualStringTree::GetNodeWidth;
};

constexpr int Edge = 2;  // the client edge in a render

struct StringWindow {
    std::unique_ptr<TForm> Form = MakeForm(420, 260);
    StringTree* Tree = nullptr;
    TextHost Host;

    StringWindow()
    {
        Tree = new StringTree(Form.get());
        Tree->SetParent(Form.get());
        Tree->SetBounds(10, 10, 400, 240);
        Tree->Font()->SetName("Arial");
        Tree->Font()->SetHeight(-11);
        Tree->Header()->Font()->SetName("Arial");
        Tree->Header()->Font()->SetHeight(-11);
        Host.Bind(*Tree);
        // Flat lists: no indent before the texts.
        Tree->TreeOptions()->SetPaintOptions(Tree->TreeOptions()->PaintOptions() -
                                             TVTPaintOptions{toShowRoot});
        Form->Show();
    }
    void AddColumns(std::initializer_list<int> Widths)
    {
        TVTHeader* H = Tree->Header();
        for (int W : Widths)
            H->Columns()->Add()->SetWidth(W);
        H->SetHeight(20);
        H->SetOptions(H->Options() + TVTHeaderOptions{hoVisible});
    }
    int HeaderHeight() const
    {
        return Tree->Header()->Options().Contains(hoVisible)
                   ? static_cast<int>(Tree->Header()->Height())
                   : 0;
    }
    /// Columns (render X) in a client row band that hold text-coloured ink.
    std::vector<int> InkColumns(TBitmap& B, int RowTop, int RowBottom, TColor Ink = clWindowText)
    {
        std::vector<int> Xs;
        for (int X = 0; X < B.Width(); ++X)
            for (int Y = RowTop; Y < RowBottom; ++Y)
                if (PixelOf(B, X, Y + Edge + HeaderHeight()) == Rgb(Ink)) {
                    Xs.push_back(X - Edge);
                    break;
                }
        return Xs;
    }
    int TextWidth(const std::u16string& S)
    {
        TSize Size{0, 0};
        HDC DC = Tree->Canvas()->Handle();
        SelectObject(DC, Tree->Font()->Handle());
        GetTextExtentPoint32W(DC, S.data(), static_cast<int>(S.size()), Size);
        return Size.cx;
    }
};

}  // namespace

TEST(VTreeStrings, TextsComeFromTheHostOrTheDefault)
{
    StringWindow W;
    StringTree& T = *W.Tree;
    W.Host.Cells = {{u"Первый"}, {}};
    T.SetRootNodeCount(2);
    EXPECT_EQ(T.Text(T.FirstNode(), NoColumn), u"Первый");
    // A handler that leaves the text alone shows the default text.
    EXPECT_EQ(T.Text(T.FirstNode()->NextSibling, NoColumn), u"Node");
    T.SetDefaultText(u"Пусто");
    EXPECT_EQ(T.Text(T.FirstNode()->NextSibling, NoColumn), u"Пусто");
    // Writing a text hands it to the host.
    T.SetText(T.FirstNode()->NextSibling, NoColumn, u"Второй");
    EXPECT_EQ(W.Host.Stored, (std::vector<std::u16string>{u"Второй"}));
    EXPECT_EQ(T.Text(T.FirstNode()->NextSibling, NoColumn), u"Второй");
    // Cells are empty when their text is.
    W.Host.Cells[1][0].clear();
    T.SetDefaultText(u"");
    EXPECT_TRUE(T.CellIsEmpty(T.FirstNode()->NextSibling, NoColumn));
    EXPECT_FALSE(T.CellIsEmpty(T.FirstNode(), NoColumn));
}

TEST(VTreeStrings, MainColumnWidthIsMeasuredOncePerNode)
{
    StringWindow W;
    W.AddColumns({150, 150});
    StringTree& T = *W.Tree;
    W.Host.Cells = {{u"Главная колонка", u"вторая"}};
    T.SetRootNodeCount(1);
    PVirtualNode N = T.FirstNode();
    const int Width = T.GetNodeWidth(N, 0, nullptr);
    EXPECT_EQ(Width, W.TextWidth(u"Главная колонка"));
    const int Asked = W.Host.Asked;
    EXPECT_EQ(T.GetNodeWidth(N, 0, nullptr), Width);
    EXPECT_EQ(W.Host.Asked, Asked) << "the main column's width is cached";
    // Other columns are measured each time.
    T.GetNodeWidth(N, 1, nullptr);
    T.GetNodeWidth(N, 1, nullptr);
    EXPECT_EQ(W.Host.Asked, Asked + 2);
    // Invalidation, re-initialisation and a font change forget the width.
    const struct {
        const char* What;
        void (*Act)(StringTree&, PVirtualNode);
    } Resets[] = {
        {"invalidate", [](StringTree& T, PVirtualNode N) { T.InvalidateNode(N); }},
        {"reinit", [](StringTree& T, PVirtualNode N) { T.ReinitNode(N, false); }},
        {"font", [](StringTree& T, PVirtualNode) { T.Font()->SetHeight(-20); }},
    };
    for (const auto& R : Resets) {
        SCOPED_TRACE(R.What);
        R.Act(T, N);
        const int Before = W.Host.Asked;
        T.GetNodeWidth(N, 0, nullptr);
        EXPECT_GT(W.Host.Asked, Before);
    }
    EXPECT_GT(T.GetNodeWidth(N, 0, nullptr), Width) << "measured in the bigger font";
}

TEST(VTreeStrings, ShortenStringKeepsTheLongestPrefixThatFits)
{
    StringWindow W;
    HDC DC = W.Tree->Canvas()->Handle();
    SelectObject(DC, W.Tree->Font()->Handle());
    const std::u16string S = u"Цена за килограмм";
    const int Full = W.TextWidth(S);
    const int Dots = W.TextWidth(u"...");
    const struct {
        int Width;
        const char16_t* Expected;  // null: a prefix with "..." that fits
    } Cases[] = {
        {Full, u"Цена за килограмм"},      // fits exactly
        {Full + 50, u"Цена за килограмм"}, // room to spare
        {Dots - 1, u""},                   // not even the ellipsis fits
        {0, u""},
        {Full - 1, nullptr},
        {Full / 2, nullptr},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Width);
        const std::u16string R = ShortenString(DC, S, C.Width);
        if (C.Expected) {
            EXPECT_EQ(R, C.Expected);
            continue;
        }
        ASSERT_GE(R.size(), 3u);
        EXPECT_EQ(R.substr(R.size() - 3), u"...");
        const std::u16string Prefix = R.substr(0, R.size() - 3);
        EXPECT_EQ(S.compare(0, Prefix.size(), Prefix), 0);
        EXPECT_LE(W.TextWidth(R), C.Width);
        // One more character would not fit.
        EXPECT_GT(W.TextWidth(S.substr(0, Prefix.size() + 1) + u"..."), C.Width);
    }
}

TEST(VTreeStrings, PaintedTextFollowsAlignmentAndShortens)
{
    const struct {
        TAlignment Align;
        int ColumnWidth;
        bool Shortened;
    } Cases[] = {
        {taLeftJustify, 300, false},
        {taRightJustify, 300, false},
        {taCenter, 300, false},
        {taLeftJustify, 60, true},
        {taRightJustify, 60, true},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(static_cast<int>(C.Align) * 1000 + C.ColumnWidth);
        StringWindow W;
        W.AddColumns({C.ColumnWidth});
        StringTree& T = *W.Tree;
        T.Header()->Columns()->GetItem(0)->SetAlignment(C.Align);
        W.Host.Cells = {{u"Молоко пастеризованное"}};
        std::vector<std::u16string> Shortened;
        struct Spy {
            std::vector<std::u16string>* Out;
            void Shorten(TBaseVirtualTree*, TCanvas*, PVirtualNode, TColumnIndex,
                         const std::u16string& S, int, bool, std::u16string&, bool&)
            {
                Out->push_back(S);
            }
        } S{&Shortened};
        T.OnShortenString = TVSTShortenStringEvent(&S, &Spy::Shorten);
        T.SetRootNodeCount(1);
        auto B = Render(&T);
        const int H = static_cast<int>(T.DefaultNodeHeight());
        const std::vector<int> Ink = W.InkColumns(*B, 0, H);
        ASSERT_FALSE(Ink.empty());
        EXPECT_EQ(!Shortened.empty(), C.Shortened);
        const int Text = W.TextWidth(u"Молоко пастеризованное");
        const int Margin = T.Margin() + T.TextMargin();
        EXPECT_LT(Ink.back(), C.ColumnWidth) << "clipped to the cell";
        if (C.Shortened)
            continue;
        switch (C.Align) {
        case taLeftJustify: EXPECT_NEAR(Ink.front(), Margin, 2); break;
        case taRightJustify: EXPECT_NEAR(Ink.back(), C.ColumnWidth - T.TextMargin(), 3); break;
        case taCenter:
            EXPECT_NEAR((Ink.front() + Ink.back()) / 2, (C.ColumnWidth + T.Margin()) / 2, 3);
            break;
        }
        EXPECT_NEAR(Ink.back() - Ink.front(), Text, 3);
    }
}

TEST(VTreeStrings, MultiLineHeightsGrowAsTheColumnNarrows)
{
    StringWindow W;
    W.AddColumns({400});
    StringTree& T = *W.Tree;
    W.Host.Cells = {{u"Сыр российский весовой высшего сорта"}};
    T.SetRootNodeCount(1);
    PVirtualNode N = T.FirstNode();
    const struct {
        int ColumnWidth;
        int MinLines;
        int MaxLines;
    } Cases[] = {
        {400, 1, 1},  // one line
        {120, 2, 3},  // wraps
        {60, 4, 7},   // a word per line
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.ColumnWidth);
        T.Header()->Columns()->GetItem(0)->SetWidth(C.ColumnWidth);
        const int Lines = T.ComputeNodeHeight(nullptr, N, 0) / T.TextHeight();
        EXPECT_GE(Lines, C.MinLines);
        EXPECT_LE(Lines, C.MaxLines);
    }
    // A given text instead of the cell's own.
    EXPECT_EQ(T.ComputeNodeHeight(nullptr, N, 0, u"a"), T.TextHeight());
}

TEST(VTreeStrings, StaticTextFollowsTheNormalText)
{
    for (const bool Show : {false, true}) {
        SCOPED_TRACE(Show);
        StringWindow W;
        StringTree& T = *W.Tree;
        W.Host.Cells = {{u"Хлеб"}};
        W.Host.Static = u"(5 шт.)";
        if (Show)
            T.TreeOptions()->SetStringOptions(T.StringOptions() + TVTStringOptions{toShowStaticText});
        T.SetRootNodeCount(1);
        auto B = Render(&T);
        const std::vector<int> Ink = W.InkColumns(*B, 0, static_cast<int>(T.DefaultNodeHeight()));
        ASSERT_FALSE(Ink.empty());
        const int Normal = T.Margin() + T.TextMargin() + W.TextWidth(u"Хлеб");
        if (Show)
            EXPECT_GT(Ink.back(), Normal + W.TextWidth(u"(5 шт.)") - 3);
        else
            EXPECT_LE(Ink.back(), Normal + 1);
    }
}

TEST(VTreeStrings, HintsAndIncrementalSearchUseTheTexts)
{
    StringWindow W;
    StringTree& T = *W.Tree;
    W.Host.Cells = {{u"abc"}, {u"xab"}};
    T.SetRootNodeCount(2);
    PVirtualNode First = T.FirstNode();
    const struct {
        PVirtualNode Node;
        const char16_t* Typed;
        int Result;
    } Cases[] = {
        {First, u"ab", 0},
        {First, u"abc", 0},
        {First, u"abcd", 1},
        {First, u"AB", 1},  // case counts
        {First->NextSibling, u"ab", 1},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(std::string(C.Typed, C.Typed + std::char_traits<char16_t>::length(C.Typed)));
        EXPECT_EQ(T.DoIncrementalSearch(C.Node, C.Typed), C.Result);
    }
    TVTTooltipLineBreakStyle Style = hlbDefault;
    EXPECT_EQ(T.DoGetNodeHint(First, NoColumn, Style), u"abc");
    struct HintHost {
        void GetHint(TBaseVirtualTree*, PVirtualNode, TColumnIndex, TVSTTextType,
                     std::u16string& Text)
        {
            Text = u"подсказка";
        }
    } Hints;
    T.OnGetHint = TVSTGetTextEvent(&Hints, &HintHost::GetHint);
    EXPECT_EQ(T.DoGetNodeHint(First, NoColumn, Style), u"подсказка");
}

TEST(VTreeStrings, CaptionsRoundTripThroughTreeStreams)
{
    TextHost Source;
    StringTree Writer(nullptr);
    Source.Bind(Writer);
    Source.Cells = {{u"Ёлки"}, {u""}, {u"Сыр «Российский»"}};
    Writer.SetRootNodeCount(3);
    TMemoryStream Stream;
    Writer.SaveToStream(&Stream);

    // Read by a tree with more columns: the captions arrive for its main
    // column, in the stream's order; the node with an empty text has no
    // caption and keeps what its host says.
    TextHost Target;
    StringTree Reader(nullptr);
    for (int I = 0; I < 3; ++I)
        Reader.Header()->Columns()->Add();
    Reader.Header()->SetMainColumn(1);
    Target.Bind(Reader);
    struct Columns {
        std::vector<TColumnIndex> Seen;
        void NewText(TBaseVirtualTree*, PVirtualNode, TColumnIndex Column, const std::u16string&)
        {
            Seen.push_back(Column);
        }
    } Cols;
    Reader.OnNewText = TVSTNewTextEvent(&Cols, &Columns::NewText);
    Stream.SetPosition(0);
    Reader.LoadFromStream(&Stream);
    EXPECT_EQ(Reader.RootNodeCount(), 3u);
    EXPECT_EQ(Cols.Seen, (std::vector<TColumnIndex>{1, 1}));

    Target.Bind(Reader);
    Stream.SetPosition(0);
    Reader.LoadFromStream(&Stream);
    EXPECT_EQ(Target.Stored, (std::vector<std::u16string>{u"Ёлки", u"Сыр «Российский»"}));

    // Without toSaveCaptions no caption is written.
    TMemoryStream Bare;
    Writer.TreeOptions()->SetStringOptions({});
    Writer.SaveToStream(&Bare);
    EXPECT_LT(Bare.Size(), Stream.Size());
    TextHost None;
    None.Bind(Reader);
    Bare.SetPosition(0);
    Reader.LoadFromStream(&Bare);
    EXPECT_TRUE(None.Stored.empty());
}

TEST(VTreeStrings, OddCaptionChunkReadsSizeDivTwoCharacters)
{
    // Magic (version 2), one top-level node: node chunk {base, caption of
    // 5 bytes: "Я" and "б" and one stray byte}.
    const unsigned char Bytes[] = {
        0x45, 0x20, 0x56, 0x00, 0x54, 0x00, 0x02, 0x00, 0x20, 0x00, 0x46, 0x20,
        1, 0, 0, 0,                          // one top-level node
        1, 0, 0, 0, 25 + 13, 0, 0, 0,        // node chunk
        2, 0, 0, 0, 17, 0, 0, 0,             // base chunk
        0, 0, 0, 0, 18, 0, 0, 0, 0x81, 0x00, 50, 0, 0, 0, 0, 0, 0,
        3, 0, 0, 0, 5, 0, 0, 0,              // caption chunk, odd size
        0x2F, 0x04, 0x31, 0x04, 0x7A,
    };
    TMemoryStream Stream;
    Stream.WriteBuffer(Bytes, sizeof Bytes);
    Stream.SetPosition(0);
    TextHost Host;
    StringTree Reader(nullptr);
    Host.Bind(Reader);
    Reader.LoadFromStream(&Stream);
    EXPECT_EQ(Reader.RootNodeCount(), 1u);
    EXPECT_EQ(Host.Stored, (std::vector<std::u16string>{u"Яб"}));
}

TEST(VTreeStrings, DrawTreeAsksTheHostForWidths)
{
    struct DrawHost {
        int Painted = 0;
        void Draw(TBaseVirtualTree*, const TVTPaintInfo&) { ++Painted; }
        void Width(TBaseVirtualTree*, TCanvas*, PVirtualNode, TColumnIndex, int& W) { W += 40; }
    } Host;
    auto Form = MakeForm(300, 200);
    auto* T = new TCustomVirtualDrawTree(Form.get());
    T->SetParent(Form.get());
    T->SetBounds(0, 0, 300, 200);
    T->OnDrawNode = TVTDrawNodeEvent(&Host, &DrawHost::Draw);
    T->OnGetNodeWidth = TVTGetNodeWidthEvent(&Host, &DrawHost::Width);
    T->SetRootNodeCount(3);
    Form->Show();
    Render(T);
    EXPECT_EQ(Host.Painted, 3);
    // The answer starts at two text margins, which the tree adds itself.
    const TRect R = T->NodeDisplayRect(T->FirstNode(), NoColumn, true);
    EXPECT_EQ(R.Width(), 40);
}

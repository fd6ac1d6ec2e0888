// The tree's window beside a QTreeView in the same run: an 800 x 600 view
// of a million rows with three text columns, texts made on demand on both
// sides (the QTreeView reads an item model that stores nothing), the same
// font. Measured: the first paint of a fresh million-node tree, a thousand
// page-downs each followed by a repaint, and the heap the view holds beyond
// its nodes. Qt is used directly here only, for the comparison.

#include "common/vtree/VTree.h"

#include "platform/forms/Forms.h"
#include "platform/winapi/Windows.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QFont>
#include <QHeaderView>
#include <QImage>
#include <QScrollBar>
#include <QTreeView>

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <cstdlib>
#include <memory>
#include <string>

namespace {

constexpr int Rows = 1000000;
constexpr int PageScrolls = 1000;

void EnsureGui()
{
    static const bool Started = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", /*overwrite=*/0);
        static int Argc = 1;
        static char Name[] = "vtree_bench";
        static char* Argv[] = {Name, nullptr};
        GuiStartup(Argc, Argv);
        return true;
    }();
    (void)Started;
}

size_t HeapInUse()
{
    return mallinfo2().uordblks;
}

// ---- the tree ----

class TextTree : public TBaseVirtualTree {
public:
    explicit TextTree(TComponent* AOwner) : TBaseVirtualTree(AOwner) {}
    int Cells = 0;

protected:
    static std::u16string TextOf(PVirtualNode Node, TColumnIndex Column)
    {
        const std::string S = "Item " + std::to_string(Node->Index) + "/" + std::to_string(Column);
        return std::u16string(S.begin(), S.end());
    }
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
        TRect R = PI.ContentRect;
        R.Left += TextMargin();
        DrawTextW(PI.Canvas->Handle(), T.data(), static_cast<int>(T.size()), R,
                  DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
        ++Cells;
    }
};

struct TreePage {
    std::unique_ptr<TForm> Form;
    TextTree* Tree = nullptr;

    TreePage()
    {
        EnsureGui();
        Form = std::make_unique<TForm>(nullptr, 0);
        Form->SetClientWidth(800);
        Form->SetClientHeight(600);
        Form->Show();
    }
    void MakeTree()
    {
        Tree = new TextTree(Form.get());
        Tree->Font()->SetName("Arial");
        Tree->Font()->SetHeight(-12);
        Tree->Header()->Font()->Assign(Tree->Font());
        for (int W : {200, 300, 300})
            Tree->Header()->Columns()->Add()->SetWidth(W);
        Tree->Header()->SetOptions(Tree->Header()->Options() + TVTHeaderOptions{hoVisible});
        Tree->SetRootNodeCount(Rows);
    }
    void ShowTree()
    {
        Tree->SetBorderStyle(bsNone);
        Tree->SetParent(Form.get());
        Tree->SetBounds(0, 0, 800, 600);
    }
    void Paint()
    {
        Tree->Invalidate();
        Tree->Update();
    }
};

void BM_TreeViewMemoryBeyondNodes(benchmark::State& State)
{
    TreePage Page;
    for (auto _ : State) {
        delete Page.Tree;
        Page.Tree = nullptr;
        const size_t Before = HeapInUse();
        Page.MakeTree();
        const size_t Nodes = HeapInUse() - Before;
        Page.ShowTree();
        State.counters["window_KiB"] = static_cast<double>(HeapInUse() - Before - Nodes) / 1024;
        Page.Paint();
        State.counters["painted_KiB"] = static_cast<double>(HeapInUse() - Before - Nodes) / 1024;
        for (int I = 0; I < 20; ++I) {
            Page.Tree->Perform(WM_VSCROLL, SB_PAGEDOWN, 0);
            Page.Tree->Update();
        }
        Page.Tree->Perform(WM_VSCROLL, SB_BOTTOM, 0);
        Page.Tree->Update();
        const size_t View = HeapInUse() - Before - Nodes;
        State.counters["nodes_MiB"] = static_cast<double>(Nodes) / (1 << 20);
        State.counters["view_KiB"] = static_cast<double>(View) / 1024;
    }
}
BENCHMARK(BM_TreeViewMemoryBeyondNodes)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_TreeFirstPaintOfMillionNodes(benchmark::State& State)
{
    TreePage Page;
    for (auto _ : State) {
        State.PauseTiming();
        delete Page.Tree;
        Page.MakeTree();
        State.ResumeTiming();
        Page.ShowTree();
        Page.Paint();
    }
    if (Page.Tree->Cells == 0)
        State.SkipWithError("the tree painted no cells");
    State.counters["rows"] = Rows;
}
BENCHMARK(BM_TreeFirstPaintOfMillionNodes)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_TreePageScrollRepaint(benchmark::State& State)
{
    TreePage Page;
    Page.MakeTree();
    Page.ShowTree();
    Page.Paint();
    for (auto _ : State) {
        Page.Tree->SetScrollOffset({0, 0});
        for (int I = 0; I < PageScrolls; ++I) {
            Page.Tree->Perform(WM_VSCROLL, SB_PAGEDOWN, 0);
            Page.Tree->Update();
        }
    }
    if (Page.Tree->OffsetY() != -PageScrolls * Page.Tree->ClientHeight())
        State.SkipWithError("the tree did not scroll a page at a time");
    State.SetItemsProcessed(State.iterations() * PageScrolls);
}
BENCHMARK(BM_TreePageScrollRepaint)->Unit(benchmark::kMillisecond);

// ---- the QTreeView peer ----

class OnDemandModel : public QAbstractItemModel {
public:
    QModelIndex index(int Row, int Column, const QModelIndex& Parent) const override
    {
        return Parent.isValid() ? QModelIndex() : createIndex(Row, Column);
    }
    QModelIndex parent(const QModelIndex&) const override { return {}; }
    int rowCount(const QModelIndex& Parent) const override { return Parent.isValid() ? 0 : Rows; }
    int columnCount(const QModelIndex&) const override { return 3; }
    QVariant data(const QModelIndex& Index, int Role) const override
    {
        if (Role != Qt::DisplayRole)
            return {};
        return QStringLiteral("Item %1/%2").arg(Index.row()).arg(Index.column());
    }
};

struct QtPage {
    OnDemandModel Model;
    std::unique_ptr<QTreeView> View;

    void Make()
    {
        EnsureGui();
        View = std::make_unique<QTreeView>();
        QFont Font(QStringLiteral("Liberation Sans"));
        Font.setPixelSize(12);
        View->setFont(Font);
        View->setUniformRowHeights(true);
        View->setRootIsDecorated(false);
        View->setModel(&Model);
        View->header()->resizeSection(0, 200);
        View->header()->resizeSection(1, 300);
        View->header()->resizeSection(2, 300);
        View->resize(800, 600);
    }
    // Rendered into an image: on the offscreen platform repaint() may
    // return without painting.
    QImage Image{800, 600, QImage::Format_RGB32};
    void Paint() { View->viewport()->render(&Image); }
};

void BM_QTreeViewFirstPaintOfMillionRows(benchmark::State& State)
{
    QtPage Page;
    for (auto _ : State) {
        State.PauseTiming();
        Page.View.reset();
        State.ResumeTiming();
        Page.Make();
        Page.View->show();
        Page.Paint();
    }
}
BENCHMARK(BM_QTreeViewFirstPaintOfMillionRows)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_QTreeViewPageScrollRepaint(benchmark::State& State)
{
    QtPage Page;
    Page.Make();
    Page.View->show();
    Page.Paint();
    QScrollBar* Bar = Page.View->verticalScrollBar();
    for (auto _ : State) {
        Bar->setValue(0);
        for (int I = 0; I < PageScrolls; ++I) {
            Bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
            Page.Paint();
        }
    }
    if (Bar->value() == 0)
        State.SkipWithError("the view did not scroll");
    State.SetItemsProcessed(State.iterations() * PageScrolls);
}
BENCHMARK(BM_QTreeViewPageScrollRepaint)->Unit(benchmark::kMillisecond);

} // namespace

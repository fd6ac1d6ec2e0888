// The tree's window beside a QTreeView in the same run: an 800 x 600 view
// of a million rows with three text columns, texts made on demand on both
// sides (the QTreeView reads an item model that stores nothing), the same
// font. Measured alike on both sides: building (the tree's million nodes;
// the view, its model and the view's layout of its million rows) with the
// first paint, the first paint alone of what was built, a thousand
// page-downs each followed by a repaint, and the heap the view holds beyond
// its nodes. Qt is used directly here only, for the comparison.

#include "bench/common/vtree/TreeBenchKit.h"
#include "bench/support/ColdRun.h"
#include "bench/support/PeakMemory.h"

#include <QScrollBar>
#include <QTreeView>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

using tree_bench::QtPage;
using tree_bench::Rows;
using tree_bench::TreePage;

constexpr int PageScrolls = 1000;

// ---- the tree ----

void BM_TreeViewMemoryBeyondNodes(benchmark::State& State)
{
    TreePage Page;
    for (auto _ : State) {
        delete Page.Tree;
        Page.Tree = nullptr;
        const size_t Before = MemoryInUse();
        Page.MakeTree();
        const size_t Nodes = MemoryInUse() - Before;
        Page.ShowTree();
        State.counters["window_KiB"] = static_cast<double>(MemoryInUse() - Before - Nodes) / 1024;
        Page.Paint();
        State.counters["painted_KiB"] = static_cast<double>(MemoryInUse() - Before - Nodes) / 1024;
        for (int I = 0; I < 20; ++I) {
            Page.Tree->Perform(WM_VSCROLL, SB_PAGEDOWN, 0);
            Page.Tree->Update();
        }
        Page.Tree->Perform(WM_VSCROLL, SB_BOTTOM, 0);
        Page.Tree->Update();
        const size_t View = MemoryInUse() - Before - Nodes;
        State.counters["nodes_MiB"] = static_cast<double>(Nodes) / (1 << 20);
        State.counters["view_KiB"] = static_cast<double>(View) / 1024;
    }
}
BENCHMARK(BM_TreeViewMemoryBeyondNodes)->Unit(benchmark::kMillisecond)->Iterations(1);

/// The first build and paint of a process: its form is shown already.
void ColdTreeBuildAndFirstPaint(ColdClock& Clock, long /*Arg*/)
{
    TreePage Page;
    Clock.Start();
    Page.BuildAndPaint();
    Clock.Stop();
}
const bool ColdTreeRegistered = RegisterColdRun("TreeBuildAndFirstPaint", ColdTreeBuildAndFirstPaint);

void BM_TreeBuildAndFirstPaint(benchmark::State& State)
{
    ReportColdFirstRun(State, "TreeBuildAndFirstPaint");
    TreePage Page;
    for (auto _ : State) {
        State.PauseTiming();
        delete Page.Tree;
        State.ResumeTiming();
        Page.BuildAndPaint();
    }
    if (Page.Tree->Cells == 0)
        State.SkipWithError("the tree painted no cells");
    State.counters["rows"] = Rows;
}
BENCHMARK(BM_TreeBuildAndFirstPaint)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_TreeFirstPaintOfBuiltNodes(benchmark::State& State)
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
BENCHMARK(BM_TreeFirstPaintOfBuiltNodes)->Unit(benchmark::kMillisecond)->Iterations(10);

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

/// The first build and paint of a process: the image to paint into is
/// made already, like the tree's shown form.
void ColdQTreeViewBuildAndFirstPaint(ColdClock& Clock, long /*Arg*/)
{
    tree_bench::EnsureGui();
    QtPage Page;
    Clock.Start();
    Page.BuildAndPaint();
    Clock.Stop();
}
const bool ColdQTreeViewRegistered =
    RegisterColdRun("QTreeViewBuildAndFirstPaint", ColdQTreeViewBuildAndFirstPaint);

void BM_QTreeViewBuildAndFirstPaint(benchmark::State& State)
{
    ReportColdFirstRun(State, "QTreeViewBuildAndFirstPaint");
    std::unique_ptr<QtPage> Page;
    for (auto _ : State) {
        State.PauseTiming();
        Page = std::make_unique<QtPage>();
        State.ResumeTiming();
        Page->BuildAndPaint();
    }
    if (Page->Model.Asked == 0)
        State.SkipWithError("the view painted no cells");
}
BENCHMARK(BM_QTreeViewBuildAndFirstPaint)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_QTreeViewFirstPaintOfLaidOutRows(benchmark::State& State)
{
    std::unique_ptr<QtPage> Page;
    for (auto _ : State) {
        State.PauseTiming();
        Page = std::make_unique<QtPage>();
        Page->Make();
        // The view's own structure of its rows, the counterpart of the
        // tree's nodes, is made before the clock runs.
        Page->View->doItemsLayout();
        State.ResumeTiming();
        Page->View->show();
        Page->Paint();
    }
    if (Page->Model.Asked == 0)
        State.SkipWithError("the view painted no cells");
}
BENCHMARK(BM_QTreeViewFirstPaintOfLaidOutRows)->Unit(benchmark::kMillisecond)->Iterations(10);

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

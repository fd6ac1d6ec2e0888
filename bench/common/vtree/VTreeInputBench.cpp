// Keys, hot tracking and incremental search on the tree's window beside a
// QTreeView in the same run, both 800 x 600 over a million rows with texts
// made on demand: Down, Page Down, Ctrl+End (with Ctrl+Home back) and
// Shift+Page Down, each handled and repainted; a mouse move that changes
// the hot row, repainted; and a search that reads every one of the million
// texts without a match (the tree's incremental search against
// QTreeView::keyboardSearch).

#include "bench/common/vtree/TreeBenchKit.h"

#include "platform/forms/InputSimulation.h"
#include "platform/winapi/Messages.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTreeView>

#include <benchmark/benchmark.h>

namespace {

using tree_bench::QtPage;
using tree_bench::Rows;
using tree_bench::TreePage;

struct KeyPage : TreePage {
    KeyPage()
    {
        MakeTree();
        ShowTree();
        Tree->SetFocus();
        Paint();
    }
    void Key(Word Vk, TShiftState Shift = {})
    {
        SetKeyStateForTest(VK_SHIFT, Shift.Contains(ssShift));
        SetKeyStateForTest(VK_CONTROL, Shift.Contains(ssCtrl));
        Tree->Perform(WM_KEYDOWN, Vk, 0);
        Tree->Update();
        SetKeyStateForTest(VK_SHIFT, false);
        SetKeyStateForTest(VK_CONTROL, false);
    }
};

void TreeKeyBench(benchmark::State& State, Word Vk, TShiftState Shift, bool Back)
{
    KeyPage Page;
    Page.Tree->TreeOptions()->SetSelectionOptions({toMultiSelect});
    Page.Key(VK_DOWN);
    for (auto _ : State) {
        if (Page.Tree->FocusedNode() == Page.Tree->LastVisibleNode()) {
            State.PauseTiming();
            Page.Key(VK_HOME);
            State.ResumeTiming();
        }
        Page.Key(Vk, Shift);
        if (Back)
            Page.Key(VK_HOME, Shift);
    }
    State.SetItemsProcessed(State.iterations() * (Back ? 2 : 1));
    if (Page.Tree->Cells == 0)
        State.SkipWithError("the tree painted nothing");
}

void BM_TreeKeyDown(benchmark::State& State)
{
    TreeKeyBench(State, VK_DOWN, {}, false);
}
BENCHMARK(BM_TreeKeyDown)->Unit(benchmark::kMicrosecond);

void BM_TreeKeyPageDown(benchmark::State& State)
{
    TreeKeyBench(State, VK_NEXT, {}, false);
}
BENCHMARK(BM_TreeKeyPageDown)->Unit(benchmark::kMicrosecond);

void BM_TreeKeyCtrlEndAndHome(benchmark::State& State)
{
    TreeKeyBench(State, VK_END, {ssCtrl}, true);
}
BENCHMARK(BM_TreeKeyCtrlEndAndHome)->Unit(benchmark::kMicrosecond);

void BM_TreeKeyShiftPageDown(benchmark::State& State)
{
    TreeKeyBench(State, VK_NEXT, {ssShift}, false);
}
BENCHMARK(BM_TreeKeyShiftPageDown)->Unit(benchmark::kMicrosecond);

void BM_TreeHotTrackMove(benchmark::State& State)
{
    KeyPage Page;
    Page.Tree->TreeOptions()->SetPaintOptions(Page.Tree->TreeOptions()->PaintOptions() +
                                              TVTPaintOptions{toHotTrack});
    Page.Tree->TreeOptions()->SetSelectionOptions({toFullRowSelect});
    const int H = static_cast<int>(Page.Tree->DefaultNodeHeight());
    int Row = 0;
    for (auto _ : State) {
        Row = (Row + 1) % 20;
        Page.Tree->Perform(WM_MOUSEMOVE, 0, MakeLParam(100, Row * H + H / 2));
        Page.Tree->Update();
    }
    if (!Page.Tree->HotNode())
        State.SkipWithError("no hot node");
}
BENCHMARK(BM_TreeHotTrackMove)->Unit(benchmark::kMicrosecond);

void BM_TreeIncrementalSearchWithoutMatch(benchmark::State& State)
{
    KeyPage Page;
    Page.Tree->SetIncrementalSearch(isAll);
    Page.Tree->SetIncrementalSearchStart(ssAlwaysStartOver);
    // Every node initialised once first, as after the first search.
    Page.Tree->Perform(WM_KEYDOWN, 'Z', 0);
    Page.Tree->Perform(WM_CHAR, 'z', 0);
    for (auto _ : State) {
        Page.Tree->Perform(WM_KEYDOWN, 'Z', 0);
        Page.Tree->Perform(WM_CHAR, 'z', 0);
    }
    if (Page.Tree->FocusedNode())
        State.SkipWithError("something matched");
    State.counters["texts"] = Rows;
}
BENCHMARK(BM_TreeIncrementalSearchWithoutMatch)->Unit(benchmark::kMillisecond);

// ---- the QTreeView peer ----

struct QtKeyPage : QtPage {
    QtKeyPage()
    {
        Make();
        View->setSelectionMode(QAbstractItemView::ExtendedSelection);
        View->show();
        View->setFocus();
        View->setCurrentIndex(Model.index(0, 0, {}));
        Paint();
    }
    void Key(int Key, Qt::KeyboardModifiers Modifiers = Qt::NoModifier)
    {
        QKeyEvent Press(QEvent::KeyPress, Key, Modifiers);
        QApplication::sendEvent(View.get(), &Press);
        Paint();
    }
};

void QtKeyBench(benchmark::State& State, int Key, Qt::KeyboardModifiers Modifiers, bool Back)
{
    QtKeyPage Page;
    for (auto _ : State) {
        if (Page.View->currentIndex().row() == Rows - 1) {
            State.PauseTiming();
            Page.Key(Qt::Key_Home);
            State.ResumeTiming();
        }
        Page.Key(Key, Modifiers);
        if (Back)
            Page.Key(Qt::Key_Home, Modifiers);
    }
    State.SetItemsProcessed(State.iterations() * (Back ? 2 : 1));
}

void BM_QTreeViewKeyDown(benchmark::State& State)
{
    QtKeyBench(State, Qt::Key_Down, Qt::NoModifier, false);
}
BENCHMARK(BM_QTreeViewKeyDown)->Unit(benchmark::kMicrosecond);

void BM_QTreeViewKeyPageDown(benchmark::State& State)
{
    QtKeyBench(State, Qt::Key_PageDown, Qt::NoModifier, false);
}
BENCHMARK(BM_QTreeViewKeyPageDown)->Unit(benchmark::kMicrosecond);

void BM_QTreeViewKeyCtrlEndAndHome(benchmark::State& State)
{
    QtKeyBench(State, Qt::Key_End, Qt::ControlModifier, true);
}
BENCHMARK(BM_QTreeViewKeyCtrlEndAndHome)->Unit(benchmark::kMicrosecond);

void BM_QTreeViewKeyShiftPageDown(benchmark::State& State)
{
    QtKeyBench(State, Qt::Key_PageDown, Qt::ShiftModifier, false);
}
BENCHMARK(BM_QTreeViewKeyShiftPageDown)->Unit(benchmark::kMicrosecond);

void BM_QTreeViewHoverMove(benchmark::State& State)
{
    QtKeyPage Page;
    Page.View->setMouseTracking(true);
    Page.View->viewport()->setAttribute(Qt::WA_Hover);
    const int H = Page.View->sizeHintForRow(0);
    int Row = 0;
    for (auto _ : State) {
        Row = (Row + 1) % 20;
        const QPointF P(100, Row * H + H / 2);
        QMouseEvent Move(QEvent::MouseMove, P, Page.View->viewport()->mapToGlobal(P),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(Page.View->viewport(), &Move);
        QHoverEvent Hover(QEvent::HoverMove, P, Page.View->viewport()->mapToGlobal(P), P);
        QApplication::sendEvent(Page.View->viewport(), &Hover);
        Page.Paint();
    }
}
BENCHMARK(BM_QTreeViewHoverMove)->Unit(benchmark::kMicrosecond);

void BM_QTreeViewKeyboardSearchWithoutMatch(benchmark::State& State)
{
    QtKeyPage Page;
    for (auto _ : State)
        Page.View->keyboardSearch(QStringLiteral("z"));
    if (Page.View->currentIndex().row() != 0)
        State.SkipWithError("something matched");
    State.counters["texts"] = Rows;
}
BENCHMARK(BM_QTreeViewKeyboardSearchWithoutMatch)->Unit(benchmark::kMillisecond);

} // namespace

// The string tree over a million top-level nodes whose texts come from
// OnGetText ("Item <index>/<column>", made on demand): the first paint of
// an 800 x 600 window, a column's content width (the auto-fit), and saving
// and loading the million nodes with their captions, exports and a copy and
// paste of 100,000 nodes. The QTreeView peer's first paint is
// BM_QTreeViewFirstPaintOfMillionRows in the same binary.

#include "bench/common/vtree/TreeBenchKit.h"

#include <QMimeData>
#include <QStandardItemModel>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <string>

#include <malloc.h>

namespace {

using tree_bench::ItemText;
using tree_bench::Rows;

/// The host of the texts: makes them on demand and counts the asks;
/// stores nothing on OnNewText (a load brings a million captions).
struct TextHost {
    int64_t Asked = 0;
    int64_t Stored = 0;
    void GetText(TBaseVirtualTree*, PVirtualNode Node, TColumnIndex Column, TVSTTextType,
                 std::u16string& Text)
    {
        char Buffer[32];
        const int N = ItemText(Buffer, Node->Index, Column);
        Text.assign(Buffer, Buffer + N);
        ++Asked;
    }
    void NewText(TBaseVirtualTree*, PVirtualNode, TColumnIndex, const std::u16string& Text)
    {
        Stored += !Text.empty();
    }
};

struct StringPage {
    std::unique_ptr<TForm> Form;
    TVirtualStringTree* Tree = nullptr;
    TextHost Host;

    StringPage()
    {
        tree_bench::EnsureGui();
        Form = std::make_unique<TForm>(nullptr, 0);
        Form->SetClientWidth(800);
        Form->SetClientHeight(600);
        Form->Show();
    }
    void MakeTree(Cardinal Count = Rows)
    {
        delete Tree;
        Tree = new TVirtualStringTree(Form.get());
        Tree->Font()->SetName("Arial");
        Tree->Font()->SetHeight(-12);
        Tree->Header()->Font()->Assign(Tree->Font());
        for (int W : {200, 300, 300})
            Tree->Header()->Columns()->Add()->SetWidth(W);
        Tree->Header()->SetOptions(Tree->Header()->Options() + TVTHeaderOptions{hoVisible});
        Tree->OnGetText = TVSTGetTextEvent(&Host, &TextHost::GetText);
        Tree->OnNewText = TVSTNewTextEvent(&Host, &TextHost::NewText);
        Tree->SetRootNodeCount(Count);
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

void BM_StringTreeFirstPaintOfMillionNodes(benchmark::State& State)
{
    StringPage Page;
    for (auto _ : State) {
        State.PauseTiming();
        Page.MakeTree();
        Page.Host.Asked = 0;
        State.ResumeTiming();
        Page.ShowTree();
        Page.Paint();
    }
    if (Page.Host.Asked == 0)
        State.SkipWithError("no text was asked for");
    State.counters["texts_asked"] = static_cast<double>(Page.Host.Asked);
}
BENCHMARK(BM_StringTreeFirstPaintOfMillionNodes)->Unit(benchmark::kMillisecond)->Iterations(10);

// The auto-fit's width: the widest text of the column over the shown nodes.
// Arg 0: the main column (its widths cached after the first fit), 1: another
// column (measured every time). Arg of nodes: the tree's size.
void BM_StringTreeColumnContentWidth(benchmark::State& State)
{
    StringPage Page;
    Page.MakeTree(static_cast<Cardinal>(State.range(1)));
    Page.ShowTree();
    Page.Paint();
    const TColumnIndex Column = static_cast<TColumnIndex>(State.range(0));
    int Width = 0;
    for (auto _ : State)
        benchmark::DoNotOptimize(Width = Page.Tree->ColumnContentWidth(Column));
    if (Width <= 0)
        State.SkipWithError("no width");
}
BENCHMARK(BM_StringTreeColumnContentWidth)
    ->Args({0, 30})
    ->Args({1, 30})
    ->Args({0, Rows})
    ->Args({1, Rows})
    ->Unit(benchmark::kMillisecond);

// Arg 0: into a fresh memory stream (as SaveToFile makes it: the growing
// buffer's fresh pages are part of the cost); 1: into a stream whose memory
// is already there (the tree's own work).
void BM_StringTreeSaveMillionCaptions(benchmark::State& State)
{
    StringPage Page;
    Page.MakeTree();
    TMemoryStream Stream;
    Page.Tree->SaveToStream(&Stream);
    for (auto _ : State) {
        if (State.range(0) == 0)
            Stream.Clear();
        Stream.SetPosition(0);
        Page.Tree->SaveToStream(&Stream);
    }
    State.counters["MiB"] = static_cast<double>(Stream.Size()) / (1 << 20);
}
BENCHMARK(BM_StringTreeSaveMillionCaptions)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)
    ->Iterations(3);

void BM_StringTreeLoadMillionCaptions(benchmark::State& State)
{
    StringPage Page;
    Page.MakeTree();
    TMemoryStream Stream;
    Page.Tree->SaveToStream(&Stream);
    for (auto _ : State) {
        Stream.SetPosition(0);
        Page.Host.Stored = 0;
        Page.Tree->LoadFromStream(&Stream);
    }
    if (Page.Host.Stored != Rows || Page.Tree->RootNodeCount() != Rows)
        State.SkipWithError("the captions did not all come back");
}
BENCHMARK(BM_StringTreeLoadMillionCaptions)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

namespace {

// 100,000 nodes x 3 columns exported. Arg: 0 HTML, 1 RTF, 2 tab text,
// 3 UTF-16 text.
void BM_StringTreeExport(benchmark::State& State)
{
    StringPage Page;
    Page.MakeTree(100000);
    Page.ShowTree();
    size_t Size = 0;
    for (auto _ : State) {
        switch (State.range(0)) {
        case 0: Size = Page.Tree->ContentToHTML(tstAll).Std().size(); break;
        case 1: Size = Page.Tree->ContentToRTF(tstAll).Std().size(); break;
        case 2: Size = Page.Tree->ContentToText(tstAll, '\t').Std().size(); break;
        default: Size = Page.Tree->ContentToUnicode(tstAll, u'\t').size() * 2; break;
        }
        benchmark::DoNotOptimize(Size);
    }
    if (Size < 100000)
        State.SkipWithError("the export is too short");
    State.counters["MiB"] = static_cast<double>(Size) / (1 << 20);
}
BENCHMARK(BM_StringTreeExport)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

}  // namespace

namespace {

// 100,000 selected nodes with their captions copied to the clipboard and
// pasted into a second tree. The counters: the node stream's size and the
// heap the copy keeps while it waits on the clipboard, as a ratio of it.
void BM_StringTreeCopyAndPaste(benchmark::State& State)
{
    constexpr Cardinal Count = 100000;
    StringPage Page;
    Page.MakeTree(Count);
    Page.ShowTree();
    Page.Tree->TreeOptions()->SetSelectionOptions({toMultiSelect});
    Page.Tree->SelectAll(false);
    TVirtualStringTree* Target = new TVirtualStringTree(Page.Form.get());
    TextHost TargetHost;
    Target->OnGetText = TVSTGetTextEvent(&TargetHost, &TextHost::GetText);
    Target->OnNewText = TVSTNewTextEvent(&TargetHost, &TextHost::NewText);
    double Kept = 0;
    for (auto _ : State) {
        State.PauseTiming();
        Target->Clear();
        TargetHost.Stored = 0;
        Page.Tree->CancelCutOrCopy();
        const size_t Before = mallinfo2().uordblks;
        State.ResumeTiming();
        Page.Tree->CopyToClipboard();
        State.PauseTiming();
        Kept = static_cast<double>(mallinfo2().uordblks - Before);
        State.ResumeTiming();
        Target->PasteFromClipboard();
    }
    // The node stream of the copy, as the clipboard gives it.
    size_t Stream = 0;
    IDataObject* Raw = nullptr;
    if (OleGetClipboard(&Raw) == S_OK && Raw) {
        const auto Data = InterfacePtr<IDataObject>::Attach(Raw);
        FORMATETC F;
        F.cfFormat = CF_VIRTUALTREE();
        STGMEDIUM M;
        if (Data->GetData(F, M) == S_OK) {
            Stream = GlobalSize(M.hGlobal) - 4;
            ReleaseStgMedium(M);
        }
    }
    if (Target->RootNodeCount() != Count || TargetHost.Stored != Count || Stream == 0) {
        State.SkipWithError("the nodes did not all arrive");
    }
    State.counters["stream_MiB"] = static_cast<double>(Stream) / (1 << 20);
    State.counters["kept_per_stream"] = Kept / static_cast<double>(std::max<size_t>(Stream, 1));
}
BENCHMARK(BM_StringTreeCopyAndPaste)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

namespace {

// The peer: the same 100,000 rows of three texts copied from one
// QStandardItemModel and dropped into another through Qt's own item MIME
// data (all rows encoded, then decoded into new items).
void BM_QStandardItemModelCopyAndPaste(benchmark::State& State)
{
    constexpr int Count = 100000;
    tree_bench::EnsureGui();
    QStandardItemModel From(Count, 3);
    for (int R = 0; R < Count; ++R)
        for (int C = 0; C < 3; ++C) {
            char Buffer[32];
            const int N = ItemText(Buffer, static_cast<Cardinal>(R), C);
            From.setItem(R, C, new QStandardItem(QString::fromLatin1(Buffer, N)));
        }
    QModelIndexList All;
    for (int R = 0; R < Count; ++R)
        for (int C = 0; C < 3; ++C)
            All.append(From.index(R, C));
    int Rows = 0;
    for (auto _ : State) {
        QStandardItemModel To(0, 3);
        std::unique_ptr<QMimeData> Data(From.mimeData(All));
        To.dropMimeData(Data.get(), Qt::CopyAction, 0, 0, QModelIndex());
        Rows = To.rowCount();
        State.PauseTiming();
        // The target's items are freed outside the timing.
        To.clear();
        State.ResumeTiming();
    }
    if (Rows != Count)
        State.SkipWithError("the rows did not all arrive");
}
BENCHMARK(BM_QStandardItemModelCopyAndPaste)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

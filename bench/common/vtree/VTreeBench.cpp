// The tree's node engine at the sizes it exists for: a million top-level
// nodes made on demand, a 1000 x 1000 tree opened and closed, lookups by
// position and by node once the position cache exists, selecting all,
// sorting a million siblings, and saving and loading a million nodes.
// Each benchmark prints its time; the memory ones also the process's peak
// resident size and the bytes the tree holds per node.

#include "bench/support/PeakMemory.h"
#include "common/vtree/VTree.h"

#include "platform/classes/Streams.h"

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <cstring>
#include <random>

namespace {

double PeakMiB()
{
    rusage Usage{};
    getrusage(RUSAGE_SELF, &Usage);
    return static_cast<double>(Usage.ru_maxrss) / 1024.0;
}

// A host that answers texts on demand: the text of a node is made from its
// index when asked, nothing is stored.
struct TextHost {
    int Asked = 0;
    void Init(TBaseVirtualTree*, PVirtualNode, PVirtualNode, TVirtualNodeInitStates&) { ++Asked; }
};

void BM_RootNodeCount(benchmark::State& State)
{
    const Cardinal Count = static_cast<Cardinal>(State.range(0));
    double BytesPerNode = 0;
    for (auto _ : State) {
        State.PauseTiming();
        auto Tree = std::make_unique<TBaseVirtualTree>(nullptr);
        TextHost Host;
        Tree->OnInitNode = TVTInitNodeEvent(&Host, &TextHost::Init);
        const size_t Before = MemoryInUse();
        State.ResumeTiming();
        Tree->SetRootNodeCount(Count);
        State.PauseTiming();
        BytesPerNode = static_cast<double>(MemoryInUse() - Before) / Count;
        if (Tree->TotalCount() != Count)
            State.SkipWithError("the nodes were not made");
        Tree.reset();
        State.ResumeTiming();
    }
    State.counters["bytes_per_node"] = BytesPerNode;
    State.counters["peak_MiB"] = PeakMiB();
}
BENCHMARK(BM_RootNodeCount)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(5);

std::unique_ptr<TBaseVirtualTree> SquareTree(Cardinal Side)
{
    auto Tree = std::make_unique<TBaseVirtualTree>(nullptr);
    Tree->LockUpdates();
    Tree->SetRootNodeCount(Side);
    for (PVirtualNode Run = Tree->FirstNodeRaw(); Run; Run = Run->NextSibling)
        Tree->SetChildCount(Run, Side);
    Tree->UnlockUpdates();
    return Tree;
}

void BM_BuildSquareTree(benchmark::State& State)
{
    const Cardinal Side = static_cast<Cardinal>(State.range(0));
    for (auto _ : State) {
        auto Tree = SquareTree(Side);
        benchmark::DoNotOptimize(Tree->TotalCount());
        State.PauseTiming();
        Tree.reset();
        State.ResumeTiming();
    }
}
BENCHMARK(BM_BuildSquareTree)->Arg(1000)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_ExpandAll(benchmark::State& State)
{
    const Cardinal Side = static_cast<Cardinal>(State.range(0));
    for (auto _ : State) {
        State.PauseTiming();
        auto Tree = SquareTree(Side);
        State.ResumeTiming();
        Tree->ExpandAll();
        State.PauseTiming();
        if (Tree->VisibleCount() != Side * Side + Side)
            State.SkipWithError("not every node shows");
        Tree.reset();
        State.ResumeTiming();
    }
}
BENCHMARK(BM_ExpandAll)->Arg(1000)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_CollapseAll(benchmark::State& State)
{
    const Cardinal Side = static_cast<Cardinal>(State.range(0));
    for (auto _ : State) {
        State.PauseTiming();
        auto Tree = SquareTree(Side);
        Tree->ExpandAll();
        State.ResumeTiming();
        Tree->CollapseAll();
        State.PauseTiming();
        if (Tree->VisibleCount() != Side)
            State.SkipWithError("nodes still open");
        Tree.reset();
        State.ResumeTiming();
    }
}
BENCHMARK(BM_CollapseAll)->Arg(1000)->Unit(benchmark::kMillisecond)->Iterations(5);

std::unique_ptr<TBaseVirtualTree> FlatTree(Cardinal Count)
{
    auto Tree = std::make_unique<TBaseVirtualTree>(nullptr);
    Tree->SetRootNodeCount(Count);
    return Tree;
}

void BM_ValidateCache(benchmark::State& State)
{
    auto Tree = FlatTree(static_cast<Cardinal>(State.range(0)));
    PVirtualNode Node = Tree->FirstNodeRaw();
    Cardinal Height = 20;
    for (auto _ : State) {
        // A height change drops the cache; the next lookup rebuilds it.
        Tree->SetNodeHeight(Node, Height = Height == 20 ? 21 : 20);
        Tree->ValidateCache();
    }
    State.counters["entries"] = static_cast<double>(Tree->PositionCache().size());
}
BENCHMARK(BM_ValidateCache)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_NodeAtPosition(benchmark::State& State)
{
    auto Tree = FlatTree(static_cast<Cardinal>(State.range(0)));
    Tree->ValidateCache();
    const int Height = Tree->RangeY() > 0 ? Tree->RangeY() : static_cast<int>(State.range(0) * 18);
    std::mt19937 Rng(1);
    std::uniform_int_distribution<int> Y(0, Height - 1);
    for (auto _ : State) {
        int Top = 0;
        benchmark::DoNotOptimize(Tree->NodeAtPosition(0, Y(Rng), false, Top));
    }
    int Top = 0;
    if (Tree->NodeAtPosition(0, 18 * 500000 + 3, false, Top)->Index != 500000)
        State.SkipWithError("wrong node");
}
BENCHMARK(BM_NodeAtPosition)->Arg(1000000)->Unit(benchmark::kMicrosecond);

void BM_NodeDisplayRect(benchmark::State& State)
{
    const Cardinal Count = static_cast<Cardinal>(State.range(0));
    auto Tree = FlatTree(Count);
    std::vector<PVirtualNode> Nodes;
    Nodes.reserve(Count);
    for (PVirtualNode Run = Tree->FirstNodeRaw(); Run; Run = Run->NextSibling)
        Nodes.push_back(Run);
    for (PVirtualNode Node : Nodes)
        Node->Include(vsInitialized);
    Tree->ValidateCache();
    std::mt19937 Rng(2);
    std::uniform_int_distribution<size_t> Pick(0, Nodes.size() - 1);
    for (auto _ : State)
        benchmark::DoNotOptimize(Tree->NodeDisplayRect(Nodes[Pick(Rng)], NoColumn, false));
    if (Tree->NodeDisplayRect(Nodes[700000], NoColumn, false).Top != 700000 * 18)
        State.SkipWithError("wrong top");
}
BENCHMARK(BM_NodeDisplayRect)->Arg(1000000)->Unit(benchmark::kMicrosecond);

void BM_SelectAll(benchmark::State& State)
{
    const Cardinal Count = static_cast<Cardinal>(State.range(0));
    auto Tree = FlatTree(Count);
    Tree->TreeOptions()->SetSelectionOptions({toMultiSelect});
    for (auto _ : State) {
        Tree->SelectAll(false);
        State.PauseTiming();
        if (Tree->SelectedCount() != Count)
            State.SkipWithError("not all selected");
        Tree->UnselectAll();
        State.ResumeTiming();
    }
}
BENCHMARK(BM_SelectAll)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_UnselectAll(benchmark::State& State)
{
    const Cardinal Count = static_cast<Cardinal>(State.range(0));
    auto Tree = FlatTree(Count);
    Tree->TreeOptions()->SetSelectionOptions({toMultiSelect});
    for (auto _ : State) {
        State.PauseTiming();
        Tree->SelectAll(false);
        State.ResumeTiming();
        Tree->UnselectAll();
    }
    if (Tree->SelectedCount() != 0)
        State.SkipWithError("still selected");
}
BENCHMARK(BM_UnselectAll)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(5);

// Sorting by text: each node keeps a 12-character key in its host data;
// the comparison is a byte-wise string compare of the keys.
struct SortHost {
    TBaseVirtualTree* Tree = nullptr;
    void Compare(TBaseVirtualTree*, PVirtualNode A, PVirtualNode B, TColumnIndex, int& Result)
    {
        Result = std::strcmp(static_cast<const char*>(Tree->GetNodeData(A)),
                             static_cast<const char*>(Tree->GetNodeData(B)));
    }
};

void BM_SortSiblings(benchmark::State& State)
{
    const Cardinal Count = static_cast<Cardinal>(State.range(0));
    SortHost Host;
    for (auto _ : State) {
        State.PauseTiming();
        auto Tree = std::make_unique<TBaseVirtualTree>(nullptr);
        Host.Tree = Tree.get();
        Tree->SetNodeDataSize(16);
        Tree->OnCompareNodes = TVTCompareEvent(&Host, &SortHost::Compare);
        Tree->SetRootNodeCount(Count);
        std::mt19937 Rng(3);
        for (PVirtualNode Run = Tree->FirstNodeRaw(); Run; Run = Run->NextSibling) {
            char* Key = static_cast<char*>(Tree->GetNodeData(Run));
            for (int I = 0; I < 12; ++I)
                Key[I] = static_cast<char>('a' + Rng() % 26);
            Key[12] = 0;
        }
        State.ResumeTiming();
        Tree->Sort(nullptr, 0, sdAscending, false);
        State.PauseTiming();
        for (PVirtualNode Run = Tree->FirstNodeRaw(); Run && Run->NextSibling; Run = Run->NextSibling)
            if (std::strcmp(static_cast<const char*>(Tree->GetNodeData(Run)),
                            static_cast<const char*>(Tree->GetNodeData(Run->NextSibling))) > 0) {
                State.SkipWithError("not sorted");
                break;
            }
        Tree.reset();
        State.ResumeTiming();
    }
}
BENCHMARK(BM_SortSiblings)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_SaveStream(benchmark::State& State)
{
    auto Tree = FlatTree(static_cast<Cardinal>(State.range(0)));
    Int64 Size = 0;
    for (auto _ : State) {
        TMemoryStream Stream;
        Tree->SaveToStream(&Stream);
        Size = Stream.Size();
    }
    State.counters["bytes"] = static_cast<double>(Size);
}
BENCHMARK(BM_SaveStream)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_LoadStream(benchmark::State& State)
{
    const Cardinal Count = static_cast<Cardinal>(State.range(0));
    TMemoryStream Stream;
    FlatTree(Count)->SaveToStream(&Stream);
    auto Tree = std::make_unique<TBaseVirtualTree>(nullptr);
    for (auto _ : State) {
        Stream.SetPosition(0);
        Tree->LoadFromStream(&Stream);
    }
    if (Tree->TotalCount() != Count)
        State.SkipWithError("not every node loaded");
}
BENCHMARK(BM_LoadStream)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

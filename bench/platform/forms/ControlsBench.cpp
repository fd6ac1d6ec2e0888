// Building and tearing down forms with many child controls: the cost must
// grow with the number of controls, not with its square.

#include "bench/support/BenchWindows.h"
#include "platform/forms/ComCtrls.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/rtl/Numbers.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

/// A shown 800 x 600 form, not yet holding anything.
std::unique_ptr<TForm> ShownForm()
{
    auto Form = std::make_unique<TForm>(nullptr, 0);
    Form->SetBounds(0, 0, 800, 600);
    Form->Show();
    return Form;
}

/// Count 20 x 10 panels placed by their own bounds on Form, 40 a row.
void PlacePanels(TForm& Form, int Count)
{
    for (int I = 0; I < Count; ++I) {
        auto* P = new TPanel(&Form);
        P->SetParent(&Form);
        P->SetBounds(I % 40 * 20, I / 40 * 10, 20, 10);
    }
}

// Panels stacked at the top of a shown form, made one by one as a form
// built in code makes them (no DisableAlign around the loop); reading the
// last one's place lays them out. Freeing the form is not timed.
void BM_CreateAlignedPanels(benchmark::State& State)
{
    StartBenchWindows();
    const int Count = static_cast<int>(State.range(0));
    int LastTop = 0;
    int LastWidth = 0;
    for (auto _ : State) {
        State.PauseTiming();
        auto Form = ShownForm();
        State.ResumeTiming();
        TPanel* P = nullptr;
        for (int I = 0; I < Count; ++I) {
            P = new TPanel(Form.get());
            P->SetParent(Form.get());
            P->SetHeight(20);
            P->SetAlign(alTop);
        }
        LastTop = P->Top();
        State.PauseTiming();
        LastWidth = P->Width() - Form->ClientWidth();
        Form.reset();
        State.ResumeTiming();
    }
    if (LastTop % 20 != 0 || LastTop >= Count * 20 || LastWidth != 0)
        State.SkipWithError("the panels were not stacked");
    benchmark::DoNotOptimize(LastTop);
    State.SetComplexityN(Count);
}
BENCHMARK(BM_CreateAlignedPanels)->Arg(500)->Arg(1000)->Arg(2000)->Unit(benchmark::kMillisecond)->Complexity();

// Panels placed by their own bounds on a shown form.
void BM_CreatePlacedPanels(benchmark::State& State)
{
    StartBenchWindows();
    const int Count = static_cast<int>(State.range(0));
    for (auto _ : State) {
        State.PauseTiming();
        auto Form = ShownForm();
        State.ResumeTiming();
        PlacePanels(*Form, Count);
        benchmark::DoNotOptimize(Form->ControlCount());
        State.PauseTiming();
        Form.reset();
        State.ResumeTiming();
    }
    State.SetComplexityN(Count);
}
BENCHMARK(BM_CreatePlacedPanels)->Arg(500)->Arg(1000)->Arg(2000)->Unit(benchmark::kMillisecond)->Complexity();

// Freeing a form of many panels: windows, widgets and components go.
void BM_FreeFormOfPanels(benchmark::State& State)
{
    StartBenchWindows();
    const int Count = static_cast<int>(State.range(0));
    for (auto _ : State) {
        State.PauseTiming();
        auto Form = ShownForm();
        PlacePanels(*Form, Count);
        benchmark::DoNotOptimize(Form->ControlCount());
        State.ResumeTiming();
        Form.reset();
    }
    State.SetComplexityN(Count);
}
BENCHMARK(BM_FreeFormOfPanels)->Arg(500)->Arg(1000)->Arg(2000)->Unit(benchmark::kMillisecond)->Complexity();

// A shown tree view filled node by node without BeginUpdate: its scroll
// bars follow every node.
void BM_FillTreeView(benchmark::State& State)
{
    StartBenchWindows();
    const int Count = static_cast<int>(State.range(0));
    int Rows = 0;
    for (auto _ : State) {
        State.PauseTiming();
        auto Form = std::make_unique<TForm>(nullptr, 0);
        Form->SetBounds(0, 0, 400, 300);
        auto* Tree = new TTreeView(Form.get());
        Tree->SetParent(Form.get());
        Tree->SetAlign(alClient);
        Form->Show();
        State.ResumeTiming();
        TTreeNode* Group = nullptr;
        for (int I = 0; I < Count; ++I) {
            if (I % 10 == 0) {
                Group = Tree->Items()->Add(nullptr, "Group " + IntToStr(I));
                continue;
            }
            Tree->Items()->AddChild(Group, "Item " + IntToStr(I));
            if (I % 10 == 1)
                Group->Expand(false);
        }
        Rows = static_cast<int>(Tree->VisibleNodes().size());
        State.PauseTiming();
        Form.reset();
        State.ResumeTiming();
    }
    if (Rows != Count)
        State.SkipWithError("nodes are missing");
    State.SetComplexityN(Count);
}
BENCHMARK(BM_FillTreeView)->Arg(500)->Arg(1000)->Arg(2000)->Unit(benchmark::kMillisecond)->Complexity();

}  // namespace

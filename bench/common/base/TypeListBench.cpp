// An owning list taking over the objects of another (Assign), the way a
// loaded invoice replaces the rows of the one shown: the rows the list held
// are freed and the loaded ones taken over, at the size of a shop's invoice
// (10 000 rows by default).

#include "common/base/TypeList.h"

#include <benchmark/benchmark.h>

namespace {

void FillRows(T_ylOwnerList& List, int Rows)
{
    for (int I = 0; I < Rows; ++I)
        List.Add(new TObject);
}

void BM_AssignOwnerList(benchmark::State& State)
{
    const int Rows = static_cast<int>(State.range(0));
    T_ylOwnerList Shown;
    for (auto _ : State) {
        State.PauseTiming();
        Shown.Clear();
        FillRows(Shown, Rows);
        T_ylOwnerList Loaded;
        FillRows(Loaded, Rows);
        State.ResumeTiming();
        Shown.Assign(Loaded);
        benchmark::DoNotOptimize(Shown.Count());
    }
    if (Shown.Count() != Rows)
        State.SkipWithError("the rows were not taken over");
    State.SetItemsProcessed(State.iterations() * Rows);
}
BENCHMARK(BM_AssignOwnerList)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace

// Pricing and totals of a large invoice, and saving and loading its state.

#include "app/InvoiceType.h"

#include "common/base/Funcs.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>
#include <string>
#include <unistd.h>

namespace {

/// Rows with costs of 0.01 .. 5000.00 and quantities of 1 .. 20 from a fixed
/// seed, named like a shop's goods.
void FillRows(TshInvoiceTovarList& List, int N)
{
    std::mt19937 Random(20240201);
    std::uniform_int_distribution<int64_t> Cost(100, 50000000);
    std::uniform_int_distribution<int> Qty(1, 20);
    for (int I = 0; I < N; ++I) {
        TshInvoiceTovar* Row = List.Add();
        Row->PriceOpt = Currency::FromRaw(Cost(Random));
        Row->Kolvo = Currency(Qty(Random));
        Row->Name = "Холодильник NRB "_a + AnsiString(std::to_string(I));
        Row->Tip = "Холодильник"_a;
        Row->Description = "Двухкамерный, белый, класс A+"_a;
        Row->Firm = "Бирюса"_a;
        Row->Country = "Россия"_a;
        Row->Ed = "шт"_a;
    }
}

void BM_Recalc(benchmark::State& State)
{
    TshInvoiceTovarList List;
    FillRows(List, int(State.range(0)));
    for (auto _ : State)
        List.Recalc(RoundModeCoarse, true, Currency(30), Currency(10), false);
    // Checked once outside the timed loop: every row was priced.
    if (List.GetItem(0)->Markup != Currency(30))
        State.SkipWithError("rows were not priced");
    benchmark::DoNotOptimize(List.SumRetail);
}
BENCHMARK(BM_Recalc)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_CalcTotals(benchmark::State& State)
{
    TshInvoiceTovarList List;
    FillRows(List, int(State.range(0)));
    List.Recalc(RoundModeOff, true, Currency(25), Currency(5), false);
    for (auto _ : State)
        List.CalcTotals();
    if (List.SumKolvo <= Currency())
        State.SkipWithError("no totals");
    benchmark::DoNotOptimize(List.SumRetail);
}
BENCHMARK(BM_CalcTotals)->Arg(100000)->Unit(benchmark::kMillisecond);

/// A private folder for the state files, removed at the end.
struct StateDir {
    std::filesystem::path Path;
    StateDir()
    {
        std::string Pattern =
            (std::filesystem::temp_directory_path() / "pricetags-bench-XXXXXX").string();
        if (mkdtemp(Pattern.data()))
            Path = Pattern;
        else
            Path = std::filesystem::temp_directory_path();
    }
    ~StateDir() { std::filesystem::remove_all(Path); }
    AnsiString File() const { return AnsiString::FromUtf8((Path / "LastInvoice.inv").string()); }
};

void BM_SaveToFile(benchmark::State& State)
{
    StateDir Dir;
    TshInvoice Invoice(0);
    FillRows(Invoice, int(State.range(0)));
    Invoice.Recalc(RoundModeCoarse, true, Currency(30), Currency(10), false);
    for (auto _ : State)
        Invoice.SaveToFile(Dir.File());
    if (std::filesystem::file_size(Dir.Path / "LastInvoice.inv") < 100u * uintmax_t(State.range(0)))
        State.SkipWithError("state file too small");
}
BENCHMARK(BM_SaveToFile)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_LoadFromFile(benchmark::State& State)
{
    StateDir Dir;
    {
        TshInvoice Invoice(0);
        FillRows(Invoice, int(State.range(0)));
        Invoice.SaveToFile(Dir.File());
    }
    TshInvoice Loaded(0);
    for (auto _ : State)
        Loaded.LoadFromFile(Dir.File());
    if (Loaded.Count() != State.range(0))
        State.SkipWithError("rows missing after the load");
    benchmark::DoNotOptimize(Loaded.Count());
}
BENCHMARK(BM_LoadFromFile)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace

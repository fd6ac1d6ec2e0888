// Pricing and totals of a large invoice, saving and loading its state, and
// state files made to be costly (time and heap peak printed for each).

#include "app/InvoiceType.h"

#include "bench/support/PeakMemory.h"
#include "common/base/Funcs.h"
#include "platform/rtl/Exceptions.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
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

/// Saves of the state; with State.range(1) set each save changes a row
/// first (the file is written), else the state stays as saved (a state
/// file that already holds the bytes is left alone, as at most exits).
void BM_SaveToFile(benchmark::State& State)
{
    StateDir Dir;
    TshInvoice Invoice(0);
    FillRows(Invoice, int(State.range(0)));
    Invoice.Recalc(RoundModeCoarse, true, Currency(30), Currency(10), false);
    Invoice.SaveToFile(Dir.File());
    const bool Changed = State.range(1) != 0;
    int Kolvo = 1;
    for (auto _ : State) {
        if (Changed)
            Invoice.GetItem(0)->Kolvo = Currency(++Kolvo % 2 + 1);
        Invoice.SaveToFile(Dir.File());
    }
    if (std::filesystem::file_size(Dir.Path / "LastInvoice.inv") < 100u * uintmax_t(State.range(0)))
        State.SkipWithError("state file too small");
}
BENCHMARK(BM_SaveToFile)->Args({10000, 1})->Args({10000, 0})->Unit(benchmark::kMillisecond);

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

enum class HostileState { LoneEndTags, EmptyRows };

/// A state file of about Bytes bytes: an empty invoice record, then a row
/// list whose rows are lone end tags (once read as empty rows) or the
/// smallest real rows, "00 06 04 TInT FF" (8 bytes each).
std::string HostileStateBytes(HostileState Kind, int64_t Bytes, int64_t& Rows)
{
    const std::string Invoice("\x00\x06\x09shInvoice\xff", 13);
    const std::string List("\x00\x06\x04sITL", 7);
    const std::string Row = Kind == HostileState::LoneEndTags
                                ? std::string("\xff", 1)
                                : std::string("\x00\x06\x04TInT\xff", 8);
    Rows = (Bytes - 24) / int64_t(Row.size());
    std::string S = Invoice + List + "\xfe";
    for (int I = 0; I < 4; ++I)
        S += char((Rows >> (8 * I)) & 0xFF);
    S.reserve(size_t(Bytes));
    for (int64_t I = 0; I < Rows; ++I)
        S += Row;
    return S + "\xff";
}

/// Loads the file: the count of rows read, or -1 when the load was refused
/// (the load error or memory running out).
int64_t LoadHostile(const AnsiString& File)
{
    TshInvoice Invoice(0);
    try {
        Invoice.LoadFromFile(File);
    } catch (const Exception&) {
        return -1;
    } catch (const std::bad_alloc&) {
        return -1;
    }
    return Invoice.Count();
}

/// Refused either way: lone end tags are no rows, and the smallest rows
/// would take far more than ten times the file's size (the rows a file may
/// hold); the heap stays within about ten bytes per file byte and a megabyte.
void RunHostileState(benchmark::State& State, HostileState Kind)
{
    StateDir Dir;
    int64_t Rows = 0;
    const std::string Bytes = HostileStateBytes(Kind, State.range(0) << 20, Rows);
    std::ofstream(Dir.Path / "LastInvoice.inv", std::ios::binary) << Bytes;
    {
        const PeakMemoryScope Memory;
        if (LoadHostile(Dir.File()) != -1)
            State.SkipWithError("the hostile file was not refused");
        // The file itself is read whole (1x) beside the rows' bound (10x).
        if (Memory.PeakBytes() > 12 * Bytes.size() + (2 << 20))
            State.SkipWithError("more than 12 heap bytes per file byte");
        Memory.Report(State);
    }
    for (auto _ : State)
        benchmark::DoNotOptimize(LoadHostile(Dir.File()));
}

void BM_HostileStateLoneEndTags(benchmark::State& State)
{
    RunHostileState(State, HostileState::LoneEndTags);
}
void BM_HostileStateEmptyRows(benchmark::State& State)
{
    RunHostileState(State, HostileState::EmptyRows);
}
// Sizes in MiB.
BENCHMARK(BM_HostileStateLoneEndTags)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HostileStateEmptyRows)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);

}  // namespace

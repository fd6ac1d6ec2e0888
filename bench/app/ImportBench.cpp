// Speed of the invoice import on a 10 000-row supplier invoice of 8 columns
// whose sum column is a formula (about 2 MB, written by the workbook
// reader's fixture script): the whole road from the file to priced rows,
// and its analysis and import steps on a table already in memory, with the
// heap peak of one pass of the road and the process's peak resident size.
// The goal for the whole road is under 10 ms on one core and 40 MiB, and
// the first import of a program in a new process (cold_first_ms) under
// 15 ms.

#include "app/AnalizeResult.h"
#include "app/InvoiceType.h"
#include "app/ReadXLS.h"
#include "bench/support/ColdRun.h"
#include "bench/support/PeakMemory.h"
#include "common/base/Funcs.h"
#include "platform/classes/Strings.h"
#include "platform/rtl/FormatSettings.h"

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>

namespace {

AnsiString InvoiceFile()
{
    const auto Path = std::filesystem::path(PRICETAGS_BENCH_DATA) / "platform" / "sheets" / "invoice-10000x8.xls";
    return AnsiString::FromUtf8(Path.string());
}

/// The program's files (the ini with the keyword lists) in a folder of
/// their own, and Russian number settings, for the whole run. The heap is
/// the program's (BenchMain): passes keep their pages; the cold-heap pass
/// hands them back on purpose, and the cold run starts a new process.
class BenchSetup {
public:
    BenchSetup() : FSettings(RussianFormatSettings())
    {
        const auto Dir = std::filesystem::temp_directory_path() / "pricetags-import-bench";
        std::filesystem::create_directories(Dir);
        SetAppLocation(AnsiString::FromUtf8(Dir.string() + "/"), "pricetags");
    }

private:
    FormatSettingsScope FSettings;
};

/// Stops the run when the workbook does not import as written: 10 000 rows,
/// no error line, the first row 2 x 10.5.
void CheckInvoice(TshInvoice& Invoice)
{
    if (Invoice.Count() != 10000 || Invoice.GetErrors()->Count() != 0) {
        std::cerr << "the benchmark invoice imports wrong: " << Invoice.Count() << " rows, "
                  << Invoice.GetErrors()->Count() << " errors\n";
        if (Invoice.GetErrors()->Count() > 0)
            std::cerr << Invoice.GetErrors()->Strings(0).ToUtf8() << "\n";
        std::exit(1);
    }
}

/// The whole road once, its result checked (a cheap look at the counts).
void ImportAndPrice(const AnsiString& Name)
{
    TshInvoice Invoice(1);
    Invoice.LoadFromXLS(Name);
    CheckInvoice(Invoice);
    Invoice.Recalc(RoundModeCoarse, /*AllRows=*/true, Currency(30), Currency(10),
                   /*ClearMarks=*/true);
    benchmark::DoNotOptimize(Invoice.SumRetail);
}

/// The first import of a program, in a process of its own.
void ColdImport(ColdClock& Clock, long /*Arg*/)
{
    const BenchSetup Setup;
    const AnsiString Name = InvoiceFile();
    Clock.Start();
    ImportAndPrice(Name);
    Clock.Stop();
}
const bool ColdImportRegistered = RegisterColdRun("ImportWorkbook", ColdImport);

/// File to priced rows: read the workbook, analyse, import, price, total.
void BM_ImportWorkbook(benchmark::State& State)
{
    ReportColdFirstRun(State, "ImportWorkbook");
    const BenchSetup Setup;
    const AnsiString Name = InvoiceFile();
    {
        // One pass counted for the peak; the timed passes are not.
        const PeakMemoryScope Memory;
        ImportAndPrice(Name);
        Memory.Report(State);
    }
    for (auto _ : State)
        ImportAndPrice(Name);
    State.SetItemsProcessed(int64_t(State.iterations()) * 10000);
}
BENCHMARK(BM_ImportWorkbook)->Unit(benchmark::kMillisecond);

/// The same road on a heap handed back to the system before each pass, as
/// the first import of a program meets it: every page the road uses is
/// new to the process and costs a page fault. The passes above reuse the
/// pages of the pass before, as the program's later imports may.
void BM_ImportWorkbookColdHeap(benchmark::State& State)
{
    const BenchSetup Setup;
    const AnsiString Name = InvoiceFile();
    for (auto _ : State) {
        State.PauseTiming();
        malloc_trim(0);
        State.ResumeTiming();
        ImportAndPrice(Name);
    }
    State.SetItemsProcessed(int64_t(State.iterations()) * 10000);
}
BENCHMARK(BM_ImportWorkbookColdHeap)->Unit(benchmark::kMillisecond);

/// The column analysis alone on the table in memory.
void BM_AnalizeInvoice(benchmark::State& State)
{
    const BenchSetup Setup;
    Variant Table;
    int FirstColumn = 0, FirstRow = 0;
    ReadXLSToTable(InvoiceFile(), Table, FirstColumn, FirstRow);
    for (auto _ : State) {
        TAnalizeResult Analysis;
        Analysis.AnalizeInvoice(Table, nullptr);
        if (Analysis.IndexOfKind(KindLastRow) != 10000) {
            std::cerr << "the benchmark invoice analyses wrong\n";
            std::exit(1);
        }
        benchmark::DoNotOptimize(Analysis.PackedMode);
    }
    State.SetItemsProcessed(int64_t(State.iterations()) * 10001 * 8);
}
BENCHMARK(BM_AnalizeInvoice)->Unit(benchmark::kMillisecond);

/// The row import alone, the analysis done once.
void BM_ImportTable(benchmark::State& State)
{
    const BenchSetup Setup;
    Variant Table;
    int FirstColumn = 0, FirstRow = 0;
    ReadXLSToTable(InvoiceFile(), Table, FirstColumn, FirstRow);
    TAnalizeResult Analysis;
    Analysis.AnalizeInvoice(Table, nullptr);
    for (auto _ : State) {
        TshInvoice Invoice(1);
        Invoice.ImportTable(Table, Analysis);
        benchmark::DoNotOptimize(Invoice.Count());
    }
    State.SetItemsProcessed(int64_t(State.iterations()) * 10000);
}
BENCHMARK(BM_ImportTable)->Unit(benchmark::kMillisecond);

}  // namespace

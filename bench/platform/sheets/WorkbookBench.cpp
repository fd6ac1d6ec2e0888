// Speed of the workbook reader and of the import's reading through the
// automation stand-in, on a 10 000-row supplier invoice of 8 columns whose
// sum column is a formula (about 2 MB, written by the fixture script).

#include "platform/sheets/ExcelApplication.h"
#include "platform/sheets/Workbook.h"

#include "bench/support/ColdRun.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

namespace {

std::filesystem::path InvoiceFile()
{
    // The source folder, not __FILE__: the build names sources relative to
    // its own folder.
    return std::filesystem::path(PRICETAGS_BENCH_DATA) / "platform" / "sheets" / "invoice-10000x8.xls";
}

std::string InvoiceBytes()
{
    std::ifstream In(InvoiceFile(), std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(In)), std::istreambuf_iterator<char>());
}

/// Stops the run when the workbook is not read as written: 10 001 rows of
/// 8 cells, the first sum 2 x 10.5.
void CheckInvoice(const Workbook& Book)
{
    const WorkbookSheet& Sheet = Book.Sheet(0);
    const WorkbookCell* Sum = Sheet.Find(2, 7);
    if (Sheet.Cells.size() != 10001 * 8 || !Sum || Sum->Kind != CellKind::Number) {
        std::cerr << "the benchmark workbook reads wrong\n";
        std::exit(1);
    }
}

void BM_LoadFromBytes(benchmark::State& State)
{
    const std::string Bytes = InvoiceBytes();
    CheckInvoice(Workbook::LoadFromBytes(Bytes, "invoice.xls"));
    size_t Cells = 0;
    for (auto _ : State) {
        Workbook Book = Workbook::LoadFromBytes(Bytes, "invoice.xls");
        Cells += Book.Sheet(0).Cells.size();
        benchmark::DoNotOptimize(Book);
    }
    State.SetItemsProcessed(static_cast<int64_t>(Cells));
    State.SetBytesProcessed(static_cast<int64_t>(Bytes.size() * State.iterations()));
    State.counters["cells/s"] = benchmark::Counter(double(Cells), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_LoadFromBytes)->Unit(benchmark::kMillisecond);

/// The import's whole read: open the file, the used range as a Variant
/// table, its origin, close, quit.
void ReadUsedRangeTable(const AnsiString& Name)
{
    std::unique_ptr<ExcelApplication> App = CreateOleObject("Excel.Application");
    App->Application().Workbooks().Open(Name);
    Variant Table = App->Application().ActiveSheet().UsedRange().Value();
    int FirstRow = App->Application().ActiveSheet().UsedRange().Cells(1, 1).Row();
    App->ActiveWorkbook().Close(/*SaveChanges=*/false);
    App->Application().Quit();
    benchmark::DoNotOptimize(Table);
    benchmark::DoNotOptimize(FirstRow);
}

/// The first read of a program, in a process of its own.
void ColdReadUsedRangeTable(ColdClock& Clock, long /*Arg*/)
{
    const AnsiString Name = AnsiString::FromUtf8(InvoiceFile().string());
    Clock.Start();
    ReadUsedRangeTable(Name);
    Clock.Stop();
}
const bool ColdReadRegistered = RegisterColdRun("ReadUsedRangeTable", ColdReadUsedRangeTable);

void BM_ReadUsedRangeTable(benchmark::State& State)
{
    ReportColdFirstRun(State, "ReadUsedRangeTable");
    const AnsiString Name = AnsiString::FromUtf8(InvoiceFile().string());
    {
        std::unique_ptr<ExcelApplication> App = CreateOleObject("Excel.Application");
        App->Workbooks().Open(Name);
        const Variant Table = App->ActiveSheet().UsedRange().Value();
        if (VarArrayHighBound(Table, 1) != 10001 || VarArrayHighBound(Table, 2) != 8) {
            std::cerr << "the used range reads wrong\n";
            std::exit(1);
        }
    }
    for (auto _ : State)
        ReadUsedRangeTable(Name);
}
BENCHMARK(BM_ReadUsedRangeTable)->Unit(benchmark::kMillisecond);

}  // namespace

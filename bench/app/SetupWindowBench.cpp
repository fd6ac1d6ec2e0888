// Speed of the spreadsheet set-up window on a 10 000-row, 8-column supplier
// workbook: the window shown with the workbook read and the sheet painted
// (goal 100 ms), a page down through the sheet painted (goal 5 ms), a
// whole column selected, taken as the region and transferred to the main
// window (goal 50 ms); and the memory a sheet of all 65 536 x 256 cells'
// used range takes in the window, beside the workbook's own cells (goal:
// within 3 times).

#include "app/AnalizeResult.h"
#include "app/Globals.h"
#include "app/InvoiceType.h"
#include "app/MainInvoice.h"
#include "app/uFormXL.h"
#include "bench/support/BenchWindows.h"
#include "common/base/Funcs.h"
#include "common/components/MsgWin.h"
#include "common/components/YLDCompn.h"
#include "platform/forms/Forms.h"
#include "platform/forms/SheetView.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/sheets/ExcelApplication.h"

#include "bench/support/PeakMemory.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

namespace {

/// The window layer, a start-up folder of the benchmark's own, the main
/// window and the set-up window, for the whole run; messages answered.
class SetupBench {
public:
    SetupBench()
        : FSettings(RussianFormatSettings()),
          FAnswers([](const MsgRequest& R) { return R.DefaultButton; })
    {
        StartBenchWindows();
        const auto Dir = std::filesystem::temp_directory_path() / "pricetags-setup-bench";
        std::filesystem::create_directories(Dir / "TXT");
        SetAppLocation(AnsiString::FromUtf8(Dir.string() + "/"), "pricetags");
        FCfg = std::make_unique<TCfgObject>();
        gTxtPath = GetStartDir() + "TXT/";
        Main = std::make_unique<TFormMain>(Application);
        Main->SetupFromConfig();
        Main->Show();
        XL = std::make_unique<TFormXL>(Application);
        Application->ProcessMessages();
    }
    ~SetupBench()
    {
        XL.reset();
        Main.reset();
    }

    /// Opens Book in the set-up window and paints it.
    void Open(const std::filesystem::path& Book)
    {
        XL->ShowFormXL(AnsiString::FromUtf8(Book.string()), 0);
        Application->ProcessMessages();
        XL->ole1->Repaint();
    }

    std::unique_ptr<TFormMain> Main;
    std::unique_ptr<TFormXL> XL;

private:
    FormatSettingsScope FSettings;
    MsgAnswerHookScope FAnswers;
    std::unique_ptr<TCfgObject> FCfg;
};

SetupBench& Setup()
{
    static SetupBench Bench;
    return Bench;
}

std::filesystem::path BenchBook(const char* Name)
{
    return std::filesystem::path(PRICETAGS_BENCH_DATA) / "platform" / "sheets" / Name;
}

void BM_SetupWindowShownAndPainted(benchmark::State& State)
{
    SetupBench& S = Setup();
    for (auto _ : State) {
        S.Open(BenchBook("invoice-10000x8.xls"));
        State.PauseTiming();
        S.XL->Close();
        State.ResumeTiming();
    }
    S.Open(BenchBook("invoice-10000x8.xls"));
    if (!S.XL->ole1->Sheet() || S.XL->ole1->UsedArea().RowCount != 10001)
        State.SkipWithError("the workbook was not shown");
    S.XL->Close();
}
BENCHMARK(BM_SetupWindowShownAndPainted)->Unit(benchmark::kMillisecond);

void BM_SheetPageDown(benchmark::State& State)
{
    SetupBench& S = Setup();
    S.Open(BenchBook("invoice-10000x8.xls"));
    SheetView& View = *S.XL->ole1;
    View.SetFocus();
    int Pages = 0;
    for (auto _ : State) {
        Word Key = VK_NEXT;
        View.Perform(WM_KEYDOWN, Key, 0);
        View.Repaint();
        if (View.Row() >= 10000) {
            State.PauseTiming();
            View.Perform(WM_KEYDOWN, VK_HOME, 0);
            ExcelApplication& XL = S.XL->XL();
            XL.ActiveSheet().Cells(1, 1).Select();
            State.ResumeTiming();
        }
        ++Pages;
    }
    if (View.TopRow() < 1)
        State.SkipWithError("the sheet did not page");
    benchmark::DoNotOptimize(Pages);
    S.XL->Close();
}
BENCHMARK(BM_SheetPageDown)->Unit(benchmark::kMicrosecond);

void BM_WholeColumnTransferred(benchmark::State& State)
{
    SetupBench& S = Setup();
    int Rows = 0;
    for (auto _ : State) {
        State.PauseTiming();
        S.Open(BenchBook("invoice-10000x8.xls"));
        S.XL->btAnalize->Click();
        State.ResumeTiming();
        // Column B as the operator selects it by its header, taken as the
        // region by "[область]", then "Экспорт в гл.форму".
        const ExcelWorksheet& Sheet = S.XL->XL().ActiveSheet();
        Sheet.Range(Sheet.Cells(1, 2), Sheet.Cells(65536, 2)).Select();
        S.XL->bvChangeSel(S.XL->bv, 1, 1);
        S.XL->bvClick(S.XL->bv);
        S.XL->btTransferClick(S.XL->btTransfer);
        Application->ProcessMessages();
        Rows = S.Main->Invoice->Count();
    }
    if (Rows != 10000)
        State.SkipWithError("the column did not transfer");
    benchmark::DoNotOptimize(Rows);
}
BENCHMARK(BM_WholeColumnTransferred)->Unit(benchmark::kMillisecond);

/// The heap the window takes for a sheet whose used range is the whole
/// sheet, beside the bytes of the workbook's cells.
void BM_WholeSheetMemory(benchmark::State& State)
{
    SetupBench& S = Setup();
    size_t ViewBytes = 0;
    size_t CellBytes = 0;
    for (auto _ : State) {
        S.Open(BenchBook("sheet-65536x256.xls"));
        State.PauseTiming();
        S.XL->Close();
        State.ResumeTiming();
    }
    {
        auto App = CreateOleObject("Excel.Application");
        const PeakMemoryScope Book;
        App->Workbooks().Open(AnsiString::FromUtf8(BenchBook("sheet-65536x256.xls").string()));
        CellBytes = Book.PeakBytes();
    }
    {
        const PeakMemoryScope Window;
        S.Open(BenchBook("sheet-65536x256.xls"));
        S.XL->ole1->SetTopRow(30000);
        S.XL->ole1->Repaint();
        ViewBytes = Window.PeakBytes();
        Window.Report(State);
    }
    S.XL->Close();
    State.counters["book_MiB"] = double(CellBytes) / (1 << 20);
    State.counters["window_over_book"] = double(ViewBytes) / double(CellBytes);
}
BENCHMARK(BM_WholeSheetMemory)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

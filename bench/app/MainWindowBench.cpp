// Speed of the main window: a start with a restored 1 000-row invoice (the
// window made, set up from the configuration, shown with the state file
// loaded, the window with its invoice and totals grids painted, and freed),
// the same start as a whole run of the program (process start to exit, the
// first frame and the state saved at close included), and the reload of a
// 10 000-row supplier workbook from the menu command to priced rows on the
// painted grids. The goals are 0.3 s for the start and 100 ms for the
// reload.

#include "app/Globals.h"
#include "app/InvoiceType.h"
#include "app/MainInvoice.h"
#include "bench/support/BenchWindows.h"
#include "common/base/Funcs.h"
#include "common/components/YLDGrids.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Graphics.h"
#include "platform/forms/InputSimulation.h"
#include "platform/rtl/FormatSettings.h"

#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

/// The window layer and a start-up folder of the benchmark's own with a
/// saved 1 000-row invoice, for the whole run.
class BenchSetup {
public:
    BenchSetup() : FSettings(RussianFormatSettings())
    {
        StartBenchWindows();
        const auto Dir = std::filesystem::temp_directory_path() / "pricetags-main-bench";
        std::filesystem::create_directories(Dir / "TXT");
        SetAppLocation(AnsiString::FromUtf8(Dir.string() + "/"), "pricetags");
        FCfg = std::make_unique<TCfgObject>();
        gTxtPath = GetStartDir() + "TXT/";
        TshInvoice Invoice(1);
        for (int I = 0; I < 1000; ++I) {
            TshInvoiceTovar& Row = *Invoice.Add();
            Row.Name = "Холодильник NRB "_a + AnsiString(std::to_string(I).c_str());
            Row.Kolvo = Currency(2.0);
            Row.PriceOpt = Currency(10.5 + I);
            Row.Calc(2, Currency(30.0), Currency(10.0));
        }
        Invoice.SaveToFile(LastInvoiceFileName());
        FDir = Dir;
    }
    const std::filesystem::path& Dir() const { return FDir; }

private:
    std::filesystem::path FDir;
    FormatSettingsScope FSettings;
    std::unique_ptr<TCfgObject> FCfg;
};

const BenchSetup& EnsureSetup()
{
    static BenchSetup Setup;
    return Setup;
}

/// Paints the window and both grids now, not when the event loop gets to it.
void PaintNow(TFormMain& Main)
{
    Main.Repaint();
    Main.grid->Repaint();
    Main.gdItogo->Repaint();
    Application->ProcessMessages();
}

/// Whether the grid's second data row (the first is selected) was painted
/// as a priced row.
bool PricedRowPainted(TFormMain& Main)
{
    TBitmap Shot;
    GrabWindow(Main.grid, &Shot);
    const TRect R = Main.grid->CellRect(5, 2);
    // Inside the cell whether or not the render holds the grid's border.
    const TColor C = Shot.Canvas()->Pixels(R.Left + 6, R.Top + 6);
    return (C & 0xFFFFFF) == clCalculatedRow;
}

void BM_StartWithRestoredInvoice(benchmark::State& State)
{
    EnsureSetup();
    int Rows = 0;
    bool Painted = false;
    for (auto _ : State) {
        auto Main = std::make_unique<TFormMain>(Application);
        Main->SetupFromConfig();
        Main->Show();
        PaintNow(*Main);
        Rows = Main->Invoice->Count();
        State.PauseTiming();
        Painted = PricedRowPainted(*Main);
        Main->Hide();
        State.ResumeTiming();
    }
    if (Rows != 1000 || !Painted)
        State.SkipWithError("the invoice was not restored and painted");
    benchmark::DoNotOptimize(Rows);
}
BENCHMARK(BM_StartWithRestoredInvoice)->Unit(benchmark::kMillisecond);

/// A program started in a new process in Dir with the benchmark's
/// environment (offscreen windows, Extra set as well), run to its end.
struct ChildRun {
    bool Ok = false;
    /// The child's peak resident size.
    double MaxRssMiB = 0;
};

ChildRun RunProgram(const std::filesystem::path& Dir, const std::vector<std::string>& Args,
                    const char* ExtraName = nullptr, const char* ExtraValue = nullptr)
{
    const pid_t Child = fork();
    if (Child == 0) {
        if (chdir(Dir.c_str()) != 0)
            _exit(126);
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        if (ExtraName)
            setenv(ExtraName, ExtraValue, 1);
        std::vector<char*> Argv;
        for (const std::string& A : Args)
            Argv.push_back(const_cast<char*>(A.c_str()));
        Argv.push_back(nullptr);
        execv(Argv[0], Argv.data());
        _exit(127);
    }
    int Status = 0;
    rusage Usage {};
    ChildRun Run;
    if (wait4(Child, &Status, 0, &Usage) != Child)
        return Run;
    Run.Ok = WIFEXITED(Status) && WEXITSTATUS(Status) == 0;
    Run.MaxRssMiB = double(Usage.ru_maxrss) / 1024.0;
    return Run;
}

/// Runs one program start per iteration; reports the children's peak
/// resident size (the largest of the runs) as max_rss_MiB.
template <typename Start>
void TimeStarts(benchmark::State& State, Start&& StartOne)
{
    bool Ok = true;
    double MaxRss = 0;
    for (auto _ : State) {
        const ChildRun Run = StartOne();
        Ok = Ok && Run.Ok;
        MaxRss = std::max(MaxRss, Run.MaxRssMiB);
    }
    if (!Ok)
        State.SkipWithError("the program did not run to its end with a painted window");
    State.counters["max_rss_MiB"] = MaxRss;
}

/// The program itself in the benchmark's start-up folder, closing itself as
/// soon as its main window was painted; the state file is put back each time.
/// The state is the one the program saved at its previous exit, as at an
/// operator's next start: one untimed run first turns the benchmark's own
/// state file (rows priced with other settings) into the program's.
void BM_ProgramStartToExit(benchmark::State& State)
{
    const std::filesystem::path Dir = EnsureSetup().Dir();
    if (!RunProgram(Dir, {PRICETAGS_EXE}, "PRICETAGS_QUIT_AFTER_MS", "1").Ok) {
        State.SkipWithError("the program did not start");
        return;
    }
    const std::filesystem::path Saved = Dir / "LastInvoice.inv.bench";
    std::filesystem::copy_file(Dir / "LastInvoice.inv", Saved,
                               std::filesystem::copy_options::overwrite_existing);
    TimeStarts(State, [&] {
        const ChildRun Run = RunProgram(Dir, {PRICETAGS_EXE}, "PRICETAGS_QUIT_AFTER_MS", "1");
        State.PauseTiming();
        std::filesystem::copy_file(Saved, Dir / "LastInvoice.inv",
                                   std::filesystem::copy_options::overwrite_existing);
        State.ResumeTiming();
        return Run;
    });
}
BENCHMARK(BM_ProgramStartToExit)->Unit(benchmark::kMillisecond);

/// The peer of the program's start: a bare Qt window maximized on the same
/// screen as the program's main window, shown, painted and closed as the
/// program is.
void BM_BareQtWindowStartToExit(benchmark::State& State)
{
    const std::filesystem::path Dir = EnsureSetup().Dir();
    TimeStarts(State, [&] { return RunProgram(Dir, {BARE_QT_WINDOW_EXE}); });
}
BENCHMARK(BM_BareQtWindowStartToExit)->Unit(benchmark::kMillisecond);

void BM_ReloadWorkbookFromMenu(benchmark::State& State)
{
    EnsureSetup();
    const auto Book =
        std::filesystem::path(PRICETAGS_BENCH_DATA) / "platform" / "sheets" / "invoice-10000x8.xls";
    auto Main = std::make_unique<TFormMain>(Application);
    Main->SetupFromConfig();
    Main->Show();
    Application->ProcessMessages();
    Main->SetInvoiceFileName(AnsiString::FromUtf8(Book.string()));
    int Rows = 0;
    for (auto _ : State) {
        Main->Modified = false;
        Main->acReload->Execute();
        PaintNow(*Main);
        Rows = Main->Invoice->Count();
    }
    if (Rows != 10000 || Main->grid->RowCount() != 10001)
        State.SkipWithError("the workbook did not import into the grid");
    benchmark::DoNotOptimize(Rows);
}
BENCHMARK(BM_ReloadWorkbookFromMenu)->Unit(benchmark::kMillisecond);

} // namespace

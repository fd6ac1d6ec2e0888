// Speed of the main window: a start with a restored 1 000-row invoice (the
// window made, set up from the configuration, shown with the state file
// loaded, painted and freed), and the reload of a 10 000-row supplier
// workbook from the menu command to priced rows on the painted window. The
// goals are 0.3 s for the start and 100 ms for the reload. The invoice
// grid is not in the window yet; its painting is not in these figures.

#include "app/Globals.h"
#include "app/InvoiceType.h"
#include "app/MainInvoice.h"
#include "common/Funcs.h"
#include "platform/gui/Forms.h"
#include "platform/rtl/FormatSettings.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

namespace {

/// The window layer and a start-up folder of the benchmark's own with a
/// saved 1 000-row invoice, for the whole run.
class BenchSetup {
public:
    BenchSetup() : FSettings(RussianFormatSettings())
    {
        static int Argc = 1;
        static char Name[] = "app_bench";
        static char* Argv[] = {Name, nullptr};
        setenv("QT_QPA_PLATFORM", "offscreen", /*overwrite=*/0);
        if (!Application)
            GuiStartup(Argc, Argv);
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
    }

private:
    FormatSettingsScope FSettings;
    std::unique_ptr<TCfgObject> FCfg;
};

void EnsureSetup()
{
    static BenchSetup Setup;
}

void BM_StartWithRestoredInvoice(benchmark::State& State)
{
    EnsureSetup();
    int Rows = 0;
    for (auto _ : State) {
        auto Main = std::make_unique<TFormMain>(Application);
        Main->SetupFromConfig();
        Main->Show();
        Main->Repaint();
        Application->ProcessMessages();
        Rows = Main->Invoice->Count();
        Main->Hide();
    }
    if (Rows != 1000)
        State.SkipWithError("the invoice was not restored");
    benchmark::DoNotOptimize(Rows);
}
BENCHMARK(BM_StartWithRestoredInvoice)->Unit(benchmark::kMillisecond);

void BM_ReloadWorkbookFromMenu(benchmark::State& State)
{
    EnsureSetup();
    const auto Book =
        std::filesystem::path(PRICETAGS_BENCH_DATA) / "sheets" / "invoice-10000x8.xls";
    auto Main = std::make_unique<TFormMain>(Application);
    Main->SetupFromConfig();
    Main->Show();
    Application->ProcessMessages();
    Main->SetInvoiceFileName(AnsiString::FromUtf8(Book.string()));
    int Rows = 0;
    for (auto _ : State) {
        Main->Modified = false;
        Main->acReload->Execute();
        Main->Repaint();
        Application->ProcessMessages();
        Rows = Main->Invoice->Count();
    }
    if (Rows != 10000)
        State.SkipWithError("the workbook did not import");
    benchmark::DoNotOptimize(Rows);
}
BENCHMARK(BM_ReloadWorkbookFromMenu)->Unit(benchmark::kMillisecond);

} // namespace

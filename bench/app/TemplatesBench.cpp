// The end of the main road at a shop's largest run: an invoice of 1 000
// rows through the shipped 40x60 tag template (sixteen tags an A4 sheet)
// by the document builder, from loading the template out of TXT to the
// finished PDF file. The goal is 0.3 s. The counters split the run into
// the template load with the build of the output pages, and the PDF
// output; the page count is checked once after the run.

#include "app/Globals.h"
#include "app/InvoiceType.h"
#include "app/ShippedTemplates.h"
#include "bench/support/BenchWindows.h"
#include "common/base/Funcs.h"
#include "platform/forms/Forms.h"
#include "platform/rtl/FormatSettings.h"

#include "tests/app/PdfBuilder.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point From, Clock::time_point To)
{
    return std::chrono::duration<double>(To - From).count();
}

/// The window layer, a configuration and a TXT folder of the benchmark's
/// own holding the shipped templates.
struct TemplatesSetup {
    TemplatesSetup() : Settings(RussianFormatSettings())
    {
        StartBenchWindows();
        if (!gCfgObject)
            Cfg = std::make_unique<TCfgObject>();
        Dir = std::filesystem::temp_directory_path() / "pricetags-templates-bench";
        std::filesystem::create_directories(Dir / "TXT");
        Txt = AnsiString::FromUtf8((Dir / "TXT").string() + "/");
        InstallShippedTemplates(Txt);
    }

    FormatSettingsScope Settings;
    std::unique_ptr<TCfgObject> Cfg;
    std::filesystem::path Dir;
    AnsiString Txt;
};

TemplatesSetup& Setup()
{
    static TemplatesSetup S;
    return S;
}

void BM_TagsFromShippedTemplateToPdf(benchmark::State& State)
{
    TemplatesSetup& S = Setup();
    const AnsiString OldTxt = gTxtPath;
    gTxtPath = S.Txt;
    const int Rows = static_cast<int>(State.range(0));
    TshInvoice Invoice(1);
    for (int I = 0; I < Rows; ++I) {
        TshInvoiceTovar& Row = *Invoice.Add();
        Row.Name = "Сыр российский весовой, арт. "_a + IntToStr(I + 1);
        Row.Ed = "кг"_a;
        Row.Country = "Россия"_a;
        Row.Kolvo = Currency(2.0);
        Row.PriceOpt = Currency(10.5 + I % 900);
        Row.Calc(2, Currency(30.0), Currency(10.0));
    }
    const std::filesystem::path Pdf = S.Dir / "tags.pdf";
    PdfBuilder Builder(AnsiString::FromUtf8(Pdf.string()));
    Clock::time_point Built;
    Builder.OnBuilt = [&Built](TDocument&) { Built = Clock::now(); };
    double Build = 0;
    double Print = 0;
    for (auto _ : State) {
        const Clock::time_point Start = Clock::now();
        Builder.BuildDocument(0, &Invoice, gTxtPath + "Ticket1");
        Application->ProcessMessages();
        const Clock::time_point End = Clock::now();
        Build += Seconds(Start, Built);
        Print += Seconds(Built, End);
    }
    State.counters["load_build_s"] = benchmark::Counter(Build / double(State.iterations()));
    State.counters["print_pdf_s"] = benchmark::Counter(Print / double(State.iterations()));
    State.counters["pages"] = Builder.Pages;
    // Sixteen tags a sheet.
    if (Builder.Pages != (Rows + 15) / 16)
        State.SkipWithError("unexpected page count");
    State.counters["pdf_KiB"] = double(std::filesystem::file_size(Pdf)) / 1024.0;
    gTxtPath = OldTxt;
}
BENCHMARK(BM_TagsFromShippedTemplateToPdf)->Arg(1000)->Unit(benchmark::kMillisecond);

} // namespace

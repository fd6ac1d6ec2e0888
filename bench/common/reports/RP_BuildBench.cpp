// A shop's largest print run: price tags of 40 x 60 mm, four across and
// four down an A4 sheet, each with a frame, a wrapped name, the price in
// large bold type, the card price and the date. Stages are timed apart:
// building the output pages (layout and metafile recording) and playing
// them into a PDF file through the printer. The PDF is checked once after
// the run: page count, and each font embedded once.

#include "common/reports/RP_Document.h"
#include "common/reports/RP_Page.h"
#include "common/reports/RP_Printer.h"
#include "common/reports/RP_View.h"

#include "platform/classes/Strings.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Printers.h"
#include "platform/rtl/Numbers.h"

#include "bench/common/reports/TagReport.h"
#include "bench/support/ColdRun.h"
#include "bench/support/PeakMemory.h"
#include "tests/common/reports/ReportPrinterScope.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

using namespace tagreport;

std::string RunCommand(const std::string& Command)
{
    std::string Out;
    if (FILE* P = popen(Command.c_str(), "r")) {
        char Buffer[512];
        size_t N;
        while ((N = fread(Buffer, 1, sizeof Buffer, P)) > 0)
            Out.append(Buffer, N);
        pclose(P);
    }
    return Out;
}

int CountLines(const std::string& S)
{
    int N = 0;
    for (char C : S)
        N += C == '\n';
    return N;
}

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point From)
{
    return std::chrono::duration<double>(Clock::now() - From).count();
}

std::filesystem::path PdfFile()
{
    return std::filesystem::temp_directory_path() / "reports_bench_tags.pdf";
}

/// The first print of a program, in a process of its own: the GUI is up
/// and the printer chosen, as when the operator asks for the tags.
void ColdTagsToPdf(ColdClock& Clock, long Tags)
{
    StartBenchWindows();
    TPrinter PdfPrinter;
    PdfPrinter.SetOutputFileName(AnsiString::FromUtf8(PdfFile().string()));
    const ReportPrinterScope UsePrinter(PdfPrinter);
    Clock.Start();
    {
        TDocument Doc(nullptr);
        TagTemplate(Doc);
        TagHost Host(Doc, static_cast<int>(Tags));
        Doc.BuildReport();
        Doc.Print(0, 0, 1, true);
    }
    Clock.Stop();
    std::filesystem::remove(PdfFile());
}
const bool ColdTagsRegistered = RegisterColdRun("TagsToPdf", ColdTagsToPdf);

// One run: build, then print every page into a PDF file. The whole run is
// the benchmark's time; the stages are counters.
void BM_TagsToPdf(benchmark::State& State)
{
    StartBenchWindows();
    const int Tags = static_cast<int>(State.range(0));
    ReportColdFirstRun(State, "TagsToPdf", Tags);
    const std::filesystem::path Pdf = PdfFile();
    TPrinter PdfPrinter;
    PdfPrinter.SetOutputFileName(AnsiString::FromUtf8(Pdf.string()));
    const ReportPrinterScope UsePrinter(PdfPrinter);

    double Build = 0;
    double Print = 0;
    int Pages = 0;
    for (auto _ : State) {
        TDocument Doc(nullptr);
        TagTemplate(Doc);
        TagHost Host(Doc, Tags);
        auto Start = Clock::now();
        Doc.BuildReport();
        Build += Seconds(Start);
        Start = Clock::now();
        Doc.Print(0, 0, 1, true);
        Print += Seconds(Start);
        Pages = Doc.PageInfoCount();
        benchmark::DoNotOptimize(Pages);
    }
    State.counters["build_s"] = benchmark::Counter(Build / double(State.iterations()));
    State.counters["print_pdf_s"] = benchmark::Counter(Print / double(State.iterations()));
    State.counters["pages"] = Pages;
    {
        const PeakMemoryScope Memory;
        TDocument Doc(nullptr);
        TagTemplate(Doc);
        TagHost Host(Doc, Tags);
        Doc.BuildReport();
        Doc.Print(0, 0, 1, true);
        Memory.Report(State);
    }
    const std::string Fonts = RunCommand("pdffonts '" + Pdf.string() + "' 2>/dev/null");
    // pdffonts prints two heading lines, then one line per embedded font.
    State.counters["pdf_fonts"] = std::max(0, CountLines(Fonts) - 2);
    State.counters["pdf_MiB"] =
        double(std::filesystem::file_size(Pdf)) / (1024.0 * 1024.0);
    // PRICETAGS_PDF_DIR keeps the file for a look (pdftoppm, pdftotext).
    if (const char* Keep = std::getenv("PRICETAGS_PDF_DIR"))
        std::filesystem::copy_file(Pdf, std::filesystem::path(Keep) / ("tags-" + std::to_string(Tags) + ".pdf"),
                                   std::filesystem::copy_options::overwrite_existing);
    std::filesystem::remove(Pdf);
}
// Building alone: layout, measuring and metafile recording.
void BM_BuildTags(benchmark::State& State)
{
    StartBenchWindows();
    const int Tags = static_cast<int>(State.range(0));
    int Pages = 0;
    for (auto _ : State) {
        TDocument Doc(nullptr);
        TagTemplate(Doc);
        TagHost Host(Doc, Tags);
        Doc.BuildReport();
        Pages = Doc.PageInfoCount();
        benchmark::DoNotOptimize(Pages);
    }
    State.counters["pages"] = Pages;
}
BENCHMARK(BM_BuildTags)->Arg(1000)->Unit(benchmark::kMillisecond);

BENCHMARK(BM_TagsToPdf)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

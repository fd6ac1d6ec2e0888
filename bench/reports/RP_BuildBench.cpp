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
#include "platform/gui/Forms.h"
#include "platform/gui/Printers.h"
#include "platform/rtl/Numbers.h"

#include "bench/support/PeakMemory.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

void EnsureGui()
{
    static const bool Started = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", /*overwrite=*/0);
        static int Argc = 1;
        static char Name[] = "reports_bench";
        static char* Argv[] = {Name, nullptr};
        GuiStartup(Argc, Argv);
        return true;
    }();
    (void)Started;
}

constexpr int TagWidth = 151;   // 40 mm
constexpr int TagHeight = 227;  // 60 mm
constexpr int Across = 4;

void AddText(TDocument& Doc, const TRect& R, const AnsiString& Text, int Size, Word Style,
             Cardinal Align, Word Frame = 0)
{
    auto* V = new TView(vkText, &Doc);
    V->SetBoundsRect(R);
    V->Lines->SetText(Text);
    V->FontSize = Size;
    V->FontStyle = Style;
    V->Alignment = Align;
    V->FrameTyp = Frame;
    V->FrameWidth = Frame ? 2 : 1;
    Doc.CurrentPage()->AddView(V);
}

void TagTemplate(TDocument& Doc)
{
    Doc.New();
    auto* Band = new TView(vkBandArea, &Doc);
    Band->BandTyp = btMasterData;
    Band->SetTop(0);
    Band->SetHeight(TagHeight);
    Doc.CurrentPage()->AddView(Band);
    for (int I = 0; I < Across; ++I) {
        const int L = I * TagWidth;
        const AnsiString N = IntToStr(I);
        AddText(Doc, Rect(L, 0, L + TagWidth, TagHeight), "", 8, 0, 0, 0x0F);
        AddText(Doc, Rect(L + 6, 6, L + 145, 70), "[NAME" + N + "]", 10, 2, 2 | 0x200);
        AddText(Doc, Rect(L + 6, 80, L + 145, 140), "[PRICE" + N + "]", 22, 2, 2 | 0x80);
        AddText(Doc, Rect(L + 6, 130, L + 145, 146), "руб."_a, 9, 0, 1);
        AddText(Doc, Rect(L + 6, 150, L + 145, 180), "По карте: "_a + "[CARD" + N + "]", 9, 0,
                2);
        AddText(Doc, Rect(L + 6, 196, L + 145, 220), "[DATE]", 7, 0, 1);
    }
}

/// Tag rows: a band row shows the next four tags.
class TagHost {
public:
    TagHost(TDocument& Doc, int Tags) : FDoc(Doc), FTags(Tags)
    {
        Doc.OnGetValue = TDetailEvent(this, &TagHost::GetValue);
        Doc.OnNeedData = TNeedDataEvent(this, &TagHost::NeedData);
    }
    void GetValue(TObject*, TBandType, const AnsiString& Name, AnsiString& Value)
    {
        if (Name == "DATE") {
            Value = "10.12.2026";
            return;
        }
        const int Tag = (FDoc.LineMaster - 1) * Across + (Name[Name.Length()] - '0');
        if (Tag >= FTags) {
            Value = "";
            return;
        }
        const AnsiString Kind = Name.SubString(1, Name.Length() - 1);
        if (Kind == "NAME")
            Value = "Сыр российский весовой, арт. "_a + IntToStr(Tag + 1);
        else if (Kind == "PRICE")
            Value = IntToStr(100 + Tag % 900) + ",00";
        else if (Kind == "CARD")
            Value = IntToStr(90 + Tag % 900) + ",50";
    }
    void NeedData(TObject*, TBandType b, bool& NeedMore)
    {
        NeedMore = b == btMasterData && FDoc.LineMaster * Across < FTags;
    }

private:
    TDocument& FDoc;
    int FTags;
};

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

// One run: build, then print every page into a PDF file. The whole run is
// the benchmark's time; the stages are counters.
void BM_TagsToPdf(benchmark::State& State)
{
    EnsureGui();
    const int Tags = static_cast<int>(State.range(0));
    const std::filesystem::path Pdf =
        std::filesystem::temp_directory_path() / ("reports_bench_tags.pdf");
    TPrinter PdfPrinter;
    TPrinter* Old = SetPrinter(&PdfPrinter);
    PdfPrinter.SetOutputFileName(AnsiString::FromUtf8(Pdf.string()));
    InstallReportPrinter(PlatformReportPrinter());
    InstallReportPrintJob(PlatformReportPrintJob());

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
    InstallReportPrintJob(nullptr);
    InstallReportPrinter(nullptr);
    SetPrinter(Old);
    // PRICETAGS_PDF_DIR keeps the file for a look (pdftoppm, pdftotext).
    if (const char* Keep = std::getenv("PRICETAGS_PDF_DIR"))
        std::filesystem::copy_file(Pdf, std::filesystem::path(Keep) / ("tags-" + std::to_string(Tags) + ".pdf"),
                                   std::filesystem::copy_options::overwrite_existing);
    std::filesystem::remove(Pdf);
}
// Building alone: layout, measuring and metafile recording.
void BM_BuildTags(benchmark::State& State)
{
    EnsureGui();
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

// The print view over a shop's largest print run (1,000 price tags of
// 40 x 60 mm): from the built pages to the first page drawn in the window,
// paging to a later page, and the generated-report file of the run written
// and read back.

#include "common/reports/RP_PreviewForm.h"

#include "common/reports/RP_Document.h"

#include "platform/classes/Streams.h"
#include "platform/forms/Graphics.h"
#include "platform/winapi/Windows.h"

#include "bench/common/reports/TagReport.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

using namespace tagreport;

/// The document of a built run of Tags tags.
std::unique_ptr<TDocument> BuiltRun(int Tags)
{
    auto Doc = std::make_unique<TDocument>(nullptr);
    TagTemplate(*Doc);
    TagHost Host(*Doc, Tags);
    Doc->BuildReport();
    Doc->OnGetValue = {};
    Doc->OnNeedData = {};
    return Doc;
}

/// A view of Doc shown at a window size of a common screen.
TPreviewForm* OpenView(TDocument& Doc)
{
    auto* F = new TPreviewForm(Application);
    F->SetDocument(&Doc);
    F->SetPageCount(Doc.PageNo);
    F->Show();
    F->SetWindowState(wsNormal);
    F->SetBounds(0, 0, 1280, 960);
    return F;
}

void CloseView(TPreviewForm* F)
{
    F->SetDocument(nullptr);
    delete F;
}

// After the build: the window made and shown, the pages laid out and the
// first page drawn into the box.
void BM_PreviewFirstPage(benchmark::State& State)
{
    StartBenchWindows();
    std::unique_ptr<TDocument> Doc = BuiltRun(static_cast<int>(State.range(0)));
    TBitmap Box;
    for (auto _ : State) {
        TPreviewForm* F = OpenView(*Doc);
        F->PaintPages();
        F->RenderTo(Box);
        benchmark::DoNotOptimize(Box.Width());
        State.PauseTiming();
        CloseView(F);
        State.ResumeTiming();
    }
    // Checked once: the first page is drawn (white) on the grey box.
    TPreviewForm* F = OpenView(*Doc);
    F->RenderTo(Box);
    const TRect& R = F->ViewRect(0);
    if (Box.Canvas()->Pixels(R.Left + 2, R.Top + 2) != clWhite)
        State.SkipWithError("the first page was not drawn");
    State.counters["pages"] = F->PageCount();
    CloseView(F);
}
BENCHMARK(BM_PreviewFirstPage)->Arg(1000)->Unit(benchmark::kMillisecond);

// Ctrl+PgDn to the next page and the box redrawn there.
void BM_PreviewNextPage(benchmark::State& State)
{
    StartBenchWindows();
    std::unique_ptr<TDocument> Doc = BuiltRun(static_cast<int>(State.range(0)));
    TPreviewForm* F = OpenView(*Doc);
    F->PaintPages();
    for (auto _ : State) {
        if (F->CurPage() + 1 >= F->PageCount())
            F->ChooseZoom(100);  // back to the first page
        Word Key = VK_NEXT;
        F->FormKeyDown(F, Key, {ssCtrl});
        F->PaintPages();
    }
    CloseView(F);
}
BENCHMARK(BM_PreviewNextPage)->Arg(1000)->Unit(benchmark::kMillisecond);

// The run's pages written as a ".rep" file in memory and read back.
void BM_RepWriteRead(benchmark::State& State)
{
    StartBenchWindows();
    std::unique_ptr<TDocument> Doc = BuiltRun(static_cast<int>(State.range(0)));
    std::vector<const TPageInfo*> Pages;
    for (int I = 0; I < Doc->PageInfoCount(); ++I)
        Pages.push_back(Doc->GetPageInfo(I));
    Int64 Bytes = 0;
    for (auto _ : State) {
        TMemoryStream S;
        WritePrintStream(S, Pages, false);
        Bytes = S.Size();
        S.SetPosition(0);
        PrintFileContents Read = ReadPrintStream(S, false);
        if (Read.Pages.size() != Pages.size())
            State.SkipWithError("pages lost on the way");
        benchmark::DoNotOptimize(Read.Pages.data());
    }
    State.counters["rep_MiB"] = double(Bytes) / (1024.0 * 1024.0);
    State.counters["pages"] = double(Pages.size());
}
BENCHMARK(BM_RepWriteRead)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace

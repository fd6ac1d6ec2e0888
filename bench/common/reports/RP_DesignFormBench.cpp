// The designer over a crowded page: 200 text elements (20 across, 10
// down) on A4. The window opened and painted; one element and 50 selected
// dragged a grid step per pointer move (each move repaints what changed);
// a rubber band drawn over all 200; an undo snapshot; an undo step.

#include "common/reports/RP_DesignForm.h"

#include "common/reports/RP_Document.h"
#include "common/reports/RP_Page.h"
#include "common/reports/RP_StateStack.h"
#include "common/reports/RP_View.h"

#include "platform/forms/ActnList.h"
#include "platform/forms/InputSimulation.h"

#include "bench/common/reports/TagReport.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

using namespace tagreport;

constexpr int Columns = 20;
constexpr int Rows = 10;

std::unique_ptr<TDocument> CrowdedPage(int Count)
{
    auto Doc = std::make_unique<TDocument>(nullptr);
    Doc->New();
    Doc->DefDesigner->CheckDimensions = false;
    Doc->DefDesigner->WState = 0;
    Doc->DefDesigner->Left = 0;
    Doc->DefDesigner->Top = 0;
    Doc->DefDesigner->Width = 1280;
    Doc->DefDesigner->Height = 960;
    for (int I = 0; I < Count; ++I) {
        const int X = 40 + (I % Columns) * 36;
        const int Y = 40 + (I / Columns) * 48;
        AddText(*Doc, Rect(X, Y, X + 34, Y + 40), "[NAME." + IntToStr(I) + "] 10,50", 8, 0,
                0, 15);
    }
    Doc->Saved = true;
    return Doc;
}

/// The designer shown on Doc; closed and freed with the scope.
struct OpenDesigner {
    TDocument& Doc;
    TDesignForm* Form;
    explicit OpenDesigner(TDocument& D) : Doc(D)
    {
        Doc.Design(/*Modal=*/false);
        Form = Doc.DesignForm();
        Application->ProcessMessages();
    }
    ~OpenDesigner()
    {
        if (Doc.DesignForm()) {
            Form->Decision = 2;
            Doc.Saved = true;
            Form->Close();
            Application->ProcessMessages();
        }
    }
    OpenDesigner(const OpenDesigner&) = delete;
    OpenDesigner& operator=(const OpenDesigner&) = delete;
};

void BM_DesignerOpenAndPaint(benchmark::State& State)
{
    StartBenchWindows();
    std::unique_ptr<TDocument> Doc = CrowdedPage(static_cast<int>(State.range(0)));
    int Paints = 0;
    for (auto _ : State) {
        auto D = std::make_unique<OpenDesigner>(*Doc);
        D->Form->Surface->Repaint();
        Paints += D->Form->Surface->PaintCount;
        State.PauseTiming();
        D.reset();
        State.ResumeTiming();
    }
    if (Paints == 0)
        State.SkipWithError("the page was never painted");
    benchmark::DoNotOptimize(Paints);
    State.counters["elements"] = static_cast<double>(State.range(0));
}
BENCHMARK(BM_DesignerOpenAndPaint)->Arg(200)->Unit(benchmark::kMillisecond);

/// Drags the selection back and forth one grid step per pointer move.
void DragSelection(benchmark::State& State, int Selected)
{
    StartBenchWindows();
    std::unique_ptr<TDocument> Doc = CrowdedPage(Columns * Rows);
    OpenDesigner D(*Doc);
    TPreview* S = D.Form->Surface;
    TPage* P = Doc->CurrentPage();
    for (int I = 0; I < Selected; ++I)
        P->GetView(I)->SetSelected(true);
    const TRect R = P->GetView(0)->GetDisplayRect();
    const int X = R.Left + 10;
    const int Y = R.Top + 10;
    SimulateMouseMove(S, X, Y);
    SimulateMouseDown(S, mbLeft, X, Y);
    int Step = 0;
    for (auto _ : State) {
        const int Dx = (Step++ % 2) ? 0 : 8;
        SimulateMouseMove(S, X + Dx, Y);
    }
    SimulateMouseUp(S, mbLeft, X, Y);
    Application->ProcessMessages();
    if (P->GetView(0)->GetDisplayRect().Left != R.Left &&
        P->GetView(0)->GetDisplayRect().Left != R.Left + 8)
        State.SkipWithError("the element did not follow the pointer");
    benchmark::DoNotOptimize(S->PaintCount);
}

void BM_DesignerDragOne(benchmark::State& State)
{
    DragSelection(State, 1);
}
BENCHMARK(BM_DesignerDragOne)->Unit(benchmark::kMillisecond);

void BM_DesignerDragFifty(benchmark::State& State)
{
    DragSelection(State, 50);
}
BENCHMARK(BM_DesignerDragFifty)->Unit(benchmark::kMillisecond);

void BM_DesignerRubberBand(benchmark::State& State)
{
    StartBenchWindows();
    std::unique_ptr<TDocument> Doc = CrowdedPage(Columns * Rows);
    OpenDesigner D(*Doc);
    TPreview* S = D.Form->Surface;
    SimulateMouseMove(S, 20, 20);
    SimulateMouseDown(S, mbLeft, 20, 20, TShiftState{ssCtrl});
    int Step = 0;
    for (auto _ : State) {
        const int D2 = (Step++ % 2) ? 0 : 4;
        SimulateMouseMove(S, 800 + D2, 540 + D2, TShiftState{ssCtrl});
    }
    SimulateMouseUp(S, mbLeft, 800, 540, TShiftState{ssCtrl});
    Application->ProcessMessages();
    if (Doc->SelectedCount() != Columns * Rows)
        State.SkipWithError("the band did not take every element");
}
BENCHMARK(BM_DesignerRubberBand)->Unit(benchmark::kMillisecond);

void BM_DesignerSnapshot(benchmark::State& State)
{
    StartBenchWindows();
    std::unique_ptr<TDocument> Doc = CrowdedPage(Columns * Rows);
    OpenDesigner D(*Doc);
    for (auto _ : State) {
        Doc->StateStored = false;
        D.Form->States->PushState();
        State.PauseTiming();
        // Keep the history short: the size limit is not what is measured.
        while (D.Form->States->Count() > 2)
            D.Form->States->DeleteState(1);
        State.ResumeTiming();
    }
    benchmark::DoNotOptimize(D.Form->States->TotalSize);
}
BENCHMARK(BM_DesignerSnapshot)->Unit(benchmark::kMillisecond);

// An undo as the command does it: the snapshot read back, the page laid
// out and painted again.
void BM_DesignerUndo(benchmark::State& State)
{
    StartBenchWindows();
    std::unique_ptr<TDocument> Doc = CrowdedPage(Columns * Rows);
    OpenDesigner D(*Doc);
    TView* V = Doc->CurrentPage()->GetView(0);
    V->SetLeft(V->GetLeft() + 4);
    Doc->Saved = false;
    Doc->StateStored = false;
    D.Form->States->PushState();
    Application->ProcessMessages();
    D.Form->UpdateControls();
    int Undone = 0;
    for (auto _ : State) {
        const int Before = D.Form->States->Current;
        D.Form->DocUndo->Execute();
        Undone += Before - D.Form->States->Current;
        State.PauseTiming();
        D.Form->UpdateControls();
        D.Form->DocRedo->Execute();
        Application->ProcessMessages();
        D.Form->UpdateControls();
        State.ResumeTiming();
    }
    if (Undone != static_cast<int>(State.iterations()))
        State.SkipWithError("an undo did not step back");
    benchmark::DoNotOptimize(Doc->CurrentPage()->ViewCount());
}
BENCHMARK(BM_DesignerUndo)->Unit(benchmark::kMillisecond);

}  // namespace

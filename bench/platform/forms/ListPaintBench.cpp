// Repainting a page of an owner-drawn list: an 800 x 600 form filled by a
// list box of 34 rows with three columns each, the shape of the invoice
// rows the program shows. Each cell is filled and its text drawn, so the
// time is mostly solid fills and text.

#include "bench/support/BenchWindows.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"
#include "platform/classes/Strings.h"
#include "platform/rtl/Numbers.h"

#include <benchmark/benchmark.h>

namespace {

constexpr int Rows = 34;
constexpr int Columns = 3;

class ListPage : public TForm {
public:
    ListPage() : TForm(nullptr)
    {
        SetClientWidth(800);
        SetClientHeight(600);
        List = new TListBox(this);
        List->SetParent(this);
        List->SetAlign(alClient);
        List->SetStyle(lbOwnerDrawFixed);
        List->SetItemHeight(17);
        for (int I = 0; I < Rows; ++I)
            List->Items()->Add("Товар номер "_a + IntToStr(I + 1));
        List->OnDrawItem = TDrawItemEvent(this, &ListPage::DrawItem);
        Show();
    }

    TListBox* List = nullptr;
    int Cells = 0;

private:
    void DrawItem(TWinControl*, int Index, TRect Rect, TOwnerDrawState)
    {
        TCanvas* C = List->Canvas();
        const int Width = (Rect.Right - Rect.Left) / Columns;
        for (int Col = 0; Col < Columns; ++Col) {
            TRect Cell = ::Rect(Rect.Left + Col * Width, Rect.Top, Rect.Left + (Col + 1) * Width, Rect.Bottom);
            C->Brush()->SetColor((Index + Col) % 2 ? clWindow : clBtnFace);
            C->FillRect(Cell);
            C->Brush()->SetColor(clBtnShadow);
            C->FrameRect(Cell);
            C->Brush()->SetStyle(bsClear);
            C->TextOut(Cell.Left + 2, Cell.Top + 1, List->Items()->Strings(Index));
            C->Brush()->SetStyle(bsSolid);
            ++Cells;
        }
    }
};

void BM_RepaintOwnerDrawnList(benchmark::State& State)
{
    StartBenchWindows();
    ListPage Page;
    for (auto _ : State) {
        Page.List->Invalidate();
        Page.List->Update();
    }
    if (Page.Cells < Rows * Columns)
        State.SkipWithError("the list drew no rows");
    benchmark::DoNotOptimize(Page.Cells);
    State.SetItemsProcessed(State.iterations() * Rows);
}
BENCHMARK(BM_RepaintOwnerDrawnList)->Unit(benchmark::kMillisecond);

}  // namespace

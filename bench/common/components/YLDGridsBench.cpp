// The invoice grid at its largest: a data grid of 14 columns over 100 000
// rows whose texts the window makes when a cell is drawn. Showing it and
// painting the first page, paging to the last row, and one arrow step.

#include "common/components/YLDGrids.h"

#include "bench/support/BenchWindows.h"
#include "platform/forms/Forms.h"
#include "platform/rtl/Numbers.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr int Columns = 14;
const int Widths[Columns] = {40, 19, 63, 144, 68, 80, 48, 32, 30, 30, 58, 34, 64, 64};

/// The main window's grid in row-select mode over Rows invoice rows.
class InvoicePage {
public:
    explicit InvoicePage(int Rows) : Form(std::make_unique<TForm>(nullptr))
    {
        Form->SetClientWidth(900);
        Form->SetClientHeight(600);
        Grid = new Tyl_DataDrawGrid(Form.get());
        Grid->SetParent(Form.get());
        Grid->SetAlign(alClient);
        Grid->SetColCount(Columns);
        Grid->SetFixedCols(0);
        Grid->SetOptions({goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect,
                          goDrawFocusSelected, goColSizing, goTabs, goRowSelect, goThumbTracking});
        for (int I = 0; I < Columns; ++I) {
            TColumn* C = Grid->Columns()->GetItem(I);
            C->SetWidth(Widths[I]);
            C->Title()->SetCaption("Column "_a + IntToStr(I));
            C->SetFormat(I >= 10 ? cfCurrency : cfString);
            C->SetAlignment(I >= 10 ? taRightJustify : taLeftJustify);
        }
        Grid->Columns()->GetItem(3)->SetAutoSize(true);
        Grid->OnGetEditText = TGetEditEvent(this, &InvoicePage::GetText);
        Grid->SetRowCount(Rows + 1);
        Form->Show();
        Grid->SetFocus();
    }

    void Paint() { UpdateWindow(Grid->Handle()); }
    void Key(Word Key) { Grid->Perform(WM_KEYDOWN, Key, 0); }

    std::unique_ptr<TForm> Form;
    Tyl_DataDrawGrid* Grid = nullptr;
    long Asked = 0;
    /// Non-zero: every text carries it, so a new value makes every text one
    /// never drawn before (nothing laid out earlier can be reused).
    long Generation = 0;

private:
    /// Texts made on demand, as the window forms them from its rows.
    void GetText(TObject*, int ACol, int ARow, AnsiString& Value)
    {
        ++Asked;
        switch (ACol) {
        case 0: Value = IntToStr(ARow); break;
        case 3: Value = "Товар номер "_a + IntToStr(ARow); break;
        case 10: case 11: case 12: case 13: Value = IntToStr(ARow % 1000 + ACol) + ",50"; break;
        default: Value = "Текст"_a; break;
        }
        if (Generation)
            Value = Value + " " + IntToStr(static_cast<int>(Generation));
    }
};

void BM_ShowAndPaintFirstPage(benchmark::State& State)
{
    StartBenchWindows();
    long Asked = 0;
    for (auto _ : State) {
        InvoicePage Page(static_cast<int>(State.range(0)));
        Page.Paint();
        Asked = Page.Asked;
        State.PauseTiming();
        Page.Form.reset();
        State.ResumeTiming();
    }
    if (Asked < Columns * 20)
        State.SkipWithError("the grid drew no page");
    benchmark::DoNotOptimize(Asked);
}
BENCHMARK(BM_ShowAndPaintFirstPage)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_PageToLastRowAndPaint(benchmark::State& State)
{
    StartBenchWindows();
    InvoicePage Page(static_cast<int>(State.range(0)));
    Page.Paint();
    for (auto _ : State) {
        Page.Key(VK_END);
        Page.Paint();
        State.PauseTiming();
        if (Page.Grid->Row() != Page.Grid->RowCount() - 1)
            State.SkipWithError("End did not reach the last row");
        Page.Key(VK_HOME);
        Page.Paint();
        State.ResumeTiming();
    }
    benchmark::DoNotOptimize(Page.Asked);
}
BENCHMARK(BM_PageToLastRowAndPaint)->Arg(100000)->Unit(benchmark::kMillisecond);

// The same with texts never drawn before on every page shown.
void BM_PageToLastRowAndPaintNewTexts(benchmark::State& State)
{
    StartBenchWindows();
    InvoicePage Page(static_cast<int>(State.range(0)));
    Page.Paint();
    for (auto _ : State) {
        ++Page.Generation;
        Page.Key(VK_END);
        Page.Paint();
        State.PauseTiming();
        if (Page.Grid->Row() != Page.Grid->RowCount() - 1)
            State.SkipWithError("End did not reach the last row");
        ++Page.Generation;
        Page.Key(VK_HOME);
        Page.Paint();
        State.ResumeTiming();
    }
    benchmark::DoNotOptimize(Page.Asked);
}
BENCHMARK(BM_PageToLastRowAndPaintNewTexts)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_ArrowDownAndPaint(benchmark::State& State)
{
    StartBenchWindows();
    InvoicePage Page(static_cast<int>(State.range(0)));
    Page.Paint();
    for (auto _ : State) {
        Page.Key(VK_DOWN);
        Page.Paint();
        if (Page.Grid->Row() == Page.Grid->RowCount() - 1) {
            State.PauseTiming();
            Page.Key(VK_HOME);
            Page.Paint();
            State.ResumeTiming();
        }
    }
    benchmark::DoNotOptimize(Page.Asked);
}
BENCHMARK(BM_ArrowDownAndPaint)->Arg(100000)->Unit(benchmark::kMicrosecond);

} // namespace

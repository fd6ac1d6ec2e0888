// A page of price tags as the report engine makes it: 16 tags of 40 x 60
// mm on the printable area of an A4 sheet (748 x 1090 pixels), each a
// frame, a filled band, five text pieces and a small logo. Measured:
// recording the page into a metafile, and playing it back onto the
// screen-sized picture of the preview (96 dpi) and onto a picture at the
// printer's 600 dpi (a region of it, as a band of a printed page).

#include "bench/support/BenchWindows.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Graphics.h"
#include "platform/forms/Metafiles.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

TBitmap& Logo()
{
    static TBitmap B;
    if (B.Width() == 0) {
        B.SetSize(60, 24);
        B.Canvas()->Brush()->SetColor(clNavy);
        B.Canvas()->FillRect(Rect(0, 0, 60, 24));
        B.Canvas()->Brush()->SetColor(clYellow);
        B.Canvas()->FillRect(Rect(6, 6, 54, 18));
    }
    return B;
}

std::unique_ptr<TMetafile> MakePage()
{
    auto M = std::make_unique<TMetafile>();
    M->SetWidth(748);
    M->SetHeight(1090);
    TMetafileCanvas C(M.get(), nullptr);
    C.Font()->SetName("Arial");
    for (int Row = 0; Row < 4; ++Row)
        for (int Col = 0; Col < 4; ++Col) {
            const int X = 10 + Col * 182, Y = 10 + Row * 270;
            C.Brush()->SetStyle(bsSolid);
            C.Brush()->SetColor(TColor(RGB(255, 240, 200)));
            C.FillRect(Rect(X, Y, X + 151, Y + 40));
            C.Brush()->SetStyle(bsClear);
            C.Pen()->SetWidth(1);
            C.Rectangle(X, Y, X + 151, Y + 227);
            C.StretchDraw(Rect(X + 4, Y + 4, X + 64, Y + 28), &Logo());
            C.Font()->SetSize(8);
            C.TextRect(Rect(X + 4, Y + 44, X + 147, Y + 60), X + 4, Y + 44, "Молоко пастеризованное 3,2%"_a);
            C.TextRect(Rect(X + 4, Y + 60, X + 147, Y + 76), X + 4, Y + 60, "1 л, Россия"_a);
            C.Font()->SetSize(20);
            C.Font()->SetStyle({fsBold});
            C.TextRect(Rect(X + 4, Y + 90, X + 147, Y + 130), X + 20, Y + 90, "89,90");
            C.Font()->SetStyle({});
            C.Font()->SetSize(7);
            C.TextRect(Rect(X + 4, Y + 200, X + 147, Y + 214), X + 4, Y + 200, "Арт. 4607001"_a);
            C.TextRect(Rect(X + 4, Y + 212, X + 147, Y + 226), X + 80, Y + 212, "10.12.2026");
        }
    return M;
}

void BM_RecordPage(benchmark::State& State)
{
    StartBenchWindows();
    size_t Bytes = 0;
    for (auto _ : State) {
        auto M = MakePage();
        Bytes = M->Data().size();
        benchmark::DoNotOptimize(M);
    }
    State.counters["emf_bytes"] = static_cast<double>(Bytes);
}
BENCHMARK(BM_RecordPage)->Unit(benchmark::kMillisecond);

// Arg 96: the whole page on a 748 x 1090 picture. Arg 600: the top sixth of
// the page stretched to 600 dpi (a 4676 x 1136 band).
void BM_PlayPage(benchmark::State& State)
{
    StartBenchWindows();
    const auto M = MakePage();
    const int Dpi = static_cast<int>(State.range(0));
    const int W = 748 * Dpi / 96;
    const int H = Dpi == 96 ? 1090 : 1090 * Dpi / 96 / 6;
    TBitmap Target;
    Target.SetSize(W, H);
    for (auto _ : State) {
        Target.Canvas()->Brush()->SetColor(clWhite);
        Target.Canvas()->FillRect(Rect(0, 0, W, H));
        PlayEnhMetaFile(Target.Canvas()->Handle(), M.get(), Rect(0, 0, W, 1090 * Dpi / 96));
    }
}
BENCHMARK(BM_PlayPage)->Arg(96)->Arg(600)->Unit(benchmark::kMillisecond);

}  // namespace

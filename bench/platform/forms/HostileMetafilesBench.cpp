// Metafiles made to be slow or heavy to play: a clip region of many
// rectangles, a polyline of a million points, and pages whose fonts ask for
// glyphs no page can hold (tests/data/Metafiles/hostile). Each is played
// onto a page-sized picture (748 x 1090, the preview of an A4 page); the
// time and the heap peak of one play are printed.

#include "bench/support/BenchWindows.h"
#include "bench/support/PeakMemory.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Graphics.h"
#include "platform/forms/Metafiles.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr int PageW = 748, PageH = 1090;

void Put32(std::string& S, uint32_t V)
{
    for (int I = 0; I < 4; ++I)
        S += char((V >> (8 * I)) & 0xFF);
}

void Record(std::string& S, uint32_t Type, const std::string& Body)
{
    Put32(S, Type);
    Put32(S, uint32_t(8 + Body.size()));
    S += Body;
}

/// A metafile of PageW x PageH pixels at 96 dpi around Body's records.
std::string Metafile(const std::string& Body, uint32_t Records)
{
    std::string H;
    for (int32_t V : {0, 0, PageW - 1, PageH - 1, 0, 0, PageW * 2540 / 96, PageH * 2540 / 96})
        Put32(H, uint32_t(V));
    Put32(H, 0x464D4520);
    Put32(H, 0x10000);
    const uint32_t Size = 88 + uint32_t(Body.size()) + 20;
    Put32(H, Size);
    Put32(H, Records + 2);
    Put32(H, 4);  // handles, and the reserved half
    Put32(H, 0);
    Put32(H, 0);
    Put32(H, 0);
    for (int32_t V : {1920, 1920, 508, 508})
        Put32(H, uint32_t(V));
    std::string Out;
    Record(Out, 1, H);
    Out += Body;
    std::string Eof;
    for (uint32_t V : {0u, 16u, 20u})
        Put32(Eof, V);
    Record(Out, 14, Eof);
    return Out;
}

/// A clip region of Count one-pixel rectangles on a grid of every other
/// pixel, then a fill of the whole page through it.
std::string ClipRegion(int Count)
{
    std::string Region;
    for (uint32_t V : {32u, 1u, uint32_t(Count), uint32_t(Count) * 16})
        Put32(Region, V);
    for (int32_t V : {0, 0, PageW, PageH})
        Put32(Region, uint32_t(V));
    const int PerRow = PageW / 2;
    for (int I = 0; I < Count; ++I) {
        const int X = (I % PerRow) * 2, Y = (I / PerRow) * 2 % PageH;
        for (int32_t V : {X, Y, X + 1, Y + 1})
            Put32(Region, uint32_t(V));
    }
    std::string Body, Clip;
    Put32(Clip, uint32_t(Region.size()));
    Put32(Clip, 5);  // RGN_COPY
    Clip += Region;
    Record(Body, 75, Clip);
    std::string Fill;
    for (int32_t V : {0, 0, PageW, PageH})
        Put32(Fill, uint32_t(V));
    Record(Body, 43, Fill);  // a rectangle of the whole page
    return Metafile(Body, 2);
}

/// One polyline of Count points zigzagging down the page.
std::string Polyline(int Count)
{
    std::string Line;
    for (int32_t V : {0, 0, PageW, PageH})
        Put32(Line, uint32_t(V));
    Put32(Line, uint32_t(Count));
    for (int I = 0; I < Count; ++I) {
        Put32(Line, uint32_t((I % 2) * (PageW - 1)));
        Put32(Line, uint32_t(int64_t(I) * PageH / Count));
    }
    std::string Body;
    Record(Body, 4, Line);
    return Metafile(Body, 1);
}

void Play(benchmark::State& State, const std::string& Bytes)
{
    StartBenchWindows();
    TBitmap Page;
    Page.SetSize(PageW, PageH);
    {
        const PeakMemoryScope Memory;
        if (!PlayEnhMetaFileBits(Page.Canvas()->Handle(), Bytes.data(), Bytes.size(), Rect(0, 0, PageW, PageH)))
            State.SkipWithError("the metafile is refused");
        Memory.Report(State);
    }
    for (auto _ : State)
        benchmark::DoNotOptimize(
            PlayEnhMetaFileBits(Page.Canvas()->Handle(), Bytes.data(), Bytes.size(), Rect(0, 0, PageW, PageH)));
    State.counters["file_MiB"] = double(Bytes.size()) / (1024.0 * 1024.0);
}

void BM_PlayClipRegion(benchmark::State& State)
{
    Play(State, ClipRegion(int(State.range(0))));
}
BENCHMARK(BM_PlayClipRegion)->Arg(80000)->Arg(200000)->Unit(benchmark::kMillisecond);

void BM_PlayPolyline(benchmark::State& State)
{
    Play(State, Polyline(int(State.range(0))));
}
BENCHMARK(BM_PlayPolyline)->Arg(1000000)->Unit(benchmark::kMillisecond);

/// Every metafile of the hostile folder that the player accepts, one after
/// the other; the peak is the largest of them.
void BM_PlayAbsurdFonts(benchmark::State& State)
{
    namespace fs = std::filesystem;
    std::vector<std::string> Files;
    const fs::path Dir = fs::path(PRICETAGS_BENCH_DATA) / ".." / "tests" / "data" / "Metafiles" / "hostile";
    for (const auto& Entry : fs::directory_iterator(Dir)) {
        if (Entry.path().filename().string().rfind("device-", 0) == 0)
            continue;
        std::ifstream In(Entry.path(), std::ios::binary);
        Files.emplace_back((std::istreambuf_iterator<char>(In)), std::istreambuf_iterator<char>());
    }
    StartBenchWindows();
    TBitmap Page;
    Page.SetSize(PageW, PageH);
    const auto PlayAll = [&] {
        for (const std::string& Bytes : Files)
            if (!PlayEnhMetaFileBits(Page.Canvas()->Handle(), Bytes.data(), Bytes.size(), Rect(0, 0, PageW, PageH)))
                State.SkipWithError("a metafile is refused");
    };
    {
        const PeakMemoryScope Memory;
        PlayAll();
        Memory.Report(State);
    }
    for (auto _ : State)
        PlayAll();
    State.counters["files"] = double(Files.size());
}
BENCHMARK(BM_PlayAbsurdFonts)->Unit(benchmark::kMillisecond);

}  // namespace

// Compression of attachments and a screenshot-sized buffer (a 1920 x 1080
// PNG's raw rows are about 2 MB), and the digest behind the block's key.

#include "exceptionlog/Codecs.h"

#include <benchmark/benchmark.h>

#include <random>
#include <string>

namespace {

std::string Sample(size_t N)
{
    std::mt19937 Gen(21);
    std::string S(N, '\0');
    for (char& C : S)
        C = char(Gen() % 16);  // compressible like report text and screenshots
    return S;
}

void BM_CompressBuffer(benchmark::State& State)
{
    const std::string Data = Sample(size_t(State.range(0)));
    const std::string Packed = CompressBuffer(Data.data(), Data.size());
    if (DecompressBuffer(Packed.data(), Packed.size()) != Data)
        State.SkipWithError("round trip failed");
    for (auto _ : State)
        benchmark::DoNotOptimize(CompressBuffer(Data.data(), Data.size()));
    State.SetBytesProcessed(int64_t(State.iterations()) * State.range(0));
}
BENCHMARK(BM_CompressBuffer)->Arg(64 << 10)->Arg(2 << 20);

void BM_DecompressBuffer(benchmark::State& State)
{
    const std::string Data = Sample(size_t(State.range(0)));
    const std::string Packed = CompressBuffer(Data.data(), Data.size());
    for (auto _ : State)
        benchmark::DoNotOptimize(DecompressBuffer(Packed.data(), Packed.size()));
    State.SetBytesProcessed(int64_t(State.iterations()) * State.range(0));
}
BENCHMARK(BM_DecompressBuffer)->Arg(2 << 20);

void BM_MD5(benchmark::State& State)
{
    const std::string Data = Sample(size_t(State.range(0)));
    for (auto _ : State)
        benchmark::DoNotOptimize(MD5(Data.data(), Data.size()));
    State.SetBytesProcessed(int64_t(State.iterations()) * State.range(0));
}
BENCHMARK(BM_MD5)->Arg(1 << 20);

}  // namespace

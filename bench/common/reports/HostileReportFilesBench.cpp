// Report files made to be heavy: templates of nothing but empty element
// records (8 bytes each in the file, a kilobyte each in memory), and
// generated-report files of pages holding only a metafile header (about 120
// bytes a page). Built here in memory; the time and the heap peak of
// reading each are printed. A template past what one may hold is refused
// before its elements are made.

#include "bench/support/PeakMemory.h"
#include "common/reports/RP_Document.h"
#include "common/reports/RP_Eng.h"
#include "common/reports/RP_PreviewForm.h"

#include "platform/classes/Streams.h"
#include "platform/rtl/Exceptions.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

namespace {

/// A binary template of one page holding Count empty elements.
std::string EmptyElements(int Count)
{
    TMemoryStream S;
    RP_Eng::WriteString(S, "FRDCR");
    RP_Eng::WriteIntegerTag(S, 10, 1);
    RP_Eng::WriteStringTag(S, 12, "PAGES");
    RP_Eng::WriteIntegerTag(S, 2, 0);
    RP_Eng::WriteIntegerTag(S, 10, Count);
    for (int I = 0; I < Count; ++I) {
        RP_Eng::WriteStringTag(S, 0, "TV");
        RP_Eng::WriteStringTag(S, 255, "ENDTV");
    }
    RP_Eng::WriteStringTag(S, 255, "ENDPG");
    RP_Eng::WriteStringTag(S, 255, "ENDFR");
    return std::string(static_cast<const char*>(S.Memory()), size_t(S.Size()));
}

void Put32(std::string& S, uint32_t V)
{
    for (int I = 0; I < 4; ++I)
        S += char((V >> (8 * I)) & 0xFF);
}

/// A ".rep" file of Count pages, each a metafile of a header and the end
/// record only.
std::string EmptyPages(int Count)
{
    std::string Page;
    for (uint32_t V : {1u, 88u, 0u, 0u, 299u, 399u, 0u, 0u, 7937u, 10582u, 0x464D4520u, 0x10000u, 108u, 2u,
                       1u, 0u, 0u, 0u, 1920u, 1920u, 508u, 508u, 14u, 20u, 0u, 16u, 20u})
        Put32(Page, V);
    std::string File(128, '\0');
    File[0] = 1;
    File[112] = char(Count & 0xFF);
    File[113] = char((Count >> 8) & 0xFF);
    File[114] = char((Count >> 16) & 0xFF);
    File[115] = char((Count >> 24) & 0xFF);
    File.resize(124);
    for (int I = 1; I <= Count; ++I) {
        Put32(File, uint32_t(I));
        Put32(File, uint32_t(File.size() + 4 + Page.size() + 4));
        File += Page;
        Put32(File, 1);
    }
    return File;
}

/// Reads Bytes with Read once for the heap peak, then timed.
template <typename Fn>
void Measure(benchmark::State& State, const std::string& Bytes, Fn Read)
{
    {
        const PeakMemoryScope Memory;
        Read();
        Memory.Report(State);
    }
    for (auto _ : State)
        Read();
    State.counters["file_MiB"] = double(Bytes.size()) / (1024.0 * 1024.0);
}

void BM_LoadTemplateOfEmptyElements(benchmark::State& State)
{
    const std::string Bytes = EmptyElements(int(State.range(0)));
    bool Refused = false;
    Measure(State, Bytes, [&] {
        MemoryBlockStream In(Bytes.data(), Bytes.size());
        TDocument Doc(nullptr);
        try {
            Doc.LoadFromAnyStream(In);
        } catch (const Exception&) {
            Refused = true;
        }
    });
    State.counters["refused"] = Refused ? 1 : 0;
}
// The most a template may hold, and a million (refused).
BENCHMARK(BM_LoadTemplateOfEmptyElements)->Arg(20000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_ReadRepOfEmptyPages(benchmark::State& State)
{
    const std::string Bytes = EmptyPages(int(State.range(0)));
    size_t Pages = 0;
    bool Refused = false;
    Measure(State, Bytes, [&] {
        MemoryBlockStream In(Bytes.data(), Bytes.size());
        try {
            Pages = ReadPrintStream(In, /*Qrp=*/false).Pages.size();
        } catch (const Exception&) {
            Refused = true;
        }
    });
    State.counters["pages"] = double(Pages);
    State.counters["refused"] = Refused ? 1 : 0;
}
// About 10 MB, and 200 MB.
BENCHMARK(BM_ReadRepOfEmptyPages)->Arg(83000)->Arg(1670000)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

// Tree and header streams made to be costly: a million top-level nodes,
// selected or not, read from memory and from a file (the file stream reads
// ahead, so a file costs about what memory does) and saved to both, and
// header streams of 100,000 and 200,000 columns. Each benchmark prints its time and, from a
// pass of its own, the heap it held at most and the process's peak size.

#include "bench/support/PeakMemory.h"
#include "common/vtree/VTree.h"

#include "platform/classes/Streams.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

namespace {

void Put32(std::string& Out, uint32_t V)
{
    for (int I = 0; I < 4; ++I)
        Out += static_cast<char>((V >> (8 * I)) & 0xFF);
}

/// A version 2 tree stream of Count top-level nodes without children.
std::string TreeStreamBytes(uint32_t Count, bool Selected)
{
    const unsigned char Magic[12] = {0x45, 0x20, 0x56, 0, 0x54, 0, 2, 0, 0x20, 0, 0x46, 0x20};
    std::string Out(reinterpret_cast<const char*>(Magic), sizeof Magic);
    Put32(Out, Count);
    // Node chunk header, base chunk header, the 17-byte base body.
    std::string Node;
    Put32(Node, 1);
    Put32(Node, 8 + 17);
    Put32(Node, 2);
    Put32(Node, 17);
    Put32(Node, 0);   // children
    Put32(Node, 18);  // height
    const uint32_t States = 0x00A1 | (Selected ? 1u << vsSelected : 0u);
    Node += static_cast<char>(States & 0xFF);
    Node += static_cast<char>(States >> 8);
    Node += std::string("\x32\0\0", 3);  // align, check state, check type
    Put32(Node, 0);
    Out.reserve(Out.size() + Node.size() * Count);
    for (uint32_t I = 0; I < Count; ++I)
        Out += Node;
    return Out;
}

/// A header stream (version 3) of Count columns shown in reverse order.
std::string HeaderStreamBytes(uint32_t Count)
{
    std::string Out;
    Put32(Out, 0xFFFFFFFF);
    Put32(Out, 3);
    Put32(Out, Count);
    std::string Column;
    Put32(Column, 1);
    Column += std::string("A\0", 2);
    Put32(Column, 0);
    for (int32_t V : {50, 10, 10000, 0, -1, 0, 4, 4, 0, 255, 0, 0, 0})
        Put32(Column, static_cast<uint32_t>(V));
    for (uint32_t I = 0; I < Count; ++I)
        Out += Column;
    for (uint32_t I = Count; I > 0; --I)
        Put32(Out, I - 1);
    for (int32_t V : {0, 0, 17, 522, 0, 0, -11})
        Put32(Out, static_cast<uint32_t>(V));
    Put32(Out, 5);
    Out += "Arial";
    for (int32_t V : {0, 0, 0, -1, 0})
        Put32(Out, static_cast<uint32_t>(V));
    return Out;
}

AnsiString WriteTempFile(const std::string& Name, const std::string& Bytes)
{
    const auto Path = std::filesystem::temp_directory_path() / Name;
    std::ofstream(Path, std::ios::binary).write(Bytes.data(), std::streamsize(Bytes.size()));
    return AnsiString::FromUtf8(Path.string());
}

std::unique_ptr<TBaseVirtualTree> MultiSelectTree()
{
    auto Tree = std::make_unique<TBaseVirtualTree>(nullptr);
    Tree->TreeOptions()->SetSelectionOptions({toMultiSelect});
    return Tree;
}

// Arguments: nodes, selected (0/1), from a file (0/1).
void BM_LoadHostileTreeStream(benchmark::State& State)
{
    const auto Count = static_cast<uint32_t>(State.range(0));
    const bool Selected = State.range(1) != 0;
    const bool FromFile = State.range(2) != 0;
    const std::string Bytes = TreeStreamBytes(Count, Selected);
    const AnsiString File = FromFile ? WriteTempFile("pricetags-hostile.vtree", Bytes) : "";
    const auto Load = [&](TBaseVirtualTree& Tree) {
        if (FromFile) {
            Tree.LoadFromFile(File);
            return;
        }
        MemoryBlockStream Stream(Bytes.data(), Bytes.size());
        Tree.LoadFromStream(&Stream);
    };
    {
        const PeakMemoryScope Peak;
        auto Tree = MultiSelectTree();
        Load(*Tree);
        if (Tree->TotalCount() != Count || Tree->SelectedCount() != (Selected ? Count : 0))
            State.SkipWithError("the tree did not load whole");
        Tree.reset();
        Peak.Report(State);
    }
    for (auto _ : State) {
        State.PauseTiming();
        auto Tree = MultiSelectTree();
        State.ResumeTiming();
        Load(*Tree);
        State.PauseTiming();
        Tree.reset();
        State.ResumeTiming();
    }
    State.counters["stream_MiB"] = double(Bytes.size()) / (1024.0 * 1024.0);
    if (FromFile)
        std::filesystem::remove(File.ToUtf8());
}
BENCHMARK(BM_LoadHostileTreeStream)
    ->ArgNames({"nodes", "selected", "file"})
    ->Args({1000000, 0, 0})
    ->Args({1000000, 1, 0})
    ->Args({1000000, 0, 1})
    ->Args({1000000, 1, 1})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// Arguments: nodes, to a file (0/1). The writer patches each chunk's size
// behind it; a file gets the whole stream in one write.
void BM_SaveTreeStream(benchmark::State& State)
{
    const auto Count = static_cast<uint32_t>(State.range(0));
    const bool ToFile = State.range(1) != 0;
    const std::string Bytes = TreeStreamBytes(Count, false);
    auto Tree = MultiSelectTree();
    MemoryBlockStream Source(Bytes.data(), Bytes.size());
    Tree->LoadFromStream(&Source);
    const auto Path = std::filesystem::temp_directory_path() / "pricetags-saved.vtree";
    const AnsiString File = AnsiString::FromUtf8(Path.string());
    Int64 Size = 0;
    for (auto _ : State) {
        if (ToFile) {
            Tree->SaveToFile(File);
            Size = static_cast<Int64>(std::filesystem::file_size(Path));
        } else {
            TMemoryStream Stream;
            Tree->SaveToStream(&Stream);
            Size = Stream.Size();
        }
    }
    if (Size != static_cast<Int64>(Bytes.size()))
        State.SkipWithError("the saved stream differs in size");
    std::filesystem::remove(Path);
}
BENCHMARK(BM_SaveTreeStream)
    ->ArgNames({"nodes", "file"})
    ->Args({1000000, 0})
    ->Args({1000000, 1})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

void BM_ReadHostileHeaderStream(benchmark::State& State)
{
    const auto Count = static_cast<uint32_t>(State.range(0));
    const std::string Bytes = HeaderStreamBytes(Count);
    // The tree is freed inside the timed part: its columns go one by one.
    const auto ReadAndFree = [&] {
        auto Tree = std::make_unique<TBaseVirtualTree>(nullptr);
        MemoryBlockStream Stream(Bytes.data(), Bytes.size());
        Tree->Header()->ReadFromStream(&Stream);
        return Tree->Header()->Columns()->Count();
    };
    {
        const PeakMemoryScope Peak;
        if (ReadAndFree() != static_cast<int>(Count))
            State.SkipWithError("not every column read");
        Peak.Report(State);
    }
    for (auto _ : State)
        benchmark::DoNotOptimize(ReadAndFree());
    State.counters["stream_MiB"] = double(Bytes.size()) / (1024.0 * 1024.0);
}
BENCHMARK(BM_ReadHostileHeaderStream)
    ->Arg(100000)
    ->Arg(200000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

}  // namespace

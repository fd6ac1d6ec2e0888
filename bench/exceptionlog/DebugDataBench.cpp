// The debug tables at the size of this program (about 20 000 procedures
// and 400 000 line rows): reading them at the first lookup of a report,
// one lookup per frame, and the cost each C++ throw pays while the
// exception log is active (its stack is recorded).

#include "exceptionlog/DataBlock.h"
#include "exceptionlog/DebugData.h"
#include "exceptionlog/Hooks.h"

#include "platform/classes/Streams.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <string>

namespace {

DebugTables MakeTables(int Procedures)
{
    DebugTables T;
    for (int I = 0; I < 500; ++I)
        T.Units.push_back("Unit" + std::to_string(I) + ".cpp");
    uint64_t Address = 0x1000;
    for (int I = 0; I < Procedures; ++I) {
        const uint64_t Size = 64 + uint64_t(I % 50) * 16;
        T.Procedures.push_back({uint32_t(I % 500), "TClass" + std::to_string(I % 300),
                                "Method" + std::to_string(I), Address, Address + Size});
        for (uint64_t A = Address; A < Address + Size; A += Size / 20)
            T.Lines.push_back({A, uint32_t(I % 500), uint32_t(I + A % 97)});
        Address += Size;
    }
    return T;
}

std::unique_ptr<ModuleRecord> Record(const std::string& Debug)
{
    auto Rec = std::make_unique<ModuleRecord>();
    Rec->Handle = 0;
    Rec->FileName = "pricetags";
    Rec->DebugData = std::make_unique<TMemoryStream>();
    Rec->DebugData->WriteBuffer(Debug.data(), int(Debug.size()));
    Rec->DebugDataPresent = true;
    return Rec;
}

void BM_ReadDebugTables(benchmark::State& State)
{
    const std::string Data = WriteDebugTables(MakeTables(int(State.range(0))), 513, "");
    for (auto _ : State)
        benchmark::DoNotOptimize(ReadDebugTables(Data, 513, "", true));
    State.counters["bytes"] = double(Data.size());
}
BENCHMARK(BM_ReadDebugTables)->Arg(20000)->Unit(benchmark::kMillisecond);

void BM_FindSymbol(benchmark::State& State)
{
    const DebugTables T = MakeTables(int(State.range(0)));
    const auto Rec = Record(WriteDebugTables(T, 513, ""));
    StackEntry E;
    if (!FindSymbol(*Rec, T.Procedures[100].Start + 8, true, E) || E.ProcedureName != "Method100")
        State.SkipWithError("lookup failed");
    std::mt19937_64 Gen(7);
    const uint64_t End = T.Procedures.back().End;
    for (auto _ : State) {
        StackEntry Entry;
        benchmark::DoNotOptimize(FindSymbol(*Rec, 0x1000 + Gen() % (End - 0x1000), true, Entry));
    }
}
BENCHMARK(BM_FindSymbol)->Arg(20000);

[[gnu::noinline]] void Nest(int Depth, const void* Object)
{
    if (Depth == 0) {
        RecordThrow(Object);
        return;
    }
    Nest(Depth - 1, Object);
    benchmark::ClobberMemory();
}

void BM_RecordThrow(benchmark::State& State)
{
    int Object = 0;
    for (auto _ : State)
        Nest(int(State.range(0)), &Object);
    std::vector<uintptr_t> Stack;
    if (!FindThrowRecord(&Object, Stack) || Stack.size() < size_t(State.range(0)))
        State.SkipWithError("no stack recorded");
}
BENCHMARK(BM_RecordThrow)->Arg(10)->Arg(40);

}  // namespace

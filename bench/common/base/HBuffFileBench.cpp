// Writing and reading a data file of a shop-sized invoice (10 000 rows by
// default) through the buffered file stream and the tagged encoding: the
// stream must move whole buffers, so a row costs memory copies, not system
// calls.

#include "common/base/Funcs.h"
#include "common/base/HBuffFile.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace {

AnsiString BenchFile()
{
    static const std::string Name =
        (std::filesystem::temp_directory_path() / "pricetags-bench.inv").string();
    return AnsiString::FromUtf8(Name);
}

/// One invoice row the way the invoice file holds it.
void WriteRow(TStream& S, int I)
{
    WriteRecordStart(S, "TInT1");
    WriteByte(S, 1);
    WriteString(S, "Ручка шариковая синяя, арт. "_a + AnsiString(std::to_string(I)));
    WriteByte(S, 2);
    WriteString(S, "Канцтовары"_a);
    WriteByte(S, 9);
    WriteCurrency(S, Currency::FromRaw(125000 + I));
    WriteByte(S, 18);
    WriteCurrency(S, Currency::FromRaw(10000 * (I % 50 + 1)));
    WriteByte(S, 15);
    WriteBoolean(S, I % 2 == 0);
    WriteRecordEnd(S);
}

void WriteFile(int Rows)
{
    TschFileStream S(BenchFile(), schCreate);
    WriteRecordList(S, Rows);
    for (int I = 0; I < Rows; ++I)
        WriteRow(S, I);
}

/// Reads the rows back; returns the sum of the prices as a check.
int64_t ReadFile()
{
    TschFileStream S(BenchFile(), schOpenRead);
    (void)ReadByte(S);
    const Integer Rows = ReadRecordListCount(S);
    int64_t Sum = 0;
    for (Integer I = 0; I < Rows; ++I) {
        for (Byte Tag = ReadByte(S); Tag != TagRecordEnd; Tag = ReadByte(S)) {
            switch (Tag) {
            case TagRecordStart:
                ReadRecordHeader(S, "TInT1");
                break;
            case 1:
            case 2:
                (void)ReadString(S);
                break;
            case 9:
                Sum += ReadCurrency(S).Raw();
                break;
            case 18:
                (void)ReadCurrency(S);
                break;
            case 15:
                (void)ReadBoolean(S);
                break;
            default:
                RaiseUnknownTag();
            }
        }
    }
    return Sum;
}

void BM_WriteInvoiceFile(benchmark::State& State)
{
    const int Rows = static_cast<int>(State.range(0));
    for (auto _ : State)
        WriteFile(Rows);
    if (ReadFile() <= 0)
        State.SkipWithError("the file written holds no rows");
    State.SetItemsProcessed(State.iterations() * Rows);
    std::remove(BenchFile().ToUtf8().c_str());
}
BENCHMARK(BM_WriteInvoiceFile)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_ReadInvoiceFile(benchmark::State& State)
{
    const int Rows = static_cast<int>(State.range(0));
    WriteFile(Rows);
    int64_t Expected = 0;
    for (int I = 0; I < Rows; ++I)
        Expected += 125000 + I;
    if (ReadFile() != Expected)
        State.SkipWithError("the rows read back differ from those written");
    for (auto _ : State)
        benchmark::DoNotOptimize(ReadFile());
    State.SetItemsProcessed(State.iterations() * Rows);
    std::remove(BenchFile().ToUtf8().c_str());
}
BENCHMARK(BM_ReadInvoiceFile)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace

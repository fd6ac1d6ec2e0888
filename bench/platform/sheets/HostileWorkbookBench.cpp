// Workbooks made to be heavy: a 96 MB record stream that repeats one row of
// 256 blank cells (MULBLANK) until it holds 49 million cells on one row,
// and rows of blank cells written bottom to top, against the reading order.
// The files are built here in memory (a version 4 compound file around a
// BIFF8 stream); the time and the heap peak of reading each are printed.
// Repeated positions must be merged as they come, so the first reads in
// the memory of its 256 distinct cells.

#include "bench/support/PeakMemory.h"
#include "platform/sheets/Workbook.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <string>

namespace {

void Put16(std::string& S, uint16_t V)
{
    S += char(V & 0xFF);
    S += char(V >> 8);
}

void Put32(std::string& S, uint32_t V)
{
    Put16(S, uint16_t(V & 0xFFFF));
    Put16(S, uint16_t(V >> 16));
}

void Record(std::string& S, uint16_t Type, const std::string& Data)
{
    Put16(S, Type);
    Put16(S, uint16_t(Data.size()));
    S += Data;
}

std::string Bof(uint16_t Kind)
{
    std::string D;
    Put16(D, 0x0600);  // BIFF8
    Put16(D, Kind);
    Put32(D, 0);
    Put32(D, 0);
    Put32(D, 0);
    return D;
}

/// A BIFF8 stream of one sheet holding Records MULBLANK records of 256
/// cells: all on row 0, or each on a row of its own, the last row first.
std::string BlankCellStream(uint32_t Records, bool OneRow)
{
    std::string Globals;
    Record(Globals, 0x0809, Bof(0x0005));
    const size_t BoundSheetAt = Globals.size();
    std::string BoundSheet;
    Put32(BoundSheet, 0);  // the sheet's offset, filled in below
    BoundSheet += '\0';    // visible
    BoundSheet += '\0';    // worksheet
    BoundSheet += char(5);
    BoundSheet += '\0';    // 8-bit characters
    BoundSheet += "Sheet";
    Record(Globals, 0x0085, BoundSheet);
    Record(Globals, 0x000A, "");
    const uint32_t SheetAt = uint32_t(Globals.size());
    std::memcpy(Globals.data() + BoundSheetAt + 4, &SheetAt, 4);

    std::string Stream = Globals;
    Record(Stream, 0x0809, Bof(0x0010));
    std::string Blank;
    for (uint32_t R = 0; R < Records; ++R) {
        Blank.clear();
        Put16(Blank, OneRow ? 0 : uint16_t(Records - 1 - R));
        Put16(Blank, 0);
        for (int C = 0; C < 256; ++C)
            Put16(Blank, 15);
        Put16(Blank, 255);
        Record(Stream, 0x00BE, Blank);
    }
    Record(Stream, 0x000A, "");
    return Stream;
}

/// Stream as the "Workbook" stream of a version 4 compound file (4096-byte
/// sectors): the allocation table first, the directory, then the stream.
std::string CompoundFile(const std::string& Stream)
{
    constexpr uint32_t Sector = 4096;
    constexpr uint32_t EndOfChain = 0xFFFFFFFE, Free = 0xFFFFFFFF, FatMark = 0xFFFFFFFD;
    const uint32_t Data = uint32_t((Stream.size() + Sector - 1) / Sector);
    uint32_t Fat = 1;
    while (Fat * (Sector / 4) < Fat + 1 + Data)
        ++Fat;
    std::string Out(Sector, '\0');
    const char Signature[] = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
    std::memcpy(Out.data(), Signature, 8);
    auto At16 = [&Out](size_t Pos, uint16_t V) { std::memcpy(Out.data() + Pos, &V, 2); };
    auto At32 = [&Out](size_t Pos, uint32_t V) { std::memcpy(Out.data() + Pos, &V, 4); };
    At16(24, 0x3E);
    At16(26, 4);
    At16(28, 0xFFFE);
    At16(30, 12);
    At16(32, 6);
    At32(44, Fat);
    At32(48, Fat);  // the directory follows the table
    At32(56, 4096);
    At32(60, EndOfChain);
    At32(68, EndOfChain);
    for (uint32_t I = 0; I < 109; ++I)
        At32(76 + 4 * I, I < Fat ? I : Free);
    std::string Table;
    for (uint32_t I = 0; I < Fat * (Sector / 4); ++I) {
        uint32_t Next = Free;
        if (I < Fat)
            Next = FatMark;
        else if (I == Fat)
            Next = EndOfChain;
        else if (I <= Fat + Data)
            Next = I == Fat + Data ? EndOfChain : I + 1;
        Put32(Table, Next);
    }
    Out += Table;
    std::string Dir(Sector, '\0');
    auto Entry = [&Dir](int N, const char* Name, uint8_t Type, uint32_t Child, uint32_t Start,
                        uint64_t Size) {
        char* E = Dir.data() + 128 * N;
        const size_t Len = std::strlen(Name);
        for (size_t I = 0; I < Len; ++I)
            E[2 * I] = Name[I];
        const uint16_t NameBytes = uint16_t(2 * (Len + 1));
        std::memcpy(E + 64, &NameBytes, 2);
        E[66] = char(Type);
        const uint32_t None = 0xFFFFFFFF;
        std::memcpy(E + 68, &None, 4);
        std::memcpy(E + 72, &None, 4);
        std::memcpy(E + 76, &Child, 4);
        std::memcpy(E + 116, &Start, 4);
        std::memcpy(E + 120, &Size, 8);
    };
    Entry(0, "Root Entry", 5, 1, EndOfChain, 0);
    Entry(1, "Workbook", 2, 0xFFFFFFFF, Fat + 1, Stream.size());
    Out += Dir;
    Out += Stream;
    Out.resize(Out.size() + (Sector - Stream.size() % Sector) % Sector, '\0');
    return Out;
}

void RunBlankCells(benchmark::State& State, bool OneRow)
{
    // Records of 256 blank cells, 522 bytes each.
    const uint32_t Records = uint32_t(State.range(0));
    const std::string File = CompoundFile(BlankCellStream(Records, OneRow));
    const size_t Distinct = OneRow ? 256 : size_t(Records) * 256;
    {
        // One pass counted for the peak; the timed passes are not.
        const PeakMemoryScope Memory;
        {
            const Workbook Book = Workbook::LoadFromBytes(File, "hostile.xls");
            if (Book.Sheet(0).Cells.size() != Distinct)
                State.SkipWithError("the workbook reads wrong");
        }
        Memory.Report(State);
    }
    for (auto _ : State) {
        Workbook Book = Workbook::LoadFromBytes(File, "hostile.xls");
        benchmark::DoNotOptimize(Book);
    }
    State.counters["file_MiB"] = double(File.size()) / (1024.0 * 1024.0);
    State.counters["cells_M"] = double(Records) * 256 / 1e6;
}

void BM_HostileBlankCellsOneRow(benchmark::State& State) { RunBlankCells(State, true); }
void BM_HostileBlankCellsRowsBackwards(benchmark::State& State) { RunBlankCells(State, false); }
// 192 000 records: 96 MB, 49 million cells on one row.
BENCHMARK(BM_HostileBlankCellsOneRow)->Arg(192000)->Unit(benchmark::kMillisecond)->Iterations(2);
// 4 000 rows bottom to top: 2 MB, a million distinct cells out of order.
BENCHMARK(BM_HostileBlankCellsRowsBackwards)->Arg(4000)->Unit(benchmark::kMillisecond);

}  // namespace

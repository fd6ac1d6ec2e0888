// Settings files made to be slow: thousands of keys in one section, or
// thousands of sections of one key, read whole the way the program reads
// its lists (every key in turn, or a saved list "S0".."Sn" through
// RestIniStrings). Each benchmark loads the file and reads all of it; the
// time and the heap peak are printed per file. Looking a key up must not
// scan its section, so a 16 000-key file reads in well under 50 ms.
// Files that are no settings at all: random bytes, a million sections of
// four bytes, a file of 200 MB; each is read or refused within about 12
// heap bytes per file byte and a second per 10 MB.

#include "bench/support/PeakMemory.h"
#include "common/base/Funcs.h"
#include "common/base/IniFiles.h"
#include "platform/classes/Strings.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Numbers.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace {

enum class Shape { OneSection, OneKeyEach, SavedList };

/// The generated file: Keys entries in one section "[Big]", or Keys
/// sections "[Sn]" of one entry each, or a saved list of Keys lines.
AnsiString HostileIni(Shape Kind, int Keys)
{
    const auto Path = std::filesystem::temp_directory_path()
        / ("pricetags-hostile-" + std::to_string(int(Kind)) + "-" + std::to_string(Keys) + ".ini");
    const AnsiString File = AnsiString::FromUtf8(Path.string());
    TStringList Lines;
    if (Kind == Shape::OneKeyEach) {
        for (int K = 0; K < Keys; ++K) {
            Lines.Add("[S" + IntToStr(K) + "]");
            Lines.Add("Key=" + IntToStr(K));
        }
    } else {
        Lines.Add("[Big]");
        if (Kind == Shape::SavedList)
            Lines.Add("Count=" + IntToStr(Keys));
        for (int K = 0; K < Keys; ++K)
            Lines.Add(Kind == Shape::SavedList ? "S" + IntToStr(K) + "=\"line " + IntToStr(K) + "\""
                                               : "Key" + IntToStr(K) + "=" + IntToStr(K));
    }
    Lines.SaveToFile(File);
    return File;
}

/// Opens the file and reads every key; returns the sum of the values read,
/// or the number of list lines.
long ReadAll(const AnsiString& File, Shape Kind, int Keys)
{
    TIniFile Ini(File);
    Ini.SetAutoSave(false);
    long Sum = 0;
    switch (Kind) {
    case Shape::OneSection:
        for (int K = 0; K < Keys; ++K)
            Sum += Ini.ReadInteger("Big", "Key" + IntToStr(K), 0);
        break;
    case Shape::OneKeyEach:
        for (int K = 0; K < Keys; ++K)
            Sum += Ini.ReadInteger("S" + IntToStr(K), "Key", 0);
        break;
    case Shape::SavedList: {
        TStringList Lines;
        Integer Index = 0;
        RestIniStrings(Ini, "Big", &Lines, Index);
        Sum = Lines.Count();
        break;
    }
    }
    return Sum;
}

void RunHostile(benchmark::State& State, Shape Kind)
{
    const int Keys = static_cast<int>(State.range(0));
    const AnsiString File = HostileIni(Kind, Keys);
    const long Expected = Kind == Shape::SavedList ? Keys : long(Keys) * (Keys - 1) / 2;
    {
        // One pass counted for the peak; the timed passes are not.
        const PeakMemoryScope Memory;
        if (ReadAll(File, Kind, Keys) != Expected)
            State.SkipWithError("the file reads wrong");
        Memory.Report(State);
    }
    for (auto _ : State)
        benchmark::DoNotOptimize(ReadAll(File, Kind, Keys));
    State.SetItemsProcessed(int64_t(State.iterations()) * Keys);
    std::filesystem::remove(File.ToUtf8());
}

void BM_HostileIniOneSection(benchmark::State& State) { RunHostile(State, Shape::OneSection); }
void BM_HostileIniOneKeyEach(benchmark::State& State) { RunHostile(State, Shape::OneKeyEach); }
void BM_HostileIniSavedList(benchmark::State& State) { RunHostile(State, Shape::SavedList); }
BENCHMARK(BM_HostileIniOneSection)->Arg(8000)->Arg(16000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HostileIniOneKeyEach)->Arg(16000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HostileIniSavedList)->Arg(16000)->Unit(benchmark::kMillisecond);

enum class Junk { RandomBytes, TinySections, Oversized };

/// A file of MiB mebibytes: random bytes from a fixed seed, "[s]" sections
/// of four bytes, or a sparse file (nothing to read).
AnsiString JunkIni(Junk Kind, int64_t MiB)
{
    const auto Path = std::filesystem::temp_directory_path()
        / ("pricetags-junk-" + std::to_string(int(Kind)) + "-" + std::to_string(MiB) + ".ini");
    const int64_t Size = MiB << 20;
    {
        std::ofstream Out(Path, std::ios::binary);
        if (Kind == Junk::RandomBytes) {
            std::mt19937_64 Random(20261211);
            std::string Block(1 << 20, '\0');
            for (int64_t Done = 0; Done < Size; Done += int64_t(Block.size())) {
                for (size_t I = 0; I < Block.size(); I += 8) {
                    const uint64_t R = Random();
                    for (int B = 0; B < 8; ++B)
                        Block[I + B] = char(R >> (8 * B));
                }
                Out << Block;
            }
        } else if (Kind == Junk::TinySections) {
            std::string Block;
            for (int I = 0; I < (1 << 18); ++I)
                Block += "[s]\n";
            for (int64_t Done = 0; Done < Size; Done += int64_t(Block.size()))
                Out << Block;
        }
    }
    if (Kind == Junk::Oversized)
        std::filesystem::resize_file(Path, uintmax_t(Size));
    return AnsiString::FromUtf8(Path.string());
}

/// Opens the file and reads its section names: their count, or -1 when the
/// file is refused.
int LoadJunk(const AnsiString& File)
{
    try {
        TIniFile Ini(File);
        Ini.SetAutoSave(false);
        TStringList Sections;
        Ini.ReadSections(&Sections);
        return Sections.Count();
    } catch (const Exception&) {
        return -1;
    }
}

void RunJunk(benchmark::State& State, Junk Kind)
{
    const int64_t MiB = State.range(0);
    const AnsiString File = JunkIni(Kind, MiB);
    const bool Refused = Kind != Junk::RandomBytes;
    {
        const PeakMemoryScope Memory;
        if ((LoadJunk(File) < 0) != Refused)
            State.SkipWithError(Refused ? "the file was not refused" : "the file was refused");
        const int64_t Bound = Kind == Junk::Oversized ? (1 << 20) : 12 * (MiB << 20) + (2 << 20);
        if (int64_t(Memory.PeakBytes()) > Bound)
            State.SkipWithError("the heap peak is over the bound");
        Memory.Report(State);
    }
    for (auto _ : State)
        benchmark::DoNotOptimize(LoadJunk(File));
    std::filesystem::remove(File.ToUtf8());
}

void BM_JunkIniRandomBytes(benchmark::State& State) { RunJunk(State, Junk::RandomBytes); }
void BM_JunkIniTinySections(benchmark::State& State) { RunJunk(State, Junk::TinySections); }
void BM_JunkIniOversized(benchmark::State& State) { RunJunk(State, Junk::Oversized); }
// Sizes in MiB.
BENCHMARK(BM_JunkIniRandomBytes)->Arg(10)->Arg(30)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JunkIniTinySections)->Arg(4)->Arg(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JunkIniOversized)->Arg(200)->Unit(benchmark::kMillisecond);

}  // namespace

// Settings files made to be slow: thousands of keys in one section, or
// thousands of sections of one key, read whole the way the program reads
// its lists (every key in turn, or a saved list "S0".."Sn" through
// RestIniStrings). Each benchmark loads the file and reads all of it; the
// time and the heap peak are printed per file. Looking a key up must not
// scan its section, so a 16 000-key file reads in well under 50 ms.

#include "bench/support/PeakMemory.h"
#include "common/base/Funcs.h"
#include "common/base/IniFiles.h"
#include "platform/classes/Strings.h"
#include "platform/rtl/Numbers.h"

#include <benchmark/benchmark.h>

#include <filesystem>
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

}  // namespace

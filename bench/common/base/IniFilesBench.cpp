// Reads from the shared ini file are answered from memory: a run of reads
// from one section costs one section search, and the file on disk is looked
// at no more often than every 100 ms. The program ini holds a few dozen
// sections (configuration, reference lists, fonts, window placement), each
// of a few dozen entries; the sizes below go well past that.

#include "common/base/IniFiles.h"
#include "platform/classes/Strings.h"
#include "platform/rtl/Numbers.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

namespace {

/// An ini file of Sections sections of 30 entries, written once.
AnsiString BenchIni(int Sections)
{
    const std::string Name = (std::filesystem::temp_directory_path() /
                              ("pricetags-bench-" + std::to_string(Sections) + ".ini"))
                                 .string();
    const AnsiString File = AnsiString::FromUtf8(Name);
    TStringList Lines;
    for (int S = 0; S < Sections; ++S) {
        Lines.Add("[Section" + IntToStr(S) + "]");
        for (int K = 0; K < 30; ++K)
            Lines.Add("Key" + IntToStr(K) + "=\"Value " + IntToStr(K) + "\"");
        Lines.Add("");
    }
    Lines.SaveToFile(File);
    return File;
}

/// Every entry of the last section read in turn, through the quoted read.
void BM_ReadSectionEntries(benchmark::State& State)
{
    const int Sections = static_cast<int>(State.range(0));
    const AnsiString File = BenchIni(Sections);
    TIniFile Ini(File);
    Ini.SetAutoSave(false);
    const AnsiString Section = "Section" + IntToStr(Sections - 1);
    AnsiString Names[30];
    for (int K = 0; K < 30; ++K)
        Names[K] = "Key" + IntToStr(K);
    for (auto _ : State) {
        for (int K = 0; K < 30; ++K)
            benchmark::DoNotOptimize(Ini.ReadQuotedString(Section, Names[K], ""));
    }
    if (Ini.ReadQuotedString(Section, "Key29", "") != "Value 29")
        State.SkipWithError("wrong value read");
    State.SetItemsProcessed(State.iterations() * 30);
    std::filesystem::remove(File.ToUtf8());
}
BENCHMARK(BM_ReadSectionEntries)->Arg(10)->Arg(100)->Arg(1000);

/// Opening a second object on a file already open: it joins the shared
/// copy instead of reading the file.
void BM_OpenSharedFile(benchmark::State& State)
{
    const AnsiString File = BenchIni(static_cast<int>(State.range(0)));
    TIniFile First(File);
    First.SetAutoSave(false);
    for (auto _ : State) {
        TIniFile Second(File);
        Second.SetAutoSave(false);
        benchmark::DoNotOptimize(Second.Synced());
    }
    std::filesystem::remove(File.ToUtf8());
}
BENCHMARK(BM_OpenSharedFile)->Arg(100)->Arg(1000);

}  // namespace

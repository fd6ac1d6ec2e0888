// Crash logs and data blocks made to be costly: a 9 MB log whose report
// holds a million empty call-stack rows, turned into the XML copy that goes
// with a sent report, and a 255 KB data block whose debug part would unpack
// to 256 MB. Each prints its time and, from a pass of its own, the heap it
// held at most and the process's peak size.

#include "bench/support/PeakMemory.h"
#include "exceptionlog/Codecs.h"
#include "exceptionlog/DataBlock.h"
#include "exceptionlog/LogFile.h"

#include "platform/rtl/Exceptions.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

namespace fs = std::filesystem;

std::string FileBytes(const fs::path& Path)
{
    std::ifstream In(Path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>());
}

/// The first report of the test log with Rows empty rows added to its call
/// stack (as tests/data/LogFile/hostile/make-hostile.py makes them).
std::string HostileLog(int Rows)
{
    const std::string Seed =
        FileBytes(fs::path(PRICETAGS_BENCH_DATA) / ".." / "tests" / "data" / "LogFile" /
                  "two-reports.elf");
    const std::string Report = Seed.substr(0, Seed.find("\r\n\r\n\r\n\r\n") + 8);
    const std::string Row =
        "|0000555555555A2B|pricetags|Funcs   |         |StrToCurr       |42  |\r\n";
    const size_t At = Report.find(Row) + Row.size();
    std::string Out = Report.substr(0, At);
    Out.reserve(Report.size() + size_t(Rows) * 9);
    for (int I = 0; I < Rows; ++I)
        Out += "|||||||\r\n";
    return Out + Report.substr(At);
}

void BM_HostileLogToXML(benchmark::State& State)
{
    const fs::path Dir = fs::temp_directory_path();
    const fs::path LogPath = Dir / "pricetags-hostile.elf";
    const std::string Log = HostileLog(int(State.range(0)));
    std::ofstream(LogPath, std::ios::binary).write(Log.data(), std::streamsize(Log.size()));
    const AnsiString LogName = AnsiString::FromUtf8(LogPath.string());
    const AnsiString XMLName = AnsiString::FromUtf8((Dir / "pricetags-hostile.xml").string());
    // As a report is sent: the log read, its XML copy written.
    const auto Convert = [&] {
        TLogFile File(LogName, /*ReadOnly=*/true);
        File.SaveToXML(XMLName);
        return File.Count();
    };
    {
        const PeakMemoryScope Peak;
        if (Convert() != 1)
            State.SkipWithError("the report was not read");
        Peak.Report(State);
    }
    for (auto _ : State)
        benchmark::DoNotOptimize(Convert());
    State.counters["log_MiB"] = double(Log.size()) / (1024.0 * 1024.0);
    State.counters["xml_MiB"] = double(fs::file_size(XMLName.ToUtf8())) / (1024.0 * 1024.0);
    fs::remove(LogPath);
    fs::remove(XMLName.ToUtf8());
}
BENCHMARK(BM_HostileLogToXML)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_DataBlockBomb(benchmark::State& State)
{
    const std::string Bomb = FileBytes(fs::path(PRICETAGS_BENCH_DATA) / ".." / "tests" / "data" /
                                       "DataBlock" / "broken" / "debug-part-bomb.bin");
    const auto Read = [&] {
        ModuleRecord Rec;
        try {
            ReadDataBlock(Bomb.data(), Bomb.size(), /*WantDebug=*/true,
                          [] { return AnsiString("pw"); }, Rec);
        } catch (const EZLibError&) {
            return true;  // refused, as it must be
        }
        return false;
    };
    {
        const PeakMemoryScope Peak;
        if (!Read())
            State.SkipWithError("the bomb was accepted");
        Peak.Report(State);
    }
    for (auto _ : State)
        benchmark::DoNotOptimize(Read());
    State.counters["block_KiB"] = double(Bomb.size()) / 1024.0;
}
BENCHMARK(BM_DataBlockBomb)->Unit(benchmark::kMillisecond);

}  // namespace
